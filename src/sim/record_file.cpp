#include "sim/record_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

char message[SIM_SHOWN_SIZE + 128];

const char* cannot_write(const SimRecordFile* f, int error) {
    std::snprintf(message, sizeof message, "cannot write %s%s%s: %s", f->to_stdout ? "" : "'",
                  f->to_stdout ? "standard output" : f->shown, f->to_stdout ? "" : "'",
                  std::strerror(error != 0 ? error : EIO));
    return message;
}

// Closes the file and gives it the first free name of NAME.partial, NAME.partial-2, ...; false when
// none could be had (the temporary file stays where it is).
bool keep_partial(SimRecordFile* f, char* name, size_t size) {
    for (int n = 1; n < 100; ++n) {
        int len = n == 1 ? std::snprintf(name, size, "%s.partial", f->path)
                         : std::snprintf(name, size, "%s.partial-%d", f->path, n);
        if (len < 0 || static_cast<size_t>(len) >= size) return false;
        int error = host_file_place_new(&f->file, name);
        if (error == 0) return true;
        if (error != EEXIST) return false;
    }
    return false;
}

} // namespace

const char* sim_record_open(SimRecordFile* f, const char* path, HostRecorder* rec) {
    *f = SimRecordFile{};
    f->file.fd = -1;
    f->to_stdout = std::strcmp(path, "-") == 0;
    host_sim_shown(path, f->shown, sizeof f->shown);
    int fd = STDOUT_FILENO;
    if (!f->to_stdout) {
        if (std::strlen(path) >= sizeof f->path) return cannot_write(f, ENAMETOOLONG);
        std::snprintf(f->path, sizeof f->path, "%s", path);
        // It is replaced only at the end, but a file that may not be written is refused now, as it would
        // be if it were written in place.
        struct stat st;
        if (::stat(path, &st) == 0 && S_ISREG(st.st_mode) && ::access(path, W_OK) != 0)
            return cannot_write(f, errno);
        if (host_file_open(&f->file, path)) return cannot_write(f, f->file.error);
        fd = f->file.fd;
    }
    if (!host_recorder_open(rec, fd, f->shown, stderr)) {
        const char* why = cannot_write(f, rec->error);
        host_file_discard(&f->file);
        return why;
    }
    f->open = true;
    return nullptr;
}

bool sim_record_close(SimRecordFile* f, HostRecorder* rec, char* note, size_t size) {
    if (!f->open) {
        std::snprintf(note, size, "no recording");
        return false;
    }
    f->open = false;
    bool complete = host_recorder_finish(rec);
    const char* reason = std::strerror(rec->error != 0 ? rec->error : EIO);
    if (f->to_stdout) {
        if (complete)
            std::snprintf(note, size, "the recording on standard output is complete");
        else if (rec->error == EPIPE)
            std::snprintf(note, size, "the recording's reader went away before its end");
        else
            std::snprintf(note, size, "the recording on standard output could not be completed (%s)", reason);
        return complete;
    }
    if (f->file.place) {
        // A pipe or a device: nothing to rename, whatever came out is there.
        if (::close(f->file.fd) != 0 && complete) {
            complete = false;
            reason = std::strerror(errno);
        }
        f->file.fd = -1;
        if (complete)
            std::snprintf(note, size, "the recording is complete in %s", f->shown);
        else
            std::snprintf(note, size, "the recording in %s could not be completed (%s)", f->shown, reason);
        return complete;
    }
    if (complete) {
        errno = 0;
        if (::close(f->file.fd) == 0 && ::rename(f->file.temp, f->file.target) == 0) {
            f->file.fd = -1;
            std::snprintf(note, size, "the recording is complete in %s", f->shown);
            return true;
        }
        f->file.fd = -1;
        complete = false;
        reason = std::strerror(errno != 0 ? errno : EIO);
    }
    char partial[PATH_MAX + 16];
    char where[SIM_SHOWN_SIZE];
    bool kept = keep_partial(f, partial, sizeof partial);
    host_sim_shown(kept ? partial : f->file.temp, where, sizeof where);
    std::snprintf(note, size, "the recording could not be completed (%s); what it holds is in %s", reason,
                  where);
    return false;
}

void sim_record_abandon(SimRecordFile* f) {
    if (f->file.fd < 0) return;
    if (!f->file.place && f->file.temp[0] != '\0') ::unlink(f->file.temp);
    ::close(f->file.fd);
    f->file.fd = -1;
    f->open = false;
}

#include "files/file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

char reason[256];
HostWriteFn write_fn = ::write;
unsigned temp_counter;

// Longest part of the target's name kept in the temporary file's name, so that it fits NAME_MAX.
constexpr size_t TEMP_BASE_MAX = 200;

const char* set_reason(const char* text) {
    std::snprintf(reason, sizeof reason, "%s", text);
    return reason;
}

const char* fail(HostFile* f, int error) {
    f->error = error != 0 ? error : EIO;
    return set_reason(std::strerror(f->error));
}

bool starts_with(const char* s, const char* prefix) {
    return std::strncmp(s, prefix, std::strlen(prefix)) == 0;
}

// Opens a new file beside f->target, named after it: ".NAME.PID-N".
int open_temp(HostFile* f) {
    const char* slash = std::strrchr(f->target, '/');
    size_t dir_len = slash ? static_cast<size_t>(slash - f->target) + 1 : 0;
    const char* base = f->target + dir_len;
    size_t base_len = std::strlen(base);
    if (base_len > TEMP_BASE_MAX) base_len = TEMP_BASE_MAX;
    for (int attempt = 0; attempt < 100; ++attempt) {
        int n =
            std::snprintf(f->temp, sizeof f->temp, "%.*s.%.*s.%ld-%u", static_cast<int>(dir_len), f->target,
                          static_cast<int>(base_len), base, static_cast<long>(getpid()), temp_counter++);
        if (n < 0 || static_cast<size_t>(n) >= sizeof f->temp) {
            errno = ENAMETOOLONG;
            return -1;
        }
        int fd = ::open(f->temp, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

} // namespace

void host_file_set_write_hook(HostWriteFn fn) {
    write_fn = fn ? fn : ::write;
}

const char* host_file_open(HostFile* f, const char* path) {
    f->fd = -1;
    f->place = false;
    f->error = 0;
    f->temp[0] = f->target[0] = '\0';
    if (!path || !*path) return fail(f, ENOENT);
    if (std::strlen(path) >= sizeof f->target) return fail(f, ENAMETOOLONG);

    struct stat st;
    bool exists = ::stat(path, &st) == 0;
    // Under /dev and /proc a name is an alias of something else (/dev/stdout may lead to the regular file
    // the shell redirected into): renaming over it would replace the alias instead of writing through.
    f->place = (exists && !S_ISREG(st.st_mode)) || starts_with(path, "/dev/") || starts_with(path, "/proc/");
    if (f->place) {
        std::snprintf(f->target, sizeof f->target, "%s", path);
        f->fd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        return f->fd < 0 ? fail(f, errno) : nullptr;
    }
    // A link stays a link: the file it leads to is the one replaced.
    if (::lstat(path, &st) == 0 && S_ISLNK(st.st_mode)) {
        if (!::realpath(path, f->target)) return fail(f, errno);
    } else {
        std::snprintf(f->target, sizeof f->target, "%s", path);
    }
    f->fd = open_temp(f);
    return f->fd < 0 ? fail(f, errno) : nullptr;
}

bool host_file_write(HostFile* f, const void* data, size_t size) {
    if (f->error != 0) return false;
    if (f->fd < 0) {
        f->error = EBADF;
        return false;
    }
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        errno = 0;
        ssize_t n = write_fn(f->fd, p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            f->error = n < 0 && errno != 0 ? errno : ENOSPC;
            return false;
        }
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

const char* host_file_commit(HostFile* f) {
    if (f->fd >= 0 && ::close(f->fd) != 0 && f->error == 0) f->error = errno != 0 ? errno : EIO;
    f->fd = -1;
    if (f->error == 0 && !f->place && ::rename(f->temp, f->target) != 0) f->error = errno != 0 ? errno : EIO;
    if (f->error == 0) return nullptr;
    if (!f->place) ::unlink(f->temp);
    return set_reason(std::strerror(f->error));
}

int host_file_place_new(HostFile* f, const char* path) {
    if (f->fd >= 0 && ::close(f->fd) != 0 && f->error == 0) f->error = errno != 0 ? errno : EIO;
    f->fd = -1;
    if (f->error != 0) return f->error;
    if (f->place) return 0; // already written where the name was
    if (::renameat2(AT_FDCWD, f->temp, AT_FDCWD, path, RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
    // File systems without an exclusive rename: a hard link fails just as well on a taken name.
    if (::link(f->temp, path) == 0) {
        ::unlink(f->temp);
        return 0;
    }
    if (errno != EPERM && errno != ENOTSUP && errno != EOPNOTSUPP) return errno;
    struct stat st;
    if (::lstat(path, &st) == 0) return EEXIST;
    return ::rename(f->temp, path) == 0 ? 0 : errno;
}

void host_file_discard(HostFile* f) {
    if (f->fd >= 0) ::close(f->fd);
    f->fd = -1;
    if (!f->place && f->temp[0] != '\0') ::unlink(f->temp);
    f->temp[0] = '\0';
}

const char* host_file_write_all(const char* path, const void* data, size_t size) {
    static HostFile file;
    const char* why = host_file_open(&file, path);
    if (why) return why;
    host_file_write(&file, data, size);
    return host_file_commit(&file);
}

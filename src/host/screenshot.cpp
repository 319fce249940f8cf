#include "host/screenshot.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "host/png_write.h"

namespace {

// More screenshots than this within one second is not a person pressing a key.
constexpr int MAX_SUFFIX = 999;

char reason[320];

const char* failed(int error) {
    std::snprintf(reason, sizeof reason, "%s", std::strerror(error != 0 ? error : EIO));
    return reason;
}

// Gives the finished file its name unless that name is taken: 0, or errno (EEXIST when taken).
int place(const char* from, const char* to) {
    if (renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
    // File systems without an exclusive rename: a hard link fails just as well on a taken name.
    if (link(from, to) == 0) {
        unlink(from);
        return 0;
    }
    if (errno != EPERM && errno != ENOTSUP && errno != EOPNOTSUPP) return errno;
    struct stat st;
    if (lstat(to, &st) == 0) return EEXIST;
    return rename(from, to) == 0 ? 0 : errno;
}

} // namespace

void host_screenshot_name(time_t when, int n, char* out, size_t size) {
    tm local{};
    char stamp[32] = "00000000-000000";
    if (localtime_r(&when, &local)) std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    if (n <= 1)
        std::snprintf(out, size, "zt30-%s.png", stamp);
    else
        std::snprintf(out, size, "zt30-%s-%d.png", stamp, n);
}

const char* host_screenshot_write(const char* folder, time_t when, const uint32_t* top, int width, int height,
                                  ptrdiff_t stride, int scale, char* name_out, size_t name_size) {
    char temp[4096], path[4096], name[64];
    if (std::snprintf(temp, sizeof temp, "%s/.zt30-shot-XXXXXX", folder) >= static_cast<int>(sizeof temp))
        return failed(ENAMETOOLONG);
    int fd = mkstemp(temp);
    if (fd < 0) return failed(errno);
    // mkstemp makes the file private; a screenshot gets the permissions of any new file.
    mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    close(fd);
    if (const char* why = host_png_write_rgb(temp, top, width, height, stride, scale)) {
        std::snprintf(reason, sizeof reason, "%s", why);
        unlink(temp);
        return reason;
    }
    for (int n = 1; n <= MAX_SUFFIX; ++n) {
        host_screenshot_name(when, n, name, sizeof name);
        std::snprintf(path, sizeof path, "%s/%s", folder, name);
        int error = place(temp, path);
        if (error == 0) {
            std::snprintf(name_out, name_size, "%s", name);
            return nullptr;
        }
        if (error != EEXIST) {
            unlink(temp);
            return failed(error);
        }
    }
    unlink(temp);
    std::snprintf(reason, sizeof reason, "every name for this second is taken");
    return reason;
}

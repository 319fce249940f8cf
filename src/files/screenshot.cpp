#include "files/screenshot.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "files/png.h"

namespace {

// More screenshots than this within one second is not a person pressing a key.
constexpr int MAX_SUFFIX = 999;

char reason[320];

const char* failed(int error) {
    std::snprintf(reason, sizeof reason, "%s", std::strerror(error != 0 ? error : EIO));
    return reason;
}

// The path of name n in folder; false when it does not fit.
bool candidate(const char* folder, time_t when, int n, char* path, size_t size, char* name,
               size_t name_size) {
    host_screenshot_name(when, n, name, name_size);
    return std::snprintf(path, size, "%s/%s", folder, name) < static_cast<int>(size);
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
    static HostFile file;
    char path[4096], name[64];
    // The picture is written beside the first name that looks free; taking a name never replaces a file.
    int n = 1;
    struct stat st;
    for (;; ++n) {
        if (n > MAX_SUFFIX) return "every name for this second is taken";
        if (!candidate(folder, when, n, path, sizeof path, name, sizeof name)) return failed(ENAMETOOLONG);
        if (lstat(path, &st) != 0) break;
    }
    if (const char* why = host_file_open(&file, path)) return why;
    if (const char* why = host_png_encode(&file, top, width, height, stride, scale)) {
        host_file_discard(&file);
        return why;
    }
    for (; n <= MAX_SUFFIX; ++n) {
        if (!candidate(folder, when, n, path, sizeof path, name, sizeof name)) break;
        int error = host_file_place_new(&file, path);
        if (error == 0) {
            std::snprintf(name_out, name_size, "%s", name);
            return nullptr;
        }
        if (error != EEXIST) {
            host_file_discard(&file);
            return failed(error);
        }
    }
    host_file_discard(&file);
    return "every name for this second is taken";
}

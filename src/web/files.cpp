// The headless runner's file outputs, kept in memory: a browser page has no folder to write into.
#include "web/files.h"

#include <cstdlib>
#include <cstring>

#include "front/bezel.h"
#include "gfx/gfx.h"
#include "headless/output.h"
#include "host/host.h"
#include "web/png.h"

namespace {

struct WebFile {
    char name[WEB_FILE_NAME_MAX + 1];
    size_t offset, size;
};

WebFile files[WEB_FILES_MAX];
int file_count = 0;
size_t used = 0;
// Taken once, on the first write: the page's live instrument never writes files and needs none of it.
uint8_t* pool = nullptr;
uint32_t window_pixels[BEZEL_WIDTH * BEZEL_HEIGHT];

WebFile* find(const char* name) {
    for (int i = 0; i < file_count; ++i)
        if (std::strcmp(files[i].name, name) == 0) return &files[i];
    return nullptr;
}

// Room for the next file; nullptr or the reason there is none, as the system would say it.
const char* reserve(const char* path) {
    if (*path == '\0') return "No such file or directory";
    if (std::strlen(path) > WEB_FILE_NAME_MAX) return "File name too long";
    if (!find(path) && file_count == WEB_FILES_MAX) return "No space left on device";
    if (!pool) pool = static_cast<uint8_t*>(std::malloc(WEB_FILES_BYTES));
    if (!pool) return "Cannot allocate memory";
    return nullptr;
}

// The bytes just written at pool + used become the file; a file of the same name is replaced.
void keep(const char* path, size_t size) {
    WebFile* f = find(path);
    if (!f) {
        f = &files[file_count++];
        std::strcpy(f->name, path);
    }
    f->offset = used;
    f->size = size;
    used += size;
}

const char* write_png(const char* path, const uint32_t* top, int width, int height, ptrdiff_t stride,
                      int scale) {
    if (const char* why = reserve(path)) return why;
    size_t n = web_png_encode(top, width, height, stride, scale, pool + used, WEB_FILES_BYTES - used);
    if (n == 0) return "No space left on device";
    keep(path, n);
    return nullptr;
}

} // namespace

void web_files_clear() {
    file_count = 0;
    used = 0;
}

const uint8_t* web_files_find(const char* name, size_t* size) {
    const WebFile* f = find(name);
    if (!f) return nullptr;
    *size = f->size;
    return pool + f->offset;
}

const char* headless_write_shot(const char* path, int scale) {
    // Top row of the bottom-up frame, walking down one row at a time.
    return write_png(path, &host_frame.pixels[gfx_index(0, 0, FRAME_WIDTH, FRAME_HEIGHT)], FRAME_WIDTH,
                     FRAME_HEIGHT, -FRAME_WIDTH, scale);
}

const char* headless_write_window(const char* path) {
    host_bezel_compose(window_pixels);
    return write_png(path, window_pixels, BEZEL_WIDTH, BEZEL_HEIGHT, BEZEL_WIDTH, 1);
}

const char* headless_write_dump(const char* path) {
    constexpr size_t DUMP_BYTES = FRAME_PIXELS * 4;
    if (const char* why = reserve(path)) return why;
    if (WEB_FILES_BYTES - used < DUMP_BYTES) return "No space left on device";
    uint8_t* p = pool + used;
    for (int y = 0; y < FRAME_HEIGHT; ++y)
        for (int x = 0; x < FRAME_WIDTH; ++x) {
            uint32_t c = host_frame.pixels[gfx_index(x, y, FRAME_WIDTH, FRAME_HEIGHT)];
            *p++ = static_cast<uint8_t>(c);
            *p++ = static_cast<uint8_t>(c >> 8);
            *p++ = static_cast<uint8_t>(c >> 16);
            *p++ = static_cast<uint8_t>(c >> 24);
        }
    keep(path, DUMP_BYTES);
    return nullptr;
}

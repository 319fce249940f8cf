#include "files/png.h"

#include <png.h>

#include <cstdio>
#include <cstring>

namespace {

uint8_t png_row[HOST_PNG_MAX_WIDTH * 3];
char reason[256];

const char* set_reason(const char* text) {
    std::snprintf(reason, sizeof reason, "%s", text);
    return reason;
}

// libpng reports through longjmp; keep its message instead of letting it print.
[[noreturn]] void on_png_error(png_structp png, png_const_charp message) {
    set_reason(message ? message : "PNG encoder error");
    png_longjmp(png, 1);
}

void on_png_warning(png_structp, png_const_charp) {}

void on_png_write(png_structp png, png_bytep data, size_t length) {
    auto* file = static_cast<HostFile*>(png_get_io_ptr(png));
    if (!host_file_write(file, data, length)) png_error(png, std::strerror(file->error));
}

// Nothing is buffered on this side.
void on_png_flush(png_structp) {}

void fill_row(const uint32_t* src, int width, int scale) {
    uint8_t* p = png_row;
    for (int x = 0; x < width; ++x) {
        uint32_t c = src[x];
        for (int k = 0; k < scale; ++k) {
            *p++ = static_cast<uint8_t>(c >> 16);
            *p++ = static_cast<uint8_t>(c >> 8);
            *p++ = static_cast<uint8_t>(c);
        }
    }
}

// The libpng part on its own, so that nothing with a destructor lives across its setjmp.
bool encode(HostFile* file, const uint32_t* top, int width, int height, ptrdiff_t stride, int scale) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, on_png_error, on_png_warning);
    if (!png) {
        set_reason("out of memory");
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        set_reason("out of memory");
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, file, on_png_write, on_png_flush);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width * scale), static_cast<png_uint_32>(height * scale),
                 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y) {
        fill_row(top + y * stride, width, scale);
        for (int k = 0; k < scale; ++k) png_write_row(png, png_row);
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace

const char* host_png_encode(HostFile* file, const uint32_t* top, int width, int height, ptrdiff_t stride,
                            int scale) {
    if (width <= 0 || height <= 0 || scale <= 0 || width > HOST_PNG_MAX_WIDTH / scale)
        return set_reason("picture size out of range");
    return encode(file, top, width, height, stride, scale) ? nullptr : reason;
}

const char* host_png_write_rgb(const char* path, const uint32_t* top, int width, int height, ptrdiff_t stride,
                               int scale) {
    if (width <= 0 || height <= 0 || scale <= 0 || width > HOST_PNG_MAX_WIDTH / scale)
        return set_reason("picture size out of range");
    static HostFile file;
    const char* why = host_file_open(&file, path);
    if (why) return why;
    if ((why = host_png_encode(&file, top, width, height, stride, scale))) {
        host_file_discard(&file);
        return why;
    }
    return host_file_commit(&file);
}

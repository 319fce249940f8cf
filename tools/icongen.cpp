// Generates the desktop icon of the simulator: the instrument's front, as the window icon shows it.
//
//   zt30-icongen OUTPUT.png [SIZE]      (SIZE 16..256, default 128)
//
// The build draws the installed icons with it at the usual sizes (data/desktop.cmake).
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "front/bezel.h"

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: zt30-icongen OUTPUT.png [SIZE]\n");
        return 2;
    }
    int size = 128;
    if (argc == 3) {
        char* end = nullptr;
        long v = std::strtol(argv[2], &end, 10);
        if (!end || *end || v < 16 || v > 256) {
            std::fprintf(stderr, "zt30-icongen: size must be a number from 16 to 256: %s\n", argv[2]);
            return 2;
        }
        size = static_cast<int>(v);
    }
    std::vector<uint32_t> icon(static_cast<size_t>(size) * size);
    host_bezel_icon(icon.data(), size);
    std::vector<png_byte> rgba(icon.size() * 4);
    for (size_t i = 0; i < icon.size(); ++i) {
        rgba[i * 4 + 0] = static_cast<png_byte>(icon[i] >> 16);
        rgba[i * 4 + 1] = static_cast<png_byte>(icon[i] >> 8);
        rgba[i * 4 + 2] = static_cast<png_byte>(icon[i]);
        rgba[i * 4 + 3] = static_cast<png_byte>(icon[i] >> 24);
    }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(size);
    image.height = static_cast<png_uint_32>(size);
    image.format = PNG_FORMAT_RGBA;
    if (!png_image_write_to_file(&image, argv[1], 0, rgba.data(), size * 4, nullptr)) {
        std::fprintf(stderr, "zt30-icongen: cannot write %s: %s\n", argv[1], image.message);
        return 1;
    }
    return 0;
}

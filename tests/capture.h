// What the host's programs print and write, read back for the tests.
#pragma once

#include <gtest/gtest.h>
#include <png.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

struct RunResult {
    int code;
    std::string out, err;
};

// The whole of an open file; closes it.
inline std::string slurp(FILE* f) {
    std::string s;
    if (!f) return s;
    std::rewind(f);
    char buf[4096];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) s.append(buf, n);
    std::fclose(f);
    return s;
}

struct TempDir {
    std::string path = ::testing::TempDir() + "zt30-host-XXXXXX";
    TempDir() {
        if (!mkdtemp(path.data())) ADD_FAILURE() << "cannot make a folder " << path;
    }
    ~TempDir() { std::filesystem::remove_all(path); }
    std::string file(const std::string& name) const { return path + "/" + name; }
    std::vector<std::string> names() const {
        std::vector<std::string> out;
        for (const auto& e : std::filesystem::directory_iterator(path)) out.push_back(e.path().filename());
        std::sort(out.begin(), out.end());
        return out;
    }
};

struct Png {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;
    uint32_t at(int x, int y) const {
        const uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
        return static_cast<uint32_t>(p[0]) << 16 | static_cast<uint32_t>(p[1]) << 8 | p[2];
    }
};

// True only for a readable file stored as 8-bit RGB.
inline bool read_png(const std::string& path, Png* png) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    bool rgb_file = image.format == PNG_FORMAT_RGB;
    image.format = PNG_FORMAT_RGB;
    png->width = static_cast<int>(image.width);
    png->height = static_cast<int>(image.height);
    png->rgb.assign(PNG_IMAGE_SIZE(image), 0);
    return png_image_finish_read(&image, nullptr, png->rgb.data(), 0, nullptr) && rgb_file;
}

// window.zt30.runScript: the headless runner's own parser and runner on this instance's instrument, with
// its outputs in memory. The page keeps a second instance of the program for this, so that a run starts
// from a fresh instrument and leaves the live one alone.
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "gfx/gfx.h"
#include "headless/run.h"
#include "headless/script.h"
#include "host/host.h"
#include "web/files.h"

namespace {

// What the run printed: probe lines (standard output) and its message (standard error).
constexpr size_t OUTPUT_BYTES = 1u << 20;
constexpr size_t MESSAGE_BYTES = 4096;
char output[OUTPUT_BYTES];
char message[MESSAGE_BYTES];
size_t output_size = 0, message_size = 0;

// The last frame of the run, top row first; valid when the script ran.
uint32_t frame_top_down[FRAME_PIXELS];
bool frame_valid = false;

// fmemopen keeps a byte for the terminating NUL: the size is how far the stream got.
size_t finish(FILE* f) {
    if (!f) return 0;
    std::fflush(f);
    long at = std::ftell(f);
    std::fclose(f);
    return at > 0 ? static_cast<size_t>(at) : 0;
}

int run(const uint8_t* text, size_t len, const char* local_time, FILE* out, FILE* err) {
    HeadlessOptions options{};
    options.quiet = true; // a page has no terminal to show progress on
    if (local_time) {
        if (!headless_parse_time(local_time, &options.local_time)) {
            std::fprintf(err, "zt30-headless: bad --local-time %s (HH:MM:SS, hours 0-23)\n",
                         headless_quoted(local_time).c_str());
            return HEADLESS_EXIT_USAGE;
        }
        options.local_time_set = true;
    }
    if (len > HEADLESS_MAX_SCRIPT_BYTES) {
        std::fprintf(err, "zt30-headless: standard input is over the %zu MiB limit of a script\n",
                     HEADLESS_MAX_SCRIPT_BYTES >> 20);
        return HEADLESS_EXIT_USAGE;
    }
    // Named as zt30-headless names a script read from standard input.
    HeadlessScript script;
    std::string error;
    if (!headless_parse("-", std::string_view(reinterpret_cast<const char*>(text), len), &script, &error)) {
        std::fprintf(err, "%s\n", error.c_str());
        return HEADLESS_EXIT_USAGE;
    }
    int status = headless_run(script, options, out, err);
    for (int y = 0; y < FRAME_HEIGHT; ++y)
        for (int x = 0; x < FRAME_WIDTH; ++x)
            frame_top_down[y * FRAME_WIDTH + x] =
                host_frame.pixels[gfx_index(x, y, FRAME_WIDTH, FRAME_HEIGHT)];
    frame_valid = true;
    return status;
}

} // namespace

extern "C" {

// Runs len bytes of script text; local_time is "HH:MM:SS" as --local-time takes it, or nullptr for the
// machine's. Returns the exit status zt30-headless would.
int web_run_script(const uint8_t* text, size_t len, const char* local_time) {
    web_files_clear();
    frame_valid = false;
    FILE* out = fmemopen(output, OUTPUT_BYTES, "w");
    FILE* err = fmemopen(message, MESSAGE_BYTES, "w");
    if (!out || !err) {
        finish(out);
        finish(err);
        std::snprintf(message, MESSAGE_BYTES, "zt30-headless: cannot open the output in memory");
        output_size = 0;
        message_size = std::strlen(message);
        return HEADLESS_EXIT_WRITE;
    }
    int status = run(text, len, local_time, out, err);
    output_size = finish(out);
    message_size = finish(err);
    return status;
}

const char* web_run_output() {
    return output;
}
size_t web_run_output_size() {
    return output_size;
}
const char* web_run_message() {
    return message;
}
size_t web_run_message_size() {
    return message_size;
}

// The last frame of the last run, 128 x 160 ARGB values top row first; nullptr when nothing ran.
const uint32_t* web_run_frame() {
    return frame_valid ? frame_top_down : nullptr;
}

// A file the last run wrote; nullptr when it wrote none of that name.
const uint8_t* web_run_file(const char* name, size_t* size) {
    return web_files_find(name, size);
}

} // extern "C"

#include <benchmark/benchmark.h>

#include "front/bezel.h"
#include "host/host.h"

namespace {
uint32_t picture[BEZEL_WIDTH * BEZEL_HEIGHT];
}

// What the window does for each rendered frame: the display copied into the composed picture.
static void BM_BezelPutFrame(benchmark::State& state) {
    host_reset_all();
    host_bezel_compose(picture);
    for (auto _ : state) {
        host_bezel_put_frame(picture);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_BezelPutFrame);

// What it does when a button changes its look: the whole picture, here with every control pressed.
static void BM_BezelComposePressed(benchmark::State& state) {
    host_reset_all();
    view_button_down = left_button_down = right_button_down = 1;
    host_bezel_compose(picture); // the artwork is drawn once, on first use
    for (auto _ : state) {
        host_bezel_compose(picture);
        benchmark::ClobberMemory();
    }
    host_reset_all();
}
BENCHMARK(BM_BezelComposePressed);

// Drawing the artwork itself happens once per process, before the window opens.
static void BM_BezelIcon64(benchmark::State& state) {
    static uint32_t icon[64 * 64];
    for (auto _ : state) {
        host_bezel_icon(icon, 64);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_BezelIcon64);

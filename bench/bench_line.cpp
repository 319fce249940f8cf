#include <benchmark/benchmark.h>

#include "gfx/gfx.h"
#include "host/host.h"
#include "pages/aoa_bar.h"
#include "setup/settings.h"

static void BM_LineDiagonal100(benchmark::State& state) {
    static FrameBuffer f;
    for (auto _ : state) {
        gfx_draw_line(f.pixels, FRAME_WIDTH, FRAME_HEIGHT, 14.0f, 30.0f, 114.0f, 130.0f, 0xFFFFFFFF);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_LineDiagonal100);

// Same visible span as a short line: the pull-in keeps the far ends free.
static void BM_LineFarOutside(benchmark::State& state) {
    static FrameBuffer f;
    for (auto _ : state) {
        gfx_draw_line(f.pixels, FRAME_WIDTH, FRAME_HEIGHT, -1.0e6f, 40.0f, 1.0e6f, 60.0f, 0xFF888888);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_LineFarOutside);

static void BM_SlipIndicator(benchmark::State& state) {
    static FrameBuffer f;
    float slip = -7.5f;
    for (auto _ : state) {
        page_draw_slip_indicator(f.pixels, slip, 0);
        slip = slip > 7.5f ? -7.5f : slip + 0.01f;
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_SlipIndicator);

static void BM_AoABar(benchmark::State& state) {
    static FrameBuffer f;
    host_reset_all();
    setup_settings_reset(); // DEMO 1: every draw steps the filter
    for (auto _ : state) {
        page_draw_aoa_bar(f.pixels, 113, 75, 10, true);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_AoABar);

#include <benchmark/benchmark.h>

#include "core/buttons.h"
#include "core/flight.h"
#include "core/page.h"
#include "gfx/gfx.h"
#include "host/host.h"
#include "setup/settings.h"

// A whole AOA or G METER frame in DEMO 1 (start settings) with the sweep mid-way, as the window draws
// it. The demo oscillators are left alone so that every iteration draws the same picture.
static void page_frame(benchmark::State& state, int32_t page, int32_t view) {
    static FrameBuffer f;
    host_reset_all();
    setup_settings_reset();
    flt_start();
    current_page = page;
    (page == PAGE_AOA ? aoa_view : g_view) = view;
    demo_sweep = 6.0f;
    for (auto _ : state) {
        page_draw_frame(f.pixels);
        benchmark::ClobberMemory();
    }
}

static void BM_PageDrawAoaTape(benchmark::State& state) {
    page_frame(state, PAGE_AOA, 0);
}
static void BM_PageDrawAoaBar(benchmark::State& state) {
    page_frame(state, PAGE_AOA, 1);
}
static void BM_PageDrawGMeterBar(benchmark::State& state) {
    page_frame(state, PAGE_G_METER, 0);
}
static void BM_PageDrawGMeterNumber(benchmark::State& state) {
    page_frame(state, PAGE_G_METER, 1);
}
static void BM_PageDrawGMeterDial(benchmark::State& state) {
    page_frame(state, PAGE_G_METER, 2);
}
BENCHMARK(BM_PageDrawAoaTape);
BENCHMARK(BM_PageDrawAoaBar);
BENCHMARK(BM_PageDrawGMeterBar);
BENCHMARK(BM_PageDrawGMeterNumber);
BENCHMARK(BM_PageDrawGMeterDial);

#include <benchmark/benchmark.h>

#include "core/buttons.h"
#include "core/flight.h"
#include "core/page.h"
#include "gfx/gfx.h"
#include "host/host.h"
#include "setup/settings.h"

// A whole splash frame: the picture copy with its channel widening plus three texts.
static void BM_PageDrawSplash(benchmark::State& state) {
    static FrameBuffer f;
    host_reset_all();
    setup_settings_reset();
    for (auto _ : state) {
        current_page = PAGE_SPLASH;
        splash_countdown = SPLASH_FRAMES; // never hand over
        page_draw_frame(f.pixels);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_PageDrawSplash);

// The brightness overlay at full bar: background fill, five texts, the bar and two arrows.
static void BM_PageDrawBrightness(benchmark::State& state) {
    static FrameBuffer f;
    host_reset_all();
    setup_settings_reset();
    current_page = PAGE_CLOCK;
    brightness_overlay_shown = 1;
    brightness_percent = 100;
    for (auto _ : state) {
        page_draw_frame(f.pixels);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_PageDrawBrightness);

// One decoder and dispatch step with a key held (the common case: nothing to dispatch).
static void BM_ButtonTickHeld(benchmark::State& state) {
    host_reset_all();
    setup_settings_reset();
    current_page = PAGE_CLOCK;
    left_button_down = 1;
    for (auto _ : state) {
        btn_process_tick();
        button_decoder.left_hold_ticks = 0; // stay short of the long press
        benchmark::DoNotOptimize(button_event);
    }
}
BENCHMARK(BM_ButtonTickHeld);

static void BM_FlightSmoothStep(benchmark::State& state) {
    host_reset_all();
    flt_start();
    smooth_target[LOAD_FACTOR_CHANNEL] = LIVE_G_TARGET;
    for (auto _ : state) {
        flt_smooth_step();
        benchmark::DoNotOptimize(smooth_output[LOAD_FACTOR_CHANNEL]);
    }
}
BENCHMARK(BM_FlightSmoothStep);

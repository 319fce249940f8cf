// The ATTITUDE page, the most expensive screen: a whole frame through the page manager.
#include <benchmark/benchmark.h>

#include "core/flight.h"
#include "core/page.h"
#include "gfx/gfx.h"
#include "host/host.h"
#include "pages/attitude.h"
#include "setup/settings.h"

namespace {

// Roll turns every 2000 frames, the sweep every 2400: both start over together after 12000.
constexpr int DEMO_CYCLE_FRAMES = 12000;

void start_on_attitude(uint32_t demo_mode) {
    host_reset_all();
    host_start();
    current_page = PAGE_ATTITUDE;
    device_settings.demo_mode = demo_mode;
}

// DEMO 1 rolls and pitches every frame; one run is one whole cycle of both oscillators.
void BM_PageDrawAttitudeDemo1(benchmark::State& state) {
    static FrameBuffer f;
    start_on_attitude(DEMO_1);
    for (auto _ : state) {
        page_draw_frame(f.pixels);
        flt_demo_step();
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_PageDrawAttitudeDemo1)->Iterations(DEMO_CYCLE_FRAMES);

// NONE: the trims alone, the same picture every frame.
void BM_PageDrawAttitudeNone(benchmark::State& state) {
    static FrameBuffer f;
    start_on_attitude(DEMO_NONE);
    for (auto _ : state) {
        page_draw_frame(f.pixels);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_PageDrawAttitudeNone);

// The horizon picture alone at a rolled, pitched attitude with four numbered rungs in view.
void BM_AttitudeHorizon(benchmark::State& state) {
    start_on_attitude(DEMO_1);
    for (auto _ : state) {
        page_attitude_draw_horizon(0.1f, 0.08f);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_AttitudeHorizon);

} // namespace

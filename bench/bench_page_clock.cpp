#include <benchmark/benchmark.h>

#include "core/page.h"
#include "gfx/gfx.h"
#include "host/host.h"
#include "host/local_time.h"
#include "pages/clock.h"
#include "setup/settings.h"

namespace {

// The CLOCK page as a user meets it (start settings, DEMO 1) at 10:10:30, in one view or on Set Clock.
void clock_frame(benchmark::State& state, int32_t view, bool setting) {
    static FrameBuffer f;
    host_reset_all();
    setup_settings_reset();
    const ClockTime fixed{2000, 1, 6, 1, 10, 10, 30, 0};
    host_set_local_time(&fixed);
    current_page = PAGE_CLOCK;
    clock_view = view;
    page_draw_frame(f.pixels); // the one sync
    clock_edit = clock_shown;
    clock_setting = setting ? 1 : 0;
    clock_blink = 1; // the edited field shown
    for (auto _ : state) {
        page_draw_frame(f.pixels);
        benchmark::ClobberMemory();
    }
    host_set_local_time(nullptr);
}

} // namespace

static void BM_PageDrawClockGmt(benchmark::State& state) {
    clock_frame(state, CLOCK_VIEW_GMT, false);
}
BENCHMARK(BM_PageDrawClockGmt);

static void BM_PageDrawClockLocal(benchmark::State& state) {
    clock_frame(state, CLOCK_VIEW_LOCAL, false);
}
BENCHMARK(BM_PageDrawClockLocal);

static void BM_PageDrawClockAnalog(benchmark::State& state) {
    clock_frame(state, CLOCK_VIEW_ANALOG, false);
}
BENCHMARK(BM_PageDrawClockAnalog);

static void BM_PageDrawClockDensityAlt(benchmark::State& state) {
    clock_frame(state, CLOCK_VIEW_DENSITY_ALT, false);
}
BENCHMARK(BM_PageDrawClockDensityAlt);

static void BM_PageDrawClockAirspeed(benchmark::State& state) {
    clock_frame(state, CLOCK_VIEW_AIRSPEED, false);
}
BENCHMARK(BM_PageDrawClockAirspeed);

static void BM_PageDrawSetClock(benchmark::State& state) {
    clock_frame(state, CLOCK_VIEW_GMT, true);
}
BENCHMARK(BM_PageDrawSetClock);

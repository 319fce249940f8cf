#include <benchmark/benchmark.h>

#include "core/page.h"
#include "gfx/gfx.h"
#include "host/host.h"
#include "pages/timer.h"
#include "setup/settings.h"

namespace {

void start_on(int32_t page) {
    host_reset_all();
    setup_settings_reset();
    current_page = page;
}

} // namespace

// TIMER 1 counting down: captions, six large digits, the preset line, the divider, the pause symbol.
static void BM_PageDrawTimerRunning(benchmark::State& state) {
    static FrameBuffer f;
    start_on(PAGE_TIMER1);
    UserTimer& t = user_timers[0];
    t.preset_hours = 1, t.preset_minutes = 30;
    t.hours = 1, t.minutes = 28, t.seconds = 47, t.tenths = 10;
    t.running = 1;
    for (auto _ : state) {
        page_draw_frame(f.pixels);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_PageDrawTimerRunning);

// TIMER 1 in edit mode, through the whole blink cycle (the hidden frames add a fill).
static void BM_PageDrawTimerEditing(benchmark::State& state) {
    static FrameBuffer f;
    start_on(PAGE_TIMER1);
    UserTimer& t = user_timers[0];
    t.editing = 1;
    t.selected_field = 1;
    t.preset_hours = 10, t.preset_minutes = 48, t.preset_seconds = 59;
    for (auto _ : state) {
        page_draw_frame(f.pixels);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_PageDrawTimerEditing);

// RUN TIME: two counters of six large digits, their captions, the divider, CLEAR and the soft keys.
static void BM_PageDrawRunTime(benchmark::State& state) {
    static FrameBuffer f;
    start_on(PAGE_RUN_TIME);
    flight_time = {12, 34, 56};
    engine_run_time = {98, 59, 59};
    for (auto _ : state) {
        page_draw_frame(f.pixels);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_PageDrawRunTime);

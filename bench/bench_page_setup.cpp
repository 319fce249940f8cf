#include <benchmark/benchmark.h>

#include "core/buttons.h"
#include "core/page.h"
#include "gfx/gfx.h"
#include "host/host.h"
#include "setup/settings.h"
#include "setup/setup_menu.h"

// A whole SETUP frame (page_draw_frame) per screen: 0 the item list with an item selected, 1..18 the
// screen just opened from it. The list is the most common view; SLIP TRIM with its ball and SYSTEM INFO
// with its many texts are the heaviest.
static void BM_PageDrawSetup(benchmark::State& state) {
    static FrameBuffer f;
    const int32_t screen = static_cast<int32_t>(state.range(0));
    host_reset_all();
    setup_settings_reset();
    current_page = PAGE_SETUP;
    setup_state.setup_selected_item = screen == 0 ? 9 : screen - 1;
    setup_state.setup_list_top = screen == 0 ? 3 : 0;
    if (screen > 0) setup_handle_event(EV_RIGHT_RELEASE);
    for (auto _ : state) {
        page_draw_frame(f.pixels);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_PageDrawSetup)->DenseRange(0, 18);

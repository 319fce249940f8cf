#include <benchmark/benchmark.h>

#include "gfx/font.h"
#include "gfx/gfx.h"

// A typical label line: 20 characters of font 0, centred, measured and drawn.
static void BM_FontText20CharsFont0(benchmark::State& state) {
    static FrameBuffer f;
    const char* text = "Engine Run Time 1:05"; // 20 characters
    for (auto _ : state) {
        font_draw_text_centered(f.pixels, 0, 64, 80, 0xFF60F0F0, text);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 20);
}
BENCHMARK(BM_FontText20CharsFont0);

// The large clock readout.
static void BM_FontClock1230Font4(benchmark::State& state) {
    static FrameBuffer f;
    for (auto _ : state) {
        font_draw_text_centered(f.pixels, 4, 64, 80, 0xFFFFFFFF, "12:30");
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_FontClock1230Font4);

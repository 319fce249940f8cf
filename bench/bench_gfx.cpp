#include <benchmark/benchmark.h>

#include <vector>

#include "gfx/gfx.h"
#include "gfx/masks.h"

static void BM_FillFullFrame(benchmark::State& state) {
    static FrameBuffer f;
    for (auto _ : state) {
        gfx_fill_rect(f.pixels, 0, 0, FRAME_WIDTH, FRAME_HEIGHT, 0xFF000090);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_FillFullFrame);

static void BM_BlitFullFrameImage(benchmark::State& state) {
    static FrameBuffer f;
    std::vector<uint32_t> img(FRAME_PIXELS, 0xFF123456);
    for (auto _ : state) {
        gfx_blit_image(f.pixels, img.data(), FRAME_WIDTH, FRAME_HEIGHT, 0, 0);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_BlitFullFrameImage);

static void BM_DrawMaskBall(benchmark::State& state) {
    static FrameBuffer f;
    for (auto _ : state) {
        gfx_draw_mask(f.pixels, 128, 160, MASK_BALL.data, 20, 20, 50, 50, 0x40404040);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_DrawMaskBall);

static void BM_Blend(benchmark::State& state) {
    uint32_t c = 0xFF000000;
    float w = 0.0f;
    for (auto _ : state) {
        c = gfx_blend_color(c, 0xFFFFFFFF, w);
        w = w > 0.9f ? 0.0f : w + 0.01f;
        benchmark::DoNotOptimize(c);
    }
}
BENCHMARK(BM_Blend);

#include <benchmark/benchmark.h>

#include <vector>

#include "front/bezel.h"
#include "host/host.h"
#include "front/view_scale.h"

namespace {
uint32_t picture[BEZEL_WIDTH * BEZEL_HEIGHT];
uint32_t shown[BEZEL_WIDTH * BEZEL_HEIGHT];
constexpr HostRect DISPLAY{FRAME_ORIGIN_X, FRAME_ORIGIN_Y, FRAME_ORIGIN_X + FRAME_WIDTH,
                           FRAME_ORIGIN_Y + FRAME_HEIGHT};
} // namespace

// What the window does for a frame identical to the one on the screen: look, and send nothing.
static void BM_ViewUnchangedFrame(benchmark::State& state) {
    host_reset_all();
    host_bezel_compose(picture);
    host_bezel_compose(shown);
    for (auto _ : state) {
        host_bezel_put_frame(picture);
        benchmark::DoNotOptimize(host_rect_diff(picture, shown, BEZEL_WIDTH, DISPLAY));
    }
}
BENCHMARK(BM_ViewUnchangedFrame);

// A whole new display drawn into the window at 1x to 4x.
static void BM_ViewDrawDisplay(benchmark::State& state) {
    const int scale = static_cast<int>(state.range(0));
    const int w = BEZEL_WIDTH * scale, h = BEZEL_HEIGHT * scale;
    std::vector<uint32_t> window(static_cast<size_t>(w) * h);
    HostViewFit fit = host_view_fit(w, h, scale);
    host_reset_all();
    host_bezel_compose(picture);
    for (auto _ : state) {
        host_view_draw(fit, picture, DISPLAY, window.data(), w, w, h);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_ViewDrawDisplay)->Arg(1)->Arg(2)->Arg(4);

#include <benchmark/benchmark.h>

#include <vector>

#include "front/bezel.h"
#include "headless/run.h"
#include "host/host.h"
#include "front/view_scale.h"

namespace {
uint32_t picture[BEZEL_WIDTH * BEZEL_HEIGHT];
constexpr HostRect DISPLAY{FRAME_ORIGIN_X, FRAME_ORIGIN_Y, FRAME_ORIGIN_X + FRAME_WIDTH,
                           FRAME_ORIGIN_Y + FRAME_HEIGHT};
} // namespace

// The window's comparison of the frame just rendered with `last`, stored the same way (bottom row first).
static void diff_with(benchmark::State& state, const FrameBuffer& last) {
    const int top = gfx_index(0, 0, FRAME_WIDTH, FRAME_HEIGHT);
    HostRect bands[HOST_BANDS_MAX];
    for (auto _ : state)
        benchmark::DoNotOptimize(host_rect_diff_bands(&host_frame.pixels[top], &last.pixels[top],
                                                      -FRAME_WIDTH, HostRect{0, 0, FRAME_WIDTH, FRAME_HEIGHT},
                                                      HOST_BAND_SLACK, bands, HOST_BANDS_MAX));
}

// What the window does for a frame identical to the one on the screen: look, and send nothing.
static void BM_ViewUnchangedFrame(benchmark::State& state) {
    host_reset_all();
    host_start();
    static FrameBuffer last;
    last = host_frame;
    diff_with(state, last);
}
BENCHMARK(BM_ViewUnchangedFrame);

// The bands of two frames of ATTITUDE in DEMO 1, the horizon moving between them.
static void BM_ViewMovingFrame(benchmark::State& state) {
    HostScheduler sched;
    headless_start(HeadlessOptions{}, &sched);
    int x = 0, y = 0;
    host_button_point(HOST_BUTTON_LEFT, &x, &y);
    uint64_t now = 1500;
    for (int k = 0; k < 4; ++k, now += 50) {
        host_sched_run(&sched, now, -1);
        host_hit_test(k % 2 == 0, x, y); // left twice: SETUP, then ATTITUDE
    }
    host_sched_run(&sched, now += 3000, -1);
    static FrameBuffer last;
    last = host_frame;
    host_sched_run(&sched, now + 10, -1);
    diff_with(state, last);
}
BENCHMARK(BM_ViewMovingFrame);

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

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "front/bezel.h"
#include "host/host.h"
#include "front/pointer.h"

namespace {

struct Region {
    const char* name;
    int x0, y0, x1, y1;   // both ends included
    uint32_t pressed = 0; // what a click inside presses
};
// The mouse regions of host_hit_test.
constexpr Region VIEW{"VIEW", 101, 131, 139, 169, BEZEL_PRESSED_VIEW};
constexpr Region LEFT{"left", 101, 201, 139, 239, BEZEL_PRESSED_LEFT};
constexpr Region RIGHT{"right", 321, 201, 359, 239, BEZEL_PRESSED_RIGHT};
constexpr uint32_t BOTH_PRESSED = BEZEL_PRESSED_LEFT | BEZEL_PRESSED_RIGHT | BEZEL_PRESSED_BOTH;
constexpr Region BOTH{"BOTH", 201, 276, 259, 324, BOTH_PRESSED};
constexpr Region REGIONS[] = {VIEW, LEFT, RIGHT, BOTH};

int luma(uint32_t p) {
    return static_cast<int>(((p >> 16 & 255) * 3 + (p >> 8 & 255) * 6 + (p & 255)) / 10);
}

class Bezel : public ::testing::Test {
  protected:
    void SetUp() override {
        host_reset_all();
        pic.assign(BEZEL_WIDTH * BEZEL_HEIGHT, 0);
    }
    uint32_t at(int x, int y) const { return pic[y * BEZEL_WIDTH + x]; }
    std::vector<uint32_t> compose() {
        host_bezel_compose(pic.data());
        return pic;
    }
    std::vector<uint32_t> pic;
};

bool same_in(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b, const Region& r) {
    for (int y = r.y0; y <= r.y1; ++y)
        for (int x = r.x0; x <= r.x1; ++x)
            if (a[y * BEZEL_WIDTH + x] != b[y * BEZEL_WIDTH + x]) return false;
    return true;
}

} // namespace

TEST_F(Bezel, EachControlFillsExactlyItsMouseRegion) {
    compose();
    for (const Region& r : REGIONS) {
        SCOPED_TRACE(r.name);
        int mx = (r.x0 + r.x1) / 2, my = (r.y0 + r.y1) / 2;
        // The face of the control reaches each edge of the region and stops there: the pixel just
        // outside is the dark seam or well around it.
        EXPECT_GE(luma(at(r.x0, my)) - luma(at(r.x0 - 1, my)), 12);
        EXPECT_GE(luma(at(r.x1, my)) - luma(at(r.x1 + 1, my)), 12);
        EXPECT_GE(luma(at(mx, r.y0)) - luma(at(mx, r.y0 - 1)), 12);
        EXPECT_GE(luma(at(mx, r.y1)) - luma(at(mx, r.y1 + 1)), 12);
        // A press anywhere up to the edges presses that control and its release lets go; one pixel
        // beyond any edge, nothing.
        for (auto [x, y, hit] :
             {std::tuple(r.x0, r.y0, true), std::tuple(r.x1, r.y1, true), std::tuple(r.x0, r.y1, true),
              std::tuple(r.x1, r.y0, true), std::tuple(r.x0 - 1, my, false), std::tuple(r.x1 + 1, my, false),
              std::tuple(mx, r.y0 - 1, false), std::tuple(mx, r.y1 + 1, false)}) {
            host_reset_all();
            host_hit_test(true, x, y);
            EXPECT_EQ(host_bezel_pressed(), hit ? r.pressed : 0u) << x << "," << y;
            host_hit_test(false, x, y);
            EXPECT_EQ(host_bezel_pressed(), 0u) << x << "," << y;
        }
    }
}

TEST_F(Bezel, LabelsArePrintedBesideTheirControls) {
    compose();
    auto brightest = [&](int x0, int y0, int x1, int y1) {
        int best = 0;
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) best = std::max(best, luma(at(x, y)));
        return best;
    };
    // VIEW under its button, HLD BRT over the right soft key, BOTH on its pad; the face itself is dark.
    EXPECT_GT(brightest(101, 174, 139, 195), 150);
    EXPECT_GT(brightest(311, 178, 369, 196), 150);
    EXPECT_GT(brightest(205, 295, 255, 320), 150);
    EXPECT_LT(brightest(101, 250, 139, 265), 90);
    EXPECT_LT(brightest(321, 250, 359, 265), 90);
}

// The frame lands in the display window (165..292, 107..266) top row first, opaque; putting it there
// alone matches a full compose and touches nothing around it.
TEST_F(Bezel, FrameLandsInTheDisplayWindowTopRowFirst) {
    const std::vector<uint32_t> before = compose();
    for (int i = 0; i < FRAME_PIXELS; ++i) host_frame.pixels[i] = static_cast<uint32_t>(i * 97) & 0xFFFFFF;
    host_frame.pixels[gfx_index(0, 0, FRAME_WIDTH, FRAME_HEIGHT)] = 0xFFFF0000;
    host_frame.pixels[gfx_index(127, 159, FRAME_WIDTH, FRAME_HEIGHT)] = 0xFF00FF00;
    host_bezel_put_frame(pic.data());
    EXPECT_EQ(at(165, 107), 0xFFFF0000u);
    EXPECT_EQ(at(292, 266), 0xFF00FF00u);
    EXPECT_EQ(at(200, 200), 0xFF000000u | host_frame.pixels[gfx_index(35, 93, FRAME_WIDTH, FRAME_HEIGHT)]);
    const std::vector<uint32_t> put = pic;
    EXPECT_EQ(put, compose());
    for (const Region& r : {Region{"above", 0, 0, 449, 106}, Region{"below", 0, 267, 449, 549},
                            Region{"left", 0, 107, 164, 266}, Region{"right", 293, 107, 449, 266}})
        EXPECT_TRUE(same_in(put, before, r)) << r.name;
    for (uint32_t p : pic) ASSERT_EQ(p >> 24, 0xFFu);
}

// Every combination of the three lines; the BOTH pad goes in with the two soft keys.
TEST_F(Bezel, ButtonsLookPressedWhileTheirLinesAreSet) {
    const std::vector<uint32_t> released = compose();
    for (int lines = 1; lines < 8; ++lines) {
        SCOPED_TRACE(lines);
        view_button_down = lines & 1, left_button_down = lines >> 1 & 1, right_button_down = lines >> 2 & 1;
        const std::vector<uint32_t> now = compose();
        for (const Region& r : REGIONS)
            EXPECT_EQ(!same_in(now, released, r), (host_bezel_pressed() & r.pressed) == r.pressed) << r.name;
        // A pressed key is pushed in: its middle is darker than when it stands out.
        EXPECT_TRUE(!view_button_down ||
                    luma(now[150 * BEZEL_WIDTH + 120]) < luma(released[150 * BEZEL_WIDTH + 120]));
        // Far from any control nothing changes.
        EXPECT_TRUE(same_in(now, released, Region{"top", 0, 0, 449, 100}));
        EXPECT_TRUE(same_in(now, released, Region{"bottom", 0, 340, 449, 549}));
    }
    view_button_down = left_button_down = right_button_down = 0;
    EXPECT_EQ(compose(), released);
}

TEST_F(Bezel, IconShowsTheInstrumentOnATransparentGround) {
    for (int size : {16, 48, 64, 256}) {
        SCOPED_TRACE(size);
        std::vector<uint32_t> icon(size * size, 0xDEADBEEF);
        host_bezel_icon(icon.data(), size);
        // The body is taller than wide: the corner and the sides stay clear, top and middle are solid.
        const int mid = size / 2 * size;
        EXPECT_EQ(std::tuple(icon[0] >> 24, icon[mid] >> 24, icon[size + size / 2] >> 24,
                             icon[mid + size / 2] >> 24),
                  std::tuple(0u, 0u, 0xFFu, 0xFFu));
        // The display in it is lit: brighter than the dark face around it.
        int best = 0;
        for (uint32_t p : icon)
            if (p >> 24 == 0xFF) best = std::max(best, luma(p));
        EXPECT_GT(best, 120);
    }
}

// Only the first press goes before a tick (a click between two ticks must still be seen); the rest
// follow one per tick, in order.
TEST(Pointer, EventsGoInOrderOnePerTick) {
    host_reset_all();
    HostPointerQueue q;
    host_pointer_reset(&q);
    host_pointer_push(&q, true, 120, 150, 0);  // VIEW down
    host_pointer_push(&q, false, 120, 150, 0); // VIEW up
    host_pointer_push(&q, true, 230, 300, 0);  // BOTH down
    host_pointer_push(&q, false, 10, 10, 0);   // released off every control: lines stay
    EXPECT_EQ(view_button_down, 1);
    for (auto [tick, view, soft] :
         {std::tuple(1, 0, 0), std::tuple(1, 0, 0), std::tuple(2, 0, 2), std::tuple(3, 0, 2)}) {
        host_pointer_flush(&q, tick);
        EXPECT_EQ(std::tuple(view_button_down, left_button_down + right_button_down), std::tuple(view, soft))
            << tick;
    }
    EXPECT_EQ(q.count, 0);
}

TEST(Pointer, FullQueueGivesWayToTheNewest) {
    host_reset_all();
    HostPointerQueue q;
    host_pointer_reset(&q);
    // Presses and releases of the right soft key in one tick: the first goes at once, the rest wait
    // until the queue is full, and then each new one pushes the oldest waiting one through (so the
    // first release is in), the rest follow in order, one per tick.
    for (int i = 0; i < HOST_POINTER_QUEUE_SIZE + 2; ++i) host_pointer_push(&q, i % 2 == 0, 340, 220, 0);
    EXPECT_EQ(std::tuple(q.count, right_button_down), std::tuple(HOST_POINTER_QUEUE_SIZE, 0));
    for (uint64_t tick = 1; q.count > 0; ++tick) {
        host_pointer_flush(&q, tick);
        EXPECT_EQ(right_button_down, tick % 2 == 1 ? 1 : 0) << tick;
    }
}

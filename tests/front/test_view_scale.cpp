#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <tuple>
#include <vector>

#include "host/host.h"
#include "front/view_scale.h"

namespace {

// A picture in which every pixel differs from its neighbours, so any misplaced copy shows.
std::vector<uint32_t> numbered_picture() {
    std::vector<uint32_t> p(BEZEL_WIDTH * BEZEL_HEIGHT);
    for (size_t i = 0; i < p.size(); ++i) p[i] = 0xFF000000u | static_cast<uint32_t>(i * 2654435761u >> 8);
    return p;
}

} // namespace

TEST(ViewScale, FitTakesTheLargestWholeScaleCentred) {
    struct Case {
        int w, h, max_up;
        int up, down, x, y;
    } cases[] = {
        {450, 550, 4, 1, 1, 0, 0},       {900, 1100, 4, 2, 1, 0, 0},     {1800, 2200, 4, 4, 1, 0, 0},
        {1800, 2200, 3, 3, 1, 225, 275}, {899, 1100, 4, 1, 1, 224, 275}, {701, 613, 4, 1, 1, 125, 31},
        {3000, 1200, 4, 2, 1, 1050, 50}, {449, 550, 4, 1, 2, 112, 137},  {300, 200, 4, 1, 3, 75, 8},
        {100, 100, 4, 1, 4, -6, -19},    {0, 0, 4, 1, 4, -56, -69},      {101, 100, 4, 1, 4, -6, -19},
        {2000, 2000, 9, 3, 1, 325, 175},
    };
    for (const Case& c : cases) {
        HostViewFit f = host_view_fit(c.w, c.h, c.max_up);
        EXPECT_EQ(std::tuple(f.up, f.down, f.x, f.y), std::tuple(c.up, c.down, c.x, c.y))
            << c.w << "x" << c.h;
        EXPECT_EQ(f.w, f.down > 1 ? BEZEL_WIDTH / f.down : BEZEL_WIDTH * f.up);
        EXPECT_EQ(f.h, f.down > 1 ? BEZEL_HEIGHT / f.down : BEZEL_HEIGHT * f.up);
    }
}

// At 2x from (50, 50): floor division, also left of and above the picture; shrunk to a half: the
// middle of the two by two block.
TEST(ViewScale, WindowPositionsMapBackToThePicture) {
    const HostViewFit two = host_view_fit(1000, 1200, 4), half = host_view_fit(225, 275, 4);
    const struct {
        const HostViewFit& fit;
        int wx, wy, px, py;
    } cases[] = {{two, 50, 50, 0, 0},        {two, 51, 51, 0, 0},       {two, 52, 53, 1, 1},
                 {two, 731, 490, 340, 220},  {two, 49, 49, -1, -1},     {two, 47, 50, -2, 0},
                 {two, 950, 1150, 450, 550}, {half, 170, 110, 341, 221}};
    for (const auto& c : cases) {
        int px = 0, py = 0;
        host_view_to_picture(c.fit, c.wx, c.wy, &px, &py);
        EXPECT_EQ(std::tuple(px, py), std::tuple(c.px, c.py)) << c.wx << "," << c.wy;
    }
}

TEST(ViewScale, EnlargedPixelsAreWholeSquaresAndOnlyTheRectIsWritten) {
    std::vector<uint32_t> pic = numbered_picture();
    const int W = 1000, H = 1200;
    HostViewFit f = host_view_fit(W, H, 4); // 2x at (50, 50)
    std::vector<uint32_t> win(W * H, 0x12345678);
    const HostRect r{165, 107, 293, 267};
    host_view_draw(f, pic.data(), r, win.data(), W, W, H);
    HostRect s = host_view_screen_rect(f, r);
    EXPECT_EQ(std::tuple(s.x0, s.y1), std::tuple(50 + 330, 50 + 534));
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            bool inside = x >= s.x0 && x < s.x1 && y >= s.y0 && y < s.y1;
            uint32_t want = inside ? pic[((y - 50) / 2) * BEZEL_WIDTH + (x - 50) / 2] : 0x12345678u;
            ASSERT_EQ(win[y * W + x], want) << x << "," << y;
        }
    // A window cut short (a forced size) shows the same pixels as far as it reaches.
    const int W2 = 400, H2 = 500;
    std::vector<uint32_t> cut(W2 * H2, 0x12345678);
    host_view_draw(f, pic.data(), r, cut.data(), W2, W2, H2);
    for (int y = 0; y < H2; ++y)
        for (int x = 0; x < W2; ++x) ASSERT_EQ(cut[y * W2 + x], win[y * W + x]) << x << "," << y;
}

TEST(ViewScale, ShrunkPixelsAreBlockMeansAndMarginsArePlain) {
    std::vector<uint32_t> pic(BEZEL_WIDTH * BEZEL_HEIGHT, 0xFF000000);
    pic[0] = 0xFFFF0000;               // one red pixel of the first 2 x 2 block
    pic[BEZEL_WIDTH + 1] = 0xFF0000FF; // and a blue one
    const int W = 240, H = 280;
    HostViewFit f = host_view_fit(W, H, 4); // 1/2 at (7, 2)
    ASSERT_EQ(f.down, 2);
    std::vector<uint32_t> win(W * H, 0x12345678);
    host_view_fill_margins(f, 0xFF000000, win.data(), W, W, H);
    host_view_draw(f, pic.data(), HostRect{0, 0, BEZEL_WIDTH, BEZEL_HEIGHT}, win.data(), W, W, H);
    EXPECT_EQ(win[2 * W + 7], 0xFF400040u); // a quarter red, a quarter blue, rounded
    EXPECT_EQ(win[2 * W + 8], 0xFF000000u);
    for (uint32_t p : win) ASSERT_NE(p, 0x12345678u);
    // A changed rectangle covers every block it touches.
    HostRect s = host_view_screen_rect(f, HostRect{165, 107, 293, 267});
    EXPECT_EQ(std::tuple(s.x0, s.y0, s.x1, s.y1), std::tuple(7 + 82, 2 + 53, 7 + 147, 2 + 134));
}

TEST(ViewScale, DiffFindsTheChangedRectangle) {
    std::vector<uint32_t> a = numbered_picture(), b = a;
    const HostRect whole{0, 0, BEZEL_WIDTH, BEZEL_HEIGHT};
    EXPECT_TRUE(host_rect_empty(host_rect_diff(a.data(), b.data(), BEZEL_WIDTH, whole)));
    b[200 * BEZEL_WIDTH + 170] ^= 1;
    b[210 * BEZEL_WIDTH + 290] ^= 1;
    b[5 * BEZEL_WIDTH + 449] ^= 1; // outside the area asked about
    HostRect d = host_rect_diff(a.data(), b.data(), BEZEL_WIDTH, HostRect{165, 107, 293, 267});
    EXPECT_EQ(std::tuple(d.x0, d.y0, d.x1, d.y1), std::tuple(170, 200, 291, 211));
    d = host_rect_diff(a.data(), b.data(), BEZEL_WIDTH, whole);
    EXPECT_EQ(std::tuple(d.y0, d.x1), std::tuple(5, 450));
}

// The changed rows as bands, against a brute-force count on a bottom-up frame: every changed pixel in
// exactly one band, nothing outside the area, at most the bands allowed, and little unchanged taken in.
TEST(ViewScale, DiffBandsCoverEveryChangeAndLittleElse) {
    constexpr int W = 128, H = 160;
    std::mt19937 rng(23);
    // A tilted line across the display, moved by a few rows: the shape of a moving horizon.
    auto line = [](std::vector<uint32_t>* f, float slope, float at) {
        for (int x = 0; x < W; ++x)
            for (int t = 0; t < 2; ++t) {
                int y = static_cast<int>(at + slope * x) + t;
                if (y >= 0 && y < H) (*f)[(H - 1 - y) * W + x] = 0xFFFFFFFF;
            }
    };
    for (int round = 0; round < 40; ++round) {
        std::vector<uint32_t> a(W * H, 0xFF0000C0), b = a;
        float slope = (static_cast<int>(rng() % 200) - 100) / 100.0f;
        line(&a, slope, 40.0f + rng() % 60);
        line(&b, slope, 40.0f + rng() % 60);
        for (int k = round % 4; k > 0; --k) b[rng() % b.size()] ^= 0x10;
        const HostRect area{0, 3, W, H - 2};
        const int max = round % 5 == 0 ? 3 : HOST_BANDS_MAX, slack = round % 3 * HOST_BAND_SLACK / 2;
        HostRect bands[HOST_BANDS_MAX];
        // Top rows first: the frame is stored bottom row first.
        int n = host_rect_diff_bands(&a[(H - 1) * W], &b[(H - 1) * W], -W, area, slack, bands, max);
        ASSERT_LE(n, max);
        long changed_rows = 0, spans = 0, covered = 0;
        for (int y = 0; y < H; ++y) {
            int x0 = W, x1 = 0;
            for (int x = 0; x < W; ++x) {
                bool differs = a[(H - 1 - y) * W + x] != b[(H - 1 - y) * W + x];
                bool inside = y >= area.y0 && y < area.y1;
                int in = 0;
                for (int i = 0; i < n; ++i)
                    in += x >= bands[i].x0 && x < bands[i].x1 && y >= bands[i].y0 && y < bands[i].y1;
                if (differs && inside) {
                    ASSERT_EQ(in, 1) << x << "," << y;
                }
                ASSERT_LE(in, inside ? 1 : 0) << x << "," << y; // no overlap, nothing outside
                covered += in;
                if (differs && inside) x0 = std::min(x0, x), x1 = std::max(x1, x + 1);
            }
            if (x0 < x1) ++changed_rows, spans += x1 - x0;
        }
        EXPECT_EQ(n == 0, changed_rows == 0);
        if (max == HOST_BANDS_MAX && n < max) {
            EXPECT_LE(covered, spans + slack * changed_rows);
        }
    }
    // A moved line: well under half the pixels of the rectangle around both positions.
    std::vector<uint32_t> a(W * H, 0xFF0000C0), b = a;
    line(&a, 0.6f, 20), line(&b, 0.6f, 26);
    HostRect bands[HOST_BANDS_MAX];
    int n = host_rect_diff_bands(&a[(H - 1) * W], &b[(H - 1) * W], -W, HostRect{0, 0, W, H}, HOST_BAND_SLACK,
                                 bands, HOST_BANDS_MAX);
    long area = 0;
    for (int i = 0; i < n; ++i) area += (bands[i].x1 - bands[i].x0) * (bands[i].y1 - bands[i].y0);
    HostRect box = host_rect_diff(&a[0], &b[0], W, HostRect{0, 0, W, H});
    EXPECT_LT(area * 2, (box.x1 - box.x0) * (box.y1 - box.y0));
}

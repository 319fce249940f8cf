#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "fuzz.h"
#include "live/xplane.h"

namespace {

// A reply as X-Plane builds it: "RREF", one byte, then (int32 index, float32 value) little-endian.
std::string reply(std::initializer_list<std::pair<int32_t, float>> pairs) {
    std::string out = "RREF,";
    for (auto [index, value] : pairs) {
        uint32_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        for (uint32_t word : {static_cast<uint32_t>(index), bits})
            for (int i = 0; i < 4; ++i) out += static_cast<char>(word >> (8 * i));
    }
    return out;
}

int take(const std::string& d, LiveXplaneValues* v) {
    return live_xplane_reply(reinterpret_cast<const uint8_t*>(d.data()), d.size(), v);
}

} // namespace

TEST(Xplane, RequestLayout) {
    uint8_t r[LIVE_XPLANE_REQUEST_SIZE];
    std::memset(r, 0xAA, sizeof r);
    live_xplane_request(r, 20, 8);
    const char want[] = "RREF\0\x14\0\0\0\x08\0\0\0sim/cockpit2/electrical/bus_volts[0]";
    EXPECT_EQ(std::memcmp(r, want, sizeof want), 0); // the path's NUL included
    for (size_t i = sizeof want; i < sizeof r; ++i) ASSERT_EQ(r[i], 0) << i;
    EXPECT_STREQ(LIVE_XPLANE_PATHS[XP_PITCH], "sim/flightmodel/position/theta");
    EXPECT_STREQ(LIVE_XPLANE_PATHS[XP_PRESSURE_ALT], "sim/flightmodel2/position/pressure_altitude");
}

// 60 m/s is 116.63064 kt; 6000 ft at -4 C is a density altitude of 5155 ft (6000 + 118.8 x -7.1128).
TEST(Xplane, RepliesAddUpToAState) {
    LiveXplaneValues v{};
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(take(reply({{0, 10.0f}, {5, 60.0f}, {42, 1.0f}, {1, nan}, {7, 6000.0f}}), &v), 3);
    FlightState s;
    live_xplane_state(v, &s);
    EXPECT_EQ(s.given, 1u << FLT_PITCH | 1u << FLT_TAS) << "no density altitude without the temperature";
    EXPECT_FLOAT_EQ(s.value[FLT_TAS], 116.63064f);
    EXPECT_EQ(take(reply({{6, -4.0f}, {1, -30.0f}, {2, 61.0f}, {3, 2.0f}, {4, 1.5f}, {8, 13.8f}}), &v), 6);
    live_xplane_state(v, &s);
    EXPECT_EQ(s.given, FLT_ALL_GIVEN);
    EXPECT_NEAR(s.value[FLT_DALT], 5155.0f, 0.01f);
    EXPECT_EQ(std::tuple(s.value[FLT_ROLL], s.value[FLT_AOA], s.value[FLT_SLIP], s.value[FLT_LOAD],
                         s.value[FLT_VOLTS]),
              std::tuple(-30.0f, 60.0f, 2.0f, 1.5f, 13.8f)); // the angle of attack clamped to 60
    // Not replies: the header alone, a pair cut short or too long, another message.
    const std::string good = reply({{0, 1.0f}});
    for (const std::string& bad :
         {good.substr(0, 5), good.substr(0, 12), good + '\0', "DREF" + good.substr(4)})
        EXPECT_EQ(take(bad, &v), -1);
    EXPECT_EQ(v.raw[XP_PITCH], 10.0f) << "nothing taken from them";
}

// Random and mutated replies: no crash, every value in range, nothing allocated.
TEST(Xplane, Fuzz) {
    const char* const pieces[] = {"RREF",         "\x08\0\0\0",       "\0\0\xc0\x7f",
                                  "\0\0\x80\x7f", "\xff\xff\x7f\x7f", "\0\0 E"};
    const std::string seed =
        reply({{0, 10}, {1, -30}, {2, 5}, {3, 2}, {4, 1.5f}, {5, 60}, {6, -4}, {7, 6e3f}, {8, 14}});
    std::mt19937 rng(49000);
    constexpr int RUNS = 200000;
    int taken = 0;
    fuzz_allocations = 0;
    LiveXplaneValues v{};
    for (int i = 0; i < RUNS; ++i) {
        std::string d = seed;
        if (i % 4 == 0)
            for (size_t k = 4; k < d.size(); ++k) d[k] = static_cast<char>(rng());
        fuzz_mutate(&d, &rng, pieces, std::size(pieces));
        if (i % 1000 == 0) v = LiveXplaneValues{};
        FlightState s;
        fuzz_counting = true;
        taken += take(d, &v) > 0;
        live_xplane_state(v, &s);
        fuzz_counting = false;
        ASSERT_TRUE(fuzz_state_sound(s));
        for (int32_t r = 0; r < XP_REF_COUNT; ++r)
            ASSERT_TRUE(!(v.have >> r & 1u) || std::isfinite(v.raw[r]));
    }
    EXPECT_EQ(fuzz_allocations.load(), 0u);
    EXPECT_GT(taken, RUNS / 10);
    std::printf("X-Plane reply fuzz: %d datagrams, %d with values taken\n", RUNS, taken);
}

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
std::vector<uint8_t> reply(std::initializer_list<std::pair<int32_t, float>> pairs) {
    std::vector<uint8_t> out = {'R', 'R', 'E', 'F', ','};
    for (auto [index, value] : pairs) {
        uint32_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        for (uint32_t word : {static_cast<uint32_t>(index), bits})
            for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(word >> (8 * i)));
    }
    return out;
}

int take(const std::vector<uint8_t>& d, LiveXplaneValues* v) {
    return live_xplane_reply(d.data(), d.size(), v);
}

} // namespace

TEST(Xplane, RequestLayout) {
    uint8_t r[LIVE_XPLANE_REQUEST_SIZE];
    std::memset(r, 0xAA, sizeof r);
    live_xplane_request(r, 20, 8);
    const uint8_t head[13] = {'R', 'R', 'E', 'F', 0, 20, 0, 0, 0, 8, 0, 0, 0};
    EXPECT_EQ(std::memcmp(r, head, sizeof head), 0);
    const char path[] = "sim/cockpit2/electrical/bus_volts[0]";
    EXPECT_EQ(std::memcmp(r + 13, path, sizeof path), 0); // its NUL included
    for (size_t i = 13 + sizeof path; i < sizeof r; ++i) ASSERT_EQ(r[i], 0) << i;
    live_xplane_request(r, 0, 0);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(r + 13)), "sim/flightmodel/position/theta");
    EXPECT_EQ(r[5] | r[6] | r[7] | r[8] | r[9] | r[10] | r[11] | r[12], 0);
    // The nine paths asked for, in the order of their indices.
    const char* want[] = {
        "sim/flightmodel/position/theta",      "sim/flightmodel/position/phi",
        "sim/flightmodel/position/alpha",      "sim/cockpit2/gauges/indicators/slip_deg",
        "sim/flightmodel/forces/g_nrml",       "sim/flightmodel/position/true_airspeed",
        "sim/weather/temperature_ambient_c",   "sim/flightmodel2/position/pressure_altitude",
        "sim/cockpit2/electrical/bus_volts[0]"};
    for (int32_t i = 0; i < XP_REF_COUNT; ++i) EXPECT_STREQ(LIVE_XPLANE_PATHS[i], want[i]);
}

// 60 m/s is 116.63064 kt; 6000 ft at -4 C is a density altitude of 5155 ft (6000 + 118.8 x -7.1128).
TEST(Xplane, RepliesAddUpToAState) {
    LiveXplaneValues v{};
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(take(reply({{0, 10.0f}, {5, 60.0f}, {42, 1.0f}, {1, nan}, {-1, 3.0f}}), &v), 2);
    FlightState s;
    live_xplane_state(v, &s);
    EXPECT_EQ(s.given, 1u << FLT_PITCH | 1u << FLT_TAS);
    EXPECT_EQ(s.value[FLT_PITCH], 10.0f);
    EXPECT_FLOAT_EQ(s.value[FLT_TAS], 116.63064f);
    // No density altitude from the pressure altitude alone; with the temperature, there it is.
    EXPECT_EQ(take(reply({{7, 6000.0f}}), &v), 1);
    live_xplane_state(v, &s);
    EXPECT_FALSE(s.given >> FLT_DALT & 1u);
    EXPECT_EQ(take(reply({{6, -4.0f}, {1, -30.0f}, {2, 61.0f}, {3, 2.0f}, {4, 1.5f}, {8, 13.8f}}), &v), 6);
    live_xplane_state(v, &s);
    EXPECT_EQ(s.given, FLT_ALL_GIVEN);
    EXPECT_NEAR(s.value[FLT_DALT], 5155.0f, 0.01f);
    EXPECT_EQ(std::tuple(s.value[FLT_ROLL], s.value[FLT_AOA], s.value[FLT_SLIP], s.value[FLT_LOAD]),
              std::tuple(-30.0f, 60.0f, 2.0f, 1.5f)); // the angle of attack clamped to 60
    EXPECT_EQ(std::tuple(s.value[FLT_OAT], s.value[FLT_VOLTS]), std::tuple(-4.0f, 13.8f));
}

TEST(Xplane, WhatIsNotAReply) {
    LiveXplaneValues v{};
    std::vector<uint8_t> good = reply({{0, 1.0f}});
    EXPECT_EQ(take(good, &v), 1);
    std::vector<uint8_t> header_only(good.begin(), good.begin() + 5),
        short_pair(good.begin(), good.end() - 1);
    std::vector<uint8_t> long_pair = good, other = good;
    long_pair.push_back(0);
    other[0] = 'D';
    for (const auto* d : {&header_only, &short_pair, &long_pair, &other}) EXPECT_EQ(take(*d, &v), -1);
    EXPECT_EQ(live_xplane_reply(good.data(), 0, &v), -1);
    EXPECT_EQ(v.have, 1u) << "nothing taken from them";
}

// Random and mutated replies: no crash, every value in range, nothing allocated.
TEST(Xplane, Fuzz) {
    const char* const pieces[] = {
        "RREF",         "\0\0\0\0",         "\x08\0\0\0",   "\x07\0\0\0", "\0\0\xc0\x7f",
        "\0\0\x80\x7f", "\xff\xff\x7f\x7f", "\0\0\x80\xff", "\0\0 E",     "\x01\0\0\0\0\0\x20\x41"};
    const std::vector<uint8_t> seed = reply({{0, 10.0f},
                                             {1, -30.0f},
                                             {2, 5.0f},
                                             {3, 2.0f},
                                             {4, 1.5f},
                                             {5, 60.0f},
                                             {6, -4.0f},
                                             {7, 6e3f},
                                             {8, 14.0f}});
    std::mt19937 rng(49000);
    constexpr int RUNS = 200000;
    int taken = 0, refused = 0;
    fuzz_allocations = 0;
    LiveXplaneValues v{};
    for (int i = 0; i < RUNS; ++i) {
        uint8_t buf[512];
        size_t n;
        if (i % 4 == 0) {
            n = rng() % 120;
            for (size_t k = 0; k < n; ++k) buf[k] = static_cast<uint8_t>(rng());
            if (n >= 4 && rng() % 2) std::memcpy(buf, "RREF", 4);
        } else {
            std::string s(seed.begin(), seed.end());
            fuzz_mutate(&s, &rng, pieces, std::size(pieces));
            n = std::min(s.size(), sizeof buf);
            std::memcpy(buf, s.data(), n);
        }
        if (i % 1000 == 0) v = LiveXplaneValues{};
        fuzz_counting = true;
        int got = live_xplane_reply(buf, n, &v);
        FlightState s;
        live_xplane_state(v, &s);
        fuzz_counting = false;
        ASSERT_TRUE(fuzz_state_sound(s));
        ASSERT_EQ(v.have & ~((1u << XP_REF_COUNT) - 1), 0u);
        for (int32_t r = 0; r < XP_REF_COUNT; ++r)
            ASSERT_TRUE(!(v.have >> r & 1u) || std::isfinite(v.raw[r]));
        got < 0 ? ++refused : ++taken;
    }
    EXPECT_EQ(fuzz_allocations.load(), 0u);
    EXPECT_GT(taken, RUNS / 10);
    EXPECT_GT(refused, RUNS / 10);
    std::printf("X-Plane reply fuzz: %d datagrams, %d taken, %d refused\n", RUNS, taken, refused);
}

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <tuple>

#include "fuzz.h"
#include "live/text.h"

std::atomic<bool> fuzz_counting{false};
std::atomic<uint64_t> fuzz_allocations{0};

// This test program's allocator: counts while a fuzz loop asks it to.
void* operator new(size_t n) {
    if (fuzz_counting.load(std::memory_order_relaxed))
        fuzz_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(n == 0 ? 1 : n)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, size_t) noexcept {
    std::free(p);
}

namespace {

LiveTextResult parse(const std::string& text, FlightState* s) {
    return live_parse_text(text.data(), text.size(), s);
}

uint32_t bit(int32_t id) {
    return 1u << id;
}

} // namespace

TEST(LiveNumber, DecimalFormsOnly) {
    const std::pair<const char*, float> good[] = {
        {"12", 12.0f},   {"-0.5", -0.5f},  {"+.5", 0.5f}, {"1e3", 1000.0f}, {"1.5E-1", 0.15f},
        {"007", 7.0f},   {"5.", 5.0f},     {"-0", -0.0f}, {"13.8", 13.8f},  {"3.4028235e38", FLT_MAX},
        {"1e-50", 0.0f}, {"-1e-50", -0.0f}};
    for (const auto& [text, want] : good) {
        float v = 99.0f;
        ASSERT_TRUE(live_parse_number(text, &v)) << text;
        EXPECT_EQ(std::memcmp(&v, &want, sizeof v), 0) << text << " gave " << v;
    }
    for (const char* bad : {"",
                            "+",
                            "-",
                            ".",
                            "+.",
                            "e3",
                            "1e",
                            "1e+",
                            "nan",
                            "NaN",
                            "inf",
                            "-inf",
                            "infinity",
                            "0x10",
                            "1,5",
                            "1 ",
                            " 1",
                            "--1",
                            "+-1",
                            "1e39",
                            "-4e38",
                            "1e99999",
                            "1..2",
                            "1.2.3",
                            "0.00000000000000000000000000000000000000000000000000000000000000001"}) {
        float v = 0.0f;
        EXPECT_FALSE(live_parse_number(bad, &v)) << "'" << bad << "'";
    }
}

// What the recorder writes reads back to the very same float.
TEST(LiveNumber, FormattedNumbersReadBackExactly) {
    // As short as can be, plain unless an exponent is shorter.
    const std::pair<float, const char*> shown[] = {
        {13.8f, "13.8"}, {1000.0f, "1000"}, {-0.0f, "-0"},       {0.0001f, "1e-04"},
        {0.25f, "0.25"}, {-1e5f, "-1e+05"}, {1.5e9f, "1.5e+09"}, {116.63064f, "116.63064"}};
    char buf[32];
    for (const auto& [v, text] : shown) {
        size_t n = live_format_number(v, buf, sizeof buf);
        EXPECT_EQ(std::string(buf, n), text);
    }
    std::mt19937 rng(7);
    for (int i = 0; i < 20000; ++i) {
        uint32_t bits = rng();
        float v;
        std::memcpy(&v, &bits, sizeof v);
        if (!std::isfinite(v)) continue;
        size_t n = live_format_number(v, buf, sizeof buf);
        ASSERT_LE(n, 15u);
        float back = 0.0f;
        ASSERT_TRUE(live_parse_number(std::string_view(buf, n), &back)) << std::string(buf, n);
        ASSERT_EQ(std::memcmp(&back, &v, sizeof v), 0) << std::string(buf, n);
    }
}

TEST(LiveText, ADatagramIsAWholeState) {
    FlightState s;
    ASSERT_EQ(parse("pitch=5 roll=-30,aoa=12.5\tg=3.2 tas=118\r\ndalt=6500,,oat=-4 volts=13.8\n", &s).error,
              LIVE_TEXT_OK);
    EXPECT_EQ(s.given, FLT_ALL_GIVEN & ~bit(FLT_SLIP));
    EXPECT_EQ(std::tuple(s.value[FLT_PITCH], s.value[FLT_ROLL], s.value[FLT_AOA], s.value[FLT_LOAD]),
              std::tuple(5.0f, -30.0f, 12.5f, 3.2f));
    EXPECT_EQ(std::tuple(s.value[FLT_TAS], s.value[FLT_DALT], s.value[FLT_OAT], s.value[FLT_VOLTS]),
              std::tuple(118.0f, 6500.0f, -4.0f, 13.8f));
    // Keys of others are skipped whatever their value; KEY=- names a value as not given.
    ASSERT_EQ(parse("heading=271.5 foo=nan slip=- slip2=1 pitch=1", &s).error, LIVE_TEXT_OK);
    EXPECT_EQ(std::tuple(s.given, s.value[FLT_PITCH]), std::tuple(bit(FLT_PITCH), 1.0f));
    ASSERT_EQ(parse("heading=271.5", &s).error, LIVE_TEXT_OK);
    EXPECT_EQ(s.given, 0u);
    // Clamped to the ranges.
    ASSERT_EQ(
        parse("pitch=200 roll=-1e6 slip=-25 aoa=61 g=10.5 tas=-5 dalt=70000 oat=-100 volts=99", &s).error,
        LIVE_TEXT_OK);
    const float clamped[FLT_VALUE_COUNT] = {180, -180, -20, 60, 10, 0, 60000, -99, 40};
    for (int32_t i = 0; i < FLT_VALUE_COUNT; ++i) EXPECT_EQ(s.value[i], clamped[i]) << FLT_VALUES[i].key;
}

// Density altitude = PA + 118.8 (OAT - (15 - 0.0019812 PA)): at 6000 ft and -4 C the standard
// temperature is 3.1128 C, 7.1128 degrees warmer than the air, so 6000 - 845.0 = 5155 ft.
TEST(LiveText, PressureAltitudeWithTemperatureGivesDensityAltitude) {
    FlightState s;
    ASSERT_EQ(parse("palt=6000 oat=-4", &s).error, LIVE_TEXT_OK);
    EXPECT_EQ(s.given, bit(FLT_DALT) | bit(FLT_OAT));
    EXPECT_NEAR(s.value[FLT_DALT], 5155.0f, 0.01f);
    // At 0 ft and 15 C the air is standard: density altitude 0.
    ASSERT_EQ(parse("oat=15,palt=0", &s).error, LIVE_TEXT_OK);
    EXPECT_EQ(s.value[FLT_DALT], 0.0f);
    ASSERT_EQ(parse("palt=6000", &s).error, LIVE_TEXT_OK);
    EXPECT_EQ(s.given, 0u) << "no temperature, no density altitude";
    ASSERT_EQ(parse("dalt=100 palt=6000 oat=0", &s).error, LIVE_TEXT_OK);
    EXPECT_EQ(s.value[FLT_DALT], 100.0f) << "a given dalt stands";
    EXPECT_EQ(parse("palt=1 palt=2 oat=0", &s).error, LIVE_TEXT_TWICE);
}

TEST(LiveText, MalformedDatagramsAreRefusedWhole) {
    const struct {
        std::string text;
        LiveTextError error;
        size_t at, length;
    } cases[] = {
        {"", LIVE_TEXT_EMPTY, 0, 0},
        {" ,\t\r\n,", LIVE_TEXT_EMPTY, 0, 6},
        {"pitch=1 roll", LIVE_TEXT_PAIR, 8, 4},
        {"=5", LIVE_TEXT_PAIR, 0, 2},
        {"pitch=1 aoa=abc", LIVE_TEXT_NUMBER, 8, 7},
        {"pitch=nan", LIVE_TEXT_NUMBER, 0, 9},
        {"g=inf", LIVE_TEXT_NUMBER, 0, 5},
        {"tas=", LIVE_TEXT_NUMBER, 0, 4},
        {"tas=1e40", LIVE_TEXT_NUMBER, 0, 8},
        {"pitch=1 pitch=2", LIVE_TEXT_TWICE, 8, 7},
        {"pitch=- pitch=2", LIVE_TEXT_TWICE, 8, 7},
        {std::string("pitch=1\0", 8), LIVE_TEXT_BYTE, 7, 1},
        {"pitch=1 \xC3\xA9=2", LIVE_TEXT_BYTE, 8, 1},
        {"pitch=1;roll=2", LIVE_TEXT_NUMBER, 0, 14},
    };
    for (const auto& c : cases) {
        FlightState s;
        s.given = 7;
        LiveTextResult r = parse(c.text, &s);
        EXPECT_EQ(std::tuple(r.error, r.at, r.length), std::tuple(c.error, c.at, c.length)) << c.text;
        EXPECT_EQ(s.given, 0u) << c.text;
    }
}

// Mutated and random datagrams: no crash, every value in range, nothing allocated, and what is accepted
// reads back the same once written out again.
TEST(LiveText, Fuzz) {
    const char* const pieces[] = {
        "pitch=", "roll=", "slip=", "aoa=", "g=",   "tas=",  "dalt=", "oat=",  "volts=", "palt=", "=",
        "-",      ".",     "e",     "e-9",  "1e38", "99999", "nan",   "inf",   ",",      " ",     "\t",
        "\n",     "\0",    "\xff",  "12.5", "-0",   "+",     "x=y",   "pitch", "==",     "-1e-45"};
    const std::string seeds[] = {"pitch=5 roll=-30 aoa=12.5 g=3.2 tas=118 dalt=6500 oat=-4 volts=13.8",
                                 "pitch=1.25,roll=30,slip=0.5\n", "palt=6000 oat=-4 foo=bar", "g=- pitch=-"};
    std::mt19937 rng(20250611u);
    int accepted = 0, refused = 0;
    constexpr int RUNS = 200000;
    fuzz_allocations = 0;
    for (int i = 0; i < RUNS; ++i) {
        char buf[LIVE_MAX_DATAGRAM];
        size_t n;
        if (i % 4 == 0) { // random bytes, mostly printable
            n = rng() % 200;
            for (size_t k = 0; k < n; ++k) buf[k] = static_cast<char>(rng() % 8 ? 0x20 + rng() % 95 : rng());
        } else {
            std::string s = seeds[rng() % std::size(seeds)];
            fuzz_mutate(&s, &rng, pieces, std::size(pieces));
            n = std::min(s.size(), sizeof buf);
            std::memcpy(buf, s.data(), n);
        }
        FlightState st;
        fuzz_counting = true;
        LiveTextResult r = live_parse_text(buf, n, &st);
        fuzz_counting = false;
        ASSERT_TRUE(fuzz_state_sound(st)) << std::string(buf, n);
        if (r.error != LIVE_TEXT_OK) {
            ++refused;
            ASSERT_EQ(st.given, 0u);
            ASSERT_LE(r.at + r.length, n);
            continue;
        }
        ++accepted;
        std::string again;
        char num[32];
        for (int32_t id = 0; id < FLT_VALUE_COUNT; ++id) {
            if (!(st.given >> id & 1u)) continue;
            again += std::string(FLT_VALUES[id].key) + "=" +
                     std::string(num, live_format_number(st.value[id], num, sizeof num)) + " ";
        }
        FlightState back;
        if (again.empty()) continue;
        ASSERT_EQ(parse(again, &back).error, LIVE_TEXT_OK) << again;
        ASSERT_EQ(std::memcmp(&back, &st, sizeof st), 0) << again;
    }
    EXPECT_EQ(fuzz_allocations.load(), 0u);
    EXPECT_GT(accepted, RUNS / 20);
    EXPECT_GT(refused, RUNS / 4);
    std::printf("text format fuzz: %d datagrams, %d accepted, %d refused\n", RUNS, accepted, refused);
}

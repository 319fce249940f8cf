#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <tuple>

#include "fuzz.h"
#include "live/text.h"

namespace {

LiveTextResult parse(const std::string& text, FlightState* s) {
    return live_parse_text(text.data(), text.size(), s);
}

} // namespace

// Decimal forms only; what the recorder writes is as short as can be and reads back to the same float.
TEST(LiveNumber, ReadAndWritten) {
    const std::pair<const char*, float> good[] = {{"12", 12},       {"-0.5", -0.5f},
                                                  {"+.5", 0.5f},    {"1.5E-1", 0.15f},
                                                  {"5.", 5},        {"3.4028235e38", 3.4028235e38f},
                                                  {"-1e-50", -0.0f}};
    for (const auto& [text, want] : good) {
        float v = 99.0f;
        EXPECT_TRUE(live_parse_number(text, &v) && std::memcmp(&v, &want, sizeof v) == 0) << text << " " << v;
    }
    float v = 0.0f;
    for (const char* bad :
         {"", "+", ".", "e3", "1e", "1e+", "nan", "inf", "-inf", "0x10", "1,5", " 1", "--1", "1e39", "-4e38",
          "1..2", "0.00000000000000000000000000000000000000000000000000000000000000001"})
        EXPECT_FALSE(live_parse_number(bad, &v)) << "'" << bad << "'";
    const std::pair<float, const char*> shown[] = {{13.8f, "13.8"},   {1000.0f, "1000"},
                                                   {-0.0f, "-0"},     {0.0001f, "1e-04"},
                                                   {-1e5f, "-1e+05"}, {116.63064f, "116.63064"}};
    char buf[32];
    for (const auto& [v, text] : shown)
        EXPECT_EQ(std::string(buf, live_format_number(v, buf, sizeof buf)), text);
    std::mt19937 rng(7);
    for (int i = 0; i < 20000; ++i) {
        const uint32_t bits = rng();
        float v, back = 0.0f;
        std::memcpy(&v, &bits, sizeof v);
        if (!std::isfinite(v)) continue;
        const size_t n = live_format_number(v, buf, sizeof buf);
        ASSERT_TRUE(n <= 15 && live_parse_number(std::string_view(buf, n), &back)) << std::string(buf, n);
        ASSERT_EQ(std::memcmp(&back, &v, sizeof v), 0) << std::string(buf, n);
    }
}

// Density altitude = PA + 118.8 (OAT - (15 - 0.0019812 PA)): at 6000 ft and -4 C the standard
// temperature is 3.1128 C, so 6000 + 118.8 x -7.1128 = 5155 ft.
TEST(LiveText, ADatagramIsAWholeState) {
    FlightState s;
    ASSERT_EQ(
        parse("pitch=5 roll=-30,aoa=12.5\tg=3.2 tas=118\r\ndalt=6500,,oat=-4 volts=13.8 heading=9 x=nan\n",
              &s)
            .error,
        LIVE_TEXT_OK);
    EXPECT_EQ(s.given, FLT_ALL_GIVEN & ~(1u << FLT_SLIP)) << "unknown keys skipped, slip not named";
    const float want[FLT_VALUE_COUNT] = {5, -30, 0, 12.5f, 3.2f, 118, 6500, -4, 13.8f};
    EXPECT_EQ(std::memcmp(s.value, want, sizeof want), 0);
    ASSERT_EQ(
        parse("pitch=200 roll=-1e6 slip=-25 aoa=61 g=10.5 tas=-5 dalt=70000 oat=-100 volts=99", &s).error,
        LIVE_TEXT_OK);
    const float clamped[FLT_VALUE_COUNT] = {180, -180, -20, 60, 10, 0, 60000, -99, 40};
    EXPECT_EQ(std::memcmp(s.value, clamped, sizeof clamped), 0);
    ASSERT_EQ(parse("palt=6000 oat=-4 slip=-", &s).error, LIVE_TEXT_OK);
    EXPECT_EQ(s.given, 1u << FLT_DALT | 1u << FLT_OAT);
    EXPECT_NEAR(s.value[FLT_DALT], 5155.0f, 0.01f);
    parse("palt=6000", &s);
    EXPECT_EQ(s.given, 0u) << "no temperature, no density altitude";
    parse("dalt=100 palt=6000 oat=0", &s);
    EXPECT_EQ(s.value[FLT_DALT], 100.0f) << "a given dalt stands";
}

TEST(LiveText, MalformedDatagramsAreRefusedWhole) {
    const std::tuple<std::string, LiveTextError, size_t, size_t> cases[] = {
        {" ,\t\r\n,", LIVE_TEXT_EMPTY, 0, 6},
        {"pitch=1 roll", LIVE_TEXT_PAIR, 8, 4},
        {"=5", LIVE_TEXT_PAIR, 0, 2},
        {"pitch=1 aoa=abc", LIVE_TEXT_NUMBER, 8, 7},
        {"g=inf", LIVE_TEXT_NUMBER, 0, 5},
        {"tas=", LIVE_TEXT_NUMBER, 0, 4},
        {"pitch=- pitch=2", LIVE_TEXT_TWICE, 8, 7},
        {"palt=1 palt=2", LIVE_TEXT_TWICE, 7, 6},
        {std::string("g=1\0", 4), LIVE_TEXT_BYTE, 3, 1},
        {"pitch=1 \xC3\xA9=2", LIVE_TEXT_BYTE, 8, 1}};
    for (const auto& [text, error, at, length] : cases) {
        FlightState s{7, {}};
        LiveTextResult r = parse(text, &s);
        EXPECT_EQ(std::tuple(r.error, r.at, r.length, s.given), std::tuple(error, at, length, 0u)) << text;
    }
}

// Mutated and random datagrams: no crash, every value in range, nothing allocated, and what is accepted
// reads back the same once written out again.
TEST(LiveText, Fuzz) {
    const char* const pieces[] = {"pitch=", "roll=", "g=",   "dalt=", "oat=", "palt=", "=",
                                  "-",      ".",     "e-9",  "1e38",  "nan",  ",",     " ",
                                  "\n",     "\xff",  "12.5", "+",     "x=y",  "-1e-45"};
    const std::string seeds[] = {"pitch=5 roll=-30 aoa=12.5 g=3.2 tas=118 dalt=6500 oat=-4 volts=13.8",
                                 "slip=0.5\n", "palt=6000 oat=-4 foo=bar", "g=- pitch=-"};
    std::mt19937 rng(20250611u);
    constexpr int RUNS = 200000;
    int accepted = 0;
    fuzz_allocations = 0;
    for (int i = 0; i < RUNS; ++i) {
        std::string d = seeds[rng() % std::size(seeds)];
        if (i % 4 == 0) // random bytes, mostly printable
            for (char& c : d) c = static_cast<char>(rng() % 8 ? 0x20 + rng() % 95 : rng());
        fuzz_mutate(&d, &rng, pieces, std::size(pieces));
        FlightState st, back;
        fuzz_counting = true;
        LiveTextResult r = parse(d, &st);
        fuzz_counting = false;
        ASSERT_TRUE(fuzz_state_sound(st) && (r.error == LIVE_TEXT_OK || st.given == 0)) << d;
        if (r.error != LIVE_TEXT_OK || st.given == 0) continue;
        ++accepted;
        std::string again;
        char num[32];
        for (int32_t id = 0; id < FLT_VALUE_COUNT; ++id)
            if (st.given >> id & 1u)
                again += std::string(FLT_VALUES[id].key) + "=" +
                         std::string(num, live_format_number(st.value[id], num, sizeof num)) + " ";
        ASSERT_TRUE(parse(again, &back).error == LIVE_TEXT_OK && std::memcmp(&back, &st, sizeof st) == 0)
            << again;
    }
    EXPECT_EQ(fuzz_allocations.load(), 0u);
    EXPECT_GT(accepted, RUNS / 20);
    std::printf("text format fuzz: %d datagrams, %d accepted with values\n", RUNS, accepted);
}

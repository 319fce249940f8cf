#include "live/text.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

bool is_separator(char c) {
    return c == ' ' || c == ',' || c == '\t' || c == '\r' || c == '\n';
}

// Sign, digits with a fraction or a fraction alone, exponent: nothing else (no "inf", no "nan", no hex).
bool well_formed(std::string_view s) {
    size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    size_t digits = 0;
    while (i < s.size() && is_digit(s[i])) ++i, ++digits;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && is_digit(s[i])) ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
        size_t exponent_digits = 0;
        while (i < s.size() && is_digit(s[i])) ++i, ++exponent_digits;
        if (exponent_digits == 0) return false;
    }
    return i == s.size();
}

constexpr std::string_view PRESSURE_ALT_KEY = "palt";
// Longest number taken: far more digits than a float holds.
constexpr size_t MAX_NUMBER_TEXT = 64;

} // namespace

bool live_parse_number(std::string_view s, float* out) {
    // strtof reads exactly the forms well_formed lets through, rounded correctly, with the C library's
    // decimal point: the programs never leave the "C" locale. (std::from_chars for floats is not in
    // every C++ library the project builds with.)
    char text[MAX_NUMBER_TEXT + 1];
    if (!well_formed(s) || s.size() > MAX_NUMBER_TEXT) return false;
    std::memcpy(text, s.data(), s.size());
    text[s.size()] = '\0';
    errno = 0;
    char* end = nullptr;
    const float v = std::strtof(text, &end);
    if (end != text + s.size() || !std::isfinite(v)) return false; // too large for a float
    *out = v;                                                      // too small comes out as 0 or subnormal
    return true;
}

size_t live_format_number(float v, char* out, size_t n) {
    // The fewest significant digits that read back as v (nine always do), written plainly or with an
    // exponent, whichever is shorter (plainly when they tie): 13.8, 1000, 1e-05.
    char sci[32];
    int digits = 1;
    for (; digits < 9; ++digits) {
        std::snprintf(sci, sizeof sci, "%.*e", digits - 1, static_cast<double>(v));
        float back = 0.0f;
        if (live_parse_number(sci, &back) && std::memcmp(&back, &v, sizeof v) == 0) break;
    }
    std::snprintf(sci, sizeof sci, "%.*e", digits - 1, static_cast<double>(v));
    // sci is [-]D[.DDD]e[+-]XX: its digits and exponent, laid out without the exponent.
    const char* p = sci;
    char plain[64];
    size_t k = 0;
    if (*p == '-') plain[k++] = *p++;
    char d[16];
    int nd = 0;
    for (; *p != 'e'; ++p)
        if (*p != '.') d[nd++] = *p;
    const int x = std::atoi(p + 1);
    if (x >= nd - 1) {
        for (int i = 0; i < nd; ++i) plain[k++] = d[i];
        for (int i = 0; i < x - nd + 1; ++i) plain[k++] = '0';
    } else if (x >= 0) {
        for (int i = 0; i < nd; ++i) {
            plain[k++] = d[i];
            if (i == x) plain[k++] = '.';
        }
    } else {
        plain[k++] = '0';
        plain[k++] = '.';
        for (int i = 0; i < -x - 1; ++i) plain[k++] = '0';
        for (int i = 0; i < nd; ++i) plain[k++] = d[i];
    }
    plain[k] = '\0';
    const char* best = k <= std::strlen(sci) ? plain : sci;
    const size_t len = std::strlen(best);
    if (len >= n) return 0;
    std::memcpy(out, best, len + 1);
    return len;
}

float live_density_altitude(float pressure_alt_ft, float oat_c) {
    // The standard temperature at this pressure altitude, and 118.8 ft per degree above it.
    return pressure_alt_ft + 118.8f * (oat_c - (15.0f - 0.0019812f * pressure_alt_ft));
}

LiveTextResult live_parse_text(const char* data, size_t n, FlightState* out) {
    *out = FlightState{};
    FlightState s{};
    uint32_t named = 0; // known keys seen, "-" included
    bool have_palt = false, palt_named = false;
    float palt = 0.0f;
    size_t pairs = 0;
    size_t i = 0;
    while (i < n) {
        if (is_separator(data[i])) {
            ++i;
            continue;
        }
        const size_t start = i;
        while (i < n && !is_separator(data[i])) {
            auto c = static_cast<unsigned char>(data[i]);
            if (c < 0x21 || c > 0x7E) return {LIVE_TEXT_BYTE, i, 1};
            ++i;
        }
        std::string_view word(data + start, i - start);
        const size_t eq = word.find('=');
        if (eq == std::string_view::npos || eq == 0) return {LIVE_TEXT_PAIR, start, word.size()};
        ++pairs;
        const std::string_view key = word.substr(0, eq), value = word.substr(eq + 1);
        const int32_t id = flt_key_id(key);
        const bool is_palt = key == PRESSURE_ALT_KEY;
        if (id < 0 && !is_palt) continue; // someone else's value
        if (is_palt ? palt_named : (named >> id & 1u)) return {LIVE_TEXT_TWICE, start, word.size()};
        if (is_palt)
            palt_named = true;
        else
            named |= 1u << id;
        if (value == "-") continue;
        float v = 0.0f;
        if (!live_parse_number(value, &v)) return {LIVE_TEXT_NUMBER, start, word.size()};
        if (is_palt) {
            palt = v;
            have_palt = true;
        } else {
            flt_state_set(&s, id, v);
        }
    }
    if (pairs == 0) return {LIVE_TEXT_EMPTY, 0, n};
    if (have_palt && !(s.given >> FLT_DALT & 1u) && (s.given >> FLT_OAT & 1u))
        flt_state_set(&s, FLT_DALT, live_density_altitude(palt, s.value[FLT_OAT]));
    *out = s;
    return {LIVE_TEXT_OK, 0, 0};
}

const char* live_text_error_text(LiveTextError e) {
    switch (e) {
    case LIVE_TEXT_OK:
        return "fine";
    case LIVE_TEXT_EMPTY:
        return "no KEY=VALUE pair";
    case LIVE_TEXT_BYTE:
        return "a byte that is not printable ASCII";
    case LIVE_TEXT_PAIR:
        return "not KEY=VALUE";
    case LIVE_TEXT_NUMBER:
        return "not a number";
    case LIVE_TEXT_TWICE:
        return "the key is given twice";
    }
    return "malformed";
}

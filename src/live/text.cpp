#include "live/text.h"

#include <cfloat>
#include <charconv>
#include <cmath>
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

} // namespace

bool live_parse_number(std::string_view s, float* out) {
    if (!well_formed(s)) return false;
    if (s[0] == '+') s.remove_prefix(1); // from_chars takes no plus sign
    const char* end = s.data() + s.size();
    float f = 0.0f;
    auto [p, ec] = std::from_chars(s.data(), end, f);
    if (ec == std::errc{} && p == end) {
        *out = f;
        return true;
    }
    if (ec != std::errc::result_out_of_range) return false;
    // Too small for a float comes out as the nearest float (0 or a subnormal); too large is refused.
    double d = 0.0;
    auto [q, dec] = std::from_chars(s.data(), end, d);
    if (dec != std::errc{} || q != end || !(std::fabs(d) <= FLT_MAX)) return false;
    *out = static_cast<float>(d);
    return true;
}

size_t live_format_number(float v, char* out, size_t n) {
    auto [p, ec] = std::to_chars(out, out + n, v);
    return ec == std::errc{} ? static_cast<size_t>(p - out) : 0;
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

// The project's text format for flight values: ASCII KEY=VALUE pairs separated by blanks or commas. A
// script's flight command takes them one state change at a time; a datagram carries one whole state.
#pragma once
#include <cstddef>
#include <string_view>

#include "core/flight.h"

// Longest datagram taken; longer ones are dropped unread.
constexpr size_t LIVE_MAX_DATAGRAM = 2048;

// A decimal number of at most 64 characters: an optional sign, digits with an optional fraction (or a
// fraction alone), an optional exponent: "12", "-0.5", "+.5", "1e3". NaN, infinities and numbers beyond a
// float's range are refused.
bool live_parse_number(std::string_view s, float* out);

// The shortest text that live_parse_number reads back as exactly v, NUL-ended; returns its length (at most
// 15), or 0 when n is too small.
size_t live_format_number(float v, char* out, size_t n);

// Density altitude in feet from the pressure altitude (feet) and the outside air temperature (C).
float live_density_altitude(float pressure_alt_ft, float oat_c);

enum LiveTextError : int {
    LIVE_TEXT_OK,
    LIVE_TEXT_EMPTY,  // no pair at all
    LIVE_TEXT_BYTE,   // a byte that is neither printable ASCII nor a separator
    LIVE_TEXT_PAIR,   // a word that is not KEY=VALUE
    LIVE_TEXT_NUMBER, // a known key with a value that is not a number (nor "-")
    LIVE_TEXT_TWICE,  // a known key given twice
};

struct LiveTextResult {
    LiveTextError error;
    size_t at, length; // the offending word (or byte) within the datagram
};

// One datagram as a whole state: the values it names are given (clamped to their ranges), all others
// not. Unknown keys are skipped; KEY=- says "not given" in so many words. Besides the flight command's
// keys it takes palt (pressure altitude, feet), which together with oat gives the density altitude
// when dalt is absent. On an error *out is left not given throughout.
LiveTextResult live_parse_text(const char* data, size_t n, FlightState* out);

// What the error says, for a one-line message.
const char* live_text_error_text(LiveTextError e);

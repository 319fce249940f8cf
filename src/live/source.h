// Where live flight values come from, as the window's --live option names it.
#pragma once
#include <cstdint>
#include <string_view>

enum LiveKind : int32_t {
    LIVE_UDP,        // udp:[ADDR:]PORT: datagrams in the text format, listened for on ADDR
    LIVE_XPLANE,     // xplane[:HOST[:PORT]]: X-Plane's RREF subscription with the simulator at HOST:PORT
    LIVE_FLIGHTGEAR, // flightgear:[ADDR:]PORT: the text format as the shipped FlightGear protocol sends it
};

constexpr int LIVE_HOST_SIZE = 254; // a host name of at most 253 characters and its NUL
constexpr char LIVE_DEFAULT_HOST[] = "127.0.0.1";

struct LiveSource {
    LiveKind kind;
    char host[LIVE_HOST_SIZE]; // an IPv4 address or a host name
    uint16_t port;
};

// Reads SOURCE. On a bad one returns false with *why saying what is wrong, for "bad --live ...: WHY".
bool live_parse_source(std::string_view text, LiveSource* out, const char** why);

// The kind's name as SOURCE spells it.
const char* live_kind_name(LiveKind kind);

// X-Plane's UDP dataref subscription: RREF requests and the replies they bring, little-endian.
#pragma once
#include <cstddef>
#include <cstdint>

#include "core/flight.h"

constexpr uint16_t LIVE_XPLANE_PORT = 49000;
constexpr int32_t LIVE_XPLANE_RATE = 20; // replies a second asked for
// "RREF" and a NUL, int32 frequency, int32 index, the dataref path NUL-padded to 400 bytes.
constexpr size_t LIVE_XPLANE_REQUEST_SIZE = 413;
constexpr size_t LIVE_XPLANE_PATH_SIZE = 400;

// The datarefs subscribed to; each is asked for under its own index.
enum LiveXplaneRef : int32_t {
    XP_PITCH,
    XP_ROLL,
    XP_AOA,
    XP_SLIP,
    XP_LOAD,
    XP_TAS_MS, // true airspeed in m/s
    XP_OAT,
    XP_PRESSURE_ALT, // feet
    XP_VOLTS,
    XP_REF_COUNT
};
extern const char* const LIVE_XPLANE_PATHS[XP_REF_COUNT];

// The request for dataref ref at frequency replies a second (0 ends the subscription).
void live_xplane_request(uint8_t out[LIVE_XPLANE_REQUEST_SIZE], int32_t frequency, int32_t ref);

// The latest value of each dataref that has come in.
struct LiveXplaneValues {
    uint32_t have; // bit ref: raw[ref] holds a value
    float raw[XP_REF_COUNT];
};

// Takes one reply ("RREF", one byte, then pairs of int32 index and float32 value) into v. Pairs with an
// index not asked for, or a value that is NaN or infinite, are skipped. Returns how many pairs were
// taken, or -1 when the datagram is not a reply at all.
int live_xplane_reply(const uint8_t* data, size_t n, LiveXplaneValues* v);

// The flight state the values give: m/s to knots, and the density altitude from pressure altitude and
// temperature once both have come in.
void live_xplane_state(const LiveXplaneValues& v, FlightState* out);

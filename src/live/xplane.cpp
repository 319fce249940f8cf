#include "live/xplane.h"

#include <cmath>
#include <cstring>

#include "live/text.h"

const char* const LIVE_XPLANE_PATHS[XP_REF_COUNT] = {
    "sim/flightmodel/position/theta",       "sim/flightmodel/position/phi",
    "sim/flightmodel/position/alpha",       "sim/cockpit2/gauges/indicators/slip_deg",
    "sim/flightmodel/forces/g_nrml",        "sim/flightmodel/position/true_airspeed",
    "sim/weather/temperature_ambient_c",    "sim/flightmodel2/position/pressure_altitude",
    "sim/cockpit2/electrical/bus_volts[0]",
};

namespace {

constexpr float KNOTS_PER_MS = 1.943844f;
constexpr size_t REPLY_HEADER = 5;
constexpr size_t PAIR_SIZE = 8;

void put_le32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

uint32_t get_le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// Which flight value each dataref gives directly; the airspeed and the pressure altitude need work.
constexpr int32_t DIRECT[XP_REF_COUNT] = {FLT_PITCH, FLT_ROLL, FLT_AOA, FLT_SLIP, FLT_LOAD,
                                          -1,        FLT_OAT,  -1,      FLT_VOLTS};

} // namespace

void live_xplane_request(uint8_t out[LIVE_XPLANE_REQUEST_SIZE], int32_t frequency, int32_t ref) {
    std::memset(out, 0, LIVE_XPLANE_REQUEST_SIZE);
    std::memcpy(out, "RREF", 4);
    put_le32(out + 5, static_cast<uint32_t>(frequency));
    put_le32(out + 9, static_cast<uint32_t>(ref));
    if (ref >= 0 && ref < XP_REF_COUNT)
        std::strncpy(reinterpret_cast<char*>(out + 13), LIVE_XPLANE_PATHS[ref], LIVE_XPLANE_PATH_SIZE - 1);
}

int live_xplane_reply(const uint8_t* data, size_t n, LiveXplaneValues* v) {
    if (n < REPLY_HEADER + PAIR_SIZE || (n - REPLY_HEADER) % PAIR_SIZE != 0 ||
        std::memcmp(data, "RREF", 4) != 0)
        return -1;
    int taken = 0;
    for (size_t at = REPLY_HEADER; at < n; at += PAIR_SIZE) {
        uint32_t index = get_le32(data + at), bits = get_le32(data + at + 4);
        float value;
        std::memcpy(&value, &bits, sizeof value);
        if (index >= XP_REF_COUNT || !std::isfinite(value)) continue;
        v->raw[index] = value;
        v->have |= 1u << index;
        ++taken;
    }
    return taken;
}

void live_xplane_state(const LiveXplaneValues& v, FlightState* out) {
    *out = FlightState{};
    auto have = [&](int32_t ref) { return (v.have >> ref & 1u) != 0; };
    for (int32_t ref = 0; ref < XP_REF_COUNT; ++ref)
        if (DIRECT[ref] >= 0 && have(ref)) flt_state_set(out, DIRECT[ref], v.raw[ref]);
    if (have(XP_TAS_MS)) flt_state_set(out, FLT_TAS, v.raw[XP_TAS_MS] * KNOTS_PER_MS);
    if (have(XP_PRESSURE_ALT) && have(XP_OAT))
        flt_state_set(out, FLT_DALT, live_density_altitude(v.raw[XP_PRESSURE_ALT], v.raw[XP_OAT]));
}

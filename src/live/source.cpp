#include "live/source.h"

#include <cstring>

#include "live/xplane.h"

namespace {

bool parse_port(std::string_view s, uint16_t* out) {
    if (s.empty() || s.size() > 5) return false;
    uint32_t v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + static_cast<uint32_t>(c - '0');
    }
    if (v < 1 || v > 65535) return false;
    *out = static_cast<uint16_t>(v);
    return true;
}

// Letters, digits, dots and hyphens: an IPv4 address or a host name, resolved when the link opens.
bool parse_host(std::string_view s, char* out) {
    if (s.empty() || s.size() >= static_cast<size_t>(LIVE_HOST_SIZE)) return false;
    for (char c : s)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
              c == '-'))
            return false;
    std::memcpy(out, s.data(), s.size());
    out[s.size()] = '\0';
    return true;
}

// "[ADDR:]PORT" (port required) or "HOST[:PORT]" (port optional).
bool parse_endpoint(std::string_view s, bool port_first, LiveSource* out, const char** why) {
    const size_t colon = s.rfind(':');
    std::string_view host, port;
    if (colon == std::string_view::npos) {
        (port_first ? port : host) = s;
    } else {
        host = s.substr(0, colon);
        port = s.substr(colon + 1);
        if (host.empty()) {
            *why = "empty address before the port";
            return false;
        }
    }
    if (!host.empty() && host.find_first_not_of("0123456789") == std::string_view::npos) {
        *why = "a number where the address goes (the port comes after it: HOST:PORT)";
        return false;
    }
    if (!host.empty() && !parse_host(host, out->host)) {
        *why = "the address is not an IPv4 address or host name";
        return false;
    }
    if (port_first && port.empty()) {
        *why = "no port";
        return false;
    }
    if (!port.empty() && !parse_port(port, &out->port)) {
        *why = "the port is not a whole number 1-65535";
        return false;
    }
    return true;
}

} // namespace

bool live_parse_source(std::string_view text, LiveSource* out, const char** why) {
    *out = LiveSource{};
    std::memcpy(out->host, LIVE_DEFAULT_HOST, sizeof LIVE_DEFAULT_HOST);
    const size_t colon = text.find(':');
    const std::string_view kind = text.substr(0, colon);
    const std::string_view rest =
        colon == std::string_view::npos ? std::string_view{} : text.substr(colon + 1);
    if (kind == "udp" || kind == "flightgear") {
        out->kind = kind == "udp" ? LIVE_UDP : LIVE_FLIGHTGEAR;
        if (colon == std::string_view::npos) {
            *why = "no port";
            return false;
        }
        return parse_endpoint(rest, true, out, why);
    }
    if (kind == "xplane") {
        out->kind = LIVE_XPLANE;
        out->port = LIVE_XPLANE_PORT;
        if (colon == std::string_view::npos) return true;
        if (rest.empty()) {
            *why = "empty host";
            return false;
        }
        return parse_endpoint(rest, false, out, why);
    }
    *why = "unknown source (udp:[ADDR:]PORT, xplane[:HOST[:PORT]] or flightgear:[ADDR:]PORT)";
    return false;
}

const char* live_kind_name(LiveKind kind) {
    switch (kind) {
    case LIVE_UDP:
        return "udp";
    case LIVE_XPLANE:
        return "xplane";
    case LIVE_FLIGHTGEAR:
        return "flightgear";
    }
    return "?";
}

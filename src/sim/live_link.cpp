#include "sim/live_link.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <climits>
#include <cstring>
#include <ctime>

#include "live/text.h"
#include "live/xplane.h"

namespace {

constexpr int LATENCY_SAMPLES = 4096; // the latest ones are kept

struct LiveLink {
    int fd = -1;
    LiveSource source;
    FILE* log;
    char name[LIVE_HOST_SIZE + 32]; // "udp 127.0.0.1:5005"
    FlightState values;
    LiveXplaneValues xplane;
    bool receiving;
    int64_t last_valid_ms;
    int64_t next_subscribe_ms;
    // Valid datagrams a second: counted in whole seconds from the first one.
    int64_t bucket_start_ms;
    uint32_t bucket_count, rate;
    bool rate_known;
    uint64_t datagrams, dropped;
    bool drop_reported;
    // Datagram-to-screen times.
    int64_t arrival_ns; // the kernel's arrival stamp (real-time clock) of the last valid datagram
    int64_t pending_ns; // ... of values applied but not yet presented, 0 when none
    uint64_t pending_frames;
    bool fresh; // the last poll read a valid datagram
    uint32_t latency_us[LATENCY_SAMPLES];
    uint64_t latencies;
    bool pending_put_off; // the window slept past a due tick while they waited to be shown
    uint64_t on_next_frame; // of those shown, the ones never put off
};

LiveLink live_state;

int64_t realtime_ns() {
    timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

bool resolve(const char* host, uint16_t port, bool passive, sockaddr_in* out, char* why, size_t n) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    hints.ai_flags = passive ? AI_PASSIVE : 0;
    addrinfo* found = nullptr;
    int rc = getaddrinfo(host, nullptr, &hints, &found);
    if (rc != 0 || !found) {
        std::snprintf(why, n, "cannot find the address of '%s': %s", host, gai_strerror(rc));
        return false;
    }
    std::memcpy(out, found->ai_addr, sizeof *out);
    out->sin_port = htons(port);
    freeaddrinfo(found);
    return true;
}

void send_subscriptions(int32_t frequency) {
    uint8_t request[LIVE_XPLANE_REQUEST_SIZE];
    for (int32_t ref = 0; ref < XP_REF_COUNT; ++ref) {
        live_xplane_request(request, frequency, ref);
        // Refused while nothing listens there yet; the next round tries again.
        (void)send(live_state.fd, request, sizeof request, MSG_NOSIGNAL);
    }
}

void roll_rate(int64_t now_ms) {
    if (now_ms < live_state.bucket_start_ms + 1000) return;
    const bool one_second = now_ms < live_state.bucket_start_ms + 2000;
    live_state.rate = one_second ? live_state.bucket_count : 0;
    live_state.rate_known = true;
    live_state.bucket_count = 0;
    live_state.bucket_start_ms += (now_ms - live_state.bucket_start_ms) / 1000 * 1000;
}

void drop(const char* why, const sockaddr_in& from, const char* data, size_t at, size_t length) {
    ++live_state.dropped;
    if (live_state.drop_reported || !live_state.log) return;
    live_state.drop_reported = true;
    char address[INET_ADDRSTRLEN] = "?";
    inet_ntop(AF_INET, &from.sin_addr, address, sizeof address);
    char word[48] = "";
    if (data && length > 0) {
        size_t k = 0;
        for (size_t i = at; i < at + length && k + 5 < sizeof word; ++i) {
            auto c = static_cast<unsigned char>(data[i]);
            k += static_cast<size_t>(c >= 0x20 && c < 0x7F
                                         ? std::snprintf(word + k, sizeof word - k, "%c", c)
                                         : std::snprintf(word + k, sizeof word - k, "\\x%02X", c));
        }
    }
    std::fprintf(live_state.log,
                 "zt30-sim: live: dropped a datagram from %s:%u: %s%s%s%s (the title counts any more)\n",
                 address, ntohs(from.sin_port), why, *word ? " at '" : "", word, *word ? "'" : "");
}

// One datagram: true when it brought a state.
bool take(const char* data, size_t n, const sockaddr_in& from, FlightState* state) {
    if (live_state.source.kind == LIVE_XPLANE) {
        LiveXplaneValues v = live_state.xplane;
        int taken = live_xplane_reply(reinterpret_cast<const uint8_t*>(data), n, &v);
        if (taken <= 0) {
            drop(taken < 0 ? "not an RREF reply" : "no value that was asked for", from, nullptr, 0, 0);
            return false;
        }
        live_state.xplane = v;
        live_xplane_state(v, state);
        return true;
    }
    LiveTextResult r = live_parse_text(data, n, state);
    if (r.error != LIVE_TEXT_OK) {
        drop(live_text_error_text(r.error), from, data, r.at, std::min<size_t>(r.length, 40));
        return false;
    }
    return true;
}

int64_t stamp_of(msghdr* msg) {
    for (cmsghdr* c = CMSG_FIRSTHDR(msg); c; c = CMSG_NXTHDR(msg, c)) {
        if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_TIMESTAMPNS) {
            timespec ts;
            std::memcpy(&ts, CMSG_DATA(c), sizeof ts);
            return static_cast<int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
        }
    }
    return realtime_ns();
}

} // namespace

bool live_open(const LiveSource& source, int64_t now_ms, FILE* log, char* why, size_t n) {
    live_close();
    live_state = LiveLink{};
    live_state.source = source;
    live_state.log = log;
    std::snprintf(live_state.name, sizeof live_state.name, "%s %s:%u", live_kind_name(source.kind),
                  source.host, source.port);
    sockaddr_in address{};
    const bool xplane = source.kind == LIVE_XPLANE;
    if (!resolve(source.host, source.port, !xplane, &address, why, n)) return false;
    int fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        std::snprintf(why, n, "cannot open a UDP socket: %s", std::strerror(errno));
        return false;
    }
    const int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof on); // without it, the time of reading
    // X-Plane answers whoever asks: a socket connected to it takes only its replies.
    const int rc = xplane ? connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address)
                          : bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    if (rc != 0) {
        std::snprintf(why, n, "cannot %s %s: %s", xplane ? "reach" : "listen on", live_state.name,
                      std::strerror(errno));
        close(fd);
        return false;
    }
    live_state.fd = fd;
    live_state.next_subscribe_ms = now_ms;
    if (xplane) {
        send_subscriptions(LIVE_XPLANE_RATE);
        live_state.next_subscribe_ms = now_ms + LIVE_RESUBSCRIBE_MS;
    }
    return true;
}

bool live_is_open() {
    return live_state.fd >= 0;
}

int live_fd() {
    return live_state.fd;
}

uint32_t live_poll(int64_t now_ms) {
    if (live_state.fd < 0) return 0;
    const FlightState before = live_state.values;
    const bool was_receiving = live_state.receiving;
    const uint32_t rate_before = live_state.rate;
    const bool rate_known_before = live_state.rate_known;
    const uint64_t dropped_before = live_state.dropped;
    live_state.fresh = false;

    alignas(8) char buffer[LIVE_MAX_DATAGRAM + 1];
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(timespec))];
    for (int i = 0; i < LIVE_MAX_READS_PER_POLL; ++i) {
        sockaddr_in from{};
        iovec io{buffer, sizeof buffer};
        msghdr msg{};
        msg.msg_name = &from;
        msg.msg_namelen = sizeof from;
        msg.msg_iov = &io;
        msg.msg_iovlen = 1;
        msg.msg_control = control;
        msg.msg_controllen = sizeof control;
        // MSG_TRUNC: the length of the whole datagram, however much of it fits.
        ssize_t got = recvmsg(live_state.fd, &msg, MSG_TRUNC | MSG_DONTWAIT);
        if (got < 0) {
            if (errno == EINTR || errno == ECONNREFUSED) continue; // refused: our last request met no one
            break;
        }
        if (static_cast<size_t>(got) > LIVE_MAX_DATAGRAM) {
            drop("longer than 2 KiB", from, nullptr, 0, 0);
            continue;
        }
        FlightState state;
        if (!take(buffer, static_cast<size_t>(got), from, &state)) continue;
        ++live_state.datagrams;
        live_state.fresh = true;
        live_state.values = state;
        live_state.arrival_ns = stamp_of(&msg);
        if (!live_state.receiving) {
            live_state.receiving = true;
            live_state.bucket_start_ms = now_ms;
            live_state.bucket_count = 0;
            live_state.rate = 0;
            live_state.rate_known = false;
        }
        live_state.last_valid_ms = now_ms;
        roll_rate(now_ms);
        ++live_state.bucket_count;
    }

    if (live_state.receiving && now_ms - live_state.last_valid_ms >= LIVE_STALE_MS) {
        live_state.receiving = false;
        live_state.values = FlightState{};
        live_state.xplane = LiveXplaneValues{};
        live_state.rate_known = false;
        live_state.rate = 0;
        live_state.next_subscribe_ms = now_ms;
    }
    if (live_state.receiving) roll_rate(now_ms);
    if (live_state.source.kind == LIVE_XPLANE && !live_state.receiving &&
        now_ms >= live_state.next_subscribe_ms) {
        send_subscriptions(LIVE_XPLANE_RATE);
        live_state.next_subscribe_ms = now_ms + LIVE_RESUBSCRIBE_MS;
    }

    uint32_t result = 0;
    if (std::memcmp(&before, &live_state.values, sizeof before) != 0) result |= LIVE_VALUES_CHANGED;
    if (was_receiving != live_state.receiving || rate_before != live_state.rate ||
        rate_known_before != live_state.rate_known || dropped_before != live_state.dropped)
        result |= LIVE_STATUS_CHANGED;
    return result;
}

const FlightState& live_values() {
    return live_state.values;
}

int64_t live_next_due_ms() {
    if (live_state.fd < 0) return INT64_MAX;
    if (live_state.receiving)
        return std::min(live_state.last_valid_ms + LIVE_STALE_MS, live_state.bucket_start_ms + 1000);
    if (live_state.source.kind == LIVE_XPLANE) return live_state.next_subscribe_ms;
    return INT64_MAX;
}

void live_status(uint32_t demo_mode, char* title, size_t title_size, char* line, size_t line_size) {
    char figures[64] = "";
    if (!live_state.receiving)
        std::snprintf(figures, sizeof figures, "waiting for data");
    else if (live_state.rate_known)
        std::snprintf(figures, sizeof figures, "%" PRIu32 "/s", live_state.rate);
    else
        std::snprintf(figures, sizeof figures, "receiving");
    char dropped[40] = "";
    if (live_state.dropped > 0)
        std::snprintf(dropped, sizeof dropped, ", %" PRIu64 " dropped", live_state.dropped);
    char demo[64] = "";
    if (live_state.receiving && demo_mode != 0)
        std::snprintf(demo, sizeof demo, ", not shown in DEMO %" PRIu32, demo_mode);
    std::snprintf(title, title_size, "%s, %s%s%s", live_state.name, figures, dropped, demo);
    std::snprintf(
        line, line_size, "%s, %s%s", live_state.name, live_state.receiving ? "receiving" : "waiting for data",
        live_state.receiving && demo_mode != 0 ? " (not shown until SETUP, DEMO MODE is NONE)" : "");
}

void live_note_applied(uint64_t frames_rendered) {
    if (!live_state.fresh) return; // values let go for staleness: no datagram to time
    live_state.pending_ns = live_state.arrival_ns;
    live_state.pending_frames = frames_rendered;
    live_state.pending_put_off = false;
}

void live_note_sleep(bool past_due_tick) {
    if (live_state.pending_ns != 0 && past_due_tick) live_state.pending_put_off = true;
}

bool live_unshown() {
    return live_state.pending_ns != 0;
}

void live_note_presented(uint64_t frames_rendered) {
    if (live_state.pending_ns == 0 || frames_rendered <= live_state.pending_frames) return;
    live_state.on_next_frame += !live_state.pending_put_off;
    int64_t us = (realtime_ns() - live_state.pending_ns) / 1000;
    live_state.latency_us[live_state.latencies % LATENCY_SAMPLES] =
        static_cast<uint32_t>(std::clamp<int64_t>(us, 0, UINT32_MAX));
    ++live_state.latencies;
    live_state.pending_ns = 0;
}

void live_print_stats(FILE* out) {
    if (live_state.fd < 0 && live_state.datagrams == 0) return;
    std::fprintf(out, "zt30-sim: live: %" PRIu64 " datagrams, %" PRIu64 " dropped", live_state.datagrams,
                 live_state.dropped);
    const size_t n = static_cast<size_t>(std::min<uint64_t>(live_state.latencies, LATENCY_SAMPLES));
    if (n > 0) {
        static uint32_t sorted[LATENCY_SAMPLES];
        std::copy(live_state.latency_us, live_state.latency_us + n, sorted);
        std::sort(sorted, sorted + n);
        std::fprintf(out,
                     "; datagram to screen over %zu: median %.2f ms, 95th percentile %.2f ms, max %.2f ms; "
                     "%" PRIu64 " of %" PRIu64 " shown with the next rendered frame",
                     n, sorted[n / 2] / 1e3, sorted[n * 95 / 100] / 1e3, sorted[n - 1] / 1e3,
                     live_state.on_next_frame, live_state.latencies);
    }
    std::fputc('\n', out);
}

void live_close() {
    if (live_state.fd < 0) return;
    if (live_state.source.kind == LIVE_XPLANE) send_subscriptions(0);
    close(live_state.fd);
    live_state.fd = -1;
}

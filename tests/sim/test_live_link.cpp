#include <gtest/gtest.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "capture.h"
#include "live/xplane.h"
#include "sim/live_link.h"

namespace {

// A socket of the test's own on 127.0.0.1 (port 0: any free one).
struct Peer {
    int fd = -1;
    sockaddr_in address{};
    explicit Peer(uint16_t port = 0) {
        fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK, 0);
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof address;
        bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &len);
    }
    ~Peer() { close(fd); }
    uint16_t port() const { return ntohs(address.sin_port); }
    void send_to(uint16_t port, const void* data, size_t n) const {
        sockaddr_in to = address;
        to.sin_port = htons(port);
        sendto(fd, data, n, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    }
    void send_text(uint16_t port, const std::string& s) const { send_to(port, s.data(), s.size()); }
    // The datagrams waiting, and where the last came from.
    std::vector<std::string> received(sockaddr_in* from = nullptr) const {
        std::vector<std::string> out;
        char buf[4096];
        sockaddr_in f{};
        socklen_t len = sizeof f;
        for (ssize_t n; (n = recvfrom(fd, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&f), &len)) >= 0;)
            out.emplace_back(buf, static_cast<size_t>(n));
        if (from) *from = f;
        return out;
    }
};

uint16_t free_port() {
    return Peer().port();
}

LiveSource source(const std::string& text) {
    LiveSource s{};
    const char* why = nullptr;
    EXPECT_TRUE(live_parse_source(text, &s, &why)) << why;
    return s;
}

std::string title(uint32_t demo_mode = 0) {
    char t[256], line[256];
    live_status(demo_mode, t, sizeof t, line, sizeof line);
    return t;
}

std::string line(uint32_t demo_mode = 0) {
    char t[256], l[256];
    live_status(demo_mode, t, sizeof t, l, sizeof l);
    return l;
}

// The requests X-Plane got, as "FREQUENCY INDEX PATH".
std::vector<std::string> requests(const std::vector<std::string>& datagrams) {
    std::vector<std::string> out;
    for (const std::string& d : datagrams) {
        if (d.size() != LIVE_XPLANE_REQUEST_SIZE || d.compare(0, 5, std::string("RREF\0", 5)) != 0) {
            out.push_back("not a request");
            continue;
        }
        auto le = [&](size_t at) {
            return static_cast<uint32_t>(static_cast<uint8_t>(d[at]) | static_cast<uint8_t>(d[at + 1]) << 8);
        };
        out.push_back(std::to_string(le(5)) + " " + std::to_string(le(9)) + " " + (d.c_str() + 13));
    }
    return out;
}

std::vector<std::string> all_requests(int frequency) {
    std::vector<std::string> out;
    for (int32_t i = 0; i < XP_REF_COUNT; ++i)
        out.push_back(std::to_string(frequency) + " " + std::to_string(i) + " " + LIVE_XPLANE_PATHS[i]);
    return out;
}

} // namespace

// On a clock of the test's own: the values of the last datagram until a second without one, the rate
// counted in whole seconds, bad datagrams counted and the first one reported.
TEST(LiveLink, TextDatagramsUntilTheyGoStale) {
    const uint16_t port = free_port();
    FILE* log = std::tmpfile();
    char why[256] = "";
    ASSERT_TRUE(live_open(source("udp:" + std::to_string(port)), 0, log, why, sizeof why)) << why;
    const std::string name = "udp 127.0.0.1:" + std::to_string(port);
    EXPECT_EQ(title(), name + ", waiting for data");
    EXPECT_EQ(live_next_due_ms(), INT64_MAX) << "nothing to do while nothing comes";
    EXPECT_EQ(live_poll(50), 0u);

    Peer sender;
    sender.send_text(port, "pitch=10 roll=30");
    EXPECT_EQ(live_poll(100), LIVE_VALUES_CHANGED | LIVE_STATUS_CHANGED);
    EXPECT_EQ(live_values().given, 1u << FLT_PITCH | 1u << FLT_ROLL);
    EXPECT_EQ(live_values().value[FLT_ROLL], 30.0f);
    EXPECT_EQ(title(), name + ", receiving");
    EXPECT_EQ(title(1), name + ", receiving, not shown in DEMO 1");
    EXPECT_EQ(line(2), name + ", receiving (not shown until SETUP, DEMO MODE is NONE)");
    EXPECT_EQ(live_next_due_ms(), 1100);
    EXPECT_EQ(live_poll(1099), 0u);
    EXPECT_EQ(live_poll(1100), LIVE_VALUES_CHANGED | LIVE_STATUS_CHANGED);
    EXPECT_EQ(live_values().given, 0u);
    EXPECT_EQ(line(), name + ", waiting for data");

    // Three in the second from 2000 ms.
    for (int64_t t : {2000, 2100, 2500}) {
        sender.send_text(port, "g=" + std::to_string(t));
        live_poll(t);
    }
    EXPECT_EQ(live_values().value[FLT_LOAD], 10.0f); // 2500 g, clamped
    EXPECT_EQ(live_poll(3000), LIVE_STATUS_CHANGED);
    EXPECT_EQ(title(), name + ", 3/s");

    // A bad datagram and one over 2 KiB leave the values alone; the first is reported.
    sender.send_text(port, "g=2 pitch=x");
    sender.send_text(port, "g=1 " + std::string(3000, ' '));
    EXPECT_EQ(live_poll(3100), LIVE_STATUS_CHANGED);
    EXPECT_EQ(live_values().value[FLT_LOAD], 10.0f);
    EXPECT_EQ(title(), name + ", 3/s, 2 dropped");
    live_close();
    EXPECT_EQ(live_fd(), -1);
    const std::string logged = slurp(log);
    EXPECT_NE(logged.find("zt30-sim: live: dropped a datagram from 127.0.0.1:" +
                          std::to_string(sender.port()) + ": not a number at 'pitch=x'"),
              std::string::npos)
        << logged;
    EXPECT_EQ(logged.find("longer than 2 KiB"), std::string::npos) << "reported once only";
}

// X-Plane, stood in for by a socket of the test's: subscribed at once and again every two seconds while
// nothing comes, not while replies come, at once when they stop, and ended on closing.
TEST(LiveLink, XplaneSubscription) {
    Peer xplane;
    FILE* log = std::tmpfile();
    char why[256] = "";
    ASSERT_TRUE(
        live_open(source("xplane:127.0.0.1:" + std::to_string(xplane.port())), 0, log, why, sizeof why))
        << why;
    sockaddr_in link{};
    EXPECT_EQ(requests(xplane.received(&link)), all_requests(LIVE_XPLANE_RATE));
    EXPECT_EQ(live_next_due_ms(), LIVE_RESUBSCRIBE_MS);
    live_poll(1999);
    EXPECT_TRUE(xplane.received().empty());
    live_poll(2000);
    EXPECT_EQ(requests(xplane.received()), all_requests(LIVE_XPLANE_RATE)) << "X-Plane may start later";

    // Replies: the pitch; one from another socket is not taken.
    const uint8_t reply[] = {'R', 'R', 'E', 'F', ',', 0, 0, 0, 0, 0, 0, 0x20, 0x41}; // index 0, 10.0f
    Peer stranger;
    stranger.send_to(ntohs(link.sin_port), reply, sizeof reply);
    EXPECT_EQ(live_poll(2050) & LIVE_VALUES_CHANGED, 0u);
    xplane.send_to(ntohs(link.sin_port), reply, sizeof reply);
    EXPECT_EQ(live_poll(2100), LIVE_VALUES_CHANGED | LIVE_STATUS_CHANGED);
    EXPECT_EQ(live_values().given, 1u << FLT_PITCH);
    EXPECT_EQ(live_values().value[FLT_PITCH], 10.0f);
    live_poll(3050);
    EXPECT_TRUE(xplane.received().empty()) << "no new subscription while replies come";
    EXPECT_EQ(live_values().given, 1u << FLT_PITCH);

    live_poll(2100 + LIVE_STALE_MS); // a second after the last reply
    EXPECT_EQ(live_values().given, 0u);
    EXPECT_EQ(requests(xplane.received()), all_requests(LIVE_XPLANE_RATE)) << "subscribed again at once";
    live_close();
    EXPECT_EQ(requests(xplane.received()), all_requests(0)) << "frequency 0 for each on closing";
}

TEST(LiveLink, SocketsThatCannotBeSetUp) {
    Peer taken;
    char why[256] = "";
    EXPECT_FALSE(live_open(source("udp:" + std::to_string(taken.port())), 0, nullptr, why, sizeof why));
    EXPECT_EQ(std::string(why),
              "cannot listen on udp 127.0.0.1:" + std::to_string(taken.port()) + ": Address already in use");
    // An address of no interface here (a documentation address).
    EXPECT_FALSE(live_open(source("udp:192.0.2.1:5000"), 0, nullptr, why, sizeof why));
    EXPECT_EQ(std::string(why), "cannot listen on udp 192.0.2.1:5000: Cannot assign requested address");
    EXPECT_FALSE(live_is_open());
    EXPECT_EQ(live_poll(0), 0u);
}

#include <gtest/gtest.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>

#include "capture.h"
#include "live/xplane.h"
#include "sim/live_link.h"

namespace {

// A socket of the test's own on 127.0.0.1, on any free port.
struct Peer {
    int fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK, 0);
    sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
    Peer() {
        socklen_t len = sizeof address;
        bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &len);
    }
    ~Peer() { close(fd); }
    std::string port() const { return std::to_string(ntohs(address.sin_port)); }
    void send(uint16_t port, const std::string& d) const {
        sockaddr_in to = address;
        to.sin_port = htons(port);
        sendto(fd, d.data(), d.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    }
    // The datagrams waiting, each as "FREQUENCY INDEX" when it is an RREF request; where they came from.
    std::string requests(uint16_t* from = nullptr) const {
        std::string out;
        uint8_t b[512];
        sockaddr_in f{};
        socklen_t len = sizeof f;
        for (ssize_t n; (n = recvfrom(fd, b, sizeof b, 0, reinterpret_cast<sockaddr*>(&f), &len)) >= 0;)
            out += n == LIVE_XPLANE_REQUEST_SIZE ? std::to_string(b[5]) + " " + std::to_string(b[9]) + ";"
                                                 : "?;";
        if (from) *from = ntohs(f.sin_port);
        return out;
    }
};

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

const std::string ALL_20 = "20 0;20 1;20 2;20 3;20 4;20 5;20 6;20 7;20 8;";

} // namespace

// On a clock of the test's own: the last datagram's values until a second passes without one, the rate
// in whole seconds, bad datagrams counted and the first reported.
TEST(LiveLink, TextDatagramsUntilTheyGoStale) {
    const uint16_t port = static_cast<uint16_t>(std::stoi(Peer().port()));
    FILE* log = std::tmpfile();
    char why[256] = "";
    ASSERT_TRUE(live_open(source("udp:" + std::to_string(port)), 0, log, why, sizeof why)) << why;
    const std::string name = "udp 127.0.0.1:" + std::to_string(port);
    EXPECT_EQ(std::tuple(title(), live_next_due_ms()), std::tuple(name + ", waiting for data", INT64_MAX));
    Peer sender;
    sender.send(port, "pitch=10 roll=30");
    EXPECT_EQ(live_poll(100), LIVE_VALUES_CHANGED | LIVE_STATUS_CHANGED);
    EXPECT_EQ(std::tuple(live_values().given, live_values().value[FLT_ROLL]),
              std::tuple(1u << FLT_PITCH | 1u << FLT_ROLL, 30.0f));
    EXPECT_EQ(title(1), name + ", receiving, not shown in DEMO 1");
    EXPECT_EQ(std::tuple(live_next_due_ms(), live_poll(1099)), std::tuple(int64_t{1100}, 0u));
    EXPECT_EQ(live_poll(1100), LIVE_VALUES_CHANGED | LIVE_STATUS_CHANGED);
    EXPECT_EQ(std::tuple(live_values().given, title()), std::tuple(0u, name + ", waiting for data"));
    for (int64_t t : {2000, 2100, 2500}) { // three in the second from 2000 ms
        sender.send(port, "g=2");
        live_poll(t);
    }
    EXPECT_EQ(live_poll(3000), LIVE_STATUS_CHANGED);
    sender.send(port, "g=1 pitch=x");
    sender.send(port, "g=1 " + std::string(3000, ' '));
    live_poll(3100);
    EXPECT_EQ(std::tuple(title(), live_values().value[FLT_LOAD]),
              std::tuple(name + ", 3/s, 2 dropped", 2.0f));
    live_close();
    EXPECT_NE(slurp(log).find("live: dropped a datagram from 127.0.0.1:" + sender.port() +
                              ": not a number at 'pitch=x'"),
              std::string::npos);
}

// X-Plane, stood in for by a socket of the test's: subscribed at once and every two seconds while nothing
// comes, not while replies come, at once when they stop, ended on closing; no one else's replies taken.
TEST(LiveLink, XplaneSubscription) {
    Peer xplane, stranger;
    char why[256] = "";
    ASSERT_TRUE(live_open(source("xplane:127.0.0.1:" + xplane.port()), 0, nullptr, why, sizeof why)) << why;
    uint16_t link = 0;
    EXPECT_EQ(xplane.requests(&link), ALL_20);
    live_poll(1999);
    EXPECT_EQ(xplane.requests(), "");
    live_poll(2000);
    EXPECT_EQ(xplane.requests(), ALL_20);
    const std::string pitch_10("RREF,\0\0\0\0\0\0\x20\x41", 13);
    stranger.send(link, pitch_10);
    EXPECT_EQ(live_poll(2050), 0u);
    xplane.send(link, pitch_10);
    EXPECT_EQ(std::tuple(live_poll(2100), live_values().value[FLT_PITCH]),
              std::tuple(LIVE_VALUES_CHANGED | LIVE_STATUS_CHANGED, 10.0f));
    live_poll(3050);
    EXPECT_EQ(xplane.requests(), "");
    live_poll(3100);
    EXPECT_EQ(std::tuple(live_values().given, xplane.requests()), std::tuple(0u, ALL_20));
    live_close();
    EXPECT_EQ(xplane.requests(), "0 0;0 1;0 2;0 3;0 4;0 5;0 6;0 7;0 8;");
}

TEST(LiveLink, SocketsThatCannotBeSetUp) {
    Peer taken;
    char why[256] = "";
    EXPECT_FALSE(live_open(source("udp:" + taken.port()), 0, nullptr, why, sizeof why));
    EXPECT_EQ(std::string(why),
              "cannot listen on udp 127.0.0.1:" + taken.port() + ": Address already in use");
    EXPECT_FALSE(
        live_open(source("udp:192.0.2.1:5000"), 0, nullptr, why, sizeof why)); // no interface of ours
    EXPECT_EQ(std::string(why), "cannot listen on udp 192.0.2.1:5000: Cannot assign requested address");
    EXPECT_EQ(std::tuple(live_is_open(), live_poll(0)), std::tuple(false, 0u));
}

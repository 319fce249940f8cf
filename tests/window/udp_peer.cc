// The other end of the window's --live link for the window tests, on loopback only and bounded in count
// and time:
//   zt30-udp-peer send PORT COUNT INTERVAL_MS TEXT...
//       sends COUNT datagrams to 127.0.0.1:PORT, INTERVAL_MS apart, taking the TEXTs in turn; stops.
//   zt30-udp-peer port
//       prints a UDP port on 127.0.0.1 that is free at the moment.
//   zt30-udp-peer xplane PORT SECONDS LOG VALUE*9
//       a stand-in for X-Plane on 127.0.0.1:PORT for SECONDS: writes each RREF request to LOG as
//       "FREQUENCY INDEX PATH" and answers every subscriber 20 times a second with the nine values (in
//       the order the requests' indices name them) for the indices it asked for at a frequency above 0.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

constexpr int MAX_COUNT = 10000;
constexpr int MAX_SECONDS = 60;
constexpr int MAX_SUBSCRIBERS = 8;
constexpr int VALUES = 9;

int usage() {
    std::fprintf(stderr, "usage: zt30-udp-peer send PORT COUNT INTERVAL_MS TEXT...\n"
                         "       zt30-udp-peer port\n"
                         "       zt30-udp-peer xplane PORT SECONDS LOG VALUE*9\n");
    return 2;
}

sockaddr_in loopback(int port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

int64_t now_ms() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

void sleep_ms(int ms) {
    timespec ts{ms / 1000, (ms % 1000) * 1000000L};
    nanosleep(&ts, nullptr);
}

int send_mode(int port, int count, int interval, char** texts, int n) {
    int fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in to = loopback(port);
    for (int i = 0; i < count; ++i) {
        const char* t = texts[i % n];
        sendto(fd, t, std::strlen(t), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
        if (i + 1 < count) sleep_ms(interval);
    }
    close(fd);
    return 0;
}

struct Subscriber {
    sockaddr_in address;
    uint32_t indices; // bit i: asked for index i
};

void put_le32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

uint32_t get_le32(const uint8_t* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

int xplane_mode(int port, int seconds, const char* log_path, const float values[VALUES]) {
    int fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in me = loopback(port);
    const int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (bind(fd, reinterpret_cast<sockaddr*>(&me), sizeof me) != 0) {
        std::perror("zt30-udp-peer: bind");
        return 1;
    }
    FILE* log = std::fopen(log_path, "a");
    if (!log) return 1;
    Subscriber subs[MAX_SUBSCRIBERS] = {};
    int n_subs = 0;
    const int64_t end = now_ms() + seconds * 1000;
    int64_t next_reply = now_ms();
    for (int64_t t; (t = now_ms()) < end;) {
        pollfd p{fd, POLLIN, 0};
        int wait = static_cast<int>(next_reply > t ? next_reply - t : 0);
        if (poll(&p, 1, wait) > 0) {
            uint8_t buf[1024];
            sockaddr_in from{};
            socklen_t len = sizeof from;
            ssize_t got = recvfrom(fd, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&from), &len);
            if (got == 413 && std::memcmp(buf, "RREF", 5) == 0) {
                uint32_t freq = get_le32(buf + 5), index = get_le32(buf + 9);
                buf[412] = 0;
                std::fprintf(log, "%u %u %s\n", freq, index, reinterpret_cast<char*>(buf + 13));
                std::fflush(log);
                int s = 0;
                while (s < n_subs && (subs[s].address.sin_port != from.sin_port ||
                                      subs[s].address.sin_addr.s_addr != from.sin_addr.s_addr))
                    ++s;
                if (s == n_subs && n_subs < MAX_SUBSCRIBERS) subs[n_subs++] = Subscriber{from, 0};
                if (s < n_subs && index < VALUES) {
                    if (freq > 0)
                        subs[s].indices |= 1u << index;
                    else
                        subs[s].indices &= ~(1u << index);
                }
            }
        }
        if (now_ms() < next_reply) continue;
        next_reply += 50;
        for (int s = 0; s < n_subs; ++s) {
            uint8_t out[5 + 8 * VALUES];
            std::memcpy(out, "RREF,", 5);
            size_t n = 5;
            for (int i = 0; i < VALUES; ++i) {
                if (!(subs[s].indices >> i & 1u)) continue;
                uint32_t bits;
                std::memcpy(&bits, &values[i], sizeof bits);
                put_le32(out + n, static_cast<uint32_t>(i));
                put_le32(out + n + 4, bits);
                n += 8;
            }
            if (n > 5)
                sendto(fd, out, n, 0, reinterpret_cast<sockaddr*>(&subs[s].address), sizeof subs[s].address);
        }
    }
    std::fclose(log);
    close(fd);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "port") == 0) {
        int fd = socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in a = loopback(0);
        socklen_t len = sizeof a;
        if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
            getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0)
            return 1;
        std::printf("%u\n", ntohs(a.sin_port));
        close(fd);
        return 0;
    }
    if (argc >= 6 && std::strcmp(argv[1], "send") == 0) {
        int port = std::atoi(argv[2]), count = std::atoi(argv[3]), interval = std::atoi(argv[4]);
        if (port < 1 || port > 65535 || count < 1 || count > MAX_COUNT || interval < 0 || interval > 10000)
            return usage();
        return send_mode(port, count, interval, argv + 5, argc - 5);
    }
    if (argc == 5 + VALUES && std::strcmp(argv[1], "xplane") == 0) {
        int port = std::atoi(argv[2]), seconds = std::atoi(argv[3]);
        if (port < 1 || port > 65535 || seconds < 1 || seconds > MAX_SECONDS) return usage();
        float values[VALUES];
        for (int i = 0; i < VALUES; ++i) values[i] = std::strtof(argv[5 + i], nullptr);
        return xplane_mode(port, seconds, argv[4], values);
    }
    return usage();
}

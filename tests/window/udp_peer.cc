// The window tests' other end of --live, on loopback only and bounded in time:
//   zt30-udp-peer port
//       prints a UDP port of 127.0.0.1 that is free at the moment.
//   zt30-udp-peer xplane PORT SECONDS LOG VALUE*9
//       stands in for X-Plane on 127.0.0.1:PORT for SECONDS: writes each RREF request to LOG as
//       "FREQUENCY INDEX PATH" and answers every subscriber 20 times a second with the values of the
//       indices it asked for at a frequency above 0.
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

constexpr int VALUES = 9, MAX_SUBSCRIBERS = 8;

struct Subscriber {
    sockaddr_in address;
    uint32_t indices; // bit i: asked for index i
};

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

uint32_t le32(const uint8_t* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

int xplane(int fd, int seconds, FILE* log, const float values[VALUES]) {
    Subscriber subs[MAX_SUBSCRIBERS] = {};
    int n_subs = 0;
    const int64_t end = now_ms() + seconds * 1000;
    for (int64_t next_reply = now_ms(), t; (t = now_ms()) < end;) {
        pollfd p{fd, POLLIN, 0};
        uint8_t buf[1024];
        sockaddr_in from{};
        socklen_t len = sizeof from;
        if (poll(&p, 1, static_cast<int>(next_reply > t ? next_reply - t : 0)) > 0 &&
            recvfrom(fd, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&from), &len) == 413 &&
            std::memcmp(buf, "RREF", 5) == 0) {
            const uint32_t freq = le32(buf + 5), index = le32(buf + 9);
            buf[412] = 0;
            std::fprintf(log, "%u %u %s\n", freq, index, reinterpret_cast<char*>(buf + 13));
            std::fflush(log);
            int s = 0;
            while (s < n_subs && std::memcmp(&subs[s].address, &from, sizeof from) != 0) ++s;
            if (s == n_subs && n_subs < MAX_SUBSCRIBERS) subs[n_subs++] = Subscriber{from, 0};
            if (s < n_subs && index < VALUES)
                subs[s].indices = freq > 0 ? subs[s].indices | 1u << index : subs[s].indices & ~(1u << index);
        }
        if (now_ms() < next_reply) continue;
        next_reply += 50;
        for (int s = 0; s < n_subs; ++s) {
            uint8_t out[5 + 8 * VALUES] = {'R', 'R', 'E', 'F', ','};
            size_t n = 5;
            for (uint32_t i = 0; i < VALUES; ++i) {
                if (!(subs[s].indices >> i & 1u)) continue;
                for (int b = 0; b < 4; ++b) out[n + b] = static_cast<uint8_t>(i >> (8 * b));
                std::memcpy(out + n + 4, &values[i], 4); // little-endian, as this machine
                n += 8;
            }
            if (n > 5) sendto(fd, out, n, 0, reinterpret_cast<sockaddr*>(&subs[s].address), sizeof from);
        }
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    int fd = socket(AF_INET, SOCK_DGRAM, 0);
    if (argc == 2 && std::strcmp(argv[1], "port") == 0) {
        sockaddr_in a = loopback(0);
        socklen_t len = sizeof a;
        if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
            getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0)
            return 1;
        std::printf("%u\n", ntohs(a.sin_port));
        return 0;
    }
    const int port = argc == 5 + VALUES ? std::atoi(argv[2]) : 0, seconds = argc > 3 ? std::atoi(argv[3]) : 0;
    if (std::strcmp(argv[argc > 1 ? 1 : 0], "xplane") != 0 || port < 1 || port > 65535 || seconds < 1 ||
        seconds > 60) {
        std::fprintf(stderr, "usage: zt30-udp-peer port | xplane PORT SECONDS(1-60) LOG VALUE*9\n");
        return 2;
    }
    const int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in me = loopback(port);
    FILE* log = std::fopen(argv[4], "a");
    if (!log || bind(fd, reinterpret_cast<sockaddr*>(&me), sizeof me) != 0) return 1;
    float values[VALUES];
    for (int i = 0; i < VALUES; ++i) values[i] = std::strtof(argv[5 + i], nullptr);
    return xplane(fd, seconds, log, values);
}

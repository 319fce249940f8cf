// The window tests' other end of --live, on loopback only and bounded in time:
//   zt30-udp-peer port
//       prints a UDP port of 127.0.0.1 that is free at the moment.
//   zt30-udp-peer xplane PORT SECONDS LOG VALUE*9
//       stands in for X-Plane on 127.0.0.1:PORT for SECONDS: writes each RREF request to LOG as
//       "FREQUENCY INDEX PATH" and answers the last to ask 20 times a second with the values of the
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

constexpr int VALUES = 9;

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

// One subscriber at a time: the last one to ask, with the indices it has asked for.
int xplane(int fd, int seconds, FILE* log, const float values[VALUES]) {
    sockaddr_in subscriber{};
    uint32_t indices = 0;
    const int64_t end = now_ms() + seconds * 1000;
    for (int64_t next_reply = now_ms(), t; (t = now_ms()) < end;) {
        pollfd p{fd, POLLIN, 0};
        uint8_t b[1024];
        sockaddr_in from{};
        socklen_t len = sizeof from;
        if (poll(&p, 1, static_cast<int>(next_reply > t ? next_reply - t : 0)) > 0 &&
            recvfrom(fd, b, sizeof b, 0, reinterpret_cast<sockaddr*>(&from), &len) == 413 &&
            std::memcmp(b, "RREF", 5) == 0) {
            const uint32_t freq = b[5] | b[6] << 8, index = b[9] | b[10] << 8;
            b[412] = 0;
            std::fprintf(log, "%u %u %s\n", freq, index, reinterpret_cast<char*>(b + 13));
            std::fflush(log);
            if (std::memcmp(&from, &subscriber, sizeof from) != 0) indices = 0;
            subscriber = from;
            if (index < VALUES) indices = freq > 0 ? indices | 1u << index : indices & ~(1u << index);
        }
        if (now_ms() < next_reply) continue;
        next_reply += 50;
        uint8_t out[5 + 8 * VALUES] = {'R', 'R', 'E', 'F', ','};
        size_t n = 5;
        for (uint32_t i = 0; i < VALUES; ++i) {
            if (!(indices >> i & 1u)) continue;
            out[n] = static_cast<uint8_t>(i);        // the index, little-endian; 0 above its first byte
            std::memcpy(out + n + 4, &values[i], 4); // the value, as this little-endian machine holds it
            n += 8;
        }
        if (n > 5) sendto(fd, out, n, 0, reinterpret_cast<sockaddr*>(&subscriber), sizeof subscriber);
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

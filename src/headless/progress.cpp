#include "headless/progress.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cinttypes>
#include <cmath>
#include <cstring>
#include <ctime>

namespace {

// A few redraws a second: enough to see it move, too few to cost anything.
constexpr uint64_t REDRAW_NS = 250'000'000;
// Ends the line: clears what a longer line before it left on the terminal.
constexpr char CLEAR_TO_END[] = "\033[K";

uint64_t wall_ns() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint64_t>(ts.tv_sec) * 1'000'000'000u + static_cast<uint64_t>(ts.tv_nsec);
}

// The terminal's width; the line stays one column short of it, or the terminal would wrap it and the
// next redraw would start a line too low.
size_t columns(int fd) {
    winsize ws{};
    if (ioctl(fd, TIOCGWINSZ, &ws) != 0 || ws.ws_col == 0) return 80;
    return ws.ws_col;
}

void write_all(int fd, const char* s, size_t n) {
    while (n > 0) {
        ssize_t w = write(fd, s, n);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return; // a terminal that went away: the run goes on without its line
        s += w;
        n -= static_cast<size_t>(w);
    }
}

// Appends to a fixed buffer; what does not fit is dropped.
struct Text {
    char* buf;
    size_t size, len;
};

__attribute__((format(printf, 2, 3))) void put(Text* t, const char* fmt, ...) {
    if (t->len + 1 >= t->size) return;
    va_list args;
    va_start(args, fmt);
    int n = std::vsnprintf(t->buf + t->len, t->size - t->len, fmt, args);
    va_end(args);
    if (n > 0) t->len = std::min(t->size - 1, t->len + static_cast<size_t>(n));
}

// 1234567 as "1,234,567".
void put_count(Text* t, uint64_t v) {
    char digits[24];
    int n = std::snprintf(digits, sizeof digits, "%" PRIu64, v);
    for (int i = 0; i < n; ++i) {
        put(t, "%c", digits[i]);
        if (i + 1 < n && (n - i - 1) % 3 == 0) put(t, "%c", ',');
    }
}

void put_hms(Text* t, uint64_t ms) {
    char hms[32];
    progress_hms(hms, sizeof hms, ms);
    put(t, "%s", hms);
}

} // namespace

void progress_hms(char* buf, size_t n, uint64_t ms) {
    uint64_t s = ms / 1000;
    std::snprintf(buf, n, "%" PRIu64 ":%02u:%02u", s / 3600, static_cast<unsigned>(s / 60 % 60),
                  static_cast<unsigned>(s % 60));
}

size_t progress_format(char* buf, size_t n, const char* label, const ProgressCounts& c, uint64_t wall_ms) {
    if (n == 0) return 0;
    // The first piece is cut to fit (a script's name can be long); the others go whole or not at all, the
    // most useful first.
    char first[sizeof Progress::line];
    Text head{first, sizeof first, 0};
    put(&head, "%s: ", label);
    put_hms(&head, c.simulated_ms);
    put(&head, " of ");
    put_hms(&head, c.total_ms);
    put(&head, " simulated");
    size_t len = std::min(head.len, n - 1);
    bool cut = len < head.len;
    if (cut) // before the character that did not fit whole
        while (len > 0 && (static_cast<unsigned char>(first[len]) & 0xC0) == 0x80) --len;
    std::memcpy(buf, first, len);
    buf[len] = 0;

    char pieces[4][48];
    Text piece[4] = {{pieces[0], 48, 0}, {pieces[1], 48, 0}, {pieces[2], 48, 0}, {pieces[3], 48, 0}};
    int count = 0;
    if (c.simulated_ms > 0 && wall_ms > 0) {
        uint64_t speed10 = c.simulated_ms * 10 / wall_ms;
        Text* speed = &piece[count++];
        put(speed, ", ");
        if (speed10 >= 100)
            put_count(speed, speed10 / 10);
        else
            put(speed, "%u.%u", static_cast<unsigned>(speed10 / 10), static_cast<unsigned>(speed10 % 10));
        put(speed, "x real time");
        // In floating point: a long script's total times the wall time can pass 2^64.
        uint64_t remaining = c.total_ms > c.simulated_ms ? c.total_ms - c.simulated_ms : 0;
        double left_ms = static_cast<double>(remaining) * static_cast<double>(wall_ms) /
                         static_cast<double>(c.simulated_ms);
        uint64_t left_s = static_cast<uint64_t>(std::ceil(std::min(left_ms, 1e15) / 1000));
        Text* left = &piece[count++];
        put(left, ", ");
        put_hms(left, left_s * 1000);
        put(left, " left");
    }
    put(&piece[count], ", ");
    put_count(&piece[count], c.frames);
    put(&piece[count++], " frames");
    put(&piece[count], ", ");
    put_count(&piece[count], c.inputs);
    put(&piece[count++], " inputs");
    for (int i = 0; !cut && i < count && len + piece[i].len < n; ++i) {
        std::memcpy(buf + len, piece[i].buf, piece[i].len + 1);
        len += piece[i].len;
    }
    return len;
}

void progress_start(Progress* p, FILE* err, bool quiet, const char* label, uint64_t delay_ms) {
    *p = Progress{};
    p->fd = !quiet && err && isatty(fileno(err)) ? fileno(err) : -1;
    p->start_ns = wall_ns();
    p->first_ns = p->start_ns + delay_ms * 1'000'000;
    p->next_ns = p->first_ns;
    // Control characters would break the line on the terminal.
    size_t i = 0;
    for (; label[i] && i + 1 < sizeof p->label; ++i) {
        auto c = static_cast<unsigned char>(label[i]);
        p->label[i] = c < 0x20 || c == 0x7F ? '?' : label[i];
    }
    p->label[i] = 0;
}

void progress_update(Progress* p, const ProgressCounts& c) {
    if (p->fd >= 0 && wall_ns() >= p->next_ns) progress_draw(p, c);
}

void progress_draw(Progress* p, const ProgressCounts& c) {
    if (p->fd < 0) return;
    uint64_t now = wall_ns();
    if (now < p->first_ns) return; // still inside the delay of the start
    p->next_ns = now + REDRAW_NS;
    size_t room = std::min(columns(p->fd), sizeof p->line - sizeof CLEAR_TO_END - 1);
    p->line[0] = '\r';
    size_t len = 1 + progress_format(p->line + 1, room, p->label, c, (now - p->start_ns) / 1'000'000);
    std::memcpy(p->line + len, CLEAR_TO_END, sizeof CLEAR_TO_END - 1);
    len += sizeof CLEAR_TO_END - 1;
    write_all(p->fd, p->line, len);
    p->shown = true;
}

void progress_clear(Progress* p) {
    if (p->fd < 0 || !p->shown) return;
    static constexpr char CLEAR[] = "\r\033[K";
    write_all(p->fd, CLEAR, sizeof CLEAR - 1);
    p->shown = false;
}

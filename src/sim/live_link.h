// The window's live link: a non-blocking UDP socket that brings flight values from a flight simulator or
// any sender of the text format. It is read inside the window's own wait (no thread): the window waits
// on live_fd() as well, calls live_poll before running the ticks that are due, and gives the values it
// returns to the instrument. Process-global, like the instrument.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "core/flight.h"
#include "live/source.h"

// Without a valid datagram for this long every value returns to not given.
constexpr int64_t LIVE_STALE_MS = 1000;
// While nothing comes from X-Plane the subscription is sent again this often (it may start later).
constexpr int64_t LIVE_RESUBSCRIBE_MS = 2000;
// Datagrams read in one poll at most; the rest wait for the next (the socket stays readable).
constexpr int LIVE_MAX_READS_PER_POLL = 64;

// Opens the link at now_ms on the window's clock (any origin): listens on the source's address, or
// subscribes to X-Plane there. Messages (the first datagram dropped, trouble on closing) go to log.
// False, with a one-line reason in why, when the socket cannot be set up.
bool live_open(const LiveSource& source, int64_t now_ms, FILE* log, char* why, size_t n);
bool live_is_open();
// The socket to wait on; -1 while closed.
int live_fd();

enum LivePollResult : uint32_t {
    LIVE_VALUES_CHANGED = 1u << 0, // live_values() differ from what the last poll returned
    LIVE_STATUS_CHANGED = 1u << 1, // receiving or not, the rate or the count of dropped datagrams
};
// Reads what has come in, lets stale values go, subscribes to X-Plane again when due.
uint32_t live_poll(int64_t now_ms);
// The flight values the link gives now: the last valid datagram's, or none.
const FlightState& live_values();
// The latest time at which live_poll must run again though nothing comes in (INT64_MAX: never).
int64_t live_next_due_ms();

// The link's state for the window title ("udp 127.0.0.1:5005, 30/s, 2 dropped") and, without the
// figures that change all the time, for a line on standard error ("udp 127.0.0.1:5005, receiving"). A
// demo mode other than NONE is named: given values do not show in it.
void live_status(uint32_t demo_mode, char* title, size_t title_size, char* line, size_t line_size);

// Latency bookkeeping: the values of the last datagram reached the instrument when frames_rendered frames
// had been rendered; the window slept, perhaps past the next due tick (a batch); later, it presented
// everything up to frames_rendered. Values are shown on time when no sleep put them off.
void live_note_applied(uint64_t frames_rendered);
void live_note_sleep(bool past_due_tick);
void live_note_presented(uint64_t frames_rendered);
// Values from a datagram reached the instrument but no frame drawn with them is on the screen yet.
bool live_unshown();
// Datagrams, dropped ones, the datagram-to-screen time (from the kernel's arrival stamp to the
// presentation of the first frame drawn with the values) and how many were shown on time: one line for
// the tick statistics.
void live_print_stats(FILE* out);

// Ends the X-Plane subscription (frequency 0 for each dataref) and closes the socket.
void live_close();

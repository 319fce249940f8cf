// Shared by the parser fuzz tests: a count of operator new calls while a fuzz loop runs, and random
// datagrams built from seeds by small edits.
#pragma once
#include <atomic>
#include <cstdint>
#include <random>
#include <string>

#include "core/flight.h"

// operator new calls while counting is on (this test program's operator new counts them).
extern std::atomic<bool> fuzz_counting;
extern std::atomic<uint64_t> fuzz_allocations;

// A seed with one to four edits: a byte changed, inserted or removed, a run cut out, or a piece inserted.
inline void fuzz_mutate(std::string* s, std::mt19937* rng, const char* const* pieces, size_t n_pieces) {
    auto pick = [&](size_t n) { return static_cast<size_t>((*rng)() % n); };
    for (size_t e = 0, edits = 1 + pick(4); e < edits; ++e) {
        size_t at = s->empty() ? 0 : pick(s->size() + 1);
        switch (pick(5)) {
        case 0:
            if (at < s->size()) (*s)[at] = static_cast<char>((*rng)());
            break;
        case 1:
            s->insert(at, 1, static_cast<char>((*rng)()));
            break;
        case 2:
            if (at < s->size()) s->erase(at, 1 + pick(6));
            break;
        default:
            s->insert(at, pieces[pick(n_pieces)]);
            break;
        }
    }
}

// Every given value inside its range, every value not given 0, no bit past the nine.
inline bool fuzz_state_sound(const FlightState& s) {
    if ((s.given & ~FLT_ALL_GIVEN) != 0) return false;
    for (int32_t i = 0; i < FLT_VALUE_COUNT; ++i) {
        const float v = s.value[i];
        if ((s.given >> i & 1u) ? !(v >= FLT_VALUES[i].lo && v <= FLT_VALUES[i].hi) : v != 0.0f) return false;
    }
    return true;
}

// The parser fuzz tests' shared pieces: operator new calls counted while a loop runs, seeds with small
// edits, and the soundness of a parsed state.
#pragma once
#include <atomic>
#include <random>
#include <string>

#include "core/flight.h"

extern std::atomic<bool> fuzz_counting; // this test program's operator new counts while set
extern std::atomic<uint64_t> fuzz_allocations;

// One to four edits: a byte changed, inserted or cut (with up to five after it), or a piece inserted.
inline void fuzz_mutate(std::string* s, std::mt19937* rng, const char* const* pieces, size_t n_pieces) {
    for (size_t e = 0, edits = 1 + (*rng)() % 4; e < edits; ++e) {
        const size_t at = (*rng)() % (s->size() + 1), kind = (*rng)() % 5;
        if (kind == 0 && at < s->size()) (*s)[at] = static_cast<char>((*rng)());
        if (kind == 1) s->insert(at, 1, static_cast<char>((*rng)()));
        if (kind == 2 && at < s->size()) s->erase(at, 1 + (*rng)() % 6);
        if (kind > 2) s->insert(at, pieces[(*rng)() % n_pieces]);
    }
}

// Every given value inside its range, every value not given 0, no bit past the nine.
inline bool fuzz_state_sound(const FlightState& s) {
    bool sound = (s.given & ~FLT_ALL_GIVEN) == 0;
    for (int32_t i = 0; i < FLT_VALUE_COUNT; ++i)
        sound &= (s.given >> i & 1u) ? s.value[i] >= FLT_VALUES[i].lo && s.value[i] <= FLT_VALUES[i].hi
                                     : s.value[i] == 0.0f;
    return sound;
}

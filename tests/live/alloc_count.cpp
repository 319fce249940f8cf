// This test program's allocator: operator new counted while a fuzz loop asks for it. Apart from the
// tests, so that no inlined container meets these definitions.
#include <cstdlib>
#include <new>

#include "fuzz.h"

std::atomic<bool> fuzz_counting{false};
std::atomic<uint64_t> fuzz_allocations{0};

void* operator new(size_t n) {
    if (fuzz_counting.load(std::memory_order_relaxed)) ++fuzz_allocations;
    if (void* p = std::malloc(n == 0 ? 1 : n)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, size_t) noexcept {
    std::free(p);
}

// zt30-soak: hours of random use on a simulated clock with every invariant checked; see soak.h.
// This program also counts every call to the allocator, which the soak requires to stay still once the
// instrument has started.
#include <csignal>
#include <cstddef>
#include <cstdio>

#include "headless/run.h"
#include "soak/soak.h"

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer owns the allocator; it tells us of each allocation through its hook.
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*malloc_hook)(const volatile void*, size_t),
                                                         void (*free_hook)(const volatile void*));

namespace {
void on_malloc(const volatile void*, size_t) {
    soak_allocations.fetch_add(1, std::memory_order_relaxed);
}
void on_free(const volatile void*) {}
} // namespace

static void install_counting() {
    __sanitizer_install_malloc_and_free_hooks(on_malloc, on_free);
}
#else
// The C library's allocator under its own names; ours count and pass every call on. operator new comes
// through malloc too.
extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t n, size_t size);
void* __libc_realloc(void* p, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
void __libc_free(void* p);

void* malloc(size_t size) {
    soak_allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_malloc(size);
}
void* calloc(size_t n, size_t size) {
    soak_allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_calloc(n, size);
}
void* realloc(void* p, size_t size) {
    soak_allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_realloc(p, size);
}
void* memalign(size_t alignment, size_t size) {
    soak_allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_memalign(alignment, size);
}
void* aligned_alloc(size_t alignment, size_t size) {
    return memalign(alignment, size);
}
int posix_memalign(void** out, size_t alignment, size_t size) {
    if (alignment % sizeof(void*) != 0 || (alignment & (alignment - 1)) != 0) return 22; // EINVAL
    void* p = memalign(alignment, size);
    if (!p) return 12; // ENOMEM
    *out = p;
    return 0;
}
void free(void* p) {
    __libc_free(p);
}
}

static void install_counting() {}
#endif

// Ctrl-C ends the run between two ticks, so that it can say how far it got.
static void on_stop(int signal) {
    headless_stop_signal = signal;
}

int main(int argc, char** argv) {
    install_counting();
    struct sigaction action {};
    action.sa_handler = on_stop;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    return soak_main(argc, argv, stdout, stderr);
}

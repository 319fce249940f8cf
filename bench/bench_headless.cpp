// One simulated hour of the headless runner on each page: how many times faster than real time it runs.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "headless/run.h"
#include "headless/script.h"

namespace {

// From start to the page, with the splash long gone; every soft-key click takes 100 ms.
struct PageRoute {
    const char* name;
    const char* script;
};

constexpr PageRoute ROUTES[] = {
    {"splash_then_clock", ""},
    {"clock", "click right\n"},
    {"run_time", "click right\nclick right\n"},
    {"timer1", "click right\nclick right\nclick right\n"},
    {"timer2", "click right\nclick right\nclick right\nclick right\n"},
    {"aoa", "click right\nclick right\nclick right\nclick right\nclick right\n"},
    {"g_meter", "click left\nclick left\nclick left\n"},
    {"attitude", "click left\nclick left\n"},
    {"setup", "click left\n"},
    {"brightness_overlay", "wait 2s\nhold right 1300ms\n"},
};

void BM_SimulatedHour(benchmark::State& state) {
    const PageRoute& route = ROUTES[state.range(0)];
    state.SetLabel(route.name);
    HeadlessScript script;
    std::string error;
    if (!headless_parse("bench", std::string(route.script) + "wait 3s\nwait 3600s\n", &script, &error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    HeadlessOptions options{};
    options.local_time_set = headless_parse_time("10:09:30", &options.local_time);
    FILE* sink = std::fopen("/dev/null", "w");
    for (auto _ : state) {
        if (headless_run(script, options, sink, sink) != 0) state.SkipWithError("script failed");
    }
    std::fclose(sink);
    // Simulated seconds per second of processor time (the wall clock depends on what else the machine runs).
    state.counters["x_realtime"] = benchmark::Counter(3600.0, benchmark::Counter::kIsIterationInvariantRate);
}

} // namespace

BENCHMARK(BM_SimulatedHour)
    ->DenseRange(0, static_cast<int>(std::size(ROUTES)) - 1)
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

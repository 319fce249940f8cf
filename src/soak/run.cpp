#include "soak/soak.h"

#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <thread>
#include <vector>

#include "core/buttons.h"
#include "core/flight.h"
#include "core/page.h"
#include "files/file.h"
#include "headless/progress.h"
#include "headless/run.h"
#include "headless/script.h"
#include "live/text.h"
#include "host/host.h"
#include "host/scheduler.h"
#include "pages/clock.h"
#include "pages/timer.h"
#include "setup/settings.h"
#include "setup/setup_menu.h"
#include "soak/random_use.h"

#if defined(__SANITIZE_ADDRESS__)
#include <dlfcn.h>
extern "C" void __sanitizer_set_death_callback(void (*callback)(void));
#endif

namespace {

const char* const BUTTON_NAMES[4] = {"view", "left", "right", "both"};

struct Run {
    const SoakOptions* options;
    SoakStats* stats;
    FILE* out;
    char local_time[16];
    std::vector<SoakInput> log;           // every input since start, reserved at start-up
    std::atomic<uint64_t> progress_ms{0}; // simulated time checked
    std::atomic<uint64_t> step_ms{0};     // the ticks running now: where a crash or a hang happens
    std::atomic<bool> finished{false};
    std::atomic<bool> reported{false};
    std::atomic<bool> watchdog_ready{false};
    Progress progress;
};

Run* current_run = nullptr; // for the watchdog and the sanitizers' last word

std::string script_path(const Run& run) {
    if (!run.options->script_path.empty()) return run.options->script_path;
    return "soak-failure-" + std::to_string(run.options->seed) + ".zts";
}

void append_wait(std::string* s, uint64_t ms) {
    if (ms == 0) return;
    *s +=
        ms % 1000 == 0 ? "wait " + std::to_string(ms / 1000) + "s\n" : "wait " + std::to_string(ms) + "ms\n";
}

void append_input(std::string* s, const SoakInput& in) {
    char line[96];
    if (in.kind == SOAK_IN_FLIGHT) {
        if (in.button >= FLT_VALUE_COUNT) {
            std::snprintf(line, sizeof line, "%-24s", "flight clear");
        } else {
            char value[32] = "-";
            float v;
            std::memcpy(&v, &in.x, sizeof v);
            if (in.y) value[live_format_number(v, value, sizeof value - 1)] = '\0';
            std::snprintf(line, sizeof line, "flight %s=%-*s", FLT_VALUES[in.button].key,
                          15 - static_cast<int>(std::strlen(FLT_VALUES[in.button].key)), value);
        }
        *s += line;
        *s += " # " + soak_format_time(in.at_ms) + "\n";
        return;
    }
    const char* what = in.kind == SOAK_IN_PRESS ? "press" : in.kind == SOAK_IN_RELEASE ? "release" : "mouse";
    if (in.kind == SOAK_IN_PRESS || in.kind == SOAK_IN_RELEASE)
        std::snprintf(line, sizeof line, "%-24s",
                      (std::string(what) + " " + BUTTON_NAMES[in.button]).c_str());
    else
        std::snprintf(line, sizeof line, "mouse %-4s %6d %6d     ",
                      in.kind == SOAK_IN_MOUSE_DOWN ? "down" : "up", in.x, in.y);
    *s += line;
    *s += " # " + soak_format_time(in.at_ms) + "\n";
}

// The script lines of inputs [from, to) and the wait up to end_ms; the wait before the first is left out
// when it does not start at the beginning of the run.
std::string script_lines(const Run& run, size_t from, size_t to, uint64_t end_ms) {
    std::string s;
    uint64_t t = from == 0 ? 0 : run.log[from].at_ms;
    for (size_t i = from; i < to; ++i) {
        append_wait(&s, run.log[i].at_ms - t);
        t = run.log[i].at_ms;
        append_input(&s, run.log[i]);
    }
    append_wait(&s, end_ms - t);
    return s;
}

void report_failure(Run* run, const std::string& why, uint64_t at_ms) {
    if (run->reported.exchange(true)) return;
    SoakStats* st = run->stats;
    st->failed = true;
    st->failure = why;
    st->failed_at_ms = at_ms;
    size_t n = run->log.size();
    std::string path = script_path(*run);
    std::string script =
        "# zt30-soak replay: seed " + std::to_string(run->options->seed) + ", failure at " +
        soak_format_time(at_ms) + " of simulated time\n# " + why + "\n# zt30-headless runs the " +
        std::to_string(n) + " inputs of the soak up to the moment of the failure.\nlocal-time " +
        run->local_time + "\n" + script_lines(*run, 0, n, at_ms) + "# the check failed here\n";
    const char* write_error = host_file_write_all(path.c_str(), script.data(), script.size());

    FILE* out = run->out;
    progress_clear(&run->progress);
    std::fprintf(out, "zt30-soak: FAILED at %s of simulated time (seed %" PRIu64 ", frame %" PRIu64 ")\n",
                 soak_format_time(at_ms).c_str(), run->options->seed, host_frames_rendered);
    std::fprintf(out, "  invariant: %s\n", why.c_str());
    size_t shown = std::min<size_t>(n, SOAK_REPORT_EVENTS);
    std::fprintf(out, "  the last %zu of %zu input events, as the end of the replay script:\n", shown, n);
    std::string tail = script_lines(*run, n - shown, n, at_ms);
    size_t pos = 0;
    while (pos < tail.size()) {
        size_t end = tail.find('\n', pos);
        std::fprintf(out, "    %s\n", tail.substr(pos, end - pos).c_str());
        pos = end + 1;
    }
    if (write_error)
        std::fprintf(out, "  cannot write the replay script '%s': %s\n", path.c_str(), write_error);
    else
        std::fprintf(out, "  replay: zt30-headless %s\n", path.c_str());
    std::fprintf(out, "  again:  zt30-soak --seed %" PRIu64 " --duration %" PRIu64 "s\n", run->options->seed,
                 (run->options->duration_ms + 999) / 1000);
    std::fflush(out);
}

#if defined(__SANITIZE_ADDRESS__)
void on_sanitizer_death() {
    Run* run = current_run;
    if (!run || run->finished.load()) return;
    report_failure(run, "a sanitizer stopped the run (its report is above)", run->step_ms.load());
}

// Both sanitizers' reports end the run through the same report. UBSan carries its own copy of the
// sanitizer runtime, with a callback of its own.
void on_sanitizer_death_too() {
    __sanitizer_set_death_callback(on_sanitizer_death);
    if (void* ubsan = dlopen("libubsan.so.1", RTLD_NOW | RTLD_NOLOAD)) {
        using SetCallback = void (*)(void (*)());
        if (auto set = reinterpret_cast<SetCallback>(dlsym(ubsan, "__sanitizer_set_death_callback")))
            set(on_sanitizer_death);
        dlclose(ubsan);
    }
}
#endif

// Reports a run that has stopped advancing, then ends the process: the stuck code cannot be unwound.
void watchdog(Run* run) {
    int limit = run->options->watchdog_seconds;
    uint64_t last = run->progress_ms.load();
    auto since = std::chrono::steady_clock::now();
    // A new thread allocates as it first runs (its thread-local storage): let that happen before the run
    // starts counting.
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    run->watchdog_ready.store(true);
    while (!run->finished.load()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        uint64_t now = run->progress_ms.load();
        auto wall = std::chrono::steady_clock::now();
        if (now != last) {
            last = now;
            since = wall;
        } else if (wall - since >= std::chrono::seconds(limit)) {
            report_failure(run,
                           "hang: no simulated time passed for " + std::to_string(limit) + " s of wall time",
                           run->step_ms.load());
            std::_Exit(SOAK_EXIT_FAILED);
        }
    }
}

void count_frame(SoakStats* st) {
    ++st->frames;
    ++st->page_frames[std::clamp(current_page, 0, SOAK_PAGES - 1)];
    if (current_page == PAGE_SETUP)
        ++st->setup_frames[std::clamp(setup_state.setup_screen, 0, SOAK_SETUP_SCREENS - 1)];
    if (brightness_overlay_shown) ++st->overlay_frames;
    if (timer1_alert || timer2_alert) ++st->alert_frames;
    if (clock_setting) ++st->clock_set_frames;
    if (user_timers[0].editing || user_timers[1].editing) ++st->timer_edit_frames;
    ++st->demo_frames[std::min<uint32_t>(device_settings.demo_mode, 2)];
    if (device_settings.demo_mode == DEMO_NONE && flight_state.given != 0) ++st->flight_frames;
}

volatile void* planted_allocation;

void plant(SoakBreak b) {
    switch (b) {
    case SOAK_BREAK_NONE:
        break;
    case SOAK_BREAK_SETTING:
        device_settings.audio_volume = 11;
        break;
    case SOAK_BREAK_ALLOC: {
        void* (*volatile allocate)(size_t) = std::malloc; // through a pointer the compiler cannot see past
        planted_allocation = allocate(16);
        std::free(const_cast<void*>(planted_allocation));
        break;
    }
    case SOAK_BREAK_HANG:
        for (;;) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

} // namespace

int soak_run(const SoakOptions& options, SoakStats* stats, FILE* out) {
    *stats = SoakStats{};
    Run run;
    run.options = &options;
    run.stats = stats;
    run.out = out;
    SoakDriver driver;
    SoakDriver* drv = &driver;
    soak_driver_start(drv, options.seed, run.local_time, sizeof run.local_time);
    HeadlessOptions ho{};
    ho.local_time_set = headless_parse_time(run.local_time, &ho.local_time);
    run.log.reserve(options.duration_ms / SOAK_ACTION_MIN_MS * SOAK_ACTION_MAX_INPUTS +
                    SOAK_ACTION_MAX_INPUTS * 2);

    std::fprintf(out, "zt30-soak: seed %" PRIu64 ", %s of simulated time, local time %s\n", options.seed,
                 soak_format_time(options.duration_ms).c_str(), run.local_time);
    std::fflush(out);
    progress_start(&run.progress, options.terminal, false, "zt30-soak", 0);
    progress_draw(&run.progress, {0, options.duration_ms, 0, 0});

    HostScheduler sched;
    headless_start(ho, &sched);
    SoakChecker checker;
    soak_checker_start(&checker, &sched);
    current_run = &run;
#if defined(__SANITIZE_ADDRESS__)
    on_sanitizer_death_too();
#endif
    std::thread guard;
    if (options.watchdog_seconds > 0) {
        guard = std::thread(watchdog, &run);
        while (!run.watchdog_ready.load()) std::this_thread::yield();
    }
    auto wall_start = std::chrono::steady_clock::now();
    char why[256];
    bool planted = options.planted == SOAK_BREAK_NONE;
    uint64_t now = 0, end = options.duration_ms, next_hour = 3600000, next_look_ms = 1000;
    count_frame(stats); // the first frame, drawn at start-up
    // From here on nothing may allocate: the log, the driver and the watchdog are in place.
    checker.allocations = soak_allocations.load(std::memory_order_relaxed);
    bool ok = soak_check(&checker, &sched, why, sizeof why);

    while (ok && headless_stop_signal == 0) {
        if (drv->next == drv->queued && now >= drv->action_end_ms) soak_plan_action(drv, now);
        uint64_t next_in = drv->next < drv->queued ? drv->queue[drv->next].at_ms : drv->action_end_ms;
        uint64_t limit = std::min(next_in, end);
        // Every tick due up to the next input, the ticks of one millisecond at a time, each checked.
        while (ok && host_sched_next_due(&sched) <= limit && headless_stop_signal == 0) {
            now = host_sched_next_due(&sched);
            run.step_ms.store(now, std::memory_order_relaxed);
            uint64_t frames = host_frames_rendered;
            host_sched_run(&sched, now, -1);
            if (host_frames_rendered != frames) count_frame(stats);
            if (!planted && now >= options.planted_at_ms) {
                planted = true;
                plant(options.planted);
            }
            ok = soak_check(&checker, &sched, why, sizeof why);
            run.progress_ms.store(now, std::memory_order_relaxed);
            if (options.progress && now >= next_hour) {
                double wall =
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - wall_start).count();
                progress_clear(&run.progress);
                std::fprintf(out,
                             "zt30-soak: %s: %" PRIu64 " frames, %" PRIu64 " inputs, %.1f s of wall time\n",
                             soak_format_time(now).c_str(), stats->frames, stats->inputs, wall);
                std::fflush(out);
                progress_draw(&run.progress, {now, end, stats->frames, stats->inputs});
                next_hour += 3600000;
            } else if (now >= next_look_ms) {
                progress_update(&run.progress, {now, end, stats->frames, stats->inputs});
                next_look_ms = now + 1000;
            }
        }
        if (!ok || next_in >= end) break;
        now = next_in;
        if (drv->next < drv->queued) {
            const SoakInput& in = drv->queue[drv->next++];
            int x = in.x, y = in.y;
            if (in.kind == SOAK_IN_FLIGHT) {
                float v;
                std::memcpy(&v, &in.x, sizeof v);
                for (int32_t i = 0; i < FLT_VALUE_COUNT; ++i)
                    if (in.button >= FLT_VALUE_COUNT || (i == in.button && !in.y))
                        flt_state_unset(&flight_state, i);
                if (in.button < FLT_VALUE_COUNT && in.y) flt_state_set(&flight_state, in.button, v);
            } else {
                if (in.kind == SOAK_IN_PRESS || in.kind == SOAK_IN_RELEASE)
                    host_button_point(static_cast<HostButton>(in.button), &x, &y);
                host_hit_test(in.kind == SOAK_IN_PRESS || in.kind == SOAK_IN_MOUSE_DOWN, x, y);
            }
            if (run.log.size() < run.log.capacity()) run.log.push_back(in);
            ++stats->inputs;
        }
    }
    uint64_t allocations = soak_allocations.load(std::memory_order_relaxed) - checker.allocations;
    run.finished.store(true);
    progress_clear(&run.progress);
    if (guard.joinable()) guard.join();
    stats->wall_seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wall_start).count();
    stats->simulated_ms = now;
    stats->button_events = btn_event_count;
    stats->allocations = allocations;

    if (!ok) {
        report_failure(&run, why, now);
    } else if (headless_stop_signal != 0) {
        stats->stop_signal = headless_stop_signal;
    } else if (options.require_coverage) {
        std::string missing;
        for (int p : SOAK_TOUR_PAGES)
            if (stats->page_frames[p] == 0) missing += " page " + std::to_string(p);
        for (int sc = 0; sc < SOAK_SETUP_SCREENS; ++sc)
            if (stats->setup_frames[sc] == 0) missing += " setup screen " + std::to_string(sc);
        const std::pair<const char*, uint64_t> extras[] = {{"brightness overlay", stats->overlay_frames},
                                                           {"alert", stats->alert_frames},
                                                           {"Set Clock", stats->clock_set_frames},
                                                           {"timer editing", stats->timer_edit_frames},
                                                           {"demo NONE", stats->demo_frames[0]},
                                                           {"DEMO 1", stats->demo_frames[1]},
                                                           {"DEMO 2", stats->demo_frames[2]}};
        for (const auto& [name, frames] : extras)
            if (frames == 0) missing += std::string(" ") + name;
        if (!missing.empty()) report_failure(&run, "coverage: never shown:" + missing, now);
    }
    current_run = nullptr;
    if (stats->stop_signal != 0) return 128 + stats->stop_signal;
    return stats->failed ? SOAK_EXIT_FAILED : SOAK_EXIT_PASSED;
}

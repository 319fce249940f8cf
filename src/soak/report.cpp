// The soak's report: simulated times as text, and the table of what was shown.
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "soak/soak.h"

std::string soak_format_time(uint64_t ms) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%" PRIu64 ":%02u:%02u.%03u", ms / 3600000,
                  static_cast<unsigned>(ms / 60000 % 60), static_cast<unsigned>(ms / 1000 % 60),
                  static_cast<unsigned>(ms % 1000));
    return buf;
}

namespace {

const char* const PAGE_NAMES[SOAK_PAGES] = {"splash",  "CLOCK", "RUN TIME", "XPDR CTRL", "TIMER 1",
                                            "TIMER 2", "AOA",   "G METER",  "ATTITUDE",  "SETUP"};
const char* const SETUP_SCREEN_NAMES[SOAK_SETUP_SCREENS] = {
    "list",       "SYSTEM INFO",  "PAGE ENABLE", "AUDIO ALERTS", "VISUAL ALERTS",
    "AUDIO VOL",  "MISC OPTIONS", "AOA LIMITS",  "G LIMITS",     "SLIP TRIM",
    "ROLL TRIM",  "PITCH TRIM",   "OAT TRIM",    "HARD CAL",     "SPEED ASSIST",
    "PITOT ZERO", "IAS TRIM",     "ALT TRIM",    "DEMO MODE"};

// Prints "name count" pairs, wrapped before 100 columns.
void print_counts(FILE* out, const char* title, const char* const* names, const uint64_t* counts, int n) {
    std::fprintf(out, "  %s:", title);
    int column = 4 + static_cast<int>(std::strlen(title));
    for (int i = 0; i < n; ++i) {
        char item[64];
        int len = std::snprintf(item, sizeof item, " %s %" PRIu64 ",", names[i], counts[i]);
        if (i == n - 1) item[--len] = '\0';
        if (column + len > 100) {
            std::fputs("\n   ", out);
            column = 3;
        }
        std::fputs(item, out);
        column += len;
    }
    std::fputc('\n', out);
}

} // namespace

void soak_print_coverage(const SoakStats& st, FILE* out) {
    std::fprintf(out, "coverage, rendered frames:\n");
    print_counts(out, "pages", PAGE_NAMES, st.page_frames, SOAK_PAGES);
    print_counts(out, "SETUP", SETUP_SCREEN_NAMES, st.setup_frames, SOAK_SETUP_SCREENS);
    const char* const extra_names[] = {
        "brightness overlay", "alert raised", "Set Clock", "timer editing",
        "demo NONE",          "DEMO 1",       "DEMO 2",    "flight values shown"};
    const uint64_t extra[] = {st.overlay_frames, st.alert_frames,   st.clock_set_frames, st.timer_edit_frames,
                              st.demo_frames[0], st.demo_frames[1], st.demo_frames[2],   st.flight_frames};
    print_counts(out, "also", extra_names, extra, 8);
}

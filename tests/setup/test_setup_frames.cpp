// Every SETUP screen as the buttons open it from the start settings, compared whole with a frame
// sketched from its layout: title, rows with their bars and marks, values, arrows and labels.
#include <gtest/gtest.h>

#include "core/buttons.h"
#include "core/page.h"
#include "host/host.h"
#include "pages/aoa_bar.h"
#include "setup/settings.h"
#include "setup/setup_menu.h"
#include "setup/setup_screens.h"
#include "../pages/frame_probe.h"

namespace {

constexpr uint32_t TITLE = 0xFF00B000, TEXT = 0xFF60F0F0, DIM = 0xFF707070, BAR = 0xFFFF00FF;
constexpr uint32_t NOTICE = 0xFFFFFF00, WHITE = 0xFFFFFFFF, GREEN = 0xFF00FF00, RED = 0xFFFF0000;

void title(Sketch& s, const char* t) {
    s.text(0, 64, 10, TITLE, t);
}
void arrows(Sketch& s) {
    s.mask(MASK_ARROW_UP, 3, 40).mask(MASK_ARROW_DOWN, 3, 115);
}
void right(Sketch& s, const char* t, uint32_t color = TEXT) {
    s.down(122, 100, color, t);
}
void bottom(Sketch& s, const char* t) {
    s.text(0, 64, 150, DIM, t);
}
// A row: its bar over columns x0..x1 and rows y..y + 13 when highlighted (the text then white).
void row(Sketch& s, int y, const char* t, bool lit, int x1 = 102, uint32_t color = TEXT, int x = 40,
         int x0 = 38) {
    if (lit) s.rect(x0, y, x1 + 1, y + 14, BAR);
    s.run(0, x, y, lit ? WHITE : color, t);
}
// Check-box rows from y, 15 apart, the cursor's highlighted; the right label for its bit.
void checks(Sketch& s, int y, const char* const* rows, const char* marks, int x1 = 102, int cursor = 0) {
    for (int i = 0; rows[i]; ++i, y += 15) {
        if (marks[i] == 'v')
            s.mask(MASK_CHECK, 25, y, GREEN);
        else
            s.mask(MASK_CROSS, 25, y, RED);
        row(s, y, rows[i], i == cursor, x1);
    }
    right(s, marks[cursor] == 'v' ? "DIS" : "ENA", BAR);
    bottom(s, "BACK");
    arrows(s);
}
// AOA LIMITS and G LIMITS: the pair being edited (step 0 the first) lit, the other dim.
void limits(Sketch& s, const char* t, const char* a, const char* b, const char* noun, const char* va,
            const char* vb, int step = 0) {
    const uint32_t first = step == 0 ? TEXT : DIM, second = step == 0 ? DIM : TEXT;
    title(s, t);
    s.text(0, 64, 30, first, a).text(0, 64, 45, first, noun).text(3, 64, 65, step == 0 ? WHITE : DIM, va);
    s.text(0, 64, 90, second, b).text(0, 64, 105, second, noun).text(3, 64, 125, step == 0 ? DIM : WHITE, vb);
    arrows(s);
    right(s, step == 0 ? "NEXT" : "DONE");
}
void trim(Sketch& s, const char* t, const char* label) {
    title(s, t);
    s.text(0, 64, 40, TEXT, "TRIM:").text(2, 64, 62, WHITE, "0.0");
    s.text(0, 64, 90, TEXT, label).text(3, 64, 112, DIM, "0.0d");
    arrows(s);
    right(s, "OK");
}
void caution(Sketch& s, const char* t, const char* l1, const char* l2, const char* l3) {
    title(s, t);
    s.text(0, 64, 30, NOTICE, "! CAUTION !").text(0, 64, 55, NOTICE, l1).text(0, 64, 70, NOTICE, l2);
    s.text(0, 64, 85, NOTICE, l3).down(5, 90, GREEN, "BACK");
}
void choosing(Sketch& s, const char* t) {
    title(s, t);
    row(s, 30, "LOW TRIM", true);
    row(s, 45, "HIGH TRIM", false, 102, DIM); // unavailable
    right(s, "SEL", BAR);
    bottom(s, "BACK");
    arrows(s);
}

const char* const PAGES[] = {"CLOCK", "RUN TIME", "TIMER 1",  "TIMER 2",
                             "AOA",   "G METER",  "ATTITUDE", nullptr};
const char* const ALERTS[] = {"TIMER 1", "TIMER 2", "AOA LIMIT", "G LIMIT", nullptr};
const char* const OPTIONS[] = {"BLUE BG", "TEMP IN C", "24H TIME", "TAS IN KT",
                               "G POPUP", "AOA POPUP", "AI POPUP", nullptr};
const char* const ENABLED[] = {"ENABLED", nullptr};

} // namespace

TEST(SetupFrames, EveryScreenAsItOpens) {
    const struct {
        int32_t screen;
        const char* keys; // after opening: S select, D down, U up
        void (*sketch)(Sketch&);
    } cases[] = {
        {SETUP_SYSTEM_INFO, "",
         [](Sketch& s) {
             title(s, "SYSTEM INFO");
             s.text(0, 64, 27, TEXT, "MODEL")
                 .text(1, 64, 42, WHITE, "ZT-30-S")
                 .text(0, 64, 62, TEXT, "PART NUMBER");
             s.text(1, 64, 77, WHITE, "TSQ-4810342-001").text(0, 64, 97, TEXT, "SW VERSION");
             s.text(1, 64, 112, WHITE, "1.8.0")
                 .text(0, 64, 132, TEXT, "UNIT ID")
                 .text(1, 64, 147, WHITE, "0");
             right(s, "OK");
         }},
        {SETUP_PAGE_ENABLE, "",
         [](Sketch& s) {
             title(s, "PAGE ENABLE");
             checks(s, 22, PAGES, "vvvvvvv");
         }},
        {SETUP_PAGE_ENABLE, "DDS", // past XPDR CTRL to TIMER 1, its bit cleared
         [](Sketch& s) {
             title(s, "PAGE ENABLE");
             checks(s, 22, PAGES, "vvxvvvv", 102, 2);
         }},
        {SETUP_AUDIO_ALERTS, "",
         [](Sketch& s) {
             title(s, "AUDIO ALERTS");
             checks(s, 30, ALERTS, "vvvx");
         }},
        {SETUP_VISUAL_ALERTS, "",
         [](Sketch& s) {
             title(s, "FLAG ALERTS");
             checks(s, 30, ALERTS, "xxxx");
         }},
        {SETUP_AUDIO_VOL, "",
         [](Sketch& s) {
             title(s, "AUDIO VOLUME");
             s.text(3, 64, 50, WHITE, "05").rect(30, 70, 65, 85, WHITE);
             arrows(s);
             right(s, "OK");
         }},
        {SETUP_MISC_OPTIONS, "",
         [](Sketch& s) {
             title(s, "MISC OPTIONS");
             checks(s, 30, OPTIONS, "xvvvvvv", 112);
         }},
        {SETUP_MISC_OPTIONS, "DDS", // 24H TIME cleared
         [](Sketch& s) {
             title(s, "MISC OPTIONS");
             checks(s, 30, OPTIONS, "xvxvvvv", 112, 2);
         }},
        {SETUP_AOA_LIMITS, "",
         [](Sketch& s) {
             limits(s, "AOA LIMITS (CAL)", "PRE-STALL", "CRUISE", "ANGLE", "15.0", "5.0");
             page_draw_aoa_bar(s.px(), 93, 135, 15, false);
         }},
        {SETUP_AOA_LIMITS, "S",
         [](Sketch& s) {
             limits(s, "AOA LIMITS (CAL)", "PRE-STALL", "CRUISE", "ANGLE", "15.0", "5.0", 1);
             page_draw_aoa_bar(s.px(), 93, 135, 15, false);
         }},
        {SETUP_G_LIMITS, "",
         [](Sketch& s) { limits(s, "G LIMITS", "POSITIVE G", "NEGATIVE G", "ALERT", "2.0", "-1.0"); }},
        {SETUP_SLIP_TRIM, "",
         [](Sketch& s) {
             title(s, "SLIIP TRIM");
             s.text(0, 64, 40, TEXT, "TRIM:").text(2, 64, 62, WHITE, "0.0");
             page_draw_slip_indicator(s.px(), 0.0f, 15);
             s.text(0, 64, 90, TEXT, "SLIP (Deg)").text(3, 64, 112, DIM, "0.0d");
             arrows(s);
             right(s, "OK");
         }},
        {SETUP_ROLL_TRIM, "", [](Sketch& s) { trim(s, "ROLL TRIM", "ROLL (Deg)"); }},
        {SETUP_PITCH_TRIM, "", [](Sketch& s) { trim(s, "PITCH TRIM", "PITCH (Deg)"); }},
        {SETUP_OAT_TRIM, "",
         [](Sketch& s) {
             title(s, "OAT TRIM");
             s.text(0, 64, 40, TEXT, "OFFSET:").text(2, 64, 62, WHITE, "0").text(0, 64, 90, TEXT, "NEW (C)");
             s.text(3, 64, 112, DIM, "22d");
             arrows(s);
             right(s, "OK");
         }},
        {SETUP_HARD_CAL, "",
         [](Sketch& s) {
             caution(s, "HARD CALIBRATION", "Hard Calibration Must", "be performed while on",
                     "ground only.  ");
         }},
        {SETUP_SPEED_ASSIST, "",
         [](Sketch& s) {
             title(s, "SPEED ASSIST");
             checks(s, 30, ENABLED, "v", 112);
         }},
        {SETUP_PITOT_ZERO, "",
         [](Sketch& s) {
             caution(s, "PITOT ZERO", "Pitot Zero Must", "be performed", "on-ground only.");
             right(s, "ACK", NOTICE);
         }},
        {SETUP_IAS_TRIM, "", [](Sketch& s) { choosing(s, "AIRSPEED TRIM"); }},
        {SETUP_IAS_TRIM, "S",
         [](Sketch& s) {
             title(s, "AIRSPEED TRIM");
             s.text(0, 64, 40, TEXT, "OFFSET:").text(2, 64, 60, WHITE, "0");
             arrows(s);
             right(s, "OK");
             s.text(2, 64, 112, DIM, "---");
         }},
        {SETUP_ALT_TRIM, "", [](Sketch& s) { choosing(s, "ALTITUDE TRIM"); }},
        {SETUP_ALT_TRIM, "S",
         [](Sketch& s) {
             title(s, "ALTITUDE TRIM");
             s.text(0, 64, 40, TEXT, "OFFSET:").text(2, 64, 60, WHITE, "0");
             arrows(s);
             right(s, "OK");
             s.text(0, 64, 90, TEXT, "NEW (ft)").text(3, 64, 112, DIM, "8191");
         }},
        {SETUP_DEMO_MODE, "",
         [](Sketch& s) {
             title(s, "DEMO MODES");
             const char* names[] = {"NONE", "DEMO 1", "DEMO 2"};
             for (int i = 0; i < 3; ++i) {
                 if (i == 1)
                     s.mask(MASK_CHECK, 25, 30 + 15 * i, GREEN);
                 else
                     s.mask(MASK_CROSS, 25, 30 + 15 * i, RED);
                 row(s, 30 + 15 * i, names[i], i == 0);
             }
             right(s, "SEL", BAR);
             bottom(s, "BACK");
             arrows(s);
         }},
    };
    for (const auto& c : cases) {
        host_reset_all();
        host_start();
        current_page = PAGE_SETUP;
        setup_state.setup_selected_item = c.screen - 1;
        setup_handle_event(EV_RIGHT_RELEASE);
        for (const char* k = c.keys; *k; ++k)
            setup_handle_event(*k == 'S' ? EV_RIGHT_RELEASE : *k == 'D' ? EV_LEFT_RELEASE : EV_VIEW_RELEASE);
        ProbeFrame got;
        page_draw_frame(got.px());
        Sketch want;
        c.sketch(want);
        EXPECT_EQ(difference(got, want), "") << "screen " << c.screen << " " << c.keys;
    }
}

// The list: in the title state all seven rows dim with EDIT below and the page keys; with item 9
// selected (stepped down from the top) items 3..9 with the bar on the last, SEL, both arrows and EXIT.
TEST(SetupFrames, ItemList) {
    host_reset_all();
    host_start();
    current_page = PAGE_SETUP;
    for (bool selected : {false, true}) {
        if (selected) {
            setup_handle_event(EV_BOTH_PRESS);
            for (int i = 0; i < 9; ++i) setup_handle_event(EV_LEFT_RELEASE);
        }
        Sketch want;
        want.text(0, 64, 10, TEXT, "SETUP").line(20, 22, 108, 22, 0xFF888888);
        const int top = selected ? 3 : 0;
        for (int i = 0; i < 7; ++i)
            row(want, 30 + 15 * i, SETUP_ITEM_TEXT[top + i], selected && top + i == 9, 115,
                selected ? TEXT : DIM, 25, 23);
        if (selected) {
            right(want, "SEL", BAR);
            arrows(want);
            bottom(want, "EXIT");
        } else {
            bottom(want, "EDIT");
            page_draw_softkeys(want.px());
        }
        ProbeFrame got;
        page_draw_frame(got.px());
        EXPECT_EQ(difference(got, want), "") << "selected " << selected;
    }
}

#include "setup/setup_screens.h"

#include <cmath>

#include "core/flight.h"
#include "core/page.h"
#include "gfx/fmt.h"
#include "gfx/font.h"
#include "gfx/gfx.h"
#include "gfx/masks.h"
#include "pages/aoa_bar.h"
#include "setup/settings.h"
#include "setup/setup_menu.h"

namespace {

constexpr uint32_t CHECK_COLOR = COLOR_BRIGHT_GREEN;
constexpr uint32_t CROSS_COLOR = COLOR_RED;
constexpr uint32_t BACK_COLOR = COLOR_BRIGHT_GREEN; // the caution screens' "BACK"

constexpr int32_t ROW_TOP = 30;
constexpr int32_t ROW_PITCH = 15;
constexpr int32_t ROW_TEXT_X = 40;
constexpr int32_t LIST_TEXT_X = 25;
constexpr int32_t MARK_X = 25;

// Right edges (inclusive) of the three highlight bars; all but the list's start at column 38.
constexpr int32_t BAR_LEFT = 38;
constexpr int32_t BAR_RIGHT = 102;
constexpr int32_t BAR_RIGHT_WIDE = 112; // MISC OPTIONS, SPEED ASSIST
constexpr int32_t LIST_BAR_LEFT = 23;
constexpr int32_t LIST_BAR_RIGHT = 115;

constexpr int32_t AOA_BAR_X = 93, AOA_BAR_Y = 135, AOA_BAR_WIDTH = 15;
constexpr int32_t SLIP_OFFSET = 15;

// Enough for any number text of these screens plus a unit letter.
constexpr int NUMBER_TEXT_SIZE = 16;

const SetupState& s = setup_state;
const DeviceSettings& d = device_settings;

void text(uint32_t* frame, int font, int32_t x, int32_t y, uint32_t color, const char* str) {
    font_draw_text_centered(frame, font, x, y, color, str);
}

void title(uint32_t* frame, const char* str) {
    text(frame, 0, 64, 10, SETUP_TITLE_COLOR, str);
}

void mask_at(uint32_t* frame, const MaskImage& m, int32_t x, int32_t y, uint32_t color) {
    gfx_draw_mask(frame, FRAME_WIDTH, FRAME_HEIGHT, m.data, m.width, m.height, x, y, color);
}

void arrows(uint32_t* frame, bool up = true, bool down = true) {
    if (up) mask_at(frame, MASK_ARROW_UP, 3, 40, COLOR_WHITE);
    if (down) mask_at(frame, MASK_ARROW_DOWN, 3, 115, COLOR_WHITE);
}

// What the right button does, written down beside it.
void right_label(uint32_t* frame, const char* str, uint32_t color = SETUP_TEXT_COLOR) {
    font_draw_text_vertical(frame, 122, 100, color, str);
}

// What BOTH does, under the display.
void bottom_label(uint32_t* frame, const char* str) {
    text(frame, 0, 64, 150, SETUP_DIM_COLOR, str);
}

int32_t row_y(int32_t row, int32_t top = ROW_TOP) {
    return top + ROW_PITCH * row;
}

// A row's text glyph by glyph from x, behind it the highlight bar over columns bar_left..bar_right.
void row(uint32_t* frame, int32_t y, const char* str, bool highlighted, int32_t bar_right,
         uint32_t color = SETUP_TEXT_COLOR, int32_t x = ROW_TEXT_X, int32_t bar_left = BAR_LEFT) {
    if (highlighted) {
        gfx_fill_rect(frame, bar_left, y, bar_right + 1, y + 14, SETUP_HIGHLIGHT_COLOR);
        if (color == SETUP_TEXT_COLOR) color = COLOR_WHITE;
    }
    for (; *str != '\0'; ++str) x += font_draw_glyph(frame, FRAME_WIDTH, FRAME_HEIGHT, 0, x, y, color, *str);
}

void check_or_cross(uint32_t* frame, int32_t y, bool set) {
    if (set)
        mask_at(frame, MASK_CHECK, MARK_X, y, CHECK_COLOR);
    else
        mask_at(frame, MASK_CROSS, MARK_X, y, CROSS_COLOR);
}

// One check-box row per entry: its bit of the mask, its text; the cursor names a bit.
struct CheckRow {
    int32_t bit;
    const char* text;
};

void check_box_screen(uint32_t* frame, const char* name, const CheckRow* rows, int count, int32_t top,
                      uint32_t mask, int32_t cursor, int32_t bar_right) {
    title(frame, name);
    for (int i = 0; i < count; ++i) {
        int32_t y = row_y(i, top);
        check_or_cross(frame, y, (mask >> rows[i].bit) & 1u);
        row(frame, y, rows[i].text, rows[i].bit == cursor, bar_right);
    }
    if (cursor >= 0 && cursor < 32)
        right_label(frame, (mask >> cursor) & 1u ? "DIS" : "ENA", SETUP_HIGHLIGHT_COLOR);
    bottom_label(frame, "BACK");
    arrows(frame);
}

// The number texts: a sign, then the digits of the magnitude by fmt_append_int.
char* signed_start(int32_t value, char* out, uint32_t* magnitude) {
    *magnitude = static_cast<uint32_t>(value);
    if (value < 0) {
        *out++ = '-';
        *magnitude = 0u - *magnitude;
    }
    return out;
}

// The tenths text of a rounded reading with the degree letter after it.
void degrees_text(float tenths, char* out) {
    setup_format_tenths(static_cast<int32_t>(std::lround(tenths)), out);
    char* end = out;
    while (*end != '\0') ++end;
    end[0] = 'd';
    end[1] = '\0';
}

void draw_list(uint32_t* frame) {
    text(frame, 0, 64, 10, SETUP_TEXT_COLOR, "SETUP");
    gfx_draw_line(frame, FRAME_WIDTH, FRAME_HEIGHT, 20.0f, 22.0f, 108.0f, 22.0f, COLOR_DIVIDER);
    const int32_t sel = s.setup_selected_item;
    const bool title_state = sel < 0;
    for (int32_t i = 0; i < SETUP_VISIBLE_ROWS; ++i) {
        int32_t item = s.setup_list_top + i;
        if (item < 0 || item > SETUP_LAST_ITEM) continue;
        row(frame, row_y(i), SETUP_ITEM_TEXT[item], item == sel, LIST_BAR_RIGHT,
            title_state ? SETUP_DIM_COLOR : SETUP_TEXT_COLOR, LIST_TEXT_X, LIST_BAR_LEFT);
    }
    if (title_state) {
        // Only here do the soft keys step pages.
        bottom_label(frame, "EDIT");
        page_draw_softkeys(frame);
        return;
    }
    right_label(frame, "SEL", SETUP_HIGHLIGHT_COLOR);
    arrows(frame, sel > 0, sel < SETUP_LAST_ITEM);
    bottom_label(frame, "EXIT");
}

void draw_system_info(uint32_t* frame) {
    const bool sw = s.show_sw_part_number != 0;
    title(frame, "SYSTEM INFO");
    text(frame, 0, 64, 27, SETUP_TEXT_COLOR, "MODEL");
    text(frame, 1, 64, 42, COLOR_WHITE, "ZT-30-S");
    text(frame, 0, 64, 62, SETUP_TEXT_COLOR, sw ? "SW PART NUMBER" : "PART NUMBER");
    text(frame, 1, 64, 77, COLOR_WHITE, sw ? "TSQ-4810477-004" : "TSQ-4810342-001");
    text(frame, 0, 64, 97, SETUP_TEXT_COLOR, "SW VERSION");
    text(frame, 1, 64, 112, COLOR_WHITE, "1.8.0");
    text(frame, 0, 64, 132, SETUP_TEXT_COLOR, "UNIT ID");
    char id[NUMBER_TEXT_SIZE] = "---";
    if (d.unit_id < 100000) setup_format_whole(static_cast<int32_t>(d.unit_id), id);
    text(frame, 1, 64, 147, COLOR_WHITE, id);
    right_label(frame, "OK");
}

void draw_page_enable(uint32_t* frame) {
    // XPDR CTRL (bit 2) takes no row.
    static const CheckRow rows[] = {{0, "CLOCK"}, {1, "RUN TIME"}, {3, "TIMER 1"}, {4, "TIMER 2"},
                                    {5, "AOA"},   {6, "G METER"},  {7, "ATTITUDE"}};
    check_box_screen(frame, "PAGE ENABLE", rows, 7, 22, d.page_enable_mask & 0xFBu, s.page_enable_cursor,
                     BAR_RIGHT);
}

const CheckRow ALERT_ROWS[] = {{0, "TIMER 1"}, {1, "TIMER 2"}, {2, "AOA LIMIT"}, {3, "G LIMIT"}};

void draw_audio_vol(uint32_t* frame) {
    const int32_t v = s.edit_volume;
    title(frame, "AUDIO VOLUME");
    char digits[NUMBER_TEXT_SIZE];
    char* cursor = digits;
    if (v >= 0 && v < 10) *cursor++ = '0';
    fmt_append_int(v, &cursor);
    *cursor = '\0';
    text(frame, 3, 64, 50, COLOR_WHITE, digits);
    if (v > 0) gfx_fill_rect(frame, 30, 70, 30 + 7 * v, 85, COLOR_WHITE);
    arrows(frame);
    right_label(frame, "OK");
}

void draw_misc_options(uint32_t* frame) {
    static const CheckRow rows[] = {{0, "BLUE BG"}, {1, "TEMP IN C"}, {2, "24H TIME"}, {3, "TAS IN KT"},
                                    {4, "G POPUP"}, {5, "AOA POPUP"}, {6, "AI POPUP"}};
    check_box_screen(frame, "MISC OPTIONS", rows, 7, ROW_TOP, d.option_flags, s.option_cursor,
                     BAR_RIGHT_WIDE);
}

// AOA LIMITS and G LIMITS: two labelled values in tenths, the one being edited lit.
void draw_limit_pair(uint32_t* frame, const char* name, const char* first, const char* second,
                     const char* noun, int32_t first_value, int32_t second_value, int32_t step) {
    title(frame, name);
    struct Pair {
        const char* label;
        int32_t value, y;
    } pairs[2] = {{first, first_value, 30}, {second, second_value, 90}};
    for (int i = 0; i < 2; ++i) {
        const bool active = i == step;
        const uint32_t label_color = active ? SETUP_TEXT_COLOR : SETUP_DIM_COLOR;
        const int32_t y = pairs[i].y;
        char value[NUMBER_TEXT_SIZE];
        setup_format_tenths(pairs[i].value, value);
        text(frame, 0, 64, y, label_color, pairs[i].label);
        text(frame, 0, 64, y + 15, label_color, noun);
        text(frame, 3, 64, y + 35, active ? COLOR_WHITE : SETUP_DIM_COLOR, value);
    }
    arrows(frame);
    right_label(frame, step == 0 ? "NEXT" : "DONE");
}

// The trims in tenths of a degree: the offset being set, then what the reading is with it.
void draw_trim_value(uint32_t* frame, const char* name, int32_t value) {
    title(frame, name);
    text(frame, 0, 64, 40, SETUP_TEXT_COLOR, "TRIM:");
    char str[NUMBER_TEXT_SIZE];
    setup_format_tenths(value, str);
    text(frame, 2, 64, 62, COLOR_WHITE, str);
}

void draw_trimmed_reading(uint32_t* frame, const char* label, float degrees, float limit) {
    char str[NUMBER_TEXT_SIZE];
    if (degrees >= -limit && degrees <= limit) {
        text(frame, 0, 64, 90, SETUP_TEXT_COLOR, label);
        degrees_text(degrees * 10.0f, str);
        text(frame, 3, 64, 112, SETUP_DIM_COLOR, str);
    } else {
        text(frame, 2, 64, 112, SETUP_DIM_COLOR, "-ALIGNING-");
    }
    arrows(frame);
    right_label(frame, "OK");
}

void draw_slip_trim(uint32_t* frame) {
    draw_trim_value(frame, "SLIIP TRIM", s.edit_slip);
    page_draw_slip_indicator(frame, live_slip, SLIP_OFFSET);
    text(frame, 0, 64, 90, SETUP_TEXT_COLOR, "SLIP (Deg)");
    char str[NUMBER_TEXT_SIZE];
    degrees_text(live_slip * 10.0f, str);
    text(frame, 3, 64, 112, SETUP_DIM_COLOR, str);
    arrows(frame);
    right_label(frame, "OK");
}

void draw_oat_trim(uint32_t* frame) {
    const bool celsius = (d.option_flags & OPTION_TEMP_IN_C) != 0;
    title(frame, "OAT TRIM");
    text(frame, 0, 64, 40, SETUP_TEXT_COLOR, "OFFSET:");
    char str[NUMBER_TEXT_SIZE];
    setup_format_whole(s.edit_oat, str);
    text(frame, 2, 64, 62, COLOR_WHITE, str);
    text(frame, 0, 64, 90, SETUP_TEXT_COLOR, celsius ? "NEW (C)" : "NEW (F)");
    // The offset is not applied to the reading shown.
    const float live = flt_value_or(FLT_OAT, SETUP_LIVE_OAT_C);
    const float t = celsius ? live : live * 1.8f + 32.0f;
    char* cursor = str;
    fmt_append_int(static_cast<int32_t>(std::lround(t)), &cursor);
    cursor[0] = 'd';
    cursor[1] = '\0';
    text(frame, 3, 64, 112, SETUP_DIM_COLOR, str);
    arrows(frame);
    right_label(frame, "OK");
}

// HARD CAL and PITOT ZERO: a caution notice in four lines, left with the down key.
void draw_caution(uint32_t* frame, const char* name, const char* const lines[4]) {
    title(frame, name);
    for (int i = 0; i < 4; ++i) text(frame, 0, 64, i == 0 ? 30 : 40 + 15 * i, SETUP_NOTICE_COLOR, lines[i]);
    font_draw_text_vertical(frame, 5, 90, BACK_COLOR, "BACK");
}

void draw_hard_cal(uint32_t* frame) {
    static const char* const lines[4] = {"! CAUTION !", "Hard Calibration Must", "be performed while on",
                                         "ground only.  "};
    draw_caution(frame, "HARD CALIBRATION", lines);
}

void draw_pitot_zero(uint32_t* frame) {
    static const char* const lines[4] = {"! CAUTION !", "Pitot Zero Must", "be performed", "on-ground only."};
    draw_caution(frame, "PITOT ZERO", lines);
    right_label(frame, "ACK", SETUP_NOTICE_COLOR);
}

void draw_speed_assist(uint32_t* frame) {
    static const CheckRow rows[] = {{0, "ENABLED"}};
    check_box_screen(frame, "SPEED ASSIST", rows, 1, ROW_TOP, d.speed_assist_flags, s.speed_assist_cursor,
                     BAR_RIGHT_WIDE);
}

// IAS TRIM and ALT TRIM: choosing LOW or HIGH, or editing the chosen offset.
void draw_trim_pair(uint32_t* frame, const char* name, int32_t cursor, bool editing, bool high_available,
                    int32_t offset) {
    title(frame, name);
    if (editing) {
        text(frame, 0, 64, 40, SETUP_TEXT_COLOR, "OFFSET:");
        char str[NUMBER_TEXT_SIZE];
        setup_format_whole(offset, str);
        text(frame, 2, 64, 60, COLOR_WHITE, str);
        arrows(frame);
        right_label(frame, "OK");
        return;
    }
    for (int32_t i = 0; i < 2; ++i) {
        const bool unavailable = i == 1 && !high_available;
        row(frame, row_y(i), SETUP_TRIM_ROW_TEXT[i], i == cursor, BAR_RIGHT,
            unavailable ? SETUP_DIM_COLOR : SETUP_TEXT_COLOR);
    }
    if (cursor >= 0 && !(cursor == 1 && !high_available)) right_label(frame, "SEL", SETUP_HIGHLIGHT_COLOR);
    bottom_label(frame, "BACK");
    arrows(frame);
}

void draw_ias_trim(uint32_t* frame) {
    SetupState& st = setup_state;
    const bool editing = st.ias_trim_editing != 0;
    if (editing) {
        // The edit copies follow the settings while an offset is being edited.
        st.edit_ias_low = d.ias_trim_low;
        st.edit_ias_high = d.ias_trim_high;
    }
    draw_trim_pair(frame, "AIRSPEED TRIM", st.ias_trim_cursor, editing, setup_ias_high_trim_available(),
                   st.ias_trim_cursor == 0 ? st.edit_ias_low : st.edit_ias_high);
    if (editing) text(frame, 2, 64, 112, SETUP_DIM_COLOR, "---");
}

void draw_alt_trim(uint32_t* frame) {
    SetupState& st = setup_state;
    const bool editing = st.alt_trim_editing != 0;
    if (editing) {
        st.edit_alt_low = d.alt_trim_low;
        st.edit_alt_high = d.alt_trim_high;
    }
    draw_trim_pair(frame, "ALTITUDE TRIM", st.alt_trim_cursor, editing, setup_alt_high_trim_available(),
                   st.alt_trim_cursor == 0 ? st.edit_alt_low : st.edit_alt_high);
    if (editing) {
        char str[NUMBER_TEXT_SIZE];
        setup_format_whole(SETUP_LIVE_ALTITUDE, str);
        text(frame, 0, 64, 90, SETUP_TEXT_COLOR, "NEW (ft)");
        text(frame, 3, 64, 112, SETUP_DIM_COLOR, str);
    }
}

void draw_demo_mode(uint32_t* frame) {
    static const char* const names[3] = {"NONE", "DEMO 1", "DEMO 2"};
    title(frame, "DEMO MODES");
    for (int32_t i = 0; i < 3; ++i) {
        const int32_t y = row_y(i);
        check_or_cross(frame, y, d.demo_mode == static_cast<uint32_t>(i));
        row(frame, y, names[i], i == s.demo_mode_cursor, BAR_RIGHT);
    }
    right_label(frame, "SEL", SETUP_HIGHLIGHT_COLOR);
    bottom_label(frame, "BACK");
    arrows(frame);
}

void draw_selected_screen(uint32_t* frame) {
    switch (s.setup_screen) {
    case SETUP_LIST:
        draw_list(frame);
        break;
    case SETUP_SYSTEM_INFO:
        draw_system_info(frame);
        break;
    case SETUP_PAGE_ENABLE:
        draw_page_enable(frame);
        break;
    case SETUP_AUDIO_ALERTS:
        check_box_screen(frame, "AUDIO ALERTS", ALERT_ROWS, 4, ROW_TOP, d.audio_alert_mask,
                         s.audio_alert_cursor, BAR_RIGHT);
        break;
    case SETUP_VISUAL_ALERTS:
        check_box_screen(frame, "FLAG ALERTS", ALERT_ROWS, 4, ROW_TOP, d.visual_alert_mask,
                         s.visual_alert_cursor, BAR_RIGHT);
        break;
    case SETUP_AUDIO_VOL:
        draw_audio_vol(frame);
        break;
    case SETUP_MISC_OPTIONS:
        draw_misc_options(frame);
        break;
    case SETUP_AOA_LIMITS:
        draw_limit_pair(frame, "AOA LIMITS (CAL)", "PRE-STALL", "CRUISE", "ANGLE", s.edit_prestall,
                        s.edit_cruise, s.aoa_limit_step);
        // Shows the limits as they are being edited.
        page_draw_aoa_bar(frame, AOA_BAR_X, AOA_BAR_Y, AOA_BAR_WIDTH, false);
        break;
    case SETUP_G_LIMITS:
        draw_limit_pair(frame, "G LIMITS", "POSITIVE G", "NEGATIVE G", "ALERT", s.edit_g_positive,
                        s.edit_g_negative, s.g_limit_step);
        break;
    case SETUP_SLIP_TRIM:
        draw_slip_trim(frame);
        break;
    case SETUP_ROLL_TRIM:
        draw_trim_value(frame, "ROLL TRIM", s.edit_roll);
        draw_trimmed_reading(frame, "ROLL (Deg)", static_cast<float>(s.edit_roll) / 10.0f + live_roll_deg,
                             5.0f);
        break;
    case SETUP_PITCH_TRIM:
        draw_trim_value(frame, "PITCH TRIM", s.edit_pitch);
        draw_trimmed_reading(frame, "PITCH (Deg)", static_cast<float>(s.edit_pitch) / 10.0f + live_pitch_deg,
                             27.0f);
        break;
    case SETUP_OAT_TRIM:
        draw_oat_trim(frame);
        break;
    case SETUP_HARD_CAL:
        draw_hard_cal(frame);
        break;
    case SETUP_SPEED_ASSIST:
        draw_speed_assist(frame);
        break;
    case SETUP_PITOT_ZERO:
        draw_pitot_zero(frame);
        break;
    case SETUP_IAS_TRIM:
        draw_ias_trim(frame);
        break;
    case SETUP_ALT_TRIM:
        draw_alt_trim(frame);
        break;
    case SETUP_DEMO_MODE:
        draw_demo_mode(frame);
        break;
    default:
        break;
    }
}

} // namespace

void setup_format_tenths(int32_t tenths, char* out) {
    uint32_t magnitude;
    char* cursor = signed_start(tenths, out, &magnitude);
    fmt_append_int(static_cast<int32_t>(magnitude / 10), &cursor);
    *cursor++ = '.';
    fmt_append_int(static_cast<int32_t>(magnitude % 10), &cursor);
    *cursor = '\0';
}

void setup_format_whole(int32_t value, char* out) {
    char* cursor = out;
    fmt_append_int(value, &cursor);
    *cursor = '\0';
}

void setup_draw_screen(uint32_t* frame) {
    gfx_fill_rect(frame, 0, 0, FRAME_WIDTH, FRAME_HEIGHT, setup_background_color());
    draw_selected_screen(frame);
}

// SETUP menu navigation: the item list, its eighteen screens and the edits they make to device_settings.
#pragma once
#include <cstdint>

struct SetupState {
    int32_t setup_screen;        // 0 the item list; 1..18 the screen of item index + 1
    int32_t setup_selected_item; // 0..17; -1 the title state
    int32_t setup_list_top;      // first of the visible list rows
    // Highlighted row of each screen with rows; -1 until the screen is first opened.
    int32_t page_enable_cursor; // a page bit 0..7, never 2
    int32_t audio_alert_cursor;
    int32_t visual_alert_cursor;
    int32_t option_cursor;
    int32_t speed_assist_cursor;
    int32_t demo_mode_cursor;
    int32_t ias_trim_cursor; // 0 LOW TRIM, 1 HIGH TRIM
    int32_t alt_trim_cursor;
    int32_t aoa_limit_step; // 0 PRE-STALL, 1 CRUISE
    int32_t g_limit_step;   // 0 POSITIVE G, 1 NEGATIVE G
    int32_t ias_trim_editing;
    int32_t alt_trim_editing;
    // Edit copies of the settings; every step writes them straight back.
    int32_t edit_volume;
    int32_t edit_prestall, edit_cruise;
    int32_t edit_g_positive, edit_g_negative;
    int32_t edit_slip, edit_roll, edit_pitch, edit_oat;
    int32_t edit_ias_low, edit_ias_high;
    int32_t edit_alt_low, edit_alt_high;
    int32_t show_sw_part_number;
    int32_t hard_cal_state, pitot_zero_state; // only the caution notice (0) exists
};

extern SetupState setup_state;

enum SetupScreen : int32_t {
    SETUP_LIST = 0,
    SETUP_SYSTEM_INFO = 1,
    SETUP_PAGE_ENABLE = 2,
    SETUP_AUDIO_ALERTS = 3,
    SETUP_VISUAL_ALERTS = 4,
    SETUP_AUDIO_VOL = 5,
    SETUP_MISC_OPTIONS = 6,
    SETUP_AOA_LIMITS = 7,
    SETUP_G_LIMITS = 8,
    SETUP_SLIP_TRIM = 9,
    SETUP_ROLL_TRIM = 10,
    SETUP_PITCH_TRIM = 11,
    SETUP_OAT_TRIM = 12,
    SETUP_HARD_CAL = 13,
    SETUP_SPEED_ASSIST = 14,
    SETUP_PITOT_ZERO = 15,
    SETUP_IAS_TRIM = 16,
    SETUP_ALT_TRIM = 17,
    SETUP_DEMO_MODE = 18,
};

constexpr int32_t SETUP_VISIBLE_ROWS = 7;
constexpr int32_t SETUP_LAST_ITEM = 17;
constexpr int32_t SETUP_ITEM_COUNT = SETUP_LAST_ITEM + 1;
constexpr int SETUP_TEXT_SIZE = 31;

// Fixed readings standing in for the sensors the simulator lacks.
constexpr int32_t SETUP_LIVE_AIRSPEED = 0;
constexpr int32_t SETUP_LIVE_ALTITUDE = 8191;

// The list texts, by item index; item i opens screen i + 1.
extern const char SETUP_ITEM_TEXT[SETUP_ITEM_COUNT][SETUP_TEXT_SIZE];
// The two rows of IAS TRIM and ALT TRIM.
extern const char SETUP_TRIM_ROW_TEXT[2][SETUP_TEXT_SIZE];

// The handler of the SETUP page: takes the event of this tick and returns the one page stepping is to act
// on, 0 when the menu used it. Only the title state lets the soft-key releases (5, 8) through.
int32_t setup_handle_event(int32_t event);

// Whether HIGH TRIM may be opened: only once the live reading is far enough from the one LOW TRIM was set
// at. The screens dim the row by the same test, so what shows as available always opens.
bool setup_ias_high_trim_available();
bool setup_alt_high_trim_available();

// Process start values.
void setup_menu_reset();

// The user settings record that the SETUP page edits and the pages read.
#pragma once
#include <cstdint>

#include "gfx/colors.h"

struct DeviceSettings {
    uint32_t page_enable_mask;
    uint32_t audio_alert_mask;
    uint32_t visual_alert_mask;
    uint32_t audio_volume;
    uint32_t option_flags;
    int32_t aoa_prestall_limit;
    int32_t aoa_cruise_limit;
    int32_t g_limit_positive;
    int32_t g_limit_negative;
    int32_t pitch_trim;
    int32_t roll_trim;
    int32_t slip_trim;
    int32_t oat_trim;
    uint32_t speed_assist_flags;
    int32_t ias_trim_low;
    int32_t ias_trim_high;
    int32_t ias_trim_low_ref;
    int32_t ias_trim_high_ref;
    int32_t alt_trim_low;
    int32_t alt_trim_high;
    int32_t alt_trim_low_ref;
    int32_t alt_trim_high_ref;
    uint32_t demo_mode;
    uint32_t unit_id;
};

extern DeviceSettings device_settings;

// option_flags bits (MISC OPTIONS rows).
constexpr uint32_t OPTION_BLUE_BG = 1u << 0;
constexpr uint32_t OPTION_TEMP_IN_C = 1u << 1;
constexpr uint32_t OPTION_24H_TIME = 1u << 2;
constexpr uint32_t OPTION_TAS_IN_KT = 1u << 3;

enum DemoMode : uint32_t { DEMO_NONE = 0, DEMO_1 = 1, DEMO_2 = 2 };

// Every field 0: the record as it stands before start-up writes its start values.
void setup_settings_clear();
// The start values written once the window is up.
void setup_settings_reset();

// Background of pages and overlays: dark blue with BLUE BG, else black.
inline uint32_t setup_background_color() {
    return (device_settings.option_flags & OPTION_BLUE_BG) ? COLOR_BLUE_BG : COLOR_BLACK;
}

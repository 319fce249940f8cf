#include "setup/settings.h"

DeviceSettings device_settings{};

void setup_settings_clear() {
    device_settings = DeviceSettings{};
}

void setup_settings_reset() {
    setup_settings_clear();
    device_settings.page_enable_mask = 0x1FB;
    device_settings.audio_alert_mask = 7;
    device_settings.audio_volume = 5;
    device_settings.aoa_prestall_limit = 150;
    device_settings.demo_mode = DEMO_1;
    device_settings.aoa_cruise_limit = 50;
    device_settings.g_limit_positive = 20;
    device_settings.g_limit_negative = -10;
    device_settings.option_flags = 0xFFFE;
    device_settings.speed_assist_flags = 1;
}

#include "pages/g_meter.h"

float g_peak_high = 2.5f;
float g_peak_low = 0.5f;

void page_g_meter_reset() {
    g_peak_high = 2.5f;
    g_peak_low = 0.5f;
}

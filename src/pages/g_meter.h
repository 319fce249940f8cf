// G METER page state.
#pragma once

// Highest and lowest load factor seen, in g; shared with the AOA page.
extern float g_peak_high;
extern float g_peak_low;

// Process start values.
void page_g_meter_reset();

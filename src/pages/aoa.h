// AOA page state.
#pragma once

// Highest and lowest angle of attack seen, in degrees; cleared by CLR PK on the AOA page.
extern float aoa_peak_high;
extern float aoa_peak_low;

// Process start values.
void page_aoa_reset();

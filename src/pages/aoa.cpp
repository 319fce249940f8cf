#include "pages/aoa.h"

float aoa_peak_high = 15.0f;
float aoa_peak_low = 2.0f;

void page_aoa_reset() {
    aoa_peak_high = 15.0f;
    aoa_peak_low = 2.0f;
}

// RUN TIME: the engine run time and the flight time, one of them selected for clearing.
#pragma once
#include <cstdint>

// The digits of the counter that is not selected.
constexpr uint32_t RUN_TIME_DIM = 0xFF608080;

void page_draw_run_time(uint32_t* frame);

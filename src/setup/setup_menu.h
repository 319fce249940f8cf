// SETUP menu navigation state.
#pragma once
#include <cstdint>

// Selected list item 0..17; -1 is the title state.
extern int32_t setup_selected_item;
// Highlighted row of the PAGE ENABLE screen; -1 none.
extern int32_t page_enable_cursor;

// Process start values.
void setup_menu_reset();

#include "setup/setup_menu.h"

int32_t setup_selected_item = -1;
int32_t page_enable_cursor = -1;

void setup_menu_reset() {
    setup_selected_item = -1;
    page_enable_cursor = -1;
}

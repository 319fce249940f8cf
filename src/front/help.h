// The window's help: the controls drawn over the bezel (never over the instrument's display), and the
// same controls as text for --help.
#pragma once
#include <cstdint>

// Draws the controls over a composed 450 x 550 window picture (top row first): a tag beside each
// button naming its keys, and a panel of all the controls over the lower part of the bezel.
void host_help_draw(uint32_t* picture);

// One line of the panel: the control, its keys, a note after them.
struct HostHelpRow {
    const char* control;
    const char* keys;
    const char* note;
};

// The same with a front end's own title and rows (eight fit the panel).
void host_help_draw_rows(uint32_t* picture, const char* title, const HostHelpRow* rows, int count);

// The controls as plain text lines, for the command line help.
extern const char* const HOST_HELP_TEXT;

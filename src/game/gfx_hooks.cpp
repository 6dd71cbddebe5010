// Stand-ins for the console overlay and the debug commands until they are built: the console
// writes nowhere, no panel is drawn, no debug command exists.
#include "game/front_hooks.h"

void front_register_debug_commands(sv_walker*, char (*)[32]) { }

sv_writer front_console_writer(void)
{
    return sv_writer {nullptr, nullptr};
}

void front_console_set_open(u8) { }

void front_console_frame(i32, i32) { }

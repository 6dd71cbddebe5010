// The front end's hook points joined to the console overlay and the debug commands.
#include "game/front_hooks.h"

#include "game/cmd_debug.h"
#include "game/console_overlay.h"

void front_register_debug_commands(sv_walker* walker, char (*weapon_name)[32])
{
    sv_debug_register_commands();
    sv_debug_bind(walker, weapon_name);
}

sv_writer front_console_writer(void)
{
    return sv_writer {console_emit, nullptr};
}

void front_console_set_open(u8 open)
{
    console_set_open(open);
}

// front_console_frame is the panel's own, in gfx_console.cpp.

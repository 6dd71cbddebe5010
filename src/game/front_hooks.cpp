// Stand-ins for the console overlay and the debug commands until they are built.
#include "game/front_hooks.h"

sv_walker* g_give_walker;
sv_floor* g_spawn_floor;

void front_register_debug_commands(void) { }

void console_emit(void*, const char*) { }

void console_frame(i32, i32) { }

// The main loop's pointers that the debug commands read, and the debug commands' registration.
#include "game/front_hooks.h"

#include "game/cmd_debug.h"

sv_walker* g_give_walker;
sv_floor* g_spawn_floor;

void front_register_debug_commands(void)
{
    sv_debug_register_commands();
}

// Where the console overlay and the debug commands plug into the game: the debug commands
// (cmd_debug.h, registered by front_hooks.cpp), the console writer (console_overlay.cpp) and the
// panel's frame (gfx_console.cpp, linked only into the game). The game calls each at the point
// named.
#pragma once
#include "actors/player.h"
#include "core/types.h"
#include "floor/floor.h"

// The main loop's walker, for the debug commands; set before the first floor is loaded.
extern sv_walker* g_give_walker;
// The floor being played, set after every load (null before the first).
extern sv_floor* g_spawn_floor;

// Registers the debug commands, after the builtin and generation commands.
void front_register_debug_commands(void);

// The console writer: every console output of the process lands here (an sv_write_fn).
void console_emit(void* ctx, const char* text);

// One frame of the open console panel on a width x height screen: its keys, its scrollback and
// its input line. Called after the HUD and menus; the game adopts a floor made by gen after it.
void console_frame(i32 width, i32 height);

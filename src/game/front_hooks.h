// Where the console overlay and the debug commands plug into the game. Until they are built the
// stand-ins in gfx_hooks.cpp answer: console output is dropped, no panel is drawn and no debug
// command is registered. The loop calls each at the point named; only the game links them.
#pragma once
#include "actors/player.h"
#include "core/types.h"
#include "core/writer.h"

// After the builtin and generation commands: registers the debug commands and points them at the
// loop's walker and the HUD names of the two weapon slots (which a command may rename).
void front_register_debug_commands(sv_walker* walker, char (*weapon_name)[32]);

// The console writer, installed before the first floor is made: every console output of the
// process (the gen reports included) goes through it into the panel's scrollback.
sv_writer front_console_writer(void);

// The loop opened (1) or closed (0) the panel: by grave, Escape or a new seed.
void front_console_set_open(u8 open);

// One frame of the open panel on a width x height screen, after the HUD and the menus: its keys,
// its scrollback and its input line. The loop adopts a floor made by a typed gen right after.
void front_console_frame(i32 width, i32 height);

// The debug commands over the running game: give, spawn, heal, passive, select, selected, mob,
// status, chest and kill. They act on the main loop's walker (bound with sv_debug_bind; it must
// stand on the held floor whenever a command runs), on the held floor (sv_gen_current) and on the
// weapon slots' HUD names, and share one process-wide selection. Every message goes through
// sv_cmd_printf; a handler returns 0 on success and 1 on failure.
#pragma once
#include "actors/player.h"
#include "core/types.h"

#define SV_WEAPON_NAME 32 // bytes of a weapon slot's HUD name, NUL included

// What the selection names.
enum sv_sel_kind : u32 {
    SV_SEL_NONE = 0,
    SV_SEL_MOB = 1,      // id: the mob's index
    SV_SEL_CHEST = 2,    // id: the room
    SV_SEL_LANDMARK = 3, // id: the room
    SV_SEL_KEY = 4,      // id: the room
    SV_SEL_PLAYER = 5,   // id: 0
};

// Registers the ten commands, in the order above, after whatever is registered already.
// Registering them twice panics (the registry refuses a doubled name).
void sv_debug_register_commands(void);

// Points the commands at the main loop's walker (the player inside it) and the HUD's two weapon
// slot names, which `give weapon` renames. Either may be null: without a walker the commands that
// need the player refuse; without names none is renamed.
void sv_debug_bind(sv_walker* walker, char (*weapon_name)[SV_WEAPON_NAME]);

// For a program without a main loop (the headless console): binds walker (no names), and
// before each command acts the commands start it in room 0 of the held floor whenever a gen has
// made a new one since (sv_walker_start). Null stops following and unbinds the walker.
void sv_debug_follow(sv_walker* walker);

// The selection is process-wide, none at start, and kept across floors (its id then names
// whatever has that index on the new floor); reading it changes nothing.
// The selection's kind: an sv_sel_kind, SV_SEL_NONE when nothing is selected.
u32 sv_debug_selected_kind(void);
// The selection's id, as its kind gives it (see sv_sel_kind); 0 when nothing is selected.
u32 sv_debug_selected_id(void);
// Clears the selection, the passive mode, the binding and any following (tests start afresh).
void sv_debug_reset(void);

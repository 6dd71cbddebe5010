// The run record: one play-through from a start seed until the player dies or a new seed is
// chosen. It keeps the run's seed, whether it is a debug run (one-way: it enables the console)
// and which HUD elements the player has met. Nothing here draws a random number or calls raylib.
#pragma once
#include "actors/player.h"
#include "core/types.h"

// HUD elements revealed, as bits of sv_run.revealed; a row shows once its bit is set.
enum sv_reveal : u32 {
    SV_REVEAL_SHARDS = 1,
    SV_REVEAL_PRISM = 2,
    SV_REVEAL_HURT = 4,
    SV_REVEAL_GRIT = 8,
    SV_REVEAL_ARMED = 16,
    SV_REVEAL_DEEPER = 32, // deeper than floor 1
    SV_REVEAL_STAMINA = 64,
};

struct sv_run {
    u64 seed;
    u8 seeded; // started from a chosen seed; the front end starts runs with 0
    u8 debug;
    u32 revealed; // sv_reveal bits; they only grow during a run
};

// Every function below does nothing (or returns 0) for a null record.

// Starts a run: seed and seeded set, debug and the reveal bits cleared, the console disabled.
void sv_run_start(sv_run* run, u64 seed, u8 seeded);

// Turns debug on for the rest of the run and enables the console; the first call of a run logs
// "debug mode enabled for this run (seed %llu): ..." (info, core), a repeated call logs nothing.
void sv_run_enable_debug(sv_run* run);

// 1 in a debug run, else 0.
i32 sv_run_debug(const sv_run* run);

// 1 when the run was started from a chosen seed, else 0.
i32 sv_run_seeded(const sv_run* run);

// Whether more than one pack is mounted.
bool sv_run_modded(void);

// ORs bits (sv_reveal) into the revealed set.
void sv_run_reveal(sv_run* run, u32 bits);

// 1 when any of bits is revealed, else 0.
i32 sv_run_revealed(const sv_run* run, u32 bits);

// Reveals what the player has met: Shards, Prism, hurt, grit, armed, deeper (when deeper is not
// 0) and stamina used. Never clears a bit; nothing when player is null. Called after every tick.
void sv_run_observe(sv_run* run, const sv_player* player, u8 deeper);

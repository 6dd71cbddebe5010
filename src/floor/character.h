// Per-floor multipliers from their own stream, so floors of one depth differ in feel
// without disturbing the topology.
#pragma once
#include "core/types.h"

struct sv_character {
    f64 mob_density;      // scales the floor's mob density
    f64 unused;           // drawn to keep the stream's order; nothing reads it
    f64 fountain_density; // scales the fountain density
};

// The floor's multipliers: three lognormals of mean 1 and spread character.spread, drawn from
// the character stream of (seed, floor); all 1 with no draws when the spread is not positive.
sv_character sv_character_roll(u64 seed, u16 floor);

// The generation pipeline: everything that turns (seed, floor number) into a playable floor, in
// order. `gen` runs it for every floor the game plays.
#pragma once
#include "core/types.h"
#include "floor/floor.h"
#include "floor/gen.h"

// Initialises floor (which must not hold a floor: free it first) for floor_number 1..65534 of the
// run seed, sized by sv_gen_capacity_for, and runs every generation step on it; returns the
// topology's report. Draws from the topology, placement, contents and mobs streams (and, as it
// joins, the geometry stream); the floor's arena holds everything made. Same arguments, tunables
// and packs give the same floor.
sv_gen_stats sv_pipeline_generate(sv_floor* floor, u64 seed, u16 floor_number);

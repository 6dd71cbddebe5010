// The second half of generation: obligations and contents placed on a grown tree.
// Shared by the generator's two source files only.
#pragma once
#include "core/rng.h"
#include "core/types.h"
#include "floor/floor.h"
#include "floor/gen.h"

// Places the Axiom or exit, the Prism, the backstop, gate Scions, the monument, optional
// Scions, Shards, fountains, chests and weapon spots. depth is the floor's deepest reachable
// room; gates the gate Scions wanted. Every draw comes from the placement stream p.
void sv_gen_place(sv_floor* floor, sv_rng* p, u16 depth, u16 gates, sv_gen_stats* stats);

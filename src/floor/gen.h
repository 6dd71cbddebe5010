// The topology generator: grows a floor's tree of rooms from (seed, floor number) and places
// what the floor owes and may hold. Also the room walk behind the `walk` command.
#pragma once
#include "core/rng.h"
#include "core/types.h"
#include "floor/floor.h"
#include "floor/ledger.h"

// The generation report: printed by `gen`, collected by `stats`.
struct sv_gen_stats {
    u16 rooms;          // room count at the end
    u16 max_depth;      // largest depth among rooms reachable from spawn
    u16 hubs;           // rooms with at least floor.hub_degree doors
    u16 leaves;         // rooms with exactly one door
    u16 remainder;      // rooms added by the remainder step
    u8 censored;        // 1 when the room table ran full
    sv_ledger ledger;   // obligations and counts of the optional contents
    u16 backstop;       // obligations placed by the backstop step
    u16 gates_placed;   // gate Scions placed
    u16 gate_shortfall; // gate Scions owed minus placed
};

enum sv_walk_order : u32 {
    SV_WALK_BFS = 0,
    SV_WALK_DFS = 1,
};

// Passing this as the gate count draws it from the placement stream.
#define SV_GEN_DRAW_GATES ((u16)65535)

// sv_gen_grow_gated with the gate count drawn from the placement stream.
sv_gen_stats sv_gen_grow(sv_floor* floor);
// Grows the tree into an empty floor from its seed and number, then places its contents: the
// report (zeroed for a null floor). Draws from the topology and placement streams; fills rooms,
// doors, tags and depths.
sv_gen_stats sv_gen_grow_gated(sv_floor* floor, u16 gates);
// The band of door distances from the Axiom where the band fountain goes: whole numbers from the
// tunables fountain.band_min and fountain.band_max, the top never below the bottom. No draws.
void sv_gen_fountain_band(u32* lo, u32* hi);
// Doors for a new room, 1..max, around mean as floor.linearity shapes them; draws from rng.
// 1 with no draws when max < 2 or mean <= 1.
i32 sv_gen_draw_degree(sv_rng* rng, f64 mean, u8 max);
// Visits every room reachable from start, breadth or depth first: marks each visited, writes up
// to out_cap in order to out (may be null) and returns how many; 0 for an invalid start.
u32 sv_gen_walk(sv_floor* floor, u16 start, u32 order, u16* out, u16 out_cap);
// "bfs" or "dfs" for a sv_walk_order; "?" for anything else.
const char* sv_walk_order_name(i32 order);

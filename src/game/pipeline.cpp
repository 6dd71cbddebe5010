// The generation pipeline, step by step. Each step reads what the steps above it made; the
// order is the order of the draws, so it never changes without the golden catalogue changing.
#include "game/pipeline.h"

#include "actors/boss.h"
#include "world/geom_apply.h"

sv_gen_stats sv_pipeline_generate(sv_floor* floor, u64 seed, u16 floor_number)
{
    // Table: a room table large enough for any floor this number may draw.
    sv_floor_init(floor, floor_number, seed, (u16)sv_gen_capacity_for(floor_number));
    // Topology: the tree of rooms, its obligations and contents.
    sv_gen_stats report = sv_gen_grow(floor);
    // Geometry: room scales and elevations, corridors, interiors.
    sv_geom_apply(floor);
    // Door appearances: one of eight looks per door pair, hashed from the seed.
    sv_floor_assign_appearances(floor);
    // Bosses: the Axiom and Scions stand in their rooms (contents stream).
    sv_boss_stand(floor);
    // Weapons: the weapon spots get the first weapon of their slot (no draws).
    sv_weapon_stock(floor);
    // Mobs: the other rooms get their mobs (mobs stream).
    sv_mob_populate(floor);
    return report;
}

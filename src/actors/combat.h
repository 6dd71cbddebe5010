// Small services of the combat layer shared by the combat tick and the mob AI: a cache of the
// geometries of places other than the walker's, the heights of mobs by kind, a mob's ground and
// settling, the strict crossing test of door spans, and the door filters of route searches.
// The cache is process-wide and not re-entrant; nothing here draws a random number.
#pragma once
#include "floor/floor.h"
#include "world/world_types.h"

#define SV_PLACE_CACHE 16

// The geometry of place on floor from a 16-entry round-robin cache; a miss builds it with
// sv_geom_build. An entry matches only the same floor serial, seed, floor number, place count and
// place, compared exactly, so no floor generated later (however many) meets an old entry.
// The pointer stays valid until 16 further misses. Null for a null floor or an invalid place.
const sv_geom* place_geom(const sv_floor* floor, u16 place);

// Empties the cache (every entry unused, the next slot 0).
void sv_place_cache_reset(void);

// How many geometries the cache has built since the process started (for tests and tools).
u64 sv_place_cache_builds(void);

// Body height of a mob by its kind word: Axiom 2.6, Scion 2.0, any other mob 1.45.
f32 sv_mob_height(u64 kind);

// Sight centre height above the feet: 0.9 of the body height (2.34, 1.8, 1.305).
f32 sv_mob_centre(u64 kind);

// A mob's feet height: its stored y when airborne and settled, else the ground at its (x, z) in
// geom (its place's geometry). 0 for a null mob.
f32 sv_mob_base(const sv_geom* geom, const sv_mob* mob);

// Settles a mob: one never settled is put on the ground at its (x, z), vertical speed 0, not
// airborne, and marked settled; a settled one goes through sv_body_settle. Nothing for null.
void mob_settle(const sv_geom* geom, sv_mob* mob);

// True when b0 and b1 lie strictly on opposite sides of the line a0-a1 and a0 and a1 strictly on
// opposite sides of b0-b1 (a cross product above 0 is one side, anything else the other).
bool segments_cross(Vector2 a0, Vector2 a1, Vector2 b0, Vector2 b1);

// Door filters for route searches (user is unused): nonzero when the route may pass the door.
// sight_may_pass: the door is not fogged. mob_may_take: not fogged, leads to a next place, the
// crossed link's door record is not locked, and a room beyond is not sealed.
i32 sight_may_pass(void* user, const sv_floor* floor, u16 place, u8 door);
i32 mob_may_take(void* user, const sv_floor* floor, u16 place, u8 door);

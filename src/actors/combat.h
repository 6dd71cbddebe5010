// Small services of the combat layer shared by the combat tick and the mob AI: the geometries of
// places other than the walker's (from the world's geometry cache), the heights of mobs by kind,
// a mob's ground and settling, the route search and door filters of the combat layer, and a leg
// (a shot's move, a muzzle) carried through the doors it passes (door spans are crossed by the
// world's strict segment test). The cache and the route tables are process-wide and not
// re-entrant; nothing here draws a random number.
#pragma once
#include "actors/player.h"
#include "floor/floor.h"
#include "world/route.h"
#include "world/world_types.h"

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

// The route of sv_nav_route (fewest doors, breadth first in door-index order, filter as there)
// for the combat layer's short searches: places cap doors away are never expanded, and the
// tables are stamped per search instead of cleared, so a search costs what it visits. Writes the
// doors to doors (cap entries) and returns their number; 0 when from = to; -1 for a null floor or
// doors, an invalid place, or no route of at most cap doors. Static tables: not re-entrant.
i64 sv_combat_route(const sv_floor* floor, u16 from, u16 to, u8* doors, u64 cap,
                    sv_door_filter filter, void* user);

// Door filters for route searches (user is unused): nonzero when the route may pass the door.
// sight_may_pass: the door is not fogged. mob_may_take: not fogged, leads to a next place, the
// crossed link's door record is not locked, and a room beyond is not sealed.
i32 sight_may_pass(void* user, const sv_floor* floor, u16 place, u8 door);
i32 mob_may_take(void* user, const sv_floor* floor, u16 place, u8 door);

// A horizontal leg (a shot's move, a muzzle ahead of a mob) carried through the doors it passes.
struct sv_carry {
    u16 place;           // the place the leg is in now
    const sv_geom* geom; // that place's geometry
    Vector2 from;        // where the leg now starts (its last door crossing), in place's frame
    Vector2 to;          // where it ends, in place's frame
    Vector2 dir;         // a heading carried along, turned with every door
    f32 y;               // a height carried along, lowered by every door's portal height
    Vector2 at;          // the last door crossing in the frame it was left from
    u8 entered;          // the door of place the leg came in by; 255 none
    u8 fogged;           // the leg met a fogged door and ends at it
};

// One end of door o's span: its centre plus side (-1 or 1) times half its width along its
// tangent, in its place's frame.
inline Vector2 sv_combat_span_end(const sv_opening* o, f32 side)
{
    f32 h = o->width / 2.0f * side;
    return {o->centre.x + o->tangent.x * h, o->centre.y + o->tangent.y * h};
}

// Carries leg c through one door: the first opening of c->place in slot order, other than the
// one entered by, whose span the leg from..to strictly crosses. A fogged one sets fogged and
// returns 0; one with a place beyond moves the leg into it (place, geom, from, to, dir, y, at and
// entered updated) and returns 1; openings with nothing beyond are passed over. 0 when no door
// is crossed, for a null floor, leg or geometry. Uses the beyond cache; draws nothing.
u8 sv_combat_carry(const sv_floor* floor, sv_carry* c);

// The combat half of one simulation tick, in order: clears the tracer, deals the player's blow
// (melee sweep, hitscan ray or a shot), ticks the mobs' statuses, flies the shots (across doors,
// into walls, mobs and the player), then for every living mob in index order settles it,
// decides its sight of the player, applies the leash (one sv_rng_f64 draw from the floor's
// tenacity stream per alerted mob measured beyond its leash, in mob order, only when its
// give-up rate is above 0) and runs its AI step (mob_act). Passive mode holds mobs off the
// player and freezes the rest. Changes the walker, the floor's mobs and shots and the place
// caches; nothing for a null argument.
void sv_combat_tick(sv_walker* walker, sv_floor* floor);

// 1 when the walker sees mob index: its position in the walker's frame (x, z) and its base
// height in that frame (y) are written to the outs that are given. Same place: a clear sight
// line from the eye to the mob's sight centre. Another place: a route of at most 4 unfogged
// doors whose spans the straight line to the mob crosses, and a clear line from the last entry
// to the mob. 0 for a null argument, a bad index, a waiting mob, or no sight. Draws
// nothing; uses the route tables and the beyond cache.
i32 sv_combat_mob_from_here(const sv_walker* walker, const sv_floor* floor, u16 mob, f32* x, f32* z,
                            f32* y);

// Passive mode (debug): on nonzero, mobs neither walk, turn nor act, and those touching the
// player are held off. Process-wide, 0 at start.
void sv_combat_set_passive(u8 on);

// The passive flag: 1 on, 0 off.
u8 sv_combat_passive(void);

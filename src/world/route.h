// Everything that spans a door: routes of doors across places, carrying a body through a door
// into the next frame, the walking length of a way over several places, the place beyond a door
// (kept in a small cache) and collision of a body standing in a doorway with both sides. Static
// tables and an 8-entry cache: not re-entrant, the simulation thread only; nothing drawn.
#pragma once
#include "world/world_types.h"

// Whether a route may pass door of place: nonzero allows it. Passed with its user pointer.
typedef i32 (*sv_door_filter)(void* user, const sv_floor* floor, u16 place, u8 door);

// Most doors a way length follows.
#define SV_WAY_DOORS 64
// Entries of the cache of places beyond doors.
#define SV_BEYOND_ENTRIES 8

// Fewest doors from place from to place to, breadth first in door-index order, every door
// allowed by filter (null: all): writes them to doors in order from from and returns their
// number; 0 when from = to; -1 for a null floor or doors, an invalid from or to, no route, or a
// route longer than cap. Any place id of the floor is routed (rooms count before corridors are
// laid). Uses static tables over the whole place-id space; changes nothing else.
i64 sv_nav_route(const sv_floor* floor, u16 from, u16 to, u8* doors, u64 cap, sv_door_filter filter,
                 void* user);

// Carries a body at (x, z) with feet at y and heading (dir x, dir z) through door of here
// (the geometry of *place) into the next place: builds that place into next, puts the body as
// deep inside it as it stood in front of the door (at least 0.02), at the same side offset
// (clamped to the far door's width), at the same height over the shared sill, heading turned
// with the door. 1 with *place, the point, height, heading and entry (the far door, may be
// null) updated; 0 with nothing changed for a null argument, a door past here's openings or no
// place beyond. here may be next.
u8 sv_nav_cross(const sv_floor* floor, const sv_geom* here, u8 door, sv_geom* next, u16* place,
                f32* x, f32* z, f32* y, f32* dir_x, f32* dir_z, u8* entry);

// Settles a body of radius r just carried through door entry into place geometry next, at
// (x, z) in next's frame, where it can stand: its side offset from the door's centre line at
// most half the door's width less r (so no side wall of a door-wide place overlaps it), and,
// when that point lies outside next's walls or, for a body wholly past the door line (deeper
// than r), where it cannot stand (sv_geom_standable), 0.02 inside the door at that offset. A
// point already standing within those bounds is left as it is. Changes *x and *z only; nothing
// for a null argument or an entry past next's openings.
void sv_nav_land(const sv_geom* next, u8 entry, f32 radius, f32* x, f32* z);

// Walking length for a body of radius r from `from` in place (geometry geom) to `to` in
// to_place: the path within one place; across places, the path to the first door's ramp foot,
// then straight lines from door foot to door foot along the route (at most SV_WAY_DOORS doors,
// filter as sv_nav_route) and on to the goal. -1 for a null floor or geometry, no route or a
// crossing that fails. Uses the route tables, the navigation grid and two static geometries.
f32 sv_nav_way_length(const sv_floor* floor, const sv_geom* geom, u16 place, f32 radius,
                      Vector2 from, u16 to_place, Vector2 to, sv_door_filter filter, void* user);

// The place beyond door of place (geometry geom): 1 with the portal from it into this place,
// its geometry, the place and its entry door written to the outs that are not null; 0 when no
// place lies beyond (or for a null floor or geometry, or a door past the openings). Answers
// from the cache when the same floor, place, door and door record were asked before; a miss
// builds into the next entry round robin, never the one holding geom. The pointers stay valid
// until their entry is reused (8 misses at most).
u8 sv_nav_beyond(const sv_floor* floor, u16 place, const sv_geom* geom, u8 door,
                 const sv_portal** portal, const sv_geom** beyond, u16* next, u8* entry);

// A near point carried into the far frame of portal: the inverse of sv_portal_point; the
// point unchanged for a null portal.
Vector2 sv_nav_to_beyond(const sv_portal* portal, Vector2 p);

// Pushes a body at (x, z) (near frame, feet at y) out of the walls and solids of the place
// beyond a door (geometry beyond, joined by portal, entered by its door entry, whose plane is
// ignored), and writes the pushed point back in the near frame when it moved. Nothing for a
// null geometry, portal, x or z.
void sv_nav_collide_beyond(const sv_geom* beyond, const sv_portal* portal, u8 entry, f32* x, f32* z,
                           f32 radius, f32 y, f32 step_height);

// Pushes a body out of place's walls and solids, then (when floor is given) out of those of the
// place beyond every door whose line the body overlaps, pushing at home again after each move.
// Moves *x and *z only; nothing for a null geometry, x or z. Uses the beyond cache.
void sv_nav_collide(const sv_floor* floor, u16 place, const sv_geom* geom, f32* x, f32* z,
                    f32 radius, f32 y, f32 step_height);

// sv_nav_collide through sv_body_collide_eased, for a body that moved `moved` since it was last
// collided: a body that overlaps a ramp side or a standable face without having walked into it is
// eased out, never snapped out. Nothing for a null geometry, x or z.
void sv_nav_collide_moved(const sv_floor* floor, u16 place, const sv_geom* geom, f32* x, f32* z,
                          f32 radius, f32 y, f32 step_height, f32 moved);

// Navigation within one place: a grid of walkable rectangles and the links between them, built
// for one geometry and body radius and cached by the bytes of the whole geometry record, the
// radius and player.step_height; A* over it with string pulling through the doorways. One static
// working grid and static search tables: not re-entrant, nothing drawn. A call with another
// geometry, radius or step height makes the working grid again: one of the grids kept for the
// places in play, read in place (a lookup and a comparison of the record; they are allocated, at
// most 128 of them and 16 MB in all: nav_kept.h), else built (tens of microseconds to a few
// milliseconds); the same ones again cost one comparison of the record (about a microsecond).
#pragma once
#include "world/world_types.h"

// Limits of the grid and the search.
#define SV_NAV_SIDE    255                // cells along each axis at most
#define SV_NAV_CELLS   65536              // 256 x 256 cell slots
#define SV_NAV_RECTS   8192               // rectangles; cells beyond them belong to none
#define SV_NAV_LINKS   32768              // links; further ones are dropped
#define SV_NAV_HEAP    (SV_NAV_LINKS + 1) // every push a search can make: the start and one per link
#define SV_NAV_PORTALS 16384              // portals of one funnel
#define SV_NAV_CELL    0.2f               // cell size unless the place is wider than 254 cells
#define SV_NAV_TURN    0.15f              // a follower takes a corner this near it as reached

// Walking path for a body of radius r from start to goal (x, z) in geom: writes the corner
// points and then the goal (never the start) to out, at most cap, and returns the number
// written; 0 when out is null, cap is 0, geom is null or has fewer than 3 wall vertices, no
// rectangle lies under the start (within player.step_height of its ground) or the goal (any
// height; among them, those a body walks straight to it from over nothing a step higher), or no
// path joins them. A start partway over a gap (its cell not walkable, within half a cell of a
// gap link's way from its doorway to its landing; at most 4 such links) may also go on over it to
// the landing: the shorter way is taken. The last leg is judged for a body of radius r walking it
// at player.walk_speed from the last corner and from where a follower taking each corner as reached
// SV_NAV_TURN short of it turns: when a ramp side or a standable fixture's face beside the goal
// holds that body off farther than SV_NAV_TURN from the goal, the way goes instead through the
// centre of the nearest cell around the goal from which it walks in (kept when there is none).
// Rebuilds the grid when geom or r changed.
u64 sv_nav_path(const sv_geom* geom, f32 radius, Vector2 start, Vector2 goal, Vector2* out,
                u64 cap);

// 1 when every door foot (the six slot feet of a room, the openings' feet of a corridor piece),
// every prop spot of a room and the centre lie on the grid for radius r, all are reached from the
// first of them, and everything reached from it can walk back to it; else 0 (also for a null
// geometry or one with fewer than 3 wall vertices).
i32 sv_nav_walkable(const sv_geom* geom, f32 radius);

// The grid's rectangle count, link count and gap-link count for geom and r (each out may be
// null); zeros for a null geometry or fewer than 3 wall vertices.
void sv_nav_stats(const sv_geom* geom, f32 radius, u64* rectangles, u64* links, u64* gap_links);

// Shared within the world library --------------------------------------------------------------

// Walking length from a to b in geom for radius r: the length of the path's polyline (at most
// 96 points), or the straight distance |b - a| when there is no path.
f32 path_length(const sv_geom* geom, f32 radius, Vector2 from, Vector2 to);

// Keeps the working grid among the kept grids when it was last made for (geom, radius) and is
// not kept yet, as a path query would have kept it: generation hands on the grids its
// walkability test built for the interiors it chose, so the first tick of a chase restores them.
void sv_nav_keep_ready(const sv_geom* geom, f32 radius);

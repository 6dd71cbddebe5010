// Laying geometry over a generated floor: the pass that chooses, once per floor, what a place's
// geometry depends on (room scales and elevations, corridors, interior draws).
#pragma once
#include "world/world_types.h"

// Writes every room's scale and elevation, lays a corridor over every door pair when the floor
// has no passages yet, and chooses each room's interior draw: the first of 8 that neither repeats
// its parent's (door 0's target below it) fixture signature nor fails the walkability test for
// player.radius, else bare (255, with a warning in category gen). Draws from the geometry stream
// of (floor seed, floor number) with generators seeded per room and per door. Nothing for a null
// floor. Keeps the interior signatures of rooms below 4096 in a static table between calls; the
// static geometry and the navigation grid are scratch. Each furnished room's geometry goes into
// the geometry cache and its grid among the kept grids, as the first frames and ticks would
// build them. Running it twice changes nothing more.
void sv_geom_apply(sv_floor* floor);

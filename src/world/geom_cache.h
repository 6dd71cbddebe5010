// The geometries of the places in play, kept instead of rebuilt: a least-recently-used cache of
// SV_GEOM_CACHE whole records, process-wide and not re-entrant. An entry is the place's
// geometry only while everything it was built from still matches exactly: the floor (serial,
// seed, number, place count), the place, and the place's own record (a room's elevation, scale,
// doors, tags and interior; a corridor piece's passage width and its own and its neighbours'
// pieces). Tunables are not part of the key: a tunable change takes effect on a new floor. The
// bound is SV_GEOM_CACHE x sizeof(sv_geom) (about 1.7 MB), held statically.
#pragma once
#include "world/world_types.h"

#define SV_GEOM_CACHE 128

// The geometry of place on floor, built with sv_geom_build on a miss (into the least recently
// used entry). The pointer stays valid for at least SV_GEOM_CACHE - 1 further misses or stores.
// Null for a null floor or an invalid place. Draws nothing (building draws from its own stream).
const sv_geom* sv_geom_cached(const sv_floor* floor, u16 place);

// Stores a copy of geom as the cached geometry of place on floor: the entry already holding that
// place, else the least recently used one other than the entry holding keep (a geometry a caller
// still reads). Returns the cached copy; null for a null floor or geom or an invalid place.
const sv_geom* sv_geom_cache_store(const sv_floor* floor, u16 place, const sv_geom* geom,
                                   const sv_geom* keep);

// Empties the cache.
void sv_geom_cache_reset(void);

// How many geometries the cache has built since the process started (for tests and tools).
u64 sv_geom_cache_builds(void);

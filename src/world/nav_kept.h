// The navigation grids of the places in play, kept so that going back to a place costs a lookup
// instead of a build: a least-recently-used cache of at most SV_NAV_KEPT grids and
// SV_NAV_KEPT_BYTES bytes in all (a grid larger than that is never kept). A kept grid is compact,
// only what it has: its cells, rectangles, links and incoming lists and the record it was built
// from, in two allocations. It is found by an exact key, compared whole: the record's bytes, the
// radius's and the step's (a hash of them only speeds the scan). Process-wide, not re-entrant;
// nav_grid.cpp readies the working grid from it, and it hands out nothing else.
#pragma once
#include "world/nav_grid.h"

#define SV_NAV_KEPT       128
#define SV_NAV_KEPT_BYTES (16u << 20)

struct nav_kept_grid;

// The hash that speeds sv_nav_kept_find for (geom, radius, step); never 0.
u64 sv_nav_kept_key(const sv_geom* geom, f32 radius, f32 step);

// The kept grid built from exactly (geom, radius, step) (key from sv_nav_kept_key), or null; a scan
// of at most SV_NAV_KEPT keys and a comparison of the record per key that matches. Changes nothing.
nav_kept_grid* sv_nav_kept_find(u64 key, const sv_geom* geom, f32 radius, f32 step);

// Makes grid read kept grid k in place, exactly as its build left it (its frame, counts and
// arrays; radius, step, built and builds untouched) and marks k most recently used; returns k's
// copy of the record, which stays as long as k.
const sv_geom* sv_nav_kept_restore(nav_kept_grid* k, sv_nav_grid* grid);

// Keeps grid, just built from geom (key from sv_nav_kept_key): its cells are taken as they are when
// they are the buffer cells holds (grid is pointed at the kept copy, which a shrink leaves in
// place, and cells is emptied), else copied; its rectangles, links, incoming lists and geom are
// copied. The least recently used grids go first until both bounds allow it (grid must read none
// of them). Returns the kept grid; null when grid is larger than SV_NAV_KEPT_BYTES or no memory
// was had (then nothing changes).
nav_kept_grid* sv_nav_kept_add(u64 key, const sv_geom* geom, sv_nav_grid* grid,
                               nav_cell_buffer* cells);

// Frees every kept grid; a grid reading one must be pointed elsewhere before it reads again.
void sv_nav_kept_clear(void);

// Bytes held by the kept grids, at most SV_NAV_KEPT_BYTES.
u64 sv_nav_kept_bytes(void);

// The navigation grid's islands: patches of walkable cells too small to hold the body, dropped.
// Runs of walkable cells in one row are joined into 4-connected patches by union-find: runs in
// adjacent rows that share a column belong to one patch.
#include <cstring>

#include "world/nav_build.h"

static u32 run_root(nav_runs* runs, u32 r)
{
    while (runs->parent[r] != r) {
        runs->parent[r] = runs->parent[runs->parent[r]];
        r = runs->parent[r];
    }
    return r;
}

// The runs of row j (starting at index runs), each its own patch; returns the new run count.
static u32 find_runs(nav_runs* runs, const u8* row, u32 w, u32 j, u32 n)
{
    for (u32 i = 0; i < w;) {
        // Walkable cells hold exactly 1 and the others 0: each run's ends are found at once.
        const u8* on = (const u8*)memchr(row + i, 1, w - i);
        if (!on)
            break;
        u32 start = (u32)(on - row);
        const u8* off = (const u8*)memchr(on, 0, w - start);
        i = off ? (u32)(off - row) : w;
        runs->a[n] = (u16)start;
        runs->b[n] = (u16)i;
        runs->row[n] = (u8)j;
        runs->parent[n] = n;
        runs->size[n] = i - start;
        ++n;
    }
    return n;
}

// Joins runs [first, end) of a row with the runs [prev_first, prev_end) of the row above that
// share a column: the patch of the lower root takes the other.
static void join_rows(nav_runs* runs, u32 prev_first, u32 prev_end, u32 first, u32 end)
{
    u32 p = prev_first;
    for (u32 r = first; r < end; ++r) {
        while (p < prev_end && runs->b[p] <= runs->a[r])
            ++p;
        for (u32 q = p; q < prev_end && runs->a[q] < runs->b[r]; ++q) {
            u32 x = run_root(runs, r), y = run_root(runs, q);
            if (x != y) {
                if (y < x) {
                    u32 t = x;
                    x = y;
                    y = t;
                }
                runs->parent[y] = x;
                runs->size[x] += runs->size[y];
            }
        }
    }
}

void sv_nav_drop_islands(nav_build* b)
{
    sv_nav_grid* g = b->grid;
    nav_runs* runs = &b->scratch->runs;
    f64 disc = 3.1415927f * b->radius * b->radius / (g->cell * g->cell);
    u32 min_cells = (u32)nav_clamp_index(disc, 0, SV_NAV_CELLS) + 1;
    u32 w = g->width, h = g->height;
    u32 n = 0, prev_first = 0, prev_end = 0;
    for (u32 j = 0; j < h; ++j) {
        u32 first = n;
        n = find_runs(runs, &g->walkable[j * w], w, j, n);
        join_rows(runs, prev_first, prev_end, first, n);
        prev_first = first;
        prev_end = n;
    }
    for (u32 r = 0; r < n; ++r) {
        if (runs->size[run_root(runs, r)] >= min_cells)
            continue;
        memset(&g->walkable[(u32)runs->row[r] * w + runs->a[r]], 0, runs->b[r] - runs->a[r]);
    }
}

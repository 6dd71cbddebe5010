// The navigation grid of a place: the floor polygon rasterised into square cells, eroded by the
// walls, ramp sides and fixtures for one body radius, cleared of small islands, given its ground,
// merged into rectangles that each lie on one ground face, and joined by directed links (across
// touching sides, or over a low band that a body can step across). One working grid, made again
// only when asked for with another geometry record, radius or step height: restored from the kept
// grids (nav_kept.cpp) or built. This file readies it and answers the look-ups of a point; the
// build's stages each have a file of their own and share one context (nav_build.h):
//
//   sv_nav_rasterise     nav_raster.cpp   cells inside the walls
//   sv_nav_erode         nav_erode.cpp    cells too near a wall, ramp side or fixture blocked
//   sv_nav_drop_islands  nav_islands.cpp  patches too small for the body dropped
//   sv_nav_index_ground  nav_ground.cpp   where the ground may leave the floor, and its terms
//   sv_nav_read_ground   nav_ground.cpp   the ground of the walkable cells
//   sv_nav_merge_rects   nav_rects.cpp    rectangles of one ground face
//   sv_nav_link_rects    nav_links.cpp    links between them, and the incoming lists
//
// tests/world/test_nav_reference.cpp is the plain reading of every stage and of the look-ups: it
// builds each grid again the simplest way (every cell of every box tested, islands by flood fill,
// the ground asked at every walkable cell, every ground sample taken) and requires the same bits,
// over the places of many floors and hand-made rooms. tests/world/test_nav_digest.cpp pins whole
// grids and the ground (sv_geom_ground_on and sv_geom_face_top, which share ground.h with the
// build) by digests; test_nav.cpp tests the behaviour on hand-built rooms, test_nav_kept.cpp the
// kept grids, test_nav_sweep.cpp the limits and invariants over many floors.
#include "world/nav_grid.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "core/fmath.h"
#include "core/tune.h"
#include "world/nav_build.h"
#include "world/nav_kept.h"

// State -------------------------------------------------------------------------------------

// The working grid and where it came from.
static struct {
    sv_nav_grid grid;
    sv_geom built;           // the record the last build was made from
    const sv_geom* identity; // built after a build, the kept grid's own copy after a restore
    u8 reads_kept;           // the grid's arrays are a kept grid's
    nav_cell_buffer cells;   // where the next build writes its cells (taken when kept)
} g_nav;

// Room for one build: the rectangles and links of the working grid when it was built, and the
// stages' scratch.
static nav_scratch s_scratch;

const sv_nav_grid* sv_nav_current_grid(void)
{
    return &g_nav.grid;
}

// Building ----------------------------------------------------------------------------------

// Bounds, cell size and the empty grid; a polygon with a non-finite vertex gets no cells.
static void lay_out(sv_nav_grid* g, const sv_geom* geom)
{
    nav_box box = nav_bounds(geom->vertices, geom->vertex_count);
    g->origin_x = box.x0;
    g->origin_z = box.z0;
    g->width = g->height = 0;
    g->cell = SV_NAV_CELL;
    f32 ex = box.x1 - box.x0, ez = box.z1 - box.z0;
    for (u8 v = 0; v < geom->vertex_count; ++v)
        if (!std::isfinite(geom->vertices[v].x) || !std::isfinite(geom->vertices[v].y))
            return;
    if (!std::isfinite(ex) || !std::isfinite(ez))
        return;
    g->cell = sv_fmaxf(sv_fmaxf(ex / 254.0f, ez / 254.0f), SV_NAV_CELL);
    g->width = (u16)(nav_clamp_index(ex / g->cell, 0, SV_NAV_SIDE - 1) + 1);
    g->height = (u16)(nav_clamp_index(ez / g->cell, 0, SV_NAV_SIDE - 1) + 1);
}

// Points the grid at the scratch store, and its cells at the build's own buffer (grown to fit)
// when one can be had; clears every cell.
static void clear_cells(sv_nav_grid* g, f32 floor_y)
{
    nav_grid_attach(g, &s_scratch.store);
    u32 cells = (u32)g->width * g->height;
    u64 need = nav_cells_for(cells).size;
    nav_cell_buffer* buf = &g_nav.cells;
    if (need > buf->size) {
        free(buf->bytes);
        buf->bytes = (u8*)malloc(need);
        buf->size = buf->bytes ? need : 0;
    }
    if (buf->bytes)
        nav_attach_cells(g, buf->bytes, cells);
    memset(g->walkable, 0, cells);
    memset(g->ground_face, 0, sizeof(u16) * cells);
    static_assert(SV_NONE16 == 0xFFFF, "rect_of_cell is cleared bytewise");
    memset(g->rect_of_cell, 0xFF, sizeof(u16) * cells);
    nav_fill_f32(g->obstacle_top, cells, 1e9f);
    nav_fill_f32(g->ground, cells, floor_y);
}

// Builds the working grid for geom and radius (its step already set), stage by stage.
static void build(const sv_geom* geom, f32 radius)
{
    sv_nav_grid* g = &g_nav.grid;
    lay_out(g, geom);
    clear_cells(g, geom->floor_y);
    g->rect_count = 0;
    g->link_count = 0;
    g->incoming_start[0] = 0;
    if ((u32)g->width * g->height == 0)
        return;
    nav_build b;
    b.grid = g;
    b.geom = geom;
    b.radius = radius;
    b.step = g->step;
    b.scratch = &s_scratch;
    for (u32 k = 0; k < SV_GEOM_FIXTURES; ++k)
        s_scratch.rows[k].known = 0;
    sv_nav_rasterise(&b);    // walkable cells inside the walls
    sv_nav_erode(&b);        // less those near walls, ramp sides and fixtures
    sv_nav_drop_islands(&b); // less patches too small for the body
    sv_nav_index_ground(&b); // where the ground may leave the floor
    sv_nav_read_ground(&b);  // the ground of the walkable cells
    sv_nav_merge_rects(&b);  // rectangles of one ground face
    sv_nav_link_rects(&b);   // links between them, and the incoming lists
}

// Readying ----------------------------------------------------------------------------------

// Whether the working grid was made from exactly (geom, radius, step).
static int working_is(const sv_geom* geom, f32 radius, f32 step)
{
    // The grid's identity is the record's bytes: an exact test, and cheaper than any hash.
    const sv_nav_grid* g = &g_nav.grid;
    return g->built && g->radius == radius && g->step == step
        && memcmp(g_nav.identity, geom, sizeof *geom) == 0;
}

void ready(const sv_geom* geom, f32 radius, u8 keep_built)
{
    f32 step = (f32)sv_tune(SV_TUNE_PLAYER_STEP_HEIGHT);
    if (working_is(geom, radius, step))
        return;
    sv_nav_grid* g = &g_nav.grid;
    g->built = 1;
    g->radius = radius;
    g->step = step;
    // With no grid kept and none to keep (the walkability test of generation), no hash is
    // needed.
    u64 key = 0;
    nav_kept_grid* k = nullptr;
    if (keep_built || sv_nav_kept_bytes() > 0) {
        key = sv_nav_kept_key(geom, radius, step);
        k = sv_nav_kept_find(key, geom, radius, step);
    }
    if (k) {
        g_nav.identity = sv_nav_kept_restore(k, g);
        g_nav.reads_kept = 1;
        return;
    }
    g->builds++;
    g_nav.reads_kept = 0;
    memcpy(&g_nav.built, geom, sizeof g_nav.built);
    g_nav.identity = &g_nav.built;
    build(geom, radius);
    if (keep_built && sv_nav_kept_add(key, geom, g, &g_nav.cells) && !g_nav.cells.bytes)
        g_nav.reads_kept = 1; // the kept grid took the cells the working grid reads
}

void sv_nav_keep_ready(const sv_geom* geom, f32 radius)
{
    f32 step = (f32)sv_tune(SV_TUNE_PLAYER_STEP_HEIGHT);
    if (!working_is(geom, radius, step))
        return;
    u64 key = sv_nav_kept_key(geom, radius, step);
    if (!sv_nav_kept_find(key, geom, radius, step)
        && sv_nav_kept_add(key, geom, &g_nav.grid, &g_nav.cells) && !g_nav.cells.bytes)
        g_nav.reads_kept = 1;
}

void sv_nav_forget_kept(void)
{
    sv_nav_kept_clear();
    if (!g_nav.reads_kept)
        return;
    // The working grid read one of them: it is made again when next asked for.
    g_nav.grid.built = 0;
    nav_grid_attach(&g_nav.grid, &s_scratch.store);
    g_nav.identity = &g_nav.built;
    g_nav.reads_kept = 0;
}

// Rectangle under a point ---------------------------------------------------------------------

// Whether a body on cell (i, j) walks straight to (x, z) over no cell higher than its own ground
// plus a step: a walkable cell by its ground, another by its highest obstacle. Samples every
// quarter cell up to the point itself (a point on a face's line lies in the face's band);
// samples off the grid are not judged.
static int reaches(const sv_nav_grid* g, i32 i, i32 j, f32 x, f32 z)
{
    f32 limit = g->ground[(u32)(j * g->width + i)] + g->step + 0.001f;
    Vector2 c = nav_cell_centre(g, i, j);
    f32 dx = x - c.x, dz = z - c.y;
    u32 n = (u32)nav_clamp_index(sqrtf(dx * dx + dz * dz) / (g->cell * 0.25f), 0, 64);
    for (u32 s = 1; s <= n + 1; ++s) {
        f32 t = (f32)s / (f32)(n + 1);
        i32 si = nav_floor_index((c.x + t * dx - g->origin_x) / g->cell, -1, g->width);
        i32 sj = nav_floor_index((c.y + t * dz - g->origin_z) / g->cell, -1, g->height);
        if (si < 0 || sj < 0 || si >= g->width || sj >= g->height)
            continue;
        u32 k = (u32)(sj * g->width + si);
        if (!((g->walkable[k] ? g->ground[k] : g->obstacle_top[k]) <= limit))
            return 0;
    }
    return 1;
}

// reaches as a cell test of the window search: the point is the context.
static int reaches_point(void* ctx, i32 i, i32 j)
{
    const Vector2* p = (const Vector2*)ctx;
    return reaches(&g_nav.grid, i, j, p->x, p->y);
}

// The 7 x 7 window search of rect_at, sv_nav_goal_rect_at and sv_nav_nearest_cell_where: the rectangle of the
// nearest qualifying cell that accept (null: any) takes.
static i32 nearest_rect(f32 x, f32 z, f32 y, u8 any, sv_nav_cell_test accept, void* ctx)
{
    const sv_nav_grid* g = &g_nav.grid;
    if (g->width == 0 || !std::isfinite(x) || !std::isfinite(z))
        return -1;
    f32 fx = (x - g->origin_x) / g->cell, fz = (z - g->origin_z) / g->cell;
    // Past 4 cells off the grid no cell of the 7 x 7 window is on it: refuse before converting.
    if (!(fx > -4.0f && fx < (f32)g->width + 4.0f && fz > -4.0f && fz < (f32)g->height + 4.0f))
        return -1;
    i32 ci = (i32)fx, cj = (i32)fz;
    f32 limit = y + g->step;
    // The cells that qualify, in window order; the answer is the first of those with the least
    // distance among the ones that reach.
    f32 dist[49];
    i32 cell_i[49], cell_j[49];
    u32 n = 0;
    for (i32 j = cj - 3; j <= cj + 3; ++j) {
        if (j < 0 || j >= g->height)
            continue;
        for (i32 i = ci - 3; i <= ci + 3; ++i) {
            if (i < 0 || i >= g->width)
                continue;
            u32 idx = (u32)(j * g->width + i);
            if (!g->walkable[idx] || g->rect_of_cell[idx] == SV_NONE16)
                continue;
            if (!any && !(g->ground[idx] <= limit))
                continue;
            Vector2 c = nav_cell_centre(g, i, j);
            dist[n] = (c.x - x) * (c.x - x) + (c.y - z) * (c.y - z);
            cell_i[n] = i;
            cell_j[n++] = j;
        }
    }
    // Nearest first, ties in window order: the first that reaches is the answer, and the walk
    // is asked of no other cell (mostly the nearest reaches). With a NaN distance (never nearer
    // in a scan keeping the first strictly nearer cell) the scan itself runs instead.
    u32 finite = 0;
    for (u32 k = 0; k < n; ++k)
        finite += dist[k] == dist[k];
    if (n > 0 && finite == n) {
        u8 tried[49] = {};
        for (u32 left = n; left > 0; --left) {
            u32 m = n;
            for (u32 k = 0; k < n; ++k)
                if (!tried[k] && (m == n || dist[k] < dist[m]))
                    m = k;
            if (!accept || accept(ctx, cell_i[m], cell_j[m]))
                return g->rect_of_cell[(u32)(cell_j[m] * g->width + cell_i[m])];
            tried[m] = 1;
        }
        return -1;
    }
    // A NaN distance: the scan as it was.
    f32 best = 0.0f;
    i32 found = -1;
    for (u32 k = 0; k < n; ++k) {
        if ((found < 0 || dist[k] < best) && (!accept || accept(ctx, cell_i[k], cell_j[k]))) {
            best = dist[k];
            found = g->rect_of_cell[(u32)(cell_j[k] * g->width + cell_i[k])];
        }
    }
    return found;
}

i32 rect_at(f32 x, f32 z, f32 y, u8 any)
{
    return nearest_rect(x, z, y, any, nullptr, nullptr);
}

i32 sv_nav_goal_rect_at(f32 x, f32 z)
{
    Vector2 p = {x, z};
    i32 r = nearest_rect(x, z, 0.0f, 1, reaches_point, &p);
    return r >= 0 ? r : nearest_rect(x, z, 0.0f, 1, nullptr, nullptr);
}

i32 sv_nav_nearest_cell_where(f32 x, f32 z, sv_nav_cell_test accept, void* ctx)
{
    return nearest_rect(x, z, 0.0f, 1, accept, ctx);
}

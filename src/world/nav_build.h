// The navigation grid's build in stages over one build context: the context, the scratch its
// stages write, the ground index, the per-cell helpers and the stages themselves. Private to the
// grid's files (nav_grid.cpp runs the stages; each stage has a file of its own). The helpers are
// inline here because the build has no link-time optimisation: a call per cell would cost more
// than the cell's work, so the stages meet only at coarse calls (a stage, a line of samples).
#pragma once
#include <cstring>

#include "core/fmath.h"
#include "world/ground.h"
#include "world/nav_grid.h"

// The ground index --------------------------------------------------------------------------

// Items that may lift the ground: every ramp and every fixture.
#define NAV_GROUND_ITEMS (SV_GEOM_OPENINGS + SV_GEOM_FIXTURES)

// A box in x and z.
struct nav_box {
    f32 x0, z0, x1, z1;
};

// A ramp's ground terms, and for narrowing its heights under a box (sv_nav_rise_bound): whether it
// may narrow at all (the checks that do not depend on the box) and its fraction's change per unit
// x and z.
struct nav_ramp {
    ground_ramp g;
    u8 narrows;
    f64 sx, sz;
};

// Where the ground may leave the floor. Only ramps (not those under a bench sill), fixture slopes
// and standable tops lift it, each only within its own quad or footprint: a point outside the
// boxes around those (with a margin over rounding) is on the floor without asking. Items are in
// the ground query's order: ramps, then fixtures, each by index. Their terms are worked out once
// per build, the same values sv_geom_ground_on works out at each point.
struct nav_ground_index {
    nav_box box[NAV_GROUND_ITEMS]; // everything when not finite
    u8 fixture[NAV_GROUND_ITEMS];  // 0 a ramp, 1 a fixture
    u8 item[NAV_GROUND_ITEMS];     // the opening or fixture
    f32 lo[NAV_GROUND_ITEMS];      // lowest ground it can give
    f32 hi[NAV_GROUND_ITEMS];      // highest
    nav_ramp ramp[NAV_GROUND_ITEMS];
    ground_slope slope[NAV_GROUND_ITEMS][SV_FIXTURE_SLOPES];
    u8 slope_count[NAV_GROUND_ITEMS];
    f32 bound2[NAV_GROUND_ITEMS]; // a fixture's bound, squared
    u32 count;
};

// Scratch -----------------------------------------------------------------------------------

// Runs of walkable cells in one row, joined into patches: at most 128 runs fit in a row of 255.
#define NAV_RUNS (SV_NAV_SIDE * 128 + 1)

struct nav_runs {
    u16 a[NAV_RUNS], b[NAV_RUNS]; // columns [a, b)
    u8 row[NAV_RUNS];
    u32 parent[NAV_RUNS]; // union-find
    u32 size[NAV_RUNS];   // cells of the patch, at its root
};

// A rectangle from rows above that reaches the row being merged; its columns and last row are
// kept beside the id, so that walking a row reads no rectangle.
struct nav_active_rect {
    u16 x0, x1, z1, id;
};

// A fixture footprint's crossings of the line z = y of the last y asked (by its bits).
struct nav_row_crossings {
    u8 known; // 0 until worked out for this build
    u32 z_bits;
    u8 count;
    f32 x[SV_FIXTURE_VERTICES];
};

// Room for one build, owned by nav_grid.cpp and handed to the stages; nothing in it outlives a
// build but the store's rectangles and links, which the working grid reads until the next build.
struct nav_scratch {
    sv_nav_store store;                       // rectangles, links (and the cells without a buffer)
    f32 cross[SV_GEOM_VERTICES];              // rasterising: a row's crossings of the walls
    nav_row_crossings rows[SV_GEOM_FIXTURES]; // footprint tests: crossings of the last row
    nav_runs runs;                            // islands: runs of walkable cells and patches
    u8 done[SV_NAV_SIDE + 1];                 // ground: the cells of a row already asked
    nav_active_rect active[2][SV_NAV_RECTS];  // rectangles: those reaching this row and the next
    u32 fill[SV_NAV_RECTS];                   // links: where each incoming list is filled
};

// The context ------------------------------------------------------------------------------

// What every stage reads and writes. The grid is laid out (frame, size, cleared arrays) before the
// first stage; each stage fills what its contract says.
struct nav_build {
    sv_nav_grid* grid;
    const sv_geom* geom;
    f32 radius;              // body radius
    f32 step;                // player.step_height
    nav_ground_index ground; // filled by sv_nav_index_ground
    nav_scratch* scratch;
};

// Per-cell helpers --------------------------------------------------------------------------

// floor(v) or trunc(v) as an index clamped to [lo, hi]; NaN gives lo. Never converts a value
// that does not fit (the conversion would be undefined).
inline i32 nav_clamp_index(f64 v, i32 lo, i32 hi)
{
    if (!(v >= (f64)lo))
        return lo;
    if (!(v <= (f64)hi))
        return hi;
    return (i32)v;
}

// nav_clamp_index(floor(v), lo, hi) without calling floor: floor(v) >= lo exactly when v >= lo,
// and floor(v) <= hi exactly when v < hi + 1, as lo and hi are whole.
inline i32 nav_floor_index(f32 v, i32 lo, i32 hi)
{
    f64 d = (f64)v;
    if (!(d >= (f64)lo))
        return lo;
    if (!(d < (f64)hi + 1.0))
        return hi;
    i32 t = (i32)d;
    return (f64)t > d ? t - 1 : t;
}

inline Vector2 nav_cell_centre(const sv_nav_grid* g, i32 i, i32 j)
{
    return Vector2 {g->origin_x + ((f32)i + 0.5f) * g->cell,
                    g->origin_z + ((f32)j + 0.5f) * g->cell};
}

// x of the centres of column i, as nav_cell_centre computes it.
inline f32 nav_centre_x(const sv_nav_grid* g, i32 i)
{
    return g->origin_x + ((f32)i + 0.5f) * g->cell;
}

// Fills n values with v, eight at a time (whole blocks copy as one wide move).
inline void nav_fill_f32(f32* d, u32 n, f32 v)
{
    f32 block[8] = {v, v, v, v, v, v, v, v};
    u32 i = 0;
    for (; i + 8 <= n; i += 8)
        memcpy(d + i, block, sizeof block);
    for (; i < n; ++i)
        d[i] = v;
}

// The box of points p[0, n) (n >= 1), by sv_fminf and sv_fmaxf (NaN passed over).
inline nav_box nav_bounds(const Vector2* p, u8 n)
{
    nav_box b = {p[0].x, p[0].y, p[0].x, p[0].y};
    for (u8 v = 1; v < n; ++v) {
        b.x0 = sv_fminf(b.x0, p[v].x);
        b.x1 = sv_fmaxf(b.x1, p[v].x);
        b.z0 = sv_fminf(b.z0, p[v].y);
        b.z1 = sv_fmaxf(b.z1, p[v].y);
    }
    return b;
}

// Whether (x, z) lies in box b. Every test taken (no branch between them): the same answer, NaN
// included.
inline int nav_in_box(const nav_box* b, f32 x, f32 z)
{
    return !((x < b->x0) | (x > b->x1) | (z < b->z0) | (z > b->z1));
}

// Squared distance from p to segment a-b (a segment shorter than 1e-9 squared is its point a),
// in the arithmetic whose square root is the distance the erosion compares with the radius;
// *tp is the fraction along a-b the face-top query takes.
[[gnu::always_inline]] inline f32 nav_seg_dist2(Vector2 p, Vector2 a, Vector2 b, f32* tp)
{
    f32 dx = b.x - a.x, dz = b.y - a.y;
    f32 t = ground_fraction(p, a, dx, dz, dx * dx + dz * dz);
    *tp = t;
    f32 ex = p.x - (a.x + t * dx), ez = p.y - (a.y + t * dz);
    return ex * ex + ez * ez;
}

// poly_contains on fixture fk's footprint, one row at a time: where each side crosses the line
// z = p.y depends on p.y alone, so the crossings of the last height asked are kept in rows (by
// its bits) and each point of that height only counts those right of it, with the same
// crossings poly_contains computes (poly_side_x), so the same answers.
inline int nav_footprint_holds(nav_row_crossings* rows, u32 fk, const sv_fixture* f, Vector2 p)
{
    const Vector2* v = f->polygon;
    u8 count = f->vertex_count;
    if (fk >= SV_GEOM_FIXTURES || count > SV_FIXTURE_VERTICES)
        return poly_contains(v, count, p);
    if (count == 0)
        return 0;
    nav_row_crossings* rc = &rows[fk];
    u32 bits;
    memcpy(&bits, &p.y, sizeof bits);
    if (!rc->known || rc->z_bits != bits) {
        rc->known = 1;
        rc->z_bits = bits;
        rc->count = 0;
        for (u32 i = 0, j = count - 1u; i < count; j = i++)
            if ((v[i].y > p.y) != (v[j].y > p.y))
                rc->x[rc->count++] = poly_side_x(v[i], v[j], p.y);
    }
    int inside = 0;
    for (u32 k = 0; k < rc->count; ++k)
        inside ^= p.x < rc->x[k];
    return inside;
}

// The stages, in build order ---------------------------------------------------------------

// nav_raster.cpp: the cells whose centres lie strictly inside the wall polygon get walkable 1 and
// obstacle_top -1e9 (no other cell is touched). Reads geom's walls; writes scratch cross.
void sv_nav_rasterise(nav_build* b);

// nav_erode.cpp: blocks (walkable 0) every cell whose centre is nearer than the radius to a wall
// piece (obstacle_top 1e9), a ramp side or a fixture face (obstacle_top raised to the highest top
// that blocks it; a flat face of no height blocks nothing), and every cell inside a solid
// fixture's footprint (1e9). Reads geom; writes scratch rows.
void sv_nav_erode(nav_build* b);

// nav_islands.cpp: clears walkable in every 4-connected patch of walkable cells too small to hold
// the body's disc (fewer than pi r^2 / cell^2 + 1 cells). Writes scratch runs.
void sv_nav_drop_islands(nav_build* b);

// nav_ground.cpp: fills b->ground from geom (the boxes, their height bounds and terms).
void sv_nav_index_ground(nav_build* b);

// nav_ground.cpp: the ground and ground_face of the walkable cells inside the index's boxes (the
// other cells keep the floor the grid was cleared to). Reads b->ground; writes scratch done, rows.
void sv_nav_read_ground(nav_build* b);

// nav_ground.cpp: a bound on any rise between two ground heights within 0.01 of the box (x0, z0)-
// (x1, z1): the highest height the floor and the items whose boxes touch it can give, less the
// lowest; infinite when an item's heights are not finite or its box covers everything.
f32 sv_nav_rise_bound(const nav_build* b, f32 x0, f32 z0, f32 x1, f32 z1);

// nav_ground.cpp: the largest single rise of the ground between samples half a cell apart from a
// to c, at least 0; once it passes limit, some value above limit (the caller asks no more than
// whether it passed). Writes scratch rows.
f32 sv_nav_ground_rise(nav_build* b, Vector2 a, Vector2 c, f32 limit);

// nav_rects.cpp: greedy rectangles of walkable cells of one ground face, into rects, rect_count
// (at most SV_NAV_RECTS; cells beyond them belong to none) and rect_of_cell. Writes scratch
// active.
void sv_nav_merge_rects(nav_build* b);

// nav_links.cpp: the links of every rectangle, by rectangle and side (+x, -x, +z, -z), into links,
// link_count and each rectangle's first_link and link_count (at most SV_NAV_LINKS), then incoming
// and incoming_start. Writes scratch fill and, through the ground queries, rows.
void sv_nav_link_rects(nav_build* b);

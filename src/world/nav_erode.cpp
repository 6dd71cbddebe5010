// The navigation grid's erosion: every cell whose centre lies within the body's radius of a wall
// piece, a ramp side or a fixture face (each face's capsule) is blocked, walls for good and other
// faces up to their top there; cells inside a solid fixture's footprint are blocked too. A cell
// is tested one by one only near the edge of a capsule: the rows of a capsule are swept in spans
// that certainly pass or fail, worked out in f64 with margins that the exact f32 test's rounding
// cannot cross.
#include <cmath>
#include <cstring>

#include "core/fmath.h"
#include "world/geom.h"
#include "world/nav_build.h"

// Helpers -----------------------------------------------------------------------------------

// The largest d2 with sqrtf(d2) < r (-1 when none): since sqrtf is correctly rounded and so
// never decreasing, sqrtf(d2) < r exactly when d2 <= this, and no root need be taken per cell.
static f32 below_root(f32 r)
{
    if (!(r > 0.0f))
        return -1.0f;
    f32 t = r * r;
    while (t > 0.0f && !(sqrtf(t) < r))
        t = nextafterf(t, 0.0f);
    while (sqrtf(nextafterf(t, INFINITY)) < r)
        t = nextafterf(t, INFINITY);
    return t;
}

// Cells in [i0, i1] x [j0, j1] covering the box (x0, z0)-(x1, z1) grown by one cell.
static void cell_box(const sv_nav_grid* g, f32 x0, f32 z0, f32 x1, f32 z1, i32* i0, i32* j0,
                     i32* i1, i32* j1)
{
    *i0 = nav_floor_index((x0 - g->origin_x) / g->cell - 1.0f, 0, g->width - 1);
    *i1 = nav_floor_index((x1 - g->origin_x) / g->cell + 1.0f, 0, g->width - 1);
    *j0 = nav_floor_index((z0 - g->origin_z) / g->cell - 1.0f, 0, g->height - 1);
    *j1 = nav_floor_index((z1 - g->origin_z) / g->cell + 1.0f, 0, g->height - 1);
}

static f64 min64(f64 a, f64 b)
{
    return b < a ? b : a;
}

static f64 max64(f64 a, f64 b)
{
    return b > a ? b : a;
}

// Capsules ----------------------------------------------------------------------------------

// The points within rho of a face (its capsule) for two radii, an outer and an inner one, in
// f64, set up to give the span a row holds. A capsule is convex, so a row holds one span: the
// hull of the spans of its end discs and of its band (0 <= (x - ax) dx + w dz <= len2 and
// |(x - ax) dz - w dx| <= rho len, w = z - az).
struct capsule {
    f64 ax, az, bx, bz;
    f64 r2[2];
    u8 seg;             // 0: the face is its point a
    u8 along_x, side_x; // whether the band's end (side) lines cross every row
    f64 k1, k2, k3;     // the band's span in x - ax: k1 w .. k1 w + k2, k3 w -+ k4
    f64 k4[2];
    f64 lo_w, hi_w; // when along_x is 0: the rows w the band's ends allow
    f64 side_w[2];  // when side_x is 0: the |w| its sides allow
};

static void capsule_set(capsule* c, f64 ax, f64 az, f64 dx, f64 dz, f64 rho_out, f64 rho_in)
{
    c->ax = ax;
    c->az = az;
    c->bx = ax + dx;
    c->bz = az + dz;
    f64 len2 = dx * dx + dz * dz;
    c->seg = len2 > 0.0;
    c->along_x = dx != 0.0;
    c->side_x = dz != 0.0;
    c->k1 = c->along_x ? -dz / dx : 0.0;
    c->k2 = c->along_x ? len2 / dx : 0.0;
    c->k3 = c->side_x ? dx / dz : 0.0;
    c->lo_w = min64(0.0, dz);
    c->hi_w = max64(0.0, dz);
    f64 rho[2] = {rho_out, rho_in};
    for (int k = 0; k < 2; ++k) {
        c->r2[k] = rho[k] * rho[k];
        c->k4[k] = c->side_x ? fabs(rho[k] * sqrt(len2) / dz) : 0.0;
        c->side_w[k] = rho[k];
    }
}

// The spans [lo[k], hi[k]] of row z in the capsule (k = 0 outer, 1 inner; empty when lo > hi).
// The inner one only when inner is set.
[[gnu::always_inline]] static inline void capsule_span(const capsule* c, f64 z, int inner,
                                                       f64 lo[2], f64 hi[2])
{
    f64 w = z - c->az, wb = z - c->bz;
    f64 bl = -INFINITY, bh = INFINITY; // the band's span where its ends allow
    if (c->along_x) {
        f64 u0 = c->k1 * w, u1 = u0 + c->k2;
        bl = min64(u0, u1);
        bh = max64(u0, u1);
    } else if (!(w >= c->lo_w && w <= c->hi_w)) {
        bh = -INFINITY;
    }
    f64 m = c->k3 * w;
    for (int k = 0; k <= inner; ++k) {
        f64 l = INFINITY, h = -INFINITY;
        f64 e = c->r2[k] - w * w;
        if (e >= 0.0) {
            f64 s = sqrt(e);
            l = c->ax - s;
            h = c->ax + s;
        }
        if (c->seg) {
            e = c->r2[k] - wb * wb;
            if (e >= 0.0) {
                f64 s = sqrt(e);
                l = min64(l, c->bx - s);
                h = max64(h, c->bx + s);
            }
            f64 sl = bl, sh = bh;
            if (c->side_x) {
                sl = max64(sl, m - c->k4[k]);
                sh = min64(sh, m + c->k4[k]);
            } else if (!(fabs(w) <= c->side_w[k])) {
                sh = -INFINITY;
            }
            if (sl <= sh) {
                l = min64(l, c->ax + sl);
                h = max64(h, c->ax + sh);
            }
        }
        lo[k] = l;
        hi[k] = h;
    }
}

// The first column in [c0, c1 + 1] whose centre is at or right of v (centres never decrease
// along a row); from a guess, corrected by comparing the centres themselves.
[[gnu::always_inline]] static inline i32 first_column_from(const sv_nav_grid* g, f64 v,
                                                           f64 inv_cell, i32 c0, i32 c1)
{
    i32 i = nav_clamp_index((v - (f64)g->origin_x) * inv_cell - 0.5, c0, c1 + 1);
    while (i > c0 && (f64)nav_centre_x(g, i - 1) >= v)
        --i;
    while (i <= c1 && (f64)nav_centre_x(g, i) < v)
        ++i;
    return i;
}

// The last column in [c0 - 1, c1] whose centre is at or left of v.
[[gnu::always_inline]] static inline i32 last_column_to(const sv_nav_grid* g, f64 v, f64 inv_cell,
                                                        i32 c0, i32 c1)
{
    i32 i = nav_clamp_index((v - (f64)g->origin_x) * inv_cell - 0.5, c0 - 1, c1);
    while (i < c1 && (f64)nav_centre_x(g, i + 1) <= v)
        ++i;
    while (i >= c0 && (f64)nav_centre_x(g, i) > v)
        --i;
    return i;
}

// One face ----------------------------------------------------------------------------------

// The erosion of one face: what each of its rows reads, worked out once.
struct face_sweep {
    const sv_face* face;
    Vector2 p0, p1;
    f32 dx, dz;         // p1 - p0
    f32 near2;          // below_root of the radius
    f32 reach;          // the radius with a margin over rounding (the exact test decides)
    u8 wall;            // walls block for good; other faces up to their top
    u8 low_top;         // a face whose tops all come out below 1e9
    i32 i0, j0, i1, j1; // the cells of the face's box grown by the radius
    int spans;          // rows are swept by spans (else cell by cell)
    int narrow;         // rows and columns are first narrowed in f32
    int sure;           // some cells certainly pass (walls only)
    capsule cap;        // when spans
    f64 inv_cell;       // 1 / the cell size
    f64 z_lo, z_hi;     // the capsule's rows
};

// The exact test of one cell against the face, and what it blocks.
[[gnu::always_inline]] static inline void erode_cell(sv_nav_grid* g, f32 floor_y,
                                                     const face_sweep* s, i32 i, i32 j)
{
    u32 idx = (u32)(j * g->width + i);
    // A wall changes nothing in a cell already impassable (outside the floor, mostly), and
    // neither does a face whose tops all come out below 1e9 (low_top).
    if ((s->wall || s->low_top) && !g->walkable[idx] && g->obstacle_top[idx] == 1e9f)
        return;
    Vector2 c = nav_cell_centre(g, i, j);
    f32 t;
    if (!(nav_seg_dist2(c, s->p0, s->p1, &t) <= s->near2))
        return;
    g->walkable[idx] = 0;
    if (s->wall) {
        g->obstacle_top[idx] = 1e9f;
    } else {
        // sv_geom_face_top(face, c), its fraction along the face being t.
        f32 top = floor_y + ground_face_top(s->face, t);
        if (top > g->obstacle_top[idx])
            g->obstacle_top[idx] = top;
    }
}

// The face's box of cells, the exact test's terms and the margin of its f32 narrowing; 0 when the
// face blocks nothing (a flat face of no height).
static int sweep_box(const nav_build* b, const sv_face* face, u8 wall, f32 near2, face_sweep* s)
{
    if (!wall && face->top0 == face->bottom0 && face->top1 == face->bottom1)
        return 0;
    f32 radius = b->radius;
    s->face = face;
    s->p0 = face->p0;
    s->p1 = face->p1;
    Vector2 p0 = s->p0, p1 = s->p1;
    cell_box(b->grid, sv_fminf(p0.x, p1.x) - radius, sv_fminf(p0.y, p1.y) - radius,
             sv_fmaxf(p0.x, p1.x) + radius, sv_fmaxf(p0.y, p1.y) + radius, &s->i0, &s->j0, &s->i1,
             &s->j1);
    s->dx = p1.x - p0.x;
    s->dz = p1.y - p0.y;
    s->near2 = near2;
    s->reach = radius * 1.001f + 1e-4f;
    s->wall = wall;
    // Tops of magnitude below 1e8 sum to less than 1e9, whatever the rounding.
    s->low_top = !wall && fabsf(b->geom->floor_y) < 1e8f && fabsf(face->top0) < 1e8f
        && fabsf(face->top1) < 1e8f;
    return 1;
}

// Whether the face's rows are swept by spans, and with which capsules.
//
// Only cells near the edge of the face's reach are tested one by one. The f32 distance the
// exact test takes is within 60 u M of the true one (u = 2^-24, M the largest magnitude of a
// coordinate of the face or of a centre in its box): the point it measures to lies within 5 u
// (M + L) of a point of the face (L, the face's length, is below 3 M), its fraction along the
// face is off by at most 11 u |c - p0| / L (which moves that point along the face by at most
// 31 u M), and the last steps add 3 u of the distance. Centres nearer than the root of near2 by
// 256 u M (and 2^-20 of it) certainly pass, and centres farther by as much certainly fail; spans
// are found in f64, far finer than that. A wall just blocks the cells that certainly pass; other
// faces still need each one's fraction. A face or grid of coordinates too large or not finite is
// tested cell by cell.
//
// The rows and columns are first narrowed to those near the face in f32, as the exact test's
// own margin (reach) allows. A cell that passes is never outside them when that margin beats
// the rounding of both: the cell is within R + 60 u M of the face, the narrowing errs by at
// most 8 u (M + reach) in z (and has a cell to spare in x), and R < radius (1 + u); 256 u M
// against 0.0009 radius + 1e-4 is over three times what that needs. Then the spans alone give
// the same cells, without the narrowing's divisions.
static void sweep_spans(const sv_nav_grid* g, f32 radius, face_sweep* s)
{
    Vector2 p0 = s->p0, p1 = s->p1;
    f32 dx = s->dx, dz = s->dz;
    f64 m = max64(max64(fabs((f64)p0.x), fabs((f64)p0.y)), max64(fabs((f64)p1.x), fabs((f64)p1.y)));
    m = max64(m, max64(fabs((f64)nav_centre_x(g, s->i0)), fabs((f64)nav_centre_x(g, s->i1))));
    m = max64(m,
              max64(fabs((f64)(g->origin_z + ((f32)s->j0 + 0.5f) * g->cell)),
                    fabs((f64)(g->origin_z + ((f32)s->j1 + 0.5f) * g->cell))));
    s->spans = s->near2 > 1e-6f && m < 1e6 && std::isfinite(dx) && std::isfinite(dz)
        && std::isfinite(g->origin_x) && std::isfinite(g->origin_z)
        && std::isfinite(g->cell); // false for NaN too
    s->narrow = !s->spans || !(m * 0x1p-16 <= 1e-4 + 0.0009 * (f64)radius);
    s->sure = 0;
    s->cap = capsule {};
    s->inv_cell = 1.0 / (f64)g->cell;
    s->z_lo = 0.0;
    s->z_hi = 0.0;
    if (!s->spans)
        return;
    f64 root = sqrt((f64)s->near2);
    f64 margin = m * 0x1p-16 + 1e-20;
    // A face shorter than the exact test measures is its first point there.
    f64 sdx = 0.0, sdz = 0.0;
    if (dx * dx + dz * dz > 1e-9f) {
        sdx = (f64)p1.x - (f64)p0.x;
        sdz = (f64)p1.y - (f64)p0.y;
    }
    f64 rho_in = root * (1.0 - 0x1p-20) - margin;
    s->sure = s->wall && rho_in > 0.0;
    f64 rho_out = root * (1.0 + 0x1p-20) + margin;
    capsule_set(&s->cap, p0.x, p0.y, sdx, sdz, rho_out, s->sure ? rho_in : 0.0);
    s->z_lo = min64(s->cap.az, s->cap.bz) - rho_out;
    s->z_hi = max64(s->cap.az, s->cap.bz) + rho_out;
}

// Narrows the columns [*c0, *c1] of row z in f32: a cell centre within r of the segment is
// within r in z of the part of the segment it is nearest to, and within r in x of it. 0 when no
// cell of the row can be near.
[[gnu::always_inline]] static inline int narrow_columns(const sv_nav_grid* g, const face_sweep* s,
                                                        f32 z, i32* c0, i32* c1)
{
    Vector2 p0 = s->p0;
    f32 dx = s->dx, dz = s->dz, reach = s->reach;
    f32 ta = 0.0f, tb = 1.0f;
    if (fabsf(dz) > 1e-6f) {
        ta = (z - reach - p0.y) / dz;
        tb = (z + reach - p0.y) / dz;
        if (ta > tb) {
            f32 t = ta;
            ta = tb;
            tb = t;
        }
        ta = sv_fmaxf(ta, 0.0f);
        tb = sv_fminf(tb, 1.0f);
        if (!(ta <= tb))
            return 0;
    } else if (!(fabsf(p0.y - z) <= reach + 1e-6f)) {
        return 0;
    }
    f32 xa = p0.x + ta * dx, xb = p0.x + tb * dx;
    *c0 = nav_floor_index((sv_fminf(xa, xb) - reach - g->origin_x) / g->cell - 1.0f, s->i0, s->i1);
    *c1 = nav_floor_index((sv_fmaxf(xa, xb) + reach - g->origin_x) / g->cell + 1.0f, s->i0, s->i1);
    return 1;
}

// The columns of row z within [c0, c1] that may pass, [*a, *b], and among them those that
// certainly pass, [*ia, *ib] (empty when *ia > *ib); 0 when none may.
[[gnu::always_inline]] static inline int row_span(const sv_nav_grid* g, const face_sweep* s, f32 z,
                                                  i32 c0, i32 c1, i32* a, i32* b, i32* ia, i32* ib)
{
    f64 lo[2], hi[2];
    capsule_span(&s->cap, z, s->sure != 0, lo, hi);
    if (!(lo[0] <= hi[0]))
        return 0;
    if (s->sure && lo[1] <= hi[1]
        && (*ia = first_column_from(g, lo[1], s->inv_cell, c0, c1))
            <= (*ib = last_column_to(g, hi[1], s->inv_cell, c0, c1))) {
        // The span that may pass is the one that certainly does and a sliver either side.
        *a = *ia;
        *b = *ib;
        while (*a > c0 && (f64)nav_centre_x(g, *a - 1) >= lo[0])
            --*a;
        while (*b < c1 && (f64)nav_centre_x(g, *b + 1) <= hi[0])
            ++*b;
    } else {
        *a = first_column_from(g, lo[0], s->inv_cell, c0, c1);
        *b = last_column_to(g, hi[0], s->inv_cell, c0, c1);
        *ia = *b + 1;
        *ib = *b;
    }
    return 1;
}

// Erodes columns [c0, c1] of row j (centre z): by spans, or cell by cell.
[[gnu::always_inline]] static inline void
erode_row(sv_nav_grid* g, f32 floor_y, const face_sweep* s, i32 j, f32 z, i32 c0, i32 c1)
{
    if (!s->spans) {
        for (i32 i = c0; i <= c1; ++i)
            erode_cell(g, floor_y, s, i, j);
        return;
    }
    i32 a, b, ia, ib;
    if (!row_span(g, s, z, c0, c1, &a, &b, &ia, &ib))
        return;
    for (i32 i = a; i < ia; ++i)
        erode_cell(g, floor_y, s, i, j);
    u32 row = (u32)(j * g->width);
    for (i32 i = ia; i <= ib; ++i) {
        g->walkable[row + (u32)i] = 0;
        g->obstacle_top[row + (u32)i] = 1e9f;
    }
    for (i32 i = ib + 1; i <= b; ++i)
        erode_cell(g, floor_y, s, i, j);
}

// Blocks every cell closer than the radius to the face (near2 being below_root of it).
static void erode(nav_build* b, const sv_face* face, u8 wall, f32 near2)
{
    face_sweep s;
    if (!sweep_box(b, face, wall, near2, &s))
        return;
    sv_nav_grid* g = b->grid;
    sweep_spans(g, b->radius, &s);
    f32 floor_y = b->geom->floor_y;
    for (i32 j = s.j0; j <= s.j1; ++j) {
        f32 z = g->origin_z + ((f32)j + 0.5f) * g->cell;
        if (s.spans && !s.narrow && !((f64)z >= s.z_lo && (f64)z <= s.z_hi))
            continue;
        i32 c0 = s.i0, c1 = s.i1;
        if (s.narrow && !narrow_columns(g, &s, z, &c0, &c1))
            continue;
        erode_row(g, floor_y, &s, j, z, c0, c1);
    }
}

// Cells whose centres lie inside a solid fixture's footprint are impassable.
static void fill_solid(nav_build* b, u32 fk, const sv_fixture* f)
{
    if (f->vertex_count == 0)
        return;
    sv_nav_grid* g = b->grid;
    nav_box box = nav_bounds(f->polygon, f->vertex_count);
    i32 i0, j0, i1, j1;
    cell_box(g, box.x0, box.z0, box.x1, box.z1, &i0, &j0, &i1, &j1);
    for (i32 j = j0; j <= j1; ++j) {
        for (i32 i = i0; i <= i1; ++i) {
            if (!nav_footprint_holds(b->scratch->rows, fk, f, nav_cell_centre(g, i, j)))
                continue;
            u32 idx = (u32)(j * g->width + i);
            g->walkable[idx] = 0;
            g->obstacle_top[idx] = 1e9f;
        }
    }
}

// The stage ---------------------------------------------------------------------------------

void sv_nav_erode(nav_build* b)
{
    const sv_geom* geom = b->geom;
    f32 near2 = below_root(b->radius);
    for (u8 e = 0; e < geom->vertex_count; ++e) {
        sv_segment pieces[2];
        u8 count = sv_geom_wall_pieces(geom, e, pieces);
        for (u8 k = 0; k < count; ++k) {
            sv_face wall;
            memset(&wall, 0, sizeof wall);
            wall.p0 = pieces[k].a;
            wall.p1 = pieces[k].b;
            erode(b, &wall, 1, near2);
        }
    }
    for (u8 k = 0; k < geom->opening_count; ++k)
        for (u8 side = 0; side < 2; ++side)
            erode(b, &geom->ramp_sides[k][side], 0, near2);
    for (u8 k = 0; k < geom->fixture_count; ++k) {
        const sv_fixture* f = &geom->fixtures[k];
        for (u8 i = 0; i < f->face_count; ++i)
            erode(b, &f->faces[i], 0, near2);
        if (!f->standable)
            fill_solid(b, k, f);
    }
}

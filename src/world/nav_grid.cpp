// The navigation grid of a place: the floor polygon rasterised into square cells, eroded by the
// walls, ramp sides and fixtures for one body radius, cleared of small islands, merged into
// rectangles that each lie on one ground face, and joined by directed links (across touching
// sides, or over a low band that a body can step across). One static grid, rebuilt only when
// asked for with another geometry record, radius or step height. Also the search's heap.
#include "world/nav_grid.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "core/fmath.h"
#include "core/panic.h"
#include "core/tune.h"
#include "world/geom.h"
#include "world/prim.h"

// State -------------------------------------------------------------------------------------

static sv_nav_grid g_grid;
static sv_nav_store s_store; // where builds write their rectangles and links
static sv_nav_heap g_heap;
static sv_geom s_built; // the record the last build was made from
// The working grid's identity: s_built after a build, the kept grid's own copy of its record
// after a restore (not copied again).
static const sv_geom* s_identity = &s_built;
static f32 s_cross[SV_GEOM_VERTICES];

const sv_nav_grid* nav_grid(void)
{
    return &g_grid;
}

// Helpers -----------------------------------------------------------------------------------

// floor(v) or trunc(v) as an index clamped to [lo, hi]; NaN gives lo. Never converts a value
// that does not fit (the conversion would be undefined).
static i32 clamp_index(f64 v, i32 lo, i32 hi)
{
    if (!(v >= (f64)lo))
        return lo;
    if (!(v <= (f64)hi))
        return hi;
    return (i32)v;
}

// clamp_index(floor(v), lo, hi) without calling floor: floor(v) >= lo exactly when v >= lo, and
// floor(v) <= hi exactly when v < hi + 1, as lo and hi are whole.
static i32 floor_index(f32 v, i32 lo, i32 hi)
{
    f64 d = (f64)v;
    if (!(d >= (f64)lo))
        return lo;
    if (!(d < (f64)hi + 1.0))
        return hi;
    i32 t = (i32)d;
    return (f64)t > d ? t - 1 : t;
}

static Vector2 cell_centre(i32 i, i32 j)
{
    return Vector2 {g_grid.origin_x + ((f32)i + 0.5f) * g_grid.cell,
                    g_grid.origin_z + ((f32)j + 0.5f) * g_grid.cell};
}

// Fills n values with v, eight at a time (whole blocks copy as one wide move).
static void fill_f32(f32* d, u32 n, f32 v)
{
    f32 block[8] = {v, v, v, v, v, v, v, v};
    u32 i = 0;
    for (; i + 8 <= n; i += 8)
        memcpy(d + i, block, sizeof block);
    for (; i < n; ++i)
        d[i] = v;
}

// Squared distance from p to segment a-b (a segment shorter than 1e-9 squared is its point a),
// in the arithmetic whose square root is the distance the erosion compares with the radius.
// *t is the clamped fraction along a-b, as the face-top query computes it.
[[gnu::always_inline]] static inline f32 seg_dist2(Vector2 p, Vector2 a, Vector2 b, f32* tp)
{
    f32 dx = b.x - a.x, dz = b.y - a.y;
    f32 len = dx * dx + dz * dz;
    f32 t = 0.0f;
    if (len > 1e-9f) {
        // Past either end the quotient would be clamped to that end: no need to divide. The
        // bounds keep out inf / inf (not clamped) and a quotient that underflows to -0 (kept).
        f32 along = (p.x - a.x) * dx + (p.y - a.y) * dz;
        if (along < -1e-30f && len < 1e8f) {
            t = 0.0f;
        } else if (along >= len && len < INFINITY) {
            t = 1.0f;
        } else {
            t = along / len;
            t = t < 0.0f ? 0.0f : (t > 1.0f ? 1.0f : t);
        }
    }
    *tp = t;
    f32 ex = p.x - (a.x + t * dx), ez = p.y - (a.y + t * dz);
    return ex * ex + ez * ez;
}

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

// Rasterising -------------------------------------------------------------------------------

// Cells whose centres lie strictly inside the floor polygon, row by row. Their ground is read
// later, for the cells that stay walkable (no other cell's ground is ever used).
static void rasterise(const sv_geom* geom)
{
    u8 n = geom->vertex_count;
    for (i32 j = 0; j < g_grid.height; ++j) {
        f32 zc = g_grid.origin_z + ((f32)j + 0.5f) * g_grid.cell;
        u32 count = 0;
        for (u8 i = 0, p = (u8)(n - 1); i < n; p = i++) {
            Vector2 vi = geom->vertices[i], vp = geom->vertices[p];
            if ((vi.y > zc) != (vp.y > zc))
                s_cross[count++] = (zc - vi.y) / (vp.y - vi.y) * (vp.x - vi.x) + vi.x;
        }
        if (count < 2)
            continue;
        for (u32 a = 1; a < count; ++a) {
            f32 v = s_cross[a];
            u32 b = a;
            for (; b > 0 && s_cross[b - 1] > v; --b)
                s_cross[b] = s_cross[b - 1];
            s_cross[b] = v;
        }
        for (u32 a = 0; a + 1 < count; a += 2) {
            f32 xa = s_cross[a], xb = s_cross[a + 1];
            i32 i0 = floor_index((xa - g_grid.origin_x) / g_grid.cell - 1.0f, 0, g_grid.width - 1);
            i32 i1 = floor_index((xb - g_grid.origin_x) / g_grid.cell + 1.0f, 0, g_grid.width - 1);
            // Centres never decrease along the row, so the cells inside are one unbroken run:
            // trim its ends, then fill it.
            while (i0 <= i1 && !(cell_centre(i0, j).x > xa))
                ++i0;
            while (i1 >= i0 && !(cell_centre(i1, j).x < xb))
                --i1;
            if (i0 > i1)
                continue;
            u32 idx = (u32)(j * g_grid.width + i0);
            memset(&g_grid.walkable[idx], 1, (size_t)(i1 - i0 + 1));
            fill_f32(&g_grid.obstacle_top[idx], (u32)(i1 - i0 + 1), -1e9f);
        }
    }
}

// Where the ground may leave the floor. Only ramps (not those under a bench sill), fixture
// slopes and standable tops lift it, each only within its own quad or footprint: a point outside
// the boxes around those (with a margin over rounding) is on the floor without asking.
struct ground_box {
    f32 x0, z0, x1, z1;
};

static ground_box s_hot[SV_GEOM_OPENINGS + SV_GEOM_FIXTURES];
static u8 s_hot_fixture[SV_GEOM_OPENINGS + SV_GEOM_FIXTURES]; // 0 a ramp, 1 a fixture
static u8 s_hot_index[SV_GEOM_OPENINGS + SV_GEOM_FIXTURES];   // the opening or fixture
static f32 s_hot_lo[SV_GEOM_OPENINGS + SV_GEOM_FIXTURES];     // lowest ground it can give
static f32 s_hot_hi[SV_GEOM_OPENINGS + SV_GEOM_FIXTURES];     // highest
static u32 s_hot_count;

// A ramp's terms in the ground query, worked out once per build (the same values the query
// would work out at each point) and kept by its box's index.
struct ramp_terms {
    f32 foot_x, foot_z;
    f32 tx, tz; // the tangent
    f32 dx, dz; // centre - foot
    f32 det;    // tz dx - tx dz
    f32 half;   // half the width
    f32 rise;
    u8 treads;
    u8 flat; // |det| below 1e-6: the query passes over it
    // For narrowing its heights under a box (span_fast): whether it may narrow at all (the
    // checks that do not depend on the box) and the fraction's change per unit x and z.
    u8 narrows;
    f64 sx, sz;
};
static ramp_terms s_ramp[SV_GEOM_OPENINGS + SV_GEOM_FIXTURES];

// A fixture slope's terms in the ground query, likewise worked out once per build.
struct slope_terms {
    f32 ox, oz; // the origin
    f32 ax, az; // across - origin
    f32 bx, bz; // up - origin
    f32 det;    // ax bz - az bx
    f32 base;   // floor_y + bottom
    f32 span;   // top - bottom
    u8 treads;
    u8 flat; // |det| below 1e-6: the query passes over it
};
static slope_terms s_slope[SV_GEOM_OPENINGS + SV_GEOM_FIXTURES][SV_FIXTURE_SLOPES];
static u8 s_slope_count[SV_GEOM_OPENINGS + SV_GEOM_FIXTURES];
static f32 s_bound2[SV_GEOM_OPENINGS + SV_GEOM_FIXTURES]; // a fixture's bound, squared

static void grow_box(ground_box* b, Vector2 p)
{
    b->x0 = sv_fminf(b->x0, p.x);
    b->z0 = sv_fminf(b->z0, p.y);
    b->x1 = sv_fmaxf(b->x1, p.x);
    b->z1 = sv_fmaxf(b->z1, p.y);
}

// Widens [lo, hi] by floor_y + base + span * f at both ends of f in [0, 1], in the ground
// query's own arithmetic (monotone in f, so the ends bound every height between).
static void hot_span(u32 k, f32 base, f32 span)
{
    f32 a = base + span * 0.0f, b = base + span * 1.0f;
    s_hot_lo[k] = sv_fminf(s_hot_lo[k], sv_fminf(a, b));
    s_hot_hi[k] = sv_fmaxf(s_hot_hi[k], sv_fmaxf(a, b));
}

static void find_hot(const sv_geom* geom)
{
    u32 n = 0;
    for (u32 k = 0; k < SV_GEOM_OPENINGS + SV_GEOM_FIXTURES; ++k) {
        s_hot_lo[k] = geom->floor_y;
        s_hot_hi[k] = geom->floor_y;
    }
    const f32 margin = 0.05f;
    for (u8 k = 0; k < geom->opening_count && k < SV_GEOM_OPENINGS; ++k) {
        const sv_opening* o = &geom->openings[k];
        if (o->bench_sill)
            continue;
        Vector2 t = {o->tangent.x * o->width * 0.5f, o->tangent.y * o->width * 0.5f};
        ground_box b = {o->foot.x, o->foot.y, o->foot.x, o->foot.y};
        grow_box(&b, Vector2 {o->foot.x - t.x, o->foot.y - t.y});
        grow_box(&b, Vector2 {o->foot.x + t.x, o->foot.y + t.y});
        grow_box(&b, Vector2 {o->centre.x - t.x, o->centre.y - t.y});
        grow_box(&b, Vector2 {o->centre.x + t.x, o->centre.y + t.y});
        s_hot_fixture[n] = 0;
        s_hot_index[n] = k;
        ramp_terms* rt = &s_ramp[n];
        rt->foot_x = o->foot.x;
        rt->foot_z = o->foot.y;
        rt->tx = o->tangent.x;
        rt->tz = o->tangent.y;
        rt->dx = o->centre.x - o->foot.x;
        rt->dz = o->centre.y - o->foot.y;
        rt->det = rt->tz * rt->dx - rt->tx * rt->dz;
        rt->half = o->width * 0.5f;
        rt->rise = o->rise;
        rt->treads = o->treads;
        rt->flat = fabsf(rt->det) < 1e-6f;
        const f32 big = 256.0f;
        rt->narrows = fabsf(rt->det) >= 0.05f && fabsf(rt->tx) <= 2.0f && fabsf(rt->tz) <= 2.0f
            && fabsf(rt->foot_x) <= big && fabsf(rt->foot_z) <= big && std::isfinite(rt->rise)
            && std::isfinite(geom->floor_y);
        rt->sx = rt->narrows ? (f64)rt->tz / (f64)rt->det : 0.0;
        rt->sz = rt->narrows ? -(f64)rt->tx / (f64)rt->det : 0.0;
        hot_span(n, geom->floor_y, o->rise);
        s_hot[n++] = b;
    }
    for (u8 k = 0; k < geom->fixture_count && k < SV_GEOM_FIXTURES; ++k) {
        const sv_fixture* f = &geom->fixtures[k];
        u8 polygon = f->standable && f->vertex_count > 0;
        if (!polygon && f->slope_count == 0)
            continue; // a solid without slopes never holds the ground
        ground_box b = {1e30f, 1e30f, -1e30f, -1e30f};
        for (u8 v = 0; polygon && v < f->vertex_count; ++v)
            grow_box(&b, f->polygon[v]);
        if (f->standable)
            hot_span(n, geom->floor_y + f->top, 0.0f);
        s_slope_count[n] = 0;
        for (u8 j = 0; j < f->slope_count && j < SV_FIXTURE_SLOPES; ++j) {
            const sv_slope* sl = &f->slopes[j];
            slope_terms* st = &s_slope[n][j];
            st->ox = sl->origin.x;
            st->oz = sl->origin.y;
            st->ax = sl->across.x - sl->origin.x;
            st->az = sl->across.y - sl->origin.y;
            st->bx = sl->up.x - sl->origin.x;
            st->bz = sl->up.y - sl->origin.y;
            st->det = st->ax * st->bz - st->az * st->bx;
            st->base = geom->floor_y + sl->bottom;
            st->span = sl->top - sl->bottom;
            st->treads = sl->treads;
            st->flat = fabsf(st->det) < 1e-6f;
            s_slope_count[n] = (u8)(j + 1);
            hot_span(n, geom->floor_y + sl->bottom, sl->top - sl->bottom);
            grow_box(&b, sl->origin);
            grow_box(&b, sl->across);
            grow_box(&b, sl->far_corner);
            grow_box(&b, sl->up);
            grow_box(&b,
                     Vector2 {sl->across.x + sl->up.x - sl->origin.x,
                              sl->across.y + sl->up.y - sl->origin.y});
        }
        s_hot_fixture[n] = 1;
        s_hot_index[n] = k;
        s_bound2[n] = f->bound * f->bound;
        s_hot[n++] = b;
    }
    for (u32 k = 0; k < n; ++k) {
        ground_box* b = &s_hot[k];
        *b = ground_box {b->x0 - margin, b->z0 - margin, b->x1 + margin, b->z1 + margin};
        // A box that is not finite (fminf passes over NaN) proves nothing: it covers all.
        if (!(std::isfinite(b->x0) && std::isfinite(b->z0) && std::isfinite(b->x1)
              && std::isfinite(b->z1)))
            *b = ground_box {-INFINITY, -INFINITY, INFINITY, INFINITY};
    }
    s_hot_count = n;
}

static int in_box(const ground_box* b, f32 x, f32 z)
{
    // Every test taken (no branch between them): the same answer, NaN included.
    return !((x < b->x0) | (x > b->x1) | (z < b->z0) | (z > b->z1));
}

// poly_contains on a fixture's footprint, one row at a time: where each side crosses the line
// z = p.y depends on p.y alone, so the crossings of the last height asked are kept (by its
// bits) and each point of that height only counts those right of it. The same expressions in
// the same order as poly_contains, so the same answers.
struct row_crossings {
    u8 known; // 0 until worked out for this build
    u32 z_bits;
    u8 count;
    f32 x[SV_FIXTURE_VERTICES];
};
static row_crossings s_rows[SV_GEOM_FIXTURES];

static void forget_rows(void)
{
    for (u32 k = 0; k < SV_GEOM_FIXTURES; ++k)
        s_rows[k].known = 0;
}

static int footprint_contains(u32 fk, const sv_fixture* f, Vector2 p)
{
    const Vector2* v = f->polygon;
    u8 count = f->vertex_count;
    if (fk >= SV_GEOM_FIXTURES || count > SV_FIXTURE_VERTICES)
        return poly_contains(v, count, p);
    if (count == 0)
        return 0;
    row_crossings* rc = &s_rows[fk];
    u32 bits;
    memcpy(&bits, &p.y, sizeof bits);
    if (!rc->known || rc->z_bits != bits) {
        rc->known = 1;
        rc->z_bits = bits;
        rc->count = 0;
        for (u32 i = 0, j = count - 1u; i < count; j = i++)
            if ((v[i].y > p.y) != (v[j].y > p.y))
                rc->x[rc->count++]
                    = (v[j].x - v[i].x) * (p.y - v[i].y) / (v[j].y - v[i].y) + v[i].x;
    }
    int inside = 0;
    for (u32 k = 0; k < rc->count; ++k)
        inside ^= p.x < rc->x[k];
    return inside;
}

// ceilf(x), bit for bit (every one of the 2^32 inputs was checked, NaNs and signed zeros
// included), without the library call the default target makes of it: below 2^23 in magnitude
// truncation then one step up gives it, and between -1 and 0 it is -0.
static f32 ceil_f32(f32 x)
{
    if (!(fabsf(x) < 8388608.0f))
        return x; // whole already, infinite or NaN
    f32 t = (f32)(i32)x;
    if (t < x)
        t += 1.0f;
    return t == 0.0f ? copysignf(0.0f, x) : t;
}

// Height fraction f stepped into n equal treads, as the ground query takes it.
[[gnu::always_inline]] static inline f32 stepped(f32 f, u8 n)
{
    if (n == 0)
        return f;
    f32 c = ceil_f32(f * (f32)n);
    c = c < 0.0f ? 0.0f : c;
    c = c > (f32)n ? (f32)n : c;
    return c / (f32)n;
}

// Whether ramp o holds (x, z) in the ground query's arithmetic: *s the fraction up it, *a the
// distance across from its middle line, each in its own units.
[[gnu::always_inline]] static inline int ramp_holds(const ramp_terms* o, f32 x, f32 z, f32* s,
                                                    f32* a)
{
    if (o->flat)
        return 0;
    Vector2 p = {x - o->foot_x, z - o->foot_z};
    *s = (o->tz * p.x - o->tx * p.y) / o->det;
    *a = fabsf((o->dx * p.y - o->dz * p.x) / o->det);
    return !(*s < 0.0f || *s > 1.0f || *a > o->half);
}

// sv_geom_ground_on, the same arithmetic in the same order, but over only the ramps and
// fixtures whose boxes hold the point: the others cannot hold it. Ramps come before fixtures
// and each in index order, as the boxes are. The caller names the boxes to look at (in their
// order), which must include every box that holds the point.
static f32 ground_at(const sv_geom* geom, f32 x, f32 z, u16* face, const u8* among, u32 count)
{
    *face = SV_GROUND_FLOOR;
    u32 n = 0;
    while (n < count && !in_box(&s_hot[among[n]], x, z))
        ++n;
    if (n == count)
        return geom->floor_y;
    Vector2 pt = {x, z};
    i32 best = -1;
    f32 best_a = 0.0f, best_h = 0.0f;
    for (; n < count && !s_hot_fixture[among[n]]; ++n) {
        u32 k = among[n];
        if (!in_box(&s_hot[k], x, z))
            continue;
        const ramp_terms* o = &s_ramp[k];
        f32 s, a;
        if (!ramp_holds(o, pt.x, pt.y, &s, &a))
            continue;
        if (best < 0 || a < best_a) {
            best = s_hot_index[k];
            best_a = a;
            best_h = geom->floor_y + o->rise * stepped(s, o->treads);
        }
    }
    if (best >= 0) {
        *face = (u16)(SV_GROUND_RAMP + best);
        return best_h;
    }
    for (; n < count; ++n) {
        u32 k = among[n];
        if (!in_box(&s_hot[k], x, z))
            continue;
        u32 fk = s_hot_index[k];
        const sv_fixture* f = &geom->fixtures[fk];
        Vector2 dc = {pt.x - f->centre.x, pt.y - f->centre.y};
        if (dc.x * dc.x + dc.y * dc.y > s_bound2[k])
            continue;
        for (u32 j = 0; j < s_slope_count[k]; ++j) {
            const slope_terms* sl = &s_slope[k][j];
            if (sl->flat)
                continue;
            Vector2 p = {pt.x - sl->ox, pt.y - sl->oz};
            f32 a = (p.x * sl->bz - p.y * sl->bx) / sl->det;
            f32 b = (sl->ax * p.y - sl->az * p.x) / sl->det;
            if (a < 0.0f || a > 1.0f || b < 0.0f || b > 1.0f)
                continue;
            *face = (u16)(SV_GROUND_SLOPE + 3 * fk + j);
            return sl->base + sl->span * stepped(b, sl->treads);
        }
        if (f->standable && footprint_contains(fk, f, pt)) {
            *face = (u16)(SV_GROUND_TOP + fk);
            return geom->floor_y + f->top;
        }
    }
    return geom->floor_y;
}

// ground_at where the one box that may hold (x, z) is ramp o's: the same arithmetic. *on is
// 1 when the point is on the ramp, 0 when on the floor.
static inline f32 ramp_ground(const ramp_terms* o, const ground_box* box, f32 floor_y, f32 x, f32 z,
                              u8* on)
{
    *on = 0;
    f32 s, a;
    if (!in_box(box, x, z) || !ramp_holds(o, x, z, &s, &a))
        return floor_y;
    *on = 1;
    return floor_y + o->rise * stepped(s, o->treads);
}

// Whether any point within 0.01 of the box (x0, z0)-(x1, z1) may be off the floor.
static int box_hot(f32 x0, f32 z0, f32 x1, f32 z1)
{
    for (u32 k = 0; k < s_hot_count; ++k) {
        const ground_box* b = &s_hot[k];
        if (!(x1 + 0.01f < b->x0 || x0 - 0.01f > b->x1 || z1 + 0.01f < b->z0 || z0 - 0.01f > b->z1))
            return 1;
    }
    return 0;
}

// The boxes that meet the box (x0, z0)-(x1, z1), in order, into among; all of them when a bound
// is NaN (no point is then known to lie outside any box).
static u32 boxes_meeting(f32 x0, f32 z0, f32 x1, f32 z1, u8* among)
{
    u32 n = 0;
    int all = x0 != x0 || z0 != z0 || x1 != x1 || z1 != z1;
    for (u32 k = 0; k < s_hot_count; ++k) {
        const ground_box* b = &s_hot[k];
        if (all || !(x1 < b->x0 || x0 > b->x1 || z1 < b->z0 || z0 > b->z1))
            among[n++] = (u8)k;
    }
    return n;
}

// Narrows [*lo, *hi] to the heights ramp box k can give within the box (x0, z0)-(x1, z1), which
// is mostly far less than its whole rise beside its foot. The fraction s along the ramp is linear
// in the point: over the box it lies between its values at the corners its gradient picks, and
// the ground query's rounded s strays from that by under 0.01 while the coordinates stay below
// 256 and the ramp is not degenerate (else nothing is narrowed); the f64 terms stray by far less
// than the rest of the 0.02 margin. The height is monotone in s in the query's own arithmetic,
// so its values at the ends of the widened range bound every sample's height.
static void span_fast(const sv_geom* geom, u32 k, f32 x0, f32 z0, f32 x1, f32 z1, f32* lo, f32* hi)
{
    const f32 big = 256.0f;
    const ramp_terms* o = &s_ramp[k];
    if (!(o->narrows && fabsf(x0) <= big && fabsf(x1) <= big && fabsf(z0) <= big
          && fabsf(z1) <= big))
        return;
    f64 ax = o->sx * ((f64)x0 - (f64)o->foot_x), bx = o->sx * ((f64)x1 - (f64)o->foot_x);
    f64 az = o->sz * ((f64)z0 - (f64)o->foot_z), bz = o->sz * ((f64)z1 - (f64)o->foot_z);
    f64 smin = (ax < bx ? ax : bx) + (az < bz ? az : bz) - 0.02;
    f64 smax = (ax > bx ? ax : bx) + (az > bz ? az : bz) + 0.02;
    if (smax < 0.0 || smin > 1.0) { // no sample is on the ramp
        *lo = *hi = geom->floor_y;
        return;
    }
    f32 sa = smin < 0.0 ? 0.0f : (f32)smin, sb = smax > 1.0 ? 1.0f : (f32)smax;
    f32 ha = geom->floor_y + o->rise * stepped(sa, o->treads);
    f32 hb = geom->floor_y + o->rise * stepped(sb, o->treads);
    *lo = sv_fminf(geom->floor_y, sv_fminf(ha, hb));
    *hi = sv_fmaxf(geom->floor_y, sv_fmaxf(ha, hb));
}

// A bound on any rise between two ground heights within 0.01 of the box (x0, z0)-(x1, z1):
// the highest height the floor and the items whose boxes touch it can give, less the lowest.
// Infinite when an item's heights are not finite or its box covers everything.
static f32 rise_bound(const sv_geom* geom, f32 x0, f32 z0, f32 x1, f32 z1)
{
    f32 lo = geom->floor_y, hi = geom->floor_y;
    for (u32 k = 0; k < s_hot_count; ++k) {
        const ground_box* b = &s_hot[k];
        if (x1 + 0.01f < b->x0 || x0 - 0.01f > b->x1 || z1 + 0.01f < b->z0 || z0 - 0.01f > b->z1)
            continue;
        if (!std::isfinite(b->x0) || !std::isfinite(s_hot_lo[k]) || !std::isfinite(s_hot_hi[k]))
            return INFINITY;
        f32 klo = s_hot_lo[k], khi = s_hot_hi[k];
        if (!s_hot_fixture[k])
            span_fast(geom, k, x0 - 0.01f, z0 - 0.01f, x1 + 0.01f, z1 + 0.01f, &klo, &khi);
        lo = sv_fminf(lo, klo);
        hi = sv_fmaxf(hi, khi);
    }
    return std::isfinite(hi - lo) ? hi - lo : INFINITY;
}

// Ground of the walkable cells inside the boxes; every other cell keeps the floor it was given.
static void read_ground(const sv_geom* geom)
{
    static u8 s_done[SV_NAV_SIDE + 1];
    u8 row[SV_GEOM_OPENINGS + SV_GEOM_FIXTURES];
    for (i32 j = 0; j < g_grid.height; ++j) {
        f32 z = g_grid.origin_z + ((f32)j + 0.5f) * g_grid.cell;
        // The boxes across this row: only they can hold one of its cell centres.
        u32 in_row = boxes_meeting(-INFINITY, z, INFINITY, z, row);
        u32 boxes = 0;
        for (u32 m = 0; m < in_row; ++m) {
            const ground_box* b = &s_hot[row[m]];
            if (boxes++ == 1)
                memset(s_done, 0, g_grid.width);
            i32 i0
                = floor_index((b->x0 - g_grid.origin_x) / g_grid.cell - 1.0f, 0, g_grid.width - 1);
            i32 i1
                = floor_index((b->x1 - g_grid.origin_x) / g_grid.cell + 1.0f, 0, g_grid.width - 1);
            for (i32 i = i0; i <= i1; ++i) {
                u32 c = (u32)(j * g_grid.width + i);
                if (!g_grid.walkable[c] || (boxes > 1 && s_done[i]))
                    continue;
                Vector2 p = cell_centre(i, j);
                if (!in_box(b, p.x, p.y))
                    continue;
                if (in_row == 1 && !s_hot_fixture[row[0]]) {
                    // One ramp alone across the row: its ground query inline.
                    u8 on;
                    g_grid.ground[c]
                        = ramp_ground(&s_ramp[row[0]], b, geom->floor_y, p.x, p.y, &on);
                    g_grid.ground_face[c]
                        = on ? (u16)(SV_GROUND_RAMP + s_hot_index[row[0]]) : (u16)SV_GROUND_FLOOR;
                } else {
                    g_grid.ground[c]
                        = ground_at(geom, p.x, p.y, &g_grid.ground_face[c], row, in_row);
                }
                s_done[i] = 1;
            }
        }
    }
}

// Erosion -----------------------------------------------------------------------------------

// Cells in [i0, i1] x [j0, j1] covering the box (x0, z0)-(x1, z1) grown by one cell.
static void cell_box(f32 x0, f32 z0, f32 x1, f32 z1, i32* i0, i32* j0, i32* i1, i32* j1)
{
    *i0 = floor_index((x0 - g_grid.origin_x) / g_grid.cell - 1.0f, 0, g_grid.width - 1);
    *i1 = floor_index((x1 - g_grid.origin_x) / g_grid.cell + 1.0f, 0, g_grid.width - 1);
    *j0 = floor_index((z0 - g_grid.origin_z) / g_grid.cell - 1.0f, 0, g_grid.height - 1);
    *j1 = floor_index((z1 - g_grid.origin_z) / g_grid.cell + 1.0f, 0, g_grid.height - 1);
}

// Blocks every cell closer than r to the face; walls are impassable, other faces remember the
// highest top that blocks the cell. A flat face of no height blocks nothing.
static f32 s_near2; // below_root of the radius being eroded by

// The exact test of one cell against the face, and what it blocks.
[[gnu::always_inline]] static inline void erode_cell(const sv_geom* geom, const sv_face* face,
                                                     Vector2 p0, Vector2 p1, u8 wall, u8 low_top,
                                                     i32 i, i32 j)
{
    u32 idx = (u32)(j * g_grid.width + i);
    // A wall changes nothing in a cell already impassable (outside the floor, mostly), and
    // neither does a face whose tops all come out below 1e9 (low_top).
    if ((wall || low_top) && !g_grid.walkable[idx] && g_grid.obstacle_top[idx] == 1e9f)
        return;
    Vector2 c = cell_centre(i, j);
    f32 t;
    if (!(seg_dist2(c, p0, p1, &t) <= s_near2))
        return;
    g_grid.walkable[idx] = 0;
    if (wall) {
        g_grid.obstacle_top[idx] = 1e9f;
    } else {
        // sv_geom_face_top(face, c), its fraction along the face being t.
        f32 top
            = geom->floor_y + (face->top0 + (face->top1 - face->top0) * stepped(t, face->treads));
        if (top > g_grid.obstacle_top[idx])
            g_grid.obstacle_top[idx] = top;
    }
}

static f64 min64(f64 a, f64 b)
{
    return b < a ? b : a;
}

static f64 max64(f64 a, f64 b)
{
    return b > a ? b : a;
}

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

// x of the centres of column i, as cell_centre computes it.
static f32 centre_x(i32 i)
{
    return g_grid.origin_x + ((f32)i + 0.5f) * g_grid.cell;
}

// The first column in [c0, c1 + 1] whose centre is at or right of v (centres never decrease
// along a row); from a guess, corrected by comparing the centres themselves.
[[gnu::always_inline]] static inline i32 first_column_from(f64 v, f64 inv_cell, i32 c0, i32 c1)
{
    i32 i = clamp_index((v - (f64)g_grid.origin_x) * inv_cell - 0.5, c0, c1 + 1);
    while (i > c0 && (f64)centre_x(i - 1) >= v)
        --i;
    while (i <= c1 && (f64)centre_x(i) < v)
        ++i;
    return i;
}

// The last column in [c0 - 1, c1] whose centre is at or left of v.
[[gnu::always_inline]] static inline i32 last_column_to(f64 v, f64 inv_cell, i32 c0, i32 c1)
{
    i32 i = clamp_index((v - (f64)g_grid.origin_x) * inv_cell - 0.5, c0 - 1, c1);
    while (i < c1 && (f64)centre_x(i + 1) <= v)
        ++i;
    while (i >= c0 && (f64)centre_x(i) > v)
        --i;
    return i;
}

static void erode(const sv_geom* geom, const sv_face* face, u8 wall, f32 radius)
{
    if (!wall && face->top0 == face->bottom0 && face->top1 == face->bottom1)
        return;
    Vector2 p0 = face->p0, p1 = face->p1;
    i32 i0, j0, i1, j1;
    cell_box(sv_fminf(p0.x, p1.x) - radius, sv_fminf(p0.y, p1.y) - radius,
             sv_fmaxf(p0.x, p1.x) + radius, sv_fmaxf(p0.y, p1.y) + radius, &i0, &j0, &i1, &j1);
    f32 dx = p1.x - p0.x, dz = p1.y - p0.y;
    f32 reach = radius * 1.001f + 1e-4f; // a margin over rounding: the exact test decides
    // Tops of magnitude below 1e8 sum to less than 1e9, whatever the rounding.
    u8 low_top = !wall && fabsf(geom->floor_y) < 1e8f && fabsf(face->top0) < 1e8f
        && fabsf(face->top1) < 1e8f;

    // Only cells near the edge of the face's reach are tested one by one. The f32 distance the
    // exact test takes is within 60 u M of the true one (u = 2^-24, M the largest magnitude of
    // a coordinate of the face or of a centre in its box): the point it measures to lies within
    // 5 u (M + L) of a point of the face (L, the face's length, is below 3 M), its fraction
    // along the face is off by at most 11 u |c - p0| / L (which moves that point along the face
    // by at most 31 u M), and the last steps add 3 u of the distance. Centres nearer than the
    // root of s_near2 by 256 u M (and 2^-20 of it) certainly pass, and centres farther by as
    // much certainly fail; spans are found in f64, far finer than that. A wall just blocks the
    // cells that certainly pass; other faces still need each one's fraction. A face or grid of
    // coordinates too large or not finite is tested cell by cell.
    f64 m = max64(max64(fabs((f64)p0.x), fabs((f64)p0.y)), max64(fabs((f64)p1.x), fabs((f64)p1.y)));
    m = max64(m, max64(fabs((f64)centre_x(i0)), fabs((f64)centre_x(i1))));
    m = max64(m,
              max64(fabs((f64)(g_grid.origin_z + ((f32)j0 + 0.5f) * g_grid.cell)),
                    fabs((f64)(g_grid.origin_z + ((f32)j1 + 0.5f) * g_grid.cell))));
    int spans = s_near2 > 1e-6f && m < 1e6 && std::isfinite(dx) && std::isfinite(dz)
        && std::isfinite(g_grid.origin_x) && std::isfinite(g_grid.origin_z)
        && std::isfinite(g_grid.cell); // false for NaN too
    // The rows and columns below are first narrowed to those near the face in f32, as the
    // exact test's own margin (reach) allows. A cell that passes is never outside them when
    // that margin beats the rounding of both: the cell is within R + 60 u M of the face, the
    // narrowing errs by at most 8 u (M + reach) in z (and has a cell to spare in x), and
    // R < radius (1 + u); 256 u M against 0.0009 radius + 1e-4 is over three times what that
    // needs. Then the spans alone give the same cells, without the narrowing's divisions.
    int narrow = !spans || !(m * 0x1p-16 <= 1e-4 + 0.0009 * (f64)radius);
    int sure = 0; // whether some cells certainly pass (walls only)
    capsule cap {};
    f64 inv_cell = 1.0 / (f64)g_grid.cell;
    f64 z_lo = 0.0, z_hi = 0.0; // the capsule's rows
    if (spans) {
        f64 root = sqrt((f64)s_near2);
        f64 margin = m * 0x1p-16 + 1e-20;
        // A face shorter than the exact test measures is its first point there.
        f64 sdx = 0.0, sdz = 0.0;
        if (dx * dx + dz * dz > 1e-9f) {
            sdx = (f64)p1.x - (f64)p0.x;
            sdz = (f64)p1.y - (f64)p0.y;
        }
        f64 rho_in = root * (1.0 - 0x1p-20) - margin;
        sure = wall && rho_in > 0.0;
        f64 rho_out = root * (1.0 + 0x1p-20) + margin;
        capsule_set(&cap, p0.x, p0.y, sdx, sdz, rho_out, sure ? rho_in : 0.0);
        z_lo = min64(cap.az, cap.bz) - rho_out;
        z_hi = max64(cap.az, cap.bz) + rho_out;
    }

    for (i32 j = j0; j <= j1; ++j) {
        f32 z = g_grid.origin_z + ((f32)j + 0.5f) * g_grid.cell;
        if (spans && !narrow && !((f64)z >= z_lo && (f64)z <= z_hi))
            continue;
        i32 c0 = i0, c1 = i1;
        if (narrow) {
            // A cell centre within r of the segment is within r in z of the part of the segment
            // it is nearest to, and within r in x of it: only those columns are tested.
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
                    continue;
            } else if (!(fabsf(p0.y - z) <= reach + 1e-6f)) {
                continue;
            }
            f32 xa = p0.x + ta * dx, xb = p0.x + tb * dx;
            c0 = floor_index((sv_fminf(xa, xb) - reach - g_grid.origin_x) / g_grid.cell - 1.0f, i0,
                             i1);
            c1 = floor_index((sv_fmaxf(xa, xb) + reach - g_grid.origin_x) / g_grid.cell + 1.0f, i0,
                             i1);
        }
        if (!spans) {
            for (i32 i = c0; i <= c1; ++i)
                erode_cell(geom, face, p0, p1, wall, low_top, i, j);
            continue;
        }
        f64 lo[2], hi[2];
        capsule_span(&cap, z, sure, lo, hi);
        if (!(lo[0] <= hi[0]))
            continue;
        i32 a, b, ia, ib; // [a, b] may pass, [ia, ib] certainly passes
        if (sure && lo[1] <= hi[1]
            && (ia = first_column_from(lo[1], inv_cell, c0, c1))
                <= (ib = last_column_to(hi[1], inv_cell, c0, c1))) {
            // The span that may pass is the one that certainly does and a sliver either side.
            a = ia;
            b = ib;
            while (a > c0 && (f64)centre_x(a - 1) >= lo[0])
                --a;
            while (b < c1 && (f64)centre_x(b + 1) <= hi[0])
                ++b;
        } else {
            a = first_column_from(lo[0], inv_cell, c0, c1);
            b = last_column_to(hi[0], inv_cell, c0, c1);
            ia = b + 1;
            ib = b;
        }
        for (i32 i = a; i < ia; ++i)
            erode_cell(geom, face, p0, p1, wall, low_top, i, j);
        u32 row = (u32)(j * g_grid.width);
        for (i32 i = ia; i <= ib; ++i) {
            g_grid.walkable[row + (u32)i] = 0;
            g_grid.obstacle_top[row + (u32)i] = 1e9f;
        }
        for (i32 i = ib + 1; i <= b; ++i)
            erode_cell(geom, face, p0, p1, wall, low_top, i, j);
    }
}

// Cells whose centres lie inside a solid fixture's footprint are impassable.
static void fill_solid(u32 fk, const sv_fixture* f)
{
    if (f->vertex_count == 0)
        return;
    f32 x0 = f->polygon[0].x, x1 = x0, z0 = f->polygon[0].y, z1 = z0;
    for (u8 v = 1; v < f->vertex_count; ++v) {
        x0 = sv_fminf(x0, f->polygon[v].x);
        x1 = sv_fmaxf(x1, f->polygon[v].x);
        z0 = sv_fminf(z0, f->polygon[v].y);
        z1 = sv_fmaxf(z1, f->polygon[v].y);
    }
    i32 i0, j0, i1, j1;
    cell_box(x0, z0, x1, z1, &i0, &j0, &i1, &j1);
    for (i32 j = j0; j <= j1; ++j) {
        for (i32 i = i0; i <= i1; ++i) {
            if (!footprint_contains(fk, f, cell_centre(i, j)))
                continue;
            u32 idx = (u32)(j * g_grid.width + i);
            g_grid.walkable[idx] = 0;
            g_grid.obstacle_top[idx] = 1e9f;
        }
    }
}

static void erode_all(const sv_geom* geom, f32 radius)
{
    s_near2 = below_root(radius);
    for (u8 e = 0; e < geom->vertex_count; ++e) {
        sv_segment pieces[2];
        u8 count = sv_geom_wall_pieces(geom, e, pieces);
        for (u8 k = 0; k < count; ++k) {
            sv_face wall;
            memset(&wall, 0, sizeof wall);
            wall.p0 = pieces[k].a;
            wall.p1 = pieces[k].b;
            erode(geom, &wall, 1, radius);
        }
    }
    for (u8 k = 0; k < geom->opening_count; ++k)
        for (u8 side = 0; side < 2; ++side)
            erode(geom, &geom->ramp_sides[k][side], 0, radius);
    for (u8 k = 0; k < geom->fixture_count; ++k) {
        const sv_fixture* f = &geom->fixtures[k];
        for (u8 i = 0; i < f->face_count; ++i)
            erode(geom, &f->faces[i], 0, radius);
        if (!f->standable)
            fill_solid(k, f);
    }
}

// Islands -----------------------------------------------------------------------------------

// Runs of walkable cells in one row, joined into 4-connected patches by union-find: runs in
// adjacent rows that share a column belong to one patch. At most 128 runs fit in a row of 255.
#define NAV_RUNS (SV_NAV_SIDE * 128 + 1)
static u16 s_run_a[NAV_RUNS], s_run_b[NAV_RUNS]; // columns [a, b)
static u8 s_run_row[NAV_RUNS];
static u32 s_run_parent[NAV_RUNS];
static u32 s_run_size[NAV_RUNS];

static u32 run_root(u32 r)
{
    while (s_run_parent[r] != r) {
        s_run_parent[r] = s_run_parent[s_run_parent[r]];
        r = s_run_parent[r];
    }
    return r;
}

// Drops every 4-connected patch of walkable cells too small to hold the body's disc.
static void drop_islands(f32 radius)
{
    f64 disc = 3.1415927f * radius * radius / (g_grid.cell * g_grid.cell);
    u32 min_cells = (u32)clamp_index(disc, 0, SV_NAV_CELLS) + 1;
    u32 w = g_grid.width, h = g_grid.height;
    u32 runs = 0, prev_first = 0, prev_end = 0;
    for (u32 j = 0; j < h; ++j) {
        const u8* row = &g_grid.walkable[j * w];
        u32 first = runs;
        for (u32 i = 0; i < w;) {
            // Walkable cells hold exactly 1 and the others 0: each run's ends are found at once.
            const u8* on = (const u8*)memchr(row + i, 1, w - i);
            if (!on)
                break;
            u32 start = (u32)(on - row);
            const u8* off = (const u8*)memchr(on, 0, w - start);
            i = off ? (u32)(off - row) : w;
            s_run_a[runs] = (u16)start;
            s_run_b[runs] = (u16)i;
            s_run_row[runs] = (u8)j;
            s_run_parent[runs] = runs;
            s_run_size[runs] = i - start;
            ++runs;
        }
        // Join with the runs of the row above that share a column.
        u32 p = prev_first;
        for (u32 r = first; r < runs; ++r) {
            while (p < prev_end && s_run_b[p] <= s_run_a[r])
                ++p;
            for (u32 q = p; q < prev_end && s_run_a[q] < s_run_b[r]; ++q) {
                u32 x = run_root(r), y = run_root(q);
                if (x != y) {
                    if (y < x) {
                        u32 t = x;
                        x = y;
                        y = t;
                    }
                    s_run_parent[y] = x;
                    s_run_size[x] += s_run_size[y];
                }
            }
        }
        prev_first = first;
        prev_end = runs;
    }
    for (u32 r = 0; r < runs; ++r) {
        if (s_run_size[run_root(r)] >= min_cells)
            continue;
        memset(&g_grid.walkable[(u32)s_run_row[r] * w + s_run_a[r]], 0, s_run_b[r] - s_run_a[r]);
    }
}

// Rectangles --------------------------------------------------------------------------------

// Fills n values with v.
static void fill_u16(u16* d, u32 n, u16 v)
{
    for (u32 i = 0; i < n; ++i)
        d[i] = v;
}

// The rectangles from rows above that reach the row being merged, by first column: the
// cells they hold in it split it into free spans. Their columns and last row are kept beside
// the id, so that walking a row reads no rectangle.
struct active_rect {
    u16 x0, x1, z1, id;
};
static active_rect s_active[2][SV_NAV_RECTS];

// Greedy rectangles: grow right, then down while a whole row of the same face follows.
static void merge_rects(void)
{
    u16 w = g_grid.width, h = g_grid.height;
    active_rect* active = s_active[0];
    active_rect* next = s_active[1];
    u32 na = 0;
    for (u16 j = 0; j < h; ++j) {
        const u8* walk = &g_grid.walkable[(u32)j * w];
        const u16* faces = &g_grid.ground_face[(u32)j * w];
        u32 nn = 0;
        u16 i = 0;
        for (u32 a = 0;; ++a) {
            // The free span [i, lim) before the next rectangle from above (or the row's end).
            u16 lim = a < na ? active[a].x0 : w;
            while (i < lim) {
                if (g_grid.rect_count >= SV_NAV_RECTS)
                    return;
                if (!walk[i]) {
                    // Walkable cells hold exactly 1: find the next one in the span at once.
                    const void* on = memchr(&walk[i], 1, (size_t)(lim - i));
                    if (!on)
                        break;
                    i = (u16)((const u8*)on - walk);
                    continue;
                }
                u16 face = faces[i];
                u16 x1 = (u16)(i + 1);
                while (x1 < lim && walk[x1] && faces[x1] == face)
                    ++x1;
                // Below this row no cell of columns [i, x1) is taken yet: a rectangle from a row
                // above reaching lower would hold them in this row too, and those of this row
                // lie to the left. Only the walkable flag and the face decide.
                u16 id = (u16)g_grid.rect_count++;
                u16 z1 = (u16)(j + 1);
                u32 c = (u32)j * w + i;
                if (x1 == i + 1) {
                    // One column (most of them): a cell a row.
                    g_grid.rect_of_cell[c] = id;
                    for (c += w; z1 < h && g_grid.walkable[c] && g_grid.ground_face[c] == face;
                         ++z1, c += w)
                        g_grid.rect_of_cell[c] = id;
                } else {
                    fill_u16(&g_grid.rect_of_cell[c], (u32)(x1 - i), id);
                    for (; z1 < h; ++z1) {
                        u32 d = (u32)z1 * w + i, d1 = (u32)z1 * w + x1;
                        while (d < d1 && g_grid.walkable[d] && g_grid.ground_face[d] == face)
                            ++d;
                        if (d < d1)
                            break;
                        fill_u16(&g_grid.rect_of_cell[(u32)z1 * w + i], (u32)(x1 - i), id);
                    }
                }
                g_grid.rects[id] = sv_nav_rect {i, j, x1, z1, face, 0, 0};
                if (z1 > j + 1)
                    next[nn++] = active_rect {i, x1, z1, id};
                i = x1;
            }
            if (a >= na)
                break;
            if (active[a].z1 > j + 1)
                next[nn++] = active[a];
            i = active[a].x1;
        }
        active_rect* t = active;
        active = next;
        next = t;
        na = nn;
    }
}

// Links -------------------------------------------------------------------------------------

// Largest single rise between the n + 2 heights ground(x, z) gives from a to a + (dx, dz), at
// least 0; some value above limit as soon as one passes it.
template <typename Ground>
static f32 rise_along(Vector2 a, f32 dx, f32 dz, u32 n, f32 limit, Ground ground)
{
    f32 prev = ground(a.x, a.y), rise = 0.0f;
    for (u32 i = 1; i <= n + 1; ++i) {
        f32 t = (f32)i / (f32)(n + 1);
        f32 g = ground(a.x + t * dx, a.y + t * dz);
        if (g - prev > rise) {
            rise = g - prev;
            if (rise > limit)
                return rise;
        }
        prev = g;
    }
    return rise;
}

// Largest single rise of the ground between samples half a cell apart from a to b, at least 0;
// once it passes limit, some value above limit (the rest of the samples cannot bring it back
// down, and the caller asks no more than whether it passed).
static f32 ground_rise(const sv_geom* geom, Vector2 a, Vector2 b, f32 limit)
{
    // Every sample lies in the box of a and b: on the floor throughout, nothing rises.
    if (!box_hot(sv_fminf(a.x, b.x), sv_fminf(a.y, b.y), sv_fmaxf(a.x, b.x), sv_fmaxf(a.y, b.y)))
        return 0.0f;
    f32 dx = b.x - a.x, dz = b.y - a.y;
    f32 len = sqrtf(dx * dx + dz * dz);
    u32 n = (u32)clamp_index(len / (g_grid.cell * 0.5f), 0, 4 * SV_NAV_SIDE);
    // Each coordinate of the samples moves one way from a to its value at t = 1 (rounding keeps
    // that order): the boxes meeting the box of those two ends are all that can hold one.
    u8 among[SV_GEOM_OPENINGS + SV_GEOM_FIXTURES];
    f32 ex = a.x + 1.0f * dx, ez = a.y + 1.0f * dz;
    u32 count = boxes_meeting(sv_fminf(a.x, ex), sv_fminf(a.y, ez), sv_fmaxf(a.x, ex),
                              sv_fmaxf(a.y, ez), among);
    if (count == 0)
        return 0.0f; // no sample leaves the floor
    if (count == 1 && !s_hot_fixture[among[0]]) {
        // One ramp alone, the common case beside a ramp: its ground query inline.
        const ground_box* box = &s_hot[among[0]];
        const ramp_terms* o = &s_ramp[among[0]];
        f32 floor_y = geom->floor_y;
        u8 on;
        return rise_along(a, dx, dz, n, limit,
                          [&](f32 x, f32 z) { return ramp_ground(o, box, floor_y, x, z, &on); });
    }
    u16 face;
    return rise_along(a, dx, dz, n, limit,
                      [&](f32 x, f32 z) { return ground_at(geom, x, z, &face, among, count); });
}

// What lies across one side position: the target rectangle (-1 none) and the gap width.
struct side_target {
    i32 to;
    u8 gap;
    i32 gap_cells;
};

static side_target probe(const sv_geom* geom, u16 rect, i32 i, i32 j, i32 dx, i32 dz, i32 reach)
{
    side_target none = {-1, 0, 0};
    u32 e = (u32)(j * g_grid.width + i);
    f32 step = g_grid.step;
    f32 ge = g_grid.ground[e];
    // The cells across, out to reach or to the grid's edge, past which nothing is found.
    i32 room = dx > 0 ? g_grid.width - 1 - i : (dx < 0 ? i : (dz > 0 ? g_grid.height - 1 - j : j));
    i32 last = reach < room ? reach : room;
    i32 stride = dx + dz * (i32)g_grid.width;
    f32 band = ge + step + 0.001f;
    i32 k = 1;
    u32 c = e;
    for (; k <= last; ++k) {
        c += (u32)stride;
        if (g_grid.walkable[c])
            break;
        // A band cell too high to step over: no target beyond it can be reached.
        if (!(g_grid.obstacle_top[c] <= band))
            return none;
    }
    if (k > last || g_grid.rect_of_cell[c] == rect || g_grid.rect_of_cell[c] == SV_NONE16)
        return none;
    f32 rise;
    if (k == 1) {
        rise = g_grid.ground[c] - ge;
    } else {
        Vector2 a = cell_centre(i, j), b = cell_centre(i + k * dx, j + k * dz);
        f32 px = (f32)dz * g_grid.cell, pz = (f32)dx * g_grid.cell;
        // When no two heights near the step and its neighbours differ by more than a step,
        // no sample can tell: the step passes without sampling.
        f32 bx0 = sv_fminf(sv_fminf(a.x, b.x) - px, sv_fminf(a.x, b.x) + px);
        f32 bx1 = sv_fmaxf(sv_fmaxf(a.x, b.x) - px, sv_fmaxf(a.x, b.x) + px);
        f32 bz0 = sv_fminf(sv_fminf(a.y, b.y) - pz, sv_fminf(a.y, b.y) + pz);
        f32 bz1 = sv_fmaxf(sv_fmaxf(a.y, b.y) - pz, sv_fmaxf(a.y, b.y) + pz);
        if (rise_bound(geom, bx0, bz0, bx1, bz1) <= step + 0.0001f)
            return side_target {g_grid.rect_of_cell[c], 1, k - 1};
        // Only whether the largest rise passes the limit matters: once one line's does, the
        // others cannot change the answer.
        const f32 limit = step + 0.0001f;
        rise = ground_rise(geom, a, b, limit);
        if (rise > 0.001f && !(rise > limit)) {
            for (f32 s = -1.0f; s <= 1.0f && !(rise > limit); s += 2.0f) {
                f32 r = ground_rise(geom, Vector2 {a.x + s * px, a.y + s * pz},
                                    Vector2 {b.x + s * px, b.y + s * pz}, limit);
                if (r > rise)
                    rise = r;
            }
        }
    }
    if (!(rise <= step + 0.0001f))
        return none;
    return side_target {g_grid.rect_of_cell[c], (u8)(k > 1), k - 1};
}

// One link for the run of positions [first, last] of a side, while the table has room.
static void add_link(u16 rect, i32 dx, i32 dz, i32 first, i32 last, side_target t)
{
    if (t.to < 0 || g_grid.link_count >= SV_NAV_LINKS)
        return;
    const sv_nav_rect* r = &g_grid.rects[rect];
    f32 cell = g_grid.cell;
    sv_nav_link* l = &g_grid.links[g_grid.link_count++];
    l->to = (u16)t.to;
    l->gap = t.gap;
    Vector2 a, b;
    if (dx != 0) {
        f32 x = g_grid.origin_x + (f32)(dx > 0 ? r->x1 : r->x0) * cell;
        a = Vector2 {x, g_grid.origin_z + (f32)(r->z0 + first) * cell};
        b = Vector2 {x, g_grid.origin_z + (f32)(r->z0 + last + 1) * cell};
    } else {
        f32 z = g_grid.origin_z + (f32)(dz > 0 ? r->z1 : r->z0) * cell;
        a = Vector2 {g_grid.origin_x + (f32)(r->x0 + first) * cell, z};
        b = Vector2 {g_grid.origin_x + (f32)(r->x0 + last + 1) * cell, z};
    }
    Vector2 mid = {(a.x + b.x) * 0.5f, (a.y + b.y) * 0.5f};
    l->a = t.gap ? mid : a;
    l->b = t.gap ? mid : b;
    f32 out = ((f32)t.gap_cells + 0.5f) * cell;
    l->landing = Vector2 {mid.x + (f32)dx * out, mid.y + (f32)dz * out};
    g_grid.rects[rect].link_count++;
}

// Whether every cell of a ground face has one ground height: the floor (floor_y) and a
// standable top (floor_y + its top), each written by one expression; ramps and slopes vary.
static int level_face(u16 face)
{
    return face == SV_GROUND_FLOOR || face >= SV_GROUND_TOP;
}

// Links across one side of a rectangle: one per run of positions with the same target. Most
// positions are settled by the cell just across the side (a walkable neighbour, or a band cell
// too high to step over); only the others walk the probe.
// Inlined at each of its four calls, where the side is a constant that settles its branches.
[[gnu::always_inline]] static inline void links_on_edge(const sv_geom* geom, u16 rect, i32 dx,
                                                        i32 dz, i32 reach)
{
    const sv_nav_rect* r = &g_grid.rects[rect];
    i32 count = dx != 0 ? r->z1 - r->z0 : r->x1 - r->x0;
    i32 i0 = dx != 0 ? (dx > 0 ? r->x1 - 1 : r->x0) : r->x0;
    i32 j0 = dx != 0 ? r->z0 : (dz > 0 ? r->z1 - 1 : r->z0);
    // The row or column across the side is off the grid: every probe finds nothing.
    if (count <= 0 || reach < 1 || i0 + dx < 0 || j0 + dz < 0 || i0 + dx >= g_grid.width
        || j0 + dz >= g_grid.height)
        return;
    const i32 w = g_grid.width;
    const i32 along = dx != 0 ? w : 1, out = dx + dz * w;
    const f32 step = g_grid.step;
    const u8* walkable = g_grid.walkable;
    const u16* rect_of = g_grid.rect_of_cell;
    const f32* ground = g_grid.ground;
    const f32* top = g_grid.obstacle_top;
    const f32 limit = step + 0.0001f;
    i32 run_first = 0;
    side_target run = {-1, 0, 0};
    // Ends the run before pos when t differs from it.
    auto note = [&](i32 pos, side_target t) {
        if (pos > 0 && (t.to != run.to || t.gap != run.gap || t.gap_cells != run.gap_cells)) {
            if (run.to >= 0)
                add_link(rect, dx, dz, run_first, pos - 1, run);
            run_first = pos;
        }
        run = t;
    };
    u32 e = (u32)(j0 * w + i0);
    for (i32 pos = 0; pos < count;) {
        u32 c = e + (u32)out;
        if (walkable[c]) {
            u16 to = rect_of[c];
            if (to == rect || to == SV_NONE16) {
                note(pos, side_target {-1, 0, 0});
            } else {
                // The neighbour rectangle lies across every position up to its far end: only
                // the rise from each cell to the one across is left to test.
                const sv_nav_rect* q = &g_grid.rects[to];
                i32 end = dx != 0 ? q->z1 - r->z0 : q->x1 - r->x0;
                end = end < count ? end : count;
                if (level_face(r->face) && level_face(q->face)) {
                    // Each side holds one height throughout: one rise stands for the span.
                    note(pos,
                         ground[c] - ground[e] <= limit ? side_target {to, 0, 0}
                                                        : side_target {-1, 0, 0});
                    e += (u32)along * (u32)(end - pos);
                    pos = end;
                    continue;
                }
                for (; pos < end; ++pos, e += (u32)along) {
                    int ok = ground[e + (u32)out] - ground[e] <= limit;
                    if (ok && pos > 0 && run.to == to && run.gap == 0 && run.gap_cells == 0)
                        continue; // the run goes on
                    note(pos, ok ? side_target {to, 0, 0} : side_target {-1, 0, 0});
                }
                continue;
            }
        } else if (top[c] <= ground[e] + step + 0.001f) {
            note(pos,
                 probe(geom, rect, i0 + (dx != 0 ? 0 : pos), j0 + (dx != 0 ? pos : 0), dx, dz,
                       reach));
        } else {
            note(pos, side_target {-1, 0, 0});
        }
        ++pos;
        e += (u32)along;
    }
    if (run.to >= 0)
        add_link(rect, dx, dz, run_first, count - 1, run);
}

// All links, by source rectangle and side (+x, -x, +z, -z), then the incoming lists.
static void links(const sv_geom* geom)
{
    g_grid.link_count = 0;
    f64 span = ceil((2.0 * g_grid.radius + g_grid.cell) / g_grid.cell);
    i32 reach = clamp_index(span, 0, SV_NAV_SIDE) + 2; // cells a probe looks across
    for (u32 r = 0; r < g_grid.rect_count; ++r) {
        g_grid.rects[r].first_link = g_grid.link_count;
        g_grid.rects[r].link_count = 0;
        links_on_edge(geom, (u16)r, 1, 0, reach);
        links_on_edge(geom, (u16)r, -1, 0, reach);
        links_on_edge(geom, (u16)r, 0, 1, reach);
        links_on_edge(geom, (u16)r, 0, -1, reach);
    }
    u32* start = g_grid.incoming_start;
    memset(start, 0, sizeof(u32) * (g_grid.rect_count + 1));
    for (u32 k = 0; k < g_grid.link_count; ++k)
        start[g_grid.links[k].to + 1]++;
    for (u32 r = 0; r < g_grid.rect_count; ++r)
        start[r + 1] += start[r];
    static u32 s_fill[SV_NAV_RECTS];
    memcpy(s_fill, start, sizeof(u32) * g_grid.rect_count);
    for (u32 r = 0; r < g_grid.rect_count; ++r) {
        const sv_nav_rect* rc = &g_grid.rects[r];
        for (u32 k = rc->first_link; k < rc->first_link + rc->link_count; ++k)
            g_grid.incoming[s_fill[g_grid.links[k].to]++] = (u16)r;
    }
}

// Building ----------------------------------------------------------------------------------

// Bounds, cell size and the empty grid; a polygon with a non-finite vertex gets no cells.
static void lay_out(const sv_geom* geom)
{
    f32 x0 = geom->vertices[0].x, x1 = x0, z0 = geom->vertices[0].y, z1 = z0;
    for (u8 v = 1; v < geom->vertex_count; ++v) {
        x0 = sv_fminf(x0, geom->vertices[v].x);
        x1 = sv_fmaxf(x1, geom->vertices[v].x);
        z0 = sv_fminf(z0, geom->vertices[v].y);
        z1 = sv_fmaxf(z1, geom->vertices[v].y);
    }
    g_grid.origin_x = x0;
    g_grid.origin_z = z0;
    g_grid.width = g_grid.height = 0;
    g_grid.cell = SV_NAV_CELL;
    f32 ex = x1 - x0, ez = z1 - z0;
    for (u8 v = 0; v < geom->vertex_count; ++v)
        if (!std::isfinite(geom->vertices[v].x) || !std::isfinite(geom->vertices[v].y))
            return;
    if (!std::isfinite(ex) || !std::isfinite(ez))
        return;
    g_grid.cell = sv_fmaxf(sv_fmaxf(ex / 254.0f, ez / 254.0f), SV_NAV_CELL);
    g_grid.width = (u16)(clamp_index(ex / g_grid.cell, 0, SV_NAV_SIDE - 1) + 1);
    g_grid.height = (u16)(clamp_index(ez / g_grid.cell, 0, SV_NAV_SIDE - 1) + 1);
}

// The cell arrays of one grid in one allocation: the f32 arrays, then the u16 ones, then the
// bytes, each aligned.
struct cell_layout {
    u64 obstacle_top, ground, ground_face, rect_of_cell, walkable, size;
};

static cell_layout cells_for(u32 cells)
{
    cell_layout c;
    c.obstacle_top = 0;
    c.ground = c.obstacle_top + sizeof(f32) * cells;
    c.ground_face = c.ground + sizeof(f32) * cells;
    c.rect_of_cell = c.ground_face + sizeof(u16) * cells;
    c.walkable = c.rect_of_cell + sizeof(u16) * cells;
    c.size = c.walkable + cells;
    return c;
}

static void attach_cells(u8* b, u32 cells)
{
    cell_layout c = cells_for(cells);
    g_grid.obstacle_top = (f32*)(b + c.obstacle_top);
    g_grid.ground = (f32*)(b + c.ground);
    g_grid.ground_face = (u16*)(b + c.ground_face);
    g_grid.rect_of_cell = (u16*)(b + c.rect_of_cell);
    g_grid.walkable = b + c.walkable;
}

// The cells the next build writes. A grid that is kept takes them with it, so keeping copies only
// its rectangles, links and record; without memory for them the build writes the store's.
static u8* s_cells;
static u64 s_cells_size;

static void build(const sv_geom* geom, f32 radius)
{
    nav_grid_attach(&g_grid, &s_store);
    lay_out(geom);
    u32 cells = (u32)g_grid.width * g_grid.height;
    u64 need = cells_for(cells).size;
    if (need > s_cells_size) {
        free(s_cells);
        s_cells = (u8*)malloc(need);
        s_cells_size = s_cells ? need : 0;
    }
    if (s_cells)
        attach_cells(s_cells, cells);
    memset(g_grid.walkable, 0, cells);
    memset(g_grid.ground_face, 0, sizeof(u16) * cells);
    static_assert(SV_NONE16 == 0xFFFF, "rect_of_cell is cleared bytewise");
    memset(g_grid.rect_of_cell, 0xFF, sizeof(u16) * cells);
    f32 floor_y = geom->floor_y;
    fill_f32(g_grid.obstacle_top, cells, 1e9f);
    fill_f32(g_grid.ground, cells, floor_y);
    g_grid.rect_count = 0;
    g_grid.link_count = 0;
    g_grid.incoming_start[0] = 0;
    if (cells == 0)
        return;
    forget_rows();
    rasterise(geom);
    erode_all(geom, radius);
    drop_islands(radius);
    find_hot(geom);
    read_ground(geom);
    merge_rects();
    links(geom);
}

// Grids kept --------------------------------------------------------------------------------

// The grids of the places in play, kept compact (only the cells, rectangles and links a grid
// has, beside the record it was built from) so that going back to a place costs a lookup
// instead of a build. Least recently used ones go first once SV_NAV_KEPT grids or SV_NAV_KEPT_BYTES
// bytes are held; a grid larger than the byte bound is never kept.
struct kept_grid {
    u64 hash; // of the record, radius and step; 0 for an unused entry
    u64 used_at;
    f32 radius, step;
    f32 origin_x, origin_z, cell;
    u16 width, height;
    u32 rect_count, link_count;
    u8* bytes; // the record, the rectangles and the links (see kept_layout)
    u8* cells; // the cell arrays (see cells_for)
    u64 size;  // bytes of both
};

struct kept_state {
    kept_grid grids[SV_NAV_KEPT];
    u64 bytes;
    u64 clock;
    u64 restores;
};

static kept_state g_kept;
static kept_grid* s_in_use; // the kept grid the working grid reads, if any

// Byte offsets of the arrays in a kept grid's buffer, widest alignment first.
struct kept_layout {
    u64 links, rects, incoming_start, record, incoming, size;
};

static kept_layout layout_for(u32 rect_count, u32 link_count)
{
    kept_layout l;
    u64 at = 0;
    l.links = at;
    at += sizeof(sv_nav_link) * link_count;
    l.rects = at;
    at += sizeof(sv_nav_rect) * rect_count;
    l.incoming_start = at;
    at += sizeof(u32) * ((u64)rect_count + 1);
    l.record = at;
    at += sizeof(sv_geom);
    l.incoming = at;
    at += sizeof(u16) * link_count;
    l.size = at;
    return l;
}

static_assert(sizeof(sv_nav_link) % 4 == 0 && sizeof(sv_nav_rect) % 4 == 0
                  && sizeof(sv_geom) % 4 == 0,
              "kept arrays stay aligned");

// A key for finding a kept grid, not its identity (the whole record is compared after): the
// record's head (its wall polygon and counts) and one word in every 256 bytes after it, with
// the radius and step. Records of one place differ in their fixtures, which the samples reach;
// where they do not, the comparison still tells them apart.
static u64 record_hash(const sv_geom* geom, f32 radius, f32 step)
{
    const u8* p = (const u8*)geom;
    const u64 HEAD = 128, STRIDE = 256;
    static_assert(sizeof(sv_geom) >= HEAD + 8, "the head is inside the record");
    u64 lane[2] = {0x9e3779b97f4a7c15ull, 0xc2b2ae3d27d4eb4full};
    for (u64 i = 0; i < HEAD; i += 16)
        for (u32 k = 0; k < 2; ++k) {
            u64 w;
            memcpy(&w, p + i + 8 * k, 8);
            lane[k] = (lane[k] ^ w) * 0x100000001b3ull;
        }
    u64 tail = 0x165667b19e3779f9ull;
    for (u64 i = HEAD; i + 8 <= sizeof *geom; i += STRIDE) {
        u64 w;
        memcpy(&w, p + i, 8);
        tail = (tail ^ w) * 0x100000001b3ull;
    }
    u64 w;
    memcpy(&w, p + sizeof *geom - 8, 8);
    tail = (tail ^ w) * 0x100000001b3ull;
    u32 rb, sb;
    memcpy(&rb, &radius, 4);
    memcpy(&sb, &step, 4);
    u64 h = lane[0] ^ (lane[1] << 1) ^ (tail << 2) ^ ((u64)rb << 32 | sb);
    h ^= h >> 29;
    h *= 0xbf58476d1ce4e5b9ull;
    h ^= h >> 32;
    return h | 1u; // never 0, the mark of an unused entry
}

static void drop_kept(kept_grid* k)
{
    if (!k->hash)
        return;
    if (k == s_in_use) { // the working grid reads its arrays: make it again when next asked
        g_grid.built = 0;
        nav_grid_attach(&g_grid, &s_store);
        s_identity = &s_built;
        s_in_use = nullptr;
    }
    g_kept.bytes -= k->size;
    free(k->bytes);
    free(k->cells);
    *k = kept_grid {};
}

static kept_grid* find_kept(u64 hash, const sv_geom* geom, f32 radius, f32 step)
{
    for (u32 i = 0; i < SV_NAV_KEPT; ++i) {
        kept_grid* k = &g_kept.grids[i];
        if (k->hash != hash || memcmp(&k->radius, &radius, 4) != 0
            || memcmp(&k->step, &step, 4) != 0)
            continue;
        kept_layout l = layout_for(k->rect_count, k->link_count);
        if (memcmp(k->bytes + l.record, geom, sizeof *geom) == 0)
            return k;
    }
    return nullptr;
}

// Keeps the grid just built (from geom): its cells are taken as they are, the rest copied.
static void keep(u64 hash, const sv_geom* geom)
{
    u32 cells = (u32)g_grid.width * g_grid.height;
    kept_layout l = layout_for(g_grid.rect_count, g_grid.link_count);
    cell_layout c = cells_for(cells);
    if (l.size + c.size > SV_NAV_KEPT_BYTES)
        return;
    // Room first: the least recently used go until both bounds allow one more.
    for (;;) {
        kept_grid* oldest = nullptr;
        u32 used = 0;
        for (u32 i = 0; i < SV_NAV_KEPT; ++i) {
            kept_grid* k = &g_kept.grids[i];
            if (!k->hash)
                continue;
            used += 1;
            if (!oldest || k->used_at < oldest->used_at)
                oldest = k;
        }
        if (used < SV_NAV_KEPT && g_kept.bytes + l.size + c.size <= SV_NAV_KEPT_BYTES)
            break;
        drop_kept(oldest);
    }
    kept_grid* k = nullptr;
    for (u32 i = 0; i < SV_NAV_KEPT && !k; ++i)
        if (!g_kept.grids[i].hash)
            k = &g_kept.grids[i];
    u8* b = (u8*)malloc(l.size);
    if (!b)
        return;
    u8* cb = nullptr;
    if (s_cells && g_grid.walkable == s_cells + c.walkable) {
        // The build's own cells: trimmed to the grid (a shrink stays in place) and taken.
        cb = (u8*)realloc(s_cells, c.size ? c.size : 1);
        if (!cb)
            cb = s_cells;
        s_cells = nullptr;
        s_cells_size = 0;
        attach_cells(cb, cells);
    } else {
        cb = (u8*)malloc(c.size);
        if (!cb) {
            free(b);
            return;
        }
        memcpy(cb + c.obstacle_top, g_grid.obstacle_top, sizeof(f32) * cells);
        memcpy(cb + c.ground, g_grid.ground, sizeof(f32) * cells);
        memcpy(cb + c.ground_face, g_grid.ground_face, sizeof(u16) * cells);
        memcpy(cb + c.rect_of_cell, g_grid.rect_of_cell, sizeof(u16) * cells);
        memcpy(cb + c.walkable, g_grid.walkable, cells);
    }
    memcpy(b + l.links, g_grid.links, sizeof(sv_nav_link) * g_grid.link_count);
    memcpy(b + l.rects, g_grid.rects, sizeof(sv_nav_rect) * g_grid.rect_count);
    memcpy(b + l.incoming_start, g_grid.incoming_start, sizeof(u32) * (g_grid.rect_count + 1));
    memcpy(b + l.record, geom, sizeof *geom);
    memcpy(b + l.incoming, g_grid.incoming, sizeof(u16) * g_grid.link_count);
    k->hash = hash;
    k->used_at = ++g_kept.clock;
    k->radius = g_grid.radius;
    k->step = g_grid.step;
    k->origin_x = g_grid.origin_x;
    k->origin_z = g_grid.origin_z;
    k->cell = g_grid.cell;
    k->width = g_grid.width;
    k->height = g_grid.height;
    k->rect_count = g_grid.rect_count;
    k->link_count = g_grid.link_count;
    k->bytes = b;
    k->cells = cb;
    k->size = l.size + c.size;
    g_kept.bytes += k->size;
    if (g_grid.walkable == cb + c.walkable)
        s_in_use = k; // the working grid reads the cells it took
}

// Makes the working grid the kept one, exactly as its build left it: read in place, so that
// going back to a place costs no copy.
static void restore(kept_grid* k)
{
    u32 cells = (u32)k->width * k->height;
    kept_layout l = layout_for(k->rect_count, k->link_count);
    u8* b = k->bytes;
    g_grid.origin_x = k->origin_x;
    g_grid.origin_z = k->origin_z;
    g_grid.cell = k->cell;
    g_grid.width = k->width;
    g_grid.height = k->height;
    g_grid.rect_count = k->rect_count;
    g_grid.link_count = k->link_count;
    g_grid.links = (sv_nav_link*)(b + l.links);
    g_grid.rects = (sv_nav_rect*)(b + l.rects);
    g_grid.incoming_start = (u32*)(b + l.incoming_start);
    g_grid.incoming = (u16*)(b + l.incoming);
    attach_cells(k->cells, cells);
    s_identity = (const sv_geom*)(b + l.record);
    s_in_use = k;
}

void ready(const sv_geom* geom, f32 radius, u8 keep_built)
{
    f32 step = (f32)sv_tune(SV_TUNE_PLAYER_STEP_HEIGHT);
    // The grid's identity is the record's bytes: an exact test, and cheaper than any hash.
    if (g_grid.built && g_grid.radius == radius && g_grid.step == step
        && memcmp(s_identity, geom, sizeof *geom) == 0)
        return;
    g_grid.built = 1;
    g_grid.radius = radius;
    g_grid.step = step;
    // With no grid kept and none to keep (the walkability test of generation), no hash is
    // needed.
    u64 hash = 0;
    kept_grid* k = nullptr;
    if (keep_built || g_kept.bytes > 0) {
        hash = record_hash(geom, radius, step);
        k = find_kept(hash, geom, radius, step);
    }
    if (k) {
        k->used_at = ++g_kept.clock;
        g_kept.restores++;
        restore(k);
        return;
    }
    g_grid.builds++;
    s_in_use = nullptr;
    memcpy(&s_built, geom, sizeof s_built);
    s_identity = &s_built;
    build(geom, radius);
    if (keep_built)
        keep(hash, geom);
}

void nav_keep_ready(const sv_geom* geom, f32 radius)
{
    f32 step = (f32)sv_tune(SV_TUNE_PLAYER_STEP_HEIGHT);
    if (!g_grid.built || g_grid.radius != radius || g_grid.step != step
        || memcmp(s_identity, geom, sizeof *geom) != 0)
        return;
    u64 hash = record_hash(geom, radius, step);
    if (!find_kept(hash, geom, radius, step))
        keep(hash, geom);
}

void nav_forget_kept(void)
{
    for (u32 i = 0; i < SV_NAV_KEPT; ++i)
        drop_kept(&g_kept.grids[i]);
}

u64 nav_kept_bytes(void)
{
    return g_kept.bytes;
}

// Rectangle under a point ---------------------------------------------------------------------

// Whether a body on cell (i, j) walks straight to (x, z) over no cell higher than its own ground
// plus a step: a walkable cell by its ground, another by its highest obstacle. Samples every
// quarter cell up to the point itself (a point on a face's line lies in the face's band);
// samples off the grid are not judged.
static int reaches(i32 i, i32 j, f32 x, f32 z)
{
    f32 limit = g_grid.ground[(u32)(j * g_grid.width + i)] + g_grid.step + 0.001f;
    Vector2 c = cell_centre(i, j);
    f32 dx = x - c.x, dz = z - c.y;
    u32 n = (u32)clamp_index(sqrtf(dx * dx + dz * dz) / (g_grid.cell * 0.25f), 0, 64);
    for (u32 s = 1; s <= n + 1; ++s) {
        f32 t = (f32)s / (f32)(n + 1);
        i32 si = floor_index((c.x + t * dx - g_grid.origin_x) / g_grid.cell, -1, g_grid.width);
        i32 sj = floor_index((c.y + t * dz - g_grid.origin_z) / g_grid.cell, -1, g_grid.height);
        if (si < 0 || sj < 0 || si >= g_grid.width || sj >= g_grid.height)
            continue;
        u32 k = (u32)(sj * g_grid.width + si);
        if (!((g_grid.walkable[k] ? g_grid.ground[k] : g_grid.obstacle_top[k]) <= limit))
            return 0;
    }
    return 1;
}

// The 7 x 7 window search of rect_at and goal_rect_at; reach keeps only cells that reach (x, z).
static i32 nearest_rect(f32 x, f32 z, f32 y, u8 any, u8 reach)
{
    if (g_grid.width == 0 || !std::isfinite(x) || !std::isfinite(z))
        return -1;
    f32 fx = (x - g_grid.origin_x) / g_grid.cell, fz = (z - g_grid.origin_z) / g_grid.cell;
    // Past 4 cells off the grid no cell of the 7 x 7 window is on it: refuse before converting.
    if (!(fx > -4.0f && fx < (f32)g_grid.width + 4.0f && fz > -4.0f
          && fz < (f32)g_grid.height + 4.0f))
        return -1;
    i32 ci = (i32)fx, cj = (i32)fz;
    f32 limit = y + g_grid.step;
    // The cells that qualify, in window order; the answer is the first of those with the least
    // distance among the ones that reach.
    f32 dist[49];
    i32 cell_i[49], cell_j[49];
    u32 n = 0;
    for (i32 j = cj - 3; j <= cj + 3; ++j) {
        if (j < 0 || j >= g_grid.height)
            continue;
        for (i32 i = ci - 3; i <= ci + 3; ++i) {
            if (i < 0 || i >= g_grid.width)
                continue;
            u32 idx = (u32)(j * g_grid.width + i);
            if (!g_grid.walkable[idx] || g_grid.rect_of_cell[idx] == SV_NONE16)
                continue;
            if (!any && !(g_grid.ground[idx] <= limit))
                continue;
            Vector2 c = cell_centre(i, j);
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
            if (!reach || reaches(cell_i[m], cell_j[m], x, z))
                return g_grid.rect_of_cell[(u32)(cell_j[m] * g_grid.width + cell_i[m])];
            tried[m] = 1;
        }
        return -1;
    }
    // A NaN distance: the scan as it was.
    f32 best = 0.0f;
    i32 found = -1;
    for (u32 k = 0; k < n; ++k) {
        if ((found < 0 || dist[k] < best) && (!reach || reaches(cell_i[k], cell_j[k], x, z))) {
            best = dist[k];
            found = g_grid.rect_of_cell[(u32)(cell_j[k] * g_grid.width + cell_i[k])];
        }
    }
    return found;
}

i32 rect_at(f32 x, f32 z, f32 y, u8 any)
{
    return nearest_rect(x, z, y, any, 0);
}

i32 goal_rect_at(f32 x, f32 z)
{
    i32 r = nearest_rect(x, z, 0.0f, 1, 1);
    return r >= 0 ? r : nearest_rect(x, z, 0.0f, 1, 0);
}

// Heap --------------------------------------------------------------------------------------

sv_nav_heap* nav_heap(void)
{
    return &g_heap;
}

void heap_clear(void)
{
    g_heap.size = 0;
}

void heap_push(u16 id)
{
    // A search pushes its start and at most once per link (a rectangle's links are relaxed
    // only when it is closed, once): SV_NAV_HEAP entries always suffice.
    if (g_heap.size >= SV_NAV_HEAP)
        sv_panic("navigation heap full at %u entries", (unsigned)g_heap.size);
    u32 i = g_heap.size++;
    if (g_heap.size > g_heap.peak)
        g_heap.peak = g_heap.size;
    while (i > 0) {
        u32 parent = (i - 1) / 2;
        if (!(g_heap.f[id] < g_heap.f[g_heap.ids[parent]]))
            break;
        g_heap.ids[i] = g_heap.ids[parent];
        i = parent;
    }
    g_heap.ids[i] = id;
}

u16 heap_pop(void)
{
    u16 top = g_heap.ids[0];
    u16 last = g_heap.ids[--g_heap.size];
    u32 n = g_heap.size, i = 0;
    if (n == 0)
        return top;
    for (;;) {
        u32 l = 2 * i + 1, r = l + 1;
        if (l >= n)
            break;
        u32 child = (r < n && g_heap.f[g_heap.ids[r]] < g_heap.f[g_heap.ids[l]]) ? r : l;
        if (!(g_heap.f[g_heap.ids[child]] < g_heap.f[last]))
            break;
        g_heap.ids[i] = g_heap.ids[child];
        i = child;
    }
    g_heap.ids[i] = last;
    return top;
}

// The navigation grid's ground: an index of the boxes where the ground may leave the floor
// (ramps, fixture slopes and standable tops), the ground of the walkable cells read through it,
// and the queries the links ask of it (a bound on the rise within a box, the largest rise along
// a line). Every height is sv_geom_ground_on's, to the bit: the same terms and point tests
// (ground.h), asked only of the items whose boxes hold the point.
#include <cmath>
#include <cstring>

#include "core/fmath.h"
#include "world/nav_build.h"

// The index ------------------------------------------------------------------------------------

static void grow_box(nav_box* b, Vector2 p)
{
    b->x0 = sv_fminf(b->x0, p.x);
    b->z0 = sv_fminf(b->z0, p.y);
    b->x1 = sv_fmaxf(b->x1, p.x);
    b->z1 = sv_fmaxf(b->z1, p.y);
}

// Widens item k's [lo, hi] by base + span * f at both ends of f in [0, 1], in the ground
// query's own arithmetic (monotone in f, so the ends bound every height between).
static void widen_heights(nav_ground_index* x, u32 k, f32 base, f32 span)
{
    f32 a = base + span * 0.0f, b = base + span * 1.0f;
    x->lo[k] = sv_fminf(x->lo[k], sv_fminf(a, b));
    x->hi[k] = sv_fmaxf(x->hi[k], sv_fmaxf(a, b));
}

// The ramps (but those under a bench sill), in opening order, from item n; returns the next.
static u32 index_ramps(nav_ground_index* x, const sv_geom* geom, u32 n)
{
    for (u8 k = 0; k < geom->opening_count && k < SV_GEOM_OPENINGS; ++k) {
        const sv_opening* o = &geom->openings[k];
        if (o->bench_sill)
            continue;
        Vector2 t = {o->tangent.x * o->width * 0.5f, o->tangent.y * o->width * 0.5f};
        nav_box b = {o->foot.x, o->foot.y, o->foot.x, o->foot.y};
        grow_box(&b, Vector2 {o->foot.x - t.x, o->foot.y - t.y});
        grow_box(&b, Vector2 {o->foot.x + t.x, o->foot.y + t.y});
        grow_box(&b, Vector2 {o->centre.x - t.x, o->centre.y - t.y});
        grow_box(&b, Vector2 {o->centre.x + t.x, o->centre.y + t.y});
        x->fixture[n] = 0;
        x->item[n] = k;
        nav_ramp* r = &x->ramp[n];
        r->g = ground_ramp_of(o);
        const ground_ramp* g = &r->g;
        const f32 big = 256.0f;
        r->narrows = fabsf(g->det) >= 0.05f && fabsf(g->tx) <= 2.0f && fabsf(g->tz) <= 2.0f
            && fabsf(g->foot_x) <= big && fabsf(g->foot_z) <= big && std::isfinite(g->rise)
            && std::isfinite(geom->floor_y);
        r->sx = r->narrows ? (f64)g->tz / (f64)g->det : 0.0;
        r->sz = r->narrows ? -(f64)g->tx / (f64)g->det : 0.0;
        widen_heights(x, n, geom->floor_y, o->rise);
        x->box[n++] = b;
    }
    return n;
}

// The fixtures that may hold the ground (a standable top, or slopes), in fixture order, from
// item n; returns the next.
static u32 index_fixtures(nav_ground_index* x, const sv_geom* geom, u32 n)
{
    for (u8 k = 0; k < geom->fixture_count && k < SV_GEOM_FIXTURES; ++k) {
        const sv_fixture* f = &geom->fixtures[k];
        u8 polygon = f->standable && f->vertex_count > 0;
        if (!polygon && f->slope_count == 0)
            continue; // a solid without slopes never holds the ground
        nav_box b = {1e30f, 1e30f, -1e30f, -1e30f};
        for (u8 v = 0; polygon && v < f->vertex_count; ++v)
            grow_box(&b, f->polygon[v]);
        if (f->standable)
            widen_heights(x, n, geom->floor_y + f->top, 0.0f);
        x->slope_count[n] = 0;
        for (u8 j = 0; j < f->slope_count && j < SV_FIXTURE_SLOPES; ++j) {
            const sv_slope* sl = &f->slopes[j];
            x->slope[n][j] = ground_slope_of(sl, geom->floor_y);
            x->slope_count[n] = (u8)(j + 1);
            widen_heights(x, n, geom->floor_y + sl->bottom, sl->top - sl->bottom);
            grow_box(&b, sl->origin);
            grow_box(&b, sl->across);
            grow_box(&b, sl->far_corner);
            grow_box(&b, sl->up);
            grow_box(&b,
                     Vector2 {sl->across.x + sl->up.x - sl->origin.x,
                              sl->across.y + sl->up.y - sl->origin.y});
        }
        x->fixture[n] = 1;
        x->item[n] = k;
        x->bound2[n] = f->bound * f->bound;
        x->box[n++] = b;
    }
    return n;
}

void sv_nav_index_ground(nav_build* b)
{
    nav_ground_index* x = &b->ground;
    const sv_geom* geom = b->geom;
    for (u32 k = 0; k < NAV_GROUND_ITEMS; ++k) {
        x->lo[k] = geom->floor_y;
        x->hi[k] = geom->floor_y;
    }
    u32 n = index_ramps(x, geom, 0);
    n = index_fixtures(x, geom, n);
    // A margin over rounding; a box that is not finite (fminf passes over NaN) proves nothing:
    // it covers all.
    const f32 margin = 0.05f;
    for (u32 k = 0; k < n; ++k) {
        nav_box* bx = &x->box[k];
        *bx = nav_box {bx->x0 - margin, bx->z0 - margin, bx->x1 + margin, bx->z1 + margin};
        if (!(std::isfinite(bx->x0) && std::isfinite(bx->z0) && std::isfinite(bx->x1)
              && std::isfinite(bx->z1)))
            *bx = nav_box {-INFINITY, -INFINITY, INFINITY, INFINITY};
    }
    x->count = n;
}

// Queries through the index ------------------------------------------------------------------

// sv_geom_ground_on, the same arithmetic in the same order, but over only the ramps and
// fixtures whose boxes hold the point: the others cannot hold it. Ramps come before fixtures
// and each in index order, as the boxes are. The caller names the boxes to look at (in their
// order), which must include every box that holds the point.
static f32 ground_at(nav_build* b, f32 x, f32 z, u16* face, const u8* among, u32 count)
{
    const nav_ground_index* ix = &b->ground;
    const sv_geom* geom = b->geom;
    *face = SV_GROUND_FLOOR;
    u32 n = 0;
    while (n < count && !nav_in_box(&ix->box[among[n]], x, z))
        ++n;
    if (n == count)
        return geom->floor_y;
    Vector2 pt = {x, z};
    i32 best = -1;
    f32 best_a = 0.0f, best_h = 0.0f;
    for (; n < count && !ix->fixture[among[n]]; ++n) {
        u32 k = among[n];
        if (!nav_in_box(&ix->box[k], x, z))
            continue;
        const ground_ramp* o = &ix->ramp[k].g;
        f32 s, a;
        if (!ground_ramp_holds(o, pt.x, pt.y, &s, &a))
            continue;
        if (best < 0 || a < best_a) {
            best = ix->item[k];
            best_a = a;
            best_h = ground_ramp_height(o, geom->floor_y, s);
        }
    }
    if (best >= 0) {
        *face = (u16)(SV_GROUND_RAMP + best);
        return best_h;
    }
    for (; n < count; ++n) {
        u32 k = among[n];
        if (!nav_in_box(&ix->box[k], x, z))
            continue;
        u32 fk = ix->item[k];
        const sv_fixture* f = &geom->fixtures[fk];
        Vector2 dc = {pt.x - f->centre.x, pt.y - f->centre.y};
        if (dc.x * dc.x + dc.y * dc.y > ix->bound2[k])
            continue;
        for (u32 j = 0; j < ix->slope_count[k]; ++j) {
            const ground_slope* sl = &ix->slope[k][j];
            f32 up;
            if (!ground_slope_holds(sl, pt.x, pt.y, &up))
                continue;
            *face = (u16)(SV_GROUND_SLOPE + 3 * fk + j);
            return ground_slope_height(sl, up);
        }
        if (f->standable && nav_footprint_holds(b->scratch->rows, fk, f, pt)) {
            *face = (u16)(SV_GROUND_TOP + fk);
            return geom->floor_y + f->top;
        }
    }
    return geom->floor_y;
}

// ground_at where the one box that may hold (x, z) is ramp o's: the same arithmetic. *on is
// 1 when the point is on the ramp, 0 when on the floor.
static inline f32 ramp_ground(const ground_ramp* o, const nav_box* box, f32 floor_y, f32 x, f32 z,
                              u8* on)
{
    *on = 0;
    f32 s, a;
    if (!nav_in_box(box, x, z) || !ground_ramp_holds(o, x, z, &s, &a))
        return floor_y;
    *on = 1;
    return ground_ramp_height(o, floor_y, s);
}

// Whether any point within 0.01 of the box (x0, z0)-(x1, z1) may be off the floor.
static int box_hot(const nav_ground_index* ix, f32 x0, f32 z0, f32 x1, f32 z1)
{
    for (u32 k = 0; k < ix->count; ++k) {
        const nav_box* b = &ix->box[k];
        if (!(x1 + 0.01f < b->x0 || x0 - 0.01f > b->x1 || z1 + 0.01f < b->z0 || z0 - 0.01f > b->z1))
            return 1;
    }
    return 0;
}

// The boxes that meet the box (x0, z0)-(x1, z1), in order, into among; all of them when a bound
// is NaN (no point is then known to lie outside any box).
static u32 boxes_meeting(const nav_ground_index* ix, f32 x0, f32 z0, f32 x1, f32 z1, u8* among)
{
    u32 n = 0;
    int all = x0 != x0 || z0 != z0 || x1 != x1 || z1 != z1;
    for (u32 k = 0; k < ix->count; ++k) {
        const nav_box* b = &ix->box[k];
        if (all || !(x1 < b->x0 || x0 > b->x1 || z1 < b->z0 || z0 > b->z1))
            among[n++] = (u8)k;
    }
    return n;
}

// The ground of the cells -------------------------------------------------------------------

// The ground of the walkable cells of row j inside box m of the row's boxes (row, in_row of
// them), skipping those an earlier box did when skip_done; marks the cells it does.
[[gnu::always_inline]] static inline void read_row_box(nav_build* b, i32 j, const u8* row,
                                                       u32 in_row, u32 m, int skip_done)
{
    sv_nav_grid* g = b->grid;
    const nav_ground_index* ix = &b->ground;
    u8* done = b->scratch->done;
    const nav_box* box = &ix->box[row[m]];
    i32 i0 = nav_floor_index((box->x0 - g->origin_x) / g->cell - 1.0f, 0, g->width - 1);
    i32 i1 = nav_floor_index((box->x1 - g->origin_x) / g->cell + 1.0f, 0, g->width - 1);
    for (i32 i = i0; i <= i1; ++i) {
        u32 c = (u32)(j * g->width + i);
        if (!g->walkable[c] || (skip_done && done[i]))
            continue;
        Vector2 p = nav_cell_centre(g, i, j);
        if (!nav_in_box(box, p.x, p.y))
            continue;
        if (in_row == 1 && !ix->fixture[row[0]]) {
            // One ramp alone across the row: its ground query inline.
            u8 on;
            g->ground[c] = ramp_ground(&ix->ramp[row[0]].g, box, b->geom->floor_y, p.x, p.y, &on);
            g->ground_face[c]
                = on ? (u16)(SV_GROUND_RAMP + ix->item[row[0]]) : (u16)SV_GROUND_FLOOR;
        } else {
            g->ground[c] = ground_at(b, p.x, p.y, &g->ground_face[c], row, in_row);
        }
        done[i] = 1;
    }
}

// Ground of the walkable cells inside the boxes; every other cell keeps the floor it was given.
void sv_nav_read_ground(nav_build* b)
{
    sv_nav_grid* g = b->grid;
    u8 row[NAV_GROUND_ITEMS];
    for (i32 j = 0; j < g->height; ++j) {
        f32 z = g->origin_z + ((f32)j + 0.5f) * g->cell;
        // The boxes across this row: only they can hold one of its cell centres.
        u32 in_row = boxes_meeting(&b->ground, -INFINITY, z, INFINITY, z, row);
        // Where boxes overlap, a cell an earlier box of the row asked is done.
        if (in_row > 1)
            memset(b->scratch->done, 0, g->width);
        for (u32 m = 0; m < in_row; ++m)
            read_row_box(b, j, row, in_row, m, m > 0);
    }
}

// Rises ---------------------------------------------------------------------------------------

// Narrows [*lo, *hi] to the heights ramp box k can give within the box (x0, z0)-(x1, z1), which
// is mostly far less than its whole rise beside its foot. The fraction s along the ramp is linear
// in the point: over the box it lies between its values at the corners its gradient picks, and
// the ground query's rounded s strays from that by under 0.01 while the coordinates stay below
// 256 and the ramp is not degenerate (else nothing is narrowed); the f64 terms stray by far less
// than the rest of the 0.02 margin. The height is monotone in s in the query's own arithmetic,
// so its values at the ends of the widened range bound every sample's height.
static void span_fast(const nav_ramp* r, f32 floor_y, f32 x0, f32 z0, f32 x1, f32 z1, f32* lo,
                      f32* hi)
{
    const f32 big = 256.0f;
    const ground_ramp* o = &r->g;
    if (!(r->narrows && fabsf(x0) <= big && fabsf(x1) <= big && fabsf(z0) <= big
          && fabsf(z1) <= big))
        return;
    f64 ax = r->sx * ((f64)x0 - (f64)o->foot_x), bx = r->sx * ((f64)x1 - (f64)o->foot_x);
    f64 az = r->sz * ((f64)z0 - (f64)o->foot_z), bz = r->sz * ((f64)z1 - (f64)o->foot_z);
    f64 smin = (ax < bx ? ax : bx) + (az < bz ? az : bz) - 0.02;
    f64 smax = (ax > bx ? ax : bx) + (az > bz ? az : bz) + 0.02;
    if (smax < 0.0 || smin > 1.0) { // no sample is on the ramp
        *lo = *hi = floor_y;
        return;
    }
    f32 sa = smin < 0.0 ? 0.0f : (f32)smin, sb = smax > 1.0 ? 1.0f : (f32)smax;
    f32 ha = ground_ramp_height(o, floor_y, sa);
    f32 hb = ground_ramp_height(o, floor_y, sb);
    *lo = sv_fminf(floor_y, sv_fminf(ha, hb));
    *hi = sv_fmaxf(floor_y, sv_fmaxf(ha, hb));
}

f32 sv_nav_rise_bound(const nav_build* b, f32 x0, f32 z0, f32 x1, f32 z1)
{
    const nav_ground_index* ix = &b->ground;
    f32 floor_y = b->geom->floor_y;
    f32 lo = floor_y, hi = floor_y;
    for (u32 k = 0; k < ix->count; ++k) {
        const nav_box* bx = &ix->box[k];
        if (x1 + 0.01f < bx->x0 || x0 - 0.01f > bx->x1 || z1 + 0.01f < bx->z0
            || z0 - 0.01f > bx->z1)
            continue;
        if (!std::isfinite(bx->x0) || !std::isfinite(ix->lo[k]) || !std::isfinite(ix->hi[k]))
            return INFINITY;
        f32 klo = ix->lo[k], khi = ix->hi[k];
        if (!ix->fixture[k])
            span_fast(&ix->ramp[k], floor_y, x0 - 0.01f, z0 - 0.01f, x1 + 0.01f, z1 + 0.01f, &klo,
                      &khi);
        lo = sv_fminf(lo, klo);
        hi = sv_fmaxf(hi, khi);
    }
    return std::isfinite(hi - lo) ? hi - lo : INFINITY;
}

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

// Once the rise passes limit the rest of the samples cannot bring it back down.
f32 sv_nav_ground_rise(nav_build* b, Vector2 a, Vector2 c, f32 limit)
{
    const nav_ground_index* ix = &b->ground;
    // Every sample lies in the box of a and c: on the floor throughout, nothing rises.
    if (!box_hot(ix, sv_fminf(a.x, c.x), sv_fminf(a.y, c.y), sv_fmaxf(a.x, c.x),
                 sv_fmaxf(a.y, c.y)))
        return 0.0f;
    f32 dx = c.x - a.x, dz = c.y - a.y;
    f32 len = sqrtf(dx * dx + dz * dz);
    u32 n = (u32)nav_clamp_index(len / (b->grid->cell * 0.5f), 0, 4 * SV_NAV_SIDE);
    // Each coordinate of the samples moves one way from a to its value at t = 1 (rounding keeps
    // that order): the boxes meeting the box of those two ends are all that can hold one.
    u8 among[NAV_GROUND_ITEMS];
    f32 ex = a.x + 1.0f * dx, ez = a.y + 1.0f * dz;
    u32 count = boxes_meeting(ix, sv_fminf(a.x, ex), sv_fminf(a.y, ez), sv_fmaxf(a.x, ex),
                              sv_fmaxf(a.y, ez), among);
    if (count == 0)
        return 0.0f; // no sample leaves the floor
    if (count == 1 && !ix->fixture[among[0]]) {
        // One ramp alone, the common case beside a ramp: its ground query inline.
        const nav_box* box = &ix->box[among[0]];
        const ground_ramp* o = &ix->ramp[among[0]].g;
        f32 floor_y = b->geom->floor_y;
        u8 on;
        return rise_along(a, dx, dz, n, limit,
                          [&](f32 x, f32 z) { return ramp_ground(o, box, floor_y, x, z, &on); });
    }
    u16 face;
    return rise_along(a, dx, dz, n, limit,
                      [&](f32 x, f32 z) { return ground_at(b, x, z, &face, among, count); });
}

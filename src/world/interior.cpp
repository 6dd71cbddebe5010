// Interior generator: a dais or pit at the middle, the prop ring, columns, blocks and benches
// along the walls. Deterministic in (run seed, floor number, place, draw): one generator of the
// geometry stream, drawn in a fixed order; every candidate is tested against keep-out lists
// that live for one call (their geometry is keepout.h's).
#include <cmath>
#include <cstddef>
#include <cstring>

#include "core/fmath.h"
#include "core/growth.h"
#include "core/panic.h"
#include "core/tune.h"
#include "world/geom.h"
#include "world/keepout.h"

namespace {

constexpr f32 TWO_PI = 6.2831855f;
constexpr u8 NO_SLOT = 255;
constexpr u8 SHARED_SLOT = 254;
constexpr u8 NO_SKIP = 12;

// The tunables and running state of one furnishing.
struct furnish {
    sv_geom* g;
    sv_rng rng;
    f32 R, s, pr, door_w, c, m, riser, step_h;
    f32 prop_r, prop_y;
    f32 fmin;
    u8 slot_on_edge[SV_GEOM_VERTICES]; // slot index, NO_SLOT or SHARED_SLOT
    ko_walls walls;                    // the walls, kept still while furnishing
    box2 door_wide[WIDE_MAX];          // the door zones' boxes widened for ko_plainly_near
    // Last, so a fresh furnishing clears the counts only: ko_add zeroes each entry it takes.
    ko_list doors, solids, spacing;
};

inline f32 draw(furnish* f)
{
    return (f32)sv_rng_f64(&f->rng);
}

// Bounding circle over the polygon, then each slope's four corners.
void fixture_circle(sv_fixture* fx)
{
    Vector2 pts[SV_FIXTURE_VERTICES + 4 * SV_FIXTURE_SLOPES];
    u32 n = 0;
    for (u32 i = 0; i < fx->vertex_count; ++i)
        pts[n++] = fx->polygon[i];
    for (u32 j = 0; j < fx->slope_count; ++j) {
        const sv_slope* sl = &fx->slopes[j];
        pts[n++] = sl->origin;
        pts[n++] = sl->across;
        pts[n++] = sl->far_corner;
        pts[n++] = sl->up;
    }
    poly_circle(pts, n, &fx->centre, &fx->bound);
}

void add_face(sv_fixture* fx, Vector2 p0, Vector2 p1, f32 bottom0, f32 top0, f32 bottom1, f32 top1,
              u8 treads)
{
    Vector2 d = sub(p1, p0);
    if (d.x * d.x + d.y * d.y < 1e-6f)
        return;
    if (fx->face_count >= SV_FIXTURE_SEGS)
        sv_panic("fixture face list full at %u: SV_FIXTURE_SEGS is undersized",
                 (unsigned)fx->face_count);
    sv_face* f = &fx->faces[fx->face_count++];
    f->p0 = p0;
    f->p1 = p1;
    f->bottom0 = bottom0;
    f->top0 = top0;
    f->bottom1 = bottom1;
    f->top1 = top1;
    f->treads = treads;
}

// Appends a zeroed fixture; the caller checked that the table has room. build_interior clears
// the whole table first and nothing writes past the count, so the slot is zero already.
sv_fixture* new_fixture(sv_geom* g, u32 kind, f32 top, u8 standable)
{
    sv_fixture* fx = &g->fixtures[g->fixture_count++];
    fx->kind = kind;
    fx->top = top;
    fx->standable = standable;
    return fx;
}

// The angle of corner j of a regular n-gon before its rotation, (f32)j * TWO_PI / (f32)n, for
// n up to 8: worked out once, the same operations, so the same bits.
struct corner_steps {
    f32 a[9][8];
    corner_steps()
    {
        for (u32 n = 1; n <= 8; ++n)
            for (u32 j = 0; j < n; ++j)
                a[n][j] = (f32)j * TWO_PI / (f32)n;
    }
};
const corner_steps k_corners;

void regular(Vector2* out, u32 n, Vector2 centre, f32 radius, f32 rotation)
{
    for (u32 j = 0; j < n; ++j) {
        f32 step = n <= 8 ? k_corners.a[n][j] : (f32)j * TWO_PI / (f32)n;
        f32 a = step + rotation, sn, cs;
        sv_sincosf(a, &sn, &cs);
        out[j] = v2(centre.x + radius * cs, centre.y + radius * sn);
    }
}

// Poisson count by multiplying draws; stops drawing at the cap, takes none for lambda <= 0.
u32 poisson(furnish* f, f64 lambda, u32 cap)
{
    if (!(lambda > 0.0))
        return 0;
    f64 limit = sv_exp(-lambda), p = 1.0;
    u32 k = 0;
    while (k < cap) {
        p *= sv_rng_f64(&f->rng);
        if (p <= limit)
            break;
        ++k;
    }
    return k;
}

// Dais ----------------------------------------------------------------------------------------

// A hexagonal dais level with one face per edge between its two heights.
void hex_level(furnish* f, u32 kind, f32 radius, f32 rotation, f32 top, f32 other)
{
    sv_fixture* fx = new_fixture(f->g, kind, top, 1);
    regular(fx->polygon, 6, v2(0.0f, 0.0f), radius, rotation);
    fx->vertex_count = 6;
    f32 lo = top < other ? top : other, hi = top < other ? other : top;
    for (u32 j = 0; j < 6; ++j)
        add_face(fx, fx->polygon[j], fx->polygon[(j + 1) % 6], lo, hi, lo, hi, 0);
    fixture_circle(fx);
}

void low_platform(furnish* f, f32 Rd, bool pit)
{
    f32 room = (1.0f - f->s) * Rd - f->pr - 0.2f;
    if (Rd < 1.2f || room < 0.5f)
        return;
    f32 rot = draw(f) * TWO_PI;
    f->g->first_dais = f->g->fixture_count;
    hex_level(f, SV_FIXTURE_DAIS, Rd, rot, pit ? -f->step_h : f->step_h, 0.0f);
    ko_add(&f->solids, f->g->fixtures[f->g->first_dais].polygon, 6);
    f->prop_r = f->prop_r < room ? f->prop_r : room;
}

void stepped_dais(furnish* f, f32 Rd, f32 H, bool pit, u32 N, f32 wr, f32 q, f32 reach)
{
    f32 outer = (q - wr) * (f32)(N - 1) + Rd;
    f32 g = sv_fmaxf((0.5f + f->pr + 0.2f) / (1.0f - f->s), 1.2f) + q * (f32)(N - 1);
    outer = outer > g ? outer : g;
    outer = outer < reach ? outer : reach;
    f32 rho0 = outer - q * (f32)(N - 1);
    f32 rot = draw(f) * TWO_PI;
    sv_geom* geom = f->g;
    geom->first_dais = geom->fixture_count;
    geom->dais_tiers = (u8)(N - 1);
    f32 sign = pit ? -1.0f : 1.0f;
    for (u32 L = 0; L < N; ++L) {
        f32 top = sign * (f32)(N - L) * H / (f32)N;
        f32 below = sign * (f32)(N - 1 - L) * H / (f32)N;
        hex_level(f, L == 0 ? SV_FIXTURE_DAIS : SV_FIXTURE_DAIS_TIER, rho0 + (f32)L * q, rot, top,
                  below);
    }
    ko_add(&f->solids, geom->fixtures[geom->fixture_count - 1].polygon, 6);
    f32 room = (1.0f - f->s) * rho0 - f->pr - 0.2f;
    f->prop_r = f->prop_r < room ? f->prop_r : room;
}

// Returns false when the dais is given up altogether (no low platform either).
bool ramped_dais(furnish* f, f32 Rd, f32 H, bool pit, f32 run)
{
    sv_geom* g = f->g;
    f32 b = pit ? (1.0f - f->s) * Rd - run - f->pr - 0.1f : (1.0f - f->s) * Rd - f->pr - 0.2f;
    if (b < 0.5f)
        return false;
    f32 rot = draw(f) * TWO_PI;
    u32 k = 1 + sv_rng_below(&f->rng, 3);
    u32 e0 = sv_rng_below(&f->rng, 6);

    g->first_dais = g->fixture_count;
    sv_fixture* fx = new_fixture(g, SV_FIXTURE_DAIS, pit ? -H : H, 1);
    regular(fx->polygon, 6, v2(0.0f, 0.0f), Rd, rot);
    fx->vertex_count = 6;
    i32 ramp_on[6] = {-1, -1, -1, -1, -1, -1};
    for (u32 i = 0; fx->slope_count < k && i < k + 6; ++i) {
        u32 e = i < k ? (i * (6 / k) + e0) % 6 : (i - k + e0) % 6;
        if (ramp_on[e] >= 0)
            continue;
        Vector2 a = fx->polygon[e], bb = fx->polygon[(e + 1) % 6];
        Vector2 d = sub(bb, a);
        f32 len = length(d);
        f32 w = sv_fminf(len - 0.4f, f->door_w);
        if (w < 2.0f * f->pr + 0.7f)
            continue;
        Vector2 u = scale(d, 1.0f / len), mid = scale(add(a, bb), 0.5f);
        // A regular hexagon about the origin: the edge's middle points along its outward normal.
        Vector2 no = length(mid) > 0.0f ? scale(mid, 1.0f / length(mid)) : v2(1.0f, 0.0f);
        // The high edge lies on the dais edge; the low edge run away, outwards or into the pit.
        Vector2 lo_shift = scale(no, pit ? -run : run);
        sv_slope sl;
        memset(&sl, 0, sizeof sl);
        sl.up = sub(mid, scale(u, w * 0.5f));
        sl.far_corner = add(mid, scale(u, w * 0.5f));
        sl.origin = add(sl.up, lo_shift);
        sl.across = add(sl.far_corner, lo_shift);
        sl.bottom = pit ? -H : 0.0f;
        sl.top = pit ? 0.0f : H;
        Vector2 quad[4] = {sl.origin, sl.across, sl.far_corner, sl.up};
        if (!pit) {
            if (!inside_walls2(&f->walls, quad, nullptr, 4, f->c, NO_SKIP, NO_SKIP)
                || !ko_clear_but(&f->doors, cand_of(quad, 4), f->c, -1))
                continue;
        } else {
            bool close = false;
            box2 qbox = box_of(quad, 4);
            for (u32 j = 0; j < fx->slope_count && !close; ++j) {
                const sv_slope* o = &fx->slopes[j];
                Vector2 other[4] = {o->origin, o->across, o->far_corner, o->up};
                close = poly_gap_below(quad, 4, qbox, other, 4, box_of(other, 4), f->c);
            }
            if (close)
                continue;
        }
        ramp_on[e] = (i32)fx->slope_count;
        memcpy(&fx->slopes[fx->slope_count++], &sl, sizeof sl);
    }
    f32 lo = pit ? -H : 0.0f, hi = pit ? 0.0f : H;
    for (u32 e = 0; e < 6; ++e) {
        Vector2 a = fx->polygon[e], bb = fx->polygon[(e + 1) % 6];
        if (ramp_on[e] < 0) {
            add_face(fx, a, bb, lo, hi, lo, hi, 0);
            continue;
        }
        const sv_slope* sl = &fx->slopes[ramp_on[e]];
        add_face(fx, a, sl->up, lo, hi, lo, hi, 0);
        add_face(fx, sl->far_corner, bb, lo, hi, lo, hi, 0);
        add_face(fx, sl->origin, sl->up, sl->bottom, sl->bottom, sl->bottom, sl->top, sl->treads);
        add_face(fx, sl->across, sl->far_corner, sl->bottom, sl->bottom, sl->bottom, sl->top,
                 sl->treads);
    }
    fixture_circle(fx);
    ko_add(&f->solids, fx->polygon, 6);
    f->prop_r = f->prop_r < b ? f->prop_r : b;
    return true;
}

// The dais in its form for this room: stepped with flights, ramped without, else the low
// platform; the props then stand on its innermost level.
void lay_dais(furnish* f, u8 flights)
{
    if (sv_rng_f64(&f->rng) >= sv_tune(SV_TUNE_INTERIOR_DAIS_CHANCE))
        return;
    f32 H = (f32)sv_tune(SV_TUNE_INTERIOR_DAIS_HEIGHT);
    bool pit = sv_rng_f64(&f->rng) < 0.5;
    f32 run = H / f->m;
    f32 reach = (f->fmin - 0.1f - f->pr) / (1.0f + f->s);
    f32 Rd = sv_fminf((f32)sv_tune(SV_TUNE_INTERIOR_DAIS_RADIUS) * f->R, reach);
    f32 steps = std::ceil(std::fabs(H) / f->riser - 0.0001f);
    bool over = steps > 255.0f;
    u32 N = steps < 1.0f ? 0 : (over ? 255 : (u32)steps);
    f32 wr = (f32)sv_tune(SV_TUNE_INTERIOR_RING_WIDTH);
    f32 q = wr * 1.1547005f; // a ring of width wr across the flats adds q to the circumradius
    u32 room_left = SV_GEOM_FIXTURES - f->g->fixture_count;

    if (N <= 1) {
        low_platform(f, Rd, pit);
    } else if (flights) {
        f32 g = sv_fmaxf((0.5f + f->pr + 0.2f) / (1.0f - f->s), 1.2f) + q * (f32)(N - 1);
        if (!over && reach >= g && N <= room_left)
            stepped_dais(f, Rd, H, pit, N, wr, q, reach);
        else
            low_platform(f, Rd, pit);
    } else {
        f32 inner = Rd - (f32)(N - 1) * wr;
        if (inner >= 1.2f && inner * (1.0f - f->s) - f->pr - 0.2f >= 0.5f && N <= room_left)
            ramped_dais(f, Rd, H, pit, run);
        else
            low_platform(f, Rd, pit);
    }
    if (f->g->first_dais < SV_GEOM_FIXTURES)
        f->prop_y = f->g->floor_y + f->g->fixtures[f->g->first_dais].top;
}

void lay_props(furnish* f)
{
    place_props(f->g, f->prop_r, f->prop_y);
    static const f32 k_oct[8][2]
        = {{1.0f, 0.0f},  {0.70710677f, 0.70710677f},   {0.0f, 1.0f},  {-0.70710677f, 0.70710677f},
           {-1.0f, 0.0f}, {-0.70710677f, -0.70710677f}, {0.0f, -1.0f}, {0.70710677f, -0.70710677f}};
    f32 r = f->prop_r + f->pr;
    Vector2 oct[8];
    for (u32 i = 0; i < 8; ++i)
        oct[i] = v2(r * k_oct[i][0], r * k_oct[i][1]);
    ko_add(&f->solids, oct, 8);
}

// Columns (hexagons to the ceiling) or blocks (squares): count items, each with up to 12
// attempts of three draws.
void lay_standing(furnish* f, u32 kind, u32 count, f32 size, u32 sides, f32 top)
{
    f32 lo = f->prop_r + f->pr + size + f->c;
    f32 hi = f->R * (1.0f - f->s) - size - f->c;
    if (lo >= hi)
        return;
    f32 gap = sv_fmaxf((f32)sv_tune(SV_TUNE_INTERIOR_SPACING), f->c);
    for (u32 item = 0; item < count && f->g->fixture_count < SV_GEOM_FIXTURES; ++item) {
        for (u32 attempt = 0; attempt < 12; ++attempt) {
            f32 a = draw(f) * TWO_PI;
            f32 r = lo + draw(f) * (hi - lo);
            f32 rot = draw(f) * TWO_PI;
            Vector2 pts[6];
            f32 sn, cs;
            sv_sincosf(a, &sn, &cs);
            Vector2 centre = v2(r * cs, r * sn);
            if (f->c > 0.1f && ko_plainly_near(&f->doors, f->door_wide, centre, f->c - 0.05f))
                continue;
            regular(pts, sides, centre, size, rot);
            // Every test can only refuse; the door zones refuse most candidates, so go first.
            cand k = cand_of(pts, sides);
            if (!ko_clear_but(&f->doors, k, f->c, -1)
                || !inside_walls2(&f->walls, pts, nullptr, sides, f->c, NO_SKIP, NO_SKIP)
                || !ko_clear_but(&f->solids, k, f->c, -1) || !ko_clear_but(&f->spacing, k, gap, -1))
                continue;
            sv_fixture* fx = new_fixture(f->g, kind, top, 0);
            memcpy(fx->polygon, pts, sides * sizeof(Vector2));
            fx->vertex_count = (u8)sides;
            for (u32 j = 0; j < sides; ++j)
                add_face(fx, pts[j], pts[(j + 1) % sides], 0.0f, top, 0.0f, top, 0);
            fixture_circle(fx);
            ko_add(&f->solids, pts, sides);
            ko_add(&f->spacing, pts, sides);
            break;
        }
    }
}

// Benches --------------------------------------------------------------------------------------

struct bench_plan {
    f32 depth, height, run, door_h;
    u8 treads;
    u8 edges[SV_GEOM_VERTICES]; // qualifying wall edges
    u32 edge_count;
};

inline f32 cross2(Vector2 a, Vector2 b)
{
    return a.x * b.y - a.y * b.x;
}

// One attempt at a bench; every draw of the attempt is taken before anything is tested.
bool try_bench(furnish* f, const bench_plan* bp)
{
    sv_geom* g = f->g;
    u8 nv = g->vertex_count;
    u8 e = bp->edges[sv_rng_below(&f->rng, bp->edge_count)];
    u8 e2 = (u8)((e + 1u) % nv);
    Vector2 a = g->vertices[e], b = g->vertices[e2], mid, u, n;
    sv_geom_edge_frame(g, e, &mid, &u, &n);
    f32 len = length(sub(b, a));
    f32 br = bp->run, D = bp->depth;
    f32 avail = len - 0.6f - br;
    f32 tl = 1.6f + draw(f) * (sv_fminf(5.0f, avail) - 1.6f);
    f32 start = 0.3f + draw(f) * (avail - tl);
    bool ramp_after = sv_rng_below(&f->rng, 2) == 1;
    bool want_l = sv_rng_below(&f->rng, 2) == 1;
    f32 len2 = length(sub(g->vertices[(e2 + 1u) % nv], b));
    bool ell = want_l && f->slot_on_edge[e2] == NO_SLOT && len2 >= 1.9f + f->c;
    f32 l2 = ell ? 1.6f + draw(f) * (sv_fminf(4.0f, len2 - 0.3f - f->c) - 1.6f) : 0.0f;
    if (ell)
        ramp_after = false; // an L's ramp always lies before its first leg

    f32 s0 = ramp_after ? start : start + br;
    f32 s1 = ell ? len : s0 + tl;
    u8 slot = f->slot_on_edge[e];
    if (slot < SV_DOOR_SLOTS) {
        // The top covers the whole door span of its edge's slot.
        f32 hw = f->door_w * 0.5f + f->pr + 0.2f;
        s0 = sv_fminf(s0, len * 0.5f - hw);
        s1 = sv_fmaxf(s1, len * 0.5f + hw);
        if ((ramp_after ? s0 : s0 - br) < 0.3f)
            return false;
        if ((ramp_after ? s1 + br : s1) > (ell ? len : len - 0.3f))
            return false;
    }

    Vector2 top[6], probe[6];
    u32 tn;
    Vector2 m2 {0.0f, 0.0f}, u2 {1.0f, 0.0f}, n2 {0.0f, 1.0f};
    if (!ell) {
        top[0] = add(a, scale(u, s0));
        top[1] = add(a, scale(u, s1));
        top[2] = add(top[1], scale(n, D));
        top[3] = add(top[0], scale(n, D));
        tn = 4;
        memcpy(probe, top, sizeof top);
        probe[0] = add(top[0], scale(n, 0.01f));
        probe[1] = add(top[1], scale(n, 0.01f));
    } else {
        sv_geom_edge_frame(g, e2, &m2, &u2, &n2);
        f32 den = cross2(u, u2);
        if (std::fabs(den) < 0.0001f)
            return false;
        Vector2 A0 = add(a, scale(n, D)), B0 = add(b, scale(n2, D));
        f32 t = cross2(sub(B0, A0), u2) / den;
        top[0] = add(A0, scale(u, t));
        top[1] = add(a, add(scale(u, s0), scale(n, D)));
        top[2] = add(a, scale(u, s0));
        top[3] = add(b, scale(add(n, n2), 0.01f));
        top[4] = add(b, scale(u2, l2));
        top[5] = add(top[4], scale(n2, D));
        tn = 6;
        memcpy(probe, top, sizeof top);
        probe[2] = add(top[2], scale(n, 0.01f));
        probe[4] = add(top[4], scale(n2, 0.01f));
    }

    sv_slope sl;
    memset(&sl, 0, sizeof sl);
    sl.up = add(a, scale(u, ramp_after ? s1 : s0));
    sl.origin = add(a, scale(u, ramp_after ? s1 + br : s0 - br));
    sl.across = add(sl.origin, scale(n, D));
    sl.far_corner = add(sl.up, scale(n, D));
    sl.bottom = 0.0f;
    sl.top = bp->height;
    sl.treads = bp->treads;
    Vector2 ramp[4] = {sl.origin, sl.across, sl.far_corner, sl.up};
    Vector2 ramp_probe[4]
        = {add(sl.origin, scale(n, 0.01f)), sl.across, sl.far_corner, add(sl.up, scale(n, 0.01f))};

    i32 own = slot < SV_DOOR_SLOTS ? (i32)slot : -1;
    // Every test can only refuse; the ramp's wall test refuses most attempts, so goes first.
    if (!inside_walls2(&f->walls, ramp, ramp_probe, 4, f->c, e, NO_SKIP)
        || !inside_walls2(&f->walls, top, probe, tn, f->c, e, ell ? e2 : NO_SKIP))
        return false;
    cand kt = cand_of(top, tn), kr = cand_of(ramp, 4);
    if (!ko_clear_but(&f->doors, kt, f->c, own) || !ko_clear_but(&f->solids, kt, f->c, -1)
        || !ko_clear_but(&f->doors, kr, 0.1f + f->pr, own)
        || !ko_clear_but(&f->solids, kr, f->c, -1))
        return false;

    f32 h = bp->height;
    sv_fixture* fx = new_fixture(g, SV_FIXTURE_BENCH, h, 1);
    memcpy(fx->polygon, top, tn * sizeof(Vector2));
    fx->vertex_count = (u8)tn;
    memcpy(&fx->slopes[0], &sl, sizeof sl);
    fx->slope_count = 1;
    if (!ell) {
        add_face(fx, top[3], top[2], 0.0f, h, 0.0f, h, 0); // inner long side
        if (ramp_after)
            add_face(fx, top[0], top[3], 0.0f, h, 0.0f, h, 0);
        else
            add_face(fx, top[1], top[2], 0.0f, h, 0.0f, h, 0);
    } else {
        add_face(fx, top[1], top[0], 0.0f, h, 0.0f, h, 0);
        add_face(fx, top[0], top[5], 0.0f, h, 0.0f, h, 0);
        add_face(fx, top[4], top[5], 0.0f, h, 0.0f, h, 0);
    }
    add_face(fx, sl.across, sl.far_corner, 0.0f, 0.0f, 0.0f, h, sl.treads);
    fixture_circle(fx);

    if (slot < g->opening_count) {
        // The bench serves as the door's sill: the door opens onto its top.
        sv_opening* o = &g->openings[slot];
        o->bench_sill = 1;
        o->rise = h;
        o->treads = 0;
        o->top = bp->door_h + h;
        o->foot = add(o->centre, scale(n, D));
        for (u32 side = 0; side < 2; ++side) {
            sv_face* rs = &g->ramp_sides[slot][side];
            memset(rs, 0, sizeof *rs);
            rs->p0 = o->centre;
            rs->p1 = o->centre;
        }
    }
    ko_add(&f->solids, top, tn);
    ko_add(&f->solids, ramp, 4);
    return true;
}

void lay_benches(furnish* f, f64 density, u8 flights)
{
    sv_geom* g = f->g;
    bench_plan bp;
    memset(&bp, 0, sizeof bp);
    bp.depth = (f32)sv_tune(SV_TUNE_INTERIOR_BENCH_DEPTH);
    bp.height = (f32)sv_tune(SV_TUNE_INTERIOR_BENCH_HEIGHT);
    bp.run = bp.height / f->m;
    bp.door_h = (f32)sv_tune(SV_TUNE_GEOM_DOOR_HEIGHT);
    if (flights) {
        f32 c = std::ceil(bp.height / f->riser - 0.0001f);
        bp.treads = c < 0.0f ? 0 : (c > 255.0f ? 255 : (u8)c);
    }
    for (u8 e = 0; e < g->vertex_count; ++e) {
        u8 slot = f->slot_on_edge[e];
        if (slot == SHARED_SLOT)
            continue;
        f32 needed = slot < SV_DOOR_SLOTS ? 2.0f * f->pr + f->door_w + 0.4f : 1.6f;
        Vector2 a = g->vertices[e], b = g->vertices[(e + 1u) % g->vertex_count];
        if (length(sub(b, a)) >= needed + bp.run + 0.6f)
            bp.edges[bp.edge_count++] = e;
    }
    if (bp.edge_count == 0)
        return;
    u32 count = poisson(f, sv_tune(SV_TUNE_INTERIOR_BENCHES) * density, 3);
    for (u32 i = 0; i < count && g->fixture_count < SV_GEOM_FIXTURES; ++i)
        for (u32 attempt = 0; attempt < 8; ++attempt)
            if (try_bench(f, &bp))
                break;
}

// Interior density of this room: its area against a standard room, the floor's growth and the
// room's role. A non-finite value (a steep growth curve) counts as none.
f64 room_density(const sv_floor* floor, const sv_room* room, f32 R)
{
    f64 ratio = (f64)R / sv_tune(SV_TUNE_GEOM_ROOM_RADIUS);
    f64 d = ratio * ratio
        * sv_growth_eval((u32)sv_tune_i32(SV_TUNE_INTERIOR_DENSITY_GROWTH), 1.0,
                         sv_tune(SV_TUNE_INTERIOR_DENSITY_GROWTH_RATE), floor->floor_number);
    if (room->tags & SV_TAGS_ARENA)
        d *= sv_tune(SV_TUNE_INTERIOR_ARENA_DENSITY);
    else if (room->tags & SV_TAGS_LANDMARK)
        d *= sv_tune(SV_TUNE_INTERIOR_LANDMARK_DENSITY);
    return std::isfinite(d) ? d : 0.0;
}

} // namespace

void build_interior(sv_geom* geom, const sv_floor* floor, const sv_room* room, u16 place, u8 draw)
{
    if (!geom)
        return;
    memset(geom->fixtures, 0, sizeof geom->fixtures);
    geom->fixture_count = 0;
    geom->first_dais = SV_NO_DAIS;
    geom->dais_tiers = 0;
    geom->interior = draw;
    f32 R = geom->radius;
    f32 rp = sv_fminf(R / 3.0f, (f32)sv_tune(SV_TUNE_GEOM_PROP_SPACING));
    if (draw == SV_INTERIOR_BARE || !floor || !room || geom->vertex_count < 3) {
        place_props(geom, rp, geom->floor_y);
        return;
    }

    static furnish s_f; // keep-out lists are large; the generator is not re-entrant
    furnish* f = &s_f;
    memset(f, 0, offsetof(furnish, doors));
    f->doors.count = f->solids.count = f->spacing.count = 0;
    f->g = geom;
    f->R = R;
    f->s = (f32)sv_tune(SV_TUNE_GEOM_RADIUS_SPREAD);
    f->pr = (f32)sv_tune(SV_TUNE_PLAYER_RADIUS);
    f->door_w = (f32)sv_tune(SV_TUNE_GEOM_DOOR_WIDTH);
    f->c = 0.2f + 2.0f * f->pr;
    f->m = 0.85f * (f32)sv_tune(SV_TUNE_GEOM_MAX_SLOPE);
    f->riser = (f32)sv_tune(SV_TUNE_INTERIOR_RISER);
    f->step_h = (f32)sv_tune(SV_TUNE_PLAYER_STEP_HEIGHT);
    f->prop_r = rp;
    f->prop_y = geom->floor_y;

    u64 key = (((u64)place << 8) | (u64)draw) ^ 0x1A7E210B5A1FULL;
    sv_rng_seed(&f->rng,
                sv_mix64((key * 0x9E3779B97F4A7C15ULL)
                         ^ sv_stream_seed(floor->seed, floor->floor_number, SV_STREAM_GEOMETRY)));
    f64 density = room_density(floor, room, R);

    // Every potential door slot keeps its ramp area clear, doors or not.
    memset(f->slot_on_edge, NO_SLOT, sizeof f->slot_on_edge);
    f->fmin = 1e9f;
    for (u8 k = 0; k < SV_DOOR_SLOTS; ++k) {
        sv_slot s;
        potential_slot(geom, k, &s);
        f32 hw = f->door_w * 0.5f;
        Vector2 zone[4]
            = {sub(s.foot, scale(s.tangent, hw)), add(s.foot, scale(s.tangent, hw)),
               add(s.middle, scale(s.tangent, hw)), sub(s.middle, scale(s.tangent, hw))};
        ko_add(&f->doors, zone, 4);
        u8* on = &f->slot_on_edge[s.wall_edge];
        *on = *on == NO_SLOT ? k : SHARED_SLOT;
        f->fmin = sv_fminf(f->fmin, length(s.foot));
    }

    walls_reach(&f->walls, geom);
    ko_widen(&f->doors, f->c - 0.05f, f->door_wide);
    lay_dais(f, geom->flights);
    lay_props(f);
    f64 columns = sv_tune(SV_TUNE_INTERIOR_COLUMNS) * density;
    if (columns > 0.0)
        lay_standing(f, SV_FIXTURE_COLUMN, poisson(f, columns, 6),
                     (f32)sv_tune(SV_TUNE_INTERIOR_COLUMN_RADIUS), 6,
                     geom->ceiling_y - geom->floor_y);
    lay_standing(f, SV_FIXTURE_BLOCK, poisson(f, sv_tune(SV_TUNE_INTERIOR_BLOCKS) * density, 6),
                 (f32)sv_tune(SV_TUNE_INTERIOR_BLOCK_SIZE) * 0.5f * 1.4142f, 4,
                 (f32)sv_tune(SV_TUNE_INTERIOR_BLOCK_HEIGHT));
    lay_benches(f, density, geom->flights);
}

u32 sv_geom_interior_signature(const sv_geom* geom)
{
    if (!geom || geom->fixture_count == 0)
        return 0;
    u32 columns = 0, blocks = 0, benches = 0, dais = 0;
    for (u32 i = 0; i < geom->fixture_count && i < SV_GEOM_FIXTURES; ++i) {
        const sv_fixture* fx = &geom->fixtures[i];
        switch (fx->kind) {
        case SV_FIXTURE_COLUMN: ++columns; break;
        case SV_FIXTURE_BLOCK: ++blocks; break;
        case SV_FIXTURE_BENCH: ++benches; break;
        case SV_FIXTURE_DAIS: dais = fx->top > 0.0f ? 1 : 2; break;
        default: break;
        }
    }
    return columns << 2 | blocks << 6 | benches << 10 | dais;
}

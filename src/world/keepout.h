// The interior generator's keep-out geometry: lists of polygons (the door zones, the solids, the
// spacing) that a candidate must keep a gap from, the boxes and circles that settle most of its
// tests without measuring, the gap test between two polygons, and the walls' reach and clearance
// test. Private to the furnishing (interior.cpp), which tests every candidate here several
// times over: everything is internal to its one includer (an unnamed namespace), as the build
// has no link-time optimisation and calls across files would cost. Single precision, nothing
// drawn, no state of its own.
#pragma once
#include <bit>
#include <cmath>
#include <cstring>

#include "world/geom.h"
#include "world/prim.h"

namespace {

constexpr u32 KO_MAX = 48;
constexpr u32 WIDE_MAX = 32; // entries ko_plainly_near looks at

// Plane vectors (x, z), shared with the furnishing --------------------------------------------

inline Vector2 v2(f32 x, f32 z)
{
    return Vector2 {x, z};
}

inline Vector2 add(Vector2 a, Vector2 b)
{
    return v2(a.x + b.x, a.y + b.y);
}

inline Vector2 sub(Vector2 a, Vector2 b)
{
    return v2(a.x - b.x, a.y - b.y);
}

inline Vector2 scale(Vector2 a, f32 s)
{
    return v2(a.x * s, a.y * s);
}

inline f32 length(Vector2 a)
{
    return std::sqrt(a.x * a.x + a.y * a.y);
}

// Types ----------------------------------------------------------------------------------------

// An axis-aligned box round points.
struct box2 {
    f32 lx, ly, hx, hy;
};

// One keep-out polygon with its bounding circle and box.
struct ko_entry {
    Vector2 p[SV_FIXTURE_VERTICES];
    u8 n;
    Vector2 c;
    f32 r;
    box2 box;
};

// A keep-out list: a full one silently takes no more entries.
struct ko_list {
    ko_entry e[KO_MAX];
    u32 count;
};

// The walls of the place being furnished, as inside_walls2 reads them (kept by walls_reach).
struct ko_walls {
    const sv_geom* g;
    f32 edge_dist[SV_GEOM_VERTICES]; // each wall edge's distance from the origin
    f32 least_edge;                  // the least of edge_dist
    f32 inner_r; // within this radius about the origin a point plainly lies inside; 0 unknown
};

// Bounds and lists -----------------------------------------------------------------------------

// Mean of the points and the largest distance from it.
void poly_circle(const Vector2* p, u32 n, Vector2* centre, f32* radius)
{
    Vector2 c = v2(0.0f, 0.0f);
    for (u32 i = 0; i < n; ++i)
        c = add(c, p[i]);
    if (n > 0)
        c = scale(c, 1.0f / (f32)n);
    // The root of the largest square is the largest root, to the bit: sqrt never decreases.
    f32 r2 = 0.0f;
    for (u32 i = 0; i < n; ++i) {
        Vector2 d = sub(p[i], c);
        f32 d2 = d.x * d.x + d.y * d.y;
        r2 = d2 > r2 ? d2 : r2;
    }
    *centre = c;
    *radius = std::sqrt(r2);
}

// The box round points p[0..n), n >= 1.
box2 box_of(const Vector2* p, u32 n)
{
    box2 r = {p[0].x, p[0].y, p[0].x, p[0].y};
    for (u32 i = 1; i < n; ++i) {
        r.lx = p[i].x < r.lx ? p[i].x : r.lx;
        r.hx = p[i].x > r.hx ? p[i].x : r.hx;
        r.ly = p[i].y < r.ly ? p[i].y : r.ly;
        r.hy = p[i].y > r.hy ? p[i].y : r.hy;
    }
    return r;
}

// The box round segment a-b.
box2 seg_box(Vector2 a, Vector2 b)
{
    return {a.x < b.x ? a.x : b.x, a.y < b.y ? a.y : b.y, a.x < b.x ? b.x : a.x,
            a.y < b.y ? b.y : a.y};
}

// How far any point in box p lies at least from any point in box q, less a centimetre, so that
// rounding in pt_seg_dist2 can never come out below it (0 when they are near or overlap).
f32 box_gap_lower(const box2& p, const box2& q)
{
    f32 gx = q.lx - p.hx > p.lx - q.hx ? q.lx - p.hx : p.lx - q.hx;
    f32 gy = q.ly - p.hy > p.ly - q.hy ? q.ly - p.hy : p.ly - q.hy;
    f32 g = gx > gy ? gx : gy;
    return g > 0.01f ? g - 0.01f : 0.0f;
}

// Whether boxes p and q lie more than a centimetre apart on either axis: segments within them
// can then never cross, whatever the rounding.
inline bool boxes_apart(const box2& p, const box2& q)
{
    return q.lx - p.hx > 0.01f || p.lx - q.hx > 0.01f || q.ly - p.hy > 0.01f || p.ly - q.hy > 0.01f;
}

// Whether poly_contains gives 0 for point p and any polygon within box b, known without it: p
// at or above the box's top or below its bottom (no edge straddles p's row), or more than a
// centimetre right of it (no crossing lies right of p) or left of it (every straddling edge
// does, and a closed polygon has an even number of them).
inline bool box_excludes(const box2& b, Vector2 p)
{
    return p.y >= b.hy || p.y < b.ly || p.x > b.hx + 0.01f || p.x < b.lx - 0.01f;
}

// Adds polygon p[0..n) (n <= SV_FIXTURE_VERTICES) to list with its circle and box; nothing when
// the list is full.
void ko_add(ko_list* list, const Vector2* p, u32 n)
{
    if (list->count >= KO_MAX)
        return;
    ko_entry* e = &list->e[list->count++];
    memset(e, 0, sizeof *e);
    memcpy(e->p, p, n * sizeof(Vector2));
    e->n = (u8)n;
    poly_circle(p, n, &e->c, &e->r);
    if (n > 0)
        e->box = box_of(p, n);
}

// A candidate polygon with its bounding circle and box, worked out once for all its tests.
struct cand {
    const Vector2* p;
    u32 n;
    Vector2 c;
    f32 r;
    box2 box;
};

// Candidate p[0..n) with its circle and box (an empty box for n = 0); it points into p.
cand cand_of(const Vector2* p, u32 n)
{
    cand k;
    k.p = p;
    k.n = n;
    poly_circle(p, n, &k.c, &k.r);
    k.box = n > 0 ? box_of(p, n) : box2 {0.0f, 0.0f, 0.0f, 0.0f};
    return k;
}

// The index after i round a polygon of n points.
inline u32 next_of(u32 i, u32 n)
{
    return i + 1 == n ? 0 : i + 1;
}

// Whether pt_seg_dist2 from q to segment s-t cannot come out below gap squared: the segment's
// box lies farther than gap from q.
inline bool point_far(Vector2 q, Vector2 s, Vector2 t, f32 gap)
{
    return box_gap_lower(box2 {q.x, q.y, q.x, q.y}, seg_box(s, t)) >= gap;
}

// Whether polygons A and B (within boxes abox and bbox) lie nearer than gap. Their distance is 0
// when a point of B lies in A or an edge of A crosses an edge of B; else the least distance from
// a vertex of either to an edge of the other (1e9 when either is empty). Each of the three tests
// can only say "nearer", so the measure, which settles most calls, goes first; points and edges
// plainly outside the other's reach are not tested, and the first nearer pair settles it (sqrt
// keeps order).
bool poly_gap_below(const Vector2* a, u32 na, const box2& abox, const Vector2* b, u32 nb,
                    const box2& bbox, f32 gap)
{
    // An empty polygon cannot contain, cross or lie near anything.
    if (nb == 0 || na == 0)
        return 1e9f < gap;
    f32 best = 1e18f;
    if (gap <= 1e9f) {
        // Boxes farther apart than gap: no point inside the other, no crossing, every edge far.
        if (box_gap_lower(abox, bbox) >= gap)
            return false;
        // A pair whose boxes lie farther apart than gap cannot come out nearer.
        for (u32 i = 0; i < na; ++i) {
            Vector2 a0 = a[i], a1 = a[next_of(i, na)];
            for (u32 j = 0; j < nb; ++j) {
                Vector2 b0 = b[j], b1 = b[next_of(j, nb)];
                bool skip_b = point_far(a0, b0, b1, gap), skip_a = point_far(b0, a0, a1, gap);
                if (skip_a && skip_b)
                    continue;
                f32 d1 = skip_b ? 1e18f : pt_seg_dist2(a0, b0, b1);
                f32 d2 = skip_a ? 1e18f : pt_seg_dist2(b0, a0, a1);
                best = d1 < best ? d1 : best;
                best = d2 < best ? d2 : best;
                if (best < 1e18f && std::sqrt(best) < gap)
                    return true;
            }
        }
    } else {
        // Past 1e9 any measure decides: every edge is measured but those the boxes rule out.
        u64 far_a = 0, far_b = 0;
        for (u32 i = 0; i < na && i < 64; ++i)
            if (box_gap_lower(bbox, seg_box(a[i], a[next_of(i, na)])) >= gap)
                far_a |= 1ull << i;
        for (u32 j = 0; j < nb && j < 64; ++j)
            if (box_gap_lower(abox, seg_box(b[j], b[next_of(j, nb)])) >= gap)
                far_b |= 1ull << j;
        for (u32 i = 0; i < na; ++i)
            for (u32 j = 0; j < nb; ++j) {
                bool skip_b = j < 64 && ((far_b >> j) & 1u), skip_a = i < 64 && ((far_a >> i) & 1u);
                f32 d1 = skip_b ? 1e18f : pt_seg_dist2(a[i], b[j], b[next_of(j, nb)]);
                f32 d2 = skip_a ? 1e18f : pt_seg_dist2(b[j], a[i], a[next_of(i, na)]);
                best = d1 < best ? d1 : best;
                best = d2 < best ? d2 : best;
                if (best < 1e18f && std::sqrt(best) < gap)
                    return true;
            }
    }
    for (u32 i = 0; i < nb; ++i)
        if (!box_excludes(abox, b[i]) && poly_contains(a, (u8)na, b[i]))
            return 0.0f < gap;
    for (u32 i = 0; i < na; ++i) {
        box2 ei = seg_box(a[i], a[next_of(i, na)]);
        if (boxes_apart(ei, bbox))
            continue;
        for (u32 j = 0; j < nb; ++j)
            if (!boxes_apart(ei, seg_box(b[j], b[next_of(j, nb)]))
                && segs_cross(a[i], a[next_of(i, na)], b[j], b[next_of(j, nb)]))
                return 0.0f < gap;
    }
    return (best < 1e18f ? std::sqrt(best) : 1e9f) < gap;
}

// 1 when the candidate keeps at least gap from every entry but index skip (-1 none).
bool ko_clear_but(const ko_list* list, const cand& k, f32 gap, i32 skip)
{
    for (u32 i = 0; i < list->count; ++i) {
        if ((i32)i == skip)
            continue;
        const ko_entry* e = &list->e[i];
        // Boxes farther apart than gap: neither test below can refuse.
        if (gap <= 1e9f && box_gap_lower(k.box, e->box) >= gap)
            continue;
        if (length(sub(k.c, e->c)) > k.r + e->r + gap)
            continue;
        // Either test alone refuses; the one that settles most goes first.
        if (poly_gap_below(k.p, k.n, k.box, e->p, e->n, e->box, gap))
            return false;
        if (gap > 0.0f)
            for (u32 q = 0; q < k.n; ++q)
                if (!box_excludes(e->box, k.p[q]) && poly_contains(e->p, e->n, k.p[q]))
                    return false;
    }
    return true;
}

// Whether point q lies plainly within reach of an entry: inside it, or nearer than reach to one
// of its edges. A candidate polygon round q (q inside it, or within a ten-thousandth of it) then
// lies nearer than reach plus that to the entry, and ko_clear_but with a gap of reach and five
// centimetres more refuses it however it is turned: the polygons overlap (a point of one lies
// inside the other, or edges cross) or some vertex and edge lie nearer than the gap, with room
// to spare for every rounding, and neither the box nor the circle skip passes such an entry.
// Entries are looked at only when q lies in their box widened by reach (wide, one per entry, the
// first WIDE_MAX entries): the boxes are all tested at once, without a branch each.
bool ko_plainly_near(const ko_list* list, const box2* wide, Vector2 q, f32 reach)
{
    u32 mask = 0;
    for (u32 i = 0; i < list->count && i < WIDE_MAX; ++i)
        mask |= (u32)((q.x >= wide[i].lx) & (q.x <= wide[i].hx) & (q.y >= wide[i].ly)
                      & (q.y <= wide[i].hy))
            << i;
    f32 reach2 = reach * reach;
    for (; mask; mask &= mask - 1) {
        const ko_entry* e = &list->e[std::countr_zero(mask)];
        if (e->n == 0)
            continue;
        if (poly_contains(e->p, e->n, q))
            return true;
        for (u32 j = 0; j < e->n; ++j)
            if (pt_seg_dist2(q, e->p[j], e->p[next_of(j, e->n)]) < reach2)
                return true;
    }
    return false;
}

// The boxes of the first WIDE_MAX entries widened by reach, for ko_plainly_near.
void ko_widen(const ko_list* list, f32 reach, box2* wide)
{
    for (u32 i = 0; i < list->count && i < WIDE_MAX; ++i) {
        const box2& b = list->e[i].box;
        wide[i] = box2 {b.lx - reach, b.ly - reach, b.hx + reach, b.hy + reach};
    }
}

// The walls -------------------------------------------------------------------------------------

// Keeps in w what inside_walls2 needs of geometry g's walls, which stay as they are while
// furnishing: each wall edge's distance from the origin and, when the origin lies inside, a
// radius less a centimetre within which every point lies plainly inside the walls (the disc of
// the least edge distance meets no wall, so the even-odd rule gives the origin's answer
// throughout it).
void walls_reach(ko_walls* w, const sv_geom* g)
{
    w->g = g;
    f32 least = 1e18f;
    for (u8 e = 0; e < g->vertex_count; ++e) {
        Vector2 a = g->vertices[e], b = g->vertices[(e + 1u) % g->vertex_count];
        f32 d = std::sqrt(pt_seg_dist2(v2(0.0f, 0.0f), a, b));
        w->edge_dist[e] = d;
        least = d < least ? d : least;
    }
    w->least_edge = least;
    w->inner_r = least > 0.02f && least < 1e18f && sv_geom_contains(g, v2(0.0f, 0.0f))
        ? least - 0.01f
        : 0.0f;
}

// 1 when every probe point lies inside the walls (of w, kept by walls_reach) and every point lies
// at least clearance from every wall edge but skip_a and skip_b. Probes are the points, or (for
// a bench) its points with the wall-side ones moved 0.01 inwards, so rounding on the wall line
// cannot decide.
bool inside_walls2(const ko_walls* w, const Vector2* p, const Vector2* probe, u32 n, f32 clearance,
                   u8 skip_a, u8 skip_b)
{
    const sv_geom* g = w->g;
    f32 inner2 = w->inner_r * w->inner_r;
    for (u32 i = 0; i < n; ++i) {
        Vector2 q = probe ? probe[i] : p[i];
        if (!(q.x * q.x + q.y * q.y < inner2) && !sv_geom_contains(g, q))
            return false;
    }
    // The least distance decides only against clearance: a pair plainly farther than it cannot
    // lower the verdict and is not measured, and the first nearer pair settles it (sqrt keeps
    // order, so this is the answer the full minimum gives). An edge is plainly far when its
    // distance from the origin exceeds the farthest point's by clearance and a centimetre.
    f32 least = 1e18f;
    f32 reach2 = 0.0f;
    for (u32 i = 0; i < n; ++i) {
        f32 d2 = p[i].x * p[i].x + p[i].y * p[i].y;
        reach2 = d2 > reach2 ? d2 : reach2;
    }
    f32 reach = std::sqrt(reach2);
    // Every edge plainly far (none is nearer than the least).
    if (w->least_edge - reach >= clearance + 0.01f)
        return std::sqrt(least) >= clearance;
    bool boxed = false;
    box2 pbox = {0.0f, 0.0f, 0.0f, 0.0f};
    for (u8 e = 0; e < g->vertex_count; ++e) {
        if (e == skip_a || e == skip_b)
            continue;
        if (w->edge_dist[e] - reach >= clearance + 0.01f)
            continue;
        if (!boxed && n > 0)
            pbox = box_of(p, n);
        boxed = true;
        Vector2 a = g->vertices[e], b = g->vertices[(e + 1u) % g->vertex_count];
        if (box_gap_lower(pbox, seg_box(a, b)) >= clearance)
            continue;
        for (u32 i = 0; i < n; ++i) {
            f32 d2 = pt_seg_dist2(p[i], a, b);
            least = d2 < least ? d2 : least;
            if (std::sqrt(least) < clearance)
                return false;
        }
    }
    return std::sqrt(least) >= clearance;
}

} // namespace

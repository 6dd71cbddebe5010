// The navigation grid's links: from each rectangle across each of its sides to the rectangles a
// body can step to, directly (touching sides, a rise of at most a step) or over a band of blocked
// cells low enough to step across (a gap link), one link per run of side positions with the same
// target; then the incoming lists.
#include <cmath>
#include <cstring>

#include "core/fmath.h"
#include "world/nav_build.h"

// What lies across one side position: the target rectangle (-1 none) and the gap width.
struct side_target {
    i32 to;
    u8 gap;
    i32 gap_cells;
};

// The rise along a gap from cell a's centre to cell c's, or some value above the limit when the
// ground rises more than a step on the line between them or on one of the lines a cell to either
// side (px, pz); the step passes without sampling when no two heights near it can differ by more.
static f32 gap_rise(nav_build* b, Vector2 a, Vector2 c, f32 px, f32 pz)
{
    const f32 step = b->step;
    f32 bx0 = sv_fminf(sv_fminf(a.x, c.x) - px, sv_fminf(a.x, c.x) + px);
    f32 bx1 = sv_fmaxf(sv_fmaxf(a.x, c.x) - px, sv_fmaxf(a.x, c.x) + px);
    f32 bz0 = sv_fminf(sv_fminf(a.y, c.y) - pz, sv_fminf(a.y, c.y) + pz);
    f32 bz1 = sv_fmaxf(sv_fmaxf(a.y, c.y) - pz, sv_fmaxf(a.y, c.y) + pz);
    if (sv_nav_rise_bound(b, bx0, bz0, bx1, bz1) <= step + 0.0001f)
        return 0.0f;
    // Only whether the largest rise passes the limit matters: once one line's does, the others
    // cannot change the answer.
    const f32 limit = step + 0.0001f;
    f32 rise = sv_nav_ground_rise(b, a, c, limit);
    if (rise > 0.001f && !(rise > limit)) {
        for (f32 s = -1.0f; s <= 1.0f && !(rise > limit); s += 2.0f) {
            f32 r = sv_nav_ground_rise(b, Vector2 {a.x + s * px, a.y + s * pz},
                                       Vector2 {c.x + s * px, c.y + s * pz}, limit);
            if (r > rise)
                rise = r;
        }
    }
    return rise;
}

// What a body on cell (i, j) of rectangle rect finds across its side (dx, dz): the first walkable
// cell within reach, over blocked cells no higher than a step above its ground, in another
// rectangle, reached by a rise of at most a step.
static side_target probe(nav_build* b, u16 rect, i32 i, i32 j, i32 dx, i32 dz, i32 reach)
{
    const sv_nav_grid* g = b->grid;
    side_target none = {-1, 0, 0};
    u32 e = (u32)(j * g->width + i);
    f32 step = b->step;
    f32 ge = g->ground[e];
    // The cells across, out to reach or to the grid's edge, past which nothing is found.
    i32 room = dx > 0 ? g->width - 1 - i : (dx < 0 ? i : (dz > 0 ? g->height - 1 - j : j));
    i32 last = reach < room ? reach : room;
    i32 stride = dx + dz * (i32)g->width;
    f32 band = ge + step + 0.001f;
    i32 k = 1;
    u32 c = e;
    for (; k <= last; ++k) {
        c += (u32)stride;
        if (g->walkable[c])
            break;
        // A band cell too high to step over: no target beyond it can be reached.
        if (!(g->obstacle_top[c] <= band))
            return none;
    }
    if (k > last || g->rect_of_cell[c] == rect || g->rect_of_cell[c] == SV_NONE16)
        return none;
    f32 rise;
    if (k == 1) {
        rise = g->ground[c] - ge;
    } else {
        rise = gap_rise(b, nav_cell_centre(g, i, j), nav_cell_centre(g, i + k * dx, j + k * dz),
                        (f32)dz * g->cell, (f32)dx * g->cell);
    }
    if (!(rise <= step + 0.0001f))
        return none;
    return side_target {g->rect_of_cell[c], (u8)(k > 1), k - 1};
}

// One link for the run of positions [first, last] of a side, while the table has room.
static void add_link(sv_nav_grid* g, u16 rect, i32 dx, i32 dz, i32 first, i32 last, side_target t)
{
    if (t.to < 0 || g->link_count >= SV_NAV_LINKS)
        return;
    const sv_nav_rect* r = &g->rects[rect];
    f32 cell = g->cell;
    sv_nav_link* l = &g->links[g->link_count++];
    l->to = (u16)t.to;
    l->gap = t.gap;
    Vector2 a, c;
    if (dx != 0) {
        f32 x = g->origin_x + (f32)(dx > 0 ? r->x1 : r->x0) * cell;
        a = Vector2 {x, g->origin_z + (f32)(r->z0 + first) * cell};
        c = Vector2 {x, g->origin_z + (f32)(r->z0 + last + 1) * cell};
    } else {
        f32 z = g->origin_z + (f32)(dz > 0 ? r->z1 : r->z0) * cell;
        a = Vector2 {g->origin_x + (f32)(r->x0 + first) * cell, z};
        c = Vector2 {g->origin_x + (f32)(r->x0 + last + 1) * cell, z};
    }
    Vector2 mid = {(a.x + c.x) * 0.5f, (a.y + c.y) * 0.5f};
    l->a = t.gap ? mid : a;
    l->b = t.gap ? mid : c;
    f32 out = ((f32)t.gap_cells + 0.5f) * cell;
    l->landing = Vector2 {mid.x + (f32)dx * out, mid.y + (f32)dz * out};
    g->rects[rect].link_count++;
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
[[gnu::always_inline]] static inline void links_on_edge(nav_build* b, u16 rect, i32 dx, i32 dz,
                                                        i32 reach)
{
    sv_nav_grid* g = b->grid;
    const sv_nav_rect* r = &g->rects[rect];
    i32 count = dx != 0 ? r->z1 - r->z0 : r->x1 - r->x0;
    i32 i0 = dx != 0 ? (dx > 0 ? r->x1 - 1 : r->x0) : r->x0;
    i32 j0 = dx != 0 ? r->z0 : (dz > 0 ? r->z1 - 1 : r->z0);
    // The row or column across the side is off the grid: every probe finds nothing.
    if (count <= 0 || reach < 1 || i0 + dx < 0 || j0 + dz < 0 || i0 + dx >= g->width
        || j0 + dz >= g->height)
        return;
    const i32 w = g->width;
    const i32 along = dx != 0 ? w : 1, out = dx + dz * w;
    const f32 step = b->step;
    const u8* walkable = g->walkable;
    const u16* rect_of = g->rect_of_cell;
    const f32* ground = g->ground;
    const f32* top = g->obstacle_top;
    const f32 limit = step + 0.0001f;
    i32 run_first = 0;
    side_target run = {-1, 0, 0};
    // Ends the run before pos when t differs from it.
    auto note = [&](i32 pos, side_target t) {
        if (pos > 0 && (t.to != run.to || t.gap != run.gap || t.gap_cells != run.gap_cells)) {
            if (run.to >= 0)
                add_link(g, rect, dx, dz, run_first, pos - 1, run);
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
                const sv_nav_rect* q = &g->rects[to];
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
                 probe(b, rect, i0 + (dx != 0 ? 0 : pos), j0 + (dx != 0 ? pos : 0), dx, dz, reach));
        } else {
            note(pos, side_target {-1, 0, 0});
        }
        ++pos;
        e += (u32)along;
    }
    if (run.to >= 0)
        add_link(g, rect, dx, dz, run_first, count - 1, run);
}

// The incoming lists: the sources of the links into each rectangle, grouped by target.
static void list_incoming(sv_nav_grid* g, u32* fill)
{
    u32* start = g->incoming_start;
    memset(start, 0, sizeof(u32) * (g->rect_count + 1));
    for (u32 k = 0; k < g->link_count; ++k)
        start[g->links[k].to + 1]++;
    for (u32 r = 0; r < g->rect_count; ++r)
        start[r + 1] += start[r];
    memcpy(fill, start, sizeof(u32) * g->rect_count);
    for (u32 r = 0; r < g->rect_count; ++r) {
        const sv_nav_rect* rc = &g->rects[r];
        for (u32 k = rc->first_link; k < rc->first_link + rc->link_count; ++k)
            g->incoming[fill[g->links[k].to]++] = (u16)r;
    }
}

void sv_nav_link_rects(nav_build* b)
{
    sv_nav_grid* g = b->grid;
    g->link_count = 0;
    f64 span = ceil((2.0 * b->radius + g->cell) / g->cell);
    i32 reach = nav_clamp_index(span, 0, SV_NAV_SIDE) + 2; // cells a probe looks across
    for (u32 r = 0; r < g->rect_count; ++r) {
        g->rects[r].first_link = g->link_count;
        g->rects[r].link_count = 0;
        links_on_edge(b, (u16)r, 1, 0, reach);
        links_on_edge(b, (u16)r, -1, 0, reach);
        links_on_edge(b, (u16)r, 0, 1, reach);
        links_on_edge(b, (u16)r, 0, -1, reach);
    }
    list_incoming(g, b->scratch->fill);
}

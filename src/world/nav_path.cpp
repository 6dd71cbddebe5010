// Path search within a place: A* over the grid's rectangles and links (with its binary heap),
// then string pulling through the doorways (and gap landings) of the links found; the walking
// length of a path; whether an interior leaves every door foot, prop spot and the centre joined
// both ways; and the grid's counts. All search state is static and rebuilt by each call.
#include "world/nav_path.h"

#include <cmath>
#include <cstring>

#include "core/fmath.h"
#include "core/panic.h"
#include "core/tune.h"
#include "world/body.h"
#include "world/geom.h"
#include "world/nav_grid.h"
#include "world/prim.h"

// State -------------------------------------------------------------------------------------

// A* over rectangles: per rectangle its cost, closed flag, way in and entry point.
static struct {
    f32 g[SV_NAV_RECTS];
    u8 closed[SV_NAV_RECTS];
    u16 came_from[SV_NAV_RECTS];
    u32 came_by[SV_NAV_RECTS];
    Vector2 entry[SV_NAV_RECTS];
} s_search;

// The funnel: the links of the path (goal back to start) and the portals (start to goal).
static struct {
    u32 chain[SV_NAV_RECTS];
    Vector2 left[SV_NAV_PORTALS];
    Vector2 right[SV_NAV_PORTALS];
} s_funnel;

// A path taken again through a cell near its goal, before it replaces the one found.
static Vector2 s_leg[SV_NAV_PORTALS];

// The walkability walks: bit 1 reached forward, bit 2 reaches back.
static u8 s_mark[SV_NAV_RECTS];
static u16 s_queue[SV_NAV_RECTS];

static sv_nav_heap g_heap;

// Helpers -----------------------------------------------------------------------------------

static f32 dist(Vector2 a, Vector2 b)
{
    f32 dx = b.x - a.x, dz = b.y - a.y;
    return sqrtf(dx * dx + dz * dz);
}

static int usable(const sv_geom* geom, f32 radius)
{
    return geom && geom->vertex_count >= 3 && std::isfinite(radius) && radius >= 0.0f;
}

// The point of a-b nearest p; the middle for a segment of no length.
static Vector2 nearest_on(Vector2 a, Vector2 b, Vector2 p)
{
    f32 dx = b.x - a.x, dz = b.y - a.y;
    f32 len = dx * dx + dz * dz;
    if (!(len > 1e-9f))
        return Vector2 {(a.x + b.x) * 0.5f, (a.y + b.y) * 0.5f};
    f32 t = ((p.x - a.x) * dx + (p.y - a.y) * dz) / len;
    t = t < 0.0f ? 0.0f : (t > 1.0f ? 1.0f : t);
    return Vector2 {a.x + t * dx, a.y + t * dz};
}

// Twice the signed area of triangle a, b, c in the funnel's sense.
static f32 area(Vector2 a, Vector2 b, Vector2 c)
{
    return (c.x - a.x) * (b.y - a.y) - (b.x - a.x) * (c.y - a.y);
}

static int same_point(Vector2 a, Vector2 b)
{
    return dist(a, b) < 1e-6f;
}

// Heap --------------------------------------------------------------------------------------

sv_nav_heap* sv_nav_search_heap(void)
{
    return &g_heap;
}

void sv_nav_heap_clear(void)
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

u16 sv_nav_heap_pop(void)
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

// A* ----------------------------------------------------------------------------------------

// Searches from rectangle from (entered at start) to rectangle to; 1 when found.
static int search(u16 from, u16 to, Vector2 start, Vector2 goal)
{
    const sv_nav_grid* grid = sv_nav_current_grid();
    sv_nav_heap* heap = sv_nav_search_heap();
    for (u32 r = 0; r < grid->rect_count; ++r) {
        s_search.g[r] = 1e30f;
        s_search.closed[r] = 0;
        s_search.came_from[r] = SV_NONE16;
    }
    sv_nav_heap_clear();
    s_search.entry[from] = start;
    s_search.g[from] = 0.0f;
    heap->f[from] = dist(start, goal);
    heap_push(from);
    while (heap->size > 0) {
        u16 cur = sv_nav_heap_pop();
        if (s_search.closed[cur])
            continue;
        s_search.closed[cur] = 1;
        if (cur == to)
            return 1;
        const sv_nav_rect* r = &grid->rects[cur];
        for (u32 k = r->first_link; k < r->first_link + r->link_count; ++k) {
            const sv_nav_link* l = &grid->links[k];
            if (s_search.closed[l->to])
                continue;
            Vector2 p = l->gap ? l->landing : nearest_on(l->a, l->b, s_search.entry[cur]);
            f32 cost = s_search.g[cur] + dist(p, s_search.entry[cur]);
            if (cost < s_search.g[l->to]) {
                s_search.entry[l->to] = p;
                s_search.g[l->to] = cost;
                s_search.came_from[l->to] = cur;
                s_search.came_by[l->to] = k;
                heap->f[l->to] = cost + dist(p, goal);
                heap_push(l->to);
            }
        }
    }
    return 0;
}

// Funnel ------------------------------------------------------------------------------------

static u32 add_portal(u32 n, Vector2 left, Vector2 right)
{
    s_funnel.left[n] = left;
    s_funnel.right[n] = right;
    return n + 1;
}

// Portals from the start (and on to via, when given) through each link of the chain
// (chain[count - 1] is the first) to the goal. The goal's portal always has room: link portals
// stop one short of the table's end.
static u32 portals(u32 count, Vector2 start, const Vector2* via, Vector2 goal)
{
    const sv_nav_grid* grid = sv_nav_current_grid();
    u32 n = add_portal(0, start, start);
    Vector2 ref = start;
    if (via) {
        n = add_portal(n, *via, *via);
        ref = *via;
    }
    for (u32 c = count; c-- > 0;) {
        const sv_nav_link* l = &grid->links[s_funnel.chain[c]];
        u32 need = l->gap ? 2 : 1;
        if (n + need > SV_NAV_PORTALS - 1)
            break;
        if (c == count - 1 && l->gap
            && (l->landing.x - l->a.x) * (start.x - l->a.x)
                    + (l->landing.y - l->a.y) * (start.y - l->a.y)
                > 0.0f) {
            n = add_portal(n, l->landing, l->landing);
            ref = l->landing;
            continue;
        }
        Vector2 a = l->a, b = l->b;
        f32 len = dist(a, b);
        if (len > 1e-6f) {
            f32 move = sv_fminf(grid->cell, len * 0.5f) / len;
            Vector2 d = {(b.x - a.x) * move, (b.y - a.y) * move};
            a = Vector2 {a.x + d.x, a.y + d.y};
            b = Vector2 {b.x - d.x, b.y - d.y};
        }
        Vector2 m = {(l->a.x + l->b.x) * 0.5f, (l->a.y + l->b.y) * 0.5f};
        Vector2 d = {m.x - ref.x, m.y - ref.y};
        f32 ca = a.x * d.y - a.y * d.x, cb = b.x * d.y - b.y * d.x;
        n = cb > ca ? add_portal(n, a, b) : add_portal(n, b, a);
        ref = m;
        if (l->gap) {
            n = add_portal(n, l->landing, l->landing);
            ref = l->landing;
        }
    }
    return add_portal(n, goal, goal);
}

// The simple funnel over portals [0, n): writes corners to out (at most cap); returns the count.
// The goal's own portal, once reached as a corner, is the goal itself: *done is set so that it
// is not written twice. Every restart moves the apex's portal forward, so the scan ends within
// n^2 steps in exact arithmetic; the step bound guards against what rounding and NaN might do.
u64 sv_nav_funnel(const Vector2* lefts, const Vector2* rights, u32 n, Vector2* out, u64 cap,
                  int* done)
{
    *done = 0;
    u64 written = 0;
    if (n == 0)
        return 0;
    Vector2 apex = lefts[0], left = apex, right = apex;
    u32 apex_i = 0, left_i = 0, right_i = 0;
    u64 budget = 64ull * n + 1024;
    for (u32 i = 1; i < n && written < cap && budget > 0; ++i, --budget) {
        Vector2 pl = lefts[i], pr = rights[i];
        if (area(apex, right, pr) <= 0.0f) {
            if (same_point(apex, right) || area(apex, left, pr) > 0.0f) {
                right = pr;
                right_i = i;
            } else {
                out[written++] = left;
                apex = right = left;
                apex_i = right_i = left_i;
                if (apex_i == n - 1)
                    *done = 1;
                i = apex_i;
                continue;
            }
        }
        if (area(apex, left, pl) >= 0.0f) {
            if (same_point(apex, left) || area(apex, right, pl) < 0.0f) {
                left = pl;
                left_i = i;
            } else {
                out[written++] = right;
                apex = left = right;
                apex_i = left_i = right_i;
                if (apex_i == n - 1)
                    *done = 1;
                i = apex_i;
                continue;
            }
        }
    }
    return written;
}

// A start partway over a gap ----------------------------------------------------------------

// Gap links a start is tried over, at most.
#define GAP_TRIES 4

// The gap links, in link order and at most GAP_TRIES, whose crossing from its doorway to its
// landing passes within half a cell of p when p's own cell is not walkable: a body walking over a
// gap stands on no rectangle, and the nearest one may lie behind it.
static u32 gaps_under(Vector2 p, u32* out)
{
    const sv_nav_grid* grid = sv_nav_current_grid();
    f32 fx = (p.x - grid->origin_x) / grid->cell, fz = (p.y - grid->origin_z) / grid->cell;
    if (!(fx >= 0.0f && fz >= 0.0f && fx < (f32)grid->width && fz < (f32)grid->height))
        return 0;
    if (grid->walkable[(u32)fz * grid->width + (u32)fx])
        return 0;
    f32 near2 = grid->cell * grid->cell * 0.25f;
    u32 n = 0;
    for (u32 k = 0; k < grid->link_count && n < GAP_TRIES; ++k) {
        const sv_nav_link* l = &grid->links[k];
        if (l->gap && pt_seg_dist2(p, l->a, l->landing) <= near2)
            out[n++] = k;
    }
    return n;
}

// The path out ------------------------------------------------------------------------------

// The corners of the way the last search found from first (entered at start, or through via) to
// rectangle to, then p: written to out (at most cap), p last unless cap cut the path short.
static u64 pull(u16 first, u16 to, Vector2 start, const Vector2* via, Vector2 p, Vector2* out,
                u64 cap)
{
    u32 count = 0;
    for (u16 r = to; r != first && count < SV_NAV_RECTS; r = s_search.came_from[r])
        s_funnel.chain[count++] = s_search.came_by[r];
    u32 n = portals(count, start, via, p);
    int done = 0;
    u64 written = sv_nav_funnel(s_funnel.left, s_funnel.right, n, out, cap, &done);
    if (!done && written < cap)
        out[written++] = p;
    return written;
}

// The last leg --------------------------------------------------------------------------------
//
// The erosion leaves a strip a radius wide unwalkable beside every ramp side and fixture face,
// however low, and the corners and the goal's rectangle are chosen by cell: the last leg to a goal
// in such a strip may come in over ground (a lower tread of a stepped ramp, the deep end of a
// sloping one) from which the face beside the goal rises more than a step. Collision then holds
// the body a radius off that face, which is nearer than that to the goal, so it stops short
// however it slides. Such a leg is found by walking it against those faces, and the way is then
// taken through the centre of the nearest cell from which a straight walk to the goal is clear, so
// that nothing changes where the leg was clear.

// Samples of a leg are this far apart at most.
#define LEG_SAMPLE (SV_NAV_CELL * 0.25f)
// Samples of one leg at most (a longer leg is sampled more sparsely).
#define LEG_SAMPLES 1024u
// Faces a goal can have within a radius of it: every ramp side and every fixture face.
#define GOAL_FACES (SV_GEOM_OPENINGS * 2 + SV_GEOM_FIXTURES * SV_FIXTURE_SEGS)

// The faces near a goal, those of the last search.
static struct {
    const sv_face* face[GOAL_FACES];
    u32 count;
} s_goal;

// The height above the floor past which a face within a radius of p holds off a body standing at
// p (collision's and sv_geom_standable's rule): the ground there and player.step_height.
static f32 step_limit(const sv_geom* geom, Vector2 p)
{
    return sv_geom_ground(geom, p.x, p.y) - geom->floor_y + (f32)sv_tune(SV_TUNE_PLAYER_STEP_HEIGHT)
        + 0.001f;
}

// Adds face f to the goal's faces when it lies within r of the goal and does not hold off a body
// standing there (*limit the goal's step_limit, worked out when first needed: *known).
static void add_goal_face(const sv_geom* geom, const sv_face* f, f32 r, Vector2 goal, f32* limit,
                          bool* known)
{
    if (goal.x + r < sv_fminf(f->p0.x, f->p1.x) || goal.x - r > sv_fmaxf(f->p0.x, f->p1.x)
        || goal.y + r < sv_fminf(f->p0.y, f->p1.y) || goal.y - r > sv_fmaxf(f->p0.y, f->p1.y)
        || !(pt_seg_dist2(goal, f->p0, f->p1) < r * r))
        return;
    if (!*known) {
        *limit = step_limit(geom, goal);
        *known = true;
    }
    if (!(sv_geom_face_top(f, goal) > *limit))
        s_goal.face[s_goal.count++] = f;
}

// Gathers the goal's faces: the ramp sides and faces of standable fixtures within r of the goal
// that do not hold off a body standing at it, which a body may come within r of only over ground
// high enough. (Faces of solids, and faces that hold off a body at the goal itself, hold it off
// whatever the way in.)
static void goal_faces(const sv_geom* geom, f32 r, Vector2 goal)
{
    s_goal.count = 0;
    f32 limit = 0.0f;
    bool known = false;
    for (u8 k = 0; k < geom->opening_count && k < SV_GEOM_OPENINGS; ++k)
        for (u8 side = 0; side < 2; ++side)
            add_goal_face(geom, &geom->ramp_sides[k][side], r, goal, &limit, &known);
    for (u8 k = 0; k < geom->fixture_count && k < SV_GEOM_FIXTURES; ++k) {
        const sv_fixture* f = &geom->fixtures[k];
        f32 dx = goal.x - f->centre.x, dz = goal.y - f->centre.y, reach = f->bound + r;
        if (!f->standable || !(dx * dx + dz * dz <= reach * reach))
            continue;
        for (u8 i = 0; i < f->face_count && i < SV_FIXTURE_SEGS; ++i)
            add_goal_face(geom, &f->faces[i], r, goal, &limit, &known);
    }
}

// Whether a body of radius r walking straight from a to the goal, its feet on the ground, is held
// off by none of the goal's faces at any sample on the way. Collision judges a face by the feet of
// the step before, so a sample is judged by the lower ground of it and the one before.
static int leg_clear(const sv_geom* geom, f32 r, Vector2 a, Vector2 goal)
{
    if (s_goal.count == 0)
        return 1;
    u32 samples = (u32)sv_fminf(ceilf(dist(a, goal) / LEG_SAMPLE), (f32)LEG_SAMPLES);
    Vector2 before = a;
    // The step limit at a sample is asked again as the next sample's "before": kept, not asked twice.
    f32 before_limit = 0.0f;
    bool before_known = false;
    for (u32 s = 0; s <= samples; ++s) {
        f32 t = samples > 0 ? (f32)s / (f32)samples : 1.0f;
        Vector2 q = {a.x + (goal.x - a.x) * t, a.y + (goal.y - a.y) * t};
        f32 here = 0.0f, limit = 0.0f;
        bool known = false;
        for (u32 k = 0; k < s_goal.count; ++k) {
            const sv_face* f = s_goal.face[k];
            if (!(pt_seg_dist2(q, f->p0, f->p1) < r * r))
                continue;
            if (!known) {
                here = step_limit(geom, q);
                limit = sv_fminf(here, before_known ? before_limit : step_limit(geom, before));
                known = true;
            }
            if (sv_geom_face_top(f, q) > limit)
                return 0;
        }
        before = q;
        before_limit = here;
        before_known = known;
    }
    return 1;
}

// Whether every sample of segment a-b lies inside the walls.
static int leg_inside(const sv_geom* geom, Vector2 a, Vector2 b)
{
    u32 samples = (u32)sv_fminf(ceilf(dist(a, b) / LEG_SAMPLE), (f32)LEG_SAMPLES);
    for (u32 s = 0; s <= samples; ++s) {
        f32 t = samples > 0 ? (f32)s / (f32)samples : 1.0f;
        if (!sv_geom_contains(geom, Vector2 {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t}))
            return 0;
    }
    return 1;
}

// A body of radius r walking straight at the goal from a, a step of player.walk_speed a tick at a
// time (at most half the radius, at least 0.01), collided and settled as a body is: whether it
// comes within SV_NAV_TURN of the goal before 32 steps in a row bring it no nearer.
static int walks_in(const sv_geom* geom, f32 r, Vector2 a, Vector2 goal)
{
    f32 move = (f32)(sv_tune(SV_TUNE_PLAYER_WALK_SPEED) / sv_tune(SV_TUNE_SIM_TICK_HZ));
    move = sv_fmaxf(sv_fminf(move, r * 0.5f), 0.01f);
    f32 step = (f32)sv_tune(SV_TUNE_PLAYER_STEP_HEIGHT);
    f32 x = a.x, z = a.y, y = sv_geom_ground(geom, x, z), vy = 0.0f;
    u8 airborne = 0;
    f32 best = INFINITY;
    u32 idle = 0, most = (u32)sv_fminf(ceilf(dist(a, goal) / move) * 4.0f + 64.0f, 65536.0f);
    for (u32 i = 0; i < most; ++i) {
        f32 dx = goal.x - x, dz = goal.y - z, d = sqrtf(dx * dx + dz * dz);
        if (d <= SV_NAV_TURN)
            return 1;
        if (d < best - move * 0.125f) {
            best = d;
            idle = 0;
        } else if (++idle > 32) {
            return 0;
        }
        f32 m = sv_fminf(d, move);
        x += dx / d * m;
        z += dz / d * m;
        sv_player_collide(geom, &x, &z, r, y, step);
        sv_body_settle(geom, x, z, &y, &vy, &airborne);
    }
    return 0;
}

// Whether the last leg of path[0, n) (from start, ending at the goal) takes a body to the goal:
// from its last corner, and from where a follower taking each corner as reached SV_NAV_TURN short
// of it turns toward the goal. Clear of the goal's faces (leg_clear) from both, or else walked in
// from both (walks_in: collision slides a body along a face it meets short of the goal).
static int end_clear(const sv_geom* geom, f32 radius, Vector2 start, const Vector2* path, u64 n)
{
    Vector2 goal = path[n - 1];
    Vector2 corner = n >= 2 ? path[n - 2] : start;
    Vector2 turn = start;
    for (u64 k = 0; k + 1 < n; ++k) {
        f32 d = dist(turn, path[k]);
        if (d > SV_NAV_TURN) {
            f32 f = (d - SV_NAV_TURN) / d;
            turn = Vector2 {turn.x + (path[k].x - turn.x) * f, turn.y + (path[k].y - turn.y) * f};
        }
    }
    bool turns = !same_point(turn, corner);
    if (leg_clear(geom, radius, corner, goal) && (!turns || leg_clear(geom, radius, turn, goal)))
        return 1;
    return walks_in(geom, radius, corner, goal) && (!turns || walks_in(geom, radius, turn, goal));
}

// A way in to the goal through a cell near it: what the cell test reads, and the way it found.
struct way_in {
    const sv_geom* geom;
    f32 radius;
    u16 first;
    Vector2 start, goal;
    const Vector2* via;
    u64 room; // points the way may take, the goal included
    u64 count;
};

// Takes cell (i, j) when the way through its centre ends clear: the straight walk from the centre
// to the goal stays inside the walls and is clear, the centre's rectangle is reached from first,
// and the way found (in s_leg, the goal last) ends clear.
static int enters_by(void* ctx, i32 i, i32 j)
{
    way_in* w = (way_in*)ctx;
    const sv_nav_grid* g = sv_nav_current_grid();
    Vector2 c = {g->origin_x + ((f32)i + 0.5f) * g->cell, g->origin_z + ((f32)j + 0.5f) * g->cell};
    u16 rect = g->rect_of_cell[(u32)(j * g->width + i)];
    if (!leg_inside(w->geom, c, w->goal) || !leg_clear(w->geom, w->radius, c, w->goal)
        || !search(w->first, rect, w->via ? *w->via : w->start, c))
        return 0;
    u64 n = pull(w->first, rect, w->start, w->via, c, s_leg, w->room - 1);
    if (n == 0 || !same_point(s_leg[n - 1], c))
        return 0; // cut short by cap
    if (n >= 2 && same_point(s_leg[n - 2], s_leg[n - 1]))
        n -= 1; // the cell's centre was a corner already
    s_leg[n++] = w->goal;
    w->count = n;
    return end_clear(w->geom, w->radius, w->start, s_leg, n);
}

// The path written (written points in out, ending at the goal unless cap cut it short) with its
// last leg judged: when that leg is not clear, the way is taken again from first through the
// centre of the nearest cell around the goal (sv_nav_nearest_cell_where) whose straight walk to the
// goal stays inside the walls and is clear, and whose whole way ends clear, when one is found;
// else the path is kept. Returns the points written.
static u64 last_leg(const sv_geom* geom, f32 radius, u16 first, Vector2 start, const Vector2* via,
                    Vector2 goal, Vector2* out, u64 cap, u64 written)
{
    if (written == 0 || !same_point(out[written - 1], goal))
        return written;
    goal_faces(geom, radius, goal);
    if (s_goal.count == 0 || cap < 2 || end_clear(geom, radius, start, out, written))
        return written;
    way_in w
        = {geom, radius, first, start, goal, via, cap < SV_NAV_PORTALS ? cap : SV_NAV_PORTALS, 0};
    if (sv_nav_nearest_cell_where(goal.x, goal.y, enters_by, &w) < 0)
        return written;
    memcpy(out, s_leg, sizeof(Vector2) * w.count);
    return w.count;
}

// Public ------------------------------------------------------------------------------------

u64 sv_nav_path(const sv_geom* geom, f32 radius, Vector2 start, Vector2 goal, Vector2* out, u64 cap)
{
    if (!out || cap == 0 || !usable(geom, radius))
        return 0;
    ready(geom, radius, 1);
    f32 y = sv_geom_ground(geom, start.x, start.y);
    i32 from = rect_at(start.x, start.y, y, 0);
    i32 to = sv_nav_goal_rect_at(goal.x, goal.y);
    if (to < 0)
        return 0;
    if (from == to) {
        out[0] = goal;
        return last_leg(geom, radius, (u16)from, start, nullptr, goal, out, cap, 1);
    }
    // From the rectangle nearest the start, and from the far side of each gap the start is
    // partway over: the cheapest way, searched last so the tables hold it.
    const sv_nav_grid* grid = sv_nav_current_grid();
    u32 gaps[GAP_TRIES];
    u32 tries = gaps_under(start, gaps);
    f32 best = INFINITY;
    i32 best_try = -1; // the gap tried, or -1 for the nearest rectangle
    bool found = from >= 0 && search((u16)from, (u16)to, start, goal);
    if (found)
        best = s_search.g[to];
    for (u32 k = 0; k < tries; ++k) {
        const sv_nav_link* l = &grid->links[gaps[k]];
        f32 lead = dist(start, l->landing);
        if (search(l->to, (u16)to, l->landing, goal) && lead + s_search.g[to] < best) {
            best = lead + s_search.g[to];
            best_try = (i32)k;
        }
    }
    if (!(best < INFINITY))
        return 0;
    const Vector2* via = nullptr;
    u16 first = (u16)from;
    if (best_try >= 0) {
        const sv_nav_link* l = &grid->links[gaps[best_try]];
        via = &l->landing;
        first = l->to;
        if ((u32)best_try + 1 != tries)
            search(first, (u16)to, l->landing, goal);
    } else if (tries > 0) {
        search(first, (u16)to, start, goal);
    }
    u64 written = pull(first, (u16)to, start, via, goal, out, cap);
    return last_leg(geom, radius, first, start, via, goal, out, cap, written);
}

f32 path_length(const sv_geom* geom, f32 radius, Vector2 from, Vector2 to)
{
    static Vector2 s_points[96];
    u64 n = sv_nav_path(geom, radius, from, to, s_points, 96);
    if (n == 0)
        return dist(from, to);
    f32 length = 0.0f;
    Vector2 p = from;
    for (u64 i = 0; i < n; ++i) {
        length += dist(p, s_points[i]);
        p = s_points[i];
    }
    return length;
}

// Marks (with bit) every rectangle reached from first over outgoing (or incoming) links.
static void flood(u16 first, u8 bit, int backward)
{
    const sv_nav_grid* grid = sv_nav_current_grid();
    u32 head = 0, tail = 0;
    s_queue[tail++] = first;
    s_mark[first] |= bit;
    while (head < tail) {
        u16 r = s_queue[head++];
        u32 k0 = backward ? grid->incoming_start[r] : grid->rects[r].first_link;
        u32 k1 = backward ? grid->incoming_start[r + 1] : k0 + grid->rects[r].link_count;
        for (u32 k = k0; k < k1; ++k) {
            u16 next = backward ? grid->incoming[k] : grid->links[k].to;
            if (!(s_mark[next] & bit)) {
                s_mark[next] |= bit;
                s_queue[tail++] = next;
            }
        }
    }
}

i32 sv_nav_walkable(const sv_geom* geom, f32 radius)
{
    if (!usable(geom, radius))
        return 0;
    ready(geom, radius, 0);
    Vector2 points[SV_GEOM_OPENINGS + SV_PROP_SPOTS + 1];
    u32 count = 0;
    if (geom->vertex_count < 6) {
        for (u8 k = 0; k < geom->opening_count && k < SV_GEOM_OPENINGS; ++k)
            points[count++] = geom->openings[k].foot;
    } else {
        for (u8 slot = 0; slot < SV_DOOR_SLOTS; ++slot)
            sv_geom_potential_foot(geom, slot, &points[count++]);
        for (u32 k = 0; k < SV_PROP_SPOTS; ++k)
            points[count++] = Vector2 {geom->props[k].x, geom->props[k].z};
    }
    points[count++] = Vector2 {0.0f, 0.0f};
    i32 rects[SV_GEOM_OPENINGS + SV_PROP_SPOTS + 1];
    for (u32 k = 0; k < count; ++k) {
        rects[k] = sv_nav_goal_rect_at(points[k].x, points[k].y);
        if (rects[k] < 0)
            return 0;
    }
    const sv_nav_grid* grid = sv_nav_current_grid();
    memset(s_mark, 0, grid->rect_count);
    flood((u16)rects[0], 1, 0);
    for (u32 k = 0; k < count; ++k)
        if (!(s_mark[rects[k]] & 1))
            return 0;
    flood((u16)rects[0], 2, 1);
    for (u32 r = 0; r < grid->rect_count; ++r)
        if ((s_mark[r] & 1) && !(s_mark[r] & 2))
            return 0;
    return 1;
}

void sv_nav_stats(const sv_geom* geom, f32 radius, u64* rectangles, u64* links, u64* gap_links)
{
    u64 rc = 0, lc = 0, gc = 0;
    if (usable(geom, radius)) {
        ready(geom, radius, 0);
        const sv_nav_grid* grid = sv_nav_current_grid();
        rc = grid->rect_count;
        lc = grid->link_count;
        for (u32 k = 0; k < grid->link_count; ++k)
            gc += grid->links[k].gap;
    }
    if (rectangles)
        *rectangles = rc;
    if (links)
        *links = lc;
    if (gap_links)
        *gap_links = gc;
}

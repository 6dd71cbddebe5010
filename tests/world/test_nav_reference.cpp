// The navigation grid against a plain rebuild of it: every cell, rectangle, link and incoming
// list of the built grid must equal, bit for bit, what the simplest reading of the rules gives
// (every cell of every box tested, islands by flood fill, the ground asked at every walkable
// cell, every ground sample taken), over the rooms and corridor pieces of many floors and every
// interior draw; the walkability answer must match a walk over the reference grid too.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "core/tune.h"
#include "world/geom.h"
#include "world/nav.h"
#include "world/nav_grid.h"
#include "world/test_nav_util.h"
#include "world/world_util.h"

namespace {

// The reference grid and the room it is built in.
struct ref_grid {
    sv_nav_grid g;
    sv_nav_store store;
    ref_grid() { nav_grid_attach(&g, &store); }
};

i32 ref_clamp(f64 v, i32 lo, i32 hi)
{
    if (!(v >= (f64)lo))
        return lo;
    if (!(v <= (f64)hi))
        return hi;
    return (i32)v;
}

i32 ref_floor(f32 v, i32 lo, i32 hi)
{
    return ref_clamp(floor((f64)v), lo, hi);
}

Vector2 centre(const sv_nav_grid* g, i32 i, i32 j)
{
    return Vector2 {g->origin_x + ((f32)i + 0.5f) * g->cell,
                    g->origin_z + ((f32)j + 0.5f) * g->cell};
}

void ref_box(const sv_nav_grid* g, f32 x0, f32 z0, f32 x1, f32 z1, i32* i0, i32* j0, i32* i1,
             i32* j1)
{
    *i0 = ref_floor((x0 - g->origin_x) / g->cell - 1.0f, 0, g->width - 1);
    *i1 = ref_floor((x1 - g->origin_x) / g->cell + 1.0f, 0, g->width - 1);
    *j0 = ref_floor((z0 - g->origin_z) / g->cell - 1.0f, 0, g->height - 1);
    *j1 = ref_floor((z1 - g->origin_z) / g->cell + 1.0f, 0, g->height - 1);
}

void ref_erode(sv_nav_grid* g, const sv_geom* geom, const sv_face* face, u8 wall, f32 r)
{
    if (!wall && face->top0 == face->bottom0 && face->top1 == face->bottom1)
        return;
    Vector2 p0 = face->p0, p1 = face->p1;
    i32 i0, j0, i1, j1;
    ref_box(g, fminf(p0.x, p1.x) - r, fminf(p0.y, p1.y) - r, fmaxf(p0.x, p1.x) + r,
            fmaxf(p0.y, p1.y) + r, &i0, &j0, &i1, &j1);
    for (i32 j = j0; j <= j1; ++j)
        for (i32 i = i0; i <= i1; ++i) {
            Vector2 c = centre(g, i, j);
            f32 dx = p1.x - p0.x, dz = p1.y - p0.y, len = dx * dx + dz * dz, t = 0.0f;
            if (len > 1e-9f) {
                t = ((c.x - p0.x) * dx + (c.y - p0.y) * dz) / len;
                t = t < 0.0f ? 0.0f : (t > 1.0f ? 1.0f : t);
            }
            f32 ex = c.x - (p0.x + t * dx), ez = c.y - (p0.y + t * dz);
            if (!(sqrtf(ex * ex + ez * ez) < r))
                continue;
            u32 idx = (u32)(j * g->width + i);
            g->walkable[idx] = 0;
            if (wall) {
                g->obstacle_top[idx] = 1e9f;
            } else {
                f32 top = geom->floor_y + sv_geom_face_top(face, c);
                if (top > g->obstacle_top[idx])
                    g->obstacle_top[idx] = top;
            }
        }
}

f32 ref_rise(const sv_nav_grid* g, const sv_geom* geom, Vector2 a, Vector2 b)
{
    f32 dx = b.x - a.x, dz = b.y - a.y;
    f32 len = sqrtf(dx * dx + dz * dz);
    u32 n = (u32)ref_clamp(len / (g->cell * 0.5f), 0, 4 * SV_NAV_SIDE);
    f32 prev = sv_geom_ground(geom, a.x, a.y), rise = 0.0f;
    for (u32 i = 1; i <= n + 1; ++i) {
        f32 t = (f32)i / (f32)(n + 1);
        f32 y = sv_geom_ground(geom, a.x + t * dx, a.y + t * dz);
        if (y - prev > rise)
            rise = y - prev;
        prev = y;
    }
    return rise;
}

struct ref_target {
    i32 to;
    u8 gap;
    i32 cells;
};

ref_target ref_probe(const sv_nav_grid* g, const sv_geom* geom, u16 rect, i32 i, i32 j, i32 dx,
                     i32 dz, i32 reach)
{
    ref_target none = {-1, 0, 0};
    i32 k = 1;
    u32 c = 0;
    for (; k <= reach; ++k) {
        i32 ci = i + k * dx, cj = j + k * dz;
        if (ci < 0 || cj < 0 || ci >= g->width || cj >= g->height)
            return none;
        c = (u32)(cj * g->width + ci);
        if (g->walkable[c])
            break;
    }
    if (k > reach || g->rect_of_cell[c] == rect || g->rect_of_cell[c] == SV_NONE16)
        return none;
    f32 ge = g->ground[(u32)(j * g->width + i)], rise;
    if (k == 1) {
        rise = g->ground[c] - ge;
    } else {
        for (i32 m = 1; m < k; ++m)
            if (!(g->obstacle_top[(u32)((j + m * dz) * g->width + i + m * dx)]
                  <= ge + g->step + 0.001f))
                return none;
        Vector2 a = centre(g, i, j), b = centre(g, i + k * dx, j + k * dz);
        rise = ref_rise(g, geom, a, b);
        if (rise > 0.001f)
            for (f32 s = -1.0f; s <= 1.0f; s += 2.0f) {
                f32 px = (f32)dz * g->cell, pz = (f32)dx * g->cell;
                f32 q = ref_rise(g, geom, Vector2 {a.x + s * px, a.y + s * pz},
                                 Vector2 {b.x + s * px, b.y + s * pz});
                rise = q > rise ? q : rise;
            }
    }
    if (!(rise <= g->step + 0.0001f))
        return none;
    return ref_target {g->rect_of_cell[c], (u8)(k > 1), k - 1};
}

void ref_link(sv_nav_grid* g, u16 rect, i32 dx, i32 dz, i32 first, i32 last, ref_target t)
{
    if (t.to < 0 || g->link_count >= SV_NAV_LINKS)
        return;
    const sv_nav_rect* r = &g->rects[rect];
    sv_nav_link* l = &g->links[g->link_count++];
    l->to = (u16)t.to;
    l->gap = t.gap;
    if (dx != 0) {
        f32 x = g->origin_x + (f32)(dx > 0 ? r->x1 : r->x0) * g->cell;
        l->a = Vector2 {x, g->origin_z + (f32)(r->z0 + first) * g->cell};
        l->b = Vector2 {x, g->origin_z + (f32)(r->z0 + last + 1) * g->cell};
    } else {
        f32 z = g->origin_z + (f32)(dz > 0 ? r->z1 : r->z0) * g->cell;
        l->a = Vector2 {g->origin_x + (f32)(r->x0 + first) * g->cell, z};
        l->b = Vector2 {g->origin_x + (f32)(r->x0 + last + 1) * g->cell, z};
    }
    Vector2 mid = {(l->a.x + l->b.x) * 0.5f, (l->a.y + l->b.y) * 0.5f};
    if (t.gap)
        l->a = l->b = mid;
    f32 out = ((f32)t.cells + 0.5f) * g->cell;
    l->landing = Vector2 {mid.x + (f32)dx * out, mid.y + (f32)dz * out};
    g->rects[rect].link_count++;
}

// The grid by the rules, step by step, into *out (cells beyond width x height untouched).
void ref_build(sv_nav_grid* g, const sv_geom* geom, f32 r)
{
    g->radius = r;
    g->step = (f32)sv_tune(SV_TUNE_PLAYER_STEP_HEIGHT);
    f32 x0 = geom->vertices[0].x, x1 = x0, z0 = geom->vertices[0].y, z1 = z0;
    for (u8 v = 1; v < geom->vertex_count; ++v) {
        x0 = fminf(x0, geom->vertices[v].x);
        x1 = fmaxf(x1, geom->vertices[v].x);
        z0 = fminf(z0, geom->vertices[v].y);
        z1 = fmaxf(z1, geom->vertices[v].y);
    }
    g->origin_x = x0;
    g->origin_z = z0;
    g->cell = fmaxf(fmaxf((x1 - x0) / 254.0f, (z1 - z0) / 254.0f), SV_NAV_CELL);
    g->width = (u16)(ref_clamp((x1 - x0) / g->cell, 0, SV_NAV_SIDE - 1) + 1);
    g->height = (u16)(ref_clamp((z1 - z0) / g->cell, 0, SV_NAV_SIDE - 1) + 1);
    u32 w = g->width, h = g->height, cells = w * h;
    for (u32 c = 0; c < cells; ++c) {
        g->walkable[c] = 0;
        g->obstacle_top[c] = 1e9f;
        g->ground[c] = geom->floor_y;
        g->ground_face[c] = 0;
        g->rect_of_cell[c] = SV_NONE16;
    }
    // The floor polygon, row by row.
    for (u32 j = 0; j < h; ++j) {
        f32 zc = centre(g, 0, (i32)j).y, xs[SV_GEOM_VERTICES];
        u32 n = 0;
        for (u8 i = 0, p = (u8)(geom->vertex_count - 1); i < geom->vertex_count; p = i++) {
            Vector2 vi = geom->vertices[i], vp = geom->vertices[p];
            if ((vi.y > zc) != (vp.y > zc))
                xs[n++] = (zc - vi.y) / (vp.y - vi.y) * (vp.x - vi.x) + vi.x;
        }
        for (u32 a = 1; a < n; ++a)
            for (u32 b = a; b > 0 && xs[b - 1] > xs[b]; --b)
                std::swap(xs[b], xs[b - 1]);
        for (u32 a = 0; n >= 2 && a + 1 < n; a += 2) {
            i32 c0 = ref_floor((xs[a] - g->origin_x) / g->cell - 1.0f, 0, (i32)w - 1);
            i32 c1 = ref_floor((xs[a + 1] - g->origin_x) / g->cell + 1.0f, 0, (i32)w - 1);
            for (i32 i = c0; i <= c1; ++i) {
                f32 cx = centre(g, i, (i32)j).x;
                if (cx > xs[a] && cx < xs[a + 1]) {
                    g->walkable[j * w + (u32)i] = 1;
                    g->obstacle_top[j * w + (u32)i] = -1e9f;
                }
            }
        }
    }
    // Walls, ramp sides, fixtures and solid footprints.
    for (u8 e = 0; e < geom->vertex_count; ++e) {
        sv_segment pieces[2];
        u8 count = sv_geom_wall_pieces(geom, e, pieces);
        for (u8 k = 0; k < count; ++k) {
            sv_face wall;
            memset(&wall, 0, sizeof wall);
            wall.p0 = pieces[k].a;
            wall.p1 = pieces[k].b;
            ref_erode(g, geom, &wall, 1, r);
        }
    }
    for (u8 k = 0; k < geom->opening_count; ++k)
        for (u8 s = 0; s < 2; ++s)
            ref_erode(g, geom, &geom->ramp_sides[k][s], 0, r);
    for (u8 k = 0; k < geom->fixture_count; ++k) {
        const sv_fixture* f = &geom->fixtures[k];
        for (u8 i = 0; i < f->face_count; ++i)
            ref_erode(g, geom, &f->faces[i], 0, r);
        if (f->standable || f->vertex_count == 0)
            continue;
        f32 a0 = f->polygon[0].x, a1 = a0, b0 = f->polygon[0].y, b1 = b0;
        for (u8 v = 1; v < f->vertex_count; ++v) {
            a0 = fminf(a0, f->polygon[v].x);
            a1 = fmaxf(a1, f->polygon[v].x);
            b0 = fminf(b0, f->polygon[v].y);
            b1 = fmaxf(b1, f->polygon[v].y);
        }
        i32 i0, j0, i1, j1;
        ref_box(g, a0, b0, a1, b1, &i0, &j0, &i1, &j1);
        for (i32 j = j0; j <= j1; ++j)
            for (i32 i = i0; i <= i1; ++i)
                if (poly_contains(f->polygon, f->vertex_count, centre(g, i, j))) {
                    g->walkable[(u32)j * w + (u32)i] = 0;
                    g->obstacle_top[(u32)j * w + (u32)i] = 1e9f;
                }
    }
    // Islands by flood fill.
    f64 disc = 3.1415927f * r * r / (g->cell * g->cell);
    u32 min_cells = (u32)ref_clamp(disc, 0, SV_NAV_CELLS) + 1;
    std::vector<u8> seen(cells, 0);
    std::vector<u32> queue;
    for (u32 c = 0; c < cells; ++c) {
        if (!g->walkable[c] || seen[c])
            continue;
        queue.assign(1, c);
        seen[c] = 1;
        for (size_t q = 0; q < queue.size(); ++q) {
            u32 at = queue[q], i = at % w, j = at / w;
            u32 next[4] = {at - 1, at + 1, at - w, at + w};
            u8 ok[4] = {i > 0, i + 1 < w, j > 0, j + 1 < h};
            for (u32 k = 0; k < 4; ++k)
                if (ok[k] && g->walkable[next[k]] && !seen[next[k]]) {
                    seen[next[k]] = 1;
                    queue.push_back(next[k]);
                }
        }
        if (queue.size() < min_cells)
            for (u32 at : queue)
                g->walkable[at] = 0;
    }
    // Ground of every walkable cell.
    for (u32 c = 0; c < cells; ++c)
        if (g->walkable[c]) {
            Vector2 p = centre(g, (i32)(c % w), (i32)(c / w));
            g->ground[c] = sv_geom_ground_on(geom, p.x, p.y, &g->ground_face[c]);
        }
    // Rectangles.
    g->rect_count = 0;
    auto joins = [&](u32 idx, u16 face) {
        return g->walkable[idx] && g->rect_of_cell[idx] == SV_NONE16 && g->ground_face[idx] == face;
    };
    for (u32 j = 0; j < h; ++j)
        for (u32 i = 0; i < w; ++i) {
            u32 idx = j * w + i;
            if (g->rect_count >= SV_NAV_RECTS || !joins(idx, g->ground_face[idx]))
                continue;
            u16 face = g->ground_face[idx];
            u32 e = i + 1, f = j + 1;
            while (e < w && joins(j * w + e, face))
                ++e;
            for (; f < h; ++f) {
                u32 x = i;
                while (x < e && joins(f * w + x, face))
                    ++x;
                if (x < e)
                    break;
            }
            u16 id = (u16)g->rect_count++;
            g->rects[id] = sv_nav_rect {(u16)i, (u16)j, (u16)e, (u16)f, face, 0, 0};
            for (u32 z = j; z < f; ++z)
                for (u32 x = i; x < e; ++x)
                    g->rect_of_cell[z * w + x] = id;
        }
    // Links.
    g->link_count = 0;
    i32 reach = ref_clamp(ceil((2.0 * r + g->cell) / g->cell), 0, SV_NAV_SIDE) + 2;
    static const i32 k_sides[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
    for (u32 id = 0; id < g->rect_count; ++id) {
        const sv_nav_rect* rc = &g->rects[id];
        g->rects[id].first_link = g->link_count;
        for (const auto& side : k_sides) {
            i32 dx = side[0], dz = side[1];
            i32 count = dx != 0 ? rc->z1 - rc->z0 : rc->x1 - rc->x0, first = 0;
            ref_target run = {-1, 0, 0};
            for (i32 pos = 0; pos < count; ++pos) {
                i32 i = dx != 0 ? (dx > 0 ? rc->x1 - 1 : rc->x0) : rc->x0 + pos;
                i32 j = dx != 0 ? rc->z0 + pos : (dz > 0 ? rc->z1 - 1 : rc->z0);
                ref_target t = ref_probe(g, geom, (u16)id, i, j, dx, dz, reach);
                if (pos > 0 && (t.to != run.to || t.gap != run.gap || t.cells != run.cells)) {
                    ref_link(g, (u16)id, dx, dz, first, pos - 1, run);
                    first = pos;
                }
                run = t;
            }
            if (count > 0)
                ref_link(g, (u16)id, dx, dz, first, count - 1, run);
        }
    }
    memset(g->incoming_start, 0, sizeof(u32) * (g->rect_count + 1));
    for (u32 k = 0; k < g->link_count; ++k)
        g->incoming_start[g->links[k].to + 1]++;
    for (u32 id = 0; id < g->rect_count; ++id)
        g->incoming_start[id + 1] += g->incoming_start[id];
    std::vector<u32> fill(g->incoming_start, g->incoming_start + g->rect_count);
    for (u32 id = 0; id < g->rect_count; ++id)
        for (u32 k = 0; k < g->rects[id].link_count; ++k)
            g->incoming[fill[g->links[g->rects[id].first_link + k].to]++] = (u16)id;
}

bool same_f32(f32 a, f32 b)
{
    return memcmp(&a, &b, sizeof a) == 0;
}

bool same_v2(Vector2 a, Vector2 b)
{
    return same_f32(a.x, b.x) && same_f32(a.y, b.y);
}

// The 7 x 7 window search of rect_at and sv_nav_goal_rect_at as a plain scan: the first cell strictly
// nearer than every earlier one wins, among those whose straight walk to the point (quarter-cell
// samples, none above the cell's ground plus a step) holds when reach is asked.
i32 ref_nearest(const sv_nav_grid* g, f32 x, f32 z, f32 y, u8 any, u8 reach)
{
    if (g->width == 0 || !std::isfinite(x) || !std::isfinite(z))
        return -1;
    f32 fx = (x - g->origin_x) / g->cell, fz = (z - g->origin_z) / g->cell;
    if (!(fx > -4.0f && fx < (f32)g->width + 4.0f && fz > -4.0f && fz < (f32)g->height + 4.0f))
        return -1;
    i32 ci = (i32)fx, cj = (i32)fz, found = -1;
    f32 best = 0.0f;
    for (i32 j = cj - 3; j <= cj + 3; ++j)
        for (i32 i = ci - 3; i <= ci + 3; ++i) {
            if (i < 0 || j < 0 || i >= g->width || j >= g->height)
                continue;
            u32 c = (u32)(j * g->width + i);
            if (!g->walkable[c] || g->rect_of_cell[c] == SV_NONE16)
                continue;
            if (!any && !(g->ground[c] <= y + g->step))
                continue;
            Vector2 m = centre(g, i, j);
            f32 d = (m.x - x) * (m.x - x) + (m.y - z) * (m.y - z);
            if (!(found < 0 || d < best))
                continue;
            bool walks = true;
            f32 limit = g->ground[c] + g->step + 0.001f;
            f32 dx = x - m.x, dz = z - m.y;
            u32 n = (u32)ref_clamp((f64)(sqrtf(dx * dx + dz * dz) / (g->cell * 0.25f)), 0, 64);
            for (u32 s = 1; reach && walks && s <= n + 1; ++s) {
                f32 t = (f32)s / (f32)(n + 1);
                i32 si = ref_floor((m.x + t * dx - g->origin_x) / g->cell, -1, g->width);
                i32 sj = ref_floor((m.y + t * dz - g->origin_z) / g->cell, -1, g->height);
                if (si < 0 || sj < 0 || si >= g->width || sj >= g->height)
                    continue;
                u32 k = (u32)(sj * g->width + si);
                walks = (g->walkable[k] ? g->ground[k] : g->obstacle_top[k]) <= limit;
            }
            if (walks) {
                best = d;
                found = g->rect_of_cell[c];
            }
        }
    return found;
}

// The walkability answer over the reference grid: test points on rectangles, all reached from
// the first, and everything reached able to walk back.
i32 ref_walkable(const sv_nav_grid* g, const sv_geom* geom)
{
    Vector2 pts[SV_GEOM_OPENINGS + SV_PROP_SPOTS + 1];
    u32 n = 0;
    if (geom->vertex_count < 6) {
        for (u8 k = 0; k < geom->opening_count; ++k)
            pts[n++] = geom->openings[k].foot;
    } else {
        for (u8 s = 0; s < SV_DOOR_SLOTS; ++s)
            sv_geom_potential_foot(geom, s, &pts[n++]);
        for (u32 k = 0; k < SV_PROP_SPOTS; ++k)
            pts[n++] = Vector2 {geom->props[k].x, geom->props[k].z};
    }
    pts[n++] = Vector2 {0.0f, 0.0f};
    i32 ids[SV_GEOM_OPENINGS + SV_PROP_SPOTS + 1];
    for (u32 k = 0; k < n; ++k) {
        // The nearest walkable cell at any height, reached or not.
        i32 found = ref_nearest(g, pts[k].x, pts[k].y, 0.0f, 1, 0);
        if (found < 0)
            return 0;
        ids[k] = found;
    }
    std::vector<u8> fwd(g->rect_count, 0), back(g->rect_count, 0);
    std::vector<u16> queue(1, (u16)ids[0]);
    fwd[ids[0]] = 1;
    for (size_t q = 0; q < queue.size(); ++q) {
        const sv_nav_rect* rc = &g->rects[queue[q]];
        for (u32 k = rc->first_link; k < rc->first_link + rc->link_count; ++k)
            if (!fwd[g->links[k].to]) {
                fwd[g->links[k].to] = 1;
                queue.push_back(g->links[k].to);
            }
    }
    for (u32 k = 0; k < n; ++k)
        if (!fwd[ids[k]])
            return 0;
    queue.assign(1, (u16)ids[0]);
    back[ids[0]] = 1;
    for (size_t q = 0; q < queue.size(); ++q)
        for (u32 k = g->incoming_start[queue[q]]; k < g->incoming_start[queue[q] + 1]; ++k)
            if (!back[g->incoming[k]]) {
                back[g->incoming[k]] = 1;
                queue.push_back(g->incoming[k]);
            }
    for (u32 id = 0; id < g->rect_count; ++id)
        if (fwd[id] && !back[id])
            return 0;
    return 1;
}

// rect_at and sv_nav_goal_rect_at on the grid of (geom, r) against the plain scan, at every cell
// corner and side middle (where cells tie for nearest) and a few heights.
void expect_same_nearest(const sv_geom* geom, f32 r, const char* where)
{
    sv_nav_walkable(geom, r);
    const sv_nav_grid* g = sv_nav_current_grid();
    for (i32 j = -2; j <= 2 * g->height + 2; ++j)
        for (i32 i = -2; i <= 2 * g->width + 2; ++i) {
            f32 x = g->origin_x + (f32)i * 0.5f * g->cell,
                z = g->origin_z + (f32)j * 0.5f * g->cell;
            i32 want = ref_nearest(g, x, z, 0.0f, 1, 1);
            if (want < 0)
                want = ref_nearest(g, x, z, 0.0f, 1, 0);
            ASSERT_EQ(sv_nav_goal_rect_at(x, z), want) << where << " at " << x << ", " << z;
            for (f32 y : {0.0f, 0.3f})
                ASSERT_EQ(rect_at(x, z, y, 0), ref_nearest(g, x, z, y, 0, 0)) << where;
        }
}

// Compares the built grid for (geom, r) with the reference; counts what was compared.
void expect_same_grid(const sv_geom* geom, f32 r, sv_nav_grid* ref, const char* where,
                      u64* walkable)
{
    i32 ok = sv_nav_walkable(geom, r);
    const sv_nav_grid* g = sv_nav_current_grid();
    ref_build(ref, geom, r);
    ASSERT_EQ(ok, ref_walkable(ref, geom)) << where;
    *walkable += (u64)ok;
    ASSERT_TRUE(same_f32(g->origin_x, ref->origin_x) && same_f32(g->origin_z, ref->origin_z)
                && same_f32(g->cell, ref->cell))
        << where;
    ASSERT_EQ(g->width, ref->width) << where;
    ASSERT_EQ(g->height, ref->height) << where;
    u32 cells = (u32)g->width * g->height;
    for (u32 c = 0; c < cells; ++c) {
        ASSERT_EQ(g->walkable[c], ref->walkable[c]) << where << " cell " << c;
        ASSERT_TRUE(same_f32(g->obstacle_top[c], ref->obstacle_top[c])) << where << " cell " << c;
        ASSERT_EQ(g->rect_of_cell[c], ref->rect_of_cell[c]) << where << " cell " << c;
        if (!g->walkable[c])
            continue; // the ground of a blocked cell is never read
        ASSERT_TRUE(same_f32(g->ground[c], ref->ground[c])) << where << " cell " << c;
        ASSERT_EQ(g->ground_face[c], ref->ground_face[c]) << where << " cell " << c;
    }
    ASSERT_EQ(g->rect_count, ref->rect_count) << where;
    for (u32 k = 0; k < g->rect_count; ++k) {
        const sv_nav_rect *a = &g->rects[k], *b = &ref->rects[k];
        ASSERT_TRUE(a->x0 == b->x0 && a->z0 == b->z0 && a->x1 == b->x1 && a->z1 == b->z1
                    && a->face == b->face && a->first_link == b->first_link
                    && a->link_count == b->link_count)
            << where << " rect " << k;
    }
    ASSERT_EQ(g->link_count, ref->link_count) << where;
    for (u32 k = 0; k < g->link_count; ++k) {
        const sv_nav_link *a = &g->links[k], *b = &ref->links[k];
        ASSERT_TRUE(a->to == b->to && a->gap == b->gap && same_v2(a->a, b->a) && same_v2(a->b, b->b)
                    && same_v2(a->landing, b->landing))
            << where << " link " << k;
        ASSERT_EQ(g->incoming[k], ref->incoming[k]) << where << " incoming " << k;
    }
    for (u32 k = 0; k <= g->rect_count; ++k)
        ASSERT_EQ(g->incoming_start[k], ref->incoming_start[k]) << where;
}

// Every room of each floor with every interior draw (and bare), and every corridor piece, at
// the player's radius and a wider one (the sanitizer build: one floor, every third place).
void sweep(u64 seed_from, u64 seed_to, u16 number)
{
    sv_tune_reset_defaults();
    auto ref = std::make_unique<ref_grid>();
    static sv_geom s_g;
    char where[96];
    u64 grids = 0, walkable = 0;
    const f32 radii[2] = {(f32)sv_tune(SV_TUNE_PLAYER_RADIUS), 0.9f};
    for (u64 seed = seed_from; seed < seed_to; seed += sanitized_stride(4)) {
        world_floor wf(seed, number, world_lay::pass);
        for (u16 place = 0; place < wf.f.place_count; place = (u16)(place + sanitized_stride(3))) {
            bool room = place < wf.f.room_count;
            u8 draws = room ? 9 : 1;
            u8 keep = room ? wf.f.rooms[place].interior : 0;
            for (u8 d = 0; d < draws; ++d) {
                if (room)
                    wf.f.rooms[place].interior = d < 8 ? d : SV_INTERIOR_BARE;
                sv_geom_build(&s_g, &wf.f, place);
                if (s_g.vertex_count < 3)
                    continue;
                for (f32 r : radii) {
                    snprintf(where, sizeof where, "seed %llu floor %u place %u draw %u r %g",
                             (unsigned long long)seed, number, place, d, (double)r);
                    expect_same_grid(&s_g, r, &ref->g, where, &walkable);
                    if (testing::Test::HasFatalFailure())
                        return;
                    ++grids;
                }
            }
            if (room)
                wf.f.rooms[place].interior = keep;
        }
    }
    printf("nav reference floor %u seeds %llu..%llu: %llu grids equal (%llu walkable)\n", number,
           (unsigned long long)seed_from, (unsigned long long)seed_to - 1,
           (unsigned long long)grids, (unsigned long long)walkable);
}

} // namespace

TEST(NavReference, ShallowFloors)
{
    sweep(1, 5, 1);
}

TEST(NavReference, MiddleFloors)
{
    sweep(101, 105, 5);
}

TEST(NavReference, DeepFloors)
{
    sweep(201, 205, 10);
}

// Hand-made room shape (0-5) with the features a generated room rarely has: a low bench band
// crossed by gap links, a ledge up a step, a solid pocket, a ramp door, a room wider than 254
// cells, and a steep ramp door whose side the floor beside it can step onto only near its foot.
void hand_made_room(sv_geom* g, int shape)
{
    box_geom(g, -6.0f, -5.0f, 6.0f, 5.0f);
    if (shape == 0)
        add_box(g, -1.0f, -5.0f, -0.6f, 5.0f, 0.15f, 1);
    if (shape == 1)
        add_box(g, 0.0f, -5.0f, 6.0f, 5.0f, 0.2001f, 1);
    if (shape == 2) {
        add_box(g, -3.0f, -3.0f, -2.0f, 3.0f, 2.0f, 0);
        add_box(g, -2.0f, 2.0f, 2.0f, 3.0f, 2.0f, 0);
        add_box(g, 2.0f, -3.0f, 3.0f, 3.0f, 2.0f, 0);
    }
    if (shape == 3) {
        u8 k = add_door(g, 0, 2.0f);
        g->openings[k].rise = 0.5f;
        g->openings[k].foot = Vector2 {4.0f, 0.0f};
    }
    if (shape == 4)
        box_geom(g, -40.0f, -20.0f, 40.0f, 20.0f);
    if (shape == 5) {
        u8 k = add_door(g, 0, 2.0f);
        g->openings[k].rise = 2.0f;
        g->openings[k].foot = Vector2 {1.0f, 0.0f};
    }
}

TEST(NavReference, HandMadeRooms)
{
    sv_tune_reset_defaults();
    auto ref = std::make_unique<ref_grid>();
    static sv_geom s_g;
    u64 walkable = 0;
    for (int shape = 0; shape < 6; ++shape) {
        hand_made_room(&s_g, shape);
        for (f32 r : {0.2f, 0.35f, 0.4f, 0.45f, 0.7f, 1.3f})
            expect_same_grid(&s_g, r, &ref->g, "hand-made room", &walkable);
    }
}

// The rectangle under a point where cells tie for nearest, and where the nearest cell cannot
// walk to it (beside a bench, up a step or a ramp), in the hand-made rooms but the widest, and
// one floor's rooms.
TEST(NavReference, NearestRectangle)
{
    sv_tune_reset_defaults();
    static sv_geom s_g;
    for (int shape : {0, 1, 2, 3, 5}) {
        hand_made_room(&s_g, shape);
        expect_same_nearest(&s_g, 0.4f, "hand-made room");
        if (testing::Test::HasFatalFailure())
            return;
    }
    world_floor wf(7, 10, world_lay::pass);
    for (u16 place = 0; place < wf.f.room_count; place = (u16)(place + sanitized_stride(3))) {
        sv_geom_build(&s_g, &wf.f, place);
        if (s_g.vertex_count < 3)
            continue;
        expect_same_nearest(&s_g, (f32)sv_tune(SV_TUNE_PLAYER_RADIUS), "floor 10 room");
        if (testing::Test::HasFatalFailure())
            return;
    }
}

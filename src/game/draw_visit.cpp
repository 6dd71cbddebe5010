// The visitor that draws one place reached by the visibility walk: floor, ramps and stairs,
// interior fixtures, walls cut around the doors open to sight, the things, mobs and shots of the
// place, and last the door frames with a fog veil in every fogged doorway. There is no ceiling:
// the fog shows above the walls. Everything is drawn from scratch on every call.
#include <cmath>

#include "game/draw.h"
#include "world/geom.h"   // floor triangles, ramps, door quads
#include "world/portal.h" // carrying points

// Most floor triangles of one place.
#define FLOOR_TRIS 384
// How far into the place a fogged doorway's frame is drawn: clear of the veil's backdrop 4 mm in
// front of the doorway by more than the depth buffer resolves across a room.
#define FOG_FRAME_LIFT 0.02f
#define FOG_SILL_LIFT  0.005f

static sv_triangle s_floor_tris[FLOOR_TRIS];

// A place drawn by one visit: its geometry, portal and view.
struct visit_ctx {
    const sv_geom* g;
    const sv_portal* portal;
    const sv_portal_view* view;
    f32 f; // floor height
    f32 c; // ceiling height
};

static Vector3 carry(const sv_portal* portal, Vector3 p)
{
    Vector3 out;
    sv_portal_point3(&out, portal, &p);
    return out;
}

static Vector3 at(Vector2 p, f32 y)
{
    return Vector3 {p.x, y, p.y};
}

static void tri(const visit_ctx* v, Vector3 a, Vector3 b, Vector3 c, Color colour, u8 both)
{
    Vector3 p = carry(v->portal, a), q = carry(v->portal, b), r = carry(v->portal, c);
    draw_tri(v->view, &p, &q, &r, colour);
    if (both) {
        draw_tri(v->view, &r, &q, &p, colour);
    }
}

static void line(const visit_ctx* v, Vector3 a, Vector3 b, Color colour)
{
    draw_line(v->portal, v->view, &a, &b, colour);
}

// The floor, seen from above and below.
static void draw_floor(const visit_ctx* v)
{
    const u32 mask = v->g->opening_count >= 32 ? 0xffffffffu : (1u << v->g->opening_count) - 1u;
    u64 n = sv_geom_floor(v->g, mask, s_floor_tris, FLOOR_TRIS);
    for (u64 i = 0; i < n; ++i) {
        const sv_triangle* t = &s_floor_tris[i];
        tri(v, t->p[0], t->p[1], t->p[2], PALETTE.floor_col, 1);
    }
}

// The ramps and stairs up or down to the door sills.
static void draw_ramps(const visit_ctx* v)
{
    for (u8 k = 0; k < v->g->opening_count; ++k) {
        const sv_opening* o = &v->g->openings[k];
        if (o->rise == 0.0f || o->bench_sill) {
            continue;
        }
        Vector3 q[4];
        sv_geom_ramp(v->g, k, q);
        if (o->treads) {
            draw_flight(v->portal, v->view, q, o->treads);
            draw_face(v->g, v->portal, v->view, &v->g->ramp_sides[k][0]);
            draw_face(v->g, v->portal, v->view, &v->g->ramp_sides[k][1]);
            continue;
        }
        Vector3 p[4];
        for (i32 j = 0; j < 4; ++j) {
            p[j] = carry(v->portal, q[j]);
        }
        // The surface shows from above only.
        draw_tri(v->view, &p[2], &p[3], &p[0], PALETTE.ramp_col);
        draw_tri(v->view, &p[2], &p[0], &p[1], PALETTE.ramp_col);
        Vector3 m
            = {(p[0].x + p[1].x + p[2].x + p[3].x) / 4, (p[0].y + p[1].y + p[2].y + p[3].y) / 4,
               (p[0].z + p[1].z + p[2].z + p[3].z) / 4};
        Vector3 d3 = {p[3].x, p[0].y, p[3].z}, d2 = {p[2].x, p[1].y, p[2].z};
        Vector3 out0 = m, out1 = m; // a sinking ramp's cheeks face into its pit
        if (o->rise > 0) {
            out0 = {2 * p[0].x - m.x, m.y, 2 * p[0].z - m.z};
            out1 = {2 * p[1].x - m.x, m.y, 2 * p[1].z - m.z};
        }
        draw_tri_toward(v->view, &p[0], &d3, &p[3], &out0);
        draw_tri_toward(v->view, &p[1], &d2, &p[2], &out1);
    }
}

// Plinth and capital of a column, from the mean of its polygon.
static void draw_column_ends(const visit_ctx* v, const sv_fixture* fx)
{
    const u8 n = fx->vertex_count;
    Vector2 m = {0, 0};
    for (u8 i = 0; i < n; ++i) {
        m.x += fx->polygon[i].x;
        m.y += fx->polygon[i].y;
    }
    m.x /= (f32)n;
    m.y /= (f32)n;
    const f32 f = v->f, top = f + fx->top;
    const Color col = PALETTE.wall_col;
    for (u8 i = 0; i < n; ++i) {
        Vector2 p0 = fx->polygon[i], p1 = fx->polygon[(i + 1) % n];
        Vector2 o0 = {m.x + 1.35f * (p0.x - m.x), m.y + 1.35f * (p0.y - m.y)};
        Vector2 o1 = {m.x + 1.35f * (p1.x - m.x), m.y + 1.35f * (p1.y - m.y)};
        tri(v, at(o0, f), at(o1, f), at(p1, f + 0.25f), col, 1);
        tri(v, at(o0, f), at(p1, f + 0.25f), at(p0, f + 0.25f), col, 1);
        Vector2 u0 = {m.x + 1.45f * (p0.x - m.x), m.y + 1.45f * (p0.y - m.y)};
        Vector2 u1 = {m.x + 1.45f * (p1.x - m.x), m.y + 1.45f * (p1.y - m.y)};
        tri(v, at(p0, top - 0.35f), at(p1, top - 0.35f), at(u1, top), col, 1);
        tri(v, at(p0, top - 0.35f), at(u1, top), at(u0, top), col, 1);
    }
}

// Interior fixtures: faces, slopes, column ends and the tops of blocks and benches.
static void draw_fixtures(const visit_ctx* v)
{
    const f32 f = v->f;
    for (u8 i = 0; i < v->g->fixture_count; ++i) {
        const sv_fixture* fx = &v->g->fixtures[i];
        for (u8 j = 0; j < fx->face_count; ++j) {
            draw_face(v->g, v->portal, v->view, &fx->faces[j]);
        }
        for (u8 j = 0; j < fx->slope_count; ++j) {
            const sv_slope* s = &fx->slopes[j];
            Vector3 q[4] = {at(s->origin, f + s->bottom), at(s->across, f + s->bottom),
                            at(s->far_corner, f + s->top), at(s->up, f + s->top)};
            if (s->treads) {
                draw_flight(v->portal, v->view, q, s->treads);
            } else {
                tri(v, q[0], q[1], q[2], PALETTE.ramp_col, 1);
                tri(v, q[0], q[2], q[3], PALETTE.ramp_col, 1);
            }
        }
        if (fx->kind == SV_FIXTURE_COLUMN && fx->vertex_count > 0) {
            draw_column_ends(v, fx);
        }
        if ((fx->kind == SV_FIXTURE_BLOCK || fx->kind == SV_FIXTURE_BENCH)
            && fx->vertex_count > 2) {
            for (u8 j = 2; j < fx->vertex_count; ++j) {
                tri(v, at(fx->polygon[0], f + fx->top), at(fx->polygon[j - 1], f + fx->top),
                    at(fx->polygon[j], f + fx->top), PALETTE.ramp_col, 1);
            }
        }
    }
}

// Walls, cut around the doors open to sight, and their corner lines.
static void draw_walls(const visit_ctx* v, u32 open_mask)
{
    const sv_geom* g = v->g;
    const f32 f = v->f, c = v->c;
    const Color col = PALETTE.wall_col;
    for (u8 i = 0; i < g->vertex_count; ++i) {
        Vector2 a = g->vertices[i], b = g->vertices[(i + 1) % g->vertex_count];
        u8 door = 255;
        for (u8 k = 0; k < g->opening_count && door == 255; ++k) {
            if ((open_mask >> k & 1u) && g->openings[k].wall_edge == i) {
                door = k;
            }
        }
        if (door == 255) {
            tri(v, at(a, f), at(b, f), at(b, c), col, 0);
            tri(v, at(a, f), at(b, c), at(a, c), col, 0);
            continue;
        }
        Vector3 q[4];
        sv_geom_opening(g, door, q);
        const f32 s = f + g->openings[door].rise, low = std::fmin(s, f);
        Vector2 q0 = {q[0].x, q[0].z}, q1 = {q[1].x, q[1].z};
        tri(v, at(a, low), at(q0, low), at(q0, c), col, 0);
        tri(v, at(a, low), at(q0, c), at(a, c), col, 0);
        tri(v, at(q1, low), at(b, low), at(b, c), col, 0);
        tri(v, at(q1, low), at(b, c), at(q1, c), col, 0);
        if (f < s) {
            tri(v, at(q0, f), at(q1, f), at(q1, s), col, 0);
            tri(v, at(q0, f), at(q1, s), at(q0, s), col, 0);
        }
        if (q[3].y < c) {
            Vector3 q2c = {q[2].x, c, q[2].z}, q3c = {q[3].x, c, q[3].z};
            tri(v, q[3], q[2], q2c, col, 0);
            tri(v, q[3], q2c, q3c, col, 0);
        }
    }
    for (u8 i = 0; i < g->vertex_count; ++i) {
        line(v, at(g->vertices[i], f), at(g->vertices[i], c), col);
    }
}

// The fog veil of a fogged doorway: an opaque backdrop and seven shimmering translucent sheets
// stacked into the place, each fading as the eye comes near its plane; farthest drawn first.
static void draw_veil(const visit_ctx* v, u8 k, const Vector3 q[4], u8 exit)
{
    const sv_draw_frame* fr = sv_draw_get_frame();
    const f32 yaw = v->g->openings[k].yaw;
    const Vector3 n = {std::cos(yaw), 0.0f, std::sin(yaw)};
    const Vector3 m
        = {(q[0].x + q[1].x + q[2].x + q[3].x) / 4, (q[0].y + q[1].y + q[2].y + q[3].y) / 4,
           (q[0].z + q[1].z + q[2].z + q[3].z) / 4};
    const f32 t = (f32)fr->time;
    const Vector3 cm = carry(v->portal, m);
    const Vector3 cmn = carry(v->portal, {m.x + n.x, m.y + n.y, m.z + n.z});
    const Vector3 nn = {cmn.x - cm.x, cmn.y - cm.y, cmn.z - cm.z};
    Vector3 corners[8][4];
    f32 dist[8], fade[8];
    u8 order[8];
    for (u8 l = 0; l < 8; ++l) {
        const f32 d = 0.004f + 0.022f * (f32)l;
        const f32 s = l == 0
            ? 0.0f
            : std::fmax(0.0f, 0.07f * (f32)l + 0.02f * std::sin(0.6f * t + 1.7f * (f32)l));
        for (i32 j = 0; j < 4; ++j) {
            Vector3 p
                = {q[j].x + s * (m.x - q[j].x) + d * n.x, q[j].y + s * (m.y - q[j].y) + d * n.y,
                   q[j].z + s * (m.z - q[j].z) + d * n.z};
            corners[l][j] = carry(v->portal, p);
        }
        const Vector3 centre = carry(v->portal, {m.x + d * n.x, m.y + d * n.y, m.z + d * n.z});
        const Vector3 e = {centre.x - fr->eye.x, centre.y - fr->eye.y, centre.z - fr->eye.z};
        dist[l] = e.x * e.x + e.y * e.y + e.z * e.z;
        const f32 a = std::fabs(e.x * nn.x + e.y * nn.y + e.z * nn.z);
        fade[l] = a < 0.1f ? 0.0f : std::fmin(1.0f, (a - 0.1f) / 0.6f);
        if (l == 0 && fade[l] != 0.0f) {
            fade[l] = 1.0f;
        }
        order[l] = l;
    }
    // Farthest first; of equal distances the lower layer first (a stable insertion sort).
    for (u8 i = 1; i < 8; ++i) {
        for (u8 j = i; j > 0 && dist[order[j]] > dist[order[j - 1]]; --j) {
            u8 swap = order[j];
            order[j] = order[j - 1];
            order[j - 1] = swap;
        }
    }
    for (u8 i = 0; i < 8; ++i) {
        const u8 l = order[i];
        if (fade[l] == 0.0f) {
            continue;
        }
        Color col;
        if (l == 0) {
            col = exit ? Color {128, 104, 44, 255} : Color {128, 128, 146, 255};
        } else {
            const u8 alpha = (u8)(46.0f * fade[l]);
            col = exit ? Color {240, 204, 110, alpha} : Color {236, 236, 242, alpha};
        }
        const Vector3* c = corners[l];
        draw_tri(v->view, &c[0], &c[1], &c[2], col);
        draw_tri(v->view, &c[2], &c[1], &c[0], col);
        draw_tri(v->view, &c[0], &c[2], &c[3], col);
        draw_tri(v->view, &c[3], &c[2], &c[0], col);
    }
}

// The door record whose look the frame of opening k shows, or null when none is drawn there.
static const sv_door* frame_door(const sv_visit* visit, const sv_floor* floor, u8 k)
{
    const u32 bit = 1u << k;
    const sv_room* room = sv_floor_room_const(floor, visit->place);
    if (room) {
        if (k >= room->door_count || !((visit->open_mask | visit->fogged_mask) & bit)) {
            return nullptr;
        }
        // A door into a corridor shows the door at the corridor's far end.
        const sv_door* d = nullptr;
        i32 p = sv_floor_passage_of(floor, visit->place, k);
        if (p >= 0) {
            const sv_passage* s = &floor->passages[p];
            if (s->room_a == visit->place && s->door_a == k) {
                d = sv_floor_door_const(floor, s->room_b, s->door_b);
            } else {
                d = sv_floor_door_const(floor, s->room_a, s->door_a);
            }
        }
        return d ? d : &room->doors[k];
    }
    if (!(visit->fogged_mask & bit)) {
        return nullptr;
    }
    u16 next = 65535, from_room = 65535;
    u8 entry = 0, from_door = 0;
    if (!sv_floor_place_next(floor, visit->place, k, &next, &entry, &from_room, &from_door)) {
        return nullptr;
    }
    return sv_floor_door_const(floor, from_room, from_door);
}

// Door frames, with a veil in each fogged doorway under its frame. The frame of a fogged
// doorway stands FOG_FRAME_LIFT into the place, well in front of the veil's opaque backdrop (and
// of the whole wall behind it), so depth never hides or dashes its lines.
static void draw_doors(const visit_ctx* v, const sv_visit* visit, const sv_floor* floor)
{
    for (u8 k = 0; k < v->g->opening_count; ++k) {
        const sv_door* d = frame_door(visit, floor, k);
        if (!d) {
            continue;
        }
        const Color col = door_colour(d->kind);
        Vector3 q[4];
        sv_geom_opening(v->g, k, q);
        if (visit->fogged_mask >> k & 1u) {
            draw_veil(v, k, q, d->kind == SV_DOOR_EXIT);
            const f32 yaw = v->g->openings[k].yaw;
            const f32 dx = FOG_FRAME_LIFT * std::cos(yaw), dz = FOG_FRAME_LIFT * std::sin(yaw);
            for (i32 j = 0; j < 4; ++j) {
                q[j].x += dx;
                q[j].z += dz;
            }
            // The sill now lies over the floor: up off it, as a box on the floor stands.
            q[0].y += FOG_SILL_LIFT;
            q[1].y += FOG_SILL_LIFT;
        }
        line(v, q[0], q[1], col);
        line(v, q[0], q[3], col);
        line(v, q[1], q[2], col);
        line(v, q[3], q[2], col);
        const f32 drop = 0.1f * (f32)((d->appearance & 7) + 1);
        line(v, {q[3].x, q[3].y - drop, q[3].z}, {q[2].x, q[2].y - drop, q[2].z}, col);
        if (d->locked) {
            const f32 mid = (q[0].y + q[3].y) / 2;
            line(v, {q[0].x, mid, q[0].z}, {q[1].x, mid, q[1].z}, col);
        }
    }
}

void draw_visit(const sv_visit* visit, void* user)
{
    const sv_floor* floor = (const sv_floor*)user;
    if (!visit || !visit->geom || !floor) {
        return;
    }
    const visit_ctx v
        = {visit->geom, visit->to_root, visit->view, visit->geom->floor_y, visit->geom->ceiling_y};
    draw_floor(&v);
    draw_ramps(&v);
    draw_fixtures(&v);
    draw_walls(&v, visit->open_mask);
    draw_room_things(visit, floor);
    draw_place_mobs(visit, floor);
    draw_place_shots(visit, floor);
    draw_doors(&v, visit, floor);
}

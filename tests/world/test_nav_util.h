// Hand-built place geometry for the body and navigation tests: boxes, doors and fixtures laid
// directly into a zero-filled record, so the tests need no generator.
#pragma once
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "core/tune.h"
#include "world/body.h"
#include "world/geom.h"
#include "world/nav.h"
#include "world/world_types.h"

// An empty box room from (x0, z0) to (x1, z1), floor at y, vertices by increasing angle.
inline void box_geom(sv_geom* g, f32 x0, f32 z0, f32 x1, f32 z1, f32 y = 0.0f)
{
    memset(g, 0, sizeof *g);
    g->vertices[0] = Vector2 {x1, z0};
    g->vertices[1] = Vector2 {x1, z1};
    g->vertices[2] = Vector2 {x0, z1};
    g->vertices[3] = Vector2 {x0, z0};
    g->vertex_count = 4;
    g->floor_y = y;
    g->ceiling_y = y + 4.0f;
    g->first_dais = SV_NO_DAIS;
    g->interior = SV_INTERIOR_BARE;
}

// A flat door of the given width in the middle of wall edge e; returns its index.
inline u8 add_door(sv_geom* g, u8 e, f32 width)
{
    Vector2 a = g->vertices[e], b = g->vertices[(e + 1) % g->vertex_count];
    f32 dx = b.x - a.x, dz = b.y - a.y, len = sqrtf(dx * dx + dz * dz);
    u8 k = g->opening_count++;
    sv_opening* o = &g->openings[k];
    o->centre = Vector2 {(a.x + b.x) * 0.5f, (a.y + b.y) * 0.5f};
    o->tangent = Vector2 {dx / len, dz / len};
    // Inward normal: the left of the edge for vertices by increasing angle.
    Vector2 n = {-o->tangent.y, o->tangent.x};
    o->yaw = atan2f(n.y, n.x);
    o->foot = Vector2 {o->centre.x + n.x * 0.25f, o->centre.y + n.y * 0.25f};
    o->width = width;
    o->top = 2.6f;
    o->wall_edge = e;
    return k;
}

// An axis-aligned box fixture with four vertical faces from the floor to its top.
inline u8 add_box(sv_geom* g, f32 x0, f32 z0, f32 x1, f32 z1, f32 top, u8 standable,
                  u32 kind = SV_FIXTURE_BLOCK)
{
    u8 k = g->fixture_count++;
    sv_fixture* f = &g->fixtures[k];
    f->kind = kind;
    f->polygon[0] = Vector2 {x0, z0};
    f->polygon[1] = Vector2 {x1, z0};
    f->polygon[2] = Vector2 {x1, z1};
    f->polygon[3] = Vector2 {x0, z1};
    f->vertex_count = 4;
    f->top = top;
    f->standable = standable;
    for (u8 i = 0; i < 4; ++i) {
        sv_face* face = &f->faces[i];
        face->p0 = f->polygon[i];
        face->p1 = f->polygon[(i + 1) % 4];
        face->top0 = face->top1 = top;
    }
    f->face_count = 4;
    f->centre = Vector2 {(x0 + x1) * 0.5f, (z0 + z1) * 0.5f};
    f32 hx = (x1 - x0) * 0.5f, hz = (z1 - z0) * 0.5f;
    f->bound = sqrtf(hx * hx + hz * hz);
    return k;
}

// Walks a body of radius r along a path at walking speed, collided and settled every tick; the
// number of points reached in order (n when all were), a point counting as reached within
// `reached`, 0.1 unless given (corners lie on cell edges, a little nearer to what a body is held
// off than its centre comes; a mob takes a corner at SV_NAV_TURN). A point the body makes no
// headway towards for a second is not reached. Writes the feet's height at the end when all were.
inline u64 walk_path(const sv_geom* g, f32 r, Vector2 start, const Vector2* points, u64 n,
                     f32* y_end, f32 reached = 0.1f)
{
    const f32 dt = (f32)sv_sim_dt(), step = (f32)sv_tune(SV_TUNE_PLAYER_STEP_HEIGHT);
    const f32 speed = (f32)sv_tune(SV_TUNE_PLAYER_WALK_SPEED);
    f32 x = start.x, z = start.y, y = sv_geom_ground(g, x, z), vy = 0.0f;
    u8 air = 0;
    for (u64 i = 0; i < n; ++i) {
        f32 best = 1e9f;
        for (u32 idle = 0;;) {
            f32 dx = points[i].x - x, dz = points[i].y - z, d = sqrtf(dx * dx + dz * dz);
            if (d < reached)
                break;
            if (d < best - 0.01f) {
                best = d;
                idle = 0;
            } else if (++idle > sv_sim_ticks(1.0f)) {
                return i;
            }
            f32 m = fminf(d, speed * dt);
            x += dx / d * m;
            z += dz / d * m;
            sv_player_collide(g, &x, &z, r, y, step);
            sv_body_settle(g, x, z, &y, &vy, &air);
        }
    }
    *y_end = y;
    return n;
}

// The body radius of the navigation tests.
constexpr f32 NAV_TEST_R = 0.4f;

// A 10 x 10 box room about the origin at the default tunables (restored after), and paths in it.
struct nav_box_room : ::testing::Test {
    sv_geom g;
    Vector2 out[96];
    void SetUp() override
    {
        sv_tune_reset_defaults();
        box_geom(&g, -5.0f, -5.0f, 5.0f, 5.0f);
    }
    void TearDown() override { sv_tune_reset_defaults(); }
    u64 path(Vector2 a, Vector2 b, u64 cap = 96)
    {
        return sv_nav_path(&g, NAV_TEST_R, a, b, out, cap);
    }
};

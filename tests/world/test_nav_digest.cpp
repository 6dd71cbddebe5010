// Digests over whole navigation grids and over the ground: every cell, rectangle, link and
// incoming list of the grids of many generated places (seeds, floors, interior draws, radii, and
// the tunables that shape them at their limits), and the ground height, ground face and face tops
// sampled on a fine lattice and at the corners where ramps, slopes and tops begin. They pin the
// grid's build and the ground queries byte for byte while their code moves; the reference test
// (test_nav_reference.cpp) says what the bytes should be, these say that they did not change.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "core/fmath.h"
#include "core/tune.h"
#include "world/geom.h"
#include "world/nav.h"
#include "world/nav_grid.h"
#include "world/world_util.h"

namespace {

// A running digest of 64-bit words, the same on every platform (little-endian words).
struct digest {
    u64 h = 0x9e3779b97f4a7c15ull;
    void word(u64 w)
    {
        h = (h ^ w) * 0x100000001b3ull;
        h ^= h >> 31;
    }
    void bytes(const void* data, size_t n)
    {
        const u8* p = (const u8*)data;
        size_t i = 0;
        for (; i + 8 <= n; i += 8) {
            u64 w;
            memcpy(&w, p + i, 8);
            word(w);
        }
        u64 w = 0;
        memcpy(&w, p + i, n - i);
        word(w ^ ((u64)n << 56));
    }
    void f32v(f32 v)
    {
        u32 b;
        memcpy(&b, &v, 4);
        word(b);
    }
};

// Every field of the working grid (padding left out).
void add_grid(digest* d)
{
    const sv_nav_grid* g = sv_nav_current_grid();
    d->f32v(g->origin_x);
    d->f32v(g->origin_z);
    d->f32v(g->cell);
    d->word((u64)g->width << 16 | g->height);
    u32 cells = (u32)g->width * g->height;
    d->bytes(g->walkable, cells);
    d->bytes(g->obstacle_top, sizeof(f32) * cells);
    d->bytes(g->ground, sizeof(f32) * cells);
    d->bytes(g->ground_face, sizeof(u16) * cells);
    d->bytes(g->rect_of_cell, sizeof(u16) * cells);
    d->word(g->rect_count);
    for (u32 k = 0; k < g->rect_count; ++k) {
        const sv_nav_rect* r = &g->rects[k];
        d->word((u64)r->x0 | (u64)r->z0 << 16 | (u64)r->x1 << 32 | (u64)r->z1 << 48);
        d->word((u64)r->face | (u64)r->link_count << 16 | (u64)r->first_link << 40);
    }
    d->word(g->link_count);
    for (u32 k = 0; k < g->link_count; ++k) {
        const sv_nav_link* l = &g->links[k];
        d->word((u64)l->to | (u64)l->gap << 16);
        const f32 v[6] = {l->a.x, l->a.y, l->b.x, l->b.y, l->landing.x, l->landing.y};
        d->bytes(v, sizeof v);
    }
    d->bytes(g->incoming, sizeof(u16) * g->link_count);
    d->bytes(g->incoming_start, sizeof(u32) * (g->rect_count + 1));
}

// The grids of geom for each radius, built afresh (none kept), with the walkability answer.
void add_grids(digest* d, const sv_geom* geom, const f32* radii, u32 n)
{
    for (u32 k = 0; k < n; ++k) {
        d->word((u64)sv_nav_walkable(geom, radii[k]));
        add_grid(d);
    }
}

// Rooms (every interior draw, and bare, when draws) and corridor pieces of one floor: calls
// visit(geom) for each place of every stride-th.
template <typename Visit> void each_place(u64 seed, u16 number, bool draws, u64 stride, Visit visit)
{
    static sv_geom s_g;
    world_floor wf(seed, number, world_lay::pass);
    for (u16 place = 0; place < wf.f.place_count; place = (u16)(place + stride)) {
        bool room = place < wf.f.room_count;
        u8 n = room && draws ? 9 : 1;
        u8 keep = room ? wf.f.rooms[place].interior : 0;
        for (u8 draw = 0; draw < n; ++draw) {
            if (room && draws)
                wf.f.rooms[place].interior = draw < 8 ? draw : SV_INTERIOR_BARE;
            sv_geom_build(&s_g, &wf.f, place);
            if (s_g.vertex_count >= 3)
                visit(&s_g);
        }
        if (room)
            wf.f.rooms[place].interior = keep;
    }
}

// Tunable sets at their limits: huge and tiny rooms, crowded interiors, steep and stepped ramps,
// high sills, and step heights of nothing and of the most a pack allows.
struct tune_set {
    const char* names[8];
    f64 values[8];
};

const tune_set k_limits[] = {
    {{"geom.room_radius", "geom.radius_spread", "interior.columns", "interior.blocks",
      "interior.benches", "interior.spacing", "player.step_height"},
     {200, 0.9, 20, 20, 20, 0, 5}},
    {{"geom.room_radius", "geom.door_width", "interior.column_radius", "interior.block_size",
      "interior.columns", "interior.blocks", "player.step_height"},
     {3, 20, 5, 10, 20, 20, 0}},
    {{"geom.max_slope", "geom.elevation_max", "geom.sill_max", "geom.ramp_run", "interior.riser",
      "interior.bench_height", "interior.dais_height", "interior.flight_share"},
     {3, 100, 20, 0.05, 0.05, 5, 5, 1}},
    {{"geom.ramp_run", "geom.max_slope", "geom.elevation_max", "interior.riser", "interior.benches",
      "interior.bench_depth", "player.step_height"},
     {0.95, 0.05, 3, 5, 20, 10, 0.05}},
};

void set_limits(const tune_set& set)
{
    sv_tune_reset_defaults();
    for (u32 k = 0; k < 8 && set.names[k]; ++k)
        ASSERT_EQ(sv_tune_set_by_name(set.names[k], set.values[k]), 1) << set.names[k];
}

TEST(NavDigest, GridsArePinned)
{
    sv_tune_reset_defaults();
    digest d;
    u64 grids = 0;
    const f32 radii[3] = {(f32)sv_tune(SV_TUNE_PLAYER_RADIUS), 0.2f, 0.9f};
    for (u16 number : {1, 5, 10})
        for (u64 seed = 1; seed <= 3; ++seed)
            each_place(seed, number, true, sanitized_stride(4), [&](const sv_geom* g) {
                add_grids(&d, g, radii, 3);
                grids += 3;
            });
    // The radii a pack may give the player, on rooms shaped by tunables at their limits.
    const f32 limit_radii[2] = {0.05f, 3.0f};
    for (const tune_set& set : k_limits) {
        set_limits(set);
        for (u64 seed = 1; seed <= 2; ++seed)
            each_place(seed, 6, true, sanitized_stride(3), [&](const sv_geom* g) {
                add_grids(&d, g, limit_radii, 2);
                add_grids(&d, g, radii, 1);
                grids += 3;
            });
    }
    sv_tune_reset_defaults();
    printf("nav digest: %llu grids\n", (unsigned long long)grids);
    // A deliberate change to the grid changes this value: check the reference test, then take
    // the new value printed here. The sanitizer build, which takes every fourth place (every
    // third at the limits), has a value of its own.
    EXPECT_EQ(d.h, k_sanitized ? 0x3529190ebd207005ull : 0xc69be4d292f9d361ull)
        << std::hex << "digest 0x" << d.h;
}

// The ground at (x, z), and at the nearest floats either side of it in x and z.
void add_ground_near(digest* d, const sv_geom* g, f32 x, f32 z)
{
    for (f32 dx : {-1.0f, 0.0f, 1.0f})
        for (f32 dz : {-1.0f, 0.0f, 1.0f}) {
            f32 px = dx == 0.0f ? x : nextafterf(x, dx * INFINITY);
            f32 pz = dz == 0.0f ? z : nextafterf(z, dz * INFINITY);
            u16 face = 0xFFFF;
            d->f32v(sv_geom_ground_on(g, px, pz, &face));
            d->word(face);
        }
}

// The ground of a place on a lattice of pitch step over its walls' box (and a margin), at every
// corner of its ramps, slopes and standable tops, and the tops of its faces along and beside them.
void add_ground(digest* d, const sv_geom* g, f32 step)
{
    f32 x0 = g->vertices[0].x, x1 = x0, z0 = g->vertices[0].y, z1 = z0;
    for (u8 v = 1; v < g->vertex_count; ++v) {
        x0 = sv_fminf(x0, g->vertices[v].x);
        x1 = sv_fmaxf(x1, g->vertices[v].x);
        z0 = sv_fminf(z0, g->vertices[v].y);
        z1 = sv_fmaxf(z1, g->vertices[v].y);
    }
    // At most about 256 samples a side: the widest rooms at the limits get a coarser lattice.
    step = sv_fmaxf(step, sv_fmaxf(x1 - x0, z1 - z0) / 256.0f);
    u32 nx = (u32)((x1 - x0) / step) + 3, nz = (u32)((z1 - z0) / step) + 3;
    for (u32 j = 0; j < nz; ++j)
        for (u32 i = 0; i < nx; ++i) {
            u16 face = 0xFFFF;
            d->f32v(sv_geom_ground_on(g, x0 + ((f32)i - 1.0f) * step, z0 + ((f32)j - 1.0f) * step,
                                      &face));
            d->word(face);
        }
    for (u8 k = 0; k < g->opening_count; ++k) {
        const sv_opening* o = &g->openings[k];
        Vector3 q[4];
        sv_geom_ramp(g, k, q);
        for (const Vector3& p : q)
            add_ground_near(d, g, p.x, p.z);
        add_ground_near(d, g, o->foot.x, o->foot.y);
    }
    for (u8 k = 0; k < g->fixture_count; ++k) {
        const sv_fixture* f = &g->fixtures[k];
        for (u8 v = 0; v < f->vertex_count; ++v)
            add_ground_near(d, g, f->polygon[v].x, f->polygon[v].y);
        for (u8 s = 0; s < f->slope_count; ++s) {
            const sv_slope* sl = &f->slopes[s];
            for (Vector2 p : {sl->origin, sl->across, sl->up, sl->far_corner})
                add_ground_near(d, g, p.x, p.y);
        }
    }
    // Face tops along each face, at its ends and just past them, and off to either side.
    auto faces = [&](const sv_face* fc) {
        f32 dx = fc->p1.x - fc->p0.x, dz = fc->p1.y - fc->p0.y;
        for (i32 t = -2; t <= 34; ++t)
            for (f32 off : {-0.3f, 0.0f, 0.3f}) {
                f32 s = (f32)t / 32.0f;
                d->f32v(sv_geom_face_top(
                    fc, Vector2 {fc->p0.x + s * dx - off * dz, fc->p0.y + s * dz + off * dx}));
            }
    };
    for (u8 k = 0; k < g->opening_count; ++k)
        for (u8 s = 0; s < 2; ++s)
            faces(&g->ramp_sides[k][s]);
    for (u8 k = 0; k < g->fixture_count; ++k)
        for (u8 i = 0; i < g->fixtures[k].face_count; ++i)
            faces(&g->fixtures[k].faces[i]);
}

TEST(NavDigest, GroundIsPinned)
{
    sv_tune_reset_defaults();
    digest d;
    u64 places = 0;
    for (u16 number : {1, 5, 10})
        for (u64 seed = 1; seed <= 2; ++seed)
            each_place(seed, number, true, sanitized_stride(5), [&](const sv_geom* g) {
                add_ground(&d, g, 0.1f);
                ++places;
            });
    for (const tune_set& set : k_limits) {
        set_limits(set);
        each_place(3, 6, true, sanitized_stride(5), [&](const sv_geom* g) {
            add_ground(&d, g, 0.1f);
            ++places;
        });
    }
    sv_tune_reset_defaults();
    printf("ground digest: %llu places\n", (unsigned long long)places);
    // A deliberate change to the ground changes this value: check the reference test and the
    // sweeps, then take the new value printed here (the sanitizer build's takes every fifth place).
    EXPECT_EQ(d.h, k_sanitized ? 0x4350faf7f25c17ecull : 0x31c4effac31a0ffbull)
        << std::hex << "digest 0x" << d.h;
}

} // namespace

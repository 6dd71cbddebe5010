// Sweeps over generated floors at default tunables: every room with each interior draw and
// every corridor piece gets its grid (counts within their limits), paths from each real door's
// foot to the centre and back (every point inside the walls), and bodies driven at walking and
// dodging speed that stay inside the walls, out of solids, and on the ground while grounded.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "core/rng.h"
#include "test_nav_util.h"
#include "world/body.h"
#include "world/nav.h"
#include "world/nav_grid.h"
#include "world/nav_path.h"
#include "world/world_util.h"

namespace {

// The sanitizer build sweeps every 32nd seed of the same ranges (about 25 s in all).
constexpr u64 SEED_STRIDE = sanitized_stride(32);

struct nav_max {
    u64 rects = 0, links = 0, gaps = 0, heap = 0;
    u64 grids = 0, walkable = 0, paths = 0, points = 0, bodies = 0, ticks = 0, sills = 0;
};

// Inside the walls, or within rounding of a wall line (a door holds a body 0.01 inside it).
bool inside(const sv_geom* g, Vector2 p)
{
    if (sv_geom_contains(g, p))
        return true;
    for (u8 e = 0; e < g->vertex_count; ++e)
        if (pt_seg_dist(p, g->vertices[e], g->vertices[(e + 1) % g->vertex_count]) < 0.001f)
            return true;
    return false;
}

void grid_counts(const sv_geom* g, f32 r, nav_max* mx)
{
    u64 rects = 0, links = 0, gaps = 0;
    sv_nav_stats(g, r, &rects, &links, &gaps);
    ASSERT_LE(rects, (u64)SV_NAV_RECTS);
    ASSERT_LE(links, (u64)SV_NAV_LINKS);
    mx->rects = std::max(mx->rects, rects);
    mx->links = std::max(mx->links, links);
    mx->gaps = std::max(mx->gaps, gaps);
    // Every 8th grid: the ground the grid keeps is the ground the geometry reports.
    if (mx->grids++ % 8 == 0) {
        const sv_nav_grid* grid = sv_nav_current_grid();
        for (u32 j = 0; j < grid->height; ++j)
            for (u32 i = 0; i < grid->width; ++i) {
                u32 c = j * grid->width + i;
                if (!grid->walkable[c])
                    continue;
                u16 face = 0;
                f32 y = sv_geom_ground_on(g, grid->origin_x + ((f32)i + 0.5f) * grid->cell,
                                          grid->origin_z + ((f32)j + 0.5f) * grid->cell, &face);
                ASSERT_EQ(grid->ground[c], y);
                ASSERT_EQ(grid->ground_face[c], face);
            }
    }
}

// A path from a to b exists and every point of it lies inside the walls.
void expect_path(const sv_geom* g, f32 r, Vector2 a, Vector2 b, const char* where, nav_max* mx)
{
    static Vector2 s_out[96];
    sv_nav_search_heap()->peak = 0;
    u64 n = sv_nav_path(g, r, a, b, s_out, 96);
    mx->heap = std::max<u64>(mx->heap, sv_nav_search_heap()->peak);
    ASSERT_LE(sv_nav_search_heap()->peak, sv_nav_current_grid()->link_count + 1) << where;
    ASSERT_GT(n, 0u) << where << " from (" << a.x << ", " << a.y << ") to (" << b.x << ", " << b.y
                     << ")";
    EXPECT_EQ(s_out[n - 1].x, b.x) << where;
    EXPECT_EQ(s_out[n - 1].y, b.y) << where;
    for (u64 i = 0; i < n; ++i)
        EXPECT_TRUE(inside(g, s_out[i])) << where << " point " << i;
    mx->paths++;
    mx->points += n;
}

// A body walking the path from the centre to a bench sill's foot reaches every point of it: the
// foot lies on the bench's edge, reached only over the bench's ramp.
void expect_walked(const sv_geom* g, f32 r, Vector2 foot, const char* where, nav_max* mx)
{
    static Vector2 s_out[96];
    u64 n = sv_nav_path(g, r, Vector2 {0, 0}, foot, s_out, 96);
    f32 y = 0.0f;
    EXPECT_EQ(walk_path(g, r, Vector2 {0, 0}, s_out, n, &y), n) << where << " bench sill";
    mx->sills++;
}

// Bodies of radius r dropped at standable points and driven for 600 ticks, turning now and then,
// at walking speed (bit 0 of the mask) and dodging speed (bit 1).
void drive_bodies(const sv_geom* g, f32 r, sv_rng* rng, u32 speed_mask, const char* where,
                  nav_max* mx)
{
    const f32 speeds[2]
        = {(f32)sv_tune(SV_TUNE_PLAYER_WALK_SPEED), (f32)sv_tune(SV_TUNE_PLAYER_DODGE_SPEED)};
    const f32 dt = (f32)sv_sim_dt(), step = (f32)sv_tune(SV_TUNE_PLAYER_STEP_HEIGHT);
    for (u32 which = 0; which < 2; ++which) {
        if (!(speed_mask & (1u << which)))
            continue;
        f32 speed = speeds[which];
        f32 x = 0.0f, z = 0.0f;
        int tries = 0;
        do {
            x = (f32)(sv_rng_f64(rng) * 2.0 - 1.0) * g->radius;
            z = (f32)(sv_rng_f64(rng) * 2.0 - 1.0) * g->radius;
        } while (!sv_geom_standable(g, x, z, r) && ++tries < 200);
        if (tries >= 200)
            continue;
        f32 y = sv_geom_ground(g, x, z), vy = 0.0f;
        u8 air = 0;
        f32 yaw = (f32)(sv_rng_f64(rng) * 6.2831853);
        mx->bodies++;
        for (int t = 0; t < 600; ++t) {
            if (sv_rng_below(rng, 30) == 0)
                yaw = (f32)(sv_rng_f64(rng) * 6.2831853);
            x += cosf(yaw) * speed * dt;
            z += sinf(yaw) * speed * dt;
            sv_player_collide(g, &x, &z, r, y, step);
            sv_body_settle(g, x, z, &y, &vy, &air);
            ASSERT_TRUE(inside(g, Vector2 {x, z}))
                << where << " speed " << speed << " tick " << t << " at " << x << ", " << z;
            for (u8 k = 0; k < g->fixture_count; ++k) {
                const sv_fixture* f = &g->fixtures[k];
                if (!f->standable) {
                    ASSERT_FALSE(poly_contains(f->polygon, f->vertex_count, Vector2 {x, z}))
                        << where << " fixture " << (int)k << " tick " << t;
                }
            }
            if (!air) {
                ASSERT_EQ(y, sv_geom_ground(g, x, z)) << where << " tick " << t;
            }
        }
        mx->ticks += 600;
    }
}

void sweep(u64 seed_from, u64 seed_to)
{
    sv_tune_reset_defaults();
    const f32 r = (f32)sv_tune(SV_TUNE_PLAYER_RADIUS);
    static sv_geom s_g;
    nav_max mx;
    char where[112];
    for (u64 seed = seed_from; seed < seed_to; seed += SEED_STRIDE) {
        u16 number = (u16)(1 + seed % 10);
        world_floor wf(seed, number);
        sv_floor* f = &wf.f;
        sv_rng rng;
        sv_rng_open(&rng, seed, number, SV_STREAM_GEOMETRY);
        for (u16 p = 0; p < f->place_count; ++p) {
            u8 draws = p < f->room_count ? 8 : 1;
            for (u8 draw = 0; draw < draws; ++draw) {
                if (p < f->room_count)
                    f->rooms[p].interior = draw;
                sv_geom_build(&s_g, f, p);
                snprintf(where, sizeof where, "seed %llu floor %u place %u draw %u",
                         (unsigned long long)seed, number, p, draw);
                grid_counts(&s_g, r, &mx);
                if (sv_nav_walkable(&s_g, r)) {
                    mx.walkable++;
                    for (u8 k = 0; k < s_g.opening_count; ++k) {
                        expect_path(&s_g, r, s_g.openings[k].foot, Vector2 {0, 0}, where, &mx);
                        expect_path(&s_g, r, Vector2 {0, 0}, s_g.openings[k].foot, where, &mx);
                        if (s_g.openings[k].bench_sill)
                            expect_walked(&s_g, r, s_g.openings[k].foot, where, &mx);
                    }
                }
                // Bodies in one draw of each room (both speeds) and in every fourth corridor
                // piece (one speed, alternating).
                if (p < f->room_count && draw == seed % draws)
                    drive_bodies(&s_g, r, &rng, 3, where, &mx);
                else if (p >= f->room_count && p % 4 == 0)
                    drive_bodies(&s_g, r, &rng, 1u << ((p / 4) & 1), where, &mx);
                if (::testing::Test::HasFailure())
                    return;
            }
        }
    }
    printf("nav sweep seeds %llu..%llu step %llu: %llu grids (%llu walkable), max rects %llu/%u, "
           "links %llu/%u, gap links %llu, heap %llu/%u; %llu paths (%llu points, %llu walked to "
           "bench sills); %llu bodies, %llu ticks\n",
           (unsigned long long)seed_from, (unsigned long long)seed_to,
           (unsigned long long)SEED_STRIDE, (unsigned long long)mx.grids,
           (unsigned long long)mx.walkable, (unsigned long long)mx.rects, SV_NAV_RECTS,
           (unsigned long long)mx.links, SV_NAV_LINKS, (unsigned long long)mx.gaps,
           (unsigned long long)mx.heap, SV_NAV_HEAP, (unsigned long long)mx.paths,
           (unsigned long long)mx.points, (unsigned long long)mx.sills,
           (unsigned long long)mx.bodies, (unsigned long long)mx.ticks);
}

} // namespace

TEST(NavSweep, Seeds1To125)
{
    sweep(1, 126);
}
TEST(NavSweep, Seeds126To250)
{
    sweep(126, 251);
}
TEST(NavSweep, Seeds251To375)
{
    sweep(251, 376);
}
TEST(NavSweep, Seeds376To500)
{
    sweep(376, 501);
}
TEST(NavSweep, Seeds501To625)
{
    sweep(501, 626);
}
TEST(NavSweep, Seeds626To750)
{
    sweep(626, 751);
}
TEST(NavSweep, Seeds751To875)
{
    sweep(751, 876);
}
TEST(NavSweep, Seeds876To1000)
{
    sweep(876, 1001);
}

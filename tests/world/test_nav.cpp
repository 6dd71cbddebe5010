// The navigation grid and path search on hand-built places: the content key, cell sizes,
// columns, ledges, benches and pockets, the funnel's corners and caps, the heap and bad input.
// The kept grids have tests of their own (test_nav_kept.cpp).
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "core/rng.h"
#include "core/tune.h"
#include "test_nav_util.h"
#include "world/geom.h"
#include "world/nav.h"
#include "world/nav_grid.h"
#include "world/nav_path.h"
#include "world/world_util.h"

namespace {

const f32 R = NAV_TEST_R;

struct NavTest : nav_box_room { };

// Whether the grid cell holding (x, z) is walkable.
bool walkable_at(f32 x, f32 z)
{
    const sv_nav_grid* grid = sv_nav_current_grid();
    f32 fx = (x - grid->origin_x) / grid->cell, fz = (z - grid->origin_z) / grid->cell;
    if (!(fx >= 0.0f && fz >= 0.0f && fx < grid->width && fz < grid->height))
        return false;
    return grid->walkable[(u32)fz * grid->width + (u32)fx] != 0;
}

TEST_F(NavTest, GridIsKeyedByRecordRadiusAndStepHeight)
{
    u64 rects = 0;
    sv_nav_stats(&g, R, &rects, nullptr, nullptr);
    u64 builds = sv_nav_current_grid()->builds;
    EXPECT_EQ(rects, 1u);
    EXPECT_EQ(sv_nav_current_grid()->built, 1);
    sv_nav_stats(&g, R, &rects, nullptr, nullptr);
    path(Vector2 {-3, 0}, Vector2 {3, 0});
    EXPECT_EQ(sv_nav_current_grid()->builds, builds);
    g.ceiling_y += 1.0f; // any byte of the record
    sv_nav_stats(&g, R, nullptr, nullptr, nullptr);
    EXPECT_EQ(sv_nav_current_grid()->builds, builds + 1);
    sv_nav_stats(&g, 0.3f, nullptr, nullptr, nullptr);
    EXPECT_EQ(sv_nav_current_grid()->builds, builds + 2);
    sv_tune_set_by_name("player.step_height", 0.2);
    sv_nav_stats(&g, 0.3f, nullptr, nullptr, nullptr);
    EXPECT_EQ(sv_nav_current_grid()->builds, builds + 3);
    EXPECT_FLOAT_EQ(sv_nav_current_grid()->step, 0.2f);
}

TEST_F(NavTest, CellSizeKeepsEveryAxisWithin255Cells)
{
    box_geom(&g, -25.4f, -10.0f, 25.4f, 10.0f);
    sv_nav_stats(&g, R, nullptr, nullptr, nullptr);
    EXPECT_FLOAT_EQ(sv_nav_current_grid()->cell, 0.2f);
    EXPECT_LE(sv_nav_current_grid()->width, 255);
    box_geom(&g, -10.0f, -40.0f, 10.0f, 40.0f);
    sv_nav_stats(&g, R, nullptr, nullptr, nullptr);
    EXPECT_FLOAT_EQ(sv_nav_current_grid()->cell, 80.0f / 254.0f);
    EXPECT_EQ(sv_nav_current_grid()->height, 255);
    EXPECT_LT(sv_nav_current_grid()->width, 255);
    // A polygon with a non-finite vertex gets no cells, and nothing is found on it.
    box_geom(&g, -5.0f, -5.0f, 5.0f, 5.0f);
    g.vertices[1].x = std::numeric_limits<f32>::infinity();
    u64 rects = 9;
    sv_nav_stats(&g, R, &rects, nullptr, nullptr);
    EXPECT_EQ(rects, 0u);
    EXPECT_EQ(path(Vector2 {0, 0}, Vector2 {1, 1}), 0u);
}

TEST_F(NavTest, StraightWalkAndSameRectangle)
{
    EXPECT_EQ(path(Vector2 {-3, -2}, Vector2 {3, 2}), 1u);
    EXPECT_EQ(out[0].x, 3.0f);
    EXPECT_EQ(out[0].y, 2.0f);
    // A column off the line splits the floor into several rectangles; a straight walk past it
    // still needs no corner.
    add_box(&g, 1.0f, -1.0f, 2.0f, 1.0f, 2.0f, 0, SV_FIXTURE_COLUMN);
    u64 rects = 0;
    sv_nav_stats(&g, R, &rects, nullptr, nullptr);
    EXPECT_GT(rects, 2u);
    ASSERT_EQ(path(Vector2 {-3, -4}, Vector2 {-3, 4}), 1u);
    EXPECT_EQ(out[0].y, 4.0f);
}

TEST_F(NavTest, ColumnGivesCornersOutsideTheErodedBand)
{
    add_box(&g, -1.0f, -1.0f, 1.0f, 1.0f, 2.0f, 0, SV_FIXTURE_COLUMN);
    Vector2 start = {-3.0f, 0.1f}, goal = {3.0f, 0.1f};
    u64 n = path(start, goal);
    ASSERT_GE(n, 2u);
    EXPECT_EQ(out[n - 1].x, goal.x);
    EXPECT_EQ(out[n - 1].y, goal.y);
    for (u64 i = 0; i + 1 < n; ++i) {
        // Every corner stands on walkable cells all round, clear of the column by the radius
        // less half a cell's diagonal.
        for (f32 dx = -0.01f; dx <= 0.01f; dx += 0.02f)
            for (f32 dz = -0.01f; dz <= 0.01f; dz += 0.02f)
                EXPECT_TRUE(walkable_at(out[i].x + dx, out[i].y + dz)) << i;
        f32 cx = fmaxf(fabsf(out[i].x) - 1.0f, 0.0f), cz = fmaxf(fabsf(out[i].y) - 1.0f, 0.0f);
        EXPECT_GE(sqrtf(cx * cx + cz * cz), R - 0.15f) << i;
    }
    // The length goes round the column: longer than straight, shorter than the box's sides.
    f32 len = path_length(&g, R, start, goal);
    EXPECT_GT(len, 6.0f);
    EXPECT_LT(len, 9.0f);
    // Cap 1 writes only the first corner.
    Vector2 first = out[0];
    Vector2 one[2] = {{99, 99}, {99, 99}};
    ASSERT_EQ(sv_nav_path(&g, R, start, goal, one, 1), 1u);
    EXPECT_EQ(one[0].x, first.x);
    EXPECT_EQ(one[0].y, first.y);
    EXPECT_EQ(one[1].x, 99.0f);
}

TEST_F(NavTest, LedgeLinksDownButNotUp)
{
    // A standable ledge filling x > 0, just over one step high: down only.
    add_box(&g, 0.0f, -5.0f, 5.0f, 5.0f, 0.46f, 1, SV_FIXTURE_DAIS);
    Vector2 high = {3.0f, 0.0f}, low = {-3.0f, 0.0f};
    EXPECT_GT(path(high, low), 0u);
    EXPECT_EQ(path(low, high), 0u);
    EXPECT_FLOAT_EQ(path_length(&g, R, low, high), 6.0f); // no path: the straight distance
    u64 gaps = 0;
    sv_nav_stats(&g, R, nullptr, nullptr, &gaps);
    EXPECT_GT(gaps, 0u);
    for (u32 k = 0; k < sv_nav_current_grid()->link_count; ++k) {
        const sv_nav_link* l = &sv_nav_current_grid()->links[k];
        EXPECT_LT(l->landing.x, 0.0f) << "every link lands on the floor";
    }
    // Within the step height: both ways.
    g.fixtures[0].top = 0.44f;
    for (u8 i = 0; i < 4; ++i)
        g.fixtures[0].faces[i].top0 = g.fixtures[0].faces[i].top1 = 0.44f;
    EXPECT_GT(path(high, low), 0u);
    EXPECT_GT(path(low, high), 0u);
}

TEST_F(NavTest, LowBenchGivesGapLinksAndATallBlockJoinsNothing)
{
    // A low standable bench across the whole room.
    add_box(&g, -0.5f, -5.0f, 0.5f, 5.0f, 0.3f, 1, SV_FIXTURE_BENCH);
    u64 gaps = 0;
    sv_nav_stats(&g, R, nullptr, nullptr, &gaps);
    EXPECT_GT(gaps, 0u);
    u64 n = path(Vector2 {-3, 1}, Vector2 {3, 1});
    ASSERT_GT(n, 0u);
    EXPECT_EQ(out[n - 1].x, 3.0f);
    // Changing the step height below the bench rebuilds the grid and cuts the room in two.
    sv_tune_set_by_name("player.step_height", 0.2);
    EXPECT_EQ(path(Vector2 {-3, 1}, Vector2 {3, 1}), 0u);
    sv_tune_reset_defaults();
    // A block taller than the step height.
    box_geom(&g, -5.0f, -5.0f, 5.0f, 5.0f);
    add_box(&g, -0.5f, -5.0f, 0.5f, 5.0f, 1.0f, 0, SV_FIXTURE_BLOCK);
    sv_nav_stats(&g, R, nullptr, nullptr, &gaps);
    EXPECT_EQ(gaps, 0u);
    EXPECT_EQ(path(Vector2 {-3, 1}, Vector2 {3, 1}), 0u);
}

// A body partway over a gap (here the band beside a dais's edge, crossed from the floor onto its
// top) stands on no rectangle; the nearest one lies behind it, off the gap's way, and a path
// from there led back 1.2 m to cross again, so a mob re-pathing there walked to and fro.
TEST_F(NavTest, ABodyPartwayOverAGapGoesOnOverIt)
{
    world_floor w(14, 10, world_lay::pass);
    sv_geom_build(&g, &w.f, 39);
    Vector2 start = {-1.275f, -1.169f}, goal = {4.217f, 2.312f}; // the gap runs along +x here
    u64 n = path(start, goal);
    ASSERT_GT(n, 1u);
    ASSERT_FALSE(walkable_at(start.x, start.y));
    EXPECT_GT(out[0].x, start.x) << "the path turns back to " << out[0].x << ", " << out[0].y;
    EXPECT_EQ(out[n - 1].x, goal.x);
    // The way is shorter for it: no more than the straight line and a little.
    f32 len = path_length(&g, R, start, goal);
    EXPECT_LT(len, 1.25f * std::hypot(goal.x - start.x, goal.y - start.y));
}

TEST_F(NavTest, GoalOnARaisedTopFromTheFloor)
{
    // A dais reached by no step: the goal on its top is found at any height, the start only
    // within the step height of its own ground.
    add_box(&g, 1.0f, -2.0f, 4.0f, 2.0f, 1.5f, 1, SV_FIXTURE_DAIS);
    EXPECT_EQ(path(Vector2 {-3, 0}, Vector2 {2.5f, 0}), 0u); // unreachable, but both ends found
    EXPECT_EQ(rect_at(2.5f, 0.0f, 0.0f, 0), -1);
    EXPECT_GE(rect_at(2.5f, 0.0f, 0.0f, 1), 0);
    EXPECT_GE(rect_at(2.5f, 0.0f, 1.5f, 0), 0);
}

TEST_F(NavTest, SmallIslandsAreDropped)
{
    // Solid blocks leave a closed 1.2 x 1.2 pocket: eroded by the radius, a few cells are left,
    // fewer than the body's disc covers (pi r^2 / cell^2 + 1 = 13).
    box_geom(&g, -5.0f, -5.0f, 5.0f, 5.0f);
    add_box(&g, -2.0f, -2.0f, 2.0f, -0.6f, 2.0f, 0);
    add_box(&g, -2.0f, 0.6f, 2.0f, 2.0f, 2.0f, 0);
    add_box(&g, -2.0f, -0.6f, -0.6f, 0.6f, 2.0f, 0);
    add_box(&g, 0.6f, -0.6f, 2.0f, 0.6f, 2.0f, 0);
    sv_nav_stats(&g, R, nullptr, nullptr, nullptr);
    EXPECT_FALSE(walkable_at(0.0f, 0.0f));
    EXPECT_TRUE(walkable_at(-4.0f, 0.0f));
}

// A hexagonal room of radius 7 with its prop spots laid.
void hex_room(sv_geom* g)
{
    memset(g, 0, sizeof *g);
    g->vertex_count = 6;
    for (u8 i = 0; i < 6; ++i) {
        f32 a = (f32)i * 6.2831855f / 6.0f;
        g->vertices[i] = Vector2 {7.0f * cosf(a), 7.0f * sinf(a)};
    }
    g->ceiling_y = 4.0f;
    g->radius = 7.0f;
    g->first_dais = SV_NO_DAIS;
    g->interior = SV_INTERIOR_BARE;
    place_props(g, 2.4f, 0.0f);
}

TEST_F(NavTest, WalkabilityRefusesCutOffFeetAndOneWayPockets)
{
    hex_room(&g);
    EXPECT_EQ(sv_nav_walkable(&g, R), 1);
    // A sunken pit off to one side: entered down a step, never left.
    hex_room(&g);
    u8 k = add_box(&g, 2.5f, -4.0f, 4.5f, -2.5f, -0.6f, 1, SV_FIXTURE_DAIS);
    for (u8 i = 0; i < 4; ++i) {
        g.fixtures[k].faces[i].bottom0 = g.fixtures[k].faces[i].bottom1 = -0.6f;
        g.fixtures[k].faces[i].top0 = g.fixtures[k].faces[i].top1 = 0.0f;
    }
    EXPECT_EQ(sv_nav_walkable(&g, R), 0);
    EXPECT_GT(path(Vector2 {0, 0}, Vector2 {3.5f, -3.2f}), 0u);
    EXPECT_EQ(path(Vector2 {3.5f, -3.2f}, Vector2 {0, 0}), 0u);
    // A wall of blocks cutting the far door feet off from the centre.
    hex_room(&g);
    add_box(&g, -7.0f, -3.5f, 7.0f, -3.0f, 2.0f, 0);
    EXPECT_EQ(sv_nav_walkable(&g, R), 0);
    // Null and degenerate geometry.
    EXPECT_EQ(sv_nav_walkable(nullptr, R), 0);
    g.vertex_count = 2;
    EXPECT_EQ(sv_nav_walkable(&g, R), 0);
    u64 rects = 7, links = 7, gaps = 7;
    sv_nav_stats(&g, R, &rects, &links, &gaps);
    EXPECT_EQ(rects + links + gaps, 0u);
}

// A door whose sill is a bench 0.5 high, over the 0.45 step: its foot lies on the bench's inner
// edge, nearer the floor's cells than the top's. The path climbs the bench's ramp, and a body
// walking it reaches every point, the foot on the bench's top last.
TEST_F(NavTest, APathToABenchSillDoorClimbsTheBenchRamp)
{
    const f32 h = 0.5f, edge = 3.75f; // bench top from the wall at z = 5 to z = 3.75
    u8 k = add_box(&g, -2.0f, edge, 2.0f, 5.0f, h, 1, SV_FIXTURE_BENCH);
    sv_fixture* bench = &g.fixtures[k];
    bench->face_count = 2; // the inner long side and the cap at x = 2: none on the wall or ramp

    // The ramp along the wall from x = -3 (floor) up to the top at x = -2, with its inner side.
    sv_slope* sl = &bench->slopes[bench->slope_count++];
    sl->origin = Vector2 {-3.0f, 5.0f};
    sl->across = Vector2 {-3.0f, edge};
    sl->up = Vector2 {-2.0f, 5.0f};
    sl->far_corner = Vector2 {-2.0f, edge};
    sl->top = h;
    sv_face* side = &bench->faces[bench->face_count++];
    memset(side, 0, sizeof *side);
    side->p0 = sl->across;
    side->p1 = sl->far_corner;
    side->top1 = h;
    bench->centre = Vector2 {-0.5f, 4.4f};
    bench->bound = 2.7f;
    sv_opening* o = &g.openings[add_door(&g, 1, 1.6f)]; // in the wall at z = 5
    o->bench_sill = 1;
    o->rise = h;
    o->top += h;
    o->foot = Vector2 {0.0f, edge};
    g.ramp_sides[0][0].p0 = g.ramp_sides[0][0].p1 = o->centre;
    g.ramp_sides[0][1] = g.ramp_sides[0][0];

    for (Vector2 start : {Vector2 {0.0f, 0.0f}, Vector2 {3.0f, 2.0f}, Vector2 {-4.0f, -3.0f}}) {
        u64 n = path(start, o->foot);
        ASSERT_GT(n, 0u);
        bool ramp = false;
        for (u64 i = 0; i < n; ++i)
            ramp = ramp || (out[i].x <= -2.0f && out[i].y > edge);
        EXPECT_TRUE(ramp) << "from " << start.x << ", " << start.y;
        f32 y = 0.0f;
        EXPECT_EQ(walk_path(&g, R, start, out, n, &y), n) << "from " << start.x << ", " << start.y;
        EXPECT_GT(y, 0.0f);
    }
    // The room is walkable with the door's foot taken on the bench.
    EXPECT_EQ(sv_nav_walkable(&g, R), 1);
}

// A goal in the strip the erosion leaves beside a descending ramp's side is reached only over
// ground from which that side rises no more than a step. These paths (from random pairs of
// standable points) came in over a lower tread of a stepped ramp or the deep end of a sloping one,
// or chose a goal cell below the side, and stopped 0.23-0.46 m short, collision refusing every
// step. A body following them arrives, taking each corner at 0.1 or, as a mob does, at
// SV_NAV_TURN.
TEST_F(NavTest, PathsToAGoalBesideADescendingRampArrive)
{
    struct way {
        u64 seed;
        u16 floor, place;
        Vector2 from, to;
    };
    const way k_ways[] = {
        {9, 8, 36, {4.47f, 1.35f}, {3.76f, 2.04f}}, // a stepped ramp: in over its second tread
        {8, 5, 5, {-1.9569f, 5.1155f}, {4.5891f, 2.6848f}},
        {12, 4, 20, {-0.5667f, 4.7317f}, {-5.1110f, -0.7806f}}, // a sloping ramp crossed
        {18, 7, 0, {4.3544f, 1.3624f}, {-0.9283f, -4.3953f}},
        {21, 6, 30, {-2.6829f, -3.5085f}, {5.3297f, 1.3261f}},
        {23, 6, 20, {4.6647f, -2.6674f}, {4.4900f, 0.9601f}},
        {29, 1, 8, {5.9611f, -2.2596f}, {4.9361f, 2.2760f}}, // a goal 0.03 m under the step
        {38, 5, 8, {3.8110f, -3.2315f}, {3.9743f, 1.3368f}},
    };
    for (const way& w : k_ways) {
        world_floor f(w.seed, w.floor, world_lay::pass);
        sv_geom_build(&g, &f.f, w.place);
        ASSERT_TRUE(sv_geom_standable(&g, w.from.x, w.from.y, R));
        ASSERT_TRUE(sv_geom_standable(&g, w.to.x, w.to.y, R));
        u64 n = path(w.from, w.to);
        ASSERT_GT(n, 0u) << "seed " << w.seed << " floor " << w.floor << " place " << w.place;
        f32 y = 0.0f;
        for (f32 reached : {0.1f, SV_NAV_TURN})
            EXPECT_EQ(walk_path(&g, R, w.from, out, n, &y, reached), n)
                << "seed " << w.seed << " floor " << w.floor << " place " << w.place
                << " taking corners at " << reached;
    }
}

TEST_F(NavTest, BadCoordinatesFindNothing)
{
    const f32 nan = std::numeric_limits<f32>::quiet_NaN();
    const f32 inf = std::numeric_limits<f32>::infinity();
    sv_nav_stats(&g, R, nullptr, nullptr, nullptr);
    EXPECT_GE(rect_at(0.0f, 0.0f, 0.0f, 1), 0);
    const f32 bad[] = {nan, inf, -inf, 1e30f, -1e30f, 3e9f, -3e9f};
    for (f32 v : bad) {
        EXPECT_EQ(rect_at(v, 0.0f, 0.0f, 1), -1) << v;
        EXPECT_EQ(rect_at(0.0f, v, 0.0f, 1), -1) << v;
        EXPECT_EQ(path(Vector2 {v, 0}, Vector2 {1, 1}), 0u) << v;
        EXPECT_EQ(path(Vector2 {0, 0}, Vector2 {1, v}), 0u) << v;
    }
    EXPECT_EQ(rect_at(0.0f, 0.0f, nan, 0), -1);
    // Off the grid by a few cells still finds the nearest edge cell; farther finds nothing.
    EXPECT_GE(rect_at(-5.3f, 0.0f, 0.0f, 1), -1);
    EXPECT_EQ(rect_at(-9.0f, 0.0f, 0.0f, 1), -1);
    // Bad radius, null buffer, no room.
    EXPECT_EQ(sv_nav_path(&g, nan, Vector2 {0, 0}, Vector2 {1, 1}, out, 96), 0u);
    EXPECT_EQ(sv_nav_path(&g, -1.0f, Vector2 {0, 0}, Vector2 {1, 1}, out, 96), 0u);
    EXPECT_EQ(sv_nav_path(&g, R, Vector2 {0, 0}, Vector2 {1, 1}, nullptr, 96), 0u);
    EXPECT_EQ(sv_nav_path(&g, R, Vector2 {0, 0}, Vector2 {1, 1}, out, 0), 0u);
    EXPECT_EQ(sv_nav_path(nullptr, R, Vector2 {0, 0}, Vector2 {1, 1}, out, 96), 0u);
    // A huge radius erodes everything without converting an out-of-range value.
    EXPECT_EQ(sv_nav_path(&g, 1e30f, Vector2 {0, 0}, Vector2 {1, 1}, out, 96), 0u);
}

TEST(NavFunnel, EndsOnAnyInput)
{
    static Vector2 s_left[4096], s_right[4096], s_out[8192];
    sv_rng rng;
    sv_rng_open(&rng, 4471, 1, SV_STREAM_GEOMETRY);
    const f32 nan = std::numeric_limits<f32>::quiet_NaN();
    for (int trial = 0; trial < 200; ++trial) {
        u32 n = 2 + sv_rng_below(&rng, 4000);
        for (u32 i = 0; i < n; ++i) {
            // Random, repeated, collinear and NaN points.
            u32 kind = sv_rng_below(&rng, 8);
            f32 x = (f32)sv_rng_below(&rng, 5), z = (f32)sv_rng_below(&rng, 5);
            s_left[i] = kind == 0 ? Vector2 {nan, z} : Vector2 {x, kind == 1 ? 0.0f : z};
            s_right[i] = kind == 2 ? s_left[i] : Vector2 {z, x};
        }
        s_right[0] = s_left[0];
        s_right[n - 1] = s_left[n - 1];
        int done = 0;
        u64 written = sv_nav_funnel(s_left, s_right, n, s_out, 8192, &done);
        EXPECT_LE(written, 8192u);
    }
    int done = 1;
    EXPECT_EQ(sv_nav_funnel(s_left, s_right, 0, s_out, 8, &done), 0u);
    EXPECT_EQ(done, 0);
}

TEST(NavHeap, HoldsEveryPushASearchCanMakeInOrder)
{
    sv_nav_heap* heap = sv_nav_search_heap();
    for (u32 r = 0; r < SV_NAV_RECTS; ++r)
        heap->f[r] = (f32)((r * 7919u) % 1000u);
    sv_nav_heap_clear();
    for (u32 k = 0; k < SV_NAV_HEAP; ++k)
        heap_push((u16)(k % SV_NAV_RECTS));
    EXPECT_EQ(heap->size, (u32)SV_NAV_HEAP);
    f32 last = -1.0f;
    u32 popped = 0;
    while (heap->size > 0) {
        f32 f = heap->f[sv_nav_heap_pop()];
        EXPECT_GE(f, last);
        last = f;
        ++popped;
    }
    EXPECT_EQ(popped, (u32)SV_NAV_HEAP);
    EXPECT_DEATH(
        {
            sv_nav_heap_clear();
            for (u32 k = 0; k <= SV_NAV_HEAP; ++k)
                heap_push(0);
        },
        "navigation heap full");
}

} // namespace

// The kept navigation grids: going back to a place restores its grid as its build left it, a
// laid floor's rooms are kept for the chase, and the cache holds at most its bounds, the least
// recently used grid going first.
#include <gtest/gtest.h>

#include <cstring>

#include "core/tune.h"
#include "test_nav_util.h"
#include "world/geom.h"
#include "world/geom_cache.h"
#include "world/nav.h"
#include "world/nav_grid.h"
#include "world/nav_kept.h"
#include "world/world_util.h"

namespace {

const f32 R = NAV_TEST_R;

struct NavKeptTest : nav_box_room { };

// Mobs in several places ask for paths in turn: going back to a place copies its grid back,
// exactly as its build left it, instead of building it again.
TEST_F(NavKeptTest, GoingBackToAPlaceRestoresItsGridWithoutABuild)
{
    static sv_nav_grid s_first;
    static sv_nav_store s_first_cells;
    sv_geom other;
    box_geom(&other, -3.0f, -7.0f, 6.0f, 2.0f);
    g.ceiling_y += 0.25f; // a record no other test builds
    path(Vector2 {-3, 0}, Vector2 {3, 1});
    u64 builds = sv_nav_current_grid()->builds;
    s_first = *sv_nav_current_grid();
    nav_grid_attach(&s_first, &s_first_cells);
    {
        const sv_nav_grid* g = sv_nav_current_grid();
        u32 cells = (u32)g->width * g->height;
        memcpy(s_first.walkable, g->walkable, cells);
        memcpy(s_first.obstacle_top, g->obstacle_top, 4 * cells);
        memcpy(s_first.ground, g->ground, 4 * cells);
        memcpy(s_first.ground_face, g->ground_face, 2 * cells);
        memcpy(s_first.rect_of_cell, g->rect_of_cell, 2 * cells);
        memcpy(s_first.rects, g->rects, sizeof(sv_nav_rect) * g->rect_count);
        memcpy(s_first.links, g->links, sizeof(sv_nav_link) * g->link_count);
        memcpy(s_first.incoming, g->incoming, 2 * g->link_count);
        memcpy(s_first.incoming_start, g->incoming_start, 4 * (g->rect_count + 1));
    }
    EXPECT_GT(sv_nav_path(&other, R, Vector2 {-1, -5}, Vector2 {4, 0}, out, 96), 0u);
    EXPECT_EQ(sv_nav_current_grid()->builds, builds + 1);
    EXPECT_EQ(path(Vector2 {-3, 0}, Vector2 {3, 1}), 1u);
    EXPECT_EQ(sv_nav_current_grid()->builds, builds + 1);
    const sv_nav_grid* a = &s_first;
    const sv_nav_grid* b = sv_nav_current_grid();
    u32 cells = (u32)a->width * a->height;
    ASSERT_EQ(b->width, a->width);
    ASSERT_EQ(b->height, a->height);
    EXPECT_EQ(memcmp(&b->origin_x, &a->origin_x, 4), 0);
    EXPECT_EQ(memcmp(&b->origin_z, &a->origin_z, 4), 0);
    EXPECT_EQ(memcmp(&b->cell, &a->cell, 4), 0);
    EXPECT_EQ(memcmp(b->walkable, a->walkable, cells), 0);
    EXPECT_EQ(memcmp(b->obstacle_top, a->obstacle_top, 4 * cells), 0);
    EXPECT_EQ(memcmp(b->ground, a->ground, 4 * cells), 0);
    EXPECT_EQ(memcmp(b->ground_face, a->ground_face, 2 * cells), 0);
    EXPECT_EQ(memcmp(b->rect_of_cell, a->rect_of_cell, 2 * cells), 0);
    ASSERT_EQ(b->rect_count, a->rect_count);
    ASSERT_EQ(b->link_count, a->link_count);
    EXPECT_EQ(memcmp(b->rects, a->rects, sizeof(sv_nav_rect) * a->rect_count), 0);
    EXPECT_EQ(memcmp(b->links, a->links, sizeof(sv_nav_link) * a->link_count), 0);
    EXPECT_EQ(memcmp(b->incoming, a->incoming, 2 * a->link_count), 0);
    EXPECT_EQ(memcmp(b->incoming_start, a->incoming_start, 4 * (a->rect_count + 1)), 0);
    // Another step height is another grid, never the kept one.
    sv_tune_set_by_name("player.step_height", 0.2);
    path(Vector2 {-3, 0}, Vector2 {3, 1});
    EXPECT_EQ(sv_nav_current_grid()->builds, builds + 2);
    // The kept grids hold no more than their bound, and can be let go.
    EXPECT_GT(sv_nav_kept_bytes(), 0u);
    EXPECT_LE(sv_nav_kept_bytes(), (u64)SV_NAV_KEPT_BYTES);
    // Letting go of the kept grid the working grid reads makes it again when next asked.
    sv_tune_reset_defaults();
    path(Vector2 {-3, 0}, Vector2 {3, 1});
    EXPECT_EQ(sv_nav_current_grid()->builds, builds + 2);
    sv_nav_forget_kept();
    EXPECT_EQ(sv_nav_kept_bytes(), 0u);
    EXPECT_EQ(path(Vector2 {-3, 0}, Vector2 {3, 1}), 1u);
    EXPECT_EQ(sv_nav_current_grid()->builds, builds + 3);
}

// A floor's first frames and first chase find the rooms its laying built: each furnished room's
// geometry in the cache and its grid among the kept ones, with no build.
TEST_F(NavKeptTest, ALaidFloorsRoomsNeedNoBuild)
{
    world_floor w(4471, 10, world_lay::pass);
    u64 geoms = sv_geom_cache_builds(), grids = sv_nav_current_grid()->builds;
    u32 furnished = 0;
    for (u16 r = 0; r < w.f.room_count; ++r) {
        if (w.f.rooms[r].interior == SV_INTERIOR_BARE)
            continue;
        furnished += 1;
        const sv_geom* room = sv_geom_cached(&w.f, r);
        ASSERT_NE(room, nullptr);
        EXPECT_EQ(sv_nav_walkable(room, R), 1) << "room " << r;
    }
    EXPECT_GT(furnished, 8u);
    EXPECT_EQ(sv_geom_cache_builds(), geoms);
    EXPECT_EQ(sv_nav_current_grid()->builds, grids);
}

// Whether asking for a path in geom builds its grid.
bool builds(const sv_geom* geom, Vector2 a, Vector2 b)
{
    static Vector2 s_out[96];
    u64 before = sv_nav_current_grid()->builds;
    sv_nav_path(geom, R, a, b, s_out, 96);
    return sv_nav_current_grid()->builds != before;
}

// SV_NAV_KEPT small rooms fill the cache by count: the next one pushes out the least recently
// used, not the oldest kept. Rooms of 255 x 255 cells (about 0.8 MB each) fill it by bytes
// first: it never holds more than SV_NAV_KEPT_BYTES, the latest stays and the first go.
TEST_F(NavKeptTest, TheLeastRecentlyUsedGoFirstWithinBothBounds)
{
    sv_nav_forget_kept();
    static sv_geom s_rooms[SV_NAV_KEPT + 1];
    const Vector2 a = {-3.0f, 0.0f}, b = {3.0f, 1.0f};
    for (u32 i = 0; i <= SV_NAV_KEPT; ++i) {
        box_geom(&s_rooms[i], -5.0f, -5.0f, 5.0f, 5.0f);
        s_rooms[i].ceiling_y = 10.0f + (f32)i; // one record each
    }
    for (u32 i = 0; i < SV_NAV_KEPT; ++i)
        ASSERT_TRUE(builds(&s_rooms[i], a, b)) << i;
    EXPECT_FALSE(builds(&s_rooms[0], a, b)); // kept, and now the most recently used
    EXPECT_TRUE(builds(&s_rooms[SV_NAV_KEPT], a, b));
    EXPECT_FALSE(builds(&s_rooms[0], a, b));
    EXPECT_FALSE(builds(&s_rooms[2], a, b));
    EXPECT_TRUE(builds(&s_rooms[1], a, b)); // the least recently used went

    sv_nav_forget_kept();
    const u32 wide = 24;
    for (u32 i = 0; i < wide; ++i) {
        box_geom(&s_rooms[i], -30.0f, -30.0f, 30.0f, 30.0f);
        s_rooms[i].ceiling_y = 10.0f + (f32)i;
        ASSERT_TRUE(builds(&s_rooms[i], a, b)) << i;
        ASSERT_EQ(sv_nav_current_grid()->width, 255);
        ASSERT_LE(sv_nav_kept_bytes(), (u64)SV_NAV_KEPT_BYTES);
    }
    EXPECT_GT(sv_nav_kept_bytes(), (u64)SV_NAV_KEPT_BYTES * 3 / 4);
    EXPECT_FALSE(builds(&s_rooms[wide - 1], a, b));
    EXPECT_TRUE(builds(&s_rooms[0], a, b));
    sv_nav_forget_kept();
    EXPECT_EQ(sv_nav_kept_bytes(), 0u);
}

} // namespace

// Routes across places, crossing doors, way lengths, the cache of places beyond doors and
// collision in doorways, on hand-made chains and on generated floors with corridors laid.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "world/body.h"
#include "world/nav.h"
#include "world/portal.h"
#include "world/route.h"
#include "world/test_nav_util.h"
#include "world/world_util.h"

namespace {

// Rooms joined door 0 of each to the one before (room r's door to r + 1 is its door 0 for room
// 0, else door 1); no passages, so the floor's place count is 0.
struct chain_floor {
    sv_floor f {};
    explicit chain_floor(u16 rooms, u64 seed = 4471)
    {
        sv_floor_init(&f, 2, seed, rooms);
        for (u16 r = 0; r < rooms; ++r)
            sv_floor_add_room(&f, 0);
        for (u16 r = 1; r < rooms; ++r)
            sv_floor_link(&f, (u16)(r - 1), r, SV_DOOR_NORMAL);
    }
    ~chain_floor() { sv_floor_free(&f); }
};

// Door distances over the place graph from one place, every door crossed.
std::vector<u32> place_distances(const sv_floor* f, u16 from)
{
    u32 n = std::max<u32>(f->room_count, f->place_count);
    std::vector<u32> dist(n, UINT32_MAX);
    std::vector<u16> queue {from};
    dist[from] = 0;
    for (size_t i = 0; i < queue.size(); ++i) {
        u16 at = queue[i];
        for (u8 d = 0; d < SV_ROOM_DOORS; ++d) {
            u16 next = SV_NONE16;
            if (sv_floor_place_next(f, at, d, &next, nullptr, nullptr, nullptr) && next < n
                && dist[next] == UINT32_MAX) {
                dist[next] = dist[at] + 1;
                queue.push_back(next);
            }
        }
    }
    return dist;
}

i32 refuse_all(void*, const sv_floor*, u16, u8)
{
    return 0;
}

i32 refuse_door(void* user, const sv_floor*, u16 place, u8 door)
{
    const u32* banned = static_cast<const u32*>(user); // place << 8 | door
    return ((u32)place << 8 | door) != *banned;
}

// Follows doors from a place; the place reached, or 65535 when a door leads nowhere.
u16 follow(const sv_floor* f, u16 at, const u8* doors, i64 n)
{
    for (i64 i = 0; i < n; ++i)
        if (!sv_floor_place_next(f, at, doors[i], &at, nullptr, nullptr, nullptr))
            return SV_NONE16;
    return at;
}

} // namespace

// Routes -----------------------------------------------------------------------------------------

TEST(Route, ChainsCapsFiltersAndRefusals)
{
    sv_tune_reset_defaults();
    chain_floor c(7);
    ASSERT_EQ(c.f.place_count, 0u); // no passages yet: rooms are still routed
    u8 doors[16];
    EXPECT_EQ(sv_nav_route(&c.f, 3, 3, doors, 0, nullptr, nullptr), 0);
    ASSERT_EQ(sv_nav_route(&c.f, 0, 5, doors, 16, nullptr, nullptr), 5);
    EXPECT_EQ(doors[0], 0);
    for (u32 i = 1; i < 5; ++i)
        EXPECT_EQ(doors[i], 1);
    EXPECT_EQ(sv_nav_route(&c.f, 0, 5, doors, 4, nullptr, nullptr), -1);
    EXPECT_EQ(sv_nav_route(&c.f, 0, 5, doors, 5, nullptr, nullptr), 5);
    EXPECT_EQ(sv_nav_route(&c.f, 0, 1, doors, 0, nullptr, nullptr), -1);
    ASSERT_EQ(sv_nav_route(&c.f, 5, 0, doors, 16, nullptr, nullptr), 5);
    EXPECT_EQ(doors[0], 0);
    EXPECT_EQ(sv_nav_route(&c.f, 0, 5, doors, 16, refuse_all, nullptr), -1);
    u32 banned = 3u << 8 | 1u; // room 3's door towards 4
    EXPECT_EQ(sv_nav_route(&c.f, 0, 5, doors, 16, refuse_door, &banned), -1);
    EXPECT_EQ(sv_nav_route(&c.f, 0, 3, doors, 16, refuse_door, &banned), 3);
    // Bad arguments.
    EXPECT_EQ(sv_nav_route(nullptr, 0, 1, doors, 16, nullptr, nullptr), -1);
    EXPECT_EQ(sv_nav_route(&c.f, 0, 1, nullptr, 16, nullptr, nullptr), -1);
    EXPECT_EQ(sv_nav_route(&c.f, 0, 7, doors, 16, nullptr, nullptr), -1);
    EXPECT_EQ(sv_nav_route(&c.f, SV_NONE16, 1, doors, 16, nullptr, nullptr), -1);
}

TEST(Route, ShortestInDoorsThenFirstInDoorOrder)
{
    sv_tune_reset_defaults();
    // 0 -d0- 1 -d1- 2 and a direct 0 -d1- 2; a lone room 3; 2 -d2- 4 and 2 -d3- 4 (two equal).
    sv_floor f {};
    sv_floor_init(&f, 1, 9, 8);
    for (u32 i = 0; i < 5; ++i)
        sv_floor_add_room(&f, 0);
    sv_floor_link(&f, 0, 1, SV_DOOR_NORMAL);
    sv_floor_link(&f, 1, 2, SV_DOOR_NORMAL);
    sv_floor_link(&f, 0, 2, SV_DOOR_NORMAL);
    sv_floor_link(&f, 2, 4, SV_DOOR_NORMAL);
    sv_floor_link(&f, 2, 4, SV_DOOR_NORMAL);
    u8 doors[8];
    ASSERT_EQ(sv_nav_route(&f, 0, 2, doors, 8, nullptr, nullptr), 1);
    EXPECT_EQ(doors[0], 1);
    ASSERT_EQ(sv_nav_route(&f, 0, 4, doors, 8, nullptr, nullptr), 2);
    EXPECT_EQ(doors[0], 1);
    EXPECT_EQ(doors[1], 2);
    EXPECT_EQ(sv_nav_route(&f, 0, 3, doors, 8, nullptr, nullptr), -1);
    EXPECT_EQ(sv_nav_route(&f, 3, 0, doors, 8, nullptr, nullptr), -1);
    sv_floor_free(&f);
}

TEST(Route, FloorsOfMoreThan4096PlacesAreRouted)
{
    sv_tune_reset_defaults();
    const u16 rooms = 4200;
    chain_floor c(rooms);
    static u8 s_doors[16384];
    ASSERT_EQ(sv_nav_route(&c.f, 0, rooms - 1, s_doors, sizeof s_doors, nullptr, nullptr),
              rooms - 1);
    EXPECT_EQ(follow(&c.f, 0, s_doors, rooms - 1), rooms - 1);
    // With a door step between each pair the place ids run far past the rooms.
    for (u16 r = 0; r + 1 < rooms; ++r) {
        sv_passage p;
        memset(&p, 0, sizeof p);
        p.room_a = r;
        p.room_b = (u16)(r + 1);
        p.door_a = r == 0 ? 0 : 1;
        p.width = 2.4f;
        i32 index = sv_floor_add_passage(&c.f, &p, 1);
        ASSERT_GE(index, 0);
        c.f.passages[index].pieces[0] = sv_passage_piece {0.4f, SV_PIECE_STEP, 0};
    }
    ASSERT_EQ(c.f.place_count, 2 * rooms - 1);
    i64 n = sv_nav_route(&c.f, rooms - 1, 0, s_doors, sizeof s_doors, nullptr, nullptr);
    ASSERT_EQ(n, 2 * (rooms - 1));
    EXPECT_EQ(follow(&c.f, rooms - 1, s_doors, n), 0);
    u16 last = (u16)(c.f.place_count - 1);
    n = sv_nav_route(&c.f, 0, last, s_doors, sizeof s_doors, nullptr, nullptr);
    ASSERT_GT(n, 0);
    EXPECT_EQ(follow(&c.f, 0, s_doors, n), last);
}

TEST(Route, FromSpawnEveryReachablePlaceAtItsGraphDistance)
{
    sv_tune_reset_defaults();
    static u8 s_doors[4096];
    u64 routes = 0;
    i64 longest = 0;
    for (u16 number : {1, 4, 9})
        for (u64 seed = 1; seed <= 8; ++seed)
            for (world_lay lay : {world_lay::none, world_lay::pass}) {
                world_floor w(seed * 31 + number, number, lay);
                const sv_floor* f = &w.f;
                std::vector<u32> dist = place_distances(f, 0);
                std::vector<u16> rooms(f->room_count);
                sv_floor_distances(f, 0, rooms.data());
                for (u16 p = 0; p < dist.size(); ++p) {
                    i64 n = sv_nav_route(f, 0, p, s_doors, sizeof s_doors, nullptr, nullptr);
                    if (dist[p] == UINT32_MAX) {
                        EXPECT_EQ(n, -1) << p;
                        continue;
                    }
                    ASSERT_EQ(n, (i64)dist[p]) << "seed " << f->seed << " place " << p;
                    ASSERT_EQ(follow(f, 0, s_doors, n), p);
                    if (lay == world_lay::none && p < f->room_count) { // rooms by their doors
                        EXPECT_EQ(n, (i64)rooms[p]);
                    }
                    longest = std::max(longest, n);
                    routes += 1;
                }
            }
    std::printf("[ routes ] %llu routes from spawn, longest %lld doors\n",
                (unsigned long long)routes, (long long)longest);
}

// Crossing ---------------------------------------------------------------------------------------

TEST(Route, CrossingLandsAsDeepAndAsFarAside)
{
    sv_tune_reset_defaults();
    world_floor w(4471, 2, world_lay::pass);
    static sv_geom s_here, s_next;
    sv_geom_build(&s_here, &w.f, 0);
    const sv_opening o = s_here.openings[0];
    Vector2 n = {std::cos(o.yaw), std::sin(o.yaw)};
    // 0.01 in front of the door, 0.3 to one side, heading straight into it.
    f32 x = o.centre.x + 0.01f * n.x + 0.3f * o.tangent.x;
    f32 z = o.centre.y + 0.01f * n.y + 0.3f * o.tangent.y;
    f32 y = s_here.floor_y + o.rise + 0.25f;
    f32 dx = -n.x, dz = -n.y;
    u16 place = 0;
    u8 entry = 99;
    ASSERT_EQ(sv_nav_cross(&w.f, &s_here, 0, &s_next, &place, &x, &z, &y, &dx, &dz, &entry), 1);
    u16 next = SV_NONE16;
    u8 want = SV_NONE8;
    sv_floor_place_next(&w.f, 0, 0, &next, &want, nullptr, nullptr);
    EXPECT_EQ(place, next);
    EXPECT_EQ(entry, want);
    const sv_opening* e = &s_next.openings[entry];
    Vector2 en = {std::cos(e->yaw), std::sin(e->yaw)};
    f32 depth = (x - e->centre.x) * en.x + (z - e->centre.y) * en.y;
    f32 lateral = (x - e->centre.x) * e->tangent.x + (z - e->centre.y) * e->tangent.y;
    EXPECT_NEAR(depth, 0.02f, 1e-4f);
    EXPECT_NEAR(lateral, -0.3f, 1e-4f); // the tangents of the two sides run opposite ways
    EXPECT_NEAR(y, s_next.floor_y + e->rise + 0.25f, 1e-4f);
    EXPECT_NEAR(dx, en.x, 1e-5f);
    EXPECT_NEAR(dz, en.y, 1e-5f);
    // Refusals leave everything as it was.
    f32 x0 = x;
    EXPECT_EQ(sv_nav_cross(&w.f, &s_next, 7, &s_here, &place, &x, &z, &y, &dx, &dz, nullptr), 0);
    EXPECT_EQ(sv_nav_cross(nullptr, &s_next, 0, &s_here, &place, &x, &z, &y, &dx, &dz, nullptr), 0);
    EXPECT_EQ(x, x0);
    EXPECT_EQ(place, next);
}

// A landing keeps the body within the door's width less its radius, and comes 0.02 inside the
// door where the carried point has no room: outside the walls, or wholly past the door line on a
// point a body cannot stand on.
TEST(Route, ALandingStandsWithinTheDoorsWidthLessTheRadius)
{
    sv_tune_reset_defaults();
    const f32 r = 0.4f;
    world_floor w(4471, 2, world_lay::pass);
    static sv_geom s_room;
    u8 k = SV_NONE8;
    for (u16 p = 0; p < w.f.room_count && k == SV_NONE8; ++p) {
        sv_geom_build(&s_room, &w.f, p);
        for (u8 d = 0; d < s_room.opening_count && k == SV_NONE8; ++d)
            if (std::fabs(std::sin(2.0f * s_room.openings[d].yaw)) > 0.5f)
                k = d;
    }
    ASSERT_NE(k, SV_NONE8); // a door that faces along neither axis
    const sv_opening* o = &s_room.openings[k];
    Vector2 n = {std::cos(o->yaw), std::sin(o->yaw)};
    f32 limit = o->width / 2.0f - r;
    auto at = [&](f32 depth, f32 side) {
        return Vector2 {o->centre.x + depth * n.x + side * o->tangent.x,
                        o->centre.y + depth * n.y + side * o->tangent.y};
    };
    struct landing {
        f32 depth, side;           // carried to
        f32 want_depth, want_side; // lands at
    };
    const landing cases[] = {
        {0.3f, 0.1f, 0.3f, 0.1f},      // astride the door line, within reach: as it is
        {0.3f, 0.7f, 0.3f, limit},     // over the side: drawn in
        {-0.3f, -0.7f, 0.02f, -limit}, // outside the walls: just inside
    };
    for (const landing& c : cases) {
        Vector2 p = at(c.depth, c.side), want = at(c.want_depth, c.want_side);
        sv_nav_land(&s_room, k, r, &p.x, &p.y);
        EXPECT_NEAR(p.x, want.x, 1e-4f) << c.depth << ", " << c.side;
        EXPECT_NEAR(p.y, want.y, 1e-4f) << c.depth << ", " << c.side;
    }
    // Wholly inside, on a solid block: just inside the door instead.
    static sv_geom s_box;
    box_geom(&s_box, -5.0f, -5.0f, 5.0f, 5.0f);
    u8 d = add_door(&s_box, 0, 1.6f);
    const sv_opening* b = &s_box.openings[d];
    Vector2 bn = {std::cos(b->yaw), std::sin(b->yaw)};
    Vector2 block = {b->centre.x + bn.x * 1.0f, b->centre.y + bn.y * 1.0f};
    add_box(&s_box, block.x - 0.3f, block.y - 0.3f, block.x + 0.3f, block.y + 0.3f, 2.0f, 0);
    Vector2 p = block;
    sv_nav_land(&s_box, d, r, &p.x, &p.y);
    EXPECT_NEAR(p.x, b->centre.x + bn.x * 0.02f, 1e-4f);
    EXPECT_NEAR(p.y, b->centre.y + bn.y * 0.02f, 1e-4f);
    // Nothing for a door the place lacks.
    p = block;
    sv_nav_land(&s_box, 5, r, &p.x, &p.y);
    EXPECT_EQ(p.x, block.x);
}

TEST(Route, CrossingThereAndBackRestoresPositionHeightAndHeading)
{
    sv_tune_reset_defaults();
    static sv_geom s_a, s_b, s_c;
    f32 worst = 0.0f, worst_turn = 0.0f, worst_y = 0.0f;
    u64 crossings = 0;
    for (u16 number : {1, 3, 6})
        for (u64 seed = 1; seed <= 6; ++seed)
            for (world_lay lay : {world_lay::none, world_lay::pass}) {
                world_floor w(seed * 7 + number, number, lay);
                const sv_floor* f = &w.f;
                u16 places = std::max(f->room_count, f->place_count);
                for (u16 p = 0; p < places; ++p) {
                    sv_geom_build(&s_a, f, p);
                    for (u8 k = 0; k < s_a.opening_count; ++k) {
                        const sv_opening* o = &s_a.openings[k];
                        Vector2 n = {std::cos(o->yaw), std::sin(o->yaw)};
                        f32 lat = 0.35f * (f32)((p + k) % 3) - 0.35f, deep = 0.3f;
                        f32 x = o->centre.x + deep * n.x + lat * o->tangent.x;
                        f32 z = o->centre.y + deep * n.y + lat * o->tangent.y;
                        f32 y = s_a.floor_y + o->rise + 0.5f;
                        f32 a = (f32)(p * 3 + k) * 0.61803f;
                        f32 dx = std::cos(a), dz = std::sin(a);
                        f32 x0 = x, z0 = z, y0 = y, dx0 = dx, dz0 = dz;
                        u16 at = p;
                        u8 entry = 0;
                        if (!sv_nav_cross(f, &s_a, k, &s_b, &at, &x, &z, &y, &dx, &dz, &entry))
                            continue;
                        u8 back = 0;
                        ASSERT_EQ(
                            sv_nav_cross(f, &s_b, entry, &s_c, &at, &x, &z, &y, &dx, &dz, &back),
                            1);
                        ASSERT_EQ(at, p);
                        ASSERT_EQ(back, k);
                        worst = std::max(worst, std::hypot(x - x0, z - z0));
                        worst_y = std::max(worst_y, std::fabs(y - y0));
                        worst_turn = std::max(worst_turn, std::hypot(dx - dx0, dz - dz0));
                        crossings += 1;
                    }
                }
            }
    std::printf("[ routes ] %llu round trips: largest miss %.3g, height %.3g, heading %.3g\n",
                (unsigned long long)crossings, (double)worst, (double)worst_y, (double)worst_turn);
    EXPECT_GT(crossings, 1000u);
    EXPECT_LT(worst, 1e-3f);
    EXPECT_LT(worst_y, 1e-4f);
    EXPECT_LT(worst_turn, 1e-5f);
}

// Way lengths ----------------------------------------------------------------------------------

TEST(Route, WayLengthsWithinAPlaceAndAcrossDoors)
{
    sv_tune_reset_defaults();
    world_floor w(4471, 3, world_lay::pass);
    const sv_floor* f = &w.f;
    static sv_geom s_g, s_next;
    sv_geom_build(&s_g, f, 0);
    f32 r = (f32)sv_tune(SV_TUNE_PLAYER_RADIUS);
    Vector2 a = {0.0f, 0.0f};
    Vector2 b = s_g.openings[0].foot;
    EXPECT_NEAR(sv_nav_way_length(f, &s_g, 0, r, a, 0, b, nullptr, nullptr),
                path_length(&s_g, r, a, b), 1e-5f);

    // To the middle of the place beyond door 0: the path to its foot, the hop across, the rest.
    u16 next = SV_NONE16;
    ASSERT_TRUE(sv_floor_place_next(f, 0, 0, &next, nullptr, nullptr, nullptr));
    sv_geom_build(&s_next, f, next);
    f32 len = sv_nav_way_length(f, &s_g, 0, r, a, next, {0.0f, 0.0f}, nullptr, nullptr);
    f32 first = path_length(&s_g, r, a, b);
    EXPECT_GT(len, first);
    EXPECT_LT(len, first + 2.0f * s_next.radius + 1.0f);

    // Every room: a way exists exactly when a route does, and is at least the straight hop.
    u32 ways = 0;
    for (u16 t = 1; t < f->room_count; ++t) {
        u8 doors[SV_WAY_DOORS];
        i64 n = sv_nav_route(f, 0, t, doors, SV_WAY_DOORS, nullptr, nullptr);
        f32 l = sv_nav_way_length(f, &s_g, 0, r, a, t, {0.0f, 0.0f}, nullptr, nullptr);
        if (n < 0) {
            EXPECT_EQ(l, -1.0f) << t;
            continue;
        }
        EXPECT_GT(l, 0.0f) << t;
        ways += 1;
    }
    EXPECT_GT(ways, 5u);
    EXPECT_EQ(sv_nav_way_length(f, &s_g, 0, r, a, 1, a, refuse_all, nullptr), -1.0f);
    EXPECT_EQ(sv_nav_way_length(nullptr, &s_g, 0, r, a, 1, a, nullptr, nullptr), -1.0f);
    EXPECT_EQ(sv_nav_way_length(f, nullptr, 0, r, a, 1, a, nullptr, nullptr), -1.0f);
}

// Ways over several doors, checked hop by hop: to the first door's foot by the path, then each
// crossing carried into the next place and straight on to the next door's foot, and last to the
// goal. Routes of up to six doors on a floor with corridors.
TEST(Route, WayLengthsOverSeveralDoorsAddEveryHop)
{
    sv_tune_reset_defaults();
    world_floor w(4471, 5, world_lay::pass);
    const sv_floor* f = &w.f;
    static sv_geom s_g, s_at[2];
    sv_geom_build(&s_g, f, 0);
    const f32 r = (f32)sv_tune(SV_TUNE_PLAYER_RADIUS);
    const Vector2 a = {0.0f, 0.0f}, goal = {0.5f, -0.25f};
    u32 checked[7] = {};
    for (u16 t = 1; t < f->place_count; ++t) {
        u8 doors[SV_WAY_DOORS];
        i64 n = sv_nav_route(f, 0, t, doors, SV_WAY_DOORS, nullptr, nullptr);
        if (n < 2 || n > 6)
            continue;
        const sv_geom* here = &s_g;
        Vector2 p = here->openings[doors[0]].foot;
        f32 want = path_length(&s_g, r, a, p), y = 0.0f, dx = 1.0f, dz = 0.0f;
        u16 at = 0;
        for (i64 i = 0; i < n; ++i) {
            sv_geom* next = &s_at[i % 2];
            ASSERT_EQ(sv_nav_cross(f, here, doors[i], next, &at, &p.x, &p.y, &y, &dx, &dz, nullptr),
                      1);
            here = next;
            Vector2 q = i + 1 < n ? here->openings[doors[i + 1]].foot : goal;
            want += std::hypot(q.x - p.x, q.y - p.y);
            p = q;
        }
        ASSERT_EQ(at, t);
        f32 got = sv_nav_way_length(f, &s_g, 0, r, a, t, goal, nullptr, nullptr);
        EXPECT_NEAR(got, want, 1e-3f) << "to place " << t << " over " << n << " doors";
        checked[n]++;
    }
    for (u32 n = 2; n <= 6; ++n)
        EXPECT_GT(checked[n], 0u) << n << " doors";
}

// The place beyond a door ------------------------------------------------------------------------

TEST(Route, BeyondCacheBuildsOnceReplacesRoundRobinAndSparesTheCallersGeometry)
{
    sv_tune_reset_defaults();
    world_floor w(4471, 4, world_lay::pass);
    const sv_floor* f = &w.f;
    static sv_geom s_g;
    // Nine (place, door) pairs of rooms, each leading somewhere.
    struct ask {
        u16 place;
        u8 door;
    };
    std::vector<ask> asks;
    for (u16 p = 0; p < f->room_count && asks.size() < 9; ++p)
        for (u8 k = 0; k < f->rooms[p].door_count && asks.size() < 9; ++k)
            if (sv_floor_place_next(f, p, k, nullptr, nullptr, nullptr, nullptr))
                asks.push_back({p, k});
    ASSERT_EQ(asks.size(), 9u);
    static sv_geom s_geoms[9];
    for (u32 i = 0; i < 9; ++i)
        sv_geom_build(&s_geoms[i], f, asks[i].place);

    // The same door twice: the second answer is the first entry, not rebuilt (a mark put into
    // the cached record survives).
    const sv_portal* portal = nullptr;
    const sv_geom* beyond = nullptr;
    u16 next = 0;
    u8 entry = 0;
    ASSERT_EQ(
        sv_nav_beyond(f, asks[0].place, &s_geoms[0], asks[0].door, &portal, &beyond, &next, &entry),
        1);
    u16 want = SV_NONE16;
    u8 want_entry = SV_NONE8;
    sv_floor_place_next(f, asks[0].place, asks[0].door, &want, &want_entry, nullptr, nullptr);
    EXPECT_EQ(next, want);
    EXPECT_EQ(entry, want_entry);
    sv_geom_build(&s_g, f, want);
    EXPECT_EQ(memcmp(beyond, &s_g, sizeof s_g), 0);
    sv_geom* mark = const_cast<sv_geom*>(beyond);
    mark->radius = -123.0f;
    const sv_geom* again = nullptr;
    ASSERT_EQ(sv_nav_beyond(f, asks[0].place, &s_geoms[0], asks[0].door, nullptr, &again, nullptr,
                            nullptr),
              1);
    EXPECT_EQ(again, beyond);
    EXPECT_EQ(again->radius, -123.0f);

    // Eight more doors in turn: the ninth ask replaces the first entry, which is rebuilt.
    for (u32 i = 1; i < 9; ++i)
        ASSERT_EQ(sv_nav_beyond(f, asks[i].place, &s_geoms[i], asks[i].door, nullptr, nullptr,
                                nullptr, nullptr),
                  1);
    ASSERT_EQ(sv_nav_beyond(f, asks[0].place, &s_geoms[0], asks[0].door, nullptr, &again, nullptr,
                            nullptr),
              1);
    EXPECT_NE(again->radius, -123.0f);
    EXPECT_EQ(memcmp(again, &s_g, sizeof s_g), 0);

    // Looking on from a geometry that is itself a cache entry: its misses (sixteen, each under
    // another place id, so twice round the cache) never take the entry holding it.
    const sv_geom* held = again;
    sv_geom copy;
    memcpy(&copy, held, sizeof copy);
    for (u16 p = 0; p < 16; ++p)
        sv_nav_beyond(f, (u16)(p + 1), held, 0, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(memcmp(held, &copy, sizeof copy), 0);

    // Refusals.
    EXPECT_EQ(sv_nav_beyond(nullptr, 0, &s_geoms[0], 0, nullptr, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(sv_nav_beyond(f, 0, nullptr, 0, nullptr, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(sv_nav_beyond(f, 0, &s_geoms[0], 6, nullptr, nullptr, nullptr, nullptr), 0);
}

TEST(Route, BeyondCacheNeverAnswersForAnotherFloor)
{
    sv_tune_reset_defaults();
    // Two floors alike in seed, number, places and door records: only the serial tells them
    // apart, and each gets its own neighbour.
    static sv_geom s_g;
    chain_floor a(3, 77);
    chain_floor b(3, 77);
    b.f.rooms[1].radius_scale = 1.5f; // room 1 differs; room 0 and its door do not
    sv_geom_build(&s_g, &a.f, 0);
    const sv_geom* beyond_a = nullptr;
    const sv_geom* beyond_b = nullptr;
    ASSERT_EQ(sv_nav_beyond(&a.f, 0, &s_g, 0, nullptr, &beyond_a, nullptr, nullptr), 1);
    f32 radius_a = beyond_a->radius;
    ASSERT_EQ(sv_nav_beyond(&b.f, 0, &s_g, 0, nullptr, &beyond_b, nullptr, nullptr), 1);
    EXPECT_NE(beyond_a, beyond_b);
    EXPECT_NEAR(beyond_b->radius, radius_a * 1.5f, 1e-4f);
    // A floor freed and another made in its memory is a new floor too.
    sv_floor_free(&a.f);
    sv_floor_init(&a.f, 2, 77, 3);
    for (u16 r = 0; r < 3; ++r)
        sv_floor_add_room(&a.f, 0);
    sv_floor_link(&a.f, 0, 1, SV_DOOR_NORMAL);
    a.f.rooms[1].radius_scale = 2.0f;
    const sv_geom* beyond_c = nullptr;
    ASSERT_EQ(sv_nav_beyond(&a.f, 0, &s_g, 0, nullptr, &beyond_c, nullptr, nullptr), 1);
    EXPECT_NEAR(beyond_c->radius, radius_a * 2.0f, 1e-4f);
}

TEST(Route, BeyondCacheKeysThatCollideStillTellFloorsApart)
{
    sv_tune_reset_defaults();
    // Floor b's seed is chosen so that seed x 2 ^ serial is the same for both floors: with one
    // door record asked of place 0, both floors hash to one key.
    static sv_geom s_g, s_want;
    chain_floor a(2, 100);
    chain_floor spacer(1); // keeps the two serials of one parity
    sv_floor b {};
    u32 serial_b = a.f.serial + 2;
    u64 seed_b = ((100ULL * 2) ^ a.f.serial ^ serial_b) / 2;
    ASSERT_EQ(((100ULL * 2) ^ a.f.serial), ((seed_b * 2) ^ serial_b));
    sv_floor_init(&b, 2, seed_b, 2);
    ASSERT_EQ(b.serial, serial_b);
    sv_floor_add_room(&b, 0);
    sv_floor_add_room(&b, 0);
    sv_floor_link(&b, 0, 1, SV_DOOR_NORMAL);
    sv_geom_build(&s_g, &a.f, 0); // one geometry asked of both floors
    const sv_geom* beyond_a = nullptr;
    const sv_geom* beyond_b = nullptr;
    ASSERT_EQ(sv_nav_beyond(&a.f, 0, &s_g, 0, nullptr, &beyond_a, nullptr, nullptr), 1);
    ASSERT_EQ(sv_nav_beyond(&b, 0, &s_g, 0, nullptr, &beyond_b, nullptr, nullptr), 1);
    EXPECT_NE(beyond_a, beyond_b);
    sv_geom_build(&s_want, &b, 1);
    EXPECT_EQ(memcmp(beyond_b, &s_want, sizeof s_want), 0);
    sv_geom_build(&s_want, &a.f, 1);
    EXPECT_EQ(memcmp(beyond_a, &s_want, sizeof s_want), 0);
    sv_floor_free(&b);
}

// A body standing in a doorway just inside its own place overlaps the far place's entry door:
// collision there leaves that door's plane out, so the body is not thrown across the line.
TEST(Route, CollisionBeyondADoorLeavesItsEntryDoorOut)
{
    sv_tune_reset_defaults();
    world_floor w(4471, 2, world_lay::pass);
    const sv_floor* f = &w.f;
    static sv_geom s_g;
    const f32 r = (f32)sv_tune(SV_TUNE_PLAYER_RADIUS);
    const f32 step = (f32)sv_tune(SV_TUNE_PLAYER_STEP_HEIGHT);
    u32 tried = 0;
    for (u16 place = 0; place < f->place_count && tried < 24; ++place) {
        sv_geom_build(&s_g, f, place);
        for (u8 k = 0; k < s_g.opening_count; ++k) {
            const sv_opening* o = &s_g.openings[k];
            if (!sv_nav_beyond(f, place, &s_g, k, nullptr, nullptr, nullptr, nullptr))
                continue;
            for (f32 depth : {0.05f, 0.3f}) {
                f32 x = o->centre.x + depth * std::cos(o->yaw);
                f32 z = o->centre.y + depth * std::sin(o->yaw);
                f32 y = sv_geom_ground(&s_g, x, z);
                f32 bx = x, bz = z;
                sv_nav_collide(f, place, &s_g, &bx, &bz, r, y, step);
                EXPECT_NEAR(bx, x, 1e-4f) << "place " << place << " door " << (int)k;
                EXPECT_NEAR(bz, z, 1e-4f) << "place " << place << " door " << (int)k;
            }
            tried += 1;
        }
    }
    EXPECT_GE(tried, 24u);
}

TEST(Route, ToBeyondInvertsThePortal)
{
    sv_portal p {std::cos(0.7f), std::sin(0.7f), {1.5f, -2.0f}, {-3.0f, 4.0f}, 0.5f};
    for (f32 t = -3.0f; t <= 3.0f; t += 0.5f) {
        Vector2 q = {t, 1.0f - t * 0.5f};
        Vector2 back = sv_portal_point(&p, sv_nav_to_beyond(&p, q));
        EXPECT_NEAR(back.x, q.x, 1e-5f);
        EXPECT_NEAR(back.y, q.y, 1e-5f);
    }
    Vector2 q = {2.0f, 3.0f};
    EXPECT_EQ(sv_nav_to_beyond(nullptr, q).x, 2.0f);
}

// Collision in doorways ------------------------------------------------------------------------

TEST(Route, ABodyInADoorwayIsHeldOffTheWallsOfBothSides)
{
    sv_tune_reset_defaults();
    world_floor w(4471, 2, world_lay::pass);
    const sv_floor* f = &w.f;
    static sv_geom s_g;
    sv_geom_build(&s_g, f, 0);
    f32 r = (f32)sv_tune(SV_TUNE_PLAYER_RADIUS);
    f32 step = (f32)sv_tune(SV_TUNE_PLAYER_STEP_HEIGHT);
    u32 pushed = 0, tried = 0;
    for (u8 k = 0; k < s_g.opening_count; ++k) {
        const sv_opening* o = &s_g.openings[k];
        const sv_portal* portal = nullptr;
        const sv_geom* beyond = nullptr;
        u8 entry = 0;
        if (!sv_nav_beyond(f, 0, &s_g, k, &portal, &beyond, nullptr, &entry))
            continue;
        // In the doorway, a little inside the door's line, pressed sideways towards a jamb.
        Vector2 n = {std::cos(o->yaw), std::sin(o->yaw)};
        f32 lat = o->width / 2.0f - 0.15f;
        f32 x = o->centre.x + 0.05f * n.x + lat * o->tangent.x;
        f32 z = o->centre.y + 0.05f * n.y + lat * o->tangent.y;
        f32 y = s_g.floor_y + o->rise;
        f32 hx = x, hz = z;
        sv_player_collide(&s_g, &hx, &hz, r, y, step);
        f32 bx = x, bz = z;
        sv_nav_collide(f, 0, &s_g, &bx, &bz, r, y, step);
        tried += 1;
        // The far side's wall beside its door holds the body off as well: carried over, the
        // body clears the far place's walls.
        Vector2 far = sv_nav_to_beyond(portal, {bx, bz});
        f32 near_clear = 1e9f, far_clear = 1e9f;
        for (u8 e = 0; e < beyond->vertex_count; ++e) {
            sv_segment pieces[2];
            u8 c = sv_geom_wall_pieces(beyond, e, pieces);
            for (u8 i = 0; i < c; ++i) {
                Vector2 a = pieces[i].a, b = pieces[i].b;
                f32 dx = b.x - a.x, dz = b.y - a.y, len = dx * dx + dz * dz;
                f32 t = len > 0 ? ((far.x - a.x) * dx + (far.y - a.y) * dz) / len : 0.0f;
                t = std::clamp(t, 0.0f, 1.0f);
                far_clear
                    = std::min(far_clear, std::hypot(far.x - a.x - t * dx, far.y - a.y - t * dz));
            }
        }
        for (u8 e = 0; e < s_g.vertex_count; ++e) {
            sv_segment pieces[2];
            u8 c = sv_geom_wall_pieces(&s_g, e, pieces);
            for (u8 i = 0; i < c; ++i) {
                Vector2 a = pieces[i].a, b = pieces[i].b;
                f32 dx = b.x - a.x, dz = b.y - a.y, len = dx * dx + dz * dz;
                f32 t = len > 0 ? ((bx - a.x) * dx + (bz - a.y) * dz) / len : 0.0f;
                t = std::clamp(t, 0.0f, 1.0f);
                near_clear = std::min(near_clear, std::hypot(bx - a.x - t * dx, bz - a.y - t * dz));
            }
        }
        EXPECT_GE(far_clear, r - 0.02f) << "door " << (int)k;
        EXPECT_GE(near_clear, r - 0.02f) << "door " << (int)k;
        pushed += std::hypot(bx - hx, bz - hz) > 0.01f;
    }
    EXPECT_GT(tried, 0u);
    (void)pushed;

    // The far side alone: a far wall reaching across the doorway pushes the body, and the
    // pushed point comes back into the near frame.
    static sv_geom s_far;
    regular_geom(&s_far, 4, 2.0f); // a square whose corners lie 2 from its middle
    sv_portal portal {1.0f, 0.0f, {0.0f, 0.0f}, {10.0f, 0.0f}, 0.0f}; // far = near - (10, 0)
    f32 fx = 10.0f + 1.6f, fz = 0.2f; // 0.14 from the far wall from (2, 0) to (0, 2)
    sv_nav_collide_beyond(&s_far, &portal, SV_NONE8, &fx, &fz, r, 0.0f, step);
    Vector2 far = sv_nav_to_beyond(&portal, {fx, fz});
    EXPECT_NEAR((far.x + far.y - 2.0f) / std::sqrt(2.0f), -r, 1e-3f) << far.x << " " << far.y;
    // Without a floor only the home place pushes; nulls do nothing.
    f32 x = 0.0f, z = 0.0f;
    sv_nav_collide(nullptr, 0, nullptr, &x, &z, r, 0.0f, step);
    sv_nav_collide_beyond(nullptr, nullptr, 0, &x, &z, r, 0.0f, step);
    EXPECT_EQ(x, 0.0f);
}

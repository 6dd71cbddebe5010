// The combat tick: the player's blows, shots in flight (fast ones, through doors, into a dodging
// player), passive mode, bosses, the leash and its tenacity draws, and sight through doors.
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "actors/combat.h"
#include "actors/mob.h"
#include "actors/walker.h"
#include "actors_util.h"
#include "game/pipeline.h"
#include "world/body.h"
#include "world/geom.h"
#include "world/geom_cache.h"
#include "world/portal.h"
#include "world/route.h"

namespace {

struct walker_on {
    sv_floor f {};
    sv_walker w {};
    sv_body body {};
    sv_action action {};

    void start(sv_geom geom)
    {
        std::memset(&w, 0, sizeof w);
        w.geom = geom;
        w.lock_mob = SV_NONE16;
        sv_player_spawn(&w.player, &w.geom);
        body.hp = 20.0f;
        body.speed = 3.0f;
        body.turn = 360.0f;
        body.leash = -1.0f;
        body.give_up = -1.0f;
        std::memset(&action, 0, sizeof action);
        action.damage = 5.0f;
        action.reach = 2.0f;
        action.windup = 0.1f;
        action.active = 0.1f;
        action.recovery = 0.1f;
    }
    i32 add(u16 place, f32 x, f32 z, u8 actions, u64 kind = 0, u8 boss = 0)
    {
        body.action_count = actions;
        body.actions = actions ? &action : nullptr;
        return sv_floor_add_mob(&f, place, x, z, 0.0f, &body, kind, "m", boss);
    }
    sv_shot* shoot(u16 place, Vector3 at, Vector3 dir, f32 speed, u8 hostile,
                   const sv_applies* applies = nullptr)
    {
        return sv_floor_add_shot(&f, place, at.x, at.y, at.z, dir.x, dir.y, dir.z, speed, 4.0f,
                                 applies, 60, hostile);
    }
};

// The player alone in a square room of side 20.
struct CombatTick : ::testing::Test, walker_on {
    void SetUp() override
    {
        sv_tune_reset_defaults();
        sv_geom_cache_reset();
        sv_combat_set_passive(0);
        sv_floor_init(&f, 1, 42, 16);
        sv_floor_add_room(&f, 0);
        start(square_place(10.0f));
    }
    void TearDown() override
    {
        sv_combat_set_passive(0);
        sv_floor_free(&f);
    }
    void swing(u8 kind)
    {
        sv_weapon weapon = test_weapon(kind, 0.1f, 0.1f, 0.1f);
        sv_player_arm(&w.player, 0, &weapon);
        w.player.phase = SV_PHASE_ACTIVE;
        w.player.phase_ticks = 6;
        w.player.blow_dealt = 0;
    }
};

} // namespace

TEST_F(CombatTick, AMeleeSwingTriesEveryTickAndWoundsEveryMobInItsArc)
{
    swing(SV_ATTACK_MELEE);
    for (int t = 0; t < 3; ++t) {
        sv_combat_tick(&w, &f);
        EXPECT_EQ(w.player.blow_dealt, 0);
    }
    add(0, 1.2f, 0.5f, 0);
    add(0, 1.2f, -0.5f, 0);
    add(0, -1.2f, 0.0f, 0); // behind
    sv_combat_tick(&w, &f);
    EXPECT_EQ(w.player.blow_dealt, 1);
    EXPECT_EQ(f.mobs[0].hp, 15.0f);
    EXPECT_EQ(f.mobs[1].hp, 15.0f);
    EXPECT_EQ(f.mobs[2].hp, 20.0f);
}

TEST_F(CombatTick, AHitscanRayStopsAtTheCeilingOrTheGroundAndLeavesItsTracer)
{
    swing(SV_ATTACK_RANGED);
    w.player.pitch = 0.5f; // upward: eye 1.6, ceiling 3
    sv_combat_tick(&w, &f);
    EXPECT_EQ(w.tracer, 1);
    EXPECT_NEAR(w.ray_y, 3.0f, 1e-4f);
    EXPECT_NEAR(w.ray_x, 1.4f / std::tan(0.5f), 1e-3f);

    swing(SV_ATTACK_RANGED);
    w.player.pitch = -0.5f;
    sv_combat_tick(&w, &f);
    EXPECT_NEAR(w.ray_y, 0.0f, 1e-3f);
    EXPECT_NEAR(w.ray_x, 1.6f / std::tan(0.5f), 1e-3f);
    sv_combat_tick(&w, &f);
    EXPECT_EQ(w.tracer, 0); // one ray per blow

    swing(SV_ATTACK_RANGED);
    w.player.pitch = -0.1f; // a level ray at the eye would pass over them
    add(0, 6.0f, 0.2f, 0);
    add(0, 4.0f, -0.3f, 0);
    sv_combat_tick(&w, &f);
    EXPECT_EQ(f.mobs[0].hp, 20.0f); // the nearer mob takes the ray
    EXPECT_EQ(f.mobs[1].hp, 15.0f);
    EXPECT_LT(w.ray_x, 4.0f);
}

TEST_F(CombatTick, AFastShotHitsAMobItWouldStepOver)
{
    add(0, 2.5f, 0.0f, 0);
    f.mobs[0].settled = 1;
    // At 100 a tick's move of 1.67 ends 0.83 short of the mob and 0.83 past it.
    sv_shot* s = shoot(0, {0.0f, 1.0f, 0.0f}, {1.0f, 0.0f, 0.0f}, 100.0f, 0);
    sv_combat_tick(&w, &f);
    sv_combat_tick(&w, &f);
    EXPECT_EQ(s->live, 0);
    EXPECT_EQ(f.mobs[0].hp, 16.0f);
    EXPECT_EQ(f.mobs[0].alerted, 1);
}

TEST_F(CombatTick, AHostileShotPassesThroughADodgeHarmlessAndDies)
{
    sv_applies applies;
    std::memset(&applies, 0, sizeof applies);
    applies.count = 1;
    applies.list[0].key = 5;
    applies.list[0].duration = 3.0f;
    w.player.dodge_left = 10;
    w.player.dodge_total = 20;
    ASSERT_FALSE(sv_player_vulnerable(&w.player));
    sv_shot* s = shoot(0, {-1.0f, 1.0f, 0.0f}, {1.0f, 0.0f, 0.0f}, 30.0f, 1, &applies);
    for (int t = 0; t < 4; ++t)
        sv_combat_tick(&w, &f);
    EXPECT_EQ(s->live, 0);
    EXPECT_EQ(sv_player_health(&w.player), 100.0f);
    EXPECT_EQ(w.player.afflictions.count, 0);

    w.player.dodge_left = 0;
    s = shoot(0, {-1.0f, 1.0f, 0.0f}, {1.0f, 0.0f, 0.0f}, 30.0f, 1, &applies);
    for (int t = 0; t < 4; ++t)
        sv_combat_tick(&w, &f);
    EXPECT_EQ(sv_player_health(&w.player), 96.0f);
    EXPECT_EQ(w.player.afflictions.count, 1);
}

TEST_F(CombatTick, PassiveModeHoldsAMobOffAndItNeverStrikes)
{
    sv_combat_set_passive(1);
    EXPECT_EQ(sv_combat_passive(), 1);
    add(0, 0.3f, 0.0f, 1);
    for (int t = 0; t < 120; ++t)
        sv_combat_tick(&w, &f);
    EXPECT_NEAR(std::hypot(f.mobs[0].x, f.mobs[0].z), 0.8f, 1e-4f);
    EXPECT_EQ(f.mobs[0].phase, 0);
    EXPECT_EQ(sv_player_health(&w.player), 100.0f);
    sv_combat_set_passive(0);
    for (int t = 0; t < 120; ++t)
        sv_combat_tick(&w, &f);
    EXPECT_LT(sv_player_health(&w.player), 100.0f);
}

TEST_F(CombatTick, ABossIsAlwaysAlertAndAWaitingBossDoesNothing)
{
    add(0, 9.0f, 9.0f, 0, 1, 1);
    add(0, -9.0f, 9.0f, 0, 2, 1);
    f.mobs[1].waiting = 1;
    sv_rng before = f.tenacity;
    for (int t = 0; t < 60; ++t)
        sv_combat_tick(&w, &f);
    EXPECT_EQ(f.mobs[0].alerted, 1);
    EXPECT_EQ(f.mobs[0].returning, 0);
    EXPECT_LT(std::hypot(f.mobs[0].x - 9.0f, f.mobs[0].z - 9.0f), 9.0f); // closing in
    EXPECT_EQ(f.mobs[1].x, -9.0f);
    EXPECT_EQ(f.mobs[1].settled, 0);
    EXPECT_EQ(f.mobs[1].alerted, 0);
    EXPECT_EQ(std::memcmp(&before, &f.tenacity, sizeof before), 0);
}

TEST_F(CombatTick, TheLeashDrawsOnlyBeyondItAndAGiveUpSendsTheMobHome)
{
    add(0, 3.0f, 0.0f, 0); // 3 m from home: within the leash of 10
    sv_rng before = f.tenacity;
    f.mobs[0].home_x = -8.0f;
    f.mobs[0].home_z = -8.0f; // now 11 x sqrt(2) along... a straight way of about 13.6
    f.mobs[0].body.leash = 20.0f;
    for (int t = 0; t < 40; ++t)
        sv_combat_tick(&w, &f);
    EXPECT_EQ(f.mobs[0].alerted, 1);
    EXPECT_EQ(std::memcmp(&before, &f.tenacity, sizeof before), 0); // never drawn
    EXPECT_GT(f.mobs[0].way_length, 10.0f);

    f.mobs[0].body.leash = 1.0f;
    f.mobs[0].body.give_up = 1e6f; // gives up on the first draw
    f.mobs[0].way_age = 0;
    sv_combat_tick(&w, &f);
    EXPECT_NE(std::memcmp(&before, &f.tenacity, sizeof before), 0);
    EXPECT_EQ(f.mobs[0].returning, 1);
}

TEST_F(CombatTick, AShotStoppedByAWallTheGroundOrTheCeilingIsRemovedAndMovesItsSpeedPerTick)
{
    // Lives far longer than the flights: only meeting something ends them.
    // Lives far longer than the flights: only meeting something ends them. The wall is 10 m off,
    // the ground and the ceiling 1.9 m along the slanted flights: 25 and 5 ticks at 0.4 a tick.
    const Vector3 aims[3] = {{1.0f, 0.0f, 0.0f}, {0.6f, -0.8f, 0.0f}, {0.6f, 0.8f, 0.0f}};
    const int within[3] = {27, 7, 7};
    for (int i = 0; i < 3; ++i) {
        const Vector3& d = aims[i];
        sv_shot* s = sv_floor_add_shot(&f, 0, 0.0f, 1.5f, 0.0f, d.x, d.y, d.z, 24.0f, 4.0f, nullptr,
                                       100000, 0);
        int t = 0;
        for (; t < 120 && s->live; ++t)
            sv_combat_tick(&w, &f);
        EXPECT_EQ(s->live, 0) << "aimed " << d.x << ", " << d.y;
        EXPECT_LE(t, within[i]) << "aimed " << d.x << ", " << d.y;
    }
    // A fast shot flies in pieces, and exactly its speed per tick.
    f32 dt = (f32)sv_sim_dt();
    for (f32 speed : {6.0f, 60.0f, 150.0f}) {
        sv_shot* s = sv_floor_add_shot(&f, 0, -9.0f, 1.5f, 0.0f, 1.0f, 0.0f, 0.0f, speed, 4.0f,
                                       nullptr, 100000, 0);
        sv_combat_tick(&w, &f);
        EXPECT_NEAR(s->x, -9.0f + speed * dt, 1e-4f) << "speed " << speed;
        sv_combat_tick(&w, &f);
        EXPECT_NEAR(s->x, -9.0f + 2.0f * speed * dt, 1e-4f) << "speed " << speed;
        s->live = 0;
    }
}

TEST_F(CombatTick, LockOnTakesTheNearestBearingWithinItsArcAndWrapsAnglesPastPi)
{
    const f32 deg = 3.14159265f / 180.0f;
    auto at = [&](f32 bearing, f32 d) {
        return Vector2 {std::cos(bearing) * d, std::sin(bearing) * d};
    };
    // Bearings 10, -4, 8 and 13 degrees off the view.
    const f32 bearings[4] = {10.0f, -4.0f, 8.0f, 13.0f};
    const f32 distances[4] = {3.0f, 8.0f, 5.0f, 2.0f};
    for (int i = 0; i < 4; ++i) {
        Vector2 p = at(bearings[i] * deg, distances[i]);
        add(0, p.x, p.y, 0);
    }
    w.player.yaw = 0.0f;
    EXPECT_EQ(sv_walker_mob_in_aim(&w, &f), 1); // the nearest bearing, though the farthest mob
    f.mobs[1].hp = 0.0f;
    EXPECT_EQ(sv_walker_mob_in_aim(&w, &f), 2);
    f.mobs[2].hp = 0.0f;
    EXPECT_EQ(sv_walker_mob_in_aim(&w, &f), 0);
    f.mobs[0].hp = 0.0f;
    EXPECT_EQ(sv_walker_mob_in_aim(&w, &f), -1); // 13 degrees: outside the 12-degree arc
    // Facing just short of pi, a mob just past -pi is 4.6 degrees off, and the other way round.
    f.mob_count = 0;
    Vector2 d = at(-3.1f, 3.0f);
    add(0, d.x, d.y, 0);
    w.player.yaw = 3.1f;
    EXPECT_EQ(sv_walker_mob_in_aim(&w, &f), 0);
    f.mobs[0].x = d.x;
    f.mobs[0].z = -d.y;
    w.player.yaw = -3.1f;
    EXPECT_EQ(sv_walker_mob_in_aim(&w, &f), 0);
}

// On generated floors: doors, corridor pieces and fog.
struct CombatFloor : ::testing::Test, walker_on {
    void SetUp() override
    {
        sv_tune_reset_defaults();
        sv_geom_cache_reset();
        sv_combat_set_passive(0);
    }
    void TearDown() override { sv_floor_free(&f); }
    // Generates the floor and stands the walker in place, with no mobs.
    void stand(u64 seed, u16 number, u16 place)
    {
        sv_pipeline_generate(&f, seed, number);
        f.mob_count = 0;
        f.shots_used = 0;
        sv_geom g;
        sv_geom_build(&g, &f, place);
        start(g);
        w.place = place;
    }
    // An opening of the walker's place that is open to a corridor piece beyond; 255 none.
    u8 open_door_to_piece(u16* next)
    {
        for (u8 k = 0; k < w.geom.opening_count; ++k) {
            u8 entry = 0;
            if (!sv_floor_fogged(&f, w.place, k)
                && sv_floor_place_next(&f, w.place, k, next, &entry, nullptr, nullptr)
                && *next >= f.room_count)
                return k;
        }
        return SV_NONE8;
    }
};

TEST_F(CombatFloor, AShotLeavesTheRoomThroughAnOpenDoorAndDiesAtAFoggedOne)
{
    stand(5, 3, 0);
    u16 next = SV_NONE16;
    u8 k = open_door_to_piece(&next);
    ASSERT_NE(k, SV_NONE8);
    const sv_geom* step = sv_geom_cached(&f, next);
    ASSERT_LT(step->vertices[2].x - step->vertices[0].x, 0.5f); // a door-step piece
    const sv_opening* o = &w.geom.openings[k];
    Vector2 out = {-std::cos(o->yaw), -std::sin(o->yaw)};
    for (f32 speed : {24.0f, 60.0f, 200.0f}) {
        Vector3 at = {o->centre.x - out.x * 1.5f, w.geom.floor_y + o->rise + 1.0f,
                      o->centre.y - out.y * 1.5f};
        sv_shot* s = shoot(0, at, {out.x, 0.0f, out.y}, speed, 0);
        for (int t = 0; t < 12 && s->live && s->place == 0; ++t)
            sv_combat_tick(&w, &f);
        // Carried on through the door and, when fast, through the short step piece beyond it.
        EXPECT_GE(s->place, next) << "speed " << speed;
        EXPECT_EQ(s->live, 1) << "speed " << speed;
        s->live = 0;
    }
    // The door fogged (its room beyond unvisited, the walker behind the veil): the shot dies.
    for (u8 j = 0; j < w.geom.opening_count; ++j) {
        if (!sv_floor_fogged(&f, 0, j))
            continue;
        const sv_opening* q = &w.geom.openings[j];
        Vector2 d = {-std::cos(q->yaw), -std::sin(q->yaw)};
        Vector3 at
            = {q->centre.x - d.x * 1.0f, w.geom.floor_y + q->rise + 1.0f, q->centre.y - d.y * 1.0f};
        sv_shot* s = shoot(0, at, {d.x, 0.0f, d.y}, 24.0f, 0);
        for (int t = 0; t < 12 && s->live; ++t)
            sv_combat_tick(&w, &f);
        EXPECT_EQ(s->live, 0);
        EXPECT_EQ(s->place, 0);
        break;
    }
}

TEST_F(CombatFloor, AShotThroughADoorWhoseFrameTurnsFliesOnAlongItsLine)
{
    // A room's open door onto a corridor piece that faces along neither axis: crossing it turns
    // the shot's frame.
    sv_pipeline_generate(&f, 5, 3);
    f.mob_count = 0;
    f.shots_used = 0;
    u16 room = SV_NONE16;
    u8 k = SV_NONE8;
    for (u16 r = 0; r < f.room_count && k == SV_NONE8; ++r) {
        const sv_geom* g = sv_geom_cached(&f, r);
        for (u8 d = 0; d < g->opening_count && k == SV_NONE8; ++d) {
            u16 n = SV_NONE16;
            if (!sv_floor_fogged(&f, r, d)
                && sv_floor_place_next(&f, r, d, &n, nullptr, nullptr, nullptr) && n >= f.room_count
                && std::fabs(std::sin(2.0f * g->openings[d].yaw)) > 0.5f) {
                room = r;
                k = d;
            }
        }
    }
    ASSERT_NE(k, SV_NONE8);
    sv_geom g;
    sv_geom_build(&g, &f, room);
    start(g);
    w.place = room;
    const sv_opening* o = &w.geom.openings[k];
    // From a metre in front of the door, 25 degrees off its outward normal.
    f32 out = o->yaw + 3.14159265f + 25.0f * 3.14159265f / 180.0f;
    Vector2 dir = {std::cos(out), std::sin(out)};
    Vector2 from = {o->centre.x + std::cos(o->yaw), o->centre.y + std::sin(o->yaw)};
    sv_shot* s = shoot(room, {from.x, w.geom.floor_y + o->rise + 1.0f, from.y},
                       {dir.x, 0.0f, dir.y}, 6.0f, 0);
    for (int t = 0; t < 30 && s->live && s->place == room; ++t)
        sv_combat_tick(&w, &f);
    ASSERT_EQ(s->live, 1);
    ASSERT_NE(s->place, room);
    // Carried back into the room's frame, its heading and its point are those of a straight
    // flight.
    const sv_portal* portal = nullptr;
    ASSERT_TRUE(sv_nav_beyond(&f, room, &w.geom, k, &portal, nullptr, nullptr, nullptr));
    Vector2 heading = sv_portal_dir(portal, {s->dir_x, s->dir_z});
    EXPECT_NEAR(heading.x, dir.x, 1e-5f);
    EXPECT_NEAR(heading.y, dir.y, 1e-5f);
    Vector2 at = sv_portal_point(portal, {s->x, s->z});
    Vector2 flown = {at.x - from.x, at.y - from.y};
    EXPECT_NEAR(flown.x * dir.y - flown.y * dir.x, 0.0f, 1e-4f); // on the line
    EXPECT_GT(flown.x * dir.x + flown.y * dir.y, 1.0f);          // past the door
}

TEST_F(CombatFloor, MobsBeyondADoorAreSeenThroughItAndAnUnalertedOneInACorridorDoesNotSeeIn)
{
    stand(5, 3, 0);
    u16 next = SV_NONE16;
    u8 k = open_door_to_piece(&next);
    ASSERT_NE(k, SV_NONE8);
    const sv_geom* piece = sv_geom_cached(&f, next);
    ASSERT_NE(piece, nullptr);
    // The piece's centre, seen from the room's centre straight through the door.
    const sv_opening* o = &w.geom.openings[k];
    w.player.x = o->centre.x * 0.5f;
    w.player.z = o->centre.y * 0.5f;
    ASSERT_GE(add(next, 0.0f, 0.0f, 0), 0);
    f32 x = 0, z = 0, y = 0;
    ASSERT_EQ(sv_combat_mob_from_here(&w, &f, 0, &x, &z, &y), 1);
    // Reported in the walker's frame: beyond the door, on the far side from the room's centre.
    EXPECT_GT(x * o->centre.x + z * o->centre.y,
              o->centre.x * o->centre.x + o->centre.y * o->centre.y);
    EXPECT_EQ(sv_combat_mob_from_here(&w, &f, 1, &x, &z, &y), 0);

    sv_combat_tick(&w, &f);
    EXPECT_EQ(f.mobs[0].alerted, 0); // a corridor mob sees no room
    f.mobs[0].alerted = 1;
    f.mobs[0].seen_place = next;
    sv_combat_tick(&w, &f);
    EXPECT_EQ(f.mobs[0].seen_place, 0); // alerted, it does
}

namespace {

// A point depth in front of the middle of a wall piece, and the piece's inward normal.
struct wall_spot {
    u8 edge;
    Vector2 at;
    Vector2 in;
};

// One spot for every wall piece of geom, in edge order.
std::vector<wall_spot> wall_spots(const sv_geom* g, f32 depth)
{
    std::vector<wall_spot> out;
    for (u8 e = 0; e < g->vertex_count; ++e) {
        sv_segment pieces[2];
        u8 n = sv_geom_wall_pieces(g, e, pieces);
        for (u8 i = 0; i < n; ++i) {
            const sv_segment* s = &pieces[i];
            f32 dx = s->b.x - s->a.x, dz = s->b.y - s->a.y;
            f32 len = std::hypot(dx, dz);
            Vector2 in = {-dz / len, dx / len};
            Vector2 mid = {(s->a.x + s->b.x) / 2.0f, (s->a.y + s->b.y) / 2.0f};
            if (!sv_geom_contains(g, {mid.x + in.x * 0.1f, mid.y + in.y * 0.1f}))
                in = {-in.x, -in.y};
            out.push_back({e, {mid.x + in.x * depth, mid.y + in.y * depth}, in});
        }
    }
    return out;
}

} // namespace

TEST_F(CombatFloor, KeepingItsDistanceOrHeldOffNoMobIsPushedOutOfItsPlace)
{
    u32 tried = 0, steps = 0;
    std::string outside;
    for (u8 passive = 0; passive < 2; ++passive) {
        sv_combat_set_passive(passive);
        for (u64 seed = 1; seed <= 3; ++seed) {
            sv_floor_free(&f);
            sv_geom_cache_reset();
            sv_pipeline_generate(&f, seed, 3);
            i32 axiom = sv_floor_find(&f, SV_TAG_AXIOM);
            ASSERT_GE(axiom, 0);
            f.mob_count = 0;
            sv_geom room;
            sv_geom_build(&room, &f, (u16)axiom);
            // A risen Axiom backed against each wall of its room, the player 0.1 in front of it.
            for (const wall_spot& spot : wall_spots(&room, 0.42f)) {
                Vector2 at = spot.at, in = spot.in;
                Vector2 player = {at.x + in.x * 0.1f, at.y + in.y * 0.1f};
                if (!sv_geom_standable(&room, at.x, at.y, 0.4f)
                    || !sv_geom_standable(&room, player.x, player.y, 0.4f))
                    continue;
                start(room);
                w.place = (u16)axiom;
                w.player.x = player.x;
                w.player.z = player.y;
                w.player.y = sv_geom_ground(&room, player.x, player.y);
                f.mob_count = 0;
                f.shots_used = 0;
                ASSERT_GE(add((u16)axiom, at.x, at.y, 0, 1, 1), 0);
                tried += 1;
                for (int t = 0; t < 3; ++t) {
                    sv_combat_tick(&w, &f);
                    if (!sv_geom_contains(&room, {f.mobs[0].x, f.mobs[0].z})) {
                        outside += " boss seed " + std::to_string(seed) + " wall "
                            + std::to_string(spot.edge) + (passive ? " held off;" : ";");
                        break;
                    }
                }
            }
            // Mobs in door-step pieces around the player, in eight directions.
            for (u16 p = f.room_count; p < f.place_count; ++p) {
                sv_geom piece;
                sv_geom_build(&piece, &f, p);
                if (piece.opening_count != 2)
                    continue;
                Vector2 c0 = piece.openings[0].centre, c1 = piece.openings[1].centre;
                if (std::hypot(c1.x - c0.x, c1.y - c0.y) > 0.5f)
                    continue;
                Vector2 centre = {(c0.x + c1.x) / 2.0f, (c0.y + c1.y) / 2.0f};
                steps += 1;
                Vector2 t = piece.openings[0].tangent;
                for (int k = 0; k < 8 * 3; ++k) {
                    f32 a = (f32)(k % 8) * 3.14159265f / 4.0f;
                    f32 off = ((f32)(k / 8) - 1.0f) * 0.2f; // the player also off the middle
                    start(piece);
                    w.place = p;
                    w.player.x = centre.x + t.x * off;
                    w.player.z = centre.y + t.y * off;
                    w.player.y = sv_geom_ground(&piece, centre.x, centre.y);
                    f.mob_count = 0;
                    f.shots_used = 0;
                    ASSERT_GE(add(p, w.player.x + std::cos(a) * 0.15f,
                                  w.player.z + std::sin(a) * 0.15f, 0),
                              0);
                    f.mobs[0].alerted = 1;
                    f.mobs[0].seen_place = p;
                    tried += 1;
                    for (int t = 0; t < 3; ++t) {
                        sv_combat_tick(&w, &f);
                        if (f.mobs[0].place == p
                            && !sv_geom_contains(&piece, {f.mobs[0].x, f.mobs[0].z})) {
                            outside += " step seed " + std::to_string(seed) + " piece "
                                + std::to_string(p) + (passive ? " held off;" : ";");
                            break;
                        }
                    }
                }
            }
        }
    }
    sv_combat_set_passive(0);
    EXPECT_GT(tried, 100u);
    EXPECT_GT(steps, 4u);
    EXPECT_EQ(outside, "");
}

// A draw-back of a metre, in one tick or two at legal extremes (or in steps longer than a thin
// body), from a mob backed against each wall of every room: it stops at the wall.
TEST_F(CombatFloor, AMobDrawingBackAgainstAWallStaysInItsPlaceAtExtremeTunables)
{
    struct extreme {
        const char* name[2];
        f64 value[2];
    };
    const extreme sets[] = {
        {{"mob.lunge_share", nullptr}, {0.95, 0}},
        {{"sim.tick_hz", "mob.lunge_share"}, {20, 0.7}},
        {{"player.radius", nullptr}, {0.05, 0}},
    };
    u32 tried = 0;
    std::string outside;
    for (const extreme& e : sets) {
        sv_tune_reset_defaults();
        for (int k = 0; k < 2 && e.name[k]; ++k)
            ASSERT_EQ(sv_tune_set_by_name(e.name[k], e.value[k]), 1);
        const f32 r = (f32)sv_tune(SV_TUNE_PLAYER_RADIUS);
        for (u64 seed = 1; seed <= 2; ++seed) {
            sv_floor_free(&f);
            sv_geom_cache_reset();
            sv_pipeline_generate(&f, seed, 3);
            for (u16 room = 0; room < f.room_count; ++room) {
                sv_geom g;
                sv_geom_build(&g, &f, room);
                for (const wall_spot& spot : wall_spots(&g, r + 0.05f)) {
                    Vector2 at = spot.at, in = spot.in;
                    Vector2 player = {at.x + in.x * 1.0f, at.y + in.y * 1.0f};
                    if (!sv_geom_standable(&g, at.x, at.y, r)
                        || !sv_geom_standable(&g, player.x, player.y, r))
                        continue;
                    start(g);
                    w.place = room;
                    w.player.x = player.x;
                    w.player.z = player.y;
                    w.player.y = sv_geom_ground(&g, player.x, player.y);
                    action.windup = 0.3f;
                    action.draw = 1.0f;
                    f.mob_count = 0;
                    f.shots_used = 0;
                    ASSERT_GE(add(room, at.x, at.y, 1, 1, 1), 0);
                    f.mobs[0].yaw = std::atan2(in.y, in.x);
                    tried += 1;
                    for (int t = 0; t < 30; ++t) {
                        sv_combat_tick(&w, &f);
                        sv_player_revive(&w.player);
                        if (f.mobs[0].place != room
                            || !sv_geom_contains(&g, {f.mobs[0].x, f.mobs[0].z})) {
                            outside += std::string(" ") + e.name[0] + " seed "
                                + std::to_string(seed) + " room " + std::to_string(room) + " edge "
                                + std::to_string(spot.edge) + ";";
                            break;
                        }
                    }
                }
            }
        }
    }
    sv_tune_reset_defaults();
    EXPECT_GT(tried, 300u);
    EXPECT_EQ(outside, "");
}

TEST_F(CombatFloor, ARangedMobInADoorStepShootsThePlayerInTheRoomBeyond)
{
    stand(5, 3, 0);
    u16 next = SV_NONE16;
    u8 k = open_door_to_piece(&next);
    ASSERT_NE(k, SV_NONE8);
    u8 entry = SV_NONE8;
    ASSERT_TRUE(sv_floor_place_next(&f, 0, k, &next, &entry, nullptr, nullptr));
    const sv_geom* piece = sv_geom_cached(&f, next);
    ASSERT_NE(piece, nullptr);
    ASSERT_LT(entry, piece->opening_count);
    // The player 2.5 into the room in front of the door; the mob in the middle of the step.
    const sv_opening* o = &w.geom.openings[k];
    w.player.x = o->centre.x + std::cos(o->yaw) * 2.5f;
    w.player.z = o->centre.y + std::sin(o->yaw) * 2.5f;
    w.player.y = sv_geom_ground(&w.geom, w.player.x, w.player.z);
    const sv_opening* e = &piece->openings[entry];
    Vector2 at = {e->centre.x + std::cos(e->yaw) * 0.2f, e->centre.y + std::sin(e->yaw) * 0.2f};
    action.speed = 12.0f;
    action.reach = 8.0f;
    ASSERT_GE(add(next, at.x, at.y, 1), 0);
    f.mobs[0].yaw = e->yaw + 3.14159265f;
    f.mobs[0].alerted = 1;
    f.mobs[0].seen_place = 0;
    for (int t = 0; t < 120 && w.player.damage_taken == 0.0f; ++t)
        sv_combat_tick(&w, &f);
    EXPECT_GT(f.shots_used, 0);
    EXPECT_GT(w.player.damage_taken, 0.0f); // the shot came out of the doorway
    EXPECT_EQ(f.mobs[0].place, next);       // and the mob shot from where it stood
}

TEST_F(CombatFloor, AMobCrossingWithALongDoorReachLandsInsideTheDoorStep)
{
    ASSERT_EQ(sv_tune_set_by_name("player.door_reach", 0.6), 1);
    stand(5, 3, 0);
    // A room's open door onto a door step, with room in front of it for a body far off its
    // middle, where a landing at the same side offset would lay it over the step's side wall.
    const f32 aside = 0.7f;
    u16 room = SV_NONE16, next = SV_NONE16;
    u8 k = SV_NONE8, entry = SV_NONE8;
    for (u16 r = 0; r < f.room_count && k == SV_NONE8; ++r) {
        const sv_geom* g = sv_geom_cached(&f, r);
        for (u8 d = 0; d < g->opening_count && k == SV_NONE8; ++d) {
            const sv_opening* o = &g->openings[d];
            u16 n = SV_NONE16;
            u8 e = SV_NONE8;
            if (sv_floor_fogged(&f, r, d)
                || !sv_floor_place_next(&f, r, d, &n, &e, nullptr, nullptr) || n < f.room_count
                || sv_geom_cached(&f, n)->vertices[2].x > 0.5f
                || !sv_geom_standable(
                    g, o->centre.x + std::cos(o->yaw) * 0.45f + o->tangent.x * aside,
                    o->centre.y + std::sin(o->yaw) * 0.45f + o->tangent.y * aside, 0.4f))
                continue;
            room = r;
            k = d;
            next = n;
            entry = e;
        }
    }
    ASSERT_NE(k, SV_NONE8);
    // The room beyond the step: the mob last saw the player there, and heads through door k.
    u16 beyond = SV_NONE16;
    ASSERT_TRUE(
        sv_floor_place_next(&f, next, entry == 0 ? 1 : 0, &beyond, nullptr, nullptr, nullptr));
    sv_geom far;
    sv_geom_build(&far, &f, beyond);
    start(far);
    w.place = beyond;
    const sv_geom* here = sv_geom_cached(&f, room);
    ASSERT_NE(here, nullptr);
    const sv_opening* o = &here->openings[k];
    const Vector2 starts[] = {{0.45f, 0.0f}, {0.55f, 0.0f}, {0.45f, aside}};
    for (Vector2 at : starts) {
        f32 depth = at.x;
        f.mob_count = 0;
        ASSERT_GE(add(room, o->centre.x + std::cos(o->yaw) * depth + o->tangent.x * at.y,
                      o->centre.y + std::sin(o->yaw) * depth + o->tangent.y * at.y, 0),
                  0);
        f.mobs[0].yaw = o->yaw + 3.14159265f;
        f.mobs[0].alerted = 1;
        f.mobs[0].seen_place = beyond;
        f.mobs[0].seen_x = w.player.x;
        f.mobs[0].seen_z = w.player.z;
        for (int t = 0; t < 10 && f.mobs[0].place == room; ++t)
            sv_combat_tick(&w, &f);
        ASSERT_EQ(f.mobs[0].place, next) << "depth " << depth;
        const sv_geom* step = sv_geom_cached(&f, next);
        EXPECT_TRUE(sv_geom_contains(step, {f.mobs[0].x, f.mobs[0].z})) << "depth " << depth;
        const sv_opening* e = &step->openings[entry];
        f32 side = (f.mobs[0].x - e->centre.x) * e->tangent.x
            + (f.mobs[0].z - e->centre.y) * e->tangent.y;
        EXPECT_LE(std::fabs(side), e->width / 2.0f - 0.4f + 1e-4f) << "side " << at.y;
    }
    sv_tune_reset_defaults();
}

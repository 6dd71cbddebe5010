// The walker's tick on generated floors: door crossings with keys and seals, the exit and its
// fog walk, a dead player at a door, pickups, chests, lock-on and the queries in reach.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "actors_util.h"
#include "walker_bot.h"
#include "world/body.h"
#include "world/geom_cache.h"
#include "world/route.h"

namespace {

struct Walker : ::testing::Test {
    sv_walker* w = nullptr;
    void SetUp() override
    {
        boot_base_pack();
        sv_geom_cache_reset();
        sv_combat_set_passive(1);
        static sv_walker s_walker;
        std::memset(&s_walker, 0, sizeof s_walker);
        w = &s_walker;
    }
    void TearDown() override
    {
        sv_combat_set_passive(0);
        content_pack::unload();
    }
};

// Removes every mob, so nothing but the walker moves.
void clear_mobs(sv_floor* f)
{
    f->mob_count = 0;
}

// Stands the player d in front of opening door of its place, facing out through it.
void stand_at_door(sv_walker* w, u8 door, f32 d)
{
    const sv_opening* o = &w->geom.openings[door];
    w->player.x = o->centre.x + std::cos(o->yaw) * d;
    w->player.z = o->centre.y + std::sin(o->yaw) * d;
    w->player.y = sv_geom_ground(&w->geom, w->player.x, w->player.z);
    w->player.yaw = o->yaw + 3.14159265f;
}

sv_input forward()
{
    sv_input in;
    std::memset(&in, 0, sizeof in);
    in.forward = 1.0f;
    return in;
}

// Steps with the input until the tick returns nonzero; returns that result, 0 after n ticks.
i32 step_until(sv_walker* w, sv_floor* f, sv_input in, u32 n)
{
    for (u32 i = 0; i < n; ++i) {
        sv_input copy = in;
        i32 r = sv_walker_step(w, f, &copy);
        if (r != 0)
            return r;
    }
    return 0;
}

TEST_F(Walker, StartStandsInTheRoomVisitsItAndClearsLockOn)
{
    walker_floor wf(3, 1);
    w->lock_mob = 4;
    w->arrival_door = 2;
    sv_walker_start(w, &wf.f, 0);
    EXPECT_EQ(w->place, 0);
    EXPECT_EQ(w->room, 0);
    EXPECT_EQ(w->lock_mob, SV_NONE16);
    EXPECT_EQ(w->arrival_door, SV_NONE8);
    EXPECT_TRUE(sv_floor_visited(&wf.f, 0));
    EXPECT_FLOAT_EQ(w->player.y, sv_geom_ground(&w->geom, 0, 0));
    sv_walker_start(w, &wf.f, wf.f.room_count); // not a room: nothing
    EXPECT_EQ(w->place, 0);
    EXPECT_EQ(sv_walker_step(nullptr, &wf.f, nullptr), 0);
    EXPECT_EQ(sv_walker_step(w, nullptr, nullptr), 0);
}

TEST_F(Walker, WalkingOutThroughAnOpenDoorCarriesThePlayerIntoTheNextFrame)
{
    walker_floor wf(3, 1);
    clear_mobs(&wf.f);
    sv_walker_start(w, &wf.f, 0);
    u16 next = 0;
    u8 entry = 0;
    ASSERT_TRUE(sv_floor_place_next(&wf.f, 0, 0, &next, &entry, nullptr, nullptr));
    stand_at_door(w, 0, 0.3f);
    ASSERT_EQ(step_until(w, &wf.f, forward(), 30), 1);
    EXPECT_EQ(w->place, next);
    EXPECT_EQ(w->arrival_door, entry);
    EXPECT_TRUE(sv_geom_contains(&w->geom, {w->player.x, w->player.z}));
    // The player came in through the entry and keeps walking into the new place.
    const sv_opening* e = &w->geom.openings[entry];
    f32 into = std::cos(e->yaw) * w->player.move_x + std::sin(e->yaw) * w->player.move_z;
    EXPECT_GT(into, 0.99f);
    // Walking on, the arrival door is forgotten once the doorway is left.
    u16 here = w->place;
    for (u32 i = 0; i < 12 && w->place == here; ++i) {
        sv_input in = forward();
        sv_walker_step(w, &wf.f, &in);
    }
    if (w->place == here) {
        EXPECT_EQ(w->arrival_door, SV_NONE8);
    }
}

TEST_F(Walker, MovingAlongTheWallOrIntoThePlaceNeverCrosses)
{
    walker_floor wf(3, 1);
    clear_mobs(&wf.f);
    sv_walker_start(w, &wf.f, 0);
    stand_at_door(w, 0, 0.02f);
    const sv_opening* o = &w->geom.openings[0];
    w->player.yaw = std::atan2(o->tangent.y, o->tangent.x);
    sv_input in;
    std::memset(&in, 0, sizeof in);
    in.forward = 0.2f;
    EXPECT_EQ(step_until(w, &wf.f, in, 3), 0);
    stand_at_door(w, 0, 0.02f);
    w->player.yaw = o->yaw;
    EXPECT_EQ(step_until(w, &wf.f, forward(), 10), 0);
    EXPECT_EQ(w->place, 0);
}

// A place and one of its doors that only a Shard lets the walker through.
bool find_scion_lock(const sv_floor* f, u16* place, u8* door)
{
    for (u16 p = 0; p < f->place_count; ++p) {
        u8 doors = p < f->room_count ? f->rooms[p].door_count : 2;
        for (u8 d = 0; d < doors; ++d)
            if (!sv_door_admits(f, p, d, 0, 0) && sv_door_admits(f, p, d, 1, 0)
                && !sv_door_admits(f, p, d, 0, 1) && !sv_floor_fogged(f, p, d)) {
                *place = p;
                *door = d;
                return true;
            }
    }
    return false;
}

// Puts the walker in place (room or corridor piece) with its geometry, player at the middle.
void put(sv_walker* w, sv_floor* f, u16 place)
{
    w->place = place;
    if (place < f->room_count)
        w->room = place;
    sv_geom_build(&w->geom, f, place);
    w->lock_mob = SV_NONE16;
    w->arrival_door = SV_NONE8;
}

TEST_F(Walker, ALockedScionDoorTakesOneShardAndStaysOpen)
{
    for (u64 seed = 1; seed <= 40; ++seed) {
        walker_floor wf(seed, 3);
        clear_mobs(&wf.f);
        u16 place = 0;
        u8 door = 0;
        if (!find_scion_lock(&wf.f, &place, &door))
            continue;
        sv_walker_start(w, &wf.f, 0);
        put(w, &wf.f, place);
        EXPECT_EQ(sv_walker_admits(w, &wf.f, door), 0);
        stand_at_door(w, door, 0.3f);
        EXPECT_EQ(step_until(w, &wf.f, forward(), 30), 0) << "seed " << seed;
        EXPECT_EQ(w->player.shards, 0u);
        w->player.shards = 1;
        EXPECT_EQ(sv_walker_admits(w, &wf.f, door), 1);
        stand_at_door(w, door, 0.3f);
        ASSERT_EQ(step_until(w, &wf.f, forward(), 30), 1) << "seed " << seed;
        EXPECT_EQ(w->player.shards, 0u);
        // The door stays unlocked: it now admits a walker with no keys.
        EXPECT_EQ(sv_door_admits(&wf.f, place, door, 0, 0), 1);
        return;
    }
    GTEST_FAIL() << "no floor 3 of seeds 1-40 has a door a Shard opens";
}

TEST_F(Walker, ASealedRoomLetsNoOneOutNotEvenByItsExit)
{
    walker_floor wf(3, 2);
    clear_mobs(&wf.f);
    u16 room = 0;
    u8 exit = 0;
    ASSERT_TRUE(bot_exit(&wf.f, &room, &exit));
    sv_walker_start(w, &wf.f, room);
    wf.f.seal[room] = SV_SEAL_SEALED;
    for (u8 d = 0; d < w->geom.opening_count; ++d) {
        stand_at_door(w, d, 0.3f);
        EXPECT_EQ(step_until(w, &wf.f, forward(), 30), 0) << "door " << (int)d;
        EXPECT_EQ(w->place, room);
    }
    // The exit is fogged: walking at it does nothing, and use finds it refused.
    wf.f.seal[room] = 0;
    stand_at_door(w, exit, 1.0f);
    EXPECT_EQ(step_until(w, &wf.f, forward(), 30), 0);
}

// Stands the walker before the floor's exit in the exit room with the given Prisms.
void before_exit(sv_walker* w, sv_floor* f, u32 prisms, u8* exit)
{
    u16 room = 0;
    ASSERT_TRUE(bot_exit(f, &room, exit));
    sv_walker_start(w, f, room);
    w->player.prisms = prisms;
    stand_at_door(w, *exit, 1.5f);
}

TEST_F(Walker, ALockedExitRefusesAFogWalkWithoutAPrismAndTakesOneWithIt)
{
    walker_floor wf(5, 1);
    clear_mobs(&wf.f);
    u8 exit = 0;
    before_exit(w, &wf.f, 0, &exit);
    sv_fog_reach r = sv_walker_fog_in_reach(w, &wf.f);
    EXPECT_EQ(sv_fog_door(r), exit);
    EXPECT_EQ(sv_fog_exit(r), 1);
    EXPECT_EQ(sv_fog_admits(r), 0);
    EXPECT_EQ(sv_fog_pieces(r), 0);
    sv_input in;
    std::memset(&in, 0, sizeof in);
    in.use = 1;
    EXPECT_EQ(sv_walker_step(w, &wf.f, &in), 0);
    EXPECT_EQ(w->last_event, SV_EVENT_FOG_REFUSED);
    EXPECT_EQ(in.use, 0);
    EXPECT_EQ(w->player.walk_left, 0u);

    w->player.prisms = 1;
    in.use = 1;
    EXPECT_EQ(sv_walker_step(w, &wf.f, &in), 0);
    EXPECT_EQ(w->last_event, SV_EVENT_FOG_WALK);
    EXPECT_GT(w->player.walk_left, 0u);
    sv_input none;
    std::memset(&none, 0, sizeof none);
    EXPECT_EQ(step_until(w, &wf.f, none, 200), 2);
    EXPECT_EQ(w->player.prisms, 0u);
}

TEST_F(Walker, APlayerKilledOnTheFogWalkIsNotCarriedThroughTheExit)
{
    walker_floor wf(5, 1);
    clear_mobs(&wf.f);
    u8 exit = 0;
    before_exit(w, &wf.f, 1, &exit);
    sv_input in;
    std::memset(&in, 0, sizeof in);
    in.use = 1;
    sv_walker_step(w, &wf.f, &in);
    ASSERT_EQ(w->last_event, SV_EVENT_FOG_WALK);
    w->player.damage_taken = (f32)sv_tune(SV_TUNE_PLAYER_MAX_HP);
    sv_input none;
    std::memset(&none, 0, sizeof none);
    EXPECT_EQ(step_until(w, &wf.f, none, 200), 0);
    EXPECT_EQ(w->player.prisms, 1u);
}

TEST_F(Walker, DoorsAreCrossedEvenWithNoDoorReach)
{
    walker_floor wf(3, 1);
    clear_mobs(&wf.f);
    ASSERT_EQ(sv_tune_set_by_name("player.door_reach", 0.0), 1);
    sv_walker_start(w, &wf.f, 0);
    stand_at_door(w, 0, 0.3f);
    EXPECT_EQ(step_until(w, &wf.f, forward(), 30), 1);
    // And through the fogged exit by a fog walk.
    walker_floor exit_floor(5, 1);
    clear_mobs(&exit_floor.f);
    u8 exit = 0;
    before_exit(w, &exit_floor.f, 1, &exit);
    sv_input in;
    std::memset(&in, 0, sizeof in);
    in.use = 1;
    sv_walker_step(w, &exit_floor.f, &in);
    EXPECT_EQ(step_until(w, &exit_floor.f, in, 200), 2);
}

// A room of floors 1-3 of seeds 1-40 holding a chest, or false.
bool find_chest(sv_floor* f, u16* room, bool locked)
{
    for (u16 i = 0; i < f->chest_count; ++i)
        if (f->chests[i].locked == (locked ? 1 : 0)) {
            *room = f->chests[i].room;
            return true;
        }
    return false;
}

TEST_F(Walker, AChestOpensWithUseAndALockedOneTakesAShard)
{
    for (u64 seed = 1; seed <= 40; ++seed) {
        walker_floor wf(seed, 2);
        clear_mobs(&wf.f);
        u16 room = 0;
        if (!find_chest(&wf.f, &room, true))
            continue;
        sv_walker_start(w, &wf.f, room);
        Vector3 s = sv_geom_prop_spot(&w->geom, SV_PROP_CHEST);
        w->player.x = s.x + 0.5f;
        w->player.z = s.z;
        ASSERT_EQ(sv_walker_prop_in_reach(w, &wf.f), SV_USE_CHEST);
        sv_input in;
        std::memset(&in, 0, sizeof in);
        in.use = 1;
        sv_walker_step(w, &wf.f, &in);
        EXPECT_EQ(w->last_event, SV_EVENT_CHEST_LOCKED);
        const sv_chest* chest = sv_floor_chest_in(&wf.f, room);
        EXPECT_EQ(chest->locked, 1);
        EXPECT_EQ(chest->opened, 0);
        w->player.shards = 2;
        in.use = 1;
        sv_walker_step(w, &wf.f, &in);
        EXPECT_EQ(w->last_event, SV_EVENT_CHEST_OPENED);
        EXPECT_EQ(chest->opened, 1);
        EXPECT_EQ(w->player.shards, 1u);
        EXPECT_EQ(sv_walker_prop_in_reach(w, &wf.f), SV_USE_NONE);
        in.use = 1;
        sv_walker_step(w, &wf.f, &in);
        EXPECT_EQ(w->last_event, SV_EVENT_NONE);
        return;
    }
    GTEST_FAIL() << "no floor 2 of seeds 1-40 has a locked chest";
}

TEST_F(Walker, TheRangedWeaponIsTakenWithGritUpToTheCap)
{
    walker_floor wf(2, 1);
    clear_mobs(&wf.f);
    // A ranged weapon laid in the spawn room.
    u16 room = 0;
    sv_weapon gun = test_weapon(SV_ATTACK_RANGED, 0.1f, 0.1f, 0.1f, 1);
    sv_floor_place_weapon(&wf.f, SV_SLOT_RANGED, room);
    ASSERT_TRUE(sv_floor_stock_weapon(&wf.f, SV_SLOT_RANGED, &gun));
    wf.f.weapon_taken[SV_SLOT_RANGED] = 0;
    sv_walker_start(w, &wf.f, room);
    Vector3 s = sv_geom_prop_spot(&w->geom, SV_PROP_WEAPON);
    w->player.x = s.x;
    w->player.z = s.z;
    w->player.grit = 25;
    sv_input none;
    std::memset(&none, 0, sizeof none);
    sv_walker_step(w, &wf.f, &none);
    EXPECT_EQ(w->player.grit, 30u);
    EXPECT_EQ(wf.f.weapon_taken[SV_SLOT_RANGED], 1);
    EXPECT_EQ(std::memcmp(&w->player.weapons[SV_SLOT_RANGED], &wf.f.weapons[SV_SLOT_RANGED],
                          sizeof(sv_weapon)),
              0);
    EXPECT_EQ(w->player.slot, 0); // the active slot stays
}

TEST_F(Walker, KeysArePickedUpOnceFromTheirSpots)
{
    walker_floor wf(1, 1);
    clear_mobs(&wf.f);
    i32 room = sv_floor_find(&wf.f, SV_TAG_PRISM);
    ASSERT_GE(room, 0);
    sv_walker_start(w, &wf.f, (u16)room);
    Vector3 s = sv_geom_prop_spot(&w->geom, SV_PROP_PRISM);
    w->player.x = s.x + 0.3f;
    w->player.z = s.z;
    sv_input none;
    std::memset(&none, 0, sizeof none);
    sv_walker_step(w, &wf.f, &none);
    EXPECT_EQ(w->player.prisms, 1u);
    sv_walker_step(w, &wf.f, &none);
    EXPECT_EQ(w->player.prisms, 1u);
}

TEST_F(Walker, UseLocksOnToTheMobInAimAndReleasesItTheSecondTime)
{
    walker_floor wf(3, 1);
    clear_mobs(&wf.f);
    sv_walker_start(w, &wf.f, 0);
    w->player.yaw = 0.0f;
    sv_body body;
    std::memset(&body, 0, sizeof body);
    body.hp = 50.0f;
    f32 mx = 2.0f, mz = 0.1f;
    ASSERT_GE(sv_floor_add_mob(&wf.f, 0, mx, mz, 0.0f, &body, 0, "target", 0), 0);
    ASSERT_EQ(sv_walker_mob_in_aim(w, &wf.f), 0);
    sv_input in;
    std::memset(&in, 0, sizeof in);
    in.use = 1;
    sv_walker_step(w, &wf.f, &in);
    EXPECT_EQ(w->last_event, SV_EVENT_LOCKED_ON);
    EXPECT_EQ(w->lock_mob, 0);
    EXPECT_EQ(in.use, 0);
    // While locked, small turns are swallowed and the view eases toward the mob.
    in.use = 0;
    in.yaw_delta = 0.01f;
    sv_walker_step(w, &wf.f, &in);
    EXPECT_EQ(in.yaw_delta, 0.0f);
    EXPECT_EQ(w->lock_mob, 0);
    in.use = 1;
    in.yaw_delta = 0.0f;
    sv_walker_step(w, &wf.f, &in);
    EXPECT_EQ(w->last_event, SV_EVENT_LOCK_RELEASED);
    EXPECT_EQ(w->lock_mob, SV_NONE16);
    // A hard turn breaks a lock; a mob outside the arc is not in aim.
    in.use = 1;
    sv_walker_step(w, &wf.f, &in);
    ASSERT_EQ(w->lock_mob, 0);
    in.use = 0;
    in.yaw_delta = 0.3f;
    sv_walker_step(w, &wf.f, &in);
    EXPECT_EQ(w->lock_mob, SV_NONE16);
    EXPECT_EQ(in.yaw_delta, 0.3f);
    w->player.yaw = 1.0f;
    EXPECT_EQ(sv_walker_mob_in_aim(w, &wf.f), -1);
}

TEST_F(Walker, QueriesRefuseNullsAndDoorsThePlaceLacks)
{
    walker_floor wf(3, 1);
    sv_walker_start(w, &wf.f, 0);
    EXPECT_EQ(sv_walker_prop_in_reach(nullptr, &wf.f), SV_USE_NONE);
    EXPECT_EQ(sv_fog_door(sv_walker_fog_in_reach(w, nullptr)), SV_NONE8);
    EXPECT_EQ(sv_walker_fog_in_reach(nullptr, &wf.f), (sv_fog_reach)SV_NONE8);
    EXPECT_EQ(sv_walker_mob_in_aim(nullptr, &wf.f), -1);
    EXPECT_EQ(sv_walker_admits(w, &wf.f, w->geom.opening_count), 0);
    EXPECT_EQ(admits_at(nullptr, &wf.f, 0, 0), 0);
    EXPECT_EQ(use_fog(w, w->geom.opening_count, 0, 1, 0.0f), SV_EVENT_NONE);
    EXPECT_FLOAT_EQ(sv_fog_length((sv_fog_reach)0x4040000000000000ull), 3.0f);
}

TEST_F(Walker, AFogVeilBeyondAStraightCorridorIsOfferedWithItsPiecesAndWalkedThrough)
{
    // A veil is offered only within fog.reach; a long reach lets whole corridors count.
    ASSERT_EQ(sv_tune_set_by_name("fog.reach", 10.0), 1);
    u32 found[4] = {0, 0, 0, 0};
    u8 walked[2] = {0, 0}; // a fog walk tried through one piece, and through several
    for (u64 seed = 1; seed <= 60; ++seed) {
        walker_floor wf(seed, 2);
        clear_mobs(&wf.f);
        // A risen boss fogs every door into its room.
        sv_body body;
        std::memset(&body, 0, sizeof body);
        body.hp = 10.0f;
        i32 axiom = sv_floor_find(&wf.f, SV_TAG_AXIOM);
        ASSERT_GE(axiom, 0);
        ASSERT_GE(sv_floor_add_mob(&wf.f, (u16)axiom, 0, 0, 0, &body, 1, "boss", 1), 0);
        for (u16 room = 0; room < wf.f.room_count; ++room) {
            if (room == (u16)axiom)
                continue;
            for (u8 d = 0; d < wf.f.rooms[room].door_count; ++d) {
                i32 s = sv_floor_passage_of(&wf.f, room, d);
                if (s < 0 || sv_floor_fogged(&wf.f, room, d))
                    continue;
                const sv_passage* pass = &wf.f.passages[s];
                u16 other = pass->room_a == room ? pass->room_b : pass->room_a;
                if (other != (u16)axiom || pass->piece_count > 3)
                    continue;
                sv_walker_start(w, &wf.f, room);
                stand_at_door(w, d, 0.5f);
                sv_fog_reach r = sv_walker_fog_in_reach(w, &wf.f);
                if (sv_fog_door(r) == SV_NONE8)
                    continue; // a bent corridor hides its far end
                EXPECT_EQ(sv_fog_door(r), d);
                EXPECT_EQ(sv_fog_pieces(r), pass->piece_count);
                EXPECT_EQ(sv_fog_exit(r), 0);
                EXPECT_GT(sv_fog_length(r), 0.0f);
                u16 last = (u16)(pass->first_place + pass->piece_count - 1);
                u8 far = pass->room_a == room ? 1 : 0;
                if (pass->room_a != room)
                    last = pass->first_place;
                EXPECT_EQ(sv_fog_admits(r), admits_at(w, &wf.f, last, far));
                found[pass->piece_count] += 1;
                if (!sv_fog_admits(r) || walked[pass->piece_count > 1])
                    continue;
                // The fog walk carries the player through every piece and into the room.
                walked[pass->piece_count > 1] = 1;
                sv_input in;
                std::memset(&in, 0, sizeof in);
                in.use = 1;
                sv_walker_step(w, &wf.f, &in);
                EXPECT_EQ(w->last_event, SV_EVENT_FOG_WALK);
                u32 crossed = 0;
                for (u32 t = 0; t < 200 && w->place != (u16)axiom; ++t) {
                    sv_input none;
                    std::memset(&none, 0, sizeof none);
                    crossed += sv_walker_step(w, &wf.f, &none) == 1;
                }
                EXPECT_EQ(w->place, (u16)axiom) << "seed " << seed;
                EXPECT_EQ(crossed, (u32)pass->piece_count + 1);
                EXPECT_EQ(w->player.walk_inward, 1);
            }
        }
    }
    printf("veils offered beyond corridors of 1, 2 and 3 pieces: %u, %u, %u\n", found[1], found[2],
           found[3]);
    // The laid floors' corridors run to one piece or to three and more; both kinds are seen.
    EXPECT_GT(found[1], 0u);
    EXPECT_GT(found[2] + found[3], 0u);
    EXPECT_EQ(walked[0] + walked[1], 2);
}

TEST_F(Walker, ALongDoorReachNeverCarriesThePlayerOutOfEveryPlace)
{
    // A reach past a door step's depth would carry the point beyond the step's far side.
    ASSERT_EQ(sv_tune_set_by_name("player.door_reach", 0.6), 1);
    u32 crossed = 0;
    std::string outside;
    for (u64 seed = 1; seed <= 4; ++seed) {
        walker_floor wf(seed, 1);
        clear_mobs(&wf.f);
        sv_walker_start(w, &wf.f, 0);
        u8 doors = w->geom.opening_count;
        for (u8 d = 0; d < doors; ++d) {
            sv_walker_start(w, &wf.f, 0);
            if (sv_floor_fogged(&wf.f, 0, d))
                continue;
            stand_at_door(w, d, 0.55f);
            for (u32 t = 0; t < 40; ++t) {
                sv_input in = forward();
                crossed += sv_walker_step(w, &wf.f, &in) == 1;
                if (!sv_geom_contains(&w->geom, {w->player.x, w->player.z})) {
                    outside += " seed " + std::to_string(seed) + " door " + std::to_string(d)
                        + " tick " + std::to_string(t) + ";";
                    break;
                }
            }
        }
    }
    EXPECT_GT(crossed, 4u);
    EXPECT_EQ(outside, "");
}

// A door of a corridor piece into a room whose entry door does not face along x; false for none.
bool find_turned_entry(const sv_floor* f, u16* place, u8* door)
{
    for (u16 p = f->room_count; p < f->place_count; ++p)
        for (u8 d = 0; d < sv_floor_place_doors(f, p); ++d) {
            u16 next = SV_NONE16;
            u8 entry = 0;
            if (sv_floor_fogged(f, p, d)
                || !sv_floor_place_next(f, p, d, &next, &entry, nullptr, nullptr)
                || next >= f->room_count)
                continue;
            sv_geom room;
            sv_geom_build(&room, f, next);
            if (entry < room.opening_count
                && std::fabs(std::sin(2.0f * room.openings[entry].yaw)) > 0.5f) {
                *place = p;
                *door = d;
                return true;
            }
        }
    return false;
}

TEST_F(Walker, ALongReachCrossingLandsMirroredAndWhereThePlayerCanStand)
{
    ASSERT_EQ(sv_tune_set_by_name("player.door_reach", 0.5), 1);
    const f32 r = (f32)sv_tune(SV_TUNE_PLAYER_RADIUS);
    {
        // Off the door's middle into a turned frame: the landing is the point walked to, carried
        // through the door and mirrored back over its line, as deep and as far aside.
        walker_floor wf(1, 3);
        clear_mobs(&wf.f);
        u16 piece = 0;
        u8 door = 0;
        ASSERT_TRUE(find_turned_entry(&wf.f, &piece, &door));
        put(w, &wf.f, piece);
        const sv_opening o = w->geom.openings[door];
        w->player.x = o.centre.x + std::cos(o.yaw) * 0.35f + o.tangent.x * 0.2f;
        w->player.z = o.centre.y + std::sin(o.yaw) * 0.35f + o.tangent.y * 0.2f;
        w->player.y = sv_geom_ground(&w->geom, w->player.x, w->player.z);
        w->player.yaw = o.yaw + 3.14159265f;
        // Where the tick's motion and collision leave the player, just before the crossing.
        sv_player moved = w->player;
        sv_input in = forward();
        sv_player_step(&moved, &w->geom, &in);
        sv_nav_collide(&wf.f, piece, &w->geom, &moved.x, &moved.z, r, moved.y,
                       (f32)sv_tune(SV_TUNE_PLAYER_STEP_HEIGHT));
        const sv_portal* portal = nullptr;
        u8 entry = 0;
        ASSERT_TRUE(sv_nav_beyond(&wf.f, piece, &w->geom, door, &portal, nullptr, nullptr, &entry));
        Vector2 far = sv_nav_to_beyond(portal, {moved.x, moved.z});
        in = forward();
        ASSERT_EQ(sv_walker_step(w, &wf.f, &in), 1);
        const sv_opening* e = &w->geom.openings[entry];
        Vector2 n = {std::cos(e->yaw), std::sin(e->yaw)};
        f32 behind = (far.x - e->centre.x) * n.x + (far.y - e->centre.y) * n.y;
        EXPECT_LT(behind, -0.2f);
        EXPECT_NEAR(w->player.x, far.x - 2.0f * behind * n.x, 1e-4f);
        EXPECT_NEAR(w->player.z, far.y - 2.0f * behind * n.y, 1e-4f);
    }
    {
        // A room's door into a door-wide piece, walked out of 0.79 off its middle: the player
        // lands no nearer the piece's side than its radius and walks on inside its places.
        walker_floor wf(1, 3);
        clear_mobs(&wf.f);
        sv_walker_start(w, &wf.f, 4);
        w->player.x = -1.913593f;
        w->player.z = -6.319921f;
        w->player.y = sv_geom_ground(&w->geom, w->player.x, w->player.z);
        w->player.yaw = -354.049744f;
        sv_input in;
        std::memset(&in, 0, sizeof in);
        in.forward = 0.5f;
        in.right = 0.7333f;
        in.yaw_delta = -0.258f;
        ASSERT_EQ(sv_walker_step(w, &wf.f, &in), 1);
        ASSERT_LT(w->arrival_door, w->geom.opening_count);
        const sv_opening* e = &w->geom.openings[w->arrival_door];
        f32 side = (w->player.x - e->centre.x) * e->tangent.x
            + (w->player.z - e->centre.y) * e->tangent.y;
        EXPECT_LE(std::fabs(side), e->width / 2.0f - r + 1e-4f);
        for (u32 t = 0; t < 120; ++t) {
            std::memset(&in, 0, sizeof in);
            in.forward = 0.4f;
            in.right = -0.6f;
            in.sprint = 1;
            sv_walker_step(w, &wf.f, &in);
            ASSERT_TRUE(sv_geom_contains(&w->geom, {w->player.x, w->player.z}))
                << "tick " << t << " place " << w->place << " at " << w->player.x << ", "
                << w->player.z;
        }
    }
}

TEST_F(Walker, OfTwoFogVeilsAsNearTheEarlierDoorIsOffered)
{
    walker_floor wf(3, 1);
    clear_mobs(&wf.f);
    sv_walker_start(w, &wf.f, 0);
    ASSERT_GE(w->geom.opening_count, 2);
    // A risen boss fogs every door of its room.
    sv_body body;
    std::memset(&body, 0, sizeof body);
    body.hp = 10.0f;
    ASSERT_GE(sv_floor_add_mob(&wf.f, 0, 5.0f, 5.0f, 0, &body, 1, "boss", 1), 0);
    ASSERT_TRUE(sv_floor_fogged(&wf.f, 0, 0));
    ASSERT_TRUE(sv_floor_fogged(&wf.f, 0, 1));
    // Both veils ahead, one to each side: exactly as near.
    w->player.x = 0.0f;
    w->player.z = 0.0f;
    w->player.yaw = 0.0f;
    for (u8 d = 2; d < w->geom.opening_count; ++d)
        w->geom.openings[d].centre = {-50.0f, 0.0f}; // behind, out of reach
    w->geom.openings[0].centre = {1.0f, 1.0f};
    w->geom.openings[1].centre = {1.0f, -1.0f};
    EXPECT_EQ(sv_fog_door(sv_walker_fog_in_reach(w, &wf.f)), 0);
    w->geom.openings[0].centre = {1.0f, -1.0f};
    w->geom.openings[1].centre = {1.0f, 1.0f};
    EXPECT_EQ(sv_fog_door(sv_walker_fog_in_reach(w, &wf.f)), 0);
    // One a hair nearer wins whichever comes first.
    w->geom.openings[1].centre = {1.0f, 0.999f};
    EXPECT_EQ(sv_fog_door(sv_walker_fog_in_reach(w, &wf.f)), 1);
}

TEST_F(Walker, ADodgeWhileLockedCirclesTheLockedMob)
{
    // A room with the ground clear along the circle of radius 3 about a spot 1.5 m from its middle.
    const f32 radius = 3.0f;
    for (u64 seed = 1; seed <= 20; ++seed) {
        walker_floor wf(seed, 1);
        clear_mobs(&wf.f);
        sv_walker_start(w, &wf.f, 0);
        Vector2 mob = {1.5f, 0.0f};
        bool clear = sv_geom_standable(&w->geom, mob.x, mob.y, 0.5f) != 0;
        for (int k = 0; k <= 12 && clear; ++k) {
            f32 a = 3.14159265f - (f32)k * 0.15f;
            clear = sv_geom_standable(&w->geom, mob.x + std::cos(a) * radius,
                                      mob.y + std::sin(a) * radius, 0.5f)
                != 0;
        }
        if (!clear)
            continue;
        sv_body body;
        std::memset(&body, 0, sizeof body);
        body.hp = 10.0f;
        ASSERT_GE(sv_floor_add_mob(&wf.f, 0, mob.x, mob.y, 0, &body, 0, "m", 0), 0);
        w->player.x = mob.x - radius;
        w->player.z = mob.y;
        w->player.y = sv_geom_ground(&w->geom, w->player.x, w->player.z);
        w->player.yaw = 0.0f;
        sv_input in;
        std::memset(&in, 0, sizeof in);
        in.use = 1;
        sv_walker_step(w, &wf.f, &in);
        ASSERT_EQ(w->lock_mob, 0);
        std::memset(&in, 0, sizeof in);
        in.dodge = 1;
        in.right = 1.0f;
        sv_walker_step(w, &wf.f, &in);
        ASSERT_NE(w->player.dodge_left, 0u);
        for (int t = 0; t < 60 && w->player.dodge_left != 0; ++t) {
            std::memset(&in, 0, sizeof in);
            sv_walker_step(w, &wf.f, &in);
        }
        // 3.5 m of dodge in a straight line would end 4.6 m off; circling keeps about 3.
        f32 d = std::hypot(w->player.x - mob.x, w->player.z - mob.y);
        EXPECT_LT(d, radius + 0.35f);
        EXPECT_GT(d, radius - 0.35f);
        return;
    }
    GTEST_FAIL() << "no room of floor 1 of seeds 1-20 is clear around the spot";
}

} // namespace

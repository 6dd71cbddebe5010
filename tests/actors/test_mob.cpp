// The mob AI step on a hand-made square room: chasing, keeping distance, choosing actions,
// windups and lunges, sweeps, shots; wounds, deaths and the Shard of an optional Scion.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "actors/boss.h"
#include "actors/combat.h"
#include "actors/mob.h"
#include "actors_util.h"
#include "world/body.h"
#include "world/geom.h"
#include "world/geom_cache.h"

namespace {

const f32 PI_F = 3.14159265f;

sv_action melee(f32 from, f32 reach)
{
    sv_action a;
    std::memset(&a, 0, sizeof a);
    a.damage = 7.0f;
    a.from = from;
    a.reach = reach;
    a.arc = 90.0f;
    a.sweep = -1;
    a.windup = 0.5f;
    a.active = 0.2f;
    a.recovery = 0.3f;
    return a;
}

// One square room of side 20 with the player at its centre, facing +x.
struct Mobs : ::testing::Test {
    sv_floor f {};
    sv_walker w {};
    sv_action actions[SV_MOB_ACTIONS] {};
    sv_body body {};

    void SetUp() override
    {
        sv_tune_reset_defaults();
        sv_geom_cache_reset();
        sv_combat_set_passive(0);
        sv_floor_init(&f, 1, 42, 16);
        sv_floor_add_room(&f, 0);
        std::memset(&w, 0, sizeof w);
        w.geom = square_place(10.0f);
        w.place = 0;
        w.lock_mob = SV_NONE16;
        sv_player_spawn(&w.player, &w.geom);
        w.player.yaw = 0.0f;
        body.hp = 20.0f;
        body.speed = 3.0f;
        body.turn = 3600.0f;
        body.leash = -1.0f;
        body.give_up = -1.0f;
    }
    void TearDown() override
    {
        sv_floor_free(&f);
        content_pack::unload(); // a test may have booted the base pack
    }

    sv_mob* add(f32 x, f32 z, f32 yaw, u8 count, u64 kind = 0, u8 boss = 0, u16 room = 0)
    {
        body.action_count = count;
        body.actions = count ? actions : nullptr;
        i32 i = sv_floor_add_mob(&f, room, x, z, yaw, &body, kind, "m", boss);
        EXPECT_GE(i, 0);
        return sv_floor_mob(&f, (u16)i);
    }
    void act(sv_mob* m, u8 sees = 1, f32 radius = 0.4f)
    {
        mob_act(m, &w, &f, &w.geom, 1, sees, (f32)sv_sim_dt(), radius);
    }
    f32 distance(const sv_mob* m) { return std::hypot(m->x - w.player.x, m->z - w.player.z); }
};

} // namespace

TEST_F(Mobs, AMobWithoutActionsChasesAndKeepsItsDistance)
{
    sv_mob* m = add(5.0f, 0.0f, PI_F, 0);
    m->alerted = 1;
    f32 last = distance(m);
    for (int t = 0; t < 240; ++t) {
        act(m);
        EXPECT_LE(distance(m), last + 1e-4f) << "tick " << t; // never backs away
        last = distance(m);
        EXPECT_EQ(m->phase, 0);
        EXPECT_EQ(sv_combat_blow(m, nullptr), 0);
    }
    EXPECT_NEAR(distance(m), 0.8f, 1e-3f);
}

TEST_F(Mobs, AnActionFromTwoIsNeverChosenAtOneAndAHalfAndTheMobBacksAway)
{
    actions[0] = melee(2.0f, 3.0f);
    sv_mob* m = add(1.5f, 0.0f, PI_F, 1);
    m->alerted = 1;
    for (int t = 0; t < 10; ++t) {
        act(m);
        EXPECT_EQ(m->phase, 0) << "tick " << t;
    }
    EXPECT_NEAR(distance(m), 2.0f, 1e-4f);
    w.player.x -= 0.05f; // plainly in range now: the action begins
    act(m);
    EXPECT_EQ(m->phase, SV_PHASE_WINDUP);
}

TEST_F(Mobs, AnActionForThePlayersActivePhaseWaitsForIt)
{
    actions[0] = melee(0.0f, 3.0f);
    actions[0].when = SV_PHASE_ACTIVE;
    sv_mob* m = add(2.0f, 0.0f, 0.0f, 1); // facing away
    m->alerted = 1;
    for (int t = 0; t < 30; ++t)
        act(m);
    EXPECT_EQ(m->phase, 0);
    EXPECT_NEAR(std::remainder(m->yaw - PI_F, 2 * PI_F), 0.0f, 1e-4f); // stands facing the player
    EXPECT_NEAR(distance(m), 2.0f, 1e-4f);                             // in range: only turns
    w.player.phase = SV_PHASE_ACTIVE;
    act(m);
    EXPECT_EQ(m->phase, SV_PHASE_WINDUP);
}

TEST_F(Mobs, AWindupDrawsBackThenLungesOverItsLastTicks)
{
    actions[0] = melee(0.0f, 5.0f);
    actions[0].draw = 0.36f;
    actions[0].lunge = 1.0f;
    sv_mob* m = add(3.0f, 0.0f, PI_F, 1);
    m->alerted = 1;
    int back = 0, ahead = 0;
    for (int t = 0; t < 40; ++t) {
        f32 x = m->x;
        act(m);
        if (m->phase != SV_PHASE_WINDUP)
            break;
        EXPECT_NEAR(m->lunge_used, 1.0f, 1e-6f); // 3 + 0.36 - 0.8, clamped to the lunge
        f32 moved = x - m->x;                    // facing -x
        if (moved < -1e-6f) {
            EXPECT_EQ(ahead, 0);
            ++back;
        } else if (moved > 1e-6f) {
            ++ahead;
        }
    }
    EXPECT_EQ(back, 18);
    EXPECT_EQ(ahead, 12);
}

TEST_F(Mobs, ASweepLandsInTheSliceThatReachesThePlayer)
{
    for (i8 side : {-1, 1}) {
        sv_player_revive(&w.player);
        actions[0] = melee(0.0f, 2.0f);
        actions[0].sweep = side;
        actions[0].active = 10.0f / 60.0f;
        actions[0].windup = 0.0f;
        f32 b = 40.0f * PI_F / 180.0f;
        sv_mob* m = add(-1.5f, 0.0f, -b, 1); // the player 40 degrees to its left of its facing
        m->alerted = 1;
        m->phase = SV_PHASE_ACTIVE;
        m->phase_ticks = 10;
        int landed_at = -1;
        for (int t = 0; t < 10 && landed_at < 0; ++t) {
            act(m);
            if (m->blow_landed)
                landed_at = t;
        }
        EXPECT_EQ(landed_at, side < 0 ? 9 : 0) << "side " << (int)side;
        EXPECT_NEAR(sv_player_health(&w.player), 93.0f, 1e-4f);
        sv_floor_kill_mob(&f, (u16)(m - f.mobs));
    }
}

TEST_F(Mobs, AnActionWithoutActivePhaseNeitherLandsNorFires)
{
    actions[0] = melee(0.0f, 3.0f);
    actions[0].active = 0.0f;
    actions[1] = actions[0];
    actions[1].speed = 20.0f;
    actions[1].from = 2.5f;
    actions[1].reach = 8.0f;
    sv_mob* a = add(1.5f, 0.0f, PI_F, 1);
    a->alerted = 1;
    for (int t = 0; t < 120; ++t)
        act(a);
    EXPECT_EQ(sv_player_health(&w.player), 100.0f);
    sv_floor_kill_mob(&f, 0);
    actions[0] = actions[1];
    sv_mob* b = add(4.0f, 0.0f, PI_F, 1);
    b->alerted = 1;
    for (int t = 0; t < 120; ++t)
        act(b);
    EXPECT_EQ(sv_floor_shots_live_in(&f, 0), 0u);
}

TEST_F(Mobs, AShotAtTheMuzzleFiresNothingButEndsTheBlow)
{
    actions[0] = melee(0.0f, 8.0f);
    actions[0].speed = 20.0f;
    sv_mob* m = add(-0.8f, 0.0f, 0.0f, 1);
    m->alerted = 1;
    m->settled = 1;
    m->phase = SV_PHASE_ACTIVE;
    m->phase_ticks = 5;
    w.player.y = 1.305f - 0.8f; // aim point = muzzle
    act(m);
    EXPECT_EQ(m->blow_landed, 1);
    EXPECT_EQ(sv_floor_shots_live_in(&f, 0), 0u);

    w.player.y = 0.0f; // a fair aim fires once per active phase
    m->phase_ticks = 5;
    m->blow_landed = 0;
    act(m);
    act(m);
    ASSERT_EQ(sv_floor_shots_live_in(&f, 0), 1u);
    // A unit heading: the shot flies its own speed, whatever the distance to its aim.
    const sv_shot* s = &f.shots[0];
    EXPECT_NEAR(std::sqrt(s->dir_x * s->dir_x + s->dir_y * s->dir_y + s->dir_z * s->dir_z), 1.0f,
                1e-5f);
    EXPECT_EQ(s->speed, 20.0f);
}

TEST_F(Mobs, AMobBackHomeHealsAndOneThatLostSightShootsAtTheLastSighting)
{
    sv_mob* m = add(-5.0f, 0.0f, 0.0f, 0);
    m->hp = 5.0f;
    m->returning = 1;
    m->x = m->home_x + 0.3f;
    act(m, 0);
    EXPECT_EQ(m->hp, 20.0f);
    EXPECT_EQ(m->returning, 0);

    // Sight lost: the shot goes where the player was last seen, not where the player is.
    actions[0] = melee(0.0f, 8.0f);
    actions[0].speed = 20.0f;
    f.mob_count = 0;
    m = add(-5.0f, 0.0f, PI_F / 2.0f, 1);
    m->alerted = 1;
    m->settled = 1;
    m->seen_place = 0;
    m->seen_x = -5.0f;
    m->seen_z = 6.0f;
    m->phase = SV_PHASE_ACTIVE;
    m->phase_ticks = 5;
    act(m, 0);
    ASSERT_EQ(sv_floor_shots_live_in(&f, 0), 1u);
    const sv_shot* s = &f.shots[0];
    EXPECT_NEAR(s->dir_x, 0.0f, 1e-4f);
    EXPECT_GT(s->dir_z, 0.9f);
    EXPECT_NEAR(std::sqrt(s->dir_x * s->dir_x + s->dir_y * s->dir_y + s->dir_z * s->dir_z), 1.0f,
                1e-5f);
}

TEST_F(Mobs, KeepingItsDistanceMovesTheMobBackOnItsOwnSide)
{
    for (f32 a : {0.3f, 2.0f, -2.6f}) {
        f.mob_count = 0;
        sv_mob* m = add(std::cos(a) * 0.3f, std::sin(a) * 0.3f, a + PI_F, 0);
        m->alerted = 1;
        act(m);
        // Two radii from the player along the line through both, on the side it stood.
        EXPECT_NEAR(m->x, std::cos(a) * 0.8f, 1e-4f) << "bearing " << a;
        EXPECT_NEAR(m->z, std::sin(a) * 0.8f, 1e-4f) << "bearing " << a;
    }
}

// A draw-back, a lunge or a step back longer than the body is wide, at tunables that allow it,
// is taken in short collided steps: the mob stops at the wall behind it.
TEST_F(Mobs, NoMoveCarriesAMobThroughAWallAtAnyTunables)
{
    struct extreme {
        const char* name[2];
        f64 value[2];
        f32 radius;
        f32 from; // of its one action: above the distance, the mob backs away
    };
    const extreme cases[] = {
        {{"mob.lunge_share", nullptr}, {0.95, 0}, 0.4f, 0.0f},       // 1 m of draw in a tick
        {{"sim.tick_hz", "mob.lunge_share"}, {20, 0.7}, 0.4f, 0.0f}, // 0.5 m a tick
        {{nullptr, nullptr}, {0, 0}, 0.05f, 0.0f},                   // 0.09 m a tick, thin
        {{"mob.lunge_share", nullptr}, {0.95, 0}, 0.05f, 3.0f},      // backing away
    };
    for (const extreme& c : cases) {
        sv_tune_reset_defaults();
        for (int k = 0; k < 2 && c.name[k]; ++k)
            ASSERT_EQ(sv_tune_set_by_name(c.name[k], c.value[k]), 1);
        actions[0] = melee(c.from, 4.0f);
        actions[0].windup = 0.3f;
        actions[0].draw = 1.0f;
        body.speed = 6.0f;
        f.mob_count = 0;
        f32 x = 10.0f - c.radius - 0.05f;
        w.player.x = x - 1.2f;
        sv_mob* m = add(x, 0.0f, PI_F, 1);
        m->alerted = 1;
        std::string where = std::string(c.name[0] ? c.name[0] : "player.radius") + " r "
            + std::to_string(c.radius);
        for (int t = 0; t < 60; ++t) {
            act(m, 1, c.radius);
            ASSERT_TRUE(sv_geom_contains(&w.geom, {m->x, m->z}))
                << where << " tick " << t << " at " << m->x;
            ASSERT_LE(m->x, 10.0f - c.radius + 1e-3f) << where << " tick " << t;
        }
    }
    sv_tune_reset_defaults();
}

TEST_F(Mobs, ABlowIsDescribedOnlyInWindupAndActive)
{
    actions[0] = melee(0.0f, 3.0f);
    actions[0].draw = 0.5f;
    sv_mob* m = add(2.0f, 0.0f, PI_F, 1);
    sv_blow b;
    std::memset(&b, 0x5a, sizeof b);
    EXPECT_EQ(sv_combat_blow(m, &b), 0);
    m->phase = SV_PHASE_WINDUP;
    m->phase_ticks = 30; // W = 30, nothing made yet
    m->lunge_used = 1.0f;
    ASSERT_EQ(sv_combat_blow(m, &b), 1);
    EXPECT_FLOAT_EQ(b.half_arc, 45.0f * PI_F / 180.0f);
    EXPECT_EQ(b.sweep_side, -1);
    EXPECT_FLOAT_EQ(b.sweep_angle, -b.half_arc);
    EXPECT_FLOAT_EQ(b.windup_progress, 1.0f); // ticks left not below W: e = W
    m->phase_ticks = 29;
    ASSERT_EQ(sv_combat_blow(m, &b), 1);
    EXPECT_NEAR(b.lunge_to_come, 0.5f + 0.5f / 18.0f, 1e-5f);
    m->phase = SV_PHASE_ACTIVE;
    m->phase_ticks = 5; // A = 12: e = 7
    ASSERT_EQ(sv_combat_blow(m, &b), 1);
    EXPECT_NEAR(b.sweep_progress, 7.0f / 12.0f, 1e-5f);
    m->phase = SV_PHASE_RECOVERY;
    EXPECT_EQ(sv_combat_blow(m, nullptr), 0);
    m->phase = SV_PHASE_ACTIVE;
    m->body.action_count = 0;
    EXPECT_EQ(sv_combat_blow(m, nullptr), 0);
}

TEST_F(Mobs, AKillingWoundAppliesNothingAndASurvivingOneAlerts)
{
    sv_applies applies;
    std::memset(&applies, 0, sizeof applies);
    applies.count = 1;
    applies.list[0].key = 77;
    applies.list[0].duration = 2.0f;
    sv_mob* m = add(5.0f, 5.0f, 0.0f, 0);
    wound(&w, &f, 0, 5.0f, &applies);
    EXPECT_EQ(m->hp, 15.0f);
    EXPECT_EQ(m->alerted, 1);
    EXPECT_EQ(m->afflictions->count, 1);
    wound(&w, &f, 0, -50.0f, &applies); // never heals
    EXPECT_EQ(m->hp, 15.0f);
    wound(&w, &f, 0, NAN, nullptr);
    EXPECT_EQ(m->hp, 15.0f);

    sv_mob* k = add(-5.0f, 5.0f, 0.0f, 0);
    wound(&w, &f, 1, 25.0f, &applies);
    EXPECT_EQ(k->hp, 0.0f);
    EXPECT_EQ(k->alerted, 0);
    EXPECT_EQ(k->afflictions->count, 0);
}

TEST_F(Mobs, AnOptionalScionsDeathGivesAShardAndNoHealthUnseals)
{
    u16 optional = (u16)sv_floor_add_room(&f, SV_TAG_SCION);
    u16 gate = (u16)sv_floor_add_room(&f, SV_TAG_SCION | SV_TAG_GATE);
    add(0.0f, 0.0f, 0.0f, 0, 2, 1, optional);
    add(0.0f, 0.0f, 0.0f, 0, 2, 1, gate);
    add(3.0f, 0.0f, 0.0f, 0, 0, 0, 0);
    sv_floor_seal(&f, optional);
    sv_floor_seal(&f, gate);
    wound(&w, &f, 0, 100.0f, nullptr);
    EXPECT_EQ(w.player.shards, 1u);
    EXPECT_FALSE(sv_floor_seal_state(&f, optional) & SV_SEAL_SEALED);
    wound(&w, &f, 1, 100.0f, nullptr);
    wound(&w, &f, 2, 100.0f, nullptr);
    EXPECT_EQ(w.player.shards, 1u); // none for a gate Scion or a mob
    wound(&w, &f, 0, 100.0f, nullptr);
    EXPECT_EQ(w.player.shards, 1u); // the dead die once

    u16 other = (u16)sv_floor_add_room(&f, SV_TAG_AXIOM);
    sv_mob* boss = add(0.0f, 0.0f, 0.0f, 0, 1, 1, other);
    sv_floor_seal(&f, other);
    boss->hp = NAN; // an edit that is no number
    wound(&w, &f, 3, 1.0f, nullptr);
    EXPECT_EQ(boss->hp, 0.0f);
    EXPECT_FALSE(sv_floor_seal_state(&f, other) & SV_SEAL_SEALED);
}

// Every action of every base-pack mob, Scion and Axiom is taken at some distance (no nearer than
// the two radii a mob keeps) and some player phase: a reactive action listed behind an
// unconditional one whose range holds its own would never be chosen.
TEST_F(Mobs, EveryBasePackActionIsChosenAtSomeDistanceAndPlayerPhase)
{
    boot_base_pack();
    std::vector<std::string> ids;
    for (u64 i = 0; i < sv_content_mob_count(); ++i)
        ids.push_back(sv_content_mob_at(i)->id);
    for (u64 i = 0; i < sv_content_scion_count(); ++i)
        ids.push_back(sv_content_scion_at(i)->id);
    for (u64 i = 0; i < sv_content_axiom_count(); ++i)
        ids.push_back(sv_content_axiom_at(i)->id);
    ASSERT_EQ(ids.size(), 23u);

    // Two radii: the mob step never lets a mob stand nearer.
    const f32 nearest = 2.0f * (f32)sv_tune(SV_TUNE_PLAYER_RADIUS);
    std::string never;
    u32 actions_seen = 0;
    for (const std::string& id : ids) {
        sv_mob_kind kind = 0;
        const char* name = nullptr;
        ASSERT_EQ(sv_boss_entry(id.c_str(), &body, &kind, &name), 1) << id;
        ASSERT_GT(body.action_count, 0) << id;
        // Distances to try: every bound of every range and the midpoints between them.
        std::vector<f32> bounds {nearest};
        for (u8 i = 0; i < body.action_count; ++i) {
            bounds.push_back(body.actions[i].from);
            bounds.push_back(body.actions[i].reach);
        }
        std::sort(bounds.begin(), bounds.end());
        std::vector<f32> tries;
        for (size_t i = 0; i < bounds.size(); ++i) {
            tries.push_back(bounds[i]);
            if (i + 1 < bounds.size())
                tries.push_back((bounds[i] + bounds[i + 1]) / 2.0f);
        }
        std::vector<u8> chosen(body.action_count, 0);
        sv_floor_free(&f); // a fresh floor holding this one mob
        sv_floor_init(&f, 1, 42, 16);
        sv_floor_add_room(&f, 0);
        i32 index = sv_floor_add_mob(&f, 0, w.player.x, w.player.z, PI_F, &body, kind, name,
                                     (kind & 0xffu) != SV_KIND_MOB);
        ASSERT_EQ(index, 0) << id;
        sv_mob* m = sv_floor_mob(&f, 0);
        m->alerted = 1;
        const sv_mob fresh = *m;
        for (f32 d : tries) {
            if (d < nearest)
                continue;
            for (u8 phase = SV_PHASE_IDLE; phase <= SV_PHASE_RECOVERY; ++phase) {
                *m = fresh;
                m->x = w.player.x + d; // facing the player from +x
                m->seen_x = w.player.x;
                m->seen_z = w.player.z;
                w.player.phase = phase;
                act(m);
                if (m->phase == SV_PHASE_WINDUP && m->action < body.action_count)
                    chosen[m->action] = 1;
            }
        }
        for (u8 i = 0; i < body.action_count; ++i) {
            actions_seen += 1;
            if (!chosen[i])
                never += " " + id + "/" + body.actions[i].name;
        }
    }
    EXPECT_EQ(never, "") << "never chosen";
    EXPECT_EQ(actions_seen, 42u);
}

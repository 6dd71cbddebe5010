// The player tick: stamina and exhaustion, attack phases, dodge, swap, grit, spawn, wounds and
// motion against walls.
#include <cmath>

#include "actors/afflict.h"
#include "actors_util.h"
#include "world/body.h"
#include "world/geom.h"
#include "world/test_nav_util.h"

namespace {

struct Player : ::testing::Test {
    sv_player p {};
    sv_geom room = square_place(6.0f);
    sv_input in {};
    void SetUp() override
    {
        sv_tune_reset_defaults();
        sv_player_spawn(&p, &room);
    }
    void TearDown() override { sv_tune_reset_defaults(); }
    void step(const sv_input& input) { sv_player_step(&p, &room, &input); }
    void step() { step(sv_input {}); }
    sv_input press(u8 sv_input::*button) const
    {
        sv_input i {};
        i.*button = 1;
        return i;
    }
};

} // namespace

TEST_F(Player, SpendingIsAllOrNothing)
{
    p.stamina_spent = 60.0f;
    EXPECT_EQ(sv_player_spend(&p, 40.0f), 1); // exactly what is left
    EXPECT_EQ(sv_player_stamina(&p), 0.0f);
    p.stamina_spent = 60.0f;
    EXPECT_EQ(sv_player_spend(&p, 40.001f), 0);
    EXPECT_EQ(p.stamina_spent, 60.0f);
    EXPECT_EQ(sv_player_spend(&p, 0.0f), 1);
    EXPECT_EQ(sv_player_spend(&p, -1.0f), 1);
    EXPECT_EQ(p.stamina_spent, 60.0f);
}

TEST_F(Player, SprintingOnEmptyExhaustsUntilStaminaCoversASecondOfSprint)
{
    p.stamina_spent = 100.0f;
    p.regen_delay = 36;
    sv_input run {};
    run.forward = 1.0f;
    run.sprint = 1;
    f32 x0 = p.x;
    step(run);
    EXPECT_EQ(p.exhausted, 1);
    EXPECT_NEAR(p.x - x0, 4.0f / 60.0f, 1e-5f); // walked, not sprinted
    u32 ticks = 0;
    while (p.exhausted && ticks < 1000) {
        step(run);
        ++ticks;
    }
    EXPECT_FALSE(p.exhausted);
    EXPECT_GE(sv_player_stamina(&p), 8.0f - 30.0f / 60.0f);
    EXPECT_GT(ticks, 36u); // the regeneration delay, then 8 points at 30 a second
}

// Sprint held while standing still costs nothing.
TEST_F(Player, SprintSpendsOnlyWhileMoving)
{
    sv_input hold = press(&sv_input::sprint);
    for (int i = 0; i < 30; ++i)
        step(hold);
    EXPECT_EQ(p.stamina_spent, 0.0f);
    EXPECT_EQ(p.regen_delay, 0u);
    sv_input run = hold;
    run.forward = 1.0f;
    step(run);
    EXPECT_NEAR(p.stamina_spent, 8.0f / 60.0f, 1e-6f);
}

TEST_F(Player, AnAttackOfZeroTimesRunsEveryPhaseInOneTick)
{
    sv_weapon w = test_weapon(SV_ATTACK_MELEE, 0, 0, 0);
    sv_player_arm(&p, 0, &w);
    step(press(&sv_input::primary));
    EXPECT_EQ(p.phase, SV_PHASE_IDLE);
    EXPECT_EQ(p.phase_ticks, 0u);
    EXPECT_FLOAT_EQ(p.stamina_spent, 10.0f);
}

TEST_F(Player, PhasesCountTheTickTheyBeginIn)
{
    sv_weapon w = test_weapon(SV_ATTACK_MELEE, 0.1f, 0.05f, 0.05f); // 6, 3, 3 ticks
    sv_player_arm(&p, 0, &w);
    step(press(&sv_input::primary));
    u8 seen[16];
    seen[0] = p.phase;
    for (int i = 1; i < 16; ++i) {
        step();
        seen[i] = p.phase;
    }
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(seen[i], SV_PHASE_WINDUP) << i;
    for (int i = 6; i < 9; ++i)
        EXPECT_EQ(seen[i], SV_PHASE_ACTIVE) << i;
    for (int i = 9; i < 12; ++i)
        EXPECT_EQ(seen[i], SV_PHASE_RECOVERY) << i;
    EXPECT_EQ(seen[12], SV_PHASE_IDLE);
}

TEST_F(Player, DodgeWaitsOutWindupAndActiveButCancelsRecovery)
{
    sv_weapon w = test_weapon(SV_ATTACK_MELEE, 0.1f, 0.1f, 0.5f);
    sv_player_arm(&p, 0, &w);
    step(press(&sv_input::primary));
    step(press(&sv_input::dodge));
    EXPECT_EQ(p.dodge_left, 0u);
    EXPECT_EQ(p.phase, SV_PHASE_WINDUP);
    while (p.phase != SV_PHASE_ACTIVE)
        step();
    step(press(&sv_input::dodge));
    EXPECT_EQ(p.dodge_left, 0u);
    while (p.phase != SV_PHASE_RECOVERY)
        step();
    f32 x0 = p.x;
    step(press(&sv_input::dodge));
    EXPECT_EQ(p.phase, SV_PHASE_IDLE);
    EXPECT_EQ(p.dodge_total, 10u);
    EXPECT_EQ(p.dodge_left, 9u);
    EXPECT_LT(p.x, x0); // straight back with no movement input
}

TEST_F(Player, SwapAndAttackInOneTickUseTheNewWeapon)
{
    sv_weapon melee = test_weapon(SV_ATTACK_MELEE, 0.2f, 0.1f, 0.1f);
    sv_weapon ranged = test_weapon(SV_ATTACK_RANGED, 0.4f, 0.1f, 0.1f);
    sv_player_arm(&p, 0, &melee);
    sv_player_arm(&p, 1, &ranged);
    sv_input both {};
    both.swap = 1;
    both.primary = 1;
    step(both);
    EXPECT_EQ(p.slot, 1);
    EXPECT_EQ(p.phase, SV_PHASE_WINDUP);
    EXPECT_EQ(p.phase_ticks, 23u); // 24 ticks of windup, one counted

    sv_player q {};
    sv_player_spawn(&q, &room);
    sv_player_arm(&q, 0, &melee);
    sv_player_step(&q, &room, &both);
    EXPECT_EQ(q.slot, 0); // nothing to swap to
    EXPECT_EQ(q.phase, SV_PHASE_WINDUP);
}

TEST_F(Player, AnAttackCostingMoreGritThanHeldDoesNotStart)
{
    sv_weapon ranged = test_weapon(SV_ATTACK_RANGED, 0.1f, 0.1f, 0.1f, 3);
    sv_player_arm(&p, 0, &ranged);
    p.grit = 2;
    step(press(&sv_input::primary));
    EXPECT_EQ(p.phase, SV_PHASE_IDLE);
    EXPECT_EQ(p.stamina_spent, 0.0f);
    EXPECT_EQ(p.grit, 2u);
    p.grit = 3;
    step(press(&sv_input::primary));
    EXPECT_EQ(p.phase, SV_PHASE_WINDUP);
    EXPECT_EQ(p.grit, 0u);
}

TEST_F(Player, GritStopsAtItsCap)
{
    EXPECT_EQ(sv_player_give_grit(&p, 25), 25u);
    EXPECT_EQ(sv_player_give_grit(&p, 10), 5u);
    EXPECT_EQ(sv_player_give_grit(&p, 10), 0u);
    EXPECT_EQ(p.grit, 30u);
}

TEST_F(Player, SpawnKeepsShardsAndWoundsButNotPrisms)
{
    p.shards = 2;
    p.prisms = 1;
    p.damage_taken = 30.0f;
    p.x = 3.0f;
    p.dodge_left = 4;
    sv_player_spawn(&p, &room);
    EXPECT_EQ(p.shards, 2u);
    EXPECT_EQ(p.prisms, 0u);
    EXPECT_EQ(p.damage_taken, 30.0f);
    EXPECT_EQ(p.x, 0.0f);
    EXPECT_EQ(p.dodge_left, 0u);
    sv_player_revive(&p);
    EXPECT_EQ(sv_player_health(&p), 100.0f);
}

TEST_F(Player, DodgeFramesCoverTheirShareOfTheDodge)
{
    sv_tune_set_by_name("player.dodge_iframes", 0.5);
    step(press(&sv_input::dodge));
    ASSERT_EQ(p.dodge_total, 10u);
    EXPECT_FALSE(sv_player_vulnerable(&p)); // 1 tick elapsed
    EXPECT_EQ(sv_player_hurt(&p, 10.0f), 0.0f);
    for (int i = 0; i < 4; ++i)
        step();
    EXPECT_FALSE(sv_player_vulnerable(&p)); // 5 elapsed
    step();
    EXPECT_TRUE(sv_player_vulnerable(&p)); // 6 elapsed
    EXPECT_EQ(sv_player_hurt(&p, 10.0f), 10.0f);
}

TEST_F(Player, WoundsFollowTheStatusesAndDeathFreezesAllButTheLook)
{
    sv_apply bleed;
    std::memset(&bleed, 0, sizeof bleed);
    bleed.key = 1;
    bleed.modifies = SV_STAT_HEALTH_RATE;
    bleed.op = SV_OP_ADD;
    bleed.magnitude = -60.0f;
    bleed.duration = 0.0f;
    sv_afflict(&p.afflictions, &bleed);
    step();
    EXPECT_NEAR(p.damage_taken, 1.0f, 1e-5f);
    for (int i = 0; i < 200 && sv_player_alive(&p); ++i)
        step();
    EXPECT_FALSE(sv_player_alive(&p));
    sv_input i {};
    i.forward = 1.0f;
    i.yaw_delta = 0.5f;
    f32 x0 = p.x;
    step(i);
    EXPECT_EQ(p.x, x0);
    EXPECT_FLOAT_EQ(p.yaw, 0.5f);
    EXPECT_EQ(sv_player_hurt(&p, 5.0f), 0.0f);
}

// At the fastest dodge and the slowest tick the tunables allow, the body moves 5 m in a tick; it
// must still stop at the wall, never pass it.
TEST_F(Player, FastDodgesNeverPassThroughAWall)
{
    sv_tune_set_by_name("player.dodge_speed", 100);
    sv_tune_set_by_name("sim.tick_hz", 20);
    sv_tune_set_by_name("player.dodge_distance", 40);
    f32 radius = (f32)sv_tune(SV_TUNE_PLAYER_RADIUS);
    for (f32 yaw : {0.0f, 0.7f, 1.5707964f, 2.5f, 3.1415927f, -1.2f}) {
        sv_player_spawn(&p, &room);
        p.yaw = yaw;
        sv_input go {};
        go.forward = 1.0f;
        go.dodge = 1;
        step(go);
        for (int t = 0; t < 8; ++t) {
            EXPECT_LE(std::fabs(p.x), 6.0f - radius + 0.01f) << yaw;
            EXPECT_LE(std::fabs(p.z), 6.0f - radius + 0.01f) << yaw;
            step();
        }
    }
}

// Walking off a low top (0.3) within the radius of a high one's face (0.7): the feet drop to the
// floor, where that face holds the player off from well inside the radius. It was snapped out
// 0.18 m in one tick; it is eased out, never pushed farther in a tick than its walking step and
// SV_EASE_SPEED allow.
TEST_F(Player, SteppingOffBesideAHighFaceEasesOutInsteadOfSnapping)
{
    add_box(&room, 0.0f, -1.0f, 2.0f, 2.0f, 0.3f, 1);
    add_box(&room, 0.0f, 2.0f, 2.0f, 3.0f, 0.7f, 1);
    p.x = 0.3f;
    p.z = 1.8f;
    p.y = 0.3f;
    p.yaw = 3.1415927f; // along -x, off the low top's edge at x = 0
    sv_input walk {};
    walk.forward = 1.0f;
    const f32 dt = (f32)sv_sim_dt(), move = (f32)sv_tune(SV_TUNE_PLAYER_WALK_SPEED) * dt;
    for (int t = 0; t < 30; ++t) {
        f32 to_x = p.x - move, to_z = p.z;
        step(walk);
        EXPECT_LE(std::hypot(p.x - to_x, p.z - to_z), move + SV_EASE_SPEED * dt + 1e-5f)
            << "tick " << t;
    }
    EXPECT_EQ(p.y, 0.0f);
    EXPECT_GE(std::hypot(p.x, p.z - 2.0f), (f32)sv_tune(SV_TUNE_PLAYER_RADIUS) - 1e-4f);
}

TEST_F(Player, LookClampsThePitchAndWalkingFollowsTheYaw)
{
    sv_input look {};
    look.pitch_delta = 3.0f;
    step(look);
    EXPECT_FLOAT_EQ(p.pitch, 1.5533f);
    sv_input walk {};
    walk.yaw_delta = 1.5707964f;
    walk.forward = 1.0f;
    step(walk);
    EXPECT_NEAR(p.z, 4.0f / 60.0f, 1e-5f);
    EXPECT_NEAR(p.x, 0.0f, 1e-5f);
    EXPECT_NEAR(p.move_z, 1.0f, 1e-5f);
}

TEST_F(Player, ADoorWalkEasesAlongItsWaypointsToTheDoorAndOut)
{
    sv_geom g = square_place(6.0f);
    opening_on_wall(&g, 0, 1, 2.0f, 2.5f); // the +x wall: centre (6, 0), facing -x
    g.opening_count = 1;
    sv_player_spawn(&p, &g);
    EXPECT_NEAR(p.yaw, 0.0f, 1e-6f); // facing door 0
    p.walk_door = 0;
    p.walk_total = p.walk_left = 30;
    p.walk_path_x[0] = 3.0f;
    p.walk_path_z[0] = 2.0f;
    p.path_count = 1;
    p.path_index = 0;
    f32 leg = std::sqrt(3.0f * 3.0f + 2.0f * 2.0f) * 2.0f;
    p.walk_length = leg + 1.0f;
    f32 nearest = 100.0f;
    sv_input ignored {};
    ignored.forward = -1.0f; // no input moves a walked player
    for (int t = 0; t < 30; ++t) {
        sv_player_step(&p, &g, &ignored);
        f32 dx = p.x - 3.0f, dz = p.z - 2.0f;
        nearest = std::fmin(nearest, std::sqrt(dx * dx + dz * dz));
    }
    EXPECT_EQ(p.walk_left, 0u);
    EXPECT_EQ(p.path_index, 1);
    EXPECT_LT(nearest, 0.2f);
    // The distance to the door centre in the tick that reaches it is not counted as done.
    EXPECT_GT(p.walk_done, p.walk_length - 0.5f);
    EXPECT_LE(p.walk_done, p.walk_length + 1e-3f);
    EXPECT_NEAR(p.x, 6.0f - 0.01f, 1e-3f); // held by the door plane, ready to cross
    EXPECT_NEAR(p.z, 0.0f, 1e-3f);
    EXPECT_NEAR(p.move_x, 1.0f, 1e-5f); // out through the door

    // A walk to a door the place does not have ends at once, without moving the player.
    p.walk_door = 3;
    p.walk_total = p.walk_left = 10;
    f32 x0 = p.x, z0 = p.z;
    sv_player_step(&p, &g, &ignored);
    EXPECT_EQ(p.walk_left, 0u);
    EXPECT_EQ(p.x, x0);
    EXPECT_EQ(p.z, z0);
}

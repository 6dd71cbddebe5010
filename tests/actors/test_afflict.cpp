// Statuses: stacking, caps, durations, removal and the stats they fold into.
#include <gtest/gtest.h>

#include <cstring>

#include "actors/afflict.h"
#include "core/tune.h"

namespace {

sv_apply status(u32 key, u8 stat, u8 op, f32 magnitude, f32 duration, u8 stacks = 0, u32 cap = 0)
{
    sv_apply a;
    std::memset(&a, 0, sizeof a);
    a.key = key;
    std::snprintf(a.label, sizeof a.label, "status %u", key);
    a.modifies = stat;
    a.op = op;
    a.magnitude = magnitude;
    a.duration = duration;
    a.stacks = stacks;
    a.stack_cap = cap;
    return a;
}

struct Afflictions : ::testing::Test {
    sv_afflictions list {};
    void SetUp() override { sv_tune_reset_defaults(); }
    void TearDown() override { sv_tune_reset_defaults(); }
};

} // namespace

TEST_F(Afflictions, NinthStatusIsRefusedButHeldOnesStillReapply)
{
    for (u32 k = 1; k <= 8; ++k) {
        sv_apply a = status(k, SV_STAT_WALK_SPEED, SV_OP_ADD, 1, 1);
        EXPECT_EQ(sv_afflict(&list, &a), 1);
    }
    sv_apply ninth = status(9, SV_STAT_WALK_SPEED, SV_OP_ADD, 1, 1);
    EXPECT_EQ(sv_afflict(&list, &ninth), 0);
    EXPECT_EQ(list.count, 8);
    sv_apply again = status(4, SV_STAT_WALK_SPEED, SV_OP_ADD, 5, 1);
    EXPECT_EQ(sv_afflict(&list, &again), 1);
    EXPECT_EQ(sv_afflictions_find(&list, 4)->status.magnitude, 5.0f);
    EXPECT_EQ(sv_afflict(nullptr, &again), 0);
}

TEST_F(Afflictions, StacksGrowToTheCapOrWithoutOne)
{
    sv_apply capped = status(1, SV_STAT_DAMAGE_TAKEN, SV_OP_ADD, 1, 2, 1, 3);
    sv_apply open = status(2, SV_STAT_DAMAGE_TAKEN, SV_OP_ADD, 1, 2, 1, 0);
    for (int i = 0; i < 5; ++i) {
        sv_afflict(&list, &capped);
        sv_afflict(&list, &open);
    }
    EXPECT_EQ(sv_afflictions_find(&list, 1)->stacks, 3u);
    EXPECT_EQ(sv_afflictions_find(&list, 2)->stacks, 5u);
}

TEST_F(Afflictions, ReapplyingANonStackingStatusRestartsItsTimerOnly)
{
    sv_apply a = status(7, SV_STAT_WALK_SPEED, SV_OP_MULTIPLY, 0.5f, 1.0f);
    sv_afflict(&list, &a);
    EXPECT_EQ(list.items[0].ticks_left, 60u);
    for (int i = 0; i < 10; ++i)
        sv_afflictions_tick(&list);
    EXPECT_EQ(list.items[0].ticks_left, 50u);
    sv_afflict(&list, &a);
    EXPECT_EQ(list.items[0].stacks, 1u);
    EXPECT_EQ(list.items[0].ticks_left, 60u);
}

TEST_F(Afflictions, AStatusOfNTicksStaysNPlusOneTicks)
{
    sv_tune_set_by_name("sim.tick_hz", 20);
    sv_apply a = status(3, SV_STAT_WALK_SPEED, SV_OP_ADD, 1, 0.25f); // 5 ticks
    sv_afflict(&list, &a);
    for (int i = 0; i < 5; ++i) {
        sv_afflictions_tick(&list);
        EXPECT_EQ(list.count, 1);
    }
    sv_afflictions_tick(&list);
    EXPECT_EQ(list.count, 0);
}

TEST_F(Afflictions, ADurationNotAboveZeroIsPermanentAndShowsNoTime)
{
    sv_apply zero = status(1, SV_STAT_HEALTH_RATE, SV_OP_ADD, 1, 0.0f, 1);
    sv_apply negative = status(2, SV_STAT_HEALTH_RATE, SV_OP_ADD, 1, -3.0f);
    sv_apply timed = status(3, SV_STAT_HEALTH_RATE, SV_OP_ADD, 1, 0.5f);
    sv_afflict(&list, &zero);
    sv_afflict(&list, &negative);
    sv_afflict(&list, &timed);
    for (int i = 0; i < 1000; ++i)
        sv_afflictions_tick(&list);
    ASSERT_EQ(list.count, 2);
    EXPECT_TRUE(list.items[0].permanent && list.items[1].permanent);

    sv_afflict(&list, &timed);
    sv_indicator rows[8];
    ASSERT_EQ(sv_afflictions_indicators(&list, rows, 8), 3);
    EXPECT_STREQ(rows[0].name, "status 1");
    EXPECT_EQ(rows[0].seconds_left, 0.0f);
    EXPECT_EQ(rows[0].permanent, 1);
    EXPECT_EQ(rows[0].stacks, 1u); // it stacks
    EXPECT_EQ(rows[1].stacks, 0u); // it does not
    EXPECT_NEAR(rows[2].seconds_left, 0.5f, 1e-6f);
    EXPECT_EQ(sv_afflictions_indicators(&list, rows, 2), 2);
    EXPECT_EQ(sv_afflictions_indicators(&list, rows, 0), 0);
    EXPECT_EQ(sv_afflictions_indicators(nullptr, rows, 8), 0);
}

TEST_F(Afflictions, MultipliesThenAdds)
{
    sv_apply a = status(1, SV_STAT_DAMAGE_TAKEN, SV_OP_MULTIPLY, 1.5f, 1);
    sv_apply b = status(2, SV_STAT_DAMAGE_TAKEN, SV_OP_MULTIPLY, 2.0f, 1);
    sv_apply c = status(3, SV_STAT_DAMAGE_TAKEN, SV_OP_ADD, 2.0f, 1, 1);
    sv_apply other = status(4, SV_STAT_WALK_SPEED, SV_OP_MULTIPLY, 9.0f, 1);
    EXPECT_EQ(sv_modified(&list, SV_STAT_DAMAGE_TAKEN, 10.0f), 10.0f);
    sv_afflict(&list, &a);
    sv_afflict(&list, &b);
    sv_afflict(&list, &other);
    EXPECT_FLOAT_EQ(sv_modified(&list, SV_STAT_DAMAGE_TAKEN, 10.0f), 30.0f);
    sv_afflict(&list, &c);
    sv_afflict(&list, &c);
    EXPECT_FLOAT_EQ(sv_modified(&list, SV_STAT_DAMAGE_TAKEN, 10.0f), 34.0f);
    EXPECT_EQ(sv_modified(nullptr, SV_STAT_DAMAGE_TAKEN, 10.0f), 10.0f);
}

// Stacked slows or shields never turn a factor negative: no walking backwards, no wound that
// heals.
TEST_F(Afflictions, StackedMultipliesNeverReverseAStat)
{
    sv_apply slow = status(1, SV_STAT_WALK_SPEED, SV_OP_MULTIPLY, 0.7f, 1, 1);
    sv_apply shield = status(2, SV_STAT_DAMAGE_TAKEN, SV_OP_MULTIPLY, 0.5f, 1, 1);
    for (int i = 0; i < 4; ++i) {
        sv_afflict(&list, &slow);   // (0.7 - 1) x 4 + 1 = -0.2 unclamped
        sv_afflict(&list, &shield); // (0.5 - 1) x 4 + 1 = -1 unclamped
    }
    EXPECT_EQ(sv_modified(&list, SV_STAT_WALK_SPEED, 4.0f), 0.0f);
    EXPECT_EQ(sv_modified(&list, SV_STAT_DAMAGE_TAKEN, 10.0f), 0.0f);
    // Two stacks are still an ordinary slow.
    sv_afflictions_clear(&list);
    sv_afflict(&list, &slow);
    sv_afflict(&list, &slow);
    EXPECT_FLOAT_EQ(sv_modified(&list, SV_STAT_WALK_SPEED, 4.0f), 1.6f);
}

TEST_F(Afflictions, RemovingTheMiddleKeepsTheOrder)
{
    for (u32 k = 1; k <= 3; ++k) {
        sv_apply a = status(k, SV_STAT_WALK_SPEED, SV_OP_ADD, 1, 1);
        sv_afflict(&list, &a);
    }
    EXPECT_EQ(sv_afflictions_remove(&list, 2), 1);
    ASSERT_EQ(list.count, 2);
    EXPECT_EQ(list.items[0].status.key, 1u);
    EXPECT_EQ(list.items[1].status.key, 3u);
    EXPECT_EQ(sv_afflictions_remove(&list, 2), 0);
    EXPECT_EQ(sv_afflictions_remove(nullptr, 1), 0);
    EXPECT_EQ(sv_afflictions_find(&list, 2), nullptr);
}

// The weapon in hand through its phases, and the run record: debug once, reveals that only grow.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "console/cmd.h"
#include "core/log.h"
#include "game/draw_util.h"
#include "game/hand.h"
#include "game/run.h"
#include "world/body.h"

namespace {

sv_weapon weapon(u8 kind, f32 windup, f32 active, f32 recovery)
{
    sv_weapon w;
    std::memset(&w, 0, sizeof w);
    w.primary.kind = kind;
    w.primary.windup = windup;
    w.primary.active = active;
    w.primary.recovery = recovery;
    w.primary.stamina = -1;
    w.secondary = w.primary;
    if (kind == SV_ATTACK_RANGED)
        w.secondary.kind = SV_ATTACK_SECONDARY;
    return w;
}

struct hand : ::testing::Test {
    sv_walker walker;
    Camera3D cam = {{1, 2, 3}, {2, 2, 3}, {0, 1, 0}, 70.0f, CAMERA_PERSPECTIVE};
    void SetUp() override
    {
        sv_test_reset_all();
        std::memset(&walker, 0, sizeof walker);
        walker.player.yaw = 0.4f;
        walker.player.pitch = -0.2f;
    }
    void TearDown() override { sv_test_reset_all(); }
    Vector3 tip_at(u8 phase, u32 ticks)
    {
        walker.player.phase = phase;
        walker.player.phase_ticks = ticks;
        return hand_pose(nullptr, &walker, &cam, 0);
    }
};

f32 gap(Vector3 a, Vector3 b)
{
    return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y)
                     + (a.z - b.z) * (a.z - b.z));
}

} // namespace

TEST_F(hand, UnarmedDrawsNothingAndTheTipIsTheEye)
{
    draw_capture cap;
    Vector3 tip = {9, 9, 9};
    Vector3 r = hand_pose(&tip, &walker, &cam, 1);
    EXPECT_EQ(cap.rec.count, 0u);
    EXPECT_EQ(tip.x, 1.0f);
    EXPECT_EQ(r.z, 3.0f);
}

TEST_F(hand, PhasesJoinAndEndAtRest)
{
    for (u8 kind : {(u8)SV_ATTACK_MELEE, (u8)SV_ATTACK_RANGED}) {
        sv_weapon w = weapon(kind, 0.5f, 0.25f, 0.5f);
        sv_player_arm(&walker.player, 0, &w);
        const u32 wt = sv_sim_ticks(0.5f), at = sv_sim_ticks(0.25f), rt = sv_sim_ticks(0.5f);
        Vector3 idle = tip_at(SV_PHASE_IDLE, 0);
        EXPECT_LT(gap(idle, tip_at(SV_PHASE_WINDUP, wt)), 1e-5f) << (int)kind;
        EXPECT_LT(gap(tip_at(SV_PHASE_WINDUP, 0), tip_at(SV_PHASE_ACTIVE, at)), 1e-5f);
        EXPECT_LT(gap(tip_at(SV_PHASE_ACTIVE, 0), tip_at(SV_PHASE_RECOVERY, rt)), 1e-5f);
        EXPECT_LT(gap(tip_at(SV_PHASE_RECOVERY, 0), idle), 1e-5f);
        // The weapon moves during its phases.
        EXPECT_GT(gap(tip_at(SV_PHASE_ACTIVE, at / 2), idle), 0.01f);
    }
}

TEST_F(hand, DrawnByPhaseAndRigidWhateverThePitch)
{
    sv_weapon w = weapon(SV_ATTACK_MELEE, 0.5f, 0.25f, 0.5f);
    sv_player_arm(&walker.player, 0, &w);
    draw_capture cap;
    walker.player.phase = SV_PHASE_WINDUP;
    walker.player.phase_ticks = 3;
    Vector3 tip;
    Vector3 r = hand_pose(&tip, &walker, &cam, 1);
    EXPECT_EQ(gap(r, tip), 0.0f);
    EXPECT_EQ(cap.rec.tris, 16u);
    EXPECT_EQ(cap.rec.lines, 24u);
    EXPECT_EQ(cap.rec.flushes, 1u);
    EXPECT_EQ(cap.count(SV_DRAW_LINE, Color {255, 200, 60, 255}), 24u);
    EXPECT_EQ(cap.count(SV_DRAW_TRI, Color {225, 210, 180, 60}), 16u);
    // Straight up or down the weapon keeps its shape: its edges keep their lengths.
    sv_weapon_body body;
    weapon_body_of(&body, 0);
    for (f32 pitch : {1.5533f, -1.5533f, 0.0f}) {
        walker.player.pitch = pitch;
        cap.clear();
        hand_pose(nullptr, &walker, &cam, 1);
        for (u32 i = 0; i < 8; ++i) {
            const u32* k = body.triangles[i];
            const sv_draw_prim& p = cap.at(5 * i); // two triangles, then three edges
            const f32* a = body.vertices[k[0]];
            const f32* b = body.vertices[k[1]];
            f32 len = std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1])
                                + (a[2] - b[2]) * (a[2] - b[2]));
            EXPECT_NEAR(gap(p.p[0], p.p[1]), len, 1e-5f) << pitch;
        }
    }
}

TEST_F(hand, ZeroSecondPhasesAndAnEmptySecondary)
{
    sv_weapon w = weapon(SV_ATTACK_MELEE, 0.0f, 0.25f, 0.5f);
    sv_player_arm(&walker.player, 0, &w);
    walker.player.phase = SV_PHASE_WINDUP;
    walker.player.phase_ticks = 0;
    EXPECT_EQ(hand_progress(&walker.player, hand_attack(&walker.player)), 0.0f);

    // A melee weapon whose secondary is empty shows the primary's timings and shape.
    sv_weapon melee = weapon(SV_ATTACK_MELEE, 0.5f, 0.25f, 1.0f);
    std::memset(&melee.secondary, 0, sizeof melee.secondary);
    sv_player_arm(&walker.player, 0, &melee);
    walker.player.attack = 1;
    EXPECT_EQ(hand_attack(&walker.player)->kind, SV_ATTACK_MELEE);
    Vector3 second = tip_at(SV_PHASE_RECOVERY, sv_sim_ticks(1.0f) / 2);
    walker.player.attack = 0;
    Vector3 first = tip_at(SV_PHASE_RECOVERY, sv_sim_ticks(1.0f) / 2);
    EXPECT_LT(gap(first, second), 1e-6f);
    EXPECT_NEAR(hand_progress(&walker.player, hand_attack(&walker.player)), 0.5f, 0.02f);
}

TEST(run, DebugOnceRevealsGrowAndStartClears)
{
    sv_test_reset_all();
    sv_log_set_stderr(0);
    FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    sv_log_open_file(file);
    sv_run run;
    std::memset(&run, 0xab, sizeof run);
    sv_run_start(&run, 4471, 0);
    EXPECT_EQ(sv_run_debug(&run), 0);
    EXPECT_EQ(sv_run_seeded(&run), 0);
    EXPECT_EQ(run.revealed, 0u);
    EXPECT_EQ(sv_cmd_enabled(), 0);
    sv_run_enable_debug(&run);
    sv_run_enable_debug(&run);
    EXPECT_EQ(sv_run_debug(&run), 1);
    EXPECT_EQ(sv_cmd_enabled(), 1);
    sv_log_close();
    std::rewind(file);
    std::string text;
    char buf[1024];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, file)) > 0)
        text.append(buf, n);
    std::fclose(file);
    const std::string line = "debug mode enabled for this run (seed 4471): it stays on until the "
                             "run ends, and the run counts toward nothing";
    size_t at = text.find(line);
    ASSERT_NE(at, std::string::npos) << text;
    EXPECT_EQ(text.find(line, at + 1), std::string::npos);

    sv_player p;
    std::memset(&p, 0, sizeof p);
    sv_run_observe(&run, &p, 0);
    EXPECT_EQ(run.revealed, 0u);
    p.shards = 1;
    p.damage_taken = 3;
    p.stamina_spent = 1;
    sv_run_observe(&run, &p, 1);
    EXPECT_EQ(run.revealed,
              (u32)(SV_REVEAL_SHARDS | SV_REVEAL_HURT | SV_REVEAL_STAMINA | SV_REVEAL_DEEPER));
    std::memset(&p, 0, sizeof p);
    p.grit = 2;
    sv_run_observe(&run, &p, 0);
    EXPECT_EQ(sv_run_revealed(&run, SV_REVEAL_SHARDS), 1);
    EXPECT_EQ(sv_run_revealed(&run, SV_REVEAL_GRIT), 1);
    EXPECT_EQ(sv_run_revealed(&run, SV_REVEAL_PRISM | SV_REVEAL_ARMED), 0);
    sv_run_reveal(&run, SV_REVEAL_PRISM);
    EXPECT_EQ(sv_run_revealed(&run, SV_REVEAL_PRISM), 1);

    sv_run_start(&run, 9, 1);
    EXPECT_EQ(sv_run_debug(&run), 0);
    EXPECT_EQ(sv_run_seeded(&run), 1);
    EXPECT_EQ(run.revealed, 0u);
    EXPECT_EQ(sv_cmd_enabled(), 0);
    EXPECT_EQ(sv_run_debug(nullptr), 0);
    sv_run_observe(nullptr, &p, 1);
    sv_test_reset_all();
}

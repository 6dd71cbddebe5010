// The play half of the front end on real floors of the base pack: loading floors through gen,
// a descent past the last floor, arming by the schedule, new seeds, adopting a console gen, and
// frames of the real walker through the scheduler.
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <string>

#include "actors/walker.h"
#include "console/cmd.h"
#include "core/boot.h"
#include "core/rng.h"
#include "core/tune.h"
#include "front_util.h"
#include "game/cmd_gen.h"
#include "game/front_play.h"
#include "support/reset.h"
#include "world/body.h"
#include "world/geom.h"

namespace {

struct FrontPlay : ::testing::Test {
    static inline sv_walker walker;
    sv_frame f;
    sv_run run;
    void SetUp() override
    {
        sv_test_reset_all();
        sv_log_set_stderr(0);
        ASSERT_EQ(sv_pack_boot(SV_BINARY_DIR "/packs/base"), 1);
        sv_cmd_register_builtins();
        sv_gen_register_commands();
        std::memset(&walker, 0, sizeof walker);
        std::memset(&run, 0, sizeof run);
        std::memset(g_weapon_name, 0, sizeof g_weapon_name);
        sv_frame_init(&f);
    }
    void TearDown() override { sv_test_reset_all(); }
};

TEST_F(FrontPlay, LoadFloorStartsTheWalkerAndRemembersTheSerial)
{
    sv_floor* floor = load_floor(&walker, 4471, 1, &f.serial_seen);
    ASSERT_NE(floor, nullptr);
    EXPECT_EQ(floor, sv_gen_current());
    EXPECT_EQ(f.serial_seen, sv_gen_serial());
    EXPECT_EQ(walker.place, 0);
    EXPECT_EQ(floor->floor_number, 1);
    EXPECT_EQ(floor->seed, 4471u);
    EXPECT_TRUE(sv_floor_visited(floor, 0));
}

TEST_F(FrontPlay, ADescentPastTheLastFloorKeepsTheFloorHeld)
{
    sv_floor* floor = load_floor(&walker, 7, 65534, &f.serial_seen);
    ASSERT_NE(floor, nullptr);
    u64 serial = f.serial_seen;
    walker.player.x = 1.25f;
    sv_floor* next = load_floor(&walker, 7, (u16)(65534 + 1), &f.serial_seen);
    EXPECT_EQ(next, nullptr) << "gen refuses floor 65535, so no new floor came";
    EXPECT_EQ(sv_gen_current(), floor) << "the floor still held is played on";
    EXPECT_EQ(f.serial_seen, serial);
    EXPECT_EQ(walker.player.x, 1.25f) << "the walker was not restarted";
}

TEST_F(FrontPlay, WeaponNamesAndARunStartingOnFloorOneIsUnarmed)
{
    sv_front_name_weapons();
    EXPECT_NE(g_weapon_name[0][0], '\0');
    EXPECT_NE(g_weapon_name[1][0], '\0');
    ASSERT_NE(load_floor(&walker, 4471, 1, nullptr), nullptr);
    for (const char* value : {"0", "1", "100"}) {
        std::string set = std::string("set weapon.melee_floor ") + value;
        sv_cmd_dispatch(set.c_str());
        set = std::string("set weapon.ranged_floor ") + value;
        sv_cmd_dispatch(set.c_str());
        walker.player.grit = 9;
        walker.player.slot = 1;
        arm_by_schedule(&walker.player);
        EXPECT_FALSE(sv_player_armed(&walker.player)) << value;
        EXPECT_EQ(walker.player.slot, 0);
        EXPECT_EQ(walker.player.grit, 0u);
        walker.player.slot = 1;
        EXPECT_FALSE(sv_player_armed(&walker.player)) << "both slots emptied";
    }
}

TEST_F(FrontPlay, NewSeedStartsFloorOneRevivedWithNoShardsAndKeepsTheDebugOption)
{
    ASSERT_NE(load_floor(&walker, 4471, 3, &f.serial_seen), nullptr);
    f.floor_number = 3;
    f.debug_option = 1;
    f.run_over = f.paused = 1;
    f.run_clock = 500;
    f.console_open = 1;
    walker.player.shards = 3;
    walker.player.damage_taken = 1000;
    sv_run_start(&run, 4471, 0);
    sv_floor* floor = sv_front_new_seed(&f, &walker, &run, 123456);
    ASSERT_NE(floor, nullptr);
    EXPECT_NE(f.seed, 4471u);
    EXPECT_EQ(f.seed, sv_mix64(123456ull ^ 4471ull));
    EXPECT_EQ(floor->floor_number, 1);
    EXPECT_EQ(floor->seed, f.seed);
    EXPECT_EQ(f.floor_number, 1);
    EXPECT_EQ(walker.player.shards, 0u);
    EXPECT_TRUE(sv_player_alive(&walker.player));
    EXPECT_EQ(sv_player_health(&walker.player), (f32)sv_tune(SV_TUNE_PLAYER_MAX_HP));
    EXPECT_EQ(f.run_over + f.paused + f.console_open, 0);
    EXPECT_EQ(f.run_clock, 0u);
    EXPECT_EQ(sv_run_debug(&run), 1) << "--debug carries over to the new run";
    EXPECT_EQ(f.serial_seen, sv_gen_serial());

    f.debug_option = 0;
    sv_run_enable_debug(&run); // chosen from the menu: does not carry over
    sv_front_new_seed(&f, &walker, &run, 99);
    EXPECT_EQ(sv_run_debug(&run), 0);
}

TEST_F(FrontPlay, AConsoleGenIsAdoptedOnceAndOpeningTheConsoleAloneAdoptsNothing)
{
    ASSERT_NE(load_floor(&walker, 4471, 1, &f.serial_seen), nullptr);
    EXPECT_EQ(sv_front_adopt(&f, &walker), nullptr) << "no gen ran: no teleport";
    sv_frame_reset_run(&f);
    EXPECT_EQ(sv_front_adopt(&f, &walker), nullptr) << "a run's reset keeps the serial";
    sv_cmd_dispatch("gen 77 4");
    sv_floor* floor = sv_front_adopt(&f, &walker);
    ASSERT_NE(floor, nullptr);
    EXPECT_EQ(f.seed, 77u);
    EXPECT_EQ(f.floor_number, 4);
    EXPECT_EQ(walker.place, 0);
    EXPECT_EQ(sv_front_adopt(&f, &walker), nullptr);
}

TEST_F(FrontPlay, FramesOfTheRealWalkerRunThroughTheScheduler)
{
    sv_floor* floor = load_floor(&walker, 4471, 1, &f.serial_seen);
    ASSERT_NE(floor, nullptr);
    sv_run_start(&run, 4471, 0);
    sv_play_ctx ctx {floor, &run};
    sv_sim_hooks hooks = sv_front_play_hooks(&ctx);
    sv_frame_keys keys;
    std::memset(&keys, 0, sizeof keys);
    keys.forward = 1;
    keys.sprint = 1;
    f32 x0 = walker.player.x, z0 = walker.player.z;
    u32 ticks = 0;
    for (int i = 0; i < 30; ++i) {
        f.frame++;
        ticks += sv_frame_simulate(&f, &walker, &keys, 1.0 / 60.0, sv_sim_dt(), &hooks).ticks;
    }
    EXPECT_GE(ticks, 29u);
    EXPECT_EQ(f.run_clock, ticks);
    EXPECT_NE(walker.player.x * walker.player.x + walker.player.z * walker.player.z,
              x0 * x0 + z0 * z0)
        << "the player walked";
    EXPECT_TRUE(sv_run_revealed(&run, SV_REVEAL_STAMINA)) << "sprinting spent stamina";
}

TEST_F(FrontPlay, PromptAndHudFactsOfASpawnedPlayer)
{
    sv_floor* floor = load_floor(&walker, 4471, 1, &f.serial_seen);
    ASSERT_NE(floor, nullptr);
    sv_prompt_facts p;
    sv_front_prompt_facts(&f, &walker, floor, &p);
    EXPECT_EQ(p.lock_mob, SV_NONE16);
    EXPECT_EQ(p.sealed, 0);
    sv_hud_facts h;
    sv_run_start(&run, 4471, 0);
    sv_front_hud_facts(&run, &walker.player, &h);
    EXPECT_EQ(h.revealed, 0u);
    EXPECT_EQ(h.alive, 1);
    EXPECT_EQ(h.health, h.max_hp);
}

// Stands the player a little inside the exit door of floor 1 with a Prism and presses E: the fog
// walk carries it through, the frame reports the descent, and the next floor loads.
TEST_F(FrontPlay, AFogWalkThroughTheExitDescendsToTheNextFloor)
{
    sv_floor* floor = load_floor(&walker, 4471, 1, &f.serial_seen);
    ASSERT_NE(floor, nullptr);
    ASSERT_TRUE(stand_before_exit(&walker, floor));
    sv_run_start(&run, 4471, 0);
    sv_play_ctx ctx {floor, &run};
    sv_sim_hooks hooks = sv_front_play_hooks(&ctx);
    sv_frame_keys keys;
    std::memset(&keys, 0, sizeof keys);
    keys.use = 1;
    sv_sim_result r;
    std::memset(&r, 0, sizeof r);
    for (int i = 0; i < 600 && !r.descended; ++i) {
        f.frame++;
        r = sv_frame_simulate(&f, &walker, &keys, 1.0 / 60.0, sv_sim_dt(), &hooks);
        keys.use = 0;
    }
    ASSERT_EQ(r.descended, 1) << "the walk never went through the exit";
    EXPECT_EQ(f.floor_number, 2);
    EXPECT_EQ(walker.player.prisms, 0u) << "the locked exit took the Prism";
    sv_floor* next = load_floor(&walker, f.seed, f.floor_number, &f.serial_seen);
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(next->floor_number, 2);
    EXPECT_EQ(walker.place, 0);
}

// The event banner through real frames: the spawn fountain of floor 2 of seed 1 used on frame
// 40 replaces the prompt with its text on that frame and the 89 after it, then the prompt is
// back; used again on frame 300, the banner shows again from there.
TEST_F(FrontPlay, AnEventsTextReplacesThePromptForNinetyFramesFromItsOwn)
{
    sv_floor* floor = load_floor(&walker, 1, 2, &f.serial_seen);
    ASSERT_NE(floor, nullptr);
    ASSERT_TRUE(sv_floor_room_has(floor, 0, SV_TAG_FOUNTAIN));
    Vector3 spot = sv_geom_prop_spot(&walker.geom, SV_PROP_CENTRE);
    walker.player.x = spot.x + 0.9f;
    walker.player.z = spot.z;
    sv_run_start(&run, 1, 0);
    sv_play_ctx ctx {floor, &run};
    sv_sim_hooks hooks = sv_front_play_hooks(&ctx);
    sv_frame_keys keys;
    std::memset(&keys, 0, sizeof keys);
    auto prompt = [&] { return prompt_of(&f, &walker, floor); };
    f.frame = 39;
    f.event_frame = 0; // no event yet
    sv_frame_simulate(&f, &walker, &keys, 1.0 / 60.0, sv_sim_dt(), &hooks);
    ASSERT_EQ(prompt(), "[E] fountain");
    keys.use = 1;
    for (u32 frame = 40; frame <= 131; ++frame) {
        f.frame = frame;
        sv_frame_simulate(&f, &walker, &keys, 1.0 / 60.0, sv_sim_dt(), &hooks);
        keys.use = 0;
        EXPECT_EQ(prompt(), frame < 130 ? "the fountain" : "[E] fountain") << frame;
    }
    // A later event takes the banner again from its own frame.
    keys.use = 1;
    for (u32 frame = 300; frame <= 391; ++frame) {
        f.frame = frame;
        sv_frame_simulate(&f, &walker, &keys, 1.0 / 60.0, sv_sim_dt(), &hooks);
        keys.use = 0;
        EXPECT_EQ(prompt(), frame < 390 ? "the fountain" : "[E] fountain") << frame;
    }
}

} // namespace

// The window front end's plain seams: options, the pack path, the loop state, the console and
// pause keys, and the fixed-step scheduler driven by a fake tick.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>
#include <string>

#include "game/front.h"
#include "support/capture.h"
#include "support/reset.h"

namespace {

sv_options parse(std::initializer_list<const char*> args, std::string* err = nullptr)
{
    std::vector<const char*> argv {"strenvik"};
    argv.insert(argv.end(), args.begin(), args.end());
    sv_options o;
    std::string sink;
    sv_front_options((int)argv.size(), argv.data(), &o, sv_test_capture(err ? err : &sink));
    return o;
}

TEST(FrontOptions, LastOfDebugAndPlainWinsAndPackTakesItsArgument)
{
    EXPECT_EQ(parse({"--debug", "--plain"}).debug, 0);
    EXPECT_EQ(parse({"--plain", "--debug"}).debug, 1);
    sv_options o = parse({"--pack", "/x/y", "junk", "--pack", "z.zip"});
    ASSERT_NE(o.pack, nullptr);
    EXPECT_STREQ(o.pack, "z.zip");
    // "--pack" as the last argument is ignored, with a word; the path before it stays.
    std::string err;
    o = parse({"--pack", "a", "--pack"}, &err);
    EXPECT_STREQ(o.pack, "a");
    EXPECT_EQ(err, "--pack needs a path; it is ignored\n");
    // The word after "--pack" is a path, even when it looks like an option.
    o = parse({"--pack", "--debug"});
    EXPECT_STREQ(o.pack, "--debug");
    EXPECT_EQ(o.debug, 0);
}

TEST(FrontOptions, FloorPrintsItsNoticeAndSkipsItsValue)
{
    std::string err;
    sv_options o = parse({"--floor", "--debug", "--floor", "7"}, &err);
    EXPECT_EQ(o.debug, 0) << "the value after --floor is skipped";
    EXPECT_EQ(err,
              "--floor is the debug build's; a release run starts on floor 1\n"
              "--floor is the debug build's; a release run starts on floor 1\n");
    err.clear();
    o = parse({"--debug", "--floor"}, &err);
    EXPECT_EQ(o.debug, 1);
    EXPECT_EQ(err, "") << "a trailing --floor ends the scan silently";
}

bool exists_yes(const char*)
{
    return true;
}
bool exists_no(const char*)
{
    return false;
}

TEST(FrontPackPath, OptionThenBesideTheProgramThenTheWorkingDirectory)
{
    char out[SV_PACK_PATH_MAX];
    sv_front_pack_path("mine", "/opt/game/", exists_yes, out, sizeof out);
    EXPECT_STREQ(out, "mine");
    sv_front_pack_path(nullptr, "/opt/game/", exists_yes, out, sizeof out);
    EXPECT_STREQ(out, "/opt/game/packs/base");
    sv_front_pack_path(nullptr, "/opt/game/", exists_no, out, sizeof out);
    EXPECT_STREQ(out, "packs/base");
    sv_front_pack_path(nullptr, "", exists_yes, out, sizeof out);
    EXPECT_STREQ(out, "packs/base");
    // A directory name too long for the buffer is never cut into another path.
    std::string longdir(1100, 'd');
    sv_front_pack_path(nullptr, longdir.c_str(), exists_yes, out, sizeof out);
    EXPECT_STREQ(out, "packs/base");
}

TEST(FrontWindow, AspectOfAZeroHeightWindowAndFontSizesPastTheCache)
{
    EXPECT_FLOAT_EQ(sv_front_aspect(1280, 720), 1280.0f / 720.0f);
    for (auto [w, h] : {std::pair {1280, 0}, {0, 0}, {0, 720}, {-5, 3}}) {
        f32 a = sv_front_aspect(w, h);
        EXPECT_TRUE(std::isfinite(a) && a > 0.0f) << w << "x" << h;
    }
    EXPECT_TRUE(sv_front_font_cached(1));
    EXPECT_TRUE(sv_front_font_cached(96));
    EXPECT_TRUE(sv_front_font_cached(127));
    EXPECT_FALSE(sv_front_font_cached(128));
    EXPECT_FALSE(sv_front_font_cached(0));
    EXPECT_FALSE(sv_front_font_cached(-4));
}

TEST(FrontFrame, ResetRunKeepsPackStateSerialAndDebugOption)
{
    sv_frame f;
    sv_frame_init(&f);
    EXPECT_EQ(f.seed, 4471u);
    EXPECT_EQ(f.floor_number, 1);
    f.mounts_at_start = 1;
    f.serial_seen = 9;
    f.debug_option = 1;
    f.paused = f.run_over = f.console_open = f.latch_use = 1;
    f.accumulator = 0.5;
    f.run_clock = 77;
    sv_frame_reset_run(&f);
    EXPECT_EQ(f.mounts_at_start, 1u) << "a reset must not fake a missing pack";
    EXPECT_EQ(f.serial_seen, 9u) << "a reset must not make the console's first open adopt a floor";
    EXPECT_EQ(f.debug_option, 1);
    EXPECT_EQ(f.paused + f.run_over + f.console_open + f.latch_use, 0);
    EXPECT_EQ(f.accumulator, 0.0);
    EXPECT_EQ(f.run_clock, 0u);
}

TEST(FrontControl, EscapeClosesTheConsoleOnlyAndDoesNothingOnceTheRunIsOver)
{
    sv_frame f;
    sv_frame_init(&f);
    EXPECT_EQ(sv_frame_control(&f, 1, 0, 0), 0u) << "grave does nothing in a plain run";
    EXPECT_EQ(f.console_open, 0);
    EXPECT_EQ(sv_frame_control(&f, 1, 0, 1), (u32)SV_FX_RELEASE_CURSOR);
    EXPECT_EQ(f.console_open, 1);
    f.accumulator = 0.3;
    EXPECT_EQ(sv_frame_control(&f, 0, 1, 1), (u32)SV_FX_CAPTURE_CURSOR);
    EXPECT_EQ(f.console_open, 0);
    EXPECT_EQ(f.paused, 0) << "escape in the console does not pause";
    EXPECT_EQ(f.accumulator, 0.0);

    f.choice = 3;
    EXPECT_EQ(sv_frame_control(&f, 0, 1, 1), (u32)SV_FX_RELEASE_CURSOR);
    EXPECT_EQ(f.paused, 1);
    EXPECT_EQ(f.choice, 0);
    EXPECT_EQ(sv_frame_control(&f, 1, 0, 1), 0u) << "no console while paused";
    EXPECT_EQ(sv_frame_control(&f, 0, 1, 1), (u32)SV_FX_CAPTURE_CURSOR);
    EXPECT_EQ(f.paused, 0);

    f.paused = f.run_over = 1;
    EXPECT_EQ(sv_frame_control(&f, 0, 1, 1), 0u);
    EXPECT_EQ(f.paused, 1);
}

// A fake tick: records each input it sees and returns scripted results.
struct fake_sim {
    std::vector<sv_input> seen;
    std::vector<i32> results; // by tick; 0 past the end
    i32 die_at = -1;          // tick at which the player's damage reaches max hp
    i32 hurt_at = -1;
    u32 observed = 0;
    u8 deeper = 0;
};

i32 fake_step(void* ctx, sv_walker* w, sv_input* in)
{
    auto* s = static_cast<fake_sim*>(ctx);
    i32 tick = (i32)s->seen.size();
    s->seen.push_back(*in);
    w->last_event = (tick == 1) ? 5 : 0;
    if (tick == s->hurt_at)
        w->player.damage_taken += 10.0f;
    if (tick == s->die_at)
        w->player.damage_taken = 1000.0f;
    return tick < (i32)s->results.size() ? s->results[tick] : 0;
}

void fake_observe(void* ctx, const sv_player*, u8 deeper)
{
    auto* s = static_cast<fake_sim*>(ctx);
    s->observed++;
    s->deeper = deeper;
}

struct FrontSim : ::testing::Test {
    sv_frame f;
    sv_walker w;
    sv_frame_keys keys;
    fake_sim sim;
    sv_sim_hooks hooks {fake_step, fake_observe, &sim};
    const f64 dt = 1.0 / 60.0;
    void SetUp() override
    {
        sv_test_reset_all();
        sv_frame_init(&f);
        std::memset(&w, 0, sizeof w);
        std::memset(&keys, 0, sizeof keys);
    }
    void TearDown() override { sv_test_reset_all(); }
};

TEST_F(FrontSim, ASecondLongFrameRunsEightTicksAndForgetsTheRest)
{
    sv_sim_result r = sv_frame_simulate(&f, &w, &keys, 1.0, dt, &hooks);
    EXPECT_EQ(r.ticks, 8u);
    EXPECT_EQ(f.accumulator, 0.0);
    EXPECT_EQ(f.run_clock, 8u);
    EXPECT_EQ(sim.observed, 8u);
    // A NaN or negative frame time adds nothing.
    r = sv_frame_simulate(&f, &w, &keys, std::nan(""), dt, &hooks);
    EXPECT_EQ(r.ticks, 0u);
    EXPECT_EQ(f.accumulator, 0.0);
}

TEST_F(FrontSim, LookAndPressesActOnTheFirstTickOnly)
{
    keys.mouse_dx = 10.0f;
    keys.mouse_dy = 5.0f;
    keys.use = keys.dodge = keys.swap = keys.primary = keys.secondary = 1;
    keys.forward = 1.0f;
    keys.sprint = 1;
    sv_sim_result r = sv_frame_simulate(&f, &w, &keys, 3.5 * dt, dt, &hooks);
    ASSERT_EQ(r.ticks, 3u);
    EXPECT_FLOAT_EQ(sim.seen[0].yaw_delta, 0.022f);
    EXPECT_FLOAT_EQ(sim.seen[0].pitch_delta, -0.011f);
    EXPECT_EQ(sim.seen[0].use + sim.seen[0].dodge + sim.seen[0].swap + sim.seen[0].primary
                  + sim.seen[0].secondary,
              5);
    for (u32 i = 1; i < 3; ++i) {
        EXPECT_EQ(sim.seen[i].yaw_delta, 0.0f);
        EXPECT_EQ(sim.seen[i].pitch_delta, 0.0f);
        EXPECT_EQ(sim.seen[i].use + sim.seen[i].dodge + sim.seen[i].swap + sim.seen[i].primary
                      + sim.seen[i].secondary,
                  0);
        EXPECT_EQ(sim.seen[i].forward, 1.0f) << "held keys stay";
        EXPECT_EQ(sim.seen[i].sprint, 1);
    }
    EXPECT_EQ(f.latch_use, 0);
    EXPECT_EQ(f.event, 5) << "the event of tick 1";
}

TEST_F(FrontSim, AFrameShorterThanATickKeepsItsPressesForTheNext)
{
    keys.use = 1;
    sv_sim_result r = sv_frame_simulate(&f, &w, &keys, dt * 0.5, dt, &hooks);
    EXPECT_EQ(r.ticks, 0u);
    EXPECT_EQ(f.latch_use, 1);
    keys.use = 0;
    r = sv_frame_simulate(&f, &w, &keys, dt * 0.6, dt, &hooks);
    ASSERT_EQ(r.ticks, 1u);
    EXPECT_EQ(sim.seen[0].use, 1);
    EXPECT_EQ(f.latch_use, 0);
}

TEST_F(FrontSim, ADescentOnTheFirstTickStopsTickingAndKeepsTheLatches)
{
    sim.results = {2};
    keys.use = 1;
    sv_sim_result r = sv_frame_simulate(&f, &w, &keys, 5 * dt, dt, &hooks);
    EXPECT_EQ(r.ticks, 1u);
    EXPECT_EQ(r.descended, 1);
    EXPECT_EQ(f.floor_number, 2);
    EXPECT_EQ(f.accumulator, 0.0);
    EXPECT_EQ(f.run_clock, 0u) << "no bookkeeping for the descending tick";
    EXPECT_EQ(sim.observed, 0u);
    EXPECT_EQ(f.latch_use, 1);
}

TEST_F(FrontSim, ADeathMidFrameLogsOnceAndTheFramesTicksRunOn)
{
    FILE* log = std::tmpfile();
    ASSERT_NE(log, nullptr);
    sv_log_set_stderr(0);
    sv_log_open_file(log);
    sim.hurt_at = 0;
    sim.die_at = 2;
    f.frame = 7;
    f.seed = 99;
    sv_sim_result r = sv_frame_simulate(&f, &w, &keys, 4.2 * dt, dt, &hooks);
    EXPECT_EQ(r.ticks, 4u) << "the remaining ticks still run";
    EXPECT_EQ(r.died, 1);
    EXPECT_EQ(f.run_over, 1);
    EXPECT_EQ(f.paused, 1);
    EXPECT_EQ(f.choice, 1);
    EXPECT_EQ(f.hurt_frame, 7u);
    r = sv_frame_simulate(&f, &w, &keys, 2 * dt, dt, &hooks);
    EXPECT_EQ(r.died, 0);
    sv_log_flush();
    std::rewind(log);
    std::string text;
    char buf[512];
    while (std::fgets(buf, sizeof buf, log))
        text += buf;
    sv_log_open_file(nullptr);
    std::fclose(log);
    const std::string line = "run over: the player died on floor 1 of seed 99";
    size_t at = text.find(line);
    ASSERT_NE(at, std::string::npos) << text;
    EXPECT_EQ(text.find(line, at + 1), std::string::npos) << "logged once";
}

TEST_F(FrontSim, PressesInTheMenuOrTheConsoleAreNeverLatched)
{
    keys.use = keys.dodge = keys.swap = keys.primary = 1;
    f.paused = 1;
    EXPECT_EQ(sv_frame_simulate(&f, &w, &keys, 4 * dt, dt, &hooks).ticks, 0u);
    f.paused = 0;
    f.console_open = 1;
    EXPECT_EQ(sv_frame_simulate(&f, &w, &keys, 4 * dt, dt, &hooks).ticks, 0u);
    EXPECT_EQ(f.latch_use + f.latch_dodge + f.latch_swap + f.latch_primary, 0);
    EXPECT_EQ(f.accumulator, 0.0) << "no time piles up while play is stopped";
    f.console_open = 0;
    std::memset(&keys, 0, sizeof keys);
    ASSERT_EQ(sv_frame_simulate(&f, &w, &keys, dt, dt, &hooks).ticks, 1u);
    EXPECT_EQ(sim.seen[0].use + sim.seen[0].dodge + sim.seen[0].swap + sim.seen[0].primary, 0);
}

TEST_F(FrontSim, ObservationSaysWhenTheFloorIsDeeper)
{
    f.floor_number = 2;
    sv_frame_simulate(&f, &w, &keys, dt, dt, &hooks);
    EXPECT_EQ(sim.observed, 1u);
    EXPECT_EQ(sim.deeper, 1);
}

} // namespace

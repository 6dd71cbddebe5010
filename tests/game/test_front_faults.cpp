// Faults a player met in the window, each through the plain seam that decides it: a menu that
// opens under a press, held keys and a recentred cursor, and a tap just after death; mouse
// motion of a frame with no tick and the cursor's jumps after a resize or a capture; a descent
// past the last floor; the overlay's streams after a console gen; and the depth of a fogged
// door's frame and of a chest on the floor.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "actors/walker.h"
#include "core/rng.h"
#include "front_util.h"
#include "game/draw_util.h"
#include "game/front_play.h"
#include "game/hud.h"
#include "game/overlay.h"
#include "world/body.h"
#include "world/geom.h"

namespace {

// Entry i of the menu of a 1280 x 720 screen whose entries are 200 pixels wide: its middle.
f32 entry_y(i32 i)
{
    return (f32)(720 / 2 - 120 + 48 * i + 16);
}

// One frame of the open menu, as the window runs it: the gate, then the step.
struct menu_frame {
    sv_frame* f;
    f32 mouse_x = 640.0f, mouse_y = 360.0f; // recentred on release: over entry 2
    f64 frame_time = 1.0 / 60.0;
    sv_menu_out out {};
    u8 step(u8 primary, u8 enter = 0, u8 down = 0)
    {
        sv_menu_in in;
        std::memset(&in, 0, sizeof in);
        in.width = 1280;
        in.height = 720;
        for (i32 i = 0; i < SV_MENU_ENTRIES; ++i)
            in.text_width[i] = 200;
        in.primary = primary;
        in.enter = enter;
        in.down = down;
        sv_menu_gate(f, mouse_x, mouse_y, frame_time, &in);
        sv_menu_step(&f->choice, f->run_over, 0, 0, &in, &out);
        return out.action;
    }
};

i32 die_at_once(void*, sv_walker* w, sv_input*)
{
    w->player.damage_taken = 1.0e6f;
    return 0;
}

struct FrontMenuFaults : ::testing::Test {
    sv_frame f;
    void SetUp() override
    {
        sv_test_reset_all();
        sv_log_set_stderr(0);
        sv_frame_init(&f);
        sv_frame_reset_run(&f);
    }
    void TearDown() override { sv_test_reset_all(); }
};

// Escape, then left clicks with the cursor where the release put it (over "debug mode"): no
// click acts until the mouse has moved; then one does.
TEST_F(FrontMenuFaults, APauseActsOnAClickOnlyAfterTheMouseMoved)
{
    ASSERT_EQ(sv_frame_control(&f, 0, 1, 0) & SV_FX_RELEASE_CURSOR, (u32)SV_FX_RELEASE_CURSOR);
    ASSERT_EQ(f.paused, 1);
    menu_frame m {&f};
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(m.step(1), SV_MENU_NONE) << "frame " << i << ": a still click chose";
    EXPECT_EQ(f.choice, 0);
    m.mouse_y = entry_y(4);
    EXPECT_EQ(m.step(0), SV_MENU_NONE);
    EXPECT_EQ(f.choice, 4) << "motion takes the choice";
    EXPECT_EQ(m.step(1), SV_MENU_QUIT) << "a press after motion chooses, the mouse now still";
}

// The click that attacks and the Space that dodges in the tick the player dies, then the
// cursor's jump on release: the run-over menu shows and none of them acts on it.
TEST_F(FrontMenuFaults, TheRunOverMenuIgnoresTheDyingPressesAndTheCursorJump)
{
    sv_walker w;
    std::memset(&w, 0, sizeof w);
    sv_frame_keys keys;
    std::memset(&keys, 0, sizeof keys);
    keys.primary = keys.dodge = 1;
    sv_sim_hooks hooks {die_at_once, nullptr, nullptr};
    sv_sim_result r = sv_frame_simulate(&f, &w, &keys, 1.0 / 60.0, 1.0 / 60.0, &hooks);
    ASSERT_EQ(r.died, 1);
    ASSERT_EQ(f.run_over, 1);
    menu_frame m {&f};
    EXPECT_EQ(m.step(1, 1), SV_MENU_NONE) << "the death frame's click or Space acted";
    // The release recentres the cursor, and its jump arrives a frame or two late.
    m.mouse_x = 300.0f;
    m.mouse_y = 200.0f;
    EXPECT_EQ(m.step(0), SV_MENU_NONE);
    m.mouse_x = 640.0f;
    m.mouse_y = 360.0f;
    EXPECT_EQ(m.step(1), SV_MENU_NONE);
    EXPECT_EQ(m.step(1), SV_MENU_NONE) << "a click right after the jump chose debug mode";
    EXPECT_EQ(f.choice, 1) << "the jump moved the choice";
    EXPECT_EQ(f.run_over, 1);
    m.frame_time = SV_RUN_OVER_HOLD;
    EXPECT_EQ(m.step(0, 1), SV_MENU_NEW_SEED) << "a key pressed on the open menu acts";
}

// A Space or Enter tapped up to a little under half a second after death (a dodge meant for play,
// or a hasty tap) never chooses on the run-over menu, nor does a click after the mouse moved;
// the menu is seen first. Then a tap chooses.
TEST_F(FrontMenuFaults, TheRunOverMenuTakesNoTapForHalfASecond)
{
    sv_walker w;
    std::memset(&w, 0, sizeof w);
    sv_frame_keys keys;
    std::memset(&keys, 0, sizeof keys);
    sv_sim_hooks hooks {die_at_once, nullptr, nullptr};
    ASSERT_EQ(sv_frame_simulate(&f, &w, &keys, 1.0 / 60.0, 1.0 / 60.0, &hooks).died, 1);
    menu_frame m {&f};
    EXPECT_EQ(m.step(0), SV_MENU_NONE);
    for (int frame = 1; frame < 29; ++frame) {
        if (frame == 10)
            m.mouse_y = entry_y(1);
        EXPECT_EQ(m.step(frame % 2, 1), SV_MENU_NONE) << "frame " << frame << " after death";
    }
    EXPECT_EQ(f.choice, 1);
    m.step(0);
    m.step(0);
    EXPECT_EQ(m.step(0, 1), SV_MENU_NEW_SEED) << "half a second on, a tap chooses";
    // A pause opened by Escape takes keys from its second frame on.
    sv_frame_reset_run(&f);
    sv_frame_control(&f, 0, 1, 0);
    EXPECT_EQ(m.step(0), SV_MENU_NONE);
    EXPECT_EQ(m.step(0, 1), SV_MENU_RESUME);
}

// A key pressed in the frame the pause opens (Enter held over from play) does not act; the next
// press does.
TEST_F(FrontMenuFaults, AKeyOfTheOpeningFrameDoesNotActOnThePause)
{
    sv_frame_control(&f, 0, 1, 0);
    menu_frame m {&f};
    EXPECT_EQ(m.step(0, 1, 1), SV_MENU_NONE);
    EXPECT_EQ(f.choice, 0);
    EXPECT_EQ(m.step(0, 1), SV_MENU_RESUME);
}

i32 count_ticks(void* ctx, sv_walker*, sv_input* in)
{
    static_cast<std::vector<sv_input>*>(ctx)->push_back(*in);
    return 0;
}

// Mouse motion of a frame shorter than a tick turns the view on the next tick, with the next
// frame's motion: the same turn at any frame rate.
TEST(FrontLookFaults, MotionOfAFrameWithNoTickIsCarriedToTheNext)
{
    sv_frame f;
    sv_frame_init(&f);
    sv_walker w;
    std::memset(&w, 0, sizeof w);
    std::vector<sv_input> seen;
    sv_sim_hooks hooks {count_ticks, nullptr, &seen};
    sv_frame_keys keys;
    std::memset(&keys, 0, sizeof keys);
    const f64 dt = 1.0 / 60.0;
    keys.mouse_dx = 10.0f;
    keys.mouse_dy = -4.0f;
    EXPECT_EQ(sv_frame_simulate(&f, &w, &keys, dt * 0.4, dt, &hooks).ticks, 0u);
    keys.mouse_dx = 5.0f;
    keys.mouse_dy = 0.0f;
    ASSERT_EQ(sv_frame_simulate(&f, &w, &keys, dt * 0.7, dt, &hooks).ticks, 1u);
    EXPECT_FLOAT_EQ(seen[0].yaw_delta, 15.0f * 0.0022f);
    EXPECT_FLOAT_EQ(seen[0].pitch_delta, 4.0f * 0.0022f);
    // Motion made while paused never turns the view later.
    keys.mouse_dx = 7.0f;
    sv_frame_simulate(&f, &w, &keys, dt * 0.5, dt, &hooks);
    f.paused = 1;
    sv_frame_simulate(&f, &w, &keys, dt, dt, &hooks);
    f.paused = 0;
    keys.mouse_dx = 0.0f;
    ASSERT_EQ(sv_frame_simulate(&f, &w, &keys, dt * 1.2, dt, &hooks).ticks, 1u);
    EXPECT_EQ(seen[1].yaw_delta, 0.0f);
}

// The cursor's jumps never turn the view, however late they arrive: a resize's (squashed to one
// row, the cursor is pushed in and GLFW reports it entering) five frames after the resize, and
// a capture's (raylib puts the cursor at the centre, GLFW reports where it really is at its next
// event), also at a run's start. The player's own motion around them does turn it.
TEST(FrontLookFaults, NoJumpOfTheCursorTurnsTheView)
{
    sv_frame f;
    sv_frame_init(&f);
    sv_frame_reset_run(&f);
    sv_frame_keys keys;
    std::memset(&keys, 0, sizeof keys);
    auto look = [&](f32 dx, f32 dy, u8 resized, u8 entered, u8 at_rest) {
        sv_mouse_seen seen {dx, dy, resized, entered, at_rest};
        sv_frame_mouse(&f, &seen, &keys);
        return keys.mouse_dx != 0.0f || keys.mouse_dy != 0.0f;
    };
    // A run starts captured: the jump to where the cursor entered the new window is no motion.
    EXPECT_FALSE(look(0.0f, 0.0f, 0, 0, 1));
    EXPECT_FALSE(look(0.0f, 0.0f, 0, 0, 1));
    EXPECT_FALSE(look(160.0f, 140.0f, 0, 1, 1)) << "the start's entry, two frames in";
    EXPECT_TRUE(look(3.0f, 2.0f, 0, 0, 1));
    EXPECT_EQ(keys.mouse_dx, 3.0f);
    EXPECT_EQ(keys.mouse_dy, 2.0f);

    EXPECT_FALSE(look(0.0f, 0.0f, 1, 0, 1)) << "the frame of the resize";
    for (int i = 0; i < 5; ++i)
        EXPECT_FALSE(look(0.0f, 0.0f, 0, 0, 1));
    EXPECT_FALSE(look(-320.0f, -500.0f, 0, 1, 1)) << "the squash's entry, five frames late";
    EXPECT_TRUE(look(1.0f, 0.0f, 0, 0, 1));

    // A capture (a menu or the console closed) whose cursor GLFW holds elsewhere: nothing counts
    // until the jump has come and the two agree.
    f.look_settled = 0;
    EXPECT_FALSE(look(0.0f, 0.0f, 0, 0, 0));
    for (int i = 0; i < 4; ++i)
        EXPECT_FALSE(look(0.0f, 0.0f, 0, 0, 0));
    EXPECT_FALSE(look(0.0f, 190.0f, 0, 0, 1)) << "the capture's jump, at the first motion";
    EXPECT_TRUE(look(0.0f, -2.0f, 0, 0, 1));
}

struct FrontFloorFaults : gen_floor_fixture {
    static inline sv_walker walker;
    void SetUp() override
    {
        gen_floor_fixture::SetUp();
        sv_log_set_stderr(0);
        std::memset(&walker, 0, sizeof walker);
    }
};

std::string read_all(FILE* file)
{
    sv_log_flush();
    std::rewind(file);
    std::string text;
    char buf[512];
    while (std::fgets(buf, sizeof buf, file))
        text += buf;
    return text;
}

u64 occurrences(const std::string& text, const std::string& what)
{
    u64 n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

// A fog walk into the exit of floor 65534: there is no next floor, so the player stays, the
// refusal is logged once and shown as "no floor below", and the walk ends instead of descending
// on every tick. A second E from the doorway does the same once more, and the player walks
// away from the exit afterwards.
TEST_F(FrontFloorFaults, ADescentPastTheLastFloorIsTriedAndLoggedOnce)
{
    sv_cmd_register_builtins();
    sv_frame f;
    sv_frame_init(&f);
    f.seed = 7;
    f.floor_number = 65534;
    sv_floor* floor = load_floor(&walker, f.seed, f.floor_number, &f.serial_seen);
    ASSERT_NE(floor, nullptr);
    ASSERT_TRUE(stand_before_exit(&walker, floor));

    FILE* log = std::tmpfile();
    ASSERT_NE(log, nullptr);
    sv_log_open_file(log);
    sv_run run;
    sv_run_start(&run, f.seed, 0);
    sv_play_ctx ctx {floor, &run};
    sv_sim_hooks hooks = sv_front_play_hooks(&ctx);
    sv_frame_keys keys;
    std::memset(&keys, 0, sizeof keys);
    u32 descents = 0;
    auto frames = [&](int count) {
        for (int i = 0; i < count; ++i) {
            f.frame++;
            sv_sim_result r
                = sv_frame_simulate(&f, &walker, &keys, 1.0 / 60.0, sv_sim_dt(), &hooks);
            keys.use = 0;
            if (r.descended) {
                descents++;
                EXPECT_EQ(sv_front_descend(&f, &walker), nullptr);
            }
        }
    };
    keys.use = 1;
    frames(600);
    EXPECT_EQ(descents, 1u) << "the walk kept going through the exit";
    EXPECT_EQ(f.floor_number, 65534);
    EXPECT_EQ(sv_gen_current(), floor);
    EXPECT_EQ(walker.player.walk_left, 0u);

    keys.use = 1;
    frames(30);
    EXPECT_EQ(descents, 2u) << "a second E from the doorway";
    EXPECT_EQ(prompt_of(&f, &walker, floor), "no floor below");
    frames(600);
    EXPECT_EQ(descents, 2u) << "the second E kept the player going through the exit";
    const f32 x = walker.player.x, z = walker.player.z;
    keys.forward = -1.0f;
    frames(60);
    EXPECT_GT(std::hypot(walker.player.x - x, walker.player.z - z), 1.0f) << "the player is held";
    EXPECT_EQ(descents, 2u);

    std::string text = read_all(log);
    sv_log_open_file(nullptr);
    std::fclose(log);
    EXPECT_EQ(occurrences(text, "gen did not produce a floor for 'gen 7 65535'"), 2u) << text;
}

// After "gen 7 3" in the console of a run of seed 4471, the overlay's stream rows are those of
// seed 7 floor 3, the floor on screen.
TEST_F(FrontFloorFaults, TheOverlayStreamsAreTheHeldFloorsAfterAConsoleGen)
{
    ASSERT_NE(gen(4471, 1), nullptr);
    sv_floor* held = gen(7, 3);
    ASSERT_NE(held, nullptr);
    sv_walker_start(&walker, held, 0);
    sv_overlay_facts in;
    std::memset(&in, 0, sizeof in);
    in.floor = held;
    in.walker = &walker;
    in.floor_number = 3;
    in.run_seed = 4471;
    in.screen_width = 1280;
    static sv_overlay_row rows[SV_OVERLAY_ROWS];
    i32 n = sv_overlay_rows(&in, rows);
    u32 streams = 0;
    for (i32 i = 0; i < n; ++i) {
        if (rows[i].colour != SV_OVERLAY_SEED)
            continue;
        char want[SV_OVERLAY_TEXT];
        std::snprintf(want, sizeof want, "  %-10s %016llx", sv_stream_name(streams),
                      (unsigned long long)sv_stream_seed(7, 3, streams));
        EXPECT_STREQ(rows[i].text, want);
        streams++;
    }
    EXPECT_EQ(streams, 8u);
}

// The exit of floor 1 seen from two metres in: every line of its frame (jambs, lintel, sill,
// appearance bar and locked bar) lies clearly on the eye's side of the veil's opaque backdrop,
// which the depth test would otherwise let hide it.
TEST_F(FrontFloorFaults, AFoggedDoorsFrameIsDrawnInFrontOfItsVeil)
{
    sv_floor* f = gen(4471, 1);
    ASSERT_NE(f, nullptr);
    i32 exit_room = -1;
    u8 exit_door = 0;
    for (u16 r = 0; r < f->room_count && exit_room < 0; ++r)
        for (u8 d = 0; d < f->rooms[r].door_count; ++d)
            if (f->rooms[r].doors[d].kind == SV_DOOR_EXIT) {
                exit_room = r;
                exit_door = d;
            }
    ASSERT_GE(exit_room, 0);
    sv_geom g;
    sv_geom_build(&g, f, (u16)exit_room);
    const sv_opening* o = &g.openings[exit_door];
    draw_capture cap;
    for (f32 side : {0.0f, -1.2f, 1.2f}) {
        Vector3 eye = {o->centre.x + 2 * std::cos(o->yaw) + side * o->tangent.x, g.floor_y + 1.6f,
                       o->centre.y + 2 * std::sin(o->yaw) + side * o->tangent.y};
        sv_draw_frame fr = {eye, eye, (u16)exit_room, 0.5};
        cap.clear();
        sv_draw_world(f, (u16)exit_room, &g, nullptr, &fr);
        const Color back = {128, 104, 44, 255};
        const sv_draw_prim* backdrop = nullptr;
        for (u64 i = 0; i < cap.stored() && !backdrop; ++i)
            if (cap.at(i).kind == SV_DRAW_TRI && same_colour(cap.at(i).colour, back))
                backdrop = &cap.at(i);
        ASSERT_NE(backdrop, nullptr);
        const Vector3 a = backdrop->p[0], b = backdrop->p[1], c = backdrop->p[2];
        Vector3 nrm = {(b.y - a.y) * (c.z - a.z) - (b.z - a.z) * (c.y - a.y),
                       (b.z - a.z) * (c.x - a.x) - (b.x - a.x) * (c.z - a.z),
                       (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x)};
        f32 len = std::sqrt(nrm.x * nrm.x + nrm.y * nrm.y + nrm.z * nrm.z);
        ASSERT_GT(len, 0.0f);
        auto side_of = [&](const Vector3& p) {
            return ((p.x - a.x) * nrm.x + (p.y - a.y) * nrm.y + (p.z - a.z) * nrm.z) / len;
        };
        const f32 eye_side = side_of(eye) > 0 ? 1.0f : -1.0f;
        u32 lines = 0;
        for (u64 i = 0; i < cap.stored(); ++i) {
            const sv_draw_prim& p = cap.at(i);
            if (p.kind != SV_DRAW_LINE || !same_colour(p.colour, door_colour(SV_DOOR_EXIT)))
                continue;
            lines++;
            for (int j = 0; j < 2; ++j)
                EXPECT_GT(eye_side * side_of(p.p[j]), 0.01f)
                    << "line " << lines << " of the exit's frame, eye to the side " << side;
        }
        EXPECT_GE(lines, 6u) << "sill, jambs, lintel, appearance bar and locked bar";
    }
}

// A chest stands on the floor: its bottom edges are lifted off the floor's plane, where depth
// would make them dotted.
TEST_F(FrontFloorFaults, AChestsBottomEdgesStandAboveTheFloor)
{
    u32 chests = 0;
    for (u64 seed = 1; seed <= 40 && chests < 3; ++seed) {
        sv_floor* f = gen(seed, 2);
        ASSERT_NE(f, nullptr);
        for (u16 r = 0; r < f->room_count; ++r) {
            if (!sv_floor_chest_in(f, r))
                continue;
            sv_geom g;
            sv_geom_build(&g, f, r);
            sv_visit v;
            std::memset(&v, 0, sizeof v);
            v.place = r;
            v.geom = &g;
            draw_capture cap;
            draw_room_things(&v, f);
            const f32 ground = sv_geom_prop_spot(&g, SV_PROP_CHEST).y;
            f32 lowest = 1e30f;
            for (u64 i = 0; i < cap.stored(); ++i) {
                const sv_draw_prim& p = cap.at(i);
                if (p.kind == SV_DRAW_LINE && same_colour(p.colour, PALETTE.wood))
                    lowest = std::fmin(lowest, std::fmin(p.p[0].y, p.p[1].y));
            }
            ASSERT_LT(lowest, 1e29f) << "no chest drawn in room " << r;
            EXPECT_GE(lowest - ground, 0.003f) << "seed " << seed << " room " << r;
            EXPECT_LE(lowest - ground, 0.01f) << "seed " << seed << " room " << r;
            chests++;
        }
    }
    EXPECT_GT(chests, 0u);
}

} // namespace

// The screen layer's plain seams: the prompt choice, HUD rows and bars, status lines, the menu
// state machine, and the debug overlay's rows on generated floors.
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "console/cmd.h"
#include "core/rng.h"
#include "game/cmd_gen.h"
#include "game/hud.h"
#include "game/overlay.h"
#include "support/reset.h"

namespace {

sv_prompt_facts no_facts()
{
    sv_prompt_facts p;
    std::memset(&p, 0, sizeof p);
    p.prop = 5;
    p.fog_door = SV_NONE8;
    p.aim_mob = -1;
    p.lock_mob = SV_NONE16;
    return p;
}

std::string prompt(const sv_prompt_facts& p)
{
    char out[SV_PROMPT_MAX];
    sv_prompt_text(&p, out, sizeof out);
    return out;
}

TEST(HudPrompt, LaterRulesReplaceEarlierOnes)
{
    sv_prompt_facts p = no_facts();
    EXPECT_EQ(prompt(p), "");
    p.prop = 0;
    EXPECT_EQ(prompt(p), "[E] fountain");
    p.monument_room = 1;
    EXPECT_EQ(prompt(p), "[E] monument");
    p.prop = 1;
    EXPECT_EQ(prompt(p), "[E] chest");
    p.fog_door = 2;
    p.fog_admits = 1;
    EXPECT_EQ(prompt(p), "[E] enter");
    p.fog_exit = 1;
    EXPECT_EQ(prompt(p), "[E] descend");
    p.fog_admits = 0;
    EXPECT_EQ(prompt(p), "locked -- needs its key");
    p.sealed = 1;
    EXPECT_EQ(prompt(p), "[E] chest") << "a sealed room does not say the door wants a key";
    p.walk_left = 3;
    EXPECT_EQ(prompt(p), "...");
    p.aim_mob = 4;
    p.aim_name = "cube";
    EXPECT_EQ(prompt(p), "[E] lock  cube");
    p.lock_mob = 4;
    EXPECT_EQ(prompt(p), "[E] release");

    sv_prompt_facts s = no_facts();
    s.sealed = 1;
    EXPECT_EQ(prompt(s), "sealed");
}

TEST(HudPrompt, AnEventWinsForNinetyFrames)
{
    sv_prompt_facts p = no_facts();
    p.prop = 1;
    p.event = 1;
    p.frames_since_event = 0;
    EXPECT_EQ(prompt(p), "opened");
    p.frames_since_event = 89;
    EXPECT_EQ(prompt(p), "opened");
    p.frames_since_event = 90;
    EXPECT_EQ(prompt(p), "[E] chest");
    // A fog walk's event shows "..." while it runs and no prompt once it ended.
    p.frames_since_event = 10;
    p.event = 7;
    p.walk_left = 2;
    EXPECT_EQ(prompt(p), "...");
    p.walk_left = 0;
    EXPECT_EQ(prompt(p), "");
    p.event = 9; // an unknown event leaves the prompt alone
    EXPECT_EQ(prompt(p), "[E] chest");
}

// Each event's own text over a prompt of "[E] chest"; the fog walk's is checked above.
TEST(HudPrompt, EveryEventShowsItsOwnText)
{
    const std::pair<u8, const char*> k_texts[] = {
        {SV_EVENT_CHEST_OPENED, "opened"},
        {SV_EVENT_CHEST_LOCKED, "locked -- needs a Shard"},
        {SV_EVENT_FOUNTAIN, "the fountain"},
        {SV_EVENT_MONUMENT, "the monument"},
        {SV_EVENT_LOCKED_ON, "locked on"},
        {SV_EVENT_LOCK_RELEASED, "released"},
        {SV_EVENT_FOG_REFUSED, "locked -- needs its key"},
        {SV_EVENT_NO_FLOOR_BELOW, "no floor below"},
        {SV_EVENT_NONE, "[E] chest"},
    };
    sv_prompt_facts p = no_facts();
    p.prop = 1;
    p.frames_since_event = 45;
    for (const auto& [event, text] : k_texts) {
        p.event = event;
        EXPECT_EQ(prompt(p), text) << (int)event;
    }
}

TEST(HudBars, FractionsAreClampedAndANonPositiveMaximumDrawsNothing)
{
    EXPECT_FLOAT_EQ(sv_bar_width(50, 100, 180), 90);
    EXPECT_FLOAT_EQ(sv_bar_width(150, 100, 180), 180);
    EXPECT_FLOAT_EQ(sv_bar_width(-5, 100, 180), 0);
    EXPECT_FLOAT_EQ(sv_bar_width(5, 0, 180), 0);
    EXPECT_FLOAT_EQ(sv_bar_width(5, -1, 180), 0);
    EXPECT_FLOAT_EQ(sv_bar_width(std::nanf(""), 100, 180), 0);
    EXPECT_FLOAT_EQ(sv_bar_width(5, std::nanf(""), 180), 0);
}

TEST(HudText, StatusLinesRunClockSeedLineAndHurtFade)
{
    sv_indicator ind;
    std::memset(&ind, 0, sizeof ind);
    std::strcpy(ind.name, "burning");
    char line[SV_STATUS_LINE];
    ind.permanent = 1;
    ind.stacks = 2;
    sv_status_line(&ind, line);
    EXPECT_STREQ(line, "burning 2");
    ind.permanent = 0;
    ind.stacks = 0;
    ind.seconds_left = 1.2f;
    sv_status_line(&ind, line);
    EXPECT_STREQ(line, "burning  2s");
    ind.stacks = 3;
    sv_status_line(&ind, line);
    EXPECT_STREQ(line, "burning 3  2s");

    char text[64];
    sv_run_clock_text(60 * 125, 1.0 / 60.0, text, sizeof text);
    EXPECT_STREQ(text, "2:05");
    sv_run_clock_text(0, 1.0 / 60.0, text, sizeof text);
    EXPECT_STREQ(text, "0:00");
    sv_seed_line(4471, 3, 0, text, sizeof text);
    EXPECT_STREQ(text, "seed 4471");
    sv_seed_line(4471, 3, SV_REVEAL_DEEPER, text, sizeof text);
    EXPECT_STREQ(text, "seed 4471   floor 3");
    EXPECT_EQ(sv_hurt_alpha(0), 140);
    EXPECT_EQ(sv_hurt_alpha(11), 19);
    EXPECT_EQ(sv_hurt_alpha(12), 0);
}

TEST(HudLayout, RowsGrowUpwardOnlyOnceRevealed)
{
    sv_hud_facts h;
    std::memset(&h, 0, sizeof h);
    h.max_hp = 100;
    h.health = 40;
    h.stamina_max = 100;
    h.stamina = 100;
    sv_hud_row rows[SV_HUD_ROWS_MAX];
    EXPECT_EQ(sv_hud_layout(&h, 720, rows), 0) << "a new run shows no rows";
    h.revealed = SV_REVEAL_SHARDS | SV_REVEAL_HURT | SV_REVEAL_STAMINA | SV_REVEAL_GRIT;
    h.statuses = 2;
    i32 n = sv_hud_layout(&h, 720, rows);
    ASSERT_EQ(n, 6);
    EXPECT_EQ(rows[0].kind, SV_ROW_SHARDS);
    EXPECT_EQ(rows[0].y, 662);
    EXPECT_EQ(rows[1].kind, SV_ROW_HEALTH);
    EXPECT_EQ(rows[1].y, 636);
    EXPECT_FLOAT_EQ(rows[1].bar, 72);
    EXPECT_EQ(rows[2].kind, SV_ROW_STAMINA);
    EXPECT_EQ(rows[2].y, 606);
    EXPECT_EQ(rows[3].kind, SV_ROW_GRIT);
    EXPECT_EQ(rows[3].y, 584);
    EXPECT_EQ(rows[4].y, 558);
    EXPECT_EQ(rows[5].y, 536);
    // Resizing moves the column with the height.
    sv_hud_layout(&h, 1080, rows);
    EXPECT_EQ(rows[0].y, 1022);
    h.max_hp = 0;
    sv_hud_layout(&h, 720, rows);
    EXPECT_FLOAT_EQ(rows[1].bar, 0);
}

struct menu_run {
    i32 choice = 0;
    u8 run_over = 0;
    sv_menu_in in;
    sv_menu_out out;
    menu_run()
    {
        std::memset(&in, 0, sizeof in);
        in.width = 1280;
        in.height = 720;
        for (i32 i = 0; i < SV_MENU_ENTRIES; ++i)
            in.text_width[i] = 200;
        // The cursor recentred by opening the menu: on entry 2 (y 312 .. 360).
        in.mouse_x = 640;
        in.mouse_y = 360;
    }
    u8 step()
    {
        sv_menu_step(&choice, run_over, 0, 0, &in, &out);
        std::memset(&in.down, 0, 3);
        in.mouse_moved = in.primary = 0;
        return out.action;
    }
};

TEST(HudMenu, EnterRightAfterPausingResumesEvenWithTheCursorOnDebugMode)
{
    menu_run m;
    EXPECT_EQ(m.step(), SV_MENU_NONE);
    EXPECT_EQ(m.choice, 0) << "a still cursor takes no choice";
    EXPECT_EQ(m.out.lit[0], 1);
    EXPECT_EQ(m.out.lit[2], 0);
    m.in.enter = 1;
    EXPECT_EQ(m.step(), SV_MENU_RESUME);

    // Moving the mouse over an entry takes the choice; a press chooses it.
    menu_run n;
    n.in.mouse_moved = 1;
    n.step();
    EXPECT_EQ(n.choice, 2);
    n.in.mouse_y = 360 - 120 + 48 * 4 + 10;
    n.in.primary = 1;
    EXPECT_EQ(n.step(), SV_MENU_QUIT);
}

TEST(HudMenu, KeysWrapAndTheRunOverMenuBouncesOffItsEmptyEntry)
{
    menu_run m;
    m.in.up = 1;
    m.step();
    EXPECT_EQ(m.choice, 4);
    m.in.down = 1;
    m.step();
    EXPECT_EQ(m.choice, 0);

    menu_run r;
    r.run_over = 1;
    r.choice = 1;
    r.in.up = 1;
    r.step();
    EXPECT_EQ(r.choice, 0) << "up from new seed reaches the empty entry";
    EXPECT_EQ(r.out.x[0], 0) << "the empty entry is not laid out";
    r.in.enter = 1;
    EXPECT_EQ(r.step(), SV_MENU_NEW_SEED) << "the bounce comes first; Enter then takes new seed";
    EXPECT_EQ(r.choice, 1);

    menu_run e;
    e.run_over = 1;
    e.choice = 1;
    e.in.up = 1;
    e.in.enter = 1;
    EXPECT_EQ(e.step(), SV_MENU_NONE) << "Enter on the empty entry does nothing";
    e.step();
    EXPECT_EQ(e.choice, 1);
}

TEST(HudMenu, ApplyResumeRunTimeQuitAndDebug)
{
    sv_frame f;
    sv_frame_init(&f);
    f.paused = 1;
    f.accumulator = 0.2;
    EXPECT_EQ(sv_menu_apply(&f, SV_MENU_RESUME), (u32)SV_FX_CAPTURE_CURSOR);
    EXPECT_EQ(f.paused, 0);
    EXPECT_EQ(f.accumulator, 0.0);
    f.paused = f.run_over = 1;
    EXPECT_EQ(sv_menu_apply(&f, SV_MENU_RESUME), 0u);
    EXPECT_EQ(f.paused, 1) << "resume does nothing once the run is over";
    sv_menu_apply(&f, SV_MENU_RUN_TIME);
    EXPECT_EQ(f.run_time_shown, 1);
    f.overlay_shown = 1;
    sv_menu_apply(&f, SV_MENU_DEBUG);
    EXPECT_EQ(f.overlay_shown, 0);
    sv_menu_apply(&f, SV_MENU_QUIT);
    EXPECT_EQ(f.quit, 1);
    EXPECT_STREQ(sv_menu_entry(2, 0, 1, 0), "debug mode: on for this run");
    EXPECT_STREQ(sv_menu_entry(2, 0, 0, 0), "debug mode (marks the run; no off)");
    EXPECT_STREQ(sv_menu_entry(3, 0, 0, 1), "run time: shown");
}

struct Overlay : ::testing::Test {
    void SetUp() override
    {
        sv_test_reset_all();
        sv_log_set_stderr(0);
        sv_cmd_register_builtins();
        sv_gen_register_commands();
    }
    void TearDown() override { sv_test_reset_all(); }
};

std::string find_row(const sv_overlay_row* rows, i32 n, i32 y, i32 x = 12)
{
    for (i32 i = 0; i < n; ++i)
        if (rows[i].y == y && rows[i].x == x)
            return rows[i].text;
    return "<none>";
}

// The overlay's facts for a walker on a floor of seed 4471 on a 1280 pixel wide screen.
sv_overlay_facts facts_on(const sv_floor* floor, const sv_walker* w, u16 floor_number)
{
    sv_overlay_facts in;
    std::memset(&in, 0, sizeof in);
    in.floor = floor;
    in.walker = w;
    in.floor_number = floor_number;
    in.run_seed = 4471;
    in.screen_width = 1280;
    return in;
}

TEST_F(Overlay, FloorOneRowsAndTheCorridorSuffix)
{
    sv_cmd_dispatch("gen 4471 1");
    const sv_floor* floor = sv_gen_current();
    ASSERT_NE(floor, nullptr);
    static sv_walker w;
    std::memset(&w, 0, sizeof w);
    w.place = w.room = 0;
    w.lock_mob = SV_NONE16;
    sv_overlay_facts in = facts_on(floor, &w, 1);
    in.shortest_press = -1;
    in.in_hand = "";
    sv_overlay_row rows[SV_OVERLAY_ROWS];
    i32 n = sv_overlay_rows(&in, rows);
    EXPECT_EQ(find_row(rows, n, 34), "presses 0   shortest press --");
    EXPECT_NE(find_row(rows, n, 34, 950).find(" fps "), std::string::npos);
    std::string ledger = find_row(rows, n, 232);
    EXPECT_NE(ledger.find("axiom r-1   monument r-1"), std::string::npos) << ledger;
    EXPECT_EQ(find_row(rows, n, 252).rfind("axiom (none stood)   bosses alive 0", 0), 0u);
    std::string room = find_row(rows, n, 100);
    EXPECT_EQ(room.find("in corridor piece"), std::string::npos) << room;
    EXPECT_EQ(
        find_row(rows, n, 430), "  topology   " + [] {
            char b[32];
            std::snprintf(b, sizeof b, "%016llx", (unsigned long long)sv_stream_seed(4471, 1, 0));
            return std::string(b);
        }());
    // Door rows, one per slot, coloured by kind.
    const sv_room* r0 = sv_floor_room_const(floor, 0);
    i32 doors = 0;
    for (i32 i = 0; i < n; ++i)
        if (rows[i].colour == SV_OVERLAY_DOOR) {
            EXPECT_EQ(rows[i].y, 616 + 20 * doors);
            EXPECT_EQ(rows[i].door_kind, r0->doors[doors].kind);
            doors++;
        }
    EXPECT_EQ(doors, r0->door_count);

    if (floor->place_count > floor->room_count) {
        w.place = floor->room_count; // the first corridor piece
        n = sv_overlay_rows(&in, rows);
        room = find_row(rows, n, 100);
        char suffix[64];
        std::snprintf(suffix, sizeof suffix, "   in corridor piece %u of %u places",
                      (unsigned)floor->room_count, (unsigned)floor->place_count);
        EXPECT_NE(room.find(suffix), std::string::npos) << room;
    }
    in.shortest_press = 0.0421;
    n = sv_overlay_rows(&in, rows);
    EXPECT_EQ(find_row(rows, n, 34), "presses 0   shortest press 42 ms");
}

// Floor 10 of seed 4471, standing in a room of three or more doors with the Shards and Prism rows
// shown: at 1280 x 720 the door rows stop above "prism 0" (no "slot 2" under it); at 960 x 600
// with no rows shown they stop above the seed line, none off the bottom. Above, the layout holds.
TEST_F(Overlay, TheRowsStopWhereTheyWouldMeetTheHud)
{
    sv_cmd_dispatch("gen 4471 10");
    const sv_floor* floor = sv_gen_current();
    ASSERT_NE(floor, nullptr);
    static sv_walker w;
    std::memset(&w, 0, sizeof w);
    w.lock_mob = SV_NONE16;
    while (w.room < floor->room_count && floor->rooms[w.room].door_count < 3)
        w.room++;
    ASSERT_LT(w.room, floor->room_count);
    w.place = w.room;
    sv_overlay_facts in = facts_on(floor, &w, 10);
    sv_hud_facts hud;
    std::memset(&hud, 0, sizeof hud);
    hud.revealed = SV_REVEAL_SHARDS | SV_REVEAL_PRISM;
    sv_hud_row column[SV_HUD_ROWS_MAX];
    ASSERT_EQ(sv_hud_layout(&hud, 720, column), 2);
    ASSERT_EQ(column[1].y, 636) << "prism 0";
    in.hud_top = sv_hud_top(&hud, 720);
    sv_overlay_row rows[SV_OVERLAY_ROWS];
    i32 n = sv_overlay_rows(&in, rows);
    EXPECT_EQ(std::string(rows[n - 1].text).rfind("slot 0  ", 0), 0u) << rows[n - 1].text;
    EXPECT_EQ(rows[n - 1].y, 616);
    EXPECT_EQ(find_row(rows, n, 596), "doors");

    std::memset(&hud, 0, sizeof hud);
    in.screen_width = 960;
    in.hud_top = sv_hud_top(&hud, 600);
    EXPECT_EQ(in.hud_top, 570) << "the seed line";
    n = sv_overlay_rows(&in, rows);
    EXPECT_EQ(rows[n - 1].y, 550) << rows[n - 1].text;
    for (i32 i = 0; i < n; ++i)
        EXPECT_LE(rows[i].y + 18, 570) << rows[i].text;
}

TEST(OverlayRows, SixDoorsReachDownTo716AndNoFloorStillDraws)
{
    static sv_floor floor;
    sv_floor_init(&floor, 1, 1, 4);
    sv_floor_add_room(&floor, SV_TAG_SPAWN);
    for (i32 i = 0; i < 6; ++i)
        sv_floor_add_door(&floor, 0, SV_NONE16, SV_NONE8, i == 5 ? SV_DOOR_EXIT : SV_DOOR_NORMAL);
    static sv_walker w;
    std::memset(&w, 0, sizeof w);
    sv_overlay_facts in;
    std::memset(&in, 0, sizeof in);
    in.floor = &floor;
    in.walker = &w;
    in.floor_number = 1;
    sv_overlay_row rows[SV_OVERLAY_ROWS];
    i32 n = sv_overlay_rows(&in, rows);
    ASSERT_GT(n, 0);
    EXPECT_EQ(rows[n - 1].y, 716);
    EXPECT_EQ(std::string(rows[n - 1].text).rfind("slot 5  exit     ", 0), 0u) << rows[n - 1].text;
    sv_floor_free(&floor);
    in.floor = nullptr;
    in.walker = nullptr;
    EXPECT_GT(sv_overlay_rows(&in, rows), 10);
}

// Every row of the overlay over a floor made by hand, as a player reads it: text, place, colour.
TEST(OverlayRows, EveryRowOfAHandMadeFloorInOrder)
{
    static sv_floor floor;
    sv_floor_init(&floor, 7, 4471, 8);
    ASSERT_EQ(sv_floor_add_room(&floor, SV_TAG_SPAWN | SV_TAG_SCION), 0);
    ASSERT_EQ(sv_floor_add_room(&floor, SV_TAG_SCION | SV_TAG_GATE), 1);
    ASSERT_EQ(sv_floor_add_room(&floor, SV_TAG_PRISM | SV_TAG_FOUNTAIN), 2);
    ASSERT_EQ(sv_floor_add_room(&floor, SV_TAG_AXIOM), 3);
    ASSERT_EQ(sv_floor_add_room(&floor, SV_TAG_SHARD | SV_TAG_MONUMENT), 4);
    ASSERT_EQ(sv_floor_add_room(&floor, SV_TAG_SCION | SV_TAG_GATE | SV_TAG_FOUNTAIN), 5);
    ASSERT_EQ(sv_floor_link(&floor, 0, 1, SV_DOOR_SCION), 1);
    ASSERT_EQ(sv_floor_link(&floor, 0, 2, SV_DOOR_NORMAL), 1);
    ASSERT_EQ(sv_floor_add_door(&floor, 0, SV_NONE16, SV_NONE8, SV_DOOR_EXIT), 2);
    floor.rooms[0].doors[1].appearance = 3;
    floor.rooms[0].elevation = 1.25f;
    floor.rooms[0].radius_scale = 1.1f;
    sv_floor_take(&floor, 2, SV_TAG_PRISM);
    ASSERT_EQ(sv_floor_add_chest(&floor, 2, 0, 2), 1); // locked
    ASSERT_EQ(sv_floor_add_chest(&floor, 3, 1, 0), 1);
    sv_floor_chest_in_mut(&floor, 3)->opened = 1;
    sv_body body;
    std::memset(&body, 0, sizeof body);
    body.hp = 300;
    ASSERT_EQ(sv_floor_add_mob(&floor, 3, 0, 0, 0, &body, 1, "The Still Hexad", 1), 0);
    floor.boss_mob = 0;
    body.hp = 90;
    ASSERT_EQ(sv_floor_add_mob(&floor, 0, 2, 2, 0, &body, 2, "Plumb Line", 1), 1);
    body.hp = 20;
    ASSERT_EQ(sv_floor_add_mob(&floor, 0, -2, 2, 0, &body, 0, "pentagon", 0), 2);
    ASSERT_EQ(sv_floor_add_mob(&floor, 0, -2, -2, 0, &body, 0, "pentagon", 0), 3);
    sv_floor_kill_mob(&floor, 3);
    ASSERT_NE(sv_floor_seal(&floor, 0), 0);
    sv_floor_visit(&floor, 0);
    sv_floor_visit(&floor, 2);
    ASSERT_NE(sv_floor_add_shot(&floor, 0, 0, 1, 0, 1, 0, 0, 5, 1, nullptr, 60, 1), nullptr);

    static sv_walker w;
    std::memset(&w, 0, sizeof w);
    w.place = w.room = 0;
    w.lock_mob = SV_NONE16;
    w.geom.vertex_count = 4;
    w.geom.radius = 5.0f;
    w.player.x = 1.5f;
    w.player.z = -2.25f;
    w.player.y = 1.25f;
    w.player.yaw = 1.0f;
    w.player.pitch = -0.5f;
    w.player.grit = 3;
    w.player.damage_taken = 12.0f;
    w.player.stamina_spent = 30.0f;
    w.player.exhausted = 1;
    w.player.phase = 2;
    w.player.phase_ticks = 4;

    sv_overlay_facts in;
    std::memset(&in, 0, sizeof in);
    in.floor = &floor;
    in.walker = &w;
    in.floor_number = 7;
    in.places_drawn = 5;
    in.fps = 60;
    in.frame_ms = 16.66f;
    in.presses = 3;
    in.shortest_press = 0.0421;
    in.in_hand = "Iron Edge";
    in.run_seed = 4471;
    in.seeded = 1;
    in.debug = 1;
    in.modded = 0;
    in.screen_width = 1280;
    sv_overlay_row rows[SV_OVERLAY_ROWS];
    const i32 n = sv_overlay_rows(&in, rows);

    struct row {
        i32 x, y;
        u8 colour;
        std::string text;
    };
    const u8 B = SV_OVERLAY_BODY, H = SV_OVERLAY_HEADING, S = SV_OVERLAY_SEED, D = SV_OVERLAY_DOOR;
    char memory[96];
    std::snprintf(memory, sizeof memory, "live floors [7 .. 7]   arena used %zu  reserved %zu",
                  (size_t)sv_arena_used(&floor.arena), (size_t)sv_arena_reserved(&floor.arena));
    std::vector<row> expected = {
        {950, 34, B, "60 fps   16.7 ms   rooms drawn 5"},
        {12, 34, B, "presses 3   shortest press 42 ms"},
        {12, 60, H, "position"},
        {12, 80, B, "x 1.50  z -2.25  y 1.25   yaw 57  pitch -29"},
        {12, 100, B, "room 0 of 6   floor 7   degree 3   walls 4   elev 1.25  scale 1.10  r 5.00"},
        {12, 120, B, "in hand Iron Edge   grit 3   shots 1   stamina 70 winded"},
        {12, 140, B, "mobs here 2 alive of 3   health 88   swing 2/4   "},
        {12, 166, H, "economy"},
        {12, 186, B, "depth 7   saturation --   accumulator --   chords --   warp --"},
        {12, 212, H, "ledger"},
        {12, 232, B, "prism r2 taken   axiom r3   monument r4   gate scions 2   optional 1"},
        {12, 252, B, "axiom The Still Hexad hp 300   bosses alive 2   this room: Plumb Line hp 90"},
        {12, 272, B, "chests 2   locked 1   opened 1   loose shards 1   fountains 2"},
        {12, 298, H, "sets"},
        {12, 318, B, "visited 2   generated 6   sealed here yes"},
        {12, 344, H, "memory"},
        {12, 364, B, memory},
        {12, 390, H, "seed"},
        {12, 410, B, "run 4471   seeded yes   debug yes   modded no"},
    };
    const char* k_streams[] = {"topology",  "contents", "anomaly", "character",
                               "placement", "geometry", "mobs",    "tenacity"};
    for (u32 k = 0; k < 8; ++k) {
        char text[64];
        std::snprintf(text, sizeof text, "  %-10s %016llx", k_streams[k],
                      (unsigned long long)sv_stream_seed(4471, 7, k));
        expected.push_back({12, 430 + 20 * (i32)k, S, text});
    }
    expected.push_back({12, 596, H, "doors"});
    expected.push_back({12, 616, D, "slot 0  scion    locked  art 0  -> r1"});
    expected.push_back({12, 636, D, "slot 1  normal           art 3  -> r2"});
    expected.push_back({12, 656, D, "slot 2  exit             art 0  -> r-1"});

    ASSERT_EQ(n, (i32)expected.size());
    const u32 kinds[] = {SV_DOOR_SCION, SV_DOOR_NORMAL, SV_DOOR_EXIT};
    for (i32 i = 0; i < n; ++i) {
        EXPECT_EQ(rows[i].text, expected[i].text) << "row " << i;
        EXPECT_EQ(rows[i].x, expected[i].x) << expected[i].text;
        EXPECT_EQ(rows[i].y, expected[i].y) << expected[i].text;
        EXPECT_EQ(rows[i].colour, expected[i].colour) << expected[i].text;
        if (rows[i].colour == D) {
            EXPECT_EQ(rows[i].door_kind, kinds[(rows[i].y - 616) / 20]) << expected[i].text;
        }
    }
    sv_floor_free(&floor);
}

} // namespace

// The debug commands through the registry, with their exact texts, on a floor made by gen with
// the base pack and a walker started in its spawn room.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "actors/afflict.h"
#include "actors/combat.h"
#include "actors/walker.h"
#include "console/cmd.h"
#include "core/boot.h"
#include "core/content.h"
#include "core/diag.h"
#include "core/pack.h"
#include "core/rarity.h"
#include "core/text.h"
#include "core/tune.h"
#include "core/vfs.h"
#include "game/cmd_debug.h"
#include "game/cmd_gen.h"
#include "support/capture.h"
#include "support/console_program.h"
#include "support/files.h"
#include "support/reset.h"
#include "world/geom.h"

namespace {

const char* const NOTHING = "  nothing selected -- aim at a mob or stand by a prop and `select`\n";
const char* const COUNT = "count must be a whole number of at least 1\n";

struct Debug : ::testing::Test {
    std::string out;
    sv_walker walker;
    char names[2][SV_WEAPON_NAME];

    void SetUp() override
    {
        sv_test_reset_all();
        sv_debug_reset();
        boot();
        sv_cmd_register_builtins();
        sv_gen_register_commands();
        sv_debug_register_commands();
        sv_cmd_set_writer(sv_test_capture(&out));
        std::memset(names, 0, sizeof names);
        std::memset(&walker, 0, sizeof walker);
        sv_debug_bind(&walker, names);
        play(7, 1);
    }
    void TearDown() override
    {
        sv_debug_reset();
        sv_test_reset_all();
    }
    virtual void boot()
    {
        ASSERT_EQ(sv_pack_boot(SV_BINARY_DIR "/packs/base"), 1);
        sv_tune_reset_defaults();
        sv_diag_reset();
    }
    // Generates a floor and starts the walker in its spawn room, as the front end does.
    void play(u64 seed, u16 number)
    {
        char line[64];
        std::snprintf(line, sizeof line, "gen %llu %u", (unsigned long long)seed, number);
        sv_cmd_dispatch(line);
        ASSERT_NE(floor(), nullptr);
        sv_walker_start(&walker, floor(), 0);
    }
    static sv_floor* floor() { return sv_gen_current(); }
    std::string run(const char* line, i32* result = nullptr)
    {
        out.clear();
        i32 r = sv_cmd_run(line);
        if (result)
            *result = r;
        return out;
    }
    i32 result_of(const char* line)
    {
        i32 r = -1;
        run(line, &r);
        return r;
    }
    // The first room (in index order) with any of the tags, or -1.
    static i32 room_tagged(u8 tags)
    {
        for (u16 r = 0; r < floor()->room_count; ++r)
            if (floor()->rooms[r].tags & tags)
                return r;
        return -1;
    }
    static i32 room_with_chest()
    {
        for (u16 r = 0; r < floor()->room_count; ++r)
            if (sv_floor_chest_in(floor(), r))
                return r;
        return -1;
    }
    static i32 first_mob(bool boss)
    {
        for (u16 i = 0; i < floor()->mob_count; ++i)
            if ((floor()->mobs[i].boss != 0) == boss)
                return i;
        return -1;
    }
    // Stands the player at (x, z) of its place facing yaw.
    void stand(f32 x, f32 z, f32 yaw)
    {
        walker.player.x = x;
        walker.player.z = z;
        walker.player.yaw = yaw;
        walker.player.y = sv_geom_ground(&walker.geom, x, z);
    }
};

std::string fmt(const char* f, ...) SV_PRINTF(1, 2);
std::string fmt(const char* f, ...)
{
    char buf[2048];
    va_list ap;
    va_start(ap, f);
    std::vsnprintf(buf, sizeof buf, f, ap);
    va_end(ap);
    return buf;
}

} // namespace

TEST_F(Debug, RegisteredInOrderWithTheirUsagesAndHelps)
{
    const char* names_in_order[] = {"give",     "spawn", "heal",   "passive", "select",
                                    "selected", "mob",   "status", "chest",   "kill"};
    u64 first = sv_cmd_count() - 10;
    for (u64 i = 0; i < 10; ++i)
        EXPECT_STREQ(sv_cmd_name_at(first + i), names_in_order[i]);
    EXPECT_EQ(run("help give"),
              "  give shard|prism|grit [count] | give weapon <id>\n    a key, "
              "rounds, or any content entry into the player's hands\n");
    EXPECT_EQ(run("help spawn"),
              "  spawn <id>\n    stand any mob, Scion or Axiom in front of the "
              "player; it seals nothing\n");
    EXPECT_EQ(run("help heal"), "  heal\n    the player whole and alive\n");
    EXPECT_EQ(run("help passive"), "  passive [on|off]\n    no mob walks, turns or winds up\n");
    EXPECT_EQ(run("help select"),
              "  select [player | mob|chest|landmark|key <id>]\n    select "
              "the mob under the crosshair, the prop in reach, or one by id\n");
    EXPECT_EQ(run("help selected"), "  selected\n    what is selected\n");
    EXPECT_EQ(run("help mob"),
              "  mob [<field> <value>]\n    the selected mob's stats, or set "
              "one: hp maxhp damage speed turn reach windup active recovery\n");
    EXPECT_EQ(run("help status"),
              "  status [<id> [count] [duration] [magnitude] | remove <id> | clear]\n    the "
              "selection's statuses (player or mob): list, apply (count only if it stacks; "
              "duration 0 is indefinite; defaults are the entry's), remove one, remove all\n");
    EXPECT_EQ(run("help chest"),
              "  chest [locked|opened 0|1]\n    the selected chest, or set it\n");
    EXPECT_EQ(run("help kill"), "  kill\n    kill the selected mob; a boss's room opens\n");
}

TEST_F(Debug, GiveKeysWithCountsThatAreWholeNumbers)
{
    i32 r = -1;
    EXPECT_EQ(run("give shard", &r), "  shard: 1\n");
    EXPECT_EQ(r, 0);
    EXPECT_EQ(run("give shard 2"), "  shard: 3\n");
    EXPECT_EQ(walker.player.shards, 3u);
    for (const char* bad : {"give shard 0", "give shard -1", "give shard +1", "give shard 1x",
                            "give shard 0x10", "give shard \" 1\"", "give shard \"\"",
                            "give shard 4294967296", "give shard 99999999999999999999"}) {
        EXPECT_EQ(run(bad, &r), COUNT) << bad;
        EXPECT_EQ(r, 1) << bad;
    }
    EXPECT_EQ(walker.player.shards, 3u) << "a refused count gives nothing";
    EXPECT_EQ(run("give prism 4294967295"), "  prism: 4294967295\n");
    EXPECT_EQ(run("give prism 5"), "  prism: 4294967295\n") << "saturates";
    EXPECT_EQ(run("give stone", &r), "'stone' is not a key or grit -- shard, prism or grit\n");
    EXPECT_EQ(r, 1);
    EXPECT_EQ(run("give stone 0"), COUNT) << "the count is read first";
    const char* usage = "usage: give shard|prism|grit [count] | give weapon <id>\n";
    EXPECT_EQ(run("give", &r), usage);
    EXPECT_EQ(r, 1);
    EXPECT_EQ(run("give shard 1 2"), usage);
}

TEST_F(Debug, GiveGritStopsAtTheCap)
{
    walker.player.grit = 20;
    EXPECT_EQ(run("give grit 1000"), "  grit: 30 (10 added; grit.max is 30)\n");
    EXPECT_EQ(run("give grit"), "  grit: 30 (0 added; grit.max is 30)\n");
}

TEST_F(Debug, GiveWeaponArmsTheSlotAndNamesIt)
{
    i32 r = -1;
    EXPECT_EQ(run("give weapon", &r), "usage: give weapon <id>\n");
    EXPECT_EQ(r, 1);
    std::string list = "no weapon 'base:nothing' in the content; try:\n";
    for (u64 i = 0; i < sv_content_weapon_count(); ++i)
        list += std::string("  ") + sv_content_weapon_at(i)->id + "\n";
    EXPECT_EQ(run("give weapon base:nothing", &r), list);
    EXPECT_EQ(r, 1);
    ASSERT_GT(sv_content_weapon_count(), 0u);
    for (u64 i = 0; i < sv_content_weapon_count(); ++i) {
        const sv_weapon_def* w = sv_content_weapon_at(i);
        walker.player.grit = 0;
        std::string line = std::string("give weapon ") + w->id;
        bool ranged = w->slot == SV_SLOT_RANGED;
        EXPECT_EQ(run(line.c_str(), &r),
                  fmt("  %s in the %s slot%s\n", w->name, sv_weapon_slot_name(w->slot),
                      ranged ? ", with grit" : ""));
        EXPECT_EQ(r, 0);
        EXPECT_EQ(std::memcmp(&walker.player.weapons[w->slot], &w->body, sizeof w->body), 0);
        EXPECT_STREQ(names[w->slot], w->name);
        EXPECT_EQ(walker.player.grit, ranged ? 10u : 0u) << w->id;
    }
}

TEST_F(Debug, CommandsOnThePlayerNeedAWalker)
{
    sv_debug_bind(nullptr, nullptr);
    i32 r = -1;
    EXPECT_EQ(run("give shard", &r), "no player to give to\n");
    EXPECT_EQ(r, 1);
    EXPECT_EQ(run("give"), "usage: give shard|prism|grit [count] | give weapon <id>\n");
    EXPECT_EQ(run("heal", &r), "no player\n");
    EXPECT_EQ(r, 1);
    EXPECT_EQ(run("spawn base:nothing"), "no floor to spawn on\n");
    EXPECT_EQ(run("select"), "no floor\n");
    EXPECT_EQ(run("status"), "no floor\n");
    EXPECT_EQ(run("select player"), "no floor\n");
}

TEST_F(Debug, NothingWorksWithoutAFloor)
{
    sv_gen_release_current();
    EXPECT_EQ(run("spawn base:nothing"), "no floor to spawn on\n");
    EXPECT_EQ(run("select mob 0"), "no floor\n");
    EXPECT_EQ(run("status"), "no floor\n");
    EXPECT_EQ(run("selected"), NOTHING);
}

TEST_F(Debug, HealRevives)
{
    walker.player.damage_taken = 250.0f;
    walker.player.stamina_spent = 40.0f;
    i32 r = -1;
    EXPECT_EQ(run("heal", &r), "  health 100\n");
    EXPECT_EQ(r, 0);
    EXPECT_TRUE(sv_player_alive(&walker.player));
}

TEST_F(Debug, PassiveTogglesOrSets)
{
    EXPECT_EQ(run("passive"), "  mobs are passive\n");
    EXPECT_EQ(sv_combat_passive(), 1);
    EXPECT_EQ(run("passive"), "  mobs are hostile\n");
    EXPECT_EQ(run("passive on and more"), "  mobs are passive\n");
    EXPECT_EQ(run("passive on"), "  mobs are passive\n");
    EXPECT_EQ(run("passive off"), "  mobs are hostile\n");
    i32 r = -1;
    EXPECT_EQ(run("passive maybe", &r), "usage: passive [on|off]\n");
    EXPECT_EQ(r, 1);
    EXPECT_EQ(sv_combat_passive(), 0);
}

TEST_F(Debug, SelectWithNothingInAimOrReachSelectsNothing)
{
    i32 r = -1;
    EXPECT_EQ(run("selected", &r), NOTHING);
    EXPECT_EQ(r, 0);
    EXPECT_EQ(run("select", &r), NOTHING) << "the spawn room has no mob and no prop";
    EXPECT_EQ(r, 1);
    EXPECT_EQ(sv_debug_selected_kind(), (u32)SV_SEL_NONE);
}

TEST_F(Debug, SelectTakesTheMobInAimFirstThenThePropInReach)
{
    stand(0.0f, 0.0f, 0.0f);
    u16 spawned = floor()->mob_count;
    ASSERT_EQ(result_of(fmt("spawn %s", sv_content_mob_at(0)->id).c_str()), 0);
    i32 r = -1;
    EXPECT_EQ(run("select", &r).rfind(fmt("  mob %u  ", (unsigned)spawned), 0), 0u) << out;
    EXPECT_EQ(r, 0);
    EXPECT_EQ(sv_debug_selected_kind(), (u32)SV_SEL_MOB);
    EXPECT_EQ(sv_debug_selected_id(), (u32)spawned);

    i32 chest = room_with_chest();
    ASSERT_GE(chest, 0);
    sv_walker_start(&walker, floor(), (u16)chest);
    Vector3 spot = walker.geom.props[SV_PROP_CHEST];
    stand(spot.x, spot.z, 0.0f);
    EXPECT_EQ(run("select", &r).rfind(fmt("  chest in room %d  ", chest), 0), 0u) << out;
    EXPECT_EQ(r, 0);
    EXPECT_EQ(sv_debug_selected_kind(), (u32)SV_SEL_CHEST);

    i32 landmark = room_tagged(SV_TAG_FOUNTAIN | SV_TAG_MONUMENT);
    if (landmark >= 0 && !sv_floor_chest_in(floor(), (u16)landmark)) {
        sv_walker_start(&walker, floor(), (u16)landmark);
        spot = walker.geom.props[SV_PROP_CENTRE];
        stand(spot.x, spot.z, 0.0f);
        run("select", &r);
        EXPECT_EQ(r, 0);
        EXPECT_EQ(sv_debug_selected_kind(), (u32)SV_SEL_LANDMARK);
        EXPECT_EQ(sv_debug_selected_id(), (u32)landmark);
    }
}

TEST_F(Debug, SelectById)
{
    i32 r = -1;
    walker.player.grit = 4;
    walker.player.damage_taken = 30.0f;
    EXPECT_EQ(run("select player", &r),
              "  player  room 0  hp 70/100  stamina 100  grit 4\n"
              "    no statuses\n");
    EXPECT_EQ(r, 0);
    EXPECT_EQ(run("select mob 65536"), "  mob 65536: no such slot on this floor\n");
    EXPECT_EQ(run("select mob 4294967295"), "  mob 4294967295: no such slot on this floor\n");
    EXPECT_EQ(run("select chest 0"), "  chest in room 0: none\n");
    EXPECT_EQ(sv_debug_selected_kind(), (u32)SV_SEL_CHEST);
    EXPECT_EQ(run("select key 70000"), "  keys in room 70000: no such room on this floor\n");
    EXPECT_EQ(run("select landmark 70000"), "  fountain in room 70000 -- nothing to set yet\n");
    const char* usage = "usage: select [player | mob|chest|landmark|key <id>]\n";
    for (const char* bad : {"select mob", "select mob -1", "select mob +1", "select mob 1x",
                            "select mob 0x1", "select mob 4294967296", "select mob \" 1\"",
                            "select boss 1", "select player 1", "select mob 1 2", "select 3"}) {
        EXPECT_EQ(run(bad, &r), usage) << bad;
        EXPECT_EQ(r, 1) << bad;
    }
    EXPECT_EQ(sv_debug_selected_kind(), (u32)SV_SEL_LANDMARK) << "a refusal keeps the selection";
}

TEST_F(Debug, SelectionPrintsChestsLandmarksAndKeys)
{
    i32 chest = room_with_chest();
    ASSERT_GE(chest, 0);
    const sv_chest* c = sv_floor_chest_in(floor(), (u16)chest);
    std::string line = fmt("  chest in room %d  %s  locked %d  opened 0\n", chest,
                           sv_rarity_name((i32)c->rarity), c->locked ? 1 : 0);
    EXPECT_EQ(run(fmt("select chest %d", chest).c_str()), line);

    i32 fountain = room_tagged(SV_TAG_FOUNTAIN);
    if (fountain >= 0) {
        EXPECT_EQ(run(fmt("select landmark %d", fountain).c_str()),
                  fmt("  fountain in room %d -- nothing to set yet\n", fountain));
    }
    i32 monument = room_tagged(SV_TAG_MONUMENT);
    if (monument >= 0) {
        EXPECT_EQ(run(fmt("select landmark %d", monument).c_str()),
                  fmt("  monument in room %d -- nothing to set yet\n", monument));
    }

    i32 prism = room_tagged(SV_TAG_PRISM);
    ASSERT_GE(prism, 0);
    u8 tags = floor()->rooms[prism].tags;
    std::string shard = (tags & SV_TAG_SHARD) ? "shard" : "";
    EXPECT_EQ(run(fmt("select key %d", prism).c_str()),
              fmt("  keys in room %d: prism %s\n", prism, shard.c_str()));
    sv_floor_take(floor(), (u16)prism, SV_TAG_PRISM);
    EXPECT_EQ(run("selected"), fmt("  keys in room %d: %s\n", prism, shard.c_str()))
        << "a taken Prism is not shown";
    EXPECT_EQ(run("select key 0"), "  keys in room 0: \n");
}

TEST_F(Debug, MobShowsAndSetsTheSelectedMob)
{
    play(7, 3); // floor 1 has no ordinary mobs
    i32 r = -1;
    EXPECT_EQ(run("mob", &r), "no mob selected (`select`, aimed at one)\n");
    EXPECT_EQ(r, 1);
    run("select mob 60000");
    EXPECT_EQ(run("mob", &r), "mob 60000 is not on this floor\n");
    EXPECT_EQ(r, 1);
    i32 m = first_mob(false);
    ASSERT_GE(m, 0);
    run(fmt("select mob %d", m).c_str());
    const sv_mob* mob = sv_floor_mob_const(floor(), (u16)m);
    ASSERT_GT(mob->body.action_count, 0);
    const sv_action* a = &mob->body.actions[0];
    auto line = [&]() {
        return fmt("  mob %d  %s  room %u  hp %.0f/%.0f  damage %.0f  speed %.1f  turn %.0f  reach "
                   "%.2f  windup %.2f  active %.2f  recovery %.2f  phase %u\n",
                   m, mob->name, (unsigned)mob->place, (double)mob->hp, (double)mob->body.hp,
                   (double)a->damage, (double)mob->body.speed, (double)mob->body.turn,
                   (double)a->reach, (double)a->windup, (double)a->active, (double)a->recovery,
                   (unsigned)mob->phase);
    };
    EXPECT_EQ(run("mob", &r), line());
    EXPECT_EQ(r, 0);
    const sv_mob_def* def = sv_content_mob_find("base:shard_skitter");
    std::string shown = run("mob speed 7.25");
    EXPECT_EQ(shown, line());
    EXPECT_EQ(mob->body.speed, 7.25f);
    run("mob turn 90");
    run("mob maxhp 500");
    run("mob hp 480");
    run("mob damage 12");
    run("mob reach 1.5");
    run("mob windup 0.25");
    run("mob active 0.5");
    run("mob recovery 0.75");
    EXPECT_EQ(mob->body.turn, 90.0f);
    EXPECT_EQ(mob->body.hp, 500.0f);
    EXPECT_EQ(mob->hp, 480.0f);
    EXPECT_EQ(a->damage, 12.0f);
    EXPECT_EQ(a->reach, 1.5f);
    EXPECT_EQ(a->windup, 0.25f);
    EXPECT_EQ(a->active, 0.5f);
    EXPECT_EQ(a->recovery, 0.75f);
    if (def && def->body.action_count > 0) {
        EXPECT_NE(def->body.actions[0].damage, 12.0f) << "the content is never changed";
    }

    // Refusals change nothing.
    for (const char* bad : {"mob hp abc", "mob hp inf", "mob hp nan", "mob hp -inf", "mob hp 1e39",
                            "mob hp 12abc", "mob hp \"\""}) {
        std::string word = std::string(bad).substr(7);
        if (word == "\"\"")
            word = "";
        EXPECT_EQ(run(bad, &r), "'" + word + "' is not a number\n") << bad;
        EXPECT_EQ(r, 1);
    }
    EXPECT_EQ(run("mob maxhp 0", &r), "maxhp must be above 0\n");
    EXPECT_EQ(r, 1);
    EXPECT_EQ(run("mob maxhp -3"), "maxhp must be above 0\n");
    EXPECT_EQ(mob->body.hp, 500.0f);
    EXPECT_EQ(run("mob weight 3", &r), "'weight' is not a field\n");
    EXPECT_EQ(r, 1);
    const char* usage
        = "usage: mob [hp|maxhp|damage|speed|turn|reach|windup|active|recovery <value>]\n";
    EXPECT_EQ(run("mob hp"), usage);
    EXPECT_EQ(run("mob hp 1 2"), usage);
    EXPECT_EQ(mob->hp, 480.0f);

    // hp 0 kills it.
    shown = run("mob hp 0", &r);
    EXPECT_EQ(shown, line());
    EXPECT_EQ(r, 0);
    EXPECT_EQ(mob->hp, 0.0f);
}

TEST_F(Debug, AMobWithoutActionsHasNoActionFields)
{
    sv_body body;
    std::memset(&body, 0, sizeof body);
    body.hp = 10.0f;
    body.speed = 1.0f;
    i32 m = sv_floor_add_mob(floor(), 0, 0.0f, 0.0f, 0.0f, &body, 0, "blank", 0);
    ASSERT_GE(m, 0);
    run(fmt("select mob %d", m).c_str());
    EXPECT_EQ(run("mob"),
              fmt("  mob %d  blank  room 0  hp 10/10  damage 0  speed 1.0  turn 0  reach 0.00  "
                  "windup 0.00  active 0.00  recovery 0.00  phase 0\n",
                  m));
    i32 r = -1;
    EXPECT_EQ(run("mob damage 3", &r), "this mob has no actions\n");
    EXPECT_EQ(r, 1);
    EXPECT_EQ(result_of("mob hp 4"), 0) << "its own numbers are still set";
}

TEST_F(Debug, KillingABossClearsItsRoom)
{
    i32 r = -1;
    EXPECT_EQ(run("kill", &r), "no mob selected\n");
    EXPECT_EQ(r, 1);
    run("select mob 65535");
    EXPECT_EQ(run("kill", &r), "mob 65535 is not on this floor\n");
    EXPECT_EQ(r, 1);

    // Floor 3 has an Axiom in its boss room; seal the room as a risen boss would.
    play(7, 3);
    i32 boss = first_mob(true);
    ASSERT_GE(boss, 0);
    const sv_mob* mob = sv_floor_mob_const(floor(), (u16)boss);
    u16 room = mob->place;
    sv_floor_seal(floor(), room);
    run(fmt("select mob %d", boss).c_str());
    std::string shown = run("mob");
    EXPECT_NE(shown.find(" (boss)  room "), std::string::npos) << shown;
    std::string killed = run("kill", &r);
    EXPECT_EQ(killed, run("mob"));
    EXPECT_EQ(r, 0);
    EXPECT_EQ(mob->hp, 0.0f);
    EXPECT_FALSE(sv_floor_seal_state(floor(), room) & SV_SEAL_SEALED);

    // The same through mob hp 0, on a fresh floor.
    play(7, 3);
    sv_floor_seal(floor(), room);
    EXPECT_EQ(result_of("mob hp 0"), 0);
    EXPECT_FALSE(sv_floor_seal_state(floor(), room) & SV_SEAL_SEALED);
}

TEST_F(Debug, ChestShowsAndSetsTheSelectedChest)
{
    i32 r = -1;
    EXPECT_EQ(run("chest", &r), "no chest selected (`select`, standing by one)\n");
    EXPECT_EQ(r, 1);
    run("select chest 0");
    EXPECT_EQ(run("chest", &r), "no chest in room 0\n");
    EXPECT_EQ(r, 1);
    run("select chest 4294967295");
    EXPECT_EQ(run("chest"), "no chest in room 4294967295\n");
    i32 room = room_with_chest();
    ASSERT_GE(room, 0);
    run(fmt("select chest %d", room).c_str());
    sv_chest* c = sv_floor_chest_in_mut(floor(), (u16)room);
    const char* rarity = sv_rarity_name((i32)c->rarity);
    EXPECT_EQ(run("chest locked 1", &r),
              fmt("  chest in room %d  %s  locked 1  opened 0\n", room, rarity));
    EXPECT_EQ(r, 0);
    EXPECT_EQ(run("chest opened 7"),
              fmt("  chest in room %d  %s  locked 1  opened 1\n", room, rarity));
    EXPECT_EQ(run("chest locked 0"),
              fmt("  chest in room %d  %s  locked 0  opened 1\n", room, rarity));
    EXPECT_EQ(run("chest"), fmt("  chest in room %d  %s  locked 0  opened 1\n", room, rarity));
    const char* usage = "usage: chest [locked|opened 0|1]\n";
    for (const char* bad : {"chest locked", "chest locked x", "chest locked -1", "chest shut 1",
                            "chest opened 1 2", "chest locked 99999999999"}) {
        EXPECT_EQ(run(bad, &r), usage) << bad;
        EXPECT_EQ(r, 1);
    }
    EXPECT_EQ(c->locked, 0);
}

TEST_F(Debug, StatusNeedsThePlayerOrAMob)
{
    i32 r = -1;
    EXPECT_EQ(run("status", &r),
              "select the player or a mob first (`select player`, or `select` "
              "aimed at one)\n");
    EXPECT_EQ(r, 1);
    run("select mob 60000");
    EXPECT_EQ(run("status"), "mob 60000 is not on this floor\n");
    run("select player");
    EXPECT_EQ(run("status", &r), "  the player:\n    no statuses\n");
    EXPECT_EQ(r, 0);
}

TEST_F(Debug, StatusAppliesWithCountDurationAndMagnitude)
{
    run("select player");
    i32 r = -1;
    // Slowed does not stack: the next word is the duration.
    EXPECT_EQ(run("status base:slowed 2", &r), "  the player:\n    Slowed  2s\n");
    EXPECT_EQ(r, 0);
    // Bleeding stacks (cap 5): the next word is the count.
    EXPECT_EQ(run("status base:bleeding 3"), "  the player:\n    Slowed  2s\n    Bleeding 3  4s\n");
    EXPECT_EQ(run("status base:bleeding 1 0 -7"),
              "  the player:\n    Slowed  2s\n    Bleeding 4\n");
    const sv_affliction* b
        = sv_afflictions_find(&walker.player.afflictions, sv_status_key("base:bleeding"));
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->status.magnitude, -7.0f);
    EXPECT_EQ(b->permanent, 1);
    EXPECT_EQ(run("status base:mending 0.5"),
              "  the player:\n    Slowed  2s\n    Bleeding 4\n    Mending  1s\n");

    EXPECT_EQ(run("status base:bleeding 0", &r), COUNT);
    EXPECT_EQ(r, 1);
    EXPECT_EQ(run("status base:bleeding -2"), COUNT);
    const char* duration = "duration must be seconds, 0 or more (0 is indefinite)\n";
    for (const char* bad :
         {"status base:slowed -1", "status base:slowed x", "status base:slowed inf",
          "status base:slowed nan", "status base:slowed 2s", "status base:bleeding 1 -1",
          "status base:slowed 1e39"}) {
        EXPECT_EQ(run(bad, &r), duration) << bad;
        EXPECT_EQ(r, 1);
    }
    EXPECT_EQ(run("status base:slowed 1 x"), "magnitude must be a number\n");
    EXPECT_EQ(run("status base:slowed 1 inf"), "magnitude must be a number\n");
    EXPECT_EQ(run("status base:slowed 1 2 3"),
              "usage: status [<id> [count] [duration] [magnitude] | remove <id> | clear]\n");
    EXPECT_EQ(run("status base:bleeding 1 2 3 4"),
              "usage: status [<id> [count] [duration] [magnitude] | remove <id> | clear]\n");

    std::string list = "no status 'base:nothing' in the content; try:\n";
    for (u64 i = 0; i < sv_content_status_count(); ++i)
        list += std::string("  ") + sv_content_status_at(i)->id + "\n";
    EXPECT_EQ(run("status base:nothing", &r), list);
    EXPECT_EQ(r, 1);
}

// A count applied one stack at a time would run for minutes: CTest's limit on this test (set in
// CMakeLists.txt) fails it then, where a clock here would fail it on a busy machine.
TEST_F(Debug, AHugeCountOfACappedStatusFinishesAtOnce)
{
    run("select player");
    EXPECT_EQ(run("status base:bleeding 4294967295"), "  the player:\n    Bleeding 5  4s\n");
}

TEST_F(Debug, StatusRemovesAndClears)
{
    run("select player");
    run("status base:slowed");
    run("status base:winded");
    i32 r = -1;
    EXPECT_EQ(run("status remove base:slowed", &r), "  the player: Slowed removed\n");
    EXPECT_EQ(r, 0);
    EXPECT_EQ(run("status remove base:slowed", &r), "  the player does not have 'base:slowed'\n");
    EXPECT_EQ(r, 1);
    // An id the content does not know is removed by its own key.
    sv_apply odd;
    std::memset(&odd, 0, sizeof odd);
    odd.key = sv_status_key("gone:pack");
    std::snprintf(odd.label, sizeof odd.label, "Odd");
    ASSERT_EQ(sv_afflict(&walker.player.afflictions, &odd), 1);
    EXPECT_EQ(run("status remove gone:pack"), "  the player: gone:pack removed\n");
    EXPECT_EQ(run("status remove"), "usage: status remove <id>\n");
    EXPECT_EQ(run("status remove a b"), "usage: status remove <id>\n");

    EXPECT_EQ(run("status clear"), "  the player: 1 status removed\n");
    run("status base:slowed");
    run("status base:winded");
    EXPECT_EQ(run("status clear"), "  the player: 2 statuses removed\n");
    EXPECT_EQ(run("status clear"), "  the player: 0 statuses removed\n");
    EXPECT_EQ(run("status clear now", &r), "usage: status clear\n");
    EXPECT_EQ(r, 1);
}

TEST_F(Debug, StatusRefusedWhenEightAreHeld)
{
    run("select player");
    for (u32 i = 0; i < SV_AFFLICTIONS; ++i) {
        sv_apply a;
        std::memset(&a, 0, sizeof a);
        a.key = 1000 + i;
        std::snprintf(a.label, sizeof a.label, "s%u", i);
        ASSERT_EQ(sv_afflict(&walker.player.afflictions, &a), 1);
    }
    i32 r = -1;
    EXPECT_EQ(run("status base:slowed", &r), "  Slowed not applied: the player holds 8 already\n");
    EXPECT_EQ(r, 1);
}

TEST_F(Debug, StatusOnTheSelectedMob)
{
    play(7, 3);
    i32 m = first_mob(false);
    ASSERT_GE(m, 0);
    run(fmt("select mob %d", m).c_str());
    std::string name = floor()->mobs[m].name;
    EXPECT_EQ(run("status base:exposed"), "  " + name + ":\n    Exposed  4s\n");
    EXPECT_EQ(run("status"), "  " + name + ":\n    Exposed  4s\n");
    EXPECT_EQ(walker.player.afflictions.count, 0);
    floor()->mobs[m].afflictions = nullptr;
    EXPECT_EQ(run("status"), fmt("mob %d carries no status list\n", m));
}

TEST_F(Debug, TheSelectionOutlivesTheFloor)
{
    run("select mob 2");
    play(8, 2);
    EXPECT_EQ(sv_debug_selected_kind(), (u32)SV_SEL_MOB);
    EXPECT_EQ(sv_debug_selected_id(), 2u);
    EXPECT_EQ(run("selected").rfind("  mob 2  ", 0), 0u);
}

TEST_F(Debug, SpawnListsWhatThePackHas)
{
    std::string list;
    for (u64 i = 0; i < sv_content_mob_count(); ++i) {
        const sv_mob_def* d = sv_content_mob_at(i);
        list += fmt("  %-16s mob     %u-gon   hp %.0f dmg %.0f\n", d->id, (unsigned)d->sides,
                    (double)d->body.hp,
                    d->body.action_count ? (double)d->body.actions[0].damage : 0.0);
    }
    for (u64 i = 0; i < sv_content_scion_count(); ++i) {
        const sv_scion_def* d = sv_content_scion_at(i);
        list += fmt("  %-16s scion           hp %.0f dmg %.0f\n", d->id, (double)d->body.hp,
                    d->body.action_count ? (double)d->body.actions[0].damage : 0.0);
    }
    for (u64 i = 0; i < sv_content_axiom_count(); ++i) {
        const sv_axiom_def* d = sv_content_axiom_at(i);
        list += fmt("  %-16s axiom   %u faces hp %.0f dmg %.0f\n", d->id, d->faces,
                    (double)d->body.hp,
                    d->body.action_count ? (double)d->body.actions[0].damage : 0.0);
    }
    ASSERT_GT(sv_content_mob_count() * sv_content_scion_count() * sv_content_axiom_count(), 0u);
    i32 r = -1;
    EXPECT_EQ(run("spawn", &r), "usage: spawn <id>, any of:\n" + list);
    EXPECT_EQ(r, 1);
    EXPECT_EQ(run("spawn a b"), "usage: spawn <id>, any of:\n" + list);
    EXPECT_EQ(run("spawn base:nothing", &r),
              "nothing called 'base:nothing' -- the pack has:\n" + list);
    EXPECT_EQ(r, 1);
}

TEST_F(Debug, SpawnStandsABodyInFrontOfThePlayer)
{
    u16 before = floor()->mob_count;
    const sv_mob_def* def = sv_content_mob_at(0);
    ASSERT_NE(def, nullptr);
    stand(0.0f, 0.0f, 0.3f);
    i32 r = -1;
    std::string s = run(fmt("spawn %s", def->id).c_str(), &r);
    ASSERT_EQ(r, 0) << s;
    ASSERT_EQ(floor()->mob_count, before + 1);
    const sv_mob* m = &floor()->mobs[before];
    EXPECT_EQ(s,
              fmt("  %s in place 0, mob %u: hp %.0f, hits for %.0f after %.2fs\n", def->name,
                  (unsigned)before, (double)def->body.hp, (double)def->body.actions[0].damage,
                  (double)def->body.actions[0].windup));
    EXPECT_EQ(m->place, walker.place);
    EXPECT_EQ(m->boss, 0);
    EXPECT_NEAR(m->yaw, 0.3f + 3.14159265f, 1e-5f);
    f32 d = std::hypot(m->x, m->z);
    EXPECT_GE(d, 0.8f);
    EXPECT_LE(d, 3.0f + 1e-4f);

    // Every kind resolves: an Axiom and a Scion stand too, and seal nothing.
    EXPECT_EQ(result_of(fmt("spawn %s", sv_content_axiom_at(0)->id).c_str()), 0);
    EXPECT_EQ(result_of(fmt("spawn %s", sv_content_scion_at(0)->id).c_str()), 0);
    EXPECT_EQ(floor()->mobs[before + 1].boss, 0);
    EXPECT_EQ(sv_floor_seal_state(floor(), 0), 0);
}

TEST_F(Debug, SpawningFacingAWallAMetreAwayFails)
{
    const sv_geom* g = &walker.geom;
    // The middle of wall edge 1, and its inward normal: stand a metre inside, facing the wall.
    Vector2 a = g->vertices[1], b = g->vertices[2 % g->vertex_count];
    Vector2 mid = {(a.x + b.x) / 2, (a.y + b.y) / 2};
    f32 len = std::hypot(mid.x, mid.y);
    Vector2 out = {mid.x / len, mid.y / len};
    stand(mid.x - out.x * 1.0f, mid.y - out.y * 1.0f, std::atan2(out.y, out.x));
    u16 before = floor()->mob_count;
    i32 r = -1;
    EXPECT_EQ(run(fmt("spawn %s", sv_content_mob_at(0)->id).c_str(), &r),
              "no room in front of the player to stand it\n");
    EXPECT_EQ(r, 1);
    EXPECT_EQ(floor()->mob_count, before);
}

TEST_F(Debug, ASpawnedBodyNeverStandsOutsideTheWalls)
{
    // From many points and headings across the spawn room, every body stood lies inside the
    // room's walls, at least two radii from the player.
    const sv_geom* g = &walker.geom;
    u32 stood = 0, refused = 0;
    for (int ring = 0; ring < 4; ++ring) {
        for (int k = 0; k < 24; ++k) {
            f32 angle = (f32)k * 0.2617994f;
            f32 reach = g->radius * 0.25f * (f32)ring;
            f32 x = reach * std::cos(angle), z = reach * std::sin(angle);
            if (!sv_geom_standable(g, x, z, 0.4f))
                continue;
            for (int h = 0; h < 8; ++h) {
                stand(x, z, (f32)h * 0.7853982f);
                u16 before = floor()->mob_count;
                if (result_of(fmt("spawn %s", sv_content_mob_at(0)->id).c_str()) != 0) {
                    ++refused;
                    continue;
                }
                ++stood;
                const sv_mob* m = &floor()->mobs[before];
                EXPECT_TRUE(sv_geom_contains(g, Vector2 {m->x, m->z})) << x << " " << z << " " << h;
                EXPECT_GE(std::hypot(m->x - x, m->z - z), 0.8f - 1e-4f);
                floor()->mob_count = before; // keep the table from filling
            }
        }
    }
    std::printf("spawn sweep: %u stood, %u refused\n", stood, refused);
    EXPECT_GT(stood, 0u);
}

TEST_F(Debug, AFullMobTableIsReported)
{
    u16 keep = floor()->mob_count;
    floor()->mob_count = floor()->mob_capacity;
    stand(0.0f, 0.0f, 0.0f);
    EXPECT_EQ(run(fmt("spawn %s", sv_content_mob_at(0)->id).c_str()),
              "the floor has no slot left for it\n");
    floor()->mob_count = keep;
}

// A pack whose one status stacks without a cap: a huge count still ends at once.
struct DebugUncapped : Debug {
    sv_test_dir dir {"debug_pack"};
    void boot() override
    {
        sv_test_write_file(dir.path + "/data/statuses.json",
                           "[{ \"id\": \"t:pile\", \"name\": \"Pile\", \"modifies\": "
                           "\"damage_taken\", \"op\": \"add\", \"magnitude\": 1, \"duration\": 0, "
                           "\"stacks\": true }]");
        sv_pack_boot(dir.path.c_str());
        sv_tune_reset_defaults();
        sv_diag_reset();
    }
};

TEST_F(DebugUncapped, AHugeCountOfAnUncappedStatusFinishesAtOnce)
{
    // As above: CTest's limit on this test stands for the clock.
    run("select player");
    EXPECT_EQ(run("status t:pile 4294967295"), "  the player:\n    Pile 4294967295\n");
    EXPECT_EQ(run("status t:pile 3"), "  the player:\n    Pile 4294967295\n");
    run("status clear");
    EXPECT_EQ(run("status t:pile 1"), "  the player:\n    Pile 1\n");
    EXPECT_EQ(run("status t:pile 2"), "  the player:\n    Pile 3\n");
    EXPECT_EQ(run("status t:pile 4294967290"), "  the player:\n    Pile 4294967293\n");
}

// A pack whose ids and names carry terminal controls: an escape sequence, a bell, a lone C1 byte.
struct DebugHostileText : Debug {
    sv_test_dir dir {"debug_hostile_pack"};
    void boot() override
    {
        sv_test_write_file(dir.path + "/data/weapons.json",
                           "[{ \"id\": \"t:\\u001b[2J\", \"name\": \"Bell\\u0007\", "
                           "\"slot\": \"melee\" }]");
        sv_test_write_file(dir.path + "/data/mobs.json",
                           "[{ \"id\": \"t:m\x9b\", \"name\": \"M\x9b\" }]");
        sv_test_write_file(dir.path + "/data/statuses.json",
                           "[{ \"id\": \"t:s\\u0007\", \"name\": \"S\", \"modifies\": "
                           "\"damage_taken\", \"magnitude\": 1 }]");
        sv_pack_boot(dir.path.c_str());
        sv_tune_reset_defaults();
        sv_diag_reset();
    }
};

TEST_F(DebugHostileText, ListsAndNamesFromThePackPrintEscaped)
{
    EXPECT_EQ(run("give weapon nope\x07"),
              "no weapon 'nope\\x07' in the content; try:\n  t:\\x1b[2J\n");
    EXPECT_EQ(run("give weapon t:\x1b[2J"), "  Bell\\x07 in the melee slot\n");
    std::string spawn = run("spawn nope");
    EXPECT_NE(spawn.find("  t:m\\x9b "), std::string::npos) << spawn;
    EXPECT_EQ(spawn.find('\x9b'), std::string::npos) << spawn;
    run("select player");
    EXPECT_EQ(run("status nope"), "no status 'nope' in the content; try:\n  t:s\\x07\n");
}

// Where the output holds a byte a terminal could act on: a C0 control other than the line end,
// DEL, a C1 control, or a byte of no valid UTF-8 character; npos when none.
static size_t first_raw_control(const std::string& out)
{
    const unsigned char* p = (const unsigned char*)out.data();
    size_t n = out.size();
    for (size_t i = 0; i < n;) {
        unsigned c = p[i];
        if (c < 0x80) {
            if ((c < 0x20 && c != '\n') || c == 0x7f)
                return i;
            i++;
            continue;
        }
        size_t len = c >= 0xc2 && c <= 0xdf ? 2
            : c >= 0xe0 && c <= 0xef        ? 3
            : c >= 0xf0 && c <= 0xf4        ? 4
                                            : 0;
        if (len == 0 || i + len > n)
            return i;
        unsigned lo = c == 0xe0 ? 0xa0 : c == 0xf0 ? 0x90 : 0x80;
        unsigned hi = c == 0xed ? 0x9f : c == 0xf4 ? 0x8f : 0xbf;
        if (p[i + 1] < lo || p[i + 1] > hi || (c == 0xc2 && p[i + 1] <= 0x9f))
            return i;
        for (size_t k = 2; k < len; ++k) {
            if ((p[i + k] & 0xc0) != 0x80)
                return i;
        }
        i += len;
    }
    return std::string::npos;
}

// Every registered command, given words that carry an escape sequence, a bell, a C1 control and
// bytes of no UTF-8 character in every position (alone and beside words that lead it deeper),
// with the player and then a mob selected, prints none of them raw.
TEST_F(Debug, EveryCommandShowsHostileWordsEscaped)
{
    play(7, 3);
    const std::string hostile = "\x1b[2J\x07\xc2\x85\x9b\xff";
    std::vector<std::string> words = {hostile};
#if !defined(_WIN32)
    // Paths are repeated too: a directory to mount and validate, and files to write and not.
    sv_test_dir dir {"hostile_words"};
    std::string place = dir.path + "/" + hostile;
    std::filesystem::create_directories(place);
    words.push_back(place);
    words.push_back(place + "/" + hostile + ".dot");
    words.push_back(place + "/none/" + hostile);
#endif
    const size_t hostile_words = words.size();
    for (const char* lead : {"1", "0", "player", "weapon", "remove", "mob", "vfs", "info"})
        words.push_back(lead);
    std::vector<std::string> lines;
    for (u64 c = 0; c < sv_cmd_count(); ++c) {
        std::string name = sv_cmd_name_at(c);
        size_t n = words.size();
        for (size_t a = 0; a < n; ++a) {
            // dump writes where it is told: only into the scratch directory.
            if (name == "dump" && (a == 0 || a >= hostile_words))
                continue;
            if (a < hostile_words)
                lines.push_back(name + " " + words[a]);
            for (size_t b = 0; b < n; ++b) {
                if (a < hostile_words || b < hostile_words)
                    lines.push_back(name + " " + words[a] + " " + words[b]);
                for (size_t d = 0; d < n; ++d) {
                    if (a < hostile_words || b < hostile_words || d < hostile_words)
                        lines.push_back(name + " " + words[a] + " " + words[b] + " " + words[d]);
                }
            }
        }
    }
    // What was mounted is listed and loaded again.
    lines.push_back("mount");
    lines.push_back("load");
    ASSERT_GE(first_mob(false), 0);
    std::string select_mob = "select mob " + std::to_string(first_mob(false));
    u64 ran = 0;
    for (const char* selection : {"select player", select_mob.c_str()}) {
        for (const std::string& line : lines) {
            run(selection);
            std::string shown = run(line.c_str());
            ++ran;
            size_t at = first_raw_control(shown);
            if (at != std::string::npos) {
                char escaped[SV_TEXT_ESCAPED(SV_CMD_LINE_MAX)];
                ADD_FAILURE() << "'" << sv_text_escape(escaped, sizeof escaped, line.c_str())
                              << "' printed a raw control byte at " << at;
                return;
            }
        }
    }
    EXPECT_GT(ran, 10000u);
}

// The headless console follows each floor gen makes with its own walker.
TEST(DebugProgram, TheHeadlessConsoleReachesTheDebugCommands)
{
    sv_test_outcome r = sv_test_run_console(
        SV_BINARY_DIR, "",
        "give shard\ngen 7 1\ngive shard\nselect player\ngen 7 3\ngive shard 2\n"
        "heal\nselected\nquit\n");
    EXPECT_EQ(r.status, 0) << r;
    EXPECT_NE(r.out.find("sv> give shard\n  shard: 1\n"), std::string::npos) << r;
    EXPECT_NE(r.out.find("sv> give shard\n  shard: 2\n"), std::string::npos) << r;
    EXPECT_NE(r.out.find("sv> select player\n  player  room 0  hp 100/100  stamina 100  grit 0\n"),
              std::string::npos)
        << r;
    EXPECT_NE(r.out.find("sv> give shard 2\n  shard: 4\n"), std::string::npos)
        << "Shards carry over to the next floor\n"
        << r;
    EXPECT_NE(r.out.find("sv> heal\n  health 100\n"), std::string::npos) << r;
    EXPECT_NE(r.out.find("sv> selected\n  player  room 0  hp 100/100  stamina 100  grit 0\n"),
              std::string::npos)
        << r;
}

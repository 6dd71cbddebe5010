// The generation commands and the held floor, with their exact texts.
#include <csignal>
#include <cstdio>
#include <sstream>
#if !defined(_WIN32)
#include <sys/resource.h>
#include <sys/stat.h>
#endif

#include "floor/test_gen_util.h"
#include "floor/validate.h"
#include "support/files.h"
#include "test_cmd_gen_util.h"

namespace {

const char* const NO_FLOOR = "no floor generated -- try 'gen <seed> <floor>'\n";

} // namespace

using GenCommands = gen_console;

TEST_F(GenCommands, RegisteredInOrderWithTheirUsages)
{
    const char* names[] = {"gen", "floor", "visit", "walk", "check", "show", "stats", "dump"};
    ASSERT_EQ(sv_cmd_count(), 8u);
    for (u64 i = 0; i < 8; ++i)
        EXPECT_STREQ(sv_cmd_name_at(i), names[i]);
}

TEST_F(GenCommands, EverythingButGenAndStatsNeedsAFloor)
{
    for (const char* line :
         {"floor", "visit 1", "walk bfs", "check", "show", "dump", "dump x.dot"}) {
        i32 r = 0;
        EXPECT_EQ(run(line, &r), NO_FLOOR) << line;
        EXPECT_EQ(r, 1) << line;
    }
    EXPECT_EQ(sv_gen_current(), nullptr);
}

TEST_F(GenCommands, GenRefusesBadArguments)
{
    u64 serial = sv_gen_serial();
    i32 r = 0;
    EXPECT_EQ(run("gen", &r), "usage: gen <seed> <floor>\n");
    EXPECT_EQ(r, 1);
    EXPECT_EQ(run("gen 1"), "usage: gen <seed> <floor>\n");
    EXPECT_EQ(run("gen 1 2 3"), "usage: gen <seed> <floor>\n");
    EXPECT_EQ(run("gen -1 1", &r), "'-1' is not a seed\n");
    EXPECT_EQ(r, 1);
    EXPECT_EQ(run("gen 12abc 1"), "'12abc' is not a seed\n");
    EXPECT_EQ(run("gen \"\" 1"), "'' is not a seed\n");
    EXPECT_EQ(run("gen \" -1\" 1"), "' -1' is not a seed\n") << "a blank must not hide a sign";
    EXPECT_EQ(run("gen \"\t-1\" 1"), "'\\x09-1' is not a seed\n");
    EXPECT_EQ(run("gen 1 \" -1\""), "floor must be 1..65534\n");
    EXPECT_EQ(run("gen 18446744073709551616 1"), "'18446744073709551616' is not a seed\n");
    EXPECT_EQ(run("gen 1 0"), "floor must be 1..65534\n");
    EXPECT_EQ(run("gen 1 65535"), "floor must be 1..65534\n");
    EXPECT_EQ(run("gen 1 x"), "floor must be 1..65534\n");
    EXPECT_EQ(sv_gen_serial(), serial) << "nothing changes on a refusal";
    EXPECT_EQ(sv_gen_current(), nullptr);
}

TEST_F(GenCommands, GenReportsAndHoldsTheFloor)
{
    i32 r = 1;
    std::string s = run("gen 0x10 1", &r);
    EXPECT_EQ(r, 0);
    EXPECT_EQ(s.rfind("  floor 1  seed 16\n  rooms ", 0), 0u) << s;
    EXPECT_NE(s.find("  target 30.0   min 5   cap 80   table 80\n"), std::string::npos) << s;
    EXPECT_NE(s.find("  obligations met\n"), std::string::npos) << s;
    sv_floor* f = sv_gen_current();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->seed, 16u);
    EXPECT_EQ(f->floor_number, 1);
    EXPECT_EQ(sv_gen_current_stats().rooms, f->room_count);
    EXPECT_EQ(run("gen 0777 2").rfind("  floor 2  seed 511\n", 0), 0u);
    // A plus sign and leading blanks are part of an ordinary number.
    EXPECT_EQ(run("gen +5 \" 2\"").rfind("  floor 2  seed 5\n", 0), 0u);
    EXPECT_EQ(run("gen \" 5\" +2").rfind("  floor 2  seed 5\n", 0), 0u);
    EXPECT_EQ(run("gen \"  +0x10\" 1").rfind("  floor 1  seed 16\n", 0), 0u);
    EXPECT_EQ(result_of("gen 18446744073709551615 3"), 0);
    EXPECT_EQ(sv_gen_current()->seed, 18446744073709551615ull);
}

TEST_F(GenCommands, SameLineSameReportAndTheSerialCounts)
{
    u64 serial = sv_gen_serial();
    std::string a = run("gen 4471 4");
    std::string tree_a = run("show");
    std::string dot_a = run("dump");
    run("gen 9 7");
    std::string b = run("gen 4471 4");
    EXPECT_EQ(a, b);
    EXPECT_EQ(tree_a, run("show"));
    EXPECT_EQ(dot_a, run("dump"));
    EXPECT_EQ(sv_gen_serial(), serial + 3);
}

TEST_F(GenCommands, DoorAppearancesAreAssigned)
{
    ASSERT_EQ(result_of("gen 4471 5"), 0);
    const sv_floor* f = sv_gen_current();
    u32 varied = 0;
    for (u16 r = 0; r < f->room_count; ++r) {
        for (u8 d = 0; d < f->rooms[r].door_count; ++d) {
            const sv_door& door = f->rooms[r].doors[d];
            if (door.target == SV_NONE16)
                continue;
            EXPECT_EQ(door.appearance, f->rooms[door.target].doors[door.back].appearance);
            EXPECT_EQ(door.appearance,
                      sv_door_appearance_for(f->seed, r, d, door.target, door.back));
            varied += door.appearance != 0;
        }
    }
    EXPECT_GT(varied, 0u);
}

TEST_F(GenCommands, OwedObligationIsNamedAndNotValidated)
{
    // Tiny, widely spread floors: some are too small to hold everything they owe.
    sv_tune_set_by_name("floor.size_base", 6);
    sv_tune_set_by_name("floor.size_growth", 0);
    sv_tune_set_by_name("floor.size_max", 8);
    sv_tune_set_by_name("floor.size_spread", 3);
    sv_tune_set_by_name("floor.size_min", 3);
    u32 prism = 0, monument = 0;
    char line[64];
    for (u64 seed = 1; seed <= 60; ++seed) {
        snprintf(line, sizeof line, "gen %llu 2", (unsigned long long)seed);
        i32 r = 0;
        std::string s = run(line, &r);
        const sv_floor* f = sv_gen_current();
        ASSERT_NE(f, nullptr) << "the floor stays held whatever the result";
        EXPECT_EQ(s.find("INVALID"), std::string::npos) << s;
        size_t at = s.find("  obligations OWED: ");
        if (at == std::string::npos) {
            EXPECT_EQ(r, 0) << s;
            continue;
        }
        EXPECT_EQ(r, 1);
        std::string name = s.substr(at + 20, s.find('\n', at) - at - 20);
        if (name == "prism") {
            prism += 1;
            EXPECT_LT(sv_floor_find(f, SV_TAG_PRISM), 0);
        } else if (name == "monument") {
            monument += 1;
            EXPECT_GE(sv_floor_find(f, SV_TAG_PRISM), 0);
            EXPECT_GE(sv_floor_find(f, SV_TAG_AXIOM), 0);
            EXPECT_LT(sv_floor_find(f, SV_TAG_MONUMENT), 0);
        } else {
            ADD_FAILURE() << "unexpected obligation '" << name << "' on seed " << seed;
        }
    }
    EXPECT_GT(prism, 0u);
    EXPECT_GT(monument, 0u);
}

TEST_F(GenCommands, GateShortfallIsReportedNotOwed)
{
    // Six gate Scions asked for on every deeper floor: far more than most chains hold.
    sv_tune_set_by_name("scion.gate_chance", 1);
    sv_tune_set_by_name("scion.gate_count", 6);
    u32 short_floors = 0;
    char line[64];
    for (u64 seed = 1; seed <= 20; ++seed) {
        snprintf(line, sizeof line, "gen %llu 3", (unsigned long long)seed);
        i32 r = 1;
        std::string s = run(line, &r);
        EXPECT_NE(s.find("  obligations met\n"), std::string::npos) << s;
        EXPECT_EQ(r, 0) << s;
        short_floors += sv_gen_current_stats().gate_shortfall > 0;
    }
    EXPECT_GT(short_floors, 10u);
}

TEST_F(GenCommands, FloorDescribesTheHeldFloor)
{
    ASSERT_EQ(result_of("gen 4471 1"), 0);
    const sv_floor* f = sv_gen_current();
    std::string s = run("floor");
    std::ostringstream want;
    want << "  floor 1  seed 4471  (table 80)\n  generated " << f->room_count << "   visited 0\n"
         << "  tags: spawn=1 fountain=0 monument=0 scion=0 gate=0 axiom=0 prism=1 ?=0\n  degrees:";
    for (u32 k = 1; k <= 6; ++k) {
        u32 n = 0;
        for (u16 r = 0; r < f->room_count; ++r)
            n += f->rooms[r].door_count == k;
        want << " " << k << ":" << n;
    }
    want << "\n";
    EXPECT_EQ(s, want.str());
}

TEST_F(GenCommands, VisitMarksRooms)
{
    ASSERT_EQ(result_of("gen 4471 1"), 0);
    u32 n = sv_gen_current()->room_count;
    EXPECT_EQ(run("visit"), "usage: visit <room> [room...] | visit clear\n");
    i32 r = 0;
    std::string s = run("visit 3 999", &r);
    EXPECT_EQ(s, "room '999' is not on this floor (0.." + std::to_string(n - 1) + ")\n");
    EXPECT_EQ(r, 1);
    EXPECT_TRUE(sv_floor_visited(sv_gen_current(), 3)) << "rooms before the bad one stay visited";
    EXPECT_EQ(run("visit 1 2 2 3"),
              "  visited 3 of " + std::to_string(n) + "   (2 first entries this command)\n");
    EXPECT_EQ(run("visit -1"),
              "room '-1' is not on this floor (0.." + std::to_string(n - 1) + ")\n");
    EXPECT_EQ(run("visit clear"),
              "  visited cleared; generated " + std::to_string(n) + " unchanged\n");
    EXPECT_EQ(sv_floor_visited_count(sv_gen_current()), 0);
    EXPECT_NE(run("show").find("   3  d"), std::string::npos);
    run("visit 3");
    EXPECT_NE(run("show").find("   3 *  d"), std::string::npos);
}

TEST_F(GenCommands, WalkReachesEveryRoom)
{
    ASSERT_EQ(result_of("gen 4471 3"), 0);
    std::string n = std::to_string(sv_gen_current()->room_count);
    EXPECT_EQ(run("walk"), "usage: walk <bfs|dfs>\n");
    EXPECT_EQ(run("walk up"), "unknown order 'up' -- bfs or dfs\n");
    i32 r = 1;
    EXPECT_EQ(run("walk dfs", &r),
              "  dfs from spawn: reached " + n + ", visited " + n + " of " + n + "\n");
    EXPECT_EQ(r, 0);
    // Cut a room off and the walk says so.
    sv_floor* f = sv_gen_current();
    sv_room* last = &f->rooms[f->room_count - 1];
    sv_room* parent = &f->rooms[last->doors[0].target];
    for (u8 d = 0; d < parent->door_count; ++d)
        if (parent->doors[d].target == f->room_count - 1) {
            parent->doors[d].target = SV_NONE16;
            parent->doors[d].kind = SV_DOOR_EXIT;
        }
    sv_floor_clear_visited(f);
    std::string m = std::to_string(f->room_count - 1);
    EXPECT_EQ(run("walk bfs", &r),
              "  bfs from spawn: reached " + m + ", visited " + m + " of " + n
                  + "\n  WARNING: 1 room(s) unreachable from spawn\n");
    EXPECT_EQ(r, 1);
}

TEST_F(GenCommands, CheckValidatesTheHeldFloor)
{
    ASSERT_EQ(result_of("gen 4471 1"), 0);
    i32 r = 1;
    EXPECT_EQ(run("check", &r), "  floor 1 seed 4471: valid\n");
    EXPECT_EQ(r, 0);
    sv_floor* f = sv_gen_current();
    sv_floor_room_untag(f, (u16)sv_floor_find(f, SV_TAG_PRISM), SV_TAG_PRISM);
    EXPECT_EQ(run("check", &r), "  floor 1 seed 4471: 1 fault(s)\n  INVALID: no Prism\n");
    EXPECT_EQ(r, 1);
}

TEST_F(GenCommands, ShowAndDumpRenderTheHeldFloor)
{
    ASSERT_EQ(result_of("gen 77 6"), 0);
    const sv_floor* f = sv_gen_current();
    EXPECT_EQ(run("show"), text_of(f));
    EXPECT_EQ(run("dump"), dot_of(f));

    i32 r = 0;
    EXPECT_EQ(run("dump /nonexistent-dir/floor.dot", &r),
              "cannot write /nonexistent-dir/floor.dot\n");
    EXPECT_EQ(r, 1);
#if !defined(_WIN32)
    // Opening succeeds but every write fails (past the file size limit, with its signal ignored):
    // a failure, not "wrote". (Windows has no such limit.)
    std::string capped = std::string(SV_BINARY_DIR) + "/test-dump-capped.dot";
    {
        rlimit was {};
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &was), 0);
        rlimit none = was;
        none.rlim_cur = 0;
        void (*old_handler)(int) = std::signal(SIGXFSZ, SIG_IGN);
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &none), 0);
        r = 0;
        std::string said = run(("dump " + capped).c_str(), &r);
        setrlimit(RLIMIT_FSIZE, &was);
        std::signal(SIGXFSZ, old_handler);
        EXPECT_EQ(said, "cannot write " + capped + "\n");
        EXPECT_EQ(r, 1);
    }
    std::remove(capped.c_str());
#endif
    std::string path = std::string(SV_BINARY_DIR) + "/test-dump-floor.dot";
    std::string line = "dump " + path;
    EXPECT_EQ(run(line.c_str(), &r), "  wrote " + path + "\n");
    EXPECT_EQ(r, 0);
    EXPECT_EQ(sv_test_read_file(path), dot_of(f));
    std::remove(path.c_str());
}

// "wrote" means a regular file was written: a directory, device or FIFO in its place is refused
// at once, unopened, and so on Windows is a name the system gives a device, which would take the
// bytes (to a serial port for COM1) and leave no file.
TEST_F(GenCommands, DumpWritesOnlyARegularFile)
{
    sv_test_dir tmp("sv_dump");
    ASSERT_EQ(result_of("gen 77 6"), 0);
    i32 r = 0;
    EXPECT_EQ(run(("dump " + tmp.path).c_str(), &r),
              "cannot write " + tmp.path + ": not a regular file\n");
    EXPECT_EQ(r, 1);
#if defined(_WIN32)
    for (const char* name : {"nul.json", "NUL", "com1", "aux.dot", "CONOUT$", "lpt9.txt"}) {
        r = 0;
        EXPECT_EQ(run((std::string("dump ") + name).c_str(), &r),
                  std::string("cannot write ") + name + ": a device name, not a file\n");
        EXPECT_EQ(r, 1) << name;
    }
#else
    std::string fifo = tmp.path + "/fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& target : {fifo, std::string("/dev/null"), std::string("/dev/full")}) {
        r = 0;
        EXPECT_EQ(run(("dump " + target).c_str(), &r),
                  "cannot write " + target + ": not a regular file\n");
        EXPECT_EQ(r, 1) << target;
    }
    // Here a Windows device's name is an ordinary file's.
    std::string nul = tmp.path + "/nul.json";
    EXPECT_EQ(run(("dump " + nul).c_str(), &r), "  wrote " + nul + "\n");
    EXPECT_EQ(sv_test_read_file(nul), dot_of(sv_gen_current()));
    // A refused path is shown with its control bytes escaped.
    std::string odd = tmp.path + "/d\x01";
    ASSERT_EQ(mkdir(odd.c_str(), 0700), 0);
    EXPECT_EQ(run(("dump " + odd).c_str(), &r),
              "cannot write " + tmp.path + "/d\\x01: not a regular file\n");
#endif
}

TEST_F(GenCommands, StatsOverManyFloorsLeavesTheHeldFloorAlone)
{
    EXPECT_EQ(run("stats 0"), "count must be positive and floor in 1..65535\n");
    EXPECT_EQ(run("stats 5 0"), "count must be positive and floor in 1..65535\n");
    EXPECT_EQ(run("stats 5 65536"), "count must be positive and floor in 1..65535\n");
    EXPECT_EQ(run("stats -1"), "usage: stats [count] [floor]\n");
    EXPECT_EQ(run("stats 5 x"), "usage: stats [count] [floor]\n");

    ASSERT_EQ(result_of("gen 3 3"), 0);
    sv_floor* held = sv_gen_current();
    u64 serial = sv_gen_serial();
    std::string tree = run("show");
    i32 r = 1;
    std::string s = run("stats 100 1", &r);
    EXPECT_EQ(r, 0);
    EXPECT_EQ(s.rfind("  100 floors at depth 1 in ", 0), 0u) << s;
    for (const char* section :
         {"\nFLOOR SIZE over 100 floors\n", "\nDEPTH (deepest room, edges from spawn)\n",
          "\nDEGREE over ", "\n  leaves "})
        EXPECT_NE(s.find(section), std::string::npos) << section;
    EXPECT_EQ(s.find("FOUNTAIN"), std::string::npos);
    EXPECT_EQ(sv_gen_current(), held);
    EXPECT_EQ(sv_gen_serial(), serial);
    EXPECT_EQ(run("show"), tree);
    EXPECT_NE(run("stats 20").find("  20 floors at depth 4 in "), std::string::npos);
}

// A second stats in one session starts from nothing: the same run again prints the same
// distributions (everything after the timed first line), and a run of another floor in between
// leaves no trace.
TEST_F(GenCommands, StatsRunAgainInOneSessionPrintsTheSame)
{
    auto body = [this](const char* line) {
        std::string s = run(line);
        return s.substr(s.find('\n') + 1);
    };
    std::string first = body("stats 40 1");
    ASSERT_NE(first.find("FLOOR SIZE over 40 floors"), std::string::npos) << first;
    std::string other = body("stats 40 3");
    EXPECT_NE(other, first);
    EXPECT_EQ(body("stats 40 1"), first);
    EXPECT_EQ(body("stats 40 1"), first);
}

TEST_F(GenCommands, ReleaseDropsTheHeldFloor)
{
    ASSERT_EQ(result_of("gen 1 1"), 0);
    EXPECT_NE(sv_gen_current(), nullptr);
    sv_gen_release_current();
    EXPECT_EQ(sv_gen_current(), nullptr);
    sv_gen_release_current();
    EXPECT_EQ(run("show"), NO_FLOOR);
}

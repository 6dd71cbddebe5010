// The README's session run through the headless program: gen, show, check and stats print what
// the same lines print through the registry on the same base pack, and the program exits 0.
#include <regex>
#include <string>
#include <vector>

#include "core/boot.h"
#include "support/console_program.h"
#include "test_cmd_gen_util.h"

namespace {

// The program's output cut at its prompts: one entry per line run, the echoed line first.
std::vector<std::string> by_prompt(const std::string& out)
{
    std::vector<std::string> parts;
    const std::string prompt = "sv> ";
    size_t at = out.find(prompt);
    while (at != std::string::npos) {
        size_t next = out.find(prompt, at + prompt.size());
        parts.push_back(out.substr(at + prompt.size(),
                                   next == std::string::npos ? next : next - at - prompt.size()));
        at = next;
    }
    return parts;
}

} // namespace

using ConsoleGenProgram = gen_console;

TEST_F(ConsoleGenProgram, ReadmeSessionMatchesTheRegistry)
{
    const char* lines[] = {"gen 4471 1", "show", "check", "stats 1000 4"};
    std::string script;
    for (const char* line : lines)
        script += std::string(line) + "\n";
    sv_test_outcome r = sv_test_run_console(SV_BINARY_DIR, "", script + "quit\n");
    EXPECT_EQ(r.status, 0) << r;
    std::vector<std::string> parts = by_prompt(r.out);
    ASSERT_EQ(parts.size(), 5u) << r;

    // The same lines in this process, on the base pack the program boots.
    ASSERT_EQ(sv_pack_boot(SV_BINARY_DIR "/packs/base"), 1);
    for (int i = 0; i < 3; ++i) {
        i32 result = 1;
        std::string want = std::string(lines[i]) + "\n" + run(lines[i], &result);
        EXPECT_EQ(result, 0) << lines[i];
        EXPECT_EQ(parts[i], want);
    }
    // stats: its first line carries the time taken; everything after it is fixed.
    std::string want = run(lines[3]);
    std::string got = parts[3];
    size_t want_cut = want.find('\n'), got_cut = got.find('\n', got.find('\n') + 1);
    ASSERT_NE(want_cut, std::string::npos);
    ASSERT_NE(got_cut, std::string::npos) << got;
    EXPECT_TRUE(std::regex_match(got.substr(0, got_cut + 1),
                                 std::regex("stats 1000 4\n  1000 floors at depth 4 in [0-9]+ ms  "
                                            "\\([0-9]+ floors/sec\\)\n")))
        << got.substr(0, got_cut + 1);
    EXPECT_EQ(got.substr(got_cut + 1), want.substr(want_cut + 1));
    EXPECT_NE(want.find("FOUNTAIN REACH"), std::string::npos);
    EXPECT_EQ(parts[4], "quit\n");
}

namespace {

// The program run from the build directory, its log (standard error) kept after its standard
// output.
sv_test_outcome run_with_log(const std::string& args, const std::string& script)
{
    sv_test_outcome r = sv_test_run_program(SV_BINARY_DIR, "strenvik-console", args, script);
    r.out += r.log;
    r.log.clear();
    return r;
}

} // namespace

TEST(ConsolePopulation, WithoutContentGenLogsWhatStandsEmpty)
{
    sv_test_outcome r = run_with_log("--pack /nonexistent", "gen 1 2\nquit\n");
    EXPECT_EQ(r.status, 0) << r;
    const char* lines[] = {
        "info  gen      floor 2: no content mounted; 4 boss rooms stand empty and will not seal\n",
        "info  gen      floor 2: no melee weapon in the content; room 0 holds none\n",
        "info  gen      floor 2: no content mounted; no mobs stand\n",
    };
    for (const char* line : lines)
        EXPECT_NE(r.out.find(line), std::string::npos) << line << "\nin:\n" << r;
}

TEST(ConsolePopulation, TheBasePackPopulatesWithoutAWarning)
{
    sv_test_outcome r = run_with_log("", "gen 4471 5\ndiag\nquit\n");
    EXPECT_EQ(r.status, 0) << r;
    EXPECT_NE(r.out.find("sv> diag\n  no problems reported\n"), std::string::npos) << r;
    EXPECT_EQ(r.out.find("floor 5:"), std::string::npos) << r;
}

// A base pack that cannot be mounted says why, naming the path; a "--pack" without its path says
// so; a base pack that mounts with problems says how many and where to read them.
TEST(ConsoleBoot, TheLogSaysWhatWentWrongWithTheBasePack)
{
    sv_test_outcome r = run_with_log("--pack /nonexistent", "quit\n");
    EXPECT_EQ(r.status, 0) << r;
    EXPECT_NE(r.out.find("cannot mount the base pack '/nonexistent': '/nonexistent' is neither a "
                         "directory nor a file\n"),
              std::string::npos)
        << r;
    EXPECT_EQ(r.out.find("beside the executable"), std::string::npos) << r;

    sv_test_dir dir {"console_boot"};
    // The path as the program is given it (with Windows' own separators there).
    std::string zip = std::filesystem::path(dir.path + "/cut.zip").make_preferred().string();
    sv_test_write_file(zip, std::string("PK\x03\x04", 4) + "truncated");
    r = run_with_log("--pack " + sv_test_quote(zip), "quit\n");
    EXPECT_EQ(r.status, 0) << r;
    EXPECT_NE(r.out.find("cannot mount the base pack '" + zip + "': '" + zip
                         + "' is a file but not a readable zip\n"),
              std::string::npos)
        << r;

    r = run_with_log("--pack", "quit\n");
    EXPECT_EQ(r.status, 0) << r;
    EXPECT_NE(r.out.find("--pack needs a path; it is ignored\n"), std::string::npos) << r;

    sv_test_write_file(dir.path + "/bare/pack.json", R"({"id": "bare", "name": "Bare"})");
    r = run_with_log("--pack " + sv_test_quote(dir.path + "/bare"), "quit\n");
    EXPECT_EQ(r.status, 0) << r;
    // Only the missing tunable set is wrong with it.
    EXPECT_NE(r.out.find("the base pack reported 1 problem; `diag` lists it\n"), std::string::npos)
        << r;
}

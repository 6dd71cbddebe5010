// The headless console program end to end: a script of lines on standard input, the whole
// standard output compared.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "support/files.h"

namespace fs = std::filesystem;

namespace {

struct Outcome {
    std::string out;
    int status;
};

// Runs the program from dir with the script on its standard input; the log goes to a file.
Outcome run_console(const std::string& dir, const std::string& args, const std::string& script)
{
    // One input file per test: the tests may run side by side in the same directory.
    fs::path input
        = fs::absolute(std::string("console_input_")
                       + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    sv_test_write_file(input, script);
    std::string cmd = "cd '" + dir + "' && '" SV_BINARY_DIR "/strenvik-console' " + args + " < '"
        + input.string() + "' 2>/dev/null";
    Outcome r {"", -1};
    FILE* p = popen(cmd.c_str(), "r");
    if (!p)
        return r;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
        r.out.append(buf, n);
    int st = pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    fs::remove(input);
    return r;
}

TEST(ConsoleProgram, RunsAScriptOnTheGivenPack)
{
    fs::path pack = fs::absolute("console_program_pack");
    fs::remove_all(pack);
    sv_test_write_file(pack / "pack.json", "{ \"id\": \"solo\", \"name\": \"Solo\" }");
    sv_test_write_file(pack / "tunables.json", "{ \"floor.size_base\": 44 }");

    Outcome r = run_console(SV_BINARY_DIR, "--pack '" + pack.string() + "'",
                            "version\n"
                            "get floor.size_base\n"
                            "# a comment\n"
                            "set floor.size_base nan\n"
                            "mount\n"
                            "validate console_program_pack\n"
                            "nonsense\n"
                            "quit\n"
                            "version\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out,
              "sv> version\n"
              "strenvik 0.3.5-alpha  (linux release)\n"
              "sv> get floor.size_base\n"
              "  floor.size_base = 44   [6 .. 400, default 30]\n"
              "sv> # a comment\n"
              "sv> set floor.size_base nan\n"
              "'nan' is not a number\n"
              "sv> mount\n"
              "  0 "
                  + pack.string()
                  + "\n"
                    "sv> validate console_program_pack\n"
                    "  console_program_pack: no problems\n"
                    "sv> nonsense\n"
                    "unknown command 'nonsense' -- try 'help'\n"
                    "sv> quit\n");
    fs::remove_all(pack);
}

TEST(ConsoleProgram, ValidatesTheBasePack)
{
    Outcome r = run_console(SV_BINARY_DIR, "", "version\nvalidate packs/base\nquit\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out,
              "sv> version\n"
              "strenvik 0.3.5-alpha  (linux release)\n"
              "sv> validate packs/base\n"
              "  packs/base: no problems\n"
              "sv> quit\n");
}

TEST(ConsoleProgram, FindsTheBasePackBesideItself)
{
    // Started elsewhere, it still boots the pack beside the executable.
    Outcome r = run_console("/", "", "mount\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "sv> mount\n  0 " SV_BINARY_DIR "/packs/base\n");
}

TEST(ConsoleProgram, RunsOnDefaultsWithoutAPack)
{
    Outcome r = run_console(SV_BINARY_DIR, "--pack /nonexistent/pack", "mount\nget sim.tick_hz\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out,
              "sv> mount\n  no mounts\n"
              "sv> get sim.tick_hz\n  sim.tick_hz = 60   [20 .. 240, default 60]\n");
}

} // namespace

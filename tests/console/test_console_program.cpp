// The headless console program end to end: a script of lines on standard input, the whole
// standard output compared.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "support/console_program.h"
#include "support/files.h"
#include "support/platform.h"

namespace fs = std::filesystem;

namespace {

TEST(ConsoleProgram, RunsAScriptOnTheGivenPack)
{
    // In the working directory, as the console names it relative; this process's own.
    std::string name = "console_program_pack_" + std::to_string(sv_test_pid());
    fs::path pack = fs::absolute(name);
    fs::remove_all(pack);
    sv_test_write_file(pack / "pack.json", "{ \"id\": \"solo\", \"name\": \"Solo\" }");
    sv_test_write_file(pack / "tunables.json", "{ \"floor.size_base\": 44 }");

    std::string script = "version\n"
                         "get floor.size_base\n"
                         "# a comment\n"
                         "set floor.size_base nan\n"
                         "mount\n"
                         "validate "
        + name + "\nnonsense\nquit\nversion\n";
    sv_test_outcome r
        = sv_test_run_console(SV_BINARY_DIR, "--pack " + sv_test_quote(pack.string()), script);
    EXPECT_EQ(r.status, 0) << r;
    EXPECT_EQ(r.out,
              "sv> version\n"
              "strenvik 0.3.5-alpha  (" SV_TEST_PLATFORM " release)\n"
              "sv> get floor.size_base\n"
              "  floor.size_base = 44   [6 .. 400, default 30]\n"
              "sv> # a comment\n"
              "sv> set floor.size_base nan\n"
              "'nan' is not a number\n"
              "sv> mount\n"
              "  0 "
                  + pack.string()
                  + "\n"
                    "sv> validate "
                  + name + "\n  " + name
                  + ": no problems\n"
                    "sv> nonsense\n"
                    "unknown command 'nonsense' -- try 'help'\n"
                    "sv> quit\n")
        << r;
    fs::remove_all(pack);
}

TEST(ConsoleProgram, ValidatesTheBasePack)
{
    sv_test_outcome r
        = sv_test_run_console(SV_BINARY_DIR, "", "version\nvalidate packs/base\nquit\n");
    EXPECT_EQ(r.status, 0) << r;
    EXPECT_EQ(r.out,
              "sv> version\n"
              "strenvik 0.3.5-alpha  (" SV_TEST_PLATFORM " release)\n"
              "sv> validate packs/base\n"
              "  packs/base: no problems\n"
              "sv> quit\n")
        << r;
}

TEST(ConsoleProgram, FindsTheBasePackBesideItself)
{
    // Started elsewhere, it still boots the pack beside the executable.
    sv_test_outcome r = sv_test_run_console("/", "", "mount\n");
    EXPECT_EQ(r.status, 0) << r;
#if defined(_WIN32)
    // Windows names the executable's directory with its drive and '\\' separators.
    EXPECT_EQ(r.out,
              "sv> mount\n  0 " + fs::absolute(SV_BINARY_DIR).make_preferred().string()
                  + "\\packs/base\n")
        << r;
#else
    EXPECT_EQ(r.out, "sv> mount\n  0 " SV_BINARY_DIR "/packs/base\n") << r;
#endif
}

// Paths typed on standard input are UTF-8 on every platform, in any script: on Windows they are
// neither read in the ANSI code page nor written by it.
TEST(ConsoleProgram, MountsAndDumpsPathsInAnyScript)
{
    fs::path dir = fs::absolute("console_program_script");
    fs::remove_all(dir);
    std::string pack = sv_test_utf8(dir) + "/pack-\xc3\xa9";                        // pack-é
    std::string dump = sv_test_utf8(dir) + "/\xd0\xb4\xd0\xb0\xd0\xbc\xd0\xbf.dot"; // дамп.dot
    sv_test_write_file(sv_test_u8path(pack + "/pack.json"), "{ \"id\": \"e\", \"name\": \"E\" }");
    sv_test_outcome r = sv_test_run_console(SV_BINARY_DIR, "",
                                            "mount " + pack + "\ngen 1 1\ndump " + dump + "\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("sv> mount " + pack + "\n  mounted '" + pack + "' (2 total)\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("sv> dump " + dump + "\n  wrote " + dump + "\n"), std::string::npos)
        << r.out;
    EXPECT_EQ(sv_test_read_file(sv_test_u8path(dump)).rfind("digraph ", 0), 0u);
    fs::remove_all(dir);
}

TEST(ConsoleProgram, RunsOnDefaultsWithoutAPack)
{
    sv_test_outcome r = sv_test_run_console(SV_BINARY_DIR, "--pack /nonexistent/pack",
                                            "mount\nget sim.tick_hz\n");
    EXPECT_EQ(r.status, 0) << r;
    EXPECT_EQ(r.out,
              "sv> mount\n  no mounts\n"
              "sv> get sim.tick_hz\n  sim.tick_hz = 60   [20 .. 240, default 60]\n")
        << r;
}

} // namespace

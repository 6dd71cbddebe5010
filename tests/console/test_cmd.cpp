// The command registry and line runner: tokenising, refusals, the diagnostics echo, the stream
// reader. Output is captured through the console writer so the exact texts are checked.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "console/cmd.h"
#include "console_fixture.h"
#include "core/diag.h"
#include "core/tune.h"
#include "core/vfs.h"
#include "support/capture.h"
#include "support/platform.h"

namespace {

std::string g_out;
std::string g_seen; // what the probe command received, one "[word]" per argument

i32 probe(const sv_cmd_args* a)
{
    g_seen = std::to_string(a->argc) + ":";
    for (u32 i = 0; i < a->argc; i++)
        g_seen += "[" + std::string(a->argv[i]) + "]";
    return 0;
}

i32 reporter(const sv_cmd_args* a)
{
    if (a->argc > 1) {
        sv_diag_report(SV_DIAG_WARNING, SV_DIAG_UNKNOWN_KEY, "the.key", "a message of %d", 7);
    } else {
        sv_diag_report(SV_DIAG_ERROR, SV_DIAG_MALFORMED, nullptr, "%s", "");
    }
    return 1;
}

// Runs another line from inside a handler, as the front end's commands may.
i32 nested(const sv_cmd_args*)
{
    return sv_cmd_dispatch("probe inner words");
}

struct Cmd : ::testing::Test {
    void SetUp() override
    {
        sv_test_console_fresh(&g_out);
        sv_cmd_register("probe", nullptr, nullptr, 0, probe);
        sv_cmd_register("report", "report [warn]", "make a record", 0, reporter);
        sv_cmd_register("nested", nullptr, nullptr, 0, nested);
        g_out.clear();
        g_seen.clear();
    }
    void TearDown() override { sv_test_reset_all(); }
};

TEST_F(Cmd, RegistrationKeepsOrderAndDefaults)
{
    EXPECT_EQ(sv_cmd_count(), 16u);
    EXPECT_STREQ(sv_cmd_name_at(0), "help");
    EXPECT_STREQ(sv_cmd_name_at(12), "load");
    EXPECT_STREQ(sv_cmd_name_at(13), "probe");
    EXPECT_EQ(sv_cmd_name_at(16), nullptr);
    EXPECT_EQ(sv_cmd_exists("probe"), 1);
    EXPECT_EQ(sv_cmd_exists("Probe"), 0);
    EXPECT_EQ(sv_cmd_exists(nullptr), 0);

    // Kind 1, a null name and a null handler register nothing.
    sv_cmd_register("kindone", nullptr, nullptr, 1, probe);
    sv_cmd_register(nullptr, nullptr, nullptr, 0, probe);
    sv_cmd_register("nohandler", nullptr, nullptr, 0, nullptr);
    EXPECT_EQ(sv_cmd_count(), 16u);

    // Usage defaults to the name, help to nothing.
    EXPECT_EQ(sv_cmd_run("help probe"), 0);
    EXPECT_EQ(g_out, "  probe\n    \n");
}

TEST_F(Cmd, RegistryMisuseIsFatal)
{
    EXPECT_DEATH(sv_cmd_register("probe", nullptr, nullptr, 0, probe), "'probe' registered twice");
    static const char* names[64] = {};
    static char storage[64][8];
    for (int i = 0; i < 64; i++) {
        std::snprintf(storage[i], sizeof storage[i], "c%d", i);
        names[i] = storage[i];
    }
    EXPECT_DEATH(
        {
            for (int i = 0; i < 64; i++)
                sv_cmd_register(names[i], nullptr, nullptr, 0, probe);
        },
        "registry full at 64 commands");
}

TEST_F(Cmd, TokeniserSplitsOnBlanksAndTabs)
{
    EXPECT_EQ(sv_cmd_run("  probe a\t\tb   c  \t"), 0);
    EXPECT_EQ(g_seen, "4:[probe][a][b][c]");
    EXPECT_EQ(sv_cmd_run("probe a\r\n"), 0);
    EXPECT_EQ(g_seen, "2:[probe][a]");
    EXPECT_EQ(g_out, "");
}

TEST_F(Cmd, TokeniserQuoting)
{
    sv_cmd_run("probe \"floor.size_base\" 40");
    EXPECT_EQ(g_seen, "3:[probe][floor.size_base][40]");
    sv_cmd_run("probe \"a b\t# c\" d");
    EXPECT_EQ(g_seen, "3:[probe][a b\t# c][d]");
    sv_cmd_run("probe \"runs to the end  ");
    EXPECT_EQ(g_seen, "2:[probe][runs to the end  ]");
    sv_cmd_run("probe \"\" x");
    EXPECT_EQ(g_seen, "3:[probe][][x]");
    sv_cmd_run("probe \"x\"y");
    EXPECT_EQ(g_seen, "3:[probe][x][y]");
    sv_cmd_run("probe a\"b c\"");
    EXPECT_EQ(g_seen, "3:[probe][a\"b][c\"]");
    sv_cmd_run("probe a # b");
    EXPECT_EQ(g_seen, "4:[probe][a][#][b]");
}

TEST_F(Cmd, TokeniserKeepsSixteenWords)
{
    sv_cmd_run("probe 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19");
    EXPECT_EQ(g_seen, "16:[probe][1][2][3][4][5][6][7][8][9][10][11][12][13][14][15]");
    sv_cmd_run("probe 1 2 3 4 5 6 7 8 9 10 11 12 13 14 \"15 x\" \"16");
    EXPECT_EQ(g_seen, "16:[probe][1][2][3][4][5][6][7][8][9][10][11][12][13][14][15 x]");
}

TEST_F(Cmd, LineLengthLimit)
{
    std::string line = "probe " + std::string(505, 'x');
    ASSERT_EQ(line.size(), 511u);
    EXPECT_EQ(sv_cmd_run(line.c_str()), 0);
    EXPECT_EQ(g_seen, "2:[probe][" + std::string(505, 'x') + "]");

    // The line end counts towards the limit.
    EXPECT_EQ(sv_cmd_run((line + "\n").c_str()), 1);
    EXPECT_EQ(g_out, "line too long (max 511)\n");

    g_out.clear();
    std::string comment = "#" + std::string(511, 'c');
    EXPECT_EQ(sv_cmd_run(comment.c_str()), 1);
    EXPECT_EQ(sv_cmd_dispatch(comment.c_str()), 1);
    EXPECT_EQ(g_out, "line too long (max 511)\nline too long (max 511)\n");
}

TEST_F(Cmd, EmptyBlankAndCommentLinesDoNothing)
{
    g_seen = "untouched";
    for (const char* line :
         {"", "\n", "\r\n", " \t \t", "# a comment", "#probe", "   #x y", "\"#quoted\" probe"}) {
        EXPECT_EQ(sv_cmd_run(line), 0) << line;
    }
    EXPECT_EQ(sv_cmd_run(nullptr), 0);
    EXPECT_EQ(g_out, "");
    EXPECT_EQ(g_seen, "untouched");
    // A '#' after the first word is an ordinary character.
    EXPECT_EQ(sv_cmd_run("probe #x"), 0);
    EXPECT_EQ(g_seen, "2:[probe][#x]");
}

TEST_F(Cmd, DisabledConsoleRefusesTypedLinesOnly)
{
    sv_cmd_set_enabled(0);
    EXPECT_EQ(sv_cmd_enabled(), 0);
    EXPECT_EQ(sv_cmd_run("probe a"), 1);
    EXPECT_EQ(g_out, "console is not enabled\n");
    EXPECT_EQ(g_seen, "");
    // Comments and blank lines are still nothing at all.
    EXPECT_EQ(sv_cmd_run("# note"), 0);
    EXPECT_EQ(sv_cmd_dispatch("probe a"), 0);
    EXPECT_EQ(g_seen, "2:[probe][a]");
    EXPECT_EQ(sv_cmd_dispatch("version"), 0);
    EXPECT_EQ(g_out,
              "console is not enabled\nstrenvik 0.3.5-alpha  (" SV_TEST_PLATFORM " release)\n");
    sv_cmd_set_enabled(1);
}

TEST_F(Cmd, UnknownCommand)
{
    EXPECT_EQ(sv_cmd_run("frobnicate now"), 1);
    EXPECT_EQ(sv_cmd_run("HELP"), 1);
    EXPECT_EQ(g_out,
              "unknown command 'frobnicate' -- try 'help'\nunknown command 'HELP' -- try 'help'\n");
}

TEST_F(Cmd, NewRecordsAreEchoedAfterTheCommand)
{
    sv_diag_report(SV_DIAG_INFO, SV_DIAG_MALFORMED, "old", "made before");
    EXPECT_EQ(sv_cmd_run("report warn"), 1);
    EXPECT_EQ(g_out, "  warning: unknown key 'the.key' -- a message of 7\n");
    g_out.clear();
    EXPECT_EQ(sv_cmd_run("report"), 1);
    EXPECT_EQ(g_out, "  error: malformed\n");
}

i32 escaper(const sv_cmd_args*)
{
    sv_diag_report(SV_DIAG_ERROR, SV_DIAG_DUPLICATE_ID, "p:\x1b[2J", "name '%s'", "\x1b]0;t\x07");
    return 0;
}

TEST_F(Cmd, EchoedRecordsEscapeControlCharacters)
{
    sv_cmd_register("escaper", nullptr, nullptr, 0, escaper);
    EXPECT_EQ(sv_cmd_run("escaper"), 0);
    EXPECT_EQ(g_out, "  error: duplicate id 'p:\\x1b[2J' -- name '\\x1b]0;t\\x07'\n");
}

TEST_F(Cmd, ProblemsBeyondAFullStoreAreStillCounted)
{
    for (int i = 0; i < SV_DIAG_MAX; i++)
        sv_diag_report(SV_DIAG_INFO, SV_DIAG_MALFORMED, "old", "filler");
    EXPECT_EQ(sv_cmd_run("report warn"), 1);
    EXPECT_EQ(g_out, "  ... and 1 further problem not shown\n");
    g_out.clear();
    EXPECT_EQ(sv_cmd_run("nested"), 0);
    EXPECT_EQ(g_out, "");
}

TEST_F(Cmd, HandlersMayRunFurtherLines)
{
    EXPECT_EQ(sv_cmd_run("nested outer"), 0);
    EXPECT_EQ(g_seen, "3:[probe][inner][words]");
}

TEST_F(Cmd, WriterAndOutputRouting)
{
    sv_writer w = sv_cmd_writer();
    EXPECT_EQ(w.fn, sv_test_append);
    EXPECT_EQ(sv_cmd_output(), stdout);

    FILE* f = std::tmpfile();
    ASSERT_NE(f, nullptr);
    sv_cmd_set_output(f);
    EXPECT_EQ(sv_cmd_output(), f);
    sv_cmd_printf("to the %s\n", "file");
    sv_writef(sv_cmd_writer(), "and %d more\n", 1);
    std::rewind(f);
    char buf[64] = {};
    size_t n = std::fread(buf, 1, sizeof buf - 1, f);
    EXPECT_EQ(std::string(buf, n), "to the file\nand 1 more\n");
    std::fclose(f);

    // Long output is cut, never overflowed.
    sv_cmd_set_writer(sv_test_capture(&g_out));
    EXPECT_EQ(sv_cmd_output(), stdout);
    sv_cmd_printf("%s", std::string(5000, 'z').c_str());
    EXPECT_EQ(g_out, std::string(2047, 'z'));
}

// The stream reader on a file: every line is echoed after the prompt, then run.
std::string repl_on(const std::string& script)
{
    FILE* f = std::tmpfile();
    std::fwrite(script.data(), 1, script.size(), f);
    std::rewind(f);
    g_out.clear();
    EXPECT_EQ(sv_cmd_repl(f), 0);
    std::fclose(f);
    return g_out;
}

TEST_F(Cmd, StreamReaderEchoesAndStopsAtQuit)
{
    EXPECT_EQ(repl_on("version\n# note\n\nbogus\nquit\nversion\n"),
              "sv> version\nstrenvik 0.3.5-alpha  (" SV_TEST_PLATFORM " release)\n"
              "sv> # note\nsv> \nsv> bogus\nunknown command 'bogus' -- try 'help'\nsv> quit\n");
    // End of input without quit; the last line need not end in a line feed.
    EXPECT_EQ(repl_on("version"),
              "sv> versionstrenvik 0.3.5-alpha  (" SV_TEST_PLATFORM " release)\n");
    EXPECT_EQ(repl_on(""), "");
}

TEST_F(Cmd, StreamReaderRefusesALongLineWhole)
{
    // A long comment whose tail reads as a command: none of it runs.
    ASSERT_TRUE(sv_tune_set_by_name("floor.size_base", 44));
    std::string comment = "# " + std::string(520, 'c') + " defaults";
    std::string out = repl_on(comment + "\nprobe after\n");
    EXPECT_EQ(out,
              "sv> " + comment.substr(0, 511) + "...\nline too long (max 511)\nsv> probe after\n");
    EXPECT_EQ(g_seen, "2:[probe][after]");
    u32 index = 0;
    ASSERT_TRUE(sv_tune_find("floor.size_base", &index));
    EXPECT_EQ(sv_tune(index), 44.0);

    // Exactly 511 characters before the line end is a whole line, with or without a carriage
    // return; 512 is one too many, and the last line need not end in a line feed.
    std::string word(505, 'w');
    g_seen.clear();
    EXPECT_EQ(repl_on("probe " + word + "\r\n"), "sv> probe " + word + "\r\n");
    EXPECT_EQ(g_seen, "2:[probe][" + word + "]");
    g_seen.clear();
    EXPECT_EQ(repl_on("probe " + word + "w"),
              "sv> probe " + word.substr(0, 505) + "...\nline too long (max 511)\n");
    EXPECT_EQ(g_seen, "");
    EXPECT_EQ(repl_on("probe " + word + "w\nquit\nversion\n"),
              "sv> probe " + word + "...\nline too long (max 511)\nsv> quit\n");
}

// A NUL inside an over-long line once hid the line's length, so its tail ran as a command; a line
// holding a NUL anywhere is now refused whole, and the echo shows the NUL escaped.
TEST_F(Cmd, StreamReaderRefusesALineWithANulByte)
{
    ASSERT_TRUE(sv_tune_set_by_name("floor.size_base", 44));
    std::string hidden = std::string("# c") + '\0' + std::string(501, 'x') + "defaults\n";
    std::string out = repl_on(hidden + "probe after\n");
    EXPECT_EQ(out.find("tunables reset"), std::string::npos) << out;
    EXPECT_EQ(g_seen, "2:[probe][after]");
    u32 index = 0;
    ASSERT_TRUE(sv_tune_find("floor.size_base", &index));
    EXPECT_EQ(sv_tune(index), 44.0);

    g_seen.clear();
    EXPECT_EQ(repl_on(std::string("probe a") + '\0' + "b\n"),
              "sv> probe a\\x00b\nline holds a NUL byte; nothing of it is run\n");
    EXPECT_EQ(g_seen, "");
}

// Typed or piped words reach the terminal escaped, as pack text does.
TEST_F(Cmd, UnknownCommandAndEchoEscapeControlBytes)
{
    EXPECT_EQ(repl_on("\x1b]0;x\x07\x9b\n"),
              "sv> \\x1b]0;x\\x07\\x9b\n"
              "unknown command '\\x1b]0;x\\x07\\x9b' -- try 'help'\n");
}

TEST_F(Cmd, StreamReaderRunsTypedLines)
{
    sv_cmd_set_enabled(0);
    EXPECT_EQ(repl_on("version\n"), "sv> version\nconsole is not enabled\n");
    sv_cmd_set_enabled(1);
}

} // namespace

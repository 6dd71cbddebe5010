// The console overlay without a window: the scrollback ring, the writer, completion, the keys
// while open and the panel's layout.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "console/cmd.h"
#include "game/console_overlay.h"
#include "support/platform.h"
#include "support/reset.h"

namespace {

struct ConsoleOverlay : ::testing::Test {
    void SetUp() override
    {
        sv_test_reset_all();
        console_reset();
        sv_cmd_set_writer(sv_writer {console_emit, nullptr});
    }
    void TearDown() override
    {
        sv_test_reset_all();
        console_reset();
    }
    static sv_console_input keys(u32 pressed, u8 control = 0)
    {
        sv_console_input in {};
        in.pressed = pressed;
        in.control = control;
        return in;
    }
    static void type(const char* text, u8 control = 0)
    {
        sv_console_input in = keys(0, control);
        for (const char* p = text; *p; ++p) {
            in.chars[in.char_count++] = (u8)*p;
            if (in.char_count == SV_CONSOLE_CHARS) {
                console_keys(&in, 720);
                in.char_count = 0;
            }
        }
        console_keys(&in, 720);
    }
    static void press(u32 key, u8 control = 0)
    {
        sv_console_input in = keys(key, control);
        console_keys(&in, 720);
    }
    static void enter(const char* text)
    {
        type(text);
        press(SV_CKEY_ENTER);
    }
    static std::string input() { return console_state()->line.buf; }
    static std::string line(i32 i)
    {
        const char* s = console_line_at(i);
        return s ? s : "<none>";
    }
    static std::string newest(i32 back = 0) { return line(console_state()->count - 1 - back); }
};

i32 g_two_lines(const sv_cmd_args*)
{
    sv_cmd_printf("first\n");
    EXPECT_EQ(console_state()->count, 2) << "the first line shows as soon as its line feed arrives";
    sv_cmd_printf("second");
    return 0;
}

i32 g_nothing(const sv_cmd_args*)
{
    return 0;
}

} // namespace

TEST_F(ConsoleOverlay, TheRingKeepsTheNewest400Lines)
{
    for (int i = 1; i <= 401; ++i) {
        std::string s = "line " + std::to_string(i);
        console_push(s.c_str(), (i32)s.size());
    }
    EXPECT_EQ(console_state()->count, 400);
    EXPECT_EQ(line(0), "line 2") << "the 401st line pushes out the oldest";
    EXPECT_EQ(line(399), "line 401");
    EXPECT_EQ(console_line_at(400), nullptr);
    EXPECT_EQ(console_line_at(-1), nullptr);
    sv_console_view v = console_view(720);
    EXPECT_EQ(v.rows, 18); // (432 - 12) / 22 - 1
    EXPECT_EQ(v.first + v.shown, 400) << "the newest line is drawn last";
    EXPECT_EQ(v.shown, 18);
    EXPECT_EQ(v.more_below, 0);
}

TEST_F(ConsoleOverlay, LinesAreCutAt199Characters)
{
    std::string long_line(300, 'x');
    console_push(long_line.c_str(), 300);
    EXPECT_EQ(newest(), std::string(199, 'x'));
    console_push(nullptr, 5);
    console_push("abc", -1);
    EXPECT_EQ(newest(), "");
    EXPECT_EQ(console_state()->count, 3);

    // The writer drops the rest of an over-long line up to its line feed.
    std::string text = std::string(250, 'y') + "\nnext\n";
    console_emit(nullptr, text.c_str());
    EXPECT_EQ(newest(1), std::string(199, 'y'));
    EXPECT_EQ(newest(), "next");
    EXPECT_EQ(console_state()->pending_len, 0);
}

TEST_F(ConsoleOverlay, OutputWithoutALineEndIsPushedAfterTheCommand)
{
    sv_cmd_register("two", nullptr, nullptr, 0, g_two_lines);
    enter("two");
    ASSERT_EQ(console_state()->count, 3);
    EXPECT_EQ(line(0), "sv> two");
    EXPECT_EQ(line(1), "first");
    EXPECT_EQ(line(2), "second");
    EXPECT_EQ(console_state()->pending_len, 0);
    EXPECT_EQ(input(), "");
}

TEST_F(ConsoleOverlay, EnterEchoesAndRunsTheLineAsTyped)
{
    sv_cmd_register_builtins();
    enter("version");
    ASSERT_EQ(console_state()->count, 2);
    EXPECT_EQ(line(0), "sv> version");
    EXPECT_EQ(line(1), "strenvik 0.3.5-alpha  (" SV_TEST_PLATFORM " release)");
    // A typed line is refused while the run has the console disabled.
    sv_cmd_set_enabled(0);
    enter("version");
    EXPECT_EQ(newest(), "console is not enabled");
    // Enter on an empty line does nothing; quit does not end anything here.
    sv_cmd_set_enabled(1);
    i32 before = console_state()->count;
    press(SV_CKEY_ENTER);
    EXPECT_EQ(console_state()->count, before);
    enter("quit");
    EXPECT_EQ(newest(), "sv> quit");
}

TEST_F(ConsoleOverlay, TypingDropsTheGraveAccentAndControlledCharacters)
{
    type("`ab`c");
    EXPECT_EQ(input(), "abc") << "the grave key that opens the panel never reaches the line";
    type("zz", 1);
    EXPECT_EQ(input(), "abc");
    sv_console_input in = keys(0);
    in.chars[in.char_count++] = 9;   // tab
    in.chars[in.char_count++] = 233; // beyond ASCII
    in.chars[in.char_count++] = 127;
    console_keys(&in, 720);
    EXPECT_EQ(input(), "abc");
}

TEST_F(ConsoleOverlay, KeysMoveAndDelete)
{
    type("set  floor.size_base");
    press(SV_CKEY_LEFT, 1);
    EXPECT_EQ(console_state()->line.cursor, 5);
    press(SV_CKEY_HOME);
    EXPECT_EQ(console_state()->line.cursor, 0);
    press(SV_CKEY_E, 1);
    EXPECT_EQ(console_state()->line.cursor, 20);
    press(SV_CKEY_A, 1);
    EXPECT_EQ(console_state()->line.cursor, 0);
    press(SV_CKEY_RIGHT, 1);
    EXPECT_EQ(console_state()->line.cursor, 3);
    press(SV_CKEY_DELETE, 1);
    EXPECT_EQ(input(), "set");
    press(SV_CKEY_BACKSPACE);
    EXPECT_EQ(input(), "se");
    press(SV_CKEY_END);
    type(" one two");
    press(SV_CKEY_BACKSPACE, 1);
    EXPECT_EQ(input(), "se one ");
    press(SV_CKEY_W, 1);
    EXPECT_EQ(input(), "se ");
    press(SV_CKEY_LEFT);
    press(SV_CKEY_K, 1);
    EXPECT_EQ(input(), "se");
    press(SV_CKEY_LEFT);
    press(SV_CKEY_U, 1);
    EXPECT_EQ(input(), "e");
    press(SV_CKEY_C, 1);
    EXPECT_EQ(input(), "");
}

TEST_F(ConsoleOverlay, HistoryKeysRecallSubmittedLines)
{
    sv_cmd_register("a", nullptr, nullptr, 0, g_nothing);
    sv_cmd_register("b", nullptr, nullptr, 0, g_nothing);
    enter("a");
    enter("b");
    type("dr");
    press(SV_CKEY_UP);
    EXPECT_EQ(input(), "b");
    press(SV_CKEY_P, 1);
    EXPECT_EQ(input(), "a");
    press(SV_CKEY_DOWN);
    press(SV_CKEY_N, 1);
    EXPECT_EQ(input(), "dr") << "the draft comes back";
}

TEST_F(ConsoleOverlay, TabCompletesAndListsTheCandidates)
{
    sv_cmd_register("alpha", nullptr, nullptr, 0, g_nothing);
    sv_cmd_register("alpine", nullptr, nullptr, 0, g_nothing);
    sv_cmd_register("beta", nullptr, nullptr, 0, g_nothing);
    type("a");
    press(SV_CKEY_TAB);
    EXPECT_EQ(input(), "alp");
    ASSERT_EQ(console_state()->count, 1);
    EXPECT_EQ(newest(), "alpha  alpine");
    type("h");
    press(SV_CKEY_TAB);
    EXPECT_EQ(input(), "alpha ");
    EXPECT_EQ(console_state()->count, 1) << "a single match lists nothing";
}

TEST_F(ConsoleOverlay, CandidatesStayWithin199Characters)
{
    char line[SV_CONSOLE_LINE] = "";
    console_candidate("one", line);
    EXPECT_STREQ(line, "one");
    console_candidate("two", line);
    EXPECT_STREQ(line, "one  two");
    std::string name(300, 'n');
    console_candidate(name.c_str(), line);
    EXPECT_EQ(std::string(line), "one  two  " + std::string(189, 'n'));
    console_candidate("more", line);
    EXPECT_EQ(std::string(line).size(), 199u);
}

TEST_F(ConsoleOverlay, ScrollingStopsAtTheOldestLineAndCountsWhatIsBelow)
{
    for (int i = 0; i < 50; ++i)
        console_push("x", 1);
    sv_console_input in = keys(0);
    in.wheel = 2.9f; // truncated: two steps of three lines
    console_keys(&in, 720);
    EXPECT_EQ(console_state()->scroll, 6);
    press(SV_CKEY_PAGE_UP);
    EXPECT_EQ(console_state()->scroll, 15);
    in.wheel = 100.0f;
    console_keys(&in, 720);
    EXPECT_EQ(console_state()->scroll, 32) << "50 lines less the 18 rows shown";
    sv_console_view v = console_view(720);
    EXPECT_EQ(v.first, 0);
    EXPECT_EQ(v.shown, 18);
    EXPECT_EQ(v.more_below, 32);
    press(SV_CKEY_PAGE_DOWN);
    EXPECT_EQ(console_state()->scroll, 23);
    in.wheel = -1e30f;
    console_keys(&in, 720);
    EXPECT_EQ(console_state()->scroll, 0);
    in.wheel = std::nanf("");
    console_keys(&in, 720);
    EXPECT_EQ(console_state()->scroll, 0);

    // Running a line returns the view to the bottom.
    sv_cmd_register("a", nullptr, nullptr, 0, g_nothing);
    in.wheel = 4.0f;
    console_keys(&in, 720);
    EXPECT_GT(console_state()->scroll, 0);
    enter("a");
    EXPECT_EQ(console_state()->scroll, 0);
}

TEST_F(ConsoleOverlay, ControlLClearsTheScrollbackAndTheLayoutFollowsTheScreen)
{
    for (int i = 0; i < 5; ++i)
        console_push("x", 1);
    press(SV_CKEY_L);
    EXPECT_EQ(console_state()->count, 5) << "L without control is a typed letter's key";
    press(SV_CKEY_L, 1);
    EXPECT_EQ(console_state()->count, 0);
    EXPECT_EQ(console_state()->head, 0);
    sv_console_view v = console_view(1080);
    EXPECT_EQ(v.height, 648);
    EXPECT_EQ(v.rows, 27);
    EXPECT_EQ(v.input_y, 620);
    EXPECT_EQ(v.shown, 0);
    EXPECT_EQ(console_view(20).rows, 0) << "a screen too short shows no rows";
    type("ab");
    press(SV_CKEY_LEFT);
    EXPECT_EQ(console_view(720).caret_chars, 1);
}

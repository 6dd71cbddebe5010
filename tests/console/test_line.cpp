#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console/cmd.h"
#include "console/line.h"

namespace {

// The editor is large (about 33 KB); keep it off the test's stack.
struct Editor {
    sv_line* l = new sv_line;
    Editor() { sv_line_init(l); }
    ~Editor() { delete l; }
};

void type(sv_line* l, const std::string& s)
{
    for (char c : s)
        ASSERT_EQ(sv_line_insert(l, (unsigned char)c), 1);
}

std::string text(const sv_line* l)
{
    return std::string(l->buf, (size_t)l->len);
}

i32 noop(const sv_cmd_args*)
{
    return 0;
}

void use_commands(const std::vector<const char*>& names)
{
    sv_cmd_reset();
    for (const char* n : names)
        sv_cmd_register(n, nullptr, nullptr, 0, noop);
}

void collect(const char* name, void* user)
{
    static_cast<std::vector<std::string>*>(user)->push_back(name);
}

} // namespace

TEST(Line, ZeroFilledIsEmptyAndInitWipesHistory)
{
    Editor e;
    EXPECT_EQ(e.l->len, 0);
    EXPECT_STREQ(e.l->buf, "");
    type(e.l, "get x");
    ASSERT_EQ(sv_line_submit(e.l, nullptr, 0), 1);
    type(e.l, "draft");
    sv_line_init(e.l);
    EXPECT_EQ(e.l->hist_count, 0);
    EXPECT_EQ(e.l->len, 0);
    sv_line_history_prev(e.l);
    EXPECT_EQ(text(e.l), "");
}

TEST(Line, InsertRefusesUnprintableAndFullLine)
{
    Editor e;
    for (i32 c : {0, 9, 10, 31, 127, 128, 200, 255, -1, -61, 0x141})
        EXPECT_EQ(sv_line_insert(e.l, c), 0) << c;
    EXPECT_EQ(e.l->len, 0);
    EXPECT_EQ(sv_line_insert(e.l, ' '), 1);
    EXPECT_EQ(sv_line_insert(e.l, '~'), 1);

    sv_line_clear(e.l);
    for (int i = 0; i < 511; i++)
        ASSERT_EQ(sv_line_insert(e.l, 'a' + i % 26), 1);
    EXPECT_EQ(sv_line_insert(e.l, 'z'), 0);
    sv_line_home(e.l);
    EXPECT_EQ(sv_line_insert(e.l, 'z'), 0);
    EXPECT_EQ(e.l->len, 511);
    EXPECT_EQ(e.l->buf[511], '\0');
    EXPECT_EQ(e.l->buf[0], 'a');
}

TEST(Line, InsertAtCursorAndSingleSteps)
{
    Editor e;
    type(e.l, "gt");
    sv_line_left(e.l);
    type(e.l, "e");
    EXPECT_EQ(text(e.l), "get");
    EXPECT_EQ(e.l->cursor, 2);

    sv_line_home(e.l);
    sv_line_left(e.l);
    EXPECT_EQ(e.l->cursor, 0);
    sv_line_backspace(e.l); // nothing before the cursor
    EXPECT_EQ(text(e.l), "get");
    sv_line_delete(e.l);
    EXPECT_EQ(text(e.l), "et");
    EXPECT_EQ(e.l->cursor, 0);

    sv_line_end(e.l);
    sv_line_right(e.l);
    EXPECT_EQ(e.l->cursor, 2);
    sv_line_delete(e.l); // nothing at the cursor
    EXPECT_EQ(text(e.l), "et");
    sv_line_backspace(e.l);
    EXPECT_EQ(text(e.l), "e");
    EXPECT_EQ(e.l->cursor, 1);
    EXPECT_EQ(e.l->buf[1], '\0');
}

TEST(Line, WordMotionAndKills)
{
    Editor e;
    type(e.l, "set  floor.size_base");
    sv_line_word_left(e.l);
    EXPECT_EQ(e.l->cursor, 5);
    sv_line_word_left(e.l);
    EXPECT_EQ(e.l->cursor, 0);
    sv_line_word_left(e.l);
    EXPECT_EQ(e.l->cursor, 0);
    sv_line_word_right(e.l);
    EXPECT_EQ(e.l->cursor, 3);
    sv_line_word_right(e.l);
    EXPECT_EQ(e.l->cursor, 20);
    sv_line_word_right(e.l);
    EXPECT_EQ(e.l->cursor, 20);

    sv_line_kill_word_back(e.l);
    EXPECT_EQ(text(e.l), "set  ");
    EXPECT_EQ(e.l->cursor, 5);

    sv_line_clear(e.l);
    type(e.l, "set  floor.size_base 40");
    sv_line_home(e.l);
    sv_line_word_right(e.l); // after "set"
    sv_line_kill_word_forward(e.l);
    EXPECT_EQ(text(e.l), "set 40");
    EXPECT_EQ(e.l->cursor, 3);

    sv_line_kill_to_start(e.l);
    EXPECT_EQ(text(e.l), " 40");
    EXPECT_EQ(e.l->cursor, 0);
    sv_line_right(e.l);
    sv_line_kill_to_end(e.l);
    EXPECT_EQ(text(e.l), " ");
    EXPECT_STREQ(e.l->buf, " ");
    EXPECT_EQ(e.l->cursor, 1);
}

TEST(Line, SubmitStoresLinesAndSkipsRepeats)
{
    Editor e;
    char out[64];
    type(e.l, "   ");
    EXPECT_EQ(sv_line_submit(e.l, out, sizeof out), 0);
    EXPECT_EQ(text(e.l), "   "); // refused: nothing changes
    EXPECT_EQ(e.l->hist_count, 0);
    sv_line_clear(e.l);
    EXPECT_EQ(sv_line_submit(e.l, out, sizeof out), 0);

    type(e.l, " a ");
    EXPECT_EQ(sv_line_submit(e.l, out, sizeof out), 1);
    EXPECT_STREQ(out, " a "); // stored as typed
    EXPECT_EQ(e.l->len, 0);
    EXPECT_EQ(e.l->cursor, 0);
    type(e.l, " a ");
    sv_line_submit(e.l, nullptr, 0);
    EXPECT_EQ(e.l->hist_count, 1);
    type(e.l, "b");
    sv_line_submit(e.l, nullptr, 0);
    type(e.l, " a ");
    sv_line_submit(e.l, nullptr, 0);
    EXPECT_EQ(e.l->hist_count, 3);
    EXPECT_EQ(e.l->hist_pos, 3);

    // The copy is cut to the caller's buffer.
    type(e.l, "tunables floor");
    char small[6];
    EXPECT_EQ(sv_line_submit(e.l, small, sizeof small), 1);
    EXPECT_STREQ(small, "tunab");
    type(e.l, "x");
    EXPECT_EQ(sv_line_submit(e.l, small, 1), 1);
    EXPECT_STREQ(small, "");
}

TEST(Line, RingOverwritesOldestAfter64)
{
    Editor e;
    for (int i = 1; i <= 65; i++) {
        type(e.l, "line " + std::to_string(i));
        ASSERT_EQ(sv_line_submit(e.l, nullptr, 0), 1);
    }
    EXPECT_EQ(e.l->hist_count, 64);
    EXPECT_EQ(e.l->hist_head, 1);
    sv_line_history_prev(e.l);
    EXPECT_EQ(text(e.l), "line 65");
    for (int i = 1; i < 64; i++)
        sv_line_history_prev(e.l);
    EXPECT_EQ(text(e.l), "line 2");
    sv_line_history_prev(e.l); // already at the oldest
    EXPECT_EQ(text(e.l), "line 2");
    EXPECT_EQ(e.l->hist_pos, 0);

    // The repeat check looks at the newest entry across the wrap.
    sv_line_clear(e.l);
    type(e.l, "line 65");
    sv_line_submit(e.l, nullptr, 0);
    EXPECT_EQ(e.l->hist_head, 1);
}

TEST(Line, BrowsingKeepsDraftAndRing)
{
    Editor e;
    type(e.l, "first");
    sv_line_submit(e.l, nullptr, 0);
    type(e.l, "second");
    sv_line_submit(e.l, nullptr, 0);

    sv_line_history_next(e.l); // not browsing: nothing
    EXPECT_EQ(e.l->hist_pos, 2);

    type(e.l, "ab");
    sv_line_history_prev(e.l);
    EXPECT_EQ(text(e.l), "second");
    EXPECT_EQ(e.l->cursor, 6);
    sv_line_history_next(e.l);
    EXPECT_EQ(text(e.l), "ab");
    EXPECT_EQ(e.l->cursor, 2);

    // Editing a recalled entry leaves the ring alone.
    sv_line_history_prev(e.l);
    sv_line_history_prev(e.l);
    EXPECT_EQ(text(e.l), "first");
    sv_line_kill_to_start(e.l);
    type(e.l, "changed");
    sv_line_history_next(e.l);
    EXPECT_EQ(text(e.l), "second");
    sv_line_history_prev(e.l);
    EXPECT_EQ(text(e.l), "first");
    sv_line_history_next(e.l);
    sv_line_history_next(e.l);
    EXPECT_EQ(text(e.l), "ab");

    // Submitting a recalled line ends browsing and empties the draft.
    sv_line_history_prev(e.l);
    EXPECT_EQ(sv_line_submit(e.l, nullptr, 0), 1);
    EXPECT_EQ(e.l->hist_count, 2); // same as the newest
    EXPECT_EQ(e.l->hist_pos, 2);
    EXPECT_EQ(e.l->saved_len, 0);
    sv_line_history_prev(e.l);
    sv_line_history_next(e.l);
    EXPECT_EQ(text(e.l), "");
}

TEST(Line, FullLengthLinesRoundTripThroughHistory)
{
    Editor e;
    std::string full(511, 'q');
    type(e.l, full);
    sv_line_submit(e.l, nullptr, 0);
    type(e.l, std::string(511, 'd'));
    sv_line_history_prev(e.l);
    EXPECT_EQ(text(e.l), full);
    EXPECT_EQ(e.l->buf[511], '\0');
    sv_line_history_next(e.l);
    EXPECT_EQ(text(e.l), std::string(511, 'd'));
}

TEST(LineComplete, SingleMatchAddsNameAndSpace)
{
    use_commands({"help", "set", "show", "stats", "tunables"});
    Editor e;
    type(e.l, "ta");
    EXPECT_EQ(sv_line_complete(e.l, nullptr, nullptr), 0); // no command begins with "ta"
    EXPECT_EQ(text(e.l), "ta");

    sv_line_clear(e.l);
    type(e.l, "tu");
    std::vector<std::string> seen;
    EXPECT_EQ(sv_line_complete(e.l, collect, &seen), 1);
    EXPECT_EQ(text(e.l), "tunables ");
    EXPECT_EQ(e.l->cursor, 9);
    EXPECT_TRUE(seen.empty()); // a single match lists nothing

    // Text after the word: its space is kept and none is added; leading spaces stay.
    sv_line_clear(e.l);
    type(e.l, "  tu door");
    for (int i = 0; i < 5; i++)
        sv_line_left(e.l);
    EXPECT_EQ(sv_line_complete(e.l, nullptr, nullptr), 1);
    EXPECT_EQ(text(e.l), "  tunables door");
    EXPECT_EQ(e.l->cursor, 10);
}

TEST(LineComplete, SeveralMatchesExtendToCommonPrefixAndList)
{
    use_commands({"set", "help", "show", "stats", "tunables", "status"});
    Editor e;
    type(e.l, "s");
    std::vector<std::string> seen;
    EXPECT_EQ(sv_line_complete(e.l, collect, &seen), 4);
    EXPECT_EQ(text(e.l), "s");
    EXPECT_EQ(e.l->cursor, 1);
    EXPECT_EQ(seen, (std::vector<std::string> {"set", "show", "stats", "status"}));

    sv_line_clear(e.l);
    type(e.l, "st");
    seen.clear();
    EXPECT_EQ(sv_line_complete(e.l, collect, &seen), 2);
    EXPECT_EQ(text(e.l), "stat");
    EXPECT_EQ(e.l->cursor, 4);
    EXPECT_EQ(seen, (std::vector<std::string> {"stats", "status"}));

    // Case matters, and a word longer than a name does not match it.
    sv_line_clear(e.l);
    type(e.l, "S");
    EXPECT_EQ(sv_line_complete(e.l, nullptr, nullptr), 0);
    sv_line_clear(e.l);
    type(e.l, "setx");
    EXPECT_EQ(sv_line_complete(e.l, nullptr, nullptr), 0);
}

TEST(LineComplete, OnlyTheFirstWordUnderTheCursor)
{
    use_commands({"set", "tunables"});
    Editor e;
    type(e.l, "set tu");
    EXPECT_EQ(sv_line_complete(e.l, nullptr, nullptr), 0);
    sv_line_left(e.l);
    EXPECT_EQ(sv_line_complete(e.l, nullptr, nullptr), 0);
    EXPECT_EQ(text(e.l), "set tu");

    // Cursor among the leading spaces, before the word: nothing.
    sv_line_clear(e.l);
    type(e.l, "  se");
    sv_line_home(e.l);
    EXPECT_EQ(sv_line_complete(e.l, nullptr, nullptr), 0);
    sv_line_right(e.l);
    sv_line_right(e.l); // at the word's start
    EXPECT_EQ(sv_line_complete(e.l, nullptr, nullptr), 1);
    EXPECT_EQ(text(e.l), "  set ");

    // An empty line offers every command.
    use_commands({"help"});
    sv_line_clear(e.l);
    EXPECT_EQ(sv_line_complete(e.l, nullptr, nullptr), 1);
    EXPECT_EQ(text(e.l), "help ");
    sv_cmd_reset();
    sv_line_clear(e.l);
    EXPECT_EQ(sv_line_complete(e.l, nullptr, nullptr), 0);
}

TEST(LineComplete, NeverGrowsPast511)
{
    use_commands({"stats", "status", "tunables"});
    Editor e;
    type(e.l, "st " + std::string(506, 'x')); // 509 characters
    sv_line_home(e.l);
    std::vector<std::string> seen;
    EXPECT_EQ(sv_line_complete(e.l, collect, &seen), 2); // "stat" makes 511: fits
    EXPECT_EQ(e.l->len, 511);
    EXPECT_EQ(e.l->cursor, 4);

    sv_line_clear(e.l);
    type(e.l, "tunab " + std::string(505, 'x')); // 511 characters
    sv_line_home(e.l);
    EXPECT_EQ(sv_line_complete(e.l, nullptr, nullptr), 1); // "tunables" would make 514
    EXPECT_EQ(e.l->len, 511);
    EXPECT_EQ(e.l->cursor, 0);
    EXPECT_EQ(text(e.l).substr(0, 6), "tunab ");

    // A name longer than the line is cut, never copied past the buffer.
    static const std::string huge(700, 'h');
    use_commands({huge.c_str()});
    sv_line_clear(e.l);
    type(e.l, "h");
    EXPECT_EQ(sv_line_complete(e.l, nullptr, nullptr), 1);
    EXPECT_EQ(e.l->len, 510);
    EXPECT_EQ(e.l->cursor, 510);
    EXPECT_EQ(e.l->buf[510], '\0');
    sv_cmd_reset();
}

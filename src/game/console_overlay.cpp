// The console overlay's window-free half: the scrollback ring, the writer that fills it, the
// keys that edit and run the input line, and the panel's layout.
#include "game/console_overlay.h"

#include <cstdio>
#include <cstring>

#include "console/cmd.h"

namespace {

sv_console g_console;

const i32 k_row_height = 22; // pixels between scrollback rows
const i32 k_wheel_lines = 3; // lines scrolled per wheel step

bool has(const sv_console_input* in, u32 key)
{
    return (in->pressed & key) != 0;
}

bool with_control(const sv_console_input* in, u32 key)
{
    return in->control && has(in, key);
}

// The keys that move the cursor and delete.
void edit_keys(const sv_console_input* in)
{
    sv_line* l = &g_console.line;
    bool ctl = in->control != 0;
    if (has(in, SV_CKEY_LEFT))
        ctl ? sv_line_word_left(l) : sv_line_left(l);
    if (has(in, SV_CKEY_RIGHT))
        ctl ? sv_line_word_right(l) : sv_line_right(l);
    if (has(in, SV_CKEY_HOME) || with_control(in, SV_CKEY_A))
        sv_line_home(l);
    if (has(in, SV_CKEY_END) || with_control(in, SV_CKEY_E))
        sv_line_end(l);
    if (has(in, SV_CKEY_BACKSPACE))
        ctl ? sv_line_kill_word_back(l) : sv_line_backspace(l);
    if (has(in, SV_CKEY_DELETE))
        ctl ? sv_line_kill_word_forward(l) : sv_line_delete(l);
    if (with_control(in, SV_CKEY_W))
        sv_line_kill_word_back(l);
    if (with_control(in, SV_CKEY_U))
        sv_line_kill_to_start(l);
    if (with_control(in, SV_CKEY_K))
        sv_line_kill_to_end(l);
    if (with_control(in, SV_CKEY_C))
        sv_line_clear(l);
    if (has(in, SV_CKEY_UP) || with_control(in, SV_CKEY_P))
        sv_line_history_prev(l);
    if (has(in, SV_CKEY_DOWN) || with_control(in, SV_CKEY_N))
        sv_line_history_next(l);
}

// Enter: echo the line, run it, flush what it left without a line end, back to the bottom.
i32 submit(void)
{
    char typed[SV_LINE_CAP];
    if (!sv_line_submit(&g_console.line, typed, sizeof typed))
        return 0;
    char echo[SV_LINE_CAP + 8];
    i32 n = std::snprintf(echo, sizeof echo, "sv> %s", typed);
    console_push(echo, n);
    sv_cmd_run(typed); // the result is not used: `quit` does not end the game
    if (g_console.pending_len > 0) {
        console_push(g_console.pending, g_console.pending_len);
        g_console.pending_len = 0;
        g_console.pending[0] = '\0';
    }
    g_console.scroll = 0;
    return 1;
}

void scroll_keys(const sv_console_input* in, i32 rows)
{
    i32 scroll = g_console.scroll;
    f32 wheel = in->wheel;
    // Truncated towards zero; a move beyond any sensible count is held to one screenful's worth.
    if (wheel > 1000.0f)
        wheel = 1000.0f;
    if (wheel < -1000.0f)
        wheel = -1000.0f;
    if (wheel == wheel)
        scroll += (i32)wheel * k_wheel_lines;
    if (has(in, SV_CKEY_PAGE_UP))
        scroll += rows / 2;
    if (has(in, SV_CKEY_PAGE_DOWN))
        scroll -= rows / 2;
    i32 max = g_console.count - rows > 0 ? g_console.count - rows : 0;
    g_console.scroll = scroll < 0 ? 0 : (scroll > max ? max : scroll);
}

} // namespace

const sv_console* console_state(void)
{
    return &g_console;
}

void console_reset(void)
{
    std::memset(&g_console, 0, sizeof g_console);
}

void console_set_open(u8 open)
{
    g_console.open = open ? 1 : 0;
}

u8 console_is_open(void)
{
    return g_console.open;
}

const char* console_line_at(i32 i)
{
    if (i < 0 || i >= g_console.count)
        return nullptr;
    return g_console.lines[(g_console.head + i) % SV_CONSOLE_LINES];
}

void console_push(const char* text, i32 length)
{
    i32 n = length < 0 || !text ? 0 : (length < SV_CONSOLE_LINE - 1 ? length : SV_CONSOLE_LINE - 1);
    char* slot;
    if (g_console.count < SV_CONSOLE_LINES) {
        slot = g_console.lines[(g_console.head + g_console.count) % SV_CONSOLE_LINES];
        g_console.count++;
    } else {
        slot = g_console.lines[g_console.head];
        g_console.head = (g_console.head + 1) % SV_CONSOLE_LINES;
    }
    if (n > 0)
        std::memcpy(slot, text, (size_t)n);
    slot[n] = '\0';
}

void console_emit(void*, const char* text)
{
    if (!text)
        return;
    for (const char* p = text; *p; ++p) {
        if (*p == '\n') {
            console_push(g_console.pending, g_console.pending_len);
            g_console.pending_len = 0;
        } else if (g_console.pending_len < SV_CONSOLE_LINE - 1) {
            g_console.pending[g_console.pending_len++] = *p;
        }
        g_console.pending[g_console.pending_len] = '\0';
    }
}

void console_candidate(const char* name, void* user)
{
    char* line = static_cast<char*>(user);
    if (!line || !name)
        return;
    size_t len = std::strlen(line);
    const size_t cap = SV_CONSOLE_LINE - 1;
    if (len > 0) {
        for (int i = 0; i < 2 && len < cap; ++i)
            line[len++] = ' ';
    }
    for (const char* p = name; *p && len < cap; ++p)
        line[len++] = *p;
    line[len] = '\0';
}

i32 console_rows(i32 screen_height)
{
    i32 h = screen_height * 3 / 5;
    i32 rows = (h - 12) / k_row_height - 1;
    return rows > 0 ? rows : 0; // a screen too short for a row shows none
}

i32 console_keys(const sv_console_input* in, i32 screen_height)
{
    if (!in)
        return 0;
    u32 typed = in->char_count < SV_CONSOLE_CHARS ? in->char_count : SV_CONSOLE_CHARS;
    for (u32 i = 0; i < typed; ++i) {
        u32 c = in->chars[i];
        // The grave accent opens the panel; it never reaches the line.
        if (!in->control && c >= 32 && c <= 126 && c != '`')
            sv_line_insert(&g_console.line, (i32)c);
    }
    edit_keys(in);
    if (has(in, SV_CKEY_TAB)) {
        char candidates[SV_CONSOLE_LINE] = "";
        if (sv_line_complete(&g_console.line, console_candidate, candidates) > 1)
            console_push(candidates, (i32)std::strlen(candidates));
    }
    if (with_control(in, SV_CKEY_L)) {
        g_console.count = 0;
        g_console.head = 0;
    }
    i32 ran = has(in, SV_CKEY_ENTER) ? submit() : 0;
    scroll_keys(in, console_rows(screen_height));
    return ran;
}

sv_console_view console_view(i32 screen_height)
{
    sv_console_view v;
    std::memset(&v, 0, sizeof v);
    v.height = screen_height * 3 / 5;
    v.rows = console_rows(screen_height);
    i32 count = g_console.count;
    i32 scroll = g_console.scroll;
    i32 first = count - scroll - v.rows;
    v.first = first > 0 ? first : 0;
    i32 last = count - scroll - 1;
    v.shown = last >= v.first ? last - v.first + 1 : 0;
    v.more_below = scroll > 0 ? scroll : 0;
    v.input_y = v.height - 28;
    v.caret_chars = g_console.line.cursor;
    return v;
}

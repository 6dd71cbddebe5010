// The console panel in the window: reads the frame's keys from raylib into the overlay's input
// record, lets the overlay act on them, and draws its scrollback and input line.
#include <raylib.h>

#include <cstdio>
#include <cstring>

#include "console/line.h"
#include "game/console_overlay.h"
#include "game/front_hooks.h"
#include "game/gfx.h"

namespace {

const i32 k_text_size = 18;
const Color k_backdrop = {0, 0, 0, 210};
const Color k_echo = {245, 245, 245, 255};   // lines the user typed ("sv> ...")
const Color k_output = {200, 200, 200, 255}; // everything else
const Color k_note = {130, 130, 130, 255};
const Color k_input = {255, 200, 80, 255};

// One key that acts on a press or on raylib's key repeat, and one that acts only when pressed.
struct key_map {
    i32 key;
    u32 bit;
    u8 repeats;
};

const key_map k_keys[] = {
    {KEY_LEFT, SV_CKEY_LEFT, 1},
    {KEY_RIGHT, SV_CKEY_RIGHT, 1},
    {KEY_HOME, SV_CKEY_HOME, 1},
    {KEY_END, SV_CKEY_END, 1},
    {KEY_BACKSPACE, SV_CKEY_BACKSPACE, 1},
    {KEY_DELETE, SV_CKEY_DELETE, 1},
    {KEY_UP, SV_CKEY_UP, 1},
    {KEY_DOWN, SV_CKEY_DOWN, 1},
    {KEY_TAB, SV_CKEY_TAB, 1},
    {KEY_ENTER, SV_CKEY_ENTER, 0},
    {KEY_PAGE_UP, SV_CKEY_PAGE_UP, 0},
    {KEY_PAGE_DOWN, SV_CKEY_PAGE_DOWN, 0},
    {KEY_A, SV_CKEY_A, 1},
    {KEY_E, SV_CKEY_E, 1},
    {KEY_W, SV_CKEY_W, 1},
    {KEY_U, SV_CKEY_U, 1},
    {KEY_K, SV_CKEY_K, 1},
    {KEY_C, SV_CKEY_C, 1},
    {KEY_P, SV_CKEY_P, 1},
    {KEY_N, SV_CKEY_N, 1},
    {KEY_L, SV_CKEY_L, 1},
};

sv_console_input read_input(void)
{
    sv_console_input in;
    std::memset(&in, 0, sizeof in);
    // Drained whole, so no typed character waits for a later frame; past 32 they are dropped.
    for (i32 c = GetCharPressed(); c > 0; c = GetCharPressed())
        if (in.char_count < SV_CONSOLE_CHARS)
            in.chars[in.char_count++] = (u32)c;
    in.control = IsKeyDown(KEY_LEFT_CONTROL) || IsKeyDown(KEY_RIGHT_CONTROL);
    for (const key_map& k : k_keys)
        if (gfx_key_tapped(k.key) || (k.repeats && IsKeyPressedRepeat(k.key)))
            in.pressed |= k.bit;
    in.wheel = GetMouseWheelMove();
    return in;
}

void draw(i32 width, i32 height)
{
    sv_console_view v = console_view(height);
    DrawRectangle(0, 0, width, v.height, k_backdrop);
    for (i32 i = 0; i < v.shown; ++i) {
        const char* line = console_line_at(v.first + i);
        Color colour = std::strncmp(line, "sv>", 3) == 0 ? k_echo : k_output;
        ui_text(line, 12.0f, (f32)(6 + 22 * i), k_text_size, colour);
    }
    char text[SV_LINE_CAP + 32];
    if (v.more_below > 0) {
        std::snprintf(text, sizeof text, "... %d more below", v.more_below);
        ui_text(text, (f32)(width - 220), (f32)v.input_y, k_text_size, k_note);
    }
    const sv_line* line = &console_state()->line;
    std::snprintf(text, sizeof text, "> %s", line->buf);
    ui_text(text, 12.0f, (f32)v.input_y, k_text_size, k_input);
    // The caret sits after "> " and the characters before the cursor, as measured in the font.
    std::snprintf(text, sizeof text, "> %.*s", v.caret_chars, line->buf);
    i32 caret_x = 12 + ui_width(text, k_text_size);
    DrawRectangle(caret_x, v.input_y, 2, k_text_size, k_input);
}

} // namespace

void front_console_frame(i32 width, i32 height)
{
    sv_console_input in = read_input();
    console_keys(&in, height);
    draw(width, height);
}

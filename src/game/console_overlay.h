// The in-game console: a scrollback ring that every console output of the process lands in
// (console_emit is the console's writer), an input line edited with the line editor, the keys
// that act on them while the panel is open, and the layout the panel is drawn with. Everything
// here is window-free; gfx_console.cpp reads the keys from raylib and draws the layout. The
// state is one process-wide record, zero at start; nothing here is re-entrant.
#pragma once
#include "console/line.h"
#include "core/types.h"

#define SV_CONSOLE_LINES 400 // lines the scrollback keeps
#define SV_CONSOLE_LINE  200 // bytes of one line, NUL included: at most 199 characters

// The overlay's state (g_console).
struct sv_console {
    u8 open;                                       // kept in step with the main loop's own flag
    char lines[SV_CONSOLE_LINES][SV_CONSOLE_LINE]; // the ring; line i lies at (head + i) % 400
    i32 count;                                     // lines held, 0..400
    i32 head;                                      // slot of the oldest line
    sv_line line;                                  // the input line
    char pending[SV_CONSOLE_LINE];                 // output since the last line feed
    i32 pending_len;                               // 0..199
    i32 scroll; // lines the view is scrolled back from the newest; 0 at the bottom
};

// The keys the console reads while open, as bits of sv_console_input.pressed.
enum sv_console_key : u32 {
    SV_CKEY_LEFT = 1u << 0,
    SV_CKEY_RIGHT = 1u << 1,
    SV_CKEY_HOME = 1u << 2,
    SV_CKEY_END = 1u << 3,
    SV_CKEY_BACKSPACE = 1u << 4,
    SV_CKEY_DELETE = 1u << 5,
    SV_CKEY_UP = 1u << 6,
    SV_CKEY_DOWN = 1u << 7,
    SV_CKEY_TAB = 1u << 8,
    SV_CKEY_ENTER = 1u << 9,      // pressed only: a repeat never submits twice
    SV_CKEY_PAGE_UP = 1u << 10,   // pressed only
    SV_CKEY_PAGE_DOWN = 1u << 11, // pressed only
    SV_CKEY_A = 1u << 12,
    SV_CKEY_E = 1u << 13,
    SV_CKEY_W = 1u << 14,
    SV_CKEY_U = 1u << 15,
    SV_CKEY_K = 1u << 16,
    SV_CKEY_C = 1u << 17,
    SV_CKEY_P = 1u << 18,
    SV_CKEY_N = 1u << 19,
    SV_CKEY_L = 1u << 20,
};

#define SV_CONSOLE_CHARS 32 // typed characters taken in one frame

// One frame's input to the open console.
struct sv_console_input {
    u32 chars[SV_CONSOLE_CHARS]; // typed characters (code points), in order
    u32 char_count;              // 0..32
    u32 pressed;                 // sv_console_key bits: pressed (or repeated, unless marked)
    u8 control;                  // a control key is held
    f32 wheel;                   // mouse-wheel move this frame
};

// What the panel shows for a screen height, in screen pixels.
struct sv_console_view {
    i32 height;      // panel height: H * 3 / 5
    i32 rows;        // scrollback rows that fit: (height - 12) / 22 - 1
    i32 first;       // index (0 = oldest) of the first line drawn
    i32 shown;       // lines drawn, first .. first + shown - 1, top to bottom
    i32 more_below;  // lines hidden below (the scroll); 0 draws no note
    i32 input_y;     // top of the input line: height - 28
    i32 caret_chars; // characters of the input line before the caret
};

// The whole state, read-only (tests and the drawing read it).
const sv_console* console_state(void);
// Zero-fills the state: no lines, an empty input line and history.
void console_reset(void);

// Marks the panel open (1) or closed (0); whether it is. Cursor and simulation are the loop's.
void console_set_open(u8 open);
u8 console_is_open(void);

// Line i of the scrollback, 0 = oldest; null when i is outside 0..count-1.
const char* console_line_at(i32 i);

// Appends min(length, 199) characters of text as one line; a full ring drops its oldest line.
// A negative length counts as 0; a null text pushes an empty line.
void console_push(const char* text, i32 length);

// The console's writer (sv_write_fn; context unused): text goes into the pending line, a line
// feed pushes it; characters beyond 199 on one line are dropped up to the next line feed.
void console_emit(void* context, const char* text);

// Completion callback (sv_complete_fn): appends two blanks (unless the line is empty) and name to
// user, a 200-byte NUL-terminated line, keeping it to at most 199 characters.
void console_candidate(const char* name, void* user);

// Rows of scrollback a panel shows for a screen height H.
i32 console_rows(i32 screen_height);

// One frame of keys while open, in order: typed characters, motion, deletion, history,
// completion, clearing the scrollback, Enter (runs the line with sv_cmd_run), then the wheel and
// page keys and the clamp of the scroll. screen_height sizes the page step. Returns 1 when a
// line was submitted and run.
i32 console_keys(const sv_console_input* input, i32 screen_height);

// The layout of the panel for a screen height, from the current state.
sv_console_view console_view(i32 screen_height);

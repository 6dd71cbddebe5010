// The console's single-line editor: cursor motion, kills, a history ring with a kept draft,
// and completion of the first word against the registered command names.
// It knows nothing of keys or drawing; the overlay maps keys onto these operations.
#pragma once
#include "core/types.h"

#define SV_LINE_CAP     512 // bytes of a line, NUL included: at most 511 characters
#define SV_LINE_HISTORY 64  // submitted lines kept

// One editor; zero-filled it is a valid empty editor with an empty history.
struct sv_line {
    char buf[SV_LINE_CAP]; // the line being edited, always NUL-terminated
    i32 len;               // characters in buf
    i32 cursor;            // 0..len, the insertion point
    char history[SV_LINE_HISTORY][SV_LINE_CAP];
    i32 hist_count;          // entries in the ring, 0..64
    i32 hist_head;           // ring slot of the oldest entry
    i32 hist_pos;            // entry shown while browsing; hist_count means the live line
    char saved[SV_LINE_CAP]; // the draft kept while browsing
    i32 saved_len;
};

// Called once per matching command name when a completion is ambiguous.
typedef void (*sv_complete_fn)(const char* name, void* user);

// Zero-fills the editor: an empty line and an empty history.
void sv_line_init(sv_line* line);
// Empties the line and puts the cursor at 0; the history and browsing position are kept.
void sv_line_clear(sv_line* line);
// Inserts a printable ASCII character (32..126) at the cursor and moves past it; 1, or 0 with
// nothing changed for another value or a full line.
int sv_line_insert(sv_line* line, i32 ch);
// Moves the cursor one character left; nothing at the start.
void sv_line_left(sv_line* line);
// Moves the cursor one character right; nothing at the end.
void sv_line_right(sv_line* line);
// Moves the cursor to the start of the line.
void sv_line_home(sv_line* line);
// Moves the cursor to the end of the line.
void sv_line_end(sv_line* line);
// Moves the cursor to the start of the word left of it, skipping spaces first.
void sv_line_word_left(sv_line* line);
// Moves the cursor to the end of the word right of it, skipping spaces first.
void sv_line_word_right(sv_line* line);
// Removes the character before the cursor; nothing at the start.
void sv_line_backspace(sv_line* line);
// Removes the character under the cursor; nothing at the end.
void sv_line_delete(sv_line* line);
// Removes from the start of the word left of the cursor (as word-left finds it) to the cursor.
void sv_line_kill_word_back(sv_line* line);
// Removes from the cursor to the end of the word right of it (as word-right finds it).
void sv_line_kill_word_forward(sv_line* line);
// Removes everything before the cursor; the cursor goes to 0.
void sv_line_kill_to_start(sv_line* line);
// Removes everything from the cursor on.
void sv_line_kill_to_end(sv_line* line);
// Shows the previous history entry, keeping the typed draft on first leaving the live line;
// nothing at the oldest. The cursor goes to the end.
void sv_line_history_prev(sv_line* line);
// Shows the next history entry, or the kept draft past the newest; nothing on the live line.
void sv_line_history_next(sv_line* line);
// 1 after copying the line into out (cut to fit; null allowed), adding it to the history unless it
// repeats the newest, and clearing line and draft; 0 with nothing changed for a blank line.
int sv_line_submit(sv_line* line, char* out, u64 out_size);
// The number of command names the first word (holding the cursor) begins; completes it to the one
// match plus a space at the line's end, or to the common prefix, calling fn per name when several.
i32 sv_line_complete(sv_line* line, sv_complete_fn fn, void* user);

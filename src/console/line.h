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

void sv_line_init(sv_line* line);
void sv_line_clear(sv_line* line);
int sv_line_insert(sv_line* line, i32 ch);
void sv_line_left(sv_line* line);
void sv_line_right(sv_line* line);
void sv_line_home(sv_line* line);
void sv_line_end(sv_line* line);
void sv_line_word_left(sv_line* line);
void sv_line_word_right(sv_line* line);
void sv_line_backspace(sv_line* line);
void sv_line_delete(sv_line* line);
void sv_line_kill_word_back(sv_line* line);
void sv_line_kill_word_forward(sv_line* line);
void sv_line_kill_to_start(sv_line* line);
void sv_line_kill_to_end(sv_line* line);
void sv_line_history_prev(sv_line* line);
void sv_line_history_next(sv_line* line);
int sv_line_submit(sv_line* line, char* out, u64 out_size);
i32 sv_line_complete(sv_line* line, sv_complete_fn fn, void* user);

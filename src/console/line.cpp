#include "console/line.h"

#include <cstring>

#include "console/cmd.h"

#define MAX_CHARS (SV_LINE_CAP - 1)

// Puts text of n characters into the line, cut to what the buffer holds; the cursor goes to the end.
static void show_text(sv_line* line, const char* text, i32 n)
{
    if (n < 0)
        n = 0;
    if (n > MAX_CHARS)
        n = MAX_CHARS;
    std::memmove(line->buf, text, (size_t)n);
    line->buf[n] = '\0';
    line->len = n;
    line->cursor = n;
}

static const char* entry_at(const sv_line* line, i32 k)
{
    return line->history[(line->hist_head + k) % SV_LINE_HISTORY];
}

// Removes the characters [from, to) and closes the gap; the NUL moves with the tail.
static void remove_span(sv_line* line, i32 from, i32 to)
{
    if (from >= to)
        return;
    std::memmove(line->buf + from, line->buf + to, (size_t)(line->len - to + 1));
    line->len -= to - from;
}

static i32 word_left_of(const sv_line* line)
{
    i32 i = line->cursor;
    while (i > 0 && line->buf[i - 1] == ' ')
        i--;
    while (i > 0 && line->buf[i - 1] != ' ')
        i--;
    return i;
}

static i32 word_right_of(const sv_line* line)
{
    i32 i = line->cursor;
    while (i < line->len && line->buf[i] == ' ')
        i++;
    while (i < line->len && line->buf[i] != ' ')
        i++;
    return i;
}

void sv_line_init(sv_line* line)
{
    std::memset(line, 0, sizeof *line);
}

void sv_line_clear(sv_line* line)
{
    line->buf[0] = '\0';
    line->len = 0;
    line->cursor = 0;
}

int sv_line_insert(sv_line* line, i32 ch)
{
    if (ch < 32 || ch > 126)
        return 0;
    if (line->len >= MAX_CHARS)
        return 0;
    i32 at = line->cursor;
    std::memmove(line->buf + at + 1, line->buf + at, (size_t)(line->len - at + 1));
    line->buf[at] = (char)ch;
    line->cursor++;
    line->len++;
    return 1;
}

void sv_line_left(sv_line* line)
{
    if (line->cursor > 0)
        line->cursor--;
}

void sv_line_right(sv_line* line)
{
    if (line->cursor < line->len)
        line->cursor++;
}

void sv_line_home(sv_line* line)
{
    line->cursor = 0;
}

void sv_line_end(sv_line* line)
{
    line->cursor = line->len;
}

void sv_line_word_left(sv_line* line)
{
    line->cursor = word_left_of(line);
}

void sv_line_word_right(sv_line* line)
{
    line->cursor = word_right_of(line);
}

void sv_line_backspace(sv_line* line)
{
    if (line->cursor <= 0)
        return;
    remove_span(line, line->cursor - 1, line->cursor);
    line->cursor--;
}

void sv_line_delete(sv_line* line)
{
    if (line->cursor >= line->len)
        return;
    remove_span(line, line->cursor, line->cursor + 1);
}

void sv_line_kill_word_back(sv_line* line)
{
    i32 from = word_left_of(line);
    remove_span(line, from, line->cursor);
    line->cursor = from;
}

void sv_line_kill_word_forward(sv_line* line)
{
    remove_span(line, line->cursor, word_right_of(line));
}

void sv_line_kill_to_start(sv_line* line)
{
    remove_span(line, 0, line->cursor);
    line->cursor = 0;
}

void sv_line_kill_to_end(sv_line* line)
{
    line->len = line->cursor;
    line->buf[line->len] = '\0';
}

void sv_line_history_prev(sv_line* line)
{
    if (line->hist_pos <= 0)
        return;
    if (line->hist_pos >= line->hist_count) {
        // Leaving the live line: keep what was typed so history-next can bring it back.
        std::memcpy(line->saved, line->buf, (size_t)line->len + 1);
        line->saved_len = line->len;
        line->hist_pos = line->hist_count;
    }
    line->hist_pos--;
    const char* e = entry_at(line, line->hist_pos);
    show_text(line, e, (i32)strnlen(e, MAX_CHARS));
}

void sv_line_history_next(sv_line* line)
{
    if (line->hist_pos >= line->hist_count)
        return;
    line->hist_pos++;
    if (line->hist_pos == line->hist_count) {
        show_text(line, line->saved, line->saved_len);
    } else {
        const char* e = entry_at(line, line->hist_pos);
        show_text(line, e, (i32)strnlen(e, MAX_CHARS));
    }
}

int sv_line_submit(sv_line* line, char* out, u64 out_size)
{
    i32 i = 0;
    while (i < line->len && line->buf[i] == ' ')
        i++;
    if (i == line->len)
        return 0;

    if (out && out_size != 0) {
        u64 n = (u64)line->len;
        if (n > out_size - 1)
            n = out_size - 1;
        std::memcpy(out, line->buf, (size_t)n);
        out[n] = '\0';
    }

    int same
        = line->hist_count > 0 && std::strcmp(entry_at(line, line->hist_count - 1), line->buf) == 0;
    if (!same) {
        if (line->hist_count < SV_LINE_HISTORY) {
            std::memcpy(line->history[(line->hist_head + line->hist_count) % SV_LINE_HISTORY],
                        line->buf, (size_t)line->len + 1);
            line->hist_count++;
        } else {
            std::memcpy(line->history[line->hist_head], line->buf, (size_t)line->len + 1);
            line->hist_head = (line->hist_head + 1) % SV_LINE_HISTORY;
        }
    }

    line->hist_pos = line->hist_count;
    line->saved[0] = '\0';
    line->saved_len = 0;
    sv_line_clear(line);
    return 1;
}

// A shorter name differs at its NUL, so this also demands the name be at least as long as the word.
static int begins_with(const char* name, const char* word, i32 wlen)
{
    return std::strncmp(name, word, (size_t)wlen) == 0;
}

i32 sv_line_complete(sv_line* line, sv_complete_fn fn, void* user)
{
    i32 ws = 0;
    while (ws < line->len && line->buf[ws] == ' ')
        ws++;
    i32 we = ws;
    while (we < line->len && line->buf[we] != ' ')
        we++;
    if (line->cursor < ws || line->cursor > we)
        return 0;

    // The word is kept apart: the buffer changes before the candidates are listed.
    char word[SV_LINE_CAP];
    i32 wlen = we - ws;
    std::memcpy(word, line->buf + ws, (size_t)wlen);
    word[wlen] = '\0';

    i32 matches = 0;
    const char* first = nullptr;
    i32 common = 0;
    u64 count = sv_cmd_count();
    for (u64 i = 0; i < count; i++) {
        const char* name = sv_cmd_name_at(i);
        if (!name || !begins_with(name, word, wlen))
            continue;
        if (matches == 0) {
            first = name;
            common = (i32)strnlen(name, MAX_CHARS);
        } else {
            i32 k = 0;
            while (k < common && first[k] == name[k])
                k++;
            common = k;
        }
        matches++;
    }
    if (matches == 0)
        return 0;

    char repl[SV_LINE_CAP];
    i32 rlen;
    if (matches == 1) {
        rlen = (i32)strnlen(first, MAX_CHARS);
        std::memcpy(repl, first, (size_t)rlen);
        if (we == line->len && rlen < MAX_CHARS)
            repl[rlen++] = ' ';
    } else {
        rlen = common;
        std::memcpy(repl, first, (size_t)rlen);
    }
    if (rlen > MAX_CHARS - 1)
        rlen = MAX_CHARS - 1;

    i32 tail = line->len - we;
    if (ws + rlen + tail <= MAX_CHARS) {
        std::memmove(line->buf + ws + rlen, line->buf + we, (size_t)tail + 1);
        std::memcpy(line->buf + ws, repl, (size_t)rlen);
        line->len = ws + rlen + tail;
        line->cursor = ws + rlen;
    }

    if (matches > 1 && fn) {
        for (u64 i = 0; i < count; i++) {
            const char* name = sv_cmd_name_at(i);
            if (name && begins_with(name, word, wlen))
                fn(name, user);
        }
    }
    return matches;
}

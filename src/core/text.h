// Small string helpers shared by the core modules.
#pragma once
#include "core/types.h"

// A heap copy of s for the caller to free; null for null or when memory runs out.
char* sv_text_dup(const char* s);
// Copies at most cap - 1 bytes of src into dst and always terminates; the cut moves back to the
// start of a UTF-8 character rather than split it. Null gives an empty string. cap must be at
// least 1.
void sv_text_cut(char* dst, u64 cap, const char* src);
// Copies src into dst with every control character written as a \xNN escape: the C0 bytes below
// 0x20, DEL, and the C1 characters U+0080..U+009F as the escapes of their two UTF-8 bytes; so is
// every byte that is no part of a valid UTF-8 character. Other text is kept as it is. Pack text goes through it before it reaches a terminal or a log. Cut to
// cap - 1 bytes without splitting an escape or a character; null gives an empty string. cap must
// be at least 1. Returns dst.
const char* sv_text_escape(char* dst, u64 cap, const char* src);
// Room for escaping a text of n bytes whole: every byte may become four.
#define SV_TEXT_ESCAPED(n) (4 * (n) + 1)

// Small string helpers shared by the core modules.
#pragma once
#include "core/types.h"

// A heap copy of s for the caller to free; null for null or when memory runs out.
char* sv_text_dup(const char* s);
// Copies at most cap - 1 bytes of src into dst and always terminates; the cut moves back to the
// start of a UTF-8 character rather than split it. Null gives an empty string. cap must be at
// least 1.
void sv_text_cut(char* dst, u64 cap, const char* src);

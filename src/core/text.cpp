// Small string helpers shared by the core modules.
#include "core/text.h"

#include <cstdlib>
#include <cstring>

char* sv_text_dup(const char* s)
{
    if (!s)
        return nullptr;
    u64 n = strlen(s);
    char* d = (char*)malloc(n + 1);
    if (!d)
        return nullptr;
    memcpy(d, s, n + 1);
    return d;
}

void sv_text_cut(char* dst, u64 cap, const char* src)
{
    if (!src) {
        dst[0] = 0;
        return;
    }
    u64 n = strnlen(src, cap - 1);
    // The first byte left out continues a character: leave out that character's lead bytes too.
    // A UTF-8 character has at most three continuation bytes, which bounds the walk on bad input.
    for (int k = 0; k < 3 && n > 0 && ((unsigned char)src[n] & 0xC0) == 0x80; ++k)
        n--;
    memmove(dst, src, n);
    dst[n] = 0;
}

// Small string helpers shared by the core modules.
#include "core/text.h"

#include <cstdio>
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

// The length of the valid UTF-8 character at p (2 to 4), or 0 when the bytes there are no whole,
// shortest-form character below U+110000 that is not a surrogate. p[0] is at least 0x80.
static u64 utf8_length(const unsigned char* p)
{
    unsigned char c = p[0];
    u64 n = 0;
    unsigned char lo = 0x80, hi = 0xbf; // the range of the second byte
    if (c >= 0xc2 && c <= 0xdf) {
        n = 2;
    } else if (c >= 0xe0 && c <= 0xef) {
        n = 3;
        if (c == 0xe0)
            lo = 0xa0; // shorter forms
        else if (c == 0xed)
            hi = 0x9f; // surrogates
    } else if (c >= 0xf0 && c <= 0xf4) {
        n = 4;
        if (c == 0xf0)
            lo = 0x90; // shorter forms
        else if (c == 0xf4)
            hi = 0x8f; // past U+10FFFF
    } else {
        return 0;
    }
    if (p[1] < lo || p[1] > hi)
        return 0;
    for (u64 i = 2; i < n; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
    }
    return n;
}

const char* sv_text_escape(char* dst, u64 cap, const char* src)
{
    u64 out = 0;
    const unsigned char* p = (const unsigned char*)(src ? src : "");
    while (*p) {
        unsigned char c = p[0];
        u64 take = 1; // source bytes this step
        char piece[9];
        u64 len = 0;
        u64 whole = c >= 0x80 ? utf8_length(p) : 1;
        if (c < 0x20 || c == 0x7f || whole == 0) {
            // A control byte, or one that is no part of a valid character: an 8-bit terminal
            // could read it as a control.
            len = (u64)snprintf(piece, sizeof piece, "\\x%02x", c);
        } else if (c == 0xc2 && p[1] >= 0x80 && p[1] <= 0x9f) {
            len = (u64)snprintf(piece, sizeof piece, "\\x%02x\\x%02x", c, p[1]);
            take = 2;
        } else {
            // A whole UTF-8 character at a time, so a cut never splits one.
            take = whole;
            memcpy(piece, p, take);
            len = take;
        }
        if (out + len > cap - 1)
            break;
        memcpy(dst + out, piece, len);
        out += len;
        p += take;
    }
    dst[out] = 0;
    return dst;
}

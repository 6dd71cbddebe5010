// A text sink: a function and its context, passed by value.
#pragma once
#include "core/types.h"
#include <cstdio>

typedef void (*sv_write_fn)(void* ctx, const char* text);

struct sv_writer {
    sv_write_fn fn;
    void* ctx;
};

#define SV_WRITEF_MAX 2048

// A writer that puts text on file (null: standard output); nothing is opened or owned.
sv_writer sv_writer_file(FILE* file);
// Formats into at most SV_WRITEF_MAX - 1 bytes (cut beyond) and passes it to w; a null fn or fmt
// writes nothing.
void sv_writef(sv_writer w, const char* fmt, ...) SV_PRINTF(2, 3);

#include "core/writer.h"

#include <cstdarg>

static void write_file(void* ctx, const char* text)
{
    FILE* out = ctx ? static_cast<FILE*>(ctx) : stdout;
    std::fputs(text, out);
}

sv_writer sv_writer_file(FILE* file)
{
    sv_writer w = {write_file, file};
    return w;
}

void sv_writef(sv_writer w, const char* fmt, ...)
{
    if (!w.fn || !fmt)
        return;
    char text[SV_WRITEF_MAX];
    va_list args;
    va_start(args, fmt);
    vsnprintf(text, sizeof text, fmt, args);
    va_end(args);
    w.fn(w.ctx, text);
}

#include "core/panic.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "core/log.h"

void sv_panic(const char* fmt, ...)
{
    char message[512];
    va_list args;
    va_start(args, fmt);
    vsnprintf(message, sizeof message, fmt, args);
    va_end(args);

    // A panic must never be silent: when the core category is muted, or the log does not reach
    // the standard error stream, the line is written there directly as well.
    int logged = sv_log_cat_level(SV_CAT_CORE) <= SV_LOG_ERROR;
    if (logged)
        sv_log_write(SV_LOG_ERROR, SV_CAT_CORE, "panic: %s", message);
    if (!logged || !sv_log_stderr_on())
        std::fprintf(stderr, "panic: %s\n", message);
    sv_log_flush();
    std::abort();
}

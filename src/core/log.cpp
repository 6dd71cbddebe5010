#include "core/log.h"

#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "core/plat.h"
#include "core/text.h"

struct sv_log_state {
    FILE* file;
    u8 owns;
    u8 to_stderr;
    u8 initialised;
    timespec start;
    u32 level[SV_LOG_CATS];
};

static sv_log_state g_log;

static const char* const k_level_names[] = {"trace", "debug", "info", "warn", "error", "off"};
static const char* const k_cat_names[SV_LOG_CATS]
    = {"core", "gen", "ledger", "vfs", "anomaly", "combat", "econ", "render"};

// Time stamps count wall seconds on a monotonic clock from the logger's first use.
static void log_init(void)
{
    if (g_log.initialised)
        return;
    g_log.to_stderr = 1;
    g_log.initialised = 1;
    clock_gettime(CLOCK_MONOTONIC, &g_log.start);
    for (u32 i = 0; i < SV_LOG_CATS; i++)
        g_log.level[i] = SV_LOG_INFO;
}

static double log_seconds(void)
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    i64 ms = (i64)(now.tv_sec - g_log.start.tv_sec) * 1000
        + (now.tv_nsec - g_log.start.tv_nsec) / 1000000;
    return (double)ms / 1000.0;
}

// The message formatted whole into a heap block, or null when memory runs out.
static char* log_format(const char* fmt, va_list args)
{
    va_list again;
    va_copy(again, args);
    int n = std::vsnprintf(nullptr, 0, fmt, args);
    char* text = n >= 0 ? (char*)std::malloc((size_t)n + 1) : nullptr;
    if (text)
        std::vsnprintf(text, (size_t)n + 1, fmt, again);
    va_end(again);
    return text;
}

// Messages carry pack text (ids, paths), so control characters are escaped before they reach
// the terminal or the file; nothing is cut.
static void log_line(FILE* out, double seconds, u32 level, u32 category, const char* fmt,
                     va_list args)
{
    std::fprintf(out, "[%8.3f] %-5s %-7s  ", seconds, sv_log_level_name(level),
                 sv_log_cat_name(category));
    char* text = log_format(fmt, args);
    size_t n = text ? std::strlen(text) : 0;
    char* escaped = text ? (char*)std::malloc(SV_TEXT_ESCAPED(n)) : nullptr;
    if (escaped)
        std::fputs(sv_text_escape(escaped, SV_TEXT_ESCAPED(n), text), out);
    std::free(escaped);
    std::free(text);
    std::fputc('\n', out);
}

void sv_log_write(u32 level, u32 category, const char* fmt, ...)
{
    log_init();
    if (level > SV_LOG_ERROR)
        return;
    if (category >= SV_LOG_CATS)
        category = SV_CAT_CORE;
    if (level < g_log.level[category])
        return;
    double seconds = log_seconds();
    va_list args;
    if (g_log.to_stderr) {
        va_start(args, fmt);
        log_line(stderr, seconds, level, category, fmt, args);
        va_end(args);
    }
    if (g_log.file) {
        va_start(args, fmt);
        log_line(g_log.file, seconds, level, category, fmt, args);
        va_end(args);
        std::fflush(g_log.file);
    }
}

void sv_log_flush(void)
{
    if (g_log.to_stderr || !g_log.initialised)
        std::fflush(stderr);
    if (g_log.file)
        std::fflush(g_log.file);
}

void sv_log_set_level(u32 level)
{
    log_init();
    for (u32 i = 0; i < SV_LOG_CATS; i++)
        g_log.level[i] = level;
}

void sv_log_set_cat_level(u32 category, u32 level)
{
    log_init();
    if (category < SV_LOG_CATS)
        g_log.level[category] = level;
}

u32 sv_log_cat_level(u32 category)
{
    log_init();
    return category < SV_LOG_CATS ? g_log.level[category] : (u32)SV_LOG_OFF;
}

void sv_log_set_stderr(u8 on)
{
    log_init();
    g_log.to_stderr = on;
}

u8 sv_log_stderr_on(void)
{
    log_init();
    return g_log.to_stderr;
}

static void detach_file(void)
{
    if (!g_log.file)
        return;
    std::fflush(g_log.file);
    if (g_log.owns)
        std::fclose(g_log.file);
    g_log.file = nullptr;
    g_log.owns = 0;
}

void sv_log_open(const char* path)
{
    log_init();
    if (!path)
        return;
    detach_file();
    // Only a regular file: a FIFO without a reader would hold the program for ever, a device
    // would take the lines and keep none.
    g_log.file = sv_plat_create(path, nullptr);
    g_log.owns = g_log.file ? 1 : 0;
}

void sv_log_open_file(FILE* file)
{
    log_init();
    detach_file();
    g_log.file = file;
    g_log.owns = 0;
}

void sv_log_close(void)
{
    detach_file();
}

FILE* sv_log_file(void)
{
    log_init();
    return g_log.file;
}

u32 sv_log_compiled_min(void)
{
    return SV_LOG_INFO;
}

static int write_header(FILE* out, u64 seed, const char* tunables)
{
    std::fprintf(out, "==== %s %s ====\n", SV_PRODUCT, SV_VERSION);
    std::fprintf(out, "  build    %s %s%s\n", SV_PLATFORM, "release", "");
    std::fprintf(out, "  seed     0x%016llX\n", (unsigned long long)seed);
    std::fprintf(out, "  tunables %s\n", tunables ? tunables : "(defaults)");
    std::fprintf(out, "  logging  from %s\n", sv_log_level_name(sv_log_compiled_min()));
    std::fprintf(out, "\n");
    return std::fflush(out);
}

int sv_log_header(u64 seed, const char* tunables)
{
    log_init();
    int status = 1;
    if (g_log.to_stderr)
        status = write_header(stderr, seed, tunables);
    if (g_log.file)
        status = write_header(g_log.file, seed, tunables);
    return status;
}

const char* sv_log_level_name(u32 level)
{
    return level <= SV_LOG_OFF ? k_level_names[level] : "?";
}

const char* sv_log_cat_name(u32 category)
{
    return category < SV_LOG_CATS ? k_cat_names[category] : "?";
}

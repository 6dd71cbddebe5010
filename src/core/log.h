// Time-stamped log lines to the standard error stream and an optional file.
#pragma once
#include "core/types.h"
#include <cstdio>

enum sv_log_level : u32 {
    SV_LOG_TRACE = 0,
    SV_LOG_DEBUG = 1,
    SV_LOG_INFO = 2,
    SV_LOG_WARN = 3,
    SV_LOG_ERROR = 4,
    SV_LOG_OFF = 5,
};

enum sv_log_cat : u32 {
    SV_CAT_CORE = 0,
    SV_CAT_GEN = 1,
    SV_CAT_LEDGER = 2,
    SV_CAT_VFS = 3,
    SV_CAT_ANOMALY = 4,
    SV_CAT_COMBAT = 5,
    SV_CAT_ECON = 6,
    SV_CAT_RENDER = 7,
};

#define SV_LOG_CATS 8

// Writes one time-stamped line, control characters escaped, to standard error and the file when
// the level passes the category's; an unknown category logs as core, a level past error drops.
void sv_log_write(u32 level, u32 category, const char* fmt, ...) SV_PRINTF(3, 4);
// Flushes standard error (when enabled) and the log file.
void sv_log_flush(void);
// Sets the least level written for every category.
void sv_log_set_level(u32 level);
// Sets the least level written for one category; an unknown category changes nothing.
void sv_log_set_cat_level(u32 category, u32 level);
// The least level written for a category (info until set); SV_LOG_OFF for an unknown one.
u32 sv_log_cat_level(u32 category);
// Turns the standard error copy on or off (it starts on).
void sv_log_set_stderr(u8 on);
// Nonzero when lines also go to standard error.
u8 sv_log_stderr_on(void);
// Closes any current file and opens path for writing, truncated, owned by the log; null changes
// nothing, and a failed open leaves no file. Only a regular file is opened (sv_plat_create): a
// device, FIFO or directory there, or a Windows device name, leaves no file, at once.
void sv_log_open(const char* path);
// Closes any current file and writes to file from now on; the caller keeps ownership (null: none).
void sv_log_open_file(FILE* file);
// Flushes the log file and closes it if the log opened it; later lines go to standard error only.
void sv_log_close(void);
// The current log file, or null.
FILE* sv_log_file(void);
// The least level this build can write: SV_LOG_INFO.
u32 sv_log_compiled_min(void);
// Writes the run banner (product, build, seed, tunables or "(defaults)") to each enabled output;
// returns the last fflush result (0 on success), or 1 when there was no output.
int sv_log_header(u64 seed, const char* tunables);
// "trace" .. "off" for a level; "?" for another value. Static text.
const char* sv_log_level_name(u32 level);
// "core" .. "render" for a category; "?" for another value. Static text.
const char* sv_log_cat_name(u32 category);

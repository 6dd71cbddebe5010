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

void sv_log_write(u32 level, u32 category, const char* fmt, ...) SV_PRINTF(3, 4);
void sv_log_flush(void);
void sv_log_set_level(u32 level);
void sv_log_set_cat_level(u32 category, u32 level);
u32 sv_log_cat_level(u32 category);
void sv_log_set_stderr(u8 on);
u8 sv_log_stderr_on(void);
void sv_log_open(const char* path);
void sv_log_open_file(FILE* file);
void sv_log_close(void);
FILE* sv_log_file(void);
u32 sv_log_compiled_min(void);
int sv_log_header(u64 seed, const char* tunables);
const char* sv_log_level_name(u32 level);
const char* sv_log_cat_name(u32 category);

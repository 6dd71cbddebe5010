// The console: a registry of named commands, the line runner that splits a line into words
// and calls a command's handler, and a reader that runs lines from a stream.
#pragma once
#include "core/types.h"
#include "core/writer.h"
#include <cstdio>

#define SV_CMD_MAX      64  // registry rows
#define SV_CMD_ARGS_MAX 16  // words passed to a handler, the name included
#define SV_CMD_LINE_MAX 511 // characters in one line

// What a handler receives. The strings live in the runner's copy of the line
// and are valid only during the call.
struct sv_cmd_args {
    u32 argc;                // 1..16, the command's name included
    u32 reserved;            // always 0
    const char* const* argv; // argv[0] is the command's name
};

// Result: 0 ok, 1 failed, 2 quit (only the stream reader acts on 2).
typedef i32 (*sv_cmd_handler)(const sv_cmd_args* args);

struct sv_cmd {
    const char* name;  // compared exactly, case-sensitive
    const char* usage; // shown by help; the name when none is given
    const char* help;  // one line; empty when none is given
    u32 kind;          // 0
    sv_cmd_handler handler;
};

// Names, usages and helps are kept by pointer: pass string constants.
void sv_cmd_register(const char* name, const char* usage, const char* help, u32 kind,
                     sv_cmd_handler handler);
void sv_cmd_register_builtins(void);
void sv_cmd_reset(void);
u64 sv_cmd_count(void);
const char* sv_cmd_name_at(u64 index);
u8 sv_cmd_exists(const char* name);

void sv_cmd_set_writer(sv_writer w);
void sv_cmd_set_output(FILE* out);
sv_writer sv_cmd_writer(void);
FILE* sv_cmd_output(void);

void sv_cmd_set_enabled(u8 on);
u8 sv_cmd_enabled(void);

void sv_cmd_printf(const char* fmt, ...) SV_PRINTF(1, 2);

// A user-typed line: refused while the console is disabled.
i32 sv_cmd_run(const char* line);
// An internal line: runs whatever the enabled flag says.
i32 sv_cmd_dispatch(const char* line);

// Runs lines from a stream until its end or a command returns 2; returns 0.
i32 sv_cmd_repl(FILE* in);

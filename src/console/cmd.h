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

// Adds a command row; names, usages and helps are kept by pointer: pass string constants. A null
// name or handler, or kind 1, adds nothing; a full registry or a doubled name panics.
void sv_cmd_register(const char* name, const char* usage, const char* help, u32 kind,
                     sv_cmd_handler handler);
// Registers the built-in commands (help, version, quit, set, get, ..., mount, load).
void sv_cmd_register_builtins(void);
// Empties the registry; the writer and the enabled flag are kept.
void sv_cmd_reset(void);
// The number of registered commands.
u64 sv_cmd_count(void);
// The name of the command at index in registration order, or null past the last.
const char* sv_cmd_name_at(u64 index);
// 1 when a command has exactly that name; 0 for null or none.
u8 sv_cmd_exists(const char* name);

// Sends console output to w (a null fn: standard output); sv_cmd_output becomes stdout.
void sv_cmd_set_writer(sv_writer w);
// Sends console output to the stream out, which sv_cmd_output then returns.
void sv_cmd_set_output(FILE* out);
// The writer console output goes to; a standard output writer when none is set.
sv_writer sv_cmd_writer(void);
// The stream set by sv_cmd_set_output, else stdout; what the prompt flushes.
FILE* sv_cmd_output(void);

// Allows or refuses user-typed lines (sv_cmd_run); the console starts enabled.
void sv_cmd_set_enabled(u8 on);
// Nonzero when user-typed lines run.
u8 sv_cmd_enabled(void);

// Formats into at most SV_WRITEF_MAX - 1 bytes (cut beyond) and writes to the console writer;
// a null fmt writes nothing.
void sv_cmd_printf(const char* fmt, ...) SV_PRINTF(1, 2);

// Typed words and pack text as a console message shows them: sv_text_escape over the text, cut
// to SV_TEXT_ESCAPED(SV_CMD_LINE_MAX) - 1 bytes. The result lives in one of four static buffers
// taken in turn, so one message may show up to four; each stays valid for three further calls.
const char* sv_cmd_shown(const char* text);

// A user-typed line, refused while the console is disabled: the handler's result (records it adds
// echoed), 0 for a blank or '#' line, 1 with a message for a refused, long or unknown line.
i32 sv_cmd_run(const char* line);
// An internal line: as sv_cmd_run, but runs whatever the enabled flag says.
i32 sv_cmd_dispatch(const char* line);

// Runs lines from a stream until its end or a command returns 2; returns 0. Echoes each line after
// "sv> " unless the stream is a terminal (then prompts), and refuses over-long lines whole.
i32 sv_cmd_repl(FILE* in);

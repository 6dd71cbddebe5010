// Diagnostics store: problems found in pack data become records here, labelled with the
// pack and file being read, instead of being fatal or logged.
#pragma once
#include "core/types.h"
#include "core/writer.h"

#define SV_DIAG_MAX         512
#define SV_DIAG_PACKS       32
#define SV_DIAG_PACK_LEN    64
#define SV_DIAG_FILE_LEN    128
#define SV_DIAG_SUBJECT_LEN 96
#define SV_DIAG_MESSAGE_LEN 192

enum sv_diag_severity : u32 {
    SV_DIAG_INFO = 0,
    SV_DIAG_WARNING = 1,
    SV_DIAG_ERROR = 2,
};

enum sv_diag_kind : u32 {
    SV_DIAG_MALFORMED = 0,
    SV_DIAG_UNKNOWN_KEY = 1,
    SV_DIAG_OUT_OF_RANGE = 2,
    SV_DIAG_WRONG_TYPE = 3,
    SV_DIAG_DANGLING_REF = 4,
    SV_DIAG_MISSING_FIELD = 5,
    SV_DIAG_DUPLICATE_ID = 6,
    SV_DIAG_UNCLAIMED = 7,
};

struct sv_diag {
    u32 severity;
    u32 kind;
    char pack[SV_DIAG_PACK_LEN];
    char file[SV_DIAG_FILE_LEN];
    char subject[SV_DIAG_SUBJECT_LEN];
    char message[SV_DIAG_MESSAGE_LEN];
};

// "info", "warning" or "error"; "?" for another value. Static text.
const char* sv_diag_severity_name(u32 severity);
// The kind's printed name ("malformed", "unknown key", ...); "?" for another value.
const char* sv_diag_kind_name(u32 kind);

// Empties the records, the counts and the context; the strict flag is kept.
void sv_diag_reset(void);
// Null gives an empty string; both are cut to their field widths.
void sv_diag_set_context(const char* pack, const char* file);
// Same as sv_diag_set_context(nullptr, nullptr): later records name no pack or file.
void sv_diag_clear_context(void);
// Records a problem under the current context with the message formatted and cut to its field;
// severity above error counts as error. Past SV_DIAG_MAX it is counted and dropped, not stored.
void sv_diag_report(u32 severity, u32 kind, const char* subject, const char* fmt, ...)
    SV_PRINTF(4, 5);

// Records stored since the last reset (at most SV_DIAG_MAX; dropped ones excluded).
u64 sv_diag_count(void);
// Reports of that severity since the last reset, dropped ones included; 0 for an unknown severity.
u64 sv_diag_count_of(u32 severity);
// Reports counted but not stored because the table was full.
u64 sv_diag_dropped(void);
// The stored record at index, or null past the last; valid until the next reset.
const sv_diag* sv_diag_at(u64 index);

// Turns strict mode on or off (any nonzero is on); a reset keeps it.
void sv_diag_set_strict(u8 on);
// 1 when strict mode is on.
u8 sv_diag_strict(void);
// 1 unless strict is on and a warning or error was reported since the last reset.
int sv_diag_finish(void);

// Writes every stored record, one line each with pack text escaped, then a line for dropped ones.
void sv_diag_print_all(sv_writer w);
// Writes "N errors, M warnings" with singulars; nothing when there are neither.
void sv_diag_print_summary(sv_writer w);

// Packs with warnings or errors reported since the last reset, stored or dropped, in order of
// first appearance, at most SV_DIAG_PACKS.
u64 sv_diag_pack_count(void);
// 1 and that group's label and count (either out may be null), or 0 past the last group. The
// label stays valid until the next reset.
int sv_diag_pack_at(u64 index, const char** out_label, u64* out_count);
// Writes one "  label: N problems" line per pack group ("(no pack)" for an empty label).
void sv_diag_print_pack_summary(sv_writer w);

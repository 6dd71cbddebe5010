// The one JSON entry point for pack files: a whole text parsed with cJSON, the same way for
// manifests, tunables and content.
#pragma once
#include <cjson/cJSON.h>

#include <vector>

#include "core/types.h"
#include "core/vfs.h"

// The largest pack JSON file read: the base pack's largest is a few kilobytes, and a parsed tree
// costs tens of times its text, so a bigger file is refused before it is parsed.
#define SV_JSON_FILE_MAX ((u64)8 * 1024 * 1024)
// The most values one pack JSON file may hold. Parsing costs a node and a fraction of a
// microsecond per value, so a file of small values under the size limit would still cost
// seconds and hundreds of megabytes; a real content file holds a few thousand.
#define SV_JSON_VALUES_MAX ((u64)1 << 18)

// The most bytes of pack JSON one stage of a load (the manifests, the tunables, or one kind of
// content) reads across every mount. What a stage keeps grows with what it read, so 32 packs at
// the file limit would otherwise pass a gigabyte.
#define SV_JSON_STAGE_MAX ((u64)32 * 1024 * 1024)

// Starts a stage of a load: the bytes read through sv_json_read_at count from 0 again.
void sv_json_stage_begin(void);

// 1 when a pack JSON file of size bytes is within SV_JSON_FILE_MAX; else 0 with the error record
// such a file gets ("%llu bytes, over the %llu-byte limit for a pack JSON file").
int sv_json_size_ok(u64 size);

// Reads a pack JSON file from one mount as sv_vfs_read_at does, except that a file over
// SV_JSON_FILE_MAX, or one that would take the stage past SV_JSON_STAGE_MAX, is refused with an
// error record before any of it is read (or inflated).
int sv_json_read_at(u64 mount, const char* path, sv_vfs_buf* out);

// Parses text[0..length) as exactly one JSON value and returns the tree for the caller to
// cJSON_Delete, or null. text[length] must be readable and 0, as it is in every vfs buffer and
// C string. Whatever report says, a length over SV_JSON_FILE_MAX, more than SV_JSON_VALUES_MAX
// values, or a \u0000 escape in a string (which would cut the string short) is an error record
// and gives null, and a NUL byte inside the text is an error record (the text ends there). Bytes
// after the value other than JSON white space make the text malformed. With report set, a
// failure is an error record "parse failed at byte %ld" (where parsing stopped, or where the
// trailing bytes start), "nested deeper than %d levels at byte %ld" when the value nests too
// deeply to parse, or "parse failed" when no position is known.
cJSON* sv_json_parse(const char* text, u64 length, int report);

// As sv_json_parse with report set, for a text whose root is an array of entries: an entry that
// nests too deeply to parse, or that holds a \u0000 escape in a string, is left out (its bytes in
// text are overwritten) instead of failing the whole text, and its index, counted from 0, is
// appended to too_deep or with_nul. The caller reports the entries left out.
cJSON* sv_json_parse_entries(char* text, u64 length, std::vector<u64>* too_deep,
                             std::vector<u64>* with_nul);

// Reports a warning for every key that appears more than once in one object, anywhere in the
// tree, saying which one the reader uses (the last when last_wins is set, else the first); owner,
// when not null, names what the tree is in the message. Returns the number of keys reported.
u64 sv_json_warn_duplicate_keys(const cJSON* root, int last_wins, const char* owner);

// The one JSON entry point for pack files: a whole text parsed with cJSON, the same way for
// manifests, tunables and content.
#pragma once
#include <cjson/cJSON.h>

#include "core/types.h"

// Parses text[0..length) as exactly one JSON value and returns the tree for the caller to
// cJSON_Delete, or null. The text ends at its first NUL byte, so a file and the same file read as
// a C string parse alike; text[length] must be readable and 0, as it is in every vfs buffer and
// C string. Bytes after the value other than JSON white space make the text malformed. With
// report set, a failure is an error record "parse failed at byte %ld" (where parsing stopped, or
// where the trailing bytes start), or "parse failed" when no position is known.
cJSON* sv_json_parse(const char* text, u64 length, int report);

// The one JSON entry point for pack files.
#include "core/json.h"

#include <cstring>

#include "core/diag.h"
#include "core/vfs.h"

static int sv_json_space(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

static void sv_json_report_size(u64 length)
{
    sv_diag_report(SV_DIAG_ERROR, SV_DIAG_OUT_OF_RANGE, nullptr,
                   "%llu bytes, over the %llu-byte limit for a pack JSON file",
                   (unsigned long long)length, (unsigned long long)SV_JSON_FILE_MAX);
}

int sv_json_size_ok(u64 size)
{
    if (size <= SV_JSON_FILE_MAX)
        return 1;
    sv_json_report_size(size);
    return 0;
}

int sv_json_read_at(u64 mount, const char* path, sv_vfs_buf* out)
{
    u64 size = 0;
    if (out && sv_vfs_size_at(mount, path, &size) && !sv_json_size_ok(size)) {
        out->data = nullptr;
        out->size = 0;
        return 0;
    }
    return sv_vfs_read_at(mount, path, out);
}

// Whether the text holds more values than a pack file may: every value but the first follows a
// comma or opens a container, so outside strings commas and opening brackets bound the count.
static int sv_json_values_over(const char* text, u64 n)
{
    u64 values = 1;
    int in_string = 0;
    for (u64 i = 0; i < n; i++) {
        char c = text[i];
        if (in_string) {
            if (c == '\\')
                i++;
            else if (c == '"')
                in_string = 0;
        } else if (c == '"') {
            in_string = 1;
        } else if (c == ',' || c == '[' || c == '{') {
            if (++values > SV_JSON_VALUES_MAX)
                return 1;
        }
    }
    return 0;
}

// The size limit and the NUL check, whatever the caller's report flag; the length of the text
// to parse, or -1 when the text is refused.
static i64 sv_json_measure(const char* text, u64 length)
{
    if (length > SV_JSON_FILE_MAX) {
        sv_json_report_size(length);
        return -1;
    }
    u64 n = strnlen(text, length);
    if (n < length) {
        sv_diag_report(SV_DIAG_ERROR, SV_DIAG_MALFORMED, nullptr,
                       "a NUL byte at byte %llu; the %llu bytes from there on are ignored",
                       (unsigned long long)n, (unsigned long long)(length - n));
    }
    if (sv_json_values_over(text, n)) {
        sv_diag_report(SV_DIAG_ERROR, SV_DIAG_OUT_OF_RANGE, nullptr,
                       "more than %llu values, over the limit for a pack JSON file",
                       (unsigned long long)SV_JSON_VALUES_MAX);
        return -1;
    }
    return (i64)n;
}

// Bracket depth just before text[at], strings skipped. Only asked after a failed parse.
static u64 sv_json_depth_before(const char* text, u64 at)
{
    u64 depth = 0;
    int in_string = 0;
    for (u64 i = 0; i < at; i++) {
        char c = text[i];
        if (in_string) {
            if (c == '\\')
                i++;
            else if (c == '"')
                in_string = 0;
        } else if (c == '"') {
            in_string = 1;
        } else if (c == '[' || c == '{') {
            depth++;
        } else if ((c == ']' || c == '}') && depth > 0) {
            depth--;
        }
    }
    return depth;
}

// Whether a parse that stopped at text[at] stopped for nesting too deeply.
static int sv_json_too_deep_at(const char* text, u64 at)
{
    return (text[at] == '[' || text[at] == '{')
        && sv_json_depth_before(text, at) >= CJSON_NESTING_LIMIT;
}

// Parses text[0..n) (text[n] is 0); on failure *stop is where parsing stopped, or -1.
static cJSON* sv_json_parse_text(const char* text, u64 n, i64* stop)
{
    *stop = -1;
    // The terminating NUL is handed to cJSON too, so a text that stops short fails at its own
    // length (the byte after its last) rather than at its last byte.
    const char* end = nullptr;
    cJSON* root = cJSON_ParseWithLengthOpts(text, (size_t)n + 1, &end, 0);
    if (root) {
        while (end && end < text + n && sv_json_space(*end))
            end++;
        if (end == text + n)
            return root;
        cJSON_Delete(root);
    }
    if (end && end >= text && end <= text + n)
        *stop = end - text;
    return nullptr;
}

static void sv_json_report_failure(const char* text, i64 stop)
{
    if (stop < 0) {
        sv_diag_report(SV_DIAG_ERROR, SV_DIAG_MALFORMED, nullptr, "parse failed");
    } else if (sv_json_too_deep_at(text, (u64)stop)) {
        sv_diag_report(SV_DIAG_ERROR, SV_DIAG_MALFORMED, nullptr,
                       "nested deeper than %d levels at byte %ld", CJSON_NESTING_LIMIT, (long)stop);
    } else {
        sv_diag_report(SV_DIAG_ERROR, SV_DIAG_MALFORMED, nullptr, "parse failed at byte %ld",
                       (long)stop);
    }
}

cJSON* sv_json_parse(const char* text, u64 length, int report)
{
    if (!text) {
        if (report)
            sv_diag_report(SV_DIAG_ERROR, SV_DIAG_MALFORMED, nullptr, "parse failed");
        return nullptr;
    }
    i64 n = sv_json_measure(text, length);
    if (n < 0)
        return nullptr;
    i64 stop = -1;
    cJSON* root = sv_json_parse_text(text, (u64)n, &stop);
    if (!root && report)
        sv_json_report_failure(text, stop);
    return root;
}

// Overwrites every element of a root array that nests deeper than the parser allows with a 0
// and blanks, noting its index; 0 when the root is no array or nothing was too deep.
static int sv_json_defuse(char* text, u64 n, std::vector<u64>* too_deep)
{
    u64 i = 0;
    while (i < n && sv_json_space(text[i]))
        i++;
    if (i >= n || text[i] != '[')
        return 0;
    u64 depth = 1, index = 0, start = i + 1, deepest = 1;
    int in_string = 0, found = 0;
    for (i = i + 1; i < n && depth > 0; i++) {
        char c = text[i];
        if (in_string) {
            if (c == '\\')
                i++;
            else if (c == '"')
                in_string = 0;
            continue;
        }
        if (c == '"') {
            in_string = 1;
        } else if (c == '[' || c == '{') {
            if (++depth > deepest)
                deepest = depth;
        } else if (c == ']' || c == '}') {
            depth--;
        }
        // An element ends at a comma of the root array or at its closing bracket.
        if ((depth == 1 && c == ',') || depth == 0) {
            if (deepest > CJSON_NESTING_LIMIT) {
                memset(text + start, ' ', i - start);
                text[start] = '0';
                too_deep->push_back(index);
                found = 1;
            }
            index++;
            start = i + 1;
            deepest = 1;
        }
    }
    return found;
}

cJSON* sv_json_parse_entries(char* text, u64 length, std::vector<u64>* too_deep)
{
    if (!text)
        return sv_json_parse(text, length, 1);
    i64 n = sv_json_measure(text, length);
    if (n < 0)
        return nullptr;
    i64 stop = -1;
    cJSON* root = sv_json_parse_text(text, (u64)n, &stop);
    if (root)
        return root;
    // Only a failure for depth is worth a second pass without the entries that caused it.
    if (stop >= 0 && sv_json_too_deep_at(text, (u64)stop)
        && sv_json_defuse(text, (u64)n, too_deep)) {
        root = sv_json_parse_text(text, (u64)n, &stop);
        if (root)
            return root;
    }
    sv_json_report_failure(text, stop);
    return nullptr;
}

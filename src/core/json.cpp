// The one JSON entry point for pack files.
#include "core/json.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

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

// Bytes read through sv_json_read_at since the stage began.
static u64 g_stage_bytes;

void sv_json_stage_begin(void)
{
    g_stage_bytes = 0;
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
    if (out && sv_vfs_size_at(mount, path, &size)) {
        int refused = !sv_json_size_ok(size);
        if (!refused && size > SV_JSON_STAGE_MAX - g_stage_bytes) {
            sv_diag_report(SV_DIAG_ERROR, SV_DIAG_OUT_OF_RANGE, nullptr,
                           "%llu bytes would take the packs past the %llu bytes of this kind of "
                           "file one load reads; not read",
                           (unsigned long long)size, (unsigned long long)SV_JSON_STAGE_MAX);
            refused = 1;
        }
        if (refused) {
            out->data = nullptr;
            out->size = 0;
            return 0;
        }
    }
    if (!sv_vfs_read_at(mount, path, out))
        return 0;
    g_stage_bytes += out->size;
    return 1;
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

// Whether text[i..] is the escape of U+0000 (its hex digits in any case are all zeros).
static int sv_json_nul_escape_at(const char* text, u64 n, u64 i)
{
    return i + 5 < n && text[i] == '\\' && (text[i + 1] == 'u' || text[i + 1] == 'U')
        && text[i + 2] == '0' && text[i + 3] == '0' && text[i + 4] == '0' && text[i + 5] == '0';
}

// Where the first \u0000 escape inside a string starts, or -1: the parser would put a NUL into
// the string, which cuts it short for every reader.
static i64 sv_json_first_nul_escape(const char* text, u64 n)
{
    int in_string = 0;
    for (u64 i = 0; i < n; i++) {
        char c = text[i];
        if (in_string) {
            if (c == '\\') {
                if (sv_json_nul_escape_at(text, n, i))
                    return (i64)i;
                i++;
            } else if (c == '"') {
                in_string = 0;
            }
        } else if (c == '"') {
            in_string = 1;
        }
    }
    return -1;
}

static void sv_json_report_nul_escape(i64 at)
{
    sv_diag_report(SV_DIAG_ERROR, SV_DIAG_MALFORMED, nullptr,
                   "a \\u0000 escape at byte %lld: no string may hold a NUL; refused",
                   (long long)at);
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
    i64 nul = sv_json_first_nul_escape(text, (u64)n);
    if (nul >= 0) {
        sv_json_report_nul_escape(nul);
        return nullptr;
    }
    i64 stop = -1;
    cJSON* root = sv_json_parse_text(text, (u64)n, &stop);
    if (!root && report)
        sv_json_report_failure(text, stop);
    return root;
}

// Overwrites every element of a root array that nests deeper than the parser allows (with deep
// set) or that holds a \u0000 escape in a string (with nul set) with a 0 and blanks, noting its
// index in out; 0 when the root is no array or nothing was overwritten.
static int sv_json_defuse(char* text, u64 n, int deep, int nul, std::vector<u64>* out)
{
    u64 i = 0;
    while (i < n && sv_json_space(text[i]))
        i++;
    if (i >= n || text[i] != '[')
        return 0;
    u64 depth = 1, index = 0, start = i + 1, deepest = 1;
    int in_string = 0, found = 0, holds_nul = 0;
    for (i = i + 1; i < n && depth > 0; i++) {
        char c = text[i];
        if (in_string) {
            if (c == '\\') {
                holds_nul |= sv_json_nul_escape_at(text, n, i);
                i++;
            } else if (c == '"') {
                in_string = 0;
            }
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
            if ((deep && deepest > CJSON_NESTING_LIMIT) || (nul && holds_nul)) {
                memset(text + start, ' ', i - start);
                text[start] = '0';
                out->push_back(index);
                found = 1;
            }
            index++;
            start = i + 1;
            deepest = 1;
            holds_nul = 0;
        }
    }
    return found;
}

cJSON* sv_json_parse_entries(char* text, u64 length, std::vector<u64>* too_deep,
                             std::vector<u64>* with_nul)
{
    if (!text)
        return sv_json_parse(text, length, 1);
    i64 n = sv_json_measure(text, length);
    if (n < 0)
        return nullptr;
    // An entry with a NUL in a string is left out whole; outside the entries, the text is refused.
    if (sv_json_first_nul_escape(text, (u64)n) >= 0) {
        sv_json_defuse(text, (u64)n, 0, 1, with_nul);
        i64 nul = sv_json_first_nul_escape(text, (u64)n);
        if (nul >= 0) {
            sv_json_report_nul_escape(nul);
            return nullptr;
        }
    }
    i64 stop = -1;
    cJSON* root = sv_json_parse_text(text, (u64)n, &stop);
    if (root)
        return root;
    // Only a failure for depth is worth a second pass without the entries that caused it.
    if (stop >= 0 && sv_json_too_deep_at(text, (u64)stop)
        && sv_json_defuse(text, (u64)n, 1, 0, too_deep)) {
        root = sv_json_parse_text(text, (u64)n, &stop);
        if (root)
            return root;
    }
    sv_json_report_failure(text, stop);
    return nullptr;
}

u64 sv_json_warn_duplicate_keys(const cJSON* root, int last_wins, const char* owner)
{
    u64 found = 0;
    // Objects and arrays still to look into; nesting is bounded by the parser, the walk by this.
    std::vector<const cJSON*> todo;
    if (root)
        todo.push_back(root);
    std::vector<std::string_view> keys;
    while (!todo.empty()) {
        const cJSON* node = todo.back();
        todo.pop_back();
        keys.clear();
        for (const cJSON* child = node->child; child; child = child->next) {
            if (cJSON_IsObject(child) || cJSON_IsArray(child))
                todo.push_back(child);
            if (cJSON_IsObject(node) && child->string)
                keys.push_back(child->string);
        }
        std::sort(keys.begin(), keys.end());
        for (size_t i = 1; i < keys.size(); ++i) {
            if (keys[i] != keys[i - 1] || (i >= 2 && keys[i] == keys[i - 2]))
                continue;
            std::string key(keys[i]);
            if (owner) {
                sv_diag_report(SV_DIAG_WARNING, SV_DIAG_MALFORMED, key.c_str(),
                               "'%s': the key appears more than once in one object; the %s is used",
                               owner, last_wins ? "last" : "first");
            } else {
                sv_diag_report(SV_DIAG_WARNING, SV_DIAG_MALFORMED, key.c_str(),
                               "the key appears more than once in one object; the %s is used",
                               last_wins ? "last" : "first");
            }
            found++;
        }
    }
    return found;
}

// The one JSON entry point for pack files.
#include "core/json.h"

#include <cstring>

#include "core/diag.h"

static int sv_json_space(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

cJSON* sv_json_parse(const char* text, u64 length, int report)
{
    if (!text) {
        if (report)
            sv_diag_report(SV_DIAG_ERROR, SV_DIAG_MALFORMED, nullptr, "parse failed");
        return nullptr;
    }
    u64 n = strnlen(text, length);
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
    if (report) {
        if (end && end >= text && end <= text + n) {
            sv_diag_report(SV_DIAG_ERROR, SV_DIAG_MALFORMED, nullptr, "parse failed at byte %ld",
                           (long)(end - text));
        } else {
            sv_diag_report(SV_DIAG_ERROR, SV_DIAG_MALFORMED, nullptr, "parse failed");
        }
    }
    return nullptr;
}

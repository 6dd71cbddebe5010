// Diagnostics store: a fixed table of records with per-severity counts that include the
// reports that no longer fit.
#include "core/diag.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "core/text.h"

struct sv_diag_group {
    char label[SV_DIAG_PACK_LEN];
    u64 count;
};

struct sv_diag_store {
    sv_diag records[SV_DIAG_MAX];
    u64 count;
    u64 dropped;
    u64 by_severity[3];
    char pack[SV_DIAG_PACK_LEN];
    char file[SV_DIAG_FILE_LEN];
    u8 strict;
    // Warnings and errors per pack label, counted as they are reported, stored or not.
    sv_diag_group groups[SV_DIAG_PACKS];
    u64 group_count;
};

static sv_diag_store g_diag;

static const char* const k_severity_names[] = {"info", "warning", "error"};
static const char* const k_kind_names[] = {
    "malformed",          "unknown key",   "out of range", "wrong type",
    "dangling reference", "missing field", "duplicate id", "unclaimed",
};

const char* sv_diag_severity_name(u32 severity)
{
    return severity < 3 ? k_severity_names[severity] : "?";
}

const char* sv_diag_kind_name(u32 kind)
{
    return kind < sizeof(k_kind_names) / sizeof(k_kind_names[0]) ? k_kind_names[kind] : "?";
}

void sv_diag_reset(void)
{
    g_diag.count = 0;
    g_diag.dropped = 0;
    g_diag.by_severity[0] = g_diag.by_severity[1] = g_diag.by_severity[2] = 0;
    g_diag.pack[0] = 0;
    g_diag.file[0] = 0;
    g_diag.group_count = 0;
}

// Counts a warning or error under the current pack label, in order of first appearance; labels
// past the 32nd are counted nowhere.
static void sv_diag_count_group(void)
{
    u64 g = 0;
    while (g < g_diag.group_count && strcmp(g_diag.groups[g].label, g_diag.pack) != 0)
        g++;
    if (g == g_diag.group_count) {
        if (g_diag.group_count == SV_DIAG_PACKS)
            return;
        memcpy(g_diag.groups[g].label, g_diag.pack, sizeof(g_diag.groups[g].label));
        g_diag.groups[g].count = 0;
        g_diag.group_count++;
    }
    g_diag.groups[g].count++;
}

void sv_diag_set_context(const char* pack, const char* file)
{
    sv_text_cut(g_diag.pack, sizeof(g_diag.pack), pack);
    sv_text_cut(g_diag.file, sizeof(g_diag.file), file);
}

void sv_diag_clear_context(void)
{
    sv_diag_set_context(nullptr, nullptr);
}

void sv_diag_report(u32 severity, u32 kind, const char* subject, const char* fmt, ...)
{
    if (severity > SV_DIAG_ERROR)
        severity = SV_DIAG_ERROR;
    g_diag.by_severity[severity]++;
    if (severity != SV_DIAG_INFO)
        sv_diag_count_group();
    if (g_diag.count >= SV_DIAG_MAX) {
        g_diag.dropped++;
        return;
    }
    sv_diag* d = &g_diag.records[g_diag.count++];
    d->severity = severity;
    d->kind = kind;
    memcpy(d->pack, g_diag.pack, sizeof(d->pack));
    memcpy(d->file, g_diag.file, sizeof(d->file));
    sv_text_cut(d->subject, sizeof(d->subject), subject);
    d->message[0] = 0;
    if (fmt) {
        va_list ap;
        va_start(ap, fmt);
        vsnprintf(d->message, sizeof(d->message), fmt, ap);
        va_end(ap);
    }
}

u64 sv_diag_count(void)
{
    return g_diag.count;
}

u64 sv_diag_count_of(u32 severity)
{
    return severity <= SV_DIAG_ERROR ? g_diag.by_severity[severity] : 0;
}

u64 sv_diag_dropped(void)
{
    return g_diag.dropped;
}

const sv_diag* sv_diag_at(u64 index)
{
    return index < g_diag.count ? &g_diag.records[index] : nullptr;
}

void sv_diag_set_strict(u8 on)
{
    g_diag.strict = on ? 1 : 0;
}

u8 sv_diag_strict(void)
{
    return g_diag.strict;
}

int sv_diag_finish(void)
{
    if (!g_diag.strict)
        return 1;
    return g_diag.by_severity[SV_DIAG_WARNING] == 0 && g_diag.by_severity[SV_DIAG_ERROR] == 0;
}

void sv_diag_print_all(sv_writer w)
{
    // Every field holds pack text, which must not reach a terminal raw.
    char pack[SV_TEXT_ESCAPED(SV_DIAG_PACK_LEN)];
    char file[SV_TEXT_ESCAPED(SV_DIAG_FILE_LEN)];
    char subject[SV_TEXT_ESCAPED(SV_DIAG_SUBJECT_LEN)];
    char message[SV_TEXT_ESCAPED(SV_DIAG_MESSAGE_LEN)];
    for (u64 i = 0; i < g_diag.count; i++) {
        const sv_diag* d = &g_diag.records[i];
        sv_writef(w, "%s: %s", sv_diag_severity_name(d->severity), sv_diag_kind_name(d->kind));
        if (d->pack[0])
            sv_writef(w, "  [%s]", sv_text_escape(pack, sizeof pack, d->pack));
        if (d->file[0])
            sv_writef(w, "  %s", sv_text_escape(file, sizeof file, d->file));
        if (d->subject[0])
            sv_writef(w, "  '%s'", sv_text_escape(subject, sizeof subject, d->subject));
        if (d->message[0])
            sv_writef(w, "  -- %s", sv_text_escape(message, sizeof message, d->message));
        sv_writef(w, "\n");
    }
    if (g_diag.dropped) {
        sv_writef(w, "... and %zu further problems not shown\n", (size_t)g_diag.dropped);
    }
}

void sv_diag_print_summary(sv_writer w)
{
    u64 errors = g_diag.by_severity[SV_DIAG_ERROR];
    u64 warnings = g_diag.by_severity[SV_DIAG_WARNING];
    if (errors == 0 && warnings == 0)
        return;
    sv_writef(w, "%zu error%s, %zu warning%s\n", (size_t)errors, errors == 1 ? "" : "s",
              (size_t)warnings, warnings == 1 ? "" : "s");
}

u64 sv_diag_pack_count(void)
{
    return g_diag.group_count;
}

int sv_diag_pack_at(u64 index, const char** out_label, u64* out_count)
{
    if (index >= g_diag.group_count)
        return 0;
    if (out_label)
        *out_label = g_diag.groups[index].label;
    if (out_count)
        *out_count = g_diag.groups[index].count;
    return 1;
}

void sv_diag_print_pack_summary(sv_writer w)
{
    char escaped[SV_TEXT_ESCAPED(SV_DIAG_PACK_LEN)];
    for (u64 g = 0; g < g_diag.group_count; g++) {
        const char* label = g_diag.groups[g].label[0]
            ? sv_text_escape(escaped, sizeof escaped, g_diag.groups[g].label)
            : "(no pack)";
        u64 n = g_diag.groups[g].count;
        sv_writef(w, "  %s: %zu problem%s\n", label, (size_t)n, n == 1 ? "" : "s");
    }
}

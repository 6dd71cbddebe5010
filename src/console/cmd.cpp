// The command registry, the line runner with its tokeniser, the stream reader and the builtin
// commands over tunables, packs, mounts, diagnostics and logging.
#include "console/cmd.h"

#include <cmath>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <strings.h>
#include <unistd.h>

#include "core/boot.h"
#include "core/content.h"
#include "core/diag.h"
#include "core/json.h"
#include "core/log.h"
#include "core/panic.h"
#include "core/plat.h"
#include "core/text.h"
#include "core/tune.h"
#include "core/vfs.h"

struct sv_cmd_registry {
    sv_cmd rows[SV_CMD_MAX];
    u64 count;
    u8 enabled;
    u8 initialised;
    sv_writer writer;
    FILE* output;
};

static sv_cmd_registry g_cmd;

static void cmd_init(void)
{
    if (!g_cmd.initialised) {
        g_cmd.initialised = 1;
        g_cmd.enabled = 1;
    }
}

static const sv_cmd* cmd_find(const char* name)
{
    for (u64 i = 0; i < g_cmd.count; i++) {
        if (std::strcmp(g_cmd.rows[i].name, name) == 0)
            return &g_cmd.rows[i];
    }
    return nullptr;
}

void sv_cmd_register(const char* name, const char* usage, const char* help, u32 kind,
                     sv_cmd_handler handler)
{
    cmd_init();
    if (kind == 1 || !name || !handler)
        return;
    if (g_cmd.count >= SV_CMD_MAX)
        sv_panic("cmd: registry full at %d commands", SV_CMD_MAX);
    if (cmd_find(name))
        sv_panic("cmd: '%s' registered twice", name);
    sv_cmd* row = &g_cmd.rows[g_cmd.count++];
    row->name = name;
    row->usage = usage ? usage : name;
    row->help = help ? help : "";
    row->kind = kind;
    row->handler = handler;
}

void sv_cmd_reset(void)
{
    cmd_init();
    g_cmd.count = 0;
}

u64 sv_cmd_count(void)
{
    return g_cmd.count;
}

const char* sv_cmd_name_at(u64 index)
{
    return index < g_cmd.count ? g_cmd.rows[index].name : nullptr;
}

u8 sv_cmd_exists(const char* name)
{
    return name && cmd_find(name) ? 1 : 0;
}

void sv_cmd_set_writer(sv_writer w)
{
    cmd_init();
    g_cmd.writer = w;
    g_cmd.output = nullptr;
}

void sv_cmd_set_output(FILE* out)
{
    cmd_init();
    g_cmd.writer = sv_writer_file(out);
    g_cmd.output = out;
}

sv_writer sv_cmd_writer(void)
{
    cmd_init();
    if (g_cmd.writer.fn)
        return g_cmd.writer;
    return sv_writer_file(stdout);
}

FILE* sv_cmd_output(void)
{
    return g_cmd.output ? g_cmd.output : stdout;
}

void sv_cmd_set_enabled(u8 on)
{
    g_cmd.initialised = 1;
    g_cmd.enabled = on;
}

u8 sv_cmd_enabled(void)
{
    cmd_init();
    return g_cmd.enabled;
}

void sv_cmd_printf(const char* fmt, ...)
{
    if (!fmt)
        return;
    cmd_init();
    char text[SV_WRITEF_MAX];
    va_list ap;
    va_start(ap, fmt);
    std::vsnprintf(text, sizeof text, fmt, ap);
    va_end(ap);
    if (g_cmd.writer.fn) {
        g_cmd.writer.fn(g_cmd.writer.ctx, text);
    } else {
        std::fputs(text, stdout);
    }
}

const char* sv_cmd_shown(const char* text)
{
    static char s_shown[4][SV_TEXT_ESCAPED(SV_CMD_LINE_MAX)];
    static u32 s_next;
    char* out = s_shown[s_next++ % 4];
    return sv_text_escape(out, sizeof s_shown[0], text);
}

// Splits the line in place into at most SV_CMD_ARGS_MAX words. A word that opens with a double
// quote runs to the next one (or the end of the line) and may hold blanks; there are no escapes.
static u32 cmd_tokenise(char* line, const char** argv)
{
    u32 n = 0;
    char* p = line;
    while (n < SV_CMD_ARGS_MAX) {
        while (*p == ' ' || *p == '\t')
            p++;
        if (!*p)
            break;
        if (*p == '"') {
            p++;
            argv[n++] = p;
            char* close = std::strchr(p, '"');
            if (close) {
                *close = '\0';
                p = close + 1;
            } else {
                p += std::strlen(p);
            }
        } else {
            argv[n++] = p;
            while (*p && *p != ' ' && *p != '\t')
                p++;
            if (*p)
                *p++ = '\0';
        }
    }
    return n;
}

// Shows the records a command added, so a clamp or a bad file is seen at once; problems that no
// longer fit in the store are at least counted.
static void cmd_echo_diags(u64 from, u64 dropped_before)
{
    u64 to = sv_diag_count();
    // Subjects and messages carry pack text, which must not reach a terminal raw.
    char subject[SV_TEXT_ESCAPED(SV_DIAG_SUBJECT_LEN)];
    char message[SV_TEXT_ESCAPED(SV_DIAG_MESSAGE_LEN)];
    for (u64 i = from; i < to; i++) {
        const sv_diag* d = sv_diag_at(i);
        if (!d)
            break;
        sv_cmd_printf("  %s: %s%s%s%s%s%s\n", sv_diag_severity_name(d->severity),
                      sv_diag_kind_name(d->kind), d->subject[0] ? " '" : "",
                      sv_text_escape(subject, sizeof subject, d->subject), d->subject[0] ? "'" : "",
                      d->message[0] ? " -- " : "",
                      sv_text_escape(message, sizeof message, d->message));
    }
    u64 dropped = sv_diag_dropped();
    if (dropped > dropped_before) {
        u64 n = dropped - dropped_before;
        sv_cmd_printf("  ... and %zu further problem%s not shown\n", (size_t)n, n == 1 ? "" : "s");
    }
}

static i32 cmd_run_line(const char* line, u8 user)
{
    cmd_init();
    if (!line)
        return 0;
    // Measure no further than needed: the line may come from anywhere.
    size_t len = strnlen(line, SV_CMD_LINE_MAX + 1);
    if (len > SV_CMD_LINE_MAX) {
        sv_cmd_printf("line too long (max %d)\n", SV_CMD_LINE_MAX);
        return 1;
    }
    // Each run keeps its own copy so that a handler may dispatch further lines.
    char copy[SV_CMD_LINE_MAX + 1];
    std::memcpy(copy, line, len);
    copy[len] = '\0';
    while (len > 0 && (copy[len - 1] == '\r' || copy[len - 1] == '\n'))
        copy[--len] = '\0';
    if (len == 0)
        return 0;

    const char* argv[SV_CMD_ARGS_MAX] = {};
    u32 argc = cmd_tokenise(copy, argv);
    if (argc == 0)
        return 0;
    if (argv[0][0] == '#')
        return 0;
    if (user && !g_cmd.enabled) {
        sv_cmd_printf("console is not enabled\n");
        return 1;
    }
    const sv_cmd* row = cmd_find(argv[0]);
    if (!row) {
        // The word is whatever was typed or piped in, so it reaches the terminal escaped.
        sv_cmd_printf("unknown command '%s' -- try 'help'\n", sv_cmd_shown(argv[0]));
        return 1;
    }
    sv_cmd_args args = {argc, 0, argv};
    u64 noted = sv_diag_count();
    u64 dropped = sv_diag_dropped();
    i32 result = row->handler(&args);
    cmd_echo_diags(noted, dropped);
    return result;
}

i32 sv_cmd_run(const char* line)
{
    return cmd_run_line(line, 1);
}

i32 sv_cmd_dispatch(const char* line)
{
    return cmd_run_line(line, 0);
}

// Reads one input line into line (room for SV_CMD_LINE_MAX characters, a line end and the NUL),
// byte by byte so that a NUL inside it is seen; a longer line is read to its end and its head
// kept. 0 at end of input, else 1 with *length the bytes kept; *too_long tells whether the line,
// line end aside, ran past SV_CMD_LINE_MAX characters, and *nul whether it holds a NUL byte.
static int cmd_read_line(FILE* in, char (&line)[SV_CMD_LINE_MAX + 3], size_t* length, u8* too_long,
                         u8* nul)
{
    *length = 0;
    *too_long = 0;
    *nul = 0;
    size_t len = 0;
    u64 read = 0;
    int c = EOF;
    while ((c = sv_plat_getc(in)) != EOF) {
        read++;
        if (c == 0)
            *nul = 1;
        if (len < sizeof line - 1)
            line[len++] = (char)c;
        else if (c != '\n')
            *too_long = 1;
        if (c == '\n')
            break;
    }
    if (read == 0)
        return 0;
    line[len] = '\0';
    *length = len;
    size_t body = len;
    while (body > 0 && (line[body - 1] == '\n' || line[body - 1] == '\r'))
        body--;
    if (body > SV_CMD_LINE_MAX)
        *too_long = 1;
    return 1;
}

// Echoes a line read from a stream after the prompt with its control bytes escaped; its line end
// is kept as it came. A line cut short shows its first SV_CMD_LINE_MAX bytes and "...".
static void cmd_echo_line(const char* line, size_t length, u8 cut)
{
    size_t n = length;
    if (cut) {
        n = n < SV_CMD_LINE_MAX ? n : SV_CMD_LINE_MAX;
    } else {
        while (n > 0 && (line[n - 1] == '\n' || line[n - 1] == '\r'))
            n--;
    }
    char shown[SV_TEXT_ESCAPED(SV_CMD_LINE_MAX) + 1];
    size_t out = 0;
    // Escaped in pieces between the NULs, at which the escaping itself would stop.
    for (size_t i = 0; i < n;) {
        if (line[i] == '\0') {
            out += (size_t)std::snprintf(shown + out, sizeof shown - out, "\\x00");
            i++;
            continue;
        }
        char piece[SV_CMD_LINE_MAX + 1];
        size_t k = 0;
        while (i < n && line[i] != '\0')
            piece[k++] = line[i++];
        piece[k] = '\0';
        sv_text_escape(shown + out, sizeof shown - out, piece);
        out += std::strlen(shown + out);
    }
    shown[out] = '\0';
    if (cut)
        sv_cmd_printf("sv> %s...\n", shown);
    else
        sv_cmd_printf("sv> %s%.*s", shown, (int)(length - n), line + n);
}

i32 sv_cmd_repl(FILE* in)
{
    cmd_init();
    if (!in)
        return 0;
    u8 terminal = isatty(fileno(in)) ? 1 : 0;
    char line[SV_CMD_LINE_MAX + 3];
    for (;;) {
        if (terminal) {
            sv_cmd_printf("sv> ");
            std::fflush(sv_cmd_output());
        }
        size_t length = 0;
        u8 too_long = 0, nul = 0;
        if (!cmd_read_line(in, line, &length, &too_long, &nul)) {
            if (terminal)
                sv_cmd_printf("\n");
            return 0;
        }
        if (!terminal)
            cmd_echo_line(line, length, too_long);
        // A long line is refused whole: running its head, or its tail as a line of its own,
        // would run something nobody typed. So is a line with a NUL, which would cut it short.
        if (too_long) {
            sv_cmd_printf("line too long (max %d)\n", SV_CMD_LINE_MAX);
            continue;
        }
        if (nul) {
            sv_cmd_printf("line holds a NUL byte; nothing of it is run\n");
            continue;
        }
        // The line end is no part of the command.
        line[std::strcspn(line, "\r\n")] = '\0';
        if (sv_cmd_run(line) == 2)
            return 0;
    }
}

// ---- builtin commands ----

// A tunables file is a few kilobytes; anything past this is not one and is not read into memory.
#define SV_CMD_FILE_MAX ((u64)64 * 1024 * 1024)

static i32 cmd_help(const sv_cmd_args* a)
{
    if (a->argc < 2) {
        for (u64 i = 0; i < g_cmd.count; i++) {
            sv_cmd_printf("  %-28s %s%s\n", g_cmd.rows[i].usage, g_cmd.rows[i].help, "");
        }
        return 0;
    }
    const sv_cmd* row = cmd_find(a->argv[1]);
    if (!row) {
        sv_cmd_printf("no such command '%s'\n", sv_cmd_shown(a->argv[1]));
        return 1;
    }
    sv_cmd_printf("  %s\n    %s\n", row->usage, row->help);
    return 0;
}

static i32 cmd_version(const sv_cmd_args*)
{
    sv_cmd_printf("%s %s  (%s %s%s)\n", SV_PRODUCT, SV_VERSION, SV_PLATFORM, "release", "");
    return 0;
}

static i32 cmd_quit(const sv_cmd_args*)
{
    return 2;
}

static i32 cmd_set(const sv_cmd_args* a)
{
    if (a->argc != 3) {
        sv_cmd_printf("usage: set <tunable> <value>\n");
        return 1;
    }
    const char* word = a->argv[2];
    char* end = nullptr;
    f64 value = std::strtod(word, &end);
    // nan and inf parse, but no range check can hold them, so they are not numbers here.
    if (end == word || *end != '\0' || !std::isfinite(value)) {
        sv_cmd_printf("'%s' is not a number\n", sv_cmd_shown(word));
        return 1;
    }
    if (!sv_tune_set_by_name(a->argv[1], value))
        return 1;
    u32 index = 0;
    if (!sv_tune_find(a->argv[1], &index))
        return 1;
    sv_cmd_printf("  %s = %g\n", sv_tune_name(index), sv_tune(index));
    return 0;
}

static i32 cmd_get(const sv_cmd_args* a)
{
    if (a->argc != 2) {
        sv_cmd_printf("usage: get <tunable>\n");
        return 1;
    }
    u32 index = 0;
    if (!sv_tune_find(a->argv[1], &index)) {
        sv_cmd_printf("no such tunable '%s'\n", sv_cmd_shown(a->argv[1]));
        return 1;
    }
    sv_cmd_printf("  %s = %g   [%g .. %g, default %g]\n", sv_tune_name(index), sv_tune(index),
                  sv_tune_min(index), sv_tune_max(index), sv_tune_default(index));
    return 0;
}

static i32 cmd_tunables(const sv_cmd_args* a)
{
    const char* filter = a->argc >= 2 ? a->argv[1] : nullptr;
    u32 shown = 0;
    for (u32 i = 0; i < SV_TUNE_COUNT; i++) {
        const char* key = sv_tune_name(i);
        if (filter && !std::strstr(key, filter))
            continue;
        f64 value = sv_tune(i);
        sv_cmd_printf("  %-30s %-12g %s\n", key, value, value != sv_tune_default(i) ? "*" : "");
        shown++;
    }
    if (shown == 0) {
        sv_cmd_printf("nothing matches '%s'\n", sv_cmd_shown(filter));
        return 1;
    }
    return 0;
}

static i32 cmd_defaults(const sv_cmd_args*)
{
    sv_tune_reset_defaults();
    sv_cmd_printf("  tunables reset to defaults\n");
    return 0;
}

static i32 cmd_diag(const sv_cmd_args*)
{
    if (sv_diag_count() == 0 && sv_diag_dropped() == 0) {
        sv_cmd_printf("  no problems reported\n");
        return 0;
    }
    sv_writer w = sv_cmd_writer();
    sv_diag_print_all(w);
    sv_diag_print_summary(w);
    return 0;
}

static int cmd_level_of(const char* name, u32* out)
{
    for (u32 i = SV_LOG_TRACE; i <= SV_LOG_OFF; i++) {
        if (std::strcmp(name, sv_log_level_name(i)) == 0) {
            *out = i;
            return 1;
        }
    }
    return 0;
}

static int cmd_category_of(const char* name, u32* out)
{
    for (u32 i = 0; i < SV_LOG_CATS; i++) {
        if (std::strcmp(name, sv_log_cat_name(i)) == 0) {
            *out = i;
            return 1;
        }
    }
    return 0;
}

static i32 cmd_log(const sv_cmd_args* a)
{
    u32 level = 0;
    if (a->argc == 2) {
        if (!cmd_level_of(a->argv[1], &level)) {
            sv_cmd_printf("unknown level '%s'\n", sv_cmd_shown(a->argv[1]));
            return 1;
        }
        sv_log_set_level(level);
        sv_cmd_printf("  all categories at %s\n", sv_log_level_name(level));
        return 0;
    }
    if (a->argc == 3) {
        u32 category = 0;
        if (!cmd_level_of(a->argv[2], &level)) {
            sv_cmd_printf("unknown level '%s'\n", sv_cmd_shown(a->argv[2]));
            return 1;
        }
        if (!cmd_category_of(a->argv[1], &category)) {
            sv_cmd_printf("unknown category '%s'\n", sv_cmd_shown(a->argv[1]));
            return 1;
        }
        sv_log_set_cat_level(category, level);
        sv_cmd_printf("  %s at %s\n", sv_log_cat_name(category), sv_log_level_name(level));
        return 0;
    }
    sv_cmd_printf("usage: log <level> | log <category> <level>\n");
    return 1;
}

static i32 cmd_strict(const sv_cmd_args* a)
{
    if (a->argc == 2 && std::strcmp(a->argv[1], "on") == 0) {
        sv_diag_set_strict(1);
    } else if (a->argc == 2 && std::strcmp(a->argv[1], "off") == 0) {
        sv_diag_set_strict(0);
    } else if (a->argc != 1) {
        sv_cmd_printf("usage: strict [on|off]\n");
        return 1;
    }
    sv_cmd_printf("  strict mode is %s\n", sv_diag_strict() ? "on" : "off");
    return 0;
}

// Mounts a path and says how it went; 1 when it is mounted.
static int cmd_mount_path(const char* path)
{
    if (!sv_vfs_mount(path)) {
        sv_cmd_printf("  cannot mount '%s'\n", sv_cmd_shown(path));
        return 0;
    }
    sv_cmd_printf("  mounted '%s' (%zu total)\n", sv_cmd_shown(path), (size_t)sv_vfs_mount_count());
    return 1;
}

static i32 cmd_mount(const sv_cmd_args* a)
{
    if (a->argc == 1) {
        u64 n = sv_vfs_mount_count();
        if (n == 0)
            sv_cmd_printf("  no mounts\n");
        for (u64 i = 0; i < n; i++) {
            sv_cmd_printf("  %zu %s%s\n", (size_t)i, sv_cmd_shown(sv_vfs_mount_at(i)),
                          sv_vfs_mount_is_zip(i) ? "  (zip)" : "");
        }
        return 0;
    }
    if (a->argc != 2) {
        sv_cmd_printf("usage: mount [path|clear]\n");
        return 1;
    }
    if (std::strcmp(a->argv[1], "clear") == 0) {
        sv_vfs_clear();
        sv_cmd_printf("  mounts cleared\n");
        return 0;
    }
    return cmd_mount_path(a->argv[1]) ? 0 : 1;
}

static u64 cmd_problems(void)
{
    return sv_diag_count_of(SV_DIAG_WARNING) + sv_diag_count_of(SV_DIAG_ERROR);
}

static i32 cmd_load(const sv_cmd_args* a)
{
    if (a->argc > 2) {
        sv_cmd_printf("usage: load [path]\n");
        return 1;
    }
    if (a->argc == 2 && !cmd_mount_path(a->argv[1]))
        return 1;
    sv_diag_reset();
    int ok = sv_pack_reload();
    sv_cmd_printf("  %zu axioms, %zu scions, %zu inclusions, %zu elements\n",
                  (size_t)sv_content_axiom_count(), (size_t)sv_content_scion_count(),
                  (size_t)sv_content_inclusion_count(), (size_t)sv_content_element_count());
    sv_cmd_printf("  %zu transforms, %zu weapons, %zu mobs, %zu chests\n",
                  (size_t)sv_content_transform_count(), (size_t)sv_content_weapon_count(),
                  (size_t)sv_content_mob_count(), (size_t)sv_content_chest_count());
    if (cmd_problems() > 0) {
        sv_diag_print_pack_summary(sv_cmd_writer());
        sv_cmd_printf("  run `diag` for the detail\n");
    }
    return ok == 1 ? 0 : 1;
}

// The verdict of a validation: records are shown whenever there are any; only warnings, errors
// and a failed load fail it, so informational notes alone still read as no problems.
static i32 cmd_validate_report(const char* path, int verdict, u8 by_pack)
{
    sv_writer w = sv_cmd_writer();
    if (sv_diag_count() > 0 || sv_diag_dropped() > 0) {
        sv_diag_print_all(w);
        if (by_pack)
            sv_diag_print_pack_summary(w);
        sv_diag_print_summary(w);
    }
    u8 failed = cmd_problems() > 0 || !verdict;
    if (!failed)
        sv_cmd_printf("  %s: no problems\n", sv_cmd_shown(path));
    return failed ? 1 : 0;
}

// Mount paths of the packs in use, kept across a validation that drops the pack it checked.
static char s_kept_mounts[SV_VFS_MOUNTS][SV_VFS_PATH_MAX];
static f64 s_kept_tunables[SV_TUNE_COUNT];

static i32 cmd_validate_pack(const char* path, u64 before)
{
    u64 kept = before < SV_VFS_MOUNTS ? before : SV_VFS_MOUNTS;
    for (u64 i = 0; i < kept; i++) {
        const char* m = sv_vfs_mount_at(i);
        std::snprintf(s_kept_mounts[i], sizeof s_kept_mounts[i], "%s", m ? m : "");
    }
    sv_tune_snapshot(s_kept_tunables);
    u8 strict_was = sv_diag_strict();
    sv_diag_set_strict(1);
    sv_diag_reset();

    int loaded = sv_pack_reload();
    int verdict = loaded && sv_diag_finish();
    i32 result = cmd_validate_report(path, verdict, 1);

    // Put everything back as it was: the pack under test is dropped.
    sv_diag_set_strict(strict_was);
    sv_vfs_clear();
    for (u64 i = 0; i < kept; i++)
        sv_vfs_mount(s_kept_mounts[i]);
    sv_pack_reload();
    sv_tune_restore(s_kept_tunables);
    sv_diag_reset();
    return result;
}

// Reads a whole regular file of sane size; anything else (a directory, a device, a pipe, a
// short read) is refused rather than trusted.
static char* cmd_read_file(const char* path)
{
    u64 bytes = 0;
    if (sv_plat_stat(path, &bytes) != SV_PLAT_FILE || bytes > SV_CMD_FILE_MAX)
        return nullptr;
    FILE* f = sv_plat_open_read(path);
    if (!f)
        return nullptr;
    char* text = nullptr;
    long size = -1;
    if (std::fseek(f, 0, SEEK_END) == 0)
        size = std::ftell(f);
    if (size >= 0 && (u64)size <= SV_CMD_FILE_MAX && std::fseek(f, 0, SEEK_SET) == 0) {
        text = (char*)std::malloc((size_t)size + 1);
        if (!text)
            sv_panic("cmd: out of memory reading %s", path);
        size_t got = size > 0 ? std::fread(text, 1, (size_t)size, f) : 0;
        if (got != (size_t)size) {
            std::free(text);
            text = nullptr;
        } else {
            text[size] = '\0';
        }
    }
    std::fclose(f);
    return text;
}

static i32 cmd_validate_file(const char* path)
{
    // A file too large to be a pack JSON file is refused by its size, before any of it is read.
    u64 bytes = 0;
    if (sv_plat_stat(path, &bytes) == SV_PLAT_FILE && bytes > 0) {
        sv_diag_reset();
        sv_diag_set_context(nullptr, path);
        int fits = sv_json_size_ok(bytes);
        sv_diag_clear_context();
        if (!fits) {
            i32 result = cmd_validate_report(path, 0, 0);
            sv_diag_reset();
            return result;
        }
    }
    char* text = cmd_read_file(path);
    if (!text) {
        sv_cmd_printf("cannot read '%s'\n", sv_cmd_shown(path));
        return 1;
    }
    u8 strict_was = sv_diag_strict();
    sv_diag_set_strict(1);
    sv_diag_reset();
    int verdict = sv_tune_validate_text(text, path);
    std::free(text);
    i32 result = cmd_validate_report(path, verdict, 0);
    sv_diag_set_strict(strict_was);
    sv_diag_reset();
    return result;
}

// Whether a path is meant as a zip pack: by its name, or, for a regular file, by the signature
// its first bytes carry (a local file header, or the end record of an empty archive).
static int cmd_names_zip(const char* path)
{
    size_t n = std::strlen(path);
    if (n >= 4 && strcasecmp(path + n - 4, ".zip") == 0)
        return 1;
    if (sv_plat_stat(path, nullptr) != SV_PLAT_FILE)
        return 0;
    FILE* f = sv_plat_open_read(path);
    if (!f)
        return 0;
    unsigned char head[4] = {};
    size_t got = std::fread(head, 1, sizeof head, f);
    std::fclose(f);
    return got == 4 && head[0] == 'P' && head[1] == 'K'
        && ((head[2] == 3 && head[3] == 4) || (head[2] == 5 && head[3] == 6));
}

static i32 cmd_validate(const sv_cmd_args* a)
{
    if (a->argc != 2) {
        sv_cmd_printf("usage: validate <path>\n");
        return 1;
    }
    const char* path = a->argv[1];
    sv_diag_reset();
    u64 before = sv_vfs_mount_count();
    // A pack already in use is validated with the others as they stand; mounting it again is
    // refused.
    if (sv_vfs_mount_index_of(path) >= 0)
        return cmd_validate_pack(path, before);
    // A full table refuses every pack; trying the path as a tunables file then would read a
    // zip or a directory as one.
    if (before >= SV_VFS_MOUNTS) {
        sv_cmd_printf("cannot validate '%s': the mount table is full (%d mounts)\n",
                      sv_cmd_shown(path), SV_VFS_MOUNTS);
        return 1;
    }
    if (sv_vfs_mount(path))
        return cmd_validate_pack(path, before);
    // A zip that does not mount is a damaged pack, not a tunables file: its mount error is the
    // verdict.
    if (cmd_names_zip(path)) {
        i32 result = cmd_validate_report(path, 0, 0);
        sv_diag_reset();
        return result;
    }
    // Not a pack: drop the mount error and try it as one tunables file.
    sv_diag_reset();
    return cmd_validate_file(path);
}

void sv_cmd_register_builtins(void)
{
    sv_cmd_register("help", "help [command]", "list commands, or detail one", 0, cmd_help);
    sv_cmd_register("version", "version", "build identity", 0, cmd_version);
    sv_cmd_register("quit", "quit", "leave the console", 0, cmd_quit);
    sv_cmd_register("set", "set <tunable> <value>", "change a tunable", 0, cmd_set);
    sv_cmd_register("get", "get <tunable>", "show a tunable with its range", 0, cmd_get);
    sv_cmd_register("tunables", "tunables [filter]", "list tunables; * marks non-default", 0,
                    cmd_tunables);
    sv_cmd_register("defaults", "defaults", "reset every tunable", 0, cmd_defaults);
    sv_cmd_register("diag", "diag", "show pack load problems", 0, cmd_diag);
    sv_cmd_register("log", "log [category] <level>", "adjust log verbosity", 0, cmd_log);
    sv_cmd_register("strict", "strict [on|off]", "make pack problems fatal", 0, cmd_strict);
    sv_cmd_register("validate", "validate <pack|file>", "check a whole pack, or one tunables file",
                    0, cmd_validate);
    sv_cmd_register("mount", "mount [path|clear]", "list, add or drop pack mounts", 0, cmd_mount);
    sv_cmd_register("load", "load [path]",
                    "load tunables and content from the mounts, a pack added first", 0, cmd_load);
}

// Virtual file system over pack mounts: directories read through the platform calls, zip archives
// with libzip.
#include "core/vfs.h"

#include <zip.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "core/diag.h"
#include "core/log.h"
#include "core/plat.h"

struct sv_mount {
    char path[SV_VFS_PATH_MAX];
    u8 is_zip;
    zip_t* archive;
};

static sv_mount g_mounts[SV_VFS_MOUNTS];
static u64 g_mount_count;

// Where a resolved file lives: the mount and, for a zip, the entry's index.
struct sv_vfs_hit {
    u64 mount;
    u64 entry;
};

static int sv_vfs_is_file(const char* path, u64* out_size)
{
    return sv_plat_stat(path, out_size) == SV_PLAT_FILE;
}

// The archive in the file at path, opened through the platform's own file calls (so a name in any
// script and a long path open on Windows too); null when it is not a readable zip.
static zip_t* sv_vfs_open_zip(const char* path)
{
    FILE* f = sv_plat_open_read(path);
    if (!f)
        return nullptr;
    zip_error_t error;
    zip_error_init(&error);
    // The source owns the stream from here and closes it when freed.
    zip_source_t* src = zip_source_filep_create(f, 0, -1, &error);
    zip_t* za = src ? zip_open_from_source(src, ZIP_RDONLY, &error) : nullptr;
    if (!src)
        std::fclose(f);
    else if (!za)
        zip_source_free(src);
    zip_error_fini(&error);
    return za;
}

int sv_vfs_mount(const char* path)
{
    if (!path || !path[0]) {
        sv_diag_report(SV_DIAG_ERROR, SV_DIAG_MISSING_FIELD, "mount", "empty mount path");
        return 0;
    }
    if (g_mount_count >= SV_VFS_MOUNTS) {
        sv_diag_report(SV_DIAG_ERROR, SV_DIAG_OUT_OF_RANGE, "mount",
                       "cannot mount '%s': already at %d mounts", path, SV_VFS_MOUNTS);
        return 0;
    }
    u64 len = strnlen(path, SV_VFS_PATH_MAX);
    if (len >= SV_VFS_PATH_MAX) {
        sv_diag_report(SV_DIAG_ERROR, SV_DIAG_OUT_OF_RANGE, "mount",
                       "mount path is longer than %d bytes", SV_VFS_PATH_MAX);
        return 0;
    }
    if (sv_vfs_mount_index_of(path) >= 0) {
        sv_diag_report(SV_DIAG_ERROR, SV_DIAG_DUPLICATE_ID, "mount",
                       "cannot mount '%s': it is already mounted", path);
        return 0;
    }
    sv_mount* m = &g_mounts[g_mount_count];
    u64 size = 0;
    u32 kind = sv_plat_stat(path, &size);
    if (kind == SV_PLAT_DIR) {
        m->is_zip = 0;
        m->archive = nullptr;
    } else if (kind == SV_PLAT_FILE) {
        // libzip takes a zero-length file for an empty archive; an empty file is no pack.
        zip_t* za = size > 0 ? sv_vfs_open_zip(path) : nullptr;
        if (!za) {
            sv_diag_report(SV_DIAG_ERROR, SV_DIAG_MALFORMED, "mount",
                           "'%s' is a file but not a readable zip", path);
            return 0;
        }
        // libzip reads the whole central directory on opening; past the bound the pack is
        // refused before anything looks at its entries.
        zip_int64_t entries = zip_get_num_entries(za, 0);
        if (entries > SV_VFS_ZIP_ENTRIES_MAX) {
            zip_discard(za);
            sv_diag_report(SV_DIAG_ERROR, SV_DIAG_OUT_OF_RANGE, "mount",
                           "'%s' holds %lld entries, more than the %d a pack may have", path,
                           (long long)entries, SV_VFS_ZIP_ENTRIES_MAX);
            return 0;
        }
        m->is_zip = 1;
        m->archive = za;
    } else if (kind == SV_PLAT_TOO_LONG) {
        sv_diag_report(SV_DIAG_ERROR, SV_DIAG_OUT_OF_RANGE, "mount",
                       "cannot mount '%s': path too long", path);
        return 0;
    } else {
        sv_diag_report(SV_DIAG_ERROR, SV_DIAG_MALFORMED, "mount",
                       "'%s' is neither a directory nor a file", path);
        return 0;
    }
    memcpy(m->path, path, len);
    m->path[len] = 0;
    g_mount_count++;
    sv_log_write(SV_LOG_INFO, SV_CAT_VFS, "mounted %s '%s' (%zu total)", m->is_zip ? "zip" : "dir",
                 m->path, (size_t)g_mount_count);
    return 1;
}

i64 sv_vfs_mount_index_of(const char* path)
{
    if (!path)
        return -1;
    for (u64 i = 0; i < g_mount_count; i++)
        if (strcmp(g_mounts[i].path, path) == 0 || sv_plat_same(g_mounts[i].path, path))
            return (i64)i;
    return -1;
}

void sv_vfs_clear(void)
{
    for (u64 i = 0; i < g_mount_count; i++) {
        if (g_mounts[i].archive)
            zip_discard(g_mounts[i].archive);
        g_mounts[i].archive = nullptr;
        g_mounts[i].is_zip = 0;
        g_mounts[i].path[0] = 0;
    }
    g_mount_count = 0;
}

u64 sv_vfs_mount_count(void)
{
    return g_mount_count;
}

const char* sv_vfs_mount_at(u64 index)
{
    return index < g_mount_count ? g_mounts[index].path : nullptr;
}

int sv_vfs_mount_is_zip(u64 index)
{
    return index < g_mount_count ? g_mounts[index].is_zip : 0;
}

int sv_vfs_path_ok(const char* path)
{
    if (!path || !path[0])
        return 0;
    if (path[0] == '/' || path[0] == '\\')
        return 0;
    if (path[1] == ':')
        return 0;
    if (strchr(path, '\\'))
        return 0;
    const char* seg = path;
    for (;;) {
        const char* end = strchr(seg, '/');
        u64 n = end ? (u64)(end - seg) : strlen(seg);
        if (n == 0)
            return 0;
        if (n == 1 && seg[0] == '.')
            return 0;
        if (n == 2 && seg[0] == '.' && seg[1] == '.')
            return 0;
        if (!end)
            return 1;
        seg = end + 1;
    }
}

// Joins a directory path and a relative '/' path with the separator the directory's form takes
// (its '/' turned to that too); 0 when the whole would not fit in 1024 bytes.
static int sv_vfs_join_path(char (&out)[SV_VFS_JOIN_MAX], const char* dir, const char* rel)
{
    u64 a = strlen(dir);
    u64 b = strlen(rel);
    if (a + 1 + b + 1 > SV_VFS_JOIN_MAX)
        return 0;
    char sep = sv_plat_join_sep(dir);
    memcpy(out, dir, a);
    out[a] = sep;
    for (u64 i = 0; i <= b; i++)
        out[a + 1 + i] = rel[i] == '/' ? sep : rel[i];
    return 1;
}

static int sv_vfs_join(char (&out)[SV_VFS_JOIN_MAX], const sv_mount* m, const char* rel)
{
    return sv_vfs_join_path(out, m->path, rel);
}

// What a mount has under a relative path.
enum sv_vfs_probe : u32 {
    SV_VFS_ABSENT = 0,
    SV_VFS_FILE = 1,    // a file it serves
    SV_VFS_DIR = 2,     // a directory of that name (found only when asked to diagnose)
    SV_VFS_OUTSIDE = 3, // a file reached through a link that leads out of the pack's directory
    SV_VFS_SPECIAL = 4, // a device, FIFO or socket of that name (found only when asked to diagnose)
    SV_VFS_LOOP = 5,    // a link that never ends at anything (found only when asked to diagnose)
    SV_VFS_UNRESOLVED = 6, // a file whose real path, or its pack's, cannot be worked out
    SV_VFS_TOO_LONG = 7,   // a path longer than a join or the system takes (found only diagnosing)
    SV_VFS_CASE = 8, // absent, but a file differing only in letter case is there (diagnosing only)
};

// The names the last case walk found (sv_vfs_case_twin), for its report.
static char s_twin[SV_VFS_JOIN_MAX];

// One step of a case walk: the name wanted in one directory, whether it is there exactly, and the
// least (by bytes) of the names there that differ from it only in letter case.
struct sv_vfs_case_look {
    char want[SV_VFS_JOIN_MAX];
    u8 exact;
    char near[SV_VFS_JOIN_MAX];
};

static void sv_vfs_case_entry(void* ctx, const char* name)
{
    sv_vfs_case_look* look = (sv_vfs_case_look*)ctx;
    if (strcmp(name, look->want) == 0) {
        look->exact = 1;
    } else if (strcasecmp(name, look->want) == 0 && strlen(name) < sizeof look->near
               && (!look->near[0] || strcmp(name, look->near) < 0)) {
        memcpy(look->near, name, strlen(name) + 1);
    }
}

// Walks rel below a directory mount a name at a time, taking the exact name where a directory
// holds it, else one that differs from it only in letter case; the names taken go into twin.
// 1 when they reach a regular file and differ from rel; else 0.
static int sv_vfs_case_twin(const sv_mount* m, const char* rel, char (&twin)[SV_VFS_JOIN_MAX])
{
    static sv_vfs_case_look s_look;
    char dir[SV_VFS_JOIN_MAX];
    memcpy(dir, m->path, strlen(m->path) + 1);
    u64 used = 0;
    twin[0] = 0;
    const char* seg = rel;
    for (;;) {
        const char* end = strchr(seg, '/');
        u64 n = end ? (u64)(end - seg) : strlen(seg);
        if (n >= sizeof s_look.want || used + n + 2 > sizeof twin)
            return 0;
        memcpy(s_look.want, seg, n);
        s_look.want[n] = 0;
        s_look.exact = 0;
        s_look.near[0] = 0;
        if (!sv_plat_list_dir(dir, sv_vfs_case_entry, &s_look))
            return 0;
        const char* name = s_look.exact ? s_look.want : s_look.near;
        u64 len = strlen(name);
        char next[SV_VFS_JOIN_MAX];
        if (len == 0 || used + len + 2 > sizeof twin || !sv_vfs_join_path(next, dir, name))
            return 0;
        if (used > 0)
            twin[used++] = '/';
        memcpy(twin + used, name, len + 1);
        used += len;
        memcpy(dir, next, sizeof dir);
        if (!end)
            break;
        seg = end + 1;
    }
    return strcmp(twin, rel) != 0 && sv_vfs_is_file(dir, nullptr);
}

// Whether a zip holds entries below rel as a directory, explicitly or by their names alone.
static int sv_vfs_zip_dir(const sv_mount* m, const char* rel)
{
    size_t n = strlen(rel);
    zip_int64_t count = zip_get_num_entries(m->archive, 0);
    for (zip_int64_t i = 0; i < count; i++) {
        const char* name = zip_get_name(m->archive, (zip_uint64_t)i, 0);
        if (name && strncasecmp(name, rel, n) == 0 && name[n] == '/')
            return 1;
    }
    return 0;
}

// What one mount has under the path, which has already passed the rules. Anything but a file is
// told apart only with diagnose set, as only reads report it.
static u32 sv_vfs_probe_at(u64 index, const char* rel, sv_vfs_hit* hit, int diagnose)
{
    const sv_mount* m = &g_mounts[index];
    if (m->is_zip) {
        zip_int64_t e = zip_name_locate(m->archive, rel, ZIP_FL_NOCASE);
        if (e < 0)
            return diagnose && sv_vfs_zip_dir(m, rel) ? SV_VFS_DIR : SV_VFS_ABSENT;
        const char* name = zip_get_name(m->archive, (zip_uint64_t)e, 0);
        if (!name || !name[0] || name[strlen(name) - 1] == '/')
            return SV_VFS_ABSENT;
        hit->mount = index;
        hit->entry = (u64)e;
        return SV_VFS_FILE;
    }
    char full[SV_VFS_JOIN_MAX];
    if (!sv_vfs_join(full, m, rel))
        return diagnose ? SV_VFS_TOO_LONG : SV_VFS_ABSENT;
    u32 kind = sv_plat_stat(full, nullptr);
    if (kind != SV_PLAT_FILE) {
        // Something of that name that is not a file would otherwise be passed over unsaid; so
        // would a file whose name differs only in letter case where that matters.
        if (!diagnose)
            return SV_VFS_ABSENT;
        if (kind == SV_PLAT_ABSENT)
            return !SV_PLAT_FOLDS_CASE && sv_vfs_case_twin(m, rel, s_twin) ? SV_VFS_CASE
                                                                           : SV_VFS_ABSENT;
        if (kind == SV_PLAT_DIR)
            return SV_VFS_DIR;
        if (kind == SV_PLAT_LOOP)
            return SV_VFS_LOOP;
        return kind == SV_PLAT_TOO_LONG ? SV_VFS_TOO_LONG : SV_VFS_SPECIAL;
    }
    int inside = sv_plat_inside(m->path, full);
    if (inside <= 0)
        return inside < 0 ? SV_VFS_UNRESOLVED : SV_VFS_OUTSIDE;
    hit->mount = index;
    hit->entry = 0;
    return SV_VFS_FILE;
}

static int sv_vfs_holds(u64 index, const char* rel, sv_vfs_hit* hit)
{
    return sv_vfs_probe_at(index, rel, hit, 0) == SV_VFS_FILE;
}

// A read that found something it will not serve says so.
static void sv_vfs_report_refused(u64 index, const char* rel, u32 probe)
{
    const sv_mount* m = &g_mounts[index];
    if (probe == SV_VFS_DIR) {
        sv_diag_report(SV_DIAG_ERROR, SV_DIAG_MALFORMED, rel, "a directory in '%s', not a file",
                       m->path);
    } else if (probe == SV_VFS_OUTSIDE) {
        sv_diag_report(SV_DIAG_ERROR, SV_DIAG_MALFORMED, rel, "resolves outside '%s'; refused",
                       m->path);
    } else if (probe == SV_VFS_SPECIAL) {
        char full[SV_VFS_JOIN_MAX];
        u32 kind = sv_vfs_join(full, m, rel) ? sv_plat_stat(full, nullptr) : SV_PLAT_OTHER;
        const char* what = "a special file";
        if (kind == SV_PLAT_DEVICE)
            what = "a device";
        else if (kind == SV_PLAT_FIFO)
            what = "a FIFO";
        else if (kind == SV_PLAT_SOCKET)
            what = "a socket";
        sv_diag_report(SV_DIAG_ERROR, SV_DIAG_MALFORMED, rel, "%s in '%s', not a file; not read",
                       what, m->path);
    } else if (probe == SV_VFS_LOOP) {
        sv_diag_report(SV_DIAG_ERROR, SV_DIAG_MALFORMED, rel,
                       "a link in '%s' that loops and reaches no file; not read", m->path);
    } else if (probe == SV_VFS_UNRESOLVED) {
        sv_diag_report(SV_DIAG_ERROR, SV_DIAG_MALFORMED, rel,
                       "its real path in '%s' cannot be resolved; not read", m->path);
    } else if (probe == SV_VFS_TOO_LONG) {
        sv_diag_report(SV_DIAG_ERROR, SV_DIAG_OUT_OF_RANGE, rel, "path too long in '%s'; not read",
                       m->path);
    } else if (probe == SV_VFS_CASE) {
        sv_diag_report(SV_DIAG_WARNING, SV_DIAG_MALFORMED, rel,
                       "not in '%s', which holds '%s': a directory pack's names match in letter "
                       "case too; not read",
                       m->path, s_twin);
    }
}

// Where names match whatever their letter case, a file served under a name that differs from the
// one asked for only in letter case is named: Linux would not serve it from the same pack.
static void sv_vfs_note_case(u64 index, const char* rel)
{
    const sv_mount* m = &g_mounts[index];
    if (!SV_PLAT_FOLDS_CASE || m->is_zip || !sv_vfs_case_twin(m, rel, s_twin))
        return;
    sv_diag_report(SV_DIAG_WARNING, SV_DIAG_MALFORMED, rel,
                   "read from '%s' in '%s', which differs in letter case; on Linux a directory "
                   "pack's names must match exactly",
                   s_twin, m->path);
}

static int sv_vfs_resolve(const char* rel, sv_vfs_hit* hit)
{
    if (!sv_vfs_path_ok(rel))
        return 0;
    for (u64 i = g_mount_count; i-- > 0;) {
        if (sv_vfs_holds(i, rel, hit))
            return 1;
    }
    return 0;
}

int sv_vfs_exists(const char* path)
{
    sv_vfs_hit hit;
    return sv_vfs_resolve(path, &hit);
}

const char* sv_vfs_source_of(const char* path)
{
    sv_vfs_hit hit;
    return sv_vfs_resolve(path, &hit) ? g_mounts[hit.mount].path : nullptr;
}

i64 sv_vfs_source_index(const char* path)
{
    sv_vfs_hit hit;
    return sv_vfs_resolve(path, &hit) ? (i64)hit.mount : -1;
}

// Lookups serve the first of several entries that share a name (letter case aside); the
// others would be lost without a word.
static void sv_vfs_zip_report_twins(const sv_mount* m, u64 entry, const char* rel)
{
    const char* served = zip_get_name(m->archive, entry, 0);
    if (!served)
        return;
    u64 same = 0;
    zip_int64_t count = zip_get_num_entries(m->archive, 0);
    for (zip_int64_t i = 0; i < count; i++) {
        const char* name = zip_get_name(m->archive, (zip_uint64_t)i, 0);
        if (name && strcasecmp(name, served) == 0)
            same++;
    }
    if (same > 1) {
        sv_diag_report(SV_DIAG_WARNING, SV_DIAG_DUPLICATE_ID, rel,
                       "'%s' holds %llu entries of this name; the first is served", m->path,
                       (unsigned long long)same);
    }
}

static int sv_vfs_read_zip(const sv_mount* m, u64 entry, const char* rel, sv_vfs_buf* out)
{
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(m->archive, entry, 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE)) {
        sv_diag_report(SV_DIAG_ERROR, SV_DIAG_MALFORMED, rel, "could not stat entry in '%s'",
                       m->path);
        return 0;
    }
    u64 size = (u64)st.size;
    if (size > SV_VFS_FILE_MAX) {
        sv_diag_report(SV_DIAG_ERROR, SV_DIAG_OUT_OF_RANGE, rel,
                       "entry in '%s' declares %llu bytes, over the %llu-byte limit", m->path,
                       (unsigned long long)size, (unsigned long long)SV_VFS_FILE_MAX);
        return 0;
    }
    char* data = (char*)malloc(size + 1);
    if (!data) {
        sv_diag_report(SV_DIAG_ERROR, SV_DIAG_MALFORMED, rel,
                       "out of memory reading %zu bytes from '%s'", (size_t)size, m->path);
        return 0;
    }
    zip_file_t* zf = zip_fopen_index(m->archive, entry, 0);
    u64 got = 0;
    int ok = zf != nullptr;
    while (ok && got < size) {
        zip_int64_t n = zip_fread(zf, data + got, size - got);
        if (n < 0)
            ok = 0;
        if (n <= 0)
            break;
        got += (u64)n;
    }
    // A byte beyond the declared size means the entry lies about its length.
    char extra = 0;
    zip_int64_t more = ok ? zip_fread(zf, &extra, 1) : 0;
    if (more < 0)
        ok = 0;
    if (zf)
        zip_fclose(zf);
    if (!ok) {
        free(data);
        sv_diag_report(SV_DIAG_ERROR, SV_DIAG_MALFORMED, rel,
                       "could not decompress entry from '%s'", m->path);
        return 0;
    }
    if (got != size || more > 0) {
        free(data);
        sv_diag_report(SV_DIAG_ERROR, SV_DIAG_MALFORMED, rel,
                       "entry in '%s' does not hold the %llu bytes it declares", m->path,
                       (unsigned long long)size);
        return 0;
    }
    data[size] = 0;
    out->data = data;
    out->size = size;
    sv_vfs_zip_report_twins(m, entry, rel);
    return 1;
}

static int sv_vfs_read_file(const sv_mount* m, const char* rel, sv_vfs_buf* out)
{
    char full[SV_VFS_JOIN_MAX];
    if (!sv_vfs_join(full, m, rel))
        return 0;
    FILE* f = sv_plat_open_read(full);
    if (!f) {
        sv_diag_report(SV_DIAG_ERROR, SV_DIAG_MALFORMED, rel,
                       "resolved to '%s' but could not be opened", full);
        return 0;
    }
    if (fseeko(f, 0, SEEK_END) != 0) {
        fclose(f);
        sv_diag_report(SV_DIAG_ERROR, SV_DIAG_MALFORMED, rel, "could not seek '%s'", full);
        return 0;
    }
    off_t pos = ftello(f);
    if (pos < 0) {
        fclose(f);
        sv_diag_report(SV_DIAG_ERROR, SV_DIAG_MALFORMED, rel, "could not size '%s'", full);
        return 0;
    }
    u64 size = (u64)pos;
    if (size > SV_VFS_FILE_MAX) {
        fclose(f);
        sv_diag_report(SV_DIAG_ERROR, SV_DIAG_OUT_OF_RANGE, rel,
                       "'%s' is %llu bytes, over the %llu-byte limit", full,
                       (unsigned long long)size, (unsigned long long)SV_VFS_FILE_MAX);
        return 0;
    }
    rewind(f);
    char* data = (char*)malloc(size + 1);
    if (!data) {
        fclose(f);
        sv_diag_report(SV_DIAG_ERROR, SV_DIAG_MALFORMED, rel,
                       "out of memory reading '%s' (%zu bytes)", full, (size_t)size);
        return 0;
    }
    u64 got = size ? (u64)fread(data, 1, size, f) : 0;
    fclose(f);
    if (got != size) {
        free(data);
        sv_diag_report(SV_DIAG_ERROR, SV_DIAG_MALFORMED, rel, "read %zu of %zu bytes from '%s'",
                       (size_t)got, (size_t)size, full);
        return 0;
    }
    data[size] = 0;
    out->data = data;
    out->size = size;
    return 1;
}

static int sv_vfs_read_hit(const sv_vfs_hit* hit, const char* rel, sv_vfs_buf* out)
{
    const sv_mount* m = &g_mounts[hit->mount];
    return m->is_zip ? sv_vfs_read_zip(m, hit->entry, rel, out) : sv_vfs_read_file(m, rel, out);
}

int sv_vfs_read(const char* path, sv_vfs_buf* out)
{
    if (!out)
        return 0;
    out->data = nullptr;
    out->size = 0;
    if (!sv_vfs_path_ok(path))
        return 0;
    // A mount that has something it will not serve is reported and passed over.
    for (u64 i = g_mount_count; i-- > 0;) {
        sv_vfs_hit hit;
        u32 probe = sv_vfs_probe_at(i, path, &hit, 1);
        if (probe == SV_VFS_FILE) {
            sv_vfs_note_case(i, path);
            return sv_vfs_read_hit(&hit, path, out);
        }
        sv_vfs_report_refused(i, path, probe);
    }
    return 0;
}

int sv_vfs_read_at(u64 index, const char* path, sv_vfs_buf* out)
{
    if (!out)
        return 0;
    out->data = nullptr;
    out->size = 0;
    if (index >= g_mount_count || !sv_vfs_path_ok(path))
        return 0;
    sv_vfs_hit hit;
    u32 probe = sv_vfs_probe_at(index, path, &hit, 1);
    if (probe != SV_VFS_FILE) {
        sv_vfs_report_refused(index, path, probe);
        return 0;
    }
    sv_vfs_note_case(index, path);
    return sv_vfs_read_hit(&hit, path, out);
}

int sv_vfs_size_at(u64 index, const char* path, u64* out_size)
{
    if (index >= g_mount_count || !sv_vfs_path_ok(path) || !out_size)
        return 0;
    sv_vfs_hit hit;
    if (!sv_vfs_holds(index, path, &hit))
        return 0;
    const sv_mount* m = &g_mounts[index];
    if (m->is_zip) {
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(m->archive, hit.entry, 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE))
            return 0;
        *out_size = (u64)st.size;
        return 1;
    }
    char full[SV_VFS_JOIN_MAX];
    return sv_vfs_join(full, m, path) && sv_vfs_is_file(full, out_size);
}

void sv_vfs_free(sv_vfs_buf* buf)
{
    if (!buf)
        return;
    free(buf->data);
    buf->data = nullptr;
    buf->size = 0;
}

u64 sv_vfs_zip_backslashes(u64 index, const char** out_first)
{
    if (out_first)
        *out_first = nullptr;
    if (index >= g_mount_count || !g_mounts[index].is_zip)
        return 0;
    zip_t* za = g_mounts[index].archive;
    u64 n = 0;
    zip_int64_t count = zip_get_num_entries(za, 0);
    for (zip_int64_t i = 0; i < count; i++) {
        const char* name = zip_get_name(za, (zip_uint64_t)i, 0);
        if (!name || !strchr(name, '\\'))
            continue;
        if (n == 0 && out_first)
            *out_first = name;
        n++;
    }
    return n;
}

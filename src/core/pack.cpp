// Pack manifests: one row per mount describing it, and the label that names each mount
// in diagnostics, the console and the HUD.
#include "core/pack.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/diag.h"
#include "core/json.h"
#include "core/text.h"
#include "core/vfs.h"

static std::vector<sv_pack> g_packs;

static const char* const k_manifest_keys[] = {"id", "name", "version", "description"};

void sv_pack_reset(void)
{
    for (sv_pack& p : g_packs) {
        free(p.id);
        free(p.name);
        free(p.version);
        free(p.path);
    }
    g_packs.clear();
    g_packs.shrink_to_fit();
}

// A present member that is a non-empty string, else null with a record (missing is silent
// for optional members).
static const char* sv_pack_string(const cJSON* root, const char* key, int required)
{
    const cJSON* item = cJSON_GetObjectItemCaseSensitive(root, key);
    if (!item) {
        if (required) {
            sv_diag_report(SV_DIAG_WARNING, SV_DIAG_MISSING_FIELD, key,
                           "a manifest must declare '%s'", key);
        }
        return nullptr;
    }
    if (!cJSON_IsString(item) || !item->valuestring || !item->valuestring[0]) {
        sv_diag_report(SV_DIAG_WARNING, SV_DIAG_WRONG_TYPE, key, "'%s' must be a non-empty string",
                       key);
        return nullptr;
    }
    return item->valuestring;
}

// Fills the row from the mount's manifest; 1 when the manifest is accepted.
static int sv_pack_read_manifest(u64 index, sv_pack* row)
{
    sv_vfs_buf buf;
    if (!sv_json_read_at(index, "pack.json", &buf)) {
        sv_diag_report(SV_DIAG_WARNING, SV_DIAG_MISSING_FIELD, "pack.json",
                       "no manifest; this pack will be named by its path");
        return 0;
    }
    // The manifest has its own message for a text that does not parse.
    cJSON* root = sv_json_parse(buf.data, buf.size, 0);
    sv_vfs_free(&buf);
    if (!root || !cJSON_IsObject(root)) {
        sv_diag_report(SV_DIAG_ERROR, SV_DIAG_MALFORMED, nullptr,
                       "a manifest must be one object of pack metadata");
        cJSON_Delete(root);
        return 0;
    }
    sv_json_warn_duplicate_keys(root, 0, nullptr);
    for (const cJSON* m = root->child; m; m = m->next) {
        const char* key = m->string ? m->string : "";
        int known = 0;
        for (const char* k : k_manifest_keys)
            known |= strcmp(key, k) == 0;
        if (known)
            continue;
        if (strcmp(key, "base") == 0) {
            sv_diag_report(SV_DIAG_WARNING, SV_DIAG_UNKNOWN_KEY, "base",
                           "a pack cannot declare itself base; the base pack is the first mount");
        } else {
            sv_diag_report(SV_DIAG_WARNING, SV_DIAG_UNKNOWN_KEY, key,
                           "no such field on a manifest");
        }
    }
    const char* id = sv_pack_string(root, "id", 1);
    const char* name = sv_pack_string(root, "name", 1);
    const char* version = sv_pack_string(root, "version", 0);
    int ok = 0;
    if (id && name) {
        if (strchr(id, ':')) {
            sv_diag_report(
                SV_DIAG_WARNING, SV_DIAG_WRONG_TYPE, "id",
                "'%s' carries a colon; the id IS the namespace, so write 'weirdpack' rather than "
                "'weirdpack:'",
                id);
        } else {
            row->id = sv_text_dup(id);
            row->name = sv_text_dup(name);
            row->version = sv_text_dup(version ? version : "0");
            ok = row->id && row->name && row->version;
            if (!ok) {
                free(row->id);
                free(row->name);
                free(row->version);
                row->id = row->name = row->version = nullptr;
            }
        }
    }
    cJSON_Delete(root);
    return ok;
}

// Some archivers write Windows' '\' between folders into zip entry names, where lookups (and the
// zip format) use '/': such a pack would lose every file below a folder without a word.
static void sv_pack_report_backslashes(u64 index)
{
    const char* first = nullptr;
    u64 n = sv_vfs_zip_backslashes(index, &first);
    if (n == 0)
        return;
    sv_diag_set_context(sv_pack_label(index), nullptr);
    if (n == 1) {
        sv_diag_report(SV_DIAG_WARNING, SV_DIAG_MALFORMED, first,
                       "an entry of this zip that separates folders with '\\', not '/'; no lookup "
                       "finds it");
    } else {
        sv_diag_report(SV_DIAG_WARNING, SV_DIAG_MALFORMED, first,
                       "one of %llu entries of this zip that separate folders with '\\', not '/'; "
                       "no lookup finds them",
                       (unsigned long long)n);
    }
}

int sv_pack_scan(void)
{
    sv_pack_reset();
    sv_json_stage_begin();
    u64 n = sv_vfs_mount_count();
    int all = 1;
    for (u64 i = 0; i < n; i++) {
        const char* path = sv_vfs_mount_at(i);
        sv_diag_set_context(path, "pack.json");
        sv_pack row = {};
        row.path = sv_text_dup(path);
        if (sv_pack_read_manifest(i, &row)) {
            row.has_manifest = 1;
        } else {
            all = 0;
        }
        g_packs.push_back(row);
        sv_pack_report_backslashes(i);
    }
    sv_diag_clear_context();
    return all;
}

u64 sv_pack_count(void)
{
    return g_packs.size();
}

const sv_pack* sv_pack_at(u64 index)
{
    return index < g_packs.size() ? &g_packs[index] : nullptr;
}

const char* sv_pack_label(u64 mount_index)
{
    const char* mount = sv_vfs_mount_at(mount_index);
    if (!mount)
        return "?";
    // The console can mount and clear without a rescan, so a row names a mount only while
    // it still describes the mount at that index.
    if (mount_index < g_packs.size()) {
        const sv_pack* row = &g_packs[mount_index];
        if (row->path && strcmp(row->path, mount) == 0)
            return row->id ? row->id : row->path;
    }
    return mount;
}

int sv_pack_modded(void)
{
    return sv_vfs_mount_count() > 1;
}

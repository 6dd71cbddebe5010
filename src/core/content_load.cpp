// Content loading: every mount's content files in order, overrides by id, reference resolution
// between kinds, and the check that the loaded pool can serve the game's rules.
#include <algorithm>
#include <cjson/cJSON.h>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unordered_set>
#include <vector>

#include "core/content.h"
#include "core/content_internal.h"
#include "core/diag.h"
#include "core/id_map.h"
#include "core/json.h"
#include "core/log.h"
#include "core/pack.h"
#include "core/vfs.h"

static u32 g_pool_problems;
// Entries of the kind being loaded handed to the readers, across every mount.
static u64 s_entries;

// The label of the pack that serves a file, so reference and pool problems group under the
// pack in the per-pack summary; null when no mount holds the file.
static const char* label_serving(const char* path)
{
    i64 mount = sv_vfs_source_index(path);
    return mount < 0 ? nullptr : sv_pack_label((u64)mount);
}

static int id_namespaced(const char* id)
{
    size_t n = strlen(id);
    for (size_t i = 1; i + 1 < n; ++i) {
        if (id[i] == ':')
            return 1;
    }
    return 0;
}

static void report_kept_full(const sv_content_kind& kind, const char* label)
{
    sv_diag_report(SV_DIAG_ERROR, SV_DIAG_OUT_OF_RANGE, label,
                   "the packs' %s entries keep more than %llu MiB once read, the most one load "
                   "keeps; this entry and the rest of the file are dropped",
                   kind.name, (unsigned long long)(SV_CONTENT_KEPT_MAX >> 20));
}

// Reads one kind's file from one mount; 0 when the file is there but unusable as a whole.
static int load_file(const sv_content_kind& kind, u64 mount)
{
    sv_diag_set_context(sv_pack_label(mount), kind.path);
    sv_content_set_source((u32)mount);
    sv_vfs_buf buf = {};
    u64 errors = sv_diag_count_of(SV_DIAG_ERROR);
    if (!sv_json_read_at(mount, kind.path, &buf)) {
        // Absent is fine; present but unreadable (the read recorded an error) is not usable,
        // the same rule as for tunables.
        return sv_diag_count_of(SV_DIAG_ERROR) == errors;
    }

    // An entry nested too deeply to parse costs that entry, not the whole file.
    std::vector<u64> too_deep, with_nul;
    cJSON* doc = sv_json_parse_entries(buf.data, buf.size, &too_deep, &with_nul);
    if (!doc) {
        sv_vfs_free(&buf);
        return 0;
    }
    if (!cJSON_IsArray(doc)) {
        sv_diag_report(SV_DIAG_ERROR, SV_DIAG_MALFORMED, nullptr,
                       "root must be an array of objects");
        cJSON_Delete(doc);
        sv_vfs_free(&buf);
        return 0;
    }

    // Ids point into the parsed document, which outlives the map.
    sv_id_map seen {};
    size_t index = 0;
    size_t next_deep = 0, next_nul = 0;
    const cJSON* entry = nullptr;
    cJSON_ArrayForEach(entry, doc)
    {
        char label[48];
        snprintf(label, sizeof label, "%s [%zu]", kind.name, index);
        bool deep = next_deep < too_deep.size() && too_deep[next_deep] == index;
        bool nul = next_nul < with_nul.size() && with_nul[next_nul] == index;
        index++;
        if (nul) {
            next_nul++;
            sv_diag_report(SV_DIAG_ERROR, SV_DIAG_MALFORMED, label,
                           "a string holds \\u0000, a NUL that would cut it short; entry dropped");
            continue;
        }
        if (deep) {
            next_deep++;
            sv_diag_report(SV_DIAG_ERROR, SV_DIAG_MALFORMED, label,
                           "nested deeper than %d levels; entry dropped", CJSON_NESTING_LIMIT);
            continue;
        }
        if (!cJSON_IsObject(entry)) {
            sv_diag_report(SV_DIAG_ERROR, SV_DIAG_MALFORMED, label, "entry must be an object");
            continue;
        }
        const char* id = sv_content_required_string(entry, "id", label);
        if (!id)
            continue;
        if (!id_namespaced(id)) {
            sv_diag_report(
                SV_DIAG_ERROR, SV_DIAG_MISSING_FIELD, id,
                "%s id is not namespaced; ids are 'pack:name' so two packs can ship the same name "
                "(DESIGN 13.2)",
                kind.name);
            continue;
        }
        const cJSON* member = nullptr;
        cJSON_ArrayForEach(member, entry)
        {
            const char* key = member->string ? member->string : "";
            if (strcmp(key, "script") == 0) {
                sv_diag_report(SV_DIAG_INFO, SV_DIAG_UNKNOWN_KEY, "script",
                               "'%s': reserved for a later behaviour surface, ignored", id);
                continue;
            }
            int known = 0;
            for (u32 k = 0; k < kind.key_count && !known; ++k)
                known = strcmp(key, kind.keys[k]) == 0;
            if (!known) {
                sv_diag_report(SV_DIAG_WARNING, SV_DIAG_UNKNOWN_KEY, key,
                               "'%s': not a field of the %s schema", id, kind.name);
            }
        }
        // Every entry costs its definition for as long as the content is loaded, whatever its
        // text cost; the whole load has a bound, not only each file.
        if (s_entries >= SV_CONTENT_ENTRIES_MAX) {
            sv_diag_report(SV_DIAG_ERROR, SV_DIAG_OUT_OF_RANGE, label,
                           "the packs hold more than %llu %s entries, the most one load takes; "
                           "this entry and the rest of the file are dropped",
                           (unsigned long long)SV_CONTENT_ENTRIES_MAX, kind.name);
            break;
        }
        if (sv_content_kept_full()) {
            report_kept_full(kind, label);
            break;
        }
        ++s_entries;
        // The readers take the first of two members of one name.
        sv_json_warn_duplicate_keys(entry, 0, id);
        bool added = false;
        sv_id_map_insert(&seen, id, 0, &added);
        if (!added) {
            sv_diag_report(SV_DIAG_ERROR, SV_DIAG_DUPLICATE_ID, id,
                           "already defined in this file, later entry dropped");
            continue;
        }
        kind.accept(entry, id);
        if (sv_content_kept_full()) {
            report_kept_full(kind, label);
            break;
        }
    }
    cJSON_Delete(doc);
    sv_vfs_free(&buf);
    return 1;
}

static void resolve_applies(const sv_raw_list& raw, sv_applies* out, const char* owner)
{
    *out = sv_applies {};
    for (u32 i = 0; i < raw.count; ++i) {
        const sv_raw_apply& r = raw.items[i];
        const sv_status_def* status = sv_content_status_find(r.status);
        if (!status) {
            sv_diag_report(SV_DIAG_ERROR, SV_DIAG_DANGLING_REF, owner,
                           "applies status '%s', which nothing defines", r.status ? r.status : "");
            continue;
        }
        if (out->count >= SV_APPLIES_MAX) {
            sv_diag_report(SV_DIAG_WARNING, SV_DIAG_OUT_OF_RANGE, owner,
                           "applies more than %d statuses; '%s' dropped", SV_APPLIES_MAX, r.status);
            continue;
        }
        sv_apply a = status->apply;
        if (!std::isnan(r.magnitude))
            a.magnitude = (f32)r.magnitude;
        if (!std::isnan(r.duration))
            a.duration = (f32)r.duration;
        out->list[out->count++] = a;
    }
}

static void resolve_body(sv_body* body, const sv_raw_list raw[SV_ACTIONS_MAX], const char* owner)
{
    for (u32 i = 0; i < body->action_count && i < SV_ACTIONS_MAX; ++i) {
        resolve_applies(raw[i], &body->actions[i].applies, owner);
    }
}

// Problems found after loading name the pack that supplied the entry and the entry's file.
static void context_of(u32 mount, const char* file)
{
    sv_diag_set_context(sv_pack_label(mount), file);
}

// Drops scion ids that name no Scion, then Axioms left with none.
static void resolve_axioms(void)
{
    size_t kept = 0;
    for (size_t a = 0; a < g_axioms.size(); ++a) {
        sv_axiom_def& axiom = g_axioms[a];
        context_of(axiom.mount, "data/axioms.json");
        u32 n = 0;
        for (u32 i = 0; i < axiom.scion_count; ++i) {
            char* scion = axiom.scions[i];
            if (scion && sv_content_scion_find(scion)) {
                axiom.scions[n++] = scion;
            } else {
                sv_diag_report(SV_DIAG_ERROR, SV_DIAG_DANGLING_REF, axiom.id,
                               "declares scion '%s', which nothing defines", scion ? scion : "");
                free(scion);
            }
        }
        axiom.scion_count = n;
        if (n == 0) {
            sv_diag_report(SV_DIAG_ERROR, SV_DIAG_MISSING_FIELD, axiom.id,
                           "no declared scion resolves, axiom dropped");
            sv_content_free_axiom(&axiom);
            continue;
        }
        if (kept != a) {
            g_axioms[kept] = axiom;
            axiom = sv_axiom_def {};
        }
        ++kept;
    }
    g_axioms.resize(kept);
    sv_content_reindex();
    sv_diag_clear_context();
}

static void drop_unclaimed_scions(void)
{
    // Every id some Axiom declares, gathered once; the ids belong to the Axioms, which outlive
    // the map.
    sv_id_map claimed {};
    bool added = false;
    for (const sv_axiom_def& axiom : g_axioms) {
        for (u32 i = 0; i < axiom.scion_count; ++i)
            sv_id_map_insert(&claimed, axiom.scions[i], 0, &added);
    }
    size_t kept = 0;
    for (size_t s = 0; s < g_scions.size(); ++s) {
        sv_scion_def& scion = g_scions[s];
        context_of(scion.mount, "data/scions.json");
        if (!sv_id_map_find(&claimed, scion.id)) {
            sv_diag_report(SV_DIAG_ERROR, SV_DIAG_UNCLAIMED, scion.id,
                           "no axiom declares this scion, so nothing can draw it");
            sv_content_free_scion(&scion);
            continue;
        }
        if (kept != s) {
            g_scions[kept] = scion;
            scion = sv_scion_def {};
        }
        ++kept;
    }
    g_scions.resize(kept);
    sv_content_reindex();
    sv_diag_clear_context();
}

i32 sv_content_load(void)
{
    sv_content_reset();
    i32 result = 1;
    u64 mounts = sv_vfs_mount_count();
    for (const sv_content_kind& kind : k_content_kinds) {
        // Each kind has its bounds of its own, so a pack flooding one kind starves no other, and
        // the base pack, read first, always gets its share.
        sv_json_stage_begin();
        s_entries = 0;
        sv_content_kept_begin();
        int flag = 1;
        for (u64 m = 0; m < mounts; ++m) {
            if (!load_file(kind, m))
                flag = 0;
        }
        sv_diag_clear_context();
        if (!flag)
            result = 0;
    }

    resolve_axioms();
    drop_unclaimed_scions();

    for (sv_mob_def& mob : g_mobs) {
        context_of(mob.mount, "data/mobs.json");
        resolve_body(&mob.body, mob.raw, mob.id);
    }
    for (sv_axiom_def& axiom : g_axioms) {
        context_of(axiom.mount, "data/axioms.json");
        resolve_body(&axiom.body, axiom.raw, axiom.id);
    }
    for (sv_scion_def& scion : g_scions) {
        context_of(scion.mount, "data/scions.json");
        resolve_body(&scion.body, scion.raw, scion.id);
    }
    for (sv_weapon_def& weapon : g_weapons) {
        context_of(weapon.mount, "data/weapons.json");
        resolve_applies(weapon.raw_primary, &weapon.body.primary.applies, weapon.id);
        resolve_applies(weapon.raw_secondary, &weapon.body.secondary.applies, weapon.id);
    }
    sv_diag_clear_context();

    sv_log_write(SV_LOG_INFO, SV_CAT_VFS, "content: %zu axioms, %zu scions, %zu inclusions",
                 g_axioms.size(), g_scions.size(), g_inclusions.size());
    return result;
}

bool sv_content_check_pool(void)
{
    g_pool_problems = 0;
    if (!g_axioms.empty()) {
        // Exactly where the set of eligible Axioms can change, plus the first floor with one;
        // each depth remembers the Axiom whose bound put it on the list (-1 for the first floor).
        std::vector<i32> depths;
        std::vector<i64> because;
        std::unordered_set<i64> listed;
        auto add = [&depths, &because, &listed](i64 d, i64 axiom) {
            if (d < 2 || d > INT32_MAX || !listed.insert(d).second)
                return;
            depths.push_back((i32)d);
            because.push_back(axiom);
        };
        add(2, -1);
        for (size_t a = 0; a < g_axioms.size(); ++a) {
            const sv_axiom_def& axiom = g_axioms[a];
            add(axiom.depth_min, (i64)a);
            if (axiom.depth_max != 0)
                add((i64)axiom.depth_max + 1, (i64)a);
        }
        // The Axioms eligible at a depth are those that start at or before it less those that end
        // before it, so sorted bounds count them by binary search. Summing their indices the same
        // way names the Axiom when exactly one is left.
        struct bound {
            i64 depth;
            u64 index;
        };
        std::vector<bound> starts, ends;
        for (size_t a = 0; a < g_axioms.size(); ++a) {
            starts.push_back({g_axioms[a].depth_min, (u64)a});
            if (g_axioms[a].depth_max != 0)
                ends.push_back({g_axioms[a].depth_max, (u64)a});
        }
        auto by_depth = [](const bound& x, const bound& y) { return x.depth < y.depth; };
        std::sort(starts.begin(), starts.end(), by_depth);
        std::sort(ends.begin(), ends.end(), by_depth);
        std::vector<u64> start_sums(starts.size() + 1, 0), end_sums(ends.size() + 1, 0);
        for (size_t i = 0; i < starts.size(); ++i)
            start_sums[i + 1] = start_sums[i] + starts[i].index;
        for (size_t i = 0; i < ends.size(); ++i)
            end_sums[i + 1] = end_sums[i] + ends[i].index;
        for (size_t k = 0; k < depths.size(); ++k) {
            i32 d = depths[k];
            // Started: depth_min <= d. Ended: depth_max < d.
            size_t started
                = (size_t)(std::upper_bound(starts.begin(), starts.end(), bound {d, 0}, by_depth)
                           - starts.begin());
            size_t ended
                = (size_t)(std::lower_bound(ends.begin(), ends.end(), bound {d, 0}, by_depth)
                           - ends.begin());
            u64 eligible = started - ended;
            size_t sole = (size_t)(start_sums[started] - end_sums[ended]);
            // The warning goes to the pack of the one Axiom that stands there, or of the Axiom
            // whose bound leaves the depth empty; the first floor, empty, to the pack that serves
            // the file.
            if (eligible == 1) {
                context_of(g_axioms[sole].mount, "data/axioms.json");
            } else if (because[k] >= 0) {
                context_of(g_axioms[(size_t)because[k]].mount, "data/axioms.json");
            } else {
                sv_diag_set_context(label_serving("data/axioms.json"), "data/axioms.json");
            }
            if (eligible == 0) {
                sv_diag_report(SV_DIAG_WARNING, SV_DIAG_MISSING_FIELD, "axioms",
                               "no axiom is eligible at depth %d", d);
                ++g_pool_problems;
            } else if (eligible == 1) {
                sv_diag_report(SV_DIAG_WARNING, SV_DIAG_MISSING_FIELD, "axioms",
                               "only one axiom is eligible at depth %d, so its scions identify "
                               "nothing (DESIGN 4.7)",
                               d);
                ++g_pool_problems;
            }
        }
        sv_diag_clear_context();
    }
    if (g_elements.size() >= 2) {
        u32 flavour = g_elements[0].flavour;
        int same = 1;
        for (const sv_element_def& e : g_elements)
            same = same && e.flavour == flavour;
        if (same) {
            sv_diag_set_context(label_serving("data/elements.json"), "data/elements.json");
            sv_diag_report(
                SV_DIAG_WARNING, SV_DIAG_MISSING_FIELD, "flavour",
                "every element is '%s'; a pool with one flavour makes the inventory step ceremony "
                "(DESIGN 5.4)",
                sv_element_flavour_name(flavour));
            ++g_pool_problems;
            sv_diag_clear_context();
        }
    }
    return g_pool_problems == 0;
}

// Tunables: the compiled-in schema of 150 numeric settings, their live values, and the
// loading of "tunables.json" from every mount.
#include "core/tune.h"

#include <cmath>
#include <cstring>

#include "core/diag.h"
#include "core/json.h"
#include "core/pack.h"
#include "core/panic.h"
#include "core/vfs.h"

namespace {

struct sv_tune_row {
    const char* key;
    f64 def;
    f64 min;
    f64 max;
};

#define SV_TUNE_ROW_(id, key, def, lo, hi) {key, def, lo, hi},
const sv_tune_row SCHEMA[SV_TUNE_COUNT] = {SV_TUNABLES(SV_TUNE_ROW_)};
#undef SV_TUNE_ROW_

// value[a] >= factor * value[b], checked in this order after loading.
struct sv_tune_order {
    u32 a;
    u32 b;
    f64 factor;
    const char* reason;
};

const sv_tune_order k_orders[] = {
    {SV_TUNE_CHEST_WEIGHT_COMMON, SV_TUNE_CHEST_WEIGHT_UNCOMMON, 1,
     "common chests must not be rarer than uncommon ones"},
    {SV_TUNE_CHEST_WEIGHT_UNCOMMON, SV_TUNE_CHEST_WEIGHT_RARE, 1,
     "uncommon chests must not be rarer than rare ones"},
    {SV_TUNE_RARITY_BAND_RARE, SV_TUNE_RARITY_BAND_UNCOMMON, 1,
     "the rare band must not start below the uncommon one"},
    {SV_TUNE_GEOM_DOOR_WIDTH, SV_TUNE_PLAYER_RADIUS, 2,
     "a door must be at least twice the player's radius, or nobody fits through it"},
    {SV_TUNE_CORRIDOR_WIDTH, SV_TUNE_GEOM_DOOR_WIDTH, 1,
     "a corridor must be at least as wide as a door, or the door opens onto its wall"},
    {SV_TUNE_CORRIDOR_HEIGHT, SV_TUNE_GEOM_DOOR_HEIGHT, 1,
     "a corridor must be at least as high as a door, or the door opens onto its ceiling"},
};

const char* const k_file = "tunables.json";

f64 g_values[SV_TUNE_COUNT];
u8 g_initialised;
// The first mount's file as last loaded, for the boot's completeness check.
u32 g_base_file;
u8 g_base_named[SV_TUNE_COUNT];

void copy_defaults()
{
    for (u32 i = 0; i < SV_TUNE_COUNT; ++i)
        g_values[i] = SCHEMA[i].def;
    g_initialised = 1;
}

// Lazy set-up, so every reader works before any pack is loaded.
inline void ensure()
{
    if (!g_initialised)
        copy_defaults();
}

f64 value_at(u32 index)
{
    if (index >= SV_TUNE_COUNT)
        sv_panic("tune: key %d out of range", (int)index);
    ensure();
    return g_values[index];
}

// The one way a value from outside gets in: it always leaves the value finite and in range.
void store_clamped(u32 index, f64 value)
{
    const sv_tune_row& row = SCHEMA[index];
    if (std::isnan(value)) {
        // A NaN passes every comparison below and would poison all arithmetic downstream.
        sv_diag_report(SV_DIAG_WARNING, SV_DIAG_WRONG_TYPE, row.key, "expected a number");
        return;
    }
    if (value < row.min) {
        g_values[index] = row.min;
        sv_diag_report(SV_DIAG_WARNING, SV_DIAG_OUT_OF_RANGE, row.key,
                       "%g is below the minimum %g; clamped", value, row.min);
    } else if (value > row.max) {
        g_values[index] = row.max;
        sv_diag_report(SV_DIAG_WARNING, SV_DIAG_OUT_OF_RANGE, row.key,
                       "%g is above the maximum %g; clamped", value, row.max);
    } else {
        g_values[index] = value;
    }
}

int find_index(const char* key, u32* out_index)
{
    if (!key)
        return 0;
    for (u32 i = 0; i < SV_TUNE_COUNT; ++i) {
        if (std::strcmp(SCHEMA[i].key, key) == 0) {
            if (out_index)
                *out_index = i;
            return 1;
        }
    }
    return 0;
}

// llround of a value beyond 64 bits has no defined result, so saturate first.
i64 round_saturated(f64 value, f64 lo, f64 hi)
{
    if (value <= lo)
        return (i64)lo;
    if (value >= hi)
        return (i64)hi;
    return (i64)std::llround(value);
}

} // namespace

f64 sv_tune(u32 index)
{
    return value_at(index);
}

i32 sv_tune_i32(u32 index)
{
    f64 v = value_at(index);
    return (i32)round_saturated(v, -2147483648.0, 2147483647.0);
}

u32 sv_tune_u32(u32 index)
{
    f64 v = value_at(index);
    if (v <= 0)
        return 0;
    return (u32)round_saturated(v, 0.0, 4294967295.0);
}

u8 sv_tune_bool(u32 index)
{
    return value_at(index) != 0 ? 1 : 0;
}

const char* sv_tune_name(u32 index)
{
    return index < SV_TUNE_COUNT ? SCHEMA[index].key : "?";
}
f64 sv_tune_default(u32 index)
{
    return index < SV_TUNE_COUNT ? SCHEMA[index].def : 0;
}
f64 sv_tune_min(u32 index)
{
    return index < SV_TUNE_COUNT ? SCHEMA[index].min : 0;
}
f64 sv_tune_max(u32 index)
{
    return index < SV_TUNE_COUNT ? SCHEMA[index].max : 0;
}

int sv_tune_find(const char* key, u32* out_index)
{
    return find_index(key, out_index);
}

void sv_tune_reset_defaults(void)
{
    copy_defaults();
}

int sv_tune_set_by_name(const char* key, f64 value)
{
    ensure();
    u32 index = 0;
    if (!find_index(key, &index)) {
        sv_diag_report(SV_DIAG_WARNING, SV_DIAG_UNKNOWN_KEY, key, "no such tunable");
        return 0;
    }
    store_clamped(index, value);
    return 1;
}

void sv_tune_snapshot(f64 out[SV_TUNE_COUNT])
{
    ensure();
    std::memcpy(out, g_values, sizeof g_values);
}

void sv_tune_restore(const f64 values[SV_TUNE_COUNT])
{
    ensure();
    // Unclamped on purpose (a snapshot goes back exactly), but a non-finite value would
    // break every reader, so such an entry keeps its current value.
    for (u32 i = 0; i < SV_TUNE_COUNT; ++i) {
        if (std::isfinite(values[i]))
            g_values[i] = values[i];
    }
}

int sv_tune_check_constraints(void)
{
    ensure();
    int ok = 1;
    for (const sv_tune_order& o : k_orders) {
        f64 va = g_values[o.a];
        f64 vb = g_values[o.b];
        f64 need = o.factor * vb;
        if (va >= need)
            continue;
        ok = 0;
        const char* ka = SCHEMA[o.a].key;
        const char* kb = SCHEMA[o.b].key;
        if (o.factor != 1) {
            sv_diag_report(SV_DIAG_WARNING, SV_DIAG_OUT_OF_RANGE, kb,
                           "%s is %g but %s is %g, so it needs at least %g: %s", ka, va, kb, vb,
                           need, o.reason);
        } else {
            sv_diag_report(SV_DIAG_WARNING, SV_DIAG_OUT_OF_RANGE, kb, "%s is %g but %s is %g: %s",
                           ka, va, kb, vb, o.reason);
        }
    }
    return ok;
}

// Applies one tunables text; when named is given, marks every known key the text names
// (whatever its value). 0 when the text cannot be used at all.
static int apply_text(const char* text, u64 length, u8 named[SV_TUNE_COUNT])
{
    ensure();
    if (!text) {
        sv_diag_report(SV_DIAG_ERROR, SV_DIAG_MALFORMED, nullptr, "no content");
        return 0;
    }
    cJSON* root = sv_json_parse(text, length, 1);
    if (!root)
        return 0;
    if (!cJSON_IsObject(root)) {
        sv_diag_report(SV_DIAG_ERROR, SV_DIAG_MALFORMED, nullptr,
                       "top level must be an object of key/value pairs");
        cJSON_Delete(root);
        return 0;
    }
    for (const cJSON* item = root->child; item; item = item->next) {
        if (!item->string)
            continue;
        u32 index = 0;
        if (!find_index(item->string, &index)) {
            sv_diag_report(SV_DIAG_WARNING, SV_DIAG_UNKNOWN_KEY, item->string, "no such tunable");
            continue;
        }
        if (named)
            named[index] = 1;
        f64 value = 0;
        if (cJSON_IsBool(item)) {
            value = cJSON_IsTrue(item) ? 1 : 0;
        } else if (cJSON_IsNumber(item)) {
            value = item->valuedouble;
        } else {
            sv_diag_report(SV_DIAG_WARNING, SV_DIAG_WRONG_TYPE, item->string, "expected a number");
            continue;
        }
        store_clamped(index, value);
    }
    // Every pair was applied in order, so of two of one key the last one stands.
    sv_json_warn_duplicate_keys(root, 1, nullptr);
    cJSON_Delete(root);
    return 1;
}

int sv_tune_apply_json(const char* text, const char* label)
{
    (void)label;
    return apply_text(text, text ? strlen(text) : 0, nullptr);
}

int sv_tune_validate_text(const char* text, const char* file)
{
    static f64 s_saved[SV_TUNE_COUNT];
    sv_tune_snapshot(s_saved);
    copy_defaults();
    sv_diag_set_context(nullptr, file);
    sv_tune_apply_json(text, file);
    sv_tune_check_constraints();
    std::memcpy(g_values, s_saved, sizeof g_values);
    // Records made after this must not be labelled with the file just checked.
    sv_diag_clear_context();
    return sv_diag_finish();
}

u32 sv_tune_base_file(void)
{
    return g_base_file;
}

int sv_tune_base_names(u32 index)
{
    return index < SV_TUNE_COUNT && g_base_named[index];
}

int sv_tune_load_packs(void)
{
    copy_defaults();
    g_base_file = SV_TUNE_BASE_ABSENT;
    std::memset(g_base_named, 0, sizeof g_base_named);
    int ok = 1;
    u64 files = 0;
    u64 only = 0;
    sv_json_stage_begin();
    u64 mounts = sv_vfs_mount_count();
    for (u64 m = 0; m < mounts; ++m) {
        // Set before reading so that a read failure is labelled with this mount too.
        sv_diag_set_context(sv_pack_label(m), k_file);
        u64 errors = sv_diag_count_of(SV_DIAG_ERROR);
        sv_vfs_buf buf {};
        if (!sv_json_read_at(m, k_file, &buf)) {
            // Absent is fine; present but unreadable (an error was recorded) is not usable.
            if (sv_diag_count_of(SV_DIAG_ERROR) != errors) {
                ok = 0;
                if (m == 0)
                    g_base_file = SV_TUNE_BASE_UNUSABLE;
            }
            continue;
        }
        ++files;
        only = m;
        int applied = apply_text(buf.data, buf.size, m == 0 ? g_base_named : nullptr);
        if (!applied)
            ok = 0;
        if (m == 0)
            g_base_file = applied ? SV_TUNE_BASE_READ : SV_TUNE_BASE_UNUSABLE;
        sv_vfs_free(&buf);
    }
    sv_diag_set_context(files == 1 ? sv_pack_label(only) : nullptr, k_file);
    sv_tune_check_constraints();
    sv_diag_clear_context();
    return ok;
}

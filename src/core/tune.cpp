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

// Index order is shared by every reader in the code base: never reorder, only append.
const sv_tune_row SCHEMA[SV_TUNE_COUNT] = {
    {"floor.size_base", 30, 6, 400},
    {"floor.size_growth", 1, 0, 5},
    {"floor.size_growth_rate", 6, 0, 200},
    {"floor.size_min", 9, 3, 100},
    {"floor.size_min_first", 5, 2, 100},
    {"floor.size_max", 80, 8, 2000},
    {"floor.size_spread", 0.25, 0, 3},
    {"depth.height_k", 1.29, 0.1, 10},
    {"depth.peak", 0.5, 0, 1},
    {"depth.spread", 0.35, 0.05, 3},
    {"axiom.depth_band", 0.25, 0.01, 1},
    {"prism.min_distance", 3, 0, 50},
    {"sat.multiplier_growth", 3, 0, 5},
    {"sat.multiplier_growth_rate", 0, 0, 2},
    {"sat.per_room", 1, 0, 50},
    {"sat.per_charge", 0.5, 0, 50},
    {"sat.per_monument", 3, 0, 100},
    {"scion.optional_mean", 1.5, 0, 10},
    {"shard.loose", 1, 0, 20},
    {"scion.gate_chance", 0.7, 0, 1},
    {"scion.gate_count", 1.3, 1, 6},
    {"scion.gate_seals", 1, 0, 1},
    {"floor.max_degree", 6, 2, 6},
    {"floor.hub_degree", 5, 3, 6},
    {"floor.linearity", 0.5, 0, 0.85},
    {"geom.room_radius", 7, 1, 200},
    {"geom.radius_spread", 0.15, 0, 0.9},
    {"geom.ceiling_height", 4, 1, 100},
    {"geom.hub_scale", 1.8, 1, 10},
    {"geom.arena_scale", 1.8, 1, 10},
    {"geom.sill_max", 1.5, 0, 20},
    {"geom.ramp_run", 0.45, 0.05, 0.95},
    {"geom.max_slope", 0.7, 0.05, 3},
    {"geom.elevation_max", 3, 0, 100},
    {"geom.door_width", 1.6, 0.2, 20},
    {"geom.door_height", 2.6, 0.5, 20},
    {"geom.prop_spacing", 1.2, 0, 20},
    {"corridor.width", 2.4, 1, 20},
    {"corridor.height", 3.2, 1, 20},
    {"corridor.step_share", 0.5, 0, 1},
    {"corridor.step_length", 0.4, 0.1, 3},
    {"corridor.length_min", 3, 0.5, 60},
    {"corridor.length_max", 9, 0.5, 60},
    {"corridor.bend_chance", 0.4, 0, 1},
    {"corridor.bends_max", 2, 0, 1000},
    {"interior.columns", 1.5, 0, 20},
    {"interior.spacing", 2, 0, 20},
    {"interior.blocks", 1, 0, 20},
    {"interior.benches", 0.7, 0, 20},
    {"interior.dais_chance", 0.5, 0, 1},
    {"interior.dais_height", 0.6, 0.1, 5},
    {"interior.dais_radius", 0.35, 0.05, 0.8},
    {"interior.column_radius", 0.4, 0.1, 5},
    {"interior.block_size", 1.2, 0.2, 10},
    {"interior.block_height", 1, 0.1, 10},
    {"interior.bench_depth", 1.2, 0.3, 10},
    {"interior.bench_height", 0.5, 0.1, 5},
    {"interior.density_growth", 0, 0, 5},
    {"interior.density_growth_rate", 0, 0, 5},
    {"interior.arena_density", 0.6, 0, 10},
    {"interior.landmark_density", 0.5, 0, 10},
    {"interior.flight_share", 0.5, 0, 1},
    {"interior.riser", 0.3, 0.05, 5},
    {"interior.ring_width", 1.2, 0.5, 10},
    {"sim.tick_hz", 60, 20, 240},
    {"player.walk_speed", 4, 0.5, 50},
    {"player.radius", 0.4, 0.05, 3},
    {"player.eye_height", 1.6, 0.2, 5},
    {"player.step_height", 0.45, 0, 5},
    {"player.gravity", 20, 0.1, 200},
    {"player.step_smooth", 0.08, 0, 2},
    {"player.sprint_multiplier", 1.7, 1, 10},
    {"player.dodge_speed", 20, 0.5, 100},
    {"player.dodge_distance", 3.5, 0.2, 40},
    {"player.door_reach", 0.05, 0, 5},
    {"player.pickup_reach", 0.6, 0, 5},
    {"player.use_reach", 1.4, 0, 5},
    {"fog.walk_depth", 2, 0.2, 10},
    {"fog.walk_time", 1.6, 0.1, 10},
    {"fog.reach", 2.8, 0, 10},
    {"player.max_hp", 100, 1, 10000},
    {"player.dodge_iframes", 1, 0, 1},
    {"player.melee_reach", 1.6, 0.1, 10},
    {"player.melee_arc", 90, 1, 360},
    {"player.lock_arc", 12, 1, 90},
    {"player.lock_break_turn", 15, 1, 180},
    {"player.lock_break_decay", 0.6, 0, 0.95},
    {"player.lock_ease", 0.25, 0.02, 1},
    {"mob.strike_arc", 60, 1, 360},
    {"mob.sight_range", 14, 0.5, 200},
    {"mob.sight_through", 8, 0.5, 200},
    {"mob.door_arc", 60, 0, 170},
    {"mob.face_door", 0.5, 0, 1},
    {"mob.leash", 10, 0, 1000},
    {"mob.give_up", 0.08, 0, 100},
    {"mob.lunge_share", 0.4, 0.05, 0.95},
    {"grit.start", 10, 0, 4294967295},
    {"grit.max", 30, 1, 4294967295},
    {"weapon.melee_floor", 2, 0, 100},
    {"weapon.ranged_floor", 3, 0, 100},
    {"stamina.max", 100, 1, 10000},
    {"stamina.regen", 30, 0, 10000},
    {"stamina.regen_delay", 0.6, 0, 10},
    {"stamina.sprint_cost", 8, 0, 1000},
    {"stamina.dodge_cost", 15, 0, 1000},
    {"stamina.primary_cost", 10, 0, 1000},
    {"stamina.secondary_cost", 10, 0, 1000},
    {"chord.base", 3, 1, 1000},
    {"chord.base_growth", 3, 0, 5},
    {"chord.base_growth_rate", 2, 0, 100},
    {"chord.step_growth", 3, 0, 5},
    {"chord.step_growth_rate", 1, 0, 10},
    {"warp.base", 10, 0, 1000},
    {"warp.growth", 3, 0, 5},
    {"warp.growth_rate", 4, 0, 100},
    {"mob.density_c", 0.5, 0, 20},
    {"mob.density_growth", 1, 0, 5},
    {"mob.density_growth_rate", 1, 0, 20},
    {"mob.room_max", 3, 1, 4},
    {"density.fountain", 0.35, 0, 1},
    {"character.spread", 0.2, 0, 2},
    {"fountain.band_min", 2, 1, 50},
    {"fountain.band_max", 4, 1, 50},
    {"monument.depth_min_frac", 0.35, 0, 1},
    {"monument.depth_max_frac", 0.75, 0, 1},
    {"density.chest", 0.18, 0, 1},
    {"density.anomaly", 0.05, 0, 1},
    {"chest.weight_common", 6, 0, 1000},
    {"chest.weight_uncommon", 3, 0, 1000},
    {"chest.weight_rare", 1, 0, 1000},
    {"rarity.band_uncommon", 0.6, 0, 1},
    {"rarity.band_rare", 0.9, 0, 1},
    {"loot.mean_k", 0.05, 0, 10},
    {"loot.mean_max", 0.75, 0, 1},
    {"loot.tail_k", 0.05, 0, 10},
    {"loot.tier_jitter", 0.15, 0, 1},
    {"inclusion.drop_chance", 0.22, 0, 1},
    {"inclusion.inventory", 8, 1, 200},
    {"transform.drop_chance", 0.15, 0, 1},
    {"transform.inventory", 3, 1, 50},
    {"sell.mult_common", 1, 0, 100},
    {"sell.mult_uncommon", 2.5, 0, 100},
    {"sell.mult_rare", 6, 0, 100},
    {"inclusion.sell_base", 4, 0, 10000},
    {"element.sell_base", 5, 0, 10000},
    {"transform.sell_base", 3, 0, 10000},
    {"sell.growth", 0, 0, 5},
    {"sell.growth_rate", 0, 0, 100},
    {"visual.depth_k", 0.11, 0, 2},
    {"visual.saturation_k", 0.02, 0, 2},
};

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

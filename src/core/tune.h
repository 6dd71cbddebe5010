// Tunables: 150 numeric settings with compiled-in defaults and ranges, read by fixed index.
#pragma once
#include "core/types.h"

#define SV_TUNE_COUNT 150

// Every tunable, once: X(index name, key, default, minimum, maximum). The enum of indices and
// the schema table are both made from this list, so they cannot drift apart. The order is an
// interface shared by the whole system: never reorder, only append.
// clang-format off
#define SV_TUNABLES(X) \
    X(FLOOR_SIZE_BASE, "floor.size_base", 30, 6, 400) \
    X(FLOOR_SIZE_GROWTH, "floor.size_growth", 1, 0, 5) \
    X(FLOOR_SIZE_GROWTH_RATE, "floor.size_growth_rate", 6, 0, 200) \
    X(FLOOR_SIZE_MIN, "floor.size_min", 9, 3, 100) \
    X(FLOOR_SIZE_MIN_FIRST, "floor.size_min_first", 5, 2, 100) \
    X(FLOOR_SIZE_MAX, "floor.size_max", 80, 8, 2000) \
    X(FLOOR_SIZE_SPREAD, "floor.size_spread", 0.25, 0, 3) \
    X(DEPTH_HEIGHT_K, "depth.height_k", 1.29, 0.1, 10) \
    X(DEPTH_PEAK, "depth.peak", 0.5, 0, 1) \
    X(DEPTH_SPREAD, "depth.spread", 0.35, 0.05, 3) \
    X(AXIOM_DEPTH_BAND, "axiom.depth_band", 0.25, 0.01, 1) \
    X(PRISM_MIN_DISTANCE, "prism.min_distance", 3, 0, 50) \
    X(SAT_MULTIPLIER_GROWTH, "sat.multiplier_growth", 3, 0, 5) \
    X(SAT_MULTIPLIER_GROWTH_RATE, "sat.multiplier_growth_rate", 0, 0, 2) \
    X(SAT_PER_ROOM, "sat.per_room", 1, 0, 50) \
    X(SAT_PER_CHARGE, "sat.per_charge", 0.5, 0, 50) \
    X(SAT_PER_MONUMENT, "sat.per_monument", 3, 0, 100) \
    X(SCION_OPTIONAL_MEAN, "scion.optional_mean", 1.5, 0, 10) \
    X(SHARD_LOOSE, "shard.loose", 1, 0, 20) \
    X(SCION_GATE_CHANCE, "scion.gate_chance", 0.7, 0, 1) \
    X(SCION_GATE_COUNT, "scion.gate_count", 1.3, 1, 6) \
    X(SCION_GATE_SEALS, "scion.gate_seals", 1, 0, 1) \
    X(FLOOR_MAX_DEGREE, "floor.max_degree", 6, 2, 6) \
    X(FLOOR_HUB_DEGREE, "floor.hub_degree", 5, 3, 6) \
    X(FLOOR_LINEARITY, "floor.linearity", 0.5, 0, 0.85) \
    X(GEOM_ROOM_RADIUS, "geom.room_radius", 7, 1, 200) \
    X(GEOM_RADIUS_SPREAD, "geom.radius_spread", 0.15, 0, 0.9) \
    X(GEOM_CEILING_HEIGHT, "geom.ceiling_height", 4, 1, 100) \
    X(GEOM_HUB_SCALE, "geom.hub_scale", 1.8, 1, 10) \
    X(GEOM_ARENA_SCALE, "geom.arena_scale", 1.8, 1, 10) \
    X(GEOM_SILL_MAX, "geom.sill_max", 1.5, 0, 20) \
    X(GEOM_RAMP_RUN, "geom.ramp_run", 0.45, 0.05, 0.95) \
    X(GEOM_MAX_SLOPE, "geom.max_slope", 0.7, 0.05, 3) \
    X(GEOM_ELEVATION_MAX, "geom.elevation_max", 3, 0, 100) \
    X(GEOM_DOOR_WIDTH, "geom.door_width", 1.6, 0.2, 20) \
    X(GEOM_DOOR_HEIGHT, "geom.door_height", 2.6, 0.5, 20) \
    X(GEOM_PROP_SPACING, "geom.prop_spacing", 1.2, 0, 20) \
    X(CORRIDOR_WIDTH, "corridor.width", 2.4, 1, 20) \
    X(CORRIDOR_HEIGHT, "corridor.height", 3.2, 1, 20) \
    X(CORRIDOR_STEP_SHARE, "corridor.step_share", 0.5, 0, 1) \
    X(CORRIDOR_STEP_LENGTH, "corridor.step_length", 0.4, 0.1, 3) \
    X(CORRIDOR_LENGTH_MIN, "corridor.length_min", 3, 0.5, 60) \
    X(CORRIDOR_LENGTH_MAX, "corridor.length_max", 9, 0.5, 60) \
    X(CORRIDOR_BEND_CHANCE, "corridor.bend_chance", 0.4, 0, 1) \
    X(CORRIDOR_BENDS_MAX, "corridor.bends_max", 2, 0, 1000) \
    X(INTERIOR_COLUMNS, "interior.columns", 1.5, 0, 20) \
    X(INTERIOR_SPACING, "interior.spacing", 2, 0, 20) \
    X(INTERIOR_BLOCKS, "interior.blocks", 1, 0, 20) \
    X(INTERIOR_BENCHES, "interior.benches", 0.7, 0, 20) \
    X(INTERIOR_DAIS_CHANCE, "interior.dais_chance", 0.5, 0, 1) \
    X(INTERIOR_DAIS_HEIGHT, "interior.dais_height", 0.6, 0.1, 5) \
    X(INTERIOR_DAIS_RADIUS, "interior.dais_radius", 0.35, 0.05, 0.8) \
    X(INTERIOR_COLUMN_RADIUS, "interior.column_radius", 0.4, 0.1, 5) \
    X(INTERIOR_BLOCK_SIZE, "interior.block_size", 1.2, 0.2, 10) \
    X(INTERIOR_BLOCK_HEIGHT, "interior.block_height", 1, 0.1, 10) \
    X(INTERIOR_BENCH_DEPTH, "interior.bench_depth", 1.2, 0.3, 10) \
    X(INTERIOR_BENCH_HEIGHT, "interior.bench_height", 0.5, 0.1, 5) \
    X(INTERIOR_DENSITY_GROWTH, "interior.density_growth", 0, 0, 5) \
    X(INTERIOR_DENSITY_GROWTH_RATE, "interior.density_growth_rate", 0, 0, 5) \
    X(INTERIOR_ARENA_DENSITY, "interior.arena_density", 0.6, 0, 10) \
    X(INTERIOR_LANDMARK_DENSITY, "interior.landmark_density", 0.5, 0, 10) \
    X(INTERIOR_FLIGHT_SHARE, "interior.flight_share", 0.5, 0, 1) \
    X(INTERIOR_RISER, "interior.riser", 0.3, 0.05, 5) \
    X(INTERIOR_RING_WIDTH, "interior.ring_width", 1.2, 0.5, 10) \
    X(SIM_TICK_HZ, "sim.tick_hz", 60, 20, 240) \
    X(PLAYER_WALK_SPEED, "player.walk_speed", 4, 0.5, 50) \
    X(PLAYER_RADIUS, "player.radius", 0.4, 0.05, 3) \
    X(PLAYER_EYE_HEIGHT, "player.eye_height", 1.6, 0.2, 5) \
    X(PLAYER_STEP_HEIGHT, "player.step_height", 0.45, 0, 5) \
    X(PLAYER_GRAVITY, "player.gravity", 20, 0.1, 200) \
    X(PLAYER_STEP_SMOOTH, "player.step_smooth", 0.08, 0, 2) \
    X(PLAYER_SPRINT_MULTIPLIER, "player.sprint_multiplier", 1.7, 1, 10) \
    X(PLAYER_DODGE_SPEED, "player.dodge_speed", 20, 0.5, 100) \
    X(PLAYER_DODGE_DISTANCE, "player.dodge_distance", 3.5, 0.2, 40) \
    X(PLAYER_DOOR_REACH, "player.door_reach", 0.05, 0, 5) \
    X(PLAYER_PICKUP_REACH, "player.pickup_reach", 0.6, 0, 5) \
    X(PLAYER_USE_REACH, "player.use_reach", 1.4, 0, 5) \
    X(FOG_WALK_DEPTH, "fog.walk_depth", 2, 0.2, 10) \
    X(FOG_WALK_TIME, "fog.walk_time", 1.6, 0.1, 10) \
    X(FOG_REACH, "fog.reach", 2.8, 0, 10) \
    X(PLAYER_MAX_HP, "player.max_hp", 100, 1, 10000) \
    X(PLAYER_DODGE_IFRAMES, "player.dodge_iframes", 1, 0, 1) \
    X(PLAYER_MELEE_REACH, "player.melee_reach", 1.6, 0.1, 10) \
    X(PLAYER_MELEE_ARC, "player.melee_arc", 90, 1, 360) \
    X(PLAYER_LOCK_ARC, "player.lock_arc", 12, 1, 90) \
    X(PLAYER_LOCK_BREAK_TURN, "player.lock_break_turn", 15, 1, 180) \
    X(PLAYER_LOCK_BREAK_DECAY, "player.lock_break_decay", 0.6, 0, 0.95) \
    X(PLAYER_LOCK_EASE, "player.lock_ease", 0.25, 0.02, 1) \
    X(MOB_STRIKE_ARC, "mob.strike_arc", 60, 1, 360) \
    X(MOB_SIGHT_RANGE, "mob.sight_range", 14, 0.5, 200) \
    X(MOB_SIGHT_THROUGH, "mob.sight_through", 8, 0.5, 200) \
    X(MOB_DOOR_ARC, "mob.door_arc", 60, 0, 170) \
    X(MOB_FACE_DOOR, "mob.face_door", 0.5, 0, 1) \
    X(MOB_LEASH, "mob.leash", 10, 0, 1000) \
    X(MOB_GIVE_UP, "mob.give_up", 0.08, 0, 100) \
    X(MOB_LUNGE_SHARE, "mob.lunge_share", 0.4, 0.05, 0.95) \
    X(GRIT_START, "grit.start", 10, 0, 4294967295) \
    X(GRIT_MAX, "grit.max", 30, 1, 4294967295) \
    X(WEAPON_MELEE_FLOOR, "weapon.melee_floor", 2, 0, 100) \
    X(WEAPON_RANGED_FLOOR, "weapon.ranged_floor", 3, 0, 100) \
    X(STAMINA_MAX, "stamina.max", 100, 1, 10000) \
    X(STAMINA_REGEN, "stamina.regen", 30, 0, 10000) \
    X(STAMINA_REGEN_DELAY, "stamina.regen_delay", 0.6, 0, 10) \
    X(STAMINA_SPRINT_COST, "stamina.sprint_cost", 8, 0, 1000) \
    X(STAMINA_DODGE_COST, "stamina.dodge_cost", 15, 0, 1000) \
    X(STAMINA_PRIMARY_COST, "stamina.primary_cost", 10, 0, 1000) \
    X(STAMINA_SECONDARY_COST, "stamina.secondary_cost", 10, 0, 1000) \
    X(CHORD_BASE, "chord.base", 3, 1, 1000) \
    X(CHORD_BASE_GROWTH, "chord.base_growth", 3, 0, 5) \
    X(CHORD_BASE_GROWTH_RATE, "chord.base_growth_rate", 2, 0, 100) \
    X(CHORD_STEP_GROWTH, "chord.step_growth", 3, 0, 5) \
    X(CHORD_STEP_GROWTH_RATE, "chord.step_growth_rate", 1, 0, 10) \
    X(WARP_BASE, "warp.base", 10, 0, 1000) \
    X(WARP_GROWTH, "warp.growth", 3, 0, 5) \
    X(WARP_GROWTH_RATE, "warp.growth_rate", 4, 0, 100) \
    X(MOB_DENSITY_C, "mob.density_c", 0.5, 0, 20) \
    X(MOB_DENSITY_GROWTH, "mob.density_growth", 1, 0, 5) \
    X(MOB_DENSITY_GROWTH_RATE, "mob.density_growth_rate", 1, 0, 20) \
    X(MOB_ROOM_MAX, "mob.room_max", 3, 1, 4) \
    X(DENSITY_FOUNTAIN, "density.fountain", 0.35, 0, 1) \
    X(CHARACTER_SPREAD, "character.spread", 0.2, 0, 2) \
    X(FOUNTAIN_BAND_MIN, "fountain.band_min", 2, 1, 50) \
    X(FOUNTAIN_BAND_MAX, "fountain.band_max", 4, 1, 50) \
    X(MONUMENT_DEPTH_MIN_FRAC, "monument.depth_min_frac", 0.35, 0, 1) \
    X(MONUMENT_DEPTH_MAX_FRAC, "monument.depth_max_frac", 0.75, 0, 1) \
    X(DENSITY_CHEST, "density.chest", 0.18, 0, 1) \
    X(DENSITY_ANOMALY, "density.anomaly", 0.05, 0, 1) \
    X(CHEST_WEIGHT_COMMON, "chest.weight_common", 6, 0, 1000) \
    X(CHEST_WEIGHT_UNCOMMON, "chest.weight_uncommon", 3, 0, 1000) \
    X(CHEST_WEIGHT_RARE, "chest.weight_rare", 1, 0, 1000) \
    X(RARITY_BAND_UNCOMMON, "rarity.band_uncommon", 0.6, 0, 1) \
    X(RARITY_BAND_RARE, "rarity.band_rare", 0.9, 0, 1) \
    X(LOOT_MEAN_K, "loot.mean_k", 0.05, 0, 10) \
    X(LOOT_MEAN_MAX, "loot.mean_max", 0.75, 0, 1) \
    X(LOOT_TAIL_K, "loot.tail_k", 0.05, 0, 10) \
    X(LOOT_TIER_JITTER, "loot.tier_jitter", 0.15, 0, 1) \
    X(INCLUSION_DROP_CHANCE, "inclusion.drop_chance", 0.22, 0, 1) \
    X(INCLUSION_INVENTORY, "inclusion.inventory", 8, 1, 200) \
    X(TRANSFORM_DROP_CHANCE, "transform.drop_chance", 0.15, 0, 1) \
    X(TRANSFORM_INVENTORY, "transform.inventory", 3, 1, 50) \
    X(SELL_MULT_COMMON, "sell.mult_common", 1, 0, 100) \
    X(SELL_MULT_UNCOMMON, "sell.mult_uncommon", 2.5, 0, 100) \
    X(SELL_MULT_RARE, "sell.mult_rare", 6, 0, 100) \
    X(INCLUSION_SELL_BASE, "inclusion.sell_base", 4, 0, 10000) \
    X(ELEMENT_SELL_BASE, "element.sell_base", 5, 0, 10000) \
    X(TRANSFORM_SELL_BASE, "transform.sell_base", 3, 0, 10000) \
    X(SELL_GROWTH, "sell.growth", 0, 0, 5) \
    X(SELL_GROWTH_RATE, "sell.growth_rate", 0, 0, 100) \
    X(VISUAL_DEPTH_K, "visual.depth_k", 0.11, 0, 2) \
    X(VISUAL_SATURATION_K, "visual.saturation_k", 0.02, 0, 2)
// clang-format on

#define SV_TUNE_INDEX_(id, key, def, lo, hi) SV_TUNE_##id,
#define SV_TUNE_ONE_(id, key, def, lo, hi)   +1

enum sv_tunable : u32 {
    SV_TUNABLES(SV_TUNE_INDEX_)
};

static_assert(0 SV_TUNABLES(SV_TUNE_ONE_) == SV_TUNE_COUNT, "SV_TUNE_COUNT is the list's length");

// Readers: an index above 149 is a programming error and panics. None draws or changes anything.
// The current value (the default until something sets it).
f64 sv_tune(u32 index);
// The current value rounded half away from zero, saturated to the i32 range.
i32 sv_tune_i32(u32 index);
// The current value rounded half away from zero, saturated to [0, 4294967295].
u32 sv_tune_u32(u32 index);
// 1 when the current value is nonzero, else 0.
u8 sv_tune_bool(u32 index);

// Schema access: reads only the compiled-in table; an index above 149 gives "?" or 0.
// The dotted key, e.g. "floor.size_base"; static text.
const char* sv_tune_name(u32 index);
// The compiled-in default.
f64 sv_tune_default(u32 index);
// The least value a setter keeps; lower ones are clamped up to it.
f64 sv_tune_min(u32 index);
// The greatest value a setter keeps; higher ones are clamped down to it.
f64 sv_tune_max(u32 index);
// 1 and the index (out_index may be null) for an exact key; 0 for null or an unknown key.
int sv_tune_find(const char* key, u32* out_index);

// Writers: problems become diagnostic records, never fatal.
// Sets every value back to its default; no record.
void sv_tune_reset_defaults(void);
// Sets one value, clamped to its range with a warning record (NaN is refused with one and changes
// nothing); returns 1, or 0 with a warning record for an unknown key.
int sv_tune_set_by_name(const char* key, f64 value);
// Copies all current values into out.
void sv_tune_snapshot(f64 out[SV_TUNE_COUNT]);
// Puts back values as given, unclamped; a non-finite entry keeps the current value.
void sv_tune_restore(const f64 values[SV_TUNE_COUNT]);
// 1 when every ordering between tunables holds; else 0 with a warning record per broken one.
// Changes no value.
int sv_tune_check_constraints(void);
// Applies a JSON object of numbers or booleans as sv_tune_set_by_name does (wrong types warned and
// skipped); 1, or 0 with an error record when the text is not an object. label is unused.
int sv_tune_apply_json(const char* text, const char* label);
// Checks a tunables text against the defaults (records labelled with file), then puts the current
// values back and clears the context; returns sv_diag_finish().
int sv_tune_validate_text(const char* text, const char* file);
// Resets to the defaults and applies each mount's tunables file in mount order, then checks the
// constraints; 0 when a present file could not be read or used. Records what the base file names.
int sv_tune_load_packs(void);

// What the last sv_tune_load_packs found of the first mount's (the base pack's) tunables file:
// absent, present but unusable (the problem is already recorded), or read as an object.
enum sv_tune_base : u32 {
    SV_TUNE_BASE_ABSENT = 0,
    SV_TUNE_BASE_UNUSABLE = 1,
    SV_TUNE_BASE_READ = 2,
};
// The sv_tune_base state of the base pack's file as the last sv_tune_load_packs found it.
u32 sv_tune_base_file(void);
// 1 when that file names the tunable, whatever value it gives; 0 otherwise.
int sv_tune_base_names(u32 index);

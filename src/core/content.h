// Content definitions: the nine kinds that packs add on top of the tunables (Scions, Axioms,
// inclusions, elements, transforms, weapons, mobs, chests, statuses), their shared blocks, the
// enumerations with the names the JSON files use, and the read-only accessors.
//
// The tables are process-wide, filled by sv_content_load and read-only until the next load.
// A floor copies what it takes (body, actions, weapon, name), so no floor points in here.
#pragma once
#include "core/types.h"

struct cJSON;

#define SV_ACTIONS_MAX     4
#define SV_APPLIES_MAX     4
#define SV_ACTION_NAME_LEN 16
#define SV_APPLY_LABEL_LEN 24

// ---- Enumerations (values are what the JSON names index) ----

enum sv_rarity : u32 {
    SV_RARITY_COMMON = 0,
    SV_RARITY_UNCOMMON = 1,
    SV_RARITY_RARE = 2,
};

enum sv_weapon_slot : u32 {
    SV_SLOT_MELEE = 0,
    SV_SLOT_RANGED = 1,
};

enum sv_stat : u32 {
    SV_STAT_DAMAGE_TAKEN = 0,
    SV_STAT_DAMAGE_DEALT = 1,
    SV_STAT_WALK_SPEED = 2,
    SV_STAT_STAMINA_REGEN = 3,
    SV_STAT_HEALTH_RATE = 4,
};

enum sv_status_op : u32 {
    SV_OP_MULTIPLY = 0,
    SV_OP_ADD = 1,
};

enum sv_facet_set : u32 {
    SV_SET_MELEE = 0,
    SV_SET_RANGED = 1,
    SV_SET_SELF = 2,
};

enum sv_facet_restriction : u32 {
    SV_RESTRICT_MELEE = 0,
    SV_RESTRICT_RANGED = 1,
    SV_RESTRICT_WEAPON = 2,
    SV_RESTRICT_SELF = 3,
    SV_RESTRICT_ANY = 4,
};

enum sv_element_flavour : u32 {
    SV_FLAVOUR_GOOD = 0,
    SV_FLAVOUR_SITUATIONAL = 1,
    SV_FLAVOUR_COSTLY = 2,
};

enum sv_transform_kind : u32 {
    SV_TRANSFORM_HEAL = 0,
    SV_TRANSFORM_MAX_HP = 1,
    SV_TRANSFORM_BUFF = 2,
};

enum sv_mob_axis : u32 {
    SV_AXIS_UP = 0,
    SV_AXIS_FORWARD = 1,
    SV_AXIS_SIDE = 2,
};

enum sv_attack_kind : u32 {
    SV_ATTACK_NONE = 0,
    SV_ATTACK_MELEE = 1,
    SV_ATTACK_RANGED = 2,    // ranged primary: a hitscan ray
    SV_ATTACK_SECONDARY = 3, // ranged secondary: a projectile
};

// The name tables; the JSON readers match against these same arrays.
extern const char* const k_rarity_names[3];
extern const char* const k_slot_names[2];
extern const char* const k_modifies_names[5];
extern const char* const k_op_names[2];
extern const char* const k_set_names[3];
extern const char* const k_restriction_names[5];
extern const char* const k_flavour_names[3];
extern const char* const k_transform_names[3];
extern const char* const k_axis_names[3];

// ---- Shared blocks ----

// One resolved status application.
struct sv_apply {
    u32 key; // sv_status_key of the status id
    char label[SV_APPLY_LABEL_LEN];
    u8 modifies;   // sv_stat
    u8 op;         // sv_status_op
    u8 stacks;     // 1 when repeated applications add stacks
    u32 stack_cap; // 0 is no cap
    f32 magnitude;
    f32 duration; // seconds; 0 or less lasts until removed
};

struct sv_applies {
    sv_apply list[SV_APPLIES_MAX];
    u8 count;
};

// An applies entry as read, kept with its definition until the statuses are resolved.
// magnitude and duration are NaN when the entry gave no number.
struct sv_raw_apply {
    char* status;
    f64 magnitude;
    f64 duration;
};

struct sv_raw_list {
    sv_raw_apply* items;
    u32 count;
};

// One action of a Scion, Axiom or mob.
struct sv_action {
    char name[SV_ACTION_NAME_LEN];
    f32 damage;
    f32 from;  // metres, nearest player distance at which it may be chosen
    f32 reach; // metres, farthest such distance, and a melee blow's reach
    f32 draw;  // metres drawn back during the windup
    f32 lunge; // metres lunged forward at the end of the windup
    f32 arc;   // degrees; 0 means the tunable mob.strike_arc
    i8 sweep;  // +1 from the right, -1 from the left
    u8 when;   // player attack phase in which it may be chosen; 0 any
    f32 speed; // projectile speed; 0 makes a melee strike
    f32 windup;
    f32 active;
    f32 recovery;
    sv_applies applies;
};

// Shared by Scion, Axiom and mob definitions and copied into every floor mob.
struct sv_body {
    f32 hp;
    f32 speed;
    f32 turn;    // degrees per second
    f32 leash;   // mobs: -1 means the tunable mob.leash; bosses 0
    f32 give_up; // mobs: -1 means the tunable mob.give_up; bosses 0
    u8 action_count;
    sv_action* actions; // the definition's own list
};

struct sv_attack {
    u8 kind; // sv_attack_kind
    f32 damage;
    f32 windup;
    f32 active;
    f32 recovery;
    f32 range;
    f32 speed;
    u32 grit;    // always 0 for melee
    f32 stamina; // -1 means the stamina tunable of the attack
    sv_applies applies;
};

// A primary kind of 0 is no weapon.
struct sv_weapon {
    sv_attack primary;
    sv_attack secondary;
};

struct sv_grants {
    u8 present;
    u32 set; // sv_facet_set
    u32 count;
};

// ---- The nine definitions; id is "pack:name"; custom is compact JSON text or null ----

struct sv_scion_def {
    char* id;
    u32 mount; // the mount whose file supplied it, for diagnostics
    char* name;
    sv_body body;
    sv_raw_list raw[SV_ACTIONS_MAX]; // per action, in action order
    char* custom;
};

struct sv_axiom_def {
    char* id;
    u32 mount; // the mount whose file supplied it, for diagnostics
    char* name;
    char** scions;
    u32 scion_count;
    i32 depth_min;
    i32 depth_max; // 0 is no upper bound
    f64 weight;
    sv_body body;
    sv_raw_list raw[SV_ACTIONS_MAX];
    u32 faces; // 4, 6, 8, 12 or 20
    char* custom;
};

struct sv_inclusion_def {
    char* id;
    char* name;
    u32 rarity;
    u32 restriction;
    f64 weight;
    sv_grants grants;
    char* custom;
};

struct sv_element_def {
    char* id;
    char* name;
    u32 rarity;
    u32 flavour;
    f64 weight;
    sv_grants grants;
    char* custom;
};

struct sv_transform_def {
    char* id;
    char* name;
    u32 rarity;
    u32 kind;
    f64 weight;
    char* custom;
};

struct sv_weapon_def {
    char* id;
    u32 mount; // the mount whose file supplied it, for diagnostics
    char* name;
    u32 slot;
    i32 facets; // -1 when absent
    sv_weapon body;
    sv_raw_list raw_primary;
    sv_raw_list raw_secondary;
    char* custom;
};

struct sv_mob_def {
    char* id;
    u32 mount; // the mount whose file supplied it, for diagnostics
    char* name;
    i32 depth_min;
    i32 depth_max; // 0 is no upper bound
    f64 weight;
    u8 observer;
    sv_raw_list raw[SV_ACTIONS_MAX];
    sv_body body;
    u8 sides; // 3..8 except 4
    u8 axis;  // sv_mob_axis
    char* custom;
};

struct sv_chest_def {
    char* id;
    char* name;
    char* appearance;
    char* custom;
};

struct sv_status_def {
    char* id;
    char* name;
    sv_apply apply;
    char* custom;
};

// ---- Accessors: count, at (null past the end), find (whole-id match, null when none) ----

u64 sv_content_scion_count(void);
const sv_scion_def* sv_content_scion_at(u64 i);
const sv_scion_def* sv_content_scion_find(const char* id);

u64 sv_content_axiom_count(void);
const sv_axiom_def* sv_content_axiom_at(u64 i);
const sv_axiom_def* sv_content_axiom_find(const char* id);

u64 sv_content_inclusion_count(void);
const sv_inclusion_def* sv_content_inclusion_at(u64 i);
const sv_inclusion_def* sv_content_inclusion_find(const char* id);

u64 sv_content_element_count(void);
const sv_element_def* sv_content_element_at(u64 i);
const sv_element_def* sv_content_element_find(const char* id);

u64 sv_content_transform_count(void);
const sv_transform_def* sv_content_transform_at(u64 i);
const sv_transform_def* sv_content_transform_find(const char* id);

u64 sv_content_weapon_count(void);
const sv_weapon_def* sv_content_weapon_at(u64 i);
const sv_weapon_def* sv_content_weapon_find(const char* id);

u64 sv_content_mob_count(void);
const sv_mob_def* sv_content_mob_at(u64 i);
const sv_mob_def* sv_content_mob_find(const char* id);

u64 sv_content_chest_count(void);
const sv_chest_def* sv_content_chest_at(u64 i);
const sv_chest_def* sv_content_chest_find(const char* id);

u64 sv_content_status_count(void);
const sv_status_def* sv_content_status_at(u64 i);
const sv_status_def* sv_content_status_find(const char* id);

// ---- Predicates and names ----

// 1 when the Axiom may stand on floor depth: depth_min <= depth and (depth_max 0 or depth <=
// depth_max); 0 for a null Axiom.
i32 sv_content_axiom_admits(const sv_axiom_def* axiom, i32 depth);
// 1 when the Axiom lists scion_id among its Scions (exact match); 0 for a null argument.
i32 sv_content_axiom_claims(const sv_axiom_def* axiom, const char* scion_id);
// 1 when a facet with that restriction may sit in that set (weapon: melee or ranged; any: all);
// 0 for an unknown restriction.
i32 sv_facet_restriction_admits(u32 restriction, u32 set);

// The JSON name of each value, from the tables above; "?" for any value outside the table.
const char* sv_weapon_slot_name(u32 slot);
const char* sv_modifies_name(u32 stat);
const char* sv_facet_set_name(u32 set);
const char* sv_facet_restriction_name(u32 restriction);
const char* sv_element_flavour_name(u32 flavour);
const char* sv_transform_kind_name(u32 kind);

// 32-bit FNV-1a of the id; null or empty gives the offset basis 2166136261.
u32 sv_status_key(const char* id);

// ---- Loading ----

// A kind's reader of one entry that passed the loader's checks; the result is ignored.
typedef u64 (*sv_accept_fn)(const cJSON* entry, const char* id);

// The most entries of one kind a load hands to the readers, across every mount; a real pack
// holds a few hundred. What an entry keeps (definition, actions, copies) is a kilobyte at most.
#define SV_CONTENT_ENTRIES_MAX ((u64)1 << 17)

// The most bytes the definitions of one kind keep on the heap across every mount, counted as
// they are stored (strings, actions, lists, and each row's place in its table and index). Short
// text can cost forty times its size once read, so this, not the text, bounds what a load keeps:
// nine kinds at the bound and the transient cost of parsing one file stay well under a gigabyte.
// A real pack keeps well under a megabyte.
#define SV_CONTENT_KEPT_MAX ((u64)64 * 1024 * 1024)
// The most 'applies' entries one action or attack keeps as read; resolving uses the first
// SV_APPLIES_MAX that name a status, so this leaves room for ones that name none.
#define SV_APPLIES_READ_MAX 16
// The most Scion ids one Axiom keeps; a real Axiom lists two or three.
#define SV_AXIOM_SCIONS_MAX 256

// Rebuilds every table from every mount's content files; 1 when every file that exists was read
// and parsed with an array root. Entry-level problems go to the diagnostics store only.
i32 sv_content_load(void);
// Frees every definition; pointers from the accessors become invalid.
void sv_content_reset(void);
// 1 when the loaded pool serves the game's rules; problems are warnings in the store.
bool sv_content_check_pool(void);

// One generated floor: rooms and doors, the things that live on it during play,
// and the place graph of rooms and corridor pieces that the world walks through.
#pragma once
#include "core/arena.h"
#include "core/content.h"
#include "core/rng.h"
#include "core/types.h"

#define SV_FLOOR_CAPACITY_MAX 65534
#define SV_ROOM_DOORS         6
#define SV_FLOOR_SHOTS        16
#define SV_MOB_ACTIONS        4
#define SV_MOB_PATH           6
#define SV_MOB_NAME           32
#define SV_AFFLICTIONS        8

enum sv_door_kind : u32 {
    SV_DOOR_NORMAL = 0,
    SV_DOOR_SCION = 1,    // built locked; a Shard opens it
    SV_DOOR_AXIOM = 2,    // built locked; a Prism opens it
    SV_DOOR_SHORTCUT = 3, // named by the renderings; never generated
    SV_DOOR_EXIT = 4,     // no target; leads to the next floor
};

enum sv_room_tag : u8 {
    SV_TAG_SPAWN = 1,
    SV_TAG_FOUNTAIN = 2,
    SV_TAG_MONUMENT = 4,
    SV_TAG_SCION = 8,
    SV_TAG_GATE = 16,
    SV_TAG_AXIOM = 32,
    SV_TAG_PRISM = 64,
    SV_TAG_SHARD = 128,
};

// Tag masks shared across the system.
#define SV_TAGS_BOSS          ((u8)40)  // axiom or scion: rooms that seal
#define SV_TAGS_GATE_SCION    ((u8)24)  // scion and gate
#define SV_TAGS_NO_OBLIGATION ((u8)108) // prism, axiom, scion, monument
#define SV_TAGS_OCCUPIED      ((u8)111) // those and spawn, fountain
#define SV_TAGS_NO_MOBS       ((u8)47)  // spawn, fountain, monument, scion, axiom
#define SV_TAGS_KEYED         ((u8)100) // prism, axiom, monument
#define SV_TAGS_SHARD_AXIOM   ((u8)160) // shard, axiom
#define SV_TAGS_ARENA         ((u8)56)  // scion, gate, axiom: arena-scaled rooms
#define SV_TAGS_LANDMARK      ((u8)7)   // spawn, fountain, monument

enum sv_seal_state : u8 {
    SV_SEAL_SEALED = 1,  // a risen boss holds the room
    SV_SEAL_CLEARED = 2, // its boss is dead; the room never seals again
};

struct sv_door {
    u16 target; // 65535 for an exit door
    u8 back;    // reverse door's slot in the target; 255 none
    u32 kind;   // sv_door_kind
    u8 appearance;
    u8 locked;
};

struct sv_room {
    sv_door doors[SV_ROOM_DOORS];
    u8 door_count;
    u8 tags;
    u16 depth; // doors from the spawn room; 65535 unreachable or not computed
    f32 elevation;
    f32 radius_scale;
    u8 interior; // 255 bare
};

// One chest per room at most.
struct sv_chest {
    u16 room;
    u32 rarity;
    u8 locked;
    u8 opened;
};

// A status carried by an actor; the floor allocates each mob's list, so the record lives here.
struct sv_affliction {
    sv_apply status;
    u32 stacks;
    u32 ticks_left;
    u8 permanent;
};

struct sv_afflictions {
    sv_affliction items[SV_AFFLICTIONS];
    u8 count;
};

struct sv_mob {
    u16 place;
    f32 x, z, y;
    f32 vy;
    u8 airborne, settled;
    f32 yaw;
    f32 hp;
    sv_body body; // actions re-copied into the floor's arena
    u8 action;
    f32 lunge_used;
    u8 phase;
    u32 phase_ticks;
    u8 blow_landed;
    u8 boss;
    u8 waiting;
    u8 alerted;
    u16 seen_place;
    f32 seen_x, seen_z;
    f32 waypoint_x, waypoint_z;
    f32 path_target_x, path_target_z;
    f32 path_x[SV_MOB_PATH];
    f32 path_z[SV_MOB_PATH];
    u8 path_count, path_index;
    u16 path_place;
    u16 path_age, stuck_ticks;
    f32 home_x, home_z;
    u16 home_place;
    u8 returning;
    f32 way_length;
    u16 way_age;
    u64 kind; // kind byte, shape byte, axis byte, Scion key in the high word
    char name[SV_MOB_NAME];
    sv_afflictions* afflictions;
};

struct sv_shot {
    u16 place;
    f32 x, y, z;
    f32 dir_x, dir_y, dir_z;
    f32 speed;
    f32 damage;
    sv_applies applies;
    u32 life_ticks;
    u8 live;
    u8 hostile; // 1 a mob's shot, 0 the player's
};

enum sv_piece_kind : u8 {
    SV_PIECE_STRAIGHT = 0,
    SV_PIECE_BEND = 1,
    SV_PIECE_STEP = 2,
};

struct sv_passage_piece {
    f32 length;
    u8 kind; // sv_piece_kind
    i8 turn; // +1 or -1 on a bend
};

struct sv_passage {
    u16 room_a;
    u16 room_b;
    u8 door_a;
    u8 door_b;
    u16 first_place;
    u16 piece_count;
    f32 width;
    sv_passage_piece* pieces; // from end A to end B
};

// Rooms first, then every corridor piece; 65535 none.
typedef u16 sv_place;

struct sv_floor {
    sv_arena arena;
    sv_room* rooms;
    u16 room_count;
    u16 capacity;
    u16 floor_number;
    u64 seed;
    u32 serial;
    u64* visited;
    u16 visited_count;
    u8* taken;
    u8* seal;
    sv_chest* chests;
    u16 chest_count;
    sv_mob* mobs; // null until the first mob is added; then mob_capacity entries
    u16 mob_count;
    u16 mob_capacity;
    u16 boss_mob;
    sv_rng tenacity;
    sv_shot* shots; // null until the first shot; then SV_FLOOR_SHOTS entries
    u8 shots_used;
    u16 weapon_room[2];
    sv_weapon weapons[2];
    u8 weapon_taken[2];
    sv_passage* passages; // null until the first passage; then passage_capacity entries
    u16 passage_count;
    u16 passage_capacity;
    u16 place_count;
};

// Sizing.
f64 sv_floor_min_size(u16 floor);
f64 sv_floor_target_size(u16 floor);
i32 sv_floor_max_degree(void);
i32 sv_gen_capacity_for(u16 floor);

// Lifecycle.
// An empty floor for 1..65534 rooms (anything else panics): one arena block of about 150 bytes a
// room, opens the tenacity stream. Mob, shot and passage tables are taken on first use.
void sv_floor_init(sv_floor* floor, u16 floor_number, u64 seed, u16 capacity);
void sv_floor_free(sv_floor* floor);

// Rooms and tags.
i32 sv_floor_add_room(sv_floor* floor, u8 tags);
bool sv_floor_room_valid(const sv_floor* floor, u16 room);
sv_room* sv_floor_room(sv_floor* floor, u16 room);
const sv_room* sv_floor_room_const(const sv_floor* floor, u16 room);
i32 sv_floor_room_has(const sv_floor* floor, u16 room, u8 bits);
void sv_floor_room_tag(sv_floor* floor, u16 room, u8 bits);
void sv_floor_room_untag(sv_floor* floor, u16 room, u8 bits);
i32 sv_floor_find(const sv_floor* floor, u8 bits);
u64 sv_floor_count_tagged(const sv_floor* floor, u8 bits);
const char* sv_room_tag_name(u8 bit);

// Doors.
i32 sv_floor_add_door(sv_floor* floor, u16 room, u16 target, u8 back, u32 kind);
i32 sv_floor_link(sv_floor* floor, u16 a, u16 b, u32 kind);
i32 sv_floor_link_self(sv_floor* floor, u16 room);
bool sv_floor_retarget(sv_floor* floor, u16 room, u8 door, u16 target, u8 back);
i32 sv_floor_traverse(const sv_floor* floor, u16 room, u8 door);
sv_door* sv_floor_door(sv_floor* floor, u16 room, u8 door);
const sv_door* sv_floor_door_const(const sv_floor* floor, u16 room, u8 door);

// Chests.
i32 sv_floor_add_chest(sv_floor* floor, u16 room, u32 rarity, u32 key);
i32 sv_chest_locks(u32 rarity, u32 key);
sv_chest* sv_floor_chest_in_mut(sv_floor* floor, u16 room);
const sv_chest* sv_floor_chest_in(const sv_floor* floor, u16 room);
u64 sv_floor_count_chests(const sv_floor* floor, u32 rarity);

// Mobs.
i32 sv_floor_add_mob(sv_floor* floor, u16 place, f32 x, f32 z, f32 yaw, const sv_body* body,
                     u64 kind, const char* name, u8 boss);
sv_mob* sv_floor_mob(sv_floor* floor, u16 index);
const sv_mob* sv_floor_mob_const(const sv_floor* floor, u16 index);
sv_mob* sv_floor_boss_in(sv_floor* floor, u16 place);
u32 sv_floor_stand_waiting(sv_floor* floor, u16 place);
i32 sv_floor_kill_mob(sv_floor* floor, u16 index);
u32 sv_floor_mobs_in(const sv_floor* floor, u16 place);
u32 sv_floor_mobs_alive_in(const sv_floor* floor, u16 place);

// Shots.
sv_shot* sv_floor_add_shot(sv_floor* floor, u16 place, f32 x, f32 y, f32 z, f32 dir_x, f32 dir_y,
                           f32 dir_z, f32 speed, f32 damage, const sv_applies* applies,
                           u32 life_ticks, u8 hostile);
u32 sv_floor_shots_live_in(const sv_floor* floor, u16 place);

// Weapon spots, by sv_weapon_slot.
void sv_floor_place_weapon(sv_floor* floor, u32 slot, u16 room);
bool sv_floor_stock_weapon(sv_floor* floor, u32 slot, const sv_weapon* weapon);
i32 sv_floor_weapon_in(const sv_floor* floor, u16 room);
bool sv_floor_take_weapon(sv_floor* floor, u32 slot);

// Per-room play state.
i32 sv_floor_visit(sv_floor* floor, u16 room);
i32 sv_floor_visited(const sv_floor* floor, u16 room);
u16 sv_floor_visited_count(const sv_floor* floor);
u16 sv_floor_generated_count(const sv_floor* floor);
void sv_floor_clear_visited(sv_floor* floor);
u8 sv_floor_take(sv_floor* floor, u16 room, u8 bits);
u8 sv_floor_taken(const sv_floor* floor, u16 room);
i32 sv_floor_seal(sv_floor* floor, u16 room);
void sv_floor_unseal(sv_floor* floor, u16 room);
u8 sv_floor_seal_state(const sv_floor* floor, u16 room);

// Passages and the place graph.
i32 sv_floor_add_passage(sv_floor* floor, const sv_passage* templ, u16 piece_count);
i32 sv_floor_passage_of(const sv_floor* floor, u16 room, u8 door);
i32 sv_floor_place_valid(const sv_floor* floor, u16 place);
i32 sv_floor_place_piece(const sv_floor* floor, u16 place, u16* passage, u16* piece);
// Doors of a place: a room's door count (at most 6), 2 for a corridor piece, 0 for no place.
u8 sv_floor_place_doors(const sv_floor* floor, u16 place);
u64 sv_floor_place_next(const sv_floor* floor, u16 place, u8 door, u16* next, u8* entry,
                        u16* from_room, u8* from_door);
i32 sv_floor_fogged(const sv_floor* floor, u16 place, u8 door);
// Door distances from one room over every door into a room, locked ones included; 65535 for
// rooms not reached (all of them when from is not a room). out holds room_count entries; the
// queue is scratch from the floor's arena.
void sv_floor_distances(const sv_floor* floor, u16 from, u16* out);
void sv_floor_compute_depths(sv_floor* floor, u16 start);
// Crosses every door: pass as skip_kind to sv_floor_reach.
#define SV_CROSS_ALL 0xffffffffu
// Rooms reachable from spawn (room 0) over doors into rooms: seen[r] becomes 1 when reached, 0
// when not, for room_count entries. Doors of kind skip_kind are not crossed, nor is any door into
// the room avoid (SV_NONE16 avoids none; avoiding room 0 reaches nothing). O(rooms + doors); the
// queue is scratch from the floor's arena.
void sv_floor_reach(const sv_floor* floor, u32 skip_kind, u16 avoid, u8* seen);
i32 sv_door_appearance_for(u64 seed, u16 room_a, u8 door_a, u16 room_b, u8 door_b);
void sv_floor_assign_appearances(sv_floor* floor);

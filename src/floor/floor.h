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
    // With the passages: for each room door (capacity * SV_ROOM_DOORS, room-major) the first
    // passage in table order ending there, 65535 none. Kept by sv_floor_add_passage, the only
    // writer of passage ends, so it always agrees with a scan of the table.
    u16* door_passage;
    // With the passages: each corridor piece's passage by place id (rooms' entries 65535),
    // place_passage_size entries, regrown from the arena as passages are added.
    u16* place_passage;
    u32 place_passage_size;
};

// Sizing.
// Smallest room count wanted on floor: floor.size_min_first on floors 0 and 1, else
// floor.size_min. No draws.
f64 sv_floor_min_size(u16 floor);
// Room count aimed at on floor: the growth curve, raised to the minimum (unless that exceeds
// floor.size_max) and capped at floor.size_max. No draws.
f64 sv_floor_target_size(u16 floor);
// Most doors a generated room gets: floor.max_degree clamped to 2..SV_ROOM_DOORS.
i32 sv_floor_max_degree(void);
// Rooms to size floor's table for: the larger of its minimum and floor.size_max, truncated and
// capped at SV_FLOOR_CAPACITY_MAX.
i32 sv_gen_capacity_for(u16 floor);

// Lifecycle.
// An empty floor for 1..65534 rooms (anything else panics): one arena block of about 150 bytes a
// room, opens the tenacity stream. Mob, shot and passage tables are taken on first use.
void sv_floor_init(sv_floor* floor, u16 floor_number, u64 seed, u16 capacity);
// Frees the floor's arena and clears every table pointer and count; nothing for null.
void sv_floor_free(sv_floor* floor);

// Rooms and tags.
// Adds a room with tags, no doors, depth 65535: returns its index; -1 for a null floor or a full
// table, nothing changed then.
i32 sv_floor_add_room(sv_floor* floor, u8 tags);
// Whether floor is not null and room is below its room count.
bool sv_floor_room_valid(const sv_floor* floor, u16 room);
// The room's record; null for an invalid room.
sv_room* sv_floor_room(sv_floor* floor, u16 room);
// The room's record; null for an invalid room.
const sv_room* sv_floor_room_const(const sv_floor* floor, u16 room);
// 1 when the room carries every one of bits, else 0 (also for an invalid room).
i32 sv_floor_room_has(const sv_floor* floor, u16 room, u8 bits);
// Adds bits to the room's tags; nothing for an invalid room.
void sv_floor_room_tag(sv_floor* floor, u16 room, u8 bits);
// Removes bits from the room's tags; nothing for an invalid room.
void sv_floor_room_untag(sv_floor* floor, u16 room, u8 bits);
// The lowest room carrying every one of bits; -1 for none or a null floor.
i32 sv_floor_find(const sv_floor* floor, u8 bits);
// Rooms carrying every one of bits; 0 for a null floor.
u64 sv_floor_count_tagged(const sv_floor* floor, u8 bits);
// The name of one tag bit, "spawn" to "prism"; "?" for anything else (the Shard bit included).
const char* sv_room_tag_name(u8 bit);

// Doors.
// Adds a door to room (an exit gets no target, no back; Scion and Axiom doors come locked):
// returns its slot; -1 with nothing changed for an invalid room or one with six doors.
i32 sv_floor_add_door(sv_floor* floor, u16 room, u16 target, u8 back, u32 kind);
// Adds a door of kind to a and to b, each the other's back: 1; 0 with nothing changed when a is
// b, either room is invalid or either has six doors.
i32 sv_floor_link(sv_floor* floor, u16 a, u16 b, u32 kind);
// Adds a pair of normal doors from room into itself, each the other's back: 1; 0 with nothing
// changed for an invalid room or fewer than two free slots.
i32 sv_floor_link_self(sv_floor* floor, u16 room);
// Points an existing door at target (a room or 65535) with back: true; false with nothing
// changed for an invalid room, a door past its count or a target that is no room.
bool sv_floor_retarget(sv_floor* floor, u16 room, u8 door, u16 target, u8 back);
// The door's target (65535 for an exit); -1 for an invalid room or a door past its count.
i32 sv_floor_traverse(const sv_floor* floor, u16 room, u8 door);
// Any of the room's six door slots, unused ones included; null for an invalid room or slot.
sv_door* sv_floor_door(sv_floor* floor, u16 room, u8 door);
// Any of the room's six door slots, unused ones included; null for an invalid room or slot.
const sv_door* sv_floor_door_const(const sv_floor* floor, u16 room, u8 door);

// Chests.
// Puts a chest of rarity 0..2 in room, locked when sv_chest_locks says so: 1; 0 with nothing
// changed for an invalid room, rarity or key, a room that has a chest, or a full table.
i32 sv_floor_add_chest(sv_floor* floor, u16 room, u32 rarity, u32 key);
// 1 when a chest of rarity with key is locked (rarity + key = 2), else 0.
i32 sv_chest_locks(u32 rarity, u32 key);
// The chest in room; null for none or a null floor.
sv_chest* sv_floor_chest_in_mut(sv_floor* floor, u16 room);
// The chest in room; null for none or a null floor.
const sv_chest* sv_floor_chest_in(const sv_floor* floor, u16 room);
// Chests of rarity on the floor; 0 for a null floor.
u64 sv_floor_count_chests(const sv_floor* floor, u32 rarity);

// Mobs.
// Adds a mob at (x, z) in place, copying body and up to 4 actions into the arena (the mob table
// too, on first use): returns its index; -1 with nothing changed for an invalid place, a full
// table, or a null or lifeless body.
i32 sv_floor_add_mob(sv_floor* floor, u16 place, f32 x, f32 z, f32 yaw, const sv_body* body,
                     u64 kind, const char* name, u8 boss);
// The mob at index; null past the mob count or for a null floor.
sv_mob* sv_floor_mob(sv_floor* floor, u16 index);
// The mob at index; null past the mob count or for a null floor.
const sv_mob* sv_floor_mob_const(const sv_floor* floor, u16 index);
// The first living boss in place; null for none.
sv_mob* sv_floor_boss_in(sv_floor* floor, u16 place);
// Wakes every living waiting mob in place: returns how many; changes nothing else.
u32 sv_floor_stand_waiting(sv_floor* floor, u16 place);
// Sets the mob's hp to 0 and clears its phase; a boss also clears its room's seal. Returns the
// boss flag for a boss, 1 for another mob, 0 for no mob at index.
i32 sv_floor_kill_mob(sv_floor* floor, u16 index);
// Mobs in place, dead ones included; 0 for a null floor.
u32 sv_floor_mobs_in(const sv_floor* floor, u16 place);
// Living mobs in place; 0 for a null floor.
u32 sv_floor_mobs_alive_in(const sv_floor* floor, u16 place);

// Shots.
// A live shot in place, in the first dead slot, else a new one (the table taken on first use),
// else slot 0 overwritten; null with nothing changed for an invalid place.
sv_shot* sv_floor_add_shot(sv_floor* floor, u16 place, f32 x, f32 y, f32 z, f32 dir_x, f32 dir_y,
                           f32 dir_z, f32 speed, f32 damage, const sv_applies* applies,
                           u32 life_ticks, u8 hostile);
// Live shots in place; 0 before the first shot.
u32 sv_floor_shots_live_in(const sv_floor* floor, u16 place);

// Weapon spots, by sv_weapon_slot.
// Puts weapon spot slot (0 or 1) in room (65535 when room is invalid), emptied and not taken;
// nothing for another slot.
void sv_floor_place_weapon(sv_floor* floor, u32 slot, u16 room);
// Copies weapon into a placed spot: true; false with nothing changed for an unplaced spot, a
// slot past 1, or a null weapon or one of no kind.
bool sv_floor_stock_weapon(sv_floor* floor, u32 slot, const sv_weapon* weapon);
// The slot of a stocked, untaken weapon in room; -1 for none.
i32 sv_floor_weapon_in(const sv_floor* floor, u16 room);
// Marks a placed spot taken: true; false with nothing changed when unplaced, taken or past 1.
bool sv_floor_take_weapon(sv_floor* floor, u32 slot);

// Per-room play state.
// Marks room visited: 1 when it was not before; 0 with nothing changed otherwise or when invalid.
i32 sv_floor_visit(sv_floor* floor, u16 room);
// 1 when room has been visited; 0 otherwise or for an invalid room.
i32 sv_floor_visited(const sv_floor* floor, u16 room);
// Rooms visited; 0 for a null floor.
u16 sv_floor_visited_count(const sv_floor* floor);
// The room count; 0 for a null floor.
u16 sv_floor_generated_count(const sv_floor* floor);
// Marks every room unvisited and the count 0.
void sv_floor_clear_visited(sv_floor* floor);
// Marks the bits of room's tags that are in bits taken: returns those not taken before; 0 with
// nothing changed for an invalid room.
u8 sv_floor_take(sv_floor* floor, u16 room, u8 bits);
// The room's taken bits; 0 for an invalid room.
u8 sv_floor_taken(const sv_floor* floor, u16 room);
// Seals a boss room (Axiom or Scion) not yet cleared that holds a living boss: returns that
// boss's flag; 0 with nothing changed otherwise.
i32 sv_floor_seal(sv_floor* floor, u16 room);
// Marks room cleared, so it never seals again; nothing for an invalid room.
void sv_floor_unseal(sv_floor* floor, u16 room);
// The room's sv_seal_state bits; 0 for an invalid room.
u8 sv_floor_seal_state(const sv_floor* floor, u16 room);

// Passages and the place graph.
// Adds a passage copied from templ's ends and width, its piece_count pieces zeroed and numbered
// after every place so far: returns its index; -1 with nothing changed for a null argument, no
// pieces, a full table or place ids past 65534.
i32 sv_floor_add_passage(sv_floor* floor, const sv_passage* templ, u16 piece_count);
// The passage ending at room's door; -1 for none.
i32 sv_floor_passage_of(const sv_floor* floor, u16 room, u8 door);
// 1 when place is a room or a corridor piece of the floor, else 0.
i32 sv_floor_place_valid(const sv_floor* floor, u16 place);
// 1 with the passage and piece index of corridor piece place written to the outs not null; 0
// with nothing written when place is no corridor piece.
i32 sv_floor_place_piece(const sv_floor* floor, u16 place, u16* passage, u16* piece);
// Doors of a place: a room's door count (at most 6), 2 for a corridor piece, 0 for no place.
u8 sv_floor_place_doors(const sv_floor* floor, u16 place);
// The place through door of place (pieces: 0 back towards end A, 1 on towards B): 1 with it and
// its entry door written; 0 for none (an exit, a door past the count). Stepping into a room,
// from_room and from_door get the room and door the way into it left from; else 65535 and 0.
u64 sv_floor_place_next(const sv_floor* floor, u16 place, u8 door, u16* next, u8* entry,
                        u16* from_room, u8* from_door);
// The place through each door of place, as sv_floor_place_next gives it (65535 where a door leads
// nowhere), with one look-up of a corridor piece for both its doors: nexts takes
// sv_floor_place_doors(floor, place) entries, the count returned.
u8 sv_floor_place_nexts(const sv_floor* floor, u16 place, u16* nexts);
// Whether door of place is drawn closed: a risen boss in the room (its boss flag), an exit door
// (1), or a risen boss in the room beyond (1); else 0.
i32 sv_floor_fogged(const sv_floor* floor, u16 place, u8 door);

// The living bosses' fog by place, gathered in one pass over the mobs for a run of fog questions
// while no mob changes (a route search). More boss places than it holds set full, and the
// questions about places not in it then scan the mobs as sv_floor_fogged does.
#define SV_FOG_BOSSES 8
struct sv_fog_table {
    u16 count;
    u8 full;
    u16 place[SV_FOG_BOSSES];
    i32 fog[SV_FOG_BOSSES]; // the first living boss's in mob order: 0 waiting, else its boss flag
};
// Fills table from the floor's mobs as they are now. No draws.
void sv_floor_fog_gather(const sv_floor* floor, sv_fog_table* table);
// sv_floor_fogged answered from table (gathered since the mobs last changed); null table scans.
i32 sv_floor_fogged_by(const sv_floor* floor, const sv_fog_table* table, u16 place, u8 door);
// sv_floor_fogged_by for a caller that already asked sv_floor_place_next about the door: leads is
// what it returned and next the place it gave. No draws.
i32 sv_floor_fogged_beyond(const sv_floor* floor, const sv_fog_table* table, u16 place, u8 door,
                           u64 leads, u16 next);
// Door distances from one room over every door into a room, locked ones included; 65535 for
// rooms not reached (all of them when from is not a room). out holds room_count entries; the
// queue is scratch from the floor's arena.
void sv_floor_distances(const sv_floor* floor, u16 from, u16* out);
// Writes every room's depth: its door distance from start, 65535 when not reached.
void sv_floor_compute_depths(sv_floor* floor, u16 start);
// Crosses every door: pass as skip_kind to sv_floor_reach.
#define SV_CROSS_ALL 0xffffffffu
// Rooms reachable from spawn (room 0) over doors into rooms: seen[r] becomes 1 when reached, 0
// when not, for room_count entries. Doors of kind skip_kind are not crossed, nor is any door into
// the room avoid (SV_NONE16 avoids none; avoiding room 0 reaches nothing). O(rooms + doors); the
// queue is scratch from the floor's arena.
void sv_floor_reach(const sv_floor* floor, u32 skip_kind, u16 avoid, u8* seen);
// The appearance 0..7 of the door pair joining (room_a, door_a) and (room_b, door_b): a hash of
// seed and the pair, the same from either side. No draws.
i32 sv_door_appearance_for(u64 seed, u16 room_a, u8 door_a, u16 room_b, u8 door_b);
// Sets every door with a target its appearance from the floor's seed; exit doors are left alone.
void sv_floor_assign_appearances(sv_floor* floor);

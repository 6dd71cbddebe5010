#include "floor/floor.h"

#include <cmath>
#include <cstring>

#include "core/growth.h"
#include "core/panic.h"
#include "core/tune.h"

// Every floor initialised in this process gets the next serial, so holders can tell floors apart.
static u32 g_serial = 0;

static const char* const k_tag_names[7]
    = {"spawn", "fountain", "monument", "scion", "gate", "axiom", "prism"};

// ---- Sizing ----

f64 sv_floor_min_size(u16 floor)
{
    return floor < 2 ? sv_tune(SV_TUNE_FLOOR_SIZE_MIN_FIRST) : sv_tune(SV_TUNE_FLOOR_SIZE_MIN);
}

f64 sv_floor_target_size(u16 floor)
{
    f64 max = sv_tune(SV_TUNE_FLOOR_SIZE_MAX);
    f64 g = sv_growth_eval((u32)sv_tune_i32(SV_TUNE_FLOOR_SIZE_GROWTH),
                           sv_tune(SV_TUNE_FLOOR_SIZE_BASE),
                           sv_tune(SV_TUNE_FLOOR_SIZE_GROWTH_RATE), floor);
    f64 m = sv_floor_min_size(floor);
    f64 low = m < max ? m : max;
    f64 r = g > low ? g : low;
    return r < max ? r : max;
}

i32 sv_floor_max_degree(void)
{
    u32 d = sv_tune_u32(SV_TUNE_FLOOR_MAX_DEGREE);
    if (d < 2)
        return 2;
    if (d > SV_ROOM_DOORS)
        return SV_ROOM_DOORS;
    return (i32)d;
}

i32 sv_gen_capacity_for(u16 floor)
{
    f64 m = sv_floor_min_size(floor);
    f64 s = sv_tune(SV_TUNE_FLOOR_SIZE_MAX);
    f64 c = m > s ? m : s;
    if (c > SV_FLOOR_CAPACITY_MAX)
        c = SV_FLOOR_CAPACITY_MAX;
    return (i32)std::trunc(c);
}

// ---- Lifecycle ----

static void clear_record(sv_floor* floor)
{
    floor->rooms = nullptr;
    floor->room_count = 0;
    floor->capacity = 0;
    floor->visited = nullptr;
    floor->visited_count = 0;
    floor->taken = nullptr;
    floor->seal = nullptr;
    floor->chests = nullptr;
    floor->chest_count = 0;
    floor->mobs = nullptr;
    floor->mob_count = 0;
    floor->mob_capacity = 0;
    floor->boss_mob = SV_NONE16;
    floor->shots = nullptr;
    floor->shots_used = 0;
    for (int i = 0; i < 2; ++i) {
        floor->weapon_room[i] = SV_NONE16;
        std::memset(&floor->weapons[i], 0, sizeof floor->weapons[i]);
        floor->weapon_taken[i] = 0;
    }
    floor->passages = nullptr;
    floor->passage_count = 0;
    floor->passage_capacity = 0;
    floor->place_count = 0;
    floor->door_passage = nullptr;
    floor->place_passage = nullptr;
    floor->place_passage_size = 0;
}

void sv_floor_init(sv_floor* floor, u16 floor_number, u64 seed, u16 capacity)
{
    if (capacity < 1 || capacity > SV_FLOOR_CAPACITY_MAX)
        sv_panic("floor: capacity %u out of range (1..%u)", (unsigned)capacity,
                 (unsigned)SV_FLOOR_CAPACITY_MAX);

    // One block holds the rooms, the per-room state and generation's scratch (about 16 bytes a
    // room at its peak); the mob, shot and passage tables come later, when the first is added,
    // so a floor that is only generated never pays for them.
    sv_arena_init(&floor->arena, (u64)capacity * (sizeof(sv_room) + 64) + 4096);
    floor->rooms = sv_arena_new_array<sv_room>(&floor->arena, capacity);
    floor->room_count = 0;
    floor->capacity = capacity;
    floor->seed = seed;
    floor->floor_number = floor_number;
    floor->serial = ++g_serial;
    sv_rng_open(&floor->tenacity, seed, floor_number, SV_STREAM_TENACITY);

    floor->visited = sv_arena_new_array<u64>(&floor->arena, ((u64)capacity + 63) / 64);
    floor->visited_count = 0;
    floor->taken = sv_arena_new_array<u8>(&floor->arena, capacity);
    floor->seal = sv_arena_new_array<u8>(&floor->arena, capacity);
    floor->chests = sv_arena_new_array<sv_chest>(&floor->arena, capacity);
    floor->chest_count = 0;

    u32 mobs = 4u * capacity;
    floor->mobs = nullptr;
    floor->mob_capacity = (u16)(mobs > SV_FLOOR_CAPACITY_MAX ? SV_FLOOR_CAPACITY_MAX : mobs);
    floor->mob_count = 0;
    floor->boss_mob = SV_NONE16;

    floor->shots = nullptr;
    floor->shots_used = 0;
    for (int i = 0; i < 2; ++i) {
        std::memset(&floor->weapons[i], 0, sizeof floor->weapons[i]);
        floor->weapon_room[i] = SV_NONE16;
        floor->weapon_taken[i] = 0;
    }

    u32 passages = (u32)capacity + capacity / 4u + 4u;
    floor->passages = nullptr;
    floor->passage_capacity
        = (u16)(passages > SV_FLOOR_CAPACITY_MAX ? SV_FLOOR_CAPACITY_MAX : passages);
    floor->passage_count = 0;
    floor->place_count = 0;
    floor->door_passage = nullptr;
    floor->place_passage = nullptr;
    floor->place_passage_size = 0;
}

void sv_floor_free(sv_floor* floor)
{
    if (!floor)
        return;
    sv_arena_free(&floor->arena);
    clear_record(floor);
}

// ---- Rooms and tags ----

static void blank_door(sv_door* door)
{
    door->target = SV_NONE16;
    door->back = SV_NONE8;
    door->kind = SV_DOOR_NORMAL;
    door->appearance = 0;
    door->locked = 0;
}

i32 sv_floor_add_room(sv_floor* floor, u8 tags)
{
    if (!floor || floor->room_count >= floor->capacity)
        return -1;
    u16 index = floor->room_count;
    sv_room* room = &floor->rooms[index];
    for (int i = 0; i < SV_ROOM_DOORS; ++i)
        blank_door(&room->doors[i]);
    room->door_count = 0;
    room->tags = tags;
    room->depth = SV_NONE16;
    room->elevation = 0.0f;
    room->radius_scale = 1.0f;
    room->interior = SV_NONE8;
    floor->room_count = (u16)(index + 1);
    return index;
}

bool sv_floor_room_valid(const sv_floor* floor, u16 room)
{
    return floor && room < floor->room_count;
}

sv_room* sv_floor_room(sv_floor* floor, u16 room)
{
    return sv_floor_room_valid(floor, room) ? &floor->rooms[room] : nullptr;
}

const sv_room* sv_floor_room_const(const sv_floor* floor, u16 room)
{
    return sv_floor_room_valid(floor, room) ? &floor->rooms[room] : nullptr;
}

i32 sv_floor_room_has(const sv_floor* floor, u16 room, u8 bits)
{
    const sv_room* r = sv_floor_room_const(floor, room);
    return r && (r->tags & bits) == bits ? 1 : 0;
}

void sv_floor_room_tag(sv_floor* floor, u16 room, u8 bits)
{
    sv_room* r = sv_floor_room(floor, room);
    if (r)
        r->tags = (u8)(r->tags | bits);
}

void sv_floor_room_untag(sv_floor* floor, u16 room, u8 bits)
{
    sv_room* r = sv_floor_room(floor, room);
    if (r)
        r->tags = (u8)(r->tags & ~bits);
}

i32 sv_floor_find(const sv_floor* floor, u8 bits)
{
    if (!floor)
        return -1;
    for (u16 i = 0; i < floor->room_count; ++i)
        if ((floor->rooms[i].tags & bits) == bits)
            return i;
    return -1;
}

u64 sv_floor_count_tagged(const sv_floor* floor, u8 bits)
{
    if (!floor)
        return 0;
    u64 n = 0;
    for (u16 i = 0; i < floor->room_count; ++i)
        if ((floor->rooms[i].tags & bits) == bits)
            ++n;
    return n;
}

const char* sv_room_tag_name(u8 bit)
{
    for (int i = 0; i < 7; ++i)
        if (bit == (1u << i))
            return k_tag_names[i];
    return "?";
}

// ---- Doors ----

static u8 locks_for(u32 kind)
{
    return kind == SV_DOOR_SCION || kind == SV_DOOR_AXIOM ? 1 : 0;
}

static void write_door(sv_room* room, u16 target, u8 back, u32 kind)
{
    sv_door* door = &room->doors[room->door_count];
    door->target = target;
    door->back = back;
    door->kind = kind;
    door->locked = locks_for(kind);
    room->door_count = (u8)(room->door_count + 1);
}

i32 sv_floor_add_door(sv_floor* floor, u16 room, u16 target, u8 back, u32 kind)
{
    sv_room* r = sv_floor_room(floor, room);
    if (!r || r->door_count >= SV_ROOM_DOORS)
        return -1;
    i32 slot = r->door_count;
    // An exit leads off the floor, never into a room.
    if (kind == SV_DOOR_EXIT) {
        target = SV_NONE16;
        back = SV_NONE8;
    }
    write_door(r, target, back, kind);
    return slot;
}

i32 sv_floor_link(sv_floor* floor, u16 a, u16 b, u32 kind)
{
    // A room linked to itself would take two slots with backs that do not pair up;
    // only sv_floor_link_self makes such a door pair.
    if (a == b)
        return 0;
    sv_room* ra = sv_floor_room(floor, a);
    sv_room* rb = sv_floor_room(floor, b);
    if (!ra || !rb || ra->door_count >= SV_ROOM_DOORS || rb->door_count >= SV_ROOM_DOORS)
        return 0;
    u8 ia = ra->door_count;
    u8 ib = rb->door_count;
    write_door(ra, b, ib, kind);
    write_door(rb, a, ia, kind);
    return 1;
}

i32 sv_floor_link_self(sv_floor* floor, u16 room)
{
    sv_room* r = sv_floor_room(floor, room);
    if (!r || r->door_count > SV_ROOM_DOORS - 2)
        return 0;
    u8 i = r->door_count;
    write_door(r, room, (u8)(i + 1), SV_DOOR_NORMAL);
    write_door(r, room, i, SV_DOOR_NORMAL);
    return 1;
}

bool sv_floor_retarget(sv_floor* floor, u16 room, u8 door, u16 target, u8 back)
{
    sv_room* r = sv_floor_room(floor, room);
    if (!r || door >= SV_ROOM_DOORS || door >= r->door_count)
        return false;
    if (target != SV_NONE16 && target >= floor->room_count)
        return false;
    r->doors[door].target = target;
    r->doors[door].back = back;
    return true;
}

i32 sv_floor_traverse(const sv_floor* floor, u16 room, u8 door)
{
    const sv_room* r = sv_floor_room_const(floor, room);
    if (!r || door >= SV_ROOM_DOORS || door >= r->door_count)
        return -1;
    return r->doors[door].target;
}

sv_door* sv_floor_door(sv_floor* floor, u16 room, u8 door)
{
    sv_room* r = sv_floor_room(floor, room);
    if (!r || door >= SV_ROOM_DOORS)
        return nullptr;
    return &r->doors[door];
}

const sv_door* sv_floor_door_const(const sv_floor* floor, u16 room, u8 door)
{
    const sv_room* r = sv_floor_room_const(floor, room);
    if (!r || door >= SV_ROOM_DOORS)
        return nullptr;
    return &r->doors[door];
}

// Chests, mobs, shots, weapon spots and the per-room play state of a floor.
#include <cstring>

#include "floor/floor.h"

// ---- Chests ----

i32 sv_chest_locks(u32 rarity, u32 key)
{
    return rarity + key == 2 ? 1 : 0;
}

i32 sv_floor_add_chest(sv_floor* floor, u16 room, u32 rarity, u32 key)
{
    if (!sv_floor_room_valid(floor, room) || floor->chest_count >= floor->capacity)
        return 0;
    if (rarity > 2 || key > 2 || sv_floor_chest_in(floor, room))
        return 0;
    sv_chest* chest = &floor->chests[floor->chest_count++];
    chest->room = room;
    chest->rarity = rarity;
    chest->locked = (u8)sv_chest_locks(rarity, key);
    chest->opened = 0;
    return 1;
}

const sv_chest* sv_floor_chest_in(const sv_floor* floor, u16 room)
{
    if (!floor)
        return nullptr;
    for (u16 i = 0; i < floor->chest_count; ++i)
        if (floor->chests[i].room == room)
            return &floor->chests[i];
    return nullptr;
}

sv_chest* sv_floor_chest_in_mut(sv_floor* floor, u16 room)
{
    return const_cast<sv_chest*>(sv_floor_chest_in(floor, room));
}

u64 sv_floor_count_chests(const sv_floor* floor, u32 rarity)
{
    if (!floor)
        return 0;
    u64 n = 0;
    for (u16 i = 0; i < floor->chest_count; ++i)
        if (floor->chests[i].rarity == rarity)
            ++n;
    return n;
}

// ---- Mobs ----

i32 sv_floor_add_mob(sv_floor* floor, u16 place, f32 x, f32 z, f32 yaw, const sv_body* body,
                     u64 kind, const char* name, u8 boss)
{
    if (!floor || !sv_floor_place_valid(floor, place) || floor->mob_count >= floor->mob_capacity)
        return -1;
    if (!body || !(body->hp > 0.0f))
        return -1;
    if (!floor->mobs)
        floor->mobs = sv_arena_new_array<sv_mob>(&floor->arena, floor->mob_capacity);

    // Copy the actions first: the mob must not point into the content tables, which a reload replaces.
    u8 actions = body->action_count < SV_MOB_ACTIONS ? body->action_count : (u8)SV_MOB_ACTIONS;
    if (!body->actions)
        actions = 0;
    sv_action* copy = nullptr;
    if (actions > 0) {
        copy = sv_arena_new_array<sv_action>(&floor->arena, actions);
        std::memcpy(copy, body->actions, sizeof(sv_action) * actions);
    }
    sv_afflictions* afflictions = sv_arena_new_array<sv_afflictions>(&floor->arena, 1);

    u16 index = floor->mob_count;
    sv_mob* mob = &floor->mobs[index];
    std::memset(mob, 0, sizeof *mob);
    mob->place = place;
    mob->x = x;
    mob->z = z;
    mob->yaw = yaw;
    mob->hp = body->hp;
    mob->body = *body;
    mob->body.action_count = actions;
    mob->body.actions = copy;
    mob->boss = boss;
    mob->kind = kind;
    mob->home_x = x;
    mob->home_z = z;
    mob->home_place = place;
    if (name) {
        std::strncpy(mob->name, name, SV_MOB_NAME - 1);
        mob->name[SV_MOB_NAME - 1] = '\0';
    }
    mob->afflictions = afflictions;
    floor->mob_count = (u16)(index + 1);
    return index;
}

const sv_mob* sv_floor_mob_const(const sv_floor* floor, u16 index)
{
    if (!floor || index >= floor->mob_count)
        return nullptr;
    return &floor->mobs[index];
}

sv_mob* sv_floor_mob(sv_floor* floor, u16 index)
{
    return const_cast<sv_mob*>(sv_floor_mob_const(floor, index));
}

sv_mob* sv_floor_boss_in(sv_floor* floor, u16 place)
{
    if (!floor)
        return nullptr;
    for (u16 i = 0; i < floor->mob_count; ++i) {
        sv_mob* mob = &floor->mobs[i];
        if (mob->place == place && mob->boss && mob->hp > 0.0f)
            return mob;
    }
    return nullptr;
}

u32 sv_floor_stand_waiting(sv_floor* floor, u16 place)
{
    if (!floor)
        return 0;
    u32 n = 0;
    for (u16 i = 0; i < floor->mob_count; ++i) {
        sv_mob* mob = &floor->mobs[i];
        if (mob->place == place && mob->hp > 0.0f && mob->waiting) {
            mob->waiting = 0;
            ++n;
        }
    }
    return n;
}

i32 sv_floor_kill_mob(sv_floor* floor, u16 index)
{
    sv_mob* mob = sv_floor_mob(floor, index);
    if (!mob)
        return 0;
    mob->hp = 0.0f;
    mob->phase = 0;
    mob->phase_ticks = 0;
    if (!mob->boss)
        return 1;
    if (sv_floor_room_valid(floor, mob->place))
        sv_floor_unseal(floor, mob->place);
    return mob->boss;
}

u32 sv_floor_mobs_in(const sv_floor* floor, u16 place)
{
    if (!floor)
        return 0;
    u32 n = 0;
    for (u16 i = 0; i < floor->mob_count; ++i)
        if (floor->mobs[i].place == place)
            ++n;
    return n;
}

u32 sv_floor_mobs_alive_in(const sv_floor* floor, u16 place)
{
    if (!floor)
        return 0;
    u32 n = 0;
    for (u16 i = 0; i < floor->mob_count; ++i)
        if (floor->mobs[i].place == place && floor->mobs[i].hp > 0.0f)
            ++n;
    return n;
}

// ---- Shots ----

sv_shot* sv_floor_add_shot(sv_floor* floor, u16 place, f32 x, f32 y, f32 z, f32 dir_x, f32 dir_y,
                           f32 dir_z, f32 speed, f32 damage, const sv_applies* applies,
                           u32 life_ticks, u8 hostile)
{
    if (!floor || !sv_floor_place_valid(floor, place))
        return nullptr;
    if (!floor->shots)
        floor->shots = sv_arena_new_array<sv_shot>(&floor->arena, SV_FLOOR_SHOTS);
    // A dead slot is reused first; with every slot live the oldest table entry gives way.
    u8 slot = SV_NONE8;
    for (u8 i = 0; i < floor->shots_used; ++i)
        if (!floor->shots[i].live) {
            slot = i;
            break;
        }
    if (slot == SV_NONE8)
        slot = floor->shots_used < SV_FLOOR_SHOTS ? floor->shots_used++ : 0;

    sv_shot* shot = &floor->shots[slot];
    std::memset(shot, 0, sizeof *shot);
    shot->place = place;
    shot->x = x;
    shot->y = y;
    shot->z = z;
    shot->dir_x = dir_x;
    shot->dir_y = dir_y;
    shot->dir_z = dir_z;
    shot->speed = speed;
    shot->damage = damage;
    if (applies)
        shot->applies = *applies;
    shot->life_ticks = life_ticks;
    shot->live = 1;
    shot->hostile = hostile;
    return shot;
}

u32 sv_floor_shots_live_in(const sv_floor* floor, u16 place)
{
    if (!floor || !floor->shots)
        return 0;
    u32 n = 0;
    for (u8 i = 0; i < floor->shots_used; ++i)
        if (floor->shots[i].live && floor->shots[i].place == place)
            ++n;
    return n;
}

// ---- Weapon spots ----

void sv_floor_place_weapon(sv_floor* floor, u32 slot, u16 room)
{
    if (!floor || slot > 1)
        return;
    floor->weapon_room[slot] = sv_floor_room_valid(floor, room) ? room : SV_NONE16;
    std::memset(&floor->weapons[slot], 0, sizeof floor->weapons[slot]);
    floor->weapon_taken[slot] = 0;
}

bool sv_floor_stock_weapon(sv_floor* floor, u32 slot, const sv_weapon* weapon)
{
    if (!floor || slot > 1 || !weapon || floor->weapon_room[slot] == SV_NONE16
        || weapon->primary.kind == 0)
        return false;
    floor->weapons[slot] = *weapon;
    return true;
}

i32 sv_floor_weapon_in(const sv_floor* floor, u16 room)
{
    if (!floor)
        return -1;
    for (u32 slot = 0; slot < 2; ++slot)
        if (floor->weapon_room[slot] != SV_NONE16 && floor->weapon_room[slot] == room
            && !floor->weapon_taken[slot] && floor->weapons[slot].primary.kind != 0)
            return (i32)slot;
    return -1;
}

bool sv_floor_take_weapon(sv_floor* floor, u32 slot)
{
    if (!floor || slot > 1 || floor->weapon_room[slot] == SV_NONE16 || floor->weapon_taken[slot])
        return false;
    floor->weapon_taken[slot] = 1;
    return true;
}

// ---- Per-room play state ----

i32 sv_floor_visit(sv_floor* floor, u16 room)
{
    if (!sv_floor_room_valid(floor, room))
        return 0;
    u64 bit = 1ull << (room % 64);
    u64* word = &floor->visited[room / 64];
    if (*word & bit)
        return 0;
    *word |= bit;
    ++floor->visited_count;
    return 1;
}

i32 sv_floor_visited(const sv_floor* floor, u16 room)
{
    if (!sv_floor_room_valid(floor, room))
        return 0;
    return (floor->visited[room / 64] >> (room % 64)) & 1u ? 1 : 0;
}

u16 sv_floor_visited_count(const sv_floor* floor)
{
    return floor ? floor->visited_count : 0;
}

u16 sv_floor_generated_count(const sv_floor* floor)
{
    return floor ? floor->room_count : 0;
}

void sv_floor_clear_visited(sv_floor* floor)
{
    if (!floor || !floor->visited)
        return;
    std::memset(floor->visited, 0, sizeof(u64) * (((u64)floor->capacity + 63) / 64));
    floor->visited_count = 0;
}

u8 sv_floor_take(sv_floor* floor, u16 room, u8 bits)
{
    if (!sv_floor_room_valid(floor, room))
        return 0;
    u8 carried = (u8)(bits & floor->rooms[room].tags);
    u8 fresh = (u8)(carried & ~floor->taken[room]);
    floor->taken[room] = (u8)(floor->taken[room] | carried);
    return fresh;
}

u8 sv_floor_taken(const sv_floor* floor, u16 room)
{
    return sv_floor_room_valid(floor, room) ? floor->taken[room] : 0;
}

i32 sv_floor_seal(sv_floor* floor, u16 room)
{
    if (!sv_floor_room_valid(floor, room))
        return 0;
    if (!(floor->rooms[room].tags & SV_TAGS_BOSS) || (floor->seal[room] & SV_SEAL_CLEARED))
        return 0;
    const sv_mob* boss = sv_floor_boss_in(floor, room);
    if (!boss)
        return 0;
    floor->seal[room] = (u8)(floor->seal[room] | SV_SEAL_SEALED);
    return boss->boss;
}

void sv_floor_unseal(sv_floor* floor, u16 room)
{
    if (sv_floor_room_valid(floor, room))
        floor->seal[room] = SV_SEAL_CLEARED;
}

u8 sv_floor_seal_state(const sv_floor* floor, u16 room)
{
    return sv_floor_room_valid(floor, room) ? floor->seal[room] : 0;
}

// Passages and the place graph: rooms and corridor pieces share one id space, rooms first.
#include "floor/floor.h"
#include "floor/scratch.h"

i32 sv_floor_add_passage(sv_floor* floor, const sv_passage* templ, u16 piece_count)
{
    if (!floor || !templ || piece_count == 0 || floor->passage_count >= floor->passage_capacity)
        return -1;
    u16 first = floor->place_count < floor->room_count ? floor->room_count : floor->place_count;
    if ((u32)first + piece_count - 1 > SV_FLOOR_CAPACITY_MAX)
        return -1;
    floor->place_count = first;
    if (!floor->passages)
        floor->passages = sv_arena_new_array<sv_passage>(&floor->arena, floor->passage_capacity);
    if (!floor->door_passage) {
        u32 slots = (u32)floor->capacity * SV_ROOM_DOORS;
        floor->door_passage = sv_arena_new_array<u16>(&floor->arena, slots);
        for (u32 i = 0; i < slots; ++i)
            floor->door_passage[i] = SV_NONE16;
    }

    u16 index = floor->passage_count;
    sv_passage* p = &floor->passages[index];
    p->room_a = templ->room_a;
    p->room_b = templ->room_b;
    p->door_a = templ->door_a;
    p->door_b = templ->door_b;
    p->width = templ->width;
    p->first_place = first;
    p->piece_count = piece_count;
    p->pieces = sv_arena_new_array<sv_passage_piece>(&floor->arena, piece_count);
    floor->place_count = (u16)(first + piece_count);
    floor->passage_count = (u16)(index + 1);
    u32 end = (u32)first + piece_count;
    if (end > floor->place_passage_size) {
        // Doubling keeps the arena's share of dropped tables below the live one.
        u32 size = floor->place_passage_size * 2u;
        size = size < 64u ? 64u : size;
        size = size < end ? end : size;
        size = size > SV_NONE16 + 1u ? SV_NONE16 + 1u : size;
        u16* table = sv_arena_new_array<u16>(&floor->arena, size);
        for (u32 i = 0; i < size; ++i)
            table[i] = i < floor->place_passage_size ? floor->place_passage[i] : SV_NONE16;
        floor->place_passage = table;
        floor->place_passage_size = size;
    }
    for (u32 i = first; i < end; ++i)
        floor->place_passage[i] = index;
    // An earlier passage at the same door keeps it: lookups answer the first in table order.
    if (p->room_a < floor->capacity && p->door_a < SV_ROOM_DOORS) {
        u16* slot = &floor->door_passage[(u32)p->room_a * SV_ROOM_DOORS + p->door_a];
        if (*slot == SV_NONE16)
            *slot = index;
    }
    if (p->room_b < floor->capacity && p->door_b < SV_ROOM_DOORS) {
        u16* slot = &floor->door_passage[(u32)p->room_b * SV_ROOM_DOORS + p->door_b];
        if (*slot == SV_NONE16)
            *slot = index;
    }
    return index;
}

i32 sv_floor_passage_of(const sv_floor* floor, u16 room, u8 door)
{
    if (!floor || floor->passage_count == 0)
        return -1;
    if (room < floor->capacity && door < SV_ROOM_DOORS && floor->door_passage) {
        u16 i = floor->door_passage[(u32)room * SV_ROOM_DOORS + door];
        return i == SV_NONE16 ? -1 : i;
    }
    // Ends outside the table (only a hand-made passage has them) are found by scanning.
    for (u16 i = 0; i < floor->passage_count; ++i) {
        const sv_passage* p = &floor->passages[i];
        if ((p->room_a == room && p->door_a == door) || (p->room_b == room && p->door_b == door))
            return i;
    }
    return -1;
}

i32 sv_floor_place_valid(const sv_floor* floor, u16 place)
{
    if (!floor || place == SV_NONE16)
        return 0;
    return place < floor->room_count || place < floor->place_count ? 1 : 0;
}

i32 sv_floor_place_piece(const sv_floor* floor, u16 place, u16* passage, u16* piece)
{
    if (!floor || place == SV_NONE16 || place < floor->room_count || place >= floor->place_count)
        return 0;
    if (place < floor->place_passage_size) {
        u16 s = floor->place_passage[place];
        if (s >= floor->passage_count)
            return 0;
        if (passage)
            *passage = s;
        if (piece)
            *piece = (u16)(place - floor->passages[s].first_place);
        return 1;
    }
    // Passages are added in table order with their pieces numbered on from the last, so their
    // place ranges ascend: the last passage starting at or before place is the only candidate.
    u16 lo = 0, hi = floor->passage_count;
    while (lo < hi) {
        u16 mid = (u16)(lo + (hi - lo) / 2);
        if (floor->passages[mid].first_place <= place)
            lo = (u16)(mid + 1);
        else
            hi = mid;
    }
    if (lo == 0)
        return 0;
    const sv_passage* p = &floor->passages[lo - 1];
    if (place - p->first_place >= p->piece_count)
        return 0;
    if (passage)
        *passage = (u16)(lo - 1);
    if (piece)
        *piece = (u16)(place - p->first_place);
    return 1;
}

u8 sv_floor_place_doors(const sv_floor* floor, u16 place)
{
    if (!floor)
        return 0;
    if (place < floor->room_count) {
        u8 n = floor->rooms[place].door_count;
        return n < SV_ROOM_DOORS ? n : SV_ROOM_DOORS;
    }
    return sv_floor_place_piece(floor, place, nullptr, nullptr) ? 2 : 0;
}

// The place through door of corridor piece place, piece k of passage p (0 back towards end A,
// 1 on towards B), with its entry door; stepping into a room, the room and door the way left from.
static u16 piece_next(const sv_passage* p, u16 place, u16 k, u8 door, u8* entry, u16* from_room,
                      u8* from_door)
{
    if (door == 1) {
        if (k + 1 < p->piece_count) {
            *entry = 0;
            return (u16)(place + 1);
        }
        *entry = p->door_b;
        if (from_room)
            *from_room = p->room_a;
        if (from_door)
            *from_door = p->door_a;
        return p->room_b;
    }
    if (k > 0) {
        *entry = 1;
        return (u16)(place - 1);
    }
    *entry = p->door_a;
    if (from_room)
        *from_room = p->room_b;
    if (from_door)
        *from_door = p->door_b;
    return p->room_a;
}

u64 sv_floor_place_next(const sv_floor* floor, u16 place, u8 door, u16* next, u8* entry,
                        u16* from_room, u8* from_door)
{
    if (from_room)
        *from_room = SV_NONE16;
    if (from_door)
        *from_door = 0;
    if (!sv_floor_place_valid(floor, place))
        return 0;

    u16 out_next = SV_NONE16;
    u8 out_entry = 0;
    u16 s = 0, k = 0;
    if (sv_floor_place_piece(floor, place, &s, &k)) {
        if (door > 1)
            return 0;
        out_next
            = piece_next(&floor->passages[s], place, k, door, &out_entry, from_room, from_door);
    } else {
        if (place >= floor->room_count)
            return 0;
        const sv_room* r = &floor->rooms[place];
        if (door >= SV_ROOM_DOORS || door >= r->door_count)
            return 0;
        const sv_door* d = &r->doors[door];
        if (d->kind == SV_DOOR_EXIT || d->target >= floor->room_count)
            return 0;
        i32 pi = sv_floor_passage_of(floor, place, door);
        if (pi >= 0) {
            const sv_passage* p = &floor->passages[pi];
            if (p->room_a == place && p->door_a == door) {
                out_next = p->first_place;
                out_entry = 0;
            } else {
                out_next = (u16)(p->first_place + p->piece_count - 1);
                out_entry = 1;
            }
        } else {
            out_next = d->target;
            out_entry = d->back;
            if (from_room)
                *from_room = place;
            if (from_door)
                *from_door = door;
        }
    }
    if (next)
        *next = out_next;
    if (entry)
        *entry = out_entry;
    return 1;
}

u8 sv_floor_place_nexts(const sv_floor* floor, u16 place, u16* nexts)
{
    u16 s = 0, k = 0;
    if (sv_floor_place_piece(floor, place, &s, &k)) {
        u8 entry = 0;
        for (u8 d = 0; d < 2; ++d)
            nexts[d] = piece_next(&floor->passages[s], place, k, d, &entry, nullptr, nullptr);
        return 2;
    }
    u8 count = sv_floor_place_doors(floor, place);
    for (u8 d = 0; d < count; ++d)
        if (!sv_floor_place_next(floor, place, d, &nexts[d], nullptr, nullptr, nullptr))
            nexts[d] = SV_NONE16;
    return count;
}

// The first living boss in a place decides its fog: -1 none, 0 waiting, else its boss flag (risen).
static i32 boss_fog(const sv_floor* floor, u16 place)
{
    for (u16 i = 0; i < floor->mob_count; ++i) {
        const sv_mob* mob = &floor->mobs[i];
        if (mob->place == place && mob->boss && mob->hp > 0.0f)
            return mob->waiting ? 0 : mob->boss;
    }
    return -1;
}

static i32 boss_fog_by(const sv_floor* floor, const sv_fog_table* table, u16 place)
{
    if (!table)
        return boss_fog(floor, place);
    for (u16 i = 0; i < table->count; ++i)
        if (table->place[i] == place)
            return table->fog[i];
    return table->full ? boss_fog(floor, place) : -1;
}

void sv_floor_fog_gather(const sv_floor* floor, sv_fog_table* table)
{
    if (!table)
        return;
    table->count = 0;
    table->full = 0;
    if (!floor)
        return;
    for (u16 i = 0; i < floor->mob_count; ++i) {
        const sv_mob* mob = &floor->mobs[i];
        if (!mob->boss || !(mob->hp > 0.0f))
            continue;
        u16 k = 0;
        while (k < table->count && table->place[k] != mob->place)
            ++k;
        if (k < table->count)
            continue; // an earlier boss decides this place
        if (table->count == SV_FOG_BOSSES) {
            table->full = 1;
            continue;
        }
        table->place[k] = mob->place;
        table->fog[k] = mob->waiting ? 0 : mob->boss;
        table->count = (u16)(k + 1);
    }
}

i32 sv_floor_fogged_by(const sv_floor* floor, const sv_fog_table* table, u16 place, u8 door)
{
    u16 next = SV_NONE16;
    u64 leads
        = floor ? sv_floor_place_next(floor, place, door, &next, nullptr, nullptr, nullptr) : 0;
    return sv_floor_fogged_beyond(floor, table, place, door, leads, next);
}

i32 sv_floor_fogged_beyond(const sv_floor* floor, const sv_fog_table* table, u16 place, u8 door,
                           u64 leads, u16 next)
{
    if (!floor || place > SV_FLOOR_CAPACITY_MAX)
        return 0;
    if (place < floor->room_count) {
        i32 own = boss_fog_by(floor, table, place);
        if (own > 0)
            return own;
        const sv_room* r = &floor->rooms[place];
        if (door < SV_ROOM_DOORS && door < r->door_count && r->doors[door].kind == SV_DOOR_EXIT)
            return 1;
        // Not closed from this side: the room beyond may hold a risen boss, which closes the door too.
    } else if (place >= floor->place_count) {
        return 0;
    }
    if (!leads || next >= floor->room_count)
        return 0;
    return boss_fog_by(floor, table, next) > 0 ? 1 : 0;
}

i32 sv_floor_fogged(const sv_floor* floor, u16 place, u8 door)
{
    return sv_floor_fogged_by(floor, nullptr, place, door);
}

void sv_floor_distances(const sv_floor* floor, u16 from, u16* out)
{
    if (!floor)
        return;
    u16 n = floor->room_count;
    for (u16 i = 0; i < n; ++i)
        out[i] = SV_NONE16;
    if (from >= n)
        return;

    sv_floor_scratch s(floor);
    u16* queue = s.take<u16>(n);
    u32 head = 0, tail = 0;
    out[from] = 0;
    queue[tail++] = from;
    while (head < tail) {
        u16 at = queue[head++];
        const sv_room* r = &floor->rooms[at];
        for (u8 d = 0; d < r->door_count && d < SV_ROOM_DOORS; ++d) {
            u16 t = r->doors[d].target;
            if (t >= n || out[t] != SV_NONE16)
                continue;
            // Each room is queued once, so the queue never outgrows the room count.
            out[t] = (u16)(out[at] + 1);
            queue[tail++] = t;
        }
    }
}

void sv_floor_reach(const sv_floor* floor, u32 skip_kind, u16 avoid, u8* seen)
{
    if (!floor)
        return;
    u16 n = floor->room_count;
    for (u16 r = 0; r < n; ++r)
        seen[r] = 0;
    if (n == 0 || avoid == 0)
        return;
    sv_floor_scratch s(floor);
    u16* queue = s.take<u16>(n);
    u32 head = 0, tail = 0;
    seen[0] = 1;
    queue[tail++] = 0;
    while (head < tail) {
        const sv_room* room = &floor->rooms[queue[head++]];
        for (u8 d = 0; d < room->door_count && d < SV_ROOM_DOORS; ++d) {
            const sv_door* door = &room->doors[d];
            u16 t = door->target;
            if (t >= n || seen[t] || t == avoid || door->kind == skip_kind)
                continue;
            // Each room is queued once, so the queue never outgrows the room count.
            seen[t] = 1;
            queue[tail++] = t;
        }
    }
}

void sv_floor_compute_depths(sv_floor* floor, u16 start)
{
    if (!floor)
        return;
    sv_floor_scratch s(floor);
    u16* depth = s.take<u16>(floor->room_count);
    sv_floor_distances(floor, start, depth);
    for (u16 i = 0; i < floor->room_count; ++i)
        floor->rooms[i].depth = depth[i];
}

i32 sv_door_appearance_for(u64 seed, u16 room_a, u8 door_a, u16 room_b, u8 door_b)
{
    u32 a = (u32)room_a << 8 | door_a;
    u32 b = (u32)room_b << 8 | door_b;
    u32 hi = a > b ? a : b;
    u32 lo = a > b ? b : a;
    return (i32)(sv_mix64(((u64)hi << 32 | lo) ^ sv_mix64(seed)) & 7u);
}

void sv_floor_assign_appearances(sv_floor* floor)
{
    if (!floor || floor->room_count == 0)
        return;
    for (u16 r = 0; r < floor->room_count; ++r) {
        sv_room* room = &floor->rooms[r];
        for (u8 d = 0; d < room->door_count && d < SV_ROOM_DOORS; ++d) {
            sv_door* door = &room->doors[d];
            if (door->target == SV_NONE16)
                continue;
            door->appearance
                = (u8)sv_door_appearance_for(floor->seed, r, d, door->target, door->back);
        }
    }
}

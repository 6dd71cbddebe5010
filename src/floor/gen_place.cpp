// Obligations and contents placed on a grown tree. Every choice draws from the placement
// stream; candidate lists are built in ascending room index and a pick is
// candidates[below(count)], so a floor is reproducible from its seed and number.
#include "floor/gen_place.h"

#include <cmath>

#include "core/tune.h"
#include "floor/character.h"
#include "floor/ledger.h"
#include "floor/scratch.h"

namespace {

i32 pick(sv_rng* p, const u16* cands, u32 count)
{
    if (count == 0)
        return -1;
    return cands[sv_rng_below(p, count)];
}

u16 parent_of(const sv_floor* f, u16 room)
{
    const sv_room* r = &f->rooms[room];
    if (r->door_count == 0)
        return SV_NONE16;
    u16 t = r->doors[0].target;
    return t < f->room_count ? t : SV_NONE16;
}

// Marks a room and each parent up to and including room 0.
void mark_chain(const sv_floor* f, u16 room, u8* marks)
{
    u16 cur = room;
    if (cur >= f->room_count)
        return;
    marks[cur] = 1;
    for (u32 steps = 0; cur != 0 && steps <= f->room_count; ++steps) {
        cur = parent_of(f, cur);
        if (cur == SV_NONE16)
            return;
        marks[cur] = 1;
    }
}

// Rooms that cannot be reached from spawn without opening a Prism lock. The Prism must never
// lie in one of them: it is the only key to that lock, so the floor could not be finished.
void behind_prism_lock(const sv_floor* f, u8* barred)
{
    sv_floor_reach(f, SV_DOOR_AXIOM, SV_NONE16, barred);
    for (u16 r = 0; r < f->room_count; ++r)
        barred[r] = !barred[r];
}

i32 pick_free_room(sv_floor* f, sv_rng* p, u16 min_depth, u8 need_slot, const u16* dist,
                   u16 min_dist, const u8* barred)
{
    sv_floor_scratch s(f);
    u16* cands = s.take<u16>(f->room_count);
    u32 count = 0;
    for (u16 r = 1; r < f->room_count; ++r) {
        const sv_room* room = &f->rooms[r];
        if (room->tags & SV_TAGS_NO_OBLIGATION)
            continue;
        if (need_slot && room->door_count >= SV_ROOM_DOORS)
            continue;
        if (room->depth < min_depth || room->depth == SV_NONE16)
            continue;
        if (dist && dist[r] != SV_NONE16 && dist[r] < min_dist)
            continue;
        cands[count++] = r;
    }
    // A barred pick is struck out and the draw repeated among the rest, so floors whose
    // first pick was fine keep it.
    while (count > 0) {
        u32 i = sv_rng_below(p, count);
        u16 r = cands[i];
        if (!barred || !barred[r])
            return r;
        for (u32 j = i + 1; j < count; ++j)
            cands[j - 1] = cands[j];
        count -= 1;
    }
    return -1;
}

// Locks the first door, scanning the other rooms in order, that leads into the room; in a
// grown tree that is the parent's door, so a lock is met only on the way in.
void lock_inbound(sv_floor* f, u16 room, u32 kind)
{
    for (u16 r = 0; r < f->room_count; ++r) {
        if (r == room)
            continue;
        sv_room* other = &f->rooms[r];
        for (u8 d = 0; d < other->door_count; ++d) {
            if (other->doors[d].target == room) {
                other->doors[d].kind = kind;
                other->doors[d].locked = 1;
                return;
            }
        }
    }
}

// 1 when a locked door stands on the way down from spawn to the room: the climb to room 0, one
// parent at a time.
int behind_lock_climb(const sv_floor* f, u16 room)
{
    u16 cur = room;
    for (u32 climbs = 0; climbs <= f->room_count; ++climbs) {
        if (cur >= f->room_count)
            return 0;
        u16 p = parent_of(f, cur);
        if (p == SV_NONE16)
            return 0;
        const sv_room* parent = &f->rooms[p];
        for (u8 d = 0; d < parent->door_count; ++d)
            if (parent->doors[d].target == cur && parent->doors[d].locked)
                return 1;
        if (p == 0)
            return 0;
        cur = p;
    }
    return 0;
}

// The climb's answer for every room at once, in O(rooms): a grown tree numbers each room after
// its parent, so the parent's answer is known when its child is reached. A room whose parent
// comes later (never in a grown tree) climbs instead. Locks only change when Scions and the
// Axiom are placed, so a step that places neither computes this once.
void behind_lock_all(const sv_floor* f, u8* behind)
{
    u16 n = f->room_count;
    for (u16 r = 0; r < n; ++r) {
        u16 p = parent_of(f, r);
        if (r == 0 || p >= r) {
            behind[r] = (u8)behind_lock_climb(f, r);
            continue;
        }
        const sv_room* parent = &f->rooms[p];
        u8 locked = 0;
        for (u8 d = 0; d < parent->door_count; ++d)
            if (parent->doors[d].target == r && parent->doors[d].locked)
                locked = 1;
        behind[r] = (u8)(locked || (p != 0 && behind[p]));
    }
}

int place_at(sv_floor* f, sv_ledger* ledger, u32 obligation, u16 room)
{
    sv_room* r = &f->rooms[room];
    switch (obligation) {
    case SV_OBLIGATION_PRISM:
        if (!sv_ledger_place(ledger, SV_OBLIGATION_PRISM))
            return 0;
        sv_floor_room_tag(f, room, SV_TAG_PRISM);
        return 1;
    case SV_OBLIGATION_AXIOM:
        if (r->door_count >= SV_ROOM_DOORS || !sv_ledger_place(ledger, SV_OBLIGATION_AXIOM))
            return 0;
        sv_floor_room_tag(f, room, SV_TAG_AXIOM);
        lock_inbound(f, room, SV_DOOR_AXIOM);
        sv_floor_add_door(f, room, SV_NONE16, SV_NONE8, SV_DOOR_EXIT);
        sv_ledger_place(ledger, SV_OBLIGATION_EXIT);
        return 1;
    case SV_OBLIGATION_EXIT: {
        // Checked first so that a refused exit leaves no stray door behind.
        if (r->door_count >= SV_ROOM_DOORS || ledger->exit_placed)
            return 0;
        i32 d = sv_floor_add_door(f, room, SV_NONE16, SV_NONE8, SV_DOOR_EXIT);
        if (d < 0)
            return 0;
        if (sv_ledger_place(ledger, SV_OBLIGATION_EXIT))
            r->doors[d].locked = 1;
        return 1;
    }
    case SV_OBLIGATION_MONUMENT:
        if (!sv_ledger_place(ledger, SV_OBLIGATION_MONUMENT))
            return 0;
        sv_floor_room_tag(f, room, SV_TAG_MONUMENT);
        return 1;
    case SV_OBLIGATION_GATE_SCION:
        if (!sv_ledger_place(ledger, SV_OBLIGATION_GATE_SCION))
            return 0;
        sv_floor_room_tag(f, room, SV_TAGS_GATE_SCION);
        return 1;
    default: return 0;
    }
}

i32 draw_chest_rarity(sv_rng* p)
{
    f64 c = sv_tune(SV_TUNE_CHEST_WEIGHT_COMMON);
    f64 u = sv_tune(SV_TUNE_CHEST_WEIGHT_UNCOMMON);
    f64 r = sv_tune(SV_TUNE_CHEST_WEIGHT_RARE);
    // Rarer chests never outweigh commoner ones.
    if (u > c)
        u = c;
    if (r > u)
        r = u;
    f64 total = c + u + r;
    if (!(total > 0))
        return 0;
    f64 x = sv_rng_f64(p) * total;
    if (x < c)
        return 0;
    if (x < c + u)
        return 1;
    return 2;
}

// Step: the Axiom's room with its exit, or on the first floor a deep room with a locked exit.
void place_axiom_or_exit(sv_floor* f, sv_rng* p, u16 depth, sv_ledger* ledger)
{
    u32 ob;
    if (ledger->axiom_owed && !ledger->axiom_placed)
        ob = SV_OBLIGATION_AXIOM;
    else if (ledger->exit_placed)
        return;
    else
        ob = SV_OBLIGATION_EXIT;
    u32 b = (u32)std::trunc((1 - sv_tune(SV_TUNE_AXIOM_DEPTH_BAND)) * depth);
    for (;;) {
        i32 r = pick_free_room(f, p, (u16)b, 1, nullptr, 0, nullptr);
        if (r >= 0 && place_at(f, ledger, ob, (u16)r))
            return;
        if (b == 0)
            return;
        b /= 2;
    }
}

void place_prism(sv_floor* f, sv_rng* p, sv_ledger* ledger)
{
    if (ledger->prism_placed)
        return;
    u16 n = f->room_count;
    sv_floor_scratch s(f);
    i32 ref = sv_floor_find(f, SV_TAG_AXIOM);
    for (u16 r = 0; ref < 0 && r < n; ++r)
        for (u8 d = 0; d < f->rooms[r].door_count; ++d)
            if (f->rooms[r].doors[d].kind == SV_DOOR_EXIT) {
                ref = r;
                break;
            }
    u16* dist = nullptr;
    if (ref >= 0) {
        dist = s.take<u16>(n);
        sv_floor_distances(f, (u16)ref, dist);
    }
    u8* barred = s.take<u8>(n);
    behind_prism_lock(f, barred);
    u32 m = sv_tune_u32(SV_TUNE_PRISM_MIN_DISTANCE);
    for (;;) {
        i32 r = pick_free_room(f, p, 0, 0, dist, (u16)m, barred);
        if (r >= 0 && sv_ledger_place(ledger, SV_OBLIGATION_PRISM)) {
            sv_floor_room_tag(f, (u16)r, SV_TAG_PRISM);
            return;
        }
        if (m == 0)
            return;
        m -= 1;
    }
}

// Whatever the earlier steps could not place goes to the deepest room that will take it.
void backstop(sv_floor* f, sv_gen_stats* st)
{
    sv_ledger* ledger = &st->ledger;
    u16 n = f->room_count;
    for (;;) {
        u32 ob;
        if (ledger->axiom_owed && !ledger->axiom_placed)
            ob = SV_OBLIGATION_AXIOM;
        else if (!ledger->exit_placed)
            ob = SV_OBLIGATION_EXIT;
        else if (!ledger->prism_placed)
            ob = SV_OBLIGATION_PRISM;
        else
            return;
        sv_floor_scratch s(f);
        u8* barred = nullptr;
        if (ob == SV_OBLIGATION_PRISM) {
            barred = s.take<u8>(n);
            behind_prism_lock(f, barred);
        }
        i32 best = -1;
        u16 best_depth = 0;
        for (u16 r = (u16)(n - 1); r >= 1; --r) {
            const sv_room* room = &f->rooms[r];
            if (room->tags & SV_TAGS_NO_OBLIGATION)
                continue;
            if (ob != SV_OBLIGATION_PRISM && room->door_count >= SV_ROOM_DOORS)
                continue;
            if (barred && barred[r])
                continue;
            u16 d = room->depth == SV_NONE16 ? 0 : room->depth;
            if (best < 0 || d > best_depth) {
                best = r;
                best_depth = d;
            }
        }
        if (best < 0 || !place_at(f, ledger, ob, (u16)best))
            return;
        st->backstop += 1;
    }
}

// Gate Scions stand on the Axiom's parent chain, strictly between spawn and the Axiom.
void place_gates(sv_floor* f, sv_rng* p, u16 gates, sv_gen_stats* st)
{
    u16 n = f->room_count;
    i32 axiom = sv_floor_find(f, SV_TAG_AXIOM);
    if (gates == 0 || axiom <= 0 || f->rooms[axiom].door_count == 0)
        return;
    u16 cur = f->rooms[axiom].doors[0].target;
    if (cur == 0 || cur >= n)
        return;
    sv_floor_scratch s(f);
    u16* cands = s.take<u16>(n);
    u32 count = 0;
    for (u32 steps = 0; cur != 0 && cur < n && steps <= (u32)n + 1; ++steps) {
        if (!(f->rooms[cur].tags & SV_TAGS_NO_OBLIGATION))
            cands[count++] = cur;
        cur = parent_of(f, cur);
    }
    while (count > 0 && st->gates_placed < gates) {
        u32 i = sv_rng_below(p, count);
        u16 r = cands[i];
        cands[i] = cands[count - 1];
        count -= 1;
        if (!sv_ledger_place(&st->ledger, SV_OBLIGATION_GATE_SCION))
            return;
        sv_floor_room_tag(f, r, SV_TAGS_GATE_SCION);
        st->gates_placed += 1;
    }
}

void place_monument(sv_floor* f, sv_rng* p, u16 depth, sv_ledger* ledger)
{
    u16 n = f->room_count;
    if (!ledger->monument_owed || ledger->monument_placed || n < 2)
        return;
    sv_floor_scratch s(f);
    u8* on_path = s.take<u8>(n);
    i32 axiom = sv_floor_find(f, SV_TAG_AXIOM);
    if (axiom >= 0)
        mark_chain(f, (u16)axiom, on_path);
    u32 lo = (u32)std::trunc(sv_tune(SV_TUNE_MONUMENT_DEPTH_MIN_FRAC) * depth);
    u32 hi = (u32)std::trunc(depth * sv_tune(SV_TUNE_MONUMENT_DEPTH_MAX_FRAC));
    if (hi < lo)
        hi = lo;
    u16* cands = s.take<u16>(n);
    for (int pass = 1; pass <= 3; ++pass) {
        u32 count = 0;
        for (u16 r = 1; r < n; ++r) {
            const sv_room* room = &f->rooms[r];
            if (room->tags & SV_TAGS_OCCUPIED)
                continue;
            if (pass <= 2 && on_path[r])
                continue;
            if (pass == 1 && (room->depth < lo || room->depth > hi))
                continue;
            cands[count++] = r;
        }
        if (count == 0)
            continue;
        i32 r = pick(p, cands, count);
        if (sv_ledger_place(ledger, SV_OBLIGATION_MONUMENT)) {
            sv_floor_room_tag(f, (u16)r, SV_TAG_MONUMENT);
            return;
        }
    }
}

// Optional Scions sit behind Shard locks, off the ways to the Prism, the Axiom and the monument.
void place_optional_scions(sv_floor* f, sv_rng* p, sv_ledger* ledger)
{
    u16 n = f->room_count;
    sv_floor_scratch s(f);
    u8* marked = s.take<u8>(n);
    for (u16 r = 0; r < n; ++r)
        if (f->rooms[r].tags & SV_TAGS_KEYED)
            mark_chain(f, r, marked);
    f64 mean = sv_tune(SV_TUNE_SCION_OPTIONAL_MEAN);
    if (!(mean > 0))
        return;
    u32 k = sv_rng_below(p, (u32)std::trunc(2 * mean) + 1);
    u16* cands = s.take<u16>(n);
    for (u32 i = 0; i < k; ++i) {
        u32 count = 0;
        for (u16 r = 1; r < n; ++r) {
            const sv_room* room = &f->rooms[r];
            if (marked[r] || (room->tags & SV_TAGS_NO_OBLIGATION) || parent_of(f, r) == SV_NONE16)
                continue;
            cands[count++] = r;
        }
        if (count == 0)
            return;
        u16 r = (u16)pick(p, cands, count);
        sv_floor_room_tag(f, r, SV_TAG_SCION);
        lock_inbound(f, r, SV_DOOR_SCION);
        ledger->shards += 1;
        ledger->shard_locks += 1;
        ledger->optional_scions += 1;
    }
}

void place_loose_shards(sv_floor* f, sv_rng* p, sv_ledger* ledger)
{
    u16 n = f->room_count;
    u32 loose = sv_tune_u32(SV_TUNE_SHARD_LOOSE);
    if (ledger->shard_locks > 0 && loose == 0)
        loose = 1;
    sv_floor_scratch s(f);
    u16* cands = s.take<u16>(n);
    u8* behind = s.take<u8>(n);
    behind_lock_all(f, behind);
    for (u32 i = 0; i < loose; ++i) {
        u32 count = 0;
        for (u16 r = 1; r < n; ++r)
            if (!(f->rooms[r].tags & SV_TAGS_SHARD_AXIOM) && !behind[r])
                cands[count++] = r;
        if (count == 0)
            return;
        u16 r = (u16)pick(p, cands, count);
        sv_floor_room_tag(f, r, SV_TAG_SHARD);
        ledger->shards += 1;
    }
}

void place_fountains(sv_floor* f, sv_rng* p, sv_ledger* ledger)
{
    u16 n = f->room_count;
    u16 placed = 0;
    i32 spawn = sv_floor_find(f, SV_TAG_SPAWN);
    if (spawn >= 0) {
        sv_floor_room_tag(f, (u16)spawn, SV_TAG_FOUNTAIN);
        placed += 1;
    }
    i32 axiom = sv_floor_find(f, SV_TAG_AXIOM);
    if (axiom >= 0) {
        sv_floor_scratch s(f);
        u16* dist = s.take<u16>(n);
        sv_floor_distances(f, (u16)axiom, dist);
        u16* leaves = s.take<u16>(n);
        u16* others = s.take<u16>(n);
        u32 lo, hi;
        sv_gen_fountain_band(&lo, &hi);
        // Widen the band one door each way until some room falls in it.
        for (u32 w = 0; w <= n; ++w) {
            u32 low = w >= lo ? 1 : lo - w;
            u32 high = hi + w;
            u32 nl = 0, no = 0;
            for (u16 r = 1; r < n; ++r) {
                const sv_room* room = &f->rooms[r];
                if (dist[r] == SV_NONE16 || dist[r] < low || dist[r] > high
                    || (room->tags & SV_TAGS_NO_MOBS))
                    continue;
                if (room->door_count == 1)
                    leaves[nl++] = r;
                else
                    others[no++] = r;
            }
            i32 r = nl ? pick(p, leaves, nl) : pick(p, others, no);
            if (r < 0)
                continue;
            sv_floor_room_tag(f, (u16)r, SV_TAG_FOUNTAIN);
            placed += 1;
            break;
        }
    }
    sv_character c = sv_character_roll(f->seed, f->floor_number);
    f64 chance = c.fountain_density * sv_tune(SV_TUNE_DENSITY_FOUNTAIN);
    for (u16 r = 1; r < n; ++r) {
        const sv_room* room = &f->rooms[r];
        if (room->door_count != 1 || (room->tags & SV_TAGS_NO_MOBS))
            continue;
        if (sv_rng_chance(p, chance)) {
            sv_floor_room_tag(f, r, SV_TAG_FOUNTAIN);
            placed += 1;
        }
    }
    ledger->fountains += placed;
}

void place_chests(sv_floor* f, sv_rng* p, sv_ledger* ledger)
{
    f64 density = sv_tune(SV_TUNE_DENSITY_CHEST);
    for (u16 r = 1; r < f->room_count; ++r) {
        if (!sv_rng_chance(p, density))
            continue;
        // Both rarities are drawn on every floor, so the stream stays in step; the first
        // floor then passes them as common and unlocked.
        i32 rarity = draw_chest_rarity(p);
        i32 key = draw_chest_rarity(p);
        if (f->floor_number == 1)
            rarity = key = 0;
        if (sv_floor_add_chest(f, r, (u32)rarity, (u32)key))
            ledger->chests += 1;
    }
}

int weapon_floor_is(u32 index, u16 floor_number)
{
    f64 v = sv_tune(index);
    return v >= 1 && std::trunc(v) == (f64)floor_number;
}

void place_weapons(sv_floor* f, sv_rng* p)
{
    u16 n = f->room_count;
    if (weapon_floor_is(SV_TUNE_WEAPON_MELEE_FLOOR, f->floor_number))
        sv_floor_place_weapon(f, 0, 0);
    if (!weapon_floor_is(SV_TUNE_WEAPON_RANGED_FLOOR, f->floor_number) || n < 2)
        return;
    sv_floor_scratch s(f);
    u8* on_path = s.take<u8>(n);
    i32 axiom = sv_floor_find(f, SV_TAG_AXIOM);
    if (axiom >= 0)
        mark_chain(f, (u16)axiom, on_path);
    u16* cands = s.take<u16>(n);
    u8* behind = s.take<u8>(n);
    behind_lock_all(f, behind);
    u32 count = 0;
    for (u16 r = 1; r < n; ++r)
        if (!(f->rooms[r].tags & SV_TAGS_NO_OBLIGATION) && !on_path[r] && !behind[r])
            cands[count++] = r;
    if (count == 0)
        for (u16 r = 1; r < n; ++r)
            if (!(f->rooms[r].tags & SV_TAGS_NO_OBLIGATION))
                cands[count++] = r;
    i32 r = pick(p, cands, count);
    if (r >= 0)
        sv_floor_place_weapon(f, 1, (u16)r);
}

} // namespace

void sv_gen_fountain_band(u32* lo, u32* hi)
{
    *lo = sv_tune_u32(SV_TUNE_FOUNTAIN_BAND_MIN);
    *hi = sv_tune_u32(SV_TUNE_FOUNTAIN_BAND_MAX);
    if (*hi < *lo)
        *hi = *lo;
}

void sv_gen_place(sv_floor* floor, sv_rng* p, u16 depth, u16 gates, sv_gen_stats* st)
{
    sv_ledger* ledger = &st->ledger;
    place_axiom_or_exit(floor, p, depth, ledger);
    place_prism(floor, p, ledger);
    if (floor->room_count >= 2) {
        backstop(floor, st);
        place_gates(floor, p, gates, st);
    }
    place_monument(floor, p, depth, ledger);

    // A shortfall of gate Scions is reported, never owed.
    st->gate_shortfall = (u16)(ledger->gate_owed - ledger->gate_placed);
    ledger->gate_owed = ledger->gate_placed;

    if (floor->floor_number > 1 && floor->room_count >= 2) {
        place_optional_scions(floor, p, ledger);
        place_loose_shards(floor, p, ledger);
        place_fountains(floor, p, ledger);
    }
    place_chests(floor, p, ledger);
    place_weapons(floor, p);
}

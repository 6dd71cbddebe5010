// Mob heights and ground, the combat layer's route search and door filters, and legs (shots,
// muzzles) carried through the doors they cross.
#include "actors/combat.h"

#include <cstring>

#include "world/body.h"
#include "world/geom.h"
#include "world/prim.h"
#include "world/route.h"

namespace {

// Tables of the combat route search over every place id; a place is seen in the current search
// when its stamp equals the search's.
struct route_state {
    u32 stamp[SV_NONE16];
    u16 came_from[SV_NONE16];
    u8 came_by[SV_NONE16];
    u16 depth[SV_NONE16];
    u16 queue[SV_NONE16];
    u32 search;
    // The bosses' fog for the filters, gathered at the first filter call of a search (the mobs
    // do not change while one runs); fog_floor is the searched floor then, else null.
    const sv_floor* fog_floor;
    u8 fog_ready;
    sv_fog_table fog;
};

route_state s_route;

// The fog table of the search running on floor, or null outside a search (filters then scan).
const sv_fog_table* route_fog(const sv_floor* floor)
{
    if (!floor || s_route.fog_floor != floor)
        return nullptr;
    if (!s_route.fog_ready) {
        sv_floor_fog_gather(floor, &s_route.fog);
        s_route.fog_ready = 1;
    }
    return &s_route.fog;
}

// The crossing point of a-b with the span s0-s1 (they are known to cross).
Vector2 crossing(Vector2 a, Vector2 b, Vector2 s0, Vector2 s1)
{
    f32 dx = b.x - a.x, dz = b.y - a.y, ex = s1.x - s0.x, ez = s1.y - s0.y;
    f32 den = dx * ez - dz * ex;
    f32 t = den != 0.0f ? ((s0.x - a.x) * ez - (s0.y - a.y) * ex) / den : 0.0f;
    return {a.x + dx * t, a.y + dz * t};
}

} // namespace

f32 sv_mob_height(u64 kind)
{
    switch (kind & 0xffu) {
    case 1: return 2.6f;
    case 2: return 2.0f;
    default: return 1.45f;
    }
}

f32 sv_mob_centre(u64 kind)
{
    switch (kind & 0xffu) {
    case 1: return 2.34f;
    case 2: return 1.8f;
    default: return 1.305f;
    }
}

f32 sv_mob_base(const sv_geom* geom, const sv_mob* mob)
{
    if (!mob)
        return 0.0f;
    if (mob->airborne && mob->settled)
        return mob->y;
    return sv_geom_ground(geom, mob->x, mob->z);
}

void mob_settle(const sv_geom* geom, sv_mob* mob)
{
    if (!geom || !mob)
        return;
    if (!mob->settled) {
        mob->y = sv_geom_ground(geom, mob->x, mob->z);
        mob->vy = 0.0f;
        mob->airborne = 0;
        mob->settled = 1;
        return;
    }
    sv_body_settle(geom, mob->x, mob->z, &mob->y, &mob->vy, &mob->airborne);
}

i64 sv_combat_route(const sv_floor* floor, u16 from, u16 to, u8* doors, u64 cap,
                    sv_door_filter filter, void* user)
{
    if (!floor || !doors || !sv_floor_place_valid(floor, from) || !sv_floor_place_valid(floor, to))
        return -1;
    if (from == to)
        return 0;
    if (++s_route.search == 0) { // the stamps wrapped: start them afresh
        memset(s_route.stamp, 0, sizeof s_route.stamp);
        s_route.search = 1;
    }
    const u32 stamp = s_route.search;
    s_route.fog_floor = floor;
    s_route.fog_ready = 0;
    u32 head = 0, tail = 0;
    s_route.stamp[from] = stamp;
    s_route.depth[from] = 0;
    s_route.queue[tail++] = from;
    bool found = false;
    while (head < tail && !found) {
        u16 at = s_route.queue[head++];
        if (s_route.depth[at] >= cap)
            break; // breadth first: every place still queued is at least as far
        u16 nexts[SV_ROOM_DOORS > 2 ? SV_ROOM_DOORS : 2];
        u8 count = sv_floor_place_nexts(floor, at, nexts);
        for (u8 d = 0; d < count; ++d) {
            u16 next = nexts[d];
            if (next == SV_NONE16)
                continue;
            // A place already reached is never entered again: no need to ask the filter (a
            // pure test) about the door to it, half the doors of a search.
            if (!sv_floor_place_valid(floor, next) || s_route.stamp[next] == stamp)
                continue;
            if (filter && !filter(user, floor, at, d))
                continue;
            s_route.stamp[next] = stamp;
            s_route.came_from[next] = at;
            s_route.came_by[next] = d;
            s_route.depth[next] = (u16)(s_route.depth[at] + 1);
            s_route.queue[tail++] = next;
            if (next == to) {
                found = true;
                break;
            }
        }
    }
    s_route.fog_floor = nullptr;
    if (!found)
        return -1;
    u64 n = s_route.depth[to];
    for (u16 p = to, i = (u16)n; p != from; p = s_route.came_from[p])
        doors[--i] = s_route.came_by[p];
    return (i64)n;
}

i32 sight_may_pass(void*, const sv_floor* floor, u16 place, u8 door)
{
    return floor && !sv_floor_fogged_by(floor, route_fog(floor), place, door) ? 1 : 0;
}

i32 mob_may_take(void*, const sv_floor* floor, u16 place, u8 door)
{
    if (!floor)
        return 0;
    u16 next = SV_NONE16, from_room = SV_NONE16;
    u8 entry = 0, from_door = 0;
    u64 leads = sv_floor_place_next(floor, place, door, &next, &entry, &from_room, &from_door);
    if (sv_floor_fogged_beyond(floor, route_fog(floor), place, door, leads, next) || !leads)
        return 0;
    if (from_room != SV_NONE16) {
        const sv_door* d = sv_floor_door_const(floor, from_room, from_door);
        if (d && d->locked)
            return 0;
    }
    if (next < floor->room_count && (sv_floor_seal_state(floor, next) & SV_SEAL_SEALED))
        return 0;
    return 1;
}

u8 sv_combat_carry(const sv_floor* floor, sv_carry* c)
{
    if (!floor || !c || !c->geom)
        return 0;
    const sv_geom* geom = c->geom;
    for (u8 k = 0; k < geom->opening_count && k < SV_GEOM_OPENINGS; ++k) {
        const sv_opening* o = &geom->openings[k];
        Vector2 s0 = sv_combat_span_end(o, -1.0f), s1 = sv_combat_span_end(o, 1.0f);
        if (k == c->entered || !sv_geom_segs_cross_strict(c->from, c->to, s0, s1))
            continue;
        if (sv_floor_fogged(floor, c->place, k)) {
            c->fogged = 1; // the leg is made here; the veil ends it
            return 0;
        }
        const sv_portal* found = nullptr;
        const sv_geom* beyond = nullptr;
        u16 next = SV_NONE16;
        u8 entry = SV_NONE8;
        if (!sv_nav_beyond(floor, c->place, geom, k, &found, &beyond, &next, &entry))
            continue;
        const sv_portal portal = *found;
        c->at = crossing(c->from, c->to, s0, s1);
        Vector2 dir = c->dir;
        // Carried into the far frame: the inverse of the portal's far-to-near turn.
        c->dir.x = portal.cosine * dir.x + portal.sine * dir.y;
        c->dir.y = -portal.sine * dir.x + portal.cosine * dir.y;
        c->from = sv_nav_to_beyond(&portal, c->at);
        c->to = sv_nav_to_beyond(&portal, c->to);
        c->y -= portal.height;
        c->place = next;
        c->geom = beyond;
        c->entered = entry;
        return 1;
    }
    return 0;
}

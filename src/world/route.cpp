// Routes across places, crossing doors, way lengths, the cache of places beyond doors and
// collision in doorways. The route tables span every place id a floor can have; the beyond cache
// compares each entry's floor, place, door and door record exactly, never a hash alone.
#include "world/route.h"

#include <cmath>
#include <cstring>

#include "core/fmath.h"
#include "world/body.h"
#include "world/geom.h"
#include "world/nav.h"
#include "world/portal.h"

namespace {

const f32 PI_F = 3.1415927f;
// How far inside a place a landing goes when the carried point has no room.
const f32 LAND_INSIDE = 0.02f;

// Place ids are u16 and 65535 is none, so 65535 slots hold every place of any floor.
constexpr u32 PLACE_IDS = 65535;

u8 s_seen[PLACE_IDS];
u16 s_came_from[PLACE_IDS];
u8 s_came_by[PLACE_IDS];
u16 s_queue[PLACE_IDS];

sv_geom s_way[2];

struct beyond_entry {
    u64 key; // 0 before the entry is first filled
    u32 serial;
    u16 place_count;
    u16 place;
    u8 door;
    sv_opening opening; // the door's record in the asking geometry
    sv_portal portal;   // from the far place into this one
    sv_geom geom;       // of the place beyond
    u16 next;
    u8 entry; // 255 while unset
    u8 valid;
};

beyond_entry s_beyond[SV_BEYOND_ENTRIES];
u8 g_beyond_next = 0;

// Number of places whose ids are in use: rooms first, then corridor pieces.
u32 place_span(const sv_floor* floor)
{
    return floor->place_count > floor->room_count ? floor->place_count : floor->room_count;
}

u64 fnv_bytes(const void* data, size_t n)
{
    const u8* p = static_cast<const u8*>(data);
    u64 h = 1469598103934665603ULL;
    for (size_t i = 0; i < n; ++i)
        h = (h ^ p[i]) * 1099511628211ULL;
    return h;
}

u64 beyond_key(const sv_floor* floor, u16 place, const sv_opening* opening, u8 door)
{
    u64 h = fnv_bytes(opening, sizeof *opening);
    h ^= (u64)place << 8;
    h ^= (u64)floor->serial;
    h ^= floor->seed * 2u;
    h ^= (u64)floor->floor_number << 40;
    h ^= (u64)floor->place_count << 48;
    h ^= (u64)door;
    return h | 1u;
}

f32 dist(Vector2 a, Vector2 b)
{
    f32 dx = b.x - a.x, dz = b.y - a.y;
    return std::sqrt(dx * dx + dz * dz);
}

} // namespace

// Routes ---------------------------------------------------------------------------------------

i64 sv_nav_route(const sv_floor* floor, u16 from, u16 to, u8* doors, u64 cap, sv_door_filter filter,
                 void* user)
{
    if (!floor || !doors || !sv_floor_place_valid(floor, from) || !sv_floor_place_valid(floor, to))
        return -1;
    if (from == to)
        return 0;

    u32 span = place_span(floor);
    memset(s_seen, 0, span);
    u32 head = 0, tail = 0;
    s_seen[from] = 1;
    s_queue[tail++] = from;
    bool found = false;
    while (head < tail && !found) {
        u16 at = s_queue[head++];
        u8 count = sv_floor_place_doors(floor, at);
        for (u8 d = 0; d < count; ++d) {
            u16 next = SV_NONE16;
            if (!sv_floor_place_next(floor, at, d, &next, nullptr, nullptr, nullptr))
                continue;
            if (filter && !filter(user, floor, at, d))
                continue;
            if (!sv_floor_place_valid(floor, next) || next >= span || s_seen[next])
                continue;
            // Each place is queued once, so the queue never outgrows the span.
            s_seen[next] = 1;
            s_came_from[next] = at;
            s_came_by[next] = d;
            s_queue[tail++] = next;
            if (next == to) {
                found = true;
                break;
            }
        }
    }
    if (!found)
        return -1;

    u64 n = 0;
    for (u16 p = to; p != from; p = s_came_from[p])
        ++n;
    if (n > cap)
        return -1;
    u64 i = n;
    for (u16 p = to; p != from; p = s_came_from[p])
        doors[--i] = s_came_by[p];
    return (i64)n;
}

// Crossing ----------------------------------------------------------------------------------------

u8 sv_nav_cross(const sv_floor* floor, const sv_geom* here, u8 door, sv_geom* next, u16* place,
                f32* x, f32* z, f32* y, f32* dir_x, f32* dir_z, u8* entry)
{
    if (!floor || !here || !next || !place || !x || !z || !y || !dir_x || !dir_z)
        return 0;
    if (door >= here->opening_count || door >= SV_GEOM_OPENINGS)
        return 0;
    u16 next_place = SV_NONE16;
    u8 next_entry = 0;
    if (!sv_floor_place_next(floor, *place, door, &next_place, &next_entry, nullptr, nullptr))
        return 0;

    // Copied before the build, which may overwrite here.
    const sv_opening o = here->openings[door];
    const f32 here_sill = here->floor_y + o.rise;
    f32 ox = *x - o.centre.x, oz = *z - o.centre.y;
    f32 depth = ox * sv_cosf(o.yaw) + oz * sv_sinf(o.yaw);
    if (depth < 0.02f)
        depth = 0.02f;
    f32 lateral = ox * o.tangent.x + oz * o.tangent.y;

    sv_geom_build(next, floor, next_place);
    if (next_entry >= next->opening_count || next_entry >= SV_GEOM_OPENINGS)
        next_entry = 0;
    const sv_opening* e = &next->openings[next_entry];
    f32 half = e->width / 2.0f;
    if (lateral > half)
        lateral = half;
    if (lateral < -half)
        lateral = -half;

    *x = e->centre.x + depth * sv_cosf(e->yaw) - lateral * e->tangent.x;
    *z = e->centre.y + depth * sv_sinf(e->yaw) - lateral * e->tangent.y;
    *y += (next->floor_y + e->rise) - here_sill;
    f32 angle = e->yaw - o.yaw - PI_F;
    f32 c = sv_cosf(angle), s = sv_sinf(angle);
    f32 dx = *dir_x, dz = *dir_z;
    *dir_x = dx * c - dz * s;
    *dir_z = dx * s + dz * c;
    *place = next_place;
    if (entry)
        *entry = next_entry;
    return 1;
}

void sv_nav_land(const sv_geom* next, u8 entry, f32 radius, f32* x, f32* z)
{
    if (!next || !x || !z || entry >= next->opening_count || entry >= SV_GEOM_OPENINGS)
        return;
    const sv_opening* e = &next->openings[entry];
    f32 nx = sv_cosf(e->yaw), nz = sv_sinf(e->yaw);
    f32 dx = *x - e->centre.x, dz = *z - e->centre.y;
    f32 depth = dx * nx + dz * nz;
    f32 side = dx * e->tangent.x + dz * e->tangent.y;
    f32 limit = e->width / 2.0f - radius;
    if (!(limit > 0.0f))
        limit = 0.0f;
    bool clamped = side > limit || side < -limit;
    if (clamped)
        side = side > limit ? limit : -limit;
    Vector2 p = {*x, *z};
    if (clamped)
        p = {e->centre.x + depth * nx + side * e->tangent.x,
             e->centre.y + depth * nz + side * e->tangent.y};
    // A body still astride the door line stands as it stood on the other side; one wholly past
    // it must find room here.
    bool stands = sv_geom_contains(next, p)
        && (!(depth > radius) || sv_geom_standable(next, p.x, p.y, radius));
    if (!stands)
        p = {e->centre.x + LAND_INSIDE * nx + side * e->tangent.x,
             e->centre.y + LAND_INSIDE * nz + side * e->tangent.y};
    *x = p.x;
    *z = p.y;
}

// Way lengths ---------------------------------------------------------------------------------

f32 sv_nav_way_length(const sv_floor* floor, const sv_geom* geom, u16 place, f32 radius,
                      Vector2 from, u16 to_place, Vector2 to, sv_door_filter filter, void* user)
{
    if (!floor || !geom)
        return -1.0f;
    if (place == to_place)
        return path_length(geom, radius, from, to);

    u8 route[SV_WAY_DOORS];
    i64 n = sv_nav_route(floor, place, to_place, route, SV_WAY_DOORS, filter, user);
    if (n <= 0)
        return -1.0f;

    const sv_geom* here = geom;
    if (route[0] >= here->opening_count || route[0] >= SV_GEOM_OPENINGS)
        return -1.0f;
    const sv_opening* first = &here->openings[route[0]];
    f32 length = path_length(here, radius, from, first->foot);
    Vector2 p = first->foot;
    f32 dx = first->centre.x - p.x, dz = first->centre.y - p.y;
    f32 dl = std::sqrt(dx * dx + dz * dz);
    if (dl <= 1e-6f) {
        dx = sv_cosf(first->yaw);
        dz = sv_sinf(first->yaw);
    } else {
        dx /= dl;
        dz /= dl;
    }
    f32 y = sv_geom_ground(here, p.x, p.y);

    u16 at = place;
    for (i64 i = 0; i < n; ++i) {
        sv_geom* next = &s_way[i % 2];
        if (!sv_nav_cross(floor, here, route[i], next, &at, &p.x, &p.y, &y, &dx, &dz, nullptr))
            return -1.0f;
        here = next;
        if (i + 1 == n)
            return length + dist(p, to);
        u8 door = route[i + 1];
        if (door >= here->opening_count || door >= SV_GEOM_OPENINGS)
            return -1.0f;
        Vector2 foot = here->openings[door].foot;
        length += dist(p, foot);
        p = foot;
    }
    return -1.0f; // not reached: the last crossing returns
}

// The place beyond a door --------------------------------------------------------------------------

u8 sv_nav_beyond(const sv_floor* floor, u16 place, const sv_geom* geom, u8 door,
                 const sv_portal** portal, const sv_geom** beyond, u16* next, u8* entry)
{
    if (!floor || !geom || door >= geom->opening_count || door >= SV_GEOM_OPENINGS)
        return 0;
    const sv_opening* opening = &geom->openings[door];
    u64 key = beyond_key(floor, place, opening, door);

    beyond_entry* hit = nullptr;
    for (u32 i = 0; i < SV_BEYOND_ENTRIES && !hit; ++i) {
        beyond_entry* e = &s_beyond[i];
        // The key narrows the search; the fields themselves decide, so no collision of keys
        // hands back another floor's or another door's neighbour.
        if (e->key == key && e->serial == floor->serial && e->place_count == floor->place_count
            && e->place == place && e->door == door
            && memcmp(&e->opening, opening, sizeof *opening) == 0)
            hit = e;
    }
    if (!hit) {
        u32 slot = g_beyond_next;
        if (&s_beyond[slot].geom == geom)
            slot = (slot + 1) % SV_BEYOND_ENTRIES;
        g_beyond_next = (u8)((slot + 1) % SV_BEYOND_ENTRIES);
        hit = &s_beyond[slot];
        // The opening is copied before the build: geom may be another entry's geometry, never
        // this one's, but the copy keeps the comparison record whole either way.
        sv_opening asked = *opening;
        hit->key = key;
        hit->serial = floor->serial;
        hit->place_count = floor->place_count;
        hit->place = place;
        hit->door = door;
        hit->opening = asked;
        hit->next = SV_NONE16;
        hit->entry = SV_NONE8;
        hit->valid = 0;
        if (sv_portal_through(&hit->portal, &hit->geom, floor, place, geom, door)) {
            u16 np = SV_NONE16;
            u8 ne = SV_NONE8;
            hit->valid
                = sv_floor_place_next(floor, place, door, &np, &ne, nullptr, nullptr) ? 1 : 0;
            hit->next = np;
            hit->entry = ne;
        }
    }
    if (!hit->valid)
        return 0;
    if (portal)
        *portal = &hit->portal;
    if (beyond)
        *beyond = &hit->geom;
    if (next)
        *next = hit->next;
    if (entry)
        *entry = hit->entry;
    return 1;
}

Vector2 sv_nav_to_beyond(const sv_portal* portal, Vector2 p)
{
    if (!portal)
        return p;
    f32 dx = p.x - portal->near_centre.x, dz = p.y - portal->near_centre.y;
    return {portal->cosine * dx + portal->sine * dz + portal->far_centre.x,
            -portal->sine * dx + portal->cosine * dz + portal->far_centre.y};
}

// Collision in doorways -------------------------------------------------------------------------

void sv_nav_collide_beyond(const sv_geom* beyond, const sv_portal* portal, u8 entry, f32* x, f32* z,
                           f32 radius, f32 y, f32 step_height)
{
    if (!beyond || !portal || !x || !z)
        return;
    Vector2 far = sv_nav_to_beyond(portal, {*x, *z});
    f32 fx = far.x, fz = far.y;
    sv_player_collide_beyond(beyond, entry, &fx, &fz, radius, y - portal->height, step_height);
    if (fx != far.x || fz != far.y) {
        Vector2 back = sv_portal_point(portal, {fx, fz});
        *x = back.x;
        *z = back.y;
    }
}

void sv_nav_collide(const sv_floor* floor, u16 place, const sv_geom* geom, f32* x, f32* z,
                    f32 radius, f32 y, f32 step_height)
{
    if (!geom || !x || !z)
        return;
    sv_player_collide(geom, x, z, radius, y, step_height);
    if (!floor)
        return;
    for (u8 k = 0; k < geom->opening_count && k < SV_GEOM_OPENINGS; ++k) {
        const sv_opening* o = &geom->openings[k];
        f32 dx = *x - o->centre.x, dz = *z - o->centre.y;
        f32 across = dx * sv_cosf(o->yaw) + dz * sv_sinf(o->yaw);
        f32 along = dx * o->tangent.x + dz * o->tangent.y;
        if (std::fabs(across) > radius || std::fabs(along) > o->width / 2.0f + radius)
            continue;
        const sv_portal* portal = nullptr;
        const sv_geom* beyond = nullptr;
        u8 entry = SV_NONE8;
        if (!sv_nav_beyond(floor, place, geom, k, &portal, &beyond, nullptr, &entry))
            continue;
        f32 bx = *x, bz = *z;
        sv_nav_collide_beyond(beyond, portal, entry, x, z, radius, y, step_height);
        if (*x != bx || *z != bz)
            sv_player_collide(geom, x, z, radius, y, step_height);
    }
}

namespace {

// What sv_nav_collide_moved collides with.
struct nav_collision {
    const sv_floor* floor;
    u16 place;
    const sv_geom* geom;
    f32 radius, step;
};

void collide_nav(void* ctx, f32* x, f32* z, f32 y)
{
    const nav_collision* c = static_cast<const nav_collision*>(ctx);
    sv_nav_collide(c->floor, c->place, c->geom, x, z, c->radius, y, c->step);
}

} // namespace

void sv_nav_collide_moved(const sv_floor* floor, u16 place, const sv_geom* geom, f32* x, f32* z,
                          f32 radius, f32 y, f32 step_height, f32 moved)
{
    if (!geom || !x || !z)
        return;
    nav_collision c = {floor, place, geom, radius, step_height};
    sv_body_collide_eased(collide_nav, &c, x, z, y, moved);
}

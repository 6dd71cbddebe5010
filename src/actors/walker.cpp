// The walker's tick: lock-on and use, the player tick, collision with the place and the places
// beyond its doors, lock-on easing, the combat step, pickups, props and door crossing with locks
// and keys; and the queries the front end asks of it (prop, fog veil and mob in reach).
#include "actors/walker.h"

#include <cmath>
#include <cstring>

#include "actors/combat.h"
#include "core/fmath.h"
#include "core/tune.h"
#include "world/body.h"
#include "world/geom.h"
#include "world/nav.h"
#include "world/portal.h"
#include "world/prim.h"
#include "world/route.h"

namespace {

const f64 K_PI = 3.14159265358979323846;
// Corridor pieces a fog veil is looked for beyond an open door.
const u32 FOG_CHAIN = 3;
// Points of one path search toward a door.
const u64 PATH_CAP = 96;

f32 tune_f(u32 index)
{
    return (f32)sv_tune(index);
}

// An angle wrapped into -pi..pi: the remainder by 2 pi, then one correction of 2 pi.
f32 wrap_pi(f32 a)
{
    f64 r = std::fmod((f64)a, 2.0 * K_PI);
    if (r > K_PI)
        r -= 2.0 * K_PI;
    else if (r < -K_PI)
        r += 2.0 * K_PI;
    return (f32)r;
}

f32 dist2(f32 ax, f32 az, f32 bx, f32 bz)
{
    f32 dx = ax - bx, dz = az - bz;
    return dx * dx + dz * dz;
}

bool in_room(const sv_walker* w, const sv_floor* floor)
{
    return w->place == w->room && w->place < floor->room_count;
}

void release_lock(sv_walker* w)
{
    w->lock_mob = SV_NONE16;
    w->lock_break = 0.0f;
}

// The locked mob's position in the walker's frame when it lives and is seen.
bool locked_seen(const sv_walker* w, const sv_floor* floor, f32* x, f32* z)
{
    const sv_mob* mob = sv_floor_mob_const(floor, w->lock_mob);
    f32 y = 0.0f;
    return mob && mob->hp > 0.0f && sv_combat_mob_from_here(w, floor, w->lock_mob, x, z, &y);
}

// Rotates (x, z) by angle r.
void turn(f32* x, f32* z, f32 r)
{
    f32 c = sv_cosf(r), s = sv_sinf(r);
    f32 nx = *x * c - *z * s, nz = *x * s + *z * c;
    *x = nx;
    *z = nz;
}

// The lock holds while the mob lives and is seen and the player does not turn away
// hard; while it holds, the player's own turning is swallowed.
void lock_upkeep(sv_walker* w, const sv_floor* floor, sv_input* in)
{
    if (w->lock_mob == SV_NONE16)
        return;
    f32 x = 0.0f, z = 0.0f;
    if (!locked_seen(w, floor, &x, &z)) {
        release_lock(w);
        return;
    }
    w->lock_break
        = tune_f(SV_TUNE_PLAYER_LOCK_BREAK_DECAY) * w->lock_break + std::fabs(in->yaw_delta);
    f32 limit = (f32)(sv_tune(SV_TUNE_PLAYER_LOCK_BREAK_TURN) * K_PI / 180.0);
    if (w->lock_break > limit)
        release_lock(w);
    else
        in->yaw_delta = 0.0f;
}

// Use locks on to (or releases) the mob in aim, else starts a fog walk; returns the
// event, clearing in->use when it was consumed.
u8 use_button(sv_walker* w, sv_floor* floor, sv_input* in)
{
    if (!in->use || !sv_player_alive(&w->player))
        return SV_EVENT_NONE;
    i32 aim = sv_walker_mob_in_aim(w, floor);
    if (aim >= 0) {
        in->use = 0;
        if ((u16)aim == w->lock_mob) {
            release_lock(w);
            return SV_EVENT_LOCK_RELEASED;
        }
        f32 x = 0.0f, z = 0.0f, y = 0.0f;
        sv_combat_mob_from_here(w, floor, (u16)aim, &x, &z, &y);
        w->lock_mob = (u16)aim;
        w->lock_break = 0.0f;
        w->last_bearing = sv_atan2f(z - w->player.z, x - w->player.x);
        return SV_EVENT_LOCKED_ON;
    }
    const sv_player* p = &w->player;
    if (p->walk_left != 0 || p->dodge_left != 0 || p->phase != SV_PHASE_IDLE)
        return SV_EVENT_NONE;
    sv_fog_reach r = sv_walker_fog_in_reach(w, floor);
    if (sv_fog_door(r) == SV_NONE8)
        return SV_EVENT_NONE;
    in->use = 0;
    return use_fog(w, sv_fog_door(r), sv_fog_pieces(r), sv_fog_admits(r), sv_fog_length(r));
}

// The body pushed out of the places beyond the doors it overlaps (collided since it last moved:
// a face it still overlaps eases it out); the feet follow the ground when the push moved a
// grounded body onto ground no more than a step below.
void collide_beyond(sv_walker* w, const sv_floor* floor)
{
    sv_player* p = &w->player;
    f32 step = tune_f(SV_TUNE_PLAYER_STEP_HEIGHT);
    f32 x = p->x, z = p->z;
    sv_nav_collide_moved(floor, w->place, &w->geom, &p->x, &p->z, tune_f(SV_TUNE_PLAYER_RADIUS),
                         p->y, step, 0.0f);
    if ((p->x != x || p->z != z) && !p->airborne) {
        f32 g = sv_geom_ground(&w->geom, p->x, p->z);
        if (g >= p->y - step)
            p->y = g;
    }
}

// The view eases toward the locked mob; a dodge circles it.
void lock_ease(sv_walker* w, const sv_floor* floor)
{
    if (w->lock_mob == SV_NONE16)
        return;
    f32 x = 0.0f, z = 0.0f;
    if (!locked_seen(w, floor, &x, &z))
        return;
    sv_player* p = &w->player;
    f32 bearing = sv_atan2f(z - p->z, x - p->x);
    f32 change = wrap_pi(bearing - w->last_bearing);
    w->last_bearing = bearing;
    p->yaw += tune_f(SV_TUNE_PLAYER_LOCK_EASE) * wrap_pi(bearing - p->yaw);
    if (p->dodge_left != 0)
        turn(&p->dodge_x, &p->dodge_z, change);
}

bool spot_in_reach(const sv_walker* w, u32 spot, f32 reach)
{
    Vector3 s = sv_geom_prop_spot(&w->geom, spot);
    return dist2(w->player.x, w->player.z, s.x, s.z) <= reach * reach;
}

u32 add_key(u32 n)
{
    return n == 0xffffffffu ? n : n + 1;
}

// The weapon, the Prism and the Shard of the room, each when its spot is in reach.
void pickups(sv_walker* w, sv_floor* floor)
{
    if (!in_room(w, floor))
        return;
    sv_player* p = &w->player;
    f32 reach = tune_f(SV_TUNE_PLAYER_PICKUP_REACH);
    u16 room = w->room;
    i32 slot = sv_floor_weapon_in(floor, room);
    if (slot >= 0 && spot_in_reach(w, SV_PROP_WEAPON, reach)
        && sv_floor_take_weapon(floor, (u32)slot)) {
        sv_player_arm(p, (u8)slot, &floor->weapons[slot]);
        if (slot == SV_SLOT_RANGED) {
            u64 start = (u64)sv_tune(SV_TUNE_GRIT_START);
            u64 max = (u64)sv_tune(SV_TUNE_GRIT_MAX);
            u64 room_left = max > p->grit ? max - p->grit : 0;
            p->grit += (u32)(start < room_left ? start : room_left);
        }
    }
    const sv_room* r = sv_floor_room_const(floor, room);
    u8 taken = sv_floor_taken(floor, room);
    if ((r->tags & SV_TAG_PRISM) && !(taken & SV_TAG_PRISM)
        && spot_in_reach(w, SV_PROP_PRISM, reach) && sv_floor_take(floor, room, SV_TAG_PRISM))
        p->prisms = add_key(p->prisms);
    if ((r->tags & SV_TAG_SHARD) && !(taken & SV_TAG_SHARD)
        && spot_in_reach(w, SV_PROP_SHARD, reach) && sv_floor_take(floor, room, SV_TAG_SHARD))
        p->shards = add_key(p->shards);
}

// Use on the landmark or the chest in reach.
u8 use_prop(sv_walker* w, sv_floor* floor)
{
    i32 prop = sv_walker_prop_in_reach(w, floor);
    if (prop == SV_USE_LANDMARK)
        return sv_floor_room_has(floor, w->room, SV_TAG_MONUMENT) ? SV_EVENT_MONUMENT
                                                                  : SV_EVENT_FOUNTAIN;
    if (prop != SV_USE_CHEST)
        return SV_EVENT_NONE;
    sv_chest* chest = sv_floor_chest_in_mut(floor, w->room);
    if (!chest || chest->opened)
        return SV_EVENT_NONE;
    if (chest->locked) {
        if (w->player.shards == 0)
            return SV_EVENT_CHEST_LOCKED;
        w->player.shards -= 1;
        chest->locked = 0;
    }
    chest->opened = 1;
    return SV_EVENT_CHEST_OPENED;
}

// The arrival door is forgotten once the player has left its doorway.
void arrival_upkeep(sv_walker* w)
{
    if (w->arrival_door == SV_NONE8)
        return;
    if (w->arrival_door >= w->geom.opening_count) {
        w->arrival_door = SV_NONE8;
        return;
    }
    const sv_opening* o = &w->geom.openings[w->arrival_door];
    f32 dx = w->player.x - o->centre.x, dz = w->player.z - o->centre.y;
    f32 a = sv_cosf(o->yaw) * dx + sv_sinf(o->yaw) * dz;
    f32 l = o->tangent.x * dx + o->tangent.y * dz;
    if (a > tune_f(SV_TUNE_PLAYER_DOOR_REACH) || std::fabs(l) > o->width * 0.5f)
        w->arrival_door = SV_NONE8;
}

bool room_sealed(const sv_floor* floor, u16 place)
{
    return place < floor->room_count && (sv_floor_seal_state(floor, place) & SV_SEAL_SEALED);
}

// Spends the key a locked door of this kind takes and unlocks it: false (nothing spent) when
// the player lacks it or no key opens the kind.
bool unlock(sv_player* p, sv_door* door)
{
    if (!door || !door->locked)
        return true;
    u32* keys = nullptr;
    if (door->kind == SV_DOOR_AXIOM || door->kind == SV_DOOR_EXIT)
        keys = &p->prisms;
    else if (door->kind == SV_DOOR_SCION)
        keys = &p->shards;
    if (!keys || *keys == 0)
        return false;
    *keys -= 1;
    door->locked = 0;
    return true;
}

// Carries the walker through opening `door` of its place into next, entered by entry.
void cross(sv_walker* w, sv_floor* floor, u8 door, u16 next, u8 entry, f32 a, f32 l)
{
    sv_player* p = &w->player;
    const sv_opening o = w->geom.openings[door];
    f32 h0 = w->geom.floor_y + o.rise;
    bool walked = p->walk_left != 0 && p->walk_door == door;
    w->place = next;
    release_lock(w);
    sv_geom_build(&w->geom, floor, next);
    if (next < floor->room_count)
        w->room = next;
    u8 e = entry < w->geom.opening_count ? entry : 0;
    if (w->geom.opening_count == 0) {
        // A place with no openings cannot be entered by a door; stand at its middle.
        p->x = p->z = 0.0f;
        p->y = sv_geom_ground(&w->geom, 0.0f, 0.0f);
        w->arrival_door = SV_NONE8;
        return;
    }
    const sv_opening* n = &w->geom.openings[e];
    f32 nx = sv_cosf(n->yaw), nz = sv_sinf(n->yaw);
    f32 half = n->width * 0.5f;
    f32 lc = l < -half ? -half : (l > half ? half : l);
    p->x = n->centre.x + a * nx - lc * n->tangent.x;
    p->z = n->centre.y + a * nz - lc * n->tangent.y;
    // A long reach may carry the point past a shallow place's far side, or keep a side offset
    // that lays the body over a door-wide place's side wall: it lands where it can stand.
    sv_nav_land(&w->geom, e, tune_f(SV_TUNE_PLAYER_RADIUS), &p->x, &p->z);
    p->y += w->geom.floor_y + n->rise - h0;
    if (!p->airborne) {
        f32 g = sv_geom_ground(&w->geom, p->x, p->z);
        if (g >= p->y - tune_f(SV_TUNE_PLAYER_STEP_HEIGHT))
            p->y = g;
    }
    f32 r = (f32)((f64)n->yaw - (f64)o.yaw - K_PI);
    p->yaw += r;
    turn(&p->vx, &p->vz, r);
    if (p->dodge_left != 0)
        turn(&p->dodge_x, &p->dodge_z, r);
    turn(&p->move_x, &p->move_z, r);
    w->arrival_door = e;
    if (walked) {
        p->path_index = p->path_count;
        if (p->gates > 0 && w->geom.opening_count == 2) {
            p->gates -= 1;
            p->walk_door = e == 0 ? 1 : 0;
        } else {
            p->walk_door = e;
            p->walk_inward = 1;
        }
    }
    if (next < floor->room_count) {
        sv_floor_visit(floor, next);
        sv_floor_stand_waiting(floor, next);
        if (sv_tune(SV_TUNE_SCION_GATE_SEALS) != 0.0)
            sv_floor_seal(floor, next);
    }
}

// The first opening the player walks out through, keys and seals permitting: 2 the
// exit, 1 another place, 0 none.
i32 door_crossing(sv_walker* w, sv_floor* floor)
{
    sv_player* p = &w->player;
    // A dead body goes nowhere, even when a fog walk still carries it toward a door.
    if (!sv_player_alive(p) || room_sealed(floor, w->place))
        return 0;
    f32 reach = tune_f(SV_TUNE_PLAYER_DOOR_REACH);
    // Collision holds a body 0.01 inside a door line: a smaller reach could never be met.
    if (!(reach >= SV_WALKER_CROSS_REACH))
        reach = SV_WALKER_CROSS_REACH;
    const sv_room* room = in_room(w, floor) ? sv_floor_room_const(floor, w->place) : nullptr;
    for (u8 i = 0; i < w->geom.opening_count; ++i) {
        const sv_opening* o = &w->geom.openings[i];
        f32 nx = sv_cosf(o->yaw), nz = sv_sinf(o->yaw);
        f32 dx = p->x - o->centre.x, dz = p->z - o->centre.y;
        f32 a = nx * dx + nz * dz;
        f32 l = o->tangent.x * dx + o->tangent.y * dz;
        if (!(a <= reach) || !(std::fabs(l) <= o->width * 0.5f)
            || !(nx * p->move_x + nz * p->move_z < -0.0001f))
            continue;
        bool walked = p->walk_left != 0 && p->walk_door == i;
        if (sv_floor_fogged(floor, w->place, i) && !walked)
            continue;
        if (room && i < room->door_count && room->doors[i].kind == SV_DOOR_EXIT) {
            if (!unlock(p, sv_floor_door(floor, w->place, i)))
                continue;
            return 2;
        }
        u16 next = SV_NONE16, from_room = SV_NONE16;
        u8 entry = 0, from_door = 0;
        if (!sv_floor_place_next(floor, w->place, i, &next, &entry, &from_room, &from_door))
            continue;
        if (!unlock(p, sv_floor_door(floor, from_room, from_door)))
            continue;
        if (room_sealed(floor, next))
            continue;
        cross(w, floor, i, next, entry, a, l);
        return 1;
    }
    return 0;
}

// A span (centre +- half width along the tangent) of opening o carried through the portals
// chain[count - 1] .. chain[0] into the walker's frame.
Vector2 to_walker(const sv_portal* chain, u32 count, Vector2 p)
{
    for (u32 k = count; k-- > 0;)
        p = sv_portal_point(&chain[k], p);
    return p;
}

struct fog_best {
    f32 best;
    f32 fx, fz; // facing
    sv_fog_reach result;
};

// Whether a candidate at squared distance d2 takes the place of the best so far: within the
// reach, and nearer than a candidate already found (ties keep the earlier).
bool nearer(const fog_best* b, f32 d2)
{
    bool found = (u8)(b->result & 0xffu) != SV_NONE8;
    return found ? d2 < b->best : d2 <= b->best;
}

sv_fog_reach pack_fog(u8 door, u8 pieces, u8 admits, u8 exit, f32 length)
{
    u32 bits = 0;
    std::memcpy(&bits, &length, sizeof bits);
    return (u64)door | ((u64)pieces << 8) | ((u64)admits << 16) | ((u64)exit << 24)
        | ((u64)bits << 32);
}

// The corridor beyond open door i of the walker's place, followed through at most 3 pieces to
// the first fogged far opening, offered when ahead, near and seen through every doorway.
void fog_beyond(const sv_walker* w, const sv_floor* floor, u8 i, fog_best* out)
{
    const sv_player* p = &w->player;
    Vector2 me = {p->x, p->z};
    Vector2 spans[FOG_CHAIN + 1][2];
    sv_portal chain[FOG_CHAIN];
    const sv_opening* o = &w->geom.openings[i];
    f32 half = o->width * 0.5f;
    spans[0][0] = {o->centre.x - o->tangent.x * half, o->centre.y - o->tangent.y * half};
    spans[0][1] = {o->centre.x + o->tangent.x * half, o->centre.y + o->tangent.y * half};
    u32 span_count = 1;
    Vector2 prev = o->centre;
    f32 length = 0.0f;
    u16 place = w->place;
    const sv_geom* geom = &w->geom;
    u8 door = i;
    for (u32 k = 0; k < FOG_CHAIN; ++k) {
        const sv_portal* portal = nullptr;
        const sv_geom* beyond = nullptr;
        u16 next = SV_NONE16;
        u8 entry = 0;
        if (!sv_nav_beyond(floor, place, geom, door, &portal, &beyond, &next, &entry))
            return;
        if (next < floor->room_count || beyond->opening_count != 2 || entry > 1)
            return;
        chain[k] = *portal;
        u8 far = entry == 0 ? 1 : 0;
        const sv_opening* f = &beyond->openings[far];
        Vector2 c = to_walker(chain, k + 1, f->centre);
        length += std::sqrt(dist2(c.x, c.y, prev.x, prev.y));
        prev = c;
        if (sv_floor_fogged(floor, next, far)) {
            f32 d2 = dist2(c.x, c.y, me.x, me.y);
            if (!nearer(out, d2) || !(out->fx * (c.x - me.x) + out->fz * (c.y - me.y) > 0.0f))
                return;
            for (u32 s = 0; s < span_count; ++s)
                if (!sv_geom_segs_cross_strict(me, c, spans[s][0], spans[s][1]))
                    return;
            out->best = d2;
            out->result = pack_fog(i, (u8)(k + 1), admits_at(w, floor, next, far), 0, length);
            return;
        }
        f32 fh = f->width * 0.5f;
        Vector2 a = {f->centre.x - f->tangent.x * fh, f->centre.y - f->tangent.y * fh};
        Vector2 b = {f->centre.x + f->tangent.x * fh, f->centre.y + f->tangent.y * fh};
        spans[span_count][0] = to_walker(chain, k + 1, a);
        spans[span_count][1] = to_walker(chain, k + 1, b);
        span_count += 1;
        place = next;
        geom = beyond;
        door = far;
    }
}

} // namespace

f32 sv_fog_length(sv_fog_reach r)
{
    u32 bits = (u32)(r >> 32);
    f32 length = 0.0f;
    std::memcpy(&length, &bits, sizeof length);
    return length;
}

void sv_walker_start(sv_walker* walker, sv_floor* floor, u16 room)
{
    if (!walker || !floor || !sv_floor_room_valid(floor, room))
        return;
    walker->place = room;
    walker->room = room;
    sv_geom_build(&walker->geom, floor, room);
    sv_player_spawn(&walker->player, &walker->geom);
    walker->arrival_door = SV_NONE8;
    walker->last_event = SV_EVENT_NONE;
    walker->ray_x = walker->ray_y = walker->ray_z = 0.0f;
    walker->tracer = 0;
    walker->lock_mob = SV_NONE16;
    walker->lock_break = 0.0f;
    walker->last_bearing = 0.0f;
    sv_floor_visit(floor, room);
}

i32 sv_walker_step(sv_walker* walker, sv_floor* floor, sv_input* input)
{
    if (!walker || !floor)
        return 0;
    sv_input none;
    std::memset(&none, 0, sizeof none);
    sv_input* in = input ? input : &none;
    lock_upkeep(walker, floor, in);
    u8 event = use_button(walker, floor, in);
    sv_input copy = *in;
    sv_player_step(&walker->player, &walker->geom, &copy);
    collide_beyond(walker, floor);
    lock_ease(walker, floor);
    sv_combat_tick(walker, floor);
    pickups(walker, floor);
    if (in->use)
        event = use_prop(walker, floor);
    walker->last_event = event;
    arrival_upkeep(walker);
    return door_crossing(walker, floor);
}

i32 sv_walker_prop_in_reach(const sv_walker* walker, const sv_floor* floor)
{
    if (!walker || !floor || !in_room(walker, floor))
        return SV_USE_NONE;
    const sv_room* room = sv_floor_room_const(floor, walker->place);
    f32 reach = tune_f(SV_TUNE_PLAYER_USE_REACH);
    f32 limit = reach * reach;
    bool landmark = false;
    if (room->tags & (SV_TAG_FOUNTAIN | SV_TAG_MONUMENT)) {
        Vector3 s = sv_geom_prop_spot(&walker->geom, SV_PROP_CENTRE);
        f32 d2 = dist2(walker->player.x, walker->player.z, s.x, s.z);
        if (d2 <= limit) {
            landmark = true;
            limit = d2;
        }
    }
    const sv_chest* chest = sv_floor_chest_in(floor, walker->place);
    if (chest && !chest->opened) {
        Vector3 s = sv_geom_prop_spot(&walker->geom, SV_PROP_CHEST);
        if (dist2(walker->player.x, walker->player.z, s.x, s.z) <= limit)
            return SV_USE_CHEST;
    }
    return landmark ? SV_USE_LANDMARK : SV_USE_NONE;
}

sv_fog_reach sv_walker_fog_in_reach(const sv_walker* walker, const sv_floor* floor)
{
    fog_best b;
    b.result = pack_fog(SV_NONE8, 0, 0, 0, 0.0f);
    if (!walker || !floor)
        return b.result;
    const sv_player* p = &walker->player;
    f32 reach = tune_f(SV_TUNE_FOG_REACH);
    b.best = reach * reach;
    b.fx = sv_cosf(p->yaw);
    b.fz = sv_sinf(p->yaw);
    const sv_room* room
        = in_room(walker, floor) ? sv_floor_room_const(floor, walker->place) : nullptr;
    for (u8 i = 0; i < walker->geom.opening_count; ++i) {
        if (!sv_floor_fogged(floor, walker->place, i)) {
            fog_beyond(walker, floor, i, &b);
            continue;
        }
        const sv_opening* o = &walker->geom.openings[i];
        f32 d2 = dist2(o->centre.x, o->centre.y, p->x, p->z);
        if (!nearer(&b, d2) || !(b.fx * (o->centre.x - p->x) + b.fz * (o->centre.y - p->z) > 0.0f))
            continue;
        u8 exit = room && i < room->door_count && room->doors[i].kind == SV_DOOR_EXIT;
        b.best = d2;
        b.result = pack_fog(i, 0, admits_at(walker, floor, walker->place, i), exit, 0.0f);
    }
    return b.result;
}

i32 sv_walker_mob_in_aim(const sv_walker* walker, const sv_floor* floor)
{
    if (!walker || !floor)
        return -1;
    f32 arc = tune_f(SV_TUNE_PLAYER_LOCK_ARC) * 3.14159265f / 180.0f;
    f32 best = arc;
    i32 found = -1;
    for (u16 i = 0; i < floor->mob_count; ++i) {
        if (!(floor->mobs[i].hp > 0.0f))
            continue;
        f32 x = 0.0f, z = 0.0f, y = 0.0f;
        if (!sv_combat_mob_from_here(walker, floor, i, &x, &z, &y))
            continue;
        f32 bearing = sv_atan2f(z - walker->player.z, x - walker->player.x);
        f32 off = std::fabs(wrap_pi(bearing - walker->player.yaw));
        if (off <= best) {
            best = off;
            found = i;
        }
    }
    return found;
}

u8 admits_at(const sv_walker* walker, const sv_floor* floor, u16 place, u8 door)
{
    if (!walker || !floor)
        return 0;
    return sv_door_admits(floor, place, door, walker->player.shards, walker->player.prisms);
}

i32 sv_walker_admits(const sv_walker* walker, const sv_floor* floor, u8 door)
{
    if (!walker || !floor || door >= walker->geom.opening_count)
        return 0;
    return admits_at(walker, floor, walker->place, door);
}

u8 use_fog(sv_walker* walker, u8 door, u8 pieces, u8 admits, f32 length)
{
    if (!walker || door >= walker->geom.opening_count)
        return SV_EVENT_NONE;
    if (!admits)
        return SV_EVENT_FOG_REFUSED;
    sv_player* p = &walker->player;
    const sv_opening* o = &walker->geom.openings[door];
    p->path_count = 0;
    p->path_index = 0;
    f32 lx = p->x, lz = p->z, path_length = 0.0f;
    if (dist2(p->x, p->z, o->centre.x, o->centre.y) >= 0.36f) {
        Vector2 points[PATH_CAP];
        u64 n = sv_nav_path(&walker->geom, tune_f(SV_TUNE_PLAYER_RADIUS), {p->x, p->z}, o->centre,
                            points, PATH_CAP);
        for (u64 k = 0; n >= 2 && k + 1 < n && p->path_count < SV_DOOR_WALK_PATH; ++k) {
            f32 d2 = dist2(points[k].x, points[k].y, lx, lz);
            if (d2 < 0.0025f)
                continue;
            p->walk_path_x[p->path_count] = points[k].x;
            p->walk_path_z[p->path_count] = points[k].y;
            p->path_count += 1;
            path_length += std::sqrt(d2);
            lx = points[k].x;
            lz = points[k].y;
        }
    }
    f32 remaining = std::sqrt(dist2(lx, lz, o->centre.x, o->centre.y));
    u32 ticks = sv_sim_ticks(tune_f(SV_TUNE_FOG_WALK_TIME));
    p->walk_left = p->walk_total = ticks < 1 ? 1 : ticks;
    p->walk_length = tune_f(SV_TUNE_FOG_WALK_DEPTH) + remaining + path_length + length;
    p->walk_done = 0.0f;
    p->walk_door = door;
    p->walk_inward = 0;
    p->gates = pieces;
    return SV_EVENT_FOG_WALK;
}

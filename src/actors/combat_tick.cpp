// The combat half of a tick: the player's blow, mob statuses, shots in flight, every mob's sight,
// leash and AI step; the walker's sight of a mob; passive mode. The tenacity stream is drawn only
// by the leash, in mob index order.
#include <cmath>
#include <cstring>

#include "actors/afflict.h"
#include "actors/combat.h"
#include "actors/mob.h"
#include "core/fmath.h"
#include "core/rng.h"
#include "core/tune.h"
#include "world/body.h"
#include "world/geom.h"
#include "world/geom_cache.h"
#include "world/portal.h"
#include "world/prim.h"
#include "world/route.h"

namespace {

const f32 PI_F = 3.14159265f;
const f32 DEG = PI_F / 180.0f;
const f32 ZERO_LENGTH = 0.0001f;
const u64 SIGHT_DOORS = 4;
const f32 RAY_STEP = 0.25f;
const u32 RAY_HALVINGS = 4;
const u16 WAY_AGE_MAX = 30;
// A shot's move is flown in pieces no longer than this, each pushed off the walls with its own
// length as radius; moves of the base pack's speeds are one piece.
const f32 SHOT_PIECE = 0.5f;
const u32 SHOT_PIECES_MAX = 64;
// Doors one piece of a shot's move may pass.
const u32 SHOT_DOORS_MAX = 8;

u8 g_passive = 0;

f32 tune(u32 index)
{
    return (f32)sv_tune(index);
}

f32 hypot2(f32 x, f32 z)
{
    return std::sqrt(x * x + z * z);
}

// The geometry of place as the tick sees it: the walker's own, else the place cache's.
const sv_geom* geom_of(const sv_walker* walker, const sv_floor* floor, u16 place)
{
    return place == walker->place ? &walker->geom : sv_geom_cached(floor, place);
}

// ---- The player's blow ----

// The hitscan ray's horizontal length: to the range, the ceiling, the wall polygon, the first
// blocked sight line or the ground.
f32 ray_length(const sv_walker* walker, const sv_attack* attack, f32 eye)
{
    const sv_player* p = &walker->player;
    const sv_geom* g = &walker->geom;
    f32 cp = sv_cosf(p->pitch), sp = sv_sinf(p->pitch), tp = sv_tanf(p->pitch);
    f32 cw = sv_cosf(p->yaw), sw = sv_sinf(p->yaw);
    f32 range = attack->range;
    f32 len = cp * range;
    if (sp > 0.0f && (g->ceiling_y - eye) / sp < range)
        len = cp * ((g->ceiling_y - eye) / sp);
    Vector3 from = {p->x, eye, p->z};
    auto point = [&](f32 s) { return Vector3 {p->x + cw * s, eye + tp * s, p->z + sw * s}; };
    f32 prev = 0.0f;
    f32 h_prev = eye - sv_geom_ground(g, p->x, p->z);
    while (prev < len) {
        f32 s = prev + RAY_STEP < len ? prev + RAY_STEP : len;
        Vector3 at = point(s);
        if (!sv_geom_contains(g, {at.x, at.z}))
            break;
        if (!sv_geom_sightline_at(g, &from, &at)) {
            f32 lo = prev, hi = s;
            for (u32 i = 0; i < RAY_HALVINGS; ++i) {
                f32 mid = (lo + hi) / 2.0f;
                Vector3 m = point(mid);
                if (sv_geom_sightline_at(g, &from, &m))
                    lo = mid;
                else
                    hi = mid;
            }
            return lo;
        }
        f32 h = at.y - sv_geom_ground(g, at.x, at.z);
        if (h < 0.0f)
            return h_prev > 0.0f ? prev + (h_prev / (h_prev - h)) * (s - prev) : prev;
        prev = s;
        h_prev = h;
    }
    return len;
}

void blow_hitscan(sv_walker* walker, sv_floor* floor, const sv_attack* attack, f32 damage)
{
    const sv_player* p = &walker->player;
    f32 eye = p->y + tune(SV_TUNE_PLAYER_EYE_HEIGHT);
    f32 r = tune(SV_TUNE_PLAYER_RADIUS);
    f32 cw = sv_cosf(p->yaw), sw = sv_sinf(p->yaw), tp = sv_tanf(p->pitch);
    f32 best = ray_length(walker, attack, eye);
    i32 best_mob = -1;
    for (u16 i = 0; i < floor->mob_count; ++i) {
        const sv_mob* mob = &floor->mobs[i];
        f32 mx, mz, base;
        if (!(mob->hp > 0.0f) || !sv_combat_mob_from_here(walker, floor, i, &mx, &mz, &base))
            continue;
        f32 dx = mx - p->x, dz = mz - p->z;
        f32 q = sw * dx - cw * dz;
        if (std::fabs(q) > r)
            continue;
        f32 a = cw * dx + sw * dz;
        f32 c = std::sqrt(r * r - q * q);
        if (a + c <= 0.0f || a - c > best)
            continue;
        f32 t0 = a - c > 0.0f ? a - c : 0.0f, t1 = a + c;
        f32 h0 = eye + tp * t0, h1 = eye + tp * t1;
        f32 lo = h0 < h1 ? h0 : h1, hi = h0 < h1 ? h1 : h0;
        if (hi < base || lo > base + sv_mob_height(mob->kind))
            continue;
        best_mob = i;
        best = t0;
    }
    walker->tracer = 1;
    walker->ray_x = p->x + cw * best;
    walker->ray_y = eye + tp * best;
    walker->ray_z = p->z + sw * best;
    if (best_mob >= 0)
        wound(walker, floor, (u16)best_mob, damage, &attack->applies);
}

void blow_projectile(sv_walker* walker, sv_floor* floor, const sv_attack* attack, f32 damage)
{
    const sv_player* p = &walker->player;
    f32 eye = p->y + tune(SV_TUNE_PLAYER_EYE_HEIGHT);
    f32 speed = attack->speed > 0.0f ? attack->speed : 1.0f;
    u32 life = sv_sim_ticks(attack->range / speed);
    f32 cp = sv_cosf(p->pitch);
    sv_floor_add_shot(floor, walker->place, p->x, eye, p->z, cp * sv_cosf(p->yaw),
                      sv_sinf(p->pitch), cp * sv_sinf(p->yaw), speed, damage, &attack->applies,
                      life > 1 ? life : 1, 0);
}

// 1 when at least one mob was struck.
u8 blow_melee(sv_walker* walker, sv_floor* floor, const sv_attack* attack, f32 damage)
{
    const sv_player* p = &walker->player;
    f32 reach = tune(SV_TUNE_PLAYER_MELEE_REACH);
    f32 least = sv_cosf(tune(SV_TUNE_PLAYER_MELEE_ARC) / 2.0f * DEG);
    f32 cw = sv_cosf(p->yaw), sw = sv_sinf(p->yaw);
    u8 hit = 0;
    for (u16 i = 0; i < floor->mob_count; ++i) {
        f32 mx, mz, base;
        if (!(floor->mobs[i].hp > 0.0f)
            || !sv_combat_mob_from_here(walker, floor, i, &mx, &mz, &base))
            continue;
        f32 dx = mx - p->x, dz = mz - p->z;
        f32 d = hypot2(dx, dz);
        if (d > reach || (d > ZERO_LENGTH && (cw * dx + sw * dz) / d < least))
            continue;
        wound(walker, floor, i, damage, &attack->applies);
        hit = 1;
    }
    return hit;
}

void player_blow(sv_walker* walker, sv_floor* floor)
{
    sv_player* p = &walker->player;
    if (!sv_player_alive(p) || p->phase != SV_PHASE_ACTIVE || p->blow_dealt)
        return;
    const sv_attack* attack = sv_player_attack(p, p->attack);
    f32 damage = sv_modified(&p->afflictions, SV_STAT_DAMAGE_DEALT, attack->damage);
    switch (attack->kind) {
    case SV_ATTACK_RANGED:
        blow_hitscan(walker, floor, attack, damage);
        p->blow_dealt = 1;
        break;
    case SV_ATTACK_SECONDARY:
        blow_projectile(walker, floor, attack, damage);
        p->blow_dealt = 1;
        break;
    case SV_ATTACK_MELEE:
        if (blow_melee(walker, floor, attack, damage))
            p->blow_dealt = 1; // a sweep that meets nothing tries again next tick
        break;
    default: break;
    }
}

// ---- Mob statuses ----

void mob_statuses(sv_walker* walker, sv_floor* floor, f32 dt)
{
    for (u16 i = 0; i < floor->mob_count; ++i) {
        sv_mob* mob = &floor->mobs[i];
        if (!(mob->hp > 0.0f) || !mob->afflictions)
            continue;
        sv_afflictions_tick(mob->afflictions);
        f32 rate = sv_modified(mob->afflictions, SV_STAT_HEALTH_RATE, 0.0f);
        if (rate == 0.0f)
            continue;
        f32 hp = mob->hp + rate * dt;
        mob->hp = hp < mob->body.hp ? hp : mob->body.hp;
        if (!(mob->hp > 0.0f))
            sv_mob_slay(walker, floor, i);
    }
}

// ---- Shots ----

// Whether the segment a-b (heights ya to yb) passes within r of c horizontally at a height
// within lo..hi.
bool seg_meets(Vector2 a, Vector2 b, f32 ya, f32 yb, Vector2 c, f32 r, f32 lo, f32 hi)
{
    Vector2 d = {b.x - a.x, b.y - a.y}, f = {a.x - c.x, a.y - c.y};
    f32 aa = d.x * d.x + d.y * d.y;
    f32 cc = f.x * f.x + f.y * f.y - r * r;
    f32 t0 = 0.0f, t1 = 1.0f;
    if (aa < 1e-12f) {
        if (cc > 0.0f)
            return false;
    } else {
        f32 bb = 2.0f * (f.x * d.x + f.y * d.y);
        f32 disc = bb * bb - 4.0f * aa * cc;
        if (disc < 0.0f)
            return false;
        f32 sq = std::sqrt(disc);
        t0 = (-bb - sq) / (2.0f * aa);
        t1 = (-bb + sq) / (2.0f * aa);
        if (t0 > 1.0f || t1 < 0.0f)
            return false;
        t0 = t0 < 0.0f ? 0.0f : t0;
        t1 = t1 > 1.0f ? 1.0f : t1;
    }
    f32 h0 = ya + (yb - ya) * t0, h1 = ya + (yb - ya) * t1;
    return (h0 > h1 ? h0 : h1) >= lo && (h0 < h1 ? h0 : h1) <= hi;
}

// What a piece of a shot's flight met first.
struct shot_hit {
    i32 mob;   // -1 none
    u8 player; // a hostile shot met the player
};

// Tests one leg of the flight in place (geometry geom) for the first target.
void test_leg(const sv_walker* walker, const sv_floor* floor, const sv_shot* shot, u16 place,
              const sv_geom* geom, Vector2 a, Vector2 b, f32 ya, f32 yb, shot_hit* hit)
{
    if (hit->mob >= 0 || hit->player)
        return;
    f32 r = tune(SV_TUNE_PLAYER_RADIUS);
    if (shot->hostile) {
        const sv_player* p = &walker->player;
        if (place == walker->place && sv_player_alive(p)
            && seg_meets(a, b, ya, yb, {p->x, p->z}, r, p->y,
                         p->y + tune(SV_TUNE_PLAYER_EYE_HEIGHT)))
            hit->player = 1;
        return;
    }
    for (u16 i = 0; i < floor->mob_count; ++i) {
        const sv_mob* mob = &floor->mobs[i];
        if (mob->place != place || !(mob->hp > 0.0f) || mob->waiting)
            continue;
        f32 base = sv_mob_base(geom, mob);
        if (seg_meets(a, b, ya, yb, {mob->x, mob->z}, r, base, base + sv_mob_height(mob->kind))) {
            hit->mob = i;
            return;
        }
    }
}

// The open door (unfogged, a place beyond) whose plane p stands within 0.01 in front of; 255
// none. A door's plane holds bodies 0.01 inside its line, which would count as meeting a wall
// for a shot that stops just short of a door it is about to fly through.
u8 open_door_just_ahead(const sv_floor* floor, u16 place, const sv_geom* geom, Vector2 p)
{
    for (u8 k = 0; k < geom->opening_count && k < SV_GEOM_OPENINGS; ++k) {
        const sv_opening* o = &geom->openings[k];
        f32 dx = p.x - o->centre.x, dz = p.y - o->centre.y;
        f32 ahead = dx * sv_cosf(o->yaw) + dz * sv_sinf(o->yaw);
        f32 along = dx * o->tangent.x + dz * o->tangent.y;
        if (ahead < 0.0f || ahead >= 0.01f || std::fabs(along) > o->width * 0.5f)
            continue;
        u16 next = SV_NONE16;
        if (!sv_floor_fogged(floor, place, k)
            && sv_floor_place_next(floor, place, k, &next, nullptr, nullptr, nullptr))
            return k;
    }
    return SV_NONE8;
}

// Flies one piece of a shot's move (length len): through the doors it passes, off the walls,
// against its bounds and its targets. False when the shot is to die at the end of the tick.
bool fly_piece(sv_walker* walker, sv_floor* floor, sv_shot* shot, f32 len, shot_hit* hit)
{
    const sv_geom* geom = geom_of(walker, floor, shot->place);
    if (!geom)
        return false;
    sv_carry c;
    memset(&c, 0, sizeof c);
    c.place = shot->place;
    c.geom = geom;
    c.from = {shot->x, shot->z};
    c.to = {shot->x + shot->dir_x * len, shot->z + shot->dir_z * len};
    c.dir = {shot->dir_x, shot->dir_z};
    c.y = shot->y;
    c.entered = SV_NONE8;
    f32 rise = shot->dir_y * len;
    f32 flat = hypot2(c.to.x - c.from.x, c.to.y - c.from.y); // horizontal length still to fly
    f32 done = 0.0f;                                         // horizontal length flown
    for (u32 passed = 0; passed < SHOT_DOORS_MAX; ++passed) {
        u16 place = c.place;
        const sv_geom* leg_geom = c.geom;
        Vector2 from = c.from;
        f32 y0 = c.y;
        if (!sv_combat_carry(floor, &c))
            break;
        f32 part = hypot2(c.at.x - from.x, c.at.y - from.y);
        f32 ya = y0 + (flat > 0.0f ? rise * done / flat : 0.0f);
        f32 yb = y0 + (flat > 0.0f ? rise * (done + part) / flat : 0.0f);
        test_leg(walker, floor, shot, place, leg_geom, from, c.at, ya, yb, hit);
        done += part;
    }
    shot->dir_x = c.dir.x;
    shot->dir_z = c.dir.y;
    shot->place = c.place;
    geom = c.geom;
    Vector2 from = c.from, to = c.to;
    f32 y0 = c.y;
    Vector2 pushed = to;
    f32 y_at = y0 + (flat > 0.0f ? rise * done / flat : 0.0f);
    u8 near = open_door_just_ahead(floor, shot->place, geom, to);
    sv_player_collide_beyond(geom, near, &pushed.x, &pushed.y, len > 0.05f ? len : 0.05f, y_at,
                             0.0f);
    bool walled
        = std::fabs(pushed.x - to.x) > ZERO_LENGTH || std::fabs(pushed.y - to.y) > ZERO_LENGTH;
    shot->x = pushed.x;
    shot->z = pushed.y;
    shot->y = y0 + rise;
    bool out = shot->y < sv_geom_ground(geom, shot->x, shot->z) || shot->y > geom->ceiling_y;
    test_leg(walker, floor, shot, shot->place, geom, from, pushed, y_at, shot->y, hit);
    return !(out || walled || c.fogged);
}

void fly_shots(sv_walker* walker, sv_floor* floor, f32 dt)
{
    if (!floor->shots)
        return;
    for (u8 s = 0; s < floor->shots_used && s < SV_FLOOR_SHOTS; ++s) {
        sv_shot* shot = &floor->shots[s];
        if (!shot->live)
            continue;
        f32 step = shot->speed * dt;
        u32 pieces = 1;
        if (step > SHOT_PIECE) {
            f32 n = std::ceil(step / SHOT_PIECE);
            pieces = n < (f32)SHOT_PIECES_MAX ? (u32)n : SHOT_PIECES_MAX;
        }
        f32 len = step / (f32)pieces;
        shot_hit hit = {-1, 0};
        bool alive = true;
        for (u32 k = 0; k < pieces && alive && hit.mob < 0 && !hit.player; ++k)
            alive = fly_piece(walker, floor, shot, len, &hit);
        if (hit.mob >= 0) {
            shot->live = 0;
            wound(walker, floor, (u16)hit.mob, shot->damage, &shot->applies);
            continue;
        }
        if (hit.player) {
            shot->live = 0;
            f32 dealt = sv_player_hurt(&walker->player, shot->damage);
            if (dealt > 0.0f)
                for (u8 i = 0; i < shot->applies.count && i < SV_APPLIES_MAX; ++i)
                    sv_afflict(&walker->player.afflictions, &shot->applies.list[i]);
            continue;
        }
        if (!alive || shot->life_ticks == 0)
            shot->live = 0;
        else
            shot->life_ticks -= 1;
    }
}

// ---- Mobs ----

// Passive mode in the walker's place: held two radii off the player as far as the place
// allows, settled and collided.
void hold_off(sv_mob* mob, const sv_walker* walker, const sv_floor* floor, f32 radius)
{
    f32 dx = mob->x - walker->player.x, dz = mob->z - walker->player.z;
    f32 d = hypot2(dx, dz);
    if (d < 2.0f * radius && d > ZERO_LENGTH)
        sv_mob_push_to(floor, mob->place, &walker->geom, &mob->x, &mob->z,
                       walker->player.x + dx / d * 2.0f * radius,
                       walker->player.z + dz / d * 2.0f * radius, radius, mob->y);
    if (!mob->settled)
        mob_settle(&walker->geom, mob);
    sv_nav_collide_moved(floor, mob->place, &walker->geom, &mob->x, &mob->z, radius, mob->y,
                         tune(SV_TUNE_PLAYER_STEP_HEIGHT), 0.0f);
    mob_settle(&walker->geom, mob);
}

// Sight from a mob in another place: along a route of unfogged doors, legs summed within
// mob.sight_through, clear in rooms; an unalerted mob sees only along corridor pieces.
bool sees_through(const sv_mob* mob, const sv_walker* walker, const sv_floor* floor,
                  const sv_geom* geom)
{
    u8 doors[SIGHT_DOORS];
    i64 n = sv_combat_route(floor, mob->place, walker->place, doors, SIGHT_DOORS, sight_may_pass,
                            nullptr);
    if (n < 1)
        return false;
    f32 reach = tune(SV_TUNE_MOB_SIGHT_THROUGH);
    f32 total = 0.0f;
    Vector2 at = {mob->x, mob->z};
    u16 place = mob->place;
    for (i64 k = 0; k < n; ++k) {
        if (doors[k] >= geom->opening_count)
            return false;
        Vector2 door = geom->openings[doors[k]].centre;
        total += hypot2(door.x - at.x, door.y - at.y);
        if (total > reach)
            return false;
        if (place < floor->room_count && !sv_geom_sightline(geom, at, door))
            return false;
        u16 next = SV_NONE16;
        u8 entry = SV_NONE8;
        if (!sv_floor_place_next(floor, place, doors[k], &next, &entry, nullptr, nullptr))
            return false;
        if (!mob->alerted && next < floor->room_count)
            return false;
        if (k + 1 == n) {
            geom = &walker->geom;
        } else {
            const sv_geom* beyond = nullptr;
            if (!sv_nav_beyond(floor, place, geom, doors[k], nullptr, &beyond, nullptr, nullptr))
                return false;
            geom = beyond;
        }
        if (entry >= geom->opening_count)
            return false;
        at = geom->openings[entry].centre;
        place = next;
    }
    Vector2 player = {walker->player.x, walker->player.z};
    total += hypot2(player.x - at.x, player.y - at.y);
    return total <= reach && sv_geom_sightline(&walker->geom, at, player);
}

bool sights(const sv_mob* mob, const sv_walker* walker, const sv_floor* floor, const sv_geom* geom)
{
    if (mob->place != walker->place)
        return sees_through(mob, walker, floor, geom);
    if (mob->boss)
        return true;
    const sv_player* p = &walker->player;
    if (hypot2(p->x - mob->x, p->z - mob->z) > tune(SV_TUNE_MOB_SIGHT_RANGE))
        return false;
    f32 eye = tune(SV_TUNE_PLAYER_EYE_HEIGHT);
    Vector3 a = {mob->x, sv_mob_base(geom, mob) + eye, mob->z};
    Vector3 b = {p->x, p->y + eye, p->z};
    return sv_geom_sightline_at(geom, &a, &b) != 0;
}

// The leash: an alerted mob far along its way home gives up now and then (one tenacity draw
// whenever the way is longer than the leash).
void leash(sv_mob* mob, sv_floor* floor, const sv_geom* geom, f32 radius, f32 dt)
{
    if (mob->boss) {
        mob->way_age = 0;
        return;
    }
    f32 leash = mob->body.leash < 0.0f ? tune(SV_TUNE_MOB_LEASH) : mob->body.leash;
    f32 give_up = mob->body.give_up < 0.0f ? tune(SV_TUNE_MOB_GIVE_UP) : mob->body.give_up;
    if (!(give_up > 0.0f))
        return;
    if (mob->way_age == 0 || mob->way_age >= WAY_AGE_MAX) {
        mob->way_length
            = sv_nav_way_length(floor, geom, mob->place, radius, {mob->x, mob->z}, mob->home_place,
                                {mob->home_x, mob->home_z}, mob_may_take, nullptr);
        mob->way_age = 1;
    } else {
        mob->way_age += 1;
    }
    f32 way = mob->way_length;
    if (way > leash && sv_rng_f64(&floor->tenacity) < (f64)((way - leash) * give_up * dt)) {
        mob->alerted = 0;
        mob->returning = 1;
        mob->way_age = 0;
        mob->path_place = SV_NONE16;
    }
}

void mob_tick(sv_walker* walker, sv_floor* floor, u16 index, f32 radius, f32 dt)
{
    sv_mob* mob = &floor->mobs[index];
    if (!(mob->hp > 0.0f)) {
        if (mob->hp != 0.0f) // negative or no number: dead, and a boss's room is freed
            sv_floor_kill_mob(floor, index);
        return;
    }
    if (mob->waiting)
        return;
    u8 same = mob->place == walker->place;
    if (g_passive) {
        if (same)
            hold_off(mob, walker, floor, radius);
        return;
    }
    if (!same && !mob->alerted) {
        u8 doors[SIGHT_DOORS];
        if (sv_combat_route(floor, mob->place, walker->place, doors, SIGHT_DOORS, nullptr, nullptr)
            < 0)
            return;
    }
    const sv_geom* geom = geom_of(walker, floor, mob->place);
    if (!geom)
        return;
    if (!mob->settled)
        mob_settle(geom, mob);
    if (mob->airborne) {
        mob_settle(geom, mob);
        return;
    }
    u8 sees = sights(mob, walker, floor, geom) ? 1 : 0;
    if (sees) {
        if (!mob->alerted)
            mob->way_age = 0;
        mob->alerted = 1;
        mob->seen_place = walker->place;
        mob->seen_x = walker->player.x;
        mob->seen_z = walker->player.z;
        mob->returning = 0;
    }
    if (mob->alerted)
        leash(mob, floor, geom, radius, dt);
    else if (!sees) {
        if (!mob->returning)
            return;
        mob->way_age = 0;
    }
    geom = geom_of(walker, floor, mob->place); // fetched again: sight and leash built others
    mob_act(mob, walker, floor, geom, same, sees, dt, radius);
}

} // namespace

void sv_combat_tick(sv_walker* walker, sv_floor* floor)
{
    if (!walker || !floor)
        return;
    f32 dt = (f32)sv_sim_dt();
    f32 radius = tune(SV_TUNE_PLAYER_RADIUS);
    walker->tracer = 0;
    player_blow(walker, floor);
    mob_statuses(walker, floor, dt);
    fly_shots(walker, floor, dt);
    for (u16 i = 0; i < floor->mob_count && floor->mobs; ++i)
        mob_tick(walker, floor, i, radius, dt);
}

i32 sv_combat_mob_from_here(const sv_walker* walker, const sv_floor* floor, u16 index, f32* x,
                            f32* z, f32* y)
{
    if (!walker || !floor)
        return 0;
    const sv_mob* mob = sv_floor_mob_const(floor, index);
    if (!mob || mob->waiting)
        return 0;
    const sv_player* p = &walker->player;
    f32 eye_h = tune(SV_TUNE_PLAYER_EYE_HEIGHT);
    Vector3 eye = {p->x, p->y + eye_h, p->z};
    Vector2 at = {mob->x, mob->z};
    f32 base = 0.0f, height = 0.0f;
    if (mob->place == walker->place) {
        base = sv_mob_base(&walker->geom, mob);
        Vector3 centre = {mob->x, base + sv_mob_centre(mob->kind), mob->z};
        if (!sv_geom_sightline_at(&walker->geom, &eye, &centre))
            return 0;
    } else {
        u8 doors[SIGHT_DOORS];
        i64 n = sv_combat_route(floor, walker->place, mob->place, doors, SIGHT_DOORS,
                                sight_may_pass, nullptr);
        if (n < 1)
            return 0;
        Vector2 spans[SIGHT_DOORS][2];
        sv_portal chain;
        memset(&chain, 0, sizeof chain);
        u16 place = walker->place;
        const sv_geom* geom = &walker->geom;
        u8 entry = SV_NONE8;
        for (i64 k = 0; k < n; ++k) {
            if (doors[k] >= geom->opening_count)
                return 0;
            const sv_opening* o = &geom->openings[doors[k]];
            Vector2 s0 = sv_combat_span_end(o, -1.0f), s1 = sv_combat_span_end(o, 1.0f);
            const sv_portal* found = nullptr;
            const sv_geom* beyond = nullptr;
            u16 next = SV_NONE16;
            spans[k][0] = k ? sv_portal_point(&chain, s0) : s0;
            spans[k][1] = k ? sv_portal_point(&chain, s1) : s1;
            if (!sv_nav_beyond(floor, place, geom, doors[k], &found, &beyond, &next, &entry))
                return 0;
            const sv_portal portal = *found; // by value: later lookups may reuse the entry
            if (k)
                sv_portal_compose(&chain, &chain, &portal);
            else
                chain = portal;
            geom = beyond;
            place = next;
        }
        base = sv_mob_base(geom, mob);
        Vector3 centre = {mob->x, base + sv_mob_centre(mob->kind), mob->z};
        if (entry < geom->opening_count) {
            const sv_opening* e = &geom->openings[entry];
            Vector3 from = {e->centre.x, geom->floor_y + e->rise + eye_h, e->centre.y};
            if (!sv_geom_sightline_at(geom, &from, &centre))
                return 0;
        }
        at = sv_portal_point(&chain, at);
        for (i64 k = 0; k < n; ++k)
            if (!sv_geom_segs_cross_strict({p->x, p->z}, at, spans[k][0], spans[k][1]))
                return 0;
        height = chain.height;
    }
    if (x)
        *x = at.x;
    if (z)
        *z = at.y;
    if (y)
        *y = base + height;
    return 1;
}

void sv_combat_set_passive(u8 on)
{
    g_passive = on ? 1 : 0;
}

u8 sv_combat_passive(void)
{
    return g_passive;
}

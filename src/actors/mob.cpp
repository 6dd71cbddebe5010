// Mob AI: pursuit, paths, actions through their phases, sweeps, lunges, shots, keeping distance,
// collision and door crossing; wounds and deaths; the strike in progress for drawing.
#include "actors/mob.h"

#include <cmath>
#include <cstring>

#include "actors/afflict.h"
#include "actors/combat.h"
#include "core/fmath.h"
#include "core/tune.h"
#include "world/body.h"
#include "world/geom.h"
#include "world/geom_cache.h"
#include "world/nav.h"
#include "world/portal.h"
#include "world/prim.h"
#include "world/route.h"

namespace {

const f32 PI_F = 3.14159265f;
const f32 DEG = PI_F / 180.0f;

const f32 SIGHTING_REACHED = 0.6f;
const f32 HOME_REACHED = 0.5f;
const f32 WAYPOINT_REACHED = 0.15f;
const f32 REPATH_MOVE = 0.75f;
const u16 PATH_AGE_MAX = 120;
const u16 STUCK_MAX = 30;
const f32 STUCK_MOVE = 0.02f;
const u64 PATH_ASKED = 96;
const u64 ROUTE_DOORS = 64;
const f32 DOOR_MARGIN = 0.05f;
const f32 SLICE_TOLERANCE = 1e-5f;
const f32 ZERO_LENGTH = 0.0001f;
const f32 ZERO_DIRECTION = 1e-8f;
// A push toward a point goes in steps of half a radius, never shorter than this, at most so many.
const f32 PUSH_PIECE_MIN = 0.01f;
const u32 PUSH_STEPS_MAX = 256;
// Doors a muzzle's leg may pass, as one piece of a shot's move.
const u32 MUZZLE_DOORS = 8;

// A crossed-into place is built here, then stored in the place cache.
sv_geom s_cross;

f32 length(Vector2 v)
{
    return std::sqrt(v.x * v.x + v.y * v.y);
}

Vector2 sub(Vector2 a, Vector2 b)
{
    return {a.x - b.x, a.y - b.y};
}

f32 dist(Vector2 a, Vector2 b)
{
    return length(sub(a, b));
}

// An angle wrapped into -pi..pi.
f32 wrap(f32 a)
{
    return std::remainder(a, 2.0f * PI_F);
}

f32 tune(u32 index)
{
    return (f32)sv_tune(index);
}

// The action in progress (action 0 when the index is past the count); null without actions.
const sv_action* current_action(const sv_mob* mob)
{
    if (mob->body.action_count == 0 || !mob->body.actions)
        return nullptr;
    u8 i = mob->action < mob->body.action_count ? mob->action : 0;
    return &mob->body.actions[i];
}

f32 half_arc(const sv_action* a)
{
    f32 arc = a->arc > 0.0f ? a->arc : tune(SV_TUNE_MOB_STRIKE_ARC);
    return arc * DEG / 2.0f;
}

// Ticks of the windup's lunge: the share of the windup, at least 1 with a lunge, at most W.
u32 lunge_ticks(const sv_action* a, u32 windup)
{
    f64 l = std::floor(sv_tune(SV_TUNE_MOB_LUNGE_SHARE) * (f64)windup + 0.5);
    u32 ticks = l > 0.0 ? (u32)l : 0;
    if (a->lunge > 0.0f && ticks < 1)
        ticks = 1;
    return ticks > windup ? windup : ticks;
}

bool optional_scion(const sv_floor* floor, const sv_mob* mob)
{
    return mob->boss && (mob->kind & 0xffu) == 2 && sv_floor_room_valid(floor, mob->place)
        && sv_floor_room_has(floor, mob->place, SV_TAG_SCION)
        && !sv_floor_room_has(floor, mob->place, SV_TAG_GATE);
}

void start_return(sv_mob* mob)
{
    mob->returning = 1;
    mob->way_age = 0;
    mob->path_place = SV_NONE16;
}

// What one step is working with once the target is known.
struct step_view {
    u8 engaged;
    Vector2 player; // the player's position in the mob's frame
    f32 player_y;   // the player's feet in the mob's frame
    Vector2 target; // where the mob is going
    u8 cross;       // opening of the route's first door to cross; 255 none
    i32 chosen;     // action chosen this step; -1 none
    u8 in_range;    // some action has the player in range
    u8 too_close;   // every action's from exceeds the distance
    f32 nearest;    // the smallest from over the actions
    f32 d;          // distance to the player
    f32 delta;      // yaw still to turn toward the facing direction
};

// Engaged in the walker's place, or through an unfogged door of the mob's place whose
// span the line to the player passes.
void engage(const sv_mob* mob, const sv_walker* walker, const sv_floor* floor, const sv_geom* geom,
            u8 same_place, u8 sees, step_view* v)
{
    v->player = {walker->player.x, walker->player.z};
    v->player_y = walker->player.y;
    v->engaged = 0;
    if (!sees || mob->returning)
        return;
    if (same_place) {
        v->engaged = 1;
        return;
    }
    Vector2 at = {mob->x, mob->z};
    for (u8 k = 0; k < geom->opening_count && k < SV_GEOM_OPENINGS; ++k) {
        const sv_portal* portal = nullptr;
        u16 next = SV_NONE16;
        if (!sv_nav_beyond(floor, mob->place, geom, k, &portal, nullptr, &next, nullptr))
            continue;
        if (next != walker->place || sv_floor_fogged(floor, mob->place, k))
            continue;
        const sv_opening* o = &geom->openings[k];
        Vector2 p = sv_portal_point(portal, v->player);
        Vector2 s0 = sv_combat_span_end(o, -1.0f), s1 = sv_combat_span_end(o, 1.0f);
        if (sv_geom_segs_cross_strict(at, p, s0, s1)) {
            v->engaged = 1;
            v->player = p;
            v->player_y = walker->player.y + portal->height;
            return;
        }
    }
}

// The first door of a route to place: 1 with its opening in *door; 0 without a route.
bool first_door(const sv_floor* floor, const sv_mob* mob, const sv_geom* geom, u16 place, u8* door)
{
    u8 doors[ROUTE_DOORS];
    i64 n = sv_combat_route(floor, mob->place, place, doors, ROUTE_DOORS, mob_may_take, nullptr);
    if (n < 1 || doors[0] >= geom->opening_count)
        return false;
    *door = doors[0];
    return true;
}

// The target. False when the step ends here.
bool choose_target(sv_mob* mob, const sv_walker* walker, sv_floor* floor, const sv_geom* geom,
                   u8 same_place, step_view* v)
{
    Vector2 at = {mob->x, mob->z};
    v->cross = SV_NONE8;
    if (v->engaged && same_place) {
        v->target = v->player;
        return true;
    }
    if (mob->returning) {
        if (mob->place == mob->home_place) {
            Vector2 home = {mob->home_x, mob->home_z};
            if (dist(at, home) <= HOME_REACHED) {
                mob->hp = mob->body.hp;
                mob->returning = 0;
                return false;
            }
            v->target = home;
            return true;
        }
        u8 door = 0;
        if (!first_door(floor, mob, geom, mob->home_place, &door)) {
            mob->returning = 0;
            return false;
        }
        v->target = geom->openings[door].centre;
        v->cross = door;
        return true;
    }
    (void)walker;
    if (mob->seen_place != mob->place) {
        u8 door = 0;
        if (!first_door(floor, mob, geom, mob->seen_place, &door)) {
            mob->alerted = 0;
            if (!mob->boss)
                start_return(mob);
            return false;
        }
        // A boss never leaves its room: it walks to the door's foot and waits there.
        v->target = mob->boss ? geom->openings[door].foot : geom->openings[door].centre;
        v->cross = mob->boss ? SV_NONE8 : door;
        return true;
    }
    v->target = {mob->seen_x, mob->seen_z};
    if (!v->engaged && dist(at, v->target) <= SIGHTING_REACHED) {
        mob->alerted = 0;
        if (!mob->boss)
            start_return(mob);
        return false;
    }
    return true;
}

// Keeps the path or makes a new one toward the target (a door to cross when door).
void follow_path(sv_mob* mob, const sv_geom* geom, f32 radius, Vector2 target, bool door)
{
    Vector2 at = {mob->x, mob->z};
    bool at_end = mob->path_index >= mob->path_count;
    if (dist(at, {mob->waypoint_x, mob->waypoint_z}) <= WAYPOINT_REACHED) {
        if (mob->path_index < mob->path_count)
            mob->path_index += 1;
        at_end = mob->path_index >= mob->path_count;
        if (!at_end) {
            mob->waypoint_x = mob->path_x[mob->path_index];
            mob->waypoint_z = mob->path_z[mob->path_index];
        }
    }
    bool keep = mob->path_place == mob->place
        && dist(target, {mob->path_target_x, mob->path_target_z}) <= REPATH_MOVE
        && mob->path_age <= PATH_AGE_MAX && mob->stuck_ticks <= STUCK_MAX && !at_end;
    if (keep) {
        mob->path_age += 1;
        return;
    }
    Vector2 points[PATH_ASKED];
    u64 n = sv_nav_path(geom, radius, at, target, points, PATH_ASKED);
    u64 first = n >= 2 && dist(points[0], at) <= WAYPOINT_REACHED ? 1 : 0;
    // At the door it is to cross, the mob walks straight on until the crossing takes it: a search
    // from a body standing in a doorway may begin at a corner behind it, and a path back there
    // would arrive here again and turn back, for ever.
    if (door && n - first > 1 && dist(at, target) <= WAYPOINT_REACHED) {
        points[0] = target;
        n = 1;
        first = 0;
    }
    u64 kept = n - first < SV_MOB_PATH ? n - first : SV_MOB_PATH;
    for (u64 i = 0; i < kept; ++i) {
        mob->path_x[i] = points[first + i].x;
        mob->path_z[i] = points[first + i].y;
    }
    mob->path_count = (u8)kept;
    mob->path_index = 0;
    mob->waypoint_x = kept ? mob->path_x[0] : target.x;
    mob->waypoint_z = kept ? mob->path_z[0] : target.y;
    mob->path_place = mob->place;
    mob->path_target_x = target.x;
    mob->path_target_z = target.y;
    mob->stuck_ticks = 0;
    mob->path_age = 1;
}

// The first action in range whose player phase fits.
void choose_action(const sv_mob* mob, const sv_walker* walker, step_view* v)
{
    Vector2 at = {mob->x, mob->z};
    v->d = dist(at, v->player);
    v->chosen = -1;
    v->in_range = 0;
    v->too_close = 0;
    v->nearest = INFINITY;
    if (!v->engaged || !mob->body.actions)
        return;
    bool all_beyond = mob->body.action_count > 0; // no actions: never too close
    for (u8 i = 0; i < mob->body.action_count; ++i) {
        const sv_action* a = &mob->body.actions[i];
        if (a->from < v->nearest)
            v->nearest = a->from;
        if (!(a->from > v->d))
            all_beyond = false;
        if (!(a->from <= v->d && v->d <= a->reach))
            continue;
        v->in_range = 1;
        if (v->chosen >= 0 || (a->when != 0 && a->when != walker->player.phase))
            continue;
        v->chosen = i;
    }
    v->too_close = v->chosen < 0 && all_beyond;
}

// Turns toward the player or the waypoint, at most the body's turn rate.
void face(sv_mob* mob, f32 dt, step_view* v)
{
    Vector2 at = {mob->x, mob->z};
    Vector2 to_way = sub({mob->waypoint_x, mob->waypoint_z}, at);
    Vector2 to_player = sub(v->player, at);
    bool way_reached = length(to_way) <= ZERO_LENGTH;
    bool toward_player = v->engaged
        && (way_reached || v->chosen >= 0 || v->too_close
            || to_way.x * to_player.x + to_way.y * to_player.y > 0.0f);
    Vector2 dir = toward_player ? to_player : to_way;
    v->delta = 0.0f;
    if (!(length(dir) > ZERO_DIRECTION))
        return;
    f32 delta = wrap(sv_atan2f(dir.y, dir.x) - mob->yaw);
    f32 most = mob->body.turn * DEG * dt;
    if (!(most > 0.0f))
        most = 0.0f;
    f32 turn = delta > most ? most : (delta < -most ? -most : delta);
    mob->yaw += turn;
    v->delta = delta - turn;
}

// Begins the chosen action's windup with its lunge budget.
void start_action(sv_mob* mob, f32 radius, const step_view* v)
{
    const sv_action* a = &mob->body.actions[v->chosen];
    mob->action = (u8)v->chosen;
    mob->phase = SV_PHASE_WINDUP;
    mob->phase_ticks = sv_sim_ticks(a->windup);
    mob->blow_landed = 0;
    f32 budget = v->d + a->draw - 2.0f * radius;
    if (budget > a->lunge)
        budget = a->lunge;
    mob->lunge_used = budget > 0.0f ? budget : 0.0f;
}

// Moves the mob by (dx, dz) within its place: a move longer than half a radius goes in short
// collided steps (sv_mob_push_to), so no speed, reach or tick rate the tunables allow carries it
// through a wall; a shorter one is collided with the rest of the step.
void move_by(sv_mob* mob, const sv_floor* floor, const sv_geom* geom, f32 radius, f32 dx, f32 dz)
{
    if (dx * dx + dz * dz <= radius * radius / 4.0f) {
        mob->x += dx;
        mob->z += dz;
        return;
    }
    sv_mob_push_to(floor, mob->place, geom, &mob->x, &mob->z, mob->x + dx, mob->z + dz, radius,
                   mob->y);
}

// Backs away when too close, else walks toward the waypoint when facing it.
void walk(sv_mob* mob, const sv_floor* floor, const sv_geom* geom, f32 radius, f32 dt,
          const step_view* v)
{
    f32 speed = sv_modified(mob->afflictions, SV_STAT_WALK_SPEED, mob->body.speed);
    f32 most = speed > 0.0f ? speed * dt : 0.0f;
    Vector2 at = {mob->x, mob->z};
    if (v->too_close) {
        if (!(v->d > ZERO_LENGTH))
            return;
        f32 back = v->nearest - v->d < most ? v->nearest - v->d : most;
        move_by(mob, floor, geom, radius, (at.x - v->player.x) / v->d * back,
                (at.y - v->player.y) / v->d * back);
        return;
    }
    Vector2 to_way = sub({mob->waypoint_x, mob->waypoint_z}, at);
    f32 left = length(to_way);
    if (!(left > ZERO_LENGTH) || (v->engaged && v->in_range))
        return;
    if (sv_cosf(mob->yaw) * to_way.x + sv_sinf(mob->yaw) * to_way.y <= 0.0f)
        return;
    f32 step = left < most ? left : most;
    move_by(mob, floor, geom, radius, to_way.x / left * step, to_way.y / left * step);
}

// Counts the phase down, passing over phases of 0 ticks.
void advance_phase(sv_mob* mob, const sv_action* a)
{
    while (mob->phase != SV_PHASE_IDLE && mob->phase_ticks == 0) {
        if (mob->phase == SV_PHASE_WINDUP) {
            mob->phase = SV_PHASE_ACTIVE;
            mob->phase_ticks = sv_sim_ticks(a->active);
        } else if (mob->phase == SV_PHASE_ACTIVE) {
            mob->phase = SV_PHASE_RECOVERY;
            mob->phase_ticks = sv_sim_ticks(a->recovery);
        } else {
            mob->phase = SV_PHASE_IDLE;
        }
    }
    if (mob->phase != SV_PHASE_IDLE)
        mob->phase_ticks -= 1;
}

// The draw-back, then the lunge over the windup's last ticks.
void windup_motion(sv_mob* mob, const sv_floor* floor, const sv_geom* geom, f32 radius,
                   const sv_action* a)
{
    if (!(a->draw > 0.0f) && !(mob->lunge_used > 0.0f))
        return;
    u32 w = sv_sim_ticks(a->windup);
    u32 l = lunge_ticks(a, w);
    f32 move = 0.0f;
    if (mob->phase_ticks >= l)
        move = w > l ? -a->draw / (f32)(w - l) : 0.0f;
    else
        move = mob->lunge_used / (f32)l; // ticks left < l, so l > 0
    move_by(mob, floor, geom, radius, sv_cosf(mob->yaw) * move, sv_sinf(mob->yaw) * move);
}

// A ranged action: one hostile shot at the player or the last sighting.
void shoot(sv_mob* mob, const sv_walker* walker, sv_floor* floor, const sv_geom* geom, f32 radius,
           const sv_action* a, const step_view* v)
{
    mob->blow_landed = 1;
    f32 half_eye = tune(SV_TUNE_PLAYER_EYE_HEIGHT) / 2.0f;
    Vector3 aim;
    if (v->engaged)
        aim = {v->player.x, v->player_y + half_eye, v->player.y};
    else if (mob->alerted && mob->seen_place == mob->place)
        aim = {mob->seen_x, sv_geom_ground(geom, mob->seen_x, mob->seen_z) + half_eye, mob->seen_z};
    else
        return;
    (void)walker;
    f32 fx = sv_cosf(mob->yaw), fz = sv_sinf(mob->yaw);
    Vector3 from = {mob->x + 2.0f * radius * fx, sv_mob_base(geom, mob) + sv_mob_centre(mob->kind),
                    mob->z + 2.0f * radius * fz};
    Vector3 d = {aim.x - from.x, aim.y - from.y, aim.z - from.z};
    f32 len = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
    if (!(len > ZERO_LENGTH))
        return;
    // The muzzle may stand past a door the mob is close to: its leg is carried through the doors
    // it passes, as a shot's move is, so the shot starts in the place it is in.
    sv_carry c;
    memset(&c, 0, sizeof c);
    c.place = mob->place;
    c.geom = geom;
    c.from = {mob->x, mob->z};
    c.to = {from.x, from.z};
    c.dir = {d.x / len, d.z / len};
    c.y = from.y;
    c.entered = SV_NONE8;
    u32 passed = 0;
    while (passed < MUZZLE_DOORS && sv_combat_carry(floor, &c))
        passed += 1;
    if (c.fogged)
        return; // the muzzle is in the fog: nothing leaves it
    u32 life = sv_sim_ticks(a->reach / a->speed);
    sv_floor_add_shot(floor, c.place, c.to.x, c.y, c.to.y, c.dir.x, d.y / len, c.dir.y, a->speed,
                      sv_modified(mob->afflictions, SV_STAT_DAMAGE_DEALT, a->damage), &a->applies,
                      life > 1 ? life : 1, 1);
}

// A melee action: this tick's slice of the sweep lands on an engaged player in reach.
void sweep(sv_mob* mob, sv_walker* walker, const sv_action* a, const step_view* v)
{
    u32 whole = sv_sim_ticks(a->active);
    if (whole == 0)
        whole = 1; // the length was edited under a running phase: one slice
    u32 e = mob->phase_ticks >= whole ? 1 : whole - mob->phase_ticks;
    f32 half = half_arc(a);
    f32 from = -half + 2.0f * half * (f32)(e - 1) / (f32)whole;
    f32 to = -half + 2.0f * half * (f32)e / (f32)whole;
    Vector2 off = sub(v->player, {mob->x, mob->z});
    f32 b = v->d > ZERO_LENGTH ? wrap(sv_atan2f(off.y, off.x) - mob->yaw) : 0.0f;
    if (a->sweep > 0)
        b = -b;
    bool lands = std::fabs(b) <= half + SLICE_TOLERANCE && (e == 1 || b > from)
        && b <= to + SLICE_TOLERANCE && v->engaged && v->d <= a->reach;
    if (!lands)
        return;
    f32 damage = sv_modified(mob->afflictions, SV_STAT_DAMAGE_DEALT, a->damage);
    f32 dealt = sv_player_hurt(&walker->player, damage);
    if (dealt > 0.0f)
        for (u8 i = 0; i < a->applies.count && i < SV_APPLIES_MAX; ++i)
            sv_afflict(&walker->player.afflictions, &a->applies.list[i]);
    mob->blow_landed = 1;
}

// No closer than two radii to the player in the same place, as far as the place allows.
void keep_distance(sv_mob* mob, const sv_walker* walker, const sv_floor* floor, const sv_geom* geom,
                   f32 radius)
{
    f32 dx = mob->x - walker->player.x, dz = mob->z - walker->player.z;
    f32 d = std::sqrt(dx * dx + dz * dz);
    if (!(d < 2.0f * radius))
        return;
    f32 tx = walker->player.x + 2.0f * radius, tz = walker->player.z;
    if (d > 0.0f) {
        tx = walker->player.x + dx / d * 2.0f * radius;
        tz = walker->player.z + dz / d * 2.0f * radius;
    }
    sv_mob_push_to(floor, mob->place, geom, &mob->x, &mob->z, tx, tz, radius, mob->y);
}

// An ordinary mob at its route's first door is carried through it.
void cross_door(sv_mob* mob, const sv_floor* floor, const sv_geom* geom, u8 door, f32 radius)
{
    const sv_opening* o = &geom->openings[door];
    f32 dx = mob->x - o->centre.x, dz = mob->z - o->centre.y;
    f32 ahead = dx * sv_cosf(o->yaw) + dz * sv_sinf(o->yaw);
    f32 along = dx * o->tangent.x + dz * o->tangent.y;
    if (ahead > tune(SV_TUNE_PLAYER_DOOR_REACH) + DOOR_MARGIN || std::fabs(along) > o->width / 2.0f)
        return;
    u16 place = mob->place;
    f32 x = mob->x, z = mob->z, y = mob->y;
    f32 fx = sv_cosf(mob->yaw), fz = sv_sinf(mob->yaw);
    u8 entry = SV_NONE8;
    if (!sv_nav_cross(floor, geom, door, &s_cross, &place, &x, &z, &y, &fx, &fz, &entry))
        return;
    // A long door reach may carry the point past a shallow place's far side, or keep a side
    // offset that lays the body over a door-wide place's side wall: it lands where it can stand.
    sv_nav_land(&s_cross, entry, radius, &x, &z);
    const sv_geom* next = sv_geom_cache_store(floor, place, &s_cross, geom);
    if (!next)
        return;
    mob->place = place;
    mob->x = x;
    mob->z = z;
    mob->y = y;
    mob->yaw = sv_atan2f(fz, fx);
    mob->stuck_ticks = 0;
    mob->path_place = SV_NONE16;
    mob_settle(next, mob);
}

} // namespace

void mob_act(sv_mob* mob, sv_walker* walker, sv_floor* floor, const sv_geom* geom, u8 same_place,
             u8 sees, f32 dt, f32 radius)
{
    if (!mob || !walker || !floor || !geom || !(mob->hp > 0.0f))
        return;
    step_view v;
    memset(&v, 0, sizeof v);
    engage(mob, walker, floor, geom, same_place, sees, &v);
    if (!choose_target(mob, walker, floor, geom, same_place, &v))
        return;
    follow_path(mob, geom, radius, v.target, v.cross != SV_NONE8);
    choose_action(mob, walker, &v);

    Vector2 before = {mob->x, mob->z};
    const sv_action* a = current_action(mob);
    if (!a) // nothing to perform: an action in progress ends
        mob->phase = SV_PHASE_IDLE;
    if (mob->phase == SV_PHASE_IDLE) {
        face(mob, dt, &v);
        if (v.chosen >= 0 && std::fabs(v.delta) <= half_arc(&mob->body.actions[v.chosen])) {
            start_action(mob, radius, &v);
            a = current_action(mob);
        } else {
            walk(mob, floor, geom, radius, dt, &v);
        }
    }
    if (mob->phase != SV_PHASE_IDLE) {
        advance_phase(mob, a);
        if (mob->phase == SV_PHASE_WINDUP)
            windup_motion(mob, floor, geom, radius, a);
        else if (mob->phase == SV_PHASE_ACTIVE && !mob->blow_landed) {
            if (a->speed > 0.0f)
                shoot(mob, walker, floor, geom, radius, a, &v);
            else
                sweep(mob, walker, a, &v);
        }
    }
    if (same_place)
        keep_distance(mob, walker, floor, geom, radius);

    sv_nav_collide_moved(floor, mob->place, geom, &mob->x, &mob->z, radius, mob->y,
                         tune(SV_TUNE_PLAYER_STEP_HEIGHT), dist({mob->x, mob->z}, before));
    mob_settle(geom, mob);
    if (dist({mob->x, mob->z}, before) < STUCK_MOVE) {
        if (mob->stuck_ticks < SV_NONE16)
            mob->stuck_ticks += 1;
    } else {
        mob->stuck_ticks = 0;
    }
    if (!mob->boss && v.cross != SV_NONE8 && v.cross < geom->opening_count)
        cross_door(mob, floor, geom, v.cross, radius);
}

i32 sv_mob_push_to(const sv_floor* floor, u16 place, const sv_geom* geom, f32* x, f32* z, f32 to_x,
                   f32 to_z, f32 radius, f32 y)
{
    if (!geom || !x || !z)
        return 0;
    f32 dx = to_x - *x, dz = to_z - *z;
    f32 len = std::sqrt(dx * dx + dz * dz);
    if (!(len > 0.0f))
        return 0;
    // Short steps, so that no wall or door plane is jumped: a push only ever sees a body that
    // stands at most half a radius past the line it overlaps.
    f32 piece = radius > 0.0f ? radius / 2.0f : PUSH_PIECE_MIN;
    if (piece < PUSH_PIECE_MIN)
        piece = PUSH_PIECE_MIN;
    f32 n = std::ceil(len / piece);
    u32 steps = n < (f32)PUSH_STEPS_MAX ? (u32)n : PUSH_STEPS_MAX;
    f32 px = *x, pz = *z;
    bool hindered = false;
    for (u32 i = 1; i <= steps; ++i) {
        f32 k = (f32)i / (f32)steps;
        // The unhindered way is the straight one, every step an exact share of it.
        f32 sx = hindered ? px + dx / (f32)steps : *x + dx * k;
        f32 sz = hindered ? pz + dz / (f32)steps : *z + dz * k;
        f32 cx = sx, cz = sz;
        sv_nav_collide_moved(floor, place, geom, &cx, &cz, radius, y,
                             tune(SV_TUNE_PLAYER_STEP_HEIGHT), dist({sx, sz}, {px, pz}));
        if (cx != sx || cz != sz)
            hindered = true;
        px = cx;
        pz = cz;
    }
    if (!hindered) {
        px = to_x;
        pz = to_z;
    }
    if (!sv_geom_contains(geom, {px, pz}))
        return 0;
    *x = px;
    *z = pz;
    return 1;
}

i32 sv_mob_slay(sv_walker* walker, sv_floor* floor, u16 index)
{
    sv_mob* mob = sv_floor_mob(floor, index);
    if (!mob)
        return 0;
    bool reward = optional_scion(floor, mob);
    sv_floor_kill_mob(floor, index);
    // The floor's ledger counts a Shard for every optional Scion; its death hands it over.
    if (reward && walker && walker->player.shards < 0xffffffffu)
        walker->player.shards += 1;
    return 1;
}

void wound(sv_walker* walker, sv_floor* floor, u16 index, f32 damage, const sv_applies* applies)
{
    if (!walker || !floor)
        return;
    sv_mob* mob = sv_floor_mob(floor, index);
    if (!mob)
        return;
    if (std::isnan(mob->hp)) { // an edited health that is no number: dead, its room freed
        sv_floor_kill_mob(floor, index);
        return;
    }
    if (!(mob->hp > 0.0f))
        return;
    if (mob->afflictions && mob->afflictions->count)
        damage = sv_modified(mob->afflictions, SV_STAT_DAMAGE_TAKEN, damage);
    if (!(damage > 0.0f))
        damage = 0.0f; // a wound never heals
    mob->hp -= damage;
    if (!(mob->hp > 0.0f)) {
        sv_mob_slay(walker, floor, index);
        return;
    }
    mob->alerted = 1;
    mob->seen_place = walker->place;
    mob->seen_x = walker->player.x;
    mob->seen_z = walker->player.z;
    mob->returning = 0;
    if (applies && mob->afflictions)
        for (u8 i = 0; i < applies->count && i < SV_APPLIES_MAX; ++i)
            sv_afflict(mob->afflictions, &applies->list[i]);
}

i32 sv_combat_blow(const sv_mob* mob, sv_blow* out)
{
    if (!mob || !(mob->hp > 0.0f)
        || (mob->phase != SV_PHASE_WINDUP && mob->phase != SV_PHASE_ACTIVE))
        return 0;
    const sv_action* a = current_action(mob);
    if (!a)
        return 0;
    if (!out)
        return 1;
    sv_blow b;
    memset(&b, 0, sizeof b);
    f32 half = half_arc(a);
    b.reach = a->reach;
    b.half_arc = half;
    b.sweep_side = a->sweep > 0 ? 1 : -1;
    b.projectile_speed = a->speed;
    u32 left = mob->phase_ticks;
    if (mob->phase == SV_PHASE_ACTIVE) {
        u32 whole = sv_sim_ticks(a->active);
        u32 e = left >= whole ? 1 : whole - left;
        f32 angle = whole ? (f32)e * 2.0f * half / (f32)whole - half : half;
        b.sweep_angle = angle;
        b.sweep_progress = half <= 1e-6f ? 1.0f : (angle + half) / (2.0f * half);
        b.windup_progress = 1.0f;
        b.lunge_to_come = 0.0f;
    } else {
        u32 w = sv_sim_ticks(a->windup);
        u32 e = left >= w ? w : w - left;
        b.sweep_angle = -half;
        b.sweep_progress = 0.0f;
        b.windup_progress = w ? (f32)e / (f32)w : 1.0f;
        u32 l = lunge_ticks(a, w);
        u32 drawn = w - l;
        f32 made = 0.0f;
        if (e <= drawn)
            made = drawn ? -a->draw * (f32)e / (f32)drawn : 0.0f;
        else
            made = -a->draw + mob->lunge_used * (f32)(e - drawn) / (f32)l; // e > drawn: l > 0
        b.lunge_to_come = (mob->lunge_used - a->draw) - made;
    }
    if (b.sweep_side > 0)
        b.sweep_angle = -b.sweep_angle;
    *out = b;
    return 1;
}

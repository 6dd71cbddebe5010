// The player's record and its tick.
#include "actors/player.h"

#include <cmath>
#include <cstring>

#include "actors/afflict.h"
#include "core/fmath.h"
#include "core/tune.h"
#include "world/body.h"
#include "world/geom.h"

namespace {

const sv_weapon k_no_weapon = {};
const sv_attack k_no_attack = {};

const f32 PITCH_LIMIT = 1.5533f;

f32 tune_f(u32 index)
{
    return (f32)sv_tune(index);
}

bool dodging(const sv_player* p)
{
    return p->dodge_left != 0;
}

bool slot_armed(const sv_player* p, u8 slot)
{
    return slot <= 1 && p->weapons[slot].primary.kind != SV_ATTACK_NONE;
}

// Moves the body by (dx, dz), pushing it out of the walls after each step; a step never exceeds
// half the body radius, so a fast dodge cannot tunnel through a wall in one tick. A face the body
// overlaps without having walked into it (its feet dropped beside it) eases it out.
void move_and_collide(sv_player* p, const sv_geom* geom, f32 dx, f32 dz)
{
    f32 radius = tune_f(SV_TUNE_PLAYER_RADIUS);
    f32 step_height = tune_f(SV_TUNE_PLAYER_STEP_HEIGHT);
    f64 length = std::sqrt((f64)dx * dx + (f64)dz * dz);
    // Far more steps than any legal tunables need (dodge speed 100 at 20 ticks a second is 26).
    f64 pieces = std::floor(length / (0.5 * radius)) + 1.0;
    u32 steps = pieces >= 1.0 && pieces <= 1024.0 ? (u32)pieces : (pieces > 1024.0 ? 1024u : 1u);
    f32 sx = dx / (f32)steps, sz = dz / (f32)steps;
    f32 moved = std::sqrt(sx * sx + sz * sz);
    for (u32 i = 0; i < steps; ++i) {
        p->x += sx;
        p->z += sz;
        sv_player_collide_moved(geom, &p->x, &p->z, radius, p->y, step_height, moved);
    }
}

// Door walk motion of one tick: the eased distance along the waypoints to the door, then out
// through it (or inward once arrived). Collides as it goes.
void door_walk(sv_player* p, const sv_geom* geom)
{
    u8 door = p->walk_door;
    if (door >= geom->opening_count) {
        p->walk_left = 0;
        p->move_x = p->move_z = 0.0f;
        move_and_collide(p, geom, 0.0f, 0.0f);
        return;
    }
    const sv_opening* o = &geom->openings[door];
    const f64 pi = 3.14159265358979323846;
    f64 total = (f64)p->walk_total;
    f64 k = (f64)(p->walk_total - p->walk_left);
    f32 step
        = (f32)(p->walk_length * 0.5 * (sv_cos(pi * k / total) - sv_cos(pi * (k + 1) / total)));
    f32 dir_x = 0.0f, dir_z = 0.0f;
    f32 out_x = -sv_cosf(o->yaw), out_z = -sv_sinf(o->yaw);
    if (p->walk_inward) {
        dir_x = sv_cosf(o->yaw);
        dir_z = sv_sinf(o->yaw);
    } else {
        while (p->path_index < p->path_count && p->path_index < SV_DOOR_WALK_PATH) {
            f32 ddx = p->walk_path_x[p->path_index] - p->x;
            f32 ddz = p->walk_path_z[p->path_index] - p->z;
            if (ddx * ddx + ddz * ddz > 0.01f)
                break;
            p->path_index += 1;
        }
        if (p->path_index < p->path_count && p->path_index < SV_DOOR_WALK_PATH) {
            f32 ddx = p->walk_path_x[p->path_index] - p->x;
            f32 ddz = p->walk_path_z[p->path_index] - p->z;
            f32 len = std::sqrt(ddx * ddx + ddz * ddz);
            dir_x = ddx / len;
            dir_z = ddz / len;
        } else {
            f32 ddx = o->centre.x - p->x, ddz = o->centre.y - p->z;
            f32 dist = std::sqrt(ddx * ddx + ddz * ddz);
            if (dist <= 0.001f) {
                dir_x = out_x;
                dir_z = out_z;
            } else if (step <= dist) {
                dir_x = ddx / dist;
                dir_z = ddz / dist;
            } else {
                // The walk reaches the door centre within this tick: go there, then on out.
                move_and_collide(p, geom, ddx, ddz);
                step -= dist;
                dir_x = out_x;
                dir_z = out_z;
            }
        }
    }
    p->walk_left -= 1;
    p->move_x = dir_x;
    p->move_z = dir_z;
    p->walk_done += step;
    move_and_collide(p, geom, step * dir_x, step * dir_z);
    if (p->walk_left == 0)
        p->walk_inward = 0;
}

// The motion of the first case that holds, collided.
void motion(sv_player* p, const sv_geom* geom, const sv_input* in, f32 dt, f32 walk_speed,
            f32 dir_x, f32 dir_z)
{
    if (p->airborne) {
        f32 len = std::sqrt(p->vx * p->vx + p->vz * p->vz);
        p->move_x = len > 0.000001f ? p->vx / len : 0.0f;
        p->move_z = len > 0.000001f ? p->vz / len : 0.0f;
        move_and_collide(p, geom, p->vx * dt, p->vz * dt);
    } else if (p->walk_left != 0) {
        door_walk(p, geom);
    } else if (dodging(p)) {
        f32 speed = tune_f(SV_TUNE_PLAYER_DODGE_SPEED);
        p->dodge_left -= 1;
        p->move_x = p->dodge_x;
        p->move_z = p->dodge_z;
        move_and_collide(p, geom, speed * p->dodge_x * dt, speed * p->dodge_z * dt);
    } else if (p->phase == SV_PHASE_IDLE) {
        f32 speed = walk_speed;
        // Sprint costs stamina only while the player actually moves.
        bool moving = dir_x != 0.0f || dir_z != 0.0f;
        if (moving && in->sprint && !p->exhausted) {
            if (sv_player_spend(p, tune_f(SV_TUNE_STAMINA_SPRINT_COST) * dt))
                speed *= tune_f(SV_TUNE_PLAYER_SPRINT_MULTIPLIER);
            else
                p->exhausted = 1;
        }
        p->move_x = dir_x;
        p->move_z = dir_z;
        move_and_collide(p, geom, speed * dir_x * dt, speed * dir_z * dt);
    } else {
        p->move_x = p->move_z = 0.0f;
        move_and_collide(p, geom, 0.0f, 0.0f);
    }
}

// Advances the attack phases; a phase of n ticks counts the tick it began in.
void phases(sv_player* p)
{
    if (p->phase == SV_PHASE_IDLE)
        return;
    const sv_attack* a = sv_player_attack(p, p->attack);
    while (p->phase_ticks == 0) {
        if (p->phase == SV_PHASE_WINDUP) {
            p->phase = SV_PHASE_ACTIVE;
            p->phase_ticks = sv_sim_ticks(a->active);
        } else if (p->phase == SV_PHASE_ACTIVE) {
            p->phase = SV_PHASE_RECOVERY;
            p->phase_ticks = sv_sim_ticks(a->recovery);
            if (p->phase_ticks == 0) {
                p->phase = SV_PHASE_IDLE;
                return;
            }
        } else {
            p->phase = SV_PHASE_IDLE;
            p->phase_ticks = 0;
            return;
        }
    }
    p->phase_ticks -= 1;
}

// Dodge start, swap and attack start.
void buttons(sv_player* p, const sv_input* in, f32 dir_x, f32 dir_z)
{
    if (in->dodge && (p->phase == SV_PHASE_IDLE || p->phase == SV_PHASE_RECOVERY) && !dodging(p)
        && sv_player_spend(p, tune_f(SV_TUNE_STAMINA_DODGE_COST))) {
        if (dir_x != 0.0f || dir_z != 0.0f) {
            p->dodge_x = dir_x;
            p->dodge_z = dir_z;
        } else {
            p->dodge_x = -sv_cosf(p->yaw);
            p->dodge_z = -sv_sinf(p->yaw);
        }
        f64 ticks = std::floor(
            sv_tune(SV_TUNE_SIM_TICK_HZ)
            * (sv_tune(SV_TUNE_PLAYER_DODGE_DISTANCE) / sv_tune(SV_TUNE_PLAYER_DODGE_SPEED)));
        u32 n = ticks >= 1.0 ? (ticks < 4294967295.0 ? (u32)ticks : 4294967295u) : 1u;
        p->dodge_left = p->dodge_total = n;
        if (p->phase == SV_PHASE_RECOVERY) {
            p->phase = SV_PHASE_IDLE;
            p->phase_ticks = 0;
        }
    }
    if (in->swap && p->phase == SV_PHASE_IDLE && !dodging(p) && p->slot <= 1
        && slot_armed(p, (u8)(1 - p->slot)))
        p->slot = (u8)(1 - p->slot);
    if (p->phase != SV_PHASE_IDLE || dodging(p) || !(in->primary || in->secondary))
        return;
    u8 which = in->primary ? 0 : 1;
    if (!sv_player_armed(p))
        return;
    const sv_attack* a = sv_player_attack(p, which);
    if (a->kind == SV_ATTACK_NONE || a->grit > p->grit)
        return;
    if (!sv_player_spend(p, sv_player_attack_cost(p, which)))
        return;
    p->phase = SV_PHASE_WINDUP;
    p->grit -= a->grit;
    p->phase_ticks = sv_sim_ticks(a->windup);
    p->blow_dealt = 0;
    p->attack = which;
}

} // namespace

void sv_player_spawn(sv_player* p, const sv_geom* geom)
{
    if (!p)
        return;
    p->x = p->z = 0.0f;
    p->y = sv_geom_ground(geom, 0.0f, 0.0f);
    p->yaw = p->pitch = 0.0f;
    p->airborne = 0;
    p->vy = p->vx = p->vz = 0.0f;
    p->step_smooth = 0.0f;
    p->dodge_left = p->dodge_total = 0;
    p->dodge_x = p->dodge_z = 0.0f;
    p->walk_left = 0;
    p->walk_inward = 0;
    p->gates = 0;
    p->move_x = p->move_z = 0.0f;
    p->prisms = 0;
    p->phase = SV_PHASE_IDLE;
    p->phase_ticks = 0;
    p->blow_dealt = 0;
    p->attack = 0;
    if (geom && geom->opening_count > 0)
        p->yaw = sv_atan2f(geom->openings[0].centre.y, geom->openings[0].centre.x);
}

void sv_player_arm(sv_player* p, u8 slot, const sv_weapon* weapon)
{
    if (!p || !weapon || slot > 1)
        return;
    p->weapons[slot] = *weapon;
}

const sv_weapon* sv_player_weapon(const sv_player* p)
{
    if (!p || p->slot > 1)
        return &k_no_weapon;
    return &p->weapons[p->slot];
}

const sv_attack* sv_player_attack(const sv_player* p, u8 which)
{
    if (!p || !slot_armed(p, p->slot))
        return &k_no_attack;
    const sv_weapon* w = &p->weapons[p->slot];
    return which == 1 ? &w->secondary : &w->primary;
}

bool sv_player_armed(const sv_player* p)
{
    return p && slot_armed(p, p->slot);
}

f32 sv_player_attack_cost(const sv_player* p, u8 which)
{
    if (!sv_player_armed(p))
        return 0.0f;
    const sv_attack* a = sv_player_attack(p, which);
    if (a->stamina >= 0.0f)
        return a->stamina;
    return which == 1 ? tune_f(SV_TUNE_STAMINA_SECONDARY_COST)
                      : tune_f(SV_TUNE_STAMINA_PRIMARY_COST);
}

f32 sv_player_stamina(const sv_player* p)
{
    if (!p)
        return 0.0f;
    f32 left = tune_f(SV_TUNE_STAMINA_MAX) - p->stamina_spent;
    return left > 0.0f ? left : 0.0f;
}

i32 sv_player_spend(sv_player* p, f32 amount)
{
    if (!p)
        return 0;
    if (!(amount > 0.0f))
        return 1;
    f32 left = tune_f(SV_TUNE_STAMINA_MAX) - p->stamina_spent;
    if (!(left > 0.0f) || amount > left)
        return 0;
    p->stamina_spent += amount;
    f32 delay = tune_f(SV_TUNE_STAMINA_REGEN_DELAY);
    p->regen_delay = delay > 0.0f ? sv_sim_ticks(delay) : 0;
    return 1;
}

u32 sv_player_give_grit(sv_player* p, u32 n)
{
    if (!p)
        return 0;
    f64 max = std::trunc(sv_tune(SV_TUNE_GRIT_MAX));
    u32 cap = max > 0.0 ? (max < 4294967295.0 ? (u32)max : 4294967295u) : 0u;
    if (p->grit >= cap)
        return 0;
    u32 added = n < cap - p->grit ? n : cap - p->grit;
    p->grit += added;
    return added;
}

f32 sv_player_health(const sv_player* p)
{
    if (!p)
        return 0.0f;
    f32 h = tune_f(SV_TUNE_PLAYER_MAX_HP) - p->damage_taken;
    return h > 0.0f ? h : 0.0f;
}

i32 sv_player_alive(const sv_player* p)
{
    return p && p->damage_taken < tune_f(SV_TUNE_PLAYER_MAX_HP) ? 1 : 0;
}

bool sv_player_vulnerable(const sv_player* p)
{
    if (!sv_player_alive(p))
        return false;
    if (p->dodge_left == 0 || p->dodge_total == 0)
        return true;
    f32 elapsed = (f32)(p->dodge_total - p->dodge_left);
    return elapsed > (f32)p->dodge_total * tune_f(SV_TUNE_PLAYER_DODGE_IFRAMES);
}

f32 sv_player_hurt(sv_player* p, f32 amount)
{
    if (!p || !(amount > 0.0f) || !sv_player_vulnerable(p))
        return 0.0f;
    f32 dealt = sv_modified(&p->afflictions, SV_STAT_DAMAGE_TAKEN, amount);
    if (!(dealt > 0.0f))
        return 0.0f;
    p->damage_taken += dealt;
    return dealt;
}

void sv_player_revive(sv_player* p)
{
    if (!p)
        return;
    p->exhausted = 0;
    p->damage_taken = 0.0f;
    p->stamina_spent = 0.0f;
    sv_afflictions_clear(&p->afflictions);
    p->phase = SV_PHASE_IDLE;
    p->phase_ticks = 0;
    p->blow_dealt = 0;
    p->attack = 0;
}

void sv_player_step(sv_player* p, const sv_geom* geom, const sv_input* input)
{
    if (!p || !geom || !input)
        return;
    f32 dt = (f32)sv_sim_dt();

    sv_afflictions_tick(&p->afflictions);
    f32 rate = sv_modified(&p->afflictions, SV_STAT_HEALTH_RATE, 0.0f);
    if (rate != 0.0f && sv_player_alive(p)) {
        f32 taken = p->damage_taken - rate * dt;
        p->damage_taken = taken > 0.0f ? taken : 0.0f;
    }
    f32 walk_speed
        = sv_modified(&p->afflictions, SV_STAT_WALK_SPEED, tune_f(SV_TUNE_PLAYER_WALK_SPEED));

    // Dead, falling or walked through a door: only the look applies.
    sv_input in = *input;
    if (!sv_player_alive(p) || p->airborne || p->walk_left != 0) {
        in.right = in.forward = 0.0f;
        in.sprint = in.dodge = in.primary = in.secondary = in.swap = 0;
    }

    p->yaw += in.yaw_delta;
    f32 pitch = p->pitch + in.pitch_delta;
    p->pitch = pitch < -PITCH_LIMIT ? -PITCH_LIMIT : pitch > PITCH_LIMIT ? PITCH_LIMIT : pitch;

    f32 c = sv_cosf(p->yaw), s = sv_sinf(p->yaw);
    f32 dir_x = in.forward * c - in.right * s;
    f32 dir_z = in.forward * s + in.right * c;
    f32 len = std::sqrt(dir_x * dir_x + dir_z * dir_z);
    if (len > 0.0001f) {
        dir_x /= len;
        dir_z /= len;
    } else {
        dir_x = dir_z = 0.0f;
    }

    if (p->regen_delay == 0) {
        if (p->stamina_spent > 0.0f) {
            f32 regen = sv_modified(&p->afflictions, SV_STAT_STAMINA_REGEN,
                                    tune_f(SV_TUNE_STAMINA_REGEN));
            f32 spent = p->stamina_spent - regen * dt;
            p->stamina_spent = spent > 0.0f ? spent : 0.0f;
        }
    } else {
        p->regen_delay -= 1;
    }
    if (p->exhausted && sv_player_stamina(p) >= tune_f(SV_TUNE_STAMINA_SPRINT_COST))
        p->exhausted = 0;

    buttons(p, &in, dir_x, dir_z);

    f32 x0 = p->x, z0 = p->z;
    u8 airborne_before = p->airborne;
    motion(p, geom, &in, dt, walk_speed, dir_x, dir_z);

    f32 y_before = p->y;
    sv_body_settle(geom, p->x, p->z, &p->y, &p->vy, &p->airborne);

    if (!airborne_before && !p->airborne) {
        f32 smooth = p->step_smooth - (p->y - y_before);
        f32 tau = tune_f(SV_TUNE_PLAYER_STEP_SMOOTH);
        smooth *= tau > 0.0001f ? sv_expf(-dt / tau) : 0.0f;
        p->step_smooth = std::fabs(smooth) < 0.0001f ? 0.0f : smooth;
    } else if (!airborne_before && p->airborne) {
        p->vx = (p->x - x0) / dt;
        p->vz = (p->z - z0) / dt;
        p->step_smooth = 0.0f;
    } else {
        p->step_smooth = 0.0f;
    }

    phases(p);
}

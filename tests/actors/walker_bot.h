// A headless player for the walker tests: plain code over sv_walker_step and sv_input that uses
// the walker's own queries and the navigation to fetch the melee weapon and the keys it needs,
// fight what stands in its way and leave by the exit. Floors come from the whole gen pipeline.
#pragma once
#include <cmath>
#include <cstring>

#include "actors/combat.h"
#include "actors/mob.h"
#include "actors/walker.h"
#include "core/tune.h"
#include "game/pipeline.h"
#include "world/body.h"
#include "world/geom.h"
#include "world/nav.h"
#include "world/route.h"

// Whether this build runs under AddressSanitizer: the bot then plays every n-th seed only.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool k_bot_sanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool k_bot_sanitized = true;
#else
inline constexpr bool k_bot_sanitized = false;
#endif
#else
inline constexpr bool k_bot_sanitized = false;
#endif

// The seed step of the bot's runs: 1, or n under the sanitizer.
inline constexpr u64 bot_stride(u64 n)
{
    return k_bot_sanitized ? n : 1;
}

// A floor generated through the whole pipeline that frees itself.
struct walker_floor {
    sv_floor f {};
    walker_floor(u64 seed, u16 number) { sv_pipeline_generate(&f, seed, number); }
    ~walker_floor() { sv_floor_free(&f); }
    walker_floor(const walker_floor&) = delete;
    walker_floor& operator=(const walker_floor&) = delete;
};

inline f32 bot_wrap(f32 a)
{
    const f64 two_pi = 6.283185307179586;
    f64 r = std::fmod((f64)a, two_pi);
    if (r > two_pi / 2)
        r -= two_pi;
    else if (r < -two_pi / 2)
        r += two_pi;
    return (f32)r;
}

// The room holding the floor's exit door and that door; false when the floor has none.
inline bool bot_exit(const sv_floor* f, u16* room, u8* door)
{
    for (u16 r = 0; r < f->room_count; ++r)
        for (u8 d = 0; d < f->rooms[r].door_count; ++d)
            if (f->rooms[r].doors[d].kind == SV_DOOR_EXIT) {
                *room = r;
                *door = d;
                return true;
            }
    return false;
}

struct walker_bot {
    const sv_walker* w = nullptr;
    u16 goal = SV_NONE16; // room the bot heads for
    u32 goal_spot = 0;    // prop spot to stand on there; 99 the exit door
    u16 planned_place = SV_NONE16;
    u32 plan_age = 0;
    Vector2 path[96];
    u64 path_count = 0, path_at = 0;
    Vector2 path_goal = {0, 0};
    u32 stuck = 0;
    f32 last_x = 0, last_z = 0;
    u32 kills = 0; // bosses killed through the floor record
    bool kill_bosses = false;
    u32 tick = 0;
    u32 unstick = 0;   // ticks left of a sidestep out of a corner
    Vector2 detour[2]; // up a fixture's ramp: its low end, then onto its top
    u32 detour_count = 0, detour_at = 0;
    u8 commit = 255; // door being walked out through
    u16 commit_place = SV_NONE16;
};

inline i32 bot_may_pass(void* user, const sv_floor* floor, u16 place, u8 door)
{
    const sv_walker* w = (const sv_walker*)user;
    return !sv_floor_fogged(floor, place, door) && admits_at(w, floor, place, door);
}

// The doors from the walker's place to room, through doors the bot may pass; -1 none.
inline i64 bot_route(walker_bot* b, const sv_floor* f, u16 room, u8* doors)
{
    return sv_nav_route(f, b->w->place, room, doors, 64, bot_may_pass, (void*)b->w);
}

// Chooses where to go: the exit when it admits, else the nearest reachable key or the melee
// weapon, else the nearest reachable room with a living boss.
inline void bot_plan(walker_bot* b, const sv_floor* f)
{
    const sv_player* p = &b->w->player;
    u8 doors[64];
    u16 exit_room = SV_NONE16;
    u8 exit_door = 0;
    b->goal = SV_NONE16;
    if (bot_exit(f, &exit_room, &exit_door)
        && sv_door_admits(f, exit_room, exit_door, p->shards, p->prisms)
        && bot_route(b, f, exit_room, doors) >= 0) {
        b->goal = exit_room;
        b->goal_spot = 99;
        return;
    }
    i64 best = 1 << 30;
    for (u16 r = 0; r < f->room_count; ++r) {
        u32 spot = 0;
        u8 left = (u8)(f->rooms[r].tags & ~sv_floor_taken(f, r));
        if (left & SV_TAG_PRISM)
            spot = SV_PROP_PRISM;
        else if (left & SV_TAG_SHARD)
            spot = SV_PROP_SHARD;
        else if (f->weapon_room[0] == r && !f->weapon_taken[0] && !sv_player_armed(p))
            spot = SV_PROP_WEAPON;
        else if (sv_floor_boss_in((sv_floor*)f, r) && !(sv_floor_seal_state(f, r) & SV_SEAL_CLEARED)
                 && b->kill_bosses)
            spot = SV_PROP_CENTRE;
        else
            continue;
        i64 n = bot_route(b, f, r, doors);
        if (n >= 0 && n < best) {
            best = n;
            b->goal = r;
            b->goal_spot = spot;
        }
    }
}

// Aims the input at (x, z) and walks there.
inline void bot_walk_to(const sv_player* p, sv_input* in, f32 x, f32 z)
{
    f32 bearing = std::atan2(z - p->z, x - p->x);
    f32 d = bot_wrap(bearing - p->yaw);
    in->yaw_delta = d > 0.25f ? 0.25f : (d < -0.25f ? -0.25f : d);
    in->forward = std::fabs(d) < 0.6f ? 1.0f : 0.0f;
}

// A point on ground higher than a step is reached by the ramp of the standable fixture under
// it: the walk goes to the ramp's low end first, then up onto the top.
inline void bot_plan_detour(walker_bot* b, Vector2 to)
{
    const sv_geom* g = &b->w->geom;
    const sv_player* p = &b->w->player;
    if (b->detour_at < b->detour_count)
        return;
    f32 step = (f32)sv_tune(SV_TUNE_PLAYER_STEP_HEIGHT);
    if (!(sv_geom_ground(g, to.x, to.y) > p->y + step + 0.01f))
        return;
    u16 face = 0;
    sv_geom_ground_on(g, to.x, to.y, &face);
    u32 k = face >= SV_GROUND_TOP ? face - SV_GROUND_TOP
                                  : (face >= SV_GROUND_SLOPE ? (face - SV_GROUND_SLOPE) / 3 : 255);
    if (k < g->fixture_count) {
        const sv_fixture* f = &g->fixtures[k];
        if (!f->standable || f->slope_count == 0)
            return;
        const sv_slope* sl = &f->slopes[0];
        Vector2 lo = {(sl->origin.x + sl->across.x) * 0.5f, (sl->origin.y + sl->across.y) * 0.5f};
        Vector2 hi = {(sl->up.x + sl->far_corner.x) * 0.5f, (sl->up.y + sl->far_corner.y) * 0.5f};
        if (sl->bottom > sl->top) {
            Vector2 t = lo;
            lo = hi;
            hi = t;
        }
        f32 ux = hi.x - lo.x, uz = hi.y - lo.y;
        f32 len = std::sqrt(ux * ux + uz * uz);
        if (len < 1e-4f)
            return;
        ux /= len;
        uz /= len;
        b->detour[0] = {lo.x - ux * 0.6f, lo.y - uz * 0.6f};
        b->detour[1] = {hi.x + ux * 0.5f, hi.y + uz * 0.5f};
        b->detour_count = 2;
        b->detour_at = 0;
        return;
    }
}

// Walks along a path to (x, z) in the walker's place, searching it again when the target or the
// place changes or every second.
inline void bot_follow(walker_bot* b, sv_input* in, Vector2 target)
{
    const sv_player* p = &b->w->player;
    if (b->planned_place != b->w->place || b->plan_age == 0 || b->path_goal.x != target.x
        || b->path_goal.y != target.y) {
        b->path_count = sv_nav_path(&b->w->geom, (f32)sv_tune(SV_TUNE_PLAYER_RADIUS), {p->x, p->z},
                                    target, b->path, 96);
        b->path_at = 0;
        if (b->planned_place != b->w->place)
            b->detour_count = b->detour_at = 0;
        b->path_goal = target;
        b->planned_place = b->w->place;
        b->plan_age = 60;
    }
    b->plan_age -= 1;
    while (b->detour_at < b->detour_count) {
        f32 dx = b->detour[b->detour_at].x - p->x, dz = b->detour[b->detour_at].y - p->z;
        if (dx * dx + dz * dz > 0.09f)
            break;
        b->detour_at += 1;
        b->plan_age = 0;
    }
    while (b->path_at + 1 < b->path_count) {
        f32 dx = b->path[b->path_at].x - p->x, dz = b->path[b->path_at].y - p->z;
        if (dx * dx + dz * dz > 0.09f)
            break;
        b->path_at += 1;
    }
    Vector2 to = b->path_at < b->path_count ? b->path[b->path_at] : target;
    bot_plan_detour(b, to);
    if (b->detour_at < b->detour_count)
        to = b->detour[b->detour_at];
    bot_walk_to(p, in, to.x, to.y);
}

// The nearest living mob the walker sees within range: its index, or -1.
inline i32 bot_foe(const sv_walker* w, const sv_floor* f, f32 range, f32* fx, f32* fz)
{
    i32 best = -1;
    f32 best_d = range * range;
    for (u16 i = 0; i < f->mob_count; ++i) {
        if (!(f->mobs[i].hp > 0.0f))
            continue;
        f32 x = 0, z = 0, y = 0;
        if (!sv_combat_mob_from_here(w, f, i, &x, &z, &y))
            continue;
        f32 d = (x - w->player.x) * (x - w->player.x) + (z - w->player.z) * (z - w->player.z);
        if (d < best_d) {
            best_d = d;
            best = i;
            *fx = x;
            *fz = z;
        }
    }
    return best;
}

// The bot's input for this tick.
inline sv_input bot_input(walker_bot* b, sv_floor* f)
{
    sv_input in;
    std::memset(&in, 0, sizeof in);
    const sv_walker* w = b->w;
    const sv_player* p = &w->player;
    if (p->walk_left != 0)
        return in;
    b->tick += 1;
    // Pressed into a corner: sidestep and back off for a while, one way or the other.
    f32 mdx = p->x - b->last_x, mdz = p->z - b->last_z;
    if (mdx * mdx + mdz * mdz > 0.04f || b->planned_place != w->place) {
        b->last_x = p->x;
        b->last_z = p->z;
        b->stuck = 0;
    } else if (++b->stuck > 90) {
        b->stuck = 0;
        b->unstick = 40;
        b->path_count = 0;
        b->plan_age = 0;
        b->detour_count = b->detour_at = 0;
    }
    if (b->unstick > 0) {
        b->unstick -= 1;
        in.right = (b->tick / 200) % 2 ? 1.0f : -1.0f;
        in.forward = -0.5f;
        return in;
    }
    // A sealed room holds a risen boss: the script kills it through the floor record.
    if (b->kill_bosses && w->place < f->room_count
        && (sv_floor_seal_state(f, w->place) & SV_SEAL_SEALED)) {
        for (u16 i = 0; i < f->mob_count; ++i)
            if (f->mobs[i].place == w->place && f->mobs[i].boss && f->mobs[i].hp > 0.0f) {
                sv_floor_kill_mob(f, i);
                b->kills += 1;
            }
    }
    f32 fx = 0, fz = 0;
    if (sv_player_armed(p) && !sv_combat_passive() && bot_foe(w, f, 4.0f, &fx, &fz) >= 0) {
        f32 d = std::sqrt((fx - p->x) * (fx - p->x) + (fz - p->z) * (fz - p->z));
        bot_walk_to(p, &in, fx, fz);
        if (d > (f32)sv_tune(SV_TUNE_PLAYER_MELEE_REACH) * 0.8f)
            return in;
        in.forward = 0;
        in.primary = p->phase == SV_PHASE_IDLE ? 1 : 0;
        return in;
    }
    if (b->plan_age % 30 == 0 || b->goal == SV_NONE16 || b->planned_place != w->place)
        bot_plan(b, f);
    if (b->goal == SV_NONE16)
        return in;
    if (w->place == b->goal) {
        if (b->goal_spot == 99) {
            u16 room = 0;
            u8 door = 0;
            bot_exit(f, &room, &door);
            const sv_opening* o = &w->geom.openings[door];
            Vector2 stand
                = {o->centre.x + std::cos(o->yaw) * 1.2f, o->centre.y + std::sin(o->yaw) * 1.2f};
            f32 dx = o->centre.x - p->x, dz = o->centre.y - p->z;
            if (dx * dx + dz * dz < 2.0f * 2.0f) {
                bot_walk_to(p, &in, o->centre.x, o->centre.y);
                in.forward = 0;
                in.use = std::fabs(in.yaw_delta) < 0.3f ? 1 : 0;
                return in;
            }
            bot_follow(b, &in, stand);
            return in;
        }
        Vector3 s = sv_geom_prop_spot(&w->geom, b->goal_spot);
        bot_follow(b, &in, {s.x, s.z});
        return in;
    }
    u8 doors[64];
    if (bot_route(b, f, b->goal, doors) < 1) {
        b->goal = SV_NONE16;
        return in;
    }
    const sv_opening* o = &w->geom.openings[doors[0]];
    f32 nx = std::cos(o->yaw), nz = std::sin(o->yaw);
    f32 a = nx * (p->x - o->centre.x) + nz * (p->z - o->centre.y);
    f32 l = o->tangent.x * (p->x - o->centre.x) + o->tangent.y * (p->z - o->centre.y);
    // Where the way out begins: the ramp's foot, or on a bench that serves as the sill, a point
    // of its top in front of the door (the foot lies on the bench's very edge).
    Vector2 start = o->foot;
    if (o->bench_sill)
        start = {o->centre.x + nx * 0.6f, o->centre.y + nz * 0.6f};
    f32 a_start = nx * (start.x - o->centre.x) + nz * (start.y - o->centre.y);
    f32 sdx = start.x - p->x, sdz = start.y - p->z;
    bool level = !o->bench_sill || p->y >= sv_geom_ground(&w->geom, start.x, start.y) - 0.2f;
    if (b->commit_place != w->place)
        b->commit = 255;
    if (level
        && ((a <= a_start + 0.3f && std::fabs(l) < o->width * 0.5f - 0.1f)
            || sdx * sdx + sdz * sdz < 0.36f)) {
        b->commit = doors[0];
        b->commit_place = w->place;
    }
    if (b->commit == doors[0]) {
        // Off the ramp (pushed or fallen): back to its start.
        f32 sx = o->centre.x - start.x, sz = o->centre.y - start.y;
        f32 len2 = sx * sx + sz * sz;
        f32 t = len2 > 1e-6f ? ((p->x - start.x) * sx + (p->z - start.y) * sz) / len2 : 0.0f;
        t = t < 0 ? 0 : (t > 1 ? 1 : t);
        f32 ox = start.x + t * sx - p->x, oz = start.y + t * sz - p->z;
        if ((ox * ox + oz * oz > 0.36f && a > 0.3f) || !level)
            b->commit = 255;
    }
    if (b->commit == doors[0]) {
        // On the way out: up to the doorway's middle, then straight out.
        if (a > 0.3f)
            bot_walk_to(p, &in, o->centre.x, o->centre.y);
        else
            bot_walk_to(p, &in, o->centre.x - nx * 2.0f, o->centre.y - nz * 2.0f);
        return in;
    }
    bot_follow(b, &in, start);
    return in;
}

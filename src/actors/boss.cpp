// Floor population: the Axiom, the Scions, the weapon spots and the ordinary mobs.
//
// Determinism: bosses draw from the contents stream and mobs from the mobs stream, each opened
// afresh for (run seed, floor number), in room index order and in the order of draws written at
// each step. Positions are worked in double precision and stored as f32.
#include "actors/boss.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "core/diag.h"
#include "core/fmath.h"
#include "core/growth.h"
#include "core/log.h"
#include "core/tune.h"
#include "floor/character.h"
#include "world/geom.h"

namespace {

const f64 k_pi = 3.14159265358979323846;

u64 count_boss_rooms(const sv_floor* floor)
{
    u64 n = 0;
    for (u16 r = 0; r < floor->room_count; ++r)
        if (floor->rooms[r].tags & SV_TAGS_BOSS)
            ++n;
    return n;
}

// A warning about what the content cannot serve; it belongs to no pack file, so whatever file a
// content load left as context must not be named with it.
template <typename... Args> void warn(u32 kind, const char* subject, const char* fmt, Args... args)
{
    sv_diag_clear_context();
    sv_diag_report(SV_DIAG_WARNING, kind, subject, fmt, args...);
}

// The stand spot within an already built room geometry.
void stand_spot_in(const sv_geom* geom, f32* x, f32* z, f32* yaw)
{
    f64 sx = 0.0, sz = 0.0, syaw = 0.0;
    if (geom->opening_count > 0) {
        f64 dx = geom->openings[0].centre.x, dz = geom->openings[0].centre.y;
        f64 length = std::sqrt(dx * dx + dz * dz);
        if (length > 0.0001) {
            f64 r = geom->radius;
            sx = -dx / length * r * 0.4;
            sz = -dz / length * r * 0.4;
            syaw = sv_atan2(dz, dx);
        }
    }
    *x = (f32)sx;
    *z = (f32)sz;
    *yaw = (f32)syaw;
    sv_geom_nearest_standable(geom, (f32)sv_tune(SV_TUNE_PLAYER_RADIUS), x, z);
}

// Where a boss stands in a room: 0.4 of the room's radius from the centre opposite door 0,
// facing door 0, moved to the nearest point a player-sized body can stand. Builds the room's
// geometry; (0, 0) facing 0 for a null floor or a room that is not on it.
void stand_spot(const sv_floor* floor, u16 room, f32* x, f32* z, f32* yaw)
{
    f32 sx = 0.0f, sz = 0.0f, syaw = 0.0f;
    if (floor && room < floor->room_count) {
        sv_geom geom;
        sv_geom_build(&geom, floor, room);
        stand_spot_in(&geom, &sx, &sz, &syaw);
    }
    if (x)
        *x = sx;
    if (z)
        *z = sz;
    if (yaw)
        *yaw = syaw;
}

// Adds a boss at the room's stand spot; warns when the mob table is full. Index or -1.
i32 add_boss(sv_floor* floor, u16 room, const sv_body* body, u64 kind, const char* name)
{
    f32 x = 0.0f, z = 0.0f, yaw = 0.0f;
    stand_spot(floor, room, &x, &z, &yaw);
    i32 index = sv_floor_add_mob(floor, room, x, z, yaw, body, kind, name, 1);
    if (index < 0)
        warn(SV_DIAG_OUT_OF_RANGE, name ? name : "",
             "floor %u: %s could not stand in room %u (hp %.1f, slots %u of %u)",
             floor->floor_number, name ? name : "", room, (f64)body->hp, floor->mob_count,
             floor->mob_capacity);
    return index;
}

bool mob_eligible(const sv_mob_def* def, i32 depth)
{
    return !def->observer && def->depth_min <= depth
        && (def->depth_max < 1 || depth <= def->depth_max) && def->weight > 0.0;
}

// Knuth's Poisson count, stopping at the quota: one uniform draw per step.
u32 poisson_capped(sv_rng* rng, f64 limit, u32 quota)
{
    f64 p = 1.0;
    u32 k = 0;
    for (;;) {
        p *= sv_rng_f64(rng);
        if (p <= limit)
            return k;
        k += 1;
        if (k >= quota)
            return quota;
    }
}

// The archetype of one mob: one draw over the weights of the eligible ones (weights[i] is mob i's
// weight, 0 when it is not eligible); null when none is chosen.
const sv_mob_def* pick_mob(sv_rng* rng, const std::vector<f64>& weights)
{
    if (weights.empty())
        return nullptr;
    u64 i = sv_rng_weighted(rng, weights.data(), weights.size());
    return i < weights.size() ? sv_content_mob_at(i) : nullptr;
}

// Places one mob in a built room: the pick has been made; four more draws (angle, radius,
// facing chance, yaw). Returns 1 when the floor took it.
u64 place_mob(sv_floor* floor, u16 room, const sv_geom* geom, sv_rng* rng, const sv_mob_def* def)
{
    bool door = geom->opening_count > 0;
    f64 cx = door ? geom->openings[0].centre.x : 0.0, cz = door ? geom->openings[0].centre.y : 0.0;
    f64 angle;
    if (door) {
        f64 arc = sv_tune(SV_TUNE_MOB_DOOR_ARC) * k_pi / 180.0;
        angle = sv_atan2(cz, cx) + k_pi + (2.0 * sv_rng_f64(rng) - 1.0) * (k_pi - arc);
    } else {
        angle = sv_rng_f64(rng) * 2.0 * k_pi;
    }
    f64 radius = (0.4 + 0.3 * sv_rng_f64(rng)) * geom->radius;
    f32 x = (f32)(sv_cos(angle) * radius), z = (f32)(sv_sin(angle) * radius);
    sv_geom_nearest_standable(geom, (f32)sv_tune(SV_TUNE_PLAYER_RADIUS), &x, &z);
    f64 u1 = sv_rng_f64(rng);
    f64 yaw = sv_rng_f64(rng) * 2.0 * k_pi;
    if (door && u1 < sv_tune(SV_TUNE_MOB_FACE_DOOR))
        yaw = sv_atan2(cz - (f64)z, cx - (f64)x);
    u64 kind = sv_kind_mob(def->sides, def->axis);
    return sv_floor_add_mob(floor, room, x, z, (f32)yaw, &def->body, kind, def->name, 0) >= 0 ? 1
                                                                                              : 0;
}

} // namespace

sv_mob_kind sv_kind_mob(u32 sides, u32 axis)
{
    return (u64)SV_KIND_MOB | ((u64)(sides & 0xffu) << 8) | ((u64)(axis & 0xffu) << 16);
}

sv_mob_kind sv_kind_axiom(u32 faces)
{
    return (u64)SV_KIND_AXIOM | ((u64)(faces & 0xffu) << 8);
}

sv_mob_kind sv_kind_scion(u32 faces, const char* scion_id)
{
    u32 key = sv_status_key(scion_id);
    if (key == 0)
        key = 1;
    return (u64)SV_KIND_SCION | ((u64)(faces & 0xffu) << 8) | ((u64)key << 32);
}

const sv_axiom_def* sv_boss_draw_axiom(u16 depth, sv_rng* rng)
{
    if (!rng)
        return nullptr;
    // The eligible Axioms' weights, 0 for the others; when no eligible one weighs anything, every
    // eligible Axiom counts as 1.
    u64 count = sv_content_axiom_count();
    std::vector<f64> weights(count, 0.0);
    bool weighed = false, eligible = false;
    for (u64 i = 0; i < count; ++i) {
        const sv_axiom_def* a = sv_content_axiom_at(i);
        if (!sv_content_axiom_admits(a, depth))
            continue;
        eligible = true;
        if (a->weight > 0.0) {
            weights[i] = a->weight;
            weighed = true;
        }
    }
    if (!eligible)
        return nullptr;
    if (!weighed) {
        for (u64 i = 0; i < count; ++i)
            weights[i] = sv_content_axiom_admits(sv_content_axiom_at(i), depth) ? 1.0 : 0.0;
    }
    return sv_content_axiom_at(sv_rng_weighted(rng, weights.data(), count));
}

const sv_scion_def* sv_boss_draw_scion(const sv_axiom_def* axiom, sv_rng* rng)
{
    if (!axiom || !rng || axiom->scion_count == 0 || !axiom->scions)
        return nullptr;
    u32 index = axiom->scion_count == 1 ? 0 : sv_rng_below(rng, axiom->scion_count);
    return sv_content_scion_find(axiom->scions[index]);
}

u64 sv_boss_stand(sv_floor* floor)
{
    if (!floor)
        return 0;
    floor->boss_mob = SV_NONE16;
    u64 rooms = count_boss_rooms(floor);
    if (rooms == 0)
        return 0;
    if (sv_content_axiom_count() == 0) {
        sv_log_write(SV_LOG_INFO, SV_CAT_GEN,
                     "floor %u: no content mounted; %zu boss rooms stand empty and will not seal",
                     floor->floor_number, (size_t)rooms);
        return 0;
    }
    sv_rng rng;
    sv_rng_open(&rng, floor->seed, floor->floor_number, SV_STREAM_CONTENTS);
    const sv_axiom_def* axiom = sv_boss_draw_axiom(floor->floor_number, &rng);
    if (!axiom) {
        warn(SV_DIAG_DANGLING_REF, "axioms",
             "floor %u: no Axiom admits depth %u; %zu boss rooms stand empty and will not seal",
             floor->floor_number, floor->floor_number, (size_t)rooms);
        return 0;
    }
    u64 added = 0;
    for (u16 r = 0; r < floor->room_count; ++r) {
        u8 tags = floor->rooms[r].tags;
        if (tags & SV_TAG_AXIOM) {
            i32 index = add_boss(floor, r, &axiom->body, sv_kind_axiom(axiom->faces), axiom->name);
            if (index >= 0) {
                floor->boss_mob = (u16)index;
                floor->mobs[index].waiting = 1;
                added += 1;
            }
        } else if (tags & SV_TAG_SCION) {
            const sv_scion_def* scion = sv_boss_draw_scion(axiom, &rng);
            if (!scion) {
                warn(SV_DIAG_DANGLING_REF, axiom->id,
                     "floor %u: %s has no Scion to stand in room %u; it will not seal",
                     floor->floor_number, axiom->id, r);
                continue;
            }
            i32 index = add_boss(floor, r, &scion->body, sv_kind_scion(axiom->faces, scion->id),
                                 scion->name);
            if (index >= 0) {
                floor->mobs[index].waiting = (tags & SV_TAGS_GATE_SCION) == SV_TAGS_GATE_SCION;
                added += 1;
            }
        }
    }
    return added;
}

u64 sv_weapon_stock(sv_floor* floor)
{
    if (!floor)
        return 0;
    u64 stocked = 0;
    for (u32 slot = SV_SLOT_MELEE; slot <= SV_SLOT_RANGED; ++slot) {
        u16 room = floor->weapon_room[slot];
        if (room == SV_NONE16)
            continue;
        const sv_weapon_def* def = nullptr;
        for (u64 i = 0; i < sv_content_weapon_count() && !def; ++i)
            if (sv_content_weapon_at(i)->slot == slot)
                def = sv_content_weapon_at(i);
        if (def && sv_floor_stock_weapon(floor, slot, &def->body)) {
            stocked += 1;
            continue;
        }
        sv_log_write(SV_LOG_INFO, SV_CAT_GEN,
                     "floor %u: no %s weapon in the content; room %u holds none",
                     floor->floor_number, sv_weapon_slot_name(slot), room);
        sv_floor_place_weapon(floor, slot, SV_NONE16);
    }
    return stocked;
}

f64 sv_mob_density(const sv_floor* floor)
{
    if (!floor)
        return 0.0;
    f64 rate = sv_tune(SV_TUNE_MOB_DENSITY_C) * sv_tune(SV_TUNE_MOB_DENSITY_GROWTH_RATE);
    f64 g = sv_growth_eval(sv_tune_u32(SV_TUNE_MOB_DENSITY_GROWTH), 0.0, rate, floor->floor_number);
    if (g < 0.0)
        g = 0.0;
    return g * sv_character_roll(floor->seed, floor->floor_number).mob_density;
}

u64 sv_mob_populate(sv_floor* floor)
{
    if (!floor)
        return 0;
    f64 density = sv_mob_density(floor);
    if (!(density > 0.0))
        return 0;
    if (sv_content_mob_count() == 0) {
        sv_log_write(SV_LOG_INFO, SV_CAT_GEN, "floor %u: no content mounted; no mobs stand",
                     floor->floor_number);
        return 0;
    }
    i32 depth = floor->floor_number;
    std::vector<f64> weights(sv_content_mob_count(), 0.0);
    bool any = false;
    for (u64 i = 0; i < weights.size(); ++i) {
        if (mob_eligible(sv_content_mob_at(i), depth)) {
            weights[i] = sv_content_mob_at(i)->weight;
            any = true;
        }
    }

    sv_rng rng;
    sv_rng_open(&rng, floor->seed, floor->floor_number, SV_STREAM_MOBS);
    u32 cap = sv_tune_u32(SV_TUNE_MOB_ROOM_MAX);
    if (cap > 4)
        cap = 4;
    f64 limit = sv_exp(-density);
    u64 added = 0;
    sv_geom geom;
    for (u16 r = 0; r < floor->room_count; ++r) {
        if (floor->rooms[r].tags & SV_TAGS_NO_MOBS)
            continue;
        u32 present = sv_floor_mobs_in(floor, r);
        if (present >= cap)
            continue;
        u32 n = poisson_capped(&rng, limit, cap - present);
        if (n == 0)
            continue;
        sv_geom_build(&geom, floor, r);
        for (u32 i = 0; i < n; ++i) {
            const sv_mob_def* def = any ? pick_mob(&rng, weights) : nullptr;
            if (!def) {
                sv_log_write(SV_LOG_INFO, SV_CAT_GEN,
                             "floor %u: no archetype admits depth %u; room %u stands empty",
                             floor->floor_number, floor->floor_number, r);
                return added;
            }
            added += place_mob(floor, r, &geom, &rng, def);
        }
    }
    return added;
}

i32 sv_boss_entry(const char* id, sv_body* body, sv_mob_kind* kind, const char** name)
{
    if (!id)
        return 0;
    const sv_body* b = nullptr;
    const char* n = nullptr;
    u64 k = 0;
    if (const sv_mob_def* m = sv_content_mob_find(id)) {
        b = &m->body;
        n = m->name;
        k = sv_kind_mob(m->sides, m->axis);
    } else if (const sv_axiom_def* a = sv_content_axiom_find(id)) {
        b = &a->body;
        n = a->name;
        k = sv_kind_axiom(a->faces);
    } else if (const sv_scion_def* s = sv_content_scion_find(id)) {
        u32 faces = 6;
        for (u64 i = 0; i < sv_content_axiom_count(); ++i)
            if (sv_content_axiom_claims(sv_content_axiom_at(i), s->id)) {
                faces = sv_content_axiom_at(i)->faces;
                break;
            }
        b = &s->body;
        n = s->name;
        k = sv_kind_scion(faces, s->id);
    } else {
        return 0;
    }
    if (body)
        *body = *b;
    if (kind)
        *kind = k;
    if (name)
        *name = n;
    return 1;
}

// The things of a visible place: a room's keys, lying weapon, fountain or monument and chest;
// the place's mobs with their telegraphs; and its shots. Wire boxes, floating wire keys and
// translucent bodies with opaque edges, in the place's frame, carried and clipped by the visit.
#include <cmath>
#include <cstring>

#include "actors/combat.h" // a mob's ground
#include "actors/mob.h"    // a mob's strike
#include "game/draw.h"
#include "world/geom.h"   // prop spots
#include "world/portal.h" // carrying points, the body view

static const Color k_monument = {120, 128, 140, 255};
static const Color k_dead = {90, 40, 40, 255};
static const Color k_shot = {240, 230, 200, 255};

// Mob body colours by attack phase (idle for any other value).
static const Color k_phase[4] = {
    {190, 70, 60, 255},
    {255, 200, 60, 255},
    {255, 255, 255, 255},
    {120, 60, 60, 255},
};

static Vector3 carry(const sv_portal* portal, Vector3 p)
{
    Vector3 out;
    sv_portal_point3(&out, portal, &p);
    return out;
}

static void line3(const sv_portal* portal, const sv_portal_view* view, Vector3 a, Vector3 b,
                  Color colour)
{
    draw_line(portal, view, &a, &b, colour);
}

// The weapon of slot lying on its prop spot at twice its size, turning and bobbing.
static void draw_lying_weapon(const sv_visit* visit, i32 slot, f32 t)
{
    sv_weapon_body body;
    weapon_body_of(&body, slot);
    const Vector3 s = sv_geom_prop_spot(visit->geom, SV_PROP_WEAPON);
    const f32 hover = slot == 0 ? 0.9f : 0.5f;
    const f32 a = 0.8f * t, c = std::cos(a), sn = std::sin(a);
    const f32 bob = s.y + hover + 0.08f * std::sin(2.0f * t);
    Vector3 w[SV_BODY_VERTICES];
    for (u32 i = 0; i < body.vertex_count; ++i) {
        const f32* v = body.vertices[i];
        w[i] = {s.x + 2 * v[0] * c - 2 * v[2] * sn, bob + 2 * v[1],
                s.z + 2 * v[0] * sn + 2 * v[2] * c};
    }
    for (u32 i = 0; i < body.triangle_count; ++i) {
        const u32* k = body.triangles[i];
        Vector3 p = carry(visit->to_root, w[k[0]]), q = carry(visit->to_root, w[k[1]]),
                r = carry(visit->to_root, w[k[2]]);
        draw_tri(visit->view, &p, &q, &r, PALETTE.fill);
        draw_tri(visit->view, &r, &q, &p, PALETTE.fill);
    }
    for (u32 i = 0; i < body.triangle_count; ++i) {
        const u32* k = body.triangles[i];
        for (u32 e = 0; e < 3; ++e) {
            line3(visit->to_root, visit->view, w[k[e]], w[k[(e + 1) % 3]], PALETTE.edge);
        }
    }
}

// A box standing on the floor has its bottom edges in the floor's own plane, where depth makes
// them dotted; it stands this much above it instead.
#define FLOOR_LIFT 0.005f

static Vector3 lifted(Vector3 spot)
{
    return Vector3 {spot.x, spot.y + FLOOR_LIFT, spot.z};
}

void draw_room_things(const sv_visit* visit, const sv_floor* floor)
{
    if (!visit || !visit->geom || !floor) {
        return;
    }
    const sv_room* room = sv_floor_room_const(floor, visit->place);
    if (!room) {
        return;
    }
    const sv_portal* portal = visit->to_root;
    const sv_portal_view* view = visit->view;
    const f32 t = (f32)sv_draw_get_frame()->time;
    const u8 keys = (u8)(room->tags & ~sv_floor_taken(floor, visit->place));
    if (keys & SV_TAG_PRISM) {
        draw_key(visit->geom, portal, view, SV_TAG_PRISM);
    }
    if (keys & SV_TAG_SHARD) {
        draw_key(visit->geom, portal, view, SV_TAG_SHARD);
    }
    const i32 slot = sv_floor_weapon_in(floor, visit->place);
    if (slot == 0 || slot == 1) {
        draw_lying_weapon(visit, slot, t);
    }
    const Vector3 s0 = lifted(sv_geom_prop_spot(visit->geom, SV_PROP_CENTRE));
    if (room->tags & SV_TAG_MONUMENT) {
        draw_box(portal, view, &s0, 0.3f, 2.4f, 0.3f, k_monument);
        draw_box(portal, view, &s0, 0.6f, 0.2f, 0.6f, k_monument);
    } else if (room->tags & SV_TAG_FOUNTAIN) {
        draw_box(portal, view, &s0, 0.8f, 0.5f, 0.8f, PALETTE.water);
        line3(portal, view, {s0.x, s0.y + 0.5f, s0.z}, {s0.x, s0.y + 1.3f, s0.z}, PALETTE.water);
    }
    const sv_chest* chest = sv_floor_chest_in(floor, visit->place);
    if (chest) {
        const Vector3 s = lifted(sv_geom_prop_spot(visit->geom, SV_PROP_CHEST));
        const Color wood = PALETTE.wood;
        draw_box(portal, view, &s, 0.45f, 0.35f, 0.3f, wood);
        if (!chest->opened) {
            const Vector3 lid = {s.x, s.y + 0.35f, s.z};
            draw_box(portal, view, &lid, 0.45f, 0.15f, 0.3f, wood);
            if (chest->locked) {
                // A Shard opens it: the band takes the Shard's colour.
                line3(portal, view, {s.x - 0.45f, s.y + 0.35f, s.z - 0.3f},
                      {s.x + 0.45f, s.y + 0.35f, s.z - 0.3f}, SHARD_COLOUR);
            }
        } else {
            const Vector3 lid = {s.x, s.y + 0.35f, s.z + 0.3f};
            draw_box(portal, view, &lid, 0.45f, 0.5f, 0.05f, wood);
        }
    }
}

// An ordinary mob's prism: n sides about an axis through O, standing or lying by axis byte.
static void draw_prism(const sv_portal* portal, const sv_portal_view* view, const Vector3* p,
                       const sv_mob* mob, Color colour)
{
    const u32 sides = (u32)(mob->kind >> 8 & 0xff);
    const u32 n = sides < 3 ? 3 : sides > 12 ? 12 : sides;
    const Vector3 o = {p->x, p->y + 0.75f, p->z};
    const f32 cy = std::cos(mob->yaw), sy = std::sin(mob->yaw);
    const Vector3 fw = {cy, 0, sy}, rt = {-sy, 0, cy}, up = {0, 1, 0};
    Vector3 axis = up, d1 = fw, d2 = rt;
    const u32 axis_byte = (u32)(mob->kind >> 16 & 0xff);
    if (axis_byte == 1) {
        axis = fw;
        d1 = up;
    } else if (axis_byte == 2) {
        axis = rt;
        d1 = up;
        d2 = fw;
    }
    Vector3 ring[2][12];
    for (u32 j = 0; j < 2; ++j) {
        const f32 e = j == 0 ? -0.7f : 0.7f;
        for (u32 k = 0; k < n; ++k) {
            const f32 a = 6.2831853f * (f32)k / (f32)n;
            const f32 c = 0.45f * std::cos(a), s = 0.45f * std::sin(a);
            Vector3 v
                = {o.x + e * axis.x + c * d1.x + s * d2.x, o.y + e * axis.y + c * d1.y + s * d2.y,
                   o.z + e * axis.z + c * d1.z + s * d2.z};
            ring[j][k] = carry(portal, v);
        }
    }
    const Color fill = {colour.r, colour.g, colour.b, 70};
    auto both = [&](const Vector3& a, const Vector3& b, const Vector3& c) {
        draw_tri(view, &a, &b, &c, fill);
        draw_tri(view, &c, &b, &a, fill);
    };
    for (u32 k = 0; k < n; ++k) {
        const u32 k1 = (k + 1) % n;
        both(ring[0][k], ring[0][k1], ring[1][k1]);
        both(ring[0][k], ring[1][k1], ring[1][k]);
    }
    for (u32 j = 0; j < 2; ++j) {
        for (u32 k = 1; k + 1 < n; ++k) {
            both(ring[j][0], ring[j][k], ring[j][k + 1]);
        }
    }
    for (u32 k = 0; k < n; ++k) {
        const u32 k1 = (k + 1) % n;
        draw_line(nullptr, view, &ring[0][k], &ring[0][k1], colour);
        draw_line(nullptr, view, &ring[1][k], &ring[1][k1], colour);
        draw_line(nullptr, view, &ring[0][k], &ring[1][k], colour);
    }
}

static void draw_mob(const sv_visit* visit, const sv_portal_view* bv, const sv_mob* mob)
{
    const sv_portal* portal = visit->to_root;
    const Vector3 p = {mob->x, sv_mob_base(visit->geom, mob), mob->z};
    if (!(mob->hp > 0)) {
        draw_box(portal, bv, &p, 0.6f, 0.15f, 0.35f, k_dead);
        return;
    }
    draw_blow(portal, bv, mob, &p);
    const Color colour = mob->phase < 4 ? k_phase[mob->phase] : k_phase[0];
    const u8 kind = (u8)(mob->kind & 0xff);
    const u8 faces = (u8)(mob->kind >> 8 & 0xff);
    if (kind == 1) {
        const Vector3 c = {p.x, p.y + 1.4f, p.z};
        draw_solid(portal, bv, &c, faces, 1.2f, mob->yaw, 0, colour);
    } else if (kind == 2) {
        const Vector3 c = {p.x, p.y + 1.1f, p.z};
        draw_solid(portal, bv, &c, faces, 0.9f, mob->yaw, (u32)(mob->kind >> 32), colour);
    } else {
        draw_prism(portal, bv, &p, mob, colour);
    }
    const f32 h = kind == 1 || kind == 2 ? 1.2f : 0.75f;
    line3(portal, bv, {p.x, p.y + h, p.z},
          {p.x + 1.3f * std::cos(mob->yaw), p.y + h, p.z + 1.3f * std::sin(mob->yaw)}, colour);
}

void draw_place_mobs(const sv_visit* visit, const sv_floor* floor)
{
    if (!visit || !visit->geom || !floor) {
        return;
    }
    // A body standing across a door line is not cut by the door's plane.
    sv_portal_view body;
    const sv_portal_view* bv = nullptr;
    if (visit->view) {
        sv_portal_view_for_body(visit->view, &body);
        bv = &body;
    }
    for (u16 i = 0; i < floor->mob_count; ++i) {
        const sv_mob* mob = sv_floor_mob_const(floor, i);
        if (mob && mob->place == visit->place && !mob->waiting) {
            draw_mob(visit, bv, mob);
        }
    }
}

void draw_place_shots(const sv_visit* visit, const sv_floor* floor)
{
    if (!visit || !visit->geom || !floor || !floor->shots) {
        return;
    }
    const sv_draw_frame* fr = sv_draw_get_frame();
    // Only the walker's own place shares the eye's frame.
    const bool own = visit->place == fr->tip_room && !visit->to_root;
    for (u32 i = 0; i < floor->shots_used && i < SV_FLOOR_SHOTS; ++i) {
        const sv_shot* s = &floor->shots[i];
        if (!s->live || s->place != visit->place) {
            continue;
        }
        Vector3 p = {s->x, s->y - 0.08f, s->z};
        if (own) {
            const f32 dx = s->x - fr->eye.x, dy = s->y - fr->eye.y, dz = s->z - fr->eye.z;
            const f32 d = std::sqrt(dx * dx + dy * dy + dz * dz);
            if (d < 1.2f) {
                // A shot just fired leaves the weapon's tip and joins its path by 1.2 from the eye.
                const f32 f = 1.0f - d / 1.2f;
                p.x += f * (fr->tip.x - fr->eye.x);
                p.y += f * (fr->tip.y - fr->eye.y);
                p.z += f * (fr->tip.z - fr->eye.z);
            }
        }
        draw_box(visit->to_root, visit->view, &p, 0.08f, 0.16f, 0.08f, k_shot);
    }
}

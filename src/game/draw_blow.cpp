// A mob's attack telegraph: the marker of a ranged wind-up, or the arc of a melee blow that fills
// as the wind-up grows and behind the sweeping blade, shown where the lunge will carry the blow.
#include <algorithm>
#include <cmath>

#include "actors/combat.h" // the height a mob shoots from
#include "actors/mob.h"    // the strike in progress
#include "game/draw.h"
#include "world/portal.h" // carrying points

static const Color k_swept = {255, 255, 255, 110};
static const Color k_winding = {255, 200, 60, 70};
static const Color k_blade = {255, 255, 255, 255};

// The inner radius cap of a melee arc by the kind byte: Axiom, Scion, any other mob.
static f32 inner_cap(u8 kind)
{
    return kind == 1 ? 1.2f : kind == 2 ? 0.9f : 0.45f;
}

struct arc_ctx {
    const sv_portal* portal;
    const sv_portal_view* view;
    f32 cx, cz, y, yaw;
};

// The point at radius rho and angle a from the mob's facing about the arc's centre.
static Vector3 arc_point(const arc_ctx* c, f32 rho, f32 a, f32 lift)
{
    return Vector3 {c->cx + rho * std::cos(c->yaw + a), c->y + lift,
                    c->cz + rho * std::sin(c->yaw + a)};
}

static void arc_line(const arc_ctx* c, Vector3 a, Vector3 b, Color colour)
{
    draw_line(c->portal, c->view, &a, &b, colour);
}

static void arc_fill(const arc_ctx* c, f32 r, f32 outer, f32 a0, f32 a1, Color colour)
{
    Vector3 i0, o0, o1, i1;
    Vector3 p[4] = {arc_point(c, r, a0, 0), arc_point(c, outer, a0, 0), arc_point(c, outer, a1, 0),
                    arc_point(c, r, a1, 0)};
    sv_portal_point3(&i0, c->portal, &p[0]);
    sv_portal_point3(&o0, c->portal, &p[1]);
    sv_portal_point3(&o1, c->portal, &p[2]);
    sv_portal_point3(&i1, c->portal, &p[3]);
    draw_tri(c->view, &i0, &o0, &o1, colour);
    draw_tri(c->view, &o1, &o0, &i0, colour);
    draw_tri(c->view, &i0, &o1, &i1, colour);
    draw_tri(c->view, &i1, &o1, &i0, colour);
}

void draw_blow(const sv_portal* portal, const sv_portal_view* view, const sv_mob* mob,
               const Vector3* at)
{
    sv_blow b;
    if (!mob || !at || !sv_combat_blow(mob, &b) || !(b.reach > 0)) {
        return;
    }
    const u8 kind = (u8)(mob->kind & 0xff);
    const f32 yaw = mob->yaw, cy = std::cos(yaw), sy = std::sin(yaw);
    const f32 w = b.windup_progress;
    if (b.projectile_speed > 0) {
        if (mob->phase == 1) {
            const Vector3 base
                = {at->x + 0.55f * cy, at->y + sv_mob_centre(mob->kind) - 0.1f + 0.12f * w,
                   at->z + 0.55f * sy};
            draw_box(portal, view, &base, 0.1f, 0.2f, 0.1f, PALETTE.amber);
        }
        return;
    }
    const f32 big = b.reach, r = std::fmin(big - 0.05f, inner_cap(kind));
    const f32 y = at->y + (kind == 1 || kind == 2 ? 1.2f : 0.75f);
    const f32 lunge = b.lunge_to_come, h = b.half_arc;
    if (std::fabs(lunge) > 0.01f) {
        for (i32 s = -1; s <= 1; s += 2) {
            const Vector3 from = {at->x + r * std::cos(yaw + (f32)s * h), y,
                                  at->z + r * std::sin(yaw + (f32)s * h)};
            const Vector3 to = {from.x + lunge * cy, y, from.z + lunge * sy};
            draw_line(portal, view, &from, &to, PALETTE.track);
        }
    }
    const arc_ctx c = {portal, view, at->x + lunge * cy, at->z + lunge * sy, y, yaw};
    // An arc of a whole number of 6-degree steps keeps that count despite its radians' rounding.
    const f64 steps = 2.0 * (f64)h * (180.0 / 3.14159265358979) / 6.0;
    const i32 n = std::max(2, (i32)std::ceil(steps - 1e-4));
    const f32 start = b.sweep_side == 1 ? h : -h;
    const f32 step = (b.sweep_side == 1 ? -2.0f * h : 2.0f * h) / (f32)n;
    const bool active = mob->phase == 2;
    const f32 reach_fill = active ? big : r + (big - r) * w;
    for (i32 i = 0; i < n; ++i) {
        const f32 a0 = start + (f32)i * step, a1 = a0 + step;
        arc_line(&c, arc_point(&c, big, a0, 0), arc_point(&c, big, a1, 0), PALETTE.amber);
        if (active) {
            if ((f32)(i + 1) / (f32)n <= b.sweep_progress + 0.0001f) {
                arc_fill(&c, r, reach_fill, a0, a1, k_swept);
            }
        } else if (w > 0) {
            arc_fill(&c, r, reach_fill, a0, a1, k_winding);
        }
    }
    arc_line(&c, arc_point(&c, r, -h, 0), arc_point(&c, big, -h, 0), PALETTE.amber);
    arc_line(&c, arc_point(&c, r, h, 0), arc_point(&c, big, h, 0), PALETTE.amber);
    if (active) {
        arc_line(&c, arc_point(&c, r, b.sweep_angle, 0.02f),
                 arc_point(&c, big, b.sweep_angle, 0.02f), k_blade);
    }
}

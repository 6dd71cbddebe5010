// The weapon in hand: a pose before the camera by weapon kind, attack phase and progress, each
// phase ending where the next begins, and the tip that the hitscan trace starts from.
#include "game/hand.h"

#include <cmath>

#include "game/draw.h"
#include "world/body.h" // ticks of a phase

static const Color k_face = {225, 210, 180, 60};

// Edge colours by attack phase (idle for any other value).
static const Color k_edge[4] = {
    {200, 200, 200, 230},
    {255, 200, 60, 255},
    {255, 255, 255, 255},
    {140, 140, 140, 230},
};

static Vector3 add_scaled(Vector3 p, Vector3 d, f32 s)
{
    return Vector3 {p.x + d.x * s, p.y + d.y * s, p.z + d.z * s};
}

const sv_attack* hand_attack(const sv_player* player)
{
    const sv_attack* attack = sv_player_attack(player, player ? player->attack : 0);
    // A melee weapon's empty secondary (after a swap) shows the primary.
    if (attack->kind == SV_ATTACK_NONE) {
        attack = sv_player_attack(player, 0);
    }
    return attack;
}

f32 hand_progress(const sv_player* player, const sv_attack* attack)
{
    if (!player || !attack) {
        return 0.0f;
    }
    f32 seconds;
    switch (player->phase) {
    case SV_PHASE_WINDUP: seconds = attack->windup; break;
    case SV_PHASE_ACTIVE: seconds = attack->active; break;
    case SV_PHASE_RECOVERY: seconds = attack->recovery; break;
    default: return 0.0f;
    }
    const u32 n = sv_sim_ticks(seconds);
    if (n == 0) {
        return 0.0f;
    }
    const f32 t = 1.0f - (f32)player->phase_ticks / (f32)n;
    // Ticks left from another attack's phase never throw the pose off its path.
    return std::fmin(1.0f, std::fmax(0.0f, t));
}

// The melee pose: the hand swings on a circle of radius 0.5 in the forward-up plane.
static void melee_pose(u8 phase, f32 t, f32* reach, f32* rise, f32* tilt)
{
    f32 a = -0.1f, b = 0.25f, term = 0.0f;
    if (phase == SV_PHASE_WINDUP) {
        a = -0.1f + 0.55f * t;
        b = 0.25f - 0.8f * t;
        term = -0.04f * t;
    } else if (phase == SV_PHASE_ACTIVE) {
        a = 0.45f - 0.8f * t;
        b = -0.55f + 2.0f * t;
        term = -0.04f + 0.22f * t;
    } else if (phase == SV_PHASE_RECOVERY) {
        const f32 r = t < 0.4f ? 0.0f : (t - 0.4f) / 0.6f;
        a = -0.35f + 0.25f * r;
        b = 1.45f - 1.2f * r;
        term = 0.18f - 0.18f * r;
    }
    *reach = 0.5f * std::cos(a) + term - 0.05f;
    *rise = 0.5f * std::sin(a) - 0.3f;
    *tilt = b;
}

// The ranged pose: pulled back in the windup, kicked by the recoil k, eased home in recovery.
static void ranged_pose(u8 phase, f32 t, f32 k, f32* reach, f32* tilt)
{
    f32 d = 0.42f, b = 0.0f;
    if (phase == SV_PHASE_WINDUP) {
        d = 0.42f - 0.14f * t;
        b = -0.25f * t;
    } else if (phase == SV_PHASE_ACTIVE) {
        d = 0.28f + (k + 0.14f) * t;
        b = -0.25f;
    } else if (phase == SV_PHASE_RECOVERY) {
        d = 0.42f + k * (1.0f - t);
        b = -0.25f * (1.0f - t);
    }
    *reach = d;
    *tilt = b;
}

Vector3 hand_pose(Vector3* tip, const sv_walker* walker, const Camera3D* camera, u8 draw)
{
    Vector3 eye = camera ? camera->position : Vector3 {0, 0, 0};
    if (!walker || !camera || !sv_player_armed(&walker->player)) {
        if (tip) {
            *tip = eye;
        }
        return eye;
    }
    const sv_player* pl = &walker->player;
    const sv_attack* attack = hand_attack(pl);
    const f32 t = hand_progress(pl, attack);
    const f32 w = pl->yaw, p = pl->pitch;
    const Vector3 fw = {std::cos(p) * std::cos(w), std::sin(p), std::cos(p) * std::sin(w)};
    const Vector3 rt = {-std::sin(w), 0.0f, std::cos(w)};
    const Vector3 up = {-std::sin(p) * std::cos(w), std::cos(p), -std::sin(p) * std::sin(w)};
    const bool melee = attack->kind == SV_ATTACK_MELEE;
    Vector3 hand;
    f32 b;
    if (melee) {
        f32 reach, rise;
        melee_pose(pl->phase, t, &reach, &rise, &b);
        hand = add_scaled(add_scaled(add_scaled(eye, fw, reach), rt, 0.3f), up, rise);
    } else {
        const bool secondary = attack == sv_player_attack(pl, 1) && pl->attack == 1;
        f32 reach;
        ranged_pose(pl->phase, t, secondary ? 0.22f : 0.12f, &reach, &b);
        hand = add_scaled(add_scaled(add_scaled(eye, fw, reach), rt, 0.28f), up, -0.22f);
    }
    const f32 cb = std::cos(b), sb = std::sin(b);
    const Vector3 ax = rt;
    const Vector3 ay = {up.x * cb + fw.x * sb, up.y * cb + fw.y * sb, up.z * cb + fw.z * sb};
    const Vector3 az = {fw.x * cb - up.x * sb, fw.y * cb - up.y * sb, fw.z * cb - up.z * sb};
    sv_weapon_body body;
    weapon_body_of(&body, melee ? 0 : 1);
    Vector3 v[SV_BODY_VERTICES];
    for (u32 i = 0; i < body.vertex_count; ++i) {
        const f32* m = body.vertices[i];
        v[i] = add_scaled(add_scaled(add_scaled(hand, ax, m[0]), ay, m[1]), az, m[2]);
    }
    if (draw) {
        const Color edge = pl->phase < 4 ? k_edge[pl->phase] : k_edge[0];
        for (u32 i = 0; i < body.triangle_count; ++i) {
            const u32* k = body.triangles[i];
            draw_tri(nullptr, &v[k[0]], &v[k[1]], &v[k[2]], k_face);
            draw_tri(nullptr, &v[k[2]], &v[k[1]], &v[k[0]], k_face);
            for (u32 e = 0; e < 3; ++e) {
                draw_line(nullptr, nullptr, &v[k[e]], &v[k[(e + 1) % 3]], edge);
            }
        }
        sv_draw_flush();
    }
    if (tip) {
        *tip = v[body.tip];
    }
    return v[body.tip];
}

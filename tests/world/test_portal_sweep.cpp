// Sweeps of the visibility walk and of door portals over generated floors: walks from spawn and
// from the doors of spawn, round trips through every door, and a spawn room closed by fog.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "world/portal.h"
#include "world/world_util.h"

namespace {

const f32 FOVY = 1.2217305f;
const f32 MARGIN = 0.10471976f;
const f32 ASPECT = 16.0f / 9.0f;
const u16 k_floors[] = {1, 2, 3, 5, 8};

// Checks every visit of one walk against the walk's invariants.
struct walk_check {
    u64 visits = 0;
    u32 deepest = 0;
    bool first_ok = true, depth_ok = true;
};

void check_visit(const sv_visit* v, void* user)
{
    walk_check* c = static_cast<walk_check*>(user);
    if (c->visits == 0)
        c->first_ok = v->place == 0 && v->depth == 0 && v->to_root == nullptr;
    else if (v->to_root == nullptr || v->depth == 0)
        c->depth_ok = false;
    if (v->depth > SV_PORTAL_DEPTH || !v->geom)
        c->depth_ok = false;
    c->deepest = std::max<u32>(c->deepest, v->depth);
    c->visits += 1;
}

struct sweep_max {
    u64 visits = 0, walks = 0, total = 0;
    u32 deepest = 0;
    u64 worst_seed = 0;
    u16 worst_floor = 0;
};

// One walk from place 0 of the floor; the invariants are checked and the maxima kept.
void walk_once(const sv_floor* f, const sv_geom* g, Vector3 eye, const sv_portal_view* view,
               sweep_max* mx, const char* what)
{
    walk_check c;
    u64 n = sv_portal_walk(f, 0, g, &eye, view, check_visit, &c);
    ASSERT_EQ(n, c.visits) << what;
    ASSERT_GE(n, 1u) << what;
    EXPECT_TRUE(c.first_ok) << what;
    EXPECT_TRUE(c.depth_ok) << what;
    EXPECT_LE(n, (u64)SV_PORTAL_VISITS) << what;
    if (n > mx->visits) {
        mx->visits = n;
        mx->worst_seed = f->seed;
        mx->worst_floor = f->floor_number;
    }
    mx->deepest = std::max(mx->deepest, c.deepest);
    mx->walks += 1;
    mx->total += n;
}

// Walks from spawn: from its centre without a view and looking 8 ways, and from just inside
// each of its doors looking out through it (the widest views a player gets).
void sweep_floor(const sv_floor* f, sweep_max* mx)
{
    sv_geom g;
    sv_geom_build(&g, f, 0);
    char what[64];
    std::snprintf(what, sizeof what, "seed %llu floor %u", (unsigned long long)f->seed,
                  f->floor_number);
    f32 eye_height = (f32)sv_tune(SV_TUNE_PLAYER_EYE_HEIGHT);
    Vector3 eye = {0, sv_geom_ground(&g, 0, 0) + eye_height, 0};
    walk_once(f, &g, eye, nullptr, mx, what);
    for (u32 k = 0; k < 8; ++k) {
        sv_portal_view v;
        sv_portal_view_frustum(&v, &eye, (f32)k * 0.7853982f, -0.1f, FOVY, ASPECT, MARGIN);
        walk_once(f, &g, eye, &v, mx, what);
    }
    for (u8 d = 0; d < g.opening_count; ++d) {
        const sv_opening& o = g.openings[d];
        Vector2 in = {std::cos(o.yaw), std::sin(o.yaw)};
        Vector3 at = {o.centre.x + 0.3f * in.x, 0, o.centre.y + 0.3f * in.y};
        at.y = sv_geom_ground(&g, at.x, at.z) + eye_height;
        sv_portal_view v;
        sv_portal_view_frustum(&v, &at, std::atan2(-in.y, -in.x), 0.0f, FOVY, ASPECT, MARGIN);
        walk_once(f, &g, at, &v, mx, what);
    }
}

void print_max(const char* label, const sweep_max& mx)
{
    std::printf("[ portal ] %s: %llu walks, largest %llu visits (seed %llu floor %u), mean %.2f, "
                "deepest %u\n",
                label, (unsigned long long)mx.walks, (unsigned long long)mx.visits,
                (unsigned long long)mx.worst_seed, mx.worst_floor,
                mx.walks ? (double)mx.total / (double)mx.walks : 0.0, mx.deepest);
}

} // namespace

TEST(PortalSweep, WalksFromSpawnOnGeneratedFloors)
{
    sv_tune_reset_defaults();
    sweep_max mx;
    for (u16 number : k_floors) {
        for (u64 seed = 0; seed < 1000; ++seed) {
            world_floor w(seed * 7919 + number, number, false);
            sweep_floor(&w.f, &mx);
            if (testing::Test::HasFatalFailure())
                return;

            // A boss risen in spawn closes every door there: the walk sees spawn alone.
            sv_body body;
            std::memset(&body, 0, sizeof body);
            body.hp = 10.0f;
            ASSERT_GE(sv_floor_add_mob(&w.f, 0, 0, 0, 0, &body, 1, "boss", 1), 0);
            sv_geom g;
            sv_geom_build(&g, &w.f, 0);
            Vector3 eye = {0, sv_geom_ground(&g, 0, 0) + 1.6f, 0};
            sv_portal_view v;
            sv_portal_view_frustum(&v, &eye, 0.0f, 0.0f, FOVY, ASPECT, MARGIN);
            walk_check c;
            ASSERT_EQ(sv_portal_walk(&w.f, 0, &g, &eye, &v, check_visit, &c), 1u);
            ASSERT_EQ(sv_portal_walk(&w.f, 0, &g, &eye, nullptr, check_visit, &c), 1u);
        }
    }
    print_max("rooms joined by doors, 5 floors of 1000 seeds", mx);
    EXPECT_LT(mx.visits, (u64)SV_PORTAL_VISITS / 4); // far from the bound on real floors
}

TEST(PortalSweep, WalksFromSpawnOnFloorsWithCorridors)
{
    sv_tune_reset_defaults();
    sweep_max mx;
    for (u16 number : k_floors) {
        for (u64 seed = 0; seed < 200; seed += sanitized_stride(20)) {
            world_floor w(seed * 7919 + number, number, world_lay::pass);
            sweep_floor(&w.f, &mx);
            if (testing::Test::HasFatalFailure())
                return;
        }
    }
    print_max("laid by the laying pass, 5 floors of 200 seeds", mx);
    EXPECT_LT(mx.visits, (u64)SV_PORTAL_VISITS / 4);
}

TEST(PortalSweep, RoundTripsThroughEveryDoor)
{
    // P_ab after P_ba brings points of a's frame home; the sills meet and the door widths agree.
    sv_tune_reset_defaults();
    u64 doors = 0;
    f32 worst = 0.0f;
    static sv_geom s_a, s_b, s_back;
    for (u16 number : k_floors) {
        for (u64 seed = 0; seed < 60; seed += sanitized_stride(5)) {
            world_floor w(seed * 104729 + number, number,
                          seed % 2 == 0 ? world_lay::pass : world_lay::none);
            const sv_floor* f = &w.f;
            u16 places = std::max(f->place_count, f->room_count);
            for (u16 place = 0; place < places; ++place) {
                sv_geom_build(&s_a, f, place);
                for (u8 k = 0; k < s_a.opening_count; ++k) {
                    u16 next = SV_NONE16;
                    u8 entry = SV_NONE8;
                    if (!sv_floor_place_next(f, place, k, &next, &entry, nullptr, nullptr))
                        continue;
                    sv_portal ab, ba, round;
                    ASSERT_EQ(sv_portal_through(&ab, &s_b, f, place, &s_a, k), 1);
                    ASSERT_EQ(sv_portal_through(&ba, &s_back, f, next, &s_b, entry), 1);
                    ASSERT_EQ(ab.height + ba.height, 0.0f);
                    ASSERT_EQ(s_a.openings[k].width, s_b.openings[entry].width)
                        << "seed " << f->seed << " place " << place << " door " << (int)k;
                    sv_portal_compose(&round, &ab, &ba);
                    for (u32 i = 0; i < 4; ++i) {
                        f32 a = (f32)(seed * 31 + place * 7 + k * 3 + i) * 2.3999632f;
                        f32 r = 2.0f * s_a.radius * (f32)(i + 1) / 4.0f;
                        Vector2 p = {r * std::cos(a), r * std::sin(a)};
                        Vector2 q = sv_portal_point(&round, p);
                        worst = std::max(worst, std::hypot(q.x - p.x, q.y - p.y));
                    }
                    doors += 1;
                }
            }
        }
    }
    std::printf("[ portal ] round trips through %llu doors: largest miss %.3g\n",
                (unsigned long long)doors, (double)worst);
    EXPECT_LT(worst, 1e-3f);
    EXPECT_GT(doors, 1000u);
}

// Sweeps over generated floors: every room with each interior draw and every corridor piece,
// built twice and in reverse order, checked against the invariants of a place's geometry.
#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "world/world_util.h"

namespace {

struct sweep_max {
    u64 floor_triangles = 0;
    u32 fixtures = 0, faces = 0, rooms = 0, pieces = 0, daises = 0, benches = 0, sills = 0;
};

// A point of a fixture lies inside the walls, or on its own wall line within rounding.
bool near_inside(const sv_geom* g, Vector2 p)
{
    if (sv_geom_contains(g, p))
        return true;
    for (u8 e = 0; e < g->vertex_count; ++e)
        if (pt_seg_dist(p, g->vertices[e], g->vertices[(e + 1) % g->vertex_count]) < 0.02f)
            return true;
    return false;
}

bool overlaps(const Vector2* a, u32 na, const Vector2* b, u32 nb)
{
    for (u32 i = 0; i < na; ++i)
        if (poly_contains(b, (u8)nb, a[i]))
            return true;
    for (u32 i = 0; i < nb; ++i)
        if (poly_contains(a, (u8)na, b[i]))
            return true;
    for (u32 i = 0; i < na; ++i)
        for (u32 j = 0; j < nb; ++j)
            if (segs_cross(a[i], a[(i + 1) % na], b[j], b[(j + 1) % nb]))
                return true;
    return false;
}

void check_room(const sv_geom* g, const char* where, sweep_max* mx)
{
    static sv_triangle s_tris[4096];
    ASSERT_LE(g->fixture_count, SV_GEOM_FIXTURES) << where;
    mx->fixtures = std::max<u32>(mx->fixtures, g->fixture_count);
    f32 door_w = (f32)sv_tune(SV_TUNE_GEOM_DOOR_WIDTH);
    for (u32 k = 0; k < g->fixture_count; ++k) {
        const sv_fixture* fx = &g->fixtures[k];
        ASSERT_LE(fx->face_count, SV_FIXTURE_SEGS) << where;
        mx->faces = std::max<u32>(mx->faces, fx->face_count);
        mx->daises += fx->kind == SV_FIXTURE_DAIS;
        mx->benches += fx->kind == SV_FIXTURE_BENCH;
        for (u32 i = 0; i < fx->vertex_count; ++i)
            EXPECT_TRUE(near_inside(g, fx->polygon[i])) << where << " fixture " << k;
        if (fx->kind == SV_FIXTURE_COLUMN || fx->kind == SV_FIXTURE_BLOCK) {
            for (u8 s = 0; s < SV_DOOR_SLOTS; ++s) {
                sv_slot slot;
                potential_slot(g, s, &slot);
                f32 hw = door_w * 0.5f;
                Vector2 t = slot.tangent;
                Vector2 zone[4] = {{slot.foot.x - t.x * hw, slot.foot.y - t.y * hw},
                                   {slot.foot.x + t.x * hw, slot.foot.y + t.y * hw},
                                   {slot.middle.x + t.x * hw, slot.middle.y + t.y * hw},
                                   {slot.middle.x - t.x * hw, slot.middle.y - t.y * hw}};
                EXPECT_FALSE(overlaps(fx->polygon, fx->vertex_count, zone, 4))
                    << where << " fixture " << k << " slot " << (int)s;
            }
        }
    }
    for (u32 k = 0; k < g->opening_count; ++k) {
        const sv_opening* o = &g->openings[k];
        mx->sills += o->bench_sill;
        Vector2 a = g->vertices[o->wall_edge],
                b = g->vertices[(o->wall_edge + 1) % g->vertex_count];
        f32 len = std::sqrt((b.x - a.x) * (b.x - a.x) + (b.y - a.y) * (b.y - a.y));
        EXPECT_LE(o->width, len) << where << " opening " << k;
    }
    f32 x = 0.0f, z = 0.0f;
    EXPECT_TRUE(sv_geom_nearest_standable(g, (f32)sv_tune(SV_TUNE_PLAYER_RADIUS), &x, &z)) << where;

    u64 n = sv_geom_floor(g, 0xFFFFFFFFu, s_tris, 4096);
    mx->floor_triangles = std::max(mx->floor_triangles, n);
    EXPECT_LT(n, 384u) << where;
    double area = 0.0;
    for (u64 i = 0; i < n; ++i)
        area += tri_area(s_tris[i]);
    double expect = poly_area(g->vertices, g->vertex_count);
    for (u32 k = 0; k < g->opening_count; ++k)
        if (g->openings[k].rise < 0.0f) {
            Vector3 q[4];
            sv_geom_ramp(g, (u8)k, q);
            Vector2 p[4] = {{q[0].x, q[0].z}, {q[1].x, q[1].z}, {q[2].x, q[2].z}, {q[3].x, q[3].z}};
            expect -= poly_area(p, 4);
        }
    EXPECT_NEAR(area, expect, expect * 0.01) << where;
}

// The sanitizer build sweeps every 16th seed of the same ranges, to stay within its time.
constexpr u64 SEED_STRIDE = sanitized_stride(16);

// Builds every room with each draw and every corridor piece, then everything again in reverse
// order; the two builds of each place must be the same bytes. scaled sets each room's scale
// and elevation as the laying pass may.
void sweep(u64 seed_from, u64 seed_to, u16 number, bool scaled = false)
{
    sv_tune_reset_defaults();
    sweep_max mx;
    static sv_geom s_g;
    static std::vector<sv_geom> s_built; // copied whole, padding included
    for (u64 seed = seed_from; seed < seed_to; seed += SEED_STRIDE) {
        world_floor wf(seed, number);
        sv_floor* f = &wf.f;
        if (scaled)
            for (u16 r = 0; r < f->room_count; ++r) {
                f->rooms[r].radius_scale = r % 3 == 0 ? 1.8f : (r % 3 == 1 ? 1.1f : 0.9f);
                f->rooms[r].elevation = (f32)(r % 5) - 2.0f;
            }
        std::vector<sv_geom>& built = s_built;
        built.clear();
        char where[96];
        for (u16 r = 0; r < f->room_count; ++r)
            for (u8 draw = 0; draw < 8; ++draw) {
                f->rooms[r].interior = draw;
                sv_geom_build(&s_g, f, r);
                snprintf(where, sizeof where, "seed %llu floor %u room %u draw %u",
                         (unsigned long long)seed, number, r, draw);
                built.emplace_back();
                memcpy(&built.back(), &s_g, sizeof s_g);
                check_room(&s_g, where, &mx);
                if (::testing::Test::HasFailure())
                    return;
                mx.rooms++;
            }
        for (u16 p = f->room_count; p < f->place_count; ++p) {
            sv_geom_build(&s_g, f, p);
            ASSERT_EQ(s_g.vertex_count, 4);
            built.emplace_back();
            memcpy(&built.back(), &s_g, sizeof s_g);
            mx.pieces++;
        }
        // Reverse order: pieces last to first, then rooms from the last draw down.
        size_t i = built.size();
        for (u16 p = (u16)(f->place_count - 1); p >= f->room_count && p != SV_NONE16; --p) {
            sv_geom_build(&s_g, f, p);
            ASSERT_EQ(memcmp(&s_g, &built[--i], sizeof s_g), 0) << "piece " << p;
        }
        for (i32 r = f->room_count - 1; r >= 0; --r)
            for (i32 draw = 7; draw >= 0; --draw) {
                f->rooms[r].interior = (u8)draw;
                sv_geom_build(&s_g, f, (u16)r);
                ASSERT_EQ(memcmp(&s_g, &built[--i], sizeof s_g), 0)
                    << "seed " << seed << " room " << r << " draw " << draw;
            }
    }
    printf("sweep floor %u seeds %llu..%llu step %llu%s: %u room builds, %u pieces; max floor "
           "triangles %llu, max fixtures %u, max faces %u; daises %u, benches %u, bench sills %u\n",
           number, (unsigned long long)seed_from, (unsigned long long)seed_to,
           (unsigned long long)SEED_STRIDE, scaled ? " scaled" : "", mx.rooms, mx.pieces,
           (unsigned long long)mx.floor_triangles, mx.fixtures, mx.faces, mx.daises, mx.benches,
           mx.sills);
}

} // namespace

TEST(GeomSweep, Floor1SeedsLow)
{
    sweep(1, 501, 1);
}
TEST(GeomSweep, Floor1SeedsHigh)
{
    sweep(501, 1001, 1);
}
TEST(GeomSweep, Floor2SeedsLow)
{
    sweep(1, 501, 2);
}
TEST(GeomSweep, Floor2SeedsHigh)
{
    sweep(501, 1001, 2);
}
TEST(GeomSweep, Floor5SeedsLow)
{
    sweep(1, 501, 5);
}
TEST(GeomSweep, Floor5SeedsHigh)
{
    sweep(501, 1001, 5);
}
// Scaled and raised rooms reach the ramped and stepped daises and the larger fixture counts.
TEST(GeomSweep, ScaledRooms)
{
    sweep(2001, 2201, 2, true);
}

// Queries over hand-made geometry: door slots, ground, standing room, sight, floor triangles.
#include <gtest/gtest.h>

#include "world/body.h"
#include "world/world_util.h"

namespace {

struct QueryTest : ::testing::Test {
    sv_geom g;
    void SetUp() override
    {
        sv_tune_reset_defaults();
        // A square room 10 across with one door on edge 0 (the side at z = -5).
        memset(&g, 0, sizeof g);
        const Vector2 sq[4] = {{-5, -5}, {5, -5}, {5, 5}, {-5, 5}};
        memcpy(g.vertices, sq, sizeof sq);
        g.vertex_count = 4;
        g.floor_y = 1.0f;
        g.ceiling_y = 5.0f;
        g.radius = 5.0f;
        g.opening_count = 1;
        g.first_dais = SV_NO_DAIS;
        g.interior = SV_INTERIOR_BARE;
        opening_on_wall(&g, 0, 0, 1.6f, 2.6f);
        g.openings[0].foot = Vector2 {0.0f, -2.0f}; // a ramp of run 3
    }
    void TearDown() override { sv_tune_reset_defaults(); }

    // A square fixture of half size h about (x, z), one face per edge up to top.
    sv_fixture* add_square(f32 x, f32 z, f32 h, f32 top, u8 standable)
    {
        sv_fixture* fx = &g.fixtures[g.fixture_count++];
        memset(fx, 0, sizeof *fx);
        fx->kind = standable ? SV_FIXTURE_DAIS : SV_FIXTURE_BLOCK;
        fx->vertex_count = 4;
        const Vector2 p[4] = {{x - h, z - h}, {x + h, z - h}, {x + h, z + h}, {x - h, z + h}};
        memcpy(fx->polygon, p, sizeof p);
        fx->top = top;
        fx->standable = standable;
        for (int i = 0; i < 4; ++i) {
            sv_face* f = &fx->faces[fx->face_count++];
            f->p0 = p[i];
            f->p1 = p[(i + 1) % 4];
            f->top0 = f->top1 = top;
        }
        fx->centre = Vector2 {x, z};
        fx->bound = h * 1.5f;
        return fx;
    }
};

} // namespace

TEST(Slots, SlotsSpreadOverDifferentEdges)
{
    sv_tune_reset_defaults();
    sv_geom g;
    for (u8 n = 6; n <= 12; ++n) {
        regular_geom(&g, n, 7.0f);
        bool used[12] = {};
        for (u8 k = 0; k < SV_DOOR_SLOTS; ++k) {
            sv_slot s;
            potential_slot(&g, k, &s);
            EXPECT_EQ(s.wall_edge, n * SLOT_SPREAD[k] / 6);
            EXPECT_FALSE(used[s.wall_edge]) << (int)n << " vertices, slot " << (int)k;
            used[s.wall_edge] = true;
            // The normal points inwards and the foot lies on the way to the centre.
            Vector2 in {s.middle.x + 0.05f * s.normal.x, s.middle.y + 0.05f * s.normal.y};
            EXPECT_EQ(poly_contains(g.vertices, n, in), 1);
            EXPECT_FLOAT_EQ(s.foot.x, s.middle.x * (1.0f - 0.45f));
            EXPECT_NEAR(std::hypot(s.tangent.x, s.tangent.y), 1.0f, 1e-6f);
        }
    }
    const u8 hept[6] = {0, 3, 1, 4, 2, 5};
    regular_geom(&g, 12, 7.0f);
    const u8 dodeca[6] = {0, 6, 2, 8, 4, 10};
    for (u8 k = 0; k < 6; ++k) {
        sv_slot s;
        sv_geom h;
        regular_geom(&h, 7, 7.0f);
        potential_slot(&h, k, &s);
        EXPECT_EQ(s.wall_edge, hept[k]);
        potential_slot(&g, k, &s);
        EXPECT_EQ(s.wall_edge, dodeca[k]);
    }
}

TEST(Slots, DegenerateEdgeAndPropSpots)
{
    sv_geom g;
    regular_geom(&g, 6, 7.0f);
    g.vertices[2] = g.vertices[1]; // edge 1 collapses; its middle has z > 0
    Vector2 m, t, n;
    sv_geom_edge_frame(&g, 1, &m, &t, &n);
    EXPECT_EQ(t.x, 1.0f);
    EXPECT_EQ(t.y, 0.0f);
    EXPECT_EQ(n.y, -1.0f);

    place_props(&g, 0.0f, 2.0f);
    for (int i = 0; i < SV_PROP_SPOTS; ++i) {
        EXPECT_EQ(g.props[i].x, 0.0f);
        EXPECT_EQ(g.props[i].y, 2.0f);
        EXPECT_EQ(g.props[i].z, 0.0f);
    }
    place_props(&g, 2.0f, 0.0f);
    EXPECT_FLOAT_EQ(g.props[1].x, 2.0f);
    EXPECT_FLOAT_EQ(g.props[2].x, -1.0f);
    EXPECT_FLOAT_EQ(g.props[2].z, 1.7320508f);
    EXPECT_FLOAT_EQ(g.props[3].z, -1.7320508f);
    EXPECT_FLOAT_EQ(g.props[4].x, 1.0f);
    EXPECT_FLOAT_EQ(g.props[4].z, 1.7320508f);
}

TEST_F(QueryTest, GroundAlongATreadedRamp)
{
    sv_opening* o = &g.openings[0];
    o->rise = 0.9f;
    o->treads = 3;
    u16 face = 99;
    EXPECT_FLOAT_EQ(sv_geom_ground_on(&g, 0.0f, -2.0f - 0.34f * 3.0f, &face), 1.0f + 0.6f);
    EXPECT_EQ(face, SV_GROUND_RAMP + 0);
    EXPECT_FLOAT_EQ(sv_geom_ground_on(&g, 0.0f, -2.0f, &face), 1.0f); // the foot
    EXPECT_FLOAT_EQ(sv_geom_ground(&g, 0.7f, -5.0f), 1.9f);           // the sill
    EXPECT_FLOAT_EQ(sv_geom_ground_on(&g, 0.9f, -4.0f, &face), 1.0f); // beside the ramp
    EXPECT_EQ(face, SV_GROUND_FLOOR);
    o->treads = 0;
    EXPECT_FLOAT_EQ(sv_geom_ground(&g, 0.0f, -3.5f), 1.0f + 0.45f);
    // Under a bench sill the ramp does not count.
    o->bench_sill = 1;
    EXPECT_FLOAT_EQ(sv_geom_ground_on(&g, 0.0f, -3.5f, &face), 1.0f);
    EXPECT_EQ(face, SV_GROUND_FLOOR);
    EXPECT_EQ(sv_geom_ground_on(nullptr, 0, 0, &face), 0.0f);
}

TEST_F(QueryTest, GroundOnFixtureSlopesAndTops)
{
    sv_fixture* fx = add_square(2.0f, 2.0f, 1.0f, 0.5f, 1);
    sv_slope* sl = &fx->slopes[fx->slope_count++];
    sl->origin = Vector2 {0.0f, 1.0f}; // rises along +x to the top's edge at x = 1
    sl->across = Vector2 {0.0f, 3.0f};
    sl->up = Vector2 {1.0f, 1.0f};
    sl->far_corner = Vector2 {1.0f, 3.0f};
    sl->top = 0.5f;
    fx->centre = Vector2 {1.5f, 2.0f};
    fx->bound = 2.0f;
    u16 face = 0;
    EXPECT_FLOAT_EQ(sv_geom_ground_on(&g, 0.5f, 2.0f, &face), 1.25f);
    EXPECT_EQ(face, SV_GROUND_SLOPE + 0);
    EXPECT_FLOAT_EQ(sv_geom_ground_on(&g, 2.0f, 2.0f, &face), 1.5f);
    EXPECT_EQ(face, SV_GROUND_TOP + 0);
    EXPECT_FLOAT_EQ(sv_geom_ground_on(&g, -3.0f, 3.0f, &face), 1.0f);
}

TEST_F(QueryTest, StandingRoomAgainstWallsAndFixtures)
{
    EXPECT_EQ(sv_geom_standable(&g, 0.0f, 0.0f, 0.5f), 1);
    EXPECT_EQ(sv_geom_standable(&g, 0.0f, 4.5f, 0.5f), 1); // exactly r from the wall
    EXPECT_EQ(sv_geom_standable(&g, 0.0f, 4.6f, 0.5f), 0);
    EXPECT_EQ(sv_geom_standable(&g, -5.0f, 0.0f, 0.5f), 0); // centre on a wall edge
    EXPECT_EQ(sv_geom_standable(&g, 0.0f, -4.8f, 0.5f), 1); // in the door gap
    EXPECT_EQ(sv_geom_standable(&g, 9.0f, 0.0f, 0.5f), 0);
    add_square(2.0f, 2.0f, 0.5f, 1.0f, 0); // a block one unit high
    EXPECT_EQ(sv_geom_standable(&g, 2.0f, 2.0f, 0.1f), 0);
    EXPECT_EQ(sv_geom_standable(&g, 2.0f, 0.8f, 0.5f), 1);
    EXPECT_EQ(sv_geom_standable(&g, 2.0f, 1.2f, 0.5f), 0);
    g.fixtures[0].top = 0.4f; // within a step, but nothing stands beside a solid's face
    for (int i = 0; i < 4; ++i)
        g.fixtures[0].faces[i].top0 = g.fixtures[0].faces[i].top1 = 0.4f;
    EXPECT_EQ(sv_geom_standable(&g, 2.0f, 1.2f, 0.5f), 0);
    g.fixtures[0].standable = 1; // a low dais: stepped onto
    EXPECT_EQ(sv_geom_standable(&g, 2.0f, 1.2f, 0.5f), 1);
    g.fixtures[0].standable = 0;

    f32 x = 0.0f, z = 4.9f;
    ASSERT_EQ(sv_geom_nearest_standable(&g, 0.5f, &x, &z), 1);
    EXPECT_EQ(sv_geom_standable(&g, x, z, 0.5f), 1);
    EXPECT_LE(std::fabs(z - 4.9f), 0.5f + 1e-6f);
    x = 50.0f, z = 50.0f; // no ring reaches the room
    EXPECT_EQ(sv_geom_nearest_standable(&g, 0.1f, &x, &z), 0);
    EXPECT_EQ(x, 50.0f);
}

// Whatever the query accepts, collision leaves where it is on the next tick: beside low and tall
// solids, a low dais and the walls, at two radii.
TEST_F(QueryTest, StandablePointsAreNeverPushedByCollision)
{
    add_square(2.0f, 2.0f, 0.5f, 0.3f, 0);  // a low block
    add_square(-2.5f, 2.0f, 0.6f, 0.4f, 1); // a low dais
    add_square(2.5f, -2.0f, 0.4f, 1.5f, 0); // a tall block
    const f32 step = (f32)sv_tune(SV_TUNE_PLAYER_STEP_HEIGHT);
    u32 accepted = 0, beside_low_block = 0;
    for (f32 r : {0.3f, 0.5f})
        for (i32 i = -100; i <= 100; ++i)
            for (i32 j = -100; j <= 100; ++j) {
                f32 x = (f32)i * 0.05f, z = (f32)j * 0.05f;
                if (!sv_geom_standable(&g, x, z, r))
                    continue;
                ++accepted;
                beside_low_block
                    += std::fabs(x - 2.0f) < 0.5f + r && std::fabs(z - 2.0f) < 0.5f + r;
                f32 cx = x, cz = z;
                sv_player_collide(&g, &cx, &cz, r, sv_geom_ground(&g, x, z), step);
                ASSERT_EQ(cx, x) << "r " << r << " at " << x << ", " << z;
                ASSERT_EQ(cz, z) << "r " << r << " at " << x << ", " << z;
            }
    EXPECT_GT(accepted, 10000u);
    EXPECT_GT(beside_low_block, 0u); // its corners' diagonals stay open
}

TEST_F(QueryTest, SightThroughDoorsNotWalls)
{
    EXPECT_EQ(sv_geom_sightline(&g, {0, 0}, {0, -8}), 1);  // through the door gap
    EXPECT_EQ(sv_geom_sightline(&g, {3, 0}, {3, -8}), 0);  // through the wall
    EXPECT_EQ(sv_geom_sightline(&g, {1, -5}, {4, -5}), 1); // along a wall piece
    add_square(2.0f, 2.0f, 0.5f, 4.0f, 0);                 // a column
    EXPECT_EQ(sv_geom_sightline(&g, {0, 2}, {4, 2}), 0);
    g.fixtures[0].standable = 1; // standable fixtures never block
    EXPECT_EQ(sv_geom_sightline(&g, {0, 2}, {4, 2}), 1);
    g.fixtures[0].standable = 0;
    for (int i = 0; i < 4; ++i)
        g.fixtures[0].faces[i].top0 = g.fixtures[0].faces[i].top1 = 1.0f; // below the eyes
    EXPECT_EQ(sv_geom_sightline(&g, {0, 2}, {4, 2}), 1);
    Vector3 low_a {0, 1.5f, 2}, low_b {4, 1.5f, 2};
    EXPECT_EQ(sv_geom_sightline_at(&g, &low_a, &low_b), 0);
    EXPECT_EQ(sv_geom_sightline_at(nullptr, &low_a, &low_b), 0);
}

TEST_F(QueryTest, WallPiecesQuadsAndTreads)
{
    sv_segment s[2];
    ASSERT_EQ(sv_geom_wall_pieces(&g, 0, s), 2);
    EXPECT_FLOAT_EQ(s[0].b.x, -0.8f);
    EXPECT_FLOAT_EQ(s[1].a.x, 0.8f);
    EXPECT_EQ(sv_geom_wall_pieces(&g, 1, s), 1);
    EXPECT_EQ(sv_geom_wall_pieces(&g, 4, s), 0);

    g.openings[0].rise = 0.9f;
    Vector3 q[4], fr[4], t[4];
    sv_geom_ramp(&g, 0, q);
    EXPECT_FLOAT_EQ(q[0].x, -0.8f);
    EXPECT_FLOAT_EQ(q[0].z, -2.0f);
    EXPECT_FLOAT_EQ(q[2].x, 0.8f);
    EXPECT_FLOAT_EQ(q[2].y, 1.9f);
    sv_geom_opening(&g, 0, fr);
    EXPECT_FLOAT_EQ(fr[0].y, 1.9f);
    EXPECT_FLOAT_EQ(fr[2].y, 3.6f);
    sv_geom_tread(q, 3, 0, t);
    EXPECT_FLOAT_EQ(t[0].y, 1.3f);
    EXPECT_FLOAT_EQ(t[0].z, -2.0f);
    EXPECT_FLOAT_EQ(t[3].z, -3.0f);
    t[0].y = 42.0f;
    sv_geom_tread(q, 3, 3, t); // past the last tread: nothing
    EXPECT_EQ(t[0].y, 42.0f);

    EXPECT_FLOAT_EQ(sv_geom_slope(&g, 0), 0.3f);
    g.openings[0].foot = g.openings[0].centre;
    EXPECT_TRUE(std::isinf(sv_geom_slope(&g, 0)));
    g.openings[0].rise = 0.0f;
    EXPECT_EQ(sv_geom_slope(&g, 0), 0.0f);
    EXPECT_EQ(sv_geom_slope(&g, 3), 0.0f);

    Vector3 p = sv_geom_prop_spot(&g, 5);
    EXPECT_EQ(p.y, 1.0f);
    EXPECT_EQ(sv_geom_prop_spot(nullptr, 0).y, 0.0f);
    Vector2 foot {9, 9};
    sv_geom_potential_foot(&g, 0, &foot); // fewer than 6 vertices
    EXPECT_EQ(foot.x, 0.0f);
}

TEST_F(QueryTest, FaceTopStepsWithTreads)
{
    sv_face f;
    memset(&f, 0, sizeof f);
    f.p1 = Vector2 {3, 0};
    f.top1 = 0.9f;
    EXPECT_FLOAT_EQ(sv_geom_face_top(&f, {1.5f, 4.0f}), 0.45f);
    f.treads = 3;
    EXPECT_FLOAT_EQ(sv_geom_face_top(&f, {1.5f, 4.0f}), 0.6f);
    EXPECT_FLOAT_EQ(sv_geom_face_top(&f, {-2.0f, 0.0f}), 0.0f);
    EXPECT_EQ(sv_geom_face_top(nullptr, {0, 0}), 0.0f);
}

TEST_F(QueryTest, FloorTrianglesCutDescendingRampsAndLiftDaises)
{
    static sv_triangle tris[512];
    EXPECT_EQ(sv_geom_floor(&g, ~0u, tris, 0), 0u);
    auto area = [&](u32 mask, u64* count) {
        u64 n = sv_geom_floor(&g, mask, tris, 512);
        *count = n;
        double a = 0.0;
        for (u64 i = 0; i < n; ++i)
            a += tri_area(tris[i]);
        return a;
    };
    u64 n = 0;
    EXPECT_NEAR(area(~0u, &n), 100.0, 1e-4);
    EXPECT_EQ(n, 4u);
    g.openings[0].rise = -0.9f;
    EXPECT_NEAR(area(0u, &n), 100.0, 1e-4); // not in the mask: the floor stays whole
    EXPECT_NEAR(area(1u, &n), 100.0 - 1.6 * 3.0, 1e-4);
    EXPECT_EQ(sv_geom_floor(&g, 1u, tris, 2), 2u);

    // A raised square dais: the same area, part of it at the dais's top.
    g.openings[0].rise = 0.0f;
    add_square(0.0f, 1.0f, 1.0f, 0.5f, 1);
    g.first_dais = 0;
    EXPECT_NEAR(area(~0u, &n), 100.0, 1e-3);
    double raised = 0.0;
    for (u64 i = 0; i < n; ++i)
        if (tris[i].p[0].y == 1.5f)
            raised += tri_area(tris[i]);
    EXPECT_NEAR(raised, 4.0, 1e-4);
}

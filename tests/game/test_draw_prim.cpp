// The drawing primitives into the recorder: clipping keeps the winding, faces and flights by
// their treads, boxes, keys, Platonic solids and their faces, door colours, weapon bodies, the
// translucent primitives held back to the end of a world pass, and points in front of the eye.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "game/draw_util.h"
#include "world/geom.h"

namespace {

// A view of one plane: n . p + d >= 0.
sv_portal_view one_plane(f32 nx, f32 ny, f32 nz, f32 d)
{
    sv_portal_view v;
    std::memset(&v, 0, sizeof v);
    v.count = 1;
    v.normals[0][0] = nx;
    v.normals[0][1] = ny;
    v.normals[0][2] = nz;
    v.d[0] = d;
    return v;
}

Vector3 normal_of(const sv_draw_prim& p)
{
    Vector3 u = {p.p[1].x - p.p[0].x, p.p[1].y - p.p[0].y, p.p[1].z - p.p[0].z};
    Vector3 w = {p.p[2].x - p.p[0].x, p.p[2].y - p.p[0].y, p.p[2].z - p.p[0].z};
    return {u.y * w.z - u.z * w.y, u.z * w.x - u.x * w.z, u.x * w.y - u.y * w.x};
}

const Color k_red = {255, 0, 0, 255};

} // namespace

TEST(DrawPrim, TrianglesAreClippedIntoFansWoundAsGiven)
{
    draw_capture cap;
    Vector3 a = {-1, 0, 0}, b = {1, 0, 0}, c = {0, 1, 0};
    draw_tri(nullptr, &a, &b, &c, k_red);
    ASSERT_EQ(cap.rec.tris, 1u);
    EXPECT_EQ(cap.at(0).depth_write, 1);

    cap.clear();
    sv_portal_view away = one_plane(1, 0, 0, -5); // x >= 5: nothing of it
    draw_tri(&away, &a, &b, &c, k_red);
    EXPECT_EQ(cap.rec.count, 0u);

    cap.clear();
    sv_portal_view half = one_plane(1, 0, 0, 0); // x >= 0 cuts it into a triangle
    draw_tri(&half, &a, &b, &c, k_red);
    ASSERT_GE(cap.rec.tris, 1u);
    // The cut runs through a corner, so a piece may be flat; none may turn over.
    f32 area = 0;
    for (u64 i = 0; i < cap.stored(); ++i) {
        Vector3 n = normal_of(cap.at(i));
        EXPECT_GE(n.z, 0.0f) << "a piece of the cut triangle turned over";
        area += n.z;
        for (const Vector3& p : cap.at(i).p)
            EXPECT_GE(p.x, -1e-5f);
    }
    EXPECT_NEAR(area, 1.0f, 1e-5f); // twice the area of the half that is left

    cap.clear();
    sv_portal_view slab = one_plane(0, 1, 0, -0.25f); // y >= 0.25: a quad is left, two fans
    Vector3 d = {-1, 0, 0}, e = {1, 0, 0}, f = {1, 1, 0};
    draw_tri(&slab, &d, &e, &f, k_red);
    EXPECT_EQ(cap.rec.tris, 1u);                     // the corner above y = 0.25 is a triangle
    sv_portal_view low = one_plane(0, -1, 0, 0.25f); // y <= 0.25: a quad
    cap.clear();
    draw_tri(&low, &d, &e, &f, k_red);
    EXPECT_EQ(cap.rec.tris, 2u);
}

TEST(DrawPrim, LinesAreCarriedAndClipped)
{
    draw_capture cap;
    Vector3 a = {-1, 0, 0}, b = {1, 0, 0};
    draw_line(nullptr, nullptr, &a, &b, k_red);
    ASSERT_EQ(cap.rec.lines, 1u);
    EXPECT_EQ(cap.at(0).p[0].x, -1.0f);

    sv_portal_view away = one_plane(0, 1, 0, -1); // y >= 1
    cap.clear();
    draw_line(nullptr, &away, &a, &b, k_red);
    EXPECT_EQ(cap.rec.count, 0u);

    sv_portal_view half = one_plane(1, 0, 0, 0);
    cap.clear();
    draw_line(nullptr, &half, &a, &b, k_red);
    ASSERT_EQ(cap.rec.lines, 1u);
    EXPECT_NEAR(cap.at(0).p[0].x, 0.0f, 1e-6f);

    // A portal turning the far frame by a half turn about the door at (2, 0), 0.5 higher.
    sv_portal turn = {-1.0f, 0.0f, {0, 0}, {2, 0}, 0.5f};
    cap.clear();
    draw_line(&turn, nullptr, &a, &b, k_red);
    ASSERT_EQ(cap.rec.lines, 1u);
    EXPECT_NEAR(cap.at(0).p[0].x, 3.0f, 1e-5f);
    EXPECT_NEAR(cap.at(0).p[0].y, 0.5f, 1e-6f);
    EXPECT_NEAR(cap.at(0).p[1].x, 1.0f, 1e-5f);
}

TEST(DrawPrim, FacesAndFlightsByTheirTreads)
{
    draw_capture cap;
    sv_geom g;
    std::memset(&g, 0, sizeof g);
    g.floor_y = 1.0f;
    sv_face face = {{0, 0}, {3, 0}, 0.0f, 0.5f, 0.0f, 2.0f, 0};
    draw_face(&g, nullptr, nullptr, &face);
    EXPECT_EQ(cap.rec.tris, 4u);
    for (u64 i = 0; i < cap.stored(); ++i)
        EXPECT_TRUE(same_colour(cap.at(i).colour, PALETTE.wall_col));

    cap.clear();
    face.treads = 3;
    draw_face(&g, nullptr, nullptr, &face);
    ASSERT_EQ(cap.rec.tris, 12u);
    // Each strip is flat at its far end's heights: the first strip's top is at 1 + 1.0.
    f32 top_first = -1;
    for (u64 i = 0; i < 4; ++i)
        for (const Vector3& p : cap.at(i).p)
            top_first = std::max(top_first, p.y);
    EXPECT_NEAR(top_first, 1.0f + 0.5f + (2.0f - 0.5f) / 3.0f, 1e-5f);
    for (u64 i = 0; i < 4; ++i)
        for (const Vector3& p : cap.at(i).p) {
            if (p.y > 1.01f) {
                EXPECT_NEAR(p.y, top_first, 1e-5f);
            }
        }

    cap.clear();
    const Vector3 quad[4] = {{0, 0, 0}, {2, 0, 0}, {2, 1, 3}, {0, 1, 3}};
    draw_flight(nullptr, nullptr, quad, 4);
    EXPECT_EQ(cap.rec.tris, 4u * 8u); // a tread and a riser, both windings, per step
    // The first riser starts at the foot corners' heights.
    EXPECT_NEAR(cap.at(4).p[0].y, 0.0f, 1e-6f);
    EXPECT_NEAR(cap.at(4).p[1].y, 0.0f, 1e-6f);
    cap.clear();
    draw_flight(nullptr, nullptr, quad, 0);
    EXPECT_EQ(cap.rec.count, 0u);
}

TEST(DrawPrim, BoxesAndKeys)
{
    draw_capture cap;
    Vector3 base = {1, 2, 3};
    draw_box(nullptr, nullptr, &base, 0.5f, 1.0f, 0.25f, k_red);
    ASSERT_EQ(cap.rec.lines, 12u);
    f32 lo = 1e9f, hi = -1e9f;
    for (u64 i = 0; i < cap.stored(); ++i)
        for (u32 j = 0; j < 2; ++j) {
            lo = std::min(lo, cap.at(i).p[j].y);
            hi = std::max(hi, cap.at(i).p[j].y);
            EXPECT_NEAR(std::fabs(cap.at(i).p[j].x - 1.0f), 0.5f, 1e-6f);
            EXPECT_NEAR(std::fabs(cap.at(i).p[j].z - 3.0f), 0.25f, 1e-6f);
        }
    EXPECT_EQ(lo, 2.0f);
    EXPECT_EQ(hi, 3.0f);

    sv_geom g;
    std::memset(&g, 0, sizeof g);
    place_props(&g, 3.0f, 0.5f);
    for (u8 tag : {(u8)64, (u8)128, (u8)7}) {
        cap.clear();
        draw_key(&g, nullptr, nullptr, tag);
        ASSERT_EQ(cap.rec.lines, 9u); // the stem and two squares
        Vector3 s = sv_geom_prop_spot(&g, tag == 64 ? SV_PROP_PRISM : SV_PROP_SHARD);
        EXPECT_EQ(cap.at(0).p[0].x, s.x);
        EXPECT_EQ(cap.at(0).p[0].z, s.z);
        EXPECT_NEAR(cap.at(0).p[1].y - s.y, tag == 64 ? 0.9f : 0.5f, 1e-6f); // time 0
        EXPECT_TRUE(same_colour(cap.at(0).colour, tag == 64 ? PRISM_COLOUR : SHARD_COLOUR));
    }
}

TEST(DrawPrim, PlatonicSolidsFaceCountsAndWarps)
{
    struct solid {
        u8 faces;
        u64 edges, tris;
    };
    // Triangles: every face as a fan, in both windings.
    const solid k_solids[] = {{4, 6, 8}, {6, 12, 24}, {8, 12, 16}, {12, 30, 72}, {20, 30, 40}};
    draw_capture cap;
    Vector3 centre = {0, 2, 0};
    for (const solid& s : k_solids) {
        cap.clear();
        draw_solid(nullptr, nullptr, &centre, s.faces, 1.5f, 0.3f, 0, k_red);
        EXPECT_EQ(cap.rec.lines, s.edges) << (int)s.faces;
        EXPECT_EQ(cap.rec.tris, s.tris) << (int)s.faces;
        for (u64 i = 0; i < cap.stored(); ++i) {
            const sv_draw_prim& p = cap.at(i);
            EXPECT_EQ(p.colour.a, p.kind == SV_DRAW_TRI ? 70 : 255);
            EXPECT_EQ(p.depth_write, p.kind == SV_DRAW_TRI ? 0 : 1);
            for (u32 j = 0; j < (p.kind == SV_DRAW_TRI ? 3u : 2u); ++j) {
                f32 dx = p.p[j].x, dy = p.p[j].y - 2, dz = p.p[j].z;
                EXPECT_NEAR(std::sqrt(dx * dx + dy * dy + dz * dz), 1.5f, 1e-4f);
            }
        }
    }
    // A warped solid: the same seed gives the same bytes, another seed another shape.
    std::vector<sv_draw_prim> first;
    cap.clear();
    draw_solid(nullptr, nullptr, &centre, 12, 1.0f, 0.0f, 77, k_red);
    first.assign(cap.items.begin(), cap.items.begin() + (long)cap.stored());
    EXPECT_EQ(cap.rec.tris, 72u);
    cap.clear();
    draw_solid(nullptr, nullptr, &centre, 12, 1.0f, 0.0f, 77, k_red);
    ASSERT_EQ(cap.stored(), first.size());
    EXPECT_EQ(std::memcmp(first.data(), cap.items.data(), first.size() * sizeof first[0]), 0);
    cap.clear();
    draw_solid(nullptr, nullptr, &centre, 12, 1.0f, 0.0f, 78, k_red);
    EXPECT_NE(std::memcmp(first.data(), cap.items.data(), first.size() * sizeof first[0]), 0);
    // No such solid: a wire box 1.2 size wide and deep, size tall, on the centre.
    cap.clear();
    draw_solid(nullptr, nullptr, &centre, 5, 2.0f, 0.0f, 0, k_red);
    EXPECT_EQ(cap.rec.lines, 12u);
    EXPECT_EQ(cap.rec.tris, 0u);
    EXPECT_NEAR(std::fabs(cap.at(0).p[0].x), 1.2f, 1e-6f);
}

TEST(DrawPrim, FaceFinderStopsAtTwentyFaces)
{
    // A complete graph on 8 vertices has far more chordless triangles than 20.
    u8 joined[SV_SOLID_VERTICES][SV_SOLID_VERTICES];
    std::memset(joined, 0, sizeof joined);
    for (i32 i = 0; i < 8; ++i)
        for (i32 j = i + 1; j < 8; ++j)
            joined[i][j] = 1;
    u8 faces[SV_SOLID_FACES][5];
    i32 count = 0;
    for (i32 s = 0; s < 8; ++s) {
        u8 path[5] = {(u8)s, 0, 0, 0, 0};
        find_faces_from(joined, 8, 3, path, 1, faces, &count);
    }
    EXPECT_EQ(count, SV_SOLID_FACES);
}

TEST(DrawPrim, DoorColoursAndWeaponBodies)
{
    EXPECT_TRUE(same_colour(door_colour(0), Color {190, 168, 128, 255}));
    EXPECT_TRUE(same_colour(door_colour(1), Color {150, 92, 196, 255}));
    EXPECT_TRUE(same_colour(door_colour(2), Color {206, 72, 60, 255}));
    EXPECT_TRUE(same_colour(door_colour(3), Color {84, 168, 196, 255}));
    EXPECT_TRUE(same_colour(door_colour(4), Color {236, 214, 132, 255}));
    EXPECT_TRUE(same_colour(door_colour(9), door_colour(0)));
    sv_weapon_body b;
    weapon_body_of(&b, 0);
    EXPECT_EQ(b.vertex_count, 6u);
    EXPECT_EQ(b.triangle_count, 8u);
    EXPECT_EQ(b.tip, 4u);
    EXPECT_EQ(b.vertices[4][1], 0.275f);
    weapon_body_of(&b, 1);
    EXPECT_EQ(b.vertex_count, 4u);
    EXPECT_EQ(b.triangle_count, 4u);
    EXPECT_EQ(b.tip, 0u);
    EXPECT_EQ(b.vertices[0][2], 0.405f);
    EXPECT_EQ(b.vertices[4][0], 0.0f); // past the count: zero
    EXPECT_EQ(b.triangles[5][2], 0u);
}

TEST(DrawPrim, PointsBehindTheEyeAreNotInFront)
{
    Camera3D cam = {{0, 1, 0}, {1, 1, 0}, {0, 1, 0}, 70.0f, CAMERA_PERSPECTIVE};
    Vector3 ahead = {3, 1, 0}, behind = {-3, 1, 0}, beside = {0, 1, 4}, near = {0.01f, 1, 0};
    EXPECT_EQ(sv_draw_in_front(&cam, &ahead), 1);
    EXPECT_EQ(sv_draw_in_front(&cam, &behind), 0);
    EXPECT_EQ(sv_draw_in_front(&cam, &beside), 0);
    EXPECT_EQ(sv_draw_in_front(&cam, &near), 0);
    EXPECT_EQ(sv_draw_in_front(nullptr, &ahead), 0);
    Camera3D flat = cam;
    flat.target = flat.position;
    EXPECT_EQ(sv_draw_in_front(&flat, &ahead), 0);
}

// The faces of every regular solid close its surface: each triangle lies on a face plane (at the
// inradius), none is degenerate, and the triangles wound outward, like those wound inward, cover
// exactly the solid's surface area; a warped solid's outward triangles still close.
TEST(DrawPrim, SolidFacesCloseTheSurfaceSeenFromBothSides)
{
    struct solid {
        u8 faces;
        f32 inradius, area; // for a circumradius of 1
    };
    const solid k_solids[] = {{4, 1.0f / 3.0f, 4.6188022f},
                              {6, 0.5773503f, 8.0f},
                              {8, 0.5773503f, 6.9282032f},
                              {12, 0.7946545f, 10.5146222f},
                              {20, 0.7946545f, 9.5745152f}};
    const Vector3 centre = {1, 2, -3};
    const f32 size = 1.5f;
    draw_capture cap;
    for (const solid& s : k_solids) {
        for (u32 seed : {0u, 77u}) {
            cap.clear();
            draw_solid(nullptr, nullptr, &centre, s.faces, size, 0.3f, seed, k_red);
            f64 outward = 0, inward = 0;
            Vector3 closure = {0, 0, 0}; // the vector area of the outward triangles
            u64 tris = 0;
            for (u64 i = 0; i < cap.stored(); ++i) {
                const sv_draw_prim& p = cap.at(i);
                if (p.kind != SV_DRAW_TRI)
                    continue;
                ++tris;
                Vector3 n = normal_of(p);
                f32 len = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
                ASSERT_GT(len, 1e-3f) << (int)s.faces << " seed " << seed << " tri " << i;
                f32 side = n.x * (p.p[0].x - centre.x) + n.y * (p.p[0].y - centre.y)
                    + n.z * (p.p[0].z - centre.z);
                if (seed == 0) {
                    EXPECT_NEAR(std::fabs(side) / len, s.inradius * size, 1e-4f)
                        << (int)s.faces << " tri " << i << " is off every face plane";
                }
                (side > 0 ? outward : inward) += len / 2.0f;
                if (side > 0)
                    closure = {closure.x + n.x, closure.y + n.y, closure.z + n.z};
            }
            EXPECT_GT(tris, 0u);
            if (seed == 0) {
                EXPECT_NEAR(outward, s.area * size * size, 1e-3) << (int)s.faces;
                EXPECT_NEAR(inward, s.area * size * size, 1e-3) << (int)s.faces;
            } else {
                EXPECT_NEAR(outward, inward, 1e-3) << (int)s.faces;
            }
            EXPECT_NEAR(closure.x, 0.0f, 1e-3f) << (int)s.faces << " seed " << seed;
            EXPECT_NEAR(closure.y, 0.0f, 1e-3f) << (int)s.faces << " seed " << seed;
            EXPECT_NEAR(closure.z, 0.0f, 1e-3f) << (int)s.faces << " seed " << seed;
        }
    }
}

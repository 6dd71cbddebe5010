// Primitives: point in polygon, segment crossing, point to segment distance, clipping.
#include <gtest/gtest.h>

#include "world/world_util.h"

namespace {

const Vector2 k_square[4] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};

sv_portal_view view_of(u8 planes)
{
    sv_portal_view v;
    memset(&v, 0, sizeof v);
    v.count = planes;
    for (u8 i = 0; i < planes; ++i) {
        v.normals[i][1] = 1.0f; // y >= -1000: holds everything in the tests
        v.d[i] = 1000.0f;
    }
    return v;
}

} // namespace

TEST(Prim, ContainsByEvenOddRule)
{
    EXPECT_EQ(poly_contains(k_square, 4, {0.5f, 0.5f}), 1);
    EXPECT_EQ(poly_contains(k_square, 4, {2.0f, 0.5f}), 0);
    EXPECT_EQ(poly_contains(k_square, 4, {0.5f, -3.0f}), 0);
    EXPECT_EQ(poly_contains(k_square, 0, {0.5f, 0.5f}), 0);
    // Vertices fall to one side by the strict tests: the low corner in, the high one out.
    EXPECT_EQ(poly_contains(k_square, 4, {0.0f, 0.0f}), 1);
    EXPECT_EQ(poly_contains(k_square, 4, {1.0f, 1.0f}), 0);
    // A concave polygon: the notch is outside.
    const Vector2 notch[6] = {{0, 0}, {3, 0}, {3, 3}, {2, 3}, {2, 1}, {0, 1}};
    EXPECT_EQ(poly_contains(notch, 6, {2.5f, 2.0f}), 1);
    EXPECT_EQ(poly_contains(notch, 6, {1.0f, 2.0f}), 0);
}

TEST(Prim, SegmentsCrossByStrictSides)
{
    EXPECT_EQ(segs_cross({0, 0}, {2, 2}, {0, 2}, {2, 0}), 1u);
    EXPECT_EQ(segs_cross({0, 0}, {2, 0}, {0, 1}, {2, 1}), 0u); // parallel
    EXPECT_EQ(segs_cross({0, 0}, {2, 0}, {1, 0}, {3, 0}), 0u); // collinear never cross
    EXPECT_EQ(segs_cross({0, 0}, {1, 0}, {3, 1}, {3, 2}), 0u); // apart
    // Meeting end to end: the shared point is on the non-positive side of each line.
    EXPECT_EQ(segs_cross({0, 0}, {1, 0}, {1, 0}, {2, 1}), 1u);
    EXPECT_EQ(segs_cross({0, 0}, {1, 0}, {1, 0}, {2, -1}), 0u);
}

// Two ramp sides on one slanted line, 2.5 m apart: single-precision side products of such points
// come out with arbitrary signs and once reported the pair as crossing.
TEST(Prim, CollinearDisjointSegmentsNeverCross)
{
    const Vector2 a = {-1.68377018f, 5.25778198f}, b = {-0.926421523f, 3.70931578f};
    const Vector2 c = {0.215010807f, 1.37555671f}, d = {0.569391131f, 0.650994897f};
    EXPECT_EQ(segs_cross(a, b, c, d), 0u);
    EXPECT_EQ(segs_cross(c, d, a, b), 0u);
    EXPECT_EQ(segs_cross(b, a, d, c), 0u);
    const Vector2 e = {5.34890652f, 4.27065659f}, f = {4.4926734f, 5.846066f};
    const Vector2 g = {3.5190506f, 7.63746405f}, h = {2.76104331f, 9.03214455f};
    EXPECT_EQ(segs_cross(e, f, g, h), 0u);
    EXPECT_EQ(segs_cross(g, h, e, f), 0u);
}

// Sight, shots and muzzles pass a door only strictly between its ends; nearly collinear pairs
// (a leg along a door span) are decided exactly, where single-precision side products of such
// points come out with arbitrary signs both ways.
TEST(Prim, StrictCrossingNeedsEveryEndStrictlyApart)
{
    const Vector2 a0 = {0, 0}, a1 = {2, 0};
    EXPECT_EQ(sv_geom_segs_cross_strict(a0, a1, {1, -1}, {1, 1}), 1u);
    EXPECT_EQ(sv_geom_segs_cross_strict(a0, a1, {2, 0}, {3, 1}), 0u); // touching at an end
    EXPECT_EQ(sv_geom_segs_cross_strict(a0, a1, {1, 0}, {1, 1}),
              0u); // one end on the other segment
    EXPECT_EQ(sv_geom_segs_cross_strict(a0, a1, {1, 0}, {3, 0}), 0u);  // collinear, overlapping
    EXPECT_EQ(sv_geom_segs_cross_strict(a0, a1, {3, -1}, {3, 1}), 0u); // apart
    // Single precision says these cross; they do not.
    const Vector2 b0 = {3.56897569f, -6.09860802f}, b1 = {1.49408162f, -5.798244f};
    const Vector2 c0 = {4.10609198f, -6.17636061f}, c1 = {2.49251008f, -5.94277763f};
    EXPECT_EQ(sv_geom_segs_cross_strict(b0, b1, c0, c1), 0u);
    EXPECT_EQ(sv_geom_segs_cross_strict(c1, c0, b1, b0), 0u);
    // And that these do not; they do.
    const Vector2 d0 = {0.693223536f, 6.32189274f}, d1 = {2.24717593f, 5.61288643f};
    const Vector2 e0 = {0.436137259f, 6.43919039f}, e1 = {1.1331687f, 6.12116337f};
    EXPECT_EQ(sv_geom_segs_cross_strict(d0, d1, e0, e1), 1u);
    EXPECT_EQ(sv_geom_segs_cross_strict(e1, e0, d1, d0), 1u);
}

TEST(Prim, PointToSegmentDistance)
{
    EXPECT_FLOAT_EQ(pt_seg_dist({3, 4}, {0, 0}, {0, 0}), 5.0f);
    EXPECT_FLOAT_EQ(pt_seg_dist({1, 2}, {0, 0}, {4, 0}), 2.0f);
    EXPECT_FLOAT_EQ(pt_seg_dist({-3, 4}, {0, 0}, {4, 0}), 5.0f); // clamped to the end
    EXPECT_FLOAT_EQ(pt_seg_dist2({-3, 4}, {0, 0}, {4, 0}), 25.0f);
}

TEST(Prim, ClipByPlaneKeepsCountAndOrder)
{
    const Vector3 tri[3] = {{0, 0, 0}, {2, 0, 0}, {0, 0, 2}};
    Vector3 out[8];
    const f32 keep_all[3] = {1, 0, 0};
    ASSERT_EQ(clip_by_plane(keep_all, 5.0f, tri, 3, out), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(out[i].x, tri[i].x);
        EXPECT_EQ(out[i].z, tri[i].z);
    }
    EXPECT_EQ(clip_by_plane(keep_all, -5.0f, tri, 3, out), 0);
    EXPECT_EQ(clip_by_plane(keep_all, 5.0f, tri, 0, out), 0);
    // x <= 1 cuts off the vertex (2, 0, 0): kept, crossing, crossing, kept.
    const f32 left[3] = {-1, 0, 0};
    ASSERT_EQ(clip_by_plane(left, 1.0f, tri, 3, out), 4);
    EXPECT_FLOAT_EQ(out[0].x, 0.0f);
    EXPECT_FLOAT_EQ(out[1].x, 1.0f);
    EXPECT_FLOAT_EQ(out[1].z, 0.0f);
    EXPECT_FLOAT_EQ(out[2].x, 1.0f);
    EXPECT_FLOAT_EQ(out[2].z, 1.0f);
    EXPECT_FLOAT_EQ(out[3].z, 2.0f);
}

TEST(Prim, ClipPolygonByAView)
{
    const Vector3 tri[3] = {{0, 0, 0}, {2, 0, 0}, {0, 0, 2}};
    Vector3 out[SV_CLIP_VERTICES];
    sv_portal_view none = view_of(0);
    ASSERT_EQ(clip_polygon(&none, tri, 3, out), 3);
    EXPECT_EQ(out[2].z, 2.0f);
    EXPECT_EQ(clip_polygon(nullptr, tri, 3, out), 3);

    sv_portal_view v = view_of(2);
    v.normals[1][0] = -1.0f; // x <= 1
    v.normals[1][1] = 0.0f;
    v.d[1] = 1.0f;
    EXPECT_EQ(clip_polygon(&v, tri, 3, out), 4);
    v.d[1] = -5.0f; // x <= -5 leaves nothing
    EXPECT_EQ(clip_polygon(&v, tri, 3, out), 0);

    // A full view of 84 planes still takes a triangle: 3 + 84 points fit the buffers.
    sv_portal_view full = view_of(SV_PORTAL_PLANES);
    EXPECT_EQ(clip_polygon(&full, tri, 3, out), 3);
}

TEST(Prim, ClipPolygonRefusesWhatCouldOverflowItsBuffers)
{
    static Vector3 big[255];
    for (int i = 0; i < 255; ++i)
        big[i] = Vector3 {std::cos((f32)i * 0.02f), 0.0f, std::sin((f32)i * 0.02f)};
    Vector3 out[SV_CLIP_VERTICES];
    sv_portal_view none = view_of(0);
    EXPECT_EQ(clip_polygon(&none, big, 88, out), 88);
    EXPECT_EQ(clip_polygon(&none, big, 89, out), 0);
    EXPECT_EQ(clip_polygon(&none, big, 255, out), 0);
    sv_portal_view some = view_of(9);
    EXPECT_EQ(clip_polygon(&some, big, 79, out), 79);
    EXPECT_EQ(clip_polygon(&some, big, 80, out), 0);
    sv_portal_view broken = view_of(0);
    broken.count = 200; // past the plane table
    EXPECT_EQ(clip_polygon(&broken, big, 3, out), 0);
}

TEST(Prim, PlaneThroughThreePointsFacesInside)
{
    sv_portal_view v = view_of(0);
    ASSERT_EQ(plane_through(&v, 2, {0, 0, 0}, {1, 0, 0}, {0, 0, 1}, {0, 5, 0}), 1);
    EXPECT_FLOAT_EQ(v.normals[2][1], 1.0f);
    EXPECT_FLOAT_EQ(v.d[2], 0.0f);
    ASSERT_EQ(plane_through(&v, 3, {0, 2, 0}, {1, 2, 0}, {0, 2, 1}, {0, -5, 0}), 1);
    EXPECT_FLOAT_EQ(v.normals[3][1], -1.0f);
    EXPECT_FLOAT_EQ(v.d[3], 2.0f);
    EXPECT_EQ(v.count, 0); // the count is the caller's
    EXPECT_EQ(plane_through(&v, 0, {0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {0, 1, 0}), 0);
    EXPECT_EQ(plane_through(&v, SV_PORTAL_PLANES, {0, 0, 0}, {1, 0, 0}, {0, 0, 1}, {0, 1, 0}), 0);
}

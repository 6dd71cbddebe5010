// Portals, portal views and the visibility walk on hand-made records and hand-made floors.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "core/tune.h"
#include "floor/floor.h"
#include "world/geom.h"
#include "world/portal.h"

namespace {

const f32 FOVY = 1.2217305f;
const f32 MARGIN = 0.10471976f;

f32 side(const sv_portal_view& v, u8 k, Vector3 p)
{
    return v.normals[k][0] * p.x + v.normals[k][1] * p.y + v.normals[k][2] * p.z + v.d[k];
}

bool inside(const sv_portal_view& v, Vector3 p)
{
    for (u8 k = 0; k < v.count; ++k)
        if (side(v, k, p) < 0.0f)
            return false;
    return true;
}

f32 norm(const f32 n[3])
{
    return std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
}

// A 10 x 10 square room with one door on its +x wall: centre (5, 0), facing -x into the room.
sv_geom square_room()
{
    sv_geom g;
    std::memset(&g, 0, sizeof g);
    const Vector2 v[4] = {{-5, -5}, {5, -5}, {5, 5}, {-5, 5}};
    for (u8 i = 0; i < 4; ++i)
        g.vertices[i] = v[i];
    g.vertex_count = 4;
    g.ceiling_y = 4.0f;
    g.radius = 5.0f;
    g.opening_count = 1;
    sv_opening& o = g.openings[0];
    o.centre = {5, 0};
    o.foot = {4.75f, 0};
    o.tangent = {0, 1};
    o.yaw = 3.1415927f;
    o.width = 1.6f;
    o.top = 2.6f;
    o.wall_edge = 1;
    return g;
}

sv_portal identity()
{
    return {1.0f, 0.0f, {0, 0}, {0, 0}, 0.0f};
}

// A quarter turn about far (1, 2) onto near (-3, 4), 0.5 higher.
sv_portal quarter()
{
    return {0.0f, 1.0f, {1, 2}, {-3, 4}, 0.5f};
}

} // namespace

TEST(Portal, PointsDirectionsAndComposition)
{
    sv_portal q = quarter();
    Vector2 p = sv_portal_point(&q, {2, 2}); // d = (1, 0) turns to (0, 1)
    EXPECT_FLOAT_EQ(p.x, -3.0f);
    EXPECT_FLOAT_EQ(p.y, 5.0f);
    Vector3 p3 = {2, 1, 2};
    EXPECT_EQ(sv_portal_point3(&p3, &q, &p3), &p3); // in place
    EXPECT_FLOAT_EQ(p3.x, -3.0f);
    EXPECT_FLOAT_EQ(p3.y, 1.5f);
    EXPECT_FLOAT_EQ(p3.z, 5.0f);
    Vector2 d = sv_portal_dir(&q, {1, 0});
    EXPECT_FLOAT_EQ(d.x, 0.0f);
    EXPECT_FLOAT_EQ(d.y, 1.0f);

    // With the identity on either side, and as a then b applied one after the other.
    sv_portal id = identity(), out;
    sv_portal b = {std::cos(0.7f), std::sin(0.7f), {3, -1}, {0.5f, 2}, -1.25f};
    for (const Vector2 x : {Vector2 {0, 0}, Vector2 {4, -2}, Vector2 {-7, 9}}) {
        sv_portal_compose(&out, &q, &id);
        Vector2 a1 = sv_portal_point(&out, x), a2 = sv_portal_point(&q, x);
        EXPECT_NEAR(a1.x, a2.x, 1e-5f);
        EXPECT_NEAR(a1.y, a2.y, 1e-5f);
        sv_portal_compose(&out, &q, &b);
        Vector2 c1 = sv_portal_point(&out, x), c2 = sv_portal_point(&q, sv_portal_point(&b, x));
        EXPECT_NEAR(c1.x, c2.x, 1e-4f);
        EXPECT_NEAR(c1.y, c2.y, 1e-4f);
        EXPECT_FLOAT_EQ(out.height, -0.75f);
    }
    sv_portal alias = q; // out may be an operand
    sv_portal_compose(&alias, &alias, &b);
    EXPECT_EQ(std::memcmp(&alias, &out, sizeof out), 0);

    // Null portals are the identity for points; null operands write nothing.
    EXPECT_FLOAT_EQ(sv_portal_point(nullptr, {1, 2}).y, 2.0f);
    EXPECT_EQ(sv_portal_point3(nullptr, &q, &p3), nullptr);
    sv_portal_compose(&out, nullptr, &b);
    EXPECT_FLOAT_EQ(out.height, -0.75f);
}

TEST(PortalView, CameraFrustumHoldsWhatIsAheadOnly)
{
    Vector3 eye = {1, 2, 3};
    sv_portal_view v;
    sv_portal_view_frustum(&v, &eye, 0.3f, 0.1f, FOVY, 16.0f / 9.0f, MARGIN);
    ASSERT_EQ(v.count, 4);
    for (u8 k = 0; k < 4; ++k)
        EXPECT_NEAR(norm(v.normals[k]), 1.0f, 1e-5f);
    Vector3 f = {std::cos(0.3f) * std::cos(0.1f), std::sin(0.1f), std::sin(0.3f) * std::cos(0.1f)};
    EXPECT_TRUE(inside(v, {eye.x + 5 * f.x, eye.y + 5 * f.y, eye.z + 5 * f.z}));
    EXPECT_FALSE(inside(v, {eye.x - 5 * f.x, eye.y - 5 * f.y, eye.z - 5 * f.z}));
    // 60 degrees to the side is outside the 41 degree horizontal half-angle (with margin).
    f32 yaw = 0.3f + 1.047f;
    EXPECT_FALSE(inside(v, {eye.x + 5 * std::cos(yaw), eye.y, eye.z + 5 * std::sin(yaw)}));
    yaw = 0.3f + 0.6f;
    EXPECT_TRUE(inside(v, {eye.x + 5 * std::cos(yaw), eye.y + 0.5f, eye.z + 5 * std::sin(yaw)}));

    // Looking straight up still makes four planes (the right vector falls back to the yaw).
    sv_portal_view_frustum(&v, &eye, 0.3f, 1.5707964f, FOVY, 1.5f, MARGIN);
    EXPECT_EQ(v.count, 4);
    EXPECT_TRUE(inside(v, {eye.x, eye.y + 3, eye.z}));

    // The body view of the camera's frustum keeps all four planes.
    sv_portal_view body;
    sv_portal_view_for_body(&v, &body);
    EXPECT_EQ(body.count, 4);
}

TEST(PortalView, DegenerateFrustumKeepsOnlyValidPlanes)
{
    // A zero field, a zero aspect, a negative margin and non-numbers: whatever planes remain
    // are unit planes that hold the axis strictly inside, packed from slot 0.
    struct args {
        f32 yaw, pitch, fovy, aspect, margin;
    };
    const f32 nan = std::nanf("");
    const args cases[] = {
        {0.0f, 0.0f, 0.0f, 1.0f, 0.0f},   {0.4f, 0.2f, 1.0f, 0.0f, 0.0f},
        {0.4f, 0.0f, 1.0f, 2.0f, -0.5f},  {nan, 0.0f, FOVY, 1.5f, MARGIN},
        {0.0f, nan, FOVY, 1.5f, MARGIN},  {0.0f, 0.0f, FOVY, nan, MARGIN},
        {0.0f, 0.0f, 0.0f, 1.0f, MARGIN},
    };
    Vector3 eye = {0, 1, 0};
    for (const args& a : cases) {
        sv_portal_view v;
        std::memset(&v, 0x7f, sizeof v);
        sv_portal_view_frustum(&v, &eye, a.yaw, a.pitch, a.fovy, a.aspect, a.margin);
        ASSERT_LE(v.count, 4);
        Vector3 f = {std::cos(a.yaw) * std::cos(a.pitch), std::sin(a.pitch),
                     std::sin(a.yaw) * std::cos(a.pitch)};
        Vector3 c = {eye.x + f.x, eye.y + f.y, eye.z + f.z};
        for (u8 k = 0; k < v.count; ++k) {
            EXPECT_NEAR(norm(v.normals[k]), 1.0f, 1e-5f) << a.fovy << " " << a.aspect;
            EXPECT_GT(side(v, k, c), 0.0f) << a.fovy << " " << a.aspect;
        }
        for (u8 k = v.count; k < 4; ++k)
            EXPECT_EQ(norm(v.normals[k]) + std::fabs(v.d[k]), 0.0f);
    }
    // A zero field with no margin has no planes and holds everything; a margin alone still frames.
    sv_portal_view v;
    sv_portal_view_frustum(&v, &eye, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f);
    EXPECT_EQ(v.count, 0);
    sv_portal_view_frustum(&v, &eye, 0.0f, 0.0f, 0.0f, 1.0f, MARGIN);
    EXPECT_EQ(v.count, 4);
}

TEST(PortalView, ChildViewThroughADoor)
{
    sv_geom g = square_room();
    Vector3 eye = {0, 1.3f, 0};
    sv_portal_view child;
    ASSERT_EQ(sv_portal_view_build(&child, nullptr, &g, 0, nullptr, &eye), 1);
    ASSERT_EQ(child.count, 5);
    EXPECT_TRUE(inside(child, {6, 1.3f, 0}));      // beyond the doorway
    EXPECT_FALSE(inside(child, {4, 1.3f, 0}));     // before the door plane
    EXPECT_FALSE(inside(child, {6, 1.3f, 3}));     // beside the doorway
    EXPECT_FALSE(inside(child, {6, 3.5f, 0}));     // above the lintel line
    EXPECT_NEAR(child.normals[4][0], 1.0f, 1e-6f); // the door plane faces beyond
    EXPECT_NEAR(child.d[4], -5.0f, 1e-6f);

    // The eye on the door's line or behind it sees nothing through it; bad arguments refuse.
    Vector3 edge_on = {5, 1.3f, 3}, behind = {6, 1.3f, 0};
    EXPECT_EQ(sv_portal_view_build(&child, nullptr, &g, 0, nullptr, &edge_on), 0);
    EXPECT_EQ(sv_portal_view_build(&child, nullptr, &g, 0, nullptr, &behind), 0);
    EXPECT_EQ(sv_portal_view_build(&child, nullptr, &g, 1, nullptr, &eye), 0);
    EXPECT_EQ(sv_portal_view_build(nullptr, nullptr, &g, 0, nullptr, &eye), 0);

    // A parent's planes come first, in their slots; 79 planes still take a child, 80 do not.
    sv_portal_view parent;
    sv_portal_view_frustum(&parent, &eye, 0.0f, 0.0f, FOVY, 1.5f, MARGIN);
    ASSERT_EQ(sv_portal_view_build(&child, &parent, &g, 0, nullptr, &eye), 1);
    EXPECT_EQ(child.count, 9);
    EXPECT_EQ(std::memcmp(child.normals, parent.normals, sizeof(f32) * 3 * 4), 0);
    sv_portal_view big = parent;
    big.count = SV_PORTAL_CHILD_MAX;
    ASSERT_EQ(sv_portal_view_build(&child, &big, &g, 0, nullptr, &eye), 1);
    EXPECT_EQ(child.count, SV_PORTAL_PLANES);
    big.count = SV_PORTAL_CHILD_MAX + 1;
    EXPECT_EQ(sv_portal_view_build(&child, &big, &g, 0, nullptr, &eye), 0);

    // Built in place over its own parent; a refusal in place leaves the parent whole.
    sv_portal_view same = parent, ref;
    ASSERT_EQ(sv_portal_view_build(&ref, &parent, &g, 0, nullptr, &eye), 1);
    EXPECT_EQ(sv_portal_view_build(&same, &same, &g, 0, nullptr, &behind), 0);
    EXPECT_EQ(same.count, 4);
    ASSERT_EQ(sv_portal_view_build(&same, &same, &g, 0, nullptr, &eye), 1);
    EXPECT_EQ(same.count, 9);
    EXPECT_EQ(std::memcmp(same.normals, ref.normals, sizeof(f32) * 3 * 9), 0);
    EXPECT_EQ(std::memcmp(same.d, ref.d, sizeof(f32) * 9), 0);

    // The body view drops only the last door plane.
    sv_portal_view body;
    sv_portal_view_for_body(&same, &body);
    EXPECT_EQ(body.count, 8);
    EXPECT_EQ(std::memcmp(body.normals, same.normals, sizeof(f32) * 3 * 8), 0);
    sv_portal_view_for_body(&same, &same);
    EXPECT_EQ(same.count, 8);
}

TEST(PortalView, ChildViewOfAPlaceCarriedIntoTheEyesFrame)
{
    // The room seen through a portal: its door and what lies beyond it move with the portal.
    sv_geom g = square_room();
    sv_portal q = quarter();
    Vector3 local_eye = {0, 1.3f, 0}, eye;
    sv_portal_point3(&eye, &q, &local_eye);
    sv_portal_view v;
    ASSERT_EQ(sv_portal_view_build(&v, nullptr, &g, 0, &q, &eye), 1);
    for (const Vector3 local : {Vector3 {6, 1.3f, 0}, Vector3 {4, 1.3f, 0}, Vector3 {6, 1.3f, 3}}) {
        Vector3 p;
        sv_portal_point3(&p, &q, &local);
        EXPECT_EQ(inside(v, p), local.x > 5 && local.z == 0);
    }
}

TEST(PortalView, VisibleSizeOfADoor)
{
    sv_geom g = square_room();
    Vector3 quad[4];
    sv_geom_opening(&g, 0, quad);
    Vector3 eye = {0, 1.3f, 0};
    sv_portal_view v;
    sv_portal_view_frustum(&v, &eye, 0.0f, 0.0f, FOVY, 1.5f, MARGIN);
    // A 1.6 by 2.6 door 5 away covers a little under 1.6 * 2.6 / 25 of the sphere.
    f32 size = sv_portal_view_visible(&v, &eye, quad);
    EXPECT_GT(size, 0.14f);
    EXPECT_LT(size, 1.6f * 2.6f / 25.0f);

    // Half the door cut away by a view whose edge runs down its middle.
    sv_portal_view half;
    half.count = 1;
    half.normals[0][0] = 0;
    half.normals[0][1] = 0;
    half.normals[0][2] = 1;
    half.d[0] = 0;
    EXPECT_NEAR(sv_portal_view_visible(&half, &eye, quad), size / 2, 0.01f);

    // Looking away, or with no view or quad, the door is not seen.
    sv_portal_view_frustum(&v, &eye, 3.1415927f, 0.0f, FOVY, 1.5f, MARGIN);
    EXPECT_EQ(sv_portal_view_visible(&v, &eye, quad), 0.0f);
    EXPECT_EQ(sv_portal_view_visible(&v, &eye, nullptr), 0.0f);
    EXPECT_EQ(sv_portal_view_visible(nullptr, &eye, quad), 0.0f);
}

TEST(PortalView, ClippingTrianglesAndSegments)
{
    sv_geom g = square_room();
    Vector3 eye = {0, 1.3f, 0};
    sv_portal_view v;
    ASSERT_EQ(sv_portal_view_build(&v, nullptr, &g, 0, nullptr, &eye), 1);

    Vector3 out[SV_CLIP_VERTICES];
    const Vector3 far_tri[3] = {{8, 1.2f, -0.1f}, {8, 1.2f, 0.1f}, {8, 1.4f, 0}};
    ASSERT_EQ(sv_portal_view_clip(&v, far_tri, out), 3);
    EXPECT_EQ(std::memcmp(out, far_tri, sizeof far_tri), 0);
    const Vector3 near_tri[3] = {{2, 1.2f, -0.1f}, {2, 1.2f, 0.1f}, {2, 1.4f, 0}};
    EXPECT_EQ(sv_portal_view_clip(&v, near_tri, out), 0);
    const Vector3 across[3] = {{8, 1.3f, -5}, {8, 1.3f, 5}, {8, 1.4f, 0}}; // wider than the door
    i32 n = sv_portal_view_clip(&v, across, out);
    EXPECT_GE(n, 3);
    for (i32 i = 0; i < n; ++i)
        EXPECT_LT(std::fabs(out[i].z), 8 * 0.8f / 5 + 1e-4f);
    EXPECT_EQ(sv_portal_view_clip(nullptr, far_tri, out), 0);

    // A segment along the axis loses the piece before the door; one wholly outside is gone.
    Vector3 a = {0, 1.3f, 0}, b = {10, 1.3f, 0}, seg[2];
    ASSERT_EQ(sv_portal_view_clip_segment(&v, &a, &b, seg), 1);
    EXPECT_NEAR(seg[0].x, 5.0f, 1e-4f);
    EXPECT_FLOAT_EQ(seg[1].x, 10.0f);
    ASSERT_EQ(sv_portal_view_clip_segment(&v, &b, &a, seg), 1); // either direction
    EXPECT_FLOAT_EQ(seg[0].x, 10.0f);
    EXPECT_NEAR(seg[1].x, 5.0f, 1e-4f);
    Vector3 c = {8, 1.3f, -5}, d = {8, 1.3f, 5};
    ASSERT_EQ(sv_portal_view_clip_segment(&v, &c, &d, seg), 1);
    EXPECT_NEAR(seg[0].z, -1.28f, 1e-3f);
    EXPECT_NEAR(seg[1].z, 1.28f, 1e-3f);
    Vector3 e = {2, 1.3f, -1}, f = {2, 1.3f, 1};
    EXPECT_EQ(sv_portal_view_clip_segment(&v, &e, &f, seg), 0);
    EXPECT_EQ(sv_portal_view_clip_segment(nullptr, &a, &b, seg), 0);
    sv_portal_view none;
    none.count = 0; // no planes hold everything
    ASSERT_EQ(sv_portal_view_clip_segment(&none, &e, &f, seg), 1);
    EXPECT_EQ(std::memcmp(&seg[0], &e, sizeof e), 0);
    EXPECT_EQ(std::memcmp(&seg[1], &f, sizeof f), 0);
}

// Plane and solid geometry primitives: point in polygon, segment crossing, point to segment
// distance and polygon clipping by planes. Single precision, pure, no state.
#pragma once
#include "world/world_types.h"

// 1 when p lies inside the polygon by the even-odd rule (strict tests, so a point on an edge or
// a vertex falls to one side by rounding); 0 outside or for a count of 0.
u8 poly_contains(const Vector2* vertices, u8 count, Vector2 p);

// Where side vi-vj of a polygon crosses the line z = y, when it does ((vi.y > y) != (vj.y > y)):
// poly_contains counts the crossings right of its point (and so does any test that must agree
// with it to the bit).
inline f32 poly_side_x(Vector2 vi, Vector2 vj, f32 y)
{
    return (vj.x - vi.x) * (y - vi.y) / (vj.y - vi.y) + vi.x;
}

// 1 when segments a-b and c-d cross by strict side tests (a touching end falls to the
// non-positive side; collinear segments never cross); else 0.
u32 segs_cross(Vector2 a, Vector2 b, Vector2 c, Vector2 d);

// 1 when segments a-b and c-d cross strictly: each segment's ends lie strictly on opposite sides
// of the other's line, so an end on the other segment, a touch at an end and collinear segments
// never cross; else 0. The side tests are segs_cross's, worked in double.
u32 sv_geom_segs_cross_strict(Vector2 a, Vector2 b, Vector2 c, Vector2 d);

// Distance from p to segment a-b (a segment with |b - a|^2 <= 1e-9 counts as its point a).
f32 pt_seg_dist(Vector2 p, Vector2 a, Vector2 b);

// The square of pt_seg_dist, before its square root: the least of several distances is the
// root of the least of these, to the bit, since the square root is correctly rounded.
inline f32 pt_seg_dist2(Vector2 p, Vector2 a, Vector2 b)
{
    f32 dx = b.x - a.x, dz = b.y - a.y;
    f32 len2 = dx * dx + dz * dz;
    f32 t = 0.0f;
    if (len2 > 1e-9f) {
        t = ((p.x - a.x) * dx + (p.y - a.y) * dz) / len2;
        t = t < 0.0f ? 0.0f : (t > 1.0f ? 1.0f : t);
    }
    f32 ex = p.x - (a.x + t * dx), ez = p.y - (a.y + t * dz);
    return ex * ex + ez * ez;
}

// Clips the polygon in[count] to the inner side (n . p + d >= 0) of one plane into out, which
// must hold count + 1 points; returns the new count (0 for a count of 0 or nothing left).
u8 clip_by_plane(const f32 normal[3], f32 d, const Vector3* in, u8 count, Vector3* out);

// Clips the polygon by every plane of the view in order into out (SV_CLIP_VERTICES points);
// returns the count, 0 when nothing is left, or when the input could pass the 88-point work
// buffers (count > 88, or count + plane count > 88) and is refused. No planes: a plain copy.
u8 clip_polygon(const sv_portal_view* view, const Vector3* in, u8 count, Vector3* out);

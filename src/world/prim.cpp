// Plane and solid geometry primitives, in single precision and without state.
#include "world/prim.h"

#include <cmath>
#include <cstring>

u8 poly_contains(const Vector2* v, u8 count, Vector2 p)
{
    if (!v || count == 0)
        return 0;
    u8 inside = 0;
    for (u32 i = 0, j = count - 1u; i < count; j = i++) {
        if ((v[i].y > p.y) != (v[j].y > p.y) && p.x < poly_side_x(v[i], v[j], p.y))
            inside ^= 1;
    }
    return inside;
}

// Where the point p lies from the line q-r: above 0 strictly left, 0 on it, below 0 right. Worked
// in double from the single-precision inputs: for coordinates of a place's size the differences
// and products come out exact, so a point on the line gives zero rather than rounding noise of
// either sign (collinear sides of two fixtures would otherwise cross at random).
static inline f64 side_product(Vector2 p, Vector2 q, Vector2 r)
{
    const f64 py = (f64)p.y - (f64)q.y, rx = (f64)r.x - (f64)q.x;
    const f64 px = (f64)p.x - (f64)q.x, ry = (f64)r.y - (f64)q.y;
    return py * rx - px * ry;
}

// 1 strictly left of q-r, 0 on it or right.
static inline u32 side(Vector2 p, Vector2 q, Vector2 r)
{
    return side_product(p, q, r) > 0.0 ? 1u : 0u;
}

// Whether p and q lie strictly on opposite sides of the line r-s.
static inline bool apart(Vector2 p, Vector2 q, Vector2 r, Vector2 s)
{
    f64 a = side_product(p, r, s), b = side_product(q, r, s);
    return (a > 0.0 && b < 0.0) || (a < 0.0 && b > 0.0);
}

u32 segs_cross(Vector2 a, Vector2 b, Vector2 c, Vector2 d)
{
    return side(a, c, d) != side(b, c, d) && side(c, a, b) != side(d, a, b) ? 1u : 0u;
}

u32 sv_geom_segs_cross_strict(Vector2 a, Vector2 b, Vector2 c, Vector2 d)
{
    return apart(a, b, c, d) && apart(c, d, a, b) ? 1u : 0u;
}

f32 pt_seg_dist(Vector2 p, Vector2 a, Vector2 b)
{
    return std::sqrt(pt_seg_dist2(p, a, b));
}

static inline f32 plane_dist(const f32 n[3], f32 d, Vector3 v)
{
    return n[0] * v.x + n[1] * v.y + n[2] * v.z + d;
}

u8 clip_by_plane(const f32 normal[3], f32 d, const Vector3* in, u8 count, Vector3* out)
{
    if (!normal || !in || !out || count == 0)
        return 0;
    u32 n = 0;
    for (u32 i = 0; i < count; ++i) {
        Vector3 a = in[i], b = in[(i + 1) % count];
        f32 di = plane_dist(normal, d, a), dn = plane_dist(normal, d, b);
        if (di >= 0.0f)
            out[n++] = a;
        if ((di >= 0.0f) != (dn >= 0.0f)) {
            f32 t = di / (di - dn);
            out[n++] = {a.x + t * (b.x - a.x), a.y + t * (b.y - a.y), a.z + t * (b.z - a.z)};
        }
    }
    return (u8)n;
}

u8 clip_polygon(const sv_portal_view* view, const Vector3* in, u8 count, Vector3* out)
{
    if (!in || !out || count == 0)
        return 0;
    u32 planes = view ? view->count : 0;
    // Each plane adds at most one point; refuse what could pass the work buffers.
    if (planes > SV_PORTAL_PLANES || (u32)count + planes > SV_CLIP_VERTICES)
        return 0;
    Vector3 work[2][SV_CLIP_VERTICES];
    memcpy(work[0], in, count * sizeof(Vector3));
    u8 n = count;
    u32 cur = 0;
    for (u32 k = 0; k < planes; ++k) {
        n = clip_by_plane(view->normals[k], view->d[k], work[cur], n, work[cur ^ 1]);
        cur ^= 1;
        if (n == 0)
            return 0;
    }
    memcpy(out, work[cur], n * sizeof(Vector3));
    return n;
}

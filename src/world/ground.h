// The ground at a point, written once: the terms of a ramp and of a fixture slope, the tests of
// which of them holds a point and the height it gives, the treads that step a height, and the top
// of a face over a point. sv_geom_ground_on, sv_geom_face_top and the navigation grid's build
// (which works the terms out once per build and asks only the items near a point) all call these,
// so that every height they give is the same arithmetic in the same order, to the bit. Private to
// the world library; inline, as the body tick and the grid's build call them per point.
#pragma once
#include <cmath>

#include "world/prim.h"
#include "world/world_types.h"

// ceilf(x), bit for bit (every one of the 2^32 inputs was checked, NaNs and signed zeros
// included), without the library call the default target makes of it: below 2^23 in magnitude
// truncation then one step up gives it, and between -1 and 0 it is -0.
inline f32 ground_ceil(f32 x)
{
    if (!(fabsf(x) < 8388608.0f))
        return x; // whole already, infinite or NaN
    f32 t = (f32)(i32)x;
    if (t < x)
        t += 1.0f;
    return t == 0.0f ? copysignf(0.0f, x) : t;
}

// Height fraction f stepped into n equal treads (n = 0: smooth).
[[gnu::always_inline]] inline f32 ground_stepped(f32 f, u8 n)
{
    if (n == 0)
        return f;
    f32 c = ground_ceil(f * (f32)n);
    c = c < 0.0f ? 0.0f : c;
    c = c > (f32)n ? (f32)n : c;
    return c / (f32)n;
}

// Ramps --------------------------------------------------------------------------------------

// An opening's ramp as the ground query reads it.
struct ground_ramp {
    f32 foot_x, foot_z;
    f32 tx, tz; // the tangent
    f32 dx, dz; // centre - foot
    f32 det;    // tz dx - tx dz
    f32 half;   // half the width
    f32 rise;
    u8 treads;
    u8 flat; // |det| below 1e-6: it holds no point
};

[[gnu::always_inline]] inline ground_ramp ground_ramp_of(const sv_opening* o)
{
    ground_ramp r;
    r.foot_x = o->foot.x;
    r.foot_z = o->foot.y;
    r.tx = o->tangent.x;
    r.tz = o->tangent.y;
    r.dx = o->centre.x - o->foot.x;
    r.dz = o->centre.y - o->foot.y;
    r.det = r.tz * r.dx - r.tx * r.dz;
    r.half = o->width * 0.5f;
    r.rise = o->rise;
    r.treads = o->treads;
    r.flat = fabsf(r.det) < 1e-6f;
    return r;
}

// Whether ramp r holds (x, z): *s the fraction up it, *a the distance across from its middle line,
// each in its own units (of two ramps holding a point, the one of the lesser a wins).
[[gnu::always_inline]] inline int ground_ramp_holds(const ground_ramp* r, f32 x, f32 z, f32* s,
                                                    f32* a)
{
    if (r->flat)
        return 0;
    f32 px = x - r->foot_x, pz = z - r->foot_z;
    *s = (r->tz * px - r->tx * pz) / r->det;
    *a = fabsf((r->dx * pz - r->dz * px) / r->det);
    return !(*s < 0.0f || *s > 1.0f || *a > r->half);
}

// World height of ramp r at fraction s up it, over a floor at floor_y.
[[gnu::always_inline]] inline f32 ground_ramp_height(const ground_ramp* r, f32 floor_y, f32 s)
{
    return floor_y + r->rise * ground_stepped(s, r->treads);
}

// Fixture slopes -----------------------------------------------------------------------------

// A fixture slope as the ground query reads it.
struct ground_slope {
    f32 ox, oz; // the origin
    f32 ax, az; // across - origin
    f32 bx, bz; // up - origin
    f32 det;    // ax bz - az bx
    f32 base;   // floor_y + bottom
    f32 span;   // top - bottom
    u8 treads;
    u8 flat; // |det| below 1e-6: it holds no point
};

[[gnu::always_inline]] inline ground_slope ground_slope_of(const sv_slope* sl, f32 floor_y)
{
    ground_slope g;
    g.ox = sl->origin.x;
    g.oz = sl->origin.y;
    g.ax = sl->across.x - sl->origin.x;
    g.az = sl->across.y - sl->origin.y;
    g.bx = sl->up.x - sl->origin.x;
    g.bz = sl->up.y - sl->origin.y;
    g.det = g.ax * g.bz - g.az * g.bx;
    g.base = floor_y + sl->bottom;
    g.span = sl->top - sl->bottom;
    g.treads = sl->treads;
    g.flat = fabsf(g.det) < 1e-6f;
    return g;
}

// Whether slope g holds (x, z): *b the fraction up it.
[[gnu::always_inline]] inline int ground_slope_holds(const ground_slope* g, f32 x, f32 z, f32* b)
{
    if (g->flat)
        return 0;
    f32 px = x - g->ox, pz = z - g->oz;
    f32 a = (px * g->bz - pz * g->bx) / g->det;
    *b = (g->ax * pz - g->az * px) / g->det;
    return !(a < 0.0f || a > 1.0f || *b < 0.0f || *b > 1.0f);
}

// World height of slope g at fraction b up it.
[[gnu::always_inline]] inline f32 ground_slope_height(const ground_slope* g, f32 b)
{
    return g->base + g->span * ground_stepped(b, g->treads);
}

// Fixture tops and faces ---------------------------------------------------------------------

// Whether fixture f's standable top holds p: its footprint by the even-odd rule.
inline int ground_top_holds(const sv_fixture* f, Vector2 p)
{
    return f->standable && poly_contains(f->polygon, f->vertex_count, p);
}

// The fraction along segment a to a + (dx, dz) (len2 = dx dx + dz dz) of the point nearest p,
// clamped to [0, 1]; 0 for a segment shorter than 1e-9 squared.
[[gnu::always_inline]] inline f32 ground_fraction(Vector2 p, Vector2 a, f32 dx, f32 dz, f32 len2)
{
    if (!(len2 > 1e-9f))
        return 0.0f;
    // Past either end the quotient would be clamped to that end: no need to divide. The bounds
    // keep out inf / inf (not clamped) and a quotient that underflows to -0 (kept).
    f32 along = (p.x - a.x) * dx + (p.y - a.y) * dz;
    if (along < -1e-30f && len2 < 1e8f)
        return 0.0f;
    if (along >= len2 && len2 < INFINITY)
        return 1.0f;
    f32 t = along / len2;
    return t < 0.0f ? 0.0f : (t > 1.0f ? 1.0f : t);
}

// Top of face above the floor at fraction t along it, stepped by its treads.
[[gnu::always_inline]] inline f32 ground_face_top(const sv_face* face, f32 t)
{
    return face->top0 + (face->top1 - face->top0) * ground_stepped(t, face->treads);
}

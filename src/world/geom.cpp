// Door slots and the queries over a place's geometry: ground, standability, sight, and the
// quads and triangles the drawing needs. Every query is a pure function of the record and a
// few tunables; none draws or keeps state.
#include "world/geom.h"

#include <cmath>
#include <cstring>

#include "core/fmath.h"
#include "core/tune.h"
#include "world/ground.h"

const u8 SLOT_SPREAD[SV_DOOR_SLOTS] = {0, 3, 1, 4, 2, 5};

namespace {

inline Vector2 v2(f32 x, f32 z)
{
    return Vector2 {x, z};
}

inline Vector2 sub(Vector2 a, Vector2 b)
{
    return v2(a.x - b.x, a.y - b.y);
}

inline Vector2 add_scaled(Vector2 a, Vector2 d, f32 s)
{
    return v2(a.x + d.x * s, a.y + d.y * s);
}

inline f32 dot(Vector2 a, Vector2 b)
{
    return a.x * b.x + a.y * b.y;
}

} // namespace

// Door slots ---------------------------------------------------------------------------------

void sv_geom_edge_frame(const sv_geom* geom, u8 edge, Vector2* middle, Vector2* tangent,
                        Vector2* normal)
{
    u8 n = geom->vertex_count;
    Vector2 a = geom->vertices[edge % n], b = geom->vertices[(edge + 1u) % n];
    Vector2 m = v2((a.x + b.x) * 0.5f, (a.y + b.y) * 0.5f);
    Vector2 d = sub(b, a);
    f32 len = std::sqrt(d.x * d.x + d.y * d.y);
    Vector2 t, nrm;
    if (len < 1e-5f) {
        t = v2(1.0f, 0.0f);
        nrm = m.y > 0.0f ? v2(0.0f, -1.0f) : v2(0.0f, 1.0f);
    } else {
        t = v2(d.x / len, d.y / len);
        Vector2 o = v2(t.y, -t.x);
        nrm = dot(m, o) < 0.0f ? o : v2(-t.y, t.x);
    }
    *middle = m;
    *tangent = t;
    *normal = nrm;
}

void potential_slot(const sv_geom* geom, u8 slot, sv_slot* out)
{
    u8 e = (u8)((u32)geom->vertex_count * SLOT_SPREAD[slot % SV_DOOR_SLOTS] / 6u);
    f32 run = (f32)sv_tune(SV_TUNE_GEOM_RAMP_RUN);
    memset(out, 0, sizeof *out);
    out->wall_edge = e;
    sv_geom_edge_frame(geom, e, &out->middle, &out->tangent, &out->normal);
    out->foot = v2(out->middle.x * (1.0f - run), out->middle.y * (1.0f - run));
    f32 dist = std::sqrt(dot(out->middle, out->middle));
    out->distance = dist > 0.05f ? dist : 0.05f;
}

void opening_on_wall(sv_geom* geom, u8 index, u8 edge, f32 width, f32 top)
{
    Vector2 m, t, n;
    sv_geom_edge_frame(geom, edge, &m, &t, &n);
    sv_opening* o = &geom->openings[index];
    o->centre = m;
    o->foot = add_scaled(m, n, 0.25f);
    o->rise = 0.0f;
    o->tangent = t;
    o->yaw = sv_atan2f(n.y, n.x);
    o->width = width;
    o->top = top;
    o->wall_edge = edge;
}

void place_props(sv_geom* geom, f32 r, f32 y)
{
    // 0, 120, 240 and 60 degrees, as exact single-precision constants.
    static const f32 k_dir[4][2]
        = {{1.0f, 0.0f}, {-0.5f, 0.8660254f}, {-0.5f, -0.8660254f}, {0.5f, 0.8660254f}};
    geom->props[0] = Vector3 {0.0f, y, 0.0f};
    for (u32 i = 0; i < 4; ++i)
        geom->props[i + 1] = Vector3 {r * k_dir[i][0], y, r * k_dir[i][1]};
}

// Queries ------------------------------------------------------------------------------------

i32 sv_geom_contains(const sv_geom* geom, Vector2 p)
{
    if (!geom || geom->vertex_count < 3)
        return 0;
    i32 inside = 0;
    u8 n = geom->vertex_count;
    for (u32 i = 0, j = n - 1u; i < n; j = i++) {
        Vector2 c = geom->vertices[i], q = geom->vertices[j];
        if ((c.y > p.y) != (q.y > p.y)) {
            f32 x = (p.y - c.y) / (q.y - c.y) * (q.x - c.x) + c.x;
            if (x > p.x)
                inside ^= 1;
        }
    }
    return inside;
}

// The ground of sv_geom_ground_on for a geometry that is not null, the face written when asked
// for. Inline in both queries, so that the body tick's (no face) tests for none.
[[gnu::always_inline]] static inline f32 ground_of(const sv_geom* geom, f32 x, f32 z, u16* face)
{
    Vector2 pt = v2(x, z);

    // Ramps: the one whose centre line lies nearest wins.
    i32 best = -1;
    f32 best_a = 0.0f, best_h = 0.0f;
    for (u32 k = 0; k < geom->opening_count && k < SV_GEOM_OPENINGS; ++k) {
        const sv_opening* o = &geom->openings[k];
        if (o->bench_sill)
            continue;
        ground_ramp r = ground_ramp_of(o);
        f32 s, a;
        if (!ground_ramp_holds(&r, x, z, &s, &a))
            continue;
        if (best < 0 || a < best_a) {
            best = (i32)k;
            best_a = a;
            best_h = ground_ramp_height(&r, geom->floor_y, s);
        }
    }
    if (best >= 0) {
        if (face)
            *face = (u16)(SV_GROUND_RAMP + best);
        return best_h;
    }

    // Fixtures in list order: slopes first, then a standable top.
    for (u32 k = 0; k < geom->fixture_count && k < SV_GEOM_FIXTURES; ++k) {
        const sv_fixture* f = &geom->fixtures[k];
        Vector2 dc = sub(pt, f->centre);
        if (dot(dc, dc) > f->bound * f->bound)
            continue;
        for (u32 j = 0; j < f->slope_count && j < SV_FIXTURE_SLOPES; ++j) {
            ground_slope sl = ground_slope_of(&f->slopes[j], geom->floor_y);
            f32 b;
            if (!ground_slope_holds(&sl, x, z, &b))
                continue;
            if (face)
                *face = (u16)(SV_GROUND_SLOPE + 3 * k + j);
            return ground_slope_height(&sl, b);
        }
        if (ground_top_holds(f, pt)) {
            if (face)
                *face = (u16)(SV_GROUND_TOP + k);
            return geom->floor_y + f->top;
        }
    }
    return geom->floor_y;
}

f32 sv_geom_ground_on(const sv_geom* geom, f32 x, f32 z, u16* face)
{
    if (face)
        *face = SV_GROUND_FLOOR;
    if (!geom)
        return 0.0f;
    return ground_of(geom, x, z, face);
}

f32 sv_geom_ground(const sv_geom* geom, f32 x, f32 z)
{
    return geom ? ground_of(geom, x, z, nullptr) : 0.0f;
}

f32 sv_geom_face_top(const sv_face* face, Vector2 p)
{
    if (!face)
        return 0.0f;
    Vector2 d = sub(face->p1, face->p0);
    return ground_face_top(face, ground_fraction(p, face->p0, d.x, d.y, dot(d, d)));
}

i32 sv_geom_standable(const sv_geom* geom, f32 x, f32 z, f32 r)
{
    Vector2 p = v2(x, z);
    if (!geom || !sv_geom_contains(geom, p))
        return 0;
    for (u8 e = 0; e < geom->vertex_count; ++e) {
        // A door plane holds a body 0.01 inside its line, as collision does.
        for (u8 k = 0; k < geom->opening_count && k < SV_GEOM_OPENINGS; ++k) {
            const sv_opening* o = &geom->openings[k];
            if (o->wall_edge != e)
                continue;
            f32 px = x - o->centre.x, pz = z - o->centre.y;
            f32 s = px * sv_cosf(o->yaw) + pz * sv_sinf(o->yaw);
            f32 l = px * o->tangent.x + pz * o->tangent.y;
            if (s < 0.01f && std::fabs(l) <= o->width * 0.5f)
                return 0;
            break;
        }
        sv_segment pieces[2];
        u8 n = sv_geom_wall_pieces(geom, e, pieces);
        for (u8 i = 0; i < n; ++i)
            if (pt_seg_dist(p, pieces[i].a, pieces[i].b) < r)
                return 0;
    }
    f32 g = sv_geom_ground(geom, x, z) - geom->floor_y;
    f32 limit = (f32)sv_tune(SV_TUNE_PLAYER_STEP_HEIGHT) + g + 0.001f;
    for (u32 k = 0; k < geom->fixture_count && k < SV_GEOM_FIXTURES; ++k) {
        const sv_fixture* f = &geom->fixtures[k];
        Vector2 dc = sub(p, f->centre);
        if (std::sqrt(dot(dc, dc)) > f->bound + r)
            continue;
        if (!f->standable && poly_contains(f->polygon, f->vertex_count, p))
            return 0;
        // Collision never lets a body over a solid, however low: any face of one within r
        // refuses the point, else a body placed there would be pushed off on the next tick.
        for (u32 i = 0; i < f->face_count && i < SV_FIXTURE_SEGS; ++i) {
            const sv_face* fc = &f->faces[i];
            if (pt_seg_dist(p, fc->p0, fc->p1) < r
                && (!f->standable || sv_geom_face_top(fc, p) > limit))
                return 0;
        }
    }
    for (u32 k = 0; k < geom->opening_count && k < SV_GEOM_OPENINGS; ++k)
        for (u32 s = 0; s < 2; ++s) {
            const sv_face* fc = &geom->ramp_sides[k][s];
            if (pt_seg_dist(p, fc->p0, fc->p1) < r && sv_geom_face_top(fc, p) > limit)
                return 0;
        }
    return 1;
}

i32 sv_geom_nearest_standable(const sv_geom* geom, f32 r, f32* x, f32* z)
{
    if (!geom || !x || !z)
        return 0;
    f32 x0 = *x, z0 = *z;
    if (sv_geom_standable(geom, x0, z0, r))
        return 1;
    f32 h = r > 0.1f ? r : 0.1f;
    for (i32 k = 1; k <= 63; ++k)
        for (i32 i = -k; i <= k; ++i)
            for (i32 j = -k; j <= k; ++j) {
                if (i != -k && i != k && j != -k && j != k)
                    continue;
                f32 cx = x0 + (f32)i * h, cz = z0 + (f32)j * h;
                if (sv_geom_standable(geom, cx, cz, r)) {
                    *x = cx;
                    *z = cz;
                    return 1;
                }
            }
    return 0;
}

// Whether x lies strictly left of the line from s to e.
static inline bool left_of(Vector2 x, Vector2 s, Vector2 e)
{
    Vector2 d = sub(e, s), w = sub(x, s);
    return d.x * w.y - d.y * w.x > 0.0f;
}

i32 sv_geom_sightline_at(const sv_geom* geom, const Vector3* a, const Vector3* b)
{
    if (!geom || !a || !b)
        return 0;
    Vector2 a2 = v2(a->x, a->z), b2 = v2(b->x, b->z);
    for (u8 e = 0; e < geom->vertex_count; ++e) {
        sv_segment pieces[2];
        u8 n = sv_geom_wall_pieces(geom, e, pieces);
        for (u8 i = 0; i < n; ++i) {
            Vector2 p = pieces[i].a, q = pieces[i].b;
            if (left_of(a2, p, q) != left_of(b2, p, q) && left_of(p, a2, b2) != left_of(q, a2, b2))
                return 0;
        }
    }
    Vector2 D = sub(b2, a2);
    for (u32 k = 0; k < geom->fixture_count && k < SV_GEOM_FIXTURES; ++k) {
        const sv_fixture* f = &geom->fixtures[k];
        if (f->standable)
            continue;
        for (u32 i = 0; i < f->face_count && i < SV_FIXTURE_SEGS; ++i) {
            const sv_face* fc = &f->faces[i];
            if (!segs_cross(a2, b2, fc->p0, fc->p1))
                continue;
            Vector2 F = sub(fc->p1, fc->p0);
            f32 den = D.x * F.y - D.y * F.x;
            if (std::fabs(den) < 1e-12f)
                continue;
            f32 t = ((fc->p0.x - a2.x) * F.y - (fc->p0.y - a2.y) * F.x) / den;
            if (t >= 0.0f
                && geom->floor_y + sv_geom_face_top(fc, add_scaled(a2, D, t))
                    > a->y + (b->y - a->y) * t)
                return 0;
        }
    }
    return 1;
}

i32 sv_geom_sightline(const sv_geom* geom, Vector2 a, Vector2 b)
{
    if (!geom)
        return 0;
    f32 y = geom->floor_y + (f32)sv_tune(SV_TUNE_PLAYER_EYE_HEIGHT);
    Vector3 a3 {a.x, y, a.y}, b3 {b.x, y, b.y};
    return sv_geom_sightline_at(geom, &a3, &b3);
}

u8 sv_geom_wall_pieces(const sv_geom* geom, u8 edge, sv_segment out[2])
{
    if (!geom || !out || edge >= geom->vertex_count)
        return 0;
    Vector2 a = geom->vertices[edge], b = geom->vertices[(edge + 1u) % geom->vertex_count];
    for (u32 k = 0; k < geom->opening_count && k < SV_GEOM_OPENINGS; ++k) {
        const sv_opening* o = &geom->openings[k];
        if (o->wall_edge != edge)
            continue;
        f32 w = o->width * 0.5f;
        out[0] = {a, add_scaled(o->centre, o->tangent, -w)};
        out[1] = {add_scaled(o->centre, o->tangent, w), b};
        return 2;
    }
    out[0] = {a, b};
    return 1;
}

void sv_geom_ramp(const sv_geom* geom, u8 k, Vector3 out[4])
{
    if (!geom || !out || k >= geom->opening_count || k >= SV_GEOM_OPENINGS)
        return;
    const sv_opening* o = &geom->openings[k];
    f32 w = o->width * 0.5f, y0 = geom->floor_y, y1 = geom->floor_y + o->rise;
    Vector2 fl = add_scaled(o->foot, o->tangent, -w), fr = add_scaled(o->foot, o->tangent, w);
    Vector2 dr = add_scaled(o->centre, o->tangent, w), dl = add_scaled(o->centre, o->tangent, -w);
    out[0] = Vector3 {fl.x, y0, fl.y};
    out[1] = Vector3 {fr.x, y0, fr.y};
    out[2] = Vector3 {dr.x, y1, dr.y};
    out[3] = Vector3 {dl.x, y1, dl.y};
}

void sv_geom_opening(const sv_geom* geom, u8 k, Vector3 out[4])
{
    if (!geom || !out || k >= geom->opening_count || k >= SV_GEOM_OPENINGS)
        return;
    const sv_opening* o = &geom->openings[k];
    f32 w = o->width * 0.5f, y0 = geom->floor_y + o->rise, y1 = geom->floor_y + o->top;
    Vector2 l = add_scaled(o->centre, o->tangent, -w), r = add_scaled(o->centre, o->tangent, w);
    out[0] = Vector3 {l.x, y0, l.y};
    out[1] = Vector3 {r.x, y0, r.y};
    out[2] = Vector3 {r.x, y1, r.y};
    out[3] = Vector3 {l.x, y1, l.y};
}

void sv_geom_tread(const Vector3 ramp[4], u8 n, u8 k, Vector3 out[4])
{
    if (!ramp || !out || k >= n)
        return;
    f32 f0 = (f32)k / (f32)n, f1 = (f32)(k + 1) / (f32)n;
    f32 y = ramp[0].y + (ramp[3].y - ramp[0].y) * f1;
    auto along = [](Vector3 p, Vector3 q, f32 f, f32 y) {
        return Vector3 {p.x + (q.x - p.x) * f, y, p.z + (q.z - p.z) * f};
    };
    out[0] = along(ramp[0], ramp[3], f0, y);
    out[1] = along(ramp[1], ramp[2], f0, y);
    out[2] = along(ramp[1], ramp[2], f1, y);
    out[3] = along(ramp[0], ramp[3], f1, y);
}

Vector3 sv_geom_prop_spot(const sv_geom* geom, u32 i)
{
    if (!geom)
        return Vector3 {0.0f, 0.0f, 0.0f};
    if (i >= SV_PROP_SPOTS)
        return Vector3 {0.0f, geom->floor_y, 0.0f};
    return geom->props[i];
}

f32 sv_geom_slope(const sv_geom* geom, u8 k)
{
    if (!geom || k >= geom->opening_count || k >= SV_GEOM_OPENINGS)
        return 0.0f;
    const sv_opening* o = &geom->openings[k];
    Vector2 d = sub(o->centre, o->foot);
    f32 run = std::sqrt(dot(d, d));
    f32 rise = std::fabs(o->rise);
    if (run == 0.0f)
        return rise == 0.0f ? 0.0f : INFINITY;
    return rise / run;
}

void sv_geom_potential_foot(const sv_geom* geom, u8 slot, Vector2* out)
{
    if (!out)
        return;
    *out = v2(0.0f, 0.0f);
    if (!geom || slot >= SV_DOOR_SLOTS || geom->vertex_count < 6
        || geom->vertex_count > SV_GEOM_VERTICES)
        return;
    sv_slot s;
    potential_slot(geom, slot, &s);
    *out = s.foot;
}

i32 plane_through(sv_portal_view* view, u8 index, Vector3 a, Vector3 b, Vector3 c, Vector3 inside)
{
    if (!view || index >= SV_PORTAL_PLANES)
        return 0;
    f32 ux = b.x - a.x, uy = b.y - a.y, uz = b.z - a.z;
    f32 vx = c.x - a.x, vy = c.y - a.y, vz = c.z - a.z;
    f32 nx = uy * vz - uz * vy, ny = uz * vx - ux * vz, nz = ux * vy - uy * vx;
    f32 len = std::sqrt(nx * nx + ny * ny + nz * nz);
    if (len < 1e-9f)
        return 0;
    nx /= len, ny /= len, nz /= len;
    if ((inside.x - a.x) * nx + (inside.y - a.y) * ny + (inside.z - a.z) * nz < 0.0f)
        nx = -nx, ny = -ny, nz = -nz;
    view->normals[index][0] = nx;
    view->normals[index][1] = ny;
    view->normals[index][2] = nz;
    view->d[index] = -(nx * a.x + ny * a.y + nz * a.z);
    return 1;
}

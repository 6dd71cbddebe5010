// Portals, portal views and the visibility walk. Single precision throughout; the walk keeps its
// per-level state (the next place's geometry, the child views) on the recursion stack.
#include "world/portal.h"

#include <cmath>
#include <cstring>

#include "core/fmath.h"
#include "world/geom.h" // sv_geom_opening, plane_through
#include "world/geom_cache.h"
#include "world/prim.h" // clip_polygon

namespace {

const f32 PI_F = 3.1415927f;
const f32 MIN_VISIBLE = 0.0001f; // a door must cover more of the unit sphere to be looked through

Vector3 sub3(Vector3 a, Vector3 b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}

Vector3 cross3(Vector3 a, Vector3 b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

f32 len3(Vector3 a)
{
    return std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z);
}

f32 plane_side(const sv_portal_view* view, u8 k, Vector3 p)
{
    const f32* n = view->normals[k];
    return n[0] * p.x + n[1] * p.y + n[2] * p.z + view->d[k];
}

// What one walk shares across its levels.
struct walk_ctx {
    const sv_floor* floor;
    Vector3 eye;
    sv_visit_fn visit;
    void* user;
    u64 visits;
    u64 claimed; // visits made plus those promised to doors marked for descent
};

} // namespace

// Transforms -------------------------------------------------------------------------------------

Vector2 sv_portal_point(const sv_portal* portal, Vector2 p)
{
    if (!portal)
        return p;
    f32 dx = p.x - portal->far_centre.x;
    f32 dz = p.y - portal->far_centre.y;
    return {portal->cosine * dx - portal->sine * dz + portal->near_centre.x,
            portal->sine * dx + portal->cosine * dz + portal->near_centre.y};
}

Vector3* sv_portal_point3(Vector3* out, const sv_portal* portal, const Vector3* p)
{
    if (!out || !p)
        return out;
    if (!portal) {
        *out = *p;
        return out;
    }
    Vector2 q = sv_portal_point(portal, {p->x, p->z});
    *out = {q.x, p->y + portal->height, q.y};
    return out;
}

Vector2 sv_portal_dir(const sv_portal* portal, Vector2 dir)
{
    if (!portal)
        return dir;
    return {portal->cosine * dir.x - portal->sine * dir.y,
            portal->sine * dir.x + portal->cosine * dir.y};
}

void sv_portal_compose(sv_portal* out, const sv_portal* a, const sv_portal* b)
{
    if (!out || !a || !b)
        return;
    sv_portal r;
    r.cosine = a->cosine * b->cosine - a->sine * b->sine;
    r.sine = b->cosine * a->sine + a->cosine * b->sine;
    r.far_centre = b->far_centre;
    r.near_centre = sv_portal_point(a, b->near_centre);
    r.height = a->height + b->height;
    *out = r;
}

// The transform from the frame of next (entered by its door entry) into here's frame, where
// door of here leads to it.
static void portal_between(sv_portal* out, const sv_geom* here, u8 door, const sv_geom* next,
                           u8 entry)
{
    const sv_opening* near = &here->openings[door];
    const sv_opening* far = &next->openings[entry];
    f32 angle = PI_F + near->yaw - far->yaw;
    out->cosine = sv_cosf(angle);
    out->sine = sv_sinf(angle);
    out->far_centre = far->centre;
    out->near_centre = near->centre;
    out->height = (here->floor_y + near->rise) - (next->floor_y + far->rise);
}

u8 sv_portal_through(sv_portal* out, sv_geom* next, const sv_floor* floor, u16 place,
                     const sv_geom* here, u8 door)
{
    if (!out || !next || !floor || !here || door >= here->opening_count || door >= SV_GEOM_OPENINGS)
        return 0;
    u16 next_place = SV_NONE16;
    u8 entry = SV_NONE8;
    if (!sv_floor_place_next(floor, place, door, &next_place, &entry, nullptr, nullptr))
        return 0;
    // The places beyond doors are the same few frame after frame: copied from the cache
    // instead of built each time.
    const sv_geom* cached = sv_geom_cached(floor, next_place);
    if (!cached)
        return 0;
    if (cached != next)
        std::memcpy(next, cached, sizeof *next);
    if (entry >= next->opening_count || entry >= SV_GEOM_OPENINGS)
        return 0;
    portal_between(out, here, door, next, entry);
    return 1;
}

// Views ------------------------------------------------------------------------------------------

void sv_portal_view_frustum(sv_portal_view* out, const Vector3* eye, f32 yaw, f32 pitch, f32 fovy,
                            f32 aspect, f32 margin)
{
    if (!out || !eye)
        return;
    Vector3 f = {sv_cosf(yaw) * sv_cosf(pitch), sv_sinf(pitch), sv_sinf(yaw) * sv_cosf(pitch)};
    Vector3 r = cross3(f, {0.0f, 1.0f, 0.0f});
    f32 rl = len3(r);
    if (rl < 1e-6f)
        r = {-sv_sinf(yaw), 0.0f, sv_cosf(yaw)};
    else
        r = {r.x / rl, r.y / rl, r.z / rl};
    Vector3 u = cross3(r, f);

    f32 hv = fovy / 2.0f + margin;
    f32 hh = sv_atanf(sv_tanf(fovy / 2.0f) * aspect) + margin;
    f32 tv = sv_tanf(hv < 1.5f ? hv : 1.5f);
    f32 th = sv_tanf(hh < 1.5f ? hh : 1.5f);

    Vector3 c = {eye->x + f.x, eye->y + f.y, eye->z + f.z};
    const f32 sr[4] = {-th, th, th, -th};
    const f32 su[4] = {-tv, -tv, tv, tv};
    Vector3 corner[4];
    for (u32 k = 0; k < 4; ++k)
        corner[k] = {c.x + sr[k] * r.x + su[k] * u.x, c.y + sr[k] * r.y + su[k] * u.y,
                     c.z + sr[k] * r.z + su[k] * u.z};

    // A zero field, a zero aspect or non-finite angles make planes that are degenerate, hold the
    // view's axis on them (their facing is then arbitrary) or are not numbers: keep only those
    // that hold the axis strictly inside, packed, so the count never covers a bad slot.
    std::memset(out, 0, sizeof *out);
    for (u32 k = 0; k < 4; ++k) {
        u8 slot = out->count;
        if (plane_through(out, slot, *eye, corner[k], corner[(k + 1) % 4], c)
            && plane_side(out, slot, c) > 1e-6f) {
            out->count = (u8)(slot + 1);
        } else {
            std::memset(out->normals[slot], 0, sizeof out->normals[slot]);
            out->d[slot] = 0.0f;
        }
    }
}

u8 sv_portal_view_build(sv_portal_view* out, const sv_portal_view* parent, const sv_geom* here,
                        u8 door, const sv_portal* to_root, const Vector3* eye)
{
    if (!out || !here || !eye || door >= here->opening_count || door >= SV_GEOM_OPENINGS)
        return 0;
    u8 n = parent ? parent->count : 0;
    if (n > SV_PORTAL_CHILD_MAX)
        return 0;

    const sv_opening* o = &here->openings[door];
    Vector3 quad[4];
    sv_geom_opening(here, door, quad);
    Vector2 centre = o->centre;
    Vector2 outward = {-sv_cosf(o->yaw), -sv_sinf(o->yaw)};
    f32 bottom = here->floor_y + o->rise;
    f32 top = here->floor_y + o->top;
    if (to_root) {
        for (u32 i = 0; i < 4; ++i)
            sv_portal_point3(&quad[i], to_root, &quad[i]);
        centre = sv_portal_point(to_root, centre);
        outward = sv_portal_dir(to_root, outward);
        bottom += to_root->height;
        top += to_root->height;
    }
    if ((eye->x - centre.x) * outward.x + (eye->z - centre.y) * outward.y >= 0.0f)
        return 0;

    if (parent && parent != out)
        std::memcpy(out, parent, sizeof *out);
    out->count = n;
    Vector3 middle = {centre.x, (bottom + top) / 2.0f, centre.y};
    for (u32 i = 0; i < 4; ++i)
        if (!plane_through(out, (u8)(n + i), *eye, quad[i], quad[(i + 1) % 4], middle))
            return 0;
    out->normals[n + 4][0] = outward.x;
    out->normals[n + 4][1] = 0.0f;
    out->normals[n + 4][2] = outward.y;
    out->d[n + 4] = -(outward.x * centre.x + outward.y * centre.y);
    out->count = (u8)(n + 5);
    return 1;
}

f32 sv_portal_view_visible(const sv_portal_view* view, const Vector3* eye, const Vector3 quad[4])
{
    if (!view || !eye || !quad)
        return 0.0f;
    Vector3 poly[SV_CLIP_VERTICES];
    u8 count = clip_polygon(view, quad, 4, poly);
    if (count < 3)
        return 0.0f;
    // Directions from the eye: the size is the clipped door's area on the unit sphere.
    u8 m = 0;
    for (u8 i = 0; i < count; ++i) {
        Vector3 d = sub3(poly[i], *eye);
        f32 len = len3(d);
        if (len < 1e-6f)
            continue;
        poly[m++] = {d.x / len, d.y / len, d.z / len};
    }
    if (m < 3)
        return 0.0f;
    f32 size = 0.0f;
    for (u8 i = 1; i + 1 < m; ++i)
        size += len3(cross3(sub3(poly[i], poly[0]), sub3(poly[i + 1], poly[0]))) / 2.0f;
    return size;
}

i32 sv_portal_view_clip(const sv_portal_view* view, const Vector3 triangle[3], Vector3 out[])
{
    if (!view || !triangle || !out)
        return 0;
    return clip_polygon(view, triangle, 3, out);
}

u8 sv_portal_view_clip_segment(const sv_portal_view* view, const Vector3* a, const Vector3* b,
                               Vector3 out[2])
{
    if (!view || !a || !b || !out)
        return 0;
    f32 t0 = 0.0f, t1 = 1.0f;
    for (u8 k = 0; k < view->count && k < SV_PORTAL_PLANES; ++k) {
        f32 da = plane_side(view, k, *a);
        f32 db = plane_side(view, k, *b);
        if (da < 0.0f) {
            if (db < 0.0f)
                return 0;
            t0 = sv_fmaxf(t0, da / (da - db));
            if (t0 >= t1)
                return 0;
        } else if (db < 0.0f) {
            t1 = sv_fminf(t1, da / (da - db));
            if (t1 <= t0)
                return 0;
        }
    }
    Vector3 d = sub3(*b, *a);
    out[0] = {a->x + t0 * d.x, a->y + t0 * d.y, a->z + t0 * d.z};
    out[1] = {a->x + t1 * d.x, a->y + t1 * d.y, a->z + t1 * d.z};
    return 1;
}

void sv_portal_view_for_body(const sv_portal_view* in, sv_portal_view* out)
{
    if (!in || !out)
        return;
    if (out != in)
        std::memcpy(out, in, sizeof *out);
    if (out->count > 4)
        out->count = (u8)(out->count - 1);
}

// The walk -----------------------------------------------------------------------------------

namespace {

// The door's frame quad in the eye's frame.
void door_quad(const sv_geom* geom, u8 door, const sv_portal* to_root, Vector3 quad[4])
{
    sv_geom_opening(geom, door, quad);
    if (to_root)
        for (u32 i = 0; i < 4; ++i)
            sv_portal_point3(&quad[i], to_root, &quad[i]);
}

// Visits one place, then descends through each door whose opening the view shows.
void walk(walk_ctx* ctx, u16 place, const sv_geom* geom, const sv_portal* to_root,
          const sv_portal_view* view, u8 depth, u8 arrival)
{
    if (!sv_floor_place_valid(ctx->floor, place))
        return;
    u8 doors = geom->opening_count < SV_GEOM_OPENINGS ? geom->opening_count : SV_GEOM_OPENINGS;
    u32 open = (1u << doors) - 1u;
    u32 fogged = 0, descend = 0;
    sv_portal_view children[SV_GEOM_OPENINGS];

    for (u8 k = 0; k < doors; ++k) {
        u32 bit = 1u << k;
        if (sv_floor_fogged(ctx->floor, place, k)) {
            fogged |= bit;
            open &= ~bit;
            continue;
        }
        if (k == arrival
            || !sv_floor_place_next(ctx->floor, place, k, nullptr, nullptr, nullptr, nullptr))
            continue;
        if (view) {
            Vector3 quad[4];
            door_quad(geom, k, to_root, quad);
            if (!(sv_portal_view_visible(view, &ctx->eye, quad) > MIN_VISIBLE))
                continue;
        }
        // Past either bound the door is shown closed rather than left open onto nothing.
        if (depth >= SV_PORTAL_DEPTH || ctx->claimed >= SV_PORTAL_VISITS) {
            open &= ~bit;
            continue;
        }
        if (sv_portal_view_build(&children[k], view, geom, k, to_root, &ctx->eye)) {
            descend |= bit;
            ctx->claimed += 1;
        }
    }

    sv_visit v = {place, geom, to_root, view, open, fogged, depth};
    ctx->visit(&v, ctx->user);
    ctx->visits += 1;

    // Every door's transform first: the places beyond are read in the geometry cache, not
    // copied, and a place's entry may make room for others once the walk goes deeper, so geom
    // and each place beyond are read only before the walk descends from them.
    sv_portal roots[SV_GEOM_OPENINGS];
    u16 nexts[SV_GEOM_OPENINGS];
    u8 entries[SV_GEOM_OPENINGS];
    for (u8 k = 0; k < doors; ++k) {
        if (!(descend & (1u << k)))
            continue;
        const sv_geom* next_geom = nullptr;
        nexts[k] = SV_NONE16;
        entries[k] = SV_NONE8;
        if (sv_floor_place_next(ctx->floor, place, k, &nexts[k], &entries[k], nullptr, nullptr))
            next_geom = sv_geom_cached(ctx->floor, nexts[k]);
        if (!next_geom || entries[k] >= next_geom->opening_count
            || entries[k] >= SV_GEOM_OPENINGS) {
            descend &= ~(1u << k);
            ctx->claimed -= 1;
            continue;
        }
        sv_portal portal;
        portal_between(&portal, geom, k, next_geom, entries[k]);
        roots[k] = portal;
        if (to_root)
            sv_portal_compose(&roots[k], to_root, &portal);
    }
    for (u8 k = 0; k < doors; ++k) {
        if (!(descend & (1u << k)))
            continue;
        const sv_geom* next_geom = sv_geom_cached(ctx->floor, nexts[k]);
        walk(ctx, nexts[k], next_geom, &roots[k], &children[k], (u8)(depth + 1), entries[k]);
    }
}

} // namespace

u64 sv_portal_walk(const sv_floor* floor, u16 place, const sv_geom* geom, const Vector3* eye,
                   const sv_portal_view* view, sv_visit_fn visit, void* user)
{
    if (!floor || !geom || !eye || !visit)
        return 0;
    walk_ctx ctx = {floor, *eye, visit, user, 0, 1};
    walk(&ctx, place, geom, nullptr, view, 0, SV_NONE8);
    return ctx.visits;
}

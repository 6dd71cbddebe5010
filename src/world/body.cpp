// The simulation clock and body physics: collision of an upright cylinder with one place,
// vertical settling, and door admission. Nothing here keeps state between calls.
#include "world/body.h"

#include <cmath>

#include "core/fmath.h"
#include "core/tune.h"
#include "world/geom.h"

// Clock ---------------------------------------------------------------------------------------

f64 sv_sim_dt(void)
{
    return 1.0 / sv_tune(SV_TUNE_SIM_TICK_HZ);
}

u32 sv_sim_ticks(f32 seconds)
{
    if (!(seconds > 0.0f))
        return 0;
    f64 v = sv_tune(SV_TUNE_SIM_TICK_HZ) * (f64)seconds + 0.5;
    if (v < 1.0)
        return 1;
    if (!(v <= 4294967295.0)) // also +inf
        return 4294967295u;
    return (u32)v;
}

// Collision -----------------------------------------------------------------------------------

// Distance from p to segment a-b; writes the nearest point. A segment of no length is its a.
static f32 seg_distance(f32 px, f32 pz, Vector2 a, Vector2 b, f32* cx, f32* cz)
{
    f32 dx = b.x - a.x, dz = b.y - a.y;
    f32 len = dx * dx + dz * dz;
    f32 t = 0.0f;
    if (len > 1e-9f) {
        t = ((px - a.x) * dx + (pz - a.y) * dz) / len;
        t = t < 0.0f ? 0.0f : (t > 1.0f ? 1.0f : t);
    }
    *cx = a.x + t * dx;
    *cz = a.y + t * dz;
    f32 ex = px - *cx, ez = pz - *cz;
    return sqrtf(ex * ex + ez * ez);
}

// Even-odd test of (x, z) against a fixture's footprint.
static int inside_footprint(const sv_fixture* f, f32 x, f32 z)
{
    int in = 0;
    u8 n = f->vertex_count;
    for (u8 i = 0, j = (u8)(n - 1); i < n; j = i++) {
        Vector2 vi = f->polygon[i], vj = f->polygon[j];
        if ((z < vi.y) != (z < vj.y) && x < (z - vi.y) / (vj.y - vi.y) * (vj.x - vi.x) + vi.x)
            in = !in;
    }
    return in;
}

static Vector2 footprint_mean(const sv_fixture* f)
{
    Vector2 g = {0.0f, 0.0f};
    for (u8 i = 0; i < f->vertex_count; ++i) {
        g.x += f->polygon[i].x;
        g.y += f->polygon[i].y;
    }
    if (f->vertex_count > 0) {
        g.x /= (f32)f->vertex_count;
        g.y /= (f32)f->vertex_count;
    }
    return g;
}

// Pushes the body off one face when it overlaps the face's foot and the face rises above the
// step limit h. Direction for a centre on the segment: away from the fixture's middle (mean
// given), else along the fallback.
static void push_off_face(const sv_face* face, f32* x, f32* z, f32 r, f32 h, const Vector2* mean,
                          Vector2 fallback)
{
    f32 cx, cz;
    f32 dist = seg_distance(*x, *z, face->p0, face->p1, &cx, &cz);
    if (!(dist < r) || !(sv_geom_face_top(face, Vector2 {cx, cz}) > h + 0.001f))
        return;
    Vector2 u = fallback;
    if (dist > 1e-5f) {
        u = Vector2 {(*x - cx) / dist, (*z - cz) / dist};
    } else if (mean) {
        f32 gx = cx - mean->x, gz = cz - mean->y;
        f32 gl = sqrtf(gx * gx + gz * gz);
        if (gl > 1e-5f)
            u = Vector2 {gx / gl, gz / gl};
    }
    *x = cx + r * u.x;
    *z = cz + r * u.y;
}

static void collide_walls(const sv_geom* geom, u8 ignored, f32* x, f32* z, f32 r)
{
    for (u8 e = 0; e < geom->vertex_count; ++e) {
        // The door plane: a door stops a body 0.01 inside its line, across its width.
        for (u8 k = 0; k < geom->opening_count; ++k) {
            const sv_opening* o = &geom->openings[k];
            if (o->wall_edge != e)
                continue;
            if (k != ignored) {
                f32 nx = sv_cosf(o->yaw), nz = sv_sinf(o->yaw);
                f32 px = *x - o->centre.x, pz = *z - o->centre.y;
                f32 s = px * nx + pz * nz;
                f32 l = px * o->tangent.x + pz * o->tangent.y;
                if (s < 0.01f && fabsf(l) <= o->width * 0.5f) {
                    *x += (0.01f - s) * nx;
                    *z += (0.01f - s) * nz;
                }
            }
            break;
        }
        sv_segment pieces[2];
        u8 count = sv_geom_wall_pieces(geom, e, pieces);
        for (u8 i = 0; i < count; ++i) {
            f32 cx, cz;
            f32 dist = seg_distance(*x, *z, pieces[i].a, pieces[i].b, &cx, &cz);
            if (!(dist < r))
                continue;
            Vector2 u = {1.0f, 0.0f};
            f32 o = sqrtf(*x * *x + *z * *z);
            if (dist > 1e-5f)
                u = Vector2 {(*x - cx) / dist, (*z - cz) / dist};
            else if (o > 1e-5f)
                u = Vector2 {-*x / o, -*z / o};
            *x = cx + r * u.x;
            *z = cz + r * u.y;
        }
    }
}

static void collide_fixtures(const sv_geom* geom, f32* x, f32* z, f32 r, f32 h)
{
    for (u8 k = 0; k < geom->fixture_count; ++k) {
        const sv_fixture* f = &geom->fixtures[k];
        f32 bx = *x - f->centre.x, bz = *z - f->centre.y;
        f32 reach = f->bound + r;
        if (!(bx * bx + bz * bz <= reach * reach))
            continue;
        Vector2 mean = footprint_mean(f);
        // Inside a solid: out to the nearest point of its outline. Nothing stands on a solid's
        // top, so a body is never let over one, however low it is or however high the feet.
        if (!f->standable && f->face_count > 0 && f->vertex_count > 0
            && inside_footprint(f, *x, *z)) {
            f32 best = 1e9f, nx = 0.0f, nz = 0.0f;
            for (u8 i = 0; i < f->face_count; ++i) {
                f32 cx, cz;
                f32 d = seg_distance(*x, *z, f->faces[i].p0, f->faces[i].p1, &cx, &cz);
                if (d < best) {
                    best = d;
                    nx = cx;
                    nz = cz;
                }
            }
            f32 gx = nx - mean.x, gz = nz - mean.y;
            f32 gl = sqrtf(gx * gx + gz * gz);
            if (gl > 1e-5f) {
                *x = nx + r * gx / gl;
                *z = nz + r * gz / gl;
            }
        }
        const Vector2* m = f->vertex_count > 0 ? &mean : nullptr;
        for (u8 i = 0; i < f->face_count; ++i)
            push_off_face(&f->faces[i], x, z, r, f->standable ? h : -1e30f, m,
                          Vector2 {1.0f, 0.0f});
    }
}

static void collide_ramp_sides(const sv_geom* geom, f32* x, f32* z, f32 r, f32 h)
{
    for (u8 k = 0; k < geom->opening_count; ++k) {
        Vector2 normal = {sv_cosf(geom->openings[k].yaw), sv_sinf(geom->openings[k].yaw)};
        for (u8 side = 0; side < 2; ++side)
            push_off_face(&geom->ramp_sides[k][side], x, z, r, h, nullptr, normal);
    }
}

// Two passes of walls and door planes, fixtures, ramp sides; no iteration to convergence.
static void collide(const sv_geom* geom, u8 ignored, f32* x, f32* z, f32 r, f32 y, f32 step)
{
    f32 h = y - geom->floor_y + step;
    for (int pass = 0; pass < 2; ++pass) {
        collide_walls(geom, ignored, x, z, r);
        collide_fixtures(geom, x, z, r, h);
        collide_ramp_sides(geom, x, z, r, h);
    }
}

void sv_player_collide(const sv_geom* geom, f32* x, f32* z, f32 radius, f32 y, f32 step_height)
{
    if (!geom || !x || !z)
        return;
    collide(geom, SV_NONE8, x, z, radius, y, step_height);
}

// Feet so high that no ramp side or standable face holds a body off, only walls, door planes and
// solids.
static const f32 ABOVE_EVERY_FACE = 1e30f;

void sv_body_collide_eased(sv_collide_fn collide, void* ctx, f32* x, f32* z, f32 y, f32 moved)
{
    if (!collide || !x || !z)
        return;
    f32 x0 = *x, z0 = *z;
    collide(ctx, x, z, y);
    f32 allowed = moved + SV_EASE_SPEED * (f32)sv_sim_dt();
    f32 px = *x - x0, pz = *z - z0;
    if (!(px * px + pz * pz > allowed * allowed))
        return;
    f32 hx = x0, hz = z0;
    collide(ctx, &hx, &hz, ABOVE_EVERY_FACE);
    f32 ex = *x - hx, ez = *z - hz, e = sqrtf(ex * ex + ez * ez);
    if (!(e > allowed))
        return;
    *x = hx + ex * (allowed / e);
    *z = hz + ez * (allowed / e);
}

// What sv_player_collide_moved collides with.
struct player_collision {
    const sv_geom* geom;
    f32 radius, step;
};

static void collide_player(void* ctx, f32* x, f32* z, f32 y)
{
    const player_collision* c = (const player_collision*)ctx;
    collide(c->geom, SV_NONE8, x, z, c->radius, y, c->step);
}

void sv_player_collide_moved(const sv_geom* geom, f32* x, f32* z, f32 radius, f32 y,
                             f32 step_height, f32 moved)
{
    if (!geom || !x || !z)
        return;
    player_collision c = {geom, radius, step_height};
    sv_body_collide_eased(collide_player, &c, x, z, y, moved);
}

void sv_player_collide_beyond(const sv_geom* geom, u8 ignored_door, f32* x, f32* z, f32 radius,
                              f32 y, f32 step_height)
{
    if (!geom || !x || !z)
        return;
    collide(geom, ignored_door, x, z, radius, y, step_height);
}

// Ground and settling -------------------------------------------------------------------------

f32 sv_player_ground(const sv_geom* geom, f32 x, f32 z)
{
    return sv_geom_ground(geom, x, z);
}

void sv_body_settle(const sv_geom* geom, f32 x, f32 z, f32* y, f32* vy, u8* airborne)
{
    if (!geom || !y || !vy || !airborne)
        return;
    f32 g = sv_geom_ground(geom, x, z);
    if (!*airborne) {
        f32 step = (f32)sv_tune(SV_TUNE_PLAYER_STEP_HEIGHT);
        if (g >= *y - step) {
            *y = g;
            return;
        }
        *airborne = 1;
        *vy = 0.0f;
    }
    f32 dt = (f32)(1.0 / sv_tune(SV_TUNE_SIM_TICK_HZ));
    *vy = *vy - (f32)sv_tune(SV_TUNE_PLAYER_GRAVITY) * dt;
    f32 next = *y + *vy * dt;
    if (g >= next) {
        *y = g;
        *vy = 0.0f;
        *airborne = 0;
    } else {
        *y = next;
    }
}

// Door admission ------------------------------------------------------------------------------

u8 sv_door_admits(const sv_floor* floor, u16 place, u8 door, u32 shards, u32 prisms)
{
    if (!floor)
        return 0;
    const sv_room* room = sv_floor_room_const(floor, place);
    if (room) {
        if (sv_floor_seal_state(floor, place) & SV_SEAL_SEALED)
            return 0;
        if (door < room->door_count && door < SV_ROOM_DOORS
            && room->doors[door].kind == SV_DOOR_EXIT)
            return !room->doors[door].locked || prisms != 0;
    }
    u16 next = SV_NONE16, from_room = SV_NONE16;
    u8 entry = 0, from_door = 0;
    if (!sv_floor_place_next(floor, place, door, &next, &entry, &from_room, &from_door))
        return 0;
    if (sv_floor_room_const(floor, next) && (sv_floor_seal_state(floor, next) & SV_SEAL_SEALED))
        return 0;
    const sv_door* crossed = sv_floor_door_const(floor, from_room, from_door);
    if (!crossed || !crossed->locked)
        return 1;
    switch (crossed->kind) {
    case SV_DOOR_SCION: return shards != 0;
    case SV_DOOR_AXIOM:
    case SV_DOOR_EXIT: return prisms != 0;
    default: return 0;
    }
}

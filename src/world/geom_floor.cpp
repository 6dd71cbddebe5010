// Floor triangles of a place: a fan over the wall polygon with descending ramps cut out and
// the dais levels lifted to their tops, clipped level by level.
#include <cmath>
#include <cstring>

#include "world/geom.h"

namespace {

// Clipped pieces of a fan triangle stay small: 3 points plus one per plane.
constexpr u32 PIECE_MAX = 3 + 3 + 2 * SV_FIXTURE_VERTICES;

struct poly {
    Vector3 p[PIECE_MAX];
    u8 n;
};

struct plane {
    f32 n[3];
    f32 d;
};

struct emitter {
    const sv_geom* geom;
    sv_triangle* out;
    u64 cap;
    u64 count;
};

// The vertical plane through a and b (x, z), facing away from (or towards) the point c.
plane vertical_plane(Vector2 a, Vector2 b, Vector2 c, bool towards)
{
    f32 dx = b.x - a.x, dz = b.y - a.y;
    f32 len = std::sqrt(dx * dx + dz * dz);
    plane pl {{0.0f, 0.0f, 0.0f}, 0.0f};
    if (len > 0.0f) {
        pl.n[0] = dz / len;
        pl.n[2] = -dx / len;
    }
    f32 side = pl.n[0] * (c.x - a.x) + pl.n[2] * (c.y - a.y);
    if ((side > 0.0f) != towards) {
        pl.n[0] = -pl.n[0];
        pl.n[2] = -pl.n[2];
    }
    pl.d = -(pl.n[0] * a.x + pl.n[2] * a.y);
    return pl;
}

plane flipped(const plane& pl)
{
    return plane {{-pl.n[0], -pl.n[1], -pl.n[2]}, -pl.d};
}

void clip(const poly& in, const plane& pl, poly* out)
{
    out->n = in.n + 1u > PIECE_MAX ? 0 : clip_by_plane(pl.n, pl.d, in.p, in.n, out->p);
}

// Fans the polygon (0, i, i + 1) into the output, at height y unless keep is set.
void fan(emitter* em, const poly& pg, f32 y, bool keep)
{
    for (u32 i = 1; i + 1 < pg.n; ++i) {
        if (em->count >= em->cap)
            return;
        sv_triangle* t = &em->out[em->count++];
        t->p[0] = pg.p[0];
        t->p[1] = pg.p[i];
        t->p[2] = pg.p[i + 1];
        if (!keep)
            for (u32 j = 0; j < 3; ++j)
                t->p[j].y = y;
    }
}

// Emits the part of a polygon at a dais level: inside the level's fixture it goes on to the
// next inner level at that fixture's top; outside, edge by edge, it is fanned at height y.
void emit_within(emitter* em, const poly& pg, i32 level, f32 y)
{
    const sv_geom* g = em->geom;
    if (pg.n < 3)
        return;
    if (level < (i32)g->first_dais) {
        fan(em, pg, y, false);
        return;
    }
    const sv_fixture* f = &g->fixtures[level];
    if (f->vertex_count == 0) {
        emit_within(em, pg, level - 1, y);
        return;
    }
    Vector2 c {0.0f, 0.0f};
    for (u32 i = 0; i < f->vertex_count; ++i)
        c.x += f->polygon[i].x, c.y += f->polygon[i].y;
    c.x /= (f32)f->vertex_count, c.y /= (f32)f->vertex_count;

    plane inward[SV_FIXTURE_VERTICES];
    for (u32 i = 0; i < f->vertex_count; ++i)
        inward[i] = vertical_plane(f->polygon[i], f->polygon[(i + 1) % f->vertex_count], c, true);

    poly inner = pg, tmp;
    for (u32 i = 0; i < f->vertex_count && inner.n > 0; ++i) {
        clip(inner, inward[i], &tmp);
        inner = tmp;
    }
    emit_within(em, inner, level - 1, g->floor_y + f->top);

    poly rest = pg, outside;
    for (u32 i = 0; i < f->vertex_count && rest.n >= 3; ++i) {
        clip(rest, flipped(inward[i]), &outside);
        fan(em, outside, y, false);
        clip(rest, inward[i], &tmp);
        rest = tmp;
    }
}

void emit_floor_piece(emitter* em, const poly& pg)
{
    const sv_geom* g = em->geom;
    if (g->first_dais >= SV_GEOM_FIXTURES)
        fan(em, pg, 0.0f, true);
    else
        emit_within(em, pg, (i32)g->first_dais + g->dais_tiers, g->floor_y);
}

} // namespace

u64 sv_geom_floor(const sv_geom* geom, u32 mask, sv_triangle* out, u64 cap)
{
    if (!geom || !out || cap == 0 || geom->vertex_count < 3)
        return 0;
    emitter em {geom, out, cap, 0};
    u8 n = geom->vertex_count;
    f32 y = geom->floor_y;
    for (u8 e = 0; e < n; ++e) {
        poly tri;
        memset(&tri, 0, sizeof tri);
        Vector2 a = geom->vertices[(e + 1u) % n], b = geom->vertices[e];
        tri.p[0] = Vector3 {0.0f, y, 0.0f};
        tri.p[1] = Vector3 {a.x, y, a.y};
        tri.p[2] = Vector3 {b.x, y, b.y};
        tri.n = 3;

        i32 cut = -1;
        for (u32 k = 0; k < geom->opening_count && k < SV_GEOM_OPENINGS; ++k) {
            const sv_opening* o = &geom->openings[k];
            if (o->wall_edge == e && (mask >> k & 1u) && o->rise < 0.0f) {
                cut = (i32)k;
                break;
            }
        }
        if (cut < 0) {
            emit_floor_piece(&em, tri);
            continue;
        }
        Vector3 q[4];
        sv_geom_ramp(geom, (u8)cut, q);
        Vector2 fl {q[0].x, q[0].z}, fr {q[1].x, q[1].z}, dr {q[2].x, q[2].z}, dl {q[3].x, q[3].z};
        Vector2 c {(fl.x + fr.x + dr.x + dl.x) * 0.25f, (fl.y + fr.y + dr.y + dl.y) * 0.25f};
        plane left = vertical_plane(fl, dl, c, false);
        plane foot = vertical_plane(fl, fr, c, false);
        plane right = vertical_plane(fr, dr, c, false);
        poly piece, in_left, in_foot;
        clip(tri, left, &piece);
        emit_floor_piece(&em, piece);
        clip(tri, flipped(left), &in_left);
        clip(in_left, foot, &piece);
        emit_floor_piece(&em, piece);
        clip(in_left, flipped(foot), &in_foot);
        clip(in_foot, right, &piece);
        emit_floor_piece(&em, piece);
    }
    return em.count;
}

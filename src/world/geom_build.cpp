// Building a place's geometry on demand: corridor pieces are rectangles with an opening at each
// end; rooms are irregular polygons with an opening per door slot, ramps to their sills and an
// interior. The random draws of a room come in this order: the vertex count, one per vertex,
// one per door slot; the interior generator has its own generator.
#include <cmath>
#include <cstddef>
#include <cstring>

#include "core/fmath.h"
#include "core/tune.h"
#include "world/geom.h"

namespace {

constexpr u64 GOLDEN = 0x9E3779B97F4A7C15ULL;

// Width and height of a corridor piece.
void piece_size(const sv_passage* p, u16 j, f32* w, f32* h)
{
    if (p->pieces[j].kind == SV_PIECE_STEP) {
        *w = (f32)sv_tune(SV_TUNE_GEOM_DOOR_WIDTH);
        *h = (f32)sv_tune(SV_TUNE_GEOM_DOOR_HEIGHT);
    } else {
        *w = p->width;
        *h = (f32)sv_tune(SV_TUNE_CORRIDOR_HEIGHT);
    }
}

// The opening between piece j and its neighbour k (none past either end): 0.02 narrower than
// the narrower piece and as high as the lower one; a door's size at the passage's ends.
void joint(const sv_passage* p, u16 j, i32 k, f32* width, f32* top)
{
    if (k < 0 || k >= (i32)p->piece_count) {
        *width = (f32)sv_tune(SV_TUNE_GEOM_DOOR_WIDTH);
        *top = (f32)sv_tune(SV_TUNE_GEOM_DOOR_HEIGHT);
        return;
    }
    f32 w, h, w2, h2;
    piece_size(p, j, &w, &h);
    piece_size(p, (u16)k, &w2, &h2);
    *width = sv_fminf(w2, w) - 0.02f;
    *top = sv_fminf(h2, h);
}

void build_piece(sv_geom* g, const sv_passage* p, u16 j)
{
    f32 w, h;
    piece_size(p, j, &w, &h);
    f32 L = p->pieces[j].length;
    memset(g, 0, sizeof *g);
    g->vertex_count = 4;
    g->opening_count = 2;
    g->vertices[0] = Vector2 {-L / 2, -w / 2};
    g->vertices[1] = Vector2 {L / 2, -w / 2};
    g->vertices[2] = Vector2 {L / 2, w / 2};
    g->vertices[3] = Vector2 {-L / 2, w / 2};
    g->floor_y = 0.0f;
    g->ceiling_y = h;
    g->radius = sv_fmaxf(L, w) / 2;

    f32 width, top;
    joint(p, j, (i32)j - 1, &width, &top);
    opening_on_wall(g, 0, 3, width, top);
    u8 far_edge = 1;
    if (p->pieces[j].kind == SV_PIECE_BEND)
        far_edge = p->pieces[j].turn == 1 ? 0 : 2;
    joint(p, j, (i32)j + 1, &width, &top);
    opening_on_wall(g, 1, far_edge, width, top);

    g->first_dais = SV_NO_DAIS;
    g->interior = SV_INTERIOR_BARE;
}

void build_room(sv_geom* g, const sv_floor* floor, const sv_room* room, u16 place)
{
    // Every byte is cleared: the fixtures, most of the record, by build_interior, the rest here.
    constexpr size_t FIX_AT = offsetof(sv_geom, fixtures), FIX_END = FIX_AT + sizeof g->fixtures;
    memset(g, 0, FIX_AT);
    memset((char*)g + FIX_END, 0, sizeof *g - FIX_END);
    u64 base = sv_stream_seed(floor->seed, floor->floor_number, SV_STREAM_GEOMETRY)
        ^ (u64)place * GOLDEN;
    sv_rng rng;
    sv_rng_seed(&rng, sv_mix64(base));

    f32 room_radius = (f32)sv_tune(SV_TUNE_GEOM_ROOM_RADIUS);
    f32 spread = (f32)sv_tune(SV_TUNE_GEOM_RADIUS_SPREAD);
    f32 ceiling = (f32)sv_tune(SV_TUNE_GEOM_CEILING_HEIGHT);
    f32 sill_max = (f32)sv_tune(SV_TUNE_GEOM_SILL_MAX);
    f32 ramp_run = (f32)sv_tune(SV_TUNE_GEOM_RAMP_RUN);
    f32 max_slope = (f32)sv_tune(SV_TUNE_GEOM_MAX_SLOPE);
    f32 door_w = (f32)sv_tune(SV_TUNE_GEOM_DOOR_WIDTH);
    f32 door_h = (f32)sv_tune(SV_TUNE_GEOM_DOOR_HEIGHT);
    f32 riser = (f32)sv_tune(SV_TUNE_INTERIOR_RISER);

    f32 radius = room_radius * room->radius_scale;
    g->radius = radius;
    g->floor_y = room->elevation;
    g->ceiling_y = room->elevation + room->radius_scale * ceiling;

    u32 n = 6 + sv_rng_below(&rng, 7);
    g->vertex_count = (u8)n;
    for (u32 i = 0; i < n; ++i) {
        f32 theta = (f32)i * 6.2831855f / (f32)n;
        f32 u = (f32)sv_rng_f64(&rng);
        f32 rho = sv_fmaxf(0.1f, ((2.0f * u - 1.0f) * spread + 1.0f) * radius);
        f32 sn, cs;
        sv_sincosf(theta, &sn, &cs);
        g->vertices[i] = Vector2 {rho * cs, rho * sn};
    }

    u8 doors = room->door_count < SV_GEOM_OPENINGS ? room->door_count : SV_GEOM_OPENINGS;
    g->opening_count = doors;
    // Whether the ramps are flights of treads comes from the seed alone, not the generator.
    u64 flight_bits = sv_mix64(base ^ 0xF11647A5A1B2C3D4ULL) >> 11;
    g->flights = (f64)flight_bits * 0x1.0p-53 < sv_tune(SV_TUNE_INTERIOR_FLIGHT_SHARE) ? 1 : 0;

    for (u8 k = 0; k < doors; ++k) {
        sv_slot s;
        potential_slot(g, k, &s);
        sv_opening* o = &g->openings[k];
        o->centre = s.middle;
        o->foot = s.foot;
        o->tangent = s.tangent;
        o->yaw = sv_atan2f(s.normal.y, s.normal.x);
        o->width = door_w;
        o->wall_edge = s.wall_edge;
        f32 u = (f32)sv_rng_f64(&rng);
        f32 rise = (2.0f * u - 1.0f) * sv_fminf(sill_max, s.distance * ramp_run * max_slope);
        o->rise = std::fabs(rise) < 0.001f ? 0.0f : rise;
        o->top = door_h + o->rise;
        if (g->flights) {
            f32 c = std::ceil(std::fabs(o->rise) / riser - 0.0001f);
            o->treads = c < 1.0f ? 0 : (c > 255.0f ? 255 : (u8)c);
        }

        // Ramp sides: flat at the foot, spanning the sill height at the door end.
        Vector3 q[4];
        sv_geom_ramp(g, k, q);
        f32 lo = sv_fminf(o->rise, 0.0f), hi = sv_fmaxf(o->rise, 0.0f);
        sv_face* left = &g->ramp_sides[k][0];
        sv_face* right = &g->ramp_sides[k][1];
        left->p0 = Vector2 {q[0].x, q[0].z};
        left->p1 = Vector2 {q[3].x, q[3].z};
        right->p0 = Vector2 {q[1].x, q[1].z};
        right->p1 = Vector2 {q[2].x, q[2].z};
        left->bottom1 = right->bottom1 = lo;
        left->top1 = right->top1 = hi;
        left->treads = right->treads = o->treads;
    }

    build_interior(g, floor, room, place, room->interior);
}

} // namespace

void sv_geom_build(sv_geom* out, const sv_floor* floor, u16 place)
{
    if (!out || !floor)
        return;
    u16 passage = 0, piece = 0;
    if (sv_floor_place_piece(floor, place, &passage, &piece)) {
        build_piece(out, &floor->passages[passage], piece);
        return;
    }
    const sv_room* room = sv_floor_room_const(floor, place);
    if (room)
        build_room(out, floor, room, place);
}

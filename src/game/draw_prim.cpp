// The drawing primitives and the sink under them: one clipped triangle, one carried and clipped
// line, the shapes built from them (vertical faces, stair flights, wire boxes, floating keys,
// weapon bodies), the colours of the world, the recorder, and the translucent primitives held
// back during a world pass so that they are drawn after everything opaque.
#include "game/draw.h"

#include <cmath>
#include <cstring>

#include "world/geom.h"   // treads and prop spots
#include "world/portal.h" // carrying and clipping

// Constants --------------------------------------------------------------------------------------

const sv_palette PALETTE = {
    {46, 42, 38, 255},    // floor_col
    {78, 70, 62, 255},    // wall_col
    {122, 104, 76, 255},  // ramp_col
    {225, 210, 180, 60},  // fill
    {225, 210, 180, 255}, // edge
    {168, 122, 72, 255},  // wood
    {84, 168, 196, 255},  // water
    {255, 200, 60, 255},  // amber
    {255, 200, 60, 140},  // track
};
const Color PRISM_COLOUR = {206, 72, 60, 255};
const Color SHARD_COLOUR = {150, 92, 196, 255};

static const Color k_door_colours[5] = {
    {190, 168, 128, 255}, // normal
    {150, 92, 196, 255},  // scion
    {206, 72, 60, 255},   // axiom
    {84, 168, 196, 255},  // shortcut
    {236, 214, 132, 255}, // exit
};

// The near plane of the game's projection (raylib's default cull distance).
static const f32 k_near = 0.05f;

// State ------------------------------------------------------------------------------------------

// The sink, the frame's anchors and whether a world pass is holding translucent primitives back.
static struct {
    sv_draw_sink sink;
    sv_draw_frame frame;
    u8 deferring;
    u64 deferred;
} g_draw = {{nullptr, nullptr}, {{0, 0, 0}, {0, 0, 0}, 65535, 0.0}, 0, 0};

static sv_draw_prim s_deferred[SV_DRAW_DEFERRED];

// Internal ---------------------------------------------------------------------------------------

static void send(const sv_draw_prim* prim)
{
    if (g_draw.sink.fn) {
        g_draw.sink.fn(g_draw.sink.ctx, prim);
    }
}

// A translucent primitive waits for the end of the world pass while there is room; anything else
// goes to the sink at once.
static void emit(u8 kind, const Vector3* a, const Vector3* b, const Vector3* c, Color colour)
{
    sv_draw_prim prim;
    std::memset(&prim, 0, sizeof prim);
    prim.kind = kind;
    prim.depth_write = colour.a == 255 ? 1 : 0;
    prim.colour = colour;
    prim.p[0] = *a;
    prim.p[1] = *b;
    if (c) {
        prim.p[2] = *c;
    }
    if (!prim.depth_write && g_draw.deferring && g_draw.deferred < SV_DRAW_DEFERRED) {
        s_deferred[g_draw.deferred++] = prim;
        return;
    }
    send(&prim);
}

static Vector3 carry(const sv_portal* portal, Vector3 p)
{
    Vector3 out;
    sv_portal_point3(&out, portal, &p);
    return out;
}

// Carried triangle, drawn in its own winding and, when both is set, reversed too.
static void tri_carried(const sv_portal* portal, const sv_portal_view* view, Vector3 a, Vector3 b,
                        Vector3 c, Color colour, u8 both)
{
    Vector3 p = carry(portal, a), q = carry(portal, b), r = carry(portal, c);
    draw_tri(view, &p, &q, &r, colour);
    if (both) {
        draw_tri(view, &r, &q, &p, colour);
    }
}

static void line3(const sv_portal* portal, const sv_portal_view* view, Vector3 a, Vector3 b,
                  Color colour)
{
    draw_line(portal, view, &a, &b, colour);
}

// Public: the sink and the frame -----------------------------------------------------------------

void sv_draw_set_sink(sv_draw_sink sink)
{
    g_draw.sink = sink;
}

sv_draw_sink sv_draw_get_sink(void)
{
    return g_draw.sink;
}

void sv_draw_flush(void)
{
    sv_draw_prim flush;
    std::memset(&flush, 0, sizeof flush);
    flush.kind = SV_DRAW_FLUSH;
    send(&flush);
}

void sv_draw_record(void* ctx, const sv_draw_prim* prim)
{
    sv_draw_recorder* rec = (sv_draw_recorder*)ctx;
    if (!rec || !prim) {
        return;
    }
    if (rec->items && rec->count < rec->cap) {
        rec->items[rec->count] = *prim;
    }
    rec->count++;
    rec->tris += prim->kind == SV_DRAW_TRI;
    rec->lines += prim->kind == SV_DRAW_LINE;
    rec->flushes += prim->kind == SV_DRAW_FLUSH;
}

sv_draw_sink sv_draw_recorder_sink(sv_draw_recorder* recorder)
{
    return sv_draw_sink {sv_draw_record, recorder};
}

void sv_draw_set_frame(const sv_draw_frame* frame)
{
    if (frame) {
        g_draw.frame = *frame;
    } else {
        g_draw.frame = sv_draw_frame {{0, 0, 0}, {0, 0, 0}, 65535, 0.0};
    }
}

const sv_draw_frame* sv_draw_get_frame(void)
{
    return &g_draw.frame;
}

u64 sv_draw_world(const sv_floor* floor, u16 place, const sv_geom* geom, const sv_portal_view* view,
                  const sv_draw_frame* frame)
{
    if (!floor || !geom || !frame || !sv_floor_place_valid(floor, place)) {
        return 0;
    }
    sv_draw_set_frame(frame);
    g_draw.deferring = 1;
    g_draw.deferred = 0;
    u64 visits = sv_portal_walk(floor, place, geom, &frame->eye, view, draw_visit, (void*)floor);
    g_draw.deferring = 0;
    for (u64 i = 0; i < g_draw.deferred; ++i) {
        send(&s_deferred[i]);
    }
    g_draw.deferred = 0;
    sv_draw_flush();
    return visits;
}

i32 sv_draw_in_front(const Camera3D* camera, const Vector3* p)
{
    if (!camera || !p) {
        return 0;
    }
    Vector3 f = {camera->target.x - camera->position.x, camera->target.y - camera->position.y,
                 camera->target.z - camera->position.z};
    f32 len = std::sqrt(f.x * f.x + f.y * f.y + f.z * f.z);
    if (!(len > 1e-6f)) {
        return 0;
    }
    f32 ahead = ((p->x - camera->position.x) * f.x + (p->y - camera->position.y) * f.y
                 + (p->z - camera->position.z) * f.z)
        / len;
    return ahead > k_near ? 1 : 0;
}

Color door_colour(u32 kind)
{
    return kind < 5 ? k_door_colours[kind] : k_door_colours[0];
}

// Public: primitives -----------------------------------------------------------------------------

void draw_tri(const sv_portal_view* view, const Vector3* a, const Vector3* b, const Vector3* c,
              Color colour)
{
    if (!a || !b || !c) {
        return;
    }
    if (!view) {
        emit(SV_DRAW_TRI, a, b, c, colour);
        return;
    }
    const Vector3 tri[3] = {*a, *b, *c};
    Vector3 poly[SV_CLIP_VERTICES];
    i32 n = sv_portal_view_clip(view, tri, poly);
    for (i32 i = 1; i + 1 < n; ++i) {
        emit(SV_DRAW_TRI, &poly[0], &poly[i], &poly[i + 1], colour);
    }
}

void draw_tri_toward(const sv_portal_view* view, const Vector3* a, const Vector3* b,
                     const Vector3* c, const Vector3* toward)
{
    if (!a || !b || !c || !toward) {
        return;
    }
    Vector3 u = {b->x - a->x, b->y - a->y, b->z - a->z};
    Vector3 v = {c->x - a->x, c->y - a->y, c->z - a->z};
    Vector3 n = {u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x};
    f32 side = n.x * (toward->x - a->x) + n.y * (toward->y - a->y) + n.z * (toward->z - a->z);
    if (side >= 0) {
        draw_tri(view, a, b, c, PALETTE.wall_col);
    } else {
        draw_tri(view, a, c, b, PALETTE.wall_col);
    }
}

void draw_line(const sv_portal* portal, const sv_portal_view* view, const Vector3* a,
               const Vector3* b, Color colour)
{
    if (!a || !b) {
        return;
    }
    Vector3 p = carry(portal, *a), q = carry(portal, *b);
    if (!view) {
        emit(SV_DRAW_LINE, &p, &q, nullptr, colour);
        return;
    }
    Vector3 cut[2];
    if (sv_portal_view_clip_segment(view, &p, &q, cut)) {
        emit(SV_DRAW_LINE, &cut[0], &cut[1], nullptr, colour);
    }
}

void draw_face(const sv_geom* geom, const sv_portal* portal, const sv_portal_view* view,
               const sv_face* face)
{
    if (!geom || !face) {
        return;
    }
    const f32 f = geom->floor_y;
    const u32 m = face->treads > 0 ? face->treads : 1;
    for (u32 i = 1; i <= m; ++i) {
        f32 f1 = (f32)i / (f32)m, f0 = (f32)(i - 1) / (f32)m;
        f32 fnear = face->treads > 0 ? f1 : f0;
        Vector2 e0 = {face->p0.x + f0 * (face->p1.x - face->p0.x),
                      face->p0.y + f0 * (face->p1.y - face->p0.y)};
        Vector2 e1 = {face->p0.x + f1 * (face->p1.x - face->p0.x),
                      face->p0.y + f1 * (face->p1.y - face->p0.y)};
        f32 bottom_near = f + face->bottom0 + fnear * (face->bottom1 - face->bottom0);
        f32 top_near = f + face->top0 + fnear * (face->top1 - face->top0);
        f32 bottom_far = f + face->bottom0 + f1 * (face->bottom1 - face->bottom0);
        f32 top_far = f + face->top0 + f1 * (face->top1 - face->top0);
        Vector3 q1 = carry(portal, {e0.x, bottom_near, e0.y});
        Vector3 q2 = carry(portal, {e1.x, bottom_far, e1.y});
        Vector3 q3 = carry(portal, {e1.x, top_far, e1.y});
        Vector3 q4 = carry(portal, {e0.x, top_near, e0.y});
        draw_tri(view, &q1, &q2, &q3, PALETTE.wall_col);
        draw_tri(view, &q3, &q2, &q1, PALETTE.wall_col);
        draw_tri(view, &q1, &q3, &q4, PALETTE.wall_col);
        draw_tri(view, &q4, &q3, &q1, PALETTE.wall_col);
    }
}

void draw_flight(const sv_portal* portal, const sv_portal_view* view, const Vector3 quad[4],
                 u8 treads)
{
    if (!quad || treads == 0) {
        return;
    }
    const Color col = PALETTE.ramp_col;
    f32 prev0 = quad[0].y, prev1 = quad[1].y;
    for (u8 k = 0; k < treads; ++k) {
        Vector3 t[4];
        sv_geom_tread(quad, treads, k, t);
        tri_carried(portal, view, t[0], t[1], t[2], col, 1);
        tri_carried(portal, view, t[0], t[2], t[3], col, 1);
        Vector3 r0 = {t[0].x, prev0, t[0].z}, r1 = {t[1].x, prev1, t[1].z};
        tri_carried(portal, view, r0, r1, t[1], col, 1);
        tri_carried(portal, view, r0, t[1], t[0], col, 1);
        prev0 = t[0].y;
        prev1 = t[1].y;
    }
}

void draw_box(const sv_portal* portal, const sv_portal_view* view, const Vector3* base,
              f32 half_width, f32 height, f32 half_depth, Color colour)
{
    if (!base) {
        return;
    }
    Vector3 c[8];
    for (i32 j = 0; j < 8; ++j) {
        // Corners 0..3 run round the bottom, 4..7 round the top above them.
        f32 sx = (j & 3) == 1 || (j & 3) == 2 ? 1.0f : -1.0f;
        f32 sz = (j & 3) >= 2 ? 1.0f : -1.0f;
        c[j] = {base->x + sx * half_width, base->y + (j >= 4 ? height : 0.0f),
                base->z + sz * half_depth};
    }
    for (i32 j = 0; j < 4; ++j) {
        line3(portal, view, c[j], c[(j + 1) & 3], colour);
        line3(portal, view, c[4 + j], c[4 + ((j + 1) & 3)], colour);
        line3(portal, view, c[j], c[4 + j], colour);
    }
}

void draw_key(const sv_geom* geom, const sv_portal* portal, const sv_portal_view* view, u8 tag)
{
    if (!geom) {
        return;
    }
    const u8 prism = tag == SV_TAG_PRISM;
    const u32 spot = prism ? SV_PROP_PRISM : SV_PROP_SHARD;
    const f32 hover = prism ? 0.9f : 0.5f;
    const f32 r = prism ? 0.16f : 0.1f;
    const Color colour = prism ? PRISM_COLOUR : SHARD_COLOUR;
    const f32 t = (f32)g_draw.frame.time;
    Vector3 s = sv_geom_prop_spot(geom, spot);
    Vector3 k = {s.x, s.y + hover + 0.08f * std::sin(2.0f * t), s.z};
    line3(portal, view, s, k, colour);
    for (i32 j = 0; j < 2; ++j) {
        f32 a = (f32)j * 1.5707964f + 0.8f * t;
        f32 c = std::cos(a), sn = std::sin(a);
        Vector3 q[4] = {
            {k.x - c * r, k.y - r, k.z - sn * r},
            {k.x + c * r, k.y - r, k.z + sn * r},
            {k.x + c * r, k.y + r, k.z + sn * r},
            {k.x - c * r, k.y + r, k.z - sn * r},
        };
        for (i32 e = 0; e < 4; ++e) {
            line3(portal, view, q[e], q[(e + 1) & 3], colour);
        }
    }
}

// Weapon bodies ----------------------------------------------------------------------------------

static const sv_weapon_body k_blade = {
    {{0.11f, 0.165f, 0.0f},
     {0.0f, 0.165f, 0.11f},
     {-0.11f, 0.165f, 0.0f},
     {0.0f, 0.165f, -0.11f},
     {0.0f, 0.275f, 0.0f},
     {0.0f, -0.165f, 0.0f}},
    {{0, 1, 4}, {1, 0, 5}, {1, 2, 4}, {2, 1, 5}, {2, 3, 4}, {3, 2, 5}, {3, 0, 4}, {0, 3, 5}},
    6,
    8,
    4,
};

static const sv_weapon_body k_gun = {
    {{0.0f, -0.0318198f, 0.405f},
     {0.0779423f, -0.0318198f, -0.045f},
     {-0.0779423f, -0.0318198f, -0.045f},
     {0.0f, 0.0954594f, -0.045f}},
    {{0, 1, 2}, {0, 3, 1}, {1, 3, 2}, {2, 3, 0}},
    4,
    4,
    0,
};

void weapon_body_of(sv_weapon_body* out, i32 ranged)
{
    if (!out) {
        return;
    }
    std::memset(out, 0, sizeof *out);
    *out = ranged ? k_gun : k_blade;
}

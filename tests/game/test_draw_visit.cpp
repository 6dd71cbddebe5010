// Drawing visible places into the recorder: every primitive of a visit inside its clip planes
// on generated floors (with the largest frame reported), a place seen through two doors drawn
// twice, fogged doors veiled with nothing beyond, mobs, room things and shots, and translucent
// primitives held back to the end of the world pass.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "actors/player.h"
#include "core/tune.h"
#include "game/draw_util.h"
#include "world/body.h"
#include "world/geom.h"
#include "world/portal.h"

namespace {

const f32 FOVY = 1.2217305f;
const f32 MARGIN = 0.10471976f;
const f32 ASPECT = 16.0f / 9.0f;
const Color k_dead = {90, 40, 40, 255};
const Color k_veil_back = {128, 128, 146, 255};
const Color k_exit_back = {128, 104, 44, 255};

// A floor made by hand: rooms with tags, joined as the test says; no corridors.
struct hand_floor {
    sv_floor f {};
    explicit hand_floor(u16 rooms) { sv_floor_init(&f, 1, 99, (u16)(rooms + 2)); }
    ~hand_floor() { sv_floor_free(&f); }
    hand_floor(const hand_floor&) = delete;
    hand_floor& operator=(const hand_floor&) = delete;
};

sv_body mob_body(sv_action* action = nullptr)
{
    sv_body b;
    std::memset(&b, 0, sizeof b);
    b.hp = 10;
    b.speed = 1;
    b.turn = 90;
    b.action_count = action ? 1 : 0;
    b.actions = action;
    return b;
}

// The visit of a place in its own frame, with no view.
sv_visit own_visit(u16 place, const sv_geom* g)
{
    sv_visit v;
    std::memset(&v, 0, sizeof v);
    v.place = place;
    v.geom = g;
    return v;
}

// A visitor that draws each visit and checks what it drew against the visit's planes.
struct visit_check {
    visit_check(const sv_floor* f, draw_capture* c) : floor(f), cap(c) { }
    const sv_floor* floor;
    draw_capture* cap;
    u64 visits = 0, outside = 0, structure_outside = 0;
    f32 worst = 0;
    std::vector<std::pair<u16, u64>> drawn; // place and primitives drawn per visit
    std::vector<sv_portal_view> views;
};

bool structure_colour(Color c)
{
    return same_colour(c, PALETTE.floor_col) || same_colour(c, PALETTE.wall_col)
        || same_colour(c, PALETTE.ramp_col);
}

void check_visit(const sv_visit* v, void* user)
{
    visit_check* c = static_cast<visit_check*>(user);
    u64 start = c->cap->rec.count;
    draw_visit(v, (void*)c->floor);
    c->visits++;
    c->drawn.push_back({v->place, c->cap->rec.count - start});
    sv_portal_view none;
    std::memset(&none, 0, sizeof none);
    c->views.push_back(v->view ? *v->view : none);
    if (!v->view)
        return;
    // Bodies standing in a doorway are clipped without the door's plane.
    sv_portal_view body;
    sv_portal_view_for_body(v->view, &body);
    for (u64 i = start; i < c->cap->stored(); ++i) {
        const sv_draw_prim& p = c->cap->at(i);
        f32 side = worst_side(&body, p);
        c->worst = std::min(c->worst, side);
        if (side < -1e-3f)
            c->outside++;
        if (structure_colour(p.colour) && worst_side(v->view, p) < -1e-3f)
            c->structure_outside++;
    }
}

struct frame_max {
    u64 tris = 0, lines = 0, prims = 0;
    u64 seed = 0;
    u16 floor = 0;
};

} // namespace

struct DrawVisit : gen_floor_fixture { };

// From spawn on generated floors, looking each way: everything a visit draws lies inside its
// view (bodies inside its body view), and the largest frame is reported.
TEST_F(DrawVisit, EveryVisitDrawsInsideItsViewOnGeneratedFloors)
{
    draw_capture cap(1u << 17);
    frame_max mx;
    const u64 seeds = k_draw_sanitized ? 6 : 40;
    u64 frames = 0;
    for (u16 number : {(u16)1, (u16)2, (u16)4, (u16)7}) {
        for (u64 s = 1; s <= seeds; ++s) {
            sv_floor* f = gen(s * 7919 + number, number);
            ASSERT_NE(f, nullptr);
            sv_geom g;
            sv_geom_build(&g, f, 0);
            sv_player pl;
            std::memset(&pl, 0, sizeof pl);
            sv_player_spawn(&pl, &g);
            Vector3 eye = {pl.x, pl.y + (f32)sv_tune(SV_TUNE_PLAYER_EYE_HEIGHT), pl.z};
            for (i32 k = 0; k < 8; ++k) {
                f32 yaw = pl.yaw + (f32)k * 0.7853982f;
                sv_portal_view view;
                sv_portal_view_frustum(&view, &eye, yaw, 0.0f, FOVY, ASPECT, MARGIN);
                sv_draw_frame fr = {eye, eye, 0, 1.25};
                sv_draw_set_frame(&fr);
                cap.clear();
                visit_check c(f, &cap);
                u64 n = sv_portal_walk(f, 0, &g, &eye, &view, check_visit, &c);
                ASSERT_EQ(n, c.visits);
                ASSERT_LE(cap.rec.count, cap.rec.cap);
                EXPECT_EQ(c.outside, 0u)
                    << "seed " << f->seed << " floor " << number << " worst " << c.worst;
                EXPECT_EQ(c.structure_outside, 0u) << "seed " << f->seed << " floor " << number;
                frames++;
                if (cap.rec.count > mx.prims) {
                    mx = {cap.rec.tris, cap.rec.lines, cap.rec.count, f->seed, number};
                }
            }
        }
    }
    std::printf("[ draw ] %llu frames from spawn: largest %llu triangles and %llu lines "
                "(seed %llu floor %u)\n",
                (unsigned long long)frames, (unsigned long long)mx.tris,
                (unsigned long long)mx.lines, (unsigned long long)mx.seed, mx.floor);
    EXPECT_GT(mx.tris, 0u);
}

// Two rooms joined by two doors: from the middle of the first, with no view, the second is seen
// through each door and drawn twice, clipped differently.
TEST_F(DrawVisit, APlaceSeenThroughTwoDoorsIsDrawnTwice)
{
    hand_floor h(2);
    ASSERT_EQ(sv_floor_add_room(&h.f, SV_TAG_SPAWN), 0);
    ASSERT_EQ(sv_floor_add_room(&h.f, 0), 1);
    ASSERT_GE(sv_floor_link(&h.f, 0, 1, SV_DOOR_NORMAL), 0);
    ASSERT_GE(sv_floor_link(&h.f, 0, 1, SV_DOOR_NORMAL), 0);
    sv_geom g;
    sv_geom_build(&g, &h.f, 0);
    ASSERT_EQ(g.opening_count, 2);
    draw_capture cap;
    Vector3 eye = {0, g.floor_y + 1.6f, 0};
    visit_check c(&h.f, &cap);
    u64 n = sv_portal_walk(&h.f, 0, &g, &eye, nullptr, check_visit, &c);
    ASSERT_GE(n, 3u);
    std::vector<u64> seen;
    for (u64 i = 0; i < c.drawn.size(); ++i) {
        if (c.drawn[i].first == 1) {
            seen.push_back(i);
            EXPECT_GT(c.drawn[i].second, 0u);
        }
    }
    ASSERT_GE(seen.size(), 2u);
    EXPECT_EQ(c.outside, 0u);
    const sv_portal_view& a = c.views[seen[0]];
    const sv_portal_view& b = c.views[seen[1]];
    EXPECT_NE(std::memcmp(&a, &b, sizeof a), 0);
}

// A risen boss fogs every door into its room: the door is veiled, framed, and nothing beyond it
// is visited. The exit door shows the exit's veil and frame colours.
TEST_F(DrawVisit, FoggedDoorsDrawAVeilAndNothingBeyond)
{
    hand_floor h(2);
    sv_floor_add_room(&h.f, SV_TAG_SPAWN);
    sv_floor_add_room(&h.f, SV_TAG_SCION);
    ASSERT_GE(sv_floor_link(&h.f, 0, 1, SV_DOOR_NORMAL), 0);
    sv_body body = mob_body();
    ASSERT_GE(sv_floor_add_mob(&h.f, 1, 0, 0, 0, &body, 2 | (8u << 8), "boss", 1), 0);
    ASSERT_EQ(sv_floor_fogged(&h.f, 0, 0), 1);
    sv_geom g;
    sv_geom_build(&g, &h.f, 0);
    draw_capture cap;
    const sv_opening* o = &g.openings[0];
    // Two metres inside the doorway, looking at it.
    Vector3 eye = {o->centre.x + 2 * std::cos(o->yaw), g.floor_y + 1.6f,
                   o->centre.y + 2 * std::sin(o->yaw)};
    sv_draw_frame fr = {eye, eye, 0, 0.5};
    EXPECT_EQ(sv_draw_world(&h.f, 0, &g, nullptr, &fr), 1u); // nothing beyond the veil
    EXPECT_GT(cap.count(SV_DRAW_TRI, k_veil_back), 0u);
    EXPECT_GT(cap.count(SV_DRAW_TRI, Color {236, 236, 242, 0}, true), 0u);
    EXPECT_GE(cap.count(SV_DRAW_LINE, door_colour(SV_DOOR_NORMAL)), 5u); // sill, jambs, lintel, bar
    // The wall of a fogged door stays whole: no wall piece leaves a gap for the doorway.
    u64 wall = cap.count(SV_DRAW_TRI, PALETTE.wall_col);
    EXPECT_GT(wall, 0u);

    // Closer than 0.1 to the backdrop's plane, it is not drawn: the way through is open.
    cap.clear();
    Vector3 at_door = {o->centre.x + 0.005f * std::cos(o->yaw), g.floor_y + 1.6f,
                       o->centre.y + 0.005f * std::sin(o->yaw)};
    sv_draw_frame close = {at_door, at_door, 0, 0.5};
    sv_draw_world(&h.f, 0, &g, nullptr, &close);
    EXPECT_EQ(cap.count(SV_DRAW_TRI, k_veil_back), 0u);

    // The exit door of a generated floor is always fogged, in the exit's colours.
    sv_floor* f = gen(4471, 1);
    ASSERT_NE(f, nullptr);
    i32 exit_room = -1;
    u8 exit_door = 0;
    for (u16 r = 0; r < f->room_count && exit_room < 0; ++r)
        for (u8 d = 0; d < f->rooms[r].door_count; ++d)
            if (f->rooms[r].doors[d].kind == SV_DOOR_EXIT) {
                exit_room = r;
                exit_door = d;
            }
    ASSERT_GE(exit_room, 0);
    sv_geom eg;
    sv_geom_build(&eg, f, (u16)exit_room);
    const sv_opening* eo = &eg.openings[exit_door];
    Vector3 eeye = {eo->centre.x + 2 * std::cos(eo->yaw), eg.floor_y + 1.6f,
                    eo->centre.y + 2 * std::sin(eo->yaw)};
    sv_draw_frame efr = {eeye, eeye, (u16)exit_room, 0.5};
    cap.clear();
    sv_draw_world(f, (u16)exit_room, &eg, nullptr, &efr);
    EXPECT_GT(cap.count(SV_DRAW_TRI, k_exit_back), 0u);
    EXPECT_GT(cap.count(SV_DRAW_TRI, Color {240, 204, 110, 0}, true), 0u);
    EXPECT_GE(cap.count(SV_DRAW_LINE, door_colour(SV_DOOR_EXIT)), 5u);
}

// Mobs: a living one is a translucent prism with opaque edges and a facing line, a dead one a
// slab and nothing else, a waiting boss nothing at all; the side count is held to 3..12.
TEST_F(DrawVisit, MobsByKindLifeAndWaiting)
{
    hand_floor h(1);
    sv_floor_add_room(&h.f, SV_TAG_SPAWN);
    sv_geom g;
    sv_geom_build(&g, &h.f, 0);
    sv_body body = mob_body();
    ASSERT_EQ(sv_floor_add_mob(&h.f, 0, 1, 1, 0, &body, 5u << 8, "pentagon", 0), 0);
    sv_visit v = own_visit(0, &g);
    draw_capture cap;
    draw_place_mobs(&v, &h.f);
    // 5 sides: 10 side triangles and 3 on each cap, both windings; 15 edges and the facing.
    EXPECT_EQ(cap.rec.tris, 2u * (10u + 6u));
    EXPECT_EQ(cap.rec.lines, 16u);
    for (u64 i = 0; i < cap.stored(); ++i) {
        const sv_draw_prim& p = cap.at(i);
        EXPECT_EQ(p.colour.a, p.kind == SV_DRAW_TRI ? 70 : 255);
        EXPECT_EQ(p.colour.r, 190);
    }
    struct sides {
        u64 kind, drawn;
    };
    for (sides s :
         {sides {2u << 8, 3}, sides {20u << 8, 12}, sides {(12u << 8) | (1u << 16), 12}}) {
        h.f.mobs[0].kind = s.kind;
        cap.clear();
        draw_place_mobs(&v, &h.f);
        EXPECT_EQ(cap.rec.lines, 3 * s.drawn + 1);
    }
    h.f.mobs[0].phase = 2;
    cap.clear();
    draw_place_mobs(&v, &h.f);
    EXPECT_EQ(cap.at(0).colour.r, 255); // active: white
    EXPECT_EQ(cap.at(0).colour.b, 255);

    ASSERT_EQ(sv_floor_kill_mob(&h.f, 0), 1);
    cap.clear();
    draw_place_mobs(&v, &h.f);
    EXPECT_EQ(cap.rec.tris, 0u);
    EXPECT_EQ(cap.rec.lines, 12u);
    EXPECT_EQ(cap.count(SV_DRAW_LINE, k_dead), 12u);

    // A boss waiting to rise is not drawn; once risen it shows at once, a regular solid.
    ASSERT_EQ(sv_floor_add_mob(&h.f, 0, -1, 0, 0, &body, 1 | (20u << 8), "axiom", 1), 1);
    h.f.mobs[1].waiting = 1;
    cap.clear();
    draw_place_mobs(&v, &h.f);
    EXPECT_EQ(cap.rec.tris, 0u);
    h.f.mobs[1].waiting = 0;
    cap.clear();
    draw_place_mobs(&v, &h.f);
    EXPECT_EQ(cap.rec.tris, 40u);
    EXPECT_EQ(cap.rec.lines, 12u + 30u + 1u);
}

// Room things: keys not yet taken, the chest's band while locked and closed, the standing lid
// once opened, the monument over the fountain; a corridor piece draws none of them.
TEST_F(DrawVisit, RoomThingsFollowThePlayState)
{
    hand_floor h(2);
    sv_floor_add_room(&h.f, SV_TAG_PRISM | SV_TAG_SHARD | SV_TAG_FOUNTAIN | SV_TAG_MONUMENT);
    sv_geom g;
    sv_geom_build(&g, &h.f, 0);
    sv_visit v = own_visit(0, &g);
    draw_capture cap;
    draw_room_things(&v, &h.f);
    EXPECT_EQ(cap.count(SV_DRAW_LINE, PRISM_COLOUR), 9u);
    EXPECT_EQ(cap.count(SV_DRAW_LINE, SHARD_COLOUR), 9u);
    EXPECT_EQ(cap.count(SV_DRAW_LINE, Color {120, 128, 140, 255}), 24u); // pillar and plinth
    EXPECT_EQ(cap.count(SV_DRAW_LINE, PALETTE.water), 0u);
    sv_floor_take(&h.f, 0, SV_TAG_PRISM);
    cap.clear();
    draw_room_things(&v, &h.f);
    EXPECT_EQ(cap.count(SV_DRAW_LINE, PRISM_COLOUR), 0u);
    EXPECT_EQ(cap.count(SV_DRAW_LINE, SHARD_COLOUR), 9u);

    ASSERT_GE(sv_floor_add_chest(&h.f, 0, 1, 0), 0);
    sv_chest* chest = sv_floor_chest_in_mut(&h.f, 0);
    chest->locked = 1;
    sv_floor_take(&h.f, 0, SV_TAG_SHARD);
    cap.clear();
    draw_room_things(&v, &h.f);
    EXPECT_EQ(cap.count(SV_DRAW_LINE, PALETTE.wood), 24u); // body and lid
    EXPECT_EQ(cap.count(SV_DRAW_LINE, SHARD_COLOUR), 1u);  // the band
    chest->opened = 1;
    cap.clear();
    draw_room_things(&v, &h.f);
    EXPECT_EQ(cap.count(SV_DRAW_LINE, PALETTE.wood), 24u); // body and standing lid
    EXPECT_EQ(cap.count(SV_DRAW_LINE, SHARD_COLOUR), 0u);

    // A corridor piece is no room: no things.
    sv_visit piece = own_visit(5, &g);
    cap.clear();
    draw_room_things(&piece, &h.f);
    EXPECT_EQ(cap.rec.count, 0u);
}

// A shot just fired, in the walker's own place, is drawn leaving the weapon's tip; the same shot
// seen in another place is not moved.
TEST_F(DrawVisit, ShotsNearTheEyeLeaveTheTip)
{
    hand_floor h(2);
    sv_floor_add_room(&h.f, SV_TAG_SPAWN);
    sv_geom g;
    sv_geom_build(&g, &h.f, 0);
    ASSERT_NE(sv_floor_add_shot(&h.f, 0, 0.3f, 1.6f, 0, 1, 0, 0, 10, 1, nullptr, 60, 0), nullptr);
    sv_draw_frame fr = {{0, 1.6f, 0}, {0.4f, 1.3f, 0.3f}, 0, 0};
    sv_draw_set_frame(&fr);
    sv_visit v = own_visit(0, &g);
    draw_capture cap;
    sv_draw_set_frame(&fr);
    draw_place_shots(&v, &h.f);
    ASSERT_EQ(cap.rec.lines, 12u);
    const f32 f = 1 - 0.3f / 1.2f;
    // The first edge starts at the box's corner (-x, -z) at its base.
    EXPECT_NEAR(cap.at(0).p[0].x, 0.3f + f * 0.4f - 0.08f, 1e-5f);
    EXPECT_NEAR(cap.at(0).p[0].y, 1.6f - 0.08f + f * -0.3f, 1e-5f);
    fr.tip_room = 1;
    sv_draw_set_frame(&fr);
    cap.clear();
    draw_place_shots(&v, &h.f);
    EXPECT_NEAR(cap.at(0).p[0].x, 0.3f - 0.08f, 1e-6f);
}

// A world pass sends every opaque primitive first, then the translucent ones (which write no
// depth) in the order drawn, then a flush.
TEST_F(DrawVisit, TranslucentFillsComeAfterEveryPlace)
{
    sv_floor* f = gen(4471, 3);
    ASSERT_NE(f, nullptr);
    sv_geom g;
    sv_geom_build(&g, f, 0);
    sv_body body = mob_body();
    ASSERT_GE(sv_floor_add_mob(f, 0, 1, 0, 0, &body, 6u << 8, "hexagon", 0), 0);
    draw_capture cap;
    Vector3 eye = {-2, g.floor_y + 1.6f, 0};
    sv_draw_frame fr = {eye, eye, 0, 0};
    u64 n = sv_draw_world(f, 0, &g, nullptr, &fr);
    ASSERT_GE(n, 1u);
    ASSERT_GT(cap.stored(), 0u);
    u64 first_clear = cap.stored(), opaque_after = 0, translucent = 0;
    for (u64 i = 0; i < cap.stored(); ++i) {
        const sv_draw_prim& p = cap.at(i);
        if (p.kind == SV_DRAW_FLUSH)
            continue;
        EXPECT_EQ(p.depth_write, p.colour.a == 255 ? 1 : 0);
        if (!p.depth_write) {
            first_clear = std::min(first_clear, i);
            translucent++;
        } else if (first_clear < i) {
            opaque_after++;
        }
    }
    EXPECT_GT(translucent, 0u);
    EXPECT_EQ(opaque_after, 0u);
    EXPECT_EQ(cap.at(cap.stored() - 1).kind, SV_DRAW_FLUSH);
    EXPECT_EQ(cap.rec.flushes, 1u);
    EXPECT_EQ(sv_draw_world(nullptr, 0, &g, nullptr, &fr), 0u);
}

// Telegraphs: a melee wind-up fills its arc in segments of at most 6 degrees, the active phase
// only behind the blade, recovery shows nothing; a ranged wind-up shows its marker, its active
// phase nothing.
TEST_F(DrawVisit, TelegraphsFollowTheStrike)
{
    hand_floor h(1);
    sv_floor_add_room(&h.f, SV_TAG_SPAWN);
    sv_action act;
    std::memset(&act, 0, sizeof act);
    act.reach = 2.0f;
    act.arc = 60.0f;
    act.sweep = -1;
    act.windup = 0.5f;
    act.active = 0.5f;
    act.recovery = 0.5f;
    sv_body body = mob_body(&act);
    ASSERT_EQ(sv_floor_add_mob(&h.f, 0, 0, 0, 0, &body, 4u << 8, "square", 0), 0);
    sv_mob* m = &h.f.mobs[0];
    Vector3 at = {0, 0, 0};
    draw_capture cap;
    m->phase = 1;
    m->phase_ticks = sv_sim_ticks(0.25f);
    draw_blow(nullptr, nullptr, m, &at);
    EXPECT_EQ(cap.count(SV_DRAW_LINE, PALETTE.amber), 10u + 2u); // arc segments and sides
    EXPECT_EQ(cap.count(SV_DRAW_TRI, Color {255, 200, 60, 70}), 10u * 4u);
    m->phase = 2;
    m->phase_ticks = sv_sim_ticks(0.5f) / 2;
    cap.clear();
    draw_blow(nullptr, nullptr, m, &at);
    u64 swept = cap.count(SV_DRAW_TRI, Color {255, 255, 255, 110});
    EXPECT_GT(swept, 0u);
    EXPECT_LT(swept, 10u * 4u);
    EXPECT_EQ(cap.count(SV_DRAW_LINE, Color {255, 255, 255, 255}), 1u); // the blade
    m->phase = 3;
    cap.clear();
    draw_blow(nullptr, nullptr, m, &at);
    EXPECT_EQ(cap.rec.count, 0u);

    m->body.actions[0].speed = 8.0f; // the floor keeps its own copy of the actions
    m->phase = 1;
    m->phase_ticks = 3;
    cap.clear();
    draw_blow(nullptr, nullptr, m, &at);
    EXPECT_EQ(cap.count(SV_DRAW_LINE, PALETTE.amber), 12u);
    m->phase = 2;
    cap.clear();
    draw_blow(nullptr, nullptr, m, &at);
    EXPECT_EQ(cap.rec.count, 0u);
}

namespace {

// How many wall-coloured triangles hold point p (on their plane within 1 mm, inside the edges).
u64 walls_holding(const draw_capture& cap, Vector3 p)
{
    u64 n = 0;
    for (u64 i = 0; i < cap.stored(); ++i) {
        const sv_draw_prim& t = cap.at(i);
        if (t.kind != SV_DRAW_TRI || !same_colour(t.colour, PALETTE.wall_col))
            continue;
        Vector3 a = t.p[0], b = t.p[1], c = t.p[2];
        Vector3 u = {b.x - a.x, b.y - a.y, b.z - a.z}, v = {c.x - a.x, c.y - a.y, c.z - a.z};
        Vector3 nrm = {u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x};
        f32 len = std::sqrt(nrm.x * nrm.x + nrm.y * nrm.y + nrm.z * nrm.z);
        if (!(len > 1e-9f))
            continue;
        Vector3 w = {p.x - a.x, p.y - a.y, p.z - a.z};
        if (std::fabs((w.x * nrm.x + w.y * nrm.y + w.z * nrm.z) / len) > 1e-3f)
            continue;
        // Barycentric coordinates from the two edge vectors.
        f32 uu = u.x * u.x + u.y * u.y + u.z * u.z, vv = v.x * v.x + v.y * v.y + v.z * v.z;
        f32 uv = u.x * v.x + u.y * v.y + u.z * v.z;
        f32 wu = w.x * u.x + w.y * u.y + w.z * u.z, wv = w.x * v.x + w.y * v.y + w.z * v.z;
        f32 den = uu * vv - uv * uv;
        f32 s = (vv * wu - uv * wv) / den, r = (uu * wv - uv * wu) / den;
        if (s >= -1e-4f && r >= -1e-4f && s + r <= 1.0f + 1e-4f)
            ++n;
    }
    return n;
}

} // namespace

// The walls of a room with three doors, the first two open to sight, sampled over every
// edge from floor to ceiling: a point is wall unless it lies in an open doorway (jamb to jamb,
// sill to lintel) on that door's own edge; the closed door's wall stands whole.
TEST_F(DrawVisit, OpenDoorwaysAreGapsInTheirOwnWallEdges)
{
    hand_floor h(4);
    ASSERT_EQ(sv_floor_add_room(&h.f, SV_TAG_SPAWN), 0);
    for (u16 r = 1; r <= 3; ++r) {
        ASSERT_EQ(sv_floor_add_room(&h.f, 0), r);
        ASSERT_GE(sv_floor_link(&h.f, 0, r, SV_DOOR_NORMAL), 0);
    }
    sv_geom g;
    sv_geom_build(&g, &h.f, 0);
    ASSERT_EQ(g.opening_count, 3);
    sv_visit v = own_visit(0, &g);
    v.open_mask = 1u | 2u;
    // One open sill is raised (a wall piece under it), one sunken.
    ASSERT_GT(std::fmax(g.openings[0].rise, g.openings[1].rise), 0.0f);
    ASSERT_LT(std::fmin(g.openings[0].rise, g.openings[1].rise), 0.0f);
    draw_capture cap;
    draw_visit(&v, &h.f);

    const i32 ALONG = 24, UP = 12;
    u64 gaps = 0;
    for (u8 i = 0; i < g.vertex_count; ++i) {
        Vector2 a = g.vertices[i], b = g.vertices[(i + 1) % g.vertex_count];
        for (i32 m = 0; m < ALONG; ++m) {
            f32 u = ((f32)m + 0.5f) / (f32)ALONG;
            Vector2 p = {a.x + u * (b.x - a.x), a.y + u * (b.y - a.y)};
            for (i32 n = 0; n < UP; ++n) {
                f32 y = g.floor_y + ((f32)n + 0.5f) / (f32)UP * (g.ceiling_y - g.floor_y);
                // In an open doorway on this edge, or within 2 cm of one's frame (not judged).
                i32 in_gap = 0;
                for (u8 k = 0; k < g.opening_count; ++k) {
                    const sv_opening* o = &g.openings[k];
                    if (o->wall_edge != i || !((v.open_mask >> k) & 1u))
                        continue;
                    f32 s = (p.x - o->centre.x) * o->tangent.x + (p.y - o->centre.y) * o->tangent.y;
                    f32 in_x = o->width / 2.0f - std::fabs(s);
                    f32 in_y = std::fmin(y - (g.floor_y + o->rise), g.floor_y + o->top - y);
                    f32 inside = std::fmin(in_x, in_y);
                    if (std::fabs(inside) < 0.02f)
                        in_gap = -1;
                    else if (inside > 0.0f)
                        in_gap = 1;
                }
                if (in_gap < 0)
                    continue;
                gaps += in_gap;
                EXPECT_EQ(walls_holding(cap, {p.x, y, p.y}) > 0, in_gap == 0)
                    << "edge " << (int)i << " at " << u << " height " << y - g.floor_y;
            }
        }
    }
    EXPECT_GT(gaps, 20u); // both open doorways were sampled
}

// A world pass sends exactly what its visits draw, opaque primitives in the order drawn and then
// the translucent ones in the order drawn, then one flush: nothing lost, doubled or reordered.
TEST_F(DrawVisit, AWorldPassHoldsBackOnlyTheTranslucentInTheirOrder)
{
    sv_floor* f = gen(4471, 3);
    ASSERT_NE(f, nullptr);
    sv_geom g;
    sv_geom_build(&g, f, 0);
    sv_body body = mob_body();
    ASSERT_GE(sv_floor_add_mob(f, 0, 1, 0, 0, &body, 6u << 8, "hexagon", 0), 0);
    ASSERT_GE(sv_floor_add_mob(f, 0, -1, 1, 0, &body, 12u << 8, "dodecagon", 0), 0);
    Vector3 eye = {-2, g.floor_y + 1.6f, 0};
    sv_draw_frame fr = {eye, eye, 0, 0.25};

    // The visits drawn one after another with nothing held back.
    draw_capture direct;
    sv_draw_set_frame(&fr);
    u64 visits = sv_portal_walk(f, 0, &g, &eye, nullptr, draw_visit, f);
    ASSERT_GE(visits, 2u);
    std::vector<sv_draw_prim> expected;
    for (int pass = 0; pass < 2; ++pass)
        for (u64 i = 0; i < direct.stored(); ++i)
            if ((direct.at(i).colour.a == 255) == (pass == 0))
                expected.push_back(direct.at(i));
    ASSERT_EQ(direct.stored(), direct.rec.count);
    // The test means something only when the plain walk mixes the two.
    u64 first_clear = direct.stored(), opaque_after = 0;
    for (u64 i = 0; i < direct.stored(); ++i) {
        if (direct.at(i).colour.a < 255)
            first_clear = std::min(first_clear, i);
        else if (i > first_clear)
            ++opaque_after;
    }
    ASSERT_GT(opaque_after, 0u);
    ASSERT_LT(first_clear, direct.stored());
    direct.clear();

    draw_capture world;
    EXPECT_EQ(sv_draw_world(f, 0, &g, nullptr, &fr), visits);
    ASSERT_EQ(world.stored(), expected.size() + 1);
    for (u64 i = 0; i < expected.size(); ++i)
        ASSERT_EQ(std::memcmp(&world.at(i), &expected[i], sizeof expected[i]), 0)
            << "primitive " << i;
    EXPECT_EQ(world.at(expected.size()).kind, SV_DRAW_FLUSH);

    // A second pass sends the same again: nothing held over from the first.
    world.clear();
    sv_draw_world(f, 0, &g, nullptr, &fr);
    EXPECT_EQ(world.stored(), expected.size() + 1);
    // Past the pass a translucent triangle (the held weapon's) goes out at once.
    world.clear();
    Vector3 a = {0, 0, 0}, b = {1, 0, 0}, c = {0, 1, 0};
    draw_tri(nullptr, &a, &b, &c, Color {255, 255, 255, 70});
    EXPECT_EQ(world.rec.tris, 1u);
}

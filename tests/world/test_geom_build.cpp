// Building places: corridor pieces, rooms with their openings and ramps, and interiors.
#include <gtest/gtest.h>

#include "world/world_util.h"

namespace {

struct BuildTest : ::testing::Test {
    sv_geom g;
    void SetUp() override { sv_tune_reset_defaults(); }
    void TearDown() override { sv_tune_reset_defaults(); }
};

// The generator of an interior, seeded as the interior generator seeds its own.
sv_rng interior_rng(const sv_floor* f, u16 place, u8 draw)
{
    u64 key = (((u64)place << 8) | draw) ^ 0x1A7E210B5A1FULL;
    sv_rng rng;
    sv_rng_seed(&rng,
                sv_mix64((key * 0x9E3779B97F4A7C15ULL)
                         ^ sv_stream_seed(f->seed, f->floor_number, SV_STREAM_GEOMETRY)));
    return rng;
}

// Draws a Poisson count as the generator does: stops at the cap.
u32 poisson(sv_rng* rng, f64 lambda, u32 cap)
{
    f64 limit = std::exp(-lambda), p = 1.0;
    u32 k = 0;
    while (k < cap) {
        p *= sv_rng_f64(rng);
        if (p <= limit)
            break;
        ++k;
    }
    return k;
}

// True when the fixture is the regular polygon that one of the next 12 attempts would give.
bool from_attempts(sv_rng rng, const sv_fixture* fx, f32 lo, f32 hi, f32 size, u32 sides)
{
    for (int attempt = 0; attempt < 12; ++attempt) {
        f32 a = (f32)sv_rng_f64(&rng) * 6.2831855f;
        f32 r = lo + (f32)sv_rng_f64(&rng) * (hi - lo);
        f32 rot = (f32)sv_rng_f64(&rng) * 6.2831855f;
        f32 cx = r * std::cos(a), cz = r * std::sin(a);
        f32 x0 = cx + size * std::cos(rot), z0 = cz + size * std::sin(rot);
        if (fx->vertex_count == sides && fx->polygon[0].x == x0 && fx->polygon[0].y == z0)
            return true;
    }
    return false;
}

} // namespace

TEST_F(BuildTest, CorridorPieces)
{
    world_floor wf(4471, 2);
    sv_floor* f = &wf.f;
    ASSERT_GT(f->passage_count, 3);
    for (u16 s = 0; s < f->passage_count; ++s) {
        const sv_passage* p = &f->passages[s];
        for (u16 j = 0; j < p->piece_count; ++j) {
            sv_geom_build(&g, f, (u16)(p->first_place + j));
            ASSERT_EQ(g.vertex_count, 4);
            ASSERT_EQ(g.opening_count, 2);
            EXPECT_EQ(g.interior, SV_INTERIOR_BARE);
            EXPECT_EQ(g.first_dais, SV_NO_DAIS);
            const sv_passage_piece* pc = &p->pieces[j];
            f32 w = pc->kind == SV_PIECE_STEP ? 1.6f : p->width;
            EXPECT_FLOAT_EQ(g.vertices[2].x, pc->length / 2);
            EXPECT_FLOAT_EQ(g.vertices[2].y, w / 2);
            EXPECT_EQ(g.openings[0].wall_edge, 3);
            u8 far = pc->kind != SV_PIECE_BEND ? 1 : (pc->turn == 1 ? 0 : 2);
            EXPECT_EQ(g.openings[1].wall_edge, far);
            if (p->piece_count == 1) { // a door step: door-sized at both ends
                EXPECT_EQ(g.openings[0].width, 1.6f);
                EXPECT_EQ(g.openings[1].width, 1.6f);
                EXPECT_EQ(g.openings[1].top, 2.6f);
            }
            if (j > 0) { // 0.02 narrower than the narrower piece, as high as the lower
                f32 w0 = p->pieces[j - 1].kind == SV_PIECE_STEP ? 1.6f : p->width;
                f32 h0 = p->pieces[j - 1].kind == SV_PIECE_STEP ? 2.6f : 3.2f;
                f32 h = pc->kind == SV_PIECE_STEP ? 2.6f : 3.2f;
                EXPECT_FLOAT_EQ(g.openings[0].width, std::fmin(w0, w) - 0.02f);
                EXPECT_FLOAT_EQ(g.openings[0].top, std::fmin(h0, h));
            }
            // Each opening's foot lies 0.25 inside its wall.
            for (int k = 0; k < 2; ++k)
                EXPECT_EQ(sv_geom_contains(&g, g.openings[k].foot), 1);
        }
    }
}

TEST_F(BuildTest, AnIdThatIsNoPlaceLeavesTheBufferAlone)
{
    world_floor wf(4471, 2);
    memset(&g, 0xAB, sizeof g);
    sv_geom_build(&g, &wf.f, wf.f.place_count);
    sv_geom_build(&g, &wf.f, SV_NONE16);
    sv_geom_build(nullptr, &wf.f, 0);
    sv_geom_build(&g, nullptr, 0);
    const u8* bytes = (const u8*)&g;
    for (size_t i = 0; i < sizeof g; ++i)
        ASSERT_EQ(bytes[i], 0xAB);
}

TEST_F(BuildTest, RoomsOpenOnTheirSlotsWithRampsInwards)
{
    world_floor wf(77, 3);
    sv_floor* f = &wf.f;
    for (u16 r = 0; r < f->room_count; ++r) {
        sv_geom_build(&g, f, r);
        ASSERT_GE(g.vertex_count, 6);
        ASSERT_LE(g.vertex_count, 12);
        EXPECT_EQ(g.opening_count, f->rooms[r].door_count);
        for (u8 k = 0; k < g.opening_count; ++k) {
            const sv_opening* o = &g.openings[k];
            EXPECT_EQ(o->wall_edge, g.vertex_count * SLOT_SPREAD[k] / 6);
            Vector2 in {o->centre.x + 0.05f * std::cos(o->yaw),
                        o->centre.y + 0.05f * std::sin(o->yaw)};
            EXPECT_EQ(sv_geom_contains(&g, in), 1) << "room " << r << " door " << (int)k;
            EXPECT_TRUE(o->rise == 0.0f || std::fabs(o->rise) >= 0.001f);
            EXPECT_FLOAT_EQ(o->top, 2.6f + o->rise);
            if (!o->bench_sill) { // ramp sides: flat at the foot, spanning the sill at the door
                const sv_face* left = &g.ramp_sides[k][0];
                EXPECT_EQ(left->top0, 0.0f);
                EXPECT_EQ(left->bottom1, std::fmin(o->rise, 0.0f));
                EXPECT_EQ(left->top1, std::fmax(o->rise, 0.0f));
                EXPECT_EQ(left->treads, o->treads);
            }
        }
    }
    // A room without doors has no openings and no ramp sides, but its polygon and props.
    sv_room* room = &f->rooms[0];
    u8 saved = room->door_count;
    room->door_count = 0;
    sv_geom_build(&g, f, 0);
    room->door_count = saved;
    EXPECT_EQ(g.opening_count, 0);
    sv_face zero;
    memset(&zero, 0, sizeof zero);
    EXPECT_EQ(memcmp(&g.ramp_sides[0][0], &zero, sizeof zero), 0);
    EXPECT_GE(g.vertex_count, 6);
}

TEST_F(BuildTest, ASillUnderAThousandthIsExactlyZero)
{
    sv_tune_set_by_name("geom.sill_max", 0.0);
    world_floor wf(5, 2);
    for (u16 r = 0; r < wf.f.room_count; ++r) {
        sv_geom_build(&g, &wf.f, r);
        for (u8 k = 0; k < g.opening_count; ++k) {
            if (g.openings[k].bench_sill)
                continue;
            f32 zero = 0.0f;
            EXPECT_EQ(memcmp(&g.openings[k].rise, &zero, sizeof zero), 0); // +0, never -0
            EXPECT_EQ(g.openings[k].treads, 0);
            EXPECT_EQ(sv_geom_slope(&g, k), 0.0f);
        }
    }
}

TEST_F(BuildTest, BareRoomHasPropsOnly)
{
    world_floor wf(9, 2);
    wf.f.rooms[1].interior = SV_INTERIOR_BARE;
    sv_geom_build(&g, &wf.f, 1);
    EXPECT_EQ(g.fixture_count, 0);
    EXPECT_EQ(g.interior, SV_INTERIOR_BARE);
    EXPECT_EQ(sv_geom_interior_signature(&g), 0u);
    f32 rp = std::fmin(g.radius / 3.0f, 1.2f);
    EXPECT_EQ(g.props[0].x, 0.0f);
    EXPECT_FLOAT_EQ(g.props[1].x, rp);
    EXPECT_FLOAT_EQ(g.props[2].z, 0.8660254f * rp);
    EXPECT_EQ(g.props[3].y, g.floor_y);
}

TEST_F(BuildTest, SignatureCountsColumnsBlocksBenchesAndTheDais)
{
    memset(&g, 0, sizeof g);
    EXPECT_EQ(sv_geom_interior_signature(nullptr), 0u);
    EXPECT_EQ(sv_geom_interior_signature(&g), 0u);
    g.fixture_count = 4;
    g.fixtures[0].kind = SV_FIXTURE_DAIS;
    g.fixtures[0].top = -0.45f; // a pit
    g.fixtures[1].kind = SV_FIXTURE_DAIS_TIER;
    g.fixtures[2].kind = SV_FIXTURE_COLUMN;
    g.fixtures[3].kind = SV_FIXTURE_COLUMN;
    EXPECT_EQ(sv_geom_interior_signature(&g), 10u);
    g.fixtures[0].top = 0.45f;
    g.fixtures[1].kind = SV_FIXTURE_BENCH;
    g.fixture_count = 5;
    g.fixtures[4].kind = SV_FIXTURE_BLOCK;
    EXPECT_EQ(sv_geom_interior_signature(&g), (2u << 2 | 1u << 6 | 1u << 10 | 1u));
}

TEST_F(BuildTest, NoDensityNoFurniture)
{
    sv_tune_set_by_name("interior.columns", 0.0);
    sv_tune_set_by_name("interior.blocks", 0.0);
    sv_tune_set_by_name("interior.benches", 0.0);
    world_floor wf(31, 2);
    for (u16 r = 0; r < wf.f.room_count; ++r)
        for (u8 d = 0; d < 8; ++d) {
            wf.f.rooms[r].interior = d;
            sv_geom_build(&g, &wf.f, r);
            EXPECT_LT(sv_geom_interior_signature(&g), 4u); // a dais at most
            EXPECT_EQ(g.interior, d);
        }
}

// A steep growth curve makes the density infinite; it counts as none, not as the most.
TEST_F(BuildTest, NonFiniteDensityCountsAsNone)
{
    sv_tune_set_by_name("interior.density_growth", 5.0); // exponential
    sv_tune_set_by_name("interior.density_growth_rate", 5.0);
    sv_floor f {};
    sv_floor_init(&f, 1000, 12, 4);
    sv_floor_add_room(&f, 0);
    f.rooms[0].radius_scale = 2.0f;
    for (u8 d = 0; d < 8; ++d) {
        f.rooms[0].interior = d;
        sv_geom_build(&g, &f, 0);
        EXPECT_LT(sv_geom_interior_signature(&g), 4u);
    }
    sv_floor_free(&f);
}

// The draws of an interior come in a fixed order: the dais chance always, a Poisson count
// that stops drawing at its cap, no draw for a kind whose rate is 0, three draws per attempt,
// and none for an item whose distance range is empty.
TEST_F(BuildTest, InteriorDrawOrder)
{
    sv_tune_set_by_name("interior.dais_chance", 0.0);
    sv_tune_set_by_name("interior.benches", 0.0);
    sv_floor f {};
    sv_floor_init(&f, 2, 99, 4);
    sv_floor_add_room(&f, 0);
    f.rooms[0].radius_scale = 2.5f;
    f.rooms[0].interior = 3;
    f32 pr = 0.4f, c = 0.2f + 2 * pr, s = 0.15f;

    // Columns at their cap of 6 (a huge rate), then blocks.
    sv_tune_set_by_name("interior.columns", 20.0);
    sv_tune_set_by_name("interior.blocks", 0.0);
    sv_geom_build(&g, &f, 0);
    ASSERT_GE(g.fixture_count, 1);
    ASSERT_EQ(g.fixtures[0].kind, SV_FIXTURE_COLUMN);
    sv_rng rng = interior_rng(&f, 0, 3);
    sv_rng_f64(&rng); // the dais chance
    EXPECT_EQ(poisson(&rng, 20.0 * 2.5 * 2.5, 6), 6u);
    f32 R = g.radius, rp = 1.2f, size = 0.4f;
    EXPECT_TRUE(
        from_attempts(rng, &g.fixtures[0], rp + pr + size + c, R * (1 - s) - size - c, size, 6));

    // No columns: the block count follows the dais chance straight away.
    sv_tune_set_by_name("interior.columns", 0.0);
    sv_tune_set_by_name("interior.blocks", 3.0);
    sv_geom_build(&g, &f, 0);
    ASSERT_GE(g.fixture_count, 1);
    ASSERT_EQ(g.fixtures[0].kind, SV_FIXTURE_BLOCK);
    rng = interior_rng(&f, 0, 3);
    sv_rng_f64(&rng);
    poisson(&rng, 3.0 * 2.5 * 2.5, 6);
    f32 bs = 1.2f * 0.5f * 1.4142f;
    EXPECT_TRUE(from_attempts(rng, &g.fixtures[0], rp + pr + bs + c, R * (1 - s) - bs - c, bs, 4));

    // Columns too wide for the room are given up before any attempt is drawn.
    sv_tune_set_by_name("interior.columns", 20.0);
    sv_tune_set_by_name("interior.column_radius", 5.0);
    f.rooms[0].radius_scale = 1.5f;
    sv_geom_build(&g, &f, 0);
    ASSERT_GE(g.fixture_count, 1);
    ASSERT_EQ(g.fixtures[0].kind, SV_FIXTURE_BLOCK);
    R = g.radius;
    rng = interior_rng(&f, 0, 3);
    sv_rng_f64(&rng);
    poisson(&rng, 20.0 * 1.5 * 1.5, 6);
    poisson(&rng, 3.0 * 1.5 * 1.5, 6);
    EXPECT_TRUE(from_attempts(rng, &g.fixtures[0], rp + pr + bs + c, R * (1 - s) - bs - c, bs, 4));
    sv_floor_free(&f);
}

// Benches and daises of scaled rooms: pit faces run from the lower to the higher height, a
// bench over a real door becomes its sill with collapsed ramp sides, and bench tops whose wall
// corners fall just outside the walls by rounding are still laid.
TEST_F(BuildTest, BenchSillsPitsAndWallLineCorners)
{
    u32 sills = 0, pits = 0, rounded_out = 0;
    f32 bench_h = 0.5f, depth = 1.2f;
    for (u64 seed = 1; seed <= 40; ++seed) {
        world_floor wf(seed, 2);
        for (u16 r = 0; r < wf.f.room_count; ++r) {
            wf.f.rooms[r].radius_scale = 1.8f;
            for (u8 d = 0; d < 8; ++d) {
                wf.f.rooms[r].interior = d;
                sv_geom_build(&g, &wf.f, r);
                for (u32 k = 0; k < g.fixture_count; ++k) {
                    const sv_fixture* fx = &g.fixtures[k];
                    for (u32 i = 0; i < fx->face_count; ++i) {
                        EXPECT_LE(fx->faces[i].bottom0, fx->faces[i].top0);
                        EXPECT_LE(fx->faces[i].bottom1, fx->faces[i].top1);
                    }
                    if (fx->kind == SV_FIXTURE_DAIS && fx->top < 0.0f)
                        ++pits;
                    if (fx->kind == SV_FIXTURE_BENCH
                        && (!sv_geom_contains(&g, fx->polygon[0])
                            || !sv_geom_contains(&g, fx->polygon[1])))
                        ++rounded_out;
                }
                for (u8 k = 0; k < g.opening_count; ++k) {
                    const sv_opening* o = &g.openings[k];
                    if (!o->bench_sill)
                        continue;
                    ++sills;
                    EXPECT_EQ(o->rise, bench_h);
                    EXPECT_EQ(o->treads, 0);
                    EXPECT_FLOAT_EQ(o->top, 2.6f + bench_h);
                    EXPECT_NEAR(std::hypot(o->foot.x - o->centre.x, o->foot.y - o->centre.y), depth,
                                1e-4f);
                    for (int side = 0; side < 2; ++side) {
                        const sv_face* rs = &g.ramp_sides[k][side];
                        EXPECT_EQ(rs->p0.x, rs->p1.x);
                        EXPECT_EQ(rs->p0.y, rs->p1.y);
                        EXPECT_EQ(rs->top0 + rs->top1 + rs->bottom0 + rs->bottom1, 0.0f);
                        EXPECT_EQ(rs->treads, 0);
                    }
                    // Just inside the door the ground is the bench, not the ramp.
                    f32 x = o->centre.x + 0.3f * std::cos(o->yaw);
                    f32 z = o->centre.y + 0.3f * std::sin(o->yaw);
                    u16 face = 0;
                    EXPECT_FLOAT_EQ(sv_geom_ground_on(&g, x, z, &face), g.floor_y + bench_h);
                    EXPECT_GE(face, SV_GROUND_SLOPE);
                }
            }
        }
    }
    printf("bench sills %u, pits %u, bench tops with a wall corner rounded outside %u\n", sills,
           pits, rounded_out);
    EXPECT_GT(sills, 0u);
    EXPECT_GT(pits, 0u);
    EXPECT_GT(rounded_out, 0u);
}

// The simulation clock, body collision against walls, door planes and fixtures, settling, and
// the door admission rule.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/tune.h"
#include "floor/floor.h"
#include "test_nav_util.h"
#include "world/body.h"

namespace {

struct BodyTest : ::testing::Test {
    sv_geom g;
    void SetUp() override
    {
        sv_tune_reset_defaults();
        box_geom(&g, -5.0f, -5.0f, 5.0f, 5.0f);
    }
    void TearDown() override { sv_tune_reset_defaults(); }
};

TEST_F(BodyTest, TicksFromSeconds)
{
    EXPECT_DOUBLE_EQ(sv_sim_dt(), 1.0 / 60.0);
    const struct {
        f32 seconds;
        u32 ticks;
    } table[] = {
        {0.0f, 0},
        {-1.0f, 0},
        {std::numeric_limits<f32>::quiet_NaN(), 0},
        {-std::numeric_limits<f32>::infinity(), 0},
        {0.001f, 1},
        {1.0f, 60},
        {0.025f, 2},
        {1e30f, 4294967295u},
        {std::numeric_limits<f32>::infinity(), 4294967295u},
    };
    for (const auto& row : table)
        EXPECT_EQ(sv_sim_ticks(row.seconds), row.ticks) << row.seconds;
    sv_tune_set_by_name("sim.tick_hz", 240);
    EXPECT_EQ(sv_sim_ticks(1.0f), 240u);
}

// Edge 0 runs along x = 5 from z = -5 to 5; its door is 1.6 wide at z = 0, facing -x inward.
TEST_F(BodyTest, DoorPlaneStopsABodyInsideItsLineUnlessIgnored)
{
    u8 door = add_door(&g, 0, 1.6f);
    const struct {
        f32 x, z;
        u8 ignored;
        f32 want_x, want_z;
    } table[] = {
        {5.2f, 0.0f, 255, 4.99f, 0.0f},   // beyond the line, in the gap: back 0.01 inside
        {4.995f, 0.3f, 255, 4.99f, 0.3f}, // within the line's 0.01 band, clear of the jamb
        {4.5f, 0.0f, 255, 4.5f, 0.0f},    // well inside: untouched
        {5.2f, 0.0f, 0, 5.2f, 0.0f},      // door ignored: passes through the gap
        {5.2f, 0.6f, 0, 5.2f, 0.6f},      // 0.2 from the jamb's end, radius 0.4 -> pushed below
    };
    for (const auto& row : table) {
        f32 x = row.x, z = row.z;
        if (row.ignored == 255)
            sv_player_collide(&g, &x, &z, 0.4f, 0.0f, 0.45f);
        else
            sv_player_collide_beyond(&g, door, &x, &z, 0.4f, 0.0f, 0.45f);
        if (row.ignored == 0 && row.z == 0.6f) {
            // The jamb (5, 0.8) pushes the body out to 0.4 from it.
            f32 d = sqrtf((x - 5.0f) * (x - 5.0f) + (z - 0.8f) * (z - 0.8f));
            EXPECT_NEAR(d, 0.4f, 1e-4f);
            EXPECT_LT(z, 0.6f);
            continue;
        }
        EXPECT_NEAR(x, row.want_x, 1e-5f) << row.x << "," << row.z;
        EXPECT_NEAR(z, row.want_z, 1e-5f) << row.x << "," << row.z;
    }
}

TEST_F(BodyTest, WallPiecesPushOutToTheRadius)
{
    // Near a wall: out along the wall's normal.
    f32 x = 4.8f, z = 2.0f;
    sv_player_collide(&g, &x, &z, 0.4f, 0.0f, 0.45f);
    EXPECT_NEAR(x, 4.6f, 1e-5f);
    EXPECT_NEAR(z, 2.0f, 1e-5f);
    // Exactly on the wall: first toward the origin by the radius, then out along the normal.
    x = 5.0f;
    z = 2.0f;
    sv_player_collide(&g, &x, &z, 0.4f, 0.0f, 0.45f);
    EXPECT_NEAR(x, 4.6f, 1e-5f);
    EXPECT_NEAR(z, 2.0f - 0.4f * 2.0f / sqrtf(29.0f), 1e-5f);
    // In a corner: both walls.
    x = 4.9f;
    z = 4.9f;
    sv_player_collide(&g, &x, &z, 0.4f, 0.0f, 0.45f);
    EXPECT_NEAR(x, 4.6f, 1e-5f);
    EXPECT_NEAR(z, 4.6f, 1e-5f);
    // Null arguments change nothing.
    x = 4.9f;
    sv_player_collide(nullptr, &x, &z, 0.4f, 0.0f, 0.45f);
    sv_player_collide(&g, &x, nullptr, 0.4f, 0.0f, 0.45f);
    EXPECT_EQ(x, 4.9f);
}

// A body of radius 0.4 whose centre is 0.2 in front of a fixture face at x = 1.
TEST_F(BodyTest, StepOverTruthTable)
{
    const struct {
        f32 top;
        u8 standable;
        f32 feet;
        bool blocks;
    } table[] = {
        {0.30f, 1, 0.0f, false},   // a low bench: stepped over
        {0.4505f, 1, 0.0f, false}, // within the step height plus 0.001
        {0.46f, 1, 0.0f, true},    // just above
        {0.9f, 1, 0.5f, false},    // from a raised standing point, within the step
        {1.0f, 0, 0.0f, true},     // a block
        {0.3f, 0, 0.0f, true},     // a low block too
        {1.0f, 0, 0.6f, true},     // a block, even within the step: nothing stands on it
    };
    for (const auto& row : table) {
        box_geom(&g, -5.0f, -5.0f, 5.0f, 5.0f);
        add_box(&g, 1.0f, -1.0f, 3.0f, 1.0f, row.top, row.standable);
        f32 x = 0.8f, z = 0.0f;
        sv_player_collide(&g, &x, &z, 0.4f, row.feet, 0.45f);
        if (row.blocks) {
            EXPECT_NEAR(x, 0.6f, 1e-5f) << row.top;
        } else {
            EXPECT_EQ(x, 0.8f) << row.top;
        }
        EXPECT_EQ(z, 0.0f);
    }
}

// A door's ramp of run 3 rising 1.2 into the room: its sides hold off a body on the floor where
// they stand more than a step high, are stepped over near the foot, and never hold off a body
// standing on the ramp.
TEST_F(BodyTest, RampSidesHoldOffTheFloorOnlyWhereTheyRiseOverAStep)
{
    u8 k = add_door(&g, 3, 1.6f); // in the wall at z = -5
    sv_opening* o = &g.openings[k];
    o->foot = Vector2 {0.0f, -2.0f};
    o->rise = 1.2f;
    for (u8 side = 0; side < 2; ++side) {
        f32 x = side ? 0.8f : -0.8f;
        sv_face* f = &g.ramp_sides[k][side];
        f->p0 = Vector2 {x, -2.0f};
        f->p1 = Vector2 {x, -5.0f};
        f->top1 = o->rise;
    }
    const f32 r = 0.4f, step = 0.45f;
    struct {
        f32 x, z;
        bool on_ramp;
        f32 expect_x;
    } table[] = {
        {-1.1f, -4.5f, false, -1.2f}, // the side 1.0 high: held off
        {1.1f, -4.0f, false, 1.2f},   // the other side, 0.8 high
        {-1.1f, -2.3f, false, -1.1f}, // 0.12 high near the foot: stepped over
        {-0.6f, -4.5f, true, -0.6f},  // on the ramp beside its own side
        {0.6f, -3.5f, true, 0.6f},
    };
    for (const auto& row : table) {
        f32 x = row.x, z = row.z;
        f32 feet = row.on_ramp ? sv_geom_ground(&g, x, z) : 0.0f;
        if (row.on_ramp) {
            EXPECT_GT(feet, 0.4f) << row.x << ", " << row.z;
        }
        sv_player_collide(&g, &x, &z, r, feet, step);
        EXPECT_NEAR(x, row.expect_x, 1e-5f) << row.x << ", " << row.z;
        EXPECT_EQ(z, row.z);
    }
}

TEST_F(BodyTest, BodyInsideASolidGoesToTheNearestOutline)
{
    add_box(&g, -1.0f, -1.0f, 1.0f, 1.0f, 1.0f, 0);
    f32 x = 0.7f, z = 0.1f;
    sv_player_collide(&g, &x, &z, 0.4f, 0.0f, 0.45f);
    // Out past the nearest face (x = 1) away from the footprint's middle, then off the face.
    EXPECT_NEAR(x, 1.4f, 1e-4f);
    EXPECT_NEAR(z, 0.1f + 0.4f * 0.1f / sqrtf(1.01f), 1e-5f);
    // A standable top is never pushed out of from inside; its faces are what block.
    box_geom(&g, -5.0f, -5.0f, 5.0f, 5.0f);
    add_box(&g, -1.0f, -1.0f, 1.0f, 1.0f, 0.3f, 1);
    x = 0.0f;
    z = 0.0f;
    sv_player_collide(&g, &x, &z, 0.4f, 0.3f, 0.45f);
    EXPECT_EQ(x, 0.0f);
    EXPECT_EQ(z, 0.0f);
}

// A body walking off a low top (0.3, stepped over) beside a high one (0.7): on the low top the high
// top's face is a step above its feet and holds nothing off, so the body may stand within its
// radius of it; once off, the feet drop to the floor and that face holds it off from well inside
// the radius. Collided in full it was snapped out 0.18 m in one tick; collided as having moved one
// step, it is eased out over a few, never farther a tick than its step and SV_EASE_SPEED allow.
// A body that walks into the face is held off exactly as before.
TEST_F(BodyTest, ABodyWhoseFeetDropBesideAFaceIsEasedOutNotSnapped)
{
    add_box(&g, 0.0f, -1.0f, 2.0f, 2.0f, 0.3f, 1);
    add_box(&g, 0.0f, 2.0f, 2.0f, 3.0f, 0.7f, 1);
    const f32 r = 0.4f, step = 0.45f, dt = (f32)sv_sim_dt();
    const f32 move = (f32)sv_tune(SV_TUNE_PLAYER_WALK_SPEED) * dt;
    f32 most[2] = {0.0f, 0.0f};
    for (int eased = 0; eased < 2; ++eased) {
        f32 x = 0.3f, z = 1.8f, y = 0.3f, vy = 0.0f;
        u8 air = 0;
        for (int t = 0; t < 30; ++t) {
            f32 to_x = x - move, to_z = z;
            x = to_x;
            if (eased)
                sv_player_collide_moved(&g, &x, &z, r, y, step, move);
            else
                sv_player_collide(&g, &x, &z, r, y, step);
            sv_body_settle(&g, x, z, &y, &vy, &air);
            most[eased] = std::fmax(most[eased], std::hypot(x - to_x, z - to_z));
        }
        EXPECT_EQ(y, 0.0f);
        EXPECT_GE(std::hypot(x, z - 2.0f), r - 1e-4f) << "eased " << eased; // clear of the corner
    }
    EXPECT_GT(most[0], 0.12f);
    EXPECT_LE(most[1], move + SV_EASE_SPEED * dt + 1e-5f);

    for (f32 z0 : {2.5f, 3.2f}) { // into the high top's face, and past its corner
        f32 x = 3.0f, z = z0, fx = 3.0f, fz = z0;
        for (int t = 0; t < 30; ++t) {
            x -= move;
            fx -= move;
            sv_player_collide_moved(&g, &x, &z, r, 0.0f, step, move);
            sv_player_collide(&g, &fx, &fz, r, 0.0f, step);
            ASSERT_EQ(x, fx) << z0 << " tick " << t;
            ASSERT_EQ(z, fz) << z0 << " tick " << t;
        }
        EXPECT_EQ(x > 2.0f + r - 1e-4f, z0 < 3.0f) << z0;
    }
}

TEST_F(BodyTest, SettlingFollowsTheGroundAndFalls)
{
    add_box(&g, 1.0f, -1.0f, 3.0f, 1.0f, 0.3f, 1);
    f32 y = 0.0f, vy = 0.0f;
    u8 air = 0;
    // A step onto a bench lifts the body.
    sv_body_settle(&g, 2.0f, 0.0f, &y, &vy, &air);
    EXPECT_FLOAT_EQ(y, 0.3f);
    EXPECT_EQ(air, 0);
    // 0.4 above the ground snaps down.
    y = 0.4f;
    sv_body_settle(&g, 0.0f, 0.0f, &y, &vy, &air);
    EXPECT_EQ(y, 0.0f);
    EXPECT_EQ(air, 0);
    // 0.5 above: airborne and already falling in the same tick.
    y = 0.5f;
    sv_body_settle(&g, 0.0f, 0.0f, &y, &vy, &air);
    EXPECT_EQ(air, 1);
    f32 dt = (f32)(1.0 / 60.0);
    EXPECT_FLOAT_EQ(vy, -20.0f * dt);
    EXPECT_FLOAT_EQ(y, 0.5f + vy * dt);
    int ticks = 1;
    while (air && ticks < 1000) {
        f32 before = y;
        sv_body_settle(&g, 0.0f, 0.0f, &y, &vy, &air);
        if (air) {
            EXPECT_LT(y, before);
        }
        ++ticks;
    }
    EXPECT_EQ(air, 0);
    EXPECT_EQ(y, 0.0f);
    EXPECT_EQ(vy, 0.0f);
    EXPECT_LT(ticks, 20);
    // Null pointers: nothing moves.
    y = 3.0f;
    sv_body_settle(nullptr, 0.0f, 0.0f, &y, &vy, &air);
    sv_body_settle(&g, 0.0f, 0.0f, &y, nullptr, &air);
    EXPECT_EQ(y, 3.0f);
    EXPECT_EQ(sv_player_ground(&g, 2.0f, 0.0f), 0.3f);
    EXPECT_EQ(sv_player_ground(nullptr, 2.0f, 0.0f), 0.0f);
}

struct AdmitTest : ::testing::Test {
    sv_floor f {};
    void SetUp() override
    {
        sv_tune_reset_defaults();
        sv_floor_init(&f, 2, 4471, 16);
        for (int i = 0; i < 5; ++i)
            sv_floor_add_room(&f, i == 0 ? SV_TAG_SPAWN : 0);
        sv_floor_link(&f, 0, 1, SV_DOOR_NORMAL);                     // room 0 door 0
        sv_floor_link(&f, 0, 2, SV_DOOR_SCION);                      // room 0 door 1
        sv_floor_link(&f, 0, 3, SV_DOOR_AXIOM);                      // room 0 door 2
        sv_floor_add_door(&f, 0, SV_NONE16, SV_NONE8, SV_DOOR_EXIT); // room 0 door 3
        sv_floor_link(&f, 0, 4, SV_DOOR_SHORTCUT);                   // room 0 door 4
        for (u8 d = 1; d < 5; ++d)
            sv_floor_door(&f, 0, d)->locked = 1;
    }
    void TearDown() override { sv_floor_free(&f); }
};

TEST_F(AdmitTest, AdmissionTruthTable)
{
    const struct {
        u8 door;
        u32 shards, prisms;
        u8 want;
    } table[] = {
        {0, 0, 0, 1},                             // an open door
        {1, 0, 0, 0}, {1, 1, 0, 1}, {1, 0, 1, 0}, // scion: a Shard
        {2, 0, 0, 0}, {2, 1, 0, 0}, {2, 0, 1, 1}, // axiom: a Prism
        {3, 0, 0, 0}, {3, 1, 0, 0}, {3, 0, 1, 1}, // locked exit: a Prism
        {4, 1, 1, 0},                             // any other locked kind
        {5, 1, 1, 0},                             // no such door
    };
    for (const auto& row : table)
        EXPECT_EQ(sv_door_admits(&f, 0, row.door, row.shards, row.prisms), row.want)
            << "door " << (int)row.door << " shards " << row.shards << " prisms " << row.prisms;
    // The way back through a locked scion door is locked too.
    EXPECT_EQ(sv_door_admits(&f, 2, 0, 0, 0), 0);
    EXPECT_EQ(sv_door_admits(&f, 2, 0, 1, 0), 1);
    // An unlocked exit admits without a Prism.
    sv_floor_door(&f, 0, 3)->locked = 0;
    EXPECT_EQ(sv_door_admits(&f, 0, 3, 0, 0), 1);
    // A sealed room refuses every door, its exit too; so does a sealed room beyond.
    f.seal[0] |= SV_SEAL_SEALED;
    for (u8 d = 0; d < 5; ++d)
        EXPECT_EQ(sv_door_admits(&f, 0, d, 9, 9), 0);
    EXPECT_EQ(sv_door_admits(&f, 1, 0, 9, 9), 0);
    EXPECT_EQ(sv_door_admits(nullptr, 0, 0, 9, 9), 0);
}

TEST_F(AdmitTest, ACorridorReadsTheDoorAtItsFarEnd)
{
    // Rooms 0 and 2 joined by a two-piece corridor on the scion door (room 0 door 1).
    sv_passage p {};
    p.room_a = 0;
    p.door_a = 1;
    p.room_b = 2;
    p.door_b = 0;
    p.width = 2.4f;
    i32 s = sv_floor_add_passage(&f, &p, 2);
    ASSERT_GE(s, 0);
    u16 first = f.passages[s].first_place;
    EXPECT_EQ(sv_door_admits(&f, 0, 1, 0, 0), 1);         // into the corridor
    EXPECT_EQ(sv_door_admits(&f, first, 1, 0, 0), 1);     // piece to piece
    EXPECT_EQ(sv_door_admits(&f, first + 1, 1, 0, 0), 0); // out into room 2 past the lock
    EXPECT_EQ(sv_door_admits(&f, first + 1, 1, 1, 0), 1);
}

} // namespace

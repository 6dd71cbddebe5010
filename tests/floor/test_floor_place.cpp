#include "floor/floor_fixture.h"

namespace {

i32 passage(sv_floor* f, u16 a, u8 da, u16 b, u8 db, u16 pieces)
{
    sv_passage t {};
    t.room_a = a;
    t.door_a = da;
    t.room_b = b;
    t.door_b = db;
    t.width = 2.0f;
    return sv_floor_add_passage(f, &t, pieces);
}

i32 add_boss(sv_floor* f, u16 room, u8 waiting)
{
    sv_body b {};
    b.hp = 40.0f;
    i32 m = sv_floor_add_mob(f, room, 0, 0, 0, &b, 2, "boss", 1);
    if (m >= 0)
        f->mobs[m].waiting = waiting;
    return m;
}

} // namespace

// Ten rooms; 2.1 and 5.0 joined through a corridor of three pieces.
struct PlaceTest : FloorTest {
    void SetUp() override
    {
        FloorTest::SetUp();
        make(16, 10);
        ASSERT_EQ(sv_floor_link(&f, 2, 0, 0), 1);
        ASSERT_EQ(sv_floor_link(&f, 2, 5, 0), 1); // 2.1 <-> 5.0
        ASSERT_EQ(passage(&f, 2, 1, 5, 0, 3), 0);
    }
};

TEST_F(PlaceTest, PiecesTakeIdsAfterTheRooms)
{
    EXPECT_EQ(f.place_count, 13);
    EXPECT_EQ(f.passages[0].first_place, 10);
    u16 s = 9, k = 9;
    EXPECT_EQ(sv_floor_place_piece(&f, 12, &s, &k), 1);
    EXPECT_EQ(s, 0);
    EXPECT_EQ(k, 2);
    EXPECT_EQ(sv_floor_place_piece(&f, 9, &s, &k), 0);
    EXPECT_EQ(sv_floor_place_piece(&f, 13, nullptr, nullptr), 0);
    EXPECT_EQ(sv_floor_place_valid(&f, 12), 1);
    EXPECT_EQ(sv_floor_place_valid(&f, 9), 1);
    EXPECT_EQ(sv_floor_place_valid(&f, 13), 0);
    EXPECT_EQ(sv_floor_place_valid(&f, SV_NONE16), 0);
    EXPECT_EQ(sv_floor_place_valid(nullptr, 0), 0);
    EXPECT_EQ(sv_floor_passage_of(&f, 2, 1), 0);
    EXPECT_EQ(sv_floor_passage_of(&f, 5, 0), 0);
    EXPECT_EQ(sv_floor_passage_of(&f, 2, 0), -1);

    // A second corridor numbers on from the first.
    ASSERT_EQ(sv_floor_link(&f, 7, 8, 0), 1);
    ASSERT_EQ(passage(&f, 7, 0, 8, 0, 2), 1);
    EXPECT_EQ(f.passages[1].first_place, 13);
    EXPECT_EQ(f.place_count, 15);
    EXPECT_EQ(sv_floor_place_piece(&f, 14, &s, &k), 1);
    EXPECT_EQ(s, 1);
    EXPECT_EQ(k, 1);
}

TEST_F(PlaceTest, StepsThroughTheCorridor)
{
    u16 next = 0, from_room = 0;
    u8 entry = 9, from_door = 9;
    ASSERT_EQ(sv_floor_place_next(&f, 2, 1, &next, &entry, &from_room, &from_door), 1u);
    EXPECT_EQ(next, 10);
    EXPECT_EQ(entry, 0);
    EXPECT_EQ(from_room, SV_NONE16);
    EXPECT_EQ(from_door, 0);

    ASSERT_EQ(sv_floor_place_next(&f, 10, 1, &next, &entry, &from_room, &from_door), 1u);
    EXPECT_EQ(next, 11);
    EXPECT_EQ(entry, 0);
    ASSERT_EQ(sv_floor_place_next(&f, 11, 0, &next, &entry, nullptr, nullptr), 1u);
    EXPECT_EQ(next, 10);
    EXPECT_EQ(entry, 1);

    ASSERT_EQ(sv_floor_place_next(&f, 12, 1, &next, &entry, &from_room, &from_door), 1u);
    EXPECT_EQ(next, 5);
    EXPECT_EQ(entry, 0);
    EXPECT_EQ(from_room, 2);
    EXPECT_EQ(from_door, 1);

    ASSERT_EQ(sv_floor_place_next(&f, 10, 0, &next, &entry, &from_room, &from_door), 1u);
    EXPECT_EQ(next, 2);
    EXPECT_EQ(entry, 1);
    EXPECT_EQ(from_room, 5);
    EXPECT_EQ(from_door, 0);

    // From end B the corridor is entered at its last piece.
    ASSERT_EQ(sv_floor_place_next(&f, 5, 0, &next, &entry, &from_room, &from_door), 1u);
    EXPECT_EQ(next, 12);
    EXPECT_EQ(entry, 1);

    // A door without a corridor leads straight to its target.
    ASSERT_EQ(sv_floor_place_next(&f, 2, 0, &next, &entry, &from_room, &from_door), 1u);
    EXPECT_EQ(next, 0);
    EXPECT_EQ(entry, 0);
    EXPECT_EQ(from_room, 2);
    EXPECT_EQ(from_door, 0);
}

TEST_F(PlaceTest, NoStepThroughExitsBadDoorsOrBadPlaces)
{
    ASSERT_EQ(sv_floor_add_door(&f, 5, SV_NONE16, SV_NONE8, SV_DOOR_EXIT), 1);
    u16 next = 7, from_room = 7;
    u8 entry = 7, from_door = 7;
    EXPECT_EQ(sv_floor_place_next(&f, 5, 1, &next, &entry, &from_room, &from_door), 0u);
    EXPECT_EQ(from_room, SV_NONE16);
    EXPECT_EQ(from_door, 0);
    EXPECT_EQ(sv_floor_fogged(&f, 5, 1), 1);
    EXPECT_EQ(sv_floor_fogged(&f, 5, 0), 0);

    EXPECT_EQ(sv_floor_place_next(&f, 5, 2, &next, &entry, nullptr, nullptr), 0u); // past the count
    EXPECT_EQ(sv_floor_place_next(&f, 5, 6, &next, &entry, nullptr, nullptr), 0u);
    EXPECT_EQ(sv_floor_place_next(&f, 11, 2, &next, &entry, nullptr, nullptr), 0u);
    EXPECT_EQ(sv_floor_place_next(&f, 13, 0, &next, &entry, nullptr, nullptr), 0u);
    EXPECT_EQ(sv_floor_place_next(&f, SV_NONE16, 0, &next, &entry, nullptr, nullptr), 0u);
    EXPECT_EQ(sv_floor_place_next(nullptr, 0, 0, &next, &entry, nullptr, nullptr), 0u);
    EXPECT_EQ(sv_floor_fogged(&f, 13, 0), 0);
    EXPECT_EQ(sv_floor_fogged(&f, SV_NONE16, 0), 0);
    EXPECT_EQ(sv_floor_fogged(nullptr, 0, 0), 0);
}

TEST_F(PlaceTest, PassageRefusals)
{
    sv_passage t {};
    EXPECT_EQ(sv_floor_add_passage(&f, nullptr, 2), -1);
    EXPECT_EQ(sv_floor_add_passage(&f, &t, 0), -1);
    EXPECT_EQ(sv_floor_add_passage(nullptr, &t, 2), -1);
    EXPECT_EQ(f.place_count, 13);

    // Ids run up to 65534 and never onto 65535.
    EXPECT_EQ(sv_floor_add_passage(&f, &t, (u16)(65534 - 13 + 2)), -1);
    EXPECT_EQ(f.place_count, 13);
    EXPECT_EQ(sv_floor_add_passage(&f, &t, (u16)(65534 - 13 + 1)), 1);
    EXPECT_EQ(f.place_count, 65535);
    EXPECT_EQ(sv_floor_place_valid(&f, 65534), 1);
    EXPECT_EQ(sv_floor_place_valid(&f, 65535), 0);
    EXPECT_EQ(sv_floor_add_passage(&f, &t, 1), -1);
    EXPECT_EQ(f.passage_count, 2);
}

TEST_F(FloorTest, PassageTableFills)
{
    make(1, 1);
    sv_passage t {};
    for (int i = 0; i < 5; ++i)
        ASSERT_EQ(sv_floor_add_passage(&f, &t, 1), i);
    EXPECT_EQ(sv_floor_add_passage(&f, &t, 1), -1);
    EXPECT_EQ(f.place_count, 6);
}

// ---- Fog ----

TEST_F(PlaceTest, RisenBossFogsItsRoomFromBothSides)
{
    // Room 5: corridor door 0, plain doors 1 (to 6) and 2 (to 7).
    ASSERT_EQ(sv_floor_link(&f, 5, 6, 0), 1);
    ASSERT_EQ(sv_floor_link(&f, 5, 7, 0), 1);
    i32 boss = add_boss(&f, 5, 1);
    ASSERT_GE(boss, 0);

    // Waiting: nothing fogged.
    for (u8 d = 0; d < 3; ++d)
        EXPECT_EQ(sv_floor_fogged(&f, 5, d), 0);
    EXPECT_EQ(sv_floor_fogged(&f, 6, 0), 0);
    EXPECT_EQ(sv_floor_fogged(&f, 12, 1), 0);

    ASSERT_EQ(sv_floor_stand_waiting(&f, 5), 1u);
    for (u8 d = 0; d < 3; ++d)
        EXPECT_NE(sv_floor_fogged(&f, 5, d), 0) << "inside, door " << (int)d;
    EXPECT_EQ(sv_floor_fogged(&f, 6, 0), 1); // the room beside it
    EXPECT_EQ(sv_floor_fogged(&f, 7, 0), 1);
    EXPECT_EQ(sv_floor_fogged(&f, 12, 1), 1); // the corridor piece at its door
    EXPECT_EQ(sv_floor_fogged(&f, 12, 0), 0);
    EXPECT_EQ(sv_floor_fogged(&f, 2, 1), 0); // a corridor away: the veil is at the far end
    EXPECT_EQ(sv_floor_fogged(&f, 2, 0), 0);

    sv_floor_kill_mob(&f, (u16)boss);
    for (u8 d = 0; d < 3; ++d)
        EXPECT_EQ(sv_floor_fogged(&f, 5, d), 0);
    EXPECT_EQ(sv_floor_fogged(&f, 6, 0), 0);
    EXPECT_EQ(sv_floor_fogged(&f, 12, 1), 0);
}

TEST_F(PlaceTest, OnlyTheFirstLivingBossDecides)
{
    ASSERT_EQ(sv_floor_link(&f, 5, 6, 0), 1);
    i32 first = add_boss(&f, 5, 1);
    add_boss(&f, 5, 0); // risen, but behind a waiting one
    EXPECT_EQ(sv_floor_fogged(&f, 5, 1), 0);
    EXPECT_EQ(sv_floor_fogged(&f, 6, 0), 0);
    sv_floor_kill_mob(&f, (u16)first);
    EXPECT_EQ(sv_floor_fogged(&f, 5, 1), 1);
    EXPECT_EQ(sv_floor_fogged(&f, 6, 0), 1);
}

// ---- Depths ----

TEST_F(FloorTest, DepthsByBreadthFirstSearch)
{
    // 0 - 1 - 2 - 3, with 0 - 4 - 3 shorter, 5 alone, 1 looped to itself, an exit in 2.
    make(8, 6);
    ASSERT_EQ(sv_floor_link(&f, 0, 1, 0), 1);
    ASSERT_EQ(sv_floor_link(&f, 1, 2, SV_DOOR_SCION), 1);
    ASSERT_EQ(sv_floor_link(&f, 2, 3, 0), 1);
    ASSERT_EQ(sv_floor_link(&f, 0, 4, 0), 1);
    ASSERT_EQ(sv_floor_link(&f, 4, 3, SV_DOOR_AXIOM), 1);
    ASSERT_EQ(sv_floor_link_self(&f, 1), 1);
    ASSERT_GE(sv_floor_add_door(&f, 2, SV_NONE16, SV_NONE8, SV_DOOR_EXIT), 0);
    u64 used = sv_arena_used(&f.arena);

    sv_floor_compute_depths(&f, 0);
    const u16 want[6] = {0, 1, 2, 2, 1, SV_NONE16};
    for (u16 r = 0; r < 6; ++r)
        EXPECT_EQ(f.rooms[r].depth, want[r]) << "room " << r;
    EXPECT_EQ(sv_arena_used(&f.arena), used); // the queue was scratch

    sv_floor_compute_depths(&f, 3);
    const u16 from3[6] = {2, 2, 1, 0, 1, SV_NONE16};
    for (u16 r = 0; r < 6; ++r)
        EXPECT_EQ(f.rooms[r].depth, from3[r]) << "room " << r;

    // The same search, into a table of the caller's.
    u16 dist[6];
    sv_floor_distances(&f, 3, dist);
    for (u16 r = 0; r < 6; ++r)
        EXPECT_EQ(dist[r], from3[r]) << "room " << r;
    EXPECT_EQ(sv_arena_used(&f.arena), used);
    sv_floor_distances(&f, SV_NONE16, dist);
    for (u16 r = 0; r < 6; ++r)
        EXPECT_EQ(dist[r], SV_NONE16);

    sv_floor_compute_depths(&f, 6); // not a room: everything unreachable
    for (u16 r = 0; r < 6; ++r)
        EXPECT_EQ(f.rooms[r].depth, SV_NONE16);
}

// ---- Door appearances ----

TEST(DoorAppearance, SameFromBothSides)
{
    for (u64 seed = 0; seed < 50; ++seed) {
        i32 a = sv_door_appearance_for(seed, 3, 2, 7, 0);
        EXPECT_EQ(a, sv_door_appearance_for(seed, 7, 0, 3, 2));
        EXPECT_GE(a, 0);
        EXPECT_LE(a, 7);
    }
}

// Pinned: rooms r and r + 1 through doors r mod 6 and 0, for r = 0..23, on three seeds.
TEST(DoorAppearance, KnownAnswers)
{
    const struct {
        u64 seed;
        const char* looks;
    } cases[] = {
        {0, "736412447054060202516736"},
        {4471, "561225754537606272342611"},
        {0xffffffffffffffffULL, "566500527737211270731376"},
    };
    for (const auto& c : cases) {
        std::string looks;
        for (u16 r = 0; r < 24; ++r)
            looks += (char)('0' + sv_door_appearance_for(c.seed, r, (u8)(r % 6), (u16)(r + 1), 0));
        EXPECT_EQ(looks, c.looks) << "seed " << c.seed;
    }
    EXPECT_EQ(sv_door_appearance_for(4471, 65533, 5, 65532, 1), 1);
}

TEST_F(FloorTest, AppearancesAgreeAcrossEveryLink)
{
    make(12, 12, 2, 12345);
    for (u16 r = 1; r < 12; ++r)
        ASSERT_EQ(sv_floor_link(&f, (u16)(r / 2), r, r % 3), 1);
    ASSERT_EQ(sv_floor_link(&f, 3, 9, 0), 1);
    ASSERT_GE(sv_floor_add_door(&f, 11, SV_NONE16, SV_NONE8, SV_DOOR_EXIT), 0);
    sv_floor_assign_appearances(&f);
    int seen = 0;
    for (u16 r = 0; r < 12; ++r)
        for (u8 d = 0; d < f.rooms[r].door_count; ++d) {
            const sv_door* door = &f.rooms[r].doors[d];
            if (door->kind == SV_DOOR_EXIT) {
                EXPECT_EQ(door->appearance, 0);
                continue;
            }
            EXPECT_EQ(door->appearance, f.rooms[door->target].doors[door->back].appearance);
            EXPECT_EQ(door->appearance,
                      sv_door_appearance_for(12345, r, d, door->target, door->back));
            seen |= 1 << door->appearance;
        }
    EXPECT_NE(seen & ~1, 0) << "every appearance came out 0";
}

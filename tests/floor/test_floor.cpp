#include <cstring>

#include "core/rng.h"
#include "floor/floor_fixture.h"

// ---- Sizing ----

TEST_F(FloorTest, SizesFollowTheirTunables)
{
    EXPECT_EQ(sv_floor_min_size(1), sv_tune(SV_TUNE_FLOOR_SIZE_MIN_FIRST));
    EXPECT_EQ(sv_floor_min_size(2), sv_tune(SV_TUNE_FLOOR_SIZE_MIN));
    for (u16 n = 1; n < 40; ++n) {
        f64 t = sv_floor_target_size(n);
        EXPECT_LE(t, sv_tune(SV_TUNE_FLOOR_SIZE_MAX));
        EXPECT_GE(t,
                  sv_floor_min_size(n) < sv_tune(SV_TUNE_FLOOR_SIZE_MAX)
                      ? sv_floor_min_size(n)
                      : sv_tune(SV_TUNE_FLOOR_SIZE_MAX));
        i32 c = sv_gen_capacity_for(n);
        EXPECT_GE(c, 1);
        EXPECT_LE(c, 65534);
        EXPECT_GE((f64)c, t - 1.0) << "capacity below the target size on floor " << n;
    }
}

TEST_F(FloorTest, MaxDegreeStaysWithinSixDoors)
{
    const f64 values[] = {-100, 0, 1, 2, 3, 6, 7, 100};
    for (f64 v : values) {
        sv_tune_set_by_name("floor.max_degree", v);
        i32 d = sv_floor_max_degree();
        EXPECT_GE(d, 2);
        EXPECT_LE(d, 6);
    }
}

// ---- Lifecycle ----

TEST_F(FloorTest, InitAtTheCapacityLimits)
{
    make(1, 1, 3, 99);
    sv_rng tenacity;
    sv_rng_open(&tenacity, 99, 3, SV_STREAM_TENACITY);
    EXPECT_EQ(std::memcmp(&tenacity, &f.tenacity, sizeof tenacity), 0);
    EXPECT_EQ(f.mob_capacity, 4);
    EXPECT_EQ(f.passage_capacity, 5);
    EXPECT_EQ(sv_floor_add_room(&f, 0), -1);
    sv_floor_free(&f);

    make(65534, 0);
    EXPECT_EQ(f.mob_capacity, 65534);
    EXPECT_EQ(f.passage_capacity, 65534);
    for (u32 i = 0; i < 65534; ++i)
        ASSERT_EQ(sv_floor_add_room(&f, 0), (i32)i);
    EXPECT_EQ(sv_floor_add_room(&f, 0), -1);
    EXPECT_EQ(f.room_count, 65534);
    EXPECT_EQ(sv_floor_visit(&f, 65533), 1);
    EXPECT_EQ(sv_floor_visited(&f, 65533), 1);
}

TEST(FloorDeath, CapacityOutOfRangeIsFatal)
{
    sv_floor f {};
    EXPECT_DEATH(sv_floor_init(&f, 1, 1, 0), "floor: capacity 0 out of range \\(1\\.\\.65534\\)");
    EXPECT_DEATH(sv_floor_init(&f, 1, 1, 65535),
                 "floor: capacity 65535 out of range \\(1\\.\\.65534\\)");
}

TEST_F(FloorTest, SerialsCountInitialisations)
{
    make(4, 1);
    u32 first = f.serial;
    sv_floor_free(&f);
    make(4, 1);
    EXPECT_EQ(f.serial, first + 1);
}

TEST_F(FloorTest, FreeEmptiesTheRecordForReuse)
{
    make(8, 3);
    sv_floor_free(&f);
    EXPECT_EQ(f.rooms, nullptr);
    EXPECT_EQ(f.room_count, 0);
    EXPECT_EQ(f.mob_count, 0);
    EXPECT_EQ(f.boss_mob, SV_NONE16);
    EXPECT_EQ(sv_floor_add_room(&f, 0), -1);
    EXPECT_EQ(sv_floor_room(&f, 0), nullptr);
    EXPECT_EQ(sv_floor_add_mob(&f, 0, 0, 0, 0, nullptr, 0, nullptr, 0), -1);
    make(8, 2);
    EXPECT_EQ(f.room_count, 2);
}

// ---- Rooms and tags ----

TEST_F(FloorTest, NewRoomIsBlank)
{
    make(4, 0);
    ASSERT_EQ(sv_floor_add_room(&f, SV_TAG_SPAWN | SV_TAG_FOUNTAIN), 0);
    const sv_room* r = sv_floor_room_const(&f, 0);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->door_count, 0);
    EXPECT_EQ(r->tags, 3);
    EXPECT_EQ(r->depth, SV_NONE16);
    EXPECT_EQ(r->elevation, 0.0f);
    EXPECT_EQ(r->radius_scale, 1.0f);
    EXPECT_EQ(r->interior, SV_NONE8);
    for (const sv_door& d : r->doors) {
        EXPECT_EQ(d.target, SV_NONE16);
        EXPECT_EQ(d.back, SV_NONE8);
        EXPECT_EQ(d.kind, 0u);
        EXPECT_EQ(d.locked, 0);
    }
    EXPECT_EQ(sv_floor_room_const(&f, 1), nullptr);
    EXPECT_FALSE(sv_floor_room_valid(&f, 1));
    EXPECT_FALSE(sv_floor_room_valid(nullptr, 0));
}

TEST_F(FloorTest, TagsAreSetClearedAndFound)
{
    make(8, 4);
    sv_floor_room_tag(&f, 2, SV_TAGS_GATE_SCION);
    sv_floor_room_tag(&f, 3, SV_TAG_SCION);
    sv_floor_room_tag(&f, 9, SV_TAG_SCION); // out of range: ignored
    EXPECT_EQ(sv_floor_room_has(&f, 2, SV_TAGS_GATE_SCION), 1);
    EXPECT_EQ(sv_floor_room_has(&f, 3, SV_TAGS_GATE_SCION), 0);
    EXPECT_EQ(sv_floor_room_has(&f, 9, 0), 0);
    EXPECT_EQ(sv_floor_find(&f, SV_TAG_SCION), 2);
    EXPECT_EQ(sv_floor_find(&f, SV_TAGS_GATE_SCION), 2);
    EXPECT_EQ(sv_floor_find(&f, SV_TAG_AXIOM), -1);
    EXPECT_EQ(sv_floor_find(&f, 0), 0);
    EXPECT_EQ(sv_floor_count_tagged(&f, SV_TAG_SCION), 2u);
    EXPECT_EQ(sv_floor_count_tagged(&f, 0), 4u);

    sv_floor_room_untag(&f, 2, SV_TAG_GATE);
    EXPECT_EQ(f.rooms[2].tags, SV_TAG_SCION);
    EXPECT_EQ(sv_floor_count_tagged(&f, SV_TAGS_GATE_SCION), 0u);
}

TEST(FloorNames, TagNames)
{
    EXPECT_STREQ(sv_room_tag_name(1), "spawn");
    EXPECT_STREQ(sv_room_tag_name(4), "monument");
    EXPECT_STREQ(sv_room_tag_name(64), "prism");
    EXPECT_STREQ(sv_room_tag_name(128), "?");
    EXPECT_STREQ(sv_room_tag_name(0), "?");
    EXPECT_STREQ(sv_room_tag_name(3), "?");
}

// ---- Doors ----

TEST_F(FloorTest, DoorKindsLockAsBuilt)
{
    make(4, 2);
    for (u32 kind = 0; kind <= 4; ++kind) {
        if (kind == SV_DOOR_EXIT)
            ASSERT_EQ(sv_floor_add_door(&f, 0, SV_NONE16, SV_NONE8, kind), (i32)kind);
        else
            ASSERT_EQ(sv_floor_add_door(&f, 0, 1, 0, kind), (i32)kind);
        EXPECT_EQ(f.rooms[0].doors[kind].locked, kind == 1 || kind == 2 ? 1 : 0) << "kind " << kind;
    }
    EXPECT_EQ(sv_floor_traverse(&f, 0, 4), 65535);
    ASSERT_EQ(sv_floor_add_door(&f, 1, 0, 0, SV_DOOR_EXIT), 0);
    EXPECT_EQ(f.rooms[1].doors[0].target, SV_NONE16);
    EXPECT_EQ(f.rooms[1].doors[0].back, SV_NONE8);
}

TEST_F(FloorTest, SixDoorsIsTheLimit)
{
    make(4, 2);
    for (int i = 0; i < 6; ++i)
        ASSERT_EQ(sv_floor_add_door(&f, 0, 1, 0, 0), i);
    sv_room before = f.rooms[0];
    EXPECT_EQ(sv_floor_add_door(&f, 0, 1, 0, 0), -1);
    EXPECT_EQ(sv_floor_add_door(&f, 7, 1, 0, 0), -1);
    EXPECT_EQ(sv_floor_link_self(&f, 0), 0);
    EXPECT_EQ(std::memcmp(&before, &f.rooms[0], sizeof before), 0);
}

TEST_F(FloorTest, LinkWritesTwoDoorsNamingEachOther)
{
    make(4, 3);
    ASSERT_EQ(sv_floor_link(&f, 0, 1, SV_DOOR_NORMAL), 1);
    ASSERT_EQ(sv_floor_link(&f, 2, 1, SV_DOOR_SCION), 1);
    // Door 2.0 and door 1.1 are the pair.
    EXPECT_EQ(f.rooms[2].doors[0].target, 1);
    EXPECT_EQ(f.rooms[2].doors[0].back, 1);
    EXPECT_EQ(f.rooms[1].doors[1].target, 2);
    EXPECT_EQ(f.rooms[1].doors[1].back, 0);
    EXPECT_EQ(f.rooms[1].doors[1].locked, 1);
    EXPECT_EQ(f.rooms[2].doors[0].locked, 1);
    expect_two_way(&f);
}

TEST_F(FloorTest, LinkRefusesAFullRoomWithoutTouchingEither)
{
    make(8, 8);
    for (u16 t = 1; t <= 6; ++t)
        ASSERT_EQ(sv_floor_link(&f, 0, t, 0), 1);
    sv_room r0 = f.rooms[0], r7 = f.rooms[7];
    EXPECT_EQ(sv_floor_link(&f, 7, 0, 0), 0);
    EXPECT_EQ(sv_floor_link(&f, 0, 7, 0), 0);
    EXPECT_EQ(sv_floor_link(&f, 7, 8, 0), 0);
    EXPECT_EQ(sv_floor_link(&f, 65535, 7, 0), 0);
    EXPECT_EQ(std::memcmp(&r0, &f.rooms[0], sizeof r0), 0);
    EXPECT_EQ(std::memcmp(&r7, &f.rooms[7], sizeof r7), 0);
    expect_two_way(&f);
}

TEST_F(FloorTest, LinkOfARoomToItselfIsRefused)
{
    make(4, 2);
    for (int i = 0; i < 5; ++i)
        ASSERT_GE(sv_floor_add_door(&f, 0, SV_NONE16, SV_NONE8, SV_DOOR_EXIT), 0);
    sv_room before = f.rooms[0];
    // With five doors a self-link would have written one door and failed on the second.
    EXPECT_EQ(sv_floor_link(&f, 0, 0, 0), 0);
    EXPECT_EQ(sv_floor_link(&f, 1, 1, 0), 0);
    EXPECT_EQ(std::memcmp(&before, &f.rooms[0], sizeof before), 0);
    EXPECT_EQ(f.rooms[1].door_count, 0);
}

TEST_F(FloorTest, SelfLinkMakesAPairOfDoorsInOneRoom)
{
    make(4, 2);
    ASSERT_EQ(sv_floor_link(&f, 0, 1, 0), 1);
    ASSERT_EQ(sv_floor_link_self(&f, 1), 1);
    const sv_room* r = &f.rooms[1];
    ASSERT_EQ(r->door_count, 3);
    EXPECT_EQ(r->doors[1].target, 1);
    EXPECT_EQ(r->doors[1].back, 2);
    EXPECT_EQ(r->doors[2].target, 1);
    EXPECT_EQ(r->doors[2].back, 1);
    expect_two_way(&f);

    ASSERT_EQ(sv_floor_link_self(&f, 1), 1); // five doors: no room for another pair
    EXPECT_EQ(r->door_count, 5);
    EXPECT_EQ(sv_floor_link_self(&f, 1), 0);
    EXPECT_EQ(r->door_count, 5);
    EXPECT_EQ(sv_floor_link_self(&f, 2), 0);
    expect_two_way(&f);
}

TEST_F(FloorTest, RandomLinksKeepEveryDoorPairedAndWithinSix)
{
    make(40, 40);
    sv_rng rng;
    sv_rng_open(&rng, 17, 1, SV_STREAM_TOPOLOGY);
    for (int i = 0; i < 400; ++i) {
        u16 a = (u16)sv_rng_below(&rng, 42); // a few out of range
        u16 b = (u16)sv_rng_below(&rng, 42);
        u32 kind = sv_rng_below(&rng, 3);
        switch (sv_rng_below(&rng, 4)) {
        case 0: sv_floor_link_self(&f, a); break;
        case 1: sv_floor_add_door(&f, a, SV_NONE16, SV_NONE8, SV_DOOR_EXIT); break;
        default: sv_floor_link(&f, a, b, kind);
        }
    }
    expect_two_way(&f);
}

TEST_F(FloorTest, DoorAccessRefusesOutOfRange)
{
    make(4, 2);
    ASSERT_EQ(sv_floor_link(&f, 0, 1, 0), 1);
    EXPECT_EQ(sv_floor_traverse(&f, 0, 0), 1);
    EXPECT_EQ(sv_floor_traverse(&f, 0, 1), -1); // past the door count
    EXPECT_EQ(sv_floor_traverse(&f, 0, 6), -1);
    EXPECT_EQ(sv_floor_traverse(&f, 2, 0), -1);

    // A slot past the count is there, blank; past five there is none.
    const sv_door* blank = sv_floor_door_const(&f, 0, 5);
    ASSERT_NE(blank, nullptr);
    EXPECT_EQ(blank->target, SV_NONE16);
    EXPECT_EQ(sv_floor_door_const(&f, 0, 6), nullptr);
    EXPECT_EQ(sv_floor_door(&f, 0, 255), nullptr);
    EXPECT_EQ(sv_floor_door(&f, 2, 0), nullptr);
}

TEST_F(FloorTest, RetargetChecksDoorAndTarget)
{
    make(4, 3);
    ASSERT_EQ(sv_floor_link(&f, 0, 1, 0), 1);
    EXPECT_TRUE(sv_floor_retarget(&f, 0, 0, 2, 4));
    EXPECT_EQ(f.rooms[0].doors[0].target, 2);
    EXPECT_EQ(f.rooms[0].doors[0].back, 4);
    EXPECT_TRUE(sv_floor_retarget(&f, 0, 0, SV_NONE16, SV_NONE8));
    sv_room before = f.rooms[0];
    EXPECT_FALSE(sv_floor_retarget(&f, 0, 0, 3, 0)); // not a room
    EXPECT_FALSE(sv_floor_retarget(&f, 0, 1, 1, 0)); // past the door count
    EXPECT_FALSE(sv_floor_retarget(&f, 0, 6, 1, 0));
    EXPECT_FALSE(sv_floor_retarget(&f, 5, 0, 1, 0));
    EXPECT_EQ(std::memcmp(&before, &f.rooms[0], sizeof before), 0);
}

// Validation on hand-built floors: each rule and its exact text.
#include <gtest/gtest.h>

#include "floor/validate.h"
#include "test_gen_util.h"

namespace {

struct hand_floor {
    sv_floor f {};
    explicit hand_floor(u16 number, u16 capacity = 64) { sv_floor_init(&f, number, 1, capacity); }
    ~hand_floor() { sv_floor_free(&f); }
    hand_floor(const hand_floor&) = delete;
    hand_floor& operator=(const hand_floor&) = delete;

    u16 add(u8 tags = 0) { return (u16)sv_floor_add_room(&f, tags); }
    // A parent-to-child link, the lock (if any) on the parent's side only, as the generator makes.
    void hang(u16 parent, u16 child, u32 kind = SV_DOOR_NORMAL)
    {
        u8 slot = f.rooms[parent].door_count;
        ASSERT_EQ(sv_floor_link(&f, parent, child, SV_DOOR_NORMAL), 1);
        f.rooms[parent].doors[slot].kind = kind;
        f.rooms[parent].doors[slot].locked = kind == SV_DOOR_SCION || kind == SV_DOOR_AXIOM;
    }
    void exit_in(u16 room) { sv_floor_add_door(&f, room, SV_NONE16, SV_NONE8, SV_DOOR_EXIT); }
};

// Spawn 0; gate Scion 1 and then room 3 on the way to the Axiom 4; the Prism in 2; the monument in 5.
void build_valid_deep(hand_floor& h)
{
    h.add(SV_TAG_SPAWN);
    h.add(SV_TAGS_GATE_SCION);
    h.add(SV_TAG_PRISM);
    h.add();
    h.add(SV_TAG_AXIOM);
    h.add(SV_TAG_MONUMENT);
    h.hang(0, 1);
    h.hang(0, 2);
    h.hang(1, 3);
    h.hang(3, 4, SV_DOOR_AXIOM);
    h.hang(0, 5);
    h.exit_in(4);
}

std::string faults_of(const sv_floor* f, i32* valid = nullptr)
{
    sv_validate_report rep;
    i32 ok = sv_validate_floor(f, &rep);
    if (valid)
        *valid = ok;
    std::string s;
    sv_validate_print(&rep, sv_test_capture(&s));
    return s;
}

} // namespace

TEST(Validate, HandBuiltDeepFloorIsValid)
{
    hand_floor h(3);
    build_valid_deep(h);
    i32 valid = 0;
    EXPECT_EQ(faults_of(&h.f, &valid), "");
    EXPECT_EQ(valid, 1);
    EXPECT_EQ(sv_validate_floor(&h.f, nullptr), 1);
}

TEST(Validate, LoneRoomOnTheFirstFloor)
{
    hand_floor h(1);
    h.add(SV_TAG_SPAWN);
    EXPECT_EQ(faults_of(&h.f), "  INVALID: no Prism\n  INVALID: no exit\n");
}

TEST(Validate, FloorWithoutRooms)
{
    hand_floor h(1);
    i32 valid = 1;
    EXPECT_EQ(faults_of(&h.f, &valid), "  INVALID: room unreachable from spawn\n");
    EXPECT_EQ(valid, 0);
}

TEST(Validate, ManyFaultsAreCountedBeyondTheList)
{
    hand_floor h(1, 64);
    h.add(SV_TAG_SPAWN | SV_TAG_PRISM);
    h.exit_in(0);
    for (int i = 0; i < 30; ++i)
        h.add();
    sv_validate_report rep;
    EXPECT_EQ(sv_validate_floor(&h.f, &rep), 0);
    EXPECT_EQ(rep.listed, 24);
    EXPECT_EQ(rep.not_listed, 6u);
    EXPECT_EQ(rep.faults[0].room, 1);
    EXPECT_EQ(rep.faults[23].room, 24);
    std::string s;
    sv_validate_print(&rep, sv_test_capture(&s));
    EXPECT_NE(s.find("  INVALID: room unreachable from spawn (room 24)\n  (6 more not listed)\n"),
              std::string::npos);
}

TEST(Validate, ExitOutsideTheAxiomRoom)
{
    hand_floor h(3);
    build_valid_deep(h);
    h.f.rooms[4].door_count -= 1; // take the exit back out
    h.exit_in(5);
    EXPECT_EQ(faults_of(&h.f), "  INVALID: exit is not in the Axiom room (room 5)\n");
}

TEST(Validate, AxiomRules)
{
    {
        hand_floor h(3);
        build_valid_deep(h);
        h.f.rooms[3].doors[1].locked = 0;
        EXPECT_EQ(faults_of(&h.f), "  INVALID: nothing locks the Axiom (room 4)\n");
    }
    {
        hand_floor h(3);
        build_valid_deep(h);
        sv_floor_room_untag(&h.f, 4, SV_TAG_AXIOM);
        sv_floor_room_untag(&h.f, 5, SV_TAG_MONUMENT);
        EXPECT_EQ(faults_of(&h.f), "  INVALID: no Axiom\n  INVALID: no monument\n");
    }
}

TEST(Validate, KeysBehindShardLocks)
{
    hand_floor h(3);
    build_valid_deep(h);
    // The Prism's room moved behind a Shard lock, with no Shard anywhere.
    sv_floor_room_untag(&h.f, 2, SV_TAG_PRISM);
    u16 locked = h.add(SV_TAG_PRISM);
    h.hang(2, locked, SV_DOOR_SCION);
    EXPECT_EQ(faults_of(&h.f),
              "  INVALID: Prism needs a Shard (room 6)\n"
              "  INVALID: locks exist, no Shard reachable\n");
}

TEST(Validate, OnlyShardBehindAShardLock)
{
    hand_floor h(3);
    build_valid_deep(h);
    // An optional Scion behind a Shard lock, and the floor's one Shard beyond it: enough keys
    // counted, none that can be fetched.
    u16 scion = h.add(SV_TAG_SCION);
    u16 shard = h.add(SV_TAG_SHARD);
    h.hang(2, scion, SV_DOOR_SCION);
    h.hang(scion, shard);
    i32 valid = 1;
    EXPECT_EQ(faults_of(&h.f, &valid), "  INVALID: locks exist, no Shard reachable\n");
    EXPECT_EQ(valid, 0);
    sv_floor_room_untag(&h.f, shard, SV_TAG_SHARD);
    sv_floor_room_tag(&h.f, 3, SV_TAG_SHARD);
    EXPECT_EQ(faults_of(&h.f, &valid), "");
    EXPECT_EQ(valid, 1);
}

TEST(Validate, ShardCountsAgainstLocks)
{
    hand_floor h(3);
    build_valid_deep(h);
    u16 a = h.add(SV_TAG_SCION);
    u16 b = h.add();
    u16 c = h.add();
    h.hang(2, a, SV_DOOR_SCION);
    h.hang(2, b, SV_DOOR_SCION);
    h.hang(2, c, SV_DOOR_SCION);
    // Three Shard locks against two Scion rooms (the gate counts too) and no Shard at all.
    EXPECT_EQ(faults_of(&h.f),
              "  INVALID: fewer Shards than locked doors\n"
              "  INVALID: locks exist, no Shard reachable\n");
    sv_floor_room_tag(&h.f, 5, SV_TAG_SHARD);
    EXPECT_EQ(faults_of(&h.f), "");
}

TEST(Validate, OptionalScionBehindNoLock)
{
    hand_floor h(3);
    build_valid_deep(h);
    u16 s = h.add(SV_TAG_SCION);
    h.hang(2, s);
    EXPECT_EQ(faults_of(&h.f), "  INVALID: optional Scion behind no lock (room 6)\n");
}

TEST(Validate, GateScionWalkedAround)
{
    hand_floor h(3);
    build_valid_deep(h);
    // A second way from spawn to the Axiom's parent skips the gate in room 1.
    ASSERT_EQ(sv_floor_link(&h.f, 0, 3, SV_DOOR_NORMAL), 1);
    EXPECT_EQ(faults_of(&h.f), "  INVALID: gate Scion can be walked around (room 1)\n");
}

TEST(Validate, PrismBehindTheLockItOpens)
{
    hand_floor h(3);
    build_valid_deep(h);
    u16 beyond = h.add();
    h.hang(4, beyond);
    sv_floor_room_untag(&h.f, 2, SV_TAG_PRISM);
    sv_floor_room_tag(&h.f, beyond, SV_TAG_PRISM);
    i32 valid = 1;
    EXPECT_EQ(faults_of(&h.f, &valid), "  INVALID: Prism lies behind the lock it opens (room 6)\n");
    EXPECT_EQ(valid, 0);
}

TEST(Validate, FirstFloorCarriesNothingDeeper)
{
    hand_floor h(1);
    h.add(SV_TAG_SPAWN);
    h.add(SV_TAG_PRISM);
    u16 deep = h.add(SV_TAG_SHARD);
    h.hang(0, 1);
    h.hang(1, deep);
    h.exit_in(deep);
    EXPECT_EQ(faults_of(&h.f), "  INVALID: floor 1 carries what it must not\n");
    sv_floor_room_untag(&h.f, deep, SV_TAG_SHARD);
    EXPECT_EQ(faults_of(&h.f), "");
}

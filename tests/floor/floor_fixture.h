// A floor initialised for one test and freed after it.
#pragma once
#include <gtest/gtest.h>

#include "core/tune.h"
#include "floor/floor.h"
#include "support/reset.h"

struct FloorTest : ::testing::Test {
    sv_floor f {};

    void make(u16 capacity, u16 rooms, u16 floor_number = 2, u64 seed = 4471)
    {
        sv_floor_init(&f, floor_number, seed, capacity);
        for (u16 i = 0; i < rooms; ++i)
            sv_floor_add_room(&f, i == 0 ? SV_TAG_SPAWN : 0);
    }
    void SetUp() override { sv_test_reset_all(); }
    void TearDown() override
    {
        sv_floor_free(&f);
        sv_test_reset_all();
    }
};

// Every door with a room target names a door that points straight back.
inline void expect_two_way(const sv_floor* f)
{
    for (u16 r = 0; r < f->room_count; ++r) {
        const sv_room* room = &f->rooms[r];
        ASSERT_LE(room->door_count, SV_ROOM_DOORS);
        for (u8 d = 0; d < room->door_count; ++d) {
            const sv_door* door = &room->doors[d];
            if (door->kind == SV_DOOR_EXIT) {
                EXPECT_EQ(door->target, SV_NONE16);
                continue;
            }
            ASSERT_LT(door->target, f->room_count) << "room " << r << " door " << (int)d;
            const sv_room* other = &f->rooms[door->target];
            ASSERT_LT(door->back, other->door_count) << "room " << r << " door " << (int)d;
            EXPECT_EQ(other->doors[door->back].target, r);
            EXPECT_EQ(other->doors[door->back].back, d);
            EXPECT_EQ(other->doors[door->back].kind, door->kind);
        }
    }
}

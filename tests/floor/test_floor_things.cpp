#include <cstring>
#include <string>

#include "floor/floor_fixture.h"

namespace {

sv_action s_actions[7];

sv_body body_of(f32 hp, u8 actions)
{
    sv_body b {};
    b.hp = hp;
    b.speed = 2.5f;
    b.action_count = actions;
    b.actions = actions ? s_actions : nullptr;
    for (int i = 0; i < 7; ++i) {
        std::memset(&s_actions[i], 0, sizeof s_actions[i]);
        s_actions[i].damage = (f32)(i + 1);
    }
    return b;
}

} // namespace

// ---- Chests ----

TEST_F(FloorTest, ChestLocksWhenRarityAndKeySumToTwo)
{
    make(16, 16);
    u16 room = 0;
    for (u32 rarity = 0; rarity <= 2; ++rarity)
        for (u32 key = 0; key <= 2; ++key) {
            ASSERT_EQ(sv_floor_add_chest(&f, room, rarity, key), 1);
            const sv_chest* c = sv_floor_chest_in(&f, room);
            ASSERT_NE(c, nullptr);
            EXPECT_EQ(c->locked, rarity + key == 2 ? 1 : 0) << rarity << " " << key;
            EXPECT_EQ(c->opened, 0);
            EXPECT_EQ(sv_chest_locks(rarity, key), c->locked);
            ++room;
        }
    EXPECT_EQ(sv_floor_count_chests(&f, 1), 3u);
    EXPECT_EQ(f.chest_count, 9);
}

TEST_F(FloorTest, ChestRefusals)
{
    make(4, 3);
    ASSERT_EQ(sv_floor_add_chest(&f, 1, 0, 0), 1);
    EXPECT_EQ(sv_floor_add_chest(&f, 1, 2, 0), 0); // one per room
    EXPECT_EQ(sv_floor_add_chest(&f, 2, 3, 0), 0);
    EXPECT_EQ(sv_floor_add_chest(&f, 2, 0, 3), 0);
    EXPECT_EQ(sv_floor_add_chest(&f, 3, 0, 0), 0); // not a room yet
    EXPECT_EQ(f.chest_count, 1);
    EXPECT_EQ(sv_floor_chest_in(&f, 2), nullptr);
    sv_chest* c = sv_floor_chest_in_mut(&f, 1);
    ASSERT_NE(c, nullptr);
    c->opened = 1;
    EXPECT_EQ(sv_floor_chest_in(&f, 1)->opened, 1);
}

// ---- Mobs ----

TEST_F(FloorTest, AddedMobCopiesItsBodyAndName)
{
    make(4, 2);
    sv_body b = body_of(30.0f, 7);
    i32 m = sv_floor_add_mob(&f, 1, 1.5f, -2.0f, 0.5f, &b, 0x0302,
                             "a name that runs well past thirty-one characters", 0);
    ASSERT_EQ(m, 0);
    const sv_mob* mob = sv_floor_mob_const(&f, 0);
    ASSERT_NE(mob, nullptr);
    EXPECT_EQ(mob->place, 1);
    EXPECT_EQ(mob->hp, 30.0f);
    EXPECT_EQ(mob->home_x, 1.5f);
    EXPECT_EQ(mob->home_z, -2.0f);
    EXPECT_EQ(mob->home_place, 1);
    EXPECT_EQ(mob->kind, 0x0302u);
    EXPECT_EQ(std::string(mob->name), std::string("a name that runs well past thir"));
    EXPECT_EQ(mob->body.action_count, 4);
    ASSERT_NE(mob->body.actions, nullptr);
    EXPECT_NE(mob->body.actions, s_actions); // its own copy, not the definition's
    EXPECT_EQ(mob->body.actions[3].damage, 4.0f);
    ASSERT_NE(mob->afflictions, nullptr);
    EXPECT_EQ(mob->afflictions->count, 0);

    sv_body bare = body_of(5.0f, 0);
    ASSERT_EQ(sv_floor_add_mob(&f, 0, 0, 0, 0, &bare, 0, nullptr, 0), 1);
    EXPECT_EQ(f.mobs[1].body.actions, nullptr);
    EXPECT_EQ(f.mobs[1].name[0], '\0');
    EXPECT_NE(f.mobs[1].afflictions, f.mobs[0].afflictions);
}

TEST_F(FloorTest, MobRefusals)
{
    make(1, 1);
    sv_body dead = body_of(0.0f, 0);
    sv_body ok = body_of(10.0f, 1);
    EXPECT_EQ(sv_floor_add_mob(&f, 0, 0, 0, 0, &dead, 0, nullptr, 0), -1);
    EXPECT_EQ(sv_floor_add_mob(&f, 0, 0, 0, 0, nullptr, 0, nullptr, 0), -1);
    EXPECT_EQ(sv_floor_add_mob(&f, 1, 0, 0, 0, &ok, 0, nullptr, 0), -1);
    EXPECT_EQ(sv_floor_add_mob(&f, SV_NONE16, 0, 0, 0, &ok, 0, nullptr, 0), -1);
    EXPECT_EQ(sv_floor_add_mob(nullptr, 0, 0, 0, 0, &ok, 0, nullptr, 0), -1);
    for (int i = 0; i < 4; ++i)
        ASSERT_EQ(sv_floor_add_mob(&f, 0, 0, 0, 0, &ok, 0, nullptr, 0), i);
    EXPECT_EQ(sv_floor_add_mob(&f, 0, 0, 0, 0, &ok, 0, nullptr, 0), -1); // table full
    EXPECT_EQ(f.mob_count, 4);
    EXPECT_EQ(sv_floor_mob(&f, 4), nullptr);
    EXPECT_EQ(sv_floor_kill_mob(&f, 4), 0);
    EXPECT_EQ(sv_floor_kill_mob(nullptr, 0), 0);
}

TEST_F(FloorTest, BossSealsItsRoomUntilKilled)
{
    make(4, 3);
    sv_floor_room_tag(&f, 1, SV_TAGS_GATE_SCION);
    sv_body b = body_of(50.0f, 0);
    ASSERT_EQ(sv_floor_add_mob(&f, 1, 0, 0, 0, &b, 0, nullptr, 0), 0); // an ordinary mob first
    ASSERT_EQ(sv_floor_add_mob(&f, 1, 0, 0, 0, &b, 2, "scion", 1), 1);
    f.mobs[1].waiting = 1;
    ASSERT_EQ(sv_floor_add_mob(&f, 2, 0, 0, 0, &b, 2, "untagged", 1), 2);

    EXPECT_EQ(sv_floor_boss_in(&f, 1), &f.mobs[1]);
    EXPECT_EQ(sv_floor_stand_waiting(&f, 1), 1u);
    EXPECT_EQ(sv_floor_stand_waiting(&f, 1), 0u);
    EXPECT_EQ(sv_floor_seal(&f, 1), 1);
    EXPECT_EQ(sv_floor_seal_state(&f, 1), SV_SEAL_SEALED);
    EXPECT_EQ(sv_floor_seal(&f, 2), 0); // no boss tag on the room
    EXPECT_EQ(sv_floor_seal(&f, 0), 0);

    EXPECT_EQ(sv_floor_kill_mob(&f, 0), 1);
    EXPECT_EQ(sv_floor_seal_state(&f, 1), SV_SEAL_SEALED);
    EXPECT_EQ(sv_floor_kill_mob(&f, 1), 1);
    EXPECT_EQ(sv_floor_seal_state(&f, 1), SV_SEAL_CLEARED);
    EXPECT_EQ(sv_floor_boss_in(&f, 1), nullptr);
    EXPECT_EQ(sv_floor_seal(&f, 1), 0);
    EXPECT_EQ(sv_floor_seal_state(&f, 1), SV_SEAL_CLEARED);
    EXPECT_EQ(sv_floor_mobs_in(&f, 1), 2u);
    EXPECT_EQ(sv_floor_mobs_alive_in(&f, 1), 0u);
    EXPECT_EQ(sv_floor_seal_state(&f, 3), 0);
}

// ---- Shots ----

TEST_F(FloorTest, SeventeenthLiveShotReplacesSlotZero)
{
    make(4, 2);
    sv_applies applies {};
    applies.count = 1;
    applies.list[0].key = 77;
    for (int i = 0; i < 16; ++i) {
        sv_shot* s = sv_floor_add_shot(&f, 0, (f32)i, 0, 0, 1, 0, 0, 10, 5, &applies, 60, 1);
        ASSERT_EQ(s, &f.shots[i]);
    }
    EXPECT_EQ(f.shots_used, 16);
    sv_shot* s = sv_floor_add_shot(&f, 1, 99.0f, 0, 0, 1, 0, 0, 10, 5, nullptr, 60, 0);
    ASSERT_EQ(s, &f.shots[0]);
    EXPECT_EQ(s->x, 99.0f);
    EXPECT_EQ(s->applies.count, 0);
    EXPECT_EQ(f.shots[1].applies.list[0].key, 77u);
    EXPECT_EQ(sv_floor_shots_live_in(&f, 0), 15u);
    EXPECT_EQ(sv_floor_shots_live_in(&f, 1), 1u);

    f.shots[5].live = 0;
    f.shots[9].live = 0;
    EXPECT_EQ(sv_floor_add_shot(&f, 0, 0, 0, 0, 0, 0, 1, 1, 1, nullptr, 1, 1), &f.shots[5]);
    EXPECT_EQ(sv_floor_add_shot(&f, 0, 0, 0, 0, 0, 0, 1, 1, 1, nullptr, 1, 1), &f.shots[9]);
    EXPECT_EQ(f.shots_used, 16);

    EXPECT_EQ(sv_floor_add_shot(&f, 2, 0, 0, 0, 0, 0, 1, 1, 1, nullptr, 1, 1), nullptr);
    EXPECT_EQ(sv_floor_add_shot(&f, SV_NONE16, 0, 0, 0, 0, 0, 1, 1, 1, nullptr, 1, 1), nullptr);
}

// ---- Weapon spots ----

TEST_F(FloorTest, WeaponSpotIsStockedAndTakenOnce)
{
    make(4, 3);
    sv_weapon blade {};
    blade.primary.kind = 1;
    sv_weapon none {};

    EXPECT_FALSE(sv_floor_stock_weapon(&f, 0, &blade)); // no room yet
    sv_floor_place_weapon(&f, 0, 2);
    sv_floor_place_weapon(&f, 1, 9); // not a room: none
    EXPECT_EQ(f.weapon_room[1], SV_NONE16);
    EXPECT_EQ(sv_floor_weapon_in(&f, 2), -1); // placed but not stocked
    EXPECT_FALSE(sv_floor_stock_weapon(&f, 0, &none));
    EXPECT_TRUE(sv_floor_stock_weapon(&f, 0, &blade));
    EXPECT_FALSE(sv_floor_stock_weapon(&f, 2, &blade));
    EXPECT_EQ(sv_floor_weapon_in(&f, 2), 0);
    EXPECT_EQ(sv_floor_weapon_in(&f, SV_NONE16), -1);
    EXPECT_EQ(sv_floor_weapon_in(nullptr, 2), -1);

    EXPECT_TRUE(sv_floor_take_weapon(&f, 0));
    EXPECT_FALSE(sv_floor_take_weapon(&f, 0));
    EXPECT_FALSE(sv_floor_take_weapon(&f, 1));
    EXPECT_EQ(sv_floor_weapon_in(&f, 2), -1);

    sv_floor_place_weapon(&f, 0, 1); // moving the spot clears it
    EXPECT_EQ(f.weapon_taken[0], 0);
    EXPECT_EQ(f.weapons[0].primary.kind, 0);
}

// ---- Per-room play state ----

TEST_F(FloorTest, VisitsCountOncePerRoom)
{
    make(130, 130);
    EXPECT_EQ(sv_floor_visit(&f, 0), 1);
    EXPECT_EQ(sv_floor_visit(&f, 0), 0);
    EXPECT_EQ(sv_floor_visit(&f, 64), 1);
    EXPECT_EQ(sv_floor_visit(&f, 129), 1);
    EXPECT_EQ(sv_floor_visit(&f, 130), 0);
    EXPECT_EQ(sv_floor_visited_count(&f), 3);
    EXPECT_EQ(sv_floor_visited(&f, 64), 1);
    EXPECT_EQ(sv_floor_visited(&f, 63), 0);
    EXPECT_EQ(sv_floor_visited(&f, 130), 0);
    EXPECT_EQ(sv_floor_generated_count(&f), 130);
    sv_floor_clear_visited(&f);
    EXPECT_EQ(sv_floor_visited_count(&f), 0);
    EXPECT_EQ(sv_floor_visited(&f, 129), 0);
}

TEST_F(FloorTest, OnlyTaggedKeysAreTaken)
{
    make(4, 2);
    sv_floor_room_tag(&f, 1, SV_TAG_PRISM);
    EXPECT_EQ(sv_floor_take(&f, 1, SV_TAG_SHARD), 0);
    EXPECT_EQ(sv_floor_taken(&f, 1), 0);
    EXPECT_EQ(sv_floor_take(&f, 1, SV_TAG_SHARD | SV_TAG_PRISM), SV_TAG_PRISM);
    EXPECT_EQ(sv_floor_take(&f, 1, SV_TAG_PRISM), 0);
    EXPECT_EQ(sv_floor_taken(&f, 1), SV_TAG_PRISM);
    EXPECT_EQ(sv_floor_take(&f, 5, SV_TAG_PRISM), 0);
    EXPECT_EQ(sv_floor_taken(&f, 5), 0);
}

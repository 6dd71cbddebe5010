// The combat layer's place cache, mob heights and ground, and door filters.
#include <cstring>

#include "actors/boss.h"
#include "actors/combat.h"
#include "actors_util.h"
#include "floor/gen.h"
#include "game/pipeline.h"
#include "world/geom.h"
#include "world/geom_cache.h"

namespace {

// A floor generated through the whole pipeline that frees itself.
struct made_floor {
    sv_floor f {};
    made_floor(u64 seed, u16 number) { sv_pipeline_generate(&f, seed, number); }
    ~made_floor() { sv_floor_free(&f); }
    made_floor(const made_floor&) = delete;
    made_floor& operator=(const made_floor&) = delete;
};

bool same_geom(const sv_geom* a, const sv_floor* floor, u16 place)
{
    static sv_geom s_want;
    sv_geom_build(&s_want, floor, place);
    return a && std::memcmp(a, &s_want, sizeof s_want) == 0;
}

// The cache's key of a place, as the cache forms it, to find floors whose keys collide.
u64 key_of(u16 place_count, u16 place, u64 seed, u32 serial, u16 number)
{
    return (((u64)place_count << 32) | ((u64)place << 16)) ^ (0x9e3779b97f4a7c15ull * seed)
        ^ ((u64)serial * 2u) ^ ((u64)number << 48);
}

struct CombatSupport : ::testing::Test {
    void SetUp() override
    {
        sv_tune_reset_defaults();
        sv_geom_cache_reset();
    }
};

} // namespace

TEST_F(CombatSupport, APlaceIsBuiltOnceAndTheLeastRecentlyUsedPlaceMakesRoom)
{
    made_floor m(7, 10);
    ASSERT_GE(m.f.place_count, SV_GEOM_CACHE + 2);
    sv_geom_cache_reset(); // generation handed on its rooms
    u64 builds = sv_geom_cache_builds();
    const sv_geom* g = sv_geom_cached(&m.f, 3);
    EXPECT_EQ(sv_geom_cached(&m.f, 3), g);
    EXPECT_EQ(sv_geom_cache_builds(), builds + 1);
    EXPECT_TRUE(same_geom(g, &m.f, 3));

    // A place in use every tick (the first here) stays while as many others come as the cache
    // holds; the one unused longest makes room.
    sv_geom_cache_reset();
    builds = sv_geom_cache_builds();
    for (u16 p = 0; p < SV_GEOM_CACHE; ++p)
        EXPECT_TRUE(same_geom(sv_geom_cached(&m.f, p), &m.f, p));
    EXPECT_EQ(sv_geom_cache_builds(), builds + SV_GEOM_CACHE);
    sv_geom_cached(&m.f, 0); // used again: now the most recent
    EXPECT_EQ(sv_geom_cache_builds(), builds + SV_GEOM_CACHE);
    EXPECT_TRUE(same_geom(sv_geom_cached(&m.f, SV_GEOM_CACHE), &m.f, SV_GEOM_CACHE));
    EXPECT_EQ(sv_geom_cache_builds(), builds + SV_GEOM_CACHE + 1);
    sv_geom_cached(&m.f, 0); // still held
    EXPECT_EQ(sv_geom_cache_builds(), builds + SV_GEOM_CACHE + 1);
    sv_geom_cached(&m.f, 1); // the least recently used went
    EXPECT_EQ(sv_geom_cache_builds(), builds + SV_GEOM_CACHE + 2);
    EXPECT_EQ(sv_geom_cached(&m.f, 65535), nullptr);
    EXPECT_EQ(sv_geom_cached(nullptr, 0), nullptr);
}

// The laying pass changes rooms of a floor after its serial is given: an entry is the place's
// geometry only while the place's own record is as it was built from.
TEST_F(CombatSupport, APlaceWhoseRecordChangedIsBuiltAgain)
{
    made_floor m(7, 6);
    u16 room = 1;
    const sv_geom* g = sv_geom_cached(&m.f, room);
    ASSERT_TRUE(same_geom(g, &m.f, room));
    m.f.rooms[room].elevation += 0.5f;
    EXPECT_TRUE(same_geom(sv_geom_cached(&m.f, room), &m.f, room));
    m.f.rooms[room].interior = m.f.rooms[room].interior == 3 ? 4 : 3;
    EXPECT_TRUE(same_geom(sv_geom_cached(&m.f, room), &m.f, room));
}

TEST_F(CombatSupport, ANewFloorNeverMeetsAnOldFloorsEntry)
{
    // A corridor piece: generation hands on the rooms it built, not the pieces.
    u64 builds = sv_geom_cache_builds();
    u16 piece = 0;
    {
        made_floor a(11, 3);
        piece = a.f.room_count;
        ASSERT_LT(piece, a.f.place_count);
        sv_geom_cached(&a.f, piece);
    }
    made_floor b(11, 3);
    EXPECT_TRUE(same_geom(sv_geom_cached(&b.f, piece), &b.f, piece));
    EXPECT_EQ(sv_geom_cache_builds(), builds + 2);
}

// A floor's first ticks find the rooms generation built: their geometries without a build, and
// their grids among the kept ones, each the same as a build would make.
TEST_F(CombatSupport, GenerationHandsOnTheRoomsItBuilt)
{
    made_floor m(7, 10);
    u64 builds = sv_geom_cache_builds();
    for (u16 r = 0; r < m.f.room_count && r < 8; ++r)
        EXPECT_TRUE(same_geom(sv_geom_cached(&m.f, r), &m.f, r)) << "room " << r;
    EXPECT_EQ(sv_geom_cache_builds(), builds);
}

// Thousands of floors later the floor serial overlaps the place bits of the key, so another place
// of the same seed hashes to an old entry's key; the entry's stored serial and place still tell
// them apart.
TEST_F(CombatSupport, KeysThatCollideAfterThousandsOfFloorsStillGiveTheRightPlace)
{
    const u64 seed = 4471;
    const u16 number = 4;
    sv_floor a {};
    sv_pipeline_generate(&a, seed, number);
    const sv_geom* first = sv_geom_cached(&a, 0);
    ASSERT_NE(first, nullptr);
    u64 key = key_of(a.place_count, 0, seed, a.serial, number);
    // The fewest floors in between after which some place of the same floor collides.
    u32 between = 0, place = 0;
    bool found = false;
    for (u32 d = 0; d < 131072 && !found; ++d)
        for (u16 p = 1; p < a.room_count && !found; ++p)
            if (key_of(a.place_count, p, seed, a.serial + 1 + d, number) == key) {
                between = d;
                place = p;
                found = true;
            }
    ASSERT_TRUE(found);
    printf("  %u floors in between; place %u takes place 0's key\n", between, place);
    for (u32 i = 0; i < between; ++i) {
        sv_floor f {};
        sv_floor_init(&f, 1, i, 1);
        sv_floor_free(&f);
    }
    made_floor b(seed, number);
    ASSERT_EQ(key_of(b.f.place_count, (u16)place, seed, b.f.serial, number), key);
    EXPECT_TRUE(same_geom(sv_geom_cached(&b.f, (u16)place), &b.f, (u16)place));
    sv_floor_free(&a);
}

TEST_F(CombatSupport, MobsStandOnTheGroundAndKnowTheirHeights)
{
    EXPECT_FLOAT_EQ(sv_mob_height(sv_kind_axiom(8)), 2.6f);
    EXPECT_FLOAT_EQ(sv_mob_height(sv_kind_scion(6, "x")), 2.0f);
    EXPECT_FLOAT_EQ(sv_mob_height(sv_kind_mob(5, 1)), 1.45f);
    EXPECT_FLOAT_EQ(sv_mob_centre(sv_kind_axiom(8)), 2.34f);
    EXPECT_FLOAT_EQ(sv_mob_centre(sv_kind_scion(6, "x")), 1.8f);
    EXPECT_FLOAT_EQ(sv_mob_centre(sv_kind_mob(5, 1)), 1.305f);

    sv_geom g = square_place(5.0f);
    g.floor_y = 1.25f;
    sv_mob mob;
    std::memset(&mob, 0, sizeof mob);
    mob.y = 7.0f;
    mob.vy = -3.0f;
    mob.airborne = 1;
    EXPECT_EQ(sv_mob_base(&g, &mob), 1.25f); // never settled: the ground
    mob_settle(&g, &mob);
    EXPECT_EQ(mob.y, 1.25f);
    EXPECT_EQ(mob.vy, 0.0f);
    EXPECT_EQ(mob.airborne, 0);
    EXPECT_EQ(mob.settled, 1);
    mob.airborne = 1;
    mob.y = 3.0f;
    EXPECT_EQ(sv_mob_base(&g, &mob), 3.0f);
    EXPECT_EQ(sv_mob_base(&g, nullptr), 0.0f);
}

// Whether a mob may go from room r through its door d all the way into the room beyond, one
// place at a time: a door that leads into a corridor is judged where the corridor meets the far
// room, at the crossed link.
i32 mob_reaches_beyond(const sv_floor* f, u16 r, u8 d)
{
    u16 place = r;
    u8 door = d;
    for (u32 steps = 0; steps < 64; ++steps) {
        if (!mob_may_take(nullptr, f, place, door))
            return 0;
        u16 next = SV_NONE16;
        u8 entry = 0;
        sv_floor_place_next(f, place, door, &next, &entry, nullptr, nullptr);
        if (next < f->room_count)
            return 1;
        place = next;
        door = entry == 0 ? 1 : 0; // on through the piece
    }
    return 0;
}

TEST_F(CombatSupport, DoorFiltersRefuseFogLocksAndSealedRooms)
{
    made_floor m(3, 5);
    u32 locked = 0, exits = 0, open = 0;
    for (u16 r = 0; r < m.f.room_count; ++r) {
        const sv_room* room = &m.f.rooms[r];
        for (u8 d = 0; d < room->door_count; ++d) {
            i32 sight = sight_may_pass(nullptr, &m.f, r, d);
            i32 take = mob_reaches_beyond(&m.f, r, d);
            EXPECT_EQ(sight, sv_floor_fogged(&m.f, r, d) ? 0 : 1);
            if (room->doors[d].kind == SV_DOOR_EXIT) {
                EXPECT_EQ(mob_may_take(nullptr, &m.f, r, d), 0);
                ++exits;
            } else if (room->doors[d].locked) {
                EXPECT_EQ(take, 0);
                ++locked;
            } else if (sight) {
                EXPECT_EQ(take, 1);
                ++open;
            }
        }
    }
    EXPECT_EQ(exits, 1u);
    EXPECT_GT(locked, 0u);
    EXPECT_GT(open, 0u);

    // A sealed room beyond is never taken.
    for (u16 r = 0; r < m.f.room_count; ++r) {
        const sv_room* room = &m.f.rooms[r];
        for (u8 d = 0; d < room->door_count; ++d) {
            u16 t = room->doors[d].target;
            if (room->doors[d].locked || t >= m.f.room_count || !mob_reaches_beyond(&m.f, r, d))
                continue;
            sv_floor_seal(&m.f, t);
            if (sv_floor_seal_state(&m.f, t) & SV_SEAL_SEALED) {
                EXPECT_EQ(mob_reaches_beyond(&m.f, r, d), 0);
            }
            sv_floor_unseal(&m.f, t);
        }
    }
}

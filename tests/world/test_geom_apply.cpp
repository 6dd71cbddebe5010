// The laying pass: scales, elevations, corridors and interiors chosen once per floor, the same
// on every run, walkable where furnished, bare (with its warning) only when no draw will do.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "core/log.h"
#include "world/nav.h"
#include "world/world_util.h"

namespace {

// What the pass writes into a floor, field by field.
struct laid {
    std::vector<f32> scales, elevations;
    std::vector<u8> draws;
    std::vector<sv_passage> passages;
    std::vector<sv_passage_piece> pieces;
    u16 place_count = 0;
};

laid take(const sv_floor* f)
{
    laid l;
    for (u16 r = 0; r < f->room_count; ++r) {
        l.scales.push_back(f->rooms[r].radius_scale);
        l.elevations.push_back(f->rooms[r].elevation);
        l.draws.push_back(f->rooms[r].interior);
    }
    for (u16 i = 0; i < f->passage_count; ++i) {
        sv_passage p = f->passages[i];
        for (u16 j = 0; j < p.piece_count; ++j)
            l.pieces.push_back(p.pieces[j]);
        p.pieces = nullptr;
        l.passages.push_back(p);
    }
    l.place_count = f->place_count;
    return l;
}

void expect_same(const laid& a, const laid& b, const char* what)
{
    ASSERT_EQ(a.scales, b.scales) << what;
    ASSERT_EQ(a.elevations, b.elevations) << what;
    ASSERT_EQ(a.draws, b.draws) << what;
    ASSERT_EQ(a.place_count, b.place_count) << what;
    ASSERT_EQ(a.passages.size(), b.passages.size()) << what;
    for (size_t i = 0; i < a.passages.size(); ++i) {
        const sv_passage &p = a.passages[i], &q = b.passages[i];
        ASSERT_TRUE(p.room_a == q.room_a && p.room_b == q.room_b && p.door_a == q.door_a
                    && p.door_b == q.door_b && p.first_place == q.first_place
                    && p.piece_count == q.piece_count && p.width == q.width)
            << what << " passage " << i;
    }
    ASSERT_EQ(a.pieces.size(), b.pieces.size()) << what;
    for (size_t i = 0; i < a.pieces.size(); ++i)
        ASSERT_TRUE(a.pieces[i].kind == b.pieces[i].kind && a.pieces[i].length == b.pieces[i].length
                    && a.pieces[i].turn == b.pieces[i].turn)
            << what << " piece " << i;
}

// The log written while fn runs, stderr quiet.
template <typename Fn> std::string logged(Fn fn)
{
    FILE* file = tmpfile();
    EXPECT_NE(file, nullptr);
    sv_log_set_stderr(0);
    sv_log_open_file(file);
    fn();
    sv_log_flush();
    fseek(file, 0, SEEK_SET);
    std::string text;
    char buf[512];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, file)) > 0)
        text.append(buf, n);
    sv_log_close();
    sv_log_set_stderr(1);
    return text;
}

// A hand-made floor: rooms joined in a chain by door 0 of each to the one before.
struct chain_floor {
    sv_floor f {};
    explicit chain_floor(u16 rooms, u64 seed = 4471)
    {
        sv_floor_init(&f, 2, seed, rooms);
        for (u16 r = 0; r < rooms; ++r)
            sv_floor_add_room(&f, r == 0 ? SV_TAG_SPAWN : 0);
        for (u16 r = 1; r < rooms; ++r)
            sv_floor_link(&f, (u16)(r - 1), r, SV_DOOR_NORMAL);
    }
    ~chain_floor() { sv_floor_free(&f); }
};

} // namespace

TEST(GeomApply, RunTwiceChangesNothingAndOneSeedGivesOneFloor)
{
    sv_tune_reset_defaults();
    for (u16 number : {1, 3, 7}) {
        for (u64 seed = 1; seed <= 12; seed += sanitized_stride(12)) {
            world_floor a(seed, number, world_lay::pass);
            laid first = take(&a.f);
            ASSERT_GT(a.f.passage_count, 0u);
            ASSERT_GT(a.f.place_count, a.f.room_count);
            sv_geom_apply(&a.f);
            expect_same(first, take(&a.f), "second run");
            world_floor b(seed, number, world_lay::pass);
            expect_same(first, take(&b.f), "fresh floor");
        }
    }
}

TEST(GeomApply, ScalesElevationsAndCorridorsFollowTheTunables)
{
    sv_tune_reset_defaults();
    sv_tune_set_by_name("corridor.bends_max", 0);
    world_floor w(17, 5, world_lay::pass);
    const sv_floor* f = &w.f;
    u32 arena = 0, one_step = 0, three = 0;
    for (u16 r = 0; r < f->room_count; ++r) {
        const sv_room* room = &f->rooms[r];
        f32 base = (room->tags & SV_TAGS_ARENA) ? 1.8f : room->door_count >= 5 ? 1.8f : 1.0f;
        arena += (room->tags & SV_TAGS_ARENA) != 0;
        EXPECT_GE(room->radius_scale, base * 0.88f - 1e-5f) << r;
        EXPECT_LE(room->radius_scale, base * 1.12f + 1e-5f) << r;
        EXPECT_LE(std::fabs(room->elevation), 3.0f) << r;
    }
    EXPECT_GT(arena, 0u);
    // Every door pair between rooms has exactly one passage; no exit door has one.
    u32 pairs = 0;
    for (u16 r = 0; r < f->room_count; ++r)
        for (u8 d = 0; d < f->rooms[r].door_count; ++d) {
            const sv_door* door = &f->rooms[r].doors[d];
            if (door->kind == SV_DOOR_EXIT) {
                EXPECT_LT(sv_floor_passage_of(f, r, d), 0);
                continue;
            }
            EXPECT_GE(sv_floor_passage_of(f, r, d), 0) << r << " " << (int)d;
            pairs += door->target > r || (door->target == r && door->back > d);
        }
    EXPECT_EQ(pairs, f->passage_count);
    for (u16 i = 0; i < f->passage_count; ++i) {
        const sv_passage* p = &f->passages[i];
        ASSERT_TRUE(p->piece_count == 1 || p->piece_count == 3) << i;
        EXPECT_EQ(p->width, 2.4f);
        EXPECT_EQ(p->pieces[0].kind, SV_PIECE_STEP);
        EXPECT_EQ(p->pieces[p->piece_count - 1].kind, SV_PIECE_STEP);
        if (p->piece_count == 3) {
            EXPECT_EQ(p->pieces[1].kind, SV_PIECE_STRAIGHT);
            EXPECT_GE(p->pieces[1].length, 3.0f);
            EXPECT_LE(p->pieces[1].length, 9.0f);
        }
        one_step += p->piece_count == 1;
        three += p->piece_count == 3;
    }
    EXPECT_GT(one_step, 0u);
    EXPECT_GT(three, 0u);

    // Bends: pieces alternate bend and straight between the two steps.
    sv_tune_set_by_name("corridor.bends_max", 5);
    sv_tune_set_by_name("corridor.bend_chance", 1);
    sv_tune_set_by_name("corridor.step_share", 0);
    world_floor bent(17, 5, world_lay::pass);
    for (u16 i = 0; i < bent.f.passage_count; ++i) {
        const sv_passage* p = &bent.f.passages[i];
        ASSERT_EQ(p->piece_count, 13);
        for (u16 j = 2; j + 1 < p->piece_count; j += 2) {
            EXPECT_EQ(p->pieces[j].kind, SV_PIECE_BEND);
            EXPECT_EQ(p->pieces[j].length, 2.4f);
            EXPECT_TRUE(p->pieces[j].turn == 1 || p->pieces[j].turn == -1);
            EXPECT_EQ(p->pieces[j + 1].kind, SV_PIECE_STRAIGHT);
        }
    }
    sv_tune_reset_defaults();
}

TEST(GeomApply, ADoorPairOfOneRoomIsLaidOnceAndExitsNever)
{
    sv_tune_reset_defaults();
    chain_floor c(3);
    ASSERT_EQ(sv_floor_link_self(&c.f, 1), 1);
    ASSERT_GE(sv_floor_add_door(&c.f, 2, SV_NONE16, SV_NONE8, SV_DOOR_EXIT), 0);
    sv_geom_apply(&c.f);
    ASSERT_EQ(c.f.passage_count, 3u);
    const sv_passage* self = &c.f.passages[2];
    EXPECT_EQ(self->room_a, 1);
    EXPECT_EQ(self->room_b, 1);
    EXPECT_LT(self->door_a, self->door_b);
    EXPECT_LT(sv_floor_passage_of(&c.f, 2, 1), 0);
    u16 places = c.f.place_count;
    sv_geom_apply(&c.f);
    EXPECT_EQ(c.f.passage_count, 3u);
    EXPECT_EQ(c.f.place_count, places);
}

TEST(GeomApply, EveryFurnishedRoomIsWalkableAndBareRoomsAreRare)
{
    sv_tune_reset_defaults();
    static sv_geom s_g;
    f32 radius = (f32)sv_tune(SV_TUNE_PLAYER_RADIUS);
    u64 rooms = 0, bare = 0;
    for (u16 number = 1; number <= 10; ++number)
        for (u64 seed = 1; seed <= 10; seed += sanitized_stride(10)) {
            world_floor w(seed * 131 + number, number, world_lay::pass);
            for (u16 r = 0; r < w.f.room_count; ++r) {
                rooms += 1;
                if (w.f.rooms[r].interior == SV_INTERIOR_BARE) {
                    bare += 1;
                    continue;
                }
                ASSERT_LT(w.f.rooms[r].interior, 8);
                sv_geom_build(&s_g, &w.f, r);
                ASSERT_EQ(sv_nav_walkable(&s_g, radius), 1)
                    << "seed " << w.f.seed << " floor " << number << " room " << r;
            }
        }
    std::printf("[ laying ] %llu rooms on floors 1-10, %llu bare (%.2f%%)\n",
                (unsigned long long)rooms, (unsigned long long)bare,
                100.0 * (double)bare / (double)rooms);
    EXPECT_LT((double)bare, 0.02 * (double)rooms);
}

TEST(GeomApply, AChildRepeatingItsParentEveryTimeEndsBareWithTheWarning)
{
    sv_tune_reset_defaults();
    // Six columns in a wide room and nothing else: every draw has one non-empty signature.
    sv_tune_set_by_name("geom.room_radius", 40);
    sv_tune_set_by_name("interior.columns", 20);
    sv_tune_set_by_name("interior.blocks", 0);
    sv_tune_set_by_name("interior.benches", 0);
    sv_tune_set_by_name("interior.dais_chance", 0);
    chain_floor c(2);
    std::string log = logged([&] { sv_geom_apply(&c.f); });
    EXPECT_EQ(c.f.rooms[0].interior, 0); // no parent: the first walkable draw
    EXPECT_EQ(c.f.rooms[1].interior, SV_INTERIOR_BARE);
    EXPECT_NE(log.find("floor 2 room 1: bare -- of 8 interior draws, 8 repeated the parent's "
                       "shape and 0 were not walkable"),
              std::string::npos)
        << log;
    sv_tune_reset_defaults();
}

TEST(GeomApply, EmptyInteriorsNeverRepeatAndUnwalkableDrawsAreCounted)
{
    sv_tune_reset_defaults();
    sv_tune_set_by_name("interior.columns", 0);
    sv_tune_set_by_name("interior.blocks", 0);
    sv_tune_set_by_name("interior.benches", 0);
    sv_tune_set_by_name("interior.dais_chance", 0);
    {
        chain_floor c(4);
        std::string log = logged([&] { sv_geom_apply(&c.f); });
        for (u16 r = 0; r < 4; ++r)
            EXPECT_EQ(c.f.rooms[r].interior, 0) << r; // signature 0 under a parent of 0
        EXPECT_EQ(log.find("bare"), std::string::npos) << log;
    }
    // Door feet pressed against the walls: no draw is walkable for a wide body.
    sv_tune_set_by_name("geom.ramp_run", 0.05);
    sv_tune_set_by_name("player.radius", 3);
    {
        chain_floor c(2);
        std::string log = logged([&] { sv_geom_apply(&c.f); });
        EXPECT_EQ(c.f.rooms[0].interior, SV_INTERIOR_BARE);
        EXPECT_NE(log.find("floor 2 room 0: bare -- of 8 interior draws, 0 repeated the parent's "
                           "shape and 8 were not walkable"),
                  std::string::npos)
            << log;
    }
    sv_tune_reset_defaults();
}

TEST(GeomApply, NullFloorIsIgnored)
{
    sv_geom_apply(nullptr);
}

// The generator: determinism, sizing, degrees, the walk, and where obligations and contents go.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "core/rng.h"
#include "floor/gen_place.h"
#include "floor/validate.h"
#include "test_gen_util.h"

namespace {

bool same_floor(const sv_floor* a, const sv_floor* b)
{
    if (a->room_count != b->room_count || a->chest_count != b->chest_count)
        return false;
    for (u16 r = 0; r < a->room_count; ++r) {
        const sv_room& x = a->rooms[r];
        const sv_room& y = b->rooms[r];
        if (x.door_count != y.door_count || x.tags != y.tags || x.depth != y.depth)
            return false;
        for (u8 d = 0; d < 6; ++d)
            if (x.doors[d].target != y.doors[d].target || x.doors[d].back != y.doors[d].back
                || x.doors[d].kind != y.doors[d].kind || x.doors[d].locked != y.doors[d].locked)
                return false;
    }
    for (u16 c = 0; c < a->chest_count; ++c)
        if (a->chests[c].room != b->chests[c].room || a->chests[c].rarity != b->chests[c].rarity
            || a->chests[c].locked != b->chests[c].locked)
            return false;
    return a->weapon_room[0] == b->weapon_room[0] && a->weapon_room[1] == b->weapon_room[1];
}

u32 exit_doors(const sv_floor* f, u16* holder = nullptr)
{
    u32 n = 0;
    for (u16 r = 0; r < f->room_count; ++r)
        for (u8 d = 0; d < f->rooms[r].door_count; ++d)
            if (f->rooms[r].doors[d].kind == SV_DOOR_EXIT) {
                n += 1;
                if (holder)
                    *holder = r;
            }
    return n;
}

// The door in the room's parent that leads into it.
const sv_door* inbound(const sv_floor* f, u16 room)
{
    u16 p = f->rooms[room].doors[0].target;
    for (u8 d = 0; d < f->rooms[p].door_count; ++d)
        if (f->rooms[p].doors[d].target == room)
            return &f->rooms[p].doors[d];
    return nullptr;
}

} // namespace

TEST(Gen, SameSeedAndFloorGiveTheSameFloor)
{
    tunables_guard tg;
    for (u16 number : {1, 2, 5, 9}) {
        grown_floor a(77, number), b(77, number);
        EXPECT_TRUE(same_floor(&a.f, &b.f)) << number;
        EXPECT_EQ(0, std::memcmp(&a.st, &b.st, sizeof a.st));
        EXPECT_EQ(text_of(&a.f), text_of(&b.f));
        EXPECT_EQ(dot_of(&a.f), dot_of(&b.f));
    }
    grown_floor c(78, 5), d(77, 5);
    EXPECT_NE(text_of(&c.f), text_of(&d.f));
}

TEST(Gen, GeneratedFloorIsATreeWithDepthsFromSpawn)
{
    tunables_guard tg;
    for (u64 seed = 1; seed <= 40; ++seed) {
        grown_floor g(seed, (u16)(1 + seed % 6));
        const sv_floor* f = &g.f;
        ASSERT_GE(f->room_count, 2u);
        EXPECT_EQ(g.room(0).depth, 0);
        EXPECT_TRUE(g.room(0).tags & SV_TAG_SPAWN);
        u32 links = 0;
        for (u16 r = 0; r < f->room_count; ++r) {
            for (u8 d = 0; d < g.room(r).door_count; ++d) {
                const sv_door& door = g.room(r).doors[d];
                if (door.kind == SV_DOOR_EXIT) {
                    EXPECT_EQ(door.target, SV_NONE16);
                    continue;
                }
                links += 1;
                // Both sides of a link name each other.
                ASSERT_LT(door.target, f->room_count);
                EXPECT_EQ(g.room(door.target).doors[door.back].target, r);
            }
            if (r > 0) {
                u16 parent = g.room(r).doors[0].target;
                EXPECT_LT(parent, r);
                EXPECT_EQ(g.room(r).depth, g.room(parent).depth + 1);
            }
        }
        EXPECT_EQ(links, 2u * (f->room_count - 1u)) << "a tree has rooms - 1 links";
        EXPECT_EQ(g.st.rooms, f->room_count);
    }
}

TEST(Gen, LoneRoomWhenTheTableHoldsOne)
{
    tunables_guard tg;
    sv_floor f {};
    sv_floor_init(&f, 3, 5, 1);
    sv_gen_stats st = sv_gen_grow(&f);
    EXPECT_EQ(f.room_count, 1);
    EXPECT_EQ(st.rooms, 1);
    EXPECT_EQ(st.max_depth, 0);
    EXPECT_EQ(st.gates_placed, 0);
    EXPECT_EQ(st.backstop, 0);
    EXPECT_FALSE(st.ledger.prism_placed);
    EXPECT_FALSE(st.ledger.exit_placed);
    EXPECT_STREQ(sv_ledger_missing(&st.ledger), "prism");
    EXPECT_EQ(f.rooms[0].door_count, 0);
    EXPECT_EQ(f.rooms[0].tags, SV_TAG_SPAWN);
    sv_floor_free(&f);
}

// The backstop takes what the placement steps, which only consider rooms reached from spawn,
// could not place: here the one other room is cut off, so the Axiom and its exit land there.
TEST(Gen, BackstopPlacesWhatTheStepsCouldNot)
{
    tunables_guard tg;
    sv_floor f {};
    sv_floor_init(&f, 2, 7, 4);
    sv_floor_add_room(&f, SV_TAG_SPAWN);
    sv_floor_add_room(&f, 0);
    sv_floor_compute_depths(&f, 0);
    ASSERT_EQ(f.rooms[1].depth, SV_NONE16);
    sv_gen_stats st {};
    sv_ledger_init(&st.ledger, 2, 0);
    sv_rng p;
    sv_rng_open(&p, 7, 2, SV_STREAM_PLACEMENT);
    sv_gen_place(&f, &p, 0, 0, &st);
    EXPECT_EQ(st.backstop, 1);
    EXPECT_TRUE(st.ledger.axiom_placed);
    EXPECT_TRUE(st.ledger.exit_placed);
    EXPECT_EQ(f.rooms[1].tags & SV_TAG_AXIOM, SV_TAG_AXIOM);
    ASSERT_EQ(f.rooms[1].door_count, 1);
    EXPECT_EQ(f.rooms[1].doors[0].kind, SV_DOOR_EXIT);
    // A room spawn cannot reach is as good as behind a Prism lock: the Prism stays owed.
    EXPECT_STREQ(sv_ledger_missing(&st.ledger), "prism");
    sv_floor_free(&f);
}

// A floor that is only generated and checked lives in the one block it starts with, and takes
// no mob, shot or passage table until something is added.
TEST(Gen, GeneratedFloorStaysInItsFirstBlock)
{
    tunables_guard tg;
    for (u16 number = 1; number <= 10; ++number) {
        for (u64 seed = 1; seed <= 20; ++seed) {
            grown_floor g(seed, number);
            sv_validate_floor(&g.f, nullptr);
            EXPECT_EQ(g.f.arena.block_count, 1u) << "seed " << seed << " floor " << number;
            EXPECT_EQ(g.f.mobs, nullptr);
            EXPECT_EQ(g.f.shots, nullptr);
            EXPECT_EQ(g.f.passages, nullptr);
        }
    }
}

TEST(Gen, ScratchIsGivenBack)
{
    tunables_guard tg;
    sv_floor f {};
    sv_floor_init(&f, 4, 99, (u16)sv_gen_capacity_for(4));
    u64 before = sv_arena_used(&f.arena);
    sv_gen_grow(&f);
    // Only the floor's own tables are written; generation leaves nothing in the arena.
    EXPECT_EQ(sv_arena_used(&f.arena), before);
    sv_validate_floor(&f, nullptr);
    sv_gen_walk(&f, 0, SV_WALK_DFS, nullptr, 0);
    EXPECT_EQ(sv_arena_used(&f.arena), before);
    sv_floor_free(&f);
}

TEST(Gen, NarrowDegreeStillReachesTheDrawnSize)
{
    tunables_guard tg;
    for (u64 seed = 1; seed <= 30; ++seed) {
        u16 wide;
        {
            grown_floor g(seed, 3);
            wide = g.f.room_count;
        }
        set_tune("floor.max_degree", 2);
        grown_floor g(seed, 3);
        // The size is the first draw of the topology stream, so it does not depend on the degree;
        // rooms that no level could take come from the remainder.
        EXPECT_EQ(g.f.room_count, wide);
        for (u16 r = 0; r < g.f.room_count; ++r) {
            u32 links = 0;
            for (u8 d = 0; d < g.room(r).door_count; ++d)
                links += g.room(r).doors[d].kind != SV_DOOR_EXIT;
            EXPECT_LE(links, 2u);
        }
        sv_tune_reset_defaults();
    }
}

TEST(Gen, DrawDegree)
{
    tunables_guard tg;
    sv_rng rng, before;
    sv_rng_seed(&rng, 5);
    before = rng;
    EXPECT_EQ(sv_gen_draw_degree(&rng, 1.0, 6), 1);
    EXPECT_EQ(sv_gen_draw_degree(&rng, 4.0, 1), 1);
    EXPECT_EQ(0, std::memcmp(&rng, &before, sizeof rng)) << "no draw for m = 1 or max = 1";

    set_tune("floor.linearity", 0);
    for (int i = 0; i < 200; ++i) {
        i32 d = sv_gen_draw_degree(&rng, 2.5, 5);
        EXPECT_TRUE(d == 1 || d == 5) << d;
    }
    set_tune("floor.linearity", 0.85);
    int hugging = 0;
    for (int i = 0; i < 400; ++i) {
        i32 d = sv_gen_draw_degree(&rng, 2.5, 5);
        EXPECT_GE(d, 1);
        EXPECT_LE(d, 5);
        hugging += d == 2 || d == 3;
    }
    EXPECT_GT(hugging, 300);
    // At exactly one half the hugging chance is zero, so the binomial always runs: max - 1 draws.
    set_tune("floor.linearity", 0.5);
    sv_rng a = rng, b = rng;
    sv_gen_draw_degree(&a, 2.5, 5);
    for (int i = 0; i < 4; ++i)
        sv_rng_next(&b);
    EXPECT_EQ(0, std::memcmp(&a, &b, sizeof a));
}

TEST(GenPlace, FirstFloorHasALockedExitAndAPrismOnly)
{
    tunables_guard tg;
    for (u64 seed = 1; seed <= 60; ++seed) {
        grown_floor g(seed, 1);
        const sv_floor* f = &g.f;
        u16 holder = SV_NONE16;
        ASSERT_EQ(exit_doors(f, &holder), 1u) << seed;
        for (u8 d = 0; d < g.room(holder).door_count; ++d) {
            if (g.room(holder).doors[d].kind == SV_DOOR_EXIT) {
                EXPECT_TRUE(g.room(holder).doors[d].locked);
            }
        }
        EXPECT_GE(g.room(holder).depth, (u16)(0.75 * g.st.max_depth)) << seed;
        EXPECT_EQ(sv_floor_count_tagged(f, SV_TAG_PRISM), 1u);
        for (u8 tag : {SV_TAG_AXIOM, SV_TAG_GATE, SV_TAG_MONUMENT, SV_TAG_SCION, SV_TAG_SHARD,
                       SV_TAG_FOUNTAIN}) {
            EXPECT_EQ(sv_floor_count_tagged(f, tag), 0u) << (int)tag;
        }
        for (u16 c = 0; c < f->chest_count; ++c) {
            EXPECT_EQ(f->chests[c].rarity, 0u);
            EXPECT_EQ(f->chests[c].locked, 0);
        }
        EXPECT_EQ(sv_ledger_missing(&g.st.ledger), nullptr);
    }
}

TEST(GenPlace, AxiomRoomHoldsTheExitBehindOnePrismLock)
{
    tunables_guard tg;
    u32 prism_checked = 0;
    for (u64 seed = 1; seed <= 80; ++seed) {
        grown_floor g(seed, (u16)(2 + seed % 8));
        const sv_floor* f = &g.f;
        i32 axiom = sv_floor_find(f, SV_TAG_AXIOM);
        ASSERT_GT(axiom, 0);
        u16 holder = SV_NONE16;
        ASSERT_EQ(exit_doors(f, &holder), 1u);
        EXPECT_EQ(holder, axiom);
        for (u8 d = 0; d < g.room(axiom).door_count; ++d) {
            if (g.room(axiom).doors[d].kind == SV_DOOR_EXIT) {
                EXPECT_FALSE(g.room(axiom).doors[d].locked);
            }
        }
        u32 prism_locks = 0;
        for (u16 r = 0; r < f->room_count; ++r)
            for (u8 d = 0; d < g.room(r).door_count; ++d)
                if (g.room(r).doors[d].kind == SV_DOOR_AXIOM) {
                    prism_locks += 1;
                    EXPECT_EQ(g.room(r).doors[d].target, axiom);
                    EXPECT_TRUE(g.room(r).doors[d].locked);
                }
        EXPECT_EQ(prism_locks, 1u);
        EXPECT_EQ(g.room(axiom).doors[0].kind, SV_DOOR_NORMAL)
            << "the way back out is never locked";

        // The Prism lies at least prism.min_distance doors away unless no reachable room did.
        i32 prism = sv_floor_find(f, SV_TAG_PRISM);
        ASSERT_GT(prism, 0);
        std::vector<u16> dist = distances(f, (u16)axiom);
        std::vector<u16> open = distances(f, 0, SV_DOOR_AXIOM);
        if (dist[prism] < 3) {
            for (u16 r = 1; r < f->room_count; ++r) {
                if (r != axiom && open[r] != SV_NONE16) {
                    EXPECT_LE(dist[r], dist[prism]) << "seed " << seed << " room " << r;
                }
            }
        } else {
            prism_checked += 1;
        }
    }
    EXPECT_GT(prism_checked, 60u);
}

TEST(GenPlace, PrismNeverBehindTheLockItOpens)
{
    tunables_guard tg;
    // The Axiom anywhere and no distance asked of the Prism: every room but the Axiom's is a
    // candidate, those beneath the Axiom included.
    set_tune("axiom.depth_band", 1);
    set_tune("prism.min_distance", 0);
    f64 expected_hits = 0;
    for (u64 seed = 1; seed <= 400; ++seed) {
        grown_floor g(seed, 3);
        const sv_floor* f = &g.f;
        i32 axiom = sv_floor_find(f, SV_TAG_AXIOM);
        i32 prism = sv_floor_find(f, SV_TAG_PRISM);
        ASSERT_GT(axiom, 0);
        ASSERT_GT(prism, 0) << "seed " << seed;
        std::vector<u16> open = distances(f, 0, SV_DOOR_AXIOM);
        EXPECT_NE(open[prism], SV_NONE16) << "seed " << seed;
        u32 barred = 0;
        for (u16 r = 1; r < f->room_count; ++r)
            barred += r != axiom && open[r] == SV_NONE16;
        expected_hits += (f64)barred / (f64)(f->room_count - 2);
        EXPECT_TRUE(sv_ledger_satisfied(&g.st.ledger));
        EXPECT_EQ(sv_validate_floor(f, nullptr), 1) << "seed " << seed;
    }
    // A blind pick would have landed behind the lock this many times.
    EXPECT_GT(expected_hits, 10.0);
}

TEST(GenPlace, GateScionsStandOnTheWayToTheAxiom)
{
    tunables_guard tg;
    u32 with_gates = 0, short_chain = 0;
    for (u64 seed = 1; seed <= 80; ++seed) {
        grown_floor g(seed, 5, 6);
        const sv_floor* f = &g.f;
        i32 axiom = sv_floor_find(f, SV_TAG_AXIOM);
        std::vector<u16> chain = chain_of(f, (u16)axiom);
        for (u16 r = 0; r < f->room_count; ++r) {
            if (!(g.room(r).tags & SV_TAG_GATE))
                continue;
            EXPECT_TRUE(g.room(r).tags & SV_TAG_SCION);
            EXPECT_NE(r, 0);
            EXPECT_NE(r, axiom);
            EXPECT_NE(std::find(chain.begin(), chain.end(), r), chain.end()) << "seed " << seed;
        }
        EXPECT_EQ(sv_floor_count_tagged(f, SV_TAGS_GATE_SCION), g.st.gates_placed);
        EXPECT_EQ(g.st.gates_placed + g.st.gate_shortfall, 6);
        EXPECT_EQ(g.st.ledger.gate_owed, g.st.ledger.gate_placed) << "a shortfall is never owed";
        with_gates += g.st.gates_placed > 0;
        short_chain += g.st.gate_shortfall > 0;
    }
    EXPECT_GT(with_gates, 60u);
    EXPECT_GT(short_chain, 30u);
    // Drawn counts on the first floor are always zero.
    grown_floor first(3, 1, 4);
    EXPECT_EQ(first.st.gates_placed, 0);
}

TEST(GenPlace, OptionalScionsAndShards)
{
    tunables_guard tg;
    u32 scions = 0;
    for (u64 seed = 1; seed <= 120; ++seed) {
        grown_floor g(seed, (u16)(2 + seed % 5));
        const sv_floor* f = &g.f;
        std::vector<u8> keyed(f->room_count, 0);
        for (u16 r = 0; r < f->room_count; ++r)
            if (g.room(r).tags & SV_TAGS_KEYED)
                for (u16 c : chain_of(f, r))
                    keyed[c] = 1;
        u32 locks = 0;
        for (u16 r = 1; r < f->room_count; ++r) {
            u8 tags = g.room(r).tags;
            if ((tags & SV_TAG_SCION) && !(tags & SV_TAG_GATE)) {
                scions += 1;
                EXPECT_FALSE(keyed[r]) << "seed " << seed << " room " << r;
                const sv_door* in = inbound(f, r);
                ASSERT_NE(in, nullptr);
                EXPECT_EQ(in->kind, SV_DOOR_SCION);
                EXPECT_TRUE(in->locked);
                locks += 1;
            }
        }
        std::vector<u16> no_lock = distances(f, 0, SV_DOOR_SCION);
        std::vector<u16> no_prism = distances(f, 0, SV_DOOR_AXIOM);
        u32 loose = 0;
        for (u16 r = 0; r < f->room_count; ++r) {
            if (!(g.room(r).tags & SV_TAG_SHARD))
                continue;
            loose += 1;
            EXPECT_FALSE(g.room(r).tags & SV_TAG_AXIOM);
            EXPECT_NE(no_lock[r], SV_NONE16) << "seed " << seed;
            EXPECT_NE(no_prism[r], SV_NONE16) << "seed " << seed;
        }
        EXPECT_EQ(g.st.ledger.shard_locks, locks);
        EXPECT_EQ(g.st.ledger.optional_scions, locks);
        EXPECT_EQ(g.st.ledger.shards, locks + loose);
        if (locks > 0) {
            EXPECT_GE(loose, 1u);
        }
    }
    EXPECT_GT(scions, 60u);
}

TEST(GenPlace, FountainsAndMonument)
{
    tunables_guard tg;
    for (u64 seed = 1; seed <= 60; ++seed) {
        grown_floor g(seed, 4);
        const sv_floor* f = &g.f;
        EXPECT_TRUE(g.room(0).tags & SV_TAG_FOUNTAIN);
        EXPECT_EQ(sv_floor_count_tagged(f, SV_TAG_FOUNTAIN), g.st.ledger.fountains);
        EXPECT_GE(g.st.ledger.fountains, 2) << "spawn and the band fountain";
        for (u16 r = 1; r < f->room_count; ++r) {
            if (g.room(r).tags & SV_TAG_FOUNTAIN) {
                EXPECT_FALSE(g.room(r).tags & (SV_TAGS_NO_MOBS & ~SV_TAG_FOUNTAIN)) << seed;
            }
        }
        EXPECT_EQ(sv_floor_count_tagged(f, SV_TAG_MONUMENT), 1u);
    }
}

TEST(GenPlace, ChestRaritiesAreDrawnOnTheFirstFloorToo)
{
    tunables_guard tg;
    // The ranged spot is the last pick of the placement stream. With weights whose total is
    // zero no rarity is drawn; if the first floor drew none either, the spot could never move.
    set_tune("weapon.ranged_floor", 1);
    u32 moved = 0;
    for (u64 seed = 1; seed <= 60; ++seed) {
        u16 spot;
        {
            grown_floor g(seed, 1);
            spot = g.f.weapon_room[1];
            for (u16 c = 0; c < g.f.chest_count; ++c) {
                EXPECT_EQ(g.f.chests[c].rarity + g.f.chests[c].locked, 0u);
            }
        }
        set_tune("chest.weight_common", 0);
        set_tune("chest.weight_uncommon", 0);
        set_tune("chest.weight_rare", 0);
        {
            grown_floor g(seed, 1);
            moved += g.f.weapon_room[1] != spot;
        }
        sv_tune_reset_defaults();
        set_tune("weapon.ranged_floor", 1);
    }
    EXPECT_GT(moved, 10u);
}

TEST(GenPlace, ChestWeightsAreForcedNonIncreasing)
{
    tunables_guard tg;
    for (u64 seed = 1; seed <= 30; ++seed) {
        set_tune("chest.weight_common", 1);
        set_tune("chest.weight_uncommon", 1);
        set_tune("chest.weight_rare", 1);
        grown_floor a(seed, 3);
        set_tune("chest.weight_uncommon", 3);
        set_tune("chest.weight_rare", 3);
        grown_floor b(seed, 3);
        EXPECT_EQ(text_of(&a.f), text_of(&b.f)) << seed;
    }
}

TEST(GenPlace, WeaponSpots)
{
    tunables_guard tg;
    set_tune("weapon.melee_floor", 2);
    for (u16 number = 1; number <= 4; ++number) {
        grown_floor g(11, number);
        EXPECT_EQ(g.f.weapon_room[0], number == 2 ? 0 : SV_NONE16) << number;
        // The ranged spot (floor 3 by default) lies off the Axiom's way and behind no lock.
        if (number == 3) {
            u16 spot = g.f.weapon_room[1];
            ASSERT_NE(spot, SV_NONE16);
            std::vector<u16> chain = chain_of(&g.f, (u16)sv_floor_find(&g.f, SV_TAG_AXIOM));
            EXPECT_EQ(std::find(chain.begin(), chain.end(), spot), chain.end());
            EXPECT_FALSE(g.room(spot).tags & SV_TAGS_NO_OBLIGATION);
        } else {
            EXPECT_EQ(g.f.weapon_room[1], SV_NONE16);
        }
    }
    set_tune("weapon.melee_floor", 0.5);
    grown_floor g(11, 1);
    EXPECT_EQ(g.f.weapon_room[0], SV_NONE16);
}

// Floor population: the Axiom and Scions, weapon spots and mobs, on hand-made content and over a
// sweep of floors generated with the base pack.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "actors/boss.h"
#include "actors_util.h"
#include "core/log.h"
#include "core/rng.h"
#include "floor/gen.h"
#include "floor/render.h"
#include "game/pipeline.h"
#include "support/capture.h"
#include "world/geom.h"

namespace {

// A floor generated through the whole pipeline that frees itself.
struct made_floor {
    sv_floor f {};
    made_floor(u64 seed, u16 number) { sv_pipeline_generate(&f, seed, number); }
    ~made_floor() { sv_floor_free(&f); }
    made_floor(const made_floor&) = delete;
    made_floor& operator=(const made_floor&) = delete;
};

// Everything the log writes while the value lives, at info and above, without time stamps.
struct log_capture {
    FILE* file = std::tmpfile();
    log_capture()
    {
        sv_log_set_stderr(0);
        sv_log_open_file(file);
    }
    ~log_capture()
    {
        sv_log_close();
        sv_log_set_stderr(1);
        if (file)
            std::fclose(file);
    }
    std::string text()
    {
        std::fflush(file);
        std::string out;
        std::rewind(file);
        char buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, file)) > 0)
            out.append(buf, n);
        return out;
    }
};

const char* const k_actions
    = R"("hp": 50, "speed": 2, "turn": 180, "damage": 5, "reach": 1.2, "windup": 0.4, "active": 0.1, "recovery": 0.5)";

std::string axiom(const char* id, const char* scions, i32 depth_min, f64 weight)
{
    char buf[512];
    std::snprintf(buf, sizeof buf,
                  R"({ "id": "%s", "name": "Axiom %s", "faces": 8, "depth_min": %d, "weight": %g,
                       "scions": [ %s ], %s })",
                  id, id, depth_min, weight, scions, k_actions);
    return buf;
}

std::string scion(const char* id)
{
    return std::string(R"({ "id": ")") + id + R"(", "name": "Scion )" + id + R"(", )" + k_actions
        + " }";
}

std::string mob(const char* id, i32 depth_min, f64 weight)
{
    char buf[512];
    std::snprintf(
        buf, sizeof buf,
        R"({ "id": "%s", "name": "Mob %s", "depth_min": %d, "weight": %g, "sides": 5, %s })", id,
        id, depth_min, weight, k_actions);
    return buf;
}

const char* const k_ranged_only =
    R"([ { "id": "t:sling", "name": "Sling", "slot": "ranged", "damage": 6, "windup": 0.1,
          "active": 0.05, "recovery": 0.3, "range": 24, "grit": 1 } ])";

u32 count_kind(const sv_floor* f, u16 room, u8 kind)
{
    u32 n = 0;
    for (u16 i = 0; i < f->mob_count; ++i)
        if (f->mobs[i].place == room && (f->mobs[i].kind & 0xffu) == kind)
            ++n;
    return n;
}

struct Population : ::testing::Test {
    void SetUp() override
    {
        content_pack::unload();
        sv_tune_reset_defaults();
    }
    void TearDown() override { content_pack::unload(); }
};

} // namespace

TEST_F(Population, FloorOneStandsNoMobsAndDrawsNothing)
{
    boot_base_pack();
    made_floor m(4471, 1);
    EXPECT_EQ(sv_mob_density(&m.f), 0.0);
    EXPECT_EQ(m.f.mob_count, 0);
    EXPECT_EQ(sv_mob_populate(&m.f), 0u);
    EXPECT_EQ(sv_mob_density(nullptr), 0.0);
    EXPECT_EQ(sv_boss_stand(nullptr), 0u);
    EXPECT_EQ(sv_weapon_stock(nullptr), 0u);
    EXPECT_EQ(sv_mob_populate(nullptr), 0u);
}

TEST_F(Population, AxiomWeightsOfZeroDrawEvenlyAndAZeroLosesToAnyWeight)
{
    content_pack pack(
        {{"axioms.json",
          "[" + axiom("t:a", R"("t:s")", 1, 0) + "," + axiom("t:b", R"("t:s")", 1, 0) + "]"},
         {"scions.json", "[" + scion("t:s") + "]"}});
    u32 seen_b = 0;
    for (u64 seed = 0; seed < 400; ++seed) {
        sv_rng rng;
        sv_rng_open(&rng, seed, 2, SV_STREAM_CONTENTS);
        const sv_axiom_def* a = sv_boss_draw_axiom(2, &rng);
        ASSERT_NE(a, nullptr);
        seen_b += std::strcmp(a->id, "t:b") == 0;
    }
    EXPECT_GT(seen_b, 150u);
    EXPECT_LT(seen_b, 250u);

    content_pack::unload();
    content_pack weighted(
        {{"axioms.json",
          "[" + axiom("t:a", R"("t:s")", 1, 0) + "," + axiom("t:b", R"("t:s")", 1, 3) + "]"},
         {"scions.json", "[" + scion("t:s") + "]"}});
    for (u64 seed = 0; seed < 100; ++seed) {
        sv_rng rng;
        sv_rng_open(&rng, seed, 2, SV_STREAM_CONTENTS);
        EXPECT_STREQ(sv_boss_draw_axiom(2, &rng)->id, "t:b");
    }
    EXPECT_EQ(sv_boss_draw_axiom(2, nullptr), nullptr);
}

// Weights near the largest double are finite and accepted, but their sum is not: the picks must
// still choose fairly among them rather than nothing, or always the last.
TEST_F(Population, WeightsNearTheLargestDoubleStillPickFairly)
{
    content_pack pack(
        {{"axioms.json",
          "[" + axiom("t:a", R"("t:s")", 1, 1e308) + "," + axiom("t:b", R"("t:s")", 1, 1e308)
              + "]"},
         {"scions.json", "[" + scion("t:s") + "]"},
         {"mobs.json", "[" + mob("t:m", 1, 1e308) + "," + mob("t:n", 1, 1e308) + "]"}});
    u32 seen_a = 0;
    for (u64 seed = 0; seed < 200; ++seed) {
        sv_rng rng;
        sv_rng_open(&rng, seed, 2, SV_STREAM_CONTENTS);
        const sv_axiom_def* a = sv_boss_draw_axiom(2, &rng);
        ASSERT_NE(a, nullptr);
        seen_a += std::strcmp(a->id, "t:a") == 0;
    }
    EXPECT_GT(seen_a, 60u);
    EXPECT_LT(seen_a, 140u);

    u32 ordinary = 0;
    for (u64 seed = 1; seed <= 10; ++seed) {
        made_floor m(seed, 6);
        for (u16 i = 0; i < m.f.mob_count; ++i)
            ordinary += (m.f.mobs[i].kind & 0xffu) == SV_KIND_MOB;
    }
    EXPECT_GT(ordinary, 0u);
}

TEST_F(Population, AOneScionListStandsThatScionEverywhereWithoutDrawing)
{
    content_pack pack({{"axioms.json", "[" + axiom("t:a", R"("t:only")", 1, 1) + "]"},
                       {"scions.json", "[" + scion("t:other") + "," + scion("t:only") + "]"}});
    sv_rng rng, before;
    sv_rng_open(&rng, 1, 2, SV_STREAM_CONTENTS);
    before = rng;
    const sv_axiom_def* a = sv_content_axiom_find("t:a");
    ASSERT_NE(a, nullptr);
    EXPECT_STREQ(sv_boss_draw_scion(a, &rng)->id, "t:only");
    EXPECT_EQ(std::memcmp(&rng, &before, sizeof rng), 0);

    u64 key = sv_kind_scion(8, "t:only");
    u32 scions = 0;
    for (u64 seed = 1; seed <= 20; ++seed) {
        made_floor m(seed, 6);
        for (u16 i = 0; i < m.f.mob_count; ++i) {
            const sv_mob* mob = &m.f.mobs[i];
            if ((mob->kind & 0xffu) != SV_KIND_SCION)
                continue;
            EXPECT_EQ(mob->kind, key);
            EXPECT_STREQ(mob->name, "Scion t:only");
            ++scions;
        }
    }
    EXPECT_GT(scions, 0u);
}

TEST_F(Population, NoEligibleAxiomStandsNoBossAndSaysSoWithoutAStaleFile)
{
    content_pack pack({{"axioms.json", "[" + axiom("t:deep", R"("t:s")", 50, 1) + "]"},
                       {"scions.json", "[" + scion("t:s") + "]"}});
    sv_rng rng, before;
    sv_rng_open(&rng, 1, 2, SV_STREAM_CONTENTS);
    before = rng;
    EXPECT_EQ(sv_boss_draw_axiom(2, &rng), nullptr);
    EXPECT_EQ(std::memcmp(&rng, &before, sizeof rng), 0);

    // A content load leaves its last file as the diagnostics context; the warning is the floor's.
    sv_diag_set_context("stale pack", "data/stale.json");
    made_floor m(5, 4);
    u64 rooms = 0;
    for (u16 r = 0; r < m.f.room_count; ++r)
        rooms += (m.f.rooms[r].tags & SV_TAGS_BOSS) != 0;
    ASSERT_GT(rooms, 0u);
    EXPECT_EQ(m.f.boss_mob, SV_NONE16);
    for (u16 i = 0; i < m.f.mob_count; ++i)
        EXPECT_EQ(m.f.mobs[i].boss, 0);
    ASSERT_EQ(sv_diag_count(), 1u);
    const sv_diag* d = sv_diag_at(0);
    EXPECT_EQ(d->severity, (u32)SV_DIAG_WARNING);
    EXPECT_EQ(d->kind, (u32)SV_DIAG_DANGLING_REF);
    EXPECT_STREQ(d->subject, "axioms");
    char want[192];
    std::snprintf(want, sizeof want,
                  "floor 4: no Axiom admits depth 4; %llu boss rooms stand empty and will not seal",
                  (unsigned long long)rooms);
    EXPECT_STREQ(d->message, want);
    EXPECT_STREQ(d->pack, "");
    EXPECT_STREQ(d->file, "");
}

TEST_F(Population, RoomsFillOnlyToTheirQuota)
{
    content_pack pack({{"mobs.json", "[" + mob("t:m", 1, 1) + "]"}});
    sv_tune_set_by_name("mob.density_c", 20);
    sv_tune_set_by_name("mob.density_growth_rate", 20);
    for (f64 room_max : {3.0, 9.0}) {
        sv_tune_set_by_name("mob.room_max", room_max);
        u32 cap = room_max > 4 ? 4 : (u32)room_max;
        sv_floor f {};
        sv_floor_init(&f, 5, 77, (u16)sv_gen_capacity_for(5));
        sv_gen_grow(&f);
        sv_body body = sv_content_mob_find("t:m")->body;
        for (u16 r = 0; r < f.room_count; ++r)
            if (!(f.rooms[r].tags & SV_TAGS_NO_MOBS))
                for (int k = 0; k < 2; ++k)
                    sv_floor_add_mob(&f, r, 0, 0, 0, &body, 0, "present", 0);
        u16 before = f.mob_count;
        u64 added = sv_mob_populate(&f);
        EXPECT_EQ(f.mob_count, before + added);
        for (u16 r = 0; r < f.room_count; ++r) {
            if (f.rooms[r].tags & SV_TAGS_NO_MOBS)
                EXPECT_EQ(sv_floor_mobs_in(&f, r), 0u);
            else
                EXPECT_EQ(sv_floor_mobs_in(&f, r), cap) << r; // density this high fills every room
        }
        sv_floor_free(&f);
    }
}

TEST_F(Population, OnlyRangedContentStocksTheRangedSpotAndClearsTheMeleeSpot)
{
    content_pack pack({{"weapons.json", k_ranged_only}});
    sv_tune_set_by_name("weapon.melee_floor", 3);
    log_capture log;
    made_floor m(9, 3);
    ASSERT_EQ(m.f.weapon_room[SV_SLOT_MELEE], SV_NONE16);
    ASSERT_NE(m.f.weapon_room[SV_SLOT_RANGED], SV_NONE16);
    EXPECT_EQ(m.f.weapons[SV_SLOT_RANGED].primary.kind, SV_ATTACK_RANGED);
    EXPECT_EQ(sv_floor_weapon_in(&m.f, m.f.weapon_room[SV_SLOT_RANGED]), (i32)SV_SLOT_RANGED);
    EXPECT_NE(log.text().find("floor 3: no melee weapon in the content; room 0 holds none"),
              std::string::npos)
        << log.text();
    // Stocking again finds the melee spot gone and stocks the ranged one alone.
    EXPECT_EQ(sv_weapon_stock(&m.f), 1u);
}

TEST_F(Population, WithoutContentEachStepSaysWhatStandsEmpty)
{
    log_capture log;
    made_floor m(1, 2);
    std::string text = log.text();
    EXPECT_NE(text.find("floor 2: no content mounted; 4 boss rooms stand empty and will not seal"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("floor 2: no melee weapon in the content; room 0 holds none"),
              std::string::npos);
    EXPECT_NE(text.find("floor 2: no content mounted; no mobs stand"), std::string::npos);
    EXPECT_EQ(m.f.mob_count, 0);
}

TEST_F(Population, NoArchetypeForTheDepthEndsThePopulation)
{
    content_pack pack({{"mobs.json", "[" + mob("t:deep", 40, 1) + "]"}});
    sv_tune_set_by_name("mob.density_c", 20);
    log_capture log;
    made_floor m(2, 5);
    EXPECT_EQ(m.f.mob_count, 0);
    EXPECT_NE(log.text().find("floor 5: no archetype admits depth 5; room "), std::string::npos)
        << log.text();
}

// Mob content draws only from the mobs stream: changing it moves no room and no boss.
TEST_F(Population, ChangingTheMobContentLeavesTopologyAndBossesAlone)
{
    struct boss {
        u16 place;
        f32 x, z, yaw;
        u64 kind;
        u8 waiting;
    };
    auto snapshot = [](const sv_floor* f, std::string* tree, std::vector<boss>* bosses, u64* mobs) {
        tree->clear();
        sv_render_text(f, sv_test_capture(tree));
        bosses->clear();
        *mobs = 0;
        for (u16 i = 0; i < f->mob_count; ++i) {
            const sv_mob* m = &f->mobs[i];
            if (m->boss)
                bosses->push_back({m->place, m->x, m->z, m->yaw, m->kind, m->waiting});
            else
                *mobs = *mobs * 31 + m->kind;
        }
    };
    boot_base_pack();
    std::string tree_a, tree_b;
    std::vector<boss> bosses_a, bosses_b;
    u64 mobs_a = 0, mobs_b = 0;
    {
        made_floor m(12, 7);
        snapshot(&m.f, &tree_a, &bosses_a, &mobs_a);
    }
    ASSERT_FALSE(bosses_a.empty());
    content_pack::unload();
    sv_test_dir extra("actors_mobs");
    sv_test_write_file(extra.path + "/data/mobs.json", "[" + mob("t:extra", 1, 50) + "]");
    ASSERT_EQ(sv_pack_boot(SV_BINARY_DIR "/packs/base"), 1);
    ASSERT_EQ(sv_vfs_mount(extra.path.c_str()), 1);
    sv_pack_reload();
    sv_tune_reset_defaults();
    ASSERT_NE(sv_content_mob_find("t:extra"), nullptr);
    {
        made_floor m(12, 7);
        snapshot(&m.f, &tree_b, &bosses_b, &mobs_b);
    }
    EXPECT_EQ(tree_a, tree_b);
    ASSERT_EQ(bosses_a.size(), bosses_b.size());
    for (size_t i = 0; i < bosses_a.size(); ++i) {
        const boss &a = bosses_a[i], &b = bosses_b[i];
        EXPECT_TRUE(a.place == b.place && a.x == b.x && a.z == b.z && a.yaw == b.yaw
                    && a.kind == b.kind && a.waiting == b.waiting)
            << i;
    }
    EXPECT_NE(mobs_a, mobs_b);
}

TEST_F(Population, SpawnIdsResolveAsMobThenAxiomThenScion)
{
    boot_base_pack();
    sv_body body;
    u64 kind = 0;
    const char* name = nullptr;
    ASSERT_EQ(sv_boss_entry("base:hex_drone", &body, &kind, &name), 1);
    EXPECT_EQ(kind, sv_kind_mob(6, SV_AXIS_SIDE));
    EXPECT_STREQ(name, "Hex Drone");
    EXPECT_EQ(body.hp, 22.0f);
    ASSERT_EQ(sv_boss_entry("base:ember_tetrad", &body, &kind, &name), 1);
    EXPECT_EQ(kind, sv_kind_axiom(4));
    ASSERT_EQ(sv_boss_entry("base:cinder_edge", &body, &kind, &name), 1);
    EXPECT_EQ(kind, sv_kind_scion(4, "base:cinder_edge"));
    EXPECT_EQ(kind >> 32, (u64)sv_status_key("base:cinder_edge"));
    EXPECT_EQ(sv_boss_entry("base:nothing", &body, &kind, &name), 0);
    EXPECT_EQ(sv_boss_entry(nullptr, &body, &kind, &name), 0);
}

// Seeds 1-100 on floors 1-10 with the base pack: where bosses and mobs stand, and that every mob
// has ground to stand on.
TEST_F(Population, SweepOfTheBasePack)
{
    boot_base_pack();
    f32 radius = (f32)sv_tune(SV_TUNE_PLAYER_RADIUS);
    u32 most_mobs = 0, most_in_room = 0, floors_with_axiom = 0, waiting = 0, awake = 0;
    u64 total_mobs = 0, unstandable = 0;
    static sv_geom s_geom;
    for (u16 number = 1; number <= 10; ++number) {
        for (u64 seed = 1; seed <= 100; ++seed) {
            made_floor m(seed, number);
            const sv_floor* f = &m.f;
            if (number == 1) {
                EXPECT_EQ(f->mob_count, 0) << seed;
                continue;
            }
            u32 mobs = 0;
            for (u16 r = 0; r < f->room_count; ++r) {
                u8 tags = f->rooms[r].tags;
                u32 axioms = count_kind(f, r, SV_KIND_AXIOM);
                u32 scions = count_kind(f, r, SV_KIND_SCION);
                u32 plain = count_kind(f, r, SV_KIND_MOB);
                if (tags & SV_TAG_AXIOM) {
                    ASSERT_EQ(axioms, 1u) << seed << "/" << number << " room " << r;
                    ASSERT_NE(f->boss_mob, SV_NONE16);
                    EXPECT_EQ(f->mobs[f->boss_mob].place, r);
                    EXPECT_EQ(f->mobs[f->boss_mob].waiting, 1);
                    EXPECT_EQ(scions + plain, 0u);
                    ++floors_with_axiom;
                } else if (tags & SV_TAG_SCION) {
                    EXPECT_EQ(scions, 1u) << seed << "/" << number << " room " << r;
                    EXPECT_EQ(axioms + plain, 0u);
                } else {
                    EXPECT_EQ(axioms + scions, 0u);
                }
                if (tags & (SV_TAGS_LANDMARK | SV_TAGS_BOSS)) {
                    EXPECT_EQ(plain, 0u) << seed << "/" << number << " room " << r;
                }
                most_in_room = plain > most_in_room ? plain : most_in_room;
                mobs += plain;
            }
            for (u16 i = 0; i < f->mob_count; ++i) {
                const sv_mob* mob = &f->mobs[i];
                u8 tags = f->rooms[mob->place].tags;
                if ((mob->kind & 0xffu) == SV_KIND_SCION) {
                    EXPECT_EQ(mob->waiting, (tags & SV_TAGS_GATE_SCION) == SV_TAGS_GATE_SCION);
                    (mob->waiting ? waiting : awake) += 1;
                }
                sv_geom_build(&s_geom, f, mob->place);
                if (mob->boss && s_geom.opening_count > 0) {
                    // A boss faces door 0, the door to the parent room.
                    Vector2 c = s_geom.openings[0].centre;
                    EXPECT_EQ(mob->yaw, (f32)std::atan2((f64)c.y, (f64)c.x));
                }
                if (!sv_geom_standable(&s_geom, mob->x, mob->z, radius)) {
                    ++unstandable;
                    ADD_FAILURE() << "mob " << i << " of " << seed << "/" << number
                                  << " has no ground at (" << mob->x << ", " << mob->z << ")";
                }
            }
            EXPECT_LE(most_in_room, 3u);
            most_mobs = mobs > most_mobs ? mobs : most_mobs;
            total_mobs += mobs;
        }
    }
    EXPECT_EQ(unstandable, 0u);
    EXPECT_EQ(sv_diag_count(), 0u);
    EXPECT_GT(waiting, 0u);
    EXPECT_GT(awake, 0u);
    std::printf("  population sweep: %llu mobs on 900 floors, at most %u on a floor and %u in a "
                "room; %u Axioms, %u waiting and %u awake Scions\n",
                (unsigned long long)total_mobs, most_mobs, most_in_room, floors_with_axiom, waiting,
                awake);
}

TEST_F(Population, ABossThatFindsTheMobTableFullIsReported)
{
    boot_base_pack();
    sv_floor f {};
    sv_floor_init(&f, 4, 21, (u16)sv_gen_capacity_for(4));
    sv_gen_grow(&f);
    sv_body body = sv_content_mob_find("base:hex_drone")->body;
    while (sv_floor_add_mob(&f, 0, 0, 0, 0, &body, 0, "filler", 0) >= 0) { }
    EXPECT_EQ(sv_boss_stand(&f), 0u);
    EXPECT_EQ(f.boss_mob, SV_NONE16);
    ASSERT_GT(sv_diag_count(), 0u);
    const sv_diag* d = sv_diag_at(0);
    EXPECT_EQ(d->kind, (u32)SV_DIAG_OUT_OF_RANGE);
    char want[192];
    std::snprintf(want, sizeof want, "floor 4: %s could not stand in room ", d->subject);
    EXPECT_EQ(std::string(d->message).rfind(want, 0), 0u) << d->message;
    std::snprintf(want, sizeof want, "slots %u of %u)", f.mob_capacity, f.mob_capacity);
    EXPECT_NE(std::string(d->message).find(want), std::string::npos) << d->message;
    sv_floor_free(&f);
}

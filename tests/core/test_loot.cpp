#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "core/content.h"
#include "core/loot.h"
#include "core/rng.h"
#include "core/tune.h"
#include "core/vfs.h"
#include "support/files.h"
#include "support/reset.h"

namespace {

struct Loot : ::testing::Test {
    std::string dir;
    void SetUp() override { sv_test_reset_all(); }
    void TearDown() override
    {
        sv_test_reset_all();
        sv_test_remove_dir(dir);
    }
    static void set(const char* key, f64 v) { ASSERT_TRUE(sv_tune_set_by_name(key, v)) << key; }

    // A pack directory holding the given content files, mounted alone and loaded.
    void load(std::initializer_list<std::pair<const char*, const char*>> files)
    {
        dir = sv_test_make_dir("sv_loot");
        ASSERT_FALSE(dir.empty());
        for (auto& f : files)
            sv_test_write_file(dir + "/data/" + f.first, f.second);
        sv_vfs_clear();
        ASSERT_TRUE(sv_vfs_mount(dir.c_str()));
        ASSERT_TRUE(sv_content_load());
    }
};

sv_rng seeded(u64 seed)
{
    sv_rng r;
    sv_rng_seed(&r, seed);
    return r;
}

bool same(const sv_rng& a, const sv_rng& b)
{
    return a.s[0] == b.s[0] && a.s[1] == b.s[1] && a.s[2] == b.s[2] && a.s[3] == b.s[3];
}

} // namespace

TEST_F(Loot, TierWithoutJitterOrTailTakesOneDraw)
{
    set("loot.tier_jitter", 0);
    set("loot.tail_k", 0);
    for (u64 seed = 1; seed < 20; seed++) {
        sv_rng r = seeded(seed), expect = seeded(seed);
        sv_rng_next(&expect);
        f64 t = sv_loot_tier(&r, 10, 500);
        EXPECT_DOUBLE_EQ(t, (1 - std::exp(-0.05 * 10)) * 0.75);
        EXPECT_TRUE(same(r, expect));
    }
}

TEST_F(Loot, TierDrawsJitterThenTailThenLift)
{
    // Defaults: jitter 0.15, tail_k 0.05. Replay the draws on a copy of the generator.
    for (u64 seed = 1; seed < 200; seed++) {
        for (u16 tail_n : {(u16)0, (u16)3, (u16)65535}) {
            sv_rng r = seeded(seed), c = seeded(seed);
            f64 t = (1 - std::exp(-0.05 * 4)) * 0.75;
            t += (2 * sv_rng_f64(&c) - 1) * 0.15;
            f64 v = sv_rng_f64(&c);
            if (1 - std::exp(-0.05 * tail_n) > v)
                t += std::fmax(1 - t, 0) * sv_rng_f64(&c);
            t = std::fmin(std::fmax(t, 0.0), 1.0);
            EXPECT_DOUBLE_EQ(sv_loot_tier(&r, 4, tail_n), t);
            EXPECT_TRUE(same(r, c)) << seed << " " << tail_n;
        }
    }
    // With a tail of 0 the lift never happens: exactly two draws.
    sv_rng r = seeded(5), c = seeded(5);
    sv_rng_next(&c);
    sv_rng_next(&c);
    sv_loot_tier(&r, 4, 0);
    EXPECT_TRUE(same(r, c));
}

TEST_F(Loot, TierStaysInUnitRange)
{
    set("loot.tier_jitter", 1);
    set("loot.mean_max", 1);
    set("loot.mean_k", 10);
    for (u64 seed = 0; seed < 500; seed++) {
        sv_rng r = seeded(seed);
        f64 hi = sv_loot_tier(&r, 0xffffffffu, 65535);
        f64 lo = sv_loot_tier(&r, 0, 0);
        EXPECT_GE(hi, 0.0);
        EXPECT_LE(hi, 1.0);
        EXPECT_GE(lo, 0.0);
        EXPECT_LE(lo, 1.0);
    }
}

TEST_F(Loot, Bands)
{
    EXPECT_EQ(sv_loot_band(0.0), SV_RARITY_COMMON);
    EXPECT_EQ(sv_loot_band(0.59), SV_RARITY_COMMON);
    EXPECT_EQ(sv_loot_band(0.6), SV_RARITY_UNCOMMON);
    EXPECT_EQ(sv_loot_band(0.89), SV_RARITY_UNCOMMON);
    EXPECT_EQ(sv_loot_band(0.9), SV_RARITY_RARE);
    EXPECT_EQ(sv_loot_band(1.0), SV_RARITY_RARE);
    // A rare band below the uncommon one starts at the uncommon start.
    set("rarity.band_rare", 0.3);
    EXPECT_EQ(sv_loot_band(0.5), SV_RARITY_COMMON);
    EXPECT_EQ(sv_loot_band(0.6), SV_RARITY_RARE);
}

TEST_F(Loot, PicksByRarityAndWeightWithOneDraw)
{
    load({{"inclusions.json",
           R"([{"id":"t:a","name":"A","rarity":"common","weight":1},
               {"id":"t:b","name":"B","rarity":"common","weight":0},
               {"id":"t:c","name":"C","rarity":"rare","weight":5},
               {"id":"t:d","name":"D","rarity":"common","weight":3}])"},
          {"elements.json", R"([{"id":"t:e","name":"E","rarity":"uncommon"}])"},
          {"transforms.json",
           R"([{"id":"t:h","name":"H","rarity":"rare","kind":"heal","weight":0},
               {"id":"t:m","name":"M","rarity":"common","kind":"max_hp","weight":2}])"}});
    ASSERT_EQ(sv_content_inclusion_count(), 4u);

    int got_a = 0, got_d = 0;
    for (u64 seed = 0; seed < 200; seed++) {
        sv_rng r = seeded(seed), c = seeded(seed);
        f64 target = sv_rng_f64(&c) * 4.0; // weights 1, 0, 3 in content order
        const sv_inclusion_def* d = sv_loot_inclusion(&r, SV_RARITY_COMMON);
        ASSERT_NE(d, nullptr);
        EXPECT_STREQ(d->id, target < 1.0 ? "t:a" : "t:d");
        (target < 1.0 ? got_a : got_d)++;
        EXPECT_TRUE(same(r, c));
    }
    EXPECT_GT(got_a, 0);
    EXPECT_GT(got_d, got_a);

    sv_rng r = seeded(9);
    const sv_inclusion_def* rare = sv_loot_inclusion(&r, SV_RARITY_RARE);
    ASSERT_NE(rare, nullptr);
    EXPECT_STREQ(rare->id, "t:c");
    const sv_element_def* e = sv_loot_element(&r, SV_RARITY_UNCOMMON);
    ASSERT_NE(e, nullptr);
    EXPECT_STREQ(e->id, "t:e");
    const sv_transform_def* m = sv_loot_transform(&r, SV_RARITY_COMMON);
    ASSERT_NE(m, nullptr);
    EXPECT_STREQ(m->id, "t:m");

    // Nothing of the rarity, no positive weight, or no such rarity: null and no draw.
    sv_rng before = r;
    EXPECT_EQ(sv_loot_inclusion(&r, SV_RARITY_UNCOMMON), nullptr);
    EXPECT_EQ(sv_loot_element(&r, SV_RARITY_RARE), nullptr);
    EXPECT_EQ(sv_loot_transform(&r, SV_RARITY_RARE), nullptr);
    EXPECT_EQ(sv_loot_transform(&r, 3), nullptr);
    EXPECT_EQ(sv_loot_inclusion(&r, -1), nullptr);
    EXPECT_TRUE(same(r, before));
}

TEST_F(Loot, MobsByDepthWindow)
{
    load({{"mobs.json",
           R"([{"id":"t:deep","name":"Deep"},
               {"id":"t:first","name":"First","depth_min":1,"depth_max":1},
               {"id":"t:mid","name":"Mid","depth_min":3,"depth_max":4,"weight":0}])"}});
    ASSERT_EQ(sv_content_mob_count(), 3u);

    sv_rng r = seeded(3), c = seeded(3);
    const sv_mob_def* m = sv_loot_mob(&r, 1);
    ASSERT_NE(m, nullptr);
    EXPECT_STREQ(m->id, "t:first");
    sv_rng_next(&c);
    EXPECT_TRUE(same(r, c));
    for (u16 floor : {(u16)2, (u16)3, (u16)4, (u16)65535}) {
        m = sv_loot_mob(&r, floor);
        ASSERT_NE(m, nullptr);
        EXPECT_STREQ(m->id, "t:deep");
    }

    // Floor 0 admits none of these: null, no draw.
    sv_rng before = r;
    EXPECT_EQ(sv_loot_mob(&r, 0), nullptr);
    EXPECT_TRUE(same(r, before));
}

TEST_F(Loot, MobsAllDeeperThanFloorOneGiveNullWithoutDrawing)
{
    load({{"mobs.json",
           R"([{"id":"t:a","name":"A"},{"id":"t:b","name":"B","depth_min":2,"depth_max":9}])"}});
    sv_rng r = seeded(11), before = r;
    EXPECT_EQ(sv_loot_mob(&r, 1), nullptr);
    EXPECT_TRUE(same(r, before));
}

TEST_F(Loot, NothingLoadedGivesNull)
{
    sv_content_reset();
    sv_rng r = seeded(1), before = r;
    EXPECT_EQ(sv_loot_inclusion(&r, 0), nullptr);
    EXPECT_EQ(sv_loot_mob(&r, 5), nullptr);
    EXPECT_TRUE(same(r, before));
}

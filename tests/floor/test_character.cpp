#include <gtest/gtest.h>

#include <cmath>

#include "core/tune.h"
#include "floor/character.h"
#include "support/reset.h"

struct CharacterTest : ::testing::Test {
    void SetUp() override { sv_test_reset_all(); }
    void TearDown() override { sv_test_reset_all(); }
};

TEST_F(CharacterTest, NoSpreadIsPlain)
{
    sv_tune_set_by_name("character.spread", 0.0);
    for (u16 n = 1; n < 20; ++n) {
        sv_character c = sv_character_roll(4471, n);
        EXPECT_EQ(c.mob_density, 1.0);
        EXPECT_EQ(c.unused, 1.0);
        EXPECT_EQ(c.fountain_density, 1.0);
    }
}

TEST_F(CharacterTest, SameSeedAndFloorSameCharacter)
{
    sv_tune_set_by_name("character.spread", 0.3);
    sv_character a = sv_character_roll(99, 4);
    sv_character b = sv_character_roll(99, 4);
    sv_character c = sv_character_roll(99, 5);
    EXPECT_EQ(a.mob_density, b.mob_density);
    EXPECT_EQ(a.unused, b.unused);
    EXPECT_EQ(a.fountain_density, b.fountain_density);
    EXPECT_NE(a.mob_density, c.mob_density);
    EXPECT_NE(a.mob_density, a.fountain_density);
}

TEST_F(CharacterTest, MultipliersAverageOne)
{
    sv_tune_set_by_name("character.spread", 0.3);
    f64 sum = 0, sq = 0;
    const int n = 4000;
    for (int i = 0; i < n; ++i) {
        sv_character c = sv_character_roll((u64)i * 7919u, 3);
        EXPECT_GT(c.mob_density, 0.0);
        sum += c.mob_density;
        sq += c.mob_density * c.mob_density;
    }
    f64 mean = sum / n;
    f64 cv = std::sqrt(sq / n - mean * mean) / mean;
    EXPECT_NEAR(mean, 1.0, 0.03);
    EXPECT_NEAR(cv, 0.3, 0.03);
}

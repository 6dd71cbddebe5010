#include <gtest/gtest.h>

#include <cmath>

#include "core/econ.h"
#include "core/rarity.h"
#include "core/tune.h"
#include "support/reset.h"

namespace {

struct Econ : ::testing::Test {
    void SetUp() override { sv_test_reset_all(); }
    void TearDown() override { sv_test_reset_all(); }
    static void set(const char* key, f64 v) { ASSERT_TRUE(sv_tune_set_by_name(key, v)) << key; }
};

} // namespace

TEST(Rarity, Names)
{
    EXPECT_STREQ(sv_rarity_name(0), "common");
    EXPECT_STREQ(sv_rarity_name(1), "uncommon");
    EXPECT_STREQ(sv_rarity_name(2), "rare");
    EXPECT_STREQ(sv_rarity_name(3), "?");
    EXPECT_STREQ(sv_rarity_name(-1), "?");
    EXPECT_STREQ(sv_sell_kind_name(0), "inclusion");
    EXPECT_STREQ(sv_sell_kind_name(1), "element");
    EXPECT_STREQ(sv_sell_kind_name(2), "transform");
    EXPECT_STREQ(sv_sell_kind_name(3), "?");
    EXPECT_STREQ(sv_sell_kind_name(-2147483647 - 1), "?");
}

TEST_F(Econ, SellValues)
{
    EXPECT_DOUBLE_EQ(sv_rarity_multiplier(0), 1.0);
    EXPECT_DOUBLE_EQ(sv_rarity_multiplier(2), 6.0);
    EXPECT_DOUBLE_EQ(sv_rarity_multiplier(3), 0.0);
    EXPECT_DOUBLE_EQ(sv_rarity_multiplier(-1), 0.0);

    // The default curve is constant: the same on every floor.
    EXPECT_DOUBLE_EQ(sv_sell_value_at(SV_SELL_ELEMENT, SV_RARITY_UNCOMMON, 1), 12.5);
    EXPECT_DOUBLE_EQ(sv_sell_value_at(SV_SELL_ELEMENT, SV_RARITY_UNCOMMON, 40), 12.5);
    EXPECT_DOUBLE_EQ(sv_sell_value_at(SV_SELL_INCLUSION, SV_RARITY_RARE, 1), 24.0);
    EXPECT_DOUBLE_EQ(sv_sell_value_at(SV_SELL_TRANSFORM, SV_RARITY_COMMON, 1), 3.0);
    EXPECT_DOUBLE_EQ(sv_sell_value_at(SV_SELL_ELEMENT, 3, 1), 0.0);
    EXPECT_DOUBLE_EQ(sv_sell_value_at(5, SV_RARITY_RARE, 1), 0.0);
    EXPECT_DOUBLE_EQ(sv_sell_value_at(-1, SV_RARITY_RARE, 1), 0.0);
    EXPECT_DOUBLE_EQ(sv_sell_value(1, 1), 12.5);
    EXPECT_DOUBLE_EQ(sv_sell_value(0xffffffffu, 1), 0.0);
    EXPECT_DOUBLE_EQ(sv_sell_value(1, 0x80000001u), 0.0);

    set("sell.growth", 3); // linear
    set("sell.growth_rate", 1);
    set("sell.mult_common", 2);
    EXPECT_DOUBLE_EQ(sv_sell_value_at(SV_SELL_INCLUSION, SV_RARITY_COMMON, 3), (4.0 + 2.0) * 2.0);
    EXPECT_DOUBLE_EQ(sv_sell_value(SV_SELL_INCLUSION, SV_RARITY_COMMON), 8.0);
}

TEST_F(Econ, ChordCosts)
{
    EXPECT_DOUBLE_EQ(sv_econ_chord_cost(1, 0), 0.0);
    EXPECT_DOUBLE_EQ(sv_econ_chord_total(1, 0), 0.0);
    // Negative steps and counts buy nothing (they must not wrap into huge curve arguments).
    EXPECT_DOUBLE_EQ(sv_econ_chord_cost(1, -1), 0.0);
    EXPECT_DOUBLE_EQ(sv_econ_chord_cost(7, -2147483647 - 1), 0.0);
    EXPECT_DOUBLE_EQ(sv_econ_chord_total(1, -5), 0.0);
    EXPECT_DOUBLE_EQ(sv_econ_chord_total(1, -2147483647 - 1), 0.0);

    EXPECT_DOUBLE_EQ(sv_econ_chord_cost(1, 1), 3.0);
    EXPECT_DOUBLE_EQ(sv_econ_chord_cost(1, 2), 6.0);
    EXPECT_DOUBLE_EQ(sv_econ_chord_cost(2, 1), 5.0); // base 3 + 2 per floor
    EXPECT_DOUBLE_EQ(sv_econ_chord_cost(3, 4), 7.0 * 4.0);
    EXPECT_DOUBLE_EQ(sv_econ_chord_total(1, 1), 3.0);
    EXPECT_DOUBLE_EQ(sv_econ_chord_total(1, 3), 3.0 + 6.0 + 9.0);
    EXPECT_DOUBLE_EQ(sv_econ_chord_total(2, 4), 5.0 * (1 + 2 + 3 + 4));

    set("chord.step_growth", 5); // exponential
    set("chord.step_growth_rate", 1);
    EXPECT_DOUBLE_EQ(sv_econ_chord_cost(1, 4), 3.0 * 8.0);
    EXPECT_DOUBLE_EQ(sv_econ_chord_total(1, 3), 3.0 * (1 + 2 + 4));
}

TEST_F(Econ, Saturation)
{
    EXPECT_DOUBLE_EQ(sv_econ_accumulator(2, 3, 0), 2.0 + 1.5);
    EXPECT_DOUBLE_EQ(sv_econ_accumulator(2, 3, 1), 2.0 + 1.5 + 3.0);
    EXPECT_DOUBLE_EQ(sv_econ_accumulator(0, 0, 255), 3.0);
    EXPECT_DOUBLE_EQ(sv_econ_accumulator(0xffffffffu, 0, 0), 4294967295.0);

    EXPECT_DOUBLE_EQ(sv_econ_saturation_multiplier(9), 1.0); // linear of rate 0
    set("sat.multiplier_growth_rate", 0.5);
    EXPECT_DOUBLE_EQ(sv_econ_saturation_multiplier(1), 1.0);
    EXPECT_DOUBLE_EQ(sv_econ_saturation_multiplier(3), 2.0);

    EXPECT_DOUBLE_EQ(sv_econ_next_saturation(10, 5, 2, 3), 10 + 3 * 2.0);
    // Spending more than was gained never lowers it.
    EXPECT_DOUBLE_EQ(sv_econ_next_saturation(10, 2, 5, 3), 10.0);
    EXPECT_DOUBLE_EQ(sv_econ_next_saturation(10, 2, 2, 3), 10.0);
    EXPECT_DOUBLE_EQ(sv_econ_next_saturation(10, NAN, 1, 3), 10.0);
}

TEST_F(Econ, WarpAndMobDensity)
{
    EXPECT_DOUBLE_EQ(sv_econ_warp_yield(1), 10.0);
    EXPECT_DOUBLE_EQ(sv_econ_warp_yield(3), 18.0);

    // Log curve on base 0 with rate density_c x density_growth_rate.
    EXPECT_DOUBLE_EQ(sv_econ_mob_density(1), 0.0);
    EXPECT_DOUBLE_EQ(sv_econ_mob_density(8), 0.5 * std::log(8.0));
    set("mob.density_c", 2);
    set("mob.density_growth_rate", 3);
    set("mob.density_growth", 3); // linear
    EXPECT_DOUBLE_EQ(sv_econ_mob_density(4), 6.0 * 3);
    set("mob.density_c", 0);
    EXPECT_DOUBLE_EQ(sv_econ_mob_density(4), 0.0);
}

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>

#include "core/growth.h"
#include "core/rng.h"

namespace {

bool same(const sv_rng& a, const sv_rng& b)
{
    return std::memcmp(a.s, b.s, sizeof a.s) == 0;
}

TEST(Rng, SplitmixMatchesThePublishedReference)
{
    u64 state = 0;
    EXPECT_EQ(sv_splitmix64(&state), 0xe220a8397b1dcdafULL);
    EXPECT_EQ(sv_splitmix64(&state), 0x6e789e6aa1b965f4ULL);
    EXPECT_EQ(sv_splitmix64(&state), 0x06c45d188009454fULL);
    EXPECT_EQ(sv_splitmix64(&state), 0xf88bb8a8724c81ecULL);
    EXPECT_EQ(state, 4 * 0x9e3779b97f4a7c15ULL);
    EXPECT_EQ(sv_mix64(0), 0xe220a8397b1dcdafULL);
}

TEST(Rng, XoshiroMatchesThePublishedReference)
{
    sv_rng rng = {{1, 2, 3, 4}};
    const u64 expected[] = {41943041ULL,
                            58720359ULL,
                            3588806011781223ULL,
                            3591011842654386ULL,
                            9228616714210784205ULL,
                            9973669472204895162ULL};
    for (u64 value : expected)
        EXPECT_EQ(sv_rng_next(&rng), value);
}

TEST(Rng, SeedingFillsTheStateFromSplitmix)
{
    sv_rng rng;
    sv_rng_seed(&rng, 77);
    EXPECT_EQ(rng.s[0], sv_mix64(77));
    u64 state = 77;
    for (int i = 0; i < 4; i++)
        EXPECT_EQ(rng.s[i], sv_splitmix64(&state));
}

TEST(Rng, StreamsArePinnedAndIndependent)
{
    sv_rng a;
    sv_rng_open(&a, 4471, 1, SV_STREAM_TOPOLOGY);
    EXPECT_EQ(sv_stream_seed(4471, 1, 0), 0x47a73b6471b94851ULL);
    EXPECT_EQ(a.s[0], 0x6161312c057e500aULL);
    EXPECT_EQ(a.s[3], 0xba286c3a1a3e7b0aULL);
    EXPECT_EQ(sv_rng_next(&a), 0x14710f918f8c14d8ULL);
    EXPECT_EQ(sv_rng_next(&a), 0xbad1a261ca6b59adULL);

    sv_rng by_seed;
    sv_rng_seed(&by_seed, sv_stream_seed(9, 3, 5));
    sv_rng opened;
    sv_rng_open(&opened, 9, 3, 5);
    EXPECT_TRUE(same(by_seed, opened));

    // Another stream, floor or seed differs in every word.
    sv_rng other;
    sv_rng_open(&other, 9, 3, 6);
    for (int i = 0; i < 4; i++)
        EXPECT_NE(other.s[i], opened.s[i]);
    sv_rng_open(&other, 9, 4, 5);
    EXPECT_NE(other.s[0], opened.s[0]);

    // Drawing from one stream never moves another.
    sv_rng topology, mobs, mobs_fresh;
    sv_rng_open(&topology, 1, 2, SV_STREAM_TOPOLOGY);
    sv_rng_open(&mobs, 1, 2, SV_STREAM_MOBS);
    for (int i = 0; i < 100; i++)
        sv_rng_next(&topology);
    sv_rng_open(&mobs_fresh, 1, 2, SV_STREAM_MOBS);
    EXPECT_TRUE(same(mobs, mobs_fresh));
}

TEST(Rng, UnitDrawsUseTheHighBits)
{
    sv_rng a = {{1, 2, 3, 4}}, b = a;
    u64 out = sv_rng_next(&b);
    EXPECT_EQ(sv_rng_f64(&a), (f64)(out >> 11) * 0x1.0p-53);
    sv_rng c = {{1, 2, 3, 4}};
    EXPECT_EQ(sv_rng_f32(&c), (f32)(out >> 40) * 0x1.0p-24f);
    for (int i = 0; i < 1000; i++) {
        f64 d = sv_rng_f64(&a);
        EXPECT_GE(d, 0.0);
        EXPECT_LT(d, 1.0);
    }
}

TEST(Rng, ChanceStepsOnlyWhenUncertain)
{
    sv_rng rng, before;
    sv_rng_open(&rng, 5, 1, 0);
    before = rng;
    EXPECT_EQ(sv_rng_chance(&rng, 0.0), 0);
    EXPECT_EQ(sv_rng_chance(&rng, -1.0), 0);
    EXPECT_EQ(sv_rng_chance(&rng, 1.0), 1);
    EXPECT_EQ(sv_rng_chance(&rng, 2.0), 1);
    EXPECT_TRUE(same(rng, before));
    sv_rng_chance(&rng, 0.5);
    sv_rng_next(&before);
    EXPECT_TRUE(same(rng, before));
}

TEST(Rng, BelowIsUnbiasedAndStepsAsDocumented)
{
    sv_rng rng, before;
    sv_rng_open(&rng, 6, 1, 0);
    before = rng;
    EXPECT_EQ(sv_rng_below(&rng, 1), 0u);
    EXPECT_TRUE(same(rng, before));

    u32 counts[6] = {0};
    for (int i = 0; i < 60000; i++) {
        u32 v = sv_rng_below(&rng, 6);
        ASSERT_LT(v, 6u);
        counts[v]++;
    }
    for (u32 c : counts)
        EXPECT_NEAR((double)c, 10000.0, 500.0);

    // The result is the high half of the 64-bit product of the top 32 bits and n.
    sv_rng a = {{1, 2, 3, 4}}, b = a;
    u64 x = sv_rng_next(&b) >> 32;
    EXPECT_EQ(sv_rng_below(&a, 1000), (u32)((x * 1000) >> 32));

    // Near 2^32 most draws are rejected, yet results stay in range.
    for (int i = 0; i < 100; i++)
        EXPECT_LT(sv_rng_below(&rng, 0x80000001u), 0x80000001u);
}

TEST(Rng, RangeCoversTheFullSignedSpan)
{
    sv_rng rng;
    sv_rng_open(&rng, 7, 1, 0);
    bool lo = false, hi = false;
    for (int i = 0; i < 2000; i++) {
        i32 v = sv_rng_range(&rng, -3, 3);
        ASSERT_GE(v, -3);
        ASSERT_LE(v, 3);
        lo |= v == -3;
        hi |= v == 3;
    }
    EXPECT_TRUE(lo && hi);
    EXPECT_EQ(sv_rng_range(&rng, 5, 5), 5);
    // Spans that overflow 32-bit arithmetic are computed in 64 bits.
    i32 wide = sv_rng_range(&rng, -2000000000, 2000000000);
    EXPECT_GE(wide, -2000000000);
    EXPECT_LE(wide, 2000000000);
}

TEST(Rng, WeightedSkipsUnusableWeights)
{
    sv_rng rng, before;
    sv_rng_open(&rng, 8, 1, 0);
    before = rng;
    const f64 none[] = {0.0, -1.0, 0.0};
    EXPECT_EQ(sv_rng_weighted(&rng, none, 3), 3u);
    const f64 odd[] = {NAN, INFINITY, -INFINITY};
    EXPECT_EQ(sv_rng_weighted(&rng, odd, 3), 3u);
    EXPECT_TRUE(same(rng, before));

    const f64 one[] = {0.0, 5.0};
    for (int i = 0; i < 50; i++)
        EXPECT_EQ(sv_rng_weighted(&rng, one, 2), 1u);
    const f64 with_nan[] = {NAN, 1.0, INFINITY, 3.0};
    int counts[4] = {0};
    for (int i = 0; i < 4000; i++)
        counts[sv_rng_weighted(&rng, with_nan, 4)]++;
    EXPECT_EQ(counts[0], 0);
    EXPECT_EQ(counts[2], 0);
    EXPECT_NEAR(counts[1], 1000, 150);
    EXPECT_NEAR(counts[3], 3000, 150);
}

TEST(Rng, WeightedStaysFairWhenTheSumOverflows)
{
    sv_rng rng;
    sv_rng_open(&rng, 10, 1, 0);
    const f64 huge[] = {DBL_MAX, DBL_MAX, DBL_MAX, DBL_MAX};
    int counts[4] = {0};
    for (int i = 0; i < 4000; i++)
        counts[sv_rng_weighted(&rng, huge, 4)]++;
    for (int c : counts)
        EXPECT_NEAR(c, 1000, 150);

    const f64 uneven[] = {DBL_MAX / 2, 0.0, DBL_MAX};
    int split[3] = {0};
    for (int i = 0; i < 3000; i++)
        split[sv_rng_weighted(&rng, uneven, 3)]++;
    EXPECT_NEAR(split[0], 1000, 150);
    EXPECT_EQ(split[1], 0);
    EXPECT_NEAR(split[2], 2000, 150);

    // Ordinary weights draw exactly as the plain walk does: one step, first running sum above.
    sv_rng shadow = rng;
    const f64 plain[] = {0.25, 3.0, 1.5, 0.0, 7.0};
    for (int i = 0; i < 200; i++) {
        f64 target = sv_rng_f64(&shadow) * 11.75;
        f64 sum = 0.0;
        u64 want = 4;
        for (u64 k = 0; k < 5; k++) {
            if (plain[k] <= 0.0)
                continue;
            sum += plain[k];
            want = k;
            if (sum > target)
                break;
        }
        ASSERT_EQ(sv_rng_weighted(&rng, plain, 5), want);
    }
}

TEST(Rng, NormalAlwaysTakesTwoSteps)
{
    sv_rng rng, shadow;
    sv_rng_open(&rng, 9, 1, 0);
    shadow = rng;
    f64 sum = 0.0, squares = 0.0;
    for (int i = 0; i < 20000; i++) {
        f64 v = sv_rng_normal(&rng);
        ASSERT_TRUE(std::isfinite(v));
        sum += v;
        squares += v * v;
        sv_rng_next(&shadow);
        sv_rng_next(&shadow);
        ASSERT_TRUE(same(rng, shadow));
    }
    EXPECT_NEAR(sum / 20000, 0.0, 0.05);
    EXPECT_NEAR(squares / 20000, 1.0, 0.05);
}

TEST(Rng, Names)
{
    EXPECT_STREQ(sv_stream_name(0), "topology");
    EXPECT_STREQ(sv_stream_name(7), "tenacity");
    EXPECT_STREQ(sv_stream_name(8), "?");
    EXPECT_STREQ(sv_growth_name(5), "exponential");
    EXPECT_STREQ(sv_growth_name(6), "?");
}

TEST(RngDeathTest, EmptyChoicesPanic)
{
    sv_rng rng = {{1, 2, 3, 4}};
    EXPECT_DEATH(sv_rng_below(&rng, 0),
                 "panic: rng: sv_rng_below\\(0\\) -- choosing from an empty set");
    EXPECT_DEATH(sv_rng_range(&rng, 2, 1), "panic: rng: sv_rng_range\\(2, 1\\) -- lo exceeds hi");
    EXPECT_DEATH(sv_rng_range(&rng, INT32_MIN, INT32_MAX),
                 "panic: rng: sv_rng_range\\(-2147483648, 2147483647\\) spans 4294967296 values, "
                 "max is 2\\^32");
    EXPECT_DEATH(sv_rng_weighted(&rng, nullptr, 0),
                 "panic: rng: sv_rng_weighted over an empty table");
}

TEST(Growth, EveryCurveStartsAtBaseOnFloorOne)
{
    for (u32 kind = 0; kind < 6; kind++)
        EXPECT_DOUBLE_EQ(sv_growth_eval(kind, 7.0, 0.5, 1), 7.0) << kind;
    EXPECT_DOUBLE_EQ(sv_growth_eval(SV_GROWTH_LOG, 7.0, 0.5, 0), 7.0);
    EXPECT_DOUBLE_EQ(sv_growth_eval(SV_GROWTH_EXPONENTIAL, 2.0, 0.5, 3), 4.5);
    EXPECT_DOUBLE_EQ(sv_growth_eval(SV_GROWTH_LOG, 1.0, 2.0, 4), 1.0 + 2.0 * std::log(4.0));
    EXPECT_DOUBLE_EQ(sv_growth_eval(SV_GROWTH_SQRT, 1.0, 2.0, 5), 5.0);
    EXPECT_DOUBLE_EQ(sv_growth_eval(SV_GROWTH_LINEAR, 1.0, 2.0, 5), 9.0);
    EXPECT_DOUBLE_EQ(sv_growth_eval(SV_GROWTH_QUADRATIC, 1.0, 2.0, 5), 33.0);
    // rate x x^2, not (rate x x) x x: the two round differently.
    EXPECT_EQ(sv_growth_eval(SV_GROWTH_QUADRATIC, 0.0, 0.1, 4), 0.1 * 9.0);
    EXPECT_NE(0.1 * 9.0, 0.1 * 3.0 * 3.0);
    EXPECT_DOUBLE_EQ(sv_growth_eval(SV_GROWTH_LINEAR, 1.0, 2.0, 0), 1.0);
    EXPECT_DOUBLE_EQ(sv_growth_eval(9, 3.0, 2.0, 9), 3.0);
}

} // namespace

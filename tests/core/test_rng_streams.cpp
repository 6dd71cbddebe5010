// The parts of the random streams that generation leans on hardest: the rejection step of a
// bounded draw and the independence of the eight streams of one floor.
#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "core/rng.h"

namespace {

// Draws n at a time by hand: the high half of (top 32 bits x n), redrawn while the low half
// falls below 2^32 mod n. Returns the result and how many draws it took.
u32 below_by_hand(sv_rng* rng, u32 n, u32* draws)
{
    u32 t = (u32)(0x100000000ULL % n);
    *draws = 0;
    for (;;) {
        u64 m = (sv_rng_next(rng) >> 32) * (u64)n;
        *draws += 1;
        if ((u32)m >= t)
            return (u32)(m >> 32);
    }
}

TEST(RngBelow, RejectedDrawsAreRedrawn)
{
    // Just over 2^31 rejects almost half of all draws; seed 0's first draw is one of them.
    const u32 n = 0x80000001u;
    sv_rng rng;
    sv_rng_open(&rng, 0, 1, SV_STREAM_TOPOLOGY);
    sv_rng mine = rng;
    u32 draws = 0;
    u32 want = below_by_hand(&mine, n, &draws);
    EXPECT_GE(draws, 2u) << "the first draw was expected to be rejected";
    EXPECT_EQ(sv_rng_below(&rng, n), want);
    EXPECT_EQ(want, 2122838639u);
    EXPECT_EQ(std::memcmp(rng.s, mine.s, sizeof rng.s), 0)
        << "consumed a different number of draws";

    // Over many draws the redraw count matches the rejection rate, about (2^31 - 1) / 2^32.
    u64 total = 0;
    for (int i = 0; i < 4000; ++i) {
        sv_rng copy = rng;
        ASSERT_EQ(sv_rng_below(&rng, n), below_by_hand(&copy, n, &draws));
        total += draws;
    }
    EXPECT_NEAR((double)total / 4000.0, 2.0, 0.15);
}

TEST(RngStreams, AllEightOfAFloorAreIndependent)
{
    const u64 seeds[] = {0, 1, 4471, 0xffffffffffffffffULL};
    const u16 floors[] = {1, 2, 65534};
    std::set<u64> stream_seeds;
    for (u64 seed : seeds) {
        for (u16 floor : floors) {
            sv_rng streams[8];
            std::set<u64> outputs;
            for (u32 s = 0; s < 8; ++s) {
                stream_seeds.insert(sv_stream_seed(seed, floor, s));
                sv_rng_open(&streams[s], seed, floor, s);
            }
            // Drawing from one stream leaves every other exactly where it was.
            for (u32 s = 0; s < 8; ++s) {
                sv_rng before[8];
                std::memcpy(before, streams, sizeof streams);
                for (int i = 0; i < 64; ++i)
                    outputs.insert(sv_rng_next(&streams[s]));
                for (u32 o = 0; o < 8; ++o) {
                    if (o != s) {
                        EXPECT_EQ(std::memcmp(&before[o], &streams[o], sizeof(sv_rng)), 0)
                            << "stream " << s << " moved stream " << o;
                    }
                }
            }
            // No stream repeats or runs along another: 8 x 64 distinct outputs.
            EXPECT_EQ(outputs.size(), 8u * 64u) << "seed " << seed << " floor " << floor;
        }
    }
    EXPECT_EQ(stream_seeds.size(), 4u * 3u * 8u);
    for (u32 s = 0; s < 8; ++s)
        EXPECT_STRNE(sv_stream_name(s), "?");
}

} // namespace

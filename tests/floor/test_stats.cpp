// The statistics accumulator and its printout.
#include <gtest/gtest.h>

#include "floor/stats.h"
#include "test_gen_util.h"

namespace {

// A chain of n rooms on the given floor, with a report that says so.
struct chain_floor {
    sv_floor f {};
    sv_gen_stats st {};
    chain_floor(u16 number, u16 n)
    {
        sv_floor_init(&f, number, 1, n);
        sv_floor_add_room(&f, SV_TAG_SPAWN);
        for (u16 r = 1; r < n; ++r) {
            sv_floor_add_room(&f, 0);
            sv_floor_link(&f, (u16)(r - 1), r, SV_DOOR_NORMAL);
        }
        sv_floor_compute_depths(&f, 0);
        st.rooms = n;
        st.max_depth = (u16)(n - 1);
        st.leaves = n > 1 ? 2 : 0;
    }
    ~chain_floor() { sv_floor_free(&f); }
    chain_floor(const chain_floor&) = delete;
    chain_floor& operator=(const chain_floor&) = delete;
};

std::string print_of(const sv_stats* st)
{
    std::string s;
    sv_stats_print(st, sv_test_capture(&s));
    return s;
}

void add_chain(sv_stats* st, u16 number, u16 n)
{
    chain_floor c(number, n);
    sv_stats_add(st, &c.f, &c.st);
}

} // namespace

TEST(Stats, EmptyAccumulator)
{
    static sv_stats st;
    sv_stats_init(&st);
    EXPECT_EQ(print_of(&st), "  no floors accumulated\n");
    EXPECT_EQ(print_of(nullptr), "  no floors accumulated\n");
    EXPECT_EQ(sv_stats_size_percentile(&st, 0.5), 0u);
    EXPECT_EQ(st.size_min, 0xffffffffu);
    EXPECT_EQ(st.depth_min, 0xffffffffu);
}

TEST(Stats, SmallSizesShareTheFirstBucketAtFullWidth)
{
    tunables_guard tg;
    static sv_stats st;
    sv_stats_init(&st);
    for (u16 n : {1, 2, 3})
        add_chain(&st, 1, n);
    std::string s = print_of(&st);
    EXPECT_NE(s.find("\nFLOOR SIZE over 3 floors\n"), std::string::npos);
    EXPECT_NE(s.find("     0-3       3 100.0%  " + std::string(44, '#') + "\n"), std::string::npos);
    EXPECT_EQ(s.find(std::string(45, '#')), std::string::npos);
    EXPECT_NE(s.find("   target 30.0 at depth 1   realised 0.0667\n"), std::string::npos);
    EXPECT_EQ(s.find("FOUNTAIN REACH"), std::string::npos) << "no Axiom on these floors";
    EXPECT_NE(s.find("\nDEGREE over 6 rooms\n"), std::string::npos);
}

TEST(Stats, MixedFloorsAndOversizedFloors)
{
    tunables_guard tg;
    static sv_stats st;
    sv_stats_init(&st);
    add_chain(&st, 2, 10);
    add_chain(&st, 3, 300);
    std::string s = print_of(&st);
    EXPECT_NE(s.find("   (mixed depths -- no single target applies)\n"), std::string::npos);
    EXPECT_NE(s.find(" 300-303       1  50.0%  " + std::string(44, '#') + "\n"), std::string::npos);
    EXPECT_NE(s.find("    8-11       1  50.0%  " + std::string(44, '#') + "\n"), std::string::npos);
}

TEST(Stats, LargeFloorsReadTheirRealSizesAndDepths)
{
    tunables_guard tg;
    static sv_stats st;
    sv_stats_init(&st);
    for (u16 n : {260, 300, 400, 1000, 2000})
        add_chain(&st, 9, n);
    EXPECT_EQ(sv_stats_size_percentile(&st, 0.05), 260u);
    EXPECT_EQ(sv_stats_size_percentile(&st, 0.5), 400u);
    EXPECT_EQ(sv_stats_size_percentile(&st, 0.95), 2000u);
    std::string s = print_of(&st);
    EXPECT_NE(s.find("  p5 260   p50 400   p95 2000"), std::string::npos);
    EXPECT_NE(s.find("  min 259   max 1999\n"), std::string::npos);
    for (const char* row : {"\n     259       1  20.0%  ", "\n     999       1  20.0%  ",
                            "\n    1999       1  20.0%  ", "\n  1000-1003       1  20.0%  "})
        EXPECT_NE(s.find(row), std::string::npos) << row;

    // The largest floor a table can hold has a row of its own too.
    sv_stats_init(&st);
    sv_gen_stats report {};
    report.rooms = SV_FLOOR_CAPACITY_MAX;
    report.max_depth = SV_FLOOR_CAPACITY_MAX - 1;
    chain_floor one(9, 2);
    sv_stats_add(&st, &one.f, &report);
    s = print_of(&st);
    EXPECT_NE(s.find("65532-65535       1 100.0%  "), std::string::npos);
    EXPECT_NE(s.find("\n   65533       1 100.0%  "), std::string::npos);
    EXPECT_EQ(sv_stats_size_percentile(&st, 0.5), (u64)SV_FLOOR_CAPACITY_MAX);
}

TEST(Stats, PercentilesOfSmallSamplesAreRealSizes)
{
    static sv_stats st;
    sv_stats_init(&st);
    for (u16 n : {12, 20, 30})
        add_chain(&st, 4, n);
    EXPECT_EQ(sv_stats_size_percentile(&st, 0.05), 12u);
    EXPECT_EQ(sv_stats_size_percentile(&st, 0.5), 20u);
    EXPECT_EQ(sv_stats_size_percentile(&st, 0.95), 30u);
    EXPECT_NE(print_of(&st).find("  p5 12   p50 20   p95 30"), std::string::npos);

    // A round rank takes exactly that many floors: of 20 floors sized 1..20, p5 is the first.
    sv_stats_init(&st);
    for (u16 n = 1; n <= 20; ++n)
        add_chain(&st, 4, n);
    EXPECT_EQ(sv_stats_size_percentile(&st, 0.05), 1u);
    EXPECT_EQ(sv_stats_size_percentile(&st, 0.5), 10u);
    EXPECT_EQ(sv_stats_size_percentile(&st, 0.95), 19u);
}

TEST(Stats, GeneratedFloorsFillEverySection)
{
    tunables_guard tg;
    static sv_stats st;
    sv_stats_init(&st);
    for (u64 seed = 0; seed < 200; ++seed) {
        grown_floor g(seed, 4);
        sv_stats_add(&st, &g.f, &g.st);
    }
    EXPECT_EQ(st.floors, 200u);
    EXPECT_EQ(st.axiom_floors, 200u);
    std::string s = print_of(&st);
    for (const char* section :
         {"\nFLOOR SIZE over 200 floors\n", "\nDEPTH (deepest room, edges from spawn)\n",
          "\nDEGREE over ", "\nFOUNTAIN REACH -- nearest eligible leaf to the Axiom\n",
          "  (* marks distances inside the band)\n", "(hub_degree 5)\n",
          "nearest leaf inside the 2-4 band"})
        EXPECT_NE(s.find(section), std::string::npos) << section;
    EXPECT_EQ(s.find(std::string(45, '#')), std::string::npos);
}

TEST(Stats, FountainBandIsReadAsTheGeneratorReadsIt)
{
    tunables_guard tg;
    // A top below the bottom: the generator lifts the top to the bottom, and so do the statistics.
    set_tune("fountain.band_min", 4);
    set_tune("fountain.band_max", 2);
    static sv_stats st;
    sv_stats_init(&st);
    for (u64 seed = 0; seed < 100; ++seed) {
        grown_floor g(seed, 5);
        sv_stats_add(&st, &g.f, &g.st);
    }
    std::string s = print_of(&st);
    EXPECT_NE(s.find("nearest leaf inside the 4-4 band"), std::string::npos);
    EXPECT_EQ(s.find("inside the 4-2 band"), std::string::npos);
    EXPECT_LT(st.band_room, 101u);
    EXPECT_GT(st.band_room, 50u)
        << "with the band read as 2..4 reversed, no room would ever fall inside";
}

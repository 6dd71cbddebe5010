// Properties over thousands of generated floors: every floor that meets its obligations
// validates, every room is reached from spawn, and Graphviz accepts the digraph.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "floor/render.h"
#include "floor/validate.h"
#include "support/console_program.h"
#include "test_gen_util.h"

namespace {

const u16 k_floors[] = {1, 2, 3, 4, 6, 9, 15};

std::string faults_text(const sv_validate_report* rep)
{
    std::string s;
    sv_validate_print(rep, sv_test_capture(&s));
    return s;
}

} // namespace

TEST(GenProps, MetFloorsValidateAndEveryRoomIsReached)
{
    tunables_guard tg;
    u32 met = 0, owed = 0;
    for (u16 number : k_floors) {
        for (u64 seed = 0; seed < 2000; ++seed) {
            grown_floor g(seed * 7919 + number, number);
            sv_floor* f = &g.f;
            ASSERT_FALSE(g.st.censored);
            EXPECT_EQ(sv_gen_walk(f, 0, SV_WALK_BFS, nullptr, 0), f->room_count) << seed;
            if (!sv_ledger_satisfied(&g.st.ledger)) {
                owed += 1;
                continue;
            }
            met += 1;
            sv_validate_report rep;
            if (!sv_validate_floor(f, &rep))
                ADD_FAILURE() << "floor " << number << " seed " << seed * 7919 + number << "\n"
                              << faults_text(&rep);
        }
    }
    // The defaults leave every floor able to hold what it owes.
    EXPECT_EQ(owed, 0u);
    EXPECT_EQ(met, 2000u * (sizeof k_floors / sizeof k_floors[0]));
}

TEST(GenProps, SmallAndLinearFloorsStillValidate)
{
    tunables_guard tg;
    // Extremes of shape: chains, all-or-nothing hubs, tiny floors and wide gate asks.
    struct shape {
        const char* key;
        f64 value;
    };
    const shape shapes[][3] = {
        {{"floor.max_degree", 2}, {"floor.linearity", 0.85}, {"floor.size_spread", 0.5}},
        {{"floor.linearity", 0}, {"floor.hub_degree", 3}, {"scion.optional_mean", 10}},
        {{"floor.size_base", 6}, {"floor.size_growth", 0}, {"floor.size_spread", 3}},
        {{"axiom.depth_band", 1}, {"prism.min_distance", 0}, {"shard.loose", 0}},
        {{"depth.height_k", 10}, {"depth.spread", 0.05}, {"scion.gate_chance", 1}},
    };
    for (const auto& sh : shapes) {
        sv_tune_reset_defaults();
        for (const shape& s : sh)
            set_tune(s.key, s.value);
        for (u16 number : {1, 2, 5}) {
            for (u64 seed = 0; seed < 300; ++seed) {
                grown_floor g(seed, number);
                EXPECT_EQ(sv_gen_walk(&g.f, 0, SV_WALK_DFS, nullptr, 0), g.f.room_count);
                if (!sv_ledger_satisfied(&g.st.ledger))
                    continue;
                sv_validate_report rep;
                if (!sv_validate_floor(&g.f, &rep))
                    ADD_FAILURE() << sh[0].key << " floor " << number << " seed " << seed << "\n"
                                  << faults_text(&rep);
            }
        }
    }
}

// std::system's shell: sh here, cmd.exe on Windows, which has no `command -v`, no /dev/null and no
// single quotes; "dot -V" is asked the same in both.
#if defined(_WIN32)
#define NULL_DEVICE "NUL"
#define QUOTE       "\""
#else
#define NULL_DEVICE "/dev/null"
#define QUOTE       "'"
#endif

TEST(GenProps, GraphvizAcceptsTheDigraph)
{
    if (std::system("dot -V >" NULL_DEVICE " 2>&1") != 0)
        GTEST_SKIP() << "graphviz's dot is not installed";
    tunables_guard tg;
    sv_test_dir dir {"gen_props_dot"};
    std::string path = dir.path + "/floor.dot";
    for (u64 seed = 1; seed <= 24; ++seed) {
        grown_floor g(seed * 131, (u16)(1 + seed % 8));
        sv_floor_visit(&g.f, 0); // a filled node too
        FILE* file = std::fopen(path.c_str(), "w");
        ASSERT_NE(file, nullptr);
        sv_render_dot(&g.f, sv_writer_file(file));
        std::fclose(file);
        std::string cmd = "dot -Tsvg -o " NULL_DEVICE " " QUOTE + path + QUOTE " 2>&1";
        sv_test_outcome r = sv_test_capture(cmd);
        EXPECT_EQ(r.status, 0) << "seed " << seed * 131 << ": " << r;
    }
}

// The headless bot plays whole floors through the walker's tick.
#include <cstdio>

#include "actors_util.h"
#include "walker_bot.h"
#include "world/geom_cache.h"

namespace {

struct WalkerBot : ::testing::Test {
    void SetUp() override
    {
        boot_base_pack();
        sv_geom_cache_reset();
        sv_combat_set_passive(0);
    }
    void TearDown() override
    {
        sv_combat_set_passive(0);
        content_pack::unload();
    }
};

// Plays floor number of seed until the exit (2) or the tick budget; returns the ticks taken or
// 0 when it did not get out.
u32 play(u64 seed, u16 number, bool passive, u32 budget, u32* kills)
{
    walker_floor wf(seed, number);
    static sv_walker s_w;
    std::memset(&s_w, 0, sizeof s_w);
    sv_walker_start(&s_w, &wf.f, 0);
    sv_combat_set_passive(passive ? 1 : 0);
    walker_bot bot;
    bot.w = &s_w;
    bot.kill_bosses = passive;
    for (u32 t = 1; t <= budget; ++t) {
        sv_input in = bot_input(&bot, &wf.f);
        i32 r = sv_walker_step(&s_w, &wf.f, &in);
        if (r == 2) {
            if (kills)
                *kills = bot.kills;
            return t;
        }
        if (!sv_player_alive(&s_w.player))
            return 0;
    }
    return 0;
}

TEST_F(WalkerBot, CompletesTheFirstFloorOfFiftySeeds)
{
    u32 worst = 0, total = 0;
    for (u64 seed = 1; seed <= 50; seed += bot_stride(5)) {
        u32 ticks = play(seed, 1, false, 60 * 600, nullptr);
        EXPECT_GT(ticks, 0u) << "seed " << seed;
        printf("floor 1 seed %llu: %u ticks\n", (unsigned long long)seed, ticks);
        worst = ticks > worst ? ticks : worst;
        total += ticks;
    }
    printf("floor 1, seeds 1-50 by %llu: %u ticks in all, at most %u\n",
           (unsigned long long)bot_stride(5), total, worst);
}

TEST_F(WalkerBot, CompletesFloorsTwoToTenInPassiveModeWithScriptedBossKills)
{
    for (u16 number = 2; number <= 10; ++number) {
        u32 worst = 0, total = 0, kills = 0;
        for (u64 seed = 1; seed <= 5; seed += bot_stride(3)) {
            u32 k = 0;
            u32 ticks = play(seed, number, true, 60 * 900, &k);
            EXPECT_GT(ticks, 0u) << "floor " << number << " seed " << seed;
            worst = ticks > worst ? ticks : worst;
            total += ticks;
            kills += k;
        }
        printf(
            "floor %u, seeds 1-5 by %llu, passive: %u ticks in all, at most %u, %u bosses killed\n",
            number, (unsigned long long)bot_stride(3), total, worst, kills);
    }
}

} // namespace

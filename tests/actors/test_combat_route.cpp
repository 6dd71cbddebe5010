// The combat layer's short route searches against the navigation routes they stand in for.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "actors/combat.h"
#include "game/pipeline.h"
#include "world/route.h"

// Between every pair of places of a floor, at every cap, with no filter and with the mobs' own:
// the combat route is the navigation route (the same doors in the same order) or, when that is
// longer than the cap or missing, none.
TEST(CombatRoute, EveryRouteIsTheNavigationRouteWithinItsCap)
{
    sv_floor f {};
    sv_pipeline_generate(&f, 11, 6);
    u32 compared = 0, capped = 0, found = 0;
    const u64 caps[] = {1, 2, 3, 5, 8, 64};
    const sv_door_filter filters[] = {nullptr, mob_may_take};
    for (sv_door_filter filter : filters)
        for (u16 from = 0; from < f.place_count; from = (u16)(from + 3))
            for (u16 to = 0; to < f.place_count; ++to) {
                u8 want[64], got[64];
                i64 full = sv_nav_route(&f, from, to, want, 64, filter, nullptr);
                for (u64 cap : caps) {
                    std::memset(got, 0xEE, sizeof got);
                    i64 n = sv_combat_route(&f, from, to, got, cap, filter, nullptr);
                    i64 expect = full >= 0 && (u64)full <= cap ? full : -1;
                    ASSERT_EQ(n, expect) << "from " << from << " to " << to << " cap " << cap
                                         << (filter ? " mobs" : "");
                    if (n > 0) {
                        EXPECT_EQ(std::memcmp(got, want, (size_t)n), 0)
                            << "from " << from << " to " << to << " cap " << cap;
                        ++found;
                    }
                    capped += full > 0 && (u64)full > cap;
                    ++compared;
                }
            }
    sv_floor_free(&f);
    EXPECT_GT(found, 1000u);
    EXPECT_GT(capped, 1000u);
    printf("[ combat ] %u routes compared, %u found, %u past their cap\n", compared, found, capped);
}

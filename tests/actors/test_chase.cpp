// Chases across places: with the player standing in the spawn room and every mob that can route
// there alerted toward it, no mob away from the player stalls, whether rocking before a door it
// means to cross or held by anything else.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "actors_util.h"
#include "walker_bot.h"
#include "world/geom_cache.h"

namespace {

// The window a chasing mob must make headway in, and the least headway.
const u32 WINDOW = 120;
const f32 HEADWAY = 0.1f;

struct Chase : ::testing::Test {
    void SetUp() override
    {
        boot_base_pack();
        sv_geom_cache_reset();
        sv_combat_set_passive(0);
    }
    void TearDown() override { content_pack::unload(); }
};

// The player in the spawn room; every ordinary mob that can route to it alerted toward it (only
// mob `only` when given, the others held waiting). Returns which mobs chase.
std::vector<u8> alert_all(sv_walker* w, sv_floor* f, i32 only = -1)
{
    std::memset(w, 0, sizeof *w);
    sv_walker_start(w, f, 0);
    std::vector<u8> chasing(f->mob_count, 0);
    for (u16 i = 0; i < f->mob_count; ++i) {
        sv_mob* m = &f->mobs[i];
        u8 doors[64];
        if (m->boss || !(m->hp > 0.0f)
            || sv_combat_route(f, m->place, 0, doors, 64, mob_may_take, nullptr) < 0)
            continue;
        if (only >= 0 && i != only) {
            m->waiting = 1;
            continue;
        }
        m->alerted = 1;
        m->seen_place = 0;
        m->seen_x = w->player.x;
        m->seen_z = w->player.z;
        chasing[i] = 1;
    }
    return chasing;
}

// One tick of the combat with the player standing and kept alive.
void tick(sv_walker* w, sv_floor* f)
{
    sv_combat_tick(w, f);
    sv_player_revive(&w->player);
}

} // namespace

// At its route's door at 0.12 m from the centre, the mob used to take a path back to a corner
// 0.16 m behind and alternate between the two for ever.
TEST_F(Chase, AMobAtItsRoutesDoorGoesThroughIt)
{
    walker_floor wf(1, 4);
    static sv_walker s_w;
    std::vector<u8> chasing = alert_all(&s_w, &wf.f, 11);
    ASSERT_TRUE(chasing.size() > 11 && chasing[11]);
    const sv_mob* m = &wf.f.mobs[11];
    ASSERT_EQ(m->place, 12);
    u32 left = 0;
    for (u32 t = 0; t < 600 && !left; ++t) {
        tick(&s_w, &wf.f);
        if (m->place != 12)
            left = t;
    }
    EXPECT_GT(left, 0u) << "still in room 12 at " << m->x << ", " << m->z;
}

// Over many floors, every alerted mob not yet in the player's place that stands idle through a
// window of 120 ticks in one place has moved at least 0.1 m over it.
TEST_F(Chase, EveryAlertedMobThatCanRouteToThePlayerMakesHeadway)
{
    // Under the sanitizer seeds 1 and 5 only.
    const u64 stride = bot_stride(4);
    static sv_walker s_w;
    u32 chases = 0, crossings = 0;
    std::string stalls;
    for (u64 seed = 1; seed <= 8; seed += stride) {
        for (u16 number = 2; number <= 10; ++number) {
            sv_geom_cache_reset();
            walker_floor wf(seed, number);
            std::vector<u8> chasing = alert_all(&s_w, &wf.f);
            u16 n = wf.f.mob_count;
            // Per mob, ticks idle in one place and where that stretch began.
            std::vector<u32> idle(n, 0);
            std::vector<u16> place(n);
            std::vector<Vector2> from(n);
            std::vector<u8> stalled(n, 0);
            for (u16 i = 0; i < n; ++i)
                chases += chasing[i];
            for (u32 t = 0; t < 600; ++t) {
                tick(&s_w, &wf.f);
                for (u16 i = 0; i < n; ++i) {
                    const sv_mob* m = &wf.f.mobs[i];
                    if (!chasing[i] || stalled[i])
                        continue;
                    bool away = m->hp > 0.0f && m->alerted && m->place != s_w.place
                        && m->phase == SV_PHASE_IDLE;
                    if (away && idle[i] > 0 && m->place != place[i])
                        crossings += 1;
                    if (!away || idle[i] == 0 || m->place != place[i]) {
                        idle[i] = away ? 1 : 0;
                        place[i] = m->place;
                        from[i] = {m->x, m->z};
                        continue;
                    }
                    if (++idle[i] <= WINDOW)
                        continue;
                    f32 moved = std::hypot(m->x - from[i].x, m->z - from[i].y);
                    if (moved < HEADWAY) {
                        stalled[i] = 1;
                        stalls += " seed " + std::to_string(seed) + " floor "
                            + std::to_string(number) + " mob " + std::to_string(i) + " place "
                            + std::to_string(m->place) + " tick " + std::to_string(t) + ";";
                    }
                    // The next window begins here.
                    idle[i] = 1;
                    from[i] = {m->x, m->z};
                }
            }
        }
    }
    printf("chase: %u mobs chasing, %u doors crossed by them\n", chases, crossings);
    EXPECT_GT(crossings, 100u);
    EXPECT_EQ(stalls, "");
}

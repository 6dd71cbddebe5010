// A whole chase: 300 walker ticks from spawn with 30 alerted mobs spread over the floor's places,
// the player walking, turning and swinging. Every iteration is a new floor (a new seed and serial,
// so every cache starts cold, as on arriving at a floor); each tick is timed on the thread's CPU
// clock and the counters give the per-tick mean, median, 99th percentile and the first tick.
#include <benchmark/benchmark.h>
#include <time.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "actors/combat.h"
#include "actors/walker.h"
#include "bench_pack.h"
#include "core/log.h"
#include "floor/floor.h"
#include "game/pipeline.h"

namespace {

const u32 CHASE_TICKS = 300;
const u16 CHASE_MOBS = 30;

f64 thread_seconds()
{
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return (f64)t.tv_sec + (f64)t.tv_nsec * 1e-9;
}

// Floor `number` of seed with CHASE_MOBS mobs (the floor's own, repeated in their places when it
// has fewer), every one alerted to the player at spawn, and the walker at spawn with a blade.
// Returns the number of distinct mob places.
u32 set_up(sv_floor* f, sv_walker* w, u64 seed, u16 number)
{
    std::memset(f, 0, sizeof *f);
    sv_pipeline_generate(f, seed, number);
    u16 own = f->mob_count;
    for (u16 i = 0; own && f->mob_count < CHASE_MOBS && f->mob_count < f->mob_capacity; ++i) {
        const sv_mob* m = &f->mobs[i % own];
        sv_floor_add_mob(f, m->place, m->x + 0.5f, m->z, m->yaw, &m->body, m->kind, m->name, 0);
    }
    if (f->mob_count > CHASE_MOBS)
        f->mob_count = CHASE_MOBS;
    std::vector<u16> places;
    for (u16 i = 0; i < f->mob_count; ++i) {
        sv_mob* m = &f->mobs[i];
        m->waiting = 0;
        m->alerted = 1;
        m->seen_place = 0;
        m->seen_x = 0.0f;
        m->seen_z = 0.0f;
        places.push_back(m->place);
    }
    std::sort(places.begin(), places.end());
    std::memset(w, 0, sizeof *w);
    sv_walker_start(w, f, 0);
    sv_player_revive(&w->player);
    sv_weapon blade;
    std::memset(&blade, 0, sizeof blade);
    blade.primary.kind = SV_ATTACK_MELEE;
    blade.primary.damage = 4.0f;
    blade.primary.windup = 0.1f;
    blade.primary.active = 0.1f;
    blade.primary.recovery = 0.2f;
    blade.primary.range = 2.0f;
    blade.primary.stamina = -1.0f;
    blade.secondary = blade.primary;
    sv_player_arm(&w->player, 0, &blade);
    return (u32)(std::unique(places.begin(), places.end()) - places.begin());
}

f64 percentile(std::vector<f64>* v, f64 q)
{
    if (v->empty())
        return 0.0;
    size_t k = (size_t)(q * (f64)(v->size() - 1) + 0.5);
    std::nth_element(v->begin(), v->begin() + (long)k, v->end());
    return (*v)[k];
}

// range(0) is the floor number. The player is kept alive (its damage cleared before each tick,
// outside the timing) so the mobs chase to the end.
void BM_Chase(benchmark::State& state)
{
    if (!bench_boot_quietly()) {
        state.SkipWithError("no base pack beside the program");
        return;
    }
    sv_log_set_cat_level(SV_CAT_GEN, SV_LOG_ERROR);
    u16 number = (u16)state.range(0);
    static sv_floor s_floor;
    static sv_walker s_walker;
    sv_combat_set_passive(0);
    std::vector<f64> ticks, firsts;
    u64 seed = 0x5eed;
    u64 places = 0;
    for (auto _ : state) {
        state.PauseTiming();
        places += set_up(&s_floor, &s_walker, seed++, number);
        state.ResumeTiming();
        for (u32 tick = 0; tick < CHASE_TICKS; ++tick) {
            sv_input in;
            std::memset(&in, 0, sizeof in);
            in.forward = (tick / 40) % 2 ? 1.0f : 0.3f;
            in.yaw_delta = 0.02f;
            in.primary = tick % 9 == 0;
            s_walker.player.damage_taken = 0.0f;
            f64 t0 = thread_seconds();
            i32 r = sv_walker_step(&s_walker, &s_floor, &in);
            f64 dt = thread_seconds() - t0;
            benchmark::DoNotOptimize(r);
            ticks.push_back(dt);
            if (tick == 0)
                firsts.push_back(dt);
            if (r == 2)
                break;
        }
        state.PauseTiming();
        sv_floor_free(&s_floor);
        state.ResumeTiming();
    }
    f64 sum = 0.0;
    for (f64 t : ticks)
        sum += t;
    state.counters["tick_mean_us"] = ticks.empty() ? 0.0 : sum / (f64)ticks.size() * 1e6;
    state.counters["tick_median_us"] = percentile(&ticks, 0.5) * 1e6;
    state.counters["tick_p99_us"] = percentile(&ticks, 0.99) * 1e6;
    state.counters["first_tick_us"] = percentile(&firsts, 0.5) * 1e6;
    state.counters["first_tick_max_us"] = percentile(&firsts, 1.0) * 1e6;
    state.counters["mob_places"] = (f64)places / (f64)state.iterations();
    sv_log_set_cat_level(SV_CAT_GEN, SV_LOG_INFO);
    bench_shut_down();
}
BENCHMARK(BM_Chase)->Arg(5)->Arg(10)->Iterations(24)->Unit(benchmark::kMillisecond);

} // namespace

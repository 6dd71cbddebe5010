// The whole gen pipeline with the population, on the base pack, at floors 1, 5 and 10; and the
// population alone on an already grown floor.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <string>

#include "actors/boss.h"
#include "bench_pack.h"
#include "core/boot.h"
#include "core/content.h"
#include "core/log.h"
#include "core/pack.h"
#include "core/tune.h"
#include "core/vfs.h"
#include "floor/floor.h"
#include "game/pipeline.h"

namespace {

// One floor from init to free through every generation step on the base pack (so with its
// bosses, weapons and mobs), seeds in turn.
void BM_GenPipelineBasePack(benchmark::State& state)
{
    if (!bench_boot_quietly()) {
        state.SkipWithError("no base pack beside the program");
        return;
    }
    u16 number = (u16)state.range(0);
    u64 seed = 1, mobs = 0;
    for (auto _ : state) {
        sv_floor f {};
        sv_pipeline_generate(&f, seed++, number);
        mobs += f.mob_count;
        sv_floor_free(&f);
    }
    state.counters["mobs"] = benchmark::Counter((f64)mobs, benchmark::Counter::kAvgIterations);
    bench_shut_down();
}
BENCHMARK(BM_GenPipelineBasePack)->Arg(1)->Arg(5)->Arg(10)->Unit(benchmark::kMicrosecond);

// The three population steps alone, on one floor whose actors (and what the arena gave them)
// are cleared between runs.
void BM_Population(benchmark::State& state)
{
    if (!bench_boot_quietly()) {
        state.SkipWithError("no base pack beside the program");
        return;
    }
    u16 number = (u16)state.range(0);
    sv_floor f {};
    sv_pipeline_generate(&f, 4471, number);
    u16 weapon_room[2] = {f.weapon_room[0], f.weapon_room[1]};
    f.mob_count = 0;
    sv_arena_mark mark = sv_arena_mark_get(&f.arena);
    for (auto _ : state) {
        sv_arena_release(&f.arena, mark);
        f.mob_count = 0;
        f.weapon_room[0] = weapon_room[0];
        f.weapon_room[1] = weapon_room[1];
        benchmark::DoNotOptimize(sv_boss_stand(&f));
        benchmark::DoNotOptimize(sv_weapon_stock(&f));
        benchmark::DoNotOptimize(sv_mob_populate(&f));
    }
    sv_floor_free(&f);
    bench_shut_down();
}
BENCHMARK(BM_Population)->Arg(5)->Arg(10)->Unit(benchmark::kMicrosecond);

} // namespace

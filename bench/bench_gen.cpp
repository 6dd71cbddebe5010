// Generator speed: the floors per second behind `stats`, and the cost per room as floors grow.
#include <benchmark/benchmark.h>

#include "core/tune.h"
#include "floor/floor.h"
#include "floor/gen.h"
#include "floor/stats.h"

namespace {

// One floor from init to free, as `stats` makes them.
sv_gen_stats grow_one(u16 floor_number, u64 seed, u16 capacity)
{
    sv_floor f {};
    sv_floor_init(&f, floor_number, seed, capacity);
    sv_gen_stats report = sv_gen_grow(&f);
    sv_floor_free(&f);
    return report;
}

// What `stats 20000 4` does per floor: generate, accumulate, free. Reported as floors per second.
void BM_StatsFloors(benchmark::State& state)
{
    sv_tune_reset_defaults();
    u16 number = 4;
    u16 capacity = (u16)sv_gen_capacity_for(number);
    static sv_stats s_stats;
    sv_stats_init(&s_stats);
    u64 seed = 0;
    for (auto _ : state) {
        sv_floor f {};
        sv_floor_init(&f, number, seed++, capacity);
        sv_gen_stats report = sv_gen_grow(&f);
        sv_stats_add(&s_stats, &f, &report);
        sv_floor_free(&f);
    }
    state.SetItemsProcessed((i64)state.iterations());
}
BENCHMARK(BM_StatsFloors);

// Floors of exactly range(0) rooms (no size spread, the cap at that size) with at most range(1)
// doors per room; 2 makes a chain, the deepest floor. Reported per room.
void BM_RoomCost(benchmark::State& state)
{
    sv_tune_reset_defaults();
    f64 rooms = (f64)state.range(0);
    sv_tune_set_by_name("floor.size_growth", 5);
    sv_tune_set_by_name("floor.size_growth_rate", 200);
    sv_tune_set_by_name("floor.size_base", 400);
    sv_tune_set_by_name("floor.size_max", rooms);
    sv_tune_set_by_name("floor.size_min", rooms < 9 ? rooms : 9);
    sv_tune_set_by_name("floor.size_spread", 0);
    sv_tune_set_by_name("floor.max_degree", (f64)state.range(1));
    u16 number = 4;
    u16 capacity = (u16)sv_gen_capacity_for(number);
    u64 seed = 0, made = 0;
    for (auto _ : state) {
        sv_gen_stats report = grow_one(number, seed++, capacity);
        made += report.rooms;
    }
    state.SetItemsProcessed((i64)made);
    state.counters["per_room"]
        = benchmark::Counter((f64)made, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    sv_tune_reset_defaults();
}
BENCHMARK(BM_RoomCost)->ArgsProduct({{10, 100, 1000, 2000}, {6, 2}})->ArgNames({"rooms", "degree"});

} // namespace

// The whole generation pipeline as `gen` runs it (topology, laying geometry, door appearances),
// per floor, and the laying pass alone.
#include <benchmark/benchmark.h>

#include "core/log.h"
#include "core/tune.h"
#include "floor/floor.h"
#include "floor/gen.h"
#include "game/pipeline.h"
#include "world/geom_apply.h"

namespace {

// One floor of number range(0) from init to free, a new seed each time.
void BM_GenPipeline(benchmark::State& state)
{
    sv_tune_reset_defaults();
    sv_log_set_cat_level(SV_CAT_GEN, SV_LOG_ERROR); // bare rooms are rare but not for a bench
    u16 number = (u16)state.range(0);
    u64 seed = 1, rooms = 0, places = 0;
    for (auto _ : state) {
        sv_floor f {};
        sv_pipeline_generate(&f, seed++, number);
        rooms += f.room_count;
        places += f.place_count;
        sv_floor_free(&f);
    }
    state.counters["rooms"] = (double)rooms / (double)state.iterations();
    state.counters["places"] = (double)places / (double)state.iterations();
    sv_log_set_cat_level(SV_CAT_GEN, SV_LOG_INFO);
}
BENCHMARK(BM_GenPipeline)->Arg(1)->Arg(5)->Arg(10)->Unit(benchmark::kMillisecond);

// The laying pass alone over a grown floor; the floor's corridors are laid on the first run, so
// later runs recompute scales, elevations and interiors as a second run does.
void BM_GeomApplyRelay(benchmark::State& state)
{
    sv_tune_reset_defaults();
    sv_log_set_cat_level(SV_CAT_GEN, SV_LOG_ERROR);
    u16 number = (u16)state.range(0);
    sv_floor f {};
    sv_floor_init(&f, number, 4471, (u16)sv_gen_capacity_for(number));
    sv_gen_grow(&f);
    for (auto _ : state)
        sv_geom_apply(&f);
    state.counters["rooms"] = (double)f.room_count;
    sv_floor_free(&f);
    sv_log_set_cat_level(SV_CAT_GEN, SV_LOG_INFO);
}
BENCHMARK(BM_GeomApplyRelay)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);

} // namespace

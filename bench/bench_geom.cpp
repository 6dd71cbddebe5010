// Building place geometry: one room (interior included) and one corridor piece per iteration.
#include <benchmark/benchmark.h>

#include "world/world_util.h"

namespace {

// Every room of a few generated floors, each with one of its interior draws.
void BM_GeomBuildRoom(benchmark::State& state)
{
    sv_tune_reset_defaults();
    world_floor wf(4471, 3);
    sv_floor* f = &wf.f;
    static sv_geom s_g;
    u16 r = 0;
    u8 draw = 0;
    for (auto _ : state) {
        f->rooms[r].interior = draw;
        sv_geom_build(&s_g, f, r);
        benchmark::DoNotOptimize(s_g.fixture_count);
        if (++r == f->room_count) {
            r = 0;
            draw = (u8)((draw + 1) % 8);
        }
    }
    state.SetLabel("rooms of seed 4471 floor 3, draws 0..7");
}
BENCHMARK(BM_GeomBuildRoom)->Unit(benchmark::kMicrosecond);

void BM_GeomBuildPiece(benchmark::State& state)
{
    sv_tune_reset_defaults();
    world_floor wf(4471, 3);
    sv_floor* f = &wf.f;
    static sv_geom s_g;
    u16 p = f->room_count;
    for (auto _ : state) {
        sv_geom_build(&s_g, f, p);
        benchmark::DoNotOptimize(s_g.vertex_count);
        if (++p == f->place_count)
            p = f->room_count;
    }
}
BENCHMARK(BM_GeomBuildPiece)->Unit(benchmark::kMicrosecond);

} // namespace

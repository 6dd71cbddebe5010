// The visibility walk from spawn, as the main loop runs it once a frame, and its parts.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

#include "core/tune.h"
#include "world/geom.h"
#include "world/portal.h"
#include "world/world_util.h" // generated floors with corridors laid by the laying pass

namespace {

const f32 FOVY = 1.2217305f;
const f32 MARGIN = 0.10471976f;
const f32 ASPECT = 16.0f / 9.0f;

// Generated floors (rooms joined by doors, or laid as gen lays them: corridors, scales,
// elevations, interiors) with their spawn geometry and eye.
struct spawn_set {
    std::vector<std::unique_ptr<world_floor>> floors;
    std::vector<sv_geom> geoms;
    std::vector<Vector3> eyes;

    spawn_set(u64 first_seed, u32 count, u16 number, bool corridors = false)
    {
        sv_tune_reset_defaults();
        geoms.resize(count);
        eyes.resize(count);
        for (u32 i = 0; i < count; ++i) {
            floors.push_back(std::make_unique<world_floor>(
                first_seed + i, number, corridors ? world_lay::pass : world_lay::none));
            sv_geom_build(&geoms[i], &floors[i]->f, 0);
            eyes[i] = {0, sv_geom_ground(&geoms[i], 0, 0) + 1.6f, 0};
        }
    }
    const sv_floor* floor(u32 i) const { return &floors[i]->f; }
};

void count_visit(const sv_visit* v, void* user)
{
    *static_cast<u64*>(user) += v->open_mask & 1u;
}

// One walk from spawn with the camera's view, over 64 floors and 8 headings in turn; floor
// number range(0), laid by the laying pass when range(1) is 1.
void BM_PortalWalkFromSpawn(benchmark::State& state)
{
    spawn_set s_set(4471, 64, (u16)state.range(0), state.range(1) == 1);
    u64 sink = 0, visits = 0, walks = 0;
    u32 i = 0;
    for (auto _ : state) {
        u32 f = i % 64, k = (i / 64) % 8;
        sv_portal_view view;
        sv_portal_view_frustum(&view, &s_set.eyes[f], (f32)k * 0.7853982f, 0.0f, FOVY, ASPECT,
                               MARGIN);
        visits += sv_portal_walk(s_set.floor(f), 0, &s_set.geoms[f], &s_set.eyes[f], &view,
                                 count_visit, &sink);
        walks += 1;
        i += 1;
    }
    benchmark::DoNotOptimize(sink);
    state.counters["visits"] = walks ? (double)visits / (double)walks : 0.0;
}
BENCHMARK(BM_PortalWalkFromSpawn)
    ->Args({1, 0})
    ->Args({5, 0})
    ->Args({1, 1})
    ->Args({5, 1})
    ->Args({10, 1})
    ->Unit(benchmark::kMicrosecond);

// The widest walk from spawn: no view at the eye, so every door of spawn is looked through.
void BM_PortalWalkFromSpawnNoView(benchmark::State& state)
{
    spawn_set s_set(4471, 64, 5, state.range(0) == 1);
    u64 sink = 0, visits = 0, walks = 0;
    u32 i = 0;
    for (auto _ : state) {
        u32 f = i % 64;
        visits += sv_portal_walk(s_set.floor(f), 0, &s_set.geoms[f], &s_set.eyes[f], nullptr,
                                 count_visit, &sink);
        walks += 1;
        i += 1;
    }
    benchmark::DoNotOptimize(sink);
    state.counters["visits"] = walks ? (double)visits / (double)walks : 0.0;
}
BENCHMARK(BM_PortalWalkFromSpawnNoView)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The widest walk on arriving at a floor: laid just before (outside the timing), so the rooms
// its laying built are in the geometry cache and only the corridor pieces are built.
void BM_PortalWalkFromSpawnNoViewOnArrival(benchmark::State& state)
{
    sv_tune_reset_defaults();
    u64 sink = 0, visits = 0, walks = 0;
    u64 seed = 4471;
    std::unique_ptr<world_floor> w;
    static sv_geom s_spawn;
    for (auto _ : state) {
        state.PauseTiming();
        w.reset(); // the last floor goes first, as on going down
        w = std::make_unique<world_floor>(seed++, 5, world_lay::pass);
        sv_geom_build(&s_spawn, &w->f, 0);
        Vector3 eye = {0, sv_geom_ground(&s_spawn, 0, 0) + 1.6f, 0};
        state.ResumeTiming();
        visits += sv_portal_walk(&w->f, 0, &s_spawn, &eye, nullptr, count_visit, &sink);
        walks += 1;
    }
    benchmark::DoNotOptimize(sink);
    state.counters["visits"] = walks ? (double)visits / (double)walks : 0.0;
}
BENCHMARK(BM_PortalWalkFromSpawnNoViewOnArrival)->Iterations(256)->Unit(benchmark::kMicrosecond);

// The widest walk as the main loop makes it: once a frame on the same floor, 60 frames (a second)
// on each of the 64 laid floors in turn, so the places beyond the doors are the ones walked
// through a frame earlier.
void BM_PortalWalkFromSpawnNoViewFrames(benchmark::State& state)
{
    spawn_set s_set(4471, 64, 5, true);
    u64 sink = 0, visits = 0, walks = 0;
    u32 i = 0;
    for (auto _ : state) {
        u32 f = (i / 60) % 64;
        visits += sv_portal_walk(s_set.floor(f), 0, &s_set.geoms[f], &s_set.eyes[f], nullptr,
                                 count_visit, &sink);
        walks += 1;
        i += 1;
    }
    benchmark::DoNotOptimize(sink);
    state.counters["visits"] = walks ? (double)visits / (double)walks : 0.0;
}
BENCHMARK(BM_PortalWalkFromSpawnNoViewFrames)->Unit(benchmark::kMicrosecond);

// The game's first floor (seed 4471, floor 1) seen from spawn looking along +x.
void BM_PortalWalkFirstFloor(benchmark::State& state)
{
    static spawn_set s_set(4471, 1, 1);
    sv_portal_view view;
    sv_portal_view_frustum(&view, &s_set.eyes[0], 0.0f, 0.0f, FOVY, ASPECT, MARGIN);
    u64 sink = 0, visits = 0;
    for (auto _ : state)
        visits = sv_portal_walk(s_set.floor(0), 0, &s_set.geoms[0], &s_set.eyes[0], &view,
                                count_visit, &sink);
    benchmark::DoNotOptimize(sink);
    state.counters["visits"] = (double)visits;
}
BENCHMARK(BM_PortalWalkFirstFloor)->Unit(benchmark::kMicrosecond);

// A child view through a door and the visible size of a door quad behind a deep view.
void BM_PortalViewBuildAndVisible(benchmark::State& state)
{
    static spawn_set s_set(4471, 1, 3);
    const sv_geom* g = &s_set.geoms[0];
    Vector3 eye = s_set.eyes[0];
    sv_portal_view parent;
    sv_portal_view_frustum(&parent, &eye, 0.0f, 0.0f, FOVY, ASPECT, MARGIN);
    Vector3 quad[4];
    sv_geom_opening(g, 0, quad);
    f32 sum = 0.0f;
    for (auto _ : state) {
        sv_portal_view child;
        sum += (f32)sv_portal_view_build(&child, nullptr, g, 0, nullptr, &eye);
        sum += sv_portal_view_visible(&parent, &eye, quad);
    }
    benchmark::DoNotOptimize(sum);
}
BENCHMARK(BM_PortalViewBuildAndVisible);

} // namespace

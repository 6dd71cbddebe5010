// Navigation and body physics on generated rooms: grid builds, path queries on a cached grid,
// and collision with settling per body per tick.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "core/rng.h"
#include "world/body.h"
#include "world/nav.h"
#include "world/world_util.h"

namespace {

const f32 R = 0.4f;
const u16 DEPTH = 10;

// Rooms of floor 10 over a few seeds, each with every interior draw.
const std::vector<sv_geom>& rooms()
{
    static std::vector<sv_geom> s_rooms;
    if (!s_rooms.empty())
        return s_rooms;
    sv_tune_reset_defaults();
    static sv_geom s_g;
    for (u64 seed = 1; seed <= 8; ++seed) {
        world_floor wf(seed, DEPTH);
        for (u16 r = 0; r < wf.f.room_count; ++r)
            for (u8 draw = 0; draw < 8; ++draw) {
                wf.f.rooms[r].interior = draw;
                sv_geom_build(&s_g, &wf.f, r);
                s_rooms.push_back(s_g);
            }
    }
    return s_rooms;
}

// Every build is of another room than the last, so every call rebuilds the grid.
void BM_NavGridBuild(benchmark::State& state)
{
    const std::vector<sv_geom>& g = rooms();
    size_t i = 0;
    for (auto _ : state) {
        u64 rects = 0;
        sv_nav_stats(&g[i], R, &rects, nullptr, nullptr);
        benchmark::DoNotOptimize(rects);
        i = (i + 1) % g.size();
    }
    state.counters["rooms"] = (double)g.size();
}
BENCHMARK(BM_NavGridBuild)->Unit(benchmark::kMicrosecond);

// A whole floor at depth 10: every room built and tested for walkability with 1 or 8 draws.
void BM_NavFloorLay(benchmark::State& state)
{
    sv_tune_reset_defaults();
    u8 draws = (u8)state.range(0);
    world_floor wf(4471, DEPTH);
    static sv_geom s_g;
    for (auto _ : state) {
        i32 ok = 0;
        for (u16 r = 0; r < wf.f.room_count; ++r)
            for (u8 draw = 0; draw < draws; ++draw) {
                wf.f.rooms[r].interior = draw;
                sv_geom_build(&s_g, &wf.f, r);
                ok += sv_nav_walkable(&s_g, R);
            }
        benchmark::DoNotOptimize(ok);
    }
    state.counters["rooms"] = wf.f.room_count;
}
BENCHMARK(BM_NavFloorLay)->Arg(1)->Arg(8)->Unit(benchmark::kMillisecond);

// Door foot to door foot in one room after another; each room's grid is built before timing.
void BM_NavPath(benchmark::State& state)
{
    const std::vector<sv_geom>& g = rooms();
    sv_rng rng;
    sv_rng_open(&rng, 4471, 1, SV_STREAM_GEOMETRY);
    static Vector2 s_out[96];
    std::vector<double> us;
    size_t room = 0;
    u64 points = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const sv_geom* geom = &g[room];
        room = (room + 1) % g.size();
        sv_nav_stats(geom, R, nullptr, nullptr, nullptr);
        Vector2 feet[SV_DOOR_SLOTS];
        for (u8 s = 0; s < SV_DOOR_SLOTS; ++s)
            sv_geom_potential_foot(geom, s, &feet[s]);
        state.ResumeTiming();
        for (int q = 0; q < 16; ++q) {
            u32 a = sv_rng_below(&rng, SV_DOOR_SLOTS), b = sv_rng_below(&rng, SV_DOOR_SLOTS);
            auto t0 = std::chrono::steady_clock::now();
            points += sv_nav_path(geom, R, feet[a], feet[b], s_out, 96);
            auto t1 = std::chrono::steady_clock::now();
            us.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
        }
    }
    benchmark::DoNotOptimize(points);
    std::sort(us.begin(), us.end());
    if (!us.empty()) {
        state.counters["median_us"] = us[us.size() / 2];
        state.counters["p99_us"] = us[us.size() * 99 / 100];
        state.counters["queries"] = (double)us.size();
    }
}
BENCHMARK(BM_NavPath)->Unit(benchmark::kMicrosecond);

// One body colliding and settling in a furnished room, per tick.
void BM_BodyTick(benchmark::State& state)
{
    const std::vector<sv_geom>& g = rooms();
    sv_tune_reset_defaults();
    sv_rng rng;
    sv_rng_open(&rng, 4471, 2, SV_STREAM_GEOMETRY);
    size_t room = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const sv_geom* geom = &g[room];
        room = (room + 1) % g.size();
        f32 x = (f32)(sv_rng_f64(&rng) * 2.0 - 1.0) * geom->radius;
        f32 z = (f32)(sv_rng_f64(&rng) * 2.0 - 1.0) * geom->radius;
        f32 y = geom->floor_y, vy = 0.0f;
        u8 air = 0;
        state.ResumeTiming();
        for (int t = 0; t < 64; ++t) {
            x += 0.066f;
            sv_player_collide(geom, &x, &z, R, y, 0.45f);
            sv_body_settle(geom, x, z, &y, &vy, &air);
        }
        benchmark::DoNotOptimize(x + z + y);
    }
    state.SetItemsProcessed(state.iterations() * 64);
}
BENCHMARK(BM_BodyTick)->Unit(benchmark::kMicrosecond);

} // namespace

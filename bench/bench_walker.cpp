// One whole walker tick (lock-on, the player, collision beyond doors, the combat step with every
// mob's sight and AI, pickups, props and door crossing) on populated floors 1, 5 and 10 of the
// base pack, with the player standing among a room's mobs and fighting them.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "actors/combat.h"
#include "actors/walker.h"
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

// The room with the most living mobs (the spawn room when none has any).
u16 busiest_room(const sv_floor* f)
{
    u16 best = 0;
    u32 most = 0;
    for (u16 r = 0; r < f->room_count; ++r) {
        u32 n = sv_floor_mobs_alive_in(f, r);
        if (n > most) {
            most = n;
            best = r;
        }
    }
    return best;
}

// Starts the walker in the busiest room with a blade in hand.
void start(sv_walker* w, sv_floor* f)
{
    sv_walker_start(w, f, busiest_room(f));
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
}

// One sv_walker_step per iteration; every 240 ticks (and at the player's death) the floor is
// generated again and the walker restarted, outside the timing.
void BM_WalkerStep(benchmark::State& state)
{
    if (!bench_boot_quietly()) {
        state.SkipWithError("no base pack beside the program");
        return;
    }
    u16 number = (u16)state.range(0);
    static sv_floor s_floor;
    static sv_walker s_walker;
    std::memset(&s_walker, 0, sizeof s_walker);
    sv_pipeline_generate(&s_floor, 7, number);
    start(&s_walker, &s_floor);
    sv_combat_set_passive(0);
    u32 tick = 0;
    u64 seed = 7;
    for (auto _ : state) {
        sv_input in;
        std::memset(&in, 0, sizeof in);
        in.forward = (tick / 40) % 2 ? 1.0f : 0.3f;
        in.yaw_delta = 0.02f;
        in.primary = tick % 9 == 0;
        in.use = tick % 120 == 60;
        i32 r = sv_walker_step(&s_walker, &s_floor, &in);
        benchmark::DoNotOptimize(r);
        if (++tick % 240 == 0 || r == 2 || !sv_player_alive(&s_walker.player)) {
            state.PauseTiming();
            sv_floor_free(&s_floor);
            sv_pipeline_generate(&s_floor, ++seed, number);
            start(&s_walker, &s_floor);
            state.ResumeTiming();
        }
    }
    sv_floor_free(&s_floor);
    bench_shut_down();
}
BENCHMARK(BM_WalkerStep)->Arg(1)->Arg(5)->Arg(10)->Unit(benchmark::kMicrosecond);

} // namespace

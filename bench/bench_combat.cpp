// One combat tick on a base-pack floor: 30 alerted mobs in several places chasing the player,
// and 150 idle mobs across the floor. Where the mob table is put back before every tick, every
// iteration measures the same tick.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "actors/combat.h"
#include "bench_pack.h"
#include "core/boot.h"
#include "core/content.h"
#include "core/log.h"
#include "core/pack.h"
#include "core/tune.h"
#include "core/vfs.h"
#include "game/pipeline.h"
#include "world/geom.h"

namespace {

// Floor 8 of a fixed seed with the walker at spawn and `mobs` mobs standing (the floor's own,
// repeated in their places when it has fewer); alerted ones know where the player is. With
// restore, every tick is the chase's first (every path and way home measured afresh); without,
// the chase goes on from tick to tick.
void run_tick(benchmark::State& state, u16 mobs, bool alerted, bool restore)
{
    if (!bench_boot_quietly()) {
        state.SkipWithError("no base pack");
        return;
    }
    static sv_floor f;
    std::memset(&f, 0, sizeof f);
    sv_pipeline_generate(&f, 0x5eed, 8);
    u16 own = f.mob_count;
    for (u16 i = 0; own && f.mob_count < mobs && f.mob_count < f.mob_capacity; ++i) {
        const sv_mob* m = &f.mobs[i % own];
        sv_floor_add_mob(&f, m->place, m->x + 0.5f, m->z, m->yaw, &m->body, m->kind, m->name, 0);
    }
    if (f.mob_count > mobs)
        f.mob_count = mobs;
    static sv_walker w;
    std::memset(&w, 0, sizeof w);
    sv_geom_build(&w.geom, &f, 0);
    w.place = 0;
    w.lock_mob = SV_NONE16;
    sv_player_spawn(&w.player, &w.geom);
    u32 places = 0;
    for (u16 i = 0; i < f.mob_count; ++i) {
        sv_mob* m = &f.mobs[i];
        m->waiting = 0;
        if (alerted) {
            m->alerted = 1;
            m->seen_place = 0;
            m->seen_x = 0.0f;
            m->seen_z = 0.0f;
        }
        places += i == 0 || m->place != f.mobs[i - 1].place;
    }
    std::vector<sv_mob> saved(f.mobs, f.mobs + f.mob_count);
    const sv_rng tenacity = f.tenacity;
    sv_combat_tick(&w, &f); // warm the caches once
    for (auto _ : state) {
        if (restore) {
            std::memcpy(f.mobs, saved.data(), sizeof(sv_mob) * saved.size());
            f.tenacity = tenacity;
        }
        sv_combat_tick(&w, &f);
        benchmark::ClobberMemory();
    }
    state.counters["mobs"] = f.mob_count;
    state.counters["place_runs"] = places;
    sv_floor_free(&f);
    bench_shut_down();
}

void BM_CombatTickAlerted30First(benchmark::State& state)
{
    run_tick(state, 30, true, true);
}
BENCHMARK(BM_CombatTickAlerted30First)->Unit(benchmark::kMicrosecond);

void BM_CombatTickAlerted30Ongoing(benchmark::State& state)
{
    run_tick(state, 30, true, false);
}
BENCHMARK(BM_CombatTickAlerted30Ongoing)->Unit(benchmark::kMicrosecond);

void BM_CombatTickIdle150(benchmark::State& state)
{
    run_tick(state, 150, false, true);
}
BENCHMARK(BM_CombatTickIdle150)->Unit(benchmark::kMicrosecond);

} // namespace

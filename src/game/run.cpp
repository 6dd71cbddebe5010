// The run record: seed, the one-way debug flag that enables the console, and the HUD elements the
// player has met.
#include "game/run.h"

#include "console/cmd.h" // enabling the console
#include "core/log.h"
#include "core/pack.h" // whether the run is modded

void sv_run_start(sv_run* run, u64 seed, u8 seeded)
{
    if (!run) {
        return;
    }
    run->seed = seed;
    run->seeded = seeded;
    run->debug = 0;
    run->revealed = 0;
    sv_cmd_set_enabled(0);
}

void sv_run_enable_debug(sv_run* run)
{
    if (!run) {
        return;
    }
    if (!run->debug) {
        sv_log_write(SV_LOG_INFO, SV_CAT_CORE,
                     "debug mode enabled for this run (seed %llu): it stays on until the run "
                     "ends, and the run counts toward nothing",
                     (unsigned long long)run->seed);
    }
    run->debug = 1;
    sv_cmd_set_enabled(1);
}

i32 sv_run_debug(const sv_run* run)
{
    return run ? run->debug : 0;
}

i32 sv_run_seeded(const sv_run* run)
{
    return run ? run->seeded : 0;
}

bool sv_run_modded(void)
{
    return sv_pack_modded() != 0;
}

void sv_run_reveal(sv_run* run, u32 bits)
{
    if (run) {
        run->revealed |= bits;
    }
}

i32 sv_run_revealed(const sv_run* run, u32 bits)
{
    return run && (run->revealed & bits) ? 1 : 0;
}

void sv_run_observe(sv_run* run, const sv_player* player, u8 deeper)
{
    if (!run || !player) {
        return;
    }
    u32 bits = 0;
    if (player->shards > 0) {
        bits |= SV_REVEAL_SHARDS;
    }
    if (player->prisms > 0) {
        bits |= SV_REVEAL_PRISM;
    }
    if (player->damage_taken > 0) {
        bits |= SV_REVEAL_HURT;
    }
    if (player->grit != 0) {
        bits |= SV_REVEAL_GRIT;
    }
    if (sv_player_armed(player)) {
        bits |= SV_REVEAL_ARMED;
    }
    if (deeper) {
        bits |= SV_REVEAL_DEEPER;
    }
    if (player->stamina_spent > 0) {
        bits |= SV_REVEAL_STAMINA;
    }
    run->revealed |= bits;
}

// Loading floors, arming, the play hooks of the scheduler, new seeds, adoption and HUD facts.
#include "game/front_play.h"

#include <cstdio>
#include <cstring>

#include "actors/afflict.h"
#include "actors/walker.h"
#include "console/cmd.h"
#include "core/content.h"
#include "core/log.h"
#include "core/rng.h"
#include "core/tune.h"
#include "game/cmd_gen.h"

char g_weapon_name[2][SV_WEAPON_NAME];

sv_floor* load_floor(sv_walker* walker, u64 seed, u16 floor_number, u64* serial)
{
    char line[64];
    std::snprintf(line, sizeof line, "gen %llu %u", (unsigned long long)seed,
                  (unsigned)floor_number);
    u64 before = sv_gen_serial();
    sv_cmd_dispatch(line);
    sv_floor* floor = sv_gen_current();
    // A refused gen (a floor number past 65534) leaves the old floor held: it is no new floor.
    if (!floor || sv_gen_serial() == before) {
        sv_log_write(SV_LOG_ERROR, SV_CAT_RENDER, "gen did not produce a floor for '%s'", line);
        return nullptr;
    }
    sv_walker_start(walker, floor, 0);
    if (serial)
        *serial = sv_gen_serial();
    sv_log_write(SV_LOG_INFO, SV_CAT_RENDER, "floor %u of seed %llu: %u rooms",
                 (unsigned)floor->floor_number, (unsigned long long)floor->seed,
                 (unsigned)floor->room_count);
    return floor;
}

void sv_front_name_weapons(void)
{
    for (u64 i = 0; i < sv_content_weapon_count(); ++i) {
        const sv_weapon_def* def = sv_content_weapon_at(i);
        if (!def || def->slot > 1 || g_weapon_name[def->slot][0])
            continue;
        std::snprintf(g_weapon_name[def->slot], SV_WEAPON_NAME, "%s", def->name ? def->name : "");
    }
}

// The first content weapon of slot, or null.
static const sv_weapon_def* first_weapon_of(u32 slot)
{
    for (u64 i = 0; i < sv_content_weapon_count(); ++i) {
        const sv_weapon_def* def = sv_content_weapon_at(i);
        if (def && def->slot == slot)
            return def;
    }
    return nullptr;
}

void arm_by_schedule(sv_player* player)
{
    if (!player)
        return;
    const u16 start = 1;
    sv_weapon none;
    std::memset(&none, 0, sizeof none);
    sv_player_arm(player, 0, &none);
    sv_player_arm(player, 1, &none);
    player->slot = 0;
    player->grit = 0;
    const u32 tunables[2] = {SV_TUNE_WEAPON_MELEE_FLOOR, SV_TUNE_WEAPON_RANGED_FLOOR};
    for (u32 slot = 0; slot < 2; ++slot) {
        f64 after = sv_tune(tunables[slot]);
        if (!(after >= 1.0) || !((f64)start > (f64)(i64)after))
            continue;
        const sv_weapon_def* def = first_weapon_of(slot);
        if (!def)
            continue;
        sv_player_arm(player, (u8)slot, &def->body);
        if (slot == 1)
            sv_player_give_grit(player, sv_tune_u32(SV_TUNE_GRIT_START));
        sv_log_write(SV_LOG_INFO, SV_CAT_RENDER,
                     "start on floor %u is past floor %.0f: %s in the %s slot", (unsigned)start,
                     after, def->name ? def->name : "", sv_weapon_slot_name(slot));
    }
}

static i32 play_step(void* ctx, sv_walker* walker, sv_input* input)
{
    return sv_walker_step(walker, static_cast<sv_play_ctx*>(ctx)->floor, input);
}

static void play_observe(void* ctx, const sv_player* player, u8 deeper)
{
    sv_run_observe(static_cast<sv_play_ctx*>(ctx)->run, player, deeper);
}

sv_sim_hooks sv_front_play_hooks(sv_play_ctx* ctx)
{
    return sv_sim_hooks {play_step, play_observe, ctx};
}

sv_floor* sv_front_descend(sv_frame* f, sv_walker* walker)
{
    if (!f || !walker)
        return nullptr;
    sv_floor* next = load_floor(walker, f->seed, f->floor_number, &f->serial_seen);
    if (next)
        return next;
    f->floor_number = (u16)(f->floor_number - 1);
    walker->player.walk_left = 0;
    walker->player.walk_inward = 0;
    // A descent keeps the frame's presses for the next floor. Here there is none: a use kept
    // would start the walk again from the doorway and go through the exit on every tick.
    f->latch_use = f->latch_dodge = f->latch_primary = f->latch_secondary = f->latch_swap = 0;
    f->event = SV_EVENT_NO_FLOOR_BELOW;
    f->event_frame = f->frame;
    return nullptr;
}

sv_floor* sv_front_new_seed(sv_frame* f, sv_walker* walker, sv_run* run, u64 micros)
{
    if (!f || !walker)
        return nullptr;
    f->seed = sv_mix64(micros ^ f->seed);
    sv_run_start(run, f->seed, 0);
    if (f->debug_option)
        sv_run_enable_debug(run);
    f->damage_seen = 0.0f;
    f->console_open = 0;
    f->accumulator = 0.0;
    sv_floor* floor = load_floor(walker, f->seed, 1, &f->serial_seen);
    sv_player_revive(&walker->player);
    walker->player.shards = 0;
    arm_by_schedule(&walker->player);
    f->run_over = 0;
    f->paused = 0;
    f->run_clock = 0;
    f->hurt_frame = 0;
    f->floor_number = 1;
    return floor;
}

sv_floor* sv_front_adopt(sv_frame* f, sv_walker* walker)
{
    if (!f || sv_gen_serial() == f->serial_seen)
        return nullptr;
    f->serial_seen = sv_gen_serial();
    sv_floor* floor = sv_gen_current();
    if (!floor)
        return nullptr;
    sv_walker_start(walker, floor, 0);
    f->seed = floor->seed;
    f->floor_number = floor->floor_number;
    return floor;
}

void sv_front_prompt_facts(const sv_frame* f, const sv_walker* walker, const sv_floor* floor,
                           sv_prompt_facts* out)
{
    if (!out)
        return;
    std::memset(out, 0, sizeof *out);
    out->prop = SV_USE_NONE;
    out->fog_door = SV_NONE8;
    out->aim_mob = -1;
    out->lock_mob = SV_NONE16;
    if (!walker || !floor)
        return;
    out->prop = sv_walker_prop_in_reach(walker, floor);
    out->monument_room = (u8)(sv_floor_room_has(floor, walker->room, SV_TAG_MONUMENT) ? 1 : 0);
    sv_fog_reach fog = sv_walker_fog_in_reach(walker, floor);
    out->fog_door = sv_fog_door(fog);
    out->fog_admits = sv_fog_admits(fog);
    out->fog_exit = sv_fog_exit(fog);
    out->sealed = (u8)((sv_floor_seal_state(floor, walker->room) & SV_SEAL_SEALED) ? 1 : 0);
    out->walk_left = walker->player.walk_left;
    out->aim_mob = sv_walker_mob_in_aim(walker, floor);
    out->lock_mob = walker->lock_mob;
    const sv_mob* aimed
        = out->aim_mob >= 0 ? sv_floor_mob_const(floor, (u16)out->aim_mob) : nullptr;
    out->aim_name = aimed ? aimed->name : nullptr;
    if (f) {
        out->event = f->event;
        out->frames_since_event = f->frame - f->event_frame;
    }
}

void sv_front_hud_facts(const sv_run* run, const sv_player* player, sv_hud_facts* out)
{
    if (!out)
        return;
    std::memset(out, 0, sizeof *out);
    out->revealed = run ? run->revealed : 0;
    if (!player)
        return;
    out->shards = player->shards;
    out->prisms = player->prisms;
    out->grit = player->grit;
    out->health = sv_player_health(player);
    out->max_hp = (f32)sv_tune(SV_TUNE_PLAYER_MAX_HP);
    out->alive = (u8)(sv_player_alive(player) ? 1 : 0);
    out->stamina = sv_player_stamina(player);
    out->stamina_max = (f32)sv_tune(SV_TUNE_STAMINA_MAX);
    out->exhausted = player->exhausted;
    out->statuses
        = player->afflictions.count > SV_AFFLICTIONS ? SV_AFFLICTIONS : player->afflictions.count;
}

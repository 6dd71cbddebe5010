// The play half of the front end without the window: loading a floor through the console line
// "gen %llu %u", naming the weapon slots, arming by the weapon schedule, the simulation hooks the
// scheduler runs, a new seed, adopting a floor made by a console gen, and the facts the prompt
// and the HUD are drawn from. Nothing here calls raylib; the walker and the held floor make it
// single-threaded.
#pragma once
#include "actors/player.h"
#include "core/types.h"
#include "floor/floor.h"
#include "game/front.h"
#include "game/hud.h"
#include "game/run.h"

#define SV_WEAPON_NAME 32

// The HUD name of each weapon slot: the first content weapon of that slot (at most 31
// characters), empty when none; a debug command may rename a slot.
extern char g_weapon_name[2][SV_WEAPON_NAME];

// Runs "gen <seed> <floor>" with sv_cmd_dispatch. When the generation serial moved and a floor is
// held: starts the walker in its room 0, logs "floor %u of seed %llu: %u rooms" (info, render),
// remembers the serial in *serial (may be null) and returns the floor. Otherwise logs "gen did not
// produce a floor for '%s'" (error, render) and returns null, touching nothing else: a floor still
// held (gen refused its arguments) stays the one played.
sv_floor* load_floor(sv_walker* walker, u64 seed, u16 floor, u64* serial);

// Fills the empty slot names from the content weapons in content order (slots 0 and 1 only).
void sv_front_name_weapons(void);

// Empties both slots, selects slot 0, zeroes grit, then arms each slot whose schedule tunable
// (weapon.melee_floor, weapon.ranged_floor) is at least 1 and below the start floor 1 with the
// first content weapon of that slot (the ranged one with grit.start grit), logging "start on floor
// %u is past floor %.0f: %s in the %s slot" (info, render). With the tunables' range a run that
// starts on floor 1 is unarmed.
void arm_by_schedule(sv_player* player);

// The context of the scheduler's hooks in play: the floor ticked and the run observed.
struct sv_play_ctx {
    sv_floor* floor;
    sv_run* run;
};

// {sv_walker_step on ctx->floor, sv_run_observe on ctx->run, ctx}.
sv_sim_hooks sv_front_play_hooks(sv_play_ctx* ctx);

// After a frame that descended (the floor number already raised): loads that floor of f->seed
// with load_floor. When none came (past floor 65534) the floor number goes back, the player stays
// on the floor held, the door walk that carried it into the exit ends and the frame's latched
// presses are dropped, so no later tick descends (and logs) again until another use; the event
// becomes SV_EVENT_NO_FLOOR_BELOW in this frame. Returns the new floor or null.
sv_floor* sv_front_descend(sv_frame* f, sv_walker* walker);

// The pause menu's new seed, all but the cursor: seed = sv_mix64(micros ^ old seed); the run
// restarted (debug again only with the --debug option), remembered damage zeroed, console closed,
// accumulator dropped; floor 1 of the new seed loaded; the player revived with no Shards and
// armed by the schedule; run over and paused cleared, run clock and hurt frame zeroed, floor 1.
// Returns the new floor, or null (logged by load_floor) when none came: the old floor is kept.
sv_floor* sv_front_new_seed(sv_frame* f, sv_walker* walker, sv_run* run, u64 micros);

// After the console ran: when the generation serial differs from f->serial_seen, remembers it and
// starts the walker in the held floor's room 0, taking that floor's seed and number. Returns the
// floor when one was adopted, else null (nothing changed).
sv_floor* sv_front_adopt(sv_frame* f, sv_walker* walker);

// The facts of the interaction prompt from the walker queries on floor, for frame f.
void sv_front_prompt_facts(const sv_frame* f, const sv_walker* walker, const sv_floor* floor,
                           sv_prompt_facts* out);

// The facts of the HUD rows: the run's reveal bits and the player's numbers.
void sv_front_hud_facts(const sv_run* run, const sv_player* player, sv_hud_facts* out);

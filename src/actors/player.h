// The player's record and its tick: look, movement, sprint, dodge, weapon swap, attack phases,
// wounds and regeneration, stamina and grit, spawn and revive, arming. Also the plain records of
// the walker (the player's presence on a floor) and of one tick's input, which the mob AI, door
// admission and the front end share. Durations are simulation ticks; every tunable is read at
// its use; nothing here draws a random number, reads a clock or calls raylib.
#pragma once
#include "core/content.h"
#include "floor/floor.h"
#include "world/world_types.h"

#define SV_DOOR_WALK_PATH 8

enum sv_attack_phase : u8 {
    SV_PHASE_IDLE = 0,
    SV_PHASE_WINDUP = 1,
    SV_PHASE_ACTIVE = 2,
    SV_PHASE_RECOVERY = 3,
};

// The player's body and kit, in the frame of the place the walker stands in.
struct sv_player {
    f32 x, z;        // metres
    f32 y;           // height of the feet
    f32 yaw;         // radians; facing (cos yaw, sin yaw); never wrapped
    f32 pitch;       // radians, within -1.5533 .. 1.5533
    u8 airborne;     // falling
    f32 vy;          // vertical speed
    f32 vx, vz;      // horizontal speed kept during a fall
    f32 step_smooth; // eye offset hiding sudden changes of ground height
    u32 dodge_left;  // ticks; 0 when not dodging
    u32 dodge_total; // length of the current dodge
    f32 dodge_x, dodge_z;
    u32 walk_left; // door walk ticks left; 0 when none runs
    u32 walk_total;
    f32 walk_length; // metres to cover over the whole door walk
    f32 walk_done;   // metres covered
    u8 walk_door;    // opening of the current place being walked to
    u8 walk_inward;  // 1: walking along the door's own direction into the place
    f32 walk_path_x[SV_DOOR_WALK_PATH];
    f32 walk_path_z[SV_DOOR_WALK_PATH];
    u8 path_count;
    u8 path_index;      // next waypoint
    u8 gates;           // corridor pieces still to pass on this walk
    f32 move_x, move_z; // unit direction of this tick's motion; zero when standing
    u32 shards;
    u32 prisms;
    f32 damage_taken;     // health = player.max_hp - damage taken
    sv_weapon weapons[2]; // by sv_weapon_slot; a primary kind of 0 is an empty slot
    u8 slot;              // active slot
    u32 grit;
    f32 stamina_spent; // stamina = stamina.max - spent
    u32 regen_delay;   // ticks before stamina regenerates again
    u8 exhausted;      // sprinting refused until stamina recovers
    sv_afflictions afflictions;
    u8 phase; // sv_attack_phase
    u32 phase_ticks;
    u8 blow_dealt; // set by the combat step once the attack's blow is dealt
    u8 attack;     // 0 primary, 1 secondary of the active weapon
};

// One tick's input, built by the front end.
struct sv_input {
    f32 right, forward;         // movement axes, -1..1
    f32 yaw_delta, pitch_delta; // radians to add this tick
    u8 sprint, dodge, use, primary, secondary, swap;
};

// What the last walker tick did.
enum sv_walker_event : u8 {
    SV_EVENT_NONE = 0,
    SV_EVENT_CHEST_OPENED = 1,
    SV_EVENT_CHEST_LOCKED = 2,
    SV_EVENT_FOUNTAIN = 3,
    SV_EVENT_MONUMENT = 4,
    SV_EVENT_LOCKED_ON = 5,
    SV_EVENT_LOCK_RELEASED = 6,
    SV_EVENT_FOG_WALK = 7,
    SV_EVENT_FOG_REFUSED = 8,
};

// Fog in reach: bits 0..7 door (255 none), 8..15 pieces to pass, 16..23 admits, 24..31 the
// floor's exit, 32..63 the f32 bits of the corridor length before the veil.
typedef u64 sv_fog_reach;

// The player's presence on the current floor.
struct sv_walker {
    u16 place;    // room index or corridor piece's place number
    u16 room;     // last room stood in
    sv_geom geom; // geometry of the place
    sv_player player;
    u8 arrival_door;         // opening the walker came in by; 255 none
    u8 last_event;           // sv_walker_event
    f32 ray_x, ray_y, ray_z; // end of the last hitscan ray
    u8 tracer;               // 1 in the tick a hitscan ray was fired
    u16 lock_mob;            // 65535 none
    f32 lock_break;          // decayed sum of yaw input while locked (radians)
    f32 last_bearing;        // to the locked mob at the last tick (radians)
};

// Puts the player at the place's centre on its ground (x = z = 0), facing door 0 when there is
// one, with motion, dodge, door walk, Prisms and the attack cleared; Shards, wounds, weapons,
// grit, stamina and statuses carry over. Nothing for a null player; a null geometry stands the
// player at height 0.
void sv_player_spawn(sv_player* player, const sv_geom* geom);

// Copies the whole weapon into slot 0 or 1; a null player or weapon or a slot above 1 is ignored.
void sv_player_arm(sv_player* player, u8 slot, const sv_weapon* weapon);

// The weapon of the active slot; the all-zero weapon when the slot is above 1 or player is null.
const sv_weapon* sv_player_weapon(const sv_player* player);

// The secondary attack of the active weapon when which is 1, else its primary; the all-zero
// attack (kind 0, no durations) when unarmed, the slot is above 1 or player is null.
const sv_attack* sv_player_attack(const sv_player* player, u8 which);

// Whether the active slot holds a weapon.
bool sv_player_armed(const sv_player* player);

// Stamina the attack costs: 0 unarmed; the attack's own when 0 or more, else
// stamina.secondary_cost (which 1) or stamina.primary_cost.
f32 sv_player_attack_cost(const sv_player* player, u8 which);

// max(stamina.max - spent, 0).
f32 sv_player_stamina(const sv_player* player);

// All or nothing: 1 when amount is not above 0 (free) or fits the stamina left, which it then
// spends, restarting the regeneration delay; 0 with nothing spent otherwise.
i32 sv_player_spend(sv_player* player, f32 amount);

// Adds up to n grit below the cap (grit.max truncated); returns what was added.
u32 sv_player_give_grit(sv_player* player, u32 n);

// max(player.max_hp - damage taken, 0).
f32 sv_player_health(const sv_player* player);

// 1 while damage taken < player.max_hp.
i32 sv_player_alive(const sv_player* player);

// False when dead or null; true with no dodge running; during a dodge true only once the share of
// it elapsed passes player.dodge_iframes.
bool sv_player_vulnerable(const sv_player* player);

// Wounds a vulnerable player by amount under the damage_taken statuses; returns the damage dealt
// (0 for an amount not above 0, an invulnerable player or a modified amount not above 0).
f32 sv_player_hurt(sv_player* player, f32 amount);

// Restores health and stamina, ends exhaustion, clears the statuses and the attack.
void sv_player_revive(sv_player* player);

// One simulation tick: statuses, health rate, look, stamina, dodge, swap, attack start, motion,
// collision with geom's walls and solids (no door ignored), settling and attack phases. Motion
// longer than half player.radius in one tick is taken in shorter steps, each collided, so no
// speed the tunables allow carries the body through a wall; a ramp side or standable face the body
// overlaps without having walked into it eases it out (sv_player_collide_moved). Nothing for a
// null argument.
void sv_player_step(sv_player* player, const sv_geom* geom, const sv_input* input);

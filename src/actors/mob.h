// Mob AI: one step of a mob (pursuit within a place and across doors, paths, actions through
// their phases, sweeps, lunges and shots, keeping its distance, collision and door crossing),
// wounding a mob, and the strike in progress for drawing. Everything runs on the simulation
// thread; nothing here draws a random number. Durations are simulation ticks.
#pragma once
#include "actors/player.h"
#include "floor/floor.h"
#include "world/world_types.h"

// A mob's strike in progress, for drawing its telegraph. Angles are radians relative to the
// mob's yaw; progresses run 0..1.
struct sv_blow {
    f32 reach;            // the action's reach
    f32 half_arc;         // half the action's arc (arc 0: half of mob.strike_arc)
    i8 sweep_side;        // 1 a sweep from the right, -1 from the left
    f32 sweep_angle;      // where the sweep is now
    f32 sweep_progress;   // through the active phase
    f32 windup_progress;  // through the windup
    f32 lunge_to_come;    // metres of displacement the windup still has to make
    f32 projectile_speed; // the action's speed; 0 for a melee action
};

// One AI step of a living mob in its place (geometry geom, an entry of the combat layer's place
// cache). same_place: the mob stands in the walker's place; sees: it saw the player this tick.
// Chases, turns, chooses and runs actions, strikes the player (sv_player_hurt, sv_afflict),
// adds hostile shots, collides, settles and crosses doors (a crossing stores the new place's
// geometry in the place cache, never over geom, and lands the mob where it can stand). A move
// longer than half the radius goes through sv_mob_push_to; the collision eases the mob out of a
// face it overlaps without having walked into it (sv_nav_collide_moved). Changes the mob, the
// player and the floor's shots; nothing for a null argument or a dead mob.
void mob_act(sv_mob* mob, sv_walker* walker, sv_floor* floor, const sv_geom* geom, u8 same_place,
             u8 sees, f32 dt, f32 radius);

// Wounds mob index by damage under its damage_taken statuses; a wound never raises hp (a
// negative or NaN amount deals nothing). A mob whose hp is then not above 0 (NaN included) is
// killed (sv_floor_kill_mob: a boss's room unseals), and an optional Scion's death (a Scion in
// a room not tagged gate) gives the player one Shard; a surviving mob is alerted to the player's
// place and position, stops returning home and takes each status of applies. Nothing for a null
// walker or floor, a bad index or a mob already dead.
void wound(sv_walker* walker, sv_floor* floor, u16 mob, f32 damage, const sv_applies* applies);

// Kills mob index as the player's blows and statuses do: sv_floor_kill_mob, and one Shard to
// the player (when walker is given) for an optional Scion. 1 when a living mob died (hp above
// 0 before, or NaN); 0 otherwise, nothing changed.
i32 sv_mob_slay(sv_walker* walker, sv_floor* floor, u16 mob);

// Moves a body of radius r at (*x, *z), feet at y, in place (geometry geom) toward (to x, to z)
// in steps of at most half the radius, each pushed by sv_nav_collide_moved (walls, solids, door
// planes, and the places beyond doors it overlaps when floor is given; a face it overlaps
// without having walked into it eases it out). Unhindered, the body
// ends exactly at the target; a move whose end lies outside the place's polygon is not taken.
// 1 when the body moved; changes *x and *z only; 0 for a null geometry, x or z.
i32 sv_mob_push_to(const sv_floor* floor, u16 place, const sv_geom* geom, f32* x, f32* z, f32 to_x,
                   f32 to_z, f32 radius, f32 y);

// 1 when the mob is alive, has at least one action and is in its windup or active phase, with
// the strike geometry of its current action (action 0 when the index is past the count)
// written to out when out is given; else 0 and out untouched. Reads tunables only.
i32 sv_combat_blow(const sv_mob* mob, sv_blow* out);

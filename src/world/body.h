// The fixed simulation clock and the physics of bodies in one place: pushing an upright
// cylinder out of walls, door planes, solids and ramp sides, settling it on the ground, and the
// rule by which a door admits a walker. Stateless: every call works on the values passed in
// and reads the tunables sim.tick_hz, player.step_height and player.gravity; nothing draws.
#pragma once
#include "world/world_types.h"

// Seconds per simulation tick: 1 / sim.tick_hz.
f64 sv_sim_dt(void);

// Seconds turned into whole ticks: 0 for s <= 0 or NaN; any positive duration lasts at least
// one tick; round(sim.tick_hz * s) half up, capped at 4294967295.
u32 sv_sim_ticks(f32 seconds);

// World height of the ground at (x, z): exactly sv_geom_ground (0 for a null geometry).
f32 sv_player_ground(const sv_geom* geom, f32 x, f32 z);

// Pushes a body of radius r with feet at y out of the place's walls, door planes, solids and
// ramp sides (two passes); faces of standable fixtures and ramp sides no higher than y + step
// height are stepped over, solids never. Moves *x and *z only; does nothing for a null geometry,
// x or z.
void sv_player_collide(const sv_geom* geom, f32* x, f32* z, f32 radius, f32 y, f32 step_height);

// How fast (m/s) collision eases a body out of a ramp side or a standable fixture's face that it
// overlaps without having walked into it: its feet dropped beside the face (off a tread, a top,
// down a ramp), or the part of the face nearest it rose past the step as it went along.
#define SV_EASE_SPEED 2.0f

// A collision of a point with feet at y (world height): moves *x and *z. ctx is the caller's.
typedef void (*sv_collide_fn)(void* ctx, f32* x, f32* z, f32 y);

// Collides a body that moved `moved` since it was last collided, by collide: in full, unless the
// collision moves it farther than that move and SV_EASE_SPEED for a tick (sv_sim_dt) beyond where
// walls, door planes and solids alone put it (collide with feet too high for any other face to
// hold it off); then only that far toward where it put it, from there. So a body that overlaps such
// a face without having walked into it is eased out over a few ticks, never snapped out, and one
// that walks on into it still comes out a little each tick. Moves *x and *z only.
void sv_body_collide_eased(sv_collide_fn collide, void* ctx, f32* x, f32* z, f32 y, f32 moved);

// sv_player_collide through sv_body_collide_eased, for a body that moved `moved` since it was last
// collided. Nothing for a null geometry, x or z.
void sv_player_collide_moved(const sv_geom* geom, f32* x, f32* z, f32 radius, f32 y,
                             f32 step_height, f32 moved);

// sv_player_collide with the door plane of opening ignored_door left out (255: none), for a
// body that enters the place through that door from the place beyond it.
void sv_player_collide_beyond(const sv_geom* geom, u8 ignored_door, f32* x, f32* z, f32 radius,
                              f32 y, f32 step_height);

// One tick of vertical motion at (x, z): a grounded body follows the ground while it lies no
// more than player.step_height below its feet, else it leaves the ground and falls in the same
// tick; an airborne one falls under player.gravity and lands on the ground. Moves *y, *vy and
// *airborne; does nothing when any of geom, y, vy, airborne is null.
void sv_body_settle(const sv_geom* geom, f32 x, f32 z, f32* y, f32* vy, u8* airborne);

// Whether a walker carrying shards Shards and prisms Prisms may pass door of place: 0 in or
// into a sealed room, 0 with no place beyond (an exit door: 1 when unlocked or prisms != 0), a
// locked scion door needs a Shard, a locked axiom or exit door a Prism, any other locked door
// 0; else 1. Reads the floor only; 0 for a null floor.
u8 sv_door_admits(const sv_floor* floor, u16 place, u8 door, u32 shards, u32 prisms);

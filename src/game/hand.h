// The weapon in hand: placed before the camera by the weapon's kind, the attack phase and the
// progress through it, drawn through the draw sink, and its tip given to the hitscan trace.
// Nothing here calls raylib; the game draws the weapon over the scene with the depth test off
// (gfx_draw_hand).
#pragma once
#include <raylib.h> // Vector3, Camera3D value types only

#include "actors/player.h"
#include "core/types.h"

// Progress through the player's attack phase: 1 - ticks left / the phase's ticks (0 when idle or
// when the phase lasts no tick). attack is the attack in use (hand_attack).
f32 hand_progress(const sv_player* player, const sv_attack* attack);

// The attack the hand shows: the player's current attack, or the weapon's primary when that one
// is empty (a kind of 0). The all-zero attack when unarmed or player is null.
const sv_attack* hand_attack(const sv_player* player);

// The world position of the weapon's tip, also written to tip when given. Unarmed (or a null
// walker or camera): the camera's position (or (0, 0, 0) without a camera), nothing drawn.
// With draw not 0 the weapon is sent to the draw sink: each triangle in both windings in the face
// colour, then its edges in the phase's colour, then a flush.
Vector3 hand_pose(Vector3* tip, const sv_walker* walker, const Camera3D* camera, u8 draw);

// raylib's immediate mode as the draw sink, and the held weapon drawn over the scene. Only the
// game executable links gfx_draw.cpp; the library, the tests and the headless console never do.
#pragma once
#include <raylib.h>

#include "actors/player.h"
#include "game/draw.h"

// The sink that sends triangles to DrawTriangle3D and lines to DrawLine3D, inside the camera's
// 3D mode; around translucent primitives it flushes the batch and stops writing depth, and a
// flush draws the batch and writes depth again. Install it with sv_draw_set_sink.
sv_draw_sink gfx_draw_sink(void);

// Draws the held weapon (hand_pose) over everything: in the camera's 3D mode with the depth test
// off, the batch flushed before the depth test is turned back on. Uses the installed sink.
void gfx_draw_hand(const sv_walker* walker, const Camera3D* camera);

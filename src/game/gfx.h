// The window's own services, linked only into the game: the interface font cache and text, the
// mouse-button latch chained in front of raylib's GLFW callback, the fog shader, and the
// screen-space layers (HUD, menus, debug overlay). main.cpp runs the loop over them.
#pragma once
#include <raylib.h>

#include "actors/player.h"
#include "core/types.h"
#include "floor/floor.h"
#include "game/front.h"
#include "game/hud.h"
#include "game/run.h"

// The interface font of a pixel size and its spacing: loaded once per size from the pack's
// "fonts/KodeMono.ttf" (read once; a warning and raylib's font when it is missing), spacing 0;
// raylib's default font with spacing size / 10 without the file or for a size past the cache.
Font ui_font(i32 size, f32* spacing);
// DrawTextEx with ui_font(size) at (x, y).
void ui_text(const char* text, f32 x, f32 y, i32 size, Color colour);
// The measured width of text at size, truncated to whole pixels.
i32 ui_width(const char* text, i32 size);
// ui_text centred on x: at x - width / 2.
void ui_text_centred(const char* text, i32 x, f32 y, i32 size, Color colour);
// Unloads every cached font and frees the font file.
void ui_font_release(void);

// The mouse latch counts presses as GLFW reports them, so a click shorter than a frame is never
// lost, and the times the cursor entered the window (GLFW then moves the cursor to where it
// entered). 1 when button (0 left, 1 right, 2 middle) was pressed since the last take, which
// clears its count; 0 for any other button.
u8 gfx_mouse_take(u8 button);
// The cursor's entries into the window since the last take, which clears them.
u32 gfx_cursor_entries_take(void);
// Every press the latch counted since it was installed; changes nothing.
u32 gfx_mouse_presses(void);
// The shortest press measured, in seconds (negative while none was); changes nothing.
f64 gfx_mouse_shortest_press(void);
// Chains mouse_latch and the enter count in front of raylib's callbacks on the current GLFW
// window; 0 (with a logged warning) when there is no GLFW window to install them on.
i32 mouse_latch_install(void);
// Whether raylib's mouse position is where GLFW holds the cursor (in captured mode its own
// running position), so no jump between the two is still to arrive; 1 without a latched window.
u8 gfx_cursor_at_rest(void);

// The key presses raylib queued since the last frame, drained once at the top of every frame, so
// every layer sees a tap that began and ended inside one long frame (IsKeyPressed misses it).
#define GFX_KEYS_QUEUED 16
// Drains raylib's key queue into the frame's queue (the first 16). Once per frame, before any
// reader.
void gfx_keys_read(void);
// 1 when key was queued this frame or raylib sees it pressed now.
i32 gfx_key_tapped(i32 key);

// The fog shader and its uniforms.
struct gfx_fog {
    Shader shader;
    i32 view_pos, fog_colour, fog_density;
};
// Builds the fog shader and sets its colour (18, 16, 20) and density 0.05.
void gfx_fog_load(gfx_fog* fog);
// Unloads the fog shader.
void gfx_fog_unload(gfx_fog* fog);

// Everything the screen layers read in one frame.
struct gfx_screen {
    sv_frame* frame;
    const sv_walker* walker;
    const sv_floor* floor;
    const sv_run* run;
    const Camera3D* camera;
    Vector3 tip; // the weapon tip for the shot trace
    i32 width, height;
};

// The prompt, HUD rows, weapon name, run clock, shot trace, crosshair, mob bars, locked-mob
// banner and hurt border, in that order.
void gfx_draw_hud(const gfx_screen* s);
// The seed and pack lines.
void gfx_draw_seed_lines(const gfx_screen* s);
// The pause or run-over menu (while paused): draws it and returns the chosen sv_menu_action.
// primary is this frame's latched mouse press; up (Up or W), down (Down or S) and enter (Enter or
// Space) the frame's key presses. sv_menu_gate decides what of the input may act.
u8 gfx_draw_menu(const gfx_screen* s, u8 primary, u8 up, u8 down, u8 enter);
// The debug run's watermark.
void gfx_draw_watermark(const gfx_screen* s);
// The debug overlay (debug runs with F3 on).
void gfx_draw_overlay(const gfx_screen* s, u64 places_drawn);

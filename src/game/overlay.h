// The debug overlay's rows as text, position and colour, computed without a window: frame timing,
// the player, the current room, the floor's ledger, sets, memory, the run's seeds and the doors
// of the current room. The window code draws them in this order; nothing here changes state.
#pragma once
#include "actors/player.h"
#include "core/types.h"
#include "floor/floor.h"

#define SV_OVERLAY_ROWS 40
#define SV_OVERLAY_TEXT 160

enum sv_overlay_colour : u8 {
    SV_OVERLAY_BODY = 0,    // 245, 245, 245
    SV_OVERLAY_HEADING = 1, // 255, 200, 80
    SV_OVERLAY_SEED = 2,    // 130, 130, 130
    SV_OVERLAY_DOOR = 3,    // the door colour of door_kind
};

struct sv_overlay_row {
    i32 x, y;
    u8 colour; // sv_overlay_colour
    u32 door_kind;
    char text[SV_OVERLAY_TEXT];
};

// Everything the overlay reads besides the floor and the walker.
struct sv_overlay_facts {
    const sv_floor* floor;   // may be null: the floor rows then read as empty
    const sv_walker* walker; // may be null: the player rows are skipped
    u16 floor_number;
    u64 places_drawn;
    i32 fps;
    f32 frame_ms;
    u32 presses;
    f64 shortest_press;  // seconds; negative while none was measured
    const char* in_hand; // the HUD name of the active slot
    u64 run_seed;
    u8 seeded, debug, modded;
    i32 screen_width;
    i32 hud_top; // sv_hud_top: rows stop where they would reach it; 0 for no limit
};

// Fills out with the overlay's rows in drawing order; returns the count (at most
// SV_OVERLAY_ROWS). The room row ends with the corridor-piece suffix while the walker stands in
// a piece. The stream rows are those of the held floor's seed and number (the run seed's and
// floor_number's without a floor). The rows stop at the first whose text (18 pixels high) would
// reach below hud_top, so none is drawn over the HUD or off the screen's bottom.
i32 sv_overlay_rows(const sv_overlay_facts* facts, sv_overlay_row out[SV_OVERLAY_ROWS]);

// The screen-space layer's plain logic: the interaction prompt, the layout of the revealed HUD
// rows, bar widths, status lines, the run clock and seed lines, the hurt border's fade, and the
// pause and run-over menu as a state machine. The window code measures text and draws what these
// decide; nothing here calls raylib.
#pragma once
#include "actors/afflict.h"
#include "core/types.h"
#include "game/front.h"
#include "game/run.h"

#define SV_PROMPT_MAX    64
#define SV_STATUS_LINE   64
#define SV_EVENT_FRAMES  90 // frames an event's text replaces the prompt
#define SV_TRACER_FRAMES 6
#define SV_HURT_FRAMES   12
#define SV_HUD_ROWS_MAX  13 // five rows and eight statuses
#define SV_MENU_ENTRIES  5
#define SV_MENU_SETTLE   2 // frames after the opening one in which the cursor's jump is not motion
#define SV_RUN_OVER_HOLD 0.5 // seconds the run-over menu takes no key or press after it opens

// What the prompt is chosen from, gathered by the caller from the walker queries.
struct sv_prompt_facts {
    i32 prop;         // sv_walker_prop_in_reach: 0 landmark, 1 chest, anything else none
    u8 monument_room; // the current room is tagged monument
    u8 fog_door;      // door of sv_walker_fog_in_reach; 255 none
    u8 fog_admits;
    u8 fog_exit;
    u8 sealed;            // the current room's seal state has bit 1
    u32 walk_left;        // ticks of the player's door walk
    i32 aim_mob;          // sv_walker_mob_in_aim; -1 none
    u16 lock_mob;         // 65535 none
    const char* aim_name; // name of the mob in the aim; may be null
    u8 event;             // the frame's event and the frames since it arrived
    u32 frames_since_event;
};

// The prompt text into out (cap bytes, cut); empty when there is none. The later rule wins:
// prop, fog door, door walk, aim, sealed, then a recent event's text.
void sv_prompt_text(const sv_prompt_facts* facts, char* out, u64 cap);

// The width of a bar of full pixels showing value of max, clamped to 0..full; 0 for a max not
// above 0 or any NaN.
f32 sv_bar_width(f32 value, f32 max, f32 full);

// One status row: "%s", "%s  %.0fs", "%s %u" or "%s %u  %.0fs" by stacking and permanence, the
// seconds rounded up. Empty for a null indicator.
void sv_status_line(const sv_indicator* ind, char out[SV_STATUS_LINE]);

// "%llu:%02llu" of the run clock's whole seconds (ticks x dt, truncated).
void sv_run_clock_text(u64 ticks, f64 dt, char* out, u64 cap);

// "seed %llu   floor %u" once the floor is revealed, else "seed %llu".
void sv_seed_line(u64 seed, u16 floor_number, u32 revealed, char* out, u64 cap);

// Alpha of the hurt border frames after the hit: 140 - 11 x frames, 0 from 12 frames on.
u8 sv_hurt_alpha(u32 frames_since);

enum sv_hud_row_kind : u8 {
    SV_ROW_SHARDS = 0,
    SV_ROW_PRISM = 1,
    SV_ROW_HEALTH = 2,
    SV_ROW_STAMINA = 3,
    SV_ROW_GRIT = 4,
    SV_ROW_STATUS = 5,
};

// The player's numbers the HUD rows show.
struct sv_hud_facts {
    u32 revealed;
    u32 shards, prisms, grit;
    f32 health, max_hp;
    u8 alive;
    f32 stamina, stamina_max;
    u8 exhausted;
    i32 statuses; // rows of statuses, 0..8
};

struct sv_hud_row {
    u8 kind;  // sv_hud_row_kind
    u8 index; // the status row's index
    i32 y;    // top of the row's text or bar
    f32 bar;  // bar width in pixels (health and stamina rows)
};

// The revealed rows, bottom first, in a column growing upward from y = height - 58; returns the
// count (at most SV_HUD_ROWS_MAX).
i32 sv_hud_layout(const sv_hud_facts* facts, i32 height, sv_hud_row out[SV_HUD_ROWS_MAX]);

// The top edge of what the HUD draws at the bottom left of a screen of height: the highest
// revealed row of sv_hud_layout (a bar's backing starts 2 pixels above its row), else the seed
// line at height - 30.
i32 sv_hud_top(const sv_hud_facts* facts, i32 height);

// The menu -----------------------------------------------------------------------------------

enum sv_menu_action : u8 {
    SV_MENU_NONE = 0,
    SV_MENU_RESUME = 1,
    SV_MENU_NEW_SEED = 2,
    SV_MENU_DEBUG = 3,
    SV_MENU_RUN_TIME = 4,
    SV_MENU_QUIT = 5,
};

// Entry i's text: "resume" (empty while the run is over), "new seed", the debug entry, the run
// time entry, "quit"; empty past the entries.
const char* sv_menu_entry(i32 i, u8 run_over, u8 debug_run, u8 run_time_shown);

struct sv_menu_in {
    i32 width, height;
    i32 text_width[SV_MENU_ENTRIES]; // measured at size 32; 0 for an empty entry
    f32 mouse_x, mouse_y;
    u8 mouse_moved; // the mouse moved this frame
    u8 primary;     // a mouse press this frame
    u8 down, up;    // KEY_DOWN or KEY_S, KEY_UP or KEY_W pressed
    u8 enter;       // KEY_ENTER or KEY_SPACE pressed
};

struct sv_menu_out {
    i32 x[SV_MENU_ENTRIES], y[SV_MENU_ENTRIES];
    u8 lit[SV_MENU_ENTRIES]; // drawn white
    u8 action;               // sv_menu_action chosen this frame
};

// The menu's view of one frame's input, before sv_menu_step (the caller fills the keys and the
// press): in the frame the menu opened nothing acts (a key or button pressed, held or latched
// then is the one that opened it or was meant for play); for SV_MENU_SETTLE frames after, where
// the cursor is seen is where it rests (releasing it recentres it, and the jump arrives late);
// from then on a change of position is motion, and a press acts only once the mouse has moved
// since the menu opened. The run-over menu takes no key or press until frame times (seconds,
// those of the frames after the opening one; a negative or NaN time adds nothing) have added up
// to SV_RUN_OVER_HOLD: a player dodging or striking as they die sees it before choosing. Sets
// in's mouse fields, clears the keys and press that must not act, and counts f's menu frames and
// seconds. Nothing for a null.
void sv_menu_gate(sv_frame* f, f32 mouse_x, f32 mouse_y, f64 frame_time, sv_menu_in* in);

// One frame of the menu: the run-over bounce (choice at least 1), the keys, then each non-empty
// entry in order (the mouse over it takes the choice only in a frame in which the mouse moved or
// was pressed, and a press chooses it), then Enter on the choice. An empty entry is never
// chosen. Updates *choice.
void sv_menu_step(i32* choice, u8 run_over, u8 debug_run, u8 run_time_shown, const sv_menu_in* in,
                  sv_menu_out* out);

// Applies the menu actions that only touch the loop state: resume (paused becomes the run-over
// flag; unpausing drops the accumulator and asks for the cursor), run time (toggled), quit, and
// debug mode's overlay flag (cleared). New seed and enabling debug are left to the caller.
// Returns sv_front_effect bits.
u32 sv_menu_apply(sv_frame* f, u8 action);

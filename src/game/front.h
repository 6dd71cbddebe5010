// The window front end's plain logic, cut from raylib so it runs and is tested without a display:
// the command line, the choice of the base pack, the loop state of one process and its per-run
// reset, the pause and console keys, one frame's input record, and the fixed-step scheduler that
// runs the simulation ticks of a frame (the tick itself is passed in as a function and context).
// Nothing here calls raylib, reads a clock or draws a random number.
#pragma once
#include "actors/player.h"
#include "core/types.h"
#include "core/writer.h"

#define SV_START_SEED      4471ull
#define SV_FRAME_TICKS_MAX 8 // ticks run in one frame; the backlog past them is dropped
#define SV_PACK_PATH_MAX   1024
#define SV_FONT_CACHE      128 // font sizes 1..127 are rasterised once and kept

// The front end's own prompt event, beside the walker's: the last floor's exit leads nowhere.
#define SV_EVENT_NO_FLOOR_BELOW 32

// The command line: left to right; "--pack <path>", "--debug" and "--plain" (the last of the
// two wins), "--floor <n>" (not honoured; a notice); anything else is ignored.
struct sv_options {
    const char* pack; // the argument after the last "--pack"; null when none
    u8 debug;
};

// Reads argv[1..argc-1] into out (zeroed first). "--pack" or "--floor" as the last argument is
// ignored; such a "--pack" writes "--pack needs a path; it is ignored\n" to err. Each "--floor" with a value writes "--floor is the debug build's; a release run starts
// on floor 1\n" to err (a null fn writes nothing). Nothing for a null out.
void sv_front_options(int argc, const char* const* argv, sv_options* out, sv_writer err);

// Whether a directory exists (the front end passes the platform call, which takes UTF-8 paths).
typedef bool (*sv_dir_exists_fn)(const char* path);

// The base pack path into out (cap bytes, cut, always terminated): option when not null;
// otherwise "<app_dir>packs/base" when app_dir is non-empty, the text fits 1024 bytes and exists
// says the directory is there; otherwise "packs/base", taken whether it exists or not.
void sv_front_pack_path(const char* option, const char* app_dir, sv_dir_exists_fn exists, char* out,
                        u64 cap);

// width / height of the screen, or 16 / 9 when either is not above 0 (a minimised window), so
// the camera's aspect is never NaN, zero or infinite.
f32 sv_front_aspect(i32 width, i32 height);

// 1 when a font of this pixel size has a cache slot (1..127); other sizes are drawn with
// raylib's default font and never index the cache.
i32 sv_front_font_cached(i32 size);

// The main loop's state, one per process: zeroed once at the top of main, then seed 4471 and
// floor 1 (sv_frame_init). Counts of frames are compared against frame.
struct sv_frame {
    u64 seed;
    u16 floor_number;
    u32 frame; // raised at the top of every frame
    u8 paused;
    u8 run_over; // paused with the run-over menu
    u8 quit;
    i32 choice; // menu entry 0..4
    u8 run_time_shown;
    u8 overlay_shown; // the F3 debug overlay
    u8 console_open;
    u8 latch_use, latch_dodge, latch_primary, latch_secondary, latch_swap;
    f64 accumulator; // seconds of frame time not yet simulated
    u8 event;        // the walker's last non-zero event and the frame it arrived in
    u32 event_frame;
    u32 tracer_frame; // the last tick that fired a hitscan ray, and the ray's end
    f32 tracer_x, tracer_y, tracer_z;
    u32 hurt_frame;
    f32 damage_seen; // the player's damage taken after the previous tick
    u64 run_clock;   // ticks since the run began
    u64 serial_seen; // generation serial of the floor being played
    u64 mounts_at_start;
    u8 debug_option;  // "--debug" on the command line
    u8 menu_frames;   // frames the open menu has been shown, up to 255; 0 in the frame it opened
    f64 menu_seconds; // seconds the open menu has been shown, from the frame after it opened
    u8 menu_armed;    // the mouse moved since the menu opened (its jump on release aside)
    f32 menu_mouse_x, menu_mouse_y; // where the menu last saw the cursor
    f32 look_dx, look_dy;           // mouse motion not yet given to a tick, in pixels
    u8 look_settled; // the cursor was last seen where it rests: the next motion is the player's
};

// Zeroes the whole state, then seed 4471 and floor 1. Once per process.
void sv_frame_init(sv_frame* f);

// The start of a run's loop: clears only the per-run transient fields (pauses and menu, quit,
// console, latches, carried look and the cursor's settling, accumulator, event, tracer, hurt,
// remembered damage, run clock); the seed, floor number, frame counter, serial, mount count,
// debug option and the shown flags are kept.
void sv_frame_reset_run(sv_frame* f);

// What a frame's keys asked of the window (bits of sv_frame_control's result).
enum sv_front_effect : u32 {
    SV_FX_RELEASE_CURSOR = 1, // EnableCursor
    SV_FX_CAPTURE_CURSOR = 2, // DisableCursor and clear look_settled: motion waits for the rest
};

// The console and pause keys of one frame (grave and escape pressed, and whether the run is a
// debug run): grave toggles the console in a debug run while not paused; escape closes an open
// console (and does nothing else), else toggles the pause unless the run is over. Opening the
// pause sets the choice to 0; closing the console or unpausing drops the accumulator. Returns
// the cursor effects. A menu opened here (or by a death) starts unarmed in its first frame.
u32 sv_frame_control(sv_frame* f, u8 grave, u8 escape, u8 debug_run);

// One frame's raw input, read from the window: movement keys, the mouse motion, sprint, and the
// presses of this frame (queued keys E, Space and Q; mouse buttons 0 and 1 from the latch).
struct sv_frame_keys {
    f32 right, forward; // -1, 0 or 1
    f32 mouse_dx, mouse_dy;
    u8 sprint;
    u8 use, dodge, swap;
    u8 primary, secondary;
};

// What the window saw of the mouse over the last poll of its events.
struct sv_mouse_seen {
    f32 dx, dy; // the motion reported: the cursor's position now less its position a poll ago
    u8 resized; // the window changed size
    u8 entered; // the cursor entered the window: its position jumped to where it entered
    u8 at_rest; // the position read is where the window system holds the cursor, so no jump to it
                // is still to come (after a capture the two can differ until the next event)
};

// The mouse motion of a simulated frame into keys. Only the player's own motion turns the view:
// none in a frame whose poll saw a resize or the cursor enter the window (a resize that squashes
// the window jumps the cursor by an enter, in that poll or any later one), and none until the
// cursor has been seen at rest after a capture (f->look_settled cleared). Sets f->look_settled
// from seen->at_rest and keys' mouse fields. Nothing for a null argument.
void sv_frame_mouse(sv_frame* f, const sv_mouse_seen* seen, sv_frame_keys* keys);

// One simulation tick: in production sv_walker_step on the current floor; returns 0 stayed, 1
// entered another place, 2 went through the exit.
typedef i32 (*sv_tick_fn)(void* ctx, sv_walker* walker, sv_input* input);
// Called after every tick that did not descend, to reveal HUD rows (sv_run_observe).
typedef void (*sv_observe_fn)(void* ctx, const sv_player* player, u8 deeper);

struct sv_sim_hooks {
    sv_tick_fn step;
    sv_observe_fn observe; // may be null
    void* ctx;
};

struct sv_sim_result {
    u32 ticks;
    u8 descended;     // a tick returned 2: the floor number rose; load the next floor
    u8 changed_place; // some tick returned 1
    u8 died;          // the run ended in this frame: release the cursor
};

// The simulation of one frame; nothing at all (no latch either, and the carried look is dropped)
// while paused or in the console, so presses made there never act once play resumes. Otherwise:
// ORs the frame's presses into the latches and its mouse motion into the carried look (so a frame
// that runs no tick loses none of it), builds the input record (yaw and pitch 0.0022 radians per
// pixel, pitch from upward motion), adds frame_time to the accumulator and runs ticks of dt
// while it holds one, at most 8 (then the rest is dropped). A tick returning 2 raises the floor
// number, drops the accumulator and ends the frame's ticking with the latches as they are. After
// every other tick: the event, run clock, observation, tracer and hurt stamps, and at the first
// tick of death the log line "run over: the player died on floor %u of seed %llu", choice 1,
// run over and paused. Look and presses act on the first tick only; each tick clears the
// latches. A null argument or a dt not above 0 runs nothing.
sv_sim_result sv_frame_simulate(sv_frame* f, sv_walker* walker, const sv_frame_keys* keys,
                                f64 frame_time, f64 dt, const sv_sim_hooks* hooks);

// The game: reads the command line, boots the base pack, fills the console, makes the first floor
// before any window exists, then runs one loop that collects input, advances the fixed-step
// simulation, draws the visible places, the HUD, the menus and the console, until the window
// closes or "quit" is chosen. The plain logic lives in front.cpp, front_play.cpp and hud.cpp.
#include <GLFW/glfw3.h>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "console/cmd.h"
#include "core/boot.h"
#include "core/content.h"
#include "core/log.h"
#include "core/pack.h"
#include "core/plat.h"
#include "core/tune.h"
#include "core/vfs.h"
#include "game/cmd_gen.h"
#include "game/draw.h"
#include "game/front.h"
#include "game/front_hooks.h"
#include "game/front_play.h"
#include "game/gfx.h"
#include "game/gfx_draw.h"
#include "game/hand.h"
#include "world/body.h"
#include "world/portal.h"

#define FOV_DEGREES 70.0f
#define FOV_RADIANS 1.2217305f
#define VIEW_MARGIN 0.10471976f // six degrees around the frustum, so nothing pops at its edges
#define CLEAR_COLOUR                                                                               \
    Color                                                                                          \
    {                                                                                              \
        18, 16, 20, 255                                                                            \
    }

// The loop's state: zeroed once here, never again as a whole.
struct game_state {
    sv_frame frame;
    sv_walker walker;
    sv_run run;
    sv_floor* floor;
    const sv_room* room;
    gfx_fog fog;
};

static game_state g_game;

static bool dir_exists(const char* path)
{
    return sv_plat_stat(path, nullptr) == SV_PLAT_DIR;
}

static void write_stderr(void*, const char* text)
{
    std::fputs(text, stderr);
}

// Releases or captures the cursor as the frame's keys or menu asked; a capture forgets the motion
// gathered meanwhile.
static void apply_cursor(u32 fx)
{
    if (fx & SV_FX_RELEASE_CURSOR)
        EnableCursor();
    // raylib puts its cursor at the centre, while GLFW keeps the cursor where it found it (when
    // the window lacks the focus it moves nothing) and reports that at its next event: a jump
    // that would turn the view. No motion counts until the two have been seen to agree.
    if (fx & SV_FX_CAPTURE_CURSOR) {
        DisableCursor();
        g_game.frame.look_settled = 0;
    }
}

static void reread_room(void)
{
    g_game.room = sv_floor_room_const(g_game.floor, g_game.walker.room);
}

// Start-up up to the first floor; 0 when no floor came.
static i32 boot(int argc, char** argv)
{
    sv_frame* f = &g_game.frame;
    sv_options options;
    sv_front_options(argc, (const char* const*)argv, &options, sv_writer {write_stderr, nullptr});
    f->debug_option = options.debug;
    SetTraceLogLevel(LOG_WARNING);

    // The executable's directory through the platform's own call: raylib's asks in the ANSI code
    // page, which cannot spell every folder's name on Windows.
    char exe_dir[SV_PACK_PATH_MAX];
    sv_plat_exe_dir(exe_dir, sizeof exe_dir);
    char pack[SV_PACK_PATH_MAX];
    sv_front_pack_path(options.pack, exe_dir, dir_exists, pack, sizeof pack);
    sv_pack_boot(pack);
    f->mounts_at_start = sv_vfs_mount_count();
    sv_pack_boot_log(pack, options.pack ? 1 : 0);

    sv_cmd_register_builtins();
    sv_gen_register_commands();
    front_register_debug_commands(&g_game.walker, g_weapon_name);
    sv_cmd_set_writer(front_console_writer());

    g_game.floor = load_floor(&g_game.walker, f->seed, f->floor_number, &f->serial_seen);
    if (!g_game.floor)
        return 0;
    sv_front_name_weapons();
    arm_by_schedule(&g_game.walker.player);
    sv_run_start(&g_game.run, f->seed, 0);
    if (f->debug_option)
        sv_run_enable_debug(&g_game.run);
    return 1;
}

static i32 open_window(void)
{
    SetConfigFlags(FLAG_WINDOW_RESIZABLE);
    InitWindow(1280, 720, "strenvik " SV_VERSION);
    if (!IsWindowReady()) {
        sv_log_write(SV_LOG_WARN, SV_CAT_RENDER,
                     "no window: raylib could not initialise a display");
        return 0;
    }
    SetTargetFPS(60);
    mouse_latch_install();
    SetExitKey(KEY_NULL);
    gfx_fog_load(&g_game.fog);
    sv_draw_set_sink(gfx_draw_sink());
    apply_cursor(SV_FX_CAPTURE_CURSOR);
    return 1;
}

// The presses of the loop's own keys in this frame, from the key queue (gfx_key_tapped), so a
// tap shorter than a long frame still acts.
struct key_taps {
    u8 escape, grave, f3;
    u8 up, down, enter; // the menu's keys
};

// This frame's presses and held keys, read from raylib.
static sv_frame_keys read_keys(key_taps* taps)
{
    sv_frame_keys k;
    std::memset(&k, 0, sizeof k);
    k.primary = gfx_mouse_take(0);
    k.secondary = gfx_mouse_take(1);
    gfx_keys_read();
    k.use = (u8)gfx_key_tapped(KEY_E);
    k.dodge = (u8)gfx_key_tapped(KEY_SPACE);
    k.swap = (u8)gfx_key_tapped(KEY_Q);
    taps->escape = (u8)gfx_key_tapped(KEY_ESCAPE);
    taps->grave = (u8)gfx_key_tapped(KEY_GRAVE);
    taps->f3 = (u8)gfx_key_tapped(KEY_F3);
    taps->up = (u8)(gfx_key_tapped(KEY_UP) || gfx_key_tapped(KEY_W));
    taps->down = (u8)(gfx_key_tapped(KEY_DOWN) || gfx_key_tapped(KEY_S));
    taps->enter = (u8)(gfx_key_tapped(KEY_ENTER) || gfx_key_tapped(KEY_SPACE));
    k.right = (f32)(IsKeyDown(KEY_D) - IsKeyDown(KEY_A));
    k.forward = (f32)(IsKeyDown(KEY_W) - IsKeyDown(KEY_S));
    k.sprint = IsKeyDown(KEY_LEFT_SHIFT);
    return k;
}

static void simulate(sv_frame_keys* keys, u32 cursor_enters)
{
    sv_frame* f = &g_game.frame;
    Vector2 d = GetMouseDelta();
    sv_mouse_seen seen {d.x, d.y, (u8)IsWindowResized(), (u8)(cursor_enters != 0),
                        gfx_cursor_at_rest()};
    sv_frame_mouse(f, &seen, keys);
    sv_play_ctx ctx {g_game.floor, &g_game.run};
    sv_sim_hooks hooks = sv_front_play_hooks(&ctx);
    sv_sim_result r
        = sv_frame_simulate(f, &g_game.walker, keys, GetFrameTime(), sv_sim_dt(), &hooks);
    if (r.died)
        apply_cursor(SV_FX_RELEASE_CURSOR);
    if (r.descended) {
        sv_floor* next = sv_front_descend(f, &g_game.walker);
        if (next)
            g_game.floor = next;
    }
    if (r.descended || r.changed_place)
        reread_room();
}

static Camera3D make_camera(void)
{
    const sv_player* p = &g_game.walker.player;
    Camera3D cam;
    std::memset(&cam, 0, sizeof cam);
    cam.position
        = Vector3 {p->x, p->y + (f32)sv_tune(SV_TUNE_PLAYER_EYE_HEIGHT) + p->step_smooth, p->z};
    cam.target = Vector3 {cam.position.x + std::cos(p->pitch) * std::cos(p->yaw),
                          cam.position.y + std::sin(p->pitch),
                          cam.position.z + std::cos(p->pitch) * std::sin(p->yaw)};
    cam.up = Vector3 {0, 1, 0};
    cam.fovy = FOV_DEGREES;
    cam.projection = CAMERA_PERSPECTIVE;
    return cam;
}

// The 3D pass: the places visible from the eye through the fog shader. Returns the visit count.
static u64 draw_world(const Camera3D* cam, Vector3* tip, i32 w, i32 h)
{
    const sv_player* p = &g_game.walker.player;
    SetShaderValue(g_game.fog.shader, g_game.fog.view_pos, &cam->position, SHADER_UNIFORM_VEC3);
    BeginShaderMode(g_game.fog.shader);
    BeginMode3D(*cam);
    sv_portal_view view;
    sv_portal_view_frustum(&view, &cam->position, p->yaw, p->pitch, FOV_RADIANS,
                           sv_front_aspect(w, h), VIEW_MARGIN);
    *tip = hand_pose(nullptr, &g_game.walker, cam, 0);
    sv_draw_frame frame {cam->position, *tip, g_game.walker.place, GetTime()};
    u64 visits = 0;
    // A minimised window has no area: nothing to see, and no projection to build from it.
    if (g_game.floor && w > 0 && h > 0)
        visits
            = sv_draw_world(g_game.floor, g_game.walker.place, &g_game.walker.geom, &view, &frame);
    EndMode3D();
    EndShaderMode();
    return visits;
}

static void new_seed(void)
{
    sv_frame* f = &g_game.frame;
    u64 micros = (u64)(GetTime() * 1000000.0);
    sv_floor* floor = sv_front_new_seed(f, &g_game.walker, &g_game.run, micros);
    if (floor)
        g_game.floor = floor;
    front_console_set_open(0);
    reread_room();
    apply_cursor(SV_FX_CAPTURE_CURSOR);
}

static void frame(void)
{
    sv_frame* f = &g_game.frame;
    reread_room();
    f->frame++;
    key_taps taps;
    sv_frame_keys keys = read_keys(&taps);
    // Read every frame, so an entry while a menu is open is not put on a later frame.
    const u32 cursor_enters = gfx_cursor_entries_take();
    u8 debug_run = (u8)sv_run_debug(&g_game.run);
    u8 console_was = f->console_open;
    apply_cursor(sv_frame_control(f, taps.grave, taps.escape, debug_run));
    if (f->console_open != console_was)
        front_console_set_open(f->console_open);
    if (!f->paused && !f->console_open)
        simulate(&keys, cursor_enters);

    i32 w = GetScreenWidth(), h = GetScreenHeight();
    Camera3D cam = make_camera();
    BeginDrawing();
    ClearBackground(CLEAR_COLOUR);
    Vector3 tip;
    u64 visits = draw_world(&cam, &tip, w, h);

    gfx_screen screen {f, &g_game.walker, g_game.floor, &g_game.run, &cam, tip, w, h};
    if (debug_run && taps.f3)
        f->overlay_shown = !f->overlay_shown;
    if (debug_run && f->overlay_shown)
        gfx_draw_overlay(&screen, visits);
    gfx_draw_hud(&screen);
    gfx_draw_hand(&g_game.walker, &cam);
    gfx_draw_seed_lines(&screen);
    if (f->paused) {
        u8 action = gfx_draw_menu(&screen, keys.primary, taps.up, taps.down, taps.enter);
        if (action == SV_MENU_NEW_SEED)
            new_seed();
        else if (action == SV_MENU_DEBUG)
            sv_run_enable_debug(&g_game.run);
        apply_cursor(sv_menu_apply(f, action));
    }
    if (f->console_open) {
        front_console_frame(w, h);
        sv_floor* adopted = sv_front_adopt(f, &g_game.walker);
        if (adopted) {
            g_game.floor = adopted;
            reread_room();
        }
    }
    if (sv_run_debug(&g_game.run))
        gfx_draw_watermark(&screen);
    EndDrawing();
    if (WindowShouldClose())
        f->quit = 1;
}

static void shutdown(void)
{
    gfx_fog_unload(&g_game.fog);
    ui_font_release();
    CloseWindow();
    sv_gen_release_current();
}

int main(int argc, char** argv)
{
    sv_plat_binary_stdio();
    sv_plat_utf8_console();
    sv_plat_utf8_args(&argc, &argv);
    std::memset(&g_game, 0, sizeof g_game);
    sv_frame_init(&g_game.frame);
    if (!boot(argc, argv))
        return 1;
    if (!open_window()) {
        sv_gen_release_current();
        return 1;
    }
    // Only the per-run fields: the pack state, the serial and the debug option stay.
    sv_frame_reset_run(&g_game.frame);
    while (!g_game.frame.quit && !WindowShouldClose())
        frame();
    shutdown();
    return 0;
}

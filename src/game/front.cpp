// The front end's plain logic: options, the pack path, the loop state and the tick scheduler.
#include "game/front.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/log.h"

#define SV_LOOK_PER_PIXEL 0.0022f // radians of yaw or pitch per pixel of mouse motion

void sv_front_options(int argc, const char* const* argv, sv_options* out, sv_writer err)
{
    if (!out)
        return;
    std::memset(out, 0, sizeof *out);
    for (int i = 1; argv && i < argc; ++i) {
        const char* a = argv[i];
        if (!a)
            continue;
        if (std::strcmp(a, "--pack") == 0) {
            if (i + 1 < argc)
                out->pack = argv[++i];
            else if (err.fn)
                err.fn(err.ctx, "--pack needs a path; it is ignored\n");
        } else if (std::strcmp(a, "--debug") == 0) {
            out->debug = 1;
        } else if (std::strcmp(a, "--plain") == 0) {
            out->debug = 0;
        } else if (std::strcmp(a, "--floor") == 0) {
            // The value is read and ignored: a release run always starts on floor 1.
            if (i + 1 >= argc)
                break;
            ++i;
            if (err.fn)
                err.fn(err.ctx, "--floor is the debug build's; a release run starts on floor 1\n");
        }
    }
}

void sv_front_pack_path(const char* option, const char* app_dir, sv_dir_exists_fn exists, char* out,
                        u64 cap)
{
    if (!out || cap == 0)
        return;
    if (option) {
        std::snprintf(out, cap, "%s", option);
        return;
    }
    if (app_dir && app_dir[0] && exists) {
        char beside[SV_PACK_PATH_MAX];
        int n = std::snprintf(beside, sizeof beside, "%spacks/base", app_dir);
        if (n > 0 && (u64)n < sizeof beside && exists(beside)) {
            std::snprintf(out, cap, "%s", beside);
            return;
        }
    }
    std::snprintf(out, cap, "%s", "packs/base");
}

f32 sv_front_aspect(i32 width, i32 height)
{
    if (width <= 0 || height <= 0)
        return 16.0f / 9.0f;
    return (f32)width / (f32)height;
}

i32 sv_front_font_cached(i32 size)
{
    return size > 0 && size < SV_FONT_CACHE;
}

void sv_frame_init(sv_frame* f)
{
    if (!f)
        return;
    std::memset(f, 0, sizeof *f);
    f->seed = SV_START_SEED;
    f->floor_number = 1;
}

void sv_frame_reset_run(sv_frame* f)
{
    if (!f)
        return;
    f->paused = 0;
    f->run_over = 0;
    f->quit = 0;
    f->choice = 0;
    f->console_open = 0;
    f->latch_use = f->latch_dodge = f->latch_primary = f->latch_secondary = f->latch_swap = 0;
    f->menu_frames = 0;
    f->menu_seconds = 0.0;
    f->menu_armed = 0;
    f->look_dx = f->look_dy = 0.0f;
    f->look_settled = 0;
    f->accumulator = 0.0;
    f->event = 0;
    f->event_frame = 0;
    f->tracer_frame = 0;
    f->tracer_x = f->tracer_y = f->tracer_z = 0.0f;
    f->hurt_frame = 0;
    f->damage_seen = 0.0f;
    f->run_clock = 0;
}

// A menu just opened: nothing held, latched or pressed so far may act on it.
static void menu_opened(sv_frame* f, i32 choice)
{
    f->choice = choice;
    f->menu_frames = 0;
    f->menu_seconds = 0.0;
    f->menu_armed = 0;
}

void sv_frame_mouse(sv_frame* f, const sv_mouse_seen* seen, sv_frame_keys* keys)
{
    if (!f || !seen || !keys)
        return;
    const bool players = f->look_settled && !seen->resized && !seen->entered;
    keys->mouse_dx = players ? seen->dx : 0.0f;
    keys->mouse_dy = players ? seen->dy : 0.0f;
    f->look_settled = seen->at_rest;
}

u32 sv_frame_control(sv_frame* f, u8 grave, u8 escape, u8 debug_run)
{
    if (!f)
        return 0;
    u32 fx = 0;
    if (grave && debug_run && !f->paused) {
        f->console_open = !f->console_open;
        if (f->console_open) {
            fx |= SV_FX_RELEASE_CURSOR;
        } else {
            f->accumulator = 0.0;
            fx |= SV_FX_CAPTURE_CURSOR;
        }
    }
    if (!escape)
        return fx;
    if (f->console_open) {
        // Escape only closes the console; the frame goes on as if it had been closed by grave.
        f->console_open = 0;
        f->accumulator = 0.0;
        return (fx & ~(u32)SV_FX_RELEASE_CURSOR) | SV_FX_CAPTURE_CURSOR;
    }
    if (f->run_over)
        return fx;
    if (!f->paused) {
        f->paused = 1;
        menu_opened(f, 0);
        fx = (fx & ~(u32)SV_FX_CAPTURE_CURSOR) | SV_FX_RELEASE_CURSOR;
    } else {
        f->paused = 0;
        f->accumulator = 0.0;
        fx = (fx & ~(u32)SV_FX_RELEASE_CURSOR) | SV_FX_CAPTURE_CURSOR;
    }
    return fx;
}

// The bookkeeping after a tick that stayed on the floor.
static void frame_after_tick(sv_frame* f, const sv_walker* w, const sv_sim_hooks* hooks,
                             sv_sim_result* r)
{
    if (w->last_event != 0) {
        f->event = w->last_event;
        f->event_frame = f->frame;
    }
    f->run_clock++;
    if (hooks->observe)
        hooks->observe(hooks->ctx, &w->player, (u8)(f->floor_number > 1));
    if (w->tracer) {
        f->tracer_frame = f->frame;
        f->tracer_x = w->ray_x;
        f->tracer_y = w->ray_y;
        f->tracer_z = w->ray_z;
    }
    if (w->player.damage_taken > f->damage_seen)
        f->hurt_frame = f->frame;
    f->damage_seen = w->player.damage_taken;
    if (!f->run_over && !sv_player_alive(&w->player)) {
        sv_log_write(SV_LOG_INFO, SV_CAT_RENDER,
                     "run over: the player died on floor %u of seed %llu",
                     (unsigned)f->floor_number, (unsigned long long)f->seed);
        menu_opened(f, 1);
        f->run_over = 1;
        f->paused = 1;
        r->died = 1;
    }
}

sv_sim_result sv_frame_simulate(sv_frame* f, sv_walker* walker, const sv_frame_keys* keys,
                                f64 frame_time, f64 dt, const sv_sim_hooks* hooks)
{
    sv_sim_result r;
    std::memset(&r, 0, sizeof r);
    if (!f || !walker || !keys || !hooks || !hooks->step || !(dt > 0.0))
        return r;
    // Keys typed into the console or used on a menu must never fire once play resumes, nor may
    // the view turn by motion made there.
    if (f->paused || f->console_open) {
        f->look_dx = f->look_dy = 0.0f;
        return r;
    }

    f->latch_use |= keys->use;
    f->latch_dodge |= keys->dodge;
    f->latch_primary |= keys->primary;
    f->latch_secondary |= keys->secondary;
    f->latch_swap |= keys->swap;
    // Motion of a frame too short for a tick waits for the next one, so the look speed does not
    // depend on the frame rate.
    if (std::isfinite(keys->mouse_dx) && std::isfinite(keys->mouse_dy)) {
        f->look_dx += keys->mouse_dx;
        f->look_dy += keys->mouse_dy;
    }

    sv_input in;
    std::memset(&in, 0, sizeof in);
    in.right = keys->right;
    in.forward = keys->forward;
    in.yaw_delta = f->look_dx * SV_LOOK_PER_PIXEL;
    in.pitch_delta = -f->look_dy * SV_LOOK_PER_PIXEL;
    in.sprint = keys->sprint;
    in.dodge = f->latch_dodge;
    in.use = f->latch_use;
    in.primary = f->latch_primary;
    in.secondary = f->latch_secondary;
    in.swap = f->latch_swap;

    // A stalled frame (or a NaN time) must never leave the accumulator unusable.
    if (frame_time > 0.0 && std::isfinite(frame_time))
        f->accumulator += frame_time;
    while (f->accumulator >= dt) {
        i32 result = hooks->step(hooks->ctx, walker, &in);
        r.ticks++;
        f->look_dx = f->look_dy = 0.0f;
        if (result == 2) {
            f->floor_number = (u16)(f->floor_number + 1);
            f->accumulator = 0.0;
            r.descended = 1;
            return r;
        }
        if (result == 1)
            r.changed_place = 1;
        frame_after_tick(f, walker, hooks, &r);

        f->accumulator -= dt;
        in.dodge = in.use = in.primary = in.secondary = in.swap = 0;
        in.yaw_delta = in.pitch_delta = 0.0f;
        f->latch_use = f->latch_dodge = f->latch_primary = f->latch_secondary = f->latch_swap = 0;
        if (r.ticks >= SV_FRAME_TICKS_MAX) {
            f->accumulator = 0.0;
            break;
        }
    }
    return r;
}

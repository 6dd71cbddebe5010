// The prompt choice, the HUD layout and the menu state machine.
#include "game/hud.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "actors/player.h"

static void put(char* out, u64 cap, const char* text)
{
    if (out && cap)
        std::snprintf(out, cap, "%s", text);
}

// The text of a walker event, or null for an event that leaves the prompt alone.
static const char* event_text(u8 event, u32 walk_left)
{
    switch (event) {
    case SV_EVENT_CHEST_OPENED: return "opened";
    case SV_EVENT_CHEST_LOCKED: return "locked -- needs a Shard";
    case SV_EVENT_FOUNTAIN: return "the fountain";
    case SV_EVENT_MONUMENT: return "the monument";
    case SV_EVENT_LOCKED_ON: return "locked on";
    case SV_EVENT_LOCK_RELEASED: return "released";
    case SV_EVENT_FOG_WALK: return walk_left ? "..." : "";
    case SV_EVENT_FOG_REFUSED: return "locked -- needs its key";
    case SV_EVENT_NO_FLOOR_BELOW: return "no floor below";
    default: return nullptr;
    }
}

void sv_prompt_text(const sv_prompt_facts* p, char* out, u64 cap)
{
    put(out, cap, "");
    if (!p || !out || !cap)
        return;
    if (p->prop == 0)
        put(out, cap, p->monument_room ? "[E] monument" : "[E] fountain");
    else if (p->prop == 1)
        put(out, cap, "[E] chest");
    if (p->fog_door != SV_NONE8) {
        if (p->fog_admits)
            put(out, cap, p->fog_exit ? "[E] descend" : "[E] enter");
        else if (!p->sealed)
            put(out, cap, "locked -- needs its key");
    }
    if (p->walk_left)
        put(out, cap, "...");
    if (p->aim_mob >= 0) {
        if ((u32)p->aim_mob == p->lock_mob)
            put(out, cap, "[E] release");
        else
            std::snprintf(out, cap, "[E] lock  %s", p->aim_name ? p->aim_name : "");
    }
    if (p->sealed && out[0] == '\0')
        put(out, cap, "sealed");
    if (p->event && p->frames_since_event < SV_EVENT_FRAMES) {
        const char* text = event_text(p->event, p->walk_left);
        if (text)
            put(out, cap, text);
    }
}

f32 sv_bar_width(f32 value, f32 max, f32 full)
{
    if (!(max > 0.0f) || !(full > 0.0f) || std::isnan(value))
        return 0.0f;
    f32 share = value / max;
    if (!(share > 0.0f))
        return 0.0f;
    if (share > 1.0f)
        share = 1.0f;
    return full * share;
}

void sv_status_line(const sv_indicator* ind, char out[SV_STATUS_LINE])
{
    out[0] = '\0';
    if (!ind)
        return;
    f32 seconds = std::ceil(ind->seconds_left);
    if (ind->stacks == 0) {
        if (ind->permanent)
            std::snprintf(out, SV_STATUS_LINE, "%s", ind->name);
        else
            std::snprintf(out, SV_STATUS_LINE, "%s  %.0fs", ind->name, (double)seconds);
    } else {
        if (ind->permanent)
            std::snprintf(out, SV_STATUS_LINE, "%s %u", ind->name, (unsigned)ind->stacks);
        else
            std::snprintf(out, SV_STATUS_LINE, "%s %u  %.0fs", ind->name, (unsigned)ind->stacks,
                          (double)seconds);
    }
}

void sv_run_clock_text(u64 ticks, f64 dt, char* out, u64 cap)
{
    f64 s = (f64)ticks * dt;
    u64 whole = (s > 0.0 && std::isfinite(s)) ? (u64)s : 0;
    if (out && cap)
        std::snprintf(out, cap, "%llu:%02llu", (unsigned long long)(whole / 60),
                      (unsigned long long)(whole % 60));
}

void sv_seed_line(u64 seed, u16 floor_number, u32 revealed, char* out, u64 cap)
{
    if (!out || !cap)
        return;
    if (revealed & SV_REVEAL_DEEPER)
        std::snprintf(out, cap, "seed %llu   floor %u", (unsigned long long)seed,
                      (unsigned)floor_number);
    else
        std::snprintf(out, cap, "seed %llu", (unsigned long long)seed);
}

u8 sv_hurt_alpha(u32 frames_since)
{
    return frames_since < SV_HURT_FRAMES ? (u8)(140 - 11 * frames_since) : 0;
}

i32 sv_hud_layout(const sv_hud_facts* h, i32 height, sv_hud_row out[SV_HUD_ROWS_MAX])
{
    if (!h || !out)
        return 0;
    i32 n = 0;
    i32 y = height - 58;
    auto row = [&](u8 kind, u8 index, f32 bar, i32 step) {
        out[n].kind = kind;
        out[n].index = index;
        out[n].y = y;
        out[n].bar = bar;
        n++;
        y -= step;
    };
    if (h->revealed & SV_REVEAL_SHARDS)
        row(SV_ROW_SHARDS, 0, 0.0f, 26);
    if (h->revealed & SV_REVEAL_PRISM)
        row(SV_ROW_PRISM, 0, 0.0f, 26);
    if (h->revealed & SV_REVEAL_HURT)
        row(SV_ROW_HEALTH, 0, sv_bar_width(h->health, h->max_hp, 180.0f), 30);
    if (h->revealed & SV_REVEAL_STAMINA)
        row(SV_ROW_STAMINA, 0, sv_bar_width(h->stamina, h->stamina_max, 180.0f), 22);
    if (h->revealed & SV_REVEAL_GRIT)
        row(SV_ROW_GRIT, 0, 0.0f, 26);
    i32 statuses = h->statuses < 0 ? 0 : (h->statuses > 8 ? 8 : h->statuses);
    for (i32 i = 0; i < statuses; ++i)
        row(SV_ROW_STATUS, (u8)i, 0.0f, 22);
    return n;
}

i32 sv_hud_top(const sv_hud_facts* facts, i32 height)
{
    i32 top = height - 30;
    sv_hud_row rows[SV_HUD_ROWS_MAX];
    const i32 n = sv_hud_layout(facts, height, rows);
    for (i32 i = 0; i < n; ++i)
        if (rows[i].y - 2 < top)
            top = rows[i].y - 2;
    return top;
}

// The menu -----------------------------------------------------------------------------------

const char* sv_menu_entry(i32 i, u8 run_over, u8 debug_run, u8 run_time_shown)
{
    switch (i) {
    case 0: return run_over ? "" : "resume";
    case 1: return "new seed";
    case 2: return debug_run ? "debug mode: on for this run" : "debug mode (marks the run; no off)";
    case 3: return run_time_shown ? "run time: shown" : "run time: hidden";
    case 4: return "quit";
    default: return "";
    }
}

static u8 action_of(i32 entry)
{
    return (u8)(entry + 1); // entries 0..4 are actions 1..5
}

void sv_menu_step(i32* choice, u8 run_over, u8 debug_run, u8 run_time_shown, const sv_menu_in* in,
                  sv_menu_out* out)
{
    if (!choice || !in || !out)
        return;
    std::memset(out, 0, sizeof *out);
    if (*choice < 0 || *choice >= SV_MENU_ENTRIES)
        *choice = 0;
    if (run_over && *choice < 1)
        *choice = 1;
    if (in->down)
        *choice = (*choice + 1) % SV_MENU_ENTRIES;
    if (in->up)
        *choice = (*choice + SV_MENU_ENTRIES - 1) % SV_MENU_ENTRIES;

    // The cursor sits over entry 2 when a menu opens (it is recentred); only a mouse that moved
    // or was pressed in this frame may take the choice, so Enter right after pausing resumes.
    u8 mouse_acts = in->mouse_moved || in->primary;
    for (i32 i = 0; i < SV_MENU_ENTRIES; ++i) {
        const char* text = sv_menu_entry(i, run_over, debug_run, run_time_shown);
        if (!text[0])
            continue;
        i32 w = in->text_width[i];
        i32 x = in->width / 2 - w / 2;
        i32 y = in->height / 2 - 120 + 48 * i;
        out->x[i] = x;
        out->y[i] = y;
        bool over = in->mouse_x >= (f32)(x - 20) && in->mouse_x <= (f32)(x + w + 20)
            && in->mouse_y >= (f32)(y - 8) && in->mouse_y <= (f32)(y + 40);
        if (over && mouse_acts) {
            *choice = i;
            if (in->primary && !out->action)
                out->action = action_of(i);
        }
        out->lit[i] = (over && mouse_acts) || *choice == i;
    }
    if (in->enter && !out->action) {
        const char* text = sv_menu_entry(*choice, run_over, debug_run, run_time_shown);
        if (text[0])
            out->action = action_of(*choice);
    }
}

void sv_menu_gate(sv_frame* f, f32 mouse_x, f32 mouse_y, f64 frame_time, sv_menu_in* in)
{
    if (!f || !in)
        return;
    const u8 seen = f->menu_frames;
    if (f->menu_frames < 255)
        f->menu_frames++;
    // The opening frame's time was spent before the menu was there.
    if (seen == 0)
        f->menu_seconds = 0.0;
    else if (frame_time > 0.0 && std::isfinite(frame_time))
        f->menu_seconds += frame_time;
    in->mouse_x = mouse_x;
    in->mouse_y = mouse_y;
    in->mouse_moved = 0;
    if (seen == 0 || (f->run_over && f->menu_seconds < SV_RUN_OVER_HOLD)) {
        in->down = in->up = in->enter = 0;
        in->primary = 0;
    }
    if (seen > SV_MENU_SETTLE) {
        in->mouse_moved = (u8)(mouse_x != f->menu_mouse_x || mouse_y != f->menu_mouse_y);
        f->menu_armed = (u8)(f->menu_armed | in->mouse_moved);
    }
    f->menu_mouse_x = mouse_x;
    f->menu_mouse_y = mouse_y;
    if (!f->menu_armed)
        in->primary = 0;
}

u32 sv_menu_apply(sv_frame* f, u8 action)
{
    if (!f)
        return 0;
    switch (action) {
    case SV_MENU_RESUME:
        f->paused = f->run_over;
        if (!f->paused) {
            f->accumulator = 0.0;
            return SV_FX_CAPTURE_CURSOR;
        }
        return 0;
    case SV_MENU_RUN_TIME: f->run_time_shown = !f->run_time_shown; return 0;
    case SV_MENU_QUIT: f->quit = 1; return 0;
    case SV_MENU_DEBUG: f->overlay_shown = 0; return 0;
    default: return 0;
    }
}

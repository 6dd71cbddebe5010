// The screen-space layers: prompt, HUD rows, clock, shot trace, crosshair, mob bars, the locked
// mob's banner, hurt border, seed and pack lines, menus, the watermark and the debug overlay.
// The plain logic (what to show, where) lives in hud.cpp and overlay.cpp; this file draws it.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "actors/afflict.h"
#include "actors/combat.h"
#include "core/pack.h"
#include "game/draw.h"
#include "game/front_play.h"
#include "game/gfx.h"
#include "game/overlay.h"
#include "world/body.h"

static const Color WHITE_TEXT = {245, 245, 245, 255};
static const Color STATUS_AMBER = {245, 205, 120, 255};
static const Color GREY_TEXT = {200, 200, 200, 255};
static const Color DIM_TEXT = {80, 80, 80, 255};
static const Color MUTED_TEXT = {130, 130, 130, 255};
static const Color WARNING_RED = {230, 41, 55, 255};
static const Color BAR_BACKING = {0, 0, 0, 170};

static void rect(f32 x, f32 y, f32 w, f32 h, Color c)
{
    DrawRectangleRec(Rectangle {x, y, w, h}, c);
}

static void draw_prompt(const gfx_screen* s)
{
    sv_prompt_facts facts;
    sv_front_prompt_facts(s->frame, s->walker, s->floor, &facts);
    char text[SV_PROMPT_MAX];
    sv_prompt_text(&facts, text, sizeof text);
    if (text[0])
        ui_text_centred(text, s->width / 2, (f32)(s->height - 80), 20, WHITE_TEXT);
}

// The facts of the HUD rows, with the player's statuses into statuses.
static void hud_facts(const gfx_screen* s, sv_hud_facts* facts,
                      sv_indicator statuses[SV_AFFLICTIONS])
{
    const sv_player* p = &s->walker->player;
    sv_front_hud_facts(s->run, p, facts);
    facts->statuses = sv_afflictions_indicators(&p->afflictions, statuses, SV_AFFLICTIONS);
}

static void draw_rows(const gfx_screen* s)
{
    sv_hud_facts facts;
    sv_indicator statuses[SV_AFFLICTIONS];
    hud_facts(s, &facts, statuses);
    sv_hud_row rows[SV_HUD_ROWS_MAX];
    i32 n = sv_hud_layout(&facts, s->height, rows);
    char text[SV_STATUS_LINE];
    for (i32 i = 0; i < n; ++i) {
        const sv_hud_row* r = &rows[i];
        f32 y = (f32)r->y;
        switch (r->kind) {
        case SV_ROW_SHARDS:
            std::snprintf(text, sizeof text, "shards %u", (unsigned)facts.shards);
            ui_text(text, 12, y, 22, WHITE_TEXT);
            break;
        case SV_ROW_PRISM:
            std::snprintf(text, sizeof text, "prism %u", (unsigned)facts.prisms);
            ui_text(text, 12, y, 22, WHITE_TEXT);
            break;
        case SV_ROW_HEALTH:
            rect(10, y - 2, 184, 26, BAR_BACKING);
            rect(12, y, r->bar, 22,
                 facts.alive ? Color {210, 40, 40, 240} : Color {90, 20, 20, 240});
            std::snprintf(text, sizeof text, "health %.0f", (double)facts.health);
            ui_text(text, 18, y + 1, 20, WHITE_TEXT);
            break;
        case SV_ROW_STAMINA:
            rect(10, y - 2, 184, 18, BAR_BACKING);
            rect(12, y, r->bar, 14,
                 facts.exhausted ? Color {70, 90, 120, 240} : Color {70, 150, 210, 240});
            std::snprintf(text, sizeof text, "stamina %.0f", (double)facts.stamina);
            ui_text(text, 18, y - 1, 14, WHITE_TEXT);
            break;
        case SV_ROW_GRIT:
            std::snprintf(text, sizeof text, "grit %u", (unsigned)facts.grit);
            ui_text(text, 12, y, 22, facts.grit ? WHITE_TEXT : Color {200, 120, 120, 255});
            break;
        case SV_ROW_STATUS:
            sv_status_line(&statuses[r->index], text);
            ui_text(text, 12, y, 18, STATUS_AMBER);
            break;
        default: break;
        }
    }
}

// The screen point of a world point in front of the camera; 0 when it is behind.
static i32 screen_point(const gfx_screen* s, Vector3 p, Vector2* out)
{
    if (!sv_draw_in_front(s->camera, &p))
        return 0;
    *out = GetWorldToScreen(p, *s->camera);
    return 1;
}

static const sv_mob* locked_mob(const gfx_screen* s)
{
    const sv_mob* m = sv_floor_mob_const(s->floor, s->walker->lock_mob);
    return m && m->hp > 0.0f ? m : nullptr;
}

static void draw_crosshair(const gfx_screen* s)
{
    const sv_walker* w = s->walker;
    const sv_mob* lock = locked_mob(s);
    f32 x, z, y;
    Vector2 at;
    if (lock && sv_combat_mob_from_here(w, s->floor, w->lock_mob, &x, &z, &y)
        && screen_point(s, Vector3 {x, y + (lock->boss ? 1.2f : 0.75f), z}, &at)) {
        DrawRing(at, 9, 12, 0, 360, 24, Color {255, 220, 120, 230});
        return;
    }
    Vector2 c = {(f32)s->width / 2.0f, (f32)s->height / 2.0f};
    DrawCircleV(c, 3, Color {255, 255, 255, 200});
    DrawRing(c, 6, 7, 0, 360, 16, Color {255, 255, 255, 90});
}

static void draw_mob_bars(const gfx_screen* s)
{
    const sv_walker* w = s->walker;
    const sv_floor* floor = s->floor;
    f32 cy = std::cos(w->player.yaw), sy = std::sin(w->player.yaw);
    for (u16 i = 0; floor && i < floor->mob_count; ++i) {
        const sv_mob* m = &floor->mobs[i];
        f32 x, z, y;
        if (!(m->hp > 0.0f) || !sv_combat_mob_from_here(w, floor, i, &x, &z, &y))
            continue;
        if ((x - w->player.x) * cy + (z - w->player.z) * sy <= 0.0f)
            continue;
        Vector2 at;
        if (!screen_point(s, Vector3 {x, y + (m->boss ? 2.7f : 1.8f), z}, &at))
            continue;
        f32 half = m->boss ? 46.0f : 29.0f;
        rect(at.x - half, at.y - 4, 2 * half, 8, Color {0, 0, 0, 160});
        rect(at.x - half + 1, at.y - 3, sv_bar_width(m->hp, m->body.hp, 2 * half - 2), 6,
             Color {200, 40, 40, 230});
        sv_indicator ind[SV_AFFLICTIONS];
        i32 n = sv_afflictions_indicators(m->afflictions, ind, SV_AFFLICTIONS);
        char text[SV_STATUS_LINE];
        for (i32 k = 0; k < n; ++k) {
            sv_status_line(&ind[k], text);
            ui_text_centred(text, (i32)at.x, at.y + 7 + 13 * k, 12, Color {245, 205, 120, 230});
        }
    }
}

static void draw_banner(const gfx_screen* s)
{
    const sv_mob* m = locked_mob(s);
    if (!m)
        return;
    i32 W = s->width, H = s->height;
    ui_text_centred(m->name, W / 2, (f32)(H - 154), 22, WHITE_TEXT);
    rect((f32)(W / 2 - 182), (f32)(H - 126), 364, 14, BAR_BACKING);
    rect((f32)(W / 2 - 180), (f32)(H - 124), sv_bar_width(m->hp, m->body.hp, 360), 10,
         Color {210, 40, 40, 240});
    sv_indicator ind[SV_AFFLICTIONS];
    i32 n = sv_afflictions_indicators(m->afflictions, ind, SV_AFFLICTIONS);
    char joined[512] = "";
    char line[SV_STATUS_LINE];
    for (i32 k = 0; k < n; ++k) {
        sv_status_line(&ind[k], line);
        size_t used = std::strlen(joined);
        std::snprintf(joined + used, sizeof joined - used, "%s%s", k ? "    " : "", line);
    }
    if (joined[0])
        ui_text_centred(joined, W / 2, (f32)(H - 108), 16, STATUS_AMBER);
}

void gfx_draw_hud(const gfx_screen* s)
{
    const sv_frame* f = s->frame;
    const sv_player* p = &s->walker->player;
    draw_prompt(s);
    draw_rows(s);
    if (sv_run_revealed(s->run, SV_REVEAL_ARMED) && sv_player_armed(p))
        ui_text(g_weapon_name[p->slot > 1 ? 0 : p->slot], (f32)(s->width - 260),
                (f32)(s->height - 58), 18, GREY_TEXT);
    if (f->run_time_shown) {
        char clock[32];
        sv_run_clock_text(f->run_clock, sv_sim_dt(), clock, sizeof clock);
        ui_text(clock, (f32)(s->width - 90), 12, 22, GREY_TEXT);
    }
    if (f->tracer_frame && f->frame - f->tracer_frame < SV_TRACER_FRAMES) {
        BeginMode3D(*s->camera);
        DrawLine3D(s->tip, Vector3 {f->tracer_x, f->tracer_y, f->tracer_z},
                   Color {255, 240, 180, 200});
        EndMode3D();
    }
    if (sv_run_revealed(s->run, SV_REVEAL_ARMED) && sv_player_armed(p) && sv_player_alive(p))
        draw_crosshair(s);
    draw_mob_bars(s);
    draw_banner(s);
    if (f->hurt_frame && f->frame - f->hurt_frame < SV_HURT_FRAMES)
        DrawRectangleLinesEx(Rectangle {0, 0, (f32)s->width, (f32)s->height}, 24,
                             Color {200, 30, 30, sv_hurt_alpha(f->frame - f->hurt_frame)});
}

void gfx_draw_seed_lines(const gfx_screen* s)
{
    char line[96];
    sv_seed_line(s->frame->seed, s->frame->floor_number, s->run ? s->run->revealed : 0, line,
                 sizeof line);
    f32 y = (f32)(s->height - 30);
    ui_text(line, 12, y, 18, DIM_TEXT);
    if (s->frame->mounts_at_start == 0) {
        ui_text("NO PACK -- compiled-in defaults, no content", (f32)(s->width - 420), y, 18,
                WARNING_RED);
    } else {
        std::snprintf(line, sizeof line, "pack %s", sv_pack_label(0));
        ui_text(line, (f32)(s->width - 260), y, 18, DIM_TEXT);
    }
}

u8 gfx_draw_menu(const gfx_screen* s, u8 primary, u8 up, u8 down, u8 enter)
{
    sv_frame* f = s->frame;
    i32 W = s->width, H = s->height;
    u8 debug = (u8)sv_run_debug(s->run);
    rect(0, 0, (f32)W, (f32)H, f->run_over ? Color {60, 0, 0, 170} : Color {0, 0, 0, 150});
    ui_text_centred(f->run_over ? "run over" : "paused", W / 2, (f32)(H / 2 - 190), 24,
                    f->run_over ? WARNING_RED : MUTED_TEXT);
    if (f->run_over)
        ui_text_centred("the run ends at zero Twins, and there are none yet", W / 2,
                        (f32)(H / 2 - 160), 18, MUTED_TEXT);

    sv_menu_in in;
    std::memset(&in, 0, sizeof in);
    in.width = W;
    in.height = H;
    for (i32 i = 0; i < SV_MENU_ENTRIES; ++i) {
        const char* text = sv_menu_entry(i, f->run_over, debug, f->run_time_shown);
        in.text_width[i] = text[0] ? ui_width(text, 32) : 0;
    }
    in.primary = primary;
    in.down = down;
    in.up = up;
    in.enter = enter;
    Vector2 mouse = GetMousePosition();
    sv_menu_gate(f, mouse.x, mouse.y, GetFrameTime(), &in);
    sv_menu_out out;
    sv_menu_step(&f->choice, f->run_over, debug, f->run_time_shown, &in, &out);
    for (i32 i = 0; i < SV_MENU_ENTRIES; ++i) {
        const char* text = sv_menu_entry(i, f->run_over, debug, f->run_time_shown);
        if (text[0])
            ui_text(text, (f32)out.x[i], (f32)out.y[i], 32, out.lit[i] ? WHITE_TEXT : MUTED_TEXT);
    }
    return out.action;
}

void gfx_draw_watermark(const gfx_screen* s)
{
    ui_text_centred("DEBUG RUN", s->width / 2, (f32)(s->height / 2 - 48), 96,
                    Color {255, 255, 255, 40});
    ui_text_centred("debug mode: counts toward nothing   (F3 overlay)", s->width / 2, 12, 18,
                    Color {255, 200, 80, 220});
}

void gfx_draw_overlay(const gfx_screen* s, u64 places_drawn)
{
    const sv_player* p = &s->walker->player;
    sv_overlay_facts in;
    std::memset(&in, 0, sizeof in);
    in.floor = s->floor;
    in.walker = s->walker;
    in.floor_number = s->frame->floor_number;
    in.places_drawn = places_drawn;
    in.fps = GetFPS();
    in.frame_ms = GetFrameTime() * 1000.0f;
    in.presses = gfx_mouse_presses();
    in.shortest_press = gfx_mouse_shortest_press();
    in.in_hand = g_weapon_name[p->slot > 1 ? 0 : p->slot];
    in.run_seed = s->run ? s->run->seed : s->frame->seed;
    in.seeded = (u8)sv_run_seeded(s->run);
    in.debug = (u8)sv_run_debug(s->run);
    in.modded = (u8)sv_run_modded();
    in.screen_width = s->width;
    sv_hud_facts facts;
    sv_indicator statuses[SV_AFFLICTIONS];
    hud_facts(s, &facts, statuses);
    in.hud_top = sv_hud_top(&facts, s->height);
    static sv_overlay_row rows[SV_OVERLAY_ROWS];
    i32 n = sv_overlay_rows(&in, rows);
    for (i32 i = 0; i < n; ++i) {
        Color c = WHITE_TEXT;
        switch (rows[i].colour) {
        case SV_OVERLAY_HEADING: c = Color {255, 200, 80, 255}; break;
        case SV_OVERLAY_SEED: c = MUTED_TEXT; break;
        case SV_OVERLAY_DOOR: c = door_colour(rows[i].door_kind); break;
        default: break;
        }
        ui_text(rows[i].text, (f32)rows[i].x, (f32)rows[i].y, 18, c);
    }
}

// The debug overlay's rows.
#include "game/overlay.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "actors/combat.h"
#include "core/rng.h"
#include "core/tune.h"
#include "world/geom_cache.h"

#define SV_RADIANS_TO_DEGREES 57.29578f

#define ROW_HEIGHT 18 // the rows' text size

struct overlay_sink {
    sv_overlay_row* rows;
    i32 count;
    i32 bottom; // no row reaches below it; 0 for none
    u8 stopped;
};

static void SV_PRINTF(5, 6) row(overlay_sink* s, i32 x, i32 y, u8 colour, const char* fmt, ...)
{
    // The rows run down the screen: once one would meet the HUD, so would every later one.
    if (s->bottom > 0 && y + ROW_HEIGHT > s->bottom)
        s->stopped = 1;
    if (s->stopped || s->count >= SV_OVERLAY_ROWS)
        return;
    sv_overlay_row* r = &s->rows[s->count++];
    std::memset(r, 0, sizeof *r);
    r->x = x;
    r->y = y;
    r->colour = colour;
    va_list ap;
    va_start(ap, fmt);
    std::vsnprintf(r->text, sizeof r->text, fmt, ap);
    va_end(ap);
}

static const char* door_kind_name(u32 kind)
{
    switch (kind) {
    case SV_DOOR_NORMAL: return "normal";
    case SV_DOOR_SCION: return "scion";
    case SV_DOOR_AXIOM: return "axiom";
    case SV_DOOR_SHORTCUT: return "shortcut";
    case SV_DOOR_EXIT: return "exit";
    default: return "?";
    }
}

// The geometry of the walker's room: its own while it stands there, else from the place cache.
static const sv_geom* room_geom(const sv_floor* floor, const sv_walker* w)
{
    if (w->place == w->room)
        return &w->geom;
    return sv_geom_cached(floor, w->room);
}

static void player_rows(overlay_sink* s, const sv_overlay_facts* in)
{
    const sv_walker* w = in->walker;
    const sv_player* p = &w->player;
    const sv_floor* floor = in->floor;
    row(s, 12, 80, SV_OVERLAY_BODY, "x %.2f  z %.2f  y %.2f   yaw %.0f  pitch %.0f", (double)p->x,
        (double)p->z, (double)p->y, (double)(p->yaw * SV_RADIANS_TO_DEGREES),
        (double)(p->pitch * SV_RADIANS_TO_DEGREES));

    const sv_room* room = sv_floor_room_const(floor, w->room);
    const sv_geom* g = floor ? room_geom(floor, w) : nullptr;
    char piece[64] = "";
    if (floor && w->place != w->room)
        std::snprintf(piece, sizeof piece, "   in corridor piece %u of %u places",
                      (unsigned)w->place, (unsigned)floor->place_count);
    row(s, 12, 100, SV_OVERLAY_BODY,
        "room %u of %u   floor %u   degree %u   walls %u   elev %.2f  scale %.2f  r %.2f%s",
        (unsigned)w->room, floor ? (unsigned)floor->room_count : 0u, (unsigned)in->floor_number,
        room ? (unsigned)room->door_count : 0u, g ? (unsigned)g->vertex_count : 0u,
        room ? (double)room->elevation : 0.0, room ? (double)room->radius_scale : 0.0,
        g ? (double)g->radius : 0.0, piece);

    row(s, 12, 120, SV_OVERLAY_BODY, "in hand %s   grit %u   shots %u   stamina %.0f%s",
        in->in_hand ? in->in_hand : "", (unsigned)p->grit,
        (unsigned)sv_floor_shots_live_in(floor, w->place), (double)sv_player_stamina(p),
        p->exhausted ? " winded" : "");
    row(s, 12, 140, SV_OVERLAY_BODY, "mobs here %u alive of %u   health %.0f   swing %u/%u   %s",
        (unsigned)sv_floor_mobs_alive_in(floor, w->room),
        (unsigned)sv_floor_mobs_in(floor, w->room), (double)sv_player_health(p), (unsigned)p->phase,
        (unsigned)p->phase_ticks, sv_player_vulnerable(p) ? "" : "i-frames");
}

static void ledger_rows(overlay_sink* s, const sv_overlay_facts* in)
{
    const sv_floor* floor = in->floor;
    i32 prism = sv_floor_find(floor, SV_TAG_PRISM);
    bool prism_taken = prism >= 0 && (sv_floor_taken(floor, (u16)prism) & SV_TAG_PRISM);
    u64 scions = sv_floor_count_tagged(floor, SV_TAG_SCION);
    u64 gates = sv_floor_count_tagged(floor, SV_TAGS_GATE_SCION);
    row(s, 12, 232, SV_OVERLAY_BODY,
        "prism r%d%s   axiom r%d   monument r%d   gate scions %zu   optional %zu", prism,
        prism_taken ? " taken" : "", sv_floor_find(floor, SV_TAG_AXIOM),
        sv_floor_find(floor, SV_TAG_MONUMENT), (size_t)gates, (size_t)(scions - gates));

    const sv_mob* boss = floor ? sv_floor_mob_const(floor, floor->boss_mob) : nullptr;
    size_t alive = 0;
    const sv_mob* here = nullptr;
    u16 room = in->walker ? in->walker->room : SV_NONE16;
    for (u16 i = 0; floor && i < floor->mob_count; ++i) {
        const sv_mob* m = &floor->mobs[i];
        if (!m->boss || !(m->hp > 0.0f))
            continue;
        alive++;
        if (!here && m->place == room)
            here = m;
    }
    char boss_hp[32] = "";
    if (boss)
        std::snprintf(boss_hp, sizeof boss_hp, " hp %.0f", (double)boss->hp);
    char here_text[64] = "--";
    if (here)
        std::snprintf(here_text, sizeof here_text, "%s hp %.0f", here->name, (double)here->hp);
    row(s, 12, 252, SV_OVERLAY_BODY, "axiom %s%s   bosses alive %zu   this room: %s",
        boss ? boss->name : "(none stood)", boss_hp, alive, here_text);

    size_t locked = 0, opened = 0;
    for (u16 i = 0; floor && i < floor->chest_count; ++i) {
        locked += floor->chests[i].locked ? 1 : 0;
        opened += floor->chests[i].opened ? 1 : 0;
    }
    row(s, 12, 272, SV_OVERLAY_BODY,
        "chests %u   locked %zu   opened %zu   loose shards %zu   fountains %zu",
        floor ? (unsigned)floor->chest_count : 0u, locked, opened,
        (size_t)sv_floor_count_tagged(floor, SV_TAG_SHARD),
        (size_t)sv_floor_count_tagged(floor, SV_TAG_FOUNTAIN));
}

i32 sv_overlay_rows(const sv_overlay_facts* in, sv_overlay_row out[SV_OVERLAY_ROWS])
{
    if (!in || !out)
        return 0;
    overlay_sink s {out, 0, in->hud_top, 0};
    const sv_floor* floor = in->floor;
    const sv_walker* w = in->walker;

    row(&s, in->screen_width - 330, 34, SV_OVERLAY_BODY, "%d fps   %.1f ms   rooms drawn %zu",
        in->fps, (double)in->frame_ms, (size_t)in->places_drawn);
    char shortest[32] = "--";
    if (in->shortest_press >= 0.0)
        std::snprintf(shortest, sizeof shortest, "%.0f ms", in->shortest_press * 1000.0);
    row(&s, 12, 34, SV_OVERLAY_BODY, "presses %u   shortest press %s", (unsigned)in->presses,
        shortest);

    row(&s, 12, 60, SV_OVERLAY_HEADING, "position");
    if (w)
        player_rows(&s, in);
    row(&s, 12, 166, SV_OVERLAY_HEADING, "economy");
    row(&s, 12, 186, SV_OVERLAY_BODY,
        "depth %u   saturation --   accumulator --   chords --   warp --",
        (unsigned)in->floor_number);
    row(&s, 12, 212, SV_OVERLAY_HEADING, "ledger");
    ledger_rows(&s, in);

    row(&s, 12, 298, SV_OVERLAY_HEADING, "sets");
    u16 room = w ? w->room : SV_NONE16;
    row(&s, 12, 318, SV_OVERLAY_BODY, "visited %u   generated %u   sealed here %s",
        (unsigned)sv_floor_visited_count(floor), (unsigned)sv_floor_generated_count(floor),
        (sv_floor_seal_state(floor, room) & SV_SEAL_SEALED) ? "yes" : "no");
    row(&s, 12, 344, SV_OVERLAY_HEADING, "memory");
    row(&s, 12, 364, SV_OVERLAY_BODY, "live floors [%u .. %u]   arena used %zu  reserved %zu",
        (unsigned)in->floor_number, (unsigned)in->floor_number,
        floor ? (size_t)sv_arena_used(&floor->arena) : (size_t)0,
        floor ? (size_t)sv_arena_reserved(&floor->arena) : (size_t)0);

    row(&s, 12, 390, SV_OVERLAY_HEADING, "seed");
    row(&s, 12, 410, SV_OVERLAY_BODY, "run %llu   seeded %s   debug %s   modded %s",
        (unsigned long long)in->run_seed, in->seeded ? "yes" : "no", in->debug ? "yes" : "no",
        in->modded ? "yes" : "no");
    // The streams of the floor on screen: after a console gen that is another seed than the run's.
    const u64 stream_seed = floor ? floor->seed : in->run_seed;
    const u16 stream_floor = floor ? floor->floor_number : in->floor_number;
    for (u32 k = 0; k < 8; ++k)
        row(&s, 12, 430 + 20 * (i32)k, SV_OVERLAY_SEED, "  %-10s %016llx", sv_stream_name(k),
            (unsigned long long)sv_stream_seed(stream_seed, stream_floor, k));

    row(&s, 12, 596, SV_OVERLAY_HEADING, "doors");
    const sv_room* r = sv_floor_room_const(floor, room);
    for (u8 k = 0; r && k < r->door_count && k < SV_ROOM_DOORS; ++k) {
        const sv_door* d = &r->doors[k];
        i32 before = s.count;
        row(&s, 12, 616 + 20 * k, SV_OVERLAY_DOOR, "slot %u  %-8s %s  art %u  -> r%d", (unsigned)k,
            door_kind_name(d->kind), d->locked ? "locked" : "      ", (unsigned)d->appearance,
            d->target == SV_NONE16 ? -1 : (int)d->target);
        if (s.count > before)
            out[before].door_kind = d->kind;
    }
    return s.count;
}

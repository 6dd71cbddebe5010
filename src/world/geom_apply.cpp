// The geometry pass of floor generation. Each step seeds its own generators from the geometry
// stream's seed, per room or per door, so no step disturbs another and a rerun draws the same.
#include "world/geom_apply.h"

#include <cstring>

#include "core/log.h"
#include "core/rng.h"
#include "core/tune.h"
#include "world/geom.h"
#include "world/geom_cache.h"
#include "world/nav.h"

namespace {

constexpr u64 GOLDEN = 0x9E3779B97F4A7C15ULL;
constexpr u32 SIGS = 4096;
constexpr u8 DRAWS = 8;

// Interior signatures of the current floor's rooms below SIGS, so a child never rebuilds its
// parent; an entry is valid once this pass has visited that room.
i32 g_sigs[SIGS];
sv_geom s_geom;

void scale_and_elevate(sv_floor* floor, u64 stream)
{
    f64 hub_scale = sv_tune(SV_TUNE_GEOM_HUB_SCALE);
    f64 arena_scale = sv_tune(SV_TUNE_GEOM_ARENA_SCALE);
    f64 elevation_max = sv_tune(SV_TUNE_GEOM_ELEVATION_MAX);
    i32 hub_degree = (i32)sv_tune(SV_TUNE_FLOOR_HUB_DEGREE);
    for (u16 r = 0; r < floor->room_count; ++r) {
        sv_room* room = &floor->rooms[r];
        sv_rng rng;
        sv_rng_seed(&rng, sv_mix64(stream ^ (u64)r * GOLDEN));
        f64 base = 1.0;
        if (room->tags & SV_TAGS_ARENA)
            base = arena_scale;
        else if ((i32)room->door_count >= hub_degree)
            base = hub_scale;
        f64 u1 = sv_rng_f64(&rng);
        f64 u2 = sv_rng_f64(&rng);
        room->radius_scale = (f32)(((2.0 * u1 - 1.0) * 0.12 + 1.0) * base);
        room->elevation = (f32)((2.0 * u2 - 1.0) * elevation_max);
    }
}

// A straight's length: length_min + v (length_max - length_min).
f32 straight_length(sv_rng* rng, f64 length_min, f64 length_max)
{
    f32 v = sv_rng_f32(rng);
    return (f32)(length_min + (f64)v * (length_max - length_min));
}

void lay_corridors(sv_floor* floor, u64 stream)
{
    f32 width = (f32)sv_tune(SV_TUNE_CORRIDOR_WIDTH);
    f32 step_length = (f32)sv_tune(SV_TUNE_CORRIDOR_STEP_LENGTH);
    f64 step_share = sv_tune(SV_TUNE_CORRIDOR_STEP_SHARE);
    f64 length_min = sv_tune(SV_TUNE_CORRIDOR_LENGTH_MIN);
    f64 length_max = sv_tune(SV_TUNE_CORRIDOR_LENGTH_MAX);
    f64 bend_chance = sv_tune(SV_TUNE_CORRIDOR_BEND_CHANCE);
    u32 bends_max = sv_tune_u32(SV_TUNE_CORRIDOR_BENDS_MAX);

    for (u16 r = 0; r < floor->room_count; ++r) {
        for (u8 d = 0; d < floor->rooms[r].door_count && d < SV_ROOM_DOORS; ++d) {
            const sv_door* door = &floor->rooms[r].doors[d];
            u16 t = door->target;
            u8 b = door->back;
            // Each pair is laid once: from the lower room, or the lower door of one room.
            if (door->kind == SV_DOOR_EXIT || t == SV_NONE16 || !sv_floor_room_valid(floor, t)
                || t < r || (t == r && b <= d) || sv_floor_passage_of(floor, r, d) >= 0)
                continue;
            u64 mixed = ((u64)d << 8) ^ ((u64)t << 24) ^ ((u64)r << 40) ^ (u64)b ^ 0xC0221D0FULL;
            sv_rng rng;
            sv_rng_seed(&rng, sv_mix64(mixed * GOLDEN ^ stream));

            sv_passage templ;
            memset(&templ, 0, sizeof templ);
            templ.room_a = r;
            templ.room_b = t;
            templ.door_a = d;
            templ.door_b = b;
            templ.width = width;

            if (sv_rng_chance(&rng, step_share)) {
                i32 index = sv_floor_add_passage(floor, &templ, 1);
                if (index < 0)
                    continue;
                sv_passage_piece* piece = &floor->passages[index].pieces[0];
                memset(piece, 0, sizeof *piece);
                piece->kind = SV_PIECE_STEP;
                piece->length = step_length;
                continue;
            }
            u32 bends = 0;
            while (bends < bends_max && sv_rng_chance(&rng, bend_chance))
                ++bends;
            i32 index = sv_floor_add_passage(floor, &templ, (u16)(2 * bends + 3));
            if (index < 0)
                continue;
            sv_passage_piece* pieces = floor->passages[index].pieces;
            u32 count = 2 * bends + 3;
            for (u32 j = 0; j < count; ++j)
                memset(&pieces[j], 0, sizeof pieces[j]);
            pieces[0].kind = SV_PIECE_STEP;
            pieces[0].length = step_length;
            pieces[1].kind = SV_PIECE_STRAIGHT;
            pieces[1].length = straight_length(&rng, length_min, length_max);
            for (u32 i = 0; i < bends; ++i) {
                sv_passage_piece* bend = &pieces[2 + 2 * i];
                bend->kind = SV_PIECE_BEND;
                bend->length = width;
                bend->turn = sv_rng_chance(&rng, 0.5) ? -1 : 1;
                sv_passage_piece* run = &pieces[3 + 2 * i];
                run->kind = SV_PIECE_STRAIGHT;
                run->length = straight_length(&rng, length_min, length_max);
            }
            pieces[count - 1].kind = SV_PIECE_STEP;
            pieces[count - 1].length = step_length;
        }
    }
}

void choose_interiors(sv_floor* floor)
{
    f32 radius = (f32)sv_tune(SV_TUNE_PLAYER_RADIUS);
    for (u16 r = 0; r < floor->room_count; ++r) {
        sv_room* room = sv_floor_room(floor, r);
        if (!room)
            continue;
        i64 parent = -1; // nothing matches it
        if (room->door_count > 0 && room->doors[0].target < r) {
            u16 p = room->doors[0].target;
            if (p < SIGS) {
                parent = g_sigs[p];
            } else {
                sv_geom_build(&s_geom, floor, p);
                parent = (i32)sv_geom_interior_signature(&s_geom);
            }
        }
        u32 repeats = 0, unwalkable = 0;
        bool taken = false;
        for (u8 draw = 0; draw < DRAWS && !taken; ++draw) {
            room->interior = draw;
            sv_geom_build(&s_geom, floor, r);
            i32 s = (i32)sv_geom_interior_signature(&s_geom);
            if (s == parent && s != 0)
                ++repeats;
            else if (sv_nav_walkable(&s_geom, radius))
                taken = true;
            else
                ++unwalkable;
            if (taken && r < SIGS)
                g_sigs[r] = s;
        }
        if (taken) {
            // The floor's first frames draw this room and its mobs path through it: hand on
            // what the test just built instead of building it again then.
            sv_geom_cache_store(floor, r, &s_geom, nullptr);
            sv_nav_keep_ready(&s_geom, radius);
            continue;
        }
        room->interior = SV_INTERIOR_BARE;
        if (r < SIGS)
            g_sigs[r] = 0;
        sv_log_write(SV_LOG_WARN, SV_CAT_GEN,
                     "floor %u room %u: bare -- of %d interior draws, %u repeated the parent's "
                     "shape and %u were not walkable",
                     (unsigned)floor->floor_number, (unsigned)r, (int)DRAWS, repeats, unwalkable);
    }
}

} // namespace

void sv_geom_apply(sv_floor* floor)
{
    if (!floor)
        return;
    u64 stream = sv_stream_seed(floor->seed, floor->floor_number, SV_STREAM_GEOMETRY);
    scale_and_elevate(floor, stream);
    if (floor->passage_count == 0)
        lay_corridors(floor, stream);
    choose_interiors(floor);
}

// The least-recently-used cache of place geometries.
#include "world/geom_cache.h"

#include <cstring>

#include "world/geom.h"

namespace {

// What a place's geometry is built from besides the floor's identity and the tunables: a room's
// own fields, or a piece's passage width and the pieces whose sizes shape its openings. Zeroed
// before filling, so that two equal records compare equal byte for byte.
struct place_record {
    f32 elevation, scale, width;
    u8 doors, tags, interior, is_piece;
    sv_passage_piece pieces[3]; // the piece before, the piece, the piece after (zero past an end)
};

// What names one cached geometry, compared whole: the key only speeds the scan. (Keys alone
// collide: serial x 2 and place << 16 overlap once serials pass 32767.) Kept apart from the
// geometries, so that a scan reads a few kilobytes rather than one line of every geometry.
struct cache_entry {
    u64 key; // key xor 1, so an all-zero entry matches nothing
    u64 used_at;
    u32 serial;
    u64 seed;
    u16 floor_number;
    u16 place_count;
    u16 place;
    u8 used;
    place_record record;
};

struct cache_state {
    cache_entry entries[SV_GEOM_CACHE];
    sv_geom geoms[SV_GEOM_CACHE];
    u64 clock;
    u64 builds;
};

cache_state g_cache;

sv_geom* geom_of(cache_entry* e)
{
    return &g_cache.geoms[e - g_cache.entries];
}

u64 cache_key(const sv_floor* floor, u16 place)
{
    u64 key = (((u64)floor->place_count << 32) | ((u64)place << 16))
        ^ (0x9e3779b97f4a7c15ull * floor->seed) ^ ((u64)floor->serial * 2u)
        ^ ((u64)floor->floor_number << 48);
    return key ^ 1u;
}

void record_of(const sv_floor* floor, u16 place, place_record* r)
{
    memset(r, 0, sizeof *r);
    u16 passage = 0, piece = 0;
    if (sv_floor_place_piece(floor, place, &passage, &piece)) {
        const sv_passage* p = &floor->passages[passage];
        r->is_piece = 1;
        r->width = p->width;
        for (i32 k = -1; k <= 1; ++k) {
            i32 j = (i32)piece + k;
            if (j >= 0 && j < (i32)p->piece_count) {
                r->pieces[k + 1].length = p->pieces[j].length;
                r->pieces[k + 1].kind = p->pieces[j].kind;
                r->pieces[k + 1].turn = p->pieces[j].turn;
            }
        }
        return;
    }
    const sv_room* room = sv_floor_room_const(floor, place);
    if (!room)
        return;
    r->elevation = room->elevation;
    r->scale = room->radius_scale;
    r->doors = room->door_count;
    r->tags = room->tags;
    r->interior = room->interior;
}

bool entry_matches(const cache_entry* e, u64 key, const sv_floor* floor, u16 place,
                   const place_record* record)
{
    return e->used && e->key == key && e->serial == floor->serial && e->seed == floor->seed
        && e->floor_number == floor->floor_number && e->place_count == floor->place_count
        && e->place == place && memcmp(&e->record, record, sizeof *record) == 0;
}

cache_entry* find(const sv_floor* floor, u16 place, const place_record* record)
{
    u64 key = cache_key(floor, place);
    for (u32 i = 0; i < SV_GEOM_CACHE; ++i)
        if (g_cache.entries[i].key == key
            && entry_matches(&g_cache.entries[i], key, floor, place, record))
            return &g_cache.entries[i];
    return nullptr;
}

// The least recently used entry (an unused one first) other than the one holding keep.
cache_entry* victim(const sv_geom* keep)
{
    cache_entry* best = nullptr;
    for (u32 i = 0; i < SV_GEOM_CACHE; ++i) {
        cache_entry* e = &g_cache.entries[i];
        if (&g_cache.geoms[i] == keep)
            continue;
        if (!e->used)
            return e;
        if (!best || e->used_at < best->used_at)
            best = e;
    }
    return best;
}

void claim(cache_entry* e, const sv_floor* floor, u16 place, const place_record* record)
{
    e->key = cache_key(floor, place);
    e->serial = floor->serial;
    e->seed = floor->seed;
    e->floor_number = floor->floor_number;
    e->place_count = floor->place_count;
    e->place = place;
    memcpy(&e->record, record, sizeof *record); // padding included: records compare bytewise
    e->used = 1;
    e->used_at = ++g_cache.clock;
}

} // namespace

const sv_geom* sv_geom_cached(const sv_floor* floor, u16 place)
{
    if (!floor || !sv_floor_place_valid(floor, place))
        return nullptr;
    place_record record;
    record_of(floor, place, &record);
    cache_entry* e = find(floor, place, &record);
    if (e) {
        e->used_at = ++g_cache.clock;
        return geom_of(e);
    }
    e = victim(nullptr);
    claim(e, floor, place, &record);
    sv_geom_build(geom_of(e), floor, place);
    g_cache.builds += 1;
    return geom_of(e);
}

const sv_geom* sv_geom_cache_store(const sv_floor* floor, u16 place, const sv_geom* geom,
                                   const sv_geom* keep)
{
    if (!floor || !geom || !sv_floor_place_valid(floor, place))
        return nullptr;
    place_record record;
    record_of(floor, place, &record);
    cache_entry* e = find(floor, place, &record);
    if (!e)
        e = victim(keep);
    claim(e, floor, place, &record);
    if (geom_of(e) != geom)
        memcpy(geom_of(e), geom, sizeof *geom);
    return geom_of(e);
}

void sv_geom_cache_reset(void)
{
    for (u32 i = 0; i < SV_GEOM_CACHE; ++i) {
        g_cache.entries[i].used = 0;
        g_cache.entries[i].key = 0;
        g_cache.entries[i].used_at = 0;
    }
}

u64 sv_geom_cache_builds(void)
{
    return g_cache.builds;
}

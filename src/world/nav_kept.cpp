// The least-recently-used cache of navigation grids.
#include "world/nav_kept.h"

#include <cstdlib>
#include <cstring>

// What names one kept grid, compared whole (the hash only speeds the scan), with the grid's frame
// and counts and its two buffers.
struct nav_kept_grid {
    u64 key; // sv_nav_kept_key; 0 for an unused entry
    u64 used_at;
    f32 radius, step;
    f32 origin_x, origin_z, cell;
    u16 width, height;
    u32 rect_count, link_count;
    u8* bytes; // the record, the rectangles and the links (see kept_layout)
    u8* cells; // the cell arrays (see nav_cells_for)
    u64 size;  // bytes of both
};

namespace {

struct kept_state {
    nav_kept_grid entries[SV_NAV_KEPT];
    u64 bytes;
    u64 clock;
};

kept_state g_kept;

// Byte offsets of the arrays in a kept grid's buffer, widest alignment first.
struct kept_layout {
    u64 links, rects, incoming_start, record, incoming, size;
};

kept_layout layout_for(u32 rect_count, u32 link_count)
{
    kept_layout l;
    u64 at = 0;
    l.links = at;
    at += sizeof(sv_nav_link) * link_count;
    l.rects = at;
    at += sizeof(sv_nav_rect) * rect_count;
    l.incoming_start = at;
    at += sizeof(u32) * ((u64)rect_count + 1);
    l.record = at;
    at += sizeof(sv_geom);
    l.incoming = at;
    at += sizeof(u16) * link_count;
    l.size = at;
    return l;
}

static_assert(sizeof(sv_nav_link) % 4 == 0 && sizeof(sv_nav_rect) % 4 == 0
                  && sizeof(sv_geom) % 4 == 0,
              "kept arrays stay aligned");

const sv_geom* record_of(const nav_kept_grid* e)
{
    return (const sv_geom*)(e->bytes + layout_for(e->rect_count, e->link_count).record);
}

bool entry_matches(const nav_kept_grid* e, u64 key, const sv_geom* geom, f32 radius, f32 step)
{
    return e->key == key && memcmp(&e->radius, &radius, 4) == 0 && memcmp(&e->step, &step, 4) == 0
        && memcmp(record_of(e), geom, sizeof *geom) == 0;
}

// Whether grid reads e's cells.
bool read_by(const nav_kept_grid* e, const sv_nav_grid* grid)
{
    return e->cells
        && grid->walkable == e->cells + nav_cells_for((u32)e->width * e->height).walkable;
}

void drop(nav_kept_grid* e)
{
    g_kept.bytes -= e->size;
    free(e->bytes);
    free(e->cells);
    *e = nav_kept_grid {};
}

// Makes room for size more bytes: the least recently used entries other than the one grid reads
// go until both bounds allow one more. Returns a free entry, or null when no room can be made.
nav_kept_grid* make_room(u64 size, const sv_nav_grid* grid)
{
    for (;;) {
        nav_kept_grid *oldest = nullptr, *free_entry = nullptr;
        u32 used = 0;
        for (u32 i = 0; i < SV_NAV_KEPT; ++i) {
            nav_kept_grid* e = &g_kept.entries[i];
            if (!e->key) {
                free_entry = free_entry ? free_entry : e;
                continue;
            }
            used += 1;
            if (!read_by(e, grid) && (!oldest || e->used_at < oldest->used_at))
                oldest = e;
        }
        if (used < SV_NAV_KEPT && g_kept.bytes + size <= SV_NAV_KEPT_BYTES)
            return free_entry;
        if (!oldest)
            return nullptr;
        drop(oldest);
    }
}

// The cells of grid for e: the buffer cells holds when grid's cells are in it (trimmed to the
// grid, and taken), else a copy. Null when no memory was had.
u8* take_cells(sv_nav_grid* grid, nav_cell_buffer* cells)
{
    u32 count = (u32)grid->width * grid->height;
    nav_cell_layout c = nav_cells_for(count);
    if (cells->bytes && grid->walkable == cells->bytes + c.walkable) {
        u8* cb = (u8*)realloc(cells->bytes, c.size ? c.size : 1);
        if (!cb)
            cb = cells->bytes;
        *cells = nav_cell_buffer {};
        nav_attach_cells(grid, cb, count);
        return cb;
    }
    u8* cb = (u8*)malloc(c.size);
    if (!cb)
        return nullptr;
    memcpy(cb + c.obstacle_top, grid->obstacle_top, sizeof(f32) * count);
    memcpy(cb + c.ground, grid->ground, sizeof(f32) * count);
    memcpy(cb + c.ground_face, grid->ground_face, sizeof(u16) * count);
    memcpy(cb + c.rect_of_cell, grid->rect_of_cell, sizeof(u16) * count);
    memcpy(cb + c.walkable, grid->walkable, count);
    return cb;
}

} // namespace

// A key for finding a kept grid, not its identity (the whole record is compared after): the
// record's head (its wall polygon and counts) and one word in every 256 bytes after it, with
// the radius and step. Records of one place differ in their fixtures, which the samples reach;
// where they do not, the comparison still tells them apart.
u64 sv_nav_kept_key(const sv_geom* geom, f32 radius, f32 step)
{
    const u8* p = (const u8*)geom;
    const u64 HEAD = 128, STRIDE = 256;
    static_assert(sizeof(sv_geom) >= HEAD + 8, "the head is inside the record");
    u64 lane[2] = {0x9e3779b97f4a7c15ull, 0xc2b2ae3d27d4eb4full};
    for (u64 i = 0; i < HEAD; i += 16)
        for (u32 k = 0; k < 2; ++k) {
            u64 w;
            memcpy(&w, p + i + 8 * k, 8);
            lane[k] = (lane[k] ^ w) * 0x100000001b3ull;
        }
    u64 tail = 0x165667b19e3779f9ull;
    for (u64 i = HEAD; i + 8 <= sizeof *geom; i += STRIDE) {
        u64 w;
        memcpy(&w, p + i, 8);
        tail = (tail ^ w) * 0x100000001b3ull;
    }
    u64 w;
    memcpy(&w, p + sizeof *geom - 8, 8);
    tail = (tail ^ w) * 0x100000001b3ull;
    u32 rb, sb;
    memcpy(&rb, &radius, 4);
    memcpy(&sb, &step, 4);
    u64 h = lane[0] ^ (lane[1] << 1) ^ (tail << 2) ^ ((u64)rb << 32 | sb);
    h ^= h >> 29;
    h *= 0xbf58476d1ce4e5b9ull;
    h ^= h >> 32;
    return h | 1u; // never 0, the mark of an unused entry
}

nav_kept_grid* sv_nav_kept_find(u64 key, const sv_geom* geom, f32 radius, f32 step)
{
    for (u32 i = 0; i < SV_NAV_KEPT; ++i)
        if (entry_matches(&g_kept.entries[i], key, geom, radius, step))
            return &g_kept.entries[i];
    return nullptr;
}

const sv_geom* sv_nav_kept_restore(nav_kept_grid* e, sv_nav_grid* grid)
{
    e->used_at = ++g_kept.clock;
    kept_layout l = layout_for(e->rect_count, e->link_count);
    u8* b = e->bytes;
    grid->origin_x = e->origin_x;
    grid->origin_z = e->origin_z;
    grid->cell = e->cell;
    grid->width = e->width;
    grid->height = e->height;
    grid->rect_count = e->rect_count;
    grid->link_count = e->link_count;
    grid->links = (sv_nav_link*)(b + l.links);
    grid->rects = (sv_nav_rect*)(b + l.rects);
    grid->incoming_start = (u32*)(b + l.incoming_start);
    grid->incoming = (u16*)(b + l.incoming);
    nav_attach_cells(grid, e->cells, (u32)e->width * e->height);
    return (const sv_geom*)(b + l.record);
}

nav_kept_grid* sv_nav_kept_add(u64 key, const sv_geom* geom, sv_nav_grid* grid,
                               nav_cell_buffer* cells)
{
    kept_layout l = layout_for(grid->rect_count, grid->link_count);
    u64 size = l.size + nav_cells_for((u32)grid->width * grid->height).size;
    if (size > SV_NAV_KEPT_BYTES)
        return nullptr;
    nav_kept_grid* e = make_room(size, grid);
    if (!e)
        return nullptr;
    u8* b = (u8*)malloc(l.size);
    if (!b)
        return nullptr;
    u8* cb = take_cells(grid, cells);
    if (!cb) {
        free(b);
        return nullptr;
    }
    memcpy(b + l.links, grid->links, sizeof(sv_nav_link) * grid->link_count);
    memcpy(b + l.rects, grid->rects, sizeof(sv_nav_rect) * grid->rect_count);
    memcpy(b + l.incoming_start, grid->incoming_start, sizeof(u32) * (grid->rect_count + 1));
    memcpy(b + l.record, geom, sizeof *geom);
    memcpy(b + l.incoming, grid->incoming, sizeof(u16) * grid->link_count);
    e->key = key;
    e->used_at = ++g_kept.clock;
    e->radius = grid->radius;
    e->step = grid->step;
    e->origin_x = grid->origin_x;
    e->origin_z = grid->origin_z;
    e->cell = grid->cell;
    e->width = grid->width;
    e->height = grid->height;
    e->rect_count = grid->rect_count;
    e->link_count = grid->link_count;
    e->bytes = b;
    e->cells = cb;
    e->size = size;
    g_kept.bytes += size;
    return e;
}

void sv_nav_kept_clear(void)
{
    for (u32 i = 0; i < SV_NAV_KEPT; ++i)
        if (g_kept.entries[i].key)
            drop(&g_kept.entries[i]);
}

u64 sv_nav_kept_bytes(void)
{
    return g_kept.bytes;
}

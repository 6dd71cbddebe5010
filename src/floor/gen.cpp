// Topology: a tree of rooms grown level by level from the spawn room to a drawn size and
// depth profile. Everything is drawn from the topology stream (sizes, degrees, the remainder)
// and the placement stream (gate count and every placement), so one (seed, floor, tunables)
// always gives the same floor.
#include "floor/gen.h"

#include <cmath>
#include <cstring>

#include "core/fmath.h"
#include "core/tune.h"
#include "floor/gen_place.h"
#include "floor/scratch.h"

namespace {

// At most this many levels are held; the height is capped to it.
constexpr u32 MAX_LEVELS = 255;

u16 tree_height(u16 n)
{
    f64 h = std::trunc(std::sqrt((f64)n) * sv_tune(SV_TUNE_DEPTH_HEIGHT_K) + 0.5);
    u32 height = h > MAX_LEVELS ? MAX_LEVELS : (u32)h;
    if (height == 0)
        height = 1;
    if (height >= n)
        height = n - 1u;
    return (u16)height;
}

// The number of rooms wanted, spawn included: a lognormal around the target size.
u16 draw_size(sv_rng* t, u16 floor_number, u16 capacity)
{
    f64 target = sv_floor_target_size(floor_number);
    f64 spread = sv_tune(SV_TUNE_FLOOR_SIZE_SPREAD);
    f64 x = target;
    if (spread > 0) {
        f64 sigma2 = sv_log(1 + spread * spread);
        f64 z = sv_rng_normal(t);
        x = sv_exp(std::sqrt(sigma2) * z + sv_log(target) - sigma2 / 2);
    }
    f64 lo = sv_floor_min_size(floor_number);
    f64 hi = sv_tune(SV_TUNE_FLOOR_SIZE_MAX);
    f64 top = lo > hi ? lo : hi;
    f64 wanted = lo > x ? lo : x;
    if (!(wanted < top)) // also catches a draw that is not a number
        wanted = top;
    f64 rounded = std::trunc(wanted + 0.5);
    u32 n = rounded >= SV_FLOOR_CAPACITY_MAX ? (u32)SV_FLOOR_CAPACITY_MAX : (u32)rounded;
    if (n == 0)
        n = 1;
    if (n > capacity)
        n = capacity;
    return (u16)n;
}

// Rooms per level 1..h: a Gaussian bump over the levels, rounded by largest remainders.
void level_quotas(u16 n, u16 h, u32* quota)
{
    f64 w[MAX_LEVELS + 1];
    f64 frac[MAX_LEVELS + 1];
    f64 peak = sv_tune(SV_TUNE_DEPTH_PEAK) * h;
    f64 width = sv_tune(SV_TUNE_DEPTH_SPREAD) * h;
    if (width < 0.25)
        width = 0.25;
    f64 total = 0;
    for (u32 d = 1; d <= h; ++d) {
        f64 u = ((f64)d - peak) / width;
        w[d] = sv_exp(-0.5 * u * u);
        total += w[d];
    }
    for (u32 d = 0; d <= h; ++d)
        quota[d] = 0;
    if (!(total > 0))
        return;
    u32 rest = n - 1u;
    u64 sum = 0;
    for (u32 d = 1; d <= h; ++d) {
        f64 share = w[d] / total * rest;
        f64 whole = std::trunc(share);
        quota[d] = (u32)whole;
        frac[d] = share - whole;
        sum += quota[d];
    }
    while (sum < rest) {
        u32 best = 0;
        f64 best_frac = -1;
        for (u32 d = 1; d <= h; ++d) {
            if (frac[d] > best_frac) {
                best_frac = frac[d];
                best = d;
            }
        }
        if (best == 0)
            break;
        quota[best] += 1;
        frac[best] = -1;
        sum += 1;
    }
}

u8 doors_of(const sv_floor* f, u16 room)
{
    return f->rooms[room].door_count;
}

// Grows levels 1..h under the spawn room; returns 0 when the room table ran full.
int grow_levels(sv_floor* f, sv_rng* t, u16 h, const u32* quota, u32 dmax)
{
    u16 n = f->capacity;
    sv_floor_scratch s(f);
    u16* parents = s.take<u16>(n);
    u16* children = s.take<u16>(n);
    u32* want = s.take<u32>(n);
    u32 np = 1;
    parents[0] = 0;
    for (u32 d = 1; d <= h && np > 0; ++d) {
        u64 free_slots = 0;
        for (u32 i = 0; i < np; ++i)
            free_slots += dmax - doors_of(f, parents[i]);
        u64 total = free_slots < quota[d] ? free_slots : quota[d];
        f64 avg = (f64)total / (f64)np;

        u64 sum = 0;
        for (u32 i = 0; i < np; ++i) {
            u32 doors = doors_of(f, parents[i]);
            i32 k = sv_gen_draw_degree(t, doors + avg, (u8)dmax) - (i32)doors;
            u32 room_left = dmax - doors;
            want[i] = k < 0 ? 0 : ((u32)k < room_left ? (u32)k : room_left);
            sum += want[i];
        }
        // Nudge the wants toward the quota, starting at a drawn parent each pass.
        while (sum != total) {
            u32 start = sv_rng_below(t, np);
            int changed = 0;
            for (u32 j = 0; j < np && sum != total; ++j) {
                u32 i = (start + j) % np;
                u32 room_left = dmax - doors_of(f, parents[i]);
                if (sum < total && want[i] < room_left) {
                    want[i] += 1;
                    sum += 1;
                    changed = 1;
                } else if (sum > total && want[i] > 0) {
                    want[i] -= 1;
                    sum -= 1;
                    changed = 1;
                }
            }
            if (!changed)
                break;
        }

        u32 nc = 0;
        for (u32 i = 0; i < np; ++i) {
            for (u32 c = 0; c < want[i]; ++c) {
                i32 r = sv_floor_add_room(f, 0);
                if (r < 0)
                    return 0;
                sv_floor_link(f, parents[i], (u16)r, SV_DOOR_NORMAL);
                f->rooms[r].depth = (u16)d;
                children[nc++] = (u16)r;
            }
        }
        u16* swap = parents;
        parents = children;
        children = swap;
        np = nc;
    }
    return 1;
}

// Makes up the room count by hanging rooms on drawn rooms that still have a free slot. The
// candidates stay in ascending room order as they change: a parent that fills up leaves, the
// new room (the highest number) joins at the end.
void grow_remainder(sv_floor* f, sv_rng* t, u16 n, u32 dmax, sv_gen_stats* st)
{
    sv_floor_scratch s(f);
    u16* cands = s.take<u16>(f->capacity);
    u32 count = 0;
    for (u16 r = 0; r < f->room_count; ++r)
        if (doors_of(f, r) < dmax)
            cands[count++] = r;
    while (f->room_count < n) {
        if (count == 0)
            return;
        u32 i = sv_rng_below(t, count);
        u16 p = cands[i];
        i32 r = sv_floor_add_room(f, 0);
        if (r < 0) {
            st->censored = 1;
            return;
        }
        sv_floor_link(f, p, (u16)r, SV_DOOR_NORMAL);
        st->remainder += 1;
        u16 pd = f->rooms[p].depth;
        f->rooms[r].depth = pd >= 65534 ? SV_NONE16 : (u16)(pd + 1);
        if (doors_of(f, p) >= dmax) {
            std::memmove(cands + i, cands + i + 1, (count - i - 1) * sizeof *cands);
            count -= 1;
        }
        if (doors_of(f, (u16)r) < dmax)
            cands[count++] = (u16)r;
    }
}

u16 deepest(const sv_floor* f)
{
    u16 d = 0;
    for (u16 r = 0; r < f->room_count; ++r)
        if (f->rooms[r].depth != SV_NONE16 && f->rooms[r].depth > d)
            d = f->rooms[r].depth;
    return d;
}

} // namespace

i32 sv_gen_draw_degree(sv_rng* rng, f64 mean, u8 max)
{
    if (max < 2 || !(mean > 1))
        return 1;
    f64 m = mean < max ? mean : (f64)max;
    f64 lin = sv_tune(SV_TUNE_FLOOR_LINEARITY);
    f64 p = (m - 1) / (f64)(max - 1);
    if (lin < 0.5) {
        // All or nothing: a hub or a leaf.
        if (sv_rng_chance(rng, 1 - 2 * lin))
            return sv_rng_chance(rng, p) ? max : 1;
    } else {
        // Hug the mean: its floor or the next count up.
        if (sv_rng_chance(rng, 2 * (lin - 0.5))) {
            f64 f = std::floor(m);
            return (i32)f + (sv_rng_chance(rng, m - f) ? 1 : 0);
        }
    }
    i32 doors = 1;
    for (u32 i = 0; i + 1 < max; ++i)
        doors += sv_rng_chance(rng, p);
    return doors;
}

sv_gen_stats sv_gen_grow(sv_floor* floor)
{
    return sv_gen_grow_gated(floor, SV_GEN_DRAW_GATES);
}

sv_gen_stats sv_gen_grow_gated(sv_floor* floor, u16 gates)
{
    sv_gen_stats st = {};
    if (!floor || !floor->rooms)
        return st;
    sv_rng t, p;
    sv_rng_open(&t, floor->seed, floor->floor_number, SV_STREAM_TOPOLOGY);
    sv_rng_open(&p, floor->seed, floor->floor_number, SV_STREAM_PLACEMENT);

    u16 g = gates;
    if (gates == SV_GEN_DRAW_GATES) {
        g = 0;
        if (floor->floor_number > 1 && sv_rng_chance(&p, sv_tune(SV_TUNE_SCION_GATE_CHANCE))) {
            g = 1;
            f64 more = sv_tune(SV_TUNE_SCION_GATE_COUNT) - 1;
            while (g < 6 && sv_rng_chance(&p, more))
                g += 1;
        }
    }

    u32 dmax = (u32)sv_floor_max_degree();
    u32 hub = sv_tune_u32(SV_TUNE_FLOOR_HUB_DEGREE);
    sv_ledger_init(&st.ledger, floor->floor_number, g);

    u16 n = draw_size(&t, floor->floor_number, floor->capacity);
    u16 h = tree_height(n);
    u32 quota[MAX_LEVELS + 1];
    level_quotas(n, h, quota);

    i32 spawn = sv_floor_add_room(floor, SV_TAG_SPAWN);
    if (spawn < 0) {
        st.censored = 1;
        return st;
    }
    floor->rooms[spawn].depth = 0;

    if (!grow_levels(floor, &t, h, quota, dmax))
        st.censored = 1;
    grow_remainder(floor, &t, n, dmax, &st);

    sv_floor_compute_depths(floor, 0);
    sv_gen_place(floor, &p, deepest(floor), g, &st);

    st.rooms = floor->room_count;
    st.max_depth = deepest(floor);
    for (u16 r = 0; r < floor->room_count; ++r) {
        u8 doors = floor->rooms[r].door_count;
        if (doors >= hub)
            st.hubs += 1;
        if (doors == 1)
            st.leaves += 1;
    }
    return st;
}

u32 sv_gen_walk(sv_floor* floor, u16 start, u32 order, u16* out, u16 out_cap)
{
    if (!floor || start >= floor->room_count)
        return 0;
    sv_floor_scratch s(floor);
    u16* pending = s.take<u16>(floor->room_count);
    u8* seen = s.take<u8>(floor->room_count);
    u32 head = 0, tail = 0, taken = 0;
    seen[start] = 1;
    pending[tail++] = start;
    while (head < tail) {
        u16 room;
        if (order == SV_WALK_DFS)
            room = pending[--tail];
        else
            room = pending[head++];
        sv_floor_visit(floor, room);
        if (out && taken < out_cap)
            out[taken] = room;
        taken += 1;
        const sv_room* r = &floor->rooms[room];
        for (u8 d = 0; d < r->door_count; ++d) {
            i32 next = sv_floor_traverse(floor, room, d);
            if (next < 0 || next >= floor->room_count || seen[next])
                continue;
            seen[next] = 1;
            pending[tail++] = (u16)next;
        }
    }
    return taken;
}

const char* sv_walk_order_name(i32 order)
{
    switch (order) {
    case 0: return "bfs";
    case 1: return "dfs";
    default: return "?";
    }
}

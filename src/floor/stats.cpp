// The statistics accumulator and its printout. Adding a floor reads its rooms and its
// generation report; the fountain measures mirror how the generator places the band fountain.
#include "floor/stats.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/tune.h"
#include "floor/scratch.h"

namespace {

constexpr u8 NOT_ELIGIBLE = SV_TAG_SPAWN | SV_TAG_MONUMENT | SV_TAG_SCION | SV_TAG_AXIOM; // 45
constexpr u32 BAR_WIDTH = 44;

void bar(sv_writer w, const char* label, u64 count, u64 max, u64 total)
{
    u32 len = max ? (u32)std::trunc((f64)count / (f64)max * BAR_WIDTH + 0.5) : 0;
    f64 percent = total ? (f64)count * 100.0 / (f64)total : 0.0;
    sv_writef(w, "  %6s %7llu %5.1f%%  ", label, (unsigned long long)count, percent);
    char hashes[BAR_WIDTH + 1];
    u32 i = 0;
    for (; i < len && i < BAR_WIDTH; ++i)
        hashes[i] = '#';
    hashes[i] = 0;
    sv_writef(w, "%s\n", hashes);
}

f64 stddev(f64 sum, f64 squares, f64 n)
{
    if (!(n > 0))
        return 0;
    f64 mean = sum / n;
    f64 var = squares / n - mean * mean;
    return var > 0 ? std::sqrt(var) : 0;
}

void add_fountain_reach(sv_stats* st, const sv_floor* f)
{
    i32 axiom = sv_floor_find(f, SV_TAG_AXIOM);
    if (axiom < 0)
        return;
    st->axiom_floors += 1;
    u16 n = f->room_count;
    sv_floor_scratch s(f);
    u16* dist = s.take<u16>(n);
    sv_floor_distances(f, (u16)axiom, dist);
    u32 lo, hi;
    sv_gen_fountain_band(&lo, &hi);
    int band_room = 0, band_leaf = 0;
    u32 nearest_leaf = SV_NONE16, nearest_fountain = SV_NONE16;
    for (u16 r = 0; r < n; ++r) {
        const sv_room* room = &f->rooms[r];
        u32 d = dist[r];
        if ((room->tags & SV_TAG_FOUNTAIN) && d < nearest_fountain)
            nearest_fountain = d;
        if (d == 0 || d == SV_NONE16 || (room->tags & NOT_ELIGIBLE))
            continue;
        int leaf = room->door_count == 1;
        if (d >= lo && d <= hi) {
            band_room = 1;
            if (leaf)
                band_leaf = 1;
        }
        if (leaf && d < nearest_leaf)
            nearest_leaf = d;
    }
    st->band_room += band_room;
    st->band_leaf += band_leaf;
    if (nearest_fountain != SV_NONE16 && (nearest_fountain < lo || nearest_fountain > hi))
        st->fountain_outside += 1;
    if (nearest_leaf == SV_NONE16)
        st->no_eligible_leaf += 1;
    else if (nearest_leaf < SV_STATS_REACH)
        st->reach_hist[nearest_leaf] += 1;
}

} // namespace

void sv_stats_init(sv_stats* stats)
{
    if (!stats)
        return;
    std::memset(stats, 0, sizeof *stats);
    stats->size_min = 0xffffffffu;
    stats->depth_min = 0xffffffffu;
}

void sv_stats_add(sv_stats* st, const sv_floor* f, const sv_gen_stats* report)
{
    if (!st || !f || !report)
        return;
    if (st->floors == 0)
        st->floor_number = f->floor_number;
    else if (f->floor_number != st->floor_number)
        st->mixed = 1;
    st->floors += 1;

    u32 s = report->rooms;
    st->size_sum += s;
    st->size_square_sum += (f64)s * s;
    if (s < st->size_min)
        st->size_min = s;
    if (s > st->size_max)
        st->size_max = s;
    st->size_hist[s] += 1;

    u32 d = report->max_depth;
    st->depth_sum += d;
    st->depth_square_sum += (f64)d * d;
    if (d < st->depth_min)
        st->depth_min = d;
    if (d > st->depth_max)
        st->depth_max = d;
    st->depth_hist[d] += 1;
    if (s > 0)
        st->height_sum += d / std::sqrt((f64)s);

    for (u16 r = 0; r < f->room_count; ++r) {
        const sv_room* room = &f->rooms[r];
        if (room->door_count <= 6)
            st->degree_hist[room->door_count] += 1;
        st->rooms += 1;
        if (room->tags & SV_TAG_FOUNTAIN) {
            st->fountains += 1;
            if (room->door_count == 1)
                st->fountain_leaves += 1;
        }
    }
    st->leaves_sum += report->leaves;
    st->hubs_sum += report->hubs;
    add_fountain_reach(st, f);
}

u64 sv_stats_size_percentile(const sv_stats* st, f64 p)
{
    if (!st || st->floors == 0)
        return 0;
    // Nearest rank: the smallest size that covers ceil(p x floors) floors, never fewer than
    // one, so a small sample never reads a size that no floor had. The slack keeps an exact
    // product such as 0.05 x 100 from rounding up a rank.
    f64 rank = std::ceil(p * (f64)st->floors - 1e-9);
    u64 want = !(rank >= 1) ? 1 : rank > (f64)st->floors ? st->floors : (u64)rank;
    u64 cum = 0;
    for (u32 s = 0; s < SV_STATS_SIZES; ++s) {
        cum += st->size_hist[s];
        if (cum >= want)
            return s;
    }
    return st->size_max;
}

void sv_stats_print(const sv_stats* st, sv_writer w)
{
    if (!w.fn)
        return;
    if (!st || st->floors == 0) {
        sv_writef(w, "  no floors accumulated\n");
        return;
    }
    f64 floors = (f64)st->floors;
    char label[32];

    // Floor size.
    f64 mean = st->size_sum / floors;
    f64 sd = stddev(st->size_sum, st->size_square_sum, floors);
    sv_writef(w, "\nFLOOR SIZE over %llu floors\n", (unsigned long long)st->floors);
    sv_writef(w, "  mean %.2f   sd %.2f   cv %.3f   min %u   max %u\n", mean, sd,
              mean > 0 ? sd / mean : 0.0, st->size_min, st->size_max);
    sv_writef(w, "  p5 %u   p50 %u   p95 %u", (u32)sv_stats_size_percentile(st, 0.05),
              (u32)sv_stats_size_percentile(st, 0.5), (u32)sv_stats_size_percentile(st, 0.95));
    if (st->mixed) {
        sv_writef(w, "   (mixed depths -- no single target applies)\n");
    } else {
        f64 target = sv_floor_target_size(st->floor_number);
        sv_writef(w, "   target %.1f at depth %u   realised %.4f\n", target, st->floor_number,
                  target > 0 ? mean / target : 0.0);
    }
    // Rows in buckets of four sizes; size 0 is left out.
    constexpr u32 BUCKETS = (SV_STATS_SIZES + 3) / 4;
    auto bucket = [st](u32 b) {
        u64 n = 0;
        for (u32 s = 4 * b; s < 4 * b + 4 && s < SV_STATS_SIZES; ++s)
            if (s > 0)
                n += st->size_hist[s];
        return n;
    };
    u64 largest = 0;
    for (u32 b = 0; b < BUCKETS; ++b) {
        u64 n = bucket(b);
        if (n > largest)
            largest = n;
    }
    for (u32 b = 0; b < BUCKETS; ++b) {
        u64 n = bucket(b);
        if (!n)
            continue;
        snprintf(label, sizeof label, "%u-%u", 4 * b, 4 * b + 3);
        bar(w, label, n, largest, st->floors);
    }

    // Depth.
    sv_writef(w, "\nDEPTH (deepest room, edges from spawn)\n");
    sv_writef(w, "  mean %.2f   sd %.2f   min %u   max %u\n", st->depth_sum / floors,
              stddev(st->depth_sum, st->depth_square_sum, floors), st->depth_min, st->depth_max);
    sv_writef(w, "  height_k %.4f   (depth.height_k is %.2f)\n", st->height_sum / floors,
              sv_tune(SV_TUNE_DEPTH_HEIGHT_K));
    largest = 0;
    for (u32 d = 0; d < SV_STATS_DEPTHS; ++d)
        if (st->depth_hist[d] > largest)
            largest = st->depth_hist[d];
    for (u32 d = 0; d < SV_STATS_DEPTHS; ++d) {
        if (!st->depth_hist[d])
            continue;
        snprintf(label, sizeof label, "%u", d);
        bar(w, label, st->depth_hist[d], largest, st->floors);
    }

    // Degree.
    sv_writef(w, "\nDEGREE over %llu rooms\n", (unsigned long long)st->rooms);
    f64 door_sum = 0;
    largest = 0;
    for (u32 k = 0; k <= 6; ++k) {
        door_sum += (f64)k * (f64)st->degree_hist[k];
        if (st->degree_hist[k] > largest)
            largest = st->degree_hist[k];
    }
    sv_writef(w, "  mean %.4f   (2 - 1/N on a tree plus its exit door: %.4f)\n",
              st->rooms ? door_sum / (f64)st->rooms : 0.0, mean > 0 ? 2 - 1 / mean : 0.0);
    for (u32 k = 0; k <= 6; ++k) {
        if (!st->degree_hist[k])
            continue;
        snprintf(label, sizeof label, "%u", k);
        bar(w, label, st->degree_hist[k], largest, st->rooms);
    }

    // Fountain reach.
    if (st->axiom_floors > 0) {
        u32 lo, hi;
        sv_gen_fountain_band(&lo, &hi);
        f64 a = (f64)st->axiom_floors;
        u64 reach_total = 0, inside = 0;
        f64 reach_sum = 0;
        largest = 0;
        for (u32 d = 0; d < SV_STATS_REACH; ++d) {
            u64 c = st->reach_hist[d];
            reach_total += c;
            reach_sum += (f64)d * (f64)c;
            if (d >= lo && d <= hi)
                inside += c;
            if (c > largest)
                largest = c;
        }
        sv_writef(w, "\nFOUNTAIN REACH -- nearest eligible leaf to the Axiom\n");
        sv_writef(w, "  %.2f fountains/floor, %.1f%% on leaves\n", (f64)st->fountains / floors,
                  st->fountains ? (f64)st->fountain_leaves * 100.0 / (f64)st->fountains : 0.0);
        sv_writef(w,
                  "  mean %.2f   nearest leaf inside the %u-%u band %.1f%%   no eligible leaf "
                  "anywhere %llu\n",
                  reach_total ? reach_sum / (f64)reach_total : 0.0, lo, hi,
                  reach_total ? (f64)inside * 100.0 / (f64)reach_total : 0.0,
                  (unsigned long long)st->no_eligible_leaf);
        f64 leaf_pct = (f64)st->band_leaf * 100.0 / a;
        f64 room_pct = (f64)st->band_room * 100.0 / a;
        sv_writef(w,
                  "  band holds a leaf %.1f%%   only a non-leaf %.1f%%   nothing (widens) %.2f%%\n",
                  leaf_pct, room_pct - leaf_pct, 100.0 - room_pct);
        sv_writef(w,
                  "  nearest PLACED fountain outside the band %.1f%%   <- what "
                  "gen.fountain_band_widened counts\n",
                  (f64)st->fountain_outside * 100.0 / a);
        for (u32 d = 0; d < SV_STATS_REACH; ++d) {
            if (!st->reach_hist[d])
                continue;
            snprintf(label, sizeof label, "%s%u", d >= lo && d <= hi ? "*" : "", d);
            bar(w, label, st->reach_hist[d], largest, reach_total);
        }
        sv_writef(w, "  (* marks distances inside the band)\n");
    }

    sv_writef(w, "\n  leaves %.1f%%   hubs %.2f%%   (hub_degree %.0f)\n",
              st->rooms ? (f64)st->leaves_sum * 100.0 / (f64)st->rooms : 0.0,
              st->rooms ? (f64)st->hubs_sum * 100.0 / (f64)st->rooms : 0.0,
              sv_tune(SV_TUNE_FLOOR_HUB_DEGREE));
}

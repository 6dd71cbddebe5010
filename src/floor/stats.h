// Distributions over many generated floors, for tuning the generator.
#pragma once
#include "core/types.h"
#include "core/writer.h"
#include "floor/floor.h"
#include "floor/gen.h"

// Every room count and depth a floor can have gets its own bucket, so percentiles and rows are
// exact at any size.
#define SV_STATS_SIZES  (SV_FLOOR_CAPACITY_MAX + 1)
#define SV_STATS_DEPTHS (SV_FLOOR_CAPACITY_MAX + 1)
#define SV_STATS_REACH  64

struct sv_stats {
    u64 floors;
    u16 floor_number; // of the first floor added
    u8 mixed;         // 1 once floors of two different numbers were added
    f64 size_sum, size_square_sum;
    u32 size_min, size_max;
    u32 size_hist[SV_STATS_SIZES];
    f64 depth_sum, depth_square_sum;
    u32 depth_min, depth_max;
    u32 depth_hist[SV_STATS_DEPTHS];
    u64 degree_hist[7];
    u64 rooms;
    f64 height_sum; // depth / sqrt(size), summed
    u64 leaves_sum, hubs_sum;
    u64 fountains, fountain_leaves;
    u32 reach_hist[SV_STATS_REACH]; // floors by the nearest eligible leaf's distance to the Axiom
    u64 no_eligible_leaf;
    u64 axiom_floors;
    u64 band_leaf;
    u64 band_room;
    u64 fountain_outside;
};

// Clears stats for a first floor; nothing for null.
void sv_stats_init(sv_stats* stats);
// Adds a floor and its generation report to the sums and histograms; nothing for a null argument.
void sv_stats_add(sv_stats* stats, const sv_floor* floor, const sv_gen_stats* report);
// The nearest-rank room count at fraction p (0..1) of the floors added; 0 before any.
u64 sv_stats_size_percentile(const sv_stats* stats, f64 p);
// Writes the distributions, or "  no floors accumulated" when empty; changes nothing.
void sv_stats_print(const sv_stats* stats, sv_writer w);

// Loot curves: the tier of a drop, its rarity band, and weighted picks of content definitions.
#pragma once
#include "core/content.h"
#include "core/rng.h"
#include "core/types.h"

// A tier in [0, 1]: rises with mean_n, jittered, with a tail chance (growing with tail_n)
// of a lift towards 1. Draws: one for the jitter when loot.tier_jitter > 0, one for the tail
// test, and one more when the tail is taken.
f64 sv_loot_tier(sv_rng* rng, u32 mean_n, u16 tail_n);
// The rarity band a tier falls in.
sv_rarity sv_loot_band(f64 tier);

// Weighted picks among the loaded definitions of one rarity (mobs: those allowed on the floor).
// Null, with no draw, when nothing qualifies or no weight is positive; else one draw.
const sv_inclusion_def* sv_loot_inclusion(sv_rng* rng, i32 rarity);
const sv_element_def* sv_loot_element(sv_rng* rng, i32 rarity);
const sv_transform_def* sv_loot_transform(sv_rng* rng, i32 rarity);
const sv_mob_def* sv_loot_mob(sv_rng* rng, u16 floor);

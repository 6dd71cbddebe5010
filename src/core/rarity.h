// Rarity names and the sell multiplier of each rarity.
#pragma once
#include "core/content.h" // sv_rarity lives with the content records that carry it
#include "core/types.h"

// "common", "uncommon", "rare"; "?" for any other value.
const char* sv_rarity_name(i32 rarity);
// sell.mult_common, sell.mult_uncommon or sell.mult_rare; 0 for any other rarity.
f64 sv_rarity_multiplier(i32 rarity);

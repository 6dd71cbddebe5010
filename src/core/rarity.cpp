#include "core/rarity.h"

#include "core/tune.h"

const char* sv_rarity_name(i32 rarity)
{
    if (rarity < 0 || rarity > (i32)SV_RARITY_RARE)
        return "?";
    return k_rarity_names[rarity];
}

f64 sv_rarity_multiplier(i32 rarity)
{
    switch (rarity) {
    case SV_RARITY_COMMON: return sv_tune(SV_TUNE_SELL_MULT_COMMON);
    case SV_RARITY_UNCOMMON: return sv_tune(SV_TUNE_SELL_MULT_UNCOMMON);
    case SV_RARITY_RARE: return sv_tune(SV_TUNE_SELL_MULT_RARE);
    default: return 0.0;
    }
}

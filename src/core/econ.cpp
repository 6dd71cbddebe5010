#include "core/econ.h"

#include "core/growth.h"
#include "core/rarity.h"
#include "core/tune.h"

static const char* const k_sell_kind_names[3] = {"inclusion", "element", "transform"};

// Every curve is a (kind, rate) pair of tunables over a base value.
static f64 grow(u32 kind_tune, f64 base, u32 rate_tune, u32 n)
{
    return sv_growth_eval((u32)sv_tune_i32(kind_tune), base, sv_tune(rate_tune), n);
}

const char* sv_sell_kind_name(i32 kind)
{
    if (kind < 0 || kind > (i32)SV_SELL_TRANSFORM)
        return "?";
    return k_sell_kind_names[kind];
}

f64 sv_sell_value_at(i32 kind, i32 rarity, u16 floor)
{
    f64 base;
    switch (kind) {
    case SV_SELL_INCLUSION: base = sv_tune(SV_TUNE_INCLUSION_SELL_BASE); break;
    case SV_SELL_ELEMENT: base = sv_tune(SV_TUNE_ELEMENT_SELL_BASE); break;
    case SV_SELL_TRANSFORM: base = sv_tune(SV_TUNE_TRANSFORM_SELL_BASE); break;
    default: return 0.0;
    }
    return grow(SV_TUNE_SELL_GROWTH, base, SV_TUNE_SELL_GROWTH_RATE, floor)
        * sv_rarity_multiplier(rarity);
}

f64 sv_sell_value(u32 kind, u32 rarity)
{
    // Values past the i32 range name no kind or rarity; keep them out of range rather than wrap.
    i32 k = kind > (u32)SV_SELL_TRANSFORM ? -1 : (i32)kind;
    i32 r = rarity > (u32)SV_RARITY_RARE ? -1 : (i32)rarity;
    return sv_sell_value_at(k, r, 1);
}

f64 sv_econ_chord_cost(u16 floor, i32 step)
{
    // A step count below 1 buys nothing; a negative one must not wrap into a huge curve argument.
    if (step <= 0)
        return 0.0;
    f64 base = grow(SV_TUNE_CHORD_BASE_GROWTH, sv_tune(SV_TUNE_CHORD_BASE),
                    SV_TUNE_CHORD_BASE_GROWTH_RATE, floor);
    return base * grow(SV_TUNE_CHORD_STEP_GROWTH, 1.0, SV_TUNE_CHORD_STEP_GROWTH_RATE, (u32)step);
}

f64 sv_econ_chord_total(u16 floor, i32 n)
{
    // Summed step by step in order, so the rounding is the same everywhere.
    f64 total = 0.0;
    for (i64 s = 1; s <= (i64)n; s++)
        total += sv_econ_chord_cost(floor, (i32)s);
    return total;
}

f64 sv_econ_accumulator(u32 rooms, u32 charges, u8 monument)
{
    f64 gained = (f64)rooms * sv_tune(SV_TUNE_SAT_PER_ROOM)
        + (f64)charges * sv_tune(SV_TUNE_SAT_PER_CHARGE);
    if (monument)
        gained += sv_tune(SV_TUNE_SAT_PER_MONUMENT);
    return gained;
}

f64 sv_econ_saturation_multiplier(u16 floor)
{
    return grow(SV_TUNE_SAT_MULTIPLIER_GROWTH, 1.0, SV_TUNE_SAT_MULTIPLIER_GROWTH_RATE, floor);
}

f64 sv_econ_next_saturation(f64 current, f64 gained, f64 spent, u16 floor)
{
    f64 net = gained - spent;
    if (!(net > 0.0))
        net = 0.0; // NaN counts as nothing gained
    return current + net * sv_econ_saturation_multiplier(floor);
}

f64 sv_econ_warp_yield(u16 floor)
{
    return grow(SV_TUNE_WARP_GROWTH, sv_tune(SV_TUNE_WARP_BASE), SV_TUNE_WARP_GROWTH_RATE, floor);
}

f64 sv_econ_mob_density(u16 floor)
{
    f64 g = sv_growth_eval(
        (u32)sv_tune_i32(SV_TUNE_MOB_DENSITY_GROWTH), 0.0,
        sv_tune(SV_TUNE_MOB_DENSITY_C) * sv_tune(SV_TUNE_MOB_DENSITY_GROWTH_RATE), floor);
    return g > 0.0 ? g : 0.0;
}

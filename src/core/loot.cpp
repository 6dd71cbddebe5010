#include "core/loot.h"

#include <cmath>
#include <vector>

#include "core/fmath.h"
#include "core/tune.h"

f64 sv_loot_tier(sv_rng* rng, u32 mean_n, u16 tail_n)
{
    f64 t = (1.0 - sv_exp(-sv_tune(SV_TUNE_LOOT_MEAN_K) * (f64)mean_n))
        * sv_tune(SV_TUNE_LOOT_MEAN_MAX);
    f64 jitter = sv_tune(SV_TUNE_LOOT_TIER_JITTER);
    if (jitter > 0.0) {
        f64 u = sv_rng_f64(rng);
        t += (2.0 * u - 1.0) * jitter;
    }
    f64 v = sv_rng_f64(rng);
    if (1.0 - sv_exp(-sv_tune(SV_TUNE_LOOT_TAIL_K) * (f64)tail_n) > v) {
        f64 w = sv_rng_f64(rng);
        f64 room = 1.0 - t;
        t += (room > 0.0 ? room : 0.0) * w;
    }
    if (t < 0.0)
        t = 0.0;
    if (t > 1.0)
        t = 1.0;
    return t;
}

sv_rarity sv_loot_band(f64 tier)
{
    f64 uncommon = sv_tune(SV_TUNE_RARITY_BAND_UNCOMMON);
    f64 rare = sv_tune(SV_TUNE_RARITY_BAND_RARE);
    // A rare band set below the uncommon one starts where the uncommon band does.
    if (rare < uncommon)
        rare = uncommon;
    if (tier >= rare)
        return SV_RARITY_RARE;
    if (tier >= uncommon)
        return SV_RARITY_UNCOMMON;
    return SV_RARITY_COMMON;
}

// Collects the qualifying definitions in content order and draws one by weight.
template <typename Def, typename Keep>
static const Def* pick(sv_rng* rng, u64 (*count_fn)(void), const Def* (*at_fn)(u64), Keep keep)
{
    std::vector<const Def*> defs;
    std::vector<f64> weights;
    u64 count = count_fn();
    for (u64 i = 0; i < count; i++) {
        const Def* d = at_fn(i);
        if (!d || !keep(d))
            continue;
        defs.push_back(d);
        weights.push_back(d->weight);
    }
    if (defs.empty())
        return nullptr;
    // With no positive weight the pick answers "none" without drawing.
    u64 at = sv_rng_weighted(rng, weights.data(), weights.size());
    return at < defs.size() ? defs[at] : nullptr;
}

static bool same_rarity(u32 have, i32 want)
{
    return want >= 0 && have == (u32)want;
}

const sv_inclusion_def* sv_loot_inclusion(sv_rng* rng, i32 rarity)
{
    return pick(rng, sv_content_inclusion_count, sv_content_inclusion_at,
                [rarity](const sv_inclusion_def* d) { return same_rarity(d->rarity, rarity); });
}

const sv_element_def* sv_loot_element(sv_rng* rng, i32 rarity)
{
    return pick(rng, sv_content_element_count, sv_content_element_at,
                [rarity](const sv_element_def* d) { return same_rarity(d->rarity, rarity); });
}

const sv_transform_def* sv_loot_transform(sv_rng* rng, i32 rarity)
{
    return pick(rng, sv_content_transform_count, sv_content_transform_at,
                [rarity](const sv_transform_def* d) { return same_rarity(d->rarity, rarity); });
}

const sv_mob_def* sv_loot_mob(sv_rng* rng, u16 floor)
{
    return pick(rng, sv_content_mob_count, sv_content_mob_at, [floor](const sv_mob_def* d) {
        return d->depth_min <= (i32)floor && (d->depth_max == 0 || (i32)floor <= d->depth_max);
    });
}

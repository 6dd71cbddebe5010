#include "floor/character.h"

#include <cmath>

#include "core/fmath.h"
#include "core/rng.h"
#include "core/tune.h"

sv_character sv_character_roll(u64 seed, u16 floor)
{
    sv_character c = {1.0, 1.0, 1.0};
    f64 s = sv_tune(SV_TUNE_CHARACTER_SPREAD);
    if (!(s > 0.0))
        return c;
    // Lognormal with mean 1 and coefficient of variation s.
    sv_rng rng;
    sv_rng_open(&rng, seed, floor, SV_STREAM_CHARACTER);
    f64 sigma2 = sv_log(1.0 + s * s);
    f64 sigma = std::sqrt(sigma2);
    f64* out[3] = {&c.mob_density, &c.unused, &c.fountain_density};
    for (int i = 0; i < 3; ++i)
        *out[i] = sv_exp(sigma * sv_rng_normal(&rng) - sigma2 / 2.0);
    return c;
}

#include "core/rng.h"

#include <cmath>

#include "core/fmath.h"
#include "core/panic.h"

static inline u64 rotl(u64 x, int k)
{
    return (x << k) | (x >> (64 - k));
}

static inline u64 finalise(u64 z)
{
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

u64 sv_splitmix64(u64* state)
{
    *state += 0x9e3779b97f4a7c15ULL;
    return finalise(*state);
}

u64 sv_mix64(u64 x)
{
    return finalise(x + 0x9e3779b97f4a7c15ULL);
}

void sv_rng_seed(sv_rng* rng, u64 seed)
{
    u64 state = seed;
    for (int i = 0; i < 4; i++)
        rng->s[i] = sv_splitmix64(&state);
}

u64 sv_stream_seed(u64 seed, u16 floor, u32 stream)
{
    u64 a = sv_mix64(seed);
    u64 b = sv_mix64(a ^ (u64)floor);
    return sv_mix64(b ^ ((u64)stream << 32));
}

void sv_rng_open(sv_rng* rng, u64 seed, u16 floor, u32 stream)
{
    sv_rng_seed(rng, sv_stream_seed(seed, floor, stream));
}

u64 sv_rng_next(sv_rng* rng)
{
    u64* s = rng->s;
    u64 out = rotl(s[0] + s[3], 23) + s[0];
    u64 t = s[1] << 17;
    s[2] ^= s[0];
    s[3] ^= s[1];
    s[1] ^= s[2];
    s[0] ^= s[3];
    s[2] ^= t;
    s[3] = rotl(s[3], 45);
    return out;
}

f64 sv_rng_f64(sv_rng* rng)
{
    return (f64)(sv_rng_next(rng) >> 11) * 0x1.0p-53;
}

f32 sv_rng_f32(sv_rng* rng)
{
    return (f32)(sv_rng_next(rng) >> 40) * 0x1.0p-24f;
}

int sv_rng_chance(sv_rng* rng, f64 p)
{
    // Certain outcomes take no step, so a probability of 0 or 1 leaves the stream untouched.
    if (p <= 0.0)
        return 0;
    if (p >= 1.0)
        return 1;
    return sv_rng_f64(rng) < p ? 1 : 0;
}

u32 sv_rng_below(sv_rng* rng, u32 n)
{
    if (n == 0)
        sv_panic("rng: sv_rng_below(0) -- choosing from an empty set");
    if (n == 1)
        return 0;
    u64 x = sv_rng_next(rng) >> 32;
    u64 m = x * (u64)n;
    u32 l = (u32)m;
    if (l < n) {
        u32 t = (u32)(-n) % n;
        while (l < t) {
            x = sv_rng_next(rng) >> 32;
            m = x * (u64)n;
            l = (u32)m;
        }
    }
    return (u32)(m >> 32);
}

i32 sv_rng_range(sv_rng* rng, i32 lo, i32 hi)
{
    if (lo > hi)
        sv_panic("rng: sv_rng_range(%d, %d) -- lo exceeds hi", lo, hi);
    u64 span = (u64)((i64)hi - (i64)lo + 1);
    if (span > 4294967295ULL)
        sv_panic("rng: sv_rng_range(%d, %d) spans %llu values, max is 2^32", lo, hi,
                 (unsigned long long)span);
    return (i32)((i64)lo + (i64)sv_rng_below(rng, (u32)span));
}

// Only finite positive weights count; zero, negative, NaN and infinite ones are skipped.
static int usable_weight(f64 w)
{
    return std::isfinite(w) && w > 0.0;
}

u64 sv_rng_weighted(sv_rng* rng, const f64* weights, u64 count)
{
    if (count == 0)
        sv_panic("rng: sv_rng_weighted over an empty table");
    f64 total = 0.0;
    for (u64 i = 0; i < count; i++)
        if (usable_weight(weights[i]))
            total += weights[i];
    if (!(total > 0.0))
        return count;
    // Finite weights can still sum past the largest double; then every weight is scaled down by
    // one power of two, which keeps their ratios, so the walk stays fair. Ordinary sums take the
    // unscaled path and draw exactly as before.
    f64 scale = 1.0;
    if (std::isinf(total)) {
        i32 bits = 0; // the base-2 logarithm of count rounded up, in integers
        while (bits < 64 && ((u64)1 << bits) < count)
            ++bits;
        scale = std::ldexp(1.0, -bits - 1);
        total = 0.0;
        for (u64 i = 0; i < count; i++)
            if (usable_weight(weights[i]))
                total += weights[i] * scale;
    }
    f64 target = sv_rng_f64(rng) * total;
    f64 sum = 0.0;
    u64 last = count;
    for (u64 i = 0; i < count; i++) {
        if (!usable_weight(weights[i]))
            continue;
        sum += weights[i] * scale;
        last = i;
        if (sum > target)
            return i;
    }
    return last;
}

f64 sv_rng_normal(sv_rng* rng)
{
    f64 u1 = sv_rng_f64(rng);
    if (u1 < 1e-300)
        u1 = 1e-300;
    f64 r = std::sqrt(-2.0 * sv_log(u1));
    f64 u2 = sv_rng_f64(rng);
    return r * sv_cos(2.0 * 3.14159265358979323846 * u2);
}

const char* sv_stream_name(u32 stream)
{
    static const char* const k_stream_names[] = {"topology",  "contents", "anomaly", "character",
                                                 "placement", "geometry", "mobs",    "tenacity"};
    return stream < 8 ? k_stream_names[stream] : "?";
}

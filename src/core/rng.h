// Seeded random streams: xoshiro256++ seeded through splitmix64, one stream per (seed, floor, stream).
#pragma once
#include "core/types.h"

struct sv_rng {
    u64 s[4];
};

enum sv_stream : u32 {
    SV_STREAM_TOPOLOGY = 0,
    SV_STREAM_CONTENTS = 1,
    SV_STREAM_ANOMALY = 2,
    SV_STREAM_CHARACTER = 3,
    SV_STREAM_PLACEMENT = 4,
    SV_STREAM_GEOMETRY = 5,
    SV_STREAM_MOBS = 6,
    SV_STREAM_TENACITY = 7,
};

// Advances *state by one splitmix64 step and returns its finalised output; no stream involved.
u64 sv_splitmix64(u64* state);
// A pure 64-bit mix: the splitmix64 output for state x, leaving nothing changed.
u64 sv_mix64(u64 x);
// Fills rng's four words from seed through splitmix64; draws nothing.
void sv_rng_seed(sv_rng* rng, u64 seed);
// The seed of one stream of one floor under a run seed; pure, equal inputs give equal seeds.
u64 sv_stream_seed(u64 seed, u16 floor, u32 stream);
// Seeds rng as sv_rng_seed(rng, sv_stream_seed(seed, floor, stream)); draws nothing.
void sv_rng_open(sv_rng* rng, u64 seed, u16 floor, u32 stream);
// Draws one step of rng and returns its 64-bit xoshiro256++ output.
u64 sv_rng_next(sv_rng* rng);
// Draws one step of rng: a uniform double in [0, 1) from its top 53 bits.
f64 sv_rng_f64(sv_rng* rng);
// Draws one step of rng: a uniform float in [0, 1) from its top 24 bits.
f32 sv_rng_f32(sv_rng* rng);
// 1 with probability p: draws one step of rng, none when p <= 0 (gives 0) or p >= 1 (gives 1).
int sv_rng_chance(sv_rng* rng, f64 p);
// A uniform value in [0, n) drawn from rng without bias: one step usually, more on a rejection;
// n == 1 gives 0 and draws nothing. Panics on n == 0.
u32 sv_rng_below(sv_rng* rng, u32 n);
// A uniform value in [lo, hi], drawn as sv_rng_below(rng, hi - lo + 1). Panics when lo > hi or
// the span exceeds 2^32 - 1 values.
i32 sv_rng_range(sv_rng* rng, i32 lo, i32 hi);
// An index picked in proportion to the finite positive weights, drawing one step; count, with no
// draw, when no weight is usable. Panics on count == 0.
u64 sv_rng_weighted(sv_rng* rng, const f64* weights, u64 count);
// A standard normal value (Box-Muller, cosine branch); draws exactly two steps of rng.
f64 sv_rng_normal(sv_rng* rng);
// The lower-case name of a stream ("topology", ...), "?" for an unknown one; static text.
const char* sv_stream_name(u32 stream);

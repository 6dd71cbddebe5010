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

u64 sv_splitmix64(u64* state);
u64 sv_mix64(u64 x);
void sv_rng_seed(sv_rng* rng, u64 seed);
u64 sv_stream_seed(u64 seed, u16 floor, u32 stream);
void sv_rng_open(sv_rng* rng, u64 seed, u16 floor, u32 stream);
u64 sv_rng_next(sv_rng* rng);
f64 sv_rng_f64(sv_rng* rng);
f32 sv_rng_f32(sv_rng* rng);
int sv_rng_chance(sv_rng* rng, f64 p);
u32 sv_rng_below(sv_rng* rng, u32 n);
i32 sv_rng_range(sv_rng* rng, i32 lo, i32 hi);
u64 sv_rng_weighted(sv_rng* rng, const f64* weights, u64 count);
f64 sv_rng_normal(sv_rng* rng);
const char* sv_stream_name(u32 stream);

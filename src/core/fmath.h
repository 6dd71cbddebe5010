// The elementary functions that generation and the simulation use: sines, cosines, tangents, arc
// tangents, exponentials, logarithms and powers, written here in plain IEEE double arithmetic with
// fixed coefficients, so a seed gives the same bytes whatever C library the program links (glibc
// picks its own variants per processor, the Windows runtime has others). Drawing may keep the C
// library's functions; nothing whose result reaches a floor, a geometry, a population or a tick
// may.
//
// Square roots stay std::sqrt / sqrtf: IEEE 754 requires them correctly rounded, and every x86-64
// compiler emits the sqrtsd / sqrtss instruction for them, so they are already the same bits
// everywhere.
//
// Accuracy: sv_sin, sv_cos, sv_atan, sv_atan2, sv_exp and sv_log are within 1 ulp of the true
// value, sv_tan and sv_pow within 2; the f32 functions within 1 ulp (correctly rounded but for
// about one argument in 20,000). Cost: about the C library's for the f32 functions used in play;
// the f64 ones take a few tens of nanoseconds, sines and cosines of arguments above 1.6e6 in
// magnitude more (an exact reduction). Special values follow C99 Annex F (NaN in, NaN out;
// sv_exp(-inf) = 0, sv_log(0) = -inf, sv_pow(x, 0) = 1, ...). All are pure: no state, no errno,
// no floating-point environment read or changed.
#pragma once
#include <bit>   // std::bit_cast
#include <cmath> // std::signbit

#include "core/types.h"

// sin(x) and cos(x) of x in radians.
f64 sv_sin(f64 x);
f64 sv_cos(f64 x);
// tan(x) of x in radians.
f64 sv_tan(f64 x);
// atan(x) in [-pi/2, pi/2].
f64 sv_atan(f64 x);
// The angle of the point (x, y) from the +x axis, in [-pi, pi]; signed zeros as C's atan2.
f64 sv_atan2(f64 y, f64 x);
// e to the x: 0 below -745.14, +inf above 709.78.
f64 sv_exp(f64 x);
// The natural logarithm: -inf at 0, NaN below 0.
f64 sv_log(f64 x);
// x to the power y with C's special cases (a negative x needs an integer y, else NaN).
f64 sv_pow(f64 x, f64 y);

// The same in single precision, each within 1 ulp. sv_sinf, sv_cosf and sv_tanf are inline below;
// the others are the f64 function of the widened arguments, rounded once.
inline f32 sv_sinf(f32 x);
inline f32 sv_cosf(f32 x);
inline f32 sv_tanf(f32 x);
// sv_sinf(x) into *s and sv_cosf(x) into *c, to the bit, sharing one reduction and choosing the
// quadrant without branches (a loop over many angles then runs without mispredictions).
inline void sv_sincosf(f32 x, f32* s, f32* c);
f32 sv_atanf(f32 x);
f32 sv_atan2f(f32 y, f32 x);
f32 sv_expf(f32 x);
f32 sv_logf(f32 x);
f32 sv_powf(f32 x, f32 y);

// The larger (sv_fmaxf) or the smaller (sv_fminf) of two values; a NaN gives the other one. Of
// two zeros the larger is +0 and the smaller -0: C leaves that tie open, and glibc and the
// Windows runtime settle it oppositely, which would move the bytes of a record.
inline f32 sv_fmaxf(f32 a, f32 b)
{
    if (a > b || b != b)
        return a;
    if (b > a || a != a)
        return b;
    return std::signbit(a) ? b : a;
}

inline f32 sv_fminf(f32 a, f32 b)
{
    if (a < b || b != b)
        return a;
    if (b < a || a != a)
        return b;
    return std::signbit(a) ? a : b;
}

// Refuse a silent change of precision at a call site: an f32 passed to an f64 function, an f64 to
// an f32 one (or an integer to either) fails to compile instead of converting. Cast explicitly.
template <typename T> f64 sv_sin(T) = delete;
template <typename T> f64 sv_cos(T) = delete;
template <typename T> f64 sv_tan(T) = delete;
template <typename T> f64 sv_atan(T) = delete;
template <typename T, typename U> f64 sv_atan2(T, U) = delete;
template <typename T> f64 sv_exp(T) = delete;
template <typename T> f64 sv_log(T) = delete;
template <typename T, typename U> f64 sv_pow(T, U) = delete;
template <typename T> f32 sv_sinf(T) = delete;
template <typename T> f32 sv_cosf(T) = delete;
template <typename T> f32 sv_tanf(T) = delete;
template <typename T> void sv_sincosf(T, f32*, f32*) = delete;
template <typename T> f32 sv_atanf(T) = delete;
template <typename T, typename U> f32 sv_atan2f(T, U) = delete;
template <typename T> f32 sv_expf(T) = delete;
template <typename T> f32 sv_logf(T) = delete;
template <typename T, typename U> f32 sv_powf(T, U) = delete;
template <typename T, typename U> f32 sv_fmaxf(T, U) = delete;
template <typename T, typename U> f32 sv_fminf(T, U) = delete;

// Single-precision sines, cosines and tangents ----------------------------------------------------
// Angles of play are small: below 2^19 in magnitude one reduction step in f64 leaves an error
// under 2^-68, and short f64 polynomials (errors under 2^-37 and 2^-34) stay far inside an f32
// ulp. They are inline so that the sine and the cosine of one angle share the reduction; larger
// arguments, infinities and NaNs take the f64 functions.

// x (|x| < 2^19) = n * pi/2 + r with |r| <= pi/4 + 2^-30.
inline f64 sv_fmath_reduce_small(f64 x, i32* n)
{
    f64 fn = (x * 0x1.45f306dc9c883p-1 + 0x1.8p52) - 0x1.8p52; // round(x * 2/pi)
    *n = (i32)fn;
    return (x - fn * 0x1.921fb54400000p+0) - fn * 0x1.0b4611a626331p-34; // the first step exact
}

// sin(r) and cos(r) for |r| <= pi/4 + 2^-30.
inline f64 sv_fmath_sin_small(f64 r)
{
    const f64 S1 = -0x1.5555554cbac77p-3, S2 = 0x1.11110896efbb2p-7, S3 = -0x1.a00f9e2cae774p-13,
              S4 = 0x1.6cd878c3b46a7p-19;
    f64 z = r * r;
    return r * (1.0 + z * (S1 + z * (S2 + z * (S3 + z * S4))));
}

inline f64 sv_fmath_cos_small(f64 r)
{
    const f64 C1 = -0x1.ffffffd0c5e81p-2, C2 = 0x1.55553e1053a42p-5, C3 = -0x1.6c087e80f1e27p-10,
              C4 = 0x1.99342e0ee5069p-16;
    f64 z = r * r;
    return 1.0 + z * (C1 + z * (C2 + z * (C3 + z * C4)));
}

inline f32 sv_sinf(f32 x)
{
    f64 d = (f64)x;
    if (!(d > -0x1p19 && d < 0x1p19))
        return (f32)sv_sin(d);
    i32 n;
    f64 r = sv_fmath_reduce_small(d, &n);
    f64 v = (n & 1) ? sv_fmath_cos_small(r) : sv_fmath_sin_small(r);
    return (f32)((n & 2) ? -v : v);
}

inline f32 sv_cosf(f32 x)
{
    f64 d = (f64)x;
    if (!(d > -0x1p19 && d < 0x1p19))
        return (f32)sv_cos(d);
    i32 n;
    f64 r = sv_fmath_reduce_small(d, &n);
    f64 v = (n & 1) ? sv_fmath_sin_small(r) : sv_fmath_cos_small(r);
    return (f32)(((n + 1) & 2) ? -v : v);
}

inline f32 sv_tanf(f32 x)
{
    f64 d = (f64)x;
    if (!(d > -0x1p19 && d < 0x1p19))
        return (f32)sv_tan(d);
    i32 n;
    f64 r = sv_fmath_reduce_small(d, &n);
    f64 s = sv_fmath_sin_small(r), c = sv_fmath_cos_small(r);
    return (f32)((n & 1) ? -c / s : s / c);
}

inline void sv_sincosf(f32 x, f32* s, f32* c)
{
    f64 d = (f64)x;
    if (!(d > -0x1p19 && d < 0x1p19)) {
        *s = (f32)sv_sin(d);
        *c = (f32)sv_cos(d);
        return;
    }
    i32 n;
    f64 r = sv_fmath_reduce_small(d, &n);
    u64 ps = std::bit_cast<u64>(sv_fmath_sin_small(r)),
        pc = std::bit_cast<u64>(sv_fmath_cos_small(r));
    // Odd quadrants swap the two; negating is flipping the sign bit.
    u64 odd = 0 - (u64)(n & 1);
    u64 vs = (ps & ~odd) | (pc & odd), vc = (pc & ~odd) | (ps & odd);
    vs ^= (u64)((n >> 1) & 1) << 63;
    vc ^= (u64)(((n + 1) >> 1) & 1) << 63;
    *s = (f32)std::bit_cast<f64>(vs);
    *c = (f32)std::bit_cast<f64>(vc);
}

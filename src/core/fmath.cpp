// The project's elementary functions: argument reduction, then a fixed minimax polynomial on a
// small interval (the classic fdlibm fits, whose error bounds are well studied). Only +, -, *, /,
// comparisons and bit moves are used, and the build forbids contracting a*b+c into one rounding,
// so every IEEE 754 double machine gives the same bits.
#include "core/fmath.h"

#include <bit>
#include <limits>

namespace {

const f64 INF = std::numeric_limits<f64>::infinity();
const f64 NOT_A_NUMBER = std::numeric_limits<f64>::quiet_NaN();

// Bits ---------------------------------------------------------------------------------------------

u64 bits_of(f64 x)
{
    return std::bit_cast<u64>(x);
}

f64 from_bits(u64 b)
{
    return std::bit_cast<f64>(b);
}

// The biased exponent field of x (0 for zeros and subnormals, 2047 for infinities and NaNs).
i32 exponent_of(f64 x)
{
    return (i32)((bits_of(x) >> 52) & 0x7ff);
}

// 2^k for -1022 <= k <= 1023.
f64 pow2(i32 k)
{
    return from_bits((u64)(k + 1023) << 52);
}

// Double-double helpers (exact error terms; they rely on no contraction) --------------------------

// s + e == a + b exactly, s = fl(a + b).
void two_sum(f64 a, f64 b, f64* s, f64* e)
{
    f64 sum = a + b;
    f64 bb = sum - a;
    *e = (a - (sum - bb)) + (b - bb);
    *s = sum;
}

// The same when |a| >= |b| (or a == 0).
void fast_two_sum(f64 a, f64 b, f64* s, f64* e)
{
    f64 sum = a + b;
    *e = b - (sum - a);
    *s = sum;
}

// a == hi + lo with each half of 26 bits or fewer (Veltkamp); |a| < 2^995.
void split(f64 a, f64* hi, f64* lo)
{
    f64 t = 134217729.0 * a; // 2^27 + 1
    *hi = t - (t - a);
    *lo = a - *hi;
}

// p + e == a * b exactly, p = fl(a * b) (Dekker); no overflow in the halves.
void two_prod(f64 a, f64 b, f64* p, f64* e)
{
    f64 ah, al, bh, bl;
    split(a, &ah, &al);
    split(b, &bh, &bl);
    f64 prod = a * b;
    *e = ((ah * bh - prod) + ah * bl + al * bh) + al * bl;
    *p = prod;
}

// Reduction by pi/2 -------------------------------------------------------------------------------

const f64 INV_PIO2 = 0x1.45f306dc9c883p-1;
// pi/2 in three pieces of 33 bits, each with the rest of pi/2 after it rounded to a double.
const f64 PIO2_1 = 0x1.921fb54400000p+0;
const f64 PIO2_1T = 0x1.0b4611a626331p-34;
const f64 PIO2_2 = 0x1.0b4611a600000p-34;
const f64 PIO2_2T = 0x1.3198a2e037073p-69;
const f64 PIO2_3 = 0x1.3198a2e000000p-69;
const f64 PIO2_3T = 0x1.b839a252049c1p-104;
const f64 PIO2_HI = 0x1.921fb54442d18p+0;
const f64 PIO2_LO = 0x1.1a62633145c07p-54;

// The binary digits of 2/pi after the point, 32 to a word: enough for every finite double.
const u32 k_two_over_pi[40] = {
    0xa2f9836e, 0x4e441529, 0xfc2757d1, 0xf534ddc0, 0xdb629599, 0x3c439041, 0xfe5163ab, 0xdebbc561,
    0xb7246e3a, 0x424dd2e0, 0x06492eea, 0x09d1921c, 0xfe1deb1c, 0xb129a73e, 0xe88235f5, 0x2ebb4484,
    0xe99c7026, 0xb45f7e41, 0x3991d639, 0x835339f4, 0x9c845f8b, 0xbdf9283b, 0x1ff897ff, 0xde05980f,
    0xef2f118b, 0x5a0a6d1f, 0x6d367ecf, 0x27cb09b7, 0x4f463f66, 0x9e5fea2d, 0x7527bac7, 0xebe5f17b,
    0x3d0739f7, 0x8a5292ea, 0x6bfb5fb1, 0x1f8d5d08, 0x56033046, 0xfc7b6bab, 0xf0cfbc20, 0x9af4361d,
};

// 32 digits of 2/pi starting at digit i (digit 1 is worth 1/2); digits past the table are 0.
u32 two_over_pi_digits(i32 i)
{
    i32 k = (i - 1) / 32, off = (i - 1) % 32;
    u64 w = (u64)k_two_over_pi[k] << 32;
    if (k + 1 < 40)
        w |= k_two_over_pi[k + 1];
    return (u32)((w << off) >> 32);
}

// 64 bits of the 256-bit number p (4 words, most significant first) from bit lo upwards; bits
// below 0 or above 255 read as 0.
u64 bits_at(const u64 p[4], i32 lo)
{
    i32 wi = (lo + 256) / 64 - 4, sh = (lo + 256) % 64; // word (from the bottom) and shift
    u64 below = wi >= 0 && wi < 4 ? p[3 - wi] : 0;
    u64 above = wi + 1 >= 0 && wi + 1 < 4 ? p[2 - wi] : 0;
    return sh ? (below >> sh) | (above << (64 - sh)) : below;
}

// Exact reduction of a large finite x >= 2^20 * pi/2 (Payne and Hanek): x * 2/pi is formed in
// integers from a 192-digit window of 2/pi, so the fraction keeps 130 or more good bits however
// close x lies to a multiple of pi/2 (never closer than 2^-61 relative for a double). Returns
// the quadrant mod 4; *y0 + *y1 is the remainder in [-pi/4, pi/4].
i32 reduce_large(f64 x, f64* y0, f64* y1)
{
    i32 e = exponent_of(x) - 1075; // x = m * 2^e, 2^52 <= m < 2^53
    u64 m = (bits_of(x) & 0xfffffffffffffULL) | (1ULL << 52);
    // Digits of 2/pi worth 2^-i with i <= e - 2 only add multiples of 4: start the window after.
    i32 s = e - 1 > 1 ? e - 1 : 1;
    u32 w[6];
    for (i32 j = 0; j < 6; ++j)
        w[j] = two_over_pi_digits(s + 32 * j);
    // m * window in 8 words of 32 bits, most significant first.
    u32 p32[8] = {0, 0, 0, 0, 0, 0, 0, 0};
    const u32 half[2] = {(u32)m, (u32)(m >> 32)};
    for (i32 j = 5; j >= 0; --j) {
        u64 carry = 0;
        for (i32 h = 0; h < 2; ++h) {
            u64 t = (u64)w[j] * half[h] + p32[j + 2 - h] + carry;
            p32[j + 2 - h] = (u32)t;
            carry = t >> 32;
        }
        for (i32 at = j; at >= 0 && carry; --at) {
            u64 t = (u64)p32[at] + carry;
            p32[at] = (u32)t;
            carry = t >> 32;
        }
    }
    u64 p[4];
    for (i32 i = 0; i < 4; ++i)
        p[i] = ((u64)p32[2 * i] << 32) | p32[2 * i + 1];
    // The binary point of x * 2/pi sits q bits above the bottom of p.
    i32 q = s + 191 - e;
    i32 n = (i32)(bits_at(p, q) & 3);
    u64 hi = bits_at(p, q - 64), lo = bits_at(p, q - 128); // the fraction's first 128 bits
    f64 sign = 1.0;
    if (hi >> 63) { // fraction >= 1/2: the next quadrant, and the remainder 1 - fraction below it
        n = (n + 1) & 3;
        lo = ~lo + 1;
        hi = ~hi + (lo == 0 ? 1 : 0);
        sign = -1.0;
    }
    // Normalise the 128 bits so the top one is set, then take two 53-bit pieces.
    if (!hi && !lo) { // not reached by a double, kept so the loop below always ends
        *y0 = *y1 = 0.0;
        return n;
    }
    i32 z = 0;
    if (!hi) {
        hi = lo;
        lo = 0;
        z = 64;
    }
    while (!(hi >> 63)) {
        hi = (hi << 1) | (lo >> 63);
        lo <<= 1;
        ++z;
    }
    f64 a = (f64)(hi >> 11) * pow2(-53 - z);
    f64 c = (f64)(((hi & 0x7ff) << 42) | (lo >> 22)) * pow2(-106 - z);
    f64 fh, fl;
    fast_two_sum(a, c, &fh, &fl);
    // The remainder: fraction * pi/2.
    f64 rh, rl;
    two_prod(fh, PIO2_HI, &rh, &rl);
    rl += fh * PIO2_LO + fl * PIO2_HI;
    fast_two_sum(rh, rl, y0, y1);
    *y0 *= sign;
    *y1 *= sign;
    return n;
}

// x = n * pi/2 + (*y0 + *y1) with |*y0| <= about pi/4; returns n (mod 4 for huge x). x finite.
i32 reduce_pio2(f64 x, f64* y0, f64* y1)
{
    f64 ax = x < 0 ? -x : x;
    if (ax <= 0x1.921fb54442d18p-1) { // pi/4
        *y0 = x;
        *y1 = 0.0;
        return 0;
    }
    if (ax < 0x1.921fb54442d18p+20) { // 2^20 * pi/2: n * PIO2_1 is exact
        // Round to nearest by the 1.5 * 2^52 trick (no conversion, no library rounding).
        f64 fn = (x * INV_PIO2 + 0x1.8p52) - 0x1.8p52;
        i32 n = (i32)fn;
        f64 r = x - fn * PIO2_1;
        f64 w = fn * PIO2_1T;
        f64 y = r - w;
        i32 ex = exponent_of(x);
        if (ex - exponent_of(y) > 16) { // cancellation: another 33 bits of pi/2
            f64 t = r;
            w = fn * PIO2_2;
            r = t - w;
            w = fn * PIO2_2T - ((t - r) - w);
            y = r - w;
            if (ex - exponent_of(y) > 49) { // and again
                t = r;
                w = fn * PIO2_3;
                r = t - w;
                w = fn * PIO2_3T - ((t - r) - w);
                y = r - w;
            }
        }
        *y0 = y;
        *y1 = (r - y) - w;
        return n;
    }
    if (x < 0) {
        i32 n = reduce_large(-x, y0, y1);
        *y0 = -*y0;
        *y1 = -*y1;
        return -n;
    }
    return reduce_large(x, y0, y1);
}

// Kernels on [-pi/4, pi/4], x + y the reduced argument ------------------------------------------

f64 kernel_sin(f64 x, f64 y)
{
    const f64 S1 = -0x1.5555555555549p-3, S2 = 0x1.111111110f8a6p-7, S3 = -0x1.a01a019c161d5p-13,
              S4 = 0x1.71de357b1fe7dp-19, S5 = -0x1.ae5e68a2b9cebp-26, S6 = 0x1.5d93a5acfd57cp-33;
    if (exponent_of(x) < 1023 - 27) // |x| < 2^-27: sin x == x in doubles (keeps the sign of 0)
        return x;
    f64 z = x * x, v = z * x;
    f64 r = S2 + z * (S3 + z * (S4 + z * (S5 + z * S6)));
    return x - ((z * (0.5 * y - v * r) - y) - v * S1);
}

f64 kernel_cos(f64 x, f64 y)
{
    const f64 C1 = 0x1.555555555554cp-5, C2 = -0x1.6c16c16c15177p-10, C3 = 0x1.a01a019cb1590p-16,
              C4 = -0x1.27e4f809c52adp-22, C5 = 0x1.1ee9ebdb4b1c4p-29, C6 = -0x1.8fae9be8838d4p-37;
    if (exponent_of(x) < 1023 - 27)
        return 1.0;
    f64 z = x * x, w = z * z;
    f64 r = z * (C1 + z * (C2 + z * C3)) + w * w * (C4 + z * (C5 + z * C6));
    f64 hz = 0.5 * z;
    w = 1.0 - hz;
    return w + (((1.0 - w) - hz) + (z * r - x * y));
}

// Arc tangent pieces ------------------------------------------------------------------------------

const f64 PI_HI = 0x1.921fb54442d18p+1;
const f64 PI_LO = 0x1.1a62633145c07p-53;

// The natural logarithm of 2 as a 32-bit head (k * LN2_HI exact for |k| < 2^11) and the rest.
const f64 LN2_HI = 0x1.62e42fee00000p-1;
const f64 LN2_LO = 0x1.a39ef35793c76p-33;

// log(x) of a positive finite normal or subnormal x as hi + lo, good to about 2^-66 relative:
// x = 2^k * m with m in [sqrt(1/2), sqrt(2)), log m = 2 atanh(s), s = (m - 1) / (m + 1).
void log_dd(f64 x, f64* hi, f64* lo)
{
    i32 k = 0;
    if (exponent_of(x) == 0) { // subnormal: scale into the normal range first
        x *= 0x1p54;
        k = -54;
    }
    u64 b = bits_of(x);
    k += exponent_of(x) - 1023;
    f64 m = from_bits((b & 0xfffffffffffffULL) | 0x3ff0000000000000ULL); // [1, 2)
    if (m > 0x1.6a09e667f3bcdp+0) { // sqrt(2): halve into [sqrt(1/2), 1)
        m *= 0.5;
        k += 1;
    }
    f64 f = m - 1.0; // exact
    // s = f / (2 + f) as a double-double.
    f64 dh, dl;
    two_sum(2.0, f, &dh, &dl);
    f64 sh = f / dh;
    f64 ph, pl;
    two_prod(sh, dh, &ph, &pl);
    f64 sl = (((f - ph) - pl) - sh * dl) / dh;
    // 2s + (2/3) s^3 in double-double, the rest of the series in doubles.
    f64 zh, zl;
    two_prod(sh, sh, &zh, &zl);
    zl += 2.0 * sh * sl;
    f64 ch, cl; // s^3
    two_prod(sh, zh, &ch, &cl);
    cl += sh * zl + sl * zh;
    const f64 TWO3_HI = 0x1.5555555555555p-1, TWO3_LO = 0x1.5555555555555p-55;
    f64 th, tl; // (2/3) s^3
    two_prod(ch, TWO3_HI, &th, &tl);
    tl += ch * TWO3_LO + cl * TWO3_HI;
    // 2/5 s^5 + 2/7 s^7 + ... + 2/25 s^25: |s| <= 0.172, so z <= 0.0295 and the first term left
    // out is below 2^-66 of the sum.
    f64 z = zh, rest = 2.0 / 25;
    for (i32 n = 11; n >= 2; --n)
        rest = 2.0 / (f64)(2 * n + 1) + z * rest;
    rest *= z * z * sh;
    // Sum from the smallest: rest + tl + 2 sl, then th, then 2 sh, then k ln 2.
    f64 small = rest + tl + 2.0 * sl;
    f64 ah, al;
    two_sum(th, small, &ah, &al);
    f64 bh, bl;
    two_sum(2.0 * sh, ah, &bh, &bl);
    bl += al;
    f64 dk = (f64)k;
    f64 kh = dk * LN2_HI; // exact
    f64 kl = dk * LN2_LO;
    f64 hh, hl;
    two_sum(kh, bh, &hh, &hl);
    hl += bl + kl;
    fast_two_sum(hh, hl, hi, lo);
}

} // namespace

// Public functions --------------------------------------------------------------------------------

f64 sv_sin(f64 x)
{
    if (exponent_of(x) == 2047)
        return x - x; // NaN for NaN and both infinities
    f64 y0, y1;
    i32 n = reduce_pio2(x, &y0, &y1);
    switch (n & 3) {
    case 0: return kernel_sin(y0, y1);
    case 1: return kernel_cos(y0, y1);
    case 2: return -kernel_sin(y0, y1);
    default: return -kernel_cos(y0, y1);
    }
}

f64 sv_cos(f64 x)
{
    if (exponent_of(x) == 2047)
        return x - x;
    f64 y0, y1;
    i32 n = reduce_pio2(x, &y0, &y1);
    switch (n & 3) {
    case 0: return kernel_cos(y0, y1);
    case 1: return -kernel_sin(y0, y1);
    case 2: return -kernel_cos(y0, y1);
    default: return kernel_sin(y0, y1);
    }
}

f64 sv_tan(f64 x)
{
    if (exponent_of(x) == 2047)
        return x - x;
    f64 y0, y1;
    i32 n = reduce_pio2(x, &y0, &y1);
    f64 s = kernel_sin(y0, y1), c = kernel_cos(y0, y1);
    return (n & 1) ? -c / s : s / c;
}

f64 sv_atan(f64 x)
{
    const f64 k_hi[4]
        = {0x1.dac670561bb4fp-2, 0x1.921fb54442d18p-1, 0x1.f730bd281f69bp-1, 0x1.921fb54442d18p+0};
    const f64 k_lo[4] = {0x1.a2b7f222f65e2p-56, 0x1.1a62633145c07p-55, 0x1.007887af0cbbdp-56,
                         0x1.1a62633145c07p-54};
    const f64 A0 = 0x1.555555555550dp-2, A1 = -0x1.999999998ebc4p-3, A2 = 0x1.24924920083ffp-3,
              A3 = -0x1.c71c6fe231671p-4, A4 = 0x1.745cdc54c206ep-4, A5 = -0x1.3b0f2af749a6dp-4,
              A6 = 0x1.10d66a0d03d51p-4, A7 = -0x1.dde2d52defd9ap-5, A8 = 0x1.97b4b24760debp-5,
              A9 = -0x1.2b4442c6a6c2fp-5, A10 = 0x1.0ad3ae322da11p-6;
    if (x != x)
        return x + x;
    bool negative = x < 0;
    f64 ax = negative ? -x : x;
    if (ax >= 0x1p66) // atan is pi/2 to the last bit here (and at infinity)
        return negative ? -(k_hi[3] + k_lo[3]) : k_hi[3] + k_lo[3];
    i32 id;
    if (ax < 0.4375) {
        if (ax < 0x1p-27)
            return x;
        id = -1;
    } else if (ax < 1.1875) {
        if (ax < 0.6875) {
            id = 0;
            ax = (2.0 * ax - 1.0) / (2.0 + ax);
        } else {
            id = 1;
            ax = (ax - 1.0) / (ax + 1.0);
        }
    } else if (ax < 2.4375) {
        id = 2;
        ax = (ax - 1.5) / (1.0 + 1.5 * ax);
    } else {
        id = 3;
        ax = -1.0 / ax;
    }
    f64 z = ax * ax, w = z * z;
    f64 s1 = z * (A0 + w * (A2 + w * (A4 + w * (A6 + w * (A8 + w * A10)))));
    f64 s2 = w * (A1 + w * (A3 + w * (A5 + w * (A7 + w * A9))));
    if (id < 0)
        return x - x * (s1 + s2);
    f64 r = k_hi[id] - ((ax * (s1 + s2) - k_lo[id]) - ax);
    return negative ? -r : r;
}

f64 sv_atan2(f64 y, f64 x)
{
    if (x != x || y != y)
        return x + y;
    bool ny = (bits_of(y) >> 63) != 0, nx = (bits_of(x) >> 63) != 0;
    if (x == 1.0)
        return sv_atan(y);
    if (y == 0.0) // atan2(+-0, +x) = +-0, atan2(+-0, -x) = +-pi (the sign of zero counts)
        return nx ? (ny ? -(PI_HI + PI_LO) : PI_HI + PI_LO) : y;
    if (x == 0.0)
        return ny ? -(PIO2_HI + PIO2_LO) : PIO2_HI + PIO2_LO;
    const bool ix = exponent_of(x) == 2047, iy = exponent_of(y) == 2047;
    if (ix) {
        f64 z;
        if (iy)
            z = nx ? 0x1.2d97c7f3321d2p+1 : 0x1.921fb54442d18p-1; // 3pi/4, pi/4
        else
            z = nx ? PI_HI + PI_LO : 0.0;
        return ny ? -z : z;
    }
    if (iy)
        return ny ? -(PIO2_HI + PIO2_LO) : PIO2_HI + PIO2_LO;
    // |y/x| beyond 2^60 or below 2^-60 with a negative x: the answer is pi/2 or pi to the last bit.
    i32 k = exponent_of(y) - exponent_of(x);
    f64 z;
    if (k > 60)
        z = PIO2_HI + 0.5 * PI_LO;
    else if (nx && k < -60)
        z = 0.0;
    else {
        f64 q = y / x;
        z = sv_atan(q < 0 ? -q : q);
    }
    if (!nx)
        return ny ? -z : z;
    return ny ? (z - PI_LO) - PI_HI : PI_HI - (z - PI_LO);
}

f64 sv_exp(f64 x)
{
    const f64 P1 = 0x1.555555555553ep-3, P2 = -0x1.6c16c16bebd93p-9, P3 = 0x1.1566aaf25de2cp-14,
              P4 = -0x1.bbd41c5d26bf1p-20, P5 = 0x1.6376972bea4d0p-25;
    const f64 INV_LN2 = 0x1.71547652b82fep+0;
    if (x != x)
        return x + x;
    if (x > 0x1.62e42fefa39efp+9) // 709.78...: overflow (and +inf)
        return INF;
    if (x < -0x1.74910d52d3051p+9) // -745.13...: underflow to 0 (and -inf)
        return 0.0;
    f64 ax = x < 0 ? -x : x;
    f64 hi = x, lo = 0.0;
    i32 k = 0;
    if (ax > 0.5 * 0x1.62e42fefa39efp-1) { // |x| > ln2 / 2: x = k ln2 + r, |r| <= ln2 / 2
        if (ax < 1.5 * 0x1.62e42fefa39efp-1) {
            k = x < 0 ? -1 : 1;
            hi = x - (f64)k * LN2_HI;
            lo = (f64)k * LN2_LO;
        } else {
            k = (i32)(INV_LN2 * x + (x < 0 ? -0.5 : 0.5));
            hi = x - (f64)k * LN2_HI; // exact
            lo = (f64)k * LN2_LO;
        }
        x = hi - lo;
    } else if (ax < 0x1p-28) {
        return 1.0 + x;
    }
    f64 t = x * x;
    f64 c = x - t * (P1 + t * (P2 + t * (P3 + t * (P4 + t * P5))));
    if (k == 0)
        return 1.0 - ((x * c) / (c - 2.0) - x);
    f64 y = 1.0 - ((lo - (x * c) / (2.0 - c)) - hi);
    if (k >= -1021) {
        if (k == 1024)
            return y * 2.0 * 0x1p1023;
        return y * pow2(k);
    }
    return y * pow2(k + 1000) * 0x1p-1000; // a subnormal result: one rounding at the end
}

f64 sv_log(f64 x)
{
    const f64 L1 = 0x1.5555555555593p-1, L2 = 0x1.999999997fa04p-2, L3 = 0x1.2492494229359p-2,
              L4 = 0x1.c71c51d8e78afp-3, L5 = 0x1.7466496cb03dep-3, L6 = 0x1.39a09d078c69fp-3,
              L7 = 0x1.2f112df3e5244p-3;
    if (x != x)
        return x + x;
    if (x == 0.0)
        return -INF;
    if (x < 0.0)
        return NOT_A_NUMBER;
    if (exponent_of(x) == 2047)
        return x; // +inf
    i32 k = 0;
    if (exponent_of(x) == 0) {
        x *= 0x1p54;
        k = -54;
    }
    u64 b = bits_of(x);
    k += exponent_of(x) - 1023;
    f64 m = from_bits((b & 0xfffffffffffffULL) | 0x3ff0000000000000ULL);
    if (m > 0x1.6a09e667f3bcdp+0) {
        m *= 0.5;
        k += 1;
    }
    f64 f = m - 1.0;
    f64 dk = (f64)k;
    if ((f < 0 ? -f : f) < 0x1p-20) {
        if (f == 0.0)
            return dk * LN2_HI + dk * LN2_LO;
        f64 r = f * f * (0.5 - 0.33333333333333333 * f);
        return dk * LN2_HI - ((r - dk * LN2_LO) - f);
    }
    f64 s = f / (2.0 + f);
    f64 z = s * s, w = z * z;
    f64 t1 = w * (L2 + w * (L4 + w * L6));
    f64 t2 = z * (L1 + w * (L3 + w * (L5 + w * L7)));
    f64 r = t2 + t1;
    f64 hfsq = 0.5 * f * f;
    return dk * LN2_HI - ((hfsq - (s * (hfsq + r) + dk * LN2_LO)) - f);
}

f64 sv_pow(f64 x, f64 y)
{
    if (y == 0.0 || x == 1.0)
        return 1.0;
    if (x != x || y != y)
        return x + y;
    // Is y an integer, and an odd one?
    bool whole = false, odd = false;
    {
        i32 e = exponent_of(y) - 1023;
        if (e >= 52) {
            whole = e < 1024;
            odd = e == 52 && (bits_of(y) & 1);
        } else if (e >= 0) {
            u64 mant = (bits_of(y) & 0xfffffffffffffULL) | (1ULL << 52);
            whole = (mant & ((1ULL << (52 - e)) - 1)) == 0;
            odd = whole && ((mant >> (52 - e)) & 1);
        }
    }
    bool yneg = y < 0;
    f64 ax = x < 0 ? -x : x;
    if (exponent_of(y) == 2047) { // y = +-inf
        if (ax == 1.0)
            return 1.0;
        return (ax > 1.0) != yneg ? y * y : 0.0; // y*y = +inf
    }
    f64 sign = (x < 0 || (x == 0.0 && (bits_of(x) >> 63))) && odd ? -1.0 : 1.0;
    if (x == 0.0 || exponent_of(x) == 2047) { // zeros and infinities
        bool big = (x != 0.0) != yneg;        // 0^-y and inf^+y are infinite
        return sign * (big ? INF : 0.0);
    }
    if (x < 0 && !whole)
        return NOT_A_NUMBER;
    f64 lh, ll;
    log_dd(ax, &lh, &ll);
    // y * log|x| in double-double; far past the overflow and underflow edges no care is needed.
    f64 ph = y * lh;
    if (ph > 2000.0 || ph < -2000.0)
        return sign * sv_exp(ph);
    // Here |y| < 2^64 (|log x| >= 2^-53 for x != 1), so the halves of the split cannot overflow.
    f64 pl;
    two_prod(y, lh, &ph, &pl);
    pl += y * ll;
    f64 e = sv_exp(ph);
    if (e == 0.0 || e == INF) // past an edge: inf * (1 + pl) would turn into a NaN
        return sign * e;
    return sign * (e + e * pl);
}

f32 sv_atanf(f32 x)
{
    return (f32)sv_atan((f64)x);
}

f32 sv_atan2f(f32 y, f32 x)
{
    return (f32)sv_atan2((f64)y, (f64)x);
}

f32 sv_expf(f32 x)
{
    return (f32)sv_exp((f64)x);
}

f32 sv_logf(f32 x)
{
    return (f32)sv_log((f64)x);
}

f32 sv_powf(f32 x, f32 y)
{
    return (f32)sv_pow((f64)x, (f64)y);
}

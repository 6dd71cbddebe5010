#include "core/growth.h"

#include <cmath>

#include "core/fmath.h"

const char* sv_growth_name(u32 kind)
{
    static const char* const k_growth_names[]
        = {"constant", "log", "sqrt", "linear", "quadratic", "exponential"};
    return kind < 6 ? k_growth_names[kind] : "?";
}

f64 sv_growth_eval(u32 kind, f64 base, f64 rate, u32 n)
{
    f64 x = n >= 1 ? (f64)(n - 1) : 0.0;
    switch (kind) {
    case SV_GROWTH_LOG: return base + rate * (n >= 1 ? sv_log((f64)n) : 0.0);
    case SV_GROWTH_SQRT: return base + rate * std::sqrt(x);
    case SV_GROWTH_LINEAR: return base + rate * x;
    case SV_GROWTH_QUADRATIC: return base + rate * (x * x);
    case SV_GROWTH_EXPONENTIAL: return base * sv_pow(1.0 + rate, x);
    default: return base;
    }
}

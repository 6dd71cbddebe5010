// The one curve that scales a quantity with the floor number.
#pragma once
#include "core/types.h"

enum sv_growth : u32 {
    SV_GROWTH_CONSTANT = 0,
    SV_GROWTH_LOG = 1,
    SV_GROWTH_SQRT = 2,
    SV_GROWTH_LINEAR = 3,
    SV_GROWTH_QUADRATIC = 4,
    SV_GROWTH_EXPONENTIAL = 5,
};

// "constant" .. "exponential"; "?" for any other value. Static text.
const char* sv_growth_name(u32 kind);
// base + rate x f(n - 1) (log: ln n), or base x (1 + rate)^(n - 1) for exponential; floor n counts
// from 1 (0 acts as 1), an unknown kind is constant. Pure.
f64 sv_growth_eval(u32 kind, f64 base, f64 rate, u32 n);

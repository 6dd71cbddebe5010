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

const char* sv_growth_name(u32 kind);
f64 sv_growth_eval(u32 kind, f64 base, f64 rate, u32 n);

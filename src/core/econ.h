// Economy curves over the tunables: sell values, chord costs, saturation, warp yield and mob
// density. Pure functions of their arguments and the current tunables; floors count from 1.
#pragma once
#include "core/types.h"

enum sv_sell_kind : i32 {
    SV_SELL_INCLUSION = 0,
    SV_SELL_ELEMENT = 1,
    SV_SELL_TRANSFORM = 2,
};

// "inclusion", "element", "transform"; "?" for any other value.
const char* sv_sell_kind_name(i32 kind);
// The kind's sell base grown by the floor and scaled by the rarity's multiplier; 0 for an unknown kind.
f64 sv_sell_value_at(i32 kind, i32 rarity, u16 floor);
// sv_sell_value_at on floor 1.
f64 sv_sell_value(u32 kind, u32 rarity);

// Cost of the step-th chord on a floor; 0 for a step at or below 0.
f64 sv_econ_chord_cost(u16 floor, i32 step);
// Sum of the costs of steps 1 to n; 0 for n at or below 0.
f64 sv_econ_chord_total(u16 floor, i32 n);

// Saturation gained from rooms, charges and a monument.
f64 sv_econ_accumulator(u32 rooms, u32 charges, u8 monument);
// 1 grown by the floor under sat.multiplier_growth and sat.multiplier_growth_rate.
f64 sv_econ_saturation_multiplier(u16 floor);
// current + max(gained - spent, 0) x the floor's multiplier: spending never lowers saturation.
f64 sv_econ_next_saturation(f64 current, f64 gained, f64 spent, u16 floor);

// warp.base grown by the floor under warp.growth and warp.growth_rate.
f64 sv_econ_warp_yield(u16 floor);
// mob.density_c x mob.density_growth_rate grown from 0 under mob.density_growth; never negative.
f64 sv_econ_mob_density(u16 floor);

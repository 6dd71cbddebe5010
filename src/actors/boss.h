// Floor population: the Axiom in its room, a Scion in every scion room, the weapon spots stocked,
// and ordinary mobs in the other rooms. The gen pipeline calls sv_boss_stand, sv_weapon_stock and
// sv_mob_populate in that order after the floor's topology and geometry. Bosses draw only from
// the contents stream (1) and mobs only from the mobs stream (6), so changing the mob content
// never moves a boss or the topology. Geometry is built with sv_geom_build into local records;
// nothing here touches the combat layer's place cache.
#pragma once
#include "core/content.h"
#include "core/rng.h"
#include "floor/floor.h"

// Kind word of a mob (sv_mob.kind): byte 0 the kind (below), byte 1 the shape (a mob's sides, the
// Axiom's faces for the Axiom and its Scions), byte 2 a mob's sv_mob_axis, bits 32..63 a Scion's
// key; every other bit 0.
typedef u64 sv_mob_kind;

// Byte 0 of a kind word.
enum sv_kind_byte : u8 {
    SV_KIND_MOB = 0,
    SV_KIND_AXIOM = 1,
    SV_KIND_SCION = 2,
};

// The kind words: a mob of sides and axis; an Axiom of faces; a Scion of its Axiom's faces and
// its id (key = 32-bit FNV-1a of the id, 1 when that is 0).
sv_mob_kind sv_kind_mob(u32 sides, u32 axis);
sv_mob_kind sv_kind_axiom(u32 faces);
sv_mob_kind sv_kind_scion(u32 faces, const char* scion_id);

// A spawnable actor as a population would stand it.
struct sv_spawn_entry {
    sv_body body;     // copied from the definition
    sv_mob_kind kind; // kind word
    const char* name; // the definition's display name
};

// Stands the Axiom in the axiom room (waiting) and a Scion drawn from its list in each scion room
// (waiting in gate rooms, awake in optional ones), drawing the Axiom and then the Scions in room
// order from the contents stream (1). Sets the floor's boss mob (to none first, then the Axiom).
// Returns the bosses added; 0 for a null floor. Logs when no content is loaded; records a warning
// when the content cannot serve the floor.
u64 sv_boss_stand(sv_floor* floor);

// Copies the first weapon definition of each slot into the floor's melee and ranged spots; a slot
// with no usable weapon is logged and its room cleared. Returns the spots stocked (0..2), 0 for
// a null floor. Draws nothing.
u64 sv_weapon_stock(sv_floor* floor);

// Expected mobs per eligible room: the mob density curve at the floor number (not below 0) times
// the floor character's mob multiplier. 0 for a null floor.
f64 sv_mob_density(const sv_floor* floor);

// Adds ordinary mobs to every room but spawn, landmark and boss rooms, up to mob.room_max (at
// most 4) per room, from the mobs stream (6): a capped Poisson count per room, then five draws per
// mob (pick, angle, radius, facing chance, yaw). Returns the mobs added; 0 for a null floor or a
// density not above 0 (nothing drawn).
u64 sv_mob_populate(sv_floor* floor);

// The Axiom for a floor of this depth: a weighted draw (one uniform double) over the Axioms that
// admit the depth, every weight counting as 1 when they sum to 0. Null (nothing drawn) when none
// admits the depth or rng is null.
const sv_axiom_def* sv_boss_draw_axiom(u16 depth, sv_rng* rng);

// A Scion from the Axiom's list: one sv_rng_below draw, none when the list has one id. Null for a
// null Axiom or rng, an empty list, or an id no Scion has.
const sv_scion_def* sv_boss_draw_scion(const sv_axiom_def* axiom, sv_rng* rng);

// Resolves a spawn id as a mob, then an Axiom, then a Scion definition (whose faces are those of
// the first Axiom claiming it, else 6): 1 with body, kind word and name written (each out may be
// null), 0 for a null or unknown id.
i32 sv_boss_entry(const char* id, sv_body* body, sv_mob_kind* kind, const char** name);

// The held floor and the console commands that make and inspect it: gen, floor, visit,
// walk, check, show, stats, dump.
#pragma once
#include "core/types.h"
#include "floor/floor.h"
#include "floor/gen.h"

// Registers gen, floor, visit, walk, check, show, stats and dump with the console registry;
// call once at start-up.
void sv_gen_register_commands(void);

// The held floor, or null when none is held. Every gen frees the previous one.
sv_floor* sv_gen_current(void);
// Bumped by every gen that produces a floor, so the front end notices a replaced floor.
u64 sv_gen_serial(void);
// The report of the last gen that made a floor (zeroed before the first); kept after a release.
sv_gen_stats sv_gen_current_stats(void);
// Frees the held floor, so none is held; nothing when none is. The serial is left as it is.
void sv_gen_release_current(void);

// Statuses on actors: applying, stacking, ticking and removing them, and folding them into the
// stats they modify. The records (sv_affliction, sv_afflictions) live in the floor library,
// since the floor allocates each mob's list; the player carries its own list. Nothing here
// draws, allocates or keeps state; time is counted in simulation ticks.
#pragma once
#include "floor/floor.h"

#define SV_INDICATOR_NAME 24

// One HUD row of a status.
struct sv_indicator {
    char name[SV_INDICATOR_NAME]; // the status label
    f32 seconds_left;             // ticks left x the tick length; 0 when permanent
    u32 stacks;                   // 0 unless the status stacks
    u8 permanent;
};

// Applies a status: a key already held takes the new application, restarts its timer and (when
// it stacks) gains a stack up to its cap; a new key is appended with 1 stack. A duration not
// above 0 is permanent. 1 applied; 0 for a null list or apply, or a new key with 8 held.
i32 sv_afflict(sv_afflictions* list, const sv_apply* apply);

// One tick: permanent entries stay, entries at 0 ticks are removed, the others count down by
// one; the kept entries keep their order. A null list is ignored.
void sv_afflictions_tick(sv_afflictions* list);

// Removes every entry (count 0); a null list is ignored.
void sv_afflictions_clear(sv_afflictions* list);

// Removes the first entry with the key, moving the later ones down: 1 removed, 0 absent or null.
i32 sv_afflictions_remove(sv_afflictions* list, u32 key);

// The entry with the key, or null (also for a null list).
const sv_affliction* sv_afflictions_find(const sv_afflictions* list, u32 key);

// The stat (sv_stat) of base under the list: base x P + S, where each multiply entry on the stat
// multiplies P by max((magnitude - 1) x stacks + 1, 0) and each add entry adds stacks x
// magnitude to S. A factor never goes below 0, so stacked statuses can slow or shield an actor
// to a standstill but never reverse the stat. A null or empty list gives base.
f32 sv_modified(const sv_afflictions* list, u8 stat, f32 base);

// Writes min(n, count) HUD rows in list order; returns the rows written (0 for a null argument
// or n not above 0).
i32 sv_afflictions_indicators(const sv_afflictions* list, sv_indicator* out, i8 n);

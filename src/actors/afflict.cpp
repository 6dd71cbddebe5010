// Statuses on actors and the stats they modify.
#include "actors/afflict.h"

#include <cstring>

#include "world/body.h"

namespace {

// Ticks left of a fresh application: 0 for a permanent one.
void restart(sv_affliction* entry, const sv_apply* apply)
{
    entry->permanent = apply->duration > 0.0f ? 0 : 1;
    entry->ticks_left = entry->permanent ? 0 : sv_sim_ticks(apply->duration);
}

} // namespace

i32 sv_afflict(sv_afflictions* list, const sv_apply* apply)
{
    if (!list || !apply)
        return 0;
    if (list->count > SV_AFFLICTIONS)
        list->count = SV_AFFLICTIONS;
    for (u8 i = 0; i < list->count; ++i) {
        sv_affliction* entry = &list->items[i];
        if (entry->status.key != apply->key)
            continue;
        entry->status = *apply;
        if (apply->stacks) {
            bool grows = apply->stack_cap == 0 ? entry->stacks <= 4294967294u
                                               : entry->stacks < apply->stack_cap;
            if (grows)
                entry->stacks += 1;
        }
        restart(entry, apply);
        return 1;
    }
    if (list->count >= SV_AFFLICTIONS)
        return 0;
    sv_affliction* entry = &list->items[list->count];
    std::memset(entry, 0, sizeof *entry);
    entry->status = *apply;
    entry->stacks = 1;
    restart(entry, apply);
    list->count = (u8)(list->count + 1);
    return 1;
}

void sv_afflictions_tick(sv_afflictions* list)
{
    if (!list)
        return;
    u8 kept = 0;
    u8 count = list->count < SV_AFFLICTIONS ? list->count : (u8)SV_AFFLICTIONS;
    for (u8 i = 0; i < count; ++i) {
        sv_affliction entry = list->items[i];
        if (!entry.permanent) {
            if (entry.ticks_left == 0)
                continue;
            entry.ticks_left -= 1;
        }
        list->items[kept++] = entry;
    }
    list->count = kept;
}

void sv_afflictions_clear(sv_afflictions* list)
{
    if (list)
        list->count = 0;
}

i32 sv_afflictions_remove(sv_afflictions* list, u32 key)
{
    if (!list)
        return 0;
    u8 count = list->count < SV_AFFLICTIONS ? list->count : (u8)SV_AFFLICTIONS;
    for (u8 i = 0; i < count; ++i) {
        if (list->items[i].status.key != key)
            continue;
        std::memmove(&list->items[i], &list->items[i + 1],
                     sizeof(sv_affliction) * (size_t)(count - i - 1));
        list->count = (u8)(count - 1);
        return 1;
    }
    return 0;
}

const sv_affliction* sv_afflictions_find(const sv_afflictions* list, u32 key)
{
    if (!list)
        return nullptr;
    for (u8 i = 0; i < list->count && i < SV_AFFLICTIONS; ++i)
        if (list->items[i].status.key == key)
            return &list->items[i];
    return nullptr;
}

f32 sv_modified(const sv_afflictions* list, u8 stat, f32 base)
{
    if (!list || list->count == 0)
        return base;
    f32 product = 1.0f, sum = 0.0f;
    for (u8 i = 0; i < list->count && i < SV_AFFLICTIONS; ++i) {
        const sv_affliction* entry = &list->items[i];
        if (entry->status.modifies != stat)
            continue;
        f32 stacks = (f32)entry->stacks;
        if (entry->status.op == SV_OP_MULTIPLY) {
            // Clamped at 0: two strong slows must not walk the player backwards, nor two strong
            // shields turn a wound into healing.
            f32 factor = (entry->status.magnitude - 1.0f) * stacks + 1.0f;
            product *= factor > 0.0f ? factor : 0.0f;
        } else {
            sum += stacks * entry->status.magnitude;
        }
    }
    return base * product + sum;
}

i32 sv_afflictions_indicators(const sv_afflictions* list, sv_indicator* out, i8 n)
{
    if (!list || !out || n <= 0)
        return 0;
    i32 rows = 0;
    f64 dt = sv_sim_dt();
    for (u8 i = 0; i < list->count && i < SV_AFFLICTIONS && rows < n; ++i, ++rows) {
        const sv_affliction* entry = &list->items[i];
        sv_indicator* row = &out[rows];
        std::memset(row, 0, sizeof *row);
        std::memcpy(row->name, entry->status.label, sizeof row->name - 1);
        row->name[sizeof row->name - 1] = '\0';
        row->permanent = entry->permanent;
        row->seconds_left = entry->permanent ? 0.0f : (f32)(entry->ticks_left * dt);
        row->stacks = entry->status.stacks ? entry->stacks : 0;
    }
    return rows;
}

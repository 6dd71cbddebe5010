// Scratch space from a floor's arena, rolled back when the scope ends. Readers of a const floor
// take it too: the arena only lends them memory, and everything is returned before they do.
#pragma once
#include "core/arena.h"
#include "floor/floor.h"

struct sv_floor_scratch {
    sv_arena* arena;
    sv_arena_mark mark;
    explicit sv_floor_scratch(const sv_floor* f)
        : arena(const_cast<sv_arena*>(&f->arena)), mark(sv_arena_mark_get(&f->arena))
    { }
    ~sv_floor_scratch() { sv_arena_release(arena, mark); }
    sv_floor_scratch(const sv_floor_scratch&) = delete;
    sv_floor_scratch& operator=(const sv_floor_scratch&) = delete;
    // Zero-filled; never a null pointer, even for no elements.
    template <typename T> T* take(u64 count)
    {
        return sv_arena_new_array<T>(arena, count ? count : 1);
    }
};

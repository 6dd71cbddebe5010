// Chained-block bump allocator; a floor and everything on it live in one.
#pragma once
#include "core/types.h"

struct sv_arena_block;

struct sv_arena {
    sv_arena_block* first;
    sv_arena_block* current;
    u64 block_size;
    u64 block_count;
};

struct sv_arena_mark {
    sv_arena_block* block;
    u64 used;
};

void sv_arena_init(sv_arena* arena, u64 block_size);
void* sv_arena_alloc_nozero(sv_arena* arena, u64 size, u64 align);
void* sv_arena_alloc(sv_arena* arena, u64 size, u64 align);
void* sv_arena_alloc_array(sv_arena* arena, u64 count, u64 elem_size, u64 align);
sv_arena_mark sv_arena_mark_get(const sv_arena* arena);
void sv_arena_release(sv_arena* arena, sv_arena_mark mark);
void sv_arena_reset(sv_arena* arena);
void sv_arena_free(sv_arena* arena);
u64 sv_arena_used(const sv_arena* arena);
u64 sv_arena_reserved(const sv_arena* arena);

// Typed conveniences over the byte interface: zero-filled, natural alignment.
template <typename T> T* sv_arena_new_array(sv_arena* arena, u64 count)
{
    return static_cast<T*>(sv_arena_alloc_array(arena, count, sizeof(T), alignof(T)));
}

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

// Sets up an empty arena that takes blocks of block_size bytes (0: 65536); allocates nothing.
void sv_arena_init(sv_arena* arena, u64 block_size);
// size bytes (at least 1) aligned to align, contents undefined, valid until a release, reset or
// free passes them; a new block is taken when none fits. Panics on a bad align or out of memory.
void* sv_arena_alloc_nozero(sv_arena* arena, u64 size, u64 align);
// sv_arena_alloc_nozero with the bytes zero-filled.
void* sv_arena_alloc(sv_arena* arena, u64 size, u64 align);
// count * elem_size zero-filled bytes as sv_arena_alloc; panics when the product overflows.
void* sv_arena_alloc_array(sv_arena* arena, u64 count, u64 elem_size, u64 align);
// The arena's current top, for a later sv_arena_release; changes nothing.
sv_arena_mark sv_arena_mark_get(const sv_arena* arena);
// Frees everything allocated since mark was taken (blocks are kept for reuse, not returned).
void sv_arena_release(sv_arena* arena, sv_arena_mark mark);
// Frees every allocation and keeps all blocks for reuse; pointers into the arena go stale.
void sv_arena_reset(sv_arena* arena);
// Returns every block to the heap; the arena stays usable and empty with its block size.
void sv_arena_free(sv_arena* arena);
// Bytes in use over all blocks, alignment padding included; walks the block chain.
u64 sv_arena_used(const sv_arena* arena);
// Bytes held from the heap over all blocks (their capacities, not their headers).
u64 sv_arena_reserved(const sv_arena* arena);

// Typed conveniences over the byte interface: zero-filled, natural alignment.
template <typename T> T* sv_arena_new_array(sv_arena* arena, u64 count)
{
    return static_cast<T*>(sv_arena_alloc_array(arena, count, sizeof(T), alignof(T)));
}

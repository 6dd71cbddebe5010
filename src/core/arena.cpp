#include "core/arena.h"

#include <cstdlib>
#include <cstring>

#include "core/panic.h"

// The header is 32 bytes, so a block from the heap (16-byte aligned) keeps its data 16-byte aligned.
struct alignas(16) sv_arena_block {
    sv_arena_block* next;
    u64 capacity;
    u64 used;
};

static_assert(sizeof(sv_arena_block) % 16 == 0,
              "arena block header must keep the data 16-byte aligned");

static u8* block_data(sv_arena_block* block)
{
    return reinterpret_cast<u8*>(block) + sizeof(sv_arena_block);
}

// Rounds up the absolute address, so alignments above the heap's 16 are honoured too.
static int fit_in_block(sv_arena_block* block, u64 n, u64 align, u64* out_off)
{
    uintptr_t base = reinterpret_cast<uintptr_t>(block_data(block));
    uintptr_t at = base + block->used;
    uintptr_t aligned = (at + (align - 1)) & ~(uintptr_t)(align - 1);
    if (aligned < at)
        return 0;
    u64 off = (u64)(aligned - base);
    if (off > block->capacity || block->capacity - off < n)
        return 0;
    *out_off = off;
    return 1;
}

void sv_arena_init(sv_arena* arena, u64 block_size)
{
    arena->first = nullptr;
    arena->current = nullptr;
    arena->block_size = block_size ? block_size : 65536;
    arena->block_count = 0;
}

void* sv_arena_alloc_nozero(sv_arena* arena, u64 size, u64 align)
{
    if (align == 0 || (align & (align - 1)) != 0)
        sv_panic("arena: alignment %zu is not a power of two", (size_t)align);
    u64 n = size ? size : 1;

    for (sv_arena_block* block = arena->current; block; block = block->next) {
        u64 off;
        if (fit_in_block(block, n, align, &off)) {
            block->used = off + n;
            arena->current = block;
            return block_data(block) + off;
        }
    }

    // No block fits: a new one, big enough for the request at any alignment. A sum that wraps is
    // caught by the fit check below; a size the heap request cannot even express is out of memory.
    u64 want = align + n;
    u64 capacity = want > arena->block_size ? want : arena->block_size;
    if (capacity > UINT64_MAX - sizeof(sv_arena_block))
        sv_panic("arena: out of memory requesting %zu bytes", (size_t)UINT64_MAX);
    u64 bytes = sizeof(sv_arena_block) + capacity;
    void* memory = bytes <= SIZE_MAX ? std::malloc((size_t)bytes) : nullptr;
    if (!memory)
        sv_panic("arena: out of memory requesting %zu bytes", (size_t)bytes);

    sv_arena_block* block = static_cast<sv_arena_block*>(memory);
    block->next = nullptr;
    block->capacity = capacity;
    block->used = 0;
    if (!arena->first) {
        arena->first = block;
    } else {
        sv_arena_block* last = arena->first;
        while (last->next)
            last = last->next;
        last->next = block;
    }
    arena->block_count++;
    arena->current = block;

    u64 off;
    if (!fit_in_block(block, n, align, &off))
        sv_panic("arena: fresh block of %zu bytes rejected a %zu byte request", (size_t)capacity,
                 (size_t)n);
    block->used = off + n;
    return block_data(block) + off;
}

void* sv_arena_alloc(sv_arena* arena, u64 size, u64 align)
{
    void* p = sv_arena_alloc_nozero(arena, size, align);
    std::memset(p, 0, (size_t)(size ? size : 1));
    return p;
}

void* sv_arena_alloc_array(sv_arena* arena, u64 count, u64 elem_size, u64 align)
{
    if (count != 0 && elem_size > UINT64_MAX / count)
        sv_panic("arena: array of %zu x %zu bytes overflows", (size_t)count, (size_t)elem_size);
    return sv_arena_alloc(arena, count * elem_size, align);
}

sv_arena_mark sv_arena_mark_get(const sv_arena* arena)
{
    sv_arena_mark mark = {nullptr, 0};
    if (arena->current) {
        mark.block = arena->current;
        mark.used = arena->current->used;
    }
    return mark;
}

void sv_arena_release(sv_arena* arena, sv_arena_mark mark)
{
    if (!mark.block) {
        for (sv_arena_block* block = arena->first; block; block = block->next)
            block->used = 0;
        arena->current = arena->first;
        return;
    }
    mark.block->used = mark.used;
    for (sv_arena_block* block = mark.block->next; block; block = block->next)
        block->used = 0;
    arena->current = mark.block;
}

void sv_arena_reset(sv_arena* arena)
{
    for (sv_arena_block* block = arena->first; block; block = block->next)
        block->used = 0;
    arena->current = arena->first;
}

void sv_arena_free(sv_arena* arena)
{
    sv_arena_block* block = arena->first;
    while (block) {
        sv_arena_block* next = block->next;
        std::free(block);
        block = next;
    }
    arena->first = nullptr;
    arena->current = nullptr;
    arena->block_count = 0;
}

u64 sv_arena_used(const sv_arena* arena)
{
    u64 sum = 0;
    for (const sv_arena_block* block = arena->first; block; block = block->next)
        sum += block->used;
    return sum;
}

u64 sv_arena_reserved(const sv_arena* arena)
{
    u64 sum = 0;
    for (const sv_arena_block* block = arena->first; block; block = block->next)
        sum += block->capacity;
    return sum;
}

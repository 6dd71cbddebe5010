#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "core/arena.h"

namespace {

struct ArenaTest : ::testing::Test {
    sv_arena arena;
    void SetUp() override { sv_arena_init(&arena, 256); }
    void TearDown() override { sv_arena_free(&arena); }
};

TEST_F(ArenaTest, InitTakesNoMemoryAndDefaultsBlockSize)
{
    sv_arena other;
    sv_arena_init(&other, 0);
    EXPECT_EQ(other.block_size, 65536u);
    EXPECT_EQ(other.first, nullptr);
    EXPECT_EQ(other.block_count, 0u);
    EXPECT_EQ(sv_arena_used(&other), 0u);
    EXPECT_EQ(sv_arena_reserved(&other), 0u);
    sv_arena_mark mark = sv_arena_mark_get(&other);
    EXPECT_EQ(mark.block, nullptr);
    EXPECT_EQ(mark.used, 0u);
}

TEST_F(ArenaTest, ZeroSizeTakesOneClearedByteAndDistinctPointers)
{
    u8* a = static_cast<u8*>(sv_arena_alloc_nozero(&arena, 0, 1));
    *a = 0xAB;
    sv_arena_reset(&arena);
    u8* b = static_cast<u8*>(sv_arena_alloc(&arena, 0, 1));
    EXPECT_EQ(a, b);
    EXPECT_EQ(*b, 0);
    u8* c = static_cast<u8*>(sv_arena_alloc(&arena, 0, 1));
    EXPECT_NE(b, c);
    EXPECT_EQ(sv_arena_used(&arena), 2u);
}

TEST_F(ArenaTest, AlignmentIsHonouredAndBlocksAreFilledInOrder)
{
    u8* a = static_cast<u8*>(sv_arena_alloc(&arena, 3, 1));
    u32* b = static_cast<u32*>(sv_arena_alloc(&arena, sizeof(u32), alignof(u32)));
    u64* c = static_cast<u64*>(sv_arena_alloc(&arena, sizeof(u64), 8));
    EXPECT_EQ(reinterpret_cast<uintptr_t>(a) % 16, 0u);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(b), reinterpret_cast<uintptr_t>(a) + 4);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(c), reinterpret_cast<uintptr_t>(a) + 8);
    EXPECT_EQ(sv_arena_used(&arena), 16u);
    EXPECT_EQ(arena.block_count, 1u);
    EXPECT_EQ(sv_arena_reserved(&arena), 256u);
}

TEST_F(ArenaTest, LargeAlignmentIsHonouredOnTheAddress)
{
    sv_arena_alloc(&arena, 1, 1);
    void* p = sv_arena_alloc(&arena, 10, 64);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % 64, 0u);
    void* q = sv_arena_alloc(&arena, 1000, 4096);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(q) % 4096, 0u);
}

TEST_F(ArenaTest, LargeRequestGetsItsOwnBlockThenOrdinaryBlocksFollow)
{
    u8* big = static_cast<u8*>(sv_arena_alloc(&arena, 1000, 8));
    EXPECT_EQ(arena.block_count, 1u);
    EXPECT_EQ(sv_arena_reserved(&arena), 1008u);
    for (int i = 0; i < 1000; i++)
        EXPECT_EQ(big[i], 0);
    // 8 bytes remain in the big block; 16 do not fit, so an ordinary block follows.
    sv_arena_alloc(&arena, 16, 8);
    EXPECT_EQ(arena.block_count, 2u);
    EXPECT_EQ(sv_arena_reserved(&arena), 1008u + 256u);
}

TEST_F(ArenaTest, ReleaseToAMarkKeepsEarlierDataAndRestoresUsed)
{
    u32* keep = static_cast<u32*>(sv_arena_alloc(&arena, sizeof(u32), 4));
    *keep = 0xC0FFEEu;
    sv_arena_mark mark = sv_arena_mark_get(&arena);
    u64 used = sv_arena_used(&arena);
    for (int i = 0; i < 20; i++)
        sv_arena_alloc(&arena, 100, 8);
    EXPECT_GT(arena.block_count, 1u);
    sv_arena_release(&arena, mark);
    EXPECT_EQ(sv_arena_used(&arena), used);
    EXPECT_EQ(*keep, 0xC0FFEEu);
    // Released space is reused: the next allocation lands right after the kept one.
    u8* next = static_cast<u8*>(sv_arena_alloc(&arena, 1, 1));
    EXPECT_EQ(next, reinterpret_cast<u8*>(keep) + 4);
}

TEST_F(ArenaTest, MarkOnEmptyArenaReleasesEverythingToTheFirstBlock)
{
    sv_arena_mark mark = sv_arena_mark_get(&arena);
    void* first = sv_arena_alloc(&arena, 200, 8);
    sv_arena_alloc(&arena, 200, 8);
    sv_arena_alloc(&arena, 200, 8);
    u64 blocks = arena.block_count;
    sv_arena_release(&arena, mark);
    EXPECT_EQ(sv_arena_used(&arena), 0u);
    EXPECT_EQ(arena.current, arena.first);
    EXPECT_EQ(arena.block_count, blocks);
    EXPECT_EQ(sv_arena_alloc(&arena, 8, 8), first);
}

TEST_F(ArenaTest, FreedArenaCanBeUsedAgain)
{
    sv_arena_alloc(&arena, 100, 8);
    sv_arena_free(&arena);
    EXPECT_EQ(arena.block_count, 0u);
    EXPECT_EQ(arena.block_size, 256u);
    EXPECT_NE(sv_arena_alloc(&arena, 8, 8), nullptr);
    EXPECT_EQ(arena.block_count, 1u);
}

TEST_F(ArenaTest, ArrayOfZeroReturnsOneZeroedByte)
{
    u8* p = static_cast<u8*>(sv_arena_alloc_array(&arena, 0, 8, 8));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(*p, 0);
    u64* q = sv_arena_new_array<u64>(&arena, 10);
    for (int i = 0; i < 10; i++)
        EXPECT_EQ(q[i], 0u);
}

using ArenaDeathTest = ArenaTest;

TEST_F(ArenaDeathTest, BadAlignmentPanics)
{
    EXPECT_DEATH(sv_arena_alloc(&arena, 8, 0), "panic: arena: alignment 0 is not a power of two");
    EXPECT_DEATH(sv_arena_alloc(&arena, 8, 3), "panic: arena: alignment 3 is not a power of two");
    EXPECT_DEATH(sv_arena_alloc(&arena, 8, 24), "panic: arena: alignment 24 is not a power of two");
}

TEST_F(ArenaDeathTest, OverflowingArrayPanics)
{
    EXPECT_DEATH(sv_arena_alloc_array(&arena, UINT64_MAX / 2, 3, 1),
                 "panic: arena: array of 9223372036854775807 x 3 bytes overflows");
}

TEST_F(ArenaDeathTest, HeapRequestThatCannotBeExpressedPanicsOutOfMemory)
{
    EXPECT_DEATH(sv_arena_alloc(&arena, UINT64_MAX - 20, 16),
                 "panic: arena: out of memory requesting 18446744073709551615 bytes");
    // align + size wraps to a small number: the fresh ordinary block cannot hold the request.
    EXPECT_DEATH(
        sv_arena_alloc(&arena, UINT64_MAX, 16),
        "panic: arena: fresh block of 256 bytes rejected a 18446744073709551615 byte request");
}

} // namespace

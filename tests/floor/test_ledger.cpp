#include <gtest/gtest.h>

#include "floor/ledger.h"

TEST(Ledger, FirstFloorOwesPrismAndExitOnly)
{
    sv_ledger l;
    sv_ledger_init(&l, 1, 3);
    EXPECT_EQ(l.axiom_owed, 0);
    EXPECT_EQ(l.monument_owed, 0);
    EXPECT_EQ(l.gate_owed, 0);
    EXPECT_EQ(sv_ledger_outstanding(&l), 2);
    EXPECT_EQ(sv_ledger_deferred_outstanding(&l), 0);
    EXPECT_STREQ(sv_ledger_missing(&l), "prism");
    EXPECT_EQ(sv_ledger_place(&l, SV_OBLIGATION_AXIOM), 0);
    EXPECT_EQ(sv_ledger_place(&l, SV_OBLIGATION_MONUMENT), 0);
    EXPECT_EQ(sv_ledger_place(&l, SV_OBLIGATION_GATE_SCION), 0);
    EXPECT_EQ(sv_ledger_place(&l, SV_OBLIGATION_PRISM), 1);
    EXPECT_EQ(sv_ledger_place(&l, SV_OBLIGATION_PRISM), 0);
    EXPECT_STREQ(sv_ledger_missing(&l), "exit");
    EXPECT_EQ(sv_ledger_satisfied(&l), 0);
    EXPECT_EQ(sv_ledger_place(&l, SV_OBLIGATION_EXIT), 1);
    EXPECT_EQ(sv_ledger_missing(&l), nullptr);
    EXPECT_EQ(sv_ledger_satisfied(&l), 1);
    EXPECT_EQ(sv_ledger_place(&l, 5), 0);
}

TEST(Ledger, DeeperFloorsNameObligationsInOrder)
{
    sv_ledger l;
    sv_ledger_init(&l, 4, 3);
    EXPECT_EQ(l.gate_owed, 3);
    EXPECT_EQ(sv_ledger_outstanding(&l), 3);
    EXPECT_EQ(sv_ledger_deferred_outstanding(&l), 4);
    sv_ledger_place(&l, SV_OBLIGATION_PRISM);
    sv_ledger_place(&l, SV_OBLIGATION_EXIT);
    EXPECT_STREQ(sv_ledger_missing(&l), "axiom");
    EXPECT_EQ(sv_ledger_place(&l, SV_OBLIGATION_AXIOM), 1);
    EXPECT_EQ(sv_ledger_place(&l, SV_OBLIGATION_AXIOM), 0);
    EXPECT_EQ(sv_ledger_outstanding(&l), 0);
    EXPECT_STREQ(sv_ledger_missing(&l), "gate scion");
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(sv_ledger_place(&l, SV_OBLIGATION_GATE_SCION), 1);
    EXPECT_EQ(sv_ledger_place(&l, SV_OBLIGATION_GATE_SCION), 0);
    EXPECT_EQ(l.gate_placed, 3);
    EXPECT_STREQ(sv_ledger_missing(&l), "monument");
    EXPECT_EQ(sv_ledger_satisfied(&l), 0);
    EXPECT_EQ(sv_ledger_place(&l, SV_OBLIGATION_MONUMENT), 1);
    EXPECT_EQ(sv_ledger_satisfied(&l), 1);
    EXPECT_EQ(sv_ledger_deferred_outstanding(&l), 0);
}

TEST(Ledger, LoweredGatesAndShardCover)
{
    sv_ledger l;
    sv_ledger_init(&l, 2, 2);
    sv_ledger_place(&l, SV_OBLIGATION_GATE_SCION);
    l.gate_owed = l.gate_placed; // the generator lowers what it owes to what it placed
    EXPECT_EQ(sv_ledger_deferred_outstanding(&l), 1); // the monument
    l.shards = 2;
    l.shard_locks = 3;
    EXPECT_EQ(sv_ledger_shards_cover_locks(&l), 0);
    l.shards = 3;
    EXPECT_EQ(sv_ledger_shards_cover_locks(&l), 1);
}

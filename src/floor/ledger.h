// What a floor owes and what the generator managed to place.
#pragma once
#include "core/types.h"

enum sv_obligation : u32 {
    SV_OBLIGATION_PRISM = 0,
    SV_OBLIGATION_AXIOM = 1,
    SV_OBLIGATION_EXIT = 2,
    SV_OBLIGATION_MONUMENT = 3,
    SV_OBLIGATION_GATE_SCION = 4,
};

struct sv_ledger {
    u8 axiom_owed;
    u8 monument_owed;
    u8 prism_placed;
    u8 axiom_placed;
    u8 exit_placed;
    u8 monument_placed;
    u16 gate_owed;
    u16 gate_placed;
    u16 shards;
    u16 shard_locks;
    u16 optional_scions;
    u16 fountains;
    u16 chests;
};

const char* sv_obligation_name(u32 obligation);
void sv_ledger_init(sv_ledger* ledger, u16 floor, u16 gates);
i32 sv_ledger_place(sv_ledger* ledger, u32 obligation);
u16 sv_ledger_outstanding(const sv_ledger* ledger);
u16 sv_ledger_deferred_outstanding(const sv_ledger* ledger);
u16 sv_ledger_satisfied(const sv_ledger* ledger);
const char* sv_ledger_missing(const sv_ledger* ledger);
u16 sv_ledger_shards_cover_locks(const sv_ledger* ledger);

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

// The obligation's name ("prism" ... "gate scion"); "?" for anything else.
const char* sv_obligation_name(u32 obligation);
// Clears ledger; from floor 2 on it owes an Axiom, a monument and gates gate Scions.
void sv_ledger_init(sv_ledger* ledger, u16 floor, u16 gates);
// Counts one placement of obligation: 1; 0 with nothing changed when it is not owed or already
// met (the Prism and exit are always owed once).
i32 sv_ledger_place(sv_ledger* ledger, u32 obligation);
// Required obligations unmet: the exit, the Prism and an owed Axiom.
u16 sv_ledger_outstanding(const sv_ledger* ledger);
// Deferred obligations unmet: gate Scions still owed plus an owed monument.
u16 sv_ledger_deferred_outstanding(const sv_ledger* ledger);
// 1 when nothing required or deferred is outstanding, else 0.
u16 sv_ledger_satisfied(const sv_ledger* ledger);
// The name of the first unmet obligation (prism, exit, axiom, gate scion, monument); null when
// none.
const char* sv_ledger_missing(const sv_ledger* ledger);
// 1 when the Shards placed are at least the locks that need one, else 0.
u16 sv_ledger_shards_cover_locks(const sv_ledger* ledger);

#include "floor/ledger.h"

#include <cstring>

static const char* const k_obligation_names[5]
    = {"prism", "axiom", "exit", "monument", "gate scion"};

const char* sv_obligation_name(u32 obligation)
{
    return obligation < 5 ? k_obligation_names[obligation] : "?";
}

void sv_ledger_init(sv_ledger* ledger, u16 floor, u16 gates)
{
    std::memset(ledger, 0, sizeof *ledger);
    ledger->axiom_owed = floor > 1 ? 1 : 0;
    ledger->monument_owed = floor > 1 ? 1 : 0;
    ledger->gate_owed = floor < 2 ? 0 : gates;
}

i32 sv_ledger_place(sv_ledger* ledger, u32 obligation)
{
    switch (obligation) {
    case SV_OBLIGATION_PRISM:
        if (ledger->prism_placed)
            return 0;
        ledger->prism_placed = 1;
        return 1;
    case SV_OBLIGATION_EXIT:
        if (ledger->exit_placed)
            return 0;
        ledger->exit_placed = 1;
        return 1;
    case SV_OBLIGATION_AXIOM:
        if (!ledger->axiom_owed || ledger->axiom_placed)
            return 0;
        ledger->axiom_placed = 1;
        return 1;
    case SV_OBLIGATION_MONUMENT:
        if (!ledger->monument_owed || ledger->monument_placed)
            return 0;
        ledger->monument_placed = 1;
        return 1;
    case SV_OBLIGATION_GATE_SCION:
        if (ledger->gate_placed >= ledger->gate_owed)
            return 0;
        ++ledger->gate_placed;
        return 1;
    default: return 0;
    }
}

u16 sv_ledger_outstanding(const sv_ledger* ledger)
{
    u16 n = 0;
    n += ledger->exit_placed ? 0 : 1;
    n += ledger->prism_placed ? 0 : 1;
    n += ledger->axiom_owed && !ledger->axiom_placed ? 1 : 0;
    return n;
}

u16 sv_ledger_deferred_outstanding(const sv_ledger* ledger)
{
    // Placed never passes owed through sv_ledger_place, but a ledger lowered by hand must not wrap.
    u16 gates = ledger->gate_owed > ledger->gate_placed
        ? (u16)(ledger->gate_owed - ledger->gate_placed)
        : 0;
    return (u16)(gates + (ledger->monument_owed && !ledger->monument_placed ? 1 : 0));
}

u16 sv_ledger_satisfied(const sv_ledger* ledger)
{
    return sv_ledger_outstanding(ledger) == 0 && sv_ledger_deferred_outstanding(ledger) == 0 ? 1
                                                                                             : 0;
}

const char* sv_ledger_missing(const sv_ledger* ledger)
{
    if (!ledger->prism_placed)
        return "prism";
    if (!ledger->exit_placed)
        return "exit";
    if (ledger->axiom_owed && !ledger->axiom_placed)
        return "axiom";
    if (ledger->gate_placed < ledger->gate_owed)
        return "gate scion";
    if (ledger->monument_owed && !ledger->monument_placed)
        return "monument";
    return nullptr;
}

u16 sv_ledger_shards_cover_locks(const sv_ledger* ledger)
{
    return ledger->shards >= ledger->shard_locks ? 1 : 0;
}

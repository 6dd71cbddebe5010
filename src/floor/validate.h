// Validation: the rules that make a generated floor playable.
#pragma once
#include "core/types.h"
#include "core/writer.h"
#include "floor/floor.h"

#define SV_VALIDATE_FAULTS 24

enum sv_invalid_kind : u32 {
    SV_INVALID_UNREACHABLE = 0,
    SV_INVALID_NO_PRISM = 1,
    SV_INVALID_PRISM_NEEDS_SHARD = 2,
    SV_INVALID_NO_AXIOM = 3,
    SV_INVALID_AXIOM_NEEDS_SHARD = 4,
    SV_INVALID_AXIOM_UNLOCKED = 5,
    SV_INVALID_NO_MONUMENT = 6,
    SV_INVALID_MONUMENT_NEEDS_SHARD = 7,
    SV_INVALID_NO_EXIT = 8,
    SV_INVALID_EXIT_ASTRAY = 9,
    SV_INVALID_NO_SHARD_REACHABLE = 10,
    SV_INVALID_SHARDS_SHORT = 11,
    SV_INVALID_FIRST_FLOOR = 12,
    SV_INVALID_SCION_UNLOCKED = 13,
    SV_INVALID_GATE_BYPASSED = 14,
    SV_INVALID_PRISM_BEHIND_LOCK = 15,
};

struct sv_validate_fault {
    u32 kind; // sv_invalid_kind
    u16 room; // 65535 when the fault names no room
};

struct sv_validate_report {
    sv_validate_fault faults[SV_VALIDATE_FAULTS];
    u8 listed;      // faults held
    u32 not_listed; // further faults, only counted (wide enough for every room of a floor)
};

// 1 valid, 0 with faults written to report (may be null); a null or empty floor is unreachable.
// Scratch comes from the floor's arena, which is rolled back after; changes nothing else.
i32 sv_validate_floor(const sv_floor* floor, sv_validate_report* report);
// Writes one "  INVALID: " line per listed fault and a count of the rest; nothing for null.
void sv_validate_print(const sv_validate_report* report, sv_writer w);
// The fault's name; "?" for a kind past the list.
const char* sv_invalid_kind_name(u32 kind);

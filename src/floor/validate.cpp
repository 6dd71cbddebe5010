// Validation reads rooms, doors and tags only, and checks that the keys can be reached
// before the locks they open.
#include "floor/validate.h"

#include "floor/scratch.h"

namespace {

const char* const k_fault_names[] = {
    "room unreachable from spawn",
    "no Prism",
    "Prism needs a Shard",
    "no Axiom",
    "Axiom needs a Shard",
    "nothing locks the Axiom",
    "no monument",
    "monument needs a Shard",
    "no exit",
    "exit is not in the Axiom room",
    "locks exist, no Shard reachable",
    "fewer Shards than locked doors",
    "floor 1 carries what it must not",
    "optional Scion behind no lock",
    "gate Scion can be walked around",
    "Prism lies behind the lock it opens",
};

void add_fault(sv_validate_report* rep, u32 kind, u16 room)
{
    if (rep->listed < SV_VALIDATE_FAULTS) {
        rep->faults[rep->listed].kind = kind;
        rep->faults[rep->listed].room = room;
        rep->listed += 1;
    } else {
        rep->not_listed += 1;
    }
}

} // namespace

const char* sv_invalid_kind_name(u32 kind)
{
    if (kind < sizeof(k_fault_names) / sizeof(k_fault_names[0]))
        return k_fault_names[kind];
    return "?";
}

i32 sv_validate_floor(const sv_floor* floor, sv_validate_report* report)
{
    sv_validate_report local;
    sv_validate_report* rep = report ? report : &local;
    *rep = sv_validate_report {};
    if (!floor || floor->room_count == 0 || !floor->rooms) {
        add_fault(rep, SV_INVALID_UNREACHABLE, SV_NONE16);
        return 0;
    }
    const sv_floor* f = floor;
    u16 n = f->room_count;
    sv_floor_scratch s(f);
    u8* all = s.take<u8>(n);
    u8* no_shard = s.take<u8>(n);
    u8* no_prism = s.take<u8>(n);
    u8* around = s.take<u8>(n);

    sv_floor_reach(f, SV_CROSS_ALL, SV_NONE16, all);
    sv_floor_reach(f, SV_DOOR_SCION, SV_NONE16, no_shard);
    sv_floor_reach(f, SV_DOOR_AXIOM, SV_NONE16, no_prism);

    for (u16 r = 0; r < n; ++r)
        if (!all[r])
            add_fault(rep, SV_INVALID_UNREACHABLE, r);

    i32 prism = sv_floor_find(f, SV_TAG_PRISM);
    i32 axiom = sv_floor_find(f, SV_TAG_AXIOM);
    i32 monument = sv_floor_find(f, SV_TAG_MONUMENT);
    if (prism < 0)
        add_fault(rep, SV_INVALID_NO_PRISM, SV_NONE16);
    else if (!no_shard[prism])
        add_fault(rep, SV_INVALID_PRISM_NEEDS_SHARD, (u16)prism);
    // The Prism is the only key to a Prism lock; behind one it can never be fetched.
    if (prism >= 0 && all[prism] && !no_prism[prism])
        add_fault(rep, SV_INVALID_PRISM_BEHIND_LOCK, (u16)prism);

    u32 exits = 0, scion_doors = 0;
    i32 last_exit_room = -1;
    for (u16 r = 0; r < n; ++r) {
        const sv_room* room = &f->rooms[r];
        for (u8 d = 0; d < room->door_count; ++d) {
            if (room->doors[d].kind == SV_DOOR_EXIT) {
                exits += 1;
                last_exit_room = r;
            } else if (room->doors[d].kind == SV_DOOR_SCION) {
                scion_doors += 1;
            }
        }
    }
    if (exits == 0)
        add_fault(rep, SV_INVALID_NO_EXIT, SV_NONE16);

    if (f->floor_number > 1) {
        if (axiom < 0) {
            add_fault(rep, SV_INVALID_NO_AXIOM, SV_NONE16);
        } else {
            if (!no_shard[axiom])
                add_fault(rep, SV_INVALID_AXIOM_NEEDS_SHARD, (u16)axiom);
            if (exits > 0 && last_exit_room != axiom)
                add_fault(rep, SV_INVALID_EXIT_ASTRAY, (u16)last_exit_room);
            int locked = 0;
            for (u16 r = 0; r < n && !locked; ++r) {
                const sv_room* room = &f->rooms[r];
                for (u8 d = 0; d < room->door_count; ++d) {
                    const sv_door* door = &room->doors[d];
                    if (door->target == axiom && door->kind == SV_DOOR_AXIOM && door->locked)
                        locked = 1;
                }
            }
            if (!locked)
                add_fault(rep, SV_INVALID_AXIOM_UNLOCKED, (u16)axiom);
        }
        if (monument < 0)
            add_fault(rep, SV_INVALID_NO_MONUMENT, SV_NONE16);
        else if (!no_shard[monument])
            add_fault(rep, SV_INVALID_MONUMENT_NEEDS_SHARD, (u16)monument);
    } else if (axiom >= 0 || monument >= 0 || sv_floor_find(f, SV_TAG_SCION) >= 0
               || sv_floor_find(f, SV_TAG_SHARD) >= 0) {
        add_fault(rep, SV_INVALID_FIRST_FLOOR, SV_NONE16);
    }

    u64 keys = sv_floor_count_tagged(f, SV_TAG_SHARD) + sv_floor_count_tagged(f, SV_TAG_SCION);
    if (keys < scion_doors)
        add_fault(rep, SV_INVALID_SHARDS_SHORT, SV_NONE16);
    if (scion_doors > 0) {
        int reachable = 0;
        for (u16 r = 0; r < n && !reachable; ++r)
            if (no_shard[r] && (f->rooms[r].tags & SV_TAG_SHARD))
                reachable = 1;
        if (!reachable)
            add_fault(rep, SV_INVALID_NO_SHARD_REACHABLE, SV_NONE16);
    }
    for (u16 r = 0; r < n; ++r) {
        u8 tags = f->rooms[r].tags;
        if ((tags & SV_TAG_SCION) && !(tags & SV_TAG_GATE) && no_shard[r])
            add_fault(rep, SV_INVALID_SCION_UNLOCKED, r);
    }
    if (axiom >= 0) {
        for (u16 r = 1; r < n; ++r) {
            if (r == axiom || !(f->rooms[r].tags & SV_TAG_GATE))
                continue;
            sv_floor_reach(f, SV_CROSS_ALL, r, around);
            if (around[axiom])
                add_fault(rep, SV_INVALID_GATE_BYPASSED, r);
        }
    }
    return rep->listed == 0 && rep->not_listed == 0;
}

void sv_validate_print(const sv_validate_report* report, sv_writer w)
{
    if (!report)
        return;
    for (u32 i = 0; i < report->listed && i < SV_VALIDATE_FAULTS; ++i) {
        const sv_validate_fault* fault = &report->faults[i];
        sv_writef(w, "  INVALID: %s", sv_invalid_kind_name(fault->kind));
        if (fault->room != SV_NONE16)
            sv_writef(w, " (room %u)", fault->room);
        sv_writef(w, "\n");
    }
    if (report->not_listed > 0)
        sv_writef(w, "  (%u more not listed)\n", report->not_listed);
}

// A map from ids (NUL-terminated strings) to small values for the content loader's lookups:
// open addressing over one array, keys borrowed from their owners, so an id costs a slot, not
// a node and a copy. Never walked: the slots' order means nothing, and it differs from one
// process to the next (see sv_id_map_set_key), so no result may ever depend on it.
#pragma once
#include <vector>

#include "core/types.h"

struct sv_id_slot {
    const char* key; // borrowed; null marks an empty slot
    u64 hash;
    u32 value;
};

struct sv_id_map {
    std::vector<sv_id_slot> slots; // a power of two long, at most half full
    u64 count;
};

// Empties the map and sizes it for `expected` keys without growing; frees nothing it will reuse.
void sv_id_map_reset(sv_id_map* map, u64 expected);

// Returns the slot holding `key`, or null when absent (or `key` is null).
sv_id_slot* sv_id_map_find(sv_id_map* map, const char* key);

// Returns the slot holding `key`, adding it with `value` when absent (then *added is true). The
// key must outlive its slot or be replaced in it (an owner's new copy of the same text).
sv_id_slot* sv_id_map_insert(sv_id_map* map, const char* key, u32 value, bool* added);

// The slots are picked by a hash keyed with 128 secret bits drawn from the system once per
// process, so a pack cannot choose ids that pile into one cluster. Tests set the key to show
// that no result depends on it; a map filled under another key must be reset before use.
void sv_id_map_set_key(u64 k0, u64 k1);

// Linear probing with the full hash kept per slot, so a probe compares strings only on a likely
// match; the table doubles before it is half full.
#include "core/id_map.h"

#include <cstring>

static u64 id_hash(const char* key)
{
    // FNV-1a: the same on every build, and ids are short.
    u64 h = 0xcbf29ce484222325ull;
    for (const unsigned char* p = (const unsigned char*)key; *p; ++p)
        h = (h ^ *p) * 0x100000001b3ull;
    // FNV's low bits, which pick the slot, vary little between ids that differ in one late
    // character; a final mix spreads every bit over them.
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdull;
    h ^= h >> 33;
    return h;
}

// The slot holding `key`, or the empty slot where it would go.
static sv_id_slot* probe(sv_id_map* map, const char* key, u64 hash)
{
    u64 mask = map->slots.size() - 1;
    for (u64 i = hash & mask;; i = (i + 1) & mask) {
        sv_id_slot* slot = &map->slots[i];
        if (!slot->key || (slot->hash == hash && strcmp(slot->key, key) == 0))
            return slot;
    }
}

static void resize(sv_id_map* map, u64 size)
{
    std::vector<sv_id_slot> old;
    old.swap(map->slots);
    map->slots.assign(size, sv_id_slot {nullptr, 0, 0});
    for (const sv_id_slot& slot : old) {
        if (slot.key)
            *probe(map, slot.key, slot.hash) = slot;
    }
}

void sv_id_map_reset(sv_id_map* map, u64 expected)
{
    u64 size = 16;
    while (size < expected * 2)
        size *= 2;
    map->slots.assign(size, sv_id_slot {nullptr, 0, 0});
    map->count = 0;
}

sv_id_slot* sv_id_map_find(sv_id_map* map, const char* key)
{
    if (!key || map->slots.empty())
        return nullptr;
    sv_id_slot* slot = probe(map, key, id_hash(key));
    return slot->key ? slot : nullptr;
}

sv_id_slot* sv_id_map_insert(sv_id_map* map, const char* key, u32 value, bool* added)
{
    *added = false;
    if (!key)
        return nullptr;
    if ((map->count + 1) * 2 > map->slots.size())
        resize(map, map->slots.empty() ? 16 : map->slots.size() * 2);
    u64 hash = id_hash(key);
    sv_id_slot* slot = probe(map, key, hash);
    if (!slot->key) {
        *slot = sv_id_slot {key, hash, value};
        map->count += 1;
        *added = true;
    }
    return slot;
}

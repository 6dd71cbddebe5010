// Linear probing with the full hash kept per slot, so a probe compares strings only on a likely
// match; the table doubles before it is half full. The hash is SipHash-1-3 under a per-process
// random key: with a public hash, ids can be searched for whose slots fall in one window (about
// one try in a thousand at 131,072 ids), and then every insert walks a cluster as long as the
// table, which makes loading quadratic.
#include "core/id_map.h"

#include <cstring>
#include <random>

namespace {

struct id_key {
    u64 k0, k1;
    bool set;
};

id_key g_key;

u64 rotl(u64 x, int b)
{
    return (x << b) | (x >> (64 - b));
}

void sip_round(u64* v)
{
    v[0] += v[1];
    v[1] = rotl(v[1], 13);
    v[1] ^= v[0];
    v[0] = rotl(v[0], 32);
    v[2] += v[3];
    v[3] = rotl(v[3], 16);
    v[3] ^= v[2];
    v[0] += v[3];
    v[3] = rotl(v[3], 21);
    v[3] ^= v[0];
    v[2] += v[1];
    v[1] = rotl(v[1], 17);
    v[1] ^= v[2];
    v[2] = rotl(v[2], 32);
}

// The key is drawn at the first use rather than at start-up, so a process that loads no pack
// never asks the system for it.
const id_key& hash_key(void)
{
    if (!g_key.set) {
        std::random_device device;
        g_key.k0 = ((u64)device() << 32) ^ (u64)device();
        g_key.k1 = ((u64)device() << 32) ^ (u64)device();
        g_key.set = true;
    }
    return g_key;
}

// SipHash-1-3 of the id's bytes: one compression round per 8 bytes, three to finish.
u64 id_hash(const char* id)
{
    const id_key& k = hash_key();
    u64 v[4] = {k.k0 ^ 0x736f6d6570736575ull, k.k1 ^ 0x646f72616e646f6dull,
                k.k0 ^ 0x6c7967656e657261ull, k.k1 ^ 0x7465646279746573ull};
    const unsigned char* p = (const unsigned char*)id;
    u64 n = strlen(id);
    u64 whole = n & ~(u64)7;
    for (u64 i = 0; i < whole; i += 8) {
        u64 m = 0;
        for (int b = 0; b < 8; ++b)
            m |= (u64)p[i + (u64)b] << (8 * b);
        v[3] ^= m;
        sip_round(v);
        v[0] ^= m;
    }
    u64 last = n << 56;
    for (u64 i = whole; i < n; ++i)
        last |= (u64)p[i] << (8 * (i - whole));
    v[3] ^= last;
    sip_round(v);
    v[0] ^= last;
    v[2] ^= 0xff;
    for (int r = 0; r < 3; ++r)
        sip_round(v);
    return v[0] ^ v[1] ^ v[2] ^ v[3];
}

// The slot holding `key`, or the empty slot where it would go.
sv_id_slot* probe(sv_id_map* map, const char* id, u64 hash)
{
    u64 mask = map->slots.size() - 1;
    for (u64 i = hash & mask;; i = (i + 1) & mask) {
        sv_id_slot* slot = &map->slots[i];
        if (!slot->key || (slot->hash == hash && strcmp(slot->key, id) == 0))
            return slot;
    }
}

void resize(sv_id_map* map, u64 size)
{
    std::vector<sv_id_slot> old;
    old.swap(map->slots);
    map->slots.assign(size, sv_id_slot {nullptr, 0, 0});
    for (const sv_id_slot& slot : old) {
        if (slot.key)
            *probe(map, slot.key, slot.hash) = slot;
    }
}

} // namespace

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

void sv_id_map_set_key(u64 k0, u64 k1)
{
    g_key = id_key {k0, k1, true};
}

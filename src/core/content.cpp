// Content tables and their accessors, the enumeration names, the status key, and the store and
// free helpers the readers and the loader share.
#include "core/content.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/content_internal.h"
#include "core/id_map.h"
#include "core/log.h"

const char* const k_rarity_names[3] = {"common", "uncommon", "rare"};
const char* const k_slot_names[2] = {"melee", "ranged"};
const char* const k_modifies_names[5]
    = {"damage_taken", "damage_dealt", "walk_speed", "stamina_regen", "health_rate"};
const char* const k_op_names[2] = {"multiply", "add"};
const char* const k_set_names[3] = {"melee", "ranged", "self"};
const char* const k_restriction_names[5] = {"melee", "ranged", "weapon", "self", "any"};
const char* const k_flavour_names[3] = {"good", "situational", "costly"};
const char* const k_transform_names[3] = {"heal", "max_hp", "buff"};
const char* const k_axis_names[3] = {"up", "forward", "side"};

// The tables; definitions are plain records owning heap strings and lists, freed by hand.
std::vector<sv_scion_def> g_scions;
std::vector<sv_axiom_def> g_axioms;
std::vector<sv_inclusion_def> g_inclusions;
std::vector<sv_element_def> g_elements;
std::vector<sv_transform_def> g_transforms;
std::vector<sv_weapon_def> g_weapons;
std::vector<sv_mob_def> g_mobs;
std::vector<sv_chest_def> g_chests;
std::vector<sv_status_def> g_statuses;

namespace {

template <typename T> const T* table_at(const std::vector<T>& table, u64 i)
{
    return i < table.size() ? &table[i] : nullptr;
}

// Index of every stored id in its table, so a store finds the definition it overrides and a
// lookup its definition without scanning the table. It describes the table as long as the
// table's length is the one it was built for: the loader closing up a table always shortens
// it, and the next use rebuilds the index before trusting any slot.
struct id_index {
    sv_id_map map;
    u64 size;
};

template <typename T> void index_rebuild(const std::vector<T>& table, id_index& ids)
{
    sv_id_map_reset(&ids.map, table.size());
    bool added = false;
    for (u64 i = 0; i < table.size(); ++i)
        sv_id_map_insert(&ids.map, table[i].id, (u32)i, &added);
    ids.size = table.size();
}

template <typename T>
const T* table_find(const std::vector<T>& table, id_index& ids, const char* id)
{
    if (ids.size != table.size())
        index_rebuild(table, ids);
    const sv_id_slot* slot = sv_id_map_find(&ids.map, id);
    return slot ? &table[slot->value] : nullptr;
}

// What the kind being loaded keeps on the heap, charged as definitions are stored; short text
// can cost many times its size once read (an empty action object becomes a whole action), so
// the bound is on this, not on the text.
struct kept_budget {
    u64 bytes;
    bool full; // a definition was refused for want of room
};
kept_budget g_kept;

// The block glibc hands out for n bytes: its 8-byte header, rounded to 16, 32 at least.
u64 block(u64 n)
{
    u64 size = (n + 8 + 15) & ~(u64)15;
    return size < 32 ? 32 : size;
}

u64 text_cost(const char* s)
{
    return s ? block(strlen(s) + 1) : 0;
}

u64 raw_cost(const sv_raw_list& raw)
{
    u64 n = raw.items ? block(raw.count * sizeof(sv_raw_apply)) : 0;
    for (u32 i = 0; i < raw.count; ++i)
        n += text_cost(raw.items[i].status);
    return n;
}

u64 body_cost(const sv_body& body)
{
    return body.actions ? block(body.action_count * sizeof(sv_action)) : 0;
}

// Every kind keeps an id, a name and its custom text.
template <typename T> u64 common_cost(const T& def)
{
    return text_cost(def.id) + text_cost(def.name) + text_cost(def.custom);
}

// Scions, Axioms and mobs also keep their actions and the applies lists read for them.
template <typename T> u64 acting_cost(const T& def)
{
    u64 n = common_cost(def) + body_cost(def.body);
    for (const sv_raw_list& raw : def.raw)
        n += raw_cost(raw);
    return n;
}

u64 heap_cost(const sv_scion_def& def)
{
    return acting_cost(def);
}
u64 heap_cost(const sv_axiom_def& def)
{
    u64 n = acting_cost(def);
    n += def.scions ? block(def.scion_count * sizeof(char*)) : 0;
    for (u32 i = 0; i < def.scion_count; ++i)
        n += text_cost(def.scions[i]);
    return n;
}
u64 heap_cost(const sv_inclusion_def& def)
{
    return common_cost(def);
}
u64 heap_cost(const sv_element_def& def)
{
    return common_cost(def);
}
u64 heap_cost(const sv_transform_def& def)
{
    return common_cost(def);
}
u64 heap_cost(const sv_weapon_def& def)
{
    return common_cost(def) + raw_cost(def.raw_primary) + raw_cost(def.raw_secondary);
}
u64 heap_cost(const sv_mob_def& def)
{
    return acting_cost(def);
}
u64 heap_cost(const sv_chest_def& def)
{
    return common_cost(def) + text_cost(def.appearance);
}
u64 heap_cost(const sv_status_def& def)
{
    return common_cost(def);
}

// A new row also costs its place in the table, whose vector may hold twice its length, and in
// the id index, which holds between two and four slots a row.
template <typename T> u64 row_cost(void)
{
    return 2 * sizeof(T) + 4 * sizeof(sv_id_slot);
}

// Charges n bytes to the kind being loaded; false, and the budget marked full, when they do not
// fit.
bool charge(u64 n)
{
    if (n > SV_CONTENT_KEPT_MAX - g_kept.bytes) {
        g_kept.full = true;
        return false;
    }
    g_kept.bytes += n;
    return true;
}

// Replaces a definition of the same id in place so table order stays the order of first
// appearance across mounts; the replaced one is freed. A definition that does not fit in what
// the kind may keep is freed instead of stored.
template <typename T>
void table_store(std::vector<T>& table, id_index& ids, T* def, void (*free_fn)(T*),
                 const char* kind)
{
    if (ids.size != table.size())
        index_rebuild(table, ids);
    const sv_id_slot* existing = sv_id_map_find(&ids.map, def->id);
    u64 cost = heap_cost(*def) + (existing ? 0 : row_cost<T>());
    u64 refund = existing ? heap_cost(table[existing->value]) : 0;
    if (!charge(cost > refund ? cost - refund : 0)) {
        free_fn(def);
        return;
    }
    if (refund > cost)
        g_kept.bytes -= refund - cost;
    bool added = false;
    sv_id_slot* slot = sv_id_map_insert(&ids.map, def->id, (u32)table.size(), &added);
    if (slot && !added) {
        T& old = table[slot->value];
        free_fn(&old);
        old = *def;
        *def = T {};
        // The slot borrowed the freed id; the new definition's copy of it takes its place.
        slot->key = old.id;
        sv_log_write(SV_LOG_INFO, SV_CAT_VFS, "content: %s '%s' overridden", kind, old.id);
        return;
    }
    table.push_back(*def);
    *def = T {};
    ids.size = table.size();
}

template <typename T> void table_clear(std::vector<T>& table, id_index& ids, void (*free_fn)(T*))
{
    for (T& def : table)
        free_fn(&def);
    table.clear();
    table.shrink_to_fit();
    ids.map.slots = {};
    ids.map.count = 0;
    ids.size = 0;
}

void free_body(sv_body* body)
{
    free(body->actions);
    body->actions = nullptr;
    body->action_count = 0;
}

const char* name_of(const char* const* names, u32 count, u32 value)
{
    return value < count ? names[value] : "?";
}

// The id indices of the nine tables, emptied with them.
id_index g_scion_ids;
id_index g_axiom_ids;
id_index g_inclusion_ids;
id_index g_element_ids;
id_index g_transform_ids;
id_index g_weapon_ids;
id_index g_mob_ids;
id_index g_chest_ids;
id_index g_status_ids;

} // namespace

// ---- Accessors ----

u64 sv_content_scion_count(void)
{
    return g_scions.size();
}
const sv_scion_def* sv_content_scion_at(u64 i)
{
    return table_at(g_scions, i);
}
const sv_scion_def* sv_content_scion_find(const char* id)
{
    return table_find(g_scions, g_scion_ids, id);
}

u64 sv_content_axiom_count(void)
{
    return g_axioms.size();
}
const sv_axiom_def* sv_content_axiom_at(u64 i)
{
    return table_at(g_axioms, i);
}
const sv_axiom_def* sv_content_axiom_find(const char* id)
{
    return table_find(g_axioms, g_axiom_ids, id);
}

u64 sv_content_inclusion_count(void)
{
    return g_inclusions.size();
}
const sv_inclusion_def* sv_content_inclusion_at(u64 i)
{
    return table_at(g_inclusions, i);
}
const sv_inclusion_def* sv_content_inclusion_find(const char* id)
{
    return table_find(g_inclusions, g_inclusion_ids, id);
}

u64 sv_content_element_count(void)
{
    return g_elements.size();
}
const sv_element_def* sv_content_element_at(u64 i)
{
    return table_at(g_elements, i);
}
const sv_element_def* sv_content_element_find(const char* id)
{
    return table_find(g_elements, g_element_ids, id);
}

u64 sv_content_transform_count(void)
{
    return g_transforms.size();
}
const sv_transform_def* sv_content_transform_at(u64 i)
{
    return table_at(g_transforms, i);
}
const sv_transform_def* sv_content_transform_find(const char* id)
{
    return table_find(g_transforms, g_transform_ids, id);
}

u64 sv_content_weapon_count(void)
{
    return g_weapons.size();
}
const sv_weapon_def* sv_content_weapon_at(u64 i)
{
    return table_at(g_weapons, i);
}
const sv_weapon_def* sv_content_weapon_find(const char* id)
{
    return table_find(g_weapons, g_weapon_ids, id);
}

u64 sv_content_mob_count(void)
{
    return g_mobs.size();
}
const sv_mob_def* sv_content_mob_at(u64 i)
{
    return table_at(g_mobs, i);
}
const sv_mob_def* sv_content_mob_find(const char* id)
{
    return table_find(g_mobs, g_mob_ids, id);
}

u64 sv_content_chest_count(void)
{
    return g_chests.size();
}
const sv_chest_def* sv_content_chest_at(u64 i)
{
    return table_at(g_chests, i);
}
const sv_chest_def* sv_content_chest_find(const char* id)
{
    return table_find(g_chests, g_chest_ids, id);
}

u64 sv_content_status_count(void)
{
    return g_statuses.size();
}
const sv_status_def* sv_content_status_at(u64 i)
{
    return table_at(g_statuses, i);
}
const sv_status_def* sv_content_status_find(const char* id)
{
    return table_find(g_statuses, g_status_ids, id);
}

// ---- Predicates and names ----

i32 sv_content_axiom_admits(const sv_axiom_def* axiom, i32 depth)
{
    if (!axiom || depth < axiom->depth_min)
        return 0;
    return (axiom->depth_max == 0 || depth <= axiom->depth_max) ? 1 : 0;
}

i32 sv_content_axiom_claims(const sv_axiom_def* axiom, const char* scion_id)
{
    if (!axiom || !scion_id)
        return 0;
    for (u32 i = 0; i < axiom->scion_count; ++i) {
        if (axiom->scions[i] && strcmp(axiom->scions[i], scion_id) == 0)
            return 1;
    }
    return 0;
}

i32 sv_facet_restriction_admits(u32 restriction, u32 set)
{
    switch (restriction) {
    case SV_RESTRICT_MELEE: return set == SV_SET_MELEE;
    case SV_RESTRICT_RANGED: return set == SV_SET_RANGED;
    case SV_RESTRICT_WEAPON: return set == SV_SET_MELEE || set == SV_SET_RANGED;
    case SV_RESTRICT_SELF: return set == SV_SET_SELF;
    case SV_RESTRICT_ANY: return 1;
    default: return 0;
    }
}

const char* sv_weapon_slot_name(u32 slot)
{
    return name_of(k_slot_names, 2, slot);
}
const char* sv_modifies_name(u32 stat)
{
    return name_of(k_modifies_names, 5, stat);
}
const char* sv_facet_set_name(u32 set)
{
    return name_of(k_set_names, 3, set);
}
const char* sv_facet_restriction_name(u32 restriction)
{
    return name_of(k_restriction_names, 5, restriction);
}
const char* sv_element_flavour_name(u32 flavour)
{
    return name_of(k_flavour_names, 3, flavour);
}
const char* sv_transform_kind_name(u32 kind)
{
    return name_of(k_transform_names, 3, kind);
}

u32 sv_status_key(const char* id)
{
    u32 hash = 2166136261u;
    if (!id)
        return hash;
    for (const unsigned char* p = (const unsigned char*)id; *p; ++p) {
        hash ^= *p;
        hash *= 16777619u;
    }
    return hash;
}

// ---- Freeing and storing ----

void sv_content_free_raw(sv_raw_list* list)
{
    for (u32 i = 0; i < list->count; ++i)
        free(list->items[i].status);
    free(list->items);
    list->items = nullptr;
    list->count = 0;
}

void sv_content_free_scion(sv_scion_def* def)
{
    free(def->id);
    free(def->name);
    free_body(&def->body);
    for (sv_raw_list& raw : def->raw)
        sv_content_free_raw(&raw);
    free(def->custom);
    *def = sv_scion_def {};
}

void sv_content_free_axiom(sv_axiom_def* def)
{
    free(def->id);
    free(def->name);
    for (u32 i = 0; i < def->scion_count; ++i)
        free(def->scions[i]);
    free(def->scions);
    free_body(&def->body);
    for (sv_raw_list& raw : def->raw)
        sv_content_free_raw(&raw);
    free(def->custom);
    *def = sv_axiom_def {};
}

void sv_content_free_inclusion(sv_inclusion_def* def)
{
    free(def->id);
    free(def->name);
    free(def->custom);
    *def = sv_inclusion_def {};
}

void sv_content_free_element(sv_element_def* def)
{
    free(def->id);
    free(def->name);
    free(def->custom);
    *def = sv_element_def {};
}

void sv_content_free_transform(sv_transform_def* def)
{
    free(def->id);
    free(def->name);
    free(def->custom);
    *def = sv_transform_def {};
}

void sv_content_free_weapon(sv_weapon_def* def)
{
    free(def->id);
    free(def->name);
    sv_content_free_raw(&def->raw_primary);
    sv_content_free_raw(&def->raw_secondary);
    free(def->custom);
    *def = sv_weapon_def {};
}

void sv_content_free_mob(sv_mob_def* def)
{
    free(def->id);
    free(def->name);
    for (sv_raw_list& raw : def->raw)
        sv_content_free_raw(&raw);
    free_body(&def->body);
    free(def->custom);
    *def = sv_mob_def {};
}

void sv_content_free_chest(sv_chest_def* def)
{
    free(def->id);
    free(def->name);
    free(def->appearance);
    free(def->custom);
    *def = sv_chest_def {};
}

void sv_content_free_status(sv_status_def* def)
{
    free(def->id);
    free(def->name);
    free(def->custom);
    *def = sv_status_def {};
}

static u32 s_source_mount;

void sv_content_set_source(u32 mount)
{
    s_source_mount = mount;
}

void sv_content_store_scion(sv_scion_def* def)
{
    def->mount = s_source_mount;
    table_store(g_scions, g_scion_ids, def, sv_content_free_scion, "scion");
}
void sv_content_store_axiom(sv_axiom_def* def)
{
    def->mount = s_source_mount;
    table_store(g_axioms, g_axiom_ids, def, sv_content_free_axiom, "axiom");
}
void sv_content_store_inclusion(sv_inclusion_def* def)
{
    table_store(g_inclusions, g_inclusion_ids, def, sv_content_free_inclusion, "inclusion");
}
void sv_content_store_element(sv_element_def* def)
{
    table_store(g_elements, g_element_ids, def, sv_content_free_element, "element");
}
void sv_content_store_transform(sv_transform_def* def)
{
    table_store(g_transforms, g_transform_ids, def, sv_content_free_transform, "transform");
}
void sv_content_store_weapon(sv_weapon_def* def)
{
    def->mount = s_source_mount;
    table_store(g_weapons, g_weapon_ids, def, sv_content_free_weapon, "weapon");
}
void sv_content_store_mob(sv_mob_def* def)
{
    def->mount = s_source_mount;
    table_store(g_mobs, g_mob_ids, def, sv_content_free_mob, "mob");
}
void sv_content_store_chest(sv_chest_def* def)
{
    table_store(g_chests, g_chest_ids, def, sv_content_free_chest, "chest");
}
void sv_content_store_status(sv_status_def* def)
{
    table_store(g_statuses, g_status_ids, def, sv_content_free_status, "status");
}

void sv_content_kept_begin(void)
{
    g_kept = kept_budget {};
}

bool sv_content_kept_full(void)
{
    return g_kept.full;
}

void sv_content_reindex(void)
{
    index_rebuild(g_scions, g_scion_ids);
    index_rebuild(g_axioms, g_axiom_ids);
}

void sv_content_reset(void)
{
    table_clear(g_scions, g_scion_ids, sv_content_free_scion);
    table_clear(g_axioms, g_axiom_ids, sv_content_free_axiom);
    table_clear(g_inclusions, g_inclusion_ids, sv_content_free_inclusion);
    table_clear(g_elements, g_element_ids, sv_content_free_element);
    table_clear(g_transforms, g_transform_ids, sv_content_free_transform);
    table_clear(g_weapons, g_weapon_ids, sv_content_free_weapon);
    table_clear(g_mobs, g_mob_ids, sv_content_free_mob);
    table_clear(g_chests, g_chest_ids, sv_content_free_chest);
    table_clear(g_statuses, g_status_ids, sv_content_free_status);
}

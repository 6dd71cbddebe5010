// Shared between the content files only: the kinds table the loader walks and the stores the
// readers put finished definitions into. Other modules use core/content.h.
#pragma once
#include "core/content.h"

struct sv_content_kind {
    const char* path;
    const char* name;
    const char* const* keys;
    u32 key_count;
    sv_accept_fn accept;
};

#define SV_CONTENT_KINDS 9
extern const sv_content_kind k_content_kinds[SV_CONTENT_KINDS];

// The mount whose file is being read; the stores record it in the definitions that later
// diagnostics name (scions, axioms, weapons, mobs).
void sv_content_set_source(u32 mount);

// Take ownership of a finished definition: replaces the one with the same id in place (logging
// the override), else appends.
void sv_content_store_scion(sv_scion_def* def);
void sv_content_store_axiom(sv_axiom_def* def);
void sv_content_store_inclusion(sv_inclusion_def* def);
void sv_content_store_element(sv_element_def* def);
void sv_content_store_transform(sv_transform_def* def);
void sv_content_store_weapon(sv_weapon_def* def);
void sv_content_store_mob(sv_mob_def* def);
void sv_content_store_chest(sv_chest_def* def);
void sv_content_store_status(sv_status_def* def);

// Starts what one kind keeps from nothing: the stores charge what each definition keeps on the
// heap against SV_CONTENT_KEPT_MAX, and refuse (free) one that does not fit.
void sv_content_kept_begin(void);
// True once a store of the kind being loaded was refused for want of room.
bool sv_content_kept_full(void);

// Rebuilds the id indices of the Scion and Axiom tables after the loader closed them up.
void sv_content_reindex(void);

// Free everything a definition owns and zero it; safe on a partly filled one.
void sv_content_free_scion(sv_scion_def* def);
void sv_content_free_axiom(sv_axiom_def* def);
void sv_content_free_inclusion(sv_inclusion_def* def);
void sv_content_free_element(sv_element_def* def);
void sv_content_free_transform(sv_transform_def* def);
void sv_content_free_weapon(sv_weapon_def* def);
void sv_content_free_mob(sv_mob_def* def);
void sv_content_free_chest(sv_chest_def* def);
void sv_content_free_status(sv_status_def* def);
void sv_content_free_raw(sv_raw_list* list);

// The tables themselves, for the loader's reference resolution and pool check.
#include <vector>
extern std::vector<sv_scion_def> g_scions;
extern std::vector<sv_axiom_def> g_axioms;
extern std::vector<sv_inclusion_def> g_inclusions;
extern std::vector<sv_element_def> g_elements;
extern std::vector<sv_transform_def> g_transforms;
extern std::vector<sv_weapon_def> g_weapons;
extern std::vector<sv_mob_def> g_mobs;
extern std::vector<sv_chest_def> g_chests;
extern std::vector<sv_status_def> g_statuses;

// The required-string reader, shared with the loader for every entry's "id": the member when it
// is a non-empty string, else null with an error record naming label.
const char* sv_content_required_string(const cJSON* object, const char* key, const char* label);

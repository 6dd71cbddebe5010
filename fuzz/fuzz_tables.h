// Shared by the content harnesses: what every table must satisfy after any load, whatever the
// pack held.
#pragma once
#include <cstring>

#include "core/content.h"
#include "fuzz_support.h"

namespace {

void check_text(const char* text, const char* what)
{
    SV_FUZZ_REQUIRE(text != nullptr, "%s is null", what);
    volatile size_t n = std::strlen(text);
    (void)n;
}

void check_applies(const sv_applies& a)
{
    SV_FUZZ_REQUIRE(a.count <= SV_APPLIES_MAX, "%u applies", (unsigned)a.count);
    for (u32 i = 0; i < a.count; ++i) {
        SV_FUZZ_REQUIRE(a.list[i].modifies < 5 && a.list[i].op < 2, "apply %u", i);
        SV_FUZZ_REQUIRE(std::memchr(a.list[i].label, 0, SV_APPLY_LABEL_LEN), "label unterminated");
    }
}

void check_body(const sv_body& b)
{
    SV_FUZZ_REQUIRE(b.action_count <= SV_ACTIONS_MAX, "%u actions", (unsigned)b.action_count);
    SV_FUZZ_REQUIRE(b.action_count == 0 || b.actions, "actions missing");
    for (u32 i = 0; i < b.action_count; ++i) {
        SV_FUZZ_REQUIRE(std::memchr(b.actions[i].name, 0, SV_ACTION_NAME_LEN), "name unterminated");
        check_applies(b.actions[i].applies);
    }
}

// Every table the load left: ids unique and found, strings readable, enumerations in range,
// references resolved.
void check_tables(void)
{
#define SV_FUZZ_EACH(kind)                                                                         \
    for (u64 i = 0; i < sv_content_##kind##_count(); ++i) {                                        \
        const auto* d = sv_content_##kind##_at(i);                                                 \
        SV_FUZZ_REQUIRE(d != nullptr, #kind " %llu", (unsigned long long)i);                       \
        check_text(d->id, #kind " id");                                                            \
        check_text(d->name, #kind " name");                                                        \
        SV_FUZZ_REQUIRE(sv_content_##kind##_find(d->id) == d, #kind " '%s' not found", d->id);     \
        if (d->custom)                                                                             \
            check_text(d->custom, #kind " custom");                                                \
    }
    SV_FUZZ_EACH(scion)
    SV_FUZZ_EACH(axiom)
    SV_FUZZ_EACH(inclusion)
    SV_FUZZ_EACH(element)
    SV_FUZZ_EACH(transform)
    SV_FUZZ_EACH(weapon)
    SV_FUZZ_EACH(mob)
    SV_FUZZ_EACH(chest)
    SV_FUZZ_EACH(status)
#undef SV_FUZZ_EACH

    for (u64 i = 0; i < sv_content_scion_count(); ++i)
        check_body(sv_content_scion_at(i)->body);
    for (u64 i = 0; i < sv_content_axiom_count(); ++i) {
        const sv_axiom_def* a = sv_content_axiom_at(i);
        check_body(a->body);
        SV_FUZZ_REQUIRE(a->scion_count > 0, "axiom '%s' kept without scions", a->id);
        for (u32 s = 0; s < a->scion_count; ++s)
            SV_FUZZ_REQUIRE(sv_content_scion_find(a->scions[s]), "axiom '%s' scion", a->id);
        SV_FUZZ_REQUIRE(a->faces == 4 || a->faces == 6 || a->faces == 8 || a->faces == 12
                            || a->faces == 20,
                        "axiom '%s' faces %u", a->id, a->faces);
    }
    for (u64 i = 0; i < sv_content_inclusion_count(); ++i) {
        const sv_inclusion_def* d = sv_content_inclusion_at(i);
        SV_FUZZ_REQUIRE(d->rarity < 3 && d->restriction < 5, "inclusion '%s'", d->id);
    }
    for (u64 i = 0; i < sv_content_element_count(); ++i) {
        const sv_element_def* d = sv_content_element_at(i);
        SV_FUZZ_REQUIRE(d->rarity < 3 && d->flavour < 3, "element '%s'", d->id);
    }
    for (u64 i = 0; i < sv_content_transform_count(); ++i) {
        const sv_transform_def* d = sv_content_transform_at(i);
        SV_FUZZ_REQUIRE(d->rarity < 3 && d->kind < 3, "transform '%s'", d->id);
    }
    for (u64 i = 0; i < sv_content_weapon_count(); ++i) {
        const sv_weapon_def* d = sv_content_weapon_at(i);
        SV_FUZZ_REQUIRE(d->slot < 2, "weapon '%s' slot %u", d->id, d->slot);
        check_applies(d->body.primary.applies);
        check_applies(d->body.secondary.applies);
    }
    for (u64 i = 0; i < sv_content_mob_count(); ++i) {
        const sv_mob_def* d = sv_content_mob_at(i);
        check_body(d->body);
        SV_FUZZ_REQUIRE(d->sides >= 3 && d->sides <= 8 && d->sides != 4 && d->axis < 3,
                        "mob '%s' sides %u axis %u", d->id, (unsigned)d->sides, (unsigned)d->axis);
    }
    for (u64 i = 0; i < sv_content_chest_count(); ++i) {
        const sv_chest_def* d = sv_content_chest_at(i);
        if (d->appearance)
            check_text(d->appearance, "chest appearance");
    }
    for (u64 i = 0; i < sv_content_status_count(); ++i)
        check_applies(sv_applies {{sv_content_status_at(i)->apply}, 1});
}

} // namespace

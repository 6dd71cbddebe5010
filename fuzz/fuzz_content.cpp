// One content file of a pack from arbitrary bytes, loaded over the base pack: the loader's checks,
// the kind's reader, overrides by id and reference resolution. Built once per kind, with
// SV_FUZZ_CONTENT_FILE naming the file ("data/mobs.json", ...).
#include <cmath>
#include <cstring>

#include "core/content.h"
#include "core/diag.h"
#include "core/pack.h"
#include "core/tune.h"
#include "core/vfs.h"
#include "fuzz_support.h"

#ifndef SV_FUZZ_CONTENT_FILE
#error "SV_FUZZ_CONTENT_FILE must name the content file under test"
#endif

namespace {

std::string g_file;

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

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    const std::string& dir = sv_fuzz_init();
    std::string pack = dir + "/pack";
    sv_fuzz_write_text(pack + "/pack.json", "{\"id\": \"fuzz\", \"name\": \"fuzz\"}");
    g_file = pack + "/" + SV_FUZZ_CONTENT_FILE;
    sv_fuzz_write(g_file, nullptr, 0);
    // The base pack below the fuzzed one, so its file overrides and references across kinds
    // resolve as they do in a real load. Directory mounts read on demand: mounting once is enough.
    SV_FUZZ_REQUIRE(sv_vfs_mount(SV_FUZZ_BASE_PACK), "cannot mount %s", SV_FUZZ_BASE_PACK);
    SV_FUZZ_REQUIRE(sv_vfs_mount(pack.c_str()), "cannot mount %s", pack.c_str());
    sv_pack_scan();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    sv_fuzz_write(g_file, data, size);
    sv_diag_reset();
    sv_content_load();
    sv_content_check_pool();
    check_tables();
    sv_diag_print_all(sv_fuzz_null_writer());
    sv_diag_print_pack_summary(sv_fuzz_null_writer());
    // Nothing kept between inputs, so the leak check after each one sees a balanced heap.
    sv_content_reset();
    return 0;
}

// Several content files of one pack from one input, so references cross files: Axioms naming
// Scions, actions and weapons naming statuses, and the pool check over the Axioms' depths. The
// input is cut at its NUL bytes into the pack's files in the order below; the pack is the only
// mount, as a base pack would be.
#include <string>

#include "core/content.h"
#include "core/diag.h"
#include "core/pack.h"
#include "core/vfs.h"
#include "fuzz_support.h"
#include "fuzz_tables.h"

namespace {

const char* const k_files[] = {"data/axioms.json", "data/scions.json", "data/statuses.json",
                               "data/mobs.json", "data/weapons.json"};
const size_t k_file_count = sizeof k_files / sizeof k_files[0];

std::string g_pack;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    const std::string& dir = sv_fuzz_init();
    g_pack = dir + "/pack";
    sv_fuzz_write_text(g_pack + "/pack.json", "{\"id\": \"fuzz\", \"name\": \"fuzz\"}");
    for (const char* file : k_files)
        sv_fuzz_write(g_pack + "/" + file, nullptr, 0);
    SV_FUZZ_REQUIRE(sv_vfs_mount(g_pack.c_str()), "cannot mount %s", g_pack.c_str());
    sv_pack_scan();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // A file the input does not reach is empty, which the loader takes as a malformed file; the
    // other files still load.
    size_t at = 0;
    for (size_t f = 0; f < k_file_count; ++f) {
        size_t end = at;
        while (end < size && data[end] != 0)
            end++;
        size_t n = at < size ? end - at : 0;
        sv_fuzz_write(g_pack + "/" + k_files[f], at < size ? data + at : nullptr, n);
        at = end + 1;
    }
    sv_diag_reset();
    sv_content_load();
    sv_content_check_pool();
    check_tables();
    // Every Axiom's Scions are in the table, and every Scion left is claimed by some Axiom.
    for (u64 i = 0; i < sv_content_scion_count(); ++i) {
        const sv_scion_def* s = sv_content_scion_at(i);
        bool claimed = false;
        for (u64 a = 0; a < sv_content_axiom_count() && !claimed; ++a)
            claimed = sv_content_axiom_claims(sv_content_axiom_at(a), s->id);
        SV_FUZZ_REQUIRE(claimed, "scion '%s' kept unclaimed", s->id);
    }
    SV_FUZZ_REQUIRE(sv_diag_count() <= SV_DIAG_MAX, "%llu records",
                    (unsigned long long)sv_diag_count());
    sv_diag_print_all(sv_fuzz_null_writer());
    sv_diag_print_pack_summary(sv_fuzz_null_writer());
    sv_content_reset();
    return 0;
}

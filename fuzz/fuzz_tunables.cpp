// A pack's "tunables.json" from arbitrary bytes, read over the base pack's, and the same text
// checked by the validator: every value stays finite and inside its range, and validating a text
// changes no live value.
#include <cmath>
#include <cstring>
#include <string>

#include "core/diag.h"
#include "core/pack.h"
#include "core/tune.h"
#include "core/vfs.h"
#include "fuzz_support.h"

namespace {

std::string g_file;

void check_values(const char* when)
{
    for (u32 i = 0; i < SV_TUNE_COUNT; ++i) {
        f64 v = sv_tune(i);
        SV_FUZZ_REQUIRE(std::isfinite(v) && v >= sv_tune_min(i) && v <= sv_tune_max(i),
                        "%s: %s is %g, outside %g..%g", when, sv_tune_name(i), v, sv_tune_min(i),
                        sv_tune_max(i));
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    std::string pack = sv_fuzz_init() + "/pack";
    sv_fuzz_write_text(pack + "/pack.json", "{\"id\": \"fuzz\", \"name\": \"fuzz\"}");
    g_file = pack + "/tunables.json";
    sv_fuzz_write(g_file, nullptr, 0);
    SV_FUZZ_REQUIRE(sv_vfs_mount(SV_FUZZ_BASE_PACK), "cannot mount %s", SV_FUZZ_BASE_PACK);
    SV_FUZZ_REQUIRE(sv_vfs_mount(pack.c_str()), "cannot mount %s", pack.c_str());
    sv_pack_scan();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    sv_fuzz_write(g_file, data, size);
    sv_diag_reset();
    sv_tune_load_packs();
    check_values("loaded");

    f64 before[SV_TUNE_COUNT];
    sv_tune_snapshot(before);
    std::string text((const char*)data, size);
    sv_diag_reset();
    sv_tune_validate_text(text.c_str(), "fuzz/tunables.json");
    f64 after[SV_TUNE_COUNT];
    sv_tune_snapshot(after);
    SV_FUZZ_REQUIRE(std::memcmp(before, after, sizeof before) == 0, "validation changed a value");

    sv_diag_reset();
    sv_tune_apply_json(text.c_str(), "fuzz");
    check_values("applied");
    sv_tune_check_constraints();
    sv_diag_print_all(sv_fuzz_null_writer());
    return 0;
}

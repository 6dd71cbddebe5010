// Console lines from arbitrary bytes, run one by one through the line runner over the builtin
// commands, each input from the base pack's state.
#include <cstring>
#include <string>

#include "console/cmd.h"
#include "core/boot.h"
#include "core/content.h"
#include "core/diag.h"
#include "core/log.h"
#include "core/pack.h"
#include "core/tune.h"
#include "core/vfs.h"
#include "fuzz_support.h"

namespace {

// Enough lines to chain set, load, mount and validate; more only slows each run.
const int k_lines_max = 32;

f64 g_base_tunables[SV_TUNE_COUNT];

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    sv_fuzz_init();
    sv_cmd_register_builtins();
    sv_cmd_set_writer(sv_fuzz_null_writer());
    sv_cmd_set_enabled(1);
    // Boot once for the base pack's tunables; each input starts again from them.
    sv_pack_boot(SV_FUZZ_BASE_PACK);
    sv_tune_snapshot(g_base_tunables);
    sv_content_reset();
    sv_pack_reset();
    sv_vfs_clear();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Every input starts from the same state: the base pack mounted and scanned, its tunables
    // live, no content loaded (only `load` needs it, and it loads), nothing strict, log off. This
    // is far cheaper than booting, which parses every content file.
    sv_diag_set_strict(0);
    sv_log_set_level(SV_LOG_OFF);
    sv_vfs_mount(SV_FUZZ_BASE_PACK);
    sv_pack_scan();
    sv_tune_restore(g_base_tunables);
    sv_diag_reset();

    std::string text((const char*)data, size);
    size_t at = 0;
    for (int n = 0; n < k_lines_max && at <= text.size(); ++n) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos)
            end = text.size();
        // The line as a C string: an embedded NUL ends it, as it would for any caller.
        std::string line = text.substr(at, end - at);
        i32 result = sv_cmd_run(line.c_str());
        SV_FUZZ_REQUIRE(result >= 0 && result <= 2, "'%s' returned %d", line.c_str(), result);
        for (u32 i = 0; i < SV_TUNE_COUNT; ++i) {
            f64 v = sv_tune(i);
            SV_FUZZ_REQUIRE(v >= sv_tune_min(i) && v <= sv_tune_max(i), "after '%s': %s is %g",
                            line.c_str(), sv_tune_name(i), v);
        }
        at = end + 1;
    }
    sv_content_reset();
    sv_pack_reset();
    sv_vfs_clear();
    return 0;
}

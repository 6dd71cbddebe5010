// The debug commands from arbitrary bytes over the booted base pack: each input makes a floor
// from its first two bytes (seed and depth), follows it with a walker as the headless console
// does, then runs the rest, line by line, through the line runner.
#include <cstring>
#include <string>

#include "actors/walker.h"
#include "console/cmd.h"
#include "core/boot.h"
#include "core/diag.h"
#include "core/log.h"
#include "core/tune.h"
#include "fuzz_support.h"
#include "game/cmd_debug.h"
#include "game/cmd_gen.h"

namespace {

// Enough lines to select, set, apply and kill; more only slows each run.
const int k_lines_max = 24;

sv_walker g_walker;

// Commands that change the pack or the floor under test, or only take time, are not the debug
// surface: the other harnesses fuzz them.
bool skipped(const std::string& line)
{
    size_t from = line.find_first_not_of(" \t\"");
    if (from == std::string::npos)
        return false;
    size_t to = line.find_first_of(" \t\"", from);
    std::string word = line.substr(from, to == std::string::npos ? to : to - from);
    const char* const k_skipped[] = {"quit", "mount", "load", "validate", "gen", "stats"};
    for (const char* name : k_skipped) {
        if (word == name)
            return true;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    sv_fuzz_init();
    sv_log_set_level(SV_LOG_OFF);
    SV_FUZZ_REQUIRE(sv_pack_boot(SV_FUZZ_BASE_PACK) == 1, "cannot boot %s", SV_FUZZ_BASE_PACK);
    sv_tune_reset_defaults();
    sv_cmd_register_builtins();
    sv_gen_register_commands();
    sv_debug_register_commands();
    sv_cmd_set_writer(sv_fuzz_null_writer());
    sv_cmd_set_enabled(1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    sv_debug_reset();
    sv_tune_reset_defaults();
    sv_diag_reset();
    std::memset(&g_walker, 0, sizeof g_walker);
    sv_debug_follow(&g_walker);
    char gen[64];
    std::snprintf(gen, sizeof gen, "gen %u %u", (unsigned)data[0], 1u + data[1] % 8u);
    SV_FUZZ_REQUIRE(sv_cmd_dispatch(gen) == 0, "'%s' failed", gen);

    std::string text((const char*)data + 2, size - 2);
    size_t at = 0;
    for (int n = 0; n < k_lines_max && at <= text.size(); ++n) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(at, end - at);
        if (!skipped(line)) {
            i32 result = sv_cmd_run(line.c_str());
            SV_FUZZ_REQUIRE(result >= 0 && result <= 2, "'%s' returned %d", line.c_str(), result);
        }
        at = end + 1;
    }
    sv_debug_follow(nullptr);
    sv_gen_release_current();
    return 0;
}

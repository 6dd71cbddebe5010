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
#include "fuzz_tables.h"

#ifndef SV_FUZZ_CONTENT_FILE
#error "SV_FUZZ_CONTENT_FILE must name the content file under test"
#endif

namespace {

std::string g_file;

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

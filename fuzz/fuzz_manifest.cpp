// A pack manifest ("pack.json") from arbitrary bytes: the manifest reader and the mount labels.
#include <cstring>

#include "core/diag.h"
#include "core/pack.h"
#include "core/vfs.h"
#include "fuzz_support.h"

namespace {

std::string g_file;
std::string g_pack;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    g_pack = sv_fuzz_init() + "/pack";
    g_file = g_pack + "/pack.json";
    sv_fuzz_write(g_file, nullptr, 0);
    SV_FUZZ_REQUIRE(sv_vfs_mount(g_pack.c_str()), "cannot mount %s", g_pack.c_str());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    sv_fuzz_write(g_file, data, size);
    sv_diag_reset();
    int accepted = sv_pack_scan();
    SV_FUZZ_REQUIRE(sv_pack_count() == 1, "%llu rows", (unsigned long long)sv_pack_count());
    const sv_pack* row = sv_pack_at(0);
    SV_FUZZ_REQUIRE(row && row->path && std::strcmp(row->path, g_pack.c_str()) == 0, "row path");
    SV_FUZZ_REQUIRE(row->has_manifest == (accepted ? 1 : 0), "has_manifest %u", row->has_manifest);
    if (row->has_manifest) {
        // An accepted manifest names the pack: a non-empty id without a colon, a name, a version.
        SV_FUZZ_REQUIRE(row->id && row->id[0] && !std::strchr(row->id, ':'), "id");
        SV_FUZZ_REQUIRE(row->name && row->name[0] && row->version && row->version[0], "name");
        SV_FUZZ_REQUIRE(std::strcmp(sv_pack_label(0), row->id) == 0, "label");
    } else {
        SV_FUZZ_REQUIRE(!row->id && !row->name && !row->version, "rejected row keeps fields");
        SV_FUZZ_REQUIRE(std::strcmp(sv_pack_label(0), g_pack.c_str()) == 0, "label");
    }
    sv_diag_print_all(sv_fuzz_null_writer());
    sv_diag_print_pack_summary(sv_fuzz_null_writer());
    sv_pack_reset();
    return 0;
}

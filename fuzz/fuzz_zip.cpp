// A zip pack from arbitrary bytes: mounted, read file by file, then loaded whole (manifest,
// tunables, content) as the only mount.
#include <cstring>
#include <string>

#include "core/boot.h"
#include "core/content.h"
#include "core/diag.h"
#include "core/pack.h"
#include "core/vfs.h"
#include "fuzz_support.h"

namespace {

std::string g_zip;

const char* const k_paths[] = {"pack.json",
                               "tunables.json",
                               "data/scions.json",
                               "data/axioms.json",
                               "data/mobs.json",
                               "data/weapons.json",
                               "data/statuses.json",
                               "data/chests.json",
                               "data/elements.json",
                               "data/inclusions.json",
                               "data/transforms.json",
                               "fonts/KodeMono.ttf",
                               "data",
                               "DATA/MOBS.JSON",
                               "a/../pack.json",
                               "data/"};

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    g_zip = sv_fuzz_init() + "/pack.zip";
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    sv_fuzz_write(g_zip, data, size);
    sv_diag_reset();
    sv_vfs_clear();
    if (!sv_vfs_mount(g_zip.c_str()))
        return 0;
    SV_FUZZ_REQUIRE(sv_vfs_mount_is_zip(0), "a file mount that is not a zip");
    for (const char* path : k_paths) {
        sv_vfs_buf buf {};
        if (sv_vfs_read(path, &buf)) {
            // Every buffer ends in a NUL after its bytes.
            SV_FUZZ_REQUIRE(buf.data && buf.data[buf.size] == 0, "%s: no NUL", path);
            SV_FUZZ_REQUIRE(sv_vfs_exists(path), "%s read but does not exist", path);
        }
        sv_vfs_free(&buf);
    }
    sv_pack_reload();
    sv_diag_print_all(sv_fuzz_null_writer());
    sv_content_reset();
    sv_pack_reset();
    sv_vfs_clear();
    return 0;
}

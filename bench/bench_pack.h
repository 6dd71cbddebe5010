// Booting the base pack beside the benchmark program, for the benchmarks that need content.
#pragma once
#include <unistd.h>

#include <string>

#include "core/boot.h"
#include "core/content.h"
#include "core/log.h"
#include "core/pack.h"
#include "core/tune.h"
#include "core/vfs.h"

// Boots the base pack beside the program, quietly; the tunables stay at their defaults. Returns
// false when there is no pack there or it holds no mobs.
inline bool bench_boot_quietly()
{
    char exe[1024];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0)
        return false;
    std::string pack(exe, (size_t)n);
    pack = pack.substr(0, pack.rfind('/') + 1) + "packs/base";
    sv_log_set_stderr(0);
    bool ok = sv_pack_boot(pack.c_str()) == 1;
    sv_tune_reset_defaults();
    return ok && sv_content_mob_count() > 0;
}

// Unloads what bench_boot_quietly loaded and lets the log speak again.
inline void bench_shut_down()
{
    sv_content_reset();
    sv_pack_reset();
    sv_vfs_clear();
    sv_log_set_stderr(1);
}

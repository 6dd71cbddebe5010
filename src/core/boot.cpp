// Pack boot and reload: mount the base pack and load manifests, tunables and content from the
// mounts, in that order.
#include "core/boot.h"

#include "core/content.h"
#include "core/diag.h"
#include "core/log.h"
#include "core/pack.h"
#include "core/tune.h"
#include "core/vfs.h"

int sv_pack_reload(void)
{
    sv_pack_scan();
    int tunables = sv_tune_load_packs();
    int content = sv_content_load();
    sv_content_check_pool();
    return tunables && content;
}

void sv_pack_boot_log(const char* path, u8 given)
{
    if (sv_vfs_mount_count() == 0) {
        // The mount recorded why; the newest error is it.
        const char* reason = nullptr;
        for (u64 i = sv_diag_count(); i-- > 0 && !reason;) {
            const sv_diag* d = sv_diag_at(i);
            if (d->severity == SV_DIAG_ERROR)
                reason = d->message;
        }
        sv_log_write(SV_LOG_WARN, SV_CAT_VFS, "cannot mount the base pack '%s': %s",
                     path ? path : "", reason && reason[0] ? reason : "no reason recorded");
        if (given) {
            sv_log_write(SV_LOG_WARN, SV_CAT_VFS,
                         "running on compiled-in defaults with no content");
        } else {
            sv_log_write(SV_LOG_WARN, SV_CAT_VFS,
                         "no base pack beside the executable or in the working directory: running "
                         "on compiled-in defaults with no content");
        }
        return;
    }
    u64 problems = sv_diag_count_of(SV_DIAG_WARNING) + sv_diag_count_of(SV_DIAG_ERROR);
    if (problems > 0) {
        sv_log_write(
            SV_LOG_WARN, SV_CAT_VFS, "the base pack reported %llu problem%s; `diag` lists %s",
            (unsigned long long)problems, problems == 1 ? "" : "s", problems == 1 ? "it" : "them");
    }
}

int sv_pack_boot(const char* path)
{
    sv_vfs_clear();
    sv_diag_set_context(path, nullptr);
    if (!sv_vfs_mount(path)) {
        sv_diag_clear_context();
        // No mount is left, so no row of the last scan describes one.
        sv_pack_reset();
        sv_tune_reset_defaults();
        return 0;
    }
    sv_diag_clear_context();
    sv_log_write(SV_LOG_INFO, SV_CAT_VFS, "boot: base pack mounted from '%s'", path);

    int loaded = sv_pack_reload();

    // The base pack's tunable set is the reference every other pack tunes against, so it must
    // be complete; a later pack may name only what it changes. The tunables load kept what it
    // found of this file, so the file is neither read nor reported a second time.
    sv_diag_set_context(sv_pack_label(0), "tunables.json");
    u32 base = sv_tune_base_file();
    if (base == SV_TUNE_BASE_ABSENT) {
        sv_diag_report(SV_DIAG_ERROR, SV_DIAG_MISSING_FIELD, "tunables.json",
                       "the base pack must ship a tunable set naming every key (DESIGN 9.5)");
        sv_diag_clear_context();
        return 0;
    }
    if (base != SV_TUNE_BASE_READ) {
        sv_diag_clear_context();
        return 0;
    }
    int complete = 1;
    for (u32 i = 0; i < SV_TUNE_COUNT; ++i) {
        if (!sv_tune_base_names(i)) {
            sv_diag_report(SV_DIAG_ERROR, SV_DIAG_MISSING_FIELD, sv_tune_name(i),
                           "the base pack names every tunable, and this one is absent");
            complete = 0;
        }
    }
    sv_diag_clear_context();
    return complete && loaded;
}

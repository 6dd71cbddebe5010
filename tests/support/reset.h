// One reset of every process-wide state a test can touch, so each test starts as a fresh process
// would: no held floor, an empty console registry writing nowhere, no mounts, packs or content,
// no diagnostics, default log settings and the compiled-in tunables.
#pragma once
#include "console/cmd.h"
#include "core/content.h"
#include "core/diag.h"
#include "core/log.h"
#include "core/pack.h"
#include "core/tune.h"
#include "core/vfs.h"
#include "game/cmd_gen.h"

inline void sv_test_reset_all(void)
{
    sv_gen_release_current();
    sv_cmd_reset();
    sv_cmd_set_enabled(1);
    sv_cmd_set_writer(sv_writer {nullptr, nullptr});
    sv_content_reset();
    sv_pack_reset();
    sv_vfs_clear();
    sv_diag_set_strict(0);
    sv_diag_clear_context();
    sv_diag_reset();
    sv_log_close();
    sv_log_set_level(SV_LOG_INFO);
    sv_log_set_stderr(1);
    sv_tune_reset_defaults();
}

// A fresh console for each test: builtins registered, output captured, pack state and tunables reset.
#pragma once
#include <string>

#include "console/cmd.h"
#include "core/diag.h"
#include "core/tune.h"
#include "core/vfs.h"
#include "support/capture.h"

inline void sv_test_console_fresh(std::string* out)
{
    sv_cmd_reset();
    sv_cmd_set_enabled(1);
    sv_cmd_set_writer(sv_test_capture(out));
    sv_vfs_clear();
    sv_diag_set_strict(0);
    sv_diag_reset();
    sv_tune_reset_defaults();
    sv_cmd_register_builtins();
}

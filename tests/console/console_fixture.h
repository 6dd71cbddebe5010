// A fresh console for each test: builtins registered, output captured, pack state and tunables reset.
#pragma once
#include <string>

#include "console/cmd.h"
#include "support/capture.h"
#include "support/reset.h"

inline void sv_test_console_fresh(std::string* out)
{
    sv_test_reset_all();
    sv_cmd_set_writer(sv_test_capture(out));
    sv_cmd_register_builtins();
}

// The one fatal-error path: logs "panic: <message>" and aborts.
#pragma once
#include "core/types.h"

// Formats the message (cut to 511 bytes), logs it as a core error and also on standard error when
// the log would not show it there, flushes the log and aborts. Never returns.
[[noreturn]] void sv_panic(const char* fmt, ...) SV_PRINTF(1, 2);

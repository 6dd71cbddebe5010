// The one fatal-error path: logs "panic: <message>" and aborts.
#pragma once
#include "core/types.h"

[[noreturn]] void sv_panic(const char* fmt, ...) SV_PRINTF(1, 2);

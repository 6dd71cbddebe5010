// A writer that appends everything written through it to a string.
#pragma once
#include <string>

#include "core/writer.h"

inline void sv_test_append(void* ctx, const char* text)
{
    static_cast<std::string*>(ctx)->append(text);
}

inline sv_writer sv_test_capture(std::string* out)
{
    return sv_writer {sv_test_append, out};
}

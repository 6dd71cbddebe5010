// The generation commands run through the console registry with a capturing writer.
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "console/cmd.h"
#include "core/tune.h"
#include "game/cmd_gen.h"
#include "support/capture.h"
#include "support/reset.h"

struct gen_console : ::testing::Test {
    std::string out;
    void SetUp() override
    {
        sv_test_reset_all();
        sv_gen_register_commands();
        sv_cmd_set_writer(sv_test_capture(&out));
    }
    void TearDown() override { sv_test_reset_all(); }
    // Runs one line and returns what it printed.
    std::string run(const char* line, i32* result = nullptr)
    {
        out.clear();
        i32 r = sv_cmd_dispatch(line);
        if (result)
            *result = r;
        return out;
    }
    i32 result_of(const char* line)
    {
        i32 r = 0;
        run(line, &r);
        return r;
    }
};

// The headless console program run end to end: a script of lines on its standard input, its
// whole standard output and exit status captured.
#pragma once
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "support/files.h"

struct sv_test_outcome {
    std::string out;
    int status; // the exit status; -1 when the program did not exit normally
};

// Runs build/strenvik-console from dir with args and the script on its standard input; its log
// (standard error) is dropped.
inline sv_test_outcome sv_test_run_console(const std::string& dir, const std::string& args,
                                           const std::string& script)
{
    // One input file per test: the tests may run side by side in the same directory.
    std::filesystem::path input = std::filesystem::absolute(
        std::string("console_input_")
        + ::testing::UnitTest::GetInstance()->current_test_info()->test_suite_name() + "_"
        + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    sv_test_write_file(input, script);
    std::string cmd = "cd '" + dir + "' && '" SV_BINARY_DIR "/strenvik-console' " + args + " < '"
        + input.string() + "' 2>/dev/null";
    sv_test_outcome r {"", -1};
    FILE* p = popen(cmd.c_str(), "r");
    if (!p)
        return r;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
        r.out.append(buf, n);
    int st = pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    std::filesystem::remove(input);
    return r;
}

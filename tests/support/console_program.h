// The headless console program run end to end: a script of lines on its standard input, its
// whole standard output and exit status captured.
#pragma once
#include <gtest/gtest.h>
#if !defined(_WIN32)
#include <sys/wait.h>
#endif

#include <cstdio>
#include <filesystem>
#include <string>

#include "support/files.h"

struct sv_test_outcome {
    std::string out;
    int status; // the exit status; -1 when the program did not exit normally
};

// A path quoted for the shell popen starts: sh on Linux, cmd.exe (with '\\' separators) on Windows.
inline std::string sv_test_quote(const std::string& path)
{
#if defined(_WIN32)
    return "\"" + std::filesystem::path(path).make_preferred().string() + "\"";
#else
    return "'" + path + "'";
#endif
}

// Runs a shell command line and captures its whole standard output and exit status.
inline sv_test_outcome sv_test_capture(const std::string& cmd)
{
    sv_test_outcome r {"", -1};
#if defined(_WIN32)
    // cmd.exe /c drops the first and the last quote of a line that starts with one: an outer pair
    // keeps the line's own quotes.
    FILE* p = _popen(("\"" + cmd + "\"").c_str(), "rb");
#else
    FILE* p = popen(cmd.c_str(), "r");
#endif
    if (!p)
        return r;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
        r.out.append(buf, n);
#if defined(_WIN32)
    r.status = _pclose(p);
#else
    int st = pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
#endif
    return r;
}

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
#if defined(_WIN32)
    std::string cmd = "cd /d " + sv_test_quote(dir) + " && "
        + sv_test_quote(SV_BINARY_DIR "/strenvik-console.exe") + " " + args + " < "
        + sv_test_quote(input.string()) + " 2>NUL";
#else
    std::string cmd = "cd '" + dir + "' && '" SV_BINARY_DIR "/strenvik-console' " + args + " < '"
        + input.string() + "' 2>/dev/null";
#endif
    sv_test_outcome r = sv_test_capture(cmd);
    std::filesystem::remove(input);
    return r;
}

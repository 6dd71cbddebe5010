// The headless console program run end to end: a script of lines on its standard input, its
// whole standard output, its log and its exit status captured.
#pragma once
#include <gtest/gtest.h>
#if !defined(_WIN32)
#include <sys/wait.h>
#endif

#include <cstdio>
#include <filesystem>
#include <ostream>
#include <string>

#include "support/files.h"

struct sv_test_outcome {
    std::string out;  // the program's standard output
    std::string log;  // its standard error: its log, or the shell's word when it could not start it
    int status;       // the exit status; -1 when the program did not exit normally
    int launches;     // more than 1 only after launches that never reached the program
    std::string lost; // what each of those launches gave
};

// Writes an outcome for a failure message: the status, the launches, the output and the log.
inline std::ostream& operator<<(std::ostream& os, const sv_test_outcome& r)
{
    os << "exit status " << r.status << " after " << r.launches << " launch(es)\n";
    if (!r.lost.empty())
        os << "launches that never reached the program:\n" << r.lost;
    return os << "standard output:\n" << r.out << "\nstandard error:\n" << r.log << "\n";
}

// A path quoted for the shell popen starts: sh on Linux, cmd.exe (with '\\' separators) on Windows.
inline std::string sv_test_quote(const std::string& path)
{
#if defined(_WIN32)
    return "\"" + std::filesystem::path(path).make_preferred().string() + "\"";
#else
    return "'" + path + "'";
#endif
}

// Runs a shell command line and captures its whole standard output and exit status (-1 when the
// shell could not be started or did not exit normally).
inline sv_test_outcome sv_test_capture(const std::string& cmd)
{
    sv_test_outcome r {"", "", -1, 1, ""};
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

// Whether a launch reached the program: the programs log a line ("[  time] level ...") before
// anything else they do, and print a prompt for every line they read. A launch with neither never
// reached the program's main (the shell or Wine could not start the process).
inline bool sv_test_reached(const sv_test_outcome& r)
{
    if (!r.out.empty())
        return true;
    size_t at = 0;
    while (at < r.log.size()) {
        size_t end = r.log.find('\n', at);
        if (end == std::string::npos)
            end = r.log.size();
        if (r.log[at] == '[' && r.log.find("] ", at) < end)
            return true;
        at = end + 1;
    }
    return false;
}

// Runs the build's program (named without ".exe") from dir with args and the script on its
// standard input, capturing its standard output and its log apart. The input and the log are
// files of this call's own, so runs side by side (tests, shards, two runs of one shard) share
// none. A launch that never reached the program is tried again, up to three in all, each noted
// on the test's output and in the outcome; a program that ran is never run again.
inline sv_test_outcome sv_test_run_program(const std::string& dir, const std::string& program,
                                           const std::string& args, const std::string& script)
{
    sv_test_dir files {"program_run"};
    std::string input = files.path + "/input.txt", log = files.path + "/log.txt";
    sv_test_write_file(input, script);
#if defined(_WIN32)
    std::string cmd = "cd /d " + sv_test_quote(dir) + " && "
        + sv_test_quote(SV_BINARY_DIR "/" + program + ".exe") + " " + args + " < "
        + sv_test_quote(input) + " 2> " + sv_test_quote(log);
#else
    std::string cmd = "cd " + sv_test_quote(dir) + " && "
        + sv_test_quote(SV_BINARY_DIR "/" + program) + " " + args + " < " + sv_test_quote(input)
        + " 2> " + sv_test_quote(log);
#endif
    std::string lost;
    for (int launch = 1;; ++launch) {
        std::filesystem::remove(log);
        sv_test_outcome r = sv_test_capture(cmd);
        r.log = sv_test_read_file(log);
        r.launches = launch;
        r.lost = lost;
        if (sv_test_reached(r) || launch == 3)
            return r;
        std::string note = "launch " + std::to_string(launch) + " of " + program + ": exit status "
            + std::to_string(r.status) + ", no output and no log line; it said: " + r.log + "\n";
        std::fprintf(stderr, "%s", note.c_str());
        lost += note;
    }
}

// Runs build/strenvik-console from dir with args and the script on its standard input.
inline sv_test_outcome sv_test_run_console(const std::string& dir, const std::string& args,
                                           const std::string& script)
{
    return sv_test_run_program(dir, "strenvik-console", args, script);
}

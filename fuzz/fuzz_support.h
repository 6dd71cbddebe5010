// Shared by the libFuzzer harnesses: a scratch directory for the life of the process, whole-file
// writes, a writer that discards, and quiet logging. Each harness is one program; libFuzzer owns
// main and calls LLVMFuzzerTestOneInput once per input.
#pragma once
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "core/content.h"
#include "core/log.h"
#include "core/pack.h"
#include "core/vfs.h"
#include "core/writer.h"

// The base pack of the source tree; the build passes its path.
#ifndef SV_FUZZ_BASE_PACK
#error "SV_FUZZ_BASE_PACK must name the base pack directory"
#endif

// Ends the run with a message; libFuzzer reports the abort as a crash and keeps the input.
#define SV_FUZZ_REQUIRE(cond, ...)                                                                 \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            std::fprintf(stderr, "fuzz: %s:%d: %s failed: ", __FILE__, __LINE__, #cond);           \
            std::fprintf(stderr, __VA_ARGS__);                                                     \
            std::fputc('\n', stderr);                                                              \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

inline std::string g_fuzz_dir;

// At exit: give back what the process-wide tables own (their vectors alone would be freed by their
// destructors, the strings they point to would not, and the leak checker would report them), and
// remove the scratch directory.
inline void sv_fuzz_at_exit(void)
{
    sv_content_reset();
    sv_pack_reset();
    sv_vfs_clear();
    std::error_code ec;
    if (!g_fuzz_dir.empty())
        std::filesystem::remove_all(g_fuzz_dir, ec);
}

// Silences the log and makes the scratch directory; returns its path.
inline const std::string& sv_fuzz_init(void)
{
    sv_log_set_stderr(0);
    sv_log_set_level(SV_LOG_OFF);
    if (g_fuzz_dir.empty()) {
        const char* tmp = std::getenv("TMPDIR");
        std::string tmpl = std::string(tmp && tmp[0] ? tmp : "/tmp") + "/sv_fuzz_XXXXXX";
        if (!mkdtemp(tmpl.data())) {
            std::perror("fuzz: mkdtemp");
            std::abort();
        }
        g_fuzz_dir = tmpl;
        std::atexit(sv_fuzz_at_exit);
    }
    return g_fuzz_dir;
}

// Writes the bytes as the whole file at path, making its parent directories first.
inline void sv_fuzz_write(const std::string& path, const uint8_t* data, size_t size)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f || (size && std::fwrite(data, 1, size, f) != size) || std::fclose(f) != 0) {
        std::perror(path.c_str());
        std::abort();
    }
}

inline void sv_fuzz_write_text(const std::string& path, const char* text)
{
    sv_fuzz_write(path, (const uint8_t*)text, std::strlen(text));
}

// A sink for console and diagnostic text: every call is formatted, nothing is kept.
inline void sv_fuzz_discard(void*, const char* text)
{
    volatile size_t n = std::strlen(text);
    (void)n;
}

inline sv_writer sv_fuzz_null_writer(void)
{
    return sv_writer {sv_fuzz_discard, nullptr};
}

// Scratch files for the tests: unique temporary directories, text files, zip archives.
#pragma once
#include <gtest/gtest.h>
#include <stdlib.h>
#if defined(_WIN32)
#include <process.h>
#else
#include <unistd.h>
#endif
#include <zip.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

// This process's id, for names that two runs side by side must not share.
inline unsigned sv_test_pid()
{
#if defined(_WIN32)
    return (unsigned)_getpid();
#else
    return (unsigned)getpid();
#endif
}

// A fresh directory under the test temporary directory named <prefix>_XXXXXX; empty when it
// could not be made.
inline std::string sv_test_make_dir(const std::string& prefix)
{
    std::string tmpl = ::testing::TempDir() + prefix + "_XXXXXX";
#if defined(_WIN32)
    // No mkdtemp on Windows: a directory that did not exist before, named from the process and
    // a counter, is as private.
    static unsigned s_serial;
    for (int attempt = 0; attempt < 1000; attempt++) {
        std::string name = tmpl.substr(0, tmpl.size() - 6) + std::to_string(sv_test_pid() % 1000u)
            + "_" + std::to_string(s_serial++);
        std::error_code ec;
        if (std::filesystem::create_directory(name, ec))
            return name;
        if (ec)
            return "";
    }
    return "";
#else
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back(0);
    if (!mkdtemp(name.data()))
        return "";
    return name.data();
#endif
}

// The path a UTF-8 text names, whatever the platform's own narrow encoding (the ANSI code page on
// Windows, which cannot spell every name).
inline std::filesystem::path sv_test_u8path(const std::string& utf8)
{
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

// The UTF-8 text of a path.
inline std::string sv_test_utf8(const std::filesystem::path& path)
{
    std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

// Removes a directory made by sv_test_make_dir with everything in it; nothing when empty.
inline void sv_test_remove_dir(const std::string& dir)
{
    if (dir.empty())
        return;
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
}

// A fresh temporary directory for the life of the value.
struct sv_test_dir {
    std::string path;

    explicit sv_test_dir(const std::string& prefix) : path(sv_test_make_dir(prefix))
    {
        EXPECT_FALSE(path.empty()) << "cannot make a directory for " << prefix;
    }
    ~sv_test_dir() { sv_test_remove_dir(path); }
    sv_test_dir(const sv_test_dir&) = delete;
    sv_test_dir& operator=(const sv_test_dir&) = delete;
};

// Writes the bytes of text to path, making its parent directories first.
inline void sv_test_write_file(const std::filesystem::path& path, const std::string& text)
{
    if (path.has_parent_path())
        std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    ASSERT_TRUE(out.is_open()) << "cannot write " << path;
    out.write(text.data(), (std::streamsize)text.size());
}

// The whole file as bytes; empty when it cannot be read.
inline std::string sv_test_read_file(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Entries are (name, contents) in order; a name ending in '/' becomes a directory entry.
using sv_test_zip_entries = std::vector<std::pair<std::string, std::string>>;

// Writes a zip archive of the entries, stored uncompressed when asked.
inline void sv_test_write_zip(const std::string& path, const sv_test_zip_entries& entries,
                              bool store = false)
{
    int err = 0;
    zip_t* za = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &err);
    ASSERT_NE(za, nullptr) << path;
    for (const auto& [name, text] : entries) {
        if (!name.empty() && name.back() == '/') {
            ASSERT_GE(zip_dir_add(za, name.c_str(), ZIP_FL_ENC_UTF_8), 0) << name;
            continue;
        }
        // The archive keeps pointing at the entry's text until it is closed.
        zip_source_t* src = zip_source_buffer(za, text.data(), text.size(), 0);
        ASSERT_NE(src, nullptr) << name;
        zip_int64_t index = zip_file_add(za, name.c_str(), src, ZIP_FL_ENC_UTF_8);
        ASSERT_GE(index, 0) << name;
        if (store)
            zip_set_file_compression(za, (zip_uint64_t)index, ZIP_CM_STORE, 0);
    }
    ASSERT_EQ(zip_close(za), 0) << path;
}

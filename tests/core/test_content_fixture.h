// Shared set-up of the content tests: packs written into a fresh temporary directory, mounted,
// loaded, and the diagnostics they raised looked up by message.
#pragma once
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "core/content.h"
#include "core/diag.h"
#include "core/pack.h"
#include "core/vfs.h"

class ContentTest : public ::testing::Test {
protected:
    std::string dir;

    void SetUp() override {
        sv_vfs_clear();
        sv_pack_reset();
        sv_content_reset();
        sv_diag_reset();
        std::string tmpl = ::testing::TempDir() + "sv_content_XXXXXX";
        std::vector<char> name(tmpl.begin(), tmpl.end());
        name.push_back(0);
        ASSERT_NE(mkdtemp(name.data()), nullptr);
        dir = name.data();
    }
    void TearDown() override {
        sv_vfs_clear();
        sv_pack_reset();
        sv_content_reset();
        sv_diag_reset();
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }

    // Writes a file into the pack directory name (created when needed); returns the pack path.
    std::string write(const std::string& pack, const std::string& file, const std::string& text) {
        std::string root = dir + "/" + pack;
        std::filesystem::path path = std::filesystem::path(root) / file;
        std::filesystem::create_directories(path.parent_path());
        FILE* f = fopen(path.c_str(), "wb");
        EXPECT_NE(f, nullptr);
        if (f) {
            fwrite(text.data(), 1, text.size(), f);
            fclose(f);
        }
        return root;
    }

    // A pack with a manifest of the given id and the given content files, mounted at the end.
    std::string mount(const std::string& pack, const std::vector<std::pair<std::string, std::string>>& files) {
        std::string root = write(pack, "pack.json", "{\"id\": \"" + pack + "\", \"name\": \"" + pack + "\"}");
        for (const auto& f : files) write(pack, f.first, f.second);
        EXPECT_EQ(sv_vfs_mount(root.c_str()), 1);
        return root;
    }

    // Mounts one pack holding one content file, scans manifests, and loads.
    i32 load_one(const std::string& file, const std::string& text) {
        mount("p", {{file, text}});
        sv_pack_scan();
        sv_diag_reset();
        return sv_content_load();
    }

    std::vector<std::string> messages() const {
        std::vector<std::string> out;
        for (u64 i = 0; i < sv_diag_count(); i++) out.push_back(sv_diag_at(i)->message);
        return out;
    }

    const sv_diag* find(const std::string& message) const {
        for (u64 i = 0; i < sv_diag_count(); i++) {
            if (message == sv_diag_at(i)->message) return sv_diag_at(i);
        }
        return nullptr;
    }

    u64 count_of(const std::string& message) const {
        u64 n = 0;
        for (u64 i = 0; i < sv_diag_count(); i++) n += message == sv_diag_at(i)->message;
        return n;
    }

    // The record with this message exists with this severity, kind and subject.
    void expect_diag(const std::string& message, u32 severity, u32 kind, const std::string& subject) const {
        const sv_diag* d = find(message);
        ASSERT_NE(d, nullptr) << "no record: " << message << "\nhave:\n" << dump();
        EXPECT_EQ(d->severity, severity) << message;
        EXPECT_EQ(d->kind, kind) << message;
        EXPECT_EQ(std::string(d->subject), subject) << message;
    }

    std::string dump() const {
        std::string out;
        for (u64 i = 0; i < sv_diag_count(); i++) {
            const sv_diag* d = sv_diag_at(i);
            out += std::string(sv_diag_severity_name(d->severity)) + " / " + sv_diag_kind_name(d->kind) + " [" +
                   d->pack + "] " + d->file + " '" + d->subject + "': " + d->message + "\n";
        }
        return out;
    }
};

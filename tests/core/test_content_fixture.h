// Shared set-up of the content tests: packs written into a fresh temporary directory, mounted,
// loaded, and the diagnostics they raised looked up by message.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "core/content.h"
#include "core/diag.h"
#include "core/pack.h"
#include "core/vfs.h"
#include "support/files.h"
#include "support/reset.h"

// Everything loaded, as text, so two loads can be compared whole.
inline std::string describe_content()
{
    std::ostringstream out;
    auto applies = [&out](const sv_applies& a) {
        for (u32 i = 0; i < a.count; ++i) {
            out << " [" << a.list[i].key << " " << a.list[i].label << " " << a.list[i].magnitude
                << " " << a.list[i].duration << "]";
        }
    };
    auto body = [&](const sv_body& b) {
        out << " hp " << b.hp << " speed " << b.speed << " turn " << b.turn << " leash " << b.leash
            << " give_up " << b.give_up;
        for (u32 i = 0; i < b.action_count; ++i) {
            const sv_action& a = b.actions[i];
            out << " {" << a.name << " " << a.damage << " " << a.from << " " << a.reach << " "
                << a.speed << " " << (int)a.when << " " << (int)a.sweep;
            applies(a.applies);
            out << "}";
        }
    };
    for (u64 i = 0; i < sv_content_axiom_count(); ++i) {
        const sv_axiom_def* a = sv_content_axiom_at(i);
        out << "axiom " << a->id << " " << a->name << " " << a->faces << " " << a->depth_min << ".."
            << a->depth_max;
        for (u32 s = 0; s < a->scion_count; ++s)
            out << " " << a->scions[s];
        body(a->body);
        out << "\n";
    }
    for (u64 i = 0; i < sv_content_scion_count(); ++i) {
        out << "scion " << sv_content_scion_at(i)->id;
        body(sv_content_scion_at(i)->body);
        out << "\n";
    }
    for (u64 i = 0; i < sv_content_mob_count(); ++i) {
        const sv_mob_def* m = sv_content_mob_at(i);
        out << "mob " << m->id << " " << (int)m->sides << " " << (int)m->axis << " " << m->depth_min
            << ".." << m->depth_max << " " << m->weight;
        body(m->body);
        out << "\n";
    }
    for (u64 i = 0; i < sv_content_weapon_count(); ++i) {
        const sv_weapon_def* w = sv_content_weapon_at(i);
        out << "weapon " << w->id << " " << w->slot << " " << w->body.primary.damage << " "
            << w->body.secondary.kind;
        applies(w->body.primary.applies);
        applies(w->body.secondary.applies);
        out << "\n";
    }
    for (u64 i = 0; i < sv_content_status_count(); ++i)
        out << "status " << sv_content_status_at(i)->id << "\n";
    for (u64 i = 0; i < sv_content_inclusion_count(); ++i)
        out << "inclusion " << sv_content_inclusion_at(i)->id << "\n";
    for (u64 i = 0; i < sv_content_element_count(); ++i)
        out << "element " << sv_content_element_at(i)->id << "\n";
    for (u64 i = 0; i < sv_content_transform_count(); ++i)
        out << "transform " << sv_content_transform_at(i)->id << "\n";
    for (u64 i = 0; i < sv_content_chest_count(); ++i) {
        out << "chest " << sv_content_chest_at(i)->id << " " << sv_content_chest_at(i)->appearance
            << "\n";
    }
    return out.str();
}

// Zips every file of a directory, keeping the relative paths; stored uncompressed when asked.
inline void zip_directory(const std::string& from, const std::string& to, bool store)
{
    std::vector<std::filesystem::path> files;
    for (const auto& e : std::filesystem::recursive_directory_iterator(from)) {
        if (e.is_regular_file())
            files.push_back(e.path());
    }
    std::sort(files.begin(), files.end());
    sv_test_zip_entries entries;
    for (const std::filesystem::path& p : files) {
        entries.emplace_back(std::filesystem::relative(p, from).generic_string(),
                             sv_test_read_file(p));
    }
    sv_test_write_zip(to, entries, store);
}

class ContentTest : public ::testing::Test {
protected:
    std::string dir;

    void SetUp() override
    {
        sv_test_reset_all();
        dir = sv_test_make_dir("sv_content");
        ASSERT_FALSE(dir.empty());
    }
    void TearDown() override
    {
        sv_test_reset_all();
        sv_test_remove_dir(dir);
    }

    // Writes a file into the pack directory name (created when needed); returns the pack path.
    std::string write(const std::string& pack, const std::string& file, const std::string& text)
    {
        std::string root = dir + "/" + pack;
        sv_test_write_file(std::filesystem::path(root) / file, text);
        return root;
    }

    // A pack with a manifest of the given id and the given content files, mounted at the end.
    std::string mount(const std::string& pack,
                      const std::vector<std::pair<std::string, std::string>>& files)
    {
        std::string root
            = write(pack, "pack.json", "{\"id\": \"" + pack + "\", \"name\": \"" + pack + "\"}");
        for (const auto& f : files)
            write(pack, f.first, f.second);
        EXPECT_EQ(sv_vfs_mount(root.c_str()), 1);
        return root;
    }

    // Mounts one pack holding one content file, scans manifests, and loads.
    i32 load_one(const std::string& file, const std::string& text)
    {
        mount("p", {{file, text}});
        sv_pack_scan();
        sv_diag_reset();
        return sv_content_load();
    }

    std::vector<std::string> messages() const
    {
        std::vector<std::string> out;
        for (u64 i = 0; i < sv_diag_count(); i++)
            out.push_back(sv_diag_at(i)->message);
        return out;
    }

    const sv_diag* find(const std::string& message) const
    {
        for (u64 i = 0; i < sv_diag_count(); i++) {
            if (message == sv_diag_at(i)->message)
                return sv_diag_at(i);
        }
        return nullptr;
    }

    u64 count_of(const std::string& message) const
    {
        u64 n = 0;
        for (u64 i = 0; i < sv_diag_count(); i++)
            n += message == sv_diag_at(i)->message;
        return n;
    }

    // The record with this message exists with this severity, kind and subject.
    void expect_diag(const std::string& message, u32 severity, u32 kind,
                     const std::string& subject) const
    {
        const sv_diag* d = find(message);
        ASSERT_NE(d, nullptr) << "no record: " << message << "\nhave:\n" << dump();
        EXPECT_EQ(d->severity, severity) << message;
        EXPECT_EQ(d->kind, kind) << message;
        EXPECT_EQ(std::string(d->subject), subject) << message;
    }

    std::string dump() const
    {
        std::string out;
        for (u64 i = 0; i < sv_diag_count(); i++) {
            const sv_diag* d = sv_diag_at(i);
            out += std::string(sv_diag_severity_name(d->severity)) + " / "
                + sv_diag_kind_name(d->kind) + " [" + d->pack + "] " + d->file + " '" + d->subject
                + "': " + d->message + "\n";
        }
        return out;
    }
};

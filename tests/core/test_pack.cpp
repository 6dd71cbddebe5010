// Pack manifests over real directories and archives, and the labels of the mounts.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/diag.h"
#include "core/pack.h"
#include "core/vfs.h"
#include "support/files.h"
#include "support/reset.h"

namespace {

namespace fs = std::filesystem;

class Pack : public ::testing::Test {
protected:
    std::string dir;

    void SetUp() override
    {
        sv_test_reset_all();
        dir = sv_test_make_dir("sv_pack");
        ASSERT_FALSE(dir.empty());
    }
    void TearDown() override
    {
        sv_test_reset_all();
        sv_test_remove_dir(dir);
    }

    // A directory pack holding the given manifest text (none when null), mounted at the end.
    std::string mount_pack(const std::string& name, const char* manifest)
    {
        std::string path = dir + "/" + name;
        fs::create_directories(path);
        if (manifest)
            sv_test_write_file(path + "/pack.json", manifest);
        EXPECT_EQ(sv_vfs_mount(path.c_str()), 1);
        return path;
    }

    std::vector<std::string> messages() const
    {
        std::vector<std::string> out;
        for (u64 i = 0; i < sv_diag_count(); i++)
            out.push_back(sv_diag_at(i)->message);
        return out;
    }
};

TEST_F(Pack, NoMountsScansCleanly)
{
    sv_diag_set_context("stale", "stale.json");
    EXPECT_EQ(sv_pack_scan(), 1);
    EXPECT_EQ(sv_pack_count(), 0u);
    EXPECT_EQ(sv_pack_at(0), nullptr);
    EXPECT_STREQ(sv_pack_label(0), "?");
    EXPECT_EQ(sv_pack_modded(), 0);
    sv_diag_report(SV_DIAG_INFO, SV_DIAG_MALFORMED, nullptr, "after");
    EXPECT_STREQ(sv_diag_at(0)->pack, "");
    EXPECT_STREQ(sv_diag_at(0)->file, "");
}

TEST_F(Pack, GoodManifestNamesThePack)
{
    std::string base = mount_pack(
        "base", R"({"id": "base", "name": "Base", "version": "1.2", "description": [1]})");
    std::string mod = mount_pack("mod", R"({"id": "mod", "name": "A Mod"})");
    EXPECT_EQ(sv_pack_scan(), 1);
    EXPECT_EQ(sv_diag_count(), 0u);
    ASSERT_EQ(sv_pack_count(), 2u);
    const sv_pack* p = sv_pack_at(0);
    EXPECT_STREQ(p->id, "base");
    EXPECT_STREQ(p->name, "Base");
    EXPECT_STREQ(p->version, "1.2");
    EXPECT_EQ(std::string(p->path), base);
    EXPECT_EQ(p->has_manifest, 1);
    EXPECT_STREQ(sv_pack_at(1)->version, "0");
    EXPECT_STREQ(sv_pack_label(0), "base");
    EXPECT_STREQ(sv_pack_label(1), "mod");
    EXPECT_STREQ(sv_pack_label(2), "?");
    EXPECT_EQ(sv_pack_modded(), 1);
    (void)mod;
}

TEST_F(Pack, MissingManifestLabelsByPath)
{
    std::string base = mount_pack("base", nullptr);
    EXPECT_EQ(sv_pack_modded(), 0);
    EXPECT_EQ(sv_pack_scan(), 0);
    ASSERT_EQ(sv_diag_count(), 1u);
    const sv_diag* d = sv_diag_at(0);
    EXPECT_EQ(d->severity, (u32)SV_DIAG_WARNING);
    EXPECT_EQ(d->kind, (u32)SV_DIAG_MISSING_FIELD);
    EXPECT_EQ(std::string(d->pack), base);
    EXPECT_STREQ(d->file, "pack.json");
    EXPECT_STREQ(d->subject, "pack.json");
    EXPECT_STREQ(d->message, "no manifest; this pack will be named by its path");
    const sv_pack* p = sv_pack_at(0);
    EXPECT_EQ(p->id, nullptr);
    EXPECT_EQ(p->name, nullptr);
    EXPECT_EQ(p->version, nullptr);
    EXPECT_EQ(p->has_manifest, 0);
    EXPECT_EQ(std::string(sv_pack_label(0)), base);
}

TEST_F(Pack, MalformedManifestsAreErrors)
{
    for (const char* text :
         {"not json", "[1, 2]", "\"id\"", "{\"id\": \"x\", \"name\": \"y\"} trailing", ""}) {
        SCOPED_TRACE(text);
        sv_vfs_clear();
        sv_diag_reset();
        std::string path = mount_pack("bad", text);
        EXPECT_EQ(sv_pack_scan(), 0);
        ASSERT_EQ(sv_diag_count(), 1u);
        EXPECT_EQ(sv_diag_at(0)->severity, (u32)SV_DIAG_ERROR);
        EXPECT_EQ(sv_diag_at(0)->kind, (u32)SV_DIAG_MALFORMED);
        EXPECT_STREQ(sv_diag_at(0)->subject, "");
        EXPECT_STREQ(sv_diag_at(0)->message, "a manifest must be one object of pack metadata");
        EXPECT_EQ(sv_pack_at(0)->has_manifest, 0);
        EXPECT_EQ(std::string(sv_pack_label(0)), path);
    }
}

TEST_F(Pack, UnknownMembersWarnButDoNotRefuse)
{
    mount_pack("p", R"({"id": "p", "base": true, "name": "P", "author": "me"})");
    EXPECT_EQ(sv_pack_scan(), 1);
    ASSERT_EQ(sv_diag_count(), 2u);
    EXPECT_STREQ(sv_diag_at(0)->subject, "base");
    EXPECT_STREQ(sv_diag_at(0)->message,
                 "a pack cannot declare itself base; the base pack is the first mount");
    EXPECT_EQ(sv_diag_at(0)->kind, (u32)SV_DIAG_UNKNOWN_KEY);
    EXPECT_STREQ(sv_diag_at(1)->subject, "author");
    EXPECT_STREQ(sv_diag_at(1)->message, "no such field on a manifest");
    EXPECT_STREQ(sv_pack_label(0), "p");
}

TEST_F(Pack, BadFieldsLeaveOnlyThePath)
{
    mount_pack("p", R"({"id": 5, "version": ""})");
    EXPECT_EQ(sv_pack_scan(), 0);
    EXPECT_EQ(messages(),
              (std::vector<std::string> {"'id' must be a non-empty string",
                                         "a manifest must declare 'name'",
                                         "'version' must be a non-empty string"}));
    EXPECT_EQ(sv_diag_at(0)->kind, (u32)SV_DIAG_WRONG_TYPE);
    EXPECT_EQ(sv_diag_at(1)->kind, (u32)SV_DIAG_MISSING_FIELD);
    EXPECT_STREQ(sv_diag_at(1)->subject, "name");
    EXPECT_EQ(sv_pack_at(0)->id, nullptr);

    // A bad version alone does not refuse the manifest; the row falls back to "0".
    sv_vfs_clear();
    sv_diag_reset();
    mount_pack("q", R"({"id": "q", "name": "Q", "version": 3})");
    EXPECT_EQ(sv_pack_scan(), 1);
    EXPECT_EQ(messages(), (std::vector<std::string> {"'version' must be a non-empty string"}));
    EXPECT_STREQ(sv_pack_at(0)->version, "0");
}

TEST_F(Pack, IdWithColonIsRefused)
{
    std::string path = mount_pack("weird", R"({"id": "weirdpack:", "name": "Weird"})");
    EXPECT_EQ(sv_pack_scan(), 0);
    ASSERT_EQ(sv_diag_count(), 1u);
    EXPECT_STREQ(sv_diag_at(0)->subject, "id");
    EXPECT_EQ(sv_diag_at(0)->kind, (u32)SV_DIAG_WRONG_TYPE);
    EXPECT_STREQ(
        sv_diag_at(0)->message,
        "'weirdpack:' carries a colon; the id IS the namespace, so write 'weirdpack' rather than "
        "'weirdpack:'");
    EXPECT_EQ(std::string(sv_pack_label(0)), path);
}

TEST_F(Pack, ManifestInsideAZip)
{
    std::string path = dir + "/mod.zip";
    ASSERT_NO_FATAL_FAILURE(
        sv_test_write_zip(path, {{"Pack.JSON", R"({"id": "zipped", "name": "Zipped"})"}}));
    mount_pack("base", R"({"id": "base", "name": "Base"})");
    ASSERT_EQ(sv_vfs_mount(path.c_str()), 1);
    EXPECT_EQ(sv_pack_scan(), 1);
    EXPECT_STREQ(sv_pack_label(1), "zipped");
}

// Some archivers write '\' between folders; every lookup asks with '/', so such entries are lost
// on every platform unless the scan names them.
TEST_F(Pack, ZipEntriesSeparatingFoldersWithBackslashesAreNamed)
{
    const char* manifest = R"({"id": "slashed", "name": "Slashed"})";
    std::string one = dir + "/one.zip";
    std::string two = dir + "/two.zip";
    ASSERT_NO_FATAL_FAILURE(sv_test_write_zip(
        one, {{"pack.json", manifest}, {"data\\mobs.json", "[]"}, {"data/axioms.json", "[]"}}));
    ASSERT_NO_FATAL_FAILURE(sv_test_write_zip(
        two, {{"pack.json", manifest}, {"data\\axioms.json", "[]"}, {"fonts\\a.ttf", "x"}}));
    mount_pack("clean", R"({"id": "clean", "name": "Clean"})");
    ASSERT_EQ(sv_vfs_mount(one.c_str()), 1);
    ASSERT_EQ(sv_vfs_mount(two.c_str()), 1);
    EXPECT_EQ(sv_pack_scan(), 1);
    ASSERT_EQ(sv_diag_count(), 2u);
    const char* const want[][2] = {
        {"data\\mobs.json",
         "an entry of this zip that separates folders with '\\', not '/'; no lookup finds it"},
        {"data\\axioms.json",
         "one of 2 entries of this zip that separate folders with '\\', not "
         "'/'; no lookup finds them"},
    };
    for (u64 i = 0; i < 2; i++) {
        const sv_diag* d = sv_diag_at(i);
        EXPECT_EQ(d->severity, (u32)SV_DIAG_WARNING);
        EXPECT_STREQ(d->pack, "slashed");
        EXPECT_STREQ(d->subject, want[i][0]);
        EXPECT_STREQ(d->message, want[i][1]);
    }
    EXPECT_EQ(sv_vfs_zip_backslashes(0, nullptr), 0u);
    EXPECT_EQ(sv_vfs_zip_backslashes(3, nullptr), 0u);
}

TEST_F(Pack, LabelsFollowTheMountsNotAStaleList)
{
    mount_pack("alpha", R"({"id": "alpha", "name": "Alpha"})");
    ASSERT_EQ(sv_pack_scan(), 1);
    EXPECT_STREQ(sv_pack_label(0), "alpha");

    // A mount added after the scan is named by its path.
    std::string late = mount_pack("late", R"({"id": "late", "name": "Late"})");
    EXPECT_EQ(std::string(sv_pack_label(1)), late);

    // Cleared and remounted differently: the old row no longer describes mount 0.
    sv_vfs_clear();
    EXPECT_STREQ(sv_pack_label(0), "?");
    std::string beta = mount_pack("beta", R"({"id": "beta", "name": "Beta"})");
    EXPECT_EQ(std::string(sv_pack_label(0)), beta);
    ASSERT_EQ(sv_pack_scan(), 1);
    EXPECT_STREQ(sv_pack_label(0), "beta");

    sv_pack_reset();
    EXPECT_EQ(sv_pack_count(), 0u);
    EXPECT_EQ(std::string(sv_pack_label(0)), beta);
}

} // namespace

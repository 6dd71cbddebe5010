// Pack boot and reload over the real base pack, a zipped copy, and damaged copies.
#include "core/boot.h"

#include "core/plat.h"
#include "core/tune.h"
#include "test_content_fixture.h"

namespace {

namespace fs = std::filesystem;

const std::string k_base = std::string(SV_SOURCE_DIR) + "/packs/base";

class Boot : public ContentTest {
protected:
    void TearDown() override { ContentTest::TearDown(); }

    // A copy of the base pack whose tunables file is replaced by the given text (none when null).
    std::string base_copy(const char* tunables)
    {
        std::string path = dir + "/base";
        fs::copy(k_base, path, fs::copy_options::recursive);
        fs::remove(path + "/tunables.json");
        if (tunables)
            write("base", "tunables.json", tunables);
        return path;
    }
};

TEST_F(Boot, BasePackBootsCleanly)
{
    sv_tune_set_by_name("floor.size_base", 50);
    EXPECT_EQ(sv_pack_boot(k_base.c_str()), 1);
    EXPECT_EQ(sv_diag_count(), 0u) << dump();
    EXPECT_EQ(sv_vfs_mount_count(), 1u);
    ASSERT_EQ(sv_pack_count(), 1u);
    EXPECT_STREQ(sv_pack_label(0), "base");
    // The shipped tunable set is exactly the compiled-in defaults.
    for (u32 i = 0; i < SV_TUNE_COUNT; ++i)
        EXPECT_EQ(sv_tune(i), sv_tune_default(i)) << sv_tune_name(i);
    EXPECT_EQ(sv_content_axiom_count(), 5u);
    EXPECT_GT(sv_content_mob_count(), 0u);
    // Boot leaves no context behind.
    sv_diag_report(SV_DIAG_INFO, SV_DIAG_MALFORMED, nullptr, "after");
    EXPECT_STREQ(sv_diag_at(0)->pack, "");
    EXPECT_STREQ(sv_diag_at(0)->file, "");
}

TEST_F(Boot, ZippedBasePackBootsIdentically)
{
    ASSERT_EQ(sv_pack_boot(k_base.c_str()), 1);
    std::string from_dir = describe_content();
    sv_diag_reset();
    std::string zip = dir + "/base.zip";
    zip_directory(k_base, zip, false);
    EXPECT_EQ(sv_pack_boot(zip.c_str()), 1);
    EXPECT_EQ(sv_diag_count(), 0u) << dump();
    EXPECT_EQ(sv_vfs_mount_is_zip(0), 1);
    EXPECT_STREQ(sv_pack_label(0), "base");
    EXPECT_EQ(describe_content(), from_dir);
    for (u32 i = 0; i < SV_TUNE_COUNT; ++i)
        EXPECT_EQ(sv_tune(i), sv_tune_default(i)) << sv_tune_name(i);
}

// Boot's diagnostics name a content file set apart only by letter case from the name the loader
// asks for: Linux goes without its mobs, Windows loads them, and both say which file it is.
TEST_F(Boot, AFileNamedInAnotherLetterCaseIsNamed)
{
    std::string base = dir + "/base";
    fs::copy(k_base, base, fs::copy_options::recursive);
    // Written anew rather than renamed: Wine keeps a name when only its letter case changes.
    std::string mobs = sv_test_read_file(base + "/data/mobs.json");
    fs::remove(base + "/data/mobs.json");
    sv_test_write_file(base + "/data/Mobs.json", mobs);
    sv_pack_boot(base.c_str());
    EXPECT_EQ(sv_content_mob_count() > 0, SV_PLAT_FOLDS_CASE == 1);
    u64 named = 0;
    for (u64 i = 0; i < sv_diag_count(); i++) {
        const sv_diag* d = sv_diag_at(i);
        named += d->severity == SV_DIAG_WARNING && std::string(d->subject) == "data/mobs.json"
            && std::string(d->message).find("'data/Mobs.json'") != std::string::npos;
    }
    EXPECT_EQ(named, 1u) << dump();
}

TEST_F(Boot, MissingTunableKeysAreEachAnError)
{
    std::string text = "{\n";
    for (u32 i = 0; i < SV_TUNE_COUNT; ++i) {
        if (i == SV_TUNE_FLOOR_SIZE_MIN || i == SV_TUNE_MOB_LEASH
            || i == SV_TUNE_VISUAL_SATURATION_K)
            continue;
        double v = sv_tune_default(i);
        if (i == SV_TUNE_FLOOR_SIZE_BASE)
            v = 42;
        text += std::string(text.size() > 2 ? ",\n" : "") + "\"" + sv_tune_name(i)
            + "\": " + std::to_string(v);
    }
    text += "\n}\n";
    std::string path = base_copy(text.c_str());
    EXPECT_EQ(sv_pack_boot(path.c_str()), 0);
    const char* msg = "the base pack names every tunable, and this one is absent";
    EXPECT_EQ(count_of(msg), 3u) << dump();
    EXPECT_EQ(sv_diag_count(), 3u) << dump();
    expect_diag(msg, SV_DIAG_ERROR, SV_DIAG_MISSING_FIELD, "floor.size_min");
    ASSERT_NE(find(msg), nullptr);
    EXPECT_STREQ(find(msg)->pack, "base");
    EXPECT_STREQ(find(msg)->file, "tunables.json");
    EXPECT_EQ(sv_tune(SV_TUNE_FLOOR_SIZE_BASE), 42.0);
    EXPECT_EQ(sv_content_axiom_count(), 5u);
}

TEST_F(Boot, MissingTunablesFile)
{
    std::string path = base_copy(nullptr);
    EXPECT_EQ(sv_pack_boot(path.c_str()), 0);
    expect_diag("the base pack must ship a tunable set naming every key (DESIGN 9.5)",
                SV_DIAG_ERROR, SV_DIAG_MISSING_FIELD, "tunables.json");
    ASSERT_NE(find("the base pack must ship a tunable set naming every key (DESIGN 9.5)"), nullptr);
    EXPECT_STREQ(find("the base pack must ship a tunable set naming every key (DESIGN 9.5)")->pack,
                 "base");
    EXPECT_EQ(sv_content_axiom_count(), 5u);
}

TEST_F(Boot, UnparsableTunablesFileIsReportedOnce)
{
    std::string path = base_copy("{ \"floor.size_base\": ");
    EXPECT_EQ(sv_pack_boot(path.c_str()), 0);
    EXPECT_EQ(sv_diag_count(), 1u) << dump();
    EXPECT_EQ(sv_diag_at(0)->kind, SV_DIAG_MALFORMED);
}

// A tunables file that is there but cannot be read is reported once, by the read, and is not
// taken for a missing one.
TEST_F(Boot, UnreadableTunablesFileIsReportedOnce)
{
    std::string text = sv_test_read_file(k_base + "/tunables.json");
    ASSERT_GT(text.size(), 100u);
    std::string zip = dir + "/base.zip";
    zip_directory(base_copy(text.c_str()), zip, true);
    std::string bytes = sv_test_read_file(zip);
    size_t at = bytes.find(text);
    ASSERT_NE(at, std::string::npos);
    bytes[at + text.size() / 2] ^= 1;
    sv_test_write_file(zip, bytes);
    EXPECT_EQ(sv_pack_boot(zip.c_str()), 0);
    ASSERT_EQ(sv_diag_count(), 1u) << dump();
    EXPECT_STREQ(sv_diag_at(0)->subject, "tunables.json");
    EXPECT_STREQ(sv_diag_at(0)->pack, "base");
    EXPECT_EQ(sv_content_axiom_count(), 5u);
}

TEST_F(Boot, UnmountablePathLeavesDefaultsAndNoMount)
{
    ASSERT_EQ(sv_pack_boot(k_base.c_str()), 1);
    ASSERT_EQ(sv_tune_set_by_name("floor.size_base", 77), 1);
    std::string nowhere = dir + "/nowhere";
    EXPECT_EQ(sv_pack_boot(nowhere.c_str()), 0);
    EXPECT_EQ(sv_vfs_mount_count(), 0u);
    EXPECT_EQ(sv_pack_count(), 0u);
    for (u32 i = 0; i < SV_TUNE_COUNT; ++i)
        EXPECT_EQ(sv_tune(i), sv_tune_default(i)) << sv_tune_name(i);
    const sv_diag* d = find("'" + nowhere + "' is neither a directory nor a file");
    ASSERT_NE(d, nullptr) << dump();
    EXPECT_EQ(std::string(d->pack), nowhere);
}

TEST_F(Boot, ReloadLaysASecondPackOverTheBase)
{
    ASSERT_EQ(sv_pack_boot(k_base.c_str()), 1);
    const u64 mobs = sv_content_mob_count();
    std::string first = sv_content_mob_at(0)->id;
    std::string mod
        = mount("mod",
                {{"tunables.json", R"({"mob.leash": 12})"},
                 {"data/mobs.json", "[{\"id\": \"" + first + R"(", "name": "Recut", "hp": 5},
                                                        {"id": "mod:extra", "name": "Extra", "sides": 7}])"}});
    sv_diag_reset();
    EXPECT_EQ(sv_pack_reload(), 1);
    EXPECT_EQ(sv_diag_count(), 0u) << dump();
    ASSERT_EQ(sv_content_mob_count(), mobs + 1);
    EXPECT_STREQ(sv_content_mob_at(0)->id, first.c_str());
    EXPECT_STREQ(sv_content_mob_at(0)->name, "Recut");
    EXPECT_EQ(sv_content_mob_at(0)->body.hp, 5.0f);
    EXPECT_STREQ(sv_content_mob_at(mobs)->id, "mod:extra");
    EXPECT_EQ(sv_tune(SV_TUNE_MOB_LEASH), 12.0);
    EXPECT_EQ(sv_pack_count(), 2u);
    EXPECT_EQ(sv_pack_modded(), 1);
}

TEST_F(Boot, ReloadReportsABrokenContentFile)
{
    ASSERT_EQ(sv_pack_boot(k_base.c_str()), 1);
    mount("mod", {{"data/weapons.json", "{\"not\": \"an array\"}"}});
    sv_diag_reset();
    EXPECT_EQ(sv_pack_reload(), 0);
    expect_diag("root must be an array of objects", SV_DIAG_ERROR, SV_DIAG_MALFORMED, "");
    ASSERT_NE(find("root must be an array of objects"), nullptr);
    EXPECT_STREQ(find("root must be an array of objects")->pack, "mod");
    EXPECT_GT(sv_content_weapon_count(), 0u);
}

} // namespace

// The pack file system over real directories and real zip archives made by the tests.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "core/diag.h"
#include "core/plat.h"
#include "core/vfs.h"
#include "support/files.h"
#include "support/reset.h"

namespace {

namespace fs = std::filesystem;

void put_u32(std::string& bytes, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; i++)
        bytes[at + i] = (char)((v >> (8 * i)) & 0xff);
}

// Rewrites the declared uncompressed size of every entry, in the local and central headers.
void patch_sizes(const std::string& path, uint32_t size)
{
    std::string bytes = sv_test_read_file(path);
    for (size_t i = 0; i + 30 <= bytes.size(); i++) {
        if (memcmp(&bytes[i], "PK\x03\x04", 4) == 0)
            put_u32(bytes, i + 22, size);
        if (i + 46 <= bytes.size() && memcmp(&bytes[i], "PK\x01\x02", 4) == 0)
            put_u32(bytes, i + 24, size);
    }
    sv_test_write_file(path, bytes);
}

std::string buf_text(const sv_vfs_buf& b)
{
    return std::string(b.data, b.size);
}

class Vfs : public ::testing::Test {
protected:
    std::string dir;

    void SetUp() override
    {
        sv_test_reset_all();
        dir = sv_test_make_dir("sv_vfs");
        ASSERT_FALSE(dir.empty());
    }
    void TearDown() override
    {
        sv_test_reset_all();
        sv_test_remove_dir(dir);
    }
    std::string at(const std::string& rel) const { return dir + "/" + rel; }
    std::string last_message() const
    {
        u64 n = sv_diag_count();
        return n ? sv_diag_at(n - 1)->message : "";
    }
};

TEST_F(Vfs, PathRules)
{
    EXPECT_EQ(sv_vfs_path_ok("data/mobs.json"), 1);
    EXPECT_EQ(sv_vfs_path_ok("pack.json"), 1);
    EXPECT_EQ(sv_vfs_path_ok("a/.hidden/..x"), 1);
    const char* bad[] = {"",         "/data/mobs.json",
                         "\\data",   "c:data/mobs.json",
                         "c:x",      "data\\mobs.json",
                         "a\\b",     "data//mobs.json",
                         "data/",    "./data/mobs.json",
                         "../x",     "data/../mobs.json",
                         "data/./x", ".",
                         "..",       "a/.."};
    for (const char* p : bad)
        EXPECT_EQ(sv_vfs_path_ok(p), 0) << p;
    EXPECT_EQ(sv_vfs_path_ok(nullptr), 0);
}

TEST_F(Vfs, LastMountWinsAndReadAtReadsOneMount)
{
    sv_test_write_file(at("a/tunables.json"), "first");
    sv_test_write_file(at("b/tunables.json"), "second");
    sv_test_write_file(at("a/only_a.txt"), "a");
    ASSERT_EQ(sv_vfs_mount(at("a").c_str()), 1);
    ASSERT_EQ(sv_vfs_mount(at("b").c_str()), 1);
    EXPECT_EQ(sv_vfs_mount_count(), 2u);
    EXPECT_EQ(std::string(sv_vfs_mount_at(1)), at("b"));
    EXPECT_EQ(sv_vfs_mount_at(2), nullptr);
    EXPECT_EQ(sv_vfs_mount_is_zip(0), 0);
    EXPECT_EQ(sv_vfs_mount_is_zip(5), 0);

    sv_vfs_buf b;
    ASSERT_EQ(sv_vfs_read("tunables.json", &b), 1);
    EXPECT_EQ(buf_text(b), "second");
    EXPECT_EQ(b.data[b.size], 0);
    sv_vfs_free(&b);
    EXPECT_EQ(b.data, nullptr);
    EXPECT_EQ(b.size, 0u);

    ASSERT_EQ(sv_vfs_read_at(0, "tunables.json", &b), 1);
    EXPECT_EQ(buf_text(b), "first");
    sv_vfs_free(&b);
    EXPECT_EQ(sv_vfs_read_at(1, "only_a.txt", &b), 0);
    EXPECT_EQ(sv_vfs_read_at(2, "tunables.json", &b), 0);
    EXPECT_EQ(b.data, nullptr);

    EXPECT_EQ(sv_vfs_exists("only_a.txt"), 1);
    EXPECT_EQ(std::string(sv_vfs_source_of("only_a.txt")), at("a"));
    EXPECT_EQ(std::string(sv_vfs_source_of("tunables.json")), at("b"));
    EXPECT_EQ(sv_vfs_source_of("missing.json"), nullptr);
    EXPECT_EQ(sv_vfs_source_index("only_a.txt"), 0);
    EXPECT_EQ(sv_vfs_source_index("tunables.json"), 1);
    EXPECT_EQ(sv_vfs_source_index("missing.json"), -1);
    EXPECT_EQ(sv_vfs_read("missing.json", &b), 0);
    // A missing file and a path breaking the rules are no problem records at this level.
    EXPECT_EQ(sv_vfs_read("../b/tunables.json", &b), 0);
    EXPECT_EQ(sv_vfs_exists("/tunables.json"), 0);
    EXPECT_EQ(sv_diag_count(), 0u);
    sv_vfs_free(nullptr);
}

TEST_F(Vfs, DirectoriesAreNotFiles)
{
    sv_test_write_file(at("p/data/mobs.json"), "{}");
    ASSERT_EQ(sv_vfs_mount(at("p").c_str()), 1);
    EXPECT_EQ(sv_vfs_exists("data"), 0);
    EXPECT_EQ(sv_vfs_exists("data/mobs.json"), 1);
}

TEST_F(Vfs, EmptyFileReadsAsOneNulByte)
{
    sv_test_write_file(at("p/empty.json"), "");
    ASSERT_EQ(sv_vfs_mount(at("p").c_str()), 1);
    sv_vfs_buf b;
    ASSERT_EQ(sv_vfs_read("empty.json", &b), 1);
    EXPECT_EQ(b.size, 0u);
    ASSERT_NE(b.data, nullptr);
    EXPECT_EQ(b.data[0], 0);
    sv_vfs_free(&b);
}

TEST_F(Vfs, BuffersOutliveTheMounts)
{
    sv_test_write_zip(at("p.zip"), {{"a.txt", "zipped text"}});
    ASSERT_EQ(sv_vfs_mount(at("p.zip").c_str()), 1);
    sv_vfs_buf b;
    ASSERT_EQ(sv_vfs_read("a.txt", &b), 1);
    sv_vfs_clear();
    EXPECT_EQ(sv_vfs_mount_count(), 0u);
    EXPECT_EQ(buf_text(b), "zipped text");
    sv_vfs_free(&b);
}

TEST_F(Vfs, RefusedMountsSayWhyAndChangeNothing)
{
    ASSERT_EQ(sv_vfs_mount(nullptr), 0);
    EXPECT_STREQ(sv_diag_at(0)->message, "empty mount path");
    EXPECT_EQ(sv_diag_at(0)->kind, (u32)SV_DIAG_MISSING_FIELD);
    EXPECT_STREQ(sv_diag_at(0)->subject, "mount");
    EXPECT_EQ(sv_vfs_mount(""), 0);

    std::string longer(600, 'd');
    EXPECT_EQ(sv_vfs_mount(longer.c_str()), 0);
    EXPECT_EQ(last_message(), "mount path is longer than 512 bytes");

    EXPECT_EQ(sv_vfs_mount(at("nowhere").c_str()), 0);
    EXPECT_EQ(last_message(), "'" + at("nowhere") + "' is neither a directory nor a file");

    sv_test_write_file(at("notes.txt"), "just some text, not an archive\n");
    EXPECT_EQ(sv_vfs_mount(at("notes.txt").c_str()), 0);
    EXPECT_EQ(last_message(), "'" + at("notes.txt") + "' is a file but not a readable zip");
    EXPECT_EQ(sv_diag_at(sv_diag_count() - 1)->kind, (u32)SV_DIAG_MALFORMED);

    sv_test_write_file(at("empty.zip"), "");
    EXPECT_EQ(sv_vfs_mount(at("empty.zip").c_str()), 0);
    EXPECT_EQ(last_message(), "'" + at("empty.zip") + "' is a file but not a readable zip");

    EXPECT_EQ(sv_vfs_mount_count(), 0u);
    EXPECT_EQ(sv_diag_count_of(SV_DIAG_ERROR), 6u);
}

TEST_F(Vfs, ThirtyThirdMountIsRefused)
{
    for (int i = 0; i <= 32; i++)
        fs::create_directories(at("p" + std::to_string(i)));
    for (int i = 0; i < 32; i++)
        ASSERT_EQ(sv_vfs_mount(at("p" + std::to_string(i)).c_str()), 1);
    EXPECT_EQ(sv_vfs_mount(at("p32").c_str()), 0);
    EXPECT_EQ(sv_vfs_mount_count(), 32u);
    EXPECT_EQ(last_message(), "cannot mount '" + at("p32") + "': already at 32 mounts");
    EXPECT_EQ(sv_diag_at(0)->kind, (u32)SV_DIAG_OUT_OF_RANGE);
}

// One pack mounted 32 times would hold 32 copies of what it costs; any name that leads to a
// mounted file or directory is refused.
TEST_F(Vfs, APathAlreadyMountedIsRefusedUnderAnyName)
{
    fs::create_directories(at("p"));
    fs::create_directories(at("q"));
    sv_test_write_zip(at("z.zip"), {{"pack.json", "{}"}});
    std::vector<std::string> names = {at("p"), at("p/"), dir + "/./p", at("z.zip")};
    // Wine makes no symbolic links.
    std::error_code ec;
    fs::create_directory_symlink(at("p"), at("link"), ec);
    if (!ec)
        names.push_back(at("link"));
    ASSERT_EQ(sv_vfs_mount(at("p").c_str()), 1);
    ASSERT_EQ(sv_vfs_mount(at("z.zip").c_str()), 1);
    for (const std::string& again : names) {
        sv_diag_reset();
        EXPECT_EQ(sv_vfs_mount(again.c_str()), 0) << again;
        EXPECT_EQ(last_message(), "cannot mount '" + again + "': it is already mounted");
        EXPECT_EQ(sv_vfs_mount_index_of(again.c_str()), again == at("z.zip") ? 1 : 0) << again;
    }
    EXPECT_EQ(sv_vfs_mount_index_of(at("q").c_str()), -1);
    EXPECT_EQ(sv_vfs_mount(at("q").c_str()), 1);
    EXPECT_EQ(sv_vfs_mount_count(), 3u);
}

// libzip holds a zip's whole directory in memory and searches it entry by entry; a pack needs a
// dozen files, so an archive of more entries than any pack uses is refused as it is opened.
TEST_F(Vfs, AZipOfMoreEntriesThanAPackUsesIsRefused)
{
    sv_test_zip_entries entries = {{"pack.json", "{}"}};
    while (entries.size() < SV_VFS_ZIP_ENTRIES_MAX)
        entries.push_back({"junk/" + std::to_string(entries.size()), ""});
    sv_test_write_zip(at("full.zip"), entries);
    entries.push_back({"junk/one-more", ""});
    sv_test_write_zip(at("over.zip"), entries);
    EXPECT_EQ(sv_vfs_mount(at("full.zip").c_str()), 1);
    EXPECT_EQ(sv_vfs_mount(at("over.zip").c_str()), 0);
    EXPECT_EQ(last_message(),
              "'" + at("over.zip") + "' holds 4097 entries, more than the 4096 a pack may have");
    EXPECT_EQ(sv_diag_at(0)->kind, (u32)SV_DIAG_OUT_OF_RANGE);
    EXPECT_EQ(sv_vfs_mount_count(), 1u);
}

TEST_F(Vfs, JoinedPathOver1024BytesHoldsNothingAndAReadSaysSo)
{
    // Mount path plus '/' plus the relative path plus NUL must fit in 1024 bytes.
    std::string deep = at("p");
    fs::create_directories(deep);
    ASSERT_EQ(sv_vfs_mount(deep.c_str()), 1);
    size_t room = 1024 - deep.size() - 2; // the longest relative path that fits
    std::string fits(room, 'f');
    std::string over(room + 1, 'g');
    // Names this long exceed a single file name limit, so split them into directories.
    auto split = [](std::string s) {
        for (size_t i = 200; i < s.size(); i += 201)
            s[i] = '/';
        return s;
    };
    fits = split(fits);
    over = split(over);
    sv_test_write_file(deep + "/" + fits, "fits");
    sv_test_write_file(deep + "/" + over, "over");
    EXPECT_EQ(sv_vfs_exists(fits.c_str()), 1);
    EXPECT_EQ(sv_vfs_exists(over.c_str()), 0);
    EXPECT_EQ(sv_diag_count(), 0u);
    sv_vfs_buf b;
    EXPECT_EQ(sv_vfs_read(over.c_str(), &b), 0);
    ASSERT_EQ(sv_diag_count(), 1u);
    EXPECT_EQ(last_message(), "path too long in '" + deep + "'; not read");
}

// Lookups in a directory pack match names as the file system does: exactly on Linux, whatever
// the letter case on Windows. A read names the file that only letter case sets apart, so a pack
// made on one system does not lose files on the other without a word.
TEST_F(Vfs, NamesDifferingOnlyInLetterCaseAreNamedWhenRead)
{
    sv_test_write_file(at("p/Data/Axioms.JSON"), "[1]");
    sv_test_write_file(at("p/pack.json"), "{}");
    ASSERT_EQ(sv_vfs_mount(at("p").c_str()), 1);
    EXPECT_EQ(sv_vfs_exists("data/axioms.json"), SV_PLAT_FOLDS_CASE);
    EXPECT_EQ(sv_diag_count(), 0u);
    sv_vfs_buf b;
    for (int all = 0; all < 2; all++) {
        sv_diag_reset();
        int got
            = all ? sv_vfs_read("data/axioms.json", &b) : sv_vfs_read_at(0, "data/axioms.json", &b);
        EXPECT_EQ(got, SV_PLAT_FOLDS_CASE);
        sv_vfs_free(&b);
        ASSERT_EQ(sv_diag_count(), 1u);
        const sv_diag* d = sv_diag_at(0);
        EXPECT_EQ(d->severity, (u32)SV_DIAG_WARNING);
        EXPECT_STREQ(d->subject, "data/axioms.json");
#if defined(_WIN32)
        EXPECT_EQ(std::string(d->message),
                  "read from 'Data/Axioms.JSON' in '" + at("p")
                      + "', which differs in letter case; on Linux a directory pack's names must "
                        "match exactly");
#else
        EXPECT_EQ(std::string(d->message),
                  "not in '" + at("p")
                      + "', which holds 'Data/Axioms.JSON': a directory pack's names match in "
                        "letter case too; not read");
#endif
    }
    // An exact name, and a name with no near one, say nothing.
    sv_diag_reset();
    EXPECT_EQ(sv_vfs_read_at(0, "pack.json", &b), 1);
    sv_vfs_free(&b);
    EXPECT_EQ(sv_vfs_read_at(0, "data/mobs.json", &b), 0);
    EXPECT_EQ(sv_diag_count(), 0u);
}

// Folders and packs named in any script, and Windows' "\\?\" form, which a joined '/' would break.
TEST_F(Vfs, MountsNamedInAnyScriptOrInTheLongForm)
{
    std::string pack = at("\xc5\x81\xc3\xb3\x64\xc5\xba/pack-\xc3\xa9"); // Łódź/pack-é
    sv_test_write_file(sv_test_u8path(pack + "/data/mobs.json"), "[]");
    sv_test_write_zip(pack + ".zip", {{"data/mobs.json", "[2]"}});
    std::vector<std::string> mounts = {pack, pack + ".zip"};
#if defined(_WIN32)
    mounts.push_back("\\\\?\\" + sv_test_utf8(fs::absolute(sv_test_u8path(pack)).make_preferred()));
#endif
    for (const std::string& m : mounts) {
        sv_vfs_clear();
        ASSERT_EQ(sv_vfs_mount(m.c_str()), 1) << m;
        sv_vfs_buf b;
        EXPECT_EQ(sv_vfs_read_at(0, "data/mobs.json", &b), 1) << m;
        sv_vfs_free(&b);
    }
    EXPECT_EQ(sv_diag_count(), 0u);
}

TEST_F(Vfs, ZipFindsEntriesWithoutRegardToCase)
{
    sv_test_write_zip(at("p.zip"),
                      {{"Data/", ""}, {"Data/Mobs.json", "[1,2,3]"}, {"pack.json", "{}"}});
    ASSERT_EQ(sv_vfs_mount(at("p.zip").c_str()), 1);
    EXPECT_EQ(sv_vfs_mount_is_zip(0), 1);
    sv_vfs_buf b;
    ASSERT_EQ(sv_vfs_read("data/mobs.json", &b), 1);
    EXPECT_EQ(buf_text(b), "[1,2,3]");
    EXPECT_EQ(b.data[b.size], 0);
    sv_vfs_free(&b);
    ASSERT_EQ(sv_vfs_read_at(0, "DATA/MOBS.JSON", &b), 1);
    sv_vfs_free(&b);
    EXPECT_EQ(std::string(sv_vfs_source_of("data/mobs.json")), at("p.zip"));
    // The directory entry is not a file, by either name.
    EXPECT_EQ(sv_vfs_exists("Data"), 0);
    EXPECT_EQ(sv_vfs_exists("data"), 0);
    EXPECT_EQ(sv_diag_count(), 0u);
}

TEST_F(Vfs, ZipOverridesDirectoryAndEmptyEntryReads)
{
    sv_test_write_file(at("base/tunables.json"), "from dir");
    sv_test_write_zip(at("mod.zip"), {{"tunables.json", "from zip"}, {"empty.txt", ""}}, true);
    ASSERT_EQ(sv_vfs_mount(at("base").c_str()), 1);
    ASSERT_EQ(sv_vfs_mount(at("mod.zip").c_str()), 1);
    sv_vfs_buf b;
    ASSERT_EQ(sv_vfs_read("tunables.json", &b), 1);
    EXPECT_EQ(buf_text(b), "from zip");
    sv_vfs_free(&b);
    ASSERT_EQ(sv_vfs_read("empty.txt", &b), 1);
    EXPECT_EQ(b.size, 0u);
    EXPECT_EQ(b.data[0], 0);
    sv_vfs_free(&b);
}

TEST_F(Vfs, ZipEntriesBreakingThePathRuleAreNeverServed)
{
    sv_test_write_zip(
        at("evil.zip"),
        {{"../x", "up"}, {"/x", "root"}, {"c:x", "drive"}, {"a\\b", "slash"}, {"ok.txt", "ok"}});
    ASSERT_EQ(sv_vfs_mount(at("evil.zip").c_str()), 1);
    sv_vfs_buf b;
    for (const char* name : {"../x", "/x", "c:x", "a\\b"}) {
        EXPECT_EQ(sv_vfs_exists(name), 0) << name;
        EXPECT_EQ(sv_vfs_read(name, &b), 0) << name;
        EXPECT_EQ(sv_vfs_read_at(0, name, &b), 0) << name;
        EXPECT_EQ(b.data, nullptr);
    }
    ASSERT_EQ(sv_vfs_read("ok.txt", &b), 1);
    EXPECT_EQ(buf_text(b), "ok");
    sv_vfs_free(&b);
    EXPECT_EQ(sv_diag_count(), 0u);
}

TEST_F(Vfs, ZipEntryWhoseSizeLiesIsRefused)
{
    std::string text(1000, 'a');
    for (size_t i = 0; i < text.size(); i++)
        text[i] = (char)('a' + i % 26);
    for (uint32_t lie : {10u, 5000u}) {
        for (bool store : {false, true}) {
            SCOPED_TRACE(testing::Message()
                         << "declared " << lie << (store ? " stored" : " deflated"));
            sv_vfs_clear();
            sv_diag_reset();
            sv_test_write_zip(at("lie.zip"), {{"big.txt", text}}, store);
            patch_sizes(at("lie.zip"), lie);
            if (!sv_vfs_mount(at("lie.zip").c_str()))
                continue; // libzip may refuse the archive outright
            sv_vfs_buf b;
            EXPECT_EQ(sv_vfs_read("big.txt", &b), 0);
            EXPECT_EQ(b.data, nullptr);
            ASSERT_EQ(sv_diag_count(), 1u);
            EXPECT_EQ(sv_diag_at(0)->severity, (u32)SV_DIAG_ERROR);
            EXPECT_STREQ(sv_diag_at(0)->subject, "big.txt");
            EXPECT_NE(std::string(sv_diag_at(0)->message).find(at("lie.zip")), std::string::npos);
        }
    }
}

TEST_F(Vfs, AbsurdDeclaredSizesAreRefused)
{
    sv_test_write_zip(at("huge.zip"), {{"huge.bin", "tiny"}});
    patch_sizes(at("huge.zip"), 0xF0000000u);
    if (sv_vfs_mount(at("huge.zip").c_str())) {
        sv_vfs_buf b;
        EXPECT_EQ(sv_vfs_read("huge.bin", &b), 0);
        ASSERT_EQ(sv_diag_count(), 1u);
        EXPECT_EQ(sv_diag_at(0)->kind, (u32)SV_DIAG_OUT_OF_RANGE);
        EXPECT_EQ(std::string(sv_diag_at(0)->message),
                  "entry in '" + at("huge.zip")
                      + "' declares 4026531840 bytes, over the 67108864-byte limit");
    }

    // A sparse file costs nothing on disk but declares 65 MiB.
    sv_vfs_clear();
    sv_diag_reset();
    sv_test_write_file(at("p/big.bin"), "");
    ASSERT_EQ(truncate(at("p/big.bin").c_str(), 65 * 1024 * 1024), 0);
    ASSERT_EQ(sv_vfs_mount(at("p").c_str()), 1);
    sv_vfs_buf b;
    EXPECT_EQ(sv_vfs_read("big.bin", &b), 0);
    ASSERT_EQ(sv_diag_count(), 1u);
    EXPECT_STREQ(sv_diag_at(0)->subject, "big.bin");
    EXPECT_EQ(std::string(sv_diag_at(0)->message),
              "'" + at("p/big.bin") + "' is 68157440 bytes, over the 67108864-byte limit");
}

} // namespace

namespace {

// Renames entries of a zip in place: every occurrence of from (headers and all) becomes to,
// which must have the same length. libzip will not write two entries of one name itself.
void rename_entries(const std::string& path, const std::string& from, const std::string& to)
{
    ASSERT_EQ(from.size(), to.size());
    std::string bytes = sv_test_read_file(path);
    for (size_t i = bytes.find(from); i != std::string::npos; i = bytes.find(from, i + 1))
        bytes.replace(i, from.size(), to);
    sv_test_write_file(path, bytes);
}

TEST_F(Vfs, ZipEntriesSharingANameAreReported)
{
    sv_test_write_zip(at("p.zip"), {{"a.json", "first"}, {"b.json", "second"}, {"c.json", "third"}},
                      true);
    rename_entries(at("p.zip"), "b.json", "a.json");
    rename_entries(at("p.zip"), "c.json", "A.JSON");
    ASSERT_EQ(sv_vfs_mount(at("p.zip").c_str()), 1);
    EXPECT_EQ(sv_vfs_exists("a.json"), 1);
    EXPECT_EQ(sv_diag_count(), 0u) << "a lookup alone reports nothing";
    sv_vfs_buf b;
    ASSERT_EQ(sv_vfs_read_at(0, "a.json", &b), 1);
    EXPECT_EQ(buf_text(b), "first");
    sv_vfs_free(&b);
    ASSERT_EQ(sv_diag_count(), 1u);
    const sv_diag* d = sv_diag_at(0);
    EXPECT_EQ(d->severity, (u32)SV_DIAG_WARNING);
    EXPECT_EQ(d->kind, (u32)SV_DIAG_DUPLICATE_ID);
    EXPECT_STREQ(d->subject, "a.json");
    EXPECT_EQ(std::string(d->message),
              "'" + at("p.zip") + "' holds 3 entries of this name; the first is served");
}

TEST_F(Vfs, DirectoriesNamedLikeAFileAreReportedWhenRead)
{
    sv_test_write_file(at("p/data/mobs.json/inner.json"), "[]");
    sv_test_write_zip(at("explicit.zip"), {{"data/", ""}, {"data/mobs.json/", ""}});
    sv_test_write_zip(at("implied.zip"), {{"data/mobs.json/inner.json", "[]"}});
    for (const char* pack : {"p", "explicit.zip", "implied.zip"}) {
        sv_vfs_clear();
        sv_diag_reset();
        ASSERT_EQ(sv_vfs_mount(at(pack).c_str()), 1) << pack;
        EXPECT_EQ(sv_vfs_exists("data/mobs.json"), 0) << pack;
        EXPECT_EQ(sv_vfs_source_of("data/mobs.json"), nullptr) << pack;
        EXPECT_EQ(sv_diag_count(), 0u) << pack;
        sv_vfs_buf b;
        EXPECT_EQ(sv_vfs_read_at(0, "data/mobs.json", &b), 0) << pack;
        EXPECT_EQ(sv_vfs_read("data/mobs.json", &b), 0) << pack;
        ASSERT_EQ(sv_diag_count(), 2u) << pack;
        const sv_diag* d = sv_diag_at(0);
        EXPECT_EQ(d->severity, (u32)SV_DIAG_ERROR);
        EXPECT_STREQ(d->subject, "data/mobs.json");
        EXPECT_EQ(std::string(d->message), "a directory in '" + at(pack) + "', not a file") << pack;
        // A name that is neither stays silent.
        EXPECT_EQ(sv_vfs_read_at(0, "data/items.json", &b), 0) << pack;
        EXPECT_EQ(sv_diag_count(), 2u) << pack;
    }
}

// A name in a pack directory that is a device, a FIFO or a link loop holds no file, but a read
// says so rather than taking it for absent.
TEST_F(Vfs, DevicesFifosAndLinkLoopsAreReportedWhenRead)
{
#if defined(_WIN32)
    GTEST_SKIP() << "Windows has no FIFOs, and Wine makes no symbolic links";
#else
    fs::create_directories(at("p/data"));
    fs::create_symlink("/dev/null", at("p/data/mobs.json"));
    ASSERT_EQ(mkfifo(at("p/data/weapons.json").c_str(), 0600), 0);
    fs::create_symlink("loop_b.json", at("p/data/loop_a.json"));
    fs::create_symlink("loop_a.json", at("p/data/loop_b.json"));
    ASSERT_EQ(sv_vfs_mount(at("p").c_str()), 1);
    const char* const cases[][2] = {
        {"data/mobs.json", "a device in '%s', not a file; not read"},
        {"data/weapons.json", "a FIFO in '%s', not a file; not read"},
        {"data/loop_a.json", "a link in '%s' that loops and reaches no file; not read"},
    };
    for (const auto& c : cases) {
        sv_diag_reset();
        EXPECT_EQ(sv_vfs_exists(c[0]), 0) << c[0];
        sv_vfs_buf b;
        EXPECT_EQ(sv_vfs_read_at(0, c[0], &b), 0) << c[0];
        ASSERT_EQ(sv_diag_count(), 1u) << c[0];
        char want[256];
        std::snprintf(want, sizeof want, c[1], at("p").c_str());
        EXPECT_STREQ(sv_diag_at(0)->subject, c[0]);
        EXPECT_STREQ(sv_diag_at(0)->message, want);
    }
#endif
}

TEST_F(Vfs, SymlinksLeadingOutOfADirectoryPackAreRefused)
{
    sv_test_write_file(at("secret.json"), "outside");
    sv_test_write_file(at("elsewhere/mobs.json"), "outside too");
    sv_test_write_file(at("p/real.json"), "inside");
    fs::create_directories(at("p/data"));
#if defined(_WIN32)
    // Links need a privilege or developer mode on Windows, and Wine 8 makes none.
    std::error_code ec;
    fs::create_symlink(at("secret.json"), at("p/data/mobs.json"), ec);
    if (ec)
        GTEST_SKIP() << "this system makes no symbolic links: " << ec.message();
#else
    fs::create_symlink(at("secret.json"), at("p/data/mobs.json"));
#endif
    fs::create_symlink("../../secret.json", at("p/data/rel.json"));
    fs::create_symlink(at("elsewhere"), at("p/linked"));
    fs::create_symlink("../real.json", at("p/data/alias.json"));
    // The pack itself may be reached through a link.
    fs::create_symlink(at("p"), at("p_link"));
    ASSERT_EQ(sv_vfs_mount(at("p_link").c_str()), 1);

    sv_vfs_buf b;
    for (const char* rel : {"data/mobs.json", "data/rel.json", "linked/mobs.json"}) {
        sv_diag_reset();
        EXPECT_EQ(sv_vfs_exists(rel), 0) << rel;
        EXPECT_EQ(sv_diag_count(), 0u) << rel;
        EXPECT_EQ(sv_vfs_read(rel, &b), 0) << rel;
        EXPECT_EQ(sv_vfs_read_at(0, rel, &b), 0) << rel;
        EXPECT_EQ(b.data, nullptr);
        ASSERT_EQ(sv_diag_count(), 2u) << rel;
        EXPECT_STREQ(sv_diag_at(0)->subject, rel);
        EXPECT_EQ(std::string(sv_diag_at(0)->message),
                  "resolves outside '" + at("p_link") + "'; refused");
    }
    sv_diag_reset();
    ASSERT_EQ(sv_vfs_read("data/alias.json", &b), 1);
    EXPECT_EQ(buf_text(b), "inside");
    sv_vfs_free(&b);
    EXPECT_EQ(sv_diag_count(), 0u);
}

} // namespace

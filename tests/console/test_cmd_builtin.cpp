// The builtin console commands, driven through the registry with their exact texts.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>

#include "console/cmd.h"
#include "console_fixture.h"
#include "core/content.h"
#include "core/diag.h"
#include "core/log.h"
#include "core/pack.h"
#include "core/tune.h"
#include "core/vfs.h"
#include "support/capture.h"
#include "support/files.h"
#include "support/platform.h"

namespace fs = std::filesystem;

namespace {

std::string g_out;

struct Builtin : ::testing::Test {
    fs::path root;
    fs::path was;
    std::string work;

    void SetUp() override
    {
        sv_test_console_fresh(&g_out);
        // Relative and short, so pack labels in the records are not cut: under a working
        // directory of this test's own, so runs side by side share nothing.
        work = sv_test_make_dir("cmdt");
        ASSERT_FALSE(work.empty());
        was = fs::current_path();
        fs::current_path(work);
        root = fs::path("cmdt") / ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::create_directories(root);
        g_out.clear();
    }
    void TearDown() override
    {
        sv_test_reset_all();
        if (!was.empty())
            fs::current_path(was);
        sv_test_remove_dir(work);
    }

    // A pack with a manifest and a tunables file that loads without a word of complaint.
    std::string good_pack(const char* name, const char* tunables = "{ \"floor.size_base\": 31 }")
    {
        fs::path dir = root / name;
        sv_test_write_file(dir / "pack.json",
                           std::string("{ \"id\": \"") + name + "\", \"name\": \"A pack\" }");
        sv_test_write_file(dir / "tunables.json", tunables);
        return dir.string();
    }

    i32 run(const std::string& line) { return sv_cmd_run(line.c_str()); }

    f64 value(const char* key)
    {
        u32 i = 0;
        EXPECT_TRUE(sv_tune_find(key, &i)) << key;
        return sv_tune(i);
    }

    std::string mounts()
    {
        std::string s;
        for (u64 i = 0; i < sv_vfs_mount_count(); i++)
            s += std::string(sv_vfs_mount_at(i)) + ";";
        return s;
    }
};

TEST_F(Builtin, HelpListsAndDetails)
{
    EXPECT_EQ(run("help"), 0);
    std::string first = g_out.substr(0, g_out.find('\n') + 1);
    EXPECT_EQ(first, "  help [command]               list commands, or detail one\n");
    EXPECT_NE(g_out.find("\n  load [path]                  load tunables and content from the "
                         "mounts, a pack added first\n"),
              std::string::npos);
    EXPECT_EQ(std::count(g_out.begin(), g_out.end(), '\n'), 13);

    g_out.clear();
    EXPECT_EQ(run("help set extra words"), 0);
    EXPECT_EQ(g_out, "  set <tunable> <value>\n    change a tunable\n");
    g_out.clear();
    EXPECT_EQ(run("help nothing"), 1);
    EXPECT_EQ(g_out, "no such command 'nothing'\n");

    sv_cmd_reset();
    sv_cmd_register_builtins();
    sv_cmd_reset();
    g_out.clear();
    EXPECT_EQ(sv_cmd_dispatch("help"), 1); // nothing registered, not even help
    EXPECT_EQ(g_out, "unknown command 'help' -- try 'help'\n");
}

TEST_F(Builtin, VersionAndQuit)
{
    EXPECT_EQ(run("version"), 0);
    EXPECT_EQ(g_out, "strenvik 0.3.5-alpha  (" SV_TEST_PLATFORM " release)\n");
    g_out.clear();
    EXPECT_EQ(run("quit"), 2);
    EXPECT_EQ(g_out, "");
}

TEST_F(Builtin, SetClampsAndEchoesTheWarning)
{
    EXPECT_EQ(run("set floor.size_base 1e3"), 0);
    EXPECT_EQ(
        g_out,
        "  floor.size_base = 400\n"
        "  warning: out of range 'floor.size_base' -- 1000 is above the maximum 400; clamped\n");
    EXPECT_EQ(value("floor.size_base"), 400.0);
    g_out.clear();
    EXPECT_EQ(run("set \"geom.door_width\" 2.5"), 0);
    EXPECT_EQ(g_out, "  geom.door_width = 2.5\n");
}

TEST_F(Builtin, SetRefusals)
{
    EXPECT_EQ(run("set floor.size_base"), 1);
    EXPECT_EQ(run("set floor.size_base 1 2"), 1);
    EXPECT_EQ(g_out, "usage: set <tunable> <value>\nusage: set <tunable> <value>\n");
    for (const char* word : {"12abc", "abc", "", "nan", "-inf", "inf", "infinity", "1e999"}) {
        g_out.clear();
        EXPECT_EQ(run(std::string("set floor.size_base \"") + word + "\""), 1) << word;
        EXPECT_EQ(g_out, std::string("'") + word + "' is not a number\n");
    }
    EXPECT_EQ(value("floor.size_base"), 30.0);

    g_out.clear();
    EXPECT_EQ(run("set floor.sise_base 3"), 1);
    EXPECT_EQ(g_out, "  warning: unknown key 'floor.sise_base' -- no such tunable\n");
}

TEST_F(Builtin, Get)
{
    EXPECT_EQ(run("get"), 1);
    EXPECT_EQ(run("get a b"), 1);
    EXPECT_EQ(run("get nope"), 1);
    EXPECT_EQ(g_out, "usage: get <tunable>\nusage: get <tunable>\nno such tunable 'nope'\n");
    g_out.clear();
    EXPECT_EQ(run("get geom.door_width"), 0);
    EXPECT_EQ(g_out, "  geom.door_width = 1.6   [0.2 .. 20, default 1.6]\n");
}

TEST_F(Builtin, TunablesFilterAndMark)
{
    EXPECT_EQ(run("tunables door"), 0);
    EXPECT_EQ(g_out,
              "  geom.door_width                1.6          \n"
              "  geom.door_height               2.6          \n"
              "  player.door_reach              0.05         \n"
              "  mob.door_arc                   60           \n"
              "  mob.face_door                  0.5          \n");
    run("set geom.door_width 2");
    g_out.clear();
    EXPECT_EQ(run("tunables door_w"), 0);
    EXPECT_EQ(g_out, "  geom.door_width                2            *\n");
    g_out.clear();
    EXPECT_EQ(run("tunables DOOR"), 1);
    EXPECT_EQ(g_out, "nothing matches 'DOOR'\n");
    g_out.clear();
    EXPECT_EQ(run("tunables"), 0);
    EXPECT_EQ(std::count(g_out.begin(), g_out.end(), '\n'), 150);

    g_out.clear();
    EXPECT_EQ(run("defaults"), 0);
    EXPECT_EQ(g_out, "  tunables reset to defaults\n");
    EXPECT_EQ(value("geom.door_width"), 1.6);
}

TEST_F(Builtin, DiagShowsTheStore)
{
    EXPECT_EQ(run("diag"), 0);
    EXPECT_EQ(g_out, "  no problems reported\n");
    sv_diag_set_context("pk", "tunables.json");
    sv_diag_report(SV_DIAG_WARNING, SV_DIAG_UNKNOWN_KEY, "k", "no such tunable");
    sv_diag_set_context(nullptr, nullptr);
    g_out.clear();
    EXPECT_EQ(run("diag"), 0);
    EXPECT_EQ(g_out,
              "warning: unknown key  [pk]  tunables.json  'k'  -- no such tunable\n"
              "0 errors, 1 warning\n");
}

TEST_F(Builtin, Log)
{
    EXPECT_EQ(run("log warn"), 0);
    EXPECT_EQ(sv_log_cat_level(SV_CAT_GEN), (u32)SV_LOG_WARN);
    EXPECT_EQ(run("log vfs error"), 0);
    EXPECT_EQ(sv_log_cat_level(SV_CAT_VFS), (u32)SV_LOG_ERROR);
    EXPECT_EQ(sv_log_cat_level(SV_CAT_CORE), (u32)SV_LOG_WARN);
    EXPECT_EQ(g_out, "  all categories at warn\n  vfs at error\n");
    g_out.clear();
    EXPECT_EQ(run("log loud"), 1);
    EXPECT_EQ(run("log nope loud"), 1); // the level is checked first
    EXPECT_EQ(run("log nope info"), 1);
    EXPECT_EQ(run("log"), 1);
    EXPECT_EQ(run("log a b c"), 1);
    EXPECT_EQ(g_out,
              "unknown level 'loud'\nunknown level 'loud'\nunknown category 'nope'\n"
              "usage: log <level> | log <category> <level>\n"
              "usage: log <level> | log <category> <level>\n");
}

TEST_F(Builtin, Strict)
{
    EXPECT_EQ(run("strict"), 0);
    EXPECT_EQ(run("strict on"), 0);
    EXPECT_EQ(sv_diag_strict(), 1);
    EXPECT_EQ(run("strict"), 0);
    EXPECT_EQ(run("strict off"), 0);
    EXPECT_EQ(g_out,
              "  strict mode is off\n  strict mode is on\n  strict mode is on\n"
              "  strict mode is off\n");
    g_out.clear();
    EXPECT_EQ(run("strict yes"), 1);
    EXPECT_EQ(run("strict on off"), 1);
    EXPECT_EQ(g_out, "usage: strict [on|off]\nusage: strict [on|off]\n");
    EXPECT_EQ(sv_diag_strict(), 0);
}

TEST_F(Builtin, Mount)
{
    EXPECT_EQ(run("mount"), 0);
    EXPECT_EQ(g_out, "  no mounts\n");
    std::string a = good_pack("a");
    g_out.clear();
    EXPECT_EQ(run("mount " + a), 0);
    EXPECT_EQ(run("mount"), 0);
    EXPECT_EQ(g_out, "  mounted '" + a + "' (1 total)\n  0 " + a + "\n");
    g_out.clear();
    std::string missing = (root / "missing").string();
    EXPECT_EQ(run("mount " + missing), 1);
    EXPECT_EQ(g_out.substr(0, g_out.find('\n') + 1), "  cannot mount '" + missing + "'\n");
    EXPECT_EQ(sv_vfs_mount_count(), 1u);
    g_out.clear();
    EXPECT_EQ(run("mount a b"), 1);
    EXPECT_EQ(run("mount clear"), 0);
    EXPECT_EQ(g_out, "usage: mount [path|clear]\n  mounts cleared\n");
    EXPECT_EQ(sv_vfs_mount_count(), 0u);
}

TEST_F(Builtin, LoadASecondPack)
{
    std::string a = good_pack("a", "{ \"floor.size_base\": 31, \"geom.door_height\": 3 }");
    std::string b = good_pack("b", "{ \"floor.size_base\": 32 }");
    ASSERT_EQ(sv_vfs_mount(a.c_str()), 1);
    EXPECT_EQ(run("load"), 0);
    EXPECT_EQ(g_out,
              "  0 axioms, 0 scions, 0 inclusions, 0 elements\n"
              "  0 transforms, 0 weapons, 0 mobs, 0 chests\n");
    EXPECT_EQ(value("floor.size_base"), 31.0);

    g_out.clear();
    EXPECT_EQ(run("load " + b), 0);
    EXPECT_EQ(g_out,
              "  mounted '" + b
                  + "' (2 total)\n"
                    "  0 axioms, 0 scions, 0 inclusions, 0 elements\n"
                    "  0 transforms, 0 weapons, 0 mobs, 0 chests\n");
    EXPECT_EQ(value("floor.size_base"), 32.0); // the later pack wins key by key
    EXPECT_EQ(value("geom.door_height"), 3.0);

    g_out.clear();
    EXPECT_EQ(run("load a b"), 1);
    EXPECT_EQ(g_out, "usage: load [path]\n");
    g_out.clear();
    EXPECT_EQ(run("load " + (root / "none").string()), 1);
    EXPECT_EQ(g_out.substr(0, g_out.find('\n') + 1),
              "  cannot mount '" + (root / "none").string() + "'\n");
    EXPECT_EQ(sv_vfs_mount_count(), 2u);
}

TEST_F(Builtin, LoadWithWarningsSummarisesAndSucceeds)
{
    fs::path c = root / "c";
    sv_test_write_file(c / "tunables.json", "{ \"no.such\": 1 }");
    EXPECT_EQ(run("load " + c.string()), 0);
    std::string label = c.string();
    EXPECT_EQ(g_out,
              "  mounted '" + label
                  + "' (1 total)\n"
                    "  0 axioms, 0 scions, 0 inclusions, 0 elements\n"
                    "  0 transforms, 0 weapons, 0 mobs, 0 chests\n"
                    "  "
                  + label
                  + ": 2 problems\n"
                    "  run `diag` for the detail\n"
                    "  warning: missing field 'pack.json' -- no manifest; this pack will be named "
                    "by its path\n"
                    "  warning: unknown key 'no.such' -- no such tunable\n");
}

TEST_F(Builtin, ValidateAGoodPackRestoresEverything)
{
    std::string a = good_pack("a");
    std::string b = good_pack("b", "{ \"floor.size_base\": 99 }");
    ASSERT_EQ(sv_vfs_mount(a.c_str()), 1);
    run("load");
    run("set geom.door_height 4");
    run("strict on");
    g_out.clear();

    EXPECT_EQ(run("validate " + b), 0);
    EXPECT_EQ(g_out, "  " + b + ": no problems\n");
    EXPECT_EQ(mounts(), a + ";");
    EXPECT_EQ(value("floor.size_base"), 31.0);
    EXPECT_EQ(value("geom.door_height"), 4.0); // a value changed by set survives
    EXPECT_EQ(sv_diag_strict(), 1);
    EXPECT_EQ(sv_diag_count(), 0u);
}

// A pack is mounted once; validating one in use checks the mounts as they stand, and loading
// it again says it is mounted already.
TEST_F(Builtin, ValidateAndLoadOfAPackInUse)
{
    std::string a = good_pack("a");
    ASSERT_EQ(sv_vfs_mount(a.c_str()), 1);
    run("load");
    g_out.clear();
    EXPECT_EQ(run("validate " + a), 0);
    EXPECT_EQ(g_out, "  " + a + ": no problems\n");
    EXPECT_EQ(mounts(), a + ";");
    g_out.clear();
    EXPECT_EQ(run("load " + a), 1);
    EXPECT_EQ(g_out,
              "  cannot mount '" + a + "'\n  error: duplicate id 'mount' -- cannot mount '" + a
                  + "': it is already mounted\n");
    EXPECT_EQ(mounts(), a + ";");
}

TEST_F(Builtin, ValidateAPackWithoutManifestFails)
{
    std::string a = good_pack("a");
    ASSERT_EQ(sv_vfs_mount(a.c_str()), 1);
    fs::path bare = root / "bare";
    sv_test_write_file(bare / "tunables.json", "{}");
    EXPECT_EQ(run("validate " + bare.string()), 1);
    EXPECT_EQ(
        g_out,
        "warning: missing field  [" + bare.string()
            + "]  pack.json  'pack.json'  -- no manifest; this pack will be named by its path\n"
              "  "
            + bare.string()
            + ": 1 problem\n"
              "0 errors, 1 warning\n");
    EXPECT_EQ(mounts(), a + ";");
    EXPECT_EQ(sv_diag_strict(), 0);
    EXPECT_EQ(sv_diag_count(), 0u);
}

// What one platform reads and the other loses is named: a file whose name differs from the one
// asked for only in letter case (read on Windows, not on Linux), and zip entries that separate
// folders with '\' (lost on both).
TEST_F(Builtin, ValidateNamesWhatAPackLosesOnSomePlatform)
{
    fs::path cased = root / "cased";
    sv_test_write_file(cased / "pack.json", "{ \"id\": \"cased\", \"name\": \"Cased\" }");
    sv_test_write_file(cased / "Tunables.json", "{ \"floor.size_base\": 40 }");
    EXPECT_EQ(run("validate " + cased.string()), 1);
#if defined(_WIN32)
    std::string said = "read from 'Tunables.json' in '" + cased.string()
        + "', which differs in letter case; on Linux a directory pack's names must match exactly";
#else
    std::string said = "not in '" + cased.string()
        + "', which holds 'Tunables.json': a directory pack's names match in letter case too; "
          "not read";
#endif
    EXPECT_EQ(g_out,
              "warning: malformed  [cased]  tunables.json  'tunables.json'  -- " + said
                  + "\n  cased: 1 problem\n0 errors, 1 warning\n");

    fs::path zip = root / "slashed.zip";
    sv_test_write_zip(
        zip.string(),
        {{"pack.json", "{ \"id\": \"slashed\", \"name\": \"S\" }"}, {"data\\mobs.json", "[]"}});
    g_out.clear();
    EXPECT_EQ(run("validate " + zip.string()), 1);
    EXPECT_EQ(g_out,
              "warning: malformed  [slashed]  'data\\mobs.json'  -- an entry of this zip that "
              "separates folders with '\\', not '/'; no lookup finds it\n  slashed: 1 problem\n0 "
              "errors, 1 warning\n");
    EXPECT_EQ(sv_vfs_mount_count(), 0u);
}

TEST_F(Builtin, ValidateShowsNotesButPassesOnThem)
{
    // The shipped pack with one reserved key: an informational note, not a problem.
    fs::path copy = root / "noted";
    fs::copy(fs::path(SV_BINARY_DIR) / "packs" / "base", copy, fs::copy_options::recursive);
    sv_test_write_file(copy / "data" / "chests.json",
                       "[ { \"id\": \"base:plain_coffer\", \"name\": \"Plain Coffer\", "
                       "\"appearance\": \"base:coffer\", \"script\": 1 } ]");
    EXPECT_EQ(run("validate " + copy.string()), 0);
    EXPECT_NE(g_out.find("info: unknown key  [base]  data/chests.json  'script'  -- "),
              std::string::npos)
        << g_out;
    std::string last = "  " + copy.string() + ": no problems\n";
    ASSERT_GE(g_out.size(), last.size());
    EXPECT_EQ(g_out.substr(g_out.size() - last.size()), last);
    EXPECT_EQ(g_out.find("warning"), std::string::npos);
    EXPECT_EQ(sv_vfs_mount_count(), 0u);
}

TEST_F(Builtin, ValidateATunablesFile)
{
    fs::path good = root / "good.json";
    sv_test_write_file(good, "{ \"floor.size_base\": 40 }");
    EXPECT_EQ(run("validate " + good.string()), 0);
    EXPECT_EQ(g_out, "  " + good.string() + ": no problems\n");

    fs::path bad = root / "bad.json";
    sv_test_write_file(bad, "{ \"floor.size_base\": 1000 }");
    g_out.clear();
    EXPECT_EQ(run("validate " + bad.string()), 1);
    std::string file = bad.string().substr(0, 127);
    EXPECT_EQ(g_out,
              "warning: out of range  " + file
                  + "  'floor.size_base'  -- 1000 is above the maximum 400; clamped\n"
                    "0 errors, 1 warning\n");
    EXPECT_EQ(value("floor.size_base"), 30.0); // the live value is untouched
    EXPECT_EQ(sv_diag_count(), 0u);
    EXPECT_EQ(sv_diag_strict(), 0);
}

TEST_F(Builtin, ValidateRefusesWhatItCannotRead)
{
    EXPECT_EQ(run("validate"), 1);
    EXPECT_EQ(run("validate a b"), 1);
    EXPECT_EQ(g_out, "usage: validate <path>\nusage: validate <path>\n");

    std::string missing = (root / "missing.json").string();
    for (const std::string& path : {missing, std::string("/dev/zero"), std::string("/dev/null")}) {
        g_out.clear();
        EXPECT_EQ(run("validate " + path), 1) << path;
        EXPECT_EQ(g_out, "cannot read '" + path + "'\n");
    }
}

// A damaged zip, named so or starting as one, is a pack that does not mount: its mount error is
// the verdict, not a JSON error from reading it as a tunables file.
TEST_F(Builtin, ValidateReportsTheMountErrorOfADamagedZip)
{
    std::string cut = std::string("PK\x03\x04", 4) + "cut short";
    for (const char* name : {"cut.zip", "cut.pack"}) {
        fs::path zip = root / name;
        sv_test_write_file(zip, cut);
        g_out.clear();
        EXPECT_EQ(run("validate " + zip.string()), 1);
        EXPECT_EQ(g_out,
                  "error: malformed  'mount'  -- '" + zip.string()
                      + "' is a file but not a readable zip\n1 error, 0 warnings\n");
        EXPECT_EQ(sv_vfs_mount_count(), 0u);
    }
}

// A file far past the size of any pack JSON file is refused by its size, before it is read.
TEST_F(Builtin, ValidateRefusesAHugeTunablesFileByItsSize)
{
    fs::path huge = root / "huge.json";
    sv_test_write_file(huge, "{}");
    fs::resize_file(huge, (u64)100 * 1024 * 1024);
    EXPECT_EQ(run("validate " + huge.string()), 1);
    EXPECT_EQ(g_out,
              "error: out of range  " + huge.string()
                  + "  -- 104857600 bytes, over the 8388608-byte limit for a pack JSON "
                    "file\n1 error, 0 warnings\n");
}

TEST_F(Builtin, ValidateSaysWhenTheMountTableIsFull)
{
    // Neither a pack nor a zip is then read as a tunables file.
    fs::path zip = root / "p.zip";
    sv_test_write_zip(zip.string(), {{"pack.json", "{ \"id\": \"z\", \"name\": \"Z\" }"}});
    for (int i = 0; i < SV_VFS_MOUNTS; i++)
        ASSERT_EQ(sv_vfs_mount(good_pack(("a" + std::to_string(i)).c_str()).c_str()), 1);
    sv_diag_reset();
    for (const std::string& path : {root.string(), zip.string()}) {
        g_out.clear();
        EXPECT_EQ(run("validate " + path), 1);
        EXPECT_EQ(g_out, "cannot validate '" + path + "': the mount table is full (32 mounts)\n");
        EXPECT_EQ(sv_vfs_mount_count(), (u64)SV_VFS_MOUNTS);
        EXPECT_EQ(sv_diag_count(), 0u);
    }
}

} // namespace

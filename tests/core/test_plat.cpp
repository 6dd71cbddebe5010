// The platform calls over real files: names in any script, paths past Windows' 260 characters,
// what is refused for writing, and the names Windows gives its devices.
#include <gtest/gtest.h>
#if !defined(_WIN32)
#include <sys/stat.h>
#endif

#include <cstdio>
#include <filesystem>
#include <set>
#include <string>

#include "core/plat.h"
#include "support/files.h"

namespace {

namespace fs = std::filesystem;

class Plat : public ::testing::Test {
protected:
    std::string dir;

    void SetUp() override
    {
        dir = sv_test_make_dir("sv_plat");
        ASSERT_FALSE(dir.empty());
    }
    void TearDown() override { sv_test_remove_dir(dir); }
    std::string at(const std::string& rel) const { return dir + "/" + rel; }

    static void collect(void* ctx, const char* name)
    {
        static_cast<std::set<std::string>*>(ctx)->insert(name);
    }
    static std::set<std::string> listing(const std::string& path)
    {
        std::set<std::string> names;
        EXPECT_EQ(sv_plat_list_dir(path.c_str(), collect, &names), 1) << path;
        return names;
    }

    // Writes text through sv_plat_create and reads it back through sv_plat_open_read.
    static std::string round_trip(const std::string& path, const std::string& text)
    {
        FILE* f = sv_plat_create(path.c_str(), nullptr);
        EXPECT_NE(f, nullptr) << path;
        if (!f)
            return "";
        std::fwrite(text.data(), 1, text.size(), f);
        EXPECT_EQ(std::fclose(f), 0);
        FILE* r = sv_plat_open_read(path.c_str());
        EXPECT_NE(r, nullptr) << path;
        if (!r)
            return "";
        char buf[64] = {};
        size_t n = std::fread(buf, 1, sizeof buf, r);
        std::fclose(r);
        return std::string(buf, n);
    }
};

TEST(PlatNames, WindowsDeviceNamesInAnyCaseWithOrWithoutExtension)
{
    for (const char* name : {"nul",
                             "NUL",
                             "nul.json",
                             "Nul.tar.gz",
                             "aux.dot",
                             "con",
                             "prn.txt",
                             "com1",
                             "COM9.dot",
                             "lpt1",
                             "com0",
                             "LPT0",
                             "conin$",
                             "CONOUT$",
                             "nul .txt",
                             "con:",
                             "dir/sub/aux.dot",
                             "dir\\com1",
                             "C:nul",
                             "C:\\dir\\nul.json",
                             "com\xc2\xb9",
                             "LPT\xc2\xb3.txt"})
        EXPECT_EQ(sv_plat_device_name(name), 1) << name;
    for (const char* name :
         {"", "nul2", "null", "nulx.json", "com10", "com", "lpt", "conout", "aux_dot", "my.nul",
          "dir/nul/file.dot", "console", "comA", "com\xc2\xb4", "x.con", "C:", "nul/"})
        EXPECT_EQ(sv_plat_device_name(name), 0) << name;
    EXPECT_EQ(sv_plat_device_name(nullptr), 0);
}

// Every call takes UTF-8 names whose letters no single code page holds.
TEST_F(Plat, NamesInAnyScript)
{
    std::string folder
        = at("\xc5\x81\xc3\xb3\x64\xc5\xba \xd0\xb4\xd0\xb0\xd0\xbc\xd0\xbf"); // Łódź дамп
    fs::create_directories(sv_test_u8path(folder));
    std::string file = folder + "/caf\xc3\xa9.json"; // café.json
    EXPECT_EQ(sv_plat_stat(folder.c_str(), nullptr), (u32)SV_PLAT_DIR);
    EXPECT_EQ(round_trip(file, "{}"), "{}");
    u64 size = 0;
    EXPECT_EQ(sv_plat_stat(file.c_str(), &size), (u32)SV_PLAT_FILE);
    EXPECT_EQ(size, 2u);
    // Written under that very name, as another program sees it.
    EXPECT_EQ(sv_test_read_file(sv_test_u8path(file)), "{}");
    EXPECT_EQ(listing(folder), std::set<std::string> {"caf\xc3\xa9.json"});
    EXPECT_EQ(sv_plat_inside(folder.c_str(), file.c_str()), 1);
    EXPECT_EQ(sv_plat_inside(file.c_str(), folder.c_str()), 0);
    // A name that only begins like the root is not inside it.
    fs::create_directories(sv_test_u8path(folder + "2"));
    EXPECT_EQ(sv_plat_inside(folder.c_str(), (folder + "2").c_str()), 0);
    // What is not there, or cannot be a name, resolves to nothing.
    EXPECT_EQ(sv_plat_inside(folder.c_str(), (folder + "/none").c_str()), -1);
    EXPECT_EQ(sv_plat_stat((folder + "/\xff").c_str(), nullptr), (u32)SV_PLAT_ABSENT);
}

// Past 260 characters a path still opens, lists and resolves.
TEST_F(Plat, PathsPast260Characters)
{
    std::string deep = dir;
    while (deep.size() < 300)
        deep += "/" + std::string(60, 'd');
    std::error_code ec;
    fs::create_directories(sv_test_u8path(deep), ec);
    ASSERT_FALSE(ec) << "cannot make " << deep << ": " << ec.message();
    std::string file = deep + "/pack.json";
    EXPECT_EQ(sv_plat_stat(deep.c_str(), nullptr), (u32)SV_PLAT_DIR);
    EXPECT_EQ(round_trip(file, "long"), "long");
    EXPECT_EQ(sv_plat_stat(file.c_str(), nullptr), (u32)SV_PLAT_FILE);
    EXPECT_EQ(listing(deep), std::set<std::string> {"pack.json"});
    EXPECT_EQ(sv_plat_inside(dir.c_str(), file.c_str()), 1);
}

// Only a regular file is written; anything else standing at the path is refused unopened.
TEST_F(Plat, CreateWritesOnlyRegularFiles)
{
    fs::create_directories(at("a_dir"));
    u32 why = 99;
    EXPECT_EQ(sv_plat_create(at("a_dir").c_str(), &why), nullptr);
    EXPECT_EQ(why, (u32)SV_PLAT_WRITE_NOT_FILE);
    why = 99;
    EXPECT_EQ(sv_plat_create(at("no/such/dir/x").c_str(), &why), nullptr);
    EXPECT_EQ(why, (u32)SV_PLAT_WRITE_FAILED);
    // A file already there is emptied first.
    sv_test_write_file(at("old.txt"), "old and longer");
    EXPECT_EQ(round_trip(at("old.txt"), "new"), "new");
#if defined(_WIN32)
    for (const char* name : {"nul.json", "COM1", "aux.dot", "conout$", "lpt1.txt"}) {
        why = 99;
        EXPECT_EQ(sv_plat_create(at(name).c_str(), &why), nullptr) << name;
        EXPECT_EQ(why, (u32)SV_PLAT_WRITE_DEVICE_NAME) << name;
    }
#else
    // A FIFO without a reader would hold an open for writing for ever.
    ASSERT_EQ(mkfifo(at("fifo").c_str(), 0600), 0);
    why = 99;
    EXPECT_EQ(sv_plat_create(at("fifo").c_str(), &why), nullptr);
    EXPECT_EQ(why, (u32)SV_PLAT_WRITE_NOT_FILE);
    why = 99;
    EXPECT_EQ(sv_plat_create("/dev/null", &why), nullptr);
    EXPECT_EQ(why, (u32)SV_PLAT_WRITE_NOT_FILE);
    EXPECT_EQ(sv_plat_stat("/dev/null", nullptr), (u32)SV_PLAT_DEVICE);
    EXPECT_EQ(sv_plat_stat(at("fifo").c_str(), nullptr), (u32)SV_PLAT_FIFO);
    // Here a Windows device's name is an ordinary file's.
    EXPECT_EQ(round_trip(at("nul.json"), "{}"), "{}");
#endif
    EXPECT_STREQ(sv_plat_refusal_text(SV_PLAT_WRITE_DEVICE_NAME), "a device name, not a file");
    EXPECT_STREQ(sv_plat_refusal_text(SV_PLAT_WRITE_NOT_FILE), "not a regular file");
    EXPECT_EQ(sv_plat_refusal_text(SV_PLAT_WRITE_FAILED), nullptr);
}

#if defined(_WIN32)
// A "\\?\" path is taken as it is, but for its '/', which that form does not turn into '\' and
// which a path joined to it brings; names below it join with '\'.
TEST_F(Plat, VerbatimPathsTakeSlashesToo)
{
    sv_test_write_file(at("v/x.json"), "x");
    std::string verbatim = "\\\\?\\" + fs::absolute(dir).make_preferred().string();
    EXPECT_EQ(sv_plat_stat((verbatim + "/v/x.json").c_str(), nullptr), (u32)SV_PLAT_FILE);
    EXPECT_EQ(sv_plat_inside(verbatim.c_str(), (verbatim + "/v/x.json").c_str()), 1);
    EXPECT_EQ(sv_plat_join_sep(verbatim.c_str()), '\\');
    EXPECT_EQ(sv_plat_join_sep(dir.c_str()), '/');
    // A device's own namespace is never opened to be looked at.
    EXPECT_EQ(sv_plat_stat("\\\\.\\COM1", nullptr), (u32)SV_PLAT_DEVICE);
    EXPECT_EQ(sv_plat_stat("nul", nullptr), (u32)SV_PLAT_DEVICE);
}
#endif

} // namespace

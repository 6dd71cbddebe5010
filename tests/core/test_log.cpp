#include <gtest/gtest.h>
#if !defined(_WIN32)
#include <sys/stat.h>
#endif

#include <cstdio>
#include <regex>
#include <string>

#include "core/log.h"
#include "core/panic.h"
#include "core/writer.h"
#include "support/files.h"
#include "support/platform.h"

namespace {

std::string capture(void (*body)())
{
    ::testing::internal::CaptureStderr();
    body();
    return ::testing::internal::GetCapturedStderr();
}

struct LogTest : ::testing::Test {
    void SetUp() override
    {
        sv_log_set_level(SV_LOG_INFO);
        sv_log_set_stderr(1);
        sv_log_close();
    }
    void TearDown() override { SetUp(); }
};

TEST_F(LogTest, LineHasTheTimeLevelAndCategoryPrefix)
{
    std::string out = capture([] { sv_log_write(SV_LOG_WARN, SV_CAT_VFS, "mount %d failed", 7); });
    EXPECT_TRUE(std::regex_match(
        out, std::regex(R"(\[[ \d]{3}\d\.\d{3}\] warn  vfs      mount 7 failed\n)")))
        << out;
}

TEST_F(LogTest, ControlCharactersInTheMessageAreEscaped)
{
    std::string out = capture([] {
        sv_log_write(SV_LOG_INFO, SV_CAT_VFS, "content: mob '%s' overridden", "p:\x1b[31mred\r");
    });
    EXPECT_TRUE(std::regex_match(
        out,
        std::regex(
            R"(\[[ \d]{3}\d\.\d{3}\] info  vfs      content: mob 'p:\\x1b\[31mred\\x0d' overridden\n)")))
        << out;
    // Long lines are not cut.
    std::string longer = capture(
        [] { sv_log_write(SV_LOG_INFO, SV_CAT_CORE, "%s", std::string(5000, 'y').c_str()); });
    EXPECT_NE(longer.find(std::string(5000, 'y') + "\n"), std::string::npos);
}

TEST_F(LogTest, LevelsAboveErrorAreNeverPrinted)
{
    sv_log_set_level(SV_LOG_TRACE);
    std::string out = capture([] {
        sv_log_write(SV_LOG_OFF, SV_CAT_CORE, "off");
        sv_log_write(9, SV_CAT_GEN, "nine");
    });
    EXPECT_EQ(out, "");
}

TEST_F(LogTest, UnknownCategoryPrintsAsCore)
{
    std::string out = capture([] { sv_log_write(SV_LOG_INFO, 12, "hello"); });
    EXPECT_NE(out.find("] info  core     hello\n"), std::string::npos) << out;
}

TEST_F(LogTest, CategoryLevelsFilterIndependently)
{
    sv_log_set_cat_level(SV_CAT_VFS, SV_LOG_ERROR);
    std::string out = capture([] {
        sv_log_write(SV_LOG_WARN, SV_CAT_VFS, "dropped");
        sv_log_write(SV_LOG_ERROR, SV_CAT_VFS, "kept error");
        sv_log_write(SV_LOG_INFO, SV_CAT_GEN, "kept info");
    });
    EXPECT_EQ(out.find("dropped"), std::string::npos);
    EXPECT_NE(out.find("error vfs      kept error"), std::string::npos);
    EXPECT_NE(out.find("info  gen      kept info"), std::string::npos);
    EXPECT_EQ(sv_log_cat_level(9), (u32)SV_LOG_OFF);
    EXPECT_EQ(sv_log_cat_level(SV_CAT_VFS), (u32)SV_LOG_ERROR);
}

TEST_F(LogTest, NamesAndCompiledMinimum)
{
    EXPECT_STREQ(sv_log_level_name(3), "warn");
    EXPECT_STREQ(sv_log_level_name(6), "?");
    EXPECT_STREQ(sv_log_cat_name(7), "render");
    EXPECT_STREQ(sv_log_cat_name(8), "?");
    EXPECT_EQ(sv_log_compiled_min(), (u32)SV_LOG_INFO);
}

TEST_F(LogTest, FileReceivesEveryLineAndStderrCanBeSilenced)
{
    FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    sv_log_open_file(file);
    EXPECT_EQ(sv_log_file(), file);
    sv_log_set_stderr(0);
    std::string out = capture([] {
        sv_log_write(SV_LOG_INFO, SV_CAT_ECON, "one");
        sv_log_write(SV_LOG_ERROR, SV_CAT_COMBAT, "two");
    });
    EXPECT_EQ(out, "");
    sv_log_close();
    EXPECT_EQ(sv_log_file(), nullptr);
    std::rewind(file);
    char text[512] = {0};
    size_t n = std::fread(text, 1, sizeof text - 1, file);
    std::fclose(file);
    std::string body(text, n);
    EXPECT_NE(body.find("info  econ     one\n"), std::string::npos) << body;
    EXPECT_NE(body.find("error combat   two\n"), std::string::npos) << body;
}

// Only a regular file becomes the log: a FIFO without a reader would hold the program for ever,
// and a device (or on Windows a device's name) would take the lines and keep none.
TEST_F(LogTest, OpenTakesOnlyARegularFile)
{
    sv_test_dir tmp("sv_log");
#if defined(_WIN32)
    sv_log_open("nul.log");
    EXPECT_EQ(sv_log_file(), nullptr);
#else
    std::string fifo = tmp.path + "/fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    sv_log_open(fifo.c_str());
    EXPECT_EQ(sv_log_file(), nullptr);
#endif
    sv_log_open(tmp.path.c_str());
    EXPECT_EQ(sv_log_file(), nullptr);
    std::string file = tmp.path + "/run.log";
    sv_log_open(file.c_str());
    EXPECT_NE(sv_log_file(), nullptr);
    sv_log_close();
}

TEST_F(LogTest, HeaderNamesTheRun)
{
    std::string out = capture([] { sv_log_header(0x1234ABCDull, nullptr); });
    EXPECT_EQ(out,
              "==== strenvik 0.3.5-alpha ====\n"
              "  build    " SV_TEST_PLATFORM " release\n"
              "  seed     0x000000001234ABCD\n"
              "  tunables (defaults)\n"
              "  logging  from info\n"
              "\n");
    sv_log_set_stderr(0);
    EXPECT_EQ(sv_log_header(1, "x"), 1);
}

struct Captured {
    std::string text;
    int calls = 0;
};

void capture_fn(void* ctx, const char* text)
{
    Captured* c = static_cast<Captured*>(ctx);
    c->text += text;
    c->calls++;
}

TEST(Writer, FormatsOncePerCallAndCutsAt2047)
{
    Captured c;
    sv_writer w = {capture_fn, &c};
    sv_writef(w, "%s=%d\n", "a", 1);
    EXPECT_EQ(c.text, "a=1\n");
    EXPECT_EQ(c.calls, 1);
    std::string long_text(3000, 'x');
    c.text.clear();
    sv_writef(w, "%s", long_text.c_str());
    EXPECT_EQ(c.text.size(), 2047u);
}

TEST(Writer, NullFunctionOrFormatWritesNothing)
{
    Captured c;
    sv_writer none = {nullptr, &c};
    sv_writef(none, "x");
    sv_writer w = {capture_fn, &c};
    const char* no_format = nullptr;
    // A null format on purpose: clang's format-security warning is right in general, not here.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-security"
    sv_writef(w, no_format);
#pragma GCC diagnostic pop
    EXPECT_EQ(c.calls, 0);
}

TEST(Writer, FileWriterWithNullStreamPrintsToStandardOutput)
{
    ::testing::internal::CaptureStdout();
    sv_writef(sv_writer_file(nullptr), "to stdout %d\n", 5);
    std::fflush(stdout);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "to stdout 5\n");
}

TEST(PanicDeathTest, LogsTheMessageAndAborts)
{
    EXPECT_DEATH(sv_panic("bad thing %d", 42), R"(\] error core     panic: bad thing 42)");
}

TEST(PanicDeathTest, LongMessagesAreCutTo511Characters)
{
    std::string text(600, 'y');
    EXPECT_DEATH(sv_panic("%s", text.c_str()), "panic: " + std::string(511, 'y') + "\n");
}

TEST(PanicDeathTest, NeverSilentEvenWithLoggingOff)
{
    EXPECT_DEATH(
        {
            sv_log_set_level(SV_LOG_OFF);
            sv_panic("still heard");
        },
        "panic: still heard");
    EXPECT_DEATH(
        {
            sv_log_set_stderr(0);
            sv_panic("heard anyway");
        },
        "panic: heard anyway");
}

} // namespace

// The diagnostics store: counting, the record cap, the verdict and the exact printouts.
#include <gtest/gtest.h>

#include <string>

#include "core/diag.h"
#include "support/capture.h"
#include "support/reset.h"

namespace {

class Diag : public ::testing::Test {
protected:
    void SetUp() override { sv_test_reset_all(); }
    void TearDown() override { sv_test_reset_all(); }
};

TEST_F(Diag, NamesCoverEveryValueAndFallBack)
{
    EXPECT_STREQ(sv_diag_severity_name(0), "info");
    EXPECT_STREQ(sv_diag_severity_name(1), "warning");
    EXPECT_STREQ(sv_diag_severity_name(2), "error");
    EXPECT_STREQ(sv_diag_severity_name(3), "?");
    const char* kinds[] = {"malformed",          "unknown key",   "out of range", "wrong type",
                           "dangling reference", "missing field", "duplicate id", "unclaimed"};
    for (u32 k = 0; k < 8; k++)
        EXPECT_STREQ(sv_diag_kind_name(k), kinds[k]);
    EXPECT_STREQ(sv_diag_kind_name(8), "?");
}

TEST_F(Diag, RecordCarriesContextSubjectAndMessage)
{
    sv_diag_set_context("base", "tunables.json");
    sv_diag_report(SV_DIAG_WARNING, SV_DIAG_OUT_OF_RANGE, "floor.size_base", "clamped %d to %d",
                   1000, 400);
    sv_diag_set_context(nullptr, nullptr);
    sv_diag_report(SV_DIAG_INFO, SV_DIAG_MALFORMED, nullptr, "plain");
    ASSERT_EQ(sv_diag_count(), 2u);
    const sv_diag* a = sv_diag_at(0);
    EXPECT_EQ(a->severity, 1u);
    EXPECT_EQ(a->kind, 2u);
    EXPECT_STREQ(a->pack, "base");
    EXPECT_STREQ(a->file, "tunables.json");
    EXPECT_STREQ(a->subject, "floor.size_base");
    EXPECT_STREQ(a->message, "clamped 1000 to 400");
    const sv_diag* b = sv_diag_at(1);
    EXPECT_STREQ(b->pack, "");
    EXPECT_STREQ(b->file, "");
    EXPECT_STREQ(b->subject, "");
    EXPECT_EQ(sv_diag_at(2), nullptr);
}

TEST_F(Diag, FieldsAreCutNeverOverflowed)
{
    std::string longer(400, 'x');
    sv_diag_set_context(longer.c_str(), longer.c_str());
    sv_diag_report(SV_DIAG_ERROR, SV_DIAG_MALFORMED, longer.c_str(), "%s", longer.c_str());
    const sv_diag* d = sv_diag_at(0);
    EXPECT_EQ(std::string(d->pack), std::string(63, 'x'));
    EXPECT_EQ(std::string(d->file), std::string(127, 'x'));
    EXPECT_EQ(std::string(d->subject), std::string(95, 'x'));
    EXPECT_EQ(std::string(d->message), std::string(191, 'x'));
}

TEST_F(Diag, ClearingTheContextStopsLaterLabels)
{
    sv_diag_set_context("mod", "data/mobs.json");
    sv_diag_clear_context();
    sv_diag_report(SV_DIAG_WARNING, SV_DIAG_UNCLAIMED, "x", "y");
    EXPECT_STREQ(sv_diag_at(0)->pack, "");
    EXPECT_STREQ(sv_diag_at(0)->file, "");
}

TEST_F(Diag, SeverityAboveErrorCountsAsError)
{
    sv_diag_report(7, SV_DIAG_MALFORMED, nullptr, "odd");
    EXPECT_EQ(sv_diag_count(), 1u);
    EXPECT_EQ(sv_diag_at(0)->severity, 2u);
    EXPECT_EQ(sv_diag_count_of(SV_DIAG_ERROR), 1u);
    EXPECT_EQ(sv_diag_count_of(7), 0u);
}

TEST_F(Diag, CapKeeps512AndCountsTheRest)
{
    for (int i = 0; i < 512; i++)
        sv_diag_report(SV_DIAG_INFO, SV_DIAG_MALFORMED, nullptr, "n%d", i);
    sv_diag_report(SV_DIAG_WARNING, SV_DIAG_MALFORMED, nullptr, "late");
    EXPECT_EQ(sv_diag_count(), 512u);
    EXPECT_EQ(sv_diag_dropped(), 1u);
    EXPECT_EQ(sv_diag_count_of(SV_DIAG_WARNING), 1u);
    EXPECT_EQ(sv_diag_count_of(SV_DIAG_INFO), 512u);
    EXPECT_STREQ(sv_diag_at(511)->message, "n511");

    std::string c;
    sv_diag_print_all(sv_test_capture(&c));
    const std::string tail = "info: malformed  -- n511\n... and 1 further problems not shown\n";
    ASSERT_GE(c.size(), tail.size());
    EXPECT_EQ(c.substr(c.size() - tail.size()), tail);

    // The dropped warning still fails a strict verdict.
    sv_diag_set_strict(1);
    EXPECT_EQ(sv_diag_finish(), 0);

    sv_diag_reset();
    EXPECT_EQ(sv_diag_count(), 0u);
    EXPECT_EQ(sv_diag_dropped(), 0u);
    EXPECT_EQ(sv_diag_count_of(SV_DIAG_WARNING), 0u);
    EXPECT_EQ(sv_diag_strict(), 1u); // reset keeps the strict flag
}

TEST_F(Diag, VerdictFollowsStrict)
{
    sv_diag_report(SV_DIAG_INFO, SV_DIAG_MALFORMED, nullptr, "note");
    EXPECT_EQ(sv_diag_finish(), 1);
    sv_diag_set_strict(1);
    EXPECT_EQ(sv_diag_finish(), 1);
    sv_diag_report(SV_DIAG_WARNING, SV_DIAG_MALFORMED, nullptr, "warn");
    EXPECT_EQ(sv_diag_finish(), 0);
    sv_diag_set_strict(0);
    EXPECT_EQ(sv_diag_finish(), 1);
    sv_diag_report(SV_DIAG_ERROR, SV_DIAG_MALFORMED, nullptr, "err");
    EXPECT_EQ(sv_diag_finish(), 1);
}

TEST_F(Diag, PrintAllJoinsPiecesWithTwoSpaces)
{
    sv_diag_report(SV_DIAG_WARNING, SV_DIAG_UNKNOWN_KEY, nullptr, "no such tunable");
    sv_diag_set_context("base", "tunables.json");
    sv_diag_report(SV_DIAG_WARNING, SV_DIAG_OUT_OF_RANGE, "floor.size_base", "clamped");
    sv_diag_set_context(nullptr, "f.json");
    sv_diag_report(SV_DIAG_ERROR, SV_DIAG_MISSING_FIELD, "id", "%s", "");
    std::string c;
    sv_diag_print_all(sv_test_capture(&c));
    EXPECT_EQ(c,
              "warning: unknown key  -- no such tunable\n"
              "warning: out of range  [base]  tunables.json  'floor.size_base'  -- clamped\n"
              "error: missing field  f.json  'id'\n");
}

// Pack text reaches a terminal: control characters print as escapes, UTF-8 text as it is.
TEST_F(Diag, PrintoutsEscapeControlCharacters)
{
    sv_diag_set_context("ev\x1b[2Jil", "data/\tmobs.json");
    sv_diag_report(SV_DIAG_ERROR, SV_DIAG_DUPLICATE_ID, "p:\x1b]0;x\x07",
                   "'%s' and caf\xc3\xa9 \xc2\x9b\x7f", "a\nb");
    std::string c;
    sv_diag_print_all(sv_test_capture(&c));
    EXPECT_EQ(c,
              "error: duplicate id  [ev\\x1b[2Jil]  data/\\x09mobs.json  'p:\\x1b]0;x\\x07'  -- "
              "'a\\x0ab' and caf\xc3\xa9 \\xc2\\x9b\\x7f\n");
    c.clear();
    sv_diag_print_pack_summary(sv_test_capture(&c));
    EXPECT_EQ(c, "  ev\\x1b[2Jil: 1 problem\n");
    // The record itself keeps the bytes it was given.
    EXPECT_STREQ(sv_diag_at(0)->subject, "p:\x1b]0;x\x07");
}

TEST_F(Diag, SummaryUsesSingularAndPlural)
{
    std::string none;
    sv_diag_report(SV_DIAG_INFO, SV_DIAG_MALFORMED, nullptr, "note");
    sv_diag_print_summary(sv_test_capture(&none));
    EXPECT_EQ(none, "");

    sv_diag_report(SV_DIAG_ERROR, SV_DIAG_MALFORMED, nullptr, "e");
    sv_diag_report(SV_DIAG_WARNING, SV_DIAG_MALFORMED, nullptr, "w");
    sv_diag_report(SV_DIAG_WARNING, SV_DIAG_MALFORMED, nullptr, "w");
    std::string c;
    sv_diag_print_summary(sv_test_capture(&c));
    EXPECT_EQ(c, "1 error, 2 warnings\n");

    sv_diag_reset();
    sv_diag_report(SV_DIAG_WARNING, SV_DIAG_MALFORMED, nullptr, "w");
    std::string d;
    sv_diag_print_summary(sv_test_capture(&d));
    EXPECT_EQ(d, "0 errors, 1 warning\n");
}

TEST_F(Diag, PackGroupsSkipInfoAndStopAt32)
{
    sv_diag_set_context("base", nullptr);
    sv_diag_report(SV_DIAG_WARNING, SV_DIAG_MALFORMED, nullptr, "a");
    sv_diag_report(SV_DIAG_INFO, SV_DIAG_MALFORMED, nullptr, "not counted");
    sv_diag_set_context(nullptr, nullptr);
    sv_diag_report(SV_DIAG_ERROR, SV_DIAG_MALFORMED, nullptr, "b");
    sv_diag_set_context("base", "x");
    sv_diag_report(SV_DIAG_ERROR, SV_DIAG_MALFORMED, nullptr, "c");

    std::string c;
    sv_diag_print_pack_summary(sv_test_capture(&c));
    EXPECT_EQ(c, "  base: 2 problems\n  (no pack): 1 problem\n");

    const char* label = nullptr;
    u64 count = 0;
    ASSERT_EQ(sv_diag_pack_at(0, &label, &count), 1);
    EXPECT_STREQ(label, "base");
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(sv_diag_pack_at(2, &label, &count), 0);

    sv_diag_reset();
    for (int p = 0; p < 33; p++) {
        std::string name = "pack" + std::to_string(p);
        sv_diag_set_context(name.c_str(), nullptr);
        sv_diag_report(SV_DIAG_WARNING, SV_DIAG_MALFORMED, nullptr, "w");
    }
    EXPECT_EQ(sv_diag_pack_count(), 32u);
    ASSERT_EQ(sv_diag_pack_at(31, &label, nullptr), 1);
    EXPECT_STREQ(label, "pack31");
    EXPECT_EQ(sv_diag_pack_at(32, nullptr, nullptr), 0);
    std::string all;
    sv_diag_print_pack_summary(sv_test_capture(&all));
    EXPECT_EQ(all.find("pack32"), std::string::npos);
}

// A byte that is no part of a valid UTF-8 character (a lone C1 byte, an overlong form, a cut or
// surrogate sequence) could act as a control on an 8-bit terminal: it prints as an escape, while
// whole characters print as they are.
TEST_F(Diag, PrintoutsEscapeBytesThatAreNotUtf8)
{
    sv_diag_report(SV_DIAG_ERROR, SV_DIAG_MALFORMED,
                   "a\x9b"
                   "2J",
                   "\xc0\x80 \xe2\x82 \xed\xa0\x80 \xf4\x90\x80\x80 \xff caf\xc3\xa9 \xe2\x82\xac "
                   "\xf0\x9f\x98\x80");
    std::string c;
    sv_diag_print_all(sv_test_capture(&c));
    EXPECT_EQ(c,
              "error: malformed  'a\\x9b2J'  -- \\xc0\\x80 \\xe2\\x82 \\xed\\xa0\\x80 "
              "\\xf4\\x90\\x80\\x80 \\xff caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80\n");
}

// Past the store's 512 records the per-pack summary still counts every problem reported.
TEST_F(Diag, PackSummaryCountsWhatTheStoreDropped)
{
    sv_diag_set_context("flood", nullptr);
    for (int i = 0; i < 600; ++i)
        sv_diag_report(SV_DIAG_WARNING, SV_DIAG_MALFORMED, nullptr, "w");
    std::string c;
    sv_diag_print_pack_summary(sv_test_capture(&c));
    EXPECT_EQ(c, "  flood: 600 problems\n");
}

} // namespace

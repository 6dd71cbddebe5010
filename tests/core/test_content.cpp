// Content tables: accessors, predicates, the status key; loading across mounts with overrides,
// reference resolution and the pool check.
#include <cmath>
#include <cstring>

#include "core/id_map.h"
#include "core/json.h"
#include "core/tune.h"
#include "test_content_fixture.h"

namespace {

TEST(ContentNames, StatusKeyIsFnv1a)
{
    EXPECT_EQ(sv_status_key(nullptr), 2166136261u);
    EXPECT_EQ(sv_status_key(""), 2166136261u);
    EXPECT_EQ(sv_status_key("a"), (u32)((2166136261u ^ (u32)'a') * 16777619u));
    // A published FNV-1a vector.
    EXPECT_EQ(sv_status_key("foobar"), 0xbf9cf968u);
}

TEST(ContentNames, EnumerationNamesAndUnknownValues)
{
    EXPECT_STREQ(sv_weapon_slot_name(1), "ranged");
    EXPECT_STREQ(sv_weapon_slot_name(2), "?");
    EXPECT_STREQ(sv_modifies_name(4), "health_rate");
    EXPECT_STREQ(sv_modifies_name(5), "?");
    EXPECT_STREQ(sv_facet_set_name(2), "self");
    EXPECT_STREQ(sv_facet_restriction_name(4), "any");
    EXPECT_STREQ(sv_facet_restriction_name(5), "?");
    EXPECT_STREQ(sv_element_flavour_name(2), "costly");
    EXPECT_STREQ(sv_transform_kind_name(1), "max_hp");
    EXPECT_STREQ(sv_transform_kind_name(0xffffffffu), "?");
}

TEST(ContentNames, RestrictionAdmits)
{
    EXPECT_EQ(sv_facet_restriction_admits(SV_RESTRICT_MELEE, SV_SET_MELEE), 1);
    EXPECT_EQ(sv_facet_restriction_admits(SV_RESTRICT_MELEE, SV_SET_RANGED), 0);
    EXPECT_EQ(sv_facet_restriction_admits(SV_RESTRICT_RANGED, SV_SET_RANGED), 1);
    EXPECT_EQ(sv_facet_restriction_admits(SV_RESTRICT_WEAPON, SV_SET_MELEE), 1);
    EXPECT_EQ(sv_facet_restriction_admits(SV_RESTRICT_WEAPON, SV_SET_RANGED), 1);
    EXPECT_EQ(sv_facet_restriction_admits(SV_RESTRICT_WEAPON, SV_SET_SELF), 0);
    EXPECT_EQ(sv_facet_restriction_admits(SV_RESTRICT_SELF, SV_SET_SELF), 1);
    EXPECT_EQ(sv_facet_restriction_admits(SV_RESTRICT_SELF, SV_SET_MELEE), 0);
    for (u32 set = 0; set < 3; ++set)
        EXPECT_EQ(sv_facet_restriction_admits(SV_RESTRICT_ANY, set), 1);
    for (u32 set = 0; set < 3; ++set)
        EXPECT_EQ(sv_facet_restriction_admits(7, set), 0);
}

TEST(ContentNames, AxiomAdmitsAndClaims)
{
    sv_axiom_def a = {};
    a.depth_min = 3;
    EXPECT_EQ(sv_content_axiom_admits(&a, 2), 0);
    EXPECT_EQ(sv_content_axiom_admits(&a, 3), 1);
    EXPECT_EQ(sv_content_axiom_admits(&a, 1000), 1);
    a.depth_max = 5;
    EXPECT_EQ(sv_content_axiom_admits(&a, 5), 1);
    EXPECT_EQ(sv_content_axiom_admits(&a, 6), 0);
    EXPECT_EQ(sv_content_axiom_admits(nullptr, 3), 0);

    char s0[] = "p:one";
    char s1[] = "p:two";
    char* ids[] = {s0, s1};
    a.scions = ids;
    a.scion_count = 2;
    EXPECT_EQ(sv_content_axiom_claims(&a, "p:two"), 1);
    EXPECT_EQ(sv_content_axiom_claims(&a, "p:tw"), 0);
    EXPECT_EQ(sv_content_axiom_claims(&a, nullptr), 0);
    EXPECT_EQ(sv_content_axiom_claims(nullptr, "p:one"), 0);
}

TEST_F(ContentTest, EmptyTablesAnswerNothing)
{
    EXPECT_EQ(sv_content_mob_count(), 0u);
    EXPECT_EQ(sv_content_mob_at(0), nullptr);
    EXPECT_EQ(sv_content_scion_find("p:x"), nullptr);
    EXPECT_EQ(sv_content_status_find(nullptr), nullptr);
    // No mounts at all: everything empty and the load still succeeds.
    EXPECT_EQ(sv_content_load(), 1);
    EXPECT_EQ(sv_content_axiom_count() + sv_content_scion_count() + sv_content_inclusion_count()
                  + sv_content_element_count() + sv_content_transform_count()
                  + sv_content_weapon_count() + sv_content_mob_count() + sv_content_chest_count()
                  + sv_content_status_count(),
              0u);
    EXPECT_EQ(sv_diag_count(), 0u);
    EXPECT_TRUE(sv_content_check_pool());
}

TEST_F(ContentTest, FindComparesWholeIdsAndAtStopsAtCount)
{
    load_one("data/chests.json",
             R"([{"id": "p:box", "name": "Box"}, {"id": "p:boxes", "name": "Boxes"}])");
    ASSERT_EQ(sv_content_chest_count(), 2u);
    EXPECT_EQ(sv_content_chest_at(2), nullptr);
    EXPECT_EQ(sv_content_chest_find("p:bo"), nullptr);
    ASSERT_NE(sv_content_chest_find("p:boxes"), nullptr);
    EXPECT_STREQ(sv_content_chest_find("p:boxes")->name, "Boxes");
    EXPECT_EQ(sv_content_chest_find("p:box"), sv_content_chest_at(0));
}

// ---- Loader: files and entries ----

TEST_F(ContentTest, ParseFailureGivesTheByteOffset)
{
    EXPECT_EQ(load_one("data/mobs.json", "[{\"id\": }]"), 0);
    const sv_diag* d = find("parse failed at byte 8");
    ASSERT_NE(d, nullptr) << dump();
    EXPECT_EQ(d->severity, SV_DIAG_ERROR);
    EXPECT_EQ(d->kind, SV_DIAG_MALFORMED);
    EXPECT_STREQ(d->subject, "");
    EXPECT_STREQ(d->pack, "p");
    EXPECT_STREQ(d->file, "data/mobs.json");
}

// A file is one JSON value: trailing bytes fail it where they start, a text cut short fails at
// its length, and a NUL byte ends the text, with an error for the bytes it cuts off.
TEST_F(ContentTest, WholeFileIsOneValue)
{
    struct Case {
        std::string text;
        const char* message;
    };
    const Case cases[] = {
        {"[] x", "parse failed at byte 3"},
        {"[1,", "parse failed at byte 3"},
        {std::string("[{\"id\": \"p:a\", \"name\": \"A\"}] \n\t") + '\0' + "junk",
         "a NUL byte at byte 31; the 5 bytes from there on are ignored"},
    };
    const bool loads[] = {false, false, true};
    int k = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        TearDown();
        SetUp();
        bool loaded = loads[k++];
        EXPECT_EQ(load_one("data/chests.json", c.text), loaded ? 1 : 0);
        ASSERT_EQ(sv_diag_count(), 1u) << dump();
        expect_diag(c.message, SV_DIAG_ERROR, SV_DIAG_MALFORMED, "");
        EXPECT_EQ(sv_content_chest_find("p:a") != nullptr, loaded);
    }
}

namespace {

// An array nested levels deep around a 0.
std::string nested(int levels)
{
    return std::string(levels, '[') + "0" + std::string(levels, ']');
}

} // namespace

// cJSON refuses to nest past its limit; an entry that does costs that entry alone.
TEST_F(ContentTest, TooDeeplyNestedEntryCostsOnlyThatEntry)
{
    // The root array and the entry object are two levels; at the limit still parses.
    std::string text = "[{\"id\": \"p:a\", \"name\": \"A\"},\n"
                       " {\"id\": \"p:deep\", \"name\": \"D\", \"custom\": {\"x\": "
        + nested(CJSON_NESTING_LIMIT - 2)
        + "}},\n"
          " {\"id\": \"p:edge\", \"name\": \"E\", \"custom\": {\"x\": "
        + nested(CJSON_NESTING_LIMIT - 3)
        + "}},\n"
          " \"not an object\", "
        + nested(CJSON_NESTING_LIMIT + 5)
        + ",\n"
          " {\"id\": \"p:b\", \"name\": \"B \\\"[[[\"}]";
    EXPECT_EQ(load_one("data/chests.json", text), 1);
    EXPECT_NE(sv_content_chest_find("p:a"), nullptr);
    EXPECT_EQ(sv_content_chest_find("p:deep"), nullptr);
    EXPECT_NE(sv_content_chest_find("p:edge"), nullptr);
    EXPECT_NE(sv_content_chest_find("p:b"), nullptr);
    EXPECT_STREQ(sv_content_chest_find("p:b")->name, "B \"[[[");
    EXPECT_EQ(count_of("nested deeper than 1000 levels; entry dropped"), 2u) << dump();
    const sv_diag* d = find("nested deeper than 1000 levels; entry dropped");
    ASSERT_NE(d, nullptr);
    EXPECT_STREQ(d->subject, "chest [1]");
    EXPECT_STREQ(d->pack, "p");
    EXPECT_STREQ(d->file, "data/chests.json");
    expect_diag("entry must be an object", SV_DIAG_ERROR, SV_DIAG_MALFORMED, "chest [3]");
    EXPECT_EQ(sv_diag_count_of(SV_DIAG_ERROR), 3u) << dump();

    // A root that is no array fails whole, and says why.
    TearDown();
    SetUp();
    EXPECT_EQ(load_one("data/chests.json", "{\"a\": " + nested(CJSON_NESTING_LIMIT) + "}"), 0);
    EXPECT_EQ(messages(), std::vector<std::string> {"nested deeper than 1000 levels at byte 1005"});
}

// A \u0000 escape would cut an id or name short, so two different ids could read as one: the
// entry is refused and said so. Two members of one name keep the first, with a warning.
TEST_F(ContentTest, NulEscapesRefuseTheEntryAndDuplicateKeysWarn)
{
    std::string text = "[{\"id\": \"p:a\\u0000tail\", \"name\": \"A\"},"
                       " {\"id\": \"p:b\", \"name\": \"B\\u0000\"},"
                       " {\"id\": \"p:c\", \"name\": \"C1\", \"name\": \"C2\"},"
                       " {\"id\": \"p:d\", \"name\": \"not \\\\u0000 a NUL\"}]";
    EXPECT_EQ(load_one("data/chests.json", text), 1);
    EXPECT_EQ(sv_content_chest_find("p:a"), nullptr);
    EXPECT_EQ(sv_content_chest_find("p:b"), nullptr);
    ASSERT_NE(sv_content_chest_find("p:c"), nullptr);
    EXPECT_STREQ(sv_content_chest_find("p:c")->name, "C1");
    ASSERT_NE(sv_content_chest_find("p:d"), nullptr);
    EXPECT_STREQ(sv_content_chest_find("p:d")->name, "not \\u0000 a NUL");
    const char* nul = "a string holds \\u0000, a NUL that would cut it short; entry dropped";
    EXPECT_EQ(count_of(nul), 2u) << dump();
    expect_diag(nul, SV_DIAG_ERROR, SV_DIAG_MALFORMED, "chest [0]");
    expect_diag("'p:c': the key appears more than once in one object; the first is used",
                SV_DIAG_WARNING, SV_DIAG_MALFORMED, "name");

    // A tunables file has no entries to drop: one such key refuses the file.
    sv_diag_reset();
    EXPECT_EQ(sv_tune_apply_json("{\"floor.size_base\\u0000x\": 40}", "t"), 0);
    EXPECT_EQ(messages(),
              std::vector<std::string> {"a \\u0000 escape at byte 17: no string may hold a NUL; "
                                        "refused"});
}

// Every file within its own limits, many packs together could still hold more entries than one
// load keeps: past the bound for a kind the rest is refused and said so, and other kinds (and the
// packs read first) keep theirs.
TEST_F(ContentTest, EntriesOfOneKindAreBoundedAcrossPacks)
{
    auto chests = [](const char* ns, u64 n) {
        std::string text = "[";
        for (u64 i = 0; i < n; ++i)
            text += std::string(i ? "," : "") + "{\"id\":\"" + ns + ":c" + std::to_string(i)
                + "\",\"name\":\"C\"}";
        return text + "]";
    };
    u64 half = SV_CONTENT_ENTRIES_MAX / 2 + 10;
    mount("a", {{"data/chests.json", chests("a", half)}});
    mount("b",
          {{"data/chests.json", chests("b", half)},
           {"data/statuses.json",
            "[{\"id\": \"b:s\", \"name\": \"S\", \"modifies\": "
            "\"damage_taken\", \"magnitude\": 1}]"}});
    sv_pack_scan();
    sv_diag_reset();
    EXPECT_EQ(sv_content_load(), 1);
    EXPECT_EQ(sv_content_chest_count(), SV_CONTENT_ENTRIES_MAX);
    EXPECT_NE(sv_content_chest_find("a:c0"), nullptr);
    EXPECT_NE(sv_content_status_find("b:s"), nullptr);
    const sv_diag* d = find("the packs hold more than 131072 chest entries, the most one load "
                            "takes; this entry and the rest of the file are dropped");
    ASSERT_NE(d, nullptr) << dump();
    EXPECT_STREQ(d->pack, "b");
    EXPECT_EQ(std::string(d->subject), "chest [" + std::to_string(half - 20) + "]");
}

// Short text can cost forty times its size once read (an empty action object becomes a whole
// action), so what a kind keeps is bounded by what is stored: past the bound the rest is refused
// and said so, and other kinds keep theirs.
TEST_F(ContentTest, WhatOneKindKeepsIsBoundedNotOnlyItsText)
{
    // Each pack's file is 1.1 MB of text, within every cap, and keeps over 30 MB.
    const u64 per_pack = 21000;
    auto mobs = [&](const std::string& ns) {
        std::string text = "[";
        for (u64 i = 0; i < per_pack; ++i)
            text += std::string(i ? "," : "") + "{\"id\":\"" + ns + ":m" + std::to_string(i)
                + "\",\"name\":\"M\",\"actions\":[{},{},{},{}]}";
        return text + "]";
    };
    const std::string packs[] = {"a", "b", "c", "d"};
    for (const std::string& p : packs)
        mount(p, {{"data/mobs.json", mobs(p)}});
    write("d", "data/statuses.json",
          "[{\"id\": \"d:s\", \"name\": \"S\", \"modifies\": \"damage_taken\", "
          "\"magnitude\": 1}]");
    sv_pack_scan();
    sv_diag_reset();
    EXPECT_EQ(sv_content_load(), 1);
    EXPECT_NE(sv_content_mob_find("a:m20999"), nullptr);
    EXPECT_GT(sv_content_mob_count(), per_pack);
    EXPECT_LT(sv_content_mob_count(), 3 * per_pack);
    EXPECT_EQ(sv_content_mob_find("d:m0"), nullptr);
    EXPECT_NE(sv_content_status_find("d:s"), nullptr);
    const char* full = "the packs' mob entries keep more than 64 MiB once read, the most one load "
                       "keeps; this entry and the rest of the file are dropped";
    const sv_diag* d = find(full);
    ASSERT_NE(d, nullptr) << dump();
    // Where the bound was met, then at the start of each later pack's file.
    u64 before = sv_content_mob_count() / per_pack;
    EXPECT_EQ(std::string(d->pack), packs[before]);
    EXPECT_EQ(std::string(d->subject),
              "mob [" + std::to_string(sv_content_mob_count() - before * per_pack) + "]");
    EXPECT_EQ(count_of(full), 4 - before) << dump();
    EXPECT_STREQ(sv_diag_at(sv_diag_count() - 1)->pack, "d");
    EXPECT_STREQ(sv_diag_at(sv_diag_count() - 1)->subject, "mob [0]");
}

// One Axiom could list a quarter of a million Scions and one action as many statuses; the lists
// are bounded as they are read, past what any pack uses.
TEST_F(ContentTest, AxiomScionsAndAppliesListsAreBoundedAsRead)
{
    std::string scions = "[", listed;
    for (u32 i = 0; i < 300; ++i) {
        scions += std::string(i ? "," : "") + "{\"id\":\"p:s" + std::to_string(i)
            + "\",\"name\":\"S\"}";
        listed += std::string(i ? "," : "") + "\"p:s" + std::to_string(i) + "\"";
    }
    std::string applies;
    for (u32 i = 0; i < 20; ++i)
        applies += std::string(i ? "," : "") + "{\"status\":\"p:st\"}";
    mount("p",
          {{"data/scions.json", scions + "]"},
           {"data/axioms.json",
            "[{\"id\":\"p:a\",\"name\":\"A\",\"scions\":[" + listed + "],\"applies\":[" + applies
                + "]}]"},
           {"data/statuses.json",
            "[{\"id\":\"p:st\",\"name\":\"St\",\"modifies\":"
            "\"damage_taken\",\"magnitude\":1}]"}});
    sv_pack_scan();
    sv_diag_reset();
    EXPECT_EQ(sv_content_load(), 1);
    const sv_axiom_def* a = sv_content_axiom_find("p:a");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->scion_count, SV_AXIOM_SCIONS_MAX);
    EXPECT_STREQ(a->scions[SV_AXIOM_SCIONS_MAX - 1], "p:s255");
    EXPECT_EQ(sv_content_scion_count(), (u64)SV_AXIOM_SCIONS_MAX);
    expect_diag("'p:a': more than 256 scions; the rest dropped", SV_DIAG_WARNING,
                SV_DIAG_OUT_OF_RANGE, "scions");
    expect_diag("'p:a': more than 16 'applies' entries; the rest dropped", SV_DIAG_WARNING,
                SV_DIAG_OUT_OF_RANGE, "applies");
    EXPECT_EQ(a->raw[0].count, (u32)SV_APPLIES_READ_MAX);
    EXPECT_EQ(a->body.actions[0].applies.count, SV_APPLIES_MAX);
    EXPECT_EQ(count_of("applies more than 4 statuses; 'p:st' dropped"), 12u) << dump();
}

// The id index hashes with a key drawn anew in every process; loading the same packs under
// other keys must give the same tables, lookups and records, in the same order.
TEST_F(ContentTest, NothingLoadedDependsOnTheIdIndexKey)
{
    std::string mobs = "[", scions = "[", axioms = "[";
    for (u32 i = 0; i < 3000; ++i) {
        std::string k = std::to_string(i * 7919 % 3001);
        mobs += std::string(i ? "," : "") + "{\"id\":\"p:m" + k + "\",\"name\":\"M" + k + "\"}";
        scions += std::string(i ? "," : "") + "{\"id\":\"p:s" + k + "\",\"name\":\"S\"}";
        if (i % 3 == 0) {
            axioms += "{\"id\":\"p:a" + k + "\",\"name\":\"A\",\"depth_min\":"
                + std::to_string(2 + i % 7) + ",\"scions\":[\"p:s" + k + "\",\"p:none\"]},";
        }
    }
    // Duplicates in one file, overrides across packs, dangling and unclaimed ids.
    mobs += ",{\"id\":\"p:m0\",\"name\":\"again\"}]";
    axioms += "{\"id\":\"p:b\",\"name\":\"B\",\"scions\":[\"p:none\"]}]";
    mount("p",
          {{"data/mobs.json", mobs},
           {"data/scions.json", scions + "]"},
           {"data/axioms.json", axioms}});
    mount("q",
          {{"data/mobs.json",
            "[{\"id\":\"p:m5\",\"name\":\"over\"},{\"id\":\"q:m\","
            "\"name\":\"Q\",\"applies\":[{\"status\":\"q:no\"}]}]"}});
    sv_pack_scan();
    std::string first;
    const u64 keys[][2] = {{1, 2}, {0x9e3779b97f4a7c15ull, 0xbf58476d1ce4e5b9ull}, {~0ull, 0}};
    for (const auto& key : keys) {
        sv_id_map_set_key(key[0], key[1]);
        sv_diag_reset();
        EXPECT_EQ(sv_content_load(), 1);
        sv_content_check_pool();
        std::string seen = describe_content() + dump();
        for (u64 i = 0; i < sv_content_mob_count(); ++i)
            EXPECT_EQ(sv_content_mob_find(sv_content_mob_at(i)->id), sv_content_mob_at(i));
        for (u64 i = 0; i < sv_content_scion_count(); ++i)
            EXPECT_EQ(sv_content_scion_find(sv_content_scion_at(i)->id), sv_content_scion_at(i));
        if (first.empty())
            first = seen;
        EXPECT_EQ(seen, first) << "key " << key[0] << " " << key[1];
    }
    EXPECT_EQ(sv_content_mob_count(), 3001u);
    EXPECT_EQ(sv_content_scion_count(), 1000u);
    EXPECT_EQ(sv_content_axiom_count(), 1000u);
    EXPECT_STREQ(sv_content_mob_find("p:m5")->name, "over");
}

// Pack JSON files are refused past 8 MiB, or past a quarter million values, before the parser
// sees them.
TEST_F(ContentTest, PackJsonFilesAreCappedAt8MiB)
{
    std::string big = "[" + std::string(SV_JSON_FILE_MAX - 2, ' ') + "]";
    ASSERT_EQ(big.size(), SV_JSON_FILE_MAX);
    std::string over = big + " ";
    mount("p", {{"data/mobs.json", over}, {"data/chests.json", big}, {"tunables.json", over}});
    // A zip entry is held to the same limit.
    sv_test_zip_entries entries
        = {{"pack.json", "{\"id\": \"z\", \"name\": \"Z\"}"}, {"data/scions.json", over}};
    sv_test_write_zip(dir + "/z.zip", entries);
    ASSERT_EQ(sv_vfs_mount((dir + "/z.zip").c_str()), 1);
    sv_pack_scan();
    sv_diag_reset();
    EXPECT_EQ(sv_content_load(), 0);
    std::string message = "8388609 bytes, over the 8388608-byte limit for a pack JSON file";
    EXPECT_EQ(messages(), std::vector<std::string>({message, message})) << dump();
    EXPECT_STREQ(sv_diag_at(0)->pack, "z");
    EXPECT_STREQ(sv_diag_at(0)->file, "data/scions.json");
    EXPECT_EQ(sv_diag_at(0)->kind, (u32)SV_DIAG_OUT_OF_RANGE);
    EXPECT_STREQ(sv_diag_at(1)->file, "data/mobs.json");

    TearDown();
    SetUp();
    std::string zeros = "[0";
    while (zeros.size() + 3 <= SV_JSON_FILE_MAX)
        zeros += ",0";
    zeros += "]";
    EXPECT_EQ(load_one("data/mobs.json", zeros), 0);
    EXPECT_EQ(
        messages(),
        std::vector<std::string> {"more than 262144 values, over the limit for a pack JSON file"});

    // At the limit, a file loads, and each of its values costs what it costs.
    TearDown();
    SetUp();
    std::string most = "[0";
    for (u64 i = 1; i < SV_JSON_VALUES_MAX - 1; i++)
        most += ",0";
    most += "]";
    EXPECT_EQ(load_one("data/mobs.json", most), 1);
    EXPECT_EQ(sv_diag_count_of(SV_DIAG_ERROR), SV_JSON_VALUES_MAX - 1);
    // Commas inside strings are no values.
    TearDown();
    SetUp();
    std::string text = "[{\"id\": \"p:a\", \"name\": \"" + std::string(300000, ',') + "\"}]";
    EXPECT_EQ(load_one("data/chests.json", text), 1);
    EXPECT_NE(sv_content_chest_find("p:a"), nullptr);
}

// A large file loads whole, its one repeated id dropped; bench/ measures how fast.
TEST_F(ContentTest, LargeFileLoadsWhole)
{
    const int n = 20000;
    std::string text = "[";
    for (int i = 0; i < n; ++i) {
        text += std::string(i ? "," : "") + "{\"id\":\"p:m" + std::to_string(i)
            + "\",\"name\":\"M\"}";
    }
    text += ",{\"id\":\"p:m7\",\"name\":\"Again\"}]";
    mount("p", {{"data/mobs.json", text}});
    sv_pack_scan();
    EXPECT_EQ(sv_content_load(), 1);
    EXPECT_EQ(sv_content_mob_count(), (u64)n);
    EXPECT_EQ(count_of("already defined in this file, later entry dropped"), 1u);
    const sv_mob_def* kept = sv_content_mob_find("p:m7");
    ASSERT_NE(kept, nullptr);
    EXPECT_STREQ(kept->name, "M");
}

TEST_F(ContentTest, RootMustBeAnArray)
{
    EXPECT_EQ(load_one("data/chests.json", "{}"), 0);
    expect_diag("root must be an array of objects", SV_DIAG_ERROR, SV_DIAG_MALFORMED, "");
}

TEST_F(ContentTest, EntryChecksBeforeTheReader)
{
    EXPECT_EQ(load_one("data/chests.json", R"([
        3,
        {"name": "No id"},
        {"id": 7, "name": "Number id"},
        {"id": "", "name": "Empty id"},
        {"id": "plain", "name": "Plain"},
        {"id": ":lead", "name": "Lead"},
        {"id": "tail:", "name": "Tail"},
        {"id": "p:ok", "name": "Ok", "colour": "red", "script": "x"},
        {"id": "p:ok", "name": "Again"}
    ])"),
              1);
    expect_diag("entry must be an object", SV_DIAG_ERROR, SV_DIAG_MALFORMED, "chest [0]");
    expect_diag("chest [1] has no 'id'", SV_DIAG_ERROR, SV_DIAG_MISSING_FIELD, "id");
    expect_diag("chest [2]: 'id' must be a string", SV_DIAG_ERROR, SV_DIAG_WRONG_TYPE, "id");
    expect_diag("chest [3]: 'id' is empty", SV_DIAG_ERROR, SV_DIAG_MISSING_FIELD, "id");
    const char* ns = "chest id is not namespaced; ids are 'pack:name' so two packs can ship the "
                     "same name (DESIGN 13.2)";
    EXPECT_EQ(count_of(ns), 3u);
    expect_diag(ns, SV_DIAG_ERROR, SV_DIAG_MISSING_FIELD, "plain");
    expect_diag("'p:ok': not a field of the chest schema", SV_DIAG_WARNING, SV_DIAG_UNKNOWN_KEY,
                "colour");
    expect_diag("'p:ok': reserved for a later behaviour surface, ignored", SV_DIAG_INFO,
                SV_DIAG_UNKNOWN_KEY, "script");
    expect_diag("already defined in this file, later entry dropped", SV_DIAG_ERROR,
                SV_DIAG_DUPLICATE_ID, "p:ok");
    ASSERT_EQ(sv_content_chest_count(), 1u);
    EXPECT_STREQ(sv_content_chest_at(0)->name, "Ok");
}

TEST_F(ContentTest, DuplicateIsDroppedEvenWhenTheFirstWasRefused)
{
    load_one("data/statuses.json", R"([
        {"id": "p:s", "name": "S"},
        {"id": "p:s", "name": "S", "modifies": "walk_speed", "magnitude": 1}
    ])");
    EXPECT_EQ(sv_content_status_count(), 0u);
    EXPECT_NE(find("already defined in this file, later entry dropped"), nullptr);
}

TEST_F(ContentTest, BadFileCostsOnlyThatFile)
{
    mount("p",
          {{"data/mobs.json", "[ oops"}, {"data/chests.json", R"([{"id": "p:c", "name": "C"}])"}});
    sv_pack_scan();
    EXPECT_EQ(sv_content_load(), 0);
    EXPECT_EQ(sv_content_chest_count(), 1u);
}

// ---- Overrides across mounts ----

TEST_F(ContentTest, LaterPackReplacesInPlace)
{
    mount("base", {{"data/mobs.json", R"([
        {"id": "base:a", "name": "A", "hp": 10},
        {"id": "base:b", "name": "B", "hp": 11},
        {"id": "base:c", "name": "C", "hp": 12}
    ])"}});
    mount("mod", {{"data/mobs.json", R"([
        {"id": "mod:new", "name": "New"},
        {"id": "base:b", "name": "B2", "hp": 99},
        {"id": "base:c", "name": "C2", "depth_min": 5, "depth_max": 3}
    ])"}});
    sv_pack_scan();
    sv_diag_reset();
    EXPECT_EQ(sv_content_load(), 1);
    ASSERT_EQ(sv_content_mob_count(), 4u);
    EXPECT_STREQ(sv_content_mob_at(0)->id, "base:a");
    EXPECT_STREQ(sv_content_mob_at(1)->name, "B2");
    EXPECT_EQ(sv_content_mob_at(1)->body.hp, 99.0f);
    // The refused redefinition leaves the base pack's entry as it was.
    EXPECT_STREQ(sv_content_mob_at(2)->name, "C");
    EXPECT_EQ(sv_content_mob_at(2)->body.hp, 12.0f);
    EXPECT_STREQ(sv_content_mob_at(3)->id, "mod:new");
    // A lookup by id reaches the replacement, whose id is a new copy of the text.
    EXPECT_EQ(sv_content_mob_find("base:b"), sv_content_mob_at(1));
    EXPECT_EQ(sv_content_mob_find("mod:new"), sv_content_mob_at(3));
    EXPECT_EQ(sv_content_mob_find("base:"), nullptr);
    const sv_diag* d = find("depth_max 3 is below depth_min 5, so it is eligible on no floor");
    ASSERT_NE(d, nullptr);
    EXPECT_STREQ(d->pack, "mod");
    EXPECT_STREQ(d->subject, "base:c");
}

// ---- References ----

const char* k_two_axioms = R"([
    {"id": "p:ax1", "name": "Ax1", "scions": ["p:s1", "p:ghost"]},
    {"id": "p:ax2", "name": "Ax2", "scions": ["p:nobody"]},
    {"id": "p:ax3", "name": "Ax3", "scions": ["p:s1"], "depth_max": 9}
])";

TEST_F(ContentTest, DanglingScionsAndUnclaimedScionsAreDropped)
{
    mount("p", {{"data/axioms.json", k_two_axioms}, {"data/scions.json", R"([
                    {"id": "p:s1", "name": "S1"},
                    {"id": "p:s2", "name": "S2"}
                ])"}});
    sv_pack_scan();
    sv_diag_reset();
    EXPECT_EQ(sv_content_load(), 1);
    ASSERT_EQ(sv_content_axiom_count(), 2u);
    EXPECT_STREQ(sv_content_axiom_at(0)->id, "p:ax1");
    EXPECT_STREQ(sv_content_axiom_at(1)->id, "p:ax3");
    ASSERT_EQ(sv_content_axiom_at(0)->scion_count, 1u);
    EXPECT_STREQ(sv_content_axiom_at(0)->scions[0], "p:s1");
    ASSERT_EQ(sv_content_scion_count(), 1u);
    EXPECT_STREQ(sv_content_scion_at(0)->id, "p:s1");

    expect_diag("declares scion 'p:ghost', which nothing defines", SV_DIAG_ERROR,
                SV_DIAG_DANGLING_REF, "p:ax1");
    expect_diag("no declared scion resolves, axiom dropped", SV_DIAG_ERROR, SV_DIAG_MISSING_FIELD,
                "p:ax2");
    expect_diag("no axiom declares this scion, so nothing can draw it", SV_DIAG_ERROR,
                SV_DIAG_UNCLAIMED, "p:s2");
    // Reference problems group under the pack's label, with the file they concern.
    ASSERT_NE(find("declares scion 'p:ghost', which nothing defines"), nullptr);
    EXPECT_STREQ(find("declares scion 'p:ghost', which nothing defines")->pack, "p");
    EXPECT_STREQ(find("declares scion 'p:ghost', which nothing defines")->file, "data/axioms.json");
    ASSERT_NE(find("no axiom declares this scion, so nothing can draw it"), nullptr);
    EXPECT_STREQ(find("no axiom declares this scion, so nothing can draw it")->file,
                 "data/scions.json");
    EXPECT_EQ(sv_diag_pack_count(), 1u);
}

// Two packs ship the same files: each problem names the pack that supplied the entry, not the
// pack that happens to serve the file last.
TEST_F(ContentTest, ReferenceProblemsNameThePackThatSuppliedTheEntry)
{
    mount(
        "a",
        {{"data/axioms.json", R"([
                    {"id": "a:ax", "name": "Ax", "scions": ["a:s", "a:ghost"]},
                    {"id": "a:solo", "name": "Solo", "scions": ["a:s"], "depth_min": 7}
                ])"},
         {"data/scions.json", R"([{"id": "a:s", "name": "S"}, {"id": "a:orphan", "name": "O"}])"},
         {"data/mobs.json", R"([{"id": "a:m", "name": "M", "applies": [{"status": "a:none"}]}])"}});
    mount(
        "b",
        {{"data/axioms.json", R"([{"id": "b:ax", "name": "Bx", "scions": ["b:missing"]}])"},
         {"data/scions.json", R"([{"id": "b:s", "name": "S"}])"},
         {"data/mobs.json", R"([{"id": "b:m", "name": "M", "applies": [{"status": "b:none"}]}])"}});
    sv_pack_scan();
    sv_diag_reset();
    EXPECT_EQ(sv_content_load(), 1);
    EXPECT_FALSE(sv_content_check_pool());
    struct Want {
        const char* subject;
        const char* message;
        const char* pack;
        const char* file;
    };
    const Want wants[] = {
        {"a:ax", "declares scion 'a:ghost', which nothing defines", "a", "data/axioms.json"},
        {"b:ax", "declares scion 'b:missing', which nothing defines", "b", "data/axioms.json"},
        {"b:ax", "no declared scion resolves, axiom dropped", "b", "data/axioms.json"},
        {"a:orphan", "no axiom declares this scion, so nothing can draw it", "a",
         "data/scions.json"},
        {"b:s", "no axiom declares this scion, so nothing can draw it", "b", "data/scions.json"},
        {"a:m", "applies status 'a:none', which nothing defines", "a", "data/mobs.json"},
        {"b:m", "applies status 'b:none', which nothing defines", "b", "data/mobs.json"},
        // Depth 7 is a's own bound, and only a:solo and a:ax stand there; from depth 2 to 6,
        // a:ax alone.
        {"axioms",
         "only one axiom is eligible at depth 2, so its scions identify nothing (DESIGN 4.7)", "a",
         "data/axioms.json"},
    };
    for (const Want& w : wants) {
        const sv_diag* d = nullptr;
        for (u64 i = 0; i < sv_diag_count() && !d; i++) {
            const sv_diag* r = sv_diag_at(i);
            if (w.message == std::string(r->message) && w.subject == std::string(r->subject))
                d = r;
        }
        ASSERT_NE(d, nullptr) << w.message << "\n" << dump();
        EXPECT_STREQ(d->pack, w.pack) << w.message;
        EXPECT_STREQ(d->file, w.file) << w.message;
    }
    EXPECT_EQ(sv_diag_count(), 8u) << dump();
}

TEST_F(ContentTest, ScionNamedOnlyByADroppedAxiomIsDropped)
{
    mount("p",
          {{"data/axioms.json", R"([{"id": "p:ax", "name": "Ax", "scions": ["p:gone"]}])"},
           {"data/scions.json", R"([{"id": "p:s", "name": "S"}])"}});
    sv_pack_scan();
    sv_content_load();
    EXPECT_EQ(sv_content_axiom_count(), 0u);
    EXPECT_EQ(sv_content_scion_count(), 0u);
}

TEST_F(ContentTest, StatusReferencesResolveIntoCopies)
{
    mount("p",
          {{"data/statuses.json", R"([
                    {"id": "p:burn", "name": "Burn", "modifies": "health_rate", "op": "add",
                     "magnitude": -1, "duration": 3},
                    {"id": "p:slow", "name": "Slow", "modifies": "walk_speed", "magnitude": 0.5}
                ])"},
           {"data/mobs.json", R"([{"id": "p:m", "name": "M", "applies": [
                    {"status": "p:burn"}, {"status": "p:burn", "magnitude": -4},
                    {"status": "p:nothing"},
                    {"status": "p:slow", "duration": 9}, {"status": "p:slow"}, {"status": "p:burn"}
                ]}])"},
           {"data/weapons.json", R"([{"id": "p:w", "name": "W", "slot": "ranged",
                    "applies": [{"status": "p:slow"}],
                    "secondary": {"applies": [{"status": "p:burn", "duration": 1}]}}])"}});
    sv_pack_scan();
    sv_diag_reset();
    EXPECT_EQ(sv_content_load(), 1);
    const sv_mob_def* m = sv_content_mob_find("p:m");
    ASSERT_NE(m, nullptr);
    ASSERT_EQ(m->body.action_count, 1);
    const sv_applies& a = m->body.actions[0].applies;
    ASSERT_EQ(a.count, 4);
    EXPECT_EQ(a.list[0].key, sv_status_key("p:burn"));
    EXPECT_STREQ(a.list[0].label, "Burn");
    EXPECT_EQ(a.list[0].modifies, SV_STAT_HEALTH_RATE);
    EXPECT_EQ(a.list[0].op, SV_OP_ADD);
    EXPECT_EQ(a.list[0].magnitude, -1.0f);
    EXPECT_EQ(a.list[1].magnitude, -4.0f);
    EXPECT_EQ(a.list[1].duration, 3.0f);
    EXPECT_EQ(a.list[2].key, sv_status_key("p:slow"));
    EXPECT_EQ(a.list[2].duration, 9.0f);
    EXPECT_EQ(a.list[3].duration, 0.0f);
    expect_diag("applies status 'p:nothing', which nothing defines", SV_DIAG_ERROR,
                SV_DIAG_DANGLING_REF, "p:m");
    expect_diag("applies more than 4 statuses; 'p:burn' dropped", SV_DIAG_WARNING,
                SV_DIAG_OUT_OF_RANGE, "p:m");

    const sv_weapon_def* w = sv_content_weapon_find("p:w");
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(w->body.primary.applies.count, 1);
    EXPECT_EQ(w->body.primary.applies.list[0].magnitude, 0.5f);
    ASSERT_EQ(w->body.secondary.applies.count, 1);
    EXPECT_EQ(w->body.secondary.applies.list[0].duration, 1.0f);
}

// ---- Pool check ----

TEST_F(ContentTest, PoolWarnsWhereFewerThanTwoAxiomsStand)
{
    mount("p",
          {{"data/scions.json", R"([{"id": "p:s", "name": "S"}])"},
           {"data/axioms.json", R"([{"id": "p:a", "name": "A", "scions": ["p:s"]}])"}});
    sv_pack_scan();
    sv_content_load();
    sv_diag_reset();
    EXPECT_FALSE(sv_content_check_pool());
    ASSERT_EQ(sv_diag_count(), 1u) << dump();
    expect_diag(
        "only one axiom is eligible at depth 2, so its scions identify nothing (DESIGN 4.7)",
        SV_DIAG_WARNING, SV_DIAG_MISSING_FIELD, "axioms");
    EXPECT_STREQ(sv_diag_at(0)->pack, "p");
    EXPECT_STREQ(sv_diag_at(0)->file, "data/axioms.json");
}

TEST_F(ContentTest, PoolChecksTheDepthAfterAnUpperBound)
{
    mount("p", {{"data/scions.json", R"([{"id": "p:s", "name": "S"}])"}, {"data/axioms.json", R"([
                    {"id": "p:a", "name": "A", "scions": ["p:s"], "depth_max": 4},
                    {"id": "p:b", "name": "B", "scions": ["p:s"]},
                    {"id": "p:c", "name": "C", "scions": ["p:s"], "depth_min": 8, "depth_max": 8}
                ])"}});
    sv_pack_scan();
    sv_content_load();
    sv_diag_reset();
    EXPECT_FALSE(sv_content_check_pool());
    EXPECT_EQ(
        messages(),
        (std::vector<std::string> {
            "only one axiom is eligible at depth 5, so its scions identify nothing (DESIGN 4.7)",
            "only one axiom is eligible at depth 9, so its scions identify nothing (DESIGN 4.7)",
        }));
}

TEST_F(ContentTest, PoolReportsNoAxiomAndSurvivesTheLargestBound)
{
    mount("p", {{"data/scions.json", R"([{"id": "p:s", "name": "S"}])"}, {"data/axioms.json", R"([
                    {"id": "p:a", "name": "A", "scions": ["p:s"], "depth_min": 3, "depth_max": 2147483647},
                    {"id": "p:b", "name": "B", "scions": ["p:s"], "depth_min": 3}
                ])"}});
    sv_pack_scan();
    sv_content_load();
    sv_diag_reset();
    EXPECT_FALSE(sv_content_check_pool());
    EXPECT_EQ(messages(), (std::vector<std::string> {"no axiom is eligible at depth 2"}));
}

TEST_F(ContentTest, PoolWarnsAboutOneFlavour)
{
    mount("p", {{"data/elements.json", R"([
        {"id": "p:a", "name": "A", "rarity": "common", "flavour": "costly"},
        {"id": "p:b", "name": "B", "rarity": "rare", "flavour": "costly"},
        {"id": "p:c", "name": "C", "rarity": "rare", "flavour": "costly"}
    ])"}});
    sv_pack_scan();
    sv_content_load();
    sv_diag_reset();
    EXPECT_FALSE(sv_content_check_pool());
    expect_diag("every element is 'costly'; a pool with one flavour makes the inventory step "
                "ceremony (DESIGN 5.4)",
                SV_DIAG_WARNING, SV_DIAG_MISSING_FIELD, "flavour");
}

TEST_F(ContentTest, OneElementIsNotAOneFlavourPool)
{
    load_one("data/elements.json", R"([{"id": "p:a", "name": "A", "rarity": "common"}])");
    sv_diag_reset();
    EXPECT_TRUE(sv_content_check_pool());
    EXPECT_EQ(sv_diag_count(), 0u);
}

} // namespace

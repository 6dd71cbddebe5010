// Tunables: schema, readers, clamping, order constraints, files from the mounts, validation.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include "core/diag.h"
#include "core/tune.h"
#include "core/vfs.h"
#include "support/files.h"
#include "support/reset.h"

namespace {

struct Rec {
    u32 severity;
    u32 kind;
    std::string pack, file, subject, message;
};

std::vector<Rec> records()
{
    std::vector<Rec> out;
    for (u64 i = 0; i < sv_diag_count(); ++i) {
        const sv_diag* d = sv_diag_at(i);
        out.push_back({d->severity, d->kind, d->pack, d->file, d->subject, d->message});
    }
    return out;
}

u32 crc32_of(const std::string& data)
{
    u32 crc = 0xffffffffu;
    for (unsigned char c : data) {
        crc ^= c;
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void put16(std::string& out, u32 v)
{
    out += (char)(v & 0xff);
    out += (char)((v >> 8) & 0xff);
}

void put32(std::string& out, u32 v)
{
    put16(out, v & 0xffff);
    put16(out, v >> 16);
}

// A zip archive with one stored entry; a wrong checksum makes the entry unreadable.
std::string stored_zip(const std::string& name, const std::string& data, u32 crc)
{
    std::string z;
    put32(z, 0x04034b50);
    put16(z, 20);
    put16(z, 0);
    put16(z, 0);
    put16(z, 0);
    put16(z, 0x21);
    put32(z, crc);
    put32(z, (u32)data.size());
    put32(z, (u32)data.size());
    put16(z, (u32)name.size());
    put16(z, 0);
    z += name;
    z += data;
    u32 cd_offset = (u32)z.size();
    put32(z, 0x02014b50);
    put16(z, 20);
    put16(z, 20);
    put16(z, 0);
    put16(z, 0);
    put16(z, 0);
    put16(z, 0x21);
    put32(z, crc);
    put32(z, (u32)data.size());
    put32(z, (u32)data.size());
    put16(z, (u32)name.size());
    put16(z, 0);
    put16(z, 0);
    put16(z, 0);
    put16(z, 0);
    put32(z, 0);
    put32(z, 0);
    z += name;
    u32 cd_size = (u32)z.size() - cd_offset;
    put32(z, 0x06054b50);
    put16(z, 0);
    put16(z, 0);
    put16(z, 1);
    put16(z, 1);
    put32(z, cd_size);
    put32(z, cd_offset);
    put16(z, 0);
    return z;
}

class Tune : public ::testing::Test {
protected:
    void SetUp() override { sv_test_reset_all(); }
    void TearDown() override { sv_test_reset_all(); }
    static u32 idx(const char* key)
    {
        u32 i = SV_NONE16;
        EXPECT_TRUE(sv_tune_find(key, &i)) << key;
        return i;
    }
};

TEST_F(Tune, SchemaIsWellFormed)
{
    std::set<std::string> keys;
    for (u32 i = 0; i < SV_TUNE_COUNT; ++i) {
        std::string key = sv_tune_name(i);
        EXPECT_TRUE(keys.insert(key).second) << "duplicate " << key;
        size_t dot = key.find('.');
        EXPECT_TRUE(dot != std::string::npos && dot > 0 && dot + 1 < key.size()) << key;
        EXPECT_LE(sv_tune_min(i), sv_tune_default(i)) << key;
        EXPECT_LE(sv_tune_default(i), sv_tune_max(i)) << key;
        u32 found = SV_NONE16;
        EXPECT_TRUE(sv_tune_find(key.c_str(), &found));
        EXPECT_EQ(found, i);
    }
    // Spot checks that the table lines up with the indices everyone reads by.
    EXPECT_STREQ(sv_tune_name(SV_TUNE_FLOOR_SIZE_BASE), "floor.size_base");
    EXPECT_STREQ(sv_tune_name(SV_TUNE_GEOM_DOOR_WIDTH), "geom.door_width");
    EXPECT_STREQ(sv_tune_name(SV_TUNE_SIM_TICK_HZ), "sim.tick_hz");
    EXPECT_STREQ(sv_tune_name(SV_TUNE_GRIT_MAX), "grit.max");
    EXPECT_EQ(sv_tune_max(SV_TUNE_GRIT_START), 4294967295.0);
    EXPECT_STREQ(sv_tune_name(SV_TUNE_VISUAL_SATURATION_K), "visual.saturation_k");
    EXPECT_EQ(sv_tune_default(SV_TUNE_VISUAL_SATURATION_K), 0.02);

    // The console's "door" filter lists exactly these, in index order.
    std::vector<std::string> door;
    for (u32 i = 0; i < SV_TUNE_COUNT; ++i)
        if (std::strstr(sv_tune_name(i), "door"))
            door.push_back(sv_tune_name(i));
    EXPECT_EQ(door,
              (std::vector<std::string> {"geom.door_width", "geom.door_height", "player.door_reach",
                                         "mob.door_arc", "mob.face_door"}));
}

TEST_F(Tune, SchemaAccessOutOfRangeAndLookup)
{
    EXPECT_STREQ(sv_tune_name(SV_TUNE_COUNT), "?");
    EXPECT_EQ(sv_tune_default(SV_TUNE_COUNT), 0);
    EXPECT_EQ(sv_tune_min(1000), 0);
    EXPECT_EQ(sv_tune_max(0xffffffffu), 0);
    u32 i = 77;
    EXPECT_FALSE(sv_tune_find("Floor.size_base", &i));
    EXPECT_FALSE(sv_tune_find("floor.size_bas", &i));
    EXPECT_FALSE(sv_tune_find(nullptr, &i));
    EXPECT_EQ(i, 77u);
    EXPECT_TRUE(sv_tune_find("mob.face_door", nullptr));
}

TEST_F(Tune, ReadersGiveDefaultsAndRound)
{
    EXPECT_EQ(sv_tune_u32(22), 6u);
    EXPECT_EQ(sv_tune_i32(1), 1);
    EXPECT_EQ(sv_tune(SV_TUNE_GEOM_DOOR_WIDTH), 1.6);
    EXPECT_EQ(sv_tune_bool(SV_TUNE_SCION_GATE_SEALS), 1);

    f64 v[SV_TUNE_COUNT];
    sv_tune_snapshot(v);
    v[SV_TUNE_FLOOR_SIZE_BASE] = -3;
    v[SV_TUNE_FLOOR_SIZE_MIN] = 2.5;
    v[SV_TUNE_FLOOR_SIZE_GROWTH] = -2.5;
    v[SV_TUNE_SCION_GATE_SEALS] = 0;
    v[SV_TUNE_GRIT_MAX] = 4294967295.0;
    v[SV_TUNE_GRIT_START] = 1e300; // restore does not clamp
    sv_tune_restore(v);
    EXPECT_EQ(sv_tune_u32(SV_TUNE_FLOOR_SIZE_BASE), 0u);
    EXPECT_EQ(sv_tune_i32(SV_TUNE_FLOOR_SIZE_BASE), -3);
    EXPECT_EQ(sv_tune_u32(SV_TUNE_FLOOR_SIZE_MIN), 3u);
    EXPECT_EQ(sv_tune_i32(SV_TUNE_FLOOR_SIZE_GROWTH), -3);
    EXPECT_EQ(sv_tune_bool(SV_TUNE_SCION_GATE_SEALS), 0);
    // Beyond the integer range the readers saturate instead of wrapping.
    EXPECT_EQ(sv_tune_u32(SV_TUNE_GRIT_MAX), 4294967295u);
    EXPECT_EQ(sv_tune_i32(SV_TUNE_GRIT_MAX), std::numeric_limits<i32>::max());
    EXPECT_EQ(sv_tune_u32(SV_TUNE_GRIT_START), 4294967295u);
}

TEST_F(Tune, ReaderPanicsOnIndexOutOfRange)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(sv_tune(150), "tune: key 150 out of range");
    EXPECT_DEATH(sv_tune_u32(4000), "tune: key 4000 out of range");
}

TEST_F(Tune, SetByNameClampsWithWarnings)
{
    EXPECT_EQ(sv_tune_set_by_name("floor.size_base", 1e3), 1);
    EXPECT_EQ(sv_tune(SV_TUNE_FLOOR_SIZE_BASE), 400);
    EXPECT_EQ(sv_tune_set_by_name("geom.door_width", 0.1), 1);
    EXPECT_EQ(sv_tune(SV_TUNE_GEOM_DOOR_WIDTH), 0.2);
    EXPECT_EQ(sv_tune_set_by_name("floor.size_spread", 2.75), 1);
    EXPECT_EQ(sv_tune(SV_TUNE_FLOOR_SIZE_SPREAD), 2.75);
    EXPECT_EQ(sv_tune_set_by_name("floor.size_bsae", 5), 0);
    EXPECT_EQ(sv_tune_set_by_name(nullptr, 5), 0);

    std::vector<Rec> r = records();
    ASSERT_EQ(r.size(), 4u);
    EXPECT_EQ(r[0].severity, SV_DIAG_WARNING);
    EXPECT_EQ(r[0].kind, SV_DIAG_OUT_OF_RANGE);
    EXPECT_EQ(r[0].subject, "floor.size_base");
    EXPECT_EQ(r[0].message, "1000 is above the maximum 400; clamped");
    EXPECT_EQ(r[1].subject, "geom.door_width");
    EXPECT_EQ(r[1].message, "0.1 is below the minimum 0.2; clamped");
    EXPECT_EQ(r[2].kind, SV_DIAG_UNKNOWN_KEY);
    EXPECT_EQ(r[2].subject, "floor.size_bsae");
    EXPECT_EQ(r[2].message, "no such tunable");
    EXPECT_EQ(r[3].kind, SV_DIAG_UNKNOWN_KEY);
    EXPECT_EQ(r[3].subject, "");
    EXPECT_EQ(r[3].message, "no such tunable");
}

TEST_F(Tune, NonFiniteValuesNeverGetIn)
{
    // The console parses with strtod, which accepts "nan" and "inf".
    EXPECT_EQ(sv_tune_set_by_name("floor.size_base", std::nan("")), 1);
    EXPECT_EQ(sv_tune(SV_TUNE_FLOOR_SIZE_BASE), 30);
    EXPECT_EQ(sv_tune_set_by_name("geom.door_width", HUGE_VAL), 1);
    EXPECT_EQ(sv_tune(SV_TUNE_GEOM_DOOR_WIDTH), 20);
    EXPECT_EQ(sv_tune_set_by_name("geom.door_height", -HUGE_VAL), 1);
    EXPECT_EQ(sv_tune(SV_TUNE_GEOM_DOOR_HEIGHT), 0.5);

    std::vector<Rec> r = records();
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[0].kind, SV_DIAG_WRONG_TYPE);
    EXPECT_EQ(r[0].subject, "floor.size_base");
    EXPECT_EQ(r[0].message, "expected a number");
    EXPECT_EQ(r[1].message, "inf is above the maximum 20; clamped");
    EXPECT_EQ(r[2].message, "-inf is below the minimum 0.5; clamped");

    // Restore copies exactly, except that a non-finite entry keeps the current value.
    f64 v[SV_TUNE_COUNT];
    sv_tune_snapshot(v);
    v[SV_TUNE_FLOOR_SIZE_BASE] = std::nan("");
    v[SV_TUNE_FLOOR_SIZE_MAX] = HUGE_VAL;
    v[SV_TUNE_FLOOR_SIZE_MIN] = 1; // below its minimum, but restore is exact
    sv_tune_restore(v);
    EXPECT_EQ(sv_tune(SV_TUNE_FLOOR_SIZE_BASE), 30);
    EXPECT_EQ(sv_tune(SV_TUNE_FLOOR_SIZE_MAX), 80);
    EXPECT_EQ(sv_tune(SV_TUNE_FLOOR_SIZE_MIN), 1);
    for (u32 i = 0; i < SV_TUNE_COUNT; ++i)
        EXPECT_TRUE(std::isfinite(sv_tune(i))) << i;
}

TEST_F(Tune, ApplyJsonMembers)
{
    const char* text = "{\n"
                       "  \"geom.door_width\": 0.1,\n"
                       "  \"floor.size_base\": \"big\",\n"
                       "  \"floor.sise_base\": 12,\n"
                       "  \"sim.tick_hz\": true,\n"
                       "  \"scion.gate_seals\": false,\n"
                       "  \"corridor.width\": null,\n"
                       "  \"geom.door_height\": 1e999,\n"
                       "  \"player.radius\": 0.3,\n"
                       "  \"player.radius\": 0.35\n"
                       "}";
    EXPECT_EQ(sv_tune_apply_json(text, "x"), 1);
    EXPECT_EQ(sv_tune(SV_TUNE_GEOM_DOOR_WIDTH), 0.2);
    EXPECT_EQ(sv_tune(SV_TUNE_FLOOR_SIZE_BASE), 30);
    EXPECT_EQ(sv_tune(SV_TUNE_SIM_TICK_HZ), 20);
    EXPECT_EQ(sv_tune(SV_TUNE_SCION_GATE_SEALS), 0);
    EXPECT_EQ(sv_tune(SV_TUNE_CORRIDOR_WIDTH), 2.4);
    EXPECT_EQ(sv_tune(SV_TUNE_GEOM_DOOR_HEIGHT), 20);
    EXPECT_EQ(sv_tune(SV_TUNE_PLAYER_RADIUS), 0.35);

    std::vector<Rec> r = records();
    ASSERT_EQ(r.size(), 7u);
    EXPECT_EQ(r[0].subject, "geom.door_width");
    EXPECT_EQ(r[0].message, "0.1 is below the minimum 0.2; clamped");
    EXPECT_EQ(r[1].kind, SV_DIAG_WRONG_TYPE);
    EXPECT_EQ(r[1].subject, "floor.size_base");
    EXPECT_EQ(r[1].message, "expected a number");
    EXPECT_EQ(r[2].kind, SV_DIAG_UNKNOWN_KEY);
    EXPECT_EQ(r[2].subject, "floor.sise_base");
    EXPECT_EQ(r[2].message, "no such tunable");
    EXPECT_EQ(r[3].subject, "sim.tick_hz");
    EXPECT_EQ(r[3].message, "1 is below the minimum 20; clamped");
    EXPECT_EQ(r[4].subject, "corridor.width");
    EXPECT_EQ(r[4].message, "expected a number");
    EXPECT_EQ(r[5].subject, "geom.door_height");
    EXPECT_EQ(r[5].message, "inf is above the maximum 20; clamped");
    // The last of two values of one key stands, and the file is told so.
    EXPECT_EQ(r[6].subject, "player.radius");
    EXPECT_EQ(r[6].message, "the key appears more than once in one object; the last is used");
    for (const Rec& x : r)
        EXPECT_EQ(x.severity, SV_DIAG_WARNING);

    sv_diag_reset();
    EXPECT_EQ(sv_tune_apply_json("{}", nullptr), 1);
    EXPECT_EQ(sv_diag_count(), 0u);
}

TEST_F(Tune, ApplyJsonUnusableFiles)
{
    struct Case {
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {nullptr, "no content"},
        {"[1, 2]", "top level must be an object of key/value pairs"},
        {"42", "top level must be an object of key/value pairs"},
        {"{\"floor.size_base\" 12}", "parse failed at byte 19"},
        {"", "parse failed at byte 0"},
        {"{\"floor.size_base\": 40,", "parse failed at byte 23"},
        {"{\"floor.size_base\": 40} x", "parse failed at byte 24"},
    };
    for (const Case& c : cases) {
        sv_diag_reset();
        EXPECT_EQ(sv_tune_apply_json(c.text, "x"), 0) << c.message;
        std::vector<Rec> r = records();
        ASSERT_EQ(r.size(), 1u) << c.message;
        EXPECT_EQ(r[0].severity, SV_DIAG_ERROR);
        EXPECT_EQ(r[0].kind, SV_DIAG_MALFORMED);
        EXPECT_EQ(r[0].subject, "");
        EXPECT_EQ(r[0].message, c.message);
    }
    // A broken file contributes nothing, not even its leading members.
    EXPECT_EQ(sv_tune(SV_TUNE_FLOOR_SIZE_BASE), 30);
}

TEST_F(Tune, EveryOrderConstraintReportsItsViolation)
{
    EXPECT_EQ(sv_tune_check_constraints(), 1);
    EXPECT_EQ(sv_diag_count(), 0u);

    struct Case {
        const char* a;
        f64 va;
        const char* b;
        f64 vb;
        const char* message;
    };
    const Case cases[] = {
        {"chest.weight_common", 2, "chest.weight_uncommon", 3,
         "chest.weight_common is 2 but chest.weight_uncommon is 3: common chests must not be "
         "rarer than uncommon ones"},
        {"chest.weight_uncommon", 0.5, "chest.weight_rare", 1,
         "chest.weight_uncommon is 0.5 but chest.weight_rare is 1: uncommon chests must not be "
         "rarer than rare ones"},
        {"rarity.band_rare", 0.5, "rarity.band_uncommon", 0.6,
         "rarity.band_rare is 0.5 but rarity.band_uncommon is 0.6: the rare band must not start "
         "below the uncommon one"},
        {"geom.door_width", 0.6, "player.radius", 0.4,
         "geom.door_width is 0.6 but player.radius is 0.4, so it needs at least 0.8: a door must "
         "be at least twice the player's radius, or nobody fits through it"},
        {"corridor.width", 1.5, "geom.door_width", 1.6,
         "corridor.width is 1.5 but geom.door_width is 1.6: a corridor must be at least as wide "
         "as a door, or the door opens onto its wall"},
        {"corridor.height", 2, "geom.door_height", 2.6,
         "corridor.height is 2 but geom.door_height is 2.6: a corridor must be at least as high "
         "as a door, or the door opens onto its ceiling"},
    };
    for (const Case& c : cases) {
        sv_tune_reset_defaults();
        sv_diag_reset();
        ASSERT_EQ(sv_tune_set_by_name(c.a, c.va), 1);
        ASSERT_EQ(sv_tune_set_by_name(c.b, c.vb), 1);
        ASSERT_EQ(sv_diag_count(), 0u) << c.a;
        EXPECT_EQ(sv_tune_check_constraints(), 0) << c.a;
        std::vector<Rec> r = records();
        ASSERT_EQ(r.size(), 1u) << c.a;
        EXPECT_EQ(r[0].severity, SV_DIAG_WARNING);
        EXPECT_EQ(r[0].kind, SV_DIAG_OUT_OF_RANGE);
        EXPECT_EQ(r[0].subject, c.b);
        EXPECT_EQ(r[0].message, c.message);
        // The values stay as set.
        EXPECT_EQ(sv_tune(idx(c.a)), c.va);
        EXPECT_EQ(sv_tune(idx(c.b)), c.vb);
    }

    // Equality holds; several failures are all reported, in table order.
    sv_tune_reset_defaults();
    sv_diag_reset();
    sv_tune_set_by_name("geom.door_width", 0.8);
    sv_tune_set_by_name("chest.weight_rare", 6);
    EXPECT_EQ(sv_tune_check_constraints(), 0);
    std::vector<Rec> r = records();
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].subject, "chest.weight_rare");
    sv_diag_reset();
    sv_tune_set_by_name("corridor.height", 1);
    sv_tune_set_by_name("rarity.band_rare", 0.1);
    sv_tune_set_by_name("chest.weight_rare", 7);
    EXPECT_EQ(sv_tune_check_constraints(), 0);
    r = records();
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[0].subject, "chest.weight_rare");
    EXPECT_EQ(r[1].subject, "rarity.band_uncommon");
    EXPECT_EQ(r[2].subject, "geom.door_height");
}

TEST_F(Tune, LoadPacksLayersMountsInOrder)
{
    sv_test_dir base("sv_tune"), mod("sv_tune"), empty("sv_tune");
    sv_test_write_file(
        base.path + "/tunables.json",
        "{\"floor.size_base\": 40, \"geom.room_radius\": 9, \"geom.door_width\": 0.1}");
    sv_test_write_file(mod.path + "/tunables.json", "{\"floor.size_base\": 50}");
    ASSERT_EQ(sv_vfs_mount(base.path.c_str()), 1);
    ASSERT_EQ(sv_vfs_mount(empty.path.c_str()), 1);
    ASSERT_EQ(sv_vfs_mount(mod.path.c_str()), 1);
    sv_diag_reset();

    sv_tune_set_by_name("mob.leash", 3); // rebuilt from the defaults, so this goes
    sv_diag_reset();
    EXPECT_EQ(sv_tune_load_packs(), 1);
    EXPECT_EQ(sv_tune(SV_TUNE_FLOOR_SIZE_BASE), 50);
    EXPECT_EQ(sv_tune(SV_TUNE_GEOM_ROOM_RADIUS), 9);
    EXPECT_EQ(sv_tune(SV_TUNE_GEOM_DOOR_WIDTH), 0.2);
    EXPECT_EQ(sv_tune(SV_TUNE_MOB_LEASH), 10);

    // The clamp names the base mount (labelled by its path, as it has no manifest);
    // with two files read the constraint warning names no pack.
    std::vector<Rec> r = records();
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0].pack, base.path);
    EXPECT_EQ(r[0].file, "tunables.json");
    EXPECT_EQ(r[0].subject, "geom.door_width");
    EXPECT_EQ(r[1].subject, "player.radius");
    EXPECT_EQ(r[1].pack, "");
    EXPECT_EQ(r[1].file, "tunables.json");
    EXPECT_EQ(r[1].message,
              "geom.door_width is 0.2 but player.radius is 0.4, so it needs at least 0.8: a door "
              "must be at least twice the player's radius, or nobody fits through it");

    // The context is cleared afterwards.
    sv_diag_reset();
    sv_diag_report(SV_DIAG_INFO, SV_DIAG_MALFORMED, nullptr, "later");
    EXPECT_EQ(records()[0].pack, "");
    EXPECT_EQ(records()[0].file, "");
}

TEST_F(Tune, LoadPacksSingleFileAndBrokenFile)
{
    sv_test_dir first("sv_tune"), second("sv_tune");
    sv_test_write_file(first.path + "/tunables.json", "[\"not\", \"pairs\"]");
    sv_test_write_file(second.path + "/tunables.json", "{\"corridor.width\": 1.5}");
    ASSERT_EQ(sv_vfs_mount(first.path.c_str()), 1);
    ASSERT_EQ(sv_vfs_mount(second.path.c_str()), 1);
    sv_diag_reset();

    EXPECT_EQ(sv_tune_load_packs(), 0);
    EXPECT_EQ(sv_tune(SV_TUNE_CORRIDOR_WIDTH), 1.5);
    EXPECT_EQ(sv_tune(SV_TUNE_GEOM_DOOR_WIDTH), 1.6);
    std::vector<Rec> r = records();
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0].severity, SV_DIAG_ERROR);
    EXPECT_EQ(r[0].pack, first.path);
    EXPECT_EQ(r[0].message, "top level must be an object of key/value pairs");
    EXPECT_EQ(r[1].severity, SV_DIAG_WARNING);
    EXPECT_EQ(r[1].pack, ""); // two mounts had the file
    EXPECT_EQ(r[1].subject, "geom.door_width");
    EXPECT_EQ(r[1].message,
              "corridor.width is 1.5 but geom.door_width is 1.6: a corridor must be at least as "
              "wide as a door, or the door opens onto its wall");

    // With exactly one file, the constraint warning carries that mount's label.
    sv_vfs_clear();
    ASSERT_EQ(sv_vfs_mount(second.path.c_str()), 1);
    sv_diag_reset();
    EXPECT_EQ(sv_tune_load_packs(), 1);
    r = records();
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].pack, second.path);
    EXPECT_EQ(r[0].file, "tunables.json");
    EXPECT_EQ(r[0].subject, "geom.door_width");
}

TEST_F(Tune, LoadPacksFromZipsAndUnreadableFiles)
{
    sv_test_dir dir("sv_tune");
    const std::string good = "{\"mob.leash\": 12}";
    const std::string bad = "{\"mob.leash\": 99}";
    sv_test_write_file(dir.path + "/good.zip", stored_zip("tunables.json", good, crc32_of(good)));
    sv_test_write_file(dir.path + "/bad.zip", stored_zip("tunables.json", bad, crc32_of(bad) ^ 1u));
    ASSERT_EQ(sv_vfs_mount((dir.path + "/good.zip").c_str()), 1);
    sv_diag_reset();
    EXPECT_EQ(sv_tune_load_packs(), 1);
    EXPECT_EQ(sv_tune(SV_TUNE_MOB_LEASH), 12);
    EXPECT_EQ(sv_diag_count(), 0u);

    // A file that is there but cannot be read was not used: the load says so.
    ASSERT_EQ(sv_vfs_mount((dir.path + "/bad.zip").c_str()), 1);
    sv_diag_reset();
    EXPECT_EQ(sv_tune_load_packs(), 0);
    EXPECT_EQ(sv_tune(SV_TUNE_MOB_LEASH), 12);
    std::vector<Rec> r = records();
    ASSERT_GE(r.size(), 1u);
    EXPECT_EQ(r[0].severity, SV_DIAG_ERROR);
    EXPECT_EQ(r[0].pack, dir.path + "/bad.zip");
    EXPECT_EQ(r[0].file, "tunables.json");
}

TEST_F(Tune, LoadPacksReportsANulByteAndRefusesAnOversizedFile)
{
    sv_test_dir first("sv_tune"), second("sv_tune");
    sv_test_write_file(first.path + "/tunables.json",
                       std::string("{\"mob.leash\": 12}") + '\0' + "{\"corridor.width\": 3}");
    sv_test_write_file(second.path + "/tunables.json",
                       "{\"mob.leash\": 14" + std::string(9 * 1024 * 1024, ' ') + "}");
    ASSERT_EQ(sv_vfs_mount(first.path.c_str()), 1);
    sv_diag_reset();
    EXPECT_EQ(sv_tune_load_packs(), 1);
    EXPECT_EQ(sv_tune(SV_TUNE_MOB_LEASH), 12);
    std::vector<Rec> r = records();
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].severity, SV_DIAG_ERROR);
    EXPECT_EQ(r[0].pack, first.path);
    EXPECT_EQ(r[0].message, "a NUL byte at byte 17; the 22 bytes from there on are ignored");

    ASSERT_EQ(sv_vfs_mount(second.path.c_str()), 1);
    sv_diag_reset();
    EXPECT_EQ(sv_tune_load_packs(), 0);
    EXPECT_EQ(sv_tune(SV_TUNE_MOB_LEASH), 12);
    r = records();
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[1].pack, second.path);
    EXPECT_EQ(r[1].message, "9437201 bytes, over the 8388608-byte limit for a pack JSON file");
}

TEST_F(Tune, LoadPacksWithoutMountsGivesDefaults)
{
    sv_tune_set_by_name("floor.size_base", 44);
    EXPECT_EQ(sv_tune_load_packs(), 1);
    EXPECT_EQ(sv_tune(SV_TUNE_FLOOR_SIZE_BASE), 30);
    EXPECT_EQ(sv_diag_count(), 0u);
}

TEST_F(Tune, ValidateTextLeavesLiveValuesAlone)
{
    sv_tune_set_by_name("floor.size_base", 44);
    sv_tune_set_by_name("geom.door_width", 2);
    f64 before[SV_TUNE_COUNT];
    sv_tune_snapshot(before);
    sv_diag_set_strict(1);
    sv_diag_reset();

    EXPECT_EQ(sv_tune_validate_text("{\"floor.size_base\": 1, \"corridor.width\": 1.7}",
                                    "my/tunables.json"),
              0);
    f64 after[SV_TUNE_COUNT];
    sv_tune_snapshot(after);
    EXPECT_EQ(std::memcmp(before, after, sizeof before), 0);

    // Checked over the defaults: a corridor of 1.7 fits the default door of 1.6, though not
    // the live door of 2.
    std::vector<Rec> r = records();
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].pack, "");
    EXPECT_EQ(r[0].file, "my/tunables.json");
    EXPECT_EQ(r[0].subject, "floor.size_base");
    EXPECT_EQ(r[0].message, "1 is below the minimum 6; clamped");

    // A later record is not labelled with the validated file.
    sv_diag_report(SV_DIAG_INFO, SV_DIAG_MALFORMED, nullptr, "later");
    EXPECT_EQ(records().back().file, "");

    sv_diag_reset();
    EXPECT_EQ(sv_tune_validate_text("{\"floor.size_base\": 31}", "ok.json"), 1);
    EXPECT_EQ(sv_tune_validate_text("{ broken", "bad.json"), 0);
    sv_tune_snapshot(after);
    EXPECT_EQ(std::memcmp(before, after, sizeof before), 0);

    // Strict off: the verdict passes whatever was found.
    sv_diag_set_strict(0);
    EXPECT_EQ(sv_tune_validate_text("[]", "bad.json"), 1);
}

} // namespace

namespace {

TEST(TuneBasePack, TunablesFileNamesEveryKeyWithoutProblems)
{
    sv_diag_reset();
    sv_tune_reset_defaults();
    FILE* f = std::fopen(SV_SOURCE_DIR "/packs/base/tunables.json", "rb");
    ASSERT_NE(f, nullptr);
    std::string text;
    char chunk[4096];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0)
        text.append(chunk, n);
    std::fclose(f);
    for (u32 i = 0; i < SV_TUNE_COUNT; ++i) {
        std::string quoted = std::string("\"") + sv_tune_name(i) + "\"";
        EXPECT_NE(text.find(quoted), std::string::npos) << sv_tune_name(i);
    }
    u8 strict = sv_diag_strict();
    sv_diag_set_strict(1);
    EXPECT_EQ(sv_tune_validate_text(text.c_str(), "tunables.json"), 1);
    EXPECT_EQ(sv_diag_count(), 0u);
    sv_diag_set_strict(strict);
    sv_diag_reset();
}

} // namespace

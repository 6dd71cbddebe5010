// The base pack's content loads cleanly and serves a fair game; a zipped copy loads the same;
// a damaged archive entry is reported under its own pack and file.
#include <algorithm>
#include <cstring>
#include <set>
#include <sstream>

#include "test_content_fixture.h"

namespace {

namespace fs = std::filesystem;

const std::string k_base = std::string(SV_SOURCE_DIR) + "/packs/base";

class BasePack : public ContentTest {
protected:
    void load_base(const std::string& path)
    {
        ASSERT_EQ(sv_vfs_mount(path.c_str()), 1);
        EXPECT_EQ(sv_pack_scan(), 1);
        EXPECT_EQ(sv_content_load(), 1);
        EXPECT_TRUE(sv_content_check_pool());
    }
};

TEST_F(BasePack, LoadsWithoutASingleDiagnostic)
{
    load_base(k_base);
    EXPECT_EQ(sv_diag_count(), 0u) << dump();
}

TEST_F(BasePack, ZippedCopyLoadsIdentically)
{
    load_base(k_base);
    std::string from_dir = describe_content();
    sv_vfs_clear();
    sv_diag_reset();
    std::string zip = dir + "/base.zip";
    zip_directory(k_base, zip, false);
    load_base(zip);
    EXPECT_EQ(sv_diag_count(), 0u) << dump();
    EXPECT_EQ(describe_content(), from_dir);
}

TEST_F(BasePack, RosterServesEveryDepth)
{
    load_base(k_base);
    ASSERT_EQ(sv_content_axiom_count(), 5u);
    std::set<u32> faces;
    std::set<std::string> scions;
    u32 claimed = 0;
    for (u64 i = 0; i < 5; ++i) {
        const sv_axiom_def* a = sv_content_axiom_at(i);
        faces.insert(a->faces);
        EXPECT_GE(a->scion_count, 2u) << a->id;
        EXPECT_LE(a->scion_count, 3u) << a->id;
        for (u32 s = 0; s < a->scion_count; ++s)
            scions.insert(a->scions[s]);
        claimed += a->scion_count;
    }
    EXPECT_EQ(faces, (std::set<u32> {4, 6, 8, 12, 20}));
    EXPECT_EQ(scions.size(), claimed) << "each Axiom has its own Scions";
    EXPECT_EQ(sv_content_scion_count(), claimed);
    for (i32 depth = 2; depth <= 200; ++depth) {
        u32 eligible = 0;
        for (u64 i = 0; i < 5; ++i)
            eligible += (u32)sv_content_axiom_admits(sv_content_axiom_at(i), depth);
        EXPECT_GE(eligible, 2u) << "depth " << depth;
    }
    EXPECT_EQ(sv_content_axiom_admits(sv_content_axiom_at(0), 1)
                  + sv_content_axiom_admits(sv_content_axiom_at(1), 1),
              0);

    std::set<u32> sides;
    bool open_from_two = false;
    for (u64 i = 0; i < sv_content_mob_count(); ++i) {
        const sv_mob_def* m = sv_content_mob_at(i);
        sides.insert(m->sides);
        open_from_two = open_from_two
            || (m->depth_min <= 2 && m->depth_max == 0 && !m->observer && m->weight > 0);
    }
    EXPECT_EQ(sides, (std::set<u32> {3, 5, 6, 7, 8}));
    EXPECT_TRUE(open_from_two);

    std::set<u32> stats;
    for (u64 i = 0; i < sv_content_status_count(); ++i)
        stats.insert(sv_content_status_at(i)->apply.modifies);
    EXPECT_EQ(stats.size(), 5u);
    std::set<u32> flavours;
    for (u64 i = 0; i < sv_content_element_count(); ++i)
        flavours.insert(sv_content_element_at(i)->flavour);
    EXPECT_GE(flavours.size(), 2u);
    EXPECT_GE(sv_content_chest_count(), 1u);
    EXPECT_GE(sv_content_inclusion_count(), 1u);
    EXPECT_GE(sv_content_transform_count(), 1u);
}

TEST_F(BasePack, StarterWeaponsMakeAFairFight)
{
    load_base(k_base);
    const sv_weapon_def* melee = nullptr;
    const sv_weapon_def* ranged = nullptr;
    for (u64 i = 0; i < sv_content_weapon_count(); ++i) {
        const sv_weapon_def* w = sv_content_weapon_at(i);
        if (w->slot == SV_SLOT_MELEE && !melee)
            melee = w;
        if (w->slot == SV_SLOT_RANGED && !ranged)
            ranged = w;
    }
    ASSERT_NE(melee, nullptr);
    ASSERT_NE(ranged, nullptr);
    EXPECT_GT(sv_content_weapon_count(), 2u);
    EXPECT_EQ(ranged->body.primary.kind, SV_ATTACK_RANGED);
    EXPECT_GE(ranged->body.primary.grit, 1u);
    f32 blow = melee->body.primary.damage;
    ASSERT_GT(blow, 0.0f);
    for (u64 i = 0; i < sv_content_mob_count(); ++i) {
        const sv_mob_def* m = sv_content_mob_at(i);
        if (m->depth_min > 2)
            continue;
        f32 blows = m->body.hp / blow;
        EXPECT_GE(blows, 2.0f) << m->id;
        EXPECT_LE(blows, 5.0f) << m->id;
    }
    for (u64 i = 0; i < sv_content_axiom_count(); ++i) {
        EXPECT_GE(sv_content_axiom_at(i)->body.hp / blow, 24.0f) << sv_content_axiom_at(i)->id;
    }
}

// A file that cannot be read is reported under the pack and file it belongs to, and fails the load.
TEST_F(ContentTest, UnreadableFileIsReportedUnderItsPack)
{
    std::string root = write("src", "pack.json", R"({"id": "broken", "name": "Broken"})");
    std::string mobs
        = R"([{"id": "broken:m", "name": "Marker text that can be found in the archive"}])";
    write("src", "data/mobs.json", mobs);
    std::string zip = dir + "/broken.zip";
    zip_directory(root, zip, true);
    std::string bytes = sv_test_read_file(zip);
    size_t at = bytes.find("Marker text");
    ASSERT_NE(at, std::string::npos);
    bytes[at] = 'Q';
    sv_test_write_file(zip, bytes);
    ASSERT_EQ(sv_vfs_mount(zip.c_str()), 1);
    sv_pack_scan();
    sv_diag_reset();
    // There but unreadable: not used, and the load says so.
    EXPECT_EQ(sv_content_load(), 0);
    EXPECT_EQ(sv_content_mob_count(), 0u);
    ASSERT_EQ(sv_diag_count(), 1u) << dump();
    EXPECT_STREQ(sv_diag_at(0)->pack, "broken");
    EXPECT_STREQ(sv_diag_at(0)->file, "data/mobs.json");
    EXPECT_STREQ(sv_diag_at(0)->subject, "data/mobs.json");
}

} // namespace

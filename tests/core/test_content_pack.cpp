// The base pack's content loads cleanly and serves a fair game; a zipped copy loads the same;
// a damaged archive entry is reported under its own pack and file.
#include <zip.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>

#include "test_content_fixture.h"

namespace {

namespace fs = std::filesystem;

const std::string k_base = std::string(SV_SOURCE_DIR) + "/packs/base";

// Everything loaded, as text, so two loads can be compared whole.
std::string describe_content() {
    std::ostringstream out;
    auto applies = [&out](const sv_applies& a) {
        for (u32 i = 0; i < a.count; ++i) {
            out << " [" << a.list[i].key << " " << a.list[i].label << " " << a.list[i].magnitude << " "
                << a.list[i].duration << "]";
        }
    };
    auto body = [&](const sv_body& b) {
        out << " hp " << b.hp << " speed " << b.speed << " turn " << b.turn << " leash " << b.leash << " give_up "
            << b.give_up;
        for (u32 i = 0; i < b.action_count; ++i) {
            const sv_action& a = b.actions[i];
            out << " {" << a.name << " " << a.damage << " " << a.from << " " << a.reach << " " << a.speed << " "
                << (int)a.when << " " << (int)a.sweep;
            applies(a.applies);
            out << "}";
        }
    };
    for (u64 i = 0; i < sv_content_axiom_count(); ++i) {
        const sv_axiom_def* a = sv_content_axiom_at(i);
        out << "axiom " << a->id << " " << a->name << " " << a->faces << " " << a->depth_min << ".." << a->depth_max;
        for (u32 s = 0; s < a->scion_count; ++s) out << " " << a->scions[s];
        body(a->body);
        out << "\n";
    }
    for (u64 i = 0; i < sv_content_scion_count(); ++i) {
        out << "scion " << sv_content_scion_at(i)->id;
        body(sv_content_scion_at(i)->body);
        out << "\n";
    }
    for (u64 i = 0; i < sv_content_mob_count(); ++i) {
        const sv_mob_def* m = sv_content_mob_at(i);
        out << "mob " << m->id << " " << (int)m->sides << " " << (int)m->axis << " " << m->depth_min << ".."
            << m->depth_max << " " << m->weight;
        body(m->body);
        out << "\n";
    }
    for (u64 i = 0; i < sv_content_weapon_count(); ++i) {
        const sv_weapon_def* w = sv_content_weapon_at(i);
        out << "weapon " << w->id << " " << w->slot << " " << w->body.primary.damage << " " << w->body.secondary.kind;
        applies(w->body.primary.applies);
        applies(w->body.secondary.applies);
        out << "\n";
    }
    for (u64 i = 0; i < sv_content_status_count(); ++i) out << "status " << sv_content_status_at(i)->id << "\n";
    for (u64 i = 0; i < sv_content_inclusion_count(); ++i) out << "inclusion " << sv_content_inclusion_at(i)->id << "\n";
    for (u64 i = 0; i < sv_content_element_count(); ++i) out << "element " << sv_content_element_at(i)->id << "\n";
    for (u64 i = 0; i < sv_content_transform_count(); ++i) out << "transform " << sv_content_transform_at(i)->id << "\n";
    for (u64 i = 0; i < sv_content_chest_count(); ++i) {
        out << "chest " << sv_content_chest_at(i)->id << " " << sv_content_chest_at(i)->appearance << "\n";
    }
    return out.str();
}

std::string slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Zips every file of a directory, keeping the relative paths; stored uncompressed when asked.
void zip_directory(const std::string& from, const std::string& to, bool store) {
    int err = 0;
    zip_t* za = zip_open(to.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &err);
    ASSERT_NE(za, nullptr);
    std::vector<fs::path> files;
    for (const auto& e : fs::recursive_directory_iterator(from)) {
        if (e.is_regular_file()) files.push_back(e.path());
    }
    std::sort(files.begin(), files.end());
    std::vector<std::string> texts;
    texts.reserve(files.size());
    for (const fs::path& p : files) {
        texts.push_back(slurp(p));
        std::string name = fs::relative(p, from).generic_string();
        zip_source_t* src = zip_source_buffer(za, texts.back().data(), texts.back().size(), 0);
        zip_int64_t index = zip_file_add(za, name.c_str(), src, ZIP_FL_ENC_UTF_8);
        ASSERT_GE(index, 0);
        if (store) zip_set_file_compression(za, (zip_uint64_t)index, ZIP_CM_STORE, 0);
    }
    ASSERT_EQ(zip_close(za), 0);
}

class BasePack : public ContentTest {
protected:
    void load_base(const std::string& path) {
        ASSERT_EQ(sv_vfs_mount(path.c_str()), 1);
        EXPECT_EQ(sv_pack_scan(), 1);
        EXPECT_EQ(sv_content_load(), 1);
        EXPECT_TRUE(sv_content_check_pool());
    }
};

TEST_F(BasePack, LoadsWithoutASingleDiagnostic) {
    load_base(k_base);
    EXPECT_EQ(sv_diag_count(), 0u) << dump();
}

TEST_F(BasePack, ZippedCopyLoadsIdentically) {
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

TEST_F(BasePack, RosterServesEveryDepth) {
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
        for (u32 s = 0; s < a->scion_count; ++s) scions.insert(a->scions[s]);
        claimed += a->scion_count;
    }
    EXPECT_EQ(faces, (std::set<u32>{4, 6, 8, 12, 20}));
    EXPECT_EQ(scions.size(), claimed) << "each Axiom has its own Scions";
    EXPECT_EQ(sv_content_scion_count(), claimed);
    for (i32 depth = 2; depth <= 200; ++depth) {
        u32 eligible = 0;
        for (u64 i = 0; i < 5; ++i) eligible += (u32)sv_content_axiom_admits(sv_content_axiom_at(i), depth);
        EXPECT_GE(eligible, 2u) << "depth " << depth;
    }
    EXPECT_EQ(sv_content_axiom_admits(sv_content_axiom_at(0), 1) + sv_content_axiom_admits(sv_content_axiom_at(1), 1),
              0);

    std::set<u32> sides;
    bool open_from_two = false;
    for (u64 i = 0; i < sv_content_mob_count(); ++i) {
        const sv_mob_def* m = sv_content_mob_at(i);
        sides.insert(m->sides);
        open_from_two = open_from_two || (m->depth_min <= 2 && m->depth_max == 0 && !m->observer && m->weight > 0);
    }
    EXPECT_EQ(sides, (std::set<u32>{3, 5, 6, 7, 8}));
    EXPECT_TRUE(open_from_two);

    std::set<u32> stats;
    for (u64 i = 0; i < sv_content_status_count(); ++i) stats.insert(sv_content_status_at(i)->apply.modifies);
    EXPECT_EQ(stats.size(), 5u);
    std::set<u32> flavours;
    for (u64 i = 0; i < sv_content_element_count(); ++i) flavours.insert(sv_content_element_at(i)->flavour);
    EXPECT_GE(flavours.size(), 2u);
    EXPECT_GE(sv_content_chest_count(), 1u);
    EXPECT_GE(sv_content_inclusion_count(), 1u);
    EXPECT_GE(sv_content_transform_count(), 1u);
}

TEST_F(BasePack, StarterWeaponsMakeAFairFight) {
    load_base(k_base);
    const sv_weapon_def* melee = nullptr;
    const sv_weapon_def* ranged = nullptr;
    for (u64 i = 0; i < sv_content_weapon_count(); ++i) {
        const sv_weapon_def* w = sv_content_weapon_at(i);
        if (w->slot == SV_SLOT_MELEE && !melee) melee = w;
        if (w->slot == SV_SLOT_RANGED && !ranged) ranged = w;
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
        if (m->depth_min > 2) continue;
        f32 blows = m->body.hp / blow;
        EXPECT_GE(blows, 2.0f) << m->id;
        EXPECT_LE(blows, 5.0f) << m->id;
    }
    for (u64 i = 0; i < sv_content_axiom_count(); ++i) {
        EXPECT_GE(sv_content_axiom_at(i)->body.hp / blow, 24.0f) << sv_content_axiom_at(i)->id;
    }
}

// A file that cannot be read is reported under the pack and file it belongs to.
TEST_F(ContentTest, UnreadableFileIsReportedUnderItsPack) {
    std::string root = write("src", "pack.json", R"({"id": "broken", "name": "Broken"})");
    std::string mobs = R"([{"id": "broken:m", "name": "Marker text that can be found in the archive"}])";
    write("src", "data/mobs.json", mobs);
    std::string zip = dir + "/broken.zip";
    zip_directory(root, zip, true);
    std::string bytes = slurp(zip);
    size_t at = bytes.find("Marker text");
    ASSERT_NE(at, std::string::npos);
    bytes[at] = 'Q';
    {
        std::ofstream out(zip, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), (std::streamsize)bytes.size());
    }
    ASSERT_EQ(sv_vfs_mount(zip.c_str()), 1);
    sv_pack_scan();
    sv_diag_reset();
    EXPECT_EQ(sv_content_load(), 1);
    EXPECT_EQ(sv_content_mob_count(), 0u);
    ASSERT_EQ(sv_diag_count(), 1u) << dump();
    EXPECT_STREQ(sv_diag_at(0)->pack, "broken");
    EXPECT_STREQ(sv_diag_at(0)->file, "data/mobs.json");
    EXPECT_STREQ(sv_diag_at(0)->subject, "data/mobs.json");
}

} // namespace

// The golden catalogue: the gen report, a population line, the show tree and a hash of every
// place's geometry of seeds 1-25 on floors 1-10, on the compiled-in tunables and the base pack's
// content, and a small second set under tunables that take the branches the defaults never take.
// Any change to generation shows up here, in review, as a diff of these files;
// scripts/golden-catalogue rewrites them (it runs these tests with SV_GOLDEN_WRITE=1).
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "core/boot.h"
#include "core/content.h"
#include "test_cmd_gen_util.h"
#include "world/geom.h"

namespace {

std::string golden_path(const std::string& name)
{
    return std::string(SV_SOURCE_DIR) + "/tests/game/golden/" + name;
}

// The first line where two texts part, for a readable failure.
std::string first_difference(const std::string& want, const std::string& got)
{
    std::istringstream a(want), b(got);
    std::string la, lb;
    for (u32 line = 1;; ++line) {
        bool ea = !std::getline(a, la), eb = !std::getline(b, lb);
        if (ea && eb)
            return "texts equal";
        if (ea || eb || la != lb)
            return "line " + std::to_string(line) + ":\n  golden: " + (ea ? "<end>" : la)
                + "\n  now:    " + (eb ? "<end>" : lb);
    }
}

// Writes text to the named golden file when rewriting, else compares it with the file.
void check_golden(const std::string& name, const std::string& text)
{
    const char* write = std::getenv("SV_GOLDEN_WRITE");
    std::string path = golden_path(name);
    if (write && write[0] == '1') {
        std::ofstream out(path, std::ios::binary);
        out << text;
        ASSERT_TRUE(out.good()) << "cannot write " << path;
        return;
    }
    std::ifstream in(path, std::ios::binary);
    ASSERT_TRUE(in.good()) << "missing " << path << " -- run scripts/golden-catalogue";
    std::stringstream golden;
    golden << in.rdbuf();
    EXPECT_TRUE(golden.str() == text)
        << path << " differs at " << first_difference(golden.str(), text)
        << "\nIf the change to generation is meant, run scripts/golden-catalogue"
           " and commit the new files.";
}

// One hash over the geometry bytes of every place of the held floor, rooms then corridor pieces,
// so the catalogue pins what the laying pass chose and how each place is built.
std::string geometry_line()
{
    const sv_floor* f = sv_gen_current();
    if (!f)
        return "# geometry: no floor\n";
    static sv_geom s_g;
    u32 places = f->place_count > f->room_count ? f->place_count : f->room_count;
    u64 h = 1469598103934665603ULL;
    for (u32 p = 0; p < places; ++p) {
        memset(&s_g, 0, sizeof s_g);
        sv_geom_build(&s_g, f, (u16)p);
        const u8* b = reinterpret_cast<const u8*>(&s_g);
        for (size_t i = 0; i < sizeof s_g; ++i)
            h = (h ^ b[i]) * 1099511628211ULL;
    }
    char line[96];
    snprintf(line, sizeof line, "# geometry of %u places: %016llx\n", places,
             (unsigned long long)h);
    return line;
}

struct tuned_set {
    const char* name;
    const char* settings[12]; // "key value", up to a null
};

// Each set drives generation down paths the defaults never take: a chain of two-door rooms
// (the remainder pass, the lowest tree height, a forced loose Shard, an upside-down fountain
// band), floors of a few rooms (owed obligations, the monument's later passes, the weapon's
// fallback, chest weights out of order, no optional Scions), and hubs with unreachable
// distances (the Prism's and the fountain band's relaxations, many Scions and Shards).
const tuned_set k_tuned[] = {
    {"chain",
     {"floor.max_degree 2", "floor.size_max 40", "depth.height_k 0.1", "depth.spread 0.05",
      "shard.loose 0", "fountain.band_min 5", "fountain.band_max 3", nullptr}},
    {"tiny",
     {"floor.size_min 3", "floor.size_min_first 2", "floor.size_max 8", "floor.size_base 6",
      "floor.size_spread 1", "floor.linearity 0.85", "chest.weight_common 1",
      "chest.weight_uncommon 3", "chest.weight_rare 5", "prism.min_distance 50",
      "scion.optional_mean 0", nullptr}},
    {"hubs",
     {"floor.linearity 0", "floor.max_degree 3", "scion.optional_mean 10", "shard.loose 20",
      "prism.min_distance 50", "fountain.band_min 50", "fountain.band_max 50",
      "weapon.ranged_floor 2", "monument.depth_min_frac 0.9", "monument.depth_max_frac 0.1",
      nullptr}},
};

// The floor's actors in one line: how many, and an FNV-1a hash of each one's place, kind word and
// position bits in table order.
std::string population_line(const sv_floor* f)
{
    u64 h = 14695981039346656037ull;
    auto mix = [&h](const void* data, size_t n) {
        const u8* p = static_cast<const u8*>(data);
        for (size_t i = 0; i < n; ++i)
            h = (h ^ p[i]) * 1099511628211ull;
    };
    for (u16 i = 0; i < f->mob_count; ++i) {
        const sv_mob* m = &f->mobs[i];
        mix(&m->place, sizeof m->place);
        mix(&m->kind, sizeof m->kind);
        mix(&m->x, sizeof m->x);
        mix(&m->z, sizeof m->z);
    }
    char line[96];
    snprintf(line, sizeof line, "  population %u mobs  %016llx\n", f->mob_count,
             (unsigned long long)h);
    return line;
}

} // namespace

using GoldenCatalogue = gen_console;

TEST_F(GoldenCatalogue, GenAndShowOfSeedsOneToTwentyFiveOnFloorsOneToTen)
{
    // The base pack's content stands the actors; its tunables give way to the compiled-in ones.
    ASSERT_EQ(sv_pack_boot(SV_BINARY_DIR "/packs/base"), 1);
    sv_tune_reset_defaults();
    for (u32 number = 1; number <= 10; ++number) {
        std::string text;
        char line[64];
        for (u32 seed = 1; seed <= 25; ++seed) {
            snprintf(line, sizeof line, "gen %u %u", seed, number);
            i32 r = 0;
            std::string report = run(line, &r);
            text += std::string("> ") + line + "  (result " + std::to_string(r) + ")\n" + report;
            text += population_line(sv_gen_current());
            text += "> show\n" + run("show");
            text += geometry_line();
        }
        char name[32];
        snprintf(name, sizeof name, "floor-%02u.txt", number);
        check_golden(name, text);
    }
    sv_content_reset();
}

TEST_F(GoldenCatalogue, GenAndShowUnderTunedSets)
{
    const u32 floors[] = {1, 2, 3, 5};
    for (const tuned_set& set : k_tuned) {
        sv_tune_reset_defaults();
        std::string text;
        for (const char* const* s = set.settings; *s; ++s) {
            std::string setting = *s;
            size_t space = setting.find(' ');
            ASSERT_TRUE(sv_tune_set_by_name(setting.substr(0, space).c_str(),
                                            std::stod(setting.substr(space + 1))))
                << setting;
            text += "# " + setting + "\n";
        }
        char line[64];
        for (u32 number : floors) {
            for (u32 seed = 1; seed <= 6; ++seed) {
                snprintf(line, sizeof line, "gen %u %u", seed, number);
                i32 r = 0;
                std::string report = run(line, &r);
                text
                    += std::string("> ") + line + "  (result " + std::to_string(r) + ")\n" + report;
                text += "> show\n" + run("show");
                text += geometry_line();
            }
        }
        check_golden(std::string("tuned-") + set.name + ".txt", text);
    }
}

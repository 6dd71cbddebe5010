// The golden catalogue: the gen report and show tree of seeds 1-25 on floors 1-10, on the
// compiled-in tunables. Any change to generation shows up here, in review, as a diff of these
// files; scripts/golden-catalogue rewrites them (it runs this test with SV_GOLDEN_WRITE=1).
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "test_cmd_gen_util.h"

namespace {

std::string golden_path(u32 number)
{
    char name[32];
    snprintf(name, sizeof name, "/floor-%02u.txt", number);
    return std::string(SV_SOURCE_DIR) + "/tests/game/golden" + name;
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

} // namespace

using GoldenCatalogue = gen_console;

TEST_F(GoldenCatalogue, GenAndShowOfSeedsOneToTwentyFiveOnFloorsOneToTen)
{
    const char* write = std::getenv("SV_GOLDEN_WRITE");
    bool rewrite = write && write[0] == '1';
    for (u32 number = 1; number <= 10; ++number) {
        std::string text;
        char line[64];
        for (u32 seed = 1; seed <= 25; ++seed) {
            snprintf(line, sizeof line, "gen %u %u", seed, number);
            i32 r = 0;
            std::string report = run(line, &r);
            text += std::string("> ") + line + "  (result " + std::to_string(r) + ")\n" + report;
            text += "> show\n" + run("show");
        }
        std::string path = golden_path(number);
        if (rewrite) {
            std::ofstream out(path, std::ios::binary);
            out << text;
            ASSERT_TRUE(out.good()) << "cannot write " << path;
            continue;
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
}

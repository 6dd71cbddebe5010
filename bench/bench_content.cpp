// Content loading: packs at the size of the caps, plain and cross-referenced, loaded again and
// again. Loading should stay linear in the number of entries.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "core/content.h"
#include "core/diag.h"
#include "core/log.h"
#include "core/pack.h"
#include "core/vfs.h"

namespace {

void write_text(const std::filesystem::path& path, const std::string& text)
{
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

// A pack in a fresh temporary directory: the manifest and the given content files.
struct bench_pack {
    char dir[40] = "/tmp/sv_bench_content_XXXXXX";
    bool made = false;

    bool make(const char* const* files, const std::string* texts, int count)
    {
        if (!mkdtemp(dir))
            return false;
        made = true;
        std::filesystem::path root(dir);
        write_text(root / "pack.json", "{\"id\": \"p\", \"name\": \"p\"}");
        for (int i = 0; i < count; ++i)
            write_text(root / files[i], texts[i]);
        sv_log_set_level(SV_LOG_WARN);
        sv_vfs_clear();
        sv_pack_reset();
        sv_vfs_mount(dir);
        sv_pack_scan();
        return true;
    }

    ~bench_pack()
    {
        sv_content_reset();
        sv_pack_reset();
        sv_vfs_clear();
        sv_diag_reset();
        sv_log_set_level(SV_LOG_INFO);
        if (made)
            std::filesystem::remove_all(dir);
    }
};

void BM_ContentLoad(benchmark::State& state)
{
    i64 n = state.range(0);
    std::string text = "[";
    for (i64 i = 0; i < n; ++i)
        text += std::string(i ? "," : "") + "{\"id\":\"p:m" + std::to_string(i)
            + "\",\"name\":\"M\"}";
    text += "]";
    const char* files[] = {"data/mobs.json"};
    bench_pack pack;
    if (!pack.make(files, &text, 1)) {
        state.SkipWithError("cannot make a temporary directory");
        return;
    }
    for (auto _ : state) {
        sv_diag_reset();
        benchmark::DoNotOptimize(sv_content_load());
    }
    if (sv_content_mob_count() != (u64)n)
        state.SkipWithError("the load lost entries");
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_ContentLoad)->Arg(2000)->Arg(20000)->Unit(benchmark::kMillisecond);

// range(0) Axioms each claiming one Scion, and 2.2 times as many Scions (the rest unclaimed),
// every Axiom with a depth band of its own: id lookups, the claim check and the pool check all
// see the whole pack. At 36000 the files are 3 MB and 2.3 MB, within every cap.
void BM_ContentLoadCrossRefs(benchmark::State& state)
{
    i64 n = state.range(0);
    i64 scions = n * 22 / 10;
    std::string axioms_text = "[";
    for (i64 i = 0; i < n; ++i) {
        std::string k = std::to_string(i);
        axioms_text += std::string(i ? "," : "") + "{\"id\":\"p:a" + k + "\",\"name\":\"A\","
            + "\"scions\":[\"p:s" + k + "\"],\"depth_min\":" + std::to_string(2 + i)
            + ",\"depth_max\":" + std::to_string(3 + i) + "}";
    }
    axioms_text += "]";
    std::string scions_text = "[";
    for (i64 i = 0; i < scions; ++i)
        scions_text += std::string(i ? "," : "") + "{\"id\":\"p:s" + std::to_string(i)
            + "\",\"name\":\"S\"}";
    scions_text += "]";
    const char* files[] = {"data/axioms.json", "data/scions.json"};
    std::string texts[] = {axioms_text, scions_text};
    bench_pack pack;
    if (!pack.make(files, texts, 2)) {
        state.SkipWithError("cannot make a temporary directory");
        return;
    }
    for (auto _ : state) {
        sv_diag_reset();
        benchmark::DoNotOptimize(sv_content_load());
        benchmark::DoNotOptimize(sv_content_check_pool());
    }
    if (sv_content_axiom_count() != (u64)n || sv_content_scion_count() != (u64)n)
        state.SkipWithError("the load lost entries");
    state.SetItemsProcessed(state.iterations() * (n + scions));
}
BENCHMARK(BM_ContentLoadCrossRefs)->Arg(4000)->Arg(36000)->Unit(benchmark::kMillisecond);

// One Axiom listing range(0) Scion ids that nothing defines, beside one it does, and 20000
// Scions of which that one is claimed: every dangling id is looked up, and every Scion is checked
// against the long list.
void BM_ContentLoadWideAxiom(benchmark::State& state)
{
    i64 n = state.range(0);
    std::string axioms_text = "[{\"id\":\"p:a\",\"name\":\"A\",\"scions\":[\"p:s0\"";
    for (i64 i = 0; i < n; ++i)
        axioms_text += ",\"p:x" + std::to_string(i) + "\"";
    axioms_text += "]},{\"id\":\"p:b\",\"name\":\"B\",\"scions\":[\"p:s1\"]}]";
    std::string scions_text = "[";
    for (i64 i = 0; i < 20000; ++i)
        scions_text += std::string(i ? "," : "") + "{\"id\":\"p:s" + std::to_string(i)
            + "\",\"name\":\"S\"}";
    scions_text += "]";
    const char* files[] = {"data/axioms.json", "data/scions.json"};
    std::string texts[] = {axioms_text, scions_text};
    bench_pack pack;
    if (!pack.make(files, texts, 2)) {
        state.SkipWithError("cannot make a temporary directory");
        return;
    }
    for (auto _ : state) {
        sv_diag_reset();
        benchmark::DoNotOptimize(sv_content_load());
        benchmark::DoNotOptimize(sv_content_check_pool());
    }
    if (sv_content_axiom_count() != 2 || sv_content_scion_count() != 2)
        state.SkipWithError("the load lost entries");
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_ContentLoadWideAxiom)->Arg(25000)->Arg(250000)->Unit(benchmark::kMillisecond);

} // namespace

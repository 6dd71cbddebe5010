// Content loading: one pack whose mob file holds range(0) entries, loaded again and again.
// Loading should stay linear in the number of entries.
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

void BM_ContentLoad(benchmark::State& state)
{
    char dir[] = "/tmp/sv_bench_content_XXXXXX";
    if (!mkdtemp(dir)) {
        state.SkipWithError("cannot make a temporary directory");
        return;
    }
    std::filesystem::path root(dir);
    i64 n = state.range(0);
    std::string text = "[";
    for (i64 i = 0; i < n; ++i)
        text += std::string(i ? "," : "") + "{\"id\":\"p:m" + std::to_string(i)
            + "\",\"name\":\"M\"}";
    text += "]";
    write_text(root / "pack.json", "{\"id\": \"p\", \"name\": \"p\"}");
    write_text(root / "data" / "mobs.json", text);

    // Each load logs a summary line; only the timings matter here.
    sv_log_set_level(SV_LOG_WARN);
    sv_vfs_clear();
    sv_pack_reset();
    sv_vfs_mount(dir);
    sv_pack_scan();
    for (auto _ : state) {
        sv_diag_reset();
        benchmark::DoNotOptimize(sv_content_load());
    }
    if (sv_content_mob_count() != (u64)n)
        state.SkipWithError("the load lost entries");
    state.SetItemsProcessed(state.iterations() * n);
    sv_content_reset();
    sv_pack_reset();
    sv_vfs_clear();
    sv_diag_reset();
    sv_log_set_level(SV_LOG_INFO);
    std::filesystem::remove_all(root);
}
BENCHMARK(BM_ContentLoad)->Arg(2000)->Arg(20000)->Unit(benchmark::kMillisecond);

} // namespace

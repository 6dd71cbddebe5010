// Content loading: packs at the size of the caps, plain and cross-referenced, loaded again and
// again; ids crafted to flood the id index; and the memory 32 packs at every cap keep. Loading
// should stay linear in the number of entries whatever the ids, and within its memory bound.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <stdlib.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/boot.h"
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
// Scions of which that one is claimed: reading keeps the first 256 ids of the long list, each
// dangling one is looked up, and every Scion is checked against what is kept.
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

// ---- Ids crafted against the index ----------------------------------------------------------

// The public hash the id index once used (FNV-1a with a final mix). Anyone could search for ids
// whose slots under it fall in one small window of the table; against a hash keyed with a secret
// drawn per process such a search has nothing to aim at.
u64 public_hash(const char* id)
{
    u64 h = 0xcbf29ce484222325ull;
    for (const unsigned char* p = (const unsigned char*)id; *p; ++p)
        h = (h ^ *p) * 0x100000001b3ull;
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdull;
    h ^= h >> 33;
    return h;
}

// n ids "p:<base 36>", either the first n counted (ordinary) or the first n whose slots under the
// public hash fall in the first 256 of a 2^18-slot table, as the index of 131,072 entries has
// (about one try in a thousand). The flooding ids are searched once per process.
const std::vector<std::string>& crafted_ids(u64 n, bool flood)
{
    static std::vector<std::string> s_ids[2];
    static u64 s_tried[2];
    std::vector<std::string>& ids = s_ids[flood ? 1 : 0];
    while (ids.size() < n) {
        u64 v = s_tried[flood ? 1 : 0]++;
        std::string id;
        do {
            id.insert(id.begin(), "0123456789abcdefghijklmnopqrstuvwxyz"[v % 36]);
            v /= 36;
        } while (v);
        id = "p:" + id;
        if (!flood || (public_hash(id.c_str()) & ((1u << 18) - 1)) < 256)
            ids.push_back(id);
    }
    return ids;
}

// 2 x range(0) chests, in two packs, whose ids are ordinary (range(1) 0) or crafted to flood
// (1): every id goes through its file's duplicate check and the kind's index, and is looked up
// once after. Two packs, since one file holds at most 262,144 values, three an entry here.
void BM_ContentLoadCraftedIds(benchmark::State& state)
{
    u64 n = (u64)state.range(0);
    bool flood = state.range(1) != 0;
    const std::vector<std::string>& ids = crafted_ids(2 * n, flood);
    std::string texts[2];
    for (u64 half = 0; half < 2; ++half) {
        texts[half] = "[";
        for (u64 i = 0; i < n; ++i) {
            texts[half] += std::string(i ? "," : "") + "{\"id\":\"" + ids[half * n + i]
                + "\",\"name\":\"C\"}";
        }
        texts[half] += "]";
    }
    const char* files[] = {"data/chests.json"};
    bench_pack pack;
    if (!pack.make(files, &texts[0], 1)) {
        state.SkipWithError("cannot make a temporary directory");
        return;
    }
    std::filesystem::path second = std::filesystem::path(pack.dir) / "second";
    write_text(second / "pack.json", "{\"id\": \"q\", \"name\": \"q\"}");
    write_text(second / files[0], texts[1]);
    sv_vfs_mount(second.string().c_str());
    sv_pack_scan();
    u64 found = 0;
    for (auto _ : state) {
        sv_diag_reset();
        benchmark::DoNotOptimize(sv_content_load());
        for (u64 i = 0; i < 2 * n; ++i)
            found += sv_content_chest_find(ids[i].c_str()) != nullptr;
    }
    if (found != 2 * n * (u64)state.iterations())
        state.SkipWithError("the load lost entries");
    state.SetItemsProcessed(state.iterations() * (i64)(2 * n));
    state.SetLabel(flood ? "flooding ids" : "ordinary ids");
}
BENCHMARK(BM_ContentLoadCraftedIds)
    ->Args({SV_CONTENT_ENTRIES_MAX / 2, 0})
    ->Args({SV_CONTENT_ENTRIES_MAX / 2, 1})
    ->Unit(benchmark::kMillisecond);

// ---- The memory of 32 packs at every cap -----------------------------------------------------

// A content file of one kind for the pack with namespace ns: entries made of the text that costs
// the most once read (empty actions, 'applies' entries, one-letter Scion ids, else a long name),
// each at most 256 bytes and 64 values, as many as the entry bound allows across 32 packs (4096), so the whole
// stays within the per-file, per-load and value limits.
std::string worst_file(const char* kind, const std::string& ns)
{
    const std::string apply = "{\"status\":\"\"}";
    auto applies = [&apply](int n) {
        std::string list = "\"applies\":[";
        for (int i = 0; i < n; ++i)
            list += (i ? "," : "") + apply;
        return list + "]";
    };
    // Kinds without actions or lists spend their text on a long name instead.
    bool acting = !strcmp(kind, "scions") || !strcmp(kind, "mobs") || !strcmp(kind, "axioms")
        || !strcmp(kind, "weapons");
    std::string name = acting ? "N" : std::string(170, 'N');
    std::string text = "[";
    for (u64 i = 0; i < SV_CONTENT_ENTRIES_MAX / 32; ++i) {
        std::string head = std::string(i ? "," : "") + "{\"id\":\"" + ns + ":" + std::to_string(i)
            + "\",\"name\":\"" + name + "\",";
        if (!strcmp(kind, "scions") || !strcmp(kind, "mobs")) {
            text += head + "\"actions\":[{" + applies(13) + "},{},{},{}]}";
        } else if (!strcmp(kind, "axioms")) {
            std::string scions = "\"scions\":[\"a\"";
            for (int k = 0; k < 40; ++k)
                scions += ",\"a\"";
            text += head + scions + "],\"actions\":[{},{},{},{}]}";
        } else if (!strcmp(kind, "weapons")) {
            text += head + "\"slot\":\"ranged\"," + applies(6) + ",\"secondary\":{" + applies(6)
                + "}}";
        } else if (!strcmp(kind, "statuses")) {
            text += head + "\"modifies\":\"damage_taken\",\"magnitude\":1,\"custom\":{}}";
        } else if (!strcmp(kind, "transforms")) {
            text += head + "\"rarity\":\"rare\",\"kind\":\"heal\",\"custom\":{}}";
        } else if (!strcmp(kind, "chests")) {
            text += head + "\"custom\":{}}";
        } else {
            text += head + "\"rarity\":\"rare\",\"custom\":{}}";
        }
    }
    return text + "]";
}

// Kilobytes of this process's resident memory named by a /proc/self/status line ("VmHWM:" the
// peak since the last reset, "VmRSS:" the present); 0 when unknown.
u64 status_kib(const char* field)
{
    FILE* f = std::fopen("/proc/self/status", "r");
    if (!f)
        return 0;
    char line[256];
    u64 kib = 0;
    size_t n = strlen(field);
    while (std::fgets(line, sizeof line, f)) {
        if (strncmp(line, field, n) == 0)
            kib = strtoull(line + n, nullptr, 10);
    }
    std::fclose(f);
    return kib;
}

// 32 packs, each with every content file at its worst within every cap, mounted and loaded as
// `load` does. peak_MiB is the resident peak during the load (the counter resets it first),
// rss_MiB what stays resident after it, before_MiB what was resident before.
void BM_ContentLoadWorst32Mounts(benchmark::State& state)
{
    const char* kinds[] = {"scions",  "axioms", "inclusions", "elements", "transforms",
                           "weapons", "mobs",   "chests",     "statuses"};
    char root[] = "/tmp/sv_bench_worst_XXXXXX";
    if (!mkdtemp(root)) {
        state.SkipWithError("cannot make a temporary directory");
        return;
    }
    sv_log_set_level(SV_LOG_WARN);
    sv_vfs_clear();
    sv_pack_reset();
    for (int m = 0; m < SV_VFS_MOUNTS; ++m) {
        std::string ns = "p" + std::to_string(m);
        std::filesystem::path dir = std::filesystem::path(root) / ns;
        write_text(dir / "pack.json", "{\"id\": \"" + ns + "\", \"name\": \"" + ns + "\"}");
        for (const char* kind : kinds)
            write_text(dir / "data" / (std::string(kind) + ".json"), worst_file(kind, ns));
        sv_vfs_mount(dir.string().c_str());
    }
    malloc_trim(0);
    u64 before = status_kib("VmRSS:"), peak = 0, after = 0;
    for (auto _ : state) {
        sv_content_reset();
        malloc_trim(0);
        // Writing 5 resets the peak the kernel keeps for VmHWM.
        std::ofstream("/proc/self/clear_refs") << "5";
        sv_diag_reset();
        benchmark::DoNotOptimize(sv_pack_reload());
        peak = status_kib("VmHWM:");
        after = status_kib("VmRSS:");
    }
    u64 kept = sv_content_scion_count() + sv_content_axiom_count() + sv_content_mob_count()
        + sv_content_weapon_count() + sv_content_status_count() + sv_content_chest_count()
        + sv_content_inclusion_count() + sv_content_element_count() + sv_content_transform_count();
    state.counters["peak_MiB"] = (double)peak / 1024.0;
    state.counters["rss_MiB"] = (double)after / 1024.0;
    state.counters["before_MiB"] = (double)before / 1024.0;
    state.counters["entries"] = (double)kept;
    sv_content_reset();
    sv_pack_reset();
    sv_vfs_clear();
    sv_diag_reset();
    sv_log_set_level(SV_LOG_INFO);
    std::filesystem::remove_all(root);
}
BENCHMARK(BM_ContentLoadWorst32Mounts)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

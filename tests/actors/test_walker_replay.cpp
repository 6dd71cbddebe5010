// Replays: one per-tick input script on a floor gives the same per-tick hashes of the walker, the
// mobs and the shots in two runs of one process (with other floors and a stats in between) and
// in another process.
#if defined(_WIN32)
#include <process.h>
#include <stdlib.h>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "actors_util.h"
#include "console/cmd.h"
#include "game/cmd_gen.h"
#include "support/capture.h"
#include "walker_bot.h"
#include "world/geom_cache.h"

namespace {

const u64 REPLAY_SEED = 11;
const u16 REPLAY_FLOOR = 2;
const u32 REPLAY_TICKS = 1500;

u64 fnv(u64 h, const void* data, size_t n)
{
    const u8* p = (const u8*)data;
    for (size_t i = 0; i < n; ++i)
        h = (h ^ p[i]) * 1099511628211ULL;
    return h;
}

// The walker, every mob (its pointers left out: they differ between runs) and every shot slot.
u64 tick_hash(const sv_walker* w, const sv_floor* f)
{
    u64 h = fnv(1469598103934665603ULL, w, sizeof *w);
    for (u16 i = 0; i < f->mob_count; ++i) {
        sv_mob m;
        std::memcpy(&m, &f->mobs[i], sizeof m);
        m.body.actions = nullptr;
        m.afflictions = nullptr;
        h = fnv(h, &m, sizeof m);
        if (f->mobs[i].afflictions)
            h = fnv(h, f->mobs[i].afflictions, sizeof(sv_afflictions));
    }
    if (f->shots)
        h = fnv(h, f->shots, sizeof(sv_shot) * SV_FLOOR_SHOTS);
    return h;
}

// A fresh walker on the replay floor with a blade and a gun.
void start(sv_walker* w, sv_floor* f)
{
    std::memset(w, 0, sizeof *w);
    sv_walker_start(w, f, 0);
    sv_weapon blade = test_weapon(SV_ATTACK_MELEE, 0.1f, 0.1f, 0.2f);
    sv_weapon gun = test_weapon(SV_ATTACK_RANGED, 0.05f, 0.05f, 0.1f);
    gun.secondary.kind = SV_ATTACK_SECONDARY;
    gun.secondary.speed = 12.0f;
    sv_player_arm(&w->player, 0, &blade);
    sv_player_arm(&w->player, 1, &gun);
    w->player.grit = 30;
}

// The input script: the bot's way through the floor with a fixed generator's turns, sprints,
// dodges, swaps and attacks laid over it, recorded tick by tick.
std::vector<sv_input> script()
{
    sv_geom_cache_reset();
    walker_floor wf(REPLAY_SEED, REPLAY_FLOOR);
    static sv_walker s_w;
    start(&s_w, &wf.f);
    walker_bot bot;
    bot.w = &s_w;
    std::vector<sv_input> out;
    u64 s = 0x243f6a8885a308d3ULL;
    for (u32 t = 0; t < REPLAY_TICKS; ++t) {
        s = s * 6364136223846793005ULL + 1442695040888963407ULL;
        u32 r = (u32)(s >> 33);
        sv_input in = bot_input(&bot, &wf.f);
        in.yaw_delta += ((f32)((r >> 5) & 255) - 127.5f) * 0.0004f;
        in.pitch_delta = ((f32)((r >> 13) & 15) - 7.5f) * 0.001f;
        in.sprint = ((r >> 17) & 3) == 0;
        in.dodge = ((r >> 19) & 127) == 0;
        in.primary |= ((r >> 26) & 15) == 0;
        in.secondary = ((r >> 23) & 63) == 1;
        in.swap = ((r >> 28) & 127) == 2;
        out.push_back(in);
        sv_walker_step(&s_w, &wf.f, &in);
    }
    return out;
}

// Plays the script on a fresh floor; returns the per-tick hashes (and, when asked, the doors
// crossed and the damage the player took).
std::vector<u64> replay(u32* crossings = nullptr, f32* damage = nullptr)
{
    std::vector<sv_input> inputs = script();
    sv_geom_cache_reset();
    walker_floor wf(REPLAY_SEED, REPLAY_FLOOR);
    static sv_walker s_w;
    start(&s_w, &wf.f);
    std::vector<u64> hashes;
    u32 crossed = 0;
    for (sv_input in : inputs) {
        crossed += sv_walker_step(&s_w, &wf.f, &in) != 0;
        hashes.push_back(tick_hash(&s_w, &wf.f));
    }
    if (crossings)
        *crossings = crossed;
    if (damage)
        *damage = s_w.player.damage_taken;
    return hashes;
}

struct WalkerReplay : ::testing::Test {
    void SetUp() override
    {
        boot_base_pack();
        sv_combat_set_passive(0);
    }
    void TearDown() override { content_pack::unload(); }
};

TEST_F(WalkerReplay, TwoRunsInOneProcessGiveTheSameHashesEveryTick)
{
    u32 crossings = 0;
    f32 damage = 0.0f;
    std::vector<u64> first = replay(&crossings, &damage);
    // The script crosses doors and meets mobs that fight back.
    EXPECT_GT(crossings, 3u);
    EXPECT_GT(damage, 0.0f);
    // Other floors played and a stats run in between must leave no trace in the next run.
    {
        walker_floor other(3, 5);
        static sv_walker s_other;
        std::memset(&s_other, 0, sizeof s_other);
        sv_walker_start(&s_other, &other.f, 0);
        walker_bot bot;
        bot.w = &s_other;
        for (u32 t = 0; t < 600; ++t) {
            sv_input in = bot_input(&bot, &other.f);
            sv_walker_step(&s_other, &other.f, &in);
        }
    }
    std::string out;
    sv_cmd_reset();
    sv_cmd_register_builtins();
    sv_gen_register_commands();
    sv_cmd_set_writer(sv_test_capture(&out));
    EXPECT_EQ(sv_cmd_run("stats 20 3"), 0);
    sv_cmd_set_writer(sv_writer {nullptr, nullptr});
    sv_gen_release_current();
    sv_cmd_reset();
    std::vector<u64> second = replay();
    ASSERT_EQ(first.size(), second.size());
    for (size_t t = 0; t < first.size(); ++t)
        ASSERT_EQ(first[t], second[t]) << "tick " << t;
}

// Writes the hashes of one replay to the file named by SV_WALKER_REPLAY_OUT; run by the test
// below in a second process, skipped otherwise.
TEST_F(WalkerReplay, WritesItsHashesForAnotherProcess)
{
    const char* path = std::getenv("SV_WALKER_REPLAY_OUT");
    if (!path)
        GTEST_SKIP() << "run by AnotherProcessGivesTheSameHashes";
    std::ofstream out(path);
    for (u64 h : replay())
        out << h << "\n";
}

#if defined(_WIN32)
// The second process runs this same program, found by its own path, with the name of a fresh file
// in the environment it inherits.
int run_second_process(std::string* path)
{
    *path = (std::filesystem::temp_directory_path()
             / ("sv_walker_replay_" + std::to_string(_getpid()) + ".txt"))
                .string();
    _putenv_s("SV_WALKER_REPLAY_OUT", path->c_str());
    // The second process runs its one test whole, whichever shard this one is.
    _putenv_s("GTEST_TOTAL_SHARDS", "");
    _putenv_s("GTEST_SHARD_INDEX", "");
    const char* self = _pgmptr;
    if (!self)
        return -1;
    std::string quoted = std::string("\"") + self + "\"";
    // -1 is a process that was never started (Wine under load can fail to make one): only that
    // is tried again; a run that failed is not.
    intptr_t status = -1;
    for (int launch = 1; launch <= 3 && status == -1; ++launch) {
        status = _spawnl(_P_WAIT, self, quoted.c_str(),
                         "--gtest_filter=WalkerReplay.WritesItsHashesForAnotherProcess",
                         (char*)nullptr);
        if (status == -1)
            std::fprintf(stderr, "launch %d of the second process did not start: errno %d\n",
                         launch, errno);
    }
    _putenv_s("SV_WALKER_REPLAY_OUT", "");
    return (int)status;
}

TEST_F(WalkerReplay, AnotherProcessGivesTheSameHashes)
{
    std::string path;
    ASSERT_EQ(run_second_process(&path), 0);
    std::vector<u64> here = replay();
    std::ifstream in(path);
    std::vector<u64> there;
    for (u64 h; in >> h;)
        there.push_back(h);
    in.close();
    std::filesystem::remove(path);
    ASSERT_EQ(there.size(), here.size());
    for (size_t t = 0; t < here.size(); ++t)
        ASSERT_EQ(here[t], there[t]) << "tick " << t;
}
#else
TEST_F(WalkerReplay, AnotherProcessGivesTheSameHashes)
{
    char path[] = "/tmp/sv_walker_replay_XXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    close(fd);
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        setenv("SV_WALKER_REPLAY_OUT", path, 1);
        // The second process runs its one test whole, whichever shard this one is.
        unsetenv("GTEST_TOTAL_SHARDS");
        unsetenv("GTEST_SHARD_INDEX");
        execl("/proc/self/exe", "test_actors",
              "--gtest_filter=WalkerReplay.WritesItsHashesForAnotherProcess", (char*)nullptr);
        _exit(127);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0);
    std::vector<u64> here = replay();
    std::ifstream in(path);
    std::vector<u64> there;
    for (u64 h; in >> h;)
        there.push_back(h);
    unlink(path);
    ASSERT_EQ(there.size(), here.size());
    for (size_t t = 0; t < here.size(); ++t)
        ASSERT_EQ(here[t], there[t]) << "tick " << t;
}
#endif

} // namespace

// A soak of the walker's tick: over 100,000 ticks of random input over many floors, some begun
// in a boss's room with the boss risen, and with weapons that lay statuses, nothing turns NaN,
// no body ends a tick outside its place's polygon, no mob heals past its maximum, and the shot
// and status tables hold their bounds. Reports the maxima it saw. Shorter soaks at legal extreme
// tunables, every mob chasing, keep the same invariants.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "actors_util.h"
#include "walker_bot.h"
#include "world/geom_cache.h"

namespace {

const u32 SOAK_TICKS = 100000;
const u32 FLOOR_TICKS = 5000; // at most, before the soak moves on to another floor

bool finite(f32 v)
{
    return std::isfinite(v);
}

// Whether (x, z) lies in geom's wall polygon: a body pressed against a door line still does.
bool inside(const sv_geom* g, f32 x, f32 z)
{
    return sv_geom_contains(g, {x, z}) != 0;
}

// A status a weapon lays on what it hits.
sv_applies laying(u32 key, u8 modifies, u8 op, f32 magnitude, f32 duration, u8 stacks)
{
    sv_applies a;
    std::memset(&a, 0, sizeof a);
    a.count = 1;
    a.list[0].key = key;
    a.list[0].modifies = modifies;
    a.list[0].op = op;
    a.list[0].magnitude = magnitude;
    a.list[0].duration = duration;
    a.list[0].stacks = stacks;
    a.list[0].stack_cap = stacks ? 5 : 0;
    return a;
}

struct soak_max {
    u32 shots = 0, player_statuses = 0, mob_statuses = 0, places = 0, floors = 0, deaths = 0;
    u32 bosses = 0, boss_statuses = 0;
};

// Checks every invariant after one tick; false (with a message) at the first that fails.
::testing::AssertionResult healthy(const sv_walker* w, const sv_floor* f,
                                   const std::vector<sv_geom>& places, soak_max* m)
{
    const sv_player* p = &w->player;
    const f32 values[]
        = {p->x,      p->z,       p->y,           p->yaw,          p->pitch,         p->vx,
           p->vy,     p->vz,      p->step_smooth, p->damage_taken, p->stamina_spent, p->move_x,
           p->move_z, p->dodge_x, p->dodge_z,     w->lock_break,   w->last_bearing};
    for (f32 v : values)
        if (!finite(v))
            return ::testing::AssertionFailure() << "the player has a value that is not finite";
    if (!inside(&w->geom, p->x, p->z))
        return ::testing::AssertionFailure()
            << "the player left place " << w->place << " at " << p->x << ", " << p->z;
    if (p->afflictions.count > SV_AFFLICTIONS)
        return ::testing::AssertionFailure() << "the player carries too many statuses";
    m->player_statuses = std::max<u32>(m->player_statuses, p->afflictions.count);
    for (u16 i = 0; i < f->mob_count; ++i) {
        const sv_mob* mob = &f->mobs[i];
        if (!finite(mob->x) || !finite(mob->z) || !finite(mob->y) || !finite(mob->yaw)
            || std::isnan(mob->hp))
            return ::testing::AssertionFailure() << "mob " << i << " has a value not finite";
        if (mob->hp > mob->body.hp)
            return ::testing::AssertionFailure() << "mob " << i << " healed past its maximum";
        if (mob->hp > 0.0f && !inside(&places[mob->place], mob->x, mob->z))
            return ::testing::AssertionFailure() << "mob " << i << " left place " << mob->place
                                                 << " at " << mob->x << ", " << mob->z;
        if (mob->afflictions) {
            if (mob->afflictions->count > SV_AFFLICTIONS)
                return ::testing::AssertionFailure() << "mob " << i << " has too many statuses";
            m->mob_statuses = std::max<u32>(m->mob_statuses, mob->afflictions->count);
            if (mob->boss)
                m->boss_statuses = std::max<u32>(m->boss_statuses, mob->afflictions->count);
        }
    }
    u32 live = 0;
    for (u32 s = 0; f->shots && s < SV_FLOOR_SHOTS; ++s) {
        const sv_shot* shot = &f->shots[s];
        if (!shot->live)
            continue;
        live += 1;
        if (!finite(shot->x) || !finite(shot->y) || !finite(shot->z))
            return ::testing::AssertionFailure() << "shot " << s << " is not finite";
    }
    if (f->shots_used > SV_FLOOR_SHOTS)
        return ::testing::AssertionFailure() << "more shots than slots";
    m->shots = std::max(m->shots, live);
    return ::testing::AssertionSuccess();
}

// Every mob that can route to the player alerted toward it, wherever it is: the chase at its
// widest.
void alert_all(const sv_walker* w, sv_floor* f)
{
    for (u16 i = 0; i < f->mob_count; ++i) {
        sv_mob* mob = &f->mobs[i];
        u8 doors[64];
        if (mob->boss || !(mob->hp > 0.0f)
            || sv_combat_route(f, mob->place, w->place, doors, 64, mob_may_take, nullptr) < 0)
            continue;
        mob->alerted = 1;
        mob->returning = 0;
        mob->seen_place = w->place;
        mob->seen_x = w->player.x;
        mob->seen_z = w->player.z;
    }
}

// Plays `total` ticks over floors of seeds from `first` (at most floor_ticks each), checking
// every invariant after each tick; with chase, every mob that can route to the player is
// alerted toward it before each tick.
void soak(u32 total, u64 first, u32 floor_ticks, bool chase, soak_max* m)
{
    static sv_walker s_w;
    std::memset(&s_w, 0, sizeof s_w);
    u64 s = 0x9e3779b97f4a7c15ULL;
    u32 ticks = 0;
    for (u64 run = 0; ticks < total; ++run) {
        walker_floor wf(first + run, (u16)(1 + run % 10));
        // Every fourth floor begins in the Axiom's room with the boss risen, to fight it there.
        i32 axiom = sv_floor_find(&wf.f, SV_TAG_AXIOM);
        u16 start = run % 4 == 1 && axiom >= 0 ? (u16)axiom : 0;
        sv_walker_start(&s_w, &wf.f, start);
        if (start != 0)
            m->bosses += sv_floor_stand_waiting(&wf.f, start);
        sv_player_revive(&s_w.player);
        sv_weapon blade = test_weapon(SV_ATTACK_MELEE, 0.1f, 0.1f, 0.2f);
        blade.primary.applies
            = laying(901, SV_STAT_HEALTH_RATE, SV_OP_ADD, -2.0f, 4.0f, 1); // bleeding
        blade.secondary = blade.primary;
        sv_weapon gun = test_weapon(SV_ATTACK_RANGED, 0.05f, 0.05f, 0.1f);
        gun.primary.applies
            = laying(902, SV_STAT_DAMAGE_TAKEN, SV_OP_MULTIPLY, 1.3f, 4.0f, 0); // exposed
        gun.secondary.kind = SV_ATTACK_SECONDARY;
        gun.secondary.speed = 14.0f;
        gun.secondary.applies
            = laying(903, SV_STAT_WALK_SPEED, SV_OP_MULTIPLY, 0.6f, 2.5f, 0); // slowed
        sv_player_arm(&s_w.player, 0, &blade);
        sv_player_arm(&s_w.player, 1, &gun);
        s_w.player.grit = 30;
        sv_combat_set_passive((u8)(run % 3 == 2));
        walker_bot bot;
        bot.w = &s_w;
        m->floors += 1;
        std::vector<sv_geom> places(wf.f.place_count);
        for (u16 k = 0; k < wf.f.place_count; ++k)
            sv_geom_build(&places[k], &wf.f, k);
        for (u32 t = 0; t < floor_ticks && ticks < total; ++t, ++ticks) {
            s = s * 6364136223846793005ULL + 1442695040888963407ULL;
            u32 r = (u32)(s >> 33);
            // Stretches led by the bot (so doors, fog walks and fights are reached) alternate
            // with stretches of pure noise.
            sv_input in;
            std::memset(&in, 0, sizeof in);
            if ((t / 300) % 2 == 0)
                in = bot_input(&bot, &wf.f);
            else {
                in.forward = ((f32)(r & 15) - 5.0f) / 10.0f;
                in.right = ((f32)((r >> 4) & 15) - 7.5f) / 7.5f;
                in.yaw_delta = ((f32)((r >> 8) & 255) - 127.5f) * 0.004f;
            }
            in.pitch_delta = ((f32)((r >> 16) & 31) - 15.5f) * 0.01f;
            in.sprint |= ((r >> 21) & 1);
            in.dodge |= ((r >> 22) & 31) == 0;
            in.use |= ((r >> 27) & 15) == 0;
            in.primary |= ((r >> 23) & 7) == 0;
            in.secondary |= ((r >> 26) & 15) == 0;
            in.swap |= ((r >> 29) & 31) == 0;
            if (chase)
                alert_all(&s_w, &wf.f);
            i32 result = sv_walker_step(&s_w, &wf.f, &in);
            ASSERT_TRUE(healthy(&s_w, &wf.f, places, m))
                << "floor " << wf.f.floor_number << " seed " << wf.f.seed << " tick " << t;
            m->places += result == 1;
            if (result == 2)
                break;
            if (!sv_player_alive(&s_w.player)) {
                m->deaths += 1;
                sv_player_revive(&s_w.player);
            }
        }
    }
    sv_combat_set_passive(0);
}

TEST(WalkerSoak, AHundredThousandTicksOfRandomInputKeepEveryInvariant)
{
    boot_base_pack();
    sv_geom_cache_reset();
    soak_max m;
    soak(SOAK_TICKS, 100, FLOOR_TICKS, false, &m);
    printf("soak: %u floors, %u doors crossed, %u deaths, %u bosses risen; at most %u live shots, "
           "%u statuses on the player, %u on a mob, %u on a boss\n",
           m.floors, m.places, m.deaths, m.bosses, m.shots, m.player_statuses, m.mob_statuses,
           m.boss_statuses);
    EXPECT_GT(m.bosses, 0u);
    EXPECT_GT(m.mob_statuses, 0u);
    EXPECT_GT(m.boss_statuses, 0u);
    content_pack::unload();
}

// At legal extremes (a long door reach, a windup drawn back or lunged in one or two ticks, a
// thin body) and with every mob chasing, no body ends a tick outside its place.
TEST(WalkerSoak, LongDoorReachAndExtremeTunablesKeepEveryBodyInItsPlace)
{
    struct extreme {
        const char* name[2];
        f64 value[2];
    };
    const extreme sets[] = {
        {{"player.door_reach", nullptr}, {0.5, 0}}, {{"player.door_reach", nullptr}, {1.0, 0}},
        {{"mob.lunge_share", nullptr}, {0.95, 0}},  {{"sim.tick_hz", "mob.lunge_share"}, {20, 0.7}},
        {{"player.radius", nullptr}, {0.05, 0}},
    };
    // Under the sanitizer a third of the ticks.
    const u32 ticks = k_bot_sanitized ? 4000 : 12000;
    for (const extreme& e : sets) {
        boot_base_pack();
        sv_geom_cache_reset();
        for (int k = 0; k < 2 && e.name[k]; ++k)
            ASSERT_EQ(sv_tune_set_by_name(e.name[k], e.value[k]), 1);
        soak_max m;
        soak(ticks, 300, 1500, true, &m);
        if (HasFatalFailure()) {
            ADD_FAILURE() << "with " << e.name[0] << " " << e.value[0];
            break;
        }
        printf("soak with %s %g: %u floors, %u doors crossed, %u deaths\n", e.name[0], e.value[0],
               m.floors, m.places, m.deaths);
        content_pack::unload();
    }
    content_pack::unload();
}

} // namespace

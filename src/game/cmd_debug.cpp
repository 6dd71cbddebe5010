// The debug commands: what a developer types in the console overlay to act on the running game.
// They read the held floor at every call, so no pointer of theirs outlives a gen; the selection
// outlives floors by design.
#include "game/cmd_debug.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "actors/boss.h"
#include "actors/combat.h"
#include "actors/walker.h"
#include "console/cmd.h"
#include "core/content.h"
#include "core/fmath.h"
#include "core/rarity.h"
#include "core/tune.h"
#include "game/cmd_gen.h"
#include "game/hud.h"
#include "world/body.h"
#include "world/geom.h"

namespace {

// ---- State ----------------------------------------------------------------------------------

// The selection, and the walker followed from floor to floor without a main loop.
struct debug_state {
    u32 sel_kind; // sv_sel_kind
    u32 sel_id;
    sv_walker* follow; // null: the main loop keeps g_give_walker on the held floor
    u64 follow_serial; // generation serial of the floor the followed walker was started on
};

debug_state g_debug;
sv_walker* g_give_walker;             // the main loop's walker; null before it is bound
char (*g_slot_names)[SV_WEAPON_NAME]; // the HUD's two slot names; null when not bound

const f32 k_pi = 3.14159265358979f;
const f32 k_spawn_ahead = 3.0f; // metres in front of the player where `spawn` stands a body

const char* const k_give_usage = "usage: give shard|prism|grit [count] | give weapon <id>\n";
const char* const k_select_usage = "usage: select [player | mob|chest|landmark|key <id>]\n";
const char* const k_mob_usage
    = "usage: mob [hp|maxhp|damage|speed|turn|reach|windup|active|recovery <value>]\n";
const char* const k_status_usage
    = "usage: status [<id> [count] [duration] [magnitude] | remove <id> | clear]\n";
const char* const k_chest_usage = "usage: chest [locked|opened 0|1]\n";
const char* const k_count_refused = "count must be a whole number of at least 1\n";

// ---- Parsing --------------------------------------------------------------------------------

// A whole number in base 10: digits only (no blank, sign or prefix), consumed whole, at most max.
int parse_whole(const char* text, u64 max, u64* out)
{
    if (!text || !*text)
        return 0;
    u64 v = 0;
    for (const char* p = text; *p; ++p) {
        if (*p < '0' || *p > '9')
            return 0;
        u64 digit = (u64)(*p - '0');
        if (v > (max - digit) / 10)
            return 0;
        v = v * 10 + digit;
    }
    *out = v;
    return 1;
}

// A count: a whole number in 1..4294967295.
int parse_count(const char* text, u32* out)
{
    u64 v = 0;
    if (!parse_whole(text, 4294967295ull, &v) || v < 1)
        return 0;
    *out = (u32)v;
    return 1;
}

// A decimal number consumed whole that stays finite as an f32 (nan, inf and overflow refused).
int parse_number(const char* text, f32* out)
{
    if (!text)
        return 0;
    char* end = nullptr;
    f64 v = std::strtod(text, &end);
    if (end == text || *end != '\0' || !std::isfinite(v) || !std::isfinite((f32)v))
        return 0;
    *out = (f32)v;
    return 1;
}

u32 saturating_add(u32 a, u32 b)
{
    return b > 4294967295u - a ? 4294967295u : a + b;
}

// A tunable that counts things, truncated into 0..4294967295 as the player record reads it.
u32 tune_whole(u32 index)
{
    f64 v = std::trunc(sv_tune(index));
    return v > 0.0 ? (v < 4294967295.0 ? (u32)v : 4294967295u) : 0u;
}

// ---- Shared readings ----------------------------------------------------------------------

// The player's walker, started on the held floor first when following one.
sv_walker* player_walker(void)
{
    sv_floor* floor = sv_gen_current();
    if (g_debug.follow && floor && g_debug.follow_serial != sv_gen_serial()) {
        sv_walker_start(g_debug.follow, floor, 0);
        g_debug.follow_serial = sv_gen_serial();
    }
    return g_give_walker;
}

const sv_action* first_action(const sv_body* body)
{
    return body && body->action_count > 0 && body->actions ? &body->actions[0] : nullptr;
}

sv_mob* mob_at(sv_floor* floor, u32 id)
{
    return floor && id < floor->mob_count ? sv_floor_mob(floor, (u16)id) : nullptr;
}

sv_chest* chest_at(sv_floor* floor, u32 id)
{
    return floor && id <= 65535u ? sv_floor_chest_in_mut(floor, (u16)id) : nullptr;
}

const sv_room* room_at(const sv_floor* floor, u32 id)
{
    return floor && id <= 65535u ? sv_floor_room_const(floor, (u16)id) : nullptr;
}

void print_statuses(const sv_afflictions* list)
{
    sv_indicator rows[SV_AFFLICTIONS];
    i32 n = sv_afflictions_indicators(list, rows, SV_AFFLICTIONS);
    if (n <= 0) {
        sv_cmd_printf("    no statuses\n");
        return;
    }
    for (i32 i = 0; i < n; ++i) {
        char line[SV_STATUS_LINE];
        sv_status_line(&rows[i], line);
        sv_cmd_printf("    %s\n", sv_cmd_shown(line));
    }
}

void print_mob(const sv_floor* floor, u32 id)
{
    const sv_mob* m = floor && id < floor->mob_count ? sv_floor_mob_const(floor, (u16)id) : nullptr;
    if (!m) {
        sv_cmd_printf("  mob %u: no such slot on this floor\n", id);
        return;
    }
    const sv_action* a = first_action(&m->body);
    sv_cmd_printf("  mob %u  %s%s  room %u  hp %.0f/%.0f  damage %.0f  speed %.1f  turn %.0f  "
                  "reach %.2f  windup %.2f  active %.2f  recovery %.2f  phase %u\n",
                  id, sv_cmd_shown(m->name), m->boss ? " (boss)" : "", (unsigned)m->place,
                  (double)m->hp, (double)m->body.hp, a ? (double)a->damage : 0.0,
                  (double)m->body.speed, (double)m->body.turn, a ? (double)a->reach : 0.0,
                  a ? (double)a->windup : 0.0, a ? (double)a->active : 0.0,
                  a ? (double)a->recovery : 0.0, (unsigned)m->phase);
}

void print_chest(const sv_floor* floor, u32 room)
{
    const sv_chest* c = floor && room <= 65535u ? sv_floor_chest_in(floor, (u16)room) : nullptr;
    if (!c) {
        sv_cmd_printf("  chest in room %u: none\n", room);
        return;
    }
    sv_cmd_printf("  chest in room %u  %s  locked %d  opened %d\n", room,
                  sv_rarity_name((i32)c->rarity), c->locked ? 1 : 0, c->opened ? 1 : 0);
}

void print_selection(void)
{
    sv_floor* floor = sv_gen_current();
    u32 id = g_debug.sel_id;
    switch (g_debug.sel_kind) {
    case SV_SEL_MOB: print_mob(floor, id); return;
    case SV_SEL_CHEST: print_chest(floor, id); return;
    case SV_SEL_LANDMARK: {
        const sv_room* r = room_at(floor, id);
        bool monument = r && (r->tags & SV_TAG_MONUMENT);
        sv_cmd_printf("  %s in room %u -- nothing to set yet\n", monument ? "monument" : "fountain",
                      id);
        return;
    }
    case SV_SEL_KEY: {
        const sv_room* r = room_at(floor, id);
        if (!r) {
            sv_cmd_printf("  keys in room %u: no such room on this floor\n", id);
            return;
        }
        u8 taken = sv_floor_taken(floor, (u16)id);
        bool prism = (r->tags & SV_TAG_PRISM) && !(taken & SV_TAG_PRISM);
        bool shard = (r->tags & SV_TAG_SHARD) && !(taken & SV_TAG_SHARD);
        sv_cmd_printf("  keys in room %u: %s%s\n", id, prism ? "prism " : "", shard ? "shard" : "");
        return;
    }
    case SV_SEL_PLAYER: {
        const sv_walker* w = player_walker();
        if (!w) {
            sv_cmd_printf("  player: no player\n");
            return;
        }
        sv_cmd_printf("  player  room %u  hp %.0f/%.0f  stamina %.0f  grit %u\n", (unsigned)w->room,
                      (double)sv_player_health(&w->player), sv_tune(SV_TUNE_PLAYER_MAX_HP),
                      (double)sv_player_stamina(&w->player), w->player.grit);
        print_statuses(&w->player.afflictions);
        return;
    }
    default:
        sv_cmd_printf("  nothing selected -- aim at a mob or stand by a prop and `select`\n");
        return;
    }
}

void set_selection(u32 kind, u32 id)
{
    g_debug.sel_kind = kind;
    g_debug.sel_id = id;
}

// ---- give -----------------------------------------------------------------------------------

i32 give_weapon(sv_player* player, const char* id)
{
    const sv_weapon_def* w = sv_content_weapon_find(id);
    if (!w) {
        sv_cmd_printf("no weapon '%s' in the content; try:\n", sv_cmd_shown(id));
        for (u64 i = 0; i < sv_content_weapon_count(); ++i)
            sv_cmd_printf("  %s\n", sv_cmd_shown(sv_content_weapon_at(i)->id));
        return 1;
    }
    sv_player_arm(player, (u8)(w->slot <= SV_SLOT_RANGED ? w->slot : 255u), &w->body);
    if (g_slot_names && w->slot <= SV_SLOT_RANGED)
        std::snprintf(g_slot_names[w->slot], SV_WEAPON_NAME, "%s", w->name ? w->name : "");
    bool ranged = w->slot == SV_SLOT_RANGED;
    if (ranged)
        sv_player_give_grit(player, tune_whole(SV_TUNE_GRIT_START));
    sv_cmd_printf("  %s in the %s slot%s\n", sv_cmd_shown(w->name ? w->name : w->id),
                  sv_weapon_slot_name(w->slot), ranged ? ", with grit" : "");
    return 0;
}

i32 cmd_give(const sv_cmd_args* a)
{
    if (a->argc < 2 || a->argc > 3) {
        sv_cmd_printf("%s", k_give_usage);
        return 1;
    }
    sv_walker* walker = player_walker();
    if (!walker) {
        sv_cmd_printf("no player to give to\n");
        return 1;
    }
    sv_player* player = &walker->player;
    const char* what = a->argv[1];
    if (std::strcmp(what, "weapon") == 0) {
        if (a->argc != 3) {
            sv_cmd_printf("usage: give weapon <id>\n");
            return 1;
        }
        return give_weapon(player, a->argv[2]);
    }
    u32 count = 1;
    if (a->argc == 3 && !parse_count(a->argv[2], &count)) {
        sv_cmd_printf("%s", k_count_refused);
        return 1;
    }
    if (std::strcmp(what, "shard") == 0 || std::strcmp(what, "prism") == 0) {
        u32* held = what[0] == 's' ? &player->shards : &player->prisms;
        *held = saturating_add(*held, count);
        sv_cmd_printf("  %s: %u\n", what, *held);
        return 0;
    }
    if (std::strcmp(what, "grit") == 0) {
        u32 added = sv_player_give_grit(player, count);
        sv_cmd_printf("  grit: %u (%u added; grit.max is %u)\n", player->grit, added,
                      tune_whole(SV_TUNE_GRIT_MAX));
        return 0;
    }
    sv_cmd_printf("'%s' is not a key or grit -- shard, prism or grit\n", sv_cmd_shown(what));
    return 1;
}

// ---- spawn ----------------------------------------------------------------------------------

void list_spawnables(void)
{
    for (u64 i = 0; i < sv_content_mob_count(); ++i) {
        const sv_mob_def* m = sv_content_mob_at(i);
        const sv_action* a = first_action(&m->body);
        sv_cmd_printf("  %-16s mob     %u-gon   hp %.0f dmg %.0f\n", sv_cmd_shown(m->id),
                      (unsigned)m->sides, (double)m->body.hp, a ? (double)a->damage : 0.0);
    }
    for (u64 i = 0; i < sv_content_scion_count(); ++i) {
        const sv_scion_def* s = sv_content_scion_at(i);
        const sv_action* a = first_action(&s->body);
        sv_cmd_printf("  %-16s scion           hp %.0f dmg %.0f\n", sv_cmd_shown(s->id),
                      (double)s->body.hp, a ? (double)a->damage : 0.0);
    }
    for (u64 i = 0; i < sv_content_axiom_count(); ++i) {
        const sv_axiom_def* x = sv_content_axiom_at(i);
        const sv_action* a = first_action(&x->body);
        sv_cmd_printf("  %-16s axiom   %u faces hp %.0f dmg %.0f\n", sv_cmd_shown(x->id), x->faces,
                      (double)x->body.hp, a ? (double)a->damage : 0.0);
    }
}

// How far the ray from p along dir (unit) runs before it meets an edge of the place's wall
// polygon, doorways included (a body stood beyond one would stand in another place); limit when
// it meets none on the way.
f32 distance_to_wall(const sv_geom* geom, Vector2 p, Vector2 dir, f32 limit)
{
    f32 best = limit;
    u8 n = geom->vertex_count;
    for (u8 i = 0; i < n; ++i) {
        Vector2 a = geom->vertices[i];
        Vector2 b = geom->vertices[(i + 1) % n];
        Vector2 e = {b.x - a.x, b.y - a.y};
        f32 denom = dir.x * e.y - dir.y * e.x;
        if (std::fabs(denom) < 1e-9f)
            continue; // parallel: the ray never meets this edge head on
        Vector2 ap = {a.x - p.x, a.y - p.y};
        f32 t = (ap.x * e.y - ap.y * e.x) / denom;     // along the ray
        f32 s = (ap.x * dir.y - ap.y * dir.x) / denom; // along the edge
        if (t >= 0.0f && s >= 0.0f && s <= 1.0f && t < best)
            best = t;
    }
    return best;
}

// Where a body would stand in front of the player: 1 with the point, or 0 when no room is there.
int spawn_point(const sv_walker* w, f32* x, f32* z)
{
    const sv_player* p = &w->player;
    f32 r = 2.0f * (f32)sv_tune(SV_TUNE_PLAYER_RADIUS);
    Vector2 from = {p->x, p->z};
    Vector2 dir = {sv_cosf(p->yaw), sv_sinf(p->yaw)};
    // Pulled back from the first wall on the sight line, so the push out of the walls below can
    // never carry it through a wall to the far side.
    f32 ahead = distance_to_wall(&w->geom, from, dir, k_spawn_ahead + r) - r;
    if (ahead > k_spawn_ahead)
        ahead = k_spawn_ahead;
    if (ahead < r)
        return 0;
    *x = from.x + dir.x * ahead;
    *z = from.y + dir.y * ahead;
    sv_player_collide(&w->geom, x, z, r, p->y, (f32)sv_tune(SV_TUNE_PLAYER_STEP_HEIGHT));
    f32 dx = *x - from.x, dz = *z - from.y;
    if (dx * dx + dz * dz < r * r)
        return 0;
    return sv_geom_contains(&w->geom, Vector2 {*x, *z});
}

i32 cmd_spawn(const sv_cmd_args* a)
{
    sv_floor* floor = sv_gen_current();
    sv_walker* w = player_walker();
    if (!floor || !w) {
        sv_cmd_printf("no floor to spawn on\n");
        return 1;
    }
    if (a->argc != 2) {
        sv_cmd_printf("usage: spawn <id>, any of:\n");
        list_spawnables();
        return 1;
    }
    sv_body body;
    sv_mob_kind kind = 0;
    const char* name = nullptr;
    if (!sv_boss_entry(a->argv[1], &body, &kind, &name)) {
        sv_cmd_printf("nothing called '%s' -- the pack has:\n", sv_cmd_shown(a->argv[1]));
        list_spawnables();
        return 1;
    }
    f32 x = 0.0f, z = 0.0f;
    if (!spawn_point(w, &x, &z)) {
        sv_cmd_printf("no room in front of the player to stand it\n");
        return 1;
    }
    i32 index = sv_floor_add_mob(floor, w->place, x, z, w->player.yaw + k_pi, &body, kind,
                                 name ? name : a->argv[1], 0);
    if (index < 0) {
        sv_cmd_printf("the floor has no slot left for it\n");
        return 1;
    }
    const sv_mob* m = sv_floor_mob_const(floor, (u16)index);
    const sv_action* act = first_action(&m->body);
    sv_cmd_printf("  %s in place %u, mob %d: hp %.0f, hits for %.0f after %.2fs\n",
                  sv_cmd_shown(m->name), (unsigned)w->place, index, (double)m->hp,
                  act ? (double)act->damage : 0.0, act ? (double)act->windup : 0.0);
    return 0;
}

// ---- heal, passive, select, selected --------------------------------------------------------

i32 cmd_heal(const sv_cmd_args*)
{
    sv_walker* w = player_walker();
    if (!w) {
        sv_cmd_printf("no player\n");
        return 1;
    }
    sv_player_revive(&w->player);
    sv_cmd_printf("  health %.0f\n", (double)sv_player_health(&w->player));
    return 0;
}

i32 cmd_passive(const sv_cmd_args* a)
{
    if (a->argc == 1) {
        sv_combat_set_passive(sv_combat_passive() ? 0 : 1);
    } else if (std::strcmp(a->argv[1], "on") == 0) {
        sv_combat_set_passive(1);
    } else if (std::strcmp(a->argv[1], "off") == 0) {
        sv_combat_set_passive(0);
    } else {
        sv_cmd_printf("usage: passive [on|off]\n");
        return 1;
    }
    sv_cmd_printf("  mobs are %s\n", sv_combat_passive() ? "passive" : "hostile");
    return 0;
}

u32 kind_named(const char* word)
{
    if (std::strcmp(word, "mob") == 0)
        return SV_SEL_MOB;
    if (std::strcmp(word, "chest") == 0)
        return SV_SEL_CHEST;
    if (std::strcmp(word, "landmark") == 0)
        return SV_SEL_LANDMARK;
    if (std::strcmp(word, "key") == 0)
        return SV_SEL_KEY;
    return SV_SEL_NONE;
}

i32 cmd_select(const sv_cmd_args* a)
{
    sv_floor* floor = sv_gen_current();
    sv_walker* w = player_walker();
    if (!floor || !w) {
        sv_cmd_printf("no floor\n");
        return 1;
    }
    if (a->argc == 1) {
        i32 mob = sv_walker_mob_in_aim(w, floor);
        i32 prop = mob >= 0 ? SV_USE_NONE : sv_walker_prop_in_reach(w, floor);
        if (mob >= 0)
            set_selection(SV_SEL_MOB, (u32)mob);
        else if (prop == SV_USE_LANDMARK)
            set_selection(SV_SEL_LANDMARK, w->room);
        else if (prop == SV_USE_CHEST)
            set_selection(SV_SEL_CHEST, w->room);
        else
            set_selection(SV_SEL_NONE, 0);
        print_selection();
        return g_debug.sel_kind == SV_SEL_NONE ? 1 : 0;
    }
    if (a->argc == 2 && std::strcmp(a->argv[1], "player") == 0) {
        set_selection(SV_SEL_PLAYER, 0);
        print_selection();
        return 0;
    }
    u32 kind = a->argc == 3 ? kind_named(a->argv[1]) : SV_SEL_NONE;
    u64 id = 0;
    if (kind == SV_SEL_NONE || !parse_whole(a->argv[2], 4294967295ull, &id)) {
        sv_cmd_printf("%s", k_select_usage);
        return 1;
    }
    set_selection(kind, (u32)id);
    print_selection();
    return 0;
}

i32 cmd_selected(const sv_cmd_args*)
{
    print_selection();
    return 0;
}

// ---- mob ------------------------------------------------------------------------------------

// The fields `mob` sets: the mob's own numbers first, then those of its first action.
const char* const k_mob_fields[]
    = {"hp", "maxhp", "speed", "turn", "damage", "reach", "windup", "active", "recovery"};
const u32 k_first_action_field = 4;

// The field's index in k_mob_fields, or -1 for a name that is no field.
i32 mob_field_index(const char* name)
{
    for (u32 i = 0; i < sizeof k_mob_fields / sizeof k_mob_fields[0]; ++i)
        if (std::strcmp(name, k_mob_fields[i]) == 0)
            return (i32)i;
    return -1;
}

// The number a field names; act is the mob's first action (the floor's own copy).
f32* mob_field(sv_mob* m, sv_action* act, u32 field)
{
    f32* const fields[] = {&m->hp, &m->body.hp, &m->body.speed, &m->body.turn};
    if (field < k_first_action_field)
        return fields[field];
    f32* const of_action[]
        = {&act->damage, &act->reach, &act->windup, &act->active, &act->recovery};
    return of_action[field - k_first_action_field];
}

i32 cmd_mob(const sv_cmd_args* a)
{
    if (g_debug.sel_kind != SV_SEL_MOB) {
        sv_cmd_printf("no mob selected (`select`, aimed at one)\n");
        return 1;
    }
    sv_floor* floor = sv_gen_current();
    u32 id = g_debug.sel_id;
    sv_mob* m = mob_at(floor, id);
    if (!m) {
        sv_cmd_printf("mob %u is not on this floor\n", id);
        return 1;
    }
    if (a->argc == 1) {
        print_mob(floor, id);
        return 0;
    }
    if (a->argc != 3) {
        sv_cmd_printf("%s", k_mob_usage);
        return 1;
    }
    i32 field = mob_field_index(a->argv[1]);
    if (field < 0) {
        sv_cmd_printf("'%s' is not a field\n", sv_cmd_shown(a->argv[1]));
        return 1;
    }
    f32 value = 0.0f;
    if (!parse_number(a->argv[2], &value)) {
        sv_cmd_printf("'%s' is not a number\n", sv_cmd_shown(a->argv[2]));
        return 1;
    }
    // The floor's own copy of the actions: changing it never touches the content.
    sv_action* act = m->body.action_count > 0 ? m->body.actions : nullptr;
    if ((u32)field >= k_first_action_field && !act) {
        sv_cmd_printf("this mob has no actions\n");
        return 1;
    }
    // Health bars and wounds divide by the maximum health.
    if (field == 1 && !(value > 0.0f)) {
        sv_cmd_printf("maxhp must be above 0\n");
        return 1;
    }
    *mob_field(m, act, (u32)field) = value;
    if (field == 0 && !(value > 0.0f))
        sv_floor_kill_mob(floor, (u16)id);
    print_mob(floor, id);
    return 0;
}

// ---- status ---------------------------------------------------------------------------------

sv_affliction* held(sv_afflictions* list, u32 key)
{
    for (u8 i = 0; i < list->count; ++i)
        if (list->items[i].status.key == key)
            return &list->items[i];
    return nullptr;
}

// Applies apply count times. Once an application leaves the stack as it was, further ones change
// nothing more, so applying stops there; and since the applications are identical, a stack still
// growing after the second of them takes the rest in one step, so any count ends at once.
i32 afflict_times(sv_afflictions* list, const sv_apply* apply, u32 count)
{
    for (u32 i = 0; i < count; ++i) {
        const sv_affliction* had = sv_afflictions_find(list, apply->key);
        u32 before = had ? had->stacks : 0;
        if (!sv_afflict(list, apply))
            return 0;
        if (!had)
            continue;
        sv_affliction* now = held(list, apply->key);
        if (now->stacks == before)
            return 1;
        u32 limit = now->status.stack_cap ? now->status.stack_cap : 4294967295u;
        u32 rest = count - i - 1;
        if (now->stacks < limit)
            now->stacks += rest < limit - now->stacks ? rest : limit - now->stacks;
        return 1;
    }
    return 1;
}

i32 status_apply(sv_afflictions* list, const char* target, const sv_cmd_args* a)
{
    const sv_status_def* def = sv_content_status_find(a->argv[1]);
    if (!def) {
        sv_cmd_printf("no status '%s' in the content; try:\n", sv_cmd_shown(a->argv[1]));
        for (u64 i = 0; i < sv_content_status_count(); ++i)
            sv_cmd_printf("  %s\n", sv_cmd_shown(sv_content_status_at(i)->id));
        return 1;
    }
    sv_apply apply = def->apply;
    u32 count = 1;
    u32 next = 2;
    if (apply.stacks && next < a->argc) {
        if (!parse_count(a->argv[next], &count)) {
            sv_cmd_printf("%s", k_count_refused);
            return 1;
        }
        ++next;
    }
    if (next < a->argc) {
        f32 seconds = 0.0f;
        if (!parse_number(a->argv[next], &seconds) || seconds < 0.0f) {
            sv_cmd_printf("duration must be seconds, 0 or more (0 is indefinite)\n");
            return 1;
        }
        apply.duration = seconds;
        ++next;
    }
    if (next < a->argc) {
        if (!parse_number(a->argv[next], &apply.magnitude)) {
            sv_cmd_printf("magnitude must be a number\n");
            return 1;
        }
        ++next;
    }
    if (next < a->argc) {
        sv_cmd_printf("%s", k_status_usage);
        return 1;
    }
    const char* name = def->name ? def->name : def->id;
    if (!afflict_times(list, &apply, count)) {
        sv_cmd_printf("  %s not applied: %s holds %u already\n", sv_cmd_shown(name),
                      sv_cmd_shown(target), SV_AFFLICTIONS);
        return 1;
    }
    sv_cmd_printf("  %s:\n", sv_cmd_shown(target));
    print_statuses(list);
    return 0;
}

i32 status_remove(sv_afflictions* list, const char* target, const sv_cmd_args* a)
{
    if (a->argc != 3) {
        sv_cmd_printf("usage: status remove <id>\n");
        return 1;
    }
    const char* id = a->argv[2];
    const sv_status_def* def = sv_content_status_find(id);
    u32 key = def ? def->apply.key : sv_status_key(id);
    const char* name = def && def->name ? def->name : id;
    if (!sv_afflictions_remove(list, key)) {
        sv_cmd_printf("  %s does not have '%s'\n", sv_cmd_shown(target), sv_cmd_shown(id));
        return 1;
    }
    sv_cmd_printf("  %s: %s removed\n", sv_cmd_shown(target), sv_cmd_shown(name));
    return 0;
}

i32 cmd_status(const sv_cmd_args* a)
{
    sv_floor* floor = sv_gen_current();
    sv_walker* w = player_walker();
    if (!floor || !w) {
        sv_cmd_printf("no floor\n");
        return 1;
    }
    sv_afflictions* list = nullptr;
    const char* target = "the player";
    if (g_debug.sel_kind == SV_SEL_MOB) {
        sv_mob* m = mob_at(floor, g_debug.sel_id);
        if (!m) {
            sv_cmd_printf("mob %u is not on this floor\n", g_debug.sel_id);
            return 1;
        }
        if (!m->afflictions) {
            sv_cmd_printf("mob %u carries no status list\n", g_debug.sel_id);
            return 1;
        }
        list = m->afflictions;
        target = m->name;
    } else if (g_debug.sel_kind == SV_SEL_PLAYER) {
        list = &w->player.afflictions;
    } else {
        sv_cmd_printf("select the player or a mob first (`select player`, or `select` aimed at "
                      "one)\n");
        return 1;
    }
    if (a->argc == 1) {
        sv_cmd_printf("  %s:\n", sv_cmd_shown(target));
        print_statuses(list);
        return 0;
    }
    if (std::strcmp(a->argv[1], "clear") == 0) {
        if (a->argc != 2) {
            sv_cmd_printf("usage: status clear\n");
            return 1;
        }
        u32 removed = list->count;
        sv_afflictions_clear(list);
        sv_cmd_printf("  %s: %u status%s removed\n", sv_cmd_shown(target), removed,
                      removed == 1 ? "" : "es");
        return 0;
    }
    if (std::strcmp(a->argv[1], "remove") == 0)
        return status_remove(list, target, a);
    return status_apply(list, target, a);
}

// ---- chest, kill ----------------------------------------------------------------------------

i32 cmd_chest(const sv_cmd_args* a)
{
    if (g_debug.sel_kind != SV_SEL_CHEST) {
        sv_cmd_printf("no chest selected (`select`, standing by one)\n");
        return 1;
    }
    sv_floor* floor = sv_gen_current();
    u32 room = g_debug.sel_id;
    sv_chest* c = chest_at(floor, room);
    if (!c) {
        sv_cmd_printf("no chest in room %u\n", room);
        return 1;
    }
    if (a->argc == 1) {
        print_chest(floor, room);
        return 0;
    }
    u64 value = 0;
    bool locked = a->argc == 3 && std::strcmp(a->argv[1], "locked") == 0;
    bool opened = a->argc == 3 && std::strcmp(a->argv[1], "opened") == 0;
    if ((!locked && !opened) || !parse_whole(a->argv[2], 4294967295ull, &value)) {
        sv_cmd_printf("%s", k_chest_usage);
        return 1;
    }
    (locked ? c->locked : c->opened) = value != 0 ? 1 : 0;
    print_chest(floor, room);
    return 0;
}

i32 cmd_kill(const sv_cmd_args*)
{
    if (g_debug.sel_kind != SV_SEL_MOB) {
        sv_cmd_printf("no mob selected\n");
        return 1;
    }
    sv_floor* floor = sv_gen_current();
    u32 id = g_debug.sel_id;
    if (!mob_at(floor, id) || !sv_floor_kill_mob(floor, (u16)id)) {
        sv_cmd_printf("mob %u is not on this floor\n", id);
        return 1;
    }
    print_mob(floor, id);
    return 0;
}

} // namespace

void sv_debug_register_commands(void)
{
    sv_cmd_register("give", "give shard|prism|grit [count] | give weapon <id>",
                    "a key, rounds, or any content entry into the player's hands", 0, cmd_give);
    sv_cmd_register("spawn", "spawn <id>",
                    "stand any mob, Scion or Axiom in front of the player; it seals nothing", 0,
                    cmd_spawn);
    sv_cmd_register("heal", "heal", "the player whole and alive", 0, cmd_heal);
    sv_cmd_register("passive", "passive [on|off]", "no mob walks, turns or winds up", 0,
                    cmd_passive);
    sv_cmd_register("select", "select [player | mob|chest|landmark|key <id>]",
                    "select the mob under the crosshair, the prop in reach, or one by id", 0,
                    cmd_select);
    sv_cmd_register("selected", "selected", "what is selected", 0, cmd_selected);
    sv_cmd_register("mob", "mob [<field> <value>]",
                    "the selected mob's stats, or set one: hp maxhp damage speed turn reach windup "
                    "active recovery",
                    0, cmd_mob);
    sv_cmd_register("status", "status [<id> [count] [duration] [magnitude] | remove <id> | clear]",
                    "the selection's statuses (player or mob): list, apply (count only if it "
                    "stacks; duration 0 is indefinite; defaults are the entry's), remove one, "
                    "remove all",
                    0, cmd_status);
    sv_cmd_register("chest", "chest [locked|opened 0|1]", "the selected chest, or set it", 0,
                    cmd_chest);
    sv_cmd_register("kill", "kill", "kill the selected mob; a boss's room opens", 0, cmd_kill);
}

u32 sv_debug_selected_kind(void)
{
    return g_debug.sel_kind;
}

u32 sv_debug_selected_id(void)
{
    return g_debug.sel_id;
}

void sv_debug_bind(sv_walker* walker, char (*weapon_name)[SV_WEAPON_NAME])
{
    g_give_walker = walker;
    g_slot_names = weapon_name;
}

void sv_debug_follow(sv_walker* walker)
{
    g_give_walker = walker;
    g_slot_names = nullptr;
    g_debug.follow = walker;
    g_debug.follow_serial = 0; // started at the next command; no gen ever has serial 0
}

void sv_debug_reset(void)
{
    std::memset(&g_debug, 0, sizeof g_debug);
    g_give_walker = nullptr;
    g_slot_names = nullptr;
    sv_combat_set_passive(0);
}

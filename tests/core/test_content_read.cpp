// The readers of the nine content kinds: defaults, conversions, clamps, refusals and the exact
// texts of their diagnostics.
#include <cfloat>
#include <cmath>
#include <cstring>

#include "test_content_fixture.h"

namespace {

using ContentRead = ContentTest;

// ---- Mobs, actions and the shared number reader ----

TEST_F(ContentRead, MobWithOnlyIdAndNameTakesEveryDefault)
{
    EXPECT_EQ(load_one("data/mobs.json", R"([{"id": "p:m", "name": "Mote"}])"), 1);
    EXPECT_EQ(sv_diag_count(), 0u) << dump();
    const sv_mob_def* m = sv_content_mob_find("p:m");
    ASSERT_NE(m, nullptr);
    EXPECT_STREQ(m->name, "Mote");
    EXPECT_EQ(m->depth_min, 2);
    EXPECT_EQ(m->depth_max, 0);
    EXPECT_EQ(m->weight, 1.0);
    EXPECT_EQ(m->observer, 0);
    EXPECT_EQ(m->body.hp, 20.0f);
    EXPECT_EQ(m->body.speed, 2.5f);
    EXPECT_EQ(m->body.turn, 180.0f);
    EXPECT_EQ(m->body.leash, -1.0f);
    EXPECT_EQ(m->body.give_up, -1.0f);
    EXPECT_EQ(m->sides, 6);
    EXPECT_EQ(m->axis, SV_AXIS_UP);
    EXPECT_EQ(m->custom, nullptr);
    ASSERT_EQ(m->body.action_count, 1);
    const sv_action& a = m->body.actions[0];
    EXPECT_STREQ(a.name, "strike");
    EXPECT_EQ(a.damage, 10.0f);
    EXPECT_EQ(a.reach, 1.2f);
    EXPECT_EQ(a.windup, 0.6f);
    EXPECT_EQ(a.active, 0.15f);
    EXPECT_EQ(a.recovery, 0.6f);
    EXPECT_EQ(a.sweep, 1);
    EXPECT_EQ(a.when, 0);
    EXPECT_EQ(a.from, 0.0f);
    EXPECT_EQ(a.speed, 0.0f);
    EXPECT_EQ(a.applies.count, 0);
}

TEST_F(ContentRead, MobDepthBand)
{
    load_one("data/mobs.json", R"([
        {"id": "p:bad", "name": "Bad", "depth_min": 3, "depth_max": 2},
        {"id": "p:open", "name": "Open", "depth_min": 3, "depth_max": 0}
    ])");
    EXPECT_EQ(sv_content_mob_find("p:bad"), nullptr);
    expect_diag("depth_max 2 is below depth_min 3, so it is eligible on no floor", SV_DIAG_ERROR,
                SV_DIAG_OUT_OF_RANGE, "p:bad");
    const sv_mob_def* m = sv_content_mob_find("p:open");
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->depth_min, 3);
    EXPECT_EQ(m->depth_max, 0);
}

TEST_F(ContentRead, MobClampsAndConversions)
{
    load_one("data/mobs.json",
             R"([{"id": "p:m", "name": "M", "hp": 0, "sides": 4.5, "speed": "fast",
        "turn": 9000, "depth_min": 0, "observer": 1, "axis": "sideways", "leash": 5, "give_up": 200}])");
    const sv_mob_def* m = sv_content_mob_find("p:m");
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->body.hp, 0.01f);
    expect_diag("'p:m': 'hp' is 0, clamped to 0.01", SV_DIAG_WARNING, SV_DIAG_OUT_OF_RANGE, "hp");
    EXPECT_EQ(m->sides, 5);
    expect_diag("'p:m': 'sides' must be a whole number, truncating 4.5", SV_DIAG_WARNING,
                SV_DIAG_WRONG_TYPE, "sides");
    expect_diag("'p:m': a 4-sided prism is a box, and boxes are the Axiom's; using 5",
                SV_DIAG_WARNING, SV_DIAG_OUT_OF_RANGE, "sides");
    EXPECT_EQ(m->body.speed, 2.5f);
    expect_diag("'p:m': 'speed' must be a number, using 2.5", SV_DIAG_WARNING, SV_DIAG_WRONG_TYPE,
                "speed");
    EXPECT_EQ(m->body.turn, 3600.0f);
    expect_diag("'p:m': 'turn' is 9000, clamped to 3600", SV_DIAG_WARNING, SV_DIAG_OUT_OF_RANGE,
                "turn");
    EXPECT_EQ(m->depth_min, 1);
    EXPECT_EQ(m->observer, 0);
    expect_diag("'p:m': 'observer' must be true or false, using false", SV_DIAG_WARNING,
                SV_DIAG_WRONG_TYPE, "observer");
    EXPECT_EQ(m->axis, SV_AXIS_UP);
    expect_diag("'p:m': no such axis 'sideways'; one of up|forward|side", SV_DIAG_WARNING,
                SV_DIAG_OUT_OF_RANGE, "axis");
    EXPECT_EQ(m->body.leash, 5.0f);
    EXPECT_EQ(m->body.give_up, 100.0f);
}

// Numbers the JSON text can hold but the fields cannot: never cast beyond the stored type.
TEST_F(ContentRead, InfiniteAndHugeNumbersAreClampedToTheField)
{
    load_one("data/mobs.json", R"([{"id": "p:m", "name": "M", "hp": 1e999, "depth_min": 1e999,
        "weight": -1e999, "sides": 1e300, "damage": 1e39}])");
    const sv_mob_def* m = sv_content_mob_find("p:m");
    ASSERT_NE(m, nullptr) << dump();
    EXPECT_EQ(m->body.hp, FLT_MAX);
    expect_diag("'p:m': 'hp' is inf, clamped to 3.40282e+38", SV_DIAG_WARNING, SV_DIAG_OUT_OF_RANGE,
                "hp");
    EXPECT_EQ(m->depth_min, 2147483647);
    expect_diag("'p:m': 'depth_min' is inf, clamped to 2.14748e+09", SV_DIAG_WARNING,
                SV_DIAG_OUT_OF_RANGE, "depth_min");
    EXPECT_EQ(m->weight, 0.0);
    EXPECT_EQ(m->sides, 8);
    EXPECT_EQ(m->body.actions[0].damage, FLT_MAX);
}

TEST_F(ContentRead, WeaponFacetsBeyondTheTypeAreClamped)
{
    load_one("data/weapons.json", R"([{"id": "p:w", "name": "W", "slot": "ranged", "facets": 1e12,
        "grit": 1e10}])");
    const sv_weapon_def* w = sv_content_weapon_find("p:w");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->facets, 2147483647);
    EXPECT_EQ(w->body.primary.grit, 4294967295u);
    expect_diag("'p:w': 'grit' is 1e+10, clamped to 4.29497e+09", SV_DIAG_WARNING,
                SV_DIAG_OUT_OF_RANGE, "grit");
}

TEST_F(ContentRead, ActionsArrayRules)
{
    load_one("data/mobs.json", R"([{"id": "p:m", "name": "M", "actions": [
        7,
        {"name": "a very long action name", "damage": 3, "from": 3, "reach": 2, "colour": 1},
        "x",
        {"when": "windup", "sweep": "left"},
        {"when": "later", "sweep": 1},
        {"when": "recovery", "speed": 12, "applies": [{"status": "p:none"}]},
        {"name": "fifth"},
        {"name": "sixth"}
    ]}])");
    const sv_mob_def* m = sv_content_mob_find("p:m");
    ASSERT_NE(m, nullptr);
    ASSERT_EQ(m->body.action_count, 4);
    EXPECT_EQ(count_of("'p:m': an action must be an object; dropped"), 2u);
    EXPECT_EQ(count_of("'p:m': more than 4 actions; the rest dropped"), 1u);
    expect_diag("'p:m': more than 4 actions; the rest dropped", SV_DIAG_WARNING,
                SV_DIAG_OUT_OF_RANGE, "actions");
    expect_diag("'p:m': not a field of an action", SV_DIAG_WARNING, SV_DIAG_UNKNOWN_KEY, "colour");
    const sv_action* a = m->body.actions;
    EXPECT_STREQ(a[0].name, "a very long act");
    EXPECT_EQ(a[0].damage, 3.0f);
    EXPECT_EQ(a[0].from, 2.0f);
    expect_diag("'p:m': an action's 'from' (3.00) is past its 'reach' (2.00); set to the reach",
                SV_DIAG_WARNING, SV_DIAG_OUT_OF_RANGE, "from");
    EXPECT_STREQ(a[1].name, "strike");
    EXPECT_EQ(a[1].when, 1);
    EXPECT_EQ(a[1].sweep, -1);
    EXPECT_EQ(a[1].reach, 1.2f);
    EXPECT_EQ(a[2].when, 0);
    EXPECT_EQ(a[2].sweep, 1);
    expect_diag("'p:m': an action's 'when' is 'any', 'windup', 'active' or 'recovery'; usable at "
                "any moment",
                SV_DIAG_WARNING, SV_DIAG_OUT_OF_RANGE, "when");
    expect_diag("'p:m': an action's 'sweep' is 'left' or 'right'; from the right", SV_DIAG_WARNING,
                SV_DIAG_OUT_OF_RANGE, "sweep");
    EXPECT_EQ(a[3].when, 3);
    EXPECT_EQ(a[3].speed, 12.0f);
    // The unknown status is reported when references are resolved, against the owner.
    expect_diag("applies status 'p:none', which nothing defines", SV_DIAG_ERROR,
                SV_DIAG_DANGLING_REF, "p:m");
}

TEST_F(ContentRead, ActionsNotAnArrayFallBackAndEmptyArrayHasNone)
{
    load_one("data/mobs.json", R"([
        {"id": "p:a", "name": "A", "actions": {}, "damage": 4},
        {"id": "p:b", "name": "B", "actions": [], "damage": 4}
    ])");
    expect_diag(
        "'p:a': 'actions' must be an array of objects; using the entry's own fields as one action",
        SV_DIAG_WARNING, SV_DIAG_WRONG_TYPE, "actions");
    ASSERT_NE(sv_content_mob_find("p:a"), nullptr);
    ASSERT_EQ(sv_content_mob_find("p:a")->body.action_count, 1);
    EXPECT_EQ(sv_content_mob_find("p:a")->body.actions[0].damage, 4.0f);
    ASSERT_NE(sv_content_mob_find("p:b"), nullptr);
    EXPECT_EQ(sv_content_mob_find("p:b")->body.action_count, 0);
}

TEST_F(ContentRead, AppliesEntries)
{
    load_one("data/mobs.json", R"([
        {"id": "p:a", "name": "A", "applies": 3},
        {"id": "p:b", "name": "B", "applies": [1, {"magnitude": 2}, {"status": 4},
            {"status": "p:s", "magnitude": "big", "duration": 1e300, "colour": 2}]}
    ])");
    expect_diag("'p:a': 'applies' must be an array of objects; ignored", SV_DIAG_WARNING,
                SV_DIAG_WRONG_TYPE, "applies");
    EXPECT_EQ(count_of("'p:b': an 'applies' entry needs a 'status' id; dropped"), 3u);
    expect_diag("'p:b': not a field of an 'applies' entry", SV_DIAG_WARNING, SV_DIAG_UNKNOWN_KEY,
                "colour");
    expect_diag("'p:b': 'duration' is 1e+300, clamped to 3.40282e+38", SV_DIAG_WARNING,
                SV_DIAG_OUT_OF_RANGE, "duration");
    ASSERT_NE(sv_content_mob_find("p:a"), nullptr);
    EXPECT_EQ(sv_content_mob_find("p:a")->raw[0].count, 0u);
    ASSERT_NE(sv_content_mob_find("p:b"), nullptr);
    const sv_raw_list& raw = sv_content_mob_find("p:b")->raw[0];
    ASSERT_EQ(raw.count, 1u);
    EXPECT_STREQ(raw.items[0].status, "p:s");
    EXPECT_TRUE(std::isnan(raw.items[0].magnitude));
    EXPECT_EQ(raw.items[0].duration, (f64)FLT_MAX);
}

TEST_F(ContentRead, NameIsRequired)
{
    load_one("data/mobs.json", R"([
        {"id": "p:a"}, {"id": "p:b", "name": 3}, {"id": "p:c", "name": ""}
    ])");
    EXPECT_EQ(sv_content_mob_count(), 0u);
    expect_diag("p:a has no 'name'", SV_DIAG_ERROR, SV_DIAG_MISSING_FIELD, "name");
    expect_diag("p:b: 'name' must be a string", SV_DIAG_ERROR, SV_DIAG_WRONG_TYPE, "name");
    expect_diag("p:c: 'name' is empty", SV_DIAG_ERROR, SV_DIAG_MISSING_FIELD, "name");
}

TEST_F(ContentRead, CustomIsStoredAsCompactText)
{
    load_one("data/chests.json", R"([
        {"id": "p:a", "name": "A", "custom": { "glow" : [1, 2] }},
        {"id": "p:b", "name": "B", "custom": 5}
    ])");
    ASSERT_NE(sv_content_chest_find("p:a"), nullptr);
    EXPECT_STREQ(sv_content_chest_find("p:a")->custom, "{\"glow\":[1,2]}");
    expect_diag("'p:a': stored for a later binding surface; nothing reads it yet", SV_DIAG_INFO,
                SV_DIAG_UNKNOWN_KEY, "custom");
    ASSERT_NE(sv_content_chest_find("p:b"), nullptr);
    EXPECT_EQ(sv_content_chest_find("p:b")->custom, nullptr);
    expect_diag("'p:b': 'custom' must be an object of the pack's own keys, ignored",
                SV_DIAG_WARNING, SV_DIAG_WRONG_TYPE, "custom");
}

// ---- Scions and Axioms ----

TEST_F(ContentRead, ScionDefaults)
{
    mount("p",
          {{"data/scions.json", R"([{"id": "p:s", "name": "S"}])"},
           {"data/axioms.json", R"([{"id": "p:a", "name": "A", "scions": ["p:s"]}])"}});
    sv_pack_scan();
    sv_content_load();
    const sv_scion_def* s = sv_content_scion_find("p:s");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->body.hp, 80.0f);
    EXPECT_EQ(s->body.leash, 0.0f);
    EXPECT_EQ(s->body.give_up, 0.0f);
    ASSERT_EQ(s->body.action_count, 1);
    EXPECT_EQ(s->body.actions[0].damage, 15.0f);
    EXPECT_EQ(s->body.actions[0].reach, 1.4f);
    EXPECT_EQ(s->body.actions[0].recovery, 0.7f);
    const sv_axiom_def* a = sv_content_axiom_find("p:a");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->depth_min, 2);
    EXPECT_EQ(a->depth_max, 0);
    EXPECT_EQ(a->faces, 6u);
    EXPECT_EQ(a->weight, 1.0);
    EXPECT_EQ(a->body.hp, 120.0f);
    EXPECT_EQ(a->body.speed, 2.2f);
    EXPECT_EQ(a->body.actions[0].damage, 25.0f);
    EXPECT_EQ(a->body.actions[0].windup, 0.6f);
    EXPECT_EQ(a->body.actions[0].active, 0.2f);
}

TEST_F(ContentRead, AxiomScionList)
{
    load_one("data/axioms.json", R"([
        {"id": "p:a", "name": "A", "scions": ["p:s", 5, ""]},
        {"id": "p:b", "name": "B"},
        {"id": "p:c", "name": "C", "scions": "p:s"},
        {"id": "p:d", "name": "D", "scions": []},
        {"id": "p:e", "name": "E", "scions": [1]},
        {"id": "p:f", "name": "F", "scions": ["p:s"], "depth_min": 1, "faces": 7},
        {"id": "p:g", "name": "G", "scions": ["p:s"], "depth_min": 6, "depth_max": 4}
    ])");
    EXPECT_EQ(count_of("'p:a': every entry in 'scions' must be an id"), 2u);
    expect_diag("'p:a': every entry in 'scions' must be an id", SV_DIAG_ERROR, SV_DIAG_WRONG_TYPE,
                "scions");
    expect_diag("'p:b': an axiom must declare its scion set", SV_DIAG_ERROR, SV_DIAG_MISSING_FIELD,
                "scions");
    expect_diag("'p:c': 'scions' must be an array of ids", SV_DIAG_ERROR, SV_DIAG_WRONG_TYPE,
                "scions");
    expect_diag("'p:d': scion set is empty, axiom dropped", SV_DIAG_ERROR, SV_DIAG_MISSING_FIELD,
                "scions");
    EXPECT_NE(find("'p:e': scion set is empty, axiom dropped"), nullptr);
    expect_diag("'p:f': 'depth_min' is 1, clamped to 2", SV_DIAG_WARNING, SV_DIAG_OUT_OF_RANGE,
                "depth_min");
    expect_diag("'p:f': faces 7 is no Platonic solid (4, 6, 8, 12, 20); using 6", SV_DIAG_WARNING,
                SV_DIAG_OUT_OF_RANGE, "faces");
    EXPECT_NE(find("depth_max 4 is below depth_min 6, so it is eligible on no floor"), nullptr);
    // No Scion file: every surviving Axiom loses its one id in resolution.
    EXPECT_EQ(sv_content_axiom_count(), 0u);
    EXPECT_EQ(count_of("declares scion 'p:s', which nothing defines"), 2u);
}

// ---- Inclusions, elements, transforms ----

TEST_F(ContentRead, InclusionFieldsAndGrants)
{
    load_one("data/inclusions.json", R"([
        {"id": "p:a", "name": "A", "rarity": "rare", "restriction": "self", "weight": 2.5,
         "grants": {"set": "self", "count": 2.7}},
        {"id": "p:b", "name": "B", "rarity": "common"},
        {"id": "p:c", "name": "C"},
        {"id": "p:d", "name": "D", "rarity": 2},
        {"id": "p:e", "name": "E", "rarity": "mythic"},
        {"id": "p:f", "name": "F", "rarity": "common", "restriction": "feet"},
        {"id": "p:g", "name": "G", "rarity": "common", "grants": 1},
        {"id": "p:h", "name": "H", "rarity": "common", "grants": {"set": "melee", "size": 1}},
        {"id": "p:i", "name": "I", "rarity": "common", "grants": {"count": 1}},
        {"id": "p:j", "name": "J", "rarity": "common", "grants": {"set": "melee", "count": 0}},
        {"id": "p:k", "name": "K", "rarity": "common", "grants": {"set": "melee", "count": "one"}}
    ])");
    const sv_inclusion_def* a = sv_content_inclusion_find("p:a");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->rarity, SV_RARITY_RARE);
    EXPECT_EQ(a->restriction, SV_RESTRICT_SELF);
    EXPECT_EQ(a->weight, 2.5);
    EXPECT_EQ(a->grants.present, 1);
    EXPECT_EQ(a->grants.set, SV_SET_SELF);
    EXPECT_EQ(a->grants.count, 2u);
    const sv_inclusion_def* b = sv_content_inclusion_find("p:b");
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->restriction, SV_RESTRICT_ANY);
    EXPECT_EQ(b->grants.present, 0);

    expect_diag("'p:c': 'rarity' is required, one of common|uncommon|rare", SV_DIAG_ERROR,
                SV_DIAG_MISSING_FIELD, "rarity");
    expect_diag("'p:d': 'rarity' must be a string, one of common|uncommon|rare", SV_DIAG_ERROR,
                SV_DIAG_WRONG_TYPE, "rarity");
    expect_diag("'p:e': no such rarity 'mythic'; one of common|uncommon|rare", SV_DIAG_ERROR,
                SV_DIAG_OUT_OF_RANGE, "rarity");
    ASSERT_NE(sv_content_inclusion_find("p:f"), nullptr);
    EXPECT_EQ(sv_content_inclusion_find("p:f")->restriction, SV_RESTRICT_ANY);
    expect_diag("'p:f': no such restriction 'feet'; one of melee|ranged|weapon|self|any",
                SV_DIAG_WARNING, SV_DIAG_OUT_OF_RANGE, "restriction");
    expect_diag("'p:g': 'grants' must be an object of set and count", SV_DIAG_ERROR,
                SV_DIAG_WRONG_TYPE, "grants");
    expect_diag("'p:h': no such field on 'grants'", SV_DIAG_WARNING, SV_DIAG_UNKNOWN_KEY, "size");
    expect_diag("'p:h': 'grants' needs a count", SV_DIAG_ERROR, SV_DIAG_MISSING_FIELD,
                "grants.count");
    expect_diag("'p:i': 'set' is required, one of melee|ranged|self", SV_DIAG_ERROR,
                SV_DIAG_MISSING_FIELD, "set");
    expect_diag("'p:j': 'grants.count' must be a whole number of 1 or more", SV_DIAG_ERROR,
                SV_DIAG_OUT_OF_RANGE, "grants.count");
    EXPECT_NE(find("'p:k': 'grants.count' must be a whole number of 1 or more"), nullptr);
    EXPECT_EQ(sv_content_inclusion_count(), 3u);
}

TEST_F(ContentRead, ElementsAndTransforms)
{
    mount("p",
          {{"data/elements.json", R"([
                    {"id": "p:e1", "name": "E1", "rarity": "uncommon", "flavour": "situational",
                     "grants": {"set": "ranged", "count": 1}},
                    {"id": "p:e2", "name": "E2", "rarity": "common", "flavour": "sour"},
                    {"id": "p:e3", "name": "E3", "rarity": "common", "grants": {"set": "legs", "count": 1}}
                ])"},
           {"data/transforms.json", R"([
                    {"id": "p:t1", "name": "T1", "rarity": "rare", "kind": "max_hp", "weight": 0},
                    {"id": "p:t2", "name": "T2", "rarity": "rare"},
                    {"id": "p:t3", "name": "T3", "rarity": "rare", "kind": "grow"}
                ])"}});
    sv_pack_scan();
    sv_diag_reset();
    sv_content_load();
    ASSERT_EQ(sv_content_element_count(), 2u);
    EXPECT_EQ(sv_content_element_at(0)->flavour, SV_FLAVOUR_SITUATIONAL);
    EXPECT_EQ(sv_content_element_at(0)->grants.set, SV_SET_RANGED);
    EXPECT_EQ(sv_content_element_at(1)->flavour, SV_FLAVOUR_GOOD);
    expect_diag("'p:e2': no such flavour 'sour'; one of good|situational|costly", SV_DIAG_WARNING,
                SV_DIAG_OUT_OF_RANGE, "flavour");
    expect_diag("'p:e3': no such set 'legs'; one of melee|ranged|self", SV_DIAG_ERROR,
                SV_DIAG_OUT_OF_RANGE, "set");
    ASSERT_EQ(sv_content_transform_count(), 1u);
    EXPECT_EQ(sv_content_transform_at(0)->kind, SV_TRANSFORM_MAX_HP);
    EXPECT_EQ(sv_content_transform_at(0)->weight, 0.0);
    expect_diag("'p:t2': 'kind' is required, one of heal|max_hp|buff", SV_DIAG_ERROR,
                SV_DIAG_MISSING_FIELD, "kind");
    EXPECT_NE(find("'p:t3': no such kind 'grow'; one of heal|max_hp|buff"), nullptr);
}

// ---- Weapons ----

TEST_F(ContentRead, WeaponAttacks)
{
    load_one("data/weapons.json", R"([
        {"id": "p:m", "name": "M", "slot": "melee", "grit": 2.5, "secondary": {}},
        {"id": "p:r", "name": "R", "slot": "ranged"},
        {"id": "p:s", "name": "S", "slot": "ranged", "damage": 3, "stamina": 5,
         "secondary": {"damage": 9, "speed": 30, "grit": 4, "reload": 1}},
        {"id": "p:t", "name": "T", "slot": "ranged", "secondary": 5},
        {"id": "p:x", "name": "X", "slot": "thrown"},
        {"id": "p:y", "name": "Y"}
    ])");
    const sv_weapon_def* m = sv_content_weapon_find("p:m");
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->slot, SV_SLOT_MELEE);
    EXPECT_EQ(m->facets, -1);
    EXPECT_EQ(m->body.primary.kind, SV_ATTACK_MELEE);
    EXPECT_EQ(m->body.primary.grit, 0u);
    EXPECT_EQ(m->body.secondary.kind, SV_ATTACK_NONE);
    expect_diag("'p:m': 'grit' must be a whole number, truncating 2.5", SV_DIAG_WARNING,
                SV_DIAG_WRONG_TYPE, "grit");
    expect_diag("'p:m': a melee weapon has no secondary attack yet (DESIGN 5.1b); ignored",
                SV_DIAG_WARNING, SV_DIAG_UNKNOWN_KEY, "secondary");

    ASSERT_NE(sv_content_weapon_find("p:r"), nullptr);
    const sv_attack& r = sv_content_weapon_find("p:r")->body.primary;
    EXPECT_EQ(r.kind, SV_ATTACK_RANGED);
    EXPECT_EQ(r.damage, 10.0f);
    EXPECT_EQ(r.windup, 0.25f);
    EXPECT_EQ(r.active, 0.15f);
    EXPECT_EQ(r.recovery, 0.4f);
    EXPECT_EQ(r.range, 12.0f);
    EXPECT_EQ(r.speed, 16.0f);
    EXPECT_EQ(r.grit, 1u);
    EXPECT_EQ(r.stamina, -1.0f);
    ASSERT_NE(sv_content_weapon_find("p:r"), nullptr);
    EXPECT_EQ(sv_content_weapon_find("p:r")->body.secondary.kind, SV_ATTACK_NONE);

    ASSERT_NE(sv_content_weapon_find("p:s"), nullptr);
    const sv_weapon& s = sv_content_weapon_find("p:s")->body;
    EXPECT_EQ(s.primary.damage, 3.0f);
    EXPECT_EQ(s.primary.stamina, 5.0f);
    EXPECT_EQ(s.secondary.kind, SV_ATTACK_SECONDARY);
    EXPECT_EQ(s.secondary.damage, 9.0f);
    EXPECT_EQ(s.secondary.speed, 30.0f);
    EXPECT_EQ(s.secondary.grit, 4u);
    expect_diag("'p:s': not a field of a weapon's secondary attack", SV_DIAG_WARNING,
                SV_DIAG_UNKNOWN_KEY, "reload");

    ASSERT_NE(sv_content_weapon_find("p:t"), nullptr);
    EXPECT_EQ(sv_content_weapon_find("p:t")->body.secondary.kind, SV_ATTACK_NONE);
    expect_diag("'p:t': 'secondary' must be an object; ignored", SV_DIAG_WARNING,
                SV_DIAG_WRONG_TYPE, "secondary");
    EXPECT_EQ(sv_content_weapon_find("p:x"), nullptr);
    expect_diag("'p:x': no such slot 'thrown'; one of melee|ranged", SV_DIAG_ERROR,
                SV_DIAG_OUT_OF_RANGE, "slot");
    expect_diag("'p:y': 'slot' is required, one of melee|ranged", SV_DIAG_ERROR,
                SV_DIAG_MISSING_FIELD, "slot");
}

// ---- Chests and statuses ----

TEST_F(ContentRead, ChestAppearance)
{
    load_one("data/chests.json", R"([
        {"id": "p:a", "name": "A", "appearance": "p:gold"},
        {"id": "mine:b:c", "name": "B"},
        {"id": "p:c", "name": "C", "appearance": 4}
    ])");
    ASSERT_NE(sv_content_chest_find("p:a"), nullptr);
    EXPECT_STREQ(sv_content_chest_find("p:a")->appearance, "p:gold");
    ASSERT_NE(sv_content_chest_find("mine:b:c"), nullptr);
    EXPECT_STREQ(sv_content_chest_find("mine:b:c")->appearance, "mine:default");
    ASSERT_NE(sv_content_chest_find("p:c"), nullptr);
    EXPECT_STREQ(sv_content_chest_find("p:c")->appearance, "p:default");
    expect_diag("'p:c': 'appearance' must be an art id, using the pack default", SV_DIAG_WARNING,
                SV_DIAG_WRONG_TYPE, "appearance");
}

// Names are cut at a character boundary, never inside a multibyte character.
TEST_F(ContentRead, CutNamesKeepWholeCharacters)
{
    mount("p",
          {{"data/mobs.json", R"([{"id": "p:m", "name": "M", "actions": [
                    {"name": "abcdefghijklmn\u00e9"}, {"name": "abcdefghijklm\u00e9"}]}])"},
           {"data/statuses.json", R"([{"id": "p:s", "name": "abcdefghijklmnopqrstuv\u20ac!",
                    "modifies": "walk_speed", "magnitude": 1}])"}});
    sv_pack_scan();
    ASSERT_EQ(sv_content_load(), 1);
    const sv_mob_def* m = sv_content_mob_find("p:m");
    ASSERT_NE(m, nullptr);
    ASSERT_EQ(m->body.action_count, 2);
    EXPECT_STREQ(m->body.actions[0].name, "abcdefghijklmn");
    EXPECT_STREQ(m->body.actions[1].name, "abcdefghijklm\xc3\xa9");
    ASSERT_NE(sv_content_status_find("p:s"), nullptr);
    EXPECT_STREQ(sv_content_status_find("p:s")->apply.label, "abcdefghijklmnopqrstuv");
}

TEST_F(ContentRead, StatusFields)
{
    load_one("data/statuses.json", R"([
        {"id": "p:a", "name": "A label that is far too long", "modifies": "damage_taken", "op": "add",
         "magnitude": 2, "duration": 5000, "stacks": 3},
        {"id": "p:b", "name": "B", "modifies": "walk_speed", "magnitude": 0.5, "stacks": 0},
        {"id": "p:c", "name": "C", "modifies": "walk_speed", "magnitude": 0.5, "stacks": "yes", "op": "divide"},
        {"id": "p:d", "name": "D", "modifies": "walk_speed", "magnitude": 0.5, "stacks": true},
        {"id": "p:e", "name": "E", "modifies": "luck", "magnitude": 1},
        {"id": "p:f", "name": "F", "modifies": "walk_speed"},
        {"id": "p:g", "name": "G", "modifies": "walk_speed", "magnitude": "lots"},
        {"id": "p:h", "name": "H", "modifies": "walk_speed", "magnitude": -1e300}
    ])");
    const sv_status_def* a = sv_content_status_find("p:a");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->apply.key, sv_status_key("p:a"));
    EXPECT_STREQ(a->apply.label, "A label that is far too");
    EXPECT_EQ(strlen(a->apply.label), 23u);
    EXPECT_STREQ(a->name, "A label that is far too long");
    EXPECT_EQ(a->apply.modifies, SV_STAT_DAMAGE_TAKEN);
    EXPECT_EQ(a->apply.op, SV_OP_ADD);
    EXPECT_EQ(a->apply.magnitude, 2.0f);
    EXPECT_EQ(a->apply.duration, 3600.0f);
    EXPECT_EQ(a->apply.stacks, 1);
    EXPECT_EQ(a->apply.stack_cap, 3u);

    ASSERT_NE(sv_content_status_find("p:b"), nullptr);
    EXPECT_EQ(sv_content_status_find("p:b")->apply.stacks, 0);
    EXPECT_EQ(sv_content_status_find("p:b")->apply.stack_cap, 0u);
    EXPECT_EQ(sv_content_status_find("p:b")->apply.op, SV_OP_MULTIPLY);
    ASSERT_NE(sv_content_status_find("p:c"), nullptr);
    EXPECT_EQ(sv_content_status_find("p:c")->apply.stacks, 0);
    expect_diag("'p:c': 'stacks' must be true, false or a cap, using false", SV_DIAG_WARNING,
                SV_DIAG_WRONG_TYPE, "stacks");
    expect_diag("'p:c': no such op 'divide'; one of multiply|add", SV_DIAG_WARNING,
                SV_DIAG_OUT_OF_RANGE, "op");
    ASSERT_NE(sv_content_status_find("p:d"), nullptr);
    EXPECT_EQ(sv_content_status_find("p:d")->apply.stacks, 1);
    EXPECT_EQ(sv_content_status_find("p:d")->apply.stack_cap, 0u);
    EXPECT_EQ(sv_content_status_find("p:e"), nullptr);
    expect_diag("'p:e': no such modifies 'luck'; one of "
                "damage_taken|damage_dealt|walk_speed|stamina_regen|health_rate",
                SV_DIAG_ERROR, SV_DIAG_OUT_OF_RANGE, "modifies");
    EXPECT_EQ(sv_content_status_find("p:f"), nullptr);
    expect_diag("'p:f' has no numeric 'magnitude'", SV_DIAG_ERROR, SV_DIAG_MISSING_FIELD,
                "magnitude");
    EXPECT_NE(find("'p:g' has no numeric 'magnitude'"), nullptr);
    ASSERT_NE(sv_content_status_find("p:h"), nullptr);
    EXPECT_EQ(sv_content_status_find("p:h")->apply.magnitude, -FLT_MAX);
}

} // namespace

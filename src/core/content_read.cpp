// Readers of the nine content files: the shared value readers and one accept function per kind.
// Every problem is a diagnostics record; pack and file come from the loader's context.
#include <cfloat>
#include <cjson/cJSON.h>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/content.h"
#include "core/content_internal.h"
#include "core/diag.h"
#include "core/text.h"

namespace {

// What a number read from JSON is stored as; anything beyond the type is clamped, never cast.
enum num_type : u32 {
    NUM_F32 = 0,
    NUM_F64 = 1,
    NUM_I32 = 2,
    NUM_U32 = 3,
};

struct action_defaults {
    f64 damage;
    f64 reach;
    f64 windup;
    f64 active;
    f64 recovery;
};

const action_defaults k_scion_defaults = {15, 1.4, 0.5, 0.15, 0.7};
const action_defaults k_axiom_defaults = {25, 1.8, 0.6, 0.2, 0.9};
const action_defaults k_mob_defaults = {10, 1.2, 0.6, 0.15, 0.6};

const char* const k_action_fields[]
    = {"name",  "damage", "from",  "reach", "windup", "active",  "recovery", "draw",
       "lunge", "arc",    "sweep", "speed", "when",   "applies", "script"};
const char* const k_attack_fields[]
    = {"damage", "windup", "active", "recovery", "range", "speed", "grit", "stamina", "applies"};
const char* const k_when_names[] = {"any", "windup", "active", "recovery"};

#define COUNT_OF(a) ((u32)(sizeof(a) / sizeof((a)[0])))

int in_list(const char* key, const char* const* list, u32 count)
{
    for (u32 i = 0; i < count; ++i) {
        if (strcmp(key, list[i]) == 0)
            return 1;
    }
    return 0;
}

const cJSON* item(const cJSON* object, const char* key)
{
    return cJSON_GetObjectItemCaseSensitive(object, key);
}

void type_limits(u32 type, f64* lo, f64* hi)
{
    switch (type) {
    case NUM_F32:
        *lo = -FLT_MAX;
        *hi = FLT_MAX;
        break;
    case NUM_I32:
        *lo = (f64)INT32_MIN;
        *hi = (f64)INT32_MAX;
        break;
    case NUM_U32:
        *lo = 0;
        *hi = (f64)UINT32_MAX;
        break;
    default:
        *lo = -DBL_MAX;
        *hi = DBL_MAX;
        break;
    }
}

} // namespace

// ---- Shared readers ----

static const char* required_string(const cJSON* object, const char* key, const char* label)
{
    const cJSON* v = item(object, key);
    if (!v) {
        sv_diag_report(SV_DIAG_ERROR, SV_DIAG_MISSING_FIELD, key, "%s has no '%s'", label, key);
        return nullptr;
    }
    if (!cJSON_IsString(v) || !v->valuestring) {
        sv_diag_report(SV_DIAG_ERROR, SV_DIAG_WRONG_TYPE, key, "%s: '%s' must be a string", label,
                       key);
        return nullptr;
    }
    if (v->valuestring[0] == 0) {
        sv_diag_report(SV_DIAG_ERROR, SV_DIAG_MISSING_FIELD, key, "%s: '%s' is empty", label, key);
        return nullptr;
    }
    return v->valuestring;
}

// Exposed to the loader, which reads every entry's id with the entry label.
const char* sv_content_required_string(const cJSON* object, const char* key, const char* label)
{
    return required_string(object, key, label);
}

// A maximum of 0 means none; the stored type's own limits always apply, so an infinite value or
// one beyond the type is clamped like any other out-of-range value.
static f64 optional_number(const cJSON* object, const char* key, f64 def, f64 minimum, f64 maximum,
                           int whole, const char* id, u32 type)
{
    const cJSON* v = item(object, key);
    if (!v)
        return def;
    if (!cJSON_IsNumber(v)) {
        sv_diag_report(SV_DIAG_WARNING, SV_DIAG_WRONG_TYPE, key,
                       "'%s': '%s' must be a number, using %g", id, key, def);
        return def;
    }
    f64 x = v->valuedouble;
    if (whole && std::isfinite(x) && x != std::trunc(x)) {
        sv_diag_report(SV_DIAG_WARNING, SV_DIAG_WRONG_TYPE, key,
                       "'%s': '%s' must be a whole number, truncating %g", id, key, x);
        x = std::trunc(x);
    }
    f64 type_lo = 0, type_hi = 0;
    type_limits(type, &type_lo, &type_hi);
    f64 lo = minimum > type_lo ? minimum : type_lo;
    f64 hi = (maximum > 0 && maximum < type_hi) ? maximum : type_hi;
    if (std::isnan(x) || x < lo) {
        sv_diag_report(SV_DIAG_WARNING, SV_DIAG_OUT_OF_RANGE, key,
                       "'%s': '%s' is %g, clamped to %g", id, key, x, lo);
        return lo;
    }
    if (x > hi) {
        sv_diag_report(SV_DIAG_WARNING, SV_DIAG_OUT_OF_RANGE, key,
                       "'%s': '%s' is %g, clamped to %g", id, key, x, hi);
        return hi;
    }
    return x;
}

static void join_names(char* out, size_t cap, const char* const* names, u32 count)
{
    out[0] = 0;
    size_t len = 0;
    for (u32 i = 0; i < count; ++i) {
        const char* parts[2] = {i ? "|" : "", names[i]};
        for (const char* part : parts) {
            for (const char* p = part; *p && len + 1 < cap; ++p)
                out[len++] = *p;
        }
    }
    out[len] = 0;
}

static int read_enum(const cJSON* object, const char* key, const char* const* names, u32 count,
                     int required, u32 def, const char* id, u32* out)
{
    char alternatives[96];
    join_names(alternatives, sizeof alternatives, names, count);
    u32 severity = required ? SV_DIAG_ERROR : SV_DIAG_WARNING;
    *out = def;
    const cJSON* v = item(object, key);
    if (!v) {
        if (!required)
            return 1;
        sv_diag_report(SV_DIAG_ERROR, SV_DIAG_MISSING_FIELD, key,
                       "'%s': '%s' is required, one of %s", id, key, alternatives);
        return 0;
    }
    if (!cJSON_IsString(v) || !v->valuestring) {
        sv_diag_report(severity, SV_DIAG_WRONG_TYPE, key, "'%s': '%s' must be a string, one of %s",
                       id, key, alternatives);
        return !required;
    }
    for (u32 i = 0; i < count; ++i) {
        if (strcmp(v->valuestring, names[i]) == 0) {
            *out = i;
            return 1;
        }
    }
    sv_diag_report(severity, SV_DIAG_OUT_OF_RANGE, key, "'%s': no such %s '%s'; one of %s", id, key,
                   v->valuestring, alternatives);
    return !required;
}

static char* read_custom(const cJSON* object, const char* id)
{
    const cJSON* v = item(object, "custom");
    if (!v)
        return nullptr;
    if (!cJSON_IsObject(v)) {
        sv_diag_report(SV_DIAG_WARNING, SV_DIAG_WRONG_TYPE, "custom",
                       "'%s': 'custom' must be an object of the pack's own keys, ignored", id);
        return nullptr;
    }
    char* printed = cJSON_PrintUnformatted(v);
    char* text = sv_text_dup(printed);
    cJSON_free(printed);
    sv_diag_report(SV_DIAG_INFO, SV_DIAG_UNKNOWN_KEY, "custom",
                   "'%s': stored for a later binding surface; nothing reads it yet", id);
    return text;
}

// magnitude and duration end up as f32; a number beyond that is clamped here, with the rest of
// the entry's problems, rather than overflowing when the status is resolved.
static f64 raw_number(const cJSON* element, const char* key, const char* id)
{
    const cJSON* v = item(element, key);
    if (!v || !cJSON_IsNumber(v))
        return NAN;
    f64 x = v->valuedouble;
    if (std::isnan(x))
        return NAN;
    if (x > FLT_MAX || x < -FLT_MAX) {
        f64 limit = x > 0 ? FLT_MAX : -FLT_MAX;
        sv_diag_report(SV_DIAG_WARNING, SV_DIAG_OUT_OF_RANGE, key,
                       "'%s': '%s' is %g, clamped to %g", id, key, x, limit);
        return limit;
    }
    return x;
}

static sv_raw_list read_applies(const cJSON* object, const char* id)
{
    sv_raw_list list = {};
    const cJSON* v = item(object, "applies");
    if (!v)
        return list;
    if (!cJSON_IsArray(v)) {
        sv_diag_report(SV_DIAG_WARNING, SV_DIAG_WRONG_TYPE, "applies",
                       "'%s': 'applies' must be an array of objects; ignored", id);
        return list;
    }
    std::vector<sv_raw_apply> read;
    const cJSON* element = nullptr;
    cJSON_ArrayForEach(element, v)
    {
        if (read.size() == SV_APPLIES_READ_MAX) {
            sv_diag_report(SV_DIAG_WARNING, SV_DIAG_OUT_OF_RANGE, "applies",
                           "'%s': more than %d 'applies' entries; the rest dropped", id,
                           SV_APPLIES_READ_MAX);
            break;
        }
        const cJSON* status = cJSON_IsObject(element) ? item(element, "status") : nullptr;
        if (!status || !cJSON_IsString(status) || !status->valuestring) {
            sv_diag_report(SV_DIAG_WARNING, SV_DIAG_WRONG_TYPE, "applies",
                           "'%s': an 'applies' entry needs a 'status' id; dropped", id);
            continue;
        }
        const cJSON* member = nullptr;
        cJSON_ArrayForEach(member, element)
        {
            const char* key = member->string ? member->string : "";
            if (strcmp(key, "status") != 0 && strcmp(key, "magnitude") != 0
                && strcmp(key, "duration") != 0) {
                sv_diag_report(SV_DIAG_WARNING, SV_DIAG_UNKNOWN_KEY, key,
                               "'%s': not a field of an 'applies' entry", id);
            }
        }
        sv_raw_apply raw = {};
        raw.status = sv_text_dup(status->valuestring);
        raw.magnitude = raw_number(element, "magnitude", id);
        raw.duration = raw_number(element, "duration", id);
        read.push_back(raw);
    }
    if (read.empty())
        return list;
    list.items = (sv_raw_apply*)malloc(read.size() * sizeof(sv_raw_apply));
    if (!list.items) {
        for (sv_raw_apply& raw : read)
            free(raw.status);
        return list;
    }
    memcpy(list.items, read.data(), read.size() * sizeof(sv_raw_apply));
    list.count = (u32)read.size();
    return list;
}

static int read_grants(const cJSON* object, const char* id, sv_grants* out)
{
    *out = sv_grants {};
    const cJSON* v = item(object, "grants");
    if (!v)
        return 1;
    if (!cJSON_IsObject(v)) {
        sv_diag_report(SV_DIAG_ERROR, SV_DIAG_WRONG_TYPE, "grants",
                       "'%s': 'grants' must be an object of set and count", id);
        return 0;
    }
    const cJSON* member = nullptr;
    cJSON_ArrayForEach(member, v)
    {
        const char* key = member->string ? member->string : "";
        if (strcmp(key, "set") != 0 && strcmp(key, "count") != 0) {
            sv_diag_report(SV_DIAG_WARNING, SV_DIAG_UNKNOWN_KEY, key,
                           "'%s': no such field on 'grants'", id);
        }
    }
    u32 set = 0;
    if (!read_enum(v, "set", k_set_names, 3, 1, 0, id, &set))
        return 0;
    const cJSON* count = item(v, "count");
    if (!count) {
        sv_diag_report(SV_DIAG_ERROR, SV_DIAG_MISSING_FIELD, "grants.count",
                       "'%s': 'grants' needs a count", id);
        return 0;
    }
    if (!cJSON_IsNumber(count) || std::isnan(count->valuedouble) || count->valuedouble < 1) {
        sv_diag_report(SV_DIAG_ERROR, SV_DIAG_OUT_OF_RANGE, "grants.count",
                       "'%s': 'grants.count' must be a whole number of 1 or more", id);
        return 0;
    }
    f64 n = std::trunc(count->valuedouble);
    if (n > (f64)UINT32_MAX) {
        sv_diag_report(SV_DIAG_WARNING, SV_DIAG_OUT_OF_RANGE, "grants.count",
                       "'%s': '%s' is %g, clamped to %g", id, "grants.count", count->valuedouble,
                       (f64)UINT32_MAX);
        n = (f64)UINT32_MAX;
    }
    out->present = 1;
    out->set = set;
    out->count = (u32)n;
    return 1;
}

static sv_attack read_attack(const cJSON* object, const char* id, u8 kind)
{
    sv_attack a = {};
    a.kind = kind;
    a.damage = (f32)optional_number(object, "damage", 10, 0, 0, 0, id, NUM_F32);
    a.windup = (f32)optional_number(object, "windup", 0.25, 0, 10, 0, id, NUM_F32);
    a.active = (f32)optional_number(object, "active", 0.15, 0, 10, 0, id, NUM_F32);
    a.recovery = (f32)optional_number(object, "recovery", 0.4, 0, 10, 0, id, NUM_F32);
    a.range = (f32)optional_number(object, "range", 12, 0.1, 100, 0, id, NUM_F32);
    a.speed = (f32)optional_number(object, "speed", 16, 0.1, 200, 0, id, NUM_F32);
    f64 grit = optional_number(object, "grit", kind == SV_ATTACK_MELEE ? 0 : 1, 0, 4294967295.0, 1,
                               id, NUM_U32);
    a.grit = kind == SV_ATTACK_MELEE ? 0 : (u32)grit;
    a.stamina = (f32)optional_number(object, "stamina", -1, 0, 10000, 0, id, NUM_F32);
    return a;
}

// The five fields with kind defaults, shared by an action object and an entry read as its own
// single action.
static void read_action_timing(const cJSON* object, const char* id, const action_defaults& d,
                               sv_action* a)
{
    a->damage = (f32)optional_number(object, "damage", d.damage, 0, 0, 0, id, NUM_F32);
    a->reach = (f32)optional_number(object, "reach", d.reach, 0, 20, 0, id, NUM_F32);
    a->windup = (f32)optional_number(object, "windup", d.windup, 0, 10, 0, id, NUM_F32);
    a->active = (f32)optional_number(object, "active", d.active, 0, 10, 0, id, NUM_F32);
    a->recovery = (f32)optional_number(object, "recovery", d.recovery, 0, 10, 0, id, NUM_F32);
}

static void read_one_action(const cJSON* object, const char* id, const action_defaults& d,
                            sv_action* a, sv_raw_list* raw)
{
    read_action_timing(object, id, d, a);
    a->from = (f32)optional_number(object, "from", 0, 0, 20, 0, id, NUM_F32);
    a->draw = (f32)optional_number(object, "draw", 0, 0, 10, 0, id, NUM_F32);
    a->lunge = (f32)optional_number(object, "lunge", 0, 0, 10, 0, id, NUM_F32);
    a->arc = (f32)optional_number(object, "arc", 0, 0, 360, 0, id, NUM_F32);
    a->speed = (f32)optional_number(object, "speed", 0, 0, 100, 0, id, NUM_F32);

    a->when = 0;
    const cJSON* when = item(object, "when");
    if (when) {
        u32 found = COUNT_OF(k_when_names);
        if (cJSON_IsString(when) && when->valuestring) {
            for (u32 i = 0; i < COUNT_OF(k_when_names); ++i) {
                if (strcmp(when->valuestring, k_when_names[i]) == 0)
                    found = i;
            }
        }
        if (found < COUNT_OF(k_when_names)) {
            a->when = (u8)found;
        } else {
            sv_diag_report(SV_DIAG_WARNING, SV_DIAG_OUT_OF_RANGE, "when",
                           "'%s': an action's 'when' is 'any', 'windup', 'active' or 'recovery'; "
                           "usable at any moment",
                           id);
        }
    }

    a->sweep = 1;
    const cJSON* sweep = item(object, "sweep");
    if (sweep) {
        const char* s = cJSON_IsString(sweep) ? sweep->valuestring : nullptr;
        if (s && strcmp(s, "left") == 0) {
            a->sweep = -1;
        } else if (!s || strcmp(s, "right") != 0) {
            sv_diag_report(SV_DIAG_WARNING, SV_DIAG_OUT_OF_RANGE, "sweep",
                           "'%s': an action's 'sweep' is 'left' or 'right'; from the right", id);
        }
    }

    if (a->from > a->reach) {
        sv_diag_report(
            SV_DIAG_WARNING, SV_DIAG_OUT_OF_RANGE, "from",
            "'%s': an action's 'from' (%.2f) is past its 'reach' (%.2f); set to the reach", id,
            (f64)a->from, (f64)a->reach);
        a->from = a->reach;
    }

    const cJSON* name = item(object, "name");
    sv_text_cut(a->name, sizeof a->name,
                (cJSON_IsString(name) && name->valuestring) ? name->valuestring : "strike");
    *raw = read_applies(object, id);
}

// Fills the body's action list and one raw applies list per action.
static void read_actions(const cJSON* entry, const char* id, const action_defaults& d,
                         sv_body* body, sv_raw_list raw[SV_ACTIONS_MAX])
{
    sv_action actions[SV_ACTIONS_MAX] = {};
    u32 count = 0;
    const cJSON* list = item(entry, "actions");
    if (list && !cJSON_IsArray(list)) {
        sv_diag_report(SV_DIAG_WARNING, SV_DIAG_WRONG_TYPE, "actions",
                       "'%s': 'actions' must be an array of objects; using the entry's own fields "
                       "as one action",
                       id);
    }
    if (list && cJSON_IsArray(list)) {
        const cJSON* element = nullptr;
        cJSON_ArrayForEach(element, list)
        {
            if (!cJSON_IsObject(element)) {
                sv_diag_report(SV_DIAG_WARNING, SV_DIAG_WRONG_TYPE, "actions",
                               "'%s': an action must be an object; dropped", id);
                continue;
            }
            if (count == SV_ACTIONS_MAX) {
                sv_diag_report(SV_DIAG_WARNING, SV_DIAG_OUT_OF_RANGE, "actions",
                               "'%s': more than %d actions; the rest dropped", id, SV_ACTIONS_MAX);
                break;
            }
            const cJSON* member = nullptr;
            cJSON_ArrayForEach(member, element)
            {
                const char* key = member->string ? member->string : "";
                if (!in_list(key, k_action_fields, COUNT_OF(k_action_fields))) {
                    sv_diag_report(SV_DIAG_WARNING, SV_DIAG_UNKNOWN_KEY, key,
                                   "'%s': not a field of an action", id);
                }
            }
            read_one_action(element, id, d, &actions[count], &raw[count]);
            ++count;
        }
    } else {
        sv_action* a = &actions[0];
        read_action_timing(entry, id, d, a);
        sv_text_cut(a->name, sizeof a->name, "strike");
        a->sweep = 1;
        raw[0] = read_applies(entry, id);
        count = 1;
    }
    body->action_count = (u8)count;
    body->actions = nullptr;
    if (count) {
        body->actions = (sv_action*)malloc(count * sizeof(sv_action));
        if (body->actions) {
            memcpy(body->actions, actions, count * sizeof(sv_action));
        } else {
            body->action_count = 0;
        }
    }
}

// Reads the depth band shared by Axioms and mobs; 0 when it admits no floor.
static int read_depths(const cJSON* entry, const char* id, f64 lowest, i32* depth_min,
                       i32* depth_max)
{
    *depth_min = (i32)optional_number(entry, "depth_min", 2, lowest, 0, 1, id, NUM_I32);
    *depth_max = (i32)optional_number(entry, "depth_max", 0, 0, 0, 1, id, NUM_I32);
    if (*depth_max != 0 && *depth_max < *depth_min) {
        sv_diag_report(SV_DIAG_ERROR, SV_DIAG_OUT_OF_RANGE, id,
                       "depth_max %d is below depth_min %d, so it is eligible on no floor",
                       *depth_max, *depth_min);
        return 0;
    }
    return 1;
}

// ---- Accept functions ----

static u64 accept_scion(const cJSON* entry, const char* id)
{
    const char* name = required_string(entry, "name", id);
    if (!name)
        return 0;
    sv_scion_def def = {};
    def.id = sv_text_dup(id);
    def.name = sv_text_dup(name);
    def.body.hp = (f32)optional_number(entry, "hp", 80, 0.01, 0, 0, id, NUM_F32);
    def.body.speed = (f32)optional_number(entry, "speed", 2.5, 0, 50, 0, id, NUM_F32);
    def.body.turn = (f32)optional_number(entry, "turn", 180, 0, 3600, 0, id, NUM_F32);
    def.custom = read_custom(entry, id);
    read_actions(entry, id, k_scion_defaults, &def.body, def.raw);
    sv_content_store_scion(&def);
    return 1;
}

static u64 accept_axiom(const cJSON* entry, const char* id)
{
    const char* name = required_string(entry, "name", id);
    if (!name)
        return 0;
    i32 depth_min = 0, depth_max = 0;
    if (!read_depths(entry, id, 2, &depth_min, &depth_max))
        return 0;

    const cJSON* scions = item(entry, "scions");
    if (!scions) {
        sv_diag_report(SV_DIAG_ERROR, SV_DIAG_MISSING_FIELD, "scions",
                       "'%s': an axiom must declare its scion set", id);
        return 0;
    }
    if (!cJSON_IsArray(scions)) {
        sv_diag_report(SV_DIAG_ERROR, SV_DIAG_WRONG_TYPE, "scions",
                       "'%s': 'scions' must be an array of ids", id);
        return 0;
    }
    std::vector<const char*> kept;
    const cJSON* element = nullptr;
    cJSON_ArrayForEach(element, scions)
    {
        if (!cJSON_IsString(element) || !element->valuestring || element->valuestring[0] == 0) {
            sv_diag_report(SV_DIAG_ERROR, SV_DIAG_WRONG_TYPE, "scions",
                           "'%s': every entry in 'scions' must be an id", id);
            continue;
        }
        if (kept.size() == SV_AXIOM_SCIONS_MAX) {
            sv_diag_report(SV_DIAG_WARNING, SV_DIAG_OUT_OF_RANGE, "scions",
                           "'%s': more than %d scions; the rest dropped", id, SV_AXIOM_SCIONS_MAX);
            break;
        }
        kept.push_back(element->valuestring);
    }
    if (kept.empty()) {
        sv_diag_report(SV_DIAG_ERROR, SV_DIAG_MISSING_FIELD, "scions",
                       "'%s': scion set is empty, axiom dropped", id);
        return 0;
    }

    sv_axiom_def def = {};
    def.id = sv_text_dup(id);
    def.name = sv_text_dup(name);
    def.depth_min = depth_min;
    def.depth_max = depth_max;
    def.scions = (char**)calloc(kept.size(), sizeof(char*));
    if (def.scions) {
        for (const char* s : kept)
            def.scions[def.scion_count++] = sv_text_dup(s);
    }
    f64 faces = optional_number(entry, "faces", 6, 4, 20, 1, id, NUM_U32);
    if (faces != 4 && faces != 6 && faces != 8 && faces != 12 && faces != 20) {
        sv_diag_report(SV_DIAG_WARNING, SV_DIAG_OUT_OF_RANGE, "faces",
                       "'%s': faces %d is no Platonic solid (4, 6, 8, 12, 20); using 6", id,
                       (int)faces);
        faces = 6;
    }
    def.faces = (u32)faces;
    def.weight = optional_number(entry, "weight", 1, 0, 0, 0, id, NUM_F64);
    def.body.hp = (f32)optional_number(entry, "hp", 120, 0.01, 0, 0, id, NUM_F32);
    def.body.speed = (f32)optional_number(entry, "speed", 2.2, 0, 50, 0, id, NUM_F32);
    def.body.turn = (f32)optional_number(entry, "turn", 180, 0, 3600, 0, id, NUM_F32);
    def.custom = read_custom(entry, id);
    read_actions(entry, id, k_axiom_defaults, &def.body, def.raw);
    sv_content_store_axiom(&def);
    return 1;
}

static u64 accept_inclusion(const cJSON* entry, const char* id)
{
    const char* name = required_string(entry, "name", id);
    if (!name)
        return 0;
    u32 rarity = 0, restriction = SV_RESTRICT_ANY;
    if (!read_enum(entry, "rarity", k_rarity_names, 3, 1, 0, id, &rarity))
        return 0;
    read_enum(entry, "restriction", k_restriction_names, 5, 0, SV_RESTRICT_ANY, id, &restriction);
    f64 weight = optional_number(entry, "weight", 1, 0, 0, 0, id, NUM_F64);
    sv_grants grants = {};
    if (!read_grants(entry, id, &grants))
        return 0;
    sv_inclusion_def def = {};
    def.id = sv_text_dup(id);
    def.name = sv_text_dup(name);
    def.rarity = rarity;
    def.restriction = restriction;
    def.weight = weight;
    def.grants = grants;
    def.custom = read_custom(entry, id);
    sv_content_store_inclusion(&def);
    return 1;
}

static u64 accept_element(const cJSON* entry, const char* id)
{
    const char* name = required_string(entry, "name", id);
    if (!name)
        return 0;
    u32 rarity = 0, flavour = SV_FLAVOUR_GOOD;
    if (!read_enum(entry, "rarity", k_rarity_names, 3, 1, 0, id, &rarity))
        return 0;
    read_enum(entry, "flavour", k_flavour_names, 3, 0, SV_FLAVOUR_GOOD, id, &flavour);
    f64 weight = optional_number(entry, "weight", 1, 0, 0, 0, id, NUM_F64);
    sv_grants grants = {};
    if (!read_grants(entry, id, &grants))
        return 0;
    sv_element_def def = {};
    def.id = sv_text_dup(id);
    def.name = sv_text_dup(name);
    def.rarity = rarity;
    def.flavour = flavour;
    def.weight = weight;
    def.grants = grants;
    def.custom = read_custom(entry, id);
    sv_content_store_element(&def);
    return 1;
}

static u64 accept_transform(const cJSON* entry, const char* id)
{
    const char* name = required_string(entry, "name", id);
    if (!name)
        return 0;
    u32 rarity = 0, kind = 0;
    if (!read_enum(entry, "rarity", k_rarity_names, 3, 1, 0, id, &rarity))
        return 0;
    if (!read_enum(entry, "kind", k_transform_names, 3, 1, 0, id, &kind))
        return 0;
    sv_transform_def def = {};
    def.id = sv_text_dup(id);
    def.name = sv_text_dup(name);
    def.rarity = rarity;
    def.kind = kind;
    def.weight = optional_number(entry, "weight", 1, 0, 0, 0, id, NUM_F64);
    def.custom = read_custom(entry, id);
    sv_content_store_transform(&def);
    return 1;
}

static u64 accept_weapon(const cJSON* entry, const char* id)
{
    const char* name = required_string(entry, "name", id);
    if (!name)
        return 0;
    u32 slot = 0;
    if (!read_enum(entry, "slot", k_slot_names, 2, 1, 0, id, &slot))
        return 0;
    sv_weapon_def def = {};
    def.id = sv_text_dup(id);
    def.name = sv_text_dup(name);
    def.slot = slot;
    def.facets = (i32)optional_number(entry, "facets", -1, 0, 0, 1, id, NUM_I32);
    def.custom = read_custom(entry, id);
    def.body.primary
        = read_attack(entry, id, slot == SV_SLOT_MELEE ? SV_ATTACK_MELEE : SV_ATTACK_RANGED);
    def.raw_primary = read_applies(entry, id);
    const cJSON* secondary = item(entry, "secondary");
    if (slot == SV_SLOT_MELEE) {
        if (secondary) {
            sv_diag_report(
                SV_DIAG_WARNING, SV_DIAG_UNKNOWN_KEY, "secondary",
                "'%s': a melee weapon has no secondary attack yet (DESIGN 5.1b); ignored", id);
        }
    } else if (secondary && !cJSON_IsObject(secondary)) {
        sv_diag_report(SV_DIAG_WARNING, SV_DIAG_WRONG_TYPE, "secondary",
                       "'%s': 'secondary' must be an object; ignored", id);
    } else if (secondary) {
        const cJSON* member = nullptr;
        cJSON_ArrayForEach(member, secondary)
        {
            const char* key = member->string ? member->string : "";
            if (!in_list(key, k_attack_fields, COUNT_OF(k_attack_fields))) {
                sv_diag_report(SV_DIAG_WARNING, SV_DIAG_UNKNOWN_KEY, key,
                               "'%s': not a field of a weapon's secondary attack", id);
            }
        }
        def.body.secondary = read_attack(secondary, id, SV_ATTACK_SECONDARY);
        def.raw_secondary = read_applies(secondary, id);
    }
    sv_content_store_weapon(&def);
    return 1;
}

static u64 accept_mob(const cJSON* entry, const char* id)
{
    const char* name = required_string(entry, "name", id);
    if (!name)
        return 0;
    i32 depth_min = 0, depth_max = 0;
    if (!read_depths(entry, id, 1, &depth_min, &depth_max))
        return 0;
    sv_mob_def def = {};
    def.id = sv_text_dup(id);
    def.name = sv_text_dup(name);
    def.depth_min = depth_min;
    def.depth_max = depth_max;

    const cJSON* observer = item(entry, "observer");
    if (observer) {
        if (cJSON_IsBool(observer)) {
            def.observer = cJSON_IsTrue(observer) ? 1 : 0;
        } else {
            sv_diag_report(SV_DIAG_WARNING, SV_DIAG_WRONG_TYPE, "observer",
                           "'%s': 'observer' must be true or false, using false", id);
        }
    }
    f64 sides = optional_number(entry, "sides", 6, 3, 8, 1, id, NUM_U32);
    if (sides == 4) {
        sv_diag_report(SV_DIAG_WARNING, SV_DIAG_OUT_OF_RANGE, "sides",
                       "'%s': a 4-sided prism is a box, and boxes are the Axiom's; using 5", id);
        sides = 5;
    }
    def.sides = (u8)sides;
    u32 axis = SV_AXIS_UP;
    read_enum(entry, "axis", k_axis_names, 3, 0, SV_AXIS_UP, id, &axis);
    def.axis = (u8)axis;
    def.weight = optional_number(entry, "weight", 1, 0, 0, 0, id, NUM_F64);
    def.body.hp = (f32)optional_number(entry, "hp", 20, 0.01, 0, 0, id, NUM_F32);
    def.body.speed = (f32)optional_number(entry, "speed", 2.5, 0, 50, 0, id, NUM_F32);
    def.body.turn = (f32)optional_number(entry, "turn", 180, 0, 3600, 0, id, NUM_F32);
    def.body.leash = (f32)optional_number(entry, "leash", -1, 0, 1000, 0, id, NUM_F32);
    def.body.give_up = (f32)optional_number(entry, "give_up", -1, 0, 100, 0, id, NUM_F32);
    def.custom = read_custom(entry, id);
    read_actions(entry, id, k_mob_defaults, &def.body, def.raw);
    sv_content_store_mob(&def);
    return 1;
}

static u64 accept_chest(const cJSON* entry, const char* id)
{
    const char* name = required_string(entry, "name", id);
    if (!name)
        return 0;
    sv_chest_def def = {};
    def.id = sv_text_dup(id);
    def.name = sv_text_dup(name);
    const cJSON* appearance = item(entry, "appearance");
    if (appearance && cJSON_IsString(appearance) && appearance->valuestring) {
        def.appearance = sv_text_dup(appearance->valuestring);
    } else {
        if (appearance) {
            sv_diag_report(SV_DIAG_WARNING, SV_DIAG_WRONG_TYPE, "appearance",
                           "'%s': 'appearance' must be an art id, using the pack default", id);
        }
        const char* colon = strchr(id, ':');
        size_t ns = colon ? (size_t)(colon - id) : strlen(id);
        static const char k_suffix[] = ":default";
        def.appearance = (char*)malloc(ns + sizeof k_suffix);
        if (def.appearance) {
            memcpy(def.appearance, id, ns);
            memcpy(def.appearance + ns, k_suffix, sizeof k_suffix);
        }
    }
    def.custom = read_custom(entry, id);
    sv_content_store_chest(&def);
    return 1;
}

static u64 accept_status(const cJSON* entry, const char* id)
{
    const char* name = required_string(entry, "name", id);
    if (!name)
        return 0;
    u32 modifies = 0, op = SV_OP_MULTIPLY;
    if (!read_enum(entry, "modifies", k_modifies_names, 5, 1, 0, id, &modifies))
        return 0;
    read_enum(entry, "op", k_op_names, 2, 0, SV_OP_MULTIPLY, id, &op);
    const cJSON* magnitude = item(entry, "magnitude");
    if (!magnitude || !cJSON_IsNumber(magnitude) || std::isnan(magnitude->valuedouble)) {
        sv_diag_report(SV_DIAG_ERROR, SV_DIAG_MISSING_FIELD, "magnitude",
                       "'%s' has no numeric 'magnitude'", id);
        return 0;
    }
    // No range of its own, but it is stored as an f32.
    f64 m = optional_number(entry, "magnitude", 0, -FLT_MAX, FLT_MAX, 0, id, NUM_F32);

    sv_status_def def = {};
    const cJSON* stacks = item(entry, "stacks");
    if (stacks && cJSON_IsTrue(stacks)) {
        def.apply.stacks = 1;
    } else if (stacks && cJSON_IsNumber(stacks)) {
        def.apply.stack_cap
            = (u32)optional_number(entry, "stacks", 0, 0, 4294967295.0, 1, id, NUM_U32);
        def.apply.stacks = def.apply.stack_cap != 0;
    } else if (stacks && !cJSON_IsFalse(stacks)) {
        sv_diag_report(SV_DIAG_WARNING, SV_DIAG_WRONG_TYPE, "stacks",
                       "'%s': 'stacks' must be true, false or a cap, using false", id);
    }
    def.id = sv_text_dup(id);
    def.name = sv_text_dup(name);
    def.apply.key = sv_status_key(id);
    sv_text_cut(def.apply.label, sizeof def.apply.label, name);
    def.apply.modifies = (u8)modifies;
    def.apply.op = (u8)op;
    def.apply.magnitude = (f32)m;
    def.apply.duration = (f32)optional_number(entry, "duration", 0, 0, 3600, 0, id, NUM_F32);
    def.custom = read_custom(entry, id);
    sv_content_store_status(&def);
    return 1;
}

// ---- The kinds, in load order ----

static const char* const k_scion_keys[]
    = {"id",     "name",     "hp",   "damage",  "speed",   "reach",  "windup",
       "active", "recovery", "turn", "actions", "applies", "script", "custom"};
static const char* const k_axiom_keys[]
    = {"id",     "name",    "scions",  "depth_min", "depth_max", "weight",   "hp",
       "damage", "speed",   "reach",   "windup",    "active",    "recovery", "turn",
       "faces",  "actions", "applies", "script",    "custom"};
static const char* const k_inclusion_keys[]
    = {"id", "name", "rarity", "restriction", "weight", "grants", "script", "custom"};
static const char* const k_element_keys[]
    = {"id", "name", "rarity", "flavour", "weight", "grants", "script", "custom"};
static const char* const k_transform_keys[]
    = {"id", "name", "rarity", "kind", "weight", "script", "custom"};
static const char* const k_weapon_keys[]
    = {"id",    "name", "slot",    "facets",  "damage",    "windup", "active", "recovery",
       "range", "grit", "stamina", "applies", "secondary", "script", "custom"};
static const char* const k_mob_keys[]
    = {"id",    "name",    "depth_min", "depth_max", "weight",   "observer", "hp",    "damage",
       "speed", "reach",   "windup",    "active",    "recovery", "turn",     "sides", "axis",
       "leash", "give_up", "actions",   "applies",   "script",   "custom"};
static const char* const k_chest_keys[] = {"id", "name", "appearance", "script", "custom"};
static const char* const k_status_keys[]
    = {"id", "name", "modifies", "op", "magnitude", "duration", "stacks", "script", "custom"};

const sv_content_kind k_content_kinds[SV_CONTENT_KINDS] = {
    {"data/scions.json", "scion", k_scion_keys, COUNT_OF(k_scion_keys), accept_scion},
    {"data/axioms.json", "axiom", k_axiom_keys, COUNT_OF(k_axiom_keys), accept_axiom},
    {"data/inclusions.json", "inclusion", k_inclusion_keys, COUNT_OF(k_inclusion_keys),
     accept_inclusion},
    {"data/elements.json", "element", k_element_keys, COUNT_OF(k_element_keys), accept_element},
    {"data/transforms.json", "transform", k_transform_keys, COUNT_OF(k_transform_keys),
     accept_transform},
    {"data/weapons.json", "weapon", k_weapon_keys, COUNT_OF(k_weapon_keys), accept_weapon},
    {"data/mobs.json", "mob", k_mob_keys, COUNT_OF(k_mob_keys), accept_mob},
    {"data/chests.json", "chest", k_chest_keys, COUNT_OF(k_chest_keys), accept_chest},
    {"data/statuses.json", "status", k_status_keys, COUNT_OF(k_status_keys), accept_status},
};

// Helpers shared by the generator, validation, rendering and statistics tests.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/tune.h"
#include "floor/floor.h"
#include "floor/gen.h"
#include "floor/render.h"
#include "support/capture.h"

// A generated floor that frees itself.
struct grown_floor {
    sv_floor f {};
    sv_gen_stats st {};
    grown_floor(u64 seed, u16 number, u16 gates = SV_GEN_DRAW_GATES)
    {
        sv_floor_init(&f, number, seed, (u16)sv_gen_capacity_for(number));
        st = sv_gen_grow_gated(&f, gates);
    }
    ~grown_floor() { sv_floor_free(&f); }
    grown_floor(const grown_floor&) = delete;
    grown_floor& operator=(const grown_floor&) = delete;
    const sv_room& room(u16 r) const { return f.rooms[r]; }
};

// The text tree and the Graphviz digraph of a floor, as strings.
inline std::string text_of(const sv_floor* f)
{
    std::string s;
    sv_render_text(f, sv_test_capture(&s));
    return s;
}

inline std::string dot_of(const sv_floor* f)
{
    std::string s;
    sv_render_dot(f, sv_test_capture(&s));
    return s;
}

// Door distances from one room over doors into rooms; 65535 when not reached.
// A door of kind skip is not crossed (pass 99 to cross every door).
inline std::vector<u16> distances(const sv_floor* f, u16 from, u32 skip = 99)
{
    std::vector<u16> d(f->room_count, SV_NONE16);
    if (from >= f->room_count)
        return d;
    std::vector<u16> queue {from};
    d[from] = 0;
    for (size_t i = 0; i < queue.size(); ++i) {
        const sv_room& r = f->rooms[queue[i]];
        for (u8 k = 0; k < r.door_count; ++k) {
            u16 t = r.doors[k].target;
            if (t >= f->room_count || d[t] != SV_NONE16 || r.doors[k].kind == skip)
                continue;
            d[t] = (u16)(d[queue[i]] + 1);
            queue.push_back(t);
        }
    }
    return d;
}

// The parent chain of a room by door 0, the room itself first, up to and including room 0.
inline std::vector<u16> chain_of(const sv_floor* f, u16 room)
{
    std::vector<u16> chain {room};
    while (room != 0 && chain.size() <= f->room_count) {
        room = f->rooms[room].doors[0].target;
        chain.push_back(room);
    }
    return chain;
}

// Tunables back at their defaults around every test.
struct tunables_guard {
    tunables_guard() { sv_tune_reset_defaults(); }
    ~tunables_guard() { sv_tune_reset_defaults(); }
};

inline void set_tune(const char* key, f64 value)
{
    ASSERT_EQ(sv_tune_set_by_name(key, value), 1) << key;
}

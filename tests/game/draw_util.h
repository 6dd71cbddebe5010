// Helpers of the drawing tests: a recorder installed as the draw sink, generated floors from the
// base pack, and checks of recorded primitives against clip planes.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "console/cmd.h"
#include "core/boot.h"
#include "core/tune.h"
#include "game/cmd_gen.h"
#include "game/draw.h"
#include "support/reset.h"

// Whether this build runs under AddressSanitizer: its sweeps then take fewer floors.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool k_draw_sanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool k_draw_sanitized = true;
#else
inline constexpr bool k_draw_sanitized = false;
#endif
#else
inline constexpr bool k_draw_sanitized = false;
#endif

// Records everything drawn while it lives; the frame's anchors are reset around it.
struct draw_capture {
    std::vector<sv_draw_prim> items;
    sv_draw_recorder rec {};
    explicit draw_capture(u64 cap = 1u << 16) : items(cap)
    {
        rec.items = items.data();
        rec.cap = cap;
        sv_draw_set_sink(sv_draw_recorder_sink(&rec));
        sv_draw_set_frame(nullptr);
    }
    ~draw_capture()
    {
        sv_draw_set_sink(sv_draw_sink {nullptr, nullptr});
        sv_draw_set_frame(nullptr);
    }
    draw_capture(const draw_capture&) = delete;
    draw_capture& operator=(const draw_capture&) = delete;
    void clear() { rec.count = rec.tris = rec.lines = rec.flushes = 0; }
    u64 stored() const { return rec.count < rec.cap ? rec.count : rec.cap; }
    const sv_draw_prim& at(u64 i) const { return items[i]; }
    // Primitives of kind in colour (alpha ignored when any_alpha).
    u64 count(u8 kind, Color c, bool any_alpha = false) const
    {
        u64 n = 0;
        for (u64 i = 0; i < stored(); ++i) {
            const sv_draw_prim& p = items[i];
            if (p.kind == kind && p.colour.r == c.r && p.colour.g == c.g && p.colour.b == c.b
                && (any_alpha || p.colour.a == c.a))
                ++n;
        }
        return n;
    }
};

inline bool same_colour(Color a, Color b)
{
    return a.r == b.r && a.g == b.g && a.b == b.b && a.a == b.a;
}

// Signed distance of p inside plane k of the view (>= 0 inside).
inline f32 plane_side(const sv_portal_view* v, u8 k, const Vector3& p)
{
    return v->normals[k][0] * p.x + v->normals[k][1] * p.y + v->normals[k][2] * p.z + v->d[k];
}

// The smallest side of the points of prim over the view's planes (its first n points).
inline f32 worst_side(const sv_portal_view* v, const sv_draw_prim& prim)
{
    u32 n = prim.kind == SV_DRAW_TRI ? 3 : 2;
    f32 worst = 1e30f;
    for (u8 k = 0; k < v->count; ++k)
        for (u32 j = 0; j < n; ++j)
            worst = std::min(worst, plane_side(v, k, prim.p[j]));
    return worst;
}

// Boots the base pack and holds the floor that "gen seed number" makes.
struct gen_floor_fixture : ::testing::Test {
    void SetUp() override
    {
        sv_test_reset_all();
        ASSERT_EQ(sv_pack_boot(SV_BINARY_DIR "/packs/base"), 1);
        sv_tune_reset_defaults();
        sv_gen_register_commands();
    }
    void TearDown() override { sv_test_reset_all(); }
    sv_floor* gen(u64 seed, u16 number)
    {
        char line[64];
        std::snprintf(line, sizeof line, "gen %llu %u", (unsigned long long)seed, number);
        sv_cmd_dispatch(line);
        return sv_gen_current();
    }
};

// Helpers of the world tests: generated floors with corridors, hand-made geometry, hashing.
#pragma once
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "core/tune.h"
#include "floor/floor.h"
#include "floor/gen.h"
#include "world/geom.h"
#include "world/geom_apply.h"

// Whether this build runs under AddressSanitizer: its sweeps then take every n-th seed only.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool k_sanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool k_sanitized = true;
#else
inline constexpr bool k_sanitized = false;
#endif
#else
inline constexpr bool k_sanitized = false;
#endif

// The seed step of a sweep: 1, or n under the sanitizer.
inline constexpr u64 sanitized_stride(u64 n)
{
    return k_sanitized ? n : 1;
}

// How a test floor gets its corridors: none, laid by the test (every shape of piece, fixed
// sizes), or by the laying pass with the scales, elevations and interiors it chooses.
enum class world_lay {
    none,
    hand,
    pass
};

// A generated floor that frees itself; corridors laid by hand are one passage per door pair,
// cycling through a door step, a straight run, and runs with a bend either way.
struct world_floor {
    sv_floor f {};
    world_floor(u64 seed, u16 number, bool corridors = true)
        : world_floor(seed, number, corridors ? world_lay::hand : world_lay::none)
    { }
    world_floor(u64 seed, u16 number, world_lay lay)
    {
        sv_floor_init(&f, number, seed, (u16)sv_gen_capacity_for(number));
        sv_gen_grow(&f);
        if (lay == world_lay::hand)
            add_corridors();
        else if (lay == world_lay::pass)
            sv_geom_apply(&f);
    }
    ~world_floor() { sv_floor_free(&f); }
    world_floor(const world_floor&) = delete;
    world_floor& operator=(const world_floor&) = delete;

    void add_corridors()
    {
        u32 n = 0;
        for (u16 r = 0; r < f.room_count; ++r) {
            const sv_room* room = &f.rooms[r];
            for (u8 d = 0; d < room->door_count; ++d) {
                const sv_door* door = &room->doors[d];
                u16 t = door->target;
                if (door->kind == SV_DOOR_EXIT || t >= f.room_count || t < r
                    || (t == r && door->back <= d) || sv_floor_passage_of(&f, r, d) >= 0)
                    continue;
                sv_passage p;
                memset(&p, 0, sizeof p);
                p.room_a = r;
                p.room_b = t;
                p.door_a = d;
                p.door_b = door->back;
                p.width = 2.4f;
                static const u8 k_kinds[4][5] = {{2}, {2, 0, 2}, {2, 0, 1, 0, 2}, {2, 0, 1, 0, 2}};
                static const u16 k_counts[4] = {1, 3, 5, 5};
                u32 shape = n++ % 4;
                i32 index = sv_floor_add_passage(&f, &p, k_counts[shape]);
                if (index < 0)
                    continue;
                sv_passage* added = &f.passages[index];
                for (u16 j = 0; j < added->piece_count; ++j) {
                    sv_passage_piece* piece = &added->pieces[j];
                    memset(piece, 0, sizeof *piece);
                    piece->kind = k_kinds[shape][j];
                    piece->length = piece->kind == SV_PIECE_STEP ? 0.4f
                        : piece->kind == SV_PIECE_BEND           ? 2.4f
                                                                 : 3.0f + (f32)j;
                    piece->turn = piece->kind == SV_PIECE_BEND ? (shape == 2 ? 1 : -1) : 0;
                }
            }
        }
    }
};

inline u64 fnv_bytes(const void* data, size_t n)
{
    const u8* p = (const u8*)data;
    u64 h = 1469598103934665603ULL;
    for (size_t i = 0; i < n; ++i)
        h = (h ^ p[i]) * 1099511628211ULL;
    return h;
}

// A bare geometry record with a regular polygon of n vertices and radius r about the origin.
inline void regular_geom(sv_geom* g, u8 n, f32 r)
{
    memset(g, 0, sizeof *g);
    g->vertex_count = n;
    for (u8 i = 0; i < n; ++i) {
        f32 a = (f32)i * 6.2831855f / (f32)n;
        g->vertices[i] = Vector2 {r * std::cos(a), r * std::sin(a)};
    }
    g->radius = r;
    g->first_dais = SV_NO_DAIS;
    g->interior = SV_INTERIOR_BARE;
}

// Area of a polygon of (x, z) points, by the shoelace rule.
inline double poly_area(const Vector2* p, u32 n)
{
    double s = 0.0;
    for (u32 i = 0; i < n; ++i) {
        const Vector2& a = p[i];
        const Vector2& b = p[(i + 1) % n];
        s += (double)a.x * b.y - (double)b.x * a.y;
    }
    return std::fabs(s) * 0.5;
}

inline double tri_area(const sv_triangle& t)
{
    Vector2 p[3] = {{t.p[0].x, t.p[0].z}, {t.p[1].x, t.p[1].z}, {t.p[2].x, t.p[2].z}};
    return poly_area(p, 3);
}

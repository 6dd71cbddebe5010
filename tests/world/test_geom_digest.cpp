// One digest over the bytes of many built places pins the whole generator: every draw in its
// order, every reading of the interior rules, and the same bytes from every compiler, build and C
// library (the geometry's sines, arc tangents and min/max are the project's own, core/fmath), so
// the Linux and the Windows build print the same value.
#include <gtest/gtest.h>

#include "world/world_util.h"

TEST(GeomDigest, BuiltPlacesArePinned)
{
    sv_tune_reset_defaults();
    static sv_geom s_g;
    u64 digest = 1469598103934665603ULL;
    for (u64 seed = 1; seed <= 8; ++seed) {
        world_floor wf(seed, 2);
        for (u16 r = 0; r < wf.f.room_count; ++r) {
            wf.f.rooms[r].radius_scale = r % 2 ? 1.8f : 1.0f; // reach every form of dais
            wf.f.rooms[r].elevation = (f32)(r % 3);
            for (u8 draw = 0; draw < 9; ++draw) {
                wf.f.rooms[r].interior = draw < 8 ? draw : SV_INTERIOR_BARE;
                sv_geom_build(&s_g, &wf.f, r);
                digest = (digest ^ fnv_bytes(&s_g, sizeof s_g)) * 1099511628211ULL;
            }
        }
        for (u16 p = wf.f.room_count; p < wf.f.place_count; ++p) {
            sv_geom_build(&s_g, &wf.f, p);
            digest = (digest ^ fnv_bytes(&s_g, sizeof s_g)) * 1099511628211ULL;
        }
    }
    // A deliberate change to the generator changes this value: check the sweeps, then take
    // the new value printed here.
    EXPECT_EQ(digest, 0x36282d54d6d80b25ULL) << std::hex << "digest 0x" << digest;
}

TEST(GeomDigest, CrowdedRoomsAtThePacksLimitsArePinned)
{
    // Packs may set these anywhere in their ranges: rooms two hundred metres across or three,
    // crowded with the smallest or the largest columns and blocks, the narrowest player. The
    // interior's quick refusals lean on rounding staying far below a centimetre; these sizes
    // test that on Linux and Windows alike.
    static const char* const k_sets[2][11]
        = {{"geom.room_radius", "geom.radius_spread", "geom.hub_scale", "geom.arena_scale",
            "player.radius", "interior.columns", "interior.blocks", "interior.benches",
            "interior.column_radius", "interior.block_size", "interior.spacing"},
           {"geom.room_radius", "geom.radius_spread", "geom.door_width", "interior.dais_chance",
            "player.radius", "interior.columns", "interior.blocks", "interior.benches",
            "interior.column_radius", "interior.block_size", "interior.spacing"}};
    static const f64 k_values[2][11] = {{200, 0.9, 10, 10, 0.05, 20, 20, 20, 0.1, 0.2, 0},
                                        {3, 0.9, 0.2, 1, 0.05, 20, 20, 20, 5, 10, 20}};
    static sv_geom s_g;
    u64 digest = 1469598103934665603ULL;
    for (u32 set = 0; set < 2; ++set) {
        sv_tune_reset_defaults();
        for (u32 k = 0; k < 11; ++k)
            ASSERT_EQ(sv_tune_set_by_name(k_sets[set][k], k_values[set][k]), 1);
        for (u64 seed = 1; seed <= 3; ++seed) {
            world_floor wf(seed, 4);
            for (u16 r = 0; r < wf.f.room_count; ++r)
                for (u8 draw = 0; draw < 8; ++draw) {
                    wf.f.rooms[r].interior = draw;
                    sv_geom_build(&s_g, &wf.f, r);
                    digest = (digest ^ fnv_bytes(&s_g, sizeof s_g)) * 1099511628211ULL;
                }
        }
    }
    sv_tune_reset_defaults();
    EXPECT_EQ(digest, 0xfff9db01dcd83f19ULL) << std::hex << "digest 0x" << digest;
}

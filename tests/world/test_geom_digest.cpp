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

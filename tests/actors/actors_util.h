// Helpers of the actors tests: hand-made places, weapons, and packs of content written on the fly.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "actors/player.h"
#include "core/boot.h"
#include "core/content.h"
#include "core/diag.h"
#include "core/pack.h"
#include "core/tune.h"
#include "core/vfs.h"
#include "support/files.h"

// A square place of side 2 half, centred on the origin, no doors or fixtures, floor at 0.
inline sv_geom square_place(f32 half)
{
    sv_geom g;
    std::memset(&g, 0, sizeof g);
    g.vertices[0] = {-half, -half};
    g.vertices[1] = {half, -half};
    g.vertices[2] = {half, half};
    g.vertices[3] = {-half, half};
    g.vertex_count = 4;
    g.floor_y = 0.0f;
    g.ceiling_y = 3.0f;
    g.radius = half;
    g.first_dais = SV_NO_DAIS;
    g.interior = SV_INTERIOR_BARE;
    return g;
}

// A weapon whose primary attack has the given kind and phase times; stamina -1 (the tunable).
inline sv_weapon test_weapon(u8 kind, f32 windup, f32 active, f32 recovery, u32 grit = 0)
{
    sv_weapon w;
    std::memset(&w, 0, sizeof w);
    w.primary.kind = kind;
    w.primary.damage = 5.0f;
    w.primary.windup = windup;
    w.primary.active = active;
    w.primary.recovery = recovery;
    w.primary.range = 10.0f;
    w.primary.grit = grit;
    w.primary.stamina = -1.0f;
    w.secondary = w.primary;
    return w;
}

// Boots a pack made of the given data files (name -> JSON text) as the base pack, then puts the
// tunables back at their defaults; the directory lives as long as the value.
struct content_pack {
    sv_test_dir dir {"actors_pack"};
    content_pack(std::initializer_list<std::pair<const char*, std::string>> files)
    {
        for (const auto& f : files)
            sv_test_write_file(dir.path + "/data/" + f.first, f.second);
        sv_pack_boot(dir.path.c_str());
        sv_tune_reset_defaults();
        sv_diag_reset();
    }
    ~content_pack() { unload(); }
    static void unload()
    {
        sv_content_reset();
        sv_pack_reset();
        sv_vfs_clear();
        sv_tune_reset_defaults();
        sv_diag_reset();
    }
};

// Boots the base pack beside the programs and puts the tunables back at their defaults.
inline void boot_base_pack()
{
    ASSERT_EQ(sv_pack_boot(SV_BINARY_DIR "/packs/base"), 1);
    sv_tune_reset_defaults();
    sv_diag_reset();
}

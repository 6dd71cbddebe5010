// Pack manifests ("pack.json") of the current mounts and the display label of every mount.
#pragma once
#include "core/types.h"

// One row per mount, in mount order. Without a usable manifest only path is set.
struct sv_pack {
    char* id;
    char* name;
    char* version;
    char* path;
    u8 has_manifest;
};

// Rebuilds the list from the mounts; 1 when every mount had an accepted manifest.
int sv_pack_scan(void);
// Frees every row; the list becomes empty.
void sv_pack_reset(void);
// Rows in the list: the mounts at the last scan.
u64 sv_pack_count(void);
// The row at index, or null past the last; valid until the next scan or reset.
const sv_pack* sv_pack_at(u64 index);
// The manifest id, else the mount's path, else "?" for an index beyond the mounts.
const char* sv_pack_label(u64 mount_index);
// 1 when more than the base pack is mounted.
int sv_pack_modded(void);

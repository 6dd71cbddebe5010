// Pack boot and reload: make the mounted packs live (manifests, tunables, content).
#pragma once
#include "core/types.h"

// Clears the mounts, mounts the base pack at path and loads everything from it; also checks that
// the base pack's "tunables.json" names every tunable. 1 when everything loaded cleanly.
// A path that cannot be mounted leaves no mount and every tunable at its default.
int sv_pack_boot(const char* path);
// Rebuilds the pack list, tunables and content from the current mounts; 1 when tunables and
// content loaded without a fatal file problem.
int sv_pack_reload(void);

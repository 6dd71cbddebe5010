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
// Logs what a person starting the game needs to know of the boot just made from path: when
// nothing is mounted, the mount error (naming the path and the reason) and that the run goes on
// compiled-in defaults; else, when the boot reported warnings or errors, one line with how many
// and that `diag` lists them. given is 1 when the path came from "--pack", 0 for the default one.
void sv_pack_boot_log(const char* path, u8 given);

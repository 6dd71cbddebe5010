// A fixture of the layering test: game may reach every layer below it.
#include "console/cmd.h"
#include "core/types.h"
#include "floor/floor.h"
#include "game/cmd_gen.h"

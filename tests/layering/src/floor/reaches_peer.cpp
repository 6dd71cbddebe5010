// A fixture of the layering test: floor reaching its peer console.
#include "core/types.h"
#include "floor/floor.h"

#include "console/cmd.h"

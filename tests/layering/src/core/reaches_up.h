// A fixture of the layering test: core reaching a layer above it.
#pragma once
#include "core/types.h"
#include "floor/floor.h"

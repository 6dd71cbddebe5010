// Read-only renderings of a floor's topology: an indented text tree and a Graphviz digraph.
#pragma once
#include "core/writer.h"
#include "floor/floor.h"

void sv_render_text(const sv_floor* floor, sv_writer w);
void sv_render_dot(const sv_floor* floor, sv_writer w);

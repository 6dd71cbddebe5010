// Read-only renderings of a floor's topology: an indented text tree and a Graphviz digraph.
#pragma once
#include "core/writer.h"
#include "floor/floor.h"

// Writes the legend and the room tree from spawn, then the rooms not reached; nothing for a null
// floor or writer.
void sv_render_text(const sv_floor* floor, sv_writer w);
// Writes a Graphviz digraph: a node per room, an edge per door into a room, visited rooms
// filled; nothing for a null floor or writer.
void sv_render_dot(const sv_floor* floor, sv_writer w);

// The navigation grid of one place: shared by the navigation files of the world library and its
// tests, not by other libraries. The build's stages are in nav_build.h, the kept grids in
// nav_kept.h, the path search's heap and funnel in nav_path.h.
#pragma once
#include "world/nav.h"

// A rectangle of cells sharing one ground face.
struct sv_nav_rect {
    u16 x0, z0;     // first column and row
    u16 x1, z1;     // one past the last column and row
    u16 face;       // sv_ground_face of all its cells
    u32 first_link; // index of its first outgoing link
    u32 link_count; // outgoing links
};

// A directed link from a rectangle to a neighbour across one of its sides.
struct sv_nav_link {
    u16 to;          // target rectangle
    u8 gap;          // 1 when the link crosses a band of non-walkable cells
    Vector2 a, b;    // doorway on the source's boundary line; both the run's middle for a gap link
    Vector2 landing; // inside the target, half a cell past the gap, on the run's middle
};

// Room for building the largest grid: a build writes its rectangles and links here, and its
// cells too when no buffer of their own could be had; keeping a grid copies what it uses.
struct sv_nav_store {
    u8 walkable[SV_NAV_CELLS];
    f32 obstacle_top[SV_NAV_CELLS];
    f32 ground[SV_NAV_CELLS];
    u16 ground_face[SV_NAV_CELLS];
    u16 rect_of_cell[SV_NAV_CELLS];
    sv_nav_rect rects[SV_NAV_RECTS];
    sv_nav_link links[SV_NAV_LINKS];
    u16 incoming[SV_NAV_LINKS];
    u32 incoming_start[SV_NAV_RECTS + 1];
};

// The one grid: built for a geometry record (kept byte for byte beside it), a body radius and
// player.step_height. Its arrays are the build store's right after a build and a kept grid's
// own (read in place, not copied back) when it was restored; cells are indexed j * width + i.
struct sv_nav_grid {
    u8 built;   // 1 once a grid was built; it matches the record kept beside it
    f32 radius; // body radius
    f32 step;   // player.step_height it was built with
    f32 origin_x, origin_z;
    f32 cell;
    u16 width, height; // cells along x and z, at most SV_NAV_SIDE
    u8* walkable;      // 1 when a body centre may stand in the cell
    f32* obstacle_top; // world height; -1e9 none, 1e9 impassable
    f32* ground;       // world ground height at the cell centre
    u16* ground_face;  // sv_ground_face at the cell centre
    u16* rect_of_cell; // 65535 none
    sv_nav_rect* rects;
    u32 rect_count;
    sv_nav_link* links; // grouped by source rectangle
    u32 link_count;
    u16* incoming;       // sources of the links into each rectangle, as one list
    u32* incoming_start; // rect_count + 1 entries
    u64 builds;          // rebuilds since start-up
};

// Points the grid's arrays at store.
inline void nav_grid_attach(sv_nav_grid* grid, sv_nav_store* store)
{
    grid->walkable = store->walkable;
    grid->obstacle_top = store->obstacle_top;
    grid->ground = store->ground;
    grid->ground_face = store->ground_face;
    grid->rect_of_cell = store->rect_of_cell;
    grid->rects = store->rects;
    grid->links = store->links;
    grid->incoming = store->incoming;
    grid->incoming_start = store->incoming_start;
}

// The cell arrays of one grid in one allocation: the f32 arrays, then the u16 ones, then the
// bytes, each aligned; byte offsets and the whole size for a number of cells.
struct nav_cell_layout {
    u64 obstacle_top, ground, ground_face, rect_of_cell, walkable, size;
};

inline nav_cell_layout nav_cells_for(u32 cells)
{
    nav_cell_layout c;
    c.obstacle_top = 0;
    c.ground = c.obstacle_top + sizeof(f32) * cells;
    c.ground_face = c.ground + sizeof(f32) * cells;
    c.rect_of_cell = c.ground_face + sizeof(u16) * cells;
    c.walkable = c.rect_of_cell + sizeof(u16) * cells;
    c.size = c.walkable + cells;
    return c;
}

// Points the grid's cell arrays at b, laid out by nav_cells_for(cells).
inline void nav_attach_cells(sv_nav_grid* grid, u8* b, u32 cells)
{
    nav_cell_layout c = nav_cells_for(cells);
    grid->obstacle_top = (f32*)(b + c.obstacle_top);
    grid->ground = (f32*)(b + c.ground);
    grid->ground_face = (u16*)(b + c.ground_face);
    grid->rect_of_cell = (u16*)(b + c.rect_of_cell);
    grid->walkable = b + c.walkable;
}

// An allocated buffer of cells (bytes null, size 0 when none).
struct nav_cell_buffer {
    u8* bytes;
    u64 size;
};

// The grid as last built; stable until the next ready with other inputs.
const sv_nav_grid* sv_nav_current_grid(void);

// Makes the grid match (geom, radius, player.step_height) when any differs: taken from the
// kept grids when one was built from the same three (compared exactly: the whole record's bytes,
// the radius's and the step's), else built (builds counts it) and, with keep_built, kept. Path
// queries keep what they build (the places in play are asked again); the walkability test of
// generation builds each room once and does not. geom must hold at least 3 wall vertices.
void ready(const sv_geom* geom, f32 radius, u8 keep_built);

// Frees every kept grid; the working grid stays as it is unless it was one of them (the next
// ready makes it again).
void sv_nav_forget_kept(void);

// A test of cell (i, j) of the working grid, with the caller's context: nonzero takes it.
typedef int (*sv_nav_cell_test)(void* ctx, i32 i, i32 j);

// Rectangle whose cell centre is nearest (x, z) among the 7 x 7 cells around it that are
// walkable, belong to a rectangle and (unless any) have ground at most y + player.step_height;
// -1 when none or when x, z are not finite or lie far off the grid.
i32 rect_at(f32 x, f32 z, f32 y, u8 any);

// The rectangle a path to (x, z) ends in: rect_at at any height, among the cells a body walks
// straight from to the point over nothing that rises more than a step above it (the floor beside
// a bench whose edge holds the point is not one); among all cells when none does.
i32 sv_nav_goal_rect_at(f32 x, f32 z);

// The rectangle of the first cell, nearest (x, z) first (ties in window order), among the 7 x 7
// around it that are walkable and in a rectangle, that accept takes (asked of each in turn, until
// one is taken); -1 when none is, or as rect_at for a point not finite or far off the grid.
i32 sv_nav_nearest_cell_where(f32 x, f32 z, sv_nav_cell_test accept, void* ctx);

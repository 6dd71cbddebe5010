// The path search's own parts, shared with the tests: the binary heap of its A* and the funnel
// that pulls a string through the portals of a path. Private to the world library.
#pragma once
#include "world/nav.h"

// The min-heap of rectangle ids ordered by f; a rectangle may be in it more than once.
struct sv_nav_heap {
    u16 ids[SV_NAV_HEAP];
    u32 size;
    u32 peak;            // largest size since the last reset of the peak
    f32 f[SV_NAV_RECTS]; // cost of each rectangle, read when ordering
};

// The heap of the path search.
sv_nav_heap* sv_nav_search_heap(void);
void sv_nav_heap_clear(void);
void heap_push(u16 id);    // panics rather than drop a push (it cannot fill: see SV_NAV_HEAP)
u16 sv_nav_heap_pop(void); // the id with the smallest f; the heap must not be empty

// String pulling through portals [0, n) (left and right points; portal 0 the start, the last
// the goal as a point): writes the corners to out, at most cap, and returns the count; sets
// *done when the goal itself was written as the last corner. Ends on any input: the scan stops
// after 64 n + 1024 steps, far more than any real path takes.
u64 sv_nav_funnel(const Vector2* lefts, const Vector2* rights, u32 n, Vector2* out, u64 cap,
                  int* done);

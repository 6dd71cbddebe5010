// The navigation grid's rectangles: walkable cells of one ground face merged greedily, each grown
// right, then down while a whole row of the same face follows.
#include <cstring>

#include "world/nav_build.h"

// Fills n values with v.
static void fill_u16(u16* d, u32 n, u16 v)
{
    for (u32 i = 0; i < n; ++i)
        d[i] = v;
}

// Grows the rectangle id of face with first row j and columns [i, x1) down while a whole row of
// its face follows, marking its cells; returns one past its last row.
[[gnu::always_inline]] static inline u16 grow_down(sv_nav_grid* g, u16 i, u16 j, u16 x1, u16 face,
                                                   u16 id)
{
    u16 w = g->width, h = g->height;
    u16 z1 = (u16)(j + 1);
    u32 c = (u32)j * w + i;
    if (x1 == i + 1) {
        // One column (most of them): a cell a row.
        g->rect_of_cell[c] = id;
        for (c += w; z1 < h && g->walkable[c] && g->ground_face[c] == face; ++z1, c += w)
            g->rect_of_cell[c] = id;
        return z1;
    }
    fill_u16(&g->rect_of_cell[c], (u32)(x1 - i), id);
    for (; z1 < h; ++z1) {
        u32 d = (u32)z1 * w + i, d1 = (u32)z1 * w + x1;
        while (d < d1 && g->walkable[d] && g->ground_face[d] == face)
            ++d;
        if (d < d1)
            break;
        fill_u16(&g->rect_of_cell[(u32)z1 * w + i], (u32)(x1 - i), id);
    }
    return z1;
}

// The rectangles from rows above that reach the row being merged, by first column: the cells they
// hold in it split it into free spans, each walked for new rectangles; those reaching the next
// row too are passed on to it.
void sv_nav_merge_rects(nav_build* b)
{
    sv_nav_grid* g = b->grid;
    u16 w = g->width, h = g->height;
    nav_active_rect* active = b->scratch->active[0];
    nav_active_rect* next = b->scratch->active[1];
    u32 na = 0;
    for (u16 j = 0; j < h; ++j) {
        const u8* walk = &g->walkable[(u32)j * w];
        const u16* faces = &g->ground_face[(u32)j * w];
        u32 nn = 0;
        u16 i = 0;
        for (u32 a = 0;; ++a) {
            // The free span [i, lim) before the next rectangle from above (or the row's end).
            u16 lim = a < na ? active[a].x0 : w;
            while (i < lim) {
                if (g->rect_count >= SV_NAV_RECTS)
                    return;
                if (!walk[i]) {
                    // Walkable cells hold exactly 1: find the next one in the span at once.
                    const void* on = memchr(&walk[i], 1, (size_t)(lim - i));
                    if (!on)
                        break;
                    i = (u16)((const u8*)on - walk);
                    continue;
                }
                u16 face = faces[i];
                u16 x1 = (u16)(i + 1);
                while (x1 < lim && walk[x1] && faces[x1] == face)
                    ++x1;
                // Below this row no cell of columns [i, x1) is taken yet: a rectangle from a row
                // above reaching lower would hold them in this row too, and those of this row
                // lie to the left. Only the walkable flag and the face decide.
                u16 id = (u16)g->rect_count++;
                u16 z1 = grow_down(g, i, j, x1, face, id);
                g->rects[id] = sv_nav_rect {i, j, x1, z1, face, 0, 0};
                if (z1 > j + 1)
                    next[nn++] = nav_active_rect {i, x1, z1, id};
                i = x1;
            }
            if (a >= na)
                break;
            if (active[a].z1 > j + 1)
                next[nn++] = active[a];
            i = active[a].x1;
        }
        nav_active_rect* t = active;
        active = next;
        next = t;
        na = nn;
    }
}

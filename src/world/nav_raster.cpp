// The navigation grid's first stage: the floor polygon rasterised into walkable cells.
#include <cstring>

#include "world/nav_build.h"

// Cells whose centres lie strictly inside the floor polygon, row by row. Their ground is read
// later, for the cells that stay walkable (no other cell's ground is ever used).
void sv_nav_rasterise(nav_build* b)
{
    sv_nav_grid* g = b->grid;
    const sv_geom* geom = b->geom;
    f32* cross = b->scratch->cross;
    u8 n = geom->vertex_count;
    for (i32 j = 0; j < g->height; ++j) {
        f32 zc = g->origin_z + ((f32)j + 0.5f) * g->cell;
        u32 count = 0;
        for (u8 i = 0, p = (u8)(n - 1); i < n; p = i++) {
            Vector2 vi = geom->vertices[i], vp = geom->vertices[p];
            if ((vi.y > zc) != (vp.y > zc))
                cross[count++] = (zc - vi.y) / (vp.y - vi.y) * (vp.x - vi.x) + vi.x;
        }
        if (count < 2)
            continue;
        for (u32 a = 1; a < count; ++a) {
            f32 v = cross[a];
            u32 k = a;
            for (; k > 0 && cross[k - 1] > v; --k)
                cross[k] = cross[k - 1];
            cross[k] = v;
        }
        for (u32 a = 0; a + 1 < count; a += 2) {
            f32 xa = cross[a], xb = cross[a + 1];
            i32 i0 = nav_floor_index((xa - g->origin_x) / g->cell - 1.0f, 0, g->width - 1);
            i32 i1 = nav_floor_index((xb - g->origin_x) / g->cell + 1.0f, 0, g->width - 1);
            // Centres never decrease along the row, so the cells inside are one unbroken run:
            // trim its ends, then fill it.
            while (i0 <= i1 && !(nav_centre_x(g, i0) > xa))
                ++i0;
            while (i1 >= i0 && !(nav_centre_x(g, i1) < xb))
                --i1;
            if (i0 > i1)
                continue;
            u32 idx = (u32)(j * g->width + i0);
            memset(&g->walkable[idx], 1, (size_t)(i1 - i0 + 1));
            nav_fill_f32(&g->obstacle_top[idx], (u32)(i1 - i0 + 1), -1e9f);
        }
    }
}

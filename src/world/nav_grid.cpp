// The navigation grid of a place: the floor polygon rasterised into square cells, eroded by the
// walls, ramp sides and fixtures for one body radius, cleared of small islands, merged into
// rectangles that each lie on one ground face, and joined by directed links (across touching
// sides, or over a low band that a body can step across). One static grid, rebuilt only when
// asked for with another geometry record, radius or step height. Also the search's heap.
#include "world/nav_grid.h"

#include <cmath>
#include <cstring>

#include "core/panic.h"
#include "core/tune.h"
#include "world/geom.h"

// State -------------------------------------------------------------------------------------

static sv_nav_grid g_grid;
static sv_nav_heap g_heap;
static sv_geom s_built;            // the record the grid was built from: its identity
static u8 s_queue_i[SV_NAV_CELLS]; // flood of one island: columns
static u8 s_queue_j[SV_NAV_CELLS]; // and rows
static u8 s_seen[SV_NAV_CELLS];    // cells reached by the island floods
static f32 s_cross[SV_GEOM_VERTICES];

const sv_nav_grid* nav_grid(void)
{
    return &g_grid;
}

// Helpers -----------------------------------------------------------------------------------

// floor(v) or trunc(v) as an index clamped to [lo, hi]; NaN gives lo. Never converts a value
// that does not fit (the conversion would be undefined).
static i32 clamp_index(f64 v, i32 lo, i32 hi)
{
    if (!(v >= (f64)lo))
        return lo;
    if (!(v <= (f64)hi))
        return hi;
    return (i32)v;
}

static i32 floor_index(f32 v, i32 lo, i32 hi)
{
    return clamp_index(floor((f64)v), lo, hi);
}

static Vector2 cell_centre(i32 i, i32 j)
{
    return Vector2 {g_grid.origin_x + ((f32)i + 0.5f) * g_grid.cell,
                    g_grid.origin_z + ((f32)j + 0.5f) * g_grid.cell};
}

// Distance from p to segment a-b; a segment shorter than 1e-9 squared is its point a.
static f32 seg_dist(Vector2 p, Vector2 a, Vector2 b)
{
    f32 dx = b.x - a.x, dz = b.y - a.y;
    f32 len = dx * dx + dz * dz;
    f32 t = 0.0f;
    if (len > 1e-9f) {
        t = ((p.x - a.x) * dx + (p.y - a.y) * dz) / len;
        t = t < 0.0f ? 0.0f : (t > 1.0f ? 1.0f : t);
    }
    f32 ex = p.x - (a.x + t * dx), ez = p.y - (a.y + t * dz);
    return sqrtf(ex * ex + ez * ez);
}

// Rasterising -------------------------------------------------------------------------------

// Cells whose centres lie strictly inside the floor polygon, row by row. Their ground is read
// later, for the cells that stay walkable (no other cell's ground is ever used).
static void rasterise(const sv_geom* geom)
{
    u8 n = geom->vertex_count;
    for (i32 j = 0; j < g_grid.height; ++j) {
        f32 zc = g_grid.origin_z + ((f32)j + 0.5f) * g_grid.cell;
        u32 count = 0;
        for (u8 i = 0, p = (u8)(n - 1); i < n; p = i++) {
            Vector2 vi = geom->vertices[i], vp = geom->vertices[p];
            if ((vi.y > zc) != (vp.y > zc))
                s_cross[count++] = (zc - vi.y) / (vp.y - vi.y) * (vp.x - vi.x) + vi.x;
        }
        if (count < 2)
            continue;
        for (u32 a = 1; a < count; ++a) {
            f32 v = s_cross[a];
            u32 b = a;
            for (; b > 0 && s_cross[b - 1] > v; --b)
                s_cross[b] = s_cross[b - 1];
            s_cross[b] = v;
        }
        for (u32 a = 0; a + 1 < count; a += 2) {
            f32 xa = s_cross[a], xb = s_cross[a + 1];
            i32 i0 = floor_index((xa - g_grid.origin_x) / g_grid.cell - 1.0f, 0, g_grid.width - 1);
            i32 i1 = floor_index((xb - g_grid.origin_x) / g_grid.cell + 1.0f, 0, g_grid.width - 1);
            for (i32 i = i0; i <= i1; ++i) {
                Vector2 c = cell_centre(i, j);
                if (!(c.x > xa && c.x < xb))
                    continue;
                u32 idx = (u32)(j * g_grid.width + i);
                g_grid.walkable[idx] = 1;
                g_grid.obstacle_top[idx] = -1e9f;
            }
        }
    }
}

// Ground of the walkable cells. Only ramps and fixtures lift the ground off the floor, and only
// within their quads and bounding circles: cells outside the boxes around those (with a margin)
// are floor without asking.
static void read_ground(const sv_geom* geom)
{
    struct box {
        f32 x0, z0, x1, z1;
    };
    box hot[SV_GEOM_OPENINGS + SV_GEOM_FIXTURES];
    u32 n = 0;
    const f32 margin = 0.05f;
    for (u8 k = 0; k < geom->opening_count && k < SV_GEOM_OPENINGS; ++k) {
        const sv_opening* o = &geom->openings[k];
        f32 w = o->width * 0.5f;
        Vector2 c[4] = {{o->foot.x - o->tangent.x * w, o->foot.y - o->tangent.y * w},
                        {o->foot.x + o->tangent.x * w, o->foot.y + o->tangent.y * w},
                        {o->centre.x - o->tangent.x * w, o->centre.y - o->tangent.y * w},
                        {o->centre.x + o->tangent.x * w, o->centre.y + o->tangent.y * w}};
        box b = {c[0].x, c[0].y, c[0].x, c[0].y};
        for (int i = 1; i < 4; ++i) {
            b.x0 = fminf(b.x0, c[i].x);
            b.z0 = fminf(b.z0, c[i].y);
            b.x1 = fmaxf(b.x1, c[i].x);
            b.z1 = fmaxf(b.z1, c[i].y);
        }
        hot[n++] = box {b.x0 - margin, b.z0 - margin, b.x1 + margin, b.z1 + margin};
    }
    for (u8 k = 0; k < geom->fixture_count && k < SV_GEOM_FIXTURES; ++k) {
        const sv_fixture* f = &geom->fixtures[k];
        f32 r = fabsf(f->bound) + margin;
        hot[n++] = box {f->centre.x - r, f->centre.y - r, f->centre.x + r, f->centre.y + r};
    }
    for (i32 j = 0; j < g_grid.height; ++j) {
        for (i32 i = 0; i < g_grid.width; ++i) {
            u32 c = (u32)(j * g_grid.width + i);
            if (!g_grid.walkable[c])
                continue;
            Vector2 p = cell_centre(i, j);
            int near = 0;
            for (u32 k = 0; k < n && !near; ++k)
                near = !(p.x < hot[k].x0 || p.x > hot[k].x1 || p.y < hot[k].z0 || p.y > hot[k].z1);
            if (near) {
                g_grid.ground[c] = sv_geom_ground_on(geom, p.x, p.y, &g_grid.ground_face[c]);
            } else {
                g_grid.ground[c] = geom->floor_y;
                g_grid.ground_face[c] = SV_GROUND_FLOOR;
            }
        }
    }
}

// Erosion -----------------------------------------------------------------------------------

// Cells in [i0, i1] x [j0, j1] covering the box (x0, z0)-(x1, z1) grown by one cell.
static void cell_box(f32 x0, f32 z0, f32 x1, f32 z1, i32* i0, i32* j0, i32* i1, i32* j1)
{
    *i0 = floor_index((x0 - g_grid.origin_x) / g_grid.cell - 1.0f, 0, g_grid.width - 1);
    *i1 = floor_index((x1 - g_grid.origin_x) / g_grid.cell + 1.0f, 0, g_grid.width - 1);
    *j0 = floor_index((z0 - g_grid.origin_z) / g_grid.cell - 1.0f, 0, g_grid.height - 1);
    *j1 = floor_index((z1 - g_grid.origin_z) / g_grid.cell + 1.0f, 0, g_grid.height - 1);
}

// Blocks every cell closer than r to the face; walls are impassable, other faces remember the
// highest top that blocks the cell. A flat face of no height blocks nothing.
static void erode(const sv_geom* geom, const sv_face* face, u8 wall, f32 radius)
{
    if (!wall && face->top0 == face->bottom0 && face->top1 == face->bottom1)
        return;
    i32 i0, j0, i1, j1;
    cell_box(fminf(face->p0.x, face->p1.x) - radius, fminf(face->p0.y, face->p1.y) - radius,
             fmaxf(face->p0.x, face->p1.x) + radius, fmaxf(face->p0.y, face->p1.y) + radius, &i0,
             &j0, &i1, &j1);
    for (i32 j = j0; j <= j1; ++j) {
        for (i32 i = i0; i <= i1; ++i) {
            Vector2 c = cell_centre(i, j);
            if (!(seg_dist(c, face->p0, face->p1) < radius))
                continue;
            u32 idx = (u32)(j * g_grid.width + i);
            g_grid.walkable[idx] = 0;
            if (wall) {
                g_grid.obstacle_top[idx] = 1e9f;
            } else {
                f32 top = geom->floor_y + sv_geom_face_top(face, c);
                if (top > g_grid.obstacle_top[idx])
                    g_grid.obstacle_top[idx] = top;
            }
        }
    }
}

// Cells whose centres lie inside a solid fixture's footprint are impassable.
static void fill_solid(const sv_fixture* f)
{
    if (f->vertex_count == 0)
        return;
    f32 x0 = f->polygon[0].x, x1 = x0, z0 = f->polygon[0].y, z1 = z0;
    for (u8 v = 1; v < f->vertex_count; ++v) {
        x0 = fminf(x0, f->polygon[v].x);
        x1 = fmaxf(x1, f->polygon[v].x);
        z0 = fminf(z0, f->polygon[v].y);
        z1 = fmaxf(z1, f->polygon[v].y);
    }
    i32 i0, j0, i1, j1;
    cell_box(x0, z0, x1, z1, &i0, &j0, &i1, &j1);
    for (i32 j = j0; j <= j1; ++j) {
        for (i32 i = i0; i <= i1; ++i) {
            if (!poly_contains(f->polygon, f->vertex_count, cell_centre(i, j)))
                continue;
            u32 idx = (u32)(j * g_grid.width + i);
            g_grid.walkable[idx] = 0;
            g_grid.obstacle_top[idx] = 1e9f;
        }
    }
}

static void erode_all(const sv_geom* geom, f32 radius)
{
    for (u8 e = 0; e < geom->vertex_count; ++e) {
        sv_segment pieces[2];
        u8 count = sv_geom_wall_pieces(geom, e, pieces);
        for (u8 k = 0; k < count; ++k) {
            sv_face wall;
            memset(&wall, 0, sizeof wall);
            wall.p0 = pieces[k].a;
            wall.p1 = pieces[k].b;
            erode(geom, &wall, 1, radius);
        }
    }
    for (u8 k = 0; k < geom->opening_count; ++k)
        for (u8 side = 0; side < 2; ++side)
            erode(geom, &geom->ramp_sides[k][side], 0, radius);
    for (u8 k = 0; k < geom->fixture_count; ++k) {
        const sv_fixture* f = &geom->fixtures[k];
        for (u8 i = 0; i < f->face_count; ++i)
            erode(geom, &f->faces[i], 0, radius);
        if (!f->standable)
            fill_solid(f);
    }
}

// Islands -----------------------------------------------------------------------------------

// Drops every 4-connected patch of walkable cells too small to hold the body's disc.
static void drop_islands(f32 radius)
{
    f64 disc = 3.1415927f * radius * radius / (g_grid.cell * g_grid.cell);
    u32 min_cells = (u32)clamp_index(disc, 0, SV_NAV_CELLS) + 1;
    i32 w = g_grid.width, h = g_grid.height;
    memset(s_seen, 0, (size_t)w * h);
    for (i32 sj = 0; sj < h; ++sj) {
        for (i32 si = 0; si < w; ++si) {
            u32 start = (u32)(sj * w + si);
            if (!g_grid.walkable[start] || s_seen[start])
                continue;
            u32 head = 0, tail = 0;
            s_queue_i[tail] = (u8)si;
            s_queue_j[tail++] = (u8)sj;
            s_seen[start] = 1;
            while (head < tail) {
                i32 i = s_queue_i[head], j = s_queue_j[head++];
                const i32 di[4] = {-1, 1, 0, 0}, dj[4] = {0, 0, -1, 1};
                for (int k = 0; k < 4; ++k) {
                    i32 ni = i + di[k], nj = j + dj[k];
                    if (ni < 0 || nj < 0 || ni >= w || nj >= h)
                        continue;
                    u32 n = (u32)(nj * w + ni);
                    if (g_grid.walkable[n] && !s_seen[n]) {
                        s_seen[n] = 1;
                        s_queue_i[tail] = (u8)ni;
                        s_queue_j[tail++] = (u8)nj;
                    }
                }
            }
            if (tail < min_cells)
                for (u32 k = 0; k < tail; ++k)
                    g_grid.walkable[(u32)(s_queue_j[k] * w + s_queue_i[k])] = 0;
        }
    }
}

// Rectangles --------------------------------------------------------------------------------

static int joins(u32 idx, u16 face)
{
    return g_grid.walkable[idx] && g_grid.rect_of_cell[idx] == SV_NONE16
        && g_grid.ground_face[idx] == face;
}

// Greedy rectangles: grow right, then down while a whole row of the same face follows.
static void merge_rects(void)
{
    u16 w = g_grid.width, h = g_grid.height;
    for (u16 j = 0; j < h && g_grid.rect_count < SV_NAV_RECTS; ++j) {
        for (u16 i = 0; i < w && g_grid.rect_count < SV_NAV_RECTS; ++i) {
            u32 idx = (u32)j * w + i;
            if (!g_grid.walkable[idx] || g_grid.rect_of_cell[idx] != SV_NONE16)
                continue;
            u16 face = g_grid.ground_face[idx];
            u16 x1 = (u16)(i + 1);
            while (x1 < w && joins((u32)j * w + x1, face))
                ++x1;
            u16 z1 = (u16)(j + 1);
            for (; z1 < h; ++z1) {
                u16 x = i;
                while (x < x1 && joins((u32)z1 * w + x, face))
                    ++x;
                if (x < x1)
                    break;
            }
            u16 id = (u16)g_grid.rect_count++;
            sv_nav_rect* r = &g_grid.rects[id];
            *r = sv_nav_rect {i, j, x1, z1, face, 0, 0};
            for (u16 z = j; z < z1; ++z)
                for (u16 x = i; x < x1; ++x)
                    g_grid.rect_of_cell[(u32)z * w + x] = id;
        }
    }
}

// Links -------------------------------------------------------------------------------------

// Largest single rise of the ground between samples half a cell apart from a to b, at least 0.
static f32 ground_rise(const sv_geom* geom, Vector2 a, Vector2 b)
{
    f32 dx = b.x - a.x, dz = b.y - a.y;
    f32 len = sqrtf(dx * dx + dz * dz);
    u32 n = (u32)clamp_index(len / (g_grid.cell * 0.5f), 0, 4 * SV_NAV_SIDE);
    f32 prev = sv_geom_ground(geom, a.x, a.y), rise = 0.0f;
    for (u32 i = 1; i <= n + 1; ++i) {
        f32 t = (f32)i / (f32)(n + 1);
        f32 g = sv_geom_ground(geom, a.x + t * dx, a.y + t * dz);
        if (g - prev > rise)
            rise = g - prev;
        prev = g;
    }
    return rise;
}

// What lies across one side position: the target rectangle (-1 none) and the gap width.
struct side_target {
    i32 to;
    u8 gap;
    i32 gap_cells;
};

static side_target probe(const sv_geom* geom, u16 rect, i32 i, i32 j, i32 dx, i32 dz, i32 reach)
{
    side_target none = {-1, 0, 0};
    u32 e = (u32)(j * g_grid.width + i);
    i32 k = 1;
    u32 c = 0;
    for (; k <= reach; ++k) {
        i32 ci = i + k * dx, cj = j + k * dz;
        if (ci < 0 || cj < 0 || ci >= g_grid.width || cj >= g_grid.height)
            return none;
        c = (u32)(cj * g_grid.width + ci);
        if (g_grid.walkable[c])
            break;
    }
    if (k > reach || g_grid.rect_of_cell[c] == rect || g_grid.rect_of_cell[c] == SV_NONE16)
        return none;
    f32 step = g_grid.step;
    f32 ge = g_grid.ground[e];
    f32 rise;
    if (k == 1) {
        rise = g_grid.ground[c] - ge;
    } else {
        for (i32 m = 1; m < k; ++m)
            if (!(g_grid.obstacle_top[(u32)((j + m * dz) * g_grid.width + i + m * dx)]
                  <= ge + step + 0.001f))
                return none;
        Vector2 a = cell_centre(i, j), b = cell_centre(i + k * dx, j + k * dz);
        rise = ground_rise(geom, a, b);
        if (rise > 0.001f) {
            f32 px = (f32)dz * g_grid.cell, pz = (f32)dx * g_grid.cell;
            for (f32 s = -1.0f; s <= 1.0f; s += 2.0f) {
                f32 r = ground_rise(geom, Vector2 {a.x + s * px, a.y + s * pz},
                                    Vector2 {b.x + s * px, b.y + s * pz});
                if (r > rise)
                    rise = r;
            }
        }
    }
    if (!(rise <= step + 0.0001f))
        return none;
    return side_target {g_grid.rect_of_cell[c], (u8)(k > 1), k - 1};
}

// One link for the run of positions [first, last] of a side, while the table has room.
static void add_link(u16 rect, i32 dx, i32 dz, i32 first, i32 last, side_target t)
{
    if (t.to < 0 || g_grid.link_count >= SV_NAV_LINKS)
        return;
    const sv_nav_rect* r = &g_grid.rects[rect];
    f32 cell = g_grid.cell;
    sv_nav_link* l = &g_grid.links[g_grid.link_count++];
    l->to = (u16)t.to;
    l->gap = t.gap;
    if (dx != 0) {
        f32 x = g_grid.origin_x + (f32)(dx > 0 ? r->x1 : r->x0) * cell;
        l->a = Vector2 {x, g_grid.origin_z + (f32)(r->z0 + first) * cell};
        l->b = Vector2 {x, g_grid.origin_z + (f32)(r->z0 + last + 1) * cell};
    } else {
        f32 z = g_grid.origin_z + (f32)(dz > 0 ? r->z1 : r->z0) * cell;
        l->a = Vector2 {g_grid.origin_x + (f32)(r->x0 + first) * cell, z};
        l->b = Vector2 {g_grid.origin_x + (f32)(r->x0 + last + 1) * cell, z};
    }
    Vector2 mid = {(l->a.x + l->b.x) * 0.5f, (l->a.y + l->b.y) * 0.5f};
    if (t.gap)
        l->a = l->b = mid;
    f32 out = ((f32)t.gap_cells + 0.5f) * cell;
    l->landing = Vector2 {mid.x + (f32)dx * out, mid.y + (f32)dz * out};
    g_grid.rects[rect].link_count++;
}

// Links across one side of a rectangle: one per run of positions with the same target.
static void links_on_edge(const sv_geom* geom, u16 rect, i32 dx, i32 dz)
{
    const sv_nav_rect* r = &g_grid.rects[rect];
    f64 span = ceil((2.0 * g_grid.radius + g_grid.cell) / g_grid.cell);
    i32 reach = clamp_index(span, 0, SV_NAV_SIDE) + 2;
    i32 count = dx != 0 ? r->z1 - r->z0 : r->x1 - r->x0;
    i32 run_first = 0;
    side_target run = {-1, 0, 0};
    for (i32 pos = 0; pos < count; ++pos) {
        i32 i = dx != 0 ? (dx > 0 ? r->x1 - 1 : r->x0) : r->x0 + pos;
        i32 j = dx != 0 ? r->z0 + pos : (dz > 0 ? r->z1 - 1 : r->z0);
        side_target t = probe(geom, rect, i, j, dx, dz, reach);
        if (pos > 0 && (t.to != run.to || t.gap != run.gap || t.gap_cells != run.gap_cells)) {
            add_link(rect, dx, dz, run_first, pos - 1, run);
            run_first = pos;
        }
        run = t;
    }
    if (count > 0)
        add_link(rect, dx, dz, run_first, count - 1, run);
}

// All links, by source rectangle and side (+x, -x, +z, -z), then the incoming lists.
static void links(const sv_geom* geom)
{
    g_grid.link_count = 0;
    for (u32 r = 0; r < g_grid.rect_count; ++r) {
        g_grid.rects[r].first_link = g_grid.link_count;
        g_grid.rects[r].link_count = 0;
        links_on_edge(geom, (u16)r, 1, 0);
        links_on_edge(geom, (u16)r, -1, 0);
        links_on_edge(geom, (u16)r, 0, 1);
        links_on_edge(geom, (u16)r, 0, -1);
    }
    u32* start = g_grid.incoming_start;
    memset(start, 0, sizeof(u32) * (g_grid.rect_count + 1));
    for (u32 k = 0; k < g_grid.link_count; ++k)
        start[g_grid.links[k].to + 1]++;
    for (u32 r = 0; r < g_grid.rect_count; ++r)
        start[r + 1] += start[r];
    static u32 s_fill[SV_NAV_RECTS];
    memcpy(s_fill, start, sizeof(u32) * g_grid.rect_count);
    for (u32 r = 0; r < g_grid.rect_count; ++r) {
        const sv_nav_rect* rc = &g_grid.rects[r];
        for (u32 k = rc->first_link; k < rc->first_link + rc->link_count; ++k)
            g_grid.incoming[s_fill[g_grid.links[k].to]++] = (u16)r;
    }
}

// Building ----------------------------------------------------------------------------------

// Bounds, cell size and the empty grid; a polygon with a non-finite vertex gets no cells.
static void lay_out(const sv_geom* geom)
{
    f32 x0 = geom->vertices[0].x, x1 = x0, z0 = geom->vertices[0].y, z1 = z0;
    for (u8 v = 1; v < geom->vertex_count; ++v) {
        x0 = fminf(x0, geom->vertices[v].x);
        x1 = fmaxf(x1, geom->vertices[v].x);
        z0 = fminf(z0, geom->vertices[v].y);
        z1 = fmaxf(z1, geom->vertices[v].y);
    }
    g_grid.origin_x = x0;
    g_grid.origin_z = z0;
    g_grid.width = g_grid.height = 0;
    g_grid.cell = SV_NAV_CELL;
    f32 ex = x1 - x0, ez = z1 - z0;
    for (u8 v = 0; v < geom->vertex_count; ++v)
        if (!std::isfinite(geom->vertices[v].x) || !std::isfinite(geom->vertices[v].y))
            return;
    if (!std::isfinite(ex) || !std::isfinite(ez))
        return;
    g_grid.cell = fmaxf(fmaxf(ex / 254.0f, ez / 254.0f), SV_NAV_CELL);
    g_grid.width = (u16)(clamp_index(ex / g_grid.cell, 0, SV_NAV_SIDE - 1) + 1);
    g_grid.height = (u16)(clamp_index(ez / g_grid.cell, 0, SV_NAV_SIDE - 1) + 1);
}

static void build(const sv_geom* geom, f32 radius)
{
    lay_out(geom);
    u32 cells = (u32)g_grid.width * g_grid.height;
    memset(g_grid.walkable, 0, cells);
    for (u32 c = 0; c < cells; ++c) {
        g_grid.obstacle_top[c] = 1e9f;
        g_grid.ground[c] = geom->floor_y;
        g_grid.ground_face[c] = 0;
        g_grid.rect_of_cell[c] = SV_NONE16;
    }
    g_grid.rect_count = 0;
    g_grid.link_count = 0;
    g_grid.incoming_start[0] = 0;
    if (cells == 0)
        return;
    rasterise(geom);
    erode_all(geom, radius);
    drop_islands(radius);
    read_ground(geom);
    merge_rects();
    links(geom);
}

void ready(const sv_geom* geom, f32 radius)
{
    f32 step = (f32)sv_tune(SV_TUNE_PLAYER_STEP_HEIGHT);
    // The grid's identity is the record's bytes: an exact test, and cheaper than any hash.
    if (g_grid.built && g_grid.radius == radius && g_grid.step == step
        && memcmp(&s_built, geom, sizeof s_built) == 0)
        return;
    memcpy(&s_built, geom, sizeof s_built);
    g_grid.built = 1;
    g_grid.radius = radius;
    g_grid.step = step;
    g_grid.builds++;
    build(geom, radius);
}

// Rectangle under a point ---------------------------------------------------------------------

i32 rect_at(f32 x, f32 z, f32 y, u8 any)
{
    if (g_grid.width == 0 || !std::isfinite(x) || !std::isfinite(z))
        return -1;
    f32 fx = (x - g_grid.origin_x) / g_grid.cell, fz = (z - g_grid.origin_z) / g_grid.cell;
    // Past 4 cells off the grid no cell of the 7 x 7 window is on it: refuse before converting.
    if (!(fx > -4.0f && fx < (f32)g_grid.width + 4.0f && fz > -4.0f
          && fz < (f32)g_grid.height + 4.0f))
        return -1;
    i32 ci = (i32)fx, cj = (i32)fz;
    f32 limit = y + g_grid.step;
    f32 best = 0.0f;
    i32 found = -1;
    for (i32 j = cj - 3; j <= cj + 3; ++j) {
        if (j < 0 || j >= g_grid.height)
            continue;
        for (i32 i = ci - 3; i <= ci + 3; ++i) {
            if (i < 0 || i >= g_grid.width)
                continue;
            u32 idx = (u32)(j * g_grid.width + i);
            if (!g_grid.walkable[idx] || g_grid.rect_of_cell[idx] == SV_NONE16)
                continue;
            if (!any && !(g_grid.ground[idx] <= limit))
                continue;
            Vector2 c = cell_centre(i, j);
            f32 d = (c.x - x) * (c.x - x) + (c.y - z) * (c.y - z);
            if (found < 0 || d < best) {
                best = d;
                found = g_grid.rect_of_cell[idx];
            }
        }
    }
    return found;
}

// Heap --------------------------------------------------------------------------------------

sv_nav_heap* nav_heap(void)
{
    return &g_heap;
}

void heap_clear(void)
{
    g_heap.size = 0;
}

void heap_push(u16 id)
{
    // A search pushes its start and at most once per link (a rectangle's links are relaxed
    // only when it is closed, once): SV_NAV_HEAP entries always suffice.
    if (g_heap.size >= SV_NAV_HEAP)
        sv_panic("navigation heap full at %u entries", (unsigned)g_heap.size);
    u32 i = g_heap.size++;
    if (g_heap.size > g_heap.peak)
        g_heap.peak = g_heap.size;
    while (i > 0) {
        u32 parent = (i - 1) / 2;
        if (!(g_heap.f[id] < g_heap.f[g_heap.ids[parent]]))
            break;
        g_heap.ids[i] = g_heap.ids[parent];
        i = parent;
    }
    g_heap.ids[i] = id;
}

u16 heap_pop(void)
{
    u16 top = g_heap.ids[0];
    u16 last = g_heap.ids[--g_heap.size];
    u32 n = g_heap.size, i = 0;
    if (n == 0)
        return top;
    for (;;) {
        u32 l = 2 * i + 1, r = l + 1;
        if (l >= n)
            break;
        u32 child = (r < n && g_heap.f[g_heap.ids[r]] < g_heap.f[g_heap.ids[l]]) ? r : l;
        if (!(g_heap.f[g_heap.ids[child]] < g_heap.f[last]))
            break;
        g_heap.ids[i] = g_heap.ids[child];
        i = child;
    }
    g_heap.ids[i] = last;
    return top;
}

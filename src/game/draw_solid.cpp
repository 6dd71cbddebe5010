// Platonic solids: the five regular solids by face count, optionally warped by a seed, drawn as
// translucent faces with opaque edges. The faces are found anew at every draw as the chordless
// cycles of the solid's edges, so a warped solid keeps the faces of the regular one.
#include <cmath>
#include <cstring>

#include "game/draw.h"
#include "world/portal.h" // carrying points

static const f32 k_phi = 1.618034f;
static const f32 k_inv_phi = 0.618034f;

// The base vertices of the solid of faces; returns the vertex count, 0 for no such solid.
static i32 base_vertices(u8 faces, Vector3 v[SV_SOLID_VERTICES])
{
    i32 n = 0;
    if (faces == 4) {
        v[n++] = {1, 1, 1};
        v[n++] = {1, -1, -1};
        v[n++] = {-1, 1, -1};
        v[n++] = {-1, -1, 1};
        return n;
    }
    if (faces == 8) {
        v[n++] = {1, 0, 0};
        v[n++] = {-1, 0, 0};
        v[n++] = {0, 1, 0};
        v[n++] = {0, -1, 0};
        v[n++] = {0, 0, 1};
        v[n++] = {0, 0, -1};
        return n;
    }
    if (faces == 6 || faces == 12) {
        for (i32 i = 0; i < 8; ++i) {
            v[n++] = {i & 1 ? -1.0f : 1.0f, i & 2 ? -1.0f : 1.0f, i & 4 ? -1.0f : 1.0f};
        }
        if (faces == 6) {
            return n;
        }
        for (i32 i = 0; i < 4; ++i) {
            f32 a = i & 1 ? -k_inv_phi : k_inv_phi, b = i & 2 ? -k_phi : k_phi;
            v[n++] = {0, a, b};
        }
        for (i32 i = 0; i < 4; ++i) {
            f32 a = i & 1 ? -k_inv_phi : k_inv_phi, b = i & 2 ? -k_phi : k_phi;
            v[n++] = {a, b, 0};
        }
        for (i32 i = 0; i < 4; ++i) {
            f32 a = i & 1 ? -k_phi : k_phi, b = i & 2 ? -k_inv_phi : k_inv_phi;
            v[n++] = {a, 0, b};
        }
        return n;
    }
    if (faces == 20) {
        for (i32 i = 0; i < 4; ++i) {
            f32 a = i & 1 ? -1.0f : 1.0f, b = i & 2 ? -k_phi : k_phi;
            v[n++] = {0, a, b};
        }
        for (i32 i = 0; i < 4; ++i) {
            f32 a = i & 1 ? -1.0f : 1.0f, b = i & 2 ? -k_phi : k_phi;
            v[n++] = {a, b, 0};
        }
        for (i32 i = 0; i < 4; ++i) {
            f32 a = i & 1 ? -k_phi : k_phi, b = i & 2 ? -1.0f : 1.0f;
            v[n++] = {a, 0, b};
        }
        return n;
    }
    return 0;
}

static bool joined_either(const u8 joined[SV_SOLID_VERTICES][SV_SOLID_VERTICES], i32 a, i32 b)
{
    return joined[a][b] != 0 || joined[b][a] != 0;
}

void find_faces_from(const u8 joined[SV_SOLID_VERTICES][SV_SOLID_VERTICES], i32 n, u32 k,
                     u8 path[5], i32 depth, u8 faces[SV_SOLID_FACES][5], i32* count)
{
    if (!joined || !path || !faces || !count || k < 3 || k > 5 || depth < 1 || depth > (i32)k
        || n > SV_SOLID_VERTICES) {
        return;
    }
    const i32 last = path[depth - 1];
    if (depth == (i32)k) {
        if (joined_either(joined, last, path[0]) && path[1] < last && *count < SV_SOLID_FACES) {
            std::memset(faces[*count], 0, 5);
            std::memcpy(faces[*count], path, k);
            (*count)++;
        }
        return;
    }
    for (i32 v = path[0] + 1; v < n; ++v) {
        if (!joined_either(joined, last, v)) {
            continue;
        }
        bool ok = true;
        for (i32 j = 0; j < depth && ok; ++j) {
            if (path[j] == v) {
                ok = false;
            } else if (j != depth - 1 && joined_either(joined, path[j], v)) {
                // Only the cycle's last vertex may close back onto the first.
                ok = j == 0 && depth == (i32)k - 1;
            }
        }
        if (ok) {
            path[depth] = (u8)v;
            find_faces_from(joined, n, k, path, depth + 1, faces, count);
        }
    }
}

void draw_solid(const sv_portal* portal, const sv_portal_view* view, const Vector3* centre,
                u8 faces, f32 size, f32 yaw, u32 seed, Color colour)
{
    if (!centre) {
        return;
    }
    Vector3 v[SV_SOLID_VERTICES];
    const i32 n = base_vertices(faces, v);
    if (n == 0) {
        draw_box(portal, view, centre, 0.6f * size, size, 0.6f * size, colour);
        return;
    }
    for (i32 i = 0; i < n; ++i) {
        f32 len = std::sqrt(v[i].x * v[i].x + v[i].y * v[i].y + v[i].z * v[i].z);
        v[i] = {v[i].x / len, v[i].y / len, v[i].z / len};
    }
    f32 d = 1e9f;
    for (i32 i = 0; i < n; ++i) {
        for (i32 j = i + 1; j < n; ++j) {
            Vector3 e = {v[i].x - v[j].x, v[i].y - v[j].y, v[i].z - v[j].z};
            d = std::fmin(d, std::sqrt(e.x * e.x + e.y * e.y + e.z * e.z));
        }
    }
    u8 joined[SV_SOLID_VERTICES][SV_SOLID_VERTICES];
    std::memset(joined, 0, sizeof joined);
    for (i32 i = 0; i < n; ++i) {
        for (i32 j = i + 1; j < n; ++j) {
            Vector3 e = {v[i].x - v[j].x, v[i].y - v[j].y, v[i].z - v[j].z};
            joined[i][j] = std::sqrt(e.x * e.x + e.y * e.y + e.z * e.z) < 1.05f * d ? 1 : 0;
        }
    }
    if (seed != 0) {
        u32 state = seed;
        for (i32 i = 0; i < n; ++i) {
            f32 r[4];
            for (f32& x : r) {
                state = state * 1664525u + 1013904223u;
                x = (f32)(state >> 8) * (1.0f / 16777216.0f) - 0.5f;
            }
            f32 s = 1.0f + 0.5f * r[0];
            v[i]
                = {v[i].x * s + 0.18f * r[1], v[i].y * s + 0.18f * r[2], v[i].z * s + 0.18f * r[3]};
        }
    }
    const f32 c = std::cos(yaw), s = std::sin(yaw);
    Vector3 w[SV_SOLID_VERTICES];
    for (i32 i = 0; i < n; ++i) {
        Vector3 p = {centre->x + size * (v[i].x * c - v[i].z * s), centre->y + size * v[i].y,
                     centre->z + size * (v[i].z * c + v[i].x * s)};
        sv_portal_point3(&w[i], portal, &p);
    }
    const u32 k = faces == 6 ? 4 : faces == 12 ? 5 : 3;
    u8 found[SV_SOLID_FACES][5];
    i32 count = 0;
    for (i32 start = 0; start < n; ++start) {
        u8 path[5] = {(u8)start, 0, 0, 0, 0};
        find_faces_from(joined, n, k, path, 1, found, &count);
    }
    const Color fill = {colour.r, colour.g, colour.b, 70};
    for (i32 f = 0; f < count; ++f) {
        for (u32 j = 1; j + 1 < k; ++j) {
            const Vector3* a = &w[found[f][0]];
            const Vector3* b = &w[found[f][j]];
            const Vector3* e = &w[found[f][j + 1]];
            draw_tri(view, a, b, e, fill);
            draw_tri(view, e, b, a, fill);
        }
    }
    for (i32 i = 0; i < n; ++i) {
        for (i32 j = i + 1; j < n; ++j) {
            if (joined[i][j]) {
                // The points are carried already: draw the edge with no portal.
                draw_line(nullptr, view, &w[i], &w[j], colour);
            }
        }
    }
}

// Place geometry: door slots and openings, the interior generator, the queries over a place's
// geometry record and the building of a place. Geometry is a pure function of (floor record,
// run seed, floor number, place, tunables); it draws only from the geometry stream (5), and
// the queries hold no state and draw nothing.
#pragma once
#include "world/prim.h"
#include "world/world_types.h"

// Door slots --------------------------------------------------------------------------------

// The order in which door slots are spread around a polygon: slot k opens on wall edge
// (vertex count * SLOT_SPREAD[k]) / 6, six different edges for 6..12 vertices.
extern const u8 SLOT_SPREAD[SV_DOOR_SLOTS];

// The geometry of one door slot of a room.
struct sv_slot {
    u8 wall_edge;
    Vector2 middle;  // M: mean of the edge's two vertices
    Vector2 tangent; // t: unit edge direction, from vertex e to the next
    Vector2 normal;  // n: unit normal of the edge pointing towards the centre
    Vector2 foot;    // F = M (1 - geom.ramp_run)
    f32 distance;    // D = max(0.05, |M|)
};

// The frame of wall edge e (vertex count >= 1): writes its middle, unit tangent ((1, 0) for an
// edge shorter than 1e-5) and inward normal (towards the origin).
void sv_geom_edge_frame(const sv_geom* geom, u8 edge, Vector2* middle, Vector2* tangent,
                        Vector2* normal);

// Fills out for slot 0..5 from the geometry's polygon (vertex count >= 1); reads geom.ramp_run.
void potential_slot(const sv_geom* geom, u8 slot, sv_slot* out);

// Lays opening index on wall edge: centre at the edge's middle, foot 0.25 inside, rise 0, the
// edge's tangent and inward yaw, the given width and top; treads and bench sill untouched.
void opening_on_wall(sv_geom* geom, u8 index, u8 edge, f32 width, f32 top);

// Lays the five prop spots at height y: spot 0 the centre, spots 1..4 at radius r and 0, 120,
// 240 and 60 degrees.
void place_props(sv_geom* geom, f32 r, f32 y);

// Interior ----------------------------------------------------------------------------------

// Furnishes a built room (polygon, openings and ramp sides laid): resets the fixtures, stores
// draw as the interior draw, lays dais, prop spots, columns, blocks and benches. Draw 255
// lays the prop spots only. Draws from its own geometry-stream generator seeded by
// (run seed, floor number, place, draw); changes only geom (a bench sill changes its opening).
void build_interior(sv_geom* geom, const sv_floor* floor, const sv_room* room, u16 place, u8 draw);

// Summary of an interior: columns << 2 | blocks << 6 | benches << 10 | dais code (1 raised,
// 2 pit, 0 none); 0 for a null geometry or no fixtures.
u32 sv_geom_interior_signature(const sv_geom* geom);

// Queries -----------------------------------------------------------------------------------

// A wall piece: a segment of a wall edge beside a door gap.
struct sv_segment {
    Vector2 a;
    Vector2 b;
};

// A floor triangle, world heights.
struct sv_triangle {
    Vector3 p[3];
};

// 1 when p (x, z) lies inside the wall polygon (even-odd); 0 for null or fewer than 3 vertices.
i32 sv_geom_contains(const sv_geom* geom, Vector2 p);

// World height of the ground at (x, z): a ramp, else the first fixture slope or standable top
// that holds the point, else the floor; writes the sv_ground_face id to face when given.
// Null geometry: 0 and face 0.
f32 sv_geom_ground_on(const sv_geom* geom, f32 x, f32 z, u16* face);

// sv_geom_ground_on without the face.
f32 sv_geom_ground(const sv_geom* geom, f32 x, f32 z);

// Top of a face above the floor over point p (projected on its segment, stepped by its
// treads); 0 for a null face.
f32 sv_geom_face_top(const sv_face* face, Vector2 p);

// 1 when an upright body of radius r can stand at (x, z): inside the walls, at least 0.01 inside
// the line of a door across its width, no wall piece nearer than r, inside no solid fixture and no face of one nearer than r (however low), and no
// face of a standable fixture or ramp side within r rising more than player.step_height above
// the ground there.
i32 sv_geom_standable(const sv_geom* geom, f32 x, f32 z, f32 r);

// Moves (x, z) to the nearest standable point found on square rings of step max(r, 0.1) out to
// ring 63: 1 with the point written, or 0 with x and z unchanged.
i32 sv_geom_nearest_standable(const sv_geom* geom, f32 r, f32* x, f32* z);

// 1 when the line a-b is clear of wall pieces and of the faces of solid fixtures (door gaps,
// standable fixtures and ramp sides never block); 0 blocked or for a null geometry.
i32 sv_geom_sightline_at(const sv_geom* geom, const Vector3* a, const Vector3* b);

// sv_geom_sightline_at with both ends at floor y + player.eye_height.
i32 sv_geom_sightline(const sv_geom* geom, Vector2 a, Vector2 b);

// The pieces of wall edge e beside the first opening on it (2), or the whole edge (1); 0 for a
// null argument or e past the vertex count.
u8 sv_geom_wall_pieces(const sv_geom* geom, u8 edge, sv_segment out[2]);

// Floor triangles: a fan over the polygon, with the descending ramps of the openings in mask
// cut out and the dais levels raised; writes at most cap and returns the number written.
u64 sv_geom_floor(const sv_geom* geom, u32 mask, sv_triangle* out, u64 cap);

// Ramp quad of opening k in world heights: foot-left, foot-right, door-right, door-left.
// Nothing for a null argument or k past the opening count.
void sv_geom_ramp(const sv_geom* geom, u8 k, Vector3 out[4]);

// Door frame quad of opening k: bottom-left, bottom-right (floor + rise), top-right, top-left
// (floor + top). Nothing for a null argument or k past the opening count.
void sv_geom_opening(const sv_geom* geom, u8 k, Vector3 out[4]);

// Tread k of n of a ramp quad: the flat step ending at fraction (k + 1) / n; nothing unless
// k < n and both pointers are given.
void sv_geom_tread(const Vector3 ramp[4], u8 n, u8 k, Vector3 out[4]);

// Prop spot i (i <= 4); (0, floor y, 0) for i > 4; (0, 0, 0) for a null geometry.
Vector3 sv_geom_prop_spot(const sv_geom* geom, u32 i);

// |rise| / horizontal run of opening k's ramp; 0 for null or a bad index; a zero run gives 0
// for a zero rise and infinity otherwise.
f32 sv_geom_slope(const sv_geom* geom, u8 k);

// The ramp foot of door slot 0..5 (reads geom.ramp_run) when the geometry has at least 6
// vertices; else (0, 0).
void sv_geom_potential_foot(const sv_geom* geom, u8 slot, Vector2* out);

// Sets plane index of the view through a, b and c, facing the point inside: 1, or 0 with
// nothing written when the points are degenerate. The view's plane count is the caller's.
i32 plane_through(sv_portal_view* view, u8 index, Vector3 a, Vector3 b, Vector3 c, Vector3 inside);

// Building -----------------------------------------------------------------------------------

// Builds the geometry of place (a room or a corridor piece) of the floor into out, zero-filled
// first; draws from the geometry stream of (floor seed, floor number). Nothing happens for a
// null out or floor; an id that is neither leaves out untouched.
void sv_geom_build(sv_geom* out, const sv_floor* floor, u16 place);

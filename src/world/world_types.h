// Plain data of the world: a place's geometry record and the portal records that join places.
// Every length is in world units, every angle in radians. 2D points are raylib's Vector2
// holding (x, z): in a Vector2 of this subsystem, .y is the horizontal z coordinate.
// Records are plain bytes: a geometry record is zero-filled before it is built, so that two
// builds of one place compare (and hash) equal byte for byte, padding included.
#pragma once
#include <raylib.h> // Vector2 and Vector3 value types only; the world calls no raylib function

#include "core/types.h"
#include "floor/floor.h"

// Bounds of a geometry record.
#define SV_GEOM_VERTICES    12 // wall polygon: 6..12 for a room, 4 for a corridor piece
#define SV_GEOM_OPENINGS    6  // one per door slot of a room; 2 for a piece
#define SV_PROP_SPOTS       5
#define SV_GEOM_FIXTURES    12
#define SV_FIXTURE_VERTICES 12 // a fixture's footprint
#define SV_FIXTURE_SLOPES   3
#define SV_FIXTURE_SEGS     21 // vertical faces of one fixture
#define SV_DOOR_SLOTS       6
#define SV_NO_DAIS          12 // first dais fixture of a room without a dais
#define SV_INTERIOR_BARE    255

// Bounds of a portal view: the camera's 4 planes and 5 per door for 16 doors.
#define SV_PORTAL_PLANES    84
#define SV_PORTAL_DEPTH     16
#define SV_PORTAL_CHILD_MAX 79 // a view with more planes gets no child
#define SV_CLIP_VERTICES    88 // work buffer of a clipped polygon

// Prop spots, by index.
enum sv_prop_spot : u32 {
    SV_PROP_CENTRE = 0, // landmark and centre
    SV_PROP_CHEST = 1,
    SV_PROP_PRISM = 2,
    SV_PROP_SHARD = 3,
    SV_PROP_WEAPON = 4,
};

enum sv_fixture_kind : u32 {
    SV_FIXTURE_DAIS = 0, // the dais, or the innermost level of a stepped dais
    SV_FIXTURE_COLUMN = 1,
    SV_FIXTURE_BLOCK = 2,
    SV_FIXTURE_BENCH = 3,
    SV_FIXTURE_DAIS_TIER = 4, // a further level of a stepped dais
};

// Which surface the ground at a point belongs to.
typedef u16 sv_ground_face;
#define SV_GROUND_FLOOR 0   // the floor
#define SV_GROUND_RAMP  1   // + k: the ramp of opening k
#define SV_GROUND_SLOPE 100 // + 3 k + j: slope j of fixture k
#define SV_GROUND_TOP   200 // + k: the top of fixture k

// One door of a place.
struct sv_opening {
    Vector2 centre;  // middle of the door on its wall edge
    Vector2 foot;    // foot of the door's ramp inside the place
    f32 rise;        // sill above the floor; negative when the ramp goes down; 0 when under 0.001
    Vector2 tangent; // unit, along the wall edge from its first vertex to the next
    f32 yaw;         // atan2 of the edge's inward unit normal (z, x)
    f32 width;
    f32 top;       // lintel above the floor: door height + rise
    u8 wall_edge;  // edge from vertex e to vertex (e + 1) mod count
    u8 treads;     // 0 smooth ramp, else the treads of a flight
    u8 bench_sill; // 1 when a bench of the interior serves as the sill
};

// A vertical face of a fixture or a ramp side; heights above the floor.
struct sv_face {
    Vector2 p0;
    Vector2 p1;
    f32 bottom0, top0; // at p0
    f32 bottom1, top1; // at p1
    u8 treads;         // the top rises in that many equal steps from p0 to p1; 0 straight
};

// A sloped strip, a parallelogram; heights above the floor.
struct sv_slope {
    Vector2 origin;
    Vector2 across;     // origin + the strip's width vector
    Vector2 far_corner; // across + the rise vector
    Vector2 up;         // origin + the rise vector
    f32 bottom;         // at the origin's edge
    f32 top;            // at the up end's edge
    u8 treads;          // 0 smooth
};

// One interior solid.
struct sv_fixture {
    u32 kind;                             // sv_fixture_kind
    Vector2 polygon[SV_FIXTURE_VERTICES]; // footprint, convex but for an L-shaped bench
    u8 vertex_count;
    f32 top;      // above the floor; negative for a sunken dais level
    u8 standable; // 1 when bodies may stand on its top
    sv_slope slopes[SV_FIXTURE_SLOPES];
    u8 slope_count;
    sv_face faces[SV_FIXTURE_SEGS];
    u8 face_count;
    Vector2 centre; // of its bounding circle (polygon, then each slope's four corners)
    f32 bound;      // radius of its bounding circle
};

// The geometry of one place, in the place's own frame (origin at its middle, y up).
struct sv_geom {
    Vector2 vertices[SV_GEOM_VERTICES]; // wall polygon, by increasing angle about the origin
    u8 vertex_count;
    f32 floor_y;
    f32 ceiling_y;
    f32 radius; // nominal radius of a room; half the longer side of a piece
    sv_opening openings[SV_GEOM_OPENINGS];
    u8 opening_count;
    Vector3 props[SV_PROP_SPOTS]; // by sv_prop_spot
    sv_fixture fixtures[SV_GEOM_FIXTURES];
    u8 fixture_count;
    u8 first_dais;                           // index of the dais fixture; SV_NO_DAIS when none
    u8 dais_tiers;                           // dais levels after the first
    u8 interior;                             // the draw that made the interior (0..7); 255 none
    sv_face ramp_sides[SV_GEOM_OPENINGS][2]; // left, right side of each opening's ramp
    u8 flights;                              // 1 when the ramps are flights of treads
};

// Transform from the frame of the place beyond a door (far) into this place's frame (near):
// a far point p maps to R (p - far_centre) + near_centre, a far height y to y + height.
struct sv_portal {
    f32 cosine; // of the rotation angle
    f32 sine;
    Vector2 far_centre;  // door's opening centre in the far frame
    Vector2 near_centre; // door's opening centre in the near frame
    f32 height;          // added to a far height to give the near height
};

// A convex clip volume: p is inside when n . p + d >= 0 for every plane; no planes hold all.
struct sv_portal_view {
    u8 count; // 0..SV_PORTAL_PLANES
    f32 normals[SV_PORTAL_PLANES][3];
    f32 d[SV_PORTAL_PLANES];
};

// What the visibility walk hands its visitor for one place reached; lives during the call.
struct sv_visit {
    u16 place; // sv_place
    const sv_geom* geom;
    const sv_portal* to_root;   // into the eye's frame; null at the eye's own place
    const sv_portal_view* view; // in the eye's frame; null when the walk had none
    u32 open_mask;              // bit k: door k shown as an open doorway
    u32 fogged_mask;            // bit k: door k closed by fog
    u8 depth;                   // doors between the eye's place and this one
};

typedef void (*sv_visit_fn)(const sv_visit* visit, void* user);

// Counts live in u8 fields; door masks are u32; ground face ids must not collide.
static_assert(SV_GEOM_VERTICES >= 6 && SV_GEOM_VERTICES <= 255, "vertex count is a u8");
static_assert(SV_GEOM_OPENINGS == SV_ROOM_DOORS, "one opening per door slot of a room");
static_assert(SV_DOOR_SLOTS == SV_GEOM_OPENINGS, "six door slots");
static_assert(SV_GEOM_OPENINGS <= 32, "door masks are u32");
static_assert(SV_GEOM_FIXTURES <= 255 && SV_NO_DAIS == SV_GEOM_FIXTURES, "no dais is 12");
static_assert(SV_FIXTURE_VERTICES >= 8, "an L-shaped bench has 6 points, the prop octagon 8");
static_assert(SV_FIXTURE_SEGS <= 255 && SV_FIXTURE_SLOPES <= 255, "face and slope counts are u8");
static_assert(SV_FIXTURE_SEGS >= 3 * 4 + 3 * 1, "a dais with three ramps has 15 faces");
static_assert(SV_GROUND_RAMP + SV_GEOM_OPENINGS <= SV_GROUND_SLOPE, "ramp ids below slopes");
static_assert(SV_GROUND_SLOPE + SV_FIXTURE_SLOPES * SV_GEOM_FIXTURES <= SV_GROUND_TOP,
              "slope ids below fixture tops");
static_assert(SV_GROUND_TOP + SV_GEOM_FIXTURES < 65535, "ground face ids fit a u16");
static_assert(SV_PORTAL_PLANES == 4 + 5 * SV_PORTAL_DEPTH, "camera planes and 5 per door");
static_assert(SV_PORTAL_CHILD_MAX + 5 == SV_PORTAL_PLANES, "a child adds 5 planes");
static_assert(SV_PORTAL_PLANES <= 255, "plane count is a u8");
static_assert(SV_CLIP_VERTICES >= 3 + SV_PORTAL_PLANES + 1, "a clipped triangle fits");
static_assert(sizeof(Vector2) == 2 * sizeof(f32) && sizeof(Vector3) == 3 * sizeof(f32),
              "points are packed floats");
static_assert(sizeof(((sv_geom*)nullptr)->vertices) / sizeof(Vector2) == SV_GEOM_VERTICES);
static_assert(sizeof(((sv_fixture*)nullptr)->faces) / sizeof(sv_face) == SV_FIXTURE_SEGS);

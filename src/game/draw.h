// Drawing the world: a sink under the two primitives (one clipped triangle, one carried and
// clipped line), the shapes built on them, the fixed colours of the world, and the visitor that
// draws one visible place with everything in it. Nothing here calls raylib: the game plugs
// raylib's immediate mode in as a sink (gfx_draw.h), the tests a recorder. Points are in a
// place's own frame (x, z horizontal, y up) unless a contract says "eye's frame"; a null portal
// stands for the eye's own place, a null view clips nothing. Back faces are culled by the game,
// so a surface seen from both sides is sent in both windings. Nothing allocates; not re-entrant.
#pragma once
#include <raylib.h> // Vector3, Color and Camera3D value types only

#include "core/types.h"
#include "floor/floor.h"
#include "world/world_types.h"

// Translucent primitives held back in one world pass; past it they are sent at once.
#define SV_DRAW_DEFERRED 16384

// The sink -----------------------------------------------------------------------------------

enum sv_draw_kind : u8 {
    SV_DRAW_TRI = 0,   // p[0..2], eye's frame, counter-clockwise is the front
    SV_DRAW_LINE = 1,  // p[0] to p[1], eye's frame
    SV_DRAW_FLUSH = 2, // end of a pass: draw what is pending, write depth again
};

// One primitive handed to the sink. A translucent one (alpha below 255) has depth_write 0: it
// must not write depth, so it never hides what is drawn behind it later.
struct sv_draw_prim {
    u8 kind;        // sv_draw_kind
    u8 depth_write; // 1 opaque; 0 translucent (and for a flush)
    Color colour;
    Vector3 p[3]; // unused points are zero
};

typedef void (*sv_draw_fn)(void* ctx, const sv_draw_prim* prim);

struct sv_draw_sink {
    sv_draw_fn fn; // null: everything drawn is dropped
    void* ctx;
};

// Routes every primitive to sink (process-wide, like the console writer); {null, null} drops all.
void sv_draw_set_sink(sv_draw_sink sink);

// The sink in use.
sv_draw_sink sv_draw_get_sink(void);

// A sink that keeps what it is given, for tests and tools: the first cap primitives are stored in
// items (which may be null to count only); the counts run on past cap.
struct sv_draw_recorder {
    sv_draw_prim* items;
    u64 cap;
    u64 count;   // primitives received
    u64 tris;    // of which triangles
    u64 lines;   // of which lines
    u64 flushes; // of which flushes
};

// Sends a flush to the sink: what it holds pending is drawn and depth is written again.
void sv_draw_flush(void);

// The sink fn of a recorder (ctx is the sv_draw_recorder*).
void sv_draw_record(void* ctx, const sv_draw_prim* prim);

// {sv_draw_record, recorder}.
sv_draw_sink sv_draw_recorder_sink(sv_draw_recorder* recorder);

// The frame --------------------------------------------------------------------------------------

// What the drawing of one frame reads besides the floor and the visit: the camera eye, the weapon
// tip and the walker's place (a shot near the eye there is drawn leaving the tip), and the time in
// seconds that keys, lying weapons and fog veils turn, bob and shimmer with.
struct sv_draw_frame {
    Vector3 eye;
    Vector3 tip;
    u16 tip_room; // 65535 before the first frame
    f64 time;
};

// Sets the frame's anchors (copied); null restores eye and tip (0, 0, 0), place 65535, time 0.
void sv_draw_set_frame(const sv_draw_frame* frame);

// The anchors in use.
const sv_draw_frame* sv_draw_get_frame(void);

// Draws the places seen from frame->eye (in geom's frame) within view: sets the frame, walks the
// places with draw_visit (the floor as its user pointer), then sends the translucent primitives
// held back during the walk (in the order drawn) and a flush. Returns the walk's visit count; 0,
// with nothing drawn, for a null floor, geometry or frame or an invalid place.
u64 sv_draw_world(const sv_floor* floor, u16 place, const sv_geom* geom, const sv_portal_view* view,
                  const sv_draw_frame* frame);

// 1 when p lies in front of the camera, beyond the near plane (0.05 along the line of sight), so
// that a projection to the screen is meaningful; 0 for a point behind or beside the eye or null.
i32 sv_draw_in_front(const Camera3D* camera, const Vector3* p);

// Colours ----------------------------------------------------------------------------------------

struct sv_palette {
    Color floor_col; // floor triangles
    Color wall_col;  // walls, corner lines, vertical faces, ramp cheeks, plinths, capitals
    Color ramp_col;  // ramps, stair flights, fixture slopes, tops of blocks and benches
    Color fill;      // faces of a weapon body
    Color edge;      // edges of a weapon lying on the floor
    Color wood;      // chests
    Color water;     // fountains
    Color amber;     // telegraph arc and sides, the ranged wind-up marker
    Color track;     // lunge tracks of a telegraph
};

extern const sv_palette PALETTE;
extern const Color PRISM_COLOUR; // the axiom door's
extern const Color SHARD_COLOUR; // the scion door's

// The colour of a door of kind (sv_door_kind); any unknown kind gets the normal door's.
Color door_colour(u32 kind);

// Primitives ------------------------------------------------------------------------------------

// One triangle (eye's frame), clipped to view: the clipped polygon goes out as a fan wound as the
// triangle was; nothing when less than a triangle is left.
void draw_tri(const sv_portal_view* view, const Vector3* a, const Vector3* b, const Vector3* c,
              Color colour);

// One triangle (eye's frame) in wall_col, wound to face the point toward.
void draw_tri_toward(const sv_portal_view* view, const Vector3* a, const Vector3* b,
                     const Vector3* c, const Vector3* toward);

// One line from a to b, carried through portal and clipped to view; nothing when none is left.
void draw_line(const sv_portal* portal, const sv_portal_view* view, const Vector3* a,
               const Vector3* b, Color colour);

// A vertical face of geom (heights above its floor) in wall_col, both windings: one sloped quad
// without treads, else a strip per tread, each flat at its far end's heights.
void draw_face(const sv_geom* geom, const sv_portal* portal, const sv_portal_view* view,
               const sv_face* face);

// A stair flight over a ramp quad (foot-left, foot-right, door-right, door-left) in ramp_col:
// treads (n >= 1) treads and as many risers, both windings. Nothing for 0 treads.
void draw_flight(const sv_portal* portal, const sv_portal_view* view, const Vector3 quad[4],
                 u8 treads);

// The 12 edges of an upright box standing on base: x and z within the half sizes, y up to height.
void draw_box(const sv_portal* portal, const sv_portal_view* view, const Vector3* base,
              f32 half_width, f32 height, f32 half_depth, Color colour);

// A floating key over its prop spot, turning and bobbing with the frame's time: the Prism for
// tag 64 (spot 2), the Shard for any other tag (spot 3).
void draw_key(const sv_geom* geom, const sv_portal* portal, const sv_portal_view* view, u8 tag);

// A Platonic solid of faces (4, 6, 8, 12 or 20) about centre, size from centre to a vertex,
// turned by yaw; faces translucent (alpha 70, both windings), edges in colour. A non-zero seed
// warps the vertices, the same seed always alike. Any other face count draws a wire box.
void draw_solid(const sv_portal* portal, const sv_portal_view* view, const Vector3* centre,
                u8 faces, f32 size, f32 yaw, u32 seed, Color colour);

// A mob's attack telegraph at at (its x, foot height, z): the ranged wind-up marker, or the melee
// arc with its fill, lunge tracks, sides and blade. Nothing when the mob has no strike to show.
void draw_blow(const sv_portal* portal, const sv_portal_view* view, const sv_mob* mob,
               const Vector3* at);

// Weapon bodies ----------------------------------------------------------------------------------

#define SV_BODY_VERTICES  6
#define SV_BODY_TRIANGLES 8

// The mesh of a weapon in its own axes; entries past the counts are zero.
struct sv_weapon_body {
    f32 vertices[SV_BODY_VERTICES][3];
    u32 triangles[SV_BODY_TRIANGLES][3];
    u32 vertex_count;
    u32 triangle_count;
    u32 tip; // index of the tip vertex
};

// Fills out (cleared first) with the gun when ranged is not 0, else the blade.
void weapon_body_of(sv_weapon_body* out, i32 ranged);

// Solids -----------------------------------------------------------------------------------------

#define SV_SOLID_VERTICES 20
#define SV_SOLID_FACES    20

// The faces through path of a convex polyhedron of n vertices whose edges are joined (either
// order): every chordless cycle of k vertices (k <= 5) starting at its smallest vertex, stored
// once in faces, at most 20 in all (*count counts them). Start with path = {s}, depth 1.
void find_faces_from(const u8 joined[SV_SOLID_VERTICES][SV_SOLID_VERTICES], i32 n, u32 k,
                     u8 path[5], i32 depth, u8 faces[SV_SOLID_FACES][5], i32* count);

// One visible place ------------------------------------------------------------------------------

// The visitor of the visibility walk (an sv_visit_fn; user is the const sv_floor*): draws the
// visited place, carried by its portal and clipped to its view, in this order: floor, ramps and
// stairs, fixtures, walls cut around the open doors, in a room its things, the place's mobs, its
// shots, then door frames with a fog veil in every fogged doorway. Reads the frame's anchors;
// keeps no state. Nothing for a null visit, geometry or floor.
void draw_visit(const sv_visit* visit, void* user);

// Steps of draw_visit, for tests and tools. The room things (keys, lying weapon, fountain or
// monument, chest) of a visit to a room; nothing for a corridor piece.
void draw_room_things(const sv_visit* visit, const sv_floor* floor);

// The mobs standing in the visited place (not those waiting), dead ones as slabs.
void draw_place_mobs(const sv_visit* visit, const sv_floor* floor);

// The live shots in the visited place.
void draw_place_shots(const sv_visit* visit, const sv_floor* floor);

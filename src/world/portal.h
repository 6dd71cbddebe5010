// Portals join the frames of places at their doors; portal views are convex clip volumes in the
// eye's frame; the visibility walk enumerates the places seen through doors from an eye. Nothing
// here draws a random number or keeps state between calls.
#pragma once
#include "world/world_types.h"

// Most visitor calls of one walk. Generated floors are trees of rooms and corridors, so a walk
// from spawn sees each place at most once (a few dozen visits at most); a loop of doors could
// otherwise multiply the paths, each a visit, until the depth limit. Beyond the bound the doors
// that would be descended are shown closed, so a frame's walk always ends quickly.
#define SV_PORTAL_VISITS 256

// Transforms -------------------------------------------------------------------------------------

// Far point (x, z) carried into the near frame; the point unchanged for a null portal.
Vector2 sv_portal_point(const sv_portal* portal, Vector2 p);

// Far point carried into the near frame (x, z mapped, y + height) and written to out (which may
// be p); returns out. A null portal copies p; a null out or p writes nothing (returns out).
Vector3* sv_portal_point3(Vector3* out, const sv_portal* portal, const Vector3* p);

// Direction (x, z) rotated by the portal, no translation; unchanged for a null portal.
Vector2 sv_portal_dir(const sv_portal* portal, Vector2 dir);

// out = a after b: maps a point first by b, then by a. out may be a or b; nothing for a null
// argument.
void sv_portal_compose(sv_portal* out, const sv_portal* a, const sv_portal* b);

// The portal through door of place (geometry here) into the place beyond: copies that place's
// geometry (from the geometry cache, built on a miss) into next and writes the transform from
// its frame into here's frame. 1 built; 0 when an argument is null, the door is past here's
// openings, no place lies beyond, or the entry door is past the far place's openings (next may then hold the far geometry, out is untouched).
u8 sv_portal_through(sv_portal* out, sv_geom* next, const sv_floor* floor, u16 place,
                     const sv_geom* here, u8 door);

// Views ------------------------------------------------------------------------------------------

// The camera's view: up to 4 planes through the eye along the edges of a frustum of vertical
// field fovy (radians) widened by margin on every side, looking along (yaw, pitch); no near or
// far plane. Only planes that are well made and hold the view's axis strictly inside are kept,
// packed from slot 0, so degenerate arguments give fewer planes (none holds everything). Nothing
// for a null out or eye.
void sv_portal_view_frustum(sv_portal_view* out, const Vector3* eye, f32 yaw, f32 pitch, f32 fovy,
                            f32 aspect, f32 margin);

// The child of parent (null: no planes) through door of here, in the eye's frame: the parent's
// planes, then the 4 planes through the eye and the door frame's edges, then the door plane
// (inside is beyond the door). to_root (may be null) carries here's frame into the eye's frame.
// 1 built; 0 when out, here or eye is null, the door is past the openings, the parent has more
// than SV_PORTAL_CHILD_MAX planes, the eye is not strictly in front of the door, or an edge plane
// is degenerate. out may be parent: a failure then leaves the parent's planes and count intact.
u8 sv_portal_view_build(sv_portal_view* out, const sv_portal_view* parent, const sv_geom* here,
                        u8 door, const sv_portal* to_root, const Vector3* eye);

// Size on the unit sphere about the eye of what the view leaves of a quad (the area of the fan
// of its clipped vertices' directions); 0 when the view, eye or quad is null or nothing is left.
f32 sv_portal_view_visible(const sv_portal_view* view, const Vector3* eye, const Vector3 quad[4]);

// Clips a triangle by every plane of the view into out (SV_CLIP_VERTICES points); returns the
// vertex count, 0 when anything is null or nothing is left.
i32 sv_portal_view_clip(const sv_portal_view* view, const Vector3 triangle[3], Vector3 out[]);

// Clips segment a-b by every plane of the view: 1 with the surviving piece's ends in out, 0 when
// nothing survives or an argument is null.
u8 sv_portal_view_clip_segment(const sv_portal_view* view, const Vector3* a, const Vector3* b,
                               Vector3 out[2]);

// out = in without the door plane of the last door passed (the last plane) when in has more
// than 4 planes, so bodies standing in a doorway are not cut by it; nothing for a null argument.
void sv_portal_view_for_body(const sv_portal_view* in, sv_portal_view* out);

// The walk -----------------------------------------------------------------------------------

// Calls visit once for the eye's place (geometry geom) and once for every chain of doors through
// which another place is seen from eye (in geom's frame) within view (null: every door at the
// eye's place that leads somewhere and faces the eye is looked through), at most 16 doors deep
// and SV_PORTAL_VISITS calls in all. Doors closed by fog, and doors past the depth or visit
// bounds, are shown closed. The places beyond are read in the geometry cache; each level keeps
// its child views on the stack (about 8 KB; some 140 KB at the depth limit). Returns the number of visits; 0 for a null
// floor, geometry, eye or visitor, or an invalid place.
u64 sv_portal_walk(const sv_floor* floor, u16 place, const sv_geom* geom, const Vector3* eye,
                   const sv_portal_view* view, sv_visit_fn visit, void* user);

// The walker: the player's presence on the current floor and the one simulation tick of the game.
// sv_walker_step runs lock-on and use, the player tick, collision with the place and the places
// beyond its doors, lock-on easing, the combat step, pickups, props, fog walks and door crossing
// with locks and keys. Each place has its own frame; a crossing rebuilds the geometry of the new
// place and carries the player's position, height, heading and motion into it, landing where
// the player can stand (sv_nav_land). The records
// (sv_walker, sv_input, the events, sv_fog_reach) are plain types of actors/player.h. Nothing
// here draws a random number (the combat step draws from the floor's tenacity stream); the route
// tables, the beyond cache and the combat layer's place cache make it single-threaded and not
// re-entrant.
#pragma once
#include "actors/player.h"
#include "floor/floor.h"

// Door crossing never tests closer than this to a door line: collision leaves a body 0.01
// inside a door's line, so a smaller reach would make the door impossible to cross.
#define SV_WALKER_CROSS_REACH 0.02f

// What sv_walker_prop_in_reach names.
enum sv_walker_prop : i32 {
    SV_USE_LANDMARK = 0, // the room's fountain or monument
    SV_USE_CHEST = 1,    // the room's unopened chest
    SV_USE_NONE = 5,
};

// Fields of an sv_fog_reach.
inline u8 sv_fog_door(sv_fog_reach r)
{
    return (u8)(r & 0xffu);
}
inline u8 sv_fog_pieces(sv_fog_reach r)
{
    return (u8)((r >> 8) & 0xffu);
}
inline u8 sv_fog_admits(sv_fog_reach r)
{
    return (u8)((r >> 16) & 0xffu);
}
inline u8 sv_fog_exit(sv_fog_reach r)
{
    return (u8)((r >> 24) & 0xffu);
}
f32 sv_fog_length(sv_fog_reach r);

// Starts the walker in room of floor: place = room = room, builds the room's geometry, spawns the
// player in it (Shards, wounds, weapons, grit, stamina and statuses carried), clears lock-on,
// arrival door, event and tracer, and marks the room visited. Nothing for a null argument or a
// room that is not one of the floor's.
void sv_walker_start(sv_walker* walker, sv_floor* floor, u16 room);

// One simulation tick with the caller's input: 0 stayed in its place, 1 crossed a door into
// another place, 2 went through the exit (the caller loads the next floor). Writes back into
// *input the yaw delta (0 while a lock-on holds it) and use (0 once lock-on or a fog walk took
// it). Changes the walker, the floor's play state (mobs, shots, takes, chests, doors, seals,
// visits) and draws from the floor's tenacity stream through the combat step. A dead player
// never crosses a door. 0 and nothing changed for a null walker or floor; a null input is no
// input.
i32 sv_walker_step(sv_walker* walker, sv_floor* floor, sv_input* input);

// The prop the player could use: SV_USE_CHEST for the room's unopened chest when prop spot 1 is
// within player.use_reach and at least as near as the landmark, SV_USE_LANDMARK for a fountain
// or monument (room tagged 2 or 4) whose spot 0 is within reach, else SV_USE_NONE (also in a
// corridor piece or for a null argument). Horizontal distances; changes nothing.
i32 sv_walker_prop_in_reach(const sv_walker* walker, const sv_floor* floor);

// The nearest fog veil within fog.reach ahead of the player: in one of the place's doorways, or
// at the far end of up to 3 corridor pieces beyond an open door when the straight line to it
// passes every doorway on the way. Door 255 and zero elsewhere when none (or a null argument).
// Uses the beyond cache; changes nothing else.
sv_fog_reach sv_walker_fog_in_reach(const sv_walker* walker, const sv_floor* floor);

// The living mob seen from here whose bearing lies nearest the player's yaw, within
// player.lock_arc degrees (a later mob at an equal offset wins); -1 for none or a null argument.
// Uses the combat layer's sight test; changes nothing.
i32 sv_walker_mob_in_aim(const sv_walker* walker, const sv_floor* floor);

// Whether the walker, with the keys it carries, may pass door of place: sv_door_admits over the
// player's Shards and Prisms. 0 for a null argument.
u8 admits_at(const sv_walker* walker, const sv_floor* floor, u16 place, u8 door);

// admits_at for the walker's place and door; 0 when door is not an opening of the place's
// geometry or for a null argument.
i32 sv_walker_admits(const sv_walker* walker, const sv_floor* floor, u8 door);

// Starts a fog walk to door of the walker's place, pieces corridor pieces beyond it and length
// metres of corridor before the veil: SV_EVENT_FOG_REFUSED with nothing changed when admits is 0;
// else sets the player's door walk (a path of at most 8 waypoints from sv_nav_path, fog.walk_time
// long, eased over fog.walk_depth plus the way) and returns SV_EVENT_FOG_WALK. 0 for a null
// walker or a door that is not an opening of the place.
u8 use_fog(sv_walker* walker, u8 door, u8 pieces, u8 admits, f32 length);

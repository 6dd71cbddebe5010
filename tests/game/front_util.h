// Shared by the front-end tests on real floors.
#pragma once
#include <cmath>
#include <string>

#include "actors/walker.h"
#include "floor/floor.h"
#include "game/front_play.h"
#include "game/hud.h"
#include "world/geom.h"

// The prompt a player sees in frame f, from the walker on floor.
inline std::string prompt_of(const sv_frame* f, const sv_walker* walker, const sv_floor* floor)
{
    sv_prompt_facts facts;
    sv_front_prompt_facts(f, walker, floor, &facts);
    char text[SV_PROMPT_MAX];
    sv_prompt_text(&facts, text, sizeof text);
    return std::string(text);
}

// Starts the walker in the exit room of `floor`, standing 1.2 m inside the exit door and facing
// it, with the Prism a fog walk through it takes. Returns false when the floor has no exit.
inline bool stand_before_exit(sv_walker* walker, sv_floor* floor)
{
    for (u16 r = 0; r < floor->room_count; ++r)
        for (u8 d = 0; d < floor->rooms[r].door_count; ++d) {
            if (floor->rooms[r].doors[d].kind != SV_DOOR_EXIT)
                continue;
            sv_walker_start(walker, floor, r);
            const sv_opening* o = &walker->geom.openings[d];
            walker->player.x = o->centre.x + 1.2f * std::cos(o->yaw);
            walker->player.z = o->centre.y + 1.2f * std::sin(o->yaw);
            walker->player.yaw = o->yaw + 3.14159265f;
            walker->player.prisms = 1;
            return true;
        }
    return false;
}

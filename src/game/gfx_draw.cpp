// raylib's immediate mode as the draw sink: triangles and lines go into raylib's batch; around
// translucent primitives the batch is flushed and depth writing is turned off, so a translucent
// fill never hides what is drawn behind it afterwards.
#include "game/gfx_draw.h"

#include <rlgl.h>

#include "game/hand.h"

// Whether the sink has turned depth writing off for translucent primitives.
static struct {
    u8 depth_off;
} g_gfx = {0};

static void set_depth_write(u8 on)
{
    if (on == !g_gfx.depth_off) {
        return;
    }
    rlDrawRenderBatchActive();
    if (on) {
        rlEnableDepthMask();
    } else {
        rlDisableDepthMask();
    }
    g_gfx.depth_off = on ? 0 : 1;
}

static void gfx_sink(void*, const sv_draw_prim* prim)
{
    switch (prim->kind) {
    case SV_DRAW_TRI:
        set_depth_write(prim->depth_write);
        DrawTriangle3D(prim->p[0], prim->p[1], prim->p[2], prim->colour);
        break;
    case SV_DRAW_LINE:
        set_depth_write(prim->depth_write);
        DrawLine3D(prim->p[0], prim->p[1], prim->colour);
        break;
    default:
        rlDrawRenderBatchActive();
        set_depth_write(1);
        break;
    }
}

sv_draw_sink gfx_draw_sink(void)
{
    return sv_draw_sink {gfx_sink, nullptr};
}

void gfx_draw_hand(const sv_walker* walker, const Camera3D* camera)
{
    if (!walker || !camera) {
        return;
    }
    BeginMode3D(*camera);
    rlDrawRenderBatchActive();
    rlDisableDepthTest();
    hand_pose(nullptr, walker, camera, 1); // ends with a flush
    rlDrawRenderBatchActive();
    rlEnableDepthTest();
    EndMode3D();
}

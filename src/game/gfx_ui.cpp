// The interface font cache and text, the mouse-button latch, the frame's key queue and the fog
// shader, with all of their state in one record.
#include <GLFW/glfw3.h>
#include <cstring>

#include "core/log.h"
#include "core/vfs.h"
#include "game/gfx.h"

#define UI_FONT_PATH "fonts/KodeMono.ttf"

// State ----------------------------------------------------------------------------------------

// Everything the window's services keep between calls, in one place.
struct ui_state {
    // The interface font: the pack's file (read once) and a font per pixel size, loaded once.
    u8 font_tried;
    sv_vfs_buf font_file;
    u8 font_have[SV_FONT_CACHE];
    Font font_at[SV_FONT_CACHE];
    // The mouse latch: presses per button (left, right, middle) since the main loop took them,
    // every press, the shortest press (seconds; negative while none was), when each button went
    // down, the cursor's entries since taken, the callbacks chained behind ours and the window.
    u32 presses[3];
    u32 presses_total;
    f64 shortest_press = -1.0;
    f64 press_at[3];
    u32 cursor_enters;
    GLFWmousebuttonfun prev_mouse_cb;
    GLFWcursorenterfun prev_enter_cb;
    GLFWwindow* latched;
    // The key presses raylib queued this frame (the first GFX_KEYS_QUEUED).
    i32 keys_queued[GFX_KEYS_QUEUED];
    i32 keys_queued_count;
};

static ui_state g_ui;

// Font cache ----------------------------------------------------------------------------------

Font ui_font(i32 size, f32* spacing)
{
    if (!g_ui.font_tried) {
        g_ui.font_tried = 1;
        if (!sv_vfs_read(UI_FONT_PATH, &g_ui.font_file)) {
            std::memset(&g_ui.font_file, 0, sizeof g_ui.font_file);
            sv_log_write(SV_LOG_WARN, SV_CAT_RENDER, "no %s in any pack; drawing raylib's font",
                         UI_FONT_PATH);
        }
    }
    bool have_file = g_ui.font_file.data && g_ui.font_file.size > 0;
    if (!have_file || !sv_front_font_cached(size)) {
        if (spacing)
            *spacing = (f32)size / 10.0f;
        return GetFontDefault();
    }
    if (!g_ui.font_have[size]) {
        g_ui.font_at[size] = LoadFontFromMemory(".ttf", (const unsigned char*)g_ui.font_file.data,
                                                (int)g_ui.font_file.size, size, nullptr, 0);
        g_ui.font_have[size] = 1;
    }
    if (!IsFontValid(g_ui.font_at[size])) {
        if (spacing)
            *spacing = (f32)size / 10.0f;
        return GetFontDefault();
    }
    if (spacing)
        *spacing = 0.0f;
    return g_ui.font_at[size];
}

void ui_text(const char* text, f32 x, f32 y, i32 size, Color colour)
{
    f32 spacing = 0.0f;
    Font font = ui_font(size, &spacing);
    DrawTextEx(font, text, Vector2 {x, y}, (f32)size, spacing, colour);
}

i32 ui_width(const char* text, i32 size)
{
    f32 spacing = 0.0f;
    Font font = ui_font(size, &spacing);
    return (i32)MeasureTextEx(font, text, (f32)size, spacing).x;
}

void ui_text_centred(const char* text, i32 x, f32 y, i32 size, Color colour)
{
    ui_text(text, (f32)(x - ui_width(text, size) / 2), y, size, colour);
}

void ui_font_release(void)
{
    for (i32 i = 0; i < SV_FONT_CACHE; ++i) {
        if (g_ui.font_have[i] && IsFontValid(g_ui.font_at[i]))
            UnloadFont(g_ui.font_at[i]);
        g_ui.font_have[i] = 0;
    }
    if (g_ui.font_file.data)
        sv_vfs_free(&g_ui.font_file);
}

// Mouse latch ------------------------------------------------------------------------------------

// Counts presses as they arrive, so a click shorter than a frame is never lost, then hands the
// event on to raylib's own callback.
static void mouse_latch(GLFWwindow* window, int button, int action, int mods)
{
    if (button >= 0 && button <= 2) {
        if (action == GLFW_PRESS) {
            g_ui.presses[button]++;
            g_ui.presses_total++;
            g_ui.press_at[button] = glfwGetTime();
        } else if (action == GLFW_RELEASE) {
            f64 held = glfwGetTime() - g_ui.press_at[button];
            if (g_ui.shortest_press < 0.0 || g_ui.shortest_press > held)
                g_ui.shortest_press = held;
        }
    }
    if (g_ui.prev_mouse_cb)
        g_ui.prev_mouse_cb(window, button, action, mods);
}

// Counts the cursor's entries: GLFW follows each with the position where it entered, which in
// captured mode is a jump of the cursor and not the player's motion.
static void enter_latch(GLFWwindow* window, int entered)
{
    if (entered == GLFW_TRUE)
        g_ui.cursor_enters++;
    if (g_ui.prev_enter_cb)
        g_ui.prev_enter_cb(window, entered);
}

i32 mouse_latch_install(void)
{
    GLFWwindow* window = glfwGetCurrentContext();
    if (!window) {
        sv_log_write(
            SV_LOG_WARN, SV_CAT_RENDER,
            "no GLFW window to latch mouse buttons on: clicks shorter than a frame may be lost");
        return 0;
    }
    g_ui.latched = window;
    g_ui.prev_mouse_cb = glfwSetMouseButtonCallback(window, mouse_latch);
    g_ui.prev_enter_cb = glfwSetCursorEnterCallback(window, enter_latch);
    return 1;
}

u8 gfx_cursor_at_rest(void)
{
    if (!g_ui.latched)
        return 1;
    double x = 0.0, y = 0.0;
    glfwGetCursorPos(g_ui.latched, &x, &y);
    Vector2 seen = GetMousePosition();
    // raylib keeps GLFW's position as a float: the same float when nothing is still to come.
    return (u8)((f32)x == seen.x && (f32)y == seen.y);
}

u8 gfx_mouse_take(u8 button)
{
    if (button > 2)
        return 0;
    u8 pressed = g_ui.presses[button] != 0;
    g_ui.presses[button] = 0;
    return pressed;
}

u32 gfx_cursor_entries_take(void)
{
    u32 n = g_ui.cursor_enters;
    g_ui.cursor_enters = 0;
    return n;
}

u32 gfx_mouse_presses(void)
{
    return g_ui.presses_total;
}

f64 gfx_mouse_shortest_press(void)
{
    return g_ui.shortest_press;
}

// Key queue --------------------------------------------------------------------------------------

void gfx_keys_read(void)
{
    g_ui.keys_queued_count = 0;
    for (int key = GetKeyPressed(); key != 0; key = GetKeyPressed())
        if (g_ui.keys_queued_count < GFX_KEYS_QUEUED)
            g_ui.keys_queued[g_ui.keys_queued_count++] = key;
}

i32 gfx_key_tapped(i32 key)
{
    for (i32 i = 0; i < g_ui.keys_queued_count; ++i)
        if (g_ui.keys_queued[i] == key)
            return 1;
    return IsKeyPressed(key) ? 1 : 0;
}

// Fog shader -------------------------------------------------------------------------------------

static const char* FOG_VS = R"(#version 330
in vec3 vertexPosition;
in vec2 vertexTexCoord;
in vec4 vertexColor;
uniform mat4 mvp;
out vec3 fragPosition;
out vec2 fragTexCoord;
out vec4 fragColor;
void main()
{
    fragPosition = vertexPosition;
    fragTexCoord = vertexTexCoord;
    fragColor = vertexColor;
    gl_Position = mvp * vec4(vertexPosition, 1.0);
}
)";

static const char* FOG_FS = R"(#version 330
in vec3 fragPosition;
in vec2 fragTexCoord;
in vec4 fragColor;
uniform sampler2D texture0;
uniform vec4 colDiffuse;
uniform vec3 viewPos;
uniform vec4 fogColor;
uniform float fogDensity;
out vec4 finalColor;
void main()
{
    vec4 c = texture(texture0, fragTexCoord) * colDiffuse * fragColor;
    float d = length(viewPos - fragPosition);
    float f = clamp(exp(-(d * fogDensity) * (d * fogDensity)), 0.0, 1.0);
    finalColor = vec4(mix(fogColor.rgb, c.rgb, f), c.a);
}
)";

void gfx_fog_load(gfx_fog* fog)
{
    fog->shader = LoadShaderFromMemory(FOG_VS, FOG_FS);
    fog->view_pos = GetShaderLocation(fog->shader, "viewPos");
    fog->fog_colour = GetShaderLocation(fog->shader, "fogColor");
    fog->fog_density = GetShaderLocation(fog->shader, "fogDensity");
    const f32 colour[4] = {18.0f / 255.0f, 16.0f / 255.0f, 20.0f / 255.0f, 1.0f};
    const f32 density = 0.05f;
    SetShaderValue(fog->shader, fog->fog_colour, colour, SHADER_UNIFORM_VEC4);
    SetShaderValue(fog->shader, fog->fog_density, &density, SHADER_UNIFORM_FLOAT);
}

void gfx_fog_unload(gfx_fog* fog)
{
    UnloadShader(fog->shader);
}

// The interface font cache and text, the mouse-button latch and the fog shader.
#include <GLFW/glfw3.h>
#include <cstring>

#include "core/log.h"
#include "core/vfs.h"
#include "game/gfx.h"

#define UI_FONT_PATH "fonts/KodeMono.ttf"

// Font cache ----------------------------------------------------------------------------------

static u8 g_font_tried;
static sv_vfs_buf g_font_file;
static u8 g_font_have[SV_FONT_CACHE];
static Font g_font_at[SV_FONT_CACHE];

Font ui_font(i32 size, f32* spacing)
{
    if (!g_font_tried) {
        g_font_tried = 1;
        if (!sv_vfs_read(UI_FONT_PATH, &g_font_file)) {
            std::memset(&g_font_file, 0, sizeof g_font_file);
            sv_log_write(SV_LOG_WARN, SV_CAT_RENDER, "no %s in any pack; drawing raylib's font",
                         UI_FONT_PATH);
        }
    }
    bool have_file = g_font_file.data && g_font_file.size > 0;
    if (!have_file || !sv_front_font_cached(size)) {
        if (spacing)
            *spacing = (f32)size / 10.0f;
        return GetFontDefault();
    }
    if (!g_font_have[size]) {
        g_font_at[size] = LoadFontFromMemory(".ttf", (const unsigned char*)g_font_file.data,
                                             (int)g_font_file.size, size, nullptr, 0);
        g_font_have[size] = 1;
    }
    if (!IsFontValid(g_font_at[size])) {
        if (spacing)
            *spacing = (f32)size / 10.0f;
        return GetFontDefault();
    }
    if (spacing)
        *spacing = 0.0f;
    return g_font_at[size];
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
        if (g_font_have[i] && IsFontValid(g_font_at[i]))
            UnloadFont(g_font_at[i]);
        g_font_have[i] = 0;
    }
    if (g_font_file.data)
        sv_vfs_free(&g_font_file);
}

// Mouse latch ------------------------------------------------------------------------------------

u32 g_presses[3];
u32 g_presses_total;
f64 g_shortest_press = -1.0;
u32 g_cursor_enters;
static f64 g_press_at[3];
static GLFWmousebuttonfun g_prev_mouse_cb;
static GLFWcursorenterfun g_prev_enter_cb;
static GLFWwindow* g_latched;

// Counts presses as they arrive, so a click shorter than a frame is never lost, then hands the
// event on to raylib's own callback.
static void mouse_latch(GLFWwindow* window, int button, int action, int mods)
{
    if (button >= 0 && button <= 2) {
        if (action == GLFW_PRESS) {
            g_presses[button]++;
            g_presses_total++;
            g_press_at[button] = glfwGetTime();
        } else if (action == GLFW_RELEASE) {
            f64 held = glfwGetTime() - g_press_at[button];
            if (g_shortest_press < 0.0 || g_shortest_press > held)
                g_shortest_press = held;
        }
    }
    if (g_prev_mouse_cb)
        g_prev_mouse_cb(window, button, action, mods);
}

// Counts the cursor's entries: GLFW follows each with the position where it entered, which in
// captured mode is a jump of the cursor and not the player's motion.
static void enter_latch(GLFWwindow* window, int entered)
{
    if (entered == GLFW_TRUE)
        g_cursor_enters++;
    if (g_prev_enter_cb)
        g_prev_enter_cb(window, entered);
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
    g_latched = window;
    g_prev_mouse_cb = glfwSetMouseButtonCallback(window, mouse_latch);
    g_prev_enter_cb = glfwSetCursorEnterCallback(window, enter_latch);
    return 1;
}

u8 gfx_cursor_at_rest(void)
{
    if (!g_latched)
        return 1;
    double x = 0.0, y = 0.0;
    glfwGetCursorPos(g_latched, &x, &y);
    Vector2 seen = GetMousePosition();
    // raylib keeps GLFW's position as a float: the same float when nothing is still to come.
    return (u8)((f32)x == seen.x && (f32)y == seen.y);
}

// Key queue --------------------------------------------------------------------------------------

i32 g_keys_queued[GFX_KEYS_QUEUED];
i32 g_keys_queued_count;

void gfx_keys_read(void)
{
    g_keys_queued_count = 0;
    for (int key = GetKeyPressed(); key != 0; key = GetKeyPressed())
        if (g_keys_queued_count < GFX_KEYS_QUEUED)
            g_keys_queued[g_keys_queued_count++] = key;
}

i32 gfx_key_tapped(i32 key)
{
    for (i32 i = 0; i < g_keys_queued_count; ++i)
        if (g_keys_queued[i] == key)
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

// The headless console: boots the base pack as the game does and runs console lines from
// standard input, so tools and tests reach the console without a window.
#include <cstdio>
#include <cstring>

#include "console/cmd.h"
#include "core/boot.h"
#include "core/content.h"
#include "core/log.h"
#include "core/pack.h"
#include "core/plat.h"
#include "core/vfs.h"
#include "game/cmd_debug.h"
#include "game/cmd_gen.h"

static int console_is_dir(const char* path)
{
    return sv_plat_stat(path, nullptr) == SV_PLAT_DIR;
}

// "packs/base" beside the executable when that directory exists, else in the working directory.
static void console_default_pack(char* out, size_t cap)
{
    char exe_dir[1024];
    if (sv_plat_exe_dir(exe_dir, sizeof exe_dir)) {
        char beside[1024];
        int len = std::snprintf(beside, sizeof beside, "%spacks/base", exe_dir);
        if (len > 0 && (size_t)len < sizeof beside && console_is_dir(beside)) {
            std::snprintf(out, cap, "%s", beside);
            return;
        }
    }
    std::snprintf(out, cap, "%s", "packs/base");
}

int main(int argc, char** argv)
{
    sv_plat_binary_stdio();
    sv_plat_utf8_console();
    sv_plat_utf8_args(&argc, &argv);
    const char* pack = nullptr;
    for (int i = 1; i < argc; i++) {
        if (std::strcmp(argv[i], "--pack") != 0)
            continue;
        if (i + 1 < argc)
            pack = argv[++i];
        else
            sv_log_write(SV_LOG_WARN, SV_CAT_VFS, "--pack needs a path; it is ignored");
    }
    // A given path is taken whole: cut to a buffer, it would name another place.
    char beside[1024];
    const char* path = pack;
    if (!path) {
        console_default_pack(beside, sizeof beside);
        path = beside;
    }

    sv_pack_boot(path);
    sv_pack_boot_log(path, pack ? 1 : 0);
    sv_cmd_register_builtins();
    sv_gen_register_commands();
    sv_debug_register_commands();
    // No main loop here: the debug commands start this walker on each floor gen makes.
    static sv_walker walker;
    sv_debug_follow(&walker);

    sv_cmd_repl(stdin);

    // Give back the held floor and what the packs hold, so leak checkers see a clean exit.
    sv_debug_follow(nullptr);
    sv_gen_release_current();
    sv_content_reset();
    sv_pack_reset();
    sv_vfs_clear();
    std::fflush(stdout);
    return 0;
}

// The game's entry point. Until the front end lands it only proves that raylib links.
#include <cstdio>
#include <raylib.h>

int main(void)
{
    SetTraceLogLevel(LOG_WARNING);
    std::fprintf(stderr, "strenvik: the game is not built yet\n");
    return 0;
}

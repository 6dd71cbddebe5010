// The platform word the build's own `version` line and log header print, spelled out here so the
// tests pin it rather than read it back from the code.
#pragma once

#if defined(_WIN32)
#define SV_TEST_PLATFORM "windows"
#else
#define SV_TEST_PLATFORM "linux"
#endif

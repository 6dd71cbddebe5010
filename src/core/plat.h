// The few things the operating system answers differently on Linux and Windows: a file's real
// path behind links, the running program's own directory, and byte-exact standard streams.
#pragma once
#include "core/types.h"

// The path separator of the real paths sv_plat_real_path gives: '/' on Linux, '\\' on Windows.
#if defined(_WIN32)
#define SV_PLAT_SEP '\\'
#else
#define SV_PLAT_SEP '/'
#endif

// The absolute path of the file or directory at path with every link, junction and other reparse
// point followed, in a heap block the caller frees with free(); null when path does not exist or
// cannot be opened. On Windows the form is "\\?\C:\dir\file" (or "\\?\UNC\..."), never 8.3 names.
char* sv_plat_real_path(const char* path);
// Writes the directory of the running executable, with a trailing separator, into out (cap
// bytes, NUL-terminated) and returns 1; 0 with out empty when it is unknown or does not fit.
int sv_plat_exe_dir(char* out, u64 cap);
// Puts standard input, output and error into binary mode, so a program's output bytes are the same
// on every platform ("\n" line ends). Nothing on Linux, where there is no text mode.
void sv_plat_binary_stdio(void);

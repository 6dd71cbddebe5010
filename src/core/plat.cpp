// Platform calls: POSIX on Linux, the Win32 API on Windows. Narrow paths are in the C library's
// own encoding (the ANSI code page on Windows), so what these return opens with fopen and stat.
#include "core/plat.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

#if defined(_WIN32)
// The wide form of a narrow path in the ANSI code page; null when it does not convert.
static wchar_t* plat_widen(const char* path)
{
    int n = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, path, -1, nullptr, 0);
    if (n <= 0)
        return nullptr;
    wchar_t* wide = (wchar_t*)std::malloc((size_t)n * sizeof(wchar_t));
    if (wide && MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, path, -1, wide, n) != n) {
        std::free(wide);
        wide = nullptr;
    }
    return wide;
}

// The narrow form of a wide path; null when a character has no exact form in the ANSI code page.
static char* plat_narrow(const wchar_t* wide)
{
    BOOL lossy = FALSE;
    int n
        = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, nullptr, 0, nullptr, &lossy);
    if (n <= 0 || lossy)
        return nullptr;
    char* narrow = (char*)std::malloc((size_t)n);
    if (narrow
        && WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, narrow, n, nullptr, &lossy)
            != n) {
        std::free(narrow);
        narrow = nullptr;
    }
    return narrow;
}

char* sv_plat_real_path(const char* path)
{
    wchar_t* wide = plat_widen(path);
    if (!wide)
        return nullptr;
    // Opening without FILE_FLAG_OPEN_REPARSE_POINT follows symbolic links and junctions to their
    // target; backup semantics lets a directory be opened too. Nothing is read or locked.
    HANDLE h = CreateFileW(wide, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    std::free(wide);
    if (h == INVALID_HANDLE_VALUE)
        return nullptr;
    char* real = nullptr;
    DWORD n = GetFinalPathNameByHandleW(h, nullptr, 0, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (n > 0) {
        wchar_t* final_path = (wchar_t*)std::malloc((size_t)(n + 1) * sizeof(wchar_t));
        if (final_path) {
            DWORD got = GetFinalPathNameByHandleW(h, final_path, n + 1,
                                                  FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
            if (got > 0 && got <= n)
                real = plat_narrow(final_path);
            std::free(final_path);
        }
    }
    CloseHandle(h);
    return real;
}

int sv_plat_exe_dir(char* out, u64 cap)
{
    if (cap > 0)
        out[0] = '\0';
    // Room for the longest path Windows has; GetModuleFileNameW fills it and cuts what is longer.
    static wchar_t s_exe[32768];
    DWORD n = GetModuleFileNameW(nullptr, s_exe, (DWORD)(sizeof s_exe / sizeof s_exe[0]));
    if (n == 0 || n >= sizeof s_exe / sizeof s_exe[0])
        return 0;
    wchar_t* sep = std::wcsrchr(s_exe, L'\\');
    if (!sep)
        return 0;
    sep[1] = L'\0';
    char* dir = plat_narrow(s_exe);
    if (!dir)
        return 0;
    u64 len = std::strlen(dir);
    int ok = len < cap;
    if (ok)
        std::memcpy(out, dir, len + 1);
    std::free(dir);
    return ok;
}

void sv_plat_binary_stdio(void)
{
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
}
#else
char* sv_plat_real_path(const char* path)
{
    return realpath(path, nullptr);
}

int sv_plat_exe_dir(char* out, u64 cap)
{
    if (cap > 0)
        out[0] = '\0';
    char exe[1024];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0)
        return 0;
    exe[n] = '\0';
    char* slash = std::strrchr(exe, '/');
    if (!slash)
        return 0;
    slash[1] = '\0';
    u64 len = (u64)(slash + 1 - exe);
    if (len >= cap)
        return 0;
    std::memcpy(out, exe, len + 1);
    return 1;
}

void sv_plat_binary_stdio(void) { }
#endif

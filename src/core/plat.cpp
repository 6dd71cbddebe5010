// Platform calls: POSIX on Linux, the Win32 API on Windows. Paths are UTF-8 on both; on Windows
// they are turned into UTF-16 for the wide calls (never the ANSI code page, which cannot spell
// every name) and back.
#include "core/plat.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <shellapi.h>
#else
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

// Whether a kind found where a file is to be written is something else already.
static int plat_not_a_file(u32 kind)
{
    return kind == SV_PLAT_DIR || kind == SV_PLAT_DEVICE || kind == SV_PLAT_FIFO
        || kind == SV_PLAT_SOCKET || kind == SV_PLAT_OTHER;
}

const char* sv_plat_refusal_text(u32 why)
{
    if (why == SV_PLAT_WRITE_DEVICE_NAME)
        return "a device name, not a file";
    if (why == SV_PLAT_WRITE_NOT_FILE)
        return "not a regular file";
    return nullptr;
}

int sv_plat_device_name(const char* path)
{
    if (!path)
        return 0;
    const char* name = path;
    for (const char* p = path; *p; p++) {
        if (*p == '/' || *p == '\\')
            name = p + 1;
    }
    // "C:nul" is nul on drive C.
    if (name == path && ((name[0] | 0x20) >= 'a' && (name[0] | 0x20) <= 'z') && name[1] == ':')
        name += 2;
    u64 n = 0;
    while (name[n] && name[n] != '.' && name[n] != ':')
        n++;
    while (n > 0 && name[n - 1] == ' ')
        n--;
    if (n < 3 || n > 7)
        return 0;
    char base[8];
    for (u64 i = 0; i < n; i++) {
        char c = name[i];
        base[i] = c >= 'a' && c <= 'z' ? (char)(c - 'a' + 'A') : c;
    }
    base[n] = '\0';
    static const char* const k_devices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (const char* d : k_devices) {
        if (std::strcmp(base, d) == 0)
            return 1;
    }
    if (std::strncmp(base, "COM", 3) != 0 && std::strncmp(base, "LPT", 3) != 0)
        return 0;
    // A digit, or a superscript one, two or three (U+00B9, U+00B2, U+00B3 in UTF-8).
    if (n == 4)
        return base[3] >= '0' && base[3] <= '9';
    return n == 5 && (unsigned char)base[3] == 0xC2
        && ((unsigned char)base[4] == 0xB9 || (unsigned char)base[4] == 0xB2
            || (unsigned char)base[4] == 0xB3);
}

char sv_plat_join_sep(const char* dir)
{
#if defined(_WIN32)
    if (dir && dir[0] == '\\' && dir[1] == '\\' && dir[2] == '?' && dir[3] == '\\')
        return '\\';
#else
    (void)dir;
#endif
    return '/';
}

#if defined(_WIN32)
// The UTF-16 form of a UTF-8 text in a heap block; null when it is not valid UTF-8.
static wchar_t* plat_wide_text(const char* text)
{
    int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, -1, nullptr, 0);
    if (n <= 0)
        return nullptr;
    wchar_t* wide = (wchar_t*)std::malloc((size_t)n * sizeof(wchar_t));
    if (wide && MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, -1, wide, n) != n) {
        std::free(wide);
        wide = nullptr;
    }
    return wide;
}

// The UTF-8 form of a UTF-16 text in a heap block; null when it holds a lone surrogate.
static char* plat_utf8(const wchar_t* wide)
{
    int n = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide, -1, nullptr, 0, nullptr,
                                nullptr);
    if (n <= 0)
        return nullptr;
    char* text = (char*)std::malloc((size_t)n);
    if (text
        && WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide, -1, text, n, nullptr, nullptr)
            != n) {
        std::free(text);
        text = nullptr;
    }
    return text;
}

static int plat_letter(wchar_t c)
{
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

// Whether a path is in the device namespace ("\\.\COM1", "\\.\pipe\name"); "\\.\C:\dir" is a
// drive's files, not a device.
static int plat_device_path(const wchar_t* w)
{
    if (!(w[0] == L'\\' && w[1] == L'\\' && w[2] == L'.' && w[3] == L'\\'))
        return 0;
    return !(plat_letter(w[4]) && w[5] == L':' && w[6] == L'\\');
}

// The form of a UTF-8 path the wide calls take, in a heap block: absolute and in the "\\?\" form
// ("\\?\UNC\server\share" for a share), which lifts the 260-character limit; a device keeps its
// "\\.\" form. A path already in either form is kept, but for its '/', which no name can hold and
// which that form does not turn into '\'. Null when the path is empty, not UTF-8 or not a path.
static wchar_t* plat_path(const char* path)
{
    wchar_t* w = plat_wide_text(path);
    if (!w || !w[0]) {
        std::free(w);
        SetLastError(ERROR_INVALID_NAME);
        return nullptr;
    }
    if (w[0] == L'\\' && w[1] == L'\\' && (w[2] == L'?' || w[2] == L'.') && w[3] == L'\\') {
        for (wchar_t* p = w + 4; *p; p++) {
            if (*p == L'/')
                *p = L'\\';
        }
        return w;
    }
    DWORD n = GetFullPathNameW(w, 0, nullptr, nullptr);
    wchar_t* full = n > 0 ? (wchar_t*)std::malloc((size_t)n * sizeof(wchar_t)) : nullptr;
    DWORD got = full ? GetFullPathNameW(w, n, full, nullptr) : 0;
    std::free(w);
    if (got == 0 || got >= n) {
        std::free(full);
        return nullptr;
    }
    const wchar_t* prefix = nullptr;
    const wchar_t* rest = full;
    if (full[0] == L'\\' && full[1] == L'\\' && full[2] != L'?' && full[2] != L'.') {
        prefix = L"\\\\?\\UNC";
        rest = full + 1;
    } else if (plat_letter(full[0]) && full[1] == L':' && full[2] == L'\\') {
        prefix = L"\\\\?\\";
    }
    if (!prefix)
        return full;
    size_t a = std::wcslen(prefix), b = std::wcslen(rest);
    wchar_t* out = (wchar_t*)std::malloc((a + b + 1) * sizeof(wchar_t));
    if (out) {
        std::memcpy(out, prefix, a * sizeof(wchar_t));
        std::memcpy(out + a, rest, (b + 1) * sizeof(wchar_t));
    }
    std::free(full);
    return out;
}

// The kind of what an open handle names, and a regular file's size.
static u32 plat_kind_of_handle(HANDLE h, u64* out_size)
{
    DWORD type = GetFileType(h);
    if (type == FILE_TYPE_CHAR)
        return SV_PLAT_DEVICE;
    if (type == FILE_TYPE_PIPE)
        return SV_PLAT_FIFO;
    BY_HANDLE_FILE_INFORMATION info;
    if (type != FILE_TYPE_DISK || !GetFileInformationByHandle(h, &info))
        return SV_PLAT_OTHER;
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return SV_PLAT_DIR;
    if (out_size)
        *out_size = ((u64)info.nFileSizeHigh << 32) | (u64)info.nFileSizeLow;
    return SV_PLAT_FILE;
}

// The kind of what a path that would not open names: absent for the errors of a missing name,
// else what its attributes say (a file locked against even this look, say).
static u32 plat_kind_unopened(const wchar_t* w, DWORD err, u64* out_size)
{
    switch (err) {
    case ERROR_CANT_RESOLVE_FILENAME: return SV_PLAT_LOOP;
    case ERROR_FILENAME_EXCED_RANGE: return SV_PLAT_TOO_LONG;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_INVALID_DRIVE:
    case ERROR_NOT_READY:
    case ERROR_DIRECTORY: return SV_PLAT_ABSENT;
    default: break;
    }
    WIN32_FILE_ATTRIBUTE_DATA a;
    if (!GetFileAttributesExW(w, GetFileExInfoStandard, &a))
        return SV_PLAT_ABSENT;
    if (a.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return SV_PLAT_DIR;
    if (out_size)
        *out_size = ((u64)a.nFileSizeHigh << 32) | (u64)a.nFileSizeLow;
    return SV_PLAT_FILE;
}

// What the wide path w names (an SV_PLAT_ kind), its size in *out_size for a file.
static u32 plat_kind(const wchar_t* w, u64* out_size)
{
    // A device is never opened only to be looked at: opening one can act (a serial line).
    if (plat_device_path(w))
        return SV_PLAT_DEVICE;
    // No access asked for: nothing is read or locked, and links and junctions are followed;
    // backup semantics lets a directory open too.
    HANDLE h = CreateFileW(w, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return plat_kind_unopened(w, GetLastError(), out_size);
    u32 kind = plat_kind_of_handle(h, out_size);
    CloseHandle(h);
    return kind;
}

u32 sv_plat_stat(const char* path, u64* out_size)
{
    wchar_t* w = path ? plat_path(path) : nullptr;
    if (!w)
        return path && GetLastError() == ERROR_FILENAME_EXCED_RANGE ? SV_PLAT_TOO_LONG
                                                                    : SV_PLAT_ABSENT;
    u32 kind = plat_kind(w, out_size);
    std::free(w);
    return kind;
}

FILE* sv_plat_open_read(const char* path)
{
    wchar_t* w = path ? plat_path(path) : nullptr;
    if (!w)
        return nullptr;
    FILE* f = plat_device_path(w) ? nullptr : _wfopen(w, L"rb");
    std::free(w);
    return f;
}

FILE* sv_plat_create(const char* path, u32* why)
{
    u32 refusal = SV_PLAT_WRITE_FAILED;
    FILE* f = nullptr;
    wchar_t* w = nullptr;
    if (sv_plat_device_name(path)) {
        refusal = SV_PLAT_WRITE_DEVICE_NAME;
    } else if ((w = path ? plat_path(path) : nullptr) && plat_not_a_file(plat_kind(w, nullptr))) {
        refusal = SV_PLAT_WRITE_NOT_FILE;
    } else if (w) {
        f = _wfopen(w, L"wb");
        // Whatever came to stand there since the look, only a file on a disk is written.
        if (f && GetFileType((HANDLE)_get_osfhandle(_fileno(f))) != FILE_TYPE_DISK) {
            std::fclose(f);
            f = nullptr;
            refusal = SV_PLAT_WRITE_NOT_FILE;
        }
    }
    std::free(w);
    if (!f && why)
        *why = refusal;
    return f;
}

int sv_plat_list_dir(const char* path, sv_plat_entry_fn fn, void* ctx)
{
    wchar_t* w = path ? plat_path(path) : nullptr;
    if (!w)
        return 0;
    size_t n = std::wcslen(w);
    wchar_t* pattern = (wchar_t*)std::malloc((n + 3) * sizeof(wchar_t));
    if (!pattern) {
        std::free(w);
        return 0;
    }
    std::memcpy(pattern, w, n * sizeof(wchar_t));
    if (n > 0 && pattern[n - 1] != L'\\')
        pattern[n++] = L'\\';
    pattern[n++] = L'*';
    pattern[n] = L'\0';
    std::free(w);
    WIN32_FIND_DATAW entry;
    HANDLE h
        = FindFirstFileExW(pattern, FindExInfoBasic, &entry, FindExSearchNameMatch, nullptr, 0);
    std::free(pattern);
    if (h == INVALID_HANDLE_VALUE)
        return 0;
    do {
        const wchar_t* e = entry.cFileName;
        if (std::wcscmp(e, L".") == 0 || std::wcscmp(e, L"..") == 0)
            continue;
        char* name = plat_utf8(e);
        if (name && fn)
            fn(ctx, name);
        std::free(name);
    } while (FindNextFileW(h, &entry));
    FindClose(h);
    return 1;
}

// Opens what path names (links followed, for no access) and gives its volume's serial number and
// its path on that volume ("\\dir\\file", in a heap block the caller frees); 0 when it cannot.
static int plat_volume_name(const char* path, DWORD* serial, wchar_t** name)
{
    *name = nullptr;
    wchar_t* w = plat_path(path);
    HANDLE h = !w || plat_device_path(w)
        ? INVALID_HANDLE_VALUE
        : CreateFileW(w, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    std::free(w);
    if (h == INVALID_HANDLE_VALUE)
        return 0;
    // The name comes counted, not terminated; 32767 units hold the longest path there is.
    size_t bytes = sizeof(FILE_NAME_INFO) + 32768 * sizeof(wchar_t);
    FILE_NAME_INFO* info = (FILE_NAME_INFO*)std::malloc(bytes);
    BY_HANDLE_FILE_INFORMATION file;
    int ok = info && GetFileInformationByHandle(h, &file)
        && GetFileInformationByHandleEx(h, FileNameInfo, info, (DWORD)bytes);
    CloseHandle(h);
    size_t n = ok ? info->FileNameLength / sizeof(wchar_t) : 0;
    *name = ok ? (wchar_t*)std::malloc((n + 1) * sizeof(wchar_t)) : nullptr;
    if (*name) {
        std::memcpy(*name, info->FileName, n * sizeof(wchar_t));
        (*name)[n] = L'\0';
        *serial = file.dwVolumeSerialNumber;
    }
    std::free(info);
    return *name != nullptr;
}

int sv_plat_inside(const char* root, const char* path)
{
    DWORD root_volume = 0, file_volume = 0;
    wchar_t* r = nullptr;
    wchar_t* f = nullptr;
    int inside = -1;
    if (plat_volume_name(root, &root_volume, &r) && plat_volume_name(path, &file_volume, &f)) {
        size_t n = std::wcslen(r);
        // Names on one volume match whatever their letter case, as its file system matches them.
        // A root that ends in a separator (a drive's "\\") holds everything below it; any other
        // root only what lies below its own name.
        inside = root_volume == file_volume && n > 0 && std::wcslen(f) >= n
            && CompareStringOrdinal(f, (int)n, r, (int)n, TRUE) == CSTR_EQUAL
            && (r[n - 1] == L'\\' || f[n] == L'\\');
    }
    std::free(r);
    std::free(f);
    return inside;
}

int sv_plat_same(const char* a, const char* b)
{
    DWORD a_volume = 0, b_volume = 0;
    wchar_t* an = nullptr;
    wchar_t* bn = nullptr;
    int same = plat_volume_name(a, &a_volume, &an) && plat_volume_name(b, &b_volume, &bn)
        && a_volume == b_volume && CompareStringOrdinal(an, -1, bn, -1, TRUE) == CSTR_EQUAL;
    std::free(an);
    std::free(bn);
    return same;
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
    char* dir = plat_utf8(s_exe);
    if (!dir)
        return 0;
    u64 len = std::strlen(dir);
    int ok = len < cap;
    if (ok)
        std::memcpy(out, dir, len + 1);
    std::free(dir);
    return ok;
}

void sv_plat_utf8_args(int* argc, char*** argv)
{
    int n = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &n);
    if (!wide)
        return;
    // One block for the life of the process: the pointers, a null, then the texts.
    size_t bytes = ((size_t)n + 1) * sizeof(char*);
    int ok = n > 0;
    for (int i = 0; ok && i < n; i++) {
        int len = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
        ok = len > 0;
        bytes += (size_t)len;
    }
    static char** s_args;
    char** args = ok ? (char**)std::malloc(bytes) : nullptr;
    if (args) {
        char* at = (char*)(args + n + 1);
        char* end = (char*)args + bytes;
        for (int i = 0; i < n; i++) {
            int len = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, at, (int)(end - at), nullptr,
                                          nullptr);
            args[i] = at;
            at += len > 0 ? len : 0;
        }
        args[n] = nullptr;
        std::free(s_args);
        s_args = args;
        *argc = n;
        *argv = args;
    }
    LocalFree(wide);
}

void sv_plat_binary_stdio(void)
{
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
}

// The console's code pages before the program changed them; 0 for one it left alone.
static UINT s_console_in, s_console_out;

static void plat_restore_console(void)
{
    if (s_console_in)
        SetConsoleCP(s_console_in);
    if (s_console_out)
        SetConsoleOutputCP(s_console_out);
}

void sv_plat_utf8_console(void)
{
    static int s_done;
    if (s_done)
        return;
    s_done = 1;
    // Both are 0 when no console is attached.
    UINT in = GetConsoleCP(), out = GetConsoleOutputCP();
    if (in != 0 && in != CP_UTF8 && SetConsoleCP(CP_UTF8))
        s_console_in = in;
    if (out != 0 && out != CP_UTF8 && SetConsoleOutputCP(CP_UTF8))
        s_console_out = out;
    if (s_console_in || s_console_out)
        std::atexit(plat_restore_console);
}

// UTF-16 units one console read takes; a line longer than this comes in several reads.
#define PLAT_CONSOLE_CHUNK 1024

// Typed text from a console, read as UTF-16 (a byte read in the UTF-8 code page loses every
// character past ASCII on many Windows versions) and handed out as UTF-8 bytes.
static struct {
    FILE* file; // the stream last asked about
    int console;
    u8 ended;
    u32 at, count;
    char bytes[3 * (PLAT_CONSOLE_CHUNK + 1)];
} s_console;

static int plat_console_fill(FILE* in)
{
    if (s_console.ended)
        return 0;
    HANDLE h = (HANDLE)_get_osfhandle(_fileno(in));
    wchar_t w[PLAT_CONSOLE_CHUNK + 1];
    DWORD got = 0;
    if (!ReadConsoleW(h, w, PLAT_CONSOLE_CHUNK, &got, nullptr) || got == 0) {
        s_console.ended = 1;
        return 0;
    }
    // A character in two units stays whole.
    DWORD more = 0;
    if (IS_HIGH_SURROGATE(w[got - 1]) && ReadConsoleW(h, w + got, 1, &more, nullptr))
        got += more;
    int n = w[0] == 0x1A ? 0
                         : WideCharToMultiByte(CP_UTF8, 0, w, (int)got, s_console.bytes,
                                               (int)sizeof s_console.bytes, nullptr, nullptr);
    if (n <= 0) {
        s_console.ended = 1;
        return 0;
    }
    s_console.at = 0;
    s_console.count = (u32)n;
    return 1;
}

int sv_plat_getc(FILE* in)
{
    if (in != s_console.file) {
        s_console.file = in;
        s_console.at = s_console.count = 0;
        s_console.ended = 0;
        DWORD mode = 0;
        HANDLE h = in ? (HANDLE)_get_osfhandle(_fileno(in)) : INVALID_HANDLE_VALUE;
        s_console.console = h != INVALID_HANDLE_VALUE && GetConsoleMode(h, &mode);
    }
    if (!s_console.console)
        return std::fgetc(in);
    if (s_console.at == s_console.count && !plat_console_fill(in))
        return EOF;
    return (unsigned char)s_console.bytes[s_console.at++];
}
#else
u32 sv_plat_stat(const char* path, u64* out_size)
{
    struct stat st;
    if (!path || stat(path, &st) != 0) {
        if (path && errno == ELOOP)
            return SV_PLAT_LOOP;
        return path && errno == ENAMETOOLONG ? SV_PLAT_TOO_LONG : SV_PLAT_ABSENT;
    }
    if (S_ISREG(st.st_mode)) {
        if (out_size)
            *out_size = (u64)st.st_size;
        return SV_PLAT_FILE;
    }
    if (S_ISDIR(st.st_mode))
        return SV_PLAT_DIR;
    if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode))
        return SV_PLAT_DEVICE;
    if (S_ISFIFO(st.st_mode))
        return SV_PLAT_FIFO;
    return S_ISSOCK(st.st_mode) ? SV_PLAT_SOCKET : SV_PLAT_OTHER;
}

FILE* sv_plat_open_read(const char* path)
{
    return path ? std::fopen(path, "rb") : nullptr;
}

FILE* sv_plat_create(const char* path, u32* why)
{
    u32 refusal = SV_PLAT_WRITE_FAILED;
    FILE* f = nullptr;
    if (path && plat_not_a_file(sv_plat_stat(path, nullptr))) {
        refusal = SV_PLAT_WRITE_NOT_FILE;
    } else if (path) {
        // Non-blocking: a FIFO that came to stand there since the look, with no reader, fails the
        // open rather than wait for one; the open itself empties nothing.
        int fd = open(path, O_WRONLY | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
        struct stat st;
        if (fd >= 0 && (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))) {
            refusal = SV_PLAT_WRITE_NOT_FILE;
        } else if (fd >= 0 && ftruncate(fd, 0) == 0
                   && fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) == 0) {
            f = fdopen(fd, "wb");
        }
        if (!f && fd >= 0)
            close(fd);
    }
    if (!f && why)
        *why = refusal;
    return f;
}

int sv_plat_list_dir(const char* path, sv_plat_entry_fn fn, void* ctx)
{
    DIR* dir = path ? opendir(path) : nullptr;
    if (!dir)
        return 0;
    while (const dirent* e = readdir(dir)) {
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0)
            continue;
        if (fn)
            fn(ctx, e->d_name);
    }
    closedir(dir);
    return 1;
}

int sv_plat_inside(const char* root, const char* path)
{
    char* r = root ? realpath(root, nullptr) : nullptr;
    char* f = path ? realpath(path, nullptr) : nullptr;
    int inside = -1;
    if (r && f) {
        size_t n = std::strlen(r);
        // A root that ends in a separator ("/") holds everything below it; any other root only
        // what lies below its own name.
        inside = n > 0 && std::strncmp(f, r, n) == 0 && (r[n - 1] == '/' || f[n] == '/');
    }
    std::free(r);
    std::free(f);
    return inside;
}

int sv_plat_same(const char* a, const char* b)
{
    struct stat as, bs;
    return a && b && stat(a, &as) == 0 && stat(b, &bs) == 0 && as.st_dev == bs.st_dev
        && as.st_ino == bs.st_ino;
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

void sv_plat_utf8_args(int*, char***) { }

void sv_plat_binary_stdio(void) { }

void sv_plat_utf8_console(void) { }

int sv_plat_getc(FILE* in)
{
    return std::fgetc(in);
}
#endif

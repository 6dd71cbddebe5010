// The few things the operating system answers differently on Linux and Windows: what a path names,
// opening, listing and resolving it, the running program's own directory and arguments, and
// byte-exact standard streams. Every path here is UTF-8 text; on Windows it goes through the wide
// (UTF-16) calls, absolute paths in the "\\?\" form that has no 260-character limit.
#pragma once
#include "core/types.h"

#include <cstdio>

// The separator to join a name below the directory path dir with: '\\' after a Windows "\\?\"
// path, which takes no '/', else '/' (which Windows takes elsewhere). Pure.
char sv_plat_join_sep(const char* dir);

// 1 where the file system matches names without regard to letter case (Windows), else 0.
#if defined(_WIN32)
#define SV_PLAT_FOLDS_CASE 1
#else
#define SV_PLAT_FOLDS_CASE 0
#endif

// What a path names, links followed.
enum sv_plat_kind : u32 {
    SV_PLAT_ABSENT = 0,   // nothing of that name, or a name that cannot exist here
    SV_PLAT_FILE = 1,     // a regular file
    SV_PLAT_DIR = 2,      // a directory
    SV_PLAT_DEVICE = 3,   // a character or block device (on Windows any device name)
    SV_PLAT_FIFO = 4,     // a FIFO or pipe
    SV_PLAT_SOCKET = 5,   // a socket
    SV_PLAT_OTHER = 6,    // something else that is not a file
    SV_PLAT_LOOP = 7,     // a link that never ends at anything
    SV_PLAT_TOO_LONG = 8, // a path or name longer than the system takes
};

// Why sv_plat_create opened nothing.
enum sv_plat_refusal : u32 {
    SV_PLAT_WRITE_FAILED = 0,      // the system refused (no such directory, no permission, ...)
    SV_PLAT_WRITE_DEVICE_NAME = 1, // on Windows, a name the system gives a device (nul.json, COM1)
    SV_PLAT_WRITE_NOT_FILE = 2,    // something that is not a regular file is there already
};

// What path names (sv_plat_kind) and, for a regular file, its size into *out_size when out_size is
// not null. Opens nothing that could block or act: a FIFO or device is only looked at. Never
// records anything.
u32 sv_plat_stat(const char* path, u64* out_size);
// The file at path opened for reading in binary mode, or null; the caller closes it with fclose.
FILE* sv_plat_open_read(const char* path);
// The file at path opened for writing as a new or emptied regular file (binary mode), or null
// with *why (when not null) set. Refused without opening, and without blocking: a directory,
// device, FIFO or socket already at path, and on Windows a name whose last part is a device's
// (sv_plat_device_name). The caller closes the stream with fclose.
FILE* sv_plat_create(const char* path, u32* why);
// The words for a refusal ("a device name, not a file", "not a regular file"); null for
// SV_PLAT_WRITE_FAILED and other values, whose cause the caller words itself. Static text.
const char* sv_plat_refusal_text(u32 why);
// 1 when the last part of path (after its last '/' or '\\') is a name Windows gives a device:
// its base, before the first '.' or ':' and without trailing spaces, is CON, PRN, AUX, NUL,
// COM0-9, LPT0-9 (or COM/LPT with a superscript 1, 2 or 3), CONIN$ or CONOUT$, in any letter case;
// else 0 (null included). Pure, and the same on every platform.
int sv_plat_device_name(const char* path);
// Calls fn(ctx, name) with the UTF-8 name of every entry of the directory at path but "." and
// "..", in the system's order, and returns 1; 0 (no call) when it cannot be listed.
typedef void (*sv_plat_entry_fn)(void* ctx, const char* name);
int sv_plat_list_dir(const char* path, sv_plat_entry_fn fn, void* ctx);

// Whether what path names lies inside the directory root once every link, junction and other
// reparse point of both is followed: 1 inside (at any depth), 0 outside (on Windows, another
// volume too), -1 when either cannot be opened or resolved. Nothing is read or locked.
int sv_plat_inside(const char* root, const char* path);
// 1 when paths a and b name the same file or directory once every link is followed (on Windows
// also junctions and other reparse points, names matched in any letter case); 0 when they differ
// or either cannot be opened or resolved. Nothing is read or locked.
int sv_plat_same(const char* a, const char* b);
// Writes the directory of the running executable, with a trailing separator, into out (cap
// bytes, NUL-terminated) and returns 1; 0 with out empty when it is unknown or does not fit.
int sv_plat_exe_dir(char* out, u64 cap);
// Replaces *argc and *argv with the program's arguments as UTF-8 (on Windows read again from the
// wide command line, in a block kept for the life of the process); nothing on Linux, or when
// they cannot be read.
void sv_plat_utf8_args(int* argc, char*** argv);

// Puts standard input, output and error into binary mode, so a program's output bytes are the same
// on every platform ("\n" line ends). Nothing on Linux, where there is no text mode.
void sv_plat_binary_stdio(void);
// Where a console is attached (Windows), makes its input and output code pages UTF-8 until the
// program exits, when the old ones come back. Nothing on Linux.
void sv_plat_utf8_console(void);
// The next byte of in, as fgetc gives it, or EOF. From a Windows console the typed text comes as
// UTF-8 whatever its code page, and Ctrl+Z at the start of a line ends it.
int sv_plat_getc(FILE* in);

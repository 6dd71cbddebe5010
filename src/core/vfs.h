// Virtual file system: an ordered list of pack mounts (directories or zip archives) read
// through relative '/' paths; the last mount that holds a file serves it.
#pragma once
#include "core/types.h"

#define SV_VFS_MOUNTS   32
#define SV_VFS_PATH_MAX 512
#define SV_VFS_JOIN_MAX 1024
// No pack file is anywhere near this; a larger declared size is taken as a broken or hostile pack.
#define SV_VFS_FILE_MAX ((u64)64 * 1024 * 1024)

// The most entries a zip pack may hold. A pack reads a dozen files; this leaves room for their
// directories and whatever else a maker ships beside them, while the archive's directory, which
// is held in memory for as long as the pack is mounted (about 300 bytes an entry) and searched
// entry by entry, stays near a megabyte.
#define SV_VFS_ZIP_ENTRIES_MAX 4096

// A whole file in one heap block with a NUL after the data; the caller frees it with sv_vfs_free.
struct sv_vfs_buf {
    char* data;
    u64 size;
};

// Adds a directory or a non-empty zip at path as the newest mount and returns 1; 0 with an error
// record for an empty or over-long path, a full table, a path already mounted (under any name
// that leads to the same file or directory), a zip of more than SV_VFS_ZIP_ENTRIES_MAX entries
// (counted as soon as it is opened), or anything else.
int sv_vfs_mount(const char* path);
// The index of the mount made from path, or from another name of the same file or directory
// (links followed); -1 when none is. Lookup only, no record.
i64 sv_vfs_mount_index_of(const char* path);
// Unmounts everything (closing the archives); the mount count becomes 0.
void sv_vfs_clear(void);
// The number of mounts.
u64 sv_vfs_mount_count(void);
// The path a mount was made from, or null past the last; valid until sv_vfs_clear.
const char* sv_vfs_mount_at(u64 index);
// 1 when that mount is a zip archive; 0 for a directory or an index past the last.
int sv_vfs_mount_is_zip(u64 index);

// 1 for a relative '/' path of non-empty segments with no '.', '..', backslash or drive letter;
// else 0 (null and empty included). Pure.
int sv_vfs_path_ok(const char* path);
// 1 when some mount would serve the path as a file; lookup only, no record.
int sv_vfs_exists(const char* path);
// The path of the mount that would serve the file, or null; lookup only, no record.
const char* sv_vfs_source_of(const char* path);
// The index of the mount that would serve the path, or -1.
i64 sv_vfs_source_index(const char* path);
// Reads the whole file from the last mount that holds it into *out: 1, else 0 with *out emptied;
// a directory, a path escaping its mount, an oversize or unreadable file is an error record.
int sv_vfs_read(const char* path, sv_vfs_buf* out);
// As sv_vfs_read, from that one mount only; 0 with *out emptied for an index past the last.
int sv_vfs_read_at(u64 index, const char* path, sv_vfs_buf* out);
// 1 and the file's size (as a zip declares it; a read refuses an entry that holds more) when that
// one mount holds the file, else 0. Lookup only: no record, nothing read.
int sv_vfs_size_at(u64 index, const char* path, u64* out_size);
// The number of entries of a zip mount whose names hold a backslash (which no lookup finds, as zip
// names separate folders with '/'), with the first of them in *out_first (when not null; valid
// until sv_vfs_clear); 0 and null for a directory or an index past the last. Lookup only.
u64 sv_vfs_zip_backslashes(u64 index, const char** out_first);
// Frees the data and empties *buf; null and an empty buffer are fine.
void sv_vfs_free(sv_vfs_buf* buf);

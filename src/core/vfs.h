// Virtual file system: an ordered list of pack mounts (directories or zip archives) read
// through relative '/' paths; the last mount that holds a file serves it.
#pragma once
#include "core/types.h"

#define SV_VFS_MOUNTS   32
#define SV_VFS_PATH_MAX 512
#define SV_VFS_JOIN_MAX 1024
// No pack file is anywhere near this; a larger declared size is taken as a broken or hostile pack.
#define SV_VFS_FILE_MAX ((u64)64 * 1024 * 1024)

// A whole file in one heap block with a NUL after the data; the caller frees it with sv_vfs_free.
struct sv_vfs_buf {
    char* data;
    u64 size;
};

int sv_vfs_mount(const char* path);
void sv_vfs_clear(void);
u64 sv_vfs_mount_count(void);
const char* sv_vfs_mount_at(u64 index);
int sv_vfs_mount_is_zip(u64 index);

int sv_vfs_path_ok(const char* path);
int sv_vfs_exists(const char* path);
const char* sv_vfs_source_of(const char* path);
// The index of the mount that would serve the path, or -1.
i64 sv_vfs_source_index(const char* path);
int sv_vfs_read(const char* path, sv_vfs_buf* out);
int sv_vfs_read_at(u64 index, const char* path, sv_vfs_buf* out);
// 1 and the file's size (as a zip declares it; a read refuses an entry that holds more) when that
// one mount holds the file, else 0. Lookup only: no record, nothing read.
int sv_vfs_size_at(u64 index, const char* path, u64* out_size);
void sv_vfs_free(sv_vfs_buf* buf);

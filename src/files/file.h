// Files written whole or not at all.
//
// A file is written to a temporary file beside its target and renamed over it only when complete, so a
// full disk or any other failure never leaves a partial file under the requested name (and an earlier
// file of that name stays as it was). A target that exists and is not a regular file (a device, a pipe)
// and anything under /dev or /proc (/dev/stdout, /dev/fd/N) is written in place instead, never replaced.
// A symbolic link stays a link: the file it points to is replaced.
//
// Every function returns nullptr on success, else the reason in a few words (valid until the next call).
#pragma once
#include <sys/types.h>

#include <climits>
#include <cstddef>
#include <cstdint>

// A file being written. Fill it with host_file_open, then host_file_write any number of times, then
// host_file_commit (or host_file_discard to give up). Holds no heap memory.
struct HostFile {
    int fd;     // -1 when not open
    bool place; // written in place: no temporary file
    int error;  // errno of the first failure, 0 while all is well
    char temp[PATH_MAX];
    char target[PATH_MAX];
};

const char* host_file_open(HostFile* f, const char* path);
// False once any write has failed; the reason comes from host_file_commit.
bool host_file_write(HostFile* f, const void* data, size_t size);
// Completes the file: renames it into place, or removes it and says why when anything failed.
const char* host_file_commit(HostFile* f);
void host_file_discard(HostFile* f);
// Completes the file under `path` instead of its own target, never replacing anything there: 0, or the
// errno (EEXIST when the name is taken, and the file can then be placed under another name or discarded).
int host_file_place_new(HostFile* f, const char* path);

// The whole of a file in one call.
const char* host_file_write_all(const char* path, const void* data, size_t size);

// Every write(2) of the functions above goes through this; tests swap it to play a full disk.
// nullptr restores the real one.
using HostWriteFn = ssize_t (*)(int fd, const void* data, size_t size);
void host_file_set_write_hook(HostWriteFn fn);

// Directory listing wrappers of the extension layer: a handle holds the
// name of the entry read last (at most 511 bytes and a NUL) and the host
// directory stream.
#pragma once
#include <dirent.h>

struct Kest_dir {
  char name[512];
  DIR* dir;
};

// Clears the handle and opens the directory: 1 on success, 0 on failure.
int KestDirOpen(const char* path, Kest_dir* h);
// 1 and the next entry's name in h->name, or 0 at the end.
int KestDirRead(Kest_dir* h);
void KestDirClose(Kest_dir* h);

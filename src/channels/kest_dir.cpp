// Directory listing wrappers of the extension layer (kest_dir.h).
#include "channels/kest_dir.h"

#include <cstring>

int KestDirOpen(const char* path, Kest_dir* h) {
  std::memset(h, 0, sizeof *h);
  h->dir = opendir(path);
  return h->dir ? 1 : 0;
}

int KestDirRead(Kest_dir* h) {
  if (!h->dir) return 0;
  dirent* e = readdir(h->dir);
  if (!e) return 0;
  std::strncpy(h->name, e->d_name, sizeof h->name - 1);
  h->name[sizeof h->name - 1] = 0;
  return 1;
}

void KestDirClose(Kest_dir* h) {
  if (h->dir) closedir(h->dir);
  h->dir = nullptr;
}

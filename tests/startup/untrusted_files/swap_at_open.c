/* Preloaded into oru by untrusted_files.sh: plays the other user who swaps
 * a file between two looks at its name.  At the first call of the kind
 * SWAP_WHEN names on a path whose last part is SWAP_NAME, the file
 * SWAP_FROM is renamed to SWAP_TO, once, before the call goes on:
 *   open-nocreat  an open without O_CREAT
 *   open-rdwr     an open for reading and writing without O_CREAT
 *   stat-created  a stat after the name was opened with O_CREAT
 */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

static int done, created;

static int named(const char *path) {
  const char *name = getenv("SWAP_NAME");
  if (!name || !path) return 0;
  const char *slash = strrchr(path, '/');
  return strcmp(slash ? slash + 1 : path, name) == 0;
}

static void swap(const char *call) {
  const char *when = getenv("SWAP_WHEN"), *from = getenv("SWAP_FROM"), *to = getenv("SWAP_TO");
  if (done || !when || !from || !to || strcmp(when, call) != 0) return;
  done = 1;
  rename(from, to);
}

static void on_open(const char *path, int flags) {
  if (!named(path)) return;
  if (flags & O_CREAT) {
    created = 1;
    return;
  }
  swap("open-nocreat");
  if ((flags & O_ACCMODE) == O_RDWR) swap("open-rdwr");
}

static void on_stat(const char *path) {
  if (named(path) && created) swap("stat-created");
}

int open(const char *path, int flags, ...) {
  static int (*real)(const char *, int, ...);
  if (!real) real = (int (*)(const char *, int, ...))dlsym(RTLD_NEXT, "open");
  va_list ap;
  va_start(ap, flags);
  mode_t mode = (flags & O_CREAT) ? (mode_t)va_arg(ap, int) : 0;
  va_end(ap);
  on_open(path, flags);
  return real(path, flags, mode);
}

int open64(const char *path, int flags, ...) {
  static int (*real)(const char *, int, ...);
  if (!real) real = (int (*)(const char *, int, ...))dlsym(RTLD_NEXT, "open64");
  va_list ap;
  va_start(ap, flags);
  mode_t mode = (flags & O_CREAT) ? (mode_t)va_arg(ap, int) : 0;
  va_end(ap);
  on_open(path, flags);
  return real(path, flags, mode);
}

int stat(const char *path, struct stat *st) {
  static int (*real)(const char *, struct stat *);
  if (!real) real = (int (*)(const char *, struct stat *))dlsym(RTLD_NEXT, "stat");
  on_stat(path);
  return real(path, st);
}

// The keyed engine's settings and services when nothing above it fills them
// (key_settings.h): errors thrown as Oru_error after the engine's own exit
// hook ran, open(2) with one descriptor a file, fcntl(2) record locks, ASCII
// case folding.
#include "keyed/key_settings.h"

#include "core/link_walk.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <string>
#include <vector>

namespace {

template <int Kind>
constexpr std::array<uint8_t, 256> fold_table() {
  std::array<uint8_t, 256> t{};
  for (int i = 0; i < 256; ++i) {
    int c = i;
    if (Kind == 1 && i >= 'a' && i <= 'z') c = i - 32;
    if (Kind == 2 && i >= 'A' && i <= 'Z') c = i + 32;
    t[size_t(i)] = uint8_t(c);
  }
  return t;
}
void (*own_exit_hook)() = nullptr;
int own_error_code = 0;

// Opens of this process, one descriptor per file: closing any descriptor of
// a file drops every fcntl lock the process holds on it, so two channels of
// one file must share one.
struct Shared_open {
  dev_t dev;
  ino_t ino;
  int fd;
  int flags;  // O_RDONLY or O_RDWR
  int count;
};
std::vector<Shared_open> shared_opens;

}  // namespace

constexpr const std::array<uint8_t, 256> Key_ascii_upper = fold_table<1>();
constexpr const std::array<uint8_t, 256> Key_ascii_lower = fold_table<2>();
constexpr const std::array<uint8_t, 256> Key_no_accents = fold_table<0>();
constinit Key_settings Key_cfg;
constinit Key_services Key_svc;

void Key_error(int n) {
  if (Key_svc.raise) Key_svc.raise(n);
  // Alone: run the operation's exit hook once, as the interpreter would.
  while (own_exit_hook) {
    void (*hook)() = own_exit_hook;
    own_exit_hook = nullptr;
    own_error_code = n;
    hook();
  }
  own_error_code = n;
  throw Oru_error{n};
}

void Key_error_text(int n, const std::string& text) {
  if (Key_svc.raise_text) Key_svc.raise_text(n, text);
  Key_error(n);
}

void Key_not_built(const char* what) {
  Key_error_text(99, std::string(what) + " is not available in this build yet");
}

void Key_sys_error() {
  if (Key_svc.sys_error) Key_svc.sys_error();
  int e = errno;
  switch (e) {
    case ENOENT: Key_error(12);
    case EAGAIN: case EACCES: case EBUSY: case EDEADLK: case ENOLCK: Key_error(0);
    default: Key_error(256 + e);
  }
}

void Key_busy(int holder) {
  if (Key_svc.busy) Key_svc.busy(holder);
  errno = EAGAIN;
  Key_error(0);
}

void (*Key_swap_exit_hook(void (*hook)()))() {
  if (Key_svc.swap_exit_hook) return Key_svc.swap_exit_hook(hook);
  void (*old)() = own_exit_hook;
  own_exit_hook = hook;
  return old;
}

int Key_error_code() { return Key_svc.error_code ? Key_svc.error_code() : own_error_code; }

bool Key_foreign_symlink(const char* path) { return Foreign_link_on_path(path, ::geteuid()); }

bool Key_opened_as_named(int fd, const char* path) {
  struct stat a {}, b {};
  if (::fstat(fd, &a) != 0 || ::stat(path, &b) != 0) return false;
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino && !Key_foreign_symlink(path);
}

int Key_open_fd(const char* path, int flags) {
  if (Key_svc.open) return Key_svc.open(path, flags);
  struct stat st {};
  if (::stat(path, &st) == 0) {
    for (Shared_open& o : shared_opens)
      if (o.dev == st.st_dev && o.ino == st.st_ino && (o.flags == O_RDWR || o.flags == (flags & O_ACCMODE))) {
        ++o.count;
        return o.fd;
      }
  }
  if (Key_foreign_symlink(path)) Key_error_text(10, "Symbolic link not owned by you or root");
  int fd = ::open(path, flags | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return -1;
  if (!Key_opened_as_named(fd, path)) {
    ::close(fd);
    if (Key_foreign_symlink(path)) Key_error_text(10, "Symbolic link not owned by you or root");
    errno = ESTALE;
    return -1;
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  if (::fstat(fd, &st) == 0) shared_opens.push_back({st.st_dev, st.st_ino, fd, flags & O_ACCMODE, 1});
  return fd;
}

int Key_close_fd(int fd) {
  if (Key_svc.close) return Key_svc.close(fd);
  for (size_t i = 0; i < shared_opens.size(); ++i) {
    if (shared_opens[i].fd != fd) continue;
    if (--shared_opens[i].count > 0) return 0;
    shared_opens.erase(shared_opens.begin() + long(i));
    break;
  }
  return ::close(fd);
}

int Key_lock_area(int fd, int64_t offset, int64_t length, int mode) {
  if (Key_svc.lock) return Key_svc.lock(fd, offset, length, mode);
  // Write-behind and WL hold every lock for writing, as the interpreter does.
  bool shared = (mode == 1 || mode == -1) && Key_cfg.write_behind == 0 && !Key_cfg.write_locks;
  struct flock fl {};
  fl.l_type = short(shared ? F_RDLCK : F_WRLCK);
  fl.l_whence = SEEK_SET;
  fl.l_start = off_t(offset);
  fl.l_len = off_t(length);
  while (fcntl(fd, mode < 0 ? F_SETLKW : F_SETLK, &fl) != 0) {
    if (errno == EINTR && mode < 0) continue;
    if (errno == EBADF) Key_error(13);
    Key_sys_error();
  }
  return 1;
}

void Key_unlock_area(int fd, int64_t offset, int64_t length) {
  if (Key_svc.unlock) {
    Key_svc.unlock(fd, offset, length);
    return;
  }
  struct flock fl {};
  fl.l_type = F_UNLCK;
  fl.l_whence = SEEK_SET;
  fl.l_start = off_t(offset);
  fl.l_len = off_t(length);
  if (fcntl(fd, F_SETLK, &fl) != 0) Key_sys_error();
}

int Key_chsize(int fd, int64_t length) {
  if (length < 0) return -1;
  return ftruncate(fd, off_t(length)) == 0 ? 0 : -1;
}

int64_t Key_filelength(int fd) {
  struct stat st {};
  if (fstat(fd, &st) != 0) return -1;
  return int64_t(st.st_size);
}

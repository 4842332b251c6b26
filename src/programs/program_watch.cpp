// Change notices for kept program images (see program_watch.h).
#include "programs/program_watch.h"

#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <string>

namespace {

int ino_fd = -2;  // -2 not tried yet, -1 not available

void on_sigio(int) { Watch_notice = 1; }

bool start() {
  if (ino_fd != -2) return ino_fd >= 0;
  ino_fd = -1;
  int fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (fd < 0) return false;
  struct sigaction old {};
  struct sigaction sa {};
  sa.sa_handler = on_sigio;
  sa.sa_flags = SA_RESTART;
  sigemptyset(&sa.sa_mask);
  // Another owner of SIGIO keeps it: no notices then.
  if (sigaction(SIGIO, nullptr, &old) != 0 || (old.sa_handler != SIG_DFL && old.sa_handler != SIG_IGN) ||
      sigaction(SIGIO, &sa, nullptr) != 0 || fcntl(fd, F_SETOWN, getpid()) != 0 ||
      fcntl(fd, F_SETFL, O_NONBLOCK | O_ASYNC) != 0) {
    close(fd);
    return false;
  }
  ino_fd = fd;
  return true;
}

}  // namespace

int Watch_add(const char* path, int32_t* wds) {
  if (!start() || path[0] != '/') return 0;
  // A path through a symbolic link can come to name another file without
  // any notice on this one.
  char real[PATH_MAX];
  if (!realpath(path, real) || std::strcmp(real, path) != 0) return 0;
  std::string p = path;
  int n = 0;
  int wd = inotify_add_watch(ino_fd, p.c_str(),
                             IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE | IN_MOVE_SELF | IN_DELETE_SELF | IN_DONT_FOLLOW);
  if (wd < 0) return 0;
  wds[n++] = wd;
  for (;;) {
    size_t slash = p.find_last_of('/');
    if (slash == 0 || slash == std::string::npos) break;
    p.resize(slash);
    if (n == WATCH_MAX) goto fail;
    wd = inotify_add_watch(ino_fd, p.c_str(), IN_MOVE_SELF | IN_DELETE_SELF | IN_DONT_FOLLOW | IN_ONLYDIR);
    if (wd < 0) goto fail;
    wds[n++] = wd;
  }
  return n;
fail:
  // Watches shared with other images stay; the caller's count is 0.
  return -n;
}

void Watch_remove(int32_t wd) {
  if (ino_fd >= 0 && wd >= 0) inotify_rm_watch(ino_fd, wd);
}

void Watch_drain(void (*changed)(int32_t wd)) {
  Watch_notice = 0;  // a notice arriving from here on raises it again
  if (ino_fd < 0) return;
  alignas(struct inotify_event) char buf[4096];
  for (;;) {
    ssize_t n = read(ino_fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    for (ssize_t at = 0; at + ssize_t(sizeof(struct inotify_event)) <= n;) {
      struct inotify_event ev;
      std::memcpy(&ev, buf + at, sizeof ev);
      changed((ev.mask & IN_Q_OVERFLOW) ? -1 : ev.wd);
      at += ssize_t(sizeof ev) + ssize_t(ev.len);
    }
  }
}

// Shared opens, open marks, byte-range locks and path normalisation.
//
// Rsv_tbl is packed: a removed entry is replaced by the last one.  A shared
// read-only open has no entry and no mark (nothing another process does can
// hurt a reader); every other open has both.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <vector>

#include "core/errors.h"
#include "core/host.h"
#include "core/params.h"
#include "core/workspace.h"

Rsv_entry Rsv_tbl[RSV_MAX];
int Rsv_cnt = 0;
int Rsv_locks = 0;

Dev_ident Host_dev_null, Host_dev_console;

namespace {

constexpr int64_t HEADER_LOCK = 256;  // offset of the header lock, not counted

int find_fd(int fd) {
  for (int i = 0; i < Rsv_cnt; ++i)
    if (Rsv_tbl[i].fd == fd) return i;
  return -1;
}

void remove_entry(int i) { Rsv_tbl[i] = Rsv_tbl[--Rsv_cnt]; }

uint64_t raw_dev(const struct stat& st) {
  return (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode)) ? uint64_t(st.st_rdev) : 0;
}

bool same_dev(const Dev_ident& d, const struct stat& st) {
  return d.known && d.inode == uint64_t(st.st_ino) && d.dev == uint64_t(st.st_dev) &&
         d.rdev == raw_dev(st);
}

// fcntl lock on [start, start + len); F_SETLK or F_SETLKW.
int set_lock(int fd, int cmd, short type, int64_t start, int64_t len) {
  struct flock fl {};
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  fl.l_start = off_t(start);
  fl.l_len = off_t(len);
  return fcntl(fd, cmd, &fl);
}

// The process holding a lock that conflicts with the one asked for (our own
// id when none is found, as the holder is then unknown).
int lock_holder(int fd, short type, int64_t start, int64_t len) {
  struct flock fl {};
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  fl.l_start = off_t(start);
  fl.l_len = off_t(len);
  if (fcntl(fd, F_GETLK, &fl) == 0 && fl.l_type != F_UNLCK) return int(fl.l_pid);
  return int(getpid());
}

// A host failure as an error number: busy for the lock-conflict codes, 12 for
// a missing file, the interrupted call by what interrupted it.
[[noreturn]] void lock_error(int err) {
  ws.Last_errno = err;
  switch (err) {
    case EAGAIN: case EACCES: case EBUSY: case EDEADLK:
      Rpt_error(0);
    case ENOENT:
      Rpt_error(12);
    case EINTR:
      if (ws.Run_flags & RF_ESCAPE) Rpt_error(127);
      if (ws.Run_flags & RF_TIMEOUT) Rpt_error(0);
      Rpt_error(260);
    case EBADF:
      Rpt_error(13);
    default:
      Rpt_error(256 + err);
  }
}

}  // namespace

int Open(const char* path, int flags, const Open_opts& opts, mode_t mode) {
  bool exclusive = opts.exclusive;
  int mark_at = opts.aux_printer ? 1 : 0;
  struct stat st {};
  bool creating = (flags & O_CREAT) && (flags & O_EXCL);
  if (!creating) {
    if (stat(path, &st) != 0) return -1;
    if (exclusive && !opts.allow_exclusive_device &&
        (same_dev(Host_dev_null, st) || same_dev(Host_dev_console, st)))
      exclusive = false;
    for (int i = 0; i < Rsv_cnt; ++i) {
      Rsv_entry& e = Rsv_tbl[i];
      if (e.inode != uint64_t(st.st_ino) || e.dev != uint64_t(st.st_dev) || e.rdev != raw_dev(st))
        continue;
      if (e.count < 0 || exclusive) {
        errno = EACCES;
        return -1;
      }
      ++e.count;
      lseek(e.fd, 0, SEEK_SET);
      return e.fd;
    }
  }
  if (Rsv_cnt >= RSV_MAX) {
    errno = ENFILE;
    return -1;
  }
  int fd = open(path, flags | O_CLOEXEC, mode);
  if (fd < 0) return -1;
  if (!exclusive && (flags & O_ACCMODE) == O_RDONLY) return fd;
  // A read lock needs read access, a write lock write access; a write-only
  // open takes a write mark.
  short type = (exclusive || (flags & O_ACCMODE) == O_WRONLY) ? F_WRLCK : F_RDLCK;
  if (exclusive && (flags & O_ACCMODE) == O_RDONLY) type = F_RDLCK;
  if (set_lock(fd, F_SETLK, type, mark_at, 1) != 0) {
    // A shared reader elsewhere blocks an exclusive open too: test for a
    // write lock so that any mark of another process is found.
    ws.Lock_holder = lock_holder(fd, F_WRLCK, mark_at, 1);
    close(fd);
    errno = EBUSY;
    return -1;
  }
  if (exclusive && type == F_RDLCK) {
    // Exclusive read-only open: refuse when any other process has it marked.
    int holder = lock_holder(fd, F_WRLCK, mark_at, 1);
    if (holder != int(getpid())) {
      ws.Lock_holder = holder;
      close(fd);
      errno = EBUSY;
      return -1;
    }
  }
  if (creating) fstat(fd, &st);
  Rsv_entry& e = Rsv_tbl[Rsv_cnt++];
  e.fd = fd;
  e.count = exclusive ? -1 : 1;
  e.inode = uint64_t(st.st_ino);
  e.dev = uint64_t(st.st_dev);
  e.rdev = raw_dev(st);
  return fd;
}

int Close(int fd) {
  int i = find_fd(fd);
  if (i >= 0) {
    Rsv_entry& e = Rsv_tbl[i];
    if (e.count > 1) {
      --e.count;
      return 0;
    }
    remove_entry(i);
  }
  // Closing drops every fcntl lock of the process on the file, the mark too.
  return close(fd);
}

int File_lock(int fd) {
  int i = find_fd(fd);
  if (i < 0) return 0;
  Rsv_entry& e = Rsv_tbl[i];
  if (e.count < 0) return -1;
  if (e.count != 1) return 0;
  if (set_lock(fd, F_SETLK, F_WRLCK, 0, 1) != 0) {
    ws.Lock_holder = lock_holder(fd, F_WRLCK, 0, 1);
    return 0;
  }
  e.count = -1;
  return -1;
}

void File_unlock(int fd) {
  int i = find_fd(fd);
  if (i < 0 || Rsv_tbl[i].count >= 0) return;
  set_lock(fd, F_SETLK, F_RDLCK, 0, 1);
  Rsv_tbl[i].count = 1;
}

int chsize(int fd, int64_t length) {
  if (length < 0) return -1;
  return ftruncate(fd, off_t(length)) == 0 ? 0 : -1;
}

int64_t filelength(int fd) {
  struct stat st {};
  if (fstat(fd, &st) != 0) return -1;
  return int64_t(st.st_size);
}

int MakeDir(const char* path) { return mkdir(path, 0777) == 0 ? 0 : -1; }

std::string Getcwd() {
  std::vector<char> buf(PATH_MAX + 1);
  for (;;) {
    if (getcwd(buf.data(), buf.size()) != nullptr) return std::string(buf.data());
    if (errno == EINTR) {
      Reap_children();
      continue;
    }
    if (errno == ERANGE && buf.size() < (1u << 20)) {
      buf.resize(buf.size() * 2);
      continue;
    }
    return std::string();
  }
}

int Lock_area(int fd, int64_t offset, int64_t length, int mode) {
  bool wait = mode < 0;
  bool shared = mode == 1 || mode == -1;
  if (shared && (prmblk.WD != 0 || Sw_on(sw::WL))) shared = false;
  if (offset == -1) offset = 0;
  short type = shared ? F_RDLCK : F_WRLCK;
  bool retried = false;
  for (;;) {
    if (set_lock(fd, wait ? F_SETLKW : F_SETLK, type, offset, length) == 0) break;
    int err = errno;
    if (wait) {
      if ((err == EDEADLK || err == EAGAIN) && !retried) {
        retried = true;  // pending writes would be committed here; try once more
        continue;
      }
      if (err == EINTR && !(ws.Run_flags & (RF_TIMEOUT | RF_ESCAPE))) continue;
    }
    if (err == EBADF) Rpt_error(13);
    if (err != EINTR) ws.Lock_holder = lock_holder(fd, type, offset, length);
    lock_error(err);
  }
  if (offset != HEADER_LOCK) ++Rsv_locks;
  return 1;
}

void Unlk_area(int fd, int64_t offset, int64_t length) {
  if (offset == -1) offset = 0;
  if (set_lock(fd, F_SETLK, F_UNLCK, offset, length) != 0) lock_error(errno);
  if (offset != HEADER_LOCK && Rsv_locks > 0) --Rsv_locks;
}

std::string Path_convert(const std::string& in) {
  if (in.empty() || in[0] == '/') return Path_convert(in, "/");
  return Path_convert(in, Getcwd());
}

std::string Path_convert(const std::string& in, const std::string& cwd) {
  if (in.size() >= 5) {
    static const char vrl[] = "[vrl]";
    bool match = true;
    for (int i = 0; i < 5 && match; ++i)
      match = (in[i] | 0x20) == (vrl[i] | 0x20) || in[i] == vrl[i];
    if (match) return in;
  }
  if (!in.empty() && (in[0] == '<' || in[0] == '>')) return in;
  std::string src = in;
  if (src.empty() || src[0] != '/') src = cwd + "/" + src;
  // Components are rebuilt one by one; "." disappears, ".." drops the last.
  std::vector<std::string> parts;
  size_t i = 0;
  bool trailing_slash = !src.empty() && src.back() == '/';
  while (i < src.size()) {
    size_t j = src.find('/', i);
    if (j == std::string::npos) j = src.size();
    std::string comp = src.substr(i, j - i);
    i = j + 1;
    if (comp.empty() || comp == ".") continue;
    if (comp == "..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    parts.push_back(comp);
  }
  std::string out;
  for (const std::string& p : parts) out += "/" + p;
  if (out.empty()) return "/";
  if (trailing_slash) out += '/';
  return out;
}

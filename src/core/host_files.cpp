// Byte-range locks, whole reads and writes at an offset, directories and path
// normalisation.  The shared
// open-file table with its open marks is in host_open_table.cpp.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <string>
#include <vector>

#include "core/errors.h"
#include "core/file_trust.h"
#include "core/host.h"
#include "core/link_walk.h"
#include "core/params.h"
#include "core/workspace.h"
#include "core/signal_flags.h"

int Rsv_locks = 0;

int64_t Pread_all(int fd, void* buf, size_t n, int64_t off) {
  size_t got = 0;
  while (got < n) {
    ssize_t k = ::pread(fd, static_cast<uint8_t*>(buf) + got, n - got, off_t(off) + off_t(got));
    if (k < 0 && errno == EINTR) continue;
    if (k < 0) return -1;
    if (k == 0) break;
    got += size_t(k);
  }
  return int64_t(got);
}

bool Pwrite_all(int fd, const void* buf, size_t n, int64_t off) {
  size_t done = 0;
  while (done < n) {
    ssize_t k = ::pwrite(fd, static_cast<const uint8_t*>(buf) + done, n - done, off_t(off) + off_t(done));
    if (k < 0 && errno == EINTR) continue;
    if (k <= 0) {
      if (k == 0) errno = ENOSPC;
      return false;
    }
    done += size_t(k);
  }
  return true;
}

namespace {

constexpr int64_t HEADER_LOCK = 256;  // offset of the header lock, not counted

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
      Rpt_error(err::RECORD_BUSY);
    case ENOENT:
      Rpt_error(err::FILE_NOT_FOUND);
    case EINTR:
      if (Run_flags_now() & RF_ESCAPE) Rpt_error(err::INTERRUPTED);
      if (Run_flags_now() & RF_TIMEOUT) Rpt_error(err::RECORD_BUSY);
      Rpt_error(260);
    case EBADF:
      Rpt_error(err::WRONG_MODE);
    default:
      Rpt_error(256 + err);
  }
}

}  // namespace

int MakeDir(const char* path) { return mkdir(path, 0777) == 0 ? 0 : -1; }

bool Owner_only_writes(const struct stat& st) {
  return (st.st_uid == geteuid() || st.st_uid == 0) && !(st.st_mode & (S_IWGRP | S_IWOTH));
}

bool Owned_by_user_or_root(const struct stat& st) { return st.st_uid == geteuid() || st.st_uid == 0; }

std::string Own_links_end(const std::string& path) {
  std::string cur = path;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st {};
    if (lstat(cur.c_str(), &st) != 0 || !S_ISLNK(st.st_mode) || !Owned_by_user_or_root(st)) return cur;
    char buf[4097];
    ssize_t n = readlink(cur.c_str(), buf, sizeof buf - 1);
    if (n <= 0) return cur;
    std::string next(buf, size_t(n));
    size_t slash = cur.rfind('/');
    if (next[0] != '/' && slash != std::string::npos) next = cur.substr(0, slash + 1) + next;
    cur = next;
  }
  errno = ELOOP;
  Sys_error();
}

namespace {
int links_lent = 0;  // Foreign_links_lent alive
}  // namespace

Foreign_links_lent::Foreign_links_lent() { ++links_lent; }
Foreign_links_lent::~Foreign_links_lent() { --links_lent; }

bool Foreign_symlink(const char* path) { return Foreign_link_on_path(path, geteuid()); }

namespace {
// While links are lent (SAVE), the name's own link may be another user's;
// the directories that lead to it may not.
bool foreign_here(const char* path) { return Foreign_link_on_path(path, geteuid(), links_lent > 0); }
}  // namespace

void Refuse_foreign_symlink(const char* path) {
  if (foreign_here(path)) Rpt_error_text(err::BAD_FILE_NAME, "Symbolic link not owned by you or root");
}

bool Opened_as_named(int fd, const char* path) {
  struct stat a {}, b {};
  if (fstat(fd, &a) != 0 || stat(path, &b) != 0) return false;
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino && !foreign_here(path);
}

int Open_to_read(const char* path) {
  Refuse_foreign_symlink(path);
  int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return -1;
  if (!Opened_as_named(fd, path)) {
    close(fd);
    Refuse_foreign_symlink(path);
    errno = ESTALE;
    return -1;
  }
  return fd;
}

void Refuse_unless_regular(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) Sys_error();
  if (!S_ISREG(st.st_mode)) Rpt_error_text(err::WRONG_FILE_KIND, "A program is read from a regular file only");
}

int Open_log(const char* path, bool create, mode_t mode) {
  int flags = O_WRONLY | O_APPEND | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | (create ? O_CREAT : 0);
  int fd = open(path, flags, mode);
  if (fd < 0) return -1;
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    errno = EINVAL;
    return -1;
  }
  return fd;
}

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
      if (err == EINTR && !(Run_flags_now() & (RF_TIMEOUT | RF_ESCAPE))) continue;
    }
    if (err == EBADF) Rpt_error(err::WRONG_MODE);
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

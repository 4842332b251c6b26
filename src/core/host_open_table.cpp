// The shared open-file table (Rsv_tbl) and its open marks.
//
// Invariants:
//  - Rsv_tbl[0..Rsv_cnt) is packed: a removed entry is replaced by the last.
//  - At most one entry per file (inode, device, raw device), and so at most
//    one host descriptor per file in this process.  fcntl locks belong to the
//    process and the file: closing any descriptor of a file drops every lock
//    the process holds on it, the open mark and the record locks included.
//    That is why every open, read-only ones too, goes through this table.
//  - Every entry holds its open mark: a one-byte fcntl lock at mark_at (byte
//    0, byte 1 for the auxiliary printer, or byte 2^40 for a file whose
//    records, locked by their bytes, start at byte 0).  A read lock marks the file
//    open shared, a write lock open exclusively (count -1).  A write-only
//    descriptor can only hold a write lock, so a shared write-only open is
//    marked like an exclusive one.
//  - A descriptor in the table is closed only through Close, which keeps it
//    while other users remain.  An entry whose descriptor was closed behind
//    the table's back is dropped at the next Open of its file.
//  - The kernel drops the marks when the process ends, however it ends, so a
//    killed process never leaves a file held.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "core/errors.h"
#include "core/file_trust.h"
#include "core/host.h"
#include "core/workspace.h"

Rsv_entry Rsv_tbl[RSV_MAX];
int Rsv_cnt = 0;
Dev_ident Host_dev_null, Host_dev_console;

namespace {

bool last_held_here = false;

int find_fd(int fd) {
  for (int i = 0; i < Rsv_cnt; ++i)
    if (Rsv_tbl[i].fd == fd) return i;
  return -1;
}

void remove_entry(int i) { Rsv_tbl[i] = Rsv_tbl[--Rsv_cnt]; }

// Whether the entry's descriptor is still open on the entry's file.
bool still_open(const Rsv_entry& e) {
  struct stat st {};
  if (fstat(e.fd, &st) != 0) return false;
  return e.inode == uint64_t(st.st_ino) && e.dev == uint64_t(st.st_dev);
}

uint64_t raw_dev(const struct stat& st) {
  return (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode)) ? uint64_t(st.st_rdev) : 0;
}

bool same_dev(const Dev_ident& d, const struct stat& st) {
  return d.known && d.inode == uint64_t(st.st_ino) && d.dev == uint64_t(st.st_dev) &&
         d.rdev == raw_dev(st);
}

int set_mark(int fd, short type, int64_t at) {
  struct flock fl {};
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  fl.l_start = at;
  fl.l_len = 1;
  return fcntl(fd, F_SETLK, &fl);
}

// The process that holds a mark conflicting with a write lock at byte at
// (our own id when none is found).
int mark_holder(int fd, int64_t at) {
  struct flock fl {};
  fl.l_type = F_WRLCK;
  fl.l_whence = SEEK_SET;
  fl.l_start = at;
  fl.l_len = 1;
  if (fcntl(fd, F_GETLK, &fl) == 0 && fl.l_type != F_UNLCK) return int(fl.l_pid);
  return int(getpid());
}

bool covers(int have, int want) {
  if (have == O_RDWR || have == want) return true;
  return false;
}

// A shared entry whose descriptor lacks the access a new open needs gets a
// read-write descriptor in the same slot.  dup2 closes the old descriptor,
// which drops the process's locks on the file, so the mark is set again at
// once.  Returns false with errno set when the file cannot be opened so;
// ESTALE when the name now holds another file than the entry's (swapped
// since it was looked at): that one must not take the channels' slot.
bool widen(Rsv_entry& e, const char* path) {
  int nfd = open(path, O_RDWR | O_CLOEXEC);
  if (nfd < 0) return false;
  struct stat st {};
  if (fstat(nfd, &st) != 0 || e.inode != uint64_t(st.st_ino) || e.dev != uint64_t(st.st_dev) ||
      e.rdev != raw_dev(st)) {
    close(nfd);
    errno = ESTALE;
    return false;
  }
  if (dup2(nfd, e.fd) < 0) {
    int err = errno;
    close(nfd);
    errno = err;
    return false;
  }
  close(nfd);
  fcntl(e.fd, F_SETFD, FD_CLOEXEC);
  e.access = O_RDWR;
  if (set_mark(e.fd, F_RDLCK, e.mark_at) != 0) {
    ws.Lock_holder = mark_holder(e.fd, e.mark_at);
    errno = EBUSY;
    return false;
  }
  return true;
}

}  // namespace

bool Open_held_here() { return last_held_here; }

int Open(const char* path, int flags, const Open_opts& opts, mode_t mode) {
  last_held_here = false;
  bool exclusive = opts.exclusive;
  int64_t mark_at = opts.mark_past_records ? OPEN_MARK_HIGH : opts.aux_printer ? 1 : 0;
  int acc = flags & O_ACCMODE;
  struct stat st {};
  bool creating = (flags & O_CREAT) && (flags & O_EXCL);
  // A file is made only in a folder reached through no other user's link.
  if (creating) Refuse_foreign_symlink(path);
  if (!creating) {
    if (stat(path, &st) != 0) return -1;
    Refuse_foreign_symlink(path);
    if (exclusive && !opts.allow_exclusive_device &&
        (same_dev(Host_dev_null, st) || same_dev(Host_dev_console, st)))
      exclusive = false;
    for (int i = 0; i < Rsv_cnt; ++i) {
      Rsv_entry& e = Rsv_tbl[i];
      if (e.inode != uint64_t(st.st_ino) || e.dev != uint64_t(st.st_dev) || e.rdev != raw_dev(st))
        continue;
      if (!still_open(e)) {
        // Closed under the table (not through Close): sharing it would hand
        // out a dead descriptor, or one that now belongs to another file.
        remove_entry(i);
        break;
      }
      if (e.count < 0 || exclusive) {
        last_held_here = true;
        errno = EACCES;
        return -1;
      }
      if (!covers(e.access, acc) && !widen(e, path)) return -1;
      ++e.count;
      lseek(e.fd, 0, SEEK_SET);
      if (flags & O_TRUNC) {
        if (ftruncate(e.fd, 0) != 0) {
          --e.count;
          return -1;
        }
      }
      return e.fd;
    }
  }
  if (Rsv_cnt >= RSV_MAX) {
    errno = ENFILE;
    return -1;
  }
  // A regular file is opened without waiting (a FIFO swapped in at the name
  // would hold an open for reading); whatever the name now holds is kept
  // only when it is the file looked at above.
  bool lent_nonblock = !creating && !(flags & O_NONBLOCK) && S_ISREG(st.st_mode);
  int fd = open(path, flags | O_CLOEXEC | (lent_nonblock ? O_NONBLOCK : 0), mode);
  if (fd < 0) return -1;
  if (!creating) {
    struct stat got {};
    if (fstat(fd, &got) != 0 || got.st_ino != st.st_ino || got.st_dev != st.st_dev ||
        (got.st_mode & S_IFMT) != (st.st_mode & S_IFMT) || raw_dev(got) != raw_dev(st)) {
      close(fd);
      errno = ESTALE;
      return -1;
    }
    // Checked again on what was opened: a link of another user's put at
    // the name just for the open, and taken away again, is found here.
    if (!Opened_as_named(fd, path)) {
      close(fd);
      Refuse_foreign_symlink(path);
      errno = ESTALE;
      return -1;
    }
  }
  if (lent_nonblock) fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  short type = F_RDLCK;
  if (exclusive ? acc != O_RDONLY : acc == O_WRONLY) type = F_WRLCK;
  if (set_mark(fd, type, mark_at) != 0) {
    ws.Lock_holder = mark_holder(fd, mark_at);
    close(fd);
    errno = EBUSY;
    return -1;
  }
  if (exclusive && type == F_RDLCK) {
    // Exclusive on a read-only descriptor: a read lock cannot keep other
    // readers out, so refuse when any other process has the file marked.
    int holder = mark_holder(fd, mark_at);
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
  e.access = acc;
  e.mark_at = mark_at;
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
  if (set_mark(fd, F_WRLCK, e.mark_at) != 0) {
    ws.Lock_holder = mark_holder(fd, e.mark_at);
    return 0;
  }
  e.count = -1;
  return -1;
}

void File_unlock(int fd) {
  int i = find_fd(fd);
  if (i < 0 || Rsv_tbl[i].count >= 0) return;
  set_mark(fd, F_RDLCK, Rsv_tbl[i].mark_at);
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

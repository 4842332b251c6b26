// Update logs: the files this process changed.
//
// The immediate log is one text file shared by every process: the resolved
// path of each file, a line feed, appended once per channel when the
// channel first changes (O_APPEND: the lines of processes do not mix).
//
// The end-of-run log is one text file per process in a log directory,
// named  <directory>/<user>.MMDD.<pid>.<n>.log  (month and day of its
// creation, the first n from 0 that is free).  It is rewritten whenever
// the set of changed, still open files changes, and removed when the
// process ends normally: a log left behind names the files of a process
// that did not.
//
// Failures never raise errors: they switch both logs off and leave a line
// in the trace log.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>

#include "channels/channel.h"
#include "channels/journal.h"
#include "channels/open.h"
#include "core/errors.h"
#include "core/file_trust.h"
#include "core/host.h"
#include "core/params.h"
#include "core/workspace.h"

namespace {

std::string immediate_path;  // the immediate log (resolved when it existed)
std::string prefix;          // <directory>/<user>
std::string log_name;        // the per-process log once chosen

// The channel's path as a line of the log: a control byte (a line feed in a
// name would start a line of its own) is written as a backslash and three
// octal digits, as text from a peer is shown.
std::string channel_path(const Fcb* f) {
  return Peer_text(f->path && f->path->path ? f->path->path : "");
}

void logs_off(const std::string& name, int err) {
  char line[700];
  std::snprintf(line, sizeof line, "Error: Could not open %s (errno=%d)", name.c_str(), err);
  OruLogError(line);
  ws.Sys_flags7 &= uint16_t(~(ULOG_END_OF_RUN | ULOG_IMMEDIATE | ULOG_PENDING));
}

// Opens the per-process log for writing (truncated); -1 after switching the
// logs off.
int create_log() {
  if (log_name.empty()) {
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    for (int n = 0; n <= 999; ++n) {
      char tail[64];
      std::snprintf(tail, sizeof tail, ".%2.2d%2.2d.%d.%d.log", tm.tm_mon + 1, tm.tm_mday, int(getpid()), n);
      std::string name = prefix + tail;
      struct stat st{};
      if (::lstat(name.c_str(), &st) != 0 && errno == ENOENT) {
        log_name = name;
        break;
      }
    }
    if (log_name.empty()) {
      logs_off(prefix + ".log", EEXIST);
      return -1;
    }
  }
  int fd = ::open(log_name.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, mode_t(prmblk.Create_mode));
  struct stat st{};
  if (fd >= 0 && (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))) {
    ::close(fd);
    fd = -1;
    errno = EINVAL;
  }
  if (fd >= 0 && ::ftruncate(fd, 0) != 0) {
    int e = errno;
    ::close(fd);
    fd = -1;
    errno = e;
  }
  if (fd < 0) logs_off(log_name, errno);
  return fd;
}

void write_all(int fd, const std::string& s) {
  const char* p = s.data();
  size_t n = s.size();
  while (n > 0) {
    ssize_t w = ::write(fd, p, n);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return;
    p += w;
    n -= size_t(w);
  }
}

std::string user_name() {
  // The thin client's address up to its first '.' unless it begins with a
  // digit would come first; without a thin client the login name.
  return Getlogin();
}

}  // namespace

bool Ulog_on() { return (ws.Sys_flags7 & (ULOG_END_OF_RUN | ULOG_IMMEDIATE)) != 0; }

const std::string& Ulog_file_name() { return log_name; }

void Journal_Add(Fcb* f) {
  if (!Ulog_on() || (f->ulog_status & ULOG_CHANGED)) return;
  f->ulog_status |= ULOG_CHANGED;
  ws.Sys_flags7 |= ULOG_PENDING;
  Journal_Flush(false);
}

void Journal_Flush(bool final) {
  uint16_t& fl = ws.Sys_flags7;
  bool pending = (fl & ULOG_PENDING) != 0;
  // 1. The immediate log.
  if ((fl & ULOG_IMMEDIATE) && pending) {
    std::string lines;
    for (Fcb* f = ws.Fcb_list; f; f = f->next) {
      if (!(f->ulog_status & ULOG_CHANGED) || (f->ulog_status & ULOG_LISTED)) continue;
      f->ulog_status |= ULOG_LISTED;
      lines += channel_path(f);
      lines += '\n';
    }
    if (!lines.empty()) {
      // Opened again at every append, and checked every time: a symbolic
      // link or a FIFO put at its name meanwhile is not written.
      int fd = Open_log(immediate_path.c_str(), true, mode_t(prmblk.Create_mode));
      if (fd >= 0) {
        write_all(fd, lines);
        ::close(fd);
      } else {
        logs_off(immediate_path, errno);
      }
    }
  }
  if (!final) {
    // 2, 3. The per-process log, only when the end-of-run log is on.
    if (pending && (fl & ULOG_END_OF_RUN)) {
      std::string lines;
      for (Fcb* f = ws.Fcb_list; f; f = f->next) {
        if (!(f->ulog_status & ULOG_CHANGED)) continue;
        lines += channel_path(f);
        lines += '\n';
      }
      if (lines.empty()) {
        if (!log_name.empty()) ::unlink(log_name.c_str());
      } else if (int fd = create_log(); fd >= 0) {
        write_all(fd, lines);
        ::close(fd);
      }
    }
  } else {
    // 4. The changed marks go; the per-process log with them.
    bool changed = pending;
    for (Fcb* f = ws.Fcb_list; f; f = f->next) {
      if (f->ulog_status & ULOG_CHANGED) changed = true;
      f->ulog_status &= uint16_t(~ULOG_CHANGED);
    }
    if ((changed || pending) && !log_name.empty()) ::unlink(log_name.c_str());
  }
  fl &= uint16_t(~ULOG_PENDING);
}

void Ulog_set_immediate(const std::string& name) {
  Journal_Flush(false);
  for (Fcb* f = ws.Fcb_list; f; f = f->next) f->ulog_status &= uint16_t(~ULOG_LISTED);
  if (name.empty()) {
    ws.Sys_flags7 &= uint16_t(~ULOG_IMMEDIATE);
    immediate_path.clear();
    return;
  }
  Check_name_nul(name);
  std::string path = Path_convert(name);
  // An existing log must be a plain text file, reached without a symbolic
  // link (one planted there would send the lines into another file).
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (fd < 0 && errno == ELOOP) Rpt_error_text(err::WRONG_MODE, "The update log is a symbolic link");
  if (fd < 0 && errno != ENOENT) Sys_error();
  if (fd >= 0) {
    struct stat st{};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
      ::close(fd);
      Rpt_error(err::WRONG_MODE);
    }
    char head[8] = {};
    ssize_t r = ::read(fd, head, sizeof head);
    ::close(fd);
    // A file with a file header of this system (a tag "...]" in bytes
    // 4..7) is a keyed, indexed or other file: not a log.
    if (r == 8 && head[7] == ']') Rpt_error(err::WRONG_MODE);
  }
  if (path.size() > 512) Rpt_error(err::BAD_FILE_NAME);
  immediate_path = path;
  ws.Sys_flags7 |= ULOG_IMMEDIATE;
  // Files already changed are listed now.
  bool any = false;
  for (Fcb* f = ws.Fcb_list; f; f = f->next)
    if (f->ulog_status & ULOG_CHANGED) any = true;
  if (any) {
    ws.Sys_flags7 |= ULOG_PENDING;
    Journal_Flush(false);
  }
}

void Ulog_set_directory(const std::string& name) {
  Journal_Flush(false);
  if (name.empty()) {
    if (ws.Sys_flags7 & ULOG_END_OF_RUN) {
      if (!log_name.empty()) ::unlink(log_name.c_str());
      log_name.clear();
    }
    ws.Sys_flags7 &= uint16_t(~ULOG_END_OF_RUN);
    return;
  }
  Check_name_nul(name);
  std::string dir = Path_convert(name);
  struct stat st{};
  if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) Rpt_error(err::WRONG_MODE);
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  std::string p = dir + "/" + user_name();
  if (p.size() >= 497) Rpt_error(err::BAD_FILE_NAME);
  if (!log_name.empty() && p != prefix) {
    ::unlink(log_name.c_str());
    log_name.clear();
  }
  prefix = p;
  ws.Sys_flags7 |= ULOG_END_OF_RUN;
  // The files already changed go into the new log.
  for (Fcb* f = ws.Fcb_list; f; f = f->next)
    if (f->ulog_status & ULOG_CHANGED) ws.Sys_flags7 |= ULOG_PENDING;
  Journal_Flush(false);
}

// Directory channels (kind 6): one entry of a directory listing per READ.
//
// The listing is the output of a host command (environment ORULS, else
// "ls -a") run on the first READ.  With parameter SD or OPT="+INFO" each
// entry is examined: a directory gets "/" after its name, and "+INFO" turns
// the record into fields, each followed by the channel's separator:
//   name, "D" or "F", size in bytes, change time, modification time,
//   access time (each "YYYY-MM-DD hh:mm:ss" in local time).
// An entry that cannot be examined is "F" with size 0 and empty stamps.
#include <signal.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "channels/channel.h"
#include "channels/simple_files.h"
#include "core/console.h"
#include "core/errors.h"
#include "core/memory.h"
#include "core/params.h"
#include "core/workspace.h"

namespace {

Dry_fcb* cur() { return static_cast<Dry_fcb*>(ws.Cur_fcb); }

std::string shell_quote_path(const std::string& p) {
  if (p.find(' ') == std::string::npos || (!p.empty() && p[0] == '\'')) return p;
  return "'" + p + "'";
}

std::string stamp(time_t t) {
  struct tm tm {};
  localtime_r(&t, &tm);
  char b[32];
  std::snprintf(b, sizeof b, "%4.4d-%2.2d-%2.2d %2.2d:%2.2d:%2.2d", tm.tm_year + 1900, tm.tm_mon + 1,
                tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
  return b;
}

void start_listing(Dry_fcb* f) {
  const char* ls = std::getenv("ORULS");
  std::string cmd = ls && *ls ? ls : "ls -a";
  cmd += " " + shell_quote_path(f->path->path) + " 2>/dev/null";
  bool keep_int = ws.Sys_flags4 & 0x1000;
  struct sigaction old {};
  if (!keep_int) {
    struct sigaction ign {};
    ign.sa_handler = SIG_IGN;
    sigaction(SIGINT, &ign, &old);
  }
  f->listing = popen(cmd.c_str(), "re");
  int e = errno;
  if (!keep_int) sigaction(SIGINT, &old, nullptr);
  if (!f->listing) {
    errno = e;
    Sys_error();
  }
}

int64_t Dry_open() {
  auto* f = Fcb_alloc<Dry_fcb>();
  f->fd = -1;  // the directory is read through the listing command
  f->kind = FK_DIRECTORY;
  f->rec_size = 256;
  ws.Cur_fcb = f;
  ws.Cur_fd = -1;
  Fcb_set_buffer(f, 256);
  f->buf_count = 256;
  if (ws.Io_opt_len >= 5 && strncasecmp(reinterpret_cast<const char*>(ws.Io_opt_ptr), "+INFO", 5) == 0)
    f->info = true;
  return 0;
}

int64_t Dry_close() {
  auto* f = cur();
  if (f->listing) pclose(f->listing);
  f->listing = nullptr;
  return 0;
}

int64_t Dry_read() {
  auto* f = cur();
  if (!f->listing) start_listing(f);
  std::string name;
  for (;;) {
    int c = std::fgetc(f->listing);
    if (c == EOF) {
      if (std::ferror(f->listing) && errno == EINTR) {
        std::clearerr(f->listing);
        continue;
      }
      if (name.empty()) Io_end_err();
      break;
    }
    if (c == '\n') break;
    if (name.size() < 255) name.push_back(char(c));
  }
  std::string rec = name;
  if (Sw_on(sw::SD) || f->info) {
    std::string full = std::string(f->path->path) + "/" + name;
    struct stat st {};
    bool ok = stat(full.c_str(), &st) == 0;
    bool dir = ok && S_ISDIR(st.st_mode);
    if (f->info) {
      char sep = char(f->separator);
      rec = name + sep + (dir ? "D" : "F") + sep;
      char size[32];
      std::snprintf(size, sizeof size, "%.0f", ok ? double(st.st_size) : 0.0);
      rec += std::string(size) + sep;
      rec += (ok ? stamp(st.st_ctime) : "") + sep;
      rec += (ok ? stamp(st.st_mtime) : "") + sep;
      rec += (ok ? stamp(st.st_atime) : "") + sep;
    } else if (dir) {
      rec += "/";
    }
  }
  auto* p = static_cast<uint8_t*>(Get_temp(rec.size() ? rec.size() : 1));
  std::memcpy(p, rec.data(), rec.size());
  ws.Str_ptr = p;
  ws.Str_len = int32_t(rec.size());
  f->rec_index++;
  f->st1 |= ST1_READ;
  return 0;
}

}  // namespace

const Fio_op Dry_fotbl[FIO_SLOTS] = {
    Io_mode_err, Dry_open,    Dry_close,   Io_mode_err, Dry_read,    Io_mode_err,  Io_mode_err,
    Io_mode_err, Io_mode_err, Io_mode_err, Io_mode_err, Io_mode_err, Io_do_nothing, Io_mode_err,
    Io_mode_err, Io_mode_err, Io_mode_err, Io_mode_err, Io_do_nothing, Io_do_nothing};

// Directory channels (kind 6): one entry of a directory listing per READ.
//
// The listing is read on the first READ straight from the directory (no
// command, no shell: a directory name is data): every entry, "." and ".."
// included, sorted by the bytes of the name as "ls -a" sorts them in the C
// locale.  With the environment variable ORULS set, the lines that command
// writes are the listing instead; the directory's name is passed to it in
// the environment, never as text of the command line.  Names longer than 255 bytes are cut.  With parameter SD or OPT="+INFO" each
// entry is examined: a directory gets "/" after its name, and "+INFO" turns
// the record into fields, each followed by the channel's separator:
//   name, "D" or "F", size in bytes, change time, modification time,
//   access time (each "YYYY-MM-DD hh:mm:ss" in local time).
// An entry that cannot be examined is "F" with size 0 and empty stamps.
#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "channels/channel.h"
#include "channels/simple_files.h"
#include "core/errors.h"
#include "core/memory.h"
#include "core/params.h"
#include "core/workspace.h"

namespace {

Dry_fcb* cur() { return static_cast<Dry_fcb*>(ws.Cur_fcb); }

void keep_listing(Dry_fcb* f, const std::vector<std::string>& names);

std::string stamp(time_t t) {
  struct tm tm {};
  localtime_r(&t, &tm);
  char b[64];
  std::snprintf(b, sizeof b, "%4.4d-%2.2d-%2.2d %2.2d:%2.2d:%2.2d", tm.tm_year + 1900, tm.tm_mon + 1,
                tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
  return b;
}

// The lines the user's listing command (ORULS) writes for the directory:
// the command runs through the shell as the user set it, and the
// directory's name reaches it only as the value of ORU_LIST_DIR, quoted
// where the command line names it, so the shell never reads the name as
// part of a command.
std::vector<std::string> command_listing(const char* command, const char* dir) {
  std::string line = std::string(command) + " \"$ORU_LIST_DIR\" 2>/dev/null";
  struct sigaction ign {}, old {};
  ign.sa_handler = SIG_IGN;
  bool quiet = !(ws.Sys_flags4 & 0x1000);
  if (quiet) sigaction(SIGINT, &ign, &old);
  setenv("ORU_LIST_DIR", dir, 1);
  FILE* p = popen(line.c_str(), "re");
  int err = errno;
  unsetenv("ORU_LIST_DIR");
  if (quiet) sigaction(SIGINT, &old, nullptr);
  if (!p) {
    errno = err;
    Sys_error();
  }
  std::vector<std::string> names;
  std::string cur;
  for (int c; (c = std::fgetc(p)) != EOF;) {
    if (c == '\n') {
      names.push_back(cur);
      cur.clear();
    } else if (c != 0 && cur.size() < 255) {
      cur.push_back(char(c));
    }
  }
  if (!cur.empty()) names.push_back(cur);
  pclose(p);
  return names;
}

// Reads the whole directory into f->listing: the names, each ended by a
// NUL byte, in sorted order (with ORULS set, the lines of that command).
void start_listing(Dry_fcb* f) {
  const char* command = std::getenv("ORULS");
  if (command && *command) {
    std::vector<std::string> names = command_listing(command, f->path->path);
    keep_listing(f, names);
    return;
  }
  DIR* d = opendir(f->path->path);
  if (!d) Sys_error();
  std::vector<std::string> names;
  for (;;) {
    errno = 0;
    struct dirent* e = readdir(d);
    if (!e) break;
    names.emplace_back(e->d_name, strnlen(e->d_name, 255));
  }
  int err = errno;
  closedir(d);
  if (err != 0 && err != EINTR) {
    errno = err;
    Sys_error();
  }
  std::sort(names.begin(), names.end());
  keep_listing(f, names);
}

void keep_listing(Dry_fcb* f, const std::vector<std::string>& names) {
  size_t total = 1;
  for (const std::string& n : names) total += n.size() + 1;
  auto* b = static_cast<char*>(Get_blk(total));
  size_t at = 0;
  for (const std::string& n : names) {
    std::memcpy(b + at, n.c_str(), n.size() + 1);
    at += n.size() + 1;
  }
  f->listing = b;
  f->listing_len = at;
  f->listing_pos = 0;
}

int64_t Dry_open() {
  auto* f = Fcb_alloc<Dry_fcb>();
  f->fd = -1;  // the directory is read through opendir at the first READ
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
  if (f->listing) Ret_blk(f->listing);
  f->listing = nullptr;
  return 0;
}

int64_t Dry_read() {
  auto* f = cur();
  if (!f->listing) start_listing(f);
  if (f->listing_pos >= f->listing_len) Io_end_err();
  std::string name(f->listing + f->listing_pos);
  f->listing_pos += name.size() + 1;
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

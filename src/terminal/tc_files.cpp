// Host files for the thin client: versions, uploads, pictures.
//
// A call of the client's utility is one '$' 'C' request (a client-side
// CALL): str called name, then per argument chr 'N' and the number as text
// or chr 'S' and the string.  The client answers with the values of the
// arguments (the host ignores them here) or refuses with CAN 201 when it
// wants the host file first; the reader leaves that as ws.Err_code 201 and
// ws.Str_len -1 instead of raising it.
//
// Uploads go in chunks of TC_UPLOAD_CHUNK bytes so that every request fits
// the smallest payload limit of the protocol (32,167 bytes below level 8);
// the client appends each chunk at its offset and knows the file complete
// when offset + chunk length reaches the size.
#include "terminal/tc_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstring>
#include <deque>
#include <vector>

#include "channels/channel.h"
#include "channels/open.h"
#include "core/errors.h"
#include "core/workspace.h"
#include "terminal/tc_protocol.h"

namespace {

const char UTIL[] = "*kest/vrl/util";

bool starts_blind(const std::string& s, const char* with) {
  size_t n = std::strlen(with);
  if (s.size() < n) return false;
  for (size_t i = 0; i < n; ++i)
    if (std::tolower(uint8_t(s[i])) != std::tolower(uint8_t(with[i]))) return false;
  return true;
}

struct Remembered {
  std::string name, path;
  int64_t version = 0;
  std::chrono::steady_clock::time_point when{};
  bool valid = false;
} last;

// Item texts live until the request is sent (the builder keeps pointers).
using Texts = std::deque<std::string>;

void str_arg(const std::string& s) {
  Wtty_chr('S');
  Wtty_str(s);
}

void num_arg(Texts& keep, int64_t v) {
  Wtty_chr('N');
  keep.push_back(std::to_string(v));
  Wtty_str(keep.back());
}

void called(Texts& keep, const char* command) {
  keep.push_back(std::string(UTIL) + ";" + command);
  Wtty_str(keep.back());
}

// Restores the resolved and given names of the statement's own file around
// a lookup.
struct Name_buffers {
  char path[sizeof ws.Path_buf], given[sizeof ws.Lfa_path];
  Name_buffers() {
    std::memcpy(path, ws.Path_buf, sizeof path);
    std::memcpy(given, ws.Lfa_path, sizeof given);
  }
  ~Name_buffers() {
    std::memcpy(ws.Path_buf, path, sizeof path);
    std::memcpy(ws.Lfa_path, given, sizeof given);
  }
};

// One call of the client's utility; true when the client asked for the
// file first (CAN 201).
bool util_call(const char* command, const std::string& name, int64_t version, const uint8_t* extra,
               int32_t extra_len) {
  Texts keep;
  Wtty_init('$', 'C');
  called(keep, command);
  str_arg(name);
  num_arg(keep, version);
  if (extra) {
    Wtty_chr('S');
    Wtty_str(extra, extra_len);
  }
  ws.Err_code = 0;
  Wtty_xmit(1);
  return ws.Str_len == -1 && ws.Err_code == 201;
}

// A picture call, the file uploaded and the call made again when the
// client asks for it; a second request for the file is error 86.
void picture_call(const std::string& name, const std::string& path, int64_t version, const uint8_t* p,
                  int32_t n) {
  Io_save_guard io;
  if (!util_call("picture", name, version, p, n)) return;
  ZefVrlUpload(name, path, version);
  if (util_call("picture", name, version, p, n))
    Rpt_error_text(err::CONNECTION_LOST, "the thin client asked again for a file it was sent");
}

}  // namespace

int64_t ZefVrlGetVersion(const std::string& given, std::string* path) {
  if (path) path->clear();
  if (given.empty() || given.size() >= 513) return 0;
  if (starts_blind(given, UTIL) || given[0] == '[') return 0;
  static const char* const devices[] = {"*winprt*", "*windev*", "*bitmap*", "*viewer*", "*memory*", "*pdf*"};
  for (const char* d : devices)
    if (starts_blind(given, d)) return 0;
  if (given.size() >= 2 && std::isalpha(uint8_t(given[0])) && given[1] == ':') return 0;
  if (given.size() >= 2 && (given[0] == '/' || given[0] == '\\') && given[1] == given[0]) return 0;
  std::string name = given;
  if (name.size() >= 2 && name[1] == '!') name = "*bmp/" + name.substr(2);
  auto now = std::chrono::steady_clock::now();
  if (last.valid && last.name == given && now - last.when < std::chrono::seconds(2)) {
    if (path) *path = last.path;
    return last.version;
  }
  int64_t version = 0;
  std::string found;
  {
    Name_buffers keep;
    Set_path(name);
    while (Next_path() == 0) {
      struct stat st{};
      if (::stat(ws.Path_buf, &st) == 0 && S_ISREG(st.st_mode)) {
        version = int64_t(st.st_mtime);
        found = ws.Path_buf;
        break;
      }
    }
  }
  last.name = given;
  last.path = found;
  last.version = version;
  last.when = now;
  last.valid = true;
  if (path) *path = found;
  return version;
}

void ZefVrlForgetVersion() { last.valid = false; }

void ZefVrlUpload(const std::string& name, const std::string& path, int64_t version) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) Rpt_error_text(err::FILE_NOT_FOUND, "the host file to send to the thin client cannot be read");
  struct Fd_guard {
    int fd;
    ~Fd_guard() { ::close(fd); }
  } guard{fd};
  struct stat st{};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
    Rpt_error_text(err::FILE_NOT_FOUND, "the host file to send to the thin client is no plain file");
  int64_t size = int64_t(st.st_size);
  Io_save_guard io;
  std::vector<uint8_t> chunk(static_cast<size_t>(TC_UPLOAD_CHUNK));
  int64_t offset = 0;
  do {
    ssize_t got = ::pread(fd, chunk.data(), chunk.size(), off_t(offset));
    if (got < 0) Sys_error();
    // A file that shrank while it was sent ends where it now ends.
    if (got == 0 && offset < size) size = offset;
    Texts keep;
    Wtty_init('$', 'C');
    called(keep, "upload");
    str_arg(name);
    num_arg(keep, version);
    num_arg(keep, offset);
    num_arg(keep, size);
    Wtty_chr('S');
    Wtty_str(chunk.data(), int32_t(got));
    ws.Err_code = 0;
    Wtty_xmit(1);
    if (ws.Str_len == -1 && ws.Err_code == 201)
      Rpt_error_text(err::CONNECTION_LOST, "the thin client refused a file it asked for");
    offset += got;
  } while (offset < size);
}

bool ZefVrlPictMnem(const uint8_t* p, uint32_t n) {
  // col, line, width, height, then the name with its length byte.
  if (n < 9) return false;
  uint32_t len = p[8];
  if (len == 0 || len == 0xFF || 9 + len > n) return false;
  std::string name(reinterpret_cast<const char*>(p + 9), len);
  std::string path;
  int64_t version = ZefVrlGetVersion(name, &path);
  if (version == 0) return false;
  picture_call(name, path, version, p, int32_t(n));
  return true;
}

std::string ZefVrlImage(const std::string& name) {
  if (!Tc_attached()) Rpt_error_text(err::NOT_BUILT, "IMG( needs the thin client");
  std::string path;
  int64_t version = ZefVrlGetVersion(name, &path);
  if (version == 0) Rpt_error_text(err::FILE_NOT_FOUND, "IMG( names no host file the thin client can be sent");
  picture_call(name, path, version, nullptr, 0);
  return name;
}

// Small helpers shared by the unit tests.
#pragma once
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "core/errors.h"

// The error number f raised, 0 when it returned.
template <class F>
int error_no(F f) {
  try {
    f();
  } catch (const Oru_error& e) {
    return e.no;
  }
  return 0;
}

inline const uint8_t* u(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }

// A new file /tmp/<prefix>XXXXXX holding content; its path ("" when it could
// not be made).
inline std::string Temp_file(const char* prefix, const std::string& content = "") {
  std::string name = std::string("/tmp/") + prefix + "XXXXXX";
  int fd = mkstemp(name.data());
  if (fd < 0) return "";
  bool ok = write(fd, content.data(), content.size()) == ssize_t(content.size());
  close(fd);
  if (!ok) unlink(name.c_str());
  return ok ? name : "";
}

// Opens path and places a host byte-range lock (F_RDLCK or F_WRLCK) on
// [start, start+len) without waiting, as another process would; the file
// stays open, so the lock holds until the process ends.  Whether it was
// granted.
inline bool Lock_bytes(const std::string& path, short type, off_t start, off_t len) {
  int fd = open(path.c_str(), O_RDWR);
  struct flock fl {};
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  fl.l_start = start;
  fl.l_len = len;
  return fd >= 0 && fcntl(fd, F_SETLK, &fl) == 0;
}

// A scratch directory under /tmp that the test works in: enter() makes it
// and moves into it, leave() moves back and removes it with its files.
class Scratch_dir {
 public:
  bool enter(const char* prefix) {
    std::string name = std::string("/tmp/") + prefix + "XXXXXX";
    std::vector<char> cwd(4096);
    if (!mkdtemp(name.data()) || !getcwd(cwd.data(), cwd.size())) return false;
    path_ = name;
    home_ = cwd.data();
    return chdir(path_.c_str()) == 0;
  }
  bool leave() {
    if (path_.empty()) return true;
    bool ok = chdir(home_.c_str()) == 0 && std::system(("rm -rf '" + path_ + "'").c_str()) == 0;
    path_.clear();
    return ok;
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_, home_;
};

// The ini file reader (format in ini.h).
#include "core/ini.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <unordered_set>

#include "core/host.h"
#include "core/messages.h"
#include "core/process_config.h"

namespace {

constexpr int PIECE = 500;  // fgets buffer: pieces of at most 499 bytes

struct File_closer {
  FILE* f;
  ~File_closer() {
    if (f) std::fclose(f);
  }
};

constexpr size_t KEPT_MAX = 1 << 20;
std::string kept_path, kept_text;  // Ini_keep_own's file and its contents

// Calls on_line for each line of the first section of that name (the line
// without its line feed).  on_line returns false to stop.  False when the
// file cannot be opened.  A kept file is read from its kept contents.
bool scan_section(const char* path, const char* section, const std::function<bool(const char*, size_t)>& on_line) {
  if (path == nullptr || *path == '\0') return false;
  bool kept = !kept_path.empty() && kept_path == path;
  if (kept && kept_text.empty()) return true;
  FILE* f = kept ? fmemopen(kept_text.data(), kept_text.size(), "r") : std::fopen(path, "re");
  if (!f) return false;
  File_closer closer{f};
  size_t slen = std::strlen(section);
  char buf[PIECE];
  bool inside = false;
  while (std::fgets(buf, sizeof buf, f)) {
    size_t n = std::strlen(buf);
    if (n > 0 && buf[n - 1] == '\n') buf[--n] = '\0';
    if (!inside) {
      inside = n >= slen + 2 && buf[0] == '[' && memicmp(buf + 1, section, slen) == 0 && buf[slen + 1] == ']';
      continue;
    }
    if (buf[0] == '[') break;  // the next section: only the first counts
    if (!on_line(buf, n)) break;
  }
  return true;
}

// Copies at most size - 1 bytes and a NUL; returns the bytes copied.
int copy_out(char* out, int size, const char* s, size_t n) {
  if (out == nullptr || size <= 0) return 0;
  size_t cap = size_t(size) - 1;
  if (n > cap) n = cap;
  std::memcpy(out, s, n);
  out[n] = '\0';
  return int(n);
}

}  // namespace

int Ini_keep_own(const std::string& path) {
  // Not blocking: a FIFO planted at the name must not hold the start up.
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return errno == ENOENT || errno == ENOTDIR ? 0 : -1;
  struct stat st {};
  std::string text;
  bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == geteuid() &&
            !(st.st_mode & (S_IWGRP | S_IWOTH)) && uint64_t(st.st_size) <= KEPT_MAX;
  if (ok) {
    text.resize(size_t(st.st_size));
    int64_t n = Pread_all(fd, text.data(), text.size(), 0);
    ok = n >= 0;
    if (ok) text.resize(size_t(n));
  }
  close(fd);
  if (!ok) return -1;
  kept_path = path;
  kept_text = std::move(text);
  return 1;
}

void Ini_forget_kept() {
  kept_path.clear();
  kept_text.clear();
}

int GetPrivateProfileString(const char* section, const char* key, const char* def, char* out, int size,
                            const char* path) {
  if (def == nullptr) def = "";
  int def_len = copy_out(out, size, def, std::strlen(def));
  if (section == nullptr) section = "";
  int result = 0;
  bool opened;
  if (key == nullptr) {
    // Key names, each followed by a NUL.
    size_t used = 0;
    size_t cap = (out != nullptr && size > 0) ? size_t(size) : 0;
    opened = scan_section(path, section, [&](const char* line, size_t n) {
      const char* eq = static_cast<const char*>(std::memchr(line, '=', n));
      if (eq == nullptr) return true;
      size_t len = size_t(eq - line);
      if (used + len + 1 + 2 > cap) return true;  // would leave fewer than 2 bytes free
      std::memcpy(out + used, line, len);
      out[used + len] = '\0';
      used += len + 1;
      return true;
    });
    if (opened && used < cap) out[used] = '\0';  // a list with no names reads as empty
    result = int(used);
  } else {
    size_t klen = std::strlen(key);
    opened = scan_section(path, section, [&](const char* line, size_t n) {
      if (n > klen && line[klen] == '=' && memicmp(line, key, klen) == 0) {
        result = copy_out(out, size, line + klen + 1, n - klen - 1);
        return false;
      }
      return true;
    });
  }
  return opened ? result : def_len;
}

int GetPrivateProfileInt(const char* section, const char* key, int def, const char* path) {
  char def_text[24];
  std::snprintf(def_text, sizeof def_text, "%d", def);
  char buf[PIECE];
  GetPrivateProfileString(section, key, def_text, buf, sizeof buf, path);
  return int(std::strtol(buf, nullptr, 10));
}

int KestGetPrivateProfileString(const char* section, const char* key, const char* def, char* out, int size) {
  return GetPrivateProfileString(section, key, def, out, size, szSysIniFile.c_str());
}

int KestGetPrivateProfileInt(const char* section, const char* key, int def) {
  return GetPrivateProfileInt(section, key, def, szSysIniFile.c_str());
}

std::string Ini_string(const std::string& path, const char* section, const char* key, const std::string& def) {
  std::string value = def;
  size_t klen = std::strlen(key);
  scan_section(path.c_str(), section, [&](const char* line, size_t n) {
    if (n > klen && line[klen] == '=' && memicmp(line, key, klen) == 0) {
      value.assign(line + klen + 1, n - klen - 1);
      return false;
    }
    return true;
  });
  return value;
}

std::vector<std::string> Ini_keys(const std::string& path, const char* section) {
  std::vector<std::string> keys;
  scan_section(path.c_str(), section, [&](const char* line, size_t n) {
    const char* eq = static_cast<const char*>(std::memchr(line, '=', n));
    if (eq != nullptr) keys.emplace_back(line, size_t(eq - line));
    return true;
  });
  return keys;
}

std::vector<std::pair<std::string, std::string>> Ini_entries(const std::string& path, const char* section) {
  std::vector<std::pair<std::string, std::string>> entries;
  std::unordered_set<std::string> seen;
  scan_section(path.c_str(), section, [&](const char* line, size_t n) {
    const char* eq = static_cast<const char*>(std::memchr(line, '=', n));
    if (eq == nullptr) return true;
    size_t klen = size_t(eq - line);
    std::string folded(line, klen);
    for (char& c : folded) c = char(Uppercs[uint8_t(c)]);
    if (!seen.insert(folded).second) return true;
    entries.emplace_back(std::string(line, klen), std::string(eq + 1, n - klen - 1));
    return true;
  });
  return entries;
}

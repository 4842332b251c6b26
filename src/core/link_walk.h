// Walking a path as the host resolves it, to see whose symbolic links it
// passes through.  Header only: the keyed engine, which links alone, uses it
// as the interpreter does.
#pragma once
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <string>

// Whether the host, resolving path, would pass through a symbolic link that
// belongs to neither uid nor root: the name's own link, a link that one's
// target names, or a link among the directories on the way (a shared folder's
// subdirectory replaced by a link to the user's home sends "sub/file" there).
// A relative path starts in the working directory, which the user chose.  With
// last_free the name's last part is not looked at, only the directories that
// lead to it.  A part that does not exist ends the walk (nothing to follow).
inline bool Foreign_link_on_path(const char* path, uid_t uid, bool last_free = false) {
  std::string done;  // walked, free of links ("" = the working directory)
  std::string rest = path;
  if (!rest.empty() && rest[0] == '/') done = "/";
  int links = 0;
  while (!rest.empty()) {
    size_t slash = rest.find('/');
    std::string part = rest.substr(0, slash);
    rest = slash == std::string::npos ? std::string() : rest.substr(slash + 1);
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      bool up_only = done.empty() || done == ".." ||
                     (done.size() >= 3 && done.compare(done.size() - 3, 3, "/..") == 0);
      if (up_only) {
        done += done.empty() ? ".." : "/..";
      } else if (done != "/") {
        size_t s = done.rfind('/');
        done = s == std::string::npos ? std::string() : s == 0 ? std::string("/") : done.substr(0, s);
      }
      continue;
    }
    if (last_free && rest.find_first_not_of('/') == std::string::npos) return false;
    std::string at = done.empty() ? part : done == "/" ? "/" + part : done + "/" + part;
    struct stat st {};
    if (::lstat(at.c_str(), &st) != 0) return false;
    if (!S_ISLNK(st.st_mode)) {
      done = at;
      continue;
    }
    if (st.st_uid != uid && st.st_uid != 0) return true;
    if (++links > 40) return true;  // the host gives up far sooner
    char buf[4097];
    ssize_t n = ::readlink(at.c_str(), buf, sizeof buf - 1);
    if (n <= 0) return false;
    std::string target(buf, size_t(n));
    if (target[0] == '/') done = "/";
    rest = rest.empty() ? target : target + "/" + rest;
  }
  return false;
}

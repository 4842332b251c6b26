// The code-page cache.
#include "functions/codepage.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <memory>

#include "core/messages.h"

namespace {

struct Page_entry {
  std::unique_ptr<Page_entry> next;
  int from, to;
  uint8_t map[256];
};

std::unique_ptr<Page_entry> pPages;

bool read_map(const std::string& path, uint8_t* map) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  size_t got = 0;
  while (got < 256) {
    ssize_t n = ::read(fd, map + got, 256 - got);
    if (n <= 0) break;
    got += size_t(n);
  }
  ::close(fd);
  return got == 256;
}

}  // namespace

std::string Codepage_name(int page) {
  if (page <= 0) return "ansi";
  char buf[16];
  std::snprintf(buf, sizeof buf, "%04d", page);
  return buf;
}

const uint8_t* FindCodePage(int from, int to) {
  if (from <= 0) from = -1;
  if (to <= 0) to = -1;
  for (Page_entry* e = pPages.get(); e; e = e->next.get())
    if (e->from == from && e->to == to) return e->map;
  auto e = std::make_unique<Page_entry>();
  std::string path =
      Lib_dir_path() + "/_kest/codepage/" + Codepage_name(from) + "-" + Codepage_name(to);
  if (!read_map(path, e->map)) return nullptr;
  e->from = from;
  e->to = to;
  e->next = std::move(pPages);
  pPages = std::move(e);
  return pPages->map;
}

void Codepage_clear() {
  // Unlink iteratively so a long list cannot recurse deeply.
  while (pPages) pPages = std::move(pPages->next);
}

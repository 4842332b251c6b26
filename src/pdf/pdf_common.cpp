// Helpers both PDF back ends share (pdf_common.h).
#include "pdf/pdf_common.h"

#include <cctype>

uint32_t Pdf_font_flag_letters(const uint8_t* p, size_t n, uint32_t flags) {
  for (size_t i = 0; i < n; ++i) {
    switch (std::toupper(p[i])) {
      case 'B': flags |= PFF_BOLD; break;
      case 'I': flags |= PFF_ITALIC; break;
      case 'C': flags = (flags & ~(PFF_RIGHT | PFF_NUMERIC)) | PFF_CENTRE; break;
      case 'R': flags = (flags & ~(PFF_CENTRE | PFF_NUMERIC)) | PFF_RIGHT; break;
      case 'L': flags &= ~(PFF_CENTRE | PFF_RIGHT | PFF_NUMERIC); break;
      case '#':
      case 'N': flags = (flags & ~(PFF_CENTRE | PFF_RIGHT)) | PFF_NUMERIC; break;
      case 'W': flags |= PFF_WRAP; break;
      case 'U':
      case '_': flags |= PFF_UNDERLINE; break;
      case '&': flags |= PFF_AMPERSAND; break;
      case 'S': flags |= PFF_BACKGROUND; break;
      default: break;
    }
  }
  return flags;
}

bool Pdf_option_arg(const uint8_t* p, uint32_t n, bool wide, std::string& name, std::string& value) {
  if (n < 1) return false;
  uint32_t nl = p[0];
  uint32_t prefix = wide ? 4 : 1;
  if (uint64_t(nl) + 1 + prefix > n) return false;
  name.assign(reinterpret_cast<const char*>(p + 1), nl);
  const uint8_t* v = p + 1 + nl;
  uint32_t vl = wide ? (uint32_t(v[0]) << 24 | uint32_t(v[1]) << 16 | uint32_t(v[2]) << 8 | v[3]) : v[0];
  if (vl != n - nl - 1 - prefix) return false;
  value.assign(reinterpret_cast<const char*>(v + prefix), vl);
  return true;
}

std::vector<std::string> Pdf_bookmark_titles(const std::string& value) {
  std::vector<std::string> out;
  std::string cur;
  for (unsigned char c : value) {
    if (c < 32) {
      if (!cur.empty()) out.push_back(cur);
      cur.clear();
    } else {
      cur += char(c);
    }
  }
  if (!cur.empty()) out.push_back(cur);
  return out;
}

// CVS( mode bits and the text conversion between named encodings.
//
// A conversion decodes the source into characters (bytes, or wider values
// when it came from UNICODE, UTF8 or XML character references), maps a source
// code page to the native set, and encodes the characters for the target.
// A character above 255 has no byte in a byte-oriented target (native set,
// code page, Base64, uuencode, URL) and becomes "?"; XML writes it as a
// character reference, UNICODE as a UTF-16 pair when above 0xFFFF.
#include "functions/text_convert.h"

#include <cstring>
#include <vector>

#include "core/errors.h"
#include "core/messages.h"
#include "core/params.h"
#include "core/utf8.h"
#include "core/workspace.h"
#include "functions/codepage.h"

namespace {

// Printable bytes of the native (Latin-1) set: 32..126 and 160..255.
struct Printables_init {
  Printables_init(uint8_t* t) {
    for (int b = 0; b < 256; b++) t[b] = (b >= 32 && b < 127) || b >= 160;
  }
};

}  // namespace

uint8_t Printables[256];
static Printables_init printables_init(Printables);

// ---- mode bits ----

std::string Cvs_modes(const uint8_t* s, size_t len, int mode, uint8_t c, bool utf8) {
  if (mode < 0 || mode > CVS_MODE_MAX) Rpt_error(err::OUT_OF_RANGE);
  size_t a = 0, e = len;
  if (mode & 1)
    while (a < e && s[a] == c) a++;
  if (mode & 2)
    while (e > a && s[e - 1] == c) e--;
  auto upper = [utf8](uint8_t b) { return utf8 && b >= 0x80 ? b : Uppercs[b]; };
  auto lower = [utf8](uint8_t b) { return utf8 && b >= 0x80 ? b : Lowercs[b]; };
  std::string out;
  out.reserve(e - a);
  for (size_t i = a; i < e; i++) {
    uint8_t b = s[i];
    if (mode & 4) b = upper(b);
    if (mode & 8) b = lower(b);
    if ((mode & 16) && !Printables[b]) b = c;
    if ((mode & 32) && b == c && !out.empty() && uint8_t(out.back()) == c) continue;
    if (mode & 256) {
      bool after_letter = false;
      if (!out.empty()) {
        uint8_t p = uint8_t(out.back());
        after_letter = Uppercs[p] != Lowercs[p];
      }
      b = after_letter ? lower(b) : upper(b);
    }
    if (mode & 512) b = Accents[b];
    out.push_back(char(b));
  }
  if (mode & (64 | 128)) {
    uint8_t th = prmblk.TH, dp = prmblk.DP, cu = prmblk.CU;
    for (char& ch : out) {
      uint8_t b = uint8_t(ch);
      if (mode & 64) {
        if (b == ',')
          b = th;
        else if (b == '.')
          b = dp;
        else if (b == '$')
          b = cu;
      } else {
        if (b == th)
          b = ',';
        else if (b == dp)
          b = '.';
        else if (b == cu)
          b = '$';
      }
      ch = char(b);
    }
  }
  return out;
}

// ---- encoding names ----

namespace {

bool name_is(const uint8_t* p, size_t n, const char* word) {
  size_t w = std::strlen(word);
  return n == w && memicmp(p, word, n) == 0;
}

constexpr char szBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr char szBase64URL[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
constexpr char hex_digits[] = "0123456789ABCDEF";
constexpr uint32_t NO_BYTE = '?';

int hex_value(uint8_t b) {
  if (b >= '0' && b <= '9') return b - '0';
  if (b >= 'a' && b <= 'f') return b - 'a' + 10;
  if (b >= 'A' && b <= 'F') return b - 'A' + 10;
  return -1;
}

using Chars = std::vector<uint32_t>;

// ---- decoders ----

void from_base64(const uint8_t* s, size_t len, int enc, Chars& out) {
  int vals[4];
  int n = 0, pads = 0;
  auto flush = [&]() {
    uint32_t v = uint32_t(vals[0] << 18 | vals[1] << 12 | vals[2] << 6 | vals[3]);
    int bytes = 3 - pads;
    for (int k = 0; k < bytes; k++) out.push_back((v >> (16 - 8 * k)) & 0xFF);
    n = pads = 0;
  };
  for (size_t i = 0; i < len; i++) {
    uint8_t b = s[i];
    int v;
    if (b >= 'A' && b <= 'Z')
      v = b - 'A';
    else if (b >= 'a' && b <= 'z')
      v = b - 'a' + 26;
    else if (b >= '0' && b <= '9')
      v = b - '0' + 52;
    else if (enc != ENC_BASE64URL && (b == '+' || b == '/'))
      v = b == '+' ? 62 : 63;
    else if (enc != ENC_BASE64 && (b == '-' || b == '_'))
      v = b == '-' ? 62 : 63;
    else if (b == '=') {
      v = 0;
      pads++;
    } else
      continue;
    vals[n++] = v;
    if (n == 4) flush();
  }
  if (n > 0) {
    while (n < 4) {
      vals[n++] = 0;
      pads++;
    }
    flush();
  }
}

void from_uuencode(const uint8_t* s, size_t len, Chars& out) {
  auto in_line = [](uint8_t b) { return b >= 32 && b <= 95; };
  size_t i = 0;
  while (i < len) {
    if (!in_line(s[i])) {
      i++;
      continue;
    }
    int count = s[i++] - 32;
    while (count > 0 && i < len && in_line(s[i])) {
      uint32_t v = 0;
      for (int k = 0; k < 4; k++) {
        uint32_t six = (i < len && in_line(s[i])) ? uint32_t(s[i++] - 32) & 63 : 0;
        v = v << 6 | six;
      }
      for (int k = 0; k < 3 && count > 0; k++, count--) out.push_back((v >> (16 - 8 * k)) & 0xFF);
    }
    while (i < len && in_line(s[i])) i++;  // the rest of the line
  }
}

void from_url(const uint8_t* s, size_t len, Chars& out) {
  for (size_t i = 0; i < len; i++) {
    if (s[i] == '%' && i + 2 < len) {
      int h = hex_value(s[i + 1]), l = hex_value(s[i + 2]);
      if (h >= 0 && l >= 0) {
        out.push_back(uint32_t(h * 16 + l));
        i += 2;
        continue;
      }
    }
    out.push_back(s[i]);
  }
}

void from_unicode(const uint8_t* s, size_t len, Chars& out) {
  size_t i = 0;
  for (; i + 1 < len; i += 2) out.push_back(uint32_t(s[i] << 8 | s[i + 1]));
  if (i < len) out.push_back(s[i]);  // an odd last byte stands for itself
}

void from_utf8(const uint8_t* s, size_t len, Chars& out) {
  for (size_t i = 0; i < len;) {
    uint8_t b = s[i];
    int n = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 0;
    bool ok = n > 0;
    uint32_t c = n == 3 ? b & 0x07u : n == 2 ? b & 0x0Fu : b & 0x1Fu;
    for (int k = 1; ok && k <= n; k++) {
      if (i + size_t(k) >= len || (s[i + size_t(k)] & 0xC0) != 0x80)
        ok = false;
      else
        c = c << 6 | (s[i + size_t(k)] & 0x3Fu);
    }
    if (ok) {
      out.push_back(c);
      i += size_t(n) + 1;
    } else {
      out.push_back(b);  // not a sequence: the byte stands for itself
      i++;
    }
  }
}

void from_xml(const uint8_t* s, size_t len, Chars& out) {
  static const struct {
    const char* name;
    uint32_t c;
  } entities[] = {{"amp;", '&'}, {"lt;", '<'}, {"gt;", '>'}, {"apos;", '\''}, {"quot;", '"'}};
  for (size_t i = 0; i < len; i++) {
    if (s[i] != '&') {
      out.push_back(s[i]);
      continue;
    }
    size_t rest = len - i - 1;
    const uint8_t* p = s + i + 1;
    bool done = false;
    for (const auto& e : entities) {
      size_t n = std::strlen(e.name);
      if (rest >= n && std::memcmp(p, e.name, n) == 0) {
        out.push_back(e.c);
        i += n;
        done = true;
        break;
      }
    }
    if (done) continue;
    if (rest < 1 || p[0] != '#') Rpt_error(err::WRONG_FILE_KIND);
    size_t k = 1;
    bool hex = k < rest && (p[k] == 'x' || p[k] == 'X');
    if (hex) k++;
    uint32_t v = 0;
    size_t digits = 0;
    for (; k < rest && p[k] != ';'; k++, digits++) {
      int d = hex ? hex_value(p[k]) : (p[k] >= '0' && p[k] <= '9' ? p[k] - '0' : -1);
      if (d < 0) Rpt_error(err::WRONG_FILE_KIND);
      v = v * (hex ? 16 : 10) + uint32_t(d);
      if (v > 0x10FFFF) Rpt_error(err::WRONG_FILE_KIND);
    }
    if (k >= rest || digits == 0) Rpt_error(err::WRONG_FILE_KIND);  // no ";" or no digit
    out.push_back(v);
    i += k + 1;
  }
}

// RTF: only text at group depth 1 is kept.  A control word runs from its
// backslash up to a space (dropped too), a control byte, a backslash or a
// brace; "\cell" writes a tab.  The escaped symbols \\ \{ \} are their
// characters.  Line breaks in the source are not text in RTF and are dropped.
void from_rtf(const uint8_t* s, size_t len, Chars& out) {
  int depth = 0;
  for (size_t i = 0; i < len;) {
    uint8_t b = s[i];
    if (b == '{') {
      depth++;
      i++;
    } else if (b == '}') {
      if (depth > 0) depth--;
      i++;
    } else if (b == '\\') {
      if (i + 1 < len && (s[i + 1] == '\\' || s[i + 1] == '{' || s[i + 1] == '}')) {
        if (depth == 1) out.push_back(s[i + 1]);
        i += 2;
        continue;
      }
      size_t w = i + 1;
      while (w < len && s[w] != ' ' && s[w] >= 32 && s[w] != '\\' && s[w] != '{' && s[w] != '}')
        w++;
      bool cell = w - i - 1 == 4 && std::memcmp(s + i + 1, "cell", 4) == 0 &&
                  (w == len || s[w] == ' ' || s[w] == '\\');
      if (cell && depth == 1) out.push_back('\t');
      i = (w < len && s[w] == ' ') ? w + 1 : w;
    } else {
      if (depth == 1 && b != '\r' && b != '\n') out.push_back(b);
      i++;
    }
  }
  if (out.size() >= 2 && out[out.size() - 2] == '\r' && out.back() == '\n') out.resize(out.size() - 2);
}

// ---- encoders ----

void put_utf8(std::string& out, uint32_t c) {
  if (c < 0x80) {
    out.push_back(char(c));
  } else if (c < 0x800) {
    out.push_back(char(0xC0 | (c >> 6)));
    out.push_back(char(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(char(0xE0 | (c >> 12)));
    out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(char(0x80 | (c & 0x3F)));
  } else {
    out.push_back(char(0xF0 | ((c >> 18) & 0x07)));
    out.push_back(char(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(char(0x80 | (c & 0x3F)));
  }
}

std::string to_bytes(const Chars& t) {
  std::string out;
  out.reserve(t.size());
  for (uint32_t c : t) out.push_back(char(c > 255 ? NO_BYTE : c));
  return out;
}

std::string to_base64(const std::string& s, int enc, int width) {
  const char* alpha = enc == ENC_BASE64URL ? szBase64URL : szBase64;
  std::string out;
  int col = 0;
  uint8_t fs = prmblk.FS;
  for (size_t i = 0; i < s.size(); i += 3) {
    size_t n = std::min<size_t>(3, s.size() - i);
    uint32_t v = uint32_t(uint8_t(s[i])) << 16;
    if (n > 1) v |= uint32_t(uint8_t(s[i + 1])) << 8;
    if (n > 2) v |= uint8_t(s[i + 2]);
    char quad[4] = {alpha[v >> 18], alpha[(v >> 12) & 63], n > 1 ? alpha[(v >> 6) & 63] : '=',
                    n > 2 ? alpha[v & 63] : '='};
    for (char q : quad) {
      if (width > 0 && col == width) {
        out.push_back(char(fs));
        col = 0;
      }
      out.push_back(q);
      col++;
    }
  }
  return out;
}

std::string to_uuencode(const std::string& s) {
  std::string out;
  uint8_t fs = prmblk.FS;
  for (size_t at = 0; at < s.size(); at += 45) {
    if (at) out.push_back(char(fs));
    size_t n = std::min<size_t>(45, s.size() - at);
    out.push_back(char(n + 32));
    for (size_t i = 0; i < n; i += 3) {
      uint32_t v = uint32_t(uint8_t(s[at + i])) << 16;
      if (i + 1 < n) v |= uint32_t(uint8_t(s[at + i + 1])) << 8;
      if (i + 2 < n) v |= uint8_t(s[at + i + 2]);
      for (int k = 3; k >= 0; k--) out.push_back(char(((v >> (6 * k)) & 63) + 32));
    }
  }
  return out;
}

std::string to_url(const std::string& s) {
  static const char keep[] = "$-_.+!*'(),";
  std::string out;
  for (char ch : s) {
    uint8_t b = uint8_t(ch);
    if ((b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') ||
        (b && std::strchr(keep, b))) {
      out.push_back(ch);
    } else {
      out.push_back('%');
      out.push_back(hex_digits[b >> 4]);
      out.push_back(hex_digits[b & 15]);
    }
  }
  return out;
}

std::string to_xml(const Chars& t) {
  std::string out;
  for (uint32_t c : t) {
    if (c == '<')
      out += "&lt;";
    else if (c == '>')
      out += "&gt;";
    else if (c == '&')
      out += "&amp;";
    else if (c < 32 || c >= 127) {
      char buf[16];
      std::snprintf(buf, sizeof buf, "&#x%X;", unsigned(c));
      out += buf;
    } else
      out.push_back(char(c));
  }
  return out;
}

std::string to_unicode(const Chars& t) {
  std::string out;
  auto unit = [&out](uint32_t u) {
    out.push_back(char(u >> 8));
    out.push_back(char(u));
  };
  for (uint32_t c : t) {
    if (c > 0xFFFF) {
      c -= 0x10000;
      unit(0xD800 | ((c >> 10) & 0x3FF));
      unit(0xDC00 | (c & 0x3FF));
    } else {
      unit(c);
    }
  }
  return out;
}

const uint8_t* page_map(int from, int to) {
  const uint8_t* map = FindCodePage(from, to);
  if (!map) Rpt_error(err::BAD_FORMAT);
  return map;
}

}  // namespace

int Cvs_encoding(const uint8_t* p, size_t n) {
  static const struct {
    const char* name;
    int code;
  } names[] = {{"ANSI", ENC_ANSI},       {"ASCII", ENC_ANSI},        {"BASE64", ENC_BASE64},
               {"UUENCODE", ENC_UUENCODE}, {"UNICODE", ENC_UNICODE}, {"UTF8", ENC_UTF8},
               {"URL", ENC_URL},         {"BASE64URL", ENC_BASE64URL}, {"BASE64ANY", ENC_BASE64ANY},
               {"XML", ENC_XML},         {"RTF", ENC_RTF}};
  if (name_is(p, n, "NATIVE")) return (ws.Utf8_mode & 1) ? ENC_UTF8 : ENC_ANSI;
  for (const auto& e : names)
    if (name_is(p, n, e.name)) return e.code;
  if (n >= 4 && memicmp(p, "CODE", 4) == 0) {
    if (n == 4) return ENC_ANSI;
    int64_t page = 0;
    for (size_t i = 4; i < n; i++) {
      if (p[i] < '0' || p[i] > '9') Rpt_error(err::BAD_FORMAT);
      page = page * 10 + (p[i] - '0');
      if (page > 65535) Rpt_error(err::BAD_FORMAT);
    }
    return page == 0 ? ENC_ANSI : int(page);
  }
  Rpt_error(err::BAD_FORMAT);
}

std::string KestCVSTranslate(const uint8_t* src, size_t len, const uint8_t* names,
                             size_t names_len, int width) {
  if (names_len == 0) Rpt_error(err::STRING_LENGTH);
  const void* dash = std::memchr(names, '-', names_len);
  size_t cut = names_len;
  if (dash) {
    cut = size_t(static_cast<const uint8_t*>(dash) - names);
  } else {
    for (size_t i = 0; i < names_len; i++)
      if (names[i] == ':' || names[i] == '=' || names[i] == ' ') {
        cut = i;
        break;
      }
  }
  if (cut == names_len) Rpt_error(err::BAD_FORMAT);
  int from = Cvs_encoding(names, cut);
  int to = Cvs_encoding(names + cut + 1, names_len - cut - 1);
  if (to == ENC_RTF) Rpt_error(err::BAD_FORMAT);
  if (len == 0) return {};

  Chars text;
  text.reserve(len);
  switch (from) {
    case ENC_BASE64:
    case ENC_BASE64URL:
    case ENC_BASE64ANY:
      from_base64(src, len, from, text);
      break;
    case ENC_UUENCODE:
      from_uuencode(src, len, text);
      break;
    case ENC_URL:
      from_url(src, len, text);
      break;
    case ENC_UNICODE:
      from_unicode(src, len, text);
      break;
    case ENC_UTF8:
      from_utf8(src, len, text);
      break;
    case ENC_XML:
      from_xml(src, len, text);
      break;
    case ENC_RTF:
      from_rtf(src, len, text);
      break;
    default:
      text.assign(src, src + len);
      break;
  }
  if (from > 0) {
    const uint8_t* map = page_map(from, -1);
    for (uint32_t& c : text) c = map[c & 0xFF];
  }
  if (from == to) {
    if (from == ENC_UNICODE) return to_unicode(text);
    if (from == ENC_UTF8) {
      std::string out;
      for (uint32_t c : text) put_utf8(out, c);
      return out;
    }
    return to_bytes(text);
  }
  switch (to) {
    case ENC_UTF8: {
      std::string out;
      out.reserve(text.size());
      for (uint32_t c : text) put_utf8(out, c);
      return out;
    }
    case ENC_UNICODE:
      return to_unicode(text);
    case ENC_BASE64:
    case ENC_BASE64URL:
    case ENC_BASE64ANY:
      return to_base64(to_bytes(text), to, width);
    case ENC_UUENCODE:
      return to_uuencode(to_bytes(text));
    case ENC_URL:
      return to_url(to_bytes(text));
    case ENC_XML:
      return to_xml(text);
    default:
      break;
  }
  std::string out = to_bytes(text);
  if (to > 0) {
    const uint8_t* map = page_map(-1, to);
    for (char& ch : out) ch = char(map[uint8_t(ch)]);
  }
  return out;
}

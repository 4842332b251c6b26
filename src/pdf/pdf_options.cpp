// The option string of a PDF channel and its lengths.
//
// The option string is a list of tokens separated by ";" (leading blanks of
// a token skipped, blanks before a ";" removed); each token is matched
// against the keywords below without regard to case, by prefix of the
// keyword's length unless marked whole; later tokens override earlier ones
// and unknown or empty tokens are ignored.
//
// Lengths (FORM= and MARGINS=): digits accumulate one integer, "." starts
// counting decimals, "-" makes the value negative, "I" selects inches and
// "M" millimetres (the last unit letter wins), other characters are skipped;
// the value ends at ":", "X", "x" or the end.  Without a unit letter a value
// with a "." is inches and one without is thousandths of an inch.
#include <pwd.h>
#include <unistd.h>

#include <cctype>
#include <cstring>
#include <string>

#include "core/errors.h"
#include "pdf/pdf_channel.h"

namespace {

bool prefix_ci(const std::string& tok, const char* kw) {
  size_t n = std::strlen(kw);
  if (tok.size() < n) return false;
  for (size_t i = 0; i < n; ++i)
    if (std::toupper(uint8_t(tok[i])) != kw[i]) return false;
  return true;
}

bool whole_ci(const std::string& tok, const char* kw) { return tok.size() == std::strlen(kw) && prefix_ci(tok, kw); }

// Values are texts of the document; a value longer than this is cut (the
// information dictionary and the option read-back stay bounded).
constexpr size_t VALUE_MAX = 1024;

std::string value_of(const std::string& tok, const char* kw) {
  std::string v = tok.substr(std::strlen(kw));
  if (v.size() > VALUE_MAX) v.resize(VALUE_MAX);
  return v;
}

// A length, bounded: the integer part stops growing past nine digits, so
// the milli-point arithmetic below cannot overflow; the result is then
// clamped to the page bound by the caller.
int32_t get_units(const char*& p) {
  int64_t value = 0, divisor = 0;
  bool negative = false;
  char unit = 0;
  int digits = 0;
  for (; *p; ++p) {
    char c = *p;
    if (c == ':' || c == 'X' || c == 'x') {
      ++p;
      break;
    }
    if (c >= '0' && c <= '9') {
      if (digits < 9) {
        value = value * 10 + (c - '0');
        if (divisor) divisor *= 10;
        ++digits;
      }
    } else if (c == '.') {
      if (!divisor) divisor = 1;
    } else if (c == '-') {
      negative = true;
    } else if (c == 'I' || c == 'i' || c == 'M' || c == 'm') {
      unit = char(std::toupper(uint8_t(c)));
    }
  }
  int64_t mp;  // milli-points before the decimal division
  if (unit == 'I' || (unit == 0 && divisor)) mp = value * 72000;
  else if (unit == 'M') mp = value * 72000 * 10 / 254;
  else mp = value * 72;
  if (divisor) mp /= divisor;
  if (negative) mp = -mp;
  int64_t pts = mp / 1000;
  if (pts > INT32_MAX) pts = INT32_MAX;
  if (pts < INT32_MIN) pts = INT32_MIN;
  return int32_t(pts);
}

void apply_form(Pdf_doc& d, const std::string& v) {
  size_t colon = v.find(':');
  if (colon == std::string::npos) return;
  const char* p = v.c_str() + colon + 1;
  // Each size greater than 0 replaces the page's; one that comes to less
  // than a point (11 without a unit is 11 thousandths of an inch) keeps it.
  int32_t w = get_units(p);
  if (w > 0) d.page_w = w;
  int32_t h = get_units(p);
  if (h > 0) d.page_h = h;
}

void apply_margins(Pdf_doc& d, const std::string& v) {
  const char* p = v.c_str();
  int32_t* m[4] = {&d.m_left, &d.m_top, &d.m_right, &d.m_bottom};
  for (int i = 0; i < 4 && *p; ++i) {
    const char* start = p;
    int32_t x = get_units(p);
    if (x > 0) *m[i] = x;
    if (p == start) break;
  }
}

void apply_token(Pdf_doc& d, const std::string& t) {
  Pdf_options& o = *d.opts;
  if (t.empty()) return;
  if (prefix_ci(t, "FILE=")) o.file = value_of(t, "FILE=");
  else if (prefix_ci(t, "ORIENTATION=")) o.landscape = t.size() > 12 && (t[12] == 'L' || t[12] == 'l');
  else if (prefix_ci(t, "FORM=")) apply_form(d, value_of(t, "FORM="));
  else if (prefix_ci(t, "MARGINS=")) apply_margins(d, value_of(t, "MARGINS="));
  else if (prefix_ci(t, "MARGIN=")) apply_margins(d, value_of(t, "MARGIN="));
  else if (prefix_ci(t, "TITLE=")) o.title = value_of(t, "TITLE=");
  else if (prefix_ci(t, "SUBJECT=")) {
    o.subject = value_of(t, "SUBJECT=");
    o.subject_given = true;
  } else if (prefix_ci(t, "AUTHOR=")) o.author = value_of(t, "AUTHOR=");
  else if (prefix_ci(t, "PRODUCER=")) {
    o.producer = value_of(t, "PRODUCER=");
    o.producer_given = true;
  } else if (prefix_ci(t, "CREATOR=")) o.creator = value_of(t, "CREATOR=");
  else if (prefix_ci(t, "KEYWORDS=")) {
    o.keywords = value_of(t, "KEYWORDS=");
    o.keywords_given = true;
  } else if (prefix_ci(t, "NOCOMPRESSION")) o.no_compression = true;
  else if (whole_ci(t, "VIEW")) o.view = true;
  else if (whole_ci(t, "ENCRYPT")) o.encrypt = true;
  else if (prefix_ci(t, "EMBED=")) o.embed = t.size() > 6 ? t[6] : 0;
  else if (prefix_ci(t, "OWNERPSWD=")) {
    o.owner_password = value_of(t, "OWNERPSWD=");
    o.owner_given = true;
  } else if (prefix_ci(t, "OPENPSWD=")) {
    o.open_password = value_of(t, "OPENPSWD=");
    o.open_given = true;
  } else if (whole_ci(t, "NOPRINT")) o.permissions &= ~4u;
  else if (whole_ci(t, "NOEDIT")) o.permissions &= ~8u;
  else if (whole_ci(t, "NOCOPY")) o.permissions &= ~16u;
  else if (whole_ci(t, "NOENTRY")) o.permissions &= ~32u;
}

}  // namespace

int32_t Pdf_GetUnits(const char*& p) { return get_units(p); }

void Pdf_apply_options(Pdf_doc& d, const std::string& options) {
  size_t i = 0;
  while (i <= options.size()) {
    size_t end = options.find(';', i);
    if (end == std::string::npos) end = options.size();
    size_t b = i;
    while (b < end && options[b] == ' ') ++b;
    size_t e = end;
    while (e > b && options[e - 1] == ' ') --e;
    apply_token(d, options.substr(b, e - b));
    i = end + 1;
  }
  if (d.opts->landscape) std::swap(d.page_w, d.page_h);
}

std::string Pdf_login_name() {
  struct passwd pw {};
  struct passwd* r = nullptr;
  char buf[1024];
  if (getpwuid_r(getuid(), &pw, buf, sizeof buf, &r) == 0 && r && r->pw_name) return r->pw_name;
  const char* u = std::getenv("USER");
  return u ? u : "";
}

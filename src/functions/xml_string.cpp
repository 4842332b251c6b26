// XML( text building and reading.
#include "functions/xml_string.h"

#include "core/errors.h"

namespace {

bool is_white(char c) { return uint8_t(c) <= 32; }

bool starts(std::string_view s, size_t at, std::string_view w) {
  return s.size() >= at + w.size() && s.substr(at, w.size()) == w;
}

// Comment "<!--" at `at`: the position after its "-->"; error 17 when open.
size_t skip_comment(std::string_view d, size_t at) {
  size_t e = d.find("-->", at + 4);
  if (e == std::string_view::npos) Rpt_error(err::WRONG_FILE_KIND);
  return e + 3;
}

// The start tag at `at` ("<" there): name, attributes, whether it closes
// itself, and the position after its ">".
struct Start_tag {
  std::string name, attrs;
  bool closed = false;
  size_t end = 0;
};

Start_tag read_start_tag(std::string_view d, size_t at) {
  Start_tag t;
  size_t i = at + 1;
  while (i < d.size() && d[i] != '>' && uint8_t(d[i]) >= 33) i++;
  t.name.assign(d.substr(at + 1, i - at - 1));
  size_t gt = d.find('>', i);
  if (gt == std::string_view::npos) Rpt_error(err::WRONG_FILE_KIND);
  // A name written right against "/>" or "?>" does not take the slash.
  if (i == gt && !t.name.empty() && (t.name.back() == '/' || t.name.back() == '?') &&
      t.name.size() > 1) {
    t.name.pop_back();
    t.closed = true;
  }
  if (t.name.empty()) Rpt_error(err::WRONG_FILE_KIND);
  while (i < gt && is_white(d[i])) i++;
  std::string_view a = d.substr(i, gt - i);
  if (!a.empty() && (a.back() == '/' || a.back() == '?')) {
    t.closed = true;
    a.remove_suffix(1);
  }
  while (!a.empty() && is_white(a.back())) a.remove_suffix(1);
  t.attrs.assign(a);
  t.end = gt + 1;
  return t;
}

}  // namespace

std::string Xml_add(std::string_view value, std::string_view doc, const std::string_view* tag,
                    const std::string_view* attrs) {
  std::string out(doc);
  if (!tag) {
    out.append(value);
    return out;
  }
  if (!doc.empty() && doc.back() == '>') out.push_back('\n');
  if (*tag == "!") {
    out += "<!-- ";
    out.append(value);
    out += " -->";
    return out;
  }
  out.push_back('<');
  out.append(*tag);
  if (attrs && !attrs->empty()) {
    out.push_back(' ');
    out.append(*attrs);
  }
  if (value.empty()) {
    if (!tag->empty() && (*tag)[0] == '?')
      out += "?>";
    else if (!tag->empty() && (*tag)[0] == '!')
      out += ">";
    else
      out += "/>";
    return out;
  }
  out.push_back('>');
  if (value.front() == '<' && value.back() == '>') {
    out += "\n ";
    for (char c : value) {
      out.push_back(c);
      if (c == '\n') out.push_back(' ');
    }
    out.push_back('\n');
  } else {
    out.append(value);
  }
  out += "</";
  out.append(*tag);
  out.push_back('>');
  return out;
}

Xml_item Xml_next(std::string_view d, int64_t pos) {
  if (pos < 0) Rpt_error(err::SUBSTRING_RANGE);
  size_t i = pos > 0 ? size_t(pos - 1) : 0;
  Xml_item r;
  for (;;) {
    while (i < d.size() && is_white(d[i])) i++;
    if (i >= d.size()) Rpt_error(err::END_OF_FILE);
    if (d[i] != '<') {
      // Plain text up to the next "<": control bytes dropped, spaces shrunk.
      size_t e = d.find('<', i);
      if (e == std::string_view::npos) e = d.size();
      for (size_t k = i; k < e; k++) {
        uint8_t b = uint8_t(d[k]);
        if (b < 32) continue;
        if (b == ' ' && !r.content.empty() && r.content.back() == ' ') continue;
        r.content.push_back(char(b));
      }
      r.next = int64_t(e) + 1;
      return r;
    }
    if (starts(d, i, "<!--")) {
      i = skip_comment(d, i);
      continue;
    }
    break;
  }
  Start_tag t = read_start_tag(d, i);
  r.tag = t.name;
  r.attrs = t.attrs;
  if (t.closed || t.name[0] == '!') {
    r.next = int64_t(t.end) + 1;
    return r;
  }
  size_t c = t.end;
  while (c < d.size() && is_white(d[c])) c++;
  // Find the closing tag that matches, counting the elements nested inside.
  int depth = 1;
  size_t k = c, close_at = 0, after = 0;
  while (depth > 0) {
    size_t lt = d.find('<', k);
    if (lt == std::string_view::npos) Rpt_error(err::WRONG_FILE_KIND);
    if (starts(d, lt, "<!--")) {
      k = skip_comment(d, lt);
      continue;
    }
    size_t gt = d.find('>', lt);
    if (gt == std::string_view::npos) Rpt_error(err::WRONG_FILE_KIND);
    if (lt + 1 < d.size() && d[lt + 1] == '/') {
      if (--depth == 0) {
        close_at = lt;
        after = gt + 1;
      }
    } else if (d[lt + 1] != '!' && d[lt + 1] != '?' && d[gt - 1] != '/') {
      depth++;
    }
    k = gt + 1;
  }
  // The content: CR LF to LF, the indentation after a line feed dropped,
  // trailing control bytes removed.
  for (size_t p = c; p < close_at; p++) {
    char ch = d[p];
    if (ch == '\r' && p + 1 < close_at && d[p + 1] == '\n') continue;
    if (ch == ' ' && !r.content.empty() && r.content.back() == '\n') continue;
    r.content.push_back(ch);
  }
  while (!r.content.empty() && uint8_t(r.content.back()) < 32) r.content.pop_back();
  r.next = int64_t(after) + 1;
  return r;
}

std::string Xml_prop_add(std::string_view value, std::string_view attrs, std::string_view name) {
  if (name.empty()) Rpt_error(err::MISSING_RECORD);
  std::string out(attrs);
  if (!attrs.empty()) out.push_back(' ');
  out.append(name);
  if (!value.empty()) {
    bool has1 = value.find('\'') != std::string_view::npos;
    bool has2 = value.find('"') != std::string_view::npos;
    if (has1 && has2) Rpt_error(err::WRONG_FILE_KIND);
    char q = has1 ? '"' : '\'';
    out.push_back('=');
    out.push_back(q);
    out.append(value);
    out.push_back(q);
  }
  return out;
}

Xml_item Xml_prop_next(std::string_view a, int64_t pos) {
  if (pos < 0) Rpt_error(err::SUBSTRING_RANGE);
  size_t i = pos > 0 ? size_t(pos - 1) : 0;
  for (;;) {
    while (i < a.size() && is_white(a[i])) i++;
    if (starts(a, i, "--")) {
      size_t e = a.find("--", i + 2);
      if (e == std::string_view::npos) Rpt_error(err::WRONG_FILE_KIND);
      i = e + 2;
      continue;
    }
    break;
  }
  if (i >= a.size()) Rpt_error(err::END_OF_FILE);
  Xml_item r;
  size_t n = i;
  while (n < a.size() && a[n] != '=' && !is_white(a[n])) n++;
  r.tag.assign(a.substr(i, n - i));
  size_t v = n;
  while (v < a.size() && is_white(a[v])) v++;
  if (v < a.size() && a[v] == '=') {
    v++;
    while (v < a.size() && is_white(a[v])) v++;
    if (v < a.size() && (a[v] == '\'' || a[v] == '"')) {
      size_t e = a.find(a[v], v + 1);
      if (e == std::string_view::npos) Rpt_error(err::WRONG_FILE_KIND);
      r.content.assign(a.substr(v + 1, e - v - 1));
      n = e + 1;
    } else {
      size_t e = v;
      while (e < a.size() && !is_white(a[e])) e++;
      r.content.assign(a.substr(v, e - v));
      n = e;
    }
  }
  r.next = int64_t(n) + 1;
  return r;
}

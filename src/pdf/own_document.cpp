// The own PDF writer's document layer (layout in own_document.h).
#include "pdf/own_document.h"

#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "core/errors.h"
#include "core/zlib_loader.h"
#include "pdf/own_fonts.h"

namespace {

constexpr size_t OUT_CHUNK = 1 << 16;

std::string fmt(const char* f, ...) __attribute__((format(printf, 1, 2)));
std::string fmt(const char* f, ...) {
  char b[256];
  va_list ap;
  va_start(ap, f);
  int n = std::vsnprintf(b, sizeof b, f, ap);
  va_end(ap);
  if (n < 0) return std::string();
  return std::string(b, size_t(n) < sizeof b ? size_t(n) : sizeof b - 1);
}

// zlib's compress of the whole text; empty when zlib is missing or fails.
std::string deflate(const std::string& in) {
  if (!CheckZlib()) return std::string();
  std::string out;
  out.resize(in.size() + in.size() / 1000 + 64);
  int64_t n = ZlibCompressToBfr(reinterpret_cast<uint8_t*>(out.data()), out.size(),
                                reinterpret_cast<const uint8_t*>(in.data()), in.size());
  if (n < 0) return std::string();
  out.resize(size_t(n));
  return out;
}

}  // namespace

Pdf_writer::Pdf_writer(int fd, const Pdf_writer_settings& s) : fd_(fd), s_(s) { out_.reserve(OUT_CHUNK * 2); }

Pdf_writer::~Pdf_writer() = default;

void Pdf_writer::put(const char* p, size_t n) {
  out_.append(p, n);
  offset_ += int64_t(n);
  if (out_.size() >= OUT_CHUNK) push_out();
}

void Pdf_writer::line(const std::string& s) {
  put(s);
  put("\r\n", 2);
}

void Pdf_writer::push_out() {
  size_t done = 0;
  while (done < out_.size() && !write_errno_) {
    ssize_t w = ::write(fd_, out_.data() + done, out_.size() - done);
    if (w < 0) {
      if (errno == EINTR) continue;
      write_errno_ = errno;
      break;
    }
    if (w == 0) {
      write_errno_ = ENOSPC;
      break;
    }
    done += size_t(w);
  }
  out_.clear();
}

int32_t Pdf_writer::start_object() {
  offsets_.push_back(offset_);
  int32_t n = int32_t(offsets_.size());
  line(fmt("%d 0 obj", n));
  return n;
}

void Pdf_writer::end_object() { line("endobj"); }

void Pdf_writer::write_stream(const std::string& dict_head, const std::string& bytes, bool compress) {
  std::string z;
  if (compress) z = deflate(bytes);
  const std::string& body = z.empty() ? bytes : z;
  std::string d = "<< " + dict_head + fmt(" /Length %zu", body.size());
  if (!z.empty()) d += " /Filter /FlateDecode";
  line(d + " >>");
  put("stream\r\n", 8);
  put(body);
  line("\nendstream");
}

bool Pdf_writer::encode_text(std::string& out, const uint8_t* p, size_t n, bool ampersand) {
  bool escaped = false;
  for (size_t i = 0; i < n; ++i) {
    uint8_t c = p[i];
    if (c == 9) {
      out.append(8, ' ');
      continue;
    }
    if (ampersand && c == '&') {
      if (i + 1 >= n) break;
      c = p[++i];
      if (c != '&') escaped = true;
    }
    if (c == '(' || c == ')' || c == '\\') {
      out += '\\';
      out += char(c);
    } else {
      out += char(c < 32 ? ' ' : c);
    }
  }
  return escaped;
}

void Pdf_writer::encode_info(std::string& out, const std::string& v) {
  for (unsigned char c : v) {
    if (c == '(' || c == ')' || c == '\\') {
      out += '\\';
      out += char(c);
    } else if (c < 32 || c == 127) {
      char b[8];
      std::snprintf(b, sizeof b, "\\%03o", c);
      out += b;
    } else {
      out += char(c);
    }
  }
}

void Pdf_writer::begin() {
  line("%PDF-1.4");
  line("%\xE2\xE3\xCF\xD3");
  start_object();
  line("<<");
  auto info = [&](const char* key, const std::string& v) {
    std::string s = std::string("/") + key + " (";
    encode_info(s, v);
    line(s + ")");
  };
  info("Producer", s_.producer);
  info("Author", s_.author);
  line("/CreationDate (D:" + s_.creation_date + ")");
  info("Creator", s_.creator);
  info("Keywords", s_.keywords);
  info("Subject", s_.subject);
  info("Title", s_.title);
  line("/ModDate ()");
  line(">>");
  end_object();
}

void Pdf_writer::start_page() {
  if (page_open_) return;
  page_.clear();
  page_open_ = true;
}

void Pdf_writer::end_page() {
  if (!page_open_) return;
  page_open_ = false;
  int32_t n = start_object();
  write_stream("", page_, s_.compress);
  end_object();
  contents_.push_back(n);
  page_.clear();
  // A full disk or a file-size limit shows at the page that met it.
  if (write_errno_) {
    errno = write_errno_;
    Sys_error();
  }
}

int Pdf_writer::font_resource(int row) {
  for (const Font_use& f : fonts_)
    if (f.row == row) return f.resource;
  int res = int(fonts_.size()) + 1;
  fonts_.push_back({row, res, 0});
  return res;
}

int Pdf_writer::add_picture(const Pdf_picture& p) {
  // Pictures are JPEG files, written as they stand.
  int number = int(images_.size()) + 1;
  int32_t obj = start_object();
  std::string head = fmt("/Type /XObject /Subtype /Image /Width %d /Height %d", p.width, p.height);
  head += p.components == 1 ? " /ColorSpace /DeviceGray" : p.components == 4 ? " /ColorSpace /DeviceCMYK" : " /ColorSpace /DeviceRGB";
  head += fmt(" /BitsPerComponent %d", p.bits);
  head += " /Filter /DCTDecode";
  if (p.components == 4) head += " /Decode [1 0 1 0 1 0 1 0]";
  head += fmt(" /Length %zu /Name /Im%d", p.data.size(), number);
  line("<< " + head + " >>");
  put("stream\r\n", 8);
  put(p.data);
  line("\nendstream");
  end_object();
  images_.push_back(obj);
  return number;
}

void Pdf_writer::bookmark(const std::vector<std::string>& titles, int32_t page, int32_t x, int32_t y,
                          uint32_t colour, int style, bool ampersand) {
  if (titles.empty()) return;
  std::vector<std::unique_ptr<Pdf_outline_node>>* list = &outline_;
  Pdf_outline_node* node = nullptr;
  for (const std::string& t : titles) {
    node = nullptr;
    for (auto& n : *list)
      if (n->title == t) {
        node = n.get();
        break;
      }
    if (!node) {
      list->push_back(std::make_unique<Pdf_outline_node>());
      node = list->back().get();
      node->title = t;
    }
    list = &node->children;
  }
  node->page = page;
  node->x = x;
  node->y = y;
  node->colour = colour;
  node->style = style;
  node->ampersand = ampersand;
}

void Pdf_writer::assign_ids(std::vector<std::unique_ptr<Pdf_outline_node>>& list, int32_t& next) {
  for (auto& n : list) {
    n->id = next++;
    assign_ids(n->children, next);
  }
}

void Pdf_writer::write_outline(std::vector<std::unique_ptr<Pdf_outline_node>>& list, int32_t parent) {
  for (size_t i = 0; i < list.size(); ++i) {
    Pdf_outline_node& n = *list[i];
    int32_t id = start_object();
    (void)id;  // equals n.id: objects follow the ids' depth-first order
    std::string t = "<< /Title (";
    encode_text(t, reinterpret_cast<const uint8_t*>(n.title.data()), n.title.size(), n.ampersand);
    line(t + ")");
    line(fmt("/Parent %d 0 R", parent));
    if (i > 0) line(fmt("/Prev %d 0 R", list[i - 1]->id));
    if (i + 1 < list.size()) line(fmt("/Next %d 0 R", list[i + 1]->id));
    if (!n.children.empty()) {
      line(fmt("/First %d 0 R", n.children.front()->id));
      line(fmt("/Last %d 0 R", n.children.back()->id));
      line(fmt("/Count %d", -int(n.children.size())));
    }
    int32_t page = n.page < 1 ? 1 : n.page;
    int32_t pages = int32_t(contents_.size());
    if (page > pages) page = pages;
    line(fmt("/Dest [%d 0 R /XYZ %d %d null]", page_base_ + page, s_.m_left + n.x, s_.page_h - (s_.m_top + n.y)));
    if (n.colour != 0)
      line(fmt("/C [%.3f %.3f %.3f]", ((n.colour >> 16) & 255) / 255.0, ((n.colour >> 8) & 255) / 255.0,
               (n.colour & 255) / 255.0));
    if (n.style) line(fmt("/F %d", n.style));
    line(">>");
    end_object();
    write_outline(n.children, n.id);
  }
}

void Pdf_writer::finish() {
  end_page();
  for (Font_use& f : fonts_) {
    f.object = start_object();
    line("<< /Type /Font");
    line("/Subtype /Type1");
    line(fmt("/Name /F%d", f.resource));
    line(std::string("/BaseFont /") + Pdf_BuiltinFontList[f.row].name);
    // Symbol and ZapfDingbats keep their own built-in encodings.
    if (f.row < 12) line("/Encoding /WinAnsiEncoding");
    line(">>");
    end_object();
  }
  int32_t pages = int32_t(contents_.size());
  int32_t P = int32_t(offsets_.size()) + 1;  // Pages
  int32_t R = P + 1;                         // Resources
  page_base_ = R;                            // pages are R + 1 .. R + pages
  start_object();
  line("<< /Type /Pages");
  std::string kids = "/Kids [";
  for (int32_t i = 1; i <= pages; ++i) {
    kids += fmt("%d 0 R", page_base_ + i);
    if (kids.size() > 200) {
      line(kids);
      kids.clear();
    } else if (i < pages) {
      kids += ' ';
    }
  }
  line(kids + "]");
  line(fmt("/Count %d", pages));
  line(">>");
  end_object();
  start_object();
  line("<< /ProcSet [ /PDF /Text /ImageC]");
  std::string x = "/XObject << ";
  for (size_t i = 0; i < images_.size(); ++i) x += fmt("/Im%zu %d 0 R ", i + 1, images_[i]);
  line(x + ">>");
  std::string fl = "/Font << ";
  for (const Font_use& f : fonts_) fl += fmt("/F%d %d 0 R ", f.resource, f.object);
  line(fl + ">>");
  line(">>");
  end_object();
  for (int32_t i = 0; i < pages; ++i) {
    start_object();
    line("<< /Type /Page");
    line(fmt("/Parent %d 0 R", P));
    line(fmt("/MediaBox [ 0 0 %d %d]", s_.page_w, s_.page_h));
    line(fmt("/Contents %d 0 R", contents_[size_t(i)]));
    line(fmt("/Resources %d 0 R", R));
    line(">>");
    end_object();
  }
  int32_t O = int32_t(offsets_.size()) + 1;
  start_object();
  line("<< /Type /Outlines");
  if (!outline_.empty() && pages > 0) {
    int32_t next = O + 1;
    assign_ids(outline_, next);
    line(fmt("/First %d 0 R", outline_.front()->id));
    line(fmt("/Last %d 0 R", outline_.back()->id));
    line(fmt("/Count %zu", outline_.size()));
  } else {
    line("/Count 0");
  }
  line(">>");
  end_object();
  bool marks = !outline_.empty() && pages > 0;
  if (marks) write_outline(outline_, O);
  int32_t C = start_object();
  line("<< /Type /Catalog");
  line(fmt("/Pages %d 0 R", P));
  line(fmt("/Outlines %d 0 R", O));
  if (marks) line("/PageMode /UseOutlines");
  line(">>");
  end_object();
  int64_t xref = offset_;
  int32_t N = int32_t(offsets_.size()) + 1;
  line("xref");
  line(fmt("0 %d", N));
  line("0000000000 65535 f");
  for (int64_t o : offsets_) line(fmt("%010lld 00000 n", static_cast<long long>(o)));
  line("trailer");
  line(fmt("<< /Size %d", N));
  line(fmt("/Root %d 0 R", C));
  line("/Info 1 0 R");
  line(">>");
  line("startxref");
  line(fmt("%lld", static_cast<long long>(xref)));
  line("%%EOF");
  push_out();
  if (write_errno_) {
    errno = write_errno_;
    Sys_error();
  }
}

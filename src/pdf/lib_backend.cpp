// The PDF library back end: documents, information, compression,
// encryption and permissions, pages, bookmarks and CLOSE.
//
// The library keeps the whole document in memory and writes it only at
// CLOSE: HPDF_SaveToFile into the channel's temporary file, named through
// the descriptor the channel created ("/proc/self/fd/N"), never by its name
// in the directory, which another user may have replaced by then; the
// channel then renames that file over the document's name.  The document
// always has a page (OPEN makes the first), so CLOSE always saves it; an
// abandoned one ('AB') with the pages made before it.
#include "pdf/lib_backend.h"

#include <ctime>
#include <unistd.h>

#include "core/errors.h"
#include "core/process_config.h"
#include "channels/print.h"
#include "core/params.h"
#include "core/switches.h"
#include "core/workspace.h"
#include "terminal/terminal.h"

namespace {

constexpr const char* DEFAULT_OWNER_PASSWORD = "mirelant";
constexpr const char* DEFAULT_PRODUCER = "https://oru-basic.org/pdf";
constexpr const char* ZLIB_MODULE = "oruzlib1.dll";

// Frees a document of the library on every way out.
void free_doc(Lib_font_ctx& fonts) {
  if (fonts.doc && Hpdf.HPDF_Free) Hpdf.HPDF_Free(fonts.doc);
  fonts.doc = nullptr;
}

// Raises error 15 with what the library's error handler recorded.
[[noreturn]] void library_error(const char* what) {
  std::string t = what;
  if (!Hpdf_last_error().empty()) {
    t += ": ";
    t += Hpdf_last_error();
    while (!t.empty() && t.back() == '\n') t.pop_back();
  }
  Rpt_error_text(err::OPERATION_FAILED, t);
}

}  // namespace

bool Pdf_bad_mnemonics_ignored() {
  Fcb* f = ws.Cur_fcb;
  return (f && (f->in_status & IN_IGNORE_BAD)) || Sw_on(sw::EG);
}

void ExtractColors(uint32_t rgb, float* r, float* g, float* b) {
  *r = float(((rgb >> 16) & 0xFF) / 255.0);
  *g = float(((rgb >> 8) & 0xFF) / 255.0);
  *b = float((rgb & 0xFF) / 255.0);
}

Lib_backend::Lib_backend(Pdf_doc&) {}

Lib_backend::~Lib_backend() {
  free_doc(fonts);
  if (Hpdf.HPDF_FreeZLib) Hpdf.HPDF_FreeZLib();
}

Pdf_backend* Pdf_new_lib_backend(Pdf_doc& d) {
  Pdf_LoadLibHaru_L();
  if (!LibHaruReady_L()) Rpt_error_text(err::OPERATION_FAILED, "Unable to load/locate functions from Tessaron PDF library");
  return new Lib_backend(d);
}

hpdf::Handle Lib_backend::page() const { return fonts.doc ? Hpdf.HPDF_GetCurrentPage(fonts.doc) : nullptr; }

void Lib_backend::open(Pdf_doc& d) {
  Hpdf.HPDF_LoadZLib(ZLIB_MODULE);
  Hpdf_clear_last_error();
  Pdf_options& o = *d.opts;
  fonts.doc = Hpdf.HPDF_New(HPDF_ErrorHandler, nullptr);
  if (!fonts.doc) library_error("the PDF library cannot create a document");
  fonts.encoding = encoding.c_str();
  hpdf::Handle doc = fonts.doc;
  std::string author = o.author.empty() ? Pdf_login_name() : o.author;
  Hpdf.HPDF_SetInfoAttr(doc, hpdf::INFO_AUTHOR, author.c_str());
  Hpdf.HPDF_SetInfoAttr(doc, hpdf::INFO_CREATOR, o.creator.c_str());
  Hpdf.HPDF_SetInfoAttr(doc, hpdf::INFO_TITLE, o.title.c_str());
  Hpdf.HPDF_SetInfoAttr(doc, hpdf::INFO_SUBJECT, o.subject_given ? o.subject.c_str() : "No Subject");
  Hpdf.HPDF_SetInfoAttr(doc, hpdf::INFO_KEYWORDS, o.keywords_given ? o.keywords.c_str() : "none");
  Hpdf.HPDF_SetInfoAttr(doc, hpdf::INFO_PRODUCER, o.producer_given ? o.producer.c_str() : DEFAULT_PRODUCER);
  Hpdf.HPDF_SetCompressionMode(doc, o.no_compression ? hpdf::COMP_NONE : hpdf::COMP_ALL);

  // Encryption.  A refusal of the library (an open password equal to the
  // owner password, for one) is an error of OPEN: the program asked for a
  // protected document and must not get a plain one.
  std::string owner = o.owner_password;
  if (o.encrypt && owner.empty()) owner = DEFAULT_OWNER_PASSWORD;
  if (!owner.empty()) {
    if (Hpdf.HPDF_SetPassword(doc, owner.c_str(), o.open_password.c_str()) != 0)
      library_error("PDF passwords refused");
    if (o.encrypt && Hpdf.HPDF_SetEncryptionMode(doc, hpdf::ENCRYPT_R3, 0) != 0)
      library_error("PDF encryption refused");
    if (Hpdf.HPDF_SetPermission(doc, o.permissions) != 0) library_error("PDF permissions refused");
  }
  char embed = o.embed ? o.embed : Kest_cfg.pdf_embed;
  if (embed == 'N' || embed == 'n') fonts.flags |= LIBDOC_NO_TRUETYPE;
  else if (embed == 'A' || embed == 'a') fonts.flags |= LIBDOC_TRUETYPE_ONLY;

  // The first page, so that fonts can be measured on it.
  d.page_state = PDF_NO_PAGE;
  DocStartPage(d);
  print_font = Lib_font();
  print_font.face = "Courier";
  print_font.font = Pdf_AllocateFont("Courier", 0, fonts);
  Pdf_ChkFontVariable(print_font);
  gr_font = print_font;
  HPDFSetFontAndSize(page(), gr_font.font, gr_font.size);
  d.line_h = int32_t(int64_t(print_font.size) * 1000 * Kest_cfg.pdf_factor);
  d.char_w = GetCurPageFontWidth(print_font) * print_font.size;
  Pdf_SetXY(d, print_font.flags & PFF_PROPORTIONAL);

  std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  hpdf::Date date{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, ' ', 0, 0};
  Hpdf.HPDF_SetInfoDateAttr(doc, hpdf::INFO_CREATION_DATE, date);
}

void Lib_backend::DocStartPage(Pdf_doc& d) {
  if (d.page_state != PDF_NO_PAGE || !fonts.doc) return;
  d.page_state = PDF_PAGE_OPEN;
  d.high_col = 0;
  hpdf::Handle pg = Hpdf.HPDF_AddPage(fonts.doc);
  if (!pg) library_error("the PDF library cannot add a page");
  Hpdf.HPDF_Page_SetWidth(pg, hpdf::REAL(d.page_w));
  Hpdf.HPDF_Page_SetHeight(pg, hpdf::REAL(d.page_h));
  if (gr_font.font) HPDFSetFontAndSize(pg, gr_font.font, gr_font.size);
  Hpdf.HPDF_Page_SetLineJoin(pg, 1);
  SetPen();
  SetBrush();
}

void Lib_backend::DocEndPage(Pdf_doc& d) {
  if (d.page_state == PDF_PAGE_OPEN) d.page_state = PDF_NO_PAGE;
}

void Lib_backend::start_page(Pdf_doc& d) {
  if (d.page_state == PDF_ABANDONED) return;
  DocStartPage(d);
}

void Lib_backend::pos(Pdf_doc& d, int32_t line, int32_t column) {
  if (line != d.line && alt_active && (d.text_flags & PTF_LINE_BOUND_ALT)) {
    Pdf_SetAltFont(d, nullptr);
    d.text_flags &= ~uint32_t(PTF_LINE_BOUND_ALT);
  }
  alt_adjust = int64_t(column) * alt_per_col;
  d.line = line;
  d.column = column;
  Pdf_SetCurXY(d);
  d.high_col = column;
}

int64_t Lib_backend::bytes_left(const Pdf_doc&) { return flow_active ? int64_t(flow.size() - flow_at) : 0; }

int64_t Lib_backend::text_used(const Pdf_doc&) { return last_points_used * 100; }

// ---- bookmarks ----

void Lib_backend::Pdf_Option(Pdf_doc& d, const uint8_t* p, uint32_t n, bool long_value) {
  std::string name, value;
  if (!Pdf_option_arg(p, n, long_value, name, value)) return Err_mnemonic();
  for (char& c : name)
    if (c >= 'a' && c <= 'z') c = char(c - 32);
  if (name == "BOOKMARK") Pdf_BookMark(d, reinterpret_cast<const uint8_t*>(value.data()), value.size());
}

void Lib_backend::Pdf_BookMark(Pdf_doc& d, const uint8_t* p, size_t n) {
  std::vector<std::unique_ptr<Lib_mark>>* level = &marks;
  Lib_mark* node = nullptr;
  for (const std::string& title : Pdf_bookmark_titles(std::string(reinterpret_cast<const char*>(p), n))) {
    node = nullptr;
    for (auto& m : *level)
      if (m->title == title) node = m.get();
    if (!node) {
      level->push_back(std::make_unique<Lib_mark>());
      node = level->back().get();
      node->title = title;
    }
    level = &node->children;
  }
  if (!node) return;
  node->page = page();
  node->x = d.cur_x;
  node->y = d.cur_y;
  node->attr = d.attr;
}

namespace {

// Outline items, depth first: an item with children gets no destination of
// its own; a leaf opens its page at the top.
void outline_output(hpdf::Handle doc, const std::vector<std::unique_ptr<Lib_mark>>& list, hpdf::Handle parent) {
  for (const auto& m : list) {
    hpdf::Handle item = Hpdf.HPDF_CreateOutline(doc, parent, m->title.c_str(), nullptr);
    if (!item) continue;
    if (m->children.empty()) {
      if (m->page) {
        hpdf::Handle dst = Hpdf.HPDF_Page_CreateDestination(m->page);
        if (dst) {
          Hpdf.HPDF_Destination_SetXYZ(dst, 0.0f, Hpdf.HPDF_Page_GetHeight(m->page), 1.0f);
          Hpdf.HPDF_Outline_SetDestination(item, dst);
        }
      }
    } else {
      outline_output(doc, m->children, item);
    }
  }
}

}  // namespace

bool Lib_backend::finish(Pdf_doc& d) {
  if (!LibHaruReady_L() || !fonts.doc) return false;
  if (d.page_state != PDF_ABANDONED) flush(d);
  Pdf_TextClose();
  outline_output(fonts.doc, marks, nullptr);
  DocEndPage(d);
  // An error left by the last operations is not the save's.
  Hpdf.HPDF_ResetError(fonts.doc);
  Hpdf_clear_last_error();
  // The file the channel's descriptor holds, whatever its name now is.
  std::string through_fd = "/proc/self/fd/" + std::to_string(d.tmp_fd);
  hpdf::STATUS rc = d.tmp_fd >= 0 ? Hpdf.HPDF_SaveToFile(fonts.doc, through_fd.c_str()) : 1;
  free_doc(fonts);
  images.clear();
  marks.clear();
  if (rc != 0) library_error("the PDF library cannot write the document");
  return true;
}

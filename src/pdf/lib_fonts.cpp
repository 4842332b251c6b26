// Fonts of the PDF library back end (see lib_fonts.h).
#include "pdf/lib_fonts.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>

#include "core/process_config.h"

const Builtin_font Lib_builtin_fonts[14] = {
    {"Courier", "Courier", 0},
    {"Courier-Bold", "Courier", 1},
    {"Courier-Oblique", "Courier", 2},
    {"Courier-BoldOblique", "Courier", 3},
    {"Helvetica", "Helvetica", 4},
    {"Helvetica-Bold", "Helvetica", 5},
    {"Helvetica-Oblique", "Helvetica", 6},
    {"Helvetica-BoldOblique", "Helvetica", 7},
    {"Times-Roman", "Times", 4},
    {"Times-Bold", "Times", 5},
    {"Times-Italic", "Times", 6},
    {"Times-BoldItalic", "Times", 7},
    {"Symbol", "Symbol", 4},
    {"ZapfDingbats", "ZapfDingbats", 4},
};

namespace {

char fold(char c) { return c >= 'a' && c <= 'z' ? char(c - 32) : c; }

bool equal_ci(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); i++)
    if (fold(a[i]) != fold(b[i])) return false;
  return true;
}

// Case-blind substring test; an empty part is found.
bool contains_ci(const std::string& text, const std::string& part) {
  if (part.empty()) return true;
  if (part.size() > text.size()) return false;
  for (size_t i = 0; i + part.size() <= text.size(); i++) {
    size_t k = 0;
    while (k < part.size() && fold(text[i + k]) == fold(part[k])) k++;
    if (k == part.size()) return true;
  }
  return false;
}

std::string trim(const char* s) {
  std::string t(s);
  const char* blanks = " \t\r\n";
  size_t a = t.find_first_not_of(blanks);
  if (a == std::string::npos) return {};
  size_t b = t.find_last_not_of(blanks);
  return t.substr(a, b - a + 1);
}

bool ttf_name(const std::string& n) {
  return n.size() > 4 && equal_ci(n.substr(n.size() - 4), ".ttf");
}

constexpr int SCAN_DEPTH = 4;
constexpr size_t SCAN_MAX_FILES = 4096;

void scan_dir(const std::string& dir, int depth, Tt_info_fn info, std::vector<FontProps>* list, size_t* files) {
  DIR* d = ::opendir(dir.c_str());
  if (!d) return;
  std::vector<std::string> names;
  while (dirent* e = ::readdir(d)) {
    std::string n = e->d_name;
    if (n != "." && n != "..") names.push_back(n);
  }
  ::closedir(d);
  std::sort(names.begin(), names.end());
  for (const std::string& n : names) {
    if (*files >= SCAN_MAX_FILES) return;
    std::string path = dir + "/" + n;
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) continue;
    if (S_ISDIR(st.st_mode)) {
      if (depth < SCAN_DEPTH) scan_dir(path, depth + 1, info, list, files);
      continue;
    }
    if (!S_ISREG(st.st_mode) || !ttf_name(n)) continue;
    ++*files;
    FontProps p;
    if (!GetFontProp(info, path, &p)) continue;
    if (!FontExist(*list, p)) list->push_back(std::move(p));
  }
}

std::vector<FontProps> tt_list;
bool tt_scanned = false;

}  // namespace

std::string Tt_qualified_name(const std::string& family, bool bold, bool italic) {
  std::string suffix;
  if (bold && family.find("Bold") == std::string::npos) suffix = "Bold";
  if (italic && family.find("Italic") == std::string::npos && family.find("Oblique") == std::string::npos)
    suffix += "Oblique";
  return suffix.empty() ? std::string() : family + "-" + suffix;
}

bool GetFontProp(Tt_info_fn info, const std::string& path, FontProps* out) {
  if (!info) return false;
  // The library fills buffers of 260 bytes; the extra NUL bounds a reply
  // that forgot its own.
  char family[261] = {}, name[261] = {};
  hpdf::UINT flags = 0;
  if (info(path.c_str(), family, name, &flags) != 0) return false;
  family[260] = name[260] = '\0';
  FontProps p;
  p.family = trim(family);
  if (p.family.empty()) return false;
  p.name = trim(name);
  p.path = trim(path.c_str());
  p.bold = flags & 0x40000;
  p.italic = flags & 0x40;
  p.qualified = Tt_qualified_name(p.family, p.bold, p.italic);
  *out = std::move(p);
  return true;
}

bool FontExist(const std::vector<FontProps>& list, const FontProps& e) {
  for (const FontProps& p : list)
    if (equal_ci(p.family, e.family) && p.bold == e.bold && p.italic == e.italic &&
        equal_ci(p.qualified, e.qualified))
      return true;
  return false;
}

std::vector<FontProps> ScanFontFiles(const std::string& dir, Tt_info_fn info) {
  std::vector<FontProps> list;
  if (dir.empty() || !info) return list;
  size_t files = 0;
  scan_dir(dir, 0, info, &list, &files);
  return list;
}

const FontProps* Tt_best_font(const std::vector<FontProps>& list, const std::string& face, bool bold, bool italic) {
  int mask = MakeBitMask(bold, italic);
  const FontProps* qualified_any = nullptr;
  const FontProps* contains_same = nullptr;
  const FontProps* contains_any = nullptr;
  for (const FontProps& p : list) {
    bool same = MakeBitMask(p.bold, p.italic) == mask;
    bool q_equal = !p.qualified.empty() && equal_ci(p.qualified, face);
    if (same && (equal_ci(p.family, face) || q_equal)) return &p;
    if (q_equal && !qualified_any) qualified_any = &p;
    if (contains_ci(p.family, face)) {
      if (same && !contains_same) contains_same = &p;
      if (!contains_any) contains_any = &p;
    }
  }
  if (qualified_any) return qualified_any;
  if (contains_same) return contains_same;
  return contains_any;
}

int GetBuildInFontIndex(const std::string& face, int style) {
  for (int i = 0; i < 14; i++)
    if (equal_ci(Lib_builtin_fonts[i].family, face) && (Lib_builtin_fonts[i].style & 3) == (style & 3)) return i;
  for (int i = 0; i < 14; i++)
    if (face == Lib_builtin_fonts[i].base) return i;
  return -1;
}

bool InitTTFontsList() {
  if (!tt_scanned && Hpdf.HPDF_GetTTFontInfoFromFile) {
    tt_list = ScanFontFiles(Kest_cfg.pdf_font_dir, Hpdf.HPDF_GetTTFontInfoFromFile);
    tt_scanned = true;
  }
  return tt_scanned;
}

void DeleteTTFontsList() {
  tt_list.clear();
  tt_list.shrink_to_fit();
  tt_scanned = false;
}

const std::vector<FontProps>& Tt_fonts() { return tt_list; }

const FontProps* GetFontProps(const std::string& face, bool bold, bool italic) {
  if (!LibHaruReady_L()) return nullptr;
  return Tt_best_font(tt_list, face, bold, italic);
}

std::string GetFontFile(const std::string& face, bool bold, bool italic) {
  const FontProps* p = GetFontProps(face, bold, italic);
  return p ? p->path : std::string();
}

std::string Lib_mapped_face(const std::string& face) {
  static const char* const map[][2] = {
      {"Arial", "Helvetica"}, {"MS Sans Serif", "Helvetica"}, {"Microsoft Sans Serif", "Helvetica"},
      {"Tahoma", "Helvetica"}, {"Verdana", "Helvetica"},   {"Times New Roman", "Times"},
      {"Courier New", "Courier"},
  };
  for (const auto& m : map)
    if (equal_ci(face, m[0])) return m[1];
  return {};
}

hpdf::Handle Pdf_AllocateFont(const std::string& face, int style, Lib_font_ctx& ctx) {
  if (!LibHaruReady_L() || !ctx.doc) return nullptr;
  hpdf::Handle doc = ctx.doc;
  auto helvetica = [&] { return Hpdf.HPDF_GetFont(doc, "Helvetica", ctx.encoding); };
  // An error left over from earlier output must not turn this font into the
  // fallback; it has been recorded by the error handler already.
  Hpdf.HPDF_ResetError(doc);
  if (face.empty()) return helvetica();
  hpdf::Handle font = nullptr;
  if (!(ctx.flags & LIBDOC_TRUETYPE_ONLY)) {
    int row = GetBuildInFontIndex(face, style);
    if (row >= 0) {
      // The row's own base-font name, so that a bold or italic request of a
      // family gets that variant and not the family's plain font.
      font = Hpdf.HPDF_GetFont(doc, Lib_builtin_fonts[row].base, ctx.encoding);
      if (!font) Hpdf.HPDF_ResetError(doc);
    }
  }
  if (!font) {
    // EMBED=N keeps the TrueType fonts out of the font list only.
    const FontProps* entry = GetFontProps(face, style & 1, style & 2);
    if (entry) {
      for (int i = 0; i < ctx.cache_count; i++)
        if (ctx.cache_entry[i] == entry) return ctx.cache_font[i];
      if (ctx.cache_count >= TT_CACHE_MAX) return helvetica();
      // The file is checked again as it is now (the reader refuses a font
      // whose tables the library would read beyond): it may have changed
      // since the list was made.
      FontProps now;
      const char* loaded = nullptr;
      bool sound = GetFontProp(Hpdf.HPDF_GetTTFontInfoFromFile, entry->path, &now);
      if (sound) loaded = Hpdf.HPDF_LoadTTFontFromFile(doc, entry->path.c_str(), 1);
      if (sound && Hpdf.HPDF_GetError(doc) == hpdf::ERR_TTF_CANNOT_EMBED && !(ctx.flags & LIBDOC_TRUETYPE_ONLY)) {
        Hpdf.HPDF_ResetError(doc);
        loaded = Hpdf.HPDF_LoadTTFontFromFile(doc, entry->path.c_str(), 0);
      }
      hpdf::STATUS err = Hpdf.HPDF_GetError(doc);
      if (err && err != hpdf::ERR_FONT_EXISTS) loaded = nullptr;
      Hpdf.HPDF_ResetError(doc);
      font = loaded ? Hpdf.HPDF_GetFont(doc, loaded, ctx.encoding) : helvetica();
      ctx.cache_entry[ctx.cache_count] = entry;
      ctx.cache_font[ctx.cache_count] = font;
      ctx.cache_count++;
    } else {
      // A common face name stands for a standard family of the same kind.
      std::string mapped = Lib_mapped_face(face);
      int row = mapped.empty() || (ctx.flags & LIBDOC_TRUETYPE_ONLY) ? -1 : GetBuildInFontIndex(mapped, style);
      if (row >= 0) {
        font = Hpdf.HPDF_GetFont(doc, Lib_builtin_fonts[row].base, ctx.encoding);
      } else {
        font = helvetica();
      }
    }
  }
  if (Hpdf.HPDF_GetError(doc)) {
    Hpdf.HPDF_ResetError(doc);
    return helvetica();
  }
  return font ? font : helvetica();
}

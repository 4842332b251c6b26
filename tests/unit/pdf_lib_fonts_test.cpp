// The PDF library back end's loader, its TrueType font list and font
// allocation, and the font-information entry point of libhzef.so.
#include <dirent.h>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <fstream>

#include "core/process_config.h"
#include "pdf/lib_api.h"
#include "pdf/lib_fonts.h"
#include "pdf/pdf_channel.h"
#include "test_util.h"

namespace {

FontProps font(const std::string& family, bool bold, bool italic) {
  FontProps p;
  p.family = family;
  p.bold = bold;
  p.italic = italic;
  p.qualified = Tt_qualified_name(family, bold, italic);
  p.path = "/fonts/" + family;
  return p;
}

TEST(PdfLibFonts, QualifiedNames) {
  EXPECT_EQ(Tt_qualified_name("Arial", true, false), "Arial-Bold");
  EXPECT_EQ(Tt_qualified_name("Arial", false, true), "Arial-Oblique");
  EXPECT_EQ(Tt_qualified_name("Arial", true, true), "Arial-BoldOblique");
  EXPECT_EQ(Tt_qualified_name("Arial", false, false), "");
  // A family that already says so gets no second word (case-sensitive).
  EXPECT_EQ(Tt_qualified_name("Arial Bold", true, false), "");
  EXPECT_EQ(Tt_qualified_name("Serif Italic", true, true), "Serif Italic-Bold");
  EXPECT_EQ(Tt_qualified_name("Serif italic", false, true), "Serif italic-Oblique");
}

TEST(PdfLibFonts, BestEntryPrefersExactFamilyAndStyle) {
  std::vector<FontProps> list = {font("Arial Black", true, false), font("Arial", false, false),
                                 font("Arial", true, false)};
  const FontProps* p = Tt_best_font(list, "arial", true, false);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->family, "Arial");
  EXPECT_TRUE(p->bold);
  // The qualified name with the same style is as good as the family.
  p = Tt_best_font(list, "Arial-Bold", true, false);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->family, "Arial");
  // Without a bold Arial: the first family containing Arial that is bold.
  list = {font("Arial", false, false), font("Arial Narrow", false, false), font("Arial Black", true, false)};
  p = Tt_best_font(list, "Arial", true, false);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->family, "Arial Black");
  // No bold at all: the first family containing Arial in any style.
  list = {font("Arial Narrow", false, true), font("Arial", false, false)};
  p = Tt_best_font(list, "ARIAL", true, false);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->family, "Arial Narrow");
  // A qualified name in another style beats a containing family.
  list = {font("Sans Arial", true, true), font("Arial", true, false)};
  p = Tt_best_font(list, "Arial-Bold", true, true);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->family, "Arial");
  EXPECT_EQ(Tt_best_font(list, "Verdana", false, false), nullptr);
}

TEST(PdfLibFonts, StandardFontRows) {
  EXPECT_EQ(GetBuildInFontIndex("Courier", 0), 0);
  EXPECT_EQ(GetBuildInFontIndex("courier", 1), 1);
  EXPECT_EQ(GetBuildInFontIndex("Courier-Bold", 0), 1);  // by its base-font name
  EXPECT_EQ(GetBuildInFontIndex("Times", 3), 11);
  EXPECT_EQ(GetBuildInFontIndex("Helvetica", 2), 6);
  EXPECT_EQ(GetBuildInFontIndex("Symbol", 0), 12);
  // Symbol has no bold row and its name is not "Symbol-Bold".
  EXPECT_EQ(GetBuildInFontIndex("Symbol", 1), 12);
  EXPECT_EQ(GetBuildInFontIndex("DejaVu Sans", 0), -1);
  EXPECT_EQ(GetBuildInFontIndex("", 0), -1);
}

// A font-information function that names a file after its base name; files
// whose name starts with "x" are refused.
hpdf::STATUS fake_info(const char* path, char* family, char* name, hpdf::UINT* flags) {
  std::string base = std::strrchr(path, '/') + 1;
  if (base[0] == 'x') return 2;
  std::string fam = base.substr(0, base.find_first_of("-."));
  std::snprintf(family, 260, "  %s\t", fam.c_str());
  std::snprintf(name, 260, "%s", base.c_str());
  *flags = base.find("Bold") != std::string::npos ? 0x40000 : 0;
  return 0;
}

TEST(PdfLibFonts, ScanFindsTrueTypeFilesOnce) {
  Scratch_dir dir;
  ASSERT_TRUE(dir.enter("oru_ttf"));
  for (const char* f : {"Beta.ttf", "Alpha.TTF", "Alpha-Bold.ttf", "Gamma.ttfx", "xBroken.ttf", "Notes.txt",
                        "Alpha-Copy.ttf"})
    std::ofstream(f) << "x";
  ::mkdir("sub", 0700);
  std::ofstream("sub/Delta.ttf") << "x";
  std::vector<FontProps> list = ScanFontFiles(dir.path(), fake_info);
  std::vector<std::string> got;
  for (const FontProps& p : list) got.push_back(p.family + (p.bold ? "+b" : ""));
  // Byte order of names: "Alpha-Bold" < "Alpha-Copy" < "Alpha.TTF"; the copy
  // and the plain Alpha are the same family and style, so only the first
  // plain one stays; .ttfx, refused files and other names are not fonts.
  EXPECT_EQ(got, (std::vector<std::string>{"Alpha+b", "Alpha", "Beta", "Delta"}));
  EXPECT_EQ(list[0].qualified, "Alpha-Bold");
  EXPECT_EQ(list[0].path, dir.path() + "/Alpha-Bold.ttf");
  EXPECT_TRUE(ScanFontFiles(dir.path() + "/missing", fake_info).empty());
  EXPECT_TRUE(ScanFontFiles("", fake_info).empty());
  dir.leave();
}

#ifdef ORU_HZEF_PATH
using Info_fn = hpdf::STATUS (*)(const char*, char*, char*, hpdf::UINT*);

// The library's own font-information entry point.
Info_fn hzef_info() {
  static void* h = ::dlopen(ORU_HZEF_PATH, RTLD_LAZY | RTLD_LOCAL);
  return h ? reinterpret_cast<Info_fn>(::dlsym(h, "HPDF_GetTTFontInfoFromFile")) : nullptr;
}

void put16(std::string& s, size_t at, unsigned v) {
  s[at] = char(v >> 8);
  s[at + 1] = char(v);
}
void put32(std::string& s, size_t at, uint32_t v) {
  put16(s, at, v >> 16);
  put16(s, at + 2, v & 0xFFFF);
}

// A minimal TrueType file: a table directory with a 'name' table holding
// the family (id 1) and PostScript name (id 6) in Windows Unicode, an
// 'OS/2' table whose fsSelection says bold and italic, and the tables the
// PDF library reads when it loads a font, for one glyph: 'head' (short
// offsets), 'maxp', 'hhea' (one metric), 'hmtx', 'loca', an empty 'glyf'
// and a 'cmap' with one format-4 segment.
constexpr size_t TINY_TABLES = 9;
constexpr size_t TINY_DIR_END = 12 + TINY_TABLES * 16;  // the 'name' table starts here
std::string tiny_font() {
  std::string family = "Tiny Sans", ps = "TinySans-BoldItalic";
  std::string name(6 + 2 * 12, '\0');
  put16(name, 2, 2);
  put16(name, 4, uint16_t(name.size()));
  std::string strings;
  auto add = [&](int rec, int id, const std::string& text) {
    size_t at = 6 + size_t(rec) * 12;
    put16(name, at, 3);
    put16(name, at + 2, 1);
    put16(name, at + 4, 0x409);
    put16(name, at + 6, unsigned(id));
    put16(name, at + 8, unsigned(text.size() * 2));
    put16(name, at + 10, unsigned(strings.size()));
    for (char c : text) strings += std::string{'\0', c};
  };
  add(0, 1, family);
  add(1, 6, ps);
  name += strings;
  std::string os2(78, '\0');
  put16(os2, 62, 0x21);
  std::string head(54, '\0'), maxp(6, '\0'), hhea(36, '\0'), hmtx(4, '\0'), loca(4, '\0'), cmap(36, '\0');
  put16(head, 18, 1000);  // unitsPerEm
  put16(maxp, 4, 1);
  put16(hhea, 34, 1);
  put16(cmap, 2, 1);
  put16(cmap, 4, 3);
  put16(cmap, 6, 1);
  put32(cmap, 8, 12);
  put16(cmap, 12, 4);       // format
  put16(cmap, 14, 24);      // length
  put16(cmap, 18, 2);       // segCountX2
  put16(cmap, 26, 0xFFFF);  // endCode
  put16(cmap, 30, 0xFFFF);  // startCode
  put16(cmap, 32, 1);       // idDelta
  std::vector<std::pair<const char*, std::string>> tables = {
      {"name", name}, {"OS/2", os2}, {"head", head}, {"maxp", maxp}, {"hhea", hhea},
      {"hmtx", hmtx}, {"loca", loca}, {"glyf", ""},  {"cmap", cmap}};
  std::string f(TINY_DIR_END, '\0');
  put32(f, 0, 0x00010000);
  put16(f, 4, unsigned(tables.size()));
  std::string data;
  for (size_t i = 0; i < tables.size(); i++) {
    std::memcpy(&f[12 + i * 16], tables[i].first, 4);
    put32(f, 12 + i * 16 + 8, uint32_t(f.size() + data.size()));
    put32(f, 12 + i * 16 + 12, uint32_t(tables[i].second.size()));
    data += tables[i].second;
  }
  return f + data;
}

TEST(PdfLibFonts, LibraryReadsTrueTypeNamesAndStyle) {
  Info_fn info = hzef_info();
  ASSERT_NE(info, nullptr);
  char family[260], name[260];
  hpdf::UINT flags = 0;
  std::string good = tiny_font();
  std::string path = Temp_file("oru_ttf", good);
  EXPECT_EQ(info(path.c_str(), family, name, &flags), 0u);
  EXPECT_STREQ(family, "Tiny Sans");
  EXPECT_STREQ(name, "TinySans-BoldItalic");
  EXPECT_EQ(flags & 0x40040, 0x40040u);
  unlink(path.c_str());

  // Damaged files are refused, never read beyond their end.
  std::string bad = good;
  put32(bad, 12 + 8, 0x7FFFFFF0);  // name table far outside the file
  path = Temp_file("oru_ttf", bad);
  EXPECT_NE(info(path.c_str(), family, name, &flags), 0u);
  unlink(path.c_str());
  bad = good;
  put16(bad, 4, 4000);  // more table records than the file holds
  path = Temp_file("oru_ttf", bad);
  EXPECT_NE(info(path.c_str(), family, name, &flags), 0u);
  unlink(path.c_str());
  bad = good;
  put16(bad, TINY_DIR_END + 6 + 8, 0xFFFF);  // a name string longer than its table
  put16(bad, TINY_DIR_END + 6 + 12 + 8, 0xFFFF);
  path = Temp_file("oru_ttf", bad);
  EXPECT_NE(info(path.c_str(), family, name, &flags), 0u);  // no family left
  unlink(path.c_str());
  for (size_t cut : {size_t(0), size_t(11), size_t(30), good.size() - 10}) {
    path = Temp_file("oru_ttf", good.substr(0, cut));
    EXPECT_NE(info(path.c_str(), family, name, &flags), 0u) << cut;
    unlink(path.c_str());
  }
  EXPECT_NE(info("/nonexistent/font.ttf", family, name, &flags), 0u);
  EXPECT_NE(info("/tmp", family, name, &flags), 0u);
}

// Fonts whose tables the PDF library would trust beyond their bounds are
// refused by the reader, so they never reach the font list nor the library.
TEST(PdfLibFonts, LibraryRefusesTablesItsLoaderWouldMisread) {
  Info_fn info = hzef_info();
  ASSERT_NE(info, nullptr);
  char family[260], name[260];
  hpdf::UINT flags = 0;
  std::string good = tiny_font();
  // Offsets of the tables in tiny_font(), from the directory.
  auto table = [&](int i) { return size_t(uint8_t(good[12 + i * 16 + 8])) << 24 | size_t(uint8_t(good[12 + i * 16 + 9])) << 16 |
                                   size_t(uint8_t(good[12 + i * 16 + 10])) << 8 | uint8_t(good[12 + i * 16 + 11]); };
  size_t head = table(2), maxp = table(3), hhea = table(4), loca = table(6), cmap = table(8);
  auto refused = [&](const std::string& bytes) {
    std::string path = Temp_file("oru_ttf", bytes);
    hpdf::STATUS rc = info(path.c_str(), family, name, &flags);
    unlink(path.c_str());
    return rc != 0;
  };
  ASSERT_FALSE(refused(good));
  std::string bad = good;
  put16(bad, hhea + 34, 0xFFFF);  // more horizontal metrics than glyphs
  EXPECT_TRUE(refused(bad));
  bad = good;
  put16(bad, hhea + 34, 0);
  EXPECT_TRUE(refused(bad));
  bad = good;
  put16(bad, maxp + 4, 3);  // glyphs beyond 'hmtx' and 'loca'
  EXPECT_TRUE(refused(bad));
  bad = good;
  put16(bad, head + 18, 0);  // no units per em: the library divides by it
  EXPECT_TRUE(refused(bad));
  bad = good;
  put16(bad, head + 50, 2);  // no such offset format
  EXPECT_TRUE(refused(bad));
  bad = good;
  put16(bad, loca + 2, 8);  // a glyph beyond 'glyf'
  EXPECT_TRUE(refused(bad));
  bad = good;
  put16(bad, cmap + 12 + 2, 14);  // a format-4 subtable shorter than its segments
  EXPECT_TRUE(refused(bad));
  bad = good;
  put16(bad, cmap + 12 + 6, 40);  // more segments than the subtable holds
  EXPECT_TRUE(refused(bad));
  bad = good;
  put16(bad, cmap + 12 + 14, 0x7F);  // the last segment does not end at 0xFFFF
  EXPECT_TRUE(refused(bad));
  bad = good;
  put16(bad, cmap + 12 + 18, 0xFF00);  // the segment starts lower and reads glyph ids
  put16(bad, cmap + 12 + 22, 2);       // through idRangeOffset into no glyphIdArray
  EXPECT_TRUE(refused(bad));
  bad = good;
  put16(bad, cmap + 12 + 20, 2);  // 0xFFFF maps to glyph 1 of a font of one glyph:
  EXPECT_TRUE(refused(bad));      // the library measures it beyond its offsets
  bad = good;
  put16(bad, cmap + 12 + 18, 0xFF00);  // 0xFF00 to 0xFFFE map to glyphs 0xFF01 and up
  EXPECT_TRUE(refused(bad));
  bad = good;
  put32(bad, cmap + 8, 40);  // a subtable outside 'cmap'
  EXPECT_TRUE(refused(bad));
  bad = good;
  bad[12 + 8 * 16] = 'x';  // no 'cmap' at all
  EXPECT_TRUE(refused(bad));
  bad = good;
  std::memcpy(&bad[12 + 16], "head", 4);  // 'head' twice: the library reads the first
  EXPECT_TRUE(refused(bad));

  // An installed font with numberOfHMetrics set to 0xFFFF: the library's
  // loader wrote past its metrics table (the process died).
  const char* f = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
  std::ifstream in(f, std::ios::binary);
  if (!in) GTEST_SKIP() << "fonts-dejavu-core not installed";
  std::string dejavu((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_FALSE(refused(dejavu));
  size_t tables = size_t(uint8_t(dejavu[4])) << 8 | uint8_t(dejavu[5]);
  for (size_t i = 0; i < tables; i++)
    if (dejavu.compare(12 + i * 16, 4, "hhea") == 0) {
      size_t at = size_t(uint8_t(dejavu[12 + i * 16 + 8])) << 24 | size_t(uint8_t(dejavu[12 + i * 16 + 9])) << 16 |
                  size_t(uint8_t(dejavu[12 + i * 16 + 10])) << 8 | uint8_t(dejavu[12 + i * 16 + 11]);
      put16(dejavu, at + 34, 0xFFFF);
    }
  EXPECT_TRUE(refused(dejavu));
}

// The seeds and the inputs that once failed of the fuzz target in front of
// the library: every picture and font goes through the library's checked
// entry points into a document; none may end the process.
TEST(PdfLibFonts, FuzzInputsOfTheLibraryChecks) {
  ASSERT_TRUE(Hpdf_load(ORU_HZEF_PATH));
  int n = 0;
  for (const char* folder : {"tests/fuzz/corpus_hzef", "tests/fuzz/regressions_hzef"}) {
    std::string dir = std::string(ORU_SOURCE_DIR) + "/" + folder;
    DIR* d = ::opendir(dir.c_str());
    if (!d) continue;
    while (dirent* e = ::readdir(d)) {
      if (e->d_name[0] == '.') continue;
      std::ifstream in(dir + "/" + e->d_name, std::ios::binary);
      std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      if (bytes.empty()) continue;
      std::string path = Temp_file("oru_hzef", bytes.substr(1));
      hpdf::Handle doc = Hpdf.HPDF_New(HPDF_ErrorHandler, nullptr);
      ASSERT_NE(doc, nullptr);
      Hpdf.HPDF_AddPage(doc);
      if (bytes[0] & 1) {
        char family[261], name[261];
        hpdf::UINT flags;
        if (Hpdf.HPDF_GetTTFontInfoFromFile(path.c_str(), family, name, &flags) == 0)
          Hpdf.HPDF_LoadTTFontFromFile(doc, path.c_str(), 1);
      } else {
        Hpdf.HPDF_LoadPngImageFromFile(doc, path.c_str());
      }
      Hpdf.HPDF_Free(doc);
      unlink(path.c_str());
      n++;
    }
    ::closedir(d);
  }
  EXPECT_GT(n, 0);
  Pdf_FreeLibHaru_L();
}

// A FIFO swapped in for a picture or a font after the back end looked at
// it is refused by the library's entry points at once: they never wait in
// open() for a writer.  Run in a child with an alarm, so that a wait fails
// the test instead of holding the suite.
TEST(PdfLibFonts, EntryPointsDoNotWaitOnAFifo) {
  ASSERT_TRUE(Hpdf_load(ORU_HZEF_PATH));
  std::string fifo = Temp_file("oru_hzef_fifo", "");
  unlink(fifo.c_str());
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    ::alarm(5);
    char family[261], name[261];
    hpdf::UINT flags;
    if (Hpdf.HPDF_GetTTFontInfoFromFile(fifo.c_str(), family, name, &flags) == 0) ::_exit(2);
    hpdf::Handle doc = Hpdf.HPDF_New(HPDF_ErrorHandler, nullptr);
    if (!doc || Hpdf.HPDF_LoadPngImageFromFile(doc, fifo.c_str())) ::_exit(3);
    ::_exit(0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  unlink(fifo.c_str());
  EXPECT_TRUE(WIFEXITED(status)) << "waited on the FIFO (signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0) << ")";
  if (WIFEXITED(status)) {
    EXPECT_EQ(WEXITSTATUS(status), 0);
  }
  Pdf_FreeLibHaru_L();
}

// A damaged font in the font directory is left out of the list, and a
// document that asks for its face prints in Helvetica.
TEST(PdfLibFonts, DamagedFontIsSkipped) {
  std::ifstream in("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", std::ios::binary);
  if (!in) GTEST_SKIP() << "fonts-dejavu-core not installed";
  std::string dejavu((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  size_t tables = size_t(uint8_t(dejavu[4])) << 8 | uint8_t(dejavu[5]);
  for (size_t i = 0; i < tables; i++)
    if (dejavu.compare(12 + i * 16, 4, "hhea") == 0) {
      size_t at = size_t(uint8_t(dejavu[12 + i * 16 + 8])) << 24 | size_t(uint8_t(dejavu[12 + i * 16 + 9])) << 16 |
                  size_t(uint8_t(dejavu[12 + i * 16 + 10])) << 8 | uint8_t(dejavu[12 + i * 16 + 11]);
      put16(dejavu, at + 34, 0xFFFF);
    }
  Scratch_dir dir;
  ASSERT_TRUE(dir.enter("oru_fonts"));
  {
    std::ofstream out(dir.path() + "/DejaVuSans.ttf", std::ios::binary);
    out << dejavu;
  }
  Kest_cfg.pdf_font_dir = dir.path();
  ASSERT_TRUE(Hpdf_load(ORU_HZEF_PATH));
  EXPECT_TRUE(Tt_fonts().empty());
  Lib_font_ctx ctx;
  ctx.doc = Hpdf.HPDF_New(HPDF_ErrorHandler, nullptr);
  ASSERT_NE(ctx.doc, nullptr);
  Hpdf.HPDF_AddPage(ctx.doc);
  hpdf::Handle f = Pdf_AllocateFont("DejaVu Sans", 0, ctx);
  ASSERT_NE(f, nullptr);
  EXPECT_STREQ(Hpdf.HPDF_Font_GetFontName(f), "Helvetica");
  Hpdf.HPDF_Free(ctx.doc);
  Pdf_FreeLibHaru_L();
  Kest_cfg.pdf_font_dir = "/usr/share/fonts/truetype";
  dir.leave();
}

TEST(PdfLibFonts, LibraryReadsInstalledFonts) {
  const char* f = "/usr/share/fonts/truetype/dejavu/DejaVuSans-BoldOblique.ttf";
  if (access(f, R_OK) != 0) GTEST_SKIP() << "fonts-dejavu-core not installed";
  char family[260], name[260];
  hpdf::UINT flags = 0;
  ASSERT_EQ(hzef_info()(f, family, name, &flags), 0u);
  EXPECT_STREQ(family, "DejaVu Sans");
  EXPECT_STREQ(name, "DejaVuSans-BoldOblique");
  EXPECT_EQ(flags & 0x40040, 0x40040u);
}

TEST(PdfLibLoader, EveryEntryPointResolves) {
  ASSERT_EQ(Hpdf_entry_count(), 64);
  EXPECT_STREQ(Hpdf_entry_name(0), "HPDF_LoadZLib");
  EXPECT_STREQ(Hpdf_entry_name(63), "HPDF_Page_SetHeight");
  EXPECT_EQ(Hpdf_entry_name(64), nullptr);
  Kest_cfg.pdf_font_dir = "/usr/share/fonts/truetype";
  ASSERT_TRUE(Hpdf_load(ORU_HZEF_PATH));
  EXPECT_EQ(LibHaruReady_L(), 1);
  EXPECT_EQ(LibHaruInitializing_L(), 0);
  for (int i = 0; i < 64; i++) {
    void* p = nullptr;
    std::memcpy(&p, reinterpret_cast<char*>(&Hpdf) + i * sizeof(void*), sizeof p);
    EXPECT_NE(p, nullptr) << Hpdf_entry_name(i);
  }
  // The module name is accepted and ignored.
  EXPECT_EQ(Hpdf.HPDF_LoadZLib("oruzlib1.dll"), 0u);
  EXPECT_EQ(Hpdf.HPDF_LoadZLib(nullptr), 0u);
  Pdf_FreeLibHaru_L();
  EXPECT_EQ(LibHaruReady_L(), 0);
  EXPECT_EQ(Hpdf.HPDF_New, nullptr);
}

TEST(PdfLibLoader, MissingLibraryAndMissingEntryPoints) {
  Hpdf_clear_last_error();
  EXPECT_EQ(error_no([] { Hpdf_load("/nonexistent/libhzef.so"); }), 15);
  EXPECT_FALSE(Ext_error_text().empty());
  EXPECT_EQ(LibHaruReady_L(), 0);
  EXPECT_EQ(LibHaruInitializing_L(), 0);
  // A library that lacks the entry points is not used at all.
  EXPECT_FALSE(Hpdf_load("libz.so.1"));
  EXPECT_EQ(LibHaruReady_L(), 0);
  EXPECT_EQ(Hpdf.HPDF_New, nullptr);
}

TEST(PdfLibFonts, AllocationInADocument) {
  if (access("/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf", R_OK) != 0)
    GTEST_SKIP() << "fonts-dejavu-core not installed";
  Kest_cfg.pdf_font_dir = "/usr/share/fonts/truetype";
  ASSERT_TRUE(Hpdf_load(ORU_HZEF_PATH));
  ASSERT_FALSE(Tt_fonts().empty());
  EXPECT_NE(GetFontFile("DejaVu Sans", true, false).find("DejaVuSans-Bold.ttf"), std::string::npos);
  Lib_font_ctx ctx;
  ctx.doc = Hpdf.HPDF_New(HPDF_ErrorHandler, nullptr);
  ASSERT_NE(ctx.doc, nullptr);
  Hpdf.HPDF_AddPage(ctx.doc);
  auto name = [](hpdf::Handle f) { return std::string(f ? Hpdf.HPDF_Font_GetFontName(f) : "(null)"); };
  EXPECT_EQ(name(Pdf_AllocateFont("Courier", 0, ctx)), "Courier");
  EXPECT_EQ(name(Pdf_AllocateFont("Courier", 1, ctx)), "Courier-Bold");
  EXPECT_EQ(name(Pdf_AllocateFont("Times", 2, ctx)), "Times-Italic");
  EXPECT_EQ(name(Pdf_AllocateFont("", 0, ctx)), "Helvetica");
  EXPECT_EQ(name(Pdf_AllocateFont("No Such Face", 0, ctx)), "Helvetica");
  // Common face names stand for the standard family of their kind.
  EXPECT_EQ(name(Pdf_AllocateFont("arial", 1, ctx)), "Helvetica-Bold");
  EXPECT_EQ(name(Pdf_AllocateFont("Times New Roman", 2, ctx)), "Times-Italic");
  // EMBED=N keeps the TrueType fonts out of the font list, not out of use.
  ctx.flags = LIBDOC_NO_TRUETYPE;
  hpdf::Handle bold = Pdf_AllocateFont("DejaVu Sans", 1, ctx);
  ctx.flags = 0;
  EXPECT_NE(name(bold).find("DejaVuSans-Bold"), std::string::npos) << name(bold);
  EXPECT_EQ(ctx.cache_count, 1);
  EXPECT_EQ(Pdf_AllocateFont("dejavu sans", 1, ctx), bold);  // from the cache
  EXPECT_EQ(ctx.cache_count, 1);
  // TrueType only: a standard face is looked for among the TrueType fonts.
  ctx.flags = LIBDOC_TRUETYPE_ONLY;
  EXPECT_EQ(name(Pdf_AllocateFont("Courier", 0, ctx)), "Helvetica");
  EXPECT_EQ(Hpdf.HPDF_GetError(ctx.doc), 0u);
  Hpdf.HPDF_Free(ctx.doc);
  Pdf_FreeLibHaru_L();
  EXPECT_TRUE(Tt_fonts().empty());
}
#endif

}  // namespace

#ifdef ORU_HZEF_PATH
namespace {

TEST(PdfLibFonts, FontListOfTheLibraryBackEnd) {
  if (access("/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf", R_OK) != 0)
    GTEST_SKIP() << "fonts-dejavu-core not installed";
  Kest_cfg.pdf_font_dir = "/usr/share/fonts/truetype";
  ASSERT_TRUE(Hpdf_load(ORU_HZEF_PATH));
  Kest_cfg.pdf_embed = 0;
  std::string all = Pdf_GetFonts_L("");
  EXPECT_EQ(all.rfind("Courier,Courier-Bold,Courier-Oblique,", 0), 0u) << all;
  EXPECT_NE(all.find(",ZapfDingbats,"), std::string::npos);
  EXPECT_NE(all.find(",DejaVu Sans-Bold,"), std::string::npos) << all;
  EXPECT_NE(all.find(",DejaVu Sans,"), std::string::npos);
  // TrueType only (EMBED A): no standard fonts; none (EMBED N): no TrueType.
  Kest_cfg.pdf_embed = 'A';
  std::string tt = Pdf_GetFonts_L("");
  EXPECT_EQ(tt.find("Courier,"), std::string::npos);
  EXPECT_NE(tt.find("DejaVu Sans,"), std::string::npos);
  EXPECT_EQ(Pdf_GetFonts_L("*prop*"), "");
  Kest_cfg.pdf_embed = 'n';
  EXPECT_EQ(Pdf_GetFonts_L(""),
            "Courier,Courier-Bold,Courier-Oblique,Courier-BoldOblique,Helvetica,Helvetica-Bold,"
            "Helvetica-Oblique,Helvetica-BoldOblique,Times-Roman,Times-Bold,Times-Italic,Times-BoldItalic,"
            "Symbol,ZapfDingbats,");
  Kest_cfg.pdf_embed = 0;
  EXPECT_EQ(Pdf_GetFonts_L("*PROP*courier-bold"), "Courier-Bold:INTERNAL+FIXED+ANSI+BOLD,");
  EXPECT_EQ(Pdf_GetFonts_L("*prop*Times-BoldItalic"), "Times-BoldItalic:INTERNAL+VARIABLE+ANSI+ITALIC+BOLD,");
  std::string sizes = Pdf_GetFonts_L("sizes");
  EXPECT_EQ(sizes.rfind("4,5,6,", 0), 0u);
  EXPECT_EQ(sizes.substr(sizes.size() - 8), "126,127,");
  Pdf_FreeLibHaru_L();
}

}  // namespace
#endif

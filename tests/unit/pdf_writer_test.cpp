// The own PDF writer's document layer and picture readers, without the
// interpreter: object offsets, streams, outlines, escaping, and the JPEG
// and PNG readers on good, damaged and hostile files.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <sstream>
#include <string>

#include "../fuzz/pdf_input.h"
#include "pdf/own_document.h"
#include "pdf/own_fonts.h"
#include "pdf/pictures.h"

namespace {

std::string read_file(const std::string& p) {
  std::ifstream f(p, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

std::string cases(const char* name) { return read_file(std::string(ORU_SOURCE_DIR) + "/tests/pdf/cases/" + name); }

// Writes a document through a callback and returns its bytes.
template <class F>
std::string make_doc(const Pdf_writer_settings& s, F body) {
  char path[] = "/tmp/oru_pdf_writer_XXXXXX";
  int fd = mkstemp(path);
  EXPECT_GE(fd, 0);
  {
    Pdf_writer w(fd, s);
    w.begin();
    body(w);
    w.finish();
  }
  close(fd);
  std::string out = read_file(path);
  unlink(path);
  return out;
}

// Every xref entry points at "n 0 obj" and startxref at "xref".
void check_xref(const std::string& doc) {
  size_t sx = doc.rfind("startxref\r\n");
  ASSERT_NE(sx, std::string::npos);
  long xref = std::atol(doc.c_str() + sx + 11);
  ASSERT_EQ(doc.compare(size_t(xref), 4, "xref"), 0);
  int n = std::atoi(doc.c_str() + xref + 8);  // "xref\r\n0 N"
  size_t entries = doc.find("0000000000 65535 f\r\n", size_t(xref));
  ASSERT_NE(entries, std::string::npos);
  for (int k = 1; k < n; ++k) {
    std::string e = doc.substr(entries + 20 * size_t(k), 20);
    long off = std::atol(e.c_str());
    std::string head = std::to_string(k) + " 0 obj";
    EXPECT_EQ(doc.compare(size_t(off), head.size(), head), 0) << "object " << k;
    EXPECT_EQ(e.substr(10), " 00000 n\r\n");
  }
}

TEST(PdfWriter, OnePageDocumentHasItsObjectsInOrder) {
  Pdf_writer_settings s;
  s.compress = false;
  std::string doc = make_doc(s, [](Pdf_writer& w) {
    w.start_page();
    int f = w.font_resource(0);
    w.content() += "BT /F" + std::to_string(f) + " 12 Tf 10 10 Td(hi) Tj ET\r\n";
  });
  check_xref(doc);
  EXPECT_EQ(doc.compare(0, 8, "%PDF-1.4"), 0);
  EXPECT_NE(doc.find("2 0 obj\r\n<<  /Length "), std::string::npos);  // content: only /Length
  EXPECT_EQ(doc.find("/FlateDecode"), std::string::npos);
  EXPECT_NE(doc.find("/BaseFont /Courier\r\n"), std::string::npos);
  EXPECT_NE(doc.find("/Count 1\r\n"), std::string::npos);
  EXPECT_NE(doc.find("/Info 1 0 R"), std::string::npos);
  EXPECT_NE(doc.find("/Title ()\r\n/ModDate ()\r\n>>"), std::string::npos);
  EXPECT_NE(doc.find("<< /ProcSet [ /PDF /Text /ImageC]\r\n"), std::string::npos);
}

TEST(PdfWriter, CompressedPagesAndPicturesKeepTheXrefExact) {
  Pdf_writer_settings s;
  Pdf_picture jpg;
  std::string why;
  ASSERT_TRUE(Pdf_read_jpeg(cases("logo.jpg"), jpg, why)) << why;
  std::string doc = make_doc(s, [&](Pdf_writer& w) {
    for (int p = 0; p < 3; ++p) {
      w.start_page();
      w.content() += std::string(5000, ' ') + "0 0 m 10 10 l S\r\n";
      if (p == 1) {
        EXPECT_EQ(w.add_picture(jpg), 1);
        EXPECT_EQ(w.add_picture(jpg), 2);
      }
      w.end_page();
    }
  });
  check_xref(doc);
  EXPECT_NE(doc.find("/Filter /FlateDecode"), std::string::npos);
  EXPECT_NE(doc.find("/Filter /DCTDecode"), std::string::npos);
  EXPECT_NE(doc.find("/Im2 "), std::string::npos);
  EXPECT_NE(doc.find("/Count 3"), std::string::npos);
}

TEST(PdfWriter, BookmarksNestAndReplace) {
  Pdf_writer_settings s;
  std::string doc = make_doc(s, [](Pdf_writer& w) {
    w.start_page();
    w.bookmark({"A"}, 1, 0, 0, 0, 0, false);
    w.bookmark({"A", "B"}, 1, 5, 7, 0xFF0000, 2, false);
    w.bookmark({"A", "B"}, 1, 9, 9, 0, 0, false);  // the same path again: replaced
    w.bookmark({"Paren ( and \\"}, 1, 0, 0, 0, 0, false);
  });
  check_xref(doc);
  EXPECT_NE(doc.find("/Count -1"), std::string::npos);
  EXPECT_EQ(doc.find("/Title (B)"), doc.rfind("/Title (B)"));
  EXPECT_NE(doc.find("/Title (Paren \\( and \\\\)"), std::string::npos);
  EXPECT_NE(doc.find("/PageMode /UseOutlines"), std::string::npos);
  EXPECT_NE(doc.find("/XYZ 27 765 null"), std::string::npos);  // 18 + 9, 792 - (18 + 9)
  EXPECT_EQ(doc.find("/C [1.000"), std::string::npos);          // the replacing bookmark is black
}

TEST(PdfWriter, InformationIsEscapedAndLongTitlesStayOneString) {
  Pdf_writer_settings s;
  s.title = "Report (1) \\ end\r\n/Evil (";
  s.author = std::string(300, 'a');
  std::string doc = make_doc(s, [](Pdf_writer& w) {
    w.start_page();
    w.bookmark({std::string(300, 'x')}, 1, 0, 0, 0, 0, false);
  });
  check_xref(doc);
  EXPECT_NE(doc.find("/Title (Report \\(1\\) \\\\ end\\015\\012/Evil \\()"), std::string::npos);
  EXPECT_NE(doc.find("/Title (" + std::string(300, 'x') + ")"), std::string::npos);
}

TEST(PdfWriter, TextEncodingEscapesAndAmpersands) {
  std::string out;
  const char* t = "a(b)\\c\td\x01";
  EXPECT_FALSE(Pdf_writer::encode_text(out, reinterpret_cast<const uint8_t*>(t), std::strlen(t), false));
  EXPECT_EQ(out, "a\\(b\\)\\\\c        d ");
  out.clear();
  const char* u = "&&x&y&";
  EXPECT_TRUE(Pdf_writer::encode_text(out, reinterpret_cast<const uint8_t*>(u), std::strlen(u), true));
  EXPECT_EQ(out, "&xy");
}

TEST(PdfWriter, WriteFailureIsReportedAtTheEnd) {
  int fd = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
  if (fd < 0) GTEST_SKIP() << "no /dev/full";
  Pdf_writer_settings s;
  Pdf_writer w(fd, s);
  w.begin();
  w.start_page();
  w.content() += "0 0 m";
  try {
    w.end_page();
    w.finish();
    ADD_FAILURE() << "a write to a full device went unreported";
  } catch (const Oru_error& e) {
    EXPECT_EQ(e.no, Sys_error_no(ENOSPC));
  }
  close(fd);
}

TEST(PdfFonts, MetricsMappingsAndLookup) {
  EXPECT_EQ(Pdf_find_font("Arial", PSTYLE_BOLD), 5);                 // Helvetica-Bold
  EXPECT_EQ(Pdf_find_font("times new roman", PSTYLE_ITALIC), 10);    // Times-Italic
  EXPECT_EQ(Pdf_find_font("ZapfDingbats", 0), 13);
  EXPECT_EQ(Pdf_find_font("Nonesuch", 0), 0);
  EXPECT_EQ(Pdf_BuiltinFontList[0].widths['0'], 600);
  EXPECT_EQ(Pdf_BuiltinFontList[4].widths['0'], 556);
  const uint8_t t[] = "W&i";
  EXPECT_EQ(Pdf_text_units(4, t, 3, false), 944 + 667 + 222);
  EXPECT_EQ(Pdf_text_units(4, t, 3, true), 944 + 222);
  EXPECT_EQ(Pdf_GetFonts_O("*prop*Courier"), "Courier:INTERNAL+FIXED+ANSI,");
  EXPECT_EQ(Pdf_GetFonts_O("").substr(0, 22), "Courier,Courier-Bold,C");
}

TEST(PdfPictures, JpegFrameFoundAndBounded) {
  Pdf_picture p;
  std::string why;
  std::string j = cases("logo.jpg");
  ASSERT_TRUE(Pdf_read_jpeg(j, p, why)) << why;
  EXPECT_EQ(p.width, 48);
  EXPECT_EQ(p.height, 32);
  EXPECT_EQ(p.components, 3);
  // A segment length that runs past the end stops the scan: error, no read.
  std::string bad = std::string("\xFF\xD8\xFF\xE0\xFF\xF0", 6) + std::string(20, 'x');
  EXPECT_FALSE(Pdf_read_jpeg(bad, p, why));
  // Fill bytes and standalone markers are stepped over.
  std::string fill = std::string("\xFF\xD8\xFF\xFF\xFF\xD0\xFF\xC0\x00\x0B\x08\x00\x02\x00\x03\x01\x01\x11\x00", 19);
  ASSERT_TRUE(Pdf_read_jpeg(fill, p, why)) << why;
  EXPECT_EQ(p.width, 3);
  EXPECT_EQ(p.height, 2);
  EXPECT_FALSE(Pdf_read_jpeg("text, not a picture", p, why));
  EXPECT_FALSE(Pdf_read_jpeg(j.substr(0, 30), p, why));
  std::string zero = fill;
  zero[13] = zero[14] = 0;  // width 0
  EXPECT_FALSE(Pdf_read_jpeg(zero, p, why));
}

TEST(PdfPictures, PngKindsDecodeAndDamageIsRefused) {
  Pdf_picture p;
  std::string why;
  ASSERT_TRUE(Pdf_read_png(cases("mark.png"), p, why)) << why;
  EXPECT_TRUE(p.has_mask);
  EXPECT_EQ(p.components, 3);
  ASSERT_TRUE(Pdf_read_png(cases("stripes.png"), p, why)) << why;
  EXPECT_EQ(p.palette.size() % 3, 0u);
  EXPECT_FALSE(p.palette.empty());
  ASSERT_TRUE(Pdf_read_png(cases("grey.png"), p, why)) << why;
  EXPECT_EQ(p.components, 1);
  ASSERT_TRUE(Pdf_read_png(cases("interlaced.png"), p, why)) << why;
  EXPECT_EQ(p.width, 9);
  std::string good = cases("mark.png");
  EXPECT_FALSE(Pdf_read_png(good.substr(0, good.size() / 2), p, why));
  std::string huge = good;
  huge[16] = char(0x7F);  // width 2 billion: refused before any allocation
  EXPECT_FALSE(Pdf_read_png(huge, p, why));
  std::string chunk = good;
  chunk[8] = char(0x7F);  // IHDR length past the file
  EXPECT_FALSE(Pdf_read_png(chunk, p, why));
  EXPECT_FALSE(Pdf_read_png(cases("logo.jpg"), p, why));
}

// Inputs that once failed the fuzz target stay in tests/fuzz/regressions_pdf.
TEST(PdfFuzzRegressions, Replay) {
  for (const char* dir : {"/tests/fuzz/regressions_pdf", "/tests/fuzz/corpus_pdf"}) {
    std::string d = std::string(ORU_SOURCE_DIR) + dir;
    DIR* dp = opendir(d.c_str());
    if (!dp) continue;
    while (dirent* e = readdir(dp)) {
      if (e->d_name[0] == '.') continue;
      std::string bytes = read_file(d + "/" + e->d_name);
      EXPECT_TRUE(Pdf_input_ok(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size())) << e->d_name;
    }
    closedir(dp);
  }
}

}  // namespace

// Lengths and option strings of PDF channels.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "pdf/pdf_channel.h"

namespace {

int32_t units(const char* text) {
  const char* p = text;
  return Pdf_GetUnits(p);
}

struct Doc {
  Pdf_doc d{};
  Pdf_options o;
  Doc() {
    d.opts = &o;
    d.page_w = 612;
    d.page_h = 792;
    d.m_left = d.m_top = d.m_right = d.m_bottom = 18;
  }
};

TEST(PdfUnits, InchesMillimetresAndThousandths) {
  EXPECT_EQ(units("8.5"), 612);
  EXPECT_EQ(units("11"), 0);  // thousandths of an inch
  EXPECT_EQ(units("210m"), 595);
  EXPECT_EQ(units("250"), 18);
  EXPECT_EQ(units("1i"), 72);
  EXPECT_EQ(units("11.0"), 792);
  EXPECT_EQ(units("-1i"), -72);
  EXPECT_EQ(units("2.5I"), 180);
}

TEST(PdfUnits, CursorStopsAfterSeparator) {
  const char* p = "8.5x11.0";
  EXPECT_EQ(Pdf_GetUnits(p), 612);
  EXPECT_EQ(Pdf_GetUnits(p), 792);
  EXPECT_EQ(*p, '\0');
}

TEST(PdfUnits, HugeValuesStayBounded) {
  // Digits beyond nine are ignored, so the value cannot wrap around.
  int32_t v = units("99999999999999999999999I");
  EXPECT_GT(v, 0);
  EXPECT_EQ(v, units("999999999I"));
}

TEST(PdfOptions, LandscapeFormSwapsAfterAllTokens) {
  Doc t;
  Pdf_apply_options(t.d, "orientation=Landscape;FORM=Letter:8.5x11.0");
  EXPECT_EQ(t.d.page_w, 792);
  EXPECT_EQ(t.d.page_h, 612);
  Doc u;
  Pdf_apply_options(u.d, "FORM=x:8.5x11");
  EXPECT_EQ(u.d.page_w, 612);
  EXPECT_EQ(u.d.page_h, 792);  // 11 thousandths of an inch is 0 points: the height stays
  Doc z;
  Pdf_apply_options(z.d, "FORM=x:0x-5");
  EXPECT_EQ(z.d.page_w, 612);
  EXPECT_EQ(z.d.page_h, 792);
  Doc v;
  Pdf_apply_options(v.d, "FORM=A4:210mx297m");
  EXPECT_EQ(v.d.page_w, 595);
  EXPECT_EQ(v.d.page_h, 841);
  Doc x;
  Pdf_apply_options(x.d, "FORM=nosize");
  EXPECT_EQ(x.d.page_w, 612);
}

TEST(PdfOptions, MarginsKeepMissingAndNonPositiveValues) {
  Doc t;
  Pdf_apply_options(t.d, "MARGINS=0.5:0:1.0:");
  EXPECT_EQ(t.d.m_left, 36);
  EXPECT_EQ(t.d.m_top, 18);
  EXPECT_EQ(t.d.m_right, 72);
  EXPECT_EQ(t.d.m_bottom, 18);
}

TEST(PdfOptions, WholeTokensAndPrefixes) {
  Doc t;
  Pdf_apply_options(t.d, "VIEWER; title=Report ;NOCOMPRESSION;FILE=out.pdf;;junk");
  EXPECT_FALSE(t.o.view);
  EXPECT_EQ(t.o.title, "Report");
  EXPECT_TRUE(t.o.no_compression);
  EXPECT_EQ(t.o.file, "out.pdf");
  Doc u;
  Pdf_apply_options(u.d, "VIEW;NOPRINT;NOCOPY;EMBED=n;ENCRYPT");
  EXPECT_TRUE(u.o.view);
  EXPECT_EQ(u.o.permissions, 8u | 32u);
  EXPECT_EQ(u.o.embed, 'n');
  EXPECT_TRUE(u.o.encrypt);
}

TEST(PdfOptions, LongValuesAreCut) {
  Doc t;
  Pdf_apply_options(t.d, "TITLE=" + std::string(5000, 'x'));
  EXPECT_EQ(t.o.title.size(), 1024u);
}

}  // namespace

#include "pdf/pdf_common.h"

namespace {

uint32_t letters(const char* s, uint32_t from = 0) {
  return Pdf_font_flag_letters(reinterpret_cast<const uint8_t*>(s), std::strlen(s), from);
}

TEST(PdfCommon, FlagLettersClearTheirRivals) {
  EXPECT_EQ(letters("bu"), PFF_BOLD | PFF_UNDERLINE);
  EXPECT_EQ(letters("CR"), PFF_RIGHT);
  EXPECT_EQ(letters("#C"), PFF_CENTRE);
  EXPECT_EQ(letters("RL"), 0u);
  EXPECT_EQ(letters("N"), PFF_NUMERIC);
  EXPECT_EQ(letters("&S_xyz"), PFF_AMPERSAND | PFF_BACKGROUND | PFF_UNDERLINE);
}

TEST(PdfCommon, OptionArgumentLengthsMustAgree) {
  std::string name, value;
  std::string a = std::string("\x08") + "BOOKMARK" + "\x03" + "A\tB";
  EXPECT_TRUE(Pdf_option_arg(reinterpret_cast<const uint8_t*>(a.data()), uint32_t(a.size()), false, name, value));
  EXPECT_EQ(name, "BOOKMARK");
  EXPECT_EQ(value, "A\tB");
  std::string bad = std::string("\x08") + "BOOKMARK" + "\x05" + "A\tB";
  EXPECT_FALSE(Pdf_option_arg(reinterpret_cast<const uint8_t*>(bad.data()), uint32_t(bad.size()), false, name, value));
  std::string cut = std::string("\x20") + "BOOK";
  EXPECT_FALSE(Pdf_option_arg(reinterpret_cast<const uint8_t*>(cut.data()), uint32_t(cut.size()), false, name, value));
  std::string wide = std::string("\x01") + "X" + std::string("\0\0\0\x02", 4) + "ab";
  EXPECT_TRUE(Pdf_option_arg(reinterpret_cast<const uint8_t*>(wide.data()), uint32_t(wide.size()), true, name, value));
  EXPECT_EQ(value, "ab");
}

TEST(PdfCommon, BookmarkTitlesSplitAtControlBytes) {
  auto t = Pdf_bookmark_titles("Customers\tAcme\x01\x02Invoice 7");
  ASSERT_EQ(t.size(), 3u);
  EXPECT_EQ(t[0], "Customers");
  EXPECT_EQ(t[2], "Invoice 7");
  EXPECT_TRUE(Pdf_bookmark_titles("").empty());
}

}  // namespace

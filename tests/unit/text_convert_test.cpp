#include "functions/text_convert.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/errors.h"
#include "core/messages.h"
#include "core/params.h"
#include "core/workspace.h"
#include "functions/codepage.h"
#include "functions/xml_string.h"
#include "test_util.h"

namespace {


std::string cvs(const std::string& s, int mode, char pad = ' ', bool utf8 = false) {
  return Cvs_modes(u(s), s.size(), mode, uint8_t(pad), utf8);
}

std::string conv(const std::string& s, const std::string& names, int width = 76) {
  return KestCVSTranslate(u(s), s.size(), u(names), names.size(), width);
}

}  // namespace

TEST(CvsModes, StripAndShrink) {
  EXPECT_EQ(cvs("  a  b  ", 3), "a  b");
  EXPECT_EQ(cvs("  a  b  ", 35), "a b");
  EXPECT_EQ(cvs("xxaxx", 1, 'x'), "axx");
  EXPECT_EQ(cvs("     ", 3), "");
  EXPECT_EQ(error_no([] { cvs("a", 4097); }), 41);
  EXPECT_EQ(error_no([] { cvs("a", -1); }), 41);
}

TEST(CvsModes, CaseWordsAndPrintables) {
  EXPECT_EQ(cvs("the quick brown fox", 256), "The Quick Brown Fox");
  EXPECT_EQ(cvs("mIXED case", 256), "Mixed Case");
  uint8_t saved = Uppercs[0xE9];
  Uppercs[0xE9] = 0xC9;
  EXPECT_EQ(cvs("abc\xe9", 4), "ABC\xc9");
  EXPECT_EQ(cvs("abc\xe9", 4, ' ', true), "ABC\xe9");  // UTF-8: only ASCII changes
  Uppercs[0xE9] = saved;
  EXPECT_EQ(cvs("a\x01\x02" "b", 16, '.'), "a..b");
  EXPECT_EQ(cvs("a\x01\x02" "b", 48), "a b");  // unprintables become blanks, then shrink
}

TEST(CvsModes, LocaleNumberCharacters) {
  Prm_block saved = prmblk;
  prmblk.TH = '.';
  prmblk.DP = ',';
  prmblk.CU = 'E';
  EXPECT_EQ(cvs("$1,234.50", 64), "E1.234,50");
  EXPECT_EQ(cvs("E1.234,50", 128), "$1,234.50");
  prmblk = saved;
}

TEST(Translate, NamesAndSeparators) {
  EXPECT_EQ(conv("abc", "ascii-base64"), "YWJj");
  EXPECT_EQ(conv("abc", "ASCII:BASE64"), "YWJj");
  EXPECT_EQ(conv("abc", "ASCII BASE64"), "YWJj");
  EXPECT_EQ(conv("", "ASCII-BASE64"), "");
  EXPECT_EQ(error_no([] { conv("a", ""); }), 46);
  EXPECT_EQ(error_no([] { conv("a", "ASCII"); }), 43);
  EXPECT_EQ(error_no([] { conv("a", "ASCII-EBCDIC"); }), 43);
  EXPECT_EQ(error_no([] { conv("a", "ASCII-CODE8x"); }), 43);
  EXPECT_EQ(error_no([] { conv("a", "ASCII-RTF"); }), 43);
  EXPECT_EQ(error_no([] { conv("", "ASCII-RTF"); }), 43);
}

TEST(Translate, Base64BothWaysAndLines) {
  EXPECT_EQ(conv("ab", "ANSI-BASE64"), "YWI=");
  EXPECT_EQ(conv("a", "ANSI-BASE64"), "YQ==");
  EXPECT_EQ(conv("YWI=", "BASE64-ANSI"), "ab");
  EXPECT_EQ(conv("YW\r\nJj", "BASE64-ANSI"), "abc");  // other bytes skipped
  EXPECT_EQ(conv("YWJ", "BASE64-ANSI"), "ab");        // the end padded with "="
  EXPECT_EQ(conv("\xfb\xff", "ANSI-BASE64URL"), "-_8=");
  EXPECT_EQ(conv("-_8=", "BASE64ANY-ANSI"), "\xfb\xff");
  EXPECT_EQ(conv("+/8=", "BASE64ANY-ANSI"), "\xfb\xff");
  std::string lines = conv(std::string(60, 'x'), "ANSI-BASE64", 40);
  EXPECT_EQ(lines.size(), 81u);
  EXPECT_EQ(uint8_t(lines[40]), prmblk.FS);
  EXPECT_EQ(conv(std::string(30, 'x'), "ANSI-BASE64", 40).size(), 40u);  // no break at the end
  EXPECT_EQ(conv(std::string(60, 'x'), "ANSI-BASE64", 0).size(), 80u);
}

TEST(Translate, UuencodeRoundTrip) {
  std::string s;
  for (int i = 0; i < 100; i++) s.push_back(char(i * 7));
  std::string enc = conv(s, "ANSI-UUENCODE");
  EXPECT_EQ(enc[0], char(45 + 32));
  EXPECT_EQ(conv(enc, "UUENCODE-ANSI"), s);
  EXPECT_EQ(conv("#86)C", "UUENCODE-ANSI"), "abc");
}

TEST(Translate, UrlAndXml) {
  EXPECT_EQ(conv("a b&c/é", "ANSI-URL"), "a%20b%26c%2F%C3%A9");
  EXPECT_EQ(conv("a%20b%2", "URL-ANSI"), "a b%2");
  EXPECT_EQ(conv("<a&b>\n", "ANSI-XML"), "&lt;a&amp;b&gt;&#xA;");
  EXPECT_EQ(conv("&lt;&#65;&#x42;&quot;&apos;", "XML-ANSI"), "<AB\"'");
  EXPECT_EQ(conv("&#x20AC;", "XML-UTF8"), "\xe2\x82\xac");
  EXPECT_EQ(error_no([] { conv("a&b", "XML-ANSI"); }), 17);
  EXPECT_EQ(error_no([] { conv("&#12x;", "XML-ANSI"); }), 17);
  EXPECT_EQ(error_no([] { conv("&#65", "XML-ANSI"); }), 17);
}

TEST(Translate, Utf8AndUnicode) {
  EXPECT_EQ(conv("\xe9", "ASCII-UTF8"), "\xc3\xa9");
  EXPECT_EQ(conv("\xc3\xa9x", "UTF8-ANSI"), "\xe9x");
  EXPECT_EQ(conv("\xe2\x82\xac", "UTF8-ANSI"), "?");  // no byte for the euro sign
  EXPECT_EQ(conv("\xe2\x82\xac", "UTF8-UNICODE"), "\x20\xac");
  EXPECT_EQ(conv(std::string("\x20\xac\x00\x41", 4), "UNICODE-UTF8"), "\xe2\x82\xac" "A");
  EXPECT_EQ(conv("\xf0\x9f\x98\x80", "UTF8-UNICODE"), std::string("\xd8\x3d\xde\x00", 4));
  EXPECT_EQ(conv("\xc3", "UTF8-ANSI"), "\xc3");  // a cut sequence stands for itself
}

TEST(Translate, RtfText) {
  std::string rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 Hello \\{x\\} a\\cell b\\par\r\n}";
  EXPECT_EQ(conv(rtf, "RTF-ANSI"), "Hello {x} a\tb");
}

class Codepages : public ::testing::Test {
 protected:
  void SetUp() override {
    // A private folder: a name by process id may be left over from a run
    // that died, under a process id that has come round again.
    std::string name = (std::filesystem::temp_directory_path() / "oru_cp_XXXXXX").string();
    ASSERT_NE(mkdtemp(name.data()), nullptr);
    dir_ = name;
    std::filesystem::create_directories(dir_ / "_kest/codepage");
    for (const char* f : {"0850-ansi", "ansi-0850"})
      std::filesystem::copy_file(std::filesystem::path(ORU_SOURCE_DIR) / "lib/_kest/codepage" / f,
                                 dir_ / "_kest/codepage" / f,
                                 std::filesystem::copy_options::overwrite_existing);
    saved_ = ws.Lib_dir;
    path_ = dir_.string();
    ws.Lib_dir = path_.c_str();
    Codepage_clear();
  }
  void TearDown() override {
    ws.Lib_dir = saved_;
    Codepage_clear();
    std::filesystem::remove_all(dir_);
  }
  std::filesystem::path dir_;
  std::string path_;
  const char* saved_ = nullptr;
};

TEST_F(Codepages, ConversionBothWaysAndCache) {
  EXPECT_EQ(conv("caf\xe9", "ANSI-CODE850"), "caf\x82");
  EXPECT_EQ(conv("caf\x82", "CODE850-ANSI"), "caf\xe9");
  EXPECT_EQ(conv("caf\x82", "CODE0850-UTF8"), "caf\xc3\xa9");
  // Every byte survives the round trip.
  std::string all;
  for (int b = 0; b < 256; b++) all.push_back(char(b));
  EXPECT_EQ(conv(conv(all, "ANSI-CODE850"), "CODE850-ANSI"), all);
  // A map once read stays cached.
  std::filesystem::remove(dir_ / "_kest/codepage/ansi-0850");
  EXPECT_EQ(conv("\xe9", "ANSI-CODE850"), "\x82");
}

TEST_F(Codepages, MissingOrShortFileIs43) {
  EXPECT_EQ(error_no([] { conv("a", "ANSI-CODE437"); }), 43);
  std::FILE* f = std::fopen((dir_ / "_kest/codepage/ansi-1252").c_str(), "wb");
  std::fwrite("short", 1, 5, f);
  std::fclose(f);
  EXPECT_EQ(error_no([] { conv("a", "ANSI-CODE1252"); }), 43);
  EXPECT_EQ(Codepage_name(850), "0850");
  EXPECT_EQ(Codepage_name(0), "ansi");
  EXPECT_EQ(conv("a", "CODE0-ANSI"), "a");  // page 0 is the native set
}

// ---- XML( ----

TEST(Xml, AddElements) {
  std::string_view tag = "name", attrs = "id='1'", pi = "?xml", bang = "!";
  EXPECT_EQ(Xml_add("x", "doc", nullptr, nullptr), "docx");
  EXPECT_EQ(Xml_add("", "", &tag, nullptr), "<name/>");
  EXPECT_EQ(Xml_add("Bob", "<a/>", &tag, &attrs), "<a/>\n<name id='1'>Bob</name>");
  EXPECT_EQ(Xml_add("", "", &pi, nullptr), "<?xml?>");
  EXPECT_EQ(Xml_add("note", "", &bang, nullptr), "<!-- note -->");
  EXPECT_EQ(Xml_add("<a/>\n<b/>", "", &tag, nullptr), "<name>\n <a/>\n <b/>\n</name>");
}

TEST(Xml, NextReadsBackWhatAddWrote) {
  std::string_view outer = "list", inner = "item", at = "n='2'";
  std::string items = Xml_add("one", "", &inner, nullptr);
  items = Xml_add("two", items, &inner, &at);
  std::string doc = Xml_add(items, "", &outer, nullptr);
  Xml_item r = Xml_next(doc, 1);
  EXPECT_EQ(r.tag, "list");
  EXPECT_EQ(r.content, items);  // the indentation is undone
  EXPECT_EQ(r.next, int64_t(doc.size()) + 1);
  Xml_item a = Xml_next(r.content, 1);
  EXPECT_EQ(a.content, "one");
  Xml_item b = Xml_next(r.content, a.next);
  EXPECT_EQ(b.content, "two");
  EXPECT_EQ(b.attrs, "n='2'");
  EXPECT_EQ(error_no([&] { Xml_next(r.content, b.next); }), 2);
}

TEST(Xml, NextTextCommentsNestingAndErrors) {
  Xml_item t = Xml_next("  some\t  text <a/>", 1);
  EXPECT_EQ(t.tag, "");
  EXPECT_EQ(t.content, "some text ");
  EXPECT_EQ(t.next, 15);
  Xml_item c = Xml_next("<!-- c --><a x=\"1\" /><b/>", 1);
  EXPECT_EQ(c.tag, "a");
  EXPECT_EQ(c.attrs, "x=\"1\"");
  EXPECT_EQ(c.content, "");
  Xml_item n = Xml_next("<a><a>x</a><!-- </a> --></a>tail", 1);
  EXPECT_EQ(n.content, "<a>x</a><!-- </a> -->");
  EXPECT_EQ(n.next, 29);
  EXPECT_EQ(Xml_next("<a>\r\nx\r\n</a>", 1).content, "x");
  EXPECT_EQ(error_no([] { Xml_next("<a>x", 1); }), 17);
  EXPECT_EQ(error_no([] { Xml_next("<a", 1); }), 17);
  EXPECT_EQ(error_no([] { Xml_next("<>", 1); }), 17);
  EXPECT_EQ(error_no([] { Xml_next("<!-- x", 1); }), 17);
  EXPECT_EQ(error_no([] { Xml_next("<a/>", -1); }), 47);
  EXPECT_EQ(error_no([] { Xml_next("   ", 1); }), 2);
  EXPECT_EQ(error_no([] { Xml_next("<a/>", 99); }), 2);
}

TEST(Xml, Properties) {
  EXPECT_EQ(Xml_prop_add("1", "", "id"), "id='1'");
  EXPECT_EQ(Xml_prop_add("it's", "id='1'", "t"), "id='1' t=\"it's\"");
  EXPECT_EQ(Xml_prop_add("", "a='1'", "flag"), "a='1' flag");
  EXPECT_EQ(error_no([] { Xml_prop_add("x", "", ""); }), 11);
  EXPECT_EQ(error_no([] { Xml_prop_add("'\"", "", "a"); }), 17);
  std::string attrs = "id='1' -- note -- t=\"it's\" w=3 flag";
  Xml_item a = Xml_prop_next(attrs, 1);
  EXPECT_EQ(a.tag, "id");
  EXPECT_EQ(a.content, "1");
  Xml_item b = Xml_prop_next(attrs, a.next);
  EXPECT_EQ(b.tag, "t");
  EXPECT_EQ(b.content, "it's");
  Xml_item c = Xml_prop_next(attrs, b.next);
  EXPECT_EQ(c.content, "3");
  Xml_item d = Xml_prop_next(attrs, c.next);
  EXPECT_EQ(d.tag, "flag");
  EXPECT_EQ(d.content, "");
  EXPECT_EQ(error_no([&] { Xml_prop_next(attrs, d.next); }), 2);
  EXPECT_EQ(error_no([] { Xml_prop_next("a -- x", 2); }), 17);
  EXPECT_EQ(error_no([] { Xml_prop_next("a='x", 1); }), 17);
}

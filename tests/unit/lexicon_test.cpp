// The keyword lexicon: the built file, lookups, listing texts and damaged files.
#include "core/lexicon.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/codes.h"
#include "core/errors.h"
#include "core/workspace.h"

namespace {

const std::string lex_path = std::string(ORU_TEST_LIBDIR) + "/lextbl.en";

std::vector<uint8_t> read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string temp_file(const std::vector<uint8_t>& bytes) {
  char name[] = "/tmp/oru_lex_XXXXXX";
  int fd = mkstemp(name);
  EXPECT_GE(fd, 0);
  if (!bytes.empty()) {
    EXPECT_EQ(write(fd, bytes.data(), bytes.size()), ssize_t(bytes.size()));
  }
  close(fd);
  return name;
}

Lex_match find(const std::string& s, bool prev_dcolon = false) {
  return Find_lex(reinterpret_cast<const uint8_t*>(s.data()), s.size(), prev_dcolon);
}

class Lexicon : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(Load_lex(lex_path.c_str()), 0);
    Lex_clear_aliases();
    ws.Prm.SF = false;
  }
  void TearDown() override {
    Lex_clear_aliases();
    ws.Prm.SF = false;
  }
};

TEST_F(Lexicon, LongestOperatorWins) {
  EXPECT_EQ(find("<5").code, code::OP_LT);
  EXPECT_EQ(find("<>5").code, code::OP_NE);
  EXPECT_EQ(find("<=5").code, code::OP_LE);
  EXPECT_EQ(find("<=5").consumed, 2);
  EXPECT_EQ(find(">=").code, code::OP_GE);
  Lex_match inc = find("++A");
  EXPECT_EQ(inc.code, code::INC_DEC);
  EXPECT_EQ(inc.code2, code::INC_KIND);
  EXPECT_EQ(find("-1").code, code::OP_SUB);
  EXPECT_EQ(find("--").code2, code::DEC_KIND);
}

TEST_F(Lexicon, CaseBlindWords) {
  for (const char* s : {"PRINT A", "print A", "PrInT A"}) {
    Lex_match m = find(s);
    EXPECT_EQ(m.code, code::D_PRINT) << s;
    EXPECT_EQ(m.consumed, 5) << s;
  }
  EXPECT_EQ(find("mod 3").code, code::OP_MOD);
  EXPECT_EQ(find("set_param 'XX'").code2, code::X_SET_PARAM);
}

TEST_F(Lexicon, WordGluedToNameCharactersIsNoKeyword) {
  for (const char* s : {"PRINTX", "PRINT1", "PRINT_A", "PRINT.A", "PRINT$", "PRINT%", "GOTOLOOP"})
    EXPECT_EQ(find(s).code, 0) << s;
  EXPECT_EQ(find("PRINT").code, code::D_PRINT);  // at the end of the input
  EXPECT_EQ(find("PRINT(").code, code::D_PRINT);
  EXPECT_EQ(find("PRINT\"A\"").code, code::D_PRINT);
}

TEST_F(Lexicon, BlankInKeywordMatchesRunOfBlanks) {
  Lex_match m = find("END   IF");
  EXPECT_EQ(m.code, code::D_END_IF);
  EXPECT_EQ(m.consumed, 8);
  EXPECT_EQ(find("end\t if").code, code::D_END_IF);
  EXPECT_EQ(find("END SWITCH").code, code::D_END_SWITCH);
  EXPECT_EQ(find("FLOATING  POINT").code, code::D_FLOATING_POINT);
  // Without the blank it is no two-word keyword, and END is glued to IF.
  EXPECT_EQ(find("ENDIF").code, 0);
  // A keyword holding a blank is not a plain word: it matches whatever
  // follows it, as "DEF FN" before the function's name.
  m = find("END IFX");
  EXPECT_EQ(m.code, code::D_END_IF);
  EXPECT_EQ(m.consumed, 6);
  m = find("END I");
  EXPECT_EQ(m.code, code::D_END);
  EXPECT_EQ(m.consumed, 3);
  EXPECT_EQ(find("ENDT").code, code::D_ENDT);
}

TEST_F(Lexicon, ColonRules) {
  EXPECT_EQ(find("PRINT::X").code, 0);
  EXPECT_EQ(find("PRINT:").code, code::D_PRINT);
  EXPECT_EQ(find("PRINT:", true).code, 0);
  EXPECT_EQ(find("PRINT ", true).code, code::D_PRINT);
  // A keyword of punctuation matches whatever follows.
  EXPECT_EQ(find("::", true).code, code::LABEL_END);
}

TEST_F(Lexicon, PunctuationKeywordsMatchBeforeNames) {
  Lex_match m = find("ERR=100");
  EXPECT_EQ(m.code, 136);
  EXPECT_EQ(m.consumed, 4);
  EXPECT_EQ(find("ERR").code, 19);    // the system variable
  EXPECT_EQ(find("ERR(").code, 85);   // the function
  EXPECT_EQ(find("LEN(A$)").code, 100);
  m = find("PIC(1)");
  EXPECT_EQ(m.code, code::XFNC_PREFIX);
  EXPECT_EQ(m.code2, 133);
  m = find("SEP=\",\"");
  EXPECT_EQ(m.code, 132);
  EXPECT_EQ(m.code2, 141);
}

TEST_F(Lexicon, UserFunctionCallAndFnend) {
  Lex_match m = find("FNA(3)");
  EXPECT_EQ(m.code, 88);
  EXPECT_EQ(m.consumed, 2);
  m = find("FNEND");
  EXPECT_EQ(m.code, code::EXT_DIR);
  EXPECT_EQ(m.code2, code::X_XFNC);
  EXPECT_EQ(find("FNENDX").code, 88);
  m = find("DEF   FNA(X)=X");
  EXPECT_EQ(m.code, code::D_DEF);
  EXPECT_EQ(m.code2, 88);
  EXPECT_EQ(m.consumed, 8);
}

TEST_F(Lexicon, SingleLetterMode) {
  ws.Prm.SF = true;
  Lex_match m = find("P R I N T A");
  EXPECT_EQ(m.code, code::D_PRINT);
  EXPECT_EQ(m.consumed, 9);
  EXPECT_EQ(find("PRINTX").code, code::D_PRINT);
  EXPECT_EQ(find("ENDIF").code, code::D_END_IF);
}

TEST_F(Lexicon, ListingTexts) {
  EXPECT_EQ(Lex_text(code::D_END_IF, 0), "END IF");
  EXPECT_EQ(Lex_text(code::D_END_SWITCH, 0), "END SWITCH");
  EXPECT_EQ(Lex_text(code::D_FLOATING_POINT, 0), "FLOATING POINT");
  EXPECT_EQ(Lex_text(code::EXT_DIR, code::X_XFNC), "FNEND");
  EXPECT_EQ(Lex_text(code::EXT_DIR, code::X_LIST_BOX), "LIST_BOX");
  EXPECT_EQ(Lex_text(code::EXT_DIR, code::X_WITH), "WITH");
  EXPECT_EQ(Lex_text(code::STMT_SEP, 0), ";");
  EXPECT_EQ(Lex_text(code::EXT_SYSVAR, 30), "F0");
  // The list-only form that the compiler makes of TABLE inside a statement.
  EXPECT_EQ(Lex_text(code::PREFIX2, 67), "TABLE");
  EXPECT_EQ(find("TABLE").code, code::D_TABLE);
  // The alternative forms of functions list as the function they reach.
  EXPECT_EQ(Lex_text(code::XFNC_PREFIX, 13), "ABS(");
  EXPECT_EQ(Lex_text(code::ALT_FNC, 13), "I3E(");
  EXPECT_EQ(Lex_text(code::ALT_FNC, 73), "PIC(");
  EXPECT_EQ(Lex_text(code::ALT_FNC, 124), "JST(");
}

TEST_F(Lexicon, ItemsPrintNothingAndUnusedCodesAreError49) {
  for (uint8_t c : {0, 1, 5, 11, 247, 250, 252, 255}) {
    bool nothing = false;
    EXPECT_TRUE(Lex_text(c, 0, &nothing).empty());
    EXPECT_TRUE(nothing) << int(c);
  }
  for (auto [c, c2] : {std::pair<int, int>{65, 0}, {138, 0}, {26, 0}, {149, 224}, {149, 149}, {72, 185},
                       {72, 132}, {254, 72}, {12, 57}, {254, 125}}) {
    try {
      Lex_text(uint8_t(c), uint8_t(c2));
      ADD_FAILURE() << c << "/" << c2 << " has a text";
    } catch (const Oru_error& e) {
      EXPECT_EQ(e.no, 49);
    }
  }
}

TEST_F(Lexicon, EveryTableCodeHasAText) {
  for (int c = code::D_ADDR; c <= code::D_END_SWITCH; ++c) EXPECT_FALSE(Lex_text(uint8_t(c), 0).empty()) << c;
  for (int b = code::X_ADD; b <= code::X_WITH; ++b) EXPECT_FALSE(Lex_text(code::EXT_DIR, uint8_t(b)).empty()) << b;
  for (int c = code::FNC_FIRST; c <= code::FNC_LAST; ++c) EXPECT_FALSE(Lex_text(uint8_t(c), 0).empty()) << c;
  for (int b = 73; b <= 131; ++b) EXPECT_FALSE(Lex_text(code::XFNC_PREFIX, uint8_t(b)).empty()) << b;
  for (int b = 133; b <= 184; ++b) EXPECT_FALSE(Lex_text(code::XFNC_PREFIX, uint8_t(b)).empty()) << b;
  for (int c = code::SYSVAR_FIRST; c <= code::SYSVAR_LAST; ++c)
    if (c != 26) {
      EXPECT_FALSE(Lex_text(uint8_t(c), 0).empty()) << c;
    }
  for (int b = 13; b <= 56; ++b) EXPECT_FALSE(Lex_text(code::EXT_SYSVAR, uint8_t(b)).empty()) << b;
  for (int c : {36, 37, 38, 39, 40, 41, 42, 43, 44, 45, 46, 47, 48, 49, 50, 51, 52, 53, 54, 55, 56, 58, 59, 60,
                64, 66, 249})
    EXPECT_FALSE(Lex_text(uint8_t(c), 0).empty()) << c;
}

// Every text the lister prints reads back as a keyword with that same text.
TEST_F(Lexicon, ListingRoundTrip) {
  int checked = 0;
  auto check = [&](uint8_t c, uint8_t c2) {
    std::string_view text;
    bool nothing = false;
    try {
      text = Lex_text(c, c2, &nothing);
    } catch (const Oru_error&) {
      return;
    }
    if (nothing) return;
    std::string s(text);
    Lex_match m = find(s + " ");
    ASSERT_NE(m.code, 0) << s;
    EXPECT_EQ(m.consumed, int(s.size())) << s;
    EXPECT_EQ(Lex_text(m.code, m.code2), text) << s;
    ++checked;
  };
  for (int c = 0; c < 256; ++c) check(uint8_t(c), 0);
  for (uint8_t prefix : LEX_BANK_PREFIX)
    for (int b = 0; b < 256; ++b) check(prefix, uint8_t(b));
  EXPECT_GT(checked, 450);
}

// Every matchable entry of the file is found by its own text, as itself.
TEST_F(Lexicon, EveryEntryFindsItself) {
  std::vector<uint8_t> f = read_file(lex_path);
  ASSERT_GT(f.size(), 6u);
  size_t tlen = get_u16be(&f[0]);
  const uint8_t* tbl = &f[2];
  const uint8_t* names = &f[2 + tlen + 2];
  for (size_t e = 0; e < tlen / 6; ++e) {
    const uint8_t* ent = tbl + e * 6;
    std::string text(reinterpret_cast<const char*>(names + get_u16be(ent + 4)), ent[3]);
    std::string probe = text + " ";
    Lex_match m = find(probe);
    if (ent[2] & LEX_LIST_ONLY) continue;
    if (ent[2] & LEX_OWN_WORD) {
      // A directive's own word is a name elsewhere.
      EXPECT_EQ(m.code, 0) << text;
      m = Find_lex(reinterpret_cast<const uint8_t*>(probe.data()), probe.size(), false, true);
    }
    EXPECT_EQ(m.code, ent[0]) << text;
    EXPECT_EQ(m.code2, ent[1]) << text;
    EXPECT_EQ(m.flags, ent[2]) << text;
    EXPECT_EQ(m.consumed, int(text.size())) << text;
  }
}

// SET_JOURNAL's own words list back as themselves only inside that
// directive; COMMIT elsewhere is a variable name.
TEST_F(Lexicon, OwnWordsListOnlyInTheirDirective) {
  EXPECT_EQ(Lex_own_text(216), "COMMIT");
  EXPECT_EQ(Lex_own_text(168), "ROLLBACK");
  EXPECT_EQ(Lex_own_text(161), "AUTOCOMMIT");
  EXPECT_EQ(Lex_own_text(204), "");
  EXPECT_EQ(Lex_text(216, 0), "SAVE");
  EXPECT_EQ(Lex_text(168, 0), "ENTER");
}

TEST_F(Lexicon, Aliases) {
  EXPECT_EQ(Lex_add_alias("SHOUT", "PRINT"), 0);
  Lex_match m = find("shout 1");
  EXPECT_EQ(m.code, code::D_PRINT);
  EXPECT_EQ(m.consumed, 5);
  EXPECT_EQ(find("SHOUTING").code, 0);
  EXPECT_EQ(Lex_add_alias("", "PRINT"), 46);
  EXPECT_EQ(Lex_add_alias("X", "NOSUCH"), 71);
  EXPECT_EQ(Lex_add_alias("X", "print"), 71);  // the keyword text is exact
  // The newest alias wins.
  EXPECT_EQ(Lex_add_alias("SHOUT", "INPUT"), 0);
  EXPECT_EQ(find("SHOUT").code, code::D_INPUT);
  EXPECT_EQ(Lex_add_alias("ELLIPSE", "SET_PARAM"), 0);
  EXPECT_EQ(find("ellipse").code2, code::X_SET_PARAM);
  Lex_clear_aliases();
  EXPECT_EQ(find("SHOUT").code, 0);
}

TEST_F(Lexicon, MissingFileIs12AndKeepsTheLexicon) {
  EXPECT_EQ(Load_lex("/nonexistent/lextbl.en"), 12);
  EXPECT_TRUE(Lex_loaded());
  EXPECT_EQ(find("PRINT").code, code::D_PRINT);
}

TEST_F(Lexicon, DamagedFilesAre13) {
  std::vector<uint8_t> good = read_file(lex_path);
  ASSERT_GT(good.size(), 100u);
  std::vector<std::vector<uint8_t>> bad;
  bad.push_back({});
  bad.push_back({0});
  bad.push_back({0x00, 0x06, 1, 2, 3});                  // section longer than the file
  bad.push_back(good);
  bad.back().push_back(0);                               // trailing byte
  bad.push_back(good);
  bad.back()[1] = uint8_t(bad.back()[1] - 1);            // table length not a multiple of 6 ...
  bad.push_back(good);
  bad.back()[2 + 5] = 0xFF;                              // text offset beyond the names
  bad.back()[2 + 4] = 0xFF;
  bad.push_back(good);
  bad.back()[2 + 3] = 0;                                 // empty text
  bad.push_back(good);
  bad.back()[good.size() - 1] = 0x03;                    // pointer not at an entry
  bad.push_back(good);
  bad.back()[good.size() - 2] = 0x7F;                    // pointer past the table
  bad.back()[good.size() - 1] = 0xF8;
  for (size_t i = 0; i < bad.size(); ++i) {
    std::string p = temp_file(bad[i]);
    EXPECT_EQ(Load_lex(p.c_str()), 13) << "case " << i;
    unlink(p.c_str());
  }
  // Every truncation of the good file.
  for (size_t n = 0; n < good.size(); n += 7) {
    std::string p = temp_file(std::vector<uint8_t>(good.begin(), good.begin() + long(n)));
    EXPECT_EQ(Load_lex(p.c_str()), 13) << "length " << n;
    unlink(p.c_str());
  }
  // The loaded lexicon survives failed loads.
  EXPECT_EQ(find("PRINT").code, code::D_PRINT);
}

TEST_F(Lexicon, RandomDamageNeverReadsOutOfBounds) {
  std::vector<uint8_t> good = read_file(lex_path);
  std::srand(7);
  for (int round = 0; round < 200; ++round) {
    std::vector<uint8_t> f = good;
    for (int k = 0; k < 4; ++k) f[size_t(std::rand()) % f.size()] = uint8_t(std::rand());
    std::string p = temp_file(f);
    int rc = Load_lex(p.c_str());
    unlink(p.c_str());
    EXPECT_TRUE(rc == 0 || rc == 13);
    for (const char* s : {"PRINT A", "END IF", "<=", "zzz", "FNA(", "@X(", "\xff"}) find(s);
    for (int c = 0; c < 256; ++c) {
      try {
        Lex_text(uint8_t(c), 0);
        Lex_text(code::EXT_DIR, uint8_t(c));
      } catch (const Oru_error& e) {
        EXPECT_EQ(e.no, 49);
      }
    }
  }
  ASSERT_EQ(Load_lex(lex_path.c_str()), 0);
}

TEST(LexiconInit, LanguageFallsBackToEnglish) {
  const char* saved_dir = ws.Lib_dir;
  ws.Lib_dir = ORU_TEST_LIBDIR;
  for (const char* lang : {"zz", "../../etc", "en"}) {
    setenv("ORULANG", lang, 1);
    Clear_lex();
    EXPECT_EQ(Init_lex(), 0) << lang;
    EXPECT_TRUE(Lex_loaded());
  }
  unsetenv("ORULANG");
  ws.Lib_dir = "/nonexistent";
  EXPECT_EQ(Init_lex(), 12);
  ws.Lib_dir = saved_dir;
  Clear_lex();
  EXPECT_FALSE(Lex_loaded());
  EXPECT_EQ(find("PRINT").code, 0);
  try {
    Lex_text(code::D_PRINT, 0);
    ADD_FAILURE() << "no lexicon, yet a text";
  } catch (const Oru_error& e) {
    EXPECT_EQ(e.no, 64);
  }
  EXPECT_EQ(Load_lex(lex_path.c_str()), 0);  // leave one loaded for other tests
}

}  // namespace

// The message file: record layout, texts, case tables, date names.
#include "core/messages.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/console_device.h"
#include "core/errors.h"
#include "core/workspace.h"

namespace {

const std::string msg_path = std::string(ORU_TEST_LIBDIR) + "/_mlfile.en";

std::string temp_messages(const std::vector<std::pair<int, std::string>>& recs) {
  std::vector<char> bytes;
  for (auto& [n, text] : recs) {
    if (bytes.size() < size_t(n + 1) * 80) bytes.resize(size_t(n + 1) * 80, 0);
    std::memcpy(&bytes[size_t(n) * 80], text.data(), text.size());
  }
  char name[] = "/tmp/oru_msg_XXXXXX";
  int fd = mkstemp(name);
  EXPECT_GE(fd, 0);
  EXPECT_EQ(write(fd, bytes.data(), bytes.size()), ssize_t(bytes.size()));
  close(fd);
  return name;
}

class Messages : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_GE(Msg_open_file(msg_path.c_str()), 0); }
  void TearDown() override { Msg_open_file(msg_path.c_str()); }
};

TEST_F(Messages, FixedRecordsPaddedWithNul) {
  std::ifstream in(msg_path, std::ios::binary);
  std::string f{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  ASSERT_EQ(f.size() % 80, 0u);
  ASSERT_GE(f.size(), 152u * 80);
  std::string rec20 = f.substr(20 * 80, 80);
  std::string text = Msg_text(20);
  ASSERT_FALSE(text.empty());
  EXPECT_EQ(rec20.compare(0, text.size(), text), 0);
  EXPECT_EQ(rec20.find_first_not_of('\0', text.size()), std::string::npos);
  EXPECT_NE(Msg_text(MSG_PAGE_STOP).rfind("Error:", 0), 0u);
}

TEST_F(Messages, TextsAndMissingRecords) {
  EXPECT_EQ(Msg_text(20), "Syntax error");
  EXPECT_EQ(Msg_text(12), "File not found");
  EXPECT_EQ(Msg_text(6), "Error:006");    // no record in the file
  EXPECT_EQ(Msg_text(250), "Error:250");  // past the end of the file
  EXPECT_EQ(Msg_text(256 + 2), std::strerror(2));
  std::string p = temp_messages({{20, "Bad"}, {98, "x"}});
  ASSERT_GE(Msg_open_file(p.c_str()), 0);
  EXPECT_EQ(Msg_text(20), "Bad");
  EXPECT_EQ(Msg_text(99), "Error:099");
  unlink(p.c_str());
  Msg_close();
  EXPECT_EQ(ws.Msg_fd, -1);
  EXPECT_EQ(Msg_text(99), "Error:099");
  EXPECT_EQ(Msg_text(20), "Error:020");
}

TEST_F(Messages, UserTextsHideTheFile) {
  Msg_define(20, "Mine");
  EXPECT_EQ(Msg_text(20), "Mine");
  Msg_define(20, "Newer");
  EXPECT_EQ(Msg_text(20), "Newer");
  EXPECT_TRUE(Msg_undefine(20));
  EXPECT_FALSE(Msg_undefine(20));
  EXPECT_EQ(Msg_text(20), "Syntax error");
  Msg_define_named("greeting", "hello");
  std::string t;
  EXPECT_TRUE(Msg_named("greeting", &t));
  EXPECT_EQ(t, "hello");
  EXPECT_TRUE(Msg_undefine_named("greeting"));
  EXPECT_FALSE(Msg_named("greeting", &t));
}

TEST_F(Messages, CaseTablesFromTheFile) {
  EXPECT_EQ(Uppercs['a'], 'A');
  EXPECT_EQ(Uppercs['A'], 'A');
  EXPECT_EQ(Uppercs['{'], '{');
  EXPECT_EQ(Uppercs[0xE9], 0xC9);  // e acute
  EXPECT_EQ(Uppercs[0xF7], 0xF7);  // division sign
  EXPECT_EQ(Uppercs[0xFF], 0xFF);  // y diaeresis has no Latin-1 capital
  EXPECT_EQ(Uppercs[0xDF], 0xDF);  // sharp s
  EXPECT_EQ(Lowercs['Q'], 'q');
  EXPECT_EQ(Lowercs[0xC9], 0xE9);
  EXPECT_EQ(Lowercs[0xD7], 0xD7);  // multiplication sign
  EXPECT_EQ(Accents[0xE9], 'e');
  EXPECT_EQ(Accents[0xC5], 'A');
  EXPECT_EQ(Accents[0xD1], 'N');
  EXPECT_EQ(Accents[0xC6], 0xC6);  // AE stays
  EXPECT_EQ(Accents['x'], 'x');
  for (int c = 0; c < 128; ++c) EXPECT_EQ(Accents[c], c);
}

TEST_F(Messages, TablesReplacedAndReloaded) {
  std::string same(256, '\0');
  for (int i = 0; i < 256; ++i) same[size_t(i)] = char(i);
  Load_tbl(MSG_UPPERCS, Uppercs, same);
  EXPECT_EQ(Uppercs['a'], 'a');
  Load_tbl(MSG_UPPERCS, Uppercs, "");
  EXPECT_EQ(Uppercs['a'], 'A');
  try {
    Load_tbl(MSG_UPPERCS, Uppercs, std::string(255, 'x'));
    ADD_FAILURE();
  } catch (const Oru_error& e) {
    EXPECT_EQ(e.no, 46);
  }
  EXPECT_EQ(Uppercs['b'], 'B');
}

TEST_F(Messages, CaseBlindCompare) {
  EXPECT_EQ(memicmp("Hello", "HELLO", 5), 0);
  EXPECT_GT(memicmp("abd", "ABC", 3), 0);
  EXPECT_LT(memicmp("ab", "AC", 2), 0);
  EXPECT_EQ(memicmp("abX", "ABY", 2), 0);
  EXPECT_EQ(memicmp("\xe9t\xe9", "\xc9T\xc9", 3), 0);
}

TEST_F(Messages, DayAndMonthNames) {
  int commas = 0;
  for (char c : Dte_names()) commas += c == ',';
  EXPECT_EQ(commas, DTE_NAME_COUNT - 1);
  EXPECT_EQ(Dte_name(0), "");
  EXPECT_EQ(Dte_name(1), "January");
  EXPECT_EQ(Dte_name(12), "December");
  EXPECT_EQ(Dte_name(13), "Monday");
  EXPECT_EQ(Dte_name(19), "Sunday");
  EXPECT_EQ(Dte_name(20), "am");
  EXPECT_EQ(Dte_name(23), "PM");
  EXPECT_EQ(Dte_name(24), "Jan");
  EXPECT_EQ(Dte_name(36), "Mon");
  EXPECT_EQ(Dte_name(46), "P");
  EXPECT_EQ(Dte_name(47), "");
  EXPECT_EQ(Dte_name(-1), "");
}

TEST_F(Messages, DefineDateNames) {
  std::string list;
  for (int i = 0; i < DTE_NAME_COUNT; ++i) list += (i ? "," : "") + std::string("n") + std::to_string(i);
  Load_dte(list);
  EXPECT_EQ(Dte_name(1), "n1");
  EXPECT_EQ(Dte_name(46), "n46");
  try {
    Load_dte("a,b,c");
    ADD_FAILURE();
  } catch (const Oru_error& e) {
    EXPECT_EQ(e.no, 35);
  }
  EXPECT_EQ(Dte_name(1), "n1");
  Load_dte("");
  EXPECT_EQ(Dte_name(1), "January");
}

TEST_F(Messages, CommaListRecord) {
  EXPECT_EQ(Msg_comma_list(), "");  // not in our file
  std::string p = temp_messages({{MSG_COMMA_LIST, "a,b"}, {129, "x"}});
  ASSERT_GE(Msg_open_file(p.c_str()), 0);
  EXPECT_EQ(Msg_comma_list(), "a,b,");
  // A file without date names reads them as "Error:" texts; the tables
  // of a short file are left as they were.
  EXPECT_EQ(Dte_name(0), "x");
  EXPECT_EQ(Uppercs['a'], 'A');
  unlink(p.c_str());
}

TEST_F(Messages, ReadIntoTheAccumulator) {
  std::vector<uint8_t> area(256);
  uint8_t* saved_ptr = ws.Work_ptr;
  uint8_t* saved_end = ws.Work_end;
  ws.Work_ptr = area.data();
  ws.Work_end = area.data() + area.size();
  Msg_read(20);
  EXPECT_EQ(ws.Str_len, 12);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(ws.Str_ptr), size_t(ws.Str_len)), "Syntax error");
  EXPECT_EQ(ws.Work_ptr, area.data() + 12);
  ws.Work_ptr = saved_ptr;
  ws.Work_end = saved_end;
}

TEST_F(Messages, DisplayKeepsTheAccumulator) {
  uint8_t text[] = "keep";
  ws.Str_ptr = text;
  ws.Str_len = 4;
  Con_flush();
  testing::internal::CaptureStdout();
  Disp_error(12);
  Con_flush();
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out, "File not found\n");
  EXPECT_EQ(ws.Str_ptr, text);
  EXPECT_EQ(ws.Str_len, 4);
}

TEST(MessagesOpen, LanguageFallsBackToEnglish) {
  const char* saved = ws.Lib_dir;
  ws.Lib_dir = ORU_TEST_LIBDIR;
  setenv("ORULANG", "zz", 1);
  EXPECT_GE(Msg_open(), 0);
  EXPECT_EQ(Msg_text(20), "Syntax error");
  unsetenv("ORULANG");
  ws.Lib_dir = "/nonexistent";
  EXPECT_EQ(Msg_open(), -1);
  EXPECT_GE(ws.Msg_fd, 0);  // a failed open keeps the file that is open
  ws.Lib_dir = saved;
}

}  // namespace

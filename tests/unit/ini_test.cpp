// The ini reader: sections and keys matched without regard to case, no
// trimming, the first section of a name only, 499-byte pieces.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/ini.h"

namespace {

class IniTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/oru_ini_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    path_ = dir_ + "/test.ini";
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  void write(const std::string& text) { std::ofstream(path_, std::ios::binary) << text; }
  std::string get(const char* section, const char* key, const char* def = "DEF", int size = 200, int* rc = nullptr) {
    char out[512];
    int n = GetPrivateProfileString(section, key, def, out, size, path_.c_str());
    if (rc) *rc = n;
    return out;
  }
  std::string dir_, path_;
};

TEST_F(IniTest, SectionsAndKeysAreCaseBlind) {
  write("[Config]\nLibrary=/opt/lib\n[Other]\nlibrary=/wrong\n");
  int rc = 0;
  EXPECT_EQ(get("CONFIG", "LIBRARY", "DEF", 200, &rc), "/opt/lib");
  EXPECT_EQ(rc, 8);
  EXPECT_EQ(get("other", "Library"), "/wrong");
  EXPECT_EQ(Ini_string(path_, "config", "library", "x"), "/opt/lib");
}

TEST_F(IniTest, NoTrimmingAroundTheEqualsSign) {
  write("[Config]\nLibrary = /opt/lib\nDirectory= /d \n");
  int rc = -1;
  EXPECT_EQ(get("Config", "Library", "DEF", 200, &rc), "DEF");
  EXPECT_EQ(rc, 0);  // the file opened; the key is "Library " and does not match
  EXPECT_EQ(get("Config", "Library "), " /opt/lib");
  EXPECT_EQ(get("Config", "Directory"), " /d ");
}

TEST_F(IniTest, MissingFileGivesTheDefaultAndItsLength) {
  int rc = 0;
  char out[16];
  rc = GetPrivateProfileString("Config", "Library", "abc", out, sizeof out, (dir_ + "/none.ini").c_str());
  EXPECT_EQ(rc, 3);
  EXPECT_STREQ(out, "abc");
  EXPECT_EQ(Ini_string(dir_ + "/none.ini", "Config", "Library", "d"), "d");
  EXPECT_TRUE(Ini_keys(dir_ + "/none.ini", "Config").empty());
}

TEST_F(IniTest, OnlyTheFirstSectionOfANameCounts) {
  write("[A]\nk=1\n[B]\nj=2\n[a]\nk=3\nm=4\n");
  EXPECT_EQ(get("A", "k"), "1");
  EXPECT_EQ(get("A", "m"), "DEF");  // in the second [a], which does not count
  EXPECT_EQ(get("A", "j"), "DEF");  // the section ends at the next "["
}

TEST_F(IniTest, SectionLineMustMatchTheWholeName) {
  write("[Configure]\nk=1\n[Conf\nk=2\n[Config] trailing words\nk=3\n");
  EXPECT_EQ(get("Config", "k"), "3");
  EXPECT_EQ(get("Conf", "k"), "DEF");
}

TEST_F(IniTest, CarriageReturnIsKept) {
  write("[S]\nk=v\r\n");
  EXPECT_EQ(get("S", "k"), "v\r");
}

TEST_F(IniTest, EmptyValueIsFoundAndKeyMustBeFollowedByEquals) {
  write("[S]\nk=\nkey\nkeyx=1\n");
  int rc = -1;
  EXPECT_EQ(get("S", "k", "DEF", 200, &rc), "");
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(get("S", "key"), "DEF");
}

TEST_F(IniTest, ValueIsCutToTheBuffer) {
  write("[S]\nk=abcdefgh\n");
  int rc = 0;
  EXPECT_EQ(get("S", "k", "", 4, &rc), "abc");
  EXPECT_EQ(rc, 3);
  char one[1] = {'x'};
  EXPECT_EQ(GetPrivateProfileString("S", "k", "", one, 0, path_.c_str()), 0);
  EXPECT_EQ(one[0], 'x');  // size 0: nothing written
}

TEST_F(IniTest, LongLinesAreReadInPiecesOf499Bytes) {
  // The first piece holds "k=" and 497 value bytes; the rest of the line is
  // read as a line of its own, so it can be a key.
  std::string line = "k=" + std::string(497, 'a') + "z=tail";
  write("[S]\n" + line + "\n");
  char out[1024];
  int rc = GetPrivateProfileString("S", "k", "", out, sizeof out, path_.c_str());
  EXPECT_EQ(rc, 497);
  EXPECT_EQ(get("S", "z"), "tail");
}

TEST_F(IniTest, NullKeyListsKeyNames) {
  write("[S]\nalpha=1\nno equals\nbe=2\n[T]\nx=1\n");
  char out[64];
  int rc = GetPrivateProfileString("S", nullptr, "", out, sizeof out, path_.c_str());
  EXPECT_EQ(rc, 9);
  EXPECT_EQ(std::string(out, size_t(rc)), std::string("alpha\0be\0", 9));
  // A name that would leave fewer than 2 bytes free is left out.
  rc = GetPrivateProfileString("S", nullptr, "", out, 9, path_.c_str());
  EXPECT_EQ(std::string(out, size_t(rc)), std::string("alpha\0", 6));
  rc = GetPrivateProfileString("S", nullptr, "", out, 8, path_.c_str());
  EXPECT_EQ(std::string(out, size_t(rc)), std::string("alpha\0", 6));  // leaves exactly 2
  rc = GetPrivateProfileString("S", nullptr, "", out, 7, path_.c_str());
  EXPECT_EQ(std::string(out, size_t(rc)), std::string("be\0", 3));
  EXPECT_EQ(GetPrivateProfileString("None", nullptr, "", out, sizeof out, path_.c_str()), 0);
}

TEST_F(IniTest, IntegerForm) {
  write("[S]\nn=42\nm=-7x\nw=abc\n");
  EXPECT_EQ(GetPrivateProfileInt("S", "n", 5, path_.c_str()), 42);
  EXPECT_EQ(GetPrivateProfileInt("S", "m", 5, path_.c_str()), -7);
  EXPECT_EQ(GetPrivateProfileInt("S", "w", 5, path_.c_str()), 0);
  EXPECT_EQ(GetPrivateProfileInt("S", "none", 5, path_.c_str()), 5);
  EXPECT_EQ(GetPrivateProfileInt("S", "n", 5, (dir_ + "/none").c_str()), 5);
}

TEST_F(IniTest, EntriesKeepTheFirstValueOfAKey) {
  write("[G]\nA=1\nB$=two\na=3\n");
  auto e = Ini_entries(path_, "g");
  ASSERT_EQ(e.size(), 2u);
  EXPECT_EQ(e[0].first, "A");
  EXPECT_EQ(e[0].second, "1");
  EXPECT_EQ(e[1].first, "B$");
  EXPECT_EQ(e[1].second, "two");
  EXPECT_EQ(Ini_keys(path_, "G").size(), 3u);
}

// A working-directory ini is checked on the descriptor it is read from and
// its contents kept: a file swapped in at its name afterwards is not read.
TEST_F(IniTest, KeptOwnFileIsTheOneChecked) {
  write("[Config]\nLibrary=/checked\n");
  chmod(path_.c_str(), 0644);
  ASSERT_EQ(Ini_keep_own(path_), 1);
  std::string swap = dir_ + "/swap.ini";
  std::ofstream(swap) << "[Config]\nLibrary=/swapped\nCommandline=x\n";
  chmod(swap.c_str(), 0666);
  std::filesystem::rename(swap, path_);
  EXPECT_EQ(Ini_string(path_, "Config", "Library", ""), "/checked");
  EXPECT_EQ(Ini_string(path_, "Config", "Commandline", "none"), "none");
  EXPECT_EQ(get("Config", "Library"), "/checked");
  Ini_forget_kept();
  EXPECT_EQ(Ini_string(path_, "Config", "Library", ""), "/swapped");
}

TEST_F(IniTest, KeepOwnRefusesWhatOthersControl) {
  EXPECT_EQ(Ini_keep_own(dir_ + "/missing.ini"), 0);
  write("[Config]\nLibrary=/x\n");
  chmod(path_.c_str(), 0664);
  EXPECT_EQ(Ini_keep_own(path_), -1);
  chmod(path_.c_str(), 0646);
  EXPECT_EQ(Ini_keep_own(path_), -1);
  // A FIFO at the name neither blocks nor counts.
  std::string fifo = dir_ + "/fifo.ini";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
  EXPECT_EQ(Ini_keep_own(fifo), -1);
  EXPECT_EQ(Ini_keep_own(dir_), -1);
  // An empty file is kept as empty: defaults everywhere.
  write("");
  chmod(path_.c_str(), 0600);
  ASSERT_EQ(Ini_keep_own(path_), 1);
  EXPECT_EQ(Ini_string(path_, "Config", "Library", "def"), "def");
  Ini_forget_kept();
}

}  // namespace

// Name resolution of OPEN: prefix-list entries, name forms, virtual
// directories, the file-name map and OPT= words; and the open-file table's
// handling of read-only opens beside shared ones.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "channels/open.h"
#include "core/host.h"
#include "core/messages.h"
#include "core/params.h"
#include "core/process_config.h"
#include "core/workspace.h"
#include "test_util.h"

namespace {

class Open_paths : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int i = 0; i < PFX_LISTS; ++i) Pfx_set(i, "");
    Pfx_set_start(0);
    Prm_defaults();
    szSysFlMap.clear();
    ws.Lib_dir = "/lib/oru";
  }
  void TearDown() override {
    for (int i = 0; i < PFX_LISTS; ++i) Pfx_set(i, "");
    szSysFlMap.clear();
    ws.Lib_dir = nullptr;
  }
  // Every candidate of a name.
  std::vector<std::string> candidates(const std::string& name) {
    Set_path(name);
    std::vector<std::string> v;
    while (Next_path() == 0) v.push_back(ws.Path_buf);
    return v;
  }
};

using V = std::vector<std::string>;

TEST_F(Open_paths, PrefixEntriesStandBeforeTheNameThenTheNameAsGiven) {
  Pfx_set(0, "/a/ /b/");
  Pfx_set(2, "/c/");
  EXPECT_EQ(candidates("f"), (V{"/a/f", "/b/f", "/c/f", Path_convert("f")}));
}

TEST_F(Open_paths, StarIsTheWholeNameAndIsSkippedForNamesWithADotOrSlash) {
  Pfx_set(0, "/d/*.dat /e/");
  EXPECT_EQ(candidates("cust"), (V{"/d/cust.dat", "/e/cust", Path_convert("cust")}));
  EXPECT_EQ(candidates("cust.x"), (V{"/e/cust.x", Path_convert("cust.x")}));
}

TEST_F(Open_paths, EqualsTakesTheNextCharacterOfTheName) {
  Pfx_set(0, "/h/=/ /i/==/");
  EXPECT_EQ(candidates("xyz"), (V{"/h/x/xyz", "/i/xy/xyz", Path_convert("xyz")}));
  // An entry that needs more characters than the name has is skipped.
  EXPECT_EQ(candidates("q"), (V{"/h/q/q", Path_convert("q")}));
}

TEST_F(Open_paths, QuotesGroupBlanksAndDoubleStarIsOneStar) {
  Pfx_set(0, "\"/with blank/\" \"/say \"\"hi\"\"/\" /s**/");
  EXPECT_EQ(candidates("n"), (V{"/with blank/n", "/say \"hi\"/n", "/s*/n", Path_convert("n")}));
}

TEST_F(Open_paths, SearchStartsAtTheStartListAndWraps) {
  Pfx_set(0, "/zero/");
  Pfx_set(35, "/last/");
  Pfx_set_start(35);
  EXPECT_EQ(candidates("f"), (V{"/last/f", "/zero/f", Path_convert("f")}));
}

TEST_F(Open_paths, NameFormsTakenAsTheyStand) {
  Pfx_set(0, "/p/");
  EXPECT_EQ(candidates("<ls -l *"), V{"<ls -l *"});
  EXPECT_EQ(candidates("[tcp]host;80"), V{"[tcp]host;80"});
  EXPECT_EQ(std::string(ws.File_name12, 12), "[tcp]       ");
  EXPECT_EQ(candidates("*memory*"), V{"*memory*"});
  // A leading "/" bypasses the prefix lists.
  EXPECT_EQ(candidates("/abs/f"), V{"/abs/f"});
}

TEST_F(Open_paths, StarNamesAreTheLibrarysAlone) {
  // Neither a PREFIX directory nor the working directory can stand in for
  // a library program.
  Pfx_set(0, "/p/");
  EXPECT_EQ(candidates("*Util"), (V{Lib_dir_path() + "/_util"}));
  Path_drive(1);
  EXPECT_EQ(Next_path(), 1);
  // In a library name ";" ends the name.
  EXPECT_EQ(candidates("*prog;entry").front(), Lib_dir_path() + "/_prog");
}

TEST_F(Open_paths, ParameterCdTriesTheNameFirst) {
  Pfx_set(0, "/p/");
  Sw_word(sw::CD.word) |= sw::CD.mask;
  EXPECT_EQ(candidates("f"), (V{Path_convert("f"), "/p/f"}));
}

TEST_F(Open_paths, FileNameMapAndCase) {
  szSysFlMap = "-_ab";
  EXPECT_EQ(candidates("/x-a"), V{"/x_b"});
  Sw_word(sw::FU.word) |= sw::FU.mask;
  EXPECT_EQ(candidates("lower"), V{Path_convert("LOWER")});
}

TEST_F(Open_paths, TrailingBlanksDroppedAndLengthChecked) {
  EXPECT_EQ(candidates("/f   "), V{"/f"});
  EXPECT_EQ(error_no([] { Set_path(std::string("   ")); }), 10);
  EXPECT_EQ(error_no([] { Set_path(std::string(512, 'x')); }), 10);
}

TEST_F(Open_paths, RestartGivesTheSameCandidatesAgain) {
  Pfx_set(0, "/a/");
  V first = candidates("f");
  Restart_path();
  V again;
  while (Next_path() == 0) again.push_back(ws.Path_buf);
  EXPECT_EQ(first, again);
}

TEST_F(Open_paths, VirtualDirectories) {
  Kest_AddVdir("data", "/srv/data");
  Kest_AddVdir("*/tmp", "/scratch");
  std::string n = "DATA/cust.dat";
  EXPECT_TRUE(Kest_ChkVdir(n));
  EXPECT_EQ(n, "/srv/data/cust.dat");
  n = "database";  // a longer word is no match
  EXPECT_FALSE(Kest_ChkVdir(n));
  n = "x/y/tmp";
  EXPECT_TRUE(Kest_ChkVdir(n));
  EXPECT_EQ(n, "/scratch");
  EXPECT_EQ(Kest_GetVdir("Data"), "/srv/data");
  Kest_AddVdir("data", "");  // an empty target removes it
  EXPECT_EQ(Kest_GetVdir("data"), "");
  Kest_AddVdir("*/tmp", "");
  EXPECT_EQ(error_no([] { Kest_AddVdir("", "/x"); }), 46);
  EXPECT_EQ(error_no([] { Kest_GetVdir(""); }), 46);
}

TEST_F(Open_paths, LocalPrefixIsDroppedWithoutAThinClient) {
  std::string n = "[lcl][lcl]file";
  Kest_ChkLclPfx(n);
  EXPECT_EQ(n, "file");
  n = "[lcl]";
  EXPECT_EQ(error_no([&] { Kest_ChkLclPfx(n); }), 10);
}

TEST_F(Open_paths, OptWords) {
  ws.Io_opts = 0;
  ws.Io_open_mods = 0;
  std::string t = "o_rdonly;O_APPEND,o_create,unknown,O_EX\\CL";
  KestOpenOpts(u(t), int32_t(t.size()));
  EXPECT_EQ(ws.Io_opts, IO_INPUT_ONLY | IO_EXCLUSIVE);
  EXPECT_EQ(ws.Io_open_mods, OM_APPEND | OM_CREATE);
}

// ---- the open-file table and read-only opens ----

class Open_table : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/oru_open_XXXXXX";
    int fd = mkstemp(tmpl);
    ASSERT_GE(fd, 0);
    close(fd);
    path = tmpl;
  }
  void TearDown() override {
    while (Rsv_cnt > 0) {
      Rsv_tbl[0].count = 1;
      Close(Rsv_tbl[0].fd);
    }
    unlink(path.c_str());
  }
  // Whether another process can open the file exclusively now.
  bool exclusive_elsewhere() {
    pid_t pid = fork();
    if (pid == 0) {
      Rsv_cnt = 0;
      Open_opts ex;
      ex.exclusive = true;
      _exit(Open(path.c_str(), O_RDWR, ex) >= 0 ? 0 : 1);
    }
    int st = 0;
    waitpid(pid, &st, 0);
    return WIFEXITED(st) && WEXITSTATUS(st) == 0;
  }
  std::string path;
};

TEST_F(Open_table, ReadOnlyOpenSharesTheDescriptorAndKeepsTheMark) {
  int rw = Open(path.c_str(), O_RDWR, Open_opts{});
  ASSERT_GE(rw, 0);
  int ro = Open(path.c_str(), O_RDONLY, Open_opts{});
  EXPECT_EQ(ro, rw);
  EXPECT_EQ(Rsv_cnt, 1);
  // Closing the reader must not drop the process's mark on the file.
  Close(ro);
  EXPECT_FALSE(exclusive_elsewhere());
  Close(rw);
  EXPECT_TRUE(exclusive_elsewhere());
}

TEST_F(Open_table, ReadOnlyOpenIsMarkedForOthers) {
  int ro = Open(path.c_str(), O_RDONLY, Open_opts{});
  ASSERT_GE(ro, 0);
  EXPECT_FALSE(exclusive_elsewhere());
  // A later read-write open widens the one descriptor and keeps the mark.
  int rw = Open(path.c_str(), O_RDWR, Open_opts{});
  ASSERT_EQ(rw, ro);
  EXPECT_EQ(Rsv_tbl[0].access, O_RDWR);
  EXPECT_EQ(write(rw, "x", 1), 1);
  EXPECT_FALSE(exclusive_elsewhere());
  Close(rw);
  Close(ro);
  EXPECT_TRUE(exclusive_elsewhere());
}

TEST_F(Open_table, HeldHereIsToldApartFromRefusedPermission) {
  Open_opts ex;
  ex.exclusive = true;
  int fd = Open(path.c_str(), O_RDWR, ex);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(Open(path.c_str(), O_RDONLY, Open_opts{}), -1);
  EXPECT_EQ(errno, EACCES);
  EXPECT_TRUE(Open_held_here());
  Close(fd);
  EXPECT_EQ(Open("/no/such/dir/f", O_RDONLY, Open_opts{}), -1);
  EXPECT_FALSE(Open_held_here());
}

TEST_F(Open_table, CloseOfASharedDescriptorKeepsItForTheOtherUser) {
  // Two channels of one file share one descriptor: the close of one (as a
  // parked descriptor of the deferred close is closed) must leave it open.
  int a = Open(path.c_str(), O_RDWR, Open_opts{});
  int b = Open(path.c_str(), O_RDWR, Open_opts{});
  ASSERT_GE(a, 0);
  ASSERT_EQ(a, b);
  Close(a);
  EXPECT_EQ(pwrite(b, "ok", 2, 0), 2);
  EXPECT_FALSE(exclusive_elsewhere());
  Close(b);
  EXPECT_EQ(Rsv_cnt, 0);
  EXPECT_TRUE(exclusive_elsewhere());
}

TEST_F(Open_table, DescriptorClosedBehindTheTableIsNotHandedOut) {
  int fd = Open(path.c_str(), O_RDWR, Open_opts{});
  ASSERT_GE(fd, 0);
  ::close(fd);
  // The number may now belong to another file.
  std::string other = path + ".other";
  int o = open(other.c_str(), O_RDWR | O_CREAT, 0600);
  ASSERT_GE(o, 0);
  int again = Open(path.c_str(), O_RDWR, Open_opts{});
  ASSERT_GE(again, 0);
  EXPECT_EQ(pwrite(again, "mine", 4, 0), 4);
  EXPECT_EQ(filelength(o), 0);
  EXPECT_EQ(Rsv_cnt, 1);
  // And an exclusive open is not refused as held by this process.
  Close(again);
  Open_opts ex;
  ex.exclusive = true;
  fd = Open(path.c_str(), O_RDWR, ex);
  EXPECT_GE(fd, 0);
  ::close(o);
  unlink(other.c_str());
}

}  // namespace

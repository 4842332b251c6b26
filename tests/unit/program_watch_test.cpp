// Change notices for kept program images: a write, a rename over the file
// and a move of a directory above it each give a notice for one of the
// watches the file got; a path through a symbolic link is not watched.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <set>
#include <string>

#include "programs/program_watch.h"

namespace {

std::set<int32_t> seen;
void note(int32_t wd) { seen.insert(wd); }

std::set<int32_t> drain() {
  seen.clear();
  if (Watch_pending()) Watch_drain(note);
  return seen;
}

class Program_watch : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/oru_watch_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    char real[4096];
    ASSERT_NE(realpath(tmpl, real), nullptr);
    dir = real;
    drain();
  }
  void TearDown() override {
    for (int32_t i = 0; i < n; i++) Watch_remove(wds[i]);
    std::string cmd = "rm -rf '" + dir + "'";
    ASSERT_EQ(system(cmd.c_str()), 0);
    drain();
  }
  void write(const std::string& path, const std::string& text) { std::ofstream(path) << text; }
  std::string dir;
  int32_t wds[WATCH_MAX] = {};
  int n = 0;
};

TEST_F(Program_watch, AWriteGivesANoticeForTheFile) {
  std::string f = dir + "/prog";
  write(f, "one");
  n = Watch_add(f.c_str(), wds);
  if (n == 0) GTEST_SKIP() << "no change notices here";
  ASSERT_GE(n, 2);  // the file and the directories above it
  EXPECT_TRUE(drain().empty());
  write(f, "two");
  EXPECT_EQ(drain().count(wds[0]), 1u);
  EXPECT_TRUE(drain().empty());  // read once
}

TEST_F(Program_watch, RenameOverTheFileAndMovedDirectoriesGiveNotices) {
  std::string sub = dir + "/d";
  ASSERT_EQ(system(("mkdir '" + sub + "'").c_str()), 0);
  std::string f = sub + "/prog";
  write(f, "one");
  n = Watch_add(f.c_str(), wds);
  if (n == 0) GTEST_SKIP() << "no change notices here";
  write(sub + "/other", "two");
  ASSERT_EQ(std::rename((sub + "/other").c_str(), f.c_str()), 0);
  EXPECT_EQ(drain().count(wds[0]), 1u);  // its link count fell
  for (int32_t i = 0; i < n; i++) Watch_remove(wds[i]);
  drain();
  n = Watch_add(f.c_str(), wds);
  ASSERT_GE(n, 2);
  ASSERT_EQ(std::rename(sub.c_str(), (dir + "/d.old").c_str()), 0);
  EXPECT_EQ(drain().count(wds[1]), 1u);  // the directory above moved
}

TEST_F(Program_watch, APathThroughALinkIsNotWatched) {
  std::string f = dir + "/prog";
  write(f, "one");
  ASSERT_EQ(symlink(dir.c_str(), (dir + "/link").c_str()), 0);
  std::string via = dir + "/link/prog";
  EXPECT_EQ(Watch_add(via.c_str(), wds), 0);
  EXPECT_EQ(Watch_add("relative/name", wds), 0);
}

}  // namespace

// Descriptors the interpreter opens for itself never reach a child: every
// one carries close-on-exec.  A damaged keyed file whose key 0 cannot carry
// its sequence number fails with error 17, never a read outside the key.
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "keyed_env.h"

namespace {

// The descriptors of this process open on path (by /proc/self/fd).
std::vector<int> fds_on(const std::string& path) {
  std::vector<int> out;
  DIR* d = opendir("/proc/self/fd");
  if (!d) return out;
  while (struct dirent* e = readdir(d)) {
    int fd = std::atoi(e->d_name);
    if (e->d_name[0] == '.' || fd == dirfd(d)) continue;
    char target[4096];
    ssize_t n = readlink(("/proc/self/fd/" + std::string(e->d_name)).c_str(), target, sizeof target - 1);
    if (n <= 0) continue;
    target[n] = 0;
    if (path == target) out.push_back(fd);
  }
  closedir(d);
  return out;
}

bool cloexec(int fd) { return (fcntl(fd, F_GETFD) & FD_CLOEXEC) != 0; }

using Descriptors = KeyedTest;

TEST_F(Descriptors, KeyedFilesAndTheirSegmentsAreClosedOnExec) {
  if (access("/proc/self/fd", R_OK) != 0) GTEST_SKIP() << "no /proc/self/fd";
  prmblk.MB = 1;
  std::string p = make("seg", 400, 8, true, 0, 10, 1);
  Key_chan* ch = open(p);
  std::string rec(400, 'r');
  for (int i = 0; i < 4000; ++i) {
    char k[16];
    std::snprintf(k, sizeof k, "k%06d", i);
    put(ch, k, rec);
  }
  std::vector<int> main_fds = fds_on(p), seg_fds = fds_on(p + ".001");
  ASSERT_FALSE(main_fds.empty());
  ASSERT_FALSE(seg_fds.empty()) << "no segment file was made";
  for (int fd : main_fds) EXPECT_TRUE(cloexec(fd)) << "main file, descriptor " << fd;
  for (int fd : seg_fds) EXPECT_TRUE(cloexec(fd)) << "segment file, descriptor " << fd;
  close(ch);
  // Opened again, the segment is opened afresh when a record in it is read.
  ch = open(p);
  for (int i = 0; i < 4000; i += 50) {
    char k[16];
    std::snprintf(k, sizeof k, "k%06d", i);
    EXPECT_EQ(get(ch, k), rec);
  }
  seg_fds = fds_on(p + ".001");
  ASSERT_FALSE(seg_fds.empty());
  for (int fd : seg_fds) EXPECT_TRUE(cloexec(fd)) << "reopened segment, descriptor " << fd;
}

// A key 0 held outside the record, with duplicates (a 4-byte sequence
// number after the value) and "skip when null": a null key has no room for
// the sequence number.
TEST_F(KeyedTest, KeyTooShortForItsSequenceNumberIsError17) {
  std::string p = make_segs("nullkey", 40, {{0, 255, 0, 6, false, kf::SF_DUPS | kf::SF_NULL_SKIP, ' '}});
  Key_chan* ch = open(p);
  EXPECT_EQ(error_no([&] { Key_write(ch, Key_by("      ", 232), "record"); }), 17);
  // A key that is not null still works.
  EXPECT_EQ(error_no([&] { Key_write(ch, Key_by("abc", 232), "record"); }), 0);
}

}  // namespace

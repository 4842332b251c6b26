// The host layer: shared opens and open marks between processes, byte-range
// locks with the statement timer, path normalisation, timers, shell commands
// and the trace log.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "core/errors.h"
#include "core/host.h"
#include "core/params.h"
#include "core/workspace.h"
#include "test_util.h"

namespace {

class HostFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    path = Temp_file("oru_host_", "0123456789012345678901234567890123456789");
    ASSERT_FALSE(path.empty());
    ws.Run_flags = 0;
    ws.Lock_holder = 0;
    Prm_defaults();
  }
  void TearDown() override {
    while (Rsv_cnt > 0) {
      Rsv_tbl[0].count = 1;
      Close(Rsv_tbl[0].fd);
    }
    Kill_timer();
    unlink(path.c_str());
    ws.Run_flags = 0;
  }

  // Runs fn in a child that holds what it opened until the parent lets go:
  // the child writes one byte when ready and waits for the pipe to close.
  template <class Fn>
  pid_t child_holding(Fn fn) {
    int ready[2], release[2];
    EXPECT_EQ(pipe(ready), 0);
    EXPECT_EQ(pipe(release), 0);
    pid_t pid = fork();
    if (pid == 0) {
      Rsv_cnt = 0;  // the parent's opens are not the child's
      close(ready[0]);
      close(release[1]);
      char ok = fn() ? 'y' : 'n';
      if (write(ready[1], &ok, 1) != 1) _exit(2);
      char c;
      while (read(release[0], &c, 1) > 0) {
      }
      _exit(0);
    }
    close(ready[1]);
    close(release[0]);
    char ok = 0;
    EXPECT_EQ(read(ready[0], &ok, 1), 1);
    EXPECT_EQ(ok, 'y');
    close(ready[0]);
    release_fd = release[1];
    return pid;
  }
  void release_child(pid_t pid) {
    close(release_fd);
    int st = 0;
    waitpid(pid, &st, 0);
    EXPECT_TRUE(WIFEXITED(st) && WEXITSTATUS(st) == 0);
  }
  int error_of_lock(int fd, int64_t off, int64_t len, int mode) {
    try {
      Lock_area(fd, off, len, mode);
    } catch (const Oru_error& e) {
      return e.no;
    }
    return -1;
  }

  std::string path;
  int release_fd = -1;
};

TEST_F(HostFiles, SharedOpensInOneProcessShareTheDescriptor) {
  int a = Open(path.c_str(), O_RDWR, Open_opts{});
  ASSERT_GE(a, 0);
  int b = Open(path.c_str(), O_RDWR, Open_opts{});
  EXPECT_EQ(a, b);
  EXPECT_EQ(Rsv_cnt, 1);
  EXPECT_EQ(Rsv_tbl[0].count, 2);
  EXPECT_EQ(Close(a), 0);
  EXPECT_EQ(Rsv_cnt, 1);
  EXPECT_NE(fcntl(a, F_GETFD), -1);  // still open for the second user
  EXPECT_EQ(Close(b), 0);
  EXPECT_EQ(Rsv_cnt, 0);
  EXPECT_EQ(fcntl(a, F_GETFD), -1);
}

TEST_F(HostFiles, ExclusiveOpenHereRefusesEveryOther) {
  Open_opts ex;
  ex.exclusive = true;
  int a = Open(path.c_str(), O_RDWR, ex);
  ASSERT_GE(a, 0);
  errno = 0;
  EXPECT_EQ(Open(path.c_str(), O_RDWR, Open_opts{}), -1);
  EXPECT_EQ(errno, EACCES);
  Close(a);
  int b = Open(path.c_str(), O_RDWR, Open_opts{});
  ASSERT_GE(b, 0);
  EXPECT_EQ(Open(path.c_str(), O_RDWR, ex), -1);
  EXPECT_EQ(errno, EACCES);
  Close(b);
}

TEST_F(HostFiles, AnotherProcessExclusiveOpenRefusesUs) {
  pid_t pid = child_holding([this] {
    Open_opts ex;
    ex.exclusive = true;
    return Open(path.c_str(), O_RDWR, ex) >= 0;
  });
  errno = 0;
  EXPECT_EQ(Open(path.c_str(), O_RDWR, Open_opts{}), -1);
  EXPECT_EQ(errno, EBUSY);
  EXPECT_EQ(ws.Lock_holder, pid);
  EXPECT_EQ(Rsv_cnt, 0);
  release_child(pid);
  int fd = Open(path.c_str(), O_RDWR, Open_opts{});
  EXPECT_GE(fd, 0);
  Close(fd);
}

TEST_F(HostFiles, ExclusiveOpenFailsWhileSharedElsewhere) {
  pid_t pid = child_holding([this] { return Open(path.c_str(), O_RDWR, Open_opts{}) >= 0; });
  int shared = Open(path.c_str(), O_RDWR, Open_opts{});  // shared with shared is fine
  EXPECT_GE(shared, 0);
  Close(shared);
  Open_opts ex;
  ex.exclusive = true;
  EXPECT_EQ(Open(path.c_str(), O_RDWR, ex), -1);
  EXPECT_EQ(errno, EBUSY);
  EXPECT_EQ(ws.Lock_holder, pid);
  release_child(pid);
}

TEST_F(HostFiles, FileLockRaisesTheMark) {
  int fd = Open(path.c_str(), O_RDWR, Open_opts{});
  ASSERT_GE(fd, 0);
  EXPECT_EQ(File_lock(fd), -1);
  EXPECT_EQ(Rsv_tbl[0].count, -1);
  pid_t pid = child_holding([this] {
    return Open(path.c_str(), O_RDWR, Open_opts{}) == -1 && errno == EBUSY;
  });
  release_child(pid);
  File_unlock(fd);
  EXPECT_EQ(Rsv_tbl[0].count, 1);
  Close(fd);
}

TEST_F(HostFiles, MissingFileKeepsTheStatError) {
  errno = 0;
  EXPECT_EQ(Open("/tmp/oru_no_such_file_here", O_RDWR, Open_opts{}), -1);
  EXPECT_EQ(errno, ENOENT);
}

TEST_F(HostFiles, RecordLocksConflictAcrossProcesses) {
  int fd = Open(path.c_str(), O_RDWR, Open_opts{});
  ASSERT_GE(fd, 0);
  pid_t pid = child_holding([this] { return Lock_bytes(path, F_WRLCK, 10, 5); });
  EXPECT_EQ(error_of_lock(fd, 12, 2, 2), 0);  // busy, not waiting
  EXPECT_EQ(ws.Lock_holder, pid);
  EXPECT_EQ(error_of_lock(fd, 20, 5, 2), -1);  // another range is free
  EXPECT_EQ(Rsv_locks, 1);
  Unlk_area(fd, 20, 5);
  EXPECT_EQ(Rsv_locks, 0);
  // A waiting lock blocks until the statement timer expires: busy again.
  Set_timer(30);
  EXPECT_EQ(error_of_lock(fd, 10, 1, -2), 0);
  EXPECT_NE(ws.Run_flags & RF_TIMEOUT, 0u);
  release_child(pid);
  // Once the holder is gone the waiting form succeeds at once.
  ws.Run_flags = 0;
  EXPECT_EQ(Lock_area(fd, 10, 1, -2), 1);
  Unlk_area(fd, 10, 1);
  Close(fd);
}

TEST_F(HostFiles, SharedRecordLocksBecomeExclusiveWithWd) {
  int fd = Open(path.c_str(), O_RDWR, Open_opts{});
  pid_t pid = child_holding([this] { return Lock_bytes(path, F_RDLCK, 30, 1); });
  EXPECT_EQ(error_of_lock(fd, 30, 1, 1), -1);  // shared beside shared
  Unlk_area(fd, 30, 1);
  Exec_param(Prm_code('W', 'D'), 1);
  EXPECT_EQ(error_of_lock(fd, 30, 1, 1), 0);
  release_child(pid);
  Close(fd);
}

TEST_F(HostFiles, HeaderLockIsNotCounted) {
  int fd = Open(path.c_str(), O_RDWR, Open_opts{});
  Lock_area(fd, 256, 1, 2);
  EXPECT_EQ(Rsv_locks, 0);
  Unlk_area(fd, 256, 1);
  EXPECT_EQ(error_of_lock(-5, 0, 1, 2), 13);
  Close(fd);
}

TEST_F(HostFiles, SizeAndCut) {
  int fd = Open(path.c_str(), O_RDWR, Open_opts{});
  EXPECT_EQ(filelength(fd), 40);
  EXPECT_EQ(chsize(fd, 16), 0);
  EXPECT_EQ(filelength(fd), 16);
  Close(fd);
  EXPECT_EQ(filelength(-1), -1);
}

TEST(PathConvert, FoldsDotComponents) {
  EXPECT_EQ(Path_convert("a/./b/../c", "/x"), "/x/a/c");
  EXPECT_EQ(Path_convert("../../../etc", "/x/y"), "/etc");
  EXPECT_EQ(Path_convert("/a/b/../../..", "/x"), "/");
  EXPECT_EQ(Path_convert("./f", "/home/u"), "/home/u/f");
  EXPECT_EQ(Path_convert("/a/b/", "/x"), "/a/b/");
  EXPECT_EQ(Path_convert("[VRL]x/../y", "/x"), "[VRL]x/../y");
  EXPECT_EQ(Path_convert("<cmd", "/x"), "<cmd");
  EXPECT_EQ(Path_convert("f", ""), "/f");
  EXPECT_EQ(Path_convert("a/..b/.c", "/x"), "/x/a/..b/.c");
}

TEST(Timers, StatementTimerExpires) {
  ws.Run_flags = 0;
  EXPECT_EQ(Get_timer(false), -1);
  Set_timer(200);
  int32_t left = Get_timer(false);
  EXPECT_GT(left, 150);
  EXPECT_LE(left, 200);
  Kill_timer();
  EXPECT_EQ(Get_timer(false), -1);
  Set_timer(10);
  Wait_timer();
  EXPECT_NE(ws.Run_flags & RF_TIMEOUT, 0u);
  ws.Run_flags = 0;
}

int events = 0;
void count_event() { ++events; }

TEST(Timers, BothTimersFireInTurn) {
  ws.Run_flags = 0;
  events = 0;
  Event_timeout_hook = count_event;
  SetEventTimer(1);  // rounds up to a whole second
  Set_timer(20);     // the earlier expiry arms the alarm
  Wait_timer();
  EXPECT_NE(ws.Run_flags & RF_TIMEOUT, 0u);
  EXPECT_EQ(events, 0);
  Set_timer(130);
  Wait_timer();
  EXPECT_EQ(events, 1);
  KillEventTimer();
  Event_timeout_hook = nullptr;
  ws.Run_flags = 0;
}

TEST(Timers, EscapeEndsTheWait) {
  ws.Run_flags = 0;
  signal(SIGUSR2, [](int) { ws.Run_flags |= RF_ESCAPE; });
  pid_t me = getpid();
  pid_t pid = fork();
  if (pid == 0) {
    usleep(100000);
    kill(me, SIGUSR2);
    _exit(0);
  }
  Set_timer(6000);  // a minute: the child's signal comes long before, however loaded the machine
  Wait_timer();
  // The interrupt, not the timer, ended the wait.
  EXPECT_NE(ws.Run_flags & RF_ESCAPE, 0u);
  EXPECT_EQ(ws.Run_flags & RF_TIMEOUT, 0u);
  EXPECT_EQ(Get_timer(false), -1);
  waitpid(pid, nullptr, 0);
  signal(SIGUSR2, SIG_DFL);
  ws.Run_flags = 0;
}

TEST(Shell, StatusAndOutputComeBack) {
  EXPECT_EQ(System("exit 0"), 0);
  EXPECT_EQ(System("exit 3"), -1);
  EXPECT_EQ(errno, 3);
  EXPECT_EQ(Last_pipe_error, 3);
  std::string out;
  EXPECT_EQ(Host_shell("echo hello; echo world", &out), 0);
  EXPECT_EQ(out, "hello\nworld\n");
  EXPECT_EQ(Host_shell("exit 7", nullptr), 7);
  EXPECT_EQ(Host_shell("kill -9 $$", nullptr), 128 + 9);
  EXPECT_EQ(System("kill -9 $$"), -1);
  EXPECT_EQ(errno, EINTR);
  // No child is left behind.
  EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
}

TEST(Shell, ClosedChildrenAreReaped) {
  pid_t pid = fork();
  if (pid == 0) _exit(0);
  // Until the child has ended, leaving it to be reaped (no fixed wait: a
  // loaded machine may run the child late).
  siginfo_t info {};
  ASSERT_EQ(waitid(P_PID, id_t(pid), &info, WEXITED | WNOWAIT), 0);
  Child_closed(pid);
  EXPECT_EQ(waitpid(pid, nullptr, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
}

TEST(TraceLog, WritesOnlyToAnExistingWritableFile) {
  char dir[] = "/tmp/oru_trace_XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  std::string name = std::string(dir) + "/trace.log";
  Set_log_file(name);
  OruLogError("lost");
  { std::ofstream f(name); }
  OruLogError("still lost");  // the decision was taken at the first use
  Set_log_file(name);
  OruLogError("first");
  OruLogError("second");
  std::ifstream in(name);
  std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(all, "first\nsecond\n");
  unlink(name.c_str());
  rmdir(dir);
  Set_log_file("");
}

TEST(Misc, RotateLeft) {
  EXPECT_EQ(_rotl(0x8001, 1), 0x0003);
  EXPECT_EQ(_rotl(0x1234, 16), 0x1234);
  EXPECT_EQ(_rotl(0x1234, 4), 0x2341);
}

}  // namespace

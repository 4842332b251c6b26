// Record locks and verified transfers: which lock a statement leaves behind
// (seen from another process, as other oru processes see it), the
// read-back of verified writes, and LOCK/UNLOCK of whole channels.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "channels/channel.h"
#include "channels/record_locks.h"
#include "core/codes.h"
#include "core/host.h"
#include "core/params.h"
#include "core/workspace.h"
#include "console_env.h"
#include "test_util.h"

namespace {

class RecordLocks : public ::testing::Test {
 protected:
  void SetUp() override {
    path = Temp_file("oru_locks_", "aaaabbbbccccdddd");
    ASSERT_FALSE(path.empty());
    Prm_defaults();
    ws.Run_flags = 0;
    ws.Io_opts = 0;
    std::memset(&fcb, 0, sizeof fcb);
    fcb.fd = Open(path.c_str(), O_RDWR, Open_opts{});
    ASSERT_GE(fcb.fd, 0);
    fcb.kind = FK_BINARY;
    fcb.channel = 1;
    saved_fcb = ws.Cur_fcb;
    ws.Cur_fcb = &fcb;
  }
  void TearDown() override {
    Rec_unlock(&fcb);
    if (fcb.st1 & ST1_LOCKED) Release_channel_lock(&fcb);
    Close(fcb.fd);
    ws.Cur_fcb = saved_fcb;
    ws.Io_opts = 0;
    ws.Io_stmt = 0;
    Prm_defaults();
    unlink(path.c_str());
  }
  // Whether another process finds bytes [off, off+len) locked.
  bool locked_elsewhere(int64_t off, int64_t len) {
    pid_t pid = fork();
    if (pid == 0) _exit(Lock_bytes(path, F_WRLCK, off, len) ? 0 : 1);
    int st = 0;
    waitpid(pid, &st, 0);
    return WEXITSTATUS(st) == 1;
  }
  std::string path;
  Fcb fcb;
  Fcb* saved_fcb = nullptr;
  char buf[64] = {};
};

TEST_F(RecordLocks, ReadTakesAndDropsATransientLock) {
  ws.Io_stmt = code::D_READ;
  EXPECT_EQ(Read_and_lock(4, buf, 4), 4);
  EXPECT_EQ(std::string(buf, 4), "bbbb");
  EXPECT_EQ(fcb.lock_len, 0);
  EXPECT_FALSE(locked_elsewhere(4, 4));
}

TEST_F(RecordLocks, ReadThatKeepsLocksHoldsTheRecord) {
  ws.Io_stmt = code::D_READ;
  ws.Io_opts = IO_EXCLUSIVE;
  EXPECT_EQ(Read_and_lock(4, buf, 4), 4);
  EXPECT_EQ(fcb.lock_off, 4);
  EXPECT_EQ(fcb.lock_len, 4);
  EXPECT_TRUE(locked_elsewhere(4, 4));
  EXPECT_FALSE(locked_elsewhere(8, 4));
}

TEST_F(RecordLocks, ExtractThenWriteKeepsTheLockUntilTheWriteIsDone) {
  ws.Io_stmt = code::D_EXTRACT;
  EXPECT_EQ(Read_and_lock(8, buf, 4), 4);
  EXPECT_TRUE(locked_elsewhere(8, 4));
  ws.Io_stmt = code::D_WRITE;
  EXPECT_EQ(Write_and_lock(8, "CCCC", 4), 4);
  EXPECT_EQ(fcb.lock_len, 0);
  EXPECT_FALSE(locked_elsewhere(8, 4));
  ws.Io_stmt = code::D_READ;
  Read_and_lock(8, buf, 4);
  EXPECT_EQ(std::string(buf, 4), "CCCC");
}

TEST_F(RecordLocks, MovingToAnotherRecordReleasesTheFirst) {
  ws.Io_stmt = code::D_EXTRACT;
  Read_and_lock(0, buf, 4);
  Read_and_lock(12, buf, 4);
  EXPECT_FALSE(locked_elsewhere(0, 4));
  EXPECT_TRUE(locked_elsewhere(12, 4));
  Rec_unlock();
  EXPECT_FALSE(locked_elsewhere(12, 4));
  EXPECT_EQ(fcb.lock_len, 0);
}

TEST_F(RecordLocks, ParameterXIReadsWithoutAnyLock) {
  Sw_set(sw::XI, true);
  ws.Io_stmt = code::D_READ;
  EXPECT_EQ(Read_and_lock(0, buf, 4), 4);
  EXPECT_EQ(fcb.lock_len, 0);
}

TEST_F(RecordLocks, ReadPastTheEndReleasesItsLock) {
  ws.Io_stmt = code::D_EXTRACT;
  EXPECT_EQ(Read_and_lock(64, buf, 4), 0);
  EXPECT_EQ(fcb.lock_len, 0);
}

TEST_F(RecordLocks, AChannelLockedWholeTakesNoRecordLocks) {
  Lock_channel();
  EXPECT_NE(fcb.st1 & ST1_LOCKED, 0);
  ws.Io_stmt = code::D_EXTRACT;
  Read_and_lock(0, buf, 4);
  EXPECT_EQ(fcb.lock_len, 0);
  Lock_channel();  // a second LOCK changes nothing
  Unlock_channel();
  EXPECT_EQ(fcb.st1 & ST1_LOCKED, 0);
  EXPECT_EQ(error_no([] { Unlock_channel(); }), 14);
}

TEST_F(RecordLocks, LockOfAFileOpenTwiceInThisProcessIsBusy) {
  int second = Open(path.c_str(), O_RDWR, Open_opts{});
  ASSERT_EQ(second, fcb.fd);  // one descriptor per file
  EXPECT_EQ(error_no([] { Lock_channel(); }), 0);
  EXPECT_EQ(fcb.st1 & ST1_LOCKED, 0);
  Close(second);
}

TEST_F(RecordLocks, VerifiedWriteThatNeverReadsBackFailsAfterCountPlusOneTries) {
  prmblk.VW = 2;
  int wfd = open(path.c_str(), O_WRONLY);  // read-back impossible
  ASSERT_GE(wfd, 0);
  Verify_counts before = Verify_stats;
  EXPECT_EQ(WriteVerify(wfd, "zzzz", 4, 0), -1);
  EXPECT_EQ(errno, 70);
  EXPECT_EQ(Verify_stats.verified_writes - before.verified_writes, 3u);
  EXPECT_EQ(Verify_stats.write_mismatches - before.write_mismatches, 3u);
  EXPECT_NE(ws.Sys_flags10 & SF10_VERIFY_FAILED, 0);
  close(wfd);
}

TEST_F(RecordLocks, VerifiedTransfersThatReadBackSucceed) {
  prmblk.VW = 1;
  prmblk.VR = 1;
  Verify_counts before = Verify_stats;
  EXPECT_EQ(WriteVerify(fcb.fd, "wxyz", 4, 4), 4);
  EXPECT_EQ(ReadVerify(fcb.fd, buf, 4, 4), 4);
  EXPECT_EQ(std::string(buf, 4), "wxyz");
  EXPECT_EQ(Verify_stats.write_mismatches, before.write_mismatches);
  EXPECT_EQ(Verify_stats.verified_reads - before.verified_reads, 1u);
  EXPECT_EQ(ws.Sys_flags10 & SF10_VERIFY_FAILED, 0);
}

TEST_F(RecordLocks, MarkCommitAndDoCommit) {
  Mark_commit();
  EXPECT_NE(fcb.st1 & ST1_UNCOMMITTED, 0);
  EXPECT_NE(ws.Run_flags & RF_COMMIT, 0u);
  Fcb* saved_list = ws.Fcb_list;
  ws.Fcb_list = &fcb;
  Do_commit();
  ws.Fcb_list = saved_list;
  EXPECT_EQ(fcb.st1 & ST1_UNCOMMITTED, 0);
  EXPECT_EQ(ws.Run_flags & RF_COMMIT, 0u);
}

// The executor commits between statements: the statement after an update
// (or the end of the console line) finds nothing left to commit.
class CommitAtStatementEnd : public Console_env {
 protected:
  void SetUp() override {
    Console_env::SetUp();
    if (!ws.Con_fcb) Channels_init();
    path = Temp_file("oru_commit_");
    ASSERT_FALSE(path.empty());
  }
  void TearDown() override {
    type("CLOSE (1)");
    unlink(path.c_str());
    Console_env::TearDown();
  }
  std::string path;
};

TEST_F(CommitAtStatementEnd, AWriteIsCommittedWhenItsStatementEnds) {
  type("OPEN (1)\"" + path + "\"");
  Fcb* f = Find_fp(1);
  ASSERT_NE(f, nullptr);
  ASSERT_EQ(f->kind, FK_SERIAL);
  type("WRITE (1)\"abc\"");
  EXPECT_EQ(ws.Run_flags & RF_COMMIT, 0u);
  EXPECT_EQ(f->st1 & ST1_UNCOMMITTED, 0);
  // In a program the next statement commits, before it runs (STOP here).
  program({"10 WRITE (1)\"def\"", "20 STOP"});
  type("RUN");
  EXPECT_EQ(ws.Run_flags & RF_COMMIT, 0u);
  EXPECT_EQ(f->st1 & ST1_UNCOMMITTED, 0);
}

}  // namespace

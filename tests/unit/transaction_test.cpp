// Transactions over their participants (a persistent transaction outlives
// the commits made inside it; every participant commits even when one
// fails) and the journal writer's record order (the before and after images
// gathered for writing behind reach the file ahead of the next record) and
// its open record (ending with the console's terminal id).
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "channels/channel.h"
#include "channels/journal.h"
#include "channels/transaction.h"
#include "core/errors.h"
#include "core/workspace.h"
#include "test_util.h"


namespace {

// What the fake participants were asked to do, in order.
std::string calls;
int fail_commit = 0;  // error the first participant's commit raises (0 none)
bool pending = false;

void a_begin(int) { calls += "a.begin "; }
void a_commit() {
  calls += "a.commit ";
  if (fail_commit) Rpt_error(fail_commit);
}
void a_rollback() { calls += "a.rollback "; }
void a_end() { calls += "a.end "; }
bool a_pending() { return pending; }
void b_begin(int) { calls += "b.begin "; }
void b_commit() { calls += "b.commit "; }
void b_rollback() { calls += "b.rollback "; }
void b_end() { calls += "b.end "; }

class Transactions : public ::testing::Test {
 protected:
  void SetUp() override {
    Txn_register({"TEST_A", a_begin, a_commit, a_rollback, a_end, a_pending});
    Txn_register({"TEST_B", b_begin, b_commit, b_rollback, b_end, nullptr});
    calls.clear();
    fail_commit = 0;
    pending = false;
    flags7_ = ws.Sys_flags7;
    flags11_ = ws.Sys_flags11;
    con_ = ws.Con_flags;
    ws.Sys_flags7 = 0;
    ws.Sys_flags11 = 0;
    ws.Con_flags &= ~uint32_t(CON_MODE);
  }
  void TearDown() override {
    ws.Sys_flags7 = flags7_;
    ws.Sys_flags11 = flags11_;
    ws.Con_flags = con_;
    // The fakes stay registered (there is no way out): they do nothing
    // once a test has ended.
    calls.clear();
    fail_commit = 0;
    pending = false;
  }
  uint16_t flags7_ = 0, flags11_ = 0;
  uint32_t con_ = 0;
};

TEST_F(Transactions, PersistentTransactionSurvivesTheCommitOfAnother) {
  ASSERT_EQ(BeginTransaction(TXN_MODE_PERSISTENT), -1);  // AUTOCOMMIT OFF
  EXPECT_TRUE(Txn_is_open());
  // A BEGIN inside it commits what is pending and stays in the transaction;
  // its COMMIT commits, and the persistent transaction goes on.
  ASSERT_EQ(BeginTransaction(TXN_MODE_BEGIN), -1);
  EXPECT_TRUE(Txn_is_open());
  calls.clear();
  ASSERT_EQ(ForceCommit(), -1);
  EXPECT_EQ(calls, "a.commit b.commit ");
  EXPECT_TRUE(Txn_is_open());
  EXPECT_TRUE(ws.Sys_flags7 & TXN_PERSISTENT);
  calls.clear();
  ASSERT_EQ(ForceRollback(true), -1);
  EXPECT_EQ(calls, "a.rollback b.rollback ");
  EXPECT_TRUE(Txn_is_open());
  // AUTOCOMMIT ON commits and ends it: only now are the participants told.
  calls.clear();
  ASSERT_EQ(BeginTransaction(TXN_MODE_AUTOCOMMIT), -1);
  EXPECT_EQ(calls, "a.commit b.commit a.end b.end ");
  EXPECT_FALSE(Txn_is_open());
  EXPECT_FALSE(ws.Sys_flags7 & TXN_PERSISTENT);
}

TEST_F(Transactions, PlainTransactionEndsAtItsCommitOrRollback) {
  ASSERT_EQ(BeginTransaction(TXN_MODE_BEGIN), -1);
  EXPECT_EQ(calls, "a.begin b.begin ");
  calls.clear();
  ASSERT_EQ(ForceCommit(), -1);
  EXPECT_EQ(calls, "a.commit b.commit a.end b.end ");
  EXPECT_FALSE(Txn_is_open());
  // Outside a transaction COMMIT and ROLLBACK do nothing.
  calls.clear();
  EXPECT_EQ(ForceCommit(), -1);
  EXPECT_EQ(ForceRollback(true), -1);
  EXPECT_EQ(calls, "");
  ASSERT_EQ(BeginTransaction(TXN_MODE_BEGIN), -1);
  calls.clear();
  ASSERT_EQ(ForceRollback(true), -1);
  EXPECT_EQ(calls, "a.rollback b.rollback a.end b.end ");
  EXPECT_FALSE(Txn_is_open());
}

TEST_F(Transactions, EveryParticipantCommitsWhenOneFails) {
  ASSERT_EQ(BeginTransaction(TXN_MODE_BEGIN), -1);
  calls.clear();
  fail_commit = 13;
  EXPECT_EQ(ForceCommit(), 13);  // the first error, after all of them ran
  EXPECT_EQ(calls, "a.commit b.commit a.end b.end ");
  EXPECT_FALSE(Txn_is_open());
}

TEST_F(Transactions, ConsoleRollbackWarnsOnceWhileUpdatesArePending) {
  ws.Con_flags |= CON_MODE;
  ASSERT_EQ(BeginTransaction(TXN_MODE_BEGIN), -1);
  pending = true;
  calls.clear();
  EXPECT_EQ(ForceRollback(false), 122);
  EXPECT_EQ(calls, "");  // warned: nothing rolled back
  EXPECT_TRUE(Txn_is_open());
  EXPECT_EQ(ForceRollback(false), -1);
  EXPECT_EQ(calls, "a.rollback b.rollback a.end b.end ");
  EXPECT_FALSE(Txn_is_open());
}

// ---- the journal writer ----

std::vector<uint8_t> read_file(const std::string& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string types_of(const std::string& path) {
  std::vector<uint8_t> b = read_file(path);
  Jrnl_scan s = Jrnl_read(b.data(), b.size());
  EXPECT_EQ(s.error, "");
  EXPECT_EQ(Jrnl_check_chain(s), "");
  std::string t;
  for (const Jrnl_record& r : s.records) t += char(r.type);
  return t;
}

TEST(JournalWriter, ImagesAreWrittenBeforeTheNextRecord) {
  std::string path = Temp_file("orujrnl", std::string("\0\0\0\4", 4));
  ASSERT_FALSE(path.empty());
  Fcb* con = ws.Con_fcb;
  Fcb console{};
  console.fd = -1;
  std::memcpy(console.short_name, "ZZ          ", 12);  // the terminal id
  std::memcpy(console.term_id, "xterm       ", 12);    // the terminal type
  ws.Con_fcb = &console;
  Journal_open(path);
  Fcb f{};
  f.fd = -1;
  uint32_t o = Journal_it('o', "/data/cust", 10, &f);
  ASSERT_GT(o, 4u);
  f.journal_id = int32_t(o);
  // A before image waits for its after image; a removed record's image goes at once.
  EXPECT_EQ(Journal_it('B', "before1", 7, &f), 0u);
  EXPECT_EQ(Journal_it('A', "after1", 6, &f), 0u);
  EXPECT_EQ(Journal_it('D', "gone", 4, &f), 0u);
  // Any other record is written after them: the file holds them in order
  // the moment the record returns.
  uint32_t u = Journal_it('U', "note", 4, nullptr);
  EXPECT_GT(u, o);
  EXPECT_EQ(types_of(path), "OoBADU");
  {
    std::vector<uint8_t> b = read_file(path);
    Jrnl_scan s = Jrnl_read(b.data(), b.size());
    ASSERT_EQ(s.records.size(), 6u);
    std::string open_text = s.records[0].data;  // login;console name;terminal id
    EXPECT_EQ(open_text.substr(open_text.rfind(';')), ";ZZ");
    EXPECT_EQ(s.records[2].data, "before1");
    EXPECT_EQ(s.records[3].data, "after1");
    EXPECT_EQ(s.records[2].open_id, o);  // the file's images name its 'o' record
    EXPECT_EQ(s.records[5].addr, u);
  }
  // Images still gathered when the journal closes come before its 'C'.
  EXPECT_EQ(Journal_it('B', "before2", 7, &f), 0u);
  EXPECT_EQ(Journal_it('A', "after2", 6, &f), 0u);
  Journal_close();
  ws.Con_fcb = con;
  EXPECT_EQ(types_of(path), "OoBADUBAC");
  unlink(path.c_str());
}

}  // namespace

// The journal reader: sound files read whole with their links checked,
// damaged ones stop with a description, never outside the bytes; the
// fuzzer's seeds and regressions replayed.
#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "channels/journal.h"
#include "core/signal_flags.h"
#include "core/codes.h"
#include "../fuzz/journal_check.h"

namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> read_file(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A journal file built from records (type, data, index of the previous
// record or -1, index of the open record or -1 for itself).
struct Rec {
  char type;
  std::string data;
  int prev, open;
};
std::vector<uint8_t> build(const std::vector<Rec>& recs, bool full = false) {
  std::vector<uint8_t> f(4);
  std::vector<uint32_t> at;
  for (const Rec& r : recs) {
    uint32_t a = uint32_t(f.size());
    at.push_back(a);
    uint32_t n = uint32_t(16 + r.data.size());
    uint8_t h[16] = {uint8_t(r.type), uint8_t(n >> 16), uint8_t(n >> 8), uint8_t(n)};
    put_u32be(h + 4, 1000);
    put_u32be(h + 8, r.prev < 0 ? 0 : at[size_t(r.prev)]);
    put_u32be(h + 12, r.open < 0 ? a : at[size_t(r.open)]);
    f.insert(f.end(), h, h + 16);
    f.insert(f.end(), r.data.begin(), r.data.end());
  }
  put_u32be(f.data(), uint32_t(f.size()) | (full ? JRNL_FULL : 0));
  return f;
}

}  // namespace

TEST(JournalReader, SoundFileWithTwoProcesses) {
  auto f = build({{'O', "a;;", -1, -1}, {'O', "b;;", -1, -1}, {'U', "x", 0, 0}, {'o', "/f", 1, 1},
                  {'A', "img", 3, 3}, {'c', "", 4, 3}, {'U', "y", 2, 0}});
  Jrnl_scan s = Jrnl_read(f.data(), f.size());
  EXPECT_EQ(s.error, "");
  ASSERT_EQ(s.records.size(), 7u);
  EXPECT_EQ(s.records[4].type, 'A');
  EXPECT_EQ(s.records[4].data, "img");
  EXPECT_EQ(s.records[6].prev, s.records[2].addr);
  EXPECT_EQ(Jrnl_check_chain(s), "");
  EXPECT_TRUE(Journal_input_ok(f.data(), f.size()));
}

TEST(JournalReader, EmptyFileCountsAsFour) {
  Jrnl_scan s = Jrnl_read(nullptr, 0);
  EXPECT_EQ(s.error, "");
  EXPECT_EQ(s.next, 4u);
  EXPECT_TRUE(s.records.empty());
}

TEST(JournalReader, FullBitKeepsTheRecords) {
  auto f = build({{'O', "a;;", -1, -1}, {'U', "x", 0, 0}}, true);
  Jrnl_scan s = Jrnl_read(f.data(), f.size());
  EXPECT_EQ(s.error, "");
  EXPECT_TRUE(s.next & JRNL_FULL);
  EXPECT_EQ(s.records.size(), 2u);
}

TEST(JournalReader, BrokenLinksAreNamed) {
  // A record whose previous address belongs to another process, and one
  // whose open id names nothing.
  auto f = build({{'O', "a;;", -1, -1}, {'O', "b;;", -1, -1}, {'U', "x", 1, 0}});
  Jrnl_scan s = Jrnl_read(f.data(), f.size());
  EXPECT_NE(Jrnl_check_chain(s).find("another process"), std::string::npos);
  put_u32be(f.data() + s.records[2].addr + 12, 9);
  s = Jrnl_read(f.data(), f.size());
  EXPECT_NE(Jrnl_check_chain(s).find("names no open record"), std::string::npos);
}

TEST(JournalReader, DamagedFilesStopWithADescription) {
  auto f = build({{'O', "a;;", -1, -1}, {'U', "hello", 0, 0}});
  {
    auto g = f;
    put_u32be(g.data(), 3);
    EXPECT_NE(Jrnl_read(g.data(), g.size()).error.find("below 4"), std::string::npos);
  }
  {
    auto g = f;
    put_u32be(g.data(), uint32_t(g.size() + 1));
    EXPECT_NE(Jrnl_read(g.data(), g.size()).error.find("past the end"), std::string::npos);
  }
  {
    auto g = f;
    g[4] = 'Z';
    EXPECT_NE(Jrnl_read(g.data(), g.size()).error.find("unknown type"), std::string::npos);
  }
  {
    auto g = f;
    g[4 + 19 + 3] = 0xFF;  // the second record's length runs past the next address
    Jrnl_scan s = Jrnl_read(g.data(), g.size());
    EXPECT_NE(s.error.find("has length"), std::string::npos);
    EXPECT_EQ(s.records.size(), 1u);
  }
  {
    auto g = f;
    g[4 + 19 + 3] = 3;  // shorter than a header
    EXPECT_NE(Jrnl_read(g.data(), g.size()).error.find("has length"), std::string::npos);
  }
  uint8_t three[3] = {0, 0, 0};
  EXPECT_NE(Jrnl_read(three, 3).error, "");
}

TEST(JournalReader, OneRecordIsBounded) {
  auto f = build({{'O', "a;;", -1, -1}, {'U', std::string(3000, 'u'), 0, 0}});
  FILE* t = std::tmpfile();
  ASSERT_NE(t, nullptr);
  ASSERT_EQ(std::fwrite(f.data(), 1, f.size(), t), f.size());
  std::fflush(t);
  Jrnl_record r;
  EXPECT_TRUE(Jrnl_read_one(fileno(t), 4, JRNL_COPY_MAX, r));
  EXPECT_EQ(r.data, "a;;");
  EXPECT_FALSE(Jrnl_read_one(fileno(t), 23, JRNL_COPY_MAX, r));  // longer than a copy may be
  EXPECT_TRUE(Jrnl_read_one(fileno(t), 23, 4000, r));
  EXPECT_FALSE(Jrnl_read_one(fileno(t), 5, JRNL_COPY_MAX, r));   // inside a record
  EXPECT_FALSE(Jrnl_read_one(fileno(t), uint32_t(f.size()), JRNL_COPY_MAX, r));
  EXPECT_FALSE(Jrnl_read_one(fileno(t), 0, JRNL_COPY_MAX, r));
  std::fclose(t);
}

// The fuzzer's seeds and every input it ever found failing.
TEST(JournalReader, FuzzSeedsAndRegressions) {
  int files = 0;
  for (const char* dir : {"tests/fuzz/corpus_journal", "tests/fuzz/regressions_journal"}) {
    fs::path p = fs::path(ORU_SOURCE_DIR) / dir;
    if (!fs::exists(p)) continue;
    for (const auto& e : fs::directory_iterator(p)) {
      std::vector<uint8_t> bytes = read_file(e.path());
      EXPECT_TRUE(Journal_input_ok(bytes.data(), bytes.size())) << e.path();
      ++files;
    }
  }
  EXPECT_GE(files, 8);
}

// The thread that writes the journal's batches takes no signals: a signal
// the main line waits for (an escape, the statement timer) must reach the
// main line, which also changes its run flags trusting that no handler runs
// on another thread meanwhile.
TEST(JournalFlusher, BlocksEverySignal) {
  fs::path dir = fs::temp_directory_path() / ("oru_jflush_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  fs::path file = dir / "j.log";
  { std::ofstream(file, std::ios::binary); }
  Journal_open(file.string());
  const char data[] = "before image";
  Journal_it('B', data, sizeof data, nullptr);  // a before image waiting starts the flusher
  // A new thread runs with every signal blocked until its start has set
  // the mask it inherited: its mask is read once it waits for work.
  auto field = [](const fs::path& task, const char* name) {
    std::ifstream in(task / "status");
    std::string line;
    while (std::getline(in, line))
      if (line.rfind(name, 0) == 0) return line.substr(std::strlen(name));
    return std::string();
  };
  int others = 0;
  for (const auto& task : fs::directory_iterator("/proc/self/task")) {
    if (task.path().filename() == std::to_string(::gettid())) continue;
    for (int i = 0; i < 2000 && field(task.path(), "State:").find('S') == std::string::npos; i++) ::usleep(1000);
    uint64_t blocked = std::stoull(field(task.path(), "SigBlk:"), nullptr, 16);
    for (int sig : {SIGINT, SIGALRM, SIGUSR1, SIGUSR2, SIGHUP, SIGTSTP, SIGTTOU, SIGTTIN})
      EXPECT_TRUE(blocked & (uint64_t(1) << (sig - 1))) << "signal " << sig << " reaches thread " << task.path();
    ++others;
  }
  EXPECT_GE(others, 1);  // the flusher is running
  Journal_close();
  fs::remove_all(dir);
}

TEST(RunFlags, WholeWordChangesKeepThePendingSignalWord) {
  const uint32_t run = ws.Run_flags;
  const int pending = ws.Sig_pending;
  ws.Run_flags = RF_TRACE;
  ws.Sig_pending = 1;
  Run_flags_set(RF_CALL_DEPTH);
  EXPECT_EQ(ws.Run_flags, uint32_t(RF_TRACE | RF_CALL_DEPTH));
  EXPECT_EQ(ws.Sig_pending, 1);
  Run_flags_clear(RF_CALL_DEPTH | RF_STOP);
  Run_flags_set(0);
  EXPECT_EQ(ws.Run_flags, uint32_t(RF_TRACE));
  EXPECT_EQ(ws.Sig_pending, 1);
  ws.Sig_pending = 0;
  Run_flags_set(RF_DEBUG_LINK);  // the top bit: no sign spills into the word above
  EXPECT_EQ(ws.Sig_pending, 0);
  EXPECT_EQ(Work_pending(), uint64_t(RF_TRACE | RF_DEBUG_LINK) & WORK_MASK);
  ws.Run_flags = run;
  ws.Sig_pending = pending;
}

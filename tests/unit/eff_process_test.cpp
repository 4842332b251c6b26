// EFF files shared by processes: a writer killed with SIGKILL at random
// instants (and inside the update cycle, between the page writes and the
// header write) leaves a file that opens, passes the structural check and
// holds exactly the records of its last completed statement; four workers
// raise a shared counter while a reader reads on without the file lock; a
// process reading through its mapping of the file sees what another
// process wrote, on pages past the end of that mapping too.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <map>
#include <random>

#include "core/host.h"
#include "core/switches.h"
#include "keyed/eff_store.h"
#include "keyed_env.h"

namespace {

class EffProcesses : public KeyedTest {
 protected:
  // Every record of the file by its first five bytes, in key order.
  static std::map<std::string, std::string> records(Key_chan* ch) {
    std::map<std::string, std::string> got;
    Key_req first = req();
    first.has_rno = true;
    first.rno = 1;
    std::string r;
    if (error_no([&] { r = Key_read(ch, first); }) == 0) {
      got[r.substr(0, 5)] = strip(r);
      while (error_no([&] { r = Key_read(ch, req()); }) == 0) got[r.substr(0, 5)] = strip(r);
    }
    return got;
  }
};

// -1 when f returned, else the error it raised (0 is the busy error).
template <class F>
int attempt(F f) {
  try {
    f();
  } catch (const Oru_error& e) {
    return e.no;
  }
  return -1;
}

// The n-th operation of run r: a WRITE (data) or a REMOVE (empty data) of
// one of 400 keys.
struct Op {
  std::string key, data;
};
Op op_of(int run, int n) {
  std::mt19937 g(uint32_t(run) * 1000003u + uint32_t(n));
  Op o;
  char k[8];
  std::snprintf(k, sizeof k, "%05u", unsigned(g() % 400));
  o.key = k;
  if (g() % 4 != 0) {
    o.data = o.key + char('a' + g() % 8);  // key 1: one letter
    o.data += std::string(g() % 90, char('0' + g() % 10));
  }
  return o;
}
void apply_op(std::map<std::string, std::string>& m, const Op& o) {
  if (o.data.empty()) m.erase(o.key);
  else m[o.key] = o.data;
}

int kill_stage = -1;  // the child kills itself at this stage of its cycle
int kill_at_op = -1, cur_op = 0;
void suicide(int stage) {
  if (stage == kill_stage && cur_op >= kill_at_op) raise(SIGKILL);
}

TEST_F(EffProcesses, KilledWriterLeavesTheLastCompletedStatement) {
  const char* env = getenv("ORU_EFF_CRASH_RUNS");
  int runs = env ? std::atoi(env) : 200;
  std::string p = make_eff("crash", 120, {{0, 0, 0, 5, false, 0, 0}, {1, 0, 5, 1, false, 0, 0}});
  std::map<std::string, std::string> model;
  std::mt19937 rng(777);
  int in_cycle_kills = 0;
  for (int run = 0; run < runs; ++run) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    // One run in three dies inside the update cycle of a chosen statement.
    int stage = run % 3 == 2 ? int(rng() % 2) : -1;
    int at = int(rng() % 40);
    pid_t pid = fork();
    if (pid == 0) {
      ::close(fds[0]);
      kill_stage = stage;
      kill_at_op = at;
      Eff_test_hook = suicide;
      try {
        Key_chan* ch = Key_open(p);
        for (int n = 0;; ++n) {
          cur_op = n;
          Op o = op_of(run, n);
          try {
            if (o.data.empty()) Key_remove(ch, Key_by(o.key, 208));
            else Key_write(ch, req(232), o.data);
          } catch (const Oru_error& e) {
            if (e.no != 11) throw;
          }
          int32_t done = n + 1;
          if (write(fds[1], &done, 4) != 4) _exit(3);
        }
      } catch (const Oru_error& e) {
        std::fprintf(stderr, "writer: error %d\n", e.no);
      }
      _exit(2);
    }
    ::close(fds[1]);
    if (stage < 0) {
      usleep(useconds_t(rng() % 1500));
      kill(pid, SIGKILL);
    } else {
      ++in_cycle_kills;
    }
    int st;
    for (int waited = 0; waitpid(pid, &st, WNOHANG) == 0; ++waited) {
      if (waited == 5000) kill(pid, SIGKILL);  // a writer that never reached its stage
      usleep(1000);
    }
    ASSERT_TRUE(WIFSIGNALED(st) && WTERMSIG(st) == SIGKILL) << "run " << run << " status " << st;
    int32_t done = 0, v;
    while (read(fds[0], &v, 4) == 4) done = v;
    ::close(fds[0]);
    // The file holds the state after `done` statements, or after one more
    // when the kill came after its header write but before it was told.
    std::map<std::string, std::string> a = model, b;
    for (int n = 0; n < done; ++n) apply_op(a, op_of(run, n));
    b = a;
    apply_op(b, op_of(run, done));
    Key_chan* ch = open(p);
    ASSERT_EQ(Key_verify(ch), "") << "run " << run;
    std::map<std::string, std::string> got = records(ch);
    ASSERT_TRUE(got == a || got == b) << "run " << run << ": " << got.size() << " records, " << a.size()
                                      << " or " << b.size() << " expected after " << done << " statements";
    ASSERT_EQ(Key_record_count(ch), got.size());
    model = got;
    close(ch);
  }
  EXPECT_GE(in_cycle_kills, runs / 4);
}

// One update cycle (write-behind keeps it open over many statements, and a
// queue of three buffers writes its pages back as it goes) first empties
// data pages and merges index nodes by removes, then takes new pages for
// inserts; killed while it ends, before its header is written, it leaves
// the file as the last committed state had it, whole.  A page freed in the
// cycle must not be handed out again in the same cycle: the committed
// state still reads it.
TEST_F(EffProcesses, KilledCycleThatFreesAndTakesPagesLeavesTheCommittedState) {
  std::string p = make_eff("reuse", 3900, {{0, 0, 0, 5, false, 0, 0}});
  std::map<std::string, std::string> committed;
  {
    Key_chan* ch = open(p);
    for (int i = 0; i < 300; ++i) {
      char k[8];
      std::snprintf(k, sizeof k, "%05d", i);
      std::string r = k + std::string(size_t(300 + i % 7 * 100), char('a' + i % 26));
      Key_write(ch, req(232), r);
      committed[k] = r;
    }
    close(ch);
  }
  for (int stage = 0; stage < 2; ++stage) {
    pid_t pid = fork();
    if (pid == 0) {
      kill_stage = stage;
      kill_at_op = 0;
      Eff_test_hook = suicide;
      prmblk.WD = 10000;  // its highest setting
      Kbfr_set(3);
      try {
        Key_chan* ch = Key_open(p);
        for (int i = 0; i < 200; ++i) {
          char k[8];
          std::snprintf(k, sizeof k, "%05d", i);
          Key_remove(ch, Key_by(k, 208));
        }
        for (int i = 0; i < 60; ++i) {
          char k[8];
          std::snprintf(k, sizeof k, "9%04d", i);
          Key_write(ch, req(232), k + std::string(3800, 'n'));  // a page of its own each
        }
        Key_close(ch);  // the cycle ends here
      } catch (const Oru_error& e) {
        std::fprintf(stderr, "writer: error %d\n", e.no);
      }
      _exit(2);
    }
    int st;
    for (int waited = 0; waitpid(pid, &st, WNOHANG) == 0; ++waited) {
      if (waited == 20000) kill(pid, SIGKILL);  // bounded: 20 s at most
      usleep(1000);
    }
    ASSERT_TRUE(WIFSIGNALED(st) && WTERMSIG(st) == SIGKILL) << "stage " << stage << " status " << st;
    Key_chan* ch = open(p);
    ASSERT_EQ(Key_verify(ch), "") << "stage " << stage;
    std::map<std::string, std::string> got = records(ch);
    EXPECT_TRUE(got == committed) << "stage " << stage << ": " << got.size() << " records";
    close(ch);
  }
}

// Four workers raise one counter record (EXTRACT, then WRITE) and add their
// own records; a reader reads the file on without the lock meanwhile and
// never sees a half-written record.
TEST_F(EffProcesses, WorkersShareOneFileWithAnExactCounter) {
  constexpr int WORKERS = 4, ROUNDS = 250;
  std::string p = make_eff("shared", 60, {}, 12);
  {
    Key_chan* ch = open(p);
    put(ch, "COUNTER", "0000000000");
    close(ch);
  }
  auto worker = [&](int id) {
    try {
      Key_chan* ch = Key_open(p);
      for (int i = 0; i < ROUNDS; ++i) {
        char k[32];
        std::snprintf(k, sizeof k, "P%d-%05d", id, i);
        Key_write(ch, Key_by(k, 232), std::string(k) + "|" + std::string(k));
        for (;;) {
          std::string v;
          int e = attempt([&] { v = Key_read(ch, Key_by("COUNTER", 174)); });
          if (e == -1) {
            char buf[24];
            std::snprintf(buf, sizeof buf, "%010ld", std::stol(v.substr(0, 10)) + 1);
            Key_write(ch, Key_by("COUNTER", 232), buf);
            break;
          }
          if (e != 0) {  // anything but the busy error
            std::fprintf(stderr, "worker %d: error %d\n", id, e);
            _exit(10);
          }
          usleep(20);
        }
      }
      Key_close(ch);
    } catch (const Oru_error& e) {
      std::fprintf(stderr, "worker %d: error %d\n", id, e.no);
      _exit(2);
    }
    _exit(0);
  };
  std::vector<pid_t> pids;
  for (int w = 0; w < WORKERS; ++w) {
    pid_t pid = fork();
    if (pid == 0) worker(w);
    pids.push_back(pid);
  }
  pid_t reader = fork();
  if (reader == 0) {
    // Reads every record in key order, again and again: each record must
    // be whole (its two halves equal) and the order strictly ascending.
    Sw_set(sw::XI, true);  // reading takes no record locks
    try {
      Key_chan* ch = Key_open(p);
      for (int pass = 0; pass < 60; ++pass) {
        std::string last, r;
        Key_req first = req();
        first.has_key = true;
        first.key = "";
        int e = error_no([&] { r = Key_read(ch, first); });
        while (e == 0) {
          std::string key = Key_getkec(ch, req());
          if (!last.empty() && key <= last) _exit(4);
          if (key != "COUNTER") {
            std::string d = strip(r);
            size_t bar = d.find('|');
            if (bar == std::string::npos || d.substr(0, bar) != d.substr(bar + 1) || d.substr(0, bar) != key) _exit(5);
          }
          last = key;
          e = error_no([&] { r = Key_read(ch, req()); });
        }
        if (e != 2 && e != 11) _exit(6);
      }
      Key_close(ch);
    } catch (const Oru_error& e) {
      std::fprintf(stderr, "reader: error %d\n", e.no);
      _exit(7);
    }
    _exit(0);
  }
  int st;
  for (pid_t pid : pids) {
    ASSERT_EQ(waitpid(pid, &st, 0), pid);
    EXPECT_TRUE(WIFEXITED(st) && WEXITSTATUS(st) == 0) << "worker status " << st;
  }
  ASSERT_EQ(waitpid(reader, &st, 0), reader);
  EXPECT_TRUE(WIFEXITED(st) && WEXITSTATUS(st) == 0) << "reader status " << st;
  Key_chan* ch = open(p);
  EXPECT_EQ(Key_verify(ch), "");
  EXPECT_EQ(Key_record_count(ch), uint32_t(1 + WORKERS * ROUNDS));
  EXPECT_EQ(std::stol(get(ch, "COUNTER")), WORKERS * ROUNDS);
}

// A record held by EXTRACT in another process cannot be written or removed
// (the busy error, naming the holder); the lock one channel of this process
// holds survives a WRITE of the same record through another channel, so a
// third process still finds the record busy.
TEST_F(EffProcesses, WritesHonourRecordLocksOfOthersAndOfOwnChannels) {
  std::string p = make_eff("held", 40, {}, 8);
  {
    Key_chan* ch = open(p);
    put(ch, "A", "one");
    put(ch, "B", "two");
    close(ch);
  }
  // A child that EXTRACTs key and reports whether it got the record; with
  // hold set it keeps the lock until told to go.
  auto extractor = [&](const char* key, int up, int down) {
    int got = 1;
    try {
      Key_chan* ch = Key_open(p);
      got = attempt([&] { Key_read(ch, Key_by(key, 174)); }) == -1 ? 0 : 1;
      char c = 'x';
      if (up >= 0 && write(up, &c, 1) != 1) _exit(3);
      if (down >= 0 && read(down, &c, 1) != 1) _exit(3);
      Key_close(ch);
    } catch (const Oru_error&) {
      _exit(2);
    }
    _exit(got);
  };
  int up[2], down[2];
  ASSERT_EQ(pipe(up), 0);
  ASSERT_EQ(pipe(down), 0);
  pid_t holder = fork();
  if (holder == 0) extractor("A", up[1], down[0]);
  char c;
  ASSERT_EQ(read(up[0], &c, 1), 1);
  Key_chan* ch = open(p);
  EXPECT_EQ(attempt([&] { put(ch, "A", "mine"); }), 0);
  EXPECT_EQ(ws.Lock_holder, holder);
  EXPECT_EQ(attempt([&] { Key_remove(ch, Key_by("A", 208)); }), 0);
  put(ch, "B", "changed");
  ASSERT_EQ(write(down[1], &c, 1), 1);
  int st;
  ASSERT_EQ(waitpid(holder, &st, 0), holder);
  EXPECT_TRUE(WIFEXITED(st) && WEXITSTATUS(st) == 0) << st;
  put(ch, "A", "mine");
  EXPECT_EQ(strip(get(ch, "A")), "mine");
  // Channel 2 of this process holds A: channel 1's WRITE of it is busy, and
  // another process finds it held.
  Key_chan* ch2 = open(p);
  EXPECT_EQ(strip(Key_read(ch2, Key_by("A", 174))), "mine");
  EXPECT_EQ(attempt([&] { put(ch, "A", "again"); }), 0);
  pid_t other = fork();
  if (other == 0) extractor("A", -1, -1);
  ASSERT_EQ(waitpid(other, &st, 0), other);
  EXPECT_TRUE(WIFEXITED(st) && WEXITSTATUS(st) == 1) << "the record was free: " << st;
  Key_unlock(ch2);
  put(ch, "A", "again");
  other = fork();
  if (other == 0) extractor("A", -1, -1);
  ASSERT_EQ(waitpid(other, &st, 0), other);
  EXPECT_TRUE(WIFEXITED(st) && WEXITSTATUS(st) == 0) << st;
  EXPECT_EQ(strip(get(ch, "A")), "again");
  EXPECT_EQ(Key_verify(ch), "");
}

// Reads copy pages out of a mapping of the file taken at the first read.
// Another process then grows the file, by less than a remapping step and
// then by more: every record it wrote reads back whole here (past the
// mapping by pread, then through a new mapping), and a record rewritten on a
// page inside the old mapping shows its new contents.
TEST_F(EffProcesses, ReaderWithAMappingSeesAnotherProcessGrowTheFile) {
  std::string p = make_eff("grow", 200, {}, 8);
  Key_chan* ch = open(p);
  put(ch, "K0000000", "first");
  EXPECT_EQ(strip(get(ch, "K0000000")), "first");  // mapped now
  auto file_size = [&] {
    struct stat st {};
    EXPECT_EQ(stat(p.c_str(), &st), 0);
    return int64_t(st.st_size);
  };
  auto writer = [&](int from, int to) {
    pid_t pid = fork();
    if (pid == 0) {
      try {
        Key_chan* w = Key_open(p);
        for (int i = from; i < to; ++i) {
          char k[16];
          std::snprintf(k, sizeof k, "K%07d", i);
          Key_write(w, Key_by(k, 232), std::string(k) + std::string(150, char('a' + i % 26)));
        }
        Key_write(w, Key_by("K0000000", 232), "rewritten " + std::to_string(to));
        Key_close(w);
      } catch (const Oru_error&) {
        _exit(2);
      }
      _exit(0);
    }
    int st;
    EXPECT_EQ(waitpid(pid, &st, 0), pid);
    EXPECT_TRUE(WIFEXITED(st) && WEXITSTATUS(st) == 0) << st;
  };
  auto check = [&](int to) {
    EXPECT_EQ(strip(get(ch, "K0000000")), "rewritten " + std::to_string(to));
    for (int i = 1; i < to; ++i) {
      char k[16];
      std::snprintf(k, sizeof k, "K%07d", i);
      ASSERT_EQ(strip(get(ch, k)), std::string(k) + std::string(150, char('a' + i % 26))) << i;
    }
    EXPECT_EQ(Key_record_count(ch), uint32_t(to));
    EXPECT_EQ(Key_verify(ch), "");
  };
  int64_t before = file_size();
  writer(1, 40);  // a few pages: within one remapping step
  ASSERT_GT(file_size(), before);
  ASSERT_LT(file_size(), before + int64_t(Eff_view::REMAP_STEP));
  check(40);
  writer(40, 3000);  // well past a step
  ASSERT_GT(file_size(), before + int64_t(Eff_view::REMAP_STEP));
  check(3000);
  close(ch);
}

}  // namespace

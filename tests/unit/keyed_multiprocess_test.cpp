// Several processes update one keyed file at once: each writes its own
// records and raises a shared counter record under a record lock; one is
// killed with SIGKILL while it holds the counter, and the others go on.
#include <signal.h>
#include <sys/wait.h>

#include <cstdio>

#include "core/host.h"
#include "keyed_env.h"

namespace {

constexpr int WORKERS = 4;
constexpr int RECORDS = 300;
constexpr int KILLED_DONE = 40;

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

class KeyedProcesses : public KeyedTest {
 protected:
  void run(bool with_victim, int write_behind);
};

TEST_F(KeyedProcesses, WorkersShareOneFileWithoutLosingRecords) { run(true, 0); }

// Write-behind: each process keeps the header lock and its changed blocks
// across 20 operations; closing writes everything back.
TEST_F(KeyedProcesses, WorkersWithWriteBehind) { run(false, 20); }

void KeyedProcesses::run(bool with_victim, int write_behind) {
  std::string p = make("shared", 40, 12, true);
  {
    Key_chan* ch = open(p);
    put(ch, "COUNTER", "0000000000");
    close(ch);
  }
  auto worker = [&](int id, int records, int holding_pipe) {
    Rsv_cnt = 0;
    prmblk.WD = uint16_t(write_behind);
    int status = 0;
    try {
      Key_chan* ch = Key_open(p);
      for (int i = 0; i < records; ++i) {
        char k[16];
        std::snprintf(k, sizeof k, "P%d-%05d", id, i);
        Key_write(ch, Key_by(k, 232), std::string("worker ") + k);
        for (;;) {
          // EXTRACT holds the counter; a record held by another process
          // is the busy error 0: try again.
          std::string v;
          int e = attempt([&] { v = Key_read(ch, Key_by("COUNTER", 174)); });
          if (e == -1) {
            char buf[24];
            std::snprintf(buf, sizeof buf, "%010ld", std::stol(v.substr(0, 10)) + 1);
            Key_write(ch, Key_by("COUNTER", 232), buf);
            break;
          }
          if (e != 0) {
            status = 10 + e % 100;
            throw Oru_error{e};
          }
          usleep(50);
        }
      }
      if (holding_pipe >= 0) {
        // Hold the counter and wait to be killed.
        for (;;) {
          if (attempt([&] { Key_read(ch, Key_by("COUNTER", 174)); }) == -1) break;
          usleep(50);
        }
        char c = 'h';
        if (write(holding_pipe, &c, 1) != 1) _exit(3);
        for (;;) pause();
      }
      Key_close(ch);
    } catch (const Oru_error& e) {
      std::fprintf(stderr, "worker %d: error %d\n", id, e.no);
      _exit(status ? status : 2);
    }
    _exit(0);
  };
  int hold[2];
  ASSERT_EQ(pipe(hold), 0);
  pid_t victim = -1;
  if (with_victim) {
    victim = fork();
    if (victim == 0) {
      ::close(hold[0]);
      worker(9, KILLED_DONE, hold[1]);
    }
  }
  ::close(hold[1]);
  std::vector<pid_t> pids;
  for (int w = 0; w < WORKERS; ++w) {
    pid_t pid = fork();
    if (pid == 0) worker(w, RECORDS, -1);
    pids.push_back(pid);
  }
  int st;
  if (with_victim) {
    char c;
    ASSERT_EQ(read(hold[0], &c, 1), 1);  // the victim holds the counter now
    usleep(20000);                       // the others are blocked on it meanwhile
    kill(victim, SIGKILL);
    waitpid(victim, &st, 0);
  }
  ::close(hold[0]);
  int killed_done = with_victim ? KILLED_DONE : 0;
  for (pid_t pid : pids) {
    ASSERT_EQ(waitpid(pid, &st, 0), pid);
    EXPECT_TRUE(WIFEXITED(st) && WEXITSTATUS(st) == 0) << "worker status " << st;
  }
  Key_chan* ch = open(p);
  EXPECT_EQ(Key_verify(ch), "");
  EXPECT_EQ(Key_record_count(ch), uint32_t(1 + WORKERS * RECORDS + killed_done));
  EXPECT_EQ(std::stol(get(ch, "COUNTER")), WORKERS * RECORDS + killed_done);
  for (int w = 0; w < WORKERS; ++w)
    for (int i = 0; i < RECORDS; ++i) {
      char k[32];
      std::snprintf(k, sizeof k, "P%d-%05d", w, i);
      ASSERT_EQ(get(ch, k), std::string("worker ") + k);
    }
}

}  // namespace

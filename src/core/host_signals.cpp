// Signals and the two timers multiplexed on SIGALRM.
//
// Timer state is touched by the SIGALRM handler, so the main line blocks
// SIGALRM while it changes it.  The statement deadline is kept in
// microseconds of the monotonic clock (0 = none) and reported in hundredths;
// the event timer's interval is whole seconds, counted from when it was set.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "core/errors.h"
#include "core/hooks.h"
#include "core/host.h"
#include "core/messages.h"
#include "core/params.h"
#include "core/signal_flags.h"
#include "core/workspace.h"

void (*Event_timeout_hook)() = nullptr;
void (*Program_event_hook)(const char* name) = nullptr;
void (*Event_serve_hook)() = nullptr;
bool (*Event_data_watch_hook)() = nullptr;
void (*File_event_hook)(int what, int channel, const char* name, size_t len) = nullptr;
int32_t (*Running_object_hook)() = nullptr;
void (*Debug_signal_hook)(int signal) = nullptr;
void (*Ide_poll_hook)() = nullptr;
bool (*Client_debug_hook)() = nullptr;
Client_request_hooks Client_requests;
void (*Held_output_hook)(bool) = nullptr;
bool (*Wait_serve_active)() = nullptr;
bool (*Wait_serve_hook)() = nullptr;
int Wait_serving = 0;
int (*Ide_console_hook)(std::string& line) = nullptr;
void (*Ide_run_hook)() = nullptr;
void (*Ide_step_hook)() = nullptr;
void (*Ide_shutdown_hook)() = nullptr;
volatile sig_atomic_t Sig_events = 0;

volatile sig_atomic_t Sig_escape = 0;
volatile sig_atomic_t Sig_timeout = 0;
volatile sig_atomic_t Sig_debug = 0;
volatile sig_atomic_t Sig_status = 0;
volatile sig_atomic_t Sig_hangup = 0;
volatile sig_atomic_t Sig_event_timer = 0;
volatile sig_atomic_t Sig_usr1 = 0, Sig_usr2 = 0;
volatile sig_atomic_t Sig_ttin = 0;
volatile sig_atomic_t Sig_break_count = 0;

namespace {

volatile int64_t deadline_us = 0;   // statement deadline, monotonic microseconds
volatile int64_t event_next_us = 0;  // next event time, monotonic microseconds
volatile int32_t event_interval_s = 0;
bool alarm_installed = false;
std::string status_path;            // "kestil.sts" beside the library directory
// Signals of each count already served by the main line.
sig_atomic_t usr1_seen = 0, usr2_seen = 0, ttin_seen = 0, timer_seen = 0;

int64_t now_us() {
  struct timespec ts {};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return int64_t(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

// Blocks SIGALRM for the life of the guard.
struct Alarm_block {
  sigset_t old;
  Alarm_block() {
    sigset_t s;
    sigemptyset(&s);
    sigaddset(&s, SIGALRM);
    sigprocmask(SIG_BLOCK, &s, &old);
  }
  ~Alarm_block() { sigprocmask(SIG_SETMASK, &old, nullptr); }
};

void install(int sig, void (*fn)(int)) {
  struct sigaction sa {};
  sa.sa_handler = fn;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = 0;  // no SA_RESTART: a waiting lock or read must see EINTR
  sigaction(sig, &sa, nullptr);
}

// The timers' state is the handler's while SIGALRM is not blocked; the
// handler itself re-arms the timer (setitimer and signal are safe there).
void Unix_alarm(int) {
  int saved = errno;
  int64_t now = now_us();
  if (deadline_us != 0 && now >= deadline_us) {
    Sig_timeout = 1;
    Sig_pending = 1;
    deadline_us = 0;
  }
  if (event_next_us != 0 && now >= event_next_us) {
    // Every period that passed counts (a late signal may cover several).
    const int64_t period = int64_t(event_interval_s) * 1000000;
    int n = 0;
    while (now >= event_next_us && n < 1000) {
      event_next_us = event_next_us + period;
      n++;
    }
    if (now >= event_next_us) event_next_us = now + period;
    Sig_event_timer = Sig_event_timer + n;
    Sig_pending = 1;
  }
  Set_Alarm();
  errno = saved;
}

void oru_sigusr(int) {
  Sig_usr1 = Sig_usr1 + 1;
  Sig_pending = 1;
}

// SIGUSR2 and SIGTTIN: the process debug link.
void debug_signal(int sig) {
  if (sig == SIGUSR2)
    Sig_usr2 = Sig_usr2 + 1;
  else
    Sig_ttin = Sig_ttin + 1;
  Sig_pending = 1;
}

void KestSigHup(int) {
  int saved = errno;
  signal(SIGHUP, SIG_IGN);
  Sig_hangup = 1;
  Sig_pending = 1;
  errno = saved;
}

// SIGTSTP asks for an escape, SIGTTOU is the debug request; both leave a
// status block for whoever sent them, written by the main line.
void SigTSTP_debug(int sig) {
  if (sig == SIGTSTP)
    Sig_escape = 1;
  else
    Sig_debug = 1;
  Sig_status = 1;
  Sig_pending = 1;
}

// The status block: never through a symbolic link, with the user's umask,
// and only into a regular file (a FIFO at its name would hold the process in
// open, opened without waiting).
void write_status_file() {
  if (status_path.empty()) return;
  int fd = open(status_path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
  if (fd < 0) return;
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || ftruncate(fd, 0) != 0) {
    close(fd);
    return;
  }
  char when[64] = "";
  time_t t = time(nullptr);
  ctime_r(&t, when);
  // The program's path and the extended text are cut to what the block
  // holds; LFO reads -1 before any OPEN, as the LFO variable does.
  std::string program = Core_hook.program_path().substr(0, 511);
  std::string msg = Ext_error_text().substr(0, 255);
  char buf[1200];
  int n = std::snprintf(buf, sizeof buf,
                        "Kestil Signal: Pid=%d, %sProgram: %s  (%d)\nERR=%d LFO=%d LFA=%d\nMSG(-1)=%s\n",
                        int(getpid()), when, program.c_str(), int(ws.Cur_stno), ws.Err_no,
                        ws.Lfo_chan == 65001 ? -1 : int(ws.Lfo_chan), int(ws.Lfa_chan), msg.c_str());
  if (n > 0) {
    ssize_t w = write(fd, buf, size_t(n) < sizeof buf ? size_t(n) : sizeof buf - 1);
    (void)w;
  }
  close(fd);
}

// Delivers the signals of one count that arrived since the last call.
void serve_count(volatile sig_atomic_t& count, sig_atomic_t& seen, void (*serve)()) {
  while (seen != count) {
    seen = count;
    serve();
  }
}

}  // namespace

uint32_t Take_signals() {
  Sig_pending = 0;
  if (Sig_escape) {
    Sig_escape = 0;
    ws.Run_flags |= RF_ESCAPE;
  }
  if (Sig_timeout) {
    Sig_timeout = 0;
    ws.Run_flags |= RF_TIMEOUT;
  }
  if (Sig_debug) {
    Sig_debug = 0;
    ws.Run_flags |= RF_DEBUG_LINK;
  }
  if (Sig_status) {
    Sig_status = 0;
    write_status_file();
  }
  if (Sig_hangup) {
    Sig_hangup = 0;
    OruLogError("Sighup received");
    Sw_set(sw::SIGHUP_SEEN, true);
    if (!Sw_on(sw::XC)) {
      ws.Run_flags |= RF_ESCAPE | RF_STOP;
      ws.End_process = true;
      ws.Prm.XT = true;
      OruLogError("Sighup received - Forcing Auto exit");
    }
  }
  // Each period of the event timer is one Timeout.
  while (timer_seen != Sig_event_timer) {
    timer_seen = timer_seen + 1;
    if (Event_timeout_hook) Event_timeout_hook();
  }
  // Each SIGUSR1 is one event.
  while (usr1_seen != Sig_usr1) {
    usr1_seen = usr1_seen + 1;
    if (Program_event_hook) Program_event_hook("SigUsr1");
    else Sig_events = Sig_events + 1;
  }
  serve_count(Sig_usr2, usr2_seen, [] {
    if (Debug_signal_hook) Debug_signal_hook(SIGUSR2);
  });
  serve_count(Sig_ttin, ttin_seen, [] {
    if (Debug_signal_hook) Debug_signal_hook(SIGTTIN);
  });
  return ws.Run_flags;
}

namespace {

void identify(const char* path, Dev_ident& d) {
  struct stat st {};
  if (stat(path, &st) != 0) return;
  d.inode = uint64_t(st.st_ino);
  d.dev = uint64_t(st.st_dev);
  d.rdev = (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode)) ? uint64_t(st.st_rdev) : 0;
  d.known = true;
}

}  // namespace

void System_init() {
  signal(SIGPIPE, SIG_IGN);
  prmblk.Create_mode = 0666;
  if (!isatty(1)) Sw_set(sw::NO_BREAK, true);
  identify("/dev/null", Host_dev_null);
  identify("/dev/console", Host_dev_console);
  install(SIGUSR1, oru_sigusr);
  install(SIGUSR2, debug_signal);
  install(SIGTTIN, debug_signal);
  install(SIGTSTP, SigTSTP_debug);
  install(SIGTTOU, SigTSTP_debug);
  install(SIGHUP, KestSigHup);
  // The status file goes beside the library directory.
  std::string lib = Lib_dir_path();
  while (lib.size() > 1 && lib.back() == '/') lib.pop_back();
  size_t slash = lib.rfind('/');
  std::string parent = slash == std::string::npos ? "." : slash == 0 ? "/" : lib.substr(0, slash);
  std::string path = Path_convert(parent + "/kestil.sts");
  status_path = path;
}

void System_wrapup() {
  Kill_timer();
  KillEventTimer();
  Reap_children();
}

void Set_Alarm() {
  int64_t now = now_us();
  int64_t next = 0;
  if (deadline_us != 0) next = deadline_us;
  if (event_next_us != 0) {
    int64_t ev = event_next_us;
    if (next == 0 || ev < next) next = ev;
  }
  struct itimerval it {};
  if (next == 0) {
    setitimer(ITIMER_REAL, &it, nullptr);
    signal(SIGALRM, SIG_IGN);
    alarm_installed = false;
    return;
  }
  if (!alarm_installed) {
    install(SIGALRM, Unix_alarm);
    alarm_installed = true;
  }
  int64_t left = next - now;
  if (left < 1000) left = 1000;  // already due: fire at once
  it.it_value.tv_sec = time_t(left / 1000000);
  it.it_value.tv_usec = suseconds_t(left % 1000000);
  setitimer(ITIMER_REAL, &it, nullptr);
}

void Set_timer(int32_t hundredths) {
  Alarm_block guard;
  if (hundredths < 0) hundredths = 0;
  deadline_us = now_us() + int64_t(hundredths) * 10000;
  Sig_timeout = 0;
  ws.Run_flags &= ~uint32_t(RF_TIMEOUT);
  Set_Alarm();
}

void Kill_timer() {
  Alarm_block guard;
  deadline_us = 0;
  Set_Alarm();
}

int32_t Get_timer(bool kill) {
  Alarm_block guard;
  if (deadline_us == 0) return -1;
  int64_t left = (deadline_us - now_us()) / 10000;
  if (left < 1) left = 1;
  if (kill) {
    deadline_us = 0;
    Set_Alarm();
  }
  return left > INT32_MAX ? INT32_MAX : int32_t(left);
}

void Wait_timer() {
  Reap_children();
  {
    Alarm_block guard;
    while (deadline_us != 0 && !(Run_flags_now() & (RF_TIMEOUT | RF_ESCAPE | RF_STOP)))
      sigsuspend(&guard.old);
  }
  Take_signals();
  Kill_timer();
}

int64_t Mono_ms() { return now_us() / 1000; }

void Wait_timer_or_event() {
  Reap_children();
  {
    Alarm_block guard;
    while (deadline_us != 0 && !(Run_flags_now() & (RF_TIMEOUT | RF_ESCAPE | RF_STOP | RF_EVENT)))
      sigsuspend(&guard.old);
  }
  Take_signals();
}

void SetEventTimer(int32_t ms) {
  if (ms <= 0) {
    KillEventTimer();
    return;
  }
  Alarm_block guard;
  event_interval_s = (ms + 999) / 1000;
  event_next_us = now_us() + int64_t(event_interval_s) * 1000000;
  Set_Alarm();
}

void KillEventTimer() {
  Alarm_block guard;
  event_interval_s = 0;
  event_next_us = 0;
  Set_Alarm();
}

namespace {

void install_break_handler() {
  struct sigaction sa;
  std::memset(&sa, 0, sizeof sa);
  sa.sa_handler = oru_break;
  sa.sa_flags = SA_RESETHAND;  // re-armed by the handler while it may be
  sigemptyset(&sa.sa_mask);
  sigaction(SIGINT, &sa, nullptr);
}

}  // namespace

// Counts the interrupts since the escape was last served or dropped; after
// the fifth the default action is left in place, so the sixth ends the
// process.
void oru_break(int) {
  int n = Sig_break_count + 1;
  Sig_break_count = n;
  Sig_escape = 1;
  Sig_pending = 1;
  if (n < 5) install_break_handler();
}

void Set_break_handler() {
  Sig_break_count = 0;
  install_break_handler();
}

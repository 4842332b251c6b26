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

#include "core/console.h"
#include "core/host.h"
#include "core/messages.h"
#include "core/params.h"
#include "core/workspace.h"

void (*Event_timeout_hook)() = nullptr;
void (*Program_event_hook)(const char* name) = nullptr;
void (*Event_serve_hook)() = nullptr;
void (*File_event_hook)(int what, int channel, const char* name, size_t len) = nullptr;
void (*Debug_signal_hook)(int signal) = nullptr;
volatile int Sig_events = 0;


namespace {

volatile int64_t deadline_us = 0;   // statement deadline, monotonic microseconds
volatile int64_t event_next_us = 0;  // next event time, monotonic microseconds
volatile int32_t event_interval_s = 0;
bool alarm_installed = false;
char status_path[1024] = "";        // "kestil.sts" beside the library directory

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

void Unix_alarm(int) {
  int saved = errno;
  int64_t now = now_us();
  if (deadline_us != 0 && now >= deadline_us) {
    ws.Run_flags |= RF_TIMEOUT;
    deadline_us = 0;
  }
  if (event_next_us != 0 && now >= event_next_us) {
    if (Event_timeout_hook) Event_timeout_hook();
    event_next_us = now + int64_t(event_interval_s) * 1000000;
  }
  Set_Alarm();
  errno = saved;
}

void oru_sigusr(int sig) {
  int saved = errno;
  const char* name = sig == SIGUSR1 ? "SigUsr1" : "SigUsr2";
  if (Program_event_hook)
    Program_event_hook(name);
  else
    Sig_events = Sig_events + 1;
  errno = saved;
}

void debug_signal(int sig) {
  if (Debug_signal_hook) Debug_signal_hook(sig);
}

void KestSigHup(int) {
  int saved = errno;
  signal(SIGHUP, SIG_IGN);
  OruLogError("Sighup received");
  Sw_set(sw::SIGHUP_SEEN, true);
  if (!Sw_on(sw::XC)) {
    ws.Run_flags |= RF_ESCAPE | RF_STOP;
    ws.End_process = true;
    ws.Prm.XT = true;
    OruLogError("Sighup received - Forcing Auto exit");
  }
  errno = saved;
}

// SIGTSTP asks for an escape, SIGTTOU is the debug request; both leave a
// status block for whoever sent them.
void SigTSTP_debug(int sig) {
  int saved = errno;
  if (sig == SIGTSTP)
    ws.Run_flags |= RF_ESCAPE;
  else
    ws.Run_flags |= RF_DEBUG_LINK;
  if (status_path[0] != '\0') {
    mode_t old = umask(0);
    int fd = open(status_path, O_WRONLY | O_CREAT | O_TRUNC, 0666);
    umask(old);
    if (fd >= 0) {
      char when[64] = "";
      time_t t = time(nullptr);
      ctime_r(&t, when);
      char buf[1024];
      int n = std::snprintf(buf, sizeof buf,
                            "Kestil Signal: Pid=%d, %sProgram: %s  (%d)\nERR=%d LFO=%d LFA=%d\nMSG(-1)=%s\n",
                            int(getpid()), when, "", int(ws.Cur_stno), ws.Err_no, 0, 0, "");
      if (n > 0) {
        ssize_t w = write(fd, buf, size_t(n) < sizeof buf ? size_t(n) : sizeof buf - 1);
        (void)w;
      }
      close(fd);
    }
  }
  errno = saved;
}

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
  if (path.size() < sizeof status_path) std::memcpy(status_path, path.c_str(), path.size() + 1);
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
    while (deadline_us != 0 && !(ws.Run_flags & (RF_TIMEOUT | RF_ESCAPE | RF_STOP)))
      sigsuspend(&guard.old);
  }
  Kill_timer();
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

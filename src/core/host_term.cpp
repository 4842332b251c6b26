// The console's terminal line, users and groups, and the trace log.
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "core/console_device.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/file_trust.h"
#include "core/host.h"
#include "core/params.h"
#include "core/workspace.h"

namespace {

struct termios saved_tio;
bool tio_saved = false;
bool line_configured = false;
int line_fd = -1;
bool line_frames = false;  // the line carries a thin client's frames

uid_t start_uid = getuid();
gid_t start_gid = getgid();
std::string login_cache;
bool login_cached = false;

enum class Log_state { unknown, on, off };
Log_state log_state = Log_state::unknown;
char log_name[1024] = "orutrace.log";

// The console's terminal line: its input descriptor, else its output
// descriptor, when it is a terminal (none while a connection carries it).
int console_fd() {
  int in = Con_in_fd(), out = Con_out_fd();
  if (in >= 0 && isatty(in)) return in;
  if (out >= 0 && isatty(out)) return out;
  return -1;
}

// A signal that ends the process while the line is raw gives the user's
// terminal back first (tcsetattr is async-signal-safe), then takes its
// default action.
void restore_and_die(int sig) {
  if (tio_saved && line_fd >= 0) tcsetattr(line_fd, TCSANOW, &saved_tio);
  signal(sig, SIG_DFL);
  raise(sig);
}

void arm_fatal_signals() {
  static bool armed = false;
  if (armed) return;
  armed = true;
  for (int sig : {SIGTERM, SIGQUIT, SIGABRT, SIGSEGV, SIGBUS, SIGFPE, SIGILL}) {
    struct sigaction old {};
    sigaction(sig, nullptr, &old);
    if (old.sa_handler != SIG_DFL) continue;  // someone else's (a sanitizer's) handler stays
    struct sigaction sa {};
    sa.sa_handler = restore_and_die;
    sigemptyset(&sa.sa_mask);
    sigaction(sig, &sa, nullptr);
  }
}

void arm_break() {
  if (!Sw_on(sw::NO_BREAK)) signal(SIGINT, oru_break);
}

// Raw mode on the console's line; with drain, once what was written has
// gone out (a change of the input settings alone need not wait, and must
// not when the other side has stopped reading).
void configure(bool drain) {
  int fd = console_fd();
  if (fd < 0) return;
  if (drain) tcdrain(fd);
  // The settings to give back are those of this line (LNSW may have moved
  // the console to another terminal since they were saved).
  if (!tio_saved || (fd != line_fd && !line_configured)) {
    if (tcgetattr(fd, &saved_tio) != 0) return;
    tio_saved = true;
  }
  struct termios t = saved_tio;
  t.c_iflag &= ~tcflag_t(ICRNL);
#ifdef IUCLC
  t.c_iflag &= ~tcflag_t(IUCLC);
#endif
  t.c_oflag &= ~tcflag_t(OPOST);
  t.c_lflag = ISIG;
  // Every control character off except the interrupt character and the two
  // flow-control characters, which keep their settings.
  for (size_t i = 0; i < NCCS; ++i) {
    if (i == VSTART || i == VSTOP) continue;
    t.c_cc[i] = _POSIX_VDISABLE;
  }
  t.c_cc[VINTR] = cc_t(prmblk.Bang_B);
  if (line_frames) {
    // Binary frames: any byte of a length, CRC or datum may equal a control
    // character, so the line keeps none (the kernel would turn one into a
    // signal and flush the reply, or swallow it as flow control).
    t.c_iflag &= ~tcflag_t(IXON | IXOFF | ISTRIP);
    t.c_lflag = 0;
    t.c_cc[VINTR] = _POSIX_VDISABLE;
    t.c_cc[VSTART] = _POSIX_VDISABLE;
    t.c_cc[VSTOP] = _POSIX_VDISABLE;
  }
  t.c_cc[VMIN] = 1;
  t.c_cc[VTIME] = 0;
  if (tcsetattr(fd, drain ? TCSADRAIN : TCSANOW, &t) != 0) return;
  line_fd = fd;
  line_configured = true;
  arm_fatal_signals();
  arm_break();
}

}  // namespace

void Config_line() { configure(true); }

void Reset_line() {
  signal(SIGINT, SIG_IGN);
  Con_flush();
  if (tio_saved && line_fd >= 0) tcsetattr(line_fd, TCSADRAIN, &saved_tio);
  line_configured = false;
}

bool Line_configured() { return line_configured; }

void Line_carries_frames(bool on) {
  if (line_frames == on) return;
  line_frames = on;
  if (line_configured) configure(false);
}

void Reconfig_line() {
  if (!line_configured) return;
  Reset_line();
  Config_line();
}

void Flush_console() {
  int fd = console_fd();
  if (fd < 0) return;  // a pipe or file keeps what is ahead
  Con_discard_input();
  tcflush(fd, TCIFLUSH);
}

// ---- users and groups ----

void Change_userid(bool permanent) {
  uid_t uid;
  if (ws.Str_len >= 0) {
    std::string name(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
    if (name == "*") {
      uid = start_uid;
    } else {
      struct passwd* pw = getpwnam(name.c_str());
      if (pw == nullptr) Rpt_error_text(err::MISSING_RECORD, "No such user id");
      uid = pw->pw_uid;
    }
  } else {
    uid = uid_t(To_integer(ws.Num_acc));
  }
  int r = permanent ? setreuid(uid, uid_t(-1)) : seteuid(uid);
  if (r != 0) Rpt_error_text(err::OPERATION_FAILED, "Setting user id failed");
  login_cached = false;
}

void Change_groupid(bool permanent) {
  gid_t gid;
  if (ws.Str_len >= 0) {
    std::string name(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
    if (name == "*") {
      gid = start_gid;
    } else {
      struct group* gr = getgrnam(name.c_str());
      if (gr == nullptr) Rpt_error_text(err::MISSING_RECORD, "No such group id");
      gid = gr->gr_gid;
    }
  } else {
    gid = gid_t(To_integer(ws.Num_acc));
  }
  int r = permanent ? setregid(gid, gid_t(-1)) : setegid(gid);
  if (r != 0) Rpt_error_text(err::OPERATION_FAILED, "Setting group id failed");
  login_cached = false;
}

std::string Getlogin() {
  if (login_cached) return login_cache;
  struct passwd* pw = getpwuid(geteuid());
  if (pw != nullptr && pw->pw_name != nullptr) {
    login_cache = pw->pw_name;
  } else {
    const char* l = getlogin();
    login_cache = l ? l : "";
  }
  login_cached = true;
  return login_cache;
}

uid_t Start_uid() { return start_uid; }

// ---- trace log ----

void Set_log_file(const std::string& name) {
  // Absolute, so that a later change of the working directory (CWD) does
  // not move the log.
  std::string n = Path_convert(name.empty() ? std::string("orutrace.log") : name);
  log_state = Log_state::unknown;
  if (n.size() >= sizeof log_name) {
    // A shorter name would be another file: no log.
    log_name[0] = 0;
    log_state = Log_state::off;
    return;
  }
  std::memcpy(log_name, n.c_str(), n.size() + 1);
}

// Written with open and write only, so that the signal handlers may log.
void OruLogError(const char* text) {
  if (log_state == Log_state::off) return;
  if (log_state == Log_state::unknown) {
    log_state = access(log_name, W_OK) == 0 ? Log_state::on : Log_state::off;
    if (log_state == Log_state::off) return;
  }
  // Never through a symbolic link planted at its name, and only into a
  // regular file (a FIFO there would hold the process in open).
  int fd = Open_log(log_name, false, 0);
  if (fd < 0) return;
  // Nor into one of another user's (put in a shared working folder, open to
  // all): it is written only when it is the user's own.
  struct stat st {};
  if (fstat(fd, &st) != 0 || st.st_uid != geteuid()) {
    close(fd);
    return;
  }
  size_t n = std::strlen(text);
  ssize_t w = write(fd, text, n);
  w = write(fd, "\n", 1);
  (void)w;
  close(fd);
}

uint16_t _rotl(uint16_t value, int count) {
  count &= 15;
  if (count == 0) return value;
  return uint16_t((value << count) | (value >> (16 - count)));
}

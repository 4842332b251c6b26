// The process debug link: FIFOs, attach, messages, and the debugger's side
// (TSK(/statement)).
//
// The debugged process owns both FIFOs, named after its own process id, in
// the user's own link directory <dir> (link_dir: "/tmp/oru-<uid>", mode
// 0700, or, when another user holds that name, ".oru-link" in the user's
// home directory):
//   <dir>/qeb.in.<pid>   debugger -> debugged process
//   <dir>/qeb.ot.<pid>   debugged process -> debugger
// No other user can make a name there, so none can keep a process from
// being debugged by planting FIFOs first.  They are made with mode 0600 and
// every open checks (fstat on the open descriptor) that the file is a FIFO
// of this user that nobody else may open.  Descriptors are non-blocking and every wait is a
// poll() with a time-out, so no open, read or write can hang the process
// and descriptors of any number work.
//
// Attach: the debugger sends SIGUSR2; the debugged process (on the main
// line, at its next signal check) makes "ot" and waits for the debugger to
// open it, then makes "in" and reads the 5-byte greeting: 0xDF and the
// debugger's process id (32 bits, big-endian).  SIGTTIN after every
// message tells the debugged process that a command waits; the signal
// handler only counts it.
#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/codes.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/host.h"
#include "core/line_store.h"
#include "core/process_config.h"
#include "core/workspace.h"
#include "programs/debug_internal.h"
#include "programs/debug_link.h"

Dbg_state dbg;

namespace {

constexpr uint8_t ERR_OPT = code::IOPT_FIRST + 4;  // ERR= (136)


constexpr uint8_t GREETING = 0xDF;
constexpr int ATTACH_ROUNDS = 20;       // 100 ms apart
constexpr int REPLY_WAIT_MS = 10000;    // the debugger's wait for a reply
constexpr int SIDE_WAIT_MS = 3000;      // the debugged side's waits during attach
constexpr size_t PROCESS_LINE_MAX = 512;
constexpr uint8_t STEP_CODE = 60;       // the keyword STEP

void sleep_ms(int ms) {
  struct timespec t = {ms / 1000, long(ms % 1000) * 1000000L};
  while (nanosleep(&t, &t) != 0 && errno == EINTR) {
  }
}

int64_t now_ms() {
  struct timespec t {};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return int64_t(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

// The directory of this user's link FIFOs, made when missing: the first of
// "/tmp/oru-<uid>" and "<home>/.oru-link" (home from the password file, so
// that both ends find the same one) that is a directory, not a link, of this
// user that nobody else may enter; "" when there is none.
bool private_dir(const std::string& d, uid_t uid) {
  if (mkdir(d.c_str(), 0700) == 0) chmod(d.c_str(), 0700);  // whatever the umask
  struct stat st {};
  return lstat(d.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == uid && (st.st_mode & 077) == 0;
}

std::string link_dir() {
  uid_t uid = geteuid();
  std::string d = "/tmp/oru-" + std::to_string(unsigned(uid));
  if (private_dir(d, uid)) return d;
  passwd* pw = getpwuid(uid);
  if (!pw || !pw->pw_dir || pw->pw_dir[0] != '/') return "";
  d = std::string(pw->pw_dir) + "/.oru-link";
  return private_dir(d, uid) ? d : "";
}

// A FIFO this process may trust: a FIFO, ours, closed to group and others.
bool private_fifo(int fd) {
  struct stat st {};
  return fstat(fd, &st) == 0 && S_ISFIFO(st.st_mode) && st.st_uid == geteuid() && (st.st_mode & 077) == 0;
}

int open_fifo(const std::string& path, int mode) {
  int fd = open(path.c_str(), mode | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return -1;
  if (!private_fifo(fd)) {
    close(fd);
    errno = EPERM;
    return -2;
  }
  return fd;
}

// Waits until fd is ready for events; false on time-out or error.
bool wait_fd(int fd, short events, int wait_ms) {
  int64_t end = now_ms() + wait_ms;
  for (;;) {
    struct pollfd p = {fd, events, 0};
    int left = int(end - now_ms());
    if (left < 0) left = 0;
    int r = poll(&p, 1, left);
    if (r > 0) return (p.revents & (events | POLLHUP | POLLERR)) != 0;
    if (r == 0) return false;
    if (errno != EINTR) return false;
  }
}

bool write_all(int fd, const uint8_t* p, size_t n, int wait_ms) {
  while (n > 0) {
    ssize_t w = write(fd, p, n);
    if (w > 0) {
      p += w;
      n -= size_t(w);
      continue;
    }
    if (w < 0 && (errno == EAGAIN || errno == EINTR)) {
      if (!wait_fd(fd, POLLOUT, wait_ms)) return false;
      continue;
    }
    return false;
  }
  return true;
}

// 1 all n bytes read, 0 nothing at all within wait_ms, -1 end or error (or
// a message cut off: the rest did not come within wait_ms).
int read_all(int fd, uint8_t* p, size_t n, int wait_ms) {
  size_t got = 0;
  while (got < n) {
    ssize_t r = read(fd, p + got, n - got);
    if (r > 0) {
      got += size_t(r);
      continue;
    }
    if (r == 0) return -1;
    if (errno == EINTR) continue;
    if (errno != EAGAIN) return -1;
    if (!wait_fd(fd, POLLIN, wait_ms)) return got == 0 ? 0 : -1;
  }
  return 1;
}

void close_fds() {
  if (dbg.in_fd >= 0) close(dbg.in_fd);
  if (dbg.out_fd >= 0) close(dbg.out_fd);
  dbg.in_fd = dbg.out_fd = -1;
}

// Removes a FIFO of ours; one that belongs to another user stays.
void remove_fifo(const std::string& path) {
  struct stat st {};
  if (lstat(path.c_str(), &st) == 0 && st.st_uid == geteuid()) unlink(path.c_str());
}

bool fifo_exists(const std::string& path) {
  struct stat st {};
  return lstat(path.c_str(), &st) == 0;
}

// ---- the debugger ----

bool attach_to(pid_t pid) {
  if (pid <= 0 || pid == getpid()) return false;
  std::string in = Dbg_fifo_name(true, pid), out = Dbg_fifo_name(false, pid);
  if (in.empty()) return false;
  if (fifo_exists(in)) {
    // A link left by a dead debugger: the signal makes the target remove it.
    if (kill(pid, SIGUSR2) != 0) return false;
    sleep_ms(2000);
    if (fifo_exists(in)) return false;
  }
  if (kill(pid, SIGUSR2) != 0) return false;
  dbg.in_fd = dbg.out_fd = -1;
  for (int round = 0; round < ATTACH_ROUNDS * 2 && (dbg.in_fd < 0 || dbg.out_fd < 0); round++) {
    sleep_ms(100);
    // A FIFO that is not private may be a stale one the target is about
    // to replace: it is never used, but the rounds go on.
    if (dbg.out_fd < 0) dbg.out_fd = std::max(open_fifo(out, O_RDONLY), -1);
    if (dbg.out_fd >= 0 && dbg.in_fd < 0) dbg.in_fd = std::max(open_fifo(in, O_WRONLY), -1);
  }
  if (dbg.in_fd < 0 || dbg.out_fd < 0) {
    close_fds();
    return false;
  }
  uint8_t g[5] = {GREETING};
  uint32_t me = uint32_t(getpid());
  g[1] = uint8_t(me >> 24);
  g[2] = uint8_t(me >> 16);
  g[3] = uint8_t(me >> 8);
  g[4] = uint8_t(me);
  if (!write_all(dbg.in_fd, g, 5, SIDE_WAIT_MS)) {
    close_fds();
    return false;
  }
  dbg.role = Dbg_role::debugger;
  dbg.peer = pid;
  dbg.msg_id = 0;
  return true;
}

// The oru processes of the host, one "pid\tuser\targuments\n" each, in
// process-number order; read from /proc, no program is run.
std::string process_list() {
  std::string own = szSysArg.empty() ? std::string("oru") : szSysArg[0];
  size_t slash = own.rfind('/');
  std::string base = slash == std::string::npos ? own : own.substr(slash + 1);
  std::vector<long> pids;
  if (DIR* d = opendir("/proc")) {
    while (dirent* e = readdir(d)) {
      char* end = nullptr;
      long pid = std::strtol(e->d_name, &end, 10);
      if (pid > 0 && end && *end == 0) pids.push_back(pid);
    }
    closedir(d);
  }
  std::sort(pids.begin(), pids.end());
  std::string result;
  for (long pid : pids) {
    std::string dir = "/proc/" + std::to_string(pid);
    int fd = open((dir + "/cmdline").c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) continue;
    char buf[PROCESS_LINE_MAX];
    ssize_t n = read(fd, buf, sizeof buf);  // a longer command line is cut, as a listing would
    struct stat st {};
    bool owned = fstat(fd, &st) == 0;
    close(fd);
    if (n <= 0 || !owned) continue;
    // arguments are separated by NULs; the last one may end with one
    std::vector<std::string> args;
    std::string cur;
    for (ssize_t i = 0; i < n; i++) {
      if (buf[i] == 0) {
        args.push_back(cur);
        cur.clear();
      } else {
        cur += (buf[i] == '\t' || buf[i] == '\n') ? ' ' : buf[i];
      }
    }
    if (!cur.empty()) args.push_back(cur);
    if (args.empty()) continue;
    size_t ps = args[0].rfind('/');
    if ((ps == std::string::npos ? args[0] : args[0].substr(ps + 1)) != base) continue;
    std::string user;
    if (passwd* pw = getpwuid(st.st_uid)) user = pw->pw_name;
    else user = std::to_string(st.st_uid);
    std::string rest;
    for (size_t i = 1; i < args.size(); i++) rest += (i > 1 ? " " : "") + args[i];
    result += std::to_string(pid) + "\t" + user + "\t" + rest + "\n";
  }
  return result;
}

[[noreturn]] void link_failed(int err) {
  KestDbgShutdown();
  Rpt_error(err);
}

bool at_close(const uint8_t* p) { return *p == code::RPAREN || *p == ERR_OPT; }

}  // namespace

std::string Dbg_fifo_name(bool in, pid_t pid) {
  std::string dir = link_dir();
  if (dir.empty()) return "";
  return dir + (in ? "/qeb.in." : "/qeb.ot.") + std::to_string(int(pid));
}

bool Dbg_send(int fd, uint16_t id, const void* data, size_t len) {
  if (fd < 0 || len > DBG_PAYLOAD_MAX) return false;
  std::vector<uint8_t> m(DBG_HEADER + len);
  Dbg_put_header(m.data(), len, id);
  if (len) std::memcpy(m.data() + DBG_HEADER, data, len);
  return write_all(fd, m.data(), m.size(), REPLY_WAIT_MS);
}

int Dbg_receive(int fd, int wait_ms, uint16_t& id, std::string& payload) {
  if (fd < 0) return -1;
  uint8_t h[DBG_HEADER];
  int r = read_all(fd, h, DBG_HEADER, wait_ms);
  if (r <= 0) return r;
  size_t len;
  if (!Dbg_get_header(h, len, id)) return -1;
  payload.assign(len, '\0');
  if (len && read_all(fd, reinterpret_cast<uint8_t*>(payload.data()), len, SIDE_WAIT_MS) != 1) return -1;
  return 1;
}

// ---- the debugged process: attach ----

void Dbg_attach_debugged() {
  if (dbg.role != Dbg_role::none) return;
  pid_t me = getpid();
  std::string in = Dbg_fifo_name(true, me), out = Dbg_fifo_name(false, me);
  if (in.empty()) return;
  if (fifo_exists(in)) {
    // A stale link: cleared now, the debugger's next attempt succeeds.
    remove_fifo(in);
    remove_fifo(out);
    return;
  }
  remove_fifo(out);
  mode_t old = umask(077);
  bool made = mkfifo(out.c_str(), 0600) == 0;
  umask(old);
  if (!made) return;
  int64_t end = now_ms() + SIDE_WAIT_MS;
  int ofd = -1;
  while (ofd < 0 && now_ms() < end) {
    ofd = open_fifo(out, O_WRONLY);  // ENXIO until the debugger opens its end
    if (ofd == -2) break;
    if (ofd < 0) sleep_ms(20);
  }
  if (ofd < 0) {
    remove_fifo(out);
    return;
  }
  old = umask(077);
  made = mkfifo(in.c_str(), 0600) == 0;
  umask(old);
  int ifd = made ? open_fifo(in, O_RDONLY) : -1;
  if (ifd < 0) {
    close(ofd);
    remove_fifo(in);
    remove_fifo(out);
    return;
  }
  dbg.in_fd = ifd;
  dbg.out_fd = ofd;
  // Until the debugger has opened its end a read finds end of file: wait.
  uint8_t g[5];
  size_t got = 0;
  while (got < 5 && now_ms() < end + SIDE_WAIT_MS) {
    ssize_t r = read(ifd, g + got, 5 - got);
    if (r > 0) got += size_t(r);
    else if (r < 0 && errno != EAGAIN && errno != EINTR) break;
    else sleep_ms(10);
  }
  if (got != 5 || g[0] != GREETING) {
    close_fds();
    remove_fifo(in);
    remove_fifo(out);
    return;
  }
  dbg.server = pid_t((uint32_t(g[1]) << 24) | (uint32_t(g[2]) << 16) | (uint32_t(g[3]) << 8) | g[4]);
  dbg.peer = me;
  dbg.role = Dbg_role::debugged;
  dbg.stopped = false;
  dbg.msg_id = 0;
  dbg.trace_hidden = true;
  ws.Run_flags |= RF_DEBUG_LINK;
}

void KestDbgShutdown() {
  if (dbg.role == Dbg_role::none && dbg.in_fd < 0 && dbg.out_fd < 0) return;
  Dbg_role role = dbg.role;
  pid_t peer = dbg.peer;
  close_fds();
  if (role == Dbg_role::debugger) {
    kill(peer, SIGTTIN);  // the debugged process reads the end and detaches
  } else if (role == Dbg_role::debugged) {
    remove_fifo(Dbg_fifo_name(true, getpid()));
    remove_fifo(Dbg_fifo_name(false, getpid()));
  }
  Dbg_wrapup();
}

void Dbg_wrapup() {
  dbg = Dbg_state{};
  ws.Run_flags &= ~uint32_t(RF_DEBUG_LINK);
}

int32_t KestDbgStatus() {
  if (dbg.role == Dbg_role::debugged) return -1;
  if (dbg.role == Dbg_role::debugger) return int32_t(dbg.peer);
  return 0;
}

// TSK(/statement).  OPEN (pid) and PROCESS LIST are served here; every
// other statement is sent to the debugged process and its reply is the
// result.  STEP stands for the step command (251 '?'), a ':' alone for the
// status (251 ':').
std::string KestDbgTskFnc() {
  uint8_t* p = ++ws.Exec_ptr;  // past "/"
  // An ERR= clause ends the statement: it is taken before anything can fail.
  {
    uint8_t* q = p;
    const uint8_t* end = Code_end(p);
    while (*q != code::RPAREN && *q != code::EOL && *q != ERR_OPT) {
      if (*q == code::COLON || *q == code::LPAREN) {
        bool group = *q == code::LPAREN;
        ws.Exec_ptr = q + 1;
        if (*ws.Exec_ptr != code::RPAREN) Skip_xpr();
        q = ws.Exec_ptr;
        if (group && *q == code::RPAREN) q++;  // the group's own ")"
        continue;
      }
      q += Scan_size(q, end);
    }
    if (*q == ERR_OPT) {
      ws.Exec_ptr = q;
      Chk_err();
    }
    ws.Exec_ptr = p;
  }
  if (*p == code::D_OPEN) {
    ws.Exec_ptr = p + 1;
    if (*ws.Exec_ptr == code::LPAREN) ws.Exec_ptr++;
    int32_t pid = Eval_integer();
    if (*ws.Exec_ptr == code::RPAREN && (ws.Exec_ptr[1] == code::RPAREN || ws.Exec_ptr[1] == ERR_OPT))
      ws.Exec_ptr++;
    if (dbg.role != Dbg_role::none) Rpt_error(err::CHANNEL_STATE);
    if (!attach_to(pid_t(pid))) {
      close_fds();
      Rpt_error(err::OPERATION_FAILED);
    }
    return "OK";
  }
  if (p[0] == code::EXT_DIR && p[1] == code::X_PROCESS && p[2] == code::D_LIST) {
    ws.Exec_ptr = p + 3;
    return process_list();
  }
  if (dbg.role != Dbg_role::debugger) Rpt_error(err::CHANNEL_STATE);
  // The command payload: the statement's codes, with each ":" operand
  // evaluated here and sent as 5, its length and its bytes.
  std::string msg;
  const uint8_t* end = Code_end(p);
  if (p[0] == code::COLON && at_close(p + 1)) {
    msg = {char(code::PREFIX2), char(code::COLON)};
    p++;
  } else if (p[0] == STEP_CODE) {
    msg = {char(code::PREFIX2), '?'};
    p++;
  }
  while (!at_close(p) && *p != code::EOL) {
    if (*p == code::COLON) {
      msg += char(code::COLON);
      ws.Exec_ptr = p + 1;
      if (at_close(ws.Exec_ptr)) {
        p = ws.Exec_ptr;
        continue;
      }
      Eval_str();
      size_t n = size_t(ws.Str_len);
      if (msg.size() + 5 + n > DBG_PAYLOAD_MAX) Rpt_error(err::STRING_LENGTH);
      msg += char(5);
      msg += char(n >> 24);
      msg += char(n >> 16);
      msg += char(n >> 8);
      msg += char(n);
      msg.append(reinterpret_cast<const char*>(ws.Str_ptr), n);
      p = ws.Exec_ptr;
      continue;
    }
    size_t n = Scan_size(p, end);
    if (msg.size() + n > DBG_PAYLOAD_MAX) Rpt_error(err::STRING_LENGTH);
    msg.append(reinterpret_cast<const char*>(p), n);
    p += n;
  }
  ws.Exec_ptr = p;
  uint16_t id = ++dbg.msg_id;
  if (!Dbg_send(dbg.in_fd, id, msg.data(), msg.size())) link_failed(86);
  kill(dbg.peer, SIGTTIN);
  std::string reply;
  for (;;) {
    uint16_t got_id = 0;
    int r = Dbg_receive(dbg.out_fd, REPLY_WAIT_MS, got_id, reply);
    if (r == 0) Rpt_error(err::RECORD_BUSY);  // no answer within 10 seconds
    if (r < 0) link_failed(86);
    if (got_id == id) break;  // older replies (a step that ended late) are passed over
  }
  uint8_t first = msg.empty() ? 0 : uint8_t(msg[0]);
  // (A line executed there that ended the process answers "Gone".)
  if (first == code::D_CLOSE || first == code::D_QUIT || reply == "Gone") KestDbgShutdown();
  return reply;
}

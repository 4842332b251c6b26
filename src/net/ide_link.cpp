// The IDE debug link over two TCP connections.
//
// Settings ("-e:"): "host;cmdport;evtport", at most 128 characters.  The
// command address is "host;cmdport", the notice address "host;evtport".
// Wire format on both: lines of text ending in LF; the interpreter sends
// CR LF; a CR before a received LF is dropped.  A command line is at most
// 1,024 bytes: a longer one is dropped whole and answered "bad"; a line
// that has not reached its LF yet waits for the rest.
//
// Commands (first characters, any case): "suspend", "resume", "stack",
// "step", "exit", "var level name"; anything else is "bad".  Notices:
// "started", "suspended client", "resumed client", "suspended step",
// "resumed step", "terminated".
//
// The sockets are plain non-blocking descriptors, waited on with poll()
// (never select(), so descriptor numbers are not limited), every wait
// bounded.  The link's descriptors belong to no channel: no program
// statement can see or close them.
#include "net/ide_link.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <string>

#include "core/console_device.h"
#include "core/host.h"
#include "core/process_config.h"
#include "core/workspace.h"

namespace {

constexpr size_t SETTINGS_MAX = 128;
constexpr size_t LINE_MAX_BYTES = 1024;
constexpr int CONNECT_WAIT_MS = 2000;
constexpr int SEND_WAIT_MS = 2000;
constexpr int START_POLLS = 10;  // each up to a second

struct Ide_link {
  int cmd_fd = -1, evt_fd = -1;
  bool split = false;       // the settings were split (once)
  std::string cmd_addr, evt_addr;
  bool started = false;     // "started" was sent
  bool waiting = false;     // waiting for the IDE's "resume" at start-up
  bool resume_asked = false;
  bool step_asked = false;
  bool leave = false;       // "exit": the console loop ends
  bool suspended = false;   // a suspension was reported since the last resume
  std::string partial;      // a command line still without its LF
  bool overlong = false;    // the partial line passed the limit: dropped
} ide;

int64_t now_ms() {
  struct timespec t {};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return int64_t(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

// "host;port" to a connected non-blocking socket, or -1.
int connect_to(const std::string& addr) {
  size_t semi = addr.rfind(';');
  if (semi == std::string::npos || semi == 0) return -1;
  std::string host = addr.substr(0, semi), port = addr.substr(semi + 1);
  if (port.empty() || port.size() > 5 || port.find_first_not_of("0123456789") != std::string::npos) return -1;
  long p = std::strtol(port.c_str(), nullptr, 10);
  if (p < 1 || p > 65535) return -1;
  struct addrinfo hints {};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  struct addrinfo* res = nullptr;
  if (getaddrinfo(host.c_str(), port.c_str(), &hints, &res) != 0 || !res) return -1;
  int fd = -1;
  for (struct addrinfo* a = res; a && fd < 0; a = a->ai_next) {
    fd = socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
    if (fd < 0) continue;
    int r = connect(fd, a->ai_addr, a->ai_addrlen);
    if (r != 0 && errno == EINPROGRESS) {
      struct pollfd pf = {fd, POLLOUT, 0};
      int err = 0;
      socklen_t len = sizeof err;
      if (poll(&pf, 1, CONNECT_WAIT_MS) == 1 && getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) == 0 && err == 0)
        r = 0;
    }
    if (r != 0) {
      close(fd);
      fd = -1;
    }
  }
  freeaddrinfo(res);
  if (fd >= 0) {
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  }
  return fd;
}

// Writes all of text to fd, waiting at most SEND_WAIT_MS in all; false on
// failure (the caller drops the link).
bool send_text(int fd, const std::string& text) {
  if (fd < 0) return false;
  const char* p = text.data();
  size_t n = text.size();
  int64_t end = now_ms() + SEND_WAIT_MS;
  while (n > 0) {
    ssize_t w = send(fd, p, n, MSG_NOSIGNAL);
    if (w > 0) {
      p += w;
      n -= size_t(w);
      continue;
    }
    if (w < 0 && errno == EINTR) continue;
    if (w < 0 && errno == EAGAIN) {
      int left = int(end - now_ms());
      if (left <= 0) return false;
      struct pollfd pf = {fd, POLLOUT, 0};
      if (poll(&pf, 1, left) <= 0) return false;
      continue;
    }
    return false;
  }
  return true;
}

void close_link() {
  if (ide.cmd_fd >= 0) close(ide.cmd_fd);
  if (ide.evt_fd >= 0) close(ide.evt_fd);
  ide.cmd_fd = ide.evt_fd = -1;
  ws.Run_flags &= ~uint32_t(RF_IDE_LINK);
}

void answer(const char* text) {
  if (!send_text(ide.cmd_fd, text)) close_link();
}

bool at_console() { return (ws.Run_flags & RF_CONSOLE_READ) != 0; }

bool starts_with(const char* line, size_t len, const char* word) {
  size_t n = std::strlen(word);
  if (len < n) return false;
  for (size_t i = 0; i < n; i++)
    if (std::tolower(uint8_t(line[i])) != word[i]) return false;
  return true;
}

void notice(const char* text) {
  if (!ide.started || ide.evt_fd < 0) return;
  if (!send_text(ide.evt_fd, text)) close_link();
}

// ---- hooks of the core ----

void poll_hook() { CheckEclipseCommands(0); }

int console_hook(std::string& line) {
  if (!ide.started || ide.cmd_fd < 0) return 0;
  if (!ide.suspended) {
    ide.suspended = true;
    notice("suspended client\r\n");
  }
  for (;;) {
    if (ide.leave) {
      ide.leave = false;
      return -1;
    }
    if (ide.resume_asked) {
      // The stop's single step is not wanted once the IDE resumes.
      ws.Run_flags &= ~uint32_t(RF_STEP);
      line = "RUN";
      return 1;
    }
    if (ide.step_asked) {
      line = ".";
      return 1;
    }
    if (ide.cmd_fd < 0 || ws.End_process) return 0;
    if (Con_wait_input(0)) return 0;  // the console has a line (or its end)
    CheckEclipseCommands(100);
  }
}

void run_hook() {
  if (!ide.started || ide.cmd_fd < 0 || ide.step_asked) return;
  ide.resume_asked = false;
  ide.suspended = false;
  notice("resumed client\r\n");
}

void step_hook() {
  if (!ide.step_asked) return;
  ide.step_asked = false;
  ide.suspended = true;
  notice("suspended step\r\n");
}

void take_bytes(const char* buf, size_t n);

void shutdown_hook() {
  if (ide.started && ide.evt_fd >= 0) notice("terminated\r\n");
  close_link();
  ide.started = false;
}

// "var level name": digits form the level up to a blank, CR, LF or the
// end; after one blank the name runs over the characters 33 to 121.
// False (answered "bad") when the request names no variable.
bool var_command(const char* p, size_t len) {
  size_t i = 0;
  int level = 0;
  for (; i < len && p[i] != ' ' && p[i] != '\r' && p[i] != '\n'; i++)
    if (p[i] >= '0' && p[i] <= '9' && level < 100000) level = level * 10 + (p[i] - '0');
  if (i < len && p[i] == ' ') i++;
  size_t start = i;
  while (i < len && uint8_t(p[i]) >= 33 && uint8_t(p[i]) <= 121) i++;
  std::string name(p + start, i - start);
  if (name.empty()) return false;
  for (char& c : name) c = char(std::toupper(uint8_t(c)));
  std::string reply = Ide_var_hook ? Ide_var_hook(level, name.data(), name.size()) : name + "=<?>\t\n";
  answer(reply.c_str());
  return true;
}

}  // namespace

std::string (*Ide_var_hook)(int level, const char* name, size_t len) = nullptr;
std::string (*Ide_stack_hook)() = nullptr;

bool Ide_split_settings(const std::string& s, std::string& cmd, std::string& evt) {
  if (s.empty() || s.size() > SETTINGS_MAX) return false;
  size_t a = s.find(';');
  if (a == std::string::npos) return false;
  size_t b = s.find(';', a + 1);
  if (b == std::string::npos) return false;
  cmd = s.substr(0, b);
  evt = s.substr(0, a) + s.substr(b);
  return a > 0 && b > a + 1 && b + 1 < s.size();
}

void SendEclipseCommand(const char* text) { notice(text); }

int ParseEclipseCommands(const char* line, size_t len) {
  if (starts_with(line, len, "suspend")) {
    ide.leave = false;
    ws.Run_flags |= RF_ESCAPE | RF_STEP;
    ws.Step_count = 1;
    ide.suspended = true;
    notice("suspended client\r\n");
    return 1;
  }
  if (starts_with(line, len, "resume")) {
    if (at_console() || ide.waiting) {
      ide.resume_asked = !ide.waiting;
      ide.waiting = false;
    }
    return 1;
  }
  if (starts_with(line, len, "stack")) {
    answer(Ide_stack_hook ? Ide_stack_hook().c_str() : "\n");
    return 0;
  }
  if (starts_with(line, len, "step")) {
    if (at_console()) {
      ide.suspended = false;
      notice("resumed step\r\n");
      ide.step_asked = true;
    }
    return 1;
  }
  if (starts_with(line, len, "exit")) {
    if (at_console()) ide.leave = true;
    return 1;
  }
  if (starts_with(line, len, "var") && len > 4) return var_command(line + 4, len - 4) ? 0 : -1;
  return -1;
}

void CheckEclipseCommands(int wait_ms) {
  if (ide.cmd_fd < 0) return;
  struct pollfd pf = {ide.cmd_fd, POLLIN, 0};
  int r = poll(&pf, 1, wait_ms);
  if (r <= 0) return;
  // Whatever waits is read now, up to 64 KB a call.
  for (int round = 0; round < 16 && ide.cmd_fd >= 0; round++) {
    char buf[4096];
    ssize_t n = recv(ide.cmd_fd, buf, sizeof buf, 0);
    if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) {
      // The IDE went away: the link ends, the program goes on.
      shutdown_hook();
      return;
    }
    if (n < 0) return;
    take_bytes(buf, size_t(n));
  }
}

namespace {

void take_bytes(const char* buf, size_t n) {
  // The string accumulator and the work pointer are the program's: a dump
  // uses them and they are put back.
  uint8_t* str = ws.Str_ptr;
  int32_t str_len = ws.Str_len;
  uint8_t* work = ws.Work_ptr;
  for (size_t i = 0; i < n; i++) {
    char c = buf[i];
    if (c != '\n') {
      if (ide.partial.size() >= LINE_MAX_BYTES) ide.overlong = true;
      else ide.partial += c;
      continue;
    }
    std::string line;
    line.swap(ide.partial);
    bool overlong = ide.overlong;
    ide.overlong = false;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    int a = overlong ? -1 : ParseEclipseCommands(line.data(), line.size());
    if (a == 1) answer("ok\r\n");
    if (a == -1) answer("bad\r\n");
    if (ide.cmd_fd < 0) break;
  }
  ws.Str_ptr = str;
  ws.Str_len = str_len;
  ws.Work_ptr = work;
}

}  // namespace

void CheckEclipseActive() {
  if (!ide.split) {
    ide.split = true;
    if (!Ide_split_settings(szSysIdeLink, ide.cmd_addr, ide.evt_addr)) return;
  }
  if (ide.cmd_addr.empty() || ide.cmd_fd >= 0) return;
  ide.cmd_fd = connect_to(ide.cmd_addr);
  if (ide.cmd_fd < 0) return;
  ide.evt_fd = connect_to(ide.evt_addr);
  if (ide.evt_fd < 0) {
    close_link();
    return;
  }
  Ide_poll_hook = poll_hook;
  Ide_console_hook = console_hook;
  Ide_run_hook = run_hook;
  Ide_step_hook = step_hook;
  Ide_shutdown_hook = shutdown_hook;
  ws.Run_flags |= RF_IDE_LINK;
  if (ide.started) return;
  ide.started = true;
  notice("started\r\n");
  ide.waiting = true;
  for (int i = 0; i < START_POLLS && ide.waiting && ide.cmd_fd >= 0; i++) CheckEclipseCommands(1000);
  if (ide.waiting) {
    ide.waiting = ide.step_asked = ide.resume_asked = false;
    notice("resumed client\r\n");
  }
}

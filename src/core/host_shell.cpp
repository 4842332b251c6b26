// Shell commands and child processes.
//
// Every child started here is waited for before the call returns; children
// of closed pipes are noted with Child_closed and reaped without waiting by
// Reap_children, so none is left a zombie for long.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "core/host.h"
#include "core/params.h"
#include "core/workspace.h"

int Last_pipe_error = 0;

namespace {

std::vector<pid_t> closed_children;

// The child side: real and effective ids both become the current effective
// ones, then the shell runs the command.
[[noreturn]] void run_shell(const char* command) {
  gid_t g = getegid();
  uid_t u = geteuid();
  if (setregid(g, g) != 0 || setreuid(u, u) != 0) _exit(127);
  signal(SIGPIPE, SIG_DFL);
  signal(SIGINT, SIG_DFL);
  execl("/bin/sh", "sh", "-c", command, static_cast<char*>(nullptr));
  _exit(127);
}

int wait_child(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return status;
}

// SIGINT is ignored while a child runs (the child takes the terminal's
// interrupt itself) and put back afterwards.
struct Sigint_guard {
  struct sigaction old {};
  bool active;
  Sigint_guard() : active(!Sw_on(sw::NO_BREAK)) {
    if (!active) return;
    struct sigaction ign {};
    ign.sa_handler = SIG_IGN;
    sigemptyset(&ign.sa_mask);
    sigaction(SIGINT, &ign, &old);
  }
  ~Sigint_guard() {
    if (active) sigaction(SIGINT, &old, nullptr);
  }
};

}  // namespace

int System(const char* command) {
  Sigint_guard guard;
  pid_t pid = fork();
  if (pid < 0) {
    Last_pipe_error = errno;
    return -1;
  }
  if (pid == 0) run_shell(command);
  int status = wait_child(pid);
  if (status < 0) {
    Last_pipe_error = errno;
    return -1;
  }
  if (WIFEXITED(status)) {
    int n = WEXITSTATUS(status);
    if (n == 0) return 0;
    Last_pipe_error = n;
    errno = n;
    return -1;
  }
  Last_pipe_error = EINTR;
  errno = EINTR;
  return -1;
}

int Host_shell(const std::string& command, std::string* output) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) {
    Last_pipe_error = errno;
    return -1;
  }
  Sigint_guard guard;
  pid_t pid = fork();
  if (pid < 0) {
    Last_pipe_error = errno;
    close(fds[0]);
    close(fds[1]);
    return -1;
  }
  if (pid == 0) {
    if (dup2(fds[1], 1) < 0) _exit(127);
    run_shell(command.c_str());
  }
  close(fds[1]);
  char buf[4096];
  for (;;) {
    ssize_t n = read(fds[0], buf, sizeof buf);
    if (n > 0) {
      if (output) output->append(buf, size_t(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    break;
  }
  close(fds[0]);
  int status = wait_child(pid);
  if (status < 0) return -1;
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  return 128 + WTERMSIG(status);
}

// Never a process group or every process: pids below 2 are refused.
int Signal_task(int pid, int n) {
  if (pid < 2) {
    errno = EINVAL;
    return -1;
  }
  return kill(pid_t(pid), n < 0 ? SIGTERM : n);
}

void Child_closed(pid_t pid) {
  if (pid > 0) closed_children.push_back(pid);
  Reap_children();
}

void Reap_children() {
  for (size_t i = 0; i < closed_children.size();) {
    pid_t r = waitpid(closed_children[i], nullptr, WNOHANG);
    if (r == closed_children[i] || (r < 0 && errno == ECHILD)) {
      closed_children[i] = closed_children.back();
      closed_children.pop_back();
    } else {
      ++i;
    }
  }
}

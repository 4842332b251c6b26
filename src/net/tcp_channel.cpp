// The TCP channel driver (see tcp_channel.h).
#include "net/tcp_channel.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "core/console_device.h"
#include "channels/record_locks.h"
#include "core/params.h"
#include "core/errors.h"
#include "core/executor.h"
#include "core/host.h"
#include "core/memory.h"
#include "core/signal_flags.h"
#include "core/workspace.h"
#include "net/ssl_lib.h"
#include "net/tls.h"

// Driver slots used before their definitions.
int64_t Tcp_save();
int64_t Tcp_restore();

// A send on the console's connection failed (below).
bool console_send_failed(Tcp_fcb* f, int no, const std::string& text);

namespace {

constexpr int32_t DEFAULT_BUFFER = 4096;
constexpr int64_t TLS_STEP_MS = 5000;  // a handshake without TIM= gets this long
constexpr char UNKNOWN_PEER[] = "{Unknown}";

// Client flags of a connection whose TLS handshake is still going on: it is
// not announced, cannot be made current and is dropped when its time is up.
constexpr uint32_t TCL_HANDSHAKE = 0x100;

int32_t Tcp_curerr = 0;  // interpreter error of the last socket failure

Tcp_fcb* cur() { return static_cast<Tcp_fcb*>(ws.Cur_fcb); }

bool is_server(const Tcp_fcb* f) { return f->listen_sock >= 0 || f->clients; }

void copy_text(char* dst, const char* src) {
  std::snprintf(dst, TCP_PEER_MAX + 1, "%s", src);
}

Tcp_client* client_of(Tcp_fcb* f, int sock) {
  for (Tcp_client* c = f->clients; c; c = c->next)
    if (c->sock == sock) return c;
  return nullptr;
}

// The TLS state of a connection of the channel (null: plain).
Tls_conn* tls_of(Tcp_fcb* f, int sock) {
  if (!(f->tflags & TCF_SECURE)) return nullptr;
  if (Tcp_client* c = client_of(f, sock)) return c->tls;
  return sock == f->cur_sock ? f->tls : nullptr;
}

// "[TCP][Sockets]Error[errno]:text (socket:label)", logged to the trace log;
// the interpreter error of errno e.
int map_errno(Tcp_fcb* f, int e, std::string* text) {
  int sock = f ? f->cur_sock : -1;
  const char* label = "<Unk>";
  if (f) {
    if (Tcp_client* c = client_of(f, sock)) label = c->peer;
    else if (sock >= 0 && sock == f->listen_sock) label = "<Server>";
    else if (sock >= 0 && f->peer[0]) label = f->peer;
  }
  char buf[TCP_PEER_MAX + 200];
  std::snprintf(buf, sizeof buf, "[TCP][Sockets]Error[%d]:%s (%d:%s)", e, std::strerror(e), sock, label);
  *text = buf;
  OruLogError(buf);
  int n;
  switch (e) {
    case EINTR: n = f && (f->tflags & TCF_SECURE) ? 3 : 127; break;
    case EPIPE: case ECONNABORTED: case ECONNRESET: case ETIMEDOUT: n = 2; break;
    case EADDRNOTAVAIL: n = 12; break;
    default: n = 15; break;
  }
  Tcp_curerr = n;
  return n;
}

[[noreturn]] void fail_errno(Tcp_fcb* f, int e) {
  std::string text;
  int n = map_errno(f, e, &text);
  Rpt_error_text(n, text);
}

[[noreturn]] void time_out() {
  ws.Io_rty = 0;  // a time-out is never retried
  Tcp_curerr = 0;
  Rpt_error(err::RECORD_BUSY);
}

int64_t statement_deadline() { return ws.Io_tim >= 0 ? Now_ms() + int64_t(ws.Io_tim) * 10 : -1; }

// The console's own stream is being read or written over its channel
// (see "the console over a TCP channel" below).
int console_io = 0;

constexpr int DEBUG_LOOK_MS = 250;  // a debugged wait looks for commands this often

// Runs a link's service (the debugger's or the IDE's) inside a channel's
// wait: the I/O area of the statement kept, the waiting channel marked busy
// (the service cannot use or close it: error 89), the driver's state saved
// around it, its errors swallowed.  What the service returns.
template <class F>
bool serve_in_wait(Tcp_fcb* f, F service) {
  bool result = false;
  Io_save_guard io;
  bool was_busy = f && (f->st3 & ST3_BUSY);
  if (f) f->st3 |= ST3_BUSY;
  void* drv = ws.Drv_save;
  ws.Drv_save = nullptr;
  Tcp_save();
  {
    Catch_region region;
    ++Wait_serving;
    try {
      result = service();
    } catch (const Oru_error&) {
    }
    --Wait_serving;
  }
  Tcp_restore();
  ws.Drv_save = drv;
  if (f && !was_busy) f->st3 &= uint16_t(~ST3_BUSY);
  return result;
}

// The process debug link's commands are served inside the wait (see
// core/host.h).  END or QUIT abandons the statement.
void serve_debug_link(Tcp_fcb* f) {
  if (!Wait_serve_hook || console_io) return;
  if (serve_in_wait(f, [] { return Wait_serve_hook(); })) throw Stmt_restart{};
}

// The IDE link is served inside the wait the same way: its commands (stack,
// var) are answered while the statement waits; a suspend interrupts the
// wait as an escape does (error 127), so the program stops there.
bool ide_active() { return (ws.Run_flags & RF_IDE_LINK) && Ide_poll_hook && !console_io && !Wait_serving; }

void serve_ide_link(Tcp_fcb* f) {
  serve_in_wait(f, [] {
    Ide_poll_hook();
    return false;
  });
  if (Run_flags_now() & RF_ESCAPE) Rpt_error(err::INTERRUPTED);
}

// poll until the deadline (-1: none); an escape ends the wait with 127.
// What the console holds is shown before the process waits (unless this
// is the console's own stream, which flushes itself first).  f is the
// channel that waits (null while it is being opened).
int wait_poll(Tcp_fcb* f, pollfd* p, size_t n, int64_t deadline) {
  int ready = poll(p, nfds_t(n), 0);
  if (ready != 0) {
    if (ready > 0) return ready;
    if (errno != EINTR) return -1;
  }
  if (!console_io) Con_flush();
  for (;;) {
    bool debugged = Wait_serve_active && Wait_serve_active();
    if (debugged) serve_debug_link(f);
    bool ide = ide_active();
    if (ide) serve_ide_link(f);
    debugged = debugged || ide;
    int ms = -1;
    if (deadline >= 0) {
      int64_t left = deadline - Now_ms();
      ms = left <= 0 ? 0 : left > 3600000 ? 3600000 : int(left);
    }
    if (debugged && (ms < 0 || ms > DEBUG_LOOK_MS)) ms = DEBUG_LOOK_MS;
    int r = poll(p, nfds_t(n), ms);
    if (r >= 0) {
      if (r == 0 && (deadline < 0 || Now_ms() < deadline)) continue;
      return r;
    }
    if (errno != EINTR) return -1;
    if (Run_flags_now() & RF_ESCAPE) Rpt_error(err::INTERRUPTED);
  }
}

bool wait_one(Tcp_fcb* f, int sock, bool for_write, int64_t deadline) {
  pollfd p{sock, short(for_write ? POLLOUT : POLLIN), 0};
  int r = wait_poll(f, &p, 1, deadline);
  if (r < 0) fail_errno(f, errno);
  return r > 0;
}

void set_nonblocking(int sock) {
  int fl = fcntl(sock, F_GETFL);
  if (fl >= 0 && !(fl & O_NONBLOCK)) fcntl(sock, F_SETFL, fl | O_NONBLOCK);
}

// Options of a new connection.
void tune(const Tcp_fcb* f, int sock) {
  int one = 1;
  if (f->tflags & TCF_NODELAY) setsockopt(sock, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  if (f->tflags & TCF_KEEPALIVE) setsockopt(sock, SOL_SOCKET, SO_KEEPALIVE, &one, sizeof one);
}

// Closes a connection.  Bytes the peer sent that were never read (a TLS
// peer's session tickets, say) are taken off first: closing with unread
// input makes the host reset the connection, and a reset makes the peer
// drop what it has received and not yet read.
void close_socket(int& sock) {
  if (sock < 0) return;
  uint8_t sink[4096];
  for (int i = 0; i < 256 && recv(sock, sink, sizeof sink, MSG_DONTWAIT) > 0; ++i) {
  }
  close(sock);
  sock = -1;
}

// Channels that hold back output (see "Held-back output" below).
std::vector<Tcp_fcb*> holding;

void unregister_held(Tcp_fcb* f) {
  for (size_t i = 0; i < holding.size(); ++i)
    if (holding[i] == f) {
      holding[i] = holding.back();
      holding.pop_back();
      break;
    }
  if (holding.empty()) ws.Run_flags &= ~uint32_t(RF_HELD_OUTPUT);
}

// Output held for a connection that is going away cannot be sent.
void drop_held(Tcp_fcb* f, int sock) {
  if (f->held_len > 0 && f->held_sock == sock) {
    f->held_len = 0;
    unregister_held(f);
  }
}

// Closes one accepted client and frees its entry (not unlinked here).
void free_client(Tcp_fcb* f, Tcp_client* c) {
  drop_held(f, c->sock);
  if (c->tls) Tls_close(c->tls);
  c->tls = nullptr;
  if (f->cur_sock == c->sock) f->cur_sock = -1;
  if (f->last_sock == c->sock) f->last_sock = -1;
  close_socket(c->sock);
  Ret_blk(c);
}

void unlink_client(Tcp_fcb* f, Tcp_client* c) {
  for (Tcp_client** p = &f->clients; *p; p = &(*p)->next)
    if (*p == c) {
      *p = c->next;
      break;
    }
  free_client(f, c);
}

// Closes the channel's own connection (client channel).
void close_own(Tcp_fcb* f) {
  drop_held(f, f->cur_sock);
  if (f->tls) Tls_close(f->tls);
  f->tls = nullptr;
  if (f->last_sock == f->cur_sock) f->last_sock = -1;
  close_socket(f->cur_sock);
}

// The connection went away: its entry goes (server) or the channel's own
// connection closes (client); then end of file.
[[noreturn]] void peer_gone(Tcp_fcb* f, int sock) {
  if (Tcp_client* c = client_of(f, sock)) unlink_client(f, c);
  else close_own(f);
  f->cur_sock = -1;
  Tcp_curerr = 2;
  Io_end_err();
}

// One receive: bytes, 0 when the peer closed, -1 / -2 when it would block
// (for reading / writing, TLS may need either), -3 on failure (errno or
// *why).
long receive(Tcp_fcb* f, int sock, size_t count, std::string* why) {
  if (Tls_conn* t = tls_of(f, sock)) {
    long r = Tls_read(t, f->in_buf, count, why);
    if (r == TLS_WANT_READ) return -1;
    if (r == TLS_WANT_WRITE) return -2;
    if (r == TLS_FAILED) return -3;
    return r;
  }
  for (;;) {
    ssize_t r = recv(sock, f->in_buf, count, 0);
    if (r >= 0) return long(r);
    if (errno == EINTR) {
      if (Run_flags_now() & RF_ESCAPE) Rpt_error(err::INTERRUPTED);
      continue;
    }
    if (errno == EAGAIN || errno == EWOULDBLOCK) return -1;
    return -3;
  }
}

// A send failed with error no: raised, unless the channel carries the
// console (see console_send_failed), where true means the failure is
// dropped and the send ends.
bool send_failed(Tcp_fcb* f, int no, const std::string& text) {
  if (console_send_failed(f, no, text)) return true;
  Rpt_error_text(no, text);
}

// Sends n bytes to sock before the deadline.  Failures on a closing channel
// are dropped.
void send_all(Tcp_fcb* f, int sock, const uint8_t* p, size_t n, int64_t deadline) {
  Tls_conn* t = tls_of(f, sock);
  bool closing = f->tflags & TCF_CLOSING;
  while (n > 0) {
    long r;
    bool want_read = false;
    std::string why;
    int err = 0;
    if (t) {
      r = Tls_write(t, p, n, &why);
      if (r == TLS_WANT_READ || r == TLS_WANT_WRITE) {
        want_read = r == TLS_WANT_READ;
        r = -1;
        err = EAGAIN;
      } else if (r == TLS_FAILED || r == TLS_CLOSED) {
        if (closing) return;
        OruLogError(("[TCP][TLS]" + why).c_str());
        if (send_failed(f, 3, why.empty() ? "The TLS connection ended" : why)) return;
      }
    } else {
      r = send(sock, p, n, MSG_NOSIGNAL);
      err = r < 0 ? errno : 0;
    }
    if (r > 0) {
      p += r;
      n -= size_t(r);
      continue;
    }
    if (r == 0) {
      if (closing) return;
      if (send_failed(f, 3, "Do_send returned <= zero")) return;
    }
    if (err == EINTR) {
      if (Run_flags_now() & RF_ESCAPE) Rpt_error(err::INTERRUPTED);
      continue;
    }
    if (err == EAGAIN || err == EWOULDBLOCK) {
      if (closing && deadline < 0) deadline = Now_ms() + TLS_STEP_MS;
      if (!wait_one(f, sock, !want_read, deadline)) {
        if (closing) return;
        time_out();
      }
      continue;
    }
    if (closing) return;
    std::string text;
    int no = map_errno(f, err, &text);
    if (send_failed(f, no == 2 ? 3 : no, text)) return;
  }
}

// ---- Held-back output ----
//
// Every TLS record costs a header, a tag, an encryption and a host write,
// on this side and the peer's, whatever its size: a program that WRITEs
// many short records to a secure channel would send a record for each.  So
// a secure channel holds back a WRITE shorter than a record (one without
// TIM=) and gathers the following ones into full records of TCP_HELD_MAX
// bytes.  What is held goes out, in order and before anything else:
//  - when the record is full, or a WRITE goes to another connection, or
//    has TIM= (the caller wants to know it went);
//  - before a READ, REMOVE or CLOSE of the channel;
//  - before the process waits for anything (Con_flush runs the hook);
//  - at the first statement boundary after TCP_HELD_MS (RF_HELD_OUTPUT),
//    so a program that computes after its WRITE delays it no longer.
// A send that fails after its WRITE ended is kept (held_err) and raised by
// the channel's next operation.

// Sends what f holds; failures raise.  Bytes that could not be sent are
// dropped with the failure.
void held_send(Tcp_fcb* f, int64_t deadline) {
  if (f->held_len <= 0) return;
  int32_t n = f->held_len;
  f->held_len = 0;
  unregister_held(f);
  send_all(f, f->held_sock, f->held, size_t(n), deadline);
}

// The failure of a send made after its WRITE had ended.
void held_raise(Tcp_fcb* f) {
  if (!f->held_err) return;
  int no = f->held_err;
  f->held_err = 0;
  Rpt_error_text(no, f->held_text);
}

void held_hook(bool due_only);

// Holds n bytes for the current connection; false when they must go now.
bool hold(Tcp_fcb* f, const uint8_t* p, int32_t n) {
  if (!(f->tflags & TCF_SECURE) || ws.Io_tim >= 0 || (f->tflags & TCF_CLOSING) || n >= TCP_HELD_MAX) return false;
  if (f->held_len > 0 && f->held_sock != f->cur_sock) held_send(f, -1);
  if (!f->held) f->held = static_cast<uint8_t*>(Get_blk_nc(size_t(TCP_HELD_MAX)));
  if (f->held_len == 0) {
    Held_output_hook = held_hook;
    f->held_sock = f->cur_sock;
    f->held_since = Now_ms();
    holding.push_back(f);
    ws.Run_flags |= RF_HELD_OUTPUT;
  }
  int32_t room = TCP_HELD_MAX - f->held_len;
  int32_t first = n < room ? n : room;
  std::memcpy(f->held + f->held_len, p, size_t(first));
  f->held_len += first;
  if (f->held_len == TCP_HELD_MAX) {
    held_send(f, -1);  // one full record
    if (first < n) return hold(f, p + first, n - first);
  }
  return true;
}

bool in_held_hook = false;

void held_hook(bool due_only) {
  if (in_held_hook) return;  // a send that waits flushes the console
  int64_t now = due_only ? Now_ms() : 0;
  bool due = false;
  for (Tcp_fcb* f : holding) due = due || !due_only || now - f->held_since >= TCP_HELD_MS;
  if (!due) return;
  in_held_hook = true;
  // The error state of whatever runs now stays as it is.
  std::string ext = Ext_error_text();
  uint32_t err_flags = ws.Err_flags;
  int32_t err_code = ws.Err_code;
  auto incdec_cnt = ws.Incdec_cnt;
  uint32_t incdec = ws.Run_flags & RF_INCDEC;
  for (size_t i = holding.size(); i-- > 0;) {
    if (i >= holding.size()) continue;
    Tcp_fcb* f = holding[i];
    if (due_only && now - f->held_since < TCP_HELD_MS) continue;
    Catch_region region;
    try {
      held_send(f, -1);
    } catch (const Oru_error& e) {
      f->held_err = e.no ? e.no : 3;
      std::snprintf(f->held_text, sizeof f->held_text, "%s", Ext_error_text().c_str());
    }
  }
  Set_ext_error(ext);
  ws.Err_flags = err_flags;
  ws.Err_code = err_code;
  ws.Incdec_cnt = incdec_cnt;
  ws.Run_flags |= incdec;
  in_held_hook = false;
}

// Host part to an address, dotted or looked up; false when it names none.
bool lookup_host(const std::string& host, in_addr* out) {
  int dots = 0;
  bool dotted = !host.empty();
  for (char c : host) {
    if (c == '.') ++dots;
    else if (c < '0' || c > '9') dotted = false;
  }
  if (dotted && dots == 3 && inet_pton(AF_INET, host.c_str(), out) == 1) return true;
  std::string name = host[0] == '#' ? host.substr(1) : host;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* res = nullptr;
  if (!name.empty() && getaddrinfo(name.c_str(), nullptr, &hints, &res) == 0 && res) {
    *out = reinterpret_cast<sockaddr_in*>(res->ai_addr)->sin_addr;
    freeaddrinfo(res);
    return true;
  }
  return inet_aton(name.c_str(), out) != 0;
}

// As lookup_host; all ones (the broadcast address) is no host either.
bool resolve(const std::string& host, in_addr* out) {
  return lookup_host(host, out) && out->s_addr != htonl(INADDR_NONE);
}

struct Sock_guard {
  int fd;
  bool own;
  ~Sock_guard() {
    if (own && fd >= 0) close(fd);
  }
};

struct Ctx_guard {
  Tls_ctx* ctx;
  ~Ctx_guard() { Tls_free_context(ctx); }
};

// Accepts one connection on a server channel; true when READ announces a
// new client (the empty result).
bool accept_one(Tcp_fcb* f, bool others_ready) {
  sockaddr_in peer{};
  socklen_t plen = sizeof peer;
  int s = accept4(f->listen_sock, reinterpret_cast<sockaddr*>(&peer), &plen, SOCK_CLOEXEC | SOCK_NONBLOCK);
  if (s < 0) {
    // Out of descriptors the connection stays queued and the listening
    // socket stays ready: clients with data (or leaving, which frees
    // descriptors) are served first; with none the READ reports it rather
    // than spinning.
    if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
      if (others_ready) return false;
      fail_errno(f, errno);
    }
    return false;  // the client gave up before the accept: wait on
  }
  char text[INET_ADDRSTRLEN] = {};
  const char* name = inet_ntop(AF_INET, &peer.sin_addr, text, sizeof text) ? text : UNKNOWN_PEER;
  if ((f->tflags & TCF_SINGLE) && f->clients) {
    close(s);
    return false;
  }
  tune(f, s);
  if (f->tflags & TCF_ONESHOT) {
    // The one client: stop listening; from now on a client channel.
    close_socket(f->listen_sock);
    f->tflags &= ~uint32_t(TCF_ONESHOT);
    if (f->tflags & TCF_SECURE) {
      std::string why;
      int64_t dl = ws.Io_tim >= 0 ? statement_deadline() : Now_ms() + TLS_STEP_MS;
      f->tls = Tls_handshake(f->tls_ctx, s, true, "", dl, &why);
      if (!f->tls) {
        close(s);
        OruLogError(("[TCP][TLS]" + why).c_str());
        Rpt_error_text(err::WRONG_MODE, why);
      }
    }
    f->cur_sock = f->last_sock = s;
    copy_text(f->peer, name);
    return true;
  }
  auto* c = static_cast<Tcp_client*>(Get_blk(sizeof(Tcp_client)));
  c->sock = s;
  copy_text(c->peer, name);
  c->next = f->clients;
  f->clients = c;
  if (f->tflags & TCF_SECURE) {
    std::string why;
    c->tls = Tls_begin(f->tls_ctx, s, true, "", &why);
    if (!c->tls) {
      OruLogError(("[TCP][TLS]" + why).c_str());
      unlink_client(f, c);
      return false;
    }
    // The handshake goes on as the client's bytes arrive (served by READ's
    // wait); the client is announced when it is complete.
    c->flags |= TCL_HANDSHAKE;
    c->deadline_ms = Now_ms() + TLS_STEP_MS;
    c->flags |= TCL_READABLE;
    return false;
  }
  f->cur_sock = f->last_sock = s;
  copy_text(f->peer, name);
  return true;
}

// One step of a pending server handshake; true when it completed (the
// client is then announced).
bool handshake_step(Tcp_fcb* f, Tcp_client* c) {
  std::string why;
  long r = Tls_step(c->tls, true, &why);
  if (r == TLS_DONE) {
    c->flags &= ~uint32_t(TCL_HANDSHAKE);
    f->cur_sock = f->last_sock = c->sock;
    copy_text(f->peer, c->peer);
    return true;
  }
  if (r == TLS_FAILED) {
    OruLogError(("[TCP][TLS]" + why + " (" + c->peer + ")").c_str());
    unlink_client(f, c);
  }
  return false;
}

// Drops pending handshakes whose time is up; the earliest deadline left.
int64_t expire_handshakes(Tcp_fcb* f) {
  int64_t now = Now_ms(), next = -1;
  for (Tcp_client* c = f->clients; c;) {
    Tcp_client* after = c->next;
    if (c->flags & TCL_HANDSHAKE) {
      if (c->deadline_ms <= now) {
        OruLogError((std::string("[TCP][TLS]TLS handshake timed out (") + c->peer + ")").c_str());
        unlink_client(f, c);
      } else if (next < 0 || c->deadline_ms < next) {
        next = c->deadline_ms;
      }
    }
    c = after;
  }
  return next;
}

// The server's wait: marks readable clients, accepts new ones and moves
// handshakes on.  True when READ announces a new client.
bool server_wait(Tcp_fcb* f, int64_t deadline) {
  for (;;) {
    int64_t hs = expire_handshakes(f);
    std::vector<pollfd> fds;
    std::vector<Tcp_client*> who;
    if (f->listen_sock >= 0) {
      fds.push_back({f->listen_sock, POLLIN, 0});
      who.push_back(nullptr);
    }
    for (Tcp_client* c = f->clients; c; c = c->next) {
      fds.push_back({c->sock, POLLIN, 0});
      who.push_back(c);
    }
    if (fds.empty()) Io_end_err();
    int64_t until = deadline;
    if (hs >= 0 && (until < 0 || hs < until)) until = hs;
    int r = wait_poll(f, fds.data(), fds.size(), until);
    if (r < 0) {
      if (errno == EAGAIN) continue;
      fail_errno(f, errno);
    }
    if (r == 0) {
      if (deadline >= 0 && Now_ms() >= deadline) time_out();
      continue;  // a handshake's time ran out
    }
    bool listen_ready = false;
    for (size_t i = 0; i < fds.size(); ++i) {
      if (!fds[i].revents) continue;
      if (!who[i]) listen_ready = true;
      else who[i]->flags |= TCL_READABLE;
    }
    // Handshakes first: their bytes are not data for READ.
    for (Tcp_client* c = f->clients; c;) {
      Tcp_client* after = c->next;
      if ((c->flags & (TCL_HANDSHAKE | TCL_READABLE)) == (TCL_HANDSHAKE | TCL_READABLE)) {
        c->flags &= ~uint32_t(TCL_READABLE);
        if (handshake_step(f, c)) return true;
      }
      c = after;
    }
    if (listen_ready) {
      bool others_ready = false;
      for (Tcp_client* c = f->clients; c && !others_ready; c = c->next)
        others_ready = (c->flags & (TCL_READABLE | TCL_HANDSHAKE)) == TCL_READABLE;
      if (accept_one(f, others_ready)) return true;
      if (f->listen_sock < 0 || others_ready) return false;  // READ serves the clients with data
      continue;
    }
    return false;
  }
}

}  // namespace

// ---- the driver ----

int64_t Tcp_open() {
  std::string name = ws.Path_buf;
  Tcp_name n;
  std::string why;
  if (!Tcp_parse_name(name.size() > 5 ? name.substr(5) : std::string(), &n, &why)) Rpt_error_text(err::BAD_FILE_NAME, why);
  Do_commit();
  bool server = n.host.empty();
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_ANY);
  if (!server && n.socket_fd < 0 && !resolve(n.host, &addr.sin_addr)) Rpt_error_text(err::BAD_FILE_NAME, "Unknown host '" + n.host + "'");
  if (!n.bind_to.empty()) inet_pton(AF_INET, n.bind_to.c_str(), &addr.sin_addr);
  addr.sin_port = htons(n.port);
  if (n.secure) Ssl_need(13);
  int64_t deadline = statement_deadline();

  // A secure server has its certificate loaded before it listens: a client
  // must never be accepted by the kernel on a port whose OPEN then fails.
  Ctx_guard ctx{nullptr};
  if (n.secure && server)
    ctx.ctx = Tls_new_context(server, n.cert_file.empty() ? nullptr : n.cert_file.c_str(), n.no_verify);

  Sock_guard sock{-1, true};
  if (n.socket_fd >= 0) {
    if (fcntl(n.socket_fd, F_GETFD) < 0) Rpt_error_text(err::WRONG_MODE, "SOCKET=" + std::to_string(n.socket_fd) + " is not an open descriptor");
    sock.fd = n.socket_fd;
    sock.own = false;  // the program's descriptor: left open when OPEN fails
    set_nonblocking(sock.fd);
  } else {
    sock.fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (sock.fd < 0) fail_errno(nullptr, errno);
    int one = 1;
    if (n.reuse || server) setsockopt(sock.fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (server) {
      if (bind(sock.fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) fail_errno(nullptr, errno);
      if (listen(sock.fd, n.oneshot ? 1 : SOMAXCONN) != 0) fail_errno(nullptr, errno);
    } else if (connect(sock.fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
      if (errno != EINPROGRESS && errno != EINTR) {
        int e = errno;
        std::string text;
        int no = map_errno(nullptr, e, &text);
        Rpt_error_text(ws.Io_tim >= 0 || no == 0 ? err::FILE_NOT_FOUND : no, text);
      }
      pollfd p{sock.fd, POLLOUT, 0};
      int r = wait_poll(nullptr, &p, 1, deadline);
      if (r == 0) Rpt_error_text(err::FILE_NOT_FOUND, "Connection to " + n.host + " timed out");
      int e = 0;
      socklen_t el = sizeof e;
      if (r < 0) e = errno;
      else getsockopt(sock.fd, SOL_SOCKET, SO_ERROR, &e, &el);
      if (e != 0) {
        std::string text;
        int no = map_errno(nullptr, e, &text);
        Rpt_error_text(ws.Io_tim >= 0 || no == 0 ? err::FILE_NOT_FOUND : no, text);
      }
    }
  }

  Tls_conn* tls = nullptr;
  if (n.secure && !server) {
    ctx.ctx = Tls_new_context(server, n.cert_file.empty() ? nullptr : n.cert_file.c_str(), n.no_verify);
    if (!n.oneshot) {
      std::string hwhy;
      tls = Tls_handshake(ctx.ctx, sock.fd, false, n.host, deadline >= 0 ? deadline : Now_ms() + TLS_STEP_MS, &hwhy);
      if (!tls) {
        // The library's reason goes to the trace log only.
        OruLogError(("[TCP][TLS]" + hwhy).c_str());
        Rpt_error_text(err::WRONG_MODE, "Unable to connect securely");
      }
    }
  }

  int32_t size = ws.Io_siz > 0 ? ws.Io_siz : ws.Io_siz < 0 ? -ws.Io_siz : DEFAULT_BUFFER;
  ws.Io_siz = size;
  auto* f = Fcb_alloc<Tcp_fcb>();
  f->kind = FK_TCP;
  f->fd = -1;
  f->listen_sock = f->cur_sock = f->last_sock = -1;
  Fcb_set_buffer(f, size);
  f->rec_size = size;
  f->in_buf = static_cast<uint8_t*>(Get_blk_nc(size_t(size)));
  f->st3 |= ST3_FLUSH_EACH;  // PRINT sends at the end of each statement
  f->tflags = TCF_ALWAYS;
  if (n.nodelay) f->tflags |= TCF_NODELAY;
  if (n.single) f->tflags |= TCF_SINGLE;
  if (n.keepalive) f->tflags |= TCF_KEEPALIVE;
  if (n.oneshot) f->tflags |= TCF_ONESHOT;
  if (n.secure) f->tflags |= TCF_SECURE;
  f->no_verify = n.no_verify;
  if (server) {
    f->listen_sock = sock.fd;
  } else {
    f->cur_sock = sock.fd;
    copy_text(f->host, n.host.c_str());
    copy_text(f->peer, n.host.c_str());
    tune(f, sock.fd);
  }
  sock.fd = -1;
  if (!n.cert_file.empty()) {
    f->cert_file = static_cast<char*>(Get_blk(n.cert_file.size() + 1));
    std::memcpy(f->cert_file, n.cert_file.c_str(), n.cert_file.size() + 1);
  }
  f->tls_ctx = ctx.ctx;
  ctx.ctx = nullptr;
  f->tls = tls;
  ws.Cur_fcb = f;
  ws.Cur_fd = -1;
  return 0;
}

int64_t Tcp_close() {
  Tcp_fcb* f = cur();
  f->tflags |= TCF_CLOSING;
  if (f->held_len > 0) {
    Catch_region region;
    try {
      held_send(f, ws.Io_tim >= 0 ? statement_deadline() : Now_ms() + TLS_STEP_MS);
    } catch (const Oru_error&) {
    }
  }
  unregister_held(f);
  f->held_err = 0;
  if ((f->buf_count > 0 || f->high_water > 0) && f->cur_sock >= 0) {
    Catch_region region;
    try {
      int32_t n = f->buf_count > f->high_water ? f->buf_count : f->high_water;
      send_all(f, f->cur_sock, f->out_buf, size_t(n), ws.Io_tim >= 0 ? statement_deadline() : Now_ms() + TLS_STEP_MS);
    } catch (const Oru_error&) {
      // a closing channel drops what cannot be sent
    }
  }
  f->buf_count = f->high_water = 0;
  while (Tcp_client* c = f->clients) {
    f->clients = c->next;
    free_client(f, c);
  }
  close_own(f);
  close_socket(f->listen_sock);
  Tls_free_context(f->tls_ctx);
  f->tls_ctx = nullptr;
  if (f->cert_file) Ret_blk(f->cert_file);
  f->cert_file = nullptr;
  if (f->in_buf) Ret_blk(f->in_buf);
  f->in_buf = nullptr;
  if (f->held) Ret_blk(f->held);
  f->held = nullptr;
  return 0;
}

int64_t Tcp_read() {
  Tcp_fcb* f = cur();
  f->event_flags &= ~uint16_t(CHEV_DATA_RAISED);  // DataAvailable may come again
  int32_t count = f->buf_size;
  if (ws.Io_siz != 0) {
    int32_t s = ws.Io_siz < 0 ? -ws.Io_siz : ws.Io_siz;
    if (s < count) count = s;
  }
  ws.Io_rty = 0;
  held_raise(f);
  if (f->listen_sock < 0 && f->cur_sock < 0 && !f->clients) Io_end_err();
  Do_commit();
  int64_t deadline = statement_deadline();
  held_send(f, deadline);  // a reply may depend on it
  for (;;) {
    int sock;
    if (!is_server(f)) {
      sock = f->cur_sock;
      if (sock < 0) Io_end_err();
    } else {
      // Clients with unread data are served in list order before any wait.
      Tcp_client* ready = nullptr;
      for (Tcp_client* c = f->clients; c; c = c->next) {
        if (c->flags & TCL_HANDSHAKE) continue;
        if ((c->flags & TCL_READABLE) || (c->tls && Tls_pending(c->tls))) {
          ready = c;
          break;
        }
      }
      if (!ready) {
        if (server_wait(f, deadline)) {
          ws.Str_ptr = f->in_buf;
          ws.Str_len = 0;
          return 0;
        }
        continue;
      }
      ready->flags &= ~uint32_t(TCL_READABLE);
      f->cur_sock = sock = ready->sock;
      copy_text(f->peer, ready->peer);
    }
    f->last_sock = sock;
    std::string why;
    long r = receive(f, sock, size_t(count), &why);
    if (r > 0) {
      ws.Str_ptr = f->in_buf;
      ws.Str_len = int32_t(r);
      return 0;
    }
    if (r == 0) peer_gone(f, sock);
    if (r == -3) {
      if (!why.empty()) {
        OruLogError(("[TCP][TLS]" + why).c_str());
        peer_gone(f, sock);  // a broken TLS stream ends the connection
      }
      std::string text;
      int no = map_errno(f, errno, &text);
      if (no == 2) peer_gone(f, sock);
      Rpt_error_text(no, text);
    }
    // Nothing there yet.
    if (is_server(f)) continue;  // the wait above covers this client too
    if (!wait_one(f, sock, r == -2, deadline)) time_out();
  }
}

int64_t Tcp_write() {
  Tcp_fcb* f = cur();
  held_raise(f);
  Do_commit();
  int32_t n = f->buf_count > f->high_water ? f->buf_count : f->high_water;
  f->buf_count = f->high_water = 0;
  if (n <= 0) return 0;
  if (f->cur_sock < 0) {
    if (f->tflags & TCF_CLOSING) return 0;
    Rpt_error_text(err::MISSING_RECORD, "No current connection on the TCP channel");
  }
  if (hold(f, f->out_buf, n)) return 0;
  int64_t deadline = statement_deadline();
  held_send(f, deadline);
  send_all(f, f->cur_sock, f->out_buf, size_t(n), deadline);
  return 0;
}

int64_t Tcp_remove() {
  Tcp_fcb* f = cur();
  held_raise(f);
  held_send(f, statement_deadline());
  auto linger_close = [&](int sock) {
    if (ws.Io_tim >= 0 && sock >= 0) {
      linger l{1, (ws.Io_tim + 99) / 100};
      setsockopt(sock, SOL_SOCKET, SO_LINGER, &l, sizeof l);
    }
  };
  if (is_server(f)) {
    if (Tcp_client* c = client_of(f, f->cur_sock)) {
      linger_close(c->sock);
      unlink_client(f, c);
    }
  } else {
    if (f->cur_sock < 0) Rpt_error_text(err::WRONG_MODE, "No connection to remove");
    Tcp_write();
    linger_close(f->cur_sock);
    close_own(f);
  }
  f->cur_sock = -1;
  return 0;
}

int64_t Tcp_setind() {
  Tcp_fcb* f = cur();
  if (is_server(f)) {
    Tcp_client* c = client_of(f, ws.Io_ind);
    if (!c || (c->flags & TCL_HANDSHAKE)) Io_dom_err();
    f->cur_sock = c->sock;
    copy_text(f->peer, c->peer);
  } else if (ws.Io_ind != f->cur_sock || f->cur_sock < 0) {
    Io_dom_err();
  }
  return 0;
}

int64_t Tcp_setkey() {
  Tcp_fcb* f = cur();
  std::string key(reinterpret_cast<const char*>(ws.Io_key_ptr), size_t(ws.Io_key_len > 0 ? ws.Io_key_len : 0));
  auto same = [&](const char* text) { return key.size() == std::strlen(text) && strncasecmp(key.c_str(), text, key.size()) == 0; };
  if (f->cur_sock >= 0 && same(f->peer)) return 0;
  if (is_server(f)) {
    for (Tcp_client* c = f->clients; c; c = c->next)
      if (!(c->flags & TCL_HANDSHAKE) && same(c->peer)) {
        f->cur_sock = c->sock;
        copy_text(f->peer, c->peer);
        return 0;
      }
  }
  Io_dom_err();
}

int64_t Tcp_getkey() {
  Tcp_fcb* f = cur();
  size_t n = std::strlen(f->peer);
  uint8_t* p = Work_take(n + 1);
  std::memcpy(p, f->peer, n);
  ws.Str_ptr = p;
  ws.Str_len = int32_t(n);
  return 0;
}

int64_t Tcp_getind() {
  Tcp_fcb* f = cur();
  return f->last_sock >= 0 ? f->last_sock : f->cur_sock;
}

// Save and restore around a nested operation that interrupts the channel
// (a debug-link command served while a READ waits): the module state a
// nested TCP operation changes, the error of the last socket failure.
// The block hangs in ws.Drv_save.
struct Tcp_saved {
  int32_t curerr;
};

int64_t Tcp_save() {
  ws.Drv_save = new Tcp_saved{Tcp_curerr};
  return 0;
}

int64_t Tcp_restore() {
  if (auto* s = static_cast<Tcp_saved*>(ws.Drv_save)) {
    Tcp_curerr = s->curerr;
    delete s;
  }
  ws.Drv_save = nullptr;
  return 0;
}

int64_t Tcp_getkef() {
  Tcp_fcb* f = cur();
  char host[101] = {};
  gethostname(host, 100);
  int sock = f->listen_sock >= 0 ? f->listen_sock : f->cur_sock;
  sockaddr_in a{};
  socklen_t al = sizeof a;
  char addr[INET_ADDRSTRLEN] = {};
  unsigned port = 0;
  if (sock >= 0 && getsockname(sock, reinterpret_cast<sockaddr*>(&a), &al) == 0) {
    port = ntohs(a.sin_port);
    if (a.sin_addr.s_addr != htonl(INADDR_ANY)) inet_ntop(AF_INET, &a.sin_addr, addr, sizeof addr);
  }
  if (!addr[0]) {
    in_addr h{};
    if (resolve(host, &h)) inet_ntop(AF_INET, &h, addr, sizeof addr);
    else std::snprintf(addr, sizeof addr, "%s", UNKNOWN_PEER);
  }
  std::string s = std::string(addr) + ";" + std::to_string(port) + ";" + host;
  uint8_t* p = Work_take(s.size() + 1);
  std::memcpy(p, s.data(), s.size());
  ws.Str_ptr = p;
  ws.Str_len = int32_t(s.size());
  return 0;
}

// ---- the console over a TCP channel ----

namespace {

Tcp_fcb* console_chan = nullptr;
bool console_broken = false;
constexpr int32_t LINK_FAILS_MAX = 10;

// The linked channel made current for one driver call; the current-I/O
// area of the interrupted statement comes back afterwards.
struct Link_current {
  Io_save_guard io;
  ~Link_current() { --console_io; }
  Link_current() {
    ++console_io;
    Select_channel(console_chan);
    ws.Io_opts = 0;
    ws.Io_siz = 0;
    ws.Io_tim = -1;
  }
};

// The console's connection failed: its output is dropped from now on and
// its input ends; the process is told to leave (as on a hang-up of its
// terminal) unless parameter XC keeps it.
void console_failed(const std::string& why) {
  if (console_broken) return;
  console_broken = true;
  OruLogError(("[TCP]The console's connection failed: " + why).c_str());
  if (!Sw_on(sw::XC)) {
    ws.Run_flags |= RF_ESCAPE | RF_STOP;
    ws.End_process = true;
    ws.Prm.XT = true;
  }
}

}  // namespace

// A failed send on the console's connection does not end the process at
// once: with parameter XC it is ignored; otherwise it is error 86 (the
// console drops that output) until more than LINK_FAILS_MAX sends failed,
// when the process is told to leave.
bool console_send_failed(Tcp_fcb* f, int no, const std::string& text) {
  if (f != console_chan || !console_chan) return false;
  if (Sw_on(sw::XC)) return true;
  if (++f->write_fail > LINK_FAILS_MAX) {
    OruLogError("[TCP]Exceeded TCP write error count - Forcing Auto exit");
    console_failed(text.empty() ? "error " + std::to_string(no) : text);
    return true;
  }
  Rpt_error_text(err::CONNECTION_LOST, text.empty() ? "A send on the console's connection failed" : text);
}

namespace {

bool link_send(const void* buf, size_t n) {
  if (!console_chan || console_broken) return false;
  const uint8_t* p = static_cast<const uint8_t*>(buf);
  Link_current cur;
  Catch_region region;
  try {
    // A ONESHOT server's output waits for its client.
    while (console_chan->cur_sock < 0 && console_chan->listen_sock >= 0) Tcp_read();
    while (n > 0) {
      size_t k = n < size_t(console_chan->buf_size) ? n : size_t(console_chan->buf_size);
      std::memcpy(console_chan->out_buf, p, k);
      console_chan->buf_count = int32_t(k);
      console_chan->high_water = 0;
      Tcp_write();
      p += k;
      n -= k;
    }
  } catch (const Oru_error&) {
    return false;  // that output is lost; the failure was counted
  }
  return !console_broken;
}

long link_recv(void* buf, size_t n, int32_t ms, bool escape_ends) {
  if (!console_chan || console_broken) return 0;
  int64_t deadline = ms >= 0 ? Now_ms() + ms : -1;
  for (;;) {
    Link_current cur;
    if (deadline >= 0) {
      int64_t left = deadline - Now_ms();
      ws.Io_tim = left <= 0 ? 0 : int32_t((left + 9) / 10);
    }
    int32_t want = n < size_t(console_chan->buf_size) ? int32_t(n) : console_chan->buf_size;
    ws.Io_siz = want;
    Catch_region region;
    try {
      Tcp_read();
    } catch (const End_of_data&) {
      return 0;
    } catch (const Oru_error& e) {
      if (e.no == err::RECORD_BUSY) return -1;
      if (e.no == err::INTERRUPTED || e.no == err::KEY_NOT_FOUND) {
        if (escape_ends || ws.End_process) return -2;
        continue;
      }
      return 0;  // the connection failed: the console's input ends
    }
    if (ws.Str_len <= 0) continue;  // a ONESHOT server announced its client
    std::memcpy(buf, ws.Str_ptr, size_t(ws.Str_len));
    return ws.Str_len;
  }
}

bool link_pending() {
  return console_chan && console_chan->tls && !console_broken && Tls_pending(console_chan->tls);
}

const Con_link_ops link_ops = {link_send, link_recv, link_pending};

}  // namespace

const Con_link_ops* Tcp_console_link(Fcb* fcb) {
  auto* f = static_cast<Tcp_fcb*>(fcb);
  if (f->cur_sock < 0 && !(f->listen_sock >= 0 && (f->tflags & TCF_ONESHOT)))
    Rpt_error_text(err::WRONG_MODE, "The TCP channel has no connection to carry the console");
  console_chan = f;
  console_broken = false;
  f->write_fail = 0;
  return &link_ops;
}

void Tcp_console_unlink() {
  console_chan = nullptr;
  console_broken = false;
}

Fcb* Tcp_console_channel() { return console_chan; }

void Tcp_set_nodelay(Fcb* fcb) {
  if (!fcb || fcb->kind != FK_TCP) return;
  auto* f = static_cast<Tcp_fcb*>(fcb);
  if (f->tflags & TCF_NODELAY) return;
  f->tflags |= TCF_NODELAY;
  int one = 1;
  if (f->cur_sock >= 0) setsockopt(f->cur_sock, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  for (Tcp_client* c = f->clients; c; c = c->next)
    if (c->sock >= 0 && c->sock != f->cur_sock) setsockopt(c->sock, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

bool Tcp_GetFin(Fcb* fcb, const std::string& item, std::string* out) {
  auto* f = static_cast<Tcp_fcb*>(fcb);
  if (strcasecmp(item.c_str(), "IPADDR") == 0) {
    *out = f->peer;
    return true;
  }
  Tls_conn* t = tls_of(f, f->cur_sock);
  return t && Tls_info(t, item, out);
}

const Fio_op Tcp_fotbl[FIO_SLOTS] = {
    Io_mode_err, Tcp_open,   Tcp_close,  Tcp_write,   Tcp_read,    Tcp_remove,  Tcp_setind,
    Tcp_getind,  Tcp_setkey, Io_mode_err, Tcp_getkey, Io_mode_err, Tcp_write,   Io_wr_mode,
    Io_wr_mode,  Tcp_getkef, Io_mode_err, Io_mode_err, Tcp_save,    Tcp_restore};

bool Tcp_data_waiting(Fcb* fcb) {
  Tcp_fcb* f = static_cast<Tcp_fcb*>(fcb);
  std::vector<pollfd> fds;
  if (f->listen_sock >= 0) fds.push_back({f->listen_sock, POLLIN, 0});
  if (!is_server(f)) {
    if (f->cur_sock < 0) return false;
    if (f->tls && Tls_pending(f->tls)) return true;
    fds.push_back({f->cur_sock, POLLIN, 0});
  }
  for (Tcp_client* c = f->clients; c; c = c->next) {
    if (c->flags & TCL_HANDSHAKE) continue;
    if ((c->flags & TCL_READABLE) || (c->tls && Tls_pending(c->tls))) return true;
    fds.push_back({c->sock, POLLIN, 0});
  }
  if (fds.empty()) return false;
  int r = poll(fds.data(), nfds_t(fds.size()), 0);
  if (r <= 0) return false;
  for (const pollfd& p : fds)
    if (p.revents & (POLLIN | POLLHUP | POLLERR)) return true;
  return false;
}

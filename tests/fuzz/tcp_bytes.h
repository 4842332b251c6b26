// Received bytes through a TCP channel, shared by the fuzz target
// (fuzz_tcp.cpp) and the unit test that replays its inputs.  The input is a
// channel name (the text up to the first newline, at most 300 bytes), then
// one byte that picks the READ's SIZ= and I/O list, then the bytes the peer
// sends before it closes.  The name must be parsed or refused; the bytes are
// read through a channel opened on one end of a socket pair (SOCKET=) with
// READ statements until end of file; CLOSE must close the descriptor.
#pragma once
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/wiring.h"
#include "channels/channel.h"
#include "core/exec_command.h"
#include "core/executor.h"
#include "core/lexicon.h"
#include "core/line_store.h"
#include "core/memory.h"
#include "core/variables.h"
#include "core/workspace.h"
#include "net/tcp_channel.h"

namespace tcp_fuzz {

inline uint8_t work[WORK_AREA_SIZE];

// The console environment, once: lexicon, work area, channels.
inline bool Setup(const char* lib_dir) {
  static std::string dir;
  dir = lib_dir;
  ws.Lib_dir = dir.c_str();
  if (Load_lex((dir + "/lextbl.en").c_str()) != 0) return false;
  ws.Work_base = ws.Work_ptr = ws.Work_mark = work;
  ws.Work_end = work + sizeof work;
  if (!ws.Con_fcb) {
    App_wire();  // the drivers of every kind
    Channels_init();
  }
  return true;
}

inline void Type(const std::string& s) {
  ws.Work_ptr = work;
  ws.Run_flags &= ~uint32_t(RF_STOP | RF_ESCAPE);
  ws.Con_flags = CON_MODE;
  ws.Cur_stno = 0;
  uint8_t* buf = Work_take(s.size() + 1);
  std::memcpy(buf, s.data(), s.size());
  ws.Str_ptr = buf;
  ws.Str_len = int32_t(s.size());
  Exec_command(1);
}

// False when a descriptor is left open.
inline bool Walk(const uint8_t* data, size_t size) {
  size_t cut = 0;
  while (cut < size && cut < 300 && data[cut] != '\n') ++cut;
  if (cut < size && data[cut] == '\n') {
    Tcp_name n;
    std::string why;
    bool ok = Tcp_parse_name(std::string(reinterpret_cast<const char*>(data), cut), &n, &why);
    if (!ok && why.empty()) std::abort();  // a refusal always says why
    data += cut + 1;
    size -= cut + 1;
  }
  uint8_t pick = size ? data[0] : 0;
  if (size) {
    ++data;
    --size;
  }
  if (size > 60000) size = 60000;
  int sv[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sv) != 0) return true;
  int big = 1 << 20;
  setsockopt(sv[1], SOL_SOCKET, SO_SNDBUF, &big, sizeof big);
  size_t sent = 0;
  while (sent < size) {
    ssize_t w = send(sv[1], data + sent, size - sent, MSG_DONTWAIT | MSG_NOSIGNAL);
    if (w <= 0) break;
    sent += size_t(w);
  }
  shutdown(sv[1], SHUT_WR);
  static const char* const lists[] = {"A$", "A$,B$,C$", "A$,N,B$", "A$(1,3),N", "X"};
  int siz = 1 + pick % 97;
  const char* list = lists[(pick / 97) % 5];
  Type("DELETE");
  Type("OPEN (1,ERR=90)\"[tcp]fuzz;1;SOCKET=" + std::to_string(sv[0]) + "\"");
  Type("10 LET N=0,K=0");
  Type("20 LET K=K+1; IF K>100000 THEN STOP");
  Type("30 READ (1,SIZ=" + std::to_string(pick & 1 ? -siz : siz) + ",END=80,ERR=20)" + list);
  Type("40 GOTO 20");
  Type("80 CLOSE (1); STOP");
  Type("90 STOP");
  Type("RUN");
  Type("CLOSE (1)");
  bool closed = fcntl(sv[0], F_GETFD) == -1 && errno == EBADF;
  close(sv[1]);
  if (!closed) close(sv[0]);
  return closed;
}

}  // namespace tcp_fuzz

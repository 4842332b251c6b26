// TCP channels (file kind 16): a client channel talks to one peer; a server
// channel listens on a port and keeps a list of the clients it accepted.
// READ returns the bytes that arrived from the current connection (on a
// server channel an empty READ announces a new client), WRITE and PRINT send
// the channel buffer, REMOVE drops the current connection, KEY= and IND=
// make a client current, KEY( IND( and KEF( describe connections.  SECURE
// runs every connection through TLS (net/tls.h).
//
// Names: "[tcp]host;port[;option...]"; an empty host makes a server.
// Options (case-blind, blanks trimmed; unknown ones ignored): SINGLE and
// ONESHOT (servers only), NODELAY, KEEPALIVE, REUSE, SOCKET=n (an inherited
// descriptor), BINDTO=address, SECURE, SECURE=file (certificate, key and
// trusted certificates in one PEM file), NOVERIFY (a secure client does not
// check the server's certificate).
//
// Sockets are non-blocking and every wait goes through poll, bounded by
// the statement's TIM= (in force for the whole statement, however often the
// wait resumes), so there is no limit on descriptor numbers and no client
// can stall a server beyond it.
#pragma once
#include <cstdint>
#include <string>

#include "channels/channel.h"

struct Tls_ctx;
struct Tls_conn;

// A parsed channel name.
struct Tcp_name {
  std::string host;        // empty: a server
  uint16_t port = 0;
  bool single = false, oneshot = false, nodelay = false, keepalive = false, reuse = false;
  bool secure = false, no_verify = false;
  int socket_fd = -1;      // SOCKET=
  std::string cert_file;   // SECURE=
  std::string bind_to;     // BINDTO=
};
// Parses the text after "[tcp]"; false with the reason in *why (error 10).
bool Tcp_parse_name(const std::string& text, Tcp_name* out, std::string* why);

constexpr int TCP_PEER_MAX = 255;  // bytes of a peer text

// Client flags
enum : uint32_t {
  TCL_READABLE = 16,  // poll reported data not yet read
};
struct Tcp_client {
  Tcp_client* next;
  int32_t sock;
  uint32_t flags;
  Tls_conn* tls;
  int64_t deadline_ms;           // end of a pending TLS handshake
  char peer[TCP_PEER_MAX + 1];  // dotted address or "{Unknown}"
};

// Channel flags
enum : uint32_t {
  TCF_ALWAYS = 2,
  TCF_NODELAY = 4,
  TCF_SINGLE = 8,
  TCF_KEEPALIVE = 16,
  TCF_SECURE = 32,
  TCF_ONESHOT = 128,
  TCF_CLOSING = 0x1000,
};
struct Tcp_fcb : Fcb {
  Tcp_client* clients;  // newest first (server)
  char* cert_file;      // SECURE= file (Get_blk) or null
  int32_t listen_sock;  // -1 on a client channel and after a ONESHOT accept
  int32_t last_sock;    // connection the last READ served or last accepted
  int32_t cur_sock;     // connection of WRITE, REMOVE, KEY( and a client READ
  uint32_t tflags;
  int32_t write_fail;
  bool no_verify;
  Tls_ctx* tls_ctx;
  Tls_conn* tls;        // TLS of the channel's own connection
  uint8_t* in_buf;      // received bytes (buf_size)
  // Output held back on a secure channel (see tcp_channel.cpp, "Held-back
  // output"): held_len bytes for the connection held_sock, the first of
  // them held since held_since (Now_ms); held_err the error of a send that
  // failed after its WRITE had ended, raised by the next operation.
  uint8_t* held;        // TCP_HELD_MAX bytes (Get_blk) or null
  int32_t held_len;
  int32_t held_sock;
  int64_t held_since;
  int32_t held_err;
  char held_text[200];
  char host[TCP_PEER_MAX + 1];  // host part of a client channel's name
  char peer[TCP_PEER_MAX + 1];  // text of the current connection
};

// Bytes a secure channel holds back at most: one full TLS record.
constexpr int32_t TCP_HELD_MAX = 16384;
// How long held-back output may wait for more before it goes (ms).
constexpr int64_t TCP_HELD_MS = 2;

extern const Fio_op Tcp_fotbl[FIO_SLOTS];

struct Con_link_ops;
// The console over a TCP channel (LNSW): the operations that carry the
// console's stream over the channel's connection (a ONESHOT server's
// first client, accepted at the first read).  Raises 13 when the channel
// has no connection to carry it.  The channel stays the caller's: it is no
// longer in the channel list, and the caller closes it (CloseFile) after
// Tcp_console_unlink.
const Con_link_ops* Tcp_console_link(Fcb* f);
void Tcp_console_unlink();
// The channel that carries the console (null: none).
Fcb* Tcp_console_channel();
// Sets TCP_NODELAY on the channel's connections, now and for those it
// accepts later (once: a channel that has it already costs one test).
void Tcp_set_nodelay(Fcb* f);

// Whether a READ of the channel finds something at once: bytes from the
// peer (a client channel), a client with bytes or a new client waiting (a
// server), or a connection's end.  Never waits.
bool Tcp_data_waiting(Fcb* f);

// FIN( items of a TCP channel: "IPADDR" the peer text, TLS items of the
// current connection; false when the item is none of them.
bool Tcp_GetFin(Fcb* f, const std::string& item, std::string* out);

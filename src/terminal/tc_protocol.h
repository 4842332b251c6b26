// Thin-client requests: the message builder, the sender and the reply
// reader over both carriers (the console stream and a TCP channel).  Frame
// and item formats: terminal/tc_frame.h.
//
// Calling order: Wtty_init (or Wtty_init_wty for a client channel), then
// the items in payload order, then Wtty_xmit.  A request that awaits its
// reply leaves it in ws.Str_ptr / ws.Str_len (the current string result;
// small replies live in the work area, larger ones in a per-statement
// temporary).  String and raw items keep the caller's pointer until
// Wtty_xmit: the bytes must stay where they are until then.
//
// Requests go to the current channel: the console (which must carry an
// attached thin client, else error 99) or a TCP channel (kind 16) of a
// program server.  Errors: 46 payload or string too long for the client's
// level; 86 no good reply after five sends, a broken TCP reply, a dead
// link; 0 (not retried) end of input while a reply is awaited; the client's
// own code for a refusal (CAN).  Requests with major code 'z' are quiet:
// failures end them without an error.
#pragma once
#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>

#include "core/io_state.h"

struct Fcb;

// ---- building and sending ----
void Wtty_init(int major, int minor);
// For requests about a client channel (kind 13): its unsent output goes
// first, and the request travels on the channel's connection channel when
// it has one.
void Wtty_init_wty(Fcb* client, int major, int minor);
void Wtty_chr(int32_t v);
void Wtty_int(int32_t v);
void Wtty_long(int32_t v);
// A string item; a null pointer sends an empty string (or the negative
// length as given).  Error 46 for 65,280 bytes or more below level 10.
void Wtty_str(const uint8_t* p, int32_t len);
inline void Wtty_str(const std::string& s) {
  Wtty_str(reinterpret_cast<const uint8_t*>(s.data()), int32_t(s.size()));
}
// Raw bytes without a length.
void Wtty_str2(const uint8_t* p, int32_t len);
// Serialises and sends the message; wait 1 reads the reply.  Returns 0.
int Wtty_xmit(int wait);
// Sends a ready payload as one frame (the reply, when awaited, as above).
// wait -1 awaits the reply unless the major code has bit 0x80 or is 'P';
// those never await one.
void Wtty_packet(uint8_t major, uint8_t minor, const uint8_t* payload, uint32_t len, int wait = -1);
void Wtty_packet_real(uint8_t major, uint8_t minor, const uint8_t* payload, uint32_t len, int wait);
// Minor code letter for the operation word (a statement code) of a
// control directive; 0 for a token that has none.
int WttyMinCode(int token);
// Copies of the current-I/O area around an exchange made inside an I/O
// operation.
void Wtty_saveIOP(Io_state* area);
void Wtty_resetIOP(const Io_state* area);
// The current-I/O area of the statement comes back after the exchange, on
// every path; an error keeps the retry limit the failure set (busy replies
// and a broken stream are not retried).
class Wtty_iop_guard {
 public:
  Wtty_iop_guard() : unwinding_(std::uncaught_exceptions()) { Wtty_saveIOP(&saved_); }
  ~Wtty_iop_guard();
  Wtty_iop_guard(const Wtty_iop_guard&) = delete;
  Wtty_iop_guard& operator=(const Wtty_iop_guard&) = delete;
  // The statement's area as it will come back (a request may amend it).
  Io_state& area() { return saved_; }

 private:
  Io_state saved_;
  int unwinding_;
};

// The whole outgoing message kept while a nested operation builds another
// (the client channel driver's save and restore operations).
void Tc_message_save();
void Tc_message_restore();

// ---- requests other parts use ----
// Long mnemonics and raw console bytes: 0xD0 ' ', no reply.
void Wtty_RmtPrint(const uint8_t* p, int32_t n);
// The value of a client property ("*BreakList", "*WatchList", "*ProcId=n")
// as the current string: 'f' 'n' with int 0 and the name.
void Wtty_get_fin_value(const std::string& name);
// The trace window's text: '.' 'p', no reply.
void Wtty_SetTracePrt(const uint8_t* p, int32_t n);

// ---- batching (the batch buffer exists only when the handshake set it up) ----
void Wtty_KestAddBuffer(const uint8_t* p, size_t n);
void Wtty_KestBfrFlush();
void Wtty_KestCompressAndSend(const uint8_t* p, size_t n);
// Sets up (or frees) the 50,000-byte batch buffer.
void Tc_batch_setup(bool on);

// ---- state ----
// The console carries an attached thin client.
bool Tc_attached();
// Error 99 naming what needs an attached client when none is.
void Tc_need_client(const char* what);
// Type-ahead ring: bytes that arrived ahead of a reply.  -1 when empty.
int Tc_ahead_get();
bool Tc_ahead_empty();
// Bytes the ring can still take before it overwrites unread ones.
int Tc_ahead_room();
void Tc_ahead_put(uint8_t b);
// Forgets the session's protocol state (the console left thin-client mode).
void Tc_protocol_reset();
// Counters for FIN(-style statistics and the benchmarks: frames and bytes
// sent, replies read.
struct Tc_counters {
  uint64_t frames_out, bytes_out, replies_in, bytes_in, batch_in, batch_out;
};
const Tc_counters& Tc_stats();
// The carrier of the console: the linked TCP channel when the console runs
// over one (Dev_fcb::linked), else standard input and output.
Fcb* Tc_console_link();

// Turns Nagle's algorithm off on a TCP channel that carries requests (filled
// by the TCP layer at start-up; null leaves the channel as it is).  Without
// it a frame that awaits no reply followed by one that awaits a reply waits
// for the peer's delayed acknowledgement: tens of milliseconds a request.
extern void (*Tc_tcp_nodelay)(Fcb* f);
// Raw bytes to the console carrier, and one byte from it within hundredths
// (-1: no limit): the byte, -1 on time-out, -3 at end of input.
void Tc_console_raw(const uint8_t* p, size_t n);
int Tc_console_getc(int32_t hundredths);

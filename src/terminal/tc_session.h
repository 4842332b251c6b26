// The thin-client session: attaching a client to the console (DEFTTY F and
// the connect handshake), the console's input and output while a client is
// attached, and the keep-alive.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct Fcb;

// The host's protocol level, offered to clients of level 10 and above.
constexpr int TC_HOST_LEVEL = 12;

// What the handshake reply ('*' ' ') tells (offsets from 0; missing bytes
// read as 0).
struct Tc_hello {
  int level;          // byte 21; 255 counts as 0
  uint8_t kind;       // byte 31: 'J' or 'j' a Java client
  uint8_t cell_w, cell_h;     // bytes 9 and 10
  uint8_t scale_x, scale_y;   // bytes 11 and 12
  int32_t compat;     // bytes 5-6 less bytes 15-16
  int32_t page_metric;  // 1,600 x cell_h x scale_x / cell_w / scale_y (a 0 divisor counts as 1)
};
Tc_hello Tc_parse_hello(const uint8_t* p, size_t n);

// The connect handshake; sets ws.Tc_level, ws.Tc_caps and ws.Tc_link.
// Returns the client's reply (its cell sizes, scales, level and mouse
// state: the MSE record of a thin-client console).
std::string WttyMouse();
// DEFTTY F on the console: makes it a thin-client console of cols x lines
// and runs the handshake (called by d_dtty once the screen is set up).
void Tc_attach_console();
// DEFTTY F again on the client's console: the handshake's first request
// only (the session, its level and capabilities go on).
void Tc_reattach_console();
// Leaves thin-client mode (process end, a failed attach).
void Tc_detach_console();

// The console's output buffer while a client is attached: a single
// printable byte goes raw, anything else as one 0xD0 ' ' frame.  Output to a
// dead link is dropped.
void Tc_console_output(const uint8_t* p, int32_t n);
// One line of keyboard input from the client (type-ahead first); false at
// end of input or when the link died.
bool Tc_read_line(std::string& line);
// One keyboard byte from the client within hundredths (-1: no limit): the
// byte, -1 on time-out, -3 at end of input or a dead link, TC_KEY_EVENT
// when a client object's event ended the line being read.
constexpr int TC_KEY_EVENT = -4;
int Tc_read_key(int32_t hundredths);

// A client object's event (the escape 16 'E' and its PREINPUT value, played
// by the client on the console stream): it ends the line being read with
// that CTL value, or, outside a line read, goes on the pre-input queue so
// that the next INPUT ends with it.  Values outside -32000..32000 are
// dropped.
void Tc_client_event(int32_t ctl);
// The CTL value of the event that ended the last line read, once.
bool Tc_take_line_event(int32_t* ctl);

// ---- keep-alive ----
bool Tc_link_dead();
// Whether the thin-client console sends the mnemonic m: '+U' goes only
// after a '-U' and '-U' only when the last of the two was not '-U' (a
// session starts as after '+U'); 'C0'..'C2' only when they change the
// cursor mode sent last.  Remembers what is sent.
bool Tc_console_sends(uint16_t m);
void Tc_mark_dead();
// The client's stream was found ended or dead by a read: the first time
// the link is marked dead, later on the process ends as on a hang-up.
void Tc_stream_gone();
void Tc_note_read();
void Tc_note_enq();
// Between statements and while waiting: at most every 5 seconds flushes
// the batch buffer, sends ENQ when the keep-alive is due and takes bytes
// that already arrived into the type-ahead ring.
// A plain console over a connection (no client attached) is only flushed.
void ZefVrl_CheckLive();
// Before the console's linked connection goes (LNSW alone, process end): an
// attached client gets the end request ('z' ' ', quiet, its answer awaited
// no longer than the keep-alive or 10 seconds) and leaves thin-client mode.
void Tc_console_unlink();

// ---- hooks the protocol layer calls ----
// Parameter +H: the property cache sees every outgoing request.
void Tc_inspect_request(uint8_t major, uint8_t minor, const uint8_t* payload, uint32_t len);
// A request about a client channel: its pending output first, then its
// connection channel (if any) becomes current.
void Tc_channel_pre_request(Fcb* client);
void Tc_channel_route(Fcb* client);

// The thin-client session (see tc_session.h).
//
// Handshake reply ('*' ' '), the bytes the host reads (offsets from 0):
//   5-6   host value (big-endian), less bytes 15-16 gives ws.Tc_compat
//   9,10  the client's cell ratio (width, height)
//   11,12 the client's scale x and y (ws.Tc_scale_x, ws.Tc_scale_y)
//   21    the client's protocol level (255 counts as 0)
//   31    'J' a Java client (ws.Tc_link 1), 'j' likewise (2 on the first
//         connection)
// A shorter reply reads as zeros from where it ends.
//
// Keep-alive (ws.Tc_keepalive seconds, 0 off, from the ini file's
// [Config] KeepAlive= in minutes or KeepAliveSeconds=): a read that hears
// nothing for half of it sends ENQ (0x05); a live client answers 16 05; when
// the other half passes without a byte the link is dead: requests fail with
// error 86 at once, console output is dropped and console input ends.
#include "terminal/tc_session.h"

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <ctime>

#include "channels/channel.h"
#include "channels/print.h"
#include "core/console_device.h"
#include "core/codes.h"
#include "core/errors.h"
#include "core/host.h"
#include "core/ini.h"
#include "core/memory.h"
#include "core/signal_flags.h"
#include "core/workspace.h"
#include "core/zlib_loader.h"
#include "terminal/editor_keys.h"
#include "terminal/tc_frame.h"
#include "terminal/tc_propcache.h"
#include "terminal/tc_protocol.h"
#include "terminal/terminal.h"

namespace {

bool link_dead = false;
bool minus_u_sent = false;  // '-U' was the last of '+U'/'-U' sent
int cursor_mode_sent = -1;  // 'C0'..'C2' sent last (-1 none yet)
int64_t lTimeLastEnq = 0, lTimeLastRd = 0, last_check = 0;
uint8_t cell_w = 0, cell_h = 0;
int32_t page_metric = 0;
bool skip_lf = false;   // a CR ended the last line: a LF right after it is part of that end
// A client object's event that came while a line was read ends that line
// with its CTL value (line_event); outside a line read it waits on the
// pre-input queue for the next INPUT.
bool reading_line = false;
bool line_event = false;
int32_t line_event_ctl = 0;
bool in_output = false; // the console output is being sent (no second frame from inside it)

// The liveness check runs at most this often (milliseconds).
constexpr int64_t LIVE_CHECK_MS = 5000;
// The longest wait for the answer to the end request (seconds).
constexpr int32_t END_WAIT_SECONDS = 10;

int64_t now_ms() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return int64_t(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

int32_t keepalive_setting() {
  int s = KestGetPrivateProfileInt("Config", "KeepAliveSeconds", 0);
  if (s <= 0) s = KestGetPrivateProfileInt("Config", "KeepAlive", 0) * 60;
  if (s < 0) s = 0;
  if (s > 86400) s = 86400;
  return s;
}

// While a program's read waits for keys over a TCP connection, the wait is
// cut into slices this long (hundredths; one while channels are watched
// for DataAvailable) and the program's object events (the event timer,
// SIGUSR1, data on watched channels) are served between them, as the
// process's own console serves them while it waits.  No request is
// outstanding here, so a handler may send requests of its own.
constexpr int32_t EVENT_SLICE = 10;

bool serves_events() {
  return Event_serve_hook && !(ws.Run_flags & RF_CONSOLE_READ) && Tc_console_link();
}

void serve_events(bool watching) {
  if (ws.End_process) return;
  if (!(Run_flags_now() & RF_EVENT) && !watching) return;
  ws.Run_flags &= ~uint32_t(RF_EVENT);
  Event_serve_hook();
}

// One byte of the stream within hundredths (-1: no limit), as
// Tc_console_getc, serving events meanwhile.
int stream_byte(int32_t hundredths) {
  if (!serves_events()) return Tc_console_getc(hundredths);
  const int64_t end = hundredths >= 0 ? now_ms() + int64_t(hundredths) * 10 : -1;
  const bool escaped = (ws.Run_flags & RF_ESCAPE) != 0;
  for (;;) {
    const bool watching = Event_data_watch_hook && Event_data_watch_hook();
    int32_t wait = watching ? 1 : EVENT_SLICE;
    bool last = false;
    if (end >= 0) {
      int64_t left = (end - now_ms() + 9) / 10;
      if (left <= wait) {
        wait = left > 0 ? int32_t(left) : 0;
        last = true;
      }
    }
    int b = Tc_console_getc(wait);
    if (b != -1) return b;
    serve_events(watching);
    // An escape that came between two slices ends the read as one that
    // comes during a slice does.
    if (!escaped && (Run_flags_now() & RF_ESCAPE)) Rpt_error(err::INTERRUPTED);
    if (last || link_dead) return link_dead ? -3 : -1;
  }
}

// One byte from the client for the keyboard, the keep-alive bounding the
// silence when hundredths is -1.
int key_byte(int32_t hundredths) {
  if (link_dead) {
    Tc_stream_gone();
    return -3;
  }
  if (hundredths >= 0 || ws.Tc_keepalive <= 0) {
    int b = stream_byte(hundredths);
    if (b >= 0) Tc_note_read();
    if (b == -3 && Con_input_ended()) Tc_stream_gone();  // the client's stream ended
    return b;
  }
  bool asked = false;
  for (;;) {
    int b = stream_byte(ws.Tc_keepalive * 50);
    if (b >= 0) {
      Tc_note_read();
      return b;
    }
    if (b == -3) {
      if (Con_input_ended()) Tc_stream_gone();
      return -3;
    }
    if (asked) {
      Tc_mark_dead();
      return -3;
    }
    static const uint8_t enq = TC_ENQ;
    try {
      Tc_console_raw(&enq, 1);
    } catch (const Oru_error&) {
      Tc_mark_dead();
      return -3;
    }
    Tc_note_enq();
    asked = true;
  }
}

// The reader of keyboard input between replies: escapes as in a reply.
Tc_reply_reader key_reader;

// Takes one byte of the stream into the type-ahead ring (keystrokes) or
// drops it (keep-alive answers, stray replies).
void take_stream_byte(uint8_t b) {
  switch (key_reader.feed(b)) {
    case Tc_reply_reader::KEY: Tc_ahead_put(key_reader.key()); break;
    case Tc_reply_reader::KEY2:
      Tc_ahead_put(TC_SYN);
      Tc_ahead_put(key_reader.key());
      break;
    case Tc_reply_reader::EVENT: Tc_client_event(key_reader.event()); break;
    default: break;
  }
}

}  // namespace

Tc_hello Tc_parse_hello(const uint8_t* p, size_t n) {
  auto at = [&](size_t i) -> uint8_t { return i < n ? p[i] : 0; };
  Tc_hello h{};
  h.level = at(21) > 254 ? 0 : at(21);
  h.kind = at(31);
  h.cell_w = at(9);
  h.cell_h = at(10);
  h.scale_x = at(11);
  h.scale_y = at(12);
  h.compat = int32_t((at(5) << 8) | at(6)) - int32_t((at(15) << 8) | at(16));
  int64_t m = 1600LL * h.cell_h * (h.scale_x ? h.scale_x : 1);
  m /= h.cell_w ? h.cell_w : 1;
  m /= h.scale_y ? h.scale_y : 1;
  h.page_metric = int32_t(m);
  return h;
}

std::string WttyMouse() {
  Io_save_guard io;
  int old_level = ws.Tc_level;
  Wtty_init('*', ' ');
  Wtty_xmit(1);
  std::vector<uint8_t> r;
  if (ws.Str_len > 0) r.assign(ws.Str_ptr, ws.Str_ptr + ws.Str_len);
  Tc_hello h = Tc_parse_hello(r.data(), r.size());
  cell_w = h.cell_w;
  cell_h = h.cell_h;
  ws.Tc_scale_x = h.scale_x;
  ws.Tc_scale_y = h.scale_y;
  page_metric = h.page_metric;
  ws.Tc_level = h.level;
  if (h.kind == 'J') {
    if (ws.Tc_link == 0) ws.Tc_link = 1;
  } else {
    ws.Tc_link = 0;
  }
  if (old_level == 0 && h.level >= 4) {
    if (h.kind == 'j') ws.Tc_link = 2;
    Tc_batch_setup(false);
    ws.Tc_compat = h.compat;
    if (h.level >= 10) {
      Wtty_init(' ', '+');
      Wtty_int(TC_HOST_LEVEL);
    } else {
      Wtty_init(' ', ' ');
    }
    Wtty_xmit(1);
    if (ws.Str_len > 6 && ws.Str_ptr[5] == '+') ws.Tc_caps = ws.Str_ptr[6];
    if (Tc_console_link() && (ws.Tc_caps & 1) && CheckZlib()) Tc_batch_setup(true);
    char text[40];
    std::snprintf(text, sizeof text, "*ProcId=%d", int(getpid()));
    Wtty_get_fin_value(text);
  }
  return std::string(r.begin(), r.end());
}

void Tc_attach_console() {
  Fcb* con = ws.Con_fcb;
  link_dead = false;
  minus_u_sent = false;
  cursor_mode_sent = -1;
  ws.Tc_level = 0;
  ws.Tc_caps = 0;
  ws.Tc_link = 0;
  ws.Tc_keepalive = keepalive_setting();
  Tc_protocol_reset();
  ZefVrl_ClearCache();  // a new session's controls are new
  key_reader.reset();
  line_event = false;
  skip_lf = false;
  lTimeLastEnq = lTimeLastRd = last_check = now_ms();
  con->st2 |= ST2_THIN_CLIENT;
  std::memcpy(con->term_id, "winterm     ", sizeof con->term_id);
  Line_carries_frames(true);
  // The client's break and the keep-alive are looked for between
  // statements on either carrier.
  ws.ZefVrl_Count = LIVE_CHECK_STATEMENTS;
  ws.Run_flags |= RF_CLIENT_LIVE;
  try {
    WttyMouse();
  } catch (const Oru_error& e) {
    Tc_detach_console();
    if (e.no == err::RECORD_BUSY) ws.Io_rty = 0;  // the stream ended: no busy retry
    throw;
  }
}

void Tc_reattach_console() {
  minus_u_sent = false;
  cursor_mode_sent = -1;
  try {
    WttyMouse();
  } catch (const Oru_error& e) {
    Tc_detach_console();
    if (e.no == err::RECORD_BUSY) ws.Io_rty = 0;
    throw;
  }
}

void Tc_detach_console() {
  if (ws.Con_fcb) ws.Con_fcb->st2 &= uint16_t(~ST2_THIN_CLIENT);
  Line_carries_frames(false);
  if (!Tc_console_link()) {
    ws.Run_flags &= ~RF_CLIENT_LIVE;
    ws.ZefVrl_Count = 0;
  }
  // Keys typed ahead stay input of the console.
  std::string keys;
  for (int b; (b = Tc_ahead_get()) >= 0;) keys.push_back(char(b));
  if (!Tc_console_link()) Con_unread(reinterpret_cast<const uint8_t*>(keys.data()), keys.size());
  ws.Tc_level = 0;
  ws.Tc_caps = 0;
  ws.Tc_link = 0;
  Tc_protocol_reset();
}

void Tc_console_output(const uint8_t* p, int32_t n) {
  if (n <= 0 || link_dead || in_output) return;
  struct Flag {
    Flag() { in_output = true; }
    ~Flag() { in_output = false; }
  } flag;
  // The string accumulator survives the frame.
  uint8_t* sp = ws.Str_ptr;
  int32_t sl = ws.Str_len;
  if (n == 1 && p[0] >= 32 && p[0] <= 126) {
    Wtty_KestBfrFlush();
    Tc_console_raw(p, 1);
  } else {
    Wtty_packet(0xD0, ' ', p, uint32_t(n), 0);
  }
  ws.Str_ptr = sp;
  ws.Str_len = sl;
}

int Tc_read_key(int32_t hundredths) {
  for (;;) {
    int b = Tc_ahead_get();
    if (b >= 0) return b;
    if (line_event) return TC_KEY_EVENT;
    Wtty_KestBfrFlush();
    int s = key_byte(hundredths);
    if (s < 0) return s;
    take_stream_byte(uint8_t(s));
  }
}

bool Tc_read_line(std::string& line) {
  Con_flush();
  line.clear();
  struct Reading {
    Reading() { reading_line = true; }
    ~Reading() { reading_line = false; }
  } reading;
  for (;;) {
    int b = Tc_read_key(-1);
    if (b == TC_KEY_EVENT) return true;  // what was typed so far, ended by the event
    if (b < 0) return !line.empty();
    if (skip_lf) {
      skip_lf = false;
      if (b == '\n') continue;
    }
    if (b == '\r') {
      skip_lf = true;
      return true;
    }
    if (b == '\n') return true;
    line.push_back(char(b));
  }
}

void Tc_client_event(int32_t ctl) {
  // PREINPUT values lie in -32000..32000; anything else is no event of ours.
  if (ctl < -32000 || ctl > 32000) return;
  if (reading_line && !line_event) {
    line_event = true;
    line_event_ctl = ctl;
    return;
  }
  auto* e = static_cast<Preinput_entry*>(Get_blk(sizeof(Preinput_entry)));
  e->ctl = ctl;
  Preinput_entry** at = reinterpret_cast<Preinput_entry**>(&ws.Preinput);
  while (*at) at = &(*at)->next;
  *at = e;
}

bool Tc_take_line_event(int32_t* ctl) {
  if (!line_event) return false;
  line_event = false;
  *ctl = line_event_ctl;
  return true;
}

bool Tc_link_dead() { return link_dead; }

bool Tc_console_sends(uint16_t m) {
  if (m == Mnem_code('+', 'U') || m == Mnem_code('-', 'U')) {
    bool minus = m == Mnem_code('-', 'U');
    if (minus == minus_u_sent) return false;
    minus_u_sent = minus;
    return true;
  }
  if (m >= Mnem_code('C', '0') && m <= Mnem_code('C', '2')) {
    int mode = m - Mnem_code('C', '0');
    if (mode == cursor_mode_sent) return false;
    cursor_mode_sent = mode;
  }
  return true;
}
void Tc_mark_dead() { link_dead = true; }

// A client on the process's own stream that is gone (its output failed or
// its input ended) leaves nobody to serve.  The read that finds the end
// fails as usual (the program may handle that error); a later read of the
// dead link ends the process as a hang-up does, its channels closed in
// order, instead of failing at once without end (a program that retries
// its read on error would spin).  A client over a connection keeps its own
// count of failures.
void Tc_stream_gone() {
  if (!link_dead) {
    link_dead = true;
    return;
  }
  if (Tc_console_link()) return;
  Sig_hangup = 1;
  Sig_pending = 1;
}
void Tc_note_read() { lTimeLastRd = now_ms(); }
void Tc_note_enq() { lTimeLastEnq = now_ms(); }

void ZefVrl_CheckLive() {
  if (link_dead) return;
  int64_t t = now_ms();
  if (t - last_check < LIVE_CHECK_MS) return;
  last_check = t;
  if (!Tc_attached()) {
    // A plain console over a connection: what it holds goes out (a peer
    // that went away is noticed by the failed sends).
    Con_flush();
    return;
  }
  try {
    Wtty_KestBfrFlush();
    if (ws.Tc_keepalive > 0 && t - lTimeLastEnq > int64_t(ws.Tc_keepalive) * 1000) {
      static const uint8_t enq = TC_ENQ;
      Tc_console_raw(&enq, 1);
      Tc_note_enq();
    }
    // Bytes that already arrived go to the type-ahead ring while it has
    // room (the ring finds the client's break sequence among them).
    while (Tc_ahead_room() > 2) {
      int b = Tc_console_getc(0);
      if (b < 0) break;
      Tc_note_read();
      take_stream_byte(uint8_t(b));
    }
  } catch (const Oru_error&) {
    Tc_mark_dead();
  }
}

void Tc_console_unlink() {
  if (!Tc_attached()) return;
  // The end request: quiet (failures end it), and a silent client is
  // waited for no longer than the keep-alive, at most END_WAIT_SECONDS.
  if (!link_dead) {
    int32_t keep = ws.Tc_keepalive;
    if (ws.Tc_keepalive <= 0 || ws.Tc_keepalive > END_WAIT_SECONDS) ws.Tc_keepalive = END_WAIT_SECONDS;
    try {
      Io_save_guard io;
      Wtty_init('z', ' ');
      Wtty_xmit(1);
    } catch (const Oru_error&) {
    }
    ws.Tc_keepalive = keep;
  }
  Tc_detach_console();
}

void Tc_inspect_request(uint8_t major, uint8_t minor, const uint8_t* payload, uint32_t len) {
  ZefVrl_WttyPacket(major, minor, payload, len);
}

// Thin-client requests (see tc_protocol.h; byte formats in tc_frame.h).
//
// One outgoing message per process, built in static storage: at most 100
// items, each a kind, a value and a {length, pointer} pair.  The frame of the
// message being sent is kept whole in frame_buf, so that a NAK resends it
// without building it again and a frame goes out in one write.
//
// Carriers: the console stream (standard input and output, or the TCP
// channel the console is linked to) carries 16 16 16 02 frames and replies
// that may be preceded by keystrokes; a program server's TCP channel (the
// current channel of kind 16) carries 16 02 frames and bare replies.
#include "terminal/tc_protocol.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "channels/channel.h"
#include "core/console_device.h"
#include "core/codes.h"
#include "core/errors.h"
#include "core/executor.h"
#include "core/host.h"
#include "core/memory.h"
#include "core/params.h"
#include "core/signal_flags.h"
#include "core/switches.h"
#include "core/workspace.h"
#include "core/zlib_loader.h"
#include "terminal/tc_frame.h"
#include "terminal/tc_session.h"
#include "terminal/terminal.h"

void (*Tc_tcp_nodelay)(Fcb* f) = nullptr;

namespace {

constexpr int MAX_SENDS = 5;
constexpr int MAX_NAKS = 50;             // a client that only ever NAKs is a dead client
constexpr size_t BATCH_SIZE = 50000;
constexpr int32_t DRAIN_HUNDREDTHS = 100;

// ---- the outgoing message ----
uint8_t byWttyMajor = 0, byWttyMinor = 0;
char typWtty[TC_MAX_ITEMS];
int32_t valWtty[TC_MAX_ITEMS];
struct Str_item {
  int32_t len;
  const uint8_t* ptr;
};
Str_item strWtty[TC_MAX_ITEMS];
int32_t nWttyStr = 0;

// ---- exchange state ----
int32_t nWttyBatch = 0;      // payload bytes sent without a reply since the last awaited one
uint8_t byWttyTcpFail = 0;   // consecutive failed TCP reply reads
bool bWttyAwait = false;     // a frame was written and its reply is not complete
std::vector<uint8_t> payload_buf;
std::vector<uint8_t> frame_buf;
std::vector<uint8_t> batch;  // the batch buffer (capacity BATCH_SIZE when set up)
bool batch_on = false;
Tc_counters stats{};
const uint8_t EMPTY[1] = {0};

// ---- type-ahead ring ----
uint8_t Tc_ahead[256];
uint8_t Tc_ahead_cnt = 0, Tc_ahead_rd = 0;

void ahead_store(uint8_t b) {
  Tc_ahead[Tc_ahead_cnt++] = b;
  // The client's break: 00 80 FA C4 stops the program at its next line.
  if (Tc_ahead_cnt >= 4 && Tc_ahead[uint8_t(Tc_ahead_cnt - 4)] == 0x00 &&
      Tc_ahead[uint8_t(Tc_ahead_cnt - 3)] == 0x80 && Tc_ahead[uint8_t(Tc_ahead_cnt - 2)] == 0xFA &&
      Tc_ahead[uint8_t(Tc_ahead_cnt - 1)] == 0xC4) {
    Tc_ahead_cnt = uint8_t(Tc_ahead_cnt - 4);
    ws.Run_flags |= RF_ESCAPE | RF_STEP;
    ws.Step_count = 1;
  }
}

bool long_ints() { return (ws.Tc_caps & 2) != 0; }

void add_item(char kind, int32_t val, const uint8_t* p, int32_t len) {
  if (nWttyStr >= TC_MAX_ITEMS) Rpt_error_text(err::NESTING_TOO_DEEP, "A thin-client request holds at most 100 items");
  typWtty[nWttyStr] = kind;
  valWtty[nWttyStr] = val;
  strWtty[nWttyStr] = {len, p};
  ++nWttyStr;
}

// ---- results ----

void put_result(const std::vector<uint8_t>& d) {
  ++stats.replies_in;
  stats.bytes_in += d.size();
  if (d.empty()) {
    ws.Str_ptr = const_cast<uint8_t*>(EMPTY);
    ws.Str_len = 0;
    return;
  }
  uint8_t* p;
  if (d.size() < 100 && ws.Work_ptr && size_t(ws.Work_end - ws.Work_ptr) >= d.size() + 1000)
    p = Work_take(d.size());
  else
    p = static_cast<uint8_t*>(Get_temp(d.size()));
  std::memcpy(p, d.data(), d.size());
  ws.Str_ptr = p;
  ws.Str_len = int32_t(d.size());
}

// ---- carriers ----

// A TCP channel record made current for one driver call; the current-I/O
// area comes back afterwards.
struct Tcp_current {
  Io_save_guard io;
  explicit Tcp_current(Fcb* f) {
    Select_channel(f);
    ws.Io_opts = 0;
    ws.Io_siz = 0;
  }
};

void tcp_send(Fcb* f, const uint8_t* p, size_t n) {
  if (Tc_tcp_nodelay) Tc_tcp_nodelay(f);
  Tcp_current cur(f);
  ws.Io_tim = -1;
  if (!f->out_buf || f->buf_size <= 0) Rpt_error_text(err::CONNECTION_LOST, "The thin client's TCP channel has no buffer");
  while (n > 0) {
    size_t k = n < size_t(f->buf_size) ? n : size_t(f->buf_size);
    std::memcpy(f->out_buf, p, k);
    f->buf_count = int32_t(k);
    f->high_water = 0;
    Fio_call(FIO_WRITE);
    p += k;
    n -= k;
  }
}

// One chunk from a TCP channel: > 0 bytes (appended to out), 0 on time-out,
// -3 at end of file; other failures raise their error.
int tcp_chunk(Fcb* f, int32_t hundredths, std::vector<uint8_t>& out) {
  Tcp_current cur(f);
  ws.Io_tim = hundredths;
  Catch_region region;
  try {
    Fio_call(FIO_READ);
  } catch (const End_of_data&) {
    return -3;
  } catch (const Oru_error& e) {
    if (e.no == err::RECORD_BUSY) return 0;
    if (e.no == err::END_OF_FILE) return -3;
    throw;
  }
  if (ws.Str_len <= 0) return 0;
  out.insert(out.end(), ws.Str_ptr, ws.Str_ptr + ws.Str_len);
  return ws.Str_len;
}

// Bytes of the console's linked TCP channel not yet taken.
std::vector<uint8_t> link_in;
size_t link_pos = 0;

void console_write(const uint8_t* p, size_t n) {
  stats.bytes_out += n;
  if (Fcb* l = Tc_console_link()) {
    try {
      tcp_send(l, p, n);
    } catch (const Oru_error&) {
      Tc_mark_dead();  // the connection is gone: nothing more is sent on it
      throw;
    }
    return;
  }
  Con_flush_plain();
  bool closing = ws.Con_fcb && (ws.Con_fcb->st2 & ST2_CLOSING);
  int fd = Con_out_fd() >= 0 ? Con_out_fd() : 1;
  Dev_write_all(fd, p, n, closing, Tc_mark_dead);  // a failed write ends the connection
}

// One byte of the console stream within hundredths (-1: no limit): the
// byte, -1 on time-out, -3 at end of input or on an escape request.
int console_getc(int32_t hundredths) {
  if (Fcb* l = Tc_console_link()) {
    if (link_pos >= link_in.size()) {
      link_in.clear();
      link_pos = 0;
      int r = tcp_chunk(l, hundredths, link_in);
      if (r == 0) return -1;
      if (r < 0) return -3;
    }
    return link_in[link_pos++];
  }
  return Con_read_byte(hundredths);
}

// A byte of a reply being awaited.  The keep-alive bounds the silence: after
// half of it the client is asked with ENQ, after all of it with no byte at
// all the link is dead.  -3 at end of input.
int await_byte() {
  bool asked = false;
  for (;;) {
    if (Tc_link_dead()) {
      Tc_stream_gone();
      Rpt_error_text(err::CONNECTION_LOST, "The thin client's link is dead");
    }
    int32_t wait = ws.Tc_keepalive > 0 ? ws.Tc_keepalive * 50 : -1;
    int b = console_getc(wait);
    if (b >= 0) {
      Tc_note_read();
      return b;
    }
    if (b == -3) {
      if (Con_input_ended()) Tc_stream_gone();  // the client's stream ended
      return -3;
    }
    if (asked) {
      Tc_mark_dead();
      Rpt_error_text(err::CONNECTION_LOST, "The thin client stopped answering (keep-alive)");
    }
    static const uint8_t enq = TC_ENQ;
    console_write(&enq, 1);
    Tc_note_enq();
    asked = true;
  }
}

bool quiet_major(uint8_t major) { return major == 'z'; }

[[noreturn]] void end_of_input() {
  Rpt_busy_final("The thin client's stream ended while a reply was awaited");
}

// ---- the console path ----

void console_exchange(uint8_t major, uint8_t minor, const uint8_t* payload, uint32_t len, bool wait) {
  bool quiet = quiet_major(major);
  // A reply left over from an exchange cut short is drained first.
  if (bWttyAwait && wait) {
    for (;;) {
      int b = console_getc(DRAIN_HUNDREDTHS);
      if (b < 0) break;
      if (b == TC_ETX && (Run_flags_now() & RF_STOP)) {
        if (quiet) return;
        Rpt_error(err::CONNECTION_LOST);
      }
    }
    bWttyAwait = false;
  }
  uint8_t head[12];
  uint16_t crc = len ? crc16(payload, len, 0) : 0;
  int h = Tc_frame_header(head, major, minor, len, crc, false);
  frame_buf.assign(head, head + h);
  if (len) frame_buf.insert(frame_buf.end(), payload, payload + len);
  ++stats.frames_out;

  if (batch_on) {
    if (frame_buf.size() + batch.size() > BATCH_SIZE) Wtty_KestBfrFlush();
    Wtty_KestAddBuffer(frame_buf.data(), frame_buf.size());
    if (!wait) return;
    Wtty_KestBfrFlush();
  }
  int sends = 0, naks = 0;
  bool resend = !batch_on;
  Tc_reply_reader rd;
  for (;;) {
    if (resend) {
      if (sends >= MAX_SENDS) {
        if (quiet) return;
        Rpt_error_text(err::CONNECTION_LOST, "No good reply from the thin client after five sends");
      }
      ++sends;
      console_write(frame_buf.data(), frame_buf.size());
    }
    resend = true;
    if (!wait) return;
    bWttyAwait = true;
    rd.reset();
    for (;;) {
      int b = await_byte();
      if (b < 0) {
        if (quiet) return;
        end_of_input();
      }
      if (b == TC_ETX && !rd.in_reply() && (Run_flags_now() & RF_STOP)) {
        if (quiet) return;
        Rpt_error(err::CONNECTION_LOST);
      }
      Tc_reply_reader::Step s = rd.feed(uint8_t(b));
      if (s == Tc_reply_reader::MORE || s == Tc_reply_reader::ALIVE) continue;
      if (s == Tc_reply_reader::KEY) {
        ahead_store(rd.key());
        continue;
      }
      if (s == Tc_reply_reader::KEY2) {
        ahead_store(TC_SYN);
        ahead_store(rd.key());
        continue;
      }
      if (s == Tc_reply_reader::EVENT) {  // played by the client while the reply was awaited
        Tc_client_event(rd.event());
        continue;
      }
      if (s == Tc_reply_reader::NAK) {
        bWttyAwait = false;
        if (++naks > MAX_NAKS) {
          if (quiet) return;
          Rpt_error_text(err::CONNECTION_LOST, "The thin client asked for the request again too often");
        }
        --sends;  // NAKs do not count against the sends
        break;
      }
      if (s == Tc_reply_reader::CAN) {
        bWttyAwait = false;
        if (quiet) return;
        if (rd.code() == 201 && major == '$' && minor == 'C') {
          ws.Str_len = -1;
          ws.Err_code = 201;
          return;
        }
        Rpt_error(rd.code());
      }
      if (s == Tc_reply_reader::TOO_LONG) {
        if (quiet) return;
        Tc_mark_dead();
        Rpt_error_text(err::CONNECTION_LOST, "The thin client announced a reply longer than the host accepts");
      }
      // REPLY
      if (rd.crc_ok()) {
        bWttyAwait = false;
        put_result(rd.data());
        return;
      }
      bWttyAwait = false;
      static const uint8_t rereq[10] = {TC_SYN, TC_SYN, TC_SYN, TC_STX, '!', ' ', 0, 0, 0, 0};
      frame_buf.assign(rereq, rereq + 10);
      break;
    }
  }
}

// ---- the TCP path (a program server's channel) ----

void tcp_exchange(Fcb* f, uint8_t major, uint8_t minor, const uint8_t* payload, uint32_t len, bool wait) {
  uint8_t head[12];
  uint16_t crc = len ? crc16(payload, len, 0) : 0;
  int h = Tc_frame_header(head, major, minor, len, crc, true);
  frame_buf.assign(head, head + h);
  if (len) frame_buf.insert(frame_buf.end(), payload, payload + len);
  ++stats.frames_out;
  stats.bytes_out += frame_buf.size();
  tcp_send(f, frame_buf.data(), frame_buf.size());
  if (!wait) return;
  bool quiet = quiet_major(major);
  auto failed = [&](const char* why) {
    if (major == 'F' && minor == 'C') return;
    if (quiet) return;
    if (byWttyTcpFail < 255) ++byWttyTcpFail;
    if (byWttyTcpFail >= 6) {
      ws.Prm.XT = true;
      ws.Run_flags |= RF_ESCAPE | RF_STOP;
    }
    Rpt_error_text(err::CONNECTION_LOST, why);
  };
  Tc_tcp_reply rd;
  std::vector<uint8_t> chunk;
  bool asked = false;
  for (;;) {
    chunk.clear();
    int32_t wait_cs = ws.Tc_keepalive > 0 ? ws.Tc_keepalive * 50 : -1;
    int r;
    try {
      r = tcp_chunk(f, wait_cs, chunk);
    } catch (const Oru_error& e) {
      if (major == 'F' && minor == 'C') return;
      if (quiet) return;
      if (byWttyTcpFail < 255) ++byWttyTcpFail;
      throw;
    }
    if (r == 0) {
      if (!asked) {
        asked = true;
        continue;
      }
      return failed("The program server stopped answering (keep-alive)");
    }
    if (r < 0) return failed("The program server closed the connection during a request");
    asked = false;
    size_t used = 0;
    Tc_tcp_reply::Step s = rd.feed(chunk.data(), chunk.size(), &used);
    if (s == Tc_tcp_reply::MORE) continue;
    if (s == Tc_tcp_reply::BAD) return failed("The program server's reply is not a reply");
    byWttyTcpFail = 0;
    if (s == Tc_tcp_reply::CAN) {
      if (quiet) return;
      Rpt_error(rd.code() < 0 ? -rd.code() : rd.code());
    }
    put_result(rd.data());
    return;
  }
}

}  // namespace

// ---- building ----

void Wtty_init(int major, int minor) {
  // The console becomes current and its pending output leaves first.
  if (Fcb* con = ws.Con_fcb) {
    Select_channel(con);
    Fio_call(FIO_FLUSH);
  }
  if (ws.Tc_link) {
    if (minor == '$') minor = '&';
  }
  byWttyMajor = uint8_t(major);
  byWttyMinor = uint8_t(minor);
  nWttyStr = 0;
}

void Wtty_init_wty(Fcb* client, int major, int minor) {
  Tc_channel_pre_request(client);
  Wtty_init(major, minor);
  Tc_channel_route(client);
}

void Wtty_chr(int32_t v) { add_item('c', v, nullptr, 0); }
void Wtty_int(int32_t v) { add_item('i', v, nullptr, 0); }
void Wtty_long(int32_t v) { add_item('l', v, nullptr, 0); }

void Wtty_str(const uint8_t* p, int32_t len) {
  if (len >= TC_LONG_STR && ws.Tc_level < 10) Rpt_error(err::STRING_LENGTH);
  add_item('s', 0, p, p ? len : (len < 0 ? len : 0));
}

void Wtty_str2(const uint8_t* p, int32_t len) { add_item('*', 0, p, len > 0 ? len : 0); }

int Wtty_xmit(int wait) {
  bool li = long_ints();
  uint64_t len = 0;
  for (int i = 0; i < nWttyStr; ++i) {
    Tc_item it{typWtty[i], valWtty[i], strWtty[i].len, strWtty[i].ptr};
    len += Tc_item_size(it, li);
  }
  uint64_t limit = ws.Tc_level >= 10 ? 2147483647u : ws.Tc_level >= 8 ? 65534u : 32168u;
  if (len >= limit) Rpt_error(err::STRING_LENGTH);
  payload_buf.resize(size_t(len));
  uint8_t* out = payload_buf.data();
  for (int i = 0; i < nWttyStr; ++i) {
    Tc_item it{typWtty[i], valWtty[i], strWtty[i].len, strWtty[i].ptr};
    out = Tc_put_item(out, it, li);
  }
  uint8_t major = byWttyMajor;
  bool batching = Sw_on(sw::TU) && prmblk.TA > 0;
  if (batching && nWttyBatch >= int32_t(prmblk.TA) * 1024) wait = 1;
  if (wait || !batching) {
    nWttyBatch = 0;
  } else if (ws.Tc_level > 1) {
    major |= 0x80;
    nWttyBatch += int32_t(len);
  } else {
    nWttyBatch = 0;
  }
  if (Sw_on(sw::PlusH)) Tc_inspect_request(major, byWttyMinor, payload_buf.data(), uint32_t(len));
  Wtty_packet(major, byWttyMinor, payload_buf.data(), uint32_t(len), wait ? 1 : 0);
  if (payload_buf.capacity() > (1u << 20)) std::vector<uint8_t>().swap(payload_buf);
  return 0;
}

void Wtty_packet(uint8_t major, uint8_t minor, const uint8_t* payload, uint32_t len, int wait) {
  if (wait < 0) wait = (major & 0x80) || major == 'P' ? 0 : 1;
  if ((major & 0x80) || major == 'P') wait = 0;
  Wtty_packet_real(major, minor, payload, len, wait);
}

void Wtty_packet_real(uint8_t major, uint8_t minor, const uint8_t* payload, uint32_t len, int wait) {
  if (ws.Tc_level < 2) major &= 0x7F;
  if (!payload) payload = EMPTY;
  Fcb* f = ws.Cur_fcb;
  if (f && f->kind == FK_TCP) {
    tcp_exchange(f, major, minor, payload, len, wait != 0);
    return;
  }
  if (!Tc_attached()) Rpt_error_text(err::NOT_BUILT, "no thin client is attached to the console (DEFTTY F)");
  if (Tc_link_dead()) {
    if (quiet_major(major)) return;
    Rpt_error_text(err::CONNECTION_LOST, "The thin client's link is dead");
  }
  console_exchange(major, minor, payload, len, wait != 0);
}

int WttyMinCode(int token) {
  switch (token) {
    case 0x3D: return 'N';
    case 150: return 'a';
    case 153: return 'c';
    case 156: return ws.Tc_level ? '$' : '+';
    case 157: return 'd';
    case 158: return 'd';
    case 161: return 'A';
    case 169: return 'D';
    case 170: return 'E';
    case 176: return 'F';
    case 180: return 'G';
    case 190: return '=';
    case 191: return 'L';
    case 194: return 'S';
    case 195: return 'Y';
    case 198: return '!';
    case 202: return 's';
    case 203: return 'h';
    case 204: return 'R';
    case 208: return '-';
    case 213: return 'r';
    case 228: return 'U';
    case 232: return 'W';
    default: return 0;
  }
}

namespace {
struct Saved_message {
  uint8_t major, minor;
  int32_t count;
  char kinds[TC_MAX_ITEMS];
  int32_t vals[TC_MAX_ITEMS];
  Str_item strs[TC_MAX_ITEMS];
};
std::vector<Saved_message> saved_messages;
}  // namespace

void Tc_message_save() {
  Saved_message m{byWttyMajor, byWttyMinor, nWttyStr, {}, {}, {}};
  std::memcpy(m.kinds, typWtty, sizeof typWtty);
  std::memcpy(m.vals, valWtty, sizeof valWtty);
  std::memcpy(m.strs, strWtty, sizeof strWtty);
  saved_messages.push_back(m);
}

void Tc_message_restore() {
  if (saved_messages.empty()) return;
  const Saved_message& m = saved_messages.back();
  byWttyMajor = m.major;
  byWttyMinor = m.minor;
  nWttyStr = m.count;
  std::memcpy(typWtty, m.kinds, sizeof typWtty);
  std::memcpy(valWtty, m.vals, sizeof valWtty);
  std::memcpy(strWtty, m.strs, sizeof strWtty);
  saved_messages.pop_back();
}

void Wtty_saveIOP(Io_state* area) {
  Io_touch();  // (as Io_save_guard: the area changes until Wtty_resetIOP)
  *area = static_cast<Io_state&>(ws);
}
void Wtty_resetIOP(const Io_state* area) { static_cast<Io_state&>(ws) = *area; }

Wtty_iop_guard::~Wtty_iop_guard() {
  int rty = ws.Io_rty;
  Wtty_resetIOP(&saved_);
  if (std::uncaught_exceptions() > unwinding_) ws.Io_rty = rty;
}

// ---- requests of other parts ----

void Wtty_RmtPrint(const uint8_t* p, int32_t n) {
  Wtty_packet(0xD0, ' ', p, uint32_t(n > 0 ? n : 0), 0);
}

void Wtty_get_fin_value(const std::string& name) {
  Tc_need_client("client properties");
  Wtty_init('f', 'n');
  Wtty_int(0);
  Wtty_str(name);
  Wtty_xmit(1);
}

void Wtty_SetTracePrt(const uint8_t* p, int32_t n) {
  Wtty_init('.', 'p');
  Wtty_str(p, n);
  Wtty_xmit(0);
}

// ---- batching ----

void Tc_batch_setup(bool on) {
  batch.clear();
  if (on) batch.reserve(BATCH_SIZE);
  else std::vector<uint8_t>().swap(batch);
  batch_on = on;
}

void Wtty_KestAddBuffer(const uint8_t* p, size_t n) {
  if (!batch_on) return;
  if (n <= BATCH_SIZE && Sw_on(sw::PlusW)) {
    if (batch.size() + n > BATCH_SIZE) Wtty_KestBfrFlush();
    batch.insert(batch.end(), p, p + n);
    return;
  }
  Wtty_KestBfrFlush();
  Wtty_KestCompressAndSend(p, n);
}

void Wtty_KestBfrFlush() {
  if (!batch_on || batch.empty()) return;
  std::vector<uint8_t> block;
  block.swap(batch);
  batch.reserve(BATCH_SIZE);
  Wtty_KestCompressAndSend(block.data(), block.size());
}

void Wtty_KestCompressAndSend(const uint8_t* p, size_t n) {
  stats.batch_in += n;
  if (n >= 201 && Sw_on(sw::PlusW) && CheckZlib()) {
    Str_blk* z = ZlibCompress(p, n);
    if (z) {
      size_t zn = size_t(z->len);
      if (zn + 50 < n) {
        std::vector<uint8_t> pl(4 + zn);
        put_u32be(pl.data(), uint32_t(n));
        std::memcpy(pl.data() + 4, z->bytes(), zn);
        Ret_str(z);
        std::vector<uint8_t> fr = Tc_frame('#', '<', pl.data(), uint32_t(pl.size()), false);
        stats.batch_out += fr.size();
        console_write(fr.data(), fr.size());
        return;
      }
      Ret_str(z);
    }
  }
  stats.batch_out += n;
  console_write(p, n);
}

// ---- state ----

bool Tc_attached() { return ws.Con_fcb && (ws.Con_fcb->st2 & ST2_THIN_CLIENT); }

void Tc_need_client(const char* what) {
  if (!Tc_attached())
    Rpt_error_text(err::NOT_BUILT, std::string(what) + " need an attached thin client (DEFTTY F)");
}

int Tc_ahead_get() {
  if (Tc_ahead_rd == Tc_ahead_cnt) return -1;
  return Tc_ahead[Tc_ahead_rd++];
}
bool Tc_ahead_empty() { return Tc_ahead_rd == Tc_ahead_cnt; }
void Tc_ahead_put(uint8_t b) { ahead_store(b); }
int Tc_ahead_room() { return 255 - uint8_t(Tc_ahead_cnt - Tc_ahead_rd); }

void Tc_protocol_reset() {
  nWttyStr = 0;
  nWttyBatch = 0;
  byWttyTcpFail = 0;
  bWttyAwait = false;
  Tc_ahead_cnt = Tc_ahead_rd = 0;
  Tc_batch_setup(false);
  link_in.clear();
  link_pos = 0;
}

const Tc_counters& Tc_stats() { return stats; }

Fcb* Tc_console_link() {
  if (!ws.Con_fcb) return nullptr;
  Fcb* l = Dev(ws.Con_fcb)->linked;
  return l && l->kind == FK_TCP ? l : nullptr;
}

// Raw bytes to the console carrier (the session layer's ENQ and single
// characters).
void Tc_console_raw(const uint8_t* p, size_t n) { console_write(p, n); }
int Tc_console_getc(int32_t hundredths) { return console_getc(hundredths); }

// Client channels (kind 13) and program servers (see tc_channel.h).
#include "terminal/tc_channel.h"

#include <cctype>
#include <cstring>
#include <exception>
#include <vector>

#include "channels/close.h"
#include "channels/channel.h"
#include "channels/open.h"
#include "core/codes.h"
#include "core/decimal.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/memory.h"
#include "core/line_store.h"
#include "core/text_case.h"
#include "core/workspace.h"
#include "channels/rec_formats.h"
#include "channels/record_locks.h"
#include "terminal/tc_protocol.h"
#include "terminal/tc_session.h"

namespace {

constexpr uint32_t WTY_BUSY = 0x200;
constexpr int32_t WTY_BINARY_BUFFER = 10240;
constexpr int32_t WTY_DEFAULT_BUFFER = 512;  // a client that names no size
constexpr uint16_t SERVER_CHANNEL_BASE = 64000;

struct Wty_fcb : Fcb {
  int32_t handle;  // the client's channel handle
  Fcb* conn;       // program server's channel, null over the console
  uint32_t wflags;
};

struct Server {
  Server* next;
  Fcb* ch;
  char name[12];  // blank-padded
  int32_t uses;   // client channels open through it
};
Server* servers = nullptr;

Wty_fcb* cur() { return static_cast<Wty_fcb*>(ws.Cur_fcb); }

void pad12(char* dst, const std::string& s) {
  std::memset(dst, ' ', 12);
  for (size_t i = 0; i < s.size() && i < 12; ++i) dst[i] = char(std::toupper(uint8_t(s[i])));
}

Server* find_server(const std::string& name) {
  char key[12];
  pad12(key, name);
  for (Server* s = servers; s; s = s->next)
    if (std::memcmp(s->name, key, 12) == 0) return s;
  return nullptr;
}

Server* server_of(Fcb* ch) {
  for (Server* s = servers; s; s = s->next)
    if (s->ch == ch) return s;
  return nullptr;
}

void make_current(Fcb* ch) {
  Select_channel(ch);
  ws.Io_stmt = 0;
}


// A second request on a channel while one is in progress is error 14.
struct Busy {
  Wty_fcb* f;
  explicit Busy(Wty_fcb* w) : f(w) {
    if (f->wflags & WTY_BUSY) Rpt_error(err::CHANNEL_STATE);
    f->wflags |= WTY_BUSY;
  }
  ~Busy() { f->wflags &= ~WTY_BUSY; }
};

void option_group(const Wty_fcb* f, const Io_state& io, char op) {
  Wtty_int(f->handle);
  if (ws.Tc_level >= 10 && (io.Io_tim != -1 || io.Io_siz != 0)) {
    Wtty_chr('*');
    Wtty_long(io.Io_tim < 0 ? -100 : io.Io_tim);
    Wtty_long(io.Io_siz);
  }
  char kind = (io.Io_opts & IO_KEY) ? 'K' : (io.Io_opts & IO_RNO) ? '#' : (io.Io_opts & IO_IND) ? 'I' : ' ';
  Wtty_chr(kind);
  Wtty_chr(op);
  if (io.Io_opts & IO_KEY) Wtty_str(io.Io_key_ptr, io.Io_key_len);
  else Wtty_str(nullptr, -1);
  Wtty_long((io.Io_opts & (IO_IND | IO_RNO)) ? io.Io_ind : -1);
}

// The status at the head of the reply; the rest of the reply stays the
// current string.
void check_status() {
  if (ws.Str_len < 2) Rpt_error_text(err::CONNECTION_LOST, "The client's reply holds no status");
  int16_t st = int16_t(get_u16be(ws.Str_ptr));
  if (st == -1) {
    ws.Str_ptr += 2;
    ws.Str_len -= 2;
    return;
  }
  if (st == 0) {
    ws.Io_rty = 0;
    Rpt_error(err::RECORD_BUSY);
  }
  if (st == 11) Io_dom_err();
  if (st == 2) Io_end_err();
  if (st < 0) Rpt_error_text(err::CONNECTION_LOST, "The client's reply holds a status that is no error number");
  Rpt_error(st);
}

// Output a PRINT left in the channel's buffer goes to the client ('F' 'p').
void send_pending(Wty_fcb* f) {
  int32_t n = f->buf_count > f->high_water ? f->buf_count : f->high_water;
  f->buf_count = f->high_water = 0;
  if (n <= 0) return;
  uint8_t* sp = ws.Str_ptr;
  int32_t sl = ws.Str_len;
  Wtty_iop_guard io;
  Wtty_init_wty(f, 'F', 'p');
  Wtty_int(f->handle);
  Wtty_str(f->out_buf, n);
  Wtty_xmit(0);
  ws.Str_ptr = sp;
  ws.Str_len = sl;
}

void true_flush(Wty_fcb* f) {
  if (f->buf_count <= 0 && f->high_water <= 0) return;
  Busy busy(f);
  send_pending(f);
}

// The I/O list after the open reply's handle and size: a compiled list
// block (2 bytes the client may leave as it likes, 0xB9, the items, 0xFF).
// Its items must stand alone (Iol_items_valid): they come from the peer.
bool iol_of_reply(const uint8_t* p, int32_t n, std::string* items) {
  if (n < 4 || p[2] != code::D_IOLIST || p[n - 1] != code::EOL) return false;
  if (n - 4 > 0xFFFF - 4) return false;
  if (!Iol_items_valid(p + 3, size_t(n - 4))) return false;
  items->assign(reinterpret_cast<const char*>(p + 3), size_t(n - 4));
  return true;
}

// ---- the driver ----

int64_t Wty_open() {
  Wtty_iop_guard io;
  const Io_state& st = io.area();
  std::string name = ws.Path_buf;
  // IOL=* asks the client for the file's own list ('o'), IOL=*1 for the
  // channel's list ('^').
  int minor = st.Io_iol_len == -1 ? 'o' : st.Io_iol_len == -2 ? '^' : 'O';
  if (!WttyCheck(name, 'F', minor)) {
    if (!Tc_attached()) Rpt_error(err::FILE_NOT_FOUND);
    Wtty_init('F', minor);
  }
  Fcb* conn = ws.Cur_fcb && ws.Cur_fcb->kind == FK_TCP ? ws.Cur_fcb : nullptr;
  char mode = (st.Io_opts & IO_LOAD) ? '*' : (st.Io_opts & IO_INPUT_ONLY) ? 'I' : (st.Io_opts & IO_PURGE) ? 'P'
            : (st.Io_opts & IO_EXCLUSIVE) ? 'L' : ' ';
  bool binary = st.Io_bin_rsz > 0;
  Wtty_chr(mode);
  Wtty_int(binary ? 1 : 0);
  Wtty_str(name);
  Wtty_str(st.Io_opt_len > 0 ? st.Io_opt_ptr : nullptr, st.Io_opt_len > 0 ? st.Io_opt_len : 0);
  Wtty_xmit(1);
  if (ws.Str_len < 4) Rpt_error_text(err::CONNECTION_LOST, "The client's answer to an open is too short");
  int32_t handle = get_u16be(ws.Str_ptr);
  int32_t size = get_u16be(ws.Str_ptr + 2);
  if (binary) size = WTY_BINARY_BUFFER;
  if (size <= 0) size = WTY_DEFAULT_BUFFER;
  // The list that follows is checked before the channel exists: a client
  // that sends a broken one leaves no channel behind (its handle is closed).
  std::string list;
  if (minor != 'O') {
    if (!iol_of_reply(ws.Str_ptr + 4, ws.Str_len - 4, &list)) {
      Catch_region region;
      try {
        Wtty_init('F', 'C');
        Wtty_int(handle);
        Wtty_xmit(0);
      } catch (const Oru_error&) {
      }
      Rpt_error_text(err::NO_IOLIST, "The client sent no usable I/O list for the file");
    }
  }
  Wty_fcb* f = Fcb_alloc<Wty_fcb>();
  Fcb_set_buffer(f, size);
  f->kind = FK_THIN_CLIENT;
  f->handle = handle;
  f->conn = conn;
  if (Server* s = server_of(conn)) ++s->uses;
  if (st.Io_opts & (IO_EXCLUSIVE | IO_PURGE)) f->st1 |= ST1_LOCKED;
  f->st1 |= ST1_WRITTEN;
  io.area().Cur_fcb = f;  // the record is the channel's once the area is back
  if (minor == '^') {
    // The channel's own list at once; the statement's option is done with.
    Iol_set_slot(f, 0, reinterpret_cast<const uint8_t*>(list.data()), list.size());
    io.area().Io_iol_len = 0;
    io.area().Io_iol_ptr = nullptr;
  } else if (minor == 'o') {
    // The file's own list: OPEN makes it the channel's as for any file.
    Iol_set_slot(f, 1, reinterpret_cast<const uint8_t*>(list.data()), list.size());
  }
  return 0;
}

int64_t Wty_close() {
  Wty_fcb* f = cur();
  if (!(f->wflags & WTY_BUSY)) {
    // A client that is gone cannot refuse a close: the record goes anyway.
    try {
      Catch_region region;
      true_flush(f);
      Wtty_iop_guard io;
      Wtty_init_wty(f, 'F', 'C');
      Wtty_int(f->handle);
      Wtty_xmit(0);
    } catch (const Oru_error&) {
    }
  }
  if (Server* s = server_of(f->conn)) --s->uses;
  f->conn = nullptr;
  f->handle = 0;
  return 0;
}

int64_t Wty_write() {
  Wty_fcb* f = cur();
  int32_t n = f->buf_count > f->high_water ? f->buf_count : f->high_water;
  f->buf_count = f->high_water = 0;
  Busy busy(f);
  Wtty_iop_guard io;
  Wtty_init_wty(f, 'F', 'W');
  option_group(f, io.area(), io.area().Dom_line ? 'D' : ' ');
  Wtty_str(f->out_buf, n);
  Wtty_xmit(1);
  check_status();
  return 0;
}

int64_t Wty_read() {
  Wty_fcb* f = cur();
  Busy busy(f);
  Wtty_iop_guard io;
  uint8_t stmt = io.area().Io_stmt;
  Wtty_init_wty(f, 'F', 'R');
  option_group(f, io.area(), stmt == code::D_EXTRACT ? 'E' : stmt == code::D_FIND ? 'F' : ' ');
  Wtty_int(io.area().Io_kno);
  Wtty_xmit(1);
  check_status();
  f->st1 |= ST1_READ;
  return 0;
}

int64_t Wty_remove() {
  Wty_fcb* f = cur();
  Busy busy(f);
  Wtty_iop_guard io;
  Wtty_init_wty(f, 'F', '-');
  option_group(f, io.area(), ' ');
  Wtty_xmit(1);
  check_status();
  return 0;
}

int64_t Wtty_keyinf(char letter) {
  Wty_fcb* f = cur();
  Busy busy(f);
  Wtty_iop_guard io;
  Wtty_init_wty(f, 'F', 'K');
  option_group(f, io.area(), letter);
  Wtty_int(io.area().Io_kno);
  Wtty_xmit(1);
  check_status();
  if (letter == 'I' || letter == 'R') {
    if (ws.Str_len < 4) Rpt_error_text(err::CONNECTION_LOST, "The client's answer holds no number");
    int32_t v = int32_t(get_u32be(ws.Str_ptr));
    ws.Num_acc = Num_val{};
    ws.Num_acc.mant = v;
    ws.Str_len = -1;
  }
  return 0;
}

// LOCK and UNLOCK of a client channel ('F' 'L', 'F' 'U'): the client
// takes or gives up the file; its reply carries nothing the host reads.
void wty_hold_whole(Fcb* fcb, bool on) {
  Wty_fcb* f = static_cast<Wty_fcb*>(fcb);
  Busy busy(f);
  Wtty_iop_guard io;
  Wtty_init_wty(f, 'F', on ? 'L' : 'U');
  Wtty_int(f->handle);
  Wtty_xmit(1);
}

int64_t Wty_getind() { return Wtty_keyinf('I'); }
int64_t Wty_getkec() { return Wtty_keyinf('C'); }
int64_t Wty_getkey() { return Wtty_keyinf(' '); }
int64_t Wty_getkep() { return Wtty_keyinf('P'); }
int64_t Wty_getkef() { return Wtty_keyinf('F'); }
int64_t Wty_getkel() { return Wtty_keyinf('L'); }
int64_t Wty_getken() { return Wtty_keyinf('N'); }
int64_t Wty_setind() { return 0; }
int64_t Wty_setkey() { return 0; }

int64_t Wty_flush() {
  if (ws.Io_stmt == code::D_WRITE) return Io_rsz_err();
  true_flush(cur());
  return 0;
}

// The outgoing message is kept across a nested operation.
int64_t Wty_save() {
  Tc_message_save();
  return 0;
}
int64_t Wty_restore() {
  Tc_message_restore();
  return 0;
}

const Fio_op Wty_fotbl[FIO_SLOTS] = {
    Io_mode_err, Wty_open,   Wty_close,  Wty_write,   Wty_read,    Wty_remove,  Wty_setind,
    Wty_getind,  Wty_setkey, Wty_getkec, Wty_getkey,  Wty_getkep,  Wty_flush,   Io_wr_mode,
    Io_mode_err, Wty_getkef, Wty_getkel, Wty_getken,  Wty_save,    Wty_restore,
};

// Opens path on a free hidden channel number.
Fcb* open_hidden(const std::string& path, int32_t size) {
  Io_save_guard io;
  uint16_t ch = SERVER_CHANNEL_BASE;
  while (Find_fp(ch)) ++ch;
  return Open_internal(ch, path, 0, {}, size);
}

void close_server(Server* s) {
  Fcb* f = s->ch;
  Io_save_guard io;
  ws.Cur_fcb = f;
  Link_fp();
  CloseFile(f);
}

}  // namespace

void Wty_register() {
  Fio_register(FK_THIN_CLIENT, Wty_fotbl);
  Register_whole_lock(FK_THIN_CLIENT, wty_hold_whole);
}

int64_t Wty_getrno() { return Wtty_keyinf('R'); }

void Wtty_mnem(Fcb* client, uint16_t code, const uint8_t* def, int32_t len) {
  Wty_fcb* f = static_cast<Wty_fcb*>(client);
  Busy busy(f);
  Wtty_iop_guard io;
  Wtty_init_wty(f, 'F', 'M');
  Wtty_int(f->handle);
  Wtty_int(code);
  Wtty_str(def, len);
  Wtty_xmit(1);
}

void Wtty_defctl(Fcb* client, const std::string& key, bool remove, int32_t value) {
  Wty_fcb* f = static_cast<Wty_fcb*>(client);
  Busy busy(f);
  Wtty_iop_guard io;
  Wtty_init_wty(f, 'F', 'd');
  Wtty_int(f->handle);
  Wtty_str(key);
  Wtty_chr(remove ? '-' : '+');
  Wtty_int(value);
  Wtty_xmit(0);
}

void WttySaveImage(Fcb* client, const std::string& name) {
  if (client && client->kind == FK_THIN_CLIENT) {
    Wty_fcb* f = static_cast<Wty_fcb*>(client);
    true_flush(f);  // the picture holds what was printed before it
    Busy busy(f);
    Wtty_iop_guard io;
    Wtty_init_wty(f, 'F', 'S');
    Wtty_int(f->handle);
    Wtty_str(name);
    Wtty_xmit(0);
    return;
  }
  Wtty_iop_guard io;
  Wtty_init('F', 'S');
  Wtty_int(0);  // the console's own screen
  Wtty_str(name);
  Wtty_xmit(0);
}

void WttyFib(Fcb* client, char letter, const std::string* item) {
  Wty_fcb* f = static_cast<Wty_fcb*>(client);
  Busy busy(f);
  Wtty_iop_guard io;
  Wtty_init_wty(f, 'f', letter);
  Wtty_int(f->handle);
  if (item) Wtty_str(*item);
  Wtty_xmit(1);
}

void Wty_learn_size(Fcb* f) {
  if (f->kind != FK_THIN_CLIENT || (f->cols > 0 && f->lines > 0)) return;
  int32_t cols = 0, lines = 0;
  Wtty_XYsz(f, &cols, &lines);
  auto fit = [](int32_t n) { return n - 1 < 1 ? 1 : n - 1 > 255 ? 255 : n - 1; };
  f->cols = f->width = fit(cols);
  f->lines = fit(lines);
}

void Wtty_XYsz(Fcb* client, int32_t* cols, int32_t* lines) {
  WttyFib(client, '@', nullptr);
  if (ws.Str_len < 8) Rpt_error_text(err::CONNECTION_LOST, "The client's answer to a size request is too short");
  *cols = int16_t(get_u16be(ws.Str_ptr + 4));
  *lines = int16_t(get_u16be(ws.Str_ptr + 6));
  if (*cols < 0 || *lines < 0) Rpt_error_text(err::CONNECTION_LOST, "The client sent a negative channel size");
}

bool WttyCheck(std::string& name, int major, int minor) {
  if (name.size() < 5) return false;
  if (name.size() > 5 && name[0] == '[') Kest_ChkLclPfx(name);
  if (Tc_attached() && Starts_ci(name, "[vrl]")) {
    name.erase(0, 5);
    Wtty_init(major, minor);
    return true;
  }
  if (Starts_ci(name, "[rpc:") && servers) {
    size_t end = name.find(']', 5);
    if (end == std::string::npos || end == 5 || end - 5 > 12) Rpt_error(err::BAD_SERVER_NAME);
    Server* s = find_server(name.substr(5, end - 5));
    if (!s) Rpt_error(err::BAD_SERVER_NAME);
    Wtty_init(major, minor);
    name.erase(0, end + 1);
    make_current(s->ch);
    return true;
  }
  return false;
}

void Tc_channel_pre_request(Fcb* client) {
  if (client && client->kind == FK_THIN_CLIENT && (client->buf_count > 0 || client->high_water > 0))
    send_pending(static_cast<Wty_fcb*>(client));
}

void Tc_channel_route(Fcb* client) {
  if (!client || client->kind != FK_THIN_CLIENT) return;
  if (Fcb* c = static_cast<Wty_fcb*>(client)->conn) make_current(c);
}

Fcb* Tc_find_server(const std::string& name) {
  Server* s = find_server(name);
  return s ? s->ch : nullptr;
}

// PROCESS "name"="[tcp]host;port"[,size] and PROCESS "name"=DELETE; the
// cursor is past the '='.
void DefineServer(const std::string& name) {
  ws.Stmt_save = ws.Exec_ptr;
  Err_scan();  // ERR= takes every error below
  if (name.empty() || name.size() > 12) Rpt_error(err::BAD_FILE_NAME);
  Server* s = find_server(name);
  if (*ws.Exec_ptr == code::D_DELETE) {
    ws.Exec_ptr++;
    if (*ws.Exec_ptr == code::COMMA) {
      ws.Exec_ptr++;
      Chk_err();
    }
    if (!s) Rpt_error(err::FILE_NOT_FOUND);
    if (s->uses > 0) {
      ws.Io_rty = 0;
      Rpt_error_text(err::RECORD_BUSY, "The program server still has client channels open");
    }
    for (Server** p = &servers; *p; p = &(*p)->next)
      if (*p == s) {
        *p = s->next;
        break;
      }
    close_server(s);
    delete s;
    return;
  }
  if (s) Rpt_error(err::MISSING_RECORD);
  Eval_str();
  std::string path(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
  int32_t size = 0;
  if (*ws.Exec_ptr == code::COMMA && ws.Exec_ptr[1] != code::IOPT_FIRST + 4) {
    ws.Exec_ptr++;
    size = Eval_integer();
    if (size < 128 || size > 32000) Rpt_error(err::OUT_OF_RANGE);
  }
  if (*ws.Exec_ptr == code::COMMA) {
    ws.Exec_ptr++;
    Chk_err();
  }
  Fcb* f = open_hidden(path, size);
  if (f->kind != FK_TCP && f->kind != 20) {
    CloseFile(f);
    Rpt_error(err::WRONG_MODE);
  }
  {
    Io_save_guard io;
    ws.Cur_fcb = f;
    Unlink_fp();
  }
  s = new Server{servers, f, {}, 0};
  pad12(s->name, name);
  servers = s;
}

void Clr_PrgSrvrs() {
  while (Server* s = servers) {
    servers = s->next;
    try {
      close_server(s);
    } catch (const Oru_error&) {
    }
    delete s;
  }
}

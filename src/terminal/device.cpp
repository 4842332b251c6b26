// Device channels (kind 0), the auxiliary printer (kind 7), the console's
// record (channel 0), terminal-driver programs and DEFTTY.
//
// The console record is static (it lives as long as the process) and is a
// Dev_fcb on descriptor 1.  When standard output is a terminal, start-up
// runs the terminal-driver program chosen by TERM, which makes the console
// a terminal screen: from then on every byte for the console, whether a
// PRINT or the console's own messages (Con_write), goes through the
// console channel's buffer and screen image.  When standard output is not
// a terminal the console stays a plain device: text goes out as it stands.
// When standard input is a terminal too, the line is put in raw mode and
// every console read goes through the line editor.
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "channels/close.h"
#include "channels/console_channel.h"
#include "core/console_device.h"
#include "channels/print.h"
#include "channels/record_locks.h"
#include "core/codes.h"
#include "core/compiler.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/executor.h"
#include "core/host.h"
#include "core/lexicon.h"
#include "core/memory.h"
#include "core/messages.h"
#include "core/params.h"
#include "core/process_config.h"
#include "core/nested_run.h"
#include "core/workspace.h"
#include "terminal/command_window.h"
#include "terminal/cursor_report.h"
#include "terminal/tc_frame.h"
#include "terminal/tc_session.h"
#include "terminal/terminal.h"
#include "terminal/program_calls.h"

namespace {

constexpr int32_t DEV_BUF_DEFAULT = 512;
constexpr int32_t APR_BUF_DEFAULT = 256;
constexpr int32_t CON_BUF_SIZE = 8192;
constexpr size_t DRIVER_NAME_MAX = 64;

Dev_fcb con_record;
uint8_t con_buffer[CON_BUF_SIZE];
std::string line_in;       // the last plain line read
bool console_raw = false;  // the console reads raw keys through the editor
volatile sig_atomic_t winch_seen = 0;

// ---- kind 0 ----

int64_t Dev_open() {
  Dev_fcb* d = Fcb_alloc<Dev_fcb>();
  int32_t size = ws.Io_siz > 0 ? ws.Io_siz : DEV_BUF_DEFAULT;
  Fcb_set_buffer(d, size);
  d->fd = ws.Cur_fd;
  d->kind = FK_DEVICE;
  d->mode = 1;
  d->cur_sent = 0xff;
  d->attr = ATTR_FRESH;
  d->st1 |= ST1_WRITTEN;  // a device has no write mode to enter
  std::memset(d->term_id, ' ', sizeof d->term_id);
  if (d->fd >= 0 && isatty(d->fd)) d->st2 |= ST2_IS_TTY;
  ws.Cur_fcb = d;
  return 0;
}

int64_t Dev_flush() {
  Fcb* f = ws.Cur_fcb;
  if (f->high_water > f->buf_count) {
    f->column += f->high_water - f->buf_count;
    f->buf_count = f->high_water;
  }
  f->high_water = 0;
  if (f->channel != 0) {
    if (f->st1 & ST1_UNCOMMITTED) Do_commit();
  }
  if (f->buf_count == 0 || (f->st2 & ST2_DISCARD)) {
    f->buf_count = 0;
    return 0;
  }
  int32_t n = f->buf_count;
  f->buf_count = 0;
  if (f->st2 & ST2_THIN_CLIENT) {
    if (f == ws.Con_fcb) {
      Tc_console_output(f->out_buf, n);
      return 0;
    }
    // A device driven in the thin client's form (DEFTTY F on a channel of
    // its own): a single printable byte goes raw, anything else as one
    // frame 0xD0 ' ' (no reply) on the channel's own descriptor.
    if (n == 1 && f->out_buf[0] >= 32 && f->out_buf[0] <= 126) {
      Dev_write_all(f->fd, f->out_buf, 1, (f->st2 & ST2_CLOSING) != 0);
      return 0;
    }
    std::vector<uint8_t> frame = Tc_frame(0xD0, ' ', f->out_buf, uint32_t(n), false);
    Dev_write_all(f->fd, frame.data(), frame.size(), (f->st2 & ST2_CLOSING) != 0);
    return 0;
  }
  if (f == ws.Con_fcb && !Is_screen(f)) {
    // The plain console: records go out as they stand, through the
    // console device that keeps the output column.
    Con_write(f->out_buf, size_t(n));
    return 0;
  }
  if (f == ws.Con_fcb) {
    Con_flush_plain();
    if (Con_out_fd() < 0) {
      Con_send(f->out_buf, size_t(n));  // a connection reports its own failures
      return 0;
    }
  }
  int fd = f == ws.Con_fcb ? Con_out_fd() : f->fd;
  Dev_write_all(fd, f->out_buf, size_t(n), (f->st2 & ST2_CLOSING) != 0);
  return 0;
}

int64_t Dev_write() { return Dev_flush(); }

void free_ctl_defs(Ctl_def*& head) {
  while (head) {
    Ctl_def* n = head->next;
    Ret_blk(head);
    head = n;
  }
}

int64_t Dev_close() {
  Fcb* f = ws.Cur_fcb;
  Dev_fcb* d = Dev(f);
  f->st2 |= ST2_CLOSING;
  try {
    Dev_flush();
  } catch (const Oru_error&) {
  }
  free_ctl_defs(d->ctl_defs);
  while (d->mouse) {
    Mouse_region* n = d->mouse->next;
    Ret_blk(d->mouse);
    d->mouse = n;
  }
  while (d->preinput) {
    Prei_entry* n = d->preinput->next;
    Ret_blk(d->preinput);
    d->preinput = n;
  }
  return 0;
}

// One plain line from standard input (the console when keys are not raw).
int64_t plain_console_read() {
  if (!Con_read_line(line_in)) Io_end_err();
  // On a thin-client console an event of a client object may end the line:
  // the input ends with what was typed and the event's CTL value.
  if (ws.Con_fcb && (ws.Con_fcb->st2 & ST2_THIN_CLIENT)) {
    int32_t ctl = 0;
    ws.Ctl_value = Tc_take_line_event(&ctl) ? ctl : 0;
  }
  line_in.push_back('\n');
  ws.Cur_fcb->st1 |= ST1_READ;
  ws.Str_ptr = reinterpret_cast<uint8_t*>(line_in.data());
  ws.Str_len = int32_t(line_in.size());
  return 0;
}

int64_t Dev_read() {
  Fcb* f = ws.Cur_fcb;
  f->event_flags &= ~uint16_t(CHEV_DATA_RAISED);  // DataAvailable may come again
  // A read-back answers from the screen image however the keys come.
  if (f == ws.Con_fcb && !console_raw && !(Is_screen(f) && (f->in_status & IN_READBACK))) {
    if (Preinput_answer()) return 0;
    return plain_console_read();
  }
  Dev_tru_read();
  return 0;
}

int64_t Dev_setind() { return 0; }

int64_t Dev_getind() {
  ws.Num_acc = Num_val{};
  ws.Num_acc.mant = ws.Cur_fcb->rec_index;
  ws.Str_len = -1;
  return 0;
}

int64_t Dev_save() {
  Dev_save_state();
  return 0;
}
int64_t Dev_restore() {
  Dev_restore_state();
  return 0;
}

const Fio_op Dev_fotbl[FIO_SLOTS] = {
    Io_mode_err, Dev_open,    Dev_close,   Dev_write,   Dev_read,    Io_mode_err, Dev_setind,
    Dev_getind,  Io_mode_err, Io_mode_err, Io_mode_err, Io_mode_err, Dev_flush,   Io_wr_mode,
    Io_wr_mode,  Io_mode_err, Io_mode_err, Io_mode_err, Dev_save,    Dev_restore,
};

// ---- kind 7: a printer on the user's terminal ----

int64_t Apr_open() {
  Fcb* f = Fcb_alloc<Fcb>();
  Fcb_set_buffer(f, ws.Io_siz > 0 ? ws.Io_siz : APR_BUF_DEFAULT);
  f->fd = ws.Cur_fd;
  f->kind = FK_AUX_PRINTER;
  f->st1 |= ST1_WRITTEN;
  std::memset(f->term_id, ' ', sizeof f->term_id);
  ws.Cur_fcb = f;
  return 0;
}

// The buffer goes out wrapped in the 'PS' and 'PE' definitions, all in one
// host write, so that the terminal never sees part of a print job.
int64_t Apr_flush() {
  Fcb* f = ws.Cur_fcb;
  if (f->high_water > f->buf_count) f->buf_count = f->high_water;
  f->high_water = 0;
  if (f->buf_count == 0) return 0;
  std::vector<uint8_t> out;
  MnemDef* ps = Find_mnem(Mnem_code('P', 'S'));
  MnemDef* pe = Find_mnem(Mnem_code('P', 'E'));
  if (ps) out.insert(out.end(), ps->bytes, ps->bytes + ps->len);
  out.insert(out.end(), f->out_buf, f->out_buf + f->buf_count);
  if (pe) out.insert(out.end(), pe->bytes, pe->bytes + pe->len);
  f->buf_count = 0;
  ssize_t w;
  do {
    w = ::write(f->fd, out.data(), out.size());
  } while (w < 0 && errno == EINTR);
  // A print job that did not go out whole, for whatever reason, is the
  // printer's write failure.
  if (w < 0 || size_t(w) < out.size()) Rpt_error(err::WRITE_FAILED);
  return 0;
}

int64_t Apr_write() { return Apr_flush(); }

int64_t Apr_close() {
  try {
    Apr_flush();
  } catch (const Oru_error&) {
  }
  return 0;
}

const Fio_op Apr_fotbl[FIO_SLOTS] = {
    Io_mode_err, Apr_open,    Apr_close,   Apr_write,   Io_mode_err, Io_mode_err, Io_mode_err,
    Io_mode_err, Io_mode_err, Io_mode_err, Io_mode_err, Io_mode_err, Apr_flush,   Io_wr_mode,
    Io_wr_mode,  Io_mode_err, Io_mode_err, Io_mode_err, Io_do_nothing, Io_do_nothing,
};

// ---- the console as a terminal ----

void term_write(const void* p, size_t n) {
  Console_current cc;
  const uint8_t* s = static_cast<const uint8_t*>(p);
  // The console's messages use bare line feeds: each is a new line.
  Prt_bytes(s, int32_t(n));
}

void term_flush() {
  Console_current cc;
  Prt_flush();
}

int term_column() { return ws.Con_fcb ? ws.Con_fcb->column : 0; }

bool term_read_line(std::string& line) { return Term_read_line(line); }

int term_lines() { return ws.Con_fcb ? ws.Con_fcb->lines : 0; }

const Con_terminal console_terminal = {term_write, term_flush, term_column, term_read_line, Term_read_key,
                                       term_lines};
// Standard input is not a terminal: lines are read plainly.
const Con_terminal console_screen_only = {term_write, term_flush, term_column, nullptr, nullptr, term_lines};
// A thin client attached: keyboard lines come from the client.  Over a
// terminal line (raw keys) the console's line is read as INPUT reads one,
// by the line editor, which echoes and edits it; over a pipe the client's
// lines come whole.
bool thin_read_line(std::string& line) {
  if (console_raw && ws.Con_fcb && Is_screen(ws.Con_fcb)) return Term_read_line(line);
  return Tc_read_line(line);
}

const Con_terminal console_thin = {term_write, term_flush, term_column, thin_read_line, nullptr, term_lines};

void on_winch(int) { winch_seen = 1; }

bool window_size(int fd, int32_t& cols, int32_t& lines) {
  struct winsize wsz {};
  if (ioctl(fd, TIOCGWINSZ, &wsz) != 0 || wsz.ws_col == 0 || wsz.ws_row == 0) return false;
  cols = wsz.ws_col > 255 ? 255 : wsz.ws_col;
  lines = wsz.ws_row > 255 ? 255 : wsz.ws_row;
  return true;
}

// The library file of a driver program name "*dev/id".
std::string driver_path(const std::string& id) { return Lib_dir_path() + "/_dev/" + id; }

bool driver_exists(const std::string& id) {
  struct stat st {};
  return !id.empty() && stat(driver_path(id).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The terminal type of the console: TERM lower-cased.  A type that could
// name anything but a file of the driver folder is kept as it is and finds
// no driver.
std::string terminal_type() {
  const char* t = std::getenv("TERM");
  if (!t || !*t) return "";
  std::string s(t);
  for (char& c : s) c = char(std::tolower(uint8_t(c)));
  return s;
}

bool plain_type_name(const std::string& s) {
  if (s.empty() || s.size() > DRIVER_NAME_MAX || s[0] == '.') return false;
  for (char c : s)
    if (!std::isalnum(uint8_t(c)) && c != '-' && c != '_' && c != '.' && c != '+') return false;
  return true;
}

}  // namespace

void Dev_write_all(int fd, const uint8_t* p, size_t n, bool closing, void (*on_failure)()) {
  bool console = fd >= 0 && fd == Con_out_fd();
  if (console && (Con_lost() || Con_output_dropped())) return;  // nobody reads this
  while (n > 0) {
    if (console && !Con_may_write(fd)) return;
    ssize_t w = ::write(fd, p, n);
    if (w < 0) {
      if (errno == EINTR) {
        if (console && Con_write_interrupted()) return;  // a hang-up ended the wait
        continue;
      }
      int e = errno;
      if (console && e != EAGAIN && e != EWOULDBLOCK) Con_output_failed();
      errno = e;
      if (closing) return;
      if (on_failure) on_failure();
      Sys_error();
    }
    if (w == 0) {
      if (closing) return;
      ws.Io_rty = 0;
      Rpt_error(err::RECORD_BUSY);
    }
    p += w;
    n -= size_t(w);
  }
}

// Runs the driver program "*dev/<id>" on the current channel: a CALL of
// the library program, run to completion in a nested execution.  A program
// that cannot be loaded is its error; an error the program does not handle
// comes back from it.
void Run_driver_program(const std::string& id) {
  // The driver is a file of the library's driver folder itself.
  if (id.empty() || id[0] == '.' || id.find('/') != std::string::npos)
    Rpt_error_text(err::BAD_FILE_NAME, "a terminal driver id is a plain name");
  std::string name = "*dev/" + id;
  uint8_t* p = Work_take(name.size());
  std::memcpy(p, name.data(), name.size());
  ws.Str_ptr = p;
  ws.Str_len = int32_t(name.size());
  bool started = false;
  int rc = Term_call_nested(&started);
  if (!started) {
    if (rc == 12) Rpt_error_text(err::FILE_NOT_FOUND, "no driver program \"*dev/" + id + "\"");
    Rpt_error(rc);
  }
  if (rc >= 0) Rpt_error(rc);
}

void Dev_init(const char* id) {
  // The driver's file carries the whole terminal type (xterm-256color is
  // longer than the 12 bytes a channel keeps of it).
  char name[DRIVER_NAME_MAX + 1];
  size_t n = 0;
  while (n < DRIVER_NAME_MAX && id[n] && id[n] != ' ') {
    name[n] = id[n];
    ++n;
  }
  name[n] = 0;
  Fcb* f = ws.Cur_fcb;
  int failed = 0;
  {
    // The driver program finds its channel as LFO, which is lent to it.
    Nested_run_guard<NESTED_IO | NESTED_WORK> saved;
    struct Lfo_lent {
      uint16_t lfo = ws.Lfo_chan;
      ~Lfo_lent() { ws.Lfo_chan = lfo; }
    } lent;
    ws.Lfo_chan = ws.Cur_chan;
    ws.Cur_stno = 0;
    try {
      Run_driver_program(name);
    } catch (const Oru_error& e) {
      failed = e.no ? e.no : 100;
    }
  }
  if (failed) {
    ws.Call_err = 100;
    if (f != ws.Con_fcb) {
      CloseFile(f);
      ws.Cur_fcb = nullptr;
    }
    Rpt_error_text(err::DRIVER_FAILED, std::string("the terminal driver \"*dev/") + name + "\" failed (error " +
                            std::to_string(failed) + ")");
  }
}

void Terminal_close() {
  Fcb* f = ws.Cur_fcb;
  if (!f || f->kind != FK_DEVICE) return;
  Dev_fcb* d = Dev(f);
  if (f == ws.Con_fcb) Cmd_window_free();  // before its window stack goes
  Window_free(d);
  for (auto& s : d->saved_screens) {
    if (s.count > 0 && s.buf) Ret_blk(s.buf);
    s.count = 0;
    s.buf = nullptr;
  }
  f->st1 &= uint16_t(~ST1_TERM_SCREEN);
}

// DEFTTY (channel)columns,lines
static void d_dtty_body() {
  bool thin = Take_f_form();
  Io_SetOptions(0);
  Fcb* f = ws.Cur_fcb;
  if (!f || f->kind != FK_DEVICE) Rpt_error(err::WRONG_MODE);
  // A process in the background (standard output not a terminal) keeps
  // its own output on descriptor 1: no client is reached there.
  if (thin && f == ws.Con_fcb && Con_out_fd() == 1 && !Console_is_terminal()) thin = false;
  Need_operand();
  int32_t cols = Eval_integer();
  if (cols < 1 || cols > 255) Rpt_error(err::OUT_OF_RANGE);
  if (*ws.Exec_ptr != code::COMMA) Rpt_error(err::SYNTAX);
  ws.Exec_ptr++;
  Need_operand();
  int32_t lines = Eval_integer();
  if (lines < 1 || lines > 255) Rpt_error(err::OUT_OF_RANGE);
  if (*ws.Exec_ptr != code::END_SCAN && !(Cde_tbl[*ws.Exec_ptr] & CC_STMT_END) && !At_err_tail())
    Rpt_error(err::SYNTAX);
  if (Is_screen(f)) Terminal_close();
  // The client's console declared again in the client's form keeps its
  // session: the connection's first requests are not made again.
  bool again = thin && f == ws.Con_fcb && (f->st2 & ST2_THIN_CLIENT);
  if ((f->st2 & ST2_THIN_CLIENT) && !again) {
    if (f == ws.Con_fcb) Tc_detach_console();
    else f->st2 &= uint16_t(~ST2_THIN_CLIENT);
  }
  Dev_fcb* d = Dev(f);
  f->st1 |= ST1_TERM_SCREEN;
  f->cols = cols;
  f->lines = lines;
  f->attr = ATTR_FRESH;
  d->mode = 1;
  d->cur_sent = 0xff;
  Window_add_full(d, cols, lines);
  f->column = 0;
  f->line = 0;
  f->attr = 0;
  if (again) {
    Tc_reattach_console();
  } else if (thin && f == ws.Con_fcb) {
    Tc_attach_console();
    Con_set_terminal(&console_thin);
  } else if (thin) {
    // Another device in the client's form: mnemonics and positions go as
    // the client reads them, its output in frames on its own descriptor.
    f->st2 |= ST2_THIN_CLIENT;
    std::memcpy(f->term_id, "winterm     ", sizeof f->term_id);
  }
  Prt_mnem(Mnem_code('R', 'M'));
  // The screen starts where the terminal's cursor stands, not at its top.
  if (f == ws.Con_fcb) Console_sync_cursor();
}
void d_dtty() {
  Err_tail_run([] { As_token_form(d_dtty_body); });
}

void Term_check_resize() {
  if (!winch_seen) return;
  winch_seen = 0;
  Fcb* f = ws.Con_fcb;
  if (!f || !Is_screen(f) || Thin_console(f)) return;  // the client's screen is not the terminal's
  int32_t cols, lines;
  if (Con_out_fd() < 0 || !window_size(Con_out_fd(), cols, lines)) return;
  if (cols == f->cols && lines == f->lines) return;
  Dev_fcb* d = Dev(f);
  // The windows do not survive a new screen size; window 0's definitions
  // (the driver's keys among them) do.
  Window_rec* w0 = &d->win;
  while (w0->number != 0 && w0->saved) w0 = w0->saved;
  uint32_t def_attr = w0->def_attr;
  Key_rec* keys = w0->keys;
  Ctl_def* ctl = w0->ctl_defs;
  Mouse_region* mouse = w0->mouse;
  w0->keys = nullptr;
  w0->ctl_defs = nullptr;
  w0->mouse = nullptr;
  Window_add_full(d, cols, lines);
  d->win.def_attr = def_attr;
  d->win.keys = keys;
  d->win.ctl_defs = ctl;
  d->win.mouse = mouse;
  f->cols = cols;
  f->lines = lines;
  if (f->column >= cols) f->column = cols - 1;
  if (f->line >= lines) f->line = lines - 1;
  f->column = -1;  // unknown: the next position is sent in full
  // The terminal moved its lines (and the cursor with them) to fit the new
  // size as it saw fit: its report tells where the cursor went.
  Console_sync_cursor();
}

// ---- registration and the console record ----

void Console_register() {
  Fio_register(FK_DEVICE, Dev_fotbl);
  Fio_register(FK_CONSOLE_ALIAS, Dev_fotbl);
  Fio_register(FK_AUX_PRINTER, Apr_fotbl);
}

void Console_open() {
  if (ws.Con_fcb) return;
  Dev_fcb* f = &con_record;
  *f = Dev_fcb{};
  f->dup_to = f->dup_from = -1;
  f->channel = 0;
  f->fd = 0;
  f->kind = FK_DEVICE;
  f->separator = '\n';
  f->mode = 1;
  f->cur_sent = 0xff;
  f->attr = ATTR_FRESH;
  f->st1 |= ST1_WRITTEN;
  // The name field is the terminal id, which FID(0) gives.
  std::memset(f->short_name, ' ', sizeof f->short_name);
  std::memcpy(f->short_name, Console_fid.data(), std::min(Console_fid.size(), sizeof f->short_name));
  std::memset(f->driver_id, ' ', sizeof f->driver_id);
  std::memset(f->term_id, ' ', sizeof f->term_id);
  f->out_buf = con_buffer;
  f->buf_size = CON_BUF_SIZE;
  if (isatty(1)) f->st2 |= ST2_IS_TTY;
  ws.Con_fcb = f;
  Fcb* saved = ws.Cur_fcb;
  uint16_t saved_chan = ws.Cur_chan;
  ws.Cur_fcb = f;
  ws.Cur_chan = 0;
  Link_fp();
  // A channel that was current stays current, whole: only its record and
  // number were borrowed for the link.
  if (saved) {
    ws.Cur_fcb = saved;
    ws.Cur_chan = saved_chan;
  } else {
    Select_channel(f);
  }
}

bool Console_is_terminal() { return isatty(1) == 1; }

void Term_prompt_attr() {
  Fcb* f = ws.Con_fcb;
  if (!f || !Is_screen(f)) return;
  uint32_t def = Dev(f)->win.def_attr;
  if (f->attr == def) return;
  Console_current cc;
  Set_attr(def);
}
bool Console_raw_keys() { return console_raw; }

void Console_release_line() {
  Con_flush();
  if (Line_configured()) Reset_line();
  console_raw = false;
}

void Console_take_line() {
  Fcb* f = ws.Con_fcb;
  if (!f || !Is_screen(f)) {
    Con_set_terminal(nullptr);
    return;
  }
  int in = Con_in_fd();
  if (in >= 0 && isatty(in)) {
    Config_line();
    console_raw = Line_configured();
  }
  Con_set_terminal(console_raw ? &console_terminal : &console_screen_only);
}

int Console_start_terminal() {
  Fcb* f = ws.Con_fcb;
  if (!f || !Console_is_terminal() || !Lex_loaded()) return 0;
  if (Is_screen(f)) return 0;  // a restart keeps the running terminal
  // The console's terminal id, when one was given (ID=, ORUFID0), names
  // its driver, and an id with no driver ends start-up (error 100); without
  // one TERM chooses.
  std::string given = Console_fid_given ? Console_fid.substr(0, Console_fid.find(' ')) : "";
  std::string type = terminal_type();
  std::string id = type;
  std::string warning;
  if (!given.empty()) {
    if (!plain_type_name(given) || !driver_exists(given)) return 100;
    id = given;
  } else if (type.empty()) {
    id = "dumb";
  } else if (!plain_type_name(type) || !driver_exists(type)) {
    warning = "Terminal type \"" + type + "\" has no driver \"*dev/" + type + "\": using \"dumb\"";
    id = "dumb";
  }
  int rc = 0;
  {
    // The driver runs with the console's record current.
    Io_save_guard keep;
    Select_channel(f);
    try {
      Dev_init(id.c_str());
    } catch (const Oru_error&) {
      rc = 100;
    }
    if (rc != 0 && given.empty() && id != "dumb") {
      warning = "The driver \"*dev/" + id + "\" failed: using \"dumb\"";
      rc = 0;
      try {
        Dev_init("dumb");
      } catch (const Oru_error&) {
        rc = 100;
      }
    }
  }
  // A driver that failed at start-up is reported below, not through the
  // text of the user's first error.
  Set_ext_error("");
  ws.Err_flags &= ~2u;
  ws.Err_code = 0;
  if (rc != 0 || !Is_screen(f)) return 100;
  std::string tid = id;
  tid.resize(12, ' ');
  std::memcpy(f->term_id, tid.data(), 12);
  // The driver declared its terminal type's size; the console's terminal
  // tells its own, which is taken as a change of size would be.
  winch_seen = 1;
  Term_check_resize();
  struct sigaction sa {};
  sa.sa_handler = on_winch;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGWINCH, &sa, nullptr);
  if (isatty(0)) {
    Config_line();
    console_raw = Line_configured();
  }
  Con_set_terminal(console_raw ? &console_terminal : &console_screen_only);
  // The greeting (or the shell) left the cursor where the screen starts.
  Console_sync_cursor();
  if (!warning.empty()) {
    Con_puts(warning.c_str());
    Con_newline();
  }
  return 0;
}

void Console_close() {
  Fcb* f = ws.Con_fcb;
  if (!f) return;
  if (Is_screen(f)) {
    // Leave the terminal as the user had it: plain attributes, a visible
    // cursor, wrap on.
    try {
      Console_current cc;
      Set_attr(Dev(f)->win.def_attr);
      Set_mode(1);
      Prt_flush();
    } catch (const Oru_error&) {
    }
    Con_set_terminal(nullptr);
    ws.Cur_fcb = f;
    Term_release(f);
    Dev(f)->fl_kind = 0;
    f->out_hook = nullptr;
    console_raw = false;
  }
  Fcb* saved = ws.Cur_fcb;
  ws.Cur_fcb = f;
  Unlink_fp();
  ws.Cur_fcb = saved == f ? nullptr : saved;
  FreePath(f->path);
  f->path = nullptr;
  ws.Con_fcb = nullptr;
  line_in.clear();
  line_in.shrink_to_fit();
}

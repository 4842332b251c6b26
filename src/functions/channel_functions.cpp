// Channel and file information functions: the key and record functions that
// ask a channel's driver (KEY( KEF( KEL( KEN( KEC( KEP( IND( RCD( RNO(),
// the information records FIB( FID( FIN(, and OPT( SEP( FFN( I86(.
//
// File-information record (FIB(, FIN( without an item, FID( with FF 0), 212
// bytes, zero-filled:
//   0-2    record count, 24-bit big-endian
//   3-8    key information: key size (u16 BE), highest key, current key,
//          2 zero bytes
//   9      kind letter (below)
//   10     0
//   11-13  current record index, 24-bit big-endian
//   14-15  record size, big-endian
//   16-17  0
//   18     file-type letter (below)
//   19     status word 1, low byte
//   20-22  the file length, lowest byte first (three bytes)
//   24-83  the resolved path (the name as given with parameter PO),
//          blank-padded to 60 bytes
//   84-95  the 12-byte name field
//   96-99  buffer size, big-endian
// Kind letters (bytes 9 and 18): device T, serial S, keyed K, indexed I,
// program P, binary B, directory D, auxiliary printer A, pipe Q, C-ISAM C,
// thin client W, BBx keyed X, TCP N, variable data V, memory M, EFF E,
// library member L, PDF F, MySQL Y, console alias T; '?' otherwise.
//
// Compact record of FID( with parameter FF 1..4, 16 bytes: the first 6
// bytes of the name field, the kind letter, 0, record size (u16 BE), record
// count (24-bit BE), 3 zero bytes.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "channels/channel.h"
#include "channels/io_options.h"
#include "channels/open.h"
#include "core/codes.h"
#include "core/host.h"
#include "core/line_store.h"
#include "core/memory.h"
#include "core/params.h"
#include "functions/fnc_args.h"
#include "functions/function_table.h"

namespace {

constexpr int FIB_SIZE = 212;
constexpr uint16_t INTERNAL_FIRST = 65001;

char kind_letter(int32_t k) {
  static const char letters[] = "TTSKIPBDAQC???WXXNVM??ELF?Y?";  // kinds -1..26
  if (k < -1 || k > FK_LAST) return '?';
  return letters[k + 1];
}

std::string trimmed(const char* p, size_t n) {
  while (n > 0 && (p[n - 1] == ' ' || p[n - 1] == 0)) --n;
  return std::string(p, n);
}

void string_result(const std::string& s) {
  uint8_t* out = Rsv_out(int64_t(s.size()));
  if (!s.empty()) std::memcpy(out, s.data(), s.size());
}

[[noreturn]] void event_programs_missing() { Not_built("I/O event programs of channels"); }

// The channel of an information function: the first argument.
Fcb* channel_arg(int not_open_error) {
  uint16_t ch = Get_fno();
  Fcb* f = Find_fp(ch);
  if (!f) Rpt_error(not_open_error);
  return f;
}

const char* path_of(const Fcb* f, bool as_given) {
  if (!f->path) return "";
  const char* p = as_given ? f->path->name : f->path->path;
  return p ? p : "";
}

int64_t host_length(const Fcb* f) {
  if (f->file_len > 0) return f->file_len;
  if (f->fd < 0 || f->kind == FK_PIPE || f->kind == FK_DIRECTORY) return f->file_len;
  int64_t n = filelength(f->fd);
  return n < 0 ? 0 : n;
}

bool fixed_record_kind(int32_t k) { return k == FK_INDEXED || k == FK_BINARY; }

int64_t record_count(const Fcb* f) {
  if (fixed_record_kind(f->kind) && f->rec_size > 0) return host_length(f) / f->rec_size;
  return f->rec_index;
}

bool has_keys(const Fcb* f) {
  switch (f->kind) {
    case FK_KEYED:
    case FK_EFF:
    case FK_MEMORY:
    case FK_CISAM:
    case FK_BBX_KEYED:
    case FK_BBX_KEYED2:
      return true;
    default:
      return (f->st4 & ST4_KEY_DESC) != 0;
  }
}

void refuse_unbuilt_kind(const Fcb* f) {
  // Kinds without a driver have no information to give.
  if (Fio_tbl[f->kind + 1] == Bad_io) {
    ws.Cur_ftype = f->kind;
    Bad_io(FIO_GETIND);
  }
  switch (f->kind) {
    case FK_KEYED:
    case FK_EFF:
    case FK_BBX_KEYED:
    case FK_BBX_KEYED2:
      Not_built("file information of keyed files");
    case FK_THIN_CLIENT:
      Not_built("file information of thin-client channels");
    default:
      break;
  }
}

void put24(uint8_t* p, int64_t v) {
  if (v < 0) v = 0;
  if (v > 0xFFFFFF) v = 0xFFFFFF;
  p[0] = uint8_t(v >> 16);
  p[1] = uint8_t(v >> 8);
  p[2] = uint8_t(v);
}

void build_fib(const Fcb* f, uint8_t* r) {
  std::memset(r, 0, FIB_SIZE);
  put24(r, record_count(f));
  put_u16be(r + 3, 0);
  r[5] = f->high_key;
  r[6] = f->cur_key;
  r[9] = uint8_t(kind_letter(f->kind));
  put24(r + 11, f->rec_index);
  put_u16be(r + 14, uint16_t(f->rec_size < 0 ? 0 : f->rec_size > 0xFFFF ? 0xFFFF : f->rec_size));
  r[18] = uint8_t(kind_letter(f->kind));
  r[19] = uint8_t(f->st1);
  int64_t len = host_length(f);
  r[20] = uint8_t(len);
  r[21] = uint8_t(len >> 8);
  r[22] = uint8_t(len >> 16);
  std::memset(r + 24, ' ', 60);
  const char* p = path_of(f, Sw_on(sw::PO));
  size_t n = std::strlen(p);
  std::memcpy(r + 24, p, n < 60 ? n : 60);
  std::memcpy(r + 84, f->short_name, 12);
  put_u32be(r + 96, uint32_t(f->buf_size < 0 ? 0 : f->buf_size));
}

void fib_result(const Fcb* f) {
  uint8_t* out = Rsv_out(FIB_SIZE);
  build_fib(f, out);
}

// ---- key and record functions ----

enum class Io_fn { key, kef, kel, ken, kec, kep, ind, rcd, rno };

int slot_of(Io_fn fn) {
  switch (fn) {
    case Io_fn::key: return FIO_GETKEY;
    case Io_fn::kef: return FIO_GETKEF;
    case Io_fn::kel: return FIO_GETKEL;
    case Io_fn::ken: return FIO_GETKEN;
    case Io_fn::kec: return FIO_GETKEC;
    case Io_fn::kep: return FIO_GETKEP;
    case Io_fn::ind: return FIO_GETIND;
    case Io_fn::rcd: return FIO_READ;
    case Io_fn::rno: return FIO_GETIND;
  }
  return FIO_GETIND;
}

// The options of a key or record function after the channel: KEY=, IND=,
// KNO=, END= and DOM=; ERR= is left for the function call itself.
void io_fn_options() {
  for (;;) {
    if (ws.Exec_ptr[0] != code::COMMA) return;
    uint8_t w = ws.Exec_ptr[1];
    if (w == iopt::ERR) {
      ws.Exec_ptr++;
      return;
    }
    ws.Exec_ptr += 2;
    switch (w) {
      case iopt::KEY: {
        std::string key;
        for (;;) {
          Eval_formula();
          if (ws.Str_len >= 0) {
            key.append(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
          } else {
            char buf[CONV_NORMAL_MAX + 1];
            key.append(buf, size_t(Conv_normal(ws.Num_acc, buf)));
          }
          if (*ws.Exec_ptr != code::LABEL_END) break;
          ws.Exec_ptr++;
        }
        uint8_t* p = Work_take(key.size() + 1);
        std::memcpy(p, key.data(), key.size());
        ws.Io_key_ptr = p;
        ws.Io_key_len = int32_t(key.size());
        ws.Io_opts |= IO_KEY;
        break;
      }
      case iopt::IND: {
        int32_t i = Eval_integer();
        if (i < 0) Rpt_error(41);
        ws.Io_ind = i;
        ws.Io_opts |= IO_IND;
        break;
      }
      case iopt::KNO:
        ws.Io_kno = GetKNOValue();
        break;
      case iopt::END:
        ws.End_line = Get_line();
        break;
      case iopt::DOM:
        ws.Dom_line = Get_line();
        break;
      default:
        Rpt_error(49);
    }
  }
}

void select_channel(Fcb* f) {
  ws.Cur_fcb = f;
  ws.Cur_drv = Fio_tbl[f->kind + 1];
  ws.Cur_chan = f->channel;
  ws.Cur_fd = f->fd;
  ws.Cur_ftype = f->kind;
  ws.Io_stmt = code::D_READ;
  ws.Io_opts = 0;
  ws.Io_kno = -1;
  ws.Io_ind = -1;
  ws.Io_key_len = 0;
  ws.Io_key_ptr = nullptr;
  ws.Io_key_cnt = 0;
  ws.End_line = ws.Dom_line = 0;
  ws.Io_sep = f->separator;
  ws.Io_siz = 0;
  ws.Io_tim = -1;
  ws.Io_tbl = nullptr;
}

void fnc_gen_io(Io_fn fn) {
  Io_save_guard keep;
  Fcb* f = channel_arg(14);
  select_channel(f);
  io_fn_options();
  if (fn == Io_fn::key && (ws.Io_opts & IO_KEY)) {
    std::string k(reinterpret_cast<const char*>(ws.Io_key_ptr), size_t(ws.Io_key_len));
    string_result(k);
    return;
  }
  if (f->event_pgm) event_programs_missing();
  if (ws.Io_opts & IO_KEY) Fio_call(FIO_SETKEY);
  if (ws.Io_opts & IO_IND) Fio_call(FIO_SETIND);
  if (fn == Io_fn::rno) {
    switch (f->kind) {
      case FK_KEYED:
      case FK_EFF:
      case FK_BBX_KEYED:
      case FK_BBX_KEYED2:
      case FK_THIN_CLIENT:
      case FK_MEMORY:
        Not_built("RNO( on keyed, memory and thin-client channels");
      default:
        break;
    }
  }
  // A driver leaves a number either as the slot's result or in the numeric
  // accumulator; the string result is cleared first to tell them apart.
  ws.Str_ptr = nullptr;
  ws.Str_len = 0;
  int64_t r = Fio_call(slot_of(fn));
  bool numeric = fn == Io_fn::ind || fn == Io_fn::rno;
  if (numeric) {
    int64_t idx = ws.Str_len == -1 ? To_integer(ws.Num_acc) : r;
    if (fn == Io_fn::rno) ++idx;
    Fnc_result_int(idx);
    return;
  }
  if (ws.Str_len < 0) Rpt_error(26);
  std::string s(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
  string_result(s);
}

// ---- FIN( items ----

std::string upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = char(c - 32);
  return s;
}

std::string local_stamp(time_t t) {
  struct tm tmv;
  localtime_r(&t, &tmv);
  char buf[40];
  std::snprintf(buf, sizeof buf, "%4.4d-%2.2d-%2.2d %2.2d:%2.2d:%2.2d", tmv.tm_year + 1900, tmv.tm_mon + 1,
                tmv.tm_mday, tmv.tm_hour, tmv.tm_min, tmv.tm_sec);
  return buf;
}

// The status-change, modification or access time of the channel's file.
bool file_time(const Fcb* f, char which, time_t* t) {
  struct stat st;
  const char* p = path_of(f, false);
  bool ok = false;
  if (f->fd >= 0 && f->kind != FK_PIPE && f->kind != FK_DIRECTORY && fstat(f->fd, &st) == 0)
    ok = true;
  else if (*p && p[0] != '|' && p[0] != '<' && p[0] != '>' && stat(p, &st) == 0)
    ok = true;
  if (!ok) return false;
  *t = which == 'C' ? st.st_ctime : which == 'M' ? st.st_mtime : st.st_atime;
  return true;
}

std::string separator_text(const Fcb* f) {
  int32_t s = f->separator;
  if (s >= 0 && s <= 255) return std::string(1, char(s));
  if (s == -2) return "*BBX*";
  if (s == -3) return "*ERR*";
  return "*Dynamic*";
}

std::string file_create_text(const Fcb* f) {
  std::string name = path_of(f, true);
  std::string out;
  switch (f->kind) {
    case FK_SERIAL: out = "SERIAL \"" + name + "\""; break;
    case FK_DIRECTORY: out = "DIRECTORY \"" + name + "\""; break;
    case FK_PROGRAM: out = "PROGRAM \"" + name + "\""; break;
    case FK_INDEXED:
      out = "INDEXED \"" + name + "\"," + std::to_string(record_count(f)) + "," + std::to_string(f->rec_size);
      break;
    case FK_KEYED:
    case FK_EFF:
    case FK_MEMORY:
      Not_built("FILE_CREATE of keyed and memory files");
    default:
      Rpt_error(17);
  }
  if (f->opt_text) {
    uint16_t n = get_u16be(f->opt_text);
    out += ",OPT=\"" + std::string(reinterpret_cast<const char*>(f->opt_text + 2), n) + "\"";
  }
  if (f->kind == FK_INDEXED && f->separator != prmblk.FS) {
    if (f->separator >= 0 && f->separator <= 255) {
      char buf[16];
      std::snprintf(buf, sizeof buf, ",SEP=$%2.2X$", unsigned(f->separator));
      out += buf;
    } else {
      out += ",SEP=*";
    }
  }
  return out;
}

std::string key_names_text(const Fcb* f) {
  if (!has_keys(f)) return "";
  std::string out;
  for (int k = 0; k <= f->high_key; ++k) {
    const Key_name_ent* hit = nullptr;
    for (auto* e = static_cast<const Key_name_ent*>(f->key_names); e; e = e->next)
      if (e->key_no == k) hit = e;
    if (hit)
      out.append(hit->name, hit->name_len);
    else
      out += "#" + std::to_string(k);
    out += ",";
  }
  return out;
}

std::string true_tty(const Fcb* f) {
  int fd = f == ws.Con_fcb ? 0 : f->fd;
  if (fd < 0 || !isatty(fd)) return "";
  const char* n = ttyname(fd);
  return n ? n : "";
}

std::string file_name_only(const Fcb* f) {
  std::string p = path_of(f, false);
  size_t slash = p.rfind('/');
  return slash == std::string::npos ? p : p.substr(slash + 1);
}

// The value of FIN(ch, item) as text.
std::string fin_item(const Fcb* f, const std::string& item) {
  std::string u = upper(item);
  if (u == "FILENAME") return file_name_only(f);
  if (u == "PATHNAME") return path_of(f, false);
  if (u == "NAME") return path_of(f, true);
  if (u == "TRUE_TTY") return true_tty(f);
  if (u == "SUPPRESS_FF") {
    switch (f->inherited & 7) {
      case 1: return "FIRST";
      case 2: return "LAST";
      case 3: return "BOTH";
      case 4: return "ALL";
      default: return "NO";
    }
  }
  if (u == "MAXKNO") return std::to_string(f->high_key);
  if (u == "CURKNO") return std::to_string(f->cur_key);
  if (u == "OWNER") return f->owner ? std::to_string(int64_t(f->owner) + 100000) : "";
  if (u == "KEY_NAMES") return key_names_text(f);
  if (u == "KEY_DEFINITION") {
    if (has_keys(f)) Not_built("KEY_DEFINITION of keyed and memory files");
    return "";
  }
  if (u == "HANDLE") return std::to_string(f->fd);
  if (u == "BUFFERED") return f->buf_size > 0 ? "1" : "0";
  if (u == "NUMREC" || u == "RECORDS_USED") return std::to_string(record_count(f));
  if (u == "MAXREC" || u == "RECORDS_ALLOWED") {
    if (has_keys(f)) Not_built("MAXREC of keyed and memory files");
    return "0";
  }
  if (u == "RSZ" || u == "RECORD_SIZE") return std::to_string(f->rec_size);
  if (u == "EXTRACT") return f->lock_len != 0 && !(f->st1 & ST1_LOCKED) ? "1" : "0";
  if (u == "BUFFERS") return "0";
  if (u == "KEY_SIZE" || u == "KSZ") {
    if (has_keys(f)) Not_built("KEY_SIZE of keyed and memory files");
    return "0";
  }
  if (u == "DRIVER") return trimmed(f->driver_id, sizeof f->driver_id);
  if (u == "SEPARATOR") return separator_text(f);
  if (u == "BBXFIN" || u == "DISKFIN" || u == "KEY_OPTIONS") return "";
  if (u == "FILE_CREATE") return file_create_text(f);
  if (u.size() == 9 && (u.compare(0, 4, "UTC_") == 0 || u.compare(0, 4, "LCL_") == 0) &&
      u.compare(5, 4, "TIME") == 0 && (u[4] == 'C' || u[4] == 'M' || u[4] == 'A')) {
    time_t t;
    bool ok = file_time(f, u[4], &t);
    if (u[0] == 'U') return ok ? std::to_string(int64_t(t)) : "-1";
    return ok ? local_stamp(t) : "";
  }
  if (u == "IO_PROGRAM") return f->event_pgm ? f->event_pgm : "";
  if (u == "PRINTER_STATUS") {
    if (f->kind == FK_AUX_PRINTER) Not_built("the auxiliary printer");
    return "";
  }
  if (u == "FILELENGTH") return std::to_string(host_length(f));
  if (u == "BYTESLEFT" || u == "TEXTUSEDHEIGHT" || u == "PDFMARGIN" || u == "PDFFACTOR" || u == "PDFFONTDIR")
    Not_built("PDF printing");
  if (u == "HWND") Not_built("the thin client");
  if (u == "+WININFO") Not_built("terminal windows");
  Rpt_error_text(46, "unknown FIN( item \"" + item + "\"");
}

}  // namespace

// ---- handlers ----

void fnc_key() { fnc_gen_io(Io_fn::key); }
void fnc_kef() { fnc_gen_io(Io_fn::kef); }
void fnc_kel() { fnc_gen_io(Io_fn::kel); }
void fnc_ken() { fnc_gen_io(Io_fn::ken); }
void fnc_kec() { fnc_gen_io(Io_fn::kec); }
void fnc_kep() { fnc_gen_io(Io_fn::kep); }
void fnc_ind() { fnc_gen_io(Io_fn::ind); }
void fnc_rno() { fnc_gen_io(Io_fn::rno); }
void fnc_rcd() { fnc_gen_io(Io_fn::rcd); }

void fnc_fib() {
  Fcb* f = channel_arg(14);
  refuse_unbuilt_kind(f);
  if (f->event_pgm) event_programs_missing();
  fib_result(f);
}

void fnc_fid() {
  Fcb* f = channel_arg(14);
  if (f->kind == FK_DEVICE || (f->st2 & ST2_VIA_LINK)) {
    string_result(trimmed(f->short_name, sizeof f->short_name));
    return;
  }
  refuse_unbuilt_kind(f);
  if (f->event_pgm) event_programs_missing();
  int ff = prmblk.FF;
  if (ff >= 1 && ff <= 4) {
    uint8_t* r = Rsv_out(16);
    std::memset(r, 0, 16);
    std::memcpy(r, f->short_name, 6);
    r[6] = uint8_t(kind_letter(f->kind));
    put_u16be(r + 8, uint16_t(f->rec_size < 0 ? 0 : f->rec_size > 0xFFFF ? 0xFFFF : f->rec_size));
    put24(r + 10, record_count(f));
    return;
  }
  fib_result(f);
}

void fnc_fin() {
  Fcb* f = channel_arg(14);
  if (!Fnc_more()) {
    refuse_unbuilt_kind(f);
    if (f->event_pgm) event_programs_missing();
    fib_result(f);
    return;
  }
  Fnc_str s = Fnc_string();
  std::string item(reinterpret_cast<const char*>(s.p), size_t(s.len));
  if (f->kind == FK_THIN_CLIENT || f->kind == FK_TCP || f->kind == FK_PDF) refuse_unbuilt_kind(f);
  std::string v = fin_item(f, item);
  if (f->event_pgm && f != ws.Con_fcb) event_programs_missing();
  string_result(v);
}

void fnc_opt() {
  Fcb* f = channel_arg(13);
  if (!f->opt_text) {
    string_result("");
    return;
  }
  uint16_t n = get_u16be(f->opt_text);
  string_result(std::string(reinterpret_cast<const char*>(f->opt_text + 2), n));
}

void fnc_sep() {
  Fcb* f = channel_arg(13);
  int32_t s = f->separator;
  if (s < 0 || s > 255) {
    string_result(separator_text(f));
    return;
  }
  string_result(std::string(1, char(s)));
}

void fnc_i86() { Rpt_error_text(99, "I86( is not available"); }

// FFN(name): the channel on which the file is open, or -1.  A name of at
// most 12 bytes is first compared with the channels' name fields; then the
// name is resolved along the search path and compared with their paths.
void fnc_ffn() {
  Fnc_str s = Fnc_string();
  std::string name(reinterpret_cast<const char*>(s.p), size_t(s.len));
  if (*ws.Exec_ptr == code::COMMA) Not_built("the channel bound and scope of FFN(");
  if (name.size() <= 12) {
    char pad[12];
    std::memset(pad, ' ', sizeof pad);
    std::memcpy(pad, name.data(), name.size());
    for (Fcb* f = ws.Fcb_list; f; f = f->next) {
      if (f->channel >= INTERNAL_FIRST) break;
      if (f->channel != 0 && std::memcmp(f->short_name, pad, 12) == 0) {
        Fnc_result_int(f->channel);
        return;
      }
    }
  }
  if (!name.empty()) {
    Set_path(name);
    while (Next_path() == 0) {
      for (Fcb* f = ws.Fcb_list; f; f = f->next) {
        if (f->channel >= INTERNAL_FIRST) break;
        if (f->path && f->path->path && std::strcmp(f->path->path, ws.Path_buf) == 0) {
          Fnc_result_int(f->channel);
          return;
        }
      }
    }
  }
  Fnc_result_int(-1);
}

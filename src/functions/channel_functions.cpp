// Channel and file information functions: the key and record functions that
// ask a channel's driver (KEY( KEF( KEL( KEN( KEC( KEP( IND( RCD( RNO(),
// the information records FIB( FID( FIN(, the I/O-list functions IOL( VIN(
// VIS( REC(, and OPT( SEP( FFN( PFX( I86(.
//
// I/O list as IOL( returns it (the form REC( and IOL= take back):
//   u16    0
//   u8     0xB9 (the IOLIST code)
//   items  compiled items separated by ',' (code 37)
//   u8     255
// A channel's own lists (Fcb::iol) are three Iol_blocks one after the other:
// the IOL= list of OPEN, then the two lists kept with the file (IOL=* and
// IOL=*1); a zero length word marks a missing one.
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
#include "net/sql.h"
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "terminal/tc_channel.h"
#include "terminal/tc_protocol.h"
#include "core/process_config.h"
#include "pdf/pdf_channel.h"
#include "channels/channel.h"
#include "channels/rec_formats.h"
#include "channels/record_formats.h"
#include "channels/cisam_facts.h"
#include "keyed/key_driver.h"
#include "keyed/keyed_file.h"
#include "channels/field_convert.h"
#include "channels/indexed_file.h"
#include "channels/io_list.h"
#include "channels/io_options.h"
#include "channels/kdef.h"
#include "channels/memory_file.h"
#include "channels/record_io.h"
#include "channels/open.h"
#include "core/codes.h"
#include "core/host.h"
#include "core/line_store.h"
#include "core/memory.h"
#include "core/messages.h"
#include "core/params.h"
#include "core/variables.h"
#include "functions/fnc_args.h"
#include "functions/function_table.h"
#include "core/masks.h"
#include "net/tcp_channel.h"

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

// Runs an event of the channel's I/O program after an information
// function built its result (POST_FIB, POST_FID, POST_FIN, POST_READ): the
// result is kept aside meanwhile, since the program may use the work area.
template <class Emit>
void after_event(Fcb* f, const char* event, uint32_t bit, Emit emit) {
  if (f->event_pgm) Run_io_event(f, event, bit);
  emit();
}

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
  // An indexed channel keeps its record limit in the length word.
  if (f->file_len > 0 && f->kind != FK_INDEXED && f->kind != FK_KEYED) return f->file_len;
  if (f->fd < 0 || f->kind == FK_PIPE || f->kind == FK_DIRECTORY) return f->file_len;
  int64_t n = filelength(f->fd);
  return n < 0 ? 0 : n;
}

bool fixed_record_kind(int32_t k) { return k == FK_INDEXED || k == FK_BINARY; }

// Records in the file: an indexed file's count from its header, a memory
// file's records, a binary file's whole records.
int64_t record_count(Fcb* f) {
  Key_facts kf;
  if (Key_channel_facts(f, &kf)) return kf.records;
  if (f->kind == FK_INDEXED) return Ind_record_count(f);
  if (f->kind == FK_MEMORY) return static_cast<const Dyn_fcb*>(f)->rec_count;
  if (f->kind == FK_MYSQL) return Dbx_record_count(f);
  Ism_facts isf;
  if (Ism_channel_facts(f, &isf)) return isf.records;
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

// The keyed kinds other than memory files.
bool keyed_kind(int32_t k) {
  return k == FK_KEYED || k == FK_EFF || k == FK_CISAM || k == FK_BBX_KEYED || k == FK_BBX_KEYED2;
}

// The key size of the channel: the length of its current key (0 for a
// kind without keys, or a memory file without key definitions).
int64_t key_size(Fcb* f) {
  Key_facts kf;
  if (Key_channel_facts(f, &kf)) return kf.key_size;
  if (f->kind == FK_MEMORY) {
    int32_t n = Dyn_KeyLength(f, f->cur_key);
    return n < 0 ? 0 : n;
  }
  Ism_facts isf;
  if (Ism_channel_facts(f, &isf)) return isf.key_size;
  if (keyed_kind(f->kind)) Not_built("the key size of keyed files");
  return 0;
}

// The most records the file may hold (0: no limit).
int64_t record_limit(Fcb* f) {
  Key_facts kf;
  if (Key_channel_facts(f, &kf)) return kf.limit;
  if (f->kind == FK_INDEXED) return Ind_record_limit(f);
  if (f->kind == FK_MEMORY || f->kind == FK_CISAM) return 0;  // C-ISAM files have no limit
  if (keyed_kind(f->kind)) Not_built("the record limit of keyed files");
  return 0;
}

void refuse_unbuilt_kind(const Fcb* f) {
  // Kinds without a driver have no information to give.
  if (Fio_tbl[f->kind + 1] == Bad_io) {
    ws.Cur_ftype = f->kind;
    Bad_io(FIO_GETIND);
  }
  switch (f->kind) {
    case FK_BBX_KEYED:
    case FK_BBX_KEYED2:
      Not_built("file information of keyed files of this format");
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

void build_fib(Fcb* f, uint8_t* r) {
  std::memset(r, 0, FIB_SIZE);
  put24(r, record_count(f));
  put_u16be(r + 3, uint16_t(key_size(f)));
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

void fib_result(Fcb* f) {
  uint8_t* out = Rsv_out(FIB_SIZE);
  build_fib(f, out);
}

// The file-information record, then the channel's POST_ event.
void fib_result(Fcb* f, const char* event, uint32_t bit) {
  if (!f->event_pgm) {
    fib_result(f);
    return;
  }
  uint8_t rec[FIB_SIZE];
  build_fib(f, rec);
  Run_io_event(f, event, bit);
  std::memcpy(Rsv_out(FIB_SIZE), rec, FIB_SIZE);
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

// A KEY= part as text kept for the statement.
void key_part(int i) {
  Eval_formula();
  if (ws.Str_len >= 0) {
    uint8_t* p = Work_take(size_t(ws.Str_len) + 1);
    if (ws.Str_len > 0) std::memcpy(p, ws.Str_ptr, size_t(ws.Str_len));
    ws.Io_key_part[i] = p;
    ws.Io_key_part_len[i] = ws.Str_len;
  } else {
    uint8_t* p = Work_take(CONV_NORMAL_MAX + 1);
    ws.Io_key_part_len[i] = Conv_normal(ws.Num_acc, reinterpret_cast<char*>(p));
    ws.Io_key_part[i] = p;
  }
}

// The options of a key or record function after the channel, as the
// compiler writes them: "," and an option word with its value (KEY= in
// parts joined by ":", IND=, RNO=, KNO=, DOM=, END=), then ")" or ERR=
// without its ",", which is left for the function call itself.
void io_fn_options() {
  for (;;) {
    if (ws.Exec_ptr[0] != code::COMMA) return;
    uint8_t w = ws.Exec_ptr[1];
    if (w == iopt::ERR) {
      ws.Exec_ptr++;
      return;
    }
    if (w != iopt::KEY && w != iopt::IND && w != iopt::RNO && w != iopt::KNO && w != iopt::END &&
        w != iopt::DOM)
      Rpt_error_text(err::WRONG_FILE_KIND, "option not valid in a key or record function");
    ws.Exec_ptr += 2;
    switch (w) {
      case iopt::KEY: {
        int cnt = 0;
        for (;;) {
          if (cnt == IO_KEY_PARTS) Rpt_error(err::OUT_OF_RANGE);
          key_part(cnt++);
          ws.Io_key_cnt = cnt;  // counted at once: a nested run keeps the parts counted (Io_live_save)
          if (*ws.Exec_ptr != code::LABEL_END) break;  // ':' joins the parts
          ws.Exec_ptr++;
        }
        ws.Io_key_cnt = cnt;
        ws.Io_opts |= IO_KEY;
        break;
      }
      case iopt::IND: {
        int32_t i = Eval_integer();
        if (i < 0) Rpt_error(err::OUT_OF_RANGE);
        ws.Io_ind = i;
        ws.Io_opts |= IO_IND;
        break;
      }
      case iopt::RNO:
        Io_rno_option();
        break;
      case iopt::KNO:
        Io_kno_option();  // as in a statement
        break;
      case iopt::END:
        ws.End_line = Get_line();
        break;
      case iopt::DOM:
        ws.Dom_line = Get_line();
        break;
    }
  }
}

void select_for_read(Fcb* f) {
  Select_channel(f);
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

// The event program entry a key or record function runs first.
struct Fn_event {
  const char* name;
  uint32_t bit;
};
Fn_event event_of(Io_fn fn) {
  switch (fn) {
    case Io_fn::key: return {"PRE_KEY", 0x10000};
    case Io_fn::kef: return {"PRE_KEF", 0x20000};
    case Io_fn::kel: return {"PRE_KEL", 0x40000};
    case Io_fn::ken: return {"PRE_KEN", 0x200000};
    case Io_fn::kec: return {"PRE_KEC", 0x100000};
    case Io_fn::kep: return {"PRE_KEP", 0x80000};
    case Io_fn::ind: return {"PRE_IND", 0x800000};
    case Io_fn::rcd: return {"PRE_READ", EV_PRE_READ};
    case Io_fn::rno: return {"PRE_RNO", 0x400000};
  }
  return {"", 0};
}

// The channel's I/O program answered a key or record function (-2): its
// record is the value, a number for IND( and RNO( (error 26 otherwise).
void event_value(Io_fn fn) {
  std::string text(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len < 0 ? 0 : ws.Str_len));
  if (fn == Io_fn::ind || fn == Io_fn::rno) {
    Num_val v{};
    if (text.empty() || Conv_str_chk(reinterpret_cast<const uint8_t*>(text.data()), text.size(), v) != 0)
      Rpt_error(err::TYPE_MISMATCH);
    Fnc_result(v);
    return;
  }
  string_result(text);
}

void fnc_gen_io(Io_fn fn) {
  Io_save_guard keep;
  Fcb* f = channel_arg(14);
  select_for_read(f);
  io_fn_options();
  // KEY( with KEY= gives that value itself, except on the keyed formats,
  // whose driver tells the key of the record the next READ would read
  // with it (a missing key is error 11).
  if (fn == Io_fn::key && (ws.Io_opts & IO_KEY) && f->kind != FK_KEYED && f->kind != FK_EFF) {
    OptGenKey();
    std::string k(reinterpret_cast<const char*>(ws.Io_key_ptr), size_t(ws.Io_key_len));
    string_result(k);
    return;
  }
  if (f->event_pgm) {
    Fn_event ev = event_of(fn);
    ws.Str_ptr = nullptr;
    ws.Str_len = 0;
    if (Run_io_event(f, ev.name, ev.bit) == -2) {
      event_value(fn);
      return;
    }
  }
  if (ws.Io_opts & IO_KEY) {
    OptGenKey();
    Fio_call(FIO_SETKEY);
  }
  if (ws.Io_opts & IO_IND) Fio_call(FIO_SETIND);
  if (fn == Io_fn::rno) {
    switch (f->kind) {
      case FK_KEYED:
      case FK_EFF:
        Fnc_result_int(Key_getrno());
        return;
      case FK_BBX_KEYED:
      case FK_BBX_KEYED2:
        Fnc_result_int(Bbx_getrno());
        return;
      case FK_MYSQL:
        Fnc_result_int(Dbx_getrno());
        return;
      case FK_THIN_CLIENT:
        Wty_getrno();
        Fnc_result_int(To_integer(ws.Num_acc));
        return;
      case FK_MEMORY:
        // The place of the current record in the current key's order.
        Fnc_result_int(Dyn_getrno());
        return;
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
  if (ws.Str_len < 0) Rpt_error(err::TYPE_MISMATCH);
  std::string s(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
  if (fn == Io_fn::rcd) {
    after_event(f, "POST_READ", EV_POST_READ, [&] { string_result(s); });
    return;
  }
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

// Text as a string literal: in double quotes, a quote inside doubled.
std::string quoted(const std::string& t) {
  std::string out = "\"";
  for (char c : t) {
    out += c;
    if (c == '"') out += '"';
  }
  return out + "\"";
}

// The name of a memory file without the ";" parts (KEYDEF= and the like)
// that followed "*memory*".
std::string memory_name(const Fcb* f) {
  std::string n = path_of(f, true);
  size_t semi = n.find(';');
  return semi == std::string::npos ? n : n.substr(0, semi);
}

// The key text of a memory file as KEYED takes it: a bare external-key
// length as a number, anything else as a string.
std::string memory_key_operand(Fcb* f) {
  std::string keys = Dyn_DescribeKeys(f);
  // Records without key definitions are found by KEY= alone: no creation
  // directive makes such a file.
  if (keys.empty()) Rpt_error_text(err::WRONG_FILE_KIND, "a memory file without key definitions has no creation directive");
  if (keys.find_first_not_of("0123456789") == std::string::npos) return keys;
  return quoted(keys);
}

// A memory file's records vary in length; KEYED takes variable records of
// at most 64000 bytes.
constexpr int32_t KEYED_MAX_RECORD = 64000;

// KEYED "name",keys,records,length[,pct][,SIZ=kb][,OPT="..."][,SEP=...] of a
// first-format file: variable-length records as a negative length, the
// free-space percentage when it is not the default 10, the block size
// always (the default depends on the length), the record options C, X, U,
// Z and the separator as the file keeps them; an EFF file adds "1" to OPT=.
std::string keyed_create_text(Fcb* f) {
  Key_facts kf;
  Key_channel_facts(f, &kf);
  std::string table = kf.segs + std::string("\xFF\0\0\0", 4);  // a full header table has no end entry
  // The key names the file keeps stand before their keys.
  std::string keys = Describe_keys(reinterpret_cast<const uint8_t*>(table.data()), 0, static_cast<const Kname_node*>(f->key_names));
  if (keys.empty() || keys.find_first_not_of("0123456789") != std::string::npos) keys = quoted(keys);
  bool eff = f->kind == FK_EFF;  // EFF files: OPT="1"
  bool variable = !eff && (kf.flags1 & 1);
  std::string out = "KEYED " + quoted(path_of(f, true)) + "," + keys + "," + std::to_string(kf.limit) + "," +
                    std::to_string(variable ? -f->rec_size : f->rec_size);
  if (variable && kf.pct != 10) out += "," + std::to_string(kf.pct);
  out += ",SIZ=" + std::to_string(kf.block_kb);
  std::string opt;
  if (kf.flags2 & 1) opt += "C";
  if (kf.flags2 & 8) opt += "X";
  if (kf.flags2 & 128) opt += "U";
  if (kf.flags2 & 64) opt += "Z";
  if (eff) opt += "1";
  if (!opt.empty()) out += ",OPT=" + quoted(opt);
  bool given = kf.flags1 & 8, none = kf.flags1 & 16;
  if (given && none) {
    out += ",SEP=\"*BBX*\"";
  } else if (given) {
    char buf[16];
    std::snprintf(buf, sizeof buf, ",SEP=$%2.2X$", unsigned(kf.sep) & 255);
    out += buf;
  } else if (none) {
    out += ",SEP=*";
  }
  return out;
}

std::string file_create_text(Fcb* f) {
  std::string name = path_of(f, true);
  std::string out;
  switch (f->kind) {
    case FK_SERIAL: out = "SERIAL " + quoted(name); break;
    case FK_DIRECTORY: out = "DIRECTORY " + quoted(name); break;
    case FK_PROGRAM: out = "PROGRAM " + quoted(name); break;
    case FK_INDEXED:
      out = "INDEXED " + quoted(name) + "," + std::to_string(Ind_record_limit(f)) + "," +
            std::to_string(f->rec_size);
      break;
    case FK_MEMORY: {
      int32_t rl = f->rec_size < KEYED_MAX_RECORD ? f->rec_size : KEYED_MAX_RECORD;
      out = "KEYED " + quoted(memory_name(f)) + "," + memory_key_operand(f) + ",0," + std::to_string(-rl);
      break;
    }
    case FK_KEYED:
      return keyed_create_text(f);
    case FK_EFF:
      return keyed_create_text(f);
    default:
      Rpt_error(err::WRONG_FILE_KIND);
  }
  // OPT= of OPEN says how the channel was opened, not how the file was
  // made: none of these directives takes it.
  bool takes_sep = f->kind == FK_INDEXED || f->kind == FK_MEMORY;
  if (takes_sep && f->separator != prmblk.FS) {
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
    const Kname_node* hit = nullptr;
    for (auto* e = static_cast<const Kname_node*>(f->key_names); e; e = e->next)
      if (e->key == k) hit = e;
    if (hit)
      out.append(hit->name, hit->len);
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
std::string fin_item(Fcb* f, const std::string& item) {
  std::string u = upper(item);
  if (u == "FILENAME") return file_name_only(f);
  if (u == "PATHNAME") return path_of(f, false);
  // The console's name is its name field, as FID(0) gives it.
  if (u == "NAME") return f->kind == FK_DEVICE && f == ws.Con_fcb ? trimmed(f->short_name, sizeof f->short_name) : path_of(f, true);
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
  if (u == "FORMATS") {
    // The names of the channel's record formats, each ended by FS.
    std::string out;
    for (const std::string& n : Fcb_format_names(f)) out += n + char(prmblk.FS);
    return out;
  }
  if (u == "MAXKNO") return std::to_string(f->high_key);
  if (u == "CURKNO") return std::to_string(f->cur_key);
  if (u == "OWNER") return f->owner ? std::to_string(int64_t(f->owner) + 100000) : "";
  if (u == "KEY_NAMES") return key_names_text(f);
  if (u == "KEY_DEFINITION") {
    if (f->kind == FK_MEMORY) {
      Dyn_GenKdef(f);
      return std::string(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
    }
    Key_facts kf;
    if (Key_channel_facts(f, &kf)) {
      // The stored entries, then an end entry.
      return kf.segs + std::string("\xFF\0\0\0", 4);
    }
    Ism_facts isf;
    if (Ism_channel_facts(f, &isf)) return isf.segs + std::string("\xFF\0\0\0", 4);
    if (keyed_kind(f->kind)) Not_built("KEY_DEFINITION of keyed files of this format");
    return "";
  }
  // SQL channels: the quote their back end writes around identifiers.
  if (u == "IDENTIFIER_QUO" && f->kind == FK_MYSQL) return "`";
  // A library member is read from its copy of the record: no descriptor.
  // A pipe's descriptor is the common host one, 0.
  if (u == "HANDLE") return std::to_string(f->kind == FK_LIB_MEMBER || f->kind == FK_PIPE ? 0 : f->fd);
  if (u == "BUFFERED") return f->buf_size > 0 ? "1" : "0";
  if (u == "NUMREC" || u == "RECORDS_USED") return std::to_string(record_count(f));
  if (u == "MAXREC" || u == "RECORDS_ALLOWED") return std::to_string(record_limit(f));
  if (u == "RSZ" || u == "RECORD_SIZE") return std::to_string(f->rec_size);
  if (u == "EXTRACT") {
    Key_facts kf;
    if (Key_channel_facts(f, &kf)) return kf.extracted ? "1" : "0";
    if (f->kind == FK_MEMORY) {
      const auto* m = static_cast<const Dyn_fcb*>(f);
      return m->current && (m->dflags & DYN_EXTRACTED) ? "1" : "0";
    }
    return f->lock_len != 0 && !(f->st1 & ST1_LOCKED) ? "1" : "0";
  }
  if (u == "BUFFERS") {
    Key_facts kf;
    return Key_channel_facts(f, &kf) ? std::to_string(kf.buffers) : "0";
  }
  if (u == "KEY_SIZE" || u == "KSZ") return std::to_string(key_size(f));
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
    // Output channels (devices, the printer on the user's terminal, pipes,
    // serial files): "1" when the host would take output now, "0" when it
    // would have to wait; "" for channels that print nowhere.
    if ((f->kind != FK_DEVICE && f->kind != FK_AUX_PRINTER && f->kind != FK_PIPE && f->kind != FK_SERIAL) ||
        f->fd < 0)
      return "";
    struct pollfd pf {};
    pf.fd = f->fd;
    pf.events = POLLOUT;
    int r = poll(&pf, 1, 0);
    return r > 0 && (pf.revents & POLLOUT) && !(pf.revents & (POLLERR | POLLHUP | POLLNVAL)) ? "1" : "0";
  }
  if (u == "FILELENGTH") return std::to_string(host_length(f));
  if (u == "BYTESLEFT" || u == "TEXTUSEDHEIGHT") {
    // Flowing text of a PDF channel: the bytes not yet printed, and the
    // height the last text output used (points, two places).
    if (f->kind != FK_PDF) return u == "BYTESLEFT" ? "0" : "0.00";
    if (u == "BYTESLEFT") return std::to_string(Pdf_BytesLeft(f));
    int64_t h = Pdf_TextUsed(f);
    char b[32];
    std::snprintf(b, sizeof b, "%lld.%02lld", static_cast<long long>(h / 100), static_cast<long long>(h % 100));
    return b;
  }
  if (u == "PDFMARGIN") return std::to_string(Kest_cfg.pdf_margin);
  if (u == "PDFFACTOR") {
    char b[32];
    std::snprintf(b, sizeof b, "%g", Kest_cfg.pdf_factor);
    return b;
  }
  if (u == "PDFFONTDIR") return Kest_cfg.pdf_font_dir;
  if (u == "HWND") {
    // The client's window handle: 'O' ' ' with handle 0 asks for it.
    if (!Tc_attached()) Not_built("the window handle of a terminal (the thin client has one)");
    Wtty_iop_guard io;
    Wtty_init('O', ' ');
    Wtty_int(0);
    Wtty_xmit(1);
    return std::string(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len > 0 ? ws.Str_len : 0));
  }
  if (u == "+WININFO") Not_built("FIN( item +WININFO (the console window's description)");
  Rpt_error_text(err::STRING_LENGTH, "unknown FIN( item \"" + item + "\"");
}

}  // namespace

// FIN(, FIB( and FID( of a client channel: the client answers.
static void client_info(Fcb* f, char letter, const std::string* item, const char* event, uint32_t bit) {
  WttyFib(f, letter, item);
  std::string v(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len > 0 ? ws.Str_len : 0));
  after_event(f, event, bit, [&] { string_result(v); });
}

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
  if (f->kind == FK_THIN_CLIENT) {
    client_info(f, 'b', nullptr, "POST_FIB", 0x1000000);
    return;
  }
  refuse_unbuilt_kind(f);
  fib_result(f, "POST_FIB", 0x1000000);
}

void fnc_fid() {
  Fcb* f = channel_arg(14);
  if (f->kind == FK_DEVICE || (f->st2 & ST2_VIA_LINK)) {
    string_result(trimmed(f->short_name, sizeof f->short_name));
    return;
  }
  if (f->kind == FK_THIN_CLIENT) {
    client_info(f, 'i', nullptr, "POST_FID", 0x2000000);
    return;
  }
  refuse_unbuilt_kind(f);
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
  fib_result(f, "POST_FID", 0x2000000);
}

void fnc_fin() {
  Fcb* f = channel_arg(14);
  if (f->kind == FK_THIN_CLIENT) {
    if (!Fnc_more()) {
      client_info(f, 'n', nullptr, "POST_FIN", 0x4000000);
      return;
    }
    Fnc_str s = Fnc_string();
    std::string item(reinterpret_cast<const char*>(s.p), size_t(s.len));
    client_info(f, 'n', &item, "POST_FIN", 0x4000000);
    return;
  }
  if (!Fnc_more()) {
    refuse_unbuilt_kind(f);
    fib_result(f, "POST_FIN", 0x4000000);
    return;
  }
  Fnc_str s = Fnc_string();
  std::string item(reinterpret_cast<const char*>(s.p), size_t(s.len));
  if (f->kind == FK_TCP || f->kind == FK_PDF) refuse_unbuilt_kind(f);
  // A TCP channel answers its connection's items (address, certificate,
  // cipher) first.
  std::string v;
  if (f->kind != FK_TCP || !Tcp_GetFin(f, item, &v)) v = fin_item(f, item);
  if (f != ws.Con_fcb) {
    after_event(f, "POST_FIN", 0x4000000, [&] { string_result(v); });
    return;
  }
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

void fnc_i86() { Rpt_error_text(err::NOT_BUILT, "I86( is not available"); }

// FFN(name): the channel on which the file is open, or -1.  A name of at
// most 12 bytes is first compared with the channels' name fields; then the
// name is resolved along the search path and compared with their paths.
void fnc_ffn() {
  Fnc_str s = Fnc_string();
  std::string name(reinterpret_cast<const char*>(s.p), size_t(s.len));
  int32_t from = 0;
  // The channels looked at: by default the running object's and the global
  // ones; a scope "O" takes the object's alone, "E" the global ones alone.
  // Outside an object the default is the global ones and a scope is error 95.
  const int32_t obj = Running_object_hook ? Running_object_hook() : 0;
  char scope = 0;
  if (Fnc_more()) {
    from = Eval_integer();
    if (from < 0 || from > 65001) Rpt_error(err::OUT_OF_RANGE);
    if (Fnc_more()) {
      Eval_str();
      if (ws.Str_len != 1) Rpt_error(err::TYPE_MISMATCH);
      scope = char(Uppercs[ws.Str_ptr[0]]);
      if (scope != 'O' && scope != 'E') Rpt_error(err::TYPE_MISMATCH);
      if (obj == 0) Rpt_error_text(err::BAD_OBJECT, "FFN( scope outside an object");
    }
  }
  auto in_scope = [&](const Fcb* f) {
    if (scope == 'O') return f->owner == obj;
    if (scope == 'E') return f->owner == 0;
    return f->owner == 0 || f->owner == obj;
  };
  if (name.size() <= 12) {
    char pad[12];
    std::memset(pad, ' ', sizeof pad);
    std::memcpy(pad, name.data(), name.size());
    for (Fcb* f = ws.Fcb_list; f; f = f->next) {
      if (f->channel >= INTERNAL_FIRST) break;
      if (f->channel != 0 && f->channel >= from && in_scope(f) && std::memcmp(f->short_name, pad, 12) == 0) {
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
        if (f->channel >= from && in_scope(f) && f->path && f->path->path &&
            std::strcmp(f->path->path, ws.Path_buf) == 0) {
          Fnc_result_int(f->channel);
          return;
        }
      }
    }
  }
  Fnc_result_int(-1);
}

// ---- I/O lists: IOL( VIN( VIS( REC( ----

namespace {

constexpr int NAME_MAX = 127;

inline bool list_end(uint8_t c) { return c == code::END_SCAN || (Cde_tbl[c] & CC_STMT_END); }
inline bool opens_group(uint8_t c) {
  return c == code::LPAREN || c == code::LBRACKET || c == code::BLOCK_OPEN || c == code::XFNC_PREFIX ||
         c == code::ALT_FNC || (c >= code::FNC_FIRST && c <= code::FNC_LAST);
}
inline bool closes_group(uint8_t c) {
  return c == code::RPAREN || c == code::RBRACKET || c == code::BLOCK_CLOSE;
}

// One item of a compiled list: its bytes [p, p + len).
struct List_item {
  const uint8_t* p;
  size_t len;
};

// Splits compiled items (ended by a statement end) at their top-level ','.
std::vector<List_item> split_items(const uint8_t* p) {
  std::vector<List_item> out;
  const uint8_t* start = p;
  int depth = 0;
  for (;;) {
    uint8_t c = *p;
    if (depth == 0 && (list_end(c) || c == code::COMMA)) {
      if (p > start) out.push_back({start, size_t(p - start)});
      if (c != code::COMMA) return out;
      start = ++p;
      continue;
    }
    if (list_end(c)) Rpt_error(err::BAD_IOLIST_ITEM);  // a group left open: not a list
    if (opens_group(c)) ++depth;
    if (closes_group(c) && depth > 0) --depth;
    p += Scan_size(p, Code_end(p));
  }
}

// The name of the variable reference at p (code 1 or 2, inline or indexed
// into the program's name table), upper-cased.
std::string ref_name(const uint8_t* p) {
  const uint8_t* nm;
  size_t n;
  if (p[1] & 0x80) {
    uint32_t idx = (uint32_t(p[1] & 0x7F) << 8) | p[2];
    if (idx >= ws.Name_cnt || !ws.Name_index || !ws.Name_pool) Rpt_error(err::INTERNAL_CODE);
    nm = ws.Name_pool + ws.Name_index[idx] + 1;
    n = nm[-1];
  } else {
    nm = p + 2;
    n = p[1];
  }
  std::string s(reinterpret_cast<const char*>(nm), n);
  return upper(s);
}

inline bool is_var_item(const List_item& it) {
  return it.p[0] == code::NUM_VAR || it.p[0] == code::STR_VAR;
}

// The list as IOL( returns it.
std::string list_result(const uint8_t* items, size_t len) {
  std::string r("\0\0", 2);
  r += char(code::D_IOLIST);
  r.append(reinterpret_cast<const char*>(items), len);
  r += char(code::EOL);
  return r;
}

size_t items_length(const uint8_t* items) {
  std::vector<List_item> all = split_items(items);
  if (all.empty()) return 0;
  return size_t(all.back().p + all.back().len - items);
}

// Record variables: the field list that the records module keeps with the
// variable (u16 BE block length, then per field: type, form, u16 width,
// u16 delimiter, name length, name; 255 ends it).  Only types and names are
// read here.
struct Rec_field {
  uint8_t type;  // 1, 2, or '*' for a skipped field
  std::string name;
};
std::vector<Rec_field> record_fields(const Var_node* v) {
  std::vector<Rec_field> out;
  for (const Record_field& f : Record_fields(v)) out.push_back({f.type, upper(f.name)});
  return out;
}

// Compiled items naming a record's fields in order ('*' for a skip).
std::string record_items(const Var_node* v) {
  std::string items;
  for (const Rec_field& f : record_fields(v)) {
    if (!items.empty()) items += char(code::COMMA);
    if (f.type == '*') {
      items += char(code::OP_MUL);
      continue;
    }
    // An item holds a name of up to 127 bytes (a longer length byte would
    // read as a variable's index): a text field named with 127 characters
    // has no such name outside its record.
    if (f.name.size() > size_t(NAME_MAX)) Rpt_error(err::BAD_NAME);
    items += char(f.type);
    items += char(f.name.size());
    items += f.name;
  }
  return items;
}

// A string variable at the cursor that is a record (DIM R$:...); the cursor
// moves past it.  Null (cursor unmoved) when the argument is something else.
Var_node* record_arg() {
  uint8_t* at = ws.Exec_ptr;
  if (*at != code::STR_VAR) return nullptr;
  uint8_t next = at[Item_size(at, at + 2 + NAME_MAX)];
  if (next != code::COMMA && next != code::RPAREN && next != code::LABEL_END) return nullptr;
  Var_node* v = Find_var();
  if (!(v->flags & VF_RECORD) || !v->rec_list) {
    ws.Exec_ptr = at;
    return nullptr;
  }
  return v;
}

// The channel's list in slot `slot`: 0 its IOL= list, 1 and 2 the lists kept
// with the file.  Error 81 when the slot is empty.
std::string channel_list(const Fcb* f, int slot) {
  const uint8_t* b = Iol_slot(f, slot);
  if (!b) Rpt_error(err::BAD_IOLIST_ITEM);
  uint16_t n = get_u16be(b);
  return std::string(reinterpret_cast<const char*>(b + 3), n - 3);
}

// The items of a string in IOL( form, or empty when it is not one.
bool items_of_list_string(const uint8_t* s, int32_t len, std::string& items) {
  if (len < 4 || s[2] != code::D_IOLIST || s[len - 1] != code::EOL) return false;
  items.assign(reinterpret_cast<const char*>(s + 3), size_t(len - 4));
  return true;
}

// The name argument of IOL(, VIN(, VIS(: upper-cased; checks of VIN(/VIS(.
std::string field_name_arg(bool checked) {
  Fnc_str s = Fnc_string();
  std::string n(reinterpret_cast<const char*>(s.p), size_t(s.len));
  if (checked) {
    if (n.empty()) Rpt_error(err::STRING_LENGTH);
    if (n.back() != '$' && n.size() > size_t(NAME_MAX)) Rpt_error(err::BAD_NAME);
    if (n.size() > size_t(NAME_MAX) + 1) Rpt_error(err::BAD_NAME);
  }
  return upper(n);
}

// Items (terminated copy) kept for the statement, so that the walk can move
// the cursor over them.
uint8_t* temp_items(const std::string& items) {
  auto* t = static_cast<uint8_t*>(Get_temp(items.size() + 1));
  std::memcpy(t, items.data(), items.size());
  t[items.size()] = code::EOL;
  return t;
}

const List_item* find_item(const std::vector<List_item>& all, const std::string& name) {
  for (const List_item& it : all)
    if (is_var_item(it) && ref_name(it.p) == name) return &it;
  return nullptr;
}

// IOL( with a name: the names of all variables (empty name) or the entry of
// one variable (error 81 when the list has none).
std::string iol_with_name(const std::string& items, const std::string& name) {
  uint8_t* t = temp_items(items);
  std::vector<List_item> all = split_items(t);
  if (name.empty()) {
    std::string out;
    for (const List_item& it : all) {
      if (!is_var_item(it)) continue;
      out += ref_name(it.p);
      out += char(prmblk.FS);
    }
    return out;
  }
  const List_item* hit = find_item(all, name);
  if (!hit) Rpt_error(err::BAD_IOLIST_ITEM);
  return list_result(hit->p, hit->len);
}

// The value of the list item of variable `name`: the variable (and element)
// the item names, as it is now.
void value_of_item(const std::string& items, const std::string& name) {
  uint8_t* t = temp_items(items);
  std::vector<List_item> all = split_items(t);
  const List_item* hit = find_item(all, name);
  if (!hit) Rpt_error(err::BAD_IOLIST_ITEM);
  uint8_t* resume = ws.Exec_ptr;
  ws.Exec_ptr = const_cast<uint8_t*>(hit->p);
  Get_value();
  ws.Exec_ptr = resume;
}

// The value of field `name` of record variable v.
void value_of_field(const Var_node* v, const std::string& name) {
  for (const Rec_field& f : record_fields(v)) {
    if (f.type == '*' || f.name != name) continue;
    // The field's variable: "record.field", longer than a name a program
    // writes (a field's name has up to 127 characters, "$" not counted).
    std::string full = std::string(v->name, v->name_len) + "." + f.name;
    if (full.size() > size_t(VAR_NAME_MAX)) Rpt_error(err::BAD_NAME);
    Var_node* fv = Find_var_name(f.type, reinterpret_cast<const uint8_t*>(full.data()), int(full.size()));
    if (fv->type == code::NUM_VAR) {
      ws.Num_acc = fv->num;
      ws.Str_len = -1;
    } else {
      ws.Str_ptr = fv->str ? fv->str->bytes() : nullptr;
      ws.Str_len = fv->str ? int32_t(fv->str->len) : 0;
    }
    return;
  }
  Rpt_error(err::BAD_IOLIST_ITEM);
}

// VIN( and VIS(: the named field's value as a number or as text.
void iol_get_var(bool as_string) {
  if (Var_node* rec = record_arg()) {
    Fnc_comma();
    std::string name = field_name_arg(true);
    value_of_field(rec, name);
  } else {
    Eval_formula();
    if (ws.Str_len < 0) {
      int64_t ch = To_integer(ws.Num_acc);
      if (ch < 0 || ch > 65000) Rpt_error(err::OUT_OF_RANGE);
      Fcb* f = Find_fp(uint16_t(ch));
      if (!f) Rpt_error(err::WRONG_MODE);
      Fnc_comma();
      std::string name = field_name_arg(true);
      value_of_item(channel_list(f, 0), name);
    } else {
      std::string items;
      bool is_list = items_of_list_string(ws.Str_ptr, ws.Str_len, items);
      Fnc_comma();
      std::string name = field_name_arg(true);
      if (is_list) {
        value_of_item(items, name);
      } else {
        // A plain variable of that name.
        uint8_t type = name.back() == '$' ? code::STR_VAR : code::NUM_VAR;
        Var_node* v = Find_var_name(type, reinterpret_cast<const uint8_t*>(name.data()), int(name.size()));
        if (type == code::NUM_VAR) {
          ws.Num_acc = v->num;
          ws.Str_len = -1;
        } else {
          ws.Str_ptr = v->str ? v->str->bytes() : nullptr;
          ws.Str_len = v->str ? int32_t(v->str->len) : 0;
        }
      }
    }
  }
  if (as_string) {
    if (ws.Str_len < 0) Conv_val();
    std::string v(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
    string_result(v);
  } else if (ws.Str_len >= 0) {
    Conv_str();
  }
}

// The items with every leading variable renamed prefix "." name, so that a
// record's fields supply the values.
std::string prefixed_items(const std::string& items, const std::string& prefix) {
  uint8_t* t = temp_items(items);
  std::string out;
  for (const List_item& it : split_items(t)) {
    if (!out.empty()) out += char(code::COMMA);
    if (!is_var_item(it)) {
      out.append(reinterpret_cast<const char*>(it.p), it.len);
      continue;
    }
    std::string full = prefix + "." + ref_name(it.p);
    if (full.size() > size_t(NAME_MAX)) Rpt_error(err::BAD_NAME);
    out += char(it.p[0]);
    out += char(full.size());
    out += full;
    size_t ref = Item_size(it.p, it.p + it.len);
    out.append(reinterpret_cast<const char*>(it.p + ref), it.len - ref);
  }
  return out;
}

// REC( builds its record through the record writer on a scratch channel
// whose write slot keeps the record: fields convert exactly as WRITE's.
std::string rec_built;
int64_t rec_scratch_driver(int slot) {
  Fcb* f = ws.Cur_fcb;
  if (slot == FIO_FLUSH || slot == FIO_WRITE) {
    if (rec_built.size() + size_t(f->buf_count) > size_t(ws.Max_strlen)) Rpt_error(err::STRING_LENGTH);
    rec_built.append(reinterpret_cast<const char*>(f->out_buf), size_t(f->buf_count));
    f->buf_count = 0;
    f->high_water = 0;
  }
  return 0;
}

std::string build_record(const std::string& items, int32_t sep) {
  struct Scratch : Fcb {};
  Scratch f{};
  uint8_t buf[4096];
  f.fd = -1;
  f.dup_to = f.dup_from = -1;
  f.out_buf = buf;
  f.buf_size = int32_t(sizeof buf);
  f.st1 = ST1_WRITTEN;
  f.separator = sep;
  f.channel = 65000;
  Io_save_guard keep_io;
  uint8_t* resume = ws.Exec_ptr;
  ws.Cur_fcb = &f;
  ws.Cur_drv = rec_scratch_driver;
  ws.Io_opts = 0;
  ws.Io_sep = sep;
  ws.Io_tbl = nullptr;
  ws.Io_iol_ptr = nullptr;
  ws.Io_iol_len = 0;
  ws.Iol_depth = -1;
  ws.Io_rec_prefix = nullptr;
  rec_built.clear();
  ws.Exec_ptr = temp_items(items);
  Write_fields();
  ws.Exec_ptr = resume;
  return std::move(rec_built);
}

// SEP= of REC(: its first byte, none for "" or "/", the two special modes
// for "*BBX*" and "*ERR*".
int32_t rec_separator(const uint8_t* p, int32_t n) {
  std::string s(reinterpret_cast<const char*>(p), size_t(n < 0 ? 0 : n));
  if (s.empty() || s == "/") return SEP_NONE;
  std::string u = upper(s);
  if (u == "*BBX*") return SEP_BBX;
  if (u == "*ERR*") return SEP_TYPED;
  return uint8_t(s[0]);
}

// The I/O list argument of REC(: a line number or label of an IOLIST
// statement, or a string holding a list in IOL( form (error 45 otherwise).
std::string rec_list_arg() {
  uint8_t c = *ws.Exec_ptr;
  const uint8_t* list;
  if (Is_line_ref(c)) {
    list = Check_iol();
  } else {
    Eval_formula();
    if (ws.Str_len >= 0) {
      std::string items;
      if (!items_of_list_string(ws.Str_ptr, ws.Str_len, items)) Rpt_error(err::BAD_LINE_REF);
      return items;
    }
    int64_t line = To_integer(ws.Num_acc);
    if (line < 1 || line >= LAST_LINE_NO) Rpt_error(err::OUT_OF_RANGE);
    // The number as a line reference, resolved as IOL= resolves one.
    uint8_t ref[4] = {code::LINE_REF, uint8_t(line >> 8), uint8_t(line), code::EOL};
    uint8_t* resume = ws.Exec_ptr;
    ws.Exec_ptr = ref;
    list = Check_iol();
    ws.Exec_ptr = resume;
  }
  return std::string(reinterpret_cast<const char*>(list), items_length(list));
}

}  // namespace

void fnc_iol() {
  // IOL(RECORD ch): the name of the record template kept with the channel
  // (the named format its list came from), empty when none.
  constexpr uint8_t QMARK = 63;  // RECORD, the '?' of the I/O forms
  if (*ws.Exec_ptr == QMARK) {
    ++ws.Exec_ptr;
    Fcb* f = channel_arg(13);
    string_result(Fcb_template(f));
    return;
  }
  std::string items;
  if (Var_node* rec = record_arg()) {
    items = record_items(rec);
  } else if (*ws.Exec_ptr == code::STR_VAR) {
    Rpt_error(err::BAD_NAME);  // a string variable that is no record
  } else {
    Fcb* f = channel_arg(13);
    if (*ws.Exec_ptr == code::LABEL_END) {
      ++ws.Exec_ptr;
      Fnc_str sel = Fnc_string();
      std::string s(reinterpret_cast<const char*>(sel.p), size_t(sel.len));
      std::string u = upper(s);
      if (u == "G")
        items = channel_list(f, 1);
      else if (u == "1")
        items = channel_list(f, 2);
      else if (u == "/")
        items = channel_list(f, 3);
      else if (const uint8_t* b = FindFileFormat(f, s))
        items = std::string(reinterpret_cast<const char*>(b + 3), get_u16be(b) - 3);
      else
        Rpt_error(err::BAD_IOLIST_ITEM);
    } else {
      items = channel_list(f, 0);
    }
  }
  if (Fnc_more()) {
    std::string name = field_name_arg(false);
    string_result(iol_with_name(items, name));
    return;
  }
  string_result(list_result(reinterpret_cast<const uint8_t*>(items.data()), items.size()));
}

void fnc_vin() { iol_get_var(false); }
void fnc_vis() { iol_get_var(true); }

void fnc_rec() {
  std::string items = rec_list_arg();
  if (Fnc_more()) {
    std::string prefix;
    if (Var_node* rec = record_arg()) {
      prefix.assign(rec->name, rec->name_len);
    } else {
      Fnc_str s = Fnc_string();
      prefix.assign(reinterpret_cast<const char*>(s.p), size_t(s.len));
      if (prefix.empty() || prefix.size() > size_t(NAME_MAX)) Rpt_error(err::BAD_NAME);
      prefix = upper(prefix);
    }
    items = prefixed_items(items, prefix);
  }
  int32_t sep = prmblk.FS;
  const uint8_t* p = ws.Exec_ptr;
  if (p[0] == code::COMMA && p[1] == code::IOPT_FIRST && p[2] == iopt::X_SEP) {
    ws.Exec_ptr += 3;
    Fnc_str s = Fnc_string();
    sep = rec_separator(s.p, s.len);
  }
  string_result(build_record(items, sep));
}

// PFX(n): prefix list n (0..34; PFX(PGN) list 35); -1 the prefix file's
// name; a string: the target of that virtual directory.
void fnc_pfx() {
  constexpr uint8_t PGN_TOKEN = 31;
  if (ws.Exec_ptr[0] == PGN_TOKEN && ws.Exec_ptr[1] == code::RPAREN) {
    ++ws.Exec_ptr;
    const std::string& l = Pfx_get(35);
    if (!l.empty() && uint8_t(l[0]) > 0x7F) Rpt_error(err::CHANNEL_STATE);
    string_result(l);
    return;
  }
  Eval_formula();
  if (ws.Str_len >= 0) {
    std::string name(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
    string_result(Kest_GetVdir(name));
    return;
  }
  int64_t n = To_integer(ws.Num_acc);
  if (n == -1) {
    const Fcb* f = Find_fp(PFX_FILE_CHANNEL);
    string_result(f ? path_of(f, true) : "");
    return;
  }
  if (n < 0 || n > 34) Rpt_error(err::OUT_OF_RANGE);
  const std::string& l = Pfx_get(int(n));
  if (!l.empty() && uint8_t(l[0]) > 0x7F) Rpt_error(err::CHANNEL_STATE);
  string_result(l);
}

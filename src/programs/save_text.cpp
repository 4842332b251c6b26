// The text side of SAVE: the listing written to a record file, the save
// copy beside a program, and the structure check.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/console_device.h"
#include "core/codes.h"
#include "core/errors.h"
#include "core/host.h"
#include "core/lexicon.h"
#include "core/line_store.h"
#include "core/lister.h"
#include "core/memory.h"
#include "core/messages.h"
#include "core/params.h"
#include "core/switches.h"
#include "core/workspace.h"
#include "channels/channel.h"
#include "channels/record_io.h"
#include "programs/load_channel.h"
#include "programs/program_crypt.h"
#include "programs/program_list.h"
#include "programs/save.h"

namespace {

constexpr size_t CVS_READ_MAX = 611;
constexpr int LIST_TAB = 6;

// A listed line in list form: tabs to the next multiple of 6 columns after
// the number, rows of a broken statement ended by " \" and indented by the
// number's width.
std::string list_form_text(const std::string& text, size_t prefix) {
  std::string out;
  size_t col = 0;
  for (char c : text) {
    if (c == '\t') {
      size_t to = col < prefix ? prefix : prefix + ((col - prefix) / LIST_TAB + 1) * LIST_TAB;
      out.append(to - col, ' ');
      col = to;
    } else if (c == '\n') {
      if (out.empty() || out.back() != ';') out += " \\";
      out += '\n';
      out.append(prefix, ' ');
      col = prefix;
    } else {
      out += c;
      col++;
    }
  }
  return out;
}

std::string keyword(unsigned c) {
  bool nothing = false;
  std::string_view t;
  try {
    t = c > 0xFF ? Lex_text(uint8_t(c >> 8), uint8_t(c)) : Lex_text(uint8_t(c), 0, &nothing);
  } catch (const Oru_error&) {
    return "?";
  }
  std::string s(t);
  for (size_t i = 1; i < s.size(); i++) s[i] = char(Lowercs[uint8_t(s[i])]);
  return s;
}

}  // namespace

void Sve_serial(Fcb* f, bool list_form) {
  Io_save_guard io;
  Select_channel(f);
  ws.Io_opts = IO_EXCLUSIVE;
  ws.Io_sep = f->separator;
  ws.Io_ind = -1;
  ws.Io_kno = -1;
  ws.Io_key_len = 0;
  ws.Io_key_ptr = nullptr;
  ws.Io_siz = 0;
  ws.Io_tbl = nullptr;
  ws.Io_stmt = code::D_WRITE;
  if (!Fio_supports(f->kind, FIO_PURGE)) Rpt_error(err::NOT_SUPPORTED);
  Fio_call(FIO_PURGE);
  Fio_call(FIO_WR_MODE);
  auto record = [](const std::string& text) {
    Wrt_field(reinterpret_cast<const uint8_t*>(text.data()), int32_t(text.size()));
    Wrt_record();
  };
  // A program with a key keeps it in its listing (so that it is protected
  // again when merged back).
  if (ws.Pgm_flags & (PGM_PROTECTED | PGM_ENCIPHERED)) record(Prg_password_line(ws.Pgm_texts().key));
  bool numbers = !(ws.Pgm_flags2 & PGM2_NO_NUMBERS);
  uint8_t* work = ws.Work_ptr;
  for (uint16_t n = First_line(); n < LAST_LINE_NO; n = Next_line(n)) {
    std::string text = Decompile_text(ws.Str_ptr, size_t(ws.Str_len), list_form ? LST_EDIT_LAYOUT : 0);
    char buf[8];
    size_t prefix = size_t(Output_stno(n, buf)) + 1;
    if (list_form) text = list_form_text(text, numbers ? prefix : 0);
    if (!numbers) text.erase(0, prefix < text.size() ? prefix : text.size());
    // A row break of the list form is a record of its own.
    size_t at = 0;
    for (size_t nl; (nl = text.find('\n', at)) != std::string::npos; at = nl + 1) record(text.substr(at, nl - at));
    record(text.substr(at));
    ws.Work_ptr = work;
    Find_line(n);
  }
  ws.Pgm_flags &= ~uint32_t(PGM_CHANGED);
}

bool KestSaveCvs() {
  if (Sw_on(sw::PlusV) || (ws.Pgm_flags & PGM_PROTECTED) || !ws.Cur_pgm) return false;
  std::string path = ws.Cur_pgm->path;
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return false;
  std::string marker = path.substr(0, slash) + "/.kestcvs";
  int fd = Open(marker.c_str(), O_RDONLY, Open_opts{});
  if (fd < 0) return false;
  char buf[CVS_READ_MAX];
  ssize_t n = ::pread(fd, buf, sizeof buf, 0);
  Close(fd);
  if (n < 3) return false;
  size_t end = 0;
  while (end < size_t(n) && buf[end] != '\r' && buf[end] != '\n') end++;
  if (end < 6) return false;
  std::string target = std::string(buf, end) + path.substr(slash) + ".qebrg";
  // The copy is written to a new temporary file beside the target and
  // renamed over it: whatever stands at the target's name (a symbolic link
  // to someone else's file) is replaced, never written through.
  std::string temp = target + ".XXXXXX";
  int made = ::mkostemp(temp.data(), O_CLOEXEC);
  if (made < 0) return false;
  mode_t mask = umask(0);
  umask(mask);
  fchmod(made, prmblk.Create_mode & ~mask & 0777);
  struct Temp_guard {
    int fd;
    const std::string& name;
    bool keep = false;
    ~Temp_guard() {
      ::close(fd);
      if (!keep) ::unlink(name.c_str());
    }
  } temp_guard{made, temp};
  struct stat made_st {};
  if (fstat(made, &made_st) != 0) return false;
  // The copy is listed with the listing switches LD and NL (and LC unless
  // MC), 80 columns wide.
  uint16_t w3 = ws.Sys_flags3;
  uint16_t bl = prmblk.BL;
  uint32_t changed = ws.Pgm_flags & PGM_CHANGED;
  Sw_set(sw::LD, true);
  Sw_set(sw::NL, true);
  if (!ws.Prm.MC) Sw_set(sw::LC, true);
  prmblk.BL = 80;
  struct Restore {
    uint16_t w3, bl;
    uint32_t changed;
    ~Restore() {
      ws.Sys_flags3 = w3;
      prmblk.BL = bl;
      ws.Pgm_flags |= changed;
    }
  } restore{w3, bl, changed};
  try {
    Catch_region region;
    Scratch_guard chan;
    chan.f = Open_scratch(temp, true);
    // The name must still be the file made above.
    struct stat st {};
    if (chan.f->fd < 0 || fstat(chan.f->fd, &st) != 0 || st.st_dev != made_st.st_dev ||
        st.st_ino != made_st.st_ino)
      return false;
    Sve_serial(chan.f, true);
  } catch (const Oru_error&) {
    return false;
  }
  if (::rename(temp.c_str(), target.c_str()) != 0) return false;
  temp_guard.keep = true;
  return true;
}

// ---- structure check ----

namespace {

constexpr unsigned X(unsigned b) { return 0x9500u | b; }
constexpr unsigned C_FOR = code::D_FOR, C_NEXT = code::D_NEXT, C_WHILE = code::D_WHILE, C_WEND = code::D_WEND;
constexpr unsigned C_SWITCH = code::D_SWITCH, C_END_SWITCH = code::D_END_SWITCH;
constexpr unsigned C_OPEN = code::BLOCK_OPEN, C_CLOSE = code::BLOCK_CLOSE;
constexpr unsigned C_RECORD = 63, C_NONE = 223, C_END = code::D_END;

unsigned closer_of(unsigned open) {
  switch (open) {
    case C_FOR: return C_NEXT;
    case C_WHILE: return C_WEND;
    case X(code::X_REPEAT): return X(code::X_UNTIL);
    case C_SWITCH: return C_END_SWITCH;
    case X(code::X_SELECT): return C_RECORD;
    case C_OPEN: return C_CLOSE;
    default: return 0;
  }
}

bool is_closer(unsigned c) {
  return c == C_NEXT || c == C_WEND || c == X(code::X_UNTIL) || c == C_END_SWITCH || c == C_RECORD || c == C_CLOSE;
}

}  // namespace

void Struct_check::warn(const Entry& e, unsigned c, unsigned line) {
  if (warnings_++ == 0) {
    std::string t = Msg_text(125);
    if (Con_column() != 0) Con_newline();
    Con_write(t.data(), t.size());
    Con_newline();
  }
  std::string s = " " + keyword(e.open);
  if (e.line) s += " @" + std::to_string(e.line);
  s += " -> " + keyword(c);
  if (line != LAST_LINE_NO) s += " @" + std::to_string(line);
  Con_write(s.data(), s.size());
  Con_newline();
}

Struct_check::Entry* Struct_check::innermost_not(unsigned skip1, unsigned skip2) {
  for (size_t i = stack_.size(); i-- > 0;)
    if (stack_[i].open != skip1 && stack_[i].open != skip2) return &stack_[i];
  return nullptr;
}

void Struct_check::code(unsigned c, unsigned line) {
  if (unsigned close = closer_of(c)) {
    stack_.push_back({close, c, line});
    return;
  }
  if (is_closer(c)) {
    if (stack_.empty()) {
      warn({0, C_NONE, 0}, c, line);
      return;
    }
    Entry top = stack_.back();
    stack_.pop_back();
    if (top.expect == c) return;
    warn(top, c, line);
    if (!stack_.empty() && stack_.back().expect == c) stack_.pop_back();
    else stack_.push_back(top);
    return;
  }
  if (c == X(code::X_CASE) || c == X(code::X_DEFAULT)) {
    Entry* e = innermost_not(C_OPEN, C_OPEN);
    if (!e || e->open != C_SWITCH) warn(e ? *e : Entry{0, C_NONE, 0}, c, line);
  } else if (c == X(code::X_BREAK)) {
    if (!innermost_not(C_OPEN, C_OPEN)) warn({0, C_NONE, 0}, c, line);
  } else if (c == X(code::X_CONTINUE)) {
    if (!innermost_not(C_OPEN, C_SWITCH)) warn({0, C_NONE, 0}, c, line);
  }
}

void Struct_check::line(const unsigned char* line, size_t len) {
  unsigned no = get_u16be(line);
  const uint8_t* p = line + 2;
  const uint8_t* end = line + len;
  unsigned prev = 0;
  const uint8_t* prev_p = nullptr;
  while (p < end) {
    uint8_t c = *p;
    if (c == code::EOL || c == code::D_REM || c == code::D_COMMENT || c == code::END_SCAN || c == code::D_TABLE)
      break;
    size_t n = Item_size(p, end);
    if (n == 0) break;
    unsigned item = c == code::EXT_DIR && n >= 2 ? X(p[1]) : c;
    const uint8_t* next = p + n;
    unsigned following = next < end ? (*next == code::EXT_DIR && next + 1 < end ? X(next[1]) : *next) : 0;
    bool hand = false;
    unsigned as = item;
    if (item == C_FOR) {
      hand = following == code::NUM_VAR || following == code::STR_VAR || following == code::LABEL_END ||
             following == X(0xD1);
    } else if (item == C_NEXT) {
      hand = prev != code::OP_MUL && prev != 239 && prev != 204 && prev != 131;
      if (hand && following == C_RECORD) as = C_RECORD;
    } else if (item == X(code::X_BREAK)) {
      hand = !(p - line >= 3 && *(p - 3) == code::OP_MUL);
    } else if (item == X(code::X_SELECT)) {
      hand = prev != X(0xD3);
    } else if (item == X(code::X_REPEAT)) {
      hand = following != code::D_DATA;
    } else if (item == code::THEN_BLOCK && n >= 2 && p[1] == code::BLOCK_OPEN) {
      hand = true;  // "THEN {" is one item: its brace opens a block
      as = C_OPEN;
    } else if (item == C_WHILE || item == C_WEND || item == X(code::X_UNTIL) || item == C_SWITCH ||
               item == C_END_SWITCH || item == C_OPEN || item == C_CLOSE || item == X(code::X_CASE) ||
               item == X(code::X_DEFAULT) || item == X(code::X_CONTINUE)) {
      hand = true;
    }
    if (hand) code(as, no);
    prev = item;
    prev_p = p;
    p = next;
  }
  (void)prev_p;
}

void Struct_check::finish() {
  while (!stack_.empty()) {
    Entry e = stack_.back();
    stack_.pop_back();
    warn(e, C_END, LAST_LINE_NO);
  }
}

// Duplicate-write files (dupl_write.h).
//
// Links: Fcb::dup_to names the channel that repeats this one (-1 none),
// Fcb::dup_from the channel this one repeats (the back link, -1 none).
// Status word 4: ST4_DUP_CHECKED the channel was looked up in the
// definition file (or linked by the program, which then wins),
// ST4_HAS_DUP dup_to is set, ST4_DUP_OPENED the channel was opened by the
// lookup for its source and closes with it.  A chain of links never loops
// (REPEAT DATA refuses a link that would close one, error 89).
//
// Definition file: a keyed file of either format on channel 65027.  Its
// records hold fields ended by the file's separator:
//   1  the key: a host path upper-cased, "\" written "/", the characters in
//      reverse order; a file's key ends with "|" after the reversed path
//      ("/data/cust" gives "TSUC/ATAD/|"), a directory's is its reversed
//      path with both slashes ("/data/" gives "/ATAD/") and covers every
//      file below it
//   2  the name of the duplicate file (empty: no duplicate)
//   3  the OPT= text the duplicate is opened with
//   4  free
// The file's own record wins over a directory's; the deepest directory
// wins over the ones above it.
#include "channels/dupl_write.h"
#include "channels/rec_formats.h"
#include "channels/record_formats.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "channels/close.h"
#include "channels/io_options.h"
#include "channels/open.h"
#include "core/codes.h"
#include "core/directives.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/memory.h"
#include "core/messages.h"
#include "core/params.h"
#include "core/process_config.h"
#include "core/switches.h"
#include "core/workspace.h"
#include "channels/chan_hooks.h"

bool Dupl_defs_open = false;


namespace {

constexpr size_t ERR_PGM_MAX = 512;
constexpr uint8_t DEFS_FORM = ';';  // REPEAT DATA FILE: code 251 then ';'
constexpr uint8_t X_ERRH = 160;     // REPEAT DATA ERRH: code 149 then 160

std::string err_pgm;      // the duplicate-error program ("" none)
bool links_made = false;  // some channel was ever linked (close must look)

void expect(uint8_t c) {
  if (*ws.Exec_ptr != c) Rpt_error(err::SYNTAX);
  ++ws.Exec_ptr;
}

std::string eval_text() {
  Eval_str();
  return std::string(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
}

std::string path_of(const Fcb* f) { return f && f->path && f->path->path ? f->path->path : ""; }

// Makes f the current channel of the current-I/O area with cleared options
// (the statement's ERR= stays: it lies outside the area).
void make_current(Fcb* f, uint8_t stmt) {
  Select_channel(f);
  ws.Io_stmt = stmt;
  ws.Io_opts = 0;
  ws.Io_sep = f->separator;
  ws.Io_rec_prefix = f->rec_prefix;
  ws.Dom_line = 0;
  ws.End_line = 0;
}

// Opens name on channel chan as OPEN would, with the OPT= text opt and the
// I/O flags opts (IO_EXCLUSIVE).
Fcb* open_on(uint16_t chan, const std::string& name, const std::string& opt, uint16_t opts) {
  if (name.empty() || name.size() > 512) Rpt_error(err::BAD_FILE_NAME);
  return Open_internal(chan, name, opts, opt);
}

void close_defs() {
  Dupl_defs_open = false;
  if (Fcb* d = Find_fp(DUPL_DEFS_CHANNEL)) {
    Io_save_guard io;
    CloseFile(d);
  }
}

// Removes f's link to its duplicate; a duplicate the lookup opened for f
// is closed.
void unlink_dup(Fcb* f) {
  int32_t to = f->dup_to;
  f->dup_to = -1;
  f->st4 &= uint16_t(~ST4_HAS_DUP);
  if (to < 0) return;
  Fcb* d = Find_fp(uint16_t(to));
  if (!d || d->dup_from != int32_t(f->channel)) return;
  d->dup_from = -1;
  if (d->st4 & ST4_DUP_OPENED) {
    Io_save_guard io;
    CloseFile(d);
  }
}

void link(Fcb* from, Fcb* to, bool opened) {
  from->dup_to = to->channel;
  from->st4 |= ST4_HAS_DUP | ST4_DUP_CHECKED;
  to->dup_from = from->channel;
  // A duplicate is never looked up itself: one under a directory that the
  // definitions cover would otherwise open a duplicate of its own, and so
  // on until the channels run out.
  to->st4 |= ST4_DUP_CHECKED;
  if (opened) to->st4 |= ST4_DUP_OPENED;
  links_made = true;
}

// REPEAT DATA (a),(b): a's writes repeat on b.
void link_channels(uint16_t a, uint16_t b) {
  Fcb* fa = Find_fp(a);
  Fcb* fb = Find_fp(b);
  if (!fa || !fb) Rpt_error(err::WRONG_MODE);
  // Following the duplicates from b must not come back to a.
  int steps = 0;
  for (Fcb* x = fb; x; x = x->dup_to >= 0 ? Find_fp(uint16_t(x->dup_to)) : nullptr) {
    if (x == fa || ++steps > 65536) Rpt_error(err::DUPLICATE_LOOP);
  }
  if (fa->dup_to >= 0) unlink_dup(fa);
  link(fa, fb, false);
}

// The definition record's key forms for a host path.
std::string reversed_upper(const std::string& s) {
  std::string r;
  r.reserve(s.size());
  for (size_t i = s.size(); i-- > 0;) {
    uint8_t c = uint8_t(s[i]);
    r.push_back(c == '\\' ? '/' : char(Uppercs[c]));
  }
  return r;
}

// Reads the definition record of key `key` (key 0): true when it exists.
bool read_def(Fcb* d, const std::string& key, std::string& out) {
  if (key.empty() || key.size() > 512) return false;
  Io_save_guard keep;
  make_current(d, code::D_READ);
  uint8_t* k = Work_take(key.size());
  std::memcpy(k, key.data(), key.size());
  ws.Io_opts = IO_KEY;
  ws.Io_key_ptr = k;
  ws.Io_key_len = int32_t(key.size());
  ws.Io_kno = 0;
  Catch_region region;
  try {
    Fio_call(FIO_SETKEY);
    Fio_call(FIO_READ);
  } catch (const Oru_error& e) {
    if (e.no == err::MISSING_RECORD || e.no == err::END_OF_FILE) return false;
    throw;
  }
  out.assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len < 0 ? 0 : ws.Str_len));
  return true;
}

std::vector<std::string> split(const std::string& rec, int sep) {
  std::vector<std::string> out(1);
  for (char c : rec) {
    if (sep >= 0 && uint8_t(c) == uint8_t(sep))
      out.emplace_back();
    else
      out.back().push_back(c);
  }
  // A record padded with NULs to its length keeps them out of the names.
  for (std::string& s : out)
    while (!s.empty() && s.back() == 0) s.pop_back();
  return out;
}

// The free channel a duplicate of `source` takes: the highest one not open
// in the source's range (the program channels, or above them the global
// or extended range).
uint16_t free_channel_for(uint16_t source) {
  uint16_t top = Sw_on(sw::XF) ? CHAN_PROGRAM_MAX_XF : CHAN_PROGRAM_MAX;
  uint16_t low = 1;
  if (source > top) {
    low = uint16_t(top + 1);
    top = Sw_on(sw::XF) ? 65000 : CHAN_GLOBAL_MAX;
  }
  for (uint32_t c = top; c >= low; --c)
    if (!Find_fp(uint16_t(c))) return uint16_t(c);
  Rpt_error(err::CHANNEL_STATE);
}

const char* directive_name(const char* given) { return given && *given ? given : "<Unknown>"; }

// The name of the running statement for the error program.
const char* statement_name() {
  const uint8_t* s = ws.Stmt_ptr;
  if (!s) return "<Unknown>";
  while (*s == code::LABEL) s += 2 + s[1] + 1;
  switch (s[0]) {
    case code::D_WRITE: return "WRITE";
    case code::D_REMOVE: return "REMOVE";
    case code::D_PRINT: return "PRINT";
    case code::D_PURGE:
    case code::D_CLOSE: return "PURGE";
    case code::EXT_DIR:
      if (s[1] == code::X_INSERT) return "INSERT";
      if (s[1] == code::X_UPDATE) return "UPDATE";
      return "<Unknown>";
    default: return "<Unknown>";
  }
}

// A duplicate failed with err: the error program may handle it (the
// statement then goes on); otherwise err is raised with a text that says
// where the record is.
void dupl_error(int err, const char* directive, uint16_t chan, int32_t dup, const std::string& dup_path,
                const std::string& text) {
  if (!err_pgm.empty() &&
      Chan_hook.dupl_error_program(err_pgm, directive_name(directive), err, chan, dup,
                                   dup_path.empty() ? "<unknown>" : dup_path))
    return;
  if (err == 0) ws.Io_rty = 0;  // a busy duplicate: no retry that would write the first channel again
  Rpt_error_text(err, text);
}

}  // namespace

namespace {

void repeat_form() {
  uint8_t c = *ws.Exec_ptr;
  if (c == code::PREFIX2 && ws.Exec_ptr[1] == DEFS_FORM) {
    ws.Exec_ptr += 2;
    std::string name = eval_text();
    while (!name.empty() && (name.back() == 0 || name.back() == ' ')) name.pop_back();
    close_defs();
    if (name.empty() || !Kest_cfg.mirror) return;
    if (name.size() > 512) Rpt_error(err::BAD_FILE_NAME);
    Io_save_guard io;
    Fcb* d = open_on(DUPL_DEFS_CHANNEL, name, "", IO_INPUT_ONLY);
    if (d->kind != FK_KEYED && d->kind != FK_EFF) {
      CloseFile(d);
      Rpt_error(err::WRONG_FILE_KIND);
    }
    Dupl_defs_open = true;
    return;
  }
  if (c == code::EXT_DIR && ws.Exec_ptr[1] == X_ERRH) {
    ws.Exec_ptr += 2;
    std::string name = eval_text();
    if (name.size() > ERR_PGM_MAX) Rpt_error(err::STRING_LENGTH);
    err_pgm = name;
    return;
  }
  expect(code::LPAREN);
  uint16_t a = Get_fno();
  expect(code::RPAREN);
  expect(code::COMMA);
  if (*ws.Exec_ptr == code::D_END) {
    ++ws.Exec_ptr;
    Fcb* f = Find_fp(a);
    if (!f || f->dup_to < 0) Rpt_error(err::WRONG_MODE);
    unlink_dup(f);
    return;
  }
  expect(code::LPAREN);
  uint16_t b = Get_fno();
  expect(code::RPAREN);
  link_channels(a, b);
}

}  // namespace

void KestRepeatData() {
  ws.Stmt_save = ws.Exec_ptr;
  Err_scan();
  repeat_form();
  if (*ws.Exec_ptr == code::COMMA && ws.Exec_ptr[1] == iopt::ERR) {
    ws.Exec_ptr++;
    Chk_err();
  }
}

void KestCheckDupl() {
  Fcb* f = ws.Cur_fcb;
  if (!f) return;
  Fcb* defs = Find_fp(DUPL_DEFS_CHANNEL);
  if (!defs) {
    Dupl_defs_open = false;
    return;
  }
  if (f == defs || f == ws.Con_fcb || f->channel > 65000) {
    f->st4 |= ST4_DUP_CHECKED;
    return;
  }
  std::string path = path_of(f);
  std::string rec;
  bool found = false;
  if (!path.empty()) {
    found = read_def(defs, reversed_upper(path) + "|", rec);
    // The directories the file lies in, the deepest first.
    for (size_t at = path.size(); !found && at > 0;) {
      size_t slash = path.rfind('/', at - 1);
      if (slash == std::string::npos) break;
      found = read_def(defs, reversed_upper(path.substr(0, slash + 1)), rec);
      at = slash;
    }
  }
  std::vector<std::string> fields = found ? split(rec, defs->separator) : std::vector<std::string>{};
  if (fields.size() < 2 || fields[1].empty()) {
    f->st4 |= ST4_DUP_CHECKED;
    return;
  }
  const std::string& name = fields[1];
  std::string opt = fields.size() > 2 ? fields[2] : "";
  uint16_t source = f->channel;
  Fcb* dup = nullptr;
  int err = 0;
  {
    Io_save_guard io;
    Catch_region region;
    try {
      Check_name_from_file(name, "Duplicate file name");
      uint16_t chan = free_channel_for(source);
      // A source opened with LOCK (which serial files need for writing)
      // has its duplicate opened so too.
      dup = open_on(chan, name, opt, (f->st4 & ST4_EXCLUSIVE) ? IO_EXCLUSIVE : 0);
    } catch (const Oru_error& e) {
      err = e.no;
    }
    if (dup) {
      // The duplicate takes the source's I/O list and REC= name.
      const uint8_t* b = Iol_slot(f, 0);
      if (b && !dup->iol) {
        Iol_set_slot(dup, 0, b + 3, size_t(get_u16be(b) - 3));
        Fcb_set_template(dup, Fcb_template(f));
      }
      if (f->rec_prefix && !dup->rec_prefix) {
        size_t n = size_t(f->rec_prefix[0]) + 1;
        dup->rec_prefix = static_cast<uint8_t*>(Get_blk(n));
        std::memcpy(dup->rec_prefix, f->rec_prefix, n);
      }
    }
  }
  if (dup) {
    link(f, dup, true);
    return;
  }
  // Not marked as checked: the next statement tries again, so that no
  // write goes to the first file alone unless the error program said so.
  dupl_error(err, statement_name(), source, -1, name,
             "the duplicate " + name + " of channel " + std::to_string(source) + " cannot be opened");
  f->st4 |= ST4_DUP_CHECKED;
}

void Dupl_repeat(void (*handler)(), uint8_t* at, const char* directive) {
  Fcb* f = ws.Cur_fcb;
  if (!f || !(f->st4 & ST4_HAS_DUP) || f->dup_to < 0) return;
  uint16_t source = f->channel;
  int32_t dup = f->dup_to;
  Fcb* d = Find_fp(uint16_t(dup));
  std::string dup_path = path_of(d);
  int err = -1;
  uint8_t* resume = ws.Exec_ptr;
  if (!d) {
    err = 14;
  } else {
    Io_save_guard io;
    Catch_region region;
    try {
      ws.Exec_ptr = at;
      ws.Io_next_chan = uint16_t(dup);
      handler();
    } catch (const Oru_error& e) {
      err = e.no;
    }
  }
  ws.Exec_ptr = resume;
  if (err < 0) return;
  dupl_error(err, directive, source, dup, dup_path,
             std::string(directive_name(directive)) + " done on channel " + std::to_string(source) +
                 "; its duplicate, channel " + std::to_string(dup) + ", failed");
}

void KestDuplClose(Fcb* f) {
  if (!links_made) return;
  // Channels that repeat on f lose their link.
  for (Fcb* x = ws.Fcb_list; x; x = x->next) {
    if (x != f && x->dup_to == int32_t(f->channel)) {
      x->dup_to = -1;
      x->st4 &= uint16_t(~ST4_HAS_DUP);
    }
  }
  f->dup_from = -1;
  if (f->dup_to >= 0) unlink_dup(f);
}

void Dupl_wrapup() {
  close_defs();
  err_pgm.clear();
}

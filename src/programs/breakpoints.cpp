// Breakpoints and watches of a debugging thin client (formats: breakpoints.h).
//
// The statement loop reaches this file only while run flag RF_CLIENT_DEBUG
// is set (one mask test per statement otherwise).  The flag is on while a
// client list is in force or a changed list waits to be fetched.
#include "programs/breakpoints.h"

#include <cctype>
#include <cstring>

#include "core/codes.h"
#include "core/compiler.h"
#include "core/decimal.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/host.h"
#include "core/nested_run.h"
#include "core/workspace.h"
#include "programs/program_list.h"

Client_debug_io Client_debug;

namespace {

constexpr size_t PROG_MAX = 250, STAT_MAX = 40, EXPR_MAX = 100;
constexpr size_t WATCH_TEXT_MAX = 236;

struct Break_entry {
  std::string program;
  bool no_dir = false;       // the name has neither '/' nor '\'
  std::string label;
  uint32_t line = 0;         // 0 none
  std::vector<uint8_t> code; // compiled expression (empty none)
  uint8_t kind = 0;
  bool valid = true;
  bool inside = false;       // program-only entry: the last check ran in its program
  uint8_t state = 0;         // 0 none yet, 1 error, 2 value
  bool is_string = false;
  std::string value;         // string value, or the 10-byte number
};

struct Break_state {
  int dirty = 0;             // 0 no list, 1 new list to compile, 2 compiled
  std::vector<std::string> texts;
  std::vector<Break_entry> entries;
  uint32_t last_line = 0;    // line of the last break that fired (0 none)
  bool suspended = false;
  bool list_changed = false; // the client has a new "*BreakList"
  const uint8_t* hit = nullptr;  // the cursor at which the last break fired
} bps;

struct Watch_state {
  bool on = false;
  bool list_changed = false;
  Watch_list list;
  std::string last_sent;
} wat;

bool ieq(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::toupper(uint8_t(a[i])) != std::toupper(uint8_t(b[i]))) return false;
  return true;
}

void update_flag() {
  bool on = bps.dirty != 0 || bps.list_changed || wat.on || wat.list_changed;
  if (on) ws.Run_flags |= RF_CLIENT_DEBUG;
  else ws.Run_flags &= ~uint32_t(RF_CLIENT_DEBUG);
}

// Runs f with errors trapped and the evaluator's state kept: 0 or the error.
template <class F>
int trapped(F f) {
  Exec_cursor_guard cursor;
  uint8_t* work = ws.Work_ptr;
  Num_val acc = ws.Num_acc, acc2 = ws.Num_acc2;
  uint8_t* sp = ws.Str_ptr;
  int32_t sl = ws.Str_len;
  int err = 0;
  {
    Catch_region region;
    try {
      f();
    } catch (const Oru_error& e) {
      err = e.no ? e.no : 1;
    }
  }
  ws.Work_ptr = work;
  ws.Num_acc = acc;
  ws.Num_acc2 = acc2;
  ws.Str_ptr = sp;
  ws.Str_len = sl;
  return err;
}

void compile_entries() {
  bps.entries.clear();
  for (const std::string& text : bps.texts) {
    Break_parts s = SplitBreakLine(text);
    Break_entry e;
    e.valid = s.valid;
    e.program = s.program;
    e.no_dir = s.program.find_first_of("/\\") == std::string::npos;
    if (!s.statement.empty()) {
      if (std::isdigit(uint8_t(s.statement[0]))) {
        uint32_t n = 0;
        for (char c : s.statement) {
          if (!std::isdigit(uint8_t(c)) || n > 65000) {
            e.valid = false;
            break;
          }
          n = n * 10 + uint32_t(c - '0');
        }
        if (n == 0 || n > 65000) e.valid = false;
        e.line = n;
      } else {
        e.label = s.statement;
      }
    }
    if (!s.expression.empty()) {
      if (Compile_expression(reinterpret_cast<const uint8_t*>(s.expression.data()), s.expression.size(), e.code) != 0)
        e.valid = false;
      e.kind = s.kind;
    }
    bps.entries.push_back(std::move(e));
  }
  bps.dirty = 2;
}

bool program_matches(const Break_entry& e) {
  const Pgm_path* p = ws.Cur_pgm;
  if (!p) return false;
  auto same = [&](const char* s) {
    if (!s) return false;
    return e.no_dir ? BreakSimpleCmp(s, e.program) : ieq(s, e.program);
  };
  return same(p->path) || same(p->name);
}

bool label_matches(const std::string& label) {
  const uint8_t* p = ws.Exec_ptr;
  if (!p || *p != code::LABEL || (p[1] & 0x80)) return false;
  return ieq(std::string_view(reinterpret_cast<const char*>(p + 2), p[1]), label);
}

// Evaluates the entry's expression; true when its value changed since the
// previous check (a first evaluation never counts as a change).
bool evaluate(Break_entry& e, bool& true_number) {
  uint8_t state = 2;
  bool is_string = false;
  std::string value;
  true_number = false;
  int err = trapped([&] {
    ws.Exec_ptr = e.code.data() + 2;
    Eval_formula();
    if (*ws.Exec_ptr != code::EOL) Rpt_error(err::SYNTAX);
    if (ws.Str_len >= 0) {
      is_string = true;
      value.assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
    } else {
      uint8_t b[NUM_BYTES];
      Num_store(b, ws.Num_acc);
      value.assign(reinterpret_cast<const char*>(b), NUM_BYTES);
      true_number = ws.Num_acc.mant != 0;
    }
  });
  if (err) {
    state = 1;
    value.clear();
    is_string = false;
    true_number = false;
  }
  bool changed = e.state != 0 && (e.state != state || e.is_string != is_string || e.value != value);
  if (!is_string && state == 2 && e.state == 2 && !e.is_string) {
    // Numbers compare by value, not by their bytes.
    Num_val a = Num_load(reinterpret_cast<const uint8_t*>(e.value.data()));
    Num_val b = Num_load(reinterpret_cast<const uint8_t*>(value.data()));
    ws.Num_acc2 = a;
    Num_val keep = ws.Num_acc;
    ws.Num_acc = b;
    changed = Cmp_val() != 0;
    ws.Num_acc = keep;
  }
  e.state = state;
  e.is_string = is_string;
  e.value = std::move(value);
  return changed;
}

// Fetches a list the client reported changed.
void fetch_lists() {
  if (bps.list_changed) {
    bps.list_changed = false;
    std::string v;
    std::vector<std::string> texts;
    if (Client_debug.get_property && Client_debug.get_property("*BreakList", &v) && Break_parse_list(v, texts))
      Break_set_list(texts);
  }
  if (wat.list_changed) {
    wat.list_changed = false;
    std::string v;
    Watch_list l;
    if (Client_debug.get_property && Client_debug.get_property("*WatchList", &v) && Watch_parse_list(v, l))
      Watch_set_list(l);
  }
}

bool client_debug_hook() {
  fetch_lists();
  if (wat.on && Client_debug.send) {
    std::string buf = Watch_refresh();
    if (!buf.empty()) Client_debug.send(buf);
  }
  update_flag();
  // The statement a break stopped at runs when the program resumes: no
  // check there, once.
  if (ws.Exec_ptr == bps.hit) {
    bps.hit = nullptr;
    return false;
  }
  if (BreakPointCheck() == 0) return false;
  bps.hit = ws.Exec_ptr;
  return true;
}

void append_hex(std::string& out, uint8_t b) {
  static const char digits[] = "0123456789ABCDEF";
  out += digits[b >> 4];
  out += digits[b & 15];
}

}  // namespace

Break_parts SplitBreakLine(std::string_view text) {
  Break_parts s;
  size_t at = 0;
  while (at < text.size()) {
    size_t eq = text.find('=', at);
    size_t comma = text.find(',', at);
    if (eq == std::string_view::npos || (comma != std::string_view::npos && comma < eq)) {
      s.valid = false;  // an item without '='
      return s;
    }
    std::string_view key = text.substr(at, eq - at);
    while (!key.empty() && key.front() == ' ') key.remove_prefix(1);
    if (key.size() < 4) {
      s.valid = false;
      return s;
    }
    std::string_view k4 = key.substr(0, 4);
    size_t vstart = eq + 1;
    if (ieq(k4, "CHAN") || ieq(k4, "TEST")) {
      std::string_view v = text.substr(vstart);
      if (v.size() > EXPR_MAX || v.empty()) {
        s.valid = false;
        return s;
      }
      s.expression.assign(v);
      s.kind = ieq(k4, "CHAN") ? BREAK_CHAN : BREAK_TEST;
      return s;
    }
    size_t vend = text.find(',', vstart);
    if (vend == std::string_view::npos) vend = text.size();
    std::string_view v = text.substr(vstart, vend - vstart);
    if (ieq(k4, "PROG")) {
      if (v.size() > PROG_MAX) s.valid = false;
      else s.program.assign(v);
    } else if (ieq(k4, "STAT")) {
      if (v.size() > STAT_MAX) s.valid = false;
      else s.statement.assign(v);
    } else {
      s.valid = false;
    }
    if (!s.valid) return s;
    at = vend + 1;
  }
  return s;
}

bool Break_parse_list(std::string_view value, std::vector<std::string>& texts) {
  texts.clear();
  if (value.empty()) return true;  // no list
  if (value.size() < 4) return false;
  uint32_t count = uint32_t(uint8_t(value[2])) << 8 | uint8_t(value[3]);
  size_t at = 4;
  for (uint32_t i = 0; i < count; ++i) {
    if (at >= value.size()) return false;
    size_t len = uint8_t(value[at++]);
    if (at + len > value.size()) return false;
    texts.emplace_back(value.substr(at, len));
    at += len;
  }
  return true;
}

void Break_set_list(const std::vector<std::string>& texts) {
  // The same list again (read at each RUN) keeps the entries and the values
  // their expressions had: a change is still seen across the stop.
  if (bps.dirty != 0 && texts == bps.texts) return;
  bps.entries.clear();
  bps.texts = texts;
  bps.last_line = 0;
  bps.dirty = texts.empty() ? 0 : 1;
  update_flag();
}

void ClearBreaks() {
  bps.hit = nullptr;
  bps.entries.clear();
  bps.texts.clear();
  bps.dirty = 0;
  bps.last_line = 0;
  bps.list_changed = false;
  wat = Watch_state{};
  update_flag();
}

void Break_suspend(bool on) { bps.suspended = on; }

bool BreakSimpleCmp(std::string_view path, std::string_view name) {
  size_t cut = path.find_last_of("/\\");
  if (cut != std::string_view::npos) path.remove_prefix(cut + 1);
  return ieq(path, name);
}

int BreakPointCheck() {
  if (bps.dirty == 0 || bps.suspended) return 0;
  if (bps.dirty == 1) compile_entries();
  uint32_t line = ws.Cur_stno;
  // Leaving the line of the last break arms it again: a break fires once
  // per arrival at its line.
  if (line != bps.last_line) bps.last_line = 0;
  int fired = 0;
  for (size_t i = 0; i < bps.entries.size(); ++i) {
    Break_entry& e = bps.entries[i];
    // An invalid breakpoint text never stops the program.
    if (!e.valid) continue;
    if (!e.program.empty()) {
      bool in = program_matches(e);
      if (!in) {
        e.inside = false;
        continue;
      }
      if (e.line == 0 && e.label.empty() && e.code.empty()) {
        // A program alone: fires on each entry into the program.
        if (!e.inside) fired = int(i + 1);
        e.inside = true;
        continue;
      }
    }
    if (e.line != 0 && e.line != line) continue;
    if (!e.label.empty() && !label_matches(e.label)) continue;
    if (!e.code.empty()) {
      bool true_number;
      bool changed = evaluate(e, true_number);
      if (e.kind == BREAK_CHAN ? changed : (changed && true_number)) fired = int(i + 1);
      continue;
    }
    if (e.line == 0 && e.label.empty()) continue;  // nothing to wait for
    if (line != bps.last_line) fired = int(i + 1);
  }
  if (fired) bps.last_line = line;
  return fired;
}

// ---- watch list ----

bool Watch_parse_list(std::string_view value, Watch_list& out) {
  out = Watch_list{};
  if (value.empty()) return true;
  if (value.size() < 2) return false;
  out.chunk = uint8_t(value[1]);
  size_t at = 2;
  while (at < value.size()) {
    size_t len = uint8_t(value[at++]);
    if (at + len > value.size()) return false;
    std::string e(value.substr(at, len));
    size_t brace = e.find(" {");
    if (brace != std::string::npos) e.erase(brace);
    out.exprs.push_back(std::move(e));
    at += len;
  }
  return true;
}

std::string Watch_quote(const uint8_t* p, size_t n) {
  if (n == 0) return "\"\"";
  std::string out;
  size_t i = 0;
  while (i < n) {
    if (!out.empty()) out += '+';
    if (p[i] >= 32 && p[i] < 127 && p[i] != '"') {
      out += '"';
      while (i < n && p[i] >= 32 && p[i] < 127 && p[i] != '"') out += char(p[i++]);
      out += '"';
    } else {
      out += '$';
      while (i < n && !(p[i] >= 32 && p[i] < 127 && p[i] != '"')) append_hex(out, p[i++]);
      out += '$';
    }
  }
  return out;
}

std::vector<std::string> Watch_texts(const std::string& expr, int kind, const std::string& value, uint8_t chunk) {
  std::vector<std::string> out;
  auto cut = [](std::string t) {
    if (t.size() > WATCH_TEXT_MAX) {
      t.resize(WATCH_TEXT_MAX - 2);
      t += "..";
    }
    return t;
  };
  const uint8_t* v = reinterpret_cast<const uint8_t*>(value.data());
  switch (kind) {
    case 0: out.push_back(cut(expr + "=" + value)); return out;
    case 2: out.push_back(cut(expr + "=<Invalid>")); return out;
    case 3: out.push_back(cut(expr + "=<Err>")); return out;
    default: break;
  }
  if (chunk == 0 || value.size() <= chunk) {
    out.push_back(cut(expr + "=" + Watch_quote(v, value.size())));
    return out;
  }
  size_t n = value.size();
  out.push_back(cut(expr + " {1:" + std::to_string(n) + "}=" + Watch_quote(v, chunk)));
  for (size_t at = chunk; at < n; at += chunk) {
    size_t len = n - at < chunk ? n - at : chunk;
    out.push_back(cut("... {" + std::to_string(at + 1) + ":" + std::to_string(at + len) + "}=" + Watch_quote(v + at, len)));
  }
  return out;
}

void GenRmtWatchEntry(std::string& buf, const std::string& text, uint16_t entry_no) {
  // The text is at most 236 bytes: both length bytes fit.
  size_t n = text.size() > 240 ? 240 : text.size();
  buf += '\x1b';
  buf += "mn(";
  buf += char(uint8_t(n + 10));
  buf += char(6);
  buf += "*Watch";
  buf += char(uint8_t(n + 2));
  buf += char(uint8_t(entry_no >> 8));
  buf += char(uint8_t(entry_no));
  buf.append(text, 0, n);
}

void Watch_set_list(const Watch_list& list) {
  if (wat.on && list.chunk == wat.list.chunk && list.exprs == wat.list.exprs) return;
  wat.list = list;
  wat.on = !list.exprs.empty();
  wat.last_sent.clear();
  update_flag();
}

std::string Watch_refresh() {
  std::string buf;
  uint16_t entry = 0;
  for (const std::string& expr : wat.list.exprs) {
    std::vector<uint8_t> code;
    int kind;
    std::string value;
    if (Compile_expression(reinterpret_cast<const uint8_t*>(expr.data()), expr.size(), code) != 0) {
      kind = 2;
    } else {
      int err = trapped([&] {
        ws.Exec_ptr = code.data() + 2;
        Eval_formula();
        if (*ws.Exec_ptr != code::EOL) Rpt_error(err::SYNTAX);
        if (ws.Str_len >= 0) {
          kind = 1;
          value.assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
        } else {
          kind = 0;
          char t[CONV_NORMAL_MAX];
          value.assign(t, size_t(Conv_normal(ws.Num_acc, t)));
        }
      });
      if (err) kind = 3;
    }
    for (const std::string& t : Watch_texts(expr, kind, value, wat.list.chunk)) GenRmtWatchEntry(buf, t, entry++);
  }
  // Nothing changed since the last refresh that went out: nothing to send.
  if (buf == wat.last_sent) return std::string();
  wat.last_sent = buf;
  return buf;
}

void Break_list_changed() {
  bps.list_changed = true;
  update_flag();
}

void Watch_list_changed() {
  wat.list_changed = true;
  update_flag();
}

void Breakpoints_init() { Client_debug_hook = client_debug_hook; }

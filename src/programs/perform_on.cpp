// PERFORM ON and EXECUTE ON: logic attached to a program from outside it.
//
//   PERFORM "logic" ON [BEGIN|END] "prog;100"   the program "logic" runs
//   EXECUTE "PRINT X" ON "prog;LABEL"           the statements run
//   PERFORM "logic" ON "prog"                   once when "prog" starts
//   PERFORM "" ON "prog;100"                    removes the entry
//
// The registry lives until shut-down: program entries (newest first), each
// with its logic entries sorted by line (label entries, line 65535, at the
// end in order of registration), each pointing at a shared text record.
// Without BEGIN or END the logic takes the place of the line (the line does
// not run); with either, the line runs after the logic.
//
// The registry binds to the current program lazily: when a program starts,
// and whenever a trigger point is reached and the current program is not
// the one bound last, the program entry is looked up again (by the name as the program gave it, by
// its resolved path, or, for an entry named without "/", by the part of
// the name after its last "/"; case does not matter).
#include "programs/perform_on.h"

#include <cstring>
#include <string>
#include <vector>

#include "core/codes.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/line_store.h"
#include "core/messages.h"
#include "core/memory.h"
#include "core/workspace.h"
#include "programs/call_directives.h"
#include "programs/call_frame.h"
#include "programs/program_list.h"

namespace {

struct Text_rec {
  int refs = 0;
  bool execute = false;
  std::string text;
};

struct Logic_entry {
  uint32_t line = 0;  // 0 at program start, 65535 a label
  uint8_t keyword = 0;  // 0, 151 BEGIN, 166 END
  std::string label;
  Text_rec* text = nullptr;
  bool running = false;              // EXECUTE logic running now
  // Registered while its program was running: the call levels that ran it
  // then (each named by its call link, null for the top level).  The entry
  // does not fire at those levels; a level that starts the program after
  // the registration has a link of its own, or drops its link from here.
  std::vector<const void*> waiting_at;
  // Replaced (or, with no text, removed) while its program was running: the
  // change waits until the program next becomes current.
  bool later_set = false;
  uint8_t later_keyword = 0;
  Text_rec* later = nullptr;
  Call_frame* perform_frame = nullptr;  // the call a PERFORM logic made
  std::string perform_name;             // and the name it gave the logic program
};

struct Prog_entry {
  std::string name;
  bool last_component = false;
  std::vector<Logic_entry*> logic;
};

std::vector<Prog_entry*> programs;  // newest first
std::vector<Text_rec*> texts;

// The binding to the current program.
Pgm_path* bound_pgm = nullptr;
std::string bound_path, bound_name;
Prog_entry* bound = nullptr;
bool bound_valid = false;

Logic_entry* pending = nullptr;
uint16_t pending_line = 0;
bool first_line = false;  // the program has started: its first line's entry is looked for
uint16_t done_line = 0;  // the line whose logic ran last (not requested again while it stands)
// The call levels whose start logic is a PERFORM still running (their
// frame links): back at such a level its first line's entry is looked for.
std::vector<const void*> start_returns;

bool same_nocase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && (a.empty() || memicmp(a.data(), b.data(), a.size()) == 0);
}

void release_text(Text_rec* t) {
  if (!t || --t->refs > 0) return;
  for (size_t i = 0; i < texts.size(); ++i)
    if (texts[i] == t) {
      texts.erase(texts.begin() + long(i));
      break;
    }
  delete t;
}

Text_rec* share_text(bool execute, const std::string& s) {
  for (Text_rec* t : texts)
    if (t->execute == execute && t->text == s) {
      t->refs++;
      return t;
    }
  auto* t = new Text_rec{1, execute, s};
  texts.insert(texts.begin(), t);
  return t;
}

std::string name_of(const Str_blk* n) {
  return n ? std::string(reinterpret_cast<const char*>(n->bytes()), n->len) : std::string();
}

// The program entry p names the program whose name as given is name and
// whose file is path.
bool names(const Prog_entry* p, const std::string& name, const std::string& path) {
  std::string last = name;
  size_t slash = last.rfind('/');
  if (slash != std::string::npos) last.erase(0, slash + 1);
  return (!name.empty() && same_nocase(p->name, name)) || (!path.empty() && same_nocase(p->name, path)) ||
         (p->last_component && !last.empty() && same_nocase(p->name, last));
}

void rebind() {
  bound_valid = true;
  bound_pgm = ws.Cur_pgm;
  bound_path = bound_pgm && bound_pgm->path ? bound_pgm->path : "";
  bound_name = name_of(ws.Pgm_name);
  bound = nullptr;
  for (Prog_entry* p : programs) {
    if (names(p, bound_name, bound_path)) {
      bound = p;
      return;
    }
  }
}

// The call levels that run the program p now, the current one and those
// that called it, each named by its call link.
std::vector<const void*> levels_running(const Prog_entry* p) {
  std::vector<const void*> levels;
  const Prog_context* level = &ws;
  for (const Call_frame* f = ws.Call_link;; level = f, f = f->Call_link) {
    const Pgm_path* path = level->Cur_pgm;
    if ((path || level->Pgm_name) && names(p, name_of(level->Pgm_name), path && path->path ? path->path : ""))
      levels.push_back(level->Call_link);
    if (!f) return levels;
  }
}

bool on_chain(const void* level) {
  for (const Call_frame* f = ws.Call_link; f; f = f->Call_link)
    if (f == level) return true;
  return level == nullptr;
}

// Whether e waits at some level still on the call chain (levels left
// meanwhile are dropped: their frames may be taken by later calls).
bool waiting(Logic_entry* e) {
  std::vector<const void*>& w = e->waiting_at;
  for (size_t i = 0; i < w.size();)
    if (on_chain(w[i])) ++i;
    else w.erase(w.begin() + long(i));
  return !w.empty();
}

// Whether e waits at the current level.
bool waits_here(Logic_entry* e) {
  if (!waiting(e)) return false;
  for (const void* level : e->waiting_at)
    if (level == ws.Call_link) return true;
  return false;
}

Prog_entry* current() {
  if (!bound_valid || ws.Cur_pgm != bound_pgm ||
      (bound_pgm && bound_path != (bound_pgm->path ? bound_pgm->path : "")) ||
      (ws.Pgm_name ? std::string(reinterpret_cast<const char*>(ws.Pgm_name->bytes()), ws.Pgm_name->len) : "") !=
          bound_name)
    rebind();
  return bound;
}

void request(Logic_entry* e, uint16_t line) {
  pending = e;
  pending_line = line;
  ws.Run_flags |= RF_PERFORM_ON;
}

// True when the call a PERFORM logic made is still on the call chain.  A
// frame freed by the logic's return may be taken again by a later call at
// the same address: the frame must still be a PERFORM's (the callee shares
// its variables) and the program above it the logic program.
bool performing(const Logic_entry* e) {
  if (!e->perform_frame) return false;
  const Prog_context* above = &ws;
  for (Call_frame* f = ws.Call_link; f; above = f, f = f->Call_link) {
    if (f != e->perform_frame) continue;
    const Str_blk* n = above->Pgm_name;
    return (f->Pgm_flags & PGM_SHARES_VARS) && n &&
           same_nocase(std::string(reinterpret_cast<const char*>(n->bytes()), n->len), e->perform_name);
  }
  return false;
}

// The code position of the end of the current line from the cursor.
uint8_t* line_end(uint8_t* p) {
  const uint8_t* end = Code_end(p);
  while (*p != code::EOL && *p != code::END_SCAN) p += Scan_size(p, end);
  return p;
}

}  // namespace

void Perform_On(bool execute, const std::string& text) {
  uint8_t keyword = 0;
  if (*ws.Exec_ptr == code::D_BEGIN || *ws.Exec_ptr == code::D_END) keyword = *ws.Exec_ptr++;
  Eval_str();
  std::string target(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
  if (*ws.Exec_ptr == code::COMMA && ws.Exec_ptr[1] == code::IOPT_FIRST + 4) ws.Exec_ptr++;
  Chk_err();
  if (target.empty()) Rpt_error(err::STRING_LENGTH);
  std::string name = target;
  uint32_t line = 0;
  std::string label;
  size_t semi = target.find(';');
  if (semi != std::string::npos) {
    name = target.substr(0, semi);
    size_t i = semi + 1;
    while (i < target.size() && target[i] >= '0' && target[i] <= '9') {
      line = line * 10 + uint32_t(target[i] - '0');
      if (line >= LAST_LINE_NO) Rpt_error(err::LINE_NUMBER_RANGE);
      ++i;
    }
    if (line == 0) {
      label = target.substr(semi + 1);
      while (!label.empty() && label.back() == ' ') label.pop_back();
      while (!label.empty() && label.front() == ' ') label.erase(0, 1);
      if (label.empty()) Rpt_error(err::STRING_LENGTH);
      line = 65535;
    }
  }
  Prog_entry* prog = nullptr;
  size_t prog_at = 0;
  for (size_t i = 0; i < programs.size(); ++i)
    if (programs[i]->name == name) {
      prog = programs[i];
      prog_at = i;
      break;
    }
  if (!prog) {
    if (text.empty()) return;
    prog = new Prog_entry{name, name.find('/') == std::string::npos, {}};
    programs.insert(programs.begin(), prog);
    prog_at = 0;
  }
  size_t at = prog->logic.size();
  Logic_entry* found = nullptr;
  for (size_t i = 0; i < prog->logic.size(); ++i) {
    Logic_entry* e = prog->logic[i];
    if (line == 65535) {
      if (e->line == 65535 && same_nocase(e->label, label)) {
        found = e;
        at = i;
        break;
      }
      continue;
    }
    if (e->line == line) {
      found = e;
      at = i;
      break;
    }
    if (e->line > line) {
      at = i;
      break;
    }
  }
  if (found && !waiting(found) && !levels_running(prog).empty()) {
    if (found->later_set) release_text(found->later);
    found->later = text.empty() ? nullptr : share_text(execute, text);
    found->later_keyword = keyword;
    found->later_set = true;
    return;
  }
  if (found) {
    release_text(found->text);
    found->text = nullptr;
    if (found->later_set) release_text(found->later);
    found->later = nullptr;
    found->later_set = false;
    if (text.empty()) {
      if (pending == found) {
        pending = nullptr;
        ws.Run_flags &= ~RF_PERFORM_ON;
      }
      delete found;
      prog->logic.erase(prog->logic.begin() + long(at));
      if (prog->logic.empty()) {
        if (bound == prog) bound_valid = false;
        delete prog;
        programs.erase(programs.begin() + long(prog_at));
      }
      Perform_on_active = !programs.empty();
      return;
    }
    found->keyword = keyword;
  } else {
    if (text.empty()) return;
    found = new Logic_entry;
    found->line = line;
    found->keyword = keyword;
    found->label = label;
    prog->logic.insert(prog->logic.begin() + long(at), found);
    found->waiting_at = levels_running(prog);
  }
  found->text = share_text(execute, text);
  Perform_on_active = true;
}

void Perform_On_Clear() {
  for (Prog_entry* p : programs) {
    for (Logic_entry* e : p->logic) delete e;
    delete p;
  }
  programs.clear();
  for (Text_rec* t : texts) delete t;
  texts.clear();
  bound = nullptr;
  bound_valid = false;
  pending = nullptr;
  start_returns.clear();
  Perform_on_active = false;
}

void Perform_on_start() {
  // The program becomes current: what is registered for it now is bound (a
  // registration made while it runs waits for this).
  done_line = 0;
  bound_valid = false;
  pending = nullptr;
  first_line = false;
  Prog_entry* p = current();
  if (!p) return;
  // What was registered for the program while it ran takes effect now.
  for (size_t i = 0; i < p->logic.size();) {
    Logic_entry* e = p->logic[i];
    if (waiting(e)) {  // this level starts the program: nothing waits here
      std::vector<const void*>& w = e->waiting_at;
      for (size_t j = 0; j < w.size();)
        if (w[j] == ws.Call_link) w.erase(w.begin() + long(j));
        else ++j;
    }
    if (e->later_set && (e->running || performing(e))) {  // its own logic runs now: later
      i++;
      continue;
    }
    if (e->later_set && !e->later) {
      release_text(e->text);
      delete e;
      p->logic.erase(p->logic.begin() + long(i));
      continue;
    }
    if (e->later_set) {
      release_text(e->text);
      e->text = e->later;
      e->keyword = e->later_keyword;
      e->later = nullptr;
      e->later_set = false;
    }
    i++;
  }
  if (p->logic.empty()) {
    for (size_t i = 0; i < programs.size(); ++i)
      if (programs[i] == p) {
        programs.erase(programs.begin() + long(i));
        break;
      }
    delete p;
    bound = nullptr;
    Perform_on_active = !programs.empty();
    return;
  }
  // The start's entry, then the first line's (the line is entered in
  // sequence), once the program stands at it.
  first_line = true;
  if (p->logic.front()->line == 0) request(p->logic.front(), 0);
  else ws.Run_flags |= RF_PERFORM_ON;
}

void Perform_on_line(uint16_t n) {
  if (n == done_line) return;
  done_line = 0;
  Prog_entry* p = current();
  if (!p) return;
  for (Logic_entry* e : p->logic) {
    if (e->line == n) {
      if (!waits_here(e)) request(e, n);
      return;
    }
    if (e->line > n) return;
  }
}

void Perform_on_label(const uint8_t* p) {
  if (ws.Cur_stno == done_line) return;
  Prog_entry* prog = current();
  if (!prog || (p[1] & 0x80)) return;
  std::string label(reinterpret_cast<const char*>(p + 2), p[1]);
  for (Logic_entry* e : prog->logic)
    if (e->line == 65535 && !waits_here(e) && same_nocase(e->label, label)) {
      request(e, ws.Cur_stno);
      return;
    }
}

void Perform_on_returned() {
  if (start_returns.empty()) return;
  // (Levels left by an error meanwhile are passed by.)
  while (!start_returns.empty() && !on_chain(start_returns.back())) start_returns.pop_back();
  if (start_returns.empty() || start_returns.back() != ws.Call_link) return;
  start_returns.pop_back();
  // The start's logic has returned: now the first line's entry, as after
  // an EXECUTE start logic.
  bound_valid = false;
  pending = nullptr;
  done_line = 0;
  first_line = true;
  ws.Run_flags |= RF_PERFORM_ON;
}

bool Do_On_PerfExec() {
  if (first_line && !pending) {
    first_line = false;
    if (ws.Cur_stno != 0) Perform_on_line(ws.Cur_stno);
  }
  Logic_entry* e = pending;
  pending = nullptr;
  if (!e || !e->text || ws.Cur_stno == 0) return false;
  if (e->line != 0) first_line = false;
  done_line = pending_line;
  bool skip_line = e->keyword == 0 && e->line != 0;
  if (!e->text->execute) {
    if (performing(e)) Rpt_error(err::NESTING_TOO_DEEP);  // the logic reached its own trigger again
    // The performed program returns to the line (BEGIN, END, program
    // start) or past it.
    if (skip_line) ws.Exec_ptr = line_end(ws.Exec_ptr);
    const bool at_start = first_line && e->line == 0;
    const void* level = ws.Call_link;
    Perform_logic_program(e->text->text);
    if (at_start) start_returns.push_back(level);
    e->perform_frame = ws.Call_link;
    e->perform_name = ws.Pgm_name ? std::string(reinterpret_cast<const char*>(ws.Pgm_name->bytes()), ws.Pgm_name->len)
                                  : std::string();
    return true;
  }
  if (e->running) Rpt_error(err::NESTING_TOO_DEEP);
  e->running = true;
  int err;
  try {
    err = Exec_text(e->text->text);
  } catch (...) {
    e->running = false;
    throw;
  }
  e->running = false;
  if (err > 0) Rpt_error(err);
  if (first_line) {  // the start's logic ran: now the first line's
    ws.Run_flags |= RF_PERFORM_ON;
    return true;
  }
  if (!skip_line) return false;
  ws.Exec_ptr = line_end(ws.Exec_ptr);
  return true;
}

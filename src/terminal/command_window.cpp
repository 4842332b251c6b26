// The debugger's command window (see command_window.h).
//
// Ownership: while the window is closed its record is `kept` here (a
// Get_blk block with its planes); while it is open the record lives on the
// console's window stack, and whatever drops windows there ('WD' on it,
// 'SR', closing the console) frees it with the others.  So "open on a
// terminal screen" is asked of the stack itself (Window_exists), never
// remembered beside it.
#include "terminal/command_window.h"

#include "channels/channel.h"
#include "channels/print.h"
#include "core/errors.h"
#include "core/hooks.h"
#include "core/memory.h"
#include "core/workspace.h"
#include "terminal/terminal.h"

namespace {

Window_rec* kept = nullptr;
bool open = false;  // '+C' was the last of the two sent
bool busy = false;  // a change is under way (a repaint may print)

struct Busy {
  Busy() { busy = true; }
  ~Busy() { busy = false; }
};

bool thin(const Fcb* f) { return (f->st2 & ST2_THIN_CLIENT) != 0; }
// A console whose screen this process draws (a thin client draws its own).
bool local_screen(const Fcb* f) { return f && Is_screen(f) && !thin(f); }

bool on_stack() {
  Fcb* f = ws.Con_fcb;
  return local_screen(f) && Window_exists(Dev(f), CMD_WINDOW_NUMBER);
}

// '+C' and '-C' go to a thin client, and to a terminal that defines them.
void send(uint16_t m) {
  Fcb* f = ws.Con_fcb;
  if (!f || !(thin(f) || Find_mnem_in(f, m))) return;
  Prt_mnem(m);
}

void free_kept() {
  if (!kept) return;
  Window_release(*kept);
  Ret_blk(kept);
  kept = nullptr;
}

// A blank window over the whole screen, in the fresh attribute.
void make_window(Fcb* f) {
  Dev_fcb* d = Dev(f);
  int32_t cols = f->cols > d->win.outer_cols ? f->cols : d->win.outer_cols;
  int32_t lines = f->lines > d->win.outer_lines ? f->lines : d->win.outer_lines;
  if (cols < 1 || lines < 1) return;
  size_t cells = size_t(cols) * size_t(lines);
  Window_rec* r = static_cast<Window_rec*>(Get_blk(sizeof(Window_rec)));
  *r = Window_rec{};
  r->chars = static_cast<uint8_t*>(Get_blk(cells));
  r->attrs = static_cast<uint32_t*>(Get_blk(cells * 4));
  for (size_t i = 0; i < cells; ++i) {
    r->chars[i] = ' ';
    r->attrs[i] = ATTR_FRESH;
  }
  r->cols = r->in_cols = r->outer_cols = r->stride = cols;
  r->lines = r->in_lines = r->outer_lines = lines;
  r->def_attr = ATTR_FRESH;
  r->cur_attr = ATTR_FRESH;
  r->options = 1;
  r->number = CMD_WINDOW_NUMBER;
  r->type = WINDOW_DIALOGUE;
  kept = r;
}

void hook_open() { GotoComndWdw(); }
void hook_close() { DropComndWdw(); }

// The window follows the program's stops and runs, which also happen while
// an error is reported or the console goes: a device or a client that
// fails under it leaves the window as it is, the failure is not the
// statement's (the next console I/O meets it).
template <class Fn>
void quietly(Fn fn) {
  try {
    Catch_region region;
    fn();
  } catch (const Oru_error&) {
  } catch (const Mnemonic_ignored&) {
  }
}

}  // namespace

void DoCommandWdw(uint16_t mnemonic, bool print) {
  Fcb* f = ws.Con_fcb;
  if (mnemonic == Mnem_code('W', 'D')) {
    if (on_stack()) {
      Console_current cc;
      Busy b;
      free_kept();
      Window_rec* r = nullptr;
      quietly([&r] { Window_take(CMD_WINDOW_NUMBER, r); });
      if (r) {
        Window_release(*r);
        Ret_blk(r);
      }
    }
    free_kept();
    return;
  }
  if (!kept && !on_stack() && local_screen(f)) make_window(f);
  if (print && mnemonic != 0) {
    Console_current cc;
    Prt_mnem(mnemonic);
  }
}

void Cmd_window_prompt() {
  GotoComndWdw();
  Fcb* f = ws.Con_fcb;
  if (!f || !thin(f)) return;
  Console_current cc;
  quietly([] { Prt_mnem(Mnem_code('+', 'U')); });
}

void GotoComndWdw() {
  if (!Cmd_window_enabled() || busy || !ws.Con_fcb) return;
  Fcb* f = ws.Con_fcb;
  if (!thin(f) && !Is_screen(f)) return;  // a transcript has no windows
  Busy b;
  Console_current cc;
  quietly([f] {
    if (!open) {
      open = true;
      send(Mnem_code('+', 'C'));
    }
    if (!local_screen(f)) return;
    // A screen that changed size since the window was made gets a new one.
    if (kept && (kept->outer_cols < f->cols || kept->outer_lines < f->lines)) free_kept();
    if (!kept && !on_stack()) DoCommandWdw(0, false);
    if (!kept) return;
    Window_rec* r = kept;
    kept = nullptr;
    Window_push_record(r);  // takes r over, also when the repaint fails
  });
}

void DropComndWdw() {
  if (!Cmd_window_enabled() || busy || !open || !ws.Con_fcb) return;
  Busy b;
  Console_current cc;
  open = false;
  quietly([] {
    send(Mnem_code('-', 'C'));
    if (!on_stack()) return;
    free_kept();
    Window_take(CMD_WINDOW_NUMBER, kept);
  });
}

bool Cmd_window_is_open() { return open; }

void Cmd_window_free() {
  if (Cmd_window_enabled()) DropComndWdw();
  open = false;
  free_kept();
}

void Cmd_window_register() {
  Core_hook.command_window_open = hook_open;
  Core_hook.command_window_close = hook_close;
}

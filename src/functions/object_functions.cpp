// OBJ(: the list of live objects, and the description of a window or a
// control of the console.
//
//   OBJ(LIST)          a line per live object (see Kest_ObjList)
//   OBJ([/]id)         64 bytes describing control id of the current window
//                      (0: the window itself); '/' asks the thin client for
//                      its other form
//   OBJ(id, "handle")  the control's window handle on the thin client, as a
//                      4-byte big-endian number; another keyword gives ""
//
// Description (64 bytes, big-endian, zero where nothing is listed):
//   0-1 control type (0 the window)      2-3 control flag word, or the
//   4-5 column   6-7 line                    channel's terminal flag word
//   9 width   11 height                  12-15 the control's selection, or
//   window only: 29 window number,             the channel's attribute word
//   31 frame kind, 33 window type, 35 low byte of its group
#include <cstdint>
#include <cstdlib>
#include <string>

#include "channels/channel.h"
#include "core/codes.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/executor.h"
#include "core/workspace.h"
#include "functions/fnc_args.h"
#include "functions/function_table.h"
#include "programs/objects.h"
#include "terminal/command_window.h"
#include "terminal/controls.h"
#include "terminal/gui_client.h"
#include "terminal/gui_objctl.h"
#include "terminal/tc_protocol.h"
#include "terminal/terminal.h"

namespace {

constexpr size_t DESC_SIZE = 64;
constexpr uint16_t WOB_BINDING = 128;  // a control-to-object binding, no control

bool on_client() { return ws.Con_fcb && (ws.Con_fcb->st2 & ST2_THIN_CLIENT); }

void put16(uint8_t* d, int32_t v) { put_u16be(d, uint16_t(v)); }

std::string describe_window(Fcb* f) {
  std::string out(DESC_SIZE, '\0');
  uint8_t* d = reinterpret_cast<uint8_t*>(out.data());
  put16(d + 2, f->term_flags);
  if (Is_screen(f)) {
    const Window_rec& w = Dev(f)->win;
    put16(d + 4, w.scr_col);
    put16(d + 6, w.scr_line);
    d[9] = uint8_t(w.outer_cols);
    d[11] = uint8_t(w.outer_lines);
    d[29] = uint8_t(w.number);
    d[31] = w.frame;
    d[33] = w.type;
    d[35] = uint8_t(w.group);
  } else {
    // A console without a screen: the size MXC( and MXL( give, as the
    // control directives take it (80 x 24 when the device has none).
    int32_t cols = f->cols > 0 ? f->cols : 80, lines = f->lines > 0 ? f->lines : 24;
    d[9] = uint8_t(cols > 255 ? 255 : cols);
    d[11] = uint8_t(lines > 255 ? 255 : lines);
  }
  put_u32be(d + 12, f->attr);
  return out;
}

std::string describe_control(Fcb* f, int32_t id) {
  // Controls are kept in the current window even without a screen.
  const Wob* c = nullptr;
  if (f->kind == FK_DEVICE)
    for (const Wob* o = Dev(f)->win.controls; o; o = o->next)
      if (o->id == id && o->type != WOB_BINDING) c = o;
  if (!c) Rpt_error_text(err::NO_CONTROL, "no control " + std::to_string(id) + " in the current window");
  std::string out(DESC_SIZE, '\0');
  uint8_t* d = reinterpret_cast<uint8_t*>(out.data());
  put16(d, c->type);
  put16(d + 2, c->flags);
  put16(d + 4, c->col);
  put16(d + 6, c->line);
  d[9] = uint8_t(c->width);
  d[11] = uint8_t(c->height);
  put_u32be(d + 12, uint32_t(c->selected));
  return out;
}

// OBJ(id, keyword): only "handle" (any case) has a value.
void keyword_form(int32_t id) {
  Fnc_str k = Fnc_string();
  std::string word(reinterpret_cast<const char*>(k.p), size_t(k.len));
  for (char& ch : word)
    if (ch >= 'A' && ch <= 'Z') ch = char(ch + 32);
  if (word != "handle") {
    Fnc_result_text(std::string());
    return;
  }
  if (!on_client()) Rpt_error_text(err::NO_CONTROL, "window handles of controls exist on the thin client only");
  std::string text = Gui_prop_read(1000000000 + id, "hwnd", false);
  int64_t h = std::strtoll(text.c_str(), nullptr, 10);
  uint8_t b[4];
  put_u32be(b, uint32_t(h));
  Fnc_result_copy(b, 4);
}

}  // namespace

void fnc_fobj() {
  if (*ws.Exec_ptr == code::D_LIST) {
    ++ws.Exec_ptr;
    Fnc_result_text(Kest_ObjList());
    return;
  }
  Io_save_guard keep_io;
  bool other_form = false;
  if (*ws.Exec_ptr == code::OP_DIV) {
    other_form = true;
    ++ws.Exec_ptr;
  }
  int32_t id = Eval_range(-32000, 32767);
  Cmd_window_aside aside;
  Set_console();
  if (Fnc_more()) {
    keyword_form(id);
    return;
  }
  if (on_client()) {
    Wtty_init('O', other_form ? 'g' : ' ');
    Wtty_int(id);
    Wtty_xmit(1);
    std::string reply(reinterpret_cast<const char*>(ws.Str_ptr), ws.Str_len > 0 ? size_t(ws.Str_len) : 0);
    Fnc_result_text(reply);
    return;
  }
  // A handler object emulating the controls may describe them itself.
  std::string told;
  if (id >= 0 && KestObjCtlFOBJ(id, told)) {
    Fnc_result_text(told);
    return;
  }
  Fcb* f = ws.Con_fcb;
  if (!f) Rpt_error(err::WRONG_MODE);
  Fnc_result_text(id == 0 ? describe_window(f) : describe_control(f, id));
}

// Thin-client requests of the GUI control directives.
//
// Every request names the control by a 2-byte id after its major and
// minor codes.  Positions travel as four 2-byte integers in hundredths of a
// cell (a level-0 client takes four bytes in whole cells).  List-box
// family items after the id, by operation:
//   DEF     positions, str options, str xlate, chr key letter, chr separator
//   LOAD    str list | int index, str item | int index, str of length -1 (delete)
//   WRITE   [int col, int line (grid, chart)] chr 'S', str text | chr 'N', long index
//   READ    chr second keyword ('N' NEXT, ' ' none); reply: CTL byte, 4-byte index, item text
//   FIND    int index | int col, int line (grid, chart); reply: the item text
//   NEXT    int value;  CLEAR, DELETE, SELECT, LOCK, UNLOCK, GOTO (grid): their integers
//   others  nothing
//   SELECT  [chr 'R' READ, 'r' RESET] or its integers; reply: 4-byte column and line
// Only READ, FIND and SELECT await a reply.
#include "terminal/gui_client.h"

#include "core/errors.h"
#include "core/workspace.h"
#include "terminal/controls.h"
#include "terminal/gui_objctl.h"
#include "terminal/tc_propcache.h"
#include "terminal/tc_protocol.h"

namespace {

constexpr uint16_t EXT = 0x100;

void clwh(int32_t col, int32_t line, int32_t cols, int32_t lines) {
  if (ws.Tc_level == 0) {
    Wtty_chr(col / 100);
    Wtty_chr(line / 100);
    Wtty_chr((cols + 99) / 100);
    Wtty_chr((lines + 99) / 100);
    return;
  }
  Wtty_int(col);
  Wtty_int(line);
  Wtty_int(cols);
  Wtty_int(lines);
}

int minor_of(uint16_t op) {
  if (op == 0) return WttyMinCode(156);
  int m = WttyMinCode(op & 0xFF);
  if (m == 0) Rpt_error_text(err::SYNTAX, "this operation has no thin-client form");
  return m;
}

std::string reply() { return std::string(reinterpret_cast<const char*>(ws.Str_ptr), ws.Str_len > 0 ? size_t(ws.Str_len) : 0); }

}  // namespace

std::string Gui_lbox_send(const Gui_lbox& r) {
  int major;
  switch (r.type) {
    case CT_LIST_BOX: major = 'L'; break;
    case CT_VARLIST_BOX: major = 'l'; break;
    case CT_DROP_BOX: major = 'D'; break;
    case CT_VARDROP_BOX: major = 'd'; break;
    case CT_MULTI_LINE: major = 'M'; break;
    case CT_GRID: major = 'G'; break;
    default: major = 'a'; break;  // chart
  }
  Wtty_init(major, minor_of(r.op));
  Wtty_int(r.id);
  bool wait = false;
  switch (r.op) {
    case 0:
      clwh(r.nums[0], r.nums[1], r.nums[2], r.nums[3]);
      Wtty_str(r.options);
      Wtty_str(r.xlate);
      Wtty_chr(r.alt_key);
      Wtty_chr(r.delim);
      // The further options, as the buttons send theirs: the texts, the
      // numbers from level 7, the texts of XT1= and XT2= from level 12.
      Wtty_str(r.font);
      Wtty_str(r.null_text);
      Wtty_str(r.tip);
      Wtty_str(r.format);
      Wtty_str(r.message);
      if (ws.Tc_level > 6) {
        Wtty_int(r.menu_ctl);
        Wtty_int(r.max_len);
      }
      if (ws.Tc_level > 11) {
        Wtty_str(r.ext1);
        Wtty_str(r.ext2);
      }
      break;
    case 190:  // LOAD
      for (int i = 0; i < r.nnums; ++i) Wtty_int(r.nums[i]);
      if (r.value_kind == 2) {
        Wtty_str(r.text);
      } else {
        Wtty_int(r.index);
        if (r.value_kind == 3) Wtty_str(nullptr, -1);
        else Wtty_str(r.text);
      }
      break;
    case 232:  // WRITE
      for (int i = 0; i < r.nnums; ++i) Wtty_int(r.nums[i]);
      if (r.value_kind == 2) {
        Wtty_chr('S');
        Wtty_str(r.text);
      } else {
        Wtty_chr('N');
        Wtty_long(r.index);
      }
      break;
    case 204:  // READ
      Wtty_chr(r.op2 ? 'N' : ' ');
      wait = true;
      break;
    case 176:  // FIND
      for (int i = 0; i < r.nnums; ++i) Wtty_int(r.nums[i]);
      if (r.nnums == 0) Wtty_int(r.index);
      wait = true;
      break;
    case 194:  // NEXT
      Wtty_int(r.index);
      break;
    default:
      if (r.op == (EXT | 198)) {  // SELECT: the client answers every form
        wait = true;
        if (r.op2) {  // SELECT READ (reply: 4-byte column and line) / SELECT RESET
          Wtty_chr(r.op2 == 213 ? 'r' : 'R');
          break;
        }
      }
      for (int i = 0; i < r.nnums; ++i) Wtty_int(r.nums[i]);
      break;
  }
  Wtty_xmit(wait ? 1 : 0);
  return wait ? reply() : std::string();
}

std::string Gui_button_send(const Gui_button& b) {
  int major = b.type == CT_BUTTON ? 'B' : b.type == CT_CHECK_BOX ? 'C' : b.type == CT_TRISTATE_BOX ? 'T' : 'R';
  if (b.alt_form) major += 'a' - 'A';
  int minor;
  switch (b.op) {
    case 0: minor = ws.Tc_level == 0 ? 'C' : '$'; break;
    case 61: minor = 'F'; break;
    case 195: minor = 'N'; break;
    case EXT | 169: minor = 'D'; break;
    case EXT | 170: minor = 'E'; break;
    case 180: minor = 'G'; break;
    case 194: minor = 'S'; break;
    case EXT | 202: minor = 's'; break;
    case EXT | 203: minor = 'h'; break;
    case 204: minor = 'R'; break;
    case 208: minor = '-'; break;
    case 232: minor = 'W'; break;
    default: Rpt_error_text(err::SYNTAX, "this operation has no button request");
  }
  Wtty_init(major, minor);
  Wtty_int(b.id);
  Wtty_chr(b.group & 0x7F);
  if (b.op == 0) {
    if (ws.Tc_level == 0) {
      // A level-0 client takes the four positions in whole cells, still
      // two bytes each, and the caption as it stands.
      Wtty_int(b.col / 100);
      Wtty_int(b.line / 100);
      Wtty_int((b.cols + 99) / 100);
      Wtty_int((b.lines + 99) / 100);
      Wtty_str2(reinterpret_cast<const uint8_t*>(b.text.data()), int32_t(b.text.size()));
    } else {
      clwh(b.col, b.line, b.cols, b.lines);
      Wtty_str(b.text);
      Wtty_str(b.message);
      Wtty_str(b.options);
      Wtty_str(b.tip);
      Wtty_str(b.states);
      Wtty_str(b.font);
      if (ws.Tc_level > 6) Wtty_int(b.menu_ctl);
      if (ws.Tc_level > 11) Wtty_str(b.ext);
    }
  } else if (b.op == 194) {
    Wtty_int(b.next);
  } else if (b.op == 232) {
    Wtty_chr(b.state);
  }
  bool wait = b.op == 204;
  Wtty_xmit(wait ? 1 : 0);
  return wait ? reply() : std::string();
}

int32_t Gui_scroll_send(uint16_t type, uint16_t op, int32_t id, const int32_t nums[4], const std::string& options) {
  Wtty_init(type == CT_HSCROLL ? '-' : '|', minor_of(op));
  Wtty_int(id);
  if (op == 0) {
    clwh(nums[0], nums[1], nums[2], nums[3]);
    Wtty_str(options);
    if (ws.Tc_level >= 12) Wtty_str(std::string());
  } else if (op == 204) {
    Wtty_long(nums[0]);
    Wtty_long(nums[1]);
    Wtty_long(nums[2]);
    Wtty_xmit(1);
    if (ws.Str_len < 4) Rpt_error_text(err::CONNECTION_LOST, "the client's scroll-bar position is too short");
    const uint8_t* p = ws.Str_ptr;
    return int32_t(uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]);
  } else if (op == 232) {
    Wtty_long(nums[0]);
    Wtty_long(nums[1]);
  }
  Wtty_xmit(0);
  return 0;
}

int32_t Gui_focus_read() {
  Wtty_init('S', 'R');
  Wtty_xmit(1);
  if (ws.Str_len < 2) Rpt_error_text(err::CONNECTION_LOST, "the client's focus reply is too short");
  return int16_t(uint16_t(ws.Str_ptr[0] << 8 | ws.Str_ptr[1]));
}

void Gui_focus_set(int32_t id, bool retry) {
  Wtty_init('S', retry ? 'Y' : ' ');
  Wtty_int(id);
  Wtty_xmit(1);
}

void Gui_show_hide(uint16_t op, const std::string& entries) {
  int major = op == (EXT | 202) ? 's' : op == (EXT | 203) ? 'h' : op == (EXT | 170) ? '<' : '>';
  Wtty_init(major, ' ');
  Wtty_str(entries);
  Wtty_xmit(0);
}

std::string Gui_popup(bool string_target, int32_t col, int32_t line, const std::string& menu) {
  Wtty_init('N', '@');
  Wtty_chr(string_target ? 'S' : 'N');
  Wtty_int(col);
  Wtty_int(line);
  Wtty_str(menu);
  Wtty_xmit(1);
  return reply();
}

std::string Gui_prop_read(int32_t id, const std::string& path, bool string) {
  bool cache = id >= -32000 && id <= 32000 && ZefVrl_active();
  std::string kept;
  if (cache && ZefVrl_GetProperty(id, path, &kept)) return kept;
  if (ws.Tc_level >= 9) {
    Wtty_init('Y', 'R');
    Wtty_chr(string ? 'S' : 'N');
  } else {
    Wtty_init('A', 'R');
  }
  Wtty_long(id);
  Wtty_str(path);
  Wtty_xmit(1);
  std::string back = reply();
  if (cache) ZefVrl_StoreProperty(id, path, back);
  return back;
}

void Gui_prop_write(int32_t id, const std::string& path, bool string, const std::string& value) {
  if (id >= -32000 && id <= 32000 && ZefVrl_active()) ZefVrl_SetProperty(id, path, value);
  if (ws.Tc_level >= 9) {
    Wtty_init('Y', 'W');
    Wtty_chr(string ? 'S' : 'N');
  } else {
    Wtty_init('A', 'W');
  }
  Wtty_long(id);
  Wtty_str(path);
  Wtty_str(value);
  Wtty_xmit(0);
}

std::string Gui_vbx_send(const Gui_vbx& v) {
  Wtty_init('V', minor_of(v.op));
  Wtty_int(v.id);
  auto property = [&]() {
    Wtty_chr(v.prop_kind);
    if (v.prop_kind == 'N') Wtty_int(v.prop_number);
    else if (v.prop_kind == 'S') Wtty_str(v.prop_name);
  };
  bool wait = false;
  switch (v.op) {
    case 0:
      clwh(v.nums[0], v.nums[1], v.nums[2], v.nums[3]);
      Wtty_str(v.text1);
      Wtty_str(v.text2);
      Wtty_chr(v.alt_key);
      Wtty_str(v.options);
      Wtty_str(v.xlate);
      // The further options as the list boxes send theirs: the number from
      // level 7, the text from level 12.
      if (ws.Tc_level > 6) Wtty_int(v.menu_ctl);
      if (ws.Tc_level > 11) Wtty_str(v.ext1);
      break;
    case 157:  // DEFCTL
      if (v.readback) {
        Wtty_chr('/');
        wait = true;
      } else {
        Wtty_chr('E');
        Wtty_int(v.event);
        Wtty_str(v.value);
      }
      break;
    case 190:  // LOAD
      Wtty_int(v.index);
      if (v.value_delete) Wtty_str(nullptr, -1);
      else Wtty_str(v.value);
      break;
    case 204:  // READ
      property();
      Wtty_int(v.index);
      wait = true;
      break;
    case 232:  // WRITE
      property();
      Wtty_chr(v.value_string ? 'S' : 'N');
      Wtty_str(v.value);
      Wtty_int(v.index);
      break;
    default:
      break;
  }
  Wtty_xmit(wait ? 1 : 0);
  return wait ? reply() : std::string();
}

std::string Gui_winprt(uint8_t letter, uint8_t flag, const std::string& text) {
  Wtty_init('W', letter);
  if (letter == 'W') {
    Wtty_chr(flag);
    Wtty_str(text);
  } else if (letter == 'R') {
    Wtty_chr(flag);
  }
  Wtty_xmit(1);
  return reply();
}

std::string Gui_multimedia(const std::string& command, int32_t number) {
  Wtty_init('m', ' ');
  Wtty_str(command);
  Wtty_int(number);
  Wtty_xmit(1);
  std::string back = reply();
  if (back.size() < 2) Rpt_error_text(err::CONNECTION_LOST, "the client's multimedia reply is too short");
  int32_t code = int16_t(uint16_t(uint8_t(back[0]) << 8 | uint8_t(back[1])));
  if (code != 0) Rpt_error(code < 0 || code > 255 ? err::CONNECTION_LOST : code);
  return back.substr(2);
}

void Gui_drop_on(uint8_t letter, int32_t id, int32_t window, int32_t value) {
  Wtty_init('~', letter);
  Wtty_int(id);
  Wtty_int(window);
  if (letter == '+') Wtty_int(value);
  Wtty_xmit(0);
}

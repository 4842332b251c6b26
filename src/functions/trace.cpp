// TRACE, ENDT and the trace of program lines.
//
// While tracing is on, the executor calls Do_Trace before every statement;
// each program line is listed once when execution enters it (a loop body
// on one line is listed at each pass that comes back to it from another
// line).  With parameter TT the listing is preceded by optional fields:
// TT bit 8 the call depth, bit 2 the program name and "|", bit 1 the time
// of day; bit 2 separates the fields with "|" instead of a blank, and in
// the modes with bit 1 or 2 a line feed follows the line unless bit 4 is
// set.
#include "functions/trace.h"

#include <cstdio>
#include <string>

#include "channels/channel.h"
#include "core/codes.h"
#include "core/dates.h"
#include "core/directives.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/host.h"
#include "core/line_store.h"
#include "core/lister.h"
#include "core/params.h"
#include "core/workspace.h"
#include "functions/channel_access.h"
#include "programs/program_info.h"
#include "terminal/command_window.h"

namespace {

uint16_t Trc_chan = TRC_NONE;
uint16_t Trc_last_line = 0;
bool trace_window = false;
std::string window_program;  // the program name last sent to the window
constexpr size_t TRACE_LINE_MAX = 256;

constexpr uint8_t TT_TIME = 1, TT_NAME = 2, TT_NO_LF = 4, TT_DEPTH = 8;

inline bool stmt_end(uint8_t c) { return c == code::END_SCAN || (Cde_tbl[c] & CC_STMT_END); }

// The fields TT asks for in front of a traced line.
std::string trace_prefix() {
  uint8_t tt = prmblk.TT;
  if (tt == 0) return std::string();
  std::string p;
  const char* sep = (tt & TT_NAME) ? "|" : " ";
  if (tt & TT_DEPTH) {
    p += std::to_string(Call_depth());
    p += sep;
  }
  if (tt & TT_NAME) {
    std::string name = Program_path(0);
    p += name.empty() ? "<N/A>" : name;
    p += "|";
  }
  if (tt & TT_TIME) {
    Num_val t = Tim_value();
    char buf[CONV_NORMAL_MAX + 1];
    int n = Conv_normal(t, buf);
    p.append(buf, size_t(n));
    p += sep;
  }
  return p;
}

}  // namespace

void Reset_trace() {
  if (Trc_chan != TRC_NONE || trace_window)
    ws.Run_flags |= RF_TRACE;
  else
    ws.Run_flags &= ~uint32_t(RF_TRACE);
}

void Trace_end() {
  Trc_chan = TRC_NONE;
  Reset_trace();
}

uint16_t Trace_channel() { return Trc_chan; }

void Trace_window(bool on) {
  trace_window = on;
  window_program.clear();
  Reset_trace();
}

std::string Trace_window_line(int depth, const std::string& listed) {
  std::string s;
  for (int i = 0; i < depth; ++i) s += " :";
  s += ' ';
  if (listed.size() > TRACE_LINE_MAX) s += listed.substr(0, TRACE_LINE_MAX - 3) + "...";
  else s += listed;
  return s;
}

void Do_Trace() {
  if (ws.Cur_stno == 0 || ws.Cur_stno >= LAST_LINE_NO || ws.Cur_stno == Trc_last_line) return;
  if (trace_window) {
    if (!Client_is_attached() || !Client_requests.trace) {
      // The window belongs to a client that is gone.
      trace_window = false;
      Reset_trace();
    } else if (Find_line(ws.Cur_stno) == ws.Cur_stno) {
      uint8_t* work = ws.Work_ptr;
      uint8_t* str = ws.Str_ptr;
      int32_t len = ws.Str_len;
      std::string name = Program_path(0);
      if (name.empty()) name = "<Unamed program>";
      if (name != window_program) {
        window_program = name;
        Client_requests.trace(name);
      }
      Client_requests.trace(Trace_window_line(Call_depth(), Decompile_text(ws.Str_ptr, size_t(ws.Str_len))));
      ws.Str_ptr = str;
      ws.Str_len = len;
      ws.Work_ptr = work;
    }
    if (Trc_chan == TRC_NONE) {
      Trc_last_line = ws.Cur_stno;
      return;
    }
  }
  if (Trc_chan == TRC_NONE) {
    Reset_trace();
    return;
  }
  if (!Channel_is_open(Trc_chan)) {  // the trace channel was closed: tracing ends
    Trace_end();
    return;
  }
  Trc_last_line = ws.Cur_stno;
  uint8_t* work = ws.Work_ptr;
  uint8_t* str = ws.Str_ptr;
  int32_t len = ws.Str_len;
  if (Find_line(ws.Cur_stno) == ws.Cur_stno) {
    std::string text = trace_prefix();
    text += Decompile_text(ws.Str_ptr, size_t(ws.Str_len));
    bool lf = (prmblk.TT & (TT_TIME | TT_NAME)) == 0 || !(prmblk.TT & TT_NO_LF);
    Channel_write_line(Trc_chan, text, lf);
  }
  ws.Str_ptr = str;
  ws.Str_len = len;
  ws.Work_ptr = work;
}

// TRACE: to the console; TRACE (channel); TRACE PRINT text: a line on the
// trace channel while tracing; TRACE text: one line to the trace log.
void d_strc() {
  uint8_t c = *ws.Exec_ptr;
  if (stmt_end(c)) {
    Trc_chan = 0;
  } else if (c == code::LPAREN) {
    Fcb* f = Open_channel_part();
    uint16_t ch = f->channel;
    Channel_write_mode(ch);
    Trc_chan = ch;
  } else if (c == code::D_PRINT) {
    ++ws.Exec_ptr;
    Eval_str();
    std::string text(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
    if (Trc_chan == TRC_NONE) return;
    if (!Channel_is_open(Trc_chan)) {
      Trace_end();
      return;
    }
    GotoComndWdw();  // a debugger's trace lines go to its command window
    Channel_write_line(Trc_chan, text, true);
    return;
  } else if (c == code::D_CLOSE || c == code::D_STOP || c == code::D_START || c == code::D_OPEN ||
             c == code::EXT_DIR) {
    Rpt_error_text(err::NOT_BUILT, "this form of TRACE is not supported");
  } else {
    Eval_str();
    std::string text(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
    for (char& ch : text)
      if (ch == '\0') ch = ' ';
    OruLogError(text.c_str());
    return;
  }
  Trc_last_line = 0;
  Reset_trace();
}

// ENDT: tracing ends.
void d_endt() {
  Trace_end();
}

// Programs the channel layer calls (channel_calls.h).
#include "programs/channel_calls.h"

#include <cstring>

#include "channels/channel.h"
#include "channels/print.h"
#include "core/decimal.h"
#include "core/errors.h"
#include "core/memory.h"
#include "core/nested_run.h"
#include "core/workspace.h"
#include "programs/arguments.h"
#include "programs/call_frame.h"
#include "terminal/terminal.h"

bool Call_dupl_error_program(const std::string& pgm, const std::string& directive, int err, uint16_t chan,
                             int32_t dup, const std::string& dup_path) {
  Arg_rec* list = nullptr;
  Arg_rec** tail = &list;
  auto num = [&](int64_t v) {
    Num_val n;
    n.mant = v;
    tail = &Arg_number(tail, n)->next;
  };
  auto str = [&](const std::string& s) {
    tail = &Arg_string(tail, reinterpret_cast<const uint8_t*>(s.data()), s.size())->next;
  };
  bool handled = false;
  // The statement whose duplicate write failed goes on afterwards.
  Nested_run_guard<NESTED_IO | NESTED_CALL_ERR | NESTED_WORK> saved;
  try {
    str(directive);
    num(err);
    num(chan);
    num(dup);
    str(dup_path);
    uint8_t* name = Work_take(pgm.size());
    std::memcpy(name, pgm.data(), pgm.size());
    ws.Str_ptr = name;
    ws.Str_len = int32_t(pgm.size());
    bool started = false;
    int rc = Nested_call(FORM_CALL, list, PGM2_NESTED_CALL, &started);
    list = nullptr;
    handled = started && rc == -1;
  } catch (const Oru_error&) {
    handled = false;
  }
  if (list) FreeArgList(list);
  return handled;
}

void Run_close_program(Fcb* f) {
  const MnemDef* d = Find_mnem_in(f, Mnem_code('*', 'X'));
  if (!d || d->len == 0) return;
  Nested_run_guard<NESTED_IO | NESTED_CALL_ERR | NESTED_WORK> saved;
  uint8_t* name = Work_take(d->len);
  std::memcpy(name, d->bytes, d->len);
  ws.Str_ptr = name;
  ws.Str_len = int32_t(d->len);
  try {
    Inline_Call();
  } catch (const Oru_error&) {
  }
}

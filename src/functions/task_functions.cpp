// RND( (random numbers), TMR( (timers) and TCB( (task control values).
#include <unistd.h>

#include <cstdint>
#include <ctime>

#include "programs/debug_link.h"
#include "core/dates.h"
#include "core/host.h"
#include "core/process_config.h"
#include "functions/fnc_args.h"
#include "functions/function_table.h"
#include "functions/user_functions.h"
#include "core/zlib_loader.h"
#include "programs/objects.h"
#include "terminal/gui_objctl.h"

namespace {

constexpr int32_t LANG_LEVEL = 9;  // the language level in force

// The timer references: a lap reference that TMR(0) moves, and a fixed one
// taken when the first TMR( of the process runs.  A moment is a day number
// and milliseconds of that day.
struct Moment {
  int32_t day = 0, ms = 0;
};
Moment tmr_ref, tmr_fixed;
bool tmr_started = false;

Moment now() {
  Moment m;
  m.day = CurrentDay();
  m.ms = CurrentTime();
  // Close to midnight the day may have turned between the two reads.
  if (m.ms < 100) m.day = CurrentDay();
  return m;
}

int64_t elapsed_ms(const Moment& from, const Moment& to) {
  return int64_t(to.ms - from.ms) + int64_t(to.day - from.day) * MS_PER_DAY;
}

void result_scaled(int64_t mant, int scale) {
  ws.Num_acc = Num_val{};
  ws.Num_acc.mant = mant;
  ws.Num_acc.scale = int8_t(scale);
  ws.Str_len = -1;
}

// RND's fraction: 8 decimals from two draws, as the RND variable gives it.
void random_fraction() {
  uint32_t r = (uint32_t(Oru_rand()) << 15 | uint32_t(Oru_rand())) % 100000000u;
  result_scaled(r, 8);
}

}  // namespace

// RND(n): n below 0 first seeds the generator with -n; n below 1 gives a
// fraction with 8 decimals; n of 1 or more an integer 0..n-1.
void fnc_rnd() {
  Num_val v = Fnc_num();
  Num_val n = v;
  Set_scl(n, 0, 0);
  if (v.mant < 0) {
    if (n.mant < -int64_t(UINT32_MAX)) Rpt_error(err::OUT_OF_RANGE);
    Oru_srand(uint32_t(-n.mant));
  }
  if (n.mant < 1) {
    random_fraction();
    return;
  }
  uint64_t range = uint64_t(n.mant);
  uint64_t r;
  if (range <= 32768) {
    r = uint64_t(Oru_rand()) % range;
  } else {
    // One draw gives 15 bits; a larger range takes three (45 bits), so that
    // every value of the range can come out.
    if (range > (uint64_t(1) << 45)) Rpt_error(err::OUT_OF_RANGE);
    uint64_t a = uint64_t(Oru_rand()), b = uint64_t(Oru_rand()), c = uint64_t(Oru_rand());
    r = ((a << 30) | (b << 15) | c) % range;
  }
  Fnc_result_int(int64_t(r));
}

// TMR(0): seconds (3 decimals) since the lap reference, which moves to now;
// TMR(1): the same without moving it; TMR(2): hours (6 decimals) since the
// lap reference; TMR(3): seconds since the first TMR( of the process.
void fnc_tmr() {
  int32_t n = Eval_range(0, 3);
  Moment t = now();
  if (!tmr_started) {
    tmr_ref = tmr_fixed = t;
    tmr_started = true;
  }
  switch (n) {
    case 0:
      result_scaled(elapsed_ms(tmr_ref, t), 3);
      tmr_ref = t;
      return;
    case 1:
      result_scaled(elapsed_ms(tmr_ref, t), 3);
      return;
    case 2:
      result_scaled(elapsed_ms(tmr_ref, t) * 10 / 36, 6);
      return;
    default:
      result_scaled(elapsed_ms(tmr_fixed, t), 3);
  }
}

// TCB(n): one value of the process state by number.
void fnc_tcb() {
  int32_t n = Eval_integer();
  int64_t v;
  switch (n) {
    case 5: v = ws.Err_stno; break;
    case 7: v = ws.Seterr_line; break;
    case 11: v = ws.Retry_stno; break;
    case 15: v = ws.Mem_limit; break;
    case 17: v = Fnc_call_depth(); break;
    case 30: v = ws.Err_orig_stno; break;
    case 32: v = LANG_LEVEL; break;
    case 36: v = Lib_level; break;
    case 39: v = GetHighestObjId(); break;
    case 44: {              // the time-zone offset, seconds west of UTC
      tzset();
      v = timezone;
      break;
    }
    case 45: {  // daylight saving in force now
      time_t t = std::time(nullptr);
      struct tm lt;
      localtime_r(&t, &lt);
      v = lt.tm_isdst > 0 ? 1 : 0;
      break;
    }
    case 46: v = CurrentDay(); break;  // today's day number
    case 47: v = KestDbgStatus(); break;  // -1 debugged, the debugged pid when debugging, else 0
    case 84: v = ws.Pipe_pid; break;
    case 94: v = Start_uid(); break;
    case 96: v = geteuid(); break;
    case 195: v = CheckZlib() ? 1 : 0; break;
    case 506: v = getpid(); break;
    case 510: v = Oop_slot_handle(Objctl_handler()); break;  // the control-handler object, 0 none
    default: Rpt_error(err::OUT_OF_RANGE);
  }
  Fnc_result_int(v);
}

// Object events: ON EVENT, ENABLE / DISABLE EVENT and the events the
// system raises on the event-handler object (the object of class
// "*system", made with DEF OBJECT).
//
// An event record lives on the object that raises it: the event's name, the
// handler object and its method (one declared FOR EVENT), a PREINPUT value.
// Nothing runs where an event is raised: signal handlers (SigUsr1, SigUsr2,
// Timeout) only set a bit, OPEN and CLOSE only queue the event with its
// arguments; each sets RF_EVENT, and the statement loop runs the waiting
// handlers at the next statement boundary.  A handler's error is dropped:
// the program goes on where it was, with its error state as it was.
#include <csignal>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "channels/channel.h"
#include "core/console_device.h"
#include "core/codes.h"
#include "core/decimal.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/host.h"
#include "core/line_store.h"
#include "core/memory.h"
#include "core/workspace.h"
#include "net/tcp_channel.h"
#include "net/tls.h"
#include "programs/arguments.h"
#include "programs/oop_client.h"
#include "programs/oop_internal.h"
#include "terminal/tc_protocol.h"

namespace {

constexpr uint32_t EVF_FILE_OPEN = 1, EVF_TIMER = 2, EVF_LOAD_CLASS = 4;
constexpr uint8_t SV_TIM = 34;  // the system variable TIM: ENABLE EVENT TIM seconds

struct Event_arg {
  bool is_str;
  Num_val num;
  std::string str;
};
struct Pending {
  std::string name;
  std::vector<Event_arg> args;
};
std::deque<Pending> queue;
// Signals taken and not yet served, each counted: SigUsr1, SigUsr2, Timeout
// (at most QUEUE_MAX of each wait).
int sig_waiting[3] = {0, 0, 0};
std::vector<int> close_events;          // channels whose close raises FileClose
// Channels with DataAvailable events on.  While there are any, the
// statement loop comes back here at every boundary; the channels are looked
// at (poll, no wait) at most every DATA_POLL_MS.
std::vector<int> data_events;
int64_t data_polled_ms = 0;  // 0: look at the next boundary
constexpr int64_t DATA_POLL_MS = 10;
constexpr size_t QUEUE_MAX = 1000;      // events beyond this are dropped

bool same_name(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); i++) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = char(x - 32);
    if (y >= 'a' && y <= 'z') y = char(y - 32);
    if (x != y) return false;
  }
  return true;
}

Oop_event* find_event(Oop_object* o, const std::string& name) {
  for (Oop_event* e = o->events; e; e = e->next)
    if (same_name(e->name, name)) return e;
  return nullptr;
}

// Connects (method set) or sets the PREINPUT value of an event of src.
void add_event(Oop_object* src, const std::string& name, Oop_object* handler, Oop_method* m, int32_t preinput) {
  Oop_event* e = find_event(src, name);
  if (!e) {
    e = new Oop_event;
    oop.event_records++;
    e->next = src->events;
    src->events = e;
    e->name = name;
    e->handler_slot = 0;
    e->method = nullptr;
    e->preinput = 0;
  }
  if (m) {
    e->handler_slot = handler->slot;
    e->method = m;
  } else {
    e->preinput = preinput;
    if (preinput == 0) {
      e->handler_slot = 0;
      e->method = nullptr;
    }
  }
  if (!e->method && e->preinput == 0) {  // nothing left: the record goes
    for (Oop_event** l = &src->events; *l; l = &(*l)->next)
      if (*l == e) {
        *l = e->next;
        delete e;
        oop.event_records--;
        break;
      }
  }
}

// Every FOR EVENT method of a class and its parents, a signature met twice
// connected once (the first found: the class's own before its parents').
void connect_all(Oop_object* src, Oop_object* handler, Oop_class* c, std::vector<Oop_method*>& seen) {
  for (Oop_method* m : c->methods) {
    if (m->event.empty()) continue;
    bool dup = false;
    for (Oop_method* s : seen) dup |= s->name == m->name && s->mask == m->mask && s->obj_mask == m->obj_mask;
    if (dup) continue;
    seen.push_back(m);
    add_event(src, m->event, handler, m, 0);
  }
  for (Oop_class* p : c->parents) connect_all(src, handler, p, seen);
}

int32_t handle_value() {
  Eval_val();
  Num_val v = ws.Num_acc;
  Set_scl(v, 0, 0);
  return int32_t(v.mant);
}

void queue_event(const std::string& name, std::vector<Event_arg> args) {
  if (!oop.system_slot || queue.size() >= QUEUE_MAX) return;
  queue.push_back({name, std::move(args)});
  ws.Run_flags |= RF_EVENT;
}

// Runs the handler of one event of the event-handler object.
void process_event(const std::string& name, const std::vector<Event_arg>& args) {
  if (!oop.system_slot || oop.system_slot >= int32_t(oop.objs.size())) return;
  Oop_object* sys = oop.objs[size_t(oop.system_slot)];
  if (!sys) return;
  Oop_event* e = find_event(sys, name);
  if (!e || !e->method || !e->handler_slot || e->handler_slot >= int32_t(oop.objs.size())) return;
  Oop_object* h = oop.objs[size_t(e->handler_slot)];
  if (!h || (h->state & OS_FREEING)) return;
  Oop_method* m = e->method;
  // The interrupted program's state: cursor, accumulators, error record.
  uint8_t* exec = ws.Exec_ptr;
  uint8_t* stmt = ws.Stmt_ptr;
  Num_val acc = ws.Num_acc;
  uint8_t* sp = ws.Str_ptr;
  int32_t sl = ws.Str_len;
  int err_no = ws.Err_no;
  uint32_t err_line = ws.Err_line;
  Arg_rec* list = nullptr;
  Arg_rec** tail = &list;
  {
    Catch_region region;
    try {
      for (const Event_arg& a : args) {
        Arg_rec* r = a.is_str ? Arg_string(tail, reinterpret_cast<const uint8_t*>(a.str.data()), a.str.size())
                              : Arg_number(tail, a.num);
        tail = &r->next;
      }
      Arg_rec* given = list;
      list = nullptr;
      h->lock++;
      struct Unlock {
        Oop_object* o;
        ~Unlock() { o->lock--; }
      } unlock{h};
      if (m->is_expr) OopDoExpression(h, m->owner, m->expr, given, m->name);
      else OopDoFunction(h, m->owner, m->ref, given, (m->modifiers & MM_PERFORM) != 0, false, m->name);
    } catch (const Oru_error&) {
      // Swallowed: the interrupted program goes on.
    }
  }
  FreeArgList(list);
  ws.Exec_ptr = exec;
  ws.Stmt_ptr = stmt;
  ws.Num_acc = acc;
  ws.Str_ptr = sp;
  ws.Str_len = sl;
  ws.Err_no = err_no;
  ws.Err_line = err_line;
  if (h->refs == 0 && h->lock == 0 && !(h->state & OS_FREEING)) OopFreeObject(h->slot);
}

// Whether a read of the channel would find something at once.
bool data_waiting(Fcb* f) {
  if (f == ws.Con_fcb) {
    if (f->st2 & ST2_THIN_CLIENT) return !Tc_ahead_empty();
    return Con_wait_input(0);
  }
  if (f->kind == FK_TCP) return Tcp_data_waiting(f);
  return false;
}

// Raises DataAvailable (the channel number its argument) once for each
// channel with the event on whose data waits, and marks the channel until
// it is read.
void poll_data() {
  int64_t now = 0;
  for (size_t i = 0; i < data_events.size();) {
    int channel = data_events[i];
    Fcb* f = Find_fp(uint16_t(channel));
    if (!f || !(f->event_flags & CHEV_DATA)) {  // closed meanwhile
      data_events.erase(data_events.begin() + long(i));
      continue;
    }
    i++;
    if (f->event_flags & CHEV_DATA_RAISED) continue;  // until a read clears the mark
    if (!now) {
      now = Now_ms();
      if (data_polled_ms && now - data_polled_ms < DATA_POLL_MS) break;
      data_polled_ms = now;
    }
    if (!oop.system_slot || !data_waiting(f)) continue;
    f->event_flags |= CHEV_DATA_RAISED;
    Event_arg ch{false, Num_val{}, {}};
    ch.num.mant = channel;
    queue_event("DataAvailable", {ch});
  }
  // A read may clear a mark at any time: the boundaries keep coming here.
  if (!data_events.empty()) ws.Run_flags |= RF_EVENT;
}

// Handlers running: the events raised meanwhile wait for the outermost to
// end (a handler is never interrupted by another, so a handler slower than
// the event timer's period cannot nest without end).
int serving = 0;

void serve() {
  if (serving) return;
  serving++;
  struct Leave {
    ~Leave() {
      serving--;
      if (sig_waiting[0] || sig_waiting[1] || sig_waiting[2] || !queue.empty()) ws.Run_flags |= RF_EVENT;
    }
  } leave;
  if (!data_events.empty()) poll_data();
  static const char* const names[3] = {"SigUsr1", "SigUsr2", "Timeout"};
  int counts[3];
  for (int i = 0; i < 3; i++) {
    counts[i] = sig_waiting[i];
    sig_waiting[i] = 0;
  }
  for (int i = 0; i < 3; i++)
    for (int k = 0; k < counts[i]; k++) process_event(names[i], {});
  // Handlers may raise further events: they wait for the next boundary.
  size_t n = queue.size();
  for (size_t i = 0; i < n && !queue.empty(); i++) {
    Pending p = std::move(queue.front());
    queue.pop_front();
    process_event(p.name, p.args);
  }
  if (!queue.empty()) ws.Run_flags |= RF_EVENT;
}

// The signals, as the main line takes them: a count and the run flag,
// nothing else.
void signal_taken(int which) {
  if (sig_waiting[which] < int(QUEUE_MAX)) sig_waiting[which]++;
  ws.Run_flags |= RF_EVENT;
}
void on_signal(const char* name) { signal_taken(name[6] == '1' ? 0 : 1); }
void on_timeout() { signal_taken(2); }

// A channel opened while an object's code runs is the object's own; its
// close takes it off the object's count.
void own_channel(int what, int channel) {
  if (channel < 0 || channel > 65535) return;
  Fcb* f = Find_fp(uint16_t(channel));
  if (!f) return;
  if (what == 1) {
    if (f->owner || oop.cur_obj < 1 || oop.cur_obj >= int32_t(oop.objs.size())) return;
    Oop_object* o = oop.objs[size_t(oop.cur_obj)];
    if (!o || (o->state & OS_FREEING)) return;
    f->owner = oop.cur_obj;
    o->open_files++;
    return;
  }
  if (f->owner > 0 && f->owner < int32_t(oop.objs.size()))
    if (Oop_object* o = oop.objs[size_t(f->owner)]; o && o->open_files > 0) o->open_files--;
  f->owner = 0;
}

void on_file(int what, int channel, const char* name, size_t len) {
  own_channel(what, channel);
  if (!oop.system_slot) return;
  if (what == 1) {
    if (!(oop.evt_flags & EVF_FILE_OPEN)) return;
    Event_arg ch{false, Num_val{}, {}};
    ch.num.mant = channel;
    queue_event("FileOpen", {ch, Event_arg{true, Num_val{}, std::string(name, len)}});
    return;
  }
  for (size_t i = 0; i < close_events.size(); i++)
    if (close_events[i] == channel) {
      close_events.erase(close_events.begin() + long(i));
      Event_arg ch{false, Num_val{}, {}};
      ch.num.mant = channel;
      queue_event("FileClose", {ch});
      return;
    }
}

}  // namespace

void Oop_init_events() {
  Running_object_hook = [] { return oop.cur_obj; };
  Event_serve_hook = serve;
  Event_data_watch_hook = [] { return !data_events.empty(); };
  Program_event_hook = on_signal;
  Event_timeout_hook = on_timeout;
  File_event_hook = on_file;
}

void Oop_events_clear() {
  if (oop.evt_flags & EVF_TIMER) KillEventTimer();
  queue.clear();
  close_events.clear();
  data_events.clear();
  for (int& n : sig_waiting) n = 0;
}

void Oop_serve_events() { serve(); }

void Signal_event(const char* name) { queue_event(name, {}); }

bool Oop_raise_load_class(const std::string& name) {
  if (!(oop.evt_flags & EVF_LOAD_CLASS) || !oop.system_slot || oop.system_slot >= int32_t(oop.objs.size()))
    return false;
  Oop_object* sys = oop.objs[size_t(oop.system_slot)];
  if (!sys) return false;
  Oop_event* e = find_event(sys, "LoadClass");
  if (!e || !e->method) return false;
  // A lookup inside the handler goes straight to the class file: the event
  // is not raised again while it runs.
  static bool raising = false;
  if (raising) return false;
  raising = true;
  struct Reset {
    ~Reset() { raising = false; }
  } reset;
  process_event("LoadClass", {Event_arg{true, Num_val{}, name}});
  return true;
}

void Oop_timer_off() {
  if (oop.evt_flags & EVF_TIMER) KillEventTimer();
}

// ON EVENT FROM src [PROCESS] handler [, ERR=line]
// ON EVENT "name" FROM src PREINPUT n | REMOVE [, ERR=line]
void DoOnEvent() {
  ws.Stmt_save = ws.Exec_ptr;  // an ERR= at the end takes the operands' errors too
  bool all = ws.Exec_ptr[0] == code::PREFIX2 && ws.Exec_ptr[1] == 57;
  std::string name;
  if (!all) {
    Eval_str();
    name.assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
    if (ws.Exec_ptr[0] != code::PREFIX2 || ws.Exec_ptr[1] != 57) Rpt_error(err::INTERNAL_CODE);
  }
  ws.Exec_ptr += 2;
  int32_t src = handle_value();
  int32_t handler = 0, preinput = 0;
  if (all) {
    if (ws.Exec_ptr[0] == code::EXT_DIR && ws.Exec_ptr[1] == code::X_PROCESS) ws.Exec_ptr += 2;
    else if (*ws.Exec_ptr == code::COMMA) ws.Exec_ptr++;
    handler = handle_value();
  } else if (*ws.Exec_ptr == code::D_REMOVE) {
    ws.Exec_ptr++;
  } else if (*ws.Exec_ptr == code::D_PREINPUT) {
    ws.Exec_ptr++;
    preinput = Eval_range(-32000, 32000);
  } else {
    Rpt_error(err::INTERNAL_CODE);
  }
  if (*ws.Exec_ptr == code::COMMA && ws.Exec_ptr[1] == code::IOPT_FIRST + 4) ws.Exec_ptr++;
  Chk_err();
  if (src < 0 && !(ws.Con_flags & 0x800)) {  // an object kept on the thin client
    if (ws.Con_fcb && (ws.Con_fcb->st2 & ST2_THIN_CLIENT)) {
      Oop_client_on_event(all, name, src, handler, preinput);
      return;
    }
    Rpt_error_text(err::BAD_OBJECT, "a negative handle names an object of the thin client: none is attached");
  }
  Oop_object* s = Oop_object_of_handle(src);
  if (!all) {
    add_event(s, name, nullptr, nullptr, preinput);
    return;
  }
  Oop_object* h = Oop_object_of_handle(handler);
  std::vector<Oop_method*> seen;
  connect_all(s, h, h->cls, seen);
}

// ENABLE EVENT OPEN | LOAD | CLOSE (channel) | TIM seconds; DISABLE
// likewise (DISABLE EVENT TIM without a period).
void DoOruEvent(bool enable) {
  uint8_t c = *ws.Exec_ptr;
  if (c == SV_TIM) {
    // The event timer: "Timeout" every period (whole seconds, rounded up).
    ws.Exec_ptr++;
    KillEventTimer();
    oop.evt_flags &= ~EVF_TIMER;
    if (!enable) return;
    Eval_val();
    Num_val v = ws.Num_acc;
    if (v.mant <= 0) Rpt_error_text(err::OUT_OF_RANGE, "the event timer's period must be above 0 seconds");
    Set_scl(v, 3, 0);
    if (v.mant > int64_t(86400) * 1000) Rpt_error_text(err::OUT_OF_RANGE, "the event timer's period is at most 86400 seconds");
    SetEventTimer(int32_t(v.mant));
    oop.evt_flags |= EVF_TIMER;
    return;
  }
  if (c == code::D_DATA) {
    // DataAvailable of the console or of a TCP channel.
    ws.Exec_ptr++;
    int32_t ch = handle_value();
    if (*ws.Exec_ptr == code::COMMA && ws.Exec_ptr[1] == code::IOPT_FIRST + 4) ws.Exec_ptr++;
    Chk_err();
    Fcb* f = ch < 0 || ch > 65535 ? nullptr : Find_fp(uint16_t(ch));
    if (!f) Rpt_error(err::WRONG_MODE);
    if (f != ws.Con_fcb && f->kind != FK_TCP)
      Rpt_error_text(err::WRONG_MODE, "DataAvailable events come from the console and TCP channels only");
    f->event_flags &= ~uint16_t(CHEV_DATA | CHEV_DATA_RAISED);
    for (size_t i = 0; i < data_events.size(); i++)
      if (data_events[i] == ch) data_events.erase(data_events.begin() + long(i));
    if (!enable) return;
    f->event_flags |= CHEV_DATA;
    data_events.push_back(ch);
    data_polled_ms = 0;
    ws.Run_flags |= RF_EVENT;
    return;
  }
  if (c == code::D_OPEN || c == code::D_LOAD) {
    ws.Exec_ptr++;
    uint32_t bit = c == code::D_OPEN ? EVF_FILE_OPEN : EVF_LOAD_CLASS;
    if (enable) oop.evt_flags |= bit;
    else oop.evt_flags &= ~bit;
    return;
  }
  if (c == code::D_CLOSE) {
    ws.Exec_ptr++;
    int32_t ch = handle_value();
    if (*ws.Exec_ptr == code::COMMA && ws.Exec_ptr[1] == code::IOPT_FIRST + 4) ws.Exec_ptr++;
    Chk_err();
    if (ch < 0 || ch > 65535 || !Find_fp(uint16_t(ch))) Rpt_error(err::WRONG_MODE);
    for (size_t i = 0; i < close_events.size(); i++)
      if (close_events[i] == ch) close_events.erase(close_events.begin() + long(i));
    if (enable) close_events.push_back(ch);
    return;
  }
  // Any other source: nothing; its operands are passed over.
  while (*ws.Exec_ptr != code::END_SCAN && !(Cde_tbl[*ws.Exec_ptr] & CC_STMT_END))
    if (Skip_code() == code::EOL) break;
}

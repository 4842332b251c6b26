// Name lists of objects ("*" and "_type") and the several-properties-at-once
// system properties "_PropList", "_PropSep" and "_PropValues".
#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include <cstring>

#include "channels/field_convert.h"
#include "core/codes.h"
#include "core/memory.h"
#include "core/decimal.h"
#include "core/errors.h"
#include "core/workspace.h"
#include "programs/oop_internal.h"

namespace {

// Registry names keep a string name's "$": the list shows it as written.
std::string text_of(const Oop_name* n) { return std::string(n->text, n->len); }

// A class, its properties and methods and, depth first, its parents'.
void class_names(const Oop_class* c, bool running, std::set<std::string>& props, std::set<std::string>& methods,
                 std::vector<const Oop_class*>& seen) {
  if (std::find(seen.begin(), seen.end(), c) != seen.end()) return;
  seen.push_back(c);
  for (const Oop_prop* p : c->props)
    if (!(p->flags & (PF_HIDDEN | PF_LOCAL))) props.insert(text_of(p->name));
  for (const Oop_method* m : c->methods) {
    if (m->modifiers & MM_HIDDEN) continue;
    if ((m->modifiers & MM_LOCAL) && !running) continue;
    methods.insert(text_of(m->name));
  }
  for (const Oop_class* p : c->parents) class_names(p, running, props, methods, seen);
}

std::string join_sorted(std::vector<std::string> v) {
  std::sort(v.begin(), v.end());
  std::string out;
  for (const std::string& s : v) out += s + ",";
  return out;
}

void typed_names(const Oop_class* c, bool running, std::vector<std::string>& out,
                 std::vector<const Oop_class*>& seen, std::set<std::string>& done) {
  if (std::find(seen.begin(), seen.end(), c) != seen.end()) return;
  seen.push_back(c);
  for (const Oop_prop* p : c->props) {
    if ((p->flags & PF_LOCAL) && !running) continue;
    std::string t = text_of(p->name);
    if (done.insert("P" + t).second) out.push_back(t);
  }
  for (const Oop_method* m : c->methods) {
    if ((m->modifiers & MM_LOCAL) && !running) continue;
    std::string sig;
    if (m->mask == 1) {
      sig = "*";
    } else {
      for (size_t i = 0; i < m->param_sig.size(); i++) sig += (i ? "," : "") + m->param_sig[i];
    }
    std::string t = text_of(m->name) + "(" + sig + ")";
    if (done.insert("M" + t).second) out.push_back(t);
  }
  for (const Oop_class* p : c->parents) typed_names(p, running, out, seen, done);
}

bool name_char(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '*';
}

// The names of a property-list text: runs of letters, digits, '_' and '*',
// with a following '$' kept (a string property).
std::vector<std::string> list_names(const char* t) {
  std::vector<std::string> out;
  std::string cur;
  for (const char* p = t; *p; p++) {
    if (name_char(*p)) {
      cur += *p;
      continue;
    }
    if (*p == '$' && !cur.empty()) cur += '$';
    if (!cur.empty()) out.push_back(cur);
    cur.clear();
  }
  if (!cur.empty()) out.push_back(cur);
  return out;
}

// The other kind's spelling of a name (AGE <-> AGE$).
std::string other_kind(const std::string& n) {
  return !n.empty() && n.back() == '$' ? n.substr(0, n.size() - 1) : n + "$";
}

}  // namespace

std::string OopReturnProps(Oop_object* o) {
  std::set<std::string> props, methods;
  std::vector<const Oop_class*> seen;
  bool running = o->slot == oop.cur_obj;
  for (Oop_object* x = o; x;) {
    if (!(x->cls->flags2 & CF2_RT_LOCAL))
      for (Prop_inst* pi = x->props; pi; pi = pi->next)
        if (!pi->entry && pi->dynamic) props.insert(text_of(pi->name));
    class_names(x->cls, running, props, methods, seen);
    int32_t d = x->delegate;
    x = (d > 0 && d < int32_t(oop.objs.size()) && oop.objs[size_t(d)] != o) ? oop.objs[size_t(d)] : nullptr;
    if (seen.size() > oop.objs.size() + oop.classes.size()) break;
  }
  std::vector<std::string> all(props.begin(), props.end());
  for (const std::string& m : methods) all.push_back(m + "()");
  return join_sorted(all);
}

std::string OopReturnPropsExt(Oop_object* o) {
  std::vector<std::string> out;
  std::vector<const Oop_class*> seen;
  std::set<std::string> done;
  typed_names(o->cls, o->slot == oop.cur_obj, out, seen, done);
  return join_sorted(out);
}

std::string Oop_get_proplist_values(Oop_object* o) {
  if (!o->proplist) return "";
  std::string out;
  for (const std::string& n : list_names(o->proplist)) {
    std::string value;
    for (const std::string& cand : {n, other_kind(n)}) {
      uint8_t kind = !cand.empty() && cand.back() == '$' ? 2 : 1;
      const Oop_name* id = OopFindName(kind, int(cand.size()), cand.c_str());
      if (!id) continue;
      Catch_region region;
      try {
        value = Oop_property_text(o, id, kind);
      } catch (const Oru_error&) {
        continue;
      }
      break;
    }
    out += value;
    out += char(o->sep);
  }
  return out;
}

void Oop_set_proplist_values(Oop_object* o, const std::string& v) {
  if (!o->proplist) return;
  size_t pos = 0;
  for (const std::string& n : list_names(o->proplist)) {
    std::string piece;
    if (pos <= v.size()) {
      size_t e = v.find(char(o->sep), pos);
      piece = v.substr(pos, e == std::string::npos ? std::string::npos : e - pos);
      pos = e == std::string::npos ? v.size() + 1 : e + 1;
    }
    for (const std::string& cand : {n, other_kind(n)}) {
      uint8_t kind = !cand.empty() && cand.back() == '$' ? 2 : 1;
      Catch_region region;
      try {
        uint8_t* p = Work_take(piece.size());
        if (!piece.empty()) std::memcpy(p, piece.data(), piece.size());
        ws.Str_ptr = p;
        ws.Str_len = int32_t(piece.size());
        if (kind == 1) Conv_str();  // a numeric property takes the piece as a number
        // The name is registered only when the class takes it as a new
        // property, after the piece is a value the property can take.
        OopSetProperty(o, Oop_name_to_set(o, kind, int(cand.size()), cand.c_str()), kind);
      } catch (const Oru_error&) {
        continue;
      }
      break;
    }
  }
}

void OopDisconnectAll(Oop_object* o) {
  while (Oop_event* e = o->events) {
    o->events = e->next;
    delete e;
    oop.event_records--;
  }
  // Events of other objects handled by this one lose their handler.
  if (oop.event_records == 0) return;
  for (size_t i = 1; i < oop.objs.size(); i++) {
    Oop_object* x = oop.objs[i];
    if (!x || x == o) continue;
    for (Oop_event* e = x->events; e; e = e->next)
      if (e->handler_slot == o->slot) {
        e->handler_slot = 0;
        e->method = nullptr;
      }
  }
}

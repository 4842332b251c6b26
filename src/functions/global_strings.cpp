// GBL(: global strings, process-wide named values that every program of the
// process sees (they outlive RUN, CLEAR and program changes).
//
// The list is doubly linked, newest entry first.  Each entry is one memory
// block:
//   Gbl_entry header {next, prev, value length (u32), name length (u8)}
//   name bytes (1..255), one zero byte, value bytes
// Names are compared byte for byte.  An entry is never changed in place: a
// new value makes a new entry at the head and the old one goes.
#include "functions/global_strings.h"

#include <cstring>
#include <string>
#include <string_view>

#include "core/codes.h"
#include "core/memory.h"
#include "core/params.h"
#include "functions/fnc_args.h"
#include "functions/function_table.h"

namespace {

constexpr size_t GBL_NAME_MAX = 255;

struct Gbl_entry {
  Gbl_entry* next;
  Gbl_entry* prev;
  uint32_t value_len;
  uint8_t name_len;
  uint8_t* name() { return reinterpret_cast<uint8_t*>(this + 1); }
  uint8_t* value() { return name() + name_len + 1; }
  std::string_view name_view() { return {reinterpret_cast<const char*>(name()), name_len}; }
};

Gbl_entry* Gbl_list = nullptr;

Gbl_entry* find(std::string_view name) {
  for (Gbl_entry* e = Gbl_list; e; e = e->next)
    if (e->name_view() == name) return e;
  return nullptr;
}

void unlink_free(Gbl_entry* e) {
  if (e->prev) e->prev->next = e->next;
  else Gbl_list = e->next;
  if (e->next) e->next->prev = e->prev;
  Ret_blk(e);
}

void put(std::string_view name, std::string_view value) {
  auto* e = static_cast<Gbl_entry*>(Get_blk_nc(sizeof(Gbl_entry) + name.size() + 1 + value.size()));
  e->value_len = uint32_t(value.size());
  e->name_len = uint8_t(name.size());
  std::memcpy(e->name(), name.data(), name.size());
  e->name()[name.size()] = 0;
  if (!value.empty()) std::memcpy(e->value(), value.data(), value.size());
  if (Gbl_entry* old = find(name)) unlink_free(old);
  e->next = Gbl_list;
  e->prev = nullptr;
  if (Gbl_list) Gbl_list->prev = e;
  Gbl_list = e;
}

// The names, newest first, each followed by the field separator.
void list_names() {
  std::string out;
  for (Gbl_entry* e = Gbl_list; e; e = e->next) {
    out.append(e->name_view());
    out += char(prmblk.FS);
  }
  Fnc_result_text(out);
}

// Removes the entries from the head up to and including the named one.
void clear_to(std::string_view name) {
  if (!find(name)) Rpt_error(err::BAD_NAME);
  for (;;) {
    Gbl_entry* e = Gbl_list;
    bool last = e->name_view() == name;
    unlink_free(e);
    if (last) return;
  }
}

std::string name_arg() {
  Fnc_str n = Fnc_string();
  if (n.len < 1 || size_t(n.len) > GBL_NAME_MAX) Rpt_error(err::BAD_NAME);
  return std::string(reinterpret_cast<const char*>(n.p), size_t(n.len));
}

}  // namespace

void Gbl_clear_all() {
  while (Gbl_list) unlink_free(Gbl_list);
}

size_t Gbl_count() {
  size_t n = 0;
  for (Gbl_entry* e = Gbl_list; e; e = e->next) ++n;
  return n;
}

// GBL(name): the value (unknown name: error 23).  GBL(name, value): sets it
// and gives the value.  "!LIST" (or LIST) gives the names; "!CLEARALL" (or
// DELETE) removes all; "!CLEAR", name (or DELETE, name) removes one;
// "!CLEARTO", name removes from the newest entry down to that one.
void fnc_fgbl() {
  uint8_t c = *ws.Exec_ptr;
  if (c == code::D_LIST) {
    ++ws.Exec_ptr;
    list_names();
    return;
  }
  if (c == code::D_DELETE) {
    ++ws.Exec_ptr;
    if (Fnc_more()) {
      std::string name = name_arg();
      Gbl_entry* e = find(name);
      if (!e) Rpt_error(err::BAD_NAME);
      unlink_free(e);
    } else {
      Gbl_clear_all();
    }
    Fnc_result_copy(nullptr, 0);
    return;
  }
  std::string name = name_arg();
  bool more = Fnc_more();
  if (name == "!LIST" || name == "!CLEARALL") {
    if (more) Rpt_error(err::BAD_NAME);
    if (name == "!LIST") {
      list_names();
    } else {
      Gbl_clear_all();
      Fnc_result_copy(nullptr, 0);
    }
    return;
  }
  if (name == "!CLEAR" || name == "!CLEARTO") {
    if (!more) Rpt_error(err::BAD_NAME);
    std::string target = name_arg();
    if (name == "!CLEARTO") {
      clear_to(target);
    } else {
      Gbl_entry* e = find(target);
      if (!e) Rpt_error(err::BAD_NAME);
      unlink_free(e);
    }
    Fnc_result_copy(nullptr, 0);
    return;
  }
  if (more) {
    Fnc_str v = Fnc_string();
    std::string value(reinterpret_cast<const char*>(v.p), size_t(v.len));
    put(name, value);
    Fnc_result_text(value);
    return;
  }
  Gbl_entry* e = find(name);
  if (!e) Rpt_error(err::BAD_NAME);
  Fnc_result_copy(e->value(), e->value_len);
}

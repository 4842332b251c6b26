// PREFIX, DISABLE and ENABLE, the prefix lists and the virtual directories
// that OPEN's path search reads, and disk operands.
//
// Virtual directory list (newest first): {name, target, made, suffix}.  A
// suffix entry (given as "*/NAME") matches a name that ends with NAME after
// a "/" or ":" (or is NAME), and counts as already made; a plain entry
// matches a name that begins with NAME followed by "/", "\", ";" or the end.
#include "functions/prefix_lists.h"

#include <sys/stat.h>

#include <cstring>
#include <list>
#include <utility>
#include <vector>

#include "core/codes.h"
#include "core/directives.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/host.h"
#include "core/messages.h"
#include "core/workspace.h"

std::string Pfx_list[PFX_SLOTS];

namespace {

constexpr int DISKNO_OPERANDS_MAX = 9;
constexpr size_t VDIR_TEXT_MAX = 255;

struct Vdir {
  std::string name;    // upper case, "/" for "\"
  std::string target;
  bool made = false;
  bool suffix = false;
};
std::list<Vdir> vdirs;  // newest first

std::string vdir_key(std::string_view s) {
  std::string k(s);
  for (char& c : k) {
    if (c == '\\') c = '/';
    c = char(Uppercs[uint8_t(c)]);
  }
  return k;
}

inline bool stmt_end(uint8_t c) { return c == code::END_SCAN || (Cde_tbl[c] & CC_STMT_END); }

// Enabling or disabling the list of a disk; error 14 when the disk has no
// list or the list is already in the requested state.
void set_disk_state(bool disable) {
  if (*ws.Exec_ptr == code::PREFIX2) {
    if (ws.Exec_ptr[1] == 72)  // EVENT
      Not_built(disable ? "DISABLE EVENT (event sources of the object system)"
                        : "ENABLE EVENT (event sources of the object system)");
    Not_built(disable ? "DISABLE of a control (the control layer)" : "ENABLE of a control (the control layer)");
  }
  int32_t disk = Get_diskno();
  if (disk < 0 || disk > PFX_DISK_LAST) Rpt_error(41);
  std::string& l = Pfx_list[disk];
  if (l.empty()) Rpt_error(14);
  bool disabled = (uint8_t(l[0]) & 0x80) != 0;
  if (disabled == disable) Rpt_error(14);
  l[0] = char(disable ? uint8_t(l[0]) | 0x80 : uint8_t(l[0]) & 0x7F);
}

}  // namespace

int32_t Get_diskno() {
  int32_t r = -1;
  for (int i = 0; i < DISKNO_OPERANDS_MAX; ++i) {
    if (i > 0) {
      if (*ws.Exec_ptr != code::COMMA) break;
      ++ws.Exec_ptr;
    }
    Eval_formula();
    if (ws.Str_len >= 0)
      r = ws.Str_len == 0 ? -1 : int32_t(Uppercs[ws.Str_ptr[0]]) - 'A';
    else
      r = To_integer(ws.Num_acc);
    if (r != -2) break;
  }
  return r;
}

bool Pfx_active(int slot) {
  if (slot < 0 || slot >= PFX_SLOTS) return false;
  const std::string& l = Pfx_list[slot];
  return !l.empty() && uint8_t(l[0]) < 0x80;
}

void Kest_AddVdir(std::string_view name, std::string_view target) {
  if (name.empty() || name.size() > VDIR_TEXT_MAX || target.size() > VDIR_TEXT_MAX) Rpt_error(46);
  Vdir v;
  if (name.size() > 2 && name[0] == '*' && name[1] == '/') {
    v.suffix = v.made = true;
    name.remove_prefix(2);
  }
  v.name = vdir_key(name);
  v.target = std::string(target);
  vdirs.remove_if([&](const Vdir& e) { return e.name == v.name && e.suffix == v.suffix; });
  if (!target.empty()) vdirs.push_front(std::move(v));
}

std::string Kest_GetVdir(std::string_view name) {
  if (name.empty()) Rpt_error(46);
  std::string key = vdir_key(name);
  if (key.size() > 2 && key[0] == '*' && key[1] == '/') key.erase(0, 2);
  for (const Vdir& v : vdirs)
    if (v.name == key) return v.target;
  return std::string();
}

std::string Kest_ChkVdir(std::string_view name) {
  size_t semi = name.find(';');
  std::string head = vdir_key(name.substr(0, semi));
  for (Vdir& v : vdirs) {
    if (v.suffix) {
      if (head.size() < v.name.size()) continue;
      size_t at = head.size() - v.name.size();
      if (head.compare(at, std::string::npos, v.name) != 0) continue;
      if (at > 0 && head[at - 1] != '/' && head[at - 1] != ':') continue;
      return v.target;
    }
    if (head.compare(0, v.name.size(), v.name) != 0) continue;
    char after = name.size() > v.name.size() ? name[v.name.size()] : '\0';
    if (after != '\0' && after != '/' && after != '\\' && after != ';') continue;
    if (!v.made && (after == '/' || after == '\\')) {
      MakeDir(Path_convert(v.target).c_str());
      v.made = true;
    }
    return v.target + std::string(name.substr(v.name.size()));
  }
  return std::string(name);
}

void Pfx_clear_all() {
  for (std::string& l : Pfx_list) l.clear();
  vdirs.clear();
}

// PREFIX FILE name | PREFIX DIRECTORY name, target | PREFIX entry, ...
// where an entry is [(disk) | PROGRAM] [text].  Every entry is checked
// before any list changes.
void d_pfx() {
  uint8_t c = *ws.Exec_ptr;
  if (c == code::D_FILE) {
    ++ws.Exec_ptr;
    Eval_str();
    if (ws.Str_len == 0) return;  // no prefix file is open: nothing to close
    Not_built("the prefix file (keyed files)");
  }
  if (c == code::D_DIRECTORY) {
    ++ws.Exec_ptr;
    Eval_str();
    std::string name(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
    if (*ws.Exec_ptr != code::COMMA) Rpt_error(20);
    ++ws.Exec_ptr;
    Eval_str();
    Kest_AddVdir(name, std::string_view(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len)));
    return;
  }
  std::vector<std::pair<int, std::string>> entries;
  for (;;) {
    int slot = PFX_GENERAL;
    if (*ws.Exec_ptr == code::LPAREN) {
      ++ws.Exec_ptr;
      slot = Get_diskno();
      if (slot < 0 || slot > PFX_DISK_LAST) Rpt_error(41);
      if (*ws.Exec_ptr != code::RPAREN) Rpt_error(20);
      ++ws.Exec_ptr;
    } else if (*ws.Exec_ptr == code::D_PROGRAM) {
      ++ws.Exec_ptr;
      slot = PFX_PROGRAMS;
    }
    std::string text;
    c = *ws.Exec_ptr;
    if (!stmt_end(c) && c != code::COMMA) {
      Eval_str();
      text.assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
      // The list is kept as a C string, and bit 7 of its first byte is the
      // disabled mark.
      if (!text.empty() && (uint8_t(text[0]) & 0x80)) Rpt_error(10);
      if (text.find('\0') != std::string::npos) Rpt_error(10);
    }
    entries.emplace_back(slot, std::move(text));
    if (*ws.Exec_ptr != code::COMMA) break;
    ++ws.Exec_ptr;
  }
  if (!stmt_end(*ws.Exec_ptr)) Rpt_error(20);
  for (auto& e : entries) Pfx_list[e.first] = std::move(e.second);
}

void d_disa() { set_disk_state(true); }
void d_enab() { set_disk_state(false); }

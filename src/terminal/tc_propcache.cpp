// The host property cache of the thin client (see tc_propcache.h).
//
// Declared properties: a table of at most 200 names (upper case, without a
// trailing '$'), each with the index of its group head (itself when alone)
// and its effects: none declared, "every property of the control" ('/'),
// or a run of effect names.  A group member without effects of its own
// takes its head's.
// Cached values: keyed by {console window, control, property}, a group's
// members under their head's name; a read stores what the client answered,
// a set stores what the program sent.
#include "terminal/tc_propcache.h"

#include <map>
#include <tuple>
#include <vector>

#include "core/codes.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/params.h"
#include "core/switches.h"
#include "core/workspace.h"
#include "terminal/tc_protocol.h"
#include "terminal/terminal.h"

namespace {

constexpr size_t PROPS_MAX = 200;
constexpr size_t EFFECTS_MAX = 200;
constexpr size_t FNC_CLR_MAX = 100;

enum class Effects { none_declared, whole_control, listed };

struct Host_prop {
  std::string name;
  size_t head;  // index of the group's first property (itself when alone)
  Effects effects = Effects::none_declared;
  std::vector<std::string> effect_names;
};
std::vector<Host_prop> props;
size_t effect_count = 0;  // effect names stored, each run counting its end

struct Fnc_clr {
  char code;
  std::string name;  // empty: every property of the control
};
std::vector<Fnc_clr> fnc_clrs;

using Key = std::tuple<int32_t, int32_t, std::string>;  // window, control, property
std::map<Key, std::string> cache;

std::string norm(std::string s) {
  size_t a = s.find_first_not_of(' ');
  size_t b = s.find_last_not_of(' ');
  s = a == std::string::npos ? "" : s.substr(a, b - a + 1);
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = char(c - 32);
  if (!s.empty() && s.back() == '$') s.pop_back();
  return s;
}

int find_prop(const std::string& name) {
  for (size_t i = 0; i < props.size(); ++i)
    if (props[i].name == name) return int(i);
  return -1;
}

std::vector<std::string> split(const std::string& s, const char* seps) {
  std::vector<std::string> out;
  std::string cur;
  for (char c : s) {
    if (std::string_view(seps).find(c) != std::string_view::npos) {
      out.push_back(cur);
      cur.clear();
    } else {
      cur += c;
    }
  }
  out.push_back(cur);
  return out;
}

int32_t window_now() {
  if (!ws.Con_fcb) return 0;
  return Dev(ws.Con_fcb)->win.number;
}

// The property a path names, or "" for a path the cache does not keep (a
// chain, arguments, the default property).
std::string cached_name(const std::string& path) {
  if (path.find_first_of("'(*") != std::string::npos) return "";
  return norm(path);
}

// The name a declared property is cached under: its group head's (the
// head's entry stands for every member).  Other names stay as they are.
std::string cache_name(const std::string& name) {
  int at = find_prop(name);
  return at < 0 ? name : props[props[size_t(at)].head].name;
}

void drop_control(int32_t control, const std::string& given) {
  const std::string name = given.empty() ? given : cache_name(given);
  for (auto it = cache.begin(); it != cache.end();) {
    if (std::get<1>(it->first) == control && (name.empty() || std::get<2>(it->first) == name)) it = cache.erase(it);
    else ++it;
  }
}

void fnc_clr_check(int32_t control, char code) {
  for (const Fnc_clr& f : fnc_clrs) {
    if (f.code != code) continue;
    if (f.name.empty()) {
      drop_control(control, "");
      return;
    }
    drop_control(control, f.name);
  }
}

std::string str_operand() {
  Eval_str();
  return std::string(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
}

}  // namespace

void ZefVrl_Init() {
  props.clear();
  effect_count = 0;
  fnc_clrs.clear();
  cache.clear();
}

void ZefVrl_ClearCache() { cache.clear(); }

void ZefVrl_DropWindow(int32_t window) {
  for (auto it = cache.begin(); it != cache.end();) {
    if (std::get<0>(it->first) == window) it = cache.erase(it);
    else ++it;
  }
}

size_t ZefVrl_cached_count() { return cache.size(); }

void Kest_AddServerProp(const std::string& list) {
  for (const std::string& group : split(list, "%")) {
    int head = -1;
    for (const std::string& raw : split(group, "'")) {
      std::string name = norm(raw);
      if (name.empty()) continue;
      int at = find_prop(name);
      if (at < 0) {
        if (props.size() >= PROPS_MAX) Rpt_error_text(err::BAD_SUBSCRIPT, "At most 200 host properties are declared");
        at = int(props.size());
        props.push_back({name, size_t(head >= 0 ? head : at), Effects::none_declared, {}});
      }
      if (head < 0) head = at;
    }
  }
}

void Kest_DropServerFncClr(const std::string& text) {
  std::vector<std::string> parts = split(text, "%");
  std::string codes = parts[0];
  if (codes.empty()) Rpt_error(err::STRING_LENGTH);
  std::vector<Fnc_clr> add;
  for (size_t i = 1; i < parts.size(); ++i) {
    std::string name = parts[i] == "/" ? "" : norm(parts[i]);
    if (name.empty() && parts[i] != "/") continue;
    for (char c : codes) add.push_back({c, name});
  }
  if (parts.size() == 1)
    for (char c : codes) add.push_back({c, ""});
  if (fnc_clrs.size() + add.size() > FNC_CLR_MAX) Rpt_error_text(err::BAD_SUBSCRIPT, "At most 100 function colours are declared");
  fnc_clrs.insert(fnc_clrs.end(), add.begin(), add.end());
}

void Kest_DropServerEffects(const std::string& name, const std::string& effects) {
  int at = find_prop(norm(name));
  if (at < 0) Rpt_error_text(err::BAD_NAME, "The property " + name + " is not declared with ADD SERVER");
  Host_prop& p = props[size_t(at)];
  if (effects == "/") {
    p.effects = Effects::whole_control;
    p.effect_names.clear();
    return;
  }
  std::vector<std::string> names;
  for (const std::string& e : split(effects, "%"))
    if (!norm(e).empty()) names.push_back(norm(e));
  if (effect_count + names.size() + 1 > EFFECTS_MAX) Rpt_error_text(err::BAD_SUBSCRIPT, "At most 200 effect properties are declared");
  effect_count += names.size() + 1;
  p.effects = Effects::listed;
  p.effect_names = std::move(names);
}

void Tc_server_props(bool drop) {
  // An ERR= at the end takes the statement's errors.
  ws.Stmt_save = ws.Exec_ptr;
  Err_scan();
  auto err_option = [] { return *ws.Exec_ptr == code::COMMA && ws.Exec_ptr[1] == code::IOPT_FIRST + 4; };
  if (!drop) {
    for (;;) {
      Kest_AddServerProp(str_operand());
      if (*ws.Exec_ptr != code::COMMA || err_option()) break;
      ++ws.Exec_ptr;
    }
  } else if (*ws.Exec_ptr == code::D_ON) {
    ++ws.Exec_ptr;
    Kest_DropServerFncClr(str_operand());
  } else {
    std::string name = str_operand();
    if (*ws.Exec_ptr != code::COMMA || err_option()) Rpt_error(err::SYNTAX);
    ++ws.Exec_ptr;
    Kest_DropServerEffects(name, str_operand());
  }
  if (err_option()) {
    ++ws.Exec_ptr;
    Chk_err();
  }
  if (*ws.Exec_ptr != code::EOL && *ws.Exec_ptr != code::STMT_SEP) Rpt_error(err::SYNTAX);
}

bool ZefVrl_active() { return Sw_on(sw::PlusH) && Tc_attached(); }

bool ZefVrl_GetProperty(int32_t control, const std::string& path, std::string* value) {
  std::string name = cached_name(path);
  if (name.empty() || find_prop(name) < 0) return false;
  auto it = cache.find(Key{window_now(), control, cache_name(name)});
  if (it == cache.end()) return false;
  *value = it->second;
  return true;
}

void ZefVrl_StoreProperty(int32_t control, const std::string& path, const std::string& value) {
  std::string name = cached_name(path);
  if (name.empty() || find_prop(name) < 0) return;
  cache[Key{window_now(), control, cache_name(name)}] = value;
}

void ZefVrl_SetProperty(int32_t control, const std::string& path, const std::string& value) {
  std::string name = cached_name(path);
  int at = name.empty() ? -1 : find_prop(name);
  if (at < 0) {
    // An undeclared property, or one the cache does not keep: whatever it
    // changes on the client is unknown here, so nothing of the control is
    // trusted any longer.
    if (name.empty()) drop_control(control, "");
    return;
  }
  const Host_prop* p = &props[size_t(at)];
  if (p->effects == Effects::none_declared) p = &props[p->head];
  if (p->effects == Effects::whole_control) {
    drop_control(control, "");
  } else if (p->effects == Effects::listed) {
    for (const std::string& e : p->effect_names) drop_control(control, e);
  }
  cache[Key{window_now(), control, cache_name(name)}] = value;
}

void ZefVrl_WttyPacket(uint8_t major, uint8_t minor, const uint8_t* payload, uint32_t len) {
  if (fnc_clrs.empty() || cache.empty()) return;
  major &= 0x7F;
  static const std::string_view by_control = "-12BCDGLMRTabcdlrt|";
  auto control_at = [&](uint32_t i) { return int32_t(int16_t(uint16_t(payload[i] << 8 | payload[i + 1]))); };
  if (by_control.find(char(major)) != std::string_view::npos) {
    if (len >= 2) fnc_clr_check(control_at(0), char(minor));
    return;
  }
  char code = major == '<' ? 'E' : major == '>' ? 'D' : (major == 'h' || major == 's') ? char(major) : 0;
  if (!code || len < 2) return;
  uint32_t count = uint32_t(payload[0] << 8 | payload[1]);
  if (count > len - 2) count = len - 2;  // the entries stay inside the payload
  for (uint32_t i = 2; i + 3 <= count + 2; i += 3) fnc_clr_check(control_at(i), code);
}

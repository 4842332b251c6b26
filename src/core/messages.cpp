// Message texts, case tables and date names from the message file (layout in
// messages.h).  The file stays open for the life of the process; the last
// record read is cached, since errors tend to repeat.
#include "core/messages.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/console_device.h"
#include "core/errors.h"
#include "core/memory.h"
#include "core/workspace.h"

#ifndef ORU_BUILD_LIBDIR
#define ORU_BUILD_LIBDIR "."
#endif

namespace {

// The names used until a message file supplies its own.
const char* const builtin_names =
    ",January,February,March,April,May,June,July,August,September,October,November,December,"
    "Monday,Tuesday,Wednesday,Thursday,Friday,Saturday,Sunday,am,pm,AM,PM,"
    "Jan,Feb,Mar,Apr,May,Jun,Jul,Aug,Sep,Oct,Nov,Dec,Mon,Tue,Wed,Thu,Fri,Sat,Sun,a,p,A,P";

std::string names_text = builtin_names;
std::vector<std::string_view> names;  // views into names_text
std::string comma_list;

struct User_msg {
  int no;           // -1 for a named text
  std::string key;  // empty for a numbered text
  std::string text;
};
std::vector<User_msg> user_msgs;  // newest first

int cached_no = -1;
std::string cached_text;

void split_names() {
  names.clear();
  std::string_view s = names_text;
  size_t start = 0;
  for (;;) {
    size_t comma = s.find(',', start);
    names.push_back(s.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
}

bool valid_language(const std::string& s) {
  if (s.empty() || s.size() > 16) return false;
  for (char c : s)
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-'))
      return false;
  return true;
}

// Record n of the file: true with its bytes (NULs kept) when it could be read.
bool read_record(int n, uint8_t (&rec)[MSG_RECORD_SIZE]) {
  if (ws.Msg_fd < 0 || n < 0) return false;
  ssize_t got = ::pread(ws.Msg_fd, rec, MSG_RECORD_SIZE, off_t(n) * MSG_RECORD_SIZE);
  return got == MSG_RECORD_SIZE;
}

std::string missing_text(int n) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "Error:%03d", n);
  return buf;
}

std::string record_text(int n) {
  if (n == cached_no) return cached_text;
  uint8_t rec[MSG_RECORD_SIZE];
  std::string text;
  if (read_record(n, rec)) {
    size_t len = MSG_RECORD_SIZE;
    while (len > 0 && rec[len - 1] == 0) --len;
    text.assign(reinterpret_cast<const char*>(rec), len);
  }
  if (text.empty()) text = missing_text(n);
  cached_no = n;
  cached_text = text;
  return text;
}

}  // namespace

// Constant-initialised, so that they are valid before any constructor runs.
#define ORU_UP(i) uint8_t((i) >= 'a' && (i) <= 'z' ? (i) - 32 : (i))
#define ORU_LOW(i) uint8_t((i) >= 'A' && (i) <= 'Z' ? (i) + 32 : (i))
#define ORU_SAME(i) uint8_t(i)
#define ORU_ROW(f, b)                                                                        \
  f(b + 0), f(b + 1), f(b + 2), f(b + 3), f(b + 4), f(b + 5), f(b + 6), f(b + 7), f(b + 8), \
      f(b + 9), f(b + 10), f(b + 11), f(b + 12), f(b + 13), f(b + 14), f(b + 15)
#define ORU_TABLE(f)                                                                           \
  {ORU_ROW(f, 0),   ORU_ROW(f, 16),  ORU_ROW(f, 32),  ORU_ROW(f, 48),  ORU_ROW(f, 64),  \
   ORU_ROW(f, 80),  ORU_ROW(f, 96),  ORU_ROW(f, 112), ORU_ROW(f, 128), ORU_ROW(f, 144), \
   ORU_ROW(f, 160), ORU_ROW(f, 176), ORU_ROW(f, 192), ORU_ROW(f, 208), ORU_ROW(f, 224), \
   ORU_ROW(f, 240)}
uint8_t Uppercs[256] = ORU_TABLE(ORU_UP);
uint8_t Lowercs[256] = ORU_TABLE(ORU_LOW);
uint8_t Accents[256] = ORU_TABLE(ORU_SAME);
#undef ORU_UP
#undef ORU_LOW
#undef ORU_SAME
#undef ORU_ROW
#undef ORU_TABLE

std::string Lib_dir_path() {
  if (ws.Lib_dir && *ws.Lib_dir) return ws.Lib_dir;
  if (const char* e = std::getenv("ORULIB"); e && *e) return e;
  return ORU_BUILD_LIBDIR;
}

std::string Lib_language() {
  if (const char* e = std::getenv("ORULANG"); e && valid_language(e)) return e;
  if (const char* e = std::getenv("LANG"); e && std::strlen(e) >= 2) {
    std::string two(e, 2);
    if (valid_language(two)) return two;
  }
  return "en";
}

int Msg_open_file(const char* path) {
  int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -1;
  Msg_close();
  ws.Msg_fd = fd;
  Msg_load_tbl(MSG_UPPERCS, Uppercs);
  Msg_load_tbl(MSG_LOWERCS, Lowercs);
  Msg_load_tbl(MSG_ACCENTS, Accents);
  Msg_load_dte();
  Msg_load_edt();
  return fd;
}

int Msg_open() {
  std::string dir = Lib_dir_path(), lang = Lib_language();
  int fd = Msg_open_file((dir + "/_mlfile." + lang).c_str());
  if (fd < 0 && lang != "en") fd = Msg_open_file((dir + "/_mlfile.en").c_str());
  return fd;
}

void Msg_close() {
  if (ws.Msg_fd >= 0) ::close(ws.Msg_fd);
  ws.Msg_fd = -1;
  cached_no = -1;
  cached_text.clear();
}

std::string Msg_text(int n) {
  if (n == -1) return Ext_error_text();  // kept by the error module
  for (const User_msg& m : user_msgs)
    if (m.key.empty() && m.no == n) return m.text;
  if (n >= 256) {
    std::string s = std::strerror(n - 256);
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
    return s;
  }
  if (n < 0) return missing_text(n);
  return record_text(n);
}

void Msg_read(int n) {
  std::string text = Msg_text(n);
  uint8_t* p = Work_take(text.size());
  if (!text.empty()) std::memcpy(p, text.data(), text.size());
  ws.Str_ptr = p;
  ws.Str_len = int32_t(text.size());
}

void Msg_define(int n, std::string_view text) {
  Msg_undefine(n);
  user_msgs.insert(user_msgs.begin(), User_msg{n, {}, std::string(text)});
  if (n == MSG_COMMA_LIST) Msg_load_edt();
}

void Msg_define_named(std::string_view key, std::string_view text) {
  Msg_undefine_named(key);
  user_msgs.insert(user_msgs.begin(), User_msg{-1, std::string(key), std::string(text)});
}

bool Msg_undefine(int n) {
  for (auto it = user_msgs.begin(); it != user_msgs.end(); ++it)
    if (it->key.empty() && it->no == n) {
      user_msgs.erase(it);
      if (n == MSG_COMMA_LIST) Msg_load_edt();
      return true;
    }
  return false;
}

bool Msg_undefine_named(std::string_view key) {
  for (auto it = user_msgs.begin(); it != user_msgs.end(); ++it)
    if (!it->key.empty() && it->key == key) {
      user_msgs.erase(it);
      return true;
    }
  return false;
}

bool Msg_named(std::string_view key, std::string* text) {
  for (const User_msg& m : user_msgs)
    if (!m.key.empty() && m.key == key) {
      if (text) *text = m.text;
      return true;
    }
  return false;
}

void Msg_load_tbl(int first, uint8_t* table) {
  uint8_t all[256];
  for (int r = 0; r < 4; ++r) {
    uint8_t rec[MSG_RECORD_SIZE];
    if (!read_record(first + r, rec)) return;
    std::memcpy(all + r * 64, rec, 64);
  }
  std::memcpy(table, all, 256);
}

void Msg_load_dte() {
  if (ws.Msg_fd < 0) {
    names_text = builtin_names;
  } else {
    std::string joined;
    for (int r = MSG_DATE_NAMES; r < MSG_DATE_NAMES + 7; ++r) {
      if (r != MSG_DATE_NAMES) joined += ',';
      joined += Msg_text(r);
    }
    names_text = joined;
  }
  split_names();
}

void Msg_load_edt() {
  std::string text = Msg_text(MSG_COMMA_LIST);
  comma_list = text == missing_text(MSG_COMMA_LIST) ? std::string() : text + ",";
}

void Load_tbl(int first, uint8_t* table, std::string_view operand) {
  if (operand.empty()) {
    Msg_load_tbl(first, table);
    return;
  }
  if (operand.size() != 256) Rpt_error(err::STRING_LENGTH);
  std::memcpy(table, operand.data(), 256);
}

void Load_dte(std::string_view operand) {
  if (operand.empty()) {
    Msg_load_dte();
    return;
  }
  size_t commas = 0;
  for (char c : operand) commas += c == ',';
  if (commas != DTE_NAME_COUNT - 1) Rpt_error(err::BAD_DATE);
  names_text.assign(operand);
  split_names();
}

const std::string& Dte_names() { return names_text; }

std::string_view Dte_name(int i) {
  if (names.empty()) split_names();
  if (i < 0 || size_t(i) >= names.size()) return {};
  return names[size_t(i)];
}

const std::string& Msg_comma_list() { return comma_list; }

int memicmp(const void* a, const void* b, size_t n) {
  const uint8_t* x = static_cast<const uint8_t*>(a);
  const uint8_t* y = static_cast<const uint8_t*>(b);
  for (size_t i = 0; i < n; ++i) {
    int d = int(Uppercs[x[i]]) - int(Uppercs[y[i]]);
    if (d != 0) return d;
  }
  return 0;
}

void Disp_error(int n) {
  // Msg_text works on its own string, so the string accumulator is untouched.
  std::string text = Msg_text(n);
  Con_puts(text.c_str());
  Con_newline();
}

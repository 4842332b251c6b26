#include "channels/dictionary.h"

#include <sys/stat.h>

#include <cstring>
#include <vector>

#include "channels/channel.h"
#include "channels/close.h"
#include "channels/open.h"
#include "channels/record_io.h"
#include "core/codes.h"
#include "core/compiler.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/host.h"
#include "core/memory.h"
#include "core/workspace.h"

namespace {

constexpr uint16_t DICT_CHANNEL = 65025;
constexpr uint8_t FIELD_SEP = 0x8A;

Fcb* dict() { return Find_fp(DICT_CHANNEL); }

bool is_directory(const std::string& p) {
  struct stat st {};
  return stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

Fcb* open_internal(const std::string& name) {
  Io_save_guard io;
  return Open_internal(DICT_CHANNEL, name, 0);
}

// Reads the record of `key` through key 1: 0 found (the record in out),
// else the error number.
int read_by_key1(Fcb* f, const std::string& key, std::string& out) {
  int e = Read_by_key(f, reinterpret_cast<const uint8_t*>(key.data()), int32_t(key.size()), 1);
  if (e == 0) out.assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len < 0 ? 0 : ws.Str_len));
  return e;
}

// The string value of the expression text (a compile error is raised).
std::string expression_value(const std::string& text) {
  std::vector<uint8_t> code;
  int err = Compile_expression(reinterpret_cast<const uint8_t*>(text.data()), text.size(), code);
  if (err) Rpt_error(err);
  uint8_t* resume = ws.Exec_ptr;
  std::string v;
  try {
    ws.Exec_ptr = code.data() + 2;
    Eval_formula();
    if (*ws.Exec_ptr != code::EOL) Rpt_error(err::SYNTAX);
    if (ws.Str_len < 0) Rpt_error(err::TYPE_MISMATCH);
    v.assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
  } catch (...) {
    ws.Exec_ptr = resume;
    throw;
  }
  ws.Exec_ptr = resume;
  return v;
}

}  // namespace

void Dict_close() {
  if (Fcb* f = dict()) CloseFile(f);
}

void Dict_open(const std::string& given) {
  if (given.size() > 512) Rpt_error(err::BAD_FILE_NAME);
  std::string name = given.empty() ? "." : given;
  if (is_directory(name)) name += "/tessaron.ddf";
  Dict_close();
  Fcb* f = open_internal(name);
  bool keyed = f->kind == FK_KEYED || f->kind == FK_EFF;
  if (!keyed || f->high_key < 2) {
    CloseFile(f);
    Rpt_error(err::WRONG_FILE_KIND);
  }
}

std::string Dict_path() {
  Fcb* f = dict();
  return f && f->path && f->path->path ? f->path->path : "";
}

std::string Dict_resolve(const std::string& table) {
  Fcb* f = dict();
  if (!f) Rpt_error(err::NO_IOLIST);
  std::string rec;
  int e = read_by_key1(f, table, rec);
  if (e == 11 || e == 2) Rpt_error(err::NO_IOLIST);
  if (e) Rpt_error(e);
  size_t first = rec.find(char(FIELD_SEP));
  size_t second = first == std::string::npos ? first : rec.find(char(FIELD_SEP), first + 1);
  if (second == std::string::npos || second - first < 2) Rpt_error(err::BAD_FILE_NAME);
  std::string field = rec.substr(first + 1, second - first - 1);
  if (field[0] == '=') {
    // An expression runs what it calls (functions, SCLL): only one from a
    // dictionary file that no one else may write.
    struct stat st {};
    if (fstat(f->fd, &st) != 0 || !Owner_only_writes(st)) {
      Set_ext_error("The data dictionary's expression for " + table +
                    " is not evaluated: the dictionary is not owned by you or root, or others may write it");
      Rpt_error(err::BAD_FILE_NAME);
    }
    field = expression_value(field.substr(1));
  }
  Check_name_from_file(field, "Data dictionary file name");
  return field;
}

void Dict_table_at_cursor() {
  if (*ws.Exec_ptr != code::D_TABLE) Rpt_error(err::INTERNAL_CODE);
  ++ws.Exec_ptr;
  Eval_str();
  std::string table(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
  std::string file = Dict_resolve(table);
  uint8_t* p = Work_take(file.size() + 1);
  if (!file.empty()) std::memcpy(p, file.data(), file.size());
  ws.Str_ptr = p;
  ws.Str_len = int32_t(file.size());
}

// Arrays and multi-property forms of remote references (see remote_args.h).
#include "programs/remote_args.h"

#include <cstdio>

#include "core/codes.h"
#include "core/decimal.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/line_store.h"
#include "core/memory.h"
#include "core/variables.h"
#include "core/workspace.h"
#include "terminal/gui_client.h"
#include "terminal/tc_protocol.h"

namespace {

constexpr size_t TEXT_LIMIT = 3996;  // a statement text is sent once it passes this
constexpr size_t HEX_LIMIT = 4094;   // hex digits of one string piece
constexpr int MAX_ARRAYS = 100;

void hex(std::string& out, const uint8_t* p, size_t n) {
  static const char hx[] = "0123456789ABCDEF";
  out += '$';
  for (size_t i = 0; i < n; i++) {
    out += hx[p[i] >> 4];
    out += hx[p[i] & 15];
  }
  out += '$';
}

// Appends one statement; a text that has passed the limit is sent first.
void add(std::string& text, const std::string& stmt) {
  if (text.size() > TEXT_LIMIT) {
    RemoteExecute(text);
    text.clear();
  }
  if (!text.empty()) text += ';';
  text += stmt;
}

void send_array(const std::string& name, Var_node* n) {
  if (!n->elems || Var_count(n) == 0) return;
  bool str = n->type == 2;
  int32_t lo[3], hi[3];
  for (int d = 0; d < 3; ++d) {
    int32_t size = n->size[d] > 0 ? n->size[d] : 1;
    lo[d] = n->base[d];
    hi[d] = n->base[d] + size - 1;
  }
  char head[160];
  std::snprintf(head, sizeof head, "DIM %s[%d:%d,%d:%d,%d:%d]", name.c_str(), lo[0], hi[0], lo[1], hi[1], lo[2], hi[2]);
  std::string text = head;
  uint32_t e = 0;
  for (int32_t i = lo[0]; i <= hi[0]; ++i)
    for (int32_t j = lo[1]; j <= hi[1]; ++j)
      for (int32_t k = lo[2]; k <= hi[2]; ++k, ++e) {
        char at[96];
        std::snprintf(at, sizeof at, "%s[%d,%d,%d]", name.c_str(), i, j, k);
        if (!str) {
          const Num_val& v = *Num_elem(n, e);
          if (v.mant == 0) continue;
          char t[CONV_NORMAL_MAX];
          add(text, std::string(at) + "=" + std::string(t, size_t(Conv_normal(v, t))));
          continue;
        }
        const Str_blk* s = *Str_elem(n, e);
        if (!s || s->len == 0) continue;
        // Pieces of at most HEX_LIMIT / 2 bytes: the first assigns, the
        // others append.
        size_t piece = (HEX_LIMIT - 2) / 2;
        for (size_t off = 0; off < s->len; off += piece) {
          size_t len = s->len - off < piece ? s->len - off : piece;
          std::string stmt = std::string(at) + (off == 0 ? "=" : "+=");
          hex(stmt, s->bytes() + off, len);
          add(text, stmt);
        }
      }
  RemoteExecute(text);
}

// Names of a multi-property list: pieces each ended by '.'.
void names_of(const std::string& path, std::string* out, size_t max, size_t* count) {
  *count = 0;
  size_t start = 0;
  for (size_t i = 0; i < path.size(); ++i)
    if (path[i] == '.') {
      if (*count < max) out[*count] = path.substr(start, i - start);
      ++*count;
      start = i + 1;
    }
}

}  // namespace

void RemoteExecute(const std::string& text) {
  Wtty_init('$', 'E');
  Wtty_str(text);
  Wtty_xmit(0);
}

bool Remote_array_arg(std::string& path, Remote_arrays& sent) {
  const uint8_t* p = ws.Exec_ptr;
  if (*p != code::NUM_VAR && *p != code::STR_VAR) return false;
  if (p[Item_size(p, p + 2 + 127)] != code::WHOLE_ARRAY) return false;
  if (sent.count >= MAX_ARRAYS) Rpt_error(err::NESTING_TOO_DEEP);
  bool str = *p == code::STR_VAR;
  Var_node* n = Find_var();
  if (*ws.Exec_ptr == code::WHOLE_ARRAY) ws.Exec_ptr++;
  std::string name = "_" + std::to_string(++sent.count) + (str ? "$" : "");
  if (!sent.names.empty()) sent.names += ',';
  sent.names += name;
  send_array(name, n);
  path += name + "[ALL]";
  return true;
}

Remote_arrays_freed::~Remote_arrays_freed() {
  if (sent.count == 0) return;
  Catch_region region;
  try {
    Remote_free_arrays(sent);
  } catch (const Oru_error&) {
  }
}

void Remote_free_arrays(const Remote_arrays& sent) {
  if (sent.count == 0) return;
  Num_val num = ws.Num_acc;
  uint8_t* sp = ws.Str_ptr;
  int32_t sl = ws.Str_len;
  std::string text = "DIM ";
  size_t start = 0;
  for (size_t i = 0; i <= sent.names.size(); ++i)
    if (i == sent.names.size() || sent.names[i] == ',') {
      if (start) text += ',';
      text += sent.names.substr(start, i - start) + "[0]";
      start = i + 1;
    }
  RemoteExecute(text);
  ws.Num_acc = num;
  ws.Str_ptr = sp;
  ws.Str_len = sl;
}

bool Remote_multi_path(const std::string& path) {
  size_t n = path.size();
  if (n && path[n - 1] == '$') --n;  // the string property's mark
  return n && path[n - 1] == '.' && path.find_first_of("'(") == std::string::npos;
}

std::string KestWexaMultiGet(int32_t id, const std::string& path) {
  std::string names[100];
  size_t count;
  names_of(path, names, 100, &count);
  if (count > 100) Rpt_error(err::NESTING_TOO_DEEP);
  std::string out;
  out.reserve(1024);
  for (size_t i = 0; i < count; ++i) {
    out += Gui_prop_read(id, names[i] + (ws.Tc_level >= 9 ? "$" : ""), true);
    out += '\0';
  }
  return out;
}

void KestWexaMultiSet(int32_t id, const std::string& path, const std::string& values) {
  std::string names[100];
  size_t count;
  names_of(path, names, 100, &count);
  if (count > 100) Rpt_error(err::NESTING_TOO_DEEP);
  if (values.empty()) return;
  char sep = values.back();
  size_t start = 0;
  for (size_t i = 0; i < count; ++i) {
    size_t end = values.find(sep, start);
    if (end == std::string::npos) break;  // fewer values than names: the rest keep theirs
    Gui_prop_write(id, names[i] + (ws.Tc_level >= 9 ? "$" : ""), true, values.substr(start, end - start));
    start = end + 1;
  }
}

void Remote_arg_text(std::string& out) {
  if (ws.Str_len < 0) {
    char t[CONV_NORMAL_MAX];
    out.append(t, size_t(Conv_normal(ws.Num_acc, t)));
    return;
  }
  const uint8_t* p = ws.Str_ptr;
  size_t n = size_t(ws.Str_len);
  if (n == 0) {
    out += "$$";
    return;
  }
  bool plain = true;
  for (size_t i = 0; i < n; i++)
    if (p[i] < 32 || p[i] > 126 || p[i] == '"') plain = false;
  if (plain) {
    out += '"';
    out.append(reinterpret_cast<const char*>(p), n);
    out += '"';
    return;
  }
  hex(out, p, n);
}

std::string Remote_args_text(Remote_arrays& sent) {
  std::string out;
  bool first = true;
  while (*ws.Exec_ptr == code::COMMA) {
    ws.Exec_ptr++;
    if (!first) out += ',';
    first = false;
    if (*ws.Exec_ptr == code::OP_DIV) {
      ws.Exec_ptr++;
      out += '*';
      continue;
    }
    if (Remote_array_arg(out, sent)) continue;
    Eval_formula();
    Remote_arg_text(out);
  }
  return out;
}

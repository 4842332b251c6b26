// The program-level data dictionary (DICT LOAD) and the variable access
// masks (SET_MASK).
//
// Dictionary file, read front to back, every count big-endian:
//   BE16 T tables; per table: BE16 N elements, N x 6 bytes (BE16 offset of
//   the element's name in the table's name area, 65535 none; BE16 attribute
//   word 1; BE16 attribute word 2), BE16 length of the name area, the area
//   (names with a length byte); then BE16 R references, R x 4 bytes (byte
//   0 table number, BE24 element number from 1), sorted by the names they
//   refer to.
// While a dictionary is loaded, a variable created under the name of an
// element takes the element's attribute words as the access bits it needs
// to be read (word 1) and assigned (word 2); SET_MASK decides which bits a
// program holds.  Bit n (1..16) of a mask is 0x8000 >> (n - 1).
#include "keyed/data_dict.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "channels/channel.h"
#include "channels/io_list.h"
#include "channels/io_options.h"
#include "channels/open.h"
#include "core/codes.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/line_store.h"
#include "core/memory.h"
#include "core/variables.h"
#include "core/workspace.h"
#include "keyed/index_directives.h"

struct Dict_element {
  uint16_t name_off = 0xFFFF, attr1 = 0, attr2 = 0;
};

namespace {

struct Dict_table {
  std::vector<Dict_element> elems;
  std::vector<uint8_t> names;
};
struct Dict {
  std::vector<Dict_table> tables;
  std::vector<uint32_t> refs;  // byte 0 table, bytes 1-3 element (from 1)
};
std::unique_ptr<Dict> loaded;
const Dict_element elm_dummy{};
const Dict_element* elm_cur = &elm_dummy;

// Reads a dictionary image; false when it ends early.
bool parse(const uint8_t* d, size_t n, Dict& out) {
  size_t at = 0;
  auto u16 = [&](uint16_t* v) {
    if (n - at < 2) return false;
    *v = get_u16be(d + at);
    at += 2;
    return true;
  };
  uint16_t T;
  if (!u16(&T)) return false;
  out.tables.resize(T);
  for (Dict_table& t : out.tables) {
    uint16_t N;
    if (!u16(&N)) return false;
    if ((n - at) / 6 < N) return false;
    t.elems.resize(N);
    for (Dict_element& e : t.elems) {
      u16(&e.name_off);
      u16(&e.attr1);
      u16(&e.attr2);
    }
    uint16_t L;
    if (!u16(&L) || n - at < L) return false;
    t.names.assign(d + at, d + at + L);
    at += L;
  }
  uint16_t R;
  if (!u16(&R) || (n - at) / 4 < R) return false;
  out.refs.resize(R);
  for (uint32_t& r : out.refs) {
    r = get_u32be(d + at);
    at += 4;
  }
  return true;
}

// The name of an element (length-prefixed), or the generated one.
std::string name_of(const Dict& dct, uint32_t ref, const Dict_element** elm) {
  size_t t = ref >> 24;
  uint32_t e = (ref & 0xFFFFFF) - 1;
  if (t < dct.tables.size() && e < dct.tables[t].elems.size()) {
    const Dict_table& tb = dct.tables[t];
    const Dict_element& el = tb.elems[e];
    if (el.name_off != 0xFFFF && el.name_off < tb.names.size()) {
      size_t len = tb.names[el.name_off];
      if (el.name_off + 1 + len <= tb.names.size()) {
        *elm = &el;
        return std::string(reinterpret_cast<const char*>(tb.names.data() + el.name_off + 1), len);
      }
    }
  }
  *elm = &elm_dummy;
  return "_DE." + std::to_string(t) + "." + std::to_string(e + 1);
}

// Names compare as signed bytes; a prefix sorts first.
int cmp_signed(const std::string& a, const std::string& b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    int x = int8_t(a[i]), y = int8_t(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

// A variable created while a dictionary is loaded takes the access bits of
// the element of its name.
void on_variable_created(Var_node* n) {
  if (!loaded) return;
  std::string name(reinterpret_cast<const char*>(n->name), n->name_len);
  const Dict_element* el = nullptr;
  if (Dict_key(name) >= 0) {
    Dict_name(uint32_t(Dict_key(name)), &el);
    n->read_mask = el->attr1;
    n->write_mask = el->attr2;
  }
}

constexpr uint8_t KW_OFF = 61;  // the word OFF

std::string ref_name(uint32_t ref) { return Dict_name(ref); }


// A mask operand: a 2-byte string, or bit numbers 1..16 separated by ",".
uint16_t mask_value() {
  uint8_t c = *ws.Exec_ptr;
  if (c == code::STR_VAR || c == code::STR_LIT || c == code::HEX_LIT) {
    Eval_str();
    if (ws.Str_len != 2) Rpt_error(err::STRING_LENGTH);
    return get_u16be(ws.Str_ptr);
  }
  uint16_t m = 0;
  for (;;) {
    int32_t n = Eval_integer();
    if (n < 1 || n > 16) Rpt_error(err::OUT_OF_RANGE);
    m = uint16_t(m | (0x8000u >> (n - 1)));
    if (*ws.Exec_ptr != code::COMMA || ws.Exec_ptr[1] == iopt::ERR) break;
    ws.Exec_ptr++;
  }
  return m;
}

}  // namespace

void Data_dict_register() {
  Var_created_hook = on_variable_created;
  Dict_ref_name_hook = ref_name;
}

bool Dict_parse(const uint8_t* data, size_t len) {
  auto d = std::make_unique<Dict>();
  if (!parse(data, len, *d)) return false;
  loaded = std::move(d);
  Var_dict_names_changed();
  return true;
}

void Dict_clear() {
  loaded.reset();
  Var_dict_names_changed();
  elm_cur = &elm_dummy;
}

bool Dict_loaded() { return loaded != nullptr; }

int64_t Dict_key(const std::string& name) {
  if (!loaded) return -1;
  const std::vector<uint32_t>& refs = loaded->refs;
  int64_t lo = -1, hi = int64_t(refs.size());
  while (hi - lo >= 2) {
    int64_t mid = lo + (hi - lo) / 2;
    const Dict_element* el;
    int c = cmp_signed(name_of(*loaded, refs[size_t(mid)], &el), name);
    if (c == 0) return int64_t(refs[size_t(mid)]);
    if (c > 0) hi = mid;
    else lo = mid;
  }
  return -1;
}

std::string Dict_name(uint32_t ref, const Dict_element** elm) {
  const Dict_element* el = &elm_dummy;
  std::string n = loaded ? name_of(*loaded, ref, &el) : name_of(Dict{}, ref, &el);
  elm_cur = el;
  if (elm) *elm = el;
  return n;
}

void Dict_load_directive() {
  ws.Stmt_save = ws.Exec_ptr;
  Err_scan();
  Eval_str();
  std::string name(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
  if (*ws.Exec_ptr == code::COMMA) {
    ws.Exec_ptr++;
    Chk_err();
  }
  while (!name.empty() && name.back() == ' ') name.pop_back();
  if (name.empty()) {
    Dict_clear();
    return;
  }
  // The first entry of the search path where the file opens.
  int fd = -1;
  Set_path(name);
  while (fd < 0 && Next_path() == 0) {
    if (ws.Path_buf[0] == '[') continue;
    fd = ::open(ws.Path_buf, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  }
  if (fd < 0) Rpt_error(err::FILE_NOT_FOUND);
  // Opened without waiting and read only when it is a regular file: a FIFO
  // put at its name would hold the process in open or read for ever.
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    Rpt_error_text(err::WRONG_MODE, "The data dictionary is not a regular file");
  }
  std::vector<uint8_t> bytes;
  uint8_t buf[65536];
  for (;;) {
    ssize_t r = ::read(fd, buf, sizeof buf);
    if (r <= 0) break;
    bytes.insert(bytes.end(), buf, buf + r);
    if (bytes.size() > (size_t(64) << 20)) break;  // no dictionary is that large
  }
  ::close(fd);
  Dict_clear();
  if (!Dict_parse(bytes.data(), bytes.size())) Rpt_error_text(err::WRONG_MODE, "the data dictionary " + name + " ends early");
}

// SET_MASK [PROGRAM] ON bits | OFF bits | READ var$
void d_smsk() {
  ws.Stmt_save = ws.Exec_ptr;  // an error before ERR= is reached still takes it
  Err_scan();
  bool program = *ws.Exec_ptr == code::D_PROGRAM;
  if (program) ws.Exec_ptr++;
  uint8_t op = *ws.Exec_ptr++;
  bool running = ws.Cur_stno != 0;
  // (The program's bits are a 16-bit word, the global mask a whole one.)
  const uint32_t mask = program ? ws.Var_mask_pgm : ws.Var_mask_glob;
  auto set_mask = [program](uint32_t to) {
    if (program) ws.Var_mask_pgm = uint16_t(to);
    else ws.Var_mask_glob = to;
  };
  if (op == KW_OFF) {
    uint16_t m = mask_value();
    set_mask(mask & ~uint32_t(m));
    if (running) ws.Var_mask &= ~uint32_t(m);
  } else if (op == code::D_ON) {
    uint16_t m = mask_value();
    uint32_t allowed = ws.Var_mask_glob | (running ? ws.Var_mask_pgm : 0);
    if (m & ~allowed) Rpt_error(err::NOT_ACCESSIBLE);
    set_mask(mask | m);
    if (running) ws.Var_mask |= m;
  } else if (op == code::D_READ) {
    uint8_t c = *ws.Exec_ptr;
    if (c != code::STR_VAR && c != code::REC_VAR) Rpt_error(err::TYPE_MISMATCH);
    Get_value();
    Check_assignable(ws.Cur_var);
    Let_target t;
    Let_define(t);
    if (t.str_len < 0) Rpt_error(err::TYPE_MISMATCH);
    uint8_t* p = Work_take(2);
    put_u16be(p, uint16_t(mask & 0xFFFF));
    ws.Str_ptr = p;
    ws.Str_len = 2;
    Let_assign(t);
  } else {
    Rpt_error(err::NOT_ACCESSIBLE);
  }
  if (*ws.Exec_ptr == code::COMMA) {
    ws.Exec_ptr++;
    Chk_err();
  }
}

// Record layouts in the file dictionary of keyed files of both formats.
//
// Items read at open (fields as key_dict.h draws them):
//   position 0 (the head)   field 10, when not empty: a compiled list
//                           (BE16 length, 0xB9, items, 255), the header list
//   positive, first field "VAR" + 1 byte
//                           starts a named format; field 2 is its name
//                           (1-255 bytes, longer is cut; empty: error 81)
//   any, first field of 4 bytes or more with 0xB9 as its third byte
//                           a fragment: its items (without the 3 leading
//                           bytes and the final end code) join the list
//                           being gathered, after a "," between fragments
//   positive, first field "!name"
//                           the file's I/O program (when OPEN gave none)
// Forward from the head the fragments make the default list, or, after a
// format item, the list of that format (fragments before the first format
// item belong to none); the default list is then the first format's.  The
// fragments behind the head (positions -1, -2, ...) make the backward list.
// A fragment whose items are not well-formed compiled code (a name given
// by a program's name index, a line index, a statement end inside) is no
// fragment: it stays a free item.
#include "keyed/key_layouts.h"

#include <sys/stat.h>

#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "channels/channel.h"
#include "channels/open.h"
#include "channels/rec_formats.h"
#include "channels/record_formats.h"
#include "channels/record_io.h"
#include "core/codes.h"
#include "core/errors.h"
#include "core/host.h"
#include "core/line_store.h"
#include "core/memory.h"
#include "core/text_case.h"
#include "keyed/key_dict.h"
#include "keyed/key_driver.h"

namespace {

constexpr size_t MAX_FORMAT_NAME = 255;
constexpr size_t MAX_LIST = 32767;

bool name_code(uint8_t c) {
  return c == code::NUM_VAR || c == code::STR_VAR || c == code::REC_VAR || c == code::OBJ_REF;
}

// Whether compiled items call nothing: no function (built-in or user), no
// object or method reference, no second-prefix form.  A list from a file
// runs in whoever opens the file (WRITE evaluates its items), so one that
// could call SCLL( or a program is no list.
bool calls_nothing(const std::string& it) {
  const auto* p = reinterpret_cast<const uint8_t*>(it.data());
  const uint8_t* end = p + it.size();
  while (p < end) {
    uint8_t c = *p;
    if ((c >= code::XFNC_PREFIX && c <= code::FNC_LAST) || c == code::ALT_FNC || c == code::PREFIX2 ||
        c == code::OBJ_REF || c == code::OBJ_CHAIN)
      return false;
    size_t k = Item_size(p, end);
    if (k == 0) return false;
    p += k;
  }
  return true;
}

// The items of a compiled list held in a field, or false when it is none.
bool list_items(const std::string& field, std::string* items) {
  if (field.size() < 4 || uint8_t(field[2]) != code::D_IOLIST) return false;
  if (uint8_t(field.back()) != code::EOL) return false;
  std::string it = field.substr(3, field.size() - 4);
  if (!Iol_items_valid(reinterpret_cast<const uint8_t*>(it.data()), it.size())) return false;
  if (!calls_nothing(it)) return false;
  *items = it;
  return true;
}

struct Gathered {
  std::string items;
  int fragments = 0;
  void add(const std::string& it) {
    if (fragments++ > 0) items += char(code::COMMA);
    items += it;
    if (items.size() > MAX_LIST) Rpt_error_text(err::BAD_IOLIST_ITEM, "a record layout of the file dictionary is too long");
  }
};

// Why the I/O program a file's dictionary names must not run, or "": whoever
// may write the file could otherwise make every reader run a program of
// their choosing.  The file and the program are both to be owned by this
// user or by root with no write access for group or others.
std::string program_refused(Fcb* f, const std::string& program) {
  struct stat st {};
  if (fstat(f->fd, &st) != 0 || !Owner_only_writes(st))
    return "the file is not owned by you or root, or others may write it";
  std::string path = Find_host_file(program.substr(0, program.find(';')));
  if (path.empty()) return "no such program file";
  if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || !Owner_only_writes(st))
    return "the program is not owned by you or root, or others may write it";
  return "";
}

}  // namespace

void Key_layout_field(std::string& field) {
  if (field.size() < 4 || uint8_t(field[2]) != code::D_IOLIST || uint8_t(field.back()) != code::EOL) return;
  const auto* p = reinterpret_cast<const uint8_t*>(field.data()) + 3;
  const uint8_t* end = reinterpret_cast<const uint8_t*>(field.data()) + field.size() - 1;
  std::string out = field.substr(0, 3);
  while (p < end) {
    size_t k = Item_size(p, end);
    if (k == 0 || k > size_t(end - p)) return;
    uint8_t c = *p;
    if (name_code(c) && (p[1] & 0x80)) {
      const uint8_t* e = Var_name_entry((uint32_t(p[1] & 0x7F) << 8) | p[2]);
      if (!e || e[0] == 0 || e[0] > 127) return;
      out += char(c);
      out.append(reinterpret_cast<const char*>(e), size_t(e[0]) + 1);
    } else {
      out.append(reinterpret_cast<const char*>(p), k);
    }
    p += k;
  }
  out += char(code::EOL);
  if (out.size() > 32767) return;
  put_u16be(reinterpret_cast<uint8_t*>(out.data()), uint16_t(out.size()));
  field = out;
}

void Key_load_layouts(Fcb* f) {
  Key_chan* kc = Key_chan_of(f);
  if (!kc) return;
  std::vector<std::pair<int, std::vector<uint8_t>>> items = Kdct_save(kc);
  if (items.empty()) return;
  Gathered cur, back;
  std::string pending;  // the name of the format being gathered
  bool named = false;
  std::string header;
  bool has_header = false;
  std::string program;
  for (const auto& [pos, data] : items) {
    std::vector<std::string> fields = Kdct_fields(data.data(), data.size());
    if (fields.empty()) continue;
    const std::string& first = fields[0];
    std::string it;
    if (pos == 0) {
      if (fields.size() >= 10 && !fields[9].empty()) has_header = list_items(fields[9], &header);
      continue;
    }
    if (pos < 0) {
      if (list_items(first, &it)) back.add(it);
      continue;
    }
    if (first.size() == 4 && Starts_ci(first, "VAR")) {
      std::string name = fields.size() >= 2 ? fields[1] : "";
      if (name.empty()) Rpt_error_text(err::BAD_IOLIST_ITEM, "a record format of the file dictionary has no name");
      if (name.size() > MAX_FORMAT_NAME) name.resize(MAX_FORMAT_NAME);
      if (named && cur.fragments)
        Fcb_add_format(f, pending, reinterpret_cast<const uint8_t*>(cur.items.data()), cur.items.size());
      cur = Gathered{};
      pending = name;
      named = true;
    } else if (first.size() > 1 && first[0] == '!') {
      if (program.empty()) program = first.substr(1);
    } else if (list_items(first, &it)) {
      cur.add(it);
    }
  }
  std::string deflt;
  bool has_default = false;
  if (named) {
    if (cur.fragments)
      Fcb_add_format(f, pending, reinterpret_cast<const uint8_t*>(cur.items.data()), cur.items.size());
    std::vector<std::string> names = Fcb_format_names(f);
    if (const uint8_t* b = names.empty() ? nullptr : FindFileFormat(f, names[0])) {
      deflt.assign(reinterpret_cast<const char*>(b + 3), size_t(get_u16be(b) - 3));
      has_default = true;
    }
  } else if (cur.fragments) {
    deflt = cur.items;
    has_default = true;
  }
  auto bytes = [](const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); };
  if (has_default) Iol_set_slot(f, 1, bytes(deflt), deflt.size());
  if (has_header) Iol_set_slot(f, 2, bytes(header), header.size());
  if (back.fragments) Iol_set_slot(f, 3, bytes(back.items), back.items.size());
  if (!program.empty() && !f->event_pgm) {
    if (program.size() > 255) program.resize(255);
    std::string why = program_refused(f, program);
    if (!why.empty()) {
      Set_ext_error("The file's I/O program \"" + program + "\" is not run: " + why);
      return;
    }
    f->event_pgm = static_cast<char*>(Get_blk(program.size() + 1));
    std::memcpy(f->event_pgm, program.c_str(), program.size() + 1);
    f->event_mask |= EVM_TRUSTED_ONLY;
  }
}

// XFA(record, field [, item]): the attributes of a field of a record
// variable (DIM R$:template or an I/O list).
//
// The result is 11 bytes followed by the field's description (the text
// between the colons after the field in its template):
//   0     the form's letter as its place in "CNIUFDBXY" (from 1): C text,
//         N number, I and U binary integers; a delimited or plain field
//         gives C or N by its type
//   1     flags: 1 delimited, 2 array field, 4 fixed width, 8 a skip
//   2     decimals (0: the forms here keep none)
//   3-4   the delimiter of a delimited field (256 the record separator,
//         65535 none), else 0
//   5-6   the field's number, from 1
//   7-8   its offset in the record as the record stands now, from 0
//   9-10  its length there (an array field: all its elements)
// all numbers big-endian.  With a third argument the result is instead the
// value of that item of the description ("ITEM=value", up to the next
// blank): error 23 when the description has no such item.  A variable that
// is no record is error 23, a field it does not have error 47.
#include <cstring>
#include <string>
#include <vector>

#include "core/codes.h"
#include "core/errors.h"
#include "core/memory.h"
#include "core/params.h"
#include "core/switches.h"
#include "core/variables.h"
#include "core/workspace.h"
#include "functions/fnc_args.h"
#include "functions/function_table.h"

namespace {

std::string upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = char(c - 32);
  return s;
}

uint8_t form_letter(const Record_field& f) {
  static const char kForms[] = "CNIUFDBXY";
  char letter = f.form;
  if (letter == 'D' || letter == 'P') letter = f.type == code::STR_VAR ? 'C' : 'N';
  if (letter == 'E') letter = 'D';  // the template's double
  const char* at = std::strchr(kForms, letter);
  return at ? uint8_t(at - kForms + 1) : 1;
}

bool fixed(const Record_field& f) { return f.form != 'P' && f.form != 'D'; }

// Offsets and lengths of every field in the record text as it stands.
void measure(const std::vector<Record_field>& fields, const std::string& text, std::vector<size_t>& at,
             std::vector<size_t>& len) {
  uint8_t sep = Sw_on(sw::TX) ? uint8_t('\n') : prmblk.FS;
  size_t pos = 0;
  for (const Record_field& f : fields) {
    size_t start = pos;
    for (uint32_t e = 0; e < (f.count ? f.count : 1u); ++e) {
      if (fixed(f)) {
        pos += f.width;
        if (pos > text.size()) pos = text.size();
        continue;
      }
      int d = f.form == 'P' || f.delim == DELIM_DEFAULT ? sep : f.delim == DELIM_NONE ? -1 : int(f.delim);
      size_t stop = d < 0 ? std::string::npos : text.find(char(d), pos);
      if (stop == std::string::npos) {
        pos = text.size();
      } else {
        pos = stop + 1;
      }
    }
    at.push_back(start);
    len.push_back(pos - start);
  }
}

void put16(std::string& r, size_t v) {
  if (v > 0xFFFF) v = 0xFFFF;
  r += char(v >> 8);
  r += char(v & 0xFF);
}

}  // namespace

void fnc_xfa() {
  if (*ws.Exec_ptr != code::STR_VAR) Rpt_error(err::BAD_NAME);
  Var_node* v = Find_var();
  if (!(v->flags & VF_RECORD) || !v->rec_list) Rpt_error(err::BAD_NAME);
  Fnc_comma();
  Fnc_str nm = Fnc_string();
  std::string want = upper(std::string(reinterpret_cast<const char*>(nm.p), size_t(nm.len)));
  std::string item;
  bool has_item = Fnc_more();
  if (has_item) {
    Fnc_str it = Fnc_string();
    item = upper(std::string(reinterpret_cast<const char*>(it.p), size_t(it.len)));
  }
  std::vector<Record_field> fields = Record_fields(v);
  if (fields.empty()) Rpt_error(err::TYPE_MISMATCH);
  size_t k = 0;
  for (; k < fields.size(); ++k) {
    const std::string& n = fields[k].name;
    if (fields[k].type != '*' && (n == want || (n.size() == want.size() + 1 && n.back() == '$' && n.compare(0, want.size(), want) == 0)))
      break;
  }
  if (k == fields.size()) Rpt_error(err::SUBSTRING_RANGE);
  const Record_field& f = fields[k];
  if (has_item) {
    // "ITEM=value" in the description, items separated by blanks.
    const std::string& d = f.desc;
    std::string ud = upper(d);
    size_t p = 0;
    for (;;) {
      p = ud.find(item + "=", p);
      if (p == std::string::npos || item.empty()) Rpt_error(err::BAD_NAME);
      if (p == 0 || ud[p - 1] == ' ') break;
      ++p;
    }
    size_t from = p + item.size() + 1;
    size_t to = d.find(' ', from);
    Fnc_result_text(d.substr(from, to == std::string::npos ? std::string::npos : to - from));
    return;
  }
  Gen_record(v);
  std::string text;
  if (v->str) text.assign(reinterpret_cast<const char*>(v->str->bytes()), v->str->len);
  std::vector<size_t> at, len;
  measure(fields, text, at, len);
  std::string r;
  r += char(form_letter(f));
  r += char((fixed(f) ? 4 : 1) | (f.count ? 2 : 0));
  r += char(0);
  put16(r, fixed(f) ? 0 : f.form == 'P' ? DELIM_DEFAULT : f.delim);
  put16(r, k + 1);
  put16(r, at[k]);
  put16(r, len[k]);
  r += f.desc;
  Fnc_result_text(r);
}

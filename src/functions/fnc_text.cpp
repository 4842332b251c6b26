// Handlers of the pattern, sorting and text-conversion functions: MSK( SRT(
// CVS( XML(.
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "core/memory.h"
#include "core/messages.h"
#include "core/params.h"
#include "core/utf8.h"
#include "core/variables.h"
#include "functions/fnc_args.h"
#include "functions/function_table.h"
#include "core/mask_match.h"
#include "functions/sort.h"
#include "functions/text_convert.h"
#include "functions/xml_string.h"

namespace {

constexpr uint8_t TOKEN_NEXT = 0xC2;         // NEXT directive code
constexpr uint8_t TOKEN_EXT_DIR = 0x95;      // then 0xD7 PROPERTY, 0x96 ADD
constexpr uint8_t TOKEN_PROPERTY = 0xD7;
constexpr uint8_t TOKEN_ADD = 0x96;
constexpr uint8_t IOPT_IND = 0x89;
constexpr uint8_t IOPT_KEY = 0x8B;
constexpr uint8_t IOPT_OPT = 0x92;
constexpr uint8_t CODE_COLON = 58;

void result_text(const std::string& s) {
  uint8_t* out = Rsv_out(int64_t(s.size()));
  if (!s.empty()) std::memcpy(out, s.data(), s.size());
}

std::string_view view(const Fnc_str& s) {
  return {reinterpret_cast<const char*>(s.p), size_t(s.len)};
}

}  // namespace

// MSK(s, pattern) searches s; MSK(s) searches with the last pattern.
void fnc_fmsk() {
  Fnc_str s = Fnc_string();
  int64_t at;
  if (Fnc_more()) {
    Fnc_str pat = Fnc_string();
    at = Do_fnc_mask(1, s.p, size_t(s.len), pat.p, size_t(pat.len));
  } else {
    at = Do_fnc_mask(0, s.p, size_t(s.len), nullptr, 0);
  }
  Fnc_result_int(at);
}

// SRT(s [, separator | item length]).
void fnc_fsrt() {
  Fnc_str s = Fnc_string();
  int64_t item_len = 0;
  uint8_t sep = prmblk.FS;
  if (Fnc_more()) {
    Eval_formula();
    if (ws.Str_len < 0) {
      item_len = To_integer(ws.Num_acc);
      if (item_len < 1) Rpt_error(err::OUT_OF_RANGE);
    } else {
      if (ws.Str_len == 0) Rpt_error(err::STRING_LENGTH);
      sep = ws.Str_ptr[0];
    }
  }
  if (s.len == 0) {
    Rsv_out(0);
    return;
  }
  uint8_t* out = Rsv_out(s.len);
  Do_sort(s.p, size_t(s.len), item_len, sep, ws.Utf8_mode != 0, out);
}

// CVS(s, mode [:pad] [, mode [:pad] ...]), CVS(s, "FROM-TO" [, width]),
// CVS(number) and CVS(/).
void fnc_fcvs() {
  if (ws.Exec_ptr[0] == code::OP_DIV && ws.Exec_ptr[1] == code::RPAREN) {
    ws.Exec_ptr++;
    uint8_t* out = Rsv_out(256);
    std::memcpy(out, Accents, 256);
    return;
  }
  Eval_formula();
  if (ws.Str_len < 0) {
    if (*ws.Exec_ptr != code::COMMA) {
      KestUtf8CVS();
      return;
    }
    // Several code points: all are read before the text is built, since
    // reading them may use the work area the text is built in.
    std::vector<uint32_t> points{Utf8_code_point(ws.Num_acc)};
    while (Fnc_more()) {
      Eval_val();
      points.push_back(Utf8_code_point(ws.Num_acc));
    }
    Utf8_text t;
    Utf8_text_begin(t);
    for (uint32_t cp : points) Utf8_text_add(t, cp);
    Utf8_text_end(t);
    return;
  }
  Fnc_str s{ws.Str_ptr, ws.Str_len};
  Fnc_comma();
  Eval_formula();
  if (ws.Str_len >= 0) {
    Fnc_str names{ws.Str_ptr, ws.Str_len};
    int width = 76;
    if (Fnc_more()) width = Eval_range(0, 32000);
    result_text(KestCVSTranslate(s.p, size_t(s.len), names.p, size_t(names.len), width));
    return;
  }
  struct Step {
    int mode;
    uint8_t pad;
  };
  std::vector<Step> steps;
  for (;;) {
    Num_val m = ws.Num_acc;
    int mode = To_integer(m);
    if (mode < 0 || mode > CVS_MODE_MAX) Rpt_error(err::OUT_OF_RANGE);
    uint8_t pad = ' ';
    if (*ws.Exec_ptr == CODE_COLON) {
      ws.Exec_ptr++;
      Fnc_str c = Fnc_string();
      if (c.len > 0) pad = c.p[0];
    }
    steps.push_back(Step{mode, pad});
    if (!Fnc_more()) break;
    Eval_val();
  }
  bool utf8 = Fnc_utf8_opt(UTF8_CASE);
  std::string text(reinterpret_cast<const char*>(s.p), size_t(s.len));
  for (const Step& st : steps)
    text = Cvs_modes(reinterpret_cast<const uint8_t*>(text.data()), text.size(), st.mode, st.pad,
                     utf8);
  result_text(text);
}

namespace {

// An option variable of XML(NEXT: captured before the document is read.
struct Xml_var {
  bool given = false;
  Let_target t;
};

void capture_var(Xml_var& v) {
  if (*ws.Exec_ptr != code::NUM_VAR && *ws.Exec_ptr != code::STR_VAR) Rpt_error(err::SYNTAX);
  Get_value();
  Let_define(v.t);
  v.given = true;
}

void assign_text(const Xml_var& v, const std::string& s) {
  if (!v.given) return;
  if (v.t.str_len < 0) Rpt_error(err::TYPE_MISMATCH);
  ws.Str_ptr = Work_take(s.size());
  if (!s.empty()) std::memcpy(ws.Str_ptr, s.data(), s.size());
  ws.Str_len = int32_t(s.size());
  Let_assign(v.t);
}

void assign_number(const Xml_var& v, int64_t n) {
  if (!v.given) return;
  if (v.t.str_len >= 0) Rpt_error(err::TYPE_MISMATCH);
  ws.Num_acc = Num_val{};
  ws.Num_acc.mant = n;
  ws.Str_len = -1;
  ws.Math_flags = 0;
  Let_assign(v.t);
}

int64_t current_number(const Xml_var& v) {
  if (!v.given) return 1;
  if (v.t.str_len >= 0) Rpt_error(err::TYPE_MISMATCH);
  Num_val x = *static_cast<Num_val*>(Let_slot(v.t));
  return To_integer(x);
}

// The options after the arguments; a comma before each is optional.
void read_options(Xml_var* ind, Xml_var* key, Xml_var* opt, std::string* key_text,
                  std::string* opt_text, bool* has_key, bool* has_opt) {
  for (;;) {
    uint8_t* p = ws.Exec_ptr;
    if (*p == code::COMMA && (p[1] == IOPT_IND || p[1] == IOPT_KEY || p[1] == IOPT_OPT)) p++;
    uint8_t o = *p;
    if (o != IOPT_IND && o != IOPT_KEY && o != IOPT_OPT) return;
    ws.Exec_ptr = p + 1;
    if (o == IOPT_IND) {
      if (!ind) Rpt_error(err::SYNTAX);
      capture_var(*ind);
    } else if (key) {
      if (o == IOPT_OPT && !opt) Rpt_error(err::SYNTAX);
      capture_var(o == IOPT_KEY ? *key : *opt);
    } else {
      Fnc_str s = Fnc_string();
      (o == IOPT_KEY ? key_text : opt_text)->assign(view(s));
      *(o == IOPT_KEY ? has_key : has_opt) = true;
    }
  }
}

}  // namespace

// XML(ADD value, doc [, KEY=tag] [, OPT=attrs]), XML(NEXT doc, IND=, KEY=,
// OPT=) and the PROPERTY forms of both.
void KestFnc_Xml() {
  bool property = false;
  if (ws.Exec_ptr[0] == TOKEN_EXT_DIR && ws.Exec_ptr[1] == TOKEN_PROPERTY) {
    property = true;
    ws.Exec_ptr += 2;
  }
  if (*ws.Exec_ptr == TOKEN_NEXT) {
    ws.Exec_ptr++;
    Fnc_str doc = Fnc_string();
    std::string text(view(doc));
    Xml_var ind, key, opt;
    read_options(&ind, &key, property ? nullptr : &opt, nullptr, nullptr, nullptr, nullptr);
    int64_t pos = current_number(ind);
    Xml_item item = property ? Xml_prop_next(text, pos) : Xml_next(text, pos);
    assign_number(ind, item.next);
    assign_text(key, item.tag);
    assign_text(opt, item.attrs);
    result_text(item.content);
    return;
  }
  if (ws.Exec_ptr[0] == TOKEN_EXT_DIR && ws.Exec_ptr[1] == TOKEN_ADD) ws.Exec_ptr += 2;
  Fnc_str value = Fnc_string();
  std::string v(view(value));
  Fnc_comma();
  Fnc_str doc = Fnc_string();
  std::string d(view(doc));
  std::string tag, attrs;
  bool has_tag = false, has_attrs = false;
  read_options(nullptr, nullptr, nullptr, &tag, &attrs, &has_tag, &has_attrs);
  if (property) {
    if (!has_tag) Rpt_error(err::SYNTAX);
    result_text(Xml_prop_add(v, d, tag));
    return;
  }
  std::string_view tv(tag), av(attrs);
  result_text(Xml_add(v, d, has_tag ? &tv : nullptr, has_attrs ? &av : nullptr));
}

// VMSL: the length of the string matched by the last MSK( or LIKE.
void vl_vmsl() { Fnc_result_int(ws.Msk_len); }

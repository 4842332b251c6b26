// SQL channels: the open string and its options, the [MySql] defaults,
// connections (one per channel, or shared), the record map and key maps,
// and close.
#include <algorithm>
#include <cstring>
#include <string>

#include "channels/kdef.h"
#include "channels/open.h"
#include "channels/rec_formats.h"
#include "core/codes.h"
#include "core/compiler.h"
#include "core/messages.h"
#include "core/errors.h"
#include "core/ini.h"
#include "core/memory.h"
#include "core/params.h"
#include "core/switches.h"
#include "core/workspace.h"
#include "net/sql_channel.h"
#include "net/sql_client.h"

namespace {

// ---- process-wide state ----
struct Defaults {
  Msq_settings settings;
  uint32_t opts = 0;
  int top = 0;
  std::string debug_tag, extract_suffix, datefmt, auto_index;
};
Defaults defaults;
bool ini_read = false;
int64_t stats[15] = {};

bool ieq(const std::string& a, const char* b) {
  size_t n = std::strlen(b);
  if (a.size() != n) return false;
  for (size_t i = 0; i < n; i++)
    if (std::toupper(uint8_t(a[i])) != std::toupper(uint8_t(b[i]))) return false;
  return true;
}

bool ieq(const std::string& a, const std::string& b) { return ieq(a, b.c_str()); }

std::string trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return "";
  size_t e = s.find_last_not_of(" \t");
  return s.substr(b, e - b + 1);
}

bool yes(const std::string& v) { return !v.empty() && (v[0] == '1' || v[0] == 'y' || v[0] == 'Y'); }
bool no(const std::string& v) { return !v.empty() && (v[0] == '0' || v[0] == 'n' || v[0] == 'N'); }

void set_bit(uint32_t& w, uint32_t bit, bool on) { w = on ? (w | bit) : (w & ~bit); }

// One standard option (also every key of [MySql]); false when the name is
// none of them.
bool standard_opt(Sql_chan* sc, const std::string& n, const std::string& v) {
  uint32_t& o = sc->opts;
  if (ieq(n, "USER")) sc->settings.user = v;
  else if (ieq(n, "PSWD") || ieq(n, "PASSWORD")) sc->settings.password = v;
  else if (ieq(n, "BUSYRETRY")) set_bit(o, SQO_NO_BUSYRETRY, no(v));
  else if (ieq(n, "DATEFMT")) {
    sc->datefmt = v;
    o &= ~SQO_TAVRODATE;
  } else if (ieq(n, "TAVRODATE")) o |= SQO_TAVRODATE;
  else if (ieq(n, "STDDATE")) o &= ~SQO_TAVRODATE;
  else if (ieq(n, "DATE_CONVERT")) set_bit(o, SQO_NO_DATE_CONVERT, no(v));
  else if (ieq(n, "DATETIME_CONVERT")) set_bit(o, SQO_NO_DATETIME_CONVERT, no(v));
  else if (ieq(n, "TIMESTAMP_CONVERT")) set_bit(o, SQO_NO_TIMESTAMP_CONVERT, no(v));
  else if (ieq(n, "WAITZERO")) set_bit(o, SQO_WAITZERO, yes(v));
  else if (ieq(n, "DEBUG")) sc->debug_tag = v;
  else if (ieq(n, "PREPARE")) set_bit(o, SQO_PREPARE, yes(v));
  else if (ieq(n, "STRIP")) o |= SQO_STRIP;
  else if (ieq(n, "NOSTRIP")) o &= ~SQO_STRIP;
  else if (ieq(n, "EXTROPT")) sc->extract_suffix = v;
  else if (ieq(n, "UNIQUE")) o |= SQO_UNIQUE;
  else if (ieq(n, "SHARED")) o &= ~SQO_UNIQUE;
  else if (ieq(n, "NULLPADKEY")) set_bit(o, SQO_NULLPADKEY, yes(v));
  else if (ieq(n, "NONUMADJ")) set_bit(o, SQO_NONUMADJ, yes(v));
  else if (ieq(n, "ORACLE")) set_bit(o, SQO_ORACLE, yes(v));
  else if (ieq(n, "NONULLS")) {
    o &= ~(SQO_NONULLS | SQO_NONULLS_KEYS);
    if (yes(v)) o |= SQO_NONULLS;
    else if (!v.empty() && (v[0] == '2' || v[0] == 'p' || v[0] == 'P')) o |= SQO_NONULLS_KEYS;
  } else if (ieq(n, "EXEC_SPRNO")) set_bit(o, SQO_EXEC_SPRNO, v.empty() || yes(v));
  else if (ieq(n, "CURSORCLOSE")) {
    // Results are held by the client; a commit has no cursor to close.
  } else if (ieq(n, "TOP")) sc->top = std::max(0, std::atoi(v.c_str()));
  else if (ieq(n, "AUTO_INDEX")) sc->auto_index = v;
  else if (ieq(n, "SERVER") || ieq(n, "HOST")) sc->settings.host = v;
  else if (ieq(n, "PORT")) sc->settings.port = unsigned(std::max(0, std::atoi(v.c_str())));
  else return false;
  return true;
}

// [MySql] of the ini file, read on the first SQL OPEN of the process.
void load_ini() {
  if (ini_read) return;
  Sql_chan tmp;
  tmp.opts = SQO_NO_TIMESTAMP_CONVERT | SQO_PREPARE | SQO_ONE_RESULT | SQO_UNIQUE;
  if (Sw_on(sw::Bang9)) tmp.opts |= SQO_TAVRODATE;  // six-byte dates by default
  tmp.settings.port = 3306;
  char names[1024];
  int n = KestGetPrivateProfileString("MySql", nullptr, "", names, sizeof names);
  for (int i = 0; i < n;) {
    std::string key(names + i);
    i += int(key.size()) + 1;
    if (key.empty()) continue;
    char val[81];
    KestGetPrivateProfileString("MySql", key.c_str(), "", val, sizeof val);
    std::string v = val;
    if (!v.empty() && (v[0] == '"' || v[0] == '\'')) {
      size_t e = v.find(v[0], 1);
      v = v.substr(1, e == std::string::npos ? std::string::npos : e - 1);
    }
    standard_opt(&tmp, key, v);
  }
  defaults.settings = tmp.settings;
  defaults.opts = tmp.opts;
  defaults.top = tmp.top;
  defaults.debug_tag = tmp.debug_tag;
  defaults.extract_suffix = tmp.extract_suffix;  // empty: chosen at each OPEN
  defaults.datefmt = tmp.datefmt;
  defaults.auto_index = tmp.auto_index;
  ini_read = true;
}

std::vector<std::string> split_tokens(const std::string& s) {
  std::vector<std::string> out;
  size_t b = 0;
  for (;;) {
    size_t e = s.find(';', b);
    out.push_back(trim(s.substr(b, e == std::string::npos ? std::string::npos : e - b)));
    if (e == std::string::npos) break;
    b = e + 1;
  }
  return out;
}

// Cuts a recorded name where a password token begins, so that no path that
// error reports show holds it (the ';' before it stays).
void cut_password(char* path) {
  std::string p = path;
  size_t at = 0;
  while ((at = p.find(';', at)) != std::string::npos) {
    ++at;
    size_t b = at;
    while (b < p.size() && p[b] == ' ') ++b;
    std::string rest = p.substr(b, 9);
    for (auto& c : rest) c = char(std::toupper(uint8_t(c)));
    if (rest.compare(0, 4, "PSWD") == 0 || rest.compare(0, 8, "PASSWORD") == 0) {
      path[at] = 0;
      return;
    }
  }
}

// Connections in use by the open channels: shared ones are found here.
std::vector<Sql_chan*> open_channels;

bool same_server(const Msq_settings& a, const Msq_settings& b) {
  return ieq(a.database, b.database) && a.host == b.host && a.port == b.port && a.user == b.user;
}

}  // namespace

Sql_col_type Sql_column_type(const std::string& type_text, uint32_t opts, size_t datefmt_len) {
  Sql_col_type c;
  std::string full = type_text;
  for (auto& ch : full) ch = char(std::tolower(uint8_t(ch)));
  size_t par = full.find_first_of("( ");
  std::string t = full.substr(0, par);
  // The server's numbers are bounded: a text field is at most 65,535
  // bytes (the longest the server stores in a row), a number has at most
  // 65 digits and 30 places, so that no claimed length sizes a record.
  long a1 = 0, a2 = 0;
  if (par != std::string::npos && full[par] == '(') {
    a1 = std::clamp(std::atol(full.c_str() + par + 1), 0L, long(SQL_TEXT_MAX));
    size_t comma = full.find(',', par);
    size_t close = full.find(')', par);
    if (comma != std::string::npos && comma < close) a2 = std::clamp(std::atol(full.c_str() + comma + 1), 0L, 30L);
  }
  bool uns = full.find("unsigned") != std::string::npos;
  c.data_type = t;
  int prec = -1, scale = 0;
  if (t == "tinyint") prec = 3;
  else if (t == "smallint") prec = 5;
  else if (t == "mediumint") prec = uns ? 8 : 7;
  else if (t == "int" || t == "integer") prec = 10;
  else if (t == "bigint") prec = uns ? 20 : 19;
  else if (t == "decimal" || t == "numeric" || t == "dec" || t == "fixed") {
    prec = a1 ? int(std::min(a1, 65L)) : 10;
    scale = int(a2);
  } else if (t == "float") {
    prec = 12;
    scale = int(a2);
  } else if (t == "double" || t == "real") {
    prec = 22;
    scale = int(a2);
  } else if (t == "year") prec = 4;
  else if (t == "bit") prec = 20;
  if (prec >= 0) {
    c.type = 'N';
    c.len = prec + ((opts & SQO_NONUMADJ) ? 0 : 3);
    c.dec = scale;
  } else if ((t == "date" && !(opts & SQO_NO_DATE_CONVERT)) ||
             (t == "datetime" && !(opts & SQO_NO_DATETIME_CONVERT)) ||
             (t == "timestamp" && !(opts & SQO_NO_TIMESTAMP_CONVERT))) {
    c.type = 'D';
    c.len = (opts & SQO_TAVRODATE) ? 6 : datefmt_len ? int(datefmt_len) : t == "date" ? 10 : 19;
  } else {
    c.type = 'C';
    if (t == "date") c.len = 10;
    else if (t == "datetime" || t == "timestamp") c.len = 19;
    else if (t == "time") c.len = 10;
    else if (t == "tinytext" || t == "tinyblob") c.len = 255;
    else if (t == "text" || t == "blob") c.len = 65535;
    else if (t == "mediumtext" || t == "mediumblob") c.len = SQL_MEDIUM_FIELD;
    else if (t == "longtext" || t == "longblob" || t == "json") c.len = SQL_LONG_FIELD;
    else c.len = int(a1 > 0 ? a1 : 255);
    c.binary = t == "binary" || t == "varbinary" || t.find("blob") != std::string::npos;
  }
  return c;
}

namespace {

// ---- record map ----
struct Table_col {
  std::string name, data_type;
  int len = 0, dec = 0;
  char type = 'C';
  bool binary = false;
};

std::vector<Table_col> table_columns(Sql_chan* sc) {
  // The table must exist: the server's own message says why not.
  Sql_stmt probe(sc->conn, "SELECT * FROM " + sc->table_q + " LIMIT 0", true);
  if (!probe.ok()) probe.fail();
  // SHOW COLUMNS knows temporary tables too; its type text gives the
  // lengths: "varchar(24)", "decimal(10,2)", "int(11) unsigned".
  std::vector<Sql_row> rows;
  std::vector<Sql_field> fields;
  Msq_query(sc->conn, "SHOW COLUMNS FROM " + sc->table_q, &rows, &fields, nullptr, false);
  std::vector<Table_col> out;
  for (auto& r : rows) {
    if (r.size() < 2) continue;
    Table_col c;
    c.name = r[0].s;
    Sql_col_type t = Sql_column_type(r[1].s, sc->opts, sc->datefmt.size());
    c.data_type = t.data_type;
    c.type = t.type;
    c.len = t.len;
    c.dec = t.dec;
    c.binary = t.binary;
    out.push_back(c);
  }
  if (out.empty()) Rpt_error_text(err::FILE_NOT_FOUND, "MYSQL:1146:Table '" + sc->db + "." + sc->table + "' has no columns");
  return out;
}

// The key columns of a KEYDATA= definition as map items at full width.
std::string keydata_items(const std::string& def) {
  std::string out;
  size_t b = 0;
  while (b <= def.size()) {
    size_t e = def.find(',', b);
    std::string s = trim(def.substr(b, e == std::string::npos ? std::string::npos : e - b));
    b = e == std::string::npos ? def.size() + 1 : e + 1;
    s = trim(s.substr(0, s.find(':')));  // the key flags stay with the key
    if (s.empty() || s == "*") Rpt_error(err::BAD_FILE_NAME);
    out += s + "+";
  }
  return out;
}

void define_map(Sql_chan* sc, const std::string& map, bool add_rest = false) {
  std::vector<Table_col> tc = table_columns(sc);
  auto find_tc = [&](const std::string& n) -> const Table_col* {
    for (auto& c : tc)
      if (ieq(c.name, n)) return &c;
    return nullptr;
  };
  if (trim(map).empty()) {
    for (auto& t : tc) {
      Sql_col c;
      c.name = t.name;
      c.type = t.type;
      c.len = t.len;
      c.dec = t.dec;
      c.binary = t.binary;
      sc->cols.push_back(c);
    }
  } else {
    // The table's facts override the items' own formats unless every
    // column item of the map has a format of its own.
    bool all_formatted = true;
    {
      size_t b = 0;
      while (b < map.size()) {
        size_t e = map.find_first_of(",+", b);
        std::string it = trim(map.substr(b, e == std::string::npos ? std::string::npos : e - b));
        b = e == std::string::npos ? map.size() : e + 1;
        if (it.empty() || it[0] == '?' || it[0] == '"' || it[0] == '\'') continue;
        if (it.find(':') == std::string::npos) all_formatted = false;
      }
    }
    size_t i = 0;
    int cur_sec = -1, group = 0;
    bool open_group = false;
    while (i < map.size()) {
      while (i < map.size() && map[i] == ' ') ++i;
      Sql_col c;
      std::string item;
      if (i < map.size() && map[i] == '?') {
        // A variant marker: '?' closes the sections, '?pattern', '?~pattern'
        // and '?~' open one; '?"text"' takes the text between the quotes.
        size_t j = i + 1;
        bool negate = j < map.size() && map[j] == '~';
        if (negate) ++j;
        std::string pat;
        if (j < map.size() && map[j] == '"') {
          size_t e = map.find('"', j + 1);
          if (e == std::string::npos) Rpt_error(err::BAD_IOLIST_ITEM);
          pat = map.substr(j + 1, e - j - 1);
          i = e + 1;
        } else {
          size_t e = map.find_first_of(",+", j);
          pat = trim(map.substr(j, e == std::string::npos ? std::string::npos : e - j));
          i = e == std::string::npos ? map.size() : e;
        }
        c.type = '?';
        c.literal = pat;
        if (!negate && pat.empty()) {
          cur_sec = -1;
          if (open_group) group++;
          open_group = false;
        } else {
          Sql_section sec;
          sec.pattern = pat;
          sec.negate = negate;
          sec.group = group;
          sc->sections.push_back(sec);
          cur_sec = int(sc->sections.size()) - 1;
          c.vsec = cur_sec;
          open_group = true;
        }
        while (i < map.size() && map[i] == ' ') ++i;
        if (i < map.size()) ++i;  // the ',' or '+' after a marker
        sc->cols.push_back(c);
        continue;
      }
      c.vsec = cur_sec;
      if (i < map.size() && (map[i] == '"' || map[i] == '\'')) {
        char q = map[i];
        size_t e = map.find(q, i + 1);
        if (e == std::string::npos) Rpt_error(err::BAD_IOLIST_ITEM);
        c.type = '\'';
        c.literal = map.substr(i + 1, e - i - 1);
        c.len = int(c.literal.size());
        i = e + 1;
      } else {
        size_t e = map.find_first_of(",+", i);
        item = trim(map.substr(i, e == std::string::npos ? std::string::npos : e - i));
        i = e == std::string::npos ? map.size() : e;
        if (item.empty()) Rpt_error(err::BAD_IOLIST_ITEM);
        size_t colon = item.find(':');
        c.name = trim(item.substr(0, colon));
        std::string fmt = colon == std::string::npos ? "" : trim(item.substr(colon + 1));
        if (!fmt.empty()) {
          char f0 = char(std::toupper(uint8_t(fmt[0])));
          if (f0 == 'D' || f0 == 'T') {
            c.type = 'D';
            c.len = (sc->opts & SQO_TAVRODATE) ? 6 : !sc->datefmt.empty() ? int(sc->datefmt.size()) : 10;
          } else if (f0 == 'Y') {
            c.type = 'Y';  // two bytes in the record (year / 64 + 32, year mod 64 + 32)
            c.len = 2;
          } else {
            if (f0 == 'H' || f0 == 'B' || f0 == 'P') {
              c.fmt = f0 == 'H' ? SQF_HEX : f0 == 'B' ? SQF_BINARY : SQF_PACKED;
              fmt.erase(0, 1);
              if (c.fmt == SQF_PACKED && (fmt.empty() || !std::isdigit(uint8_t(fmt[0])))) Rpt_error(err::BAD_IOLIST_ITEM);
              if (fmt.empty()) fmt = "0";
            }
            size_t dot = fmt.find('.');
            if (fmt.find_first_not_of("0123456789.") != std::string::npos) Rpt_error(err::BAD_IOLIST_ITEM);
            c.len = std::atoi(fmt.c_str());
            if (dot != std::string::npos) {
              c.type = 'N';
              c.dec = std::atoi(fmt.c_str() + dot + 1);
              if (!(sc->opts & SQO_NONUMADJ) && c.fmt != SQF_PACKED) c.len += 3;
            } else {
              c.type = 'C';
            }
            if (c.fmt == SQF_PACKED) c.type = 'N';
          }
        }
        if (const Table_col* t = find_tc(c.name)) {
          c.name = t->name;
          if (c.fmt == SQF_PACKED) {
            // A packed field keeps its own length and takes the column's
            // decimal places; only numbers can be packed.
            if (t->type != 'N') Rpt_error_text(err::TYPE_MISMATCH, "Packed field on a column that is no number: " + t->name);
            if (!all_formatted) c.dec = t->dec;
          } else if (all_formatted) {
            c.binary = t->binary && c.type == 'C';
          } else {
            c.type = t->type;
            c.len = t->len;
            c.dec = t->dec;
            c.binary = t->binary;
            if (c.fmt == SQF_HEX) c.len = std::max(1, t->len / 2);
            if (c.fmt == SQF_BINARY) {
              c.type = 'C';
              c.binary = true;
            }
          }
        }
        if (c.type == 0) Rpt_error_text(err::BAD_NAME, "Unknown column " + c.name);
      }
      while (i < map.size() && map[i] == ' ') ++i;
      if (i < map.size()) {
        c.fixed = map[i] == '+';
        ++i;
      }
      if (sc->recdata) c.fixed = true;  // RECDATA: every field at its full width
      sc->cols.push_back(c);
    }
    sc->open_group = open_group;
    if (add_rest) {
      for (auto& t : tc) {
        bool have = false;
        for (auto& c : sc->cols) have = have || ieq(c.name, t.name);
        if (have) continue;
        Sql_col c;
        c.name = t.name;
        c.type = t.type;
        c.len = t.len;
        c.dec = t.dec;
        c.binary = t.binary;
        c.fixed = sc->recdata;
        sc->cols.push_back(c);
      }
    }
  }
  if (sc->cols.empty()) Rpt_error(err::FILE_NOT_FOUND);
  for (auto& c : sc->cols) {
    if (c.type == '\'' || c.type == '?') continue;
    for (size_t s = 0; s < sc->sel.size(); s++)
      if (ieq(sc->sel[s], c.name)) c.sel = int(s);
    if (c.sel < 0) {
      c.sel = int(sc->sel.size());
      sc->sel.push_back(c.name);
    }
  }
  if (sc->sel.empty()) Rpt_error(err::FILE_NOT_FOUND);
  // Every column of the map must be in the table: the server says which
  // one is not.
  std::string list;
  for (auto& n : sc->sel) list += (list.empty() ? "" : ",") + Msq_quote_ident(n);
  Sql_stmt check(sc->conn, "SELECT " + list + " FROM " + sc->table_q + " LIMIT 0", true);
  if (!check.ok()) {
    try {
      check.fail();
    } catch (const Oru_error& e) {
      if (check.error_no() == 1054) Rpt_error_text(err::BAD_NAME, Ext_error_text());
      throw;
    }
  }
}

void define_key(Sql_chan* sc, const std::string& def) {
  Sql_key k;
  std::string d = trim(def);
  std::vector<std::pair<int, std::string>> segs;
  if (d == "*") {
    for (size_t i = 0; i < sc->cols.size(); i++)
      if (sc->cols[i].sel >= 0) segs.push_back({int(i), ""});
  } else {
    size_t b = 0;
    while (b <= d.size()) {
      size_t e = d.find(',', b);
      std::string s = trim(d.substr(b, e == std::string::npos ? std::string::npos : e - b));
      b = e == std::string::npos ? d.size() + 1 : e + 1;
      if (s.empty()) continue;
      // "*INDEX:" with one separator character and the server's index name;
      // "*NAME:" and a name for KNO=.
      if (s.size() > 7 && ieq(s.substr(0, 7), "*INDEX:")) {
        k.index = s.substr(8);
        continue;
      }
      if (s.size() > 6 && ieq(s.substr(0, 6), "*NAME:")) {
        k.name = trim(s.substr(6));
        if (k.name.empty() || k.name.size() > 255 || k.name[0] == '#')
          Rpt_error_text(err::KEY_DEFINITION, "a key name must not be empty or begin with '#'");
        continue;
      }
      size_t colon = s.find(':');
      std::string name = trim(s.substr(0, colon));
      std::string flags = colon == std::string::npos ? "" : s.substr(colon + 1);
      int found = -1;
      for (size_t i = 0; i < sc->cols.size(); i++)
        if (sc->cols[i].sel >= 0 && ieq(sc->cols[i].name, name)) {
          found = int(i);
          break;
        }
      if (found < 0) Rpt_error_text(err::KEY_DEFINITION, "Key column not in the record map: " + name);
      segs.push_back({found, flags});
    }
  }
  if (segs.empty()) Rpt_error(err::KEY_DEFINITION);
  for (auto& [ci, flags] : segs) {
    const Sql_col& c = sc->cols[size_t(ci)];
    std::string f = flags;
    for (auto& ch : f) ch = char(std::toupper(uint8_t(ch)));
    char fl = f.find('C') != std::string::npos ? 'C' : f.find('L') != std::string::npos ? 'L' : 0;
    if (c.len > 127) Rpt_error_text(err::KEY_DEFINITION, "Key segment longer than 127: " + c.name);
    k.seg.push_back(ci);
    k.flag.push_back(fl);
    k.desc.push_back(f.find('D') != std::string::npos);
    k.seg_len.push_back(c.len);
    k.total += c.len;
  }
  if (k.total > 240) Rpt_error_text(err::KEY_DEFINITION, "Key longer than 240");
  sc->keys.push_back(k);
}

// TYP=: selectors "column[,length[,offset]]" joined by '+'; each a column
// of the map that every record has, in front of the variant sections.
void define_selectors(Sql_chan* sc, const std::string& typ) {
  constexpr size_t MAX_SELECTORS = 10;
  size_t first_marker = sc->cols.size();
  for (size_t i = 0; i < sc->cols.size() && first_marker == sc->cols.size(); i++)
    if (sc->cols[i].type == '?') first_marker = i;
  size_t b = 0;
  std::string t = trim(typ);
  while (!t.empty() && b <= t.size()) {
    size_t e = t.find('+', b);
    std::string item = trim(t.substr(b, e == std::string::npos ? std::string::npos : e - b));
    b = e == std::string::npos ? t.size() + 1 : e + 1;
    if (item.empty()) continue;
    std::string name;
    std::string rest;
    if (item[0] == '"') {
      size_t q = item.find('"', 1);
      if (q == std::string::npos) Rpt_error(err::BAD_NAME);
      name = item.substr(1, q - 1);
      rest = item.substr(q + 1);
    } else {
      size_t comma = item.find(',');
      name = trim(item.substr(0, comma));
      rest = comma == std::string::npos ? "" : item.substr(comma);
    }
    int found = -1;
    for (size_t i = 0; i < sc->cols.size() && found < 0; i++)
      if (sc->cols[i].sel >= 0 && ieq(sc->cols[i].name, name)) found = int(i);
    if (found < 0) Rpt_error_text(err::BAD_NAME, "TYP= names no column of the record map: " + name);
    if (size_t(found) > first_marker || sc->cols[size_t(found)].vsec >= 0)
      Rpt_error_text(err::BAD_NAME, "a TYP= column must come before the variant sections: " + name);
    Sql_selector sel;
    sel.col = found;
    sel.len = sc->cols[size_t(found)].len;
    // ",length" and ",offset" (from 1)
    std::vector<std::string> nums;
    size_t p = 0;
    while (p < rest.size()) {
      if (rest[p] != ',') Rpt_error(err::BAD_NAME);
      size_t q = rest.find(',', p + 1);
      nums.push_back(trim(rest.substr(p + 1, q == std::string::npos ? std::string::npos : q - p - 1)));
      p = q == std::string::npos ? rest.size() : q;
    }
    if (nums.size() > 2) Rpt_error(err::BAD_NAME);
    for (const std::string& n : nums)
      if (!n.empty() && n.find_first_not_of("0123456789") != std::string::npos) Rpt_error(err::BAD_NAME);
    if (nums.size() >= 1 && !nums[0].empty()) sel.len = std::atoi(nums[0].c_str());
    if (nums.size() >= 2 && !nums[1].empty()) sel.off = std::max(0, std::atoi(nums[1].c_str()) - 1);
    if (sel.len <= 0 || sel.len > 255 || sel.off > 32767) Rpt_error(err::BAD_NAME);
    if (sc->selectors.size() >= MAX_SELECTORS) Rpt_error_text(err::BAD_FILE_NAME, "TYP= takes at most 10 selectors");
    sc->selectors.push_back(sel);
  }
  if (!sc->sections.empty() && sc->selectors.empty())
    Rpt_error_text(err::BAD_FILE_NAME, "variant sections of the record map need TYP= selectors");
}

// Each key's order: its segments, then the columns of key 0 it lacks, so
// that the order is total whenever key 0 is unique.
void complete_orders(Sql_chan* sc) {
  for (size_t k = 0; k < sc->keys.size(); k++) {
    Sql_key& key = sc->keys[k];
    key.order = key.seg;
    if (k == 0) continue;
    for (int c : sc->keys[0].seg) {
      bool have = false;
      for (int s : key.seg) have = have || sc->cols[size_t(s)].sel == sc->cols[size_t(c)].sel;
      if (!have) key.order.push_back(c);
    }
  }
}

// A column's variable in the stored list: letters and digits upper-cased
// (accented letters folded first), anything else '_', a leading digit
// behind '_'.
std::string var_name(const std::string& column) {
  std::string v;
  for (char ch : column) {
    auto b = uint8_t(Accents[uint8_t(ch)]);
    b = Uppercs[b];
    v += (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') ? char(b) : '_';
  }
  if (v.empty() || (v[0] >= '0' && v[0] <= '9')) v.insert(0, "_");
  return v;
}

// The record map as the list kept with the table (IOL=* takes it): one
// variable per column item, named after the column, a string or (for
// numbers) a numeric one; fields laid at full width get their width as a
// format.  The part of the record programs do not see (IND, KEYDATA) has
// no items; a map the list cannot follow (variant sections, literals, a
// column name the compiler will not take as a variable) gives no list.
std::vector<uint8_t> map_list(Sql_chan* sc) {
  if (sc->command || sc->whole_key || !sc->sections.empty()) return {};
  size_t first = sc->ind_mode ? 1 : sc->keydata_len ? sc->keys[0].seg.size() : 0;
  std::string text = "IOLIST ";
  bool any = false;
  for (size_t i = first; i < sc->cols.size(); i++) {
    const Sql_col& c = sc->cols[i];
    std::string item;
    std::string len = std::to_string(c.len);
    if (c.type == '\'') {
      return {};  // a list has no item that both reads and writes a literal
    } else if (c.fmt == SQF_PACKED) {
      item = var_name(c.name);
      item += c.len <= 6 ? ":INT(" + len + "," + std::to_string(c.dec) + ")" : "$:LEN(" + len + ")";
    } else if (c.type == 'N') {
      item = var_name(c.name);
      if (c.fixed) item += ":DEC(" + len + "," + std::to_string(c.dec) + ")";
    } else {
      item = var_name(c.name) + "$";
      if (c.fixed) item += (c.binary || c.fmt || c.type == 'Y' ? ":LEN(" : ":CHR(") + len + ")";
    }
    text += (any ? "," : "") + item;
    any = true;
  }
  if (!any) return {};
  if (text.size() > 32767) Rpt_error_text(err::BAD_IOLIST_ITEM, "the record map's I/O list is too long");
  std::vector<uint8_t> out;
  if (Compile_text(text, out) != 0) return {};
  if (out.size() < 4 || out[2] != code::D_IOLIST || out.back() != code::EOL) return {};
  if (out.size() - 4 > 32767) Rpt_error_text(err::BAD_IOLIST_ITEM, "the record map's I/O list is too long");
  return std::vector<uint8_t>(out.begin() + 3, out.end() - 1);
}

void connect(Sql_chan* sc) {
  if (!(sc->opts & SQO_UNIQUE)) {
    for (Sql_chan* o : open_channels) {
      // A connection the server dropped is lent to no one.
      if ((o->opts & SQO_UNIQUE) || !o->conn || o->conn->failed || !same_server(o->settings, sc->settings)) continue;
      sc->conn = o->conn;
      sc->conn->refs++;
      stats[3]++;
      return;
    }
  }
  if (ws.Io_tim > 0) sc->settings.connect_timeout = unsigned(std::max(1, (ws.Io_tim + 50) / 100));
  sc->conn = Msq_connect(sc->settings, !Dbx_in_transaction());
  sc->conn->refs = 1;
  stats[1]++;
}

}  // namespace

std::vector<Sql_chan*>& Dbx_open_channels() { return open_channels; }

bool Dbx_same_name(const std::string& a, const std::string& b) { return ieq(a, b); }

int64_t DbxStats(int n) { return n >= 0 && n < 15 ? stats[n] : 0; }
void Dbx_count(int n) {
  if (n >= 0 && n < 15) stats[n]++;
}

void Dbx_open_slot_impl() {
  const int64_t pfx_entry = Pfx_entry_index();  // the table's lock area
  load_ini();
  std::string name = ws.Path_buf;
  size_t br = name.find(']');
  std::string text = br == std::string::npos ? name : name.substr(br + 1);
  bool cut = text.size() > 0;
  if (ws.Io_opt_len > 0) text += ";" + std::string(reinterpret_cast<const char*>(ws.Io_opt_ptr), size_t(ws.Io_opt_len));
  std::vector<std::string> tok = split_tokens(text);

  auto* sc = new Sql_chan;
  sc->pfx_entry = pfx_entry;
  sc->settings = defaults.settings;
  sc->opts = defaults.opts;
  sc->top = defaults.top;
  sc->debug_tag = defaults.debug_tag;
  // Without a suffix from [MySql], EXTRACT locks the row for update, or
  // under switch XI in share mode.
  sc->extract_suffix = !defaults.extract_suffix.empty() ? defaults.extract_suffix
                       : Sw_on(sw::XI)                  ? "$ LOCK IN SHARE MODE"
                                                        : "$ FOR UPDATE";
  sc->datefmt = defaults.datefmt;
  sc->auto_index = defaults.auto_index;
  std::string map;
  bool have_map = false;
  std::vector<std::string> keydefs;
  std::string ioprog;
  bool keydata = false;
  std::string ind_col, typ;
  std::vector<uint8_t> list;  // the stored I/O list of the record map
  try {
    sc->db = tok.size() > 0 ? tok[0] : "";
    sc->table = tok.size() > 1 ? tok[1] : "";
    for (size_t i = 2; i < tok.size(); i++) {
      std::string t = tok[i];
      if (t.empty()) continue;
      size_t eq = t.find('=');
      std::string n = trim(t.substr(0, eq));
      std::string v = eq == std::string::npos ? "" : trim(t.substr(eq + 1));
      if (standard_opt(sc, n, v)) continue;
      if (ieq(n, "KEY")) keydefs.push_back(v);
      else if (ieq(n, "REC")) {
        if (have_map) Rpt_error(err::BAD_FILE_NAME);
        have_map = true;
        map = v;
      } else if (ieq(n, "KEYDATA")) {
        // The record begins with this key: it must be the first key.
        if (!keydefs.empty() || keydata) Rpt_error(err::BAD_FILE_NAME);
        keydefs.push_back(v);
        keydata = true;
      } else if (ieq(n, "RECDATA")) {
        if (have_map) Rpt_error(err::BAD_FILE_NAME);
        have_map = true;
        map = v;
        sc->recdata = true;
      } else if (ieq(n, "IND")) {
        ind_col = v;
      } else if (ieq(n, "TYP")) {
        typ = v;
      } else if (ieq(n, "IOPROG")) {
        ioprog = v;
      }
      // Any other name is ignored.
    }
    if (cut) {
      cut_password(ws.Path_buf);
      cut_password(ws.Lfa_path);
    }
    sc->settings.database = sc->db;
    connect(sc);
    sc->table_q.clear();
    if (!sc->table.empty()) {
      // "db.table" names a table of another database.
      size_t dot = sc->table.find('.');
      sc->table_q = dot == std::string::npos
                        ? Msq_quote_ident(sc->table)
                        : Msq_quote_ident(sc->table.substr(0, dot)) + "." + Msq_quote_ident(sc->table.substr(dot + 1));
    }
    sc->command = sc->table.empty();
    if (!sc->command) {
      bool rest = false;  // KEYDATA without REC=: the other columns follow the key
      if (!ind_col.empty()) {
        // IND=column: rows are numbered by that column, an 8-character
        // field in front of the record; it is key 0.
        if (!have_map || !keydefs.empty()) Rpt_error(err::BAD_FILE_NAME);
        sc->ind_mode = true;
        map = ind_col + ":8+" + map;
        keydefs.push_back(ind_col);
      } else if (keydata) {
        map = keydata_items(keydefs[0]) + map;
        rest = trim(map) == trim(keydata_items(keydefs[0]));
      }
      define_map(sc, map, rest);
      if (sc->ind_mode) sc->cols[0].len = 8;
      for (auto& d : keydefs) define_key(sc, d);
      sc->whole_key = !keydefs.empty() && trim(keydefs[0]) == "*";
      if (keydata) sc->keydata_len = sc->keys[0].total;
      define_selectors(sc, typ);
      complete_orders(sc);
      // A field laid at its full width is padded to its length: a column of
      // the MEDIUM or LONG types needs a length of its own in the map there.
      for (size_t i = 0; i < sc->cols.size(); i++) {
        const Sql_col& c = sc->cols[i];
        if (c.fixed && c.len > SQL_TEXT_MAX && !(sc->recdata && i + 1 == sc->cols.size()))
          Rpt_error_text(err::BAD_FILE_NAME, "A full-width field cannot hold column " + c.name + ": give it a length");
      }
      list = map_list(sc);
      Dbx_share_table(sc);
    }
    // The statements of the open are not the program's: KEN( has none yet.
    sc->last_text.clear();
  } catch (...) {
    Dbx_close_impl(sc);
    throw;
  }
  auto* f = Fcb_alloc<Dbx_fcb>();
  f->sc = sc;
  f->kind = FK_MYSQL;
  f->high_key = uint8_t(sc->keys.empty() ? 0 : sc->keys.size() - 1);
  if (!sc->keys.empty()) f->st4 |= ST4_KEY_DESC;  // the channel's keys are described (FIN "KEY_NAMES")
  f->cur_key = 0;
  if (sc->command) {
    f->rec_size = ws.Io_siz > 0 ? ws.Io_siz : 4096;
  } else {
    // Every field counts its length + 2; a literal its length, + 6 when a
    // separator follows it.
    int64_t size = 0;
    for (auto& c : sc->cols) size += c.type == '\'' ? c.len + (c.fixed ? 0 : 6) : c.type == '?' ? 0 : int64_t(c.len) + 2;
    f->rec_size = int32_t(std::clamp<int64_t>(size, 1, INT32_MAX));
  }
  Fcb_set_buffer(f, std::min(f->rec_size, SQL_BUFFER_START));
  if (!list.empty()) Iol_set_slot(f, 1, list.data(), list.size());
  for (size_t k = 0; k < sc->keys.size(); k++) {
    const std::string& n = sc->keys[k].name;
    if (!n.empty())
      Kname_link(reinterpret_cast<Kname_node**>(&f->key_names), int32_t(k), reinterpret_cast<const uint8_t*>(n.data()),
                 int32_t(n.size()));
  }
  if (!ioprog.empty()) {
    f->event_pgm = static_cast<char*>(Get_blk(ioprog.size() + 1));
    std::memcpy(f->event_pgm, ioprog.c_str(), ioprog.size() + 1);
  }
  open_channels.push_back(sc);
  stats[2]++;
  ws.Cur_fcb = f;
}

void Dbx_close_impl(Sql_chan* sc) {
  if (!sc) return;
  try {
    Dbx_release_table(sc);
  } catch (...) {
  }
  sc->stmts.clear();
  sc->xstmts.clear();
  auto& oc = open_channels;
  oc.erase(std::remove(oc.begin(), oc.end(), sc), oc.end());
  if (sc->xconn) Msq_disconnect(sc->xconn);
  if (sc->conn && --sc->conn->refs <= 0) Msq_disconnect(sc->conn);
  delete sc;
}

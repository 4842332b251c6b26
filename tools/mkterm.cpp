// Build tool: writes the terminal-driver programs of the library ("*dev/"
// and a terminal type, files in <lib>/_dev/) from the host's terminfo
// database, so that no escape sequence is copied by hand.
//
//   mkterm <output dir> <terminal type>...
//
// Each program is BASIC source: DEFTTY with terminfo's size, MNEMONIC lines
// for what the terminal can do, and PRINT lines that load the function and
// editing keys through 'FL' and 'EL'.  Cursor addressing ('@@') is
// translated from terminfo's cup into the mnemonic definition language and
// checked against terminfo at several positions; a cup that does not
// translate leaves '@@' out (the screen then gets there by other moves).
// Reverse comes from rev (standout may be italics), 'GS' selects the
// line-drawing set (enacs) before shifting to it, cursor keys are loaded
// in both their application (ESC O) and normal (ESC [) forms.
#include <curses.h>
#include <term.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::string hex(const std::string& s) {
  static const char* d = "0123456789ABCDEF";
  std::string out = "$";
  for (unsigned char c : s) {
    out += d[c >> 4];
    out += d[c & 15];
  }
  return out + "$";
}

// A capability's string without terminfo's padding ($<...>).
std::string cap(const char* name) {
  char* s = tigetstr(const_cast<char*>(name));
  if (s == nullptr || s == reinterpret_cast<char*>(-1)) return "";
  std::string out;
  for (const char* p = s; *p; ++p) {
    if (p[0] == '$' && p[1] == '<') {
      const char* e = std::strchr(p, '>');
      if (e) {
        p = e;
        continue;
      }
    }
    out += *p;
  }
  return out;
}

std::string strip_padding(const char* s) {
  std::string out;
  for (const char* p = s; *p; ++p) {
    if (p[0] == '$' && p[1] == '<') {
      const char* e = std::strchr(p, '>');
      if (e) {
        p = e;
        continue;
      }
    }
    out += *p;
  }
  return out;
}

std::string param(const char* name, int a, int b = 0) {
  char* s = tigetstr(const_cast<char*>(name));
  if (s == nullptr || s == reinterpret_cast<char*>(-1)) return "";
  char* r = tiparm(s, a, b);
  return r ? strip_padding(r) : "";
}

// Expands a definition as the interpreter does, for the selectors L and C
// with formats a, A, b and B (what the translation below produces).
std::string expand(const std::string& def, int line, int col) {
  std::string out;
  for (size_t i = 0; i < def.size(); ++i) {
    if (def[i] != '\\' || i + 2 >= def.size()) {
      out += def[i];
      continue;
    }
    int v = def[i + 1] == 'L' ? line : col;
    char f = def[i + 2];
    i += 2;
    if (f == 'A' || f == 'a') out += std::to_string(f == 'A' ? v + 1 : v);
    else if (f == 'b') out += char(v);
    else if (f == 'B') out += char(v + 32);
  }
  return out;
}

// cup as a definition: the line and column numbers are found in terminfo's
// output for distinctive positions and replaced by escapes.
std::string cursor_addressing() {
  const int L = 37, C = 53;
  std::string s = param("cup", L, C);
  if (s.empty()) return "";
  struct Form {
    std::string text;
    std::string esc;
  };
  std::string def;
  auto try_forms = [&](std::vector<Form> forms) -> bool {
    std::string out;
    size_t i = 0;
    while (i < s.size()) {
      bool hit = false;
      for (const Form& f : forms) {
        if (!f.text.empty() && s.compare(i, f.text.size(), f.text) == 0) {
          out += f.esc;
          i += f.text.size();
          hit = true;
          break;
        }
      }
      if (!hit) out += s[i++];
    }
    def = out;
    // The translation must give terminfo's output everywhere.
    const int probe[][2] = {{0, 0}, {5, 10}, {23, 79}, {9, 99}, {99, 9}, {100, 200}, {1, 1}};
    for (auto& p : probe)
      if (expand(def, p[0], p[1]) != param("cup", p[0], p[1])) return false;
    return true;
  };
  if (try_forms({{std::to_string(L + 1), "\\LA"}, {std::to_string(C + 1), "\\CA"}})) return def;
  if (try_forms({{std::to_string(L), "\\La"}, {std::to_string(C), "\\Ca"}})) return def;
  if (try_forms({{std::string(1, char(L + 32)), "\\LB"}, {std::string(1, char(C + 32)), "\\CB"}})) return def;
  return "";
}

struct Line_writer {
  FILE* f;
  int no = 10;
  void line(const std::string& text) {
    std::fprintf(f, "%04d %s\n", no, text.c_str());
    no += 10;
  }
};

// One MNEMONIC statement per definition keeps the lines short.
void mnem(Line_writer& w, const char* m, const std::string& def) {
  if (def.empty()) return;
  w.line(std::string("MNEMONIC (LFO)'") + m + "'," + hex(def));
}

// Key records: number, length, bytes.
void key(std::string& recs, int& count, int num, const std::string& seq) {
  if (seq.empty() || seq.size() > 255) return;
  recs += char(num);
  recs += char(seq.size());
  recs += seq;
  ++count;
}

void both_forms(std::string& recs, int& count, int num, const std::string& seq) {
  key(recs, count, num, seq);
  if (seq.size() == 3 && seq[0] == 27 && seq[1] == 'O') key(recs, count, num, std::string("\x1b[") + seq[2]);
  if (seq.size() == 3 && seq[0] == 27 && seq[1] == '[') key(recs, count, num, std::string("\x1bO") + seq[2]);
}

// Mouse reports: '+M' switches them on, '-M' off.  terminfo's XM gives
// both (parameter 1 on, 0 off); an entry without XM whose kmous is the
// X10 report prefix ESC [ M gets the one mode that sends that report,
// ESC [ ? 1000 h / l, as ncurses itself uses for such entries.  The line
// editor reads both report forms (SGR ESC [ < ... M/m, and X10).
void mouse_reports(Line_writer& w) {
  std::string on = param("XM", 1), off = param("XM", 0);
  if (on.empty() || off.empty() || on == off) {
    if (cap("kmous") != "\x1b[M") return;
    on = "\x1b[?1000h";
    off = "\x1b[?1000l";
  }
  mnem(w, "+M", on);
  mnem(w, "-M", off);
}

bool write_driver(const std::string& dir, const char* type) {
  int err = 0;
  if (setupterm(const_cast<char*>(type), 1, &err) != OK) {
    std::fprintf(stderr, "mkterm: no terminfo entry for %s\n", type);
    return false;
  }
  std::string path = dir + "/" + type;
  FILE* f = std::fopen(path.c_str(), "w");
  if (!f) {
    std::perror(path.c_str());
    return false;
  }
  Line_writer w{f};
  w.line(std::string("REM Terminal driver for ") + type + ", generated from the host's terminfo");
  int ncols = tigetnum(const_cast<char*>("cols"));
  int nlines = tigetnum(const_cast<char*>("lines"));
  if (ncols < 1 || ncols > 255) ncols = 80;
  if (nlines < 1 || nlines > 255) nlines = 24;
  w.line("DEFTTY (LFO)" + std::to_string(ncols) + "," + std::to_string(nlines));
  std::string cr = cap("cr");
  if (cr.empty()) cr = "\r";
  std::string ind = cap("ind");
  if (ind.empty()) ind = "\n";
  mnem(w, "@@", cursor_addressing());
  mnem(w, "CR", cr);
  mnem(w, "LF", cr + ind);
  mnem(w, "CS", cap("clear"));
  mnem(w, "CL", cap("el"));
  mnem(w, "CE", cap("ed"));
  mnem(w, "CH", cap("home"));
  mnem(w, "DN", cap("cud1"));
  mnem(w, "UP", cap("cuu1"));
  mnem(w, "LT", cap("cub1"));
  mnem(w, "BS", cap("cub1"));
  mnem(w, "RT", cap("cuf1"));
  mnem(w, "RB", cap("bel"));
  mnem(w, "VB", cap("flash"));
  mnem(w, "RM", cap("sgr0"));
  mnem(w, "BR", cap("rev"));
  mnem(w, "BB", cap("blink"));
  mnem(w, "BU", cap("smul"));
  mnem(w, "EU", cap("rmul"));
  mnem(w, "SB", cap("bold"));
  mnem(w, "DC", cap("dch1"));
  mnem(w, "IC", cap("ich1"));
  mnem(w, "LD", cap("dl1"));
  mnem(w, "LI", cap("il1"));
  // Line drawing: a terminal whose smacs shifts out to the G1 set needs
  // G1 made the line-drawing set first (enacs), or it draws the letters.
  // 'GS' carries both: the set is chosen again whatever reset the terminal
  // went through since.
  std::string smacs = cap("smacs");
  if (smacs.find('\x0e') != std::string::npos) smacs = cap("enacs") + smacs;
  mnem(w, "GS", smacs);
  mnem(w, "GE", cap("rmacs"));
  mnem(w, "C0", cap("civis"));
  mnem(w, "C1", cap("cnorm"));
  std::string vis = cap("cvvis");
  mnem(w, "C2", vis.empty() ? cap("cnorm") : cap("cnorm") + vis);
  mnem(w, "BW", cap("smam"));
  mnem(w, "EW", cap("rmam"));
  mouse_reports(w);
  int colours = tigetnum(const_cast<char*>("colors"));
  const char* digits = "0123456789:;<=>?";
  // Foreground 7 and background 0 are the screen's own colours: on a
  // terminal with default colours ("op" sets them back) 'F7' and 'B0' give
  // those, so that a cell coloured by the mnemonic shows as one whose
  // attribute word is redrawn (which sends no colour for them).
  std::string op = cap("op");
  bool defaults = op == "\x1b[39;49m";
  for (int n = 0; n < 16 && n < colours; ++n) {
    std::string fm = std::string("F") + digits[n], bm = std::string("B") + digits[n];
    mnem(w, fm.c_str(), n == 7 && defaults ? std::string("\x1b[39m") : param("setaf", n));
    mnem(w, bm.c_str(), n == 0 && defaults ? std::string("\x1b[49m") : param("setab", n));
  }
  // More than 16 colours: the count ('*K') and the sequences for any colour
  // number ('FX', 'BX': the number comes from the \X selector), when
  // terminfo's sequence carries the number as plain decimal digits.
  if (colours > 16) {
    w.line("MNEMONIC (LFO)'*K'," + hex(std::to_string(colours > 256 ? 256 : colours)));
    for (const char* c : {"setaf", "setab"}) {
      std::string a = param(c, 123), b = param(c, 45);
      size_t at = a.find("123");
      if (at == std::string::npos) continue;
      std::string def = a.substr(0, at) + "\\Xa" + a.substr(at + 3);
      if (a.substr(0, at) + "45" + a.substr(at + 3) != b) continue;
      mnem(w, c[4] == 'f' ? "FX" : "BX", def);
    }
  }
  // Function keys F1..F12 (numbers 0..11) and the editing keys.
  std::string recs;
  int count = 0;
  for (int n = 1; n <= 12; ++n) key(recs, count, n - 1, cap(("kf" + std::to_string(n)).c_str()));
  if (count > 0) w.line("PRINT (LFO)'FL'," + hex(std::string("3") + char(count) + recs) + ",");
  recs.clear();
  count = 0;
  const char* ekeys[10] = {"kcub1", "kcuf1", "kcuu1", "kcud1", "khome", "kend", "kpp", "knp", "kich1", "kdch1"};
  for (int n = 0; n < 10; ++n) both_forms(recs, count, n, cap(ekeys[n]));
  if (!cap("kcub1").empty()) {
    // Home and End as the common terminals send them in either keypad mode.
    for (const char* s : {"\x1b[H", "\x1bOH", "\x1b[1~", "\x1b[7~"}) key(recs, count, 4, s);
    for (const char* s : {"\x1b[F", "\x1bOF", "\x1b[4~", "\x1b[8~"}) key(recs, count, 5, s);
  }
  if (count > 0) w.line("PRINT (LFO)'EL'," + hex(std::string("3") + char(count) + recs) + ",");
  std::fclose(f);
  del_curterm(cur_term);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: mkterm <output dir> <terminal type>...\n");
    return 2;
  }
  int rc = 0;
  for (int i = 2; i < argc; ++i)
    if (!write_driver(argv[1], argv[i])) rc = 1;
  return rc;
}

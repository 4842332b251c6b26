// Start-up, shut-down and configuration (overview in startup.h).
//
// All paths kept here are absolute (through Path_convert), so that a later
// change of the working directory ([Config] Directory, -DR=) leaves the ini
// file and the library where they were found.
#include "net/ide_link.h"
#include "programs/breakpoints.h"
#include "programs/client_calls.h"
#include "programs/debug_link.h"
#include "terminal/command_window.h"
#include "terminal/tc_channel.h"
#include "terminal/tc_propcache.h"
#include "terminal/console_switch.h"
#include "app/startup.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "channels/channel.h"
#include "channels/journal.h"
#include "channels/transaction.h"
#include "channels/console_channel.h"
#include "core/console_device.h"
#include "core/codes.h"
#include "app/console.h"
#include "core/control_stack.h"
#include "core/dates.h"
#include "core/directives.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/executor.h"
#include "core/host.h"
#include "core/ini.h"
#include "core/lexicon.h"
#include "core/line_store.h"
#include "core/memory.h"
#include "core/messages.h"
#include "core/params.h"
#include "core/variables.h"
#include "core/workspace.h"
#include "programs/call_frame.h"
#include "programs/call_directives.h"
#include "programs/perform_on.h"
#include "programs/program_list.h"
#include "programs/program_load.h"
#include "programs/objects.h"
#include "programs/error_handler.h"
#include "functions/global_strings.h"
#include "functions/memory_access.h"
#include "functions/task_strings.h"
#include "functions/trace.h"
#include "core/masks.h"
#include "pdf/pdf_channel.h"

#ifndef ORU_BUILD_LIBDIR
#define ORU_BUILD_LIBDIR "lib"
#endif


namespace {

constexpr const char* STARTUP_FAILURE = "Error #100 - No driver for terminal type or library missing";
constexpr int64_t STARTUP_MEM_LIMIT = 2147483647;
constexpr int64_t DEFAULT_MEM_LIMIT = 32768000;
constexpr size_t GLOBAL_NAMES_MAX = 10000;  // bytes of [GLOBALS] names, each with a NUL

bool program_named = false;    // a bare argument was seen by SetPaths/SetArgList
std::string id_option;         // value of -ID= (empty: none)
bool id_option_given = false;
std::vector<std::string> prog_args;  // the program's arguments (-ARG)
std::vector<char*> prog_ptrs;
std::string msgbox_title, msgbox_text;
bool in_wrapup = false;
bool mem_limit_unset = false;  // no limit before the first Start_up
std::vector<uint8_t> lead_dir_line;

bool file_exists(const std::string& p) {
  struct stat st {};
  return stat(p.c_str(), &st) == 0;
}

// Ini files refused in the working directory (their Commandline= and
// Library= would run code for whoever starts oru there).
std::vector<std::string> distrusted_ini;

bool distrusted(const std::string& p) {
  for (const std::string& d : distrusted_ini)
    if (d == p) return true;
  return false;
}

// An ini file in the working directory is used only when the user owns it
// and neither group nor others may write it; another one is skipped with a
// warning on standard error.
// It is opened once and checked on its descriptor; its contents are kept,
// and every later lookup reads them (a group-writable directory would let
// the file be swapped between the check and a read by name).
bool trusted_cwd_ini(const std::string& p) {
  int r = Ini_keep_own(p);
  if (r >= 0) return r > 0;
  std::fprintf(stderr, "oru: %s ignored: not owned by you or writable by others\n", p.c_str());
  distrusted_ini.push_back(p);
  return false;
}

bool dir_exists(const std::string& p) {
  struct stat st {};
  return stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool iequals(const std::string& a, const char* b) {
  size_t n = std::strlen(b);
  return a.size() == n && memicmp(a.data(), b, n) == 0;
}

bool ends_with_ci(const std::string& a, const char* tail) {
  size_t n = std::strlen(tail);
  return a.size() >= n && memicmp(a.data() + a.size() - n, tail, n) == 0;
}

std::string upper(std::string s) {
  for (char& c : s) c = char(Uppercs[uint8_t(c)]);
  return s;
}

std::string dir_of(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string base_of(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string absolute(const std::string& p) { return Path_convert(p, Getcwd()); }

void warn(const std::string& text) { std::fprintf(stderr, "oru: %s\n", text.c_str()); }

// A bare argument that names the ini file: "*.ini", or a "*.oru" file that
// is neither a program ("[" with "prg]" at bytes 4..7) nor a script ("#!").
// A ".oru" file that cannot be read counts as a program, so that running it
// reports what is wrong with it.
bool names_ini_file(const std::string& a) {
  if (a.size() < 5 || a.find(';') != std::string::npos) return false;
  if (ends_with_ci(a, ".ini")) return true;
  if (!ends_with_ci(a, ".oru")) return false;
  FILE* f = std::fopen(a.c_str(), "rbe");
  if (!f) return false;
  char head[16] = {};
  size_t n = std::fread(head, 1, sizeof head, f);
  std::fclose(f);
  if (n >= 8 && head[0] == '[' && std::memcmp(head + 4, "prg]", 4) == 0) return false;
  if (n >= 2 && head[0] == '#' && head[1] == '!') return false;
  return true;
}

// Changes the working directory for an option or the ini file; a failure is
// reported and start-up goes on where it was.
void change_dir(const std::string& dir, const char* what) {
  if (dir.empty()) return;
  if (chdir(dir.c_str()) != 0) warn(std::string(what) + ": cannot change to directory " + dir + ": " + std::strerror(errno));
}

// A valid variable name for an ini key: letter or "_", then letters, digits,
// "_" and "."; a final "$" (string) or "%" (integer).
bool valid_global_name(const std::string& key) {
  if (key.empty() || key.size() > 126) return false;  // 127 with the "%"
  auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
  if (!letter(key[0]) && key[0] != '_') return false;
  size_t end = key.size();
  if (key[end - 1] == '$' || key[end - 1] == '%') --end;
  for (size_t i = 1; i < end; ++i) {
    char c = key[i];
    if (!letter(c) && !(c >= '0' && c <= '9') && c != '_' && c != '.') return false;
  }
  return true;
}

bool known_param(uint16_t code) {
  for (int i = 0; i < Prm_tbl_count; ++i)
    if (Prm_tbl[i].code == code || Prm_tbl[i].alt == code) return true;
  return false;
}

void set_program_args(const std::vector<std::string>& args, size_t first) {
  prog_args.assign(args.begin() + long(first), args.end());
  prog_ptrs.clear();
  for (std::string& s : prog_args) prog_ptrs.push_back(s.data());
  prog_ptrs.push_back(nullptr);
  prmblk.Argc = int(prog_args.size());
  prmblk.Argv = prog_ptrs.data();
}

// Runs one shut-down step; an error inside it must not stop the others.
template <class F>
void wrap_step(F&& f) {
  try {
    f();
  } catch (const Oru_error&) {
  }
}

void startup_failed() {
  Msgbox_init("Startup");
  Msgbox_line(STARTUP_FAILURE);
  Msgbox_error();
  Wrap_up();
  Reset_line();
  Con_flush();
  std::exit(1);
}

}  // namespace

// ---- the start-up message box ----

void Msgbox_init(const char* title) {
  msgbox_title = std::string("Tessaron:") + (title ? title : "");
  msgbox_text.clear();
}

void Msgbox_line(const char* text) {
  msgbox_text += text;
  msgbox_text += "\r\n";
}

void Msgbox_text(const char* text) { msgbox_text += text; }

void Msgbox_okay() {
  Con_write(msgbox_text.data(), msgbox_text.size());
  Con_flush();
  msgbox_text.clear();
}

void Msgbox_error() { Msgbox_okay(); }

const std::string& Msgbox_contents() { return msgbox_text; }

// ---- main's share ----

std::string GenOruExec(const std::string& arg0, const std::string& cwd, const char* path_env) {
  if (arg0.empty()) return std::string();
  // A name with a slash is where the shell found it; only a bare name was
  // looked up along PATH.
  if (arg0[0] == '/' || arg0[0] == '.' || arg0.find('/') != std::string::npos) return Path_convert(arg0, cwd);
  std::string path = path_env ? path_env : "";
  size_t start = 0;
  while (path_env && start <= path.size()) {
    size_t colon = path.find(':', start);
    if (colon == std::string::npos) colon = path.size();
    std::string dir = path.substr(start, colon - start);
    if (dir.empty()) dir = ".";  // an empty entry is the working directory
    // Relative entries are taken against the given working directory.
    std::string cand = Path_convert(dir + "/" + arg0, cwd);
    struct stat st {};
    if (stat(cand.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(cand.c_str(), X_OK) == 0) return cand;
    start = colon + 1;
  }
  return std::string();
}

std::string GenCmdLine(const std::vector<std::string>& args) {
  std::string line;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (i > 0) line += ' ';
    std::string escaped;
    bool needed = a.empty();
    bool has_quote = false;
    for (char c : a) {
      uint8_t u = uint8_t(c);
      bool special = u < 32 || u == 127 || c == ' ' || c == '\\' || c == '?' || c == '*' || c == '\'' ||
                     c == ';' || c == '"';
      if (c == '"') has_quote = true;
      if (special) {
        escaped += '\\';
        needed = true;
      }
      escaped += c;
    }
    if (needed && !has_quote)
      line += '"' + a + '"';
    else
      line += escaped;
  }
  return line;
}

void SetArgList(const char* text, bool merge) {
  if (text == nullptr) {
    szSysArg.clear();
    return;
  }
  std::vector<std::string> args;
  args.push_back(szSysExec.find(' ') != std::string::npos ? '"' + szSysExec + '"' : szSysExec);
  std::string word;
  bool in_word = false;
  for (const char* p = text; *p; ++p) {
    char c = *p;
    if (c == ' ' || c == '\t') {
      if (in_word) args.push_back(word);
      word.clear();
      in_word = false;
    } else if (c == '"' || c == '\'') {
      in_word = true;
      const char* q = p + 1;
      while (*q && *q != c) word += *q++;
      p = *q ? q : q - 1;
    } else if (c == '\\' && p[1] != '\0') {
      word += *++p;
      in_word = true;
    } else {
      word += c;
      in_word = true;
    }
  }
  if (in_word) args.push_back(word);
  if (merge)
    for (size_t i = 1; i < szSysArg.size(); ++i) args.push_back(szSysArg[i]);
  if (args.size() > size_t(SYS_ARG_MAX)) args.resize(SYS_ARG_MAX);
  if (merge) {
    // The merged list holds every argument: whether a program is named is
    // decided on it afresh.
    program_named = false;
    for (size_t i = 1; i < args.size(); ++i) {
      if (iequals(args[i], "-arg")) break;
      if (!args[i].empty() && args[i][0] != '-') program_named = true;
    }
  }
  szSysArg = std::move(args);
}

bool Program_named() { return program_named; }

void SetPaths() {
  bool ini_given = false, lib_given = false;
  std::vector<std::string> kept;
  if (!szSysArg.empty()) kept.push_back(szSysArg[0]);
  size_t i = 1;
  for (; i < szSysArg.size(); ++i) {
    const std::string& a = szSysArg[i];
    if (iequals(a, "-arg")) break;
    if (a.size() >= 3 && a[0] == '-' && a[2] == ':' && std::strchr("cClLeE", a[1])) {
      std::string value = a.substr(3);
      if (a.size() == 3 && i + 1 < szSysArg.size() && (szSysArg[i + 1].empty() || szSysArg[i + 1][0] != '-'))
        value = szSysArg[++i];
      char opt = char(Lowercs[uint8_t(a[1])]);
      if (opt == 'c' && !value.empty()) {
        szSysIniFile = absolute(value);
        ini_given = true;
      } else if (opt == 'l' && !value.empty()) {
        szSysLibrary = absolute(value);
        lib_given = true;
      } else if (opt == 'e') {
        szSysIdeLink = value;
      }
      continue;
    }
    if (!a.empty() && a[0] == '-') {
      kept.push_back(a);  // an interpreter option
      continue;
    }
    if (!ini_given && names_ini_file(a)) {
      szSysIniFile = absolute(a);
      ini_given = true;
      continue;
    }
    if (!a.empty()) program_named = true;
    kept.push_back(a);
  }
  for (; i < szSysArg.size(); ++i) kept.push_back(szSysArg[i]);
  szSysArg = std::move(kept);

  std::string exe_dir = szSysExec.empty() ? Getcwd() : dir_of(szSysExec);
  std::string cwd = Getcwd();
  distrusted_ini.clear();
  Ini_forget_kept();
  if (!ini_given) {
    const char* env = std::getenv("ORUINI");
    if (env && *env) {
      szSysIniFile = absolute(env);
    } else {
      std::string base = base_of(szSysExec);
      base = base.substr(0, base.find('.'));
      std::string own = base + ".ini";
      if (!base.empty() && trusted_cwd_ini(cwd + "/" + own))
        szSysIniFile = cwd + "/" + own;
      else if (!base.empty() && file_exists(exe_dir + "/" + own) && !distrusted(exe_dir + "/" + own))
        szSysIniFile = exe_dir + "/" + own;
      else if (trusted_cwd_ini(cwd + "/kestil.ini"))
        szSysIniFile = cwd + "/kestil.ini";
      else if (!distrusted(exe_dir + "/kestil.ini"))
        szSysIniFile = exe_dir + "/kestil.ini";
    }
  }
  if (!lib_given) {
    std::string lib = Ini_string(szSysIniFile, "Config", "Library", "");
    const char* env = std::getenv("ORULIB");
    if (!lib.empty())
      szSysLibrary = absolute(lib);
    else if (env && *env)
      szSysLibrary = absolute(env);
    else if (dir_exists(exe_dir + "/lib"))
      szSysLibrary = exe_dir + "/lib";
    else if (dir_exists("/kestil/lib"))
      szSysLibrary = "/kestil/lib";
    else
      szSysLibrary = ORU_BUILD_LIBDIR;
  }
  ws.Lib_dir = szSysLibrary.c_str();

  change_dir(Ini_string(szSysIniFile, "Config", "Directory", ""), "[Config] Directory");
  szSysHomeDir = Getcwd();
  szSysLogFile = Ini_string(szSysIniFile, "Config", "LogFile", "");
  Set_log_file(szSysLogFile);
  std::string extra = Ini_string(szSysIniFile, "Config", "Commandline", "");
  if (!extra.empty()) SetArgList(extra.c_str(), true);
}

void Main_args(int argc, char** argv) {
  szSysCurDir = Getcwd();
  szSysArg.clear();
  for (int i = 0; i < argc && i < SYS_ARG_MAX; ++i) szSysArg.emplace_back(argv[i] ? argv[i] : "");
  if (szSysArg.empty()) szSysArg.emplace_back("oru");
  szSysExec = GenOruExec(szSysArg[0], szSysCurDir, std::getenv("PATH"));
  if (szSysExec.empty()) {
    // Not on PATH (started by a name the shell did not look up there):
    // the host knows where the image lives.
    char buf[4096];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    szSysExec = n > 0 ? std::string(buf, size_t(n)) : Path_convert(szSysArg[0], szSysCurDir);
  }
  szSysCmdLine = GenCmdLine(szSysArg);
  SetPaths();
}

// ---- interpreter start ----

void Kest_Initialize() {
  auto key = [](const char* k, const char* def = "") { return Ini_string(szSysIniFile, "Config", k, def); };
  Kest_config c;
  std::string cache = key("CacheManager", "Auto");
  if (!cache.empty()) c.cache_mode = char(Lowercs[uint8_t(cache[0])]);
  c.printer_font = key("PrinterFont");
  auto hundredths = [](const std::string& s) {
    double d = std::strtod(s.c_str(), nullptr);
    return std::isfinite(d) && std::fabs(d) < 1e7 ? int(std::lround(d * 100)) : 0;
  };
  c.printer_lpi = hundredths(key("PrinterLPI"));
  c.printer_cpi = hundredths(key("PrinterCPI"));
  std::string embed = key("PdfEmbed");
  c.pdf_embed = embed.empty() ? 0 : embed[0];
  c.pdf_margin = int(std::strtol(key("PdfMargin", "250").c_str(), nullptr, 10));
  double factor = std::strtod(key("PdfFactor", "1.0").c_str(), nullptr);
  c.pdf_factor = std::isfinite(factor) && factor > 1.0 ? factor : 1.0;
  std::string fonts = key("PdfFontDir");
  if (fonts.empty()) {
    const char* env = std::getenv("ORUPdfFontDir");
    if (env && *env)
      fonts = env;
    else
      fonts = dir_exists(".fonts") ? ".fonts" : "/usr/share/fonts/truetype";
  }
  if (fonts.size() > 1 && (fonts.back() == '/' || fonts.back() == '\\')) fonts.pop_back();
  c.pdf_font_dir = fonts;
  std::string autosize = key("WindowAutoSize");
  c.window_auto_size = autosize == "y" || autosize == "Y" || autosize == "1";
  std::string mirror = key("Mirror");
  c.mirror = mirror == "y" || mirror == "Y" || mirror == "1";
  std::string delim = key("GetFileDelim");
  if (!delim.empty()) {
    char* end = nullptr;
    long v = std::strtol(delim.c_str(), &end, 16);
    if (end && *end == '\0' && v >= 0 && v <= 255) c.get_file_delim = int(v);
    else warn("[Config] GetFileDelim: not a hexadecimal byte: " + delim);
  }
  Kest_cfg = c;
}

void Process_options(const std::vector<std::string>& args, size_t first) {
  for (size_t i = first; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a.empty()) continue;
    if (a[0] != '-') {
      // The program to run: the last one named wins; the process ends when
      // it returns to the console.
      Start_pgm = a;
      ws.Cmd_flags |= CMD_PROGRAM_NAMED;
      ws.Prm.XT = true;
      continue;
    }
    std::string opt = upper(a.substr(1));
    if (opt == "ARG") {
      set_program_args(args, i + 1);
      return;
    }
    if (opt.compare(0, 3, "ID=") == 0) {
      id_option = a.substr(4);
      id_option_given = true;
      continue;
    }
    if (opt.compare(0, 3, "DR=") == 0) {
      change_dir(a.substr(4), a.c_str());
      continue;
    }
    if (opt.size() != 2 && (opt.size() < 3 || opt[2] != '=')) {
      warn("unknown option " + a);
      continue;
    }
    uint16_t code = Prm_code(opt[0], opt[1]);
    int32_t value = 1;
    if (opt.size() > 2) {
      int64_t n = 0;
      for (size_t k = 3; k < opt.size() && opt[k] >= '0' && opt[k] <= '9'; ++k) {
        n = n * 10 + (opt[k] - '0');
        if (n > INT32_MAX) n = INT32_MAX;
      }
      value = int32_t(n);
    }
    if (!known_param(code)) {
      warn("unknown system parameter in option " + a);
      continue;
    }
    if (Exec_param(code, value) != 0) warn("value out of range in option " + a);
  }
}

void Process_init() {
  Msgbox_init("Initialization");
  Msgbox_text("\r");
  Msgbox_text(std::string(22, '\n').c_str());
  Msgbox_line("Oru Business BASIC interpreter");
  Msgbox_line("Type a statement to run it, a numbered line to store it, QUIT to leave.");

  if (const char* id = std::getenv("ORU__ID"); id && std::strlen(id) >= 3) std::memcpy(Oru_file_id + 1, id, 3);
  tzset();
  Kest_Initialize();
  // The box greets a user at a terminal; a named program or a piped session
  // starts without it.
  if (!program_named && isatty(0) && isatty(1))
    Msgbox_okay();
  else
    msgbox_text.clear();
  program_named = false;

  System_init();
  bool no_break = Sw_on(sw::NO_BREAK);  // System_init's finding outlives the defaults
  Prm_defaults();
  Sw_set(sw::NO_BREAK, no_break);
  if (Kest_cfg.get_file_delim >= 0) prmblk.GS = uint8_t(Kest_cfg.get_file_delim);
  Sw_set(sw::WPlus, Kest_cfg.window_auto_size);
  if (!Sw_on(sw::NO_BREAK)) Set_break_handler();
  // The terminal line stays in its own line mode until the terminal device
  // reads keys itself: the console reads whole lines meanwhile.

  int64_t limit_before = ws.Mem_limit;
  Process_options(szSysArg, 1);
  mem_limit_unset = ws.Mem_limit == limit_before;  // no -SZ=: the first start sets the default

  if (Start_up() != 0) startup_failed();
  Lib_level = GetOruLibVersion();
}

int Start_up() {
  // What survives a restart.
  Clear_lex();
  Msg_close();
  const Workspace keep = ws;
  const Prm_block kprm = prmblk;
  ws = Workspace{};
  ws.Work_base = keep.Work_base;
  ws.Work_ptr = keep.Work_ptr;
  ws.Work_mark = keep.Work_mark;
  ws.Work_end = keep.Work_end;
  ws.Num_flags = keep.Num_flags & (NF_FLOATING | NF_ROUND | NF_NR);
  ws.Max_strlen = keep.Max_strlen;
  ws.Lib_dir = keep.Lib_dir;
  ws.Prm = keep.Prm;  // the hot-path switches and RN
  ws.Sys_flags1 = keep.Sys_flags1;
  ws.Sys_flags2 = keep.Sys_flags2;
  ws.Sys_flags3 = keep.Sys_flags3;
  ws.Sys_flags4 = keep.Sys_flags4;
  ws.Sys_flags5 = keep.Sys_flags5;
  ws.Sys_flags6 = keep.Sys_flags6;
  ws.Sys_flags7 = keep.Sys_flags7;
  ws.Sys_flags8 = keep.Sys_flags8;
  ws.Sys_flags9 = keep.Sys_flags9;
  ws.Sys_flags10 = keep.Sys_flags10;
  ws.Sys_flags11 = keep.Sys_flags11;
  ws.Sys_flags12 = uint16_t(keep.Sys_flags12 & ~4u);
  ws.Cmd_flags = keep.Cmd_flags & CMD_PROGRAM_NAMED;
  // The global variables and the memory count are not the workspace's to
  // drop: their blocks live on.
  ws.Glo_num_tree = keep.Glo_num_tree;
  ws.Glo_str_tree = keep.Glo_str_tree;
  // Open channels belong to the channel layer: shut-down closes them, a
  // start-up without one keeps them.
  ws.Fcb_list = keep.Fcb_list;
  ws.Con_fcb = keep.Con_fcb;
  ws.Mem_used = keep.Mem_used;
  ws.Tot_allocs = keep.Tot_allocs;
  int64_t limit = mem_limit_unset ? 0 : keep.Mem_limit;
  mem_limit_unset = false;
  ws.Mem_limit = STARTUP_MEM_LIMIT;

  prmblk = Prm_block{};
  prmblk.WD = kprm.WD;
  prmblk.PL = kprm.PL;
  prmblk.WT = kprm.WT;
  prmblk.BF = kprm.BF;
  prmblk.FB = kprm.FB;
  prmblk.DT = kprm.DT;
  prmblk.PC = kprm.PC;
  prmblk.OL = kprm.OL;
  prmblk.FF = kprm.FF;
  prmblk.BY = kprm.BY;
  prmblk.SL = kprm.SL;
  prmblk.OF = kprm.OF;
  prmblk.MF = kprm.MF;
  prmblk.EL = kprm.EL;
  prmblk.MB = kprm.MB;
  prmblk.KF = kprm.KF;
  prmblk.SW = kprm.SW;
  prmblk.DB = kprm.DB;
  prmblk.GS = kprm.GS;
  prmblk.Create_mode = kprm.Create_mode;
  prmblk.Argc = kprm.Argc;
  prmblk.Argv = kprm.Argv;
  ws.Prm.TT = false;  // TT's value is not kept, so neither is its switch

  const char* flmap = std::getenv("ORUFLMAP");
  szSysFlMap = flmap ? flmap : "";
  Dates_reset();
  szSysCurDir = Getcwd();

  Msg_open();
  int lex = Init_lex();

  std::string fid = id_option_given ? id_option : "";
  Console_fid_given = id_option_given;
  if (!id_option_given) {
    const char* env = std::getenv("ORUFID0");
    fid = env && *env ? env : "T0";
    Console_fid_given = env && *env;
  }
  fid.resize(12, ' ');
  Console_fid = fid;
  ws.Precision = prmblk.PD;

  Kest_LoadGlobals();
  Channels_init();
  Oop_init();
  Debug_link_init();
  Breakpoints_init();
  Client_calls_init();

  if (lex != 0) return 100;
  if (Console_start_terminal() != 0) return 100;
  ws.Mem_limit = limit == 0 ? DEFAULT_MEM_LIMIT : limit;
  // The IDE link connects once the console is ready ("-e:" settings).
  CheckEclipseActive();
  return 0;
}

void Kest_LoadGlobals() {
  size_t names = 0;
  for (const auto& [key, value] : Ini_entries(szSysIniFile, "GLOBALS")) {
    names += key.size() + 1;
    if (names + 2 > GLOBAL_NAMES_MAX) break;
    if (!valid_global_name(key)) continue;
    std::string name = "%" + upper(key);
    bool is_string = name.back() == '$';
    try {
      if (is_string) {
        Var_node* node = Find_var_name(code::STR_VAR, reinterpret_cast<const uint8_t*>(name.data()), int(name.size()));
        Str_blk* b = Get_str(value.size());
        std::memcpy(b->bytes(), value.data(), value.size());
        b->len = uint32_t(value.size());
        if (node->str) Ret_str(node->str);
        node->str = b;
        node->flags |= VF_ASSIGNED;
      } else {
        Num_val v;
        if (Conv_str_chk(reinterpret_cast<const uint8_t*>(value.data()), value.size(), v) != 0) continue;
        Var_node* node = Find_var_name(code::NUM_VAR, reinterpret_cast<const uint8_t*>(name.data()), int(name.size()));
        ws.Num_acc = v;
        ws.Math_flags = 0;
        Store_num(node, &node->num);
      }
    } catch (const Oru_error&) {
      // No memory for it: the global stays as it was.
    }
  }
}

int GetOruLibVersion() { return dir_exists(szSysLibrary + "/_ext") ? 6 : 5; }

uint8_t* Lead_dir() {
  size_t n = Start_pgm.size() > 0xFFFF ? 0xFFFF : Start_pgm.size();
  lead_dir_line.assign({0, 0, code::D_RUN, code::STR_LIT, uint8_t(n >> 8), uint8_t(n)});
  lead_dir_line.insert(lead_dir_line.end(), Start_pgm.begin(), Start_pgm.begin() + long(n));
  lead_dir_line.push_back(code::EOL);
  return lead_dir_line.data();
}

// ---- shut-down ----

void Wrap_up() {
  if (in_wrapup) return;
  in_wrapup = true;
  ws.Call_err = 0;
  wrap_step([] { Ret_temp(); });
  wrap_step([] { Cmd_window_free(); });
  wrap_step([] { Pop_all_frames(); });
  wrap_step([] { Gbl_clear_all(); });
  wrap_step([] { OopClrNames(); });
  wrap_step([] { Trace_end(); });
  wrap_step([] { Txn_wrap_up(); });
  wrap_step([] { ZefVrl_Init(); });  // the client's property cache starts afresh
  wrap_step([] { Cls_all(); });
  wrap_step([] {
    if (Ulog_on() || (ws.Sys_flags7 & ULOG_PENDING)) Journal_Flush(true);
  });
  wrap_step([] { Pdf_reset(); });
  wrap_step([] { Clr_stack(); });
  wrap_step([] { Clr_var(); });
  wrap_step([] { Clr_lines(); });
  wrap_step([] { Clr_progs(); });
  wrap_step([] { Clr_PrgSrvrs(); });
  wrap_step([] { Perform_On_Clear(); });
  wrap_step([] { Text_source_close(); });
  wrap_step([] { Kill_timer(); });
  wrap_step([] { KillEventTimer(); });
  ws.Brk_count = 0;
  wrap_step([] { ClearBreaks(); });
  wrap_step([] { Clear_lex(); });
  wrap_step([] { Task_strings_clear(); });
  wrap_step([] { Err_pgm_clear(); });
  wrap_step([] { Mem_blocks_release(); });
  wrap_step([] { Reset_switch(); });  // the console's own terminal or stream comes back
  Con_flush();
  wrap_step([] { Console_close(); });
  wrap_step([] { Journal_close(); });
  wrap_step([] { Memory_chk(); });
  in_wrapup = false;
}

// ---- START ----

void Restart(const Restart_request& r) {
  Wrap_up();
  if (r.mem_limit > 0) ws.Mem_limit = r.mem_limit;
  Start_pgm.clear();
  ws.Cmd_flags &= ~uint32_t(CMD_PROGRAM_NAMED);  // no start program to run again
  if (Start_up() != 0) startup_failed();
  Lib_level = GetOruLibVersion();
  if (!r.program.empty()) {
    Start_pgm = r.program;
    ws.Cmd_flags |= CMD_PROGRAM_NAMED;
    ws.Start_flags |= SF_FIRST_PASS;
  }
}

// START [size] [, name [, name]] or START name [, name]: size in KiB, 11 to
// 102,400 (with BX: size / 4 + 10).  Two names start a background task.
// With the soft-start switch and a size, the program ends, its variables go,
// the limit changes and it runs again from its first line; otherwise the
// whole interpreter restarts (Restart, run by the console loop) and the
// console prompts with no program and no variables.
void d_star() {
  for (const Ctl_frame* f = ws.Ctl_stack; f; f = f->link)
    if (f->tag == TAG_FUNCTION) Rpt_error(err::NOT_IN_CALLED);
  if (ws.Call_status != 0) Rpt_error(err::NOT_IN_CALLED);
  uint8_t*& p = ws.Exec_ptr;
  auto at_end = [&] {
    uint8_t c = *p;
    return c == code::STMT_SEP || c == code::EOL || c == code::BLOCK_CLOSE ||
           (c >= code::DIR_FIRST && c <= code::DIR_LAST);
  };
  int64_t size_kib = 0;
  int names = 0;
  std::string program;
  uint8_t* operands = p;
  while (!at_end()) {
    if (size_kib || names) {
      if (*p != code::COMMA) Rpt_error(err::SYNTAX);
      p++;
    }
    Eval_formula();
    if (ws.Str_len >= 0) {
      if (++names > 2) Rpt_error(err::SYNTAX);
      if (names == 1) program.assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
      continue;
    }
    if (size_kib || names) Rpt_error(err::TYPE_MISMATCH);  // the size comes first
    int64_t n = To_integer(ws.Num_acc);
    if (Sw_on(sw::BX)) n = n / 4 + 10;
    if (n < 11 || n > 102400) Rpt_error(err::OUT_OF_RANGE);
    size_kib = n;
  }
  if (names == 2) {
    // A background task: the library program "*Spawn" is called at its
    // label StrtSize (a size was given) or NoStrtSize with START's operands.
    p = operands;
    ArgProcess(size_kib ? "*Spawn;StrtSize" : "*Spawn;NoStrtSize");
    return;
  }
  if (names == 1 && program.empty()) Rpt_error(err::BAD_FILE_NAME);
  if (Sw_on(sw::SOFT_START) && (size_kib || names)) {
    Trace_end();
    Do_reset();
    Clr_var();
    if (size_kib) ws.Mem_limit = size_kib * 1024;
    ws.Stop_stno = 0;
    ws.Stop_ptr = nullptr;
    if (names) {
      // The program replaces the current one and runs from its first line.
      uint8_t* at = Work_take(program.size());
      std::memcpy(at, program.data(), program.size());
      ws.Str_ptr = at;
      ws.Str_len = int32_t(program.size());
      Exec_load(1);
      ws.Con_flags &= ~uint32_t(CON_MODE);
      return;
    }
    Run_continue(false);
    return;
  }
  throw Restart_request{size_kib * 1024, program};
}

// ---- RELEASE ----

// RELEASE [status]: ends the process with the status (0 to 255; 0 when
// none).  A string operand names a terminal and must be 2 characters long.
void d_rele() {
  uint8_t c = *ws.Exec_ptr;
  int status = 0;
  bool at_end = c == code::STMT_SEP || c == code::EOL || c == code::BLOCK_CLOSE ||
                (c >= code::DIR_FIRST && c <= code::DIR_LAST);
  if (!at_end) {
    Eval_formula();
    if (ws.Str_len >= 0) {
      if (ws.Str_len != 2) Rpt_error(err::STRING_LENGTH);
    } else {
      int32_t n = To_integer(ws.Num_acc);
      if (n < 0 || n > 255) Rpt_error(err::OUT_OF_RANGE);
      status = n;
    }
  }
  ws.Exit_status = status;
  d_quit();
}

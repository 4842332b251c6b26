// The process settings found at start-up (arguments, paths, the ini file's
// [Config] keys) that every layer reads.  src/app's start-up fills them;
// nothing here depends on anything above the core.
#pragma once
#include <string>
#include <vector>

constexpr int SYS_ARG_MAX = 128;

// The process arguments as SetPaths and SetArgList left them (at most 128;
// element 0 is the executable).
extern std::vector<std::string> szSysArg;
extern std::string szSysCmdLine;  // the arguments joined (GenCmdLine)
extern std::string szSysExec;     // path of the running executable
extern std::string szSysIniFile;  // the ini file (it need not exist)
extern std::string szSysLibrary;  // the library directory
extern std::string szSysCurDir;   // working directory (read again by Start_up)
extern std::string szSysHomeDir;  // working directory after [Config] Directory
extern std::string szSysLogFile;  // [Config] LogFile
extern std::string szSysIdeLink;  // "-e:" settings of the IDE debug link
extern std::string szSysFlMap;    // environment ORUFLMAP, for name resolution

// The 4-byte file-header mark "[Oru"; ORU__ID may replace its three letters.
extern char Oru_file_id[5];
// The console's terminal id, blank-padded to 12 characters.
extern std::string Console_fid;
// The id was given (ID= or ORUFID0): it names the console's driver.
extern bool Console_fid_given;
// The program named on the command line (empty: none).
extern std::string Start_pgm;
// Library level: 5, or 6 when the library has an "_ext" directory.
extern int Lib_level;

// [Config] keys read at start-up for the parts that use them.
struct Kest_config {
  char cache_mode = 'a';     // CacheManager, first letter lower-cased
  std::string printer_font;  // PrinterFont
  int printer_lpi = 0;       // PrinterLPI times 100 (0: not set)
  int printer_cpi = 0;       // PrinterCPI times 100 (0: not set)
  char pdf_embed = 0;        // PdfEmbed, first character (0: not set)
  int pdf_margin = 250;      // PdfMargin
  double pdf_factor = 1.0;   // PdfFactor, at least 1.0
  std::string pdf_font_dir;  // PdfFontDir, no trailing slash
  bool window_auto_size = false;  // WindowAutoSize: parameter W+
  int get_file_delim = -1;   // GetFileDelim: parameter GS (-1: not set)
  bool mirror = false;       // Mirror: duplicate-write definitions and the mirror start-up
};
extern Kest_config Kest_cfg;

// The process settings (declared in process_config.h).
#include "core/process_config.h"

std::vector<std::string> szSysArg;
std::string szSysCmdLine, szSysExec, szSysIniFile, szSysLibrary, szSysCurDir, szSysHomeDir, szSysLogFile,
    szSysIdeLink, szSysFlMap;
char Oru_file_id[5] = "[Oru";
std::string Console_fid;
bool Console_fid_given = false;
std::string Start_pgm;
int Lib_level = 5;
Kest_config Kest_cfg;

// Start-up: the own path, the command line, the host options and the ini
// file and library search, the interpreter options, Start_up's clearing and
// the [GLOBALS] section.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/codes.h"
#include "core/decimal.h"
#include "core/host.h"
#include "core/lexicon.h"
#include "core/memory.h"
#include "core/messages.h"
#include "core/params.h"
#include "app/startup.h"
#include "core/variables.h"
#include "core/workspace.h"

namespace fs = std::filesystem;

namespace {

class StartupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/oru_start_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    cwd_ = Getcwd();
    for (const char* v : {"ORUINI", "ORULIB", "ORUFID0"}) {
      const char* e = std::getenv(v);
      saved_env_.emplace_back(v, e ? std::string(e) : std::string("\x01"));
      unsetenv(v);
    }
    // Start_up drops the lexicon and the message file: keep the ones other
    // tests of this process may have loaded out of its reach.
    saved_lex_ = ws.Lex;
    saved_msg_fd_ = ws.Msg_fd;
    ws.Lex = nullptr;
    ws.Msg_fd = -1;
    saved_ws_ = ws;
    saved_prm_ = prmblk;
    ws.Work_base = ws.Work_ptr = ws.Work_mark = work_;
    ws.Work_end = work_ + sizeof work_;
    szSysArg.clear();
    szSysExec = dir_ + "/bin/oru";
    Start_pgm.clear();
    fs::create_directories(dir_ + "/bin");
  }
  void TearDown() override {
    Clr_glo_var();
    Clear_lex();
    Msg_close();
    ws = saved_ws_;
    prmblk = saved_prm_;
    ws.Lex = saved_lex_;
    ws.Msg_fd = saved_msg_fd_;
    ws.Lib_dir = nullptr;
    if (chdir(cwd_.c_str()) != 0) ADD_FAILURE() << "cannot return to " << cwd_;
    for (auto& [k, v] : saved_env_) {
      if (v == "\x01") unsetenv(k.c_str());
      else setenv(k.c_str(), v.c_str(), 1);
    }
    szSysIniFile.clear();
    szSysLibrary.clear();
    szSysArg.clear();
    Start_pgm.clear();
    fs::remove_all(dir_);
  }
  void write(const std::string& rel, const std::string& text) {
    fs::create_directories(fs::path(dir_ + "/" + rel).parent_path());
    std::ofstream(dir_ + "/" + rel, std::ios::binary) << text;
  }
  void set_args(std::vector<std::string> a) {
    a.insert(a.begin(), szSysExec);
    szSysArg = a;
  }
  // A library directory holding the build's lexicon and message file.
  std::string make_lib(const std::string& rel) {
    std::string lib = dir_ + "/" + rel;
    fs::create_directories(lib);
    fs::copy_file(ORU_TEST_LIBDIR "/lextbl.en", lib + "/lextbl.en");
    fs::copy_file(ORU_TEST_LIBDIR "/_mlfile.en", lib + "/_mlfile.en");
    return lib;
  }
  static std::string str_of(const Var_node* n) {
    return n && n->str ? std::string(reinterpret_cast<const char*>(n->str->bytes()), n->str->len) : std::string();
  }
  const Var_node* global(uint8_t type, const char* name) {
    return Look_var_name(type, reinterpret_cast<const uint8_t*>(name), int(std::strlen(name)));
  }

  static inline uint8_t work_[WORK_AREA_SIZE];
  std::string dir_, cwd_;
  std::vector<std::pair<std::string, std::string>> saved_env_;
  Workspace saved_ws_;
  Prm_block saved_prm_;
  Lex_data* saved_lex_ = nullptr;
  int saved_msg_fd_ = -1;
};

// ---- the command line and the own path ----

TEST(GenCmdLine, EscapesAndQuotes) {
  EXPECT_EQ(GenCmdLine({"oru", "plain", "-LZ"}), "oru plain -LZ");
  // Needs escapes and has no double quote: the whole argument in quotes.
  EXPECT_EQ(GenCmdLine({"a b", "x;y", "*.bas", "it's"}), "\"a b\" \"x;y\" \"*.bas\" \"it's\"");
  EXPECT_EQ(GenCmdLine({"oru", ""}), "oru \"\"");
  // With a double quote: every special character gets a backslash.
  EXPECT_EQ(GenCmdLine({"say \"hi\""}), "say\\ \\\"hi\\\"");
  EXPECT_EQ(GenCmdLine({"a\\b"}), "\"a\\b\"");
  EXPECT_EQ(GenCmdLine({std::string("tab\there")}), "\"tab\there\"");
}

TEST_F(StartupTest, OwnPathThroughPath) {
  write("bin/oru", "#!/bin/sh\n");
  write("other/oru", "not executable");
  chmod((dir_ + "/bin/oru").c_str(), 0755);
  std::string path = dir_ + "/nowhere:" + dir_ + "/other:" + dir_ + "/bin";
  EXPECT_EQ(GenOruExec("oru", "/", path.c_str()), dir_ + "/bin/oru");
  EXPECT_EQ(GenOruExec("oru", "/", (dir_ + "/nowhere").c_str()), "");
  EXPECT_EQ(GenOruExec("oru", "/", nullptr), "");  // unset PATH: an empty list
  // An empty entry is the working directory.
  EXPECT_EQ(GenOruExec("oru", dir_ + "/bin", ":/nowhere"), dir_ + "/bin/oru");
}

TEST_F(StartupTest, OwnPathWithASlashIsNotLookedUp) {
  EXPECT_EQ(GenOruExec("/usr/bin/../bin/oru", "/x", "/bin"), "/usr/bin/oru");
  EXPECT_EQ(GenOruExec("./oru", "/work/b", "/bin"), "/work/b/oru");
  EXPECT_EQ(GenOruExec("b/oru", "/work", "/bin"), "/work/b/oru");
}

TEST_F(StartupTest, ArgListWordsQuotesAndEscapes) {
  szSysArg = {"oru", "-LZ", "prog", "-arg", "x"};
  szSysExec = "/opt/my dir/oru";
  SetArgList("  one 'two \"three' \"a'b\"\tc\\ d e\"f g\"h \"\"", false);
  std::vector<std::string> want = {"\"/opt/my dir/oru\"", "one", "two \"three", "a'b", "c d", "ef gh", ""};
  EXPECT_EQ(szSysArg, want);
}

TEST_F(StartupTest, ArgListMergeKeepsTheRealArgumentsAfter) {
  szSysArg = {"oru", "-LZ", "-arg", "prog"};
  SetArgList("-IS=3", true);
  std::vector<std::string> want = {szSysExec, "-IS=3", "-LZ", "-arg", "prog"};
  EXPECT_EQ(szSysArg, want);
  EXPECT_FALSE(Program_named());  // "prog" comes after -arg
  SetArgList("start", true);
  EXPECT_TRUE(Program_named());
}

TEST_F(StartupTest, ArgListHoldsAtMost128) {
  std::string many;
  for (int i = 0; i < 200; ++i) many += "-X" + std::to_string(i) + " ";
  SetArgList(many.c_str(), false);
  EXPECT_EQ(szSysArg.size(), 128u);
  SetArgList(nullptr, false);
  EXPECT_TRUE(szSysArg.empty());
}

// ---- SetPaths ----

TEST_F(StartupTest, IniOptionWithASeparateValue) {
  write("my.ini", "[Config]\nLibrary=" + dir_ + "/lib\n");
  set_args({"-c:", dir_ + "/my.ini", "-LZ"});
  SetPaths();
  EXPECT_EQ(szSysIniFile, dir_ + "/my.ini");
  EXPECT_EQ(szSysLibrary, dir_ + "/lib");
  EXPECT_STREQ(ws.Lib_dir, szSysLibrary.c_str());
  std::vector<std::string> want = {szSysExec, "-LZ"};  // host options leave the vector
  EXPECT_EQ(szSysArg, want);
}

TEST_F(StartupTest, HostOptionsGluedAndNotFollowedByAMinus) {
  set_args({"-c:" + dir_ + "/a.ini", "-l:", "-LZ", "-e:host:5000", "-L:" + dir_ + "/L"});
  SetPaths();
  EXPECT_EQ(szSysIniFile, dir_ + "/a.ini");
  EXPECT_EQ(szSysLibrary, dir_ + "/L");  // "-l:" took no value: "-LZ" begins with a minus
  EXPECT_EQ(szSysIdeLink, "host:5000");
  std::vector<std::string> want = {szSysExec, "-LZ"};
  EXPECT_EQ(szSysArg, want);
}

TEST_F(StartupTest, BareIniArgumentAndArgEndsTheOptions) {
  ASSERT_EQ(chdir(dir_.c_str()), 0);
  set_args({"site.ini", "prog", "-arg", "-c:x.ini", "other.ini"});
  SetPaths();
  EXPECT_EQ(szSysIniFile, dir_ + "/site.ini");
  EXPECT_TRUE(Program_named());
  std::vector<std::string> want = {szSysExec, "prog", "-arg", "-c:x.ini", "other.ini"};
  EXPECT_EQ(szSysArg, want);
}

TEST_F(StartupTest, OruFileIsIniUnlessProgramOrScript) {
  ASSERT_EQ(chdir(dir_.c_str()), 0);
  write("p.oru", "[Oruprg]" + std::string(20, '\0'));
  write("s.oru", "#!/usr/bin/oru\n");
  write("c.oru", "[Config]\n");
  set_args({"p.oru", "s.oru", "gone.oru"});
  SetPaths();
  EXPECT_EQ(szSysIniFile, dir_ + "/bin/kestil.ini");  // none of them: the default
  EXPECT_EQ(szSysArg.size(), 4u);
  set_args({"p.oru", "c.oru", "x.ini"});
  SetPaths();
  EXPECT_EQ(szSysIniFile, dir_ + "/c.oru");
  std::vector<std::string> want = {szSysExec, "p.oru", "x.ini"};  // only the first ini counts
  EXPECT_EQ(szSysArg, want);
}

TEST_F(StartupTest, DefaultIniSearch) {
  ASSERT_EQ(chdir(dir_.c_str()), 0);
  szSysExec = dir_ + "/bin/oru.real";
  set_args({});
  SetPaths();
  EXPECT_EQ(szSysIniFile, dir_ + "/bin/kestil.ini");  // taken whether it exists or not
  write("kestil.ini", "");
  SetPaths();
  EXPECT_EQ(szSysIniFile, dir_ + "/kestil.ini");
  write("bin/oru.ini", "");
  SetPaths();
  EXPECT_EQ(szSysIniFile, dir_ + "/bin/oru.ini");  // the executable's name up to its first period
  write("oru.ini", "");
  SetPaths();
  EXPECT_EQ(szSysIniFile, dir_ + "/oru.ini");
  setenv("ORUINI", "env.ini", 1);
  SetPaths();
  EXPECT_EQ(szSysIniFile, dir_ + "/env.ini");
}

TEST_F(StartupTest, LibrarySearchOrder) {
  ASSERT_EQ(chdir(dir_.c_str()), 0);
  std::vector<std::string> args = {"-c:" + dir_ + "/k.ini"};
  fs::create_directories(dir_ + "/bin/lib");
  set_args(args);
  SetPaths();
  EXPECT_EQ(szSysLibrary, dir_ + "/bin/lib");  // "lib" beside the executable
  setenv("ORULIB", "envlib", 1);
  set_args(args);
  SetPaths();
  EXPECT_EQ(szSysLibrary, dir_ + "/envlib");
  write("k.ini", "[Config]\nLibrary = /spaced\n");
  set_args(args);
  SetPaths();
  EXPECT_EQ(szSysLibrary, dir_ + "/envlib");  // "Library " is not Library
  write("k.ini", "[Config]\nLibrary=/from/ini\n");
  set_args(args);
  SetPaths();
  EXPECT_EQ(szSysLibrary, "/from/ini");
  set_args({"-c:" + dir_ + "/k.ini", "-l:/opt/x"});
  SetPaths();
  EXPECT_EQ(szSysLibrary, "/opt/x");
}

TEST_F(StartupTest, ConfigDirectoryAndCommandline) {
  fs::create_directories(dir_ + "/work");
  write("k.ini", "[Config]\nDirectory=" + dir_ + "/work\nCommandline=-LZ 'my prog'\n");
  set_args({"-c:" + dir_ + "/k.ini", "-IS=3", "-arg", "a"});
  SetPaths();
  EXPECT_EQ(Getcwd(), dir_ + "/work");
  EXPECT_EQ(szSysHomeDir, dir_ + "/work");
  std::vector<std::string> want = {szSysExec, "-LZ", "my prog", "-IS=3", "-arg", "a"};
  EXPECT_EQ(szSysArg, want);
  EXPECT_TRUE(Program_named());
}

// ---- the interpreter options ----

TEST_F(StartupTest, OptionsSetParametersAndTheProgram) {
  Prm_defaults();
  Process_options({"oru", "-lz", "-BF=20", "-PD=3x", "-ID=T7", "first", "second", "-QQ", "-LZ=2"}, 1);
  EXPECT_TRUE(ws.Prm.LZ);  // "-LZ=2" is out of range and leaves it on
  EXPECT_EQ(prmblk.BF, 20);
  EXPECT_EQ(prmblk.PD, 3);
  EXPECT_EQ(Start_pgm, "second");
  EXPECT_TRUE(ws.Cmd_flags & CMD_PROGRAM_NAMED);
  EXPECT_TRUE(ws.Prm.XT);  // the process ends when the program returns
  EXPECT_EQ(prmblk.Argc, 0);
  Prm_defaults();
}

TEST_F(StartupTest, ArgMakesTheRestTheProgramsArguments) {
  Prm_defaults();
  Process_options({"oru", "-Arg", "-LZ", "prog", ""}, 1);
  EXPECT_FALSE(ws.Prm.LZ);
  EXPECT_TRUE(Start_pgm.empty());
  ASSERT_EQ(prmblk.Argc, 3);
  EXPECT_STREQ(prmblk.Argv[0], "-LZ");
  EXPECT_STREQ(prmblk.Argv[1], "prog");
  EXPECT_STREQ(prmblk.Argv[2], "");
  EXPECT_EQ(prmblk.Argv[3], nullptr);
  Prm_defaults();
  EXPECT_EQ(prmblk.Argc, 3);  // the defaults keep the argument vector
}

TEST_F(StartupTest, DirectoryOption) {
  fs::create_directories(dir_ + "/d");
  Process_options({"oru", "-dr=" + dir_ + "/d"}, 1);
  EXPECT_EQ(Getcwd(), dir_ + "/d");
  Process_options({"oru", "-DR=" + dir_ + "/missing"}, 1);
  EXPECT_EQ(Getcwd(), dir_ + "/d");
}

// ---- Start_up ----

TEST_F(StartupTest, StartUpKeepsSwitchesAndSomeValuesOnly) {
  szSysLibrary = make_lib("lib");
  ws.Lib_dir = szSysLibrary.c_str();
  Prm_defaults();
  Process_options({"oru", "-LZ", "-IS=3", "-PD=4", "-BF=20", "-QT", "-ID=T7"}, 1);
  ws.Mem_limit = 0;
  ASSERT_EQ(Start_up(), 0);
  EXPECT_TRUE(ws.Prm.LZ);
  EXPECT_TRUE(ws.Prm.QT);
  EXPECT_EQ(prmblk.IS, 5);  // IS is 5 after every start-up
  EXPECT_EQ(prmblk.PD, 2);
  EXPECT_EQ(ws.Precision, 2);
  EXPECT_EQ(prmblk.BF, 20);
  EXPECT_EQ(prmblk.FS, 138);
  EXPECT_TRUE(Lex_loaded());
  EXPECT_GE(ws.Msg_fd, 0);
  EXPECT_EQ(ws.Work_base, work_);
  EXPECT_EQ(szSysCurDir, Getcwd());
  EXPECT_EQ(Console_fid, "T7          ");  // blank-padded to 12
}

TEST_F(StartupTest, StartUpSetsTheMemoryLimit) {
  szSysLibrary = make_lib("lib");
  ws.Lib_dir = szSysLibrary.c_str();
  ws.Mem_limit = 0;
  ASSERT_EQ(Start_up(), 0);
  EXPECT_EQ(ws.Mem_limit, 32768000);
  ws.Mem_limit = 4096 * 1024;
  ASSERT_EQ(Start_up(), 0);
  EXPECT_EQ(ws.Mem_limit, 4096 * 1024);  // a limit set before is put back
}

TEST_F(StartupTest, MissingLibraryFails) {
  szSysLibrary = dir_ + "/nolib";
  ws.Lib_dir = szSysLibrary.c_str();
  EXPECT_EQ(Start_up(), 100);
  EXPECT_FALSE(Lex_loaded());
}

TEST_F(StartupTest, GlobalsFromTheIniFile) {
  szSysLibrary = make_lib("lib");
  ws.Lib_dir = szSysLibrary.c_str();
  write("k.ini",
        "[globals]\nABC$=hello\nN=12\nX=x\nsmall$=Mixed\nI%=7.6\nF= 2.5 \n1BAD=3\nA B=1\nE$=\nN=13\n"
        "[Other]\nO=1\n");
  szSysIniFile = dir_ + "/k.ini";
  ASSERT_EQ(Start_up(), 0);
  EXPECT_EQ(str_of(global(code::STR_VAR, "%ABC$")), "hello");
  const Var_node* n = global(code::NUM_VAR, "%N");
  ASSERT_NE(n, nullptr);
  EXPECT_DOUBLE_EQ(Val_to_dbl(n->num), 12);
  EXPECT_EQ(global(code::NUM_VAR, "%X"), nullptr);  // does not convert: unassigned
  EXPECT_EQ(str_of(global(code::STR_VAR, "%SMALL$")), "Mixed");
  const Var_node* i = global(code::NUM_VAR, "%I%");
  ASSERT_NE(i, nullptr);
  EXPECT_DOUBLE_EQ(Val_to_dbl(i->num), 7);  // an integer global truncates
  const Var_node* f = global(code::NUM_VAR, "%F");
  ASSERT_NE(f, nullptr);
  EXPECT_DOUBLE_EQ(Val_to_dbl(f->num), 2.5);
  EXPECT_EQ(global(code::NUM_VAR, "%1BAD"), nullptr);
  EXPECT_EQ(global(code::NUM_VAR, "%A B"), nullptr);
  const Var_node* e = global(code::STR_VAR, "%E$");
  ASSERT_NE(e, nullptr);
  EXPECT_TRUE(e->flags & VF_ASSIGNED);
  EXPECT_EQ(global(code::NUM_VAR, "%O"), nullptr);
}

TEST_F(StartupTest, GlobalsSurviveARestart) {
  szSysLibrary = make_lib("lib");
  ws.Lib_dir = szSysLibrary.c_str();
  write("k.ini", "[GLOBALS]\nG$=one\n");
  szSysIniFile = dir_ + "/k.ini";
  ASSERT_EQ(Start_up(), 0);
  write("k.ini", "[GLOBALS]\nH$=two\n");
  ASSERT_EQ(Start_up(), 0);
  EXPECT_EQ(str_of(global(code::STR_VAR, "%G$")), "one");
  EXPECT_EQ(str_of(global(code::STR_VAR, "%H$")), "two");
}

TEST_F(StartupTest, ConfigKeys) {
  write("k.ini",
        "[Config]\nCacheManager=Launch\nPrinterLPI=6.5\nPdfFactor=0.5\nPdfFontDir=/f/\nWindowAutoSize=Y\n"
        "GetFileDelim=8a\n");
  szSysIniFile = dir_ + "/k.ini";
  Kest_Initialize();
  EXPECT_EQ(Kest_cfg.cache_mode, 'l');
  EXPECT_EQ(Kest_cfg.printer_lpi, 650);
  EXPECT_EQ(Kest_cfg.printer_cpi, 0);
  EXPECT_EQ(Kest_cfg.pdf_factor, 1.0);  // not above 1.0 gives 1.0
  EXPECT_EQ(Kest_cfg.pdf_margin, 250);
  EXPECT_EQ(Kest_cfg.pdf_font_dir, "/f");
  EXPECT_TRUE(Kest_cfg.window_auto_size);
  EXPECT_EQ(Kest_cfg.get_file_delim, 0x8a);
  write("k.ini", "[Config]\nGetFileDelim=zz\nWindowAutoSize=yes\n");
  Kest_Initialize();
  EXPECT_EQ(Kest_cfg.get_file_delim, -1);
  EXPECT_FALSE(Kest_cfg.window_auto_size);
  EXPECT_EQ(Kest_cfg.cache_mode, 'a');
}

TEST_F(StartupTest, LeadLineRunsTheNamedProgram) {
  Start_pgm = "prog";
  const uint8_t* p = Lead_dir();
  const uint8_t want[] = {0, 0, code::D_RUN, code::STR_LIT, 0, 4, 'p', 'r', 'o', 'g', code::EOL};
  EXPECT_EQ(std::memcmp(p, want, sizeof want), 0);
}

TEST_F(StartupTest, StartupBoxTitle) {
  Msgbox_init("Startup");
  Msgbox_line("Error #100");
  EXPECT_EQ(Msgbox_contents(), "Error #100\r\n");
}

}  // namespace

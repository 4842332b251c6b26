// State the program, environment and utility forms must keep or restore:
// nested XEQ( and EVN( leave the caller's position, stack and queued ++
// alone; a refused PREFIX changes no list; tracing follows its channel; the
// separator a record chooses; UTF-8 text through TRANSLATE.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "channels/dyna_sep.h"
#include "channels/open.h"
#include "console_env.h"
#include "core/codes.h"
#include "core/params.h"
#include "core/process_config.h"
#include "functions/global_strings.h"
#include "functions/memory_access.h"
#include "functions/trace.h"

namespace {

class EnvironmentTest : public Console_env {
 protected:
  void TearDown() override {
    ws.Utf8_mode = 0;
    prmblk.Sep_str[0] = 0;
    prmblk.FS = 138;
    Sw_set(sw::PlusS, false);
    Trace_end();
    Gbl_clear_all();
    for (int i = 0; i < PFX_LISTS; ++i) Pfx_set(i, "");
    Console_env::TearDown();
  }
  Var_node* var(const char* name, uint8_t type = code::NUM_VAR) {
    return Look_var_name(type, reinterpret_cast<const uint8_t*>(name), int(std::strlen(name)));
  }
  std::string str(const char* name) {
    Var_node* n = var(name, code::STR_VAR);
    return n && n->str ? std::string(reinterpret_cast<const char*>(n->str->bytes()), n->str->len) : "";
  }
  int64_t num(const char* name) {
    Var_node* n = var(name);
    return n ? n->num.mant : -1;
  }
};

TEST_F(EnvironmentTest, XeqErrorLeavesTheCallerWhereItWas) {
  program({"10 GOSUB 100", "20 STOP", "100 FOR I=1 TO 2", "110 R=XEQ(\"Z=1/0\",ERR=200)",
           "120 NEXT I", "130 RETURN", "200 E=ERR; D=ERS; GOTO 120"});
  type("RUN");
  EXPECT_EQ(num("E"), 40);
  EXPECT_EQ(num("D"), 110);
  EXPECT_EQ(num("I"), 3);  // the FOR frame survived both errors
  EXPECT_EQ(ws.Ctl_stack, nullptr);  // and RETURN found its GOSUB frame
  EXPECT_EQ(ws.Stop_stno, 20);
}

TEST_F(EnvironmentTest, XeqRefusesBeforeRunningAnything) {
  type("A=1");
  type("R=XEQ(\"A=2; GOTO 10\")");
  EXPECT_EQ(ws.Err_no, 59);
  EXPECT_EQ(num("A"), 1);
  type("R=XEQ(\"IF A THEN A=3 ELSE NEXT\")");
  EXPECT_EQ(ws.Err_no, 59);
  EXPECT_EQ(num("A"), 1);
  type("R=XEQ(\"IF A THEN A=3 ELSE A=4\")");
  EXPECT_EQ(num("A"), 3);
}

TEST_F(EnvironmentTest, CaughtEvaluationKeepsTheStatementsPendingIncrement) {
  type("A=1; B=A+++EVN(\"1/0\",10)");
  EXPECT_EQ(num("B"), 11);
  EXPECT_EQ(num("A"), 2);
}

TEST_F(EnvironmentTest, RefusedPrefixChangesNoList) {
  type("PREFIX \"/one/ /two/\"");
  EXPECT_EQ(Pfx_get(0), "/one/ /two/");
  type("PREFIX \"/three/\",(40)\"x\"");
  EXPECT_EQ(ws.Err_no, 41);
  type("PREFIX \"/three/\",(1)$FF$");
  EXPECT_EQ(ws.Err_no, 10);
  EXPECT_EQ(Pfx_get(0), "/one/ /two/");
  EXPECT_EQ(Pfx_get(1), "");
  type("DISABLE \"A\"");  // disk 0 is the general list
  EXPECT_EQ(uint8_t(Pfx_get(0)[0]), uint8_t('/' | 0x80));
  type("ENABLE 0");
  EXPECT_EQ(Pfx_get(0), "/one/ /two/");
}

TEST_F(EnvironmentTest, TraceRequestFollowsTheTraceChannel) {
  type("TRACE");
  EXPECT_EQ(Trace_channel(), 0);
  EXPECT_NE(ws.Run_flags & RF_TRACE, 0u);
  type("TRACE (12)");
  EXPECT_EQ(ws.Err_no, 13);  // the trace channel must be open
  EXPECT_EQ(Trace_channel(), 0);  // the failed TRACE kept the old channel
  type("ENDT");
  EXPECT_EQ(Trace_channel(), TRC_NONE);
  EXPECT_EQ(ws.Run_flags & RF_TRACE, 0u);
}

TEST_F(EnvironmentTest, RecordSeparator) {
  auto sep = [](const char* rec) { return Kest_DynaSep(reinterpret_cast<const uint8_t*>(rec), std::strlen(rec)); };
  EXPECT_EQ(sep("a,b;c"), 138);  // fewer than two candidates: FS
  std::memcpy(prmblk.Sep_str, "\x02;,", 3);
  EXPECT_EQ(sep("a,b;c"), ';');  // the first candidate that occurs, in list order
  EXPECT_EQ(sep("a,b,c"), ',');
  EXPECT_EQ(sep("abc"), 138);
  Sw_set(sw::PlusS, true);  // +S: the record's last byte when it is a candidate
  EXPECT_EQ(sep("a;b,c,"), ',');
  EXPECT_EQ(sep("a;b|"), ';');
  EXPECT_EQ(sep(std::string("a\tb\t").c_str()), '\t');
}

TEST_F(EnvironmentTest, KgnWithoutSepFindsTheSeparatorInTheRecord) {
  type("DEF SEP(\",;\")");
  type("A$=KGN(\"ab;cd\",$01020002FF000000$,1); B$=KGN(\"ab,cd\",$01020002FF000000$,1)");
  EXPECT_EQ(str("A$"), "cd");
  EXPECT_EQ(str("B$"), "cd");
}

TEST_F(EnvironmentTest, TranslateCopiesUtf8SequencesInUtf8Mode) {
  type("A$=$C3A965$; TRANSLATE A$,$A9$+$01$+\"X\"+\"e\"+$01$+\"E\"");
  EXPECT_EQ(str("A$"), "\xC3XE");
  ws.Utf8_mode = 1;
  type("A$=$C3A965E282AC$; TRANSLATE A$,$A9$+$01$+\"X\"+\"e\"+$01$+\"E\"+$AC$+$00$");
  EXPECT_EQ(str("A$"), "\xC3\xA9" "E\xE2\x82\xAC");
  type("A$=$65E2$; TRANSLATE A$,\"e\"+$01$+\"E\"");  // a cut sequence at the end
  EXPECT_EQ(str("A$"), "E\xE2");
}

TEST_F(EnvironmentTest, MemAddressesDieWithTheirBlocks) {
  type("A=MEM(\"abc\"); B=MEM(A+1)");
  EXPECT_EQ(num("B"), 'b');
  Mem_blocks_release();
  type("B=MEM(A+1)");
  EXPECT_EQ(ws.Err_no, 41);
}

TEST_F(EnvironmentTest, GlobalsOutliveTheProgramsVariables) {
  type("X$=GBL(\"K\",\"v\")");
  Clr_variables();
  type("Y$=GBL(\"K\")");
  EXPECT_EQ(str("Y$"), "v");
  EXPECT_EQ(Gbl_count(), 1u);
  type("X$=GBL(\"K\",\"w\")");  // replaced, not added
  EXPECT_EQ(Gbl_count(), 1u);
}

TEST_F(EnvironmentTest, ChangedFlagIsClearedOnlyByALook) {
  type("A=1");
  EXPECT_NE(var("A")->flags & VF_CHANGED, 0u);
  type("X$=CHG(READ \"A\")");
  EXPECT_NE(var("A")->flags & VF_CHANGED, 0u);
  type("X$=CHG(\"A\")");
  EXPECT_EQ(var("A")->flags & VF_CHANGED, 0u);
  EXPECT_NE(var("A")->flags & VF_ASSIGNED, 0u);  // still an assigned variable
}

TEST_F(EnvironmentTest, DirLosesTheNetworkHostAndEndsWithOneSlash) {
  std::string saved = szSysCurDir;
  struct Case {
    const char* cwd;
    const char* dir;
  };
  for (Case c : {Case{"/", "/"}, Case{"/usr/data", "/usr/data/"}, Case{"/usr/data/", "/usr/data/"},
                 Case{"//server/share/acct/ap", "/acct/ap/"}, Case{"//server/share", "/"}}) {
    szSysCurDir = c.cwd;
    type("X$=DIR()");
    EXPECT_EQ(str("X$"), c.dir) << c.cwd;
  }
  szSysCurDir = saved;
}

}  // namespace

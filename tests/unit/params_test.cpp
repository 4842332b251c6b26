// The system-parameter table, Exec_param/Get_param, the PRM text and the
// SET_PARAM statement.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "core/lexicon.h"
#include "core/memory.h"
#include "core/params.h"
#include "core/workspace.h"
#include "console_env.h"

namespace {

constexpr uint16_t P(const char* c) { return Prm_code(c[0], c[1]); }

class ParamsTest : public Console_env {
 protected:
  void SetUp() override {
    Console_env::SetUp();
    saved_limit = ws.Mem_limit;
    Prm_defaults();
  }
  void TearDown() override {
    Prm_defaults();
    ws.Mem_limit = saved_limit;
    Console_env::TearDown();
  }
  // Types one line at the console; returns the error it raised (0: none).
  int type(const std::string& s) {
    ws.Err_no = 0;
    Console_env::type(s);
    return ws.Err_no;
  }
  int64_t saved_limit = 0;
};

TEST_F(ParamsTest, TableHasEveryCodeOnceAsPrimary) {
  std::set<uint16_t> seen;
  int values = 0, switches = 0;
  for (int i = 0; i < Prm_tbl_count; ++i) {
    const Prm_row& r = Prm_tbl[i];
    if (r.code == PRM_NO_CODE) continue;
    EXPECT_TRUE(seen.insert(r.code).second) << char(r.code >> 8) << char(r.code & 0xFF);
    if (r.kind == Prm_kind::word || r.kind == Prm_kind::flag)
      ++switches;
    else
      ++values;
  }
  EXPECT_EQ(values, 60);
  EXPECT_GT(switches, 120);
}

TEST_F(ParamsTest, SwitchBitsDoNotOverlap) {
  uint16_t used[13] = {};
  for (int i = 0; i < Prm_tbl_count; ++i) {
    const Prm_row& r = Prm_tbl[i];
    if (r.kind != Prm_kind::word || r.code == PRM_NO_CODE) continue;
    for (int w = 1; w <= 12; ++w) {
      if (r.loc != &Sw_word(w)) continue;
      EXPECT_EQ(used[w] & r.mask_or_min, 0) << char(r.code >> 8) << char(r.code & 0xFF);
      used[w] = uint16_t(used[w] | r.mask_or_min);
    }
  }
}

TEST_F(ParamsTest, DefaultsAfterStartUp) {
  for (const char* on : {"CS", "IC", "IR", "IW", "OM", "OR", "PP", "PZ", "QK", "UL", "WB", "WP",
                         "+E", "+I", "+K", "+N", "+O"})
    EXPECT_EQ(Get_param(P(on)), 1) << on;
  for (const char* off : {"AD", "BX", "D0", "XC", "WL", "+M", "FU", "FL"}) EXPECT_EQ(Get_param(P(off)), 0) << off;
  EXPECT_EQ(Get_param(P("FS")), 138);
  EXPECT_EQ(Get_param(P("BY")), 1970);
  EXPECT_EQ(Get_param(P("IS")), 5);
  EXPECT_EQ(Get_param(P("!B")), 3);
  EXPECT_EQ(Get_param(P("RN")), 1);
  EXPECT_EQ(Get_param(P("F+")), 50);
  EXPECT_EQ(Get_param(P("QQ")), -1);
}

TEST_F(ParamsTest, SwitchesReachTheFieldsTheCoreReads) {
  EXPECT_EQ(Exec_param(P("D0"), 1), 0);
  EXPECT_TRUE(ws.Prm.D0);
  EXPECT_EQ(Exec_param(P("LF"), 1), 0);  // inverse of SF
  EXPECT_FALSE(ws.Prm.SF);
  EXPECT_EQ(Get_param(P("LF")), 1);
  EXPECT_EQ(Exec_param(P("LF"), 0), 0);
  EXPECT_TRUE(ws.Prm.SF);
  EXPECT_EQ(Get_param(P("SF")), 1);
  EXPECT_EQ(Exec_param(P("RN"), 512), 0);
  EXPECT_EQ(ws.Prm.RN, 512);
  EXPECT_EQ(Exec_param(P("XC"), 1), 0);
  EXPECT_TRUE(Sw_on(sw::XC));
  EXPECT_EQ(ws.Sys_flags4 & 0x8000, 0x8000);
  EXPECT_EQ(Exec_param(P("D0"), 2), 41);
}

TEST_F(ParamsTest, ValueRangesAndSpecialRefusals) {
  EXPECT_EQ(Exec_param(P("BF"), 2), 41);
  EXPECT_EQ(Exec_param(P("BF"), 1), 41);
  EXPECT_EQ(Exec_param(P("BF"), 0), 0);
  EXPECT_EQ(Exec_param(P("BF"), 3), 0);
  EXPECT_EQ(Get_param(P("BF")), 3);
  EXPECT_EQ(Exec_param(P("BF"), 101), 41);
  EXPECT_EQ(Exec_param(P("SL"), 3), 41);
  EXPECT_EQ(Exec_param(P("BY"), -7999), 0);
  EXPECT_EQ(Get_param(P("BY")), -7999);  // signed row
  EXPECT_EQ(Exec_param(P("CU"), 255), 0);
  EXPECT_EQ(Get_param(P("CU")), 255);     // byte row
  EXPECT_EQ(Exec_param(P("KF"), 2), 0);
  EXPECT_EQ(Get_param(P("KF")), 1);  // lowered to the file-creation level
  EXPECT_EQ(Exec_param(P("ZZ"), 5), 0);  // unknown codes are ignored
}

TEST_F(ParamsTest, MemoryLimitInKib) {
  EXPECT_EQ(Exec_param(P("SZ"), 39), 41);
  EXPECT_EQ(Exec_param(P("SZ"), 100), 0);
  EXPECT_EQ(ws.Mem_limit, 102400);
  EXPECT_EQ(Get_param(P("SZ")), 100);
}

TEST_F(ParamsTest, TraceLayoutKeepsFourBits) {
  EXPECT_EQ(Exec_param(P("TT"), 17), 0);
  EXPECT_EQ(Get_param(P("TT")), 1);
  EXPECT_TRUE(ws.Prm.TT);
  EXPECT_EQ(Exec_param(P("TT"), 16), 0);
  EXPECT_FALSE(ws.Prm.TT);
}

TEST_F(ParamsTest, ThreeStateQ) {
  EXPECT_EQ(Exec_param(P("!Q"), 2), 0);
  EXPECT_EQ(Get_param(P("!Q")), 2);
  EXPECT_EQ(Exec_param(P("!Q"), 3), 41);
  EXPECT_EQ(Get_param(P("!Q")), 2);
}

TEST_F(ParamsTest, FuFlFnShareTwoBits) {
  EXPECT_EQ(Get_param(P("FN")), 1);
  Exec_param(P("FU"), 1);
  EXPECT_EQ(Get_param(P("FU")), 1);
  Exec_param(P("FL"), 1);
  EXPECT_EQ(Get_param(P("FL")), 1);
  EXPECT_EQ(Get_param(P("FU")), 0);
  EXPECT_EQ(Get_param(P("FN")), 0);
  Exec_param(P("FN"), 1);
  EXPECT_EQ(Get_param(P("FL")), 0);
  EXPECT_EQ(Get_param(P("FN")), 1);
  Exec_param(P("FN"), 0);  // a row without a primary code is left as it was by 0
  EXPECT_EQ(Get_param(P("FN")), 1);
}

TEST_F(ParamsTest, CompatibilityGroupFollowsBx) {
  Exec_param(P("BX"), 1);
  EXPECT_EQ(Get_param(P("FF")), 3);
  EXPECT_EQ(Get_param(P("BY")), 0);
  EXPECT_EQ(Get_param(P("B0")), 1);
  EXPECT_EQ(Get_param(P("EX")), 1);
  EXPECT_EQ(Get_param(P("NR")), 1);
  Exec_param(P("BX"), 0);
  EXPECT_EQ(Get_param(P("FF")), 0);
  EXPECT_EQ(Get_param(P("BY")), 1970);
  EXPECT_EQ(Get_param(P("B0")), 0);
  EXPECT_EQ(Get_param(P("NR")), 0);
}

TEST_F(ParamsTest, PrmTextListsValuesAndSwitches) {
  std::string t = Prm_text();
  EXPECT_NE(t.find("'FS'=138"), std::string::npos);
  EXPECT_NE(t.find("'CS'"), std::string::npos);
  EXPECT_NE(t.find("-'AD'"), std::string::npos);
  EXPECT_EQ(t.find("-'!D'"), std::string::npos);  // off switches starting with punctuation are left out
  EXPECT_NE(t.find("'BY'=1970"), std::string::npos);
  EXPECT_NE(t.back(), ',');
  EXPECT_EQ(t.rfind("'AD'", 0) == 0 || t.rfind("-'AD'", 0) == 0, true);
  Exec_param(P("!D"), 1);
  EXPECT_NE(Prm_text().find("'!D'"), std::string::npos);
}

TEST_F(ParamsTest, SetParamStatementForms) {
  EXPECT_EQ(type("SET_PARAM 'D0', 'BF'=3, -'LZ'"), 0);
  EXPECT_TRUE(ws.Prm.D0);
  EXPECT_EQ(prmblk.BF, 3);
  EXPECT_FALSE(ws.Prm.LZ);
  EXPECT_EQ(type("SET_PARAM -'D0', \"XBY\"=2000"), 0);
  EXPECT_FALSE(ws.Prm.D0);
  EXPECT_EQ(prmblk.BY, 2000);
  EXPECT_EQ(type("A$=\"-+D\"; SET_PARAM A$=500"), 0);
  EXPECT_EQ(prmblk.Plus_D, 500);
  EXPECT_EQ(type("SET_PARAM 'IS'=-32000"), 0);
  EXPECT_EQ(prmblk.IS, -32000);
  EXPECT_EQ(type("SET_PARAM 'SZ'=2000"), 0);
  EXPECT_EQ(ws.Mem_limit, 2000 * 1024);
}

TEST_F(ParamsTest, SetParamErrors) {
  EXPECT_EQ(type("SET_PARAM 'BF'=2"), 41);
  EXPECT_EQ(type("SET_PARAM 'IS'=32001"), 41);
  EXPECT_EQ(type("SET_PARAM 'D0'=2"), 41);
  EXPECT_EQ(type("SET_PARAM \"BF\"=3"), 46);
  EXPECT_EQ(type("SET_PARAM 'BF'=3.5"), 41);
}

}  // namespace

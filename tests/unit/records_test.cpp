// Record (composite) variables and their fields, and the FOR forms over an
// array, a string and an associative array's keys, with FOR LOCAL.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "channels/console_device.h"
#include "core/codes.h"
#include "core/compiler.h"
#include "core/console.h"
#include "core/control_stack.h"
#include "core/errors.h"
#include "core/executor.h"
#include "core/lexicon.h"
#include "core/line_store.h"
#include "core/lister.h"
#include "core/memory.h"
#include "core/params.h"
#include "core/variables.h"
#include "core/workspace.h"
#include "console_env.h"

namespace {

class RecordsTest : public Console_env {
 protected:
  void SetUp() override {
    Console_env::SetUp();
    ws.Prm.QT = true;
    prmblk.FS = '|';  // a visible record separator
  }
  void TearDown() override {
    prmblk.FS = 138;
    Console_env::TearDown();
  }
  // Stores the lines, runs them, returns the error number (0: none).
  int run(std::initializer_list<const char*> lines) {
    Clr_lines();
    Clr_variables();
    for (const char* l : lines) type(l);
    ws.Err_no = 0;
    testing::internal::CaptureStdout();
    type("RUN");
    Con_flush();
    out_ = testing::internal::GetCapturedStdout();
    return ws.Err_no;
  }
  static double num(const char* name) {
    Var_node* v = Look_var_name(code::NUM_VAR, reinterpret_cast<const uint8_t*>(name), int(std::strlen(name)));
    if (!v) return -999;
    return double(v->num.mant) / std::pow(10.0, v->num.scale);
  }
  static std::string str(const char* name) {
    Var_node* v = Look_var_name(code::STR_VAR, reinterpret_cast<const uint8_t*>(name), int(std::strlen(name)));
    if (!v) return "<none>";
    return v->str ? std::string(reinterpret_cast<const char*>(v->str->bytes()), v->str->len) : "";
  }
  std::string out_;
};

std::vector<uint8_t> compile(const std::string& src, int expect = 0) {
  std::vector<uint8_t> out;
  EXPECT_EQ(Compile_text(src, out), expect) << src;
  return out;
}

// ---- compiled forms ----

TEST_F(RecordsTest, FieldNamesCompileToTheRecordItemAndTheFieldItem) {
  // R$.NAME$ and R$::NAME$: 247 "R$", then 2 "NAME$"
  std::vector<uint8_t> want = {0, 10, 247, 2, 'R', '$', 2, 5, 'N', 'A', 'M', 'E', '$', 39, 11, 0, 1, 255};
  EXPECT_EQ(compile("10 r$.name$=1"), want);
  EXPECT_EQ(compile("10 R$::NAME$=1"), want);
  // "." is a name character: A.B and A$B... are plain names
  EXPECT_EQ(compile("10 A.B=1"), (std::vector<uint8_t>{0, 10, 1, 3, 'A', '.', 'B', 39, 11, 0, 1, 255}));
  // a field name may spell a keyword
  auto kw = compile("10 R$.TO=1");
  EXPECT_EQ(kw[6], code::NUM_VAR);
  // nothing or a blank after the "." is no field
  compile("10 R$.=1", 20);
  compile("10 R$. X=1", 20);
  compile("10 X=R$.A$.B$", 20);  // records do not nest
}

TEST_F(RecordsTest, RecordFormsListBackToTheSameBytes) {
  const char* forms[] = {
      "10 R$.NAME$=\"A\"",
      "10 LET R$.QTY=1,X=R$.QTY+1",
      "10 R$.N++",
      "10 PRINT R$.NAME$(2,3),R$.A[2],%G$.X",
      "10 IF R$.A>1 THEN R$.B$=\"x\" ELSE R$.B$=\"y\"",
      "10 DIM R$:IOLIST A$,B,*,C",
      "10 DIM R$:\"A:C(2),B:N(5)\",X[3],S$(4)",
      "10 LOCAL DIM R$:IOLIST A",
      "10 FOR LOCAL I=1 TO 3 STEP 2",
      "10 FOR LOCAL W$=A$+\",\"",
      "10 FOR W$=\"a,b,\"",
      "10 FOR I=A[ALL]",
      "10 FOR K$=P$[ALL]",
      "10 NEXT W$",
  };
  for (const char* src : forms) {
    auto bytes = compile(src);
    std::string text = Decompile_text(bytes.data(), bytes.size());
    auto again = compile(text);
    EXPECT_EQ(bytes, again) << src << " listed as " << text;
  }
  EXPECT_EQ(Decompile_text(compile("10 x=r$::a$").data(), compile("10 x=r$::a$").size()), "0010 X=R$.A$");
  compile("10 FOR LOCAL N", 20);
  compile("10 DIM R$:IOLIST A$+B$", 20);
}

// ---- records ----

TEST_F(RecordsTest, InlineListRecordIsBuiltFromItsFieldsAndSplitIntoThem) {
  EXPECT_EQ(run({"10 DIM R$:IOLIST NAME$,*,QTY", "20 R$.NAME$=\"Bolt\"; R$.QTY=2.5", "30 X$=R$",
                 "40 R$=\"Nut|skipped|7|extra\"", "50 N$=R$.NAME$; Q=R$.QTY", "60 R$=\"Short\"", "70 END"}),
            0);
  EXPECT_EQ(str("X$"), "Bolt||2.5|");
  EXPECT_EQ(str("N$"), "Nut");
  EXPECT_EQ(num("Q"), 7);
  // a short record leaves the remaining fields empty
  EXPECT_EQ(str("R$.NAME$"), "Short");
  EXPECT_EQ(num("R$.QTY"), 0);
}

TEST_F(RecordsTest, TemplateFieldsHaveFixedWidths) {
  EXPECT_EQ(run({"10 DIM T$:\"CODE:C(4),DESC:C(6):a comment:,AMT:N(7),*:C(1),NOTE:C(*)\"",
                 "20 A$=T$", "30 T$.CODE$=\"ABCDEFG\"; T$.DESC$=\"Pen\"; T$.AMT=-12.5; T$.NOTE$=\"n\"",
                 "40 B$=T$", "50 T$=\"WXYZLonger   3.25#last|ignored\"", "60 L=LEN(T$.DESC$)", "70 END"}),
            0);
  // fields start empty: blanks for text, 0 for numbers
  EXPECT_EQ(str("A$"), "          " "      0" "|");
  // text is cut or padded to its width, numbers right-aligned
  EXPECT_EQ(str("B$"), "ABCDPen     -12.5n|");
  EXPECT_EQ(str("T$.CODE$"), "WXYZ");
  EXPECT_EQ(str("T$.DESC$"), "Longer");
  EXPECT_EQ(num("T$.AMT"), 3.25);
  EXPECT_EQ(str("T$.NOTE$"), "last");
  EXPECT_EQ(num("L"), 6);
}

TEST_F(RecordsTest, DelimiterForms) {
  EXPECT_EQ(run({"10 DIM T$:\"A:C(*=44),B:N(*=44),C:C(*=)\"", "20 T$=\"x,42,rest,of it\"",
                 "30 T$.C$=\"end\"; Y$=T$", "40 END"}),
            0);
  EXPECT_EQ(str("T$.A$"), "x");
  EXPECT_EQ(num("T$.B"), 42);
  EXPECT_EQ(str("Y$"), "x,42,end");
}

TEST_F(RecordsTest, SubstringAssignmentOfARecordReachesItsFields) {
  EXPECT_EQ(run({"10 DIM T$:\"A:C(3),B:C(3)\"", "20 T$=\"abcdef\"", "30 T$(3,2)=\"XY\"", "40 END"}), 0);
  EXPECT_EQ(str("T$.A$"), "abX");
  EXPECT_EQ(str("T$.B$"), "Yef");
}

TEST_F(RecordsTest, GlobalRecordsHaveGlobalFields) {
  EXPECT_EQ(run({"10 DIM %R$:IOLIST A", "20 %R$.A=5", "30 END"}), 0);
  EXPECT_NE(Look_var_name(code::NUM_VAR, reinterpret_cast<const uint8_t*>("%R$.A"), 5), nullptr);
  EXPECT_EQ(Look_var_name(code::NUM_VAR, reinterpret_cast<const uint8_t*>("R$.A"), 4), nullptr);
  Clr_glo_var();
}

TEST_F(RecordsTest, BadLayoutsAreErrors) {
  EXPECT_EQ(run({"10 DIM T$:\"A:Q(3)\""}), 81);
  EXPECT_EQ(run({"10 DIM T$:\"A:C(3),\""}), 81);
  EXPECT_EQ(run({"10 DIM T$:\"A:C3\""}), 81);
  EXPECT_EQ(run({"10 DIM T$:\"9A:C(3)\""}), 81);
  EXPECT_EQ(run({"10 DIM T$:\"\""}), 81);
  EXPECT_EQ(run({"10 DIM T$:\"A:C(0)\""}), 41);
  EXPECT_EQ(run({"10 DIM T$:\"A:C(99999)\""}), 81);
  EXPECT_EQ(run({"10 DIM T$:\"A:I(2)\""}), 99);
  EXPECT_EQ(run({"10 DIM T$:100"}), 99);
  // a numeric field given text that is no number
  EXPECT_EQ(run({"10 DIM R$:IOLIST A", "20 R$=\"x|\""}), 43);
  // a field name too long for the record's name
  std::string longname = "10 DIM R$:IOLIST " + std::string(125, 'F');
  EXPECT_EQ(run({longname.c_str()}), 81);
}

TEST_F(RecordsTest, AFieldOfAPlainStringIsAnOrdinaryVariable) {
  EXPECT_EQ(run({"10 S$.X=4; S$=\"plain\"", "20 Y=S$.X", "30 END"}), 0);
  EXPECT_EQ(num("Y"), 4);
  EXPECT_EQ(str("S$"), "plain");
}

// ---- FOR forms ----

TEST_F(RecordsTest, ForOverAnArrayTakesTheFirstSubscripts) {
  EXPECT_EQ(run({"10 DIM A[-1:2,5]", "20 FOR I=A[ALL]; S=S+I; C=C+1; NEXT I", "30 END"}), 0);
  EXPECT_EQ(num("S"), 2);  // -1+0+1+2
  EXPECT_EQ(num("C"), 4);
  EXPECT_EQ(num("I"), 3);
  EXPECT_EQ(run({"10 FOR I=B[ALL]", "20 NEXT"}), 42);
}

TEST_F(RecordsTest, ForOverAStringTakesItsPieces) {
  EXPECT_EQ(run({"10 FOR W$=\"ab;;c;\"; L$=L$+\"<\"+W$+\">\"; NEXT W$", "20 FOR W$=\"\"; L$=\"never\"; NEXT",
                 "30 FOR W$=\"x\"; M$=M$+\"[\"+W$+\"]\"; NEXT", "40 END"}),
            0);
  EXPECT_EQ(str("L$"), "<ab><><c>");
  EXPECT_EQ(str("M$"), "[]");  // the last byte only ends the one piece
}

TEST_F(RecordsTest, ForOverAnAssociativeArrayTakesItsKeysInOrder) {
  EXPECT_EQ(run({"10 P[\"z\"]=1; P[\"a\"]=2; P[\"m\"]=3", "20 FOR K$=P[ALL]; L$=L$+K$; NEXT", "30 END"}), 0);
  EXPECT_EQ(str("L$"), "zam");
  EXPECT_EQ(run({"10 DIM Q[3]", "20 FOR K$=Q[ALL]", "30 NEXT"}), 42);
}

TEST_F(RecordsTest, ForLocalRestoresTheControlVariable) {
  EXPECT_EQ(run({"10 I=7; W$=\"w\"", "20 FOR LOCAL I=I TO I+2; S=S+I; NEXT", "30 A=I",
                 "40 FOR LOCAL I=1 TO 5; LOCAL Z; Z=1; BREAK; NEXT", "50 B=I",
                 "60 FOR LOCAL W$=\"p,q,\"; NEXT W$", "70 FOR LOCAL I=1 TO 9; POP; C=I", "80 END"}),
            0);
  EXPECT_EQ(num("S"), 24);  // 7+8+9: the values see the outer I
  EXPECT_EQ(num("A"), 7);
  EXPECT_EQ(num("B"), 7);
  EXPECT_EQ(str("W$"), "w");
  EXPECT_EQ(num("C"), 7);
  EXPECT_EQ(ws.Loc_chain, nullptr);
}

TEST_F(RecordsTest, NextOfAnotherVariableIsAnError) {
  EXPECT_EQ(run({"10 FOR W$=\"a,b,\"", "20 NEXT X$"}), 28);
}

}  // namespace

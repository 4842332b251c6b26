// Record (composite) variables and their fields, and the FOR forms over an
// array, a string and an associative array's keys, with FOR LOCAL.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "core/console_device.h"
#include "core/codes.h"
#include "core/compiler.h"
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
  // fields start with their fill bytes: blanks for text, "0" for numbers;
  // the "*" filler holds its width of blanks
  EXPECT_EQ(str("A$"), "          " "0000000" " " "|");
  // text is cut or padded to its width, numbers right-aligned
  EXPECT_EQ(str("B$"), "ABCDPen     -12.5 n|");
  EXPECT_EQ(str("T$.CODE$"), "WXYZ");
  EXPECT_EQ(str("T$.DESC$"), "Longer");
  EXPECT_EQ(num("T$.AMT"), 3.25);
  EXPECT_EQ(str("T$.NOTE$"), "last");
  EXPECT_EQ(num("L"), 6);
}

// I fields are big-endian two's complement, U fields big-endian unsigned,
// of 1 to 6 bytes; they hold the integer part and read back what they wrote.
TEST_F(RecordsTest, BinaryFieldsBothWays) {
  EXPECT_EQ(run({"10 DIM T$:\"ID:I(2),QTY:U(1),BIG:I(6),NAME:C(3)\"",
                 "20 T$.ID=-2; T$.QTY=200; T$.BIG=123456789012; T$.NAME$=\"ab\"", "30 X$=T$",
                 "40 T$.ID=2.7; T$.QTY=0; T$.BIG=-1; Y$=T$", "50 T$=X$", "60 END"}),
            0);
  EXPECT_EQ(str("X$"), std::string("\xFF\xFE\xC8\x00\x1C\xBE\x99\x1A\x14" "ab ", 12));
  EXPECT_EQ(str("Y$"), std::string("\x00\x02\x00\xFF\xFF\xFF\xFF\xFF\xFF" "ab ", 12));
  EXPECT_EQ(num("T$.ID"), -2);
  EXPECT_EQ(num("T$.QTY"), 200);
  EXPECT_EQ(num("T$.BIG"), 123456789012.0);
  EXPECT_EQ(str("T$.NAME$"), "ab ");
  // the same two bytes through U and I; a record ending inside a field reads
  // as if padded with zero bytes
  EXPECT_EQ(run({"10 DIM U$:\"A:U(2),B:I(2),C:I(2)\"", "20 U$=$FFFEFFFE80$", "30 END"}), 0);
  EXPECT_EQ(num("U$.A"), 65534);
  EXPECT_EQ(num("U$.B"), -2);
  EXPECT_EQ(num("U$.C"), -32768);
  EXPECT_EQ(run({"10 DIM U$:\"A:U(3),B:I(2)\"", "20 U$=$0102$", "30 END"}), 0);
  EXPECT_EQ(num("U$.A"), 0x010200);
  EXPECT_EQ(num("U$.B"), 0);
  // the edges of each width are written; one past them is error 41
  EXPECT_EQ(run({"10 DIM T$:\"A:I(1),B:U(1),C:U(6)\"", "20 T$.A=-128; T$.B=255; T$.C=1; X$=T$",
                 "30 T$.A=127; T$.B=0; Y$=T$", "40 END"}),
            0);
  EXPECT_EQ(str("X$"), std::string("\x80\xFF\x00\x00\x00\x00\x00\x01", 8));
  EXPECT_EQ(str("Y$"), std::string("\x7F\x00\x00\x00\x00\x00\x00\x01", 8));
  for (const char* bad : {"20 T$.A=128", "20 T$.A=-129", "20 T$.B=256", "20 T$.B=-1", "20 T$.C=-1"}) {
    EXPECT_EQ(run({"10 DIM T$:\"A:I(1),B:U(1),C:U(6)\"", "15 X$=\"kept\"", bad, "30 X$=T$", "40 END"}), 41)
        << bad;
    EXPECT_EQ(str("X$"), "kept") << bad;
  }
  // wider integer fields are no template
  EXPECT_EQ(run({"10 DIM U$:\"A:U(7)\""}), 81);
  EXPECT_EQ(run({"10 DIM U$:\"A:I(8)\""}), 81);
}

// A template's new record: fixed fields hold their fill bytes (N fields
// "0"), a separator-ended field only its separator until it gets a value;
// an empty template text removes the template.
TEST_F(RecordsTest, NewRecordFillsAndEmptyTemplate) {
  EXPECT_EQ(run({"10 DIM R$:\"B:N(4),E:N(*=44),C:C(2)\"", "20 X$=R$", "30 R$.B=12; R$.E=5; Y$=R$",
                 "40 R$.B=-3; R$=\"0007,xy\"; Z$=R$", "50 T$=\"\"; DIM R$:T$", "60 R$=\"plain\"; W$=R$", "70 END"}),
            0);
  EXPECT_EQ(str("X$"), "0000,  ");
  EXPECT_EQ(str("Y$"), "  125,  ");
  EXPECT_EQ(str("Z$"), "   7,xy");  // a value set is right-aligned
  EXPECT_EQ(str("W$"), "plain");
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
  EXPECT_EQ(run({"10 DIM T$:\"\""}), 0);  // no template
  EXPECT_EQ(run({"10 DIM T$:\"A:C(0)\""}), 81);
  EXPECT_EQ(run({"10 DIM T$:\"A:C(99999)\""}), 0);
  EXPECT_EQ(run({"10 DIM T$:\"A:C(100000001)\""}), 81);
  EXPECT_EQ(run({"10 DIM T$:\"A:I(*)\""}), 81);  // binary fields have no delimiter
  EXPECT_EQ(run({"10 DIM T$:\"A:U(*=44)\""}), 81);
  EXPECT_EQ(run({"10 DIM T$:\"A:I(9)\""}), 81);
  EXPECT_EQ(run({"10 DIM T$:\"A:U(0)\""}), 81);
  EXPECT_EQ(run({"10 DIM T$:100"}), 45);  // line 100 is no IOLIST line
  EXPECT_EQ(run({"10 DIM T$:20", "20 IOLIST A$,N:C(3)"}), 81);  // only plain variables
  EXPECT_EQ(run({"10 DIM T$:\"A[0]:C(2)\""}), 81);
  EXPECT_EQ(run({"10 DIM T$:\"A[2:C(2)\""}), 81);
  // a numeric field given text that is no number
  EXPECT_EQ(run({"10 DIM R$:IOLIST A", "20 R$=\"x|\""}), 43);
  // field names run up to 127 characters, whatever the record's name
  std::string longname = "10 DIM R$:IOLIST " + std::string(125, 'F');
  EXPECT_EQ(run({longname.c_str()}), 0);
  std::string too_long = "10 DIM R$:\"" + std::string(128, 'F') + ":N(1)\"";
  EXPECT_EQ(run({too_long.c_str()}), 81);
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

// Compiled forms of DEF, FN calls and the function arguments that are not
// plain expressions: each must compile, list, and compile again to the same
// bytes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/codes.h"
#include "core/compiler.h"
#include "core/lexicon.h"
#include "core/lister.h"
#include "core/workspace.h"
#include "compile_env.h"

namespace {

using DefFormsTest = Compile_env;

TEST_F(DefFormsTest, DefFnBytes) {
  // DEF, the name (its code is the type byte), "(" params ")", "=" expr
  EXPECT_EQ(compile("10 DEF FNA(X)=X"),
            bytes({0, 10, 156, 1, 1, 'A', 36, 1, 1, 'X', 38, 39, 1, 1, 'X', 255}));
  // LOCAL parameter (149 209) and a whole-array parameter ([ALL] 57)
  EXPECT_EQ(compile("10 DEF FNA(LOCAL X,B[ALL])"),
            bytes({0, 10, 156, 1, 1, 'A', 36, 149, 209, 1, 1, 'X', 37, 1, 1, 'B', 57, 38, 255}));
  // ERR= before ")" is compiled without its ","
  EXPECT_EQ(compile("X=NUM(A$,ERR=100)"),
            bytes({0, 0, 1, 1, 'X', 39, 108, 2, 2, 'A', '$', 136, 7, 0, 100, 38, 255}));
}

TEST_F(DefFormsTest, DefFnRoundTrips) {
  EXPECT_EQ(round_trip("10 DEF FNA(X)=X*2"), "0010 DEF FN A(X)=X*2");
  round_trip("10 DEF FNT$(A$,B)=A$+STR(B)");
  round_trip("10 DEF FN%G(X)=X+1");
  round_trip("10 DEF FNB(X,Y)");
  round_trip("10 DEF FNC");
  round_trip("10 DEF FNA(LOCAL X, B[ALL], LOCAL C$[ALL])=X");
  round_trip("10 PRINT FNA(3)+FNB+FNT$(\"x\",2)");
  round_trip("10 X=FNA(B[ALL])");
  round_trip("10 FNEND");
}

TEST_F(DefFormsTest, OtherDefFormsRoundTrip) {
  EXPECT_EQ(round_trip("10 DEF ERR=5"), "0010 DEF ERR=5");
  round_trip("10 DEF CTL=-3; DEF RET=300; DEF EOM=$0D$; DEF HWD=\"/tmp\"");
  round_trip("10 DEF UID=\"root\" LOCK; DEF GID=\"wheel\"");
  round_trip("10 DEF NID=\"n\"; DEF LFA=1; DEF LFO=2; DEF LPG=\"p\"");
  round_trip("10 DEF LCS(A$); DEF UCS(\"\"); DEF CVS(X$); DEF DTE(\"\"); DEF CHR(P$)");
  round_trip("10 DEF SEP(\",\"); DEF ARG(3)=\"x\"; DEF ARG(2)");
  round_trip("10 DEF MSG(5,\"text\"); DEF MSG(\"KEY\",DELETE)");
  round_trip("10 DEF OBJECT X; DEF CLASS \"a\"");
}

TEST_F(DefFormsTest, BadDefFormsDoNotCompile) {
  compile("10 DEF ERR", 20);
  compile("10 DEF LCS(A$", 20);
  compile("10 DEF FNA(X", 20);
  compile("10 DEF FNA(1)=2", 20);
  compile("10 DEF 5", 20);
}

TEST_F(DefFormsTest, FunctionArgumentFormsRoundTrip) {
  EXPECT_EQ(round_trip("10 PRINT CHR(/),CVS(/),NUM(A$,/)"), "0010 PRINT CHR(/),CVS(/),NUM(A$,/)");
  round_trip("10 X$=STP(A$,3,/\" .\")");
  round_trip("10 X$=KGN(A$,B$,1,SEP=\",\")");
  round_trip("10 X$=TBL(A$,TBL=100)");
  round_trip("10 X$=XML(ADD V$,D$,KEY=\"t\",OPT=\"a\")");
  round_trip("10 X$=XML(NEXT D$,IND=I,KEY=K$,OPT=O$)");
  round_trip("10 X$=XML(PROPERTY ADD V$,D$,KEY=\"t\")");
  round_trip("10 X$=DTE(/)+DTE(0,/:\"%Y\")+DTE(:\"%Y\")+DTE(5,12.5:M$)+DTE()");
  EXPECT_EQ(round_trip("10 X=NUM(A$,ERR=100)+STR(1:\"##\",ERR=200)"),
            "0010 X=NUM(A$,ERR=100)+STR(1: \"##\",ERR=200)");
}

TEST_F(DefFormsTest, OptionWordsStayOutsideFunctions) {
  // outside a function's arguments "ERR=5" is still the variable and "="
  EXPECT_EQ(compile("10 IF ERR=5 THEN X=1")[3], 19);
  // inside an I/O statement the option words keep working after a function
  round_trip("10 OPEN (1,ERR=100)\"FILE\"");
}

}  // namespace

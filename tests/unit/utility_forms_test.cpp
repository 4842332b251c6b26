// Source forms of the utility directives and of the functions with
// argument forms of their own: each compiles, lists, and compiles back to
// the same bytes; the forms that must not compile do not.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "compile_env.h"
#include "core/codes.h"

namespace {

using UtilityFormsTest = Compile_env;

TEST_F(UtilityFormsTest, DirectivesRoundTrip) {
  round_trip("10 TRACE; TRACE (3); TRACE (3,ERR=100); TRACE PRINT \"x\"+A$; TRACE \"to the log\"; ENDT");
  round_trip("10 TRACE CLOSE; TRACE START 5");
  round_trip("10 CWD \"/tmp\"; CWD D$,ERR=20; LFRM; SFRM; ALCK ON; ALCK OFF; RNDZ 5*X; SNBF 0");
  round_trip("10 PREFIX \"a b\"; PREFIX (1)\"x\",PROGRAM \"y\",(2); PREFIX; PREFIX FILE \"pf\"");
  round_trip("10 PREFIX DIRECTORY \"V\",\"/tmp\"; PREFIX (\"C\")P$");
  round_trip("10 TRANSLATE A$,\"xyz\",\"A\"; TRANSLATE B$[2](1,3),T$; TRANSLATE FROM A$,B$");
  round_trip("10 ERRH READ E$; ERRH \"prog\"; ERRH; SFID (1)\"id\"");
  round_trip("10 DISABLE \"C\"; ENABLE 3,\"?\"; DISABLE EVENT 5; ENABLE OBJECT 7");
  round_trip("10 SDEV TSK(\"a\",B$); SDEV (1)PROGRAM \"p\"; SDEV (1)SEP \",\"; SDEV (1)KNO=1,\"K\"");
  round_trip("10 SDEV (1)IOLIST 100; SDEV (1)\"T1\"; SDEV (1)TSM");
  round_trip("10 SDRV \"C\"; SDRV 1,ERR=100; DPRT (1)80,24; LNSW; LNSW 5; LNSW \"x\",ERR=10");
  round_trip("10 CLEAR EXCEPT A$[ALL],B,C$; CLEAR A,B$");
}

TEST_F(UtilityFormsTest, FunctionFormsRoundTrip) {
  round_trip("10 X$=ARG(EDIT A$,2,\"x\",\";\")+ARG(1)+ARG(A$,2)");
  round_trip("10 Y$=MSG(=\"a %1\",B$)+MSG(-)+MSG(-:3)+MSG(/)+MSG(20)+MSG(\"K\",\"a\")");
  round_trip("10 P$=PTH(/DICT)+PTH(5)+PTH(\"name\")");
  round_trip("10 S$=STK(OBJECT)+STK(0)");
  round_trip("10 G$=GBL(LIST)+GBL(DELETE)+GBL(DELETE,\"a\")+GBL(\"a\",\"b\")");
  round_trip("10 C$=CHG(READ \"A,B$\")+CHG(\"A\"); N=CHG(0)");
  round_trip("10 N=LNO(100)+LNO(FOO)+EVN(\"1\",0)+XEQ(\"A=1\",ERR=20)");
  round_trip("10 T$=TSK(/)+TSK(1); N=MEM(A,0)+TMR(1)+TCB(5)+RND(-7)+SCLL(5,0)");
  // A line number where a line reference is read is kept as one.
  std::vector<uint8_t> b = compile("10 N=LNO(100)");
  EXPECT_EQ(b, bytes({0, 10, 1, 1, 'N', 39, 72, 177, 7, 0, 100, 38, 255}));
  // EXCEPT is its own code; CLEAR EXCEPT needs a variable.
  EXPECT_EQ(compile("CLEAR EXCEPT A"), bytes({0, 0, 153, 62, 1, 1, 'A', 255}));
}

TEST_F(UtilityFormsTest, BadFormsDoNotCompile) {
  compile("10 X$=PTH(/)", 20);
  compile("10 X$=PTH(/5)", 20);
  compile("10 ALCK", 20);
  compile("10 CLEAR EXCEPT", 20);
  compile("10 DISABLE FROM 1", 20);
  compile("10 TRANSLATE OBJECT A$", 20);
  compile("10 SDEV (1,KEY=1)\"x\"", 20);
  compile("10 DPRT (1)80", 20);
}

// Expression mode (EVS(, EVN(): no line number is read, no statement.
TEST(ExpressionCompile, TextIsOneExpression) {
  ws.Lib_dir = ORU_TEST_LIBDIR;
  ASSERT_EQ(Load_lex(ORU_TEST_LIBDIR "/lextbl.en"), 0);
  std::vector<uint8_t> out;
  std::string src = "100+A";
  ASSERT_EQ(Compile_expression(reinterpret_cast<const uint8_t*>(src.data()), src.size(), out), 0);
  EXPECT_EQ(out, bytes({0, 0, 11, 0, 100, 45, 1, 1, 'A', 255}));
  src = "A=1";  // a comparison, not an assignment
  ASSERT_EQ(Compile_expression(reinterpret_cast<const uint8_t*>(src.data()), src.size(), out), 0);
  EXPECT_EQ(out, bytes({0, 0, 1, 1, 'A', 39, 11, 0, 1, 255}));
  for (std::string bad : {"PRINT 1", "A; B", "1,2", "", "(1"}) {
    EXPECT_EQ(Compile_expression(reinterpret_cast<const uint8_t*>(bad.data()), bad.size(), out), 20) << bad;
  }
}

}  // namespace

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

using CompilerTest = Compile_env;

TEST_F(CompilerTest, NumberLiteralForms) {
  // 5: small integer with a u16
  EXPECT_EQ(compile("10 X=5"), bytes({0, 10, 1, 1, 'X', 39, 11, 0, 5, 255}));
  // 1.5: code 3, scale 1, mantissa 15
  EXPECT_EQ(compile("10 X=1.5"), bytes({0, 10, 1, 1, 'X', 39, 3, 1, 0, 0, 0, 0, 0, 15, 255}));
  // 1E3: code 4, scale -3, mantissa 1
  EXPECT_EQ(compile("10 X=1E3"), bytes({0, 10, 1, 1, 'X', 39, 4, 0xFD, 0, 0, 0, 0, 0, 1, 255}));
  // past 65535 an integer is a full literal
  EXPECT_EQ(compile("X=65536"), bytes({0, 0, 1, 1, 'X', 39, 3, 0, 0, 0, 0, 1, 0, 0, 255}));
}

TEST_F(CompilerTest, ZeroLiteralsKeepTheirScaleAndExponent) {
  // 0.0 and .0: code 3, scale 1, mantissa 0, as 100.0 keeps its scale
  EXPECT_EQ(compile("10 X=0.0"), bytes({0, 10, 1, 1, 'X', 39, 3, 1, 0, 0, 0, 0, 0, 0, 255}));
  EXPECT_EQ(compile("10 X=.0"), bytes({0, 10, 1, 1, 'X', 39, 3, 1, 0, 0, 0, 0, 0, 0, 255}));
  // 0E5: code 4, scale -5
  EXPECT_EQ(compile("10 X=0E5"), bytes({0, 10, 1, 1, 'X', 39, 4, 0xFB, 0, 0, 0, 0, 0, 0, 255}));
  // each lists back in a form that compiles to the same bytes
  EXPECT_EQ(round_trip("X=0.0; Y=.0; Z=0E5"), "X=.0; Y=.0; Z=.0E+06");
  EXPECT_EQ(round_trip("X=0.000; Y=0.00E-2; Z=0E-120; W=0E126"), "X=.000; Y=.0E-03; Z=.0E-119; W=.0E+127");
  EXPECT_EQ(round_trip("X=0"), "X=0");
  // a code-3 zero without fraction digits (a loaded image may hold one)
  // lists as 0, never as a row of zeros
  EXPECT_EQ(list(bytes({0, 10, 1, 1, 'X', 39, 3, 0xFE, 0, 0, 0, 0, 0, 0, 255})), "0010 X=0");
  EXPECT_EQ(list(bytes({0, 10, 1, 1, 'X', 39, 3, 0, 0, 0, 0, 0, 0, 0, 255})), "0010 X=0");
}

TEST_F(CompilerTest, LongNumbersKeepFifteenDigits) {
  // digits past the 48-bit mantissa lower the scale (integer part) or are dropped
  auto out = compile("X=123456789012345678");
  ASSERT_EQ(out[6], 3);
  EXPECT_EQ(int8_t(out[7]), -3);
  EXPECT_EQ(get_u48be(&out[8]), 123456789012345ULL);
  EXPECT_EQ(list(out), "X=123456789012345000");
  // fraction digits past the mantissa are dropped
  out = compile("X=1.23456789012345678");
  EXPECT_EQ(int8_t(out[7]), 14);
  EXPECT_EQ(get_u48be(&out[8]), 123456789012345ULL);
}

TEST_F(CompilerTest, LineNumberLimits) {
  EXPECT_EQ(compile("64999 END"), bytes({0xFD, 0xE7, 166, 255}));
  EXPECT_EQ(compile("65000 END", 21), bytes({0, 0, 255}));
  EXPECT_EQ(compile("999999 END", 21), bytes({0, 0, 255}));
  EXPECT_EQ(compile("10"), bytes({0, 10, 255}));
  EXPECT_EQ(compile("10 GOTO 65001", 21)[2], 0);
}

TEST_F(CompilerTest, FailedLineKeepsItsSource) {
  auto out = compile("20 PRINT (1", 20);
  std::string src = "PRINT (1";
  std::vector<uint8_t> want = {0, 20, 0};
  want.insert(want.end(), src.begin(), src.end());
  want.push_back(255);
  EXPECT_EQ(out, want);
  EXPECT_EQ(list(out), "0020 PRINT (1");
}

TEST_F(CompilerTest, StringsAndHex) {
  EXPECT_EQ(compile("PRINT \"a\"\"b\""), bytes({0, 0, 199, 5, 0, 3, 'a', '"', 'b', 255}));
  EXPECT_EQ(compile("PRINT $0D0A$"), bytes({0, 0, 199, 6, 0, 2, 13, 10, 255}));
  compile("PRINT $0D0$", 75);
  compile("PRINT $0G$", 75);
  // an unterminated string closes at the end of a console line only
  EXPECT_EQ(compile("PRINT \"ab"), bytes({0, 0, 199, 5, 0, 2, 'a', 'b', 255}));
  ws.Con_flags = 0;
  compile("PRINT \"ab", 20);
}

TEST_F(CompilerTest, KeywordFollowedByLetterIsAName) {
  auto out = compile("PRINTX=1");
  EXPECT_EQ(out, bytes({0, 0, 1, 6, 'P', 'R', 'I', 'N', 'T', 'X', 39, 11, 0, 1, 255}));
}

TEST_F(CompilerTest, NamesAreUpperCased) {
  EXPECT_EQ(compile("a$=\"x\""), bytes({0, 0, 2, 2, 'A', '$', 39, 5, 0, 1, 'x', 255}));
  EXPECT_EQ(compile("%g=1")[4], '%');
}

TEST_F(CompilerTest, GotoAndLabels) {
  EXPECT_EQ(compile("10 GOTO 20"), bytes({0, 10, 180, 7, 0, 20, 255}));
  EXPECT_EQ(compile("10 GOTO done"), bytes({0, 10, 180, 10, 4, 'D', 'O', 'N', 'E', 255}));
  EXPECT_EQ(compile("10 top: PRINT 1"), bytes({0, 10, 10, 3, 'T', 'O', 'P', 58, 199, 11, 0, 1, 255}));
}

// The compiled bytes of a representative line of each statement form.
TEST_F(CompilerTest, StatementForms) {
  struct Case {
    const char* src;
    std::vector<uint8_t> want;
  } cases[] = {
      // THEN without a block is dropped; THEN { keeps 66 and the opener
      {"IF X THEN PRINT", bytes({0, 0, 181, 1, 1, 'X', 199, 255})},
      {"IF X THEN { END } ELSE { STOP }",
       bytes({0, 0, 181, 1, 1, 'X', 66, 55, 166, 56, 165, 55, 224, 56, 255})},
      {"IF X PRINT 1 ELSE PRINT 2", bytes({0, 0, 181, 1, 1, 'X', 199, 11, 0, 1, 165, 199, 11, 0, 2, 255})},
      {"FOR I=1 TO 9 STEP 2", bytes({0, 0, 178, 1, 1, 'I', 39, 11, 0, 1, 59, 11, 0, 9, 60, 11, 0, 2, 255})},
      {"NEXT I", bytes({0, 0, 194, 1, 1, 'I', 255})},
      {"PRINT A,", bytes({0, 0, 199, 1, 1, 'A', 37, 255})},
      {"ON X GOSUB 10,20", bytes({0, 0, 195, 1, 1, 'X', 179, 7, 0, 10, 37, 7, 0, 20, 255})},
      {"GOSUB 10; RETURN", bytes({0, 0, 179, 7, 0, 10, 64, 214, 255})},
      {"REM  hi there", bytes({0, 0, 206, 'h', 'i', ' ', 't', 'h', 'e', 'r', 'e', 255})},
      {"LIST 10,", bytes({0, 0, 189, 7, 0, 10, 37, 255})},
      {"SETERR 65002", bytes({0, 0, 219, 7, 0xFD, 0xEA, 255})},
      {"X++", bytes({0, 0, 1, 1, 'X', 35, 70, 255})},
      {"--X", bytes({0, 0, 35, 71, 1, 1, 'X', 255})},
      {"X=-1", bytes({0, 0, 1, 1, 'X', 39, 46, 11, 0, 1, 255})},
      {"A$=B$(2)", bytes({0, 0, 2, 2, 'A', '$', 39, 2, 2, 'B', '$', 36, 11, 0, 2, 38, 255})},
      {"A[1,2]=3", bytes({0, 0, 1, 1, 'A', 53, 11, 0, 1, 37, 11, 0, 2, 54, 39, 11, 0, 3, 255})},
      {"> 20", bytes({0, 0, 43, 7, 0, 20, 255})},
  };
  for (const Case& c : cases) EXPECT_EQ(compile(c.src), c.want) << c.src;
}

TEST_F(CompilerTest, BadInputIsAnError) {
  compile("PRINT 1+", 20);
  compile("PRINT #", 20);
  compile("X=", 20);
  compile("X=1 2", 20);
  compile("PRINT 'AB", 0);
  compile("PRINT 'A", 29);
}

// A compiled line may be up to 30,000 bytes whatever text spelt it: a line
// whose listing is shorter than its source (numbers lose their leading
// zeros) must still compile back, and only a line too long for the full
// buffer is error 19.
TEST_F(CompilerTest, CompiledLengthLimitDoesNotDependOnTheSpelling) {
  std::string padded = "X=0";
  for (int i = 0; i < 480; ++i) padded += "+000.03";
  std::vector<uint8_t> out;
  ASSERT_EQ(Compile_text(padded, out), 0);
  ASSERT_GT(out.size(), 4128u);  // more than the buffer of a short line
  std::string text = Decompile_text(out.data(), out.size());
  ASSERT_LT(text.size(), 2048u);
  std::vector<uint8_t> again;
  ASSERT_EQ(Compile_text(text, again), 0);
  EXPECT_EQ(again, out);

  std::string huge = "X=0";
  while (huge.size() < 24000) huge += "+.3";
  EXPECT_EQ(Compile_text(huge, out), 19);
}

// Every statement form the grammar covers lists back as its source and
// compiles again to the same bytes.
TEST_F(CompilerTest, CompileListRoundTrips) {
  const char* lines[] = {
      "0010 X=1",
      "0010 LET X=1,Y$=\"A\"",
      "0010 VIA N$=1,K$[2]=\"q\",S$(1,2)=X*2",
      "0010 SAVE CONTROL 4 X+ =D,Y^ =E,A MOD =B,A< =B",
      "0010 SAVE CONTROL 4 0 IND (D40)",
      "0010 SAVE CONTROL 1 A ERR =D",
      "0010 READ (1)A,ERR =2,X$",
      "0010 X=NUM(A$,ERR =5)+(ERR =2)",
      "0010 X=DIM(ASSOC A$,K$+\"x\")+DIM(ASSOC B,\"k\")",
      "0010 A$(2,3)=\"xy\"",
      "0010 X=-Y*(2+Z)^2 MOD 7",
      "0010 PRINT A,B$,",
      "0010 PRINT",
      "0010 PRINT 1.5,.25,100,1.50",
      "0010 PRINT .1E+04",
      "0010 PRINT A$+B$(1,2)",
      "0010 PRINT X=1 AND Y<>2 OR Z<=3",
      "0010 PRINT A$ LIKE \"A*\"",
      "0010 PRINT 'CS',$0D0A$",
      "0010 IF X>1 THEN PRINT 1 ELSE PRINT 2",
      "0010 IF X THEN { PRINT 1; PRINT 2 } ELSE { PRINT 3 }",
      "0010 IF X THEN {",
      "0020 }",
      "0020 } ELSE {",
      "0010 FOR I=1 TO 10 STEP 2",
      "0010 FOR N",
      "0010 NEXT I",
      "0010 NEXT",
      "0010 WHILE X<10",
      "0010 GOSUB 100; RETURN",
      "0010 ON X GOTO 100,200,300",
      "0010 ON X GOSUB 100,LOOP",
      "0010 LOOP: X++",
      "0010 ++X",
      "0010 REM a remark ; with everything",
      "0010 REM",
      "0010 PRINT 1; REM trailing",
      "0010 RUN",
      "0010 RUN 100",
      "0010 END",
      "0010 STOP",
      "0010 LIST",
      "0010 LIST 100,200",
      "0010 LIST ,200",
      "0010 LIST EDIT 10",
      "0010 DELETE 10,20",
      "0010 RENUMBER 100,10",
      "0010 RENUMBER 100,10,50,60",
      "0010 AUTO 100,5",
      "0010 EDIT 10,C \"X\",\"Y\"",
      "0010 SETERR 65001",
      "0010 SETERR ERRS",
      "0010 EXITTO 50",
      "0010 END IF",
      "0010 SWITCH X",
      "0010 CASE 1,2,>5",
      "0010 END SWITCH",
      "0010 PRECISION 4",
      "0010 UNTIL X>3",
      "12345 PRINT 1",
      "0010 IF ERR=5 THEN PRINT TIM",
      "0010 OPEN (1,ERR=100)\"FILE\"",
      "0010 INVOKE \"ls\"",
      "0010 INVOKE WAIT \"ls\",ERR=100",
  };
  for (const char* src : lines) {
    auto out = compile(src);
    ASSERT_EQ(out[2] == 0, false) << src;
    EXPECT_EQ(list(out), src);
    EXPECT_EQ(compile(list(out)), out) << src;
  }
}

}  // namespace

namespace {

TEST_F(CompilerTest, CompoundAssignmentForms) {
  // target, 65, the operator code, the right side
  EXPECT_EQ(compile("X+=1"), bytes({0, 0, 1, 1, 'X', 65, 45, 11, 0, 1, 255}));
  EXPECT_EQ(compile("S$*=2"), bytes({0, 0, 2, 2, 'S', '$', 65, 47, 11, 0, 2, 255}));
  // the remainder is "MOD="; a name followed by "%" is always the integer
  // variable, so "X%=3" assigns the integer variable as "X% = 3" does
  EXPECT_EQ(compile("X MOD=3"), bytes({0, 0, 1, 1, 'X', 65, 50, 11, 0, 3, 255}));
  EXPECT_EQ(compile("X%=3"), bytes({0, 0, 1, 2, 'X', '%', 39, 11, 0, 3, 255}));
  EXPECT_EQ(compile("X% =3"), compile("X%=3"));
  EXPECT_EQ(compile("X%  MOD=3"), bytes({0, 0, 1, 2, 'X', '%', 65, 50, 11, 0, 3, 255}));
  EXPECT_EQ(compile("x mod=3"), compile("X MOD=3"));
  EXPECT_EQ(compile("IF X%=3 THEN END"), compile("IF X% =3 THEN END"));
  EXPECT_EQ(compile("FOR I%=1 TO 2"), compile("FOR I% =1 TO 2"));
  for (const char* src : {"X+=1", "X-=Y*2", "X*=-1", "X/=3", "X^=2", "X MOD=7", "X% MOD=7", "X%=7", "X%+=1",
                          "A[I,J]^=2", "LET A[ALL]+=1", "LET B$[ALL]+=\"x\"", "S$+=\"a\"+T$", "S$*=N",
                          "S$(2,3)+=\"q\"", "R$.F$+=\"q\"", "R$.N%=2", "LET A=1,B+=2,C$*=3",
                          "A%[1] MOD=2", "IF X THEN Y-=1 ELSE Y MOD=1", "LET A MOD=2,B%=1"})
    EXPECT_EQ(round_trip(src), src);
  // listed with one blank before MOD=, whatever was typed
  EXPECT_EQ(round_trip("X   MOD=7"), "X MOD=7");
  // a string takes only "+=" and "*="
  compile("S$-=\"x\"", 20);
  compile("S$/=2", 20);
  compile("A$[1] MOD=2", 20);
  // "%=" is no operator, and a compound operator holds no blank
  compile("X%%=3", 20);
  compile("X MOD =3", 20);
  compile("X- =1", 20);
  compile("ELSE X- =1", 20);
  compile("ELSE A$+ =\"x\"", 20);
  compile("IF 1 THEN Z=1 ELSE X- =1", 20);
  compile("X+=", 20);
  compile("PRINT X+=1", 20);
}

TEST_F(CompilerTest, StarredTargetsStandWhereALineMay) {
  // "*" (47) and the keyword's codes
  EXPECT_EQ(compile("GOTO *BREAK"), bytes({0, 0, 180, 47, 149, 206, 255}));
  EXPECT_EQ(compile("GOTO *same"), bytes({0, 0, 180, 47, 251, 120, 255}));
  EXPECT_EQ(compile("GOTO *NEXTLINE"), bytes({0, 0, 180, 47, 251, 121, 255}));
  EXPECT_EQ(compile("GOSUB *RETURN"), bytes({0, 0, 179, 47, 214, 255}));
  for (const char* src : {"GOTO *CONTINUE", "GOTO *RETRY", "GOTO *STOP", "GOTO *NEXT", "GOTO *END",
                          "READ (1,END=*BREAK,ERR=*NEXT)A$", "OPEN (1,ERR=*NEXT)\"f\"",
                          "READ (1,KEY=K$,DOM=*SAME)A$", "X=NUM(A$,ERR=*RETURN)", "ON X GOTO 10,*END,*STOP"})
    EXPECT_EQ(round_trip(src), src);
  compile("GOTO *NOWHERE", 20);
  compile("GOTO *NEXT LINE", 20);
  compile("GOTO *", 20);
  compile("PRINT 2*END", 20);
}

TEST_F(CompilerTest, RangeTargetsListTightAndGetALet) {
  // name, "{", ranges ("a", "a:b" or "/") separated by ",", "}"
  EXPECT_EQ(compile("LET A{1:2}=0"),
            bytes({0, 0, 187, 1, 1, 'A', 55, 11, 0, 1, 58, 11, 0, 2, 56, 39, 11, 0, 0, 255}));
  EXPECT_EQ(compile("A{1:2}=0"), compile("LET A{1:2}=0"));
  for (const char* src : {"LET A{1:3}=7", "LET B{/,2}=5", "LET D{3:0}=C{0:3}", "LET S${1:2}+=\"y\"",
                          "LET F{1:2,1:3,I}=N++", "PRINT A{1:2}"})
    EXPECT_EQ(round_trip(src), src);
  compile("A{1:2=0", 20);
}

TEST_F(CompilerTest, WithReadersAreNumericNamesBeginningWithAPeriod) {
  // a numeric variable item whose name keeps its "."
  EXPECT_EQ(compile("PRINT .X"), bytes({0, 0, 199, 1, 2, '.', 'X', 255}));
  EXPECT_EQ(compile("print .x"), compile("PRINT .X"));
  EXPECT_EQ(compile(".A=1"), bytes({0, 0, 1, 2, '.', 'A', 39, 11, 0, 1, 255}));
  for (const char* src : {"PRINT .X,.Y*2", "PRINT .A.B+1", "X=.V", "IF .V=1 THEN PRINT ._ID", "WITH .V+1",
                          "PRINT .5+.V", "LET .X=3", "FOR I=.LO TO .HI"})
    EXPECT_EQ(round_trip(src), src);
  // never a string, an integer or global variable, or a line reference
  compile("PRINT .X$", 20);
  compile("PRINT .X%", 20);
  compile("PRINT %.X", 20);
  compile("GOTO .X", 20);
  compile("PRINT .", 20);
  compile("PRINT .$", 20);
}

// The two-word directive names of the thin client's list compile, list back
// as typed and compile again to the same bytes; USER_LEX is ULEX.
TEST_F(CompilerTest, TwoWordDirectiveNamesListBack) {
  for (const char* src :
       {"CREATE TABLE \"t\",10,20", "DEF MSG(\"K\",\"text\")", "PROCESS SERVER \"s\"=\"[tcp]h;1\"",
        "PROCESS SERVER \"s\"=DELETE", "SAVE CONTROL 101", "ENABLE CONTROL 101,102", "DISABLE CONTROL 101",
        "READ RECORD (1,KEY=K$)A$", "WRITE RECORD (1)A$", "FIND RECORD (1,KEY=K$)A$", "EXTRACT RECORD (1,KEY=K$)A$",
        "ADD SERVER \"Text%Value'Items\"", "DROP SERVER \"Text\",\"Value%Items\"", "DROP SERVER ON \"WR%Text\"",
        "ULEX LOAD \"x\"", "SAVE DATA \"d\"", "SAVE FILE (0) TO \"f\""})
    EXPECT_EQ(round_trip(src), src);
  EXPECT_EQ(compile("USER_LEX LOAD \"x\""), compile("ULEX LOAD \"x\""));
  EXPECT_EQ(compile("enable   control 7"), compile("ENABLE CONTROL 7"));
  round_trip("DISABLE CONTROL 7:2");  // lists as "7: 2", the same bytes
  // The server form of PROCESS has its "=": a plain call is no server.
  compile("PROCESS SERVER \"s\"", 20);
  compile("PROCESS SERVER \"s\",1", 20);
  compile("SAVE CONTROL", 0);
  // DEF with a function form takes only the forms that run.
  compile("DEF MSG(\"K\")=\"text\"", 20);
  compile("DEF MSG(99)", 20);
  compile("DEF LCS(\"a\",\"b\")", 20);
  compile("DEF LEN(\"a\")", 20);
  compile("DEF ARG(1)=\"x\"", 0);
  compile("DEF MSG(99,DELETE)", 0);
}

}  // namespace

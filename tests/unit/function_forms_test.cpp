// Every form of the value functions and system variables that the compiler
// accepts must also run: each case is stored as a program line, listed back
// (the listing compiles to the same bytes) and run with valid operands.  An
// "Internal code error" (49) after compiling is always a fault; a form whose
// subsystem is not built yet must say so (99), never fail with 49.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "compile_env.h"
#include "console_env.h"
#include "core/compiler.h"
#include "core/lister.h"

namespace {

struct Form {
  const char* stmt;  // one statement with the form in it
  int err = 0;       // the error it must stop with (0: none)
};

// Operands used below: S$="abc", N=3, U$ holds "aé" (3 bytes), A[] a
// numeric array, R$ a record with a fixed-length field.
const char* kSetup =
    "S$=\"abc\"; N=3; U$=\"a\"+$C3A9$; DIM A[3]; A[ALL]=2; DIM R$:\"NAME:C(5),AMT:N(*)\"";

const Form kForms[] = {
    // numeric functions
    {"V=ABS(-N)"}, {"V=SGN(-N)"}, {"V=INT(2.7)"}, {"V=PRC(2.345)"}, {"V=PRC(2.345,1)"},
    {"V=FPT(2.25)"}, {"V=MOD(7,N)"}, {"V=EPT(123.4)"}, {"V=EXP(2)"}, {"V=LOG(100)"},
    {"V=SQR(16)"}, {"V=SIN(1)"}, {"V=COS(1)"}, {"V=TAN(1)"}, {"V=ATN(1)"}, {"V=ASN(.5)"},
    {"V=ACS(.5)"}, {"V=BSZ(1)"}, {"V=HSA(1)"}, {"V=SSZ(1)"}, {"V=MAX(1,N,2)"},
    {"V$=MAX(\"b\",\"ab\")"}, {"V=MIN(1,N)"}, {"V=CSE(N,1,3,5)"}, {"V=CSE(S$,\"x\",\"abc\")"},
    {"V=NUL(\"  \")"}, {"V=NOT(0)"}, {"V$=NOT(S$)"}, {"V=AND(6,3)"}, {"V$=AND(S$,\"ccc\")"},
    {"V=IOR(6,3)"}, {"V$=IOR(S$,S$)"}, {"V=XOR(6,3)"}, {"V$=XOR(S$,S$)"}, {"V=ASC(S$)"},
    {"V=LEN(S$)"}, {"V=LEN(U$,OPT=\"U\")"}, {"V=LEN(U$,OPT=\"B\")"},
    // string functions
    {"V$=CHR(65)"}, {"V$=CHR(/)"}, {"V$=LCS(\"AB\")"}, {"V$=UCS(S$)"}, {"V$=UCS(U$,OPT=\"U\")"},
    {"V$=LCS(U$,OPT=\"b\")"}, {"V$=LCS(/)"}, {"V$=UCS(/)"}, {"V$=HTA(S$)"}, {"V$=ATH(\"4142\")"},
    {"V$=BIN(N,2)"}, {"V=DEC($0102$)"}, {"V$=STR(N)"}, {"V$=STR(N:\"##0.00\")"},
    {"V$=STR(S$:\"XX-X\")"}, {"V$=STR(N:\"\",\"fallback\")"}, {"V=NUM(\"12\")"},
    {"V=NUM(\"x\",5)"}, {"V=NUM(\"x\",/)"}, {"V$=MID(S$,2)"}, {"V$=MID(S$,2,1)"},
    {"V$=MID(U$,2,1,OPT=\"U\")"}, {"V$=MID(S$,-2,1)"}, {"V=POS(\"b\"=S$)"}, {"V=POS(\"b\":S$)"},
    {"V=POS(\"b\"^S$)"}, {"V=POS(\"b\"<>S$,1,0)"}, {"V=POS(\"b\">=S$,-1)"},
    {"V=POS(\"b\"<S$,1,2)"}, {"V=POS(\"b\">S$)"}, {"V=POS(\"b\"<=S$)"},
    {"V=POS($A9$=U$,1,0,OPT=\"U\")"}, {"V=POS(SEP=S$+SEP)"}, {"V=LEN(S$,KEY=1)", 20}, {"V$=PAD(S$,5)"}, {"V$=PAD(S$,5,0)"},
    {"V$=PAD(S$,5,\"C\")"}, {"V$=PAD(S$,5,1,\"*\")"}, {"V$=PAD(S$,5,\"*\")"}, {"V$=JST(S$,5,\"R\")"},
    {"V$=STP(\" a \")"}, {"V$=STP(\" a \",2)"}, {"V$=STP(\"xax\",\"B\",\"x\")"},
    {"V$=STP(\"xyax\",3,/\"xy\")"}, {"V$=STP(\"12-34\":\"00-00\")"}, {"V$=SUB(S$,\"b\",\"B\")"},
    {"V$=SUB(S$,\"b\",\"B\",1)"}, {"V$=SUB(S$,\"b\",\"B\",-1)"}, {"V=TBL(1,10,20,30)"},
    {"V$=TBL(S$,$03414243$)"}, {"V$=TBL(S$,\"ab\",\"AB\")"}, {"V$=TRX(\"AB\")"}, {"V$=LOC(1)"},
    {"V$=LOC(1,2)"}, {"V$=DIM(N)"}, {"V$=DIM(N,\"ab\")"}, {"V$=DIM(N,\"\")"},
    {"V=DIM(READ NUM(A))"}, {"V=DIM(READ MAX(A,1))"}, {"V=DIM(READ MIN(A[ALL]))"},
    {"V=DIM(FIND A[ALL]=2)"}, {"V=DIM(FIND A[ALL]<>2,0)"}, {"V=DIM(FIND A[ALL]>=2,-1,END=20)"},
    {"V=DIM(FIND A{1:2}<=2,END=20)"}, {"V=DIM(FIND A{/}>1)"}, {"V=DIM(FIND A{0,/}<3,1)"},
    {"V=DIM(FIND MAX(A[ALL]))"}, {"V=DIM(FIND MIN(A{1:3}),END=20)"}, {"V=DIM(ADD A[ALL])"},
    {"V=DIM(FIND A[ALL]=9)", 11}, {"V=DIM(FIND A[ALL]=\"x\")", 26}, {"V=DIM(READ NUM(A,4))", 41},
    {"V$=XFA(R$,\"NAME\")"},
    // encodings, checksums and hashes
    {"V$=CRC(S$)"}, {"V$=CRC(S$,$0001$)"}, {"V$=HSH(S$)"}, {"V$=HSH(S$,$0001$)"},
    {"V$=HSH(S$,0)"}, {"V$=HSH(S$,$0102$,0)"}, {"V$=LRC(S$)"}, {"V$=GAP(S$)"}, {"V$=GEP(S$)"},
    {"V$=RDX(TRX(\"AB\"))"}, {"V$=PCK(1234)"}, {"V$=PCK(-12,2)"}, {"V=UPK(PCK(1234))"},
    {"V$=I3E(1.5)"}, {"V=I3E(I3E(1.5))"}, {"V$=SWP(\"abcd\")"}, {"V$=SWP(\"abcd\",1)"},
    {"V$=SWP(\"abcd\",$02$)"}, {"V$=UCP(CMP(S$))"}, {"V$=KGN(\"abcdef\",$01000203FF000000$,1)"},
    {"V$=KGN(\"abcdef\",$01000203FF000000$,1,SEP=\",\")"},
    // pattern matching and sorting
    {"V=MSK(S$,\"b+\")"}, {"V=MSK(S$)"}, {"V$=SRT(\"c\"+SEP+\"a\"+SEP)"}, {"V$=SRT(\"c;a;b;\",\";\")"},
    {"V$=SRT(\"ccaabb\",2)"},
    // text conversion and XML strings
    {"V$=CVS(\"  ab  \",3)"}, {"V$=CVS(\"  ab  cd \",35)"}, {"V$=CVS(\"xxabxx\",3:\"x\")"},
    {"V$=CVS(\"ab\",4,8,256)"}, {"V$=CVS(\"ab\",4:\"x\",1)"}, {"V$=CVS(U$,4,OPT=\"U\")"},
    {"V$=CVS(/)"}, {"V$=CVS(233)"}, {"V$=CVS(72,105,233)"}, {"V$=CVS(S$,\"ASCII-BASE64\")"},
    {"V$=CVS(S$,\"ASCII-BASE64\",8)"}, {"V$=CVS(S$,\"ASCII-BASE64\",0)"},
    {"V$=CVS(\"YWJj\",\"BASE64-ASCII\")"}, {"V$=CVS(S$,\"ASCII:UTF8\")"},
    {"V$=CVS(S$,\"ASCII=URL\")"}, {"V$=CVS(S$,\"ASCII XML\")"}, {"V$=CVS(S$,\"ASCII-UNICODE\")"},
    {"V$=CVS(S$,\"ASCII-UUENCODE\")"}, {"V$=CVS(S$,\"ASCII-BASE64URL\")"},
    {"V$=CVS(\"{\\\\rtf1 ab}\",\"RTF-ASCII\")"}, {"V$=CVS(S$,\"ANSI-CODE850\")"},
    {"V$=XML(ADD S$,\"\",KEY=\"t\")"}, {"V$=XML(ADD S$,\"<a/>\",KEY=\"t\",OPT=\"x='1'\")"},
    {"P=1; V$=XML(NEXT \"<t a='1'>x</t>\",IND=P,KEY=K$,OPT=O$)"},
    {"V$=XML(PROPERTY ADD \"1\",\"\",KEY=\"a\")"},
    {"P=1; V$=XML(PROPERTY NEXT \"a='1'\",IND=P,KEY=K$)"},
    // system variables
    {"V$=WHO"}, {"V=UNT"}, {"V=CTL"}, {"V$=DAY"}, {"V=DSZ"}, {"V$=EOM"}, {"V=ERR"}, {"V$=GID"},
    {"V$=HWD"}, {"V$=LWD"}, {"V=PRC"}, {"V=PSZ"}, {"V=RET"}, {"V$=SYS"}, {"V=TME"}, {"V$=UID"},
    {"V$=CHN"}, {"V$=PGN"}, {"V$=PFX"}, {"V=HFN"}, {"V=TIM"}, {"V$=SEP"}, {"V$=QUO"}, {"V$=ESC"},
    {"V$=TSM"}, {"V$=SID"}, {"V=MDE", 99}, {"V=ERS"}, {"V=RND"}, {"V=TMS"}, {"V=BKG"},
    {"V=GFN"}, {"V$=PRM"}, {"V$=LIP"}, {"V=LFA"}, {"V=LFO"}, {"V$=DLM"}, {"V$=LPG"}, {"V$=F0"},
    {"V$=F7"}, {"V$=B0"}, {"V$=B7"}, {"V$=WR"}, {"V$=WC"}, {"V$=WS"}, {"V$=BK"}, {"V$=DF"},
    {"V$=MSE"}, {"V$=NID"}, {"V=VMSL"}, {"V=VNAR"}, {"V$=VHLP"}, {"V=VOOP"},
};

class FunctionFormsTest : public Console_env {};

TEST_F(FunctionFormsTest, EveryFormCompilesListsBackAndRuns) {
  for (const Form& f : kForms) {
    std::vector<uint8_t> line;
    std::string src = std::string("20 ") + f.stmt;
    ASSERT_EQ(Compile_text(src, line), 0) << src;
    std::string listed = Decompile_text(line.data(), line.size());
    std::vector<uint8_t> again;
    EXPECT_EQ(Compile_text(listed, again), 0) << listed;
    EXPECT_EQ(again, line) << src << " listed as " << listed;

    fresh();
    type(std::string("10 ") + kSetup);
    type(src);
    ws.Err_no = 0;
    type("RUN");
    EXPECT_NE(ws.Err_no, 49) << src;
    EXPECT_EQ(ws.Err_no, f.err) << src << " stopped with " << ws.Err_no;
  }
}

}  // namespace

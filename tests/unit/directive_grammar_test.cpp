// Each directive reads its operands by its own form when the line is
// entered: a form outside it is a syntax error there (never a line that
// compiles and then stops with 49 or 20), and every form inside it lists back
// to the same compiled bytes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "compile_env.h"
#include "core/compiler.h"
#include "core/lister.h"

namespace {

class DirectiveGrammar : public Compile_env {};

TEST_F(DirectiveGrammar, FormsInsideTheGrammarListBackExactly) {
  for (const char* src : {
           "WAIT 0,ERR=900", "WAIT .5", "SETDAY \"\",ERR=900", "SETTIME 12", "SETTIME 12,ERR=30",
           "DFMT", "DFMT \"MM/DD/YY\",ERR=900", "DFMT READ D$", "DFMT READ D$(1,2)",
           "SET_PARAM 'NR'", "SET_PARAM 'NR',ERR=30", "SET_PARAM -'PD'=3,'NR'", "SET_PARAM \"x\"+\"y\"=3",
           "ULEX CLEAR", "ULEX LOAD \"x\",ERR=900", "ULEX \"a\",\"PRINT\",\"b\",\"LET\",ERR=900",
           "MNEMONIC (0,ERR=900)'ZZ',\"x\"", "MNEMONIC (0)'ZZ',\"x\",'ZY',\"y\",ERR=30", "MNEMONIC (1)",
           "PREINPUT NEXT /\"a\",5,ERR=900", "PREINPUT 7", "PREINPUT \"x\",ERR=30",
           "DEFTTY F(0)80,24,ERR=900", "DEFTTY 80,24", "DEFTTY (77)20,6,ERR=30",
           "KEYED \"k\",10,[KEY:1:2]+[1:1:2],[0:5:4],0,-100,SIZ=4,OPT=\"0\",SEP=*,ERR=900",
           "DIRECT \"k\",[\"id\":0:1:6],0,100", "SORT \"k\",20,0,0,5", "INDEXED \"k\",10,20,0,SEP=\",\"",
           "CREATE \"k\",10,0,100", "FILE A$,B$,ERR=900", "KEYED LOAD (1,KNO=1,ERR=900)",
           "DICT READ (1,IND=0)A$,B$", "DICT WRITE (1,IND=0)A$", "DICT REMOVE (1,IND=0)",
           "DROP INDEX 1 ON \"f\",ERR=900", "DROP INDEX \"name\" ON F$",
           "PASSWORD \"pw\",ERR=900", "PASSWORD (1)\"pw\" FOR WRITE AND ENCRYPT", "PASSWORD (1)\"x\" FOR OPEN",
           "REFILE \"a\",OPT=\"x\",ERR=900,\"b\"", "REFILE TABLE \"t\"", "ADD \"x\",ERR=900",
           "SET_MASK PROGRAM ON 3,ERR=900", "SET_MASK OFF 1", "SET_MASK READ M$",
           "SETCTL 5,100,6,0", "SETCTL 7,LBL", "SETCTL", "DUMP", "DUMP /", "DUMP (0)-1", "DUMP OBJECT H",
           "DEFCTL F-(1)\"z\",7", "DEFCTL (1)-1004,/", "DEFCTL F(0)-1004,\"\",ERR=100",
           "DEFCTL F-1004,6,ERR=130", "DEFCTL -1004,/,ERR=9", "DEFCTL X+1,2", "DEF CTL=3", "DEF LFA=1",
           "PURGE (1,ERR=900)", "PURGE", "QUIT", "RELEASE 3", "RELEASE",
           "CALL \"p\",IOL=300,A,IOL=LBL,IOL=A$+\"x\"", "CALL \"p\",A,IOL=10,ERR=20",
           "SETMSE =", "SETMSE /CLEAR", "SETMSE @(/),5", "SETMSE /@(1,1,2,2),RELEASE \"PRINT 1\"", "SETMSE \"k\",7",
           "MESSAGE_LIB", "MESSAGE_LIB \"a.msg\",ERR=9", "MESSAGE_LIB ADD \"b\"", "MESSAGE_LIB DROP \"b\"",
           "MESSAGE_LIB POP", "CLOSE", "CLOSE DICT", "CLOSE (/)", "CLOSE (1,2,ERR=9)",
           "ERASE \"a\",OPT=\"x\",\"b\",ERR=20", "ERASE F$", "ERASE TABLE \"x\"", "RENAME \"a\",\"b\",OPT=\"x\",ERR=9",
           "RENAME CLASS \"A\",\"B\"", "RENAME CONTROL 101,102,HIDE", "SERIAL \"a\"", "SERIAL \"a\",0,10,ERR=9",
           "SERIAL \"a\",0,10,-1", "DIRECTORY \"d\",ERR=9", "DROP ON 12,1,+7",
           "INSERT DATA (1)A$", "OPEN END", "READ DATA A,B$", "DIM R$: IOLIST A$: CHR(5),B",
           "DIM R$: IOLIST A$,N: NUM(6,2),*", "PRECISION 3 FOR OBJECT ,ERR=9", "TRACE", "TRACE (1)",
           "TRACE PRINT \"x\"", "TRACE CLOSE", "SETCTL 5,100,ERR=9000", "SETCTL 5,100,6,LBL,ERR=9",
           "SETMSE \"k\",7,ERR=9000", "PREFIX FILE \"x\",ERR=9000",
           "PREFIX DIRECTORY \"d\",\"t\",ERR=9", "PREFIX (1)\"a\",PROGRAM \"b\",ERR=9", "PREFIX (1),ERR=9",
           "TRANSLATE A$,\"x\",ERR=9000", "TRANSLATE A$,\"x\",65,ERR=9", "SNBF 3,ERR=9000", "DUMP (77),ERR=9000",
           "DUMP /,ERR=9", "DUMP -1,ERR=9", "DUMP OBJECT H,ERR=9",
           "INPUT (0,ERR=10)A$", "READ DATA A,B$,END=50", "READ (1,END=9)A$,B",
           "VIDEO_PALETTE P$", "VIDEO_PALETTE INDEXED P$,ERR=9", "VIDEO_PALETTE READ V$",
           "VIDEO_PALETTE INDEXED READ V$,ERR=9"})
    EXPECT_EQ(round_trip(src), src);
}

TEST_F(DirectiveGrammar, FormsOutsideTheGrammarAreRefusedWhenEntered) {
  for (const char* src : {
           "WAIT", "WAIT OFF", "WAIT 1,2", "SETDAY", "SETTIME", "SETTIME 1,ERR=", "DFMT OFF", "DFMT READ X",
           "SET_PARAM", "SET_PARAM 'NR',", "ULEX", "ULEX \"a\"", "ULEX \"a\",\"b\",\"c\"",
           "MNEMONIC (0)'ZZ'", "MNEMONIC (0)'ZZ',", "MNEMONIC (0)'XX',OPT=\"a\"", "PREINPUT", "PREINPUT GOTO",
           "DEFTTY", "DEFTTY (0)20", "DEFTTY (1)20,6 7", "KEYED", "KEYED \"k\"", "DIRECT \"a\"", "SORT \"a\"",
           "SORT \"k\",[1:1:2]", "INDEXED \"k\",10,[1]", "KEYED \"k\",[1:1:2:\"D\":1],0,100",
           "KEYED \"k\",10,0,100+,ERR=30", "DICT 1", "DROP INDEX (1,KNO=1,ERR=20)", "DROP INDEX 1",
           "PASSWORD", "PASSWORD (1)\"x\" FOR", "REFILE", "ADD", "ADD OFF", "SET_MASK ON", "SET_MASK",
           "SETCTL 1", "SETCTL 5,READ", "DEF SEP=\",\"", "DEF TIM=1", "PURGE ON", "DUMP OFF", "OPEN",
           "OPEN LOCK", "DEFCTL (1)\"x\"", "CALL \"p\",IOL=", "KEYED LOAD (1),ERR=9", "KEYED LOAD",
           "SETMSE @(1,2),5", "SETMSE \"k\"", "SETMSE CLEAR 1", "MESSAGE_LIB POP 1", "MESSAGE_LIB ADD",
           "CLOSE 1", "CLOSE (1)\"a\"", "CLOSE (/", "CLOSE ON", "DEFCTL -1004,5,ERR=",
           "DEFCTL -1004,/,7", "MENU_BAR", "ERASE", "ERASE READ A$", "ERASE ON", "RENAME",
           "RENAME \"a\"", "RENAME A$", "RENAME ON", "SERIAL", "SERIAL OFF", "SERIAL \"a\",1,2,3,4", "DIRECTORY",
           "DIRECTORY \"a\",\"b\"", "DIRECTORY READ A$", "INPUT ON", "OBTAIN READ A$", "WRITE ON", "OPEN READ A$",
           "UPDATE READ A$", "INSERT ON", "PERFORM ON", "DROP ON", "TRACE READ A$", "TRACE GOTO 10",
           "INPUT 1,ERR=9000", "OBTAIN 1,ERR=9000", "INPUT A$,END=10", "OBTAIN (0)A$,IOL=100",
           "INPUT (0,ERR=10)'CS',A$,TBL=20",
           "VIDEO_PALETTE", "VIDEO_PALETTE READ", "VIDEO_PALETTE READ 5", "VIDEO_PALETTE P$,Q$", "VIDEO_PALETTE ON"})
    compile(src, 20);
}

// A directive that takes ", ERR=line" after some of its forms takes it after
// every one of them, the forms without operands included.
// A statement word after WRITE, INPUT, OBTAIN, INSERT, UPDATE or OPEN leads
// a form only where the statement has one (WRITE LOCK, INPUT EDIT, INSERT
// DATA, OPEN END, OPEN DICT, a table after OPEN's channel); PERFORM names its
// program before ON.  Any other word is refused when the line is entered.
TEST_F(DirectiveGrammar, StatementWordsLeadOnlyTheFormsTheyLead) {
  for (const char* src : {"WRITE LOCK (1)\"a\"", "WRITE LOCK (1,KEY=\"k\",ERR=9)A$", "INPUT EDIT A$",
                          "INPUT EDIT (0)\"x\",A$", "OBTAIN (0)A$", "INSERT DATA (1)A$", "UPDATE DATA A$,B",
                          "INSERT (1,KEY=\"k\")A$", "UPDATE RECORD (1)R$", "UPDATE LOCK (1)A$", "INSERT LOCK (1)A$", "OPEN END (1)\"x\"",
                          "OPEN LOCK INPUT (1)\"a\",(2)\"b\"", "OPEN DICT \"x\",ERR=9", "OPEN (1) TABLE \"t\"",
                          "PERFORM \"x\" ON \"p\"", "PERFORM \"x\" ON BEGIN \"p;10\",ERR=9",
                          "PERFORM \"x\" ON END \"p;L\"", "PERFORM \"x\",DOM=10,ERR=20"})
    EXPECT_EQ(round_trip(src), src);
  for (const char* src : {"WRITE WRITE \"a\"", "WRITE (1)WRITE \"a\"", "WRITE LOCK WRITE \"a\"", "WRITE CLEAR",
                          "INPUT WRITE \"a\"", "INPUT (0)PRINT A$", "OBTAIN WRITE \"a\"",
                          "INSERT WRITE \"a\"", "INSERT (1)CLOSE", "UPDATE WRITE \"a\"", "UPDATE LOCK LOCK A$",
                          "OPEN WRITE \"a\"", "OPEN (1)WRITE \"x\"", "OPEN LOCK CLEAR (1)\"a\"",
                          "PERFORM ON 1", "PERFORM ON 1,2", "PERFORM ON \"p\"", "PERFORM ON BEGIN \"p\""})
    compile(src, 20);
}

// ENABLE EVENT TIM takes the timer's period, DISABLE EVENT TIM none; DATA
// and CLOSE take a channel and may end with ERR=; OPEN and LOAD take nothing.
TEST_F(DirectiveGrammar, EventSourcesTakeTheirOwnOperands) {
  for (const char* src : {"ENABLE EVENT TIM 1", "ENABLE EVENT TIM N*2", "DISABLE EVENT TIM", "ENABLE EVENT DATA (0)",
                          "DISABLE EVENT DATA 7,ERR=9000", "ENABLE EVENT CLOSE (CH)", "ENABLE EVENT CLOSE 1,ERR=20",
                          "ENABLE EVENT OPEN", "DISABLE EVENT OPEN", "ENABLE EVENT LOAD", "DISABLE EVENT LOAD",
                          "ENABLE CONTROL 101", "DISABLE 1"})
    EXPECT_EQ(round_trip(src), src);
  for (const char* src : {"ENABLE EVENT TIM", "DISABLE EVENT TIM 5", "ENABLE EVENT TIM 5,6", "ENABLE EVENT TIM 1,ERR=9",
                          "ENABLE EVENT DATA", "ENABLE EVENT DATA 0,1", "DISABLE EVENT CLOSE", "ENABLE EVENT CLOSE 1,2",
                          "ENABLE EVENT OPEN 1", "DISABLE EVENT LOAD \"x\"",
                          "DISABLE CLASS \"x\" EVENT 1", "ENABLE OBJECT"})
    compile(src, 20);
  // any other event source is taken and does nothing; another word than
  // EVENT after the prefix leads the control form, as CONTROL does
  EXPECT_EQ(round_trip("ENABLE EVENT FOO"), "ENABLE EVENT FOO");
  EXPECT_EQ(round_trip("ENABLE OBJECT 7"), "ENABLE OBJECT 7");
}

TEST_F(DirectiveGrammar, EveryFormOfADirectiveTakesTheErrClause) {
  for (const char* src : {"SETMSE CLEAR ,ERR=30", "SETMSE /CLEAR ,ERR=30", "SETMSE =,ERR=30", "SETMSE / =,ERR=9",
                          "MESSAGE_LIB POP ,ERR=9", "PRECISION 3,ERR=9", "PRECISION -1,ERR=LBL", "DFMT ,ERR=9",
                          "SETCTL ,ERR=9", "MNEMONIC (1),ERR=9", "MNEMONIC ,ERR=9", "LNSW ,ERR=9", "LNSW 1,ERR=9",
                          "LOAD ,ERR=9", "SAVE ,ERR=9", "SAVE EDIT ,IND=2,ERR=9", "SAVE ,5,DSC=\"x\",ERR=9"})
    EXPECT_EQ(round_trip(src), src);
  // the clause is still the last thing, and still needs its line
  for (const char* src : {"SETMSE CLEAR,ERR=", "SETMSE =,ERR=9,5", "SETMSE CLEAR,5", "MESSAGE_LIB POP,ERR=9 1",
                          "PRECISION 3,4", "PRECISION 3,ERR=9 FOR OBJECT", "DFMT ,", "DFMT ,ERR=9,\"x\"",
                          "SETCTL ,ERR=9,5,10", "MNEMONIC (1),ERR=9,'ZZ',\"x\"", "LNSW ,ERR=9,1", "LNSW ,",
                          "LOAD ,", "LOAD ,ERR=9,\"x\"", "SAVE ,", "SAVE ,ERR=9 \"x\""})
    compile(src, 20);
}

// A named field's value needs its source and its name, whatever the
// source's kind; a control is looked up on a channel by a text or a number.
TEST_F(DirectiveGrammar, FieldValueFunctionsNeedTheName) {
  for (const char* src : {"PRINT VIN(A)", "PRINT VIS(A)", "PRINT VIN(1)", "PRINT VIS(1,\"A\",2)", "PRINT VIN(A$)",
                          "PRINT CTL(A)", "PRINT CTL(0,\"a\",1)"})
    compile(src, 20);
  for (const char* src : {"PRINT VIN(1,\"A\")", "PRINT VIS(A,\"A$\")", "PRINT VIN(R$,\"A\",ERR=9)", "PRINT CTL(0,\"OK\")"})
    EXPECT_EQ(round_trip(src), src);
}

// The system variable ERR compared after a "," is a value, not the ERR=
// clause: its listing keeps the two apart ("ERR =3"), so it compiles back to
// the same bytes.  SETMSE's "/" and "=" may be typed together.
TEST_F(DirectiveGrammar, ErrValueAfterACommaIsNotReadBackAsTheClause) {
  EXPECT_EQ(round_trip("SETCTL 5,100,ERR = 3,200"), "SETCTL 5,100,ERR =3,200");
  EXPECT_EQ(round_trip("CALL \"x\",1,ERR = 5"), "CALL \"x\",1,ERR =5");
  EXPECT_EQ(round_trip("SETMSE @(0,0,1,1),ERR = 5"), "SETMSE @(0,0,1,1),ERR =5");
  EXPECT_EQ(round_trip("CALL \"x\",1,ERR=5"), "CALL \"x\",1,ERR=5");
  EXPECT_EQ(round_trip("IF ERR=5 THEN X=ERR=5"), "IF ERR=5 THEN X=ERR=5");
  EXPECT_EQ(compile("SETMSE /="), compile("SETMSE / ="));
  EXPECT_EQ(compile("SETMSE /=,ERR=9"), compile("SETMSE / =,ERR=9"));
  EXPECT_EQ(round_trip("SETMSE /=,ERR=9"), "SETMSE / =,ERR=9");
  compile("SETMSE /=5", 20);
  compile("SETMSE X/=5", 20);
}

}  // namespace

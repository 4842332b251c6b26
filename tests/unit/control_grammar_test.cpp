// ACCEPT, the buttons and the list-box family read their operands by their
// own forms when the line is entered: each operation word takes its own
// operands, a form outside them is a syntax error at once, and every form
// inside them lists back to the same compiled bytes.
#include <gtest/gtest.h>

#include "compile_env.h"

namespace {

class ControlGrammar : public Compile_env {};

TEST_F(ControlGrammar, AcceptTakesAChannelItsOptionsAndOneStringVariable) {
  for (const char* src : {"ACCEPT A$", "ACCEPT (0)A$", "ACCEPT (1,SIZ=5)A$(2,3)", "ACCEPT (0,TIM=2,EVT=900)A$",
                          "ACCEPT (0,SIZ=N,END=900,ERR=910)B$[2]", "ACCEPT (0,EVT=LBL)A$"})
    EXPECT_EQ(round_trip(src), src);
  for (const char* src : {"ACCEPT", "ACCEPT 1", "ACCEPT A", "ACCEPT (0)", "ACCEPT (0)A$,B$", "ACCEPT (0,KEY=\"a\")A$",
                          "ACCEPT (0,IND=1)A$", "ACCEPT (0)\"a\"", "ACCEPT (0,ERR=9)A$,ERR=9", "ACCEPT READ A$"})
    compile(src, 20);
}

// The forms are written as they list: a blank after an operation word that
// a "," follows, and after the ":" of a radio button's group.
TEST_F(ControlGrammar, TypedFormsCompileAsTheirListing) {
  EXPECT_EQ(compile("LIST_BOX 5,READ,X$"), compile("LIST_BOX 5,READ ,X$"));
  EXPECT_EQ(list(compile("RADIO_BUTTON 8:3,WRITE,\"1\"")), "RADIO_BUTTON 8: 3,WRITE ,\"1\"");
}

TEST_F(ControlGrammar, ButtonFormsListBackExactly) {
  for (const char* src : {
           "BUTTON 5,1,1,10,1,\"OK\"", "BUTTON /5,1,1,10,1,\"OK\",ERR=900", "BUTTON 5,OFF", "BUTTON 5,ON ,ERR=9",
           "BUTTON 5,GOTO", "BUTTON 5,REMOVE", "BUTTON 5,DISABLE", "BUTTON 5,ENABLE", "BUTTON 5,SHOW",
           "BUTTON 5,HIDE ,ERR=9", "BUTTON 5,NEXT ,7", "BUTTON 5,READ ,K", "BUTTON 5,READ ,K,ERR=9",
           "BUTTON 5,WRITE ,\"1\"", "BUTTON 5,1,1,10,1,\"OK\",OPT=\"G\",FNT=/,TIP=\"t\",MSG=\"m\",MNU=3,XT1=\"x\"",
           "BUTTON 5,1,1,10,1,\"OK\",FNT=\"Arial\",ERR=900", "CHECK_BOX 6,1,2,10,1,\"Yes\",TBL=\"NY\"",
           "CHECK_BOX 6,READ ,S$,K", "CHECK_BOX 6,WRITE ,\"1\",ERR=9", "TRISTATE_BOX 7,READ ,S$,K,ERR=9",
           "TRISTATE_BOX 7,1,2,10,1,\"x\",TBL=\"NYM\",OPT=\"\"", "RADIO_BUTTON 8: 3,1,1,5,1,\"one\"",
           "RADIO_BUTTON 8,1,1,5,1,\"one\"", "RADIO_BUTTON 8: 3,READ ,S,K", "RADIO_BUTTON /8: 2,WRITE ,\"1\"",
           "RADIO_BUTTON 8,OFF ,ERR=9", "BUTTON B(1),READ ,K[2]"})
    EXPECT_EQ(round_trip(src), src);
}

TEST_F(ControlGrammar, ButtonFormsOutsideTheGrammarAreRefused) {
  for (const char* src : {
           "BUTTON", "BUTTON 5", "BUTTON 5,", "BUTTON 5,LOAD,\"a\"", "BUTTON 5,READ", "BUTTON 5,READ,1",
           "BUTTON 5,READ,K,L", "BUTTON 5,READ,K$,L,ERR=9", "BUTTON 5,WRITE", "BUTTON 5,NEXT", "BUTTON 5,OFF,1", "BUTTON 5,GOTO,1",
           "BUTTON 5,POP", "BUTTON 5,1,1,10,1", "BUTTON 5,1,1,10,1,\"OK\",KEY=\"a\"",
           "BUTTON 5,1,1,10,1,\"OK\",FMT=\"x\"", "BUTTON 5,1,1,10,1,\"OK\",XT2=\"x\"", "BUTTON 5,1,1,10,1,\"OK\",",
           "BUTTON 5,1,1,10,1,\"OK\",ERR=", "BUTTON 5:3,OFF", "CHECK_BOX 5:3,1,1,5,1,\"x\"", "RADIO_BUTTON 5:,OFF",
           "CHECK_BOX 5,SELECT", "TRISTATE_BOX 5,READ NEXT,S$", "RADIO_BUTTON 5,1,1,5,1,\"x\",DLM=\",\"",
           "BUTTON 5,ON 1"})
    compile(src, 20);
}

TEST_F(ControlGrammar, ListBoxFormsListBackExactly) {
  for (const char* src : {
           "LIST_BOX 101,1,2,10,3", "LIST_BOX 101,1,2,10,3,ERR=900", "LIST_BOX 101,1,2,10,3,KEY=\"a\",OPT=\"x\",TBL=T$",
           "LIST_BOX 101,1,2,10,3,FNT=/,TIP=\"t\",MSG=\"m\",FMT=\"f\",NUL=\"-\",DLM=\",\",MNU=2,MAX=9,XT1=\"x\",ERR=9",
           "LIST_BOX 101,ADD ,1,2", "LIST_BOX 101,AUTO", "LIST_BOX 101,DISABLE ,ERR=9", "LIST_BOX 101,ENABLE",
           "LIST_BOX 101,SHOW", "LIST_BOX 101,HIDE", "LIST_BOX 101,GOTO", "LIST_BOX 101,LOCK", "LIST_BOX 101,UNLOCK",
           "LIST_BOX 101,REMOVE ,ERR=9", "LIST_BOX 101,CLEAR ,1,2", "LIST_BOX 101,CLEAR ,1,2,3,4,ERR=9",
           "LIST_BOX 101,DELETE ,1,2", "LIST_BOX 101,SELECT ,1,2", "LIST_BOX 101,SELECT ,1,2,3,4",
           "LIST_BOX 101,SELECT RESET", "LIST_BOX 101,SELECT READ ,C,L", "LIST_BOX 101,SELECT READ NEXT ,C,L,ERR=9",
           "LIST_BOX 101,FIND ,3,X$", "LIST_BOX 101,FIND ,N,X$,ERR=9", "LIST_BOX 101,LOAD ,\"a,b,\"",
           "LIST_BOX 101,LOAD ,A$[ALL]", "LIST_BOX 101,LOAD ,A$[ALL],ERR=9", "LIST_BOX 101,LOAD ,2,\"c\"",
           "LIST_BOX 101,LOAD ,2,/", "LIST_BOX 101,LOAD ,2,/,ERR=9", "LIST_BOX 101,LOAD ,A$+B$,ERR=9",
           "LIST_BOX 101,NEXT ,-1015", "LIST_BOX 101,READ ,X$", "LIST_BOX 101,READ ,N,K",
           "LIST_BOX 101,READ NEXT ,X$,K,ERR=9", "LIST_BOX 101,WRITE ,\"b\"", "LIST_BOX 101,WRITE ,2,ERR=9",
           "VARLIST_BOX 102,1,1,5,4", "DROP_BOX 103,READ ,X$", "VARDROP_BOX 104,WRITE ,\"z\"",
           "MULTI_LINE 105,1,1,20,5,XT2=\"x\",MAX=40", "MULTI_LINE 105,LOCK", "MULTI_LINE 105,READ ,T$"})
    EXPECT_EQ(round_trip(src), src);
}

TEST_F(ControlGrammar, ListBoxFormsOutsideTheGrammarAreRefused) {
  for (const char* src : {
           "LIST_BOX", "LIST_BOX 5", "LIST_BOX 5,", "LIST_BOX 5,LOAD,/", "LIST_BOX 5,LOAD", "LIST_BOX 5,LOAD,1,2,3",
           "LIST_BOX 5,LOAD,A$[ALL],1", "LIST_BOX 5,READ", "LIST_BOX 5,READ,1", "LIST_BOX 5,READ,X$,K,L",
           "LIST_BOX 5,READ,GOTO", "LIST_BOX 5,FIND,1", "LIST_BOX 5,FIND,1,2", "LIST_BOX 5,WRITE",
           "LIST_BOX 5,WRITE,1,2", "LIST_BOX 5,NEXT", "LIST_BOX 5,ADD,1", "LIST_BOX 5,ADD,1,2,3",
           "LIST_BOX 5,DELETE,1", "LIST_BOX 5,CLEAR", "LIST_BOX 5,CLEAR,1,2,3", "LIST_BOX 5,SELECT,1",
           "LIST_BOX 5,SELECT READ,C", "LIST_BOX 5,SELECT RESET,1", "LIST_BOX 5,GOTO,1,1", "LIST_BOX 5,LOCK,1,2",
           "LIST_BOX 5,REMOVE,1", "LIST_BOX 5,AUTO,1", "LIST_BOX 5,POP", "LIST_BOX 5,OFF", "LIST_BOX 5,ON",
           "LIST_BOX 5,1,2,3", "LIST_BOX 5,1,2,3,4,", "LIST_BOX 5,1,2,3,4,KEY=GOTO", "LIST_BOX 5,1,2,3,4,SIZ=4",
           "LIST_BOX 5,1,2,3,4,XT2=\"x\"", "DROP_BOX 5,1,2,3,4,XT2=\"x\"", "LIST_BOX 5,1,2,3,4,ERR=",
           "LIST_BOX 5,1,2,3,4,FNT=", "VARLIST_BOX 5:3,READ,X$", "MULTI_LINE 5,READ NEXT NEXT,X$"
           "LIST_BOX 5,1,2,3,4 5"})
    compile(src, 20);
}

}  // namespace

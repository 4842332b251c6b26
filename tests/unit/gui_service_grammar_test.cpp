// Grids, charts, scroll bars, VBX controls, the message box, multimedia,
// popup menus, help, printers, SHOW/HIDE (and ENABLE/DISABLE CONTROL) and
// FOCUS read their own forms when the line is entered: a form outside them
// is a syntax error there, and every form inside lists back to the same
// compiled bytes.
#include <gtest/gtest.h>

#include <string>

#include "compile_env.h"
#include "core/compiler.h"
#include "core/lister.h"

namespace {

class GuiServiceGrammar : public Compile_env {
 protected:
  // Texts without their blanks: the lister sets its own blanks after the
  // operation words (the cases have no blanks inside their strings).
  static std::string tight(const std::string& text) {
    std::string out;
    for (char c : text)
      if (c != ' ') out += c;
    return out;
  }
  // The listing of src, which compiles back to the same bytes.
  std::string listed_tight(const std::string& src) { return tight(round_trip(src)); }
};

TEST_F(GuiServiceGrammar, GridAndChartForms) {
  for (const char* src : {
           "GRID 5,1,2,30,4", "GRID 5,1,2,3,4,KEY=\"a\",OPT=\"x\",TBL=\"t\",FNT=/,TIP=\"t\",MNU=3,XT1=\"e\",ERR=90",
           "GRID 5,ADD,1,2", "GRID 5,AUTO", "GRID 5,DISABLE,ERR=9", "GRID 5,ENABLE", "GRID 5,SHOW", "GRID 5,HIDE",
           "GRID 5,REMOVE", "GRID 5,GOTO", "GRID 5,GOTO,1,1,ERR=9", "GRID 5,CLEAR,1,2", "GRID 5,CLEAR,1,2,3,4,ERR=9",
           "GRID 5,LOCK,1,2", "GRID 5,UNLOCK,1,2,0,0", "GRID 5,SELECT,1,2,3,4", "GRID 5,SELECT RESET",
           "GRID 5,SELECT READ,C,L", "GRID 5,SELECT READ NEXT,C,L,ERR=9", "GRID 5,DELETE,1,2",
           "GRID 5,FIND,1,2,A$", "GRID 5,LOAD,1,2,\"x\"", "GRID 5,NEXT,7", "GRID 5,READ,C,L,V$",
           "GRID 5,READ NEXT,C,L,V$,K,ERR=9", "GRID 5,WRITE,1,2,\"x\"",
           "CHART 6,1,2,30,4,DLM=\";\"", "CHART 6,ADD,1,2", "CHART 6,GOTO", "CHART 6,LOCK", "CHART 6,UNLOCK,ERR=9",
           "CHART 6,REMOVE", "CHART 6,FIND,1,2,A$", "CHART 6,LOAD,\"a,b,\"", "CHART 6,LOAD,A$[ALL],ERR=9",
           "CHART 6,LOAD,1,\"x\"", "CHART 6,LOAD,1,/", "CHART 6,NEXT,7", "CHART 6,READ,V$,K",
           "CHART 6,READ NEXT,V", "CHART 6,WRITE,1,2,\"x\",ERR=9"})
    EXPECT_EQ(listed_tight(src), tight(src));
  for (const char* src : {
           "GRID", "GRID 5", "GRID 5,", "GRID 5,1,2", "GRID 5,1,2,3", "GRID 5,1,2,3,4,XT2=\"x\"", "GRID 5,1,2,3,4,SIZ=3",
           "GRID 5,READ,V$", "GRID 5,READ,C,L", "GRID 5,LOAD,\"x\"", "GRID 5,WRITE,\"x\"", "GRID 5,FIND,1,A$",
           "GRID 5,GOTO,1", "GRID 5,CLEAR,1,2,3", "GRID 5,POP", "GRID 5,ON", "GRID 5,SELECT READ,C",
           "GRID 5,DELETE,1", "GRID 5,READ,C,L,1",
           "CHART 6,CLEAR,1,2", "CHART 6,DELETE,1,2", "CHART 6,SELECT,1,2", "CHART 6,SELECT RESET",
           "CHART 6,GOTO,1,1", "CHART 6,LOCK,1,2", "CHART 6,READ,C,L,V$", "CHART 6,WRITE,\"x\"",
           "CHART 6,LOAD,1,2,3", "CHART 6,FIND,1,A$", "CHART 6,1,2,3,4,XT2=\"x\""})
    compile(src, 20);
}

TEST_F(GuiServiceGrammar, ScrollBarAndVbxForms) {
  for (const char* src : {
           "V_SCROLLBAR 5,1,2,3,4", "V_SCROLLBAR 5,1,2,3,4,OPT=\"x\",XT1=\"e\",ERR=9", "H_SCROLLBAR 5,F",
           "H_SCROLLBAR 5,F,OPT=\"x\"", "V_SCROLLBAR 5,F,XT1=\"e\"", "V_SCROLLBAR 5,F,ERR=9", "V_SCROLLBAR 5,F+1,2,3,4",
           "V_SCROLLBAR 5,GOTO", "V_SCROLLBAR 5,REMOVE,ERR=9", "V_SCROLLBAR 5,DISABLE", "H_SCROLLBAR 5,SHOW",
           "V_SCROLLBAR 5,READ,P,10", "V_SCROLLBAR 5,READ,P,10,0", "V_SCROLLBAR 5,READ,P,10,0,2,ERR=9",
           "H_SCROLLBAR 5,WRITE,3,10", "VBX 5,1,2,3,4,\"cls\",\"cap\"",
           "VBX 5,1,2,3,4,\"cls\",\"cap\",KEY=\"k\",OPT=\"o\",TBL=\"t\",ERR=9", "VBX 5,1,2,3,4,\"c\",\"d\",XT1=\"x\",MNU=3", "VBX 5,GOTO", "VBX 5,REMOVE",
           "VBX 5,ENABLE", "VBX 5,DEFCTL,/,A$", "VBX 5,DEFCTL,3,\"v\",ERR=9", "VBX 5,LOAD,1,\"x\"", "VBX 5,LOAD,1,/",
           "VBX 5,READ,A$", "VBX 5,READ,A$,ERR=9", "VBX 5,READ,P$,A$", "VBX 5,READ,P$,A$,3,ERR=9",
           "VBX 5,READ,/,A", "VBX 5,READ,N+1,A$,2", "VBX 5,READ,\"Text\",A$", "VBX 5,READ,A$[1]", "VBX 5,READ,R.A$", "VBX 5,READ,R.N+1,R.A$,ERR=9",
           "VBX 5,WRITE,\"Text\",\"v\"", "VBX 5,WRITE,/,3,-1,ERR=9"})
    EXPECT_EQ(listed_tight(src), tight(src));
  for (const char* src : {
           "V_SCROLLBAR", "V_SCROLLBAR 5", "V_SCROLLBAR 5,1", "V_SCROLLBAR 5,1,2,3", "V_SCROLLBAR 5,F,TBL=\"x\"",
           "V_SCROLLBAR 5,1,2,3,4,KEY=\"a\"", "V_SCROLLBAR 5,1,2,3,4,FNT=\"a\"", "V_SCROLLBAR 5,READ,P",
           "V_SCROLLBAR 5,READ,1,10", "V_SCROLLBAR 5,READ,P,1,2,3,4", "V_SCROLLBAR 5,WRITE,1", "V_SCROLLBAR 5,CLEAR",
           "V_SCROLLBAR 5,ADD", "H_SCROLLBAR 5,LOAD,1", "VBX", "VBX 5", "VBX 5,1,2,3,4", "VBX 5,1,2,3,4,\"a\"",
           "VBX 5,1,2,3,4,\"a\",\"b\",FNT=\"x\"", "VBX 5,1,2,3,4,\"a\",\"b\",MAX=3", "VBX 5,READ", "VBX 5,READ,\"x\"", "VBX 5,READ,A+1",
           "VBX 5,READ,P$,\"x\"", "VBX 5,WRITE,\"p\"", "VBX 5,DEFCTL,/", "VBX 5,DEFCTL,/,\"x\"", "VBX 5,LOAD,1",
           "VBX 5,CLEAR"})
    compile(src, 20);
}

TEST_F(GuiServiceGrammar, ServiceDirectiveForms) {
  for (const char* src : {
           "MSGBOX \"m\"", "MSGBOX \"m\",\"t\"", "MSGBOX \"m\",\"t\",\"o\"", "MSGBOX \"m\",\"t\",\"o\",A$,ERR=9",
           "MSGBOX \"m\",ERR=9", "MULTI_MEDIA \"play\"", "MULTI_MEDIA \"play\",3,R$,ERR=9", "MULTI_MEDIA \"p\",R$",
           "POPUP_MENU \"m\",A$", "POPUP_MENU @(100,200),\"m\",A,ERR=9", "SYSTEM_HELP \"x\"",
           "SYSTEM_HELP \"x\",\"t\",3,ERR=9", "SYSTEM_HELP OPEN \"x\"", "SYSTEM_HELP PRINT,\"x\"", "SYSTEM_HELP EDIT \"x\"",
           "SYSTEM_HELP WAIT \"x\"", "SYSTEM_HELP PRINT WAIT \"x\",\"t\"", "SYSTEM_HELP FOR 1,2,E$,P$",
           "SYSTEM_HELP FOR 1,2,E$,P$,ERR=9", "WINPRT READ P$", "WINPRT READ FROM P$", "WINPRT =READ P$,ERR=9",
           "WINPRT DIRECTORY D$", "WINPRT INPUT,I$", "WINPRT LIST L$", "WINPRT WRITE \"x\"", "WINPRT =WRITE FROM \"x\"",
           "FOCUS 5", "FOCUS RETRY 5,ERR=9", "FOCUS READ X", "FOCUS READ X$,ERR=9", "SHOW 5", "SHOW 5:2,6,7:3,ERR=9",
           "HIDE \"abc\"", "HIDE A$,ERR=9", "ENABLE CONTROL 5", "DISABLE CONTROL 5:2,6,ERR=9"})
    EXPECT_EQ(listed_tight(src), tight(src));
  for (const char* src : {
           "MSGBOX", "MSGBOX \"m\",\"t\",\"o\",\"a\"", "MSGBOX \"m\",\"t\",\"o\",A$,B$", "MSGBOX READ A$",
           "MULTI_MEDIA", "MULTI_MEDIA READ A$", "POPUP_MENU", "POPUP_MENU \"m\"", "POPUP_MENU \"m\",\"x\"",
           "POPUP_MENU @(1),\"m\",A$", "POPUP_MENU @(1,2)\"m\",A$", "POPUP_MENU \"m\",A$,B$", "SYSTEM_HELP",
           "SYSTEM_HELP PRINT", "SYSTEM_HELP FOR 1,2,E$", "SYSTEM_HELP FOR 1,2,\"x\",P$", "SYSTEM_HELP \"x\",\"t\",3,4",
           "SYSTEM_HELP READ A$", "WINPRT", "WINPRT \"x\"", "WINPRT READ", "WINPRT READ \"x\"", "WINPRT DELETE A$",
           "WINPRT WRITE", "WINPRT READ A$,B$", "FOCUS", "FOCUS READ", "FOCUS READ 5", "FOCUS 5,6", "FOCUS ON",
           "SHOW", "SHOW 5:", "SHOW 5,", "SHOW ON", "HIDE 5:1:2", "ENABLE CONTROL", "DISABLE CONTROL 5,"})
    compile(src, 20);
}

// The menu bar, the clipboard, the file dialogue, drag-and-drop and the
// REMOVE and RENAME forms of controls: each form takes its own operands when
// entered; a form outside them would stop with 20 as it ran.  CONTROL leads
// no other statement's form (WRITE CONTROL 1 stopped with 49).
TEST_F(GuiServiceGrammar, MenuDropRemoveRenameForms) {
  for (const char* src : {
           "MENU_BAR 5,\"a,b,\"", "MENU_BAR 5,M$,ERR=9", "MENU_BAR ON \"x\"", "MENU_BAR ON,3", "MENU_BAR OFF \"x\",ERR=9",
           "MENU_BAR ENABLE \"x\"", "MENU_BAR DISABLE 3", "MENU_BAR ADD \"x\"", "MENU_BAR AUTO \"x\"", "MENU_BAR SELECT \"x\"",
           "MENU_BAR SHOW \"x\"", "MENU_BAR HIDE \"x\"", "MENU_BAR READ A$", "MENU_BAR READ,A$,ERR=9", "MENU_BAR CLEAR",
           "MENU_BAR GOTO", "MENU_BAR REMOVE,ERR=9", "MENU_BAR RESET",
           "DROP ON 5,1,+3", "DROP ON 5,1,-,ERR=9", "DROP ON 5,1,ENABLE", "DROP ON 5,1,DISABLE", "DROP ON 5,1,OFF",
           "DROP ON AUTO,1,-", "DROP ON OFF,1,+2,ERR=9", "DROP ON N+1,W,+V",
           "REMOVE CONTROL 5", "REMOVE CONTROL /5,6,/7,ERR=9", "REMOVE (1,KEY=\"a\")",
           "RENAME CONTROL 5,6", "RENAME CONTROL 5,6,SHOW", "RENAME CONTROL 5,6,HIDE,ERR=9", "RENAME CONTROL E$",
           "RENAME CONTROL E$,RESTORE", "RENAME CONTROL 5,6,ERR=9", "RENAME \"a\",\"b\"",
           "CLIPBOARD READ C$", "CLIPBOARD READ LIST C$,ERR=9", "CLIPBOARD READ,C$", "CLIPBOARD WRITE \"x\"",
           "CLIPBOARD WRITE,T$+\"x\",ERR=9", "CLIPBOARD", "CLIPBOARD CLEAR", "CLIPBOARD GOTO,ERR=9", "CLIPBOARD RESET",
           "CLIPBOARD AUTO", "CLIPBOARD OFF", "GET_FILE \"t\",F$", "GET_FILE READ \"t\",F$,ERR=9", "GET_FILE WRITE,\"t\",F$",
           "GET_FILE READ F$", "GET_FILE", "GET_FILE REMOVE", "GET_FILE \"t\""})
    EXPECT_EQ(listed_tight(src), tight(src));
  for (const char* src : {
           "MENU_BAR", "MENU_BAR 5", "MENU_BAR 5,\"a\",\"b\"", "MENU_BAR \"x\"", "MENU_BAR ON", "MENU_BAR OFF",
           "MENU_BAR POP \"x\"", "MENU_BAR WRITE \"x\"", "MENU_BAR READ", "MENU_BAR READ \"x\"", "MENU_BAR CLEAR,1",
           "MENU_BAR 5,\"a\",ERR=9,5", "DROP ON", "DROP ON 5", "DROP ON 5,1", "DROP ON 5,1,3", "DROP ON 5,1,+",
           "DROP ON 5,1,+3,4", "DROP ON 5,1,-,5", "REMOVE CONTROL", "REMOVE CONTROL 5,", "REMOVE CONTROL //5",
           "REMOVE OBJECT 5", "RENAME CONTROL", "RENAME CONTROL 5,6,7", "RENAME CONTROL 5,6,AUTO", "RENAME CONTROL 5,6,SHOW,HIDE",
           "CLIPBOARD READ", "CLIPBOARD READ 5", "CLIPBOARD READ C$,D$", "CLIPBOARD WRITE", "CLIPBOARD WRITE \"x\",\"y\"",
           "CLIPBOARD WRITE OPT=\"x\"", "CLIPBOARD 1,2", "CLIPBOARD \"x\"", "CLIPBOARD CLEAR,1", "GET_FILE READ GOTO",
           "GET_FILE \"t\",", "GET_FILE READ,", "WRITE CONTROL 1", "INPUT CONTROL 1,2,3", "UPDATE CONTROL 1",
           "DEF CONTROL 1", "DROP CONTROL 1", "ERASE CONTROL 1", "LOAD CONTROL 1", "MERGE CONTROL 1,2,3"})
    compile(src, 20);
}

}  // namespace

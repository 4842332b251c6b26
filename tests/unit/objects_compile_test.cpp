// Object references and the class statements: each form compiles, lists
// as typed and compiles back to the same bytes; an apostrophe that does not
// follow a variable name still opens a mnemonic.
#include "compile_env.h"

#include "core/codes.h"

namespace {

class ObjectsCompile : public Compile_env {};

TEST_F(ObjectsCompile, ReferencesListAsTyped) {
  for (const char* src : {
           "0010 PRINT H'AGE,H'NAME$,H'*",
           "0010 H'AGE=5",
           "0010 H'NAME$=\"x\"+Y$",
           "0010 H'M(1,2)",
           "0010 X=H'M(FROM \"ANIMAL\",1,A$)+H'N()",
           "0010 PRINT H'_OBJ,H'_CLASS$,H'_REFCNT,H'_PROPLIST$",
           "0010 IF H'AGE>3 THEN PRINT \"old\"",
           "0010 H=NEW(\"CLASS\",1,\"x\"); H2=NEW(H)",
           "0010 X=REF(ADD H)+REF(DROP H)",
           "0010 DROP OBJECT H",
           "0010 DELETE OBJECT H,ERR=100",
           "0010 DROP CLASS \"A\"",
           "0010 LOAD CLASS \"A\",\"a.orc\"",
           "0010 RENAME CLASS \"A\",\"B\"",
           "0010 MERGE OBJECT A,B",
           "0010 SAVE DATA \"vars\",A,B$",
           "0010 LOAD DATA \"vars\"",
           "0010 DROP DATA \"vars\",ERR=20",
       }) {
    EXPECT_EQ(round_trip(src), src);
  }
}

TEST_F(ObjectsCompile, ClassStatementsListAsTyped) {
  for (const char* src : {
           "0010 DEF CLASS \"SHAPE\"",
           "0020 PROPERTY W,H,NAME$",
           "0030 PROPERTY AREA=W*H",
           "0040 PROPERTY LIMIT GET ERR,STATUS$ SET ERR",
           "0050 PROPERTY CREDIT GET CREDIT_GET SET CREDIT_SET",
           "0060 LOCAL SECRET,S$",
           "0070 LIKE \"P1\",\"P2\"",
           "0080 FUNCTION F(*)=1",
           "0090 FUNCTION G$(X,S$)=S$+STR(X)",
           "0100 FUNCTION N()",
           "0110 FUNCTION END",
           "0120 FUNCTION H(X) FOR EVENT \"FileOpen\"",
           "0130 STATIC *",
           "0140 END DEF",
           "0150 END",
       }) {
    EXPECT_EQ(round_trip(src), src);
  }
}

TEST_F(ObjectsCompile, ApostropheAfterANameOnly) {
  std::vector<uint8_t> obj = compile("0010 X=H'AGE");
  std::vector<uint8_t> mnem = compile("0010 PRINT 'CS',X");
  // H'AGE: 250 "H" then the property's own item.
  EXPECT_EQ(obj[6], code::OBJ_REF);
  bool has_mnemonic = false;
  for (uint8_t b : mnem) has_mnemonic |= b == code::MNEM_LIT;
  EXPECT_TRUE(has_mnemonic);
  // A property name may spell a keyword.
  EXPECT_EQ(round_trip("0010 PRINT H'PRINT,H'DATE$"), "0010 PRINT H'PRINT,H'DATE$");
  // "'" after a string variable, or before a blank, is no object reference.
  compile("0010 PRINT A$'CS'", 20);
  compile("0010 PRINT X 'CS'", 20);
}

}  // namespace

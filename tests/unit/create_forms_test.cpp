// The statement forms of the creation directives (KEYED, DIRECT, CREATE,
// SORT, INDEXED, FILE, SERIAL, DIRECTORY, ERASE, RENAME).  A form out of
// shape is refused when it is entered; every form the compiler takes must
// either run (make the file, or stop with error 99 when the kind's driver is
// not built) or stop with its own error number: never an internal code error
// (49), and never with a file left behind.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "channels/channel.h"
#include "console_env.h"
#include "core/codes.h"
#include "core/compiler.h"
#include "core/lister.h"
#include "core/decimal.h"
#include "core/params.h"
#include "core/variables.h"
#include "test_util.h"

namespace {

class Creation_forms : public Console_env {
 protected:
  Scratch_dir dir;
  void SetUp() override {
    Console_env::SetUp();
    if (!ws.Con_fcb) Channels_init();
    ASSERT_TRUE(dir.enter("oru_create_"));
  }
  void TearDown() override {
    Cls_all();
    EXPECT_TRUE(dir.leave());
    Console_env::TearDown();
  }
  // Runs the statement as line 10 of a program; the error it stops with
  // (0 when none).
  int run(const std::string& stmt) {
    Clr_lines();
    Clr_variables();
    type("5 SETERR 900");
    type("6 LET E=0");
    type("10 " + stmt);
    type("890 END");
    type("900 LET E=ERR");
    type("910 END");
    type("RUN");
    return e();
  }
  static int e() {
    Var_node* n = Look_var_name(code::NUM_VAR, u("E"), 1);
    return n ? int(Val_to_dbl(n->num)) : -1;
  }
  static bool exists(const char* name) {
    struct stat st {};
    return lstat(name, &st) == 0;
  }
};

// What a form does: makes the file "k" of this kind (error 99 instead when
// the kind's driver is not built), or stops with this error.
struct Form {
  const char* stmt;
  int kind;  // the kind made; 0: the form stops with err
  int err;
};

constexpr int RUNS = 0;

const Form forms[] = {
    // A bare external key, then keys 1 up as a bracketed list whose segments
    // may lie in the external key.
    {"KEYED \"k\",10,[KEY:1:2],0,-2048", FK_KEYED, RUNS},
    {"KEYED \"k\",10,[KEY:1:2]+[1:1:2],[0:5:4],0,-100", FK_KEYED, RUNS},
    {"KEYED \"k\",10,[KEY:1:11],0,100", 0, 41},
    {"KEYED \"k\",10,[KEY:11:1],0,100", 0, 41},
    {"KEYED \"k\",[KEY:1:2],0,100", 0, 80},
    // The other ways of writing a key definition.
    {"KEYED \"k\",[1:1:10]+[2:5:4:\"D\"],[0:1:20],0,100", FK_KEYED, RUNS},
    {"KEYED \"k\",\"10,[KEY:3:4]\",0,100", FK_KEYED, RUNS},
    {"DIRECT \"k\",[0:1:6],[0:7:30],0,100", FK_KEYED, RUNS},
    // Named keys: the names go into the new file's dictionary.
    {"DIRECT \"k\",[\"id\":0:1:6],[\"name\":0:7:30],0,100", FK_KEYED, RUNS},
    {"KEYED \"k\",10,0,100", FK_KEYED, RUNS},
    {"KEYED \"k\",(10),0,-(-100)", FK_KEYED, RUNS},
    {"KEYED \"k\",10,0,100,SIZ=4,OPT=\"0\",SEP=*", FK_KEYED, RUNS},
    {"KEYED \"k\",10,0,100,5,6", FK_KEYED, RUNS},
    {"CREATE \"k\",10,0,100", FK_EFF, RUNS},
    {"SORT \"k\",20", FK_KEYED, RUNS},
    {"SORT \"k\",20,0,0,5", FK_KEYED, RUNS},
    {"INDEXED \"k\",10,20,0,SEP=\",\"", FK_INDEXED, RUNS},
    {"SERIAL \"k\",0,0,0", FK_SERIAL, RUNS},
    {"KEYED \"k\",A$,0,100", 0, 46},
    {"KEYED \"k\",128,0,100", 0, 41},
    {"KEYED \"k\",10,10,0,100", 0, 41},  // spare percentage 100
    // Operands missing, out of place or not closed.
    {"KEYED", 0, 20},
    {"KEYED \"k\"", 0, 20},
    {"KEYED ,10,0,100", 0, 20},
    {"KEYED \"k\",,0,100", 0, 20},
    {"KEYED \"k\",10 20,0,100", 0, 20},
    {"KEYED \"k\",(1,0,100", 0, 20},
    {"KEYED \"k\",10,0,100+", 0, 20},
    {"KEYED \"k\",10,0,100*(2", 0, 20},
    {"KEYED \"k\",10,0,)100", 0, 20},
    {"KEYED \"k\",10,0,100]", 0, 20},
    {"KEYED \"k\",10,0,100,:", 0, 20},
    {"KEYED \"k\",10,0,100,", 0, 20},
    {"KEYED \"k\",A$(,0,100", 0, 20},
    {"KEYED \"k\",10,0,100,A[", 0, 20},
    {"KEYED \"k\",10,0,100,A++ +", 0, 20},
    // Bracketed lists out of shape.
    {"KEYED \"k\",10,0,100,[1:1:2]", 0, 20},
    {"KEYED \"k\",[1:1:4]+10,0,100", 0, 20},
    {"KEYED \"k\",10[1:1:2],0,100", 0, 20},
    {"KEYED \"k\",10,+[1:1:2],0,100", 0, 20},
    {"KEYED \"k\",[],0,100", 0, 20},
    {"KEYED \"k\",[\"a\"],0,100", 0, 20},
    {"KEYED \"k\",[1:1:2:],0,100", 0, 20},
    {"KEYED \"k\",[1:1:2:\"D\":1],0,100", 0, 20},
    {"KEYED \"k\",[1:1:2]+,0,100", 0, 20},
    {"KEYED \"k\",[1:1:2],[3:1:2", 0, 20},
    {"KEYED \"k\",10,[KEY 1:2],0,100", 0, 20},
    {"CREATE \"k\",[1:1:2],,100", 0, 20},
    // Options without their values, or not separated.
    {"KEYED \"k\",10,0,100,SIZ=,OPT=\"0\"", 0, 20},
    {"KEYED \"k\",10,0,100,OPT=", 0, 20},
    {"KEYED \"k\",10,0,100,SEP=*5", 0, 20},
    {"KEYED \"k\",10,0,100,SIZ=1 2", 0, 20},
    {"KEYED \"k\",[1:1:2],0,100 OPT=\"C\"", 0, 20},
    // The other creation directives.
    {"SORT", 0, 20},
    {"SORT \"k\",[1:1:2]", 0, 20},
    {"SORT \"k\",10,0,0,[1]", 0, 20},
    {"INDEXED \"k\",10,[1]", 0, 20},
    {"FILE", 0, 20},
    {"FILE \"k\",,", 0, 20},
    {"SERIAL \"k\",", 0, 20},
    {"SERIAL \"k\" 5", 0, 20},
    {"DIRECTORY \"k\",5", 0, 20},
    {"RENAME \"k\"", 0, 20},
    {"ERASE \"k\",", 0, 20},
};

TEST_F(Creation_forms, EveryFormRunsOrStopsWithItsOwnError) {
  for (const Form& f : forms) {
    int got = run(f.stmt);
    if (f.kind) {
      bool built = Fio_tbl[f.kind + 1] != Bad_io;
      EXPECT_EQ(got, built ? 0 : 99) << f.stmt;
      EXPECT_EQ(exists("k"), built) << f.stmt;
    } else {
      EXPECT_EQ(got, f.err) << f.stmt;
      EXPECT_FALSE(exists("k")) << f.stmt;
    }
    // A form out of shape is refused when the line is entered; every other
    // form compiles and lists back as it was typed.
    // (SERIAL, DIRECTORY, RENAME and ERASE still read their operands token
    // by token: their shape is checked as they run.)
    const std::string st = f.stmt;
    bool loose = st.rfind("SERIAL", 0) == 0 || st.rfind("DIRECTORY", 0) == 0 || st.rfind("RENAME", 0) == 0 ||
                 st.rfind("ERASE", 0) == 0;
    std::vector<uint8_t> out;
    int cerr = Compile_text(f.stmt, out);
    if (loose) {
      unlink("k");
      continue;
    }
    if (f.err == 20) {
      EXPECT_EQ(cerr, 20) << f.stmt;
    } else {
      EXPECT_EQ(cerr, 0) << f.stmt;
      if (cerr == 0) {
        std::string text = Decompile_text(out.data(), out.size());
        std::vector<uint8_t> again;
        EXPECT_EQ(Compile_text(text, again), 0) << text;
        EXPECT_EQ(again, out) << f.stmt << " listed as " << text;
      }
    }
    unlink("k");
  }
}

// An error found in the operands as they run is taken by the statement's
// own ERR=, however far along it stands; a shape outside the statement's
// form is refused when the line is entered.
TEST_F(Creation_forms, ShapeErrorsTakeTheStatementsErr) {
  Clr_lines();
  Clr_variables();
  std::vector<uint8_t> out;
  EXPECT_EQ(Compile_text("KEYED \"k\",10,0,100+,ERR=30", out), 20);
  type("10 KEYED \"k\",10,0,\"x\",ERR=30");
  type("20 LET E=1");
  type("25 END");
  type("30 LET E=ERR");
  type("RUN");
  EXPECT_EQ(e(), 26);
}

}  // namespace

// Program files in use: what SAVE writes (header fields, versions, the
// 16-bit and 32-bit forms), the loaded-program list and its keep limit,
// the program-file channel, and I/O event programs.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "channels/channel.h"
#include "core/codes.h"
#include "core/params.h"
#include "core/variables.h"
#include "core/workspace.h"
#include "console_env.h"
#include "programs/call_frame.h"
#include "programs/program_file.h"
#include "programs/program_list.h"

namespace {

using Bytes = std::vector<uint8_t>;

class Programs : public Console_env {
 protected:
  void SetUp() override {
    Console_env::SetUp();
    if (!ws.Con_fcb) Channels_init();
    char tmpl[] = "/tmp/oru_programs_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir = tmpl;
    char here[4096];
    ASSERT_NE(getcwd(here, sizeof here), nullptr);
    old_dir = here;
    ASSERT_EQ(chdir(dir.c_str()), 0);
    Prm_defaults();
  }
  void TearDown() override {
    Pop_all_frames();
    Console_env::TearDown();
    Clr_progs();
    Prm_defaults();
    ASSERT_EQ(chdir(old_dir.c_str()), 0);
    std::string cmd = "rm -rf '" + dir + "'";
    ASSERT_EQ(system(cmd.c_str()), 0);
  }
  static Bytes file(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
  }
  static double num(const char* name) {
    Var_node* v = Look_var_name(code::NUM_VAR, reinterpret_cast<const uint8_t*>(name), int(std::strlen(name)));
    return v ? double(v->num.mant) / (v->num.scale == 0 ? 1 : v->num.scale == 1 ? 10 : 100) : -999;
  }
  static std::string str(const char* name) {
    Var_node* v = Look_var_name(code::STR_VAR, reinterpret_cast<const uint8_t*>(name), int(std::strlen(name)));
    return v && v->str ? std::string(reinterpret_cast<const char*>(v->str->bytes()), v->str->len) : "";
  }
  std::string dir, old_dir;
};

TEST_F(Programs, SaveWritesTheHeaderFieldsAndKeepsTheUnusedOnes) {
  program({"10 PRINT 1"});
  type("SAVE \"p\"");
  Bytes f = file("p");
  ASSERT_GE(f.size(), PRG_HDR_SIZE);
  EXPECT_TRUE(Prg_is_header(f.data()));
  EXPECT_EQ(f[PH_VERSION], 1);
  EXPECT_EQ(get_u16be(f.data() + PH_MINOR), 1);
  EXPECT_EQ(get_u16be(f.data() + PH_MAJOR), 0);
  EXPECT_EQ(f.size(), PRG_HDR_SIZE + Prg_image_size(f.data()));
  // Bytes that belong to nobody survive saves.
  int fd = open("p", O_RDWR);
  ASSERT_GE(fd, 0);
  uint8_t mark[3] = {0xAB, 0xCD, 0xEF};
  ASSERT_EQ(pwrite(fd, mark, 1, 30), 1);
  ASSERT_EQ(pwrite(fd, mark + 1, 1, 130), 1);
  ASSERT_EQ(pwrite(fd, mark + 2, 1, 250), 1);
  close(fd);
  type("SAVE \"p\"");
  f = file("p");
  EXPECT_EQ(f[30], 0xAB);
  EXPECT_EQ(f[130], 0xCD);
  EXPECT_EQ(f[250], 0xEF);
  EXPECT_EQ(get_u16be(f.data() + PH_MINOR), 2);
}

TEST_F(Programs, VersionNumbersRollOverAndTheOptionSetsTheMajor) {
  program({"10 PRINT 1"});
  type("SAVE \"p\",IND=7");
  Bytes f = file("p");
  EXPECT_EQ(get_u16be(f.data() + PH_MAJOR), 7);
  EXPECT_EQ(get_u16be(f.data() + PH_MINOR), 0);
  int fd = open("p", O_RDWR);
  uint8_t minor[2] = {0x27, 0x0F};  // 9999
  ASSERT_EQ(pwrite(fd, minor, 2, PH_MINOR), 2);
  close(fd);
  type("SAVE \"p\"");
  f = file("p");
  EXPECT_EQ(get_u16be(f.data() + PH_MAJOR), 8);
  EXPECT_EQ(get_u16be(f.data() + PH_MINOR), 1);
  ws.Err_no = 0;
  type("SAVE \"p\",IND=65536");
  EXPECT_EQ(ws.Err_no, 41);
}

// The blocks of a program file: each header's minor version, newest first.
std::vector<int> chain(const Bytes& f) {
  std::vector<int> minors;
  size_t at = 0;
  while (at + PRG_HDR_SIZE <= f.size() && Prg_is_header(f.data() + at)) {
    minors.push_back(get_u16be(f.data() + at + PH_MINOR));
    at += PRG_HDR_SIZE + Prg_image_size(f.data() + at);
  }
  EXPECT_EQ(at, f.size());
  return minors;
}

TEST_F(Programs, EarlierVersionsAreKeptWithinTheLimit) {
  type("SET_PARAM '+R'=2");
  program({"10 PRINT 1"});
  type("SAVE \"p\"");
  type("10 PRINT 2");
  type("SAVE \"p\"");
  type("10 PRINT 3");
  type("SAVE \"p\"");
  EXPECT_EQ(chain(file("p")), (std::vector<int>{3, 2}));
  // A version saved with a number (minor 0) is always kept.
  type("SAVE \"p\",IND=1");
  type("10 PRINT 4");
  type("SAVE \"p\"");
  type("SAVE \"p\"");
  EXPECT_EQ(chain(file("p")), (std::vector<int>{2, 1, 0}));
}

TEST_F(Programs, AnUnchangedLoadedProgramIsWrittenByteForByte) {
  program({"10 X=1; GOTO LAST", "20 PRINT \"never\"", "30 LAST: IF X=1 THEN GOTO 99", "40 Y$=\"s\""});
  type("SAVE \"a\"");
  type("LOAD \"a\"");
  EXPECT_NE(ws.Pgm_image, nullptr);
  type("SAVE \"b\"");
  Bytes a = file("a"), b = file("b");
  ASSERT_EQ(a.size(), b.size());
  EXPECT_TRUE(std::equal(a.begin() + PRG_HDR_SIZE, a.end(), b.begin() + PRG_HDR_SIZE));
  // GOTO 99, a line that does not exist, stays code 7 with its number.
  const uint8_t seven[] = {code::LINE_REF, 0, 99};
  EXPECT_NE(std::search(a.begin(), a.end(), seven, seven + 3), a.end());
}

TEST_F(Programs, ALargeProgramTakesTheThirtyTwoBitFormAndStillRuns) {
  std::string text(200, 'x');
  type("10 N=0; GOTO FIRST");
  for (int i = 0; i < 400; i++) type(std::to_string(100 + i) + " S$=\"" + text + "\"");
  type("1000 FIRST: N=N+1; IF N<3 THEN GOTO 1000");
  type("500 RETURN");
  type("1010 GOSUB 499; GOTO 2000");
  type("2000 DONE: R=N");
  type("SAVE \"big\"");
  Bytes f = file("big");
  EXPECT_EQ(get_u16be(f.data() + PH_SIZE16), 0);  // the 32-bit form
  EXPECT_GT(get_u32be(f.data() + PH_SIZE32), 65535u);
  EXPECT_NE(get_u32be(f.data() + PH_STMTTBL), 0u);
  type("LOAD \"big\"");
  type("RUN");
  EXPECT_EQ(num("R"), 3);
  EXPECT_EQ(str("S$").size(), 200u);
}

TEST_F(Programs, TheKeepLimitDecidesWhichIdleProgramsStay) {
  for (const char* n : {"p1", "p2", "p3", "p4"}) {
    type("DELETE");
    type("10 EXIT");
    type(std::string("SAVE \"") + n + "\"");
  }
  type("DELETE");
  Prog_drop(nullptr);
  type("CALL \"p1\"");
  EXPECT_EQ(Prog_count(), 0);  // PC 0: freed on return
  type("SET_PARAM 'PC'=3");
  type("10 CALL \"p1\"; CALL \"p2\"; CALL \"p3\"; CALL \"p4\"; CALL \"p4\"");
  uint32_t loads = ws.Prog_loads, hits = ws.Prog_hits;
  type("RUN");
  EXPECT_EQ(Prog_count(), 3);
  EXPECT_EQ(ws.Prog_loads - loads, 4u);
  EXPECT_EQ(ws.Prog_hits - hits, 1u);  // the second p4 found the first
  EXPECT_EQ(std::string(ws.Prog_head->path->name), "p4");
  EXPECT_EQ(std::string(ws.Prog_tail->path->name), "p2");  // p1, the oldest idle one, went
}

TEST_F(Programs, TheProgramChannelReadsBytesBehindTheHeader) {
  // An image of 250 bytes behind the header.
  Bytes f(PRG_HDR_SIZE + 250, 'i');
  Prg_fresh_header(f.data());
  put_u16be(f.data() + PH_SIZE16, 250);
  std::ofstream("raw", std::ios::binary).write(reinterpret_cast<const char*>(f.data()), std::streamsize(f.size()));
  type("OPEN (1)\"raw\"");
  type("I0=IND(1)");
  type("READ (1,SIZ=100)A$");
  type("READ (1,SIZ=100)B$");
  type("READ (1,SIZ=100,END=10)C$");
  EXPECT_EQ(num("I0"), 256);
  EXPECT_EQ(str("A$").size(), 100u);
  EXPECT_EQ(str("B$").size(), 100u);
  EXPECT_EQ(str("C$"), "");  // a short read delivers nothing
  type("CLOSE (1)");
  f.resize(PRG_HDR_SIZE + 600, 'j');
  std::ofstream("raw", std::ios::binary).write(reinterpret_cast<const char*>(f.data()), std::streamsize(f.size()));
  type("OPEN (1)\"raw\"");
  type("READ (1)D$");
  type("I1=IND(1)");
  type("READ (1,IND=300,SIZ=2)E$");
  EXPECT_EQ(str("D$").size(), 512u);
  EXPECT_EQ(num("I1"), 768);
  EXPECT_EQ(str("E$"), "ii");
  type("CLOSE (1)");
  type("OPEN LOCK (1)\"raw\"");
  type("PURGE (1)");
  type("CLOSE (1)");
  Bytes g = file("raw");
  ASSERT_EQ(g.size(), PRG_HDR_SIZE);
  EXPECT_TRUE(Prg_is_header(g.data()));
  EXPECT_TRUE(std::all_of(g.begin() + 8, g.end(), [](uint8_t b) { return b == 0; }));
}

TEST_F(Programs, EventProgramsRunForTheEventsOfAChannel) {
  // The event program: PRE_READ supplies the record of an IND= read itself;
  // POST_WRITE fails with 11, which takes the statement's DOM=.
  type("10 END");
  type("100 PRE_READ: ENTER HOW,K$,N,REC$");
  type("110 IF HOW<>2 THEN EXIT");
  type("120 REC$=\"made for \"+STR(N); EXIT -2");
  type("200 POST_WRITE: EXIT 11");
  type("SAVE \"events\"");
  type("DELETE");
  type("SERIAL \"data\"");
  type("OPEN LOCK (1)\"data\"");
  Fcb* f = Find_fp(1);
  ASSERT_NE(f, nullptr);
  f->event_pgm = static_cast<char*>(Get_blk(7));
  std::memcpy(f->event_pgm, "events", 7);
  type("10 WRITE (1,DOM=30)\"line\"");
  type("20 STOP");
  type("30 W=1");
  type("RUN");
  EXPECT_EQ(num("W"), 1);
  type("CLOSE (1)");
  type("OPEN (1)\"data\"");
  f = Find_fp(1);
  f->event_pgm = static_cast<char*>(Get_blk(7));
  std::memcpy(f->event_pgm, "events", 7);
  type("READ (1)A$");  // no IND=: the program leaves the read to the file
  EXPECT_EQ(str("A$"), "line");
  type("READ (1,IND=0)B$");
  EXPECT_EQ(str("B$"), "made for 0");
  EXPECT_EQ(f->event_mask & EVM_RUNNING, 0u);
  type("CLOSE (1)");
}

}  // namespace

namespace {

// The process keeps the images of programs the list lets go: PC 0 still
// leaves the list empty after a call, the next call counts as a load, and
// SAVE, ERASE and RENAME empty the own cache.
TEST_F(Programs, ImagesTheListLetsGoAreKeptOutOfIt) {
  type("DELETE");
  type("10 ENTER A; EXIT");
  type("SAVE \"k1\"");
  type("DELETE");
  Prog_drop(nullptr);
  Prog_cache_forget();
  type("CALL \"k1\",1");
  EXPECT_EQ(Prog_count(), 0);
  EXPECT_EQ(Prog_cache_count(), 1);
  uint32_t loads = ws.Prog_loads;
  type("CALL \"k1\",2");
  EXPECT_EQ(ws.Prog_loads - loads, 1u);  // to the program, a load
  EXPECT_EQ(Prog_cache_count(), 1);
  type("SAVE \"k2\"");
  EXPECT_EQ(Prog_cache_count(), 0);
  type("CALL \"k1\",3");
  EXPECT_EQ(Prog_cache_count(), 1);
  type("RENAME \"k2\",\"k3\"");
  EXPECT_EQ(Prog_cache_count(), 0);
}

// A called program's variables are kept cleared between calls: values,
// arrays, integer truncation and access to global ("%") variables are those
// of a first call.
TEST_F(Programs, KeptVariablesStartClearedAtEveryCall) {
  type("DELETE");
  type("10 ENTER A,R");
  type("20 R=X+LEN(S$)+Y%+A; X=X+10; S$=S$+\"abc\"; Y%=2.7");
  type("30 DIM D[2]; D[1]=D[1]+1; R=R+D[1]*100; %G=%G+1");
  type("40 EXIT");
  type("SAVE \"kv\"");
  type("DELETE");
  type("10 FOR I=1 TO 3; CALL \"kv\",I,R; T=T+R; NEXT I");
  type("RUN");
  EXPECT_EQ(num("T"), 1 + 2 + 3 + 300);
  EXPECT_EQ(num("%G"), 3);
  type("CLEAR");
  type("%G=40");
  type("CALL \"kv\",0,R");
  EXPECT_EQ(num("%G"), 41);  // the new global, not a freed one
  EXPECT_EQ(num("R"), 100);
}

// Each call's program has the name that call gave, whatever the last call
// of the same program gave (a resident program keeps the last name's block
// for a call that gives the same bytes).
TEST_F(Programs, EachCallHasTheNameItGave) {
  type("DELETE");
  type("10 ENTER A; EXIT");
  type("SAVE \"pn\"");
  type("DELETE");
  type("ADDR \"pn\"");
  auto given = [] {
    return ws.Pgm_name ? std::string(reinterpret_cast<const char*>(ws.Pgm_name->bytes()), ws.Pgm_name->len)
                       : std::string("(none)");
  };
  for (const char* name : {"pn", "pn  ", "pn", "pn", "./pn", "pn "}) {
    Exec_call(name);
    EXPECT_EQ(given(), name);
    Pop_all_frames();
    EXPECT_EQ(given(), "(none)");
  }
  type("X=5");
  type("CALL \"pn \",X");
  type("CALL \"pn\",X");
  EXPECT_EQ(num("X"), 5);
}

}  // namespace

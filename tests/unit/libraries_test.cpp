// Program libraries: the member records SAVE writes (checked by reading the
// library with the keyed engine, not the library code), the library chain
// under parameter PL, members written back only when saved, and the
// replayed fuzzer corpus and crashers of library members.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "channels/channel.h"
#include "core/params.h"
#include "console_env.h"
#include "keyed/keyed_file.h"
#include "programs/call_frame.h"
#include "programs/libraries.h"
#include "programs/program_file.h"
#include "programs/program_list.h"
#include "test_util.h"
#include "../fuzz/library_bytes.h"

namespace fs = std::filesystem;

namespace {

class Libraries : public Console_env {
 protected:
  Scratch_dir dir;
  void SetUp() override {
    Console_env::SetUp();
    if (!ws.Con_fcb) Channels_init();
    ASSERT_TRUE(dir.enter("oru_libraries_"));
    Prm_defaults();
  }
  void TearDown() override {
    Pop_all_frames();
    Console_env::TearDown();
    Cls_all();
    ClosePrgLibraries();
    Clr_progs();
    Prm_defaults();
    ASSERT_TRUE(dir.leave());
  }
  // The record of member m read straight from the keyed file.
  static std::string record(const std::string& lib, const std::string& key) {
    Key_chan* kc = Key_open(lib);
    std::string r;
    try {
      r = Key_read(kc, Key_by(key));
    } catch (const Oru_error&) {
      r = "<missing>";
    }
    Key_close(kc);
    return r;
  }
  static std::string pad(const std::string& s, size_t n) { return s + std::string(n - s.size(), ' '); }
};

TEST_F(Libraries, SaveWritesKeyHeaderAndImage) {
  program({"10 PRINT 1", "SAVE \"[lib:lib]one\""});
  std::string r = record("lib", pad("one", 32));
  ASSERT_GT(r.size(), 32u + PRG_HDR_SIZE);
  EXPECT_EQ(r.substr(0, 32), pad("one", 32));
  const uint8_t* h = reinterpret_cast<const uint8_t*>(r.data()) + 32;
  EXPECT_TRUE(Prg_is_header(h));
  EXPECT_EQ(Prg_image_size(h), r.size() - 32 - PRG_HDR_SIZE);
  // The image loads as a program file would.
  std::string file = r.substr(32);
  Prog_obj* rec = Prog_load_bytes(reinterpret_cast<const uint8_t*>(file.data()), file.size(), "x");
  EXPECT_GT(rec->image_size, 0u);
}

TEST_F(Libraries, BackslashStoredAsSlashAndLongNamesWidenTheKey) {
  program({"10 PRINT 1", "SAVE \"[lib:a]dir\\prog\""});
  EXPECT_NE(record("a", pad("dir/prog", 32)), "<missing>");
  std::string forty(40, 'n');
  type("SAVE \"[lib:b]" + forty + "\"");
  EXPECT_NE(record("b", pad(forty, 64)), "<missing>");
  std::string long_name(100, 'q');
  type("SAVE \"[lib:c]" + long_name + "\"");
  EXPECT_NE(record("c", pad(long_name, 127)), "<missing>");
  // A name longer than the key of an existing library is no member of it
  // (12, as for a library that is not there).
  type("SAVE \"[lib:a]" + forty + "\"");
  EXPECT_EQ(ws.Err_no, 12);
}

TEST_F(Libraries, ParameterPlBoundsTheOpenLibraries) {
  ws.Prm = Params{};
  prmblk.PL = 2;
  program({"10 PRINT 1", "SAVE \"[lib:l1]p\"", "SAVE \"[lib:l2]p\"", "SAVE \"[lib:l3]p\""});
  EXPECT_EQ(Lib_open_count(), 2);
  prmblk.PL = 0;
  type("RUN \"[lib:l1]p\"");
  EXPECT_EQ(ws.Err_no, 12);
}

TEST_F(Libraries, MemberChannelRefusesWritesAndKeys) {
  program({"10 PRINT 1", "SAVE \"[lib:lib]one\"", "OPEN (1)\"[lib:lib]one\""});
  type("WRITE RECORD (1)\"x\"");
  EXPECT_EQ(ws.Err_no, 13);
  type("READ (1,KEY=\"x\")A$");
  EXPECT_NE(ws.Err_no, 0);
  type("PRINT KEF(1)");
  EXPECT_EQ(ws.Err_no, 13);
  type("CLOSE (1)");
  // A member opened and closed without SAVE is not written back: the
  // library file is not touched.
  struct stat before {}, after {};
  ASSERT_EQ(stat("lib", &before), 0);
  usleep(20000);
  program({"OPEN (1)\"[lib:lib]one\"", "READ RECORD (1)A$", "CLOSE (1)"});
  ASSERT_EQ(stat("lib", &after), 0);
  EXPECT_EQ(before.st_mtim.tv_nsec, after.st_mtim.tv_nsec);
  EXPECT_EQ(before.st_size, after.st_size);
}

TEST_F(Libraries, DamagedMembersGiveErrors) {
  try {
  // A member record that is no program, one with a header and no image, and
  // one whose header claims more image than the record holds.
  Make_fuzz_library("lib");
  Key_chan* kc = Key_open("lib");
  Key_req w;
  w.directive = 232;
  std::string hdr(256, '\0');
  hdr.replace(0, 8, "[Oruprg]");
  Key_write(kc, w, pad("text", 32) + "just text");
  Key_write(kc, w, pad("empty", 32) + hdr);
  std::string big = hdr;
  big[8] = char(0x7F);
  Key_write(kc, w, pad("big", 32) + big + "abc");
  Key_close(kc);
  type("RUN \"[lib:lib]text\"");
  EXPECT_EQ(ws.Err_no, 17);
  type("RUN \"[lib:lib]empty\"");
  EXPECT_EQ(ws.Err_no, 2);
  type("RUN \"[lib:lib]big\"");
  EXPECT_EQ(ws.Err_no, 2);
  } catch (const Oru_error& e) { FAIL() << "error " << e.no; }
}

// The library fuzzer's seeds and crashers: each member opens and loads, or
// fails with an error number.
TEST_F(Libraries, FuzzCorpusLoadsOrFailsCleanly) {
  int files = 0;
  for (const char* sub : {"tests/fuzz/corpus_library", "tests/fuzz/regressions_library"}) {
    fs::path p = fs::path(ORU_SOURCE_DIR) / sub;
    if (!fs::exists(p)) continue;
    for (const auto& e : fs::directory_iterator(p)) {
      std::ifstream in(e.path(), std::ios::binary);
      std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      ++files;
      int err = Exercise_library_member(dir.path() + "/fz", reinterpret_cast<const uint8_t*>(bytes.data()),
                                        bytes.size());
      if (e.path().filename() == "saved_program") {
        EXPECT_EQ(err, 0) << e.path();
      }
      if (e.path().filename() == "not_program") {
        EXPECT_EQ(err, 17) << e.path();
      }
    }
  }
  EXPECT_GT(files, 5);
}

}  // namespace

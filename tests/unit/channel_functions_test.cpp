// IOL(, VIN(, VIS( and REC( on a channel's own I/O lists: the channel's
// list block is laid as OPEN leaves it (its IOL= list, then the two lists
// kept with the file), and the functions are run from typed statements.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <string>

#include "channels/channel.h"
#include "channels/io_list.h"
#include "channels/open.h"
#include "core/codes.h"
#include "core/memory.h"
#include "core/params.h"
#include "core/variables.h"
#include "core/workspace.h"
#include "console_env.h"

namespace {

// Compiled items: A$, B, C$ and X.
const std::string main_items = std::string("\x02\x02" "A$" "\x25" "\x01\x01" "B" "\x25" "\x02\x02" "C$", 13);
const std::string kept_items = std::string("\x01\x01" "X", 3);

class ChannelLists : public Console_env {
 protected:
  void SetUp() override {
    Console_env::SetUp();
    if (!ws.Con_fcb) Channels_init();
    prmblk.FS = 138;
    char tmpl[] = "/tmp/oru_iolfn_XXXXXX";
    int fd = mkstemp(tmpl);
    ASSERT_GE(fd, 0);
    close(fd);
    path = tmpl;
    type("OPEN (1)\"" + path + "\"");
    type("OPEN (2)\"" + path + "\"");
    Fcb* f = Find_fp(1);
    ASSERT_NE(f, nullptr);
    ASSERT_NE(Find_fp(2), nullptr);
    // IOL= list, the first kept list, no second kept list.
    size_t n1 = main_items.size() + 3, n2 = kept_items.size() + 3;
    auto* b = static_cast<uint8_t*>(Get_blk(n1 + 1 + n2 + 1 + 2));
    uint8_t* p = b;
    for (const std::string* items : {&main_items, &kept_items}) {
      put_u16be(p, uint16_t(items->size() + 3));
      p[2] = code::D_IOLIST;
      std::memcpy(p + 3, items->data(), items->size());
      p[3 + items->size()] = code::EOL;
      p += items->size() + 4;
    }
    put_u16be(p, 0);
    f->iol = b;
    type("A$=\"alpha\"; B=42; C$=\"gamma\"; X=7");
  }
  void TearDown() override {
    type("CLOSE (1); CLOSE (2)");
    unlink(path.c_str());
    Console_env::TearDown();
  }
  std::string str(const char* name) {
    Var_node* v = Look_var_name(code::STR_VAR, reinterpret_cast<const uint8_t*>(name), int(std::strlen(name)));
    if (!v || !v->str) return "";
    return std::string(reinterpret_cast<const char*>(v->str->bytes()), v->str->len);
  }
  int err(const std::string& stmt) {
    ws.Err_no = 0;
    type(stmt);
    return ws.Err_no;
  }
  std::string path;
};

std::string as_iol(const std::string& items) { return std::string("\0\0\xB9", 3) + items + "\xFF"; }

TEST_F(ChannelLists, IolGivesTheListInItsReturnedForm) {
  type("R$=IOL(1)");
  EXPECT_EQ(str("R$"), as_iol(main_items));
  type("R$=IOL(1:\"G\")");
  EXPECT_EQ(str("R$"), as_iol(kept_items));
}

TEST_F(ChannelLists, IolWithANameGivesNamesOrOneEntry) {
  type("R$=IOL(1,\"\")");
  EXPECT_EQ(str("R$"), "A$\x8A" "B\x8A" "C$\x8A");
  type("R$=IOL(1,\"b\")");
  EXPECT_EQ(str("R$"), as_iol(std::string("\x01\x01" "B", 3)));
  EXPECT_EQ(err("R$=IOL(1,\"Q\")"), 81);
}

TEST_F(ChannelLists, MissingListsAreError81) {
  EXPECT_EQ(err("R$=IOL(1:\"1\")"), 81);  // no second kept list
  EXPECT_EQ(err("R$=IOL(2)"), 81);
  EXPECT_EQ(err("N=VIN(2,\"A\")"), 81);
  EXPECT_EQ(err("R$=IOL(9)"), 13);
}

TEST_F(ChannelLists, VinAndVisFetchTheNamedVariables) {
  type("N=VIN(1,\"B\"); R$=VIS(1,\"b\"); S$=VIS(1,\"A$\")");
  EXPECT_EQ(str("R$"), "42");
  EXPECT_EQ(str("S$"), "alpha");
  type("C$=\"12.5\"; N=VIN(1,\"C$\")*2; R$=STR(N)");
  EXPECT_EQ(str("R$"), "25");
  EXPECT_EQ(err("N=VIN(1,\"Z\")"), 81);
  EXPECT_EQ(err("N=VIN(70000,\"B\")"), 41);
  EXPECT_EQ(err("N=VIN(1,\"\")"), 46);
  EXPECT_EQ(err("N=VIN(1,\"" + std::string(128, 'N') + "\")"), 23);
}

TEST_F(ChannelLists, RecBuildsTheRecordAsWriteWould) {
  type("R$=REC(IOL(1),SEP=\",\")");
  EXPECT_EQ(str("R$"), "alpha,42,gamma,");
  type("R$=REC(IOL(1))");
  EXPECT_EQ(str("R$"), "alpha\x8A" "42\x8A" "gamma\x8A");
  type("R$=REC(IOL(1),SEP=\"\")");
  EXPECT_EQ(str("R$"), "alpha42gamma");
  EXPECT_EQ(err("R$=REC(\"not a list\")"), 45);
}

TEST_F(ChannelLists, PfxGivesPrefixListsAndVirtualDirectories) {
  Pfx_set(0, "/tmp/ /usr/");
  Pfx_set(35, "/pgm/");
  Pfx_set(6, "\x80/closed/");
  Kest_AddVdir("ORU_PFX_TEST_VDIR", "/srv/data");
  type("R$=PFX(0); S$=PFX(PGN); T$=PFX(\"oru_pfx_test_vdir\"); U$=PFX(1); V$=PFX(-1)");
  EXPECT_EQ(str("R$"), "/tmp/ /usr/");
  EXPECT_EQ(str("S$"), "/pgm/");
  EXPECT_EQ(str("T$"), "/srv/data");
  EXPECT_EQ(str("U$"), "");
  EXPECT_EQ(str("V$"), "");  // no prefix file open
  EXPECT_EQ(err("R$=PFX(35)"), 41);
  EXPECT_EQ(err("R$=PFX(-2)"), 41);
  EXPECT_EQ(err("R$=PFX(6)"), 14);
  Pfx_set(0, "");
  Pfx_set(35, "");
  Pfx_set(6, "");
}

}  // namespace

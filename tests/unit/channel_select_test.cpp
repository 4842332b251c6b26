// Making a channel current (Select_channel) and the system's own opens
// (Open_internal): the five fields that name the current channel change
// together wherever a channel is made current, and an internal open starts
// from the same reset area as an I/O statement, whatever the statement that
// asked for the file had set.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <string>

#include "channels/channel.h"
#include "channels/close.h"
#include "channels/console_channel.h"
#include "channels/io_options.h"
#include "channels/open.h"
#include "console_env.h"
#include "core/codes.h"
#include "core/params.h"
#include "test_util.h"

namespace {

constexpr int32_t TEST_KIND = 19;  // a reserved code: free for the test driver

// What the test driver's close saw of the current-I/O area.
int closes = 0;
uint16_t close_chan = 0;
int32_t close_fd = 0;
Fcb* close_fcb = nullptr;

int64_t t_close() {
  ++closes;
  close_fcb = ws.Cur_fcb;
  close_chan = ws.Cur_chan;
  close_fd = ws.Cur_fd;
  return 0;
}

const Fio_op test_fotbl[FIO_SLOTS] = {
    Io_mode_err, Io_mode_err, t_close,     Io_mode_err, Io_mode_err,   Io_mode_err,  Io_mode_err,
    Io_mode_err, Io_mode_err, Io_mode_err, Io_mode_err, Io_mode_err,   Io_do_nothing, Io_wr_mode,
    Io_mode_err, Io_mode_err, Io_mode_err, Io_mode_err, Io_do_nothing, Io_do_nothing};

class Channel_select : public Console_env {
 protected:
  std::string dir;

  void SetUp() override {
    Console_env::SetUp();
    if (!ws.Con_fcb) Channels_init();
    Fio_register(TEST_KIND, test_fotbl);
    closes = 0;
    close_fcb = nullptr;
    char tmpl[] = "/tmp/oru_select_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir = tmpl;
  }
  void TearDown() override {
    Cls_all();
    Console_env::TearDown();
    std::string cmd = "rm -rf '" + dir + "'";
    EXPECT_EQ(std::system(cmd.c_str()), 0);
  }
  Fcb* link(uint16_t n, int32_t fd) {
    Fcb* f = Fcb_alloc<Fcb>();
    f->channel = n;
    f->kind = TEST_KIND;
    f->fd = fd;
    f->separator = prmblk.FS;
    ws.Cur_fcb = f;
    ws.Cur_chan = n;
    Link_fp();
    return f;
  }
  std::string file(const std::string& name, const std::string& text) {
    std::string path = dir + "/" + name;
    std::ofstream(path) << text;
    return path;
  }
  // Fills every per-statement field with what a statement such as
  // READ (5,KEY="K",KNO=3,TIM=50,DOM=10,END=20,TBL=T$,NBF=9,RTY=4,SIZ=7)
  // leaves in the current-I/O area.
  void statement_leftovers() {
    static const uint8_t junk[] = "junk";
    ws.Io_key_ptr = junk;
    ws.Io_key_len = 4;
    ws.Io_tbl = junk;
    ws.Io_iol_ptr = junk;
    ws.Io_iol_len = 4;
    ws.Io_hlp_ptr = junk;
    ws.Io_hlp_len = 4;
    ws.Io_tim = 50;
    ws.Io_sep = 'x';
    ws.Io_read_len = 12;
    ws.Io_bin_rsz = 64;
    ws.Bsy_line = 5;
    ws.Dom_line = 10;
    ws.End_line = 20;
    ws.Io_nbf = 9;
    ws.Io_rty = 4;
    ws.Io_siz = 7;
    ws.Iol_depth = 2;
    ws.Io_kno = 3;
    ws.Io_step = 1;
    ws.Io_key_cnt = 2;
    ws.Io_evt_line = 30;
    ws.Io_open_mods = 0xff;
    ws.Io_rec_prefix = junk;
  }
  // The fields an internal open must start from.
  void expect_reset_area() {
    const Io_state d{};
    EXPECT_EQ(ws.Io_key_ptr, d.Io_key_ptr);
    EXPECT_EQ(ws.Io_key_len, d.Io_key_len);
    EXPECT_EQ(ws.Io_tbl, d.Io_tbl);
    EXPECT_EQ(ws.Io_iol_ptr, d.Io_iol_ptr);
    EXPECT_EQ(ws.Io_iol_len, d.Io_iol_len);
    EXPECT_EQ(ws.Io_hlp_ptr, d.Io_hlp_ptr);
    EXPECT_EQ(ws.Io_tim, d.Io_tim);
    EXPECT_EQ(ws.Io_read_len, d.Io_read_len);
    EXPECT_EQ(ws.Io_bin_rsz, d.Io_bin_rsz);
    EXPECT_EQ(ws.Bsy_line, d.Bsy_line);
    EXPECT_EQ(ws.Dom_line, d.Dom_line);
    EXPECT_EQ(ws.End_line, d.End_line);
    EXPECT_EQ(ws.Io_nbf, d.Io_nbf);
    EXPECT_EQ(ws.Iol_depth, d.Iol_depth);
    EXPECT_EQ(ws.Io_kno, d.Io_kno);
    EXPECT_EQ(ws.Io_step, d.Io_step);
    EXPECT_EQ(ws.Io_key_cnt, d.Io_key_cnt);
    EXPECT_EQ(ws.Io_evt_line, d.Io_evt_line);
    EXPECT_EQ(ws.Io_open_mods, d.Io_open_mods);
    EXPECT_EQ(ws.Io_rty, prmblk.WT);
    EXPECT_EQ(ws.Io_sep, int32_t(prmblk.FS));
    EXPECT_EQ(ws.Io_rec_prefix, nullptr);
  }
};

TEST_F(Channel_select, SelectChannelNamesTheChannelInAllFiveFields) {
  Fcb* f = link(7, 42);
  ws.Cur_fcb = ws.Con_fcb;
  ws.Cur_chan = 0;
  ws.Cur_fd = -1;
  ws.Cur_ftype = FK_DEVICE;
  ws.Cur_drv = Bad_io;
  Select_channel(f);
  EXPECT_EQ(ws.Cur_fcb, f);
  EXPECT_EQ(ws.Cur_chan, 7);
  EXPECT_EQ(ws.Cur_fd, 42);
  EXPECT_EQ(ws.Cur_ftype, TEST_KIND);
  EXPECT_EQ(ws.Cur_drv, Fio_tbl[TEST_KIND + 1]);

  // The console: its record on channel 0 with the device driver.
  Select_console();
  EXPECT_EQ(ws.Cur_fcb, ws.Con_fcb);
  EXPECT_EQ(ws.Cur_chan, 0);
  EXPECT_EQ(ws.Cur_ftype, ws.Con_fcb->kind);
  EXPECT_EQ(ws.Cur_drv, Fio_tbl[ws.Con_fcb->kind + 1]);
}

TEST_F(Channel_select, ConsoleRecordMadeAgainKeepsTheCurrentChannelWhole) {
  // The console's record is made again (after Console_close) while a file
  // channel is current: the file stays current with its own driver, not
  // the device driver beside the file's record.
  Fcb* f = link(5, 11);
  Select_channel(f);
  Console_close();
  ASSERT_EQ(ws.Con_fcb, nullptr);
  Channels_init();
  ASSERT_NE(ws.Con_fcb, nullptr);
  EXPECT_EQ(ws.Cur_fcb, f);
  EXPECT_EQ(ws.Cur_chan, 5);
  EXPECT_EQ(ws.Cur_ftype, TEST_KIND);
  EXPECT_EQ(ws.Cur_drv, Fio_tbl[TEST_KIND + 1]);
  EXPECT_EQ(Find_fp(0), ws.Con_fcb);

  // With nothing current, the new console record is.
  Select_console();
  Console_close();
  EXPECT_EQ(ws.Cur_fcb, nullptr);
  Channels_init();
  EXPECT_EQ(ws.Cur_fcb, ws.Con_fcb);
  EXPECT_EQ(ws.Cur_chan, 0);
  EXPECT_EQ(ws.Cur_drv, Fio_tbl[FK_DEVICE + 1]);
}

TEST_F(Channel_select, CloseMakesTheClosingChannelCurrentWholeForItsDriver) {
  // The unlock before the driver's close may leave another channel's
  // number and descriptor in the area; the driver sees its own.
  Fcb* f = link(9, 33);
  f->lock_len = 1;
  auto saved_hook = Rec_unlock_hook;
  Rec_unlock_hook = [](Fcb*) {
    ws.Cur_chan = 99;
    ws.Cur_fd = 77;
  };
  Select_channel(f);
  Cls_file();
  Rec_unlock_hook = saved_hook;
  EXPECT_EQ(closes, 1);
  EXPECT_EQ(close_fcb, f);
  EXPECT_EQ(close_chan, 9);
  EXPECT_EQ(close_fd, 33);
  EXPECT_EQ(Find_fp(9), nullptr);
}

TEST_F(Channel_select, InternalOpenStartsFromTheResetArea) {
  statement_leftovers();
  Io_internal_open(60, IO_INPUT_ONLY, "OPTS", 128);
  expect_reset_area();
  EXPECT_EQ(ws.Io_stmt, code::D_OPEN);
  EXPECT_EQ(ws.Io_opts, IO_INPUT_ONLY);
  EXPECT_EQ(ws.Io_siz, 128);
  ASSERT_EQ(ws.Io_opt_len, 4);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(ws.Io_opt_ptr), 4), "OPTS");
  EXPECT_EQ(ws.Cur_chan, 60);
  EXPECT_EQ(ws.Cur_fcb, nullptr);
}

TEST_F(Channel_select, OpenInternalOpensWithTheConsolesBitsWhateverTheStatementLeft) {
  std::string path = file("plain.txt", "one\ntwo\n");
  ws.Con_fcb->inherited = 3;
  statement_leftovers();
  Fcb* f = Open_internal(61, path, 0);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(Find_fp(61), f);
  EXPECT_EQ(f->kind, FK_SERIAL);
  EXPECT_EQ(f->inherited & 7, 3);
  // The statement's separator did not reach the record.
  EXPECT_EQ(f->separator, int32_t(prmblk.FS));
  ws.Con_fcb->inherited = 0;
}

TEST_F(Channel_select, InternalOpensShareOpensErrors) {
  // A missing file is error 12 with the host's errno kept, for every
  // internal open; nothing is left on the channel.
  ws.Last_errno = 0;
  EXPECT_EQ(error_no([&] { Open_internal(62, dir + "/missing", 0); }), 12);
  EXPECT_EQ(ws.Last_errno, ENOENT);
  EXPECT_EQ(Find_fp(62), nullptr);
  EXPECT_EQ(error_no([&] { Open_failed(ENOENT); }), 12);
  EXPECT_EQ(error_no([&] { Open_failed(EMFILE); }), Sys_error_no(EMFILE));
  EXPECT_EQ(ws.Last_errno, EMFILE);

  // The prefix file: missing is 12; a file of the wrong kind is 17 and is
  // not left open.
  EXPECT_EQ(error_no([&] { SetPfxFile(dir + "/missing"); }), 12);
  EXPECT_FALSE(Pfx_file_open());
  EXPECT_EQ(Find_fp(PFX_FILE_CHANNEL), nullptr);
  std::string plain = file("notkeyed.txt", "x\n");
  EXPECT_EQ(error_no([&] { SetPfxFile(plain); }), 17);
  EXPECT_FALSE(Pfx_file_open());
  EXPECT_EQ(Find_fp(PFX_FILE_CHANNEL), nullptr);
}

}  // namespace

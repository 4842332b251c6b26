// The keyed engine alone: this program links the engine library and nothing
// of the interpreter, so it shows that the engine builds, creates files,
// writes, reads and removes records, and raises its errors through its own
// services (key_settings.h) with only Key_cfg for settings.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>

#include "keyed/eff_create.h"
#include "keyed/key_encoding.h"
#include "keyed/key_format.h"
#include "keyed/key_settings.h"
#include "keyed/keyed_file.h"

namespace {

int error_no(const std::function<void()>& f) {
  try {
    f();
  } catch (const Oru_error& e) {
    return e.no;
  }
  return -1;
}

std::string strip(std::string s) {
  while (!s.empty() && s.back() == 0) s.pop_back();
  return s;
}

class Engine : public ::testing::Test {
 protected:
  void SetUp() override {
    Key_cfg = Key_settings{};
    char tmpl[] = "/tmp/oru_engine_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override {
    for (Key_chan* ch : open_) Key_close(ch);
    std::filesystem::remove_all(dir_);
    Key_cfg = Key_settings{};
  }
  std::string path(const std::string& name) { return dir_ + "/" + name; }
  Key_chan* open(const std::string& p) {
    Key_chan* ch = Key_open(p);
    open_.push_back(ch);
    return ch;
  }
  void close(Key_chan* ch) {
    std::erase(open_, ch);
    Key_close(ch);
  }
  // A first-format file: key 0 held outside the record (key_len bytes).
  std::string make(const std::string& name, int rec_len, int key_len, bool variable, int32_t limit = 0) {
    Key_create d;
    d.rec_len = uint16_t(rec_len);
    d.key_len = int16_t(key_len);
    d.flags1 = variable ? kf::F1_VARIABLE : 0;
    d.limit = limit;
    d.pct = 10;
    std::string p = path(name);
    Key_define(p, d);
    return p;
  }
  // An EFF file: key 0 the first 4 bytes of the record, key 1 the next 4.
  std::string make_eff(const std::string& name) {
    Eff_create_def d;
    d.rec_len = 40;
    d.keys.resize(2);
    d.keys[0].segs.push_back(Eff_seg_desc{0, 0, 4, 0, 0});
    d.keys[1].segs.push_back(Eff_seg_desc{0, 4, 4, 0, 0});
    std::string p = path(name);
    int fd = ::open(p.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
    EXPECT_GE(fd, 0);
    Eff_create(fd, d);
    ::close(fd);
    return p;
  }
  static Key_req next_req() { return Key_req{}; }

 private:
  std::string dir_;
  std::vector<Key_chan*> open_;
};

TEST_F(Engine, FirstFormatCreateWriteReadRemove) {
  for (bool variable : {false, true}) {
    std::string p = make(variable ? "v" : "f", 30, 6, variable);
    Key_chan* ch = open(p);
    Key_write(ch, Key_by("BBB", 232), "second");
    Key_write(ch, Key_by("AAA", 232), "first");
    Key_write(ch, Key_by("CCC", 219), "third");  // INSERT
    EXPECT_EQ(strip(Key_read(ch, Key_by("AAA"))), "first");
    EXPECT_EQ(strip(Key_read(ch, next_req())), "second");  // the next in key order
    Key_write(ch, Key_by("AAA", 220), "changed");           // UPDATE
    EXPECT_EQ(strip(Key_read(ch, Key_by("AAA"))), "changed");
    EXPECT_EQ(Key_record_count(ch), 3u);
    Key_remove(ch, Key_by("BBB", 208));
    EXPECT_EQ(Key_record_count(ch), 2u);
    EXPECT_EQ(Key_verify(ch), "");
    close(ch);
    // What was written is there for a new channel.
    Key_chan* again = open(p);
    EXPECT_EQ(strip(Key_read(again, Key_by("CCC"))), "third");
    EXPECT_EQ(Key_record_count(again), 2u);
  }
}

TEST_F(Engine, ErrorsLeaveAsOruErrorAndCloseTheOperation) {
  Key_chan* ch = open(make("e", 20, 4, false));
  Key_write(ch, Key_by("K1", 232), "one");
  EXPECT_EQ(error_no([&] { Key_write(ch, Key_by("K1", 219), "x"); }), 11);  // INSERT of an existing key
  EXPECT_EQ(error_no([&] { Key_write(ch, Key_by("K9", 220), "x"); }), 11);  // UPDATE of a missing one
  EXPECT_EQ(error_no([&] { Key_read(ch, Key_by("K9")); }), 11);
  EXPECT_EQ(error_no([&] { Key_remove(ch, Key_by("K9", 208)); }), 11);
  // The failed operations ran the engine's exit hook: the next one starts
  // afresh instead of finding an operation still open (error 49).
  EXPECT_EQ(strip(Key_read(ch, Key_by("K1"))), "one");
  EXPECT_EQ(error_no([&] { Key_read(ch, next_req()); }), 2);  // end of file
  EXPECT_EQ(error_no([&] { Key_open(path("missing")); }), 12);
}

TEST_F(Engine, SettingsComeFromKeyCfg) {
  std::string p = make("lim", 20, 4, false, 2);  // at most two records
  Key_chan* ch = open(p);
  Key_write(ch, Key_by("A", 232), "a");
  Key_write(ch, Key_by("B", 232), "b");
  EXPECT_EQ(error_no([&] { Key_write(ch, Key_by("C", 232), "c"); }), 2);
  Key_cfg.no_limit = true;  // I2: the limit is not enforced
  Key_write(ch, Key_by("C", 232), "c");
  EXPECT_EQ(Key_record_count(ch), 3u);
  // Write-behind keeps the header lock between operations; a second channel
  // of the file in this process shares its descriptor and its blocks.
  Key_cfg.write_behind = 5;
  Key_write(ch, Key_by("D", 232), "d");
  Key_chan* other = open(p);
  EXPECT_EQ(strip(Key_read(other, Key_by("D"))), "d");
  close(other);
  EXPECT_EQ(strip(Key_read(ch, Key_by("A"))), "a");  // closing one channel left the other working
  Kbfr_flush_all();
}

TEST_F(Engine, RefreshHookIsCalledWhenAnOperationBegins) {
  static int calls = 0;
  calls = 0;
  Key_svc.refresh = [](Key_settings& c) {
    ++calls;
    c.no_limit = true;
  };
  Key_chan* ch = open(make("r", 20, 4, false, 1));
  Key_write(ch, Key_by("A", 232), "a");
  Key_write(ch, Key_by("B", 232), "b");  // allowed: the hook lifted the limit
  Key_svc.refresh = nullptr;
  EXPECT_GE(calls, 3);
  EXPECT_EQ(Key_record_count(ch), 2u);
}

TEST_F(Engine, CompressedFilesNeedZlib) {
  Key_create d;
  d.rec_len = 100;
  d.key_len = 4;
  d.flags1 = kf::F1_VARIABLE;
  d.flags2 = kf::F2_ZLIB;
  d.pct = 10;
  std::string p = path("z");
  Key_define(p, d);
  EXPECT_EQ(error_no([&] { open(p); }), 99);  // no zlib is handed to the engine here
}

TEST_F(Engine, EffCreateWriteReadRemove) {
  std::string p = make_eff("eff");
  Key_chan* ch = open(p);
  Key_req write;  // key 0 is in the record: no KEY=
  write.directive = 232;
  Key_write(ch, write, "0002LYON");
  Key_write(ch, write, "0001ROME");
  Key_write(ch, write, "0003BERN");
  EXPECT_EQ(strip(Key_read(ch, Key_by("0001"))), "0001ROME");
  Key_req by_city = Key_by("BERN");
  by_city.has_kno = true;
  by_city.kno = 1;
  EXPECT_EQ(strip(Key_read(ch, by_city)), "0003BERN");
  EXPECT_EQ(strip(Key_read(ch, next_req())), "0002LYON");  // next in city order
  Key_remove(ch, Key_by("0002", 208));
  EXPECT_EQ(Key_record_count(ch), 2u);
  EXPECT_EQ(error_no([&] { Key_read(ch, Key_by("0002")); }), 11);
  close(ch);
  EXPECT_EQ(Key_record_count(open(p)), 2u);
}

TEST(EngineEncoding, BinaryNumericSegments) {
  uint8_t seg[8];
  const char* t = "12.5";
  EXPECT_EQ(Key_encode_number(reinterpret_cast<const uint8_t*>(t), 4, seg, 8, 2), 0);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(seg), 8), "00012.50");
  EXPECT_TRUE(Key_decode_number(seg, 8));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(seg), 8), "   12.50");
  // A negative value sorts below zero and comes back with its sign.
  uint8_t neg[8], zero[8];
  EXPECT_EQ(Key_encode_number(reinterpret_cast<const uint8_t*>("-3"), 2, neg, 8, 0), 0);
  EXPECT_EQ(Key_encode_number(reinterpret_cast<const uint8_t*>("0"), 1, zero, 8, 0), 1);
  EXPECT_LT(std::memcmp(neg, zero, 8), 0);
  EXPECT_TRUE(Key_decode_number(neg, 8));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(neg), 8), "      -3");
  // An empty value is NUL bytes; one that does not fit is error 46.
  EXPECT_EQ(Key_encode_number(reinterpret_cast<const uint8_t*>("  "), 2, seg, 4, 0), 1);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(seg), 4), std::string(4, '\0'));
  EXPECT_EQ(error_no([&] { Key_encode_number(reinterpret_cast<const uint8_t*>("12345"), 5, seg, 4, 0); }), 46);
  EXPECT_EQ(error_no([&] { Key_encode_number(reinterpret_cast<const uint8_t*>("-9999"), 5, seg, 4, 0); }), 46);
  EXPECT_EQ(Key_encode_number(reinterpret_cast<const uint8_t*>("-999"), 4, seg, 4, 0), 0);  // the sign just fits
}

TEST(EngineEncoding, DictionaryCheckIsCrc16Arc) {
  const char* s = "123456789";
  EXPECT_EQ(Key_crc16(reinterpret_cast<const uint8_t*>(s), 9, 0), 0xBB3D);
  EXPECT_EQ(Key_crc16(nullptr, 0, 0x1234), 0x1234);
}

}  // namespace

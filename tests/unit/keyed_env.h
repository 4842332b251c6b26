// Shared fixture of the keyed-file tests: a scratch directory, creation of
// files from a short key description, and a channel that closes itself.
#pragma once
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/errors.h"
#include "core/params.h"
#include "core/workspace.h"
#include "keyed/eff_create.h"
#include "keyed/key_format.h"
#include "keyed/keyed_file.h"
#include "test_util.h"

class KeyedTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Prm_defaults();
    char tmpl[] = "/tmp/oru_keyed_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir = tmpl;
  }
  void TearDown() override {
    for (Key_chan* ch : open_)
      if (ch) Key_close(ch);
    std::filesystem::remove_all(dir);
    Prm_defaults();
  }
  std::string path(const std::string& name = "f") { return dir + "/" + name; }

  // A file of one outside key 0 of key_len bytes.
  std::string make(const std::string& name, int rec_len, int key_len, bool variable = false, uint8_t flags2 = 0,
                   uint8_t pct = 10, uint8_t block_kb = 0) {
    Key_create d;
    d.rec_len = uint16_t(rec_len);
    d.key_len = int16_t(key_len);
    d.flags1 = variable ? kf::F1_VARIABLE : 0;
    d.flags2 = flags2;
    d.pct = pct;
    d.block_kb = block_kb;
    std::string p = path(name);
    Key_define(p, d);
    return p;
  }
  std::string make_segs(const std::string& name, int rec_len, const std::vector<Key_seg_desc>& segs,
                        bool variable = false, uint8_t flags1 = 0, uint8_t flags2 = 0, uint8_t block_kb = 0) {
    Key_create d;
    d.rec_len = uint16_t(rec_len);
    d.flags1 = uint8_t(flags1 | (variable ? kf::F1_VARIABLE : 0));
    d.flags2 = flags2;
    d.pct = 10;
    d.block_kb = block_kb;
    Key_segments(d, segs);
    std::string p = path(name);
    Key_define(p, d);
    return p;
  }
  // An EFF file: keys of segments {key, field (255 the external key), 0-based
  // offset, length, descending, flag word}, as for the first format.
  std::string make_eff(const std::string& name, int rec_len, const std::vector<Key_seg_desc>& segs, int ext_len = 0,
                       uint8_t flags_b = 0, int block_kb = 0, int limit = 0) {
    Eff_create_def d;
    d.rec_len = rec_len;
    d.flags_b = flags_b;
    d.block_kb = block_kb;
    d.limit = limit;
    if (ext_len) {
      d.keys.emplace_back();
      d.keys.back().external = true;
      d.keys.back().segs.push_back(Eff_seg_desc{0xFFFF, 0, ext_len, 0, 0});
    }
    for (const Key_seg_desc& s : segs) {
      if (size_t(s.key) >= d.keys.size()) d.keys.emplace_back();
      d.keys[size_t(s.key)].segs.push_back(Eff_seg_desc{s.field == 255 ? 0xFFFF : s.field, s.offset, s.length,
                                                        uint32_t(s.flags | (s.descending ? 0x80 : 0)), s.fill});
    }
    std::string p = path(name);
    int fd = ::open(p.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
    EXPECT_GE(fd, 0);
    try {
      Eff_create(fd, d);
    } catch (...) {
      ::close(fd);
      throw;
    }
    ::close(fd);
    return p;
  }
  Key_chan* open(const std::string& p, const Key_open_opts& o = {}) {
    Key_chan* ch = Key_open(p, o);
    open_.push_back(ch);
    return ch;
  }
  void close(Key_chan* ch) {
    for (auto& c : open_)
      if (c == ch) c = nullptr;
    Key_close(ch);
  }

  static Key_req req(int directive = 204) {
    Key_req r;
    r.directive = directive;
    return r;
  }
  static void put(Key_chan* ch, const std::string& key, const std::string& data) {
    Key_write(ch, Key_by(key, 232), data);
  }
  static std::string get(Key_chan* ch, const std::string& key) { return Key_read(ch, Key_by(key)); }
  static std::string next(Key_chan* ch) { return Key_read(ch, req()); }
  // Writes bytes over the file at off (damage a test makes).
  static void poke(const std::string& p, int64_t off, const std::vector<uint8_t>& bytes) {
    int fd = ::open(p.c_str(), O_RDWR);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(pwrite(fd, bytes.data(), bytes.size(), off), ssize_t(bytes.size()));
    ::close(fd);
  }
  static std::string strip(std::string s) {
    while (!s.empty() && s.back() == 0) s.pop_back();
    return s;
  }

  std::string dir;
  std::vector<Key_chan*> open_;
};

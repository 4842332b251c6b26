// The page cipher of keyed files and the password item: round trips, the
// passwords whose key leaves pages plain, pages written enciphered on disk.
#include <fcntl.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <random>

#include "keyed/file_crypt.h"
#include "keyed/file_password.h"
#include "keyed/index_maint.h"
#include "keyed/key_dict.h"
#include "keyed/keyed_internal.h"
#include "keyed_env.h"

namespace {

std::vector<uint8_t> masked(const std::string& pw) {
  std::vector<uint8_t> m;
  for (char c : pw) m.push_back(uint8_t(uint8_t(c) ^ 0x6E));
  return m;
}

TEST(FileCrypt, PagesRoundTripAndKeepTheirHeader) {
  std::mt19937 rng(3);
  for (const char* pw : {"hidden", "secret", "x", "a longer password", "cherry"}) {
    Kcrypt c;
    std::vector<uint8_t> m = masked(pw);
    ASSERT_GE(Set_file_crypt_key(c, m.data(), int(m.size())), 1) << pw;
    std::vector<uint8_t> page(4096), out(4096);
    for (auto& b : page) b = uint8_t(rng());
    page[0] = 128;
    Encrypt_file_bfr(c, page.data(), out.data(), 4096);
    EXPECT_EQ(0, std::memcmp(out.data(), page.data(), 5));
    int same = 0;
    for (int i = 5; i < 4096; ++i) same += out[size_t(i)] == page[size_t(i)];
    EXPECT_LT(same, 100) << pw;
    Decrypt_file_bfr(c, out.data(), 4096);
    EXPECT_EQ(out, page) << pw;
  }
}

// The substitution table and its inverse are permutations.
TEST(FileCrypt, SubstitutionIsAPermutation) {
  Kcrypt c;
  std::vector<uint8_t> m = masked("secret");
  Set_file_crypt_key(c, m.data(), int(m.size()));
  std::vector<bool> seen(256);
  for (int i = 0; i < 256; ++i) seen[c.S[i]] = true;
  EXPECT_EQ(std::count(seen.begin(), seen.end(), true), 256);
  for (int i = 0; i < 256; ++i) EXPECT_EQ(c.Si[c.S[i]], i);
}

// Only the first 7 password bytes take part; a password whose first byte
// masks to 0 ("n...") or whose key starts at index 0 leaves pages plain.
TEST(FileCrypt, KeyDerivationLimits) {
  Kcrypt a, b;
  std::vector<uint8_t> m1 = masked("abcdefgh"), m2 = masked("abcdefgX");
  Set_file_crypt_key(a, m1.data(), 8);
  Set_file_crypt_key(b, m2.data(), 8);
  EXPECT_EQ(0, std::memcmp(a.K, b.K, 8));
  EXPECT_EQ(a.M, b.M);
  Kcrypt n;
  std::vector<uint8_t> mn = masked("nothing");
  EXPECT_EQ(Set_file_crypt_key(n, mn.data(), 7), -1);
  EXPECT_FALSE(n.active());
  for (const char* pw : {"orange", "abc"}) {
    Kcrypt z;
    std::vector<uint8_t> mz = masked(pw);
    EXPECT_EQ(Set_file_crypt_key(z, mz.data(), int(mz.size())), 0) << pw;
    EXPECT_FALSE(z.active());
  }
}

class PasswordItem : public KeyedTest {};

// The item's check value ties it to the file's creation stamp.
TEST_F(PasswordItem, CheckValueFollowsTheFile) {
  for (bool eff : {false, true}) {
    std::vector<Key_seg_desc> segs = {{0, 0, 0, 6, false, 0, 0}};
    std::string p = eff ? make_eff("e", 40, segs) : make_segs("f", 40, segs, true);
    Key_open_opts o;
    o.nolock = true;
    Key_chan* ch = open(p, o);
    std::vector<uint8_t> field = {0};
    for (uint8_t b : masked("pw")) field.push_back(b);
    Kdct_set_password(ch, field, false);
    std::vector<uint8_t> got;
    bool ok = false;
    EXPECT_TRUE(Kdct_password(ch, &got, &ok));
    EXPECT_TRUE(ok);
    EXPECT_EQ(got, field);
    EXPECT_FALSE(Kdct_enciphered(ch));
    close(ch);
    // Another stamp: the check fails.
    int fd = ::open(p.c_str(), O_RDWR);
    uint8_t st[4] = {9, 9, 9, 9};
    ASSERT_EQ(pwrite(fd, st, 4, eff ? 36 : 232), 4);
    ::close(fd);
    ch = open(p, o);
    EXPECT_TRUE(Kdct_password(ch, &got, &ok));
    EXPECT_FALSE(ok);
    close(ch);
  }
}

// Records written through a channel whose file has a cipher reach the disk
// enciphered and read back plain; without the cipher the text shows.
TEST_F(PasswordItem, EncipheredPagesOnDisk) {
  for (bool eff : {false, true}) {
    std::vector<Key_seg_desc> segs = {{0, 0, 0, 6, false, 0, 0}, {1, 0, 6, 8, false, 0, 0}};
    std::string p = eff ? make_eff("e", 60, segs) : make_segs("f", 60, segs, true);
    Key_chan* ch = open(p);
    auto c = std::make_shared<Kcrypt>();
    std::vector<uint8_t> m = masked("secret");
    Set_file_crypt_key(*c, m.data(), int(m.size()));
    ch->f->crypt = c;
    for (int i = 0; i < 500; ++i) {
      char rec[40];
      std::snprintf(rec, sizeof rec, "%06dPLAINTXT%d", i, i);
      Key_write(ch, req(232), rec);
    }
    close(ch);
    std::ifstream in(p, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(bytes.find("PLAINTXT"), std::string::npos);
    ch = open(p);
    ch->f->crypt = c;
    EXPECT_EQ(strip(get(ch, "000250")).substr(6, 8), "PLAINTXT");
    EXPECT_EQ(Key_verify(ch), "");
    EXPECT_EQ(Key_rebuild(ch, -1, {}), 500);
    EXPECT_EQ(Key_verify(ch), "");
  }
}

// A file marked enciphered whose password's key starts at index 0 was
// written plain: it is read plain, and its records show in its bytes.
TEST_F(PasswordItem, StartIndexZeroFilesStayPlain) {
  std::vector<Key_seg_desc> segs = {{0, 0, 0, 7, false, 0, 0}};
  std::string p = make_eff("z", 40, segs);
  Key_open_opts o;
  o.nolock = true;
  Key_chan* ch = open(p, o);
  std::vector<uint8_t> field = {2};
  for (uint8_t b : masked("orange")) field.push_back(b);
  Kdct_set_password(ch, field, true);
  Key_cipher_from_field(ch, field);
  EXPECT_EQ(ch->f->crypt, nullptr);
  for (int i = 0; i < 50; ++i) Key_write(ch, req(232), "R" + std::to_string(100000 + i) + "SHOWNTEXT");
  close(ch);
  std::ifstream in(p, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(bytes.find("SHOWNTEXT"), std::string::npos);
  ch = open(p, o);
  EXPECT_TRUE(Kdct_enciphered(ch));
  Key_cipher_from_field(ch, field);
  EXPECT_EQ(ch->f->crypt, nullptr);
  EXPECT_EQ(strip(get(ch, "R100020")).substr(7), "SHOWNTEXT");
  // A password whose key is active gives the file its cipher.
  std::vector<uint8_t> good = {2};
  for (uint8_t b : masked("secret")) good.push_back(b);
  close(ch);
  ch = open(p, o);
  Key_cipher_from_field(ch, good);
  ASSERT_NE(ch->f->crypt, nullptr);
  EXPECT_TRUE(ch->f->crypt->active());
}

}  // namespace

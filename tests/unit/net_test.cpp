// TCP channel names, the run-time OpenSSL loader and the digest entry
// point, without a network (the channels themselves are tested against
// Python peers in tests/net).
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/errors.h"
#include "net/crypto.h"
#include "net/own_digests.h"
#include "net/ssl_lib.h"
#include "net/tcp_channel.h"
#include "programs/program_crypt.h"

namespace {

template <class F>
int error_no(F f) {
  try {
    f();
  } catch (const Oru_error& e) {
    return e.no;
  }
  return -1;
}

const uint8_t* u(const char* s) { return reinterpret_cast<const uint8_t*>(s); }

TEST(TcpName, ClientAndServerForms) {
  Tcp_name n;
  std::string why;
  ASSERT_TRUE(Tcp_parse_name("10.1.2.3;5000", &n, &why));
  EXPECT_EQ(n.host, "10.1.2.3");
  EXPECT_EQ(n.port, 5000);
  ASSERT_TRUE(Tcp_parse_name(";5000", &n, &why));
  EXPECT_TRUE(n.host.empty());
  ASSERT_TRUE(Tcp_parse_name(";0", &n, &why));  // a server on a port the host picks
  EXPECT_EQ(n.port, 0);
  ASSERT_TRUE(Tcp_parse_name(" ;7; single ;OneShot;nodelay;KEEPALIVE;reuse;SECURE= /x/c.pem ;bindto=127.0.0.1;what", &n, &why));
  EXPECT_TRUE(n.single && n.oneshot && n.nodelay && n.keepalive && n.reuse && n.secure);
  EXPECT_EQ(n.cert_file, "/x/c.pem");
  EXPECT_EQ(n.bind_to, "127.0.0.1");
  ASSERT_TRUE(Tcp_parse_name("#host;1;SECURE;NOVERIFY;SOCKET=12", &n, &why));
  EXPECT_EQ(n.host, "#host");
  EXPECT_TRUE(n.secure && n.no_verify && n.cert_file.empty());
  EXPECT_EQ(n.socket_fd, 12);
  ASSERT_TRUE(Tcp_parse_name("peer;;SOCKET=3", &n, &why));  // an inherited socket needs no port
}

TEST(TcpName, BadNamesAreRefused) {
  Tcp_name n;
  std::string why;
  for (const char* bad : {"", "host", "host;12x", "host;99999", "host;123456", "host;-1", "host;5;SINGLE",
                          "host;5;ONESHOT", "host;0", "host;", ";5;BINDTO=name", ";5;SOCKET=x",
                          ";5;SOCKET=-1", ";5;SOCKET=99999999999"}) {
    EXPECT_FALSE(Tcp_parse_name(bad, &n, &why)) << bad;
    EXPECT_FALSE(why.empty()) << bad;
  }
  EXPECT_FALSE(Tcp_parse_name(std::string(300, 'a') + ";80", &n, &why));
  EXPECT_FALSE(Tcp_parse_name(std::string("ho\0st;80", 8), &n, &why));
}

TEST(Crypto, DigestCodes) {
  uint8_t out[HASH_MAX_BYTES];
  if (!Crypto_available()) GTEST_SKIP() << "no libcrypto of OpenSSL 3";
  EXPECT_EQ(Tcp_GetHash(u("abc"), 3, nullptr, 0, HASH_SHA1, 0, out), 20u);
  EXPECT_EQ(Tcp_GetHash(u("abc"), 3, u("k"), 1, HASH_HMAC, HASH_SHA256, out), 32u);
  EXPECT_EQ(Tcp_GetHash(nullptr, 0, nullptr, 0, HASH_SHA512, 0, out), 64u);
  EXPECT_EQ(error_no([&] { Tcp_GetHash(u("abc"), 3, nullptr, 0, 9, 0, out); }), 41);
  EXPECT_EQ(error_no([&] { Tcp_GetHash(u("abc"), 3, nullptr, 0, HASH_HMAC, HASH_HMAC, out); }), 41);
  EXPECT_EQ(error_no([&] { Tcp_GetHash(u("abc"), 3, nullptr, 0, HASH_HMAC, 0, out); }), 41);
  EXPECT_EQ(error_no([] { Ssl_sym("no_such_entry_point"); }), 99);
  EXPECT_NE(Ext_error_text().find("no_such_entry_point"), std::string::npos);
}

std::string hex(const uint8_t* p, size_t n) {
  static const char digits[] = "0123456789abcdef";
  std::string s;
  for (size_t i = 0; i < n; i++) {
    s += digits[p[i] >> 4];
    s += digits[p[i] & 15];
  }
  return s;
}

std::string md2_hex(const std::string& m) {
  uint8_t out[MD2_BYTES];
  Md2_digest(u(m.c_str()), m.size(), out);
  return hex(out, sizeof out);
}

TEST(Crypto, Md2TestSuite) {
  EXPECT_EQ(md2_hex(""), "8350e5a3e24c153df2275c9f80692773");
  EXPECT_EQ(md2_hex("a"), "32ec01ec4a6dac72c0ab96fb34c0b5d1");
  EXPECT_EQ(md2_hex("abc"), "da853b0d3f88d99b30283a69e6ded6bb");
  EXPECT_EQ(md2_hex("message digest"), "ab4f496bfb2a530b219ff33031fe06b0");
  EXPECT_EQ(md2_hex("abcdefghijklmnopqrstuvwxyz"), "4e8ddff3650292ab5a4108c3aa47940b");
  EXPECT_EQ(md2_hex("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"),
            "da33def2a42df13975352846c30338cd");
  EXPECT_EQ(md2_hex("12345678901234567890123456789012345678901234567890123456789012345678901234567890"),
            "d5976f79d83d3a0dc9806c3c66f3efd8");
}

TEST(Crypto, Md2AndMdc2ThroughTheDigestCodes) {
  uint8_t out[HASH_MAX_BYTES];
  if (!Crypto_available()) GTEST_SKIP() << "no libcrypto of OpenSSL 3";
  ASSERT_EQ(Tcp_GetHash(u("abc"), 3, nullptr, 0, HASH_MD2, 0, out), 16u);
  EXPECT_EQ(hex(out, 16), "da853b0d3f88d99b30283a69e6ded6bb");
  ASSERT_EQ(Tcp_GetHash(nullptr, 0, nullptr, 0, HASH_MDC2, 0, out), 16u);
  EXPECT_EQ(hex(out, 16), "52525252525252522525252525252525");
  const char* fox = "The quick brown fox jumps over the lazy dog";
  ASSERT_EQ(Tcp_GetHash(u(fox), std::strlen(fox), nullptr, 0, HASH_MDC2, 0, out), 16u);
  EXPECT_EQ(hex(out, 16), "000ed54e093d61679aefbeae05bfe33a");
  const char* now = "Now is the time for all ";  // three whole blocks
  ASSERT_EQ(Tcp_GetHash(u(now), std::strlen(now), nullptr, 0, HASH_MDC2, 0, out), 16u);
  EXPECT_EQ(hex(out, 16), "42e50cd224baceba760bdd2bd409281a");
  // HMAC over both: H((K ^ opad) | H((K ^ ipad) | m)), a key longer than
  // the block first replaced by its digest (MDC2: its first 8 bytes).
  for (int64_t code : {HASH_MD2, HASH_MDC2}) {
    size_t block = code == HASH_MD2 ? 16 : 8;
    std::string key(40, 'k');
    uint8_t k[16] = {};
    Tcp_GetHash(u(key.c_str()), key.size(), nullptr, 0, code, 0, out);
    std::memcpy(k, out, block);
    std::string in(block, '\0'), outer(block, '\0');
    for (size_t i = 0; i < block; i++) {
      in[i] = char(k[i] ^ 0x36);
      outer[i] = char(k[i] ^ 0x5c);
    }
    in += "message";
    Tcp_GetHash(u(in.data()), in.size(), nullptr, 0, code, 0, out);
    outer.append(reinterpret_cast<const char*>(out), 16);
    uint8_t want[16];
    Tcp_GetHash(u(outer.data()), outer.size(), nullptr, 0, code, 0, want);
    ASSERT_EQ(Tcp_GetHash(u("message"), 7, u(key.c_str()), key.size(), HASH_HMAC, code, out), 16u);
    EXPECT_EQ(hex(out, 16), hex(want, 16)) << code;
  }
}

TEST(Crypto, MissingLibraryGivesTheCallersError) {
  static const char* const none[] = {"liboru-no-such-crypto.so", nullptr};
  Ssl_use_names(none, none);
  uint8_t out[HASH_MAX_BYTES];
  EXPECT_FALSE(Crypto_available());
  EXPECT_EQ(error_no([&] { Tcp_GetHash(u("abc"), 3, nullptr, 0, HASH_MD5, 0, out); }), 99);
  EXPECT_NE(Ext_error_text().find("Unable to locate SSL library"), std::string::npos);
  EXPECT_EQ(error_no([] { Ssl_need(13); }), 13);
  Ssl_use_names(nullptr, nullptr);
  if (!Crypto_available()) GTEST_SKIP() << "no libcrypto of OpenSSL 3";
  EXPECT_EQ(Tcp_GetHash(u("abc"), 3, nullptr, 0, HASH_MD5, 0, out), 16u);
  EXPECT_TRUE(Prg_crypt_available());  // enciphered programs share the loader
}

}  // namespace

// TCP channel names, the run-time OpenSSL loader and the digest entry
// point, without a network (the channels themselves are tested against
// Python peers in tests/net).
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/errors.h"
#include "net/crypto.h"
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

// TLS over libssl (see tls.h).
//
// The entry points are OpenSSL 3's; docs/decisions.md lists which current
// function stands for each older name (TLS_client_method for
// SSLv23_client_method, SSL_get1_peer_certificate for
// SSL_get_peer_certificate, ...).  Certificate dates are read through
// ASN1_TIME_to_tm, which knows both the two-digit (UTCTime) and the
// four-digit (GeneralizedTime) forms, so years after 2049 come out right.
#include "net/tls.h"

#include <arpa/inet.h>
#include <poll.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <sys/stat.h>

#include "core/errors.h"
#include "net/ssl_lib.h"

namespace {

struct Ssl_method;
struct X509;
struct X509_name;
struct Evp_pkey;
struct Ssl_cipher;
struct Asn1_time;
struct Verify_param;

constexpr int FILETYPE_PEM = 1;
constexpr int VERIFY_NONE = 0;
constexpr int VERIFY_PEER = 1;
constexpr int ERROR_WANT_READ = 2;
constexpr int ERROR_WANT_WRITE = 3;
constexpr int ERROR_SYSCALL = 5;
constexpr int ERROR_ZERO_RETURN = 6;
constexpr int CTRL_MODE = 33;
constexpr long MODE_ACCEPT_MOVING_WRITE_BUFFER = 2;
constexpr int CTRL_SET_TLSEXT_HOSTNAME = 55;
constexpr int PKEY_RSA = 6;
constexpr int PKEY_DSA = 116;

Ssl_fn<int (*)(uint64_t, const void*)> init_ssl{"OPENSSL_init_ssl"};
Ssl_fn<const Ssl_method* (*)()> client_method{"TLS_client_method"};
Ssl_fn<const Ssl_method* (*)()> server_method{"TLS_server_method"};
Ssl_fn<Tls_ctx* (*)(const Ssl_method*)> ctx_new{"SSL_CTX_new"};
Ssl_fn<void (*)(Tls_ctx*)> ctx_free{"SSL_CTX_free"};
Ssl_fn<int (*)(Tls_ctx*, const char*)> use_chain_file{"SSL_CTX_use_certificate_chain_file"};
Ssl_fn<int (*)(Tls_ctx*, const char*, int)> use_key_file{"SSL_CTX_use_PrivateKey_file"};
Ssl_fn<int (*)(const Tls_ctx*)> check_key{"SSL_CTX_check_private_key"};
Ssl_fn<int (*)(Tls_ctx*, const char*, const char*)> load_verify{"SSL_CTX_load_verify_locations"};
Ssl_fn<int (*)(Tls_ctx*)> default_verify_paths{"SSL_CTX_set_default_verify_paths"};
Ssl_fn<void (*)(Tls_ctx*, int, void*)> set_verify{"SSL_CTX_set_verify"};
Ssl_fn<long (*)(Tls_ctx*, int, long, void*)> ctx_ctrl{"SSL_CTX_ctrl"};
Ssl_fn<Tls_conn* (*)(Tls_ctx*)> ssl_new{"SSL_new"};
Ssl_fn<void (*)(Tls_conn*)> ssl_free{"SSL_free"};
Ssl_fn<int (*)(Tls_conn*, int)> set_fd{"SSL_set_fd"};
Ssl_fn<int (*)(Tls_conn*)> ssl_connect{"SSL_connect"};
Ssl_fn<int (*)(Tls_conn*)> ssl_accept{"SSL_accept"};
Ssl_fn<int (*)(Tls_conn*, void*, int)> ssl_read{"SSL_read"};
Ssl_fn<int (*)(Tls_conn*, const void*, int)> ssl_write{"SSL_write"};
Ssl_fn<int (*)(const Tls_conn*)> ssl_pending{"SSL_pending"};
Ssl_fn<int (*)(const Tls_conn*, int)> get_error{"SSL_get_error"};
Ssl_fn<int (*)(Tls_conn*)> ssl_shutdown{"SSL_shutdown"};
Ssl_fn<long (*)(Tls_conn*, int, long, void*)> ssl_ctrl{"SSL_ctrl"};
Ssl_fn<int (*)(Tls_conn*, const char*)> set1_host{"SSL_set1_host"};
Ssl_fn<Verify_param* (*)(Tls_conn*)> get0_param{"SSL_get0_param"};
Ssl_fn<int (*)(Verify_param*, const char*)> set1_ip_asc{"X509_VERIFY_PARAM_set1_ip_asc"};
Ssl_fn<long (*)(const Tls_conn*)> verify_result{"SSL_get_verify_result"};
Ssl_fn<const char* (*)(long)> verify_text{"X509_verify_cert_error_string"};
Ssl_fn<X509* (*)(const Tls_conn*)> peer_certificate{"SSL_get1_peer_certificate"};
Ssl_fn<X509* (*)(const Tls_conn*)> own_certificate{"SSL_get_certificate"};
Ssl_fn<const Ssl_cipher* (*)(const Tls_conn*)> current_cipher{"SSL_get_current_cipher"};
Ssl_fn<char* (*)(const Ssl_cipher*, char*, int)> cipher_description{"SSL_CIPHER_description"};
Ssl_fn<void (*)(X509*)> x509_free{"X509_free"};
Ssl_fn<char* (*)(const X509_name*, char*, int)> name_oneline{"X509_NAME_oneline"};
Ssl_fn<X509_name* (*)(const X509*)> subject_name{"X509_get_subject_name"};
Ssl_fn<X509_name* (*)(const X509*)> issuer_name{"X509_get_issuer_name"};
Ssl_fn<Evp_pkey* (*)(const X509*)> get0_pubkey{"X509_get0_pubkey"};
Ssl_fn<int (*)(const Evp_pkey*)> pkey_bits{"EVP_PKEY_get_bits"};
Ssl_fn<int (*)(const Evp_pkey*)> pkey_base_id{"EVP_PKEY_get_base_id"};
Ssl_fn<const Asn1_time* (*)(const X509*)> not_before{"X509_get0_notBefore"};
Ssl_fn<const Asn1_time* (*)(const X509*)> not_after{"X509_get0_notAfter"};
Ssl_fn<int (*)(const Asn1_time*, struct tm*)> time_to_tm{"ASN1_TIME_to_tm"};
Ssl_fn<unsigned long (*)()> err_get{"ERR_get_error"};
Ssl_fn<void (*)(unsigned long, char*, size_t)> err_text{"ERR_error_string_n"};
Ssl_fn<void (*)()> err_clear{"ERR_clear_error"};

bool initialised = false;

void init() {
  Ssl_need(13);
  if (!initialised) {
    // Error strings of both libraries; the library seeds its own random
    // generator from the host.
    init_ssl()(0x00200000L | 0x00000002L, nullptr);
    initialised = true;
  }
}

// The library's first queued error as text (the queue is emptied).
std::string library_error() {
  unsigned long e = err_get()();
  std::string s;
  if (e) {
    char buf[256];
    err_text()(e, buf, sizeof buf);
    s = Peer_text(buf);  // it may tell what the other side sent
  }
  err_clear()();
  return s;
}

[[noreturn]] void ctx_failed(Tls_ctx* ctx, int err, const char* text) {
  std::string lib = library_error();
  ctx_free()(ctx);
  Rpt_error_text(err, lib.empty() ? std::string(text) : std::string(text) + " (" + lib + ")");
}

bool is_address(const std::string& host) {
  in_addr a{};
  return inet_pton(AF_INET, host.c_str(), &a) == 1;
}

// Waits for the socket until the deadline; false when the time ran out.
bool wait_socket(int sock, bool for_write, int64_t deadline) {
  for (;;) {
    int64_t left = deadline - Now_ms();
    if (left <= 0) return false;
    pollfd p{sock, short(for_write ? POLLOUT : POLLIN), 0};
    int r = poll(&p, 1, left > 1000000 ? 1000000 : int(left));
    if (r > 0) return true;
    if (r < 0 && errno != EINTR) return false;
  }
}

// A validity date as CCYY/MM/DD hh:mm:ss.
bool format_time(const Asn1_time* t, std::string* out) {
  struct tm tm {};
  if (!t || time_to_tm()(t, &tm) != 1) return false;
  char buf[40];
  std::snprintf(buf, sizeof buf, "%04d/%02d/%02d %02d:%02d:%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                tm.tm_hour, tm.tm_min, tm.tm_sec);
  *out = buf;
  return true;
}

std::string upper(const std::string& s) {
  std::string u = s;
  for (char& c : u) c = char(std::toupper(uint8_t(c)));
  return u;
}

}  // namespace

int64_t Now_ms() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

Tls_ctx* Tls_new_context(bool server, const char* cert_file, bool no_verify) {
  init();
  Tls_ctx* ctx = ctx_new()(server ? server_method()() : client_method()());
  if (!ctx) Rpt_error_text(err::OPERATION_FAILED, server ? "Unable to define Server methods" : "Unable to define Client CTX");
  ctx_ctrl()(ctx, CTRL_MODE, MODE_ACCEPT_MOVING_WRITE_BUFFER, nullptr);
  set_verify()(ctx, VERIFY_NONE, nullptr);
  if (cert_file && *cert_file) {
    struct stat st {};
    if (stat(cert_file, &st) != 0 || !S_ISREG(st.st_mode)) ctx_failed(ctx, 13, "Can not find certificate file");
    // A client's file without a private key holds trusted certificates
    // only: no certificate of its own is shown to the server.
    bool own = server;
    if (!server) {
      own = use_key_file()(ctx, cert_file, FILETYPE_PEM) >= 1;
      err_clear()();
    }
    if (own) {
      if (use_chain_file()(ctx, cert_file) < 1) ctx_failed(ctx, 13, "Can not use certificate on file");
      if (server && use_key_file()(ctx, cert_file, FILETYPE_PEM) < 1) ctx_failed(ctx, 13, "Can not use PrivateKey");
      if (check_key()(ctx) != 1) ctx_failed(ctx, 13, "Private key does not match the certificate");
    }
    err_clear()();
    if (load_verify()(ctx, cert_file, nullptr) != 1) ctx_failed(ctx, 13, "Cannot read CA's in certificate");
  } else if (!server && !no_verify) {
    // Without a file of its own a client trusts the host's certificate
    // store (the library's default places, which SSL_CERT_FILE and
    // SSL_CERT_DIR move).
    if (default_verify_paths()(ctx) != 1) ctx_failed(ctx, 13, "Cannot read the host's trusted certificates");
  }
  // A client verifies the server's chain and host name unless the name
  // says NOVERIFY; a server asks nothing of its clients.
  if (!server && !no_verify) set_verify()(ctx, VERIFY_PEER, nullptr);
  return ctx;
}

void Tls_free_context(Tls_ctx* ctx) {
  if (ctx) ctx_free()(ctx);
}

Tls_conn* Tls_begin(Tls_ctx* ctx, int sock, bool server, const std::string& host, std::string* why) {
  err_clear()();
  Tls_conn* c = ssl_new()(ctx);
  if (!c) {
    *why = "Unable to create new SSL connection";
    return nullptr;
  }
  if (set_fd()(c, sock) != 1) {
    *why = "Unable to create new SSL connection";
    ssl_free()(c);
    err_clear()();
    return nullptr;
  }
  if (!server && !host.empty()) {
    // The name the certificate must carry (an address is matched as one),
    // and the server name sent in the greeting.
    if (is_address(host)) {
      set1_ip_asc()(get0_param()(c), host.c_str());
    } else {
      set1_host()(c, host.c_str());
      ssl_ctrl()(c, CTRL_SET_TLSEXT_HOSTNAME, 0, const_cast<char*>(host.c_str()));
    }
  }
  return c;
}

long Tls_step(Tls_conn* c, bool server, std::string* why) {
  err_clear()();
  errno = 0;
  int r = server ? ssl_accept()(c) : ssl_connect()(c);
  // Only 1 is success: 0 is a handshake the peer ended, below 0 a failure
  // or a wait.
  if (r == 1) return TLS_DONE;
  int e = get_error()(c, r);
  if (e == ERROR_WANT_READ) return TLS_WANT_READ;
  if (e == ERROR_WANT_WRITE) return TLS_WANT_WRITE;
  std::string text;
  long v = verify_result()(c);
  if (v != 0) {
    text = std::string("Certificate not accepted: ") + verify_text()(v);
  } else if (r == 0 || (e == ERROR_SYSCALL && errno == 0)) {
    text = server ? "The client ended the TLS handshake" : "The server ended the TLS handshake";
  } else if (e == ERROR_SYSCALL) {
    text = std::string("TLS handshake failed: ") + std::strerror(errno);
  } else {
    text = server ? "TLS handshake with the client failed" : "Unable to connect securely";
  }
  std::string lib = library_error();
  *why = lib.empty() ? text : text + " (" + lib + ")";
  return TLS_FAILED;
}

Tls_conn* Tls_handshake(Tls_ctx* ctx, int sock, bool server, const std::string& host, int64_t deadline,
                        std::string* why) {
  Tls_conn* c = Tls_begin(ctx, sock, server, host, why);
  if (!c) return nullptr;
  for (;;) {
    long r = Tls_step(c, server, why);
    if (r == TLS_DONE) return c;
    if (r == TLS_FAILED || !wait_socket(sock, r == TLS_WANT_WRITE, deadline)) {
      if (r != TLS_FAILED) *why = "TLS handshake timed out";
      ssl_free()(c);
      err_clear()();
      return nullptr;
    }
  }
}

long Tls_read(Tls_conn* c, void* buf, size_t n, std::string* why) {
  err_clear()();
  int r = ssl_read()(c, buf, n > 0x40000000 ? 0x40000000 : int(n));
  if (r > 0) return r;
  int e = get_error()(c, r);
  if (e == ERROR_WANT_READ) return TLS_WANT_READ;
  if (e == ERROR_WANT_WRITE) return TLS_WANT_WRITE;
  if (e == ERROR_ZERO_RETURN) return TLS_CLOSED;
  if (e == ERROR_SYSCALL && errno == 0) return TLS_CLOSED;  // the peer went without a close notice
  std::string lib = library_error();
  *why = lib.empty() ? (e == ERROR_SYSCALL ? std::string(std::strerror(errno)) : "TLS read failed") : lib;
  return TLS_FAILED;
}

long Tls_write(Tls_conn* c, const void* buf, size_t n, std::string* why) {
  err_clear()();
  int r = ssl_write()(c, buf, n > 0x40000000 ? 0x40000000 : int(n));
  if (r > 0) return r;
  int e = get_error()(c, r);
  if (e == ERROR_WANT_READ) return TLS_WANT_READ;
  if (e == ERROR_WANT_WRITE) return TLS_WANT_WRITE;
  if (e == ERROR_ZERO_RETURN) return TLS_CLOSED;
  std::string lib = library_error();
  *why = lib.empty() ? (e == ERROR_SYSCALL ? std::string(std::strerror(errno)) : "TLS write failed") : lib;
  return TLS_FAILED;
}

bool Tls_pending(Tls_conn* c) { return ssl_pending()(c) > 0; }

void Tls_close(Tls_conn* c) {
  if (!c) return;
  ssl_shutdown()(c);  // the socket is non-blocking: no wait for the peer's notice
  err_clear()();
  ssl_free()(c);
}

bool Tls_info(Tls_conn* c, const std::string& item, std::string* out) {
  std::string u = upper(item);
  bool mine = u.rfind("MY_X509_", 0) == 0;
  if (mine) u = u.substr(3);
  if (u == "SSL_CIPHER") {
    const Ssl_cipher* ci = current_cipher()(c);
    if (!ci) return false;
    char buf[512];
    if (!cipher_description()(ci, buf, sizeof buf)) return false;
    *out = buf;
  } else if (u == "X509_ISSUER" || u == "X509_SUBJECT" || u == "X509_NOT_BEFORE" || u == "X509_NOT_AFTER" ||
             u == "X509_KEYTYPE") {
    X509* cert = mine ? own_certificate()(c) : peer_certificate()(c);
    if (!cert) {
      if (!mine) return false;
      *out = "<No X509>";
      return true;
    }
    struct Release {
      X509* x;
      bool owned;
      ~Release() {
        if (owned) x509_free()(x);
      }
    } release{cert, !mine};
    if (u == "X509_ISSUER" || u == "X509_SUBJECT") {
      char buf[512];
      const X509_name* n = u == "X509_ISSUER" ? issuer_name()(cert) : subject_name()(cert);
      if (!n || !name_oneline()(n, buf, sizeof buf)) return false;
      *out = buf;
    } else if (u == "X509_KEYTYPE") {
      const Evp_pkey* k = get0_pubkey()(cert);
      if (!k) {
        *out = "<NO KEY>";
      } else {
        int id = pkey_base_id()(k);
        const char* type = id == PKEY_RSA ? "RSA" : id == PKEY_DSA ? "DSA" : "UNK";
        *out = std::string(type) + ":" + std::to_string(pkey_bits()(k)) + " bits";
      }
    } else if (!format_time(u == "X509_NOT_BEFORE" ? not_before()(cert) : not_after()(cert), out)) {
      return false;
    }
  } else {
    return false;
  }
  while (!out->empty() && (out->back() == '\n' || out->back() == '\r')) out->pop_back();
  return true;
}

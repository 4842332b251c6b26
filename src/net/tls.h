// TLS for TCP channels over OpenSSL's libssl, loaded at run time
// (net/ssl_lib.h).  Sockets stay non-blocking: every step that needs the
// peer (handshake, read, write) reports that it would block and the channel
// waits with poll, so that no peer can stall the process beyond the time
// limit in force.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

struct Tls_ctx;   // an SSL_CTX
struct Tls_conn;  // an SSL

// A context for a server or a client channel.  With a certificate file it
// loads the certificate chain and the private key from it (PEM) and takes it
// as the file of trusted certificates; without one a client trusts the
// host's certificate store.  A client verifies the server's certificate and
// host name unless no_verify is set.  A client file without a private key
// serves as the trusted-certificate file only.  Failures
// raise 13 (15 when the library cannot make a context) with the text named
// for each step ("Can not find certificate file", ...).
Tls_ctx* Tls_new_context(bool server, const char* cert_file, bool no_verify);
void Tls_free_context(Tls_ctx* ctx);

// The handshake on a connected non-blocking socket, waiting at most until
// deadline (a Now_ms() value).  On success the connection; on failure null
// with the reason in *why (nothing is left behind).  host (client only, may
// be empty) is the name or address the certificate must carry and the name
// sent to the server.
Tls_conn* Tls_handshake(Tls_ctx* ctx, int sock, bool server, const std::string& host, int64_t deadline,
                        std::string* why);
// The same in steps, for a server that must not wait for one client:
// Tls_begin makes the connection (null and *why on failure), each Tls_step
// goes as far as the socket allows and answers TLS_DONE, TLS_WANT_READ,
// TLS_WANT_WRITE or TLS_FAILED (*why set; the caller closes the connection).
Tls_conn* Tls_begin(Tls_ctx* ctx, int sock, bool server, const std::string& host, std::string* why);
constexpr long TLS_DONE = 1;
long Tls_step(Tls_conn* c, bool server, std::string* why);

// Results of Tls_read and Tls_write besides a byte count.
enum : long {
  TLS_CLOSED = 0,        // the peer ended the connection
  TLS_WANT_READ = -1,    // wait until the socket is readable, then repeat
  TLS_WANT_WRITE = -2,   // wait until the socket is writable, then repeat
  TLS_FAILED = -3,       // protocol or host failure (text in *why)
};
long Tls_read(Tls_conn* c, void* buf, size_t n, std::string* why);
long Tls_write(Tls_conn* c, const void* buf, size_t n, std::string* why);
// Decrypted bytes wait in the connection (a READ needs no wait).
bool Tls_pending(Tls_conn* c);
// Sends the close notice when it can go at once, then frees the connection.
void Tls_close(Tls_conn* c);

// A certificate or cipher item of FIN( ("SSL_CIPHER", "X509_SUBJECT",
// "X509_ISSUER", "X509_NOT_BEFORE", "X509_NOT_AFTER", "X509_KEYTYPE", and
// each with "MY_" before it for the local certificate), or false when the
// item is not one of these or the connection has no such certificate.
bool Tls_info(Tls_conn* c, const std::string& item, std::string* out);

// Milliseconds of a monotonic clock.
int64_t Now_ms();

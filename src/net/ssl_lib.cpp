// Run-time loading of OpenSSL 3 (see ssl_lib.h).
#include "net/ssl_lib.h"

#include <dlfcn.h>

#include <cstring>

#include "core/errors.h"

namespace {

constexpr const char* CRYPTO_NAMES[] = {"libcrypto.so", "libcrypto.so.3", nullptr};
constexpr const char* SSL_NAMES[] = {"libssl.so", "libssl.so.3", nullptr};

const char* const* crypto_names = CRYPTO_NAMES;
const char* const* ssl_names = SSL_NAMES;

void* crypto_lib = nullptr;
void* ssl_lib = nullptr;

// A library of OpenSSL 3 or later under one of the names, or null.  The
// version entry point tells a 1.x library (same file name on older hosts).
void* open_first(const char* const* names, bool is_crypto) {
  for (const char* const* n = names; *n; ++n) {
    void* h = dlopen(*n, RTLD_LAZY | RTLD_LOCAL);
    if (!h) continue;
    if (is_crypto) {
      auto version = reinterpret_cast<unsigned long (*)()>(dlsym(h, "OpenSSL_version_num"));
      if (!version || version() < 0x30000000UL) {
        dlclose(h);
        continue;
      }
    } else if (!dlsym(h, "SSL_get1_peer_certificate")) {  // an OpenSSL 3 libssl
      dlclose(h);
      continue;
    }
    return h;
  }
  return nullptr;
}

bool load_crypto() {
  if (!crypto_lib) crypto_lib = open_first(crypto_names, true);
  return crypto_lib != nullptr;
}

}  // namespace

bool Crypto_available() { return load_crypto(); }

void Crypto_need(int err) {
  if (!load_crypto())
    Rpt_error_text(err, "Unable to locate SSL library (libcrypto of OpenSSL 3: libcrypto.so.3)");
}

void Ssl_need(int err) {
  Crypto_need(err);
  if (!ssl_lib) ssl_lib = open_first(ssl_names, false);
  if (!ssl_lib) Rpt_error_text(err, "Unable to locate SSL library (libssl of OpenSSL 3: libssl.so.3)");
}

void* Ssl_lookup(const char* name) {
  bool ssl_name = std::strncmp(name, "SSL_", 4) == 0 || std::strncmp(name, "TLS_", 4) == 0;
  void* p = nullptr;
  if (ssl_name && ssl_lib) p = dlsym(ssl_lib, name);
  if (!p && crypto_lib) p = dlsym(crypto_lib, name);
  if (!p && !ssl_name && ssl_lib) p = dlsym(ssl_lib, name);
  return p;
}

void* Ssl_sym(const char* name) {
  void* p = Ssl_lookup(name);
  if (!p)
    Rpt_error_text(err::NOT_BUILT, std::string("Could not locate SSL entry point '") + name +
                           "' in libraries.\r\nLikely an incompatible SSL Interface.");
  return p;
}

void Ssl_use_names(const char* const* c, const char* const* s) {
  crypto_names = c ? c : CRYPTO_NAMES;
  ssl_names = s ? s : SSL_NAMES;
  // The old handles stay open (OpenSSL cannot be unloaded); the next need
  // loads under the new names.
  crypto_lib = nullptr;
  ssl_lib = nullptr;
}

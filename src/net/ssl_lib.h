// OpenSSL (libcrypto and libssl of OpenSSL 3), loaded at run time on first
// need, so that the interpreter starts and runs without the libraries as long
// as nothing asks for TLS, a digest or a cipher.  Each entry point is looked
// up by name on its first call (Ssl_fn) and kept; the libraries stay loaded
// for the life of the process (OpenSSL pins itself in memory anyway).
//
// The names tried are "libcrypto.so" / "libssl.so" (the development links)
// and then the versioned "libcrypto.so.3" / "libssl.so.3"; a library older
// than 3.0 is passed over, since the entry points used here are OpenSSL 3's.
#pragma once
#include <cstddef>
#include <string>

// libcrypto alone (digests, ciphers, enciphered programs).  Crypto_available
// only reports; Crypto_need raises err with an extended text when the
// library cannot be loaded.
bool Crypto_available();
void Crypto_need(int err);
// libssl and libcrypto (TLS).  Raises err with an extended text when either
// is missing.
void Ssl_need(int err);

// The address of an entry point of the loaded libraries (libssl first for
// names beginning "SSL_" or "TLS_", else libcrypto), or null.
void* Ssl_lookup(const char* name);
// The same, raising error 99 with "Could not locate SSL entry point '<name>'
// ..." when the libraries lack it.
void* Ssl_sym(const char* name);

// A lazily resolved entry point: `static Ssl_fn<int (*)(int)> f{"NAME"};`
// then `f()(args)`.
template <class F>
struct Ssl_fn {
  const char* name;
  F fn = nullptr;
  F operator()() {
    if (!fn) fn = reinterpret_cast<F>(Ssl_sym(name));
    return fn;
  }
};

// For tests: the library names tried by the next load (null: the standard
// ones); the next Crypto_need / Ssl_need tries again.
void Ssl_use_names(const char* const* crypto_names, const char* const* ssl_names);

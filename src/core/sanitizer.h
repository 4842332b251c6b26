// Whether this build runs under AddressSanitizer: gcc says so with
// __SANITIZE_ADDRESS__, clang only through __has_feature.  ORU_ASAN is
// defined (as 1) in either case.
#pragma once

#if defined(__SANITIZE_ADDRESS__)
#define ORU_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ORU_ASAN 1
#endif
#endif

// The statement compiler: source text -> compiled line form (see codes.h),
// driven by the syntax program (lib/sn_tax.src, assembled at build time).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Compiles the source line in the string accumulator (ws.Str_ptr, ws.Str_len).
// The compiled line replaces it in the string accumulator; when built in the
// work area ws.Work_ptr advances past it.  Returns 0 or an error number; a
// line that fails is stored as: line number, 0, the untouched source, 255.
int Compile_line();

// Convenience for tools and tests: compiles text into out (the compiled
// line); returns 0 or the error number.
int Compile_text(const std::string& src, std::vector<uint8_t>& out);

// Where compiling the last line stopped: the offset in its source text of the
// token that failed (0 when the line number itself was bad).
int Compile_error_pos();

// The assembled syntax program, shared with the lister.
extern const uint16_t sn_tax[];
extern const size_t sn_tax_len;

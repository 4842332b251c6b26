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

// Compiles the text as one expression (no line number, no statement): the
// output is 0, 0, the expression's items and 255.  Returns 0 or the error.
int Compile_expression(const uint8_t* src, size_t len, std::vector<uint8_t>& out);

// ws.Pgm_flags2 bit set while the compile function CPL( runs: a line
// reference in an unnumbered line is then error 85.
constexpr uint32_t PGM2_COMPILE_FN = 1;

// Convenience for tools and tests: compiles text into out (the compiled
// line); returns 0 or the error number.
int Compile_text(const std::string& src, std::vector<uint8_t>& out);

// Compile_text as the CPL( function compiles: with the compile-function flag
// set for the compilation and put back as it was on every way out.
int Compile_text_fn(const std::string& src, std::vector<uint8_t>& out);

// Where compiling the last line stopped: the offset in its source text of the
// token that failed (0 when the line number itself was bad).
int Compile_error_pos();

// The assembled syntax program, shared with the lister.
extern const uint16_t sn_tax[];
extern const size_t sn_tax_len;

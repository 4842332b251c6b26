// mkmsg: builds the message file from its readable table.
//
//   mkmsg messages.txt _mlfile.en
//
// Input: "number text" a line, "#" at the start of a line is a comment.
// Output: fixed 80-byte records, record n at byte offset n * 80, the text
// padded with NUL bytes; records without a text are all NUL.  Records 140..151
// hold the three 256-byte case tables, 64 bytes a record: Uppercs (140..143),
// Lowercs (144..147) and Accents (148..151), for ASCII and the Latin-1
// letters.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int REC = 80;
constexpr int TABLE_FIRST = 140, TABLE_LAST = 151;

[[noreturn]] void fail(const char* file, int line, const char* what) {
  std::fprintf(stderr, "%s:%d: %s\n", file, line, what);
  std::exit(1);
}

// Latin-1: 0xC0..0xDE upper case (not 0xD7), 0xE0..0xFE lower case (not 0xF7).
bool latin_upper(int c) { return (c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7); }
bool latin_lower(int c) { return (c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7); }

// The letter without its accent; letters without a plain form stay.
int fold_accent(int c) {
  static const char* const upper = "AAAAAAACEEEEIIIIDNOOOOO*OUUUUY";  // 0xC0..0xDD
  static const char* const lower = "aaaaaaaceeeeiiiidnooooo/ouuuuy";  // 0xE0..0xFD
  if (c >= 0xC0 && c <= 0xDD && c != 0xC6 && c != 0xD7) return upper[c - 0xC0];
  if (c >= 0xE0 && c <= 0xFD && c != 0xE6 && c != 0xF7) return lower[c - 0xE0];
  if (c == 0xFF) return 'y';
  return c;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: mkmsg messages.txt _mlfile.xx\n");
    return 2;
  }
  FILE* in = std::fopen(argv[1], "r");
  if (!in) {
    std::perror(argv[1]);
    return 1;
  }
  std::vector<unsigned char> out((TABLE_LAST + 1) * REC, 0);
  std::vector<bool> seen(256, false);
  char buf[1024];
  int line = 0;
  while (std::fgets(buf, sizeof buf, in)) {
    ++line;
    std::string s(buf);
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
    size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    if (i == s.size() || s[i] == '#') continue;
    size_t start = i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i;
    if (i == start || i - start > 3) fail(argv[1], line, "expected a record number");
    int n = std::atoi(s.substr(start, i - start).c_str());
    if (n > 255) fail(argv[1], line, "record number above 255");
    if (n >= TABLE_FIRST && n <= TABLE_LAST) fail(argv[1], line, "records 140..151 are the case tables");
    if (seen[size_t(n)]) fail(argv[1], line, "record given twice");
    seen[size_t(n)] = true;
    if (i < s.size() && s[i] != ' ' && s[i] != '\t') fail(argv[1], line, "expected a blank after the number");
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    std::string text = s.substr(i);
    if (text.empty()) fail(argv[1], line, "empty text");
    if (text.size() > size_t(REC)) fail(argv[1], line, "text longer than 80 bytes");
    if (size_t(n + 1) * REC > out.size()) out.resize(size_t(n + 1) * REC, 0);
    std::memcpy(&out[size_t(n) * REC], text.data(), text.size());
  }
  std::fclose(in);

  for (int c = 0; c < 256; ++c) {
    int up = latin_lower(c) && c != 0xDF && c != 0xFF ? c - 0x20 : c;
    int low = latin_upper(c) ? c + 0x20 : c;
    out[size_t(TABLE_FIRST * REC + (c / 64) * REC + c % 64)] = (unsigned char)up;
    out[size_t((TABLE_FIRST + 4) * REC + (c / 64) * REC + c % 64)] = (unsigned char)low;
    out[size_t((TABLE_FIRST + 8) * REC + (c / 64) * REC + c % 64)] = (unsigned char)fold_accent(c);
  }

  FILE* f = std::fopen(argv[2], "wb");
  if (!f) {
    std::perror(argv[2]);
    return 1;
  }
  if (std::fwrite(out.data(), 1, out.size(), f) != out.size() || std::fclose(f) != 0) {
    std::perror(argv[2]);
    return 1;
  }
  return 0;
}

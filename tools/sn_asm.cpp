// Assembler for the syntax program.
//
// Reads the readable syntax source (lib/sn_tax.src) and writes a C++ source
// file holding the assembled 16-bit words:
//   const uint16_t sn_tax[] = {...};  const size_t sn_tax_len = N;
//
// Word format: bit 15 set: 0x8000|target is JUMP, 0xC000|target is CALL
// (target = word & 0x3FFF).  Otherwise the high byte is the operation and the
// low byte a relative skip r: on a mismatch execution continues at the
// operation's own index + r.  Operands follow in the next words.
//
// Source lines:
//   ; comment               (also after an instruction)
//   .equ NAME value          named constant (token codes, flag masks)
//   label:                   a label (may stand alone or before an instruction)
//   OP operands [else LABEL] relative skip target for TRY, SWITCH, IFF, IFA, RANGE
//   SWITCH lo hi [else LABEL] default LABEL
//     CODE[-CODE] LABEL      ... one line per case, ended by
//   END
//   ERROR n                  fail with error n
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Fixup {
  size_t word;       // word to patch
  size_t op_index;   // for relative skips: index of the operation word
  std::string label;
  enum Kind { ABS, JUMP, CALL, REL } kind;
  int line;
};

std::map<std::string, int> equs;
std::map<std::string, size_t> labels;
std::vector<uint16_t> words;
std::vector<Fixup> fixups;
int line_no = 0;
std::string src_name;

[[noreturn]] void fail(const std::string& msg) {
  std::cerr << src_name << ":" << line_no << ": " << msg << "\n";
  std::exit(1);
}

int value(const std::string& tok) {
  if (tok.empty()) fail("missing operand");
  if (std::isdigit(static_cast<unsigned char>(tok[0])) || tok[0] == '-') {
    char* end = nullptr;
    long v = std::strtol(tok.c_str(), &end, 0);
    if (*end) fail("bad number " + tok);
    return int(v);
  }
  auto it = equs.find(tok);
  if (it == equs.end()) fail("unknown name " + tok);
  return it->second;
}

std::vector<std::string> split(const std::string& s) {
  std::vector<std::string> out;
  std::istringstream in(s);
  std::string t;
  while (in >> t) out.push_back(t);
  return out;
}

struct OpInfo {
  int code;
  int operands;   // plain operand words
  bool skip;      // takes "else LABEL"
};
const std::map<std::string, OpInfo> ops = {
    {"RET", {0x00, 0, false}},     {"TRY", {0x01, 1, true}},
    {"EXPECT", {0x02, 1, false}},  {"EXPECT_DROP", {0x04, 1, false}},
    {"PUTBACK", {0x05, 0, false}}, {"POP", {0x06, 0, false}},
    {"MARK", {0x07, 0, false}},    {"RESTORE", {0x08, 0, false}},
    {"SETF", {0x0A, 1, false}},    {"CLRF", {0x0B, 1, false}},
    {"IFF", {0x0C, 1, true}},      {"OPTIONAL", {0x0D, 1, false}},
    {"EMIT", {0x0E, 1, false}},    {"SETA", {0x0F, 1, false}},
    {"CLRA", {0x10, 1, false}},    {"IFA", {0x11, 1, true}},
    {"PUSHA", {0x12, 0, false}},   {"POPA", {0x13, 0, false}},
    {"UNEMIT", {0x14, 0, false}},  {"RANGE", {0x15, 2, true}},
};

void rel_fixup(size_t op_index, const std::string& label) {
  fixups.push_back({op_index, op_index, label, Fixup::REL, line_no});
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: sn_asm source.src output.cpp\n";
    return 2;
  }
  src_name = argv[1];
  std::ifstream in(argv[1]);
  if (!in) {
    std::cerr << "cannot read " << argv[1] << "\n";
    return 1;
  }
  std::string line;
  bool in_switch = false;
  size_t switch_op = 0;
  int sw_lo = 0, sw_hi = 0;
  std::string sw_default;
  std::vector<std::string> sw_targets;

  while (std::getline(in, line)) {
    ++line_no;
    auto semi = line.find(';');
    if (semi != std::string::npos) line.erase(semi);
    auto toks = split(line);
    if (toks.empty()) continue;
    if (in_switch) {
      if (toks[0] == "END") {
        for (int i = 0; i <= sw_hi - sw_lo; ++i) {
          const std::string& t = sw_targets[size_t(i)].empty() ? sw_default : sw_targets[size_t(i)];
          fixups.push_back({words.size(), switch_op, t, Fixup::ABS, line_no});
          words.push_back(0);
        }
        in_switch = false;
        continue;
      }
      if (toks.size() != 2) fail("switch case: CODE[-CODE] LABEL");
      int a, b;
      auto dash = toks[0].find('-', 1);
      if (dash != std::string::npos) {
        a = value(toks[0].substr(0, dash));
        b = value(toks[0].substr(dash + 1));
      } else {
        a = b = value(toks[0]);
      }
      if (a < sw_lo || b > sw_hi || a > b) fail("switch case out of range");
      for (int c = a; c <= b; ++c) sw_targets[size_t(c - sw_lo)] = toks[1];
      continue;
    }
    if (toks[0] == ".equ") {
      if (toks.size() != 3) fail(".equ NAME value");
      equs[toks[1]] = value(toks[2]);
      continue;
    }
    if (toks[0].back() == ':') {
      std::string l = toks[0].substr(0, toks[0].size() - 1);
      if (labels.count(l)) fail("label defined twice: " + l);
      labels[l] = words.size();
      toks.erase(toks.begin());
      if (toks.empty()) continue;
    }
    const std::string& op = toks[0];
    size_t at = words.size();
    if (op == "JUMP" || op == "CALL") {
      if (toks.size() != 2) fail(op + " LABEL");
      fixups.push_back({at, at, toks[1], op == "JUMP" ? Fixup::JUMP : Fixup::CALL, line_no});
      words.push_back(0);
      continue;
    }
    if (op == "ERROR") {
      if (toks.size() != 2) fail("ERROR n");
      words.push_back(uint16_t((0x09 << 8) | (value(toks[1]) & 0xFF)));
      continue;
    }
    if (op == "SWITCH") {
      // SWITCH lo hi [else LABEL] default LABEL
      if (toks.size() < 5) fail("SWITCH lo hi [else LABEL] default LABEL");
      sw_lo = value(toks[1]);
      sw_hi = value(toks[2]);
      if (sw_lo > sw_hi || sw_lo < 0 || sw_hi > 255) fail("bad switch range");
      size_t k = 3;
      std::string else_label;
      if (toks[k] == "else") {
        else_label = toks[k + 1];
        k += 2;
      }
      if (k + 2 != toks.size() || toks[k] != "default") fail("SWITCH needs default LABEL");
      sw_default = toks[k + 1];
      switch_op = at;
      words.push_back(uint16_t(0x03 << 8));
      words.push_back(uint16_t(sw_lo));
      words.push_back(uint16_t(sw_hi));
      if (!else_label.empty()) rel_fixup(at, else_label);
      else fixups.push_back({at, at, "", Fixup::REL, line_no});  // next instruction
      sw_targets.assign(size_t(sw_hi - sw_lo + 1), "");
      in_switch = true;
      continue;
    }
    auto it = ops.find(op);
    if (it == ops.end()) fail("unknown operation " + op);
    const OpInfo& info = it->second;
    size_t k = 1;
    words.push_back(uint16_t(info.code << 8));
    for (int i = 0; i < info.operands; ++i, ++k) {
      if (k >= toks.size()) fail(op + ": missing operand");
      words.push_back(uint16_t(value(toks[k])));
    }
    if (info.skip) {
      if (k < toks.size()) {
        if (toks[k] != "else" || k + 2 != toks.size()) fail(op + ": expected 'else LABEL'");
        rel_fixup(at, toks[k + 1]);
        k += 2;
      } else {
        // no else: a mismatch simply continues with the next instruction
        words[at] |= uint16_t(words.size() - at);
      }
    }
    if (k != toks.size()) fail(op + ": too many operands");
  }
  if (in_switch) fail("SWITCH without END");

  for (const Fixup& f : fixups) {
    line_no = f.line;
    size_t target;
    if (f.label.empty()) {
      // SWITCH without else: continue after its target table
      size_t op = f.op_index;
      size_t n = size_t(words[op + 2] - words[op + 1] + 1);
      target = op + 3 + n;
    } else {
      auto it = labels.find(f.label);
      if (it == labels.end()) fail("undefined label " + f.label);
      target = it->second;
    }
    switch (f.kind) {
      case Fixup::ABS:
        if (target > 0x3FFF) fail("program too large");
        words[f.word] = uint16_t(target);
        break;
      case Fixup::JUMP:
        words[f.word] = uint16_t(0x8000 | target);
        break;
      case Fixup::CALL:
        words[f.word] = uint16_t(0xC000 | target);
        break;
      case Fixup::REL: {
        if (f.label.empty() && target - f.op_index > 255) break;  // full-range switch: no else
        if (target <= f.op_index || target - f.op_index > 255)
          fail("skip to " + f.label + " out of range (forward, at most 255 words)");
        words[f.word] |= uint16_t(target - f.op_index);
        break;
      }
    }
  }

  std::ofstream out(argv[2]);
  out << "// Generated from the syntax source by sn_asm; do not edit.\n"
         "#include <cstddef>\n#include <cstdint>\n\n"
         "extern const uint16_t sn_tax[];\nextern const size_t sn_tax_len;\n"
         "const uint16_t sn_tax[] = {";
  for (size_t i = 0; i < words.size(); ++i) {
    if (i % 12 == 0) out << "\n   ";
    char buf[16];
    std::snprintf(buf, sizeof buf, " 0x%04X,", words[i]);
    out << buf;
  }
  out << "\n};\nconst size_t sn_tax_len = " << words.size() << ";\n";
  if (!out) {
    std::cerr << "cannot write " << argv[2] << "\n";
    return 1;
  }
  return 0;
}

// Reading variable-data files: every length read from the file is checked,
// damaged files are refused whole, and nothing built is kept or leaked.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/workspace.h"
#include "programs/var_data.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes file_of(const Bytes& recs, bool wide = false) {
  Bytes f(256, 0);
  std::memcpy(f.data(), "[Oruvdf]", 8);
  uint32_t n = uint32_t(recs.size());
  if (!wide) {
    f[8] = uint8_t(n >> 8);
    f[9] = uint8_t(n);
  }
  f[96] = uint8_t(n >> 24);
  f[97] = uint8_t(n >> 16);
  f[98] = uint8_t(n >> 8);
  f[99] = uint8_t(n);
  f.insert(f.end(), recs.begin(), recs.end());
  return f;
}

Bytes num_rec(const std::string& name, int8_t scale, int64_t mant) {
  Bytes r{1, uint8_t(name.size())};
  r.insert(r.end(), name.begin(), name.end());
  r.push_back(uint8_t(scale));
  for (int i = 5; i >= 0; i--) r.push_back(uint8_t(uint64_t(mant) >> (8 * i)));
  return r;
}

Bytes str_rec(const std::string& name, const std::string& v, int declared = -1) {
  Bytes r{2, uint8_t(name.size())};
  r.insert(r.end(), name.begin(), name.end());
  uint32_t n = declared < 0 ? uint32_t(v.size()) : uint32_t(declared);
  r.push_back(uint8_t(n >> 8));
  r.push_back(uint8_t(n));
  r.insert(r.end(), v.begin(), v.end());
  return r;
}

Bytes cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

struct Parsed {
  std::vector<std::string> names;
  std::vector<int64_t> mants;
};

void collect(const Vdf_record& r, void* ctx) {
  auto* p = static_cast<Parsed*>(ctx);
  p->names.emplace_back(reinterpret_cast<const char*>(r.name), size_t(r.name_len));
  p->mants.push_back(r.mant);
}

TEST(VarData, ParsesNumbersAndStringsWithNegativeMantissas) {
  Bytes recs = cat({num_rec("A", 2, -150), str_rec("B$", "hello"), num_rec("C", 0, 7)});
  Parsed p;
  ASSERT_TRUE(Vdf_parse(recs.data(), recs.size(), collect, &p));
  ASSERT_EQ(p.names.size(), 3u);
  EXPECT_EQ(p.names[1], "B$");
  EXPECT_EQ(p.mants[0], -150);
  EXPECT_EQ(Vdf_load_bytes(file_of(recs).data(), file_of(recs).size()), 3);
}

TEST(VarData, RefusesEveryTruncationOfAValidFile) {
  Bytes first = num_rec("AMOUNT", 2, 12345);
  Bytes recs = cat({first, str_rec("NAME$", "customer")});
  for (size_t cut = 1; cut < recs.size(); cut++) {
    if (cut == first.size()) continue;  // a whole record: valid
    Bytes part(recs.begin(), recs.begin() + long(cut));
    EXPECT_FALSE(Vdf_parse(part.data(), part.size(), nullptr, nullptr)) << "cut at " << cut;
    Bytes f = file_of(part);
    Vdf_load_bytes(f.data(), f.size());
    int64_t before = ws.Mem_used;
    EXPECT_EQ(Vdf_load_bytes(f.data(), f.size()), -1);
    EXPECT_EQ(ws.Mem_used, before);
  }
}

TEST(VarData, RefusesLengthsPastTheData) {
  Bytes over = str_rec("S$", "abc", 200);  // declares 200 bytes, holds 3
  EXPECT_FALSE(Vdf_parse(over.data(), over.size(), nullptr, nullptr));
  Bytes signed_len = str_rec("S$", std::string(40000, 'x'));  // past 32,767
  EXPECT_FALSE(Vdf_parse(signed_len.data(), signed_len.size(), nullptr, nullptr));
  Bytes empty_name{1, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_FALSE(Vdf_parse(empty_name.data(), empty_name.size(), nullptr, nullptr));
  Bytes bad_kind = cat({num_rec("A", 0, 1), Bytes{9, 1, 'Z'}});
  EXPECT_FALSE(Vdf_parse(bad_kind.data(), bad_kind.size(), nullptr, nullptr));
  Bytes control_name{1, 2, 'A', 10, 0, 0, 0, 0, 0, 0, 1};
  EXPECT_FALSE(Vdf_parse(control_name.data(), control_name.size(), nullptr, nullptr));
}

TEST(VarData, HeaderLengthFields) {
  Bytes recs = num_rec("X", 0, 1);
  Bytes f = file_of(recs);
  EXPECT_EQ(Vdf_data_length(f.data()), int64_t(recs.size()));
  Bytes w = file_of(recs, true);  // the short field 0: the long one holds it
  EXPECT_EQ(Vdf_data_length(w.data()), int64_t(recs.size()));
  Bytes prg = f;
  std::memcpy(prg.data() + 4, "prg]", 4);
  EXPECT_EQ(Vdf_data_length(prg.data()), -1);
  // A data length past the end of the file is refused, not read.
  Bytes longer = f;
  longer[9] = uint8_t(longer[9] + 5);
  longer[99] = uint8_t(longer[99] + 5);
  EXPECT_EQ(Vdf_load_bytes(longer.data(), longer.size()), -1);
  EXPECT_EQ(Vdf_load_bytes(f.data(), 100), -1);
}

TEST(VarData, ANameTwiceKeepsTheLaterRecord) {
  Bytes recs = cat({num_rec("A", 0, 1), num_rec("A", 0, 2), str_rec("A$", "x")});
  Bytes f = file_of(recs);
  EXPECT_EQ(Vdf_load_bytes(f.data(), f.size()), 2);
  int64_t before = ws.Mem_used;  // after the first run: the released-string cache is warm
  EXPECT_EQ(Vdf_load_bytes(f.data(), f.size()), 2);
  EXPECT_EQ(ws.Mem_used, before);
}

}  // namespace

// Keyed files against an ordered model: random WRITE, REMOVE, READ by key
// and stepping over three keys, then the structural check of every tree.
#include <map>
#include <random>
#include <set>

#include <algorithm>

#include "core/sanitizer.h"
#include "core/switches.h"
#include "keyed/keyed_internal.h"
#include "keyed_env.h"

namespace {

// Record: bytes 0..5 key 0 (unique), 6..8 key 1, 9..10 key 2 (descending),
// then a tail of varying length.
struct Model {
  std::map<std::string, std::string> recs;  // key 0 -> record
  std::multiset<std::string> alts[3];       // values of keys 1 and 2
  const std::multiset<std::string>& alt(int k) const { return alts[k]; }
  void put(const std::string& k0, const std::string& r) {
    erase(k0);
    recs[k0] = r;
    for (int k = 1; k <= 2; ++k) alts[k].insert(field(r, k));
  }
  void erase(const std::string& k0) {
    auto it = recs.find(k0);
    if (it == recs.end()) return;
    for (int k = 1; k <= 2; ++k) alts[k].erase(alts[k].find(field(it->second, k)));
    recs.erase(it);
  }
  static std::string field(const std::string& r, int k) {
    return k == 1 ? r.substr(6, 3) : k == 2 ? r.substr(9, 2) : r.substr(0, 6);
  }
};

// The long runs: a quarter as many operations in the sanitizer build, where
// each takes some thirty times as long (the trees still grow several levels
// deep and shrink again).
#if defined(ORU_ASAN)
constexpr int LONG_RUN = 50000;
#else
constexpr int LONG_RUN = 200000;
#endif

class KeyedProperty : public KeyedTest {
 protected:
  std::mt19937 rng{20261207};

  std::string key0() {
    char b[8];
    std::snprintf(b, sizeof b, "%06u", unsigned(rng() % 6000));
    return b;
  }
  std::string record(const std::string& k0) {
    std::string r = k0;
    r += char('a' + rng() % 6);
    r += char('a' + rng() % 6);
    r += char('a' + rng() % 6);
    r += char('A' + rng() % 5);
    r += char('A' + rng() % 5);
    size_t tail = rng() % 40;
    for (size_t i = 0; i < tail; ++i) r += (rng() % 3 == 0) ? char('0' + rng() % 10) : ' ';
    return r;
  }
  // The data as the file gives it back (fixed-length records come padded).
  std::string norm(const std::string& s) { return strip(s); }

  void run(Key_chan* ch, int ops, int check_every) {
    Model m;
    std::string last_k0;  // key 0 of the last record read through key 0
    bool positioned = false;
    for (int op = 1; op <= ops; ++op) {
      int what = int(rng() % 100);
      if (what < 35) {
        std::string k0 = key0();
        std::string r = record(k0);
        Key_write(ch, req(232), r);
        m.put(k0, r);
        positioned = false;
      } else if (what < 50) {
        std::string k0 = key0();
        int e = error_no([&] { Key_remove(ch, Key_by(k0, 208)); });
        ASSERT_EQ(e, m.recs.count(k0) ? 0 : 11) << "remove " << k0 << " at op " << op;
        m.erase(k0);
        positioned = false;
      } else if (what < 70) {
        std::string k0 = key0();
        Key_req r = Key_by(k0);
        r.has_kno = true;
        r.kno = 0;
        std::string got;
        int e = error_no([&] { got = Key_read(ch, r); });
        auto it = m.recs.find(k0);
        ASSERT_EQ(e, it != m.recs.end() ? 0 : 11) << "read " << k0 << " at op " << op;
        if (!e) {
          ASSERT_EQ(norm(got), it->second);
        }
        last_k0 = k0;
        positioned = true;
        if (e) {
          // A missing key leaves the position before the next greater one.
          auto nx = m.recs.upper_bound(k0);
          int e2 = error_no([&] { got = Key_read(ch, req()); });
          if (nx == m.recs.end()) {
            ASSERT_EQ(e2, 2) << "read on after missing " << k0;
            positioned = false;
          } else {
            ASSERT_EQ(e2, 0);
            ASSERT_EQ(norm(got), nx->second) << "read on after missing " << k0;
            last_k0 = nx->first;
          }
        }
      } else if (what < 85) {
        if (!positioned) continue;
        bool back = rng() % 3 == 0;
        Key_req r = req();
        if (back) {
          r.has_dir = true;
          r.dir = -1;
        }
        std::string got;
        int e = error_no([&] { got = Key_read(ch, r); });
        if (back) {
          // The READ reads on; the next READ reads the record before
          // the one read.  In front of the first record the end of file is
          // pending, unless the step stopped exactly one entry short.
          auto it = m.recs.upper_bound(last_k0);
          auto before = it;
          ASSERT_EQ(e, it == m.recs.end() ? 2 : 0) << "read on from " << last_k0 << " at op " << op;
          if (it == m.recs.end()) {
            positioned = false;
          } else if (norm(got) != it->second) {
            FAIL() << "read on from " << last_k0 << " at op " << op;
          } else if (it == m.recs.begin()) {
            ASSERT_EQ(error_no([&] { Key_read(ch, req()); }), 2) << "pending end at op " << op;
            last_k0.clear();  // before the first record
          } else if (--before == m.recs.begin()) {
            last_k0.clear();
          } else {
            last_k0 = std::prev(before)->first;
          }
        } else {
          auto it = m.recs.upper_bound(last_k0);
          if (it == m.recs.end()) {
            ASSERT_EQ(e, 2) << "step from " << last_k0 << " at op " << op;
            positioned = false;
          } else {
            ASSERT_EQ(e, 0) << "step from " << last_k0 << " at op " << op;
            ASSERT_EQ(norm(got), it->second) << "step from " << last_k0 << " at op " << op;
            last_k0 = it->first;
          }
        }
      } else {
        // A read by an alternate key: the first record of that value, or
        // the next greater value after a miss.
        int k = 1 + int(rng() % 2);
        std::string v = k == 1 ? std::string{char('a' + rng() % 6), char('a' + rng() % 6), char('a' + rng() % 6)}
                               : std::string{char('A' + rng() % 5), char('A' + rng() % 5)};
        Key_req r = Key_by(v);
        r.has_kno = true;
        r.kno = k;
        std::string got;
        int e = error_no([&] { got = Key_read(ch, r); });
        const auto& vals = m.alt(k);
        ASSERT_EQ(e, vals.count(v) ? 0 : 11) << "alt read " << k << " " << v;
        if (!e) {
          ASSERT_EQ(Model::field(got, k), v);
          ASSERT_EQ(m.recs.at(got.substr(0, 6)), norm(got));
        }
        positioned = false;
        Key_req back0 = req();
        back0.has_kno = true;
        back0.kno = 0;
        error_no([&] { Key_getkey(ch, back0); });  // key 0 becomes the current key again
      }
      if (op % check_every == 0 || op == ops) {
        check_scans(ch, m);
        ASSERT_EQ(Key_record_count(ch), m.recs.size());
        positioned = false;
      }
    }
    EXPECT_EQ(Key_verify(ch), "");
  }

  void check_scans(Key_chan* ch, const Model& m) {
    // Key 0: exactly the model's sequence.
    Key_req first = req();
    first.has_rno = true;
    first.rno = 1;
    first.has_kno = true;
    first.kno = 0;
    std::vector<std::string> got;
    std::string r;
    if (error_no([&] { r = Key_read(ch, first); }) == 0) {
      got.push_back(norm(r));
      while (error_no([&] { r = Key_read(ch, req()); }) == 0) got.push_back(norm(r));
    }
    std::vector<std::string> want;
    for (auto& [k, v] : m.recs) want.push_back(v);
    ASSERT_EQ(got, want);
    // Keys 1 and 2: values in order (descending for key 2).
    for (int k = 1; k <= 2; ++k) {
      first.kno = k;
      std::vector<std::string> vals;
      if (error_no([&] { r = Key_read(ch, first); }) == 0) {
        vals.push_back(Model::field(r, k));
        while (error_no([&] { r = Key_read(ch, req()); }) == 0) vals.push_back(Model::field(r, k));
      }
      const auto& s = m.alt(k);
      std::vector<std::string> exp(s.begin(), s.end());
      if (k == 2) std::reverse(exp.begin(), exp.end());
      ASSERT_EQ(vals, exp) << "key " << k;
    }
    Key_req back0 = req();
    back0.has_kno = true;
    back0.kno = 0;
    error_no([&] { Key_getkey(ch, back0); });
  }

  std::vector<Key_seg_desc> segs() {
    return {{0, 0, 0, 6, false, 0, 0}, {1, 0, 6, 3, false, 0, 0}, {2, 0, 9, 2, true, 0, 0}};
  }
};

TEST_F(KeyedProperty, VariableLengthCompressedRecordsAgainstTheModel) {
  Key_chan* ch = open(make_segs("prop", 60, segs(), true, 0, kf::F2_RLE, 1));
  run(ch, LONG_RUN, 25000);
}

TEST_F(KeyedProperty, FixedLengthRecordsWithBinarySearchAgainstTheModel) {
  prmblk.WD = 50;  // write-behind: the header stays locked across operations
  Sw_set(sw::QK, true);
  Key_chan* ch = open(make_segs("propf", 60, segs(), false, 0, 0, 1));
  run(ch, 30000, 10000);
  Sw_set(sw::QK, false);
}

// The second format (EFF) on the same engine: copy-on-write pages, the map
// and the update cycle are checked by the structural check as well.
TEST_F(KeyedProperty, EffRecordsAgainstTheModel) {
  Key_chan* ch = open(make_eff("prop.eff", 60, segs()));
  run(ch, LONG_RUN, 25000);
}

TEST_F(KeyedProperty, EffCompressedRecordsWithWriteBehindAgainstTheModel) {
  prmblk.WD = 50;
  Key_chan* ch = open(make_eff("propc.eff", 60, segs(), 0, 0x01));
  run(ch, 30000, 10000);
}

}  // namespace

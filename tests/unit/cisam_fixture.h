// A C-ISAM writer and reader for tests, written from the file layout alone
// (node 1 dictionary, one key-description node, B-trees whose inner entries
// hold the highest key of their child, the data file of records and flag
// bytes), sharing no code with the engine they check.
#pragma once
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

namespace cfx {

struct Part {
  int off, len;
};
struct Key {
  std::vector<Part> parts;
  bool dups = false;
  uint8_t flags = 0;  // 1 dup compression, 2 leading, 4 trailing
  int len() const {
    int n = 0;
    for (const Part& p : parts) n += p.len;
    return n;
  }
  std::string of(const std::string& rec) const {
    std::string k;
    for (const Part& p : parts) k += rec.substr(size_t(p.off), size_t(p.len));
    return k;
  }
};

struct Layout {
  bool be = true;
  int nsize = 1024;
  int reclen = 0;
  std::vector<Key> keys;
};

class Bytes {
 public:
  explicit Bytes(bool be) : be_(be) {}
  void put2(uint8_t* p, uint32_t v) const {
    if (be_) { p[0] = uint8_t(v >> 8); p[1] = uint8_t(v); }
    else { p[0] = uint8_t(v); p[1] = uint8_t(v >> 8); }
  }
  void put4(uint8_t* p, uint32_t v) const {
    for (int i = 0; i < 4; ++i) p[be_ ? i : 3 - i] = uint8_t(v >> (24 - 8 * i));
  }
  uint32_t get2(const uint8_t* p) const { return be_ ? uint32_t(p[0] << 8 | p[1]) : uint32_t(p[1] << 8 | p[0]); }
  uint32_t get4(const uint8_t* p) const {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = v << 8 | p[be_ ? i : 3 - i];
    return v;
  }

 private:
  bool be_;
};

struct Entry {
  std::string key;
  uint32_t dup = 0, ptr = 0;
  bool high = false;
};

// Encodes the entries of one node; false when they do not fit.
inline bool encode_node(const Layout& L, const Key& k, const std::vector<Entry>& es, int level,
                        std::vector<uint8_t>* node) {
  Bytes B(L.be);
  node->assign(size_t(L.nsize), 0);
  uint8_t* b = node->data();
  int kl = k.len(), p = 2, last_ptr = -1;
  bool lead = k.flags & 2, trail = k.flags & 4, dc = (k.flags & 1) && k.dups;
  for (size_t i = 0; i < es.size(); ++i) {
    const Entry& e = es[i];
    const Entry* prev = i ? &es[i - 1] : nullptr;
    if (dc && prev && !prev->high && !e.high && prev->key == e.key && e.dup == prev->dup + 1) {
      if (p + 4 > L.nsize - 3) return false;
      b[last_ptr + (L.be ? 0 : 3)] |= 0x80;
      last_ptr = p;
      B.put4(b + p, e.ptr);
      p += 4;
      continue;
    }
    std::string body = e.key;
    int lc = 0, tc = 0;
    if (e.high && lead) {
      lc = kl;
      body.clear();
    } else if (!e.high) {
      if (lead && prev && !prev->high)
        while (lc < kl - 1 && e.key[size_t(lc)] == prev->key[size_t(lc)]) lc++;
      if (trail)
        while (tc < kl - lc && e.key[size_t(kl - 1 - tc)] == ' ') tc++;
      body = e.key.substr(size_t(lc), size_t(kl - lc - tc));
    }
    int need = (lead ? 1 : 0) + (trail ? 1 : 0) + int(body.size()) + (k.dups ? 4 : 0) + 4;
    if (p + need > L.nsize - 3) return false;
    if (lead) b[p++] = uint8_t(lc);
    if (trail) b[p++] = uint8_t(tc);
    std::memcpy(b + p, body.data(), body.size());
    p += int(body.size());
    if (k.dups) {
      B.put4(b + p, e.dup);
      p += 4;
    }
    last_ptr = p;
    B.put4(b + p, e.ptr);
    p += 4;
  }
  B.put2(b, uint32_t(p));
  b[L.nsize - 2] = uint8_t(level);
  return true;
}

// Writes base.idx and base.dat.  records[i] is record i + 1 (reclen bytes);
// an empty string is a deleted record.  Each tree is packed bottom-up.
inline void write_pair(const std::string& base, const Layout& L, const std::vector<std::string>& records) {
  Bytes B(L.be);
  std::vector<std::vector<uint8_t>> nodes(2, std::vector<uint8_t>(size_t(L.nsize), 0));
  std::vector<uint32_t> roots;
  for (const Key& k : L.keys) {
    std::vector<Entry> es;
    for (size_t i = 0; i < records.size(); ++i)
      if (!records[i].empty()) es.push_back({k.of(records[i]), 0, uint32_t(i + 1), false});
    std::stable_sort(es.begin(), es.end(), [](const Entry& a, const Entry& b) { return a.key < b.key; });
    for (size_t i = 1; i < es.size(); ++i)
      if (es[i].key == es[i - 1].key) es[i].dup = es[i - 1].dup + 1;
    if (es.empty()) {
      roots.push_back(0);
      continue;
    }
    int level = 0;
    for (;;) {
      std::vector<Entry> up;
      std::vector<uint8_t> out;
      size_t i = 0;
      while (i < es.size()) {
        size_t j = i + 1;
        std::vector<Entry> part = {es[i]};
        // Fill a node to about three quarters.
        while (j < es.size()) {
          part.push_back(es[j]);
          if (!encode_node(L, k, part, level, &out) || int(B.get2(out.data())) > L.nsize * 3 / 4) {
            part.pop_back();
            break;
          }
          ++j;
        }
        bool last = j == es.size();
        if (level > 0 && last) part.back().high = true;
        if (!encode_node(L, k, part, level, &out)) std::abort();
        nodes.push_back(out);
        Entry sep = part.back();
        sep.ptr = uint32_t(nodes.size());
        up.push_back(sep);
        i = j;
      }
      if (up.size() == 1) {
        roots.push_back(up[0].ptr);
        break;
      }
      up.back().high = true;
      up.back().key.assign(size_t(k.len()), '\xFF');
      es = up;
      level++;
    }
  }
  // Node 1 and the key descriptions (node 2).
  uint8_t* d = nodes[0].data();
  d[0] = 0xFE;
  d[1] = 0x53;
  B.put2(d + 6, uint32_t(L.nsize - 1));
  B.put2(d + 8, uint32_t(L.keys.size()));
  B.put2(d + 13, uint32_t(L.reclen));
  B.put4(d + 15, 2);
  B.put4(d + 33, uint32_t(records.size()));
  B.put4(d + 37, uint32_t(nodes.size()));
  uint8_t* kd = nodes[1].data();
  int off = 6;
  for (size_t i = 0; i < L.keys.size(); ++i) {
    const Key& k = L.keys[i];
    int e = 5 + 5 * int(k.parts.size());
    B.put2(kd + off, uint32_t(e));
    B.put4(kd + off + 2, roots[i]);
    kd[off + 6] = k.flags;
    for (size_t j = 0; j < k.parts.size(); ++j) {
      uint8_t* p = kd + off + 7 + 5 * j;
      B.put2(p, uint32_t(k.parts[j].len) | (k.dups && j == 0 ? 0x8000u : 0));
      B.put2(p + 2, uint32_t(k.parts[j].off));
      p[4] = 0;
    }
    off += 2 + e;
  }
  B.put2(kd, uint32_t(off));
  // A little-endian node size whose low byte is 0xFF would read as the
  // other order; the layouts used keep byte 7 telling.
  std::string idx;
  for (auto& n : nodes) idx.append(reinterpret_cast<const char*>(n.data()), n.size());
  std::string dat;
  for (const std::string& r : records) {
    if (r.empty()) dat.append(size_t(L.reclen) + 1, '\0');
    else dat += r + "\n";
  }
  for (auto [name, bytes] : {std::pair{base + ".idx", &idx}, std::pair{base + ".dat", &dat}}) {
    int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || ::write(fd, bytes->data(), bytes->size()) != ssize_t(bytes->size())) std::abort();
    ::close(fd);
  }
}

// Reads the entries of key k in tree order: (key, duplicate number, record).
inline std::vector<std::tuple<std::string, uint32_t, uint32_t>> read_key(const std::string& base, int k_no,
                                                                         std::string* problem) {
  std::vector<std::tuple<std::string, uint32_t, uint32_t>> out;
  std::string idx;
  {
    int fd = ::open((base + ".idx").c_str(), O_RDONLY);
    char buf[65536];
    ssize_t n;
    while (fd >= 0 && (n = ::read(fd, buf, sizeof buf)) > 0) idx.append(buf, size_t(n));
    if (fd >= 0) ::close(fd);
  }
  if (idx.size() < 64) {
    *problem = "short index";
    return out;
  }
  const uint8_t* f = reinterpret_cast<const uint8_t*>(idx.data());
  Bytes B(f[7] == 0xFF);
  int nsize = int(B.get2(f + 6)) + 1;
  auto node = [&](uint32_t n) -> const uint8_t* {
    if (n < 1 || size_t(n) * size_t(nsize) > idx.size()) return nullptr;
    return f + size_t(n - 1) * size_t(nsize);
  };
  const uint8_t* kd = node(B.get4(f + 15));
  if (!kd) {
    *problem = "no key description";
    return out;
  }
  int off = 6;
  Key key;
  uint32_t root = 0;
  for (int i = 0; i <= k_no; ++i) {
    int e = int(B.get2(kd + off));
    if (i == k_no) {
      root = B.get4(kd + off + 2);
      key.flags = kd[off + 6];
      for (int j = 0; j < (e - 5) / 5; ++j) {
        const uint8_t* p = kd + off + 7 + 5 * j;
        uint32_t len = B.get2(p);
        if (len & 0x8000) key.dups = true;
        key.parts.push_back({int(B.get2(p + 2)), int(len & 0x7FFF)});
      }
    }
    off += 2 + e;
  }
  int kl = key.len();
  bool lead = key.flags & 2, trail = key.flags & 4, dc = (key.flags & 1) && key.dups;
  std::function<void(uint32_t, int)> walk = [&](uint32_t n, int depth) {
    const uint8_t* b = node(n);
    if (!b || depth > 12) {
      *problem = "bad node " + std::to_string(n);
      return;
    }
    int used = int(B.get2(b)), level = b[nsize - 2];
    int p = 2;
    std::string prev;
    uint32_t prev_dup = 0;
    bool repeat = false;
    while (p < used && problem->empty()) {
      std::string k;
      uint32_t dup = 0;
      bool high = false;
      if (repeat) {
        k = prev;
        dup = prev_dup + 1;
      } else {
        int lc = lead ? b[p++] : 0, tc = trail ? b[p++] : 0;
        if (lead && lc == kl) {
          high = true;
          k.assign(size_t(kl), '\xFF');
        } else {
          k = prev.substr(0, size_t(lc)) +
              std::string(reinterpret_cast<const char*>(b + p), size_t(kl - lc - tc)) + std::string(size_t(tc), ' ');
          p += kl - lc - tc;
        }
        if (key.dups) {
          dup = B.get4(b + p);
          p += 4;
        }
      }
      uint32_t ptr = B.get4(b + p);
      p += 4;
      repeat = dc && (ptr & 0x80000000u);
      ptr &= 0x7FFFFFFFu;
      if (level == 0) out.emplace_back(k, dup, ptr);
      else walk(ptr, depth + 1);
      (void)high;
      prev = k;
      prev_dup = dup;
    }
  };
  if (root) walk(root, 0);
  return out;
}

}  // namespace cfx

// Writers of BBx keyed files for tests, from the file layout alone (header,
// the BBxKey linked list, the BBmkey trees of blocks), sharing no code with
// the reader they check.
#pragma once
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace bfx {

inline void put32(std::string& s, size_t at, uint32_t v) {
  if (s.size() < at + 4) s.resize(at + 4, '\0');
  for (int i = 0; i < 4; ++i) s[at + size_t(i)] = char(v >> (24 - 8 * i));
}
inline void put16(std::string& s, size_t at, uint32_t v) {
  if (s.size() < at + 2) s.resize(at + 2, '\0');
  s[at] = char(v >> 8);
  s[at + 1] = char(v);
}
inline void putw(std::string& s, size_t at, uint64_t v, int w) {
  for (int i = 0; i < w; ++i) s[at + size_t(i)] = char(v >> (8 * (w - 1 - i)));
}

inline void save(const std::string& path, const std::string& bytes) {
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
  if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != ssize_t(bytes.size())) std::abort();
  ::close(fd);
}

inline std::string header(uint8_t type) {
  std::string h(512, '\0');
  h.replace(0, 7, "<<bbx>>");
  h[7] = char(type);
  return h;
}

// Kind 14: keys (L bytes each) and records (R bytes each), entry n = the n-th
// pair; the list is linked in key order.
inline std::string bbxkey(int L, int R, int w, const std::vector<std::pair<std::string, std::string>>& recs) {
  std::string f = header(2);
  f[8] = char(L);
  put32(f, 9, uint32_t(recs.size() + 10));
  put16(f, 13, uint32_t(R));
  put32(f, 27, uint32_t(recs.size()));
  put16(f, 55, uint32_t(w));
  int s = L + 3 * w, e = 512 / s;
  uint32_t key_area = 512;
  uint32_t blocks = uint32_t((recs.size() + size_t(e) - 1) / size_t(e));
  uint32_t rec_area = key_area + blocks * 512;
  put32(f, 39, key_area);
  put32(f, 43, rec_area);
  std::vector<size_t> order(recs.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return recs[a].first < recs[b].first; });
  put32(f, 23, order.empty() ? 0 : uint32_t(order[0] + 1));
  f.resize(size_t(rec_area) + recs.size() * size_t(R), '\0');
  for (size_t j = 0; j < order.size(); ++j) {
    size_t n = order[j] + 1;
    size_t at = key_area + (n - 1) / size_t(e) * 512 + (n - 1) % size_t(e) * size_t(s);
    std::string k = recs[n - 1].first;
    k.resize(size_t(L), '\0');
    f.replace(at, size_t(L), k);
    putw(f, at + size_t(L), j + 1 < order.size() ? order[j + 1] + 1 : 0, w);
    putw(f, at + size_t(L) + size_t(w), j > 0 ? order[j - 1] + 1 : 0, w);
    std::string r = recs[n - 1].second;
    r.resize(size_t(R), '\0');
    f.replace(rec_area + (n - 1) * size_t(R), size_t(R), r);
  }
  return f;
}

struct Seg {
  int key, field, off, len;
  bool desc;
};

// The stored key k of a record at file offset rec_off.
inline std::string key_of(const std::vector<Seg>& segs, int k, const std::string& rec, uint32_t rec_off) {
  std::string out;
  for (const Seg& s : segs) {
    if (s.key != k) continue;
    std::string field = rec;
    if (s.field > 0) {
      size_t at = 0;
      field.clear();
      for (int n = 1;; ++n) {
        size_t lf = rec.find('\n', at);
        if (n == s.field) {
          field = rec.substr(at, lf == std::string::npos ? std::string::npos : lf - at);
          break;
        }
        if (lf == std::string::npos) break;
        at = lf + 1;
      }
    }
    std::string part = size_t(s.off) < field.size() ? field.substr(size_t(s.off), size_t(s.len)) : "";
    part.resize(size_t(s.len), '\0');
    if (s.desc)
      for (char& c : part) c = char(~c);
    out += part;
  }
  if (k > 0) {
    std::string o(4, '\0');
    put32(o, 0, rec_off);
    out += o;
  }
  return out;
}

// Kind 15: records of R bytes with keys from segments; blocks of B bytes
// holding at most per_block entries each.
inline std::string bbmkey(int R, int B, int per_block, const std::vector<Seg>& segs, const std::vector<std::string>& recs) {
  std::string f = header(6);
  f[8] = 0;
  put32(f, 9, uint32_t(recs.size() + 10));
  put16(f, 13, uint32_t(R));
  put32(f, 27, uint32_t(recs.size()));
  put16(f, 113, B == 512 ? 0 : uint32_t(B));
  size_t at = 117;
  int nkeys = 0;
  for (const Seg& s : segs) {
    f[at] = char(s.key);
    f[at + 1] = char(s.field);
    put16(f, at + 2, uint32_t(s.off));
    f[at + 4] = char(s.len);
    f[at + 5] = s.desc ? 1 : 0;
    at += 8;
    nkeys = std::max(nkeys, s.key + 1);
  }
  f[at] = char(255);
  f.resize(size_t(B) > 512 ? size_t(B) : 512, '\0');  // blocks start on a block boundary after the header
  // Records first, after the header.
  std::vector<uint32_t> offs;
  for (const std::string& r : recs) {
    offs.push_back(uint32_t(f.size()));
    std::string rr = r;
    rr.resize(size_t(R), '\0');
    f += rr;
  }
  auto align = [&] { f.resize((f.size() + 511) / 512 * 512, '\0'); };
  for (int k = 0; k < nkeys; ++k) {
    int kl = 0;
    for (const Seg& s : segs)
      if (s.key == k) kl += s.len;
    if (k > 0) kl += 4;
    int t = kl + 8;
    int per_key = std::min(per_block, (B - 5) / t);  // entries that fit a block
    std::vector<std::pair<std::string, uint32_t>> es;
    for (size_t i = 0; i < recs.size(); ++i) {
      std::string rr = recs[i];
      rr.resize(size_t(R), '\0');
      es.emplace_back(key_of(segs, k, rr, offs[i]), offs[i]);
    }
    std::sort(es.begin(), es.end());
    // Builds the subtree of es[a, b) and returns its block address (0: none).
    std::function<uint32_t(size_t, size_t)> build = [&](size_t a, size_t b) -> uint32_t {
      size_t n = b - a;
      if (n == 0) return 0;
      std::vector<std::pair<size_t, uint32_t>> items;  // entry index, down pointer
      uint32_t closing = 0;
      if (n <= size_t(per_key)) {
        for (size_t i = a; i < b; ++i) items.emplace_back(i, 0);
      } else {
        size_t c = std::min<size_t>(size_t(per_key) + 1, (n + 1) / 2);
        size_t per = (n - (c - 1)) / c, extra = (n - (c - 1)) % c;
        size_t i = a;
        for (size_t ch = 0; ch < c; ++ch) {
          size_t len = per + (ch < extra ? 1 : 0);
          uint32_t down = build(i, i + len);
          i += len;
          if (ch + 1 < c) {
            items.emplace_back(i, down);
            ++i;
          } else {
            closing = down;
          }
        }
      }
      align();
      uint32_t off = uint32_t(f.size());
      std::string blk(size_t(B), '\0');
      blk[0] = char(items.size());
      size_t p = 1;
      for (auto& [idx, down] : items) {
        put32(blk, p, down);
        blk.replace(p + 4, size_t(kl), es[idx].first);
        put32(blk, p + 4 + size_t(kl), es[idx].second);
        p += size_t(t);
      }
      put32(blk, p, closing);
      blk.resize(size_t(B));
      f += blk;
      return off;
    };
    uint32_t root = build(0, es.size());
    put32(f, 47 + 4 * size_t(k), root);
  }
  return f;
}

}  // namespace bfx

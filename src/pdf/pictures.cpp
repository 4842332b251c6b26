// Picture readers of the own PDF writer (formats in pictures.h).
#include "pdf/pictures.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/zlib_loader.h"

namespace {

uint32_t be32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }
uint16_t be16(const uint8_t* p) { return uint16_t(p[0] << 8 | p[1]); }

bool is_frame(uint8_t m) {
  return (m >= 0xC0 && m <= 0xC3) || (m >= 0xC5 && m <= 0xC7) || (m >= 0xC9 && m <= 0xCB) || (m >= 0xCD && m <= 0xCF);
}

std::string deflate(const uint8_t* p, size_t n) {
  std::string out;
  out.resize(n + n / 1000 + 64);
  int64_t r = ZlibCompressToBfr(reinterpret_cast<uint8_t*>(out.data()), out.size(), p, n);
  if (r < 0) return std::string();
  out.resize(size_t(r));
  return out;
}

uint8_t paeth(int a, int b, int c) {
  int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  if (pa <= pb && pa <= pc) return uint8_t(a);
  return uint8_t(pb <= pc ? b : c);
}

// Undoes the row filters of one pass in place: rows of 1 + rb bytes; the
// result, without filter bytes, is appended to out.
bool unfilter(const uint8_t* in, uint32_t rows, size_t rb, size_t bpp, std::vector<uint8_t>& out) {
  std::vector<uint8_t> prev(rb, 0), cur(rb);
  for (uint32_t r = 0; r < rows; ++r) {
    const uint8_t* row = in + size_t(r) * (rb + 1);
    uint8_t f = row[0];
    std::memcpy(cur.data(), row + 1, rb);
    for (size_t i = 0; i < rb; ++i) {
      int a = i >= bpp ? cur[i - bpp] : 0, b = prev[i], c = i >= bpp ? prev[i - bpp] : 0;
      switch (f) {
        case 0: break;
        case 1: cur[i] = uint8_t(cur[i] + a); break;
        case 2: cur[i] = uint8_t(cur[i] + b); break;
        case 3: cur[i] = uint8_t(cur[i] + ((a + b) >> 1)); break;
        case 4: cur[i] = uint8_t(cur[i] + paeth(a, b, c)); break;
        default: return false;
      }
    }
    out.insert(out.end(), cur.begin(), cur.end());
    prev.swap(cur);
  }
  return true;
}

// One sample of bit depth d at sample index i of a row.
uint32_t sample(const uint8_t* row, size_t i, int d) {
  if (d == 8) return row[i];
  if (d == 16) return be16(row + 2 * i);
  size_t bit = i * size_t(d);
  return (row[bit / 8] >> (8 - d - bit % 8)) & ((1u << d) - 1);
}

void put_sample(uint8_t* row, size_t i, int d, uint32_t v) {
  if (d == 8) {
    row[i] = uint8_t(v);
  } else if (d == 16) {
    row[2 * i] = uint8_t(v >> 8);
    row[2 * i + 1] = uint8_t(v);
  } else {
    size_t bit = i * size_t(d);
    row[bit / 8] = uint8_t(row[bit / 8] | (v << (8 - d - bit % 8)));
  }
}

}  // namespace

bool Pdf_png_available() { return CheckZlib() != 0; }

bool Pdf_read_jpeg(const std::string& bytes, Pdf_picture& out, std::string& why) {
  const uint8_t* p = reinterpret_cast<const uint8_t*>(bytes.data());
  size_t n = bytes.size();
  if (n > PDF_PICTURE_MAX_BYTES) {
    why = "picture file too large";
    return false;
  }
  if (n < 4 || p[0] != 0xFF || p[1] != 0xD8) {
    why = "not a JPEG picture";
    return false;
  }
  size_t pos = 2;
  while (pos + 1 < n && p[pos] == 0xFF) {
    while (pos + 1 < n && p[pos + 1] == 0xFF) ++pos;  // fill bytes
    if (pos + 1 >= n) break;
    uint8_t m = p[pos + 1];
    if (m == 0xD9) break;
    if ((m >= 0xD0 && m <= 0xD7) || m == 0x01) {
      pos += 2;
      continue;
    }
    if (pos + 4 > n) break;
    size_t len = be16(p + pos + 2);
    if (len < 2 || pos + 2 + len > n) break;
    if (is_frame(m)) {
      if (len < 8) break;
      int bits = p[pos + 4];
      int h = be16(p + pos + 5), w = be16(p + pos + 7), comps = p[pos + 9];
      if (w == 0 || h == 0 || bits != 8 || (comps != 1 && comps != 3 && comps != 4)) {
        why = "JPEG picture of a kind PDF cannot show (size, precision or colours)";
        return false;
      }
      if (int64_t(w) * h > PDF_PICTURE_MAX_PIXELS) {
        why = "picture too large";
        return false;
      }
      out = Pdf_picture{};
      out.jpeg = true;
      out.width = w;
      out.height = h;
      out.components = comps;
      out.bits = 8;
      out.data = bytes;
      return true;
    }
    pos += 2 + len;
  }
  why = "JPEG picture without a frame size";
  return false;
}

bool Pdf_read_png(const std::string& bytes, Pdf_picture& out, std::string& why) {
  static const uint8_t sig[8] = {0x89, 'P', 'N', 'G', 13, 10, 26, 10};
  const uint8_t* p = reinterpret_cast<const uint8_t*>(bytes.data());
  size_t n = bytes.size();
  if (n > PDF_PICTURE_MAX_BYTES) {
    why = "picture file too large";
    return false;
  }
  if (n < 8 || std::memcmp(p, sig, 8) != 0) {
    why = "not a PNG picture";
    return false;
  }
  uint32_t w = 0, h = 0;
  int depth = 0, ctype = -1, interlace = 0;
  std::string idat, palette;
  bool seen_ihdr = false, seen_end = false;
  size_t pos = 8;
  while (pos + 12 <= n) {
    uint32_t len = be32(p + pos);
    if (len > 0x7FFFFFFF || len > n - pos - 12) {
      why = "PNG chunk runs past the end of the file";
      return false;
    }
    const uint8_t* type = p + pos + 4;
    const uint8_t* d = p + pos + 8;
    if (!seen_ihdr && std::memcmp(type, "IHDR", 4) != 0) break;
    if (std::memcmp(type, "IHDR", 4) == 0) {
      if (len != 13 || seen_ihdr) break;
      seen_ihdr = true;
      w = be32(d);
      h = be32(d + 4);
      depth = d[8];
      ctype = d[9];
      if (d[10] != 0 || d[11] != 0 || d[12] > 1) break;
      interlace = d[12];
    } else if (std::memcmp(type, "PLTE", 4) == 0) {
      if (len % 3 != 0 || len == 0 || len > 768) break;
      palette.assign(reinterpret_cast<const char*>(d), len);
    } else if (std::memcmp(type, "IDAT", 4) == 0) {
      idat.append(reinterpret_cast<const char*>(d), len);
    } else if (std::memcmp(type, "IEND", 4) == 0) {
      seen_end = true;
      break;
    }
    pos += 12 + size_t(len);
  }
  if (!seen_ihdr || !seen_end || idat.empty()) {
    why = "damaged PNG picture";
    return false;
  }
  int channels;
  bool depth_ok;
  switch (ctype) {
    case 0: channels = 1; depth_ok = depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16; break;
    case 2: channels = 3; depth_ok = depth == 8 || depth == 16; break;
    case 3: channels = 1; depth_ok = depth == 1 || depth == 2 || depth == 4 || depth == 8; break;
    case 4: channels = 2; depth_ok = depth == 8 || depth == 16; break;
    case 6: channels = 4; depth_ok = depth == 8 || depth == 16; break;
    default: channels = 0; depth_ok = false; break;
  }
  if (!depth_ok || w == 0 || h == 0 || w > 0x7FFFFFFF || h > 0x7FFFFFFF || (ctype == 3 && palette.empty())) {
    why = "PNG picture of an unknown kind";
    return false;
  }
  if (int64_t(w) * int64_t(h) > PDF_PICTURE_MAX_PIXELS) {
    why = "picture too large";
    return false;
  }
  if (!CheckZlib()) {
    why = "PNG pictures need zlib, which cannot be loaded";
    return false;
  }
  // The passes (Adam7 or the whole picture) and the inflated size.
  struct Pass {
    uint32_t x0, y0, dx, dy, w, h;
  };
  std::vector<Pass> passes;
  if (interlace) {
    static const uint32_t a[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                     {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
    for (const auto& q : a) {
      uint32_t pw = w > q[0] ? (w - q[0] + q[2] - 1) / q[2] : 0;
      uint32_t ph = h > q[1] ? (h - q[1] + q[3] - 1) / q[3] : 0;
      passes.push_back({q[0], q[1], q[2], q[3], pw, ph});
    }
  } else {
    passes.push_back({0, 0, 1, 1, w, h});
  }
  size_t bits_pp = size_t(channels) * size_t(depth);
  size_t bpp = bits_pp / 8 < 1 ? 1 : bits_pp / 8;
  size_t total = 0;
  for (const Pass& q : passes)
    if (q.w && q.h) total += size_t(q.h) * (1 + (size_t(q.w) * bits_pp + 7) / 8);
  std::vector<uint8_t> raw(total);
  int64_t got = ZlibInflateToBfr(raw.data(), raw.size(), reinterpret_cast<const uint8_t*>(idat.data()), idat.size());
  if (got != int64_t(total)) {
    why = "damaged PNG picture data";
    return false;
  }
  // Whole rows of the picture, samples at their bit depth.
  size_t rb = (size_t(w) * bits_pp + 7) / 8;
  std::vector<uint8_t> img;
  size_t at = 0;
  if (!interlace) {
    img.reserve(rb * h);
    if (!unfilter(raw.data(), h, rb, bpp, img)) {
      why = "damaged PNG picture data";
      return false;
    }
  } else {
    img.assign(rb * h, 0);
    for (const Pass& q : passes) {
      if (!q.w || !q.h) continue;
      size_t prb = (size_t(q.w) * bits_pp + 7) / 8;
      std::vector<uint8_t> part;
      if (!unfilter(raw.data() + at, q.h, prb, bpp, part)) {
        why = "damaged PNG picture data";
        return false;
      }
      at += size_t(q.h) * (prb + 1);
      for (uint32_t y = 0; y < q.h; ++y)
        for (uint32_t x = 0; x < q.w; ++x)
          for (int c = 0; c < channels; ++c) {
            uint32_t v = sample(part.data() + y * prb, size_t(x) * channels + c, depth);
            put_sample(img.data() + size_t(q.y0 + y * q.dy) * rb, size_t(q.x0 + x * q.dx) * channels + c, depth, v);
          }
    }
  }
  out = Pdf_picture{};
  out.width = int32_t(w);
  out.height = int32_t(h);
  out.palette = ctype == 3 ? palette : std::string();
  bool alpha = ctype == 4 || ctype == 6;
  int colours = alpha ? channels - 1 : channels;
  out.components = colours;
  if (!alpha && depth <= 8) {
    out.bits = depth;
    out.data = deflate(img.data(), img.size());
  } else {
    // 8 bits a sample (16-bit samples keep their high byte), alpha apart.
    out.bits = 8;
    std::vector<uint8_t> col(size_t(w) * h * colours), mask(alpha ? size_t(w) * h : 0);
    int step = depth == 16 ? 2 : 1;
    for (size_t y = 0; y < h; ++y) {
      const uint8_t* row = img.data() + y * rb;
      for (size_t x = 0; x < w; ++x) {
        const uint8_t* px = row + x * channels * step;
        for (int c = 0; c < colours; ++c) col[(y * w + x) * colours + c] = px[c * step];
        if (alpha) mask[y * w + x] = px[colours * step];
      }
    }
    out.data = deflate(col.data(), col.size());
    if (alpha) {
      out.has_mask = true;
      out.mask = deflate(mask.data(), mask.size());
    }
  }
  if (out.data.empty() || (out.has_mask && out.mask.empty())) {
    why = "PNG picture could not be compressed";
    return false;
  }
  return true;
}

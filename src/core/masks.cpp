// Format masks and number/text/binary conversions.
//
// Numeric masks are applied in two passes: the first counts the digit
// positions before and after the decimal point (and notes the fill
// character, a "0" anywhere and a "!" blanking rule), the value is rounded
// to the decimal positions, and the second pass writes one character per
// mask character.  Characters that float ("$", and the signs standing before
// the digits) are held back until the first significant character and
// written right before it, so the result keeps the mask's length.
#include "core/masks.h"

#include <cmath>
#include <vector>

#include "core/errors.h"
#include "core/params.h"
#include "core/workspace.h"

namespace {

constexpr int SCALE_LIMIT = 127;  // the largest scale of a number

bool is_digit(uint8_t c) { return c >= '0' && c <= '9'; }
bool is_alpha(uint8_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
uint8_t upper(uint8_t c) { return (c >= 'a' && c <= 'z') ? uint8_t(c - 32) : c; }

struct Mask_shape {
  int int_pos = 0;
  int dec_pos = 0;
  bool has_zero = false;
  bool blank_zero = false;
  uint8_t fill = ' ';
  std::vector<bool> digit;  // per mask character: a digit position
};

Mask_shape scan_mask(const uint8_t* m, size_t n) {
  Mask_shape s;
  s.digit.assign(n, false);
  bool after_point = false;
  bool star_seen = false;
  bool dollar_seen = false;
  bool any_digit = false;
  if (n > 0 && m[0] == '*') s.fill = '*';
  for (size_t i = 0; i < n; ++i) {
    uint8_t c = m[i];
    bool d = false;
    if (c == '#' || c == '0') {
      d = true;
      if (c == '0') s.has_zero = true;
    } else if (c == '*' && !star_seen) {
      star_seen = true;
      d = !any_digit;
    } else if (c == '$') {
      if (dollar_seen && prmblk.FF == 1) d = true;
      dollar_seen = true;
    } else if (c == '.' || c == '!') {
      if (!after_point) {
        after_point = true;
        if (c == '!') s.blank_zero = true;
      }
    }
    if (d) {
      s.digit[i] = true;
      any_digit = true;
      (after_point ? s.dec_pos : s.int_pos)++;
    }
  }
  return s;
}

}  // namespace

int Conv_val_viafmt(const Num_val& value, const uint8_t* m, size_t n, std::string& out) {
  // The common key-building case first: a mask of "0"s only and a whole
  // number of no decimal places, not negative; the digits zero-padded to the
  // mask's length, as the general pass below gives them.
  if (value.scale == 0 && value.mant >= 0 && n > 0 && n <= 24) {
    size_t zeros = 0;
    while (zeros < n && m[zeros] == '0') ++zeros;
    if (zeros == n) {
      char buf[24];
      size_t at = n;
      for (uint64_t x = uint64_t(value.mant); x != 0; x /= 10) {
        if (at == 0) return 43;
        buf[--at] = char('0' + x % 10);
      }
      while (at > 0) buf[--at] = '0';
      out.assign(buf, n);
      return 0;
    }
  }
  Mask_shape sh = scan_mask(m, n);
  Num_val v = value;
  // Places past the largest scale are zeros, filled in below.
  int places = sh.dec_pos < SCALE_LIMIT ? sh.dec_pos : SCALE_LIMIT;
  if (v.scale != places) Set_scl(v, places, 1);
  bool neg = v.mant < 0;
  char dg[20];
  bool dneg;
  int nd = Cnv_val(v, dg, &dneg);
  // All digits: integer part padded with zeros to int_pos, then dec_pos.
  std::string digits;
  int int_digits = nd - v.scale;
  if (v.scale < 0) {
    digits.assign(dg, size_t(nd));
    digits.append(size_t(-v.scale), '0');
    int_digits = int(digits.size());
  } else if (int_digits <= 0) {
    digits.assign(size_t(v.scale - nd), '0');
    digits.append(dg, size_t(nd));
    int_digits = 0;
  } else {
    digits.assign(dg, size_t(nd));
  }
  // Set_scl stops below the mask's places when the mantissa has no room
  // for more digits: the places it could not reach are zeros.
  if (int have = v.scale > 0 ? v.scale : 0; have < sh.dec_pos)
    digits.append(size_t(sh.dec_pos - have), '0');
  if (v.mant == 0) {
    digits.assign(size_t(sh.dec_pos), '0');
    int_digits = 0;
  }
  if (int_digits > sh.int_pos) return 43;
  digits.insert(0, size_t(sh.int_pos - int_digits), '0');
  bool zero = v.mant == 0;
  if (sh.blank_zero && zero) {
    out.assign(n, ' ');
    return 0;
  }

  const uint8_t fill = sh.fill;
  const char dp = char(prmblk.DP), th = char(prmblk.TH), cu = char(prmblk.CU);
  int total_digits = sh.int_pos + sh.dec_pos;
  int k = 0;  // next digit
  bool sig = false;
  std::string held;
  out.clear();
  out.reserve(n + 4);
  auto significant = [&]() {
    if (!sig) {
      out += held;
      held.clear();
      sig = true;
    }
  };
  // Remaining fraction digits from k on are all zero.
  auto rest_zero = [&](int from) {
    for (int j = from; j < total_digits; ++j)
      if (digits[size_t(j)] != '0') return false;
    return true;
  };
  for (size_t i = 0; i < n; ++i) {
    uint8_t c = m[i];
    if (sh.digit[i]) {
      char d = digits[size_t(k)];
      bool fraction = k >= sh.int_pos;
      ++k;
      if (c == '0') {
        significant();
        out += d;
      } else if (!fraction) {
        if (d == '0' && !sig) {
          out += char(fill);
        } else {
          significant();
          out += d;
        }
      } else if (d == '0' && rest_zero(k - 1)) {
        out += char(fill);
      } else {
        significant();
        out += d;
      }
      continue;
    }
    switch (c) {
      case '.':
      case '!':
        if (zero && !sh.has_zero) {
          out += char(fill);
        } else {
          significant();
          out += dp;
        }
        break;
      case ',':
        out += sig ? th : char(fill);
        break;
      case '$':
        if (sig)
          out += cu;
        else
          held += cu;
        break;
      case '+':
      case '-':
      case '(':
      case ')': {
        char shown = c == '+' ? (neg ? '-' : '+') : (neg ? char(c) : char(fill));
        bool edge = k == 0 || k == total_digits;
        if (!edge)
          out += char(c);
        else if (!sig && k == 0)
          held += shown;
        else
          out += shown;
        break;
      }
      case 'B':
        out += ' ';
        break;
      case 'C':
      case 'D':
        if (i + 1 < n && m[i + 1] == 'R') {
          if (neg)
            out += "CR";
          else if (c == 'C')
            out.append(2, char(fill));
          else
            out += "DR";
          ++i;
        } else {
          out += char(c);
        }
        break;
      default:
        out += char(c);
    }
  }
  out += held;
  return 0;
}

int Fmt_str(const uint8_t* s, size_t len, const uint8_t* m, size_t n, std::string& out) {
  if (n > FMT_MASK_MAX) return 46;
  out.clear();
  size_t si = 0;
  for (size_t i = 0; i < n; ++i) {
    uint8_t c = m[i];
    bool literal = false;
    if (c == '\\' && i + 1 < n) {
      c = m[++i];
      literal = true;
    }
    // "(n)": the character is repeated n more times.
    size_t repeat = 1;
    if (i + 1 < n && m[i + 1] == '(') {
      size_t j = i + 2;
      size_t cnt = 0;
      while (j < n && is_digit(m[j])) {
        if (cnt <= FMT_MASK_MAX) cnt = cnt * 10 + (m[j] - '0');
        ++j;
      }
      if (j < n && m[j] == ')' && j > i + 2) {
        if (cnt > FMT_MASK_MAX) return 46;
        repeat += cnt;
        i = j;
      }
    }
    for (size_t r = 0; r < repeat; ++r) {
      bool data = !literal && (c == 'X' || c == 'x' || c == 'A' || c == 'a' || c == 'Z' ||
                               c == 'z' || c == '0');
      if (!data) {
        out += char(c);
        continue;
      }
      if (si >= len) {
        out += ' ';
        if (c == '0' && !Sw_on(sw::PlusX)) return 43;
        continue;
      }
      uint8_t ch = s[si++];
      bool ok;
      switch (c) {
        case 'X':
        case 'x':
          ok = true;
          break;
        case 'A':
        case 'a':
          ok = is_alpha(ch) || ch == ' ';
          break;
        case 'Z':
        case 'z':
          ok = is_alpha(ch) || is_digit(ch) || ch == ' ';
          break;
        default:
          ok = is_digit(ch);
      }
      if (!ok) return 43;
      out += char((c == 'X' || c == 'A' || c == 'Z') ? upper(ch) : ch);
    }
  }
  if (si < len) return 46;
  return 0;
}

int Conv_str_chk(const uint8_t* s, size_t len, Num_val& v) {
  size_t i = 0;
  while (i < len && s[i] == ' ') ++i;
  while (len > i && s[len - 1] == ' ') --len;
  bool neg = false;
  if (i < len && (s[i] == '+' || s[i] == '-')) neg = s[i++] == '-';
  uint64_t mant = 0;
  int scale = 0;
  int digits = 0;
  bool point = false, any = false;
  for (; i < len; ++i) {
    uint8_t c = s[i];
    if (c == '.' && !point) {
      point = true;
      continue;
    }
    if (!is_digit(c)) break;
    any = true;
    if (mant == 0 && c == '0') {
      if (point) ++scale;
      continue;
    }
    // Up to 19 digits, as many as the mantissa holds (STR( writes 19).
    constexpr uint64_t room = uint64_t(INT64_MAX);
    if (digits < 18 || (digits == 18 && mant <= (room - uint64_t(c - '0')) / 10)) {
      mant = mant * 10 + (c - '0');
      ++digits;
      if (point) ++scale;
    } else if (!point) {
      --scale;  // digits beyond the mantissa scale the value up
    }
  }
  if (!any) return 43;
  if (i < len) {
    if (s[i] != 'E' && s[i] != 'e') return 43;
    ++i;
    bool eneg = false;
    if (i < len && (s[i] == '+' || s[i] == '-')) eneg = s[i++] == '-';
    if (i >= len) return 43;
    int e = 0;
    for (; i < len; ++i) {
      if (!is_digit(s[i])) return 43;
      if (e < 10000) e = e * 10 + (s[i] - '0');
    }
    scale += eneg ? e : -e;
  }
  if (mant == 0) scale = 0;
  while (scale < -127 && mant != 0 && mant < 100000000000000000ULL) {
    mant *= 10;
    ++scale;
  }
  if (scale > 127 || scale < -127) return 43;
  v = Num_val{};
  v.mant = neg ? -int64_t(mant) : int64_t(mant);
  v.scale = int8_t(scale);
  return 0;
}

Num_val Cnv_dec(const uint8_t* s, size_t len) {
  Num_val v;
  size_t head = len < 8 ? len : 8;
  uint64_t u = (head > 0 && (s[0] & 0x80)) ? ~uint64_t(0) : 0;
  for (size_t i = 0; i < head; ++i) u = (u << 8) | s[i];
  // Each byte past the eighth multiplies by 256 and adds the byte, as the
  // decimal arithmetic would: past the mantissa's range the value keeps its
  // leading digits with a negative scale (value = x * 10^up), the byte
  // rounded into what is left of it; past the scale's range, error 40.
  __int128 x = int64_t(u);
  int up = 0;
  for (size_t i = 8; i < len; ++i) {
    __int128 add = s[i];
    if (up > 0) {
      __int128 p10 = 1;
      for (int k = 0; k < up && k < 4; ++k) p10 *= 10;  // 10^4 already rounds any byte to 0
      add = (add * 2 + p10) / (p10 * 2);  // the byte in units of 10^up, rounded
    }
    x = x * 256 + add;
    while (x > INT64_MAX || x < INT64_MIN) {
      x = (x + (x < 0 ? -5 : 5)) / 10;
      if (++up > 127) Rpt_error(err::NUMERIC_OVERFLOW);
    }
  }
  v.mant = int64_t(x);
  v.scale = int8_t(-up);
  return v;
}

void Cnv_bin(const Num_val& value, uint8_t* out, size_t width) {
  // The integer part, exactly, whenever 128 bits hold it: a double carries
  // only 53.
  Num_val v = value;
  if (v.scale != 0) Set_scl(v, 0, 0);
  __int128 x = v.mant;
  constexpr __int128 LIMIT = ((__int128)1 << 126) / 5;  // x * 10 stays below 2^127
  int up = -v.scale;
  while (up > 0 && x < LIMIT && x > -LIMIT) {
    x *= 10;
    --up;
  }
  if (up == 0) {
    unsigned __int128 u = (unsigned __int128)x;
    uint8_t fill = x < 0 ? 0xFF : 0;
    for (size_t i = 0; i < width; ++i) {
      size_t from_right = width - 1 - i;
      out[i] = from_right < 16 ? uint8_t(u >> (8 * from_right)) : fill;
    }
    return;
  }
  double d = std::trunc(Val_to_dbl(v));
  for (size_t i = width; i-- > 0;) {
    double r = std::fmod(d, 256.0);
    if (r < 0) r += 256.0;
    out[i] = uint8_t(r);
    d = std::floor((d - r) / 256.0);
  }
}

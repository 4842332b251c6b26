#include "terminal/num_field.h"

#include "core/params.h"
#include "core/masks.h"

int Num_field::init(const std::string& mask) {
  *this = Num_field{};
  int points = 0, signs = 0;
  for (size_t i = 0; i < mask.size(); ++i) {
    char c = mask[i];
    if (c == '.') {
      ++points;
    } else if (c == '+' || c == '-') {
      if (i != 0 && i + 1 != mask.size()) return 43;
      ++signs;
    } else if (!(c == '#' || c == '$' || c == ',' || c == '0')) {
      return 43;
    }
  }
  if (points > 1 || signs > 1 || mask.empty()) return 43;
  mask_ = mask;
  has_sign_ = signs == 1;
  size_t point = mask.find('.');
  home = point == std::string::npos ? int32_t(mask.size()) : int32_t(point);
  int_slot_.assign(mask.size(), -1);
  dec_slot_.assign(mask.size(), -1);
  for (int32_t i = 0; i < home; ++i)
    if (mask[size_t(i)] == '#' || mask[size_t(i)] == '0') ++int_count_;
  int32_t k = int_count_;
  for (int32_t i = 0; i < home; ++i)
    if (mask[size_t(i)] == '#' || mask[size_t(i)] == '0') int_slot_[size_t(i)] = --k;
  for (int32_t i = home + 1; i < int32_t(mask.size()); ++i)
    if (mask[size_t(i)] == '#' || mask[size_t(i)] == '0') dec_slot_[size_t(i)] = dec_count_++;
  if (!apply("", std::string(size_t(dec_count_), '0'), false)) return 43;
  ofs = home;
  return 0;
}

std::string Num_field::value_text() const {
  std::string t = neg_ ? "-" : "";
  t += int_.empty() ? "0" : int_;
  if (dec_count_ > 0) t += "." + dec_;
  return t;
}

bool Num_field::apply(const std::string& ints, const std::string& decs, bool neg) {
  std::string i = ints;
  size_t nz = i.find_first_not_of('0');
  i = nz == std::string::npos ? "" : i.substr(nz);
  if (int32_t(i.size()) > int_count_) return false;
  std::string t = neg ? "-" : "";
  t += i.empty() ? "0" : i;
  if (!decs.empty()) t += "." + decs;
  Num_val v{};
  if (Conv_str_chk(reinterpret_cast<const uint8_t*>(t.data()), t.size(), v) != 0) return false;
  std::string out;
  if (Conv_val_viafmt(v, reinterpret_cast<const uint8_t*>(mask_.data()), mask_.size(), out) != 0) return false;
  int_ = i;
  dec_ = decs;
  neg_ = neg;
  shown_ = out;
  return true;
}

int32_t Num_field::next_digit(int32_t from) const {
  for (int32_t i = from; i < length(); ++i)
    if (i == home || int_slot_[size_t(i)] >= 0 || dec_slot_[size_t(i)] >= 0) return i;
  return home == length() ? home : -1;
}

int32_t Num_field::prev_digit(int32_t from) const {
  for (int32_t i = from; i >= 0; --i)
    if (i == home || int_slot_[size_t(i)] >= 0 || dec_slot_[size_t(i)] >= 0) return i;
  return -1;
}

bool Num_field::type(uint8_t c) {
  if (c >= '0' && c <= '9') {
    if (ofs == home) return apply(int_ + char(c), dec_, neg_);
    if (ofs < 0 || ofs >= length()) return false;
    std::string ints = int_, decs = dec_;
    if (int32_t k = int_slot_[size_t(ofs)]; k >= 0) {
      ints.insert(0, size_t(int_count_) - ints.size(), '0');
      ints[size_t(int_count_ - 1 - k)] = char(c);
    } else if (int32_t j = dec_slot_[size_t(ofs)]; j >= 0) {
      decs[size_t(j)] = char(c);
    } else {
      return false;
    }
    if (!apply(ints, decs, neg_)) return false;
    int32_t n = next_digit(ofs + 1);
    if (n >= 0) ofs = n;
    return true;
  }
  if (c == prmblk.DP) {
    if (ofs != home || home >= length()) return false;
    int32_t n = next_digit(home + 1);
    ofs = n >= 0 ? n : home;
    return true;
  }
  if (c == prmblk.CU || c == prmblk.TH) return true;  // ignored
  if (c == '+' || c == '-') {
    if (!has_sign_) return false;
    return apply(int_, dec_, c == '-');
  }
  return false;
}

bool Num_field::edit(int32_t code) {
  switch (code) {
    case -1002:  // clear the field
      apply("", std::string(size_t(dec_count_), '0'), false);
      ofs = home;
      return true;
    case -1003:  // delete left: the last integer digit, or the decimal before
    case -1007: {
      if (ofs > home || (code == -1007 && ofs < home && ofs >= 0)) {
        int32_t at = code == -1003 ? prev_digit(ofs - 1) : ofs;
        if (at < 0) return false;
        if (at == home) {
          ofs = home;
          return true;
        }
        std::string ints = int_, decs = dec_;
        if (int32_t j = dec_slot_[size_t(at)]; j >= 0) {
          decs[size_t(j)] = '0';
        } else if (int32_t k = int_slot_[size_t(at)]; k >= 0) {
          ints.insert(0, size_t(int_count_) - ints.size(), '0');
          ints[size_t(int_count_ - 1 - k)] = '0';
        }
        if (!apply(ints, decs, neg_)) return false;
        ofs = at;
        return true;
      }
      if (int_.empty()) return false;
      return apply(int_.substr(0, int_.size() - 1), dec_, neg_);
    }
    case -1004: {
      int32_t p = prev_digit(ofs - 1);
      if (p < 0) return false;
      ofs = p;
      return true;
    }
    case -1005: {
      int32_t p = next_digit(ofs + 1);
      if (p < 0 || p == ofs) return false;
      ofs = p;
      return true;
    }
    case -1010: {
      int32_t p = next_digit(0);
      if (p < 0 || p == ofs) return false;
      ofs = p;
      return true;
    }
    case -1017:
    case -1018:
    case -1025:
      if (ofs == home && code == -1018) return false;
      ofs = home;
      return true;
    case -1023: {  // clear from the cursor on
      std::string decs = dec_;
      if (ofs <= home) return edit(-1002);
      for (int32_t i = ofs; i < length(); ++i)
        if (dec_slot_[size_t(i)] >= 0) decs[size_t(dec_slot_[size_t(i)])] = '0';
      return apply(int_, decs, neg_);
    }
    default:
      return false;
  }
}

// Thin-client frames and items (formats in tc_frame.h).
#include "terminal/tc_frame.h"

#include <cstring>

#include "core/codes.h"
#include "core/memory.h"

namespace {
bool int_escapes(int32_t v, bool long_ints) { return long_ints && (v < -32767 || v > 32767); }
}  // namespace

size_t Tc_item_size(const Tc_item& it, bool long_ints) {
  switch (it.kind) {
    case 'c': return 1;
    case 'i': return int_escapes(it.val, long_ints) ? 6 : 2;
    case 'l': return 4;
    case 's':
      if (it.len >= TC_LONG_STR) return 5 + size_t(it.len);
      return 2 + (it.len > 0 ? size_t(it.len) : 0);
    case '*': return it.len > 0 ? size_t(it.len) : 0;
    default: return 0;  // unknown kinds write nothing
  }
}

uint8_t* Tc_put_item(uint8_t* out, const Tc_item& it, bool long_ints) {
  switch (it.kind) {
    case 'c': *out++ = uint8_t(it.val); break;
    case 'i':
      if (int_escapes(it.val, long_ints)) {
        put_u16be(out, 0x8000);
        put_u32be(out + 2, uint32_t(it.val));
        out += 6;
      } else {
        put_u16be(out, uint16_t(it.val));
        out += 2;
      }
      break;
    case 'l': put_u32be(out, uint32_t(it.val)); out += 4; break;
    case 's':
      if (it.len >= TC_LONG_STR) {
        *out++ = 0xFF;
        put_u32be(out, uint32_t(it.len));
        out += 4;
      } else {
        put_u16be(out, uint16_t(it.len));
        out += 2;
      }
      if (it.len > 0 && it.ptr) {
        std::memcpy(out, it.ptr, size_t(it.len));
        out += it.len;
      } else if (it.len > 0) {
        std::memset(out, 0, size_t(it.len));
        out += it.len;
      }
      break;
    case '*':
      if (it.len > 0 && it.ptr) std::memcpy(out, it.ptr, size_t(it.len));
      if (it.len > 0) out += it.len;
      break;
    default: break;
  }
  return out;
}

int Tc_frame_header(uint8_t* out, uint8_t major, uint8_t minor, uint32_t len, uint16_t crc, bool tcp) {
  int n = 0;
  if (!tcp) {
    out[n++] = TC_SYN;
    out[n++] = TC_SYN;
  }
  out[n++] = TC_SYN;
  out[n++] = TC_STX;
  out[n++] = major;
  if (len >= 65536) {
    out[n++] = uint8_t(minor | 0x80);
    put_u32be(out + n, len);
    n += 4;
  } else {
    out[n++] = uint8_t(minor & 0x7F);
    put_u16be(out + n, uint16_t(len));
    n += 2;
  }
  put_u16be(out + n, crc);
  return n + 2;
}

std::vector<uint8_t> Tc_frame(uint8_t major, uint8_t minor, const uint8_t* payload, uint32_t len, bool tcp) {
  std::vector<uint8_t> f(12 + size_t(len));
  uint16_t crc = len ? crc16(payload, len, 0) : 0;
  int h = Tc_frame_header(f.data(), major, minor, len, crc, tcp);
  if (len) std::memcpy(f.data() + h, payload, len);
  f.resize(size_t(h) + len);
  return f;
}

Tc_reply_reader::Step Tc_reply_reader::feed(uint8_t b) {
  switch (state_) {
    case IDLE:
      if (b == TC_SYN) {
        state_ = ESC;
        return MORE;
      }
      key_ = b;
      return KEY;
    case ESC:
      switch (b) {
        case TC_SYN: key_ = TC_SYN; state_ = IDLE; return KEY;
        case TC_ENQ: state_ = IDLE; return ALIVE;
        case TC_ACK: state_ = LEN; need_ = 2; len_ = 0; return MORE;
        case TC_LONG_ACK: state_ = LEN; need_ = 4; len_ = 0; return MORE;
        case TC_NAK: state_ = IDLE; return NAK;
        case TC_CAN: state_ = CANCODE; return MORE;
        case TC_EVENT: state_ = EVT; need_ = 2; event_ = 0; return MORE;
        default: key_ = b; state_ = IDLE; return KEY2;
      }
    case LEN:
      len_ = (len_ << 8) | b;
      if (--need_ > 0) return MORE;
      data_.clear();
      if (len_ == 0) {
        state_ = IDLE;
        crc_ok_ = true;
        return REPLY;
      }
      if (len_ > TC_REPLY_MAX) {
        state_ = IDLE;
        return TOO_LONG;
      }
      // Room grows with the bytes that arrive, so a length that lies costs
      // no more memory than the bytes really sent.
      data_.reserve(len_ < 65536 ? len_ : 65536);
      state_ = CRC;
      need_ = 2;
      crc_ = 0;
      return MORE;
    case CRC:
      crc_ = uint16_t((crc_ << 8) | b);
      if (--need_ > 0) return MORE;
      state_ = DATA;
      return MORE;
    case DATA:
      data_.push_back(b);
      if (data_.size() < len_) return MORE;
      state_ = IDLE;
      crc_ok_ = crc16(data_.data(), data_.size(), 0) == crc_;
      return REPLY;
    case CANCODE:
      code_ = b;
      state_ = IDLE;
      return CAN;
    case EVT:
      event_ = (event_ << 8) | b;
      if (--need_ > 0) return MORE;
      event_ = int16_t(uint16_t(event_));
      state_ = IDLE;
      return EVENT;
  }
  return MORE;
}

Tc_tcp_reply::Step Tc_tcp_reply::feed(const uint8_t* p, size_t n, size_t* used) {
  size_t i = 0;
  while (have_ < 6 && i < n) {
    head_[have_++] = p[i++];
    if (have_ == 1 && head_[0] != TC_SYN) {
      *used = i;
      return BAD;
    }
    if (have_ == 2 && head_[1] != TC_ACK && head_[1] != TC_CAN) {
      *used = i;
      return BAD;
    }
    if (have_ == 3 && head_[1] == TC_CAN) {
      code_ = int8_t(head_[2]);
      *used = i;
      return CAN;
    }
    if (have_ == 6) {
      len_ = get_u16be(head_ + 2);
      data_.clear();
      data_.reserve(len_);
    }
  }
  if (have_ < 6) {
    *used = i;
    return MORE;
  }
  size_t take = n - i;
  if (take > len_ - data_.size()) take = len_ - data_.size();
  data_.insert(data_.end(), p + i, p + i + take);
  *used = i + take;
  return data_.size() == len_ ? REPLY : MORE;
}

bool Tc_parse_items(const uint8_t* p, size_t n, const char* kinds, bool long_ints, std::vector<std::string>* out) {
  size_t at = 0;
  auto need = [&](size_t k) { return n - at >= k; };
  for (const char* k = kinds; *k; ++k) {
    switch (*k) {
      case 'c':
        if (!need(1)) return false;
        out->push_back(std::to_string(p[at]));
        at += 1;
        break;
      case 'i': {
        if (!need(2)) return false;
        int32_t v = int16_t(get_u16be(p + at));
        at += 2;
        if (long_ints && v == -32768) {
          if (!need(4)) return false;
          v = int32_t(get_u32be(p + at));
          at += 4;
        }
        out->push_back(std::to_string(v));
        break;
      }
      case 'l':
        if (!need(4)) return false;
        out->push_back(std::to_string(int32_t(get_u32be(p + at))));
        at += 4;
        break;
      case 's': {
        if (!need(2)) return false;
        uint32_t len;
        // FF opens the long form, but FF FF is also the empty-key marker: the
        // long form must fit in what is left.
        if (p[at] == 0xFF && need(5) && get_u32be(p + at + 1) >= uint32_t(TC_LONG_STR) &&
            get_u32be(p + at + 1) <= n - at - 5) {
          len = get_u32be(p + at + 1);
          at += 5;
        } else {
          len = get_u16be(p + at);
          at += 2;
          if (len == 0xFFFF) len = 0;  // the empty-key marker
        }
        if (len > n - at) return false;
        out->emplace_back(reinterpret_cast<const char*>(p + at), len);
        at += len;
        break;
      }
      case '*':
        out->emplace_back(reinterpret_cast<const char*>(p + at), n - at);
        at = n;
        break;
      default: return false;
    }
  }
  return at == n;
}

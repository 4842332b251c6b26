// The I/O lists of a channel and its named record formats (layouts in
// rec_formats.h).
#include "channels/rec_formats.h"

#include <cctype>
#include <cstring>
#include <vector>

#include "channels/channel.h"
#include "channels/io_list.h"
#include "core/codes.h"
#include "core/errors.h"
#include "core/memory.h"

namespace {

constexpr uint16_t EMPTY_SLOT = 1;

// The slots of a channel's block as byte strings (empty: no list).
std::vector<std::vector<uint8_t>> slots_of(const Fcb* f) {
  std::vector<std::vector<uint8_t>> out;
  const auto* b = static_cast<const uint8_t*>(f->iol);
  if (!b) return out;
  size_t total = Blk_size(b), at = 0;
  while (out.size() < IOL_SLOTS && total - at >= 2) {
    size_t n = get_u16be(b + at);
    if (n < 3) {
      out.emplace_back();
      at += 2;
      continue;
    }
    if (n + 1 > total - at) break;  // never read past the block
    out.emplace_back(b + at, b + at + n + 1);
    at += n + 1;
  }
  return out;
}

struct Format_hdr {
  void* next;
  uint16_t name_len;
  uint16_t list_len;
};

}  // namespace

const uint8_t* Iol_slot(const Fcb* f, int slot) {
  const auto* b = static_cast<const uint8_t*>(f->iol);
  if (!b || slot < 0 || slot >= IOL_SLOTS) return nullptr;
  size_t total = Blk_size(b), at = 0;
  for (int i = 0; total - at >= 2; ++i) {
    size_t n = get_u16be(b + at);
    size_t step = n < 3 ? 2 : n + 1;
    if (step > total - at) return nullptr;
    if (i == slot) return n < 3 ? nullptr : b + at;
    at += step;
  }
  return nullptr;
}

void Iol_set_slot(Fcb* f, int slot, const uint8_t* items, size_t len) {
  if (slot < 0 || slot >= IOL_SLOTS) Rpt_error(49);
  if (items && len + 3 > 0xFFFF) Rpt_error(46);
  std::vector<std::vector<uint8_t>> s = slots_of(f);
  if (s.size() <= size_t(slot)) s.resize(size_t(slot) + 1);
  s[size_t(slot)].clear();
  if (items) {
    std::vector<uint8_t>& b = s[size_t(slot)];
    b.resize(len + 4);
    put_u16be(b.data(), uint16_t(len + 3));
    b[2] = code::D_IOLIST;
    if (len) std::memcpy(b.data() + 3, items, len);
    b[len + 3] = code::EOL;
  }
  while (!s.empty() && s.back().empty()) s.pop_back();
  size_t total = 0;
  for (const auto& b : s) total += b.empty() ? 2 : b.size();
  uint8_t* nb = nullptr;
  if (total) {
    nb = static_cast<uint8_t*>(Get_blk(total));
    size_t at = 0;
    for (const auto& b : s) {
      if (b.empty()) {
        put_u16be(nb + at, EMPTY_SLOT);
        at += 2;
      } else {
        std::memcpy(nb + at, b.data(), b.size());
        at += b.size();
      }
    }
  }
  if (f->iol) Ret_blk(f->iol);
  f->iol = nb;
}

void Rec_format_add(Fcb* f, const std::string& name, const uint8_t* items, size_t len) {
  if (name.empty() || name.size() > 255) Rpt_error(81);
  if (len + 3 > 0xFFFF) Rpt_error(46);
  size_t list = len + 4;
  auto* b = static_cast<uint8_t*>(Get_blk(sizeof(Format_hdr) + name.size() + list));
  Format_hdr h{nullptr, uint16_t(name.size()), uint16_t(list)};
  std::memcpy(b, &h, sizeof h);
  uint8_t* p = b + sizeof h;
  std::memcpy(p, name.data(), name.size());
  p += name.size();
  put_u16be(p, uint16_t(len + 3));
  p[2] = code::D_IOLIST;
  if (len) std::memcpy(p + 3, items, len);
  p[len + 3] = code::EOL;
  void** link = &f->rec_formats;
  while (*link) link = static_cast<void**>(*link);
  *link = b;
}

const uint8_t* Rec_format_find(const Fcb* f, const uint8_t* name, size_t len) {
  for (const void* e = f->rec_formats; e; e = *static_cast<void* const*>(e)) {
    Format_hdr h;
    std::memcpy(&h, e, sizeof h);
    const auto* nm = static_cast<const uint8_t*>(e) + sizeof h;
    if (h.name_len != len) continue;
    size_t i = 0;
    while (i < len && std::toupper(nm[i]) == std::toupper(name[i])) ++i;
    if (i == len) return nm + h.name_len;
  }
  return nullptr;
}

const uint8_t* Rec_format_first(const Fcb* f) {
  const void* e = f->rec_formats;
  if (!e) return nullptr;
  Format_hdr h;
  std::memcpy(&h, e, sizeof h);
  return static_cast<const uint8_t*>(e) + sizeof h + h.name_len;
}

std::string Rec_format_names(const Fcb* f, char sep) {
  std::string out;
  for (const void* e = f->rec_formats; e; e = *static_cast<void* const*>(e)) {
    Format_hdr h;
    std::memcpy(&h, e, sizeof h);
    out.append(static_cast<const char*>(e) + sizeof h, h.name_len);
    out += sep;
  }
  return out;
}

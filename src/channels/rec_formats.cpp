// The I/O lists of a channel (layout in rec_formats.h).
#include "channels/rec_formats.h"

#include <cstring>
#include <vector>

#include "channels/channel.h"
#include "channels/iol_cache.h"
#include "channels/io_list.h"
#include "core/codes.h"
#include "core/errors.h"
#include "core/line_store.h"
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
  if (slot < 0 || slot >= IOL_SLOTS) Rpt_error(err::INTERNAL_CODE);
  if (items && len + 3 > 0xFFFF) Rpt_error(err::STRING_LENGTH);
  std::vector<std::vector<uint8_t>> s = slots_of(f);
  if (s.size() <= size_t(slot)) s.resize(size_t(slot) + 1);
  s[size_t(slot)].clear();
  if (items) {
    // Names written out: the list means the same to every program.
    std::vector<uint8_t> named(items, items + len);
    Iol_names_inline(named);
    if (named.size() + 3 > 0xFFFF) Rpt_error(err::STRING_LENGTH);
    std::vector<uint8_t>& b = s[size_t(slot)];
    b.resize(named.size() + 4);
    put_u16be(b.data(), uint16_t(named.size() + 3));
    b[2] = code::D_IOLIST;
    if (!named.empty()) std::memcpy(b.data() + 3, named.data(), named.size());
    b[named.size() + 3] = code::EOL;
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
  if (f->iol) {
    KestIolUncache(f->iol);
    Ret_blk(f->iol);
  }
  f->iol = nb;
}

bool Iol_items_valid(const uint8_t* items, size_t n) {
  // Item_size never reports more than the bytes it is given, so a last item
  // cut short would pass: the sizes are taken over a padded copy and each
  // must fit in what is really there.
  std::vector<uint8_t> buf(items, items + n);
  buf.resize(n + 8, code::END_SCAN);
  const uint8_t* p = buf.data();
  const uint8_t* end = p + n;
  while (p < end) {
    uint8_t c = *p;
    if (c == code::END_SCAN || (Cde_tbl[c] & CC_STMT_END) || c == code::LABEL_IDX || c == code::LABEL_IDX2 ||
        c == code::D_REM || c == code::D_COMMENT)
      return false;
    size_t k = Item_size(p, buf.data() + buf.size());
    if (k == 0 || k > size_t(end - p)) return false;
    bool name = c == code::NUM_VAR || c == code::STR_VAR || c == code::REC_VAR || c == code::OBJ_REF;
    if (name && (k < 2 || (p[1] & 0x80))) return false;
    p += k;
  }
  return true;
}

// Named record formats of a channel (record_formats.h).
#include "channels/record_formats.h"

#include <cstring>

#include "channels/channel.h"
#include "channels/iol_cache.h"
#include "channels/io_list.h"
#include "core/codes.h"
#include "core/errors.h"
#include "core/memory.h"
#include "core/messages.h"

namespace {

constexpr size_t LINK = sizeof(void*);

std::string pending;

void* next_of(const void* b) {
  void* n;
  std::memcpy(&n, b, LINK);
  return n;
}
void set_next(void* b, void* n) { std::memcpy(b, &n, LINK); }
const uint8_t* name_of(const void* b) { return static_cast<const uint8_t*>(b) + LINK; }
const uint8_t* block_of(const void* b) { return name_of(b) + 1 + name_of(b)[0]; }

bool same_name(const void* b, const std::string& name) {
  const uint8_t* n = name_of(b);
  if (n[0] != name.size()) return false;
  for (size_t i = 0; i < name.size(); ++i)
    if (Uppercs[n[1 + i]] != Uppercs[uint8_t(name[i])]) return false;
  return true;
}

}  // namespace

void Fcb_add_format(Fcb* f, const std::string& given, const uint8_t* items, size_t items_len) {
  if (given.empty()) Rpt_error(err::BAD_IOLIST_ITEM);
  std::string name = given.size() > 255 ? given.substr(0, 255) : given;
  if (items_len + 3 > 0xFFFF) Rpt_error(err::STRING_LENGTH);
  size_t size = LINK + 1 + name.size() + items_len + 4;
  auto* b = static_cast<uint8_t*>(Get_blk(size));
  if (!b) Rpt_error(err::OUT_OF_MEMORY);
  set_next(b, nullptr);
  b[LINK] = uint8_t(name.size());
  std::memcpy(b + LINK + 1, name.data(), name.size());
  uint8_t* blk = b + LINK + 1 + name.size();
  put_u16be(blk, uint16_t(items_len + 3));
  blk[2] = code::D_IOLIST;
  if (items_len) std::memcpy(blk + 3, items, items_len);
  blk[3 + items_len] = code::EOL;
  // In its place when the name is there, else at the end.
  void** link = &f->rec_formats;
  while (*link) {
    if (same_name(*link, name)) {
      set_next(b, next_of(*link));
      KestIolUncache(*link);
      Ret_blk(*link);
      *link = b;
      return;
    }
    link = static_cast<void**>(*link);
  }
  *link = b;
}

const uint8_t* FindFileFormat(const Fcb* f, const std::string& name) {
  for (const void* b = f ? f->rec_formats : nullptr; b; b = next_of(b))
    if (same_name(b, name)) return block_of(b);
  return nullptr;
}

std::vector<std::string> Fcb_format_names(const Fcb* f) {
  std::vector<std::string> out;
  for (const void* b = f ? f->rec_formats : nullptr; b; b = next_of(b))
    out.emplace_back(reinterpret_cast<const char*>(name_of(b) + 1), name_of(b)[0]);
  return out;
}

void Fcb_set_template(Fcb* f, const std::string& name) {
  if (f->tpl_name) Ret_blk(f->tpl_name);
  f->tpl_name = nullptr;
  if (name.empty()) return;
  size_t n = name.size() > 255 ? 255 : name.size();
  f->tpl_name = static_cast<uint8_t*>(Get_blk(n + 1));
  if (!f->tpl_name) Rpt_error(err::OUT_OF_MEMORY);
  f->tpl_name[0] = uint8_t(n);
  std::memcpy(f->tpl_name + 1, name.data(), n);
}

std::string Fcb_template(const Fcb* f) {
  if (!f || !f->tpl_name) return std::string();
  return std::string(reinterpret_cast<const char*>(f->tpl_name + 1), f->tpl_name[0]);
}

std::string Fcb_format_name(const Fcb* f, const std::string& name) {
  for (const void* b = f ? f->rec_formats : nullptr; b; b = next_of(b))
    if (same_name(b, name)) return std::string(reinterpret_cast<const char*>(name_of(b) + 1), name_of(b)[0]);
  return std::string();
}

void Iol_set_pending_format(const std::string& name) { pending = name; }
const std::string& Iol_pending_format() { return pending; }

// Keyed files of both formats: the file dictionary (layout in key_dict.h).
// Every operation runs in one operation bracket: the header locked for
// reading or writing (first format), the file lock for changes (EFF).
#include "keyed/key_dict.h"

#include <algorithm>
#include <cstring>
#include <set>

#include "keyed/key_encoding.h"
#include "keyed/key_settings.h"
#include "keyed/eff_store.h"
#include "keyed/keyed_internal.h"

int64_t Key_pread(int fd, uint8_t* buf, size_t len, int64_t off);

namespace {

constexpr int ITEM_HDR = 10;
constexpr int MAX_ITEM = 40860;
constexpr int MAX_CHAIN = 65536;

bool is_eff() { return K.f->eff != nullptr; }
uint32_t page_of(uint32_t a) { return is_eff() ? (a >> 8) & 0x7FFFFFu : a & ~255u; }
uint32_t addr_at(uint32_t page, int s) { return is_eff() ? (page << 8) | uint32_t(s) : page | uint32_t(s); }
int page_size() { return K.f->blk; }

uint32_t head() {
  if (is_eff()) return Eff_of(K.f)->dict_head;
  return Hdr32(K.f, kf::H_DICT);
}

void set_head(uint32_t a) {
  if (is_eff()) {
    Eff_store* e = Eff_of(K.f);
    e->dict_head = a;
    put_u32be(e->fixed + eff::H_DICT, a);
    e->fixed_dirty = true;
    e->dirty = true;
    Key_hdr_changed();
    return;
  }
  Hdr32_set(K.f, kf::H_DICT, a);
}

// EFF keeps the head in the fixed part of the header page, which the
// update cycle does not reload: it is read here unless this process has
// changed it in the cycle under way.
void load_head() {
  if (!is_eff()) return;
  Eff_store* e = Eff_of(K.f);
  if (e->fixed_dirty) return;
  uint8_t b[4];
  if (Key_pread(K.f->fd, b, 4, eff::H_DICT) != 4) Key_error(3);
  e->dict_head = get_u32be(b);
  put_u32be(e->fixed + eff::H_DICT, e->dict_head);
}

struct Item {
  Kbfr* b;
  int at;  // offset of the item in its page
  uint32_t next, prev;
  int len;
};

Item item_at(uint32_t a, uint8_t type = kf::BT_DICT) {
  if ((a & 255) == 0) Key_error_text(114, "damaged dictionary chain: an item address without a slot");
  Kbfr* b = Kbfr_get(page_of(a), type);
  const uint8_t* d = b->b();
  int s = int(a & 255), n = d[5], B = page_size();
  if (s > n || 8 + 2 * n > B) Key_error(111);
  int o = get_u16be(d + 6 + 2 * s);
  if (o == 0 || 6 + o + ITEM_HDR > B) Key_error(111);
  int at = 6 + o;
  int len = get_u16be(d + at + 8);
  if (len < ITEM_HDR || at + len > B || at < 8 + 2 * n)
    Key_error_text(114, "damaged dictionary chain: an item runs outside its page");
  return {b, at, get_u32be(d + at), get_u32be(d + at + 4), len};
}

std::vector<uint8_t> data_of(const Item& it) {
  const uint8_t* d = it.b->b() + it.at + ITEM_HDR;
  return std::vector<uint8_t>(d, d + it.len - ITEM_HDR);
}

void set_link(uint32_t a, bool next, uint32_t v, uint8_t type = kf::BT_DICT) {
  Item it = item_at(a, type);
  put_u32be(it.b->b() + it.at + (next ? 0 : 4), v);
  Kbfr_touch(it.b);
}

// The address of the item at a position, 0 when the chain ends before it.
uint32_t walk(int pos) {
  uint32_t h = head();
  uint32_t a = h;
  if (!a) return 0;
  int steps = pos < 0 ? -pos : pos;
  if (steps > MAX_CHAIN) return 0;
  for (int i = 0; i < steps; ++i) {
    Item it = item_at(a);
    uint32_t nx = pos > 0 ? it.next : it.prev;
    if (!nx) return 0;
    if (nx == h) Key_error_text(114, "damaged dictionary chain: it loops back to its head");
    Item n2 = item_at(nx);
    if ((pos > 0 ? n2.prev : n2.next) != a)
      Key_error_text(114, "damaged dictionary chain: an item does not link back");
    a = nx;
  }
  return a;
}

// Number of items after the head in one direction.
int chain_length(bool forward) {
  uint32_t h = head();
  if (!h) return -1;
  uint32_t a = h;
  std::set<uint32_t> seen{h};
  for (int n = 0; n <= MAX_CHAIN; ++n) {
    Item it = item_at(a);
    uint32_t nx = forward ? it.next : it.prev;
    if (!nx) return n;
    if (!seen.insert(nx).second) Key_error_text(114, "damaged dictionary chain: it loops");
    a = nx;
  }
  Key_error_text(114, "damaged dictionary chain: too many items");
}

void init_page(Kbfr* b, uint8_t type) {
  uint8_t* d = b->b();
  std::memset(d + 5, 0, size_t(page_size() - 5));
  d[0] = type;
  put_u16be(d + 6, uint16_t(page_size() - 8));
  Kbfr_touch(b);
}

// Places an item (header included) in page b; the slot, 0 without room.
int place(Kbfr* b, const std::vector<uint8_t>& item) {
  uint8_t* d = b->b();
  int n = d[5], fr = get_u16be(d + 6);
  if (8 + 2 * n + fr > page_size()) return 0;  // a page whose counts disagree takes nothing
  int s = 0;
  for (int t = 1; t <= n && !s; ++t)
    if (get_u16be(d + 6 + 2 * t) == 0) s = t;
  int need = int(item.size()) + (s ? 0 : 2);
  if (fr < need || (!s && n >= 255)) return 0;
  int lowest = 8 + 2 * n + fr;
  int at = lowest - int(item.size());
  if (!s) {
    s = ++n;
    d[5] = uint8_t(n);
  }
  std::memcpy(d + at, item.data(), item.size());
  put_u16be(d + 6 + 2 * s, uint16_t(at - 6));
  put_u16be(d + 6, uint16_t(fr - need));
  Kbfr_touch(b);
  return s;
}

uint32_t store(const std::vector<uint8_t>& data, uint32_t next, uint32_t prev, uint32_t near,
               uint8_t type = kf::BT_DICT) {
  if (data.size() > size_t(std::max(0, std::min(MAX_ITEM, page_size() - 100)))) Key_error(1);
  std::vector<uint8_t> item(ITEM_HDR + data.size());
  put_u32be(item.data(), next);
  put_u32be(item.data() + 4, prev);
  put_u16be(item.data() + 8, uint16_t(item.size()));
  std::memcpy(item.data() + ITEM_HDR, data.data(), data.size());
  for (uint32_t cand : {near, type == kf::BT_DICT ? head() : 0u}) {
    if (!cand) continue;
    Kbfr* b = Kbfr_get(page_of(cand), type);
    if (int s = place(b, item)) return addr_at(b->addr, s);
  }
  Kbfr* b = Kbfr_new(type);
  init_page(b, type);
  int s = place(b, item);
  if (!s) Key_error(1);
  return addr_at(b->addr, s);
}

void drop(uint32_t a, uint8_t type = kf::BT_DICT) {
  Item it = item_at(a, type);
  uint8_t* d = it.b->b();
  int n = d[5], fr = get_u16be(d + 6);
  int lowest = 8 + 2 * n + fr;
  if (lowest > it.at) Key_error_text(114, "damaged dictionary chain: a page's free space is wrong");
  std::memmove(d + lowest + it.len, d + lowest, size_t(it.at - lowest));
  std::memset(d + lowest, 0, size_t(it.len));
  for (int t = 1; t <= n; ++t) {
    int o = get_u16be(d + 6 + 2 * t);
    if (o && 6 + o < it.at) put_u16be(d + 6 + 2 * t, uint16_t(o + it.len));
  }
  put_u16be(d + 6 + 2 * int(a & 255), 0);
  fr += it.len;
  while (n > 0 && get_u16be(d + 6 + 2 * n) == 0) {
    --n;
    fr += 2;
  }
  d[5] = uint8_t(n);
  put_u16be(d + 6, uint16_t(fr));
  Kbfr_touch(it.b);
  if (n == 0) Kbfr_free(it.b);
}

void add_at(int pos, const std::vector<uint8_t>& data) {
  if (!head()) {
    if (pos != 0) Key_error(2);
    set_head(store(data, 0, 0, 0));
    return;
  }
  if (uint32_t x = walk(pos)) {
    Item it = item_at(x);
    uint32_t nx = it.next, pv = it.prev;
    uint32_t a = store(data, nx, pv, x);
    drop(x);
    if (pv) set_link(pv, true, a);
    if (nx) set_link(nx, false, a);
    if (head() == x) set_head(a);
    return;
  }
  int back = pos > 0 ? pos - 1 : pos + 1;
  uint32_t at = walk(back);
  if (!at) Key_error(2);
  Item it = item_at(at);
  if (pos > 0) {
    uint32_t old = it.next;
    uint32_t a = store(data, old, at, at);
    set_link(at, true, a);
    if (old) set_link(old, false, a);
  } else {
    uint32_t old = it.prev;
    uint32_t a = store(data, at, old, at);
    set_link(at, false, a);
    if (old) set_link(old, true, a);
  }
}

void remove_at(int pos) {
  uint32_t x = walk(pos);
  if (!x) Key_error(11);
  Item it = item_at(x);
  if (x == head()) {
    if (it.next || it.prev) Key_error(13);
    drop(x);
    set_head(0);
    return;
  }
  if (it.prev) set_link(it.prev, true, it.next);
  if (it.next) set_link(it.next, false, it.prev);
  drop(x);
}

bool key_item(const std::vector<uint8_t>& d, int* k) {
  if (d.size() < 7 || d[0] != 6 || (d[1] | 32) != 'k' || (d[2] | 32) != 'e' || (d[3] | 32) != 'y') return false;
  int n = 0;
  for (int i = 4; i < 7; ++i) {
    if (d[size_t(i)] < '0' || d[size_t(i)] > '9') return false;
    n = n * 10 + (d[size_t(i)] - '0');
  }
  *k = n;
  return true;
}

std::vector<uint8_t> header_item() {
  std::string h = Kdct_encode({"<header>"});
  return std::vector<uint8_t>(h.begin(), h.end());
}

void define_name(int k, const std::string& name) {
  if (!head()) {
    if (name.empty()) return;
    set_head(store(header_item(), 0, 0, 0));
  }
  int n = chain_length(true);
  int found = 0;
  for (int p = 1; p <= n && !found; ++p) {
    int kk;
    if (key_item(data_of(item_at(walk(p))), &kk) && kk == k) found = p;
  }
  if (name.empty()) {
    if (found) remove_at(found);
    return;
  }
  char id[4];
  std::snprintf(id, sizeof id, "%03u", unsigned(k) % 1000u);
  std::string d = Kdct_encode({std::string("KEY") + id, name.substr(0, 127)});
  add_at(found ? found : n + 1, std::vector<uint8_t>(d.begin(), d.end()));
}

std::vector<std::string> names_in(int keys) {
  std::vector<std::string> names(size_t(std::max(keys, 0)));
  int n = chain_length(true);
  uint32_t a = head();
  for (int p = 1; p <= n; ++p) {
    a = item_at(a).next;
    std::vector<uint8_t> d = data_of(item_at(a));
    int k;
    if (!key_item(d, &k) || k >= keys) continue;
    std::vector<std::string> f = Kdct_fields(d.data(), d.size());
    if (f.size() >= 2 && !f[1].empty() && f[1].size() <= 127) names[size_t(k)] = f[1];
  }
  return names;
}

// A bracket for one dictionary operation: level 1 reads, 2 changes.
struct Dict_op {
  Key_bracket op;
  Dict_op(Key_chan* ch, int level) : op(ch, level == 2 ? DIR_WRITE : DIR_READ, false) {
    if (level == 2 && ch->readonly) Key_error(13);
    Key_Hdr_Lock_N_Load(level);
    load_head();
  }
  void done() { op.done(); }
};

}  // namespace

// Items of other chains (the EFF key descriptors, type 253), for the key
// maintenance: the caller holds the bracket.
std::vector<uint8_t> Kitem_data(uint32_t a, uint8_t type, uint32_t* next, uint32_t* prev) {
  Item it = item_at(a, type);
  if (next) *next = it.next;
  if (prev) *prev = it.prev;
  return data_of(it);
}
void Kitem_rewrite(uint32_t a, uint8_t type, const std::vector<uint8_t>& data) {
  Item it = item_at(a, type);
  if (int(data.size()) != it.len - ITEM_HDR) Key_error(114);
  std::memcpy(it.b->b() + it.at + ITEM_HDR, data.data(), data.size());
  Kbfr_touch(it.b);
}
uint32_t Kitem_store(uint8_t type, const std::vector<uint8_t>& data, uint32_t next, uint32_t prev, uint32_t near) {
  return store(data, next, prev, near, type);
}
void Kitem_drop(uint32_t a, uint8_t type) { drop(a, type); }
void Kitem_link(uint32_t a, uint8_t type, bool next, uint32_t v) { set_link(a, next, v, type); }
std::vector<std::pair<int, std::vector<uint8_t>>> Kdct_save_in();
void Kdct_reset_in(const std::vector<std::pair<int, std::vector<uint8_t>>>& items);

std::vector<std::string> Kdct_fields(const uint8_t* d, size_t len) {
  std::vector<std::string> out;
  size_t i = 0;
  while (i < len) {
    size_t n = d[i++];
    if (n & 0x80) {
      if (i >= len) {
        out.emplace_back();
        break;
      }
      n = ((n & 0x7F) << 8) | d[i++];
    }
    if (n > len - i) {
      out.emplace_back();
      break;
    }
    out.emplace_back(reinterpret_cast<const char*>(d + i), n);
    i += n;
  }
  return out;
}

std::string Kdct_encode(const std::vector<std::string>& fields) {
  std::string out;
  for (const std::string& f : fields) {
    size_t n = std::min<size_t>(f.size(), 32767);
    if (n < 128) {
      out += char(n);
    } else {
      out += char(0x80 | (n >> 8));
      out += char(n & 255);
    }
    out.append(f, 0, n);
  }
  return out;
}

std::vector<uint8_t> Kdct_read(Key_chan* ch, int pos) {
  Dict_op op(ch, 1);
  uint32_t a = walk(pos);
  if (!a) Key_error(11);
  std::vector<uint8_t> d = data_of(item_at(a));
  op.done();
  return d;
}

void Kdct_write(Key_chan* ch, int pos, const std::vector<uint8_t>& data) {
  Dict_op op(ch, 2);
  add_at(pos, data);
  op.done();
}

void Kdct_remove(Key_chan* ch, int pos) {
  Dict_op op(ch, 2);
  remove_at(pos);
  op.done();
}

std::vector<std::pair<int, std::vector<uint8_t>>> Kdct_save_in() {
  std::vector<std::pair<int, std::vector<uint8_t>>> items;
  load_head();
  uint32_t h = head();
  if (!h) return items;
  items.push_back({0, data_of(item_at(h))});
  int n = chain_length(true);
  uint32_t a = h;
  for (int p = 1; p <= n; ++p) {
    a = item_at(a).next;
    items.push_back({p, data_of(item_at(a))});
  }
  n = chain_length(false);
  a = h;
  for (int p = 1; p <= n; ++p) {
    a = item_at(a).prev;
    items.push_back({-p, data_of(item_at(a))});
  }
  return items;
}

void Kdct_reset_in(const std::vector<std::pair<int, std::vector<uint8_t>>>& items) {
  for (const auto& [pos, data] : items) add_at(pos, data);
}

std::vector<std::pair<int, std::vector<uint8_t>>> Kdct_save(Key_chan* ch) {
  Dict_op op(ch, 1);
  auto items = Kdct_save_in();
  op.done();
  return items;
}

void Kdct_reset(Key_chan* ch, const std::vector<std::pair<int, std::vector<uint8_t>>>& items) {
  Dict_op op(ch, 2);
  Kdct_reset_in(items);
  op.done();
}

void Kdct_KNODefine(Key_chan* ch, int k, const std::string& name) {
  Dict_op op(ch, 2);
  define_name(k, name);
  op.done();
}

std::vector<std::string> Kdct_key_names(Key_chan* ch) {
  Dict_op op(ch, 1);
  std::vector<std::string> names = names_in(ch->f->lay.nkeys);
  op.done();
  return names;
}

void Kdct_names_down(Key_chan* ch, int k) {
  Dict_op op(ch, 2);
  std::vector<std::string> names = names_in(256);
  for (int j = k; j < 255; ++j) {
    const std::string& next = names[size_t(j + 1)];
    if (names[size_t(j)] != next) define_name(j, next);
  }
  op.done();
}

// ---- the password item ----

namespace {

bool ext_item(const std::vector<uint8_t>& d) {
  return d.size() >= 4 && d[0] == 3 && (d[1] | 32) == 'e' && (d[2] | 32) == 'x' && (d[3] | 32) == 't';
}

// The creation stamp as stored: EFF header bytes 36-39, first format 232-235.
const uint8_t* stamp() { return is_eff() ? Eff_of(K.f)->fixed + eff::H_STAMP : K.f->hdr + kf::H_STAMP; }

uint16_t check_value(const std::string& field3) {
  // "\3EXT", the length of the field (at most 9), the field, the stamp.
  uint8_t b[5 + 9 + 4] = {3, 'E', 'X', 'T'};
  size_t n = std::min<size_t>(field3.size(), 9);
  b[4] = uint8_t(n);
  std::memcpy(b + 5, field3.data(), n);
  std::memcpy(b + 5 + n, stamp(), 4);
  return Key_crc16(b, 9 + n, 0);
}

// Position of the password item (0: none) and its fields.
int find_ext(std::vector<std::string>* fields) {
  if (!head()) return 0;
  int n = chain_length(true);
  uint32_t a = head();
  for (int p = 1; p <= n; ++p) {
    a = item_at(a).next;
    std::vector<uint8_t> d = data_of(item_at(a));
    if (!ext_item(d)) continue;
    if (fields) *fields = Kdct_fields(d.data(), d.size());
    return p;
  }
  return 0;
}

}  // namespace

bool Kdct_password(Key_chan* ch, std::vector<uint8_t>* field3, bool* check_ok) {
  Dict_op op(ch, 1);
  std::vector<std::string> f;
  bool found = find_ext(&f) != 0;
  field3->clear();
  *check_ok = true;
  if (found) {
    if (f.size() >= 3) field3->assign(f[2].begin(), f[2].end());
    *check_ok = f.size() >= 4 && f[3].size() == 2 &&
                get_u16be(reinterpret_cast<const uint8_t*>(f[3].data())) == check_value(f.size() >= 3 ? f[2] : "");
  }
  op.done();
  return found && !field3->empty();
}

void Kdct_set_password(Key_chan* ch, const std::vector<uint8_t>& field3, bool encipher) {
  Dict_op op(ch, 2);
  if (!head()) set_head(store(header_item(), 0, 0, 0));
  std::vector<std::string> f;
  int pos = find_ext(&f);
  std::string f3(field3.begin(), field3.end());
  uint8_t chk[2];
  put_u16be(chk, check_value(f3));
  std::vector<std::string> fields = {"EXT", "", f3, std::string(reinterpret_cast<char*>(chk), 2)};
  for (size_t i = 4; i < f.size(); ++i) fields.push_back(f[i]);
  std::string d = Kdct_encode(fields);
  add_at(pos ? pos : chain_length(true) + 1, std::vector<uint8_t>(d.begin(), d.end()));
  if (is_eff()) {
    Eff_store* e = Eff_of(K.f);
    uint8_t& fb = e->fixed[eff::H_FLAGS_B];
    fb = encipher ? uint8_t(fb | eff::FB_ENCIPHERED) : uint8_t(fb & ~eff::FB_ENCIPHERED);
    e->fixed_dirty = true;
    e->dirty = true;
    Key_hdr_changed();
  } else {
    uint8_t& f2 = K.f->hdr[kf::H_FLAGS2];
    f2 = encipher ? uint8_t(f2 | kf::F2_ENCIPHERED) : uint8_t(f2 & ~kf::F2_ENCIPHERED);
    Key_hdr_changed();
  }
  op.done();
}

bool Kdct_enciphered(Key_chan* ch) {
  Key_file* f = ch->f.get();
  if (f->eff) return (Eff_of(f)->fixed[eff::H_FLAGS_B] & eff::FB_ENCIPHERED) != 0;
  return (f->hdr[kf::H_FLAGS2] & kf::F2_ENCIPHERED) != 0;
}

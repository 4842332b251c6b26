// SAVE and PROGRAM: the current program written as a compiled program file
// (or, to any other file, as a listing), with its label check, version
// numbers and the chain of earlier versions kept behind the new image.
#include "programs/save.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/console_device.h"
#include "core/codes.h"
#include "core/directives.h"
#include "core/errors.h"
#include "core/link_walk.h"
#include "core/evaluator.h"
#include "core/file_trust.h"
#include "core/host.h"
#include "core/line_store.h"
#include "core/lister.h"
#include "core/process_config.h"
#include "core/memory.h"
#include "core/messages.h"
#include "core/params.h"
#include "core/switches.h"
#include "core/workspace.h"
#include "channels/channel.h"
#include "channels/file_create.h"
#include "channels/open.h"
#include "programs/client_calls.h"
#include "terminal/tc_channel.h"
#include "programs/load_channel.h"
#include "programs/program_crypt.h"
#include "programs/libraries.h"
#include "programs/image_lines.h"
#include "programs/program_file.h"
#include "programs/program_list.h"
#include "programs/program_load.h"
#include "programs/var_data.h"
#include "keyed/data_dict.h"

namespace {

constexpr size_t LOGIN_LEN = 12;
constexpr uint8_t O_DSC = 139;  // second byte of the description option (132 139)

bool stmt_end(uint8_t c) { return (Cde_tbl[c] & CC_STMT_END) != 0; }

bool raw_rest(uint8_t c) {
  return c == code::D_REM || c == code::D_COMMENT || c == code::D_TABLE || c == code::END_SCAN;
}

std::string upper(const uint8_t* p, size_t n) {
  std::string s(reinterpret_cast<const char*>(p), n);
  for (char& c : s) c = char(Uppercs[uint8_t(c)]);
  return s;
}

// ---- building the image ----

struct Label {
  std::string name;  // upper case
  uint8_t state = 0;  // 0 referenced only, 1 defined, 2 defined more than once
  uint32_t line = 0;  // index of the defining line
  std::vector<uint16_t> defs;
};

class Image_builder {
 public:
  // old_format: the image of the old program format (16-bit sizes only,
  // references marked by bit 15, the end line numbered 32000).
  Image_builder(std::vector<const uint8_t*> lines, std::vector<uint32_t> lens, bool old_format = false)
      : lines_(std::move(lines)), lens_(std::move(lens)), v0_(old_format) {}

  void build(std::vector<uint8_t>& image, Image_layout& layout);
  const std::vector<Label*>& labels() const { return label_list_; }
  ~Image_builder() {
    for (Label* l : label_list_) delete l;
  }

 private:
  uint32_t name_index(uint8_t code, const uint8_t* item, const uint8_t** after);
  Label* find_label(const std::string& name);
  size_t convert(size_t i, std::vector<uint8_t>* out);
  void build_old(std::vector<uint8_t>& image, Image_layout& layout, uint64_t total);

  std::vector<const uint8_t*> lines_;  // each: line number, code, 255
  std::vector<uint32_t> lens_;
  std::vector<uint16_t> numbers_;
  std::vector<uint8_t> referenced_;
  std::vector<uint32_t> offsets_;    // record offset of each line
  std::vector<uint32_t> stmt_index_;  // wide form: the line's statement-table entry
  std::vector<std::string> names_;  // entries: length byte and name, or 255 and a dictionary reference
  std::unordered_map<std::string, uint32_t> name_map_;
  std::vector<Label*> label_list_;  // newest first
  std::unordered_map<std::string, Label*> label_map_;
  bool wide_ = false;
  bool v0_ = false;
  std::vector<uint8_t> v0_long_;  // old format: references to this line's label stay names
  int pass_ = 0;
};

// A reference in the old format: bit 15 and the record's offset, which must
// fit in 15 bits (a line further on keeps its number or its label).
constexpr uint32_t V0_REF_LIMIT = 0x8000;
constexpr uint16_t V0_END_LINE = 32000;

Label* Image_builder::find_label(const std::string& name) {
  auto it = label_map_.find(name);
  return it == label_map_.end() ? nullptr : it->second;
}

uint32_t Image_builder::name_index(uint8_t code, const uint8_t* p, const uint8_t** after) {
  const uint8_t* name;
  size_t n;
  if (p[1] & 0x80) {
    const uint8_t* e = Var_name_entry((uint32_t(p[1] & 0x7F) << 8) | p[2]);
    if (!e || e[0] == 0 || e[0] > 127) Rpt_error(err::INTERNAL_CODE);
    name = e + 1;
    n = e[0];
    *after = p + 3;
  } else {
    name = p + 2;
    n = p[1];
    *after = p + 2 + n;
  }
  bool numeric = code == code::NUM_VAR || code == code::OBJ_REF;
  std::string key = (numeric ? "1" : "2") + upper(name, n);
  auto it = name_map_.find(key);
  if (it != name_map_.end()) return it->second;
  if (names_.size() >= 0x7FFF) Rpt_error(err::MEMORY_LIMIT);
  uint32_t idx = uint32_t(names_.size());
  std::string entry(1, char(n));
  entry.append(reinterpret_cast<const char*>(name), n);
  // A name of the loaded data dictionary is saved as its reference.
  int64_t ref = Dict_loaded() ? Dict_key(entry.substr(1)) : -1;
  if (ref >= 0) {
    uint8_t r[4];
    put_u32be(r, uint32_t(ref));
    entry.assign(1, char(255));
    entry.append(reinterpret_cast<const char*>(r), 4);
  }
  names_.push_back(entry);
  name_map_.emplace(key, idx);
  return idx;
}

// Converts line i; returns its record size (2 + length).  out null: measure
// (pass 0).
size_t Image_builder::convert(size_t i, std::vector<uint8_t>* out) {
  const uint8_t* line = lines_[i];
  const uint8_t* p = line + 2;
  const uint8_t* end = line + lens_[i];
  size_t size = 2 + 2;  // length field and line number
  size_t start = out ? out->size() : 0;
  if (out) {
    uint16_t no = get_u16be(line);
    if (v0_ && no == LAST_LINE_NO) no = V0_END_LINE;
    out->push_back(0);
    out->push_back(0);
    out->push_back(uint8_t(no >> 8));
    out->push_back(uint8_t(no));
  }
  auto emit = [&](const uint8_t* s, size_t n) {
    if (out) out->insert(out->end(), s, s + n);
    size += n;
  };
  auto emit3 = [&](uint8_t c, uint16_t v) {
    uint8_t b[3] = {c, uint8_t(v >> 8), uint8_t(v)};
    emit(b, 3);
  };
  bool first = true;
  bool field_next = false;  // the item after 247 names a record's field
  while (p < end) {
    uint8_t c = *p;
    if (c == code::EOL) {
      emit(p, 1);
      ++p;
      continue;
    }
    if (raw_rest(c)) {
      emit(p, size_t(end - 1 - p));
      p = end - 1;
      continue;
    }
    size_t n = Item_size(p, end);
    if (n == 0) Rpt_error(err::INTERNAL_CODE);
    bool was_field = field_next;
    field_next = false;
    if (c == code::NUM_VAR || c == code::STR_VAR || c == code::REC_VAR || c == code::OBJ_REF) {
      if (was_field && !(p[1] & 0x80)) {
        emit(p, n);  // a field keeps its name inline
      } else {
        const uint8_t* after;
        uint32_t idx = name_index(c, p, &after);
        emit3(c, uint16_t(idx | 0x8000));
        n = size_t(after - p);
      }
      field_next = c == code::REC_VAR;
    } else if (c == code::LINE_REF) {
      uint16_t target = get_u16be(p + 1);
      auto it = std::lower_bound(numbers_.begin(), numbers_.end(), target);
      if (it != numbers_.end() && *it == target && v0_) {
        size_t t = size_t(it - numbers_.begin());
        if (pass_ == 1 && offsets_[t] < V0_REF_LIMIT) emit3(code::LINE_REF, uint16_t(0x8000 | offsets_[t]));
        else emit(p, n);  // measured alike: both forms take three bytes
      } else if (it != numbers_.end() && *it == target) {
        size_t t = size_t(it - numbers_.begin());
        referenced_[t] = 1;
        emit3(code::LABEL_IDX, pass_ == 0 ? 0 : uint16_t(wide_ ? stmt_index_[t] : offsets_[t]));
      } else {
        emit(p, n);  // no such line: resolved when it runs
      }
    } else if (c == code::LABEL && !(p[1] & 0x80) && p[1]) {
      std::string name = upper(p + 2, p[1]);
      Label* l = find_label(name);
      if (first) {
        referenced_[i] = 1;
        emit(p, n);
      } else if (l && l->state != 0 && v0_) {
        // A label whose line lies beyond the 15-bit offsets stays a name.
        if (v0_long_[l->line])
          emit(p, n);
        else
          emit3(code::LABEL, uint16_t(0x8000 | (pass_ == 0 ? 0 : offsets_[l->line])));
      } else if (l && l->state != 0) {
        emit3(code::LABEL_IDX2, pass_ == 0 ? 0 : uint16_t(wide_ ? stmt_index_[l->line] : offsets_[l->line]));
      } else {
        if (!l && pass_ == 0) {
          l = new Label;
          l->name = name;
          label_list_.insert(label_list_.begin(), l);
          label_map_.emplace(name, l);
        }
        emit(p, n);
      }
    } else {
      emit(p, n);
    }
    first = false;
    p += n;
  }
  if (out) {
    size_t len = out->size() - start - 2;
    if (len > 0xFFFF) Rpt_error(err::LINE_TOO_LONG);
    (*out)[start] = uint8_t(len >> 8);
    (*out)[start + 1] = uint8_t(len);
  } else if (size - 2 > 0xFFFF) {
    Rpt_error(err::LINE_TOO_LONG);
  }
  return size;
}

void Image_builder::build(std::vector<uint8_t>& image, Image_layout& layout) {
  size_t count = lines_.size();
  numbers_.resize(count);
  referenced_.assign(count, 0);
  offsets_.assign(count, 0);
  stmt_index_.assign(count, 0);
  for (size_t i = 0; i < count; i++) numbers_[i] = get_u16be(lines_[i]);
  // Label scan: the lines that define a label.
  for (size_t i = 0; i < count; i++) {
    const uint8_t* p = lines_[i] + 2;
    if (p[0] != code::LABEL || (p[1] & 0x80) || p[1] == 0) continue;
    std::string name = upper(p + 2, p[1]);
    Label* l = find_label(name);
    if (!l) {
      l = new Label;
      l->name = name;
      label_list_.insert(label_list_.begin(), l);
      label_map_.emplace(name, l);
    }
    l->defs.push_back(numbers_[i]);
    if (l->state == 0) {
      l->state = 1;
      l->line = uint32_t(i);
    } else {
      l->state = 2;
    }
  }
  // Pass 0: sizes, names, referenced lines.  In the old format a label
  // reference is three bytes while its line lies within the 15-bit offsets
  // and the label's name beyond: measured again until no line moves past.
  pass_ = 0;
  v0_long_.assign(count, 0);
  uint64_t lines_size = 0;
  for (bool again = true; again;) {
    lines_size = 0;
    for (size_t i = 0; i < count; i++) {
      offsets_[i] = uint32_t(lines_size);
      lines_size += convert(i, nullptr);
    }
    again = false;
    if (!v0_) break;
    if (lines_size > 0xFFFF) Rpt_error(err::LINE_TOO_LONG);
    for (size_t i = 0; i < count; i++)
      if (offsets_[i] >= V0_REF_LIMIT && !v0_long_[i]) v0_long_[i] = again = true;
  }
  uint64_t names_size = 0;
  for (const std::string& s : names_) names_size += s.size();
  uint32_t defined = 0;
  for (Label* l : label_list_)
    if (l->state != 0) defined++;
  if (v0_) {
    build_old(image, layout, lines_size + names_size + 2 * names_.size());
    return;
  }
  uint64_t total = lines_size + names_size + 2 * names_.size() + 4 * uint64_t(defined);
  wide_ = total > 65535;
  uint32_t stmt_cnt = 0;
  if (wide_) {
    for (size_t i = 0; i < count; i++)
      if (referenced_[i]) stmt_index_[i] = stmt_cnt++;
    if (stmt_cnt > 0xFFFF) Rpt_error(err::LINE_TOO_LONG);
  }
  if (lines_size + names_size > 0xFFFFFFFFull / 2) Rpt_error(err::LINE_TOO_LONG);
  // Pass 1: the bytes.
  pass_ = 1;
  image.clear();
  image.reserve(size_t(total) + 4 * stmt_cnt);
  for (size_t i = 0; i < count; i++) convert(i, &image);
  layout = Image_layout{};
  layout.wide = wide_;
  layout.name_area = uint32_t(image.size());
  std::vector<uint32_t> name_offs;
  for (const std::string& s : names_) {
    name_offs.push_back(uint32_t(image.size()) - layout.name_area);
    image.insert(image.end(), s.begin(), s.end());
  }
  layout.name_tbl = uint32_t(image.size());
  for (uint32_t off : name_offs) {
    if (off > 0xFFFF) Rpt_error(err::LINE_TOO_LONG);
    image.push_back(uint8_t(off >> 8));
    image.push_back(uint8_t(off));
  }
  layout.name_cnt = uint32_t(names_.size());
  if (wide_) {
    layout.stmt_tbl = uint32_t(image.size());
    for (size_t i = 0; i < count; i++) {
      if (!referenced_[i]) continue;
      uint8_t b[4];
      put_u32be(b, offsets_[i]);
      image.insert(image.end(), b, b + 4);
    }
  }
  layout.label_tbl = uint32_t(image.size());
  for (Label* l : label_list_) {
    if (l->state == 0) continue;
    uint8_t b[4];
    put_u32be(b, offsets_[l->line]);
    image.insert(image.end(), b, b + 4);
    layout.label_cnt++;
  }
  layout.has_labels = true;
  layout.size = uint32_t(image.size());
}

// The old format after pass 0: the line records, the name-offset table,
// then the names; no label table, no wide form.
void Image_builder::build_old(std::vector<uint8_t>& image, Image_layout& layout, uint64_t total) {
  if (total > 0xFFFF) Rpt_error(err::LINE_TOO_LONG);
  pass_ = 1;
  image.clear();
  image.reserve(size_t(total));
  for (size_t i = 0; i < lines_.size(); i++) convert(i, &image);
  layout = Image_layout{};
  layout.name_tbl = uint32_t(image.size());
  uint32_t off = 0;
  for (const std::string& n : names_) {
    image.push_back(uint8_t(off >> 8));
    image.push_back(uint8_t(off));
    off += uint32_t(n.size());
  }
  layout.name_area = uint32_t(image.size());
  for (const std::string& n : names_) image.insert(image.end(), n.begin(), n.end());
  if (image.size() > 0xFFFF) Rpt_error(err::LINE_TOO_LONG);
  layout.name_cnt = uint32_t(names_.size());
  layout.size = uint32_t(image.size());
}

// ---- the file ----

struct Version_block {
  std::vector<uint8_t> bytes;  // header and image
};

// False at a short or failed read.
bool read_full(int fd, uint8_t* buf, size_t n, off_t at) { return Pread_all(fd, buf, n, at) == int64_t(n); }

void write_full(int fd, const uint8_t* buf, size_t n, off_t at) {
  if (!Pwrite_all(fd, buf, n, at)) Sys_error();
}

// The versions kept behind the new image (the current one among them),
// newest first.  A block with minor version 0 is always kept; the others
// while their count (the new version counting as one when its minor is not
// 0) stays within parameter +R.  Blocks without an image (the empty header
// of a freshly created file) are no version and are passed over.
std::vector<Version_block> read_versions(int fd, uint16_t new_minor) {
  std::vector<Version_block> kept;
  int count = new_minor != 0 ? 1 : 0;
  off_t at = 0;
  struct stat st {};
  if (fstat(fd, &st) != 0) return kept;
  for (;;) {
    uint8_t h[PRG_HDR_SIZE];
    if (!read_full(fd, h, PRG_HDR_SIZE, at) || !Prg_is_header(h)) break;
    uint32_t size = Prg_image_size(h);
    // A size beyond the end of the file is damage: the history ends there.
    if (int64_t(size) > int64_t(st.st_size) - int64_t(at) - int64_t(PRG_HDR_SIZE)) break;
    uint16_t minor = get_u16be(h + PH_MINOR);
    if (size == 0) {
      at += off_t(PRG_HDR_SIZE);
      continue;
    }
    Version_block b;
    b.bytes.resize(PRG_HDR_SIZE + size_t(size));
    if (!read_full(fd, b.bytes.data(), b.bytes.size(), at)) break;
    at += off_t(b.bytes.size());
    if (minor != 0 && ++count > int(prmblk.Plus_R)) continue;
    kept.push_back(std::move(b));
  }
  return kept;
}

// The per-save part of the cipher's nonce: from the kernel's random source,
// so that no two saves (of one second, of two processes) share a keystream
// but by chance.
uint16_t nonce16() {
  uint16_t v = 0;
  for (int tries = 0; tries < 100; ++tries) {
    ssize_t n = getrandom(&v, sizeof v, 0);
    if (n == ssize_t(sizeof v)) return v;
    if (n < 0 && errno != EINTR) break;
  }
  return uint16_t(Oru_rand() ^ getpid());
}

uint32_t local_save_time() {
  time_t now = std::time(nullptr);
  struct tm lt;
  localtime_r(&now, &lt);
  return uint32_t(int64_t(now) + lt.tm_gmtoff);
}

// The fields SAVE fills in the target's header.
void fill_header(uint8_t* h, int version_opt, bool enciphered, Prg_seed& seed) {
  seed.save_time = local_save_time();
  seed.random = nonce16();
  seed.el = uint8_t(prmblk.EL);
  put_u32be(h + PH_TIME, seed.save_time);
  std::string login = Getlogin();
  login.resize(LOGIN_LEN, ' ');
  std::memcpy(h + PH_LOGIN, login.data(), LOGIN_LEN);
  put_u16be(h + PH_LITPOOL, 0);
  h[PH_FLAGS] = 0;
  std::memset(h + PH_KEYBLOCK, 0, 8);
  std::memset(h + 82, 0, 2);
  std::memset(h + 85, 0, 4);
  put_u16be(h + PH_RANDOM, seed.random);
  put_u16be(h + PH_STATE, uint16_t(ws.Pgm_flags2));
  put_u16be(h + PH_VARMASK, uint16_t(ws.Var_mask_pgm));
  h[PH_EL] = seed.el;
  std::memcpy(h + PH_DESC, ws.Pgm_texts().desc, PRG_DESC_LEN);
  if (enciphered) {
    h[PH_FLAGS] = 1;
    Prg_key_block(ws.Pgm_texts().key, seed, h + PH_KEYBLOCK);
  }
  uint16_t major = get_u16be(h + PH_MAJOR), minor = get_u16be(h + PH_MINOR);
  if (version_opt >= 0) {
    major = uint16_t(version_opt);
    minor = 0;
  } else if (++minor > 9999) {
    major++;
    minor = 1;
  }
  put_u16be(h + PH_MAJOR, major);
  put_u16be(h + PH_MINOR, minor);
}

// Writes header and image at 0 and the kept versions behind them; the file
// is cut to that length.
void write_program(int fd, const uint8_t* h, const std::vector<uint8_t>& image,
                   const std::vector<Version_block>& versions) {
  std::vector<uint8_t> all(h, h + PRG_HDR_SIZE);
  all.insert(all.end(), image.begin(), image.end());
  for (const Version_block& b : versions) all.insert(all.end(), b.bytes.begin(), b.bytes.end());
  write_full(fd, all.data(), all.size(), 0);
  if (chsize(fd, int64_t(all.size())) != 0) Sys_error();
}

// The listing lines of the undefined and duplicated labels, and the size
// warning.
// In the old format (old_format) the undefined labels come under message 55
// and the duplicated ones without their lines.
void report_labels(const std::vector<Label*>& labels, uint32_t image_size, bool old_format = false) {
  std::vector<const Label*> undef, dup;
  for (const Label* l : labels) {
    if (l->state == 0) undef.push_back(l);
    if (l->state == 2) dup.push_back(l);
  }
  auto line = [](const std::string& s) {
    if (Con_column() != 0) Con_newline();
    Con_write(s.data(), s.size());
    Con_newline();
  };
  if (!undef.empty()) {
    line(Msg_text(old_format ? 55 : 123));
    for (const Label* l : undef) line(l->name);
  }
  if (!dup.empty()) {
    line(Msg_text(124));
    for (const Label* l : dup) {
      if (old_format) {
        line(l->name);
        continue;
      }
      std::string s = l->name + " [";
      for (size_t i = 0; i < l->defs.size(); i++) {
        char buf[8];
        std::snprintf(buf, sizeof buf, "%04u", unsigned(l->defs[i]));
        if (i) s += ',';
        s += buf;
      }
      line(s + "]");
    }
  }
  if (image_size >= 65521 && !Sw_on(sw::PZ)) line(Msg_text(66));
}

// The program's lines in order, the end line last.
void program_lines(std::vector<const uint8_t*>& lines, std::vector<uint32_t>& lens) {
  for (Str_blk* b = Edit_head(); b; b = b->link) {
    lines.push_back(b->bytes());
    lens.push_back(b->len);
    if (!b->link) break;
  }
}

// SAVE over a program or text file that is there writes a new file beside
// it and renames it into place: a symbolic link another user planted at
// the name is replaced, never written through (writing would empty its
// target).  A link of the user's own (or root's) is followed, and its
// target replaced.  In a directory that takes no new file the old one is
// written in place, unless its name is another user's link.

// Whether path is a symbolic link of another user.
bool foreign_link(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode) && !Owned_by_user_or_root(st);
}

struct Replacement {
  std::string target;  // the name the new file is renamed to
  std::string temp;    // the new file, until renamed
  int fd = -1;
  bool done = false;
  Replacement() = default;
  Replacement(const Replacement&) = delete;
  Replacement& operator=(const Replacement&) = delete;
  ~Replacement() {
    if (fd >= 0) ::close(fd);
    if (!done && !temp.empty()) ::unlink(temp.c_str());
  }
  // Makes the new file for path (open on old_fd); false: write in place.
  bool begin(const std::string& path, int old_fd) {
    // Each link of the chain is checked: one of the user's own may lead to
    // another user's, which must be replaced, not followed.
    target = Own_links_end(path);
    // Made only in a folder reached through no other user's link.
    if (Foreign_link_on_path(target.c_str(), ::geteuid(), true))
      Rpt_error_text(err::BAD_FILE_NAME, "Symbolic link not owned by you or root");
    bool foreign = foreign_link(target);
    temp = target + ".XXXXXX";
    fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
      int e = errno;
      temp.clear();
      if ((e == EACCES || e == EROFS || e == EPERM) && !foreign) return false;
      errno = e;
      Sys_error();
    }
    struct stat st {};
    mode_t mask = umask(0);
    umask(mask);
    mode_t mode = ::fstat(old_fd, &st) == 0 ? (st.st_mode & 0777) : (prmblk.Create_mode & ~mask & 0777);
    ::fchmod(fd, mode);
    return true;
  }
  void finish() {
    if (temp.empty() || done) return;
    if (::rename(temp.c_str(), target.c_str()) != 0) Sys_error();
    done = true;
  }
};

// SAVE with parameter SV 0: the old program format.  A program held as its
// loaded image is turned into lines first.  The file gets no saved
// versions; a protected program never comes here (error 52 before).
void save_old_format(Fcb* f, int fd, uint8_t* h, bool member, int version) {
  if (ws.Pgm_image) Sve_conv();
  Prg_seed seed;
  fill_header(h, version, false, seed);
  std::vector<const uint8_t*> lines;
  std::vector<uint32_t> lens;
  program_lines(lines, lens);
  Image_builder builder(lines, lens, true);
  std::vector<uint8_t> image;
  Image_layout layout;
  builder.build(image, layout);
  Prg_put_layout(h, layout, 0);
  // The old header holds 16-bit sizes only: no wide fields, no label table.
  put_u32be(h + PH_SIZE32, 0);
  put_u32be(h + PH_NAMETBL32, 0);
  put_u32be(h + PH_NAMEAREA32, 0);
  put_u32be(h + PH_STMTTBL, 0);
  put_u32be(h + PH_LABELTBL, 0);
  put_u16be(h + PH_LABELCNT, 0);
  put_u32be(h + PH_TIME, uint32_t(time(nullptr)));  // UTC, no zone correction
  std::memcpy(h, "[Yod", 4);
  if (member) Pgl_store(f, h, image.data(), image.size());
  else write_program(fd, h, image, {});
  ws.Pgm_flags &= ~uint32_t(PGM_CHANGED);
  report_labels(builder.labels(), layout.size, true);
}

}  // namespace


namespace {

bool vrl_name(const std::string& n) {
  if (n.size() <= 5) return false;
  for (size_t i = 0; i < 5; ++i)
    if (std::tolower(uint8_t(n[i])) != "[vrl]"[i]) return false;
  return true;
}

// SAVE FILE (ch) TO name: the client saves the picture of a channel's
// window into a file of its own machine ("[vrl]" names only).
void save_file() {
  Io_SetOptions(0);
  int fd = ws.Cur_fcb ? ws.Cur_fcb->fd : ws.Cur_fd;
  if (*ws.Exec_ptr != code::TO) Rpt_error(err::SYNTAX);
  ws.Exec_ptr++;
  Eval_str();
  std::string name(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
  Chk_err();
  Kest_ChkLclPfx(name);
  if (!Client_attached()) {
    if (vrl_name(name)) Rpt_error(err::BAD_FILE_NAME);
    Rpt_error_text(err::NOT_BUILT, "SAVE FILE needs the thin client");
  }
  if (!vrl_name(name)) Rpt_error(err::BAD_FILE_NAME);
  name.erase(0, 5);
  Client_statement("SAVE FILE (" + std::to_string(fd) + ") TO \"" + name + "\"");
}

// SAVE CONTROL ...: a statement of the thin client, which saves the state
// of its controls itself.  The statement goes to the client as its text
// (as SAVE FILE does); an ERR= clause stays the host's and is not sent.
void save_control() {
  const uint8_t* stmt = ws.Stmt_ptr;
  std::vector<uint8_t> line = {0, 0};
  const uint8_t* from = stmt;
  ws.Exec_ptr += 2;  // CONTROL
  for (;;) {
    uint8_t* p = ws.Exec_ptr;
    uint8_t c = *p;
    if (c == code::EOL || c == code::END_SCAN || (Cde_tbl[c] & CC_STMT_END)) break;
    if (c == code::COMMA && p[1] == code::IOPT_FIRST + 4) {
      line.insert(line.end(), from, static_cast<const uint8_t*>(p));
      ws.Exec_ptr = p + 1;
      Chk_err();
      from = ws.Exec_ptr;
      continue;
    }
    if (Skip_code() == code::EOL) break;
  }
  line.insert(line.end(), from, static_cast<const uint8_t*>(ws.Exec_ptr));
  line.push_back(code::EOL);
  if (!Client_attached()) Rpt_error_text(err::NOT_FOR_DEVICE, "SAVE CONTROL needs the thin client");
  std::string text = Decompile_text(line.data(), line.size());
  Client_statement(text);
}

// SAVE (channel) name: the picture of a screen saved to a file.  A thin
// client keeps the picture of its own screens and of its client channels:
// it is asked to save it in a file of its machine ('F' 'S', no reply).
void save_image() {
  Io_SetOptions(0);
  Fcb* f = ws.Cur_fcb;
  Eval_str();
  std::string name(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
  while (*ws.Exec_ptr == code::COMMA) {
    if (ws.Exec_ptr[1] != code::IOPT_FIRST + 4) Rpt_error(err::SYNTAX);  // only ERR= goes with a picture
    ws.Exec_ptr++;
    Chk_err();
  }
  if (!f) Rpt_error(err::CHANNEL_STATE);
  if (f->kind == FK_THIN_CLIENT || (f == ws.Con_fcb && (f->st2 & ST2_THIN_CLIENT))) {
    if (name.empty()) Rpt_error(err::BAD_FILE_NAME);
    WttySaveImage(f, name);
    return;
  }
  if (Is_screen(f)) Not_built("SAVE of a terminal screen's picture to a file");
  Rpt_error_text(err::WRONG_FILE_KIND, "SAVE (channel) saves the picture of a thin client's screen");
}

// Whether SAVE "(" ... ")" at the cursor is the picture form: a name
// follows the bracket.  Otherwise the bracket is the program name's.
bool image_form() {
  uint8_t* at = ws.Exec_ptr;
  ws.Exec_ptr = at + 1;
  Skip_xpr();
  bool err_inside = false;
  if (ws.Exec_ptr[0] == code::COMMA && ws.Exec_ptr[1] == code::IOPT_FIRST + 4) {
    err_inside = true;
    ws.Exec_ptr += 2;
    Skip_code();  // the line of ERR=
  }
  uint8_t next = ws.Exec_ptr[0] == code::RPAREN ? ws.Exec_ptr[1] : uint8_t(code::EOL);
  ws.Exec_ptr = at;
  bool image = !stmt_end(next) && next != code::COMMA;
  if (!image && err_inside) Rpt_error(err::SYNTAX);  // SAVE (name,ERR=n) names no picture
  return image;
}

}  // namespace

// SAVE [LIST] [name] [, number ...] [, IND=version] [, DSC=description]
// [, ERR=line]
void d_save() {
  Prog_cache_forget();  // a kept image of the file is not used again
  uint8_t c = *ws.Exec_ptr;
  if (c == code::D_DATA) {
    ws.Exec_ptr++;
    SaveData();
    return;
  }
  if (c == code::D_FILE) {
    ws.Exec_ptr++;
    save_file();
    return;
  }
  if (c == code::PREFIX2 && ws.Exec_ptr[1] == code::P2_CONTROL) {
    save_control();
    return;
  }
  if (c == code::LPAREN && image_form()) {
    save_image();
    return;
  }
  bool list_form = ws.Prm.LE;
  if (c == code::D_EDIT) {  // SAVE EDIT: the list form
    list_form = true;
    c = *++ws.Exec_ptr;
  }
  // The statement's ERR= takes the errors of its operands too.
  ws.Stmt_save = ws.Exec_ptr;
  if ((ws.Pgm_flags & PGM_PROTECTED) && prmblk.SV == 0) Rpt_error(err::PROTECTED);
  bool console = ws.Cur_stno == 0;
  std::string name;
  bool show;
  if (stmt_end(c) || c == code::IOPT_FIRST + 4 || c == code::COMMA) {  // SAVE , options: the current name
    if (!ws.Cur_pgm) Rpt_error(err::BAD_FILE_NAME);
    name = ws.Cur_pgm->path;
    show = console;
  } else {
    Eval_str();
    name.assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
    show = console && (ws.Con_flags & CON_MODE);
  }
  int version = -1;
  int numbers = 0;
  int32_t drive = -1;
  bool desc_given = false;
  char desc[PRG_DESC_LEN] = {};
  for (;;) {
    uint8_t* p = ws.Exec_ptr;
    if (p[0] == code::IOPT_FIRST + 4) {
      Chk_err();
      continue;
    }
    if (p[0] != code::COMMA) break;
    if (p[1] == code::IOPT_FIRST + 4) {
      ws.Exec_ptr = p + 1;
      Chk_err();
    } else if (p[1] == code::IOPT_FIRST + 5) {  // IND=: the version number
      ws.Exec_ptr = p + 2;
      int32_t v = Eval_integer();
      if (v < 0 || v > 65535) Rpt_error(err::OUT_OF_RANGE);
      version = v;
    } else if (p[1] == code::IOPT_FIRST && p[2] == O_DSC) {  // the description
      ws.Exec_ptr = p + 3;
      Eval_str();
      size_t n = size_t(ws.Str_len);
      while (n && ws.Str_ptr[n - 1] == ' ') n--;
      if (n > PRG_DESC_LEN) Rpt_error(err::STRING_LENGTH);
      std::memcpy(desc, ws.Str_ptr, n);
      desc_given = true;
    } else {
      ws.Exec_ptr = p + 1;
      int32_t v = Eval_integer();
      if (++numbers == 2 && Sw_on(sw::PlusL)) {
        // The prefix list whose directory a new program file goes to: a
        // list that is not there (none holds that number, or it holds
        // nothing) is error 4.
        if (v < 0 || v >= PFX_LISTS || !Pfx_defined(v)) Rpt_error(err::WRITE_FAILED);
        drive = v + 1;
      }
    }
  }
  while (!name.empty() && name.back() == ' ') name.pop_back();
  if (name.empty()) Rpt_error(err::BAD_FILE_NAME);
  ws.Stmt_save = nullptr;

  // A new file: a program file sized for nothing in particular, written
  // through the descriptor that made it (no channel: opening its name
  // again could open another file swapped in there).
  Scratch_guard chan;
  Made_file created;
  bool made;
  {
    // The file there is replaced below, another user's link at its name too.
    Foreign_links_lent lent;
    chan.f = Open_scratch_made(name, FK_PROGRAM, drive, &made, &created);
  }
  if (!made && numbers > 0) Rpt_error(err::FILE_NOT_FOUND);
  Fcb* f = chan.f;
  int32_t kind = f ? f->kind : FK_PROGRAM;
  if (kind == FK_KEYED || kind == FK_EFF || kind == FK_BBX_KEYED || kind == FK_BBX_KEYED2) Rpt_error(err::WRONG_MODE);
  bool member = kind == FK_LIB_MEMBER;  // a library member: header and image only, no versions
  bool program = kind == FK_PROGRAM || member;
  std::string path = !f ? created.path : f->path && f->path->path ? f->path->path : name;
  // The channel's descriptor: a program file is written directly.
  int fd = !f ? created.fd : kind == FK_PROGRAM ? f->fd : -1;
  uint8_t h[PRG_HDR_SIZE] = {};
  if (member) std::memcpy(h, Pgl_header(f), PRG_HDR_SIZE);
  else if (program && !read_full(fd, h, PRG_HDR_SIZE, 0)) Rpt_error(err::WRONG_FILE_KIND);
  Replacement fresh;
  int out_fd = fd;  // where the program file is written (the new file beside it)
  if (!made && !member && f->fd >= 0) {
    struct stat st {};
    bool regular = ::fstat(f->fd, &st) == 0 && S_ISREG(st.st_mode);
    // A FIFO, device or socket at the name (which another user can put in
    // a shared folder) would take the program and keep nothing of it: a
    // program goes only into a file.  A link file of the user's own still
    // names a printer for the listing.
    bool node = S_ISFIFO(st.st_mode) || S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode) || S_ISSOCK(st.st_mode);
    bool named_file = kind == FK_SERIAL || kind == FK_BINARY || kind == FK_DEVICE || kind == FK_PROGRAM;
    if ((f->st2 & ST2_FIFO) || (!regular && node && named_file && !(f->st2 & ST2_VIA_LINK)))
      Rpt_error_text(err::WRONG_MODE, "SAVE writes a program only into a regular file");
    if (regular && (kind == FK_PROGRAM || kind == FK_SERIAL)) {
      if (fresh.begin(path, f->fd)) out_fd = fresh.fd;
    } else if (foreign_link(Own_links_end(path))) {
      // Another kind of file (a device, an indexed file) is written in
      // place, never through another user's link.
      Set_ext_error("SAVE through another user's symbolic link");
      Rpt_error(err::BAD_FILE_NAME);
    }
  }

  // The saved file becomes the program's path; every other loaded program
  // is read from its file again when next used.
  Pgm_path* np = Path_new(path, name);
  Path_unref(ws.Cur_pgm);
  ws.Cur_pgm = np;
  Pgm_load_epoch++;  // (the context's path is another now)
  Prog_drop(nullptr);
  if (desc_given) {
    std::memcpy(Pgm_text_own().desc, desc, sizeof desc);
  }

  if (!program) {
    bool refused = Sw_on(sw::PlusV) ? (ws.Pgm_flags & PGM_PROTECTED) : (ws.Pgm_flags & PGM_ENCIPHERED);
    if (refused) Rpt_error(err::PROTECTED);
    if (fresh.fd >= 0) {
      // The listing goes into the new file, through a channel of its own.
      Close_scratch(chan.release());
      chan.f = Open_scratch(fresh.temp, true);
      struct stat a {}, b {};
      if (chan.f->fd < 0 || ::fstat(chan.f->fd, &a) != 0 || ::fstat(fresh.fd, &b) != 0 || a.st_dev != b.st_dev ||
          a.st_ino != b.st_ino)
        Rpt_error(err::WRITE_FAILED);
      f = chan.f;
    }
    Sve_serial(f, list_form);
    if (fresh.fd >= 0) {
      Close_scratch(chan.release());
      fresh.finish();
    }
  } else {
    if (prmblk.SV == 0) {
      save_old_format(f, out_fd, h, member, version);
      fresh.finish();
      if (chan.f) Close_scratch(chan.release());
      bool copy = KestSaveCvs();
      if (show) Prg_show(copy, version > 0 ? version : 0);
      return;
    }
    bool enciphered = (ws.Pgm_flags & PGM_ENCIPHERED) != 0;
    Prg_seed seed;
    fill_header(h, version, enciphered, seed);
    std::vector<Version_block> versions;
    if (!member) versions = read_versions(fd, get_u16be(h + PH_MINOR));
    std::vector<uint8_t> image;
    Image_layout layout;
    std::unique_ptr<Image_builder> builder;
    // An image read in the old format is built afresh: its label
    // references are resolved (codes 252 and 253) as a new save's are.
    if (ws.Pgm_image && ws.Pgm_cache_ent && ws.Pgm_cache_ent->from_v0) Sve_conv();
    if (ws.Pgm_image) {
      // An unchanged loaded image is written as it was loaded.
      image.assign(ws.Pgm_image, ws.Pgm_image + ws.Pgm_size);
      const Prog_obj* rec = ws.Pgm_cache_ent;
      layout.size = ws.Pgm_size;
      layout.wide = ws.Pgm_size >= 65535;
      layout.name_tbl = rec->name_tbl_off;
      layout.name_area = rec->name_area_off;
      layout.stmt_tbl = rec->stmt_tbl ? uint32_t(rec->stmt_tbl - rec->image) : 0;
      layout.name_cnt = rec->name_cnt;
    } else {
      std::vector<const uint8_t*> lines;
      std::vector<uint32_t> lens;
      program_lines(lines, lens);
      if (Sw_on(sw::SS)) {
        Struct_check check;
        for (size_t i = 0; i < lines.size(); i++) {
          if (get_u16be(lines[i]) == LAST_LINE_NO) check.finish();
          else check.line(lines[i], lens[i]);
        }
      }
      builder = std::make_unique<Image_builder>(lines, lens);
      builder->build(image, layout);
    }
    if (enciphered) Prg_cipher(ws.Pgm_texts().key, seed, 0, image.data(), image.size());
    Prg_put_layout(h, layout, 1);
    if (member) Pgl_store(f, h, image.data(), image.size());
    else write_program(out_fd, h, image, versions);
    fresh.finish();
    if (builder) {
      ws.Pgm_flags &= ~uint32_t(PGM_CHANGED);
      report_labels(builder->labels(), layout.size);
    }
  }
  if (chan.f) Close_scratch(chan.release());
  bool copy = KestSaveCvs();
  if (show) Prg_show(copy, version > 0 ? version : 0);
}

// PROGRAM name [, size [, drive]] [, ERR=line]: an empty program file.
void d_prog() {
  Eval_str();
  Set_path();
  Kdef kd;
  kd.type = FK_PROGRAM;
  kd.records = File_create_no();
  kd.drive = File_create_drive();
  File_create_end(kd, nullptr);
}

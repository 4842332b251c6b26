// The file-creation definition (Kdef) and its key-segment table.
//
// Every creation directive fills one Kdef and hands it to File_create, which
// points ws.Create_kdef at it while the kind's define slot runs.  The key
// definition of a keyed file, however the program wrote it (KEYDEF text, a
// bracketed list in the statement, a bare external-key length), becomes the
// segment table below; the keyed drivers, memory files and SQL channels all
// read the same table, and DescribeKeys writes it back as KEYDEF text.
//
// Kdef_seg table: 4-byte entries, ended by a byte 255.
//   segment entry
//     [0] low nibble: key number mod 16; high nibble: offset bits 8-11
//     [1] field: 0 the whole record, 1-254 a separated field, 255 the
//         external key (held outside the record)
//     [2] offset bits 0-7 (the offset is 0-based, 0..3838)
//     [3] bits 0-6 length (1..127); bit 7 descending
//   flag entry (follows the segment it belongs to)
//     [0] 254  [1] flag word low byte  [2] flag word high byte
//     [3] option byte (null character of N/K, decimal places of B)
// Segments of one key are consecutive; keys follow in ascending number.  A
// flag entry is written only when the segment has options other than D; D
// lives in bit 7 of the length byte and never in the flag word.
//
// KEYDEF text: keys separated by ",", segments of one key by "+".  A key 0
// held outside the record is written as its length alone ("10,[1:1:4]").
// A segment is ["name":field:offset:length:"options"] with the name and the
// options optional; the field may be KEY (the external key) for keys 1 up.
#pragma once
#include <cstdint>
#include <string>

constexpr uint8_t KSEG_END = 255;
constexpr uint8_t KSEG_FLAGS = 254;
constexpr uint8_t KFIELD_EXTERNAL = 255;
constexpr int32_t KDEF_DEFAULT_CAP = 384;    // bytes of default_kdef (96 entries)
constexpr int32_t KDEF_MAX_ENTRIES = 65025;  // entries of one definition
constexpr int32_t KDEF_KEY_ENTRIES = 256;    // entries of one key
constexpr int32_t KDEF_MAX_KEYS = 255;       // keys 0..254
constexpr int32_t KEY_MAX_BYTES = 240;       // bytes of one key
constexpr int32_t KSEG_MAX_OFFSET = 3839;    // 1-based offset, and largest segment end

// Segment flag word (option letters of one segment).
enum : uint16_t {
  KSF_U = 0x0001,
  KSF_C = 0x0002,
  KSF_L = 0x0004,
  KSF_T = 0x0008,
  KSF_S = 0x0010,
  KSF_M = 0x0020,
  KSF_N = 0x0040,
  KSF_D = 0x0080,
  KSF_K = 0x0100,
  KSF_INT = 0x0200,  // I sets this together with S
  KSF_I = 0x0210,
  KSF_Z = 0x0400,
  KSF_PLUS = 0x0800,
  KSF_HASH = 0x1000,
  KSF_MINUS = 0x2000,
  KSF_B = 0x3800,
  KSF_TYPE = 0x3800,  // mask of the numeric type bits
};

// Kdef flags1
enum : uint8_t {
  KF1_VARIABLE = 0x01,     // variable-length records
  KF1_MANY_SEGS = 0x02,    // more than 32 segment entries
  KF1_NK = 0x04,           // system parameter NK at creation
  KF1_SEP_GIVEN = 0x08,    // separator character in Kdef::separator
  KF1_NO_SEP = 0x10,       // alone: no separator; with KF1_SEP_GIVEN: BBx style
  KF1_CREATED = 0x40,      // set in the first-format header at creation
  KF1_EFF_FORMAT2 = 0x80,
};
// Kdef flags2 (OPT= letters)
enum : uint8_t {
  KF2_C = 0x01,
  KF2_X = 0x08,
  KF2_Z = 0x40,
  KF2_U = 0x80,
};

// Kdef::key_len: bits 0-6 the external key length; bit 7 EFF format "2".
constexpr uint16_t KLEN_EFF2 = 0x80;

struct Kdef {
  int16_t type = 0;        // file kind to create
  int32_t records = 0;     // > 0 record limit; < 0 expected records; 0 none
  uint32_t spare_word = 0;
  uint16_t rec_len = 0;    // record length, or the maximum of variable records
  uint16_t key_len = 0;    // external key length | KLEN_EFF2
  uint8_t* segs = nullptr; // the Kdef_seg table
  int32_t seg_cap = 0;     // bytes available in segs
  int32_t drive = -1;      // prefix entry; -1 the whole search path
  uint8_t spare_pct = 0;
  uint8_t flags1 = 0;
  uint8_t block_kb = 0;
  uint8_t separator = 0;
  uint8_t flags2 = 0;
};

// A key name: the list of the definition being parsed, and the key-name list
// of a channel (Fcb::key_names), kept in ascending key number.
struct Kname_node {
  Kname_node* next;
  int32_t key;
  uint8_t len;
  char name[1];  // len bytes
};

// The 384-byte segment buffer every creation directive starts with.
extern uint8_t default_kdef[KDEF_DEFAULT_CAP];
// Clears kd and gives it default_kdef as an empty segment table.
void Kdef_reset(Kdef& kd);

// Builds the segment table of a Kdef, enforcing the limits shared by every
// way a key definition is written.  Errors: 41 for a number out of range,
// 46 for a key past 240 bytes, 80 for a key-definition fault.
class Key_builder {
 public:
  explicit Key_builder(Kdef& kd, Kname_node** names = nullptr) : kd_(kd), names_(names) {}
  // Key 0 held outside the record, 1..127 bytes; only as the first entry.
  void External(int32_t len);
  // The field (0..254, or KFIELD_EXTERNAL), 1-based offset and length of a
  // segment of the current key, with its option word and option byte.
  void Segment(int32_t field, int32_t offset1, int32_t len, uint16_t opts, uint8_t opt_byte);
  // The longest length the next segment of the current key may have at this
  // 1-based offset of this field: 0 when the key is full.
  int32_t Room(int32_t field, int32_t offset1) const;
  // The next segment starts a new key.
  void Next_key();
  // A name for the current key ("" ignored; "#..." error 80).
  void Name(const uint8_t* name, int32_t len);
  // Writes the end byte and sets flags1 bit 1 for 32 or more entries.
  void Finish();
  int32_t External_len() const { return ext_len_; }
  int32_t Max_end() const { return max_end_; }
  int32_t Entries() const { return entries_; }
  int32_t Key() const { return key_; }
  // The current key when a name was given for it, else -1.
  int32_t Named_key() const { return named_ == key_ ? key_ : -1; }

 private:
  void Put(const uint8_t e[4]);
  Kdef& kd_;
  Kname_node** names_;
  int32_t key_ = 0;
  int32_t key_entries_ = 0;
  int32_t key_bytes_ = 0;
  int32_t entries_ = 0;
  int32_t max_end_ = 0;  // largest 0-based offset + length of a record segment
  int32_t ext_len_ = 0;
  bool typed_ = false;   // a segment with I, # or + was given
  int32_t named_ = -1;   // the last key given a name
};

// The option letters of one segment, from text[*pos] up to "]" or the end
// (the "]" is not consumed).  Returns the flag word and fills *opt_byte.
// key is the key number when the definition names the key, else -1 (M is
// then the caller's syntax error rather than error 80).  syntax_err is the caller's error for
// an unknown letter.
uint16_t GetKeyedSegOpts(const uint8_t* text, int32_t len, int32_t* pos, uint8_t* opt_byte,
                         int32_t key, int32_t seg_len, int32_t field, int syntax_err);

// Compiles KEYDEF text into the builder (errors 20, 41, 46, 75, 80).
void Kdef_parse_text(Key_builder& b, const uint8_t* text, int32_t len);

// KEYDEF text of a segment table; max_entries 0 means all.  Key names come
// from names (may be null).
std::string Describe_keys(const uint8_t* segs, int32_t max_entries, const Kname_node* names);
// The same into the string accumulator (text in the work area).
void DescribeKeys(const uint8_t* segs, int32_t max_entries, const Kname_node* names);

// Key-name lists.  Kname_add appends a name for a key while a definition is
// parsed (nodes from the work area); a name already used by another key is
// error 80.  Kname_link enters a name in a channel's list (nodes from
// Get_blk, replacing the key's old name; an empty name only removes it);
// Kname_free frees such a list; Kname_find returns a key's name or null;
// Kname_taken tells whether a key other than except (-1: none excepted) has
// the name (len bytes, any case).
void Kname_add(Kname_node** list, int32_t key, const uint8_t* name, int32_t len);
void Kname_link(Kname_node** list, int32_t key, const uint8_t* name, int32_t len);
void Kname_free(Kname_node** list);
const Kname_node* Kname_find(const Kname_node* list, int32_t key);
bool Kname_taken(const Kname_node* list, const char* name, size_t len, int32_t except = -1);

// Binary numeric key segments (the encoding is drawn in channels/key_number.h,
// shared with the keyed engine).  Returns 1 when the value is zero or empty
// (an empty text gives NUL bytes).  A number that does not fit the segment
// is error 46 and nothing is written.
int EncodeBinNumSeg(const uint8_t* text, int32_t len, uint8_t* out, int32_t seg_len,
                    int32_t decimals);
// Rewrites an encoded segment in place as right-aligned text; a segment of
// NUL bytes (an empty value) becomes blanks.  Returns false, leaving the
// segment unchanged, when it holds no value that can be shown in its length.
bool DecodeBinNumSeg(uint8_t* seg, int32_t len);

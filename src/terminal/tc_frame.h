// Thin-client frames and items: the byte formats, with no interpreter state,
// so that the request layer (tc_protocol.cpp), the tests and the fuzz target
// share one encoder and one decoder.
//
// A request is a major and a minor code byte followed by typed items, all
// numbers big-endian, items back to back:
//
//   'c'  1 byte, the low 8 bits of the value
//   'i'  2 bytes, the low 16 bits; with long integers accepted (client
//        capability 2) a value outside -32,767..32,767 is 80 00 followed by
//        the value as 4 bytes
//   'l'  4 bytes
//   's'  length 0..65,279 or negative: 2-byte length (low 16 bits, so -1 is
//        FF FF), then the bytes when the length is above 0;
//        length 65,280 or more: FF, 4-byte length, the bytes
//   '*'  the bytes as they are, no length
//
// Request frame on the console stream:
//
//   16 16 16 02 major minor len(2 or 4) crc(2) payload
//
// minor has bit 0x80 when the length has 4 bytes (payloads of 65,536 bytes or
// more); crc is CRC-16/ARC of the payload with start 0 (0 for an empty
// payload).  On a TCP channel the frame drops its first two bytes.
//
// Reply on the console stream (the host reads it after a request that awaits
// one; bytes that come before it are keystrokes for the type-ahead ring):
//
//   16 06 len(2) [crc(2) data]   reply (length 0: nothing follows)
//   16 86 len(4) [crc(2) data]   long reply
//   16 15                        NAK: send the request again
//   16 18 code                   CAN: the request is refused with error code
//   16 16                        a literal 0x16 keystroke
//   16 05                        the client's answer to the keep-alive ENQ
//   16 45 value(2)               an event of a client object: its PREINPUT
//                                value (signed), the CTL value the program's
//                                input ends with ('E', ASCII 0x45)
//   16 other                     both bytes are keystrokes
//
// Reply on a TCP channel: 16 06 len(2) crc(2) data (the CRC is not checked)
// or 16 18 code (a signed byte).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

constexpr uint8_t TC_SYN = 0x16, TC_STX = 0x02, TC_ACK = 0x06, TC_NAK = 0x15, TC_CAN = 0x18;
constexpr uint8_t TC_LONG_ACK = 0x86, TC_ENQ = 0x05, TC_ETX = 0x03, TC_EVENT = 'E';
constexpr int TC_MAX_ITEMS = 100;
constexpr int32_t TC_LONG_STR = 65280;  // strings this long take the FF form
// The longest reply the host accepts: a reply announcing more is refused as
// a broken link (error 86) instead of being waited for.
constexpr uint32_t TC_REPLY_MAX = 64u << 20;

struct Tc_item {
  char kind;           // 'c' 'i' 'l' 's' '*'
  int32_t val;         // numeric items
  int32_t len;         // string and raw items
  const uint8_t* ptr;  // null: an empty text ('s') or nothing ('*')
};

// Bytes item it takes in a payload.
size_t Tc_item_size(const Tc_item& it, bool long_ints);
// Writes the item at out; returns the end.
uint8_t* Tc_put_item(uint8_t* out, const Tc_item& it, bool long_ints);
// Header of a frame for a payload of len bytes whose CRC is crc: 10 or 12
// bytes on the console stream, 8 or 10 on TCP.  Returns its length.
int Tc_frame_header(uint8_t* out, uint8_t major, uint8_t minor, uint32_t len, uint16_t crc, bool tcp);
// A whole frame (header and payload).
std::vector<uint8_t> Tc_frame(uint8_t major, uint8_t minor, const uint8_t* payload, uint32_t len, bool tcp);

// The reply reader of the console stream, fed one byte at a time.
class Tc_reply_reader {
 public:
  enum Step {
    MORE,       // keep feeding
    KEY,        // key() is a byte for the type-ahead ring
    KEY2,       // the escape was no reply: 0x16 and key() are keystrokes
    ALIVE,      // the client answered a keep-alive enquiry
    REPLY,      // data() holds the reply; crc_ok() says whether it is sound
    NAK,        // send the request again
    CAN,        // refused with code()
    TOO_LONG,   // the announced length passes TC_REPLY_MAX
    EVENT,      // a client object's event: event() is its PREINPUT value
  };
  void reset() { *this = Tc_reply_reader(); }
  Step feed(uint8_t b);
  // True between the escape byte and the end of a reply (a reply started).
  bool in_reply() const { return state_ >= LEN; }
  uint8_t key() const { return key_; }
  int code() const { return code_; }
  int32_t event() const { return event_; }
  bool crc_ok() const { return crc_ok_; }
  std::vector<uint8_t>& data() { return data_; }

 private:
  enum State { IDLE, ESC, LEN, CRC, DATA, CANCODE, EVT };
  State state_ = IDLE;
  int need_ = 0;        // length or CRC bytes still to come
  uint32_t len_ = 0;
  uint16_t crc_ = 0;
  uint8_t key_ = 0;
  int code_ = 0;
  int32_t event_ = 0;
  bool crc_ok_ = false;
  std::vector<uint8_t> data_;
};

// The reply reader of a TCP channel, fed chunks.
class Tc_tcp_reply {
 public:
  enum Step { MORE, REPLY, CAN, BAD };
  void reset() { *this = Tc_tcp_reply(); }
  // Takes bytes from p; *used tells how many were taken (the rest belongs
  // to what follows the reply).
  Step feed(const uint8_t* p, size_t n, size_t* used);
  int code() const { return code_; }
  std::vector<uint8_t>& data() { return data_; }

 private:
  uint8_t head_[6] = {};
  int have_ = 0;
  uint32_t len_ = 0;
  int code_ = 0;
  std::vector<uint8_t> data_;
};

// Reads the items of a payload back (the test tools and the fuzz target use
// it; the host itself only builds payloads).  kinds is a string of item kinds;
// '*' takes the rest.  False when the payload ends early or has bytes left
// over; the values go to out as text ('s', '*') or decimal ('c', 'i', 'l').
bool Tc_parse_items(const uint8_t* p, size_t n, const char* kinds, bool long_ints, std::vector<std::string>* out);

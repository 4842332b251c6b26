// The I/O lists a channel keeps: the slots of its list block.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "channels/channel.h"
#include "channels/rec_formats.h"
#include "core/codes.h"
#include "core/errors.h"
#include "core/memory.h"

namespace {

struct Chan {
  Fcb f{};
  ~Chan() {
    if (f.iol) Ret_blk(f.iol);
    for (void* e = f.rec_formats; e;) {
      void* next = *static_cast<void**>(e);
      Ret_blk(e);
      e = next;
    }
  }
};

std::string items_of(const uint8_t* b) {
  return b ? std::string(reinterpret_cast<const char*>(b + 3), get_u16be(b) - 3) : std::string("<none>");
}

const uint8_t* u(const char* s) { return reinterpret_cast<const uint8_t*>(s); }

TEST(ChannelIolSlots, SlotsAreSetAndKeptApart) {
  Chan c;
  EXPECT_EQ(Iol_slot(&c.f, 0), nullptr);
  Iol_set_slot(&c.f, 2, u("bb"), 2);
  EXPECT_EQ(items_of(Iol_slot(&c.f, 0)), "<none>");
  EXPECT_EQ(items_of(Iol_slot(&c.f, 1)), "<none>");
  EXPECT_EQ(items_of(Iol_slot(&c.f, 2)), "bb");
  Iol_set_slot(&c.f, 0, u("a"), 1);
  Iol_set_slot(&c.f, 3, u("dddd"), 4);
  EXPECT_EQ(items_of(Iol_slot(&c.f, 0)), "a");
  EXPECT_EQ(items_of(Iol_slot(&c.f, 2)), "bb");
  EXPECT_EQ(items_of(Iol_slot(&c.f, 3)), "dddd");
  // Each list ends with the end code, and the main list keeps the layout
  // that walks of the block expect (length word + 1 to the next slot).
  const auto* b = static_cast<const uint8_t*>(c.f.iol);
  EXPECT_EQ(b[2], code::D_IOLIST);
  EXPECT_EQ(b[get_u16be(b)], code::EOL);
  Iol_set_slot(&c.f, 3, nullptr, 0);
  Iol_set_slot(&c.f, 2, nullptr, 0);
  EXPECT_EQ(items_of(Iol_slot(&c.f, 2)), "<none>");
  EXPECT_EQ(items_of(Iol_slot(&c.f, 0)), "a");
  Iol_set_slot(&c.f, 0, nullptr, 0);
  EXPECT_EQ(c.f.iol, nullptr);  // no list left: no block
}

}  // namespace

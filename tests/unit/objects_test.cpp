// The object layer below the statements: handles and slots, reference
// counts, the name registry, and the memory accounting over many objects.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/codes.h"
#include "core/errors.h"
#include "core/memory.h"
#include "core/variables.h"
#include "core/workspace.h"
#include "programs/oop_internal.h"

namespace {

// A class of three properties (A, B, C$) made without a program: it has no
// create or delete handler.
Oop_class* make_class(const char* name) {
  auto* c = new Oop_class;
  c->name = OopDefName(66, int(std::strlen(name)), name);
  c->flags = CF_DEFINED | CF_NO_CREATE | CF_NO_DELETE;
  for (const char* p : {"A", "B", "C$"}) {
    auto* e = new Oop_prop;
    e->owner = c;
    e->name = OopDefName(p[1] == '$' ? 2 : 1, int(std::strlen(p)), p);
    c->props.insert(c->props.begin(), e);
  }
  oop.classes.insert(oop.classes.begin(), c);
  return c;
}

void set_props(int32_t handle, int i) {
  Oop_object* o = Oop_object_of_handle(handle);
  Prop_inst* a = Oop_inst(o, OopFindName(1, 1, "A"), true);
  Prop_inst* c = Oop_inst(o, OopFindName(2, 2, "C$"), true);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(c, nullptr);
  a->var->num.mant = i;
  c->var->str = Get_str(3);
  std::memcpy(c->var->str->bytes(), "abc", 3);
  c->var->str->len = 3;
}

class Objects : public ::testing::Test {
 protected:
  void TearDown() override { OopClrNames(); }
};

TEST_F(Objects, MemoryIsFlatOverAMillionNewDropPairs) {
  Oop_class* c = make_class("ITEM");
  for (int i = 0; i < 100; i++) {  // warm the caches of blocks and strings
    int32_t h = OopMakeObject(c, false, nullptr);
    set_props(h, i);
    OopRefObject(h - OOP_HANDLE_BASE, -1);
  }
  int64_t before = ws.Mem_used;
  int32_t last = 0;
  for (int i = 0; i < 1000000; i++) {
    last = OopMakeObject(c, false, nullptr);
    set_props(last, i);
    ASSERT_EQ(OopRefObject(last - OOP_HANDLE_BASE, -1), 0);
  }
  EXPECT_EQ(ws.Mem_used, before);
  EXPECT_EQ(last, 100001);  // the slot is reused every time
  EXPECT_EQ(Oop_object_count(), 0);
  EXPECT_EQ(c->instances, 0);
}

TEST_F(Objects, LowestFreeSlotAndReferenceCounts) {
  Oop_class* c = make_class("K");
  int32_t a = OopMakeObject(c, false, nullptr);
  int32_t b = OopMakeObject(c, false, nullptr);
  int32_t d = OopMakeObject(c, false, nullptr);
  EXPECT_EQ(a, 100001);
  EXPECT_EQ(b, 100002);
  EXPECT_EQ(d, 100003);
  EXPECT_EQ(OopRefObject(b - OOP_HANDLE_BASE, 1), 2);
  EXPECT_EQ(OopRefObject(b - OOP_HANDLE_BASE, -1), 1);
  EXPECT_EQ(OopRefObject(b - OOP_HANDLE_BASE, -1), 0);
  EXPECT_EQ(OopMakeObject(c, false, nullptr), 100002);  // the lowest free slot again
  EXPECT_EQ(GetHighestObjId(), 100003);
  try {
    Oop_object_of_handle(100999);
    FAIL() << "a handle out of range is refused";
  } catch (const Oru_error& e) {
    EXPECT_EQ(e.no, 95);
  }
  EXPECT_EQ(c->instances, 3);
}

TEST_F(Objects, CopiesHoldTheirOwnValues) {
  Oop_class* c = make_class("CP");
  int32_t a = OopMakeObject(c, false, nullptr);
  set_props(a, 5);
  OopRefObject(OopCloneObject(a) - OOP_HANDLE_BASE, -1);  // warms the released-string cache
  int64_t before = ws.Mem_used;
  int32_t b = OopCloneObject(a);
  Oop_object* ob = Oop_object_of_handle(b);
  Prop_inst* pa = Oop_inst(ob, OopFindName(1, 1, "A"), false);
  ASSERT_NE(pa, nullptr);
  EXPECT_EQ(pa->var->num.mant, 5);
  pa->var->num.mant = 6;
  EXPECT_EQ(Oop_inst(Oop_object_of_handle(a), OopFindName(1, 1, "A"), false)->var->num.mant, 5);
  OopRefObject(b - OOP_HANDLE_BASE, -1);
  EXPECT_EQ(ws.Mem_used, before);
}

TEST_F(Objects, NameRegistry) {
  EXPECT_EQ(OopFindName(1, 0, ""), nullptr);
  try {
    OopDefName(1, 0, "");
    FAIL() << "an empty name is refused";
  } catch (const Oru_error& e) {
    EXPECT_EQ(e.no, 46);
  }
  const Oop_name* n1 = OopDefName(1, 3, "Age");
  EXPECT_EQ(OopDefName(1, 3, "AGE"), n1);  // without regard to case
  EXPECT_NE(OopDefName(2, 3, "AGE"), n1);  // another kind, another id
  EXPECT_EQ(OopFindName(1, 3, "age"), n1);
}

// Thousands of names: the table grows and every id stays found, by any case.
TEST_F(Objects, NameRegistryGrowsAndKeepsIds) {
  std::vector<const Oop_name*> ids;
  for (int i = 0; i < 5000; i++) {
    std::string n = "N" + std::to_string(i);
    ids.push_back(OopDefName(uint8_t(1 + i % 2), int(n.size()), n.c_str()));
  }
  EXPECT_EQ(OopName_count(), 5000);
  for (int i = 0; i < 5000; i++) {
    std::string n = "n" + std::to_string(i);
    ASSERT_EQ(OopFindName(uint8_t(1 + i % 2), int(n.size()), n.c_str()), ids[size_t(i)]) << n;
    ASSERT_EQ(OopFindName(uint8_t(2 - i % 2), int(n.size()), n.c_str()), nullptr) << n;
  }
  EXPECT_EQ(OopFindName(1, 6, "N50000"), nullptr);
}

// The system property names are known whatever their case; names that only
// look like them are not.
TEST_F(Objects, SystemPropertyNames) {
  EXPECT_EQ(OopDefName(1, 4, "_obj")->sys, SYS_OBJ);
  EXPECT_EQ(OopDefName(2, 7, "_Class$")->sys, SYS_CLASS);
  EXPECT_EQ(OopDefName(1, 7, "_REFCNT")->sys, SYS_REFCNT);
  EXPECT_EQ(OopDefName(2, 12, "_propvalues$")->sys, SYS_PROPVALUES);
  EXPECT_EQ(OopDefName(2, 6, "_type$")->sys, SYS_TYPE);
  EXPECT_EQ(OopDefName(1, 5, "_OBJX")->sys, SYS_NONE);
  EXPECT_EQ(OopDefName(1, 3, "OBJ")->sys, SYS_NONE);
  EXPECT_EQ(OopDefName(2, 6, "_CLASS")->sys, SYS_NONE);
}

// A work area for the accumulators' strings while a test runs (gone with
// it, also when an assertion ends the test early).
struct Work_area {
  std::vector<uint8_t> bytes = std::vector<uint8_t>(4096);
  Work_area() {
    ws.Work_base = ws.Work_ptr = bytes.data();
    ws.Work_end = bytes.data() + bytes.size();
  }
  ~Work_area() { ws.Work_base = ws.Work_ptr = ws.Work_end = nullptr; }
};

// An object of a new class (make_class) with its properties set
// (set_props(h, 5)), dropped when the test ends.
struct Test_object {
  Oop_class* cls;
  int32_t h;
  Oop_object* o;
  explicit Test_object(const char* name) : cls(make_class(name)), h(OopMakeObject(cls, false, nullptr)) {
    set_props(h, 5);
    o = Oop_object_of_handle(h);
  }
  ~Test_object() { OopRefObject(h - OOP_HANDLE_BASE, -1); }
};

// Reading several properties at once (H'A.NOPE.C.$) looks each name up as
// a string and as a number: a name that no property has is not registered
// by the read, while the system names still answer.
TEST_F(Objects, SeveralPropertiesReadRegistersNoName) {
  Work_area work;
  Test_object t("MR");
  Oop_object* o = t.o;
  const Oop_name* list = OopDefName(2, 10, "A.NOPE.C.$");
  const Oop_name* sys = OopDefName(2, 13, "_OBJ._CLASS.$");
  int before = OopName_count();
  for (int i = 0; i < 2; i++) {
    OopGetProperty(o, list, 2);
    ASSERT_EQ(std::string(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len)),
              std::string("5\0\0abc\0", 7));
  }
  EXPECT_EQ(OopName_count(), before);
  EXPECT_EQ(OopFindName(1, 4, "NOPE"), nullptr);
  EXPECT_EQ(OopFindName(2, 2, "A$"), nullptr);
  OopGetProperty(o, sys, 2);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len)),
            std::to_string(t.h) + std::string("\0MR\0", 4));
}

// A property's value given as a string in the accumulators.
void set_text(Oop_object* o, const char* name, const std::string& value) {
  ws.Str_ptr = reinterpret_cast<uint8_t*>(const_cast<char*>(value.data()));
  ws.Str_len = int32_t(value.size());
  OopSetProperty(o, OopDefName(2, int(std::strlen(name)), name), 2);
}

std::string text_of(Oop_object* o, const char* name, uint8_t kind) {
  return Oop_property_text(o, OopFindName(kind, int(std::strlen(name)), name), kind);
}

// Assigning several properties at once (_PROPVALUES$) tries each name of the
// list as written and as the other kind.  On a class without run-time
// properties a name no property has is not registered by the attempt; on a
// class with them only the kind that was added is, not the one whose piece
// was no number.
TEST_F(Objects, SeveralPropertiesSetRegistersNoName) {
  Work_area work;
  Test_object t("MW");
  Oop_object* o = t.o;
  set_text(o, "_PROPSEP$", ",");
  set_text(o, "_PROPLIST$", "A,NOPE,C$,ZZ$,_OBJ");
  OopDefName(2, 12, "_PROPVALUES$");
  OopDefName(1, 4, "_OBJ");  // a system name is known before its first use
  int before = OopName_count();
  for (int i = 0; i < 2; i++) set_text(o, "_PROPVALUES$", "7,x,hi,y,1");
  EXPECT_EQ(OopName_count(), before);
  EXPECT_EQ(OopFindName(1, 4, "NOPE"), nullptr);
  EXPECT_EQ(OopFindName(2, 5, "NOPE$"), nullptr);
  EXPECT_EQ(OopFindName(1, 2, "ZZ"), nullptr);
  EXPECT_EQ(OopFindName(2, 3, "ZZ$"), nullptr);
  EXPECT_EQ(text_of(o, "A", 1), "7");
  EXPECT_EQ(text_of(o, "C$", 2), "hi");
  EXPECT_EQ(text_of(o, "_OBJ", 1), std::to_string(t.h));

  // With run-time properties a new name becomes a property; a piece that
  // is no number leaves the numeric spelling unregistered.
  t.cls->flags2 |= CF2_RT_ANY;
  set_text(o, "_PROPLIST$", "NEW");
  set_text(o, "_PROPVALUES$", "abc");
  EXPECT_EQ(OopFindName(1, 3, "NEW"), nullptr);
  ASSERT_NE(OopFindName(2, 4, "NEW$"), nullptr);
  EXPECT_EQ(text_of(o, "NEW$", 2), "abc");
  set_text(o, "_PROPLIST$", "NUM");
  set_text(o, "_PROPVALUES$", "12");
  ASSERT_NE(OopFindName(1, 3, "NUM"), nullptr);
  EXPECT_EQ(text_of(o, "NUM", 1), "12");
}

// Assigning several properties at once (H'A.NOPE.C.$="8|9|zz|") tries each
// name as a string, then as a number: on a class without run-time
// properties neither spelling of a name no property has is registered.
TEST_F(Objects, SeveralPropertiesAssignRegistersNoName) {
  Work_area work;
  Test_object t("MA");
  Oop_object* o = t.o;
  OopDefName(2, 10, "A.NOPE.C.$");
  int before = OopName_count();
  for (int i = 0; i < 2; i++) set_text(o, "A.NOPE.C.$", "8|9|zz|");
  EXPECT_EQ(OopName_count(), before);
  EXPECT_EQ(OopFindName(2, 2, "A$"), nullptr);
  EXPECT_EQ(OopFindName(1, 4, "NOPE"), nullptr);
  EXPECT_EQ(OopFindName(2, 5, "NOPE$"), nullptr);
  EXPECT_EQ(text_of(o, "A", 1), "8");
  EXPECT_EQ(text_of(o, "C$", 2), "zz");

  // With run-time properties the string spelling becomes a property.
  t.cls->flags2 |= CF2_RT_ANY;
  set_text(o, "A.NOPE.C.$", "8|9|zz|");
  ASSERT_NE(OopFindName(2, 5, "NOPE$"), nullptr);
  EXPECT_EQ(OopFindName(1, 4, "NOPE"), nullptr);
  EXPECT_EQ(text_of(o, "NOPE$", 2), "9");
}

}  // namespace

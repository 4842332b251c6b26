// Skipping compiled items without evaluating them.
#include <gtest/gtest.h>

#include <vector>

#include "core/codes.h"
#include "core/errors.h"
#include "core/line_store.h"
#include "core/workspace.h"
#include "test_util.h"

namespace {

using Bytes = std::vector<uint8_t>;

class Skip : public ::testing::Test {
 protected:
  Bytes buf;
  void SetUp() override { ws.Lit_pool = nullptr; }
  void TearDown() override { ws.Lit_pool = nullptr; }
  // Places the bytes (with a 255 after them) under the cursor.
  void at(Bytes b) {
    buf = std::move(b);
    buf.push_back(code::EOL);
    ws.Exec_ptr = buf.data();
  }
  size_t moved() const { return size_t(ws.Exec_ptr - buf.data()); }
};

const uint8_t NUM = code::NUM_VAR, STR = code::STR_VAR;

TEST_F(Skip, CodeSizes) {
  struct Case {
    Bytes bytes;
    size_t size;
  } cases[] = {
      {{NUM, 2, 'A', 'B'}, 4},
      {{STR, 0x80, 5}, 3},
      {{code::LABEL, 3, 'T', 'O', 'P'}, 5},
      {{code::NUM_LIT, 1, 0, 0, 0, 0, 0, 15}, 8},
      {{code::STR_LIT, 0, 2, 'h', 'i'}, 5},
      {{code::BRACKET_TEXT, 0, 0}, 3},
      {{code::LINE_REF, 0, 10}, 3},
      {{code::MNEM_LIT, 'C', 'S'}, 3},
      {{code::SMALL_INT, 1, 0}, 3},
      {{code::LABEL_IDX2, 0, 1}, 3},
      {{code::EXT_DIR, code::X_AUTO}, 2},
      {{code::OP_ADD}, 1},
      {{code::EXT_SYSVAR, 20}, 1},  // the operand byte is an item of its own here
  };
  for (auto& c : cases) {
    at(c.bytes);
    EXPECT_EQ(Skip_code(), c.bytes[0]);
    EXPECT_EQ(moved(), c.size) << "code " << int(c.bytes[0]);
  }
}

TEST_F(Skip, LiteralPoolReferences) {
  at({code::NUM_LIT, 0x80, 3, code::OP_ADD});
  Skip_code();
  EXPECT_EQ(moved(), 8u);  // without a pool the literal is inline
  uint8_t pool[1];
  ws.Lit_pool = pool;
  at({code::NUM_LIT, 0x80, 3, code::OP_ADD});
  Skip_code();
  EXPECT_EQ(moved(), 3u);
}

TEST_F(Skip, EndsAreNotPassed) {
  for (uint8_t c : Bytes{code::EOL, code::END_SCAN, code::D_REM, code::D_COMMENT, code::D_TABLE}) {
    at({c, 'x'});
    EXPECT_EQ(Skip_code(), code::EOL);
    EXPECT_EQ(moved(), 0u);
  }
}

TEST_F(Skip, VariableWithSubscriptsAndSubstring) {
  // A$[I,2](3,4)=
  at({STR, 2, 'A', '$', code::LBRACKET, NUM, 1, 'I', code::COMMA, code::SMALL_INT, 0, 2,
      code::RBRACKET, code::LPAREN, code::SMALL_INT, 0, 3, code::COMMA, code::SMALL_INT, 0, 4,
      code::RPAREN, code::OP_EQ});
  EXPECT_EQ(Skip_var(), code::OP_EQ);
  EXPECT_EQ(buf[moved()], code::OP_EQ);
}

TEST_F(Skip, ValuesStopAtTheNextOperator) {
  at({code::OP_SUB, NUM, 1, 'X', code::INC_DEC, code::INC_KIND, code::OP_MUL});
  EXPECT_EQ(Skip_value(), code::OP_MUL);
  EXPECT_EQ(moved(), 6u);
  at({code::STR_LIT, 0, 1, 'a', code::COMMA});
  EXPECT_EQ(Skip_value(), code::COMMA);
  // A function's arguments, nested groups and an extended system variable
  // whose byte happens to equal "[" inside them.
  at({80, code::LPAREN, code::EXT_SYSVAR, code::LBRACKET, code::RPAREN, code::COMMA, NUM, 1, 'B',
      code::RPAREN, code::OP_ADD});
  EXPECT_EQ(Skip_value(), code::OP_ADD);
  EXPECT_EQ(moved(), 10u);
  at({code::COMMA});
  EXPECT_EQ(Skip_value(), code::COMMA);
  EXPECT_EQ(moved(), 0u);
}

TEST_F(Skip, UnbalancedBracketsAreError49) {
  at({code::LPAREN, NUM, 1, 'A'});
  EXPECT_EQ(error_no([] { Skip_value(); }), 49);
  at({code::LPAREN, NUM, 1, 'A', code::STMT_SEP, code::RPAREN});
  EXPECT_EQ(error_no([] { Skip_value(); }), 49);
  at({NUM, 1, 'A', code::LBRACKET, code::SMALL_INT, 0, 1});
  EXPECT_EQ(error_no([] { Skip_var(); }), 49);
}

TEST_F(Skip, Expressions) {
  // A+B*(C-1) AND D, then a statement separator
  at({NUM, 1, 'A', code::OP_ADD, NUM, 1, 'B', code::OP_MUL, code::LPAREN, NUM, 1, 'C',
      code::OP_SUB, code::SMALL_INT, 0, 1, code::RPAREN, code::OP_AND, NUM, 1, 'D',
      code::STMT_SEP});
  EXPECT_EQ(Skip_xpr(), code::STMT_SEP);
  EXPECT_EQ(buf[moved()], code::STMT_SEP);
  at({STR, 1, 'S', code::LIKE, code::STR_LIT, 0, 1, '*'});
  EXPECT_EQ(Skip_xpr(), code::EOL);
}

TEST_F(Skip, IfSkipsToItsElseOrEndIf) {
  // PRINT 1 ELSE PRINT 2
  at({code::D_PRINT, code::SMALL_INT, 0, 1, code::D_ELSE, code::D_PRINT});
  EXPECT_EQ(Skip_if(), code::D_ELSE);
  EXPECT_EQ(buf[moved()], code::D_PRINT);
  // a nested IF takes the first ELSE
  at({code::D_IF, NUM, 1, 'A', code::D_PRINT, code::D_ELSE, code::D_PRINT, code::D_END_IF,
      code::D_END});
  EXPECT_EQ(Skip_if(), code::D_END_IF);
  EXPECT_EQ(buf[moved()], code::D_END);
  // a string holding the ELSE code is not an ELSE
  at({code::D_PRINT, code::STR_LIT, 0, 1, code::D_ELSE});
  EXPECT_EQ(Skip_if(), code::EOL);
  EXPECT_EQ(moved(), 5u);
  at({code::D_REM, code::D_ELSE});
  EXPECT_EQ(Skip_if(), code::EOL);
}

TEST_F(Skip, ItemSizeNeverPassesTheEnd) {
  Bytes b{code::STR_LIT, 0xFF, 0xFF, 'x'};
  EXPECT_EQ(Item_size(b.data(), b.data() + b.size()), b.size());
  Bytes r{code::D_REM, 'a', 'b', code::EOL};
  EXPECT_EQ(Item_size(r.data(), r.data() + r.size()), r.size());
  Bytes x{code::THEN_BLOCK, code::BLOCK_OPEN};
  EXPECT_EQ(Item_size(x.data(), x.data() + x.size()), 2u);
  EXPECT_EQ(Item_size(x.data(), x.data() + 1), 1u);
  EXPECT_EQ(Item_size(x.data(), x.data()), 0u);
}

}  // namespace

#include <gtest/gtest.h>

#include "core/codes.h"

TEST(CodeClasses, OperatorsAndStatementEnds) {
  EXPECT_EQ(Cde_tbl[code::OP_ADD], CC_BINOP);
  EXPECT_EQ(Cde_tbl[code::LIKE], CC_BINOP);
  EXPECT_EQ(Cde_tbl[code::D_ELSE], CC_STMT_END | CC_DIRECTIVE);
  EXPECT_EQ(Cde_tbl[code::LABEL], 0);
  EXPECT_EQ(Cde_tbl[code::ALT_FNC], CC_FUNCTION);
}

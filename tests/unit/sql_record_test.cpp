// SQL channels without a server: rows into records and back, key strings of
// rows, KEY= values split into segments, numbers as records show them, and
// identifiers quoted for SQL text.
#include <gtest/gtest.h>

#include "net/sql_backend.h"
#include "net/sql_channel.h"

namespace {

Sql_col col(const char* name, char type, int len, int sel, bool fixed = false, int dec = 0) {
  Sql_col c;
  c.name = name;
  c.type = type;
  c.len = len;
  c.sel = sel;
  c.fixed = fixed;
  c.dec = dec;
  return c;
}

Sql_value v(const char* s) { return Sql_value{s, false}; }
Sql_value null() { return Sql_value{"", true}; }

// id CHAR(6), name VARCHAR(10), bal DECIMAL(7,2) (length 10), since DATE;
// key 0 id, key 1 name + bal.
struct Chan {
  Sql_chan sc;
  Chan() {
    sc.cols = {col("id", 'C', 6, 0), col("name", 'C', 10, 1), col("bal", 'N', 10, 2, false, 2), col("since", 'D', 10, 3)};
    sc.sel = {"id", "name", "bal", "since"};
    Sql_key k0;
    k0.seg = {0};
    k0.flag = {0};
    k0.desc = {false};
    k0.seg_len = {6};
    k0.total = 6;
    k0.order = {0};
    Sql_key k1;
    k1.seg = {1, 2};
    k1.flag = {0, 0};
    k1.desc = {false, false};
    k1.seg_len = {10, 10};
    k1.total = 20;
    k1.order = {1, 2, 0};
    sc.keys = {k0, k1};
  }
};

TEST(SqlRecord, NumbersLoseTrailingZerosAndThePoint) {
  EXPECT_EQ(Dbx_number_text("12.50"), "12.5");
  EXPECT_EQ(Dbx_number_text("12.00"), "12");
  EXPECT_EQ(Dbx_number_text("0.00"), "0");
  EXPECT_EQ(Dbx_number_text("-0.00"), "0");
  EXPECT_EQ(Dbx_number_text("-3.10"), "-3.1");
  EXPECT_EQ(Dbx_number_text("1200"), "1200");  // no point: zeros kept
  EXPECT_EQ(Dbx_number_text(" 42 "), "42");
  EXPECT_EQ(Dbx_number_text("1.5e10"), "1.5e10");
}

TEST(SqlRecord, RowBecomesSeparatedFieldsAndNullsEmpty) {
  Chan c;
  Sql_row row{v("C00001"), v("Miller"), v("12.50"), v("2024-07-01")};
  EXPECT_EQ(Dbx_make_rec(&c.sc, row, '\n'), "C00001\nMiller\n12.5\n2024-07-01\n");
  Sql_row nulls{v("C00002"), null(), null(), null()};
  EXPECT_EQ(Dbx_make_rec(&c.sc, nulls, '\n'), "C00002\n\n\n\n");
}

TEST(SqlRecord, FixedWidthFieldsAndLiterals) {
  Chan c;
  // id fixed (no separator after it), a literal, name, bal fixed right-aligned.
  c.sc.cols = {col("id", 'C', 6, 0, true), col("", '\'', 2, -1, true), col("name", 'C', 10, 1),
               col("bal", 'N', 8, 2, true)};
  c.sc.cols[1].literal = "--";
  Sql_row row{v("AB"), v("Miller"), v("3.50"), v("2024-07-01")};
  EXPECT_EQ(Dbx_make_rec(&c.sc, row, '\n'), "AB    --Miller\n     3.5");
  Sql_row back;
  std::vector<bool> present;
  std::string rec = "XY    --Zeller\n    -1.2";
  Dbx_split_rec(&c.sc, reinterpret_cast<const uint8_t*>(rec.data()), int32_t(rec.size()), '\n', &back, &present);
  EXPECT_EQ(back[0].s, "XY");  // trailing blanks of a fixed text field dropped
  EXPECT_EQ(back[1].s, "Zeller");
  EXPECT_EQ(back[2].s, "-1.2");
  EXPECT_FALSE(present[3]);
}

TEST(SqlRecord, NumberAfterAFixedFieldIsRightAligned) {
  Chan c;
  // name laid at full width, bal after it ends with the separator but is
  // right-aligned to its length; since after a separated field is not.
  c.sc.cols = {col("id", 'C', 6, 0), col("name", 'C', 4, 1, true), col("bal", 'N', 6, 2), col("since", 'N', 4, 3)};
  Sql_row row{v("A"), v("Al"), v("2.5"), v("7")};
  EXPECT_EQ(Dbx_make_rec(&c.sc, row, ','), "A,Al     2.5,7,");
}

TEST(SqlRecord, YearsAreTwoBytesAndEmptyYearsNull) {
  Chan c;
  c.sc.cols = {col("id", 'C', 6, 0), col("y", 'Y', 2, 1, true)};
  c.sc.sel = {"id", "y"};
  Sql_row row{v("A"), v("2024")};
  std::string rec = Dbx_make_rec(&c.sc, row, ',');
  ASSERT_EQ(rec.size(), 4u);
  EXPECT_EQ(uint8_t(rec[2]), 2024 / 64 + 32);
  EXPECT_EQ(uint8_t(rec[3]), 2024 % 64 + 32);
  Sql_row back;
  std::vector<bool> present;
  Dbx_split_rec(&c.sc, reinterpret_cast<const uint8_t*>(rec.data()), int32_t(rec.size()), ',', &back, &present);
  EXPECT_EQ(back[1].s, "2024");
  std::string empty = "B,  ";
  Dbx_split_rec(&c.sc, reinterpret_cast<const uint8_t*>(empty.data()), int32_t(empty.size()), ',', &back, &present);
  EXPECT_TRUE(back[1].null);
  EXPECT_EQ(Dbx_make_rec(&c.sc, Sql_row{v("C"), null()}, ','), "C,  ");
}

TEST(SqlRecord, StripRemovesTrailingBlanksOfText) {
  Chan c;
  c.sc.opts |= SQO_STRIP;
  Sql_row row{v("C1    "), v("Al  "), v("1"), v("2024-01-02")};
  EXPECT_EQ(Dbx_make_rec(&c.sc, row, ','), "C1,Al,1,2024-01-02,");
}

TEST(SqlRecord, RecordSplitsIntoValuesWithEmptyAsNull) {
  Chan c;
  std::string rec = "C00003\n\n\n2023/01/31\n";
  Sql_row vals;
  std::vector<bool> present;
  Dbx_split_rec(&c.sc, reinterpret_cast<const uint8_t*>(rec.data()), int32_t(rec.size()), '\n', &vals, &present);
  ASSERT_EQ(vals.size(), 4u);
  EXPECT_EQ(vals[0].s, "C00003");
  EXPECT_TRUE(vals[1].null);
  EXPECT_TRUE(vals[2].null);  // an empty number is NULL
  EXPECT_EQ(vals[3].s, "2023-01-31");  // ten-character dates become YYYY-MM-DD
  EXPECT_TRUE(present[0] && present[1] && present[2] && present[3]);
  // A short record leaves the later columns out of the statement.
  std::string shortrec = "C00004\nBrown\n";
  Dbx_split_rec(&c.sc, reinterpret_cast<const uint8_t*>(shortrec.data()), int32_t(shortrec.size()), '\n', &vals,
                &present);
  EXPECT_TRUE(present[0] && present[1]);
  EXPECT_FALSE(present[2] || present[3]);
}

TEST(SqlRecord, NoNullsWritesEmptyTextAndZero) {
  Chan c;
  c.sc.opts |= SQO_NONULLS;
  std::string rec = "C5\n\n\n";
  Sql_row vals;
  std::vector<bool> present;
  Dbx_split_rec(&c.sc, reinterpret_cast<const uint8_t*>(rec.data()), int32_t(rec.size()), '\n', &vals, &present);
  EXPECT_FALSE(vals[1].null);
  EXPECT_EQ(vals[1].s, "");
  EXPECT_FALSE(vals[2].null);
  EXPECT_EQ(vals[2].s, "0");
}

TEST(SqlRecord, ValuesKeepQuotesBackslashesAndNulBytes) {
  Chan c;
  std::string odd("it's \\ \"x\" %_\0end", 17);
  c.sc.cols[1].len = 20;
  std::string rec = "K1\n" + odd + "\n";
  Sql_row vals;
  std::vector<bool> present;
  Dbx_split_rec(&c.sc, reinterpret_cast<const uint8_t*>(rec.data()), int32_t(rec.size()), '\n', &vals, &present);
  EXPECT_EQ(vals[1].s, odd);
}

TEST(SqlRecord, TextLongerThanItsFieldIsCutNumbersAreNot) {
  Chan c;
  std::string rec = "K1234567\nABCDEFGHIJKLM\n123456789012.5\n";
  Sql_row vals;
  std::vector<bool> present;
  Dbx_split_rec(&c.sc, reinterpret_cast<const uint8_t*>(rec.data()), int32_t(rec.size()), '\n', &vals, &present);
  EXPECT_EQ(vals[0].s, "K12345");
  EXPECT_EQ(vals[1].s, "ABCDEFGHIJ");
  EXPECT_EQ(vals[2].s, "123456789012.5");  // the server refuses it rather than keep another number
}

TEST(SqlRecord, RowKeyPadsTextAndRightAlignsNumbers) {
  Chan c;
  Sql_row row{v("C00001"), v("Miller"), v("12.50"), v("2024-07-01")};
  EXPECT_EQ(Dbx_row_key(&c.sc, 0, row), "C00001");
  EXPECT_EQ(Dbx_row_key(&c.sc, 1, row), std::string("Miller    ") + "00000012.5");
  c.sc.opts |= SQO_NULLPADKEY;
  EXPECT_EQ(Dbx_row_key(&c.sc, 1, row), std::string("Miller\0\0\0\0", 10) + "00000012.5");
  // A number longer than its segment keeps its last digits.
  Sql_row big{v("C2"), v("A"), v("123456789012.5"), null()};
  c.sc.opts = 0;
  EXPECT_EQ(Dbx_row_key(&c.sc, 1, big), "A         56789012.5");
}

TEST(SqlRecord, KeyValueSplitsIntoSegments) {
  Chan c;
  Sql_row vals;
  bool partial;
  EXPECT_EQ(Dbx_parse_key(&c.sc, 1, std::string("Miller    ") + "00000012.5", &vals, &partial), 2);
  EXPECT_FALSE(partial);
  EXPECT_EQ(vals[0].s, "Miller");   // trailing blanks are not compared
  EXPECT_EQ(vals[1].s, "12.5");     // leading zeros removed
  EXPECT_EQ(Dbx_parse_key(&c.sc, 1, "Mil", &vals, &partial), 1);
  EXPECT_TRUE(partial);
  EXPECT_EQ(vals[0].s, "Mil");
  EXPECT_EQ(Dbx_parse_key(&c.sc, 1, std::string("Miller    ") + "0000000000", &vals, &partial), 2);
  EXPECT_EQ(vals[1].s, "0");
  EXPECT_EQ(Dbx_parse_key(&c.sc, 1, std::string("Miller    ") + "-000000003", &vals, &partial), 2);
  EXPECT_EQ(vals[1].s, "-3");
  EXPECT_EQ(Dbx_parse_key(&c.sc, 1, "", &vals, &partial), 0);
  // An empty text segment is NULL, as empty fields are written.
  EXPECT_EQ(Dbx_parse_key(&c.sc, 1, std::string(10, ' ') + "1", &vals, &partial), 2);
  EXPECT_TRUE(vals[0].null);
  // The last segment is taken whole: its length is checked by the caller.
  EXPECT_EQ(Dbx_parse_key(&c.sc, 0, "C0000123", &vals, &partial), 1);
  EXPECT_EQ(vals[0].s, "C0000123");
}

TEST(SqlRecord, IdentifiersAreBackquotedWithBackquotesDoubled) {
  EXPECT_EQ(Msq_quote_ident("cust"), "`cust`");
  EXPECT_EQ(Msq_quote_ident("odd-name"), "`odd-name`");
  EXPECT_EQ(Msq_quote_ident("a`b"), "`a``b`");
  EXPECT_EQ(Msq_quote_ident("x\"; DROP"), "`x\"; DROP`");
}

TEST(SqlRecord, ServerErrorsMapToSystemErrors) {
  EXPECT_EQ(Msq_error_number(1205), 0);  // lock wait: busy
  EXPECT_EQ(Msq_error_number(1206), 0);
  EXPECT_EQ(Msq_error_number(2002), 12);
  EXPECT_EQ(Msq_error_number(2003), 12);
  EXPECT_EQ(Msq_error_number(1062), 15);
  EXPECT_EQ(Msq_error_number(1146), 15);
}

}  // namespace

// SQL channels without a server: variant patterns and sections, variant
// records both ways, and RECDATA records laid at full width.
#include <gtest/gtest.h>

#include "core/errors.h"
#include "net/sql_backend.h"
#include "net/sql_channel.h"

namespace {

Sql_col col(const char* name, char type, int len, int sel, bool fixed = false, int vsec = -1) {
  Sql_col c;
  c.name = name;
  c.type = type;
  c.len = len;
  c.sel = sel;
  c.fixed = fixed;
  c.vsec = vsec;
  return c;
}

Sql_col marker(const char* pattern, int vsec) {
  Sql_col c;
  c.type = '?';
  c.literal = pattern;
  c.vsec = vsec;
  return c;
}

Sql_value v(const char* s) { return Sql_value{s, false}; }

TEST(SqlVariant, PatternUnitsPerSelectorByteAndOneForTheEnd) {
  EXPECT_TRUE(Dbx_variant_chk("AB", "AB"));
  EXPECT_FALSE(Dbx_variant_chk("AB", "AC"));
  EXPECT_TRUE(Dbx_variant_chk("A.", "AZ"));
  EXPECT_TRUE(Dbx_variant_chk("A", "AZ"));       // shorter: the first bytes
  EXPECT_TRUE(Dbx_variant_chk("AB[]", "AB"));    // "[]" is the end
  EXPECT_FALSE(Dbx_variant_chk("A[]", "AB"));    // the end is not a byte
  EXPECT_TRUE(Dbx_variant_chk("AB.", "AB"));     // '.' matches the end too
  EXPECT_FALSE(Dbx_variant_chk("ABX", "AB"));    // a plain byte is no end
}

TEST(SqlVariant, AlternativesFollowTheEndUnit) {
  // Two selector bytes: A, B, '.', C, D holds AB and CD.
  EXPECT_TRUE(Dbx_variant_chk("AB.CD", "AB"));
  EXPECT_TRUE(Dbx_variant_chk("AB.CD", "CD"));
  EXPECT_FALSE(Dbx_variant_chk("AB.CD", "CB"));
  EXPECT_TRUE(Dbx_variant_chk("IN[]XX[]", "XX"));
  EXPECT_FALSE(Dbx_variant_chk("IN[]XX[]", "XY"));
}

TEST(SqlVariant, ClassesRangesAndNegation) {
  EXPECT_TRUE(Dbx_variant_chk("[A-C]", "B"));
  EXPECT_FALSE(Dbx_variant_chk("[A-C]", "D"));
  EXPECT_TRUE(Dbx_variant_chk("[^A-C]", "D"));
  EXPECT_FALSE(Dbx_variant_chk("[^A-C]", "A"));
  EXPECT_TRUE(Dbx_variant_chk("[xyz0-9]", "7"));
  EXPECT_TRUE(Dbx_variant_chk("[.", "["));       // no ']': a plain '['
  EXPECT_FALSE(Dbx_variant_chk("[.", "A"));
}

// kind CHAR(1) selects: 'I' cust + amt, 'C' note; tail in every record.
struct Variant_chan {
  Sql_chan sc;
  explicit Variant_chan(bool closed) {
    sc.cols = {col("id", 'C', 4, 0, true), col("kind", 'C', 1, 1, true), marker("I", 0), col("cust", 'C', 10, 2, false, 0),
               col("amt", 'N', 8, 3, false, 0), marker("C", 1), col("note", 'C', 20, 4, false, 1)};
    if (closed) {
      sc.cols.push_back(marker("", -1));
      sc.cols.push_back(col("tail", 'C', 5, 5));
    }
    sc.sel = {"id", "kind", "cust", "amt", "note", "tail"};
    sc.sections = {Sql_section{"I", false, 0}, Sql_section{"C", false, 0}};
    sc.selectors = {Sql_selector{1, 0, 1}};
    sc.open_group = !closed;
  }
};

TEST(SqlVariant, RowsGiveTheFieldsOfTheirSectionOnly) {
  Variant_chan ch(true);
  Sql_row inv = {v("0001"), v("I"), v("Miller"), v("12.50"), v("ignored"), v("t1")};
  EXPECT_EQ(Dbx_make_rec(&ch.sc, inv, ','), "0001IMiller,12.5,t1,");
  Sql_row cr = {v("0002"), v("C"), v("x"), v("1"), v("a note"), v("t2")};
  EXPECT_EQ(Dbx_make_rec(&ch.sc, cr, ','), "0002Ca note,t2,");
  Sql_row other = {v("0003"), v("X"), v("x"), v("1"), v("n"), v("t3")};
  EXPECT_EQ(Dbx_make_rec(&ch.sc, other, ','), "0003Xt3,");  // a closed group may fit none
}

TEST(SqlVariant, RecordsFillTheColumnsOfTheirSectionOnly) {
  Variant_chan ch(true);
  std::string rec = "0002Ca note,t2,";
  Sql_row vals;
  std::vector<bool> present;
  Dbx_split_rec(&ch.sc, reinterpret_cast<const uint8_t*>(rec.data()), int32_t(rec.size()), ',', &vals, &present);
  EXPECT_EQ(vals[4].s, "a note");
  EXPECT_EQ(vals[5].s, "t2");
  EXPECT_FALSE(present[2]);
  EXPECT_FALSE(present[3]);
  EXPECT_TRUE(present[4]);
}

TEST(SqlVariant, AMapEndingInItsSectionsRefusesARecordNoSectionFits) {
  Variant_chan ch(false);
  Sql_row other = {v("0003"), v("X"), v("x"), v("1"), v("n"), v("t3")};
  try {
    Dbx_make_rec(&ch.sc, other, ',');
    FAIL() << "no error";
  } catch (const Oru_error& e) {
    EXPECT_EQ(e.no, 39);
  }
  std::string rec = "0003Xwhatever,";
  Sql_row vals;
  std::vector<bool> present;
  try {
    Dbx_split_rec(&ch.sc, reinterpret_cast<const uint8_t*>(rec.data()), int32_t(rec.size()), ',', &vals, &present);
    FAIL() << "no error";
  } catch (const Oru_error& e) {
    EXPECT_EQ(e.no, 39);
  }
}

TEST(SqlLayout, RecdataFieldsAtFullWidthTheLastUnpadded) {
  Sql_chan sc;
  sc.recdata = true;
  sc.cols = {col("id", 'C', 4, 0, true), col("name", 'C', 8, 1, true), col("memo", 'C', 10, 2, true)};
  sc.sel = {"id", "name", "memo"};
  Sql_row row = {v("A1"), v("Bob"), v("hi")};
  EXPECT_EQ(Dbx_make_rec(&sc, row, ','), "A1  Bob     hi");
  // Trailing NULs and one final separator are no part of the record.
  std::string rec = std::string("A2  Ann     note") + ',' + std::string(3, '\0');
  Sql_row vals;
  std::vector<bool> present;
  Dbx_split_rec(&sc, reinterpret_cast<const uint8_t*>(rec.data()), int32_t(rec.size()), ',', &vals, &present);
  EXPECT_EQ(vals[0].s, "A2");
  EXPECT_EQ(vals[1].s, "Ann");
  EXPECT_EQ(vals[2].s, "note");
}

// A column's layout from the server's type text; the lengths it states are
// bounded, so that a claimed length cannot size a record.
TEST(SqlColumnType, LengthsFromTheTypeTextBounded) {
  Sql_col_type t = Sql_column_type("varchar(24)", 0, 0);
  EXPECT_EQ(t.type, 'C');
  EXPECT_EQ(t.len, 24);
  t = Sql_column_type("DECIMAL(10,2) unsigned", 0, 0);
  EXPECT_EQ(t.type, 'N');
  EXPECT_EQ(t.len, 13);
  EXPECT_EQ(t.dec, 2);
  EXPECT_EQ(Sql_column_type("int(11)", SQO_NONUMADJ, 0).len, 10);
  EXPECT_EQ(Sql_column_type("date", 0, 8).len, 8);
  EXPECT_EQ(Sql_column_type("date", SQO_NO_DATE_CONVERT, 0).type, 'C');
  EXPECT_TRUE(Sql_column_type("varbinary(16)", 0, 0).binary);
  // Claimed beyond what a server stores:
  EXPECT_EQ(Sql_column_type("varchar(2147418112)", 0, 0).len, 65535);
  EXPECT_EQ(Sql_column_type("char(99999999999999999999)", 0, 0).len, 65535);
  EXPECT_EQ(Sql_column_type("varchar(-5)", 0, 0).len, 255);
  // The long types keep their own lengths: a value read is never cut.
  EXPECT_EQ(Sql_column_type("text", 0, 0).len, 65535);
  EXPECT_EQ(Sql_column_type("mediumtext", 0, 0).len, 16777215);
  EXPECT_EQ(Sql_column_type("longtext", 0, 0).len, SQL_LONG_FIELD);
  EXPECT_EQ(Sql_column_type("longblob", 0, 0).len, SQL_LONG_FIELD);
  t = Sql_column_type("decimal(2000000000,999999)", 0, 0);
  EXPECT_EQ(t.len, 68);
  EXPECT_EQ(t.dec, 30);
}

}  // namespace

namespace {

// Text for a column that is not binary goes to the server with byte 255
// as 254, in values and in key segments; binary columns keep every byte.
TEST(SqlValues, Byte255IsSentAs254InText) {
  Sql_chan sc;
  Sql_col t = col("t", 'C', 10, 0);
  EXPECT_EQ(Dbx_field_in(&sc, t, "a\xFF" "b").s, "a\xFE" "b");
  Sql_col b = t;
  b.binary = true;
  EXPECT_EQ(Dbx_field_in(&sc, b, "a\xFF" "b").s, "a\xFF" "b");
  sc.cols = {t};
  Sql_key k;
  k.seg = {0};
  k.seg_len = {10};
  k.flag = {0};
  k.total = 10;
  sc.keys = {k};
  Sql_row vals;
  bool partial = false;
  ASSERT_EQ(Dbx_parse_key(&sc, 0, "x\xFF", &vals, &partial), 1);
  EXPECT_EQ(vals[0].s, "x\xFE");
}

// A TAVRODATE field that is no six-byte date is sent as it stands, so the
// server refuses it as any malformed date; never a NULL.
TEST(SqlValues, MalformedTavroDatesAreNotNull) {
  Sql_chan sc;
  sc.opts |= SQO_TAVRODATE;
  Sql_col d = col("d", 'D', 6, 0);
  EXPECT_EQ(Dbx_field_in(&sc, d, "?H0102").s, "2024-01-02");
  Sql_value short_one = Dbx_field_in(&sc, d, "AB");
  EXPECT_FALSE(short_one.null);
  EXPECT_EQ(short_one.s, "AB");
  EXPECT_FALSE(Dbx_field_in(&sc, d, "?H02").null);
  EXPECT_EQ(Dbx_field_in(&sc, d, "?H1x02").s, "?H1x02");
  EXPECT_TRUE(Dbx_field_in(&sc, d, "      ").null);  // an empty date stays NULL
}

}  // namespace

#include "descriptors/code_tables.h"

#include <gtest/gtest.h>

#include <string>

#include "support/table_digest.h"

namespace xbtconv {
namespace {

// Every row the table answers for codes 0 to 1023, one "code<TAB>meaning"
// line each, in code order.
std::string rowsOf(const CodeTableDescriptor& table) {
  std::string rows;
  for (int code = 0; code < 1024; ++code) {
    const CodeEntry entry = table.lookup(code);
    if (entry.code != -1) rows += std::to_string(entry.code) + "\t" + entry.meaning + "\n";
  }
  return rows;
}

TEST(CodeTables, EveryRowAsPublished) {
  EXPECT_EQ(testing::fnv1a(rowsOf(codetables::buildWindInstrumentDescriptor())),
            0x5911028de7254c25u);
  EXPECT_EQ(testing::fnv1a(rowsOf(codetables::buildCurrentMethodDescriptor())),
            0x6a79970bfccc7084u);
  EXPECT_EQ(testing::fnv1a(rowsOf(codetables::buildRecorderTypeDescriptor())), 0x0ebf0ee64d31a43fu);
  EXPECT_EQ(testing::fnv1a(rowsOf(codetables::buildDataQualityDescriptor())), 0x11aa06ac3ad91e9au);
  EXPECT_EQ(testing::fnv1a(rowsOf(codetables::buildTypeOfDataDescriptor())), 0xcabf91cef9e1b4f6u);
}

TEST(CodeTables, LookupGivesTheFirstMatchOrNoMatch) {
  const CodeTableDescriptor typeOfData = codetables::buildTypeOfDataDescriptor();
  EXPECT_STREQ(typeOfData.lookup(3).meaning, "Inflection Points");
  // A missing raw value (-1) and a code that only matches in 16 bits find
  // nothing, and "no match" is an empty text, never a null pointer.
  for (int code : {0, 4, -1, 65536 + 3}) {
    const CodeEntry none = typeOfData.lookup(code);
    EXPECT_EQ(none.code, -1);
    ASSERT_NE(none.meaning, nullptr);
    EXPECT_STREQ(none.meaning, "");
  }
  EXPECT_STREQ(codetables::buildWindInstrumentDescriptor().unit(), "FLAG TABLE");
}

}  // namespace
}  // namespace xbtconv

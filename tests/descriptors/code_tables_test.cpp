#include "descriptors/code_tables.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "descriptors/probe_type_descriptor.h"

namespace xbtconv {
namespace {

TEST(CodeTables, LookupGivesTheFirstMatchOrNoMatch) {
  const CodeTableDescriptor typeOfData = codetables::buildTypeOfDataDescriptor();
  EXPECT_STREQ(typeOfData.lookup(3).meaning, "Inflection Points");
  for (int code : {0, 4, -1}) {
    const CodeEntry none = typeOfData.lookup(code);
    EXPECT_EQ(none.code, -1);
    ASSERT_NE(none.meaning, nullptr);
    EXPECT_STREQ(none.meaning, "");
  }
  EXPECT_STREQ(typeOfData.name(), "TYPE OF DATA");
  EXPECT_EQ(typeOfData.width(), 3);
  EXPECT_FALSE(typeOfData.hasValue());

  const CodeTableDescriptor current = codetables::buildCurrentMethodDescriptor();
  EXPECT_STREQ(current.lookup(6).meaning, "Reserved");
  EXPECT_STREQ(current.lookup(0).meaning, "Reserved");
  EXPECT_STREQ(current.lookup(4).meaning,
               "Ship's set and drift determined by fixes > 6 hours but < 12 hours apart");

  const CodeTableDescriptor recorder = codetables::buildRecorderTypeDescriptor();
  EXPECT_STREQ(recorder.lookup(99).meaning, "Unknown");
  EXPECT_STREQ(recorder.lookup(71).meaning, "CSIRO Devil");
  EXPECT_EQ(recorder.lookup(7).code, -1);
  EXPECT_EQ(recorder.lookup(-1).code, -1);

  const CodeTableDescriptor wind = codetables::buildWindInstrumentDescriptor();
  EXPECT_STREQ(wind.unit(), "FLAG TABLE");
  EXPECT_STREQ(wind.lookup(5).meaning, "Certified Instruments kilometers/hour");
  EXPECT_EQ(wind.lookup(6).code, -1);

  const CodeTableDescriptor quality = codetables::buildDataQualityDescriptor();
  EXPECT_STREQ(quality.lookup(3).meaning, "Data Unfit For Use");

  // The code is widened with its sign: a code that only matches in 16 bits
  // must not match.
  EXPECT_EQ(typeOfData.lookup(65536 + 3).code, -1);
}

TEST(CodeTables, ProbeTable) {
  const ProbeTypeDescriptor probe;
  EXPECT_STREQ(probe.name(), "INSTRUMENT TYPE FOR WATER PROFILE MEASUREMENT");
  EXPECT_EQ(probe.maximum(), 1022u);

  const ProbeTypeEntry xbt7 = probe.lookup(462);
  EXPECT_STREQ(xbt7.probeName, "Sparton XBT-7");
  EXPECT_EQ(xbt7.fallRateA, 6.705);
  EXPECT_EQ(xbt7.fallRateB, -2.28);
  EXPECT_EQ(xbt7.maxDepth, -1);
  const ProbeTypeEntry xbt7a = probe.lookup(461);
  EXPECT_STREQ(xbt7a.probeName, "Sparton XBT-7");
  EXPECT_EQ(xbt7a.fallRateA, 6.472);
  EXPECT_EQ(xbt7a.fallRateB, -2.16);

  const ProbeTypeEntry t12 = probe.lookup(900);
  EXPECT_STREQ(t12.probeName, "Sippican T-12 (LMP5-T1)");
  EXPECT_EQ(t12.fallRateA, 9.727);
  EXPECT_EQ(t12.fallRateB, -0.0000473);
  EXPECT_EQ(t12.maxDepth, 2000);

  for (int code : {3, -1, 0, 1023}) {
    const ProbeTypeEntry none = probe.lookup(code);
    EXPECT_EQ(none.code, -1);
    EXPECT_EQ(none.fallRateA, -1.0);
    EXPECT_EQ(none.fallRateB, -1.0);
    EXPECT_EQ(none.maxDepth, -1);
    EXPECT_STREQ(none.probeName, "");
  }

  // 55 rows, in ascending code order, each code once.
  std::set<int> codes;
  int previous = 0;
  for (const ProbeTypeEntry& row : ProbeTypeDescriptor::rows()) {
    EXPECT_GT(row.code, previous);
    previous = row.code;
    codes.insert(row.code);
  }
  EXPECT_EQ(codes.size(), 55u);
  EXPECT_STREQ(ProbeTypeDescriptor::rows().front().probeName, "Sippican T-4");
  EXPECT_STREQ(ProbeTypeDescriptor::rows()[22].probeName, "TSK AXBT");
}

}  // namespace
}  // namespace xbtconv

#include "descriptors/probe_type_descriptor.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "support/table_digest.h"

namespace xbtconv {
namespace {

TEST(ProbeTypeDescriptor, EveryRowAsPublished) {
  const ProbeTypeDescriptor probe;
  std::string rows;
  int count = 0;
  for (int code = 0; code < 1024; ++code) {
    const ProbeTypeEntry entry = probe.lookup(code);
    if (entry.code == -1) continue;
    char row[128];
    std::snprintf(row, sizeof row, "%d\t%s\t%.7g\t%.7g\t%d\n", entry.code, entry.probeName,
                  entry.fallRateA, entry.fallRateB, entry.maxDepth);
    rows += row;
    ++count;
  }
  EXPECT_EQ(count, ProbeTypeDescriptor::kRowCount);
  EXPECT_EQ(testing::fnv1a(rows), 0xdea8650ac95832e4u);
}

TEST(ProbeTypeDescriptor, LookupOfCodesTheTableLacks) {
  const ProbeTypeDescriptor probe;
  EXPECT_STREQ(probe.name(), "INSTRUMENT TYPE FOR WATER PROFILE MEASUREMENT");
  EXPECT_EQ(probe.maximum(), 1022u);
  for (int code : {3, -1, 0, 1023, 65536 + 1}) {
    const ProbeTypeEntry none = probe.lookup(code);
    EXPECT_EQ(none.code, -1);
    EXPECT_EQ(none.fallRateA, -1.0);
    EXPECT_EQ(none.fallRateB, -1.0);
    EXPECT_EQ(none.maxDepth, -1);
    EXPECT_STREQ(none.probeName, "");
  }
}

}  // namespace
}  // namespace xbtconv

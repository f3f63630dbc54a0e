#include "relay/ledger.h"

#include <gtest/gtest.h>

#include "support/temp_directory.h"

namespace xbtconv {
namespace {

constexpr std::int64_t kMinute = 1796731500;  // 2026-12-08T12:05Z

// Draws a heading for area prefix "IOSB" and records a bulletin under it.
std::optional<AbbreviatedHeading> draw(Ledger& ledger, bool late = false, bool later = false,
                                       int iiLast = 2) {
  std::optional<AbbreviatedHeading> heading =
      ledger.freeHeading("IOSB", 1, iiLast, "KWBC", kMinute, late, later);
  if (heading) {
    const std::int64_t input = ledger.addArrival("x.bin", 0);
    const std::int64_t file = ledger.addOutboxFile(heading->text(), "out", 0);
    ledger.addBulletin(input, *heading, 0, 0, std::nullopt, file, std::nullopt);
  }
  return heading;
}

TEST(Ledger, AFullHeadingIsNeverDrawnTwice) {
  testing::TempDirectory folder;
  Ledger ledger(folder.file("ledger.sqlite"));
  // The plain heading, then the next ii, for a late bulletin too; never
  // RRA to RRX.
  EXPECT_EQ(draw(ledger)->text(), "IOSB01 KWBC 081205");
  EXPECT_EQ(draw(ledger, true)->text(), "IOSB02 KWBC 081205");
  // The minute's range used up: none, unless later minutes may be taken;
  // a late bulletin takes RRZ, once per heading.
  EXPECT_EQ(draw(ledger), std::nullopt);
  EXPECT_EQ(draw(ledger, true)->text(), "IOSB01 KWBC 081205 RRZ");
  EXPECT_EQ(draw(ledger, true)->text(), "IOSB02 KWBC 081205 RRZ");
  EXPECT_EQ(draw(ledger, true), std::nullopt);
  EXPECT_EQ(draw(ledger, false, true)->text(), "IOSB01 KWBC 081206");
  {
    // A relay started again in the same minute reads what its ledger
    // holds.
    Ledger again(folder.file("ledger.sqlite"));
    EXPECT_EQ(draw(again, true, true)->text(), "IOSB02 KWBC 081206");
    EXPECT_EQ(draw(again, false, true)->text(), "IOSB01 KWBC 081207");
  }
  // Corrections of the first bulletin under its heading: CCA, CCB ...; a
  // late one CCZ, and once that is taken, the next of the others (still a
  // correction, under a heading not sent before).
  const auto correct = [&](bool late) {
    const AbbreviatedHeading heading = *ledger.correctionHeading(1, late);
    const std::int64_t file = ledger.addOutboxFile(heading.text(), "out", 0);
    ledger.addBulletin(ledger.addArrival("c.bin", 0), heading, 0, 1, 1, file, std::nullopt);
    return heading.text();
  };
  EXPECT_EQ(correct(false), "IOSB01 KWBC 081205 CCA");
  EXPECT_EQ(correct(true), "IOSB01 KWBC 081205 CCZ");
  EXPECT_EQ(correct(true), "IOSB01 KWBC 081205 CCB");
  EXPECT_EQ(correct(false), "IOSB01 KWBC 081205 CCC");
}

TEST(Ledger, CountersContinueAcrossOpeningsAndWrap) {
  testing::TempDirectory folder;
  {
    Ledger ledger(folder.file("ledger.sqlite"));
    EXPECT_EQ(ledger.nextChannel(), 0);
    for (int i = 1; i < 999; ++i) ledger.nextChannel();
    EXPECT_EQ(ledger.nextBatchNumber(), 1);
  }
  Ledger again(folder.file("ledger.sqlite"));
  EXPECT_EQ(again.nextChannel(), 999);
  EXPECT_EQ(again.nextChannel(), 0);
  EXPECT_EQ(again.nextBatchNumber(), 2);
}

TEST(Ledger, SaysEachSettledInputOnceAndTakesOverALedgerOfTheFirstVersion) {
  testing::TempDirectory folder;
  const auto settle = [](Ledger& ledger, const char* name) {
    const std::int64_t id = ledger.addArrival(name, 0);
    Decision decision;
    decision.outcome = "failed";
    ledger.decide(id, decision, 0);
    ledger.finish(id, std::string("failed/") + name, 0);
  };
  {
    Ledger ledger(folder.file("ledger.sqlite"));
    settle(ledger, "a.bin");
    ledger.addArrival("b.bin", 0);  // under way: nothing to say yet
    ASSERT_EQ(ledger.unsaidEntries(0).size(), 1U);
    EXPECT_EQ(ledger.unsaidEntries(0)[0].place, "failed/a.bin");
    ledger.markSaid();
    EXPECT_TRUE(ledger.unsaidEntries(0).empty());
    settle(ledger, "c.bin");
    // Made a ledger of the first version, which knew nothing of what was said.
    ledger.database().execute(
        "DROP INDEX inputs_unlogged; ALTER TABLE inputs DROP COLUMN logged; "
        "PRAGMA user_version = 1");
  }
  // What it settled counts as said; what it settles from now on is said.
  Ledger ledger(folder.file("ledger.sqlite"));
  EXPECT_TRUE(ledger.unsaidEntries(0).empty());
  settle(ledger, "d.bin");
  ASSERT_EQ(ledger.unsaidEntries(0).size(), 1U);
  EXPECT_EQ(ledger.unsaidEntries(0)[0].input, "d.bin");
}

}  // namespace
}  // namespace xbtconv

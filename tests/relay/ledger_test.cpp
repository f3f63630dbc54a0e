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
        "DROP INDEX inputs_unlogged; ALTER TABLE inputs DROP COLUMN logged; DROP TABLE "
        "notifications; DROP TABLE notification_messages; DROP TABLE records; PRAGMA "
        "user_version = 1");
  }
  // What it settled counts as said; what it settles from now on is said.
  Ledger ledger(folder.file("ledger.sqlite"));
  EXPECT_TRUE(ledger.unsaidEntries(0).empty());
  settle(ledger, "d.bin");
  ASSERT_EQ(ledger.unsaidEntries(0).size(), 1U);
  EXPECT_EQ(ledger.unsaidEntries(0)[0].input, "d.bin");
}

// A notification waits with its message, in order, until published, also
// when a relay of the version before left it waiting; the broker gets the
// message as first written, however often its state changed.
TEST(Ledger, NotificationsWaitWithTheirMessagesAcrossAnUpgrade) {
  testing::TempDirectory folder;
  const auto note = [](Ledger& ledger, const char* uuid, const char* state) {
    Notification n;
    n.uuid = uuid;
    n.topic = "origin/a/wis2/xx/data";
    n.message = std::string(5000, uuid[0]);
    n.file = std::string(uuid) + ".bufr4";
    n.state = state;
    n.createdMs = 7;
    ledger.addNotification(n);
  };
  {
    Ledger ledger(folder.file("ledger.sqlite"));
    note(ledger, "a", "written");
    note(ledger, "b", "waiting");
    note(ledger, "c", "waiting");
    ledger.setNotificationState(1, "waiting", 8);
    ledger.setNotificationState(3, "published", 9);
    // Made a ledger of the version that kept the message in the row.
    ledger.database().execute(
        "ALTER TABLE notifications ADD COLUMN message TEXT; UPDATE notifications SET message = "
        "(SELECT message FROM notification_messages AS m WHERE m.id = notifications.id); DROP "
        "TABLE notification_messages; PRAGMA user_version = 4");
  }
  Ledger ledger(folder.file("ledger.sqlite"));
  note(ledger, "d", "waiting");
  const std::vector<Notification> waiting = ledger.notificationsAt("waiting");
  ASSERT_EQ(waiting.size(), 3U);
  for (std::size_t i = 0; i < waiting.size(); ++i) {
    const char uuid = "abd"[i];
    EXPECT_EQ(waiting[i].uuid, std::string(1, uuid));
    EXPECT_EQ(waiting[i].message, std::string(5000, uuid));
  }
  EXPECT_EQ(ledger.notificationsAt("waiting", waiting[0].id, 1)[0].uuid, "b");
  EXPECT_EQ(ledger.notificationsWaiting(),
            std::make_pair(std::int64_t{3}, std::optional<std::int64_t>(7)));
  EXPECT_TRUE(ledger.anyNotificationWaiting());
  for (const Notification& n : waiting) ledger.setNotificationState(n.id, "published", 10);
  EXPECT_FALSE(ledger.anyNotificationWaiting());
}

}  // namespace
}  // namespace xbtconv

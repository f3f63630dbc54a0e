// Hostile directories: entries that are not messages, reports that cannot
// be written. None may stop, hang or spoil the run, and every failure the
// converter can see is printed. The tests run as root in CI, so they use
// means root cannot bypass (directories, FIFOs, links, /dev/full) rather
// than permission bits.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "decoding/jjvv_message.h"
#include "report/report_assembly.h"
#include "support/message_builder.h"
#include "support/temp_directory.h"

namespace xbtconv {
namespace {

using testing::runXbtconv;
using testing::TempDirectory;

std::vector<std::uint8_t> goodMessage() {
  testing::StandardFields fields;
  fields.temperatures = {2400, 2300, 2200};
  return testing::standardMessage(fields);
}

std::string goodReport() {
  JjvvMessage message;
  message.decode(testing::bufferOf(goodMessage()));
  return reportText(message);
}

// Each bad entry is followed, in name order, by a good message, which must
// still get its correct report.
TEST(FaultInjection, EntriesThatAreNotMessagesGetTheirNameLineOnly) {
  TempDirectory directory;
  std::filesystem::create_directory(directory.file("a-directory.bin"));
  ASSERT_EQ(mkfifo(directory.file("b-fifo.bin").c_str(), 0600), 0);
  std::filesystem::create_symlink(directory.file("nowhere"), directory.file("c-dangling.bin"));
  std::filesystem::create_symlink("/dev/zero", directory.file("d-device.bin"));
  directory.write("e-empty.bin", std::string());
  directory.write("f-ten-bytes.bin", std::string(10, '\xFF'));
  std::vector<std::uint8_t> kind258 = goodMessage();
  kind258[9] = 253;
  kind258[10] = 2;
  directory.write("g-kind-258.bin", kind258);
  std::vector<std::uint8_t> byte251 = goodMessage();
  byte251[9] = 251;
  directory.write("h-byte9-251.bin", byte251);
  std::string expected;
  for (const char* bad : {"a-directory", "b-fifo", "c-dangling", "d-device", "e-empty",
                          "f-ten-bytes", "g-kind-258", "h-byte9-251"}) {
    directory.write(std::string(bad) + ".then-good.bin", goodMessage());
    expected += "\n" + std::string(bad) + ".bin\n" + bad + ".then-good.bin";
  }

  const testing::RunResult run = runXbtconv({directory.path()}, "/", 20);
  EXPECT_EQ(run.out, expected);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.status, 0);
  for (const char* bad : {"a-directory", "b-fifo", "c-dangling", "d-device", "e-empty",
                          "f-ten-bytes", "g-kind-258", "h-byte9-251"}) {
    EXPECT_FALSE(directory.exists(std::string(bad) + ".bin.srp")) << bad;
    EXPECT_EQ(directory.read(std::string(bad) + ".then-good.bin.srp"), goodReport()) << bad;
  }
}

TEST(FaultInjection, ReportsThatCannotBeWrittenArePrinted) {
  TempDirectory directory;
  directory.write("a.bin", goodMessage());
  std::filesystem::create_directory(directory.file("a.bin.srp"));  // cannot be created
  directory.write("b.bin", goodMessage());
  std::filesystem::create_symlink("/dev/full", directory.file("b.bin.srp"));  // fails on write
  directory.write("c.bin", goodMessage());
  directory.write("c.bin.srp", std::string(100000, '#'));  // replaced whole
  const testing::RunResult run = runXbtconv({directory.path()}, "/");
  EXPECT_EQ(run.out, "\na.binCan not write file " + directory.file("a.bin.srp") +
                         "\r\n\nb.binCan not write file " + directory.file("b.bin.srp") +
                         "\r\n\nc.bin");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(directory.read("c.bin.srp"), goodReport());
}

}  // namespace
}  // namespace xbtconv

// Hostile directories: entries that are not messages or cannot be read.
// None may stop, hang or spoil the run. The tests run as root in CI, so they use
// means root cannot bypass (directories, FIFOs, links) rather
// than permission bits.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/message_checks.h"
#include "support/process_runner.h"
#include "support/temp_directory.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace xbtconv {
namespace {

using testing::runXbtconv;
using testing::TempDirectory;

std::vector<std::uint8_t> goodMessage() {
  testing::StandardFields fields;
  fields.temperatures = {2400, 2300, 2200};
  return testing::standardMessage(fields);
}

std::string goodReport() { return testing::reportOf(goodMessage()); }

// Each bad entry is followed, in name order, by a good message, which must
// still get its correct report.
TEST(FaultInjection, EntriesThatAreNotMessagesGetTheirNameLineOnly) {
  TempDirectory directory;
  std::vector<std::string> bad = {"a-directory", "e-empty", "f-ten-bytes", "g-kind-258",
                                  "h-byte9-251"};
  std::filesystem::create_directory(directory.file("a-directory.bin"));
#ifndef _WIN32
  ASSERT_EQ(mkfifo(directory.file("b-fifo.bin").c_str(), 0600), 0);
  std::filesystem::create_symlink(directory.file("nowhere"), directory.file("c-dangling.bin"));
  std::filesystem::create_symlink("/dev/zero", directory.file("d-device.bin"));
  bad.insert(bad.begin() + 1, {"b-fifo", "c-dangling", "d-device"});
#endif
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
  for (const std::string& name : bad) {
    directory.write(name + ".then-good.bin", goodMessage());
    expected += "\n" + name + ".bin\n" + name + ".then-good.bin";
  }

  const testing::RunResult run = runXbtconv({directory.path()}, "/", 20);
  EXPECT_EQ(run.out, expected);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.status, 0);
  for (const std::string& name : bad) {
    EXPECT_FALSE(directory.exists(name + ".bin.srp")) << name;
    EXPECT_EQ(directory.read(name + ".then-good.bin.srp"), goodReport()) << name;
  }
}

}  // namespace
}  // namespace xbtconv

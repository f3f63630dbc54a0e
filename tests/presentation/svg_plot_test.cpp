// The plots as a person sees them: each one rendered by a real SVG renderer
// shows the curve where the data puts it, gaps as gaps, the frame, and
// says so when there is nothing to draw; the index lists every file and
// its links lead somewhere.
#include "xbtconv/formats.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "example_messages.h"
#include "support/message_builder.h"
#include "support/process_runner.h"
#include "support/temp_directory.h"

namespace xbtconv {
namespace {

using testing::TempDirectory;

#ifndef _WIN32
testing::RunResult runXbt(const std::vector<std::string>& arguments) {
  return testing::runProgram(XBT_EXECUTABLE, arguments, "/");
}

TEST(SvgPlot, RenderedPlotsShowTheDataAndTheIndexListsEveryFile) {
  TempDirectory directory;
  int inputs = 0;
  for (const examples::ExampleFile& file : examples::exampleFiles()) {
    directory.write(file.name, file.bytes);
    ++inputs;
  }
  // Three samples without a value between warm and cold ones.
  testing::StandardFields gap;
  gap.typeOfData = 2;
  gap.temperatures = {2900, 2850, testing::kAllOnes, testing::kAllOnes, testing::kAllOnes,
                      1500, 1400};
  directory.write("gap.bin", testing::standardMessage(gap));
  testing::StandardFields empty;
  directory.write("empty.bin", testing::standardMessage(empty));
  // A probe without a fall rate: samples by number.
  testing::StandardFields numbered;
  numbered.probeType = 261;
  numbered.temperatures = {2000, 1990, 1700, 1200};
  directory.write("numbered.bin", testing::standardMessage(numbered));
  inputs += 3;
  testing::runXbtconv({directory.path()}, "/");
  runXbt({"export", "--format", "json", directory.path()});

  const testing::RunResult run = runXbt({"plot", "-o", directory.file("plots"), directory.path()});
  EXPECT_EQ(run.status, 1) << "two examples are cut short";
  directory.write("all.jsonl",
                  runXbt({"export", "--format", "json", "--stdout", directory.path()}).out);
  const std::string command =
      "/usr/bin/python3 " XBTCONV_TEST_DATA "/presentation/check_plots.py " +
      directory.file("plots") + " " + directory.file("all.jsonl") + " " + std::to_string(inputs);
  EXPECT_EQ(std::system(command.c_str()), 0);
  const std::string index = directory.read("plots/index.html");
  EXPECT_NE(index.find("not a message"), std::string::npos);
  EXPECT_NE(index.find("decode stopped at bit 478 of 480 (cut short)"), std::string::npos);
}
#endif

}  // namespace
}  // namespace xbtconv

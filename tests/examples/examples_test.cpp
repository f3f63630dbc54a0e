// The bundled examples: the files in examples/ are exactly what the example
// generator makes, and converting a copy of them gives the console output
// and the reports kept under tests/golden/examples/, which were checked by
// hand, as was the header of an example's netCDF export there.
// XBTCONV_UPDATE_GOLDEN=1 rewrites the golden files.
#include "example_messages.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "support/process_runner.h"
#include "support/temp_directory.h"
#include "xbtconv/formats.h"

namespace xbtconv {
namespace {

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void expectGolden(const std::string& name, const std::string& actual) {
  const std::string path = std::string(XBTCONV_TEST_DATA) + "/golden/examples/" + name;
  if (std::getenv("XBTCONV_UPDATE_GOLDEN") != nullptr) {
    std::ofstream(path, std::ios::binary) << actual;
  }
  EXPECT_EQ(actual, readFile(path)) << name;
}

TEST(Examples, FilesAreWhatTheGeneratorMakes) {
  for (const examples::ExampleFile& file : examples::exampleFiles()) {
    const std::string onDisk = readFile(std::string(XBTCONV_EXAMPLES) + "/" + file.name);
    EXPECT_EQ(onDisk, std::string(file.bytes.begin(), file.bytes.end()))
        << file.name << ": run make_examples examples";
  }
}

TEST(Examples, ConvertToTheGoldenReports) {
  testing::TempDirectory directory;
  for (const examples::ExampleFile& file : examples::exampleFiles()) {
    directory.write(file.name, file.bytes);
  }
  const testing::RunResult run = testing::runXbtconv({directory.path()}, "/");
  expectGolden("console.txt", run.out);
  EXPECT_EQ(run.status, 0);
  for (const examples::ExampleFile& file : examples::exampleFiles()) {
    const std::string report = file.name + ".srp";
    if (file.name == "not_a_message.bin") {
      EXPECT_FALSE(directory.exists(report));
    } else {
      expectGolden(report, directory.read(report));
    }
  }
}

TEST(Examples, NetcdfHeaderAsPublished) {
  if (!netcdfAvailable()) GTEST_SKIP() << "this build has no netCDF export";
  testing::TempDirectory directory;
  const std::string name = "standard_two_meter";
  directory.write(name + ".bin", readFile(std::string(XBTCONV_EXAMPLES) + "/" + name + ".bin"));
  // Given by a relative name, which the profile's identity keeps.
  ASSERT_EQ(testing::runProgram(XBT_EXECUTABLE, {"export", "--format", "netcdf", name + ".bin"},
                                directory.path())
                .status,
            0);
  std::string header = testing::runProgram("ncdump", {"-h", directory.file(name + ".nc")}, "/").out;
  // The version the file names changes with each release.
  const std::string version = XBTCONV_VERSION;
  ASSERT_NE(header.find(version), std::string::npos);
  for (std::size_t at = header.find(version); at != std::string::npos;
       at = header.find(version, at)) {
    header.replace(at, version.size(), "VERSION");
  }
  expectGolden(name + ".cdl", header);
}

}  // namespace
}  // namespace xbtconv

// The netCDF export as archives and analysis tools read it: xarray, with CF
// decoding on, finds in every profile what the JSON export says, whether
// the profiles come one to a file or 10,000 in one collection.
#include "formats/netcdf_export.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "support/process_runner.h"
#include "support/random_fields.h"
#include "support/temp_directory.h"

namespace xbtconv {
namespace {

using testing::TempDirectory;

testing::RunResult runXbt(const std::vector<std::string>& arguments) {
  return testing::runProgram(XBT_EXECUTABLE, arguments, "/");
}

#ifndef _WIN32
TEST(NetcdfExport, XarrayReadsTheJsonExportsValuesFromFilesAndACollection) {
  TempDirectory directory;
  std::mt19937_64 random(20261213);
  // A file each for every 50th message, named on the command line.
  std::vector<std::string> eachInAFile = {
      "export", "--format",   "netcdf", "--partial",         "--keep-incomplete",
      "--now",  "2026-12-01", "-o",     directory.file("nc")};
  for (int i = 0; i < 10000; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "m%05d.bin", i);
    directory.write(name, testing::randomBatchMessage(random, i));
    if (i % 50 == 0) eachInAFile.push_back(directory.file(name));
  }
  const testing::RunResult collection =
      runXbt({"export", "--format", "netcdf", "--partial", "--keep-incomplete", "--now",
              "2026-12-01", "--collection", directory.file("all.nc"), directory.path()});
  EXPECT_EQ(collection.status, 1) << "some are cut short";
  EXPECT_EQ(runXbt(eachInAFile).status, 1);
  // By default only whole profiles with a time, a position and depths.
  const testing::RunResult complete =
      runXbt({"export", "--format", "netcdf", "--now", "2026-12-01", "--collection",
              directory.file("complete.nc"), directory.path()});
  EXPECT_NE(complete.err.find(": no position; not exported (--keep-incomplete exports it)\n"),
            std::string::npos);
  directory.write("all.jsonl", runXbt({"export", "--format", "json", "--now", "2026-12-01",
                                       "--stdout", directory.path()})
                                   .out);
  const std::string check = "/usr/bin/python3 " XBTCONV_TEST_DATA "/formats/check_netcdf.py " +
                            directory.file("all.jsonl");
  EXPECT_EQ(std::system((check + " --collection " + directory.file("all.nc")).c_str()), 0);
  EXPECT_EQ(std::system((check + " --files " + directory.file("nc") + " 50").c_str()), 0);
  EXPECT_EQ(std::system((check + " --complete " + directory.file("complete.nc")).c_str()), 0);
}
#endif

// Where the library is missing (the Windows build), the format is refused
// as a usage error, with the reason.
TEST(NetcdfExport, ABuildWithoutTheLibrarySaysSo) {
  if (netcdfAvailable()) GTEST_SKIP() << "this build writes netCDF";
  const testing::RunResult run = runXbt({"export", "--format", "netcdf", "x.bin"});
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("netCDF export is not available in this build"), std::string::npos);
}

}  // namespace
}  // namespace xbtconv

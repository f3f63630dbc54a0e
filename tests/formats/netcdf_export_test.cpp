// The netCDF export as archives and analysis tools read it: xarray, with CF
// decoding on, finds in every profile what the JSON export says, whether
// the profiles come one to a file or 10,000 in one collection, in either
// layout; the files pass CF 1.8, ACDD 1.3 and NCEI's profile template as an
// archive's checker judges them; and a profile's id is the same however
// the run named its folder.
#include "formats/netcdf_export.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "support/process_runner.h"
#include "support/random_fields.h"
#include "support/temp_directory.h"
#include "xbtconv/reading.h"

namespace xbtconv {
namespace {

using testing::TempDirectory;

testing::RunResult runXbt(const std::vector<std::string>& arguments) {
  return testing::runProgram(XBT_EXECUTABLE, arguments, "/");
}

#ifndef _WIN32
// xbt as a centre archiving its profiles runs it, saying who it is and
// when it made the files (as the README's example does).
testing::RunResult asCentre(std::vector<std::string> arguments) {
  for (const char* attribute :
       {"institution=Example Ocean Data Centre", "creator_name=Example Ocean Data Centre",
        "creator_email=data@example.org", "creator_url=https://example.org",
        "publisher_name=Example Ocean Data Centre", "publisher_email=data@example.org",
        "publisher_url=https://example.org", "license=CC-BY-4.0",
        "project=Ship of Opportunity Programme", "creator_type=institution",
        "publisher_type=institution", "naming_authority=org.example"}) {
    arguments.insert(arguments.begin() + 1, {"--attribute", attribute});
  }
  arguments.insert(arguments.begin() + 1, {"--date-created", "2026-12-01T00:00Z"});
  return runXbt(arguments);
}

const std::string kCheckConventions =
    "/usr/bin/python3 " XBTCONV_TEST_DATA "/formats/check_conventions.py ";

TEST(NetcdfExport, AnArchiveTakesTheExampleInEitherLayout) {
  TempDirectory directory;
  // Sampled at one every 100 s, the probe's fall-rate depths pass the
  // parabola's turning point: above the surface, outside the valid range,
  // outside the coverage.
  EXPECT_EQ(runXbt({"export", "--format", "netcdf", "--sample-rate", "0.01", "-o",
                    directory.file("slow"), XBTCONV_EXAMPLES "/standard_full_resolution.bin"})
                .status,
            0);
  EXPECT_EQ(std::system((kCheckConventions + "--least 0 " + directory.file("slow") +
                         "/standard_full_resolution.nc")
                            .c_str()),
            0);
  for (const char* layout : {"ragged", "incomplete"}) {
    EXPECT_EQ(asCentre({"export", "--format", "netcdf", "--layout", layout, "-o",
                        directory.file(layout), XBTCONV_EXAMPLES "/standard_two_meter.bin"})
                  .status,
              0);
    EXPECT_EQ(std::system(
                  (kCheckConventions + directory.file(layout) + "/standard_two_meter.nc").c_str()),
              0)
        << layout;
  }
}

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
  for (const char* layout : {"ragged", "incomplete"}) {
    const testing::RunResult collection =
        asCentre({"export", "--format", "netcdf", "--partial", "--keep-incomplete", "--now",
                  "2026-12-01", "--layout", layout, "--collection",
                  directory.file(layout + std::string(".nc")), directory.path()});
    EXPECT_EQ(collection.status, 1) << "some are cut short";
  }
  EXPECT_EQ(asCentre(eachInAFile).status, 1);
  // By default only whole profiles with a time, a position and depths.
  const testing::RunResult complete =
      asCentre({"export", "--format", "netcdf", "--now", "2026-12-01", "--collection",
                directory.file("complete.nc"), directory.path()});
  EXPECT_NE(complete.err.find(": no position; not exported (--keep-incomplete exports it)\n"),
            std::string::npos);
  directory.write("all.jsonl", runXbt({"export", "--format", "json", "--now", "2026-12-01",
                                       "--stdout", directory.path()})
                                   .out);
  const std::string check = "/usr/bin/python3 " XBTCONV_TEST_DATA "/formats/check_netcdf.py " +
                            directory.file("all.jsonl");
  for (const char* layout : {"ragged.nc", "incomplete.nc"}) {
    EXPECT_EQ(std::system((check + " --collection " + directory.file(layout)).c_str()), 0);
  }
  EXPECT_EQ(std::system((check + " --files " + directory.file("nc") + " 50").c_str()), 0);
  EXPECT_EQ(std::system((check + " --complete " + directory.file("complete.nc")).c_str()), 0);
  // Random messages lack this and that: no failure of CF or of a
  // high-priority rule, whatever the score.
  EXPECT_EQ(std::system((kCheckConventions + "--least 0 " + directory.file("ragged.nc") + " " +
                         directory.file("incomplete.nc") + " " + directory.file("complete.nc") +
                         " " + directory.file("nc/m00050.nc"))
                            .c_str()),
            0);
}

// Drops on one latitude, on one longitude, at one point and one time: each
// discovery attribute says so, and geospatial_bounds reads back as the
// geometry they make (a line, a point), never a box of no area.
TEST(NetcdfExport, DegenerateGeometriesReadBackAsWhatTheyAre) {
  TempDirectory directory;
  for (const char* shape : {"latitude", "longitude", "point"}) {
    std::filesystem::create_directories(directory.file(shape));
  }
  const auto drop = [&](const std::string& name, double latitude, double longitude, int day) {
    testing::StandardFields fields;
    fields.header.latitude = static_cast<std::uint64_t>((latitude + 90) * 100000);
    fields.header.longitude = static_cast<std::uint64_t>((longitude + 180) * 100000);
    fields.header.day = static_cast<std::uint64_t>(day);
    fields.points = {{20, 2000}, {40, 1900}};
    fields.typeOfData = 3;
    directory.write(name, testing::standardMessage(fields));
  };
  drop("latitude/a.bin", 30, -40, 1);
  drop("latitude/b.bin", 30, -30.5, 9);
  drop("longitude/a.bin", 20.25, -40, 1);
  drop("longitude/b.bin", 30, -40, 9);
  drop("point/a.bin", 30, -40, 1);
  drop("point/b.bin", 30, -40, 1);
  const std::string read =
      "import sys, netCDF4\n"
      "sys.path.insert(0, '" XBTCONV_TEST_DATA
      "/formats')\n"
      "from check_conventions import wkt_points\n"
      "d = netCDF4.Dataset(sys.argv[1])\n"
      "(shape, points), valid = wkt_points(d.geospatial_bounds)\n"
      "print(shape, points, valid, d.geospatial_lat_min, d.geospatial_lat_max,\n"
      "      d.geospatial_lon_min, d.geospatial_lon_max, d.time_coverage_duration,\n"
      "      d.geospatial_lat_resolution, d.geospatial_vertical_min, d.geospatial_vertical_max)\n";
  std::string said;
  for (const char* shape : {"latitude", "longitude", "point"}) {
    const std::string file = directory.file(std::string(shape) + ".nc");
    ASSERT_EQ(asCentre({"export", "--format", "netcdf", "-q", "--layout", "incomplete",
                        "--collection", file, directory.file(shape)})
                  .status,
              0);
    EXPECT_EQ(std::system((kCheckConventions + file).c_str()), 0) << shape;
    said += testing::runProgram("/usr/bin/python3", {"-c", read, file}, "/").out;
  }
  EXPECT_EQ(said,
            "LINESTRING [(30.0, -40.0), (30.0, -30.5)] True 30.0 30.0 -40.0 -30.5 PT691200S point "
            "20.0 40.0\n"
            "LINESTRING [(20.25, -40.0), (30.0, -40.0)] True 20.25 30.0 -40.0 -40.0 PT691200S "
            "point 20.0 40.0\n"
            "POINT [(30.0, -40.0)] True 30.0 30.0 -40.0 -40.0 PT0S point 20.0 40.0\n");
}

// A profile's id is its file's path below the folder the run was given:
// the same whether that folder is named relative, absolute or from
// elsewhere, unique in a collection of files of the same name, never a
// path of the machine above the folder.
TEST(NetcdfExport, ProfileIdsAreThePathsBelowTheFolderGiven) {
  TempDirectory directory;
  const std::vector<std::uint8_t> message = testing::standardMessage(testing::StandardFields{});
  for (const char* name : {"in/A/x.bin", "in/B/x.bin", "in/x.bin"}) {
    std::filesystem::create_directories(directory.file(std::filesystem::path(name).parent_path()));
    directory.write(name, message);
  }
  const auto written = [&] {
    return testing::runProgram("/usr/bin/python3",
                               {"-c",
                                "import sys, xarray; print(' '.join(xarray.open_dataset("
                                "sys.argv[1]).profile_id.values))",
                                directory.file("all.nc")},
                               "/")
        .out;
  };
  const auto ids = [&](const std::vector<std::string>& paths, const std::string& from) {
    std::vector<std::string> arguments = {
        "export", "--format", "netcdf", "-r", "-q", "--collection", directory.file("all.nc")};
    arguments.insert(arguments.end(), paths.begin(), paths.end());
    EXPECT_EQ(testing::runProgram(XBT_EXECUTABLE, arguments, from).status, 0);
    return written();
  };
  // (All of one time: in the order of their ids.)
  const std::string expected = "A/x.bin B/x.bin x.bin\n";
  EXPECT_EQ(ids({directory.file("in")}, "/"), expected);
  EXPECT_EQ(ids({"in"}, directory.path()), expected);
  EXPECT_EQ(ids({"."}, directory.file("in")), expected);
  EXPECT_EQ(ids({"../"}, directory.file("in/A")), expected);
  // Several folders: the paths below the folder that holds them all.
  EXPECT_EQ(ids({directory.file("in/B"), directory.file("in/A/x.bin")}, "/"), "A/x.bin B/x.bin\n");
  // The library gives a path named twice a second id of its own.
  Observation twice;
  twice.source = "x.bin";
  twice.path = directory.file("in/x.bin");
  ASSERT_TRUE(writeNetcdf(directory.file("all.nc"), {twice, twice}, NetcdfOptions{}).ok());
  EXPECT_EQ(written(), "x.bin x.bin#2\n");
}
#endif

// A collection larger than its memory goes on in its scratch file and is
// read back from it: spooled a hundred bytes at a time, it writes the file
// a collection held in memory writes.
TEST(NetcdfExport, ACollectionSpilledToItsScratchFileWritesTheSameFile) {
  if (!netcdfAvailable()) GTEST_SKIP() << "no netCDF in this build";
  TempDirectory directory;
  std::mt19937_64 random(20261208);
  NetcdfCollection inMemory(directory.file("memory.nc"));
  NetcdfCollection spilled(directory.file("spilled.nc"), "", 100);
  ReadOptions options;
  options.now = 1796083200;  // 2026-12-01
  for (int i = 0; i < 300; ++i) {
    const std::vector<std::uint8_t> bytes = testing::randomBatchMessage(random, i);
    const ReadResult read =
        readMessage(bytes.data(), bytes.size(), "m" + std::to_string(i) + ".bin", options);
    if (!read.observation) continue;
    inMemory.add(*read.observation);
    spilled.add(*read.observation);
  }
  std::string error;
  ASSERT_TRUE(inMemory.write(directory.file("memory.nc"), {}, error)) << error;
  ASSERT_TRUE(spilled.write(directory.file("spilled.nc"), {}, error)) << error;
  EXPECT_GT(inMemory.size(), 250U);
  EXPECT_EQ(directory.read("memory.nc"), directory.read("spilled.nc"));
}

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

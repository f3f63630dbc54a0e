// Runs the real xbt executable as a user or a script would and checks what
// it writes, prints and returns.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
#endif
#include <map>
#include <random>
#include <set>

#include "decoding/jjvv2_message.h"
#include "formats/json_export.h"
#include "pipeline/inputs/directory_listing.h"
#include "profile/observation_builder.h"
#include "profile/utc_time.h"
#include "support/message_checks.h"
#include "support/process_runner.h"
#include "support/random_fields.h"
#include "support/temp_directory.h"
#include "xbtconv/formats.h"
#include "xbtconv/qc.h"
#include "xbtconv/reading.h"

namespace xbtconv {
namespace {

using testing::TempDirectory;
namespace fs = std::filesystem;

testing::RunResult runXbt(const std::vector<std::string>& arguments,
                          const std::string& workingDirectory = "/") {
  return testing::runProgram(XBT_EXECUTABLE, arguments, workingDirectory);
}

std::vector<std::uint8_t> goodMessage() {
  testing::StandardFields fields;
  fields.header.callSign = "A,\"B";  // a field CSV must quote
  fields.temperatures = {2400, 2300};
  return testing::standardMessage(fields);
}

// A directory of every kind of input: two good messages, one cut short,
// a text file and a ten-byte file named *.bin, and one that is not *.bin.
void fillDirectory(const TempDirectory& directory) {
  directory.write("a.bin", goodMessage());
  directory.write("b.BIN", testing::extendedMessage(testing::ExtendedFields{}));
  directory.write("c.bin", testing::cutAt(goodMessage(), 60));
  directory.write("d.bin", std::string("a text file, no message"));
  directory.write("e.bin", std::string(10, '\xFF'));
  directory.write("f.txt", goodMessage());
}

TEST(XbtRun, ExportWritesBesideTheInputsAndSaysWhatFailed) {
  TempDirectory directory;
  fillDirectory(directory);
  const testing::RunResult run = runXbt({"export", "--format", "json", directory.path()});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err,
            "xbt: " + directory.file("c.bin") +
                ": decode stopped at bit 478 of 480 (cut short); written with \"decoded\": "
                "false\nxbt: " +
                directory.file("c.bin") + ": warning: the same drop as " + directory.file("a.bin") +
                "\nxbt: " + directory.file("d.bin") +
                ": not a message\nxbt: " + directory.file("e.bin") + ": shorter than 11 bytes\n" +
                "xbt: exported 2, failed 1 (written with \"decoded\": false), skipped 2\n");
  bool read = false;
  const auto message = testing::decoded(goodMessage(), &read);
  Observation expected = buildObservation(*message, read, "a.bin");
  runQualityControl(expected, currentUtcSeconds());
  EXPECT_EQ(directory.read("a.json"), toJson(expected) + "\n");
  EXPECT_NE(directory.read("c.json").find("\"decoded\":false"), std::string::npos);
  EXPECT_TRUE(directory.exists("b.json"));
  EXPECT_FALSE(directory.exists("d.json"));
  EXPECT_FALSE(directory.exists("f.json"));
}

TEST(XbtRun, StandardOutputFolderAndFilesGivenByName) {
  TempDirectory directory;
  fillDirectory(directory);
  testing::RunResult run = runXbt(
      {"export", "--format", "csv", "--stdout", directory.file("a.bin"), directory.file("b.BIN")});
  EXPECT_EQ(run.status, 0);
  // One header; the extended message has no samples, so one row without
  // sample values. Both samples are shallower than 3.6 m: flagged 3.
  EXPECT_EQ(run.out,
            "source,kind,time,latitude,longitude,call_sign,probe_code,sample,depth_m,"
            "temperature_c,depth_qc,temperature_qc,decoded,profile_qc\r\n"
            "a.bin,1,2004-12-31T23:59:00Z,12.5,-45.25,\"A,\"\"B\",52,1,0.0,20.0,1,3,true,1\r\n"
            "a.bin,1,2004-12-31T23:59:00Z,12.5,-45.25,\"A,\"\"B\",52,2,0.67,19.0,1,3,true,1\r\n"
            "b.BIN,2,2004-12-31T23:59:00Z,12.5,-45.25,VRZN9,52,,,,,,true,1\r\n");

  run = runXbt({"export", "--format", "json", "-o", directory.file("out/json"),
                directory.file("a.bin"), directory.file("d.bin"), directory.file("absent.bin")});
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(directory.exists("out/json/a.json"));
  EXPECT_EQ(run.err, "xbt: " + directory.file("d.bin") +
                         ": not a message\nxbt: " + directory.file("absent.bin") +
                         ": cannot open: No such file or directory\n"
                         "xbt: exported 1, failed 2, skipped 0\n");
}

// What the command line does not take is refused with exit status 2 and
// one line that says why, with the nearest word where there is one.
TEST(XbtRun, UsageHelpAndVersion) {
  const std::string m = XBTCONV_EXAMPLES "/standard_two_meter.bin";
  const std::string rate = "a sampling rate is a number of samples per second above 0, not '";
  // The relay is no part of a build without SQLite (Windows).
  const bool relay = runXbt({"help", "relay"}).status == 0;
  std::vector<std::pair<std::vector<std::string>, std::string>> refused = {
      {{},
       std::string("xbt: which command? export, convert, plot, qc") +
           (relay ? ", info or relay" : " or info") + " (xbt --help says what each does)\n"},
      {{"-v"}, "xbt: xbt has no option '-v' (xbt --help lists them)\n"},
      {{"info"},
       "xbt: info needs a PATH, a message file or a folder of them (xbt info --help says "
       "more)\n"},
      {{"info", m, "-j"}, "xbt: --jobs needs a value (xbt info --help says which)\n"},
      {{"info", "-j", "2", "-j", "3", m}, "xbt: --jobs is given more than once\n"},
      {{"info", "-q=3", m}, "xbt: -q takes no value\n"},
      {{"info", "-leading.bin"},
       "xbt: xbt info has no option '-l'; a name that begins with '-' goes after '--': xbt info "
       "-- -leading.bin\n"},
      {{"convert", "--progress", "sometimes", m},
       "xbt: --progress: 'sometimes' is not a progress mode (auto, always or never)\n"},
      {{"frobnicate"}, "xbt: 'frobnicate' is not an xbt command (xbt --help lists them)\n"},
      {{"exprot", m},
       "xbt: 'exprot' is not an xbt command; did you mean 'export'? (xbt --help lists them)\n"},
      {{"help", "exprot"},
       "xbt: 'exprot' is not an xbt command; did you mean 'export'? (xbt --help lists them)\n"},
      {{"export", "--formt", "json", m},
       "xbt: xbt export has no option '--formt'; did you mean '--format'? (xbt export --help "
       "lists them)\n"},
      {{"export", m},
       "xbt: export needs --format json, csv, bufr or netcdf (xbt export --help says more)\n"},
      {{"export", "--format", "jsn", m},
       "xbt: --format: 'jsn' is not a format; did you mean 'json'? (json, csv, bufr or "
       "netcdf)\n"},
      {{"export", "--format", "json", "--centre", "98", m},
       "xbt: --centre is for --format bufr only\n"},
      {{"export", "--format", "csv", "--attribute", "a=b", m},
       "xbt: --attribute is for --format netcdf only\n"},
      {{"export", "--format", "json", "--partial", m},
       "xbt: --partial is for --format bufr and netcdf only (JSON and CSV export every "
       "message)\n"},
      {{"export", "--format", "json", "--collection", "all.nc", m},
       "xbt: --collection is for --format netcdf only\n"},
      {{"export", "--format", "netcdf", "--stdout", m},
       "xbt: netCDF does not go to standard output; --collection FILE.nc gathers all messages\n"},
      {{"export", "--format", "json", "--stdout", "-o", "out", m},
       "xbt: --output-dir and --stdout cannot go together\n"},
      {{"plot", "--sample-rate", "10Hz", m}, "xbt: --sample-rate: " + rate + "10Hz'\n"},
      {{"plot", "--sample-rate", "nan", m}, "xbt: --sample-rate: " + rate + "nan'\n"},
      {{"qc", "-j", "1O", m}, "xbt: --jobs: a number of threads from 1 to 1024, not '1O'\n"},
      {{"qc", "--now", "2026-12-01T00:00+2:00", m},
       "xbt: --now: expected a time such as 2026-03-14T06:05:00Z or 2026-03-14T08:05+02:00, not "
       "'2026-12-01T00:00+2:00'\n"},
  };
  if (relay) {
    // A command of the relay's mistyped, or typed in capitals; a number
    // out of its range, in the words xbt uses for every range.
    refused.push_back({{"relay", "statsu"},
                       "xbt: 'statsu' is not a command of xbt relay; did you mean 'status'? (xbt "
                       "relay --help lists them)\n"});
    refused.push_back({{"relay", "STATUS"},
                       "xbt: 'STATUS' is not a command of xbt relay; did you mean 'status'? (xbt "
                       "relay --help lists them)\n"});
    refused.push_back({{"relay", "--centre", "70000"},
                       "xbt: --centre: an originating centre from 0 to 65535, not '70000'\n"});
    // The example configuration until a centre sets its own.
    refused.push_back({{"relay", "--config", XBTCONV_EXAMPLES "/relay/relay.toml"},
                       "xbt: set cccc and centre in " XBTCONV_EXAMPLES "/relay/relay.toml\n"});
    refused.push_back({{"relay", "--channel-digits", "4"},
                       "xbt: --channel-digits: a channel sequence number has 3 or 5 digits, not "
                       "'4'\n"});
  }
  for (const auto& [arguments, said] : refused) {
    // A build without netCDF says only that.
    if (!netcdfAvailable() && said.find("netCDF") != std::string::npos) continue;
    const testing::RunResult run = runXbt(arguments);
    EXPECT_EQ(run.status, 2) << ::testing::PrintToString(arguments);
    EXPECT_EQ(run.err, said) << ::testing::PrintToString(arguments);
  }
  testing::RunResult run = runXbt({"--help"});
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.out.find("export"), std::string::npos);
  for (const std::vector<std::string>& asked :
       {std::vector<std::string>{"export", "--help"}, std::vector<std::string>{"help", "export"}}) {
    run = runXbt(asked);
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("Usage: xbt export [OPTIONS]"), std::string::npos) << run.out;
  }
  EXPECT_EQ(runXbt({"--version"}).out, "xbt " XBTCONV_VERSION "\n");
}

// Regression: --format BUFR exported JSON (the name was folded to lower
// case for its check only, and the default stayed).
TEST(XbtRun, AFormatNamedInCapitalsIsThatFormat) {
  TempDirectory directory;
  directory.write("x.bin", goodMessage());
  const std::string x = directory.file("x.bin");
  EXPECT_EQ(runXbt({"export", "--format", "BUFR", "-o", directory.file("out"), x}).status, 0);
  EXPECT_EQ(directory.read("out/x.bufr").substr(0, 4), "BUFR");
  EXPECT_EQ(runXbt({"export", "--format", "Csv", "--stdout", x}).out.substr(0, 7), "source,");
  if (netcdfAvailable()) {
    const std::string nc = directory.file("all.nc");
    EXPECT_EQ(runXbt({"export", "--format", "NetCDF", "--collection", nc, x}).status, 0);
    EXPECT_EQ(directory.read("all.nc").substr(0, 3), "CDF");
  }
}

// Every documented range holds at both ends and refuses one step outside,
// in the same words from the command line and the library.
TEST(XbtRun, RangesHoldAtBothEndsAndRefuseOneStepOutside) {
  const std::string m = XBTCONV_EXAMPLES "/standard_full_resolution.bin";
  const auto refusal = [&](const std::vector<std::string>& arguments) {
    std::vector<std::string> run = arguments;
    run.push_back(m);
    const testing::RunResult result = runXbt(run);
    return result.status == 0 ? std::string("taken") : result.err;
  };
  Observation observation;
  for (const BufrOptionRange& range : kBufrOptionRanges) {
    const std::string option = "--" + std::string(range.option);
    for (const int value : {range.first - 1, range.first, range.last, range.last + 1}) {
      const std::string text = std::to_string(value);
      const bool inside = value >= range.first && value <= range.last;
      EXPECT_EQ(refusal({"export", "--format", "bufr", "--stdout", option, text}),
                inside ? "taken" : "xbt: " + option + ": " + outOfRange(range, text) + "\n");
      BufrOptions options;
      options.*range.member = value;
      Status status;
      const std::string message = toBufr(observation, options, &status);
      EXPECT_EQ(status.message(), inside ? "" : outOfRange(range, text)) << option;
      EXPECT_EQ(status.code(), inside ? Status::Code::kOk : Status::Code::kInvalidArgument);
      EXPECT_EQ(message.substr(0, 4), inside ? "BUFR" : "") << option;
      EXPECT_EQ(checkBufrOptions(options).message(), status.message());
    }
  }
  for (const int jobs : {0, 1, 1024, 1025}) {
    const std::string text = std::to_string(jobs);
    EXPECT_EQ(refusal({"info", "-j", text}),
              jobs == 0 || jobs == 1025
                  ? "xbt: --jobs: a number of threads from 1 to 1024, not '" + text + "'\n"
                  : "taken");
  }
  // A sampling rate is any finite number above 0.
  for (const auto& [rate, taken] : std::vector<std::pair<std::string, bool>>{
           {"0", false}, {"5e-324", true}, {"1.7976931348623157e308", true}, {"inf", false}}) {
    double ignored = 0;
    EXPECT_EQ(
        refusal({"qc", "--sample-rate", rate}),
        taken ? "taken" : "xbt: --sample-rate: " + parseSampleRate(rate, ignored).message() + "\n");
  }
  if (netcdfAvailable()) {
    TempDirectory directory;
    EXPECT_EQ(writeNetcdf(directory.file("none.nc"), {}, {}).code(),
              Status::Code::kInvalidArgument);
  }
}

TEST(XbtRun, InfoLinesSayWhatEachFileIs) {
  TempDirectory directory;
  fillDirectory(directory);
  const testing::RunResult run = runXbt({"info", directory.path()});
  EXPECT_EQ(run.status, 1) << "c.bin is cut short";
  EXPECT_EQ(run.err,
            "xbt: " + directory.file("c.bin") +
                ": decode stopped at bit 478 of 480 (cut short)\nxbt: " + directory.file("c.bin") +
                ": warning: the same drop as " + directory.file("a.bin") + "\n");
  EXPECT_EQ(run.out,
            "a.bin\tkind 1\t2004-12-31T23:59:00Z\t12.50000 -45.25000\t52 Sippican Deep Blue\t"
            "full_resolution\t2 samples\tok\n"
            "b.BIN\tkind 2\t2004-12-31T23:59:00Z\t12.50000 -45.25000\t52 Sippican Deep Blue\t"
            "full_resolution\t0 samples\tok\n"
            "c.bin\tkind 1\t2004-12-31T23:59:00Z\t12.50000 -45.25000\t-\t-\t0 samples\t"
            "failed at bit 478\n"
            "d.bin\t-\t-\t-\t-\t-\t-\tnot a message\n"
            "e.bin\t-\t-\t-\t-\t-\t-\tshorter than 11 bytes\n");
  EXPECT_EQ(runXbt({"info", "missing_dir/"}).out.find("missing_dir/\t"), 0u);
  // Two messages in one file: the first is read, and what follows is said,
  // never taken silently for the end of one.
  directory.write("two.bin", directory.read("a.bin") + directory.read("b.BIN"));
  EXPECT_EQ(runXbt({"info", directory.file("two.bin")}).err,
            "xbt: " + directory.file("two.bin") +
                ": warning: " + std::to_string(directory.read("b.BIN").size()) +
                " bytes after the message, not read (a second message? a file holds one)\n");
  directory.write("one.bin", directory.read("a.bin") + '\n');
  EXPECT_NE(runXbt({"info", directory.file("one.bin")}).err.find(": warning: 1 byte after"),
            std::string::npos);
}

// No run writes two of its inputs to one output: a later input that would
// fails with the reason, and subfolders are mirrored where -r gives them.
TEST(XbtRun, TwoInputsNeverShareAnOutput) {
  TempDirectory directory;
  std::filesystem::create_directories(directory.file("A"));
  std::filesystem::create_directories(directory.file("B"));
  directory.write("A/x.bin", goodMessage());
  directory.write("B/x.bin", testing::extendedMessage(testing::ExtendedFields{}));
  directory.write("A/y.bin", goodMessage());
  directory.write("A/y.BIN", goodMessage());
  const std::string out = directory.file("out");
  for (const std::vector<std::string>& command : std::vector<std::vector<std::string>>{
           {"export", "--format", "json"}, {"convert"}, {"plot"}}) {
    std::vector<std::string> arguments = command;
    arguments.insert(arguments.end(),
                     {"-q", "-o", out, directory.file("A/x.bin"), directory.file("B/x.bin")});
    const testing::RunResult run = runXbt(arguments);
    EXPECT_EQ(run.status, 1) << command[0];
    const std::string output = command[0] == "export"    ? "x.json"
                               : command[0] == "convert" ? "x.bin.srp"
                                                         : "x.svg";
    EXPECT_EQ(run.err, "xbt: " + directory.file("B/x.bin") + ": " + joinPath(out, output) +
                           " is already the output of " + directory.file("A/x.bin") + "\n")
        << command[0];
  }
  // The gallery's row of the input refused says why.
  EXPECT_NE(directory.read("out/index.html").find("x.svg is already the output of"),
            std::string::npos);
  EXPECT_NE(directory.read("out/x.json").find("\"source\":\"x.bin\",\"kind\":1,"),
            std::string::npos)
      << "the first input's";
  // y.bin and y.BIN both make y.json (where names differ in case only).
  testing::RunResult run = runXbt({"export", "--format", "json", "-q", directory.file("A")});
  if (!std::filesystem::equivalent(directory.file("A/y.bin"), directory.file("A/y.BIN"))) {
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("y.json is already the output of"), std::string::npos) << run.err;
  }
  // With -r, the subfolders keep the two apart.
  run = runXbt(
      {"export", "--format", "json", "-q", "-r", "-o", directory.file("mirror"), directory.path()});
  EXPECT_TRUE(directory.exists("mirror/A/x.json") && directory.exists("mirror/B/x.json"));
  // A run takes each file once, however the paths to it are spelt.
  run = runXbt(
      {"export", "--format", "json", "--stdout", directory.file("A"), directory.file("./A/x.bin")});
  EXPECT_EQ(run.status, 0) << run.err;
  const bool caseBlind = fs::equivalent(directory.file("A/y.bin"), directory.file("A/y.BIN"));
  EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), caseBlind ? 2 : 3) << run.out;
}

// A file named twice, in any spelling, is one input in every command and in
// every list a run keeps: a table's lines, a summary, a gallery's rows, a
// collection and its record (which --update then finds current).
TEST(XbtRun, EveryCommandTakesAFileNamedTwiceOnce) {
  TempDirectory directory;
  std::filesystem::create_directories(directory.file("C"));
  directory.write("C/x.bin", goodMessage());
  directory.write("C/z.bin", goodMessage());
  const std::vector<std::string> twice = {directory.file("C"), directory.file("C/x.bin"),
                                          directory.file("./C/../C/z.bin")};
  const std::string out = directory.file("out");
  std::vector<std::vector<std::string>> commands = {{"info"},
                                                    {"qc"},
                                                    {"convert", "-o", out},
                                                    {"export", "--format", "json", "-o", out},
                                                    {"plot", "-o", out}};
  if (netcdfAvailable()) {
    commands.push_back({"export", "--format", "netcdf", "--collection", out + "/all.nc"});
  }
  for (std::vector<std::string> command : commands) {
    std::filesystem::remove_all(out);
    command.insert(command.end(), twice.begin(), twice.end());
    const testing::RunResult run = runXbt(command);
    EXPECT_EQ(run.status, 0) << command[0] << ": " << run.err;
    const auto count = [](const std::string& text, const std::string& part) {
      std::size_t found = 0;
      for (std::size_t at = text.find(part); at != std::string::npos;
           at = text.find(part, at + 1)) {
        ++found;
      }
      return found;
    };
    if (command[0] == "info" || command[0] == "qc") {
      EXPECT_EQ(count(run.out, "\n"), 2u) << command[0] << ": " << run.out;
      continue;
    }
    EXPECT_NE(run.err.find("ed 2, failed 0, skipped 0"), std::string::npos)
        << command[0] << ": " << run.err;
    if (command[0] == "plot") {
      EXPECT_EQ(count(directory.read("out/index.html"), "\"name\":"), 2u);
    }
    if (command[3] == "--collection") {
      EXPECT_NE(directory.read("out/.xbt-record").find(" 2\t"), std::string::npos);
      command.push_back("--update");
      EXPECT_NE(runXbt(command).err.find("up to date 2"), std::string::npos);
      // x and z hold one drop: --update repeats that warning with both names
      // spelt as this run spells them, from wherever it is run.
      const std::string first =
          runXbt({"export", "--format", "netcdf", "--collection", "out/rel.nc", "C"},
                 directory.path())
              .err;
      EXPECT_NE(first.find("C/z.bin: warning: the same drop as C/x.bin\n"), std::string::npos)
          << first;
      const std::string again =
          runXbt({"export", "--format", "netcdf", "--collection", "../out/rel.nc", "--update", "."},
                 directory.file("C"))
              .err;
      EXPECT_NE(again.find("./z.bin: warning: the same drop as ./x.bin\n"), std::string::npos)
          << again;
    }
  }
}

// Many threads print and write what one does, in the same order.
TEST(XbtRun, ManyThreadsDoWhatOneDoes) {
  TempDirectory directory;
  std::mt19937_64 random(3122026);
  for (int i = 0; i < 400; ++i) {
    directory.write("m" + std::to_string(i) + ".bin", testing::randomBatchMessage(random, i));
  }
  for (const char* format : {"json", "bufr", "csv"}) {
    const auto run = [&](const char* jobs) {
      return runXbt({"export", "--format", format, "--stdout", "--now", "2026-12-01", "--partial",
                     "-j", jobs, directory.path()});
    };
    const testing::RunResult one = run("1");
    const testing::RunResult many = run("4");
    EXPECT_EQ(many.out, one.out) << format;
    EXPECT_EQ(many.err, one.err) << format;
  }
  const testing::RunResult one = runXbt({"qc", "-j", "1", "--now", "2026-12-01", directory.path()});
  EXPECT_EQ(runXbt({"qc", "-j", "3", "--now", "2026-12-01", directory.path()}).out, one.out);
  // Inputs settled without work in the middle of the batch: outputs already
  // current, a file named twice, an output another input has taken.
  fs::create_directories(directory.file("sub"));
  directory.write("sub/m7.bin", testing::randomBatchMessage(random, 7));
  for (int i = 100; i < 400; i += 3) fs::remove(directory.file("m" + std::to_string(i) + ".bin"));
  const auto update = [&](const char* jobs) {
    const std::string out = directory.file(std::string("out") + jobs);
    runXbt({"export", "--format", "json", "--now", "2026-12-01", "-o", out, directory.path()});
    for (int i = 100; i < 400; i += 5) fs::remove(out + "/m" + std::to_string(i) + ".json");
    testing::RunResult run =
        runXbt({"export", "--format", "json", "--now", "2026-12-01", "--update", "-j", jobs, "-o",
                out, directory.path(), directory.file("m150.bin"), directory.file("sub/m7.bin")});
    std::string err = run.err;
    for (std::size_t at = err.find(out); at != std::string::npos; at = err.find(out)) {
      err.replace(at, out.size(), "OUT");
    }
    return err;
  };
  const std::string settledOne = update("1");
  EXPECT_NE(settledOne.find("m7.json is already the output of"), std::string::npos);
  EXPECT_NE(settledOne.find(", up to date "), std::string::npos) << settledOne;
  EXPECT_EQ(update("4"), settledOne);
}

// -q, -r, -o and --update mean the same in every command that writes, and
// --update passes over what is up to date and counts it.
TEST(XbtRun, TheSameOptionsEverywhere) {
  TempDirectory directory;
  std::filesystem::create_directories(directory.file("in/sub"));
  directory.write("in/sub/a.bin", goodMessage());
  directory.write("in/sub/d.bin", std::string("a text file, no message"));
  for (const std::vector<std::string>& command : std::vector<std::vector<std::string>>{
           {"export", "--format", "csv"}, {"convert"}, {"plot"}}) {
    std::vector<std::string> arguments = command;
    arguments.insert(arguments.end(),
                     {"-q", "-r", "-o", directory.file("out"), "--update", directory.file("in")});
    testing::RunResult run = runXbt(arguments);
    EXPECT_EQ(run.status, 0) << command[0] << run.err;
    EXPECT_EQ(run.err, "") << "-q: no skipped file, no summary";
    arguments.erase(arguments.begin() + static_cast<std::ptrdiff_t>(command.size()));  // no -q
    run = runXbt(arguments);
    EXPECT_NE(run.err.find(", failed 0, skipped 1, up to date 1"), std::string::npos)
        << command[0] << ": " << run.err;
  }
  EXPECT_TRUE(directory.exists("out/sub/a.csv") && directory.exists("out/sub/a.bin.srp") &&
              directory.exists("out/index.html"));
  for (const char* command : {"info", "qc"}) {
    EXPECT_EQ(runXbt({command, "-q", "-r", directory.file("in")}).status, 0) << command;
  }
  // An output whose input has gone is said, and left as it is.
  fs::rename(directory.file("in/sub/a.bin"), directory.file("a.bin"));
  const testing::RunResult gone =
      runXbt({"plot", "-r", "-o", directory.file("out"), "--update", directory.file("in")});
  // (Named in its plain form: on Windows, with the system's separators.)
  const std::string lost = fs::path(directory.file("in/sub/a.bin")).lexically_normal().string();
  EXPECT_NE(gone.err.find("a.svg: its input " + lost + " is gone; left as it is"),
            std::string::npos)
      << gone.err;
  EXPECT_TRUE(directory.exists("out/a.svg"));
}

#ifndef _WIN32
// Every option of every command that writes, and what changing it alone
// does to an output --update finds: one that changes the bytes makes it
// again, one that does not leaves it. The rest choose which inputs, where
// the outputs go or what kind they are. An option missing here fails the
// test, so that none is added without saying which it is.
struct UpdateCase {
  std::vector<std::string> run;  // the command, without -o and the input
  std::string output;            // what it makes of x.bin in OUT
  std::vector<std::vector<std::string>> redoes;
  std::vector<std::vector<std::string>> keeps;
};

TEST(XbtRun, EveryOptionThatShapesAnOutputMakesUpdateRedoIt) {
  using Options = std::vector<std::vector<std::string>>;
  const Options run = {{"--sample-rate", "20"}, {"--no-qc"}, {"--now", "2026-12-01"}};
  Options bufr = run;
  bufr.insert(bufr.end(), {{"--partial"}, {"--keep-incomplete"}});
  Options netcdf = bufr;
  netcdf.insert(netcdf.end(), {{"--attribute", "institution=X"},
                               {"--layout", "incomplete"},
                               {"--date-created", "2026-12-01"}});
  for (const BufrOptionRange& range : kBufrOptionRanges) {
    bufr.push_back({"--" + std::string(range.option), std::to_string(range.first + 1)});
  }
  const Options keeps = {{"-j", "2"}, {"-q"}, {"--sync"}};
  std::vector<UpdateCase> cases = {
      {{"convert"},
       "x.bin.srp",
       {},
       {{"-j", "2"}, {"-q"}, {"--sync"}, {"-v"}, {"--progress", "always"}}},
      {{"plot"}, "x.svg", run, keeps},
      {{"export", "--format", "json"}, "x.json", run, keeps},
      {{"export", "--format", "bufr"}, "x.bufr", bufr, keeps},
  };
  if (netcdfAvailable()) {
    cases.push_back({{"export", "--format", "netcdf"}, "x.nc", netcdf, keeps});
    cases.push_back({{"export", "--format", "netcdf", "--collection"}, "all.nc", netcdf, keeps});
  }
  const std::map<std::string, std::set<std::string>> chooses = {
      {"convert", {"PATH", "-h", "-r", "-o", "--update"}},
      {"plot", {"PATH", "-h", "-r", "-o", "--update"}},
      {"export", {"PATH", "-h", "-r", "-o", "--update", "--format", "--stdout", "--collection"}}};
  TempDirectory directory;
  directory.write("x.bin", goodMessage());
  std::map<std::string, std::set<std::string>> said = chooses;
  for (const UpdateCase& c : cases) {
    const bool collection = c.run.back() == "--collection";
    std::string out = directory.file("out");
    const auto identity = [&] {
      struct stat info {};
      ::stat(joinPath(out, c.output).c_str(), &info);
      return std::pair(info.st_ino, info.st_mtim.tv_nsec + info.st_mtim.tv_sec * 1000000000);
    };
    for (const bool redone : {true, false}) {
      for (const std::vector<std::string>& option : redone ? c.redoes : c.keeps) {
        said[c.run[0]].insert(option[0]);
        fs::remove_all(out);
        std::vector<std::string> arguments = c.run;
        if (collection) {
          fs::create_directories(out);
          arguments.push_back(joinPath(out, c.output));
        } else {
          arguments.insert(arguments.end(), {"-o", out});
        }
        arguments.push_back(directory.file("x.bin"));
        EXPECT_EQ(runXbt(arguments).status, 0) << ::testing::PrintToString(arguments);
        const auto before = identity();
        arguments.insert(arguments.end() - 1, "--update");
        arguments.insert(arguments.end() - 1, option.begin(), option.end());
        EXPECT_EQ(runXbt(arguments).status, 0) << ::testing::PrintToString(arguments);
        EXPECT_EQ(identity() != before, redone) << ::testing::PrintToString(arguments);
      }
    }
  }
  for (const auto& [command, options] : said) {
    const std::string help = runXbt({command, "--help"}).out;
    std::set<std::string> offered = {"PATH"};
    for (std::size_t at = 0; (at = help.find("\n  -", at)) != std::string::npos;) {
      at += 3;
      std::string name = help.substr(at, help.find_first_of(" \n", at) - at);
      if (name[1] != '-' && name.find(',') != std::string::npos) name = name.substr(0, 2);
      offered.insert(name);
    }
    EXPECT_EQ(options, offered) << command << ": say what each option does to an output";
  }
}
#endif

// --sync flushes what every command writes, and writes the same.
TEST(XbtRun, SyncWritesWhatARunWithoutItWrites) {
  TempDirectory directory;
  fillDirectory(directory);
  const std::string now = "--now=2026-12-01";
  std::vector<std::vector<std::string>> commands = {
      {"convert"},
      {"plot", now},
      {"export", now, "--format", "json"},
      {"export", now, "--format", "csv"},
      {"export", now, "--format", "bufr", "--partial"}};
  if (netcdfAvailable()) commands.push_back({"export", now, "--format", "netcdf", "--partial"});
  for (const std::vector<std::string>& command : commands) {
    std::map<std::string, std::string> written[2];
    for (const bool sync : {false, true}) {
      std::vector<std::string> arguments = command;
      const std::string out = directory.file(sync ? "synced" : "plain");
      arguments.insert(arguments.end(), {"-q", "-o", out});
      if (sync) arguments.push_back("--sync");
      arguments.push_back(directory.path());
      runXbt(arguments);
      for (const auto& entry : fs::directory_iterator(out)) {
        if (entry.path().filename() == ".xbt-record") continue;
        written[sync][entry.path().filename().string()] =
            directory.read((sync ? "synced/" : "plain/") + entry.path().filename().string());
      }
      fs::remove_all(out);
    }
    EXPECT_EQ(written[1], written[0]) << command.back();
    EXPECT_FALSE(written[1].empty()) << command.back();
  }
}

#ifndef _WIN32
// A write that fails is named, and leaves no temporary file behind: here
// the output cannot be replaced (it is a folder).
TEST(XbtRun, OutputThatCannotBeWrittenIsNamed) {
  TempDirectory directory;
  directory.write("a.bin", goodMessage());
  std::filesystem::create_directory(directory.file("a.json"));
  const testing::RunResult run = runXbt({"export", "--format", "json", directory.path()});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err.find("xbt: " + directory.file("a.bin") + ": cannot write " +
                         directory.file("a.json") + ": "),
            0u)
      << run.err;
  for (const auto& entry : std::filesystem::directory_iterator(directory.path())) {
    EXPECT_NE(entry.path().extension(), ".partial") << entry.path();
  }
}

// Thousands of random messages of both kinds, whole and cut short: every
// document the export writes is valid against the published schema, as an
// independent validator sees it.
TEST(XbtRun, ExportedDocumentsValidateAgainstTheSchema) {
  TempDirectory directory;
  std::mt19937_64 random(20261210);
  for (int i = 0; i < 3000; ++i) {
    directory.write("m" + std::to_string(i) + ".bin", testing::randomBatchMessage(random, i));
  }
  const std::string lines = directory.file("all.jsonl");
  const testing::RunResult run =
      runXbt({"export", "--format", "json", "--stdout", directory.path()}, directory.path());
  directory.write("all.jsonl", run.out);
  const std::string command = "/usr/bin/python3 " XBTCONV_TEST_DATA "/formats/validate_json.py " +
                              std::string(XBTCONV_SOURCE "/schema/observation.schema.json ") +
                              lines;
  EXPECT_EQ(std::system(command.c_str()), 0);
}

// Thousands of random messages of both kinds and all layouts, whole and
// (with --partial) cut short, as BUFR: ecCodes decodes every one, and each
// value it reads is the JSON export's to within the element's resolution,
// or missing where the element cannot hold it, as the warnings count.
TEST(XbtRun, BufrDecodesWithEcCodesAndWreportToTheJsonExportsValues) {
  TempDirectory directory;
  std::mt19937_64 random(20261207);
  for (int i = 0; i < 2000; ++i) {
    directory.write("m" + std::to_string(i) + ".bin", testing::randomBatchMessage(random, i));
  }
  directory.write("all.jsonl", runXbt({"export", "--format", "json", "--stdout", "--now",
                                       "2026-12-01", directory.path()})
                                   .out);
  // The defaults, and a centre's identity with the oldest tables that give
  // the template this layout; every message kept, so that the BUFR and the
  // JSON line up.
  for (const std::vector<std::string>& identity :
       std::vector<std::vector<std::string>>{{"65535", "0", "31"}, {"98", "7", "19"}}) {
    const testing::RunResult bufr =
        runXbt({"export", "--format", "bufr", "--partial", "--keep-incomplete", "--stdout", "--now",
                "2026-12-01", "--centre", identity[0], "--subcentre", identity[1],
                "--master-table-version", identity[2], directory.path()});
    EXPECT_EQ(bufr.status, 1) << "some are cut short";
    EXPECT_EQ(
        bufr.err.find("warning: the BUFR messages name no originating centre") != std::string::npos,
        identity[0] == "65535");
    directory.write("all.bufr", bufr.out);
    directory.write("all.err", bufr.err);
    const std::string command = "/usr/bin/python3 " XBTCONV_TEST_DATA "/formats/check_bufr.py " +
                                directory.file("all.bufr") + " " + directory.file("all.jsonl") +
                                " " + directory.file("all.err") + " " + identity[0] + " " +
                                identity[1] + " " + identity[2] + " --wreport " WREPORT_DUMP;
    EXPECT_EQ(std::system(command.c_str()), 0) << identity[2];
  }
}

#endif

}  // namespace
}  // namespace xbtconv

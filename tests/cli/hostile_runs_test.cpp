// xbt where a hostile or merely busy world meets it, as the operator's own
// commands do: links planted in the inbox, a second run into the same
// folder, a corrupt message that would take all the memory, names that
// would forge rows, and every command stopped by SIGTERM.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <random>
#include <set>
#include <sstream>
#include <thread>

#include "support/message_builder.h"
#include "support/message_checks.h"
#include "support/process_runner.h"
#include "support/random_fields.h"
#include "support/temp_directory.h"
#include "xbtconv/formats.h"

extern char** environ;

namespace xbtconv {
namespace {

namespace fs = std::filesystem;
using testing::TempDirectory;

testing::RunResult runXbt(const std::vector<std::string>& arguments) {
  return testing::runProgram(XBT_EXECUTABLE, arguments, "/");
}

// xbt started with `arguments`, its standard output and error going to
// files of `directory`; returns its process. A plain fork, so that the new
// process starts from this one's memory as it is now, not at its peak.
pid_t start(const TempDirectory& directory, const std::vector<std::string>& arguments,
            rlim_t addressSpace = RLIM_INFINITY) {
  std::vector<std::string> words = {XBT_EXECUTABLE};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  const std::string out = directory.file("stdout");
  const std::string err = directory.file("stderr");
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
    ::dup2(::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
    const rlimit limit{addressSpace, addressSpace};
    ::setrlimit(RLIMIT_AS, &limit);
    ::execve(argv[0], argv.data(), environ);
    ::_exit(127);
  }
  return pid;
}

struct Ended {
  int status;          // the exit status, or 128 + the signal
  long peakKilobytes;  // resident memory at its peak
};

// How `pid` ended; after `guardSeconds` (a guard against a run that hangs,
// ten times what it should take at most), it is killed: status 128 + 9.
Ended finish(pid_t pid, int guardSeconds = 600) {
  int status = 0;
  rusage usage{};
  for (int poll = 0; ::wait4(pid, &status, WNOHANG, &usage) == 0; ++poll) {
    if (poll == guardSeconds * 1000) ::kill(pid, SIGKILL);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), usage.ru_maxrss};
}

std::vector<std::uint8_t> goodMessage() {
  testing::StandardFields fields;
  fields.temperatures = {2400, 2390, 2380};
  return testing::standardMessage(fields);
}

// `ln -s ~/notes.txt in/x.json.partial; xbt export --format json in`, and
// a link planted as the record: nothing written through either.
TEST(HostileRuns, PlantedLinksRedirectNoWrite) {
  TempDirectory directory;
  fs::create_directories(directory.file("in"));
  directory.write("notes.txt", std::string("my notes"));
  directory.write("in/x.bin", goodMessage());
  for (const char* planted : {"in/x.json.partial", "in/.xbt-record", "in/x.json.xbt.partial"}) {
    fs::create_symlink(directory.file("notes.txt"), directory.file(planted));
  }
  const testing::RunResult run = runXbt({"export", "--format", "json", directory.file("in")});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(directory.read("notes.txt"), "my notes");
  EXPECT_EQ(nlohmann::json::parse(directory.read("in/x.json"))["source"], "x.bin");
}

// Waits until `folder` holds a file ending in `suffix`; false after a
// minute, a guard against a run that hangs.
bool waitForFile(const std::string& folder, const std::string& suffix) {
  for (int poll = 0; poll < 60000; ++poll) {
    std::error_code ignored;
    for (fs::directory_iterator entry(folder, ignored), end; !ignored && entry != end;
         entry.increment(ignored)) {
      if (entry->path().string().ends_with(suffix)) return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return false;
}

// `xbt export -r inbox` while someone swaps inbox/sub for a link to another
// folder: the run goes on in the folder it listed, and writes nothing
// elsewhere. (85 files elsewhere were replaced by outputs.)
TEST(HostileRuns, AFolderSwappedForALinkMidRunLeadsNoWriteElsewhere) {
  TempDirectory directory;
  fs::create_directories(directory.file("inbox/sub"));
  fs::create_directories(directory.file("elsewhere"));
  const std::vector<std::uint8_t> message = goodMessage();
  for (int i = 0; i < 2000; ++i)
    directory.write("inbox/sub/m" + std::to_string(i) + ".bin", message);
  const pid_t pid =
      start(directory, {"export", "-q", "-j1", "--format", "json", "-r", directory.file("inbox")});
  ASSERT_TRUE(waitForFile(directory.file("inbox/sub"), ".json"));
  ::kill(pid, SIGSTOP);
  fs::rename(directory.file("inbox/sub"), directory.file("inbox/sub.real"));
  fs::create_directory_symlink(directory.file("elsewhere"), directory.file("inbox/sub"));
  ::kill(pid, SIGCONT);
  EXPECT_EQ(finish(pid).status, 0) << directory.read("stderr");
  EXPECT_TRUE(fs::is_empty(directory.file("elsewhere")));
  EXPECT_TRUE(fs::exists(directory.file("inbox/sub.real/m1999.json")));
}

// Nothing but a regular file is opened, whatever names it: a link to a
// device at an input's name is not followed (it allocated a terminal), a
// FIFO is not waited on, and a FIFO at the gallery's name is left alone
// (plot hung for good).
TEST(HostileRuns, NothingButARegularFileIsOpened) {
  TempDirectory directory;
  fs::create_directories(directory.file("in"));
  fs::create_directories(directory.file("p"));
  directory.write("in/a.bin", goodMessage());
  fs::create_symlink("/dev/ptmx", directory.file("in/zz.bin"));
  ASSERT_EQ(::mkfifo(directory.file("in/fifo.bin").c_str(), 0600), 0);
  ASSERT_EQ(::mkfifo(directory.file("p/index.html").c_str(), 0600), 0);
  const testing::RunResult info = runXbt({"info", directory.file("in")});
  EXPECT_EQ(info.status, 0) << info.err;
  EXPECT_NE(info.out.find("fifo.bin\t-\t-\t-\t-\t-\t-\tnot a regular file\n"), std::string::npos)
      << info.out;
  EXPECT_NE(info.out.find("zz.bin\t-\t-\t-\t-\t-\t-\tnot a regular file (a link to no file)\n"),
            std::string::npos)
      << info.out;
  const testing::RunResult plot =
      runXbt({"plot", "-o", directory.file("p"), directory.file("in/a.bin")});
  EXPECT_EQ(plot.status, 1);
  EXPECT_EQ(plot.err, "xbt: " + directory.file("p/index.html") +
                          ": not written by xbt plot; left as it is (-o DIR plots into another "
                          "folder)\n");
}

// A second run into a folder another run is writing in refuses it with the
// reason; two runs with other options started together leave every output
// whole and a record that --update reads right.
TEST(HostileRuns, TwoRunsIntoOneFolderNeverMix) {
  TempDirectory directory;
  fs::create_directories(directory.file("c"));
  std::mt19937_64 random(28022026);
  for (int i = 0; i < 200; ++i) {
    directory.write("c/m" + std::to_string(i) + ".bin", testing::randomBatchMessage(random, i));
  }
  fs::create_directories(directory.file("o"));
  {
    const int held = ::open(directory.file("o").c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    const testing::RunResult refused = runXbt({"export", "-q", "-j1", "--format", "json", "-o",
                                               directory.file("o"), directory.file("c")});
    ::close(held);
    // Said once, for the folder, and nothing read.
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, "xbt: " + directory.file("o") +
                               ": cannot write: another xbt run is writing in this folder; try "
                               "again when it has finished\n");
  }
  {
    // Beside the inputs, as with -o: said once, not once per input.
    const int held = ::open(directory.file("c").c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    const testing::RunResult refused = runXbt({"convert", directory.file("c")});
    ::close(held);
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err.rfind("xbt: " + directory.file("c") +
                                    ": cannot write: another xbt run is writing in this folder; "
                                    "try again when it has finished\n"
                                    "xbt: converted 0, failed 0, skipped 0, not written 200, in ",
                                0),
              0u)
        << refused.err;
  }
  TempDirectory first;
  TempDirectory second;
  const pid_t withQc = start(first, {"export", "-q", "-j1", "--format", "json", "-o",
                                     directory.file("o"), directory.file("c")});
  const pid_t withoutQc = start(second, {"export", "-q", "-j1", "--format", "json", "--no-qc", "-o",
                                         directory.file("o"), directory.file("c")});
  finish(withQc);
  finish(withoutQc);
  const testing::RunResult update =
      runXbt({"export", "-j1", "--format", "json", "--no-qc", "--update", "-o", directory.file("o"),
              directory.file("c")});
  int outputs = 0;
  for (const auto& entry : fs::directory_iterator(directory.file("o"))) {
    if (entry.path().extension() != ".json") continue;
    ++outputs;
    const std::string name = entry.path().filename().string();
    const nlohmann::json document = nlohmann::json::parse(directory.read("o/" + name));
    EXPECT_TRUE(document["qc"].is_null()) << name << ": made with the other options";
  }
  EXPECT_GT(outputs, 100);
  EXPECT_EQ(update.err.find("another xbt run"), std::string::npos) << update.err;
}

// A full disk (a file system of 256 KiB of its own, where the system lets
// the test make one): every output that cannot be written is said once,
// and no failure says its output was written. (Each was said twice, after
// "written as far as it was decoded".)
TEST(HostileRuns, AFullDiskIsSaidOncePerOutput) {
  if (std::system("unshare -m true 2>/dev/null") != 0) GTEST_SKIP() << "no mount namespace";
  TempDirectory directory;
  fs::create_directories(directory.file("in"));
  fs::create_directories(directory.file("small"));
  std::mt19937_64 random(8122026);
  for (int i = 0; i < 300; ++i) {
    directory.write("in/m" + std::to_string(i) + ".bin", testing::randomBatchMessage(random, i));
  }
  const std::string command =
      "unshare -m sh -c 'mount -t tmpfs -o size=256k tmpfs " + directory.file("small") +
      " && exec " XBT_EXECUTABLE " export -j1 --format bufr --partial --keep-incomplete -o " +
      directory.file("small/o") + " " + directory.file("in") + "' 2> " + directory.file("err");
  EXPECT_EQ(WEXITSTATUS(std::system(command.c_str())), 1);
  std::istringstream err(directory.read("err"));
  std::set<std::string> lines;
  std::set<std::string> unwritten;
  int full = 0;
  for (std::string line; std::getline(err, line);) {
    EXPECT_TRUE(lines.insert(line).second) << "said twice: " << line;
    if (line.ends_with("No space left on device")) {
      ++full;
      unwritten.insert(line.substr(0, line.find(": cannot write")));
    }
  }
  EXPECT_GT(full, 100);
  for (const std::string& line : lines) {
    if (line.ends_with("written as far as it was decoded")) {
      EXPECT_EQ(unwritten.count(line.substr(0, line.find(": decode stopped"))), 0u) << line;
    }
  }
}

// A folder no one may write in: said as such, with the way out, not as a
// file of the run's own that could not be made.
TEST(HostileRuns, AFolderThatCannotBeWrittenIsSaidWithTheWayOut) {
  if (std::system("unshare -m true 2>/dev/null") != 0) GTEST_SKIP() << "no mount namespace";
  TempDirectory directory;
  fs::create_directories(directory.file("ro"));
  directory.write("ro/a.bin", goodMessage());
  const std::string command = "unshare -m sh -c 'mount --bind " + directory.file("ro") + " " +
                              directory.file("ro") + " && mount -o remount,bind,ro " +
                              directory.file("ro") +
                              " && exec " XBT_EXECUTABLE " export --format json " +
                              directory.file("ro") + "' 2> " + directory.file("err");
  EXPECT_EQ(WEXITSTATUS(std::system(command.c_str())), 1);
  EXPECT_EQ(directory.read("err").substr(0, directory.read("err").find('\n') + 1),
            "xbt: " + directory.file("ro") +
                ": cannot write: Read-only file system; -o DIR puts the outputs elsewhere\n");
}

// A message whose count is missing runs its profile to the end of the file:
// a read keeps 65,534 samples, takes a bounded memory and says so. (It took
// some thirty times the file's size.)
#ifdef __SANITIZE_ADDRESS__
constexpr long kMemoryBound = 256 * 1024;  // kilobytes, the sanitizer's own included
#else
constexpr long kMemoryBound = 48 * 1024;
#endif
TEST(HostileRuns, ACorruptMessageTakesBoundedMemory) {
  TempDirectory directory;
  testing::StandardFields fields;
  fields.groupCount = testing::kAllOnes;
  fields.temperatures.assign(1, 2400);
  {
    std::vector<std::uint8_t> bytes = testing::standardMessage(fields);
    bytes.resize(std::size_t{64} << 20, 0x5A);
    directory.write("big.bin", bytes);
  }
  const std::string message = directory.file("big.bin");
  for (const std::vector<std::string>& command :
       std::vector<std::vector<std::string>>{{"export", "--format", "json", "--stdout", message},
                                             {"plot", "-o", directory.file("plots"), message},
                                             {"qc", message}}) {
    const Ended ended = finish(start(directory, command));
    EXPECT_EQ(ended.status, 1) << command[0];
    EXPECT_LT(ended.peakKilobytes, kMemoryBound) << command[0];
    EXPECT_NE(directory.read("stderr").find("(cut short); samples past 65534 not exported"),
              std::string::npos)
        << directory.read("stderr");
  }
  finish(start(directory, {"export", "--format", "json", "--stdout", message}));
  const nlohmann::json document = nlohmann::json::parse(directory.read("stdout"));
  EXPECT_EQ(document["profile"]["temperature_c"].size(), 65534u);
  EXPECT_EQ(document["stop_bit"], 621 + 12 * ((8 * (std::int64_t{64} << 20) - 621) / 12));
}

#ifndef __SANITIZE_ADDRESS__
// (Not under the address sanitizer, which keeps freed memory aside for a
// while: its peak says what was allocated, not what was held.)

// A plot run holds little for each input: its gallery is written as the
// inputs come. (Each held 3.6 KB: two million inputs took 7 GB.)
TEST(HostileRuns, APlotHoldsLittleForEachInput) {
  TempDirectory directory;
  long peak[2] = {};
  for (const int count : {500, 5000}) {
    const std::string in = directory.file("in" + std::to_string(count));
    fs::create_directories(in);
    for (int i = 0; i < count; ++i) {
      std::ofstream(in + "/e" + std::to_string(i) + ".bin");  // empty: passed over
    }
    peak[count > 500 ? 1 : 0] =
        finish(start(directory, {"plot", "-q", "-o", directory.file("out"), in})).peakKilobytes;
  }
  EXPECT_LT((peak[1] - peak[0]) * 1024 / 4500, 400) << peak[0] << " KiB, " << peak[1] << " KiB";
}

// Memory that runs out (a limit on the address space, as `ulimit -v` sets;
// the sanitizer's own needs more than any such limit) is a failure, never a
// crash: the inputs whose work cannot get memory fail for it, the run ends
// with its summary, and no temporary file is left. (plot and export
// aborted, temporary files left behind.) Limits from where a run cannot
// even start up to where it has all it needs.
TEST(HostileRuns, MemoryThatRunsOutIsAFailureNotACrash) {
  TempDirectory directory;
  fs::create_directories(directory.file("in"));
  std::mt19937_64 random(9122026);
  for (int i = 0; i < 100; ++i) {
    directory.write("in/m" + std::to_string(i) + ".bin", testing::randomBatchMessage(random, i));
  }
  for (const std::vector<std::string>& command : std::vector<std::vector<std::string>>{
           {"plot", "-o", directory.file("out"), directory.file("in")},
           {"export", "--format", "json", "-o", directory.file("out"), directory.file("in")}}) {
    int starved = 0;
    bool started = true;
    for (rlim_t kilobytes = 64 << 10; started && kilobytes >= 4 << 10;
         kilobytes -= kilobytes > 16 << 10 ? 16 << 10 : 512) {
      fs::remove_all(directory.file("out"));
      const int status = finish(start(directory, command, kilobytes << 10)).status;
      const std::string err = directory.read("stderr");
      // Nothing said: it could not start (load its libraries, take its
      // arguments), nor can it with less.
      started = err.rfind("xbt: ", 0) == 0;
      if (!started) continue;
      EXPECT_LT(status, 2) << command[0] << " " << kilobytes << " KiB: " << err;
      EXPECT_NE(err.find(command[0] == "plot" ? "\nxbt: plotted " : "\nxbt: exported "),
                std::string::npos)
          << command[0] << " " << kilobytes << " KiB: " << err;
      starved += err.find(": out of memory\n") != std::string::npos ? 1 : 0;
      std::error_code missing;
      for (fs::directory_iterator entry(directory.file("out"), missing), end;
           !missing && entry != end; entry.increment(missing)) {
        EXPECT_FALSE(entry->path().string().ends_with(".partial")) << entry->path();
      }
    }
    EXPECT_GT(starved, 0) << command[0] << ": no limit left an input without memory";
  }
}
#endif

// Names are shown, never obeyed: a tab or a line break forges no row or
// column, and a C1 control (raw or as UTF-8), a bidirectional override or a
// backslash reaches no terminal as it is, in any line of any command.
TEST(HostileRuns, NamesAreShownNeverObeyed) {
  TempDirectory directory;
  directory.write("a\tb\nc.bin", goodMessage());
  directory.write("d\x9B\xC2\x9B\xE2\x80\xAE\\.bin", std::string("no message"));
  const std::string shown = "d\\x9b\\u009b\\u202e\\\\.bin";
  const std::string out = directory.file("out");
  for (const std::vector<std::string>& command :
       std::vector<std::vector<std::string>>{{"info"},
                                             {"qc"},
                                             {"convert", "-v", "-o", out},
                                             {"export", "--format", "json", "-o", out},
                                             {"plot", "-o", out}}) {
    std::vector<std::string> arguments = command;
    arguments.push_back(directory.path());
    const testing::RunResult run = runXbt(arguments);
    const std::string said = run.out + run.err;
    EXPECT_EQ(said.find_first_of("\x9B\xE2"), std::string::npos) << command[0] << ": " << said;
    EXPECT_NE(said.find(shown), std::string::npos) << command[0] << ": " << said;
    if (command[0] == "info" || command[0] == "qc") {
      EXPECT_EQ(run.out.rfind("a\\tb\\nc.bin\t", 0), 0u) << run.out;
      EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 2) << run.out;
    }
    if (command[0] == "convert") {
      EXPECT_NE(run.out.find("a\\tb\\nc.bin.srp\n"), std::string::npos) << run.out;
    }
  }
}

// SIGTERM or Ctrl-C, once a run has started its work (it has said its
// first line): the files under way are finished, the run says it was
// interrupted and how far it got, and exits with 128 + the signal. Every
// output is the old one or the new one, whole; the gallery lists what was
// plotted; a collection that was not written says so.
TEST(HostileRuns, EveryCommandStopsOnAnInterrupt) {
  TempDirectory directory;
  fs::create_directories(directory.file("in"));
  testing::StandardFields fields;
  fields.typeOfData = 2;
  fields.temperatures.assign(2000, 2400);
  const std::vector<std::uint8_t> bytes = testing::standardMessage(fields);
  // Said of in the first lines of every command.
  directory.write("in/a.bin", std::string("no message"));
  for (int i = 0; i < 400; ++i) directory.write("in/m" + std::to_string(i) + ".bin", bytes);
  std::vector<std::vector<std::string>> commands = {
      {"convert", "-o", directory.file("out")},
      {"export", "--format", "json", "-o", directory.file("out")},
      {"export", "--format", "csv", "--stdout"},
      {"plot", "-o", directory.file("out")},
      {"qc"},
      {"info"}};
  if (netcdfAvailable()) {
    commands.push_back({"export", "--format", "netcdf", "--collection", directory.file("all.nc")});
  }
  const std::string fresh = testing::reportOf(bytes);
  for (std::vector<std::string> command : commands) {
    fs::remove_all(directory.file("out"));
    fs::create_directories(directory.file("out"));
    for (int i = 0; i < 400; ++i) directory.write("out/m" + std::to_string(i) + ".bin.srp", "old");
    command.push_back(directory.file("in"));
    const int signal = command[0] == "convert" ? SIGINT : SIGTERM;
    fs::remove(directory.file("stdout"));
    fs::remove(directory.file("stderr"));
    const pid_t pid = start(directory, command);
    bool started = false;
    // A guard of a minute: a run says its first line within a second.
    for (int poll = 0; poll < 60000 && !started; ++poll) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      for (const char* name : {"stdout", "stderr"}) {
        std::error_code missing;
        const auto size = fs::file_size(directory.file(name), missing);
        started = started || (!missing && size > 0);
      }
    }
    ::kill(pid, signal);
    EXPECT_TRUE(started) << command[0];
    // The chunks under way take at most two seconds to finish.
    EXPECT_EQ(finish(pid, 20).status, 128 + signal) << command[0];
    const std::string err = directory.read("stderr");
    EXPECT_NE(err.find("xbt: interrupted\n"), std::string::npos) << command[0] << ": " << err;
    int old = 0;
    int plots = 0;
    for (const auto& entry : fs::directory_iterator(directory.file("out"))) {
      const std::string name = entry.path().filename().string();
      EXPECT_FALSE(name.ends_with(".partial")) << name;
      plots += name.ends_with(".svg") ? 1 : 0;
      if (name.ends_with(".srp")) {
        const std::string report = directory.read("out/" + name);
        ASSERT_TRUE(report == "old" || report == fresh) << name;
        old += report == "old" ? 1 : 0;
      }
    }
    if (command[0] == "convert") {
      EXPECT_GT(old, 0) << "the run ended before the interrupt";
    }
    if (command[0] == "plot") {
      EXPECT_NE(err.find("plotted " + std::to_string(plots) + ","), std::string::npos) << err;
      EXPECT_NE(directory.read("out/index.html").find("m0.svg"), std::string::npos);
    }
    if (command.size() > 2 && command[3] == "--collection") {
      EXPECT_NE(err.find("all.nc: not written: interrupted\n"), std::string::npos) << err;
      EXPECT_NE(err.find(", not written "), std::string::npos) << err;
      EXPECT_FALSE(fs::exists(directory.file("all.nc")));
    }
  }
}

}  // namespace
}  // namespace xbtconv
#endif

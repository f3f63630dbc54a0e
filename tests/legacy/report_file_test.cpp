#include "legacy/report_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/temp_directory.h"

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#endif

namespace xbtconv {
namespace {

namespace fs = std::filesystem;

// xbtconv's report writer says each report it could not write whole, and
// replaces what someone planted at a report's name instead of writing
// through it or waiting on it.
TEST(ReportFile, SaysEachReportItCannotWriteAndReplacesWhatWasPlanted) {
  testing::TempDirectory directory;
  std::FILE* console = std::tmpfile();
  ASSERT_NE(console, nullptr);
  const Folder folder = Folder::open(directory.path());
  const auto text = [](std::string content) {
    return [content](const TextSink& sink) { sink(content); };
  };
  fs::create_directory(directory.file("dir.bin.srp"));
  writeReportFile(folder, "dir.bin.srp", directory.file("dir.bin.srp"), text("text"), console);
  std::string expected = "Can not write file " + directory.file("dir.bin.srp") + "\r\n";
#ifndef _WIN32
  directory.write("victim", std::string("mine"));
  fs::create_symlink(directory.file("victim"), directory.file("link.bin.srp"));
  ASSERT_EQ(::mkfifo(directory.file("fifo.bin.srp").c_str(), 0600), 0);
  for (const char* name : {"link.bin.srp", "fifo.bin.srp"}) {
    writeReportFile(folder, name, directory.file(name), text("report"), console);
    EXPECT_EQ(directory.read(name), "report") << name;
  }
  EXPECT_EQ(directory.read("victim"), "mine");
  // A write that fails after the open (here a limit on a file's size, as a
  // full disk would) must not pass for a good report.
  std::fflush(console);
  const pid_t child = ::fork();
  if (child == 0) {
    const rlimit limit{4096, 4096};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, SIG_IGN);
    writeReportFile(folder, "big.bin.srp", directory.file("big.bin.srp"),
                    text(std::string(100000, 'x')), console);
    std::fflush(console);
    ::_exit(0);
  }
  ::waitpid(child, nullptr, 0);
  expected += "Can not write file " + directory.file("big.bin.srp") + "\r\n";
#endif
  std::fseek(console, 0, SEEK_SET);
  char printed[4096] = {};
  const std::size_t length = std::fread(printed, 1, sizeof printed - 1, console);
  std::fclose(console);
  EXPECT_EQ(std::string(printed, length), expected);
#ifdef _WIN32
  constexpr int kEntries = 1;
#else
  constexpr int kEntries = 4;  // the folder, the victim and the two replaced
#endif
  EXPECT_EQ(std::distance(fs::directory_iterator(directory.path()), fs::directory_iterator()),
            kEntries)
      << "no temporary file left";
}

}  // namespace
}  // namespace xbtconv

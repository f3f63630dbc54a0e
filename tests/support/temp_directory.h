// A temporary directory that removes itself, even when a test fails, and a
// way to run the real xbtconv executable and capture what it prints.
#ifndef XBTCONV_TESTS_SUPPORT_TEMP_DIRECTORY_H_
#define XBTCONV_TESTS_SUPPORT_TEMP_DIRECTORY_H_

#include <cstdint>
#include <string>
#include <vector>

namespace xbtconv::testing {

class TempDirectory {
 public:
  TempDirectory();
  ~TempDirectory();
  TempDirectory(const TempDirectory&) = delete;
  TempDirectory& operator=(const TempDirectory&) = delete;

  const std::string& path() const { return path_; }
  /// path(), the platform's separator, name: as the converter joins them.
  std::string file(const std::string& name) const;
  void write(const std::string& name, const std::vector<std::uint8_t>& bytes) const;
  void write(const std::string& name, const std::string& text) const;
  /// The file's bytes as a string.
  std::string read(const std::string& name) const;
  bool exists(const std::string& name) const;

 private:
  std::string path_;
};

struct RunResult {
  std::string out;     // what the program wrote to standard output
  std::string rawOut;  // the bytes that reached the file: on Windows, text
                       // mode has put a carriage return before each line feed
  std::string err;     // standard error
  int status = -1;     // exit status, or -1 when it did not exit normally
};

/// Runs xbtconv with `arguments` in `workingDirectory`, ended after
/// `timeoutSeconds` so that a hang fails the test instead of the suite.
RunResult runXbtconv(const std::vector<std::string>& arguments, const std::string& workingDirectory,
                     int timeoutSeconds = 60);

}  // namespace xbtconv::testing

#endif  // XBTCONV_TESTS_SUPPORT_TEMP_DIRECTORY_H_

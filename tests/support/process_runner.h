// Runs the real executables and captures what they print, so that tests
// see the console bytes exactly as a user or a script does.
#ifndef XBTCONV_TESTS_SUPPORT_PROCESS_RUNNER_H_
#define XBTCONV_TESTS_SUPPORT_PROCESS_RUNNER_H_

#include <string>
#include <vector>

namespace xbtconv::testing {

struct RunResult {
  std::string out;     // what the program wrote to standard output
  std::string rawOut;  // the bytes that reached the file: on Windows, text
                       // mode has put a carriage return before each line feed
  std::string err;     // standard error, text mode undone as for `out`
  int status = -1;     // exit status, or -1 when it did not exit normally
};

/// Runs `program` with `arguments` in `workingDirectory`, ended after
/// `timeoutSeconds` so that a hang fails the test instead of the suite.
RunResult runProgram(const std::string& program, const std::vector<std::string>& arguments,
                     const std::string& workingDirectory, int timeoutSeconds = 60);
/// runProgram of the xbtconv executable.
RunResult runXbtconv(const std::vector<std::string>& arguments, const std::string& workingDirectory,
                     int timeoutSeconds = 60);

}  // namespace xbtconv::testing

#endif  // XBTCONV_TESTS_SUPPORT_PROCESS_RUNNER_H_

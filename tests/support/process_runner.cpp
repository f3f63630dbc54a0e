#include "support/process_runner.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "support/temp_directory.h"

#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace xbtconv::testing {
namespace {

#ifdef _WIN32
// A path as Windows programs take it: the Unix paths the build knows lie
// on Wine's drive Z:.
std::string nativePath(std::string path) {
  if (!path.empty() && path[0] == '/') path.insert(0, "Z:");
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

std::string quote(const std::string& text) {
  std::string quoted(1, '"');
  quoted += text;
  quoted += '"';
  return quoted;
}

// Undoes the text mode of standard output on Windows, which writes every
// line feed as carriage return and line feed.
std::string undoTextMode(const std::string& bytes) {
  std::string text;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
    text += bytes[i];
  }
  return text;
}
#else
std::string quote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}
#endif

}  // namespace

RunResult runProgram(const std::string& program, const std::vector<std::string>& arguments,
                     const std::string& workingDirectory, int timeoutSeconds) {
  TempDirectory capture;
  RunResult result;
#ifdef _WIN32
  (void)timeoutSeconds;
  std::string command = "cd /d ";
  command += quote(nativePath(workingDirectory));
  command += " && ";
  command += quote(nativePath(program));
  for (const std::string& argument : arguments) {
    command += ' ';
    command += quote(argument);
  }
  command += " >";
  command += quote(capture.file("out"));
  command += " 2>";
  command += quote(capture.file("err"));
  command += " <NUL";
  // cmd takes the outer quotes off the whole command line.
  const int raw = std::system(quote(command).c_str());
  result.status = raw;
#else
  std::string command = "cd " + quote(workingDirectory) + " && timeout -k 10 " +
                        std::to_string(timeoutSeconds) + " " + quote(program);
  for (const std::string& argument : arguments) command += " " + quote(argument);
  command += " >" + quote(capture.file("out")) + " 2>" + quote(capture.file("err")) + " </dev/null";
  const int raw = std::system(command.c_str());
  result.status = raw != -1 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
#endif
  result.rawOut = capture.read("out");
  result.err = capture.read("err");
#ifdef _WIN32
  result.out = undoTextMode(result.rawOut);
  result.err = undoTextMode(result.err);
#else
  result.out = result.rawOut;
#endif
  return result;
}

RunResult runXbtconv(const std::vector<std::string>& arguments, const std::string& workingDirectory,
                     int timeoutSeconds) {
  return runProgram(XBTCONV_EXECUTABLE, arguments, workingDirectory, timeoutSeconds);
}

}  // namespace xbtconv::testing

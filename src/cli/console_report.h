// What a run says, printed: data on standard output, and on standard error
// each note as "xbt: SUBJECT: REASON" and each line about the run as "xbt:
// LINE", with any control character in a name or reason escaped, and a
// progress bar, where there is one, taken off its line first.
#ifndef XBTCONV_CLI_CONSOLE_REPORT_H_
#define XBTCONV_CLI_CONSOLE_REPORT_H_

#include <cstdio>

#include "cli/progress_bar.h"
#include "pipeline/run/run_report.h"

namespace xbtconv {

class ConsoleReport {
 public:
  ConsoleReport(std::FILE* out, std::FILE* err, ProgressBar* bar = nullptr);

  const RunReport& report() const { return report_; }

  /// Standard output takes names, one a call and a line (convert -v):
  /// each escaped as the notes' names are, and printed on a line of its
  /// own above the progress bar.
  void printNames();

  /// A run's exit status `status`, unless standard output could not take
  /// what was written to it: then that is said, and the run failed.
  int finish(int status);

 private:
  std::FILE* out_;
  std::FILE* err_;
  ProgressBar* bar_;
  RunReport report_;
};

}  // namespace xbtconv

#endif  // XBTCONV_CLI_CONSOLE_REPORT_H_

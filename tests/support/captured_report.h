// What a run reports, kept as the command line would print it, for tests
// that run a command's flow in process.
#ifndef XBTCONV_TESTS_SUPPORT_CAPTURED_REPORT_H_
#define XBTCONV_TESTS_SUPPORT_CAPTURED_REPORT_H_

#include <string>

#include "pipeline/run/run_report.h"

namespace xbtconv::testing {

struct CapturedReport {
  std::string out;  // the data
  std::string err;  // "xbt: SUBJECT: REASON" and "xbt: LINE", a line each
  RunReport report;

  CapturedReport() {
    report.data = [this](std::string_view data) { out += data; };
    report.note = [this](const std::string& subject, const std::string& reason) {
      err += "xbt: " + subject + ": " + reason + "\n";
    };
    report.status = [this](const std::string& line) { err += "xbt: " + line + "\n"; };
  }
  CapturedReport(const CapturedReport&) = delete;
  CapturedReport& operator=(const CapturedReport&) = delete;
};

}  // namespace xbtconv::testing

#endif  // XBTCONV_TESTS_SUPPORT_CAPTURED_REPORT_H_
